// The commands that work through analysis windows: export, deleteData, print and openTemplate.
// Each window comes from the template runner (hidden, for this command only), so a command
// reaches every window kind whose opener its layer installed; a kind without one opens no window
// and the command answers "not available" (3829) for it.
#include <cstring>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/files.h"
#include "core/memory.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/command_handlers.h"
#include "database/commands.h"
#include "database/data_operations.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "ui/document_window.h"
#include "ui/element.h"
#include "ui/printing.h"

namespace {

constexpr int32_t kErrorNotAvailable = 3829;  // "@0" is not available in this version.
constexpr int32_t kErrorExportFailed = 3904;  // @0 (the failure), @1 (the window title)
constexpr int32_t kCaseModeKeep = 5;          // a criteria text keeps its letters
constexpr int32_t kRunFlagCurrent = 2;
constexpr int32_t kRunFlagReopen = 4;
constexpr int32_t kRunFlagSkipEmpty = 16;

// A "-filter" over template full names; no pattern passes everything.
struct CommandFilter {
  CriteriaPattern pattern;
  bool given = false;
  CommandFilter() { Criteria_Init(&pattern); }
  ~CommandFilter() { MemFreeHeld(&pattern); }
  CommandFilter(const CommandFilter&) = delete;
  CommandFilter& operator=(const CommandFilter&) = delete;
  void Compile(const T_TextBuf* text) {
    T_TextBuf compiled(text->c_str());
    Criteria_Compile(&pattern, &compiled, kCaseModeKeep, false);
    given = true;
  }
  const CriteriaPattern* Get() const { return given ? &pattern : nullptr; }
};

// Takes the value of an option that has one; a missing value refuses the option.
bool OptionValue(CommandContext* context, const T_TextBuf* option, T_TextBuf* value) {
  if (NextCommandWord(context, value)) return true;
  RefuseCommandWord(context, option->c_str());
  return false;
}

// Every template at or below the start, depth first, that passes the filter.
template <typename Visit>
void WalkTemplates(T_Template* start, const CommandFilter& filter, Visit visit) {
  if (!start) return;
  if (start->kind != kTemplateFolder) {
    if (TemplatePassesFilter(start, filter.Get())) visit(start);
    return;
  }
  for (T_Template* node = start->firstChild; node && !AbortRequested();
       node = node->NextBelow(start)) {
    if (node->kind != kTemplateFolder && TemplatePassesFilter(node, filter.Get())) visit(node);
  }
}

// "not available" once per command, for the first template whose kind has no window here.
struct Unavailable {
  const char* command;
  bool reported = false;
  void Report(CommandContext* context) {
    if (reported || AbortRequested()) return;
    reported = true;
    AskReadErrorText(context->base, kErrorNotAvailable, command);
  }
};

// The template's window, opened hidden for the command and computed; null when none opens.
T_HWindow* OpenComputed(CommandContext* context, T_Template* templ, Unavailable* unavailable) {
  if (!HasWindowOpener(templ->kind)) {
    unavailable->Report(context);
    return nullptr;
  }
  TemplateRunEntry entry;
  entry.kind = kEntryTemplate;
  entry.templ = templ;
  auto* window = dynamic_cast<T_HWindow*>(OpenCommandTarget(context, &entry));
  if (window) window->Calculate(true);
  return window;
}

// A failure the window left: 3904 through the prompt.
void ReportWindowFailure(CommandContext* context, T_HWindow* window) {
  if (!AbortRequested() || PendingError.request.message <= 0) return;
  T_TextBuf failure;
  AlertFormatText(&PendingError.request, &failure);
  PendingErrorClear();
  AskReadErrorTexts(context->base, kErrorExportFailed, failure.c_str(), window->Title());
}

// The first bare word as a template or folder; the root without one when the options ask for
// every template. Null when there is nothing to do.
T_Template* CommandStart(CommandContext* context, const T_TextBuf* name, bool wholeTree) {
  if (!name->empty()) {
    TemplateRunEntry target =
        FindCommandTarget(context, name->c_str(), kEntryTemplate | kEntryFolder);
    return target.kind ? target.templ : nullptr;
  }
  return wholeTree ? context->base->rootTemplate : nullptr;
}

}  // namespace

void CommandExport(CommandContext* context) {
  T_Base* base = context->base;
  T_TextBuf bare[2];
  T_TextBuf file, folder, value;
  CommandFilter filter;
  bool append = false;
  bool skipEmpty = false;
  bool fileGiven = false;
  bool folderGiven = false;
  int32_t count = ReadCommandWords(context, bare, 2, [&](const T_TextBuf* word) {
    if (IsCommandOption(word, "-file")) {
      fileGiven = OptionValue(context, word, &file) || fileGiven;
    } else if (IsCommandOption(word, "-dir")) {
      folderGiven = OptionValue(context, word, &folder) || folderGiven;
    } else if (IsCommandOption(word, "-filter")) {
      if (OptionValue(context, word, &value)) filter.Compile(&value);
    } else if (IsCommandOption(word, "-append")) {
      append = true;
    } else if (IsCommandOption(word, "-skipempty")) {
      skipEmpty = true;
    } else {
      return false;
    }
    return true;
  });
  if (count >= 2 && !fileGiven) {
    file = bare[1];
    fileGiven = true;
  }
  if (AbortRequested()) return;
  T_Template* start = CommandStart(context, &bare[0], fileGiven || folderGiven || filter.given);
  int32_t exported = 0;
  Unavailable unavailable{"export"};
  WalkTemplates(start, filter, [&](T_Template* templ) {
    if (AbortRequested()) return;
    T_HWindow* window = OpenComputed(context, templ, &unavailable);
    if (!window) return;
    T_TextBuf name;
    if (folderGiven) {
      TextBufAssign(&name, folder.c_str());
      TextBufAppendChar(&name, '\\');
      TextBufAppend(&name, fileGiven ? file.c_str() : templ->name);
    } else if (fileGiven) {
      TextBufAssign(&name, file.c_str());
    } else {
      TextBufAssign(&name, window->Title());
      ReplaceEscapes(&name, ": ", ";");
    }
    T_TextBuf path;
    ResolveBesideDatabase(base, name.c_str(), &path);
    if (skipEmpty && window->IsEmpty()) {
      CloseCommandTarget(context, window);
      if (!append) FileDelete(path.c_str());
      return;
    }
    // One file named for the command gathers every template after the first.
    bool appendHere = append || (fileGiven && !folderGiven && exported > 0);
    window->Export(path.c_str(), appendHere ? kExportAppend : 0);
    ++exported;
    ReportWindowFailure(context, window);
    CloseCommandTarget(context, window);
  });
}

void CommandDeleteData(CommandContext* context) {
  T_TextBuf bare[1];
  if (ReadCommandWords(context, bare, 1, NoOptions) < 1 || AbortRequested()) return;
  TemplateRunEntry target = FindCommandTarget(context, bare[0].c_str(), kEntryTemplate);
  if (!target.kind) return;
  Unavailable unavailable{"deleteData"};
  T_HWindow* window = OpenComputed(context, target.templ, &unavailable);
  if (!window) return;
  window->DeleteData(false);
  CloseCommandTarget(context, window);
}

void CommandPrint(CommandContext* context) {
  T_TextBuf bare[1];
  if (ReadCommandWords(context, bare, 1, NoOptions) < 1 || AbortRequested()) return;
  T_Template* start = CommandStart(context, &bare[0], false);
  CommandFilter none;
  Unavailable unavailable{"print"};
  WalkTemplates(start, none, [&](T_Template* templ) {
    if (AbortRequested()) return;
    T_HWindow* window = OpenComputed(context, templ, &unavailable);
    if (!window) return;
    Window_Print(window, true);
    ReportWindowFailure(context, window);
    CloseCommandTarget(context, window);
  });
}

void CommandOpenTemplate(CommandContext* context) {
  T_Base* base = context->base;
  T_TextBuf bare[1];
  T_TextBuf value;
  CommandFilter filter;
  int32_t flags = 0;
  bool templates = false;
  bool subsets = false;
  int32_t count = ReadCommandWords(context, bare, 1, [&](const T_TextBuf* word) {
    if (IsCommandOption(word, "-current")) {
      flags |= kRunFlagCurrent;
    } else if (IsCommandOption(word, "-reopen")) {
      flags |= kRunFlagReopen;
    } else if (IsCommandOption(word, "-skipEmpty")) {
      flags |= kRunFlagSkipEmpty;
    } else if (IsCommandOption(word, "-filter")) {
      if (OptionValue(context, word, &value)) filter.Compile(&value);
    } else if (IsCommandOption(word, "-templates")) {
      templates = true;
    } else if (IsCommandOption(word, "-subsets")) {
      subsets = true;
    } else {
      return false;
    }
    return true;
  });
  if (AbortRequested()) return;
  if (filter.given && !templates && !subsets) templates = subsets = true;
  if (!templates && !subsets) {
    TemplateRunEntry target = FindCommandTarget(context, count > 0 ? bare[0].c_str() : "",
                                                kEntrySubset | kEntryTemplate | kEntryFolder);
    if (target.kind == kEntryTemplate && !HasWindowOpener(target.templ->kind)) {
      Unavailable{"openTemplate"}.Report(context);
      return;
    }
    if (target.kind) RunTemplateFolder(base, &target, filter.Get(), flags);
    return;
  }
  if (templates && base->rootTemplate) {
    TemplateRunEntry root;
    root.kind = kEntryFolder;
    root.templ = base->rootTemplate;
    RunTemplateFolder(base, &root, filter.Get(), flags);
  }
  if (subsets && base->subsets) {
    for (Subset* subset = base->subsets->first; subset && !AbortRequested();
         subset = subset->next) {
      TemplateRunEntry entry;
      entry.kind = kEntrySubset;
      entry.subset = subset;
      RunTemplateFolder(base, &entry, filter.Get(), flags);
    }
  }
}

// --- Transform and aggregate -------------------------------------------------------------------

namespace {

// The template's window, computed, fed every option word and run; a refused word is 3820 and
// the operation then does not run, so that no half-understood rule changes data.
void RunDataOperation(CommandContext* context, const char* name,
                      CommandOperation* (*make)(T_HWindow* window)) {
  if (!make) {
    RefuseNotAvailable(context, name);
    return;
  }
  T_TextBuf target;
  if (!NextCommandWord(context, &target) || AbortRequested()) return;
  T_TextBuf words;  // NUL-separated option words
  int32_t count = 0;
  T_TextBuf word;
  while (NextCommandWord(context, &word)) {
    TextBufAppendBytes(&words, word.data, word.length);
    TextBufAppendChar(&words, '\0');
    ++count;
  }
  TemplateRunEntry entry = FindCommandTarget(context, target.c_str(), kEntryTemplate);
  if (!entry.kind) return;
  Unavailable unavailable{name};
  T_HWindow* window = OpenComputed(context, entry.templ, &unavailable);
  if (!window) return;
  CommandOperation* operation = make(window);
  if (operation) {
    bool refused = false;
    const char* at = words.data;
    for (int32_t i = 0; i < count; ++i) {
      if (!operation->TakeOption(at)) {
        PendingErrorClear();
        RefuseCommandWord(context, at);
        refused = true;
      }
      at += std::strlen(at) + 1;
    }
    if (!refused && !AbortRequested() && !operation->Run()) ReportWindowFailure(context, window);
    delete operation;
  }
  CloseCommandTarget(context, window);
}

}  // namespace

void CommandTransform(CommandContext* context) {
  RunDataOperation(context, "transform", CurrentDataOperationHooks().newTransform);
}

void CommandAggregate(CommandContext* context) {
  RunDataOperation(context, "aggregate", CurrentDataOperationHooks().newAggregate);
}
