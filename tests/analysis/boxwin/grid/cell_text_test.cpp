// A number in a grid is drawn whole or as a row of '#', never cut; text stops before the next
// column; a title that does not fit ends in an ellipsis. Painted through the window's own drawing
// with the graphics port watching every text run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analysis/boxwin/cell_text.h"
#include "core/number_text.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/ui/layout_check.h"

using namespace box_test;
using ui_test::ClippedTextLog;

namespace {

std::string Number(double x) {
  char buffer[64];
  buffer[DoubleToStr(buffer, x)] = 0;
  return buffer;
}

bool AllHashes(const std::string& text) {
  return !text.empty() && text.find_first_not_of('#') == std::string::npos;
}

// The device rectangle of a field's cells (the grid's coordinates moved to the window's).
RECT ColumnOnWindow(T_BoxWin* box, int32_t field) {
  T_BoxField* f = box->GetField(field);
  return RECT{box->grid->offsetX + f->column.left, box->grid->offsetY,
              box->grid->offsetX + f->column.right, box->grid->offsetY + box->grid->height};
}

const ClippedTextLog::Entry* RunIn(const ClippedTextLog& log, const RECT& column) {
  for (const ClippedTextLog::Entry& e : log.entries) {
    if (e.clip.top >= column.top && e.clip.left >= column.left && e.clip.right <= column.right)
      return &e;
  }
  return nullptr;
}

using BoxCellTextTest = BoxTest;

TEST_F(BoxCellTextTest, NumbersAreWholeOrHashesAndTextStopsBeforeTheNextColumn) {
  const std::string values[] = {"-4,759,752.00", "(4,392,621.50)", "0.2383033419",
                                Number(1e300), Number(-0.0), Number(HUGE_VAL), Number(-HUGE_VAL),
                                Number(std::nan(""))};
  for (int32_t width : {2, 9, 30, 64, 240}) {
    for (const std::string& value : values) {
      SCOPED_TRACE(value + " in " + std::to_string(width));
      T_TestBox* box = NewBox({60, width, 60});
      box->GetField(1)->SetAlignment(kStyleRight);
      box->SetRows({{"T12 Rooibos vanilla", value, "SE01 Caf\xC3\xA9 \xC3\x85kerlund"}});
      ClippedTextLog log(true);
      ui_test::PaintWindow(box);
      // Nothing is drawn in part: not the number, not the texts on either side.
      ui_test::LayoutFaults faults = log.Faults();
      EXPECT_TRUE(faults.empty()) << faults;
      for (int32_t field : {0, 1, 2}) {
        RECT column = ColumnOnWindow(box, field);
        const ClippedTextLog::Entry* run = RunIn(log, column);
        if (!run) continue;  // nothing fits, not even one '#'
        EXPECT_GE(run->drawn.left, column.left - 1) << field;
        EXPECT_LE(run->drawn.right, column.right - kCellGap) << field << " " << run->text;
        if (field == 1) {
          EXPECT_TRUE(run->text == value || AllHashes(run->text)) << run->text;
        }
      }
      const ClippedTextLog::Entry* number = RunIn(log, ColumnOnWindow(box, 1));
      if (value.empty()) {
        EXPECT_EQ(number, nullptr);  // a missing value (NaN) shows as an empty cell
      } else if (width >= 240) {
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->text, value);
      }
      if (width == 30 && value.size() > 6) {
        ASSERT_NE(number, nullptr);
        EXPECT_TRUE(AllHashes(number->text)) << number->text;
      }
      EventHandler_CloseAndDelete(box, 0);
    }
  }
}

TEST_F(BoxCellTextTest, OutputKeepsTheWholeNumberOfANarrowColumn) {
  T_TestBox* box = NewBox({60, 9}, {"Name", "Accumulated"});
  box->SetRows({{"Sales", "-4,759,752.00"}});
  T_OStream stream;
  box->WriteText(&stream, 0);
  EXPECT_NE(StreamText(stream).find("-4,759,752.00"), std::string::npos) << StreamText(stream);
}

TEST_F(BoxCellTextTest, TitlesThatDoNotFitEndInAnEllipsis) {
  const std::string longTitle(500, 'N');
  struct Case {
    std::string title;
    int32_t width;
    bool whole;
  } cases[] = {
      {"Accumulated", 200, true},
      {"Accumulated", 40, false},
      {"Number of Lines", 50, false},
      {longTitle, 80, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title.substr(0, 20) + " in " + std::to_string(c.width));
    T_TestBox* box = NewBox({c.width, 60}, {c.title, "Next"});
    box->GetField(0)->SetAlignment(kStyleRight);
    ClippedTextLog log(true);
    ui_test::PaintWindow(box);
    ui_test::LayoutFaults faults = log.Faults();
    EXPECT_TRUE(faults.empty()) << faults;
    const ClippedTextLog::Entry* title = nullptr;
    for (const ClippedTextLog::Entry& e : log.entries) {
      if (e.text != "Next" && e.drawn.top < box->grid->offsetY) title = &e;
    }
    ASSERT_NE(title, nullptr);
    RECT rect;
    box->GetField(0)->GetTitleTextRect(&rect);
    EXPECT_LE(title->drawn.right - title->drawn.left, rect.right - rect.left);
    if (c.whole) {
      EXPECT_EQ(title->text, c.title);
    } else {
      EXPECT_TRUE(ui_test::EndsWithEllipsis(title->text)) << title->text;
      EXPECT_EQ(c.title.rfind(title->text.substr(0, title->text.size() - 3), 0), 0u);
    }
    EventHandler_CloseAndDelete(box, 0);
  }
}

TEST_F(BoxCellTextTest, AdjustColumnWidthsShowsEveryNumberAndTitleWhole) {
  T_TestBox* box = NewBox({20, 20, 20}, {"Account", "Accumulated", "Number of Lines"});
  for (int32_t field : {1, 2}) box->GetField(field)->SetAlignment(kStyleRight);
  box->SetRows({{"3010 F\xC3\xB6rs\xC3\xA4ljning", "-4,759,752.00", "12"},
                {"1910", Number(1e300), "7,761,406.25"}});
  box->FitAllFieldWidths();
  ClippedTextLog log(true);
  ui_test::PaintWindow(box);
  EXPECT_TRUE(log.Faults().empty()) << log.Faults();
  std::vector<std::string> drawn;
  for (const ClippedTextLog::Entry& e : log.entries) drawn.push_back(e.text);
  for (const std::string& whole : {std::string("Accumulated"), std::string("Number of Lines"),
                                   std::string("-4,759,752.00"), Number(1e300),
                                   std::string("7,761,406.25")}) {
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), whole), drawn.end()) << whole;
  }
  for (const std::string& text : drawn) EXPECT_FALSE(AllHashes(text)) << text;
}

TEST(BoxCellText, ReadsNumbersAsTheGridWritesThem) {
  struct Case {
    const char* text;
    bool number;
  } cases[] = {{"-4,759,752.00", true}, {"(1 234)", true},     {"1E+300", true},
               {"+inf", true},          {"-inf", true},        {"12\xC2\xA0" "5", true},
               {" 45 % ", true},        {"", false},           {"-", false},
               {"T12 Rooibos", false},  {"inf", false},        {"2026-12-11x", false}};
  for (const Case& c : cases) EXPECT_EQ(CellTextIsNumber(c.text), c.number) << c.text;
}

TEST(BoxFieldWidth, BadStoredWidthsTakeTheDefaultOrTheLimit) {
  struct Case {
    int32_t stored;
    int32_t built;
  } cases[] = {{0, 80},  {-5, 80}, {31, 80}, {32, 32}, {500, 500},
               {kMaxFieldWidth + 1, kMaxFieldWidth}, {std::numeric_limits<int32_t>::max(), kMaxFieldWidth},
               {std::numeric_limits<int32_t>::min(), 80}};
  for (const Case& c : cases) EXPECT_EQ(BuiltFieldWidth(c.stored, 32, 80), c.built) << c.stored;
}

}  // namespace
