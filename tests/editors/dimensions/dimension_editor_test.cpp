// The dimension editor window: opening, cell editing, the key moves with their beeps, the marker
// drag (action, feedback and cursor, then the move on release), its autoscroll timetable, the row
// menu, the questions on closing (a refused apply keeps the edits), and an import into an editor
// the user has open.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/system_beep.h"
#include "database/cards.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "editors/dimension_editor.h"
#include "editors/editor_questions.h"
#include "tests/editors/editors_fixture.h"
#include "tests/ui/scripted_pointer.h"
#include "ui/event_record.h"
#include "ui/item.h"
#include "ui/popup_menu.h"

namespace editors_test {
namespace {

int beeps = 0;

class DimensionEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    for (const char* code : {"A1", "A1X", "A2", "A3"}) AddComponent(base, 0, code, nullptr, nullptr);
    beeps = 0;
    SetSystemBeepHook([] { ++beeps; });
    SetItemPointerSource(ui_test::ScriptedPointer);
    BoxWinServices services = BoxServices();
    services.ticks = ui_test::Ticks;
    SetBoxWinServices(&services);
  }
  void TearDown() override {
    SetSystemBeepHook(nullptr);
    SetItemPointerSource(nullptr);
    EditorTest::TearDown();
  }
  bool Key(T_DimEditor* editor, uint16_t key, bool control = true) {
    InputEvent event;
    event.control = control ? 1 : 0;
    event.keyCode = key;
    return editor->GridKeyDown(&event);
  }
  static std::string Code(DimNode* node) {
    T_TextBuf code;
    if (node) DimNodeFullCode(node, &code);
    return code.c_str();
  }
  static std::string Current(T_DimEditor* editor) { return Code(editor->Current()); }
  // The visible rows, each as its full code.
  static std::string Rows(T_DimEditor* editor) {
    std::string out;
    for (int64_t r = 0; r < editor->tree.rowCount; ++r) out += Code(editor->tree.rows[r]) + " ";
    return out;
  }
  static DimNode* NodeOf(T_DimEditor* editor, const char* fullCode) {
    for (DimNode* n = DimTreeNextNode(&editor->tree, &editor->tree.root); n;
         n = DimTreeNextNode(&editor->tree, n)) {
      if (Code(n) == fullCode) return n;
    }
    return nullptr;
  }
  // The middle of a row in grid coordinates.
  static int32_t RowY(int64_t row) { return static_cast<int32_t>(row) * kDimRowHeight + 7; }
};

TEST_F(DimensionEditorTest, OpensOncePerDimension) {
  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(OpenDimensionEditor(base, 0, 0), editor);
  EXPECT_EQ(FindDimensionEditor(base, 0), editor);
  EXPECT_EQ(editor->windowKind, kWindowDimEditor);
  EXPECT_EQ(Rows(editor), "A1 A2 A3 ");  // A1 collapsed
  // At a component: its ancestors expanded, its row current.
  EXPECT_EQ(OpenDimEditorAtComponent(base, 0, FindByCode(base, 0, "A1X")->number, 0), editor);
  EXPECT_EQ(Current(editor), "A1X");
  EXPECT_EQ(Rows(editor), "A1 A1X A2 A3 ");
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
  EXPECT_EQ(FindDimensionEditor(base, 0), nullptr);
}

TEST_F(DimensionEditorTest, CellsEditCodesTextsAndHostCodes) {
  T_DimEditor* editor = OpenDimEditorAtComponent(base, 0, FindByCode(base, 0, "A1X")->number, 0);
  ASSERT_NE(editor, nullptr);
  struct Case {
    const char* row;  // the full code of the row edited
    int32_t field;
    const char* typed;
    const char* rows;  // afterwards
    const char* current;
  };
  const Case cases[] = {
      // A code under A1 keeps A1 in front; the node moves to its sorted place.
      {"A1X", kDimFieldCode, "  A1B7 ", "A1 A1B7 A2 A3 ", "A1B7"},
      {"A1B7", kDimFieldCode, "A1", "A1 A1B7 A2 A3 ", "A1B7"},  // the prefix alone: unchanged
      {"A1B7", kDimFieldCode, "C5", "A1 A1C5 A2 A3 ", "A1C5"},  // the prefix put in front
      {"A3", kDimFieldCode, "A0", "A0 A1 A1C5 A2 ", "A0"},
      {"A2", kDimFieldText, "  Two  ", "A0 A1 A1C5 A2 ", "A2"},
      {"A2", kDimFieldHost, "h2", "A0 A1 A1C5 A2 ", "A2"},
  };
  for (const Case& c : cases) {
    T_TextBuf typed(c.typed);
    int64_t row = DimTreeRowOf(&editor->tree, NodeOf(editor, c.row));
    ASSERT_GE(row, 0) << c.row;
    editor->GetCellEditText(&typed, row, c.field);
    EXPECT_EQ(Rows(editor), c.rows) << c.typed;
    EXPECT_EQ(Current(editor), c.current) << c.typed;
  }
  DimNode* two = NodeOf(editor, "A2");
  EXPECT_STREQ(two->text, "Two");
  EXPECT_STREQ(two->hostCode, "h2");
  // Edit texts are cut to 1023 bytes at a character boundary.
  std::string longText(1022, 'x');
  longText += "\xC3\xA9";  // é across the limit
  T_TextBuf typed(longText.c_str());
  editor->GetCellEditText(&typed, DimTreeRowOf(&editor->tree, two), kDimFieldText);
  EXPECT_EQ(std::string(two->text), std::string(1022, 'x'));
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(DimensionEditorTest, ATypedCodeThatMovesItsRowEndsItsEditBeforeTheStep) {
  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  editor->SelectEditCell(2, kDimFieldCode);  // A3
  TextBufAssign(&editor->editedText, "A0");
  editor->PushOverlayText();
  EXPECT_TRUE(Key(editor, kKeyDown, false));
  EXPECT_EQ(Rows(editor), "A0 A1 A2 ");
  EXPECT_EQ(Current(editor), "A1");  // the row below where A0 went
  EXPECT_EQ(editor->selectedField, kDimFieldCode);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(DimensionEditorTest, KeyMovesBeepWhenRefused) {
  T_DimEditor* editor = OpenDimEditorAtComponent(base, 0, FindByCode(base, 0, "A1")->number, 0);
  ASSERT_NE(editor, nullptr);
  struct Case {
    uint16_t key;
    const char* current;  // afterwards
    const char* rows;
    int beeps;            // in all so far
  };
  const Case cases[] = {
      {kKeyLeft, "A1", "A1 A2 A3 ", 1},        // at the top level already
      {kKeyRight, "A1", "A1 A2 A3 ", 2},       // no sibling before it
      {kKeyUp, "A1", "A1 A2 A3 ", 2},          // the first row: nothing, no beep
      {kKeyDown, "A1", "A2 A1 A3 ", 2},        // after A2, its next sibling
      {kKeyRight, "A2A1", "A2 A2A1 A3 ", 2},   // into A2, now its preceding sibling
      {kKeyLeft, "A1", "A2 A1 A3 ", 2},        // out, just after its parent
      {kKeyRight, "A2A1", "A2 A2A1 A3 ", 2},
      {kKeyDown, "A1", "A2 A3 A1 ", 2},        // its parent's next sibling: after A3
      {kKeyUp, "A1", "A2 A1 A3 ", 2},          // after the row two above
      {kKeyLeft, "A1", "A2 A1 A3 ", 3},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Key(editor, c.key));
    EXPECT_EQ(Current(editor), c.current) << c.key;
    EXPECT_EQ(Rows(editor), c.rows) << c.key;
    EXPECT_EQ(beeps, c.beeps) << c.key;
  }
  // Return adds a component after the current one; keypad Enter toggles.
  EXPECT_TRUE(Key(editor, kKeyEnter, false));
  EXPECT_EQ(Current(editor), "A4");
  EXPECT_EQ(Rows(editor), "A2 A1 A4 A3 ");
  editor->ShowRows(NodeOf(editor, "A1"));
  EXPECT_TRUE(Key(editor, kKeyKeypadEnter, false));
  EXPECT_EQ(Rows(editor), "A2 A1 A1X A4 A3 ");
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(DimensionEditorTest, MarkerDragsGiveActionFeedbackCursorAndMove) {
  // Rows (A1 expanded): A1, A1X, A2, A3.
  struct Case {
    const char* node;   // the row pressed
    int32_t pressDx;    // press x right of the code cell's left edge
    int32_t row;        // the pointer's row at release (-1: the pointer 3 pixels below the top)
    int32_t dx;         // x at release: the outline edge of the row pressed plus this
    int32_t action;
    uint8_t frame;      // feedback: a frame, else the block inverted
    uint32_t cursor;
    const char* rows;   // after the release
    const char* current;
  };
  const Case cases[] = {
      // Released where it was pressed: toggle (A1 collapses with its children).
      {"A1", 3, 0, -2, kDimDragToggle, 0, 32512, "A1 A2 A3 ", "A1"},
      // Within the block, right of the outline: into the preceding sibling.
      {"A2", 3, 2, 30, kDimDragIntoPrevious, 1, 1002, "A1 A1X A1A2 A3 ", "A1A2"},
      // Within the block, far left of a child's outline: one level out.
      {"A1X", 9, 1, -40, kDimDragOut, 1, 1001, "A1 X A2 A3 ", "X"},
      // Onto a row above, right of its outline edge: into that row's node.
      {"A3", 3, 1, 30, kDimDragInto, 1, 1003, "A1 A1X A1XA3 A2 ", "A1XA3"},
      // Onto a row further down, left of its outline edge: after it.
      {"A1", 3, 3, -2, kDimDragAfter, 1, 1002, "A2 A3 A1 A1X ", "A1"},
      // Onto the row just above its own, left of the edge: nothing moves.
      {"A3", 3, 2, -2, kDimDragNone, 0, 32512, "A1 A1X A2 A3 ", "A3"},
      // Onto the row whose first child it is: nothing.
      {"A1X", 9, 0, 30, kDimDragNone, 0, 32512, "A1 A1X A2 A3 ", "A1X"},
      // Within the block, right of the outline, but the first child: nothing.
      {"A1", 3, 1, 30, kDimDragNone, 0, 32512, "A1 A1X A2 A3 ", "A1"},
      // Near the top edge: after the root, as its first child.
      {"A3", 3, -1, -2, kDimDragAfter, 1, 1002, "A3 A1 A1X A2 ", "A3"},
  };
  for (const Case& c : cases) {
    T_DimEditor* editor = OpenDimEditorAtComponent(base, 0, FindByCode(base, 0, "A1X")->number, 0);
    ASSERT_NE(editor, nullptr);
    DimNode* node = NodeOf(editor, c.node);
    int64_t pressRow = DimTreeRowOf(&editor->tree, node);
    int32_t pressX = editor->CodeLeft() + c.pressDx;
    int32_t x = editor->OutlineEdge(pressRow) + c.dx;
    int32_t y = c.row < 0 ? 3 : RowY(c.row);

    // The action, feedback and cursor at the pointer's place.
    editor->dragNode = node;
    editor->dragPressX = pressX;
    DimNode* target = nullptr;
    int32_t action = editor->DragActionAt(x, y, &target);
    EXPECT_EQ(action, c.action) << c.node << " to row " << c.row;
    editor->ShowDragFeedback(action, target);
    EXPECT_EQ(editor->dragFrame, c.frame) << c.node << " to row " << c.row;
    EXPECT_EQ(editor->dragCursor, c.cursor) << c.node << " to row " << c.row;
    editor->dragNode = nullptr;

    // The whole press, drag and release.
    ui_test::SetScript({{pressX, RowY(pressRow), true}, {x, y, true}, {x, y, false}});
    InputEvent press;
    press.x = pressX;
    press.y = RowY(pressRow);
    press.leftButton = press.anyButton = 1;
    EXPECT_TRUE(editor->ClickGrid(&press));
    EXPECT_EQ(Rows(editor), c.rows) << c.node << " to row " << c.row;
    EXPECT_EQ(Current(editor), c.current) << c.node << " to row " << c.row;
    EXPECT_EQ(editor->dragNode, nullptr);
    EventHandler_CloseAndDelete(editor, 3);
  }
  EXPECT_EQ(beeps, 0);
}

TEST_F(DimensionEditorTest, ADoubleClickOnTheMarkerExpandsEverythingBelow) {
  AddComponent(base, 0, "A1XY", nullptr, nullptr);
  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  int32_t x = editor->CodeLeft() + 3;
  ui_test::SetScript({{x, RowY(0), true}, {x, RowY(0), false}});
  InputEvent press;
  press.x = x;
  press.y = RowY(0);
  press.leftButton = press.anyButton = 1;
  press.doubleClick = 1;
  EXPECT_TRUE(editor->ClickGrid(&press));
  EXPECT_EQ(Rows(editor), "A1 A1X A1XY A2 A3 ");
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(DimensionEditorTest, AutoscrollKeepsItsTimetable) {
  struct Step {
    uint64_t now;
    int32_t x;
    int32_t y;
    int64_t rows;
  };
  // A grid 100 pixels high.
  const Step steps[] = {
      {1000, 10, -10, -1},  // leaving: one row at once
      {1010, 10, -10, 0},   {1449, 10, -10, 0},
      {1450, 120, -40, -5},  // 450 ms on: 40 / 16 + 120 / 50 + 1
      {1460, 120, -40, 0},  {1549, 120, -40, 0},
      {1550, 10, 110, 1},   // 100 ms on, below: 12 / 16 + 0 + 1
      {1650, -100, 130, 3},  // 32 / 16 + 0 + 1: a negative x adds nothing
      {1660, 10, 50, 0},    // back inside: the timetable starts again
      {1670, 10, 99, 1},    // the last pixel row counts as outside
      {1680, 10, 99, 0},
  };
  DimAutoscroll clock;
  for (const Step& s : steps)
    EXPECT_EQ(DimAutoscrollStep(&clock, s.now, s.x, s.y, 100), s.rows) << s.now;
}

TEST_F(DimensionEditorTest, TheRowMenuDuplicatesRemovesAndReverses) {
  T_DimEditor* editor = OpenDimEditorAtComponent(base, 0, FindByCode(base, 0, "A2")->number, 0);
  ASSERT_NE(editor, nullptr);
  DimTreeSetText(&editor->tree, NodeOf(editor, "A2"), kDimFieldText, "Two");
  ContextMenuRecord record;
  record.selector = kDimRowMenu;
  editor->ContextMenu(&record, kMenuPhaseList);
  ASSERT_NE(record.commands.list, nullptr);
  std::vector<uint16_t> ids;
  for (const uint16_t* id = record.commands.list; *id; ++id) ids.push_back(*id);
  EXPECT_EQ(ids, (std::vector<uint16_t>{3321, 3322, 3620, 3323}));

  auto run = [&](uint16_t entry) {
    ContextMenuRecord chosen;
    chosen.selector = kDimRowMenu;
    chosen.entry = entry;
    editor->ContextMenu(&chosen, kMenuPhaseRun);
  };
  run(kDimMenuDuplicate);  // after A2, with its text
  EXPECT_EQ(Rows(editor), "A1 A2 A4 A3 ");
  EXPECT_STREQ(editor->Current()->text, "Two");
  run(kDimMenuRemove);  // a node of the editor's own: removed at once
  EXPECT_EQ(Rows(editor), "A1 A2 A3 ");
  run(kDimMenuReverse);  // a leaf: its parent's children
  EXPECT_EQ(Rows(editor), "A3 A2 A1 ");
  EXPECT_TRUE(alerts->asked.empty());
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(DimensionEditorTest, ClosingAsksAndARefusedApplyKeepsTheEdits) {
  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->QueryClose(0));  // nothing changed: no question
  EXPECT_TRUE(alerts->asked.empty());

  editor->ShowRows(NodeOf(editor, "A2"));
  editor->RemoveCurrent();
  DimTreeSetCode(&editor->tree, editor->tree.root.firstChild, "B1");
  alerts->answers = {kButtonCancel};
  EXPECT_FALSE(editor->QueryClose(0));
  EXPECT_EQ(Asked(), std::vector<int32_t>{3203});

  // A2 came into use meanwhile: 3315, nothing applied, the window and its edits stay.
  CardId id{PackDate(2024, 1, 1), 1};
  base->FindOrAddGroup(CreateCard(base, &id), FindByCode(base, 0, "A2")->number);
  alerts->answers = {kButtonChange};
  EXPECT_FALSE(editor->QueryClose(0));
  EXPECT_EQ(Asked(), (std::vector<int32_t>{3203, 3203, 3315}));
  EXPECT_NE(FindByCode(base, 0, "A1"), nullptr);
  EXPECT_TRUE(DimTreeChanged(&editor->tree));

  // A duplicate code: "Fix code" keeps the window open with the second node's code cell.
  alerts->asked.clear();
  DimNode* added = DimTreeNewNode(&editor->tree, nullptr, false);
  BlockTextAssign(&added->code, "b1");
  alerts->answers = {3318};
  EXPECT_FALSE(editor->QueryClose(0));
  EXPECT_EQ(Asked(), std::vector<int32_t>{3316});
  EXPECT_EQ(editor->selectedField, kDimFieldCode);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(DimensionEditorTest, IndentationAndWidthsAreStoredOnApplying) {
  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  editor->indentation = 2;
  editor->columns[kDimFieldText]->SetWidth(200);
  editor->columns[kDimFieldCode]->SetWidth(80);  // the default stays 0
  alerts->answers = {kButtonChange};
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_EQ(Asked(), std::vector<int32_t>{3203});
  EXPECT_EQ(base->dimensions[0]->optionI, 2);
  EXPECT_EQ(base->dimensions[0]->textWidth, 200);
  EXPECT_EQ(base->dimensions[0]->codeWidth, 0);
}

TEST_F(DimensionEditorTest, AnImportIntoAnOpenEditorLeavesItOpen) {
  const std::string path = "dim_import_rows.txt";
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("C1\tNew one\r\nA1Y\tUnder A1\r\n", file);
  std::fclose(file);

  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  DimTreeSetCode(&editor->tree, editor->tree.root.firstChild, "Q1");  // an unconfirmed edit
  EXPECT_TRUE(ImportIntoDimensionEditor(base, 0, path.c_str()));
  EXPECT_EQ(FindDimensionEditor(base, 0), editor);
  EXPECT_TRUE(alerts->asked.empty());
  EXPECT_EQ(FindByCode(base, 0, "C1"), nullptr);  // nothing applied behind the user's back
  EXPECT_EQ(FindByCode(base, 0, "Q1"), nullptr);
  EventHandler_CloseAndDelete(editor, 3);

  // Without an open editor the rows are applied at once.
  EXPECT_TRUE(ImportIntoDimensionEditor(base, 0, path.c_str()));
  EXPECT_EQ(FindDimensionEditor(base, 0), nullptr);
  EXPECT_NE(FindByCode(base, 0, "C1"), nullptr);
  EXPECT_EQ(FindByCode(base, 0, "A1Y")->parent, FindByCode(base, 0, "A1"));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace editors_test
