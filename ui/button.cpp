#include "ui/button.h"

#include <cstring>

#include "core/message_pump.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "ui/aa_drawing.h"
#include "ui/control_parts.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/menu_model.h"
#include "ui/pictures.h"
#include "ui/text_layout.h"
#include "ui/window.h"

namespace {

constexpr uint64_t kKeyPressShown = 160;
constexpr char kEllipsis[] = "\xE2\x80\xA6";

bool IsPressKey(uint16_t code) {
  return code == kKeyEnter || code == kKeyKeypadEnter || code == kKeySpace;
}

bool RegionHolds(T_Item* item, int32_t px, int32_t py) {
  if (!item->regionValid) item->UpdateRegions(true);
  return PtInRegion(item->region, px, py) != 0;
}

// Every button below the element, depth first.
template <typename Visit>
void ForEachButton(T_GrafElement* element, Visit visit) {
  for (T_GrafElement* child = element->firstChild; child; child = child->next) {
    if (T_Button* button = dynamic_cast<T_Button*>(child)) visit(button);
    ForEachButton(child, visit);
  }
}

// A rectangle given in the item's coordinates, repainted through its window (it may reach
// outside the item's shape).
void InvalidateAroundItem(T_Item* item, RECT rect) {
  if (!item->window) return;
  OffsetRect(&rect, item->offsetX, item->offsetY);
  GrafElement_InvalidateRect(item->window, &rect, kPaintUnclipped);
}

bool HoverChange(uint8_t* hover, int32_t code) {
  uint8_t now = code == kHoverLeft ? 0 : 1;
  if (now == *hover) return false;
  *hover = now;
  return true;
}

void FillRow(int32_t left, int32_t right, int32_t y, uint32_t argb) {
  RECT row{left, y, right, y + 1};
  AaFillRect(&row, argb);
}

// The inner edges of a class-2 button face: two rows at the top, two at the bottom, and
// 2-pixel sides in a vertical gradient between them.
void PaintEdgeSet(const RECT* face, const uint32_t colours[4]) {
  int32_t h = face->bottom - face->top;
  FillRow(face->left, face->right, face->top, colours[0]);
  FillRow(face->left, face->right, face->top + 1, colours[1]);
  FillRow(face->left, face->right, face->top + h - 2, colours[2]);
  FillRow(face->left, face->right, face->top + h - 1, colours[3]);
  RECT left{face->left, face->top + 2, face->left + 2, face->bottom - 2};
  RECT right{face->right - 2, face->top + 2, face->right, face->bottom - 2};
  if (!RectIsEmpty(&left)) {
    AaGradientV(&left, colours[1], colours[2]);
    AaGradientV(&right, colours[1], colours[2]);
  }
}

}  // namespace

// --- T_Button
// -------------------------------------------------------------------------------------

T_Button::T_Button(T_EventHandler* parent, const XYWH& rect, uint32_t id)
    : T_Item(kKindButton, parent, rect, id) {
  UiTextClear(&title);
  LayoutTitle();
  BuildShape();
  EventHandler_Open(this);
}

T_Button::~T_Button() {
  if (opened) EventHandler_CloseElement(this);
  UiTextFree(&title);
}

void T_Button::SetTitleRef(const char* text) {
  UiTextSetRef(&title, text);
  TitleChanged();
}

void T_Button::SetTitleId(int32_t textId) {
  UiTextSetId(&title, textId);
  if (textId == 701) isCancel = 1;
  TitleChanged();
}

void T_Button::SetTrailingDots(bool on) {
  trailingDots = on ? 1 : 0;
  TitleChanged();
}

void T_Button::SetDefault(bool on) {
  isDefault = on ? 1 : 0;
  Item_Reshape(this, 0);
  Item_InvalidateShape(this, 0);
}

void T_Button::SetCancel(bool on) { isCancel = on ? 1 : 0; }

void T_Button::TitleChanged() {
  LayoutTitle();
  Item_InvalidateShape(this, 0);
}

void T_Button::LayoutTitle() {
  TextStyle titleStyle = TextStyleDialog;
  titleStyle.flags = static_cast<uint16_t>((titleStyle.flags & ~(kStyleAlignMask | kStyleBit4)) |
                                           kStyleCentre | kStyleMiddle);
  const char* text = title.shown ? title.shown : "";
  bool sign = std::strcmp(text, "+") == 0 || std::strcmp(text, "-") == 0;
  if (height < 19 && !sign) titleStyle.size = 9;
  if (height < 21) {
    T_TextBuf measured(text);
    if (trailingDots) TextBufAppend(&measured, "..");
    if (TextWidthInStyle(&titleStyle, measured.c_str()) > width - 4) {
      titleStyle.flags =
          static_cast<uint16_t>((titleStyle.flags & ~kStyleAlignMask) | kStyleMiddle);
    }
  }
  SetTextStyle(&titleStyle);
}

void T_Button::Notify(int32_t code) {
  T_Item::Notify(code);
  switch (code) {
    case kNotifyFocus:
      if (window) {
        ForEachButton(window, [this](T_Button* other) {
          if (other == this || !other->isDefault) return;
          other->defaultSuppressed = focus;
          Item_InvalidateShape(other, 0);
          Item_Reshape(other, 0);
        });
      }
      Item_InvalidateShape(this, 0);
      break;
    case kNotifyEnabled:
      Item_InvalidateShape(this, 0);
      break;
    case kNotifyLanguage:
      if (title.id) {
        UiTextReload(&title);
        TitleChanged();
      }
      break;
    default:
      break;
  }
}

void T_Button::OnHover(InputEvent*, int32_t code) {
  if (HoverChange(&hover, code) && ItemLookClass() >= 2) Item_InvalidateShape(this, kPaintNow);
}

bool T_Button::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::MouseDown(event, target)) return true;
  if (!enabled || !event->leftButton) return true;
  Item_InvalidateShape(this, kPaintNow);
  CursorSet(kArrowCursor);
  InputEvent poll = *event;
  for (;;) {
    Item_PollPointer(this, &poll);
    uint8_t inside = RegionHolds(this, poll.x, poll.y) ? 1 : 0;
    if (inside != pressed) {
      pressed = inside;
      Item_InvalidateShape(this, kPaintNow);
    }
    if (!poll.leftButton) break;
    SetBusyDeadline();
  }
  if (pressed) {
    pressed = 0;
    Item_InvalidateShape(this, kPaintNow);
    Button_Fire(this);  // may close the window: nothing of the button is touched after it
  }
  return true;
}

bool T_Button::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (focus && PlainModifiers(event) && IsPressKey(event->keyCode)) {
    Button_Press(this, event->time);
    return true;
  }
  return T_Item::KeyDown(event, target);
}

void T_Button::OnResized(int32_t, int32_t) {
  // previousFrame is in the parent's coordinates; the outlines reach 4 pixels out.
  RECT old = previousFrame;
  OffsetRect(&old, -x, -y);
  RectInflate(&old, 4);
  InvalidateAroundItem(this, old);
  RECT now = content;
  RectInflate(&now, 4);
  InvalidateAroundItem(this, now);
  LayoutTitle();
}

void T_Button::BuildShape() {
  RECT r = content;
  RectInflate(&r, ItemLookClass() <= 1 ? 2 : 1);
  SetRectRgn(shape, r.left, r.top, r.right, r.bottom);
}

bool T_Button::AcceptsFocus() { return true; }

void T_Button::DrawContent() { Paint(); }
void T_Button::DrawFrame() { Paint(); }

void T_Button::Paint() {
  int32_t look = ItemLookClass();
  bool highlighted = Button_IsHighlighted(this);
  bool focusMark = Item_HasFocusInActiveWindow(this);
  RECT item = content;
  RECT text = item;
  text.right -= 2;
  RECT mark = item;
  if (look <= 1) {
    RECT r = item;
    RectInflate(&r, 1);
    RECT outer = r;
    RectInflate(&outer, 1);
    T_ForeIndex fore(kColourBlack);
    if (pressed) {
      fore.Set(29);
      RectFrame(&r);
      fore.Set(kColourBlack);
      RectFrame(&outer);
    } else if (highlighted) {
      fore.Set(30);
      EdgeTopLeft(&r);
      fore.Set(kColourBlack);
      EdgeBottomRight(&r);
      fore.Set(29);
      EdgeBottomRight(&item);
      fore.Set(kColourBlack);
      RectFrame(&outer);
    } else {
      fore.Set(29);
      EdgeBottomRight(&r);
      fore.Set(30);
      EdgeTopLeft(&outer);
      fore.Set(kColourBlack);
      EdgeBottomRight(&outer);
    }
    mark = RECT{1, 1, item.right - 1, item.bottom - 1};
    if (pressed) {
      OffsetRect(&text, 1, 1);
      OffsetRect(&mark, 1, 1);
    }
  } else if (look == 2) {
    static const uint32_t kPressedRows[4] = {0xFFD1CCC1, 0xFFDCD8CF, 0xFFEAE9E3, 0xFFF2F1EE};
    static const uint32_t kHoverEdges[4] = {0xFFFFF0CF, 0xFFFDD889, 0xFFF8B230, 0xFFE59700};
    static const uint32_t kHighlightEdges[4] = {0xFFCEE7FF, 0xFFBCD4F6, 0xFF89ADE4, 0xFF6982EE};
    int32_t h = item.bottom - item.top;
    if (!enabled) {
      RectFillColour(&item, 1);
    } else if (pressed) {
      AaFillRect(&item, 0xFFE1E1D8);
      FillRow(item.left, item.right, 0, kPressedRows[0]);
      FillRow(item.left, item.right, 1, kPressedRows[1]);
      FillRow(item.left, item.right, h - 2, kPressedRows[2]);
      FillRow(item.left, item.right, h - 1, kPressedRows[3]);
    } else {
      AaGradientAngle(&item, highlighted || hover ? 0xFFFCFCFC : 0xFFFEFEFE, 0xFFEBEBE5, 45.0f);
      if (hover) {
        PaintEdgeSet(&item, kHoverEdges);
      } else if (highlighted) {
        PaintEdgeSet(&item, kHighlightEdges);
      } else {
        FillRow(item.left, item.right, h - 2, 0xFFE2DFD6);
        FillRow(item.left, item.right, h - 1, 0xFFD6D0C5);
      }
    }
    RECT outer = item;
    RectInflate(&outer, 1);
    AaRoundRect(&outer, 3, 1, enabled ? 0xFF003C74 : 0xFFC0C0C0);
    RectInflate(&mark, -2);
  } else {
    int32_t state = !enabled ? 1 : pressed ? 2 : hover ? 3 : highlighted ? 4 : 0;
    PaintButtonFace(&item, state, false);
    PaintFrameByState(&item, state);
    RectInflate(&mark, -1);
  }
  if (title.shown) {
    T_TextBuf shown(title.shown);
    if (trailingDots) TextBufAppend(&shown, kEllipsis);
    T_ForeIndex fore(kColourBlack);
    DrawTextEtched(&text, shown.c_str(), enabled != 0);
  }
  if (focusMark) {
    T_ForeIndex fore(kColourBlack);
    RectFrameDotted(&mark);
  }
}

bool Button_IsHighlighted(const T_Button* button) {
  return button->enabled && ((button->isDefault && !button->defaultSuppressed) || button->focus);
}

void Button_Press(T_Button* button, uint64_t startTick) {
  bool onScreen = button->visible && button->window && button->window->visible;
  button->pressed = 1;
  Item_InvalidateShape(button, kPaintNow);
  if (onScreen) {
    int64_t rest =
        static_cast<int64_t>(startTick + kKeyPressShown) - static_cast<int64_t>(TickCount());
    if (rest > 0 && rest <= static_cast<int64_t>(kKeyPressShown)) Sleep(static_cast<DWORD>(rest));
  }
  button->pressed = 0;
  Item_InvalidateShape(button, kPaintNow);
  Button_Fire(button);
}

void Button_Fire(T_Button* button) {
  // Alerts raised while the press is handled carry the button's title, as for a menu command.
  const char* saved = CurrentCommandTitle();
  SetCurrentCommandTitle(button->title.shown);
  button->OnButton(button);
  SetCurrentCommandTitle(saved);
}

// --- T_Checkbox
// -----------------------------------------------------------------------------------

T_Checkbox::T_Checkbox(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool open)
    : T_Item(kKindCheckbox, parent, rect, id) {
  UiTextClear(&label);
  uint16_t wrap = rect.height >= 21 ? kStyleWrap : 0;
  style.flags =
      static_cast<uint16_t>((style.flags & ~(kStyleAlignMask | kStyleWrap)) | kStyleMiddle | wrap);
  if (open) EventHandler_Open(this);
}

T_Checkbox::~T_Checkbox() {
  if (opened) EventHandler_CloseElement(this);
  UiTextFree(&label);
}

RECT Checkbox_BoxRect(const T_Checkbox* box, int32_t lookClass) {
  int32_t size = lookClass <= 1 ? 12 : 13;
  int32_t top = (box->height - size) / 2;
  return RECT{0, top, size, top + size};
}

RECT Checkbox_LabelRect(const T_Checkbox* box) { return RECT{17, 0, box->width, box->height}; }

RECT Checkbox_FocusRect(const T_Checkbox* box) {
  if (!box->label.shown && !box->bitmap) return RECT{-2, -2, box->width + 2, box->height + 1};
  RECT area = Checkbox_LabelRect(box);
  if (box->label.shown && !box->bitmap) {
    RECT fitted = area;
    TextFitRectInStyle(&box->style, &fitted, box->label.shown);
    int32_t textHeight = fitted.bottom - fitted.top;
    int32_t shift = (area.bottom - area.top - textHeight + 1) / 2;
    area = RECT{fitted.left, area.top + shift, fitted.right, area.top + shift + textHeight};
  }
  RectInflate(&area, 2);
  return area;
}

void T_Checkbox::SetLabelRef(const char* text) {
  UiTextSetRef(&label, text);
  RepaintLabel();
}

void T_Checkbox::SetLabelId(int32_t textId) {
  UiTextSetId(&label, textId);
  RepaintLabel();
}

void T_Checkbox::SetLabelCopy(const char* text) {
  UiTextSetCopy(&label, text);
  RepaintLabel();
}

void T_Checkbox::SetBitmap(int32_t pictureId) {
  bitmap = pictureId;
  RepaintLabel();
}

bool T_Checkbox::SetChecked(bool on) {
  if ((checked != 0) != on) {
    checked = on ? 1 : 0;
    RepaintBox();
  }
  return checked != 0;
}

void T_Checkbox::RepaintBox() {
  RECT box = Checkbox_BoxRect(this, ItemLookClass());
  GrafElement_InvalidateRect(this, &box, kPaintNow);
}

void T_Checkbox::RepaintLabel() {
  // The focus rectangle follows the label.
  if (focus) Item_Reshape(this, 0);
  RECT area = Checkbox_LabelRect(this);
  GrafElement_InvalidateRect(this, &area, kPaintChildren);
}

void T_Checkbox::Toggle() {
  checked = checked ? 0 : 1;
  RepaintBox();
  OnCheckbox(this);
}

void T_Checkbox::Notify(int32_t code) {
  T_Item::Notify(code);
  switch (code) {
    case kNotifyEnabled:
      Item_InvalidateShape(this, 0);
      break;
    case kNotifyFocus: {
      Item_Reshape(this, 0);
      RECT area = Checkbox_FocusRect(this);
      GrafElement_InvalidateRect(this, &area, kPaintChildren);
      break;
    }
    case kNotifyLanguage:
      if (label.id) {
        UiTextReload(&label);
        RepaintLabel();
      }
      break;
    default:
      break;
  }
}

void T_Checkbox::NotifyFromParent(int32_t code) {
  T_Item::NotifyFromParent(code);
  if (code == kNotifyBackColour) {
    if (T_GrafElement* owner = Parent()) backColour = owner->backColour;
    Item_InvalidateShape(this, 0);
  }
}

void T_Checkbox::OnHover(InputEvent*, int32_t code) {
  if (HoverChange(&hover, code) && ItemLookClass() >= 2) RepaintBox();
}

bool T_Checkbox::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::MouseDown(event, target)) return true;
  if (!enabled || !event->leftButton) return false;
  InputEvent poll = *event;
  for (;;) {
    Item_PollPointer(this, &poll);
    bool insideItem = poll.x >= content.left && poll.x < content.right && poll.y >= content.top &&
                      poll.y < content.bottom;
    uint8_t inside = insideItem && RegionHolds(this, poll.x, poll.y) ? 1 : 0;
    if (inside != pressed) {
      pressed = inside;
      RepaintBox();
    }
    if (!poll.leftButton) break;
  }
  SetBusyDeadline();
  if (pressed) {
    pressed = 0;
    Toggle();
  }
  return true;
}

bool T_Checkbox::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::KeyDown(event, target)) return true;
  if (!focus || !PlainModifiers(event) || !IsPressKey(event->keyCode)) return false;
  Toggle();
  return true;
}

void T_Checkbox::OnResized(int32_t, int32_t) { Item_InvalidateShape(this, 0); }

void T_Checkbox::BuildShape() {
  SetRectRgn(shape, content.left, content.top, content.right, content.bottom);
  if (!focus) return;
  RECT area = Checkbox_FocusRect(this);
  HRGN ring = CreateRectRgnIndirect(&area);
  CombineRgn(shape, shape, ring, RGN_OR);
  DeleteObject(ring);
}

bool T_Checkbox::AcceptsFocus() { return true; }
bool T_Checkbox::IsSelectable() { return true; }

void T_Checkbox::SetHighlight(bool on) {
  pressed = on ? 1 : 0;
  RepaintBox();
}

void T_Checkbox::Press() { Toggle(); }

void T_Checkbox::DrawContent() { Paint(); }
void T_Checkbox::DrawFrame() { Paint(); }

void T_Checkbox::Paint() {
  int32_t look = ItemLookClass();
  RECT box = Checkbox_BoxRect(this, look);
  RECT text = Checkbox_LabelRect(this);
  if (bitmap) {
    PictureLine line{text.left, text.top, text.bottom};
    DrawPictureInLine(&line, bitmap);
    text.left = line.x;
  }
  T_ForeIndex fore(enabled ? kColourBlack : 6);
  if (label.shown) TextDrawInRect(&text, label.shown, nullptr);
  if (look <= 1) {
    RectFillColour(&box, pressed ? 4 : enabled ? kColourWhite : kColourButtonFace);
    DrawSunkenFrame(&box);
    if (checked) {
      fore.Set(enabled ? kColourBlack : 6);
      for (POINT p : {POINT{4, 5}, POINT{3, 5}, POINT{3, 6}})
        DrawLineSmooth(box.left + p.x, box.top + p.y, 2, 2);
      for (POINT p : {POINT{5, 6}, POINT{5, 7}, POINT{5, 8}})
        DrawLineSmooth(box.left + p.x, box.top + p.y, 3, -3);
    }
  } else {
    int32_t glyph = !enabled ? 3801 : pressed ? 3803 : hover ? 3802 : 3800;
    DrawToolbarPicture(&box, glyph, checked ? 1 : 0);
  }
  if (Item_HasFocusInActiveWindow(this)) {
    fore.Set(kColourBlack);
    RECT area = Checkbox_FocusRect(this);
    RectFrameDotted(&area);
  }
}
