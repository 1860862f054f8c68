#include "database/line_origins.h"

#include <new>

#include "core/alert.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/parallel_sort.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"

namespace {

void FreeStore(LineOriginStore* store) {
  for (int32_t i = 1; i < store->nameCount; ++i) BlockTextFree(&store->names[i]);
  MemFree(store->names);
  MemFree(store->ranks);
  PackedIntArrayFree(&store->files);
  PackedIntArrayFree(&store->positions);
  delete store;
}

// The index of the name, appended when it is new; 0 for an empty name or without memory.
int32_t NameIndex(LineOriginStore* store, const char* name) {
  if (!name || !*name) return 0;
  for (int32_t i = 1; i < store->nameCount; ++i)
    if (StrEqualNoCase(store->names[i], name)) return i;
  if (store->nameCount >= store->nameCapacity) {
    int32_t capacity = store->nameCapacity * 2 + 8;
    void* block = store->names;
    if (!MemResize(&block, int64_t{capacity} * static_cast<int64_t>(sizeof(char*)), 0)) return 0;
    store->names = static_cast<char**>(block);
    store->nameCapacity = capacity;
  }
  char* copy = StrDup(name);
  if (!copy) return 0;
  store->names[store->nameCount] = copy;
  MemFree(store->ranks);
  store->ranks = nullptr;
  return store->nameCount++;
}

// Both arrays cover the line number; new entries have no origin.
bool Cover(LineOriginStore* store, int64_t number) {
  if (number < store->capacity) return true;
  int64_t capacity = number + store->capacity / 4 + 1024;
  if (!PackedIntArrayResize(&store->files, capacity)) return false;
  if (!PackedIntArrayResize(&store->positions, capacity)) {
    PackedIntArrayResize(&store->files, store->capacity);
    return false;
  }
  for (int64_t i = store->capacity; i < capacity; ++i) {
    PackedIntArraySet(&store->files, i, 0);
    PackedIntArraySet(&store->positions, i, 0);
  }
  store->capacity = capacity;
  return true;
}

void Store(LineOriginStore* store, int64_t number, int32_t file, int64_t position) {
  if (position < 0) position = 0;
  if (!Cover(store, number)) return;
  if (static_cast<uint64_t>(file) > store->files.maximum &&
      !PackedIntArraySetMax(&store->files, static_cast<uint64_t>(file)))
    return;
  if (static_cast<uint64_t>(position) > store->positions.maximum &&
      !PackedIntArraySetMax(&store->positions, static_cast<uint64_t>(position)))
    return;
  PackedIntArraySet(&store->files, number, static_cast<uint64_t>(file));
  PackedIntArraySet(&store->positions, number, static_cast<uint64_t>(position));
}

int32_t FileOf(const LineOriginStore* store, const LineRecord* line) {
  if (line->number >= store->capacity) return 0;
  return static_cast<int32_t>(PackedIntArrayGet(&store->files, line->number));
}

int64_t PositionOf(const LineOriginStore* store, const LineRecord* line) {
  if (line->number >= store->capacity) return 0;
  return static_cast<int64_t>(PackedIntArrayGet(&store->positions, line->number));
}

// Ranking: file indexes 1 .. n - 1 sorted by name.
struct RankSort {
  LineOriginStore* store;
  int32_t* order;
};

int32_t CompareNames(void* context, int64_t a, int64_t b) {
  auto* sort = static_cast<RankSort*>(context);
  return StrCompareNoCase(sort->store->names[sort->order[a]], sort->store->names[sort->order[b]]);
}

void SwapNames(void* context, int64_t a, int64_t b) {
  auto* sort = static_cast<RankSort*>(context);
  int32_t kept = sort->order[a];
  sort->order[a] = sort->order[b];
  sort->order[b] = kept;
}

bool Rank(LineOriginStore* store) {
  if (store->ranks) return true;
  int32_t n = store->nameCount;
  auto* ranks = static_cast<int32_t*>(MemAlloc(int64_t{n} * 4, 0));
  auto* order = static_cast<int32_t*>(MemAlloc(int64_t{n} * 4, 0));
  if (!ranks || !order) {
    MemFree(ranks);
    MemFree(order);
    return false;
  }
  for (int32_t i = 1; i < n; ++i) order[i - 1] = i;
  RankSort sort{store, order};
  ParallelSortContext context;
  ParallelSortInit(&context);
  context.compare = CompareNames;
  context.compareContext = &sort;
  context.swap = SwapNames;
  context.swapContext = &sort;
  ParallelSortCount(&context, n - 1);
  ranks[0] = 0;
  for (int32_t i = 0; i < n - 1; ++i) ranks[order[i]] = i + 1;
  MemFree(order);
  store->ranks = ranks;
  return true;
}

}  // namespace

bool SetLineOrigins(T_Base* base, bool on) {
  if (on == (base->lineOrigins != nullptr)) return true;
  if (on) {
    auto* store = new (std::nothrow) LineOriginStore;
    if (!store) {
      PendingErrorOutOfMemory();
      return false;
    }
    PackedIntArrayInit(&store->files, 0, 1, 0);
    PackedIntArrayInit(&store->positions, 0, 1, 0);
    base->lineOrigins = store;
  } else {
    FreeLineOrigins(base);
  }
  ChangeNote note;
  note.code = kChangeLineOrigins;
  note.database = base;
  note.flag = on ? 1 : 0;
  NotifyChange(base, &note);
  return true;
}

void FreeLineOrigins(T_Base* base) {
  if (!base->lineOrigins) return;
  FreeStore(base->lineOrigins);
  base->lineOrigins = nullptr;
}

void BeginLineOriginFile(T_Base* base, const char* path) {
  if (LineOriginStore* store = base->lineOrigins)
    store->current = NameIndex(store, PathFindName(path));
}

void EndLineOriginFile(T_Base* base) {
  if (base->lineOrigins) base->lineOrigins->current = 0;
}

void RecordLineOrigin(T_Base* base, const LineRecord* line, int64_t position) {
  LineOriginStore* store = base->lineOrigins;
  if (!store) return;
  Store(store, line->number, store->current, store->current ? position : 0);
}

void SetLineOrigin(T_Base* base, const LineRecord* line, const char* name, int64_t position) {
  LineOriginStore* store = base->lineOrigins;
  if (!store) return;
  int32_t file = NameIndex(store, name);
  Store(store, line->number, file, file ? position : 0);
}

void ForgetLineOrigin(T_Base* base, int64_t lineNumber) {
  LineOriginStore* store = base->lineOrigins;
  if (!store || lineNumber >= store->capacity) return;
  PackedIntArraySet(&store->files, lineNumber, 0);
  PackedIntArraySet(&store->positions, lineNumber, 0);
}

bool LineOriginText(const T_Base* base, const LineRecord* line, T_TextBuf* text) {
  TextBufAssign(text, nullptr);
  const LineOriginStore* store = base->lineOrigins;
  int32_t file = store ? FileOf(store, line) : 0;
  if (!file) return false;
  TextBufAssign(text, store->names[file]);
  if (int64_t position = PositionOf(store, line)) {
    TextBufAppend(text, ":");
    TextBufAppendInt64(text, position);
  }
  return true;
}

void WriteLineOrigin(const T_Base* base, T_OStream* stream, const LineRecord* line) {
  const LineOriginStore* store = base->lineOrigins;
  int32_t file = store ? FileOf(store, line) : 0;
  if (!file) return;
  stream->PutChar('H');
  stream->PutSeparator();
  stream->PutBlockText(store->names[file]);
  if (int64_t position = PositionOf(store, line)) {
    stream->PutSeparator();
    stream->PutInt64(position);
  }
  stream->PutNewline();
}

int32_t CompareLineOrigins(T_Base* base, const LineRecord* a, const LineRecord* b) {
  LineOriginStore* store = base->lineOrigins;
  if (!store || !Rank(store)) return 0;
  int32_t rankA = store->ranks[FileOf(store, a)];
  int32_t rankB = store->ranks[FileOf(store, b)];
  if (rankA != rankB) return rankA < rankB ? -1 : 1;
  int64_t positionA = PositionOf(store, a);
  int64_t positionB = PositionOf(store, b);
  if (positionA != positionB) return positionA < positionB ? -1 : 1;
  return 0;
}

int64_t LineOriginsMemSize(const T_Base* base) {
  const LineOriginStore* store = base->lineOrigins;
  if (!store) return 0;
  int64_t size = static_cast<int64_t>(sizeof(LineOriginStore)) + MemAllocatedSize(store->names) +
                 MemAllocatedSize(store->ranks) + PackedIntArrayMemSize(&store->files) +
                 PackedIntArrayMemSize(&store->positions);
  for (int32_t i = 1; i < store->nameCount; ++i) size += MemAllocatedSize(store->names[i]);
  return size;
}
