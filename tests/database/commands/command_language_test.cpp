// The command interpreter: the words of a line, where a list ends, the prompt's answers, the
// log of each line, the commands whose service is missing, targets and the entry of macros.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands_fixture.h"
#include "core/log_file.h"
#include "core/system_beep.h"
#include "database/file_progress.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "ui/menu_model.h"

namespace commands_test {
namespace {

int& Beeps() {
  static int beeps = 0;
  return beeps;
}

class LanguageTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    Beeps() = 0;
    SetSystemBeepHook([] { ++Beeps(); });
  }
  void TearDown() override {
    SetSystemBeepHook(nullptr);
    CommandsTest::TearDown();
  }
};

// The words NextCommandWord hands out for the first command of the text, and the line current
// afterwards.
struct Words {
  std::vector<std::string> words;
  std::string current;
};
Words WordsOf(std::string text) {
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  stream.SetTokenFlags(kCommandTokenFlags);
  stream.NextLine();
  CommandContext context;
  context.stream = &stream;
  Words result;
  T_TextBuf word;
  while (NextCommandWord(&context, &word)) result.words.emplace_back(word.data, word.length);
  result.current.assign(stream.lineStart, stream.lineEnd);
  return result;
}

TEST(CommandWords, QuotesCommentsAndContinuations) {
  const std::string longWord(5000, 'w');
  const struct {
    std::string text;
    std::vector<std::string> words;
    std::string current;  // empty: the first line
  } cases[] = {
      {"a \"b c\" 'd e' \"f\\\"g\" h", {"a", "b c", "d e", "f\\\"g", "h"}, ""},
      {"export a b // c", {"export", "a", "b"}, ""},
      {"a /* x /* y */ z */ b", {"a", "b"}, ""},
      {"a /* open\r\nstill */ b\r\nc", {"a", "b"}, "still */ b"},
      {"a \\\r\nb c\r\nd", {"a", "b", "c"}, "b c"},
      {"a \\  \r\nb", {"a", "b"}, "b"},
      // A word that begins with a backslash is a word; so is one inside the line.
      {"import \\\\server\\share\\a.qeb x", {"import", "\\\\server\\share\\a.qeb", "x"}, ""},
      {"a \\ b", {"a", "\\", "b"}, ""},
      {"a \"\\\"\r\nb", {"a", "\\\""}, ""},
      // A "##" line ends the command whatever runs towards it.
      {"a \\\r\n##End\r\nb", {"a"}, "##End"},
      {"a /* open\r\n##End\r\nb */ c", {"a"}, "##End"},
      {"a \"open quote", {"a", "open quote"}, ""},
      {std::string("a\0b\x01"
                   "c",
                   5),
       {"a", "b", "c"},
       ""},
      {"x " + longWord, {"x", std::string(kTokenBufferSize - 1, 'w')}, ""},
  };
  for (const auto& c : cases) {
    Words got = WordsOf(c.text);
    EXPECT_EQ(got.words, c.words) << c.text;
    std::string first = c.text.substr(0, c.text.find_first_of("\r\n"));
    EXPECT_EQ(got.current, c.current.empty() ? first : c.current) << c.text;
  }
}

TEST_F(LanguageTest, ALineOfHashesEndsTheListAndStaysCurrent) {
  const struct {
    const char* text;
    int beeps;
  } cases[] = {
      {"beep\r\n##End\r\nbeep\r\n", 1},
      {"beep /* never closed\r\nbeep\r\n##End\r\nbeep */\r\n", 1},
      {"beep \\\r\n##End\r\nbeep\r\n", 1},
      {"// beep\r\n\r\n   \r\nbeep\r\n##Cards\r\n", 1},
  };
  for (const auto& c : cases) {
    Beeps() = 0;
    answers.asked.clear();
    std::string left = Run(c.text);
    EXPECT_EQ(left.substr(0, 2), "##") << c.text;
    EXPECT_EQ(Beeps(), c.beeps) << c.text;
  }
}

TEST_F(LanguageTest, ACommandSectionRunsUnderItsStatusAndLogSteps) {
  static std::vector<int32_t> statuses;
  statuses.clear();
  static const FileProgressHooks hooks = {
      [] { return reinterpret_cast<T_FileWait*>(&statuses); },     nullptr, nullptr, nullptr,
      [](T_FileWait*, int32_t code) { statuses.push_back(code); }, nullptr,
  };
  SetFileProgressHooks(&hooks);
  LogCapture capture;
  OpenErrorFile(base, (folder / "log.txt").c_str(), false, -1, true, false);
  std::string text = "##Commands\r\nbeep /* to the end\r\n##BaseOptions\r\nCN\t7\r\n##End\r\n";
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  EXPECT_TRUE(readDatabaseSections(base, &stream));
  CloseAlertLog(base, true);
  SetFileProgressHooks(nullptr);
  EXPECT_EQ(statuses.front(), 4518);
  ASSERT_GE(LogCapture::Lines().size(), 3u);
  EXPECT_EQ(std::vector<std::string>(LogCapture::Lines().begin(), LogCapture::Lines().begin() + 3),
            (std::vector<std::string>{"Executing commands section", "  command: beep /* to the end",
                                      "Completed commands section"}));
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(base->cardDigits, 7);
  EXPECT_EQ(base->runOpenDirectCommands, 0);
}

TEST_F(LanguageTest, CommandsAreExactOptionsIgnoreCaseAndListsEndAtComments) {
  Run("Save out.qex \\\r\nbeep\r\nBEEP\r\ndeleteSubset a b // c\r\nbeep -LOUD\r\nbeep\r\n");
  EXPECT_EQ(Asked(),
            (std::vector<std::string>{"3819 Save", "3819 BEEP", "3825 a", "3825 b", "3820 -LOUD"}));
  EXPECT_EQ(Beeps(), 2);  // a refused word does not stop its command
  EXPECT_TRUE(Saves().empty());
}

TEST_F(LanguageTest, CancelOrStopEndsTheListContinueGoesOn) {
  for (int32_t button : {kButtonCancel, 704, 705}) {
    PendingErrorClear();
    base->errorFlag = 0;
    Beeps() = 0;
    answers.press[3819] = button;
    Run("bogus\r\nbeep\r\n");
    EXPECT_EQ(Beeps(), button == 705 ? 1 : 0) << button;
    EXPECT_EQ(base->errorFlag, button == kButtonCancel ? 1 : 0) << button;
  }
}

TEST_F(LanguageTest, EachLineIsLoggedOnceWithItsPasswordsMasked) {
  LogCapture capture;
  OpenErrorFile(base, (folder / "log.txt").c_str(), false, -1, true, false);
  Run("beep\r\n"
      "password  \"top secret\" // note\r\n"
      "import missing.qex -PW secret2 -file other.qex\r\n"
      "bogus\r\n");
  CloseAlertLog(base, true);
  std::vector<std::string> lines;
  for (const std::string& line : LogCapture::Lines()) {
    if (line.find("Logfile") == std::string::npos) lines.push_back(line);
  }
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "command: beep");
  EXPECT_EQ(lines[1], "command: password  * // note");
  EXPECT_EQ(lines[2], "command: import missing.qex -PW * -file other.qex");
  EXPECT_EQ(lines[3].rfind("  Error: ", 0), 0u) << lines[3];  // the import's 605, one level in
  EXPECT_EQ(lines.back().rfind("  Error: Unknown command", 0), 0u) << lines.back();
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("secret"), std::string::npos) << line;
  }
  // The password is gone from the text that held it, and it is the database's.
  EXPECT_EQ(Input().find("top secret"), std::string::npos);
  EXPECT_EQ(Input().find("secret2"), std::string::npos);
  EXPECT_EQ(base->protection->checkValue, PasswordCheckValue("top secret"));
}

TEST_F(LanguageTest, CommandsWithoutTheirServiceChangeNothing) {
  const std::string before = Dump(base);
  const struct {
    const char* line;
    const char* named;
  } cases[] = {
      {"export Top out.txt -append -skipempty", "export"},
      {"print Reports", "print"},
      {"openTemplate Top -current", "openTemplate"},
      {"deleteData Top", "deleteData"},
      {"aggregate Top -x", "aggregate"},
      {"transform Top -y", "transform"},
      {"import fixture.qex -dim Accounts", "import -dim"},
      {"signature ABC", "signature"},
      {"webqebserver -start -port 8080", "webqebserver"},
  };
  for (const auto& c : cases) {
    answers.asked.clear();
    Run(c.line);
    EXPECT_EQ(Asked(), std::vector<std::string>{"3829 " + std::string(c.named)}) << c.line;
  }
  // An import setup the database lacks is named in 3826, and nothing is imported.
  answers.asked.clear();
  Run("import fixture.qex -s Setup -pw x");
  EXPECT_EQ(Asked(), std::vector<std::string>{"3826 Setup"});
  AlertRequest request;
  AlertInit(&request);
  request.message = 3829;
  AlertAddText(&request, "export");
  T_TextBuf text;
  AlertFormatText(&request, &text);
  EXPECT_STREQ(text.c_str(), "\"export\" is not available in this version.");
  EXPECT_EQ(Dump(base), before);
  EXPECT_TRUE(Imports().empty());
}

// Asks nothing of its own; records the caption the alerts of a command would carry.
class T_CaptionSpy : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    captions.push_back(CurrentCommandTitle() != nullptr ? CurrentCommandTitle() : "<none>");
    return request->defaultAnswer;
  }
  bool IsUnattended() override { return true; }
  std::vector<std::string> captions;
};

TEST_F(LanguageTest, TextRunsUnderItsTitleWhichIsPutBackAfterwards) {
  T_CaptionSpy spy;
  SetCurrentCommandTitle("Outer");
  // A literal: the text is read from a copy, so wiping the password cannot touch it.
  base->RunCommandText("bogus\r\npassword pw\r\nbeep\r\n##End\r\nbeep", "Macro A");
  EXPECT_EQ(spy.captions, std::vector<std::string>{"Macro A"});
  EXPECT_STREQ(CurrentCommandTitle(), "Outer");
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(base->protection->checkValue, PasswordCheckValue("pw"));
  SetCurrentCommandTitle(nullptr);
}

TEST_F(LanguageTest, TargetsByKindAndTheirWindows) {
  CommandContext context;
  context.base = base;
  const struct {
    const char* name;
    int32_t allowed;
    int32_t kind;
  } cases[] = {
      {"base", 15, kEntryDatabaseWindow},
      {"base", 14, 0},
      {"U", 15, kEntrySubset},
      {"u", 2, kEntrySubset},
      {"Reports: Sales", 15, 4},
      {"reports :sales", 4, 4},
      {"Reports", 15, kEntryFolder},
      {"Reports", 4, 0},
      {"Top", 8, 0},
      {"Nothing", 15, 0},
  };
  for (const auto& c : cases) {
    answers.asked.clear();
    TemplateRunEntry entry = FindCommandTarget(&context, c.name, c.allowed);
    EXPECT_EQ(entry.kind, c.kind) << c.name << " " << c.allowed;
    EXPECT_EQ(Asked(), c.kind == 0 ? std::vector<std::string>{"3825 " + std::string(c.name)}
                                   : std::vector<std::string>{})
        << c.name;
  }

  // An analysis window opens hidden for the command and closes after it.
  static int32_t openedFlags = -1;
  SetWindowOpener(3, [](T_Template*, T_Template*, int32_t flags) -> T_HWindow* {
    openedFlags = flags;
    return new base_test::T_QuietWindow(kWindowComponents, FirstBase());
  });
  TemplateRunEntry top = FindCommandTarget(&context, "Top", kEntryTemplate);
  T_Window* window = OpenCommandTarget(&context, &top);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(openedFlags, kRunNoLookup | 1);
  EXPECT_EQ(FindWindowOfKind(kWindowComponents, base), window);
  CloseCommandTarget(&context, window);
  EXPECT_EQ(FindWindowOfKind(kWindowComponents, base), nullptr);
  SetWindowOpener(3, nullptr);

  // The database's own window is the target of "base" and stays open.
  base_test::T_QuietWindow own(kWindowDatabase, base);
  base->mainWindow = &own;
  TemplateRunEntry self = FindCommandTarget(&context, "base", kEntryDatabaseWindow);
  EXPECT_EQ(OpenCommandTarget(&context, &self), &own);
  CloseCommandTarget(&context, &own);
  EXPECT_TRUE(own.askedModes.empty());
  base->mainWindow = nullptr;
}

}  // namespace
}  // namespace commands_test
