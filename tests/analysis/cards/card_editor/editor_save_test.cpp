// Saving from the card editor: the questions and their buttons, the no-loss rule for a card left
// without lines, the stamps, the repeats, deleting the card or its data, and the note that tells
// the other windows.
#include "database/base.h"
#include "database/change_notes.h"
#include "database/dimension_options.h"
#include "database/operation_log.h"
#include "tests/analysis/cards/card_editor/card_editor_fixture.h"

using namespace card_test;

namespace {

constexpr int32_t kOk = 700;
constexpr int32_t kCancel = 701;
constexpr int32_t kClose = 707;
constexpr int32_t kChange = 712;
constexpr int32_t kDontChange = 713;
constexpr int32_t kAdd = 714;
constexpr int32_t kDontAdd = 715;
constexpr int32_t kDelete = 718;
constexpr int32_t kRepeat = 720;

// The card records of one card in a "##Cards" text, from its "C" line to its closing empty line.
std::string CardText(const std::string& cards, const std::string& id) {
  size_t at = cards.find("C" + id + "\t");
  if (at == std::string::npos) return "";
  size_t end = cards.find("\r\n\r\n", at);
  return cards.substr(at, end == std::string::npos ? std::string::npos : end + 4 - at);
}

class NoteRecorder : public T_HWindow {
 public:
  explicit NoteRecorder(T_Base* base) : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, base, 0) {}
  void OnChange(const ChangeNote* note) override {
    if (note->code == kChangeCardSaved || note->code == kChangeCards) codes.push_back(note->code);
    if (note->code == kChangeCardSaved) saved = note->card;
  }
  static constexpr RECT kRect{0, 0, 100, 100};
  std::vector<int32_t> codes;
  CardRecord* saved = nullptr;
};

TEST_F(CardEditorTest, ClosingUnchangedAsksNothing) {
  std::string before = Cards();
  T_CardEditor* editor = Open("240110-1");
  ASSERT_TRUE(Close(editor));
  EXPECT_TRUE(answers.asked.empty());
  EXPECT_EQ(Cards(), before);
}

TEST_F(CardEditorTest, ChangeReplacesTheCardUnderItsIdAndStampsIt) {
  NoteRecorder notes(base);
  CardRecord* stored = CardAt("240110-1");
  T_CardEditor* editor = Open("240110-1");
  editor->StoreCellText(4, 1, "300");
  answers.script = {kChange};
  ASSERT_TRUE(Close(editor));
  EXPECT_EQ(answers.asked, std::vector<int32_t>{3203});
  EXPECT_EQ(CardAt("240110-1"), stored);  // the same record, the same id
  EXPECT_EQ(CardText(Cards(), "240110-1"),
            "C240110-1\tRent January\r\n"
            "N2401101200AK\tPaid by transfer.\r\n"
            "S2401101100AK\t2405061020TST\r\n"
            "GU1\r\n"
            "L1000\t1\tRent\t5010\tP1\r\n"
            "L-1000\t0\tPaid\t1910\r\n"
            "GU2\r\n"
            "L300\t0\tShare\t5010\r\n"
            "\r\n");
  EXPECT_EQ(notes.codes, std::vector<int32_t>{kChangeCardSaved});
  EXPECT_EQ(notes.saved, stored);
  EXPECT_EQ(base->cardCount, 2);
}

TEST_F(CardEditorTest, CancelStaysAndTheOtherNoAnswersCloseWithoutSaving) {
  std::string before = Cards();
  struct Case {
    const char* key;
    int32_t answer;
    bool closes;
  } cases[] = {{"240110-1", kCancel, false}, {"240110-1", kDontChange, true}};
  for (const Case& c : cases) {
    T_CardEditor* editor = Open(c.key);
    editor->StoreCellText(1, kFieldLineText, "Edited");
    answers.script = {c.answer};
    EXPECT_EQ(Close(editor), c.closes);
    if (!c.closes) EventHandler_CloseAndDelete(editor, 3);
    EXPECT_EQ(Cards(), before);
  }
}

TEST_F(CardEditorTest, AddKeepsTheStoredCardAndEntersANewOne) {
  std::string before = CardText(Cards(), "240110-1");
  T_CardEditor* editor = Open("240110-1");
  editor->StoreCellText(1, kFieldLineText, "Copied");
  answers.script = {kAdd};
  ASSERT_TRUE(Close(editor));
  std::string cards = Cards();
  EXPECT_EQ(CardText(cards, "240110-1"), before);
  std::string added = CardText(cards, "240110-3");
  EXPECT_NE(added.find("S2405061020TST\r\n"), std::string::npos) << added;
  EXPECT_NE(added.find("\tCopied\t"), std::string::npos) << added;
  EXPECT_EQ(base->cardCount, 3);
}

TEST_F(CardEditorTest, ANewCardIsAddedOnTodayWithTheCreatedStamp) {
  T_CardEditor* editor = openCardEditor(base, nullptr, kPositionId, nullptr, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_STREQ(editor->title, "New Card");
  EXPECT_EQ(editor->RowCount(), 1);
  editor->StoreCellText(0, kFieldGroup + 1, "3010");
  editor->StoreCellText(0, 1, "12.5");
  answers.script = {kAdd};
  ASSERT_TRUE(Close(editor));
  EXPECT_EQ(answers.asked, std::vector<int32_t>{3205});
  EXPECT_EQ(CardText(Cards(), "240506-1"),
            "C240506-1\tNew Card\r\n"
            "S2405061020TST\r\n"
            "G\r\n"
            "L12.5\t0\t\t3010\r\n"
            "\r\n");
}

TEST_F(CardEditorTest, ANewCardLeftEmptyClosesWithoutAQuestionAndDontAddDiscards) {
  T_CardEditor* editor = openCardEditor(base, nullptr, kPositionId, nullptr, 0);
  ASSERT_TRUE(Close(editor));
  EXPECT_TRUE(answers.asked.empty());
  editor = openCardEditor(base, nullptr, kPositionId, nullptr, 0);
  editor->StoreCellText(0, kFieldLineText, "x");
  answers.script = {kDontAdd};
  ASSERT_TRUE(Close(editor));
  EXPECT_EQ(base->cardCount, 2);
}

TEST_F(CardEditorTest, ACardWithoutLinesIsNeverSavedAndTheStoredCardStaysWhole) {
  std::string before = Cards();
  for (int32_t answer : {kCancel, kClose}) {
    SCOPED_TRACE(answer);
    T_CardEditor* editor = Open("240110-1");
    editor->DeleteData(false);
    answers.asked.clear();
    answers.script = {kChange, answer};
    bool closed = Close(editor);
    EXPECT_EQ(answers.asked, (std::vector<int32_t>{3203, 3513}));
    EXPECT_EQ(closed, answer == kClose);
    EXPECT_EQ(Cards(), before);
    if (!closed) {
      // The editor still works on the stored card it had.
      EXPECT_EQ(GetEditorCard(editor), CardAt("240110-1"));
      EventHandler_CloseAndDelete(editor, 3);
    }
  }
}

TEST_F(CardEditorTest, AMandatoryDimensionAsksForEachEmptyCell) {
  base->dimensions[2]->optionX = 1;  // the projects
  std::string before = Cards();
  struct Case {
    std::vector<int32_t> script;
    std::vector<int32_t> asked;
    bool closes;
  } cases[] = {
      {{kOk, kOk}, {2110, 2110}, false},  // both lines without a project, then the editor stays
      {{kCancel}, {2110}, false},
      {{kDontChange}, {2110}, true},
  };
  for (const Case& c : cases) {
    T_CardEditor* editor = Open("240110-1");
    editor->StoreCellText(1, kFieldLineText, "Edited");
    answers.asked.clear();
    answers.script = c.script;
    bool closed = Close(editor);
    EXPECT_EQ(answers.asked, c.asked);
    EXPECT_EQ(closed, c.closes);
    if (!closed) EventHandler_CloseAndDelete(editor, 3);
  }
  EXPECT_EQ(Cards(), before);
}

TEST_F(CardEditorTest, ADeclinedSignatureKeepsTheEditorOpen) {
  std::string before = Cards();
  T_CardEditor* editor = Open("240110-1");
  editor->StoreCellText(1, kFieldLineText, "Edited");
  refuseSignature = true;
  answers.script = {kChange};
  EXPECT_FALSE(Close(editor));
  EXPECT_EQ(Cards(), before);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(CardEditorTest, NotesAloneUpdateTheStoredCardWithTheNotesStamp) {
  CardRecord* stored = CardAt("240110-2");
  T_CardEditor* editor = Open("240110-2");
  editor->SetNotesText("Checked.");
  answers.script = {kChange};
  ASSERT_TRUE(Close(editor));
  EXPECT_EQ(CardAt("240110-2"), stored);
  EXPECT_EQ(CardText(Cards(), "240110-2"),
            "C240110-2\tSale\r\n"
            "N2405061020TST\tChecked.\r\n"
            "GU1\r\n"
            "L-400\t0\tSold\t3010\r\n"
            "\r\n");
}

TEST_F(CardEditorTest, ExaminedAndApprovedReachTheCardOnSave) {
  T_CardEditor* editor = Open("240110-2");
  EXPECT_FALSE(editor->DoCommand(kCommandExamine));  // only while the notes and stamps show
  editor->ShowNotes(true);
  ASSERT_TRUE(editor->DoCommand(kCommandExamine));
  editor->StoreCellText(1, kFieldLineText, "Sold again");
  answers.script = {kChange};
  ASSERT_TRUE(Close(editor));
  std::string text = CardText(Cards(), "240110-2");
  EXPECT_NE(text.find("S\t2405061020TST\t2405061020TST\r\n"), std::string::npos) << text;
}

TEST_F(CardEditorTest, ANewDateMovesTheCardToTheFirstFreeNumber) {
  T_CardEditor* editor = Open("240110-2");
  editor->TakeCardIdText("240110");  // the stored date keeps the stored id
  EXPECT_EQ(editor->cardId.sequence, 2);
  editor->TakeCardIdText("no date");
  EXPECT_EQ(editor->cardId.sequence, 2);
  editor->TakeCardIdText("240110-1");
  EXPECT_EQ(editor->cardId.sequence, 2);
  editor->StepCardDate(0, 0, -1);
  EXPECT_EQ(editor->cardId.date, PackDate(2024, 1, 9));
  editor->TakeCardIdText("240201");
  EXPECT_EQ(editor->cardId.date, PackDate(2024, 2, 1));
  EXPECT_EQ(editor->cardId.sequence, 1);
  answers.script = {kChange};
  ASSERT_TRUE(Close(editor));
  std::string cards = Cards();
  EXPECT_EQ(CardText(cards, "240110-2"), "");
  EXPECT_NE(CardText(cards, "240201-1"), "");
  EXPECT_EQ(base->cardCount, 2);
}

TEST_F(CardEditorTest, RepeatAddsCopiesAtEachUnit) {
  struct Case {
    const char* date;
    int32_t unit;
    int32_t count;
    std::vector<std::string> ids;
    bool told;
  } cases[] = {
      {"240131", kRepeatMonths, 3, {"240131-1", "240229-1", "240331-1"}, false},
      {"240131", kRepeatWeeks, 2, {"240131-1", "240207-1"}, false},
      {"240131", kRepeatYears, 2, {"240131-1", "250131-1"}, false},
      {"240131", kRepeatSameDay, 2, {"240131-1", "240131-2"}, false},
      {"240131", kRepeatDays, 1, {"240131-1"}, false},
      {"691130", kRepeatMonths, 4, {"691130-1", "691230-1"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.date);
    T_CardEditor* editor = openCardEditor(base, nullptr, kPositionId, nullptr, 0);
    editor->TakeCardIdText(c.date);
    editor->StoreCellText(0, 1, "5");
    repeatUnit = c.unit;
    repeatCount = c.count;
    answers.shown.clear();
    answers.script = {kRepeat};
    int64_t cardsBefore = base->cardCount;
    ASSERT_TRUE(Close(editor));
    std::string cards = Cards();
    for (const std::string& id : c.ids) EXPECT_NE(CardText(cards, id), "") << id;
    EXPECT_EQ(base->cardCount - cardsBefore, static_cast<int64_t>(c.ids.size()));
    bool told = !answers.shown.empty() && answers.shown.back().substr(0, 4) == "3523";
    EXPECT_EQ(told, c.told);
    for (const std::string& id : c.ids) DeleteCard(base, CardAt(id.c_str()));
  }
}

TEST_F(CardEditorTest, ACancelledRepeatKeepsTheEditorOpen) {
  T_CardEditor* editor = Open("240110-2");
  editor->StoreCellText(1, kFieldLineText, "x");
  repeatCancelled = true;
  answers.script = {kRepeat};
  EXPECT_FALSE(Close(editor));
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(CardEditorTest, DeleteCardAsksThenDeletesAndCloses) {
  NoteRecorder notes(base);
  T_CardEditor* editor = Open("240110-2");
  answers.script = {kCancel};
  EXPECT_FALSE(editor->DoCommand(kCommandDeleteCard));
  EXPECT_NE(CardAt("240110-2"), nullptr);
  answers.shown.clear();
  answers.script = {kDelete};
  EXPECT_TRUE(editor->DoCommand(kCommandDeleteCard));
  EXPECT_EQ(answers.shown.back(), "3208|240110-002 Sale");
  EXPECT_EQ(CardAt("240110-2"), nullptr);
  EXPECT_EQ(notes.codes, std::vector<int32_t>{kChangeCards});
}

TEST_F(CardEditorTest, AnotherEditorOfADeletedCardKeepsItsRowsAsANewCard) {
  T_CardEditor* editor = Open("240110-2");
  T_CardEditor* second = openCardEditor(base, CardAt("240110-2"), kPositionId, nullptr, kOpenNewWindow);
  answers.script = {kDelete};
  ASSERT_TRUE(editor->DoCommand(kCommandDeleteCard));
  EXPECT_EQ(GetEditorCard(second), nullptr);
  EXPECT_EQ(second->CountDataLines(), 1);
  answers.script = {kAdd};
  ASSERT_TRUE(Close(second));
  EXPECT_EQ(answers.asked.back(), 3205);
  EXPECT_NE(CardText(Cards(), "240110-2"), "");
}

TEST_F(CardEditorTest, DeleteDataAsksWithTheNumberOfLines) {
  T_CardEditor* editor = Open("240110-1");
  answers.script = {kCancel};
  editor->DoCommand(kCommandDeleteData);
  EXPECT_EQ(answers.shown.back(), "3624|3");
  EXPECT_EQ(editor->CountDataLines(), 3);
  answers.script = {kDelete};
  editor->DoCommand(kCommandDeleteData);
  EXPECT_EQ(editor->CountDataLines(), 0);
  EXPECT_EQ(editor->RowCount(), 1);
}

}  // namespace


namespace {

TEST_F(CardEditorTest, ASaveIsLoggedAsAChangedCard) {
  LogCapture capture;
  OpenErrorFile(base, "card_editor_log.txt", false, 0, true, false);
  ScriptedAnswers user;  // above the log, which would answer on its own
  T_CardEditor* editor = Open("240110-2");
  editor->StoreCellText(1, kFieldLineText, "Logged");
  user.script = {kChange};
  ASSERT_TRUE(Close(editor));
  bool logged = false;
  for (const std::string& line : LogCapture::Lines())
    logged = logged || line.find("Changed card \"240110-002\"") != std::string::npos;
  EXPECT_TRUE(logged) << ::testing::PrintToString(LogCapture::Lines());
  CloseAlertLog(base, true);
}

}  // namespace
