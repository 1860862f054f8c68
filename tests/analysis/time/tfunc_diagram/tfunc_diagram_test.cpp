// The time functions diagram drawn into an offscreen port over a hand-made period table, probed
// pixel by pixel relative to the laid-out plot, and its hit test; a contact sheet of the bar
// modes, step curves, a gap and the line styles for a person to look at.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analysis/time/tfunc_diagram.h"
#include "core/memory.h"
#include "tests/analysis/time/time_fixture.h"
#include "tests/ui/offscreen_fixture.h"
#include "tests/ui/picture_file.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr uint32_t kWhite = 0xFFFFFF;

uint32_t Rgb(int32_t index) {
  const COLORREF c = PaletteColour(index);
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

struct Period {
  PackedDate date;
  std::vector<double> values;
};

class TFuncDiagramTest : public OffscreenPortTest {
 protected:
  static constexpr int32_t kWidth = 240, kHeight = 160;

  RECT PortRect() const override { return RECT{0, 0, kWidth, kHeight}; }
  void SetUp() override {
    PendingErrorClear();
    OffscreenPortTest::SetUp();
    RECT rect = PortRect();
    RectErase(&rect);
    base = time_test::NewFixtureBase();
    TFuncDataInit(&data, base);
  }
  void TearDown() override {
    TFuncDataFree(&data);
    delete base;
    OffscreenPortTest::TearDown();
    PendingErrorClear();
  }

  // The table: the Before values, then one period per entry; every column a series of its form
  // and colour; a plot of one pixel per value unit and `dayWidth` pixels per day from the first
  // date, values 20 at the top and -10 at the bottom.
  void Build(int32_t type, const std::vector<double>& before, const std::vector<Period>& periods,
             const std::vector<int32_t>& forms, int32_t dayWidth = 10, int32_t days = 10) {
    const int32_t columns = static_cast<int32_t>(forms.size());
    data.typeInForce = type;
    data.columnCount = columns;
    PagedArrayTruncate(&data.periods, 0);
    ASSERT_TRUE(PagedArraySetWidth(&data.periods, kTFuncEntryHeader + 8 * columns));
    data.periodCount = 0;
    auto add = [&](CardId end, const std::vector<double>& values) {
      auto* e = reinterpret_cast<TFuncEntry*>(PagedArrayAtGrow(&data.periods, data.periodCount++));
      ASSERT_NE(e, nullptr);
      e->end = end;
      e->dayPosition = 0;
      for (int32_t c = 0; c < columns; ++c) e->values[c] = values[static_cast<size_t>(c)];
    };
    add(CardId{PackDate(2023, 12, 31), 0x7fffffff}, before);
    add(CardId{0, 0}, std::vector<double>(forms.size(), 0.0));
    for (const Period& p : periods) add(CardId{p.date, 0x7fffffff}, p.values);
    data.firstDate = PackDate(2024, 1, 1);
    data.lastDate = dayNumberToDate(PackedDateToDayNumber(data.firstDate) + days - 1);
    TFuncComputeDayPositions(&data);
    static const int32_t colours[] = {13, 19, 21, 15, 12, 22};
    series.assign(forms.size(), TFuncSeries{});
    pointers.clear();
    for (size_t c = 0; c < forms.size(); ++c) {
      series[c].variable = TFuncNewSelection(&data, nullptr);
      series[c].diagramForm = forms[c];
      series[c].colour = colours[c % 6];
    }
    for (TFuncSeries& s : series) pointers.push_back(&s);
    layout = DiagramLayout{};
    DiagramFlagsInit(&layout.flags);
    layout.range = {data.firstDate, data.lastDate, 20, -10};
    layout.diagram = RECT{0, 0, 20 + 7 + dayWidth * days, 30 + 19};
    LayoutDiagram(&layout, nullptr, nullptr);
  }
  TFuncDiagram Diagram(int32_t mode) {
    return TFuncDiagramOf(&data, pointers.data(), static_cast<int32_t>(pointers.size()), mode);
  }
  void Draw(int32_t mode) {
    RECT all{0, 0, kWidth, kHeight};
    RectErase(&all);
    TFuncDrawDiagram(layout, Diagram(mode));
  }
  uint32_t Pixel(int32_t x, int32_t y) { return PixelRgb(x, y); }
  int32_t Zero() const { return layout.valueOrigin; }
  int32_t DayLeft(int32_t day) const { return layout.plot.left + 10 * day; }

  T_Base* base = nullptr;
  TFuncData data;
  std::vector<TFuncSeries> series;
  std::vector<TFuncSeries*> pointers;
  DiagramLayout layout;
};

TEST_F(TFuncDiagramTest, LayoutOfTheFixtureIsOnePixelPerUnit) {
  Build(kPeriodDays, {0}, {{PackDate(2024, 1, 1), {1}}}, {2});
  EXPECT_EQ(ValueToY(layout, 0) - ValueToY(layout, 8), 8);
  EXPECT_EQ(DateEndToX(layout, data.firstDate) - DateToX(layout, data.firstDate), 10);
}

TEST_F(TFuncDiagramTest, StackedBarsRunOnTheirSignsSums) {
  // 3, -2 and 5: up bars 8 (the third series) then 3 (the first) over it, a down bar 2.
  Build(kPeriodDays, {0, 0, 0}, {{PackDate(2024, 1, 1), {3, -2, 5}}}, {2, 2, 2});
  Draw(kBarsStacked);
  const int32_t x = DayLeft(0) + 5, z = Zero();
  EXPECT_EQ(Pixel(x, z - 2), Rgb(13));
  EXPECT_EQ(Pixel(x, z - 6), Rgb(21));
  EXPECT_EQ(Pixel(x, z - 8), Rgb(21));
  EXPECT_EQ(Pixel(x, z - 9), kWhite);
  EXPECT_EQ(Pixel(x, z + 2), Rgb(19));
  EXPECT_EQ(Pixel(x, z + 3), kWhite);
  TFuncDiagram d = Diagram(kBarsStacked);
  TFuncDiagramRange(&layout, d);
  EXPECT_EQ(layout.range.top, 8);
  EXPECT_EQ(layout.range.bottom, -2);
  d.axisMax = 100;
  TFuncDiagramRange(&layout, d);
  EXPECT_EQ(layout.range.top, 100);
  EXPECT_EQ(layout.range.bottom, -2);
}

TEST_F(TFuncDiagramTest, BarModesLayOutTheirSlots) {
  // Three bars in a 10-pixel period. Side by side: slots of 3 from one pixel in. In steps: one
  // pixel in, step 8 / 4 = 2, bars 8 - 2 x 2 = 4 wide. Nested: narrower by 10 / 3 from the right.
  Build(kPeriodDays, {0, 0, 0}, {{PackDate(2024, 1, 1), {6, 4, 2}}}, {2, 2, 2});
  const int32_t left = DayLeft(0), y = Zero() - 1;
  const struct {
    int32_t mode;
    std::vector<uint32_t> row;  // x = left .. left + 10
  } cases[] = {
      {kBarsSideBySide,
       {kWhite, Rgb(13), Rgb(13), Rgb(13), Rgb(19), Rgb(19), Rgb(19), Rgb(21), Rgb(21), Rgb(21),
        kWhite}},
      {kBarsSteps,
       {kWhite, Rgb(13), Rgb(13), Rgb(19), Rgb(19), Rgb(21), Rgb(21), Rgb(21), Rgb(21), kWhite,
        kWhite}},
      {kBarsNested,
       {Rgb(21), Rgb(21), Rgb(21), Rgb(21), Rgb(19), Rgb(19), Rgb(19), Rgb(13), Rgb(13), Rgb(13),
        kWhite}},
      {kBarsOverlapping,
       {Rgb(21), Rgb(21), Rgb(21), Rgb(21), Rgb(21), Rgb(21), Rgb(21), Rgb(21), Rgb(21), Rgb(21),
        kWhite}},
  };
  for (const auto& c : cases) {
    Draw(c.mode);
    for (size_t i = 0; i < c.row.size(); ++i)
      EXPECT_EQ(Pixel(left + static_cast<int32_t>(i), y), c.row[i]) << c.mode << " x+" << i;
  }
}

TEST_F(TFuncDiagramTest, OverlappingBarsHitTheTopmostVisiblePart) {
  Build(kPeriodDays, {0, 0}, {{PackDate(2024, 1, 1), {8, 3}}}, {2, 2});
  const TFuncDiagram d = Diagram(kBarsOverlapping);
  const int32_t x = DayLeft(0) + 5, z = Zero();
  TFuncHit hit;
  Region shape;
  ASSERT_TRUE(TFuncHitDiagram(layout, d, POINT{x, z - 2}, &hit, &shape));
  EXPECT_EQ(hit.column, 1);
  EXPECT_EQ(hit.entry, kEntryFirstPeriod);
  ASSERT_TRUE(TFuncHitDiagram(layout, d, POINT{x, z - 6}, &hit, &shape));
  EXPECT_EQ(hit.column, 0);
  EXPECT_TRUE(PtInRegion(shape.handle, x, z - 6));
  EXPECT_FALSE(PtInRegion(shape.handle, x, z - 2));
  EXPECT_FALSE(TFuncHitDiagram(layout, d, POINT{x, z}, &hit, &shape));
  EXPECT_EQ(hit.entry, -1);
  // A deleted variable's bar is not hit.
  series[0].variable = nullptr;
  EXPECT_FALSE(TFuncHitDiagram(layout, d, POINT{x, z - 6}, &hit, &shape));
  RgnFree(&shape);
}

TEST_F(TFuncDiagramTest, CurveBreaksAtAMissingValue) {
  // Values 5, 10, -, 10, 5 over five days: the curve reaches a value at its period's end.
  Build(kPeriodDays, {5},
        {{PackDate(2024, 1, 1), {5}},
         {PackDate(2024, 1, 2), {10}},
         {PackDate(2024, 1, 3), {kNaN}},
         {PackDate(2024, 1, 4), {10}},
         {PackDate(2024, 1, 5), {5}}},
        {1}, 10, 5);
  Draw(0);
  const int32_t y5 = ValueToY(layout, 5), y10 = ValueToY(layout, 10);
  const uint32_t red = Rgb(13);
  EXPECT_EQ(Pixel(DayLeft(0) + 4, y5), red);
  EXPECT_EQ(Pixel(DayLeft(1) + 9, y5 - 2), red);  // the step up at the second period's end
  EXPECT_EQ(Pixel(DayLeft(2) + 5, y10), red);     // at 10 through the third period
  EXPECT_EQ(Pixel(DayLeft(2) + 9, y10 + 2), kWhite);  // no step into the gap
  EXPECT_EQ(Pixel(DayLeft(3) + 5, y10), kWhite);  // nothing while the value is missing
  EXPECT_EQ(Pixel(DayLeft(3) + 9, y10 + 2), kWhite);  // nor a step out of it
  EXPECT_EQ(Pixel(DayLeft(4) + 5, y10), red);
  EXPECT_EQ(Pixel(DayLeft(4) + 9, y10 + 2), red);
}

TEST_F(TFuncDiagramTest, ACurveStepIsHitFromTwoPixelsAway) {
  Build(kPeriodDays, {5}, {{PackDate(2024, 1, 1), {5}}, {PackDate(2024, 1, 2), {10}}}, {1}, 10, 2);
  const TFuncDiagram d = Diagram(0);
  const int32_t step = DayLeft(1) + 9, middle = ValueToY(layout, 7);
  TFuncHit hit;
  Region shape;
  ASSERT_TRUE(TFuncHitDiagram(layout, d, POINT{step + 2, middle}, &hit, &shape));
  EXPECT_EQ(hit.entry, kEntryFirstPeriod + 1);
  EXPECT_EQ(hit.column, 0);
  EXPECT_TRUE(PtInRegion(shape.handle, step + 2, middle));  // swept back to the pointer
  EXPECT_TRUE(PtInRegion(shape.handle, step, ValueToY(layout, 5)));
  EXPECT_FALSE(TFuncHitDiagram(layout, d, POINT{step + 4, middle}, &hit, &shape));
  RgnFree(&shape);
}

TEST_F(TFuncDiagramTest, OneBarSeriesMergesTheEntriesOfAPixelColumn) {
  // Active Cards at one pixel a day: four cards of one day fall on one column.
  const PackedDate day = PackDate(2024, 1, 3);
  Build(kPeriodActiveCards, {0},
        {{day, {3}}, {day, {7}}, {day, {-4}}, {day, {-2}}}, {2}, 1, 100);
  Draw(0);
  const int32_t x = DateBarToX(layout, day, TFuncEntryAt(&data, 2)->dayPosition);
  const int32_t z = Zero();
  EXPECT_EQ(Pixel(x, z - 7), Rgb(13));
  EXPECT_EQ(Pixel(x, z - 8), kWhite);
  EXPECT_EQ(Pixel(x, z + 4), Rgb(13));
  EXPECT_EQ(Pixel(x, z + 5), kWhite);
  EXPECT_FLOAT_EQ(TFuncEntryAt(&data, 3)->dayPosition, 0.4f);
}

TEST_F(TFuncDiagramTest, AnInvertedAxisDrawsPositiveBarsDownward) {
  Build(kPeriodDays, {0}, {{PackDate(2024, 1, 1), {5}}}, {2});
  layout.flags.on[kFlagInvertedAxis] = 1;
  LayoutDiagram(&layout, nullptr, nullptr);
  Draw(kBarsSideBySide);
  const int32_t x = DayLeft(0) + 5, z = Zero();
  EXPECT_EQ(Pixel(x, z + 5), Rgb(13));
  EXPECT_EQ(Pixel(x, z + 6), kWhite);
  EXPECT_EQ(Pixel(x, z - 1), kWhite);
  TFuncHit hit;
  EXPECT_TRUE(TFuncHitDiagram(layout, Diagram(kBarsSideBySide), POINT{x, z + 3}, &hit, nullptr));
  EXPECT_FALSE(TFuncHitDiagram(layout, Diagram(kBarsSideBySide), POINT{x, z - 3}, &hit, nullptr));
}

TEST_F(TFuncDiagramTest, MarginsFollowTheWidestCurve) {
  Build(kPeriodDays, {0, 0}, {{PackDate(2024, 1, 1), {1, 2}}}, {1, 2});
  series[0].lineStyle = 4;
  TFuncValueMargins(&layout, Diagram(0));
  EXPECT_EQ(layout.topInset, 2);
  EXPECT_EQ(layout.bottomInset, 1 + 2);  // the lower bound -10 is not 0
  series[0].diagramForm = 0;
  TFuncValueMargins(&layout, Diagram(0));
  EXPECT_EQ(layout.topInset + layout.bottomInset, 0);
}

// --- The contact sheet -----------------------------------------------------------------------------

TEST_F(TFuncDiagramTest, ContactSheet) {
  constexpr int32_t kColumns = 4, kRows = 3, kCellWidth = kWidth, kCellHeight = 80;
  std::vector<uint32_t> sheet(static_cast<size_t>(kColumns * kCellWidth) * kRows * kCellHeight,
                              0x404040);
  int32_t slot = 0;
  auto place = [&]() {
    uint32_t* pixels = PixelsRead(port.dc, 0, 0, kCellWidth - 4, kCellHeight - 4);
    ASSERT_NE(pixels, nullptr);
    const int32_t ox = (slot % kColumns) * kCellWidth, oy = (slot / kColumns) * kCellHeight;
    for (int32_t y = 0; y < kCellHeight - 4; ++y)
      for (int32_t x = 0; x < kCellWidth - 4; ++x)
        sheet[static_cast<size_t>(oy + y) * kColumns * kCellWidth + ox + x] =
            pixels[static_cast<size_t>(y) * (kCellWidth - 4) + x];
    MemFree(pixels);
    ++slot;
  };
  auto frame = [&]() {
    T_ForeIndex grey(6);
    DrawHLine(layout.plot.left, Zero(), layout.plotWidth);
    RECT plot = layout.plot;
    RectFrame(&plot);
  };
  // Ranges, margins and layout for a plot 70 pixels high, then the drawing, clipped to the plot.
  auto show = [&](const TFuncDiagram& d) {
    layout.diagram.bottom = 70;
    TFuncDiagramRange(&layout, d);
    TFuncValueMargins(&layout, d);
    LayoutDiagram(&layout, nullptr, nullptr);
    RECT all{0, 0, kWidth, kHeight};
    RectErase(&all);
    PortSetClipRect(&layout.plot);
    TFuncDrawDiagram(layout, d);
    PortSetClip(nullptr);
    frame();
    place();
  };
  // The five bar modes over months of positive and negative values.
  std::vector<Period> months;
  for (int32_t m = 0; m < 6; ++m)
    months.push_back({PackDate(2024, 1, 1 + 3 * m), {double(m % 3 + 2), double(3 - m), 1.5 * m - 4}});
  for (int32_t mode = kBarsSideBySide; mode <= kBarsStacked; ++mode) {
    Build(kPeriodDays, {0, 0, 0}, months, {2, 2, 2}, 10, 18);
    show(Diagram(mode));
  }
  // Step curves of Active Cards with several cards a day, and bars among them.
  std::vector<Period> cards;
  for (int32_t i = 0; i < 24; ++i)
    cards.push_back({PackDate(2024, 1, 1 + i / 3), {double(i % 7), 6.0 - i % 5, double(i % 4) - 1}});
  Build(kPeriodActiveCards, {0, 6, 0}, cards, {1, 1, 2}, 20, 10);
  series[1].lineStyle = 2;
  show(Diagram(0));
  // A single curve with a gap, and the six line styles.
  Build(kPeriodDays, {2},
        {{PackDate(2024, 1, 2), {5}}, {PackDate(2024, 1, 4), {kNaN}}, {PackDate(2024, 1, 7), {3}},
         {PackDate(2024, 1, 10), {6}}},
        {1}, 20, 10);
  show(Diagram(0));
  std::vector<Period> styles;
  for (int32_t i = 0; i < 5; ++i)
    styles.push_back({PackDate(2024, 1, 2 + 2 * i),
                      {1.0 + i % 2, 4.0 + i % 2, 7.0 + i % 2, 10.0 + i % 2, 13.0 + i % 2,
                       16.0 + i % 2}});
  Build(kPeriodDays, {0, 3, 6, 9, 12, 15}, styles, {1, 1, 1, 1, 1, 1}, 20, 10);
  for (int32_t i = 0; i < 6; ++i) series[static_cast<size_t>(i)].lineStyle = i + 1;
  show(Diagram(0));
  // The inverted axis over stacked bars and a curve, and axis limits that cut both.
  for (bool inverted : {true, false}) {
    Build(kPeriodDays, {0, 0, 1}, months, {2, 2, 1}, 10, 18);
    layout.flags.on[kFlagInvertedAxis] = inverted;
    TFuncDiagram limited = Diagram(kBarsStacked);
    if (!inverted) {
      limited.axisMax = 4;
      limited.axisMin = -2;
    }
    show(limited);
  }
  ASSERT_TRUE(WritePixelsAsBitmap(sheet.data(), kColumns * kCellWidth, kRows * kCellHeight,
                                  "tfunc_diagram_sheet.bmp"));
}

}  // namespace
