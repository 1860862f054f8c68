#pragma once
// A copy of registry key trees taken before a test and put back after it: the keys the program
// reads and writes in the test prefix's own registry, which a run of qeb.exe must leave as it
// found them.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "scratch_registry.h"

namespace app_test {

struct SavedKey {
  bool existed = false;
  struct Value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
  };
  std::vector<Value> values;
  std::vector<std::pair<std::wstring, std::unique_ptr<SavedKey>>> children;
};

inline void SaveKey(HKEY key, SavedKey* saved) {
  saved->existed = true;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384;
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    SavedKey::Value value{name, type, std::vector<BYTE>(size)};
    nameLength = 16384;
    RegEnumValueW(key, i, name, &nameLength, nullptr, &type, value.data.data(), &size);
    saved->values.push_back(std::move(value));
  }
  ForEachSubkey(key, [saved](HKEY child, const wchar_t* name) {
    auto childSaved = std::make_unique<SavedKey>();
    SaveKey(child, childSaved.get());
    saved->children.emplace_back(name, std::move(childSaved));
  });
}

inline void RestoreKey(HKEY parent, const std::wstring& path, const SavedKey& saved) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  for (const SavedKey::Value& value : saved.values) {
    RegSetValueExW(key, value.name.empty() ? nullptr : value.name.c_str(), 0, value.type,
                   value.data.data(), static_cast<DWORD>(value.data.size()));
  }
  for (const auto& [name, child] : saved.children) RestoreKey(key, name, *child);
  RegCloseKey(key);
}

class RegistryBackup {
 public:
  RegistryBackup(std::vector<std::pair<HKEY, std::wstring>> keys) {
    for (auto& [root, path] : keys) {
      Entry entry{root, path, std::make_unique<SavedKey>()};
      HKEY key = nullptr;
      if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        SaveKey(key, entry.saved.get());
        RegCloseKey(key);
      }
      entries_.push_back(std::move(entry));
    }
  }
  ~RegistryBackup() {
    for (const Entry& entry : entries_) {
      RegDeleteTreeW(entry.root, entry.path.c_str());
      if (entry.saved->existed) RestoreKey(entry.root, entry.path, *entry.saved);
    }
  }
  RegistryBackup(const RegistryBackup&) = delete;
  RegistryBackup& operator=(const RegistryBackup&) = delete;

 private:
  struct Entry {
    HKEY root;
    std::wstring path;
    std::unique_ptr<SavedKey> saved;
  };
  std::vector<Entry> entries_;
};

}  // namespace app_test
