// Macros: their record read and written, the ring and its index, names, runs with their guard
// and log, and a macro deleted by its own run.
#include "database/macros.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/operation_log.h"
#include "logs/logs_fixture.h"

namespace {

std::string Written(const T_OStream& out) {
  return std::string(reinterpret_cast<const char*>(out.start), out.BufferedLength());
}

// Reads "##Macro" sections as the section stream will: each reader starts on its header line
// and leaves the next "##" line current.
void ReadText(T_Base* base, const std::string& text) {
  T_IStream in;
  in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  bool onHeader = in.NextLine() && IsSectionHeaderLine(&in);
  while (onHeader) {
    T_TextBuf tag;
    T_TextBuf name;
    in.ReadFieldBuf(&tag);
    in.ReadFieldBuf(&name);
    if (std::string(tag.c_str()) != "##Macro") return;
    Macro* macro = base->FindMacro(name.c_str());
    ReadMacro(macro ? macro : MacroCreate(base, name.c_str()), &in);
    onHeader = IsSectionHeaderLine(&in);
  }
}

std::string Record(const Macro* macro) {
  T_OStream out;
  WriteMacroRecord(macro, &out);
  return Written(out);
}

std::string MacroNames(const T_Base* base) {
  std::string names;
  const Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
    EXPECT_EQ(macro->next->previous, macro);
    names += macro->name ? macro->name : "-";
    names += ' ';
  }
  return names;
}

class MacroTest : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override {
    CloseAlertLog(&base, true);
    PendingErrorClear();
  }

  T_NoAlerts quiet;
  T_Base base{nullptr, 1};
};

TEST_F(MacroTest, RecordsReadAndWriteTheirLines) {
  struct Case {
    const char* read;     // the lines after the header
    const char* written;  // the same record written back, after its header
  };
  const Case cases[] = {
      // As this program writes a macro: every line.
      {"M\tbeep\r\nA+\r\nS-\r\nP-\r\n", "M\tbeep\r\nA+\r\nS-\r\nP-\r\n"},
      // Older records keep the lines they had.
      {"M\tclose\r\n", "M\tclose\r\n"},
      {"A+\r\n", "A+\r\n"},
      {"M\t\r\nS+\r\n", "M\t\r\nS+\r\n"},
      // A second character other than + or - leaves the flag; unknown keys and lines without a
      // first field are ignored.
      {"A+\r\nAx\r\n\r\nQ\tz\r\nP+\r\nPP\r\nM\tbeep\r\n", "M\tbeep\r\nA+\r\nP+\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.read);
    T_Base own(nullptr, 2);
    ReadText(&own, std::string("##Macro\tDaily\r\n") + c.read + "\r\n");
    ASSERT_EQ(own.macroCount, 1);
    EXPECT_EQ(Record(own.macros), std::string("##Macro\tDaily\r\n") + c.written + "\r\n");
  }
  // A macro made here writes the whole record.
  Macro* made = MacroCreate(&base, "Daily");
  made->SetText("beep");
  made->inExecuteMenu = 1;
  EXPECT_EQ(Record(made), "##Macro\tDaily\r\nM\tbeep\r\nA+\r\nS-\r\nP-\r\n\r\n");
}

TEST_F(MacroTest, LongTextsGoInPiecesAndComeBackWhole) {
  std::string text;
  for (int i = 0; text.size() <= 4208; ++i)
    text += "write out.txt line " + std::to_string(i) + "\r";
  Macro* macro = MacroCreate(&base, "Long");
  macro->SetText(text.c_str());
  std::string record = Record(macro);
  EXPECT_NE(record.find("/==\r\n"), std::string::npos);
  T_Base other(nullptr, 2);
  ReadText(&other, record);
  ASSERT_NE(other.macros, nullptr);
  EXPECT_EQ(std::string(other.macros->text), text);
  EXPECT_EQ(Record(other.macros), record);
  // A damaged text (cut inside its pieces) reads as far as it goes.
  T_Base cut(nullptr, 3);
  ReadText(&cut, record.substr(0, 3000));
  ASSERT_NE(cut.macros, nullptr);
  EXPECT_EQ(text.rfind(cut.macros->text, 0), 0u);
}

TEST_F(MacroTest, RingIndexAndOrder) {
  for (const char* name : {"b", "C", "a"}) MacroCreate(&base, name);
  EXPECT_EQ(MacroNames(&base), "a C b ");  // each new macro goes to the front
  EXPECT_EQ(base.macrosSorted, 0);
  EXPECT_EQ(base.FindMacro(" c\t"), base.macros->next);
  ASSERT_NE(base.macroIndex, nullptr);
  EXPECT_EQ(base.FindMacro(""), nullptr);
  EXPECT_EQ(base.FindMacro("d"), nullptr);

  Macro* added = MacroCreate(&base, "B2");  // joins the index
  EXPECT_EQ(base.FindMacro("b2"), added);
  MacroCreate(&base, nullptr);
  SortMacros(&base);
  EXPECT_EQ(MacroNames(&base), "a b B2 C - ");

  MacroFree(base.macros);  // the first: the ring closes behind it and the index goes
  EXPECT_EQ(base.macroIndex, nullptr);
  EXPECT_EQ(base.macroCount, 4);
  EXPECT_EQ(MacroNames(&base), "b B2 C - ");

  // A new name is found by it, sorts anew and is announced with the old one.
  static std::string renamed;
  SetDispatchProbe([](int32_t step, T_Base*, const ChangeNote* note) {
    if (step == 1 && note->code == kChangeMacroRenamed) renamed = note->oldName;
  });
  base.FindMacro("b")->SetName("zz");
  SetDispatchProbe(nullptr);
  EXPECT_EQ(renamed, "b");
  EXPECT_EQ(base.FindMacro("b"), nullptr);
  ASSERT_NE(base.FindMacro("ZZ"), nullptr);
  SortMacros(&base);
  EXPECT_EQ(MacroNames(&base), "B2 C zz - ");
}

TEST_F(MacroTest, RunsLogTheirStepsAndRefuseToRunTwice) {
  LogCapture capture;
  OpenErrorFile(&base, "C:\\nowhere\\run.log", false, 0, true, false);
  ReadText(&base,
           "##Macro\tDaily\r\nM\tbeep\r\nS+\r\n\r\n##Macro\tEmpty\r\nA+\r\n\r\n"
           "##Macro\tLoop\r\nM\texecute loop\r\n\r\n");
  RunMacro(base.FindMacro("Daily"));
  RunMacro(base.FindMacro("Empty"));  // no command text: nothing at all
  EXPECT_EQ(LogCapture::Lines(),
            (std::vector<std::string>{"Executing macro \"Daily\"", "  command: beep",
                                      "Completed macro \"Daily\""}));
  EXPECT_EQ(PendingError.request.message, 0);

  // Running itself: refused at the second level with 7106, and the outer run ends normally.
  LogCapture::Lines().clear();
  Macro* loop = base.FindMacro("Loop");
  RunMacro(loop);
  int executing = 0;
  int completed = 0;
  bool refused = false;
  for (const std::string& line : LogCapture::Lines()) {
    executing += line.find("Executing macro \"Loop\"") != std::string::npos;
    completed += line.find("Completed macro \"Loop\"") != std::string::npos;
    refused = refused || line.find("Macro \"loop\" called recursively.") != std::string::npos;
  }
  EXPECT_EQ(executing, 1);
  EXPECT_EQ(completed, 1);
  EXPECT_TRUE(refused);
  EXPECT_EQ(loop->running, 0);
  EXPECT_FALSE(AbortRequested());

  // Straight from the caller the refusal is the pending error.
  loop->running = 1;
  RunMacro(loop);
  EXPECT_EQ(PendingError.request.message, 7106);
  EXPECT_STREQ(PendingError.request.texts[0], "Loop");
  loop->running = 0;
}

TEST_F(MacroTest, AMacroDeletedByItsOwnRunGoesWhenTheRunEnds) {
  ReadText(&base,
           "##Macro\tSelf\r\nM\tdeleteMacro Self\rbeep\r\nS+\r\n\r\n"
           "##Macro\tOuter\r\nM\texecute Inner\r\n\r\n"
           "##Macro\tInner\r\nM\tdeleteMacro -all\r\n\r\n");
  Macro* self = base.FindMacro("Self");
  // While it runs it writes "S-": a save by its own run would otherwise run it at every opening.
  self->running = 1;
  EXPECT_NE(Record(self).find("\r\nS-\r\n"), std::string::npos);
  self->running = 0;

  RunMacro(self);  // leaves the ring at once and is freed after its last line
  EXPECT_EQ(base.FindMacro("Self"), nullptr);
  EXPECT_EQ(base.macroCount, 2);
  RunMacro(base.FindMacro("Outer"));  // deletes itself through the macro it runs
  EXPECT_EQ(base.macros, nullptr);
  EXPECT_EQ(base.macroCount, 0);
  EXPECT_FALSE(AbortRequested());
}

}  // namespace
