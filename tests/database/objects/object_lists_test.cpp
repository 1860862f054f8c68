// The lists of stored objects as a whole: macro flags and lookups, start macros and subsets,
// deletions by name and by the rollback, time-scale lookups and command texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/hash_index.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/change_notes.h"
#include "database/object_lists.h"
#include "database/operation_log.h"
#include "database/subsets.h"
#include "tests/database/links/links_fixture.h"
#include "ui/database_services.h"
#include "ui/event_record.h"

namespace links_test {
namespace {

// Reads "##Macro" sections as the section stream will: each reader starts on its header line and
// leaves the next "##" line current.
void ReadMacros(T_Base* base, const std::string& text) {
  T_IStream in;
  in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  bool onHeader = in.NextLine() && IsSectionHeaderLine(&in);
  while (onHeader) {
    T_TextBuf tag, name;
    in.ReadFieldBuf(&tag);
    in.ReadFieldBuf(&name);
    if (std::string(tag.c_str()) != "##Macro") return;
    Macro* macro = base->FindMacro(name.c_str());
    ReadMacro(macro ? macro : MacroCreate(base, name.c_str()), &in);
    onHeader = IsSectionHeaderLine(&in);
  }
}

std::string Names(T_Base* base) {
  std::string names;
  Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next)
    names += std::string(macro->name ? macro->name : "-") + " ";
  return names;
}

struct HeldKeys {
  static bool& Control() {
    static bool held = false;
    return held;
  }
  static void Poll(InputEvent* event) {
    *event = InputEvent{};
    event->control = Control();
  }
};

class ListsTest : public LinksTest {
 protected:
  void SetUp() override {
    LinksTest::SetUp();
    HeldKeys::Control() = false;
    SetModifierPollHook(HeldKeys::Poll);
    window = new base_test::T_QuietWindow(kWindowCards, own);
  }
  void TearDown() override {
    delete window;
    SetModifierPollHook(nullptr);
    runHook() = nullptr;
    LinksTest::TearDown();
  }
  // Runs inside each recorded command run, with the database and the run's title.
  static void (*&runHook())(T_Base*, const std::string&) {
    static void (*hook)(T_Base*, const std::string&) = nullptr;
    return hook;
  }
  void RecordRunsWith(void (*hook)(T_Base*, const std::string&)) {
    runHook() = hook;
    static ObjectServices services = RecordingServices();
    services.runCommands = [](T_Base* base, T_IStream* stream) {
      RecordingServices().runCommands(base, stream);
      if (runHook()) runHook()(base, CurrentCommandTitle());
    };
    SetObjectServices(&services);
  }
  std::vector<std::string> Runs() {
    std::vector<std::string> titles;
    for (const std::string& run : Recorded::Get().commands)
      titles.push_back(run.substr(0, run.find(':')));
    return titles;
  }

  base_test::T_QuietWindow* window = nullptr;
};

TEST_F(ListsTest, MacroFlagsComeFromTheirLines) {
  struct Case {
    const char* lines;
    uint8_t inMenu;
    uint8_t atOpen;
  };
  const Case cases[] = {
      {"M\tx\r\nA+\r\nS+\r\nP-\r\n", 1, 1}, {"A+\r\nA-\r\n", 0, 0},
      {"A+\r\nA*\r\nS\r\nSx\r\n", 1, 0},  // a second character other than + or - keeps the flag
      {"A+\tS-\r\nS+x\r\n", 1, 1},        // only the first field counts
      {"M\tS+ is no line\r\n", 0, 0},
  };
  for (const Case& c : cases) {
    Macro* macro = MacroCreate(own, "M");
    ReadMacros(own, std::string("##Macro\tM\r\n") + c.lines + "\r\n");
    EXPECT_EQ(macro->inExecuteMenu, c.inMenu) << c.lines;
    EXPECT_EQ(macro->runAtOpen, c.atOpen) << c.lines;
    MacroFree(macro);
  }
  // The pieces of a long command text are no lines of their own, whatever they begin with.
  std::string piece(4200, 'x');
  Macro* macro = MacroCreate(own, "Long");
  ReadMacros(own,
             "##Macro\tLong\r\nM\t" + piece + "/==\r\nS+" + piece + "/==\r\nA+end\r\nS-\r\n\r\n");
  EXPECT_EQ(macro->runAtOpen, 0);
  EXPECT_EQ(macro->inExecuteMenu, 0);
  T_TextBuf text;
  MacroCommandText(macro, &text);
  EXPECT_EQ(std::string(text.c_str()), piece + "S+" + piece + "A+end");
}

TEST_F(ListsTest, MacrosWriteBackByteForByteInNameOrder) {
  const std::string b = "##Macro\tB\r\nM\tsave -to out.qex\r\nA+\r\nS-\r\nP-\r\n\r\n";
  const std::string a = "##Macro\ta\r\nM\tbeep\r\nS+\r\n\r\n";
  // A line the record does not know is not kept.
  ReadMacros(own, b + "##Macro\ta\r\nM\tbeep\r\n  odd line\t\r\nS+\r\n\r\n");
  SortMacros(own);
  T_OStream out;
  Macro* macro = own->macros;
  for (int64_t i = 0; i < own->macroCount; ++i, macro = macro->next) WriteMacroRecord(macro, &out);
  EXPECT_EQ(Written(out), a + b);
}

TEST_F(ListsTest, FindMacroCleansTheNameAndItsIndexGrows) {
  MacroCreate(own, "Daily Run");
  EXPECT_EQ(own->FindMacro(" daily\x01 run\t "), own->macros);
  EXPECT_EQ(own->FindMacro("\x02\x03"), nullptr);
  EXPECT_EQ(own->FindMacro(nullptr), nullptr);
  ASSERT_NE(own->macroIndex, nullptr);
  int64_t capacity = own->macroIndex->fillLimit;

  // Past its fill limit the index goes; the next lookup builds it for all of them.
  char name[16];
  for (int32_t i = 0; i < 1200; ++i) {
    std::snprintf(name, sizeof(name), "M%d", i);
    MacroCreate(own, name);
  }
  EXPECT_LT(capacity, 1201);
  EXPECT_EQ(own->macroIndex, nullptr);
  for (int32_t i = 0; i < 1200; i += 7) {
    std::snprintf(name, sizeof(name), "m%d", i);
    Macro* found = own->FindMacro(name);
    ASSERT_NE(found, nullptr) << name;
    EXPECT_STREQ(found->name + 1, name + 1);
  }
  ASSERT_NE(own->macroIndex, nullptr);
  EXPECT_GE(own->macroIndex->fillLimit, own->macroCount);
  EXPECT_EQ(own->FindMacro("M1200"), nullptr);
}

TEST_F(ListsTest, StartMacrosRunInNameOrderUntilControl) {
  ReadMacros(own,
             "##Macro\tB\r\nM\tb\r\nS+\r\n\r\n##Macro\ta\r\nM\ta\r\nS+\r\n\r\n"
             "##Macro\tc\r\nM\tc\r\nS-\r\n\r\n##Macro\tempty\r\nS+\r\n\r\n");
  RecordRunsWith(nullptr);
  RunStartMacros(own);
  EXPECT_EQ(Recorded::Get().commands, (std::vector<std::string>{"a: a", "B: b"}));

  Recorded::Get().commands.clear();
  HeldKeys::Control() = true;
  RunStartMacros(own);
  EXPECT_TRUE(Recorded::Get().commands.empty());

  // Control pressed during the first run stops the rest.
  HeldKeys::Control() = false;
  RecordRunsWith([](T_Base*, const std::string&) { HeldKeys::Control() = true; });
  RunStartMacros(own);
  EXPECT_EQ(Runs(), (std::vector<std::string>{"a"}));
}

TEST_F(ListsTest, AStartMacroThatDeletesMacrosLeavesTheLoopOnALiveOne) {
  ReadMacros(own,
             "##Macro\td\r\nM\td\r\nS+\r\n\r\n##Macro\tB\r\nM\tb\r\nS+\r\n\r\n"
             "##Macro\ta\r\nM\ta\r\nS+\r\n\r\n##Macro\tC\r\nM\tc\r\nS+\r\n\r\n");
  // "a" deletes the next one ("B") and itself; "C" adds a start macro that sorts after it.
  RecordRunsWith([](T_Base* base, const std::string& title) {
    if (title == "a") {
      DeleteMacrosMatching(base, "b");
      MacroDelete(base->FindMacro("a"));
    }
    if (title == "C") {
      ReadMacros(base, "##Macro\tcc\r\nM\tcc\r\nS+\r\n\r\n");
    }
  });
  RunStartMacros(own);
  EXPECT_EQ(Runs(), (std::vector<std::string>{"a", "C", "cc", "d"}));
  EXPECT_EQ(Names(own), "C cc d ");
  EXPECT_EQ(std::count(window->codes.begin(), window->codes.end(), kChangeMacroRenamed + 3), 2);
}

TEST_F(ListsTest, RunsAndDeletionsByName) {
  // A command text runs under its title, and the title before comes back.
  SetCurrentCommandTitle("outer");
  own->RunCommandText("beep", "Inner");
  EXPECT_EQ(Recorded::Get().commands, (std::vector<std::string>{"Inner: beep"}));
  EXPECT_STREQ(CurrentCommandTitle(), "outer");
  SetCurrentCommandTitle(nullptr);

  for (const char* name : {"Report 1", "report 2", "Other"}) {
    MacroCreate(own, name);
    SaveSetupCreate(own, name);
    ImportSetupCreate(own, name);
  }
  window->codes.clear();
  DeleteMacrosMatching(own, "report");  // names that hold the text
  DeleteSaveSetupsMatching(own, "REPORT 1");
  EXPECT_EQ(Names(own), "Other ");
  EXPECT_STREQ(own->saveSetups->name, "Other");
  EXPECT_STREQ(own->saveSetups->next->name, "report 2");
  DeleteSaveSetupsMatching(own, nullptr);
  DeleteAllImportSetups(own);
  EXPECT_EQ(own->saveSetups, nullptr);
  EXPECT_EQ(own->importSetups, nullptr);
  EXPECT_EQ(window->codes, (std::vector<int32_t>{57, 57, 45, 45, 45, 49, 49, 49}));

  // The rollback of a failed read keeps what was there before it.
  MarkMacrosExisting(own);
  MacroCreate(own, "Read 1");
  MacroCreate(own, "Read 2");
  DeleteUnmarkedMacros(own);
  EXPECT_EQ(Names(own), "Other ");
}

TEST_F(ListsTest, TimeScalesByNameAndPosition) {
  auto* months = new TimeScale(own, "Months");
  auto* quarters = new TimeScale(own, "Quarters");
  auto* years = new TimeScale(own, "Years");
  struct Case {
    const char* name;
    TimeScale* found;
  };
  const Case cases[] = {{"quarters", quarters}, {"  YEARS ", years}, {"", nullptr},
                        {"   ", nullptr},       {"Month", nullptr},  {nullptr, nullptr}};
  for (const Case& c : cases) EXPECT_EQ(own->FindTimeScale(c.name), c.found) << c.name;
  EXPECT_EQ(own->CountTimeScales(), 3);
  EXPECT_EQ(own->GetTimeScaleAt(0), months);
  EXPECT_EQ(own->GetTimeScaleAt(2), years);
  EXPECT_EQ(own->GetTimeScaleAt(3), nullptr);
  EXPECT_EQ(own->GetTimeScaleAt(-1), nullptr);
  EXPECT_EQ(own->IndexOfTimeScale(quarters), 1);
  auto* elsewhere = new TimeScale(other, "Months");
  EXPECT_EQ(own->IndexOfTimeScale(elsewhere), -1);

  window->codes.clear();
  DeleteTimeScalesAfter(own, months);
  EXPECT_EQ(own->CountTimeScales(), 1);
  EXPECT_EQ(window->codes, (std::vector<int32_t>{53, 53}));
  DeleteTimeScalesAfter(own, nullptr);
  EXPECT_EQ(own->timeScales, nullptr);
}

struct SubsetEditors {
  static std::vector<std::string>& Opened() {
    static std::vector<std::string> opened;
    return opened;
  }
};

TEST_F(ListsTest, NewSubsetsAndStartSubsetsOpenTheirEditors) {
  SelectionOperations hooks{};
  hooks.openSubsetEditor = [](Subset* subset, int32_t) {
    SubsetEditors::Opened().push_back(subset->name);
    if (std::string(subset->name) == "S2") HeldKeys::Control() = true;
  };
  SetSelectionOperations(&hooks);
  SubsetEditors::Opened().clear();

  Subset* created = NewSubset(own);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->isNew, 1);
  EXPECT_EQ(SubsetEditors::Opened(), (std::vector<std::string>{created->name}));

  for (const char* name : {"S3", "S2", "S4"}) SubsetCreate(own->subsets, name)->open = 1;
  SubsetEditors::Opened().clear();
  OpenStartSubsets(own);  // in list order; Control pressed in the editor of S2 stops the rest
  EXPECT_EQ(SubsetEditors::Opened(), (std::vector<std::string>{"S2"}));
  HeldKeys::Control() = false;
  SubsetEditors::Opened().clear();
  SubsetFind(own->subsets, "S2")->open = 0;
  OpenStartSubsets(own);
  EXPECT_EQ(SubsetEditors::Opened(), (std::vector<std::string>{"S3", "S4"}));
  SetSelectionOperations(nullptr);
}

}  // namespace
}  // namespace links_test
