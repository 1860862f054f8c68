// The pieces both function windows share: the median of a value collection (against a plain
// sort, and when growth fails), the formula token stepping, the method and colour choosers with
// the colour popup, and a contact sheet of both lists painted offscreen
// (function_choosers.bmp, turned into a PNG file by the build).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "analysis/components/function_window_utils.h"
#include "analysis/components/variable_templates.h"
#include "core/alert.h"
#include "core/memory.h"
#include "core/localized_text.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "tests/ui/picture_file.h"
#include "tests/ui/scripted_popup.h"
#include "ui/aa_drawing.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/text_style.h"
#include "ui/window_utilities.h"

namespace {

double PlainMedian(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

TEST(ValueCollection, MedianOfSmallSets) {
  ValueCollection c;
  ASSERT_TRUE(c.Init());
  EXPECT_TRUE(std::isnan(c.Median()));
  c.Append(7);
  EXPECT_EQ(c.Median(), 7);
  c.Clear();
  for (double v : {1, 5, 3, 9}) c.Append(v);
  EXPECT_EQ(c.Median(), 4);
  c.Append(2);
  EXPECT_EQ(c.Median(), 3);
  c.Clear();
  for (double v : {4, 8}) c.Append(v);
  EXPECT_EQ(c.Median(), 6);
  c.Free();
}

TEST(ValueCollection, MedianAfterAppendsMatchesAPlainSort) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> value(-1000, 1000);
  // Sizes that take each ordering path: the first selection, a full sort while the mark is
  // small, binary insertion of 1 to 3 values, and merging in chunks of 250.
  for (int32_t first : {3, 4, 9, 40, 1001}) {
    for (int32_t later : {1, 2, 3, 4, 300, 700}) {
      ValueCollection c;
      ASSERT_TRUE(c.Init());
      std::vector<double> all;
      for (int32_t i = 0; i < first; ++i) {
        double v = std::floor(value(random));  // repeated values too
        all.push_back(v);
        c.Append(v);
      }
      EXPECT_EQ(c.Median(), PlainMedian(all)) << first;
      for (int32_t round = 0; round < 3; ++round) {
        for (int32_t i = 0; i < later; ++i) {
          double v = value(random);
          all.push_back(v);
          c.Append(v);
        }
        ASSERT_EQ(c.Median(), PlainMedian(all)) << first << " + " << later << " round " << round;
        EXPECT_EQ(c.Median(), PlainMedian(all));  // asked again without appends
      }
      ValueCollection copy;
      ASSERT_TRUE(copy.Init());
      ASSERT_TRUE(copy.AppendAll(c));
      EXPECT_EQ(copy.Median(), PlainMedian(all));
      copy.Free();
      c.Free();
    }
  }
}

TEST(ValueCollection, FailedGrowthLeavesOutOfMemoryPending) {
  PendingErrorClear();
  ValueCollection c;
  ASSERT_TRUE(c.Init());
  for (int32_t i = 0; i < 32; ++i) ASSERT_TRUE(c.Append(i));
  SetFuncAllocFailHook([] { return true; });
  EXPECT_FALSE(c.Append(99));
  SetFuncAllocFailHook(nullptr);
  EXPECT_EQ(PendingError.request.message, 600);
  EXPECT_EQ(c.count, 32);
  EXPECT_TRUE(c.Append(100));  // memory back: it grows by 256
  EXPECT_EQ(c.room, 32 + 256);
  c.Free();
  PendingErrorClear();
}

// A roll-up appends whole lists: each append grows the collection at most once, still in steps
// of 256, and a reserved collection does not grow at all.
TEST(ValueCollection, AppendAllGrowsOnceInStepsOf256) {
  static int32_t growths = 0;
  growths = 0;
  ValueCollection part, all;
  ASSERT_TRUE(part.Init());
  for (int32_t i = 0; i < 1000; ++i) ASSERT_TRUE(part.Append(i));
  ASSERT_TRUE(all.Init());
  SetFuncAllocFailHook([] { return ++growths, false; });
  ASSERT_TRUE(all.AppendAll(part));
  EXPECT_EQ(growths, 1);
  EXPECT_EQ(all.count, 1000);
  EXPECT_EQ(all.room, 32 + 4 * 256);
  ASSERT_TRUE(all.Reserve(3000));
  EXPECT_EQ(all.room, 32 + 12 * 256);
  growths = 0;
  ASSERT_TRUE(all.AppendAll(part));
  ASSERT_TRUE(all.AppendAll(part));
  EXPECT_EQ(growths, 0);
  SetFuncAllocFailHook(nullptr);
  EXPECT_EQ(all.count, 3000);
  EXPECT_EQ(all.Median(), 499.5);
  part.Free();
  all.Free();
}

TEST(FormulaTokenLength, StepsOverFunctionsOperatorsAndMarks) {
  struct Case {
    const char* text;
    int32_t length;
  };
  const Case cases[] = {{"sqrt(2)", 4}, {"+1", 1}, {"^2", 1}, {"#A", 1}, {"!x", 1},
                        {"(a)", 1},     {")", 1},  {"Sales", 0}, {"", 0}, {"<=3", 2}};
  for (const Case& c : cases) EXPECT_EQ(FormulaTokenLength(c.text), c.length) << c.text;
  EXPECT_EQ(FormulaTokenLength(nullptr), 0);
}

using dialogs_test::DialogTest;
using FunctionChoosers = DialogTest;

constexpr XYWH kRect{10, 10, 200, 16};

TEST_F(FunctionChoosers, MethodChooserSelectsByTextIdAndFallsBackToTheFirst) {
  T_HDialog dialog(300, 200, nullptr, nullptr);
  const int32_t ids[] = {5310, 5311, 0, 5307, 5308, 0, 5315, -1};
  auto* chooser = new T_ChooseCombination(&dialog, kRect, 1, ids, 0);
  EXPECT_EQ(chooser->count, 7);
  EXPECT_EQ(chooser->current, 3);
  EXPECT_EQ(chooser->SelectedMethod(), 0);
  chooser->SelectMethod(kMethodSum);
  EXPECT_EQ(chooser->current, 0);
  chooser->SelectMethod(8);
  EXPECT_EQ(chooser->SelectedMethod(), 8);
  chooser->SelectMethod(kMethodLast);  // not in the list
  EXPECT_EQ(chooser->current, 0);
  ChooserEvent separator;
  chooser->DescribeItem(2, &separator);
  EXPECT_EQ(separator.text, nullptr);
  ChooserEvent median;
  chooser->DescribeItem(6, &median);
  EXPECT_STREQ(median.text, "Median");
  auto* other = new T_ChooseCombination(&dialog, kRect, 2, ids, kMethodFirst);
  EXPECT_EQ(other->current, 0);
}

TEST_F(FunctionChoosers, ColourChooserSelectsFromTheEndAndShowsPicturesWhenAsked) {
  T_HDialog dialog(300, 200, nullptr, nullptr);
  auto* on = new T_ChooseColor(&dialog, kRect, 1, true, 13);
  EXPECT_EQ(on->count, 17);
  EXPECT_EQ(on->SelectedColor(), 13);
  ChooserEvent red;
  on->DescribeItem(on->current, &red);
  EXPECT_STREQ(red.text, "Red");
  EXPECT_EQ(red.picture, 30013);
  auto* off = new T_ChooseColor(&dialog, kRect, 2, false, 3);  // not in the list: White
  EXPECT_EQ(off->current, 0);
  EXPECT_EQ(off->SelectedColor(), 0);
  ChooserEvent white;
  off->DescribeItem(0, &white);
  EXPECT_STREQ(white.text, "White");
  EXPECT_EQ(white.picture, kColourPictureOff);
}

TEST_F(FunctionChoosers, ColourPopupSelectsTheChosenEntryWithNotification) {
  struct T_Recorder : public T_HDialog {
    T_Recorder() : T_HDialog(300, 200, nullptr, nullptr) {}
    void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override {
      if (record->code == kChooserChosen) chosen.push_back(record->index);
      T_HDialog::OnChooserEvent(chooser, record);
    }
    std::vector<int64_t> chosen;
  } dialog;
  auto* chooser = new T_ChooseColor(&dialog, kRect, 1, true, 10);
  std::vector<ui_test::PopupStep> steps = {
      // The popup opens on the current colour; the first key takes the keyboard, the next one
      // steps to the entry below.
      ui_test::PopupKey(kKeyDown),
      ui_test::PopupKey(kKeyDown),
      ui_test::PopupKey(kKeyEnter),
  };
  ui_test::SetPopupScript(&steps);
  SetPopupInputSource(ui_test::ScriptedPopupInput);
  int32_t chosen = chooser->RunPopup();
  SetPopupInputSource(nullptr);
  ui_test::SetPopupScript(nullptr);
  EXPECT_EQ(chosen, 5);
  EXPECT_EQ(chooser->SelectedColor(), 11);
  EXPECT_EQ(dialog.chosen, (std::vector<int64_t>{5}));
}

// Both lists painted the way their popups draw their entries.
TEST(FunctionChooserSheet, PaintsTheMethodListAndTheColourSwatches) {
  AaStartup();
  PaletteReset();
  Gfx.foreColour = kColourBlack;
  Gfx.backColour = kColourWhite;
  Gfx.style = TextStyleStandard;
  GraphicsPort port;
  OffscreenBitmap bitmap;
  PortInitRegions(&port);
  const int32_t width = 300;
  const int32_t height = 17 * 14 + 8;
  RECT all{0, 0, width, height};
  ASSERT_TRUE(PortOpenOffscreen(&port, &bitmap, &all));
  const int32_t methods[] = {5307, 5308, 5309, 0, 5310, 5311, 5312, 0, 5313, 5314, 5315,
                             5316, 5317, 5318, 5319, 0, 5320, 5321};
  int32_t y = 4;
  for (int32_t id : methods) {
    RECT row{6, y, 140, y + 12};
    if (id == 0) {
      DrawEtchedHLineAcross(&row);
    } else {
      ChooserEvent record;
      record.text = GetString(id);
      ChooserDrawItem(&record, &row);
    }
    y += 12;
  }
  y = 4;
  for (int32_t colour : kColourList) {
    RECT row{160, y, 296, y + 14};
    DrawColourListItem(&row, colour, ColourName(colour));
    y += 14;
  }
  uint32_t* pixels = PixelsRead(port.dc, 0, 0, width, height);
  ASSERT_NE(pixels, nullptr);
  // The blue swatch (seventh entry) is filled with blue inside its outline.
  uint32_t blue = pixels[(4 + 6 * 14 + 5) * width + 160 + 10];
  EXPECT_LT(blue >> 16, 0x80u);
  EXPECT_GT(blue & 0xFF, 0x80u);
  EXPECT_TRUE(WritePixelsAsBitmap(pixels, width, height, "function_choosers.bmp"));
  MemFree(pixels);
  PortClose(&port);
  PortFreeRegions(&port);
  OffscreenFree(&bitmap);
}

}  // namespace
