#pragma once
// What the time functions window takes from its template and gives back to it: the period type
// with its time scale, the bounds, the Before option, the row order and the variables.
//
// User-interface thread only.
#include "analysis/time/tfunc_rows.h"
#include "analysis/time/time_variables.h"

class T_TFuncTmpl;

// Fills the data from the template: a time scale found by name (an empty name takes the
// database's first) or, when none is found, Active Days; the variables from the template's
// records, one default selection when the template has none; the sort variable found by name.
// False (pending 600) when a variable could not be made; those made so far stay.
bool TFuncReadTemplate(TFuncData* data, TFuncRowOrder* order, const T_TFuncTmpl* templ);
// Writes the settings and every variable (in display order) into the template, whose variables
// are replaced. False (pending 600) when memory ran out.
bool TFuncWriteTemplate(TFuncData* data, const TFuncRowOrder* order, T_TFuncTmpl* templ);
