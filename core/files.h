#pragma once
// The file layer: one file record used by every reader and writer, paths, folders, listings and
// temporary files.
//
// Paths are UTF-8 texts everywhere in the program; they become UTF-16 only at the wide Win32
// call. Every failure of a file record goes through FileSetError, the one place that turns a
// Win32 error into the program's messages:
//   605 "Unable to open file '@0'"                      (open failed)
//   606 "Error while reading file '@0'"                 (read or position failed)
//   607 "Error while writing file '@0'"                 (write failed)
//   608 "The file '@0' is locked."                       (access denied)
//   609 "Another application prevents writing to the file '@0'." (in use)
// The first file error after the abort flag was lowered stands; later ones are dropped until
// the caller clears the pending error.
//
// Threads: the user-interface thread, except FileOpenRead, FileOpenWrite, FileRead and
// FileWrite, which the web gateway thread also uses while it holds the user-interface/worker
// exclusion.
#include <windows.h>
// After windows.h: BSTR and its allocators.
#include <oleauto.h>

#include <cstdint>
#include <string>

#include "core/text_buffer.h"
#include "core/wide_buffer.h"

// INTERIM until the shared UTF-16 text buffer is in: the UTF-16 form of a UTF-8 text for a wide
// call, and a UTF-16 text of n units back into UTF-8.
std::wstring WidePathText(const char* text);
void TextBufAssignWidePath(T_TextBuf* text, const wchar_t* wide, int32_t n);

// UTF-8 into the UTF-16 buffer of a wide call (code page 65001), cut at 32500 units and always
// NUL-terminated. Null or n < 1 gives (or appends) nothing.
void WideBufFromUtf8(T_WideBuf* wide, const char* text);
void WideBufFromUtf8N(T_WideBuf* wide, const char* bytes, int32_t n);
void WideBufAppendUtf8(T_WideBuf* wide, const char* text);
void WideBufAppendUtf8N(T_WideBuf* wide, const char* bytes, int32_t n);
void WideBufAppendByte(T_WideBuf* wide, uint8_t byte);  // the byte as one unit
void WideBufAppendWide(T_WideBuf* wide, const wchar_t* text);

// Fixed buffers of dialog structures. Utf8ToWideFixed fills a buffer of sizeBytes bytes with the
// UTF-16 form of the text, cut to fit and always NUL-terminated (null gives an empty text), and
// returns the units written. Utf8AppendWideAt writes at most 500 units at the cursor, no NUL,
// and advances it. Neither cuts a surrogate pair.
int32_t Utf8ToWideFixed(wchar_t* destination, int32_t sizeBytes, const char* text);
void Utf8AppendWideAt(wchar_t** cursor, const char* text);

// --- File record --------------------------------------------------------------------------------

struct SysFile {
  T_TextBuf path;
  HANDLE handle;
  uint8_t open;
};

// An empty, closed record.
void FileInit(SysFile* file);
// Closes the file and frees the path.
void FileDestroy(SysFile* file);

// Stores the path and opens an existing file for reading, shared with other readers.
bool FileOpenRead(SysFile* file, const char* path);
// The same; withWriters lets other programs write, grow, shrink or delete the file meanwhile
// (a text file that is still being written is read as far as it goes).
bool FileOpenReadShared(SysFile* file, const char* path, bool withWriters);
// Stores the path and opens the file for writing, not shared; an existing file keeps its
// contents (call FileSetEnd after the last write), a missing one is created.
bool FileOpenWrite(SysFile* file, const char* path);
// The count read or written; 0 with error 606 or 607 on failure. A read at the end gives 0
// without an error.
int64_t FileRead(SysFile* file, void* buffer, int64_t n);
int64_t FileWrite(SysFile* file, const void* bytes, int64_t n);
int64_t FileTell(SysFile* file);
bool FileSeek(SysFile* file, int64_t position);
// Cuts the file at the current position.
bool FileSetEnd(SysFile* file);
// The size, found by seeking to the end and back; error 606 and -1 when the position cannot be
// read.
int64_t FileGetSize(SysFile* file);
void FileClose(SysFile* file);

// Records a file error (see the table above) with the file's path as text "@0" and the button
// "Cancel", and raises the abort flag. Nothing happens while the abort flag is already raised.
void FileSetError(const SysFile* file, int32_t code);
// The message for a failed open: 608 for access denied, 609 for a file in use, else 605.
int32_t FileOpenErrorCode(uint32_t win32Error);

// 0 when the file cannot be opened.
int64_t FileSizeOfPath(const char* path);
// True when the path names an existing file (a folder is no file).
bool FileExists(const char* path);
// The creation or last-write time as a local date value in seconds; 0 when not found.
double FileCreationDate(const char* path);
double FileModifiedDate(const char* path);
// A local FILETIME as a date value in seconds (precision 5, pivot 1940).
double FileTimeToDate(const FILETIME* localTime);
// Writes the text of a BSTR into the file as UTF-8 (without a byte-order mark), replacing what
// it held.
bool WriteBstrToFile(const char* path, const wchar_t* bstr);
bool FileDelete(const char* path);
// A new empty file in the system's temporary folder whose name begins with "qeb"; an empty
// path when none could be made.
void MakeTempFileName(T_TextBuf* path);

// Tests make writes fail as a full disk does: the hook sees each FileWrite (the file and its byte
// count) and returns false to refuse it, which is error 607. Null restores the real writes.
using FileWriteFailHook = bool (*)(const SysFile* file, int64_t n);
void SetFileWriteFailHook(FileWriteFailHook hook);

// --- Saving through a temporary file ------------------------------------------------------------
// A save never writes into the file it replaces: it writes a temporary file in the target's
// folder and puts it in the target's place only once the whole file is written (commit), or
// deletes it (abandon). Until the commit the target stays byte for byte as it was.

// A new empty file with a unique name in the folder of target, so that the commit is a rename
// within one volume; its path into temp. The name is the target's followed by ".~", four hex
// digits and ".tmp", so a file that a killed save left says whose it is. False with the pending
// error of a failed open (605, 608 or 609, text "@0" the target) when none can be made.
bool FileCreateTempBeside(const char* target, T_TextBuf* temp);
// Deletes the temporary files that saves of target left beside it. A file another save still
// writes is open without sharing and stays.
void FileRemoveTempsBeside(const char* target);
// Opens path for writing as FileOpenWrite does, but every error names shownPath: the temporary
// file of a save is reported as the file the user chose.
bool FileOpenWriteAs(SysFile* file, const char* path, const char* shownPath);
// Flushes the closed temporary file to the disk and puts it in the target's place: an existing
// target is replaced and keeps its attributes, a missing one is created by the rename. On failure
// the temporary file is deleted, the target is unchanged and the pending error (text "@0" the
// target) is 608 for a read-only or protected target, 609 for a target in use, else 607.
bool FileCommitTemp(const char* temp, const char* target);

// --- Path texts ---------------------------------------------------------------------------------

// True when the shell's "open" would run the file rather than show it: the extension of the name
// (after the last "\" or "/", without a drive, a ":" stream name or the trailing dots and blanks
// Windows drops) is one of the PATHEXT variable (the system's default list when it is not set)
// or of the shortcuts, scripts, installers and other files shells run (.lnk .url .scr .pif .hta
// .js .jse .vbs .vbe .wsf .wsh .ps1 .msi .msp .reg .cpl .jar, and .exe .com .bat .cmd always);
// letter case ignored.
bool PathRunsProgram(const char* path);
// A colon at index 1 or later, or two leading backslashes.
bool PathIsAbsolute(const char* path);
// The address after the last backslash, or after a drive colon in the first two characters.
const char* PathFindName(const char* path);
// Index of the "." of an extension, searched only within the last 5 characters of the name;
// the length when there is none.
int32_t PathFindExtension(const char* path);
// The address after the last "." of the name part; the end of the text when there is none.
const char* PathFindExtensionPtr(const char* path);
void PathGetName(const char* path, T_TextBuf* name);
// The folder part without its trailing backslash; empty when there is none.
void PathGetDir(const char* path, T_TextBuf* folder);
// Cuts the text after its last backslash, but only when more than 2 characters remain.
void PathCutName(T_TextBuf* path);
// The text after the dot PathFindExtension finds; empty when none.
void PathGetExtension(const char* path, T_TextBuf* extension);
// Cuts at that dot and appends "." and the extension when one is given.
void PathSetExtension(T_TextBuf* path, const char* extension);
void PathGetText(const T_TextBuf* path, T_TextBuf* text);
// Bytes up to the first backslash or the end.
int32_t FirstSegmentLength(const char* path);

// The program file, and its folder with the trailing backslash.
void ModulePath(T_TextBuf* path);
void ModuleFolder(T_TextBuf* folder);
// A shell folder (CSIDL number) with a trailing backslash; "C:\" when the shell cannot say.
void SpecialFolder(int32_t csidl, T_TextBuf* folder);

// Assigns the text, then normalises it.
void PathAssign(T_TextBuf* path, const char* text);
// An absolute name stays as it is; a relative one is taken in the folder of base. Then
// normalised.
void PathResolve(T_TextBuf* path, const char* name, const char* base);
// Removes double quotes, folds "\..\" and "\.\", gives every existing segment the letter case
// stored on disk and follows a ".lnk" shortcut to its target. A drive or share root is never
// folded away: "C:\..\x" becomes "C:\x". COM must be started on the calling thread for
// shortcuts to be followed.
void PathNormalize(T_TextBuf* path);
// The last step of PathNormalize on its own; true when a shortcut was followed.
bool PathResolveShortcut(T_TextBuf* path);

// The absolute form of a path: a relative one is taken in the current folder, then the whole
// text is normalised. An empty text stays empty.
void PathMakeAbsolute(T_TextBuf* path, const char* text);
// Whether two paths name the same file: their absolute forms are equal ignoring letter case.
// So a relative path, another letter case or a "..\" detour still names the file. False when
// either is empty.
bool PathSameFile(const char* a, const char* b);

// 0 for an empty text, else a 24-bit hash of the text ignoring letter case, plus one.
uint32_t PathHash(const char* path);
// The same path: equal hashes confirmed by comparing the texts without letter case.
bool PathEqual(const char* a, const char* b);

// An existing folder counts as success.
bool CreateFolder(const char* path);

// --- Folder listing -----------------------------------------------------------------------------

struct DirListing {
  T_TextBuf pattern;
  WIN32_FIND_DATAW found;
  HANDLE handle;  // INVALID_HANDLE_VALUE when closed
};

void DirListingInit(DirListing* listing);
// Closes a previous search and starts one for a name pattern ("*.txt") taken in the folder of
// base unless it is absolute.
bool DirListingOpen(DirListing* listing, const char* pattern, const char* base);
// The next entry whose name does not begin with ".", as the pattern's folder plus the name,
// normalised; false when the search is done.
bool DirListingNext(DirListing* listing, T_TextBuf* path);
void DirListingClose(DirListing* listing);

// --- BSTR texts ---------------------------------------------------------------------------------

// Null for null.
BSTR BstrFromText(const char* text);
// Null when n < 1.
BSTR BstrFromBytes(const char* bytes, int32_t n);
