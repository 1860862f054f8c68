#include "app/run_application.h"

#include <ole2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "analysis/cards/card_editor.h"
#include "analysis/cards/cards_install.h"
#include "analysis/cards/data_operations_install.h"
#include "analysis/components/cfunc_window.h"
#include "analysis/components/components_install.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/lines_install.h"
#include "analysis/time/tfunc_install.h"
#include "app/base_window.h"
#include "app/com_server.h"
#include "app/database_documents.h"
#include "app/file_association.h"
#include "app/file_wait.h"
#include "app/preferences.h"
#include "app/qeb_application.h"
#include "app/save_setup_editor.h"
#include "app/settings_dialogs.h"
#include "app/template_dialogs.h"
#include "app/xml_tester.h"
#include "app/recent_files.h"
#include "app/signature.h"
#include "app/web_listener.h"
#include "app/web_window_pages.h"
#include "core/alert.h"
#include "core/locale.h"
#include "core/system_info.h"
#include "core/text_buffer.h"
#include "database/data_operations.h"
#include "database/toolkit_adapter.h"
#include "editors/editor_services.h"
#include "import/setup_import.h"
#include "ui/alert_dialogs.h"
#include "ui/link_dialog.h"
#include "ui/main_loop.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace {

constexpr int32_t kMessageUndefinedParameter = 2901;  // "Undefined command line parameter @0"
constexpr int32_t kMessageNoInstanceSlot = 2108;
constexpr int32_t kMessageResourceError = 601;

bool comServerAvailable = false;
bool embedded = false;
HANDLE instanceSlot = nullptr;
T_QEB* application = nullptr;

// Answers every alert with its default answer and appends it to a file: the channel through
// which tests read what the program would have shown.
class T_FileAlerts : public T_AlertHandler {
 public:
  explicit T_FileAlerts(const wchar_t* path) {
    std::wcsncpy(path_, path, MAX_PATH);
    path_[MAX_PATH] = 0;
  }
  void Notify(const AlertRequest* request) override { Write(request); }
  int32_t Ask(const AlertRequest* request) override { return request->defaultAnswer; }
  bool IsUnattended() override { return true; }

 private:
  void Write(const AlertRequest* request) {
    T_TextBuf text;
    AlertFormatText(request, &text);
    FILE* file = _wfopen(path_, L"ab");
    if (!file) return;
    std::fprintf(file, "%d\t%s\n", request->message, text.data);
    std::fclose(file);
  }
  wchar_t path_[MAX_PATH + 1];
};

void ShowMessage(int32_t message, const char* text) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  request.beeps = 1;
  if (text) AlertAddText(&request, text);
  AlertAddButton(&request, kButtonOk);
  ShowAlert(&request);
}

bool TakeInstanceSlot() {
  for (int32_t slot = 0; slot < kInstanceSlots; ++slot) {
    wchar_t name[48];
    std::swprintf(name, 48, L"QEB.Instance.%d", slot);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, name);
    if (!mutex) continue;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(mutex);
      continue;
    }
    instanceSlot = mutex;
    SetInstanceNumber(slot);
    return true;
  }
  return false;
}

void ReleaseInstanceSlot() {
  if (!instanceSlot) return;
  ReleaseMutex(instanceSlot);
  CloseHandle(instanceSlot);
  instanceSlot = nullptr;
}

// The part of the run after the main loop, also run at once when the session ends.
void ShutDown() {
  CloseAllDatabases();
  delete application;
  application = nullptr;
  if (comServerAvailable) RevokeClassObjects();
  comServerAvailable = false;
  ReleaseInstanceSlot();
  OleUninitialize();
}

}  // namespace

bool ComServerAvailable() { return comServerAvailable; }
bool Embedded() { return embedded; }
void SetEmbedded(bool on) { embedded = on; }
void SetComServerAvailable(bool on) { comServerAvailable = on; }

bool ParseCommandLineSwitches(const char* text) {
  bool goOn = true;
  const char* segment = text ? text : "";
  while (*segment) {
    const char* end = std::strchr(segment + 1, '/');
    if (!end) end = segment + std::strlen(segment);
    T_TextBuf piece;
    TextBufAssignBytes(&piece, segment, static_cast<int32_t>(end - segment));
    if (StrStartsWithNoCase(piece.data, "/associate")) {
      RegisterFileAssociations();
      goOn = false;
    } else if (StrStartsWithNoCase(piece.data, "/regserver")) {
      if (comServerAvailable) RegisterServer();
      goOn = false;
    } else if (StrStartsWithNoCase(piece.data, "/unregserver")) {
      if (comServerAvailable) UnregisterServer();
      goOn = false;
    } else if (comServerAvailable && StrStartsWithNoCase(piece.data, "-embedding")) {
      SetFrameVisible(false);
      embedded = true;
    } else if (piece.data[0] == '/') {
      ShowMessage(kMessageUndefinedParameter, piece.data);
      goOn = false;
    }
    segment = end;
  }
  return goOn;
}

void InstallProgramParts() {
  InstallDatabaseServices();
  InstallEditors();
  InstallCards();
  InstallApplicationServices();
  InstallBaseWindows();
  InstallSettingsDialogs();
  InstallTemplateDialogs();
  InstallXmlTester();
  InstallWebService();
  InstallWebWindowPages();
  InstallSaveSetupEditor();
  InstallLinesWindow();
  InstallComponentsWindow();
  InstallFunctionTemplates();
  InstallTimeFunctionsWindow();
  InstallComponentFunctionsWindow();
  InstallCardEditor(GetSignatureStamp);
  InstallDataOperations();
  {
    // The command `signature` sets the user's signature as the Signature dialog does.
    DataOperationHooks hooks = CurrentDataOperationHooks();
    hooks.setSignature = [](const char* text) {
      return SetSignature(text, static_cast<int32_t>(std::strlen(text)));
    };
    SetDataOperationHooks(&hooks);
  }
  InstallTextImports();
  InstallFileProgressHooks();
}

void RunApplication() {
  T_AlertDialogs dialogs;
  T_FileAlerts* fileAlerts = nullptr;
  wchar_t alertFile[MAX_PATH + 1];
  DWORD n = GetEnvironmentVariableW(L"QEB_ALERT_FILE", alertFile, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) fileAlerts = new T_FileAlerts(alertFile);

  SetProgramName(kProductTitle, "");
  OleInitialize(nullptr);
  InstallProgramParts();
  ClearRecentFiles();
  LoadPreferences();
  // A class that cannot be registered is simply not reachable; the program goes on.
  RegisterClassObjects();
  comServerAvailable = true;
  InstallDatabaseDocuments();
  if (ParseCommandLineSwitches(CommandLineText())) {
    // A program started by COM shows no frame: a question there would wait for nobody.
    if (!embedded) CheckFileAssociation();
    if (!TakeInstanceSlot()) {
      ShowMessage(kMessageNoInstanceSlot, nullptr);
    } else {
      SetSessionEndHandler(ShutDown);
      NativeMenusInstall();
      LinkEditor_Install();
      application = new T_QEB;
      if (!FrameWindow()) {
        ShowMessage(kMessageResourceError, nullptr);
      } else {
        MainLoop(&application->quitRequested);
      }
      SetSessionEndHandler(nullptr);
    }
  }
  ShutDown();
  delete fileAlerts;
}
