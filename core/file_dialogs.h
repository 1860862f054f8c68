#pragma once
// The open and save dialogs with their filter lists, and opening documents and web pages
// through the shell.
//
// The dialogs are modal and owned by the frame window. Tests (and scripted runs) answer the
// next dialog in advance with FileDialogAnswerInAdvance, so nothing waits for a person.
#include <cstdint>
#include <string>

#include "core/text_buffer.h"

// Kind bits of the filter list, in the list's order; "All Files" always comes last.
constexpr int32_t kFileKindQeb = 8;   // "*.qeb"
constexpr int32_t kFileKindQex = 16;  // "*.qex"
constexpr int32_t kFileKindTxt = 4;   // "*.txt"

// The title of the next dialogs, process-wide; null or empty for the system's title.
void SetFileDialogTitle(const char* title);
// The UTF-16 filter list for the kinds: per entry the label, three blanks and the pattern, a
// NUL, the pattern, a NUL; then one more NUL.
std::wstring FileFilterList(int32_t kinds);

// On OK the path becomes the chosen file and the result is true; on cancel the pending error is
// set to -1 (a silent stop) and the result is false. Either way the busy deadline is re-armed.
bool FileOpenDialog(T_TextBuf* path, int32_t kinds);
bool FileSaveDialog(T_TextBuf* path, int32_t kinds);

// The next dialog shows nothing and answers with this path; null or empty answers as if the
// user cancelled. One answer serves one dialog.
void FileDialogAnswerInAdvance(const char* path);

// Opens a document or address with the shell's "open" verb, shown normally.
bool ShellOpen(const char* path);
// Opens the address in a new, visible browser window brought to the top. Where no browser
// object can be created the address goes to ShellOpen instead.
bool BrowserShowUrl(const char* url);

// Tests see what the shell would be asked instead of starting programs: the hook receives each
// target ShellOpen would open and answers for it. Null restores the shell.
using ShellOpenHook = bool (*)(const char* target);
void SetShellOpenHook(ShellOpenHook hook);
// Tests decide whether the browser object can be created: the hook answers in place of the
// system (false: none). Null restores the system.
using BrowserAvailableHook = bool (*)();
void SetBrowserAvailableHook(BrowserAvailableHook hook);
