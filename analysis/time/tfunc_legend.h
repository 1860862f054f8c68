#pragma once
// T_TFuncLabels: the legend of the time functions diagram, laid over the grid's title row in
// place of the column titles. One entry per curve field: a swatch in the variable's colour and
// the field's title (links live). Entries are dragged to move their column; a right press on a
// swatch opens the colour menu of the variable page.
//
// Layout and entry drawing are the function windows' shared legend (function_legend.h).
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "analysis/components/function_legend.h"
#include "ui/item.h"

class T_TFunc;
class T_TFuncCurve;

// The drop place while entry `dragged` is dragged to point p: the entry after which it goes
// (-1: before every entry), or -2 for none; *mark is the place's mark.
int32_t TFuncLegendDropPlace(const RECT* rects, int32_t n, int32_t dragged, POINT p, RECT* mark);

class T_TFuncLabels : public T_Item {
 public:
  static constexpr uint32_t kKind = 4;
  // Over the window's title row; null without memory.
  static T_TFuncLabels* Create(T_TFunc* window);
  explicit T_TFuncLabels(T_TFunc* window, T_EventHandler* parent, const XYWH& rect);
  ~T_TFuncLabels() override;

  void DrawContent() override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool SetCursor(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  void Notify(int32_t code) override;

  // Entries anew (rectangles, height); the title row follows the height.
  void Layout();
  // Keeps the left edge 9 pixels right of the label column as the grid scrolls.
  void FollowScroll();
  // The curve whose entry holds the point (item coordinates), or null.
  T_TFuncCurve* CurveAt(POINT point) const;
  // Printing: the height for the printed width, and the entries drawn at the offset.
  int32_t PrintHeight(int32_t printWidth);
  void PrintDraw(int32_t printWidth, int32_t dx, int32_t dy);
  // Moves the dragged curve's column after the entry of place (see TFuncLegendDropPlace).
  void DropAt(T_TFuncCurve* dragged, int32_t place);

  T_TFunc* window;
  T_TFuncCurve* hover = nullptr;

 private:
  void DrawEntry(const T_TFuncCurve* curve, const RECT& rect);
};
