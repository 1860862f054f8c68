#include "core/files.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <string>

#include "core/alert.h"
#include "core/date_record.h"
#include "core/hash_index.h"
#include "core/locale.h"
#include "core/utf8.h"

// --- Interim helpers
// ------------------------------------------------------------------------------ INTERIM: the wide
// forms of paths, until the file layer's UTF-16 conversions sit on the shared UTF-16 text buffer.

std::wstring WidePathText(const char* text) {
  std::wstring wide;
  if (text == nullptr || *text == 0) return wide;
  int n = static_cast<int>(strlen(text));
  int units = MultiByteToWideChar(CP_UTF8, 0, text, n, nullptr, 0);
  if (units <= 0) return wide;
  wide.resize(static_cast<size_t>(units));
  MultiByteToWideChar(CP_UTF8, 0, text, n, wide.data(), units);
  return wide;
}

void TextBufAssignWidePath(T_TextBuf* text, const wchar_t* wide, int32_t n) {
  if (wide == nullptr || n <= 0) {
    TextBufAssign(text, "");
    return;
  }
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, n, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide, n, narrow.data(), bytes, nullptr, nullptr);
  TextBufAssignBytes(text, narrow.data(), static_cast<int32_t>(narrow.size()));
}

namespace {

int32_t CopyWideCut(wchar_t* destination, const std::wstring& wide, int32_t room) {
  int32_t n = static_cast<int32_t>(wide.size());
  if (n > room) {
    n = room;
    if (n > 0 && IS_HIGH_SURROGATE(wide[static_cast<size_t>(n - 1)])) --n;
  }
  if (n > 0) memcpy(destination, wide.data(), static_cast<size_t>(n) * sizeof(wchar_t));
  return n;
}

}  // namespace

void WideBufAppendUtf8N(T_WideBuf* wide, const char* bytes, int32_t n) {
  if (bytes == nullptr || n < 1) return;
  int units = MultiByteToWideChar(CP_UTF8, 0, bytes, n, nullptr, 0);
  if (units <= 0) return;
  std::wstring converted(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes, n, converted.data(), units);
  WideBufAppendWide(wide, converted.c_str());
}

void WideBufAppendUtf8(T_WideBuf* wide, const char* text) {
  if (text != nullptr) WideBufAppendUtf8N(wide, text, static_cast<int32_t>(strlen(text)));
}

void WideBufFromUtf8N(T_WideBuf* wide, const char* bytes, int32_t n) {
  WideBufSetLength(wide, 0);
  WideBufAppendUtf8N(wide, bytes, n);
}

void WideBufFromUtf8(T_WideBuf* wide, const char* text) {
  WideBufSetLength(wide, 0);
  WideBufAppendUtf8(wide, text);
}

void WideBufAppendByte(T_WideBuf* wide, uint8_t byte) { WideBufAppendChar(wide, byte); }

void WideBufAppendWide(T_WideBuf* wide, const wchar_t* text) {
  if (text == nullptr) return;
  int32_t n = static_cast<int32_t>(wcslen(text));
  int32_t room = WideBufGrow(wide, wide->length + n) - wide->length;
  if (room <= 0) return;
  if (n > room) {
    n = room;
    if (IS_HIGH_SURROGATE(text[n - 1])) --n;  // never half a pair
  }
  memcpy(wide->data + wide->length, text, static_cast<size_t>(n) * sizeof(wchar_t));
  WideBufSetLength(wide, wide->length + n);
}

int32_t Utf8ToWideFixed(wchar_t* destination, int32_t sizeBytes, const char* text) {
  int32_t units = sizeBytes / static_cast<int32_t>(sizeof(wchar_t));
  if (units < 1) return 0;
  int32_t n = CopyWideCut(destination, WidePathText(text), units - 1);
  destination[n] = 0;
  return n;
}

void Utf8AppendWideAt(wchar_t** cursor, const char* text) {
  *cursor += CopyWideCut(*cursor, WidePathText(text), 500);
}

namespace {

// --- The one mapping of Win32 errors
// ---------------------------------------------------------------

const char* FileText(const SysFile* file) { return file->path.c_str(); }

HANDLE OpenPath(const char* path, DWORD access, DWORD share, DWORD disposition) {
  std::wstring wide = WidePathText(path);
  return CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

}  // namespace

int32_t FileOpenErrorCode(uint32_t win32Error) {
  switch (win32Error) {
    case ERROR_ACCESS_DENIED:
      return 608;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return 609;
    default:
      return 605;
  }
}

void FileSetError(const SysFile* file, int32_t code) {
  if (AbortRequested()) return;  // the first error wins
  PendingErrorClear();
  PendingErrorSet(code);
  AlertAddText(&PendingError.request, FileText(file));
  AlertAddButton(&PendingError.request, 701);
}

// --- File record
// ------------------------------------------------------------------------------------

namespace {

FileWriteFailHook writeFailHook = nullptr;

}  // namespace

void SetFileWriteFailHook(FileWriteFailHook hook) { writeFailHook = hook; }

void FileInit(SysFile* file) {
  TextBufInit(&file->path);
  file->handle = INVALID_HANDLE_VALUE;
  file->open = 0;
}

void FileDestroy(SysFile* file) {
  FileClose(file);
  TextBufFree(&file->path);
}

bool FileOpenRead(SysFile* file, const char* path) { return FileOpenReadShared(file, path, false); }

bool FileOpenReadShared(SysFile* file, const char* path, bool withWriters) {
  FileClose(file);
  TextBufAssign(&file->path, path);
  const DWORD share =
      withWriters ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
  file->handle = OpenPath(path, GENERIC_READ, share, OPEN_EXISTING);
  if (file->handle == INVALID_HANDLE_VALUE) {
    FileSetError(file, 605);
    return false;
  }
  file->open = 1;
  return true;
}

bool FileOpenWrite(SysFile* file, const char* path) { return FileOpenWriteAs(file, path, path); }

bool FileOpenWriteAs(SysFile* file, const char* path, const char* shownPath) {
  FileClose(file);
  TextBufAssign(&file->path, shownPath);
  file->handle = OpenPath(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
  if (file->handle == INVALID_HANDLE_VALUE) {
    FileSetError(file, FileOpenErrorCode(GetLastError()));
    return false;
  }
  file->open = 1;
  return true;
}

int64_t FileRead(SysFile* file, void* buffer, int64_t n) {
  if (!file->open || n <= 0) return 0;
  int64_t total = 0;
  char* out = static_cast<char*>(buffer);
  while (total < n) {  // ReadFile counts in 32 bits
    DWORD part = static_cast<DWORD>(n - total > 0x40000000 ? 0x40000000 : n - total);
    DWORD got = 0;
    if (!ReadFile(file->handle, out + total, part, &got, nullptr)) {
      FileSetError(file, 606);
      return 0;
    }
    total += got;
    if (got < part) break;  // the end of the file
  }
  return total;
}

int64_t FileWrite(SysFile* file, const void* bytes, int64_t n) {
  if (!file->open || n <= 0) return 0;
  FileWriteFailHook hook = writeFailHook;
  if (hook != nullptr && !hook(file, n)) {
    FileSetError(file, 607);
    return 0;
  }
  int64_t total = 0;
  const char* in = static_cast<const char*>(bytes);
  while (total < n) {
    DWORD part = static_cast<DWORD>(n - total > 0x40000000 ? 0x40000000 : n - total);
    DWORD put = 0;
    if (!WriteFile(file->handle, in + total, part, &put, nullptr) || put != part) {
      FileSetError(file, 607);
      return 0;
    }
    total += put;
  }
  return total;
}

int64_t FileTell(SysFile* file) {
  if (!file->open) return 0;
  LARGE_INTEGER zero{}, position{};
  if (!SetFilePointerEx(file->handle, zero, &position, FILE_CURRENT)) return 0;
  return position.QuadPart;
}

bool FileSeek(SysFile* file, int64_t position) {
  if (!file->open) return false;
  LARGE_INTEGER target{};
  target.QuadPart = position;
  return SetFilePointerEx(file->handle, target, nullptr, FILE_BEGIN) != 0;
}

bool FileSetEnd(SysFile* file) { return file->open && SetEndOfFile(file->handle) != 0; }

int64_t FileGetSize(SysFile* file) {
  if (!file->open) return 0;
  LARGE_INTEGER zero{}, here{}, end{};
  if (!SetFilePointerEx(file->handle, zero, &here, FILE_CURRENT) ||
      !SetFilePointerEx(file->handle, zero, &end, FILE_END)) {
    FileSetError(file, 606);
    return -1;
  }
  SetFilePointerEx(file->handle, here, nullptr, FILE_BEGIN);
  return end.QuadPart;
}

void FileClose(SysFile* file) {
  if (file->open) CloseHandle(file->handle);
  file->handle = INVALID_HANDLE_VALUE;
  file->open = 0;
}

int64_t FileSizeOfPath(const char* path) {
  HANDLE handle = OpenPath(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) size.QuadPart = 0;
  CloseHandle(handle);
  return size.QuadPart;
}

bool FileExists(const char* path) {
  std::wstring wide = WidePathText(path);
  if (wide.empty()) return false;
  DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

double FileTimeToDate(const FILETIME* localTime) {
  SYSTEMTIME t{};
  if (!FileTimeToSystemTime(localTime, &t)) return 0.0;
  DateRecord date;
  date.year = static_cast<int16_t>(t.wYear);
  date.month = static_cast<int16_t>(t.wMonth);
  date.day = static_cast<int16_t>(t.wDay);
  date.hour = static_cast<int16_t>(t.wHour);
  date.minute = static_cast<int16_t>(t.wMinute);
  date.second = static_cast<int16_t>(t.wSecond);
  date.precision = 5;
  date.pivotYear = 1940;
  return DateToSeconds(&date);
}

namespace {

double FindDate(const char* path, bool creation) {
  std::wstring wide = WidePathText(path);
  if (wide.empty()) return 0.0;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(wide.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0.0;
  FindClose(search);
  FILETIME local{};
  FileTimeToLocalFileTime(creation ? &found.ftCreationTime : &found.ftLastWriteTime, &local);
  return FileTimeToDate(&local);
}

}  // namespace

double FileCreationDate(const char* path) { return FindDate(path, true); }
double FileModifiedDate(const char* path) { return FindDate(path, false); }

bool WriteBstrToFile(const char* path, const wchar_t* bstr) {
  SysFile file;
  FileInit(&file);
  bool ok = FileOpenWrite(&file, path);
  if (ok && bstr != nullptr) {
    // The whole text is converted at once, so a surrogate pair split by a chunk border cannot
    // turn into two replacement characters.
    int units = static_cast<int>(SysStringLen(const_cast<BSTR>(bstr)));
    int bytes = WideCharToMultiByte(CP_UTF8, 0, bstr, units, nullptr, 0, nullptr, nullptr);
    if (bytes > 0) {
      std::string narrow(static_cast<size_t>(bytes), '\0');
      WideCharToMultiByte(CP_UTF8, 0, bstr, units, narrow.data(), bytes, nullptr, nullptr);
      ok = FileWrite(&file, narrow.data(), bytes) == bytes;
    }
  }
  if (ok) ok = FileSetEnd(&file);
  FileDestroy(&file);
  return ok;
}

bool FileDelete(const char* path) {
  std::wstring wide = WidePathText(path);
  return !wide.empty() && DeleteFileW(wide.c_str()) != 0;
}

void MakeTempFileName(T_TextBuf* path) {
  TextBufAssign(path, "");
  wchar_t folder[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH) return;
  wchar_t name[MAX_PATH + 1];
  if (GetTempFileNameW(folder, L"qeb", 0, name) == 0) return;
  TextBufAssignWidePath(path, name, static_cast<int32_t>(wcslen(name)));
}

// --- Saving through a temporary file
// ----------------------------------------------------------------

namespace {

// The pending error of a failed file operation named by the target's path.
void SetTargetError(const char* target, int32_t code) {
  SysFile named;
  FileInit(&named);
  TextBufAssign(&named.path, target);
  FileSetError(&named, code);
  FileDestroy(&named);
}

bool PathExists(const std::wstring& wide) {
  return GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

namespace {

constexpr char kTempMark[] = ".~";
constexpr char kTempEnd[] = ".tmp";
constexpr int kTempDigits = 4;

// Whether the name is the target's name followed by the mark, four hex digits and the end.
bool IsTempNameOf(const std::wstring& name, const std::wstring& targetName) {
  const size_t markAt = targetName.size();
  if (name.size() != markAt + 2 + kTempDigits + 4 || name.compare(0, markAt, targetName) != 0)
    return false;
  if (name[markAt] != L'.' || name[markAt + 1] != L'~') return false;
  for (int i = 0; i < kTempDigits; ++i) {
    if (!iswxdigit(name[markAt + 2 + i])) return false;
  }
  return _wcsicmp(name.c_str() + markAt + 2 + kTempDigits, L".tmp") == 0;
}

}  // namespace

bool FileCreateTempBeside(const char* target, T_TextBuf* temp) {
  TextBufAssign(temp, "");
  static uint32_t counter = 0;
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 256 && error == ERROR_FILE_EXISTS; ++attempt) {
    const uint32_t unique =
        (GetCurrentProcessId() * 31u + static_cast<uint32_t>(GetTickCount64()) + ++counter * 977u) &
        0xFFFF;
    char digits[8];
    snprintf(digits, sizeof digits, "%04X", unique);
    T_TextBuf path(target);
    TextBufAppend(&path, kTempMark);
    TextBufAppend(&path, digits);
    TextBufAppend(&path, kTempEnd);
    HANDLE handle = OpenPath(path.c_str(), GENERIC_WRITE, 0, CREATE_NEW);
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      TextBufAssignBuf(temp, &path);
      return true;
    }
    error = GetLastError();
  }
  SetTargetError(target, FileOpenErrorCode(error));
  return false;
}

void FileRemoveTempsBeside(const char* target) {
  T_TextBuf folder, name;
  PathGetDir(target, &folder);
  PathGetName(target, &name);
  if (name.empty()) return;
  const std::wstring wideName = WidePathText(name.c_str());
  std::wstring folderText = WidePathText(folder.empty() ? "." : folder.c_str());
  if (!folderText.empty() && folderText.back() != L'\\') folderText += L'\\';
  const std::wstring pattern = folderText + wideName + L".~*.tmp";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        IsTempNameOf(found.cFileName, wideName))
      DeleteFileW((folderText + found.cFileName).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool FileCommitTemp(const char* temp, const char* target) {
  std::wstring wideTemp = WidePathText(temp);
  std::wstring wideTarget = WidePathText(target);
  DWORD error = ERROR_SUCCESS;
  HANDLE handle = CreateFileW(wideTemp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = GetLastError();
  } else {
    if (!FlushFileBuffers(handle)) error = GetLastError();
    CloseHandle(handle);
  }
  bool targetExisted = PathExists(wideTarget);
  if (error == ERROR_SUCCESS && targetExisted) {
    // The replace needs the target as the probe opens it; asking first keeps a refused replace
    // from leaving files of its own behind (Wine leaves its work file).
    HANDLE probe = CreateFileW(wideTarget.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
      error = GetLastError();
    } else {
      CloseHandle(probe);
    }
  }
  if (error == ERROR_SUCCESS) {
    bool moved = targetExisted ? ReplaceFileW(wideTarget.c_str(), wideTemp.c_str(), nullptr,
                                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                               : MoveFileExW(wideTemp.c_str(), wideTarget.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (moved) return true;
    error = GetLastError();
    if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
  }
  int32_t code = FileOpenErrorCode(error);
  SetTargetError(target, code == 605 ? 607 : code);
  // A replace can fail after it removed the target; the temporary file is then the only copy of
  // the data and takes the target's name, or stays where it is.
  if (targetExisted && !PathExists(wideTarget)) {
    MoveFileExW(wideTemp.c_str(), wideTarget.c_str(), MOVEFILE_WRITE_THROUGH);
    return false;
  }
  DeleteFileW(wideTemp.c_str());
  return false;
}

// --- Path texts
// -------------------------------------------------------------------------------------

bool PathIsAbsolute(const char* path) {
  if (path == nullptr || path[0] == 0) return false;
  if (path[0] == '\\' && path[1] == '\\') return true;
  return strchr(path + 1, ':') != nullptr;
}

namespace {

// Shells run these whatever PATHEXT says: shortcuts, screen savers, HTML applications, scripts,
// installers, registry files, control panel items and Java archives.
constexpr const char* kRunnableExtensions[] = {
    ".exe", ".com", ".bat", ".cmd", ".lnk", ".url", ".scr", ".pif", ".hta", ".js", ".jse",
    ".vbs", ".vbe", ".wsf", ".wsh", ".ps1", ".msi", ".msp", ".reg", ".cpl", ".jar"};
// What PATHEXT holds on a system where it is not set.
constexpr char kDefaultPathExt[] = ".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC";

}  // namespace

bool PathRunsProgram(const char* path) {
  if (path == nullptr) return false;
  // The name after the last separator (trailing ones dropped: a "folder" may be a program file
  // too), without a drive, a stream name (":$DATA") or the trailing dots and blanks that
  // Windows drops when it opens the file.
  const char* stop = path + strlen(path);
  while (stop > path && (stop[-1] == '\\' || stop[-1] == '/')) --stop;
  const char* name = path;
  for (const char* p = path; p < stop; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  if (name == path && stop - path >= 2 && name[1] == ':') name += 2;
  size_t length = 0;
  while (name + length < stop && name[length] != ':') ++length;
  while (length > 0 && (name[length - 1] == '.' || name[length - 1] == ' ')) --length;
  std::string extension;
  for (size_t i = length; i > 0; --i) {
    if (name[i - 1] == '.') {
      extension.assign(name + i - 1, length - i + 1);
      break;
    }
  }
  if (extension.size() < 2) return false;
  for (const char* known : kRunnableExtensions) {
    if (StrEqualNoCase(extension.c_str(), known)) return true;
  }
  wchar_t variable[2048];
  DWORD n = GetEnvironmentVariableW(L"PATHEXT", variable, 2048);
  std::string list = kDefaultPathExt;
  if (n > 0 && n < 2048) {
    T_TextBuf text;
    TextBufAssignWidePath(&text, variable, static_cast<int32_t>(n));
    list = text.c_str();
  }
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(start, end - start);
    if (!entry.empty() && StrEqualNoCase(entry.c_str(), extension.c_str())) return true;
    start = end + 1;
  }
  return false;
}

const char* PathFindName(const char* path) {
  if (path == nullptr) return nullptr;
  const char* name = path;
  for (const char* p = path; *p != 0; ++p) {
    if (*p == '\\' || (*p == ':' && p - path < 2)) name = p + 1;
  }
  return name;
}

int32_t PathFindExtension(const char* path) {
  int32_t length = path == nullptr ? 0 : static_cast<int32_t>(strlen(path));
  for (int32_t i = length - 1; i >= 0 && i >= length - 5; --i) {
    if (path[i] == '.') return i;
    if (path[i] == '\\') break;  // a dot in a folder name is no extension
  }
  return length;
}

const char* PathFindExtensionPtr(const char* path) {
  const char* name = PathFindName(path);
  const char* dot = strrchr(name, '.');
  return dot == nullptr ? name + strlen(name) : dot + 1;
}

void PathGetName(const char* path, T_TextBuf* name) {
  TextBufAssign(name, path == nullptr ? "" : PathFindName(path));
}

void PathGetDir(const char* path, T_TextBuf* folder) {
  const char* slash = path == nullptr ? nullptr : strrchr(path, '\\');
  if (slash == nullptr) {
    TextBufAssign(folder, "");
    return;
  }
  TextBufAssignBytes(folder, path, static_cast<int32_t>(slash - path));
}

void PathCutName(T_TextBuf* path) {
  const char* slash = strrchr(path->c_str(), '\\');
  if (slash == nullptr) return;
  int32_t keep = static_cast<int32_t>(slash - path->c_str()) + 1;
  if (keep > 2) TextBufTruncate(path, keep);
}

void PathGetExtension(const char* path, T_TextBuf* extension) {
  int32_t dot = PathFindExtension(path);
  const char* text = path == nullptr ? "" : path;
  TextBufAssign(extension, text[dot] == '.' ? text + dot + 1 : "");
}

void PathSetExtension(T_TextBuf* path, const char* extension) {
  int32_t dot = PathFindExtension(path->c_str());
  TextBufTruncate(path, dot);
  if (extension != nullptr && *extension != 0) {
    TextBufAppendChar(path, '.');
    TextBufAppend(path, extension);
  }
}

void PathGetText(const T_TextBuf* path, T_TextBuf* text) { TextBufAssignBuf(text, path); }

int32_t FirstSegmentLength(const char* path) {
  if (path == nullptr) return 0;
  const char* slash = strchr(path, '\\');
  return static_cast<int32_t>(slash == nullptr ? strlen(path) : static_cast<size_t>(slash - path));
}

void ModulePath(T_TextBuf* path) {
  wchar_t wide[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(nullptr, wide, MAX_PATH);
  TextBufAssignWidePath(path, wide, static_cast<int32_t>(n > MAX_PATH ? 0 : n));
}

void ModuleFolder(T_TextBuf* folder) {
  ModulePath(folder);
  const char* slash = strrchr(folder->c_str(), '\\');
  if (slash != nullptr) TextBufTruncate(folder, static_cast<int32_t>(slash - folder->c_str()) + 1);
}

void SpecialFolder(int32_t csidl, T_TextBuf* folder) {
  wchar_t wide[MAX_PATH + 1];
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, wide))) {
    TextBufAssign(folder, "C:\\");
    return;
  }
  TextBufAssignWidePath(folder, wide, static_cast<int32_t>(wcslen(wide)));
  TextBufAppendChar(folder, '\\');
}

void PathAssign(T_TextBuf* path, const char* text) {
  TextBufAssign(path, text);
  PathNormalize(path);
}

void PathResolve(T_TextBuf* path, const char* name, const char* base) {
  if (PathIsAbsolute(name)) {
    TextBufAssign(path, name);
  } else {
    T_TextBuf folder;
    PathGetDir(base, &folder);
    TextBufAssignBuf(path, &folder);
    TextBufAppendChar(path, '\\');
    TextBufAppend(path, name);
  }
  PathNormalize(path);
}

namespace {

void DeleteBytes(T_TextBuf* text, int32_t at, int32_t n) {
  char* data = text->data;
  memmove(data + at, data + at + n, static_cast<size_t>(text->length - at - n + 1));
  TextBufSetLength(text, text->length - n);
}

// Bytes of the root that folding must keep: "C:\" (3), "\\server\share\" (through its
// backslash), "\" (1); 0 for a relative path.
int32_t RootLength(const char* path) {
  if (path[0] == '\\' && path[1] == '\\') {
    const char* server = strchr(path + 2, '\\');
    if (server == nullptr) return static_cast<int32_t>(strlen(path));
    const char* share = strchr(server + 1, '\\');
    return share == nullptr ? static_cast<int32_t>(strlen(path))
                            : static_cast<int32_t>(share - path);
  }
  if (path[0] == '\\') return 1;
  const char* colon = strchr(path, ':');
  const char* slash = strchr(path, '\\');
  if (colon != nullptr && (slash == nullptr || colon < slash)) {
    return static_cast<int32_t>(colon - path) + 1;
  }
  return 0;
}

void FoldDots(T_TextBuf* path) {
  int32_t from = 1;
  for (;;) {
    const char* data = path->c_str();
    const char* hit = strstr(data + from, "\\..\\");
    if (hit == nullptr) break;
    int32_t at = static_cast<int32_t>(hit - data);
    int32_t segment = at;
    while (segment > 0 && data[segment - 1] != '\\') --segment;
    if (segment < RootLength(data)) {
      DeleteBytes(path, at, 3);  // "C:\..\x" keeps its drive: only "\.." goes
      from = at > 0 ? at : 1;
    } else if (at - segment == 2 && data[segment] == '.' && data[segment + 1] == '.') {
      from = at + 1;  // "..\..\" climbs further: nothing to fold against
    } else {
      DeleteBytes(path, segment, at + 4 - segment);
      from = segment > 1 ? segment - 1 : 1;  // the folded segment's backslash may start another
    }
  }
  for (;;) {
    const char* data = path->c_str();
    const char* hit = strstr(data, "\\.\\");
    if (hit == nullptr) break;
    DeleteBytes(path, static_cast<int32_t>(hit - data), 2);
  }
}

// Gives every existing segment the letter case stored on disk, walking from the root.
void RestoreLetterCase(T_TextBuf* path) {
  std::wstring wide = WidePathText(path->c_str());
  size_t start;
  if (wide.size() >= 2 && wide[0] == L'\\' && wide[1] == L'\\') {
    // The server and share of a network path are no directory entries.
    size_t server = wide.find(L'\\', 2);
    size_t share = server == std::wstring::npos ? server : wide.find(L'\\', server + 1);
    if (share == std::wstring::npos) return;
    start = share + 1;
  } else if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') {
    start = 3;
  } else {
    return;
  }
  bool changed = false;
  while (start < wide.size()) {
    size_t end = wide.find(L'\\', start);
    if (end == std::wstring::npos) end = wide.size();
    std::wstring segment = wide.substr(start, end - start);
    // A pattern would find some other entry; "." and ".." have no stored name.
    if (segment.empty() || segment.find_first_of(L"*?") != std::wstring::npos || segment == L"." ||
        segment == L"..") {
      break;
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(wide.substr(0, end).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) break;
    FindClose(search);
    std::wstring stored = found.cFileName;
    if (stored != segment) {
      wide.replace(start, end - start, stored);
      end = start + stored.size();
      changed = true;
    }
    start = end + 1;
  }
  if (changed) TextBufAssignWidePath(path, wide.data(), static_cast<int32_t>(wide.size()));
}

bool FollowShortcut(T_TextBuf* path) {
  std::wstring link = WidePathText(path->c_str());
  if (link.empty()) return false;
  if (link.size() < 4 || _wcsicmp(link.c_str() + link.size() - 4, L".lnk") != 0) link += L".lnk";
  if (GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  IShellLinkW* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shellLink)))) {
    return false;
  }
  bool followed = false;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    if (SUCCEEDED(persist->Load(link.c_str(), STGM_READ)) &&
        SUCCEEDED(shellLink->Resolve(nullptr, SLR_ANY_MATCH | SLR_NO_UI))) {
      wchar_t target[MAX_PATH + 1] = {};
      if (shellLink->GetPath(target, MAX_PATH, nullptr, 0) == S_OK && target[0] != 0) {
        TextBufAssignWidePath(path, target, static_cast<int32_t>(wcslen(target)));
        followed = true;
      }
    }
    persist->Release();
  }
  shellLink->Release();
  return followed;
}

}  // namespace

bool PathResolveShortcut(T_TextBuf* path) {
  RestoreLetterCase(path);
  return FollowShortcut(path);
}

void PathNormalize(T_TextBuf* path) {
  char* data = path->data;
  int32_t kept = 0;
  for (int32_t i = 0; i < path->length; ++i) {
    if (data[i] != '"') data[kept++] = data[i];
  }
  TextBufSetLength(path, kept);
  FoldDots(path);
  PathResolveShortcut(path);
}

uint32_t PathHash(const char* path) {
  if (path == nullptr || *path == 0) return 0;
  return static_cast<uint32_t>(StrHashNoCase(path, 16777213)) + 1;
}

bool PathEqual(const char* a, const char* b) {
  uint32_t hash = PathHash(a);
  // Equal hashes only make a candidate: 24 bits collide too often to decide alone.
  return hash != 0 && hash == PathHash(b) && StrCompareNoCase(a, b) == 0;
}

void PathMakeAbsolute(T_TextBuf* path, const char* text) {
  TextBufAssign(path, text);
  // Quotes first: the system would take a quoted absolute path for a relative name.
  TextBufRemoveChar(path, '"');
  if (path->length == 0) return;
  std::wstring wide = WidePathText(path->c_str());
  DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed > 0) {
    std::wstring full(needed, L'\0');
    DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (written > 0 && written < needed) {
      TextBufAssignWidePath(path, full.c_str(), static_cast<int32_t>(written));
    }
  }
  PathNormalize(path);
}

bool PathSameFile(const char* a, const char* b) {
  if (!a || !b || !*a || !*b) return false;
  T_TextBuf first;
  T_TextBuf second;
  PathMakeAbsolute(&first, a);
  PathMakeAbsolute(&second, b);
  return PathEqual(first.c_str(), second.c_str());
}

bool CreateFolder(const char* path) {
  std::wstring wide = WidePathText(path);
  if (wide.empty()) return false;
  return CreateDirectoryW(wide.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

// --- Folder listing
// --------------------------------------------------------------------------------

void DirListingInit(DirListing* listing) {
  TextBufInit(&listing->pattern);
  memset(&listing->found, 0, sizeof(listing->found));
  listing->handle = INVALID_HANDLE_VALUE;
}

bool DirListingOpen(DirListing* listing, const char* pattern, const char* base) {
  DirListingClose(listing);
  if (PathIsAbsolute(pattern)) {
    TextBufAssign(&listing->pattern, pattern);
  } else {
    PathGetDir(base, &listing->pattern);
    TextBufAppendChar(&listing->pattern, '\\');
    TextBufAppend(&listing->pattern, pattern);
  }
  std::wstring wide = WidePathText(listing->pattern.c_str());
  listing->handle = FindFirstFileW(wide.c_str(), &listing->found);
  return listing->handle != INVALID_HANDLE_VALUE;
}

bool DirListingNext(DirListing* listing, T_TextBuf* path) {
  while (listing->handle != INVALID_HANDLE_VALUE && listing->found.cFileName[0] == L'.') {
    if (!FindNextFileW(listing->handle, &listing->found)) DirListingClose(listing);
  }
  if (listing->handle == INVALID_HANDLE_VALUE) return false;
  PathGetDir(listing->pattern.c_str(), path);
  TextBufAppendChar(path, '\\');
  T_TextBuf name;
  TextBufAssignWidePath(&name, listing->found.cFileName,
                        static_cast<int32_t>(wcslen(listing->found.cFileName)));
  TextBufAppendBuf(path, &name);
  PathNormalize(path);
  if (!FindNextFileW(listing->handle, &listing->found)) DirListingClose(listing);
  return true;
}

void DirListingClose(DirListing* listing) {
  if (listing->handle != INVALID_HANDLE_VALUE) FindClose(listing->handle);
  listing->handle = INVALID_HANDLE_VALUE;
}

// --- BSTR texts
// -------------------------------------------------------------------------------------

BSTR BstrFromBytes(const char* bytes, int32_t n) {
  if (bytes == nullptr || n < 1) return nullptr;
  int units = MultiByteToWideChar(CP_UTF8, 0, bytes, n, nullptr, 0);
  BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(units > 0 ? units : 0));
  if (text != nullptr && units > 0) MultiByteToWideChar(CP_UTF8, 0, bytes, n, text, units);
  return text;
}

BSTR BstrFromText(const char* text) {
  if (text == nullptr) return nullptr;
  if (*text == 0) return SysAllocString(L"");
  return BstrFromBytes(text, static_cast<int32_t>(strlen(text)));
}
