#pragma once
// The program's own menus on the toolkit's menu tree (ui/menu_model.h): the entries it adds to
// the standard File, Edit and Help menus, the "Database" and "Analysis" menus, the seven submenus
// that list the current database's objects, and the enabled states of the application's entries.
//
// The database the menus are for, and which submenus are out of date, are the engine's menu
// marks (database/menu_marks.h); a submenu is rebuilt only when the database changed or a change
// of its objects marked it, so activating a second window of the same database rebuilds nothing.
//
// The entries that list stored objects (save setups, import setups, subsets, time scales, macros,
// templates) come from the object menu builders, which install themselves as
// DatabaseMenuBuilders; until then those lists stay empty.
//
// User-interface thread only.
#include <cstdint>

class T_Base;
class T_MenuItem;

// Entries with a command number of their own; the others carry their label's text id.
constexpr int32_t kCommandSaveTemplates = 12;
constexpr int32_t kCommandProtection = 13;
constexpr int32_t kCommandWebUsers = 14;
constexpr int32_t kCommandImportDialog = 16;
constexpr int32_t kCommandExport = 17;
constexpr int32_t kCommandCopyTable = 18;
constexpr int32_t kCommandCopyingOptions = 19;
constexpr int32_t kCommandNewTagged = 20;
constexpr int32_t kCommandExpandAll = 22;
constexpr int32_t kCommandExpandTo = 23;
constexpr int32_t kCommandAdjustWidths = 24;
constexpr int32_t kCommandFirstDimension = 25;  // 25 to 56
constexpr int32_t kCommandHelp = 227;
constexpr int32_t kCommandSignature = 2544;
constexpr int32_t kCommandMakerHomePage = 2556;
constexpr int32_t kCommandUserManual = 2900;

// Adds the program's entries and menus to the standard menus (which must exist) and builds the
// submenus for the marks' current database.
void BuildMainMenus();
// Drops the pointers into the tree (the tree goes with the application).
void ForgetMainMenus();

// Makes the database (null: none) the one the menus are for and rebuilds the submenus that are
// out of date; the database-document windows call it whenever they are active.
void RebuildDatabaseMenus(T_Base* base);
// Rebuilds the submenus the marks call out of date, for the marks' current database.
void RefreshDatabaseMenus();

// Sets the application's entries for the moment: m is whether a modal loop runs; the database
// entries are enabled only with a current database and no modal loop, and then as far as the
// database serves them.
void UpdateMainMenuStates(bool modal);

// The command a database serves for a menu command (the label's id where the entry has a number
// of its own); 0 for commands that are not the database's.
int32_t DatabaseCommandOf(int32_t command);

// The submenu of a menu-mark kind (database/menu_marks.h: save setups .. templates, the last one
// being "Analysis"), and the "Database" menu; null when not built.
T_MenuItem* DatabaseSubmenu(int32_t kind);
T_MenuItem* DatabaseMenu();

// Each adds the database's objects of its kind at the end of the submenu (a separator first when
// there are any). The macro builder also gets the "Analysis" menu, where its "Execute" submenu
// (text 2555) goes.
struct DatabaseMenuBuilders {
  void (*saveSetups)(T_MenuItem* menu, T_Base* base);
  void (*importSetups)(T_MenuItem* menu, T_Base* base);
  void (*subsets)(T_MenuItem* menu, T_Base* base);
  void (*timeScales)(T_MenuItem* menu, T_Base* base);
  void (*macros)(T_MenuItem* menu, T_MenuItem* analysis, T_Base* base);
  void (*templates)(T_MenuItem* menu, T_Base* base);
};
// Null puts back the defaults (no object entries).
void SetDatabaseMenuBuilders(const DatabaseMenuBuilders* builders);
