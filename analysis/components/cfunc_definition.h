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
