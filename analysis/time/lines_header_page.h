#pragma once
// The "Header Rows" page of the lines window: the fifteen statistic check boxes (70..84) and the
// interest frame, whose edits 86 and 87 take the yearly rates as arithmetic expressions and whose
// chooser 88 picks linear or compound interest.
#include <cstdint>

#include "ui/frame_items.h"

class T_Lines;
class T_Edit;
class T_Chooser;

constexpr int32_t kLinesHeaderRowsPage = 5102;
constexpr uint32_t kStatCheckboxFirst = 70;
constexpr uint32_t kInterestFrameId = 85;
constexpr uint32_t kPositiveRateEdit = 86;
constexpr uint32_t kNegativeRateEdit = 87;
constexpr uint32_t kMethodChooser = 88;

// A rate as typed: the value of the arithmetic expression, or 0 when it is not one, is not
// finite or has a magnitude below 5.2e-7.
double RateFromText(const char* text);
// The stored rate as the edit shows it (the default number format; empty for 0).
void RateText(double rate, T_TextBuf* text);

class T_LinesInterestFrame : public T_Frame {
 public:
  T_LinesInterestFrame(T_Lines* window, T_EventHandler* parent);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  T_Lines* window;
  T_Edit* positive = nullptr;
  T_Edit* negative = nullptr;
  T_Chooser* method = nullptr;
};

// Builds the page's controls on the window's header area.
void OpenLinesHeaderRowsPage(T_Lines* window);
