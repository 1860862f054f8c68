// The component functions window over the components window's fixture database: opening from a
// template, the recalculation against sums worked out from the fixture lines, the XML export,
// erasing, the clipboard and failures in the middle of a calculation.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "analysis/components/cfunc_window.h"
#include "core/alert.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "ui/clipboard_data.h"
#include "ui/native_menu.h"
#include "tests/analysis/components/calculation_faults.h"
#include "tests/analysis/components/cfunc/cfunc_window_fixture.h"

namespace {

using cfunc_test::CFuncWindowTest;
using cfunc_test::T_RecordedAlerts;
using comps_test::FixtureLines;

TEST_F(CFuncWindowTest, ATemplateWithoutSelectionsGetsASumNamedA) {
  ASSERT_TRUE(Open([](T_CFuncTmpl*) {}));
  ASSERT_NE(window->data.selections, nullptr);
  EXPECT_STREQ(window->data.selections->name, "A");
  EXPECT_EQ(window->data.selectionCount, 1);
  EXPECT_EQ(window->data.selections->method, kCMethodSum);
  double sum = 0;
  for (const auto& l : FixtureLines()) sum += l.value;
  EXPECT_DOUBLE_EQ(Total("*", 0), sum);
}

// Out of memory or the user's abort at any allocation of a recalculation with a selection and a
// formula: the window either has its full figures or is not calculated, and then Calc stays
// enabled; a run without a fault calculates again.
TEST_F(CFuncWindowTest, AFaultInTheMiddleOfACalculationLeavesCalcEnabled) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    AddSelection(t, "S", kCMethodSum);
    AddSelection(t, "M", kCMethodMaximum);
    T_CFormulaTmpl* f = t->AddFormula();
    f->SetName("F");
    BlockTextAssign(&f->formula, "S*2");
  }));
  comps_test::ExpectEveryCalculationFaultFailsCleanly(
      window, [this] { window->RunCalculation(true, true); }, [this] { return Xml(); });
}

TEST_F(CFuncWindowTest, TotalsAtEveryLevelMatchTheFixtureLines) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    AddSelection(t, "S", kCMethodSum);
    AddSelection(t, "N", kCMethodLineCount);
    AddSelection(t, "M", kCMethodMaximum);
    T_CFormulaTmpl* f = t->AddFormula();
    f->SetName("Avg");
    BlockTextAssign(&f->formula, "S/N");
    f->rule = kRuleApply;
  }));
  std::map<std::string, double> sums, counts, maxima;
  for (const auto& l : FixtureLines()) {
    const std::string account = l.account;
    for (size_t n = 1; n <= account.size(); ++n) {
      const std::string prefix = account.substr(0, n);
      sums[prefix] += l.value;
      counts[prefix] += 1;
      maxima[prefix] = maxima.count(prefix) ? std::max(maxima[prefix], l.value) : l.value;
    }
  }
  for (const auto& [code, sum] : sums) {
    ASSERT_GE(NodeOf(code), 0) << code;
    EXPECT_DOUBLE_EQ(Total(code, 0), sum) << code;
    EXPECT_EQ(Total(code, 1), counts[code]) << code;
    EXPECT_EQ(Total(code, 2), maxima[code]) << code;
    EXPECT_DOUBLE_EQ(Total(code, 3), sum / counts[code]) << code;
  }
}

TEST_F(CFuncWindowTest, XmlNamesEveryComponentAndColumn) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) { AddSelection(t, "Sum", kCMethodSum); }));
  const std::string xml = Xml();
  EXPECT_EQ(xml.rfind("<QEB-ComponentFunctions>\r\n\r\n", 0), 0u) << xml;
  EXPECT_NE(xml.find("<component code=\"2\" text=\"\" host=\"\">\r\n<column name=\"Sum\">0</column>"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("</QEB-ComponentFunctions>\r\n"), std::string::npos);
}

TEST_F(CFuncWindowTest, ErasingGuardsUsedVariablesAndResetsTheLastSelection) {
  T_RecordedAlerts alerts;
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    AddSelection(t, "S", kCMethodSum);
    T_CFormulaTmpl* f = t->AddFormula();
    f->SetName("F");
    BlockTextAssign(&f->formula, "S*2");
  }));
  T_CSelection* s = window->data.selections;
  window->SelectVariable(s);
  EXPECT_FALSE(window->EraseCurrent());
  EXPECT_EQ(alerts.messages, std::vector<int32_t>{kMsgCVariableInUse});
  window->SelectVariable(window->data.formulas);
  EXPECT_TRUE(window->EraseCurrent());
  EXPECT_EQ(window->data.formulaCount, 0);
  // The erased column is gone from the row texts, and they wait for the next calculation.
  RowTextPool pool;
  ASSERT_TRUE(pool.Init());
  window->GetRowTexts(&pool, 0);
  int32_t fields = 0;
  for (T_BoxField* f = window->firstField; f; f = f->next) ++fields;
  EXPECT_EQ(fields, 2);
  pool.Free();
  EXPECT_TRUE(window->CalcButtonEnabled());
  window->SelectVariable(s);
  s->method = kCMethodMaximum;
  EXPECT_TRUE(window->EraseCurrent());
  ASSERT_EQ(window->data.selections, s);
  EXPECT_STREQ(s->name, "A");
  EXPECT_EQ(s->method, kCMethodSum);
}

TEST_F(CFuncWindowTest, VariablesRoundTripThroughTheClipboardAndPasteOnTheOverviewReplaces) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    AddSelection(t, "S", kCMethodAverage, kLevelFromStart);
    T_CFormulaTmpl* f = t->AddFormula();
    f->SetName("F");
    f->rule = kRuleSum;
    BlockTextAssign(&f->formula, "S+1");
  }));
  window->mode = kCFuncModeOverview;
  ASSERT_TRUE(window->DoCommand(kCommandCopy));
  T_OStream before;
  for (T_CVariable* v = window->data.variables; v; v = v->next) v->WriteText(&before);
  // Change everything, then paste the copy back over the overview.
  CFuncNewFormula(&window->data, "G");
  window->data.selections->method = kCMethodMinimum;
  CFuncRename(&window->data, window->data.selections, "T");
  ASSERT_TRUE(window->DoCommand(kCommandPaste));
  T_OStream after;
  for (T_CVariable* v = window->data.variables; v; v = v->next) v->WriteText(&after);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(after.start), after.BufferedLength()),
            std::string(reinterpret_cast<const char*>(before.start), before.BufferedLength()));
  EXPECT_EQ(window->data.formulaCount, 1);
  EXPECT_EQ(window->data.selections->levelMode, kLevelFromStart);
}

TEST_F(CFuncWindowTest, SavedTemplateReopensWithTheSameVariables) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    AddSelection(t, "S", kCMethodMedian);
    T_CFormulaTmpl* f = t->AddFormula();
    f->SetName("F");
    f->rule = kRuleMaximum;
    BlockTextAssign(&f->formula, "S#");
  }));
  T_CFuncTmpl saved(base);
  window->SaveToTemplate(&saved);
  const std::string text = comps_test::WriteTemplate(&saved);
  EXPECT_NE(text.find("VN\tS"), std::string::npos) << text;
  EXPECT_NE(text.find("VM\tDC"), std::string::npos) << text;
  EXPECT_NE(text.find("FF\tS#"), std::string::npos) << text;
  EXPECT_NE(text.find("FS\tM"), std::string::npos) << text;
}

TEST_F(CFuncWindowTest, InfiniteCellsLeaveTheCurveRangeFinite) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    AddSelection(t, "S", kCMethodSum);
    T_CFormulaTmpl* f = t->AddFormula();
    f->SetName("F");
    BlockTextAssign(&f->formula, "S/0");
  }));
  EXPECT_TRUE(std::isinf(Total("1", 1)));
  EXPECT_TRUE(std::isfinite(window->largest));
  EXPECT_TRUE(std::isfinite(window->smallest));
  EXPECT_GT(window->largest, window->smallest);
}

TEST_F(CFuncWindowTest, TheNameFieldRenamesAndRestoresARefusedName) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    AddSelection(t, "S", kCMethodSum);
    T_CFormulaTmpl* f = t->AddFormula();
    f->SetName("F");
    BlockTextAssign(&f->formula, "S*2");
  }));
  window->SelectVariable(window->data.selections);
  ASSERT_EQ(window->mode, kCFuncModeSelection);
  T_GrafElement* name = nullptr;
  for (int32_t i = 0; i < window->panelItemCount; ++i) {
    auto* item = dynamic_cast<T_Item*>(window->panelItems[i]);
    if (item && item->id == 5330) name = item;
  }
  ASSERT_NE(name, nullptr);
  T_TextBuf text("f");
  window->OnEditText(&text, name);
  EXPECT_STREQ(text.data, "S");  // taken by the formula: the old name comes back
  TextBufAssign(&text, "Sales");
  window->OnEditText(&text, name);
  EXPECT_STREQ(window->data.selections->name, "Sales");
  EXPECT_STREQ(window->data.formulas->text, "Sales*2");
}

}  // namespace
