// Links that follow renames: the rewriting rules of one text, and a rename reaching every text
// of every open database.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/owned_text.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/link_rename.h"
#include "database/subsets.h"
#include "database/time_scale.h"
#include "tests/database/links/links_fixture.h"
#include "ui/application.h"
#include "ui/edit_field.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace links_test {
namespace {

enum Kind { kCard, kTemplate, kMacro };

// The rename of a case, as it reaches a database: in its own (no file name) or in another one.
struct Rename {
  Kind kind;
  const char* fileName = "";
};

void Prepare(LinkRename* rename, const Rename& r) {
  rename->kind = r.kind == kCard       ? kRenameCard
                 : r.kind == kTemplate ? kRenameTemplate
                                       : kRenameMacro;
  rename->keyword = r.kind == kCard ? "card=" : r.kind == kTemplate ? "template=" : "macro=";
  TextBufAssign(&rename->fileName, r.fileName);
  if (r.kind == kCard) {
    rename->oldId = CardId{PackDate(2012, 11, 22), 1};
    rename->newId = CardId{PackDate(2012, 11, 23), 4};
    TextBufAssign(&rename->oldText, "121122-1");
    TextBufAssign(&rename->newText, "121123-4");
  } else if (r.kind == kTemplate) {
    TextBufAssign(&rename->oldText, "Sales: Monthly");
    TextBufAssign(&rename->newText, "Sales: Weekly: Net");
  } else {
    TextBufAssign(&rename->oldText, "Run");
    TextBufAssign(&rename->newText, "Go");
  }
}

std::string Rewritten(const Rename& r, const std::string& text, bool* changed = nullptr) {
  LinkRename rename;
  Prepare(&rename, r);
  T_TextBuf buffer(text.c_str());
  bool result = RewriteLinksBuf(&rename, &buffer);
  if (changed) *changed = result;
  return buffer.c_str();
}

TEST(RewriteLinks, FollowsOnlyWholeTargets) {
  struct Case {
    Kind kind;
    const char* text;
    const char* rewritten;
  };
  const Case cases[] = {
      // Macro "Run" becomes "Go".
      {kMacro, "macro=\"Run\"", "macro=\"Go\""},
      {kMacro, "macro=\"Running\"", "macro=\"Running\""},
      {kMacro, "MACRO=\"run\" and macro=\"RUN\"", "MACRO=\"Go\" and macro=\"Go\""},
      {kMacro, "<a macro='Run'>Run now</a>", "<a macro='Go'>Go now</a>"},
      {kMacro, "<a macro=Run>Run</a>", "<a macro=Go>Go</a>"},
      {kMacro, "<a macro=Running>Running</a>", "<a macro=Running>Running</a>"},
      {kMacro, "<a macro=\"Run\">Rerun, Run!</a>", "<a macro=\"Go\">Rerun, Go!</a>"},
      {kMacro, "<a macro=\"Run\">Running</a> Run", "<a macro=\"Go\">Running</a> Run"},
      {kMacro, "x macro=Run", "x macro=Go"},
      {kMacro, "macro=Run tail", "macro=Go tail"},
      {kMacro, "macro=\"Run", "macro=\"Run"},  // never closed
      {kMacro, "macro=\"[own.qeb]Run\"", "macro=\"[own.qeb]Run\""},
      // Card 121122-1 moves to 121123-4.
      {kCard, "card=\"121122-1\"", "card=\"121123-4\""},
      {kCard, "card=\"121122-001\"", "card=\"121123-004\""},
      {kCard, "card=\"121122-0012\" card=\"121122-12\"", "card=\"121122-0012\" card=\"121122-12\""},
      {kCard, "card=\"121122-1#3\"", "card=\"121123-4#3\""},
      {kCard, "card=\"121122-1#x\"", "card=\"121122-1#x\""},
      {kCard, "card=\"121122-1#0\"", "card=\"121122-1#0\""},
      {kCard, "<a card=121122-1#2>121122-001</a>", "<a card=121123-4#2>121123-004</a>"},
      {kCard, "<a card=\"121122-1\">121122-12, 121122-1</a>",
       "<a card=\"121123-4\">121122-12, 121123-4</a>"},
      {kCard, "<a card=121122-1x>t</a>", "<a card=121122-1x>t</a>"},
      {kCard, "card=\"121122-01\"+card=\"121122-1\"", "card=\"121123-04\"+card=\"121123-4\""},
      {kCard, "card=\" 121122-1\"", "card=\" 121123-4\""},
      // Template "Sales: Monthly" becomes "Sales: Weekly: Net".
      {kTemplate, "template=\"Sales: Monthly\"", "template=\"Sales: Weekly: Net\""},
      {kTemplate, "template=\"sales:monthly\"", "template=\"Sales: Weekly: Net\""},
      {kTemplate, "template='Sales:  Monthly'", "template='Sales: Weekly: Net'"},
      {kTemplate, "<a template=Sales:Monthly>Monthly</a>",
       "<a template=Sales:Weekly:Net>Monthly</a>"},
      {kTemplate, "template=Sales:Monthly", "template=Sales:Weekly:Net"},
      {kTemplate, "<a template=Sales: Monthly>M</a>", "<a template=Sales: Monthly>M</a>"},
      {kTemplate, "template=\"Sales: Monthly report\"", "template=\"Sales: Monthly report\""},
      {kTemplate, "template=\"Sales\"", "template=\"Sales\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Rewritten({c.kind}, c.text), c.rewritten) << c.text;
  }
}

TEST(RewriteLinks, OtherDatabasesFollowOnlyLinksNamingTheFile) {
  struct Case {
    Kind kind;
    const char* text;
    const char* rewritten;
  };
  const Case cases[] = {
      {kCard, "card=\"121122-1\"", "card=\"121122-1\""},
      {kCard, "card=\"[C:\\x\\own.qeb]121122-1\"", "card=\"[C:\\x\\own.qeb]121123-4\""},
      {kCard, "card=\"[ OWN.QEB ] 121122-1\"", "card=\"[ OWN.QEB ] 121123-4\""},
      {kCard, "card=\"[x/own.qeb]121122-1\"", "card=\"[x/own.qeb]121123-4\""},
      {kCard, "card=\"[x\\Aown.qeb]121122-1\"", "card=\"[x\\Aown.qeb]121122-1\""},
      {kCard, "card=\"[own.qeb.bak]121122-1\"", "card=\"[own.qeb.bak]121122-1\""},
      {kCard, "card=\"[own.qeb121122-1\"", "card=\"[own.qeb121122-1\""},
      {kMacro, "<a macro=\"[own.qeb]Run\">Run</a>", "<a macro=\"[own.qeb]Go\">Go</a>"},
      {kTemplate, "template=\"[own.qeb]Sales:Monthly\"",
       "template=\"[own.qeb]Sales: Weekly: Net\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Rewritten({c.kind, "own.qeb"}, c.text), c.rewritten) << c.text;
  }
}

TEST(RewriteLinks, TextsThatWouldOutgrowTheirFieldStay) {
  LinkRename rename;
  Prepare(&rename, {kMacro});
  TextBufAssign(&rename.newText, "Marathon");
  char* text = StrDup("macro=\"Run\" macro=\"Run\"");
  EXPECT_FALSE(RewriteLinks(&rename, &text, 32));  // 23 bytes, 2 x 5 more: 33
  EXPECT_STREQ(text, "macro=\"Run\" macro=\"Run\"");
  EXPECT_TRUE(RewriteLinks(&rename, &text, 33));
  EXPECT_STREQ(text, "macro=\"Marathon\" macro=\"Marathon\"");
  BlockTextFree(&text);

  // A text at the largest length a text may have cannot grow at all.
  std::string longText = "macro=\"Run\"" + std::string(kTextBufMax - 11, 'x');
  text = StrDup(longText.c_str());
  EXPECT_FALSE(RewriteLinks(&rename, &text));
  EXPECT_EQ(std::string(text), longText);
  BlockTextFree(&text);

  // Without the keyword nothing is looked at.
  text = StrDup("Run, card=\"121122-1\"");
  EXPECT_FALSE(RewriteLinks(&rename, &text));
  BlockTextFree(&text);
}

class RenameTest : public LinksTest {
 protected:
  void SetUp() override {
    LinksTest::SetUp();
    ownWindow = new base_test::T_QuietWindow(kWindowCards, own);
    otherWindow = new base_test::T_QuietWindow(kWindowCards, other);
  }
  void TearDown() override {
    delete ownWindow;
    delete otherWindow;
    LinksTest::TearDown();
  }
  static std::string Notes(const CardRecord* card) { return card->notes ? card->notes : ""; }

  base_test::T_QuietWindow* ownWindow = nullptr;
  base_test::T_QuietWindow* otherWindow = nullptr;
};

TEST_F(RenameTest, MovingACardRewritesLinksInEveryOpenDatabase) {
  CardRecord* moved = Card(own, Id(2012, 11, 22, 1));
  CardRecord* linking = Card(own, Id(2012, 11, 22, 2), "See card=\"121122-1\".");
  CardRecord* untouched = Card(own, Id(2012, 11, 22, 3), "See card=\"121122-10\".");
  CardRecord* unqualified = Card(other, Id(2012, 11, 22, 1), "card=\"121122-1\"");
  std::string qualified = "card=\"[" + folder.path() + "\\own.qeb]121122-001\"";
  CardRecord* named = Card(other, Id(2012, 11, 22, 2), qualified.c_str());
  CardRecord* lookalike = Card(other, Id(2012, 11, 22, 3), "card=\"[x\\Aown.qeb]121122-1\"");
  LineRecord* line = CreateLine(other, other->FindOrAddGroup(named, 0));
  SetLineText(line, "<a card=\"[own.qeb]121122-1\">121122-1</a>");
  ownWindow->codes.clear();
  otherWindow->codes.clear();

  CardId to = Id(2012, 12, 24, 5);
  ASSERT_TRUE(MoveCard(own, moved, &to));

  EXPECT_EQ(Notes(linking), "See card=\"121224-5\".");
  SignatureStamp expected{PackTimeStamp(2024, 3, 15, 9, 30), "ABC"};
  EXPECT_TRUE(SignatureStampEqual(&linking->notesStamp, &expected));
  EXPECT_TRUE(SignatureStampIsEmpty(&linking->changed));  // only the notes changed
  EXPECT_EQ(Notes(untouched), "See card=\"121122-10\".");
  EXPECT_TRUE(SignatureStampIsEmpty(&untouched->notesStamp));
  EXPECT_NE(std::find(ownWindow->codes.begin(), ownWindow->codes.end(), kChangeCards),
            ownWindow->codes.end());

  EXPECT_EQ(Notes(unqualified), "card=\"121122-1\"");
  EXPECT_EQ(Notes(named), "card=\"[" + folder.path() + "\\own.qeb]121224-005\"");
  EXPECT_EQ(Notes(lookalike), "card=\"[x\\Aown.qeb]121122-1\"");
  EXPECT_STREQ(line->text, "<a card=\"[own.qeb]121224-5\">121224-5</a>");
  // A line text is a change of the card: it is stamped as changed (its first save creates it).
  EXPECT_TRUE(SignatureStampEqual(&named->created, &expected));
  EXPECT_EQ(std::count(otherWindow->codes.begin(), otherWindow->codes.end(), kChangeLinks), 1);
  EXPECT_EQ(std::count(otherWindow->codes.begin(), otherWindow->codes.end(), kChangeCards), 1);

  // A move within the id as printed changes nothing.
  ownWindow->codes.clear();
  CardId same = Id(2012, 12, 24, 5);
  ASSERT_TRUE(MoveCard(own, moved, &same));
  EXPECT_TRUE(ownWindow->codes.empty());
}

TEST_F(RenameTest, EveryTextThatMayHoldLinksFollows) {
  const char* link = "<a macro=\"Run\">Run</a>";
  const char* followed = "<a macro=\"Go\">Go</a>";
  CardRecord* card = Card(own, Id(2012, 11, 22, 1), link);
  SetCardTitle(card, link);
  LineRecord* line = CreateLine(own, own->FindOrAddGroup(card, 0));
  SetLineText(line, link);
  ComponentRecord* component = AddComponent(own, 1, "K1", link, nullptr);
  ASSERT_NE(component, nullptr);
  T_BoxTmpl* stored = AsBoxTemplate(Template(own, "Sales: Monthly"));
  BlockTextAssign(&stored->notes, link);
  std::vector<T_BoxTmpl*> defaults;
  for (T_Template* templ : own->defaultTemplates) {
    defaults.push_back(AsBoxTemplate(templ));
    BlockTextAssign(&defaults.back()->notes, link);
  }
  auto* scale = new TimeScale(own, "Quarters");
  CardId start = Id(2012, 1, 1, 1);
  TimeScaleAppendPeriod(scale, &start, "macro=\"Run\"");
  TimeScaleAppendPeriod(scale, &start, "macro=\"Run\" and a long name to fill the field");
  Subset* subset = SubsetCreate(own->subsets, "S1");
  BlockTextAssign(&subset->notes, link);
  own->SetModified(false);

  RenameMacroLinks(own, "Run", "Go");

  EXPECT_STREQ(card->title, followed);
  EXPECT_STREQ(card->notes, followed);
  EXPECT_STREQ(line->text, followed);
  EXPECT_STREQ(component->text, followed);
  EXPECT_STREQ(stored->notes, followed);
  for (T_BoxTmpl* templ : defaults) EXPECT_STREQ(templ->notes, followed);
  EXPECT_STREQ(TimeScalePeriod(scale, 0)->name, "macro=\"Go\"");
  EXPECT_STREQ(TimeScalePeriod(scale, 1)->name, "macro=\"Go\" and a long name to fill the field");
  EXPECT_STREQ(subset->notes, followed);
  EXPECT_TRUE(own->modified);

  // A name growing past the period name's 63 bytes leaves that name as it was.
  RenameMacroLinks(own, "Go", "A much longer name for the macro");
  EXPECT_STREQ(TimeScalePeriod(scale, 1)->name, "macro=\"Go\" and a long name to fill the field");
  EXPECT_STREQ(TimeScalePeriod(scale, 0)->name, "macro=\"A much longer name for the macro\"");

  // Renames that differ only in letter case do nothing.
  RenameMacroLinks(own, "A much longer name for the macro", "A MUCH LONGER NAME FOR THE MACRO");
  EXPECT_STREQ(TimeScalePeriod(scale, 0)->name, "macro=\"A much longer name for the macro\"");
}

TEST_F(RenameTest, TemplateRenamesReachOtherDatabasesByFileName) {
  CardRecord* mine = Card(own, Id(2012, 11, 22, 1), "template=\"Sales:Monthly\"");
  CardRecord* theirs = Card(other, Id(2012, 11, 22, 1),
                            "template=\"[own.qeb]Sales: Monthly\" template=\"Sales: Monthly\"");
  RenameTemplateLinks(own, "Sales: Monthly", "Sales: Weekly");
  EXPECT_EQ(Notes(mine), "template=\"Sales: Weekly\"");
  EXPECT_EQ(Notes(theirs), "template=\"[own.qeb]Sales: Weekly\" template=\"Sales: Monthly\"");
}

TEST_F(RenameTest, ADatabaseWithoutFileNameReachesOnlyItself) {
  auto* nameless = new T_Base(nullptr, 0);
  CardRecord* inside = Card(nameless, Id(2012, 11, 22, 1), "macro=\"Run\"");
  CardRecord* outside = Card(other, Id(2012, 11, 22, 1), "macro=\"Run\"");
  RenameMacroLinks(nameless, "Run", "Go");
  EXPECT_EQ(Notes(inside), "macro=\"Go\"");
  EXPECT_EQ(Notes(outside), "macro=\"Run\"");
}

TEST_F(RenameTest, EditFieldsTakeTheRewrittenText) {
  static bool registered = false;
  if (!registered) {
    RegisterFrameClasses(ProgramInstance());
    registered = true;
  }
  SetFrameVisible(false);
  NativeMenusInstall();
  auto* app = new T_Application(true);
  RECT rect{20, 20, 400, 300};
  auto* window = new T_Window(kKindDocument, &rect, 512, nullptr, true);
  auto* field = new T_Edit(window, XYWH{20, 20, 200, 16}, 1, true, false);
  field->SetText("Run it: macro=\"Run\"");

  LinkRename rename;
  Prepare(&rename, {kMacro});
  LinkRenameApplyToEdit(&rename, field);
  T_TextBuf text;
  field->GetText(&text);
  EXPECT_STREQ(text.c_str(), "Run it: macro=\"Go\"");

  field->SetText("Run it");
  LinkRenameApplyToEdit(&rename, field);
  field->GetText(&text);
  EXPECT_STREQ(text.c_str(), "Run it");
  delete app;
  SetMenuOperations(nullptr);
}

}  // namespace
}  // namespace links_test
