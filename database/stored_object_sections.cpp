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
#include "database/stored_object_holders.h"
#include "database/time_scale.h"

namespace {

// Status texts and default names.
constexpr int32_t kTextSaveSetups = 4511;
constexpr int32_t kTextImportSetups = 4512;
constexpr int32_t kTextTimeScales = 4513;
constexpr int32_t kTextMacros = 4514;
constexpr int32_t kTextSaveSetup = 4300;
constexpr int32_t kTextImportSetup = 7300;
constexpr int32_t kTextTimeScale = 7000;
constexpr int32_t kTextMacro = 7100;
// Progress steps of the objects whose size the save estimates by a fixed amount.
constexpr int64_t kSaveSetupSteps = 1400;
constexpr int64_t kImportSetupSteps = 592;

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

}  // namespace

TimeScale* FindTimeScale(T_Base* base, const char* name) {
  for (TimeScale* scale = base->timeScales; scale != nullptr; scale = scale->next) {
    if (StrEqualNoCase(scale->name, name)) return scale;
  }
  return nullptr;
}

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
  ReadWebUsers(base->webUsers, stream);
}

void ReadSaveSetupSection(T_Base* base, T_IStream* stream) {
  T_TextBuf name;
  BeginNamedSection(stream, kTextSaveSetups, kTextSaveSetup, &name);
  SaveSetup* setup = FindSaveSetup(base, name.c_str());
  if (setup == nullptr) setup = SaveSetupCreate(base, name.c_str());
  if (setup == nullptr) return SkipSection(stream);
  ReadSaveSetup(setup, stream);
  LogOperation(base, "save setup", name.c_str(), kLogVerbLoaded);
}

void ReadImportSetupSection(T_Base* base, T_IStream* stream) {
  T_TextBuf name;
  BeginNamedSection(stream, kTextImportSetups, kTextImportSetup, &name);
  ImportSetup* setup = FindImportSetup(base, name.c_str());
  if (setup == nullptr) setup = ImportSetupCreate(base, name.c_str());
  if (setup == nullptr) return SkipSection(stream);
  ReadImportSetup(setup, stream);
  LogOperation(base, "import setup", name.c_str(), kLogVerbLoaded);
}

void ReadTimeScaleSection(T_Base* base, T_IStream* stream) {
  T_TextBuf name;
  BeginNamedSection(stream, kTextTimeScales, kTextTimeScale, &name);
  TimeScale* scale = FindTimeScale(base, name.c_str());
  if (scale == nullptr) scale = new (std::nothrow) TimeScale(base, name.c_str());
  if (scale == nullptr) return SkipSection(stream);
  ReadTimeScale(scale, stream);
  LogOperation(base, "time scale", name.c_str(), kLogVerbLoaded);
}

void ReadMacroSection(T_Base* base, T_IStream* stream) {
  T_TextBuf name;
  BeginNamedSection(stream, kTextMacros, kTextMacro, &name);
  Macro* macro = FindMacro(base, name.c_str());
  if (macro == nullptr) macro = MacroCreate(base, name.c_str());
  if (macro == nullptr) return SkipSection(stream);
  ReadMacro(macro, stream);
  LogOperation(base, "macro", name.c_str(), kLogVerbLoaded);
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
  if (base->timeScales == nullptr) return;
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kTextTimeScales);
  for (const TimeScale* scale = base->timeScales; scale != nullptr && !AbortRequested();
       scale = scale->next) {
    WriteTimeScale(scale, stream);
    FileProgressAddSteps(progress, TimeScaleMemSize(scale));
  }
  stream->PutNewline();
}

void WriteSaveSetupSections(T_Base* base, T_OStream* stream) {
  if (base->saveSetups == nullptr) return;
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kTextSaveSetups);
  for (const SaveSetup* setup = base->saveSetups; setup != nullptr && !AbortRequested();
       setup = setup->next) {
    WriteSaveSetup(setup, stream);
    FileProgressAddSteps(progress, kSaveSetupSteps);
  }
  stream->PutNewline();
}

void WriteImportSetupSections(T_Base* base, T_OStream* stream) {
  if (base->importSetups == nullptr) return;
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kTextImportSetups);
  for (const ImportSetup* setup = base->importSetups; setup != nullptr && !AbortRequested();
       setup = setup->next) {
    WriteImportSetup(setup, stream);
    FileProgressAddSteps(progress, kImportSetupSteps);
  }
  stream->PutNewline();
}

void WriteMacroSections(T_Base* base, T_OStream* stream) {
  if (base->macros == nullptr) return;
  SortMacros(base);
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kTextMacros);
  const Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount && !AbortRequested(); ++i, macro = macro->next) {
    WriteMacroRecord(macro, stream);
    FileProgressAddSteps(progress, MacroMemSize(macro));
  }
  stream->PutNewline();
}
