#pragma once
// The layout of a time diagram: where the plot lies inside the diagram rectangle, the value grid
// step, major step, decimals and scale exponent, and the closed formulas that map dates and values
// to pixels and back. Everything is cached by LayoutDiagram, so curves of many points and bars of
// many days are drawn without recomputation.
//
// Day numbers count from 1 January 1900 (day 0) to 31 December 2069 (kLastDayNumber), the core's
// last date. Ranges are held within +-1e300 so that every step and position stays finite, and
// positions are clamped in floating point before they become integers.
#include <windows.h>

#include <cstdint>

#include "analysis/time/diagram_flags.h"

constexpr double kDiagramValueLimit = 1e300;
// The pixel row of a value that is not a number: far outside any window.
constexpr int32_t kNoValueRow = -16000;

// The width of a label text in the current font (pixels).
using MeasureText = int32_t (*)(void* context, const char* text);

struct DiagramLayout {
  DiagramRange range;
  DiagramFlags flags;
  int32_t topInset = 0;
  int32_t bottomInset = 0;
  RECT diagram{};
  RECT plot{};
  int32_t plotWidth = 0;
  int32_t plotHeight = 0;
  int32_t valueOrigin = 0;
  int32_t farAbove = 0;
  int32_t farBelow = 0;
  int32_t firstDay = 0;
  int32_t dayCount = 1;
  int32_t wholePixelsPerDay = 0;
  double pixelsPerDay = 1;
  double timeOffset = 0;
  double barFraction = 0;
  double pixelsPerValue = -1;
  double upperClamp = 0;
  double lowerClamp = 0;
  PackedDate firstDrawable = 0;
  PackedDate lastDrawable = 0;
  double gridStep = 1;
  double majorStep = 5;
  int32_t exponent = 0;
  int32_t decimals = 0;
};

// The core's last day number (31 December 2069).
int32_t LastDayNumber();

// Recomputes the plot and every mapping from the range, the flags and the diagram rectangle;
// a degenerate or unbounded range is widened (and stored back) first.
void LayoutDiagram(DiagramLayout* layout, MeasureText measure, void* context);
// The grid step, major step and decimals for the range and the diagram's height.
void ChooseValueStep(DiagramLayout* layout);
// The scale exponent (a multiple of 3) of the larger bound; the decimals take it on.
void ChooseValueExponent(DiagramLayout* layout);
// A value's label text with the layout's decimals and exponent.
void FormatAxisValue(const DiagramLayout& layout, double value, char* buffer, int32_t size);

int32_t ValueToY(const DiagramLayout& layout, double value);
int32_t DateToX(const DiagramLayout& layout, PackedDate date);
int32_t DateEndToX(const DiagramLayout& layout, PackedDate date);
int32_t DateFractionToX(const DiagramLayout& layout, PackedDate date, double fraction);
int32_t DateBarToX(const DiagramLayout& layout, PackedDate date, double fraction);
// The dates and values a pixel rectangle covers.
DiagramRange RectToRange(const DiagramLayout& layout, const RECT& rect);
// The rectangle of a range in the picture of the layout (flag 1 exchanges top and bottom).
RECT RangeToRect(const DiagramLayout& layout, const DiagramRange& range);

// Shrinks the print rectangle to the aspect of the plot as laid out in an item of the given
// size: the plot prints with the proportions it has on screen.
void FitPrintRect(const DiagramLayout& layout, int32_t itemWidth, int32_t itemHeight, RECT* print);
