#include "core/alert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "core/alert_handlers.h"
#include "core/localized_text.h"
#include "core/threads.h"

namespace {

constexpr int32_t kDanish = 2;

// Stands where the dialogs will be: counts the questions that reach the bottom of the stack.
class RecordingHandler : public T_AlertHandler {
 public:
  void Notify(const AlertRequest* request) override { notified.push_back(request->message); }
  int32_t Ask(const AlertRequest* request) override {
    asked.push_back(request->message);
    return answer;
  }
  bool IsUnattended() override { return false; }

  std::vector<int32_t> notified;
  std::vector<int32_t> asked;
  int32_t answer = 702;
};

std::vector<std::string> logged;
void CaptureEntry(T_LogAlerts*, const char* line, int32_t) {
  if (line) logged.emplace_back(line);
  PendingErrorSet(607);  // a failing write must not reach the caller's pending error
}

uint64_t fakeTick = 0;
uint64_t FakeTick() { return fakeTick; }

class AlertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    PendingError.outOfMemoryShown = false;
    SetCurrentLanguage(0);
    logged.clear();
    SetLogEntrySink(CaptureEntry);
  }
  void TearDown() override {
    SetLogEntrySink(nullptr);
    SetTickSource(nullptr);
    SetCurrentLanguage(0);
    PendingErrorClear();
    ASSERT_EQ(AlertHandlerTop(), nullptr);
  }
};

AlertRequest Request(int32_t message, std::vector<const char*> texts, int32_t defaultAnswer = 0) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  request.defaultAnswer = defaultAnswer;
  for (const char* text : texts) AlertAddText(&request, text);
  return request;
}

std::string Formatted(const AlertRequest& request) {
  T_TextBuf text;
  AlertFormatText(&request, &text);
  return text.c_str();
}

TEST_F(AlertTest, TextsAreCutAtCharacterBoundaries) {
  const std::string a76(76, 'a');
  const std::string a75(75, 'a');
  const struct {
    std::string input;
    std::string stored;
  } cases[] = {
      {"abc", "abc"},
      {std::string(79, 'x'), std::string(79, 'x')},
      {std::string(80, 'x'), std::string(77, 'x') + ".."},
      {a76 + "\xC3\xA9" + "bb", a76 + ".."},           // 2-byte character over byte 77
      {a75 + "\xE2\x82\xAC" + "bb", a75 + ".."},       // 3-byte character over byte 77
      {a75 + "\xC3\xA9" + "bbb", a75 + "\xC3\xA9.."},  // ends exactly at 77
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    AlertRequest request = Request(700, {c.input.c_str()});
    EXPECT_EQ(request.texts[0], c.stored);
  }
  AlertRequest request = Request(700, {nullptr});
  EXPECT_STREQ(request.texts[0], "");
}

TEST_F(AlertTest, RequestKeepsFirstTextsAndButtons) {
  AlertRequest request = Request(700, {"1", "2", "3", "4", "5"});
  EXPECT_EQ(request.textCount, 4);
  EXPECT_STREQ(request.texts[3], "4");
  for (int32_t id = 700; id < 707; ++id) AlertAddButton(&request, id);
  EXPECT_EQ(request.buttonCount, 5);
  EXPECT_EQ(request.buttons[4], 704);
  AlertAddFileName(&request, "C:\\data\\books.qeb");  // full: ignored
  EXPECT_EQ(request.textCount, 4);
}

TEST_F(AlertTest, FormatFillsPlaceholdersOnce) {
  const struct {
    int32_t language;
    int32_t message;
    std::vector<const char*> texts;
    const char* expected;
  } cases[] = {
      {kDanish, 705, {"a", "b"}, "b af a"},
      {0, 3902, {"v", "a"}, "Unknown value \"v\" for attribute \"a\"."},
      {0, 3902, {"x", "@0"}, "Unknown value \"x\" for attribute \"@0\"."},
      {0, 3902, {"v"}, "Unknown value \"v\" for attribute \"@1\"."},
      {0, 605, {"@"}, "Unable to open file '@'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    SetCurrentLanguage(c.language);
    EXPECT_EQ(Formatted(Request(c.message, c.texts)), c.expected);
  }
  SetCurrentLanguage(0);
  AlertRequest file;
  AlertInit(&file);
  file.message = 605;
  AlertAddFileName(&file, "C:\\data\\books.qeb");
  EXPECT_EQ(Formatted(file), "Unable to open file 'books.qeb'");
  EXPECT_EQ(Formatted(Request(9950, {"a"})), "");  // no such text
  EXPECT_EQ(PendingError.request.message, 601);
}

TEST_F(AlertTest, WithoutHandlersTheDefaultAnswers) {
  AlertRequest request = Request(4408, {"t"}, 701);
  EXPECT_EQ(ShowAlert(&request), 701);
  EXPECT_TRUE(AlertsUnattended());
}

TEST_F(AlertTest, NoAlertsOverLogLogsAndAnswersDefault) {
  RecordingHandler dialogs;
  EXPECT_FALSE(AlertsUnattended());
  T_LogAlerts log("C:\\log.txt", false);
  log.silent = 0;
  {
    T_NoAlerts quiet;
    AlertRequest request = Request(3200, {"books.qeb"}, 701);
    EXPECT_EQ(ShowAlert(&request), 701);
    EXPECT_TRUE(AlertsUnattended());
    EXPECT_EQ(quiet.lastMessage, 3200);
    EXPECT_STREQ(quiet.lastText, "Do you want to save changes in \"books.qeb\"?");
  }
  EXPECT_EQ(logged, std::vector<std::string>{"Do you want to save changes in \"books.qeb\"?"});
  EXPECT_EQ(dialogs.notified, std::vector<int32_t>{3200});
  EXPECT_TRUE(dialogs.asked.empty());
  // Without the silent handler, a question goes through the log down to the dialogs.
  AlertRequest question = Request(4408, {"t"}, 701);
  EXPECT_EQ(ShowAlert(&question), 702);
  EXPECT_EQ(dialogs.asked, std::vector<int32_t>{4408});
}

TEST_F(AlertTest, HandlersUnlinkInAnyOrder) {
  auto* a = new T_NoAlerts;
  auto* b = new T_NoAlerts;
  auto* c = new T_NoAlerts;
  delete b;
  EXPECT_EQ(AlertHandlerTop(), c);
  EXPECT_EQ(c->next, a);
  delete a;
  EXPECT_EQ(c->next, nullptr);
  delete c;
  EXPECT_EQ(AlertHandlerTop(), nullptr);
}

TEST_F(AlertTest, NoAlertsCutsLongTextAtBoundary) {
  SetCurrentLanguage(kDanish);  // 706 is "@0@1@2@3"
  std::string text = "a";
  for (int i = 0; i < 26; ++i) text += "\xE2\x82\xAC";  // 79 bytes
  T_NoAlerts quiet;
  AlertRequest request = Request(706, {text.c_str(), text.c_str(), text.c_str(), text.c_str()});
  ShowAlert(&request);
  // Byte 198 starts a 3-byte character that would end past the 199 bytes allowed.
  EXPECT_EQ(std::string(quiet.lastText), (text + text + text).substr(0, 198));
}

TEST_F(AlertTest, LogWritesIndentPrefixAndKeepsPendingError) {
  T_LogAlerts log("C:\\log.txt", false);
  log.SetPrefix("DB: ");
  PendingErrorSet(605);
  LogWrite(&log, "a", kLogIndentAfter);
  LogWrite(&log, "b", kLogPrefix);
  LogWrite(&log, "c", kLogOutdentBefore);
  LogWrite(&log, "d", kLogOutdentBefore | kLogNoIndent);
  EXPECT_EQ(logged, (std::vector<std::string>{"a", "  DB: b", "c", "d"}));
  EXPECT_EQ(log.indent, 0);
  EXPECT_EQ(PendingError.request.message, 605);
}

TEST_F(AlertTest, LogFormatsInItsOwnLanguage) {
  SetCurrentLanguage(kDanish);
  T_LogAlerts log("C:\\log.txt", false);
  SetCurrentLanguage(0);
  AlertRequest request = Request(701, {});
  EXPECT_EQ(ShowAlert(&request), 0);  // silent after construction
  EXPECT_EQ(logged, std::vector<std::string>{"Annuller"});
  EXPECT_EQ(CurrentLanguage(), 0);
}

TEST_F(AlertTest, TagAlertsWriteEscapedErrorElements) {
  T_OStream out;
  {
    T_TagAlerts tags(&out);
    EXPECT_EQ(TagAlertsCount(), 1);
    AlertRequest request = Request(3900, {"<a&b>\x01"}, 703);
    EXPECT_EQ(ShowAlert(&request), 703);
  }
  EXPECT_EQ(TagAlertsCount(), 0);
  std::string written(reinterpret_cast<const char*>(out.start), out.BufferedLength());
  EXPECT_EQ(written, "<error>Unknown tag &quot;&lt;a&amp;b&gt; &quot;.</error>\r\n");
}

TEST_F(AlertTest, FirstPendingErrorStands) {
  enum Op { kSet605, kSet606, kOutOfMemory, kCancel, kClear };
  const struct {
    std::vector<Op> ops;
    int32_t message;
    int32_t beeps;
    bool abort;
  } cases[] = {
      {{kSet605}, 605, 1, true},
      {{kOutOfMemory}, 600, 0, true},
      {{kCancel}, -1, 0, true},
      {{kSet605, kSet606}, 605, 1, true},
      {{kSet605, kOutOfMemory}, 605, 1, true},
      {{kOutOfMemory, kSet605}, 600, 0, true},
      {{kCancel, kSet605}, -1, 0, true},
      {{kSet605, kClear, kSet606}, 606, 1, true},
      {{kSet605, kClear}, 0, 0, false},
  };
  for (const auto& c : cases) {
    PendingErrorClear();
    for (Op op : c.ops) {
      switch (op) {
        case kSet605:
          PendingErrorSet(605);
          break;
        case kSet606:
          PendingErrorSet(606);
          break;
        case kOutOfMemory:
          PendingErrorOutOfMemory();
          break;
        case kCancel:
          PendingErrorCancel();
          break;
        case kClear:
          PendingErrorClear();
          break;
      }
    }
    EXPECT_EQ(PendingError.request.message, c.message);
    EXPECT_EQ(PendingError.request.beeps, c.beeps);
    EXPECT_EQ(AbortRequested(), c.abort);
  }
  PendingErrorClear();
  EXPECT_TRUE(PendingErrorSet(605));
  EXPECT_FALSE(PendingErrorSet(606));
}

TEST_F(AlertTest, SaveAndRestoreRoundTrip) {
  PendingErrorSet(606);
  AlertAddText(&PendingError.request, "x.txt");
  PendingErrorSaved saved;
  PendingErrorSave(&saved);
  EXPECT_EQ(PendingError.request.message, 0);
  EXPECT_FALSE(AbortRequested());
  PendingErrorSet(607);
  PendingErrorRestore(&saved);
  EXPECT_EQ(PendingError.request.message, 606);
  EXPECT_STREQ(PendingError.request.texts[0], "x.txt");
  EXPECT_TRUE(AbortRequested());
}

TEST_F(AlertTest, ReportShowsOnceAndClears) {
  RecordingHandler dialogs;
  PendingErrorSet(605);
  AlertAddText(&PendingError.request, "a.txt");
  PendingErrorReport();
  EXPECT_EQ(dialogs.asked, std::vector<int32_t>{605});
  EXPECT_EQ(PendingError.request.message, 0);
  EXPECT_FALSE(AbortRequested());
  PendingErrorReport();  // nothing pending: nothing shown
  // A cancel is dropped silently and does not block the next error.
  PendingErrorCancel();
  PendingErrorReport();
  EXPECT_FALSE(AbortRequested());
  EXPECT_TRUE(PendingErrorSet(606));
  PendingErrorReport();
  EXPECT_EQ(dialogs.asked, (std::vector<int32_t>{605, 606}));
}

TEST_F(AlertTest, OutOfMemoryShownOncePerThreeSeconds) {
  RecordingHandler dialogs;
  SetTickSource(FakeTick);
  const struct {
    uint64_t tick;
    bool shown;
  } steps[] = {{0, true}, {1000, false}, {2999, false}, {3000, true}, {5999, false}, {6000, true}};
  size_t shown = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.tick);
    fakeTick = step.tick;
    PendingErrorOutOfMemory();
    PendingErrorReport();
    if (step.shown) ++shown;
    EXPECT_EQ(dialogs.asked.size(), shown);
    EXPECT_FALSE(AbortRequested());
  }
}

// Raises and reports another error while its own alert is open.
class ReentrantHandler : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    ++asked;
    PendingErrorSet(607);
    PendingErrorReport();
    return request->defaultAnswer;
  }
  int asked = 0;
};

TEST_F(AlertTest, ReportDuringReportIsDropped) {
  ReentrantHandler handler;
  PendingErrorSet(606);
  PendingErrorReport();
  EXPECT_EQ(handler.asked, 1);
  EXPECT_EQ(PendingError.request.message, 0);
  EXPECT_FALSE(PendingError.reporting);
}

std::atomic<int32_t> winners{0};
std::atomic<int32_t> finished{0};
void RaceToSet(void* code, void*) {
  for (int i = 0; i < 2000; ++i) {
    if (PendingErrorSet(static_cast<int32_t>(reinterpret_cast<intptr_t>(code)))) ++winners;
  }
  ++finished;
}

TEST_F(AlertTest, SettersFromManyThreadsKeepOneError) {
  constexpr int kThreads = 4;
  for (intptr_t t = 0; t < kThreads; ++t) {
    ASSERT_TRUE(ThreadStart(RaceToSet, reinterpret_cast<void*>(610 + t), nullptr));
  }
  while (finished.load() < kThreads) FlushAndSleep(1);
  EXPECT_EQ(winners.load(), 1);
  EXPECT_GE(PendingError.request.message, 610);
  EXPECT_LT(PendingError.request.message, 610 + kThreads);
  EXPECT_EQ(PendingError.request.beeps, 1);
}

}  // namespace
