#pragma once
// Opening what lies behind the component functions window in other windows: the "»" commands
// of the mode-box menu, the column-title menu, the formula field and the open-node menu of a
// cell. Each builds a template of the target kind and runs it as a new window:
//
//   command                 offered for                   the template
//   "» Cards"               a selection                   cards of the selection
//   "» Lines"               a selection                   lines of the selection, its value
//                                                         column and the method's statistic
//   "» Components"          a selection                   components over the window's view
//                                                         dimensions, the method's column
//   "» Time Functions"      a selection, a formula with   the variable and all it uses (shown:
//                           a text; the overview          it and what it names); formula texts
//                                                         with the built-in names replaced by
//                                                         their values at the node
//   "» Component Functions" the same                      the window's dimensions and display
//                                                         settings with the same variables (the
//                                                         overview: all)
//
// At a node every selection passed on is narrowed to the node's component: with everything
// below it when the variable's Sublevels is "Include", its own lines only when "Exclude". The
// cards, lines and components templates take the subsets the selection uses, the function
// templates all of the window's.
//
// User-interface thread only.
#include <cstdint>

class T_CFunc;
class T_CVariable;
class T_Template;
struct T_TextBuf;

constexpr int32_t kCFuncOpenCards = 3143;
constexpr int32_t kCFuncOpenLines = 3144;
constexpr int32_t kCFuncOpenComponents = 3145;
constexpr int32_t kCFuncOpenTimeFunctions = 3146;
constexpr int32_t kCFuncOpenComponentFunctions = 3147;
constexpr uint32_t kCFuncOpenNodeSelector = 5341;

// The "»" commands offered for a variable (null: the overview), in menu order; the count.
int32_t CFuncOpenCommands(const T_CVariable* variable, int32_t commands[5]);

// The drill path (strux_paths.h, with its leading ":") that narrows a selection to the node's
// component, with everything below it (include) or its own lines only.
void CFuncNodePath(const T_CFunc* window, int64_t node, bool include, T_TextBuf* path);

// The template of a command for the variable (null: every variable, the overview) at the node
// (-1: the whole tree). Null when the command is not offered for the variable, or without memory
// (pending 600). The caller owns the template.
T_Template* CFuncOpenTemplate(T_CFunc* window, int32_t command, T_CVariable* variable,
                              int64_t node);
