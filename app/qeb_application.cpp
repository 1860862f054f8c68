#include "app/qeb_application.h"

#include "analysis/boxwin/box_window.h"
#include "app/about_box.h"
#include "app/com_server.h"
#include "app/document_files.h"
#include "app/help_files.h"
#include "app/main_menus.h"
#include "app/preferences.h"
#include "app/prefs_dialog.h"
#include "app/recent_files.h"
#include "app/run_application.h"
#include "app/signature.h"
#include "app/web_listener.h"
#include "core/alert.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/commands.h"
#include "database/file_progress.h"
#include "database/menu_marks.h"
#include "database/object_menus.h"
#include "database/protection.h"
#include "ui/dialog_base.h"
#include "ui/document_window.h"
#include "ui/window.h"

namespace {

constexpr int32_t kOpenKinds = kFileKindQeb | kFileKindQex | kFileKindTxt;
constexpr int32_t kMessageConnectionsFail = 105;
constexpr int32_t kButtonQuit = 721;

T_Base* CurrentDatabase() { return MenuMarks().current; }

bool IsOpen(T_Base* base) {
  for (T_Base* open = FirstBase(); open; open = open->next) {
    if (open == base) return true;
  }
  return false;
}

void OpenWithDialog() {
  T_TextBuf path;
  if (FileOpenDialog(&path, kOpenKinds)) OpenDatabaseFile(path.c_str(), kOpenPlain, nullptr);
}

// Alert 105: "Cancel" keeps the program; "Quit" (the default, also unattended) goes on.
bool ConfirmDropConnections() {
  AlertRequest request;
  AlertInit(&request);
  request.message = kMessageConnectionsFail;
  AlertAddButton(&request, kButtonCancel);
  AlertAddButton(&request, kButtonQuit);
  request.defaultAnswer = 1;
  return ShowAlert(&request) != 0;
}

void Reopen(T_Base* base) {
  if (!base->path || base->path->empty()) return;  // an untitled database has no file
  T_TextBuf path(*base->path);
  T_TextBuf password;
  if (base->protection) GetProtectionPassword(base->protection, &password);
  if (DeleteBase(base, kCloseSilently)) {
    OpenDatabaseFile(path.c_str(), kOpenPlain, password.empty() ? nullptr : password.c_str());
  }
  TextBufWipe(&password);
}

}  // namespace

// --- T_QEB --------------------------------------------------------------------------------------

T_QEB::T_QEB() : T_Application(false) {
  BuildMainMenus();
  BuildRecentFilesMenu();
  EventHandler_Open(this);
}

T_QEB::~T_QEB() {
  Prefs().serveWeb = false;
  ShutdownWebService();
  ForgetMainMenus();
}

void T_QEB::Notify(int32_t code) {
  T_Application::Notify(code);
  // A database's unnamed dimensions show the default names of the language.
  if (code == kNotifyLanguage) MarkMenuStale(CurrentDatabase(), kMenuDimensions);
  if (code == kNotifyTick) ServerIdleQuit();
  if (code == kNotifyOpened && !started) {
    started = 1;
    if (Prefs().serveWeb) RestartWebService();
  }
}

void T_QEB::UpdateCommands() {
  T_Application::UpdateCommands();
  UpdateMainMenuStates(ModalLoopRunning());
}

bool T_QEB::DoCommand(int32_t command) {
  switch (command) {
    case kCommandNew:
      NewUntitledDatabase();
      return true;
    case kCommandOpen:
      OpenWithDialog();
      return true;
    case kCommandClose:
      if (T_Base* base = CurrentDatabase()) DeleteBase(base, kCloseAskAlways);
      return true;
    case kCommandAbout:
      ShowAboutBox();
      return true;
    case kCommandPreferences:
      ShowPreferencesDialog();
      return true;
    case kCommandRecentFile:
      OpenRecentFile(ChosenRecentSlot());
      return true;
    case kCommandClearRecentFiles:
      ClearRecentFileList();
      return true;
    case kCommandSignature:
      RunSignatureDialog(ActiveWindow());
      return true;
    case kCommandHelp:
      OpenHelpFile();
      return true;
    case kCommandMakerHomePage:
      OpenMakerHomePage();
      return true;
    case kCommandUserManual:
      OpenUserManual();
      return true;
    case kCommandImportDialog:
      // Any window may be active: the import goes into the database the menus are for.
      if (T_Base* base = CurrentDatabase(); base && CurrentDocumentOperations().importFileWithDialog)
        CurrentDocumentOperations().importFileWithDialog(base);
      return true;
    default:
      break;
  }
  if (T_Application::DoCommand(command)) return true;
  T_Base* base = CurrentDatabase();
  int32_t own = DatabaseCommandOf(command);
  return base && own && base->DoCommand(own);
}

void T_QEB::OpenDocument(int32_t code, const char* path) {
  T_Base* base = CurrentDatabase();
  switch (code) {
    case 0:
      OpenDatabaseFile(path, kOpenPlain, nullptr);
      break;
    case 1:
      if (base) {
        ImportDatabaseFile(base, path, kImportFromDocument);
      } else {
        OpenDatabaseFile(path, kOpenPlain, nullptr);
      }
      break;
    case 2:
      OpenDatabaseFile(path, kOpenFlag2, nullptr);
      break;
    case 3:
      if (base) SaveDatabaseFileAs(base, path);
      break;
    default:
      T_Application::OpenDocument(code, path);
      break;
  }
}

bool T_QEB::QueryClose(int32_t code) {
  if (ComServerAvailable() && ObjectsOutstanding() && !ConfirmDropConnections()) return false;
  if (FileProgressCurrent()) return false;
  while (T_Base* base = FirstBase()) {
    if (!DeleteBase(base, code)) return false;
    if (FirstBase() == base) return false;  // agreed but still open: never loop on it
  }
  return T_Application::QueryClose(code);
}

bool T_QEB::CloseAllWindows(T_Window* window, int32_t code) {
  T_Base* database = window ? WindowDatabase(window) : nullptr;
  for (T_GrafElement* child = firstChild; child;) {
    T_GrafElement* following = child->next;
    auto* other = static_cast<T_Window*>(child);
    auto* document = dynamic_cast<T_HWindow*>(other);
    bool skip = other == window || (document && document->windowKind == kWindowDatabase) ||
                (window && WindowDatabase(other) != database);
    if (!skip && !EventHandler_RequestClose(child, code)) return false;
    child = following;
  }
  return !window || EventHandler_RequestClose(window, code);
}

void InstallApplicationServices() {
  DocumentOperations hooks = CurrentDocumentOperations();
  hooks.rebuildDatabaseMenus = RebuildDatabaseMenus;
  SetDocumentOperations(&hooks);
  // The commands "close" and "quit" end what runs them, so they wait for the current message.
  CommandAppServices commands;
  commands.closeDatabase = [](T_Base* base) { PostDeferFileCom(kDeferClose, base); };
  commands.quitProgram = [](T_Base* base) { PostDeferFileCom(kDeferQuit, base); };
  SetCommandAppServices(&commands);
  // The entries of the stored objects come from the engine's builders.
  DatabaseMenuBuilders builders;
  builders.saveSetups = [](T_MenuItem* menu, T_Base* base) { BuildSaveSetupMenu(base, menu); };
  builders.importSetups = [](T_MenuItem* menu, T_Base* base) { BuildImportSetupMenu(base, menu); };
  builders.subsets = [](T_MenuItem* menu, T_Base* base) { BuildSubsetMenu(base, menu); };
  builders.timeScales = [](T_MenuItem* menu, T_Base* base) { BuildTimeScaleMenu(base, menu); };
  builders.macros = [](T_MenuItem* menu, T_MenuItem* analysis, T_Base* base) {
    BuildMacroMenu(base, menu, analysis);
  };
  builders.templates = [](T_MenuItem* menu, T_Base* base) { BuildTemplateMenu(base, menu); };
  SetDatabaseMenuBuilders(&builders);
  // Analysis windows recalculate by themselves only while the preference says so.
  BoxWinServices box = BoxServices();
  box.autoRecalc = [] { return Prefs().autoRecalc; };
  SetBoxWinServices(&box);
}

// --- Deferred file commands --------------------------------------------------------------------

void T_DeferFileCom::Execute() {
  if (code == kDeferQuit) {
    PendingErrorReport();
    if (T_Application* app = App()) Application_RequestQuit(app, 3);
    return;
  }
  if (!IsOpen(base)) return;
  if (code == kDeferClose) {
    PendingErrorReport();
    DeleteBase(base, kCloseSilently);
  } else if (code == kDeferReopen) {
    Reopen(base);
  }
}

void PostDeferFileCom(uint32_t code, T_Base* base) {
  T_Application* app = App();
  if (!app) return;
  app->PostAction(new T_DeferFileCom(code, base));
}

void BroadcastSetting(int32_t code) {
  ChangeNote note;
  note.code = code;
  BroadcastToAllBases(&note);
}

bool TruncateFile(const char* path) {
  SysFile file;
  FileInit(&file);
  bool done = FileOpenWrite(&file, path) && FileSeek(&file, 0) && FileSetEnd(&file);
  FileDestroy(&file);
  return done;
}
