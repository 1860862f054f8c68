#pragma once
// The small pieces of the time functions window's side panel: the time shift chooser of a
// selection with its "Move Selection" dialog, and the two frames of the "Axis Limits" page.
//
// Time shift chooser items (kind of the shift in brackets):
//   0 "No time shift" (0)   2 "+Year" (1)   3 "+Quarter" (3)   4 "+Month" (5)
//   6 "-Year" (2)           7 "-Quarter" (4) 8 "-Month" (6)     1, 5, 9 separators
//   10 the custom description (7) when a custom count is set, then "Other..." last
//
// User-interface thread only.
#include <cstdint>

#include "analysis/components/variable_templates.h"
#include "ui/chooser.h"
#include "ui/dialog_base.h"
#include "ui/frame_items.h"

class T_Edit;
class T_EditCID;
class T_TFunc;

constexpr int64_t kShiftItemCustom = 10;

// The chooser's item of a shift, and the kind an item sets (-1: "Other...", -2 a separator).
int64_t TimeShiftItemOfKind(const TimeShift& shift);
int32_t TimeShiftKindOfItem(const TimeShift& shift, int64_t item);
int64_t TimeShiftItemCount(const TimeShift& shift);
// The custom description's number part: "+" before a positive count, nothing for 0.
void TimeShiftCountText(int32_t count, T_TextBuf* text);

class TimeShiftChooser : public T_Chooser {
 public:
  TimeShiftChooser(T_EventHandler* parent, const XYWH& rect, TimeShift* shift);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // The items and the current item anew from the shift.
  void Refresh();

  TimeShift* shift;
};

class T_CustomMove : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 194;
  static constexpr int32_t kHeight = 83;
  static constexpr uint32_t kCountEdit = 1;
  static constexpr uint32_t kUnitChooser = 2;
  T_CustomMove(T_Window* owner, const TimeShift& shift);

  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnButton(T_GrafElement* button) override;

  TimeShift shift;
  int32_t count;
  uint8_t cancelled = 0;
  T_Edit* edit = nullptr;
  T_Chooser* units = nullptr;
};

// Runs the dialog; true (and the shift changed) unless cancelled.
bool RunCustomMove(T_Window* owner, TimeShift* shift);

// "Time Axis": the diagram's from and to bounds of the window.
class T_TTimeLimits : public T_Frame {
 public:
  T_TTimeLimits(T_EventHandler* parent, T_TFunc* window);

  T_TFunc* window;
  T_EditCID* from = nullptr;
  T_EditCID* to = nullptr;
};

// "Value Axis": the value axis maximum and minimum, NaN meaning automatic.
class T_TValueLimits : public T_Frame {
 public:
  T_TValueLimits(T_EventHandler* parent, T_TFunc* window);
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;

  T_TFunc* window;
  T_Edit* edits[2] = {};
};

// The text of a value-axis edit: the number when finite, else empty.
void AxisLimitText(double value, T_TextBuf* text);
// The value of an edited text: NaN unless it reads as a finite number.
double AxisLimitOfText(const char* text);
