#include "core/key_value_table.h"

#include <windows.h>

#include <cstring>

#include "core/file_stream.h"
#include "core/memory.h"
#include "core/owned_text.h"

namespace {

constexpr unsigned char kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

const char* RecordKey(const void* record) {
  return static_cast<const KeyValueRecord*>(record)->key;
}

KeyValueRecord* RecordAt(KeyValueTable* table, int64_t i) {
  return reinterpret_cast<KeyValueRecord*>(PagedArrayAt(&table->records, i));
}

// Index for three times the records, every record inserted again in record order. When the
// index cannot grow it keeps its size and may miss keys until the next rebuild.
void Rebuild(KeyValueTable* table) {
  HashIndexReset(&table->index, 3 * table->records.count);
  for (int64_t i = 0; i < table->records.count; ++i)
    HashIndexInsert(&table->index, RecordAt(table, i));
}

inline bool BreaksLine(char c) { return c == '\t' || c == '\r' || c == '\n'; }

char* PutField(char* out, const char* text) {
  if (!text) return out;
  for (; *text; ++text) *out++ = BreaksLine(*text) ? ' ' : *text;
  return out;
}

int64_t TextLength(const KeyValueTable* table) {
  int64_t total = 0;
  for (int64_t i = 0; i < table->records.count; ++i) {
    const KeyValueRecord* record = KeyValueTableAt(table, i);
    total += static_cast<int64_t>(std::strlen(record->key)) + 3;
    if (record->value) total += static_cast<int64_t>(std::strlen(record->value));
  }
  return total;
}

// The lines behind `prefix` bytes of room; null when memory runs out.
char* WriteLines(const KeyValueTable* table, int64_t prefix, int64_t* length) {
  int64_t total = prefix + TextLength(table);
  auto* block = static_cast<char*>(MemAlloc(total > 0 ? total : 1, 0));
  if (!block) return nullptr;
  char* out = block + prefix;
  for (int64_t i = 0; i < table->records.count; ++i) {
    const KeyValueRecord* record = KeyValueTableAt(table, i);
    out = PutField(out, record->key);
    *out++ = '\t';
    out = PutField(out, record->value);
    *out++ = '\r';
    *out++ = '\n';
  }
  *length = total;
  return block;
}

// INTERIM: the file layer will write these files; until then plain system calls.
HANDLE OpenPath(const char* path, DWORD access, DWORD creation) {
  int n = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
  if (n <= 0) return INVALID_HANDLE_VALUE;
  auto* wide = static_cast<wchar_t*>(MemAlloc(int64_t{n} * 2, 0));
  if (!wide) return INVALID_HANDLE_VALUE;
  MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, n);
  HANDLE file = CreateFileW(wide, access, access == GENERIC_READ ? FILE_SHARE_READ : 0, nullptr,
                            creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  MemFree(wide);
  return file;
}

}  // namespace

void KeyValueTableInit(KeyValueTable* table, int64_t n) {
  PagedArrayInit(&table->records, sizeof(KeyValueRecord), 0);
  HashIndexInit(&table->index, n, 0, RecordKey, kKeyKindBytes);
  table->changed = false;
}

bool KeyValueTableSet(KeyValueTable* table, const char* key, const char* value) {
  if (!key || !*key) return false;
  char* valueCopy = StrDup(value);
  if (value && *value && !valueCopy) return false;
  if (auto* record = static_cast<KeyValueRecord*>(HashIndexFind(&table->index, key))) {
    MemFree(record->value);
    record->value = valueCopy;
    table->changed = true;
    return true;
  }
  int64_t i = table->records.count;
  char* keyCopy = StrDup(key);
  auto* record =
      keyCopy ? reinterpret_cast<KeyValueRecord*>(PagedArrayAtGrow(&table->records, i)) : nullptr;
  if (!record) {
    MemFree(keyCopy);
    MemFree(valueCopy);
    return false;
  }
  record->key = keyCopy;
  record->value = valueCopy;
  bool inserted = HashIndexInsert(&table->index, record);
  if (!inserted || table->index.entryCount > table->index.fillLimit) Rebuild(table);
  table->changed = true;
  return true;
}

const char* KeyValueTableGet(const KeyValueTable* table, const char* key, T_TextBuf* buffer) {
  auto* record = static_cast<const KeyValueRecord*>(HashIndexFind(&table->index, key));
  if (!record) return nullptr;
  TextBufAssign(buffer, record->value ? record->value : "");
  return buffer->data;
}

void KeyValueTableClear(KeyValueTable* table) {
  for (int64_t i = 0; i < table->records.count; ++i) {
    KeyValueRecord* record = RecordAt(table, i);
    MemFree(record->key);
    MemFree(record->value);
  }
  PagedArrayTruncate(&table->records, 0);
  HashIndexReset(&table->index, 0);
}

void KeyValueTableFree(KeyValueTable* table) {
  KeyValueTableClear(table);
  HashIndexFree(&table->index);
  PagedArrayFree(&table->records);
}

char* KeyValueTableWrite(KeyValueTable* table, int64_t* length) {
  char* block = WriteLines(table, 0, length);
  if (block) table->changed = false;
  return block;
}

void KeyValueTableRead(KeyValueTable* table, T_IStream* stream) {
  T_TextBuf key;
  T_TextBuf value;
  while (stream->NextLine()) {
    stream->ReadFieldBuf(&key);
    stream->ReadFieldBuf(&value);
    if (!key.empty()) KeyValueTableSet(table, key.c_str(), value.c_str());
  }
  table->changed = false;
}

bool KeyValueTableLoad(KeyValueTable* table, const char* path) {
  // The file stream detects the encoding, so a file an editor saved in the system code page or
  // in UTF-16 reads as well as the UTF-8 one the program writes.
  T_IStreamFile stream;
  if (!stream.Open(path)) return false;
  KeyValueTableRead(table, &stream);
  return true;
}

bool KeyValueTableSave(KeyValueTable* table, const char* path) {
  int64_t length;
  char* block = WriteLines(table, sizeof(kByteOrderMark), &length);
  if (!block) return false;
  std::memcpy(block, kByteOrderMark, sizeof(kByteOrderMark));
  HANDLE file = OpenPath(path, GENERIC_WRITE, CREATE_ALWAYS);
  bool written = file != INVALID_HANDLE_VALUE;
  int64_t done = 0;
  while (written && done < length) {
    DWORD chunk = static_cast<DWORD>(length - done < (1 << 30) ? length - done : (1 << 30));
    DWORD put = 0;
    written = WriteFile(file, block + done, chunk, &put, nullptr) && put == chunk;
    done += put;
  }
  if (file != INVALID_HANDLE_VALUE) written = CloseHandle(file) && written;
  MemFree(block);
  if (written) table->changed = false;
  return written;
}
