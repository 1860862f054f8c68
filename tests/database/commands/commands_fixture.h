#pragma once
// Shared by the command tests: a small database in a scratch folder (two dimensions, three
// cards, macros, save setups, subsets and templates), the user in front of the read-problem
// prompt, command lists run over memory streams, a dump of everything the database holds, and
// file services that read and write text forms the way the file layer will.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/combination.h"
#include "database/commands.h"
#include "database/components.h"
#include "database/dimension_options.h"
#include "database/lines.h"
#include "database/protection.h"
#include "database/read_paths.h"
#include "database/save_options.h"
#include "database/section_stream.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "database/text_form.h"
#include "logs/logs_fixture.h"
#include "sections/model_walk.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/database/base/base_fixture.h"

namespace commands_test {

using T_Answers = base_test::T_AnswerByMessage;

// What the file services were asked.
struct FileCall {
  std::string path;
  std::string password;
  int32_t kind = 0;  // save: the options' target kind
  bool adopt = false;
  std::vector<int> sections;
};

inline std::vector<FileCall>& Imports() {
  static std::vector<FileCall> calls;
  return calls;
}
inline std::vector<FileCall>& Saves() {
  static std::vector<FileCall> calls;
  return calls;
}

// Reads a text form into the database as an import does: its path stands in the chain of files
// being read for the whole read, so its own commands meet it there.
inline bool ImportTextForm(T_Base* base, const char* path, const char* password, ImportSetup*,
                           int32_t) {
  FileCall call;
  call.path = path;
  call.password = password != nullptr ? password : "";
  Imports().push_back(call);
  ReadPathScope reading(path);
  T_HTextRead in;
  if (!in.Open(path)) return false;
  const int32_t flags = base->readFlags;
  base->readFlags |= kOpenFlagImport;
  readDatabaseSections(base, &in);
  base->readFlags = flags;
  return !base->errorFlag;
}

// Writes the sections the options ask for as a text form.
inline bool SaveTextForm(T_Base* base, const char* path, const SaveOptions* options) {
  FileCall call;
  call.path = path;
  call.kind = options->kind;
  call.adopt = options->adoptFile != 0;
  for (uint8_t flag : options->sections) call.sections.push_back(flag);
  Saves().push_back(call);
  SaveOptions kept;
  SaveOptionsInit(&kept, base);
  SaveOptionsCopy(&kept, &base->saveOptions);
  SaveOptionsCopy(&base->saveOptions, options);
  T_HTextWrite out;
  bool written = out.Open(path);
  if (written) {
    out.PutText("##QEB-Text\t121122\r\n\r\n");
    writeDatabaseSections(base, &out);
    written = out.Commit();
  }
  SaveOptionsCopy(&base->saveOptions, &kept);
  SaveOptionsFree(&kept);
  return written;
}

// Counts what the application was asked to queue.
struct AppCalls {
  int closes = 0;
  int quits = 0;
};
inline AppCalls& Queued() {
  static AppCalls calls;
  return calls;
}

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    Imports().clear();
    Saves().clear();
    Queued() = AppCalls{};
    CommandFileServices files{ImportTextForm, SaveTextForm};
    SetCommandFileServices(&files);
    CommandAppServices app{[](T_Base*) { ++Queued().closes; }, [](T_Base*) { ++Queued().quits; },
                           nullptr};
    SetCommandAppServices(&app);
    base = new T_Base((folder / "fixture.qex").c_str(), 0);
    Build(base);
  }
  void TearDown() override {
    delete base;
    SetCommandFileServices(nullptr);
    SetCommandAppServices(nullptr);
    PendingErrorClear();
  }

  // A new fixture database in place of the present one, nothing asked yet.
  void Fresh() {
    delete base;
    PendingErrorClear();
    answers.asked.clear();
    answers.press.clear();
    base = new T_Base((folder / "fixture.qex").c_str(), 0);
    Build(base);
  }

  // The fixture: accounts (dimension 1, keying the card groups) and projects (dimension 2, on the
  // lines), three cards, macros, save setups, subsets V naming U, and three templates.
  static void Build(T_Base* b) {
    SetSingular(b->dimensions[0], "Account");
    SetPlural(b->dimensions[0], "Accounts");
    SetSingular(b->dimensions[1], "Project");
    SetPlural(b->dimensions[1], "Projects");
    AddComponent(b, 0, "1", "Assets", "H1");
    AddComponent(b, 0, "10", "Cash", "H10");
    AddComponent(b, 0, "100", "Till", "");
    AddComponent(b, 0, "11", "Bank", "");
    AddComponent(b, 0, "2", "Debts", "H2");
    AddComponent(b, 1, "P1", "Alpha", "");
    AddComponent(b, 1, "P2", "Beta", "");
    AddCard(b, 2025, 3, 7, "10", "P1");
    AddCard(b, 2025, 3, 8, "100", nullptr);
    AddCard(b, 2025, 4, 1, "11", nullptr);
    for (const char* name : {"M", "Tools:a", "Tools: b", "Other"}) MacroCreate(b, name);
    for (const char* name : {"S1", "S2"}) SaveSetupCreate(b, name);
    SubsetCreate(b->subsets, "U");
    // A database subset names no other in its formula; its item's subset criterion may.
    Subset* v = SubsetCreate(b->subsets, "V");
    Selection_andSubset(&SubsetAppendItem(v, "A")->selection, "U");
    for (auto [path, kind] :
         {std::pair{"Reports: Sales", 1}, std::pair{"Reports: Costs", 2}, std::pair{"Top", 3}}) {
      T_Template* templ = NewTemplate(b, kind);
      if (!StoreTemplate(b, templ, path)) DeleteTemplate(templ);
    }
    b->SetModified(false);
  }
  static void AddCard(T_Base* b, int32_t year, int32_t month, int32_t day, const char* account,
                      const char* project) {
    CardId id{PackDate(year, month, day), 1};
    CardRecord* card = CreateCard(b, &id);
    GroupRecord* group = b->FindOrAddGroup(card, FindByCode(b, 0, account)->number);
    LineRecord* line = CreateLine(b, group);
    if (project != nullptr) b->SetLineComponent(line, 0, FindByCode(b, 1, project)->number);
  }

  // Runs the text as a command list over a memory stream; the line left current afterwards when
  // it begins with "##", else "".
  std::string Run(const std::string& text, T_Base* on = nullptr) {
    input_ = text;
    T_IStream stream;
    stream.CtorFromMemory(input_.data(), static_cast<int64_t>(input_.size()));
    CommandContext context;
    context.base = on != nullptr ? on : base;
    context.stream = &stream;
    runCommands(&context);
    if (stream.lineStart == nullptr || stream.lineEnd - stream.lineStart < 2 ||
        std::string(stream.lineStart, 2) != "##")
      return "";
    return std::string(stream.lineStart, stream.lineEnd);
  }
  // What the run left of the input buffer (a wiped word shows as blanks).
  const std::string& Input() const { return input_; }

  // Every message the user was asked, with its first text: "3820 x".
  std::vector<std::string> Asked() const {
    std::vector<std::string> asked;
    for (const auto& a : answers.asked) asked.push_back(std::to_string(a.message) + " " + a.text0);
    return asked;
  }

  // Everything the database holds: the model, the subsets, the templates, the protection.
  static std::string Dump(T_Base* b) {
    std::string dump = ModelDump(b);
    Subset* subset = b->subsets->first;
    for (int32_t i = 0; i < b->subsets->count; ++i, subset = subset->next)
      dump += "subset " + std::string(subset->name) + " items " +
              std::to_string(subset->itemCount) + "\n";
    T_OStream listed;
    ListTemplates(b, &listed, nullptr, nullptr);
    dump += std::string(reinterpret_cast<const char*>(listed.start),
                        static_cast<size_t>(listed.pos - listed.start));
    dump += "protection " + std::to_string(b->protection->checkValue) + "\n";
    dump += "path " + std::string(b->path->c_str()) + "\n";
    return dump;
  }

  // What the database holds, for the tables of cases.
 public:
  // The codes of a dimension in tree order.
  std::string Codes(int32_t d) const {
    std::string codes;
    ComponentRecord* root = ComponentAt(base, d);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c))
      codes += std::string(codes.empty() ? "" : " ") + c->code;
    return codes;
  }
  std::string CardIds() const {
    std::string ids;
    char text[40];
    for (CardRecord* c = base->sentinelCard->next; c != base->sentinelCard; c = c->next) {
      CardId id = CardGetId(c);
      FormatCardIdCStr(text, &id);
      ids += std::string(ids.empty() ? "" : " ") + text;
    }
    return ids;
  }
  std::string Macros() const {
    SortMacros(base);
    std::string names;
    const Macro* m = base->macros;
    for (int64_t i = 0; i < base->macroCount; ++i, m = m->next)
      names += std::string(names.empty() ? "" : "|") + m->name;
    return names;
  }

 protected:
  ScratchFolder folder;
  PinnedClock clock;
  T_Answers answers;
  T_Base* base = nullptr;

 private:
  std::string input_;
};

}  // namespace commands_test
