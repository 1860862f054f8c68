#include "database/operation_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../core/streams/scratch_folder.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/file_dialogs.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/log_file.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "logs_fixture.h"

namespace {

// The lines of a log file as written: the byte-order mark, then each line with CR LF.
std::string LogFileText(const std::vector<std::string>& lines) {
  std::string text = "\xEF\xBB\xBF";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

AlertRequest Alert(int32_t message, const char* text) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  AlertAddText(&request, text);
  return request;
}

class OperationLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    base = new T_Base((folder / "shop.qeb").c_str(), 0);
  }
  void TearDown() override {
    delete base;
    PendingErrorClear();
  }

  ScratchFolder folder;
  PinnedClock clock;
  ScriptedUser user;  // below every log the database pushes
  T_Base* base = nullptr;
};

TEST_F(OperationLogTest, GoldenLogOfEveryVerbAndStepFlag) {
  LogFilesInstall();
  std::string path = folder / "steps.log";
  OpenErrorLog(base, "steps.log", true);
  ASSERT_NE(base->operationLog, nullptr);

  LogFile(base, "C:\\data\\shop.qeb", 8449);
  LogOperation(base, "characters section", nullptr, kLogVerbLoaded);
  LogOperation(base, "analysis template section", nullptr, 259);
  LogOperation(base, "analysis template", "Sales: Month", kLogVerbLoaded);
  uint64_t start = PinnedClock::Tick();
  PinnedClock::Tick() += 1500;
  LogLoadTime(base, "templates", 1, start);
  LogOperation(base, "analysis template section", nullptr, 518);
  for (int32_t code = 0; code <= 16; ++code) LogOperation(base, "macro", "Daily", code);
  LogOperation(base, "open-direct commands", nullptr, 8453);
  AlertRequest alert = Alert(3811, "shop.qeb");
  ShowAlert(&alert);  // an alert of the database goes into its log, prefixed
  LogOperation(base, "open-direct commands", nullptr, 8710);
  LogFile(base, "C:\\out.txt", 8452);
  LogFile(base, "C:\\out.txt", 8710);
  LogFile(base, "C:\\data\\shop.qeb", 8719);
  CloseAlertLog(base, true);
  SetLogEntrySink(nullptr);

  EXPECT_EQ(base->alertLog, nullptr);
  EXPECT_EQ(base->operationLog, nullptr);
  EXPECT_TRUE(user.asked.empty());  // the log answered the alert itself
  EXPECT_EQ(ReadWholeFile(path), LogFileText({
                                     "Logfile created at 2024-05-06 10:20:30",
                                     "Opening file \"C:\\data\\shop.qeb\" at 10:20:30",
                                     "  Loaded characters section",
                                     "  Reading analysis template section",
                                     "    Loaded analysis template \"Sales: Month\"",
                                     "    Loaded 1 templates in 1.500 seconds",
                                     "  Completed analysis template section",
                                     "   macro \"Daily\"",
                                     "  Opening macro \"Daily\"",
                                     "  Closing macro \"Daily\"",
                                     "  Reading macro \"Daily\"",
                                     "  Writing macro \"Daily\"",
                                     "  Executing macro \"Daily\"",
                                     "  Completed macro \"Daily\"",
                                     "  Loaded macro \"Daily\"",
                                     "  Skipped macro \"Daily\"",
                                     "  Calculated macro \"Daily\"",
                                     "  Installed macro \"Daily\"",
                                     "  Transformed macro \"Daily\"",
                                     "  Aggregated macro \"Daily\"",
                                     "  Deleted macro \"Daily\"",
                                     "  Changed macro \"Daily\"",
                                     "  Closed macro \"Daily\"",
                                     "   macro \"Daily\"",
                                     "  Executing open-direct commands at 10:20:30",
                                     "    Error: File \"shop.qeb\" is corrupted.",
                                     "  Completed open-direct commands at 10:20:30",
                                     "  Writing file \"C:\\out.txt\" at 10:20:30",
                                     "  Completed file \"C:\\out.txt\" at 10:20:30",
                                     "Closed file \"C:\\data\\shop.qeb\" at 10:20:30",
                                     "Logfile closed at 2024-05-06 10:20:30",
                                 }));
}

TEST_F(OperationLogTest, StepLinesWithoutKindOrName) {
  LogCapture capture;
  LogOperation(base, "base options", nullptr, kLogVerbLoaded);  // no log yet: nothing
  OpenErrorFile(base, (folder / "run.log").c_str(), false, 0, true, false);
  LogOperation(base, "base options", nullptr, kLogVerbLoaded);
  LogOperation(base, "base options", "", 0);
  LogOperation(base, nullptr, "x", kLogVerbDeleted);
  LogOperation(base, nullptr, nullptr, kLogVerbSkipped);
  EXPECT_EQ(LogCapture::Lines(), (std::vector<std::string>{"Loaded base options", " base options",
                                                           "Deleted \"x\"", "Skipped"}));
}

TEST_F(OperationLogTest, LoadTimeInSecondsWithTheDecimalSeparator) {
  SeparatorPair saved = SeparatorsGet();
  OpenErrorFile(base, (folder / "run.log").c_str(), false, 0, true, false);
  struct Case {
    SeparatorPair separators;
    uint64_t milliseconds;
    const char* line;
  };
  const Case cases[] = {
      {{'.', ','}, 250, "Loaded 1234 components in 0.250 seconds"},
      {{',', '.'}, 250, "Loaded 1234 components in 0,250 seconds"},
      {{'.', ','}, 61007, "Loaded 1234 components in 61.007 seconds"},
      {{'.', ','}, 0, "Loaded 1234 components in 0.000 seconds"},
  };
  for (const Case& c : cases) {
    LogCapture capture;
    SeparatorsSet(c.separators);
    uint64_t start = PinnedClock::Tick();
    PinnedClock::Tick() += c.milliseconds;
    LogLoadTime(base, "components", 1234, start);
    EXPECT_EQ(LogCapture::Lines(), std::vector<std::string>{c.line});
  }
  SeparatorsSet(saved);
}

TEST_F(OperationLogTest, ErrorFileBesideTheDatabaseUnlessNamed) {
  T_TextBuf path;
  ErrorFilePath(base, &path);
  EXPECT_EQ(std::string(path.c_str()), folder / "Errors.txt");

  SetErrorFileName(base, "D:\\logs\\mine.txt");
  ErrorFilePath(base, &path);
  EXPECT_STREQ(path.c_str(), "D:\\logs\\mine.txt");
  SetErrorFileName(base, "");
  EXPECT_EQ(base->errorFileName, nullptr);

  T_Base untitled(nullptr, 7);  // no folder: the name alone
  ErrorFilePath(&untitled, &path);
  EXPECT_STREQ(path.c_str(), "Errors.txt");
}

TEST_F(OperationLogTest, ErrorLogWithAnEmptyNameSwallowsAlerts) {
  OpenErrorLog(base, "", true);
  ASSERT_NE(base->alertLog, nullptr);
  EXPECT_EQ(base->operationLog, nullptr);
  EXPECT_EQ(base->logChosenByCaller, 1);
  AlertRequest question = Alert(3811, "x");
  question.defaultAnswer = 1;
  EXPECT_EQ(ShowAlert(&question), 1);
  EXPECT_TRUE(user.asked.empty());

  // A named log replaces it, resolved beside the database.
  OpenErrorLog(base, "errors.log", false);
  EXPECT_TRUE(PathEqual(base->errorFileName, (folder / "errors.log").c_str()));
  EXPECT_EQ(base->operationLog, nullptr);
  EXPECT_EQ(AlertHandlerTop(), base->alertLog);
}

TEST_F(OperationLogTest, AskErrorLogOnlyWithoutALog) {
  std::string chosen = folder / "chosen.txt";
  PendingError.abort.store(true);
  FileDialogAnswerInAdvance(chosen.c_str());
  AskErrorLog(base);
  ASSERT_NE(base->alertLog, nullptr);
  EXPECT_EQ(AlertHandlerTop(), base->alertLog);
  EXPECT_STREQ(base->errorFileName, chosen.c_str());
  EXPECT_EQ(base->logChosenByCaller, 0);
  EXPECT_EQ(base->operationLog, nullptr);
  EXPECT_FALSE(AbortRequested());

  // With a log open the dialog is not even shown: its answer waits for the next one.
  T_AlertHandler* log = base->alertLog;
  FileDialogAnswerInAdvance((folder / "other.txt").c_str());
  AskErrorLog(base);
  EXPECT_EQ(base->alertLog, log);
  T_TextBuf unused;
  EXPECT_TRUE(FileSaveDialog(&unused, 0));

  // A cancelled dialog leaves no log, no pending cancel and no abort.
  CloseAlertLog(base, true);
  FileDialogAnswerInAdvance(nullptr);
  AskErrorLog(base);
  EXPECT_EQ(base->alertLog, nullptr);
  EXPECT_EQ(PendingError.request.message, 0);
  EXPECT_FALSE(AbortRequested());
}

TEST_F(OperationLogTest, SoftCloseKeepsAnAlertsOnlyLogWithItsNewPrefix) {
  LogCapture capture;
  OpenErrorFile(base, (folder / "run.log").c_str(), true, 2, true, true);
  auto* log = static_cast<T_LogAlerts*>(base->alertLog);
  EXPECT_EQ(log->language, 0);  // the operation log writes English
  EXPECT_EQ(log->append, 1);
  AlertRequest alert = Alert(3811, "a.qeb");
  ShowAlert(&alert);
  CloseAlertLog(base, false);
  EXPECT_EQ(base->alertLog, log);
  EXPECT_EQ(base->operationLog, log);
  ShowAlert(&alert);
  LogOperation(base, "file", "a.qeb", kLogVerbClosed);
  ASSERT_EQ(LogCapture::Lines().size(), 3u);
  EXPECT_EQ(LogCapture::Lines()[0].rfind("Error: ", 0), 0u);
  EXPECT_EQ(LogCapture::Lines()[1].rfind("Alert: ", 0), 0u);
  EXPECT_EQ(LogCapture::Lines()[2], "Closed file \"a.qeb\"");

  CloseAlertLog(base, true);
  EXPECT_EQ(base->alertLog, nullptr);
  EXPECT_EQ(base->alertsOnly, 0);

  // Without the alerts-only flag, or without an operation log, a soft close closes.
  const bool operationLogs[] = {true, false};
  for (bool withOperationLog : operationLogs) {
    OpenErrorFile(base, (folder / "run.log").c_str(), false, 2, withOperationLog, false);
    EXPECT_EQ(static_cast<T_LogAlerts*>(base->alertLog)->language, withOperationLog ? 0 : 2);
    CloseAlertLog(base, false);
    EXPECT_EQ(base->alertLog, nullptr);
  }
}

TEST_F(OperationLogTest, ClosingTheDatabaseLogsItAndFinishesTheLog) {
  LogFilesInstall();
  OpenErrorLog(base, "close.log", true);
  delete base;
  base = nullptr;
  SetLogEntrySink(nullptr);
  EXPECT_EQ(AlertHandlerTop(), &user);
  EXPECT_EQ(ReadWholeFile(folder / "close.log"),
            LogFileText({"Logfile created at 2024-05-06 10:20:30", "Closed database \"shop.qeb\"",
                         "Logfile closed at 2024-05-06 10:20:30"}));
}

TEST_F(OperationLogTest, FailuresOfARead) {
  PendingErrorSet(3811);
  FailOpen(base);
  EXPECT_EQ(base->errorFlag, 1);
  EXPECT_TRUE(AbortRequested());
  ASSERT_EQ(PendingError.request.buttonCount, 1);
  EXPECT_EQ(PendingError.request.buttons[0], kButtonCancel);

  PendingErrorClear();
  base->errorFlag = 0;
  EXPECT_TRUE(AbandonRead(base, false));
  EXPECT_EQ(base->errorFlag, 0);
  EXPECT_EQ(PendingError.request.message, kErrorCancelled);
  EXPECT_FALSE(AbandonRead(base, true));  // a pending error stands
  EXPECT_EQ(base->errorFlag, 1);
}

TEST_F(OperationLogTest, SaveKindFollowsTheFileKind) {
  const int32_t expected[] = {1, 1, 2, 2, 1, 5, 1, 5, 1, 1, 1, 1, 1, 1, 1};
  for (int32_t kind = 0; kind < 15; ++kind) {
    SetSaveKindFromFileKind(base, kind);
    EXPECT_EQ(base->saveKind, expected[kind]) << kind;
  }
}

TEST(SectionLines, PackedDatesAndHeaderLines) {
  T_OStream out;
  WritePackedDate(&out, PackDate(1996, 10, 8));
  out.PutChar('|');
  WritePackedDate(&out, 0);
  out.PutChar('|');
  WritePackedDate(&out, PackDate(2069, 12, 31));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.start), out.BufferedLength()),
            "19961008||20691231");

  std::string text = "##Cards\tx\r\nC\t##\r\n#\r\n";
  T_IStream in;
  in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  ASSERT_TRUE(in.NextLine());
  ASSERT_TRUE(in.NextField());
  EXPECT_TRUE(IsSectionHeaderLine(&in));
  ASSERT_TRUE(in.NextField());  // rewound: the tag again
  EXPECT_EQ(std::string(in.Field(), in.FieldLength()), "##Cards");
  ASSERT_TRUE(in.NextLine());
  EXPECT_FALSE(IsSectionHeaderLine(&in));
  ASSERT_TRUE(in.NextLine());
  EXPECT_FALSE(IsSectionHeaderLine(&in));
}

}  // namespace
