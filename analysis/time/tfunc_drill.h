#pragma once
// Drill-through from the time functions window: the templates of the windows that show what lies
// behind one variable, over one period row or the whole range, and their running. The window
// calls them from its drill menu (menu 24: choice 0 the measure's own window, choice 2 + d the
// components of dimension d) and from its "» Cards", "» Lines", "» Components", "» Time Functions"
// and "» Component Functions" commands.
//
//   variable                         choice 0                      component choice
//   selection, Line count, Card      lines: its statistic row,     components: Line count, Card
//   count, Sum, -Sum, Average,       its value column              count, Sum and -Sum by their
//   Median, Turnover, Max, Min                                     column
//   selection, Product, Geom. Mean,  time functions of Active      component functions of the
//   First, Last                      Cards (Active Lines) over     selection
//                                    the period, only it
//   formula                          time functions of what it     component functions of what
//                                    needs, shown where named      it needs
// Every selection taken into a drilled template is narrowed to the period (TFuncNarrowToPeriod);
// a By Period selection in a time functions template only at the period's start.
//
// Every builder returns a template the caller owns (null without memory, pending 600, or when
// there is nothing to show). User-interface thread only.
#include <cstdint>

#include "analysis/time/time_variables.h"

class T_Base;
class T_HWindow;
class T_Template;
class T_CFuncTmpl;
struct SelectionDef;
struct SubsetList;

constexpr int32_t kDrillChoiceOwn = 0;
constexpr int32_t kDrillChoiceFirstDimension = 2;  // + the dimension
constexpr int64_t kDrillWholeRange = -1;            // no period row: the variable's whole range

struct TFuncDrillSource {
  const TFuncData* data = nullptr;
  SubsetList* subsets = nullptr;  // the window's live subsets, or null
  uint8_t cardTitles = 0;         // the window's options a time functions template takes on
  uint8_t endDatesOnly = 0;
};

// The drill commands' text ids, "» Cards" .. "» Component Functions".
constexpr int32_t kDrillCommandCards = 3143;
constexpr int32_t kDrillCommandLines = 3144;
constexpr int32_t kDrillCommandComponents = 3145;
constexpr int32_t kDrillCommandTimeFunctions = 3146;
constexpr int32_t kDrillCommandComponentFunctions = 3147;
// The tool that drills from a cell, a diagram shape or a legend entry.
constexpr int32_t kTFuncToolDrill = 4202;

// The command naming the window that choice 0 opens for the variable: "» Lines" for a selection
// whose measure the lines window shows, else "» Time Functions".
int32_t TFuncDrillOwnCommand(const T_TVariable* variable);

// The item the drill menu marks: the remembered choice, or choice 0 when it names a dimension
// without components.
int32_t TFuncDrillMenuMark(T_Base* base, int32_t remembered);

// The selection's definition bounds narrowed to the period: with a time shift the period's from
// moves back (direction -1) and its to forward (+1) first; the from bound becomes the period's
// from when that is later and the selection is not From Start, the to bound the period's to when
// that is earlier. The selection's own bounds are the resolved ones of the last calculation.
void TFuncNarrowToPeriod(SelectionDef* def, const T_TSelection* selection, const CardId& from,
                         const CardId& to);

// The template the drill menu's choice opens for the row's entry (kDrillWholeRange for the
// whole range) and the column's variable (null: the first selection).
T_Template* TFuncDrillTemplate(const TFuncDrillSource& source, int64_t entry,
                               const T_TVariable* variable, int32_t choice);

// The commands. Lines, cards and components take selections only (null for a formula); a null
// variable in "» Time Functions" and "» Component Functions" means every variable (the
// "Variables" item).
T_Template* TFuncLinesTemplate(const TFuncDrillSource& source, int64_t entry,
                               const T_TSelection* selection);
T_Template* TFuncCardsTemplate(const TFuncDrillSource& source, const T_TSelection* selection);
T_Template* TFuncComponentsTemplate(const TFuncDrillSource& source, int64_t entry,
                                    const T_TSelection* selection, int32_t dimension);
T_Template* TFuncTimeFunctionsTemplate(const TFuncDrillSource& source,
                                       const T_TVariable* variable);
T_Template* TFuncComponentFunctionsTemplate(const TFuncDrillSource& source, int64_t entry,
                                            const T_TVariable* variable);

// Runs the template as a new window (T_Template::Run semantics, no lookup of an open one) and
// deletes it; the window, or null when none opened or the template was null.
T_HWindow* TFuncRunDrill(T_Template* templ);
