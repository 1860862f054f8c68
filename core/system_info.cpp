#include "core/system_info.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "core/cstring.h"
#include "core/memory.h"
#include "core/utf8.h"

namespace {

std::atomic<int32_t> instanceNumber{0};
SystemIdentity fixedIdentity{};
bool identityFixed = false;

bool StartsWithNoCaseAscii(const char* text, const char* prefix) {
  for (; *prefix; text++, prefix++) {
    char a = *text, b = *prefix;
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

// A wide text as UTF-8 in a buffer of capacity bytes, cut at a character boundary.
void WideToBuffer(char* buffer, int32_t capacity, const wchar_t* wide) {
  Utf16ToUtf8Cap(buffer, capacity, wide);
}

// The user name as UTF-8 into capacity bytes; empty when the system cannot give it.
void UserNameInto(char* buffer, int32_t capacity) {
  if (identityFixed) {
    StrCopyN(buffer, capacity, fixedIdentity.userName);
    return;
  }
  wchar_t wide[257];  // the longest user name and its 0
  DWORD size = 257;
  if (!GetUserNameW(wide, &size)) wide[0] = 0;
  WideToBuffer(buffer, capacity, wide);
}

}  // namespace

// --- Version ------------------------------------------------------------------------------------

int32_t OsVersionCodeOf(uint32_t major, uint32_t minor) {
  if (major == 4) return 5;
  if (major == 5) return minor == 0 ? 6 : 7;
  if (major == 6) return minor == 0 ? 8 : 16;
  return 0;
}

int32_t OsVersionCode() {
  if (identityFixed) return fixedIdentity.osVersionCode;
  DWORD version = GetVersion();
  return OsVersionCodeOf(LOBYTE(LOWORD(version)), HIBYTE(LOWORD(version)));
}

const char* OsVersionName(int32_t code) {
  static const char* const kNames[] = {
      nullptr,        "Mac OS 7",      "Mac OS 8-9",   "Mac OS X",      "Windows 9x",
      "Windows NT4",  "Windows 2000",  "Windows XP",   "Windows Vista", "Mac OS 10.3",
      "Mac OS 10.4",  "Mac OS 10.5",   "Mac OS 10.6",  "Mac OS 10.7",   "Mac OS 10.8",
      "Mac OS 10.9",  "Windows Seven", "Windows 8",    "Windows 10",    "Mac OS 10.10",
      "Mac OS 10.11", "Mac OS 10.12",  "Mac OS 10.13", "Mac OS 10.14",
  };
  if (code < 1 || code >= static_cast<int32_t>(sizeof kNames / sizeof kNames[0]))
    return "Unknown OS";
  return kNames[code];
}

// --- Memory and processors ------------------------------------------------------------------

int32_t MemoryClassOf(uint64_t megabytes) {
  // An allowance of one eighth, so that the 3.9 GB a system reports counts as 4 GB.
  uint64_t v = megabytes + megabytes / 8;
  if (v < 32) return 0;
  int32_t b = 63;
  while (!(v >> b)) b--;
  int32_t memoryClass = 2 * b + static_cast<int32_t>((v >> (b - 1)) & 1) - 9;
  return memoryClass > 31 ? 31 : memoryClass;
}

int32_t MemoryClass() {
  uint64_t megabytes;
  int32_t code = OsVersionCode();
  if (code == 4 || code == 5) {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    megabytes = status.dwTotalPhys >> 20;
  } else {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    megabytes = status.ullTotalPhys >> 20;
  }
  return MemoryClassOf(megabytes);
}

const char* MemoryClassName(int32_t memoryClass) {
  static const char* const kNames[31] = {
      "32 MB",  "48 MB",  "64 MB",  "96 MB",  "128 MB", "192 MB", "256 MB", "384 MB",
      "512 MB", "768 MB", "1 GB",   "1.5 GB", "2 GB",   "3 GB",   "4 GB",   "6 GB",
      "8 GB",   "12 GB",  "16 GB",  "24 GB",  "32 GB",  "48 GB",  "64 GB",  "96 GB",
      "128 GB", "192 GB", "256 GB", "384 GB", "512 GB", "768 GB", "1 TB",
  };
  if (memoryClass < 1 || memoryClass > 31) return "Unknown mem";
  return kNames[memoryClass - 1];
}

int32_t WordSizeClass() { return 3; }

const char* WordSizeName(int32_t wordSizeClass) {
  switch (wordSizeClass) {
    case 1:
      return "32 bits";
    case 2:
      return "32/64 bits";
    case 3:
      return "64 bits";
    default:
      return nullptr;
  }
}

void MemoryLine(T_TextBuf* text, int32_t memoryClass, int32_t wordSizeClass) {
  TextBufAssign(text, MemoryClassName(memoryClass));
  if (wordSizeClass > 1 && WordSizeName(wordSizeClass)) {
    TextBufAppend(text, ", ");
    TextBufAppend(text, WordSizeName(wordSizeClass));
  }
}

int32_t ProcessorCount() {
  static const int32_t count = [] {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int32_t>(info.dwNumberOfProcessors) : 1;
  }();
  return count;
}

// --- Names and the session ------------------------------------------------------------------

void ReadComputerName(char buffer[32]) {
  if (identityFixed) {
    StrCopyN(buffer, 32, fixedIdentity.computerName);
    return;
  }
  wchar_t wide[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(wide, &size)) wide[0] = 0;
  WideToBuffer(buffer, 32, wide);
}

void ReadUserName(char buffer[32]) { UserNameInto(buffer, 32); }

bool IsIcaSession() {
  char name[64];
  DWORD n = GetEnvironmentVariableA("SESSIONNAME", name, sizeof name);
  if (n == 0) return false;
  if (n < sizeof name) return strncmp(name, "ICA", 3) == 0;
  // A value too long for the buffer is left unread by the system; its start still decides.
  char* large = static_cast<char*>(MemAlloc(n + 1, 0));
  if (!large) return false;
  DWORD read = GetEnvironmentVariableA("SESSIONNAME", large, n + 1);
  bool ica = read > 0 && read <= n && strncmp(large, "ICA", 3) == 0;
  MemFree(large);
  return ica;
}

bool IsWebServerAccountName(const char* userName) {
  return userName && StartsWithNoCaseAscii(userName, "IUSR_");
}

bool IsWebServerAccount() {
  char name[48];
  UserNameInto(name, sizeof name);
  return IsWebServerAccountName(name);
}

// --- Seam -----------------------------------------------------------------------------------

void SetSystemIdentity(const SystemIdentity* identity) {
  identityFixed = identity != nullptr;
  fixedIdentity = identity != nullptr ? *identity : SystemIdentity{};
}

// --- Instance ---------------------------------------------------------------------------------

int32_t InstanceNumber() { return instanceNumber.load(std::memory_order_relaxed); }

void SetInstanceNumber(int32_t instance) {
  instanceNumber.store(instance, std::memory_order_relaxed);
}

void ProgramNameFromModule(T_TextBuf* text) {
  wchar_t wide[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(nullptr, wide, MAX_PATH);
  wide[n < MAX_PATH ? n : MAX_PATH] = 0;
  const wchar_t* name = wide;
  for (const wchar_t* p = wide; *p; p++) {
    if (*p == L'\\' || *p == L'/') name = p + 1;
  }
  char utf8[MAX_PATH * 3 + 1];
  int32_t length = Utf16ToUtf8Cap(utf8, sizeof utf8, name);
  if (length > 4 && StartsWithNoCaseAscii(utf8 + length - 4, ".exe")) utf8[length -= 4] = 0;
  TextBufAssign(text, utf8);
}

void InstanceSettingsName(T_TextBuf* text) {
  ProgramNameFromModule(text);
  const char* first = strchr(text->c_str(), '.');
  const char* second = first ? strchr(first + 1, '.') : nullptr;
  if (second) TextBufTruncate(text, static_cast<int32_t>(second - text->c_str()));
  int32_t instance = InstanceNumber();
  if (instance > 0) {
    char suffix[32];
    snprintf(suffix, sizeof suffix, "\\Instance %d", instance + 1);
    TextBufAppend(text, suffix);
  }
}
