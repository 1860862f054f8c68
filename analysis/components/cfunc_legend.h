#pragma once
// T_CFuncLabels: the legend of the component functions window's curve view, laid over the grid's
// title row in place of the column titles (the function windows' shared legend layout,
// function_legend.h). One entry per curve column: a swatch in the variable's colour and the
// column title, whose links light up under the pointer and are followed by a click. A click on
// a swatch selects the variable and, while the "Graphic Presentation" frame is open, pops up its
// colour chooser.
//
// Invariant: entries name the window's curve fields of the last layout; the window lays the
// legend out again whenever it rebuilds its fields.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/item.h"

class T_CFunc;
class T_CFuncField;

// The legend laid out across a printed width: each entry is its title's width + 18 (the colour
// box, then the title); entries 30 pixels apart with the spare width shared out between the
// gaps, or, when they do not fit with 6 pixels per entry to spare, wrapped into rows 13 pixels
// apart, each entry at the next multiple of 32. The entries' places relative to the legend's top
// left; the legend's height (at least 21).
int32_t CFuncPrintLegendLayout(const std::vector<int32_t>& widths, int32_t width,
                               std::vector<POINT>* places);

class T_CFuncLabels : public T_Item {
 public:
  static constexpr uint32_t kKind = 4;
  // Over the window's title row, from the labels column's right edge to the window's right edge;
  // the title row takes the legend's height. Null without memory.
  static T_CFuncLabels* Create(T_CFunc* window);
  T_CFuncLabels(T_CFunc* window, T_EventHandler* parent, const XYWH& rect);
  ~T_CFuncLabels() override;

  void DrawContent() override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool SetCursor(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  void Notify(int32_t code) override;

  // Entries anew (rectangles, height); the title row follows the height.
  void Layout();
  // Keeps the left edge at the labels column's right edge as the grid scrolls.
  void FollowScroll();
  // The entry whose rectangle holds the point (item coordinates), or -1.
  int32_t EntryAt(POINT point) const;
  // Printing: the height of the legend laid out for the printed width, and the legend drawn at
  // the offset.
  int32_t PrintHeight(int32_t printWidth);
  void PrintDraw(int32_t printWidth, int32_t dx, int32_t dy);

  struct Entry {
    T_CFuncField* field;
    RECT rect;
    int32_t hoveredLink;  // -1 none
  };
  T_CFunc* window;
  std::vector<Entry> entries;
  int32_t savedTitleHeight = 0;  // the title row's height before the legend came

 private:
  std::vector<int32_t> TitleWidths() const;
  void DrawEntry(const Entry& entry, const RECT& rect);
};
