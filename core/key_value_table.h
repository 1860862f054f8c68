#pragma once
// KeyValueTable: string keys and string values in a paged array of records, found through a
// byte-exact hash index, and kept as a text file.
//
// Text form (the bytes of the file):
//   EF BB BF                       UTF-8 byte-order mark (written by save; skipped when read)
//   key TAB value CR LF            one line per record, in record order
// On reading (through an input stream, core/input_stream.h), CR, LF, CR LF and LF CR each end a
// line; the first TAB-separated field is the key and the second the value, both without
// trailing blanks; lines with an empty key are skipped. A file is read in the encoding the file
// stream detects (UTF-8, UTF-16 or the system code page).
// A TAB, CR or LF inside a key or value is written as a blank, so a record always stays one line
// of two fields.
//
// A table belongs to one owner; nothing here locks.
#include <cstdint>

#include "core/hash_index.h"
#include "core/input_stream.h"
#include "core/paged_array.h"
#include "core/text_buffer.h"

struct KeyValueRecord {
  char* key;    // owned block text, never empty
  char* value;  // owned block text, null for an empty value
};
static_assert(sizeof(KeyValueRecord) == 16, "the table's records are 16 bytes");

struct KeyValueTable {
  PagedArray records;
  HashIndex index;
  bool changed = false;
};

// Records of 16 bytes, headroom class 0, an index for n keys.
void KeyValueTableInit(KeyValueTable* table, int64_t n);
// A null or empty key is ignored (false). An existing key takes a copy of the value; a new key
// is appended. An empty value is stored as null. False when memory runs out: a new key is then
// dropped, an existing one keeps its old value.
bool KeyValueTableSet(KeyValueTable* table, const char* key, const char* value);
// The buffer's data with the value copied in, or null when the key is absent (the buffer is
// then left as it was).
const char* KeyValueTableGet(const KeyValueTable* table, const char* key, T_TextBuf* buffer);
inline int64_t KeyValueTableCount(const KeyValueTable* table) { return table->records.count; }
inline const KeyValueRecord* KeyValueTableAt(const KeyValueTable* table, int64_t i) {
  return reinterpret_cast<const KeyValueRecord*>(PagedArrayAt(&table->records, i));
}
// Frees every key and value and empties the index.
void KeyValueTableClear(KeyValueTable* table);
void KeyValueTableFree(KeyValueTable* table);

// The lines of the table (no byte-order mark) as an owned MemAlloc block of *length bytes;
// clears the changed flag. Null when memory runs out (the flag stays set).
char* KeyValueTableWrite(KeyValueTable* table, int64_t* length);
// Stores every line the stream still holds; clears the changed flag at the end.
void KeyValueTableRead(KeyValueTable* table, T_IStream* stream);

// The file forms; paths are UTF-8. Load is false, with the pending error set, when the file
// cannot be opened (the table is then unchanged). Save writes the byte-order mark and the lines;
// when the file cannot be written the result is false and the table stays marked changed.
bool KeyValueTableLoad(KeyValueTable* table, const char* path);
bool KeyValueTableSave(KeyValueTable* table, const char* path);
