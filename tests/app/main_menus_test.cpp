// The program's menus: every entry where it belongs, the database submenus rebuilt only when
// their database or its objects changed, the object entries from the builders, and the enabled
// states with and without a database and a modal run.
#include <string>
#include <vector>

#include "app_fixture.h"
#include "database/dimension_options.h"
#include "ui/document_window.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/small_dialogs.h"

namespace app_test {
namespace {

// One line per item: indentation by depth, the title ("-" a separator), the command in brackets,
// "+" and the shortcut, "..." for an ellipsis and "(off)" when disabled.
void DumpMenu(const T_MenuItem* menu, int32_t depth, std::string* out) {
  for (const T_MenuItem* item = menu->firstChild; item; item = item->next) {
    *out += std::string(static_cast<size_t>(depth) * 2, ' ');
    *out += item->IsSeparator() ? "-" : item->Title();
    if (item->ellipsis) *out += "...";
    if (item->command) *out += " [" + std::to_string(item->command) + "]";
    if (item->shortcutKey) {
      T_TextBuf shortcut;
      MenuShortcutText(item->shortcutKey, item->shortcutModifiers, &shortcut);
      *out += std::string(" ") + shortcut.data;
    }
    if (!item->enabled) *out += " (off)";
    *out += "\n";
    if (item->firstChild) DumpMenu(item, depth + 1, out);
  }
}

std::string Dump(const T_MenuItem* menu) {
  std::string out;
  if (menu) DumpMenu(menu, 0, &out);
  return out;
}

T_MenuItem* Find(int32_t command) { return MenuItem_FindCommand(MenuRoot(), command); }

// Builders that list made-up objects named by the database's first card-title label.
std::vector<std::string>& Built() {
  static std::vector<std::string> built;
  return built;
}

void AddObjects(T_MenuItem* menu, const char* kind) {
  Built().push_back(kind);
  new T_MenuItem(menu, kMenuInsertInFront, 0);
  auto* entry = new T_MenuItem(menu, kMenuInsertInFront, 0);
  entry->SetTitleCopy((std::string("my ") + kind).c_str());
}

const DatabaseMenuBuilders kBuilders{
    [](T_MenuItem* menu, T_Base*) { AddObjects(menu, "save setup"); },
    [](T_MenuItem* menu, T_Base*) { AddObjects(menu, "import setup"); },
    [](T_MenuItem* menu, T_Base*) { AddObjects(menu, "subset"); },
    [](T_MenuItem* menu, T_Base*) { AddObjects(menu, "time scale"); },
    [](T_MenuItem* menu, T_MenuItem* analysis, T_Base*) {
      AddObjects(menu, "macro");
      auto* execute = new T_MenuItem(analysis, kMenuInsertInFront, 0);
      execute->SetTitleId(2555);
      new T_MenuItem(execute, kMenuInsertInFront, 0);
    },
    [](T_MenuItem* menu, T_Base*) { AddObjects(menu, "template"); },
};

class MainMenusTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    Built().clear();
  }
  void TearDown() override {
    SetBaseServices(nullptr);
    AppTest::TearDown();
  }
};

TEST_F(MainMenusTest, EveryEntryStandsWhereItBelongs) {
  StartApplication();
  EXPECT_EQ(Dump(MenuRoot()), R"(File
  New [-20] Ctrl+N
  Open... [-19] Ctrl+O
  Close [-18]
  -
  Save [-17] Ctrl+S
  Save As... [-16] F12
  Save Special
    New Save Setup [2505]
    Delete Save Setup [2506]
  Save Templates... [12]
  Protection [13]
  Web Users [14]
  -
  Preferences... [-12]
  -
  Page Setup... [-30] Shift+Ctrl+P
  Print... [-15] Ctrl+P
  -
  Import Setups
    New Import Setup [2511]
    Delete Import Setup [2512]
  Import... [16] Ctrl+I
  Export... [17] Ctrl+E
  - (off)
  Exit [-14] Ctrl+Q
Edit
  Undo [-10] Ctrl+Z (off)
  Redo [-9] Shift+Ctrl+Z (off)
  -
  Cut [-8] Ctrl+X (off)
  &Copy [-7] Ctrl+C (off)
  Copy Table [18] Ctrl+T
  Copying Options... [19] Shift+Ctrl+T
  Paste [-6] Ctrl+V (off)
  -
  Erase [-5] Ctrl+B (off)
  New [20] Ctrl+M (off)
  Duplicate [-4] Ctrl+D (off)
  -
  Select All [-3] Ctrl+A (off)
  Expand All [22]
  Expand To... [23] Alt+Ctrl+E
  Adjust Column Widths [24] F6
Database
  Dimensions
    Dim 1 [25] Ctrl+1 (off)
    Dim 2 [26] Ctrl+2 (off)
    Dim 3 [27] Ctrl+3 (off)
    Dim 4 [28] Ctrl+4 (off)
    Dim 5 [29] Ctrl+5 (off)
    Dim 6 [30] Ctrl+6 (off)
    Dim 7 [31] Ctrl+7 (off)
    Dim 8 [32] Ctrl+8 (off)
    Dim 9 [33] Ctrl+9 (off)
    Dim 10 [34] (off)
    Dim 11 [35] (off)
    Dim 12 [36] (off)
    Dim 13 [37] (off)
    Dim 14 [38] (off)
    Dim 15 [39] (off)
    Dim 16 [40] (off)
    Dim 17 [41] (off)
    Dim 18 [42] (off)
    Dim 19 [43] (off)
    Dim 20 [44] (off)
    Dim 21 [45] (off)
    Dim 22 [46] (off)
    Dim 23 [47] (off)
    Dim 24 [48] (off)
    Dim 25 [49] (off)
    Dim 26 [50] (off)
    Dim 27 [51] (off)
    Dim 28 [52] (off)
    Dim 29 [53] (off)
    Dim 30 [54] (off)
    Dim 31 [55] (off)
    Dim 32 [56] (off)
  -
  New Card [2526] Ctrl+K
  Delete Card [2527]
  -
  Transform... [2528]
  Aggregate... [2529]
  Delete Data [2530]
  Examine [2531] Ctrl+U
  Approve [2532] Ctrl+Y
  -
  Subsets
  Time Scales
    New Time Scale [2537]
    Delete Time Scale [2538] (off)
  Macros
    New Macro [2540]
    Delete Macro [2541] (off)
  Database Info [2542]
  Database Settings... [2543]
  -
  XML Command Tester... [2545]
  -
  Signature... [2544]
Analysis
Window
  Zoom [-29] F5 (off)
  Close [-28] Ctrl+W (off)
  Close All [-27] Alt+Ctrl+W
  Cascade [-26]
  Tile [-25]
  Arrange Icons [-24]
Help
  Trelvik [2556]
  About [-13] (off)
)");
}

TEST_F(MainMenusTest, DocumentWindowsRebuildTheApplicationsMenusAndKeepTheEnginesOtherHooks) {
  const DocumentOperations& hooks = CurrentDocumentOperations();
  EXPECT_EQ(hooks.rebuildDatabaseMenus, &RebuildDatabaseMenus);
  EXPECT_NE(hooks.firstDatabase, nullptr);
  EXPECT_NE(hooks.notifyChange, nullptr);
}

TEST_F(MainMenusTest, WithoutADatabaseTheDimensionsAreNumberedAndOffAndAnalysisIsEmpty) {
  StartApplication();
  app->UpdateCommands();
  T_MenuItem* dimensions = DatabaseSubmenu(kMenuDimensions);
  ASSERT_NE(dimensions, nullptr);
  int32_t n = 0;
  for (T_MenuItem* entry = dimensions->firstChild; entry; entry = entry->next, ++n) {
    EXPECT_EQ(std::string(entry->Title()), "Dim " + std::to_string(n + 1));
    EXPECT_FALSE(entry->enabled);
  }
  EXPECT_EQ(n, 32);
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuTemplates)), "");
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuSubsets)), "");
  EXPECT_FALSE(DatabaseMenu()->enabled);
  EXPECT_FALSE(DatabaseSubmenu(kMenuTemplates)->enabled);
}

TEST_F(MainMenusTest, TheSubmenusFollowTheCurrentDatabaseAndRebuildOnlyWhatChanged) {
  StartApplication();
  SetDatabaseMenuBuilders(&kBuilders);
  T_Base* sales = new T_Base("C:\\Sales.qeb", 0);
  T_Base* stock = new T_Base("C:\\Stock.qeb", 0);
  SetPlural(sales->dimensions[0], "Accounts");
  SetPlural(sales->dimensions[1], "R&D units");
  SetPlural(stock->dimensions[0], "Articles");

  RebuildDatabaseMenus(sales);
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuDimensions)).substr(0, 54),
            "Accounts [25] Ctrl+1\nR&&D units [26] Ctrl+2\nDim 3 [27]");
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuTemplates)),
            "Cards [2547] Ctrl+F\nLines [2548] Ctrl+L\nComponents [2549]\nTime Functions [2550]\n"
            "Component Functions [2551]\n-\nSet Defaults... [2552]\n"
            "Install Template... [2553] Ctrl+R\nRemove Template [2554]\n-\nmy template\n"
            "Execute\n  -\n");
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuSubsets)),
            "New Subset [2534]\nDelete Subset [2535] (off)\n-\nmy subset\n");
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuSaveSetups)),
            "New Save Setup [2505]\nDelete Save Setup [2506]\n-\nmy save setup\n");
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuImportSetups)),
            "New Import Setup [2511]\nDelete Import Setup [2512]\n-\nmy import setup\n");
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuTimeScales)),
            "New Time Scale [2537]\nDelete Time Scale [2538] (off)\n-\nmy time scale\n");
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuMacros)),
            "New Macro [2540]\nDelete Macro [2541] (off)\n-\nmy macro\n");
  // The macros come after "Analysis", whose emptying would lose their "Execute" submenu.
  EXPECT_EQ(Built(), (std::vector<std::string>{"save setup", "import setup", "subset", "time scale",
                                               "template", "macro"}));

  // A second window of the same database: nothing is rebuilt, the bar stays as it is.
  Built().clear();
  T_MenuItem* cards = DatabaseSubmenu(kMenuTemplates)->firstChild;
  ClearMenusChanged();
  RebuildDatabaseMenus(sales);
  EXPECT_EQ(DatabaseSubmenu(kMenuTemplates)->firstChild, cards);
  EXPECT_TRUE(Built().empty());
  EXPECT_FALSE(MenusChanged());

  // A renamed dimension rebuilds the dimensions only.
  SetPlural(sales->dimensions[0], "Ledger");
  RebuildDatabaseMenus(sales);
  EXPECT_EQ(std::string(DatabaseSubmenu(kMenuDimensions)->firstChild->Title()), "Ledger");
  EXPECT_EQ(DatabaseSubmenu(kMenuTemplates)->firstChild, cards);
  EXPECT_TRUE(Built().empty());

  // Another database: everything follows it.
  RebuildDatabaseMenus(stock);
  EXPECT_EQ(std::string(DatabaseSubmenu(kMenuDimensions)->firstChild->Title()), "Articles");
  EXPECT_EQ(Built().size(), 6u);

  // The current database goes: the menus are for none again at the next update.
  DeleteBase(stock, kCloseSilently);
  app->UpdateCommands();
  EXPECT_EQ(std::string(DatabaseSubmenu(kMenuDimensions)->firstChild->Title()), "Dim 1");
  EXPECT_EQ(Dump(DatabaseSubmenu(kMenuTemplates)), "");
}

// The states of the entries as "title:on/off" for a list of commands and menus.
std::string States() {
  std::string out;
  auto add = [&](T_MenuItem* item) {
    if (!item) {
      out += "? ";
      return;
    }
    out += std::string(item->Title()) + (item->enabled ? ":on " : ":off ");
  };
  for (int32_t command : {kCommandPreferences,
                          kCommandAbout,
                          kCommandOpen,
                          kCommandNew,
                          kCommandClose,
                          kCommandSave,
                          kCommandSaveTemplates,
                          kCommandProtection,
                          kCommandWebUsers,
                          kCommandImportDialog,
                          kCommandExport,
                          kCommandCopyTable,
                          kCommandCopyingOptions,
                          kCommandExpandAll,
                          kCommandNewTagged,
                          2505,
                          2526,
                          2527,
                          2542,
                          2547}) {
    add(Find(command));
  }
  add(DatabaseSubmenu(kMenuSaveSetups));
  add(DatabaseSubmenu(kMenuImportSetups));
  add(DatabaseMenu());
  add(DatabaseSubmenu(kMenuTemplates));
  add(DatabaseSubmenu(kMenuDimensions)->firstChild);
  return out;
}

T_Base* protectionEdited = nullptr;

TEST_F(MainMenusTest, EntryStatesFollowTheDatabaseAndAModalRun) {
  // The database serves what its layers installed: here the protection editor, the database
  // information and the dimension editor.
  BaseServices services{};
  services.editProtection = [](T_Base* base) { protectionEdited = base; };
  services.showDatabaseInfo = [](T_Base*) {};
  services.openDimensionEditor = [](T_Base*, int32_t) {};
  SetBaseServices(&services);
  StartApplication();
  app->UpdateCommands();
  EXPECT_EQ(States(),
            "Preferences:on About:on Open:on New:on Close:off Save:off Save Templates:off "
            "Protection:off Web Users:off Import:off Export:off Copy Table:off "
            "Copying Options:off Expand All:off New:off New Save Setup:on New Card:on "
            "Delete Card:off Database Info:on ? Save Special:off Import Setups:off "
            "Database:off Analysis:off Dim 1:off ");

  T_Base* base = new T_Base("C:\\Sales.qeb", 0);
  RebuildDatabaseMenus(base);
  app->UpdateCommands();
  EXPECT_EQ(States(),
            "Preferences:on About:on Open:on New:on Close:on Save:off Save Templates:off "
            "Protection:on Web Users:off Import:on Export:off Copy Table:off "
            "Copying Options:off Expand All:off New:off New Save Setup:off New Card:off "
            "Delete Card:off Database Info:on Cards:off Save Special:on Import Setups:on "
            "Database:on Analysis:on Dim 1:on ");

  std::string whileModal;
  WhileModal([&](T_Window* dialog) {
    app->UpdateCommands();
    whileModal = States();
    dialogs_test::PressButton(dialog, kDialogCancelId);
  });
  RunExpandDialog(nullptr, 3, 1);
  EXPECT_EQ(whileModal,
            "Preferences:off About:off Open:on New:on Close:off Save:off Save Templates:off "
            "Protection:off Web Users:off Import:off Export:off Copy Table:off "
            "Copying Options:off Expand All:off New:off New Save Setup:off New Card:off "
            "Delete Card:off Database Info:on Cards:off Save Special:off Import Setups:off "
            "Database:off Analysis:off Dim 1:on ");
}

TEST_F(MainMenusTest, CommandsTheApplicationDoesNotTakeGoToTheCurrentDatabase) {
  BaseServices services{};
  services.editProtection = [](T_Base* base) { protectionEdited = base; };
  SetBaseServices(&services);
  StartApplication();
  protectionEdited = nullptr;
  EXPECT_FALSE(app->DoCommand(kCommandProtection));  // no database
  T_Base* base = new T_Base("C:\\Sales.qeb", 0);
  RebuildDatabaseMenus(base);
  EXPECT_TRUE(app->DoCommand(kCommandProtection));
  EXPECT_EQ(protectionEdited, base);
  EXPECT_FALSE(app->DoCommand(2505));  // no save setup editor yet
  EXPECT_FALSE(app->DoCommand(4711));
}

}  // namespace
}  // namespace app_test
