// The transform and the aggregation over a lines window: only the listed lines, card by card in
// date order whatever the display sort.
#include <string>

#include "analysis/time/lines_install.h"
#include "analysis/time/lines_window.h"
#include "database/template_runner.h"
#include "tests/analysis/cards/operations_fixture.h"

namespace operations_test {
namespace {

// A card window showing a card, which refuses to close when asked to.
class T_FakeCardEditor : public T_HWindow {
 public:
  T_FakeCardEditor(T_Base* database, CardRecord* shown)
      : T_HWindow(kKindDocument, kWindowCardEditor, &kRect, 0, database, 1), card(shown) {}
  bool QueryClose(int32_t code) override {
    ++asked;
    return refuse ? false : T_HWindow::QueryClose(code);
  }
  static constexpr RECT kRect{10, 10, 200, 100};
  CardRecord* card;
  bool refuse = true;
  int32_t asked = 0;
};

T_FakeCardEditor* openEditors[2] = {};

class LinesOperationsTest : public OperationsTest {
 protected:
  void SetUp() override {
    OperationsTest::SetUp();
    InstallLinesWindow();
  }
  void TearDown() override {
    OperationsTest::TearDown();
    SetWindowOpener(kTemplateLines, nullptr);
    SetTemplateConstructor(kTemplateLines, nullptr);
  }
  // A hidden lines window, computed: the lines whose text matches, sorted by one column
  // descending.
  T_Lines* OpenLines(const char* lineText, int32_t sortColumn) {
    T_LinesTmpl templ(base);
    if (lineText) SelectionDef_setPattern(&templ.selection, kPatternLineText, lineText);
    templ.options.sortKeyCount = 1;
    templ.options.sortKeys[0] = LinesSortKey{};
    templ.options.sortKeys[0].column = sortColumn;
    templ.options.sortKeys[0].direction = 1;
    templ.options.sortKeys[0].valueOrder = 0;
    T_Lines* window = AsLinesWindow(OpenLinesWindow(&templ, nullptr, 0));
    EXPECT_NE(window, nullptr);
    if (!window) return nullptr;
    window->templ = nullptr;
    window->CalculateLines(true);
    return window;
  }
};

TEST_F(LinesOperationsTest, TransformRewritesOnlyTheListedLines) {
  T_Lines* window = OpenLines("Share", kLinesCardId);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->data.rowCount - window->data.headerRowCount, 2);
  ASSERT_TRUE(Transform(window, {"V=Amount*2", "LT=Part"}));
  EXPECT_EQ(Cards(),
            "##Cards\n-LN\t2\n\n"
            "C240101-1\tRent January\nS2405061020TST\n"
            "GU1\nL1000\t1\tRent\t5010\tP1\nL-1000\t0\tPaid\t1910\nGU2\nL500\t0\tPart\t5010\n\n"
            "C240116-1\tMid\nN2401161200AK\tNote\nS2401161100AK\t2405061020TST\n"
            "GU2\nL500\t0\tPart\t5010\n\n"
            "C240131-1\tSale\nGU1\nL-400\t0\tSold\t3010\n\n");
  // The rows pointed at the changed lines: they are gone until the window recalculates.
  EXPECT_EQ(window->data.rowCount, window->data.headerRowCount);
}

TEST_F(LinesOperationsTest, ARefusingCardWindowOnAListedCardCancelsTheTransform) {
  T_Lines* window = OpenLines("Share", kLinesCardId);
  ASSERT_NE(window, nullptr);
  CardId mid{PackDate(2024, 1, 16), 1};
  CardId sale{PackDate(2024, 1, 31), 1};
  openEditors[0] = new T_FakeCardEditor(base, base->SeekCard(&sale));
  SetEditorCardHook([](T_HWindow* w) -> const CardRecord* {
    for (T_FakeCardEditor* editor : openEditors)
      if (w == editor) return editor->card;
    return nullptr;
  });
  const std::string before = Cards();
  ASSERT_TRUE(Transform(window, {"V=Amount*2"}));  // the card not listed: its window is not asked
  EXPECT_EQ(openEditors[0]->asked, 0);
  window->CalculateLines(true);
  openEditors[1] = new T_FakeCardEditor(base, base->SeekCard(&mid));
  std::string after = Cards();
  Transform(window, {"LT=Gone"});
  EXPECT_EQ(openEditors[1]->asked, 1);
  EXPECT_EQ(Cards(), after);
  EXPECT_NE(after, before);
  for (T_FakeCardEditor*& editor : openEditors) {
    editor->refuse = false;
    editor = nullptr;
  }
}

TEST_F(LinesOperationsTest, AggregateFeedsInDateOrderWhateverTheDisplaySort) {
  // A February card whose line sorts between January's: fed in display order, January's
  // period would close at it and open again after it.
  std::string text(kFixture);
  text.insert(text.find("##End"), "C240210-1\tFee\nGU1\nL300\t0\tFee\t5010\t\n\n");
  DeleteBase(base, kCloseSilently);
  base = Read(text.c_str());
  T_Lines* window = OpenLines(nullptr, kLinesValueFirst);
  ASSERT_NE(window, nullptr);
  std::string shown;
  for (int64_t p = window->data.headerRowCount; p < window->data.rowCount; ++p)
    shown += std::to_string(static_cast<int64_t>(
        LineValues(LinesRowAt(&window->data, window->MapRow(p))->line)[0])) + " ";
  ASSERT_EQ(shown, "1000 300 250 250 -400 -1000 ");
  ASSERT_TRUE(Aggregate(window, {"-months"}));
  EXPECT_EQ(Cards(),
            "##Cards\n-LN\t2\n\n"
            "C240101-1\tAggregated 2401\nS2405061020TST\n"
            "GU1\nL-1000\t0\t\t1910\nL-400\t0\t\t3010\nL1000\t1\t\t5010\tP1\nGU2\nL500\t0\t\t5010\n\n"
            "C240201-1\tAggregated 2402\nS2405061020TST\nGU1\nL300\t0\t\t5010\n\n");
}

TEST_F(LinesOperationsTest, TheCommandsRunOnALinesTemplate) {
  ASSERT_TRUE(StoreTemplate(base, new T_LinesTmpl(base), "All lines"));
  base->RunCommandText("transform \"All lines\" LF=Share LT=Part\n", "test");
  EXPECT_NE(Cards().find("GU2\nL250\t0\tPart\t5010\n\nC240116-1"), std::string::npos) << Cards();
  base->RunCommandText("aggregate \"All lines\" -years\n", "test");
  EXPECT_EQ(Cards().find("C240116-1"), std::string::npos) << Cards();
  EXPECT_NE(Cards().find("C240101-1\tAggregated 2024\n"), std::string::npos) << Cards();
}

}  // namespace
}  // namespace operations_test
