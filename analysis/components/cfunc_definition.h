#pragma once
// The definition block of the component functions window (function_definition.h): "Selections"
// with each selection variable's name, title and criteria, and, when there are formula
// variables, "Formulas" with their names, titles and texts. The text, HTML and printed
// definitions all show these rows.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "analysis/components/function_definition.h"

struct CFuncData;

std::vector<FunctionDefinitionTable> CFuncDefinitionTables(CFuncData* data);

// The printed legend of the curve view across a page `width` wide: each entry is its title's
// width + 18 (the colour box, then the title); entries 30 pixels apart with the spare width
// shared out between the gaps, or, when they do not fit with 6 pixels per entry to spare,
// wrapped into rows 13 pixels apart, each entry at the next multiple of 32. The entries' places
// relative to the legend's top left; the legend's height (at least 21).
constexpr int32_t kLegendPrintGap = 30;
constexpr int32_t kLegendPrintStep = 32;
int32_t CFuncPrintLegendLayout(const std::vector<int32_t>& widths, int32_t width,
                               std::vector<POINT>* places);
