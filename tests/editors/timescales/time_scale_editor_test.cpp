// The time scale editor: its rows as cells, the row commands, pasting and importing periods,
// tidying and saving with its questions and unique names, the card-number digits and deleting
// the edited time scale; reached through the engine's seams.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/owned_text.h"
#include "core/packed_date.h"
#include "database/change_notes.h"
#include "database/date_ref.h"
#include "database/object_services.h"
#include "database/time_scale.h"
#include "editors/editor_menus.h"
#include "editors/editor_questions.h"
#include "editors/time_scale_editor.h"
#include "tests/editors/editors_fixture.h"
#include "ui/clipboard_data.h"
#include "ui/edit_field.h"
#include "ui/event_record.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"

namespace editors_test {
namespace {

using TimeScaleEditor = EditorTest;

CardId Id(const char* text) {
  CardId id;
  parseDate(&id, text, static_cast<int32_t>(std::strlen(text)), kDirectionFrom);
  return id;
}

TimeScale* Scale(T_Base* base, const char* name, std::vector<std::pair<const char*, const char*>> periods) {
  auto* scale = new TimeScale(base, name);
  for (const auto& [start, period] : periods) {
    CardId id = Id(start);
    TimeScaleAppendPeriod(scale, &id, period);
  }
  return scale;
}

// Types the text into a cell as the user would: the cell is selected, edited and left.
void TypeCell(T_TScaleEditor* editor, int64_t row, int32_t field, const char* text) {
  editor->SelectEditCell(row, field);
  if (editor->editOverlay) {
    editor->editOverlay->SetText(text);
  } else {
    TextBufAssign(&editor->editedText, text);
  }
  editor->SelectEditCell(-1, -1);
}

// The rows as "start name|" with the start as the cell shows it.
std::string Rows(T_TScaleEditor* editor) {
  std::string shown;
  for (int64_t i = 0; i < editor->rows.count; ++i) {
    const auto* row = reinterpret_cast<const TimePeriod*>(PagedArrayAt(&editor->rows, i));
    T_TextBuf start;
    if (row->start.date) FormatCardIdToString(&start, &row->start, 3);
    shown += std::string(start.c_str()) + " " + (row->name ? row->name : "") + "|";
  }
  return shown;
}

void WriteWholeFile(const char* path, const char* text) {
  FILE* file = std::fopen(path, "wb");
  ASSERT_NE(file, nullptr);
  std::fputs(text, file);
  std::fclose(file);
}

// The time scale notes among those the recorder got (windows opening and closing send theirs).
std::vector<int32_t> ScaleNotes(const std::vector<int32_t>& codes) {
  std::vector<int32_t> notes;
  for (int32_t code : codes) {
    if (code >= kChangeTimeScaleRenamed && code <= kChangeTimeScaleDeleted) notes.push_back(code);
  }
  return notes;
}

std::string Periods(const TimeScale* scale) {
  std::string shown;
  for (int64_t i = 0; i < TimeScalePeriodCount(scale); ++i) {
    const TimePeriod* period = TimeScalePeriod(scale, i);
    T_TextBuf start;
    FormatCardIdToString(&start, &period->start, 3);
    shown += std::string(start.c_str()) + " " + (period->name ? period->name : "") + "|";
  }
  return shown;
}

TEST_F(TimeScaleEditor, ANewScaleIsTidiedAndAddedUnderAUniqueName) {
  // Nothing entered: closes without a question.
  T_TScaleEditor* editor = OpenTimeScaleEditor(base, nullptr);
  ASSERT_NE(editor, nullptr);
  EXPECT_STREQ(editor->Title(), "Time Scale");
  EXPECT_EQ(editor->rowCount, 1);
  EXPECT_EQ(editor->width, 3 * 7 + 58 + 120);
  EXPECT_EQ(editor->height, T_TScaleEditor::kHeight);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_TRUE(alerts->asked.empty());
  EXPECT_EQ(base->timeScales, nullptr);

  // July, January and an empty row are saved as two periods, January first; the second new
  // scale under the same name gets its number raised.
  for (const char* expected : {"Time Scale", "Time Scale 1"}) {
    SCOPED_TRACE(expected);
    alerts->asked.clear();
    editor = OpenTimeScaleEditor(base, nullptr);
    ASSERT_NE(editor, nullptr);
    TypeCell(editor, 0, 0, " 050701 ");
    TypeCell(editor, 0, 1, "\tSecond half ");
    editor->SelectEditCell(0, 1);
    editor->InsertRow();
    TypeCell(editor, 1, 0, "0501");  // a partial date completes to the first day
    TypeCell(editor, 1, 1, "First half");
    editor->SelectEditCell(1, 0);
    editor->InsertRow();
    EXPECT_EQ(Rows(editor), "050701-001 Second half|050101-001 First half| |");
    alerts->answers.push_back(kButtonAdd);
    EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
    EXPECT_EQ(Asked(), std::vector<int32_t>{kAskAdd});
    TimeScale* added = base->FindTimeScale(expected);
    ASSERT_NE(added, nullptr);
    EXPECT_STREQ(added->name, expected);
    EXPECT_EQ(Periods(added), "050101-001 First half|050701-001 Second half|");
  }
  EXPECT_TRUE(base->modified);
  EXPECT_EQ(ScaleNotes(recorder->codes), (std::vector<int32_t>{kChangeTimeScaleAdded, kChangeTimeScaleChanged,
                                                   kChangeTimeScaleAdded, kChangeTimeScaleChanged}));
}

TEST_F(TimeScaleEditor, ChangesAskAndAddKeepsTheEditedScale) {
  TimeScale* years = Scale(base, "Years", {{"050101", "2005"}, {"060101", "2006"}});
  struct Case {
    int32_t answer;
    bool closes;
    const char* name;     // typed into the name field
    const char* periods;  // of "Years" afterwards
    const char* added;    // the new scale's name, or null
  };
  const Case cases[] = {
      {kButtonCancel, false, "Years", "050101-001 2005|060101-001 2006|", nullptr},
      {kButtonDontChange, true, "Years", "050101-001 2005|060101-001 2006|", nullptr},
      {kButtonAdd, true, "Years", "050101-001 2005|060101-001 2006|", "Years 1"},
      {kButtonChange, true, "Calendar", "050101-001 2005|060101-001 Next|", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    alerts->asked.clear();
    recorder->codes.clear();
    T_TScaleEditor* editor = OpenTimeScaleEditor(base, years);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(OpenTimeScaleEditor(base, years), editor);  // one editor per time scale
    EXPECT_EQ(Rows(editor), "050101-001 2005|060101-001 2006|");
    editor->nameField->SetText(c.name);
    TypeCell(editor, 1, 1, "Next");
    alerts->answers.push_back(c.answer);
    EXPECT_EQ(EventHandler_CloseAndDelete(editor, 0), c.closes);
    EXPECT_EQ(Asked(), std::vector<int32_t>{kAskChange});
    EXPECT_EQ(Periods(years), c.periods);
    if (c.added) {
      TimeScale* added = base->FindTimeScale(c.added);
      ASSERT_NE(added, nullptr);
      EXPECT_EQ(Periods(added), "050101-001 2005|060101-001 Next|");
    }
    if (c.answer == kButtonChange) {
      EXPECT_STREQ(years->name, "Calendar");
      EXPECT_EQ(ScaleNotes(recorder->codes), (std::vector<int32_t>{kChangeTimeScaleRenamed,
                                                       kChangeTimeScaleChanged}));
    }
    if (!c.closes) {
      EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
    }
  }
  // Unchanged: no question.
  alerts->asked.clear();
  T_TScaleEditor* editor = OpenTimeScaleEditor(base, years);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_TRUE(alerts->asked.empty());
}

TEST_F(TimeScaleEditor, RowCommandsInsertEraseAndEnter) {
  TimeScale* halves = Scale(base, "Halves", {{"050101", "H1"}, {"050701", "H2"}});
  T_TScaleEditor* editor = OpenTimeScaleEditor(base, halves);
  ASSERT_NE(editor, nullptr);
  editor->SelectEditCell(0, 1);
  InputEvent enter;
  enter.keyCode = kKeyEnter;
  EXPECT_TRUE(editor->GridKeyDown(&enter));  // an empty row after the selected one, editing
  EXPECT_EQ(Rows(editor), "050101-001 H1| |050701-001 H2|");
  EXPECT_EQ(editor->selectedRow, 1);
  EXPECT_EQ(editor->selectedField, 0);
  EXPECT_EQ(editor->rowCount, 3);

  // Erase removes the row and selects the one now at its place; after the last, the previous.
  editor->SelectEditCell(1, 0);
  editor->EraseRow();
  EXPECT_EQ(Rows(editor), "050101-001 H1|050701-001 H2|");
  EXPECT_EQ(editor->selectedRow, 1);
  editor->EraseRow();
  EXPECT_EQ(Rows(editor), "050101-001 H1|");
  EXPECT_EQ(editor->selectedRow, 0);
  // The only row is cleared, not removed.
  editor->EraseRow();
  EXPECT_EQ(Rows(editor), " |");
  EXPECT_EQ(editor->rowCount, 1);
  EXPECT_EQ(editor->selectedRow, 0);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
  EXPECT_EQ(Periods(halves), "050101-001 H1|050701-001 H2|");  // close code 3 saves nothing
}

TEST_F(TimeScaleEditor, PastingAndImportingTakePeriods) {
  T_TScaleEditor* editor = OpenTimeScaleEditor(base, nullptr);
  ASSERT_NE(editor, nullptr);
  // An unparsable date and a line without a name are skipped; the first period fills the
  // trailing empty row.
  EXPECT_EQ(editor->PasteText("050101\tJanuary\r\nnot a date\tX\r\n050201\t\r\n0503\tMarch\r\n"), 2);
  EXPECT_EQ(Rows(editor), "050101-001 January|050301-001 March|");
  // A name past 63 bytes is cut between characters: the two-byte character at byte 63 goes.
  std::string longName = std::string(62, 'a') + "\xC3\xA9" + "tail";
  EXPECT_EQ(editor->PasteText(("0504\t" + longName + "\r\n").c_str()), 1);
  const auto* last = reinterpret_cast<const TimePeriod*>(PagedArrayAt(&editor->rows, 2));
  EXPECT_EQ(std::string(last->name), std::string(62, 'a'));

  // A file, and a database file refused with 2111 with nothing read.
  T_TextBuf path;
  MakeTempFileName(&path);
  WriteWholeFile(path.c_str(), "0601\tJune\r\n");
  editor->ImportFile(path.c_str());
  EXPECT_EQ(editor->rowCount, 4);
  WriteWholeFile(path.c_str(), "##QEB-Text\t050101\r\n##End\r\n");
  editor->ImportFile(path.c_str());
  EXPECT_EQ(editor->rowCount, 4);
  EXPECT_EQ(Asked(), std::vector<int32_t>{2111});
  DeleteFileA(path.c_str());

  // "Paste" takes the clipboard as periods when it holds a tab or a line break.
  const char* july = "0701\tJuly\r\n";
  ASSERT_TRUE(ClipboardSetText(july, static_cast<int32_t>(std::strlen(july)), 0));
  EXPECT_TRUE(editor->DoCommand(kCommandPaste));
  EXPECT_EQ(editor->rowCount, 5);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
}

TEST_F(TimeScaleEditor, CardDigitsWidenTheStartColumnAndLinksAreRewritten) {
  TimeScale* scale = Scale(base, "Weeks", {{"050101", "W1"}});
  T_TScaleEditor* editor = OpenTimeScaleEditor(base, scale);
  ASSERT_NE(editor, nullptr);
  int32_t width = editor->width;
  int32_t start = editor->startColumn->Width();
  base->cardDigits = 5;
  base->NotifyCode(kChangeCardDigits);
  EXPECT_EQ(editor->startColumn->Width(), start + 14);
  EXPECT_EQ(editor->width, width + 14);
  EXPECT_EQ(editor->startWidth, 5 * 7 + 58);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
}

TEST_F(TimeScaleEditor, DeletingTheEditedScale) {
  TimeScale* scale = Scale(base, "Quarters", {{"050101", "Q1"}});
  // A new scale's editor offers no delete.
  T_TScaleEditor* fresh = OpenTimeScaleEditor(base, nullptr);
  EXPECT_FALSE(DeleteTimeScaleOfEditor(fresh));
  EXPECT_TRUE(alerts->asked.empty());
  EXPECT_TRUE(EventHandler_CloseAndDelete(fresh, 3));

  // The menu entry opens the editor through the engine's seam.
  CurrentObjectServices().openTimeScaleEditor(base, scale);
  auto* editor = dynamic_cast<T_TScaleEditor*>(FindWindowOfKind(kWindowTimeScale, base));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->scale, scale);
  TypeCell(editor, 0, 1, "changed");  // no save question when deleting
  alerts->answers.push_back(kButtonCancel);
  EXPECT_FALSE(DeleteTimeScaleOfEditor(editor));
  EXPECT_EQ(base->timeScales, scale);
  recorder->codes.clear();
  alerts->asked.clear();
  alerts->answers.push_back(kButtonDelete);
  EXPECT_TRUE(base->DoCommand(2538));  // the database's entry reaches the editor
  EXPECT_EQ(Asked(), std::vector<int32_t>{kAskDelete});
  EXPECT_STREQ(alerts->asked[0].texts[0], "Quarters");
  EXPECT_EQ(base->timeScales, nullptr);
  EXPECT_EQ(FindWindowOfKind(kWindowTimeScale, base), nullptr);
  EXPECT_EQ(ScaleNotes(recorder->codes), std::vector<int32_t>{kChangeTimeScaleDeleted});

  // "New Time Scale" opens a new editor, which offers no delete.
  T_MenuItem* root = MenuRootCreate();
  auto* entry = new T_MenuItem(root, kMenuDisabled, 2538);
  EXPECT_TRUE(base->DoCommand(2537));
  editor = dynamic_cast<T_TScaleEditor*>(FindWindowOfKind(kWindowTimeScale, base));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->scale, nullptr);
  editor->UpdateCommands();
  EXPECT_FALSE(entry->enabled);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
  editor = OpenTimeScaleEditor(base, Scale(base, "Years", {{"050101", "2005"}}));
  editor->UpdateCommands();
  EXPECT_TRUE(entry->enabled);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
  delete entry;
}

}  // namespace
}  // namespace editors_test
