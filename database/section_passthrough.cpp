#include "database/section_passthrough.h"

#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/file_kinds.h"
#include "database/file_progress.h"
#include "database/operation_log.h"

namespace {

constexpr int32_t kStatusSubsets = 4516;
constexpr int32_t kStatusTemplates = 4517;
// Template kind letters: cards, lines, components, time functions, component functions, subset.
constexpr const char* kTemplateLetters = "CLPTRS";
// Default templates: card, then kinds 1 to 5.
constexpr const char* kDefaultLetters = "KCLPTR";
// Text forms dated before this knew no time-function templates under the letter "T".
constexpr int32_t kTimeTemplatesSince = 19961018;

SectionPassThrough* Holder(T_Base* base) {
  if (base->passThrough == nullptr) base->passThrough = new (std::nothrow) SectionPassThrough;
  return base->passThrough;
}

void FreeObject(PassThroughObject* object) {
  BlockTextFree(&object->name);
  SectionLinesFree(&object->lines);
  delete object;
}

void FreeList(PassThroughObject** head) {
  while (*head != nullptr) {
    PassThroughObject* next = (*head)->next;
    FreeObject(*head);
    *head = next;
  }
}

// The object of that name (letter case ignored), else a new one at the end; null without memory.
PassThroughObject* FindOrAppend(PassThroughObject** head, const char* name, int32_t n) {
  T_TextBuf key;
  TextBufAssignBytes(&key, name, n);
  PassThroughObject** link = head;
  for (; *link != nullptr; link = &(*link)->next) {
    if (StrEqualNoCase((*link)->name, key.c_str())) return *link;
  }
  auto* object = new (std::nothrow) PassThroughObject;
  if (object == nullptr) return nullptr;
  if (!BlockTextAssignBuf(&object->name, &key)) {
    delete object;
    return nullptr;
  }
  *link = object;
  return object;
}

// The object's lines become the bytes given (whole lines, each ended by LF).
void Keep(PassThroughObject* object, const char* bytes, int64_t n) {
  SectionLinesFree(&object->lines);
  object->lines.bytes = static_cast<char*>(MemDup(bytes, n));
  if (object->lines.bytes != nullptr) object->lines.length = n;
}

int64_t ObjectSize(const PassThroughObject* object) {
  return static_cast<int64_t>(sizeof(PassThroughObject)) + MemAllocatedSize(object->name) +
         SectionLinesMemSize(&object->lines);
}

const char* LineEnd(const char* p, const char* end) {
  auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
  return lf != nullptr ? lf + 1 : end;
}

// Cuts the lines of a "##Templates" or "##Defaults" section into its objects: each starts at a
// line whose first character is "#" and runs to the next such line. An object is kept under its
// name when its kind letter is accepted; the lines before the first object, and those of an
// object not accepted, are skipped as the template readers skip them. Visits (name, n) of every
// object kept and returns their count.
template <typename Accept, typename Visit>
int64_t CutIntoObjects(const SectionLines* lines, PassThroughObject** head, Accept accept,
                       Visit visit) {
  const char* p = lines->bytes;
  const char* end = p + lines->length;
  int64_t count = 0;
  while (p < end) {
    if (*p != '#') {
      p = LineEnd(p, end);
      continue;
    }
    const char* start = p;
    const char* name = nullptr;
    int32_t nameLength = 0;
    bool kept = accept(start, LineEnd(start, end) - start, &name, &nameLength);
    p = LineEnd(p, end);
    while (p < end && *p != '#') p = LineEnd(p, end);
    if (!kept) continue;
    PassThroughObject* object = FindOrAppend(head, name, nameLength);
    if (object == nullptr) continue;
    Keep(object, start, p - start);
    visit(object);
    ++count;
  }
  return count;
}

// The second field of a kept line (up to a TAB or its LF), trailing blanks removed.
void SecondField(const char* line, int64_t n, const char** field, int32_t* length) {
  const char* end = line + n;
  if (end > line && end[-1] == '\n') --end;
  auto* tab = static_cast<const char*>(std::memchr(line, '\t', static_cast<size_t>(end - line)));
  if (tab == nullptr) {
    *field = end;
    *length = 0;
    return;
  }
  const char* start = tab + 1;
  auto* next = static_cast<const char*>(std::memchr(start, '\t', static_cast<size_t>(end - start)));
  const char* stop = next != nullptr ? next : end;
  while (stop > start && stop[-1] == ' ') --stop;
  *field = start;
  *length = static_cast<int32_t>(stop - start);
}

void WriteObjects(const PassThroughObject* object, T_OStream* stream, int64_t steps) {
  T_FileWait* progress = FileProgressCurrent();
  for (; object != nullptr && !AbortRequested(); object = object->next) {
    SectionLinesWrite(&object->lines, stream);
    FileProgressAddSteps(progress, steps);
  }
}

}  // namespace

void ReadSubsetSection(T_Base* base, T_IStream* stream) {
  FileProgressSetStatus(FileProgressCurrent(), kStatusSubsets);
  T_TextBuf name;
  stream->ReadFieldBuf(&name);
  SectionPassThrough* holder = Holder(base);
  PassThroughObject* object =
      holder != nullptr ? FindOrAppend(&holder->subsets, name.c_str(), name.length) : nullptr;
  // Without memory the section is still stepped over, so the dispatcher stays on its bounds.
  SectionLines skipped;
  SectionLinesRead(object != nullptr ? &object->lines : &skipped, stream, false);
  SectionLinesFree(&skipped);
  LogOperation(base, "global subset", name.c_str(), kLogVerbLoaded);
}

void ReadTemplatesSection(T_Base* base, T_IStream* stream) {
  FileProgressSetStatus(FileProgressCurrent(), kStatusTemplates);
  LogOperation(base, "analysis template section", nullptr, kLogVerbReading | kLogStepIndent);
  uint64_t start = TickCount();
  SectionLines lines;
  SectionLinesRead(&lines, stream, false);
  SectionPassThrough* holder = Holder(base);
  int64_t count = 0;
  if (holder != nullptr) {
    bool oldTextForm = base->fileKind == kFileKindTextForm && base->fileVersion > 0 &&
                       base->fileVersion < kTimeTemplatesSince;
    auto accept = [oldTextForm](const char* line, int64_t n, const char** name, int32_t* length) {
      char letter = n > 1 ? line[1] : 0;
      if (letter == 0 || std::strchr(kTemplateLetters, letter) == nullptr) return false;
      if (letter == 'T' && oldTextForm) return false;
      SecondField(line, n, name, length);
      return true;
    };
    count = CutIntoObjects(&lines, &holder->templates, accept, [base](PassThroughObject* object) {
      LogOperation(base, "analysis template", object->name, kLogVerbLoaded);
    });
  }
  SectionLinesFree(&lines);
  LogLoadTime(base, "templates", count, start);
  LogOperation(base, "analysis template section", nullptr, kLogVerbCompleted | kLogStepOutdent);
}

void ReadDefaultsSection(T_Base* base, T_IStream* stream) {
  FileProgressSetStatus(FileProgressCurrent(), kStatusTemplates);
  LogOperation(base, "analysis defaults section", nullptr, kLogVerbReading);
  SectionLines lines;
  SectionLinesRead(&lines, stream, false);
  SectionPassThrough* holder = Holder(base);
  if (holder != nullptr) {
    auto accept = [](const char* line, int64_t n, const char** name, int32_t* length) {
      if (n < 2 || line[1] == 0 || std::strchr(kDefaultLetters, line[1]) == nullptr) return false;
      *name = line + 1;
      *length = 1;
      return true;
    };
    CutIntoObjects(&lines, &holder->defaults, accept, [](PassThroughObject*) {});
  }
  SectionLinesFree(&lines);
  LogOperation(base, "analysis defaults section", nullptr, kLogVerbCompleted);
}

void WriteSubsetSections(T_Base* base, T_OStream* stream) {
  if (!HasPassThroughSubsets(base)) return;
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kStatusSubsets);
  for (const PassThroughObject* subset = base->passThrough->subsets;
       subset != nullptr && !AbortRequested(); subset = subset->next) {
    stream->PutText("##Subset");
    stream->PutSeparator();
    stream->PutFieldText(subset->name);
    stream->PutNewline();
    SectionLinesWrite(&subset->lines, stream);
    stream->PutBytes(stream->newline, stream->newlineLength);
    FileProgressAddSteps(progress, ObjectSize(subset));
  }
}

void WriteTemplatesSection(T_Base* base, T_OStream* stream) {
  if (!HasPassThroughTemplates(base)) return;
  FileProgressSetStatus(FileProgressCurrent(), kStatusTemplates);
  stream->PutText("##Templates");
  stream->PutNewline();
  WriteObjects(base->passThrough->templates, stream, kTemplateSteps);
}

void WriteDefaultsSection(T_Base* base, T_OStream* stream) {
  if (base->passThrough == nullptr || base->passThrough->defaults == nullptr) return;
  FileProgressSetStatus(FileProgressCurrent(), kStatusTemplates);
  stream->PutText("##Defaults");
  stream->PutNewline();
  WriteObjects(base->passThrough->defaults, stream, 0);
  stream->PutBytes(stream->newline, stream->newlineLength);
}

bool HasPassThroughSubsets(const T_Base* base) {
  return base->passThrough != nullptr && base->passThrough->subsets != nullptr;
}

bool HasPassThroughTemplates(const T_Base* base) {
  return base->passThrough != nullptr && base->passThrough->templates != nullptr;
}

int64_t HeldSubsetSteps(const T_Base* base) {
  int64_t steps = 0;
  if (HasPassThroughSubsets(base)) {
    for (const PassThroughObject* subset = base->passThrough->subsets; subset != nullptr;
         subset = subset->next)
      steps += ObjectSize(subset);
  }
  return steps;
}

int64_t HeldTemplateSteps(const T_Base* base) {
  int64_t steps = 0;
  if (HasPassThroughTemplates(base)) {
    for (const PassThroughObject* templ = base->passThrough->templates; templ != nullptr;
         templ = templ->next)
      steps += kTemplateSteps;
  }
  return steps;
}

namespace {

PassThroughObject* LastOf(PassThroughObject* object) {
  while (object != nullptr && object->next != nullptr) object = object->next;
  return object;
}

void DropAfter(PassThroughObject** head, PassThroughObject* last) {
  FreeList(last != nullptr ? &last->next : head);
}

}  // namespace

void MarkPassThroughEnds(const T_Base* base, PassThroughEnds* ends) {
  *ends = PassThroughEnds{};
  if (const SectionPassThrough* held = base->passThrough) {
    ends->subsets = LastOf(held->subsets);
    ends->templates = LastOf(held->templates);
    ends->defaults = LastOf(held->defaults);
  }
}

void DropPassThroughAfter(T_Base* base, const PassThroughEnds* ends) {
  if (SectionPassThrough* held = base->passThrough) {
    DropAfter(&held->subsets, ends->subsets);
    DropAfter(&held->templates, ends->templates);
    DropAfter(&held->defaults, ends->defaults);
  }
}

void FreeSectionPassThrough(T_Base* base) {
  SectionPassThrough* holder = base->passThrough;
  if (holder == nullptr) return;
  FreeList(&holder->subsets);
  FreeList(&holder->templates);
  FreeList(&holder->defaults);
  delete holder;
  base->passThrough = nullptr;
}

int64_t SectionPassThroughMemSize(const T_Base* base) {
  const SectionPassThrough* holder = base->passThrough;
  if (holder == nullptr) return 0;
  int64_t size = static_cast<int64_t>(sizeof(SectionPassThrough));
  for (const PassThroughObject* list : {holder->subsets, holder->templates, holder->defaults}) {
    for (const PassThroughObject* object = list; object != nullptr; object = object->next)
      size += ObjectSize(object);
  }
  return size;
}
