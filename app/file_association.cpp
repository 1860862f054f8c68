#include "app/file_association.h"

#include <shlobj.h>

#include <string>

#include "app/preferences.h"
#include "app/program_location.h"
#include "core/alert.h"
#include "core/files.h"

namespace {

constexpr int32_t kMessageNotAssociated = 2902;
constexpr int32_t kMessageAccessDenied = 2903;
constexpr int32_t kTextWarning = 2904;
constexpr const wchar_t* kClasses = L"Software\\Classes\\";

struct FileKindRow {
  const wchar_t* extension;
  const wchar_t* progId;
  const wchar_t* description;
  const wchar_t* iconSuffix;
};

constexpr FileKindRow kFileKinds[] = {
    {L".qeb", L"QEB-Norm", L"QEB file", L",1"},
    {L".qex", L"QEB-Text", L"QEB text file", L",2"},
};

AssociationKeyCreator keyCreator = nullptr;
bool accessDeniedShown = false;

void ShowAccessDenied() {
  if (accessDeniedShown) return;
  accessDeniedShown = true;
  AlertRequest request;
  AlertInit(&request);
  request.message = kMessageAccessDenied;
  request.beeps = 1;
  AlertAddButton(&request, kButtonOk);
  ShowAlert(&request);
}

void SetDefaultValue(const std::wstring& path, const std::wstring& value) {
  SetRegistryDefault(HKEY_CURRENT_USER, path.c_str(), value.c_str());
}

bool QebKeyExists() {
  HKEY key = nullptr;
  std::wstring path = std::wstring(kClasses) + L".qeb";
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

LONG CreateRegistryKey(HKEY root, const wchar_t* path, HKEY* key) {
  *key = nullptr;
  LONG result = keyCreator ? keyCreator(root, path, key)
                           : RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, key,
                                             nullptr);
  ReportRegistryFailure(result);
  return result;
}

void SetRegistryDefault(HKEY root, const wchar_t* path, const wchar_t* value) {
  HKEY key = nullptr;
  if (CreateRegistryKey(root, path, &key) != ERROR_SUCCESS) return;
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void ReportRegistryFailure(LONG result) {
  if (result == ERROR_ACCESS_DENIED) ShowAccessDenied();
}

void RegisterFileAssociations() {
  T_TextBuf program;
  ProgramFilePath(&program);
  std::wstring path = WidePathText(program.c_str());
  for (const FileKindRow& row : kFileKinds) {
    std::wstring progId = std::wstring(kClasses) + row.progId;
    SetDefaultValue(progId, row.description);
    SetDefaultValue(progId + L"\\DefaultIcon", path + row.iconSuffix);
    SetDefaultValue(progId + L"\\shell\\open\\command", L"\"" + path + L"\" \"%1\"");
    SetDefaultValue(std::wstring(kClasses) + row.extension, row.progId);
  }
  WriteAssociateMark('+');
  // Explorer caches the icons and verbs of file kinds until told.
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void CheckFileAssociation() {
  if (QebKeyExists() || ReadAssociateMark() == '-') return;
  AlertRequest request;
  AlertInit(&request);
  request.message = kMessageNotAssociated;
  request.title = kTextWarning;
  AlertAddButton(&request, kButtonOk);
  AlertAddButton(&request, kButtonCancel);
  request.defaultAnswer = 1;  // Cancel: nothing is written behind an absent user's back
  int32_t answer = ShowAlert(&request);
  if (answer == 0 || answer == kButtonOk) {
    RegisterFileAssociations();
  } else {
    WriteAssociateMark('-');
  }
}

void SetAssociationKeyCreator(AssociationKeyCreator creator) {
  keyCreator = creator;
  accessDeniedShown = false;
}
