#pragma once
// Menu marks: what the application's menus need to know of the open databases. The engine never
// reaches into a menu; it sets these marks and the menus read them when they are built or
// enabled (the toolkit's menu-bar flag tells them when to look).
//
// The menus that list a database's objects are cached: each was last built for one database
// and stays valid until a change of that database alters its list. The database the menus are
// for is the active one, or none.
//
// Invariants:
//   1. builtFor never names a database that has been destroyed;
//   2. a cached menu is up to date only while builtFor is the current database and its rebuild
//      mark is clear; until then its entries stay disabled.
//
// User-interface thread only.
#include <cstdint>

class T_Base;

// The cached menus, one per kind of listed object.
constexpr int32_t kMenuSaveSetups = 0;
constexpr int32_t kMenuImportSetups = 1;
constexpr int32_t kMenuDimensions = 2;
constexpr int32_t kMenuSubsets = 3;
constexpr int32_t kMenuTimeScales = 4;
constexpr int32_t kMenuMacros = 5;
constexpr int32_t kMenuTemplates = 6;
constexpr int32_t kDatabaseMenuKinds = 7;

struct DatabaseMenuMarks {
  T_Base* current = nullptr;  // the database the menus are for; null: the entries needing one
                              // are disabled
  uint8_t saveEnabled = 0;    // the Save entry: the current database holds unsaved changes
  T_Base* builtFor[kDatabaseMenuKinds] = {};  // the database each cached menu was last built for
  uint8_t needsRebuild[kDatabaseMenuKinds] = {};
};

const DatabaseMenuMarks& MenuMarks();

// The database became the active one (null: none is). The Save mark follows its modified flag,
// and every cached menu not built for it needs rebuilding.
void SetMenuDatabase(T_Base* base);
// The application's menus built the menu of a kind for the database: its rebuild mark clears.
void MenuBuiltFor(int32_t kind, T_Base* base);
// A change of the database altered the list of a kind: the menu needs rebuilding when it was
// built for that database.
void MarkMenuStale(T_Base* base, int32_t kind);
// The database's modified flag changed: the Save mark follows while it is the current database.
void MarkSaveEntry(T_Base* base, bool modified);
// The database goes away: the menus are for no database when they were for it, and no cached
// menu counts as built for it any more.
void ForgetMenuDatabase(T_Base* base);
// Back to no database and nothing built (tests).
void ResetMenuMarks();
