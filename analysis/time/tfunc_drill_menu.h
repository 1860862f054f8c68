#pragma once
// The drill menu of the time functions window: a program-drawn popup whose entries are drill
// choices. First the measure's own window ("» Lines" or "» Time Functions", choice 0), then,
// below a separator, one entry per dimension that has components, named by the dimension's
// plural ("» Accounts"): its choice (2 + the dimension) opens the components, or the component
// functions, of that dimension. A dimension without components is not offered, so a remembered
// choice naming one marks choice 0 (TFuncDrillMenuMark).
//
// User-interface thread only.
#include <cstdint>
#include <string>
#include <vector>

class T_Base;
class T_TVariable;
struct ContextMenuRecord;

// The selector the window's ContextMenu answers for this menu.
constexpr uint32_t kTFuncDrillMenuSelector = 24;

struct TFuncDrillMenu {
  // Per entry: its choice, or -1 for the separator.
  std::vector<int32_t> choices;
  std::vector<std::string> labels;

  // The entries for the variable (null: the first selection's) in the database.
  void Build(T_Base* base, const T_TVariable* variable);
  // The entry of a choice; -1 when the menu does not offer it.
  int32_t EntryOf(int32_t choice) const;
  // The choice of an entry; -1 for the separator or out of range.
  int32_t ChoiceOf(int32_t entry) const;
  // The popup's phases 0 to 2 (count, measure, draw); choosing is the caller's.
  void Answer(ContextMenuRecord* record, int32_t phase) const;
};
