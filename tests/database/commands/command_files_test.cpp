// The commands that reach files, the shell, the user and the application: save, import with
// the chain of files being read, the error file, text lines, opening documents and addresses,
// the message box, the beep, close and quit.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "commands_fixture.h"
#include "core/code_pages.h"
#include "core/file_dialogs.h"
#include "core/log_file.h"
#include "core/system_beep.h"
#include "core/threads.h"
#include "database/change_notes.h"
#include "database/operation_log.h"
#include "ui/alert_dialogs.h"
#include "ui/application.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace commands_test {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::vector<std::string>& ShellTargets() {
  static std::vector<std::string> targets;
  return targets;
}

class FilesTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    ShellTargets().clear();
    SetShellOpenHook([](const char* target) {
      ShellTargets().emplace_back(target);
      return true;
    });
    SetBrowserAvailableHook([] { return false; });
  }
  void TearDown() override {
    SetShellOpenHook(nullptr);
    SetBrowserAvailableHook(nullptr);
    SetLogEntrySink(nullptr);
    CommandsTest::TearDown();
  }
  std::string Path(const std::string& name) const { return folder / name; }
  std::string File(const std::string& name) const { return ReadWholeFile(Path(name)); }
  // A text form whose only section runs the commands.
  void WriteCommandFile(const std::string& name, const std::string& commands) {
    WriteWholeFile(Path(name), "##QEB-Text\t121122\r\n\r\n##Commands\r\n" + commands + "##End\r\n");
  }
};

TEST_F(FilesTest, SaveTakesLetterOptionsAndAdoptsThePathWithFs) {
  base_test::T_QuietWindow listener(kWindowCards, base);
  Run("save copy.qex\r\nsave\r\nsave other.qeb X- B+ Zz\r\n");
  ASSERT_EQ(Saves().size(), 2u);
  EXPECT_EQ(Saves()[0].path, Path("copy.qex"));
  EXPECT_EQ(Saves()[0].kind, kSaveKindText);
  EXPECT_EQ(Saves()[1].kind, kSaveKindContainer);
  std::vector<int> onlyBaseOptions(kSectionCount, 0);
  onlyBaseOptions[kSectionBaseOptions] = 1;
  EXPECT_EQ(Saves()[1].sections, onlyBaseOptions);
  EXPECT_EQ(Asked(), std::vector<std::string>{"3820 Zz"});
  EXPECT_FALSE(Saves()[1].adopt);
  std::string saved = File("copy.qex");
  EXPECT_EQ(saved.rfind(kBom + "##QEB-Text\t121122\r\n\r\n", 0), 0u);
  EXPECT_NE(saved.find("##Macro\tTools:a"), std::string::npos);
  EXPECT_EQ(saved.substr(saved.size() - 7), "##End\r\n");
  EXPECT_STREQ(base->path->c_str(), Path("fixture.qex").c_str());

  base->SetModified(true);
  listener.codes.clear();
  Run("save adopted.qex -Fs");
  EXPECT_TRUE(Saves().back().adopt);
  EXPECT_STREQ(base->path->c_str(), Path("adopted.qex").c_str());
  EXPECT_EQ(base->modified, 0);
  EXPECT_NE(std::find(listener.codes.begin(), listener.codes.end(), kChangePath),
            listener.codes.end());
  EXPECT_EQ(listener.codes.back(), kChangeSaved);
}

TEST_F(FilesTest, ImportReadsFilesWhoseCommandsRunAndRefusesAFileBeingRead) {
  WriteCommandFile("part1.qex", "newComponent Accounts 5 Five\r\n");
  WriteCommandFile("part2.qex", "newComponent Accounts 6 Six\r\n");
  Run("import part*.qex -pw \"p w\"\r\nimport nothing*.qex\r\nimport missing.qex\r\n");
  ASSERT_EQ(Imports().size(), 2u);
  EXPECT_EQ(Imports()[0].password, "p w");
  EXPECT_NE(FindByCode(base, 0, "5"), nullptr);
  EXPECT_NE(FindByCode(base, 0, "6"), nullptr);
  EXPECT_EQ(Asked(), std::vector<std::string>{"605 " + Path("missing.qex")});
  EXPECT_EQ(Input().find("p w"), std::string::npos);

  // Itself, under another spelling; and two files that import each other.
  WriteCommandFile("self.qex", "import .\\SELF.QEX\r\nnewComponent Accounts 7 Seven\r\n");
  WriteCommandFile("a.qex", "import b.qex\r\n");
  WriteCommandFile("b.qex", "import a.qex\r\n");
  for (const char* file : {"self.qex", "a.qex"}) {
    Imports().clear();
    answers.asked.clear();
    Run(std::string("import ") + file);
    EXPECT_EQ(Imports().size(), std::string(file) == "a.qex" ? 2u : 1u) << file;
    EXPECT_EQ(Asked(), std::vector<std::string>{"3827 " + Path(file)}) << file;
    EXPECT_EQ(ReadPathDepth(), 0);
  }
  EXPECT_NE(FindByCode(base, 0, "7"), nullptr);
}

// A save needs 16 KB of free memory and an import 32 KB before they start: without it they do
// nothing and out of memory is what is left pending. The heap is made to refuse exactly those
// sizes, which nothing else of the commands asks for.
TEST_F(FilesTest, SaveAndImportWithoutTheirFreeMemoryDoNothing) {
  WriteCommandFile("part.qex", "newComponent Accounts 5 Five\r\n");
  Saves().clear();
  Imports().clear();
  const struct {
    const char* command;
    size_t refused;
  } cases[] = {{"save copy.qex", 16 * 1024}, {"import part.qex", 32 * 1024}};
  static size_t refused = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    refused = c.refused;
    SetHeapFailHook([](size_t size) { return size != refused; });
    Run(c.command);
    SetHeapFailHook(nullptr);
    EXPECT_TRUE(Saves().empty());
    EXPECT_TRUE(Imports().empty());
    EXPECT_EQ(PendingError.request.message, 600);
    PendingErrorClear();
  }
  EXPECT_EQ(GetFileAttributesA(Path("copy.qex").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FindByCode(base, 0, "5"), nullptr);
  // With the memory there, the same commands do their work.
  Run("save copy.qex\r\nimport part.qex\r\n");
  EXPECT_EQ(Saves().size(), 1u);
  EXPECT_NE(FindByCode(base, 0, "5"), nullptr);
}

TEST_F(FilesTest, ImportOfAPatternLogsItsCount) {
  LogCapture capture;
  OpenErrorFile(base, Path("log.txt").c_str(), false, -1, true, false);
  Run("import nothing*.qex");
  CloseAlertLog(base, true);
  EXPECT_EQ(LogCapture::Lines(),
            (std::vector<std::string>{"command: import nothing*.qex", "  0 files imported"}));
  EXPECT_TRUE(Asked().empty());
}

TEST_F(FilesTest, ErrorFileTakesTheAlertsAndKeepsTheLogWhenItCannotOpen) {
  LogFilesInstall();
  WriteWholeFile(Path("old.txt"), "earlier\r\n");
  Run("errorFile err.txt -language XX\r\n"
      "bogus\r\n"
      "errorFile old.txt -APPEND -verbose -language GER\r\n"
      "beep -loud\r\n"
      "errorFile Q:\\no\\such\\folder\\e.txt\r\n"
      "again\r\n");
  CloseAlertLog(base, true);
  EXPECT_EQ(Asked(), std::vector<std::string>{"3820 XX"});
  std::string err = File("err.txt");
  EXPECT_EQ(err.rfind(kBom, 0), 0u);
  EXPECT_NE(err.find("Unknown command \"bogus\"\r\n"), std::string::npos) << err;
  std::string old = File("old.txt");
  EXPECT_EQ(old.rfind("earlier\r\n\r\nLogfile created at 2024-05-06 10:20:30\r\n", 0), 0u) << old;
  // Verbose: the commands too, the alerts marked, in English whatever the language asked.
  EXPECT_NE(old.find("command: beep -loud\r\n  Error: Unknown option \"-loud\"\r\n"),
            std::string::npos)
      << old;
  EXPECT_NE(old.find("command: errorFile Q:\\no\\such\\folder\\e.txt\r\n  Error: "),
            std::string::npos)
      << old;
  EXPECT_NE(old.find("command: again\r\n  Error: Unknown command \"again\""), std::string::npos)
      << old;

  // No file: alerts are swallowed.
  Run("errorFile -nofile\r\nbogus\r\n");
  EXPECT_EQ(Asked(), std::vector<std::string>{"3820 XX"});
  CloseAlertLog(base, true);
}

TEST_F(FilesTest, WriteAppendsLinesWithEscapesTimeAndCodePage) {
  SetSystemCodePage(kEncodingLatin1);
  Run("write out.txt Hello\r\n"
      "write out.txt \"a\\tb\" -TIME\r\n"
      "write new.txt \"x\\ry\" -clear\r\n"
      "write new.txt last -clear\r\n"
      "write sys.txt \"\xC3\x84 -\" -syscodepage\r\n"
      "write out.txt\r\n"
      "write Q:\\no\\such\\folder\\w.txt text\r\n");
  EXPECT_EQ(File("out.txt"), kBom + "Hello\r\na\tb 2024-05-06 10:20:30\r\n\r\n");
  EXPECT_EQ(File("new.txt"), kBom + "last\r\n");
  EXPECT_EQ(File("sys.txt"), "\xC4 -\r\n");
  EXPECT_EQ(Asked(), std::vector<std::string>{"605 Q:\\no\\such\\folder\\w.txt"});
}

TEST_F(FilesTest, DocumentsAndAddressesOpenThroughTheShell) {
  Run("openFile doc.txt\r\n"
      "openFile \"two words.pdf\" extra\r\n"
      "openFile tool.exe\r\n"
      // "//" begins a comment anywhere: an address is quoted.
      "openURL \"http://example.com/a?b=1\"\r\n"
      "openURL 'file:///C:/tools/run.bat'\r\n");
  EXPECT_EQ(ShellTargets(), (std::vector<std::string>{Path("doc.txt"), Path("two words.pdf"),
                                                      "http://example.com/a?b=1"}));
  // A program is asked about, and nobody agreeing, it does not run.
  EXPECT_EQ(Asked(), (std::vector<std::string>{"3820 extra", "610 tool.exe",
                                               "610 file:///C:/tools/run.bat"}));
}

TEST_F(FilesTest, CloseAndQuitAreQueuedAWindowClosesByTitle) {
  auto* report = new base_test::T_QuietWindow(kWindowCards, base);
  report->SetTitleCopy("Report");
  base_test::T_QuietWindow keeps(kWindowLines, base);
  keeps.SetTitleCopy("Kept");
  keeps.refuse = true;
  Run("close Report\r\nclose Kept\r\nclose \"No such\"\r\n");
  EXPECT_EQ(FindWindowOfKind(kWindowCards, base), nullptr);
  EXPECT_EQ(keeps.askedModes.size(), 1u);
  EXPECT_EQ(Queued().closes, 0);
  Run("close\r\nquit now\r\n");
  EXPECT_EQ(Queued().closes, 1);
  EXPECT_EQ(Queued().quits, 1);
  EXPECT_EQ(base->runOpenDirectCommands, 0);
  EXPECT_EQ(Asked(), std::vector<std::string>{"3820 now"});
}

int& Beeps() {
  static int beeps = 0;
  return beeps;
}

TEST_F(FilesTest, BeepSoundsOnce) {
  SetSystemBeepHook([] { ++Beeps(); });
  Run("beep\r\nbeep x\r\n");
  SetSystemBeepHook(nullptr);
  EXPECT_EQ(Beeps(), 2);
  EXPECT_EQ(Asked(), std::vector<std::string>{"3820 x"});
}

// The message box needs the toolkit's application; time runs eight times faster, so one
// second closes it after a quarter of a second.
uint64_t FastTicks() { return GetTickCount64() * 8; }

TEST_F(FilesTest, MessageShowsTheBoxWhichClosesItself) {
  static bool registered = false;
  if (!registered) {
    RegisterFrameClasses(ProgramInstance());
    registered = true;
  }
  SetFrameVisible(false);
  auto* app = new T_Application(true);
  SetTickSource(FastTicks);
  static std::string message, title;
  struct Peek : T_DeferCom {
    void Execute() override {
      if (auto* box = static_cast<T_MsgDialog*>(ModalListFirst())) {
        message = box->message;
        title = box->Title();
      }
    }
  };
  app->PostAction(new Peek);
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
  // The watchdog only keeps a broken box from hanging the run; a busy machine may be slow to
  // close the box, so what counts is who closed it, not how long it took.
  static bool forced = false;
  UINT_PTR watchdog = SetTimer(nullptr, 0, 60000, [](HWND, UINT, UINT_PTR, DWORD) {
    if (T_Window* running = ModalListFirst()) {
      forced = true;
      running->native.modalEnd = 1;
    }
  });
  uint64_t start = TickCount();
  Run("message Done \"for//now\" -TITLE \"Night run\" -seconds 1\r\n");
  KillTimer(nullptr, watchdog);
  EXPECT_GE(TickCount() - start, 2000u);
  EXPECT_FALSE(forced);
  EXPECT_EQ(message, "Done for\rnow");
  EXPECT_EQ(title, "Night run");
  delete app;
}

}  // namespace
}  // namespace commands_test
