#pragma once
// The registry of an in-process test: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are redirected
// (RegOverridePredefKey) to two scratch keys under "Software\QEB test <pid>" of the real user
// hive, which are deleted when the fixture goes, so nothing a test writes reaches the real hive.
// Helpers read, write and list values below the redirected roots.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace app_test {

class ScratchRegistry {
 public:
  ScratchRegistry() {
    path_ = L"Software\\QEB test " + std::to_wstring(GetCurrentProcessId());
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (path_ + L"\\user").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &user_, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (path_ + L"\\machine").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &machine_, nullptr),
              ERROR_SUCCESS);
    // Tests delete whole keys below the roots: they must never run against the real hive.
    const DWORD mark = 1;
    RegSetValueExW(user_, L"QEB scratch", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mark),
                   sizeof mark);
    RegSetValueExW(machine_, L"QEB scratch", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mark),
                   sizeof mark);
    if (RegOverridePredefKey(HKEY_CURRENT_USER, user_) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_) != ERROR_SUCCESS ||
        RegQueryValueExW(HKEY_CURRENT_USER, L"QEB scratch", nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS ||
        RegQueryValueExW(HKEY_LOCAL_MACHINE, L"QEB scratch", nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
      std::fprintf(stderr, "The registry roots could not be redirected; stopping.\n");
      std::abort();
    }
  }
  ~ScratchRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(user_);
    RegCloseKey(machine_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  ScratchRegistry(const ScratchRegistry&) = delete;
  ScratchRegistry& operator=(const ScratchRegistry&) = delete;

  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  HKEY user_ = nullptr;
  HKEY machine_ = nullptr;
};

// The key of the program's preferences in either store.
constexpr const wchar_t* kPrefsKey = L"Software\\Trelvik\\QEB/TK";

inline std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                      nullptr, nullptr);
  return text;
}

inline std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// A text value, or "<none>" when the key or value is missing; another type reads as "<type n>".
inline std::string ReadValue(HKEY root, const std::wstring& key, const std::wstring& name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "<none>";
  DWORD type = 0;
  DWORD size = 0;
  const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
  LONG result = RegQueryValueExW(handle, valueName, nullptr, &type, nullptr, &size);
  std::string text = "<none>";
  if (result == ERROR_SUCCESS && type == REG_SZ) {
    std::wstring wide(size / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(handle, valueName, nullptr, &type, reinterpret_cast<BYTE*>(wide.data()),
                     &size);
    wide.resize(wcslen(wide.c_str()));
    text = Narrow(wide);
  } else if (result == ERROR_SUCCESS) {
    text = "<type " + std::to_string(type) + ">";
  }
  RegCloseKey(handle);
  return text;
}

inline void WriteValue(HKEY root, const std::wstring& key, const std::wstring& name,
                       const std::string& text) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  std::wstring wide = Widen(text);
  RegSetValueExW(handle, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(wide.c_str()),
                 static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

inline void WriteDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(handle, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
  RegCloseKey(handle);
}

inline void WritePref(HKEY root, const std::string& name, const std::string& text) {
  WriteValue(root, kPrefsKey, Widen(name), text);
}
inline std::string ReadPref(HKEY root, const std::string& name) {
  return ReadValue(root, kPrefsKey, Widen(name));
}

// Calls visit(child, name) for every subkey that opens for reading.
template <class Visit>
void ForEachSubkey(HKEY key, Visit visit) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    HKEY child = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    visit(child, name);
    RegCloseKey(child);
  }
}

// Every value below the key as "subkey\name=text" lines in key order (the default value named
// "@"); an empty text when the key is missing.
inline void DumpInto(HKEY key, const std::string& prefix, std::vector<std::string>* lines) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    DWORD type = 0;
    BYTE data[2048];
    DWORD size = sizeof data - 2;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
      break;
    data[size] = data[size + 1] = 0;
    std::string text = type == REG_SZ ? Narrow(reinterpret_cast<wchar_t*>(data))
                                      : "<type " + std::to_string(type) + ">";
    std::string shown = nameLength ? Narrow(name) : "@";
    lines->push_back(prefix + shown + "=" + text);
  }
  ForEachSubkey(key, [&](HKEY child, const wchar_t* name) {
    DumpInto(child, prefix + Narrow(name) + "\\", lines);
  });
}

inline std::vector<std::string> Dump(HKEY root, const std::wstring& key) {
  std::vector<std::string> lines;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return lines;
  DumpInto(handle, "", &lines);
  RegCloseKey(handle);
  return lines;
}

}  // namespace app_test
