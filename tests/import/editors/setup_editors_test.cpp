// The two setup editors over an example file: the views the file is shown in, the background
// pass under a thousand seeded edits, a file that grows while it is shown, the question of a
// file whose head speaks for another format, the save steps of both editors, the pages that
// follow a dimension setup's hierarchy, the position ruler dragged over in fixed format, and a
// contact sheet of every view and page (pictures import_editor_*.bmp, turned into PNG files by
// the build).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "analysis/boxwin/box_window.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/card_text_import.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "database/object_services.h"
#include "editors/dimension_editor.h"
#include "editors/editor_questions.h"
#include "import/dim_import_editor.h"
#include "import/imp_setup_editor.h"
#include "import/setup_import.h"
#include "tests/editors/editors_fixture.h"
#include "tests/ui/scripted_pointer.h"
#include "tests/ui/translated_layout.h"
#include "tests/ui/window_picture.h"
#include "ui/chooser.h"
#include "ui/item.h"
#include "ui/transfer_list.h"

namespace editors_test {
namespace {

uint64_t g_ticks = 0;
uint64_t FakeTicks() { return g_ticks; }

class SetupEditors : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    InstallTextImports();
    base->valueCount = 2;
  }
  void TearDown() override {
    SetTickSource(nullptr);
    for (const std::string& path : files_) FileDelete(path.c_str());
    EditorTest::TearDown();
  }

  std::string File(const std::string& bytes) {
    T_TextBuf path;
    MakeTempFileName(&path);
    FILE* out = std::fopen(path.c_str(), "wb");
    EXPECT_NE(out, nullptr);
    if (out != nullptr) {
      std::fwrite(bytes.data(), 1, bytes.size(), out);
      std::fclose(out);
    }
    files_.push_back(path.c_str());
    return path.c_str();
  }

  // The pass ends (the periodic step sees it and takes its rows).
  static void Settle(T_FlatEditor* editor) {
    const uint64_t start = GetTickCount64();
    editor->Notify(kNotifyTick);
    while (editor->PassRunning() && GetTickCount64() - start < 20000) {
      Sleep(2);
      editor->Notify(kNotifyTick);
    }
    editor->Notify(kNotifyTick);
    ASSERT_FALSE(editor->PassRunning());
  }

  // The cells of a grid row joined by "|".
  static std::string Row(T_FlatEditor* editor, int64_t row) {
    RowTextPool pool;
    EXPECT_TRUE(pool.Init());
    editor->GetRowTexts(&pool, row);
    std::string cells;
    for (T_BoxField* f = editor->firstField; f != nullptr; f = f->next) {
      if (f != editor->firstField) cells += "|";
      if (f->cellText != nullptr) cells += f->cellText;
    }
    pool.Free();
    return cells;
  }

  ImportSetup* Bank() {
    ImportSetup* setup = ImportSetupCreate(base, "Bank");
    setup->format.fieldSeparator = ';';
    setup->format.decimalSeparator = ',';
    setup->cardFields[kImportCardIndicator].fieldNumber = 1;
    OptionalTextSet(&setup->cardFields[kImportCardIndicator].text, "C", 1);
    setup->cardFields[kImportTitle].fieldNumber = 2;
    LineDef* line = setup->NewLineDefinition();
    line->lineText.fieldNumber = 2;
    line->values[0].fieldNumber = 3;
    setup->cardFields[kImportLineIndicator].fieldNumber = 1;
    OptionalTextSet(&setup->cardFields[kImportLineIndicator].text, "L", 1);
    return setup;
  }

  std::vector<std::string> files_;
};

constexpr const char* kBankRows = "C;Rent;;\r\nL;March;12,5\r\nL;April;13\r\nC;Food;;\r\nL;Bread;2\r\n";

// The raw views read the bytes where they lie; the "Text" view splits rows by the separator and
// the "Fields" view shows what the setup takes, with card fields only on card rows.
TEST_F(SetupEditors, TheFourViewsOfAnExampleFile) {
  ImportSetup* setup = Bank();
  const std::string path = File(kBankRows);
  T_ImpSetupEditor* editor = OpenImportSetupEditor(base, setup);
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(FindItem(editor, kFlatImportId)->enabled);  // no example file yet
  editor->lastChosenMode = kViewHex;
  editor->SetExampleFile(path.c_str());
  EXPECT_TRUE(Asked().empty());
  EXPECT_TRUE(FindItem(editor, kFlatImportId)->enabled);
  EXPECT_EQ(editor->rowCount, (static_cast<int64_t>(std::strlen(kBankRows)) + 15) / 16);
  EXPECT_EQ(Row(editor, 0), "0000:|43 3B 52 65  6E 74 3B 3B  0D 0A 4C 3B  4D 61 72 63 |C;Rent;;..L;Marc");
  editor->SetViewMode(kViewDecimal);
  EXPECT_EQ(Row(editor, 0).substr(0, 8), "0:| 67  ");

  // The setup's terminator is CR: the LF after the last one makes a sixth row.
  editor->SetViewMode(kViewText);
  Settle(editor);
  ASSERT_EQ(editor->rowCount, 6);
  EXPECT_EQ(editor->fieldCount, 4u);  // the widest row has four fields
  EXPECT_EQ(Row(editor, 1), "L|March|12,5|");

  editor->SetViewMode(kViewFields);
  Settle(editor);
  ASSERT_EQ(editor->rowCount, 6);
  // Card Indicator, Line Indicator, card text, then the line definition's value and line text.
  ASSERT_EQ(editor->fieldCount, 5u);
  // The indicators show what they take; card fields only on card rows, line fields only on line
  // rows.
  EXPECT_EQ(Row(editor, 0), "C|C|Rent||");
  EXPECT_EQ(Row(editor, 1), "L|L||12.5|March");
  EXPECT_EQ(Row(editor, 4), "L|L||2|Bread");

  // A file dropped on the grid becomes the example file; one chosen in the dialog, too.
  const std::string other = File("a\tb\r\n");
  TransferList list;
  DragData_Init(&list);
  DragData_AddFile(&list, kTransferFile, other.c_str());
  EXPECT_TRUE(editor->DropOnGrid(&list));
  DragData_Free(&list);
  EXPECT_STREQ(editor->examplePath.c_str(), other.c_str());
  FileDialogAnswerInAdvance(path.c_str());
  editor->ChooseExampleFile();
  EXPECT_STREQ(editor->examplePath.c_str(), path.c_str());
  FileDialogAnswerInAdvance(nullptr);
  editor->ChooseExampleFile();
  EXPECT_TRUE(editor->examplePath.empty());
  EXPECT_EQ(editor->rowCount, 0);
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);
}

// A head that speaks for another separator asks 7382: "Don't Change" keeps the setup's format,
// "Change" takes the file's.
TEST_F(SetupEditors, AnotherFormatIsOfferedBothWays) {
  const std::string path = File("a;b;c\r\nd;e;f\r\ng;h;i\r\nj;k;l\r\n");
  T_ImpSetupEditor* editor = OpenImportSetupEditor(base, nullptr);
  ASSERT_NE(editor, nullptr);
  alerts->answers = {kButtonDontChange};
  editor->SetExampleFile(path.c_str());
  EXPECT_EQ(Asked(), std::vector<int32_t>{7382});
  EXPECT_EQ(editor->copy.format.fieldSeparator, 9);
  EXPECT_EQ(editor->modified, 0);
  alerts->answers = {kButtonChange};
  editor->SetExampleFile(path.c_str());
  EXPECT_EQ(editor->copy.format.fieldSeparator, ';');
  EXPECT_EQ(editor->modified, 1);
  Settle(editor);
  EXPECT_EQ(Row(editor, 2), "g|h|i");
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);
}

// A file that grows while it is shown is read again at the first periodic step 8 seconds after
// the last look, and not before.
TEST_F(SetupEditors, AGrowingFileIsReadAgainWithinEightSeconds) {
  SetTickSource(FakeTicks);
  g_ticks = 100000;
  const std::string path = File("1\r2\r3\r");
  T_DimImportEditor* editor = OpenDimImportEditor(base, 0);
  ASSERT_NE(editor, nullptr);
  editor->SetExampleFile(path.c_str());
  Settle(editor);
  EXPECT_EQ(editor->rowCount, 3);
  FILE* out = std::fopen(path.c_str(), "ab");
  ASSERT_NE(out, nullptr);
  std::fputs("4\r5\r", out);
  std::fclose(out);
  g_ticks += kFlatCheckInterval - 1;
  Settle(editor);
  EXPECT_EQ(editor->rowCount, 3);
  g_ticks += 1;
  Settle(editor);
  Settle(editor);
  EXPECT_EQ(editor->rowCount, 5);
  // A file that goes leaves the views.
  FileDelete(path.c_str());
  g_ticks += kFlatCheckInterval;
  Settle(editor);
  EXPECT_EQ(editor->exampleView, kViewNone);
  EXPECT_EQ(editor->rowCount, 0);
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);
}

// Example files that are no text: every view shows what there is, and the passes end.
TEST_F(SetupEditors, ExampleFilesThatAreNoText) {
  const std::string cases[] = {
      std::string(),                                  // empty
      std::string("\xEF\xBB\xBF"),                     // a lone byte-order mark
      std::string("\r\r\r\r"),                          // only terminators
      std::string("a\0b\0\0c\r\0\0\0", 10),             // NUL bytes
      std::string("\xFF\xFE" "a\0b\0\r\0c", 9),           // odd-length UTF-16
      std::string("\x1F\x8B\x08\x00\xFF\xFF\x00\x01", 8) + std::string(30000, '\x93'),
  };
  T_DimImportEditor* editor = OpenDimImportEditor(base, 0);
  ASSERT_NE(editor, nullptr);
  for (const std::string& bytes : cases) {
    const std::string path = File(bytes);
    alerts->answers = {kButtonChange};
    editor->SetExampleFile(path.c_str());
    for (int32_t view = kViewHex; view <= kViewFields; ++view) {
      editor->SetViewMode(view);
      Settle(editor);
      for (int64_t row = 0; row < editor->rowCount && row < 50; ++row) Row(editor, row);
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
  }
  // A file that is not there: its message, and no example file.
  alerts->asked.clear();
  editor->SetExampleFile("Z:\\nowhere\\missing.txt");
  EXPECT_TRUE(editor->examplePath.empty());
  EXPECT_EQ(Asked(), std::vector<int32_t>{605});
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);
}

// A thousand seeded edits of the setup while passes read the example file: every edit stops
// the pass and starts another on a copy of its own, so nothing is read after it is freed.
TEST_F(SetupEditors, SeededEditsDuringThePass) {
  std::string rows;
  for (int32_t i = 0; i < 60000; ++i) {
    rows += i % 7 == 0 ? "C;" : "L;";
    rows += "text " + std::to_string(i) + ";" + std::to_string(i % 100) + "," +
            std::to_string(i % 10) + ";x\r\n";
    if (i % 5000 == 17) rows += std::string(12000, 'w') + "\r\n";  // beyond the buffer
  }
  const std::string path = File(rows);
  ImportSetup* setup = Bank();
  T_ImpSetupEditor* editor = OpenImportSetupEditor(base, setup);
  ASSERT_NE(editor, nullptr);
  editor->lastChosenMode = kViewFields;
  editor->SetExampleFile(path.c_str());
  std::mt19937 random(32);
  RowTextPool pool;
  ASSERT_TRUE(pool.Init());
  for (int32_t step = 0; step < 1000; ++step) {
    ImportSetup& copy = editor->copy;
    LineDef* line = copy.lines;
    FieldDef* field = random() % 2 ? &copy.cardFields[random() % kSetupCardFields]
                                   : line != nullptr ? &line->values[random() % 2] : nullptr;
    switch (random() % 8) {
      case 0:
        if (field != nullptr) FieldDefAppendPiece(field)->fieldNumber = random() % 4;
        break;
      case 1:
        if (field != nullptr) FieldDefClear(field);
        break;
      case 2:
        if (field != nullptr) OptionalTextSet(&field->text, "L", 1);
        break;
      case 3:
        copy.rowsPerCard = 1 + random() % 3;
        copy.rowsPerLine = 1 + random() % 2;
        break;
      case 4:
        editor->line = 0;
        editor->page = kImpPageLineText;
        if (random() % 2) {
          editor->NewLine();
        } else {
          editor->DeleteLine();
        }
        continue;  // the operation announced itself
      case 5:
        editor->SetViewMode(random() % 2 ? kViewFields : kViewText);
        break;
      default:
        if (field != nullptr) field->fieldNumber = random() % 5;
        break;
    }
    editor->SetupEdited(false);
    if (step % 3 == 0) editor->Notify(kNotifyTick);
    if (step % 7 == 0) editor->GetRowTexts(&pool, random() % (editor->rowCount + 1));
    if (step % 100 == 0) {
      ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << step;
    }
  }
  pool.Free();
  editor->SetViewMode(kViewFields);
  Settle(editor);
  EXPECT_GT(editor->rowCount, 0);
  ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);
}

// The save step through the window: a new editor closed unchanged asks nothing; a rename with
// "Change" moves the setup to its sorted place; "Add" makes another setup beside it; and the
// delete command asks 3208 and takes the setup with its editor.
TEST_F(SetupEditors, SavingRenamingAddingAndDeleting) {
  EXPECT_TRUE(base->DoCommand(2511));  // "New Import Setup" through the engine's seam
  auto* fresh = dynamic_cast<T_ImpSetupEditor*>(FindWindowOfKind(kWindowImportSetup, base));
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->setup, nullptr);
  EXPECT_TRUE(EventHandler_CloseAndDelete(fresh, 0));
  EXPECT_TRUE(Asked().empty());
  EXPECT_EQ(base->importSetups, nullptr);

  ImportSetupCreate(base, "Alpha");
  ImportSetup* bank = Bank();
  CurrentObjectServices().openImportSetupEditor(base, bank);  // the setups' list entry
  auto* editor = dynamic_cast<T_ImpSetupEditor*>(FindWindowOfKind(kWindowImportSetup, base));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(OpenImportSetupEditor(base, bank), editor);  // brought forward, not a second one
  TextBufAssign(&editor->name, "0 Bank");
  alerts->answers = {kButtonChange};
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_STREQ(base->importSetups->name, "0 Bank");
  EXPECT_EQ(base->importSetups, bank);

  editor = OpenImportSetupEditor(base, bank);
  editor->copy.rowsPerCard = 2;
  alerts->answers = {kButtonAdd};
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_EQ(bank->rowsPerCard, 1u);
  ImportSetup* added = FindImportSetup(base, "0 Bank 1");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->rowsPerCard, 2u);

  editor = OpenImportSetupEditor(base, added);
  alerts->answers = {kButtonCancel};
  EXPECT_FALSE(DeleteImportSetupOfEditor(editor));
  alerts->answers = {kButtonDelete};
  EXPECT_TRUE(base->DoCommand(2512));  // the database's entry reaches the editor
  EXPECT_EQ(FindImportSetup(base, "0 Bank 1"), nullptr);
  EXPECT_EQ(Asked().back(), 3208);
  EXPECT_EQ(FindWindowOfKind(kWindowImportSetup, base), nullptr);
}

// The dimension editor's setup: closing without changes asks nothing and an untouched setup is
// dropped; switching "Parent Links" to "QEB-Code Path" removes the "Parent" page, and the saved
// setup loses its "LP".
TEST_F(SetupEditors, DimensionPagesFollowTheHierarchy) {
  T_DimEditor* dimensionEditor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(dimensionEditor, nullptr);
  T_Item* button = FindItem(dimensionEditor, kDimImportSetupId);  // "Import Setup"
  ASSERT_NE(button, nullptr);
  Items()->press(button);
  auto* editor = dynamic_cast<T_DimImportEditor*>(FindWindowOfKind(kWindowDimImportSetup, base));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(base->dimImports[0]->editor, editor);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_TRUE(Asked().empty());
  EXPECT_EQ(base->dimImports[0], nullptr);
  EventHandler_CloseAndDelete(dimensionEditor, kCloseWithoutSaving);

  DimImportSetup* setup = DimImportCreate(base, 0);
  setup->hierarchy = kHierarchyParents;
  setup->levelOrParent.fieldNumber = 4;
  editor = OpenDimImportEditor(base, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_NE(editor->modeBox->FindNode(kDimPageParent), nullptr);
  editor->ShowPage(kDimPageFormat);
  auto* hierarchy = dynamic_cast<T_Chooser*>(FindItem(editor, 120));
  ASSERT_NE(hierarchy, nullptr);
  hierarchy->SetSelection(0, kSelectReport);
  EXPECT_EQ(editor->modeBox->FindNode(kDimPageParent), nullptr);
  alerts->answers = {kButtonChange};
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_EQ(Asked(), std::vector<int32_t>{3203});
  EXPECT_EQ(setup->hierarchy, 0u);
  EXPECT_FALSE(setup->levelOrParent.IsSet());
  EXPECT_EQ(setup->editor, nullptr);
}

// "Import" reads the file into the dimension with the edited copy, not the stored setup; an
// open dimension editor takes the rows into its tree.
TEST_F(SetupEditors, TheDimensionIsImportedWithTheEditedCopy) {
  const std::string path = File("A1;Alpha\rA2;Beta\r");
  T_DimImportEditor* editor = OpenDimImportEditor(base, 0);
  ASSERT_NE(editor, nullptr);
  editor->copy.format.fieldSeparator = ';';
  editor->copy.code.fieldNumber = 1;
  editor->copy.text.fieldNumber = 2;
  editor->ImportFile(path.c_str());
  const ComponentRecord* imported = FindByCode(base, 0, "A2");
  ASSERT_NE(imported, nullptr);
  EXPECT_STREQ(imported->text, "Beta");
  EXPECT_EQ(base->dimImports[0]->format.fieldSeparator, 9);  // the stored setup is unchanged

  T_DimEditor* dimensionEditor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(dimensionEditor, nullptr);
  editor->ImportFile(File("A3;Gamma\r").c_str());
  EXPECT_EQ(FindByCode(base, 0, "A3"), nullptr);  // not yet applied
  int32_t rows = 0;
  for (DimNode* n = DimTreeNextNode(&dimensionEditor->tree, &dimensionEditor->tree.root);
       n != nullptr; n = DimTreeNextNode(&dimensionEditor->tree, n))
    rows += n->component == nullptr ? 1 : 0;  // made in the tree only
  EXPECT_EQ(rows, 1);
  EventHandler_CloseAndDelete(dimensionEditor, kCloseWithoutSaving);
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);
}

// --- The position ruler ---------------------------------------------------------------------

// What the editor shows at each poll of a held press on the ruler: the header corner's text and,
// once, a picture of the window with the range highlighted.
T_FlatEditor* g_ruled = nullptr;
std::vector<std::string> g_corner;
ui_test::Picture g_highlighted;
void WatchingRuler(T_GrafElement* element, InputEvent* event) {
  T_TextBuf range;
  g_ruled->RulerRangeText(&range);
  g_corner.push_back(range.c_str());
  if (g_corner.size() == 3 && g_highlighted.pixels.empty())
    g_highlighted = ui_test::Capture(g_ruled);
  ui_test::ScriptedPointer(element, event);
}

TEST_F(SetupEditors, DraggingOverTheRulerShowsAndHighlightsTheRange) {
  std::string rows;
  for (int32_t i = 0; i < 30; ++i) rows += "ABCDEFGHIJ0123456789abcdefghij\r\n";
  const std::string path = File(rows);
  ImportSetup* setup = ImportSetupCreate(base, "Fixed");
  setup->format.fixedPositions = 1;
  T_ImpSetupEditor* editor = OpenImportSetupEditor(base, setup);
  ASSERT_NE(editor, nullptr);
  alerts->answers = {kButtonDontChange};
  editor->SetExampleFile(path.c_str());
  editor->SetViewMode(kViewText);
  Settle(editor);
  ASSERT_TRUE(editor->RulerShown());
  // The rows stand under the ruler whole.
  EXPECT_EQ(Row(editor, 4), "ABCDEFGHIJ0123456789abcdefghij");
  // Each position is one character of the ruler.
  for (int32_t position : {1, 5, 12, 30}) {
    const int32_t middle = (editor->RulerEdge(position) + editor->RulerEdge(position + 1)) / 2;
    EXPECT_EQ(editor->RulerPositionAt(middle), position);
  }
  auto x = [&](int32_t position) {
    return (editor->RulerEdge(position) + editor->RulerEdge(position + 1)) / 2;
  };
  ASSERT_GE(editor->RulerPositionAt(1 << 20), 30);
  g_ruled = editor;
  g_highlighted = ui_test::Picture{};
  SetItemPointerSource(WatchingRuler);
  struct Case {
    bool onTitle;  // pressed on the ruler itself rather than in the column
    std::vector<ui_test::PointerStep> script;
    std::vector<std::string> corner;  // at each poll
  } cases[] = {
      // Pressed at 3, dragged right to 7, back left past the press to 1, released.
      {false,
       {{x(3), 20, true}, {x(7), 40, true}, {x(7), 40, true}, {x(1), 40, true}, {x(1), 40, false}},
       {"3:3", "3:3", "3:7", "3:7", "1:3"}},
      // On the title: far beyond the last position counts as the last.
      {true, {{x(28), 5, true}, {x(30) + 900, 5, true}, {x(30) + 900, 5, false}},
       {"28:28", "28:28", "28:" + std::to_string(editor->RulerPositionAt(1 << 20))}},
  };
  for (const Case& c : cases) {
    g_corner.clear();
    ui_test::SetScript(c.script);
    InputEvent press;
    press.x = c.script[0].x;
    press.y = c.script[0].y;
    press.leftButton = press.anyButton = 1;
    if (c.onTitle)
      EXPECT_TRUE(editor->ClickFieldTitle(&press, editor->firstField));
    else
      EXPECT_TRUE(editor->ClickGrid(&press));
    EXPECT_EQ(g_corner, c.corner);
    // Released, the corner is empty again.
    EXPECT_EQ(editor->rulerFirst, 0);
    T_TextBuf range;
    editor->RulerRangeText(&range);
    EXPECT_TRUE(range.empty());
  }
  SetItemPointerSource(nullptr);
  // While 3:7 was held, its band was inverted over the rows: the grid's white became dark there
  // and stayed light beside it.
  ASSERT_FALSE(g_highlighted.pixels.empty());
  ui_test::Save(g_highlighted, "import_editor_ruler_drag.bmp");
  const int32_t gx = editor->grid->offsetX, gy = editor->grid->offsetY;
  const int32_t bottom = gy + std::min<int32_t>(editor->grid->height, 30 * 12) - 20;
  const RECT inside{gx + editor->RulerEdge(3) + 1, gy + 2, gx + editor->RulerEdge(8) - 1, bottom};
  const RECT beside{gx + editor->RulerEdge(12), gy + 2, gx + editor->RulerEdge(20), bottom};
  const int32_t area = (inside.right - inside.left) * (inside.bottom - inside.top);
  EXPECT_GT(ui_test::Pixels(g_highlighted, inside, true), area / 2);
  EXPECT_LT(ui_test::Pixels(g_highlighted, beside, true),
            (beside.right - beside.left) * (beside.bottom - beside.top) / 2);
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);
}

// --- The contact sheet ------------------------------------------------------------------------

void Snap(T_Window* window, const std::string& name) {
  ui_test::Picture picture = ui_test::Capture(window);
  ASSERT_FALSE(picture.pixels.empty());
  ui_test::Save(picture, ("import_editor_" + name + ".bmp").c_str());
  // The page area beside the selector drew its controls.
  ui_test::ExpectDrawn(picture, RECT{150, 5, 450, 90}, 20);
}

TEST_F(SetupEditors, ContactSheet) {
  std::string rows;
  for (int32_t i = 0; i < 40; ++i)
    rows += (i % 4 == 0 ? "C;Invoice " : "L;Item ") + std::to_string(i) + ";" +
            std::to_string(i * 7) + ",25\r\n";
  const std::string path = File(rows);
  ImportSetup* setup = Bank();
  T_ImpSetupEditor* editor = OpenImportSetupEditor(base, setup);
  ASSERT_NE(editor, nullptr);
  editor->SetExampleFile(path.c_str());
  const char* views[4] = {"hex", "decimal", "text", "fields"};
  for (int32_t view = kViewHex; view <= kViewFields; ++view) {
    editor->SetViewMode(view);
    Settle(editor);
    Snap(editor, std::string("view_") + views[view]);
  }
  std::vector<int32_t> pages;
  for (ModeNode* node = ModeNodeNext(&editor->modeBox->root); node != nullptr;
       node = ModeNodeNext(node)) {
    if ((node->id & 1023) != kImpPageNewLine && (node->id & 1023) != kImpPageCardDefinition)
      pages.push_back(node->id);
  }
  for (const int32_t id : pages) {
    editor->ShowPage(id);
    Snap(editor, "page_" + std::to_string(id & 1023));
  }
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);

  DimImportSetup* dim = DimImportCreate(base, 0);
  dim->hierarchy = kHierarchyLevels;
  dim->format.fieldSeparator = ';';
  dim->code.fieldNumber = 1;
  dim->text.fieldNumber = 2;
  T_DimImportEditor* dims = OpenDimImportEditor(base, 0);
  ASSERT_NE(dims, nullptr);
  dims->lastChosenMode = kViewFields;
  dims->SetExampleFile(path.c_str());
  Settle(dims);
  for (const int32_t page : {kDimPageFile, kDimPageCharacters, kDimPageFormat, kDimPageCode,
                             kDimPageText, kDimPageHostCode, kDimPageLevel}) {
    dims->ShowPage(page);
    Snap(dims, "dim_page_" + std::to_string(page));
  }
  dim->hierarchy = kHierarchyParents;
  EventHandler_CloseAndDelete(dims, kCloseWithoutSaving);
  dims = OpenDimImportEditor(base, 0);
  dims->ShowPage(kDimPageParent);
  Snap(dims, "dim_page_7");
  EventHandler_CloseAndDelete(dims, kCloseWithoutSaving);
}

// Every page of both editors in every translation: no translation adds a fault to the layout
// check of a page.
TEST_F(SetupEditors, NoTranslationAddsALayoutFaultToAPage) {
  const std::string path = File(kBankRows);
  T_ImpSetupEditor* editor = OpenImportSetupEditor(base, Bank());
  ASSERT_NE(editor, nullptr);
  editor->lastChosenMode = kViewFields;
  editor->SetExampleFile(path.c_str());
  Settle(editor);
  std::vector<int32_t> pages;
  for (ModeNode* node = ModeNodeNext(&editor->modeBox->root); node != nullptr;
       node = ModeNodeNext(node)) {
    if ((node->id & 1023) != kImpPageNewLine) pages.push_back(node->id);
  }
  for (const int32_t id : pages) {
    editor->ShowPage(id);
    for (const ui_test::TestLanguage& row : ui_test::kTranslations) {
      ui_test::LayoutFaults added = ui_test::FaultsAddedByLanguage(editor, row.language);
      EXPECT_TRUE(added.empty()) << "page " << (id & 1023) << " in " << row.name << "\n" << added;
    }
  }
  EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);

  T_DimImportEditor* dims = OpenDimImportEditor(base, 0);
  ASSERT_NE(dims, nullptr);
  for (const int32_t page : {kDimPageFile, kDimPageCharacters, kDimPageFormat, kDimPageCode,
                             kDimPageText, kDimPageHostCode, kDimPageLevel}) {
    dims->ShowPage(page);
    for (const ui_test::TestLanguage& row : ui_test::kTranslations) {
      ui_test::LayoutFaults added = ui_test::FaultsAddedByLanguage(dims, row.language);
      EXPECT_TRUE(added.empty()) << "dimension page " << page << " in " << row.name << "\n" << added;
    }
  }
  EventHandler_CloseAndDelete(dims, kCloseWithoutSaving);
}

}  // namespace
}  // namespace editors_test
