// The separator-character chooser: its items per mode, its labels, its choices with the change
// note to the parent, and "Other..." through the custom-character dialog run modally.
#include <string>
#include <vector>

#include "core/locale.h"
#include "dialog_fixture.h"
#include "ui/char_chooser.h"
#include "ui/edit_field.h"

namespace dialogs_test {
namespace {

class T_NoteDialog : public T_HDialog {
 public:
  T_NoteDialog() : T_HDialog(300, 200, nullptr, nullptr) {}
  void OnChange(const ChangeNote* note) override {
    notes.push_back(*note);
    T_HDialog::OnChange(note);
  }
  std::vector<ChangeNote> notes;
};

std::vector<std::string> Items(T_Chooser* chooser) {
  std::vector<std::string> items;
  for (int64_t i = 0; i < chooser->count; ++i) {
    ChooserEvent record;
    chooser->DescribeItem(i, &record);
    items.push_back(record.text ? record.text : "-");
  }
  return items;
}

std::string Label(uint32_t code, uint16_t defaultChar, bool detail) {
  T_TextBuf text;
  CharLabel(&text, code, defaultChar, detail);
  return text.data;
}

constexpr XYWH kRow{6, 2, 191, 15};

class CharChooserTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    saved = SeparatorsGet();
    SeparatorsSet({',', ' '});
  }
  void TearDown() override {
    SeparatorsSet(saved);
    DialogTest::TearDown();
  }
  SeparatorPair saved{};
};

TEST_F(CharChooserTest, Labels) {
  struct Case {
    uint32_t code;
    uint16_t defaultChar;
    bool detail;
    const char* label;
  } cases[] = {
      {7, 0, false, "#7"},
      {31, 0, false, "#31"},
      {33, 0, false, "!"},
      {10, 0, false, "linefeed"},
      {10, 0, true, "linefeed (LF)"},
      {13, 0, true, "return (CR)"},
      {1, 0, false, "None"},
      {2, 0, true, "CR/LF"},
      {9, 0, false, "tab"},
      {32, 0, false, "space"},
      {44, 0, false, "comma"},
      {46, 0, false, "point"},
      {59, 0, false, "semicolon"},
      {160, 0, false, "padding"},
      {0xE9, 0, false, "\xC3\xA9"},
      {0, ',', false, "comma"},
      {0, ',', true, "comma from System"},
      {0, 0, false, "None"},
      {0, 0, true, "None from System"},
      {0, 2, true, "CR/LF from System"},
      {0, 10, true, "linefeed from System"},
  };
  for (const Case& c : cases) EXPECT_EQ(Label(c.code, c.defaultChar, c.detail), c.label) << c.code;
}

TEST_F(CharChooserTest, ItemsPerModeWithTheCurrentCharacter) {
  struct Case {
    int32_t flags;
    uint16_t character;
    std::vector<std::string> items;
    int64_t current;
  } cases[] = {
      {kCharModeField, '|', {"tab", "comma", "space", "semicolon", "|", "-", "Other..."}, 4},
      {kCharModeField, 9, {"tab", "comma", "space", "semicolon", "-", "Other..."}, 0},
      {kCharModeDecimal | kCharOfferDefault,
       0,
       {"comma", "-", "comma", "point", "-", "Other..."},
       0},
      {kCharModeThousands | kCharOfferDefault,
       ' ',
       {"space", "-", "None", "space", "padding", "point", "comma", "-", "Other..."},
       3},
      {kCharModeQuote, '\'', {"None", "\"", "'", "_", "-", "Other..."}, 2},
      {kCharModeRowEnd | kCharOfferDefault,
       2,
       {"CR/LF", "-", "return", "linefeed", "CR/LF", "-", "Other..."},
       4},
      {kCharModeLineEnd, 10, {"return", "linefeed", "-", "Other..."}, 1},
      {9 | kCharOfferDefault, 'x', {"None", "-", "x", "-", "Other..."}, 2},
  };
  T_NoteDialog dialog;
  for (const Case& c : cases) {
    uint16_t character = c.character;
    auto* chooser = new T_ChooseChar(&dialog, kRow, 1, &character, c.flags);
    EXPECT_EQ(Items(chooser), c.items) << c.flags << " " << c.character;
    EXPECT_EQ(chooser->current, c.current) << c.flags << " " << c.character;
    delete chooser;
  }
}

TEST_F(CharChooserTest, TheOpenListShowsDetails) {
  T_NoteDialog dialog;
  uint16_t character = 0;
  auto* chooser =
      new T_ChooseChar(&dialog, kRow, 1, &character, kCharModeDecimal | kCharOfferDefault);
  chooser->listOpen = 1;
  EXPECT_EQ(Items(chooser)[0], "comma from System");
  chooser->listOpen = 0;
  EXPECT_EQ(Items(chooser)[0], "comma");
}

TEST_F(CharChooserTest, AChoiceStoresTheCharacterAndTellsTheParent) {
  T_NoteDialog dialog;
  uint16_t character = 9;
  auto* chooser = new T_ChooseChar(&dialog, kRow, 4, &character, kCharModeField);
  chooser->SetSelection(3, kSelectReport);
  EXPECT_EQ(character, ';');
  ASSERT_EQ(dialog.notes.size(), 1u);
  EXPECT_EQ(dialog.notes[0].code, kChangeControl);
  EXPECT_EQ(dialog.notes[0].object, chooser);
  chooser->SetSelection(3, kSelectReportAlways);  // the same character again: no note
  EXPECT_EQ(dialog.notes.size(), 1u);
}

TEST_F(CharChooserTest, OtherAsksForACharacter) {
  T_NoteDialog dialog;
  uint16_t character = 9;
  auto* chooser = new T_ChooseChar(&dialog, kRow, 4, &character, kCharModeField);
  chooser->SetTitleId(1110);
  EventHandler_Open(&dialog);  // shown, so the custom-character dialog shows too
  struct Step {
    const char* typed;  // null: Cancel
    uint16_t character;
    int64_t count;
    int64_t current;
  } steps[] = {
      {"|", '|', 7, 4},      // a new custom item
      {"#", '#', 7, 4},      // the custom item changes
      {"comma", ',', 7, 1},  // a character of the set
      {nullptr, ',', 7, 1},  // Cancel changes nothing
      {"#2", ',', 7, 1},     // no character: nothing changes
  };
  for (const Step& step : steps) {
    std::string title;
    WhileModal([&](T_Window* running) {
      auto* custom = dynamic_cast<T_CustomChar*>(running);
      ASSERT_NE(custom, nullptr);
      title = custom->Title();
      if (step.typed) {
        custom->CommitText(step.typed);
        PressButton(custom, kDialogOkId);
      } else {
        PressButton(custom, kDialogCancelId);
      }
    });
    ChooserEvent record;
    record.code = kChooserChosen;
    record.chooser = chooser;
    record.index = chooser->OtherItem();
    chooser->OnChooserEvent(chooser, &record);
    EXPECT_EQ(title, "Between Fields");
    EXPECT_EQ(character, step.character) << (step.typed ? step.typed : "Cancel");
    EXPECT_EQ(chooser->count, step.count);
    EXPECT_EQ(chooser->current, step.current);
  }
  EXPECT_EQ(Items(chooser)[4], "#");
}

TEST_F(CharChooserTest, TheCustomCharacterDialogReadsNames) {
  struct Case {
    const char* typed;
    uint16_t character;
    const char* shown;
  } cases[] = {
      {"tab", 9, "tab"},  {"#7", 7, "#7"},
      {"#2", 0, ""},      {"", 0, ""},
      {" ", 32, "space"}, {"comma", 44, "comma"},
      {"|", '|', "|"},    {"\xF0\x9F\x98\x80", 0, ""},  // beyond 16 bits: no separator
  };
  for (const Case& c : cases) {
    T_CustomChar dialog(nullptr, 'x', 0);
    T_TextBuf text(c.typed);
    dialog.OnEditText(&text, nullptr);
    EXPECT_EQ(dialog.character, c.character) << c.typed;
    EXPECT_EQ(std::string(text.data), c.shown) << c.typed;
  }
  EXPECT_EQ(std::string(T_CustomChar(nullptr, 9, 0).fieldText.data), "tab");
  EXPECT_EQ(std::string(T_CustomChar(nullptr, 2, 0).fieldText.data), "");
}

TEST_F(CharChooserTest, CancelInTheCustomDialogGivesNoCharacter) {
  for (uint32_t button : {kDialogOkId, kDialogCancelId}) {
    T_CustomChar dialog(nullptr, ';', 1211);
    WhileModal([button](T_Window* running) { PressButton(running, button); });
    Dialog_Run(&dialog);
    EXPECT_EQ(dialog.character, button == kDialogOkId ? ';' : 0);
  }
}

TEST_F(CharChooserTest, OkTakesWhatWasTypedInTheField) {
  T_CustomChar dialog(nullptr, ';', 1211);
  std::string shown;
  WhileModal([&](T_Window* running) {
    auto* field = static_cast<T_Edit*>(FindItem(running, T_CustomChar::kFieldId));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(running->focusedItem, field);
    ASSERT_NE(field->overlay.control, nullptr);  // typing goes to the native control
    SendMessageW(field->overlay.control, EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"#9")) SendMessageW(field->overlay.control, WM_CHAR, c, 1);
    PressButton(running, kDialogOkId);
    T_TextBuf text;
    field->GetText(&text);
    shown = text.data;
  });
  Dialog_Run(&dialog);
  EXPECT_EQ(dialog.character, 9);
  EXPECT_EQ(shown, "tab");
}

TEST_F(CharChooserTest, RowsStackNineteenPixelsApart) {
  T_NoteDialog dialog;
  uint16_t a = 0;
  uint16_t b = 0;
  XYWH rect = kRow;
  T_ChooseChar* first =
      NewChooseCharRow(&dialog, &rect, 1108, 2, &a, kCharModeDecimal | kCharOfferDefault, 95);
  T_ChooseChar* second = NewChooseCharRow(&dialog, &rect, 1109, 3, &b, kCharModeThousands, 0);
  EXPECT_EQ(first->y, 2);
  EXPECT_EQ(second->y, 21);
  EXPECT_EQ(rect.y, 40);
  EXPECT_EQ(std::string(first->title.shown), "Decimal");
  EXPECT_EQ(first->minTitleWidth, 95);
  EXPECT_EQ(second->minTitleWidth, 0);
  EXPECT_TRUE(first->opened);
}

TEST_F(CharChooserTest, StoredCodesAndRowTerminators) {
  struct Resolve {
    uint32_t code;
    int32_t mode;
    uint32_t result;
  } resolves[] = {
      {1, 0, 0}, {1, 2, 0}, {0, 0, ','}, {2, 0, ','},   {3, 1, ' '},         {0xFEFF, 1, ' '},
      {0, 2, 0}, {2, 4, 2}, {4, 0, 4},   {';', 1, ';'}, {0xFEFF, 3, 0xFEFF},
  };
  for (const Resolve& r : resolves)
    EXPECT_EQ(ResolveSeparatorChar(r.code, r.mode), r.result) << r.code << "/" << r.mode;

  struct Terminator {
    uint32_t code;
    const char* bytes;
  } terminators[] = {{0, "\r\n"}, {2, "\r\n"}, {13, "\r"}, {10, "\n"}, {1, ""}, {0xA7, "\xC2\xA7"}};
  for (const Terminator& t : terminators) {
    T_TextBuf text;
    EXPECT_EQ(RowTerminatorText(&text, t.code), static_cast<int32_t>(std::string(t.bytes).size()))
        << t.code;
    EXPECT_EQ(std::string(text.data), t.bytes) << t.code;
  }
}

}  // namespace
}  // namespace dialogs_test
