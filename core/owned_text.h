#pragma once
// Owned block texts and the holders built on them.
//
// An owned block text is a MemAlloc block of length + 1 bytes holding the text and its NUL; null
// means empty; its length is the block size minus one. A holder (char** below) owns its block:
// assigning or dropping frees the old one, and the old text is first blanked (BlockTextWipe) so
// that no copy of it survives in freed memory. When memory runs out an assignment leaves the
// holder as it was and returns false.
//
// UiText holds the text of a user-interface object: a caller's constant, an owned copy or a
// localized text id. TextHistory keeps the last 12 texts entered in a field.
#include <cstdint>

#include "core/text_buffer.h"

// --- Block texts ------------------------------------------------------------------------------

char* StrDup(const char* text);                   // null for a null or empty text
char* StrDupBytes(const char* bytes, int32_t n);  // n + 1 bytes, NUL-terminated; null for n <= 0
char* BlockTextNewChar(char c);                   // a 2-byte block
int32_t BlockTextLength(const char* block);       // 0 for null
void BlockTextWipe(char* block);                  // blanks every byte but the NUL
void BlockTextFree(char** holder);                // wipe, free, null
bool BlockTextAssignBytes(char** holder, const char* bytes, int32_t n);  // n <= 0: free
bool BlockTextAssignChar(char** holder, char c);
bool BlockTextAssign(char** holder, const char* text);  // null or empty: free
bool BlockTextAssignBuf(char** holder, const T_TextBuf* buffer);
bool BlockTextAssignBlock(char** holder, const char* block);  // null: free
// Copies the text into a buffer of n bytes including the NUL, cut only between UTF-8 characters
// (null gives an empty text); returns the length copied.
int32_t BlockTextCopyN(char* buffer, int32_t n, const char* block);
// True when a TAB, LF or CR stands in the text before its last byte; false for null.
bool BlockTextHasTabOrBreak(const char* block);

// --- UiText -----------------------------------------------------------------------------------

struct UiText {
  const char* shown;  // a caller's constant, the owned copy or a localized text; null = none
  char* copy;         // owned block text
  int32_t id;         // text id of GetString, 0 = none
};

void UiTextClear(UiText* ui);  // all zero; does not free
// Shows the caller's string without copying it (an empty string counts as none).
void UiTextSetRef(UiText* ui, const char* text);
// Shows GetString(id) (none for 0) and keeps the id, so a language change can reload it.
void UiTextSetId(UiText* ui, int32_t id);
void UiTextReload(UiText* ui);
// Shows an owned copy of the text; the id becomes 0.
void UiTextSetCopy(UiText* ui, const char* text);
void UiTextSetBlockCopy(UiText* ui, const char* block);
// Wipes and frees the owned copy and shows nothing.
void UiTextFree(UiText* ui);

// --- TextHistory --------------------------------------------------------------------------------

constexpr int32_t kTextHistorySize = 12;

struct TextHistory {
  int32_t count;    // 0..12
  int32_t current;  // -1 = none
  uint8_t canGoBack;
  uint8_t canGoForward;
  char* entries[kTextHistorySize];  // owned block texts, oldest first
};

void TextHistoryInit(TextHistory* history);
// Ignores null, empty and a text equal to the current entry; drops the entries after the current
// one; keeps the newest 12.
void TextHistoryAdd(TextHistory* history, const char* text);
void TextHistoryClear(TextHistory* history);
void TextHistoryFree(TextHistory* history);
void TextHistoryUpdateFlags(TextHistory* history, const char* text);
bool TextHistoryNotEmpty(const TextHistory* history);
// Adds the field's text, steps back one entry when the current one equals it, and puts the
// current entry into the buffer.
void TextHistoryBack(TextHistory* history, T_TextBuf* buffer);
// Steps to the next entry, when there is one, and puts it into the buffer.
void TextHistoryForward(TextHistory* history, T_TextBuf* buffer);
