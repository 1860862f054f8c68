// The real program, started under Wine on a virtual desktop of its own: it shows its frame,
// reports what it cannot do through its alerts, asks once about the file association, writes it
// when told to, and ends cleanly with exit code 0. The tour drives a copy of the example only with
// the keys a user presses: every stored template from the Analysis menu, Calc, Copy Table, Adjust
// Column Widths and Import. Every registry key the program touches in the prefix is saved before
// each test and put back after it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <initializer_list>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "file_times.h"
#include "program_process.h"
#include "registry_backup.h"
#include "scratch_registry.h"
#include "tests/app/wait_bound.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/source_path.h"
#include "tests/test_output.h"

namespace app_test {
namespace {

// The written text equals the golden file; with QEB_UPDATE_GOLDEN set the run writes the golden
// file instead, to be looked at before it is committed.
void ExpectGolden(const std::string& golden, const std::string& written) {
  if (std::getenv("QEB_UPDATE_GOLDEN") != nullptr) {
    WriteWholeFile(golden, written);
  } else {
    EXPECT_EQ(written, ReadWholeFile(golden)) << golden;
  }
}

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without an answer about the association every start would ask first.
    WritePref(HKEY_CURRENT_USER, "Associate", "-");
    PrepareVirtualDesktop(kTestDesktop);
    alertFile_ = NewAlertFilePath();
  }
  void TearDown() override {
    EndProcess(&process_);
    DeleteFileW(alertFile_.c_str());
  }

  void Start(const std::wstring& arguments) {
    ASSERT_TRUE(StartProgram(WindowsPath(QEB_PROGRAM_PATH), arguments, kTestDesktop, alertFile_,
                             &process_));
  }
  DWORD ExitCode() {
    if (!deadline_.WaitFor(process_.hProcess)) return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  std::string Alerts() { return ReadAlertFile(alertFile_); }

  // Starts the program on the file and waits for it to end by itself with 0.
  void RunToEnd(const std::string& path) {
    Start(L"\"" + WidePathText(path.c_str()) + L"\"");
    ASSERT_TRUE(deadline_.WaitFor(process_.hProcess)) << Alerts();
    EXPECT_EQ(ExitCode(), 0u) << path;
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = PROCESS_INFORMATION{};
  }

  // The program's document window of that title, once it shows; null when none came in time.
  HWND WaitForDocument(const wchar_t* title) {
    HWND frame = WaitForFrame(kTestDesktop, process_.dwProcessId, deadline_);
    HWND client = frame ? FindWindowExW(frame, nullptr, L"MDIClient", nullptr) : nullptr;
    if (!client) return nullptr;
    HWND child = nullptr;
    deadline_.Until(
        [&] { return (child = FindWindowExW(client, nullptr, nullptr, title)) != nullptr; });
    return child;
  }

  void Close() {
    HWND frame = WaitForFrame(kTestDesktop, process_.dwProcessId, deadline_);
    ASSERT_NE(frame, nullptr);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCode(), 0u);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = PROCESS_INFORMATION{};
  }

  // One bound for every wait of the test, however many programs it starts.
  wait_bound::Deadline deadline_;
  RegistryBackup backup_{{{HKEY_CURRENT_USER, kPrefsKey},
                          {HKEY_LOCAL_MACHINE, kPrefsKey},
                          {HKEY_CURRENT_USER, L"Software\\Classes\\.qeb"},
                          {HKEY_CURRENT_USER, L"Software\\Classes\\.qex"},
                          {HKEY_CURRENT_USER, L"Software\\Classes\\QEB-Norm"},
                          {HKEY_CURRENT_USER, L"Software\\Classes\\QEB-Text"}}};
  std::wstring alertFile_;
  PROCESS_INFORMATION process_{};
};

TEST_F(ProgramRun, ShowsItsFrameAndEndsWhenTheFrameIsClosed) {
  Start(L"");
  HWND frame = WaitForFrame(kTestDesktop, process_.dwProcessId, deadline_);
  ASSERT_NE(frame, nullptr);
  wchar_t title[64] = {};
  GetWindowTextW(frame, title, 64);
  EXPECT_STREQ(title, L"QEB 5.7");
  EXPECT_NE(FindWindowExW(frame, nullptr, L"MDIClient", nullptr), nullptr);
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(Alerts(), "");
}

TEST_F(ProgramRun, UnknownSwitchIsRefusedAndEndsStartUp) {
  Start(L"/bogus");
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(Alerts(), "2901\tUndefined command line parameter /bogus\n");
}

TEST_F(ProgramRun, DocumentOnTheCommandLineIsReportedAsNotOpened) {
  Start(L"Z:\\nowhere\\Sales 2024.qeb");
  HWND frame = WaitForFrame(kTestDesktop, process_.dwProcessId, deadline_);
  ASSERT_NE(frame, nullptr);
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(Alerts(), "605\tUnable to open file 'Z:\\nowhere\\Sales 2024.qeb'\n");
}

TEST_F(ProgramRun, TheExampleDatabaseOpensWithoutAWord) {
  Start(L"\"" + WidePathText(TestSourcePath("examples/Example.qeb").c_str()) + L"\"");
  Close();
  EXPECT_EQ(Alerts(), "");
}

// The example shows its database window, titled with the file name; a change of the file's
// last-write time made outside is reported with 4004, and a posted close ends the
// program with 0.
TEST_F(ProgramRun, TheExampleShowsItsDatabaseWindowWhichWatchesTheFile) {
  ScratchFolder folder;
  const std::string path = folder / "Watched example.qeb";
  WriteWholeFile(path, ReadWholeFile(TestSourcePath("examples/Example.qeb")));
  Start(L"\"" + WidePathText(path.c_str()) + L"\"");
  EXPECT_NE(WaitForDocument(L"Watched example.qeb"), nullptr);
  EXPECT_EQ(Alerts(), "");

  MoveLastWriteTime(path, 3600);
  std::string alerts;
  deadline_.Until([&] { return !(alerts = Alerts()).empty(); });
  EXPECT_EQ(alerts, "4004\tThe file \"Watched example.qeb\" has been modified on disk.\n");
  Close();
}

TEST_F(ProgramRun, ACopyOfTheExampleWithItsFirstBlockDamagedIsReportedByName) {
  ScratchFolder folder;
  std::string bytes = ReadWholeFile(TestSourcePath("examples/Example.qeb"));
  ASSERT_GT(bytes.size(), 100u);
  bytes[70] ^= 0x20;  // inside the first block's payload
  WriteWholeFile(folder / "Damaged example.qeb", bytes);
  Start(L"\"" + WidePathText((folder / "Damaged example.qeb").c_str()) + L"\"");
  Close();
  const std::string alerts = Alerts();
  EXPECT_EQ(alerts.substr(0, 5), "3811\t");
  EXPECT_NE(alerts.find("Damaged example.qeb\" is corrupted."), std::string::npos) << alerts;
}

TEST_F(ProgramRun, AssociateWritesTheQuotedCommandAndEndsWithoutAnAlert) {
  Start(L"/associate");
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(Alerts(), "");
  std::string program = Narrow(WindowsPath(QEB_PROGRAM_PATH));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, L"Software\\Classes\\QEB-Norm\\shell\\open\\command", L""),
            "\"" + program + "\" \"%1\"");
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, L"Software\\Classes\\.qex", L""), "QEB-Text");
  EXPECT_EQ(ReadPref(HKEY_CURRENT_USER, "Associate"), "+");
}

TEST_F(ProgramRun, AStartWithoutAnAssociationAsksOnceAndRemembersTheUnattendedAnswer) {
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\.qeb");
  HKEY prefs = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kPrefsKey, 0, KEY_SET_VALUE, &prefs) == ERROR_SUCCESS) {
    RegDeleteValueW(prefs, L"Associate");
    RegCloseKey(prefs);
  }
  Start(L"");
  Close();
  EXPECT_EQ(Alerts(),
            "2902\t.qeb files are not associated with QEB in your system. Would you like to make "
            "the association now?\n");
  EXPECT_EQ(ReadPref(HKEY_CURRENT_USER, "Associate"), "-");
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, L"Software\\Classes\\.qeb", L""), "<none>");

  DeleteFileW(alertFile_.c_str());
  Start(L"");
  Close();
  EXPECT_EQ(Alerts(), "");
}

// A text form whose command section adds, sorts and names components, writes a line, opens an
// error file, meets an unknown command, saves a text form and quits: the program ends by itself
// with 0, and what it wrote equals the golden files (the error file's times masked). With
// QEB_UPDATE_GOLDEN set the run writes the golden files instead, to be looked at before they are
// committed. Until the program can open a database file the run is skipped: it reports the file
// as one it cannot open.
TEST_F(ProgramRun, ACommandSectionRunsToItsEndAndWritesItsGoldenFiles) {
  const std::string data = "tests/app/data/commands/";
  ScratchFolder folder;
  WriteWholeFile(folder / "run.qex", ReadWholeFile(TestSourcePath(data + "run.qex")));
  Start(L"\"" + WidePathText((folder / "run.qex").c_str()) + L"\"");
  bool refused = false;
  ASSERT_TRUE(deadline_.Until([&] {
    refused = Alerts().rfind("605\t", 0) == 0;
    return refused || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
  })) << Alerts();
  if (refused) {
    Close();
    GTEST_SKIP() << "the program cannot open database files yet";
  }
  EXPECT_EQ(ExitCode(), 0u);
  const std::regex time("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
  const struct {
    std::string golden;
    std::string written;
  } outputs[] = {
      {"saved.golden.qex", ReadWholeFile(folder / "saved.qex")},
      {"written.golden.txt", ReadWholeFile(folder / "written.txt")},
      {"errors.golden.txt",
       std::regex_replace(ReadWholeFile(folder / "errors.txt"), time, "<time>")},
      {"alerts.golden.txt", Alerts()},
  };
  for (const auto& output : outputs)
    ExpectGolden(TestSourcePath(data + output.golden), output.written);
}

// A command run that stops at a failed step, in a program started for it with nobody to answer
// its alerts, ends the program with a non-zero code instead of leaving it open.
TEST_F(ProgramRun, ACommandRunThatFailsEndsTheUnattendedProgramWithAnErrorCode) {
  ScratchFolder folder;
  const std::string path = folder / "fails.qex";
  WriteWholeFile(path,
                 "##QEB-Text\t121122\r\n\r\n##Commands\r\nsave nofolder/saved.qex\r\n"
                 "write never.txt \"not reached\"\r\nquit\r\n##End\r\n");
  Start(L"\"" + WidePathText(path.c_str()) + L"\"");
  EXPECT_EQ(ExitCode(), 1u) << Alerts();
  EXPECT_EQ(ReadWholeFile(folder / "never.txt"), "<missing>");
  // The failed save names the file the script chose, not a temporary one.
  EXPECT_NE(Alerts().find("saved.qex"), std::string::npos) << Alerts();
  EXPECT_EQ(Alerts().find(".tmp"), std::string::npos) << Alerts();
}

// An XML command file given to the program imports a text form and then a second one whose
// commands add a component, save and quit: the program ends by itself with 0 and the saved file
// equals its golden file.
TEST_F(ProgramRun, AnXmlCommandFileImportsAndItsCommandsSaveAndQuit) {
  const std::string data = "tests/app/data/xmlcommands/";
  ScratchFolder folder;
  for (const char* name : {"run.xml", "part.qex", "finish.qex"})
    WriteWholeFile(folder / name, ReadWholeFile(TestSourcePath(data + name)));
  Start(L"\"" + WidePathText((folder / "run.xml").c_str()) + L"\"");
  ASSERT_TRUE(deadline_.WaitFor(process_.hProcess)) << Alerts();
  EXPECT_EQ(ExitCode(), 0u);
  const std::string golden = TestSourcePath(data + "saved.golden.qex");
  ExpectGolden(golden, ReadWholeFile(folder / "saved.qex"));
  EXPECT_EQ(Alerts(), "");
}

// An SIE file imported by a command section is saved as a text form and exported as SIE; a
// second run imports that export and saves again. Both text forms and the export (its "#GEN"
// date masked) equal their golden files, and no question is asked beyond the one 3811 for the
// records the fixture holds before its company.
TEST_F(ProgramRun, AnSieImportSavesExportsAndReadsBack) {
  const std::string data = "tests/app/data/sie/";
  ScratchFolder folder;
  WriteWholeFile(folder / "bolag.se",
                 ReadWholeFile(TestSourcePath("tests/database/sie/data/bolag.se")));
  for (const char* name : {"run1.qex", "run2.qex"})
    WriteWholeFile(folder / name, ReadWholeFile(TestSourcePath(data + name)));
  std::string alerts;
  for (const char* run : {"run1.qex", "run2.qex"}) {
    DeleteFileW(alertFile_.c_str());
    RunToEnd(folder / run);
    alerts += Alerts();
  }
  const std::regex generated("#GEN \\d{8}");
  const struct {
    std::string golden;
    std::string written;
  } outputs[] = {
      {"first.golden.qex", ReadWholeFile(folder / "first.qex")},
      {"x.golden.si", std::regex_replace(ReadWholeFile(folder / "x.si"), generated, "#GEN <date>")},
      {"second.golden.qex", ReadWholeFile(folder / "second.qex")},
      {"alerts.golden.txt", std::regex_replace(alerts, std::regex("\"[^\"]*\\\\"), "\"")},
  };
  for (const auto& output : outputs)
    ExpectGolden(TestSourcePath(data + output.golden), output.written);
}

// An old Huffman-coded file whose stream ends with commands that save a text form and quit
// opens, and the file it saves equals the one its text-form twin saves.
TEST_F(ProgramRun, AnOldHuffmanFileOpensAndSavesLikeItsTextFormTwin) {
  const std::string data = "tests/database/huffman/data/";
  const std::string golden = TestSourcePath("tests/app/data/huffman/saved.golden.qex");
  for (const char* name : {"commands.qeb", "commands.qex"}) {
    ScratchFolder folder;
    WriteWholeFile(folder / name, ReadWholeFile(TestSourcePath(data + name)));
    DeleteFileW(alertFile_.c_str());
    RunToEnd(folder / name);
    // The Huffman file writes the golden file when asked; its twin is always compared.
    if (std::string(name) == "commands.qeb") {
      ExpectGolden(golden, ReadWholeFile(folder / "saved.qex"));
    } else {
      EXPECT_EQ(ReadWholeFile(folder / "saved.qex"), ReadWholeFile(golden)) << name;
    }
    EXPECT_EQ(Alerts(), "") << name;
  }
}

// A text form's commands import a bank file through its import setup, directly and through an
// XML command file: both saved files equal the one golden file, with nothing asked.
TEST_F(ProgramRun, ABankFileImportsThroughItsSetupFromCommandsAndXml) {
  const std::string data = "tests/app/data/textimport/";
  const std::string golden = TestSourcePath(data + "out.golden.qex");
  for (const char* run : {"bank.qex", "xml.qex"}) {
    ScratchFolder folder;
    for (const char* name : {"bank.qex", "xml.qex", "run.xml", "bank.txt"})
      WriteWholeFile(folder / name, ReadWholeFile(TestSourcePath(data + name)));
    DeleteFileW(alertFile_.c_str());
    RunToEnd(folder / run);
    if (std::string(run) == "bank.qex") {
      ExpectGolden(golden, ReadWholeFile(folder / "out.qex"));
    } else {
      EXPECT_EQ(ReadWholeFile(folder / "out.qex"), ReadWholeFile(golden)) << run;
    }
    EXPECT_EQ(Alerts(), "") << run;
  }
}

// The sections of a text form that begin with the given header, each up to the next "##".
std::string Sections(const std::string& text, const std::string& header) {
  std::string found;
  for (size_t at = text.find(header); at != std::string::npos; at = text.find(header, at + 1)) {
    if (at != 0 && text[at - 1] != '\n') continue;
    size_t end = text.find("\n##", at);
    found += text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
  }
  return found;
}

// A text form's commands import accounts through its dimension import setup (parent links by
// code; a row whose parent is missing is skipped) and delete the subsets named "Tmp*": the saved
// dimension and subset sections equal their golden bytes, with nothing asked.
TEST_F(ProgramRun, ADimensionImportSetupAndASubsetFilterRunFromCommands) {
  const std::string data = "tests/app/data/dimensions/";
  ScratchFolder folder;
  for (const char* name : {"accounts.qex", "accounts.txt"})
    WriteWholeFile(folder / name, ReadWholeFile(TestSourcePath(data + name)));
  RunToEnd(folder / "accounts.qex");
  const std::string saved = ReadWholeFile(folder / "out.qex");
  ExpectGolden(TestSourcePath(data + "out.golden.qex"),
               Sections(saved, "##Dimension\t") + Sections(saved, "##Subset\t"));
  EXPECT_EQ(Alerts(), "");
}

// A subset flagged to open with its database opens its editor, titled with its name.
TEST_F(ProgramRun, ASubsetFlaggedToOpenShowsItsEditor) {
  const std::string data = "tests/app/data/dimensions/";
  ScratchFolder folder;
  WriteWholeFile(folder / "opened.qex", ReadWholeFile(TestSourcePath(data + "opened.qex")));
  Start(L"\"" + WidePathText((folder / "opened.qex").c_str()) + L"\"");
  EXPECT_NE(WaitForDocument(L"Monthly check"), nullptr);
  Close();
  EXPECT_EQ(Alerts(), "");
}

// Stored objects keep their lists' order through a save: save setups and macros by name
// (letter case ignored), a nameless setup under its default name.
TEST_F(ProgramRun, StoredObjectListsSaveInNameOrder) {
  const std::string data = "tests/app/data/objects/";
  ScratchFolder folder;
  WriteWholeFile(folder / "lists.qex", ReadWholeFile(TestSourcePath(data + "lists.qex")));
  Start(L"\"" + WidePathText((folder / "lists.qex").c_str()) + L"\"");
  ASSERT_TRUE(deadline_.WaitFor(process_.hProcess)) << Alerts();
  EXPECT_EQ(ExitCode(), 0u);
  const std::string golden = TestSourcePath(data + "out.golden.qex");
  ExpectGolden(golden, ReadWholeFile(folder / "out.qex"));
  EXPECT_EQ(Alerts(), "");
}

// A text form with web users, a time scale whose periods are out of order, a macro that runs
// itself and a start macro that logs, runs it, writes, saves, sets a password and saves a
// protected container: the recursion is refused and reported, the saved sections equal their
// golden file (the time scale sorted, "S-" for the running start macro), and the password stands
// in clear in no file the run wrote but in the start macro's own steps.
TEST_F(ProgramRun, AStartMacroRunsAtOpeningAndLeavesNoClearPassword) {
  const std::string data = "tests/app/data/objects/";
  ScratchFolder folder;
  WriteWholeFile(folder / "macros.qex", ReadWholeFile(TestSourcePath(data + "macros.qex")));
  Start(L"\"" + WidePathText((folder / "macros.qex").c_str()) + L"\"");
  ASSERT_TRUE(deadline_.WaitFor(process_.hProcess)) << Alerts();
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_NE(ReadWholeFile(folder / "ran.txt").find("started"), std::string::npos);
  const std::string log = ReadWholeFile(folder / "run.log") + Alerts();
  EXPECT_NE(log.find("Macro \"Loop\" called recursively."), std::string::npos) << log;
  EXPECT_NE(log.find("password *"), std::string::npos) << log;
  const std::string golden = TestSourcePath(data + "macros.golden.qex");
  if (std::getenv("QEB_UPDATE_GOLDEN") != nullptr) {
    WriteWholeFile(golden, ReadWholeFile(folder / "out.qex"));
  } else {
    EXPECT_EQ(ReadWholeFile(folder / "out.qex"), ReadWholeFile(golden));
  }
  EXPECT_FALSE(ReadWholeFile(folder / "p.qeb").empty());
  // out.qex holds it only inside the start macro's own steps, which were saved before the
  // password was set.
  for (const char* name : {"ran.txt", "run.log", "p.qeb"})
    EXPECT_EQ(ReadWholeFile(folder / name).find("s3cret"), std::string::npos) << name;
  EXPECT_EQ(ReadWholeFile(folder / "out.qex").find("##Protection"), std::string::npos);
  EXPECT_EQ(Alerts().find("s3cret"), std::string::npos);
}

// The template golden files, a file whose one template path has 100,000 parts and the example
// database each open in the real program, which ends with 0 on a posted close without a word.
TEST_F(ProgramRun, TemplateFilesOpenWithoutAWord) {
  ScratchFolder folder;
  std::string deep = "\xEF\xBB\xBF##QEB-Text\t121122\r\n\r\n##Templates\r\n#C\t";
  for (int i = 0; i < 100000; ++i) deep += "p: ";
  deep += "Deep\r\n\r\n##End\r\n";
  WriteWholeFile(folder / "deep.qex", deep);
  const std::string files[] = {
      TestSourcePath("tests/database/templatesections/data/templates.qex"),
      TestSourcePath("tests/database/templatesections/data/templates.qeb"),
      folder / "deep.qex",
      TestSourcePath("examples/Example.qeb"),
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    DeleteFileW(alertFile_.c_str());
    Start(L"\"" + WidePathText(file.c_str()) + L"\"");
    Close();
    EXPECT_EQ(Alerts(), "");
  }
}

// The template golden text with a command section that duplicates one template, deletes another
// and saves: what the program writes equals its golden file.
TEST_F(ProgramRun, TemplateCommandsDuplicateDeleteAndSave) {
  const std::string data = "tests/app/data/templates/";
  ScratchFolder folder;
  WriteWholeFile(folder / "run.qex", ReadWholeFile(TestSourcePath(data + "run.qex")));
  Start(L"\"" + WidePathText((folder / "run.qex").c_str()) + L"\"");
  ASSERT_TRUE(deadline_.WaitFor(process_.hProcess)) << Alerts();
  EXPECT_EQ(ExitCode(), 0u);
  const std::string golden = TestSourcePath(data + "out.golden.qex");
  ExpectGolden(golden, ReadWholeFile(folder / "out.qex"));
  EXPECT_EQ(Alerts(), "");
}

// A copy of the example's text form ending in a "##Commands" section exports the stored month
// cards template as text, HTML and XML and quits: the files equal the goldens that the cards
// window's in-process test writes from the same template (tests/analysis/cards/sheet), with no
// alert and exit code 0; the output check reads the goldens (xmllint and the HTML reading).
TEST_F(ProgramRun, TheExampleExportsItsCardsTemplateInThreeFormats) {
  ScratchFolder folder;
  std::string text = ReadWholeFile(TestSourcePath("examples/Example.qex"));
  const size_t end = text.rfind("##End");
  ASSERT_NE(end, std::string::npos);
  // "modify" replaces every record: the template's own records (its notes aside, which no export
  // here shows) are given again with the format's switch, on one line with "\r" between them.
  const std::string start = "#C\tVerifikationer: Mars 2026\r\n";
  size_t at = text.find(start);
  ASSERT_NE(at, std::string::npos);
  at += start.size();
  std::string records;
  while (at < text.size() && text[at] != '#') {
    size_t next = text.find("\r\n", at);
    std::string line = text.substr(at, next - at);
    at = next + 2;
    if (line.empty() || line.rfind("xN\t", 0) == 0) continue;
    std::replace(line.begin(), line.end(), '\t', ' ');
    records += line + "\\r";
  }
  text = text.substr(0, end) + "##Commands\r\n" +
         "export \"Verifikationer: Mars 2026\" cards.txt\r\n" +
         "modify \"Verifikationer: Mars 2026\" " + records + "xew\r\n" +
         "export \"Verifikationer: Mars 2026\" cards.htm\r\n" +
         "modify \"Verifikationer: Mars 2026\" " + records + "xex\r\n" +
         "export \"Verifikationer: Mars 2026\" cards.xml\r\n" +
         "quit\r\n"
         "##End\r\n";
  WriteWholeFile(folder / "Example.qex", text);
  RunToEnd(folder / "Example.qex");
  // The HTML page's card links name the database file, which the in-process window has not.
  const std::regex link("<a card=\"\\[[^\\]\"]*\\]([^\"]*)\">Example\\.qex: ");
  for (const char* name : {"cards.txt", "cards.htm", "cards.xml"}) {
    EXPECT_EQ(std::regex_replace(ReadWholeFile(folder / name), link, "<a card=\"[]$1\">: "),
              ReadWholeFile(TestSourcePath(std::string("tests/app/data/cards/") + name)))
        << name;
  }
  EXPECT_EQ(Alerts(), "");
}

// The numbers of a text export's cells (the tab-separated fields of a line), empty ones as NaN.
std::vector<double> Numbers(const std::string& line) {
  std::vector<double> numbers;
  size_t start = 0;
  for (;;) {
    const size_t end = line.find('\t', start);
    const std::string field = line.substr(start, end == std::string::npos ? end : end - start);
    char* stop = nullptr;
    const double n = std::strtod(field.c_str(), &stop);
    numbers.push_back(field.empty() || *stop ? std::nan("") : n);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return numbers;
}

// A lines template of a small file exported by its command section as text and, after "modify"
// sets the XML format and the title, as XML: both equal their golden files, the XML is left for
// xmllint, and the statistic rows equal what the data rows of the same export give. After
// "modify" sets the curve view, the export is a picture of the diagram.
TEST_F(ProgramRun, ALinesTemplateExportsItsRowsAndStatistics) {
  const std::string data = "tests/app/data/lines/";
  ScratchFolder folder;
  WriteWholeFile(folder / "run.qex", ReadWholeFile(TestSourcePath(data + "run.qex")));
  RunToEnd(folder / "run.qex");
  EXPECT_EQ(Alerts(), "");
  const std::string text = ReadWholeFile(folder / "lines.txt");
  const std::string xml = ReadWholeFile(folder / "lines.xml");
  ExpectGolden(TestSourcePath(data + "lines.golden.txt"), text);
  ExpectGolden(TestSourcePath(data + "lines.golden.xml"), xml);
  LeaveTestOutput("app", "lines.xml", xml);
  // In its curve view the same export draws the diagram, kept for the contact sheets.
  const std::string picture = ReadWholeFile(folder / "curve.bmp");
  EXPECT_GT(picture.size(), 10000u);
  EXPECT_EQ(picture.rfind("BM", 0), 0u);
  WriteWholeFile("app_lines_curve.bmp", picture);
  // The oracle reads the rows' fields: card id, title, line text, value, accumulated; a statistic
  // row has its name and a colon in the title field.
  std::map<std::string, std::vector<double>> statistics;
  std::vector<std::string> ids;
  std::vector<double> values;
  std::vector<double> balances;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    const std::vector<double> cells = Numbers(line);
    const size_t first = line.find('\t');
    const size_t second = line.find('\t', first + 1);
    if (cells.size() < 4 || first == std::string::npos || second == std::string::npos) continue;
    const std::string title = line.substr(first + 1, second - first - 1);
    if (!title.empty() && title.back() == ':') {
      statistics[title.substr(0, title.size() - 1)] = cells;
    } else if (cells.size() >= 5) {
      ids.push_back(line.substr(0, first));
      values.push_back(cells[3]);
      balances.push_back(cells[4]);
    }
  }
  ASSERT_EQ(values.size(), 6u) << text;
  double sum = 0, positive = 0, negative = 0;
  for (double v : values) {
    sum += v;
    (v > 0 ? positive : negative) += v;
  }
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  // Balance-days of the running balance from the first card's day to the day after the last
  // card's, at 5 % linear.
  auto day = [](const std::string& id) {
    const int y = 2000 + std::stoi(id.substr(0, 2)), m = std::stoi(id.substr(2, 2)),
              d = std::stoi(id.substr(4, 2));
    return std::chrono::sys_days(std::chrono::year(y) / m / d).time_since_epoch().count();
  };
  double balanceDays = 0;
  for (size_t i = 0; i + 1 < ids.size(); ++i)
    balanceDays += balances[i] * static_cast<double>(day(ids[i + 1]) - day(ids[i]));
  balanceDays += balances.back();
  const long days = day(ids.back()) - day(ids.front()) + 1;
  auto shown = [](double v) { return std::round(v * 100) / 100; };
  auto cell = [&](const char* name, size_t field) {
    const std::vector<double>& cells = statistics[name];
    return cells.size() > field ? cells[field] : std::nan("");
  };
  const struct {
    const char* name;
    size_t field;
    double expected;
  } rows[] = {{"Sum Before", 3, 0},
              {"Positive", 3, positive},
              {"Negative", 3, negative},
              {"Period", 3, sum},
              {"Period", 4, balances.back()},
              {"Sum After", 3, 0},
              {"Sum After", 4, balances.back()},
              {"Number of Lines", 3, 6},
              {"Number of Cards", 3, 4},
              {"Average", 3, shown(sum / 6)},
              {"Average", 4, shown(balanceDays / static_cast<double>(days))},
              {"Median", 3, shown((sorted[2] + sorted[3]) / 2)},
              {"Maximum", 3, sorted.back()},
              {"Maximum", 4, *std::max_element(balances.begin(), balances.end())},
              {"Minimum", 3, sorted.front()},
              {"Minimum", 4, 0},
              {"Interest (+)", 3, shown(balanceDays * 5 / 36500)}};
  for (const auto& row : rows)
    EXPECT_NEAR(cell(row.name, row.field), row.expected, 1e-9) << row.name << " " << row.field;
}

// A text form's commands set the signature, transform the cards of one stored cards template by
// title, line-text and value rules, aggregate another's by months with the accounts coarsened
// away, save and quit: the saved file equals its golden file (the times of the "TST" stamps
// masked) and nothing is asked.
TEST_F(ProgramRun, CommandsTransformAndAggregateStoredCardsTemplates) {
  const std::string data = "tests/app/data/transform/";
  ScratchFolder folder;
  WriteWholeFile(folder / "run.qex", ReadWholeFile(TestSourcePath(data + "run.qex")));
  RunToEnd(folder / "run.qex");
  const std::regex stamped("\\d{10}TST");
  ExpectGolden(TestSourcePath(data + "saved.golden.qex"),
               std::regex_replace(ReadWholeFile(folder / "saved.qex"), stamped, "<time>TST"));
  EXPECT_EQ(Alerts(), "");
}

// The example's two components templates exported by a command section of a copy of its text
// form: the program ends by itself with 0, no alert, and each file is the window's XML form. The
// files stay in the test output folder for the XML check that runs after the tests.
TEST_F(ProgramRun, TheExamplesComponentsTemplatesExportTheirXml) {
  ScratchFolder folder;
  std::string text = ReadWholeFile(TestSourcePath("examples/Example.qex"));
  const size_t end = text.rfind("##End");
  ASSERT_NE(end, std::string::npos);
  std::string target = folder / "";
  if (const char* root = std::getenv("QEB_TEST_OUTPUT_DIR")) {
    target = std::string("Z:") + root + "\\app_components\\";
    for (char& c : target)
      if (c == '/') c = '\\';
    CreateDirectoryA(target.substr(0, target.size() - 1).c_str(), nullptr);
  }
  const std::string commands = "##Commands\r\nexport \"Komponenter: Kontoplan\" \"" + target +
                               "accounts.xml\"\r\nexport \"Komponenter: Avdelningar per konto\" \"" +
                               target + "departments.xml\"\r\nquit\r\n";
  text.insert(end, commands);
  WriteWholeFile(folder / "run.qex", text);
  RunToEnd(folder / "run.qex");
  EXPECT_EQ(Alerts(), "");
  for (const char* name : {"accounts.xml", "departments.xml"}) {
    const std::string xml = ReadWholeFile(target + name);
    EXPECT_NE(xml.find("<QEB-Components>"), std::string::npos) << name;
    EXPECT_NE(xml.find("<component code=\"1\""), std::string::npos) << name;
  }
}

// The example's time functions template and its sales lines template exported as text by a
// "##Commands" section: the program ends by itself without an alert, and both exports stay in the
// test folder, where tfunc_outside.py sums the lines per month itself and matches the table.
TEST_F(ProgramRun, TheExamplesTimeFunctionsMatchItsSalesLinesPerMonth) {
  ScratchFolder folder;
  std::string text = ReadWholeFile(TestSourcePath("examples/Example.qex"));
  const size_t end = text.rfind("##End");
  ASSERT_NE(end, std::string::npos);
  text.insert(end, "##Commands\r\nexport \"Tidsfunktioner: F\xC3\xB6rs\xC3\xA4ljning per m\xC3\xA5nad\" tfunc.txt\r\n"
                   "export \"Rader: F\xC3\xB6rs\xC3\xA4ljning varor\" lines.txt\r\nquit\r\n");
  WriteWholeFile(folder / "run.qex", text);
  RunToEnd(folder / "run.qex");
  EXPECT_EQ(Alerts(), "");
  const std::string tfunc = ReadWholeFile(folder / "tfunc.txt");
  const std::string lines = ReadWholeFile(folder / "lines.txt");
  EXPECT_NE(tfunc.find("Totals"), std::string::npos);
  EXPECT_GT(lines.size(), 1000u);
  WriteWholeFile("app_tfunc_export.txt", tfunc);
  WriteWholeFile("app_lines_export.txt", lines);
}

// The example's component functions template exported by a command section of a copy of its
// text form: the program ends by itself with 0, no alert, and the file is the window's XML form
// with the root's totals. It stays in the test output folder for the XML check.
TEST_F(ProgramRun, TheExamplesComponentFunctionsTemplateExportsItsXml) {
  ScratchFolder folder;
  std::string text = ReadWholeFile(TestSourcePath("examples/Example.qex"));
  const size_t end = text.rfind("##End");
  ASSERT_NE(end, std::string::npos);
  std::string target = folder / "";
  if (const char* root = std::getenv("QEB_TEST_OUTPUT_DIR")) {
    target = std::string("Z:") + root + "\\app_component_functions\\";
    for (char& c : target)
      if (c == '/') c = '\\';
    CreateDirectoryA(target.substr(0, target.size() - 1).c_str(), nullptr);
  }
  text.insert(end, "##Commands\r\nexport \"Komponentfunktioner: Konton\" \"" + target +
                       "functions.xml\"\r\nquit\r\n");
  WriteWholeFile(folder / "run.qex", text);
  RunToEnd(folder / "run.qex");
  EXPECT_EQ(Alerts(), "");
  const std::string xml = ReadWholeFile(target + "functions.xml");
  EXPECT_NE(xml.find("<QEB-ComponentFunctions>\r\n"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<component root=\"Konton\">\r\n<column name=\"Antal rader\">7889</column>"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("</QEB-ComponentFunctions>"), std::string::npos);
}

// Runs the step on a thread of the program's desktop: window searches see only the calling
// thread's desktop.
void OnDesktop(const std::function<void()>& step) {
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* argument) -> DWORD {
        if (HDESK desktop = OpenDesktopW(kTestDesktop, 0, FALSE, GENERIC_ALL)) SetThreadDesktop(desktop);
        (*static_cast<const std::function<void()>*>(argument))();
        return 0;
      },
      const_cast<std::function<void()>*>(&step), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

// The process's visible top-level windows other than its frame: its dialogs.
std::set<HWND> Dialogs(DWORD process, HWND frame) {
  struct Search {
    DWORD process;
    HWND frame;
    std::set<HWND> found;
  } search{process, frame, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s->process && window != s->frame && IsWindowVisible(window)) s->found.insert(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Keys pressed together and let go in reverse order, as the user types them; they reach the
// foreground window of the calling thread's desktop.
void Press(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto key = keys.end(); key != keys.begin();) {
    --key;
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *key;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The stored templates of a text form, each as the parts of its path, in the order the file
// keeps them: the tree's order, which the Analysis menu shows.
std::vector<std::vector<std::string>> StoredTemplates(const std::string& text) {
  std::vector<std::vector<std::string>> paths;
  size_t at = text.find("\r\n##Templates\r\n");
  if (at == std::string::npos) return paths;
  at += 2;
  for (;;) {
    at = text.find("\r\n#", at);
    if (at == std::string::npos || text.compare(at + 2, 2, "##") == 0) break;
    at += 2;
    const size_t end = text.find("\r\n", at);
    const std::string line = text.substr(at, end - at);
    if (line.size() < 4 || line[2] != '\t') continue;
    std::vector<std::string> parts;
    for (size_t from = 3;;) {
      const size_t colon = line.find(": ", from);
      parts.push_back(line.substr(from, colon == std::string::npos ? colon : colon - from));
      if (colon == std::string::npos) break;
      from = colon + 2;
    }
    paths.push_back(parts);
  }
  return paths;
}

// How many entries come before the path's part at each level: its folders' and templates'
// places among their siblings, the siblings counted in the order they first appear.
std::vector<int> MenuPlaces(const std::vector<std::vector<std::string>>& paths, size_t which) {
  std::vector<int> places;
  const std::vector<std::string>& path = paths[which];
  for (size_t level = 0; level < path.size(); ++level) {
    std::vector<std::string> siblings;
    for (const auto& other : paths) {
      if (other.size() <= level || !std::equal(path.begin(), path.begin() + level, other.begin()))
        continue;
      if (std::find(siblings.begin(), siblings.end(), other[level]) == siblings.end())
        siblings.push_back(other[level]);
    }
    places.push_back(static_cast<int>(std::find(siblings.begin(), siblings.end(), path[level]) -
                                      siblings.begin()));
  }
  return places;
}

std::vector<HWND> Documents(HWND frame) {
  std::vector<HWND> found;
  HWND client = FindWindowExW(frame, nullptr, L"MDIClient", nullptr);
  for (HWND child = FindWindowExW(client, nullptr, nullptr, nullptr); child;
       child = FindWindowExW(client, child, nullptr, nullptr))
    found.push_back(child);
  return found;
}

void EmptyClipboardOfTheDesktop() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

std::string Title(HWND window) {
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  return Narrow(title);
}

// The menu's own entries before the templates: five new windows, Set Defaults, Install Template
// and Remove Template; the menu bar's menus before it: File, Edit and Database.
constexpr int kAnalysisEntries = 8;
constexpr int kMenusBeforeAnalysis = 3;

// Chooses the stored template from the Analysis menu with the keys a user presses: Alt, the arrows
// to the menu and down to the entry, Right into each folder, Enter.
void ChooseTemplate(const std::vector<std::vector<std::string>>& templates, size_t which) {
  Press({VK_MENU});
  for (int n = 0; n < kMenusBeforeAnalysis; ++n) Press({VK_RIGHT});
  const std::vector<int> places = MenuPlaces(templates, which);
  for (size_t level = 0; level < places.size(); ++level) {
    Press({level == 0 ? static_cast<WORD>(VK_DOWN) : static_cast<WORD>(VK_RIGHT)});
    for (int n = 0; n < places[level] + (level == 0 ? kAnalysisEntries : 0); ++n) Press({VK_DOWN});
  }
  Press({VK_RETURN});
}

std::string JoinedPath(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& part : parts) path += (path.empty() ? "" : ": ") + part;
  return path;
}

// The clipboard's text (UTF-8), empty when it holds none.
std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = Narrow(wide);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

class ProgramTour : public ProgramRun {
 protected:
  // Starts the program on a copy of the example and waits for its database window; the tour's
  // window calls run on the program's desktop (OnDesktop).
  void StartOnExample() {
    const std::string copy = folder_ / "Tour.qeb";
    WriteWholeFile(copy, ReadWholeFile(TestSourcePath("examples/Example.qeb")));
    templates_ = StoredTemplates(ReadWholeFile(TestSourcePath("examples/Example.qex")));
    ASSERT_EQ(templates_.size(), 11u);
    Start(L"\"" + WidePathText(copy.c_str()) + L"\"");
    ASSERT_NE(WaitForDocument(L"Tour.qeb"), nullptr);
    frame_ = WaitForFrame(kTestDesktop, process_.dwProcessId, deadline_);
  }

  // Opens the template from the menu by keys and waits for its window in front.
  HWND OpenTemplate(size_t which) {
    const size_t before = Documents(frame_).size();
    ChooseTemplate(templates_, which);
    if (!deadline_.Until([&] { return Documents(frame_).size() > before; })) return nullptr;
    return Documents(frame_).front();
  }

  size_t Find(const std::string& path) const {
    for (size_t i = 0; i < templates_.size(); ++i)
      if (JoinedPath(templates_[i]) == path) return i;
    ADD_FAILURE() << "no template " << path;
    return 0;
  }

  ScratchFolder folder_;
  std::vector<std::vector<std::string>> templates_;
  HWND frame_ = nullptr;
};

// Every stored template of a copy of the example opened from the Analysis menu by keys: each
// shows its window, titled by its path, and the program ends with 0 and no alert.
TEST_F(ProgramTour, EveryStoredTemplateOpensFromTheAnalysisMenuByKeys) {
  StartOnExample();
  OnDesktop([&] {
    SetForegroundWindow(frame_);
    for (size_t i = 0; i < templates_.size(); ++i) {
      const std::string path = JoinedPath(templates_[i]);
      SCOPED_TRACE(path);
      ASSERT_NE(OpenTemplate(i), nullptr) << Alerts();
      // The new window may take a moment to come in front; it is there by its title.
      EXPECT_TRUE(deadline_.Until([&] {
        for (HWND document : Documents(frame_))
          if (Title(document) == path) return true;
        return false;
      }));
    }
  });
  Close();
  EXPECT_EQ(Alerts(), "");
}

// A cards and a lines window calculated by Enter (their Calc button is the default): Copy Table's
// key (Ctrl+T) then puts the window's rows on the clipboard as text, one line a row, and Adjust
// Column Widths' key (F6) runs without a word.
TEST_F(ProgramTour, CalculatedWindowsCopyTheirRowsAndAdjustTheirColumnsByKeys) {
  StartOnExample();
  OnDesktop([&] {
    SetForegroundWindow(frame_);
    for (const char* path : {"Verifikationer: Mars 2026", "Rader: F\xC3\xB6rs\xC3\xA4ljning varor"}) {
      SCOPED_TRACE(path);
      ASSERT_NE(OpenTemplate(Find(path)), nullptr) << Alerts();
      EmptyClipboardOfTheDesktop();
      Press({VK_RETURN});
      // Until the calculation ends the key finds nothing to copy.
      std::string copied;
      ASSERT_TRUE(deadline_.Until([&] {
        Press({VK_CONTROL, 'T'});
        copied = ClipboardText();
        return !copied.empty();
      })) << Alerts();
      EXPECT_GT(std::count(copied.begin(), copied.end(), '\n'), 3) << copied;
      EXPECT_NE(copied.find('\t'), std::string::npos) << copied;
      Press({VK_F6});
    }
  });
  Close();
  EXPECT_EQ(Alerts(), "");
}

// Import's key (Ctrl+I) in the database window shows the file dialog, which Escape cancels,
// leaving the program as it was.
TEST_F(ProgramTour, ImportsKeyShowsTheFileDialogWhichCancels) {
  StartOnExample();
  OnDesktop([&] {
    SetForegroundWindow(frame_);
    ASSERT_TRUE(Dialogs(process_.dwProcessId, frame_).empty());
    Press({VK_CONTROL, 'I'});
    std::set<HWND> dialogs;
    ASSERT_TRUE(deadline_.Until(
        [&] { return !(dialogs = Dialogs(process_.dwProcessId, frame_)).empty(); }))
        << Alerts();
    for (HWND dialog : dialogs) {
      wchar_t name[16] = {};
      GetClassNameW(dialog, name, 16);
      EXPECT_STREQ(name, L"#32770");
    }
    Press({VK_ESCAPE});
    EXPECT_TRUE(deadline_.Until([&] { return Dialogs(process_.dwProcessId, frame_).empty(); }));
  });
  Close();
  EXPECT_EQ(Alerts(), "");
}

}  // namespace
}  // namespace app_test
