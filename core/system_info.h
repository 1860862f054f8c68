#pragma once
// Facts about the machine and the session: the Windows version and installed memory as shown on
// the program-information page, the processor count that sizes worker threads, the user and
// computer names, the terminal-session and web-server-account tests, and the name under which
// this instance keeps its settings.
#include <cstdint>

#include "core/text_buffer.h"

// --- Version ------------------------------------------------------------------------------------

// 5 NT4, 6 Windows 2000, 7 XP, 8 Vista, 16 Seven (also every later 6.x); 0 for anything else.
int32_t OsVersionCode();
// The mapping behind OsVersionCode, for any major and minor version.
int32_t OsVersionCodeOf(uint32_t major, uint32_t minor);
// "Unknown OS" for numbers without a name.
const char* OsVersionName(int32_t code);

// --- Memory and processors ------------------------------------------------------------------

// 0..31: each power of two of the installed megabytes and the point half-way to the next get a
// class of their own (1 = 32 MB, 15 = 4 GB, 31 = 1 TB and more); 0 below 32 MB.
int32_t MemoryClass();
int32_t MemoryClassOf(uint64_t megabytes);
// "32 MB" .. "1 TB"; "Unknown mem" outside 1..31.
const char* MemoryClassName(int32_t memoryClass);
// Always 3: the program is 64-bit.
int32_t WordSizeClass();
// 1 "32 bits", 2 "32/64 bits", 3 "64 bits"; null otherwise.
const char* WordSizeName(int32_t wordSizeClass);
// The memory class name, then ", " and the word-size name when the word-size class is above 1.
void MemoryLine(T_TextBuf* text, int32_t memoryClass, int32_t wordSizeClass);
// Asked once and kept.
int32_t ProcessorCount();

// --- Names and the session ------------------------------------------------------------------

// The names as UTF-8, NUL-terminated, cut at a character boundary to the 32-byte buffer; an
// empty text when the system cannot give one.
void ReadComputerName(char buffer[32]);
void ReadUserName(char buffer[32]);
// The environment variable "SESSIONNAME" begins with "ICA" (letter case as written).
bool IsIcaSession();
// The user name begins with "IUSR_", letter case ignored: the account a web server runs as.
bool IsWebServerAccount();
bool IsWebServerAccountName(const char* userName);

// --- Seam -----------------------------------------------------------------------------------

// Tests and the example generator fix what the machine reports, so that what is written from it
// (the file information of a saved database) is the same on every machine: the Windows version
// code of OsVersionCode and the names of ReadComputerName, ReadUserName and IsWebServerAccount.
// The names are kept by the caller while installed; null puts back the system's answers.
struct SystemIdentity {
  int32_t osVersionCode;
  const char* computerName;
  const char* userName;
};
void SetSystemIdentity(const SystemIdentity* identity);

// --- Instance ---------------------------------------------------------------------------------

// 0 for the first running instance; the application shell sets it when it takes its slot.
int32_t InstanceNumber();
void SetInstanceNumber(int32_t instance);
// The program name cut before its second "."; from the second instance on followed by
// "\Instance " and the instance's 1-based number, so each instance keeps its own settings.
void InstanceSettingsName(T_TextBuf* text);
// The module file name's name part without a final ".exe" (letter case ignored).
void ProgramNameFromModule(T_TextBuf* text);
