// The component functions window's legend: layout, drawing, link hover and clicks, printing; and
// the window's slots that keep it in step with the view, the columns and the scroll position.
#include "analysis/components/cfunc_legend.h"

#include <algorithm>
#include <new>

#include "analysis/components/cfunc_window.h"
#include "analysis/components/function_legend.h"
#include "analysis/components/function_window_utils.h"
#include "core/text_buffer.h"
#include "ui/button.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/link_display.h"
#include "ui/mode_tree.h"
#include "ui/window_utilities.h"

namespace {

constexpr int32_t kLegendMinHeight = 19;
constexpr int32_t kPrintGap = 30;
constexpr int32_t kPrintStep = 32;
constexpr int32_t kEntryExtra = 18;
constexpr int32_t kRowPitch = 13;

int32_t LegendLeft(const T_CFunc* window) {
  return window->labelsField ? window->labelsField->column.right + 2 - window->GetScrollX() : 2;
}

}  // namespace

T_CFuncLabels* T_CFuncLabels::Create(T_CFunc* window) {
  T_EventHandler* parent = window->titles ? static_cast<T_EventHandler*>(window->titles)
                                          : static_cast<T_EventHandler*>(window);
  const int32_t left = LegendLeft(window);
  const int32_t right = window->width - (window->titles ? window->titles->x : 0);
  auto* labels = new (std::nothrow)
      T_CFuncLabels(window, parent, XYWH{left, 0, std::max(right - left, 20), kLegendMinHeight});
  if (!labels) return nullptr;
  labels->savedTitleHeight = window->titleHeight;
  EventHandler_Open(labels);
  window->SetFieldTitlesShown(false);
  labels->Layout();
  return labels;
}

T_CFuncLabels::T_CFuncLabels(T_CFunc* window, T_EventHandler* parent, const XYWH& rect)
    : T_Item(kKind, parent, rect, 0), window(window) {}

T_CFuncLabels::~T_CFuncLabels() {
  if (window && window->labels == this) window->labels = nullptr;
}

std::vector<int32_t> T_CFuncLabels::TitleWidths() const {
  std::vector<int32_t> widths;
  for (const Entry& e : entries) {
    T_TextBuf title;
    e.field->GetPlainTitle(&title);
    widths.push_back(TextWidthInStyle(&e.field->titleStyle, title.data));
  }
  return widths;
}

void T_CFuncLabels::Layout() {
  entries.clear();
  for (T_BoxField* f = window->firstField; f; f = f->next) {
    auto* field = dynamic_cast<T_CFuncField*>(f);
    if (field && field->variable) entries.push_back(Entry{field, RECT{}, -1});
  }
  std::vector<int32_t> widths = TitleWidths();
  std::vector<RECT> rects(entries.size());
  const int32_t h =
      FuncLegendLayout(widths.data(), static_cast<int32_t>(entries.size()), width, rects.data());
  for (size_t i = 0; i < entries.size(); ++i) entries[i].rect = rects[i];
  if (h != height) {
    ResizeBy(0, h - height);
    window->SetTitleHeight(h);
  }
  GrafElement_Invalidate(this, 0);
}

void T_CFuncLabels::FollowScroll() {
  const int32_t left = LegendLeft(window);
  const int32_t right = window->width - (window->titles ? window->titles->x : 0);
  const int32_t newWidth = std::max(right - left, 20);
  if (left == x && newWidth == width) return;
  MoveBy(left - x, 0);
  ResizeBy(newWidth - width, 0);
  Layout();
}

void T_CFuncLabels::Notify(int32_t code) {
  T_Item::Notify(code);
  if (code == 0) Layout();
}

void T_CFuncLabels::DrawEntry(const Entry& entry, const RECT& rect) {
  T_TextBuf title;
  entry.field->GetTitle(&title);
  const int32_t colour = entry.field->variable ? entry.field->variable->colour : 10;
  DrawFuncLegendEntry(this, rect, colour, title.data, entry.hoveredLink, false);
}

void T_CFuncLabels::DrawContent() {
  for (const Entry& e : entries) DrawEntry(e, e.rect);
}

int32_t T_CFuncLabels::EntryAt(POINT point) const {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (PtInRect(&entries[i].rect, point)) return static_cast<int32_t>(i);
  }
  return -1;
}

void T_CFuncLabels::OnHover(InputEvent* event, int32_t code) {
  const POINT p{event->x, event->y};
  const int32_t under = code == 0 || code == 1 ? EntryAt(p) : -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    Entry& e = entries[i];
    T_TextBuf title;
    e.field->GetTitle(&title);
    const RECT text = FuncLegendTitleRect(e.rect);
    if (static_cast<int32_t>(i) == under) {
      LinkText_TrackHover(this, &text, title.data, p, &e.hoveredLink);
    } else if (e.hoveredLink != -1) {
      e.hoveredLink = -1;
      GrafElement_InvalidateRect(this, &e.rect, 0);
    }
  }
}

bool T_CFuncLabels::SetCursor(InputEvent* event, T_GrafElement* target) {
  if (event->y < 2) return T_Item::SetCursor(event, target);
  CursorSet(kArrowCursor);
  return true;
}

bool T_CFuncLabels::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (event->y < 2) return T_Item::MouseDown(event, target);
  const POINT p{event->x, event->y};
  const int32_t i = EntryAt(p);
  if (i < 0) return true;
  Entry& e = entries[static_cast<size_t>(i)];
  T_CVariable* variable = e.field->variable;
  if (p.x < e.rect.left + kLegendSwatchWidth) {
    window->SelectVariable(variable);
    // The colour chooser of the open "Graphic Presentation" frame pops up at the swatch.
    for (int32_t k = 0; k < window->panelItemCount; ++k) {
      auto* frame = dynamic_cast<T_Item*>(window->panelItems[k]);
      if (!frame || frame->id != kCFuncGraphicFrame) continue;
      for (T_GrafElement* c = frame->firstChild; c; c = c->next) {
        if (auto* colour = dynamic_cast<T_ChooseColor*>(c)) colour->RunPopup();
      }
    }
    return true;
  }
  T_TextBuf title;
  e.field->GetTitle(&title);
  const RECT text = FuncLegendTitleRect(e.rect);
  if (LinkText_Click(this, &text, title.data, event, nullptr)) {
    GrafElement_InvalidateRect(this, &e.rect, 0);
    return true;
  }
  window->SelectVariable(variable);
  return true;
}

int32_t T_CFuncLabels::PrintHeight(int32_t printWidth) {
  std::vector<POINT> places;
  return CFuncPrintLegendLayout(TitleWidths(), printWidth, &places);
}

void T_CFuncLabels::PrintDraw(int32_t printWidth, int32_t dx, int32_t dy) {
  const std::vector<int32_t> widths = TitleWidths();
  std::vector<POINT> places;
  CFuncPrintLegendLayout(widths, printWidth, &places);
  for (size_t i = 0; i < entries.size(); ++i) {
    const int32_t x = dx + places[i].x, y = dy + places[i].y;
    DrawEntry(entries[i], RECT{x, y, x + widths[i] + kEntryExtra, y + kLegendSwatchHeight});
  }
}

int32_t CFuncPrintLegendLayout(const std::vector<int32_t>& widths, int32_t width,
                               std::vector<POINT>* places) {
  places->clear();
  int32_t total = 0;
  for (int32_t w : widths) total += w + kEntryExtra;
  const auto n = static_cast<int32_t>(widths.size());
  const int32_t room = width - 6;
  const bool wrap = total + n * 6 > room;
  int32_t x = 3;
  int32_t y = 0;
  // Entries that fit share the spare width out between their gaps; else they wrap.
  const int32_t gap = !wrap && n > 1 ? kPrintGap + (room - total - kPrintGap * (n - 1)) / (n - 1)
                                     : kPrintGap;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t w = widths[static_cast<size_t>(i)] + kEntryExtra;
    if (wrap && x > 3 && x + w > room) {
      x = 3;
      y += kRowPitch;
    }
    places->push_back(POINT{x, y});
    x += w + (wrap ? 0 : gap);
    if (wrap) x = (x + kPrintStep - 1) / kPrintStep * kPrintStep;
  }
  return y + 14 > 21 ? y + 14 : 21;
}

// --- The window's side ---------------------------------------------------------------------------

void T_CFunc::Refresh(int32_t oldViewMode) {
  const bool curve = viewMode == 4;
  // The vertical grid-line choice is kept apart for each view.
  gridVertical[oldViewMode == 4 ? 1 : 0] = verticalGridLines;
  verticalGridLines = static_cast<uint8_t>(gridVertical[curve ? 1 : 0]);
  if (toolSelector)
    SetToolSelector(curve ? kCFuncCurveTools : kCFuncNumericTools,
                    static_cast<uint16_t>(curve ? kCursorZoomIn : kToolRange));
  if (curve) {
    if (!labels) labels = T_CFuncLabels::Create(this);
  } else if (labels) {
    const int32_t saved = labels->savedTitleHeight;
    delete labels;
    labels = nullptr;
    SetFieldTitlesShown(true);
    if (saved > 0) SetTitleHeight(saved);
  }
  T_StruxWin::Refresh(oldViewMode);
  if (mode == kCFuncModeDisplay || mode == kCFuncModeSelection || mode == kCFuncModeFormula)
    OpenHeaderPage();
  InvalidateGrid();
}

void T_CFunc::ScrollRows(const LayoutChange* change) {
  T_StruxWin::ScrollRows(change);
  if (labels) labels->FollowScroll();
  if (viewMode == 4) InvalidateGrid();
}

void T_CFunc::OnFieldWidthChanged(T_BoxField* field, int32_t change) {
  T_StruxWin::OnFieldWidthChanged(field, change);
  auto* f = dynamic_cast<T_CFuncField*>(field);
  if (f && f->variable) f->variable->width = field->Width();
  if (f && !f->variable && labels) labels->FollowScroll();
  if (viewMode == 4) InvalidateGrid();
}

void T_CFunc::Notify(int32_t code) {
  T_StruxWin::Notify(code);
  // The variable last chosen (in the legend or elsewhere) stays the mode box's choice.
  if (code != 0 || !current || !modeBox ||
      (mode != kCFuncModeSelection && mode != kCFuncModeFormula))
    return;
  if (modeBox->SelectedNode() != current->modeItem) SelectVariable(current);
}
