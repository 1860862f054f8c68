// The legend of the time functions diagram: layout, drawing, hover, the entry drag and printing.
#include "analysis/time/tfunc_legend.h"

#include <algorithm>
#include <vector>

#include "analysis/components/function_legend.h"
#include "analysis/components/function_window_utils.h"
#include "analysis/time/tfunc_drill.h"
#include "analysis/time/tfunc_window.h"
#include "core/text_buffer.h"
#include "ui/button.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/link_display.h"
#include "ui/popup_menu.h"
#include "ui/text_style.h"
#include "ui/window.h"

namespace {

constexpr int32_t kDropReach = 24;

std::vector<T_TFuncCurve*> Curves(const T_TFunc* window) {
  std::vector<T_TFuncCurve*> curves;
  for (T_BoxField* f = window->firstField; f; f = f->next) {
    if (auto* curve = dynamic_cast<T_TFuncCurve*>(f)) curves.push_back(curve);
  }
  return curves;
}

int32_t TitleWidth(const T_TFuncCurve* curve) {
  T_TextBuf title;
  curve->GetPlainTitle(&title);
  return TextWidthInStyle(&curve->titleStyle, title.data);
}

}  // namespace

int32_t TFuncLegendDropPlace(const RECT* rects, int32_t n, int32_t dragged, POINT p, RECT* mark) {
  for (int32_t j = 0; j < n; ++j) {
    if (j == dragged) continue;
    RECT m;
    int32_t place;
    if (j < dragged) {
      // Before this entry: after the one before it.
      m = RECT{rects[j].left - 5, rects[j].top - 1, rects[j].left - 2, rects[j].bottom + 2};
      place = j - 1;
    } else if (j + 1 < n) {
      m = RECT{rects[j + 1].left - 5, rects[j + 1].top - 1, rects[j + 1].left - 2,
               rects[j + 1].bottom + 2};
      place = j;
    } else {
      m = RECT{rects[j].right + 2, rects[j].top - 1, rects[j].right + 5, rects[j].bottom + 2};
      place = j;
    }
    RECT reach = m;
    InflateRect(&reach, kDropReach, 0);
    if (PtInRect(&reach, p)) {
      if (mark) *mark = m;
      return place;
    }
  }
  return -2;
}

T_TFuncLabels* T_TFuncLabels::Create(T_TFunc* window) {
  T_EventHandler* parent = window->titles ? static_cast<T_EventHandler*>(window->titles)
                                          : static_cast<T_EventHandler*>(window);
  const int32_t left = window->labelField ? window->labelField->column.right + 9 - window->GetScrollX() : 9;
  // The title row is as wide as the columns; the legend ends at the window's right edge.
  const int32_t right = window->width - (window->titles ? window->titles->x : 0);
  auto* labels = new (std::nothrow) T_TFuncLabels(window, parent, XYWH{left, 0, std::max(right - left, 20), 19});
  if (!labels) return nullptr;
  EventHandler_Open(labels);
  window->SetFieldTitlesShown(false);
  labels->Layout();
  return labels;
}

T_TFuncLabels::T_TFuncLabels(T_TFunc* window, T_EventHandler* parent, const XYWH& rect)
    : T_Item(kKind, parent, rect, 0), window(window) {}

T_TFuncLabels::~T_TFuncLabels() {
  if (window && window->labels == this) window->labels = nullptr;
}

void T_TFuncLabels::Layout() {
  std::vector<T_TFuncCurve*> curves = Curves(window);
  std::vector<int32_t> widths(curves.size());
  std::vector<RECT> rects(curves.size());
  for (size_t i = 0; i < curves.size(); ++i) widths[i] = TitleWidth(curves[i]);
  const int32_t h =
      FuncLegendLayout(widths.data(), static_cast<int32_t>(curves.size()), width, rects.data());
  for (size_t i = 0; i < curves.size(); ++i) curves[i]->legend = rects[i];
  if (h != height) {
    ResizeBy(0, h - height);
    window->SetTitleHeight(std::max(h, 19));
  }
  GrafElement_Invalidate(this, 0);
}

void T_TFuncLabels::FollowScroll() {
  if (!window->labelField) return;
  const int32_t left = window->labelField->column.right + 9 - window->GetScrollX();
  if (left != x) {
    MoveBy(left - x, 0);
    ResizeBy(x - left - 0, 0);
  }
}

void T_TFuncLabels::Notify(int32_t code) {
  T_Item::Notify(code);
  if (code == 0) Layout();
}

void T_TFuncLabels::DrawEntry(const T_TFuncCurve* curve, const RECT& rect) {
  T_TextBuf title;
  curve->GetTitle(&title);
  DrawFuncLegendEntry(this, rect, curve->series.colour, title.data, -1, curve->hot != 0);
}

void T_TFuncLabels::DrawContent() {
  for (const T_TFuncCurve* curve : Curves(window)) DrawEntry(curve, curve->legend);
}

T_TFuncCurve* T_TFuncLabels::CurveAt(POINT point) const {
  for (T_TFuncCurve* curve : Curves(window)) {
    if (PtInRect(&curve->legend, point)) return curve;
  }
  return nullptr;
}

void T_TFuncLabels::OnHover(InputEvent* event, int32_t code) {
  T_TFuncCurve* now = code == 0 || code == 1 ? CurveAt(POINT{event->x, event->y}) : nullptr;
  if (now == hover) return;
  if (hover) {
    hover->hot = 0;
    GrafElement_InvalidateRect(this, &hover->legend, 0);
  }
  hover = now;
  if (hover) {
    hover->hot = 1;
    GrafElement_InvalidateRect(this, &hover->legend, 0);
  }
}

bool T_TFuncLabels::SetCursor(InputEvent* event, T_GrafElement* target) {
  if (event->y < 2) return T_Item::SetCursor(event, target);
  CursorSet(kArrowCursor);
  return true;
}

void T_TFuncLabels::DropAt(T_TFuncCurve* dragged, int32_t place) {
  std::vector<T_TFuncCurve*> curves = Curves(window);
  T_BoxField* target = place < 0 ? window->labelField : curves[static_cast<size_t>(place)];
  window->MoveColumn(dragged->series.variable, target);
}

bool T_TFuncLabels::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (event->y < 2) return T_Item::MouseDown(event, target);
  const POINT p{event->x, event->y};
  T_TFuncCurve* curve = CurveAt(p);
  if (!curve || !curve->series.variable) return true;
  T_TVariable* variable = curve->series.variable;
  if (event->rightButton) {
    window->SelectVariable(variable);
    if (p.x < curve->legend.left + kLegendSwatchWidth) {
      for (T_GrafElement* e : window->panelItems) {
        auto* frame = dynamic_cast<T_Item*>(e);
        if (!frame || frame->id != kGraphicFrame) continue;
        for (T_GrafElement* c = frame->firstChild; c; c = c->next) {
          auto* colour = dynamic_cast<T_ChooseColor*>(c);
          if (!colour) continue;
          // The menu pops at the swatch, 3 pixels left of its right edge, at its middle.
          InputEvent at = *event;
          at.x = curve->legend.left + kLegendSwatchWidth - 3 + offsetX - colour->offsetX;
          at.y = curve->legend.top + kLegendSwatchHeight / 2 + offsetY - colour->offsetY;
          RunContextMenu(colour, kColourPopupSelector, &at, static_cast<int32_t>(colour->current));
        }
      }
      return true;
    }
    window->pressedTitleField = curve;
    return true;
  }
  T_TextBuf title;
  curve->GetTitle(&title);
  const RECT text = FuncLegendTitleRect(curve->legend);
  if (LinkText_Click(this, &text, title.data, event, nullptr)) {
    GrafElement_InvalidateRect(this, &curve->legend, 0);
    return true;
  }
  window->SelectVariable(variable);
  if (window->GetEffectiveTool(event) == kTFuncToolDrill) {
    // The drill tool drills at once, over the whole range, with the menu beside the entry.
    const POINT at{curve->legend.right - 3, (curve->legend.top + curve->legend.bottom) / 2};
    window->DrillMenuAt(kDrillWholeRange, variable, this, at, event);
    return true;
  }
  std::vector<T_TFuncCurve*> curves = Curves(window);
  std::vector<RECT> rects;
  int32_t dragged = -1;
  for (size_t i = 0; i < curves.size(); ++i) {
    rects.push_back(curves[i]->legend);
    if (curves[i] == curve) dragged = static_cast<int32_t>(i);
  }
  // The entry is framed while the button is down; the drop place shows as an inverted mark.
  RECT frame = curve->legend;
  InflateRect(&frame, 2, 2);
  frame.top += 1;
  RectFrameDottedXor(&frame);
  InputEvent poll = *event;
  int32_t place = -2;
  RECT mark{};
  do {
    Item_PollPointer(this, &poll);
    RECT next{};
    const int32_t now = TFuncLegendDropPlace(rects.data(), static_cast<int32_t>(rects.size()),
                                             dragged, POINT{poll.x, poll.y}, &next);
    if (now != place || !EqualRect(&next, &mark)) {
      if (place != -2) RectInvert(&mark);
      place = now;
      mark = next;
      if (place != -2) RectInvert(&mark);
    }
  } while (poll.anyButton);
  if (place != -2) RectInvert(&mark);
  RectFrameDottedXor(&frame);
  if (place != -2) DropAt(curve, place);
  return true;
}

int32_t T_TFuncLabels::PrintHeight(int32_t printWidth) {
  std::vector<T_TFuncCurve*> curves = Curves(window);
  std::vector<int32_t> widths(curves.size());
  std::vector<RECT> rects(curves.size());
  for (size_t i = 0; i < curves.size(); ++i) widths[i] = TitleWidth(curves[i]);
  return FuncLegendPrintLayout(widths.data(), static_cast<int32_t>(curves.size()), printWidth,
                               rects.data());
}

void T_TFuncLabels::PrintDraw(int32_t printWidth, int32_t dx, int32_t dy) {
  std::vector<T_TFuncCurve*> curves = Curves(window);
  std::vector<int32_t> widths(curves.size());
  std::vector<RECT> rects(curves.size());
  for (size_t i = 0; i < curves.size(); ++i) widths[i] = TitleWidth(curves[i]);
  FuncLegendPrintLayout(widths.data(), static_cast<int32_t>(curves.size()), printWidth,
                        rects.data());
  for (size_t i = 0; i < curves.size(); ++i) {
    OffsetRect(&rects[i], dx, dy);
    DrawEntry(curves[i], rects[i]);
  }
}
