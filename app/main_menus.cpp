#include "app/main_menus.h"

#include <iterator>

#include "app/command_table.h"
#include "app/help_files.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/menu_marks.h"
#include "ui/application.h"
#include "ui/document_window.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/window.h"

namespace {

constexpr int32_t kDimensionEntries = 32;
constexpr int32_t kTextFirstDimension = 3000;  // "Dim 1"
constexpr int32_t kTextExecute = 2555;

struct EntryRow {
  int32_t text;         // 0: a separator
  int32_t command = 0;  // 0: the text id
  uint32_t flags = 0;
  uint8_t key = 0;
  uint32_t modifiers = 0;
};

DatabaseMenuBuilders builders{};
T_MenuItem* submenus[kDatabaseMenuKinds] = {};
T_MenuItem* databaseMenu = nullptr;

// The entries of the "Database" menu after "Dimensions".
const EntryRow kDatabaseEntries[] = {
    {0},
    {2526, 0, 0, 'K'},         // New Card
    {2527},                    // Delete Card
    {0},                       // separator
    {2528, 0, kMenuEllipsis},  // Transform
    {2529, 0, kMenuEllipsis},  // Aggregate
    {2530},                    // Delete Data
    {2531, 0, 0, 'U'},         // Examine
    {2532, 0, 0, 'Y'},         // Approve
    {0},
};
// After "Subsets", "Time Scales" and "Macros".
const EntryRow kDatabaseTail[] = {
    {2542},                    // Database Info
    {2543, 0, kMenuEllipsis},  // Database Settings
    {0},                       // separator
    {2545, 0, kMenuEllipsis},  // XML Command Tester
    {0},                       // separator
    {2544, 0, kMenuEllipsis},  // Signature
};
const EntryRow kAnalysisEntries[] = {
    {2547, 0, 0, 'F'},              // Cards
    {2548, 0, 0, 'L'},              // Lines
    {2549},                         // Components
    {2550},                         // Time Functions
    {2551},                         // Component Functions
    {0},                            // separator
    {2552, 0, kMenuEllipsis},       // Set Defaults
    {2553, 0, kMenuEllipsis, 'R'},  // Install Template
    {2554},                         // Remove Template
};

T_MenuItem* Entry(T_MenuItem* other, uint32_t mode, const EntryRow& row) {
  auto* item = new T_MenuItem(other, mode | row.flags,
                              row.text ? (row.command ? row.command : row.text) : 0);
  if (row.text) item->SetTitleId(row.text);
  item->SetShortcut(row.key, row.modifiers);
  return item;
}

template <size_t N>
void Entries(T_MenuItem* menu, const EntryRow (&rows)[N]) {
  for (const EntryRow& row : rows) Entry(menu, kMenuInsertInFront, row);
}

T_MenuItem* Submenu(T_MenuItem* other, uint32_t mode, int32_t text) {
  auto* menu = new T_MenuItem(other, mode, 0);
  menu->SetTitleId(text);
  return menu;
}

void DeleteChildren(T_MenuItem* menu) {
  while (menu->firstChild) delete menu->firstChild;
}

// Deletes the entries after the one with the command.
void DeleteAfter(T_MenuItem* menu, int32_t command) {
  T_MenuItem* anchor = nullptr;
  for (T_MenuItem* child = menu->firstChild; child; child = child->next) {
    if (child->command == command) anchor = child;
  }
  if (!anchor) return;
  while (anchor->next) delete anchor->next;
}

void SetEnabled(int32_t command, bool on) {
  MenuItemSetEnabledIfAny(MenuItem_FindCommand(MenuRoot(), command), on);
}

// A title taken as it is: an "&" in a name is shown, not taken for a mnemonic.
void SetLiteralTitle(T_MenuItem* item, const char* text) {
  T_TextBuf title(text);
  TextBufReplaceAll(&title, "&", "&&");
  item->SetTitleCopy(title.c_str());
}

// Save also stores what the database's windows hold unstored (an edited import setup).
bool WindowsHoldEdits(T_Base* base) {
  for (T_HWindow* window = WindowListFirst(); window; window = window->nextWindow) {
    if (window->database == base && window->HoldsPendingEdits()) return true;
  }
  return false;
}

// --- The seven submenus -------------------------------------------------------------------------

void RebuildSaveSetups(T_MenuItem* menu, T_Base* base) {
  DeleteAfter(menu, 2506);
  if (base && builders.saveSetups) builders.saveSetups(menu, base);
}

void RebuildImportSetups(T_MenuItem* menu, T_Base* base) {
  DeleteAfter(menu, 2512);
  if (base && builders.importSetups) builders.importSetups(menu, base);
}

void RebuildDimensions(T_MenuItem* menu, T_Base* base) {
  int32_t n = 0;
  for (T_MenuItem* entry = menu->firstChild; entry; entry = entry->next, ++n) {
    if (base) {
      SetLiteralTitle(entry, base->GetDimPlural(n));
    } else {
      entry->SetTitleId(kTextFirstDimension + n);
    }
    MenuItem_SetEnabled(entry, base != nullptr);
  }
}

void RebuildSubsets(T_MenuItem* menu, T_Base* base) {
  DeleteChildren(menu);
  if (!base) return;
  Entry(menu, kMenuInsertInFront, {2534});
  Entry(menu, kMenuInsertInFront, {2535, 0, kMenuDisabled});
  if (builders.subsets) builders.subsets(menu, base);
}

void RebuildTimeScales(T_MenuItem* menu, T_Base* base) {
  DeleteAfter(menu, 2538);
  if (base && builders.timeScales) builders.timeScales(menu, base);
}

void RebuildMacros(T_MenuItem* menu, T_Base* base) {
  if (T_MenuItem* analysis = submenus[kMenuTemplates]) {
    for (T_MenuItem* child = analysis->firstChild; child; child = child->next) {
      if (child->title.id == kTextExecute) {
        delete child;
        break;
      }
    }
  }
  DeleteAfter(menu, 2541);
  if (base && builders.macros) builders.macros(menu, submenus[kMenuTemplates], base);
}

void RebuildAnalysis(T_MenuItem* menu, T_Base* base) {
  DeleteChildren(menu);
  if (!base) return;
  Entries(menu, kAnalysisEntries);
  if (builders.templates) builders.templates(menu, base);
}

void Rebuild(int32_t kind, T_MenuItem* menu, T_Base* base) {
  switch (kind) {
    case kMenuSaveSetups:
      RebuildSaveSetups(menu, base);
      break;
    case kMenuImportSetups:
      RebuildImportSetups(menu, base);
      break;
    case kMenuDimensions:
      RebuildDimensions(menu, base);
      break;
    case kMenuSubsets:
      RebuildSubsets(menu, base);
      break;
    case kMenuTimeScales:
      RebuildTimeScales(menu, base);
      break;
    case kMenuMacros:
      RebuildMacros(menu, base);
      break;
    case kMenuTemplates:
      RebuildAnalysis(menu, base);
      break;
    default:
      break;
  }
}

// --- Building -----------------------------------------------------------------------------------

void BuildFileEntries(T_MenuItem* file) {
  T_MenuItem* saveAs = StandardEntry(kCommandSaveAs);
  T_MenuItem* saveSpecial =
      saveAs ? Submenu(saveAs, kMenuInsertAfter, 2504) : Submenu(file, kMenuInsertInFront, 2504);
  Entry(saveSpecial, kMenuInsertInFront, {2505});
  Entry(saveSpecial, kMenuInsertInFront, {2506});
  submenus[kMenuSaveSetups] = saveSpecial;
  T_MenuItem* at =
      Entry(saveSpecial, kMenuInsertAfter, {2503, kCommandSaveTemplates, kMenuEllipsis});
  at = Entry(at, kMenuInsertAfter, {2507, kCommandProtection});
  Entry(at, kMenuInsertAfter, {2508, kCommandWebUsers});

  new T_MenuItem(file, kMenuInsertInFront, 0);
  T_MenuItem* importSetups = Submenu(file, kMenuInsertInFront, 2510);
  Entry(importSetups, kMenuInsertInFront, {2511});
  Entry(importSetups, kMenuInsertInFront, {2512});
  submenus[kMenuImportSetups] = importSetups;
  Entry(file, kMenuInsertInFront, {2513, kCommandImportDialog, kMenuEllipsis, 'I'});
  Entry(file, kMenuInsertInFront, {2515, kCommandExport, kMenuEllipsis, 'E'});
}

void BuildEditEntries(T_MenuItem* edit) {
  if (T_MenuItem* paste = StandardEntry(kCommandPaste)) {
    Entry(paste, kMenuInsertBefore, {2517, kCommandCopyTable, 0, 'T'});
    Entry(paste, kMenuInsertBefore,
          {2519, kCommandCopyingOptions, kMenuEllipsis, 'T', kShortcutShift});
  }
  if (T_MenuItem* erase = StandardEntry(kCommandErase)) {
    new T_MenuItemTag(erase, kMenuInsertAfter, kCommandNewTagged, 2520, 'M', 0);
  }
  T_MenuItem* selectAll = StandardEntry(kCommandSelectAll);
  T_MenuItem* at = selectAll ? Entry(selectAll, kMenuInsertAfter, {2521, kCommandExpandAll})
                             : Entry(edit, kMenuInsertInFront, {2521, kCommandExpandAll});
  at = Entry(at, kMenuInsertAfter, {2522, kCommandExpandTo, kMenuEllipsis, 'E', kShortcutAlt});
  Entry(at, kMenuInsertAfter, {2523, kCommandAdjustWidths, 0, 6});
}

void BuildDatabaseMenu(T_MenuItem* root) {
  databaseMenu = Submenu(root, kMenuInsertInFront, 2524);
  T_MenuItem* dimensions = Submenu(databaseMenu, kMenuInsertInFront, 2525);
  for (int32_t n = 0; n < kDimensionEntries; ++n) {
    uint8_t key = n < 9 ? static_cast<uint8_t>('1' + n) : 0;
    Entry(dimensions, kMenuInsertInFront,
          {kTextFirstDimension + n, kCommandFirstDimension + n, kMenuDisabled, key});
  }
  submenus[kMenuDimensions] = dimensions;
  Entries(databaseMenu, kDatabaseEntries);
  submenus[kMenuSubsets] = Submenu(databaseMenu, kMenuInsertInFront, 2533);
  T_MenuItem* timeScales = Submenu(databaseMenu, kMenuInsertInFront, 2536);
  Entry(timeScales, kMenuInsertInFront, {2537});
  Entry(timeScales, kMenuInsertInFront, {2538, 0, kMenuDisabled});
  submenus[kMenuTimeScales] = timeScales;
  T_MenuItem* macros = Submenu(databaseMenu, kMenuInsertInFront, 2539);
  Entry(macros, kMenuInsertInFront, {2540});
  Entry(macros, kMenuInsertInFront, {2541, 0, kMenuDisabled});
  submenus[kMenuMacros] = macros;
  Entries(databaseMenu, kDatabaseTail);
  submenus[kMenuTemplates] = Submenu(root, kMenuInsertInFront, 2546);
}

void BuildHelpEntries(T_MenuItem* help) {
  Entry(help, kMenuInsertInFront, {kCommandMakerHomePage});
  T_TextBuf path;
  bool helpFile = ChooseHelpFile(&path);
  bool manual = ChooseUserManual(&path);
  if (helpFile || manual) new T_MenuItem(help, kMenuInsertInFront, 0);
  if (helpFile) Entry(help, kMenuInsertInFront, {kCommandHelp});
  if (manual) Entry(help, kMenuInsertInFront, {kCommandUserManual, 0, kMenuEllipsis});
}

void WatchMenus(bool on) {
  for (T_MenuItem*& menu : submenus) on ? MenuItem_Watch(&menu) : MenuItem_Unwatch(&menu);
  on ? MenuItem_Watch(&databaseMenu) : MenuItem_Unwatch(&databaseMenu);
}

}  // namespace

void BuildMainMenus() {
  T_MenuItem* root = MenuRoot();
  T_MenuItem* file = StandardMenu(kMenuFile);
  T_MenuItem* edit = StandardMenu(kMenuEdit);
  if (!root || !file || !edit || databaseMenu) return;
  WatchMenus(true);
  BuildFileEntries(file);
  BuildEditEntries(edit);
  BuildDatabaseMenu(root);
  if (T_MenuItem* help = StandardMenu(kMenuHelp)) BuildHelpEntries(help);
  // What was just built is the form for no database; a database the marks name gets its own.
  for (int32_t kind = 0; kind < kDatabaseMenuKinds; ++kind) MenuBuiltFor(kind, nullptr);
  if (T_Base* current = MenuMarks().current) SetMenuDatabase(current);
  RefreshDatabaseMenus();
}

void ForgetMainMenus() {
  WatchMenus(false);
  for (T_MenuItem*& menu : submenus) menu = nullptr;
  databaseMenu = nullptr;
}

void RebuildDatabaseMenus(T_Base* base) {
  if (base != MenuMarks().current) SetMenuDatabase(base);
  RefreshDatabaseMenus();
}

void RefreshDatabaseMenus() {
  const DatabaseMenuMarks& marks = MenuMarks();
  T_Base* base = marks.current;
  // "Analysis" holds the macros' "Execute" submenu: emptying it means building the macros anew.
  const int32_t order[] = {kMenuSaveSetups, kMenuImportSetups, kMenuDimensions, kMenuSubsets,
                           kMenuTimeScales, kMenuTemplates,    kMenuMacros};
  bool analysisRebuilt = false;
  bool rebuilt = false;
  for (int32_t kind : order) {
    T_MenuItem* menu = submenus[kind];
    if (!menu) continue;
    bool stale = marks.builtFor[kind] != base || marks.needsRebuild[kind] ||
                 (kind == kMenuMacros && analysisRebuilt);
    if (!stale) continue;
    Rebuild(kind, menu, base);
    MenuBuiltFor(kind, base);
    if (kind == kMenuTemplates) analysisRebuilt = true;
    rebuilt = true;
  }
  if (rebuilt) MarkMenusChanged();
}

void UpdateMainMenuStates(bool modal) {
  RefreshDatabaseMenus();
  const DatabaseMenuMarks& marks = MenuMarks();
  T_Base* base = marks.current;
  bool d = base && !modal;
  const MenuOperations* menus = Menus();
  if (menus->enableCommand) {
    menus->enableCommand(kCommandPreferences, !modal);
    menus->enableCommand(kCommandAbout, !modal);
    menus->enableCommand(kCommandOpen, true);
    menus->enableCommand(kCommandNew, true);
    menus->enableCommand(kCommandClose, d);
  }
  int32_t count = 0;
  const CommandRow* rows = CommandRows(&count);
  // Off here, so that none stays enabled after its window; the active window enables its own.
  for (int32_t i = 0; i < count; ++i) {
    if (rows[i].command > 0 && rows[i].windows && rows[i].runner != kRunApplication)
      SetEnabled(rows[i].command, false);
  }
  MenuItemSetEnabledIfAny(submenus[kMenuSaveSetups], d);
  MenuItemSetEnabledIfAny(submenus[kMenuImportSetups], d);
  for (int32_t command :
       {kCommandProtection, kCommandWebUsers, kCommandCopyingOptions, kCommandImportDialog}) {
    SetEnabled(command, d);
  }
  // Windows that serve these give them their own labels; back to the plain ones here.
  for (auto [command, text] :
       {std::pair{kCommandImportDialog, 2513}, std::pair{kCommandExport, 2515},
        std::pair{kCommandCopyTable, 2517}}) {
    T_MenuItem* entry = MenuItem_FindCommand(MenuRoot(), command);
    if (entry && entry->title.id != text) entry->SetTitleId(text);
  }
  if (auto* tagged =
          static_cast<T_MenuItemTag*>(MenuItem_FindCommand(MenuRoot(), kCommandNewTagged))) {
    tagged->SetTagCopyAndEnable(nullptr, false);
  }
  MenuItemSetEnabledIfAny(databaseMenu, d);
  MenuItemSetEnabledIfAny(submenus[kMenuTemplates], d);
  if (T_MenuItem* analysis = submenus[kMenuTemplates]) {
    for (T_MenuItem* child = analysis->firstChild; child; child = child->next) {
      if (child->title.id == kTextExecute) MenuItem_SetEnabled(child, d);
    }
  }
  if (!d) return;

  // The database decides about its own entries: those whose editor or service is missing stay
  // off. Where windows decide, the database only runs the command.
  for (int32_t i = 0; i < count; ++i) {
    const CommandRow& row = rows[i];
    if (row.runner != kRunDatabase || row.windows || row.command == kCommandFirstDimension)
      continue;
    bool on = base->IsCommandEnabled(row.database);
    if (row.command == kCommandSave) on = on && (marks.saveEnabled || WindowsHoldEdits(base));
    if (row.command < 0) {
      if (menus->enableCommand) menus->enableCommand(row.command, on);
    } else {
      SetEnabled(row.command, on);
    }
  }
  // Every analysis window holds a template, so the templates can be saved from any of them.
  auto* window = dynamic_cast<T_HWindow*>(ActiveWindow());
  if (window && window->database == base && IsAnalysisKind(window->windowKind))
    SetEnabled(kCommandSaveTemplates, base->IsCommandEnabled(DatabaseCommandOf(kCommandSaveTemplates)));
  if (T_MenuItem* dimensions = submenus[kMenuDimensions]) {
    for (T_MenuItem* entry = dimensions->firstChild; entry; entry = entry->next) {
      MenuItem_SetEnabled(entry, base->IsCommandEnabled(entry->command));
    }
  }
}

int32_t DatabaseCommandOf(int32_t command) {
  if (command >= kCommandFirstDimension && command < kCommandFirstDimension + kDimensionEntries)
    return command;
  const CommandRow* row = FindCommandRow(command);
  return row && row->runner == kRunDatabase ? row->database : 0;
}

T_MenuItem* DatabaseSubmenu(int32_t kind) {
  return kind >= 0 && kind < kDatabaseMenuKinds ? submenus[kind] : nullptr;
}

T_MenuItem* DatabaseMenu() { return databaseMenu; }

void SetDatabaseMenuBuilders(const DatabaseMenuBuilders* replacement) {
  builders = replacement ? *replacement : DatabaseMenuBuilders{};
}
