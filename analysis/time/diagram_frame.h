#pragma once
// T_TSDiagram: the "Graphic Presentation" frame of a time-series window's options, with a check
// box for each of the seven diagram flags and the chooser of the time scale that labels the time
// axis ("Dates" for calendar labels). It edits its window's flags directly and repaints it.
//
// Controls (left, top, width, height inside the 326 x 76 frame; y is 11 in a lines window, else 2):
//   0 scaled labels (picture 4030) 8,12,34,16     4 axis scale chooser   44,56,95,15
//   1 inverted axis (picture 4031) 8,33,34,16     5 reference line       160,y,163,14
//   2 vertical grid lines          54,4,13,14     6 today line           160,y+17,163,14
//   3 horizontal grid lines        79,30,13,14    7 zero line            160,y+34,163,14
// Chooser items: 0 "Dates", 1 a blank separator, 2 + i the database's time scale i.
//
// User-interface thread only.
#include <cstdint>

#include "ui/frame_items.h"

class T_TSWin;
class T_Checkbox;
class T_Chooser;
class T_Base;

constexpr uint32_t kDiagramFrameWidth = 326;
constexpr uint32_t kDiagramFrameHeight = 76;
constexpr int32_t kTextGraphicPresentation = 5130;
constexpr int32_t kTextShowReferenceLine = 5131;
constexpr int32_t kTextShowTodayLine = 5132;
constexpr int32_t kTextShowZeroLine = 5133;
constexpr int32_t kTextDates = 5134;
constexpr int32_t kTextGridLines = 3605;

class T_TSDiagram : public T_Frame {
 public:
  T_TSDiagram(T_TSWin* window, T_EventHandler* parent, int32_t left, int32_t top, uint32_t id);

  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void DrawContent() override;

  // The caption "Grid Lines" clicked: both grid-line flags off when both were on, else on.
  void ToggleGridLines();
  // The chooser's item count and selection from the window's axis scale.
  void SyncChooser();
  static RECT CaptionRect() { return RECT{74, 12, 132, 24}; }

  T_TSWin* window;
  T_Base* database;
  T_Checkbox* boxes[8] = {};
  T_Chooser* scales = nullptr;
};
