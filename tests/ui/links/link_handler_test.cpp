#include "ui/link_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/cstring.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "link_test_handler.h"

namespace {

std::vector<std::string> shellTargets;

bool RecordShellOpen(const char* target) {
  shellTargets.push_back(target);
  return true;
}
bool RefuseShellOpen(const char*) { return false; }
bool NoBrowser() { return false; }

LinkRef ParseFirst(T_LinkContext* context, const char* text) {
  LinkRef link;
  link.context = context;
  const char* cursor = text;
  LinkText_Parse(&link, &cursor, nullptr);
  return link;
}

class LinkHandlers : public testing::Test {
 protected:
  void SetUp() override {
    shellTargets.clear();
    SetShellOpenHook(RecordShellOpen);
    SetBrowserAvailableHook(NoBrowser);
    PendingErrorClear();
  }
  void TearDown() override {
    SetShellOpenHook(nullptr);
    SetBrowserAvailableHook(nullptr);
    PendingErrorClear();
    for (const std::string& path : tempFiles_) FileDelete(path.c_str());
  }
  // A new file in the temporary folder holding the bytes.
  std::string TempFile(const char* bytes) {
    T_TextBuf path;
    MakeTempFileName(&path);
    SysFile file;
    FileInit(&file);
    EXPECT_TRUE(FileOpenWrite(&file, path.c_str()));
    FileWrite(&file, bytes, static_cast<int64_t>(strlen(bytes)));
    FileDestroy(&file);
    tempFiles_.push_back(path.c_str());
    return path.c_str();
  }

  T_LinkContext context_{"C:\\db\\sales.qeb", "data"};
  std::vector<std::string> tempFiles_;
};

TEST_F(LinkHandlers, HandlersRegisterFirstAndLeaveWithTheirContext) {
  int destroyed = 0;
  auto* context = new T_LinkContext();
  auto* first = new TestLinkHandler(context, "card", &destroyed);
  auto* second = new TestLinkHandler(context, "abcdefghijklmnopqrst", &destroyed);
  auto* third = new TestLinkHandler(context, "abcdefghijklmn\xC3\xA9xyz", &destroyed);
  EXPECT_EQ(context->firstHandler, third);
  EXPECT_EQ(third->next, second);
  EXPECT_EQ(second->next, first);
  EXPECT_STREQ(second->tag, "abcdefghijklmno");
  EXPECT_EQ(second->tagLength, 15u);
  EXPECT_STREQ(third->tag, "abcdefghijklmn");  // the 2-byte letter would not fit whole
  EXPECT_EQ(third->tagLength, 14u);

  delete second;  // alone: unlinks itself
  EXPECT_EQ(third->next, first);
  EXPECT_EQ(destroyed, 1);
  delete context;
  EXPECT_EQ(destroyed, 3);
}

TEST_F(LinkHandlers, AnEmptyTagNeverMatches) {
  new TestLinkHandler(&context_, "");
  EXPECT_FALSE(LinkText_HasLinks(&context_, "a=\"b\""));
  EXPECT_EQ(ParseFirst(&context_, "<a x=\"b\">c</a> =\"d\"").kind, kLinkNone);
}

TEST_F(LinkHandlers, FollowingGoesToTheShellTheBrowserOrTheHandler) {
  auto* cards = new TestLinkHandler(&context_, "card");
  struct Case {
    const char* markup;
    const char* shellTarget;  // null: the shell is not asked
  } cases[] = {
      {"file=\"docs\\a.txt\"", "C:\\db\\docs\\a.txt"},
      {"file=\"D:\\x.txt\"", "D:\\x.txt"},
      {"http://x.com/a", "http://x.com/a"},
      {"<a href=\"mailto:a@b.c\">m</a>", "mailto:a@b.c"},
      {"card=\"17-3\"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.markup);
    shellTargets.clear();
    LinkRef link = ParseFirst(&context_, c.markup);
    EXPECT_TRUE(LinkRef_Follow(&link));
    if (c.shellTarget != nullptr) {
      EXPECT_EQ(shellTargets, std::vector<std::string>{c.shellTarget});
    } else {
      EXPECT_TRUE(shellTargets.empty());
    }
  }
  EXPECT_EQ(cards->followed, std::vector<std::string>{"17-3"});
  EXPECT_EQ(PendingError.request.message, 0);
}

TEST_F(LinkHandlers, AddressesThatCouldStartProgramsAreNotFollowed) {
  for (const char* markup : {"<a href=\"calc\">c</a>", "<a href=\"javascript:x()\">j</a>",
                             "<a href=\"C:\\x\\run.exe\">r</a>", "<a href=\"ms-x:y\">m</a>"}) {
    SCOPED_TRACE(markup);
    PendingErrorClear();
    LinkRef link = ParseFirst(&context_, markup);
    ASSERT_EQ(link.kind, kLinkUrl);
    EXPECT_FALSE(LinkRef_Follow(&link));
    EXPECT_EQ(PendingError.request.message, 605);
    EXPECT_STREQ(PendingError.request.texts[0], link.target.c_str());
  }
  EXPECT_TRUE(shellTargets.empty());
}

// Answers every question with the button it was given and records the file names asked about.
class AnsweringAlerts : public T_AlertHandler {
 public:
  explicit AnsweringAlerts(int32_t button) : button_(button) {}
  int32_t Ask(const AlertRequest* request) override {
    asked.push_back(request->texts[0]);
    EXPECT_EQ(request->buttons[request->defaultAnswer], kButtonNo);
    return button_;
  }
  std::vector<std::string> asked;

 private:
  int32_t button_;
};

// A link in someone else's text must not start a program with one click: a target that would
// run asks first, No being the answer when nobody is there; documents open as before.
TEST_F(LinkHandlers, ProgramTargetsAskFirst) {
  struct Case {
    const char* markup;
    const char* shellTarget;  // what the shell is handed once the question is answered Yes
    const char* asked;        // the file name in the question; null: no question
  } cases[] = {
      {"file=\"D:\\x\\setup.exe\"", "D:\\x\\setup.exe", "setup.exe"},
      {"file=\"tools\\Run.LNK\"", "C:\\db\\tools\\Run.LNK", "Run.LNK"},
      {"file=\"D:\\x\\a.exe::$DATA\"", "D:\\x\\a.exe::$DATA", "a.exe::$DATA"},
      {"file://host/share/setup.exe", "file://host/share/setup.exe", "setup.exe"},
      {"file:///C:/x/Tool%2eC%4fM", "file:///C:/x/Tool%2eC%4fM", "Tool.COM"},
      {"<a href=\"file:///C:/x/run%252Ebat%2520.?q\">r</a>", "file:///C:/x/run%2Ebat%20.?q",
       "run.bat ."},
      {"file=\"D:\\x\\report.pdf\"", "D:\\x\\report.pdf", nullptr},
      {"file:///C:/x/notes.txt", "file:///C:/x/notes.txt", nullptr},
  };
  for (int32_t answer : {kButtonNo, kButtonYes}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.markup) + (answer == kButtonYes ? " yes" : " no"));
      AnsweringAlerts alerts(answer);
      shellTargets.clear();
      PendingErrorClear();
      LinkRef link = ParseFirst(&context_, c.markup);
      bool opens = c.asked == nullptr || answer == kButtonYes;
      EXPECT_EQ(LinkRef_Follow(&link), opens);
      EXPECT_EQ(alerts.asked,
                c.asked ? std::vector<std::string>{c.asked} : std::vector<std::string>{});
      if (opens) {
        EXPECT_EQ(shellTargets, std::vector<std::string>{c.shellTarget});
      } else {
        EXPECT_TRUE(shellTargets.empty());
        EXPECT_EQ(PendingError.request.message, kErrorCancelled);  // a silent stop
      }
    }
  }
  // Unattended, nothing runs.
  shellTargets.clear();
  LinkRef program = ParseFirst(&context_, "file=\"D:\\x\\setup.exe\"");
  EXPECT_FALSE(LinkRef_Follow(&program));
  EXPECT_TRUE(shellTargets.empty());
  // Nor does the "folder" of a link whose folder part is a program file.
  LinkRef inside = ParseFirst(&context_, "file=\"D:\\x\\tool.exe\\readme.txt\"");
  EXPECT_FALSE(LinkRef_ShowFolder(&inside));
  EXPECT_TRUE(shellTargets.empty());
}

TEST_F(LinkHandlers, WwwAddressesGoToTheBrowserAsHttp) {
  LinkRef link;
  link.context = &context_;
  ASSERT_TRUE(LinkRef_SetTarget(&link, "www.x.com"));
  EXPECT_TRUE(LinkRef_Follow(&link));
  EXPECT_EQ(shellTargets, std::vector<std::string>{"http://www.x.com"});
}

TEST_F(LinkHandlers, AFileThatDoesNotOpenIsReported) {
  SetShellOpenHook(RefuseShellOpen);
  LinkRef link = ParseFirst(&context_, "file=\"D:\\gone.txt\"");
  EXPECT_FALSE(LinkRef_Follow(&link));
  EXPECT_EQ(PendingError.request.message, 605);
  EXPECT_STREQ(PendingError.request.texts[0], "D:\\gone.txt");
}

TEST_F(LinkHandlers, FolderAndMissingFileConcernOnlyFileLinks) {
  std::string empty = TempFile("");
  std::string full = TempFile("x");
  T_TextBuf folder;
  PathAssign(&folder, full.c_str());
  PathCutName(&folder);
  auto missing = [&](T_LinkContext* context, const char* text) {
    LinkRef link = ParseFirst(context, text);
    return LinkRef_FileMissing(&link);
  };

  T_TextBuf markup;
  LinkText_FileLinkMarkup(&markup, full.c_str());
  LinkRef link = ParseFirst(&context_, markup.c_str());
  EXPECT_FALSE(LinkRef_FileMissing(&link));
  EXPECT_TRUE(LinkRef_ShowFolder(&link));
  EXPECT_EQ(shellTargets, std::vector<std::string>{folder.c_str()});

  LinkText_FileLinkMarkup(&markup, empty.c_str());
  EXPECT_TRUE(missing(&context_, markup.c_str()));
  EXPECT_TRUE(missing(&context_, "file=\"D:\\gone\\x.txt\""));

  shellTargets.clear();
  T_LinkContext noBase;
  LinkRef url = ParseFirst(&noBase, "http://x.com");
  EXPECT_FALSE(LinkRef_FileMissing(&url));
  EXPECT_FALSE(LinkRef_ShowFolder(&url));
  LinkRef bareName = ParseFirst(&noBase, "file=\"x.txt\"");
  EXPECT_FALSE(LinkRef_ShowFolder(&bareName));  // no folder part
  EXPECT_TRUE(shellTargets.empty());
}

TEST_F(LinkHandlers, TypedTargetsAreClassified) {
  auto* cards = new TestLinkHandler(&context_, "card");
  auto* macros = new TestLinkHandler(&context_, "macro");
  cards->known = {"17-3", "Both"};
  macros->known = {"Both"};
  std::string existing = TempFile("x");
  T_TextBuf folder;
  PathGetDir(existing.c_str(), &folder);

  struct Case {
    const char* typed;
    bool usable;
    uint32_t kind;
    T_LinkHandler* handler;
    const char* target;
  } cases[] = {
      {" 17-3\t", true, kLinkHandler, cards, "17-3"},
      {"Both", true, kLinkHandler, macros, "Both"},  // the most recently registered first
      {"www.x.com", true, kLinkUrl, nullptr, "www.x.com"},
      {"<A HREF=\"https://x.com/a\">x</a>", true, kLinkUrl, nullptr, "https://x.com/a"},
      {existing.c_str(), true, kLinkFile, nullptr, existing.c_str()},
      {"D:\\gone\\x.txt", false, kLinkNone, nullptr, ""},
      {folder.c_str(), false, kLinkNone, nullptr, ""},  // a folder is no file
      {"<a href=\"\">", false, kLinkNone, nullptr, ""},
      {" \x01 ", false, kLinkNone, nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    LinkRef link;
    link.context = &context_;
    EXPECT_EQ(LinkRef_SetTarget(&link, c.typed), c.usable);
    EXPECT_EQ(link.kind, c.kind);
    EXPECT_EQ(link.handler, c.handler);
    EXPECT_STREQ(link.target.c_str(), c.target);
  }

  // A handler link keeps its own handler when that one knows the target.
  LinkRef link;
  link.context = &context_;
  link.kind = kLinkHandler;
  link.handler = cards;
  EXPECT_TRUE(LinkRef_SetTarget(&link, "Both"));
  EXPECT_EQ(link.handler, cards);
}

// A database's handler drops the qualifier that names its own file; its context turns
// slashes into backslashes.
class OwnBaseLinks : public TestLinkHandler {
 public:
  using TestLinkHandler::TestLinkHandler;
  void StripOwnBase(T_TextBuf* target, T_TextBuf* text) override {
    for (T_TextBuf* t : {target, text}) {
      if (TextBufFind(t, 0, "[sales.qeb]") == 0) TextBufDelete(t, 0, 11);
    }
  }
};
class SlashContext : public T_LinkContext {
 public:
  void AdjustLink(T_TextBuf* target, T_TextBuf*) override {
    StrReplaceChar(target->data, '/', '\\');
  }
};

TEST_F(LinkHandlers, NormalizingLetsTheContextAndTheHandlerRewriteLinks) {
  SlashContext context;
  new OwnBaseLinks(&context, "card");
  T_TextBuf text("<a card=\"[sales.qeb]17-3\">[sales.qeb]17-3</a> and <a file=\"a/b\">X</a>");
  LinkText_Normalize(&context, &text);
  EXPECT_STREQ(text.c_str(), "card=\"17-3\" and <a file=\"a\\b\">X</a>");
}

TEST_F(LinkHandlers, FoldedCriteriaMatchTheTextAsShown) {
  new TestLinkHandler(&context_, "card");
  CriteriaPattern pattern;
  Criteria_Init(&pattern);
  struct Case {
    const char* criteria;
    const char* text;
    bool matches;
  } cases[] = {
      {"see x.com", "see http://x.com/", true},
      {"Invoice 7", "<a card=\"17-3\">Invoice</a> 7", true},
      {"\\Invoice*", "<a card=\"17-3\">Invoice</a> 7", true},
      {"card", "<a card=\"17-3\">Invoice</a>", true},  // the markup itself still counts
      {"Invoice 8", "<a card=\"17-3\">Invoice</a> 7", false},
  };
  for (const Case& c : cases) {
    T_TextBuf criteria(c.criteria);
    Criteria_Compile(&pattern, &criteria, 5, true);
    char* block = StrDupBytes(c.text, static_cast<int32_t>(strlen(c.text)));
    EXPECT_EQ(Criteria_MatchFolded(&pattern, block, LinkText_CriteriaPlainForm, &context_),
              c.matches)
        << c.criteria << " / " << c.text;
    MemFree(block);
  }
  T_TextBuf plain("old");
  LinkText_CriteriaPlainForm(nullptr, "file=\"a\"xyz", 8, &plain);  // only the bytes given
  EXPECT_STREQ(plain.c_str(), "a");
  MemFreeHeld(&pattern);
}

}  // namespace
