// The handlers of a database: which targets exist, following them, the database part of a
// target and what a stored link keeps of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/files.h"
#include "database/change_notes.h"
#include "tests/database/links/links_fixture.h"

namespace links_test {
namespace {

class TargetsTest : public LinksTest {
 protected:
  void SetUp() override {
    LinksTest::SetUp();
    Card(own, Id(2012, 11, 22, 5));
    Card(other, Id(2012, 11, 22, 7));
    MacroCreate(own, "Run");
    ReadMacroText(own->FindMacro("Run"), "M\tnewCard\n");
    Template(own, "Sales: Monthly");
  }
  static void ReadMacroText(Macro* macro, const std::string& lines) {
    std::string text = "##Macro\t" + std::string(macro->name) + "\n" + lines;
    T_IStream stream;
    stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    stream.NextLine();
    ReadMacro(macro, &stream);
  }
  // The message the user is shown for the pending error, or 0.
  int32_t Reported() {
    answers.asked.clear();
    PendingErrorReport();
    return answers.asked.empty() ? 0 : answers.asked.back().message;
  }
};

TEST_F(TargetsTest, ContextOffersTemplateMacroCard) {
  std::vector<std::string> tags;
  std::vector<uint32_t> texts;
  for (T_LinkHandler* h = own->linkContext->firstHandler; h; h = h->next) {
    tags.push_back(h->tag);
    texts.push_back(h->textId);
  }
  EXPECT_EQ(tags, (std::vector<std::string>{"template", "macro", "card"}));
  EXPECT_EQ(texts, (std::vector<uint32_t>{4400, 7100, 3100}));
  EXPECT_STREQ(own->linkContext->classText, "data");
  EXPECT_STREQ(own->linkContext->basePath, own->path->c_str());
}

TEST_F(TargetsTest, CardTargetsExistOnlyInTheirShapeAndDatabase) {
  struct Case {
    const char* target;
    bool exists;
  };
  const Case cases[] = {
      {"121122-5", true},
      {"121122-005", true},  // displays pad the number
      {"121122-5#3", true},
      {"121122-5#2147483647", true},
      {"121122-5#0", false},
      {"121122-5#2147483648", false},
      {"121122-5#", false},
      {"121122-5#3x", false},
      {"#3", false},
      {"121122-", false},  // seven characters
      {"12112a-5", false},
      {"121122-a", false},
      {"121122+5", false},
      {"121122-6", false},  // no such card
      {"121322-5", false},  // no 13th month
      {"121131-5", false},  // no November 31
      {"121122-99999999999", false},
      {"[other.qeb]121122-7", true},
      {" [ OTHER.qeb ] 121122-7", true},
      {"[other.qeb]121122-5", false},
      {"[closed.qeb]121122-2", false},  // not open: nothing is opened to check
      {"[missing.qeb]121122-5", false},
      {"[]121122-5", false},
      {"[ ]121122-5", false},
      {"[own.qeb121122-5", false},
      {"[own?.qeb]121122-5", false},
  };
  T_LinkHandler* card = Handler(own, "card");
  for (const Case& c : cases) EXPECT_EQ(card->TargetExists(c.target), c.exists) << c.target;
  EXPECT_TRUE(Recorded::Get().openedFiles.empty());
}

TEST_F(TargetsTest, MacroAndTemplateTargetsExistByName) {
  T_LinkHandler* macro = Handler(own, "macro");
  T_LinkHandler* templ = Handler(own, "template");
  EXPECT_TRUE(macro->TargetExists("run"));
  EXPECT_TRUE(macro->TargetExists("[own.qeb] Run"));
  EXPECT_FALSE(macro->TargetExists("Running"));
  EXPECT_FALSE(macro->TargetExists("[other.qeb]Run"));
  EXPECT_TRUE(templ->TargetExists("sales:monthly"));
  EXPECT_TRUE(templ->TargetExists("Sales: Monthly"));
  EXPECT_TRUE(templ->TargetExists("Sales"));  // a folder runs what is in it
  EXPECT_FALSE(templ->TargetExists("Sales: Weekly"));
  EXPECT_FALSE(templ->TargetExists("[closed.qeb]Sales"));
}

TEST_F(TargetsTest, FollowOpensCardsRunsMacrosAndTemplates) {
  T_LinkHandler* card = Handler(own, "card");
  ASSERT_TRUE(card->Follow("121122-005#3"));
  ASSERT_EQ(Recorded::Get().cards.size(), 1u);
  EXPECT_EQ(Recorded::Get().cards[0].base, own);
  CardId five = Id(2012, 11, 22, 5);
  EXPECT_TRUE(CardIdEqual(&Recorded::Get().cards[0].id, &five));
  EXPECT_EQ(Recorded::Get().cards[0].line, 3);

  // A closed file beside the database opens to show its card.
  ASSERT_TRUE(card->Follow("[closed.qeb]121122-2"));
  ASSERT_EQ(Recorded::Get().openedFiles.size(), 1u);
  EXPECT_TRUE(
      PathSameFile(Recorded::Get().openedFiles[0].c_str(), (folder / "closed.qeb").c_str()));
  T_Base* opened = Recorded::Get().cards.back().base;
  EXPECT_EQ(opened, FindOpenBase((folder / "closed.qeb").c_str()));
  EXPECT_EQ(Recorded::Get().cards.back().line, 0);
  // Now it is open: the next follow finds it.
  ASSERT_TRUE(card->Follow("[closed.qeb]121122-2#1"));
  EXPECT_EQ(Recorded::Get().openedFiles.size(), 1u);
  EXPECT_EQ(Recorded::Get().cards.back().base, opened);

  ASSERT_TRUE(Handler(own, "macro")->Follow("Run"));
  EXPECT_EQ(Recorded::Get().commands, (std::vector<std::string>{"Run: newCard"}));

  ASSERT_TRUE(Handler(own, "template")->Follow("SALES:MONTHLY"));
  ASSERT_EQ(Recorded::Get().windows.size(), 1u);
  EXPECT_EQ(Recorded::Get().windows[0].first, FindTemplate(own, "Sales: Monthly"));
  EXPECT_EQ(Recorded::Get().windows[0].second, kRunReplace);
}

TEST_F(TargetsTest, FailedFollowsReportWhatIsMissing) {
  struct Case {
    const char* tag;
    const char* target;
    int32_t message;
    const char* shown;
  };
  const Case cases[] = {
      {"card", "[missing.qeb]121122-5", 3821, "missing.qeb"},
      {"macro", "[missing.qeb]Run", 3821, "missing.qeb"},
      {"template", "[missing.qeb]Sales", 3821, "missing.qeb"},
      {"card", "[]121122-5", 3821, ""},
      {"card", "121122-6", 3823, "121122-6"},
      {"card", "121122-5#0", 3823, "121122-5#0"},
      {"macro", "Walk", 3824, "Walk"},
      {"template", "[other.qeb]Sales: Monthly", 3825, "Sales: Monthly"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Handler(own, c.tag)->Follow(c.target)) << c.target;
    EXPECT_STREQ(PendingError.request.texts[0], c.shown) << c.target;
    EXPECT_EQ(Reported(), c.message) << c.target;
  }
  EXPECT_TRUE(Recorded::Get().cards.empty());
  EXPECT_TRUE(Recorded::Get().windows.empty());
}

TEST_F(TargetsTest, StoredLinksLoseTheOwnDatabasePart) {
  std::string full = own->path->c_str();
  std::string slashed = full;
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  struct Case {
    std::string target, text, strippedTarget, strippedText;
  };
  const Case cases[] = {
      {"[own.qeb]121122-5", "121122-5", "121122-5", "121122-5"},
      {" [ OWN.QEB ] 121122-5", "x", "121122-5", "x"},
      {"[" + full + "]121122-5", "x", "121122-5", "x"},
      {"[" + slashed + "]121122-5", "x", "121122-5", "x"},
      {"[other.qeb]121122-7", "x", "[other.qeb]121122-7", "x"},
      {"[x\\own.qeb]121122-5", "x", "[x\\own.qeb]121122-5", "x"},
      {"own.qeb: Sales: Monthly", "own.qeb: Monthly", "Sales: Monthly", "Monthly"},
      {"Sales: Monthly", "other.qeb: Monthly", "Sales: Monthly", "other.qeb: Monthly"},
  };
  for (const Case& c : cases) {
    T_TextBuf target(c.target.c_str());
    T_TextBuf text(c.text.c_str());
    Handler(own, "card")->StripOwnBase(&target, &text);
    EXPECT_EQ(std::string(target.c_str()), c.strippedTarget) << c.target;
    EXPECT_EQ(std::string(text.c_str()), c.strippedText) << c.target;
  }
}

TEST_F(TargetsTest, SlashesStandForBackslashesInFileParts) {
  CreateFolder((folder / "sub").c_str());
  WriteWholeFile(folder / "sub\\deep.qeb", "x");
  EXPECT_FALSE(Handler(own, "card")->TargetExists("[sub/deep.qeb]121122-2"));
  ASSERT_TRUE(Handler(own, "card")->Follow("[sub/deep.qeb]121122-2"));
  ASSERT_EQ(Recorded::Get().openedFiles.size(), 1u);
  EXPECT_TRUE(
      PathSameFile(Recorded::Get().openedFiles[0].c_str(), (folder / "sub\\deep.qeb").c_str()));
}

TEST_F(TargetsTest, UntitledDatabasesResolveOnlyByOpenNames) {
  T_Base* untitled = NewUntitledDatabase();
  ASSERT_NE(untitled, nullptr);
  EXPECT_EQ(untitled->linkContext->basePath, nullptr);
  Card(untitled, Id(2012, 11, 22, 9));
  T_LinkHandler* card = Handler(untitled, "card");
  EXPECT_TRUE(card->TargetExists("[other.qeb]121122-7"));
  EXPECT_FALSE(card->TargetExists("[closed.qeb]121122-2"));
  EXPECT_FALSE(card->Follow("[closed.qeb]121122-2"));
  EXPECT_EQ(PendingError.request.message, 3821);
  PendingErrorClear();
  EXPECT_TRUE(Recorded::Get().openedFiles.empty());
  // The other way round the untitled database is found by its name.
  std::string name = std::string("[") + PathFindName(untitled->path->c_str()) + "]121122-9";
  EXPECT_TRUE(Handler(own, "card")->TargetExists(name.c_str()));
}

TEST_F(TargetsTest, ContextFollowsThePathOfTheDatabase) {
  std::string moved = folder / "moved.qeb";
  TextBufAssign(own->path, moved.c_str());
  own->NotifyCode(kChangePath);
  EXPECT_STREQ(own->linkContext->basePath, moved.c_str());
  // Relative parts now resolve in the new place's folder: closed.qeb is still beside it.
  EXPECT_TRUE(Handler(own, "card")->Follow("[closed.qeb]121122-2"));
}

}  // namespace
}  // namespace links_test
