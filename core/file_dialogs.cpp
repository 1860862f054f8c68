#include "core/file_dialogs.h"

#include <windows.h>
// After windows.h.
#include <commdlg.h>
#include <exdisp.h>
#include <shellapi.h>

#include <cstring>

#include "core/alert.h"
#include "core/files.h"
#include "core/localized_text.h"
#include "core/message_pump.h"

namespace {

T_TextBuf dialogTitle;
bool answerWaiting = false;
T_TextBuf answer;
ShellOpenHook shellOpenHook = nullptr;
BrowserAvailableHook browserAvailableHook = nullptr;

void AddFilter(std::wstring* list, int32_t label, const wchar_t* pattern) {
  *list += WidePathText(GetString(label));
  *list += L"   ";
  *list += pattern;
  list->push_back(0);
  *list += pattern;
  list->push_back(0);
}

bool RunDialog(T_TextBuf* path, int32_t kinds, bool save) {
  bool chosen;
  if (answerWaiting) {
    answerWaiting = false;
    chosen = !answer.empty();
    if (chosen) TextBufAssignBuf(path, &answer);
  } else {
    std::wstring filters = FileFilterList(kinds);
    wchar_t file[260];
    Utf8ToWideFixed(file, sizeof(file), path->c_str());
    T_TextBuf folderText;
    PathGetDir(path->c_str(), &folderText);
    std::wstring folder = WidePathText(folderText.c_str());
    std::wstring title = WidePathText(dialogTitle.c_str());
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = PumpFrameWindow();
    request.lpstrFilter = filters.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = file;
    request.nMaxFile = 260;
    request.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    request.lpstrTitle = title.empty() ? nullptr : title.c_str();
    request.Flags = save ? OFN_OVERWRITEPROMPT : OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    chosen = (save ? GetSaveFileNameW(&request) : GetOpenFileNameW(&request)) != 0;
    if (chosen) TextBufAssignWidePath(path, file, static_cast<int32_t>(wcslen(file)));
  }
  if (!chosen) PendingErrorCancel();
  SetBusyDeadline();
  return chosen;
}

}  // namespace

void SetFileDialogTitle(const char* title) { TextBufAssign(&dialogTitle, title); }

std::wstring FileFilterList(int32_t kinds) {
  std::wstring list;
  if (kinds & kFileKindQeb) AddFilter(&list, 103, L"*.qeb");
  if (kinds & kFileKindQex) AddFilter(&list, 104, L"*.qex");
  if (kinds & kFileKindTxt) AddFilter(&list, 102, L"*.txt");
  AddFilter(&list, 101, L"*.*");
  list.push_back(0);
  return list;
}

bool FileOpenDialog(T_TextBuf* path, int32_t kinds) { return RunDialog(path, kinds, false); }
bool FileSaveDialog(T_TextBuf* path, int32_t kinds) { return RunDialog(path, kinds, true); }

void FileDialogAnswerInAdvance(const char* path) {
  answerWaiting = true;
  TextBufAssign(&answer, path);
}

void SetShellOpenHook(ShellOpenHook hook) { shellOpenHook = hook; }
void SetBrowserAvailableHook(BrowserAvailableHook hook) { browserAvailableHook = hook; }

bool ShellOpen(const char* path) {
  if (path == nullptr || *path == 0) return false;
  if (shellOpenHook != nullptr) return shellOpenHook(path);
  // The wide call: the ANSI one would read the UTF-8 path in the system code page.
  std::wstring target = WidePathText(path);
  HINSTANCE result = ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool BrowserShowUrl(const char* url) {
  if (url == nullptr || *url == 0) return false;
  bool available = browserAvailableHook != nullptr ? browserAvailableHook() : true;
  IWebBrowser2* browser = nullptr;
  if (available &&
      SUCCEEDED(CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                                 IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) {
    BSTR address = BstrFromText(url);
    VARIANT empty;
    VariantInit(&empty);
    HRESULT navigated = browser->Navigate(address, &empty, &empty, &empty, &empty);
    SysFreeString(address);
    if (SUCCEEDED(navigated)) {
      browser->put_Visible(VARIANT_TRUE);
      SHANDLE_PTR window = 0;
      if (SUCCEEDED(browser->get_HWND(&window)) && window != 0) {
        BringWindowToTop(reinterpret_cast<HWND>(window));
        SetForegroundWindow(reinterpret_cast<HWND>(window));
      }
    } else {
      browser->Quit();  // an invisible browser would stay behind
    }
    browser->Release();
    if (SUCCEEDED(navigated)) return true;
  }
  return ShellOpen(url);
}
