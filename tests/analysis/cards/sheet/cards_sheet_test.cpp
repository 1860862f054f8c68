// The cards window on the example database: the example's "Cards" templates written back by the
// real template class exactly as the example stores them, the month template's exports as the
// golden files the program run of tests/app compares with, and the window painted in its states
// on one contact sheet (cards_sheet.bmp, made a PNG by the build) for a person to look at. The
// sheet's checks only make sure that each state drew something where it should.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/cards/cards_install.h"
#include "analysis/cards/cards_template.h"
#include "analysis/cards/cards_window.h"
#include "core/input_stream.h"
#include "database/base.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/analysis/cards/example_fixture.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/source_path.h"
#include "tests/ui/printing/fake_printer.h"
#include "tests/ui/scripted_popup.h"
#include "tests/ui/window_picture.h"
#include "tools/make_example/example_database.h"
#include "ui/mode_tree.h"
#include "ui/page_setup.h"
#include "ui/popup_menu.h"
#include "ui/printing.h"
#include "ui/sort_orders.h"

using namespace box_test;

namespace {

constexpr char kMonth[] = "Verifikationer: Mars 2026";
constexpr char kAll[] = "Verifikationer: Alla verifikationer";

// The written text equals the golden file; with QEB_UPDATE_GOLDEN set the run writes the golden
// file instead, to be looked at before it is committed.
void ExpectGolden(const std::string& golden, const std::string& written) {
  if (std::getenv("QEB_UPDATE_GOLDEN") != nullptr) {
    WriteWholeFile(golden, written);
  } else {
    EXPECT_EQ(written, ReadWholeFile(golden)) << golden;
  }
}

class CardsSheet : public cards_test::ExampleTest {
 protected:
  T_Cards* OpenStored(const char* path) {
    T_Template* templ = FindTemplate(base, path);
    if (!templ) return nullptr;
    auto* window = AsCardsWindow(RunTemplate(base, templ, nullptr, kRunNoLookup | kRunHidden));
    if (window) window->Calculate(true);
    return window;
  }
};

// The example builder writes the templates' records as text so that the file does not depend on
// the template class; the class must write them back unchanged.
TEST_F(CardsSheet, TheExampleCardsTemplatesWriteTheirRecordsBackUnchanged) {
  for (const char* path : {kAll, kMonth}) {
    SCOPED_TRACE(path);
    T_Template* templ = FindTemplate(base, path);
    ASSERT_NE(AsCardsTemplate(templ), nullptr);
    T_OStream first;
    templ->WriteText(&first);
    T_Template* copy = NewStandInTemplate(base, kTemplateCards);
    ASSERT_NE(copy, nullptr);
    T_IStream in;
    in.CtorFromOStream(&first);
    bool atLine = in.NextLine() && in.NextLine();
    copy->ReadRecords(&in, atLine);
    T_OStream again;
    copy->WriteText(&again);
    // The records after the template line, which names the stored path only.
    auto records = [](const T_OStream& stream) {
      std::string text = StreamText(stream);
      return text.substr(text.find('\n') + 1);
    };
    EXPECT_EQ(records(again), records(first));
    DeleteTemplate(copy);
    EXPECT_FALSE(AsBoxTemplate(templ)->openDirect) << "tools/run still shows the database window";
  }
  T_Cards* month = OpenStored(kMonth);
  ASSERT_NE(month, nullptr);
  EXPECT_EQ(month->options.keyCount, 2);
  EXPECT_GT(month->CountRows(kRowNotes), 0);
  EXPECT_GT(month->CountRows(kRowSignatures), 0);
  EventHandler_CloseAndDelete(month, 3);
}

// The golden files of the month template's three exports, which the program run of tests/app
// compares with the files its "##Commands" section exports from the example's text form.
TEST_F(CardsSheet, TheMonthTemplateExportsItsGoldenFiles) {
  T_Cards* window = OpenStored(kMonth);
  ASSERT_NE(window, nullptr);
  ScratchFolder folder;
  const struct {
    uint32_t format;
    const char* name;
    const char* left;
  } exports[] = {{kOutputText, "cards.txt", nullptr},
                 {kOutputHtml, "cards.htm", "cards_month.html"},
                 {kOutputXml, "cards.xml", "cards_month.xml"}};
  for (const auto& e : exports) {
    window->output.format = e.format;
    window->Export((folder / e.name).c_str(), 0);
    std::string text = ReadWholeFile(folder / e.name);
    ASSERT_FALSE(text.empty()) << e.name;
    ExpectGolden(TestSourcePath(std::string("tests/app/data/cards/") + e.name), text);
    if (e.left) LeaveOutput("cards_sheet", e.left, text);
  }
  EventHandler_CloseAndDelete(window, 3);
}

class CardsContactSheet : public CardsSheet {
 protected:
  static constexpr int32_t kColumns = 3;
  static constexpr int32_t kRows = 5;
  ui_test::ContactSheet sheet{kColumns, kRows, 640, 352};
};

TEST_F(CardsContactSheet, TheCardsWindowInItsStates) {
  auto open = [&](const char* path) {
    auto* window = AsCardsWindow(OpenCardsWindow(FindTemplate(base, path), nullptr, 0));
    if (window) window->RunCalculation(true, true);
    return window;
  };
  T_Cards* month = open(kMonth);
  ASSERT_NE(month, nullptr);
  int32_t slot = 0;
  auto shot = [&](T_Cards* window, const char* what) {
    SCOPED_TRACE(what);
    window->UpdateScrollBoxes(true);
    ui_test::Picture picture = ui_test::Capture(window);
    RECT gridArea{window->grid->x, window->grid->y, window->grid->x + 300, window->grid->y + 60};
    ui_test::ExpectDrawn(picture, gridArea, 20);
    sheet.Place(picture, slot++);
  };
  // The three pages of the mode box, on the month: two keys with their digits, grid lines,
  // notes and signatures rows.
  for (int32_t page : {3127, 3140, 3141}) {
    month->modeBox->SelectById(page);
    shot(month, "page");
  }
  // Contents "None", "Selected" and "All" for the groups.
  for (uint32_t mode : {kContentsNone, kContentsSelected, kContentsAll}) {
    month->SetContentsMode(0, mode);
    month->RunCalculation(true, true);
    shot(month, "contents");
  }
  // Every card with the single default key, which shows no marker, and then by the date only.
  T_Cards* all = open(kAll);
  ASSERT_NE(all, nullptr);
  shot(all, "one default key");
  all->options.keys[0] = CardsSortKey{kColDate, kSortDescending, 0, 0, 0};
  all->userSorted = 1;
  all->SortRows();
  all->UpdateSortMarkers();
  shot(all, "one key");
  all->SetContentsMode(1, kContentsNone);
  all->RunCalculation(true, true);
  shot(all, "lines none");

  // The fake printer's first pages of the month, two to a slot of the last row.
  fake::Install();
  fake::keepPages = true;
  HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_PORTRAIT);
  ASSERT_TRUE(Window_PrinterSetupReplace(month, block));
  GlobalFree(block);
  month->print.columnTitles = 1;
  EXPECT_TRUE(Window_Print(month, true));
  fake::Remove();
  ASSERT_GE(fake::printer.pages.size(), 1u);
  slot = (kRows - 1) * kColumns;
  for (size_t i = 0; i < fake::printer.pages.size() && i < 2 * kColumns; i += 2) {
    ui_test::Picture pair;
    pair.width = fake::kPageWidth;
    pair.height = 2 * fake::kPageHeight + 8;
    pair.pixels.assign(static_cast<size_t>(pair.width) * pair.height, 0x404040);
    for (size_t k = 0; k < 2 && i + k < fake::printer.pages.size(); ++k) {
      const std::vector<uint32_t>& page = fake::printer.pages[i + k];
      std::copy(
          page.begin(), page.end(),
          pair.pixels.begin() + static_cast<ptrdiff_t>(k * (fake::kPageHeight + 8) * pair.width));
    }
    sheet.Place(pair, slot++);
  }
  ASSERT_TRUE(sheet.Save("cards_sheet.bmp"));
  EventHandler_CloseAndDelete(all, 3);
  EventHandler_CloseAndDelete(month, 3);
}

}  // namespace
