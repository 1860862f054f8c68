#include "analysis/time/lines_header_page.h"

#include <cmath>

#include "analysis/time/lines_window.h"
#include "core/formula.h"
#include "core/localized_text.h"
#include "core/number_text.h"
#include "core/value_format.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"

namespace {

constexpr int32_t kTextInterest = 5120;
constexpr int32_t kTextPositiveBalances = 5121;
constexpr int32_t kTextCalculation = 5123;
constexpr int32_t kTextLinear = 5124;

// The three columns of check boxes: statistic flags in their groups.
struct Place {
  int32_t flag;
  int32_t column;
  int32_t row;    // rows 16 pixels apart
  int32_t group;  // groups 7 pixels apart
};
constexpr Place kPlaces[kStatCount] = {
    {kStatBefore, 0, 0, 0},       {kStatPositive, 0, 1, 1}, {kStatNegative, 0, 2, 1},
    {kStatPeriod, 0, 3, 1},       {kStatAfter, 0, 4, 2},    {kStatLineCount, 1, 0, 0},
    {kStatCardCount, 1, 1, 0},    {kStatAverage, 1, 2, 1},  {kStatMedian, 1, 3, 1},
    {kStatMaximum, 1, 4, 2},      {kStatMinimum, 1, 5, 2},  {kStatTurnoverTime, 2, 0, 0},
    {kStatTurnoverRate, 2, 1, 0}, {kStatVariance, 2, 2, 1}, {kStatDeviation, 2, 3, 1},
};

}  // namespace

double RateFromText(const char* text) { return ZeroTinyValue(Expr_Evaluate(text ? text : "")); }

void RateText(double rate, T_TextBuf* text) {
  TextBufAssign(text, "");
  if (rate == 0) return;
  char buffer[kFormatDoubleMax + 1];
  DoubleToStr(buffer, rate);
  TextBufAssign(text, buffer);
}

T_LinesInterestFrame::T_LinesInterestFrame(T_Lines* owner, T_EventHandler* parent)
    : T_Frame(parent, {420, 17, 190, 57}, kInterestFrameId, false), window(owner) {
  SetTitleId(kTextInterest);
  T_TextBuf text;
  for (int32_t i = 0; i < 2; ++i) {
    auto* label = new (std::nothrow) T_Text(this, {6, 3 + 17 * i, 110, 12}, true);
    if (label) label->SetTextId(kTextPositiveBalances + i);
    auto* edit =
        new (std::nothrow) T_Edit(this, {120, 3 + 17 * i, 40, 12},
                                  i == 0 ? kPositiveRateEdit : kNegativeRateEdit, true, true);
    RateText(i == 0 ? window->options.positiveRate : window->options.negativeRate, &text);
    if (edit) edit->SetText(text.data);
    (i == 0 ? positive : negative) = edit;
    auto* percent = new (std::nothrow) T_Text(this, {168, 3 + 17 * i, 14, 12}, true);
    if (percent) percent->SetTextRef("%");
  }
  method = new (std::nothrow)
      T_Chooser(this, {6, 39, 181, 15}, kMethodChooser, 2, window->options.interestMethod, true);
  if (method) method->SetTitleId(kTextCalculation);
  EventHandler_Open(this);
}

void T_LinesInterestFrame::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != method) {
    T_Frame::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    record->text = GetString(kTextLinear + static_cast<int32_t>(record->index));
    return;
  }
  window->options.interestMethod = static_cast<int32_t>(record->index);
  if (window->options.positiveRate != 0 || window->options.negativeRate != 0)
    window->MarkNeedsCalc();
}

void OpenLinesHeaderRowsPage(T_Lines* window) {
  window->ClosePanelPage();
  T_EventHandler* parent = window->modeItem ? static_cast<T_EventHandler*>(window->modeItem)
                                            : static_cast<T_EventHandler*>(window);
  auto keep = [window](T_GrafElement* item) {
    if (item && window->panelItemCount < 16)
      window->panelItems[window->panelItemCount++] = item;
    else
      delete item;
  };
  // Three columns of check boxes; one frame holds them so the page keeps few items.
  auto* boxes = new (std::nothrow) T_Frame(parent, {4, 4, 410, 120}, 69, true);
  if (boxes) {
    for (const Place& p : kPlaces) {
      auto* box = new (std::nothrow)
          T_Checkbox(boxes, {6 + 135 * p.column, 2 + 16 * p.row + 7 * p.group, 130, 14},
                     kStatCheckboxFirst + static_cast<uint32_t>(p.flag), true);
      if (!box) continue;
      box->SetLabelId(kStatFirstText + p.flag);
      box->SetChecked(window->options.statistics[p.flag] != 0);
    }
  }
  keep(boxes);
  keep(new (std::nothrow) T_LinesInterestFrame(window, parent));
  window->openPanelPage = kLinesHeaderRowsPage;
}
