#include "database/stored_object_sections.h"

#include <new>

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/file_progress.h"
#include "database/operation_log.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/web_users.h"
#include "database/subsets.h"
#include "database/time_scale.h"

namespace {

// Status texts and default names.
constexpr int32_t kTextSaveSetups = 4511;
constexpr int32_t kTextImportSetups = 4512;
constexpr int32_t kTextTimeScales = 4513;
constexpr int32_t kTextMacros = 4514;
constexpr int32_t kTextSubsets = 4516;
constexpr int32_t kTextSaveSetup = 4300;
constexpr int32_t kTextImportSetup = 7300;
constexpr int32_t kTextTimeScale = 7000;
constexpr int32_t kTextMacro = 7100;

// Sets the status and takes the header's name, or the kind's default name.
void BeginNamedSection(T_IStream* stream, int32_t status, int32_t defaultName, T_TextBuf* name) {
  FileProgressSetStatus(FileProgressCurrent(), status);
  stream->ReadFieldBuf(name);
  if (name->empty()) DefaultObjectName(name, defaultName);
}

// Steps over the section's lines of an object that could not be made, so the dispatcher stays on
// the section bounds.
void SkipSection(T_IStream* stream) {
  SectionLines lines;
  SectionLinesRead(&lines, stream, false);
  SectionLinesFree(&lines);
}

TimeScale* NewTimeScale(T_Base* base, const char* name) {
  return new (std::nothrow) TimeScale(base, name);
}

// Reads a named section into the object of its name, made first when there is none.
template <typename Object>
void ReadNamedSection(T_Base* base, T_IStream* stream, int32_t status, int32_t defaultName,
                      const char* kind, Object* (*find)(T_Base*, const char*),
                      Object* (*create)(T_Base*, const char*), void (*read)(Object*, T_IStream*)) {
  T_TextBuf name;
  BeginNamedSection(stream, status, defaultName, &name);
  Object* object = find(base, name.c_str());
  if (object == nullptr) object = create(base, name.c_str());
  if (object == nullptr) {
    SkipSection(stream);
    return;
  }
  read(object, stream);
  LogOperation(base, kind, name.c_str(), kLogVerbLoaded);
}

// Every object of a list linked through next, then the empty line that ends the list.
template <typename Object, typename Size>
void WriteList(T_OStream* stream, const Object* first, int32_t status,
               void (*write)(const Object*, T_OStream*), Size size) {
  if (first == nullptr) return;
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, status);
  for (const Object* object = first; object != nullptr && !AbortRequested();
       object = object->next) {
    write(object, stream);
    FileProgressAddSteps(progress, size(object));
  }
  stream->PutNewline();
}

}  // namespace

void DefaultObjectName(T_TextBuf* text, int32_t textId) {
  TextBufAssign(text, GetString(textId));
  TextBufAppend(text, " 1");
}

// --- Readers ------------------------------------------------------------------------------------

void ReadWebUsersSection(T_Base* base, T_IStream* stream) {
  if (base->webUsers == nullptr) base->webUsers = WebUserListCreate(base);
  if (base->webUsers == nullptr) {
    SkipSection(stream);
    return;
  }
  ReadWebUsers(base->webUsers, stream, false);
}

void ReadSaveSetupSection(T_Base* base, T_IStream* stream) {
  ReadNamedSection(base, stream, kTextSaveSetups, kTextSaveSetup, "save setup", FindSaveSetup,
                   SaveSetupCreate, ReadSaveSetup);
}

void ReadImportSetupSection(T_Base* base, T_IStream* stream) {
  ReadNamedSection(base, stream, kTextImportSetups, kTextImportSetup, "import setup",
                   FindImportSetup, ImportSetupCreate, ReadImportSetup);
}

void ReadTimeScaleSection(T_Base* base, T_IStream* stream) {
  ReadNamedSection<TimeScale>(
      base, stream, kTextTimeScales, kTextTimeScale, "time scale",
      [](T_Base* b, const char* name) { return b->FindTimeScale(name); }, NewTimeScale,
      ReadTimeScale);
}

void ReadMacroSection(T_Base* base, T_IStream* stream) {
  ReadNamedSection<Macro>(
      base, stream, kTextMacros, kTextMacro, "macro",
      [](T_Base* b, const char* name) { return b->FindMacro(name); }, MacroCreate, ReadMacro);
}

void ReadSubsetSection(T_Base* base, T_IStream* stream) {
  FileProgressSetStatus(FileProgressCurrent(), kTextSubsets);
  T_TextBuf name;
  stream->ReadFieldBuf(&name);
  SubsetList* list = base->subsets;
  Subset* subset = nullptr;
  if (list != nullptr) {
    // Found by the name it was stored under, so that a second reading of a name that had to be
    // made valid fills the same subset.
    T_TextBuf valid(name.c_str());
    SubsetValidName(list, &valid);
    subset = SubsetFind(list, valid.c_str());
    if (subset != nullptr) {
      SubsetClearRecords(subset);
    } else {
      subset = SubsetCreate(list, valid.c_str());
    }
  }
  if (subset == nullptr) {
    SkipSection(stream);
    return;
  }
  if (stream->NextLine()) ReadSubset(subset, stream);
  LogOperation(base, "global subset", name.c_str(), kLogVerbLoaded);
}

// --- Writers ------------------------------------------------------------------------------------

void WriteWebUsersSection(T_Base* base, T_OStream* stream) {
  if (!WebUserListNotEmpty(base->webUsers)) return;
  stream->PutText("##WebUsers");
  stream->PutNewline();
  WriteWebUsers(base->webUsers, stream);
  stream->PutBytes(stream->newline, stream->newlineLength);
  FileProgressAddSteps(FileProgressCurrent(), WebUserListMemSize(base->webUsers));
}

void WriteTimeScaleSections(T_Base* base, T_OStream* stream) {
  WriteList(stream, base->timeScales, kTextTimeScales, WriteTimeScale, TimeScaleMemorySize);
}

void WriteSaveSetupSections(T_Base* base, T_OStream* stream) {
  WriteList(stream, base->saveSetups, kTextSaveSetups, WriteSaveSetup,
            [](const SaveSetup*) { return kSaveSetupSteps; });
}

void WriteImportSetupSections(T_Base* base, T_OStream* stream) {
  WriteList(stream, base->importSetups, kTextImportSetups, WriteImportSetup,
            [](const ImportSetup*) { return kImportSetupSteps; });
}

void WriteMacroSections(T_Base* base, T_OStream* stream) {
  if (base->macros == nullptr) return;
  SortMacros(base);
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kTextMacros);
  // A ring: its count ends the walk.
  const Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount && !AbortRequested(); ++i, macro = macro->next) {
    WriteMacroRecord(macro, stream);
    FileProgressAddSteps(progress, MacroMemorySize(macro));
  }
  stream->PutNewline();
}

void WriteSubsetSections(T_Base* base, T_OStream* stream) {
  const SubsetList* list = base->subsets;
  if (list == nullptr || list->count == 0) return;
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kTextSubsets);
  Subset* subset = list->first;
  for (int32_t i = 0; subset != nullptr && i < list->count && !AbortRequested();
       ++i, subset = subset->next) {
    WriteSubset(subset, stream, "##Subset");
    stream->PutNewline();
    FileProgressAddSteps(progress, SubsetMemSize(subset));
  }
}
