#pragma once
// The command ids of the function windows' menus (mode-box menus, column menus): the edit
// entries, the new variables and the "»" commands. A menu id is the id of its text.
#include <cstdint>

struct PopupCommandList;

constexpr uint16_t kFuncMenuCut = 213;
constexpr uint16_t kFuncMenuCopy = 214;
constexpr uint16_t kFuncMenuPaste = 215;
constexpr uint16_t kFuncMenuErase = 216;
constexpr uint16_t kFuncMenuDuplicate = 217;
constexpr uint16_t kFuncMenuNewSelection = 4713;  // "New Selection"
constexpr uint16_t kFuncMenuNewFormula = 5372;    // "New Formula"
// "» Cards", "» Lines", "» Components", "» Time Functions", "» Component Functions".
constexpr uint16_t kFuncMenuDrillFirst = 3143;
constexpr uint16_t kFuncMenuTimeFunctions = 3146;
constexpr uint16_t kFuncMenuDrillLast = 3147;

// The first entries of a function window's mode-box menu: Copy and Paste for the item of all
// variables, else Cut, Copy, Paste, Erase and Duplicate; then "New Selection" and "New Formula".
void AddFuncVariableEntries(PopupCommandList* list, bool allVariables);
// The "»" entries from `first` to "» Component Functions", after a separator.
void AddFuncDrillEntries(PopupCommandList* list, uint16_t first);
