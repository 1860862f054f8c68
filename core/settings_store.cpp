#include "core/settings_store.h"

#include <shlobj.h>

#include <new>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/code_pages.h"
#include "core/cstring.h"
#include "core/files.h"
#include "core/key_value_table.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/number_parse.h"
#include "core/system_info.h"
#include "core/utf8.h"

// The ".cfg" file is the key-value table's text form (key TAB value CR LF after a UTF-8
// byte-order mark), which writes a TAB, CR or LF inside a value as a blank. So that a multi-line
// value keeps its lines, the store writes a CR (and a lone LF, taken as the program's line end)
// as byte 03 and a TAB as byte 04, as the program's long texts travel, and turns them back when
// reading.

namespace {

constexpr int32_t kTableKeys = 1024;

// The containers below throw when memory runs out; the allocator has set the pending error by
// then, and the operation ends as one that could not be done.
template <class Body>
void WithoutThrowing(Body body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
  }
}

std::wstring Widen(const char* text, int32_t n) {
  if (!text || n <= 0) return std::wstring();
  int units = MultiByteToWideChar(CP_UTF8, 0, text, n, nullptr, 0);
  std::wstring wide(static_cast<size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text, n, wide.data(), units);
  return wide;
}

std::wstring Widen(const char* text) { return Widen(text, StrLen(text)); }

void AssignWide(T_TextBuf* out, const wchar_t* wide, int32_t units) {
  std::string utf8(static_cast<size_t>(units) * 3 + 1, '\0');
  int32_t length = Utf16ToUtf8N(utf8.data(), wide, units);
  TextBufAssignBytes(out, utf8.data(), length);
}

// The store's key, or the subkey named by the part of the name before its last backslash,
// opened for the given access; *valueName receives the part after it. Null when it cannot be
// had. A subkey handle is the caller's to close (it differs from the store's key).
HKEY OpenForName(const SettingsStore* store, const char* name, bool create, REGSAM access,
                 std::wstring* valueName) {
  T_TextBuf subkey, value;
  SettingsSplitName(name, &subkey, &value);
  *valueName = Widen(value.c_str());
  if (subkey.empty()) return store->key;
  HKEY handle = nullptr;
  std::wstring path = Widen(subkey.c_str());
  LONG result = create ? RegCreateKeyExW(store->key, path.c_str(), 0, nullptr, 0, access, nullptr,
                                         &handle, nullptr)
                       : RegOpenKeyExW(store->key, path.c_str(), 0, access, &handle);
  return result == ERROR_SUCCESS ? handle : nullptr;
}

void CloseForName(const SettingsStore* store, HKEY handle) {
  if (handle && handle != store->key) RegCloseKey(handle);
}

// A registry value of any length as UTF-8; false when there is no text value.
bool ReadRegistryText(HKEY key, const std::wstring& valueName, T_TextBuf* out) {
  std::vector<BYTE> data;
  DWORD type = 0, size = 0;
  LONG result = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
  // The value may grow between the two calls; ask again until it fits, and give up (rather than
  // read the new size from the old buffer) when it keeps growing.
  bool read = false;
  for (int attempt = 0; attempt < 4 && result == ERROR_SUCCESS; attempt++) {
    data.assign(size + sizeof(wchar_t), 0);
    DWORD capacity = size;
    result = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, data.data(), &capacity);
    if (result == ERROR_MORE_DATA) {
      result = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
      continue;
    }
    size = capacity;
    read = result == ERROR_SUCCESS;
    break;
  }
  if (!read || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  auto* wide = reinterpret_cast<const wchar_t*>(data.data());
  int32_t units = 0;
  int32_t available = static_cast<int32_t>(size / sizeof(wchar_t));
  while (units < available && wide[units]) units++;
  if (units == 0) return false;
  AssignWide(out, wide, units);
  return true;
}

// --- The ".cfg" file --------------------------------------------------------------------------

void EncodeFileValue(T_TextBuf* value) {
  for (int32_t i = 0; i < value->length; i++) {
    char& c = value->data[i];
    if (c == '\r' || c == '\n')
      c = 3;
    else if (c == '\t')
      c = 4;
  }
}

void DecodeFileValue(T_TextBuf* value) {
  for (int32_t i = 0; i < value->length; i++) {
    char& c = value->data[i];
    if (c == 3)
      c = '\r';
    else if (c == 4)
      c = '\t';
  }
}

// Makes every folder of the path: for each backslash from byte 3 on (past a drive's root), the
// text before it.
void CreateFoldersOf(const T_TextBuf* path) {
  T_TextBuf folder;
  for (int32_t i = 3; i < path->length; i++) {
    if (path->data[i] != '\\') continue;
    TextBufAssignBytes(&folder, path->data, i);
    CreateFolder(folder.c_str());
  }
}

}  // namespace

// --- Opening and closing ------------------------------------------------------------------------

void SettingsOpen(SettingsStore* store, const char* section, int32_t mode) {
  store->key = nullptr;
  store->table = nullptr;
  store->filePath = nullptr;
  if (!section) section = "";
  if (mode == kSettingsUser && IsIcaSession()) {
    store->filePath = new (std::nothrow) T_TextBuf;
    store->table = new (std::nothrow) KeyValueTable;
    if (store->table) KeyValueTableInit(store->table, kTableKeys);
    if (!store->filePath || !store->table) {
      SettingsClose(store);
      return;
    }
    SettingsFilePath(store->filePath, section);
    // A missing or unreadable file is an empty table, never an error the user sees.
    PendingErrorSaved saved;
    PendingErrorSave(&saved);
    KeyValueTableLoad(store->table, store->filePath->c_str());
    store->table->changed = false;
    PendingErrorRestore(&saved);
    return;
  }
  WithoutThrowing([&] {
    std::wstring path = L"Software\\" + Widen(kSettingsMaker) + L"\\" + Widen(section);
    HKEY root = mode == kSettingsMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY key = nullptr;
    // The rights the caller has, not read and write: a standard user may only read the
    // machine-wide key, and asking for more would refuse even the reading.
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, MAXIMUM_ALLOWED, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
      store->key = key;
    }
  });
}

void SettingsClose(SettingsStore* store) {
  if (store->table && store->table->changed && store->filePath) {
    PendingErrorSaved saved;
    PendingErrorSave(&saved);
    CreateFoldersOf(store->filePath);
    KeyValueTableSave(store->table, store->filePath->c_str());
    PendingErrorRestore(&saved);
  }
  if (store->key) RegCloseKey(store->key);
  if (store->table) KeyValueTableFree(store->table);
  delete store->table;
  delete store->filePath;
  store->key = nullptr;
  store->table = nullptr;
  store->filePath = nullptr;
}

void SettingsFilePath(T_TextBuf* path, const char* section) {
  SpecialFolder(CSIDL_APPDATA, path);
  TextBufAppend(path, kSettingsMaker);
  TextBufAppendChar(path, '\\');
  char name[260];
  int32_t n = 0;
  for (const char* p = section ? section : ""; *p && n < static_cast<int32_t>(sizeof name) - 1;
       p++) {
    if (*p == ' ' || *p == '.') continue;
    name[n++] = *p == '/' ? '-' : *p;
  }
  n = Utf8BoundaryAtOrBefore(name, n < 8 ? n : 8);
  TextBufAppendBytes(path, name, n);
  TextBufAppend(path, ".cfg");
}

void SettingsSplitName(const char* name, T_TextBuf* subkey, T_TextBuf* valueName) {
  if (!name) name = "";
  const char* last = strrchr(name, '\\');
  if (!last) {
    TextBufAssign(subkey, "");
    TextBufAssign(valueName, name);
    return;
  }
  TextBufAssignBytes(subkey, name, static_cast<int32_t>(last - name));
  TextBufAssign(valueName, last + 1);
}

// --- Values -------------------------------------------------------------------------------------

namespace {

void ReadValue(SettingsStore* store, const char* name, T_TextBuf* out) {
  if (store->key) {
    std::wstring valueName;
    HKEY key = OpenForName(store, name, false, KEY_READ, &valueName);
    if (key) {
      ReadRegistryText(key, valueName, out);
      CloseForName(store, key);
    }
  }
  if (store->table && KeyValueTableGet(store->table, name, out)) DecodeFileValue(out);
}

void WriteValue(SettingsStore* store, const char* name, const char* text) {
  if (store->key) {
    std::wstring valueName;
    HKEY key = OpenForName(store, name, true, KEY_WRITE, &valueName);
    if (key) {
      std::wstring wide = Widen(text);
      RegSetValueExW(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                     static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
      CloseForName(store, key);
    }
  }
  if (store->table) {
    T_TextBuf value(text);
    EncodeFileValue(&value);
    KeyValueTableSet(store->table, name, value.c_str());
  }
}

void DeleteValue(SettingsStore* store, const char* name) {
  if (store->key) {
    std::wstring valueName;
    HKEY key = OpenForName(store, name, false, KEY_SET_VALUE, &valueName);
    if (key) {
      RegDeleteValueW(key, valueName.c_str());
      CloseForName(store, key);
    }
  }
  if (store->table) KeyValueTableSet(store->table, name, "");
}

}  // namespace

void SettingsRead(SettingsStore* store, const char* name, T_TextBuf* out) {
  TextBufSetLength(out, 0);
  if (!name) return;
  WithoutThrowing([&] { ReadValue(store, name, out); });
}

void SettingsWrite(SettingsStore* store, const char* name, const char* text) {
  if (!name) return;
  WithoutThrowing([&] { WriteValue(store, name, text ? text : ""); });
}

void SettingsDelete(SettingsStore* store, const char* name) {
  if (!name) return;
  WithoutThrowing([&] { DeleteValue(store, name); });
}

void SettingsWriteChar(SettingsStore* store, const char* name, char c) {
  char text[2] = {c, 0};
  SettingsWrite(store, name, text);
}

void SettingsWriteInt(SettingsStore* store, const char* name, int32_t value) {
  char text[16];
  IntToStr(text, value);
  SettingsWrite(store, name, text);
}

void SettingsWriteBool(SettingsStore* store, const char* name, bool flag) {
  SettingsWrite(store, name, flag ? "+" : "-");
}

void SettingsWriteLanguage(SettingsStore* store, const char* name, int32_t language) {
  const char* code = LanguageCode(language);
  if (code) SettingsWrite(store, name, code);
}

void SettingsReadChar(SettingsStore* store, const char* name, char* c) {
  T_TextBuf value;
  SettingsRead(store, name, &value);
  if (!value.empty()) *c = value.data[0];
}

void SettingsReadText(SettingsStore* store, const char* name, char* buffer, int32_t size) {
  T_TextBuf value;
  SettingsRead(store, name, &value);
  if (!value.empty() && size > 0) StrCopyN(buffer, size, value.c_str());
}

void SettingsReadInt(SettingsStore* store, const char* name, int32_t* variable) {
  T_TextBuf value;
  SettingsRead(store, name, &value);
  char first = value.data[0];
  if (first == '-' || (first >= '0' && first <= '9')) *variable = StrToInt(value.c_str());
}

void SettingsReadBool(SettingsStore* store, const char* name, bool* flag) {
  T_TextBuf value;
  SettingsRead(store, name, &value);
  if (value.data[0] == '+')
    *flag = true;
  else if (value.data[0] == '-')
    *flag = false;
}

void SettingsReadLanguage(SettingsStore* store, const char* name, int32_t* language) {
  T_TextBuf value;
  SettingsRead(store, name, &value);
  int32_t found = value.empty() ? -1 : LanguageFromCode(value.c_str());
  if (found >= 0) *language = found;
}
