// The command interpreter: lines, words, the command table, the log of each command line,
// targets, the seams to the file layer and the application, and T_Base::RunCommandText.
#include <cstring>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/command_handlers.h"
#include "database/commands.h"
#include "database/object_services.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "database/saving.h"
#include "database/subsets.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "ui/document_window.h"
#include "ui/element.h"
#include "ui/menu_model.h"

namespace {

constexpr int32_t kErrorUnknownCommand = 3819;  // Unknown command "@0"
constexpr int32_t kErrorUnknownOption = 3820;   // Unknown option "@0"
constexpr int32_t kErrorNoTemplate = 3825;      // Template "@0" not found
constexpr int32_t kErrorNotAvailable = 3829;    // "@0" is not available in this version.
constexpr int32_t kCloseUnasked = 3;            // QueryClose mode that asks nobody
// Opens a new window for the command, hidden until the command shows or closes it.
constexpr int32_t kRunForCommand = kRunNoLookup | 1;

using CommandHandler = void (*)(CommandContext* context);

// Sorted by name. A null handler: the command's service is not in this version.
constexpr struct {
  const char* name;
  CommandHandler run;
} kCommands[] = {
    {"aggregate", CommandAggregate},
    {"beep", CommandBeep},
    {"close", CommandClose},
    {"deleteCards", CommandDeleteCards},
    {"deleteComponent", CommandDeleteComponent},
    {"deleteData", CommandDeleteData},
    {"deleteMacro", CommandDeleteMacro},
    {"deleteSavesetup", CommandDeleteSaveSetup},
    {"deleteSubset", CommandDeleteSubset},
    {"deleteTemplate", CommandDeleteTemplate},
    {"dimOptions", CommandDimOptions},
    {"duplicateTemplate", CommandDuplicateTemplate},
    {"errorFile", CommandErrorFile},
    {"execute", CommandExecute},
    {"export", CommandExport},
    {"import", CommandImport},
    {"message", CommandMessage},
    {"modify", CommandModify},
    {"newComponent", CommandNewComponent},
    {"openFile", CommandOpenFile},
    {"openTemplate", CommandOpenTemplate},
    {"openURL", CommandOpenUrl},
    {"password", CommandPassword},
    {"print", CommandPrint},
    {"quit", CommandQuit},
    {"save", CommandSave},
    {"signature", CommandSignature},
    {"sortComponents", CommandSortComponents},
    {"transform", CommandTransform},
    {"webqebserver", CommandWebqebserver},
    {"write", CommandWrite},
};

bool IsBlankRun(const char* from, const char* to) {
  for (; from < to; ++from) {
    if (static_cast<uint8_t>(*from) > 32) return false;
  }
  return true;
}

bool AtSectionLine(const T_IStream* stream) {
  return stream->lineEnd - stream->lineStart >= 2 && stream->lineStart[0] == '#' &&
         stream->lineStart[1] == '#';
}

// The current line as the log shows it: the word after the command "password" and after every
// "-pw" option becomes "*", and control characters become blanks. The line is read again by a
// stream of its own, so the command's reading is not disturbed; that stream's buffers are wiped,
// since they held the words.
void AppendLoggedLine(const T_IStream* stream, T_TextBuf* out) {
  T_IStream scratch;
  scratch.compose = 0;
  scratch.CtorFromMemory(stream->lineStart, stream->lineEnd - stream->lineStart);
  scratch.SetTokenFlags(kCommandTokenFlags);
  if (scratch.NextLine()) {
    const char* copied = scratch.lineStart;
    bool maskNext = false;
    bool first = true;
    for (;;) {
      const char* before = scratch.tokenCursor;
      if (!scratch.NextToken()) break;
      const char* after = scratch.tokenCursor;
      if (maskNext) {
        while (before < after && static_cast<uint8_t>(*before) <= 32) ++before;
        TextBufAppendBytes(out, copied, static_cast<int32_t>(before - copied));
        TextBufAppendChar(out, '*');
        copied = after;
      }
      T_TextBuf word;
      TextBufAssignBytes(&word, scratch.Field(), scratch.FieldLength());
      maskNext =
          (first && StrEqual(word.c_str(), "password")) || StrEqualNoCase(word.c_str(), "-pw");
      TextBufWipe(&word);
      first = false;
    }
    TextBufAppendBytes(out, copied, static_cast<int32_t>(scratch.lineEnd - copied));
  }
  if (scratch.tokenBuffer != nullptr) MemZero(scratch.tokenBuffer, kTokenBufferSize);
  if (scratch.lineBuffer != nullptr) MemZero(scratch.lineBuffer, scratch.lineBufferSize);
  for (int32_t i = 0; i < out->length; ++i) {
    if (static_cast<uint8_t>(out->data[i]) < 32) out->data[i] = ' ';
  }
}

void RunCommand(CommandContext* context, const T_TextBuf* word) {
  T_Base* base = context->base;
  T_LogAlerts* log = base->operationLog;
  if (log != nullptr) {
    T_TextBuf line("command: ");
    AppendLoggedLine(context->stream, &line);
    LogWrite(log, line.c_str(), kLogIndentAfter);
    TextBufWipe(&line);
  }
  bool known = false;
  for (const auto& command : kCommands) {
    if (!StrEqual(command.name, word->c_str())) continue;
    known = true;
    if (command.run != nullptr) {
      command.run(context);
    } else {
      RefuseNotAvailable(context, command.name);
    }
    break;
  }
  if (!known) {
    AskReadErrorText(base, kErrorUnknownCommand, word->c_str());
    SkipCommandWords(context);
  }
  // A command that set up a new log (errorFile) leaves that one at its own level.
  if (log != nullptr && base->operationLog == log) log->ChangeIndent(-1);
  PumpMessages();
}

bool ImportThroughEngine(T_Base* base, const char* path, const char* password, ImportSetup* setup,
                         int32_t flags) {
  return base->ImportFile(path, password, setup, flags);
}

bool SaveThroughEngine(T_Base* base, const char* path, const SaveOptions* options) {
  return saveByKind(base, path, options);
}

constexpr CommandFileServices kDefaultFileServices = {ImportThroughEngine, SaveThroughEngine};
CommandFileServices fileServices = kDefaultFileServices;
CommandAppServices appServices = {};
CommandDimensionImport dimensionImport = nullptr;
int64_t failedRuns = 0;

}  // namespace

int64_t FailedCommandRuns() { return failedRuns; }

// --- Lines ---------------------------------------------------------------------------------------

void runCommands(CommandContext* context) {
  T_IStream* stream = context->stream;
  const uint32_t savedFlags = stream->tokenFlags;
  stream->SetTokenFlags(kCommandTokenFlags);
  T_TextBuf word;
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
    context->wordsDone = 0;
    if (NextCommandWord(context, &word)) RunCommand(context, &word);
    // A comment or a continuation that met a "##" line stopped there.
    if (AtSectionLine(stream)) {
      stream->RewindLine();
      break;
    }
  }
  if (AbortRequested()) ++failedRuns;
  stream->SetTokenFlags(savedFlags);
}

// --- Words ---------------------------------------------------------------------------------------

bool NextCommandWord(CommandContext* context, T_TextBuf* word) {
  TextBufAssign(word, nullptr);
  T_IStream* stream = context->stream;
  while (!context->wordsDone) {
    char* lineBefore = stream->lineStart;
    char* cursorBefore = stream->tokenCursor;
    if (!stream->NextToken()) break;
    context->wordFrom = stream->lineStart == lineBefore ? cursorBefore : stream->lineStart;
    context->wordTo = stream->tokenCursor;
    const char* field = stream->Field();
    bool inLine = field >= stream->lineStart && field < stream->lineEnd;
    if (inLine && stream->FieldLength() == 1 && field[0] == '\\' &&
        IsBlankRun(stream->tokenCursor, stream->lineEnd)) {
      // A lone backslash at the line's end: the command goes on on the next line, unless that
      // line opens a section.
      if (!stream->NextLine() || IsSectionHeaderLine(stream)) break;
      continue;
    }
    TextBufAssignBytes(word, field, stream->FieldLength());
    return true;
  }
  context->wordsDone = 1;
  return false;
}

bool IsCommandOption(const T_TextBuf* word, const char* option) {
  return StrEqualNoCase(word->c_str(), option);
}

void RefuseCommandWord(CommandContext* context, const char* word) {
  AskReadErrorText(context->base, kErrorUnknownOption, word);
}

void WipeCommandWord(CommandContext* context, T_TextBuf* word) {
  T_IStream* stream = context->stream;
  if (context->wordFrom != nullptr && context->wordFrom >= stream->lineStart &&
      context->wordTo <= stream->lineEnd && context->wordFrom < context->wordTo) {
    std::memset(context->wordFrom, ' ', static_cast<size_t>(context->wordTo - context->wordFrom));
  }
  if (stream->tokenBuffer != nullptr) MemZero(stream->tokenBuffer, kTokenBufferSize);
  TextBufWipe(word);
}

void SkipCommandWords(CommandContext* context) {
  T_TextBuf word;
  while (NextCommandWord(context, &word)) {
  }
}

void RefuseNotAvailable(CommandContext* context, const char* what) {
  AskReadErrorText(context->base, kErrorNotAvailable, what);
  SkipCommandWords(context);
}

// --- Targets -------------------------------------------------------------------------------------

TemplateRunEntry FindCommandTarget(CommandContext* context, const char* name,
                                   int32_t allowedKinds) {
  T_Base* base = context->base;
  TemplateRunEntry entry;
  if ((allowedKinds & kEntryDatabaseWindow) && StrEqual(name, "base")) {
    entry.kind = kEntryDatabaseWindow;
    return entry;
  }
  if ((allowedKinds & kEntrySubset) && base->subsets != nullptr) {
    if (Subset* subset = SubsetFind(base->subsets, name)) {
      entry.kind = kEntrySubset;
      entry.subset = subset;
      return entry;
    }
  }
  if (allowedKinds & (kEntryTemplate | kEntryFolder)) {
    T_Template* templ = FindTemplate(base, name);
    if (templ != nullptr && templ->kind == kTemplateFolder && templ->parent != nullptr &&
        (allowedKinds & kEntryFolder)) {
      entry.kind = kEntryFolder;
      entry.templ = templ;
      return entry;
    }
    if (templ != nullptr && IsAnalysisKind(templ->kind) && (allowedKinds & kEntryTemplate)) {
      entry.kind = kEntryTemplate;
      entry.templ = templ;
      return entry;
    }
  }
  AskReadErrorText(base, kErrorNoTemplate, name);
  entry.kind = 0;
  return entry;
}

T_Window* OpenCommandTarget(CommandContext* context, const TemplateRunEntry* target) {
  T_Base* base = context->base;
  switch (target->kind) {
    case kEntryDatabaseWindow:
      return base->mainWindow;
    case kEntryTemplate:
      return RunTemplate(base, target->templ, nullptr, kRunForCommand);
    default:
      return nullptr;
  }
}

void CloseCommandTarget(CommandContext* context, T_Window* window) {
  if (window != nullptr && window != context->base->mainWindow)
    EventHandler_CloseAndDelete(window, kCloseUnasked);
}

// --- Seams ---------------------------------------------------------------------------------------

void SetCommandFileServices(const CommandFileServices* services) {
  fileServices = kDefaultFileServices;
  if (services == nullptr) return;
  if (services->importFile != nullptr) fileServices.importFile = services->importFile;
  if (services->saveFile != nullptr) fileServices.saveFile = services->saveFile;
}

const CommandFileServices& CurrentCommandFileServices() { return fileServices; }

void SetCommandDimensionImport(CommandDimensionImport hook) { dimensionImport = hook; }

CommandDimensionImport CurrentCommandDimensionImport() { return dimensionImport; }

void SetCommandAppServices(const CommandAppServices* services) {
  appServices = services != nullptr ? *services : CommandAppServices{};
}

const CommandAppServices& CurrentCommandAppServices() { return appServices; }

// --- The entry of macros and automation
// ------------------------------------------------------------

void T_Base::RunCommandText(const char* text, const char* title) {
  if (text == nullptr) return;
  auto n = static_cast<int64_t>(std::strlen(text));
  // A copy of its own: a password is wiped from the line that held it, and the caller's text
  // may be read-only.
  auto* copy = static_cast<char*>(MemAlloc(n + 1, 0));
  if (copy == nullptr) return;
  std::memcpy(copy, text, static_cast<size_t>(n) + 1);
  const char* savedTitle = CurrentCommandTitle();
  SetCurrentCommandTitle(title);
  {
    T_IStream stream;
    stream.CtorFromMemory(copy, n);
    CommandContext context;
    context.base = this;
    context.stream = &stream;
    // Tests replace the interpreter to record what macros run.
    if (CurrentObjectServices().runCommands)
      CurrentObjectServices().runCommands(this, &stream);
    else
      runCommands(&context);
    if (stream.lineBuffer != nullptr) MemZero(stream.lineBuffer, stream.lineBufferSize);
    if (stream.tokenBuffer != nullptr) MemZero(stream.tokenBuffer, kTokenBufferSize);
  }
  SetCurrentCommandTitle(savedTitle);
  MemZero(copy, n + 1);
  MemFree(copy);
}
