#pragma once
// The main-menu entries the object editors serve while they are active: enabling an entry (with
// the tag of a "@0" entry such as "New @0" or "Paste @0") and giving an entry a label built from
// a pattern, such as "Import @0" with "Web Users". The application puts its plain labels and
// states back before each update, so an editor sets them on every update.
//
// User-interface thread only.
#include <cstdint>

// Entries of the application's menus with a command number of their own.
constexpr int32_t kCommandImportEntry = 16;
constexpr int32_t kCommandExportEntry = 17;
constexpr int32_t kCommandNewTagged = 20;

// Label patterns.
constexpr int32_t kPatternImport = 7004;  // Import @0
constexpr int32_t kPatternExport = 7005;  // Export @0

struct T_TextBuf;

// The file an import reads: the path when given, else one chosen in the open dialog. False when
// the dialog was cancelled (nothing to report).
bool ImportPathOrAsk(const char* path, T_TextBuf* chosen);

// Enables the entry of the command; a tag entry gets the text of tagId (0: none) as its "@0".
// Nothing when the menus hold no such entry.
void EnableTaggedCommand(int32_t command, int32_t tagId);
// The same with the tag's own text.
void EnableTaggedCommandText(int32_t command, const char* tag);
// Labels the entry of the command with the pattern's "@0" filled by the text of tagId, in lower
// case when the language is not English (it stands inside a sentence there).
void SetPatternCommandTitle(int32_t command, int32_t patternId, int32_t tagId);
