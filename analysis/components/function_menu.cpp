// The shared entries of the function windows' mode-box menus.
#include "analysis/components/function_menu.h"

#include "ui/element.h"

void AddFuncVariableEntries(PopupCommandList* list, bool allVariables) {
  if (allVariables) {
    for (uint16_t id : {kFuncMenuCopy, kFuncMenuPaste}) PopupMenu_AddCommand(list, id, false);
  } else {
    for (uint16_t id :
         {kFuncMenuCut, kFuncMenuCopy, kFuncMenuPaste, kFuncMenuErase, kFuncMenuDuplicate})
      PopupMenu_AddCommand(list, id, false);
  }
  PopupMenu_AddCommand(list, kFuncMenuNewSelection, true);
  PopupMenu_AddCommand(list, kFuncMenuNewFormula, false);
}

void AddFuncDrillEntries(PopupCommandList* list, uint16_t first) {
  for (uint16_t id = first; id <= kFuncMenuDrillLast; ++id)
    PopupMenu_AddCommand(list, id, id == first);
}
