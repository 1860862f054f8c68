// The program's menus as a user meets them: the example database opened with every layer in
// place, each kind of window opened from the Analysis menu, and the entries read from the native
// menu bar after the messages a click on the bar sends. The command table is walked against the
// built menus and the real handlers.
#include <windows.h>

#include <string>
#include <vector>

#include "analysis/boxwin/box_window.h"
#include "app/command_table.h"
#include "app/preferences.h"
#include "app/run_application.h"
#include "app_fixture.h"
#include "database/opening.h"
#include "editors/editor_questions.h"
#include "import/imp_setup_editor.h"
#include "tests/source_path.h"
#include "ui/dialog_base.h"
#include "ui/document_window.h"
#include "core/alert.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"

namespace app_test {
namespace {

class CommandStatesTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    InstallProgramParts();
    // The home page goes to the recorded shell, never to a browser of the machine.
    SetBrowserAvailableHook([] { return false; });
    // The states before the first calculation must be seen.
    Prefs().autoRecalc = false;
    StartApplication();
    // A copy: the tests install templates and save.
    copyPath = ExportPath("qeb_menu_example.qeb");
    ASSERT_TRUE(CopyFileA(TestSourcePath("examples/Example.qeb").c_str(), copyPath.c_str(), FALSE));
    base = openDatabase(copyPath.c_str(), nullptr, 0);
    ASSERT_NE(base, nullptr);
    Idle();
  }
  void TearDown() override {
    AppTest::TearDown();
    SetBrowserAvailableHook(nullptr);
    SetBaseServices(nullptr);
    DeleteFileA(copyPath.c_str());
  }

  // The idle pass of the main loop: states set and the bar rebuilt.
  static void Idle() {
    SetIdleInterval(0);
    Application_Idle(App());
  }

  // What a click on the bar sends before a menu shows.
  static void OpenEveryMenu() {
    HMENU bar = GetMenu(FrameWindow());
    SendMessageW(FrameWindow(), WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
    for (int32_t i = 0; i < GetMenuItemCount(bar); ++i) {
      if (HMENU menu = GetSubMenu(bar, i)) {
        SendMessageW(FrameWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), i);
      }
    }
  }

  // Whether the native entry of the command can be chosen: it and every menu above it enabled.
  static bool Enabled(int32_t command) {
    T_MenuItem* entry = MenuItem_FindCommand(MenuRoot(), command);
    if (!entry || !entry->nativeNumber) return false;
    HMENU bar = GetMenu(FrameWindow());
    if (GetMenuState(bar, entry->nativeNumber, MF_BYCOMMAND) & MF_GRAYED) return false;
    for (T_MenuItem* menu = entry->parent; menu && menu->parent; menu = menu->parent) {
      if (!menu->parent->parent) {
        for (int32_t i = 0; i < GetMenuItemCount(bar); ++i) {
          if (GetSubMenu(bar, i) == menu->nativeMenu &&
              (GetMenuState(bar, i, MF_BYPOSITION) & MF_GRAYED))
            return false;
        }
      }
    }
    return true;
  }

  // The enabled entries among those a window kind may serve, in menu order.
  static std::string EnabledEntries() {
    OpenEveryMenu();
    std::string out;
    const std::pair<int32_t, const char*> entries[] = {
        {kCommandSaveTemplates, "SaveTemplates"},
        {kCommandPrint, "Print"},
        {kCommandImportDialog, "Import"},
        {kCommandExport, "Export"},
        {kCommandCopy, "Copy"},
        {kCommandCopyTable, "CopyTable"},
        {kCommandSelectAll, "SelectAll"},
        {kCommandExpandAll, "ExpandAll"},
        {kCommandExpandTo, "ExpandTo"},
        {kCommandAdjustWidths, "AdjustWidths"},
        {2526, "NewCard"},
        {2527, "DeleteCard"},
        {2528, "Transform"},
        {2529, "Aggregate"},
        {2530, "DeleteData"},
        {2531, "Examine"},
        {2532, "Approve"},
        {2547, "Cards"},
        {kCommandSetDefaults, "SetDefaults"},
        {kCommandInstallTemplate, "InstallTemplate"},
        {kCommandRemoveTemplate, "RemoveTemplate"},
    };
    for (auto [command, name] : entries) {
      if (Enabled(command)) out += std::string(out.empty() ? "" : " ") + name;
    }
    return out;
  }

  // Chooses the entry as a click would: the menu opens, then its command number comes.
  static void Choose(int32_t command) {
    Idle();
    OpenEveryMenu();
    T_MenuItem* entry = MenuItem_FindCommand(MenuRoot(), command);
    ASSERT_NE(entry, nullptr) << command;
    SendMessageW(FrameWindow(), WM_COMMAND, entry->nativeNumber, 0);
    Idle();
  }

  static T_HWindow* Active() { return dynamic_cast<T_HWindow*>(ActiveWindow()); }

  // A fresh path in the temporary folder for an export; the file does not exist yet.
  static std::string ExportPath(const char* name) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + name;
    DeleteFileA(path.c_str());
    return path;
  }
  static bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  static void SendCommand(int32_t command) {
    T_MenuItem* entry = MenuItem_FindCommand(MenuRoot(), command);
    ASSERT_NE(entry, nullptr);
    SendMessageW(FrameWindow(), WM_COMMAND, entry->nativeNumber, 0);
  }

  T_Base* base = nullptr;
  std::string copyPath;
};

TEST_F(CommandStatesTest, EachWindowKindEnablesItsEntriesBeforeAndAfterCalculationAndWithACell) {
  struct Case {
    int32_t analysis;  // the Analysis menu entry that opens the window
    int32_t kind;
    const char* before;
    const char* calculated;
    const char* cell;
  };
  // Every analysis window can save the templates, import into its database and take defaults;
  // the data operations need rows of cards or lines, the tree commands more than one node.
  const Case cases[] = {
      {2547, kWindowCards,
       "SaveTemplates Import AdjustWidths NewCard Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export CopyTable AdjustWidths NewCard Transform Aggregate "
       "DeleteData Examine Approve Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export Copy CopyTable AdjustWidths NewCard Transform Aggregate "
       "DeleteData Examine Approve Cards SetDefaults InstallTemplate"},
      {2548, kWindowLines,
       "SaveTemplates Import AdjustWidths NewCard Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export CopyTable AdjustWidths NewCard Transform Aggregate "
       "DeleteData Examine Approve Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export Copy CopyTable AdjustWidths NewCard Transform Aggregate "
       "DeleteData Examine Approve Cards SetDefaults InstallTemplate"},
      {2549, kWindowComponents,
       "SaveTemplates Import AdjustWidths NewCard Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export CopyTable ExpandAll ExpandTo AdjustWidths NewCard Cards "
       "SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export Copy CopyTable ExpandAll ExpandTo AdjustWidths NewCard "
       "Cards SetDefaults InstallTemplate"},
      {2550, kWindowTimeFunctions,
       "SaveTemplates Import Copy AdjustWidths NewCard Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export Copy CopyTable AdjustWidths NewCard Transform Aggregate "
       "DeleteData Examine Approve Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export Copy CopyTable AdjustWidths NewCard Transform Aggregate "
       "DeleteData Examine Approve Cards SetDefaults InstallTemplate"},
      {2551, kWindowComponentFunctions,
       "SaveTemplates Import Copy AdjustWidths NewCard Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export Copy CopyTable ExpandAll ExpandTo AdjustWidths NewCard "
       "Cards SetDefaults InstallTemplate",
       "SaveTemplates Print Import Export Copy CopyTable ExpandAll ExpandTo AdjustWidths NewCard "
       "Cards SetDefaults InstallTemplate"},
  };
  // The database window first, as the program shows it after opening.
  EXPECT_EQ(EnabledEntries(), "Import NewCard Transform Aggregate DeleteData Cards");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    Choose(c.analysis);
    T_HWindow* window = Active();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->windowKind, c.kind);
    EXPECT_EQ(EnabledEntries(), c.before);
    window->Calculate(true);
    Idle();
    EXPECT_EQ(EnabledEntries(), c.calculated);
    auto* box = dynamic_cast<T_BoxWin*>(window);
    ASSERT_NE(box, nullptr);
    box->SetSelectMode(kSelectEdit);
    box->SelectEditCell(box->headerRowCount, 0);
    Idle();
    EXPECT_EQ(EnabledEntries(), c.cell);
    EventHandler_RequestClose(window, kCloseSilently);
    Idle();
  }
}

// Each modal run a command starts is cancelled, as a user would; none is left waiting.
void CancelModals() {
  App()->PostAction(new dialogs_test::T_StepAction([] {
    for (T_Window* dialog = ModalListFirst(); dialog; dialog = dialog->nextModal)
      Dialog_EndModal(dialog);
  }));
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

// The entries with a command number below the menu, depth first.
void CollectCommands(const T_MenuItem* menu, std::vector<const T_MenuItem*>* out) {
  for (const T_MenuItem* item = menu->firstChild; item; item = item->next) {
    if (item->firstChild) {
      CollectCommands(item, out);
    } else if (item->command != 0) {
      out->push_back(item);
    }
  }
}

// An entry nobody runs cannot stand (as Import once did): every entry of the program's menus has
// its row, and every row's command is taken by the one the row names, in a window of a kind the
// row says enables it.
TEST_F(CommandStatesTest, EveryEntryHasARowAndEveryRowAHandlerThatTakesIt) {
  Choose(2547);
  std::vector<const T_MenuItem*> entries;
  for (int32_t menu : {kMenuFile, kMenuEdit}) CollectCommands(StandardMenu(menu), &entries);
  CollectCommands(DatabaseMenu(), &entries);
  CollectCommands(DatabaseSubmenu(kMenuTemplates), &entries);
  CollectCommands(StandardMenu(kMenuHelp), &entries);
  for (const T_MenuItem* entry : entries) {
    EXPECT_NE(FindCommandRow(entry->command), nullptr) << entry->Title() << " " << entry->command;
  }

  // Where windows run a command, the first kind of the row that the Analysis menu opens.
  const int32_t openers[] = {0, 2547, 2548, 2549, 2550, 2551};
  int32_t count = 0;
  const CommandRow* rows = CommandRows(&count);
  for (int32_t i = 0; i < count; ++i) {
    const CommandRow& row = rows[i];
    SCOPED_TRACE(row.command);
    if (row.runner == kRunDatabase) {
      EXPECT_TRUE(base->IsCommandEnabled(row.database));
      continue;
    }
    // The toolkit's own commands and the recent files (no file was opened) have their tests.
    if (row.command < 0 || row.command == kCommandRecentFile) continue;
    T_EventHandler* target = App();
    if (row.runner == kRunWindow) {
      int32_t kind = 0;
      for (int32_t k = 1; k <= 5 && !kind; ++k) kind = (row.windows & WindowBit(k)) ? k : 0;
      if (!kind) continue;  // an editor's own command: the editors' tests run it
      Choose(openers[kind]);
      Active()->Calculate(true);
      target = CommandTarget();
    }
    // Enabled means it runs; a grey entry was never offered.
    Idle();
    OpenEveryMenu();
    if (!Enabled(row.command)) continue;
    FileDialogAnswerInAdvance(nullptr);
    CancelModals();
    EXPECT_TRUE(target->DoCommand(row.command));
    Application_AfterMessage(App());
    PendingErrorClear();
  }
}

// A calculation that failed leaves the window without rows: what needs rows stays grey, and
// neither the command number of a grey entry, sent as a click would, nor its key runs it.
TEST_F(CommandStatesTest, AWindowWhoseCalculationFailedOffersNothingThatNeedsRows) {
  Choose(2547);
  T_HWindow* window = Active();
  ASSERT_NE(window, nullptr);
  PendingError.abort.store(true);
  window->Calculate(true);
  PendingErrorClear();
  Idle();
  EXPECT_EQ(EnabledEntries(),
            "SaveTemplates Import AdjustWidths NewCard Cards SetDefaults InstallTemplate");
  std::string path = ExportPath("qeb_menu_failed.txt");
  FileDialogAnswerInAdvance(path.c_str());
  SendCommand(kCommandExport);
  EXPECT_FALSE(MenuRunShortcut('E', 0));  // Ctrl+E
  EXPECT_FALSE(Exists(path));

  // Once calculated, the same click exports, and so does the key.
  window->Calculate(true);
  SendCommand(kCommandExport);
  EXPECT_TRUE(Exists(path));
  DeleteFileA(path.c_str());
  FileDialogAnswerInAdvance(path.c_str());
  EXPECT_TRUE(MenuRunShortcut('E', 0));
  EXPECT_TRUE(Exists(path));
  DeleteFileA(path.c_str());
}

// A click queued while the database goes: its window and entries are gone when it arrives, and
// nothing runs on what was freed.
TEST_F(CommandStatesTest, ACommandArrivingAfterItsDatabaseClosedRunsNothing) {
  Choose(2547);
  Active()->Calculate(true);
  Idle();
  OpenEveryMenu();
  uint32_t exportNumber = MenuItem_FindCommand(MenuRoot(), kCommandExport)->nativeNumber;
  uint32_t transformNumber = MenuItem_FindCommand(MenuRoot(), 2528)->nativeNumber;
  ASSERT_TRUE(Enabled(kCommandExport));
  PostMessageW(FrameWindow(), WM_COMMAND, exportNumber, 0);
  PostMessageW(FrameWindow(), WM_COMMAND, transformNumber, 0);
  ASSERT_TRUE(DeleteBase(base, kCloseSilently));
  base = nullptr;
  std::string path = ExportPath("qeb_menu_closed.txt");
  FileDialogAnswerInAdvance(path.c_str());
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  Idle();
  EXPECT_EQ(ActiveWindow(), nullptr);
  EXPECT_EQ(EnabledEntries(), "");
  EXPECT_FALSE(Exists(path));
  FileDialogAnswerInAdvance(nullptr);
}

// Save is offered exactly when Exit would ask: an untouched new import setup holds nothing to
// keep; an edited one makes Save store it into the database before the file is written, after
// which Exit has nothing to ask.
TEST_F(CommandStatesTest, SaveIsOfferedExactlyWhenExitWouldAskAndStoresAnEditedImportSetup) {
  Choose(2511);  // New Import Setup
  auto* editor = dynamic_cast<T_ImpSetupEditor*>(Active());
  ASSERT_NE(editor, nullptr);
  OpenEveryMenu();
  EXPECT_FALSE(Enabled(kCommandSave));

  editor->copy.rowsPerCard = 3;  // as the "Rows per card" field stores an edit
  OpenEveryMenu();
  EXPECT_TRUE(Enabled(kCommandSave));
  user.press[kAskAdd] = {kButtonAdd};
  SendCommand(kCommandSave);
  EXPECT_EQ(user.Messages(), std::vector<int32_t>{kAskAdd});
  ASSERT_NE(base->importSetups, nullptr);
  EXPECT_EQ(base->importSetups->rowsPerCard, 3u);
  EXPECT_FALSE(base->modified);
  OpenEveryMenu();
  EXPECT_FALSE(Enabled(kCommandSave));

  user.asked.clear();
  EXPECT_TRUE(app->QueryClose(kCloseAsk));
  EXPECT_TRUE(user.asked.empty());
  base = nullptr;
}

}  // namespace
}  // namespace app_test
