#include "database/section_stream.h"

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/base_sections.h"
#include "database/card_records.h"
#include "database/commands.h"
#include "database/dimension_sections.h"
#include "database/file_kinds.h"
#include "database/file_progress.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "database/save_options.h"
#include "database/stored_object_sections.h"
#include "database/template_sections.h"

namespace {

constexpr int32_t kErrorUnknownSection = 3818;  // Unknown section "@0"
constexpr int32_t kStatusCommands = 4518;       // Commands

using SectionReader = void (*)(T_Base* base, T_IStream* stream);
using SectionWriter = void (*)(T_Base* base, T_OStream* stream);

// The text form's tag line carries nothing for the sections: the reader only steps to the next
// line, which the dispatcher then takes as it finds it.
void ReadTagLine(T_Base*, T_IStream* stream) { stream->NextLine(); }

// The commands run as they are read; the list leaves the next "##" line current. A file that
// gives commands of its own runs no open-direct commands after them.
void ReadCommandsSection(T_Base* base, T_IStream* stream) {
  base->runOpenDirectCommands = 0;
  FileProgressSetStatus(FileProgressCurrent(), kStatusCommands);
  LogOperation(base, "commands section", nullptr, kLogVerbExecuting | kLogStepIndent);
  CommandContext context;
  context.base = base;
  context.stream = stream;
  runCommands(&context);
  LogOperation(base, "commands section", nullptr, kLogVerbCompleted | kLogStepOutdent);
}

// Tried in this order; each tag matches a first field that begins with it, letter case ignored.
constexpr struct {
  const char* tag;
  SectionReader read;
} kReaders[] = {
    {"##QEB-Text", ReadTagLine},
    {"##Characters", ReadCharactersSection},
    {"##Protection", ReadProtectionSection},
    {"##WebUsers", ReadWebUsersSection},
    {"##BaseOptions", ReadBaseOptionsSection},
    {"##SaveSetup", ReadSaveSetupSection},
    {"##ImportSetup", ReadImportSetupSection},
    {"##TimeScale", ReadTimeScaleSection},
    {"##Macro", ReadMacroSection},
    {"##Dimension", ReadDimensionSection},
    {"##DimImport", ReadDimImportSection},
    {"##Cards", readCardsSection},
    {"##Subset", ReadSubsetSection},
    {"##Templates", ReadTemplatesSection},
    {"##Defaults", ReadDefaultsSection},
    {"##Commands", ReadCommandsSection},
};

// In the order of writing, each under its flag.
constexpr struct {
  SaveSection flag;
  SectionWriter write;
} kWriters[] = {
    {kSectionCharacters, WriteCharactersSection},
    {kSectionProtection, WriteProtectionSection},
    {kSectionWebUsers, WriteWebUsersSection},
    {kSectionBaseOptions, WriteBaseOptionsSection},
    {kSectionTimeScales, WriteTimeScaleSections},
    {kSectionSaveSetups, WriteSaveSetupSections},
    {kSectionImportSetups, WriteImportSetupSections},
    {kSectionMacros, WriteMacroSections},
    {kSectionDimensions, WriteDimensionSections},
    {kSectionCards, writeCardsSection},
    {kSectionSubsets, WriteSubsetSections},
    {kSectionTemplates, WriteTemplatesSection},
    {kSectionDefaults, WriteDefaultsSection},
};

// The current line's first field when it begins with "##"; false for any other line.
bool TakeTag(T_IStream* stream, T_TextBuf* tag) {
  stream->RewindLine();
  if (!stream->NextField() || stream->FieldLength() < 2 || stream->Field()[0] != '#' ||
      stream->Field()[1] != '#')
    return false;
  TextBufAssignBytes(tag, stream->Field(), stream->FieldLength());
  return true;
}

SectionReader FindReader(const char* tag) {
  for (const auto& entry : kReaders) {
    if (StrStartsWithNoCase(tag, entry.tag)) return entry.read;
  }
  return nullptr;
}

void TakeFileVersionLabel(T_Base* base) {
  T_TextBuf label(base->fileInfo.versionLabel != nullptr ? base->fileInfo.versionLabel : "");
  VersionNameForDate(&label, base->fileVersion);
  BlockTextAssignBuf(&base->fileInfo.versionLabel, &label);
}

}  // namespace

bool readDatabaseSections(T_Base* base, T_IStream* stream) {
  if ((base->readFlags & kOpenFlagImport) == 0) TakeFileVersionLabel(base);
  bool endFound = false;
  int64_t dispatched = -1;  // the line count of the last line handed to a reader
  T_TextBuf tag;
  bool current = stream->NextLine();
  while (current && !AbortRequested()) {
    if (!TakeTag(stream, &tag) || stream->lineCount == dispatched) {
      current = stream->NextLine();
      continue;
    }
    if (SectionReader read = FindReader(tag.c_str())) {
      dispatched = stream->lineCount;
      read(base, stream);
      continue;  // with the line the reader left current
    }
    if (StrStartsWithNoCase(tag.c_str(), "##End")) {
      endFound = true;
      break;
    }
    if (tag.length > 2) AskReadErrorText(base, kErrorUnknownSection, tag.c_str() + 2);
    current = stream->NextLine();
  }
  if (!endFound && base->operationLog != nullptr && !base->errorFlag)
    LogWrite(base->operationLog, "-- reached end of file without end section", 0);
  return endFound;
}

bool writeDatabaseSections(T_Base* base, T_OStream* stream) {
  UpdateDimensionOrder(base);
  for (const auto& entry : kWriters) {
    if (!base->saveOptions.sections[entry.flag]) continue;
    entry.write(base, stream);
    if (AbortRequested()) return false;
  }
  stream->PutText("##End");
  stream->PutNewline();
  return true;
}
