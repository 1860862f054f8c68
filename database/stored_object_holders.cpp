#include "database/stored_object_holders.h"

#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/macros.h"
#include "database/named_lists.h"
#include "database/operation_log.h"
#include "database/save_setups.h"
#include "database/stored_object_sections.h"
#include "database/web_users.h"

namespace {

constexpr int32_t kChangeSaveSetupChanged = kChangeSaveSetupRenamed + 1;
constexpr int32_t kChangeSaveSetupAdded = kChangeSaveSetupRenamed + 2;
constexpr int32_t kCriteriaNoCase = 5;  // name patterns ignore letter case

// --- Kept lines ---------------------------------------------------------------------------------

void WipeBlock(char* bytes, int64_t length) {
  if (bytes == nullptr) return;
  MemZero(bytes, length);
  MemFree(bytes);
}

void LinesFree(SectionLines* lines) {
  WipeBlock(lines->bytes, lines->length);
  lines->bytes = nullptr;
  lines->length = 0;
}

// A growing block that wipes every block it leaves behind.
struct LineCollector {
  char* bytes = nullptr;
  int64_t length = 0;
  int64_t capacity = 0;

  bool Append(const char* data, int64_t n) {
    if (length + n > capacity) {
      int64_t size = capacity * 2 > length + n + 256 ? capacity * 2 : length + n + 256;
      auto* grown = static_cast<char*>(MemAlloc(size, 0));
      if (grown == nullptr) return false;
      if (length > 0) std::memcpy(grown, bytes, static_cast<size_t>(length));
      WipeBlock(bytes, length);
      bytes = grown;
      capacity = size;
    }
    if (n > 0) std::memcpy(bytes + length, data, static_cast<size_t>(n));
    length += n;
    return true;
  }
};

// Reads the lines up to the next "##" line (left current), the end of input or the abort flag
// into the kept lines, after the ones kept already when appending.
void LinesRead(SectionLines* lines, T_IStream* stream, bool append) {
  LineCollector collected;
  bool complete = !append || lines->length == 0 || collected.Append(lines->bytes, lines->length);
  int64_t keep = collected.length;
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
    int64_t n = stream->lineEnd - stream->lineStart;
    // Without memory the rest of the section is still stepped over, so the dispatcher stays on
    // the section bounds.
    if (complete) complete = collected.Append(stream->lineStart, n) && collected.Append("\n", 1);
    if (complete && n > 0) keep = collected.length;
  }
  LinesFree(lines);
  if (keep > 0) {
    lines->bytes = static_cast<char*>(MemDup(collected.bytes, keep));
    if (lines->bytes != nullptr) lines->length = keep;
  }
  WipeBlock(collected.bytes, collected.capacity);
}

// Calls visit(line, n) for every kept line; stops when it answers false.
template <typename Visit>
void ForEachLine(const SectionLines* lines, Visit visit) {
  const char* p = lines->bytes;
  const char* end = p + lines->length;
  while (p < end) {
    auto* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (lineEnd == nullptr) lineEnd = end;
    if (!visit(p, lineEnd - p)) return;
    p = lineEnd + 1;
  }
}

void LinesWrite(const SectionLines* lines, T_OStream* stream) {
  ForEachLine(lines, [stream](const char* line, int64_t n) {
    stream->PutBytes(line, n);
    // Not PutNewline: a line kept byte for byte keeps its trailing separators too.
    stream->PutBytes(stream->newline, stream->newlineLength);
    return true;
  });
}

void WriteHeader(T_OStream* stream, const char* tag, const char* name) {
  stream->PutText(tag);
  stream->PutSeparator();
  stream->PutBlockText(name);
  stream->PutNewline();
}

void WriteRecord(T_OStream* stream, const char* tag, const char* name, const SectionLines* lines) {
  WriteHeader(stream, tag, name);
  LinesWrite(lines, stream);
  stream->PutBytes(stream->newline, stream->newlineLength);
}

// --- Named lists sorted by name -----------------------------------------------------------------

template <typename Setup>
Setup* CreateInList(T_Base* base, Setup** head, const char* name) {
  auto* setup = new (std::nothrow) Setup;
  if (setup == nullptr) return nullptr;
  setup->database = base;
  BlockTextAssign(&setup->name, name);
  NamedListInsert(head, setup);
  return setup;
}

template <typename Setup>
void FreeSetup(Setup* setup) {
  BlockTextFree(&setup->name);
  LinesFree(&setup->lines);
  delete setup;
}

template <typename Setup>
int64_t SetupMemSize(const Setup* setup) {
  return static_cast<int64_t>(sizeof(Setup)) + MemAllocatedSize(setup->name) +
         LinesMemSize(&setup->lines);
}

}  // namespace

void NamedListKey(const char* name, bool removeControls, T_TextBuf* key) {
  TextBufAssign(key, name);
  if (removeControls) TextBufSetLength(key, StrRemoveControls(key->data));
  TextBufTrim(key, ' ');
}

void SectionLinesRead(SectionLines* lines, T_IStream* stream, bool append) {
  LinesRead(lines, stream, append);
}

void SectionLinesFree(SectionLines* lines) { LinesFree(lines); }

NamePatternFilter::NamePatternFilter(const char* pattern) : all_(pattern == nullptr) {
  Criteria_Init(&criteria_);
  if (all_) return;
  T_TextBuf text(pattern);
  Criteria_Compile(&criteria_, &text, kCriteriaNoCase, false);
}

NamePatternFilter::~NamePatternFilter() { MemFreeHeld(&criteria_); }

bool NamePatternFilter::Passes(const char* name) const {
  return all_ || Criteria_MatchCStr(&criteria_, name);
}

// --- Save setups --------------------------------------------------------------------------------

SaveSetup* SaveSetupCreate(T_Base* base, const char* name) {
  SaveSetup* setup = CreateInList(base, &base->saveSetups, name);
  if (setup == nullptr) return nullptr;
  SaveOptionsInit(&setup->options, base);
  setup->edited = 1;  // nothing kept to write back
  NotifyObjectChange(base, kChangeSaveSetupAdded, setup, 0);
  return setup;
}

SaveSetup* FindSaveSetup(T_Base* base, const char* name) {
  return NamedListFind(base->saveSetups, name);
}

void ReadSaveSetup(SaveSetup* setup, T_IStream* stream) {
  LinesRead(&setup->lines, stream, false);
  ReadSaveSetupOptions(setup);
  setup->edited = 0;
  NotifyObjectChange(setup->database, kChangeSaveSetupChanged, setup, 0);
}

void WriteSaveSetup(const SaveSetup* setup, T_OStream* stream) {
  if (setup->edited) {
    WriteSaveSetupRecord(setup, stream);
  } else {
    WriteRecord(stream, "##SaveSetup", setup->name, &setup->lines);
  }
}

int64_t SaveSetupMemSize(const SaveSetup*) { return kSaveSetupSteps; }

void SaveSetupFree(SaveSetup* setup) {
  if (setup == nullptr) return;
  if (setup->database != nullptr) NamedListUnlink(&setup->database->saveSetups, setup);
  SaveOptionsFree(&setup->options);
  FreeSetup(setup);
}

void SaveSetupRename(SaveSetup* setup, const char* name) {
  NamedListRename(setup, &T_Base::saveSetups, name, kChangeSaveSetupRenamed);
}

void SaveSetupDelete(SaveSetup* setup) {
  if (setup->database != nullptr)
    NotifyObjectChange(setup->database, kChangeSaveSetupRenamed + 3, setup, 0);
  SaveSetupFree(setup);
}

void DeleteSaveSetupsMatching(T_Base* base, const char* pattern) {
  NamePatternFilter filter(pattern);
  for (SaveSetup* setup = base->saveSetups; setup != nullptr;) {
    SaveSetup* following = setup->next;
    if (filter.Passes(setup->name)) SaveSetupDelete(setup);
    setup = following;
  }
}

// --- The database's holders together ------------------------------------------------------------

void FreeStoredObjectHolders(T_Base* base) {
  while (base->saveSetups != nullptr) SaveSetupFree(base->saveSetups);
  while (base->importSetups != nullptr) ImportSetupFree(base->importSetups);
  FreeMacros(base);
}

int64_t StoredObjectHoldersMemSize(const T_Base* base) {
  int64_t size = WebUserListMemSize(base->webUsers);
  for (const SaveSetup* setup = base->saveSetups; setup != nullptr; setup = setup->next)
    size += SaveSetupMemSize(setup);
  for (const ImportSetup* setup = base->importSetups; setup != nullptr; setup = setup->next)
    size += ImportSetupMemSize(setup);
  size += MacrosMemorySize(base);
  for (const DimImportSetup* setup : base->dimImports) {
    if (setup != nullptr) size += DimImportMemSize(setup);
  }
  return size;
}
