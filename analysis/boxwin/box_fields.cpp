// The columns of a box window (T_BoxField), the row of their titles (T_BoxTitles), the two
// header buttons and the fitting of column widths.
#include <algorithm>
#include <new>

#include "analysis/boxwin/box_window.h"
#include "analysis/boxwin/cell_text.h"
#include "core/alert.h"
#include "core/memory.h"
#include "core/localized_text.h"
#include "core/owned_text.h"
#include "ui/chooser.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/link_display.h"
#include "ui/pictures.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"

namespace {

constexpr int32_t kResizeBand = 5;
constexpr uint32_t kResizeCursor = 32644;
constexpr int32_t kFitStartWidth = 32;
constexpr int64_t kFitBatch = 5000;
constexpr int64_t kFitAllBatch = 1000;
constexpr uint64_t kFitTimeLimit = 8000;

}  // namespace

// --- T_BoxField -----------------------------------------------------------------------------------

T_BoxField::T_BoxField(T_BoxWin* owner) : window(owner) {
  titleStyle = owner->defaultStyle;
  owner->sizeApplied = 0;
}

T_BoxField::~T_BoxField() {
  BlockTextFree(&ownTitle);
  window->sizeApplied = 0;
}

void DeleteBoxField(T_BoxField** field) {
  if (!*field) return;
  (*field)->RemoveFromWindow();
  delete *field;
  *field = nullptr;
}

int32_t BuiltFieldWidth(int32_t stored, int32_t least, int32_t fallback) {
  if (stored < least) return fallback;
  return std::min(stored, kMaxFieldWidth);
}

void T_BoxField::AppendToWindow(const RECT* rect) {
  T_BoxField* last = window->firstField ? window->firstField->previous : nullptr;
  if (last) {
    last->next = this;
    previous = last;
    index = last->index + 1;
  } else {
    window->firstField = this;
    index = 0;
  }
  next = nullptr;
  window->firstField->previous = this;
  ++window->fieldCount;
  title = *rect;
  column = RECT{rect->left - 1, -(rect->bottom - rect->top), rect->right - 1, 0};
  if (titleId || fixedTitle || ownTitle || linkedItem) InvalidateTitle();
}

void T_BoxField::RemoveFromWindow() {
  if (!window->firstField) return;
  int32_t w = Width();
  for (T_BoxField* f = next; f; f = f->next) {
    OffsetRect(&f->column, -w, 0);
    OffsetRect(&f->title, -w, 0);
    if (f->linkedItem) f->linkedItem->MoveBy(-w, 0);
  }
  if (window->grid && window->grid->opened) {
    RECT rect{column.left - window->GetScrollX(), 0, window->grid->width, window->grid->height};
    GrafElement_InvalidateRect(window->grid, &rect, 0);
  }
  InvalidateTitle();
  T_BoxField* last = window->firstField->previous;
  if (this == window->firstField) {
    window->firstField = next;
    if (next) next->previous = last;
  } else {
    previous->next = next;
    if (next)
      next->previous = previous;
    else
      window->firstField->previous = previous;
  }
  int64_t n = 0;
  for (T_BoxField* f = window->firstField; f; f = f->next) f->index = n++;
  --window->fieldCount;
  if (window->titles && window->titles->hoverField == this) window->titles->hoverField = nullptr;
  if (window->pressedTitleField == this) window->pressedTitleField = nullptr;
  next = previous = nullptr;
}

void T_BoxField::InvalidateTitle() {
  T_BoxTitles* row = window->titles;
  if (!row || !row->opened) return;
  RECT rect = title;
  OffsetRect(&rect, -window->GetScrollX(), 0);
  GrafElement_InvalidateRect(row, &rect, 0);
}

void T_BoxField::InvalidateColumn() {
  uint32_t mode = window->viewMode;
  if (mode != 0 && mode != 3 && mode != 4) return;
  T_BoxItem* grid = window->grid;
  if (!grid || !grid->opened) return;
  RECT rect{column.left - window->GetScrollX(), 0, column.right - window->GetScrollX(),
            grid->height};
  GrafElement_InvalidateRect(grid, &rect, 0);
}

void T_BoxField::SetTitleId(int32_t id) {
  titleId = id;
  fixedTitle = nullptr;
  BlockTextFree(&ownTitle);
  linkedItem = nullptr;
  InvalidateTitle();
}

void T_BoxField::LinkToItem(T_Item* item) {
  titleId = 0;
  fixedTitle = nullptr;
  BlockTextFree(&ownTitle);
  linkedItem = item;
  if (!item) return;
  title = RECT{item->x, item->y, item->x + item->width, item->y + item->height};
  titleStyle = item->style;
}

void T_BoxField::SetTitleText(const char* text) {
  titleId = 0;
  linkedItem = nullptr;
  BlockTextAssign(&ownTitle, text);
  InvalidateTitle();
}

void T_BoxField::GetTitle(T_TextBuf* out) const {
  if (fixedTitle) {
    TextBufAssign(out, fixedTitle);
  } else if (ownTitle) {
    TextBufAssign(out, ownTitle);
  } else if (titleId > 0 && titleId < 100) {
    TextBufAssign(out, "");
    if (window->database) Database_FieldName(window->database, out, titleId);
  } else if (titleId >= 100) {
    TextBufAssign(out, GetString(titleId));
  } else {
    TextBufAssign(out, "");
  }
}

void T_BoxField::GetPlainTitle(T_TextBuf* out) const {
  T_TextBuf raw;
  TextBufInit(&raw);
  GetTitle(&raw);
  LinkText_ToPlain(window->linkContext, out, raw.data);
  TextBufFree(&raw);
}

void T_BoxField::GetOutputTitle(T_TextBuf* out, bool plain) const {
  if (linkedItem && linkedItem->kind == kKindChooser) {
    auto* chooser = static_cast<T_Chooser*>(linkedItem);
    ChooserEvent record;
    chooser->DescribeItem(chooser->current, &record);
    TextBufAssign(out, record.text);
    return;
  }
  if (plain)
    GetPlainTitle(out);
  else
    GetTitle(out);
}

int32_t T_BoxField::MarkerWidth() const {
  if (!markerPicture) return 0;
  return markerDigit ? 17 : 12;
}

void T_BoxField::GetTitleTextRect(RECT* rect) const {
  *rect = title;
  rect->right -= MarkerWidth();
}

void T_BoxField::GetMarkerRect(RECT* rect) const {
  RECT text;
  GetTitleTextRect(&text);
  *rect = RECT{text.right + 1, title.top, text.right + 1 + MarkerWidth(), title.bottom};
}

void T_BoxField::SetFont(const TextStyle* given) {
  titleStyle = *given;
  titleStyle.flags &= static_cast<uint16_t>(~(kStyleBottom | kStyleMiddle));
  if (linkedItem) linkedItem->SetTextStyle(&titleStyle);
  InvalidateTitle();
  InvalidateColumn();
}

void T_BoxField::SetFontStyle(uint16_t bits) {
  uint16_t flags = static_cast<uint16_t>((titleStyle.flags & ~kStyleEmphasisMask) |
                                         (bits & kStyleEmphasisMask));
  if (flags == titleStyle.flags) return;
  titleStyle.flags = flags;
  InvalidateTitle();
  InvalidateColumn();
}

void T_BoxField::SetAlignment(uint16_t bits) {
  uint16_t mask = kStyleRight | kStyleCentre;
  uint16_t flags = static_cast<uint16_t>((titleStyle.flags & ~mask) | (bits & mask));
  if (flags == titleStyle.flags) return;
  titleStyle.flags = flags;
  if (linkedItem) linkedItem->SetTextAlign(bits & mask);
  InvalidateTitle();
  InvalidateColumn();
}

void T_BoxField::SetWordWrap(bool on) {
  if (on)
    titleStyle.flags |= kStyleWrap;
  else
    titleStyle.flags &= static_cast<uint16_t>(~kStyleWrap);
}

void T_BoxField::SetWidth(int32_t w) {
  int32_t change = w - Width();
  if (!change || !window->grid || !window->titles) return;
  if (linkedItem)
    linkedItem->ResizeBy(change, 0);
  title.right += change;
  column.right += change;
  if (window->selectedField == index && window->editOverlay)
    reinterpret_cast<T_GrafElement*>(window->editOverlay)->ResizeBy(change, 0);
  for (T_BoxField* f = next; f; f = f->next) {
    if (std::abs(f->title.bottom - title.bottom) > 6 || f->title.left < title.left) continue;
    OffsetRect(&f->title, change, 0);
    OffsetRect(&f->column, change, 0);
    if (f->linkedItem) f->linkedItem->MoveBy(change, 0);
    f->InvalidateTitle();
  }
  InvalidateTitle();
  if (window->grid->opened) {
    RECT rect{std::min(column.left, column.right - change) - window->GetScrollX(), 0,
              window->grid->width, window->grid->height};
    GrafElement_InvalidateRect(window->grid, &rect, 0);
  }
  window->sizeApplied = 0;
  window->scrollBoxesValid = 0;
  window->OnFieldWidthChanged(this, change);
}

void T_BoxField::SetStretch(bool on) {
  stretch = on ? 1 : 0;
  if (on && window->grid) SetWidth(window->grid->width + window->GetScrollX() - column.left);
}

void T_BoxField::SetSortIcons(uint32_t picture, uint32_t digit) {
  if (picture == markerPicture && digit == markerDigit) return;
  markerPicture = picture;
  markerDigit = digit;
  InvalidateTitle();
}

// --- Fitting widths -----------------------------------------------------------------------------

namespace {

int32_t MeasureCell(T_BoxWin* window, T_BoxField* field) {
  if (!field->cellText) return field->cellIndent;
  Gfx.style = field->titleStyle;
  PortApplyStyle();
  T_TextBuf plain;
  TextBufInit(&plain);
  const char* text = field->cellText;
  if (field->linkMode >= 1 && field->linkMode <= 3)
    text = LinkText_PlainText(window->linkContext, &plain, field->cellText);
  int32_t w = TextWidth(text) + field->cellIndent;
  TextBufFree(&plain);
  return w;
}

int32_t MeasureTitle(T_BoxField* field) {
  T_TextBuf text;
  TextBufInit(&text);
  field->GetOutputTitle(&text, true);
  Gfx.style = field->titleStyle;
  PortApplyStyle();
  int32_t w = TextWidthBuf(&text) + field->MarkerWidth();
  if (field->linkedItem && field->linkedItem->kind == kKindChooser) w += 16;
  TextBufFree(&text);
  return w;
}

// Whether the user stopped a long measurement: a break, or 8 s gone and the pointer moved.
bool FitInterrupted(T_BoxWin* window, uint64_t start, POINT startPoint, bool* keep) {
  if (AbortRequested()) {
    *keep = false;
    return true;
  }
  if (BoxServices().ticks() - start < kFitTimeLimit) return false;
  InputEvent poll;
  Item_PollPointer(window, &poll);
  if (std::abs(poll.x - startPoint.x) + std::abs(poll.y - startPoint.y) > 50) {
    *keep = true;
    return true;
  }
  return false;
}

// Measures the fields over all rows; a field's width stays 0 when it is not measured.
bool MeasureFields(T_BoxWin* window, T_BoxField* only, int64_t batch, int32_t* widths) {
  GraphicsPort port;
  PortInitRegions(&port);
  bool opened = PortOpenElement(&port, nullptr, window);
  RowTextPool pool;
  bool keep = true;
  if (pool.Init()) {
    uint64_t start = BoxServices().ticks();
    InputEvent first;
    Item_PollPointer(window, &first);
    POINT startPoint{first.x, first.y};
    RowOutline lastOutline;
    if (window->rowCount > 0) window->GetRowOutline(&lastOutline, window->rowCount - 1);
    for (int64_t from = 0; from < window->rowCount; from += batch) {
      int64_t to = std::min(window->rowCount, from + batch);
      for (T_BoxField* f = window->firstField; f; f = f->next) {
        if (from == 0 && (only == nullptr || f == only) && !f->stretch)
          widths[f->index] = std::max(widths[f->index], MeasureTitle(f));
      }
      for (int64_t row = to - 1; row >= from; --row) {
        window->GetRowTexts(&pool, row);
        for (T_BoxField* f = window->firstField; f; f = f->next) {
          if (f->stretch || (only && f != only)) continue;
          int32_t w = MeasureCell(window, f);
          if (f == window->firstField && lastOutline.kind) {
            RowOutline outline;
            window->GetRowOutline(&outline, row);
            w += ComputeOutlineWidth(&outline);
          }
          widths[f->index] = std::max(widths[f->index], w);
        }
      }
      if (FitInterrupted(window, start, startPoint, &keep)) break;
    }
    pool.Free();
  }
  if (opened) PortClose(&port);
  PortFreeRegions(&port);
  return keep;
}

}  // namespace

void T_BoxWin::FitFieldWidth(T_BoxField* field) {
  if (!field || field->stretch) return;
  int32_t* widths = static_cast<int32_t*>(MemNew(sizeof(int32_t) * fieldCount));
  if (!widths) return;
  for (uint32_t i = 0; i < fieldCount; ++i) widths[i] = kFitStartWidth;
  if (MeasureFields(this, field, kFitBatch, widths)) field->SetWidth(widths[field->index] + 4);
  MemFree(widths);
  UpdateScrollBoxes(true);
}

void T_BoxWin::FitAllFieldWidths() {
  int32_t* widths = static_cast<int32_t*>(MemNew(sizeof(int32_t) * (fieldCount + 1)));
  if (!widths) return;
  for (uint32_t i = 0; i < fieldCount; ++i) widths[i] = kFitStartWidth;
  if (rowCount == 0) {
    // Without rows the titles are not measured: every column takes the start width + 4.
    for (T_BoxField* f = firstField; f; f = f->next)
      if (!f->stretch) f->SetWidth(kFitStartWidth + 4);
  } else if (MeasureFields(this, nullptr, kFitAllBatch, widths)) {
    for (T_BoxField* f = firstField; f; f = f->next)
      if (!f->stretch) f->SetWidth(widths[f->index] + 4);
  }
  MemFree(widths);
  UpdateScrollBoxes(true);
}

// --- T_BoxTitles ----------------------------------------------------------------------------------

T_BoxTitles::T_BoxTitles(T_BoxWin* owner, const XYWH& rect)
    : T_Item(kKindProgress, owner, rect, kBoxTitlesId), box(owner) {
  EventHandler_Open(this);
}

void T_BoxTitles::DrawContent() {
  int32_t dx = box->GetScrollX();
  bool newer = ItemLookClass() >= 2;
  {
    T_ForeIndex fore(newer ? 6 : kColourBlack);
    DrawHLine(0, height - 1, width);
  }
  if (!box->fieldTitlesShown) return;
  T_TextBuf text;
  TextBufInit(&text);
  T_TextBuf plain;
  TextBufInit(&plain);
  for (T_BoxField* f = box->firstField; f; f = f->next) {
    if (f->linkedItem) continue;
    Gfx.style = f->titleStyle;
    if (box->titleSplitter) Gfx.style.flags |= kStyleBottom;
    if (box->titleStyleFlag) Gfx.style.flags |= kStyleWrap;
    PortApplyStyle();
    RECT rect;
    f->GetTitleTextRect(&rect);
    OffsetRect(&rect, -dx, 0);
    if (f->markerPicture) {
      RECT marker;
      f->GetMarkerRect(&marker);
      OffsetRect(&marker, -dx, 0);
      if (f->markerPressed) OffsetRect(&marker, 1, 1);
      int32_t top = (marker.top + marker.bottom) / 2 - 6;
      PictureDrawAt(marker.left, top, static_cast<int32_t>(f->markerPicture));
      if (f->markerDigit) {
        char digit[2] = {static_cast<char>('0' + f->markerDigit % 10), 0};
        TextOut(marker.left + 11, top, &marker, digit, 1);
      }
    }
    f->GetTitle(&text);
    f->GetPlainTitle(&plain);
    if (TextFitsRect(&rect, plain.data)) {
      LinkText_Draw(this, &rect, text.data);
    } else {
      DrawTitleText(&rect, plain.data);
    }
  }
  TextBufFree(&plain);
  TextBufFree(&text);
}

T_BoxField* T_BoxTitles::ResizeBandAt(int32_t px) const {
  int32_t x = px + box->GetScrollX();
  for (T_BoxField* f = box->firstField; f; f = f->next) {
    if (!f->stretch && std::abs(x - f->title.right) <= kResizeBand) return f;
  }
  return nullptr;
}

T_BoxField* T_BoxTitles::FieldAt(int32_t px, int32_t py) const {
  POINT p{px + box->GetScrollX(), py};
  for (T_BoxField* f = box->firstField; f; f = f->next) {
    if (PtInRect(&f->title, p)) return f;
  }
  return nullptr;
}

bool T_BoxTitles::SetCursor(InputEvent* event, T_GrafElement* target) {
  if (T_Item::SetCursor(event, target)) return true;
  if (ResizeBandAt(event->x)) {
    CursorSet(kResizeCursor);
    return true;
  }
  return false;
}

bool T_BoxTitles::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (!event->leftButton && !event->rightButton) return T_Item::MouseDown(event, target);
  if (event->control && event->leftButton) return false;
  if (event->leftButton) {
    if (T_BoxField* f = ResizeBandAt(event->x)) {
      if (event->doubleClick) {
        box->FitFieldWidth(f);
        return true;
      }
      int32_t startX = event->x;
      int32_t startWidth = f->Width();
      InputEvent poll = *event;
      do {
        Item_PollPointer(this, &poll);
        int32_t w = std::max(kMinFieldWidth, poll.x - startX + startWidth);
        if (w != f->Width()) {
          f->SetWidth(w);
          box->UpdateScrollBoxes(true);
        }
      } while (poll.anyButton);
      return true;
    }
  }
  T_BoxField* f = FieldAt(event->x, event->y);
  if (!f) return false;
  if (event->rightButton) {
    // The window's title menu acts on the field pressed; a window without one shows nothing.
    box->pressedTitleField = f;
    RunContextMenu(this, 0, event, -1);
    return true;
  }
  RECT marker;
  f->GetMarkerRect(&marker);
  OffsetRect(&marker, -box->GetScrollX(), 0);
  POINT p{event->x, event->y};
  if (f->markerPicture && PtInRect(&marker, p) && box->ClickFieldButton(event, f, &marker))
    return true;
  return box->ClickFieldTitle(event, f);
}

void T_BoxTitles::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  box->TitleContextMenu(record, phase);
}

bool T_BoxWin::ClickFieldTitle(InputEvent* event, T_BoxField* field) {
  T_TextBuf text;
  TextBufInit(&text);
  field->GetTitle(&text);
  bool handled = false;
  if (titles && LinkText_HasLinks(linkContext, text.data)) {
    RECT rect;
    field->GetTitleTextRect(&rect);
    OffsetRect(&rect, -GetScrollX(), 0);
    handled = LinkText_Click(titles, &rect, text.data, event, nullptr);
  }
  TextBufFree(&text);
  return handled;
}

bool T_BoxWin::TrackTitleClick(InputEvent* event, T_BoxField* field) {
  if (!titles) return false;
  int32_t dx = GetScrollX();
  RECT marker;
  field->GetMarkerRect(&marker);
  OffsetRect(&marker, -dx, 0);
  RECT title = field->title;
  OffsetRect(&title, -dx, 0);
  InputEvent poll = *event;
  bool inside = true;
  do {
    Item_PollPointer(titles, &poll);
    inside = PtInRect(&title, POINT{poll.x, poll.y}) != 0;
    uint8_t pressed = PtInRect(&marker, POINT{poll.x, poll.y}) ? 1 : 0;
    if (pressed != field->markerPressed) {
      field->markerPressed = pressed;
      field->InvalidateTitle();
    }
  } while (poll.anyButton);
  field->markerPressed = 0;
  if (inside) field->InvalidateTitle();
  return inside;
}

void T_BoxTitles::Notify(int32_t code) {
  T_Item::Notify(code);
  if (code == kNotifyLanguage) {
    for (T_BoxField* f = box->firstField; f; f = f->next)
      if (f->titleId) f->InvalidateTitle();
  }
}

void T_BoxTitles::OnChange(const ChangeNote* note) {
  if (note->database != box->database) return;
  for (T_BoxField* f = box->firstField; f; f = f->next)
    if (f->titleId > 0 && f->titleId < 100 && f->titleId == note->index + 1) f->InvalidateTitle();
}

// --- T_HeaderButton -------------------------------------------------------------------------------

T_HeaderButton::T_HeaderButton(T_BoxWin* owner, const XYWH& rect, int32_t dir)
    : T_Item(kKindProgress, owner, rect, 0), box(owner), direction(dir) {
  backColour = 27;
  EventHandler_Open(this);
}

void T_HeaderButton::DrawContent() {
  RECT face{0, 0, width, height};
  if (pressed) OffsetRect(&face, 0, 1);
  {
    T_ForeIndex fore(pressed ? 29 : 30);
    DrawHLine(face.left, face.top, width - 1);
    DrawVLine(face.left, face.top, height - 1);
  }
  {
    T_ForeIndex fore(pressed ? 30 : 29);
    DrawHLine(face.left, face.bottom - 1, width - 1);
    DrawVLine(face.right - 1, face.top, height - 1);
  }
  T_ForeIndex fore(kColourBlack);
  int32_t cx = width / 2;
  int32_t cy = face.top + height / 2;
  int32_t tip = direction == 2 ? -2 : 2;
  DrawVLine(cx, cy - 2, 4);
  for (int32_t side : {-1, 1}) {
    DrawHLine(cx + side, cy + tip - (tip > 0 ? 1 : -1), 0);
    DrawHLine(cx + 2 * side, cy + tip - (tip > 0 ? 2 : -2), 0);
  }
}

bool T_HeaderButton::MouseDown(InputEvent* event, T_GrafElement*) {
  InputEvent poll = *event;
  bool inside = true;
  do {
    Item_PollPointer(this, &poll);
    inside = poll.x >= 0 && poll.y >= 0 && poll.x < width && poll.y < height;
    if (inside != (pressed != 0)) {
      pressed = inside ? 1 : 0;
      GrafElement_Invalidate(this, kPaintNow);
    }
  } while (poll.anyButton);
  pressed = 0;
  if (inside) box->OnHeaderButton(this);
  return true;
}
