#include "ui/chooser.h"

#include <algorithm>
#include <cstring>

#include "core/locale.h"
#include "core/utf8.h"
#include "ui/aa_drawing.h"
#include "ui/application.h"
#include "ui/clipboard_data.h"
#include "ui/control_parts.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/native_menu.h"
#include "ui/pictures.h"
#include "ui/text_layout.h"
#include "ui/window.h"

namespace {

constexpr int32_t kArrowWidth = 18;
constexpr int32_t kArrowSquare = 14;
constexpr int32_t kSwatchWidth = 14;
constexpr int32_t kLineSampleWidth = 24;
constexpr int32_t kCopyTag = 723;

bool IsSeparator(const ChooserEvent* record) { return !record->text && record->picture == 0; }

int32_t TitlePictureWidth(int32_t picture) {
  if (picture >= kChooserSwatchFirst) return kSwatchWidth;
  if (picture <= 0) return 0;
  RECT rect = PictureGetRect(picture);
  return rect.right - rect.left;
}

// The room a picture takes in front of an item's text.
int32_t PictureRoom(int32_t picture) {
  if (picture >= kChooserLineFirst) return kLineSampleWidth + 2;
  if (picture >= kChooserSwatchFirst) return kSwatchWidth + 2;
  if (picture <= 0) return 0;
  RECT rect = PictureGetRect(picture);
  return rect.right - rect.left + 2;
}

}  // namespace

// --- Shared pieces
// ----------------------------------------------------------------------------------

void ChooserEvent_SetText(ChooserEvent* record, const char* text) {
  if (!text) {
    record->text = nullptr;
    return;
  }
  int32_t n = static_cast<int32_t>(std::strlen(text));
  n = Utf8BoundaryAtOrBefore(text, std::min(n, kChooserTextBuffer - 1));
  std::memcpy(record->buffer, text, n);
  record->buffer[n] = 0;
  record->text = record->buffer;
}

int32_t GetChooserArrowWidth() { return kArrowWidth; }

int64_t ChooserFirstVisible(int64_t count, int32_t visible, int64_t current) {
  int64_t first = std::min(count - visible, std::max<int64_t>(current - visible / 3, 0));
  return std::max<int64_t>(first, 0);
}

// Draws an item's picture or swatch and its text in the rectangle (current port and colours).
void ChooserDrawItem(const ChooserEvent* record, const RECT* rect) {
  int32_t x = rect->left;
  int32_t middle = (rect->top + rect->bottom) / 2;
  if (record->picture >= kChooserLineFirst) {
    int32_t thickness = record->picture - (kChooserLineFirst - 1);
    thickness = std::min(thickness, static_cast<int32_t>(rect->bottom - rect->top));
    RECT line{x, middle - thickness / 2, x + kLineSampleWidth, middle - thickness / 2 + thickness};
    RectFillColour(&line, Gfx.foreColour);
    x += kLineSampleWidth + 2;
  } else if (record->picture >= kChooserSwatchFirst) {
    RECT swatch{x, rect->top + 1, x + kSwatchWidth, rect->bottom - 1};
    RectFillColour(&swatch, record->picture - kChooserSwatchFirst);
    RectFrame(&swatch);
    x += kSwatchWidth + 2;
  } else if (record->picture > 0) {
    PictureLine line{x, rect->top, rect->bottom};
    DrawPictureInLine(&line, record->picture);
    x = line.x;
  }
  if (!record->text) return;
  RECT text{x, rect->top, rect->right, rect->bottom};
  uint16_t saved = record->plain ? 0 : TextSetEmphasis(kStyleItalic);
  TextDrawLine(&text, record->text, nullptr);
  if (!record->plain) TextSetEmphasis(saved);
}

// --- T_Chooser
// ----------------------------------------------------------------------------------------

T_Chooser::T_Chooser(T_EventHandler* parent, const XYWH& rect, uint32_t id, int64_t count,
                     int64_t current, bool open)
    : T_Item(kKindChooser, parent, rect, id), count(count < 0 ? 0 : count), current(current) {
  UiTextClear(&title);
  style.flags = static_cast<uint16_t>((style.flags & ~kStyleAlignMask) | kStyleMiddle);
  if (open) EventHandler_Open(this);
}

T_Chooser::~T_Chooser() {
  if (opened) EventHandler_CloseElement(this);
  UiTextFree(&title);
}

void T_Chooser::DescribeItem(int64_t index, ChooserEvent* record) {
  *record = ChooserEvent{};
  record->code = kChooserDescribe;
  record->chooser = this;
  record->index = index;
  record->previous = current;
  record->listOpen = listOpen;
  if (list_) {
    record->listRect = list_->listRect;
    record->lineHeight = list_->lineHeight;
    record->visibleLines = list_->visibleLines;
    record->firstVisible = list_->firstVisible;
    record->highlighted = list_->highlighted;
    record->lastScroll = list_->lastScroll;
    record->scrollDelay = list_->scrollDelay;
  }
  OnChooserEvent(this, record);
  if (IsSeparator(record)) record->enabled = 0;
}

int32_t T_Chooser::ItemWidth(int64_t index) {
  if (index < 0 || index >= count) return 0;
  ChooserEvent record;
  DescribeItem(index, &record);
  int32_t width = PictureRoom(record.picture);
  if (record.text) {
    TextStyle shown = style;
    if (!record.plain) TextStyleSetEmphasis(&shown, kStyleItalic);
    width += TextWidthInStyle(&shown, record.text);
  }
  return width;
}

void T_Chooser::Relayout() {
  int32_t textWidth = title.shown ? TextWidthInStyle(&style, title.shown) : 0;
  int32_t titleWidth = 0;
  if (textWidth > 0 || titlePicture != 0) {
    int32_t picture = titlePicture ? TitlePictureWidth(titlePicture) + 2 : 0;
    titleWidth = picture + textWidth + 3;
  }
  titleWidth = std::max(minTitleWidth, titleWidth);
  int32_t box = boxWidth;
  if (box == 0) {
    int32_t room = width - titleWidth;
    box = 16 >= room ? 16 : room;
  }
  box = std::max(box, ItemWidth(current) + kArrowWidth + 2);
  box = std::min(box, width - minTitleWidth);
  titleWidth = std::min(width - box, titleWidth);
  int32_t left = 0;
  int32_t free = width - titleWidth - box;
  if (free > 0) {
    if (style.flags & kStyleRight) {
      left = free;
    } else if (style.flags & kStyleCentre) {
      left = free / 2;
    }
  }
  titleRect = RECT{left, 0, left + titleWidth, height};
  boxRect = RECT{left + titleWidth, 0, left + titleWidth + box, height};
  outlineRect = boxRect;
  RectInflate(&outlineRect, 2);
}

void T_Chooser::BuildShape() {
  SetRectRgn(shape, content.left, content.top, content.right, content.bottom);
  RECT grown = boxRect;
  RectInflate(&grown, 2);
  HRGN box = CreateRectRgnIndirect(&grown);
  CombineRgn(shape, shape, box, RGN_OR);
  DeleteObject(box);
}

bool T_Chooser::AcceptsFocus() { return count != 0; }

bool T_Chooser::DisabledLook() { return !enabled || count == 0; }

void T_Chooser::RedrawBox() { GrafElement_InvalidateRect(this, &outlineRect, kPaintChildren); }

void T_Chooser::SetSelection(int64_t index, int32_t mode) {
  if (index < 0 || index >= count) return;
  if (index == current && mode != kSelectReportAlways) return;
  int64_t previous = current;
  current = index;
  if (mode != kSelectSilent) {
    ChooserEvent record;
    record.code = kChooserChosen;
    record.chooser = this;
    record.index = index;
    record.previous = previous;
    OnChooserEvent(this, &record);
  }
  if (!opened) return;
  RECT oldBox = outlineRect;
  RECT oldTitle = titleRect;
  Relayout();
  if (RectEqual(&oldBox, &outlineRect)) {
    RedrawBox();
  } else {
    // The box moved: everything from the leftmost of both boxes to the right edge.
    int32_t left = std::min(oldBox.left, outlineRect.left);
    if (!RectEqual(&oldTitle, &titleRect)) left -= 4;
    RECT area{left, outlineRect.top, std::max<int32_t>(outlineRect.right, oldBox.right),
              outlineRect.bottom};
    GrafElement_InvalidateRect(this, &area, kPaintChildren);
  }
  Item_Reshape(this, 0);
}

void T_Chooser::SetItemCount(int64_t n) {
  if (n < 0) n = 0;
  bool emptiness = (count == 0) != (n == 0);
  count = n;
  if (n > 0 && current >= n) current = n - 1;
  if (!emptiness || !opened) return;
  Relayout();
  Item_Reshape(this, 0);
  Item_InvalidateShape(this, 0);
}

void T_Chooser::TitleChanged() {
  if (opened) {
    Relayout();
    Item_Reshape(this, 0);
    Item_InvalidateShape(this, 0);
  }
  Notify(kNotifyTitle);
}

void T_Chooser::SetTitleRef(const char* text) {
  UiTextSetRef(&title, text);
  TitleChanged();
}

void T_Chooser::SetTitleId(int32_t textId) {
  UiTextSetId(&title, textId);
  TitleChanged();
}

void T_Chooser::SetTitleCopy(const char* text) {
  UiTextSetCopy(&title, text);
  TitleChanged();
}

void T_Chooser::SetTitleWidth(int32_t minimum) {
  if (minimum == minTitleWidth) return;
  minTitleWidth = minimum;
  if (!opened) return;
  Relayout();
  Item_Reshape(this, 0);
  Item_InvalidateShape(this, 0);
}

void T_Chooser::GetDisplayText(T_TextBuf* text) {
  TextBufAssign(text, title.shown);
  if (!text->empty()) TextBufAppendChar(text, ' ');
  if (current < 0 || current >= count) return;
  ChooserEvent record;
  DescribeItem(current, &record);
  if (record.text && record.enabled) TextBufAppend(text, record.text);
}

int64_t T_Chooser::TypeAhead(uint32_t character, uint64_t time) {
  if (character < 32) return -1;
  if (time - lastTyped > kTypeAheadPause) TextBufAssign(&typedPrefix, "");
  lastTyped = time;
  TextBufAppendWideChar(&typedPrefix, character);
  while (!typedPrefix.empty()) {
    for (int64_t i = 0; i < count; ++i) {
      ChooserEvent record;
      DescribeItem(i, &record);
      if (!record.enabled || !record.plain || !record.text) continue;
      const char* text = record.text;
      while (*text == ' ') ++text;
      if (StrStartsWithNoCase(text, typedPrefix.c_str())) return i;
    }
    TextBufDelete(&typedPrefix, 0,
                  std::max(1, Utf8SeqLen(static_cast<uint8_t>(typedPrefix.data[0]))));
  }
  return -1;
}

// --- Slots
// ---------------------------------------------------------------------------------------------

void T_Chooser::Notify(int32_t code) {
  if (code == kNotifyOpened) Relayout();
  T_Item::Notify(code);
  switch (code) {
    case kNotifyFocus:
      if (visible) {
        RedrawBox();
        Item_Reshape(this, 0);
      }
      break;
    case kNotifyEnabled:
      Item_InvalidateShape(this, 0);
      break;
    case kNotifyLanguage:
      if (title.id) {
        UiTextReload(&title);
        TitleChanged();
      } else if (current >= 0 && current < count) {
        ChooserEvent record;
        DescribeItem(current, &record);
        if (record.text) {
          Relayout();
          Item_Reshape(this, 0);
          Item_InvalidateShape(this, 0);
        }
      }
      break;
    default:
      break;
  }
}

void T_Chooser::NotifyFromParent(int32_t code) {
  T_Item::NotifyFromParent(code);
  if (code == kNotifyBackColour) {
    if (T_GrafElement* owner = Parent()) backColour = owner->backColour;
    Item_InvalidateShape(this, 0);
  }
}

void T_Chooser::UpdateCommands() {
  T_Item::UpdateCommands();
  if (current < 0 || current >= count) return;
  ChooserEvent record;
  DescribeItem(current, &record);
  if (!record.text || !record.enabled) return;
  if (auto* copy = dynamic_cast<T_MenuItemTag*>(StandardEntry(kCommandCopy))) {
    copy->SetTagAndEnable(kCopyTag, true);
  } else if (const MenuOperations* menus = Menus(); menus->enableCommand) {
    menus->enableCommand(kCommandCopy, true);
  }
}

bool T_Chooser::DoCommand(int32_t command) {
  if (command == kCommandCopy && current >= 0 && current < count) {
    ChooserEvent record;
    DescribeItem(current, &record);
    if (record.text && record.enabled) {
      ClipboardSetText(record.text, static_cast<int32_t>(std::strlen(record.text)), 0);
      return true;
    }
  }
  return T_Item::DoCommand(command);
}

void T_Chooser::OnHover(InputEvent* event, int32_t code) {
  RECT zone = boxRect;
  RectInflateXY(&zone, 0, 1);
  uint8_t now = code != kHoverLeft && PtInRect(&zone, POINT{event->x, event->y}) ? 1 : 0;
  if (now == hover) return;
  hover = now;
  int32_t look = ItemLookClass();
  if (look == 2) {
    int32_t top = (boxRect.top + boxRect.bottom - kArrowSquare) / 2;
    RECT square{boxRect.right - kArrowSquare - 1, top, boxRect.right - 1, top + kArrowSquare};
    GrafElement_InvalidateRect(this, &square, kPaintChildren);
  } else if (look >= 3) {
    Item_InvalidateShape(this, 0);
  }
}

bool T_Chooser::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::MouseDown(event, target)) return true;
  RECT zone = boxRect;
  RectInflateXY(&zone, 0, 1);
  if (!PtInRect(&zone, POINT{event->x, event->y})) return false;
  if (!enabled || !event->leftButton) return true;
  if (!focus && Item_CanTakeFocus(this)) Item_TakeFocus(this);
  if (AcceptsFocus()) RunList(event);
  return true;
}

bool T_Chooser::KeyDown(InputEvent* event, T_GrafElement* target) {
  uint16_t key = event->keyCode;
  bool arrow = key >= kKeyLeft && key <= kKeyDown;
  if (event->control && arrow) {
    if (enabled && count > 0) RunList(event);
    return true;
  }
  if (T_Item::KeyDown(event, target)) return true;
  if (event->control) return false;
  if (key == kKeyUp || key == kKeyDown) {
    int32_t step = key == kKeyUp ? -1 : 1;
    for (int64_t i = current + step; i >= 0 && i < count; i += step) {
      ChooserEvent record;
      DescribeItem(i, &record);
      if (record.enabled && record.plain) {
        SetSelection(i, kSelectReport);
        break;
      }
    }
    return true;
  }
  int64_t found = TypeAhead(key, event->time);
  if (found >= 0) SetSelection(found, kSelectReport);
  return false;
}

void T_Chooser::OnResized(int32_t, int32_t) {
  Relayout();
  Item_Reshape(this, 0);
  Item_InvalidateShape(this, 0);
}

// --- Drawing
// -------------------------------------------------------------------------------------------

void T_Chooser::DrawContent() { Paint(); }
void T_Chooser::DrawFrame() { Paint(); }

void T_Chooser::Paint() {
  int32_t look = ItemLookClass();
  bool disabled = DisabledLook();
  bool focusMark = Item_HasFocusInActiveWindow(this) && !listOpen;
  T_ForeIndex fore(disabled ? 6 : kColourBlack);

  RectErase(&titleRect);
  RECT titleText{titleRect.left, titleRect.top + 1, titleRect.right - 2, titleRect.bottom - 1};
  if (titlePicture >= kChooserSwatchFirst) {
    RECT swatch{titleText.left, titleText.top + 1, titleText.left + kSwatchWidth,
                titleText.bottom - 1};
    RectFillColour(&swatch, titlePicture - kChooserSwatchFirst);
    RectFrame(&swatch);
    titleText.left += kSwatchWidth + 2;
  } else if (titlePicture > 0) {
    PictureLine line{titleText.left, titleText.top, titleText.bottom};
    DrawPictureInLine(&line, titlePicture);
    titleText.left = line.x;
  }
  if (title.shown) TextDrawLine(&titleText, title.shown, nullptr);

  RECT box = boxRect;
  int32_t textFore = disabled ? 6 : 25;
  int32_t textBack = boxBackground;
  int32_t state = disabled ? 1 : listOpen ? 2 : hover ? 3 : 0;
  if (look <= 1) {
    if (focusMark) {
      textFore = 24;
      textBack = 23;
    }
    RectFillColour(&box, textBack);
    RECT frame = box;
    RectInflateXY(&frame, 1, 2);
    DrawSunkenFrame(&frame);
    RECT arrow{box.right - kArrowSquare, box.top, box.right, box.bottom + 1};
    DrawRaisedFrame(&arrow, arrowPressed != 0);
    int32_t shift = arrowPressed ? 1 : 0;
    DrawArrow3D(arrow.right - 8 + shift, (arrow.top + arrow.bottom) / 2 + 2 + shift, 2, kArrowDown,
                !disabled);
    if (focusMark) {
      RECT dotted = box;
      RectInflate(&dotted, -2);
      dotted.right -= kArrowSquare;
      T_ForeIndex mark(kColourBlack);
      RectFrameDotted(&dotted);
    }
  } else if (look == 2) {
    RectFillColour(&box, boxBackground);
    int32_t top = (box.top + box.bottom - kArrowSquare) / 2;
    RECT square{box.right - kArrowSquare - 1, top, box.right - 1, top + kArrowSquare};
    int32_t arrowState = disabled ? 1 : arrowPressed ? 2 : hover ? 3 : 0;
    PaintScrollButton(&square, arrowState, 1);
    if (focusMark) {
      RECT area{box.left + 1, box.top + 1, box.right - 16, box.bottom - 1};
      RectFillColour(&area, 23);
      T_ForeIndex mark(kColourBlack);
      RectFrameDotted(&area);
      textFore = 24;
      textBack = 23;
    }
    RECT frame = box;
    RectInflate(&frame, 2);
    frame.right -= 1;
    AaRectOutline(&frame, disabled ? 0xFFC0C0C0 : 0xFF7F9DB9);
  } else {
    RECT face = box;
    RectInflateXY(&face, 0, 1);
    PaintButtonFace(&face, state, false);
    DrawArrow3D(box.right - 8, (box.top + box.bottom) / 2 + 2, 3, kArrowDown, !disabled);
    if (focusMark) {
      RECT dotted{box.left + 1, box.top + 1, box.right - 14, box.bottom - 1};
      T_ForeIndex mark(kColourBlack);
      RectFrameDotted(&dotted);
    }
    PaintFrameByState(&face, state);
  }

  if (current < 0 || current >= count) return;
  ChooserEvent record;
  DescribeItem(current, &record);
  RECT item{box.left + 4, box.top + 1, box.right - 4 - 11, box.bottom - 1};
  if (!record.enabled) textFore = 6;
  T_ForeIndex text(disabled ? 6 : textFore);
  int32_t savedBack = Gfx.backColour;
  PortSetBackIndex(look <= 1 || look == 2 ? textBack : savedBack);
  if (look >= 3) SetBkMode(PortDC(), TRANSPARENT);
  ChooserDrawItem(&record, &item);
  if (look >= 3) SetBkMode(PortDC(), OPAQUE);
  PortSetBackIndex(savedBack);
}

// --- T_LangChooser
// -------------------------------------------------------------------------------------

T_LangChooser::T_LangChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                             const int8_t* list, int32_t currentLanguage, bool noCurrent)
    : T_Chooser(parent, rect, id, 0, 0, false) {
  while (list && languageCount < kMaxLanguages && list[languageCount] >= 0) {
    languages[languageCount] = static_cast<uint8_t>(list[languageCount]);
    ++languageCount;
  }
  languages[languageCount] = 255;
  count = languageCount;
  current = 0;
  if (!noCurrent) {
    for (int32_t i = 0; i < languageCount; ++i) {
      if (languages[i] == currentLanguage) current = i;
    }
  }
  EventHandler_Open(this);
}

void T_LangChooser::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser == this && record->code == kChooserDescribe && record->index >= 0 &&
      record->index < languageCount) {
    record->text = LanguageName(languages[record->index]);
    return;
  }
  T_Chooser::OnChooserEvent(chooser, record);
}

int32_t T_LangChooser::GetLanguage() const {
  return current >= 0 && current < languageCount ? languages[current] : -1;
}
