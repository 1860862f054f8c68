// The data commands of the cards window (delete, mark), the check of open card windows before
// them, its answers to change notes, and the selection as a "## Selection" block.
#include <cstring>

#include "database/change_notes.h"
#include "tests/analysis/cards/cards_fixture.h"
#include "ui/clipboard_data.h"

namespace cards_test {
namespace {

using CardsCommands = CardsTest;

// A card window showing a card, which refuses to close when asked to.
class T_FakeCardEditor : public T_HWindow {
 public:
  T_FakeCardEditor(T_Base* database, CardRecord* shown, bool refuses)
      : T_HWindow(kKindDocument, kWindowCardEditor, &kRect, 0, database, 1),
        card(shown),
        refuse(refuses) {}
  bool QueryClose(int32_t code) override {
    ++asked;
    return refuse ? false : T_HWindow::QueryClose(code);
  }
  static constexpr RECT kRect{10, 10, 200, 100};
  CardRecord* card;
  bool refuse;
  int32_t asked = 0;
};

T_FakeCardEditor* openEditor = nullptr;

int64_t LinesOf(T_Base* base) {
  int64_t n = 0;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next)
    for (GroupRecord* g = card->firstGroup; g; g = g->next)
      for (LineRecord* l = g->firstLine; l; l = l->next) ++n;
  return n;
}

CardRecord* CardTitled(T_Base* base, const char* title) {
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next)
    if (card->title && std::strcmp(card->title, title) == 0) return card;
  return nullptr;
}

TEST_F(CardsCommands, DeleteDataDeletesByTheContentsScope) {
  struct Case {
    const char* lineText;
    uint32_t groups, lines;
    const char* question;
    int64_t cardsAfter, linesAfter;
  } cases[] = {
      // Scope 0: the listed cards.
      {"wid", kContentsNone, kContentsSelected, "2 cards", 4, 2},
      // Scope 1: the listed groups, their cards stamped.
      {"wid", kContentsSelected, kContentsAll, "2 groups", 5, 3},
      // Scope 2: the listed lines.
      {"wid", kContentsSelected, kContentsSelected, "2 lines", 5, 4},
  };
  for (const Case& c : cases) {
    DeleteBase(base, kCloseSilently);
    base = MakeFixtureDatabase();
    T_CardsTmpl* templ = Template();
    SelectionDef_setPattern(&templ->selection, kPatternLineText, c.lineText);
    templ->options.groupsMode = c.groups;
    templ->options.linesMode = c.lines;
    T_Cards* window = Open(templ);
    alerts->asked.clear();
    alerts->answers = {0};  // Delete
    window->DeleteData(true);
    ASSERT_EQ(alerts->asked.size(), 1u);
    EXPECT_EQ(alerts->asked[0].message, 3208);
    EXPECT_NE(FormattedText(alerts->asked[0]).find(c.question), std::string::npos)
        << FormattedText(alerts->asked[0]);
    EXPECT_EQ(base->cardCount, c.cardsAfter) << c.question;
    EXPECT_EQ(LinesOf(base), c.linesAfter) << c.question;
    // Code 28 came back with AutoRecalc on: the rows were built again from what is left.
    EXPECT_EQ(window->rowCount, 0) << c.question;
    if (c.groups == kContentsSelected && c.lines == kContentsAll) {
      CardRecord* one = CardTitled(base, "Sale one");
      ASSERT_NE(one, nullptr);
      EXPECT_STREQ(one->changed.signature, "ME");
    }
    Close(window);
    templates.clear();
    delete templ;
  }
}

TEST_F(CardsCommands, CancelOrARefusingCardWindowDeletesNothing) {
  T_CardsTmpl* templ = Template();
  T_Cards* window = Open(templ);
  alerts->answers = {1};  // Cancel
  window->DeleteData(true);
  EXPECT_EQ(base->cardCount, 6);

  auto* editor = new T_FakeCardEditor(base, CardTitled(base, "Sale two"), true);
  openEditor = editor;
  SetEditorCardHook([](T_HWindow* w) -> const CardRecord* {
    return w == openEditor ? openEditor->card : nullptr;
  });
  window->DeleteData(false);
  EXPECT_EQ(editor->asked, 1);
  EXPECT_EQ(base->cardCount, 6);
  alerts->answers = {0};
  window->MarkCards(kCommandExamine);
  EXPECT_TRUE(SignatureStampIsEmpty(&CardTitled(base, "Sale one")->examined));

  // An editor that agrees closes, and the command goes on.
  editor->refuse = false;
  alerts->answers = {0};
  window->MarkCards(kCommandApprove);
  openEditor = nullptr;
  EXPECT_STREQ(CardTitled(base, "Sale two")->approved.signature, "ME");
  EXPECT_EQ(FindWindowOfKind(kWindowCardEditor, base), nullptr);
}

TEST_F(CardsCommands, MarkCardsAsksWithTheCountAndStampsEveryListedCard) {
  T_CardsTmpl* templ = Template();
  SelectionDef_setPattern(&templ->selection, kPatternCardTitle, "sale");
  T_Cards* window = Open(templ);
  alerts->answers = {0};
  window->MarkCards(kCommandExamine);
  ASSERT_EQ(alerts->asked.size(), 1u);
  EXPECT_EQ(alerts->asked[0].message, 3625);
  EXPECT_NE(FormattedText(alerts->asked[0]).find("2 cards"), std::string::npos);
  EXPECT_STREQ(CardTitled(base, "Sale one")->examined.signature, "ME");
  EXPECT_STREQ(CardTitled(base, "Sale two")->examined.signature, "ME");
  EXPECT_TRUE(SignatureStampIsEmpty(&CardTitled(base, "Purchase")->examined));
  alerts->answers = {1};
  window->MarkCards(kCommandApprove);
  EXPECT_EQ(alerts->asked.back().message, 3626);
  EXPECT_TRUE(SignatureStampIsEmpty(&CardTitled(base, "Sale two")->approved));
}

TEST_F(CardsCommands, ChangeNotesDropRowsBeforeAnythingReadsThem) {
  struct Case {
    int32_t code;
    bool autoRecalc;
    int64_t rowsAfter;
    bool calcEnabled;
  } cases[] = {
      {kChangeCards, true, 15, false},         {kChangeCards, false, 0, true},
      {kChangeCardSaved, false, 0, true},      {kChangeLinesMoving, true, 0, true},
      {kChangeReferenceDate, false, 15, true},
  };
  for (const Case& c : cases) {
    T_Cards* window = Open(Template());
    ASSERT_EQ(window->rowCount, 15);
    autoRecalcOn = c.autoRecalc;
    base->NotifyCode(c.code);
    EXPECT_EQ(window->rowCount, c.rowsAfter) << c.code;
    EXPECT_EQ(window->CalcButtonEnabled(), c.calcEnabled) << c.code;
    autoRecalcOn = true;
    Close(window);
  }
  // With AutoRecalc off, cards deleted behind the window leave nothing for the export to read.
  T_Cards* window = Open(Template());
  autoRecalcOn = false;
  DeleteCard(base, CardTitled(base, "Sale one"));
  base->NotifyCode(kChangeCards);
  T_OStream stream;
  window->output.format = kOutputXml;
  window->WriteText(&stream, 0);
  EXPECT_EQ(StreamText(stream).find("<card>"), std::string::npos);
  window->RunCalculation(true, true);
  EXPECT_EQ(window->rowCount, 9);
}

TEST_F(CardsCommands, TheSelectionBlockGoesAndComesBack) {
  T_CardsTmpl* templ = Template();
  SelectionDef_setComponentText(&templ->selection, 0, "3010");
  SelectionDef_setPattern(&templ->selection, kPatternLineText, "wid");
  T_Cards* window = Open(templ);
  T_OStream stream;
  window->WriteSelectionBlock(&stream);
  std::string block = StreamText(stream);
  EXPECT_EQ(block, "## Selection\r\nVD1\t3010\r\nVL\twid\r\nVZ\tD2\r\n");

  SelectionDef before;
  SelectionDef_init(&before, base);
  SelectionDef_fromSelection(&before, &window->selection);
  // A text without a block changes nothing.
  EXPECT_FALSE(window->ReadSelectionBlock("VD1\t1910\r\nnothing here\r\n"));
  T_Cards* other = Open(Template());
  EXPECT_TRUE(
      other->ReadSelectionBlock(("# note\r\n" + block + "# after\r\nVD1\t1910\r\n").c_str()));
  EXPECT_TRUE(other->CalcButtonEnabled());
  SelectionDef after;
  SelectionDef_init(&after, base);
  SelectionDef_fromSelection(&after, &other->selection);
  EXPECT_TRUE(SelectionDef_equal(&before, &after));
  SelectionDef_free(&before);
  SelectionDef_free(&after);

  // Through the clipboard.
  ASSERT_TRUE(window->CopySelection());
  T_Cards* third = Open(Template());
  if (third->PasteSelection()) {
    third->RunCalculation(true, true);
    EXPECT_EQ(Dump(third), "C Sale one\nG 3010\nL Widget\nC Sale two\nG 3010\nL Widget\n");
  }
}

}  // namespace
}  // namespace cards_test
