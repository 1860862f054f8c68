#pragma once
// A fresh folder under the system's temporary folder for one test, removed with its files.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/files.h"
#include "tests/source_path.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    T_TextBuf base;
    TextBufAssignWidePath(&base, temp, static_cast<int32_t>(wcslen(temp)));
    static int serial = 0;
    path_ = std::string(base.c_str()) + "qebtest" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++serial);
    CreateFolder(path_.c_str());
  }
  ~ScratchFolder() { Remove(WidePathText(path_.c_str())); }

  // The path of a name inside the folder.
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& path() const { return path_; }

 private:
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring full = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(full);
        } else {
          SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(full.c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
  }
  std::string path_;
};

// Every name in the folder, sorted.
inline std::vector<std::string> FolderNames(const ScratchFolder& folder) {
  std::vector<std::string> names;
  DirListing listing;
  DirListingInit(&listing);
  T_TextBuf path;
  if (DirListingOpen(&listing, (folder / "*").c_str(), nullptr)) {
    while (DirListingNext(&listing, &path)) names.push_back(PathFindName(path.c_str()));
  }
  DirListingClose(&listing);
  std::sort(names.begin(), names.end());
  return names;
}

// The whole content of a file, or "<missing>".
inline std::string ReadWholeFile(const std::string& path) {
  HANDLE file = CreateFileW(WidePathText(path.c_str()).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    content.append(buffer, got);
  CloseHandle(file);
  return content;
}

inline void WriteWholeFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileW(WidePathText(path.c_str()).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  DWORD put = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &put, nullptr);
  CloseHandle(file);
}

// A file of tests/core/streams/data as Wine sees the source tree.
inline std::string StreamsDataPath(const std::string& name) {
  return TestSourcePath("tests/core/streams/data/" + name);
}

inline std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}
