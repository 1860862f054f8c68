#pragma once
// Printing a box window in pages: the page layout (PrintWork) made in the print loop's layout
// phase and the drawing of one page. Pages are numbered from 1; the first band holds the pages
// that start at the first printed row (one per strip of columns, more when the definition needs
// them); every later band holds one page per strip. Bands stop before the page total reaches
// kPrintMaxPages.
#include <windows.h>

#include <cstdint>

#include "core/text_buffer.h"
#include "database/output_options.h"

class T_BoxField;
class T_BoxWin;
class T_Window;
struct BoxDrawRecord;
struct CardSelection;

constexpr int32_t kPrintMaxStrips = 40;
constexpr int32_t kPrintMaxPages = 512;
constexpr int32_t kPrintHeaderHeight = 13;
constexpr int32_t kPrintBindingMargin = 28;
constexpr int32_t kPrintMinWidth = 350;

struct PrintWork {
  RECT header{};
  RECT notes{};
  int32_t definitionTop = 0;
  int32_t definitionHeight = 0;
  int32_t titleHeight = 0;
  int32_t footerHeight = 0;
  RECT firstBody{};
  RECT nextBody{};
  int32_t stripCount = 1;
  int32_t firstBandPages = 1;
  T_BoxField* stripFirst[kPrintMaxStrips] = {};
  int64_t pageFirstRow[kPrintMaxPages] = {};
  int64_t endRow = 0;
  int32_t pages = 0;
  int32_t pageWidth = 0;
};

// The row count of one page's body from its first row: rows are summed until one no longer fits;
// the band then ends at the nearest earlier group start after the first row. At least one row
// is taken, so a row taller than the body is printed (clipped) rather than looping on empty
// pages.
int64_t PrintBandEnd(T_BoxWin* window, int64_t first, int64_t end, int32_t bodyHeight);

// The right part of the header line: the date "yymmdd hh:mm" and the page number in the style
// of the options.
void PrintHeaderText(T_TextBuf* out, const PrintOptions* options, const SYSTEMTIME* now,
                     int32_t page, int32_t pages);

// PrintPart's definition phases for a window whose definition is its selection: phase 1
// measures it, phase 2 draws it in the band; false for the other phases.
bool PrintSelectionDefinition(BoxDrawRecord* record, CardSelection* selection);

// The window's page setup blocks of a template: taken only when the device mode is whole.
void ApplyPageSetupBlocks(T_Window* window, void* const blocks[2]);
void StorePageSetupBlocks(T_Window* window, void* blocks[2]);
