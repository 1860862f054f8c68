#pragma once
// T_Linebox: the windowless list box, a column of lines under an optional caption with a vertical
// slide bar at its right edge. It holds no line data: every question about the lines (how many,
// how high, how drawn, whether one may be selected) goes out through OnLineboxEvent, which a
// subclass answers or which climbs to the parent, and so do the notices of selection changes,
// presses and default actions.
//
// Invariants:
//   1. Selection states: none (current == -1, no set); single (current >= 0, no set); multiple
//      (the set holds one bit per line and current is its lowest set bit). The set is freed and
//      the anchor cleared when its last line is deselected.
//   2. 0 <= focusLine; it may lie past the last line only while the list has no lines.
//   3. The bar's count is the line count; its first and last are the first and last lines that
//      are wholly visible.
//
// User-interface thread only; presses run local polling loops (Item_PollPointer).
#include <windows.h>

#include <cstdint>

#include "core/bit_vector.h"
#include "core/owned_text.h"
#include "ui/item.h"
#include "ui/slide_bar.h"

// Codes of the line-box event record.
constexpr int32_t kLineCount = 0;           // answer: count
constexpr int32_t kLineMeasure = 1;         // index, lineRect.top given; answer: height
constexpr int32_t kLineDraw = 2;            // index in lineRect; flag = selected
constexpr int32_t kLineMayFocus = 3;        // answer: flag (preset 1)
constexpr int32_t kLineMaySelect = 4;       // no current line, or index is it; answer: flag
constexpr int32_t kLineMaySelectOther = 5;  // index differs from the current line; answer: flag
constexpr int32_t kLineSelected = 6;        // index; flag 1 selected, 0 deselected
constexpr int32_t kLineDefaultAction = 7;   // index; popupPoint set
constexpr int32_t kLineBackspace = 8;       // index: the selected focus line
constexpr int32_t kLinePress = 9;           // index; flag = selected; answer: handled

constexpr int32_t kLineDefaultHeight = 12;

struct LineboxEvent {
  int32_t code = kLineCount;
  T_GrafElement* listBox = nullptr;
  int64_t count = 0;
  int64_t index = 0;
  uint8_t flag = 1;
  RECT lineRect{};
  int32_t height = kLineDefaultHeight;
  InputEvent* event = nullptr;
  uint8_t handled = 0;
  // Code 7: a third into the line and vertically centred, in window coordinates.
  POINT popupPoint{};
};

class T_Linebox : public T_Item {
 public:
  // rect is {x, y, width, height}; the bar stands barWidth wide at the right edge.
  T_Linebox(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t barWidth, bool open);
  ~T_Linebox() override;

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) override;
  bool AcceptsFocus() override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool OnWheel(InputEvent* event, int32_t lines) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;
  void DrawFrame() override;
  void BuildShape() override;

  // Re-reads the count; lines at or past it are deselected and the bar keeps its position.
  void ReloadLines();
  void SelectOnly(int64_t line);
  void SetLineSelected(int64_t line, bool selected);
  void SelectAll();
  void DeselectAll();
  bool IsSelected(int64_t line) const;
  // The first selected line after the index (which may be -1); -1 when there is none.
  int64_t FindNextSelected(int64_t after) const;
  int64_t CountSelected() const;
  void ScrollToCurrent();
  void RedrawLine(int64_t line, int32_t paintFlags);
  void MoveSelection(int64_t delta);
  void SetCaptionId(int32_t textId);
  void SetCaptionCopy(const char* text);

  int64_t LineCount() const { return bar.count; }
  // The line under a point of the item among the drawn lines; -1 for none.
  int64_t LineAt(int32_t px, int32_t py);
  // The rectangle of a drawn line (item coordinates); false when it is not among them.
  bool LineRect(int64_t line, RECT* rect);
  // Sends a record to OnLineboxEvent with the list box and line rectangle filled in.
  void Send(LineboxEvent* record);

  uint8_t loaded = 0;
  UiText caption{};
  T_Slidebar bar;
  int64_t focusLine = 0;
  int64_t anchor = -1;
  int64_t current = -1;
  BitVector* selectionSet = nullptr;
  uint8_t inPress = 0;
  int32_t barWidth;

 protected:
  int32_t MeasureLine(int64_t line, int32_t top);
  void MoveFocus(int64_t line);
  RECT CaptionRect();
  void DefaultAction(int64_t line);
  // Asks code 4 or 5 for the line.
  bool MaySelect(int64_t line);

 private:
  void FreeSet();
  void PressOnLine(InputEvent* event, int64_t line);
  void TrackDrag(InputEvent* event, bool pressState);
  void ApplyRange(int64_t to, int64_t previousEnd, bool pressState);
  void ArrowKey(int64_t step, bool shift);
  bool ScrollLineIntoView(int64_t line);
};
