#include "core/owned_text.h"

#include <cstring>

#include "core/cstring.h"
#include "core/localized_text.h"
#include "core/memory.h"

// --- Block texts ------------------------------------------------------------------------------

char* StrDupBytes(const char* bytes, int32_t n) {
  if (n <= 0 || !bytes) return nullptr;
  auto* block = static_cast<char*>(MemAlloc(static_cast<int64_t>(n) + 1, 0));
  if (!block) return nullptr;
  std::memcpy(block, bytes, static_cast<size_t>(n));
  block[n] = 0;
  return block;
}

char* StrDup(const char* text) { return StrDupBytes(text, StrLen(text)); }

char* BlockTextNewChar(char c) { return StrDupBytes(&c, 1); }

int32_t BlockTextLength(const char* block) {
  return block ? static_cast<int32_t>(MemSize(block) - 1) : 0;
}

void BlockTextWipe(char* block) {
  if (!block) return;
  volatile char* p = block;
  int32_t n = BlockTextLength(block);
  for (int32_t i = 0; i < n; ++i) p[i] = ' ';
}

void BlockTextFree(char** holder) {
  BlockTextWipe(*holder);
  MemFree(*holder);
  *holder = nullptr;
}

bool BlockTextAssignBytes(char** holder, const char* bytes, int32_t n) {
  if (n <= 0 || !bytes) {
    BlockTextFree(holder);
    return true;
  }
  if (*holder && BlockTextLength(*holder) == n) {
    std::memmove(*holder, bytes, static_cast<size_t>(n));
    return true;
  }
  char* block = StrDupBytes(bytes, n);
  if (!block) return false;
  BlockTextFree(holder);
  *holder = block;
  return true;
}

bool BlockTextAssignChar(char** holder, char c) { return BlockTextAssignBytes(holder, &c, 1); }

bool BlockTextAssign(char** holder, const char* text) {
  return BlockTextAssignBytes(holder, text, StrLen(text));
}

bool BlockTextAssignBuf(char** holder, const T_TextBuf* buffer) {
  return BlockTextAssignBytes(holder, buffer->data, buffer->length);
}

bool BlockTextAssignBlock(char** holder, const char* block) {
  if (block == *holder) return true;
  return BlockTextAssignBytes(holder, block, BlockTextLength(block));
}

int32_t BlockTextCopyN(char* buffer, int32_t n, const char* block) {
  return StrCopyBytesN(buffer, n, block ? block : "", BlockTextLength(block));
}

bool BlockTextHasTabOrBreak(const char* block) {
  int32_t n = BlockTextLength(block) - 1;
  for (int32_t i = 0; i < n; ++i) {
    if (block[i] == '\t' || block[i] == '\n' || block[i] == '\r') return true;
  }
  return false;
}

// --- UiText -----------------------------------------------------------------------------------

void UiTextClear(UiText* ui) {
  ui->shown = nullptr;
  ui->copy = nullptr;
  ui->id = 0;
}

void UiTextFree(UiText* ui) {
  BlockTextFree(&ui->copy);
  ui->shown = nullptr;
  ui->id = 0;
}

void UiTextSetRef(UiText* ui, const char* text) {
  BlockTextFree(&ui->copy);
  ui->shown = text && *text ? text : nullptr;
  ui->id = 0;
}

void UiTextSetId(UiText* ui, int32_t id) {
  BlockTextFree(&ui->copy);
  ui->id = id;
  ui->shown = id ? GetString(id) : nullptr;
}

void UiTextReload(UiText* ui) {
  if (ui->id) ui->shown = GetString(ui->id);
}

void UiTextSetCopy(UiText* ui, const char* text) {
  BlockTextAssign(&ui->copy, text);
  ui->shown = ui->copy;
  ui->id = 0;
}

void UiTextSetBlockCopy(UiText* ui, const char* block) {
  BlockTextAssignBlock(&ui->copy, block);
  ui->shown = ui->copy;
  ui->id = 0;
}

// --- TextHistory --------------------------------------------------------------------------------

void TextHistoryInit(TextHistory* history) {
  history->count = 0;
  history->current = -1;
  history->canGoBack = 0;
  history->canGoForward = 0;
  for (char*& entry : history->entries) entry = nullptr;
}

void TextHistoryAdd(TextHistory* history, const char* text) {
  if (!text || !*text) return;
  if (history->current >= 0 && StrEqual(history->entries[history->current], text)) return;
  char* copy = StrDup(text);
  if (!copy) return;
  for (int32_t i = history->current + 1; i < history->count; ++i)
    BlockTextFree(&history->entries[i]);
  history->count = history->current + 1;
  if (history->count >= kTextHistorySize) {
    BlockTextFree(&history->entries[0]);
    std::memmove(&history->entries[0], &history->entries[1],
                 (kTextHistorySize - 1) * sizeof(char*));
    history->entries[kTextHistorySize - 1] = copy;
    history->count = kTextHistorySize;
    history->current = kTextHistorySize - 1;
  } else {
    history->entries[history->count] = copy;
    history->current = history->count;
    ++history->count;
  }
}

void TextHistoryClear(TextHistory* history) {
  for (char*& entry : history->entries) BlockTextFree(&entry);
  history->count = 0;
  history->current = -1;
}

void TextHistoryFree(TextHistory* history) { TextHistoryClear(history); }

void TextHistoryUpdateFlags(TextHistory* history, const char* text) {
  history->canGoBack = history->current > 0 ||
                       (history->current == 0 && !StrEqualNullAsEmpty(text, history->entries[0]));
  history->canGoForward = history->current + 1 < history->count;
}

bool TextHistoryNotEmpty(const TextHistory* history) { return history->count > 0; }

void TextHistoryBack(TextHistory* history, T_TextBuf* buffer) {
  TextHistoryAdd(history, buffer->data);
  // At the first entry there is nothing to step back to: the index never leaves the list, so a
  // later Add cannot drop every entry.
  if (history->current > 0 &&
      StrEqualNullAsEmpty(history->entries[history->current], buffer->data)) {
    --history->current;
  }
  if (history->current >= 0) TextBufAssign(buffer, history->entries[history->current]);
}

void TextHistoryForward(TextHistory* history, T_TextBuf* buffer) {
  if (history->current + 1 >= history->count) return;
  ++history->current;
  TextBufAssign(buffer, history->entries[history->current]);
}
