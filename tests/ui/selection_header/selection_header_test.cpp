// The selection header of a document window over a fake database: value rows and their chooser,
// label placement, edits written into the selection, change notes and the two selection checks.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "core/alert.h"
#include "core/text_buffer.h"
#include "tests/ui/hidden_frame.h"
#include "ui/application.h"
#include "ui/document_window.h"
#include "ui/edit_popups.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/selection_fields.h"

struct CardSelection {
  std::map<int32_t, std::string> values;    // value conditions by column
  std::map<int32_t, std::string> patterns;  // by field id
  std::map<int32_t, std::string> dimensions;
};

namespace {

int base;
T_Base* const kBase = reinterpret_cast<T_Base*>(&base);
int32_t valueColumns = 3;
uint32_t mustBeFilled = 0;  // bit per dimension
uint32_t inUse = 0b101;     // dimensions with components

const DatabaseOperations kDatabase{
    nullptr,
    [](T_Base*) { return valueColumns; },
    nullptr,
    [](T_Base*, T_TextBuf* text, int32_t id) {
      TextBufAssign(text, ("field " + std::to_string(id)).c_str());
    },
    nullptr,
};

SelectionOperations Selections() {
  SelectionOperations ops{};
  ops.hasSubComponents = [](T_Base*, int32_t d) { return ((inUse >> d) & 1) != 0; };
  return ops;
}

const HeaderOperations kHeader{
    [](T_Base*, int32_t* first, int32_t* second) {
      *first = 40;
      *second = 60;
    },
    [](T_Base*, int32_t d) { return ((mustBeFilled >> d) & 1) != 0; },
    [](CardSelection* s, int32_t d) { return s->dimensions.count(d) != 0; },
    nullptr,
    nullptr,
    [](CardSelection* s, int32_t id, T_TextBuf* text) {
      TextBufAssign(text, s->patterns[id].c_str());
    },
    [](CardSelection* s, int32_t column, T_TextBuf* text) {
      auto found = s->values.find(column);
      if (found == s->values.end()) return false;
      TextBufAssign(text, found->second.c_str());
      return true;
    },
    [](CardSelection* s, int32_t id, const char* text) { s->patterns[id] = text; },
    [](CardSelection* s, const char* text, int32_t column) { s->values[column] = text; },
};

class T_AnalysisWindow : public T_HWindow {
 public:
  T_AnalysisWindow() : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, kBase, 0) {}
  void OnHeaderResized() override { ++resized; }
  static constexpr RECT kRect{10, 10, 500, 400};
  int resized = 0;
};

class SelectionHeaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::PrepareHiddenFrame();
    valueColumns = 3;
    mustBeFilled = 0;
    inUse = 0b101;
    SetDatabaseOperations(&kDatabase);
    static const SelectionOperations selections = Selections();
    SetSelectionOperations(&selections);
    SetHeaderOperations(&kHeader);
    app = new T_Application(true);
    window = new T_AnalysisWindow;
    EventHandler_Open(window);
  }
  void TearDown() override {
    delete app;
    SetDatabaseOperations(nullptr);
    SetSelectionOperations(nullptr);
    SetHeaderOperations(nullptr);
    SetMenuOperations(nullptr);
    PendingErrorClear();
  }
  // Every field, as an analysis window builds its header.
  void Build() {
    window->CreateDimensionEdits(XYWH{50, 5, 100, 15});
    window->CreateFromToEdits(XYWH{300, 5, 80, 15}, 200);
    window->CreateCardTitleEdit(XYWH{300, 43, 80, 15}, 202);
    window->CreateLineTextEdit(XYWH{300, 60, 80, 15}, 203);
    window->CreateNotesEdit(XYWH{300, 77, 80, 15}, 204);
    window->CreateValueEdits(XYWH{300, 94, 80, 15}, 210);
    window->CreateSubsetEdit(XYWH{300, 111, 80, 15}, 240);
    window->ShowSelection(&selection);
  }
  std::string Rows() const {
    std::string rows;
    for (int32_t i = 0; i < window->header.valueRowCount; ++i) {
      rows += std::to_string(window->header.shownColumns[i]);
    }
    return rows;
  }
  static std::string Text(T_Edit* field) {
    T_TextBuf text;
    field->GetText(&text);
    return text.data;
  }
  void Choose(int64_t index) {
    ChooserEvent record;
    record.code = kChooserChosen;
    record.index = index;
    window->header.chooser->OnChooserEvent(window->header.chooser, &record);
  }

  CardSelection selection;
  T_Application* app = nullptr;
  T_AnalysisWindow* window = nullptr;
};

TEST_F(SelectionHeaderTest, ASelectionWithoutValueConditionsShowsOneRowAndAChooser) {
  Build();
  EXPECT_EQ(Rows(), "0");
  ASSERT_NE(window->header.chooser, nullptr);
  EXPECT_EQ(window->header.chooser->count, 3);
  EXPECT_EQ(window->header.chooser->current, 0);
  EXPECT_EQ(window->header.chooser->id, 210u);
  EXPECT_FALSE(window->HasHeaderField(67));  // the chooser stands on the label
  ChooserEvent record;
  record.index = 2;
  window->header.chooser->OnChooserEvent(window->header.chooser, &record);
  EXPECT_STREQ(record.text, "field 69");

  // A database with a single value column needs no chooser.
  valueColumns = 1;
  window->ShowSelection(&selection);
  EXPECT_EQ(window->header.chooser, nullptr);
  EXPECT_TRUE(window->HasHeaderField(67));
}

TEST_F(SelectionHeaderTest, TheRowsFollowTheConditionsAndMoveTheSubsetField) {
  Build();
  int32_t subsetTop = window->header.subsetField->y;
  selection.values = {{2, ">5"}, {0, "<1"}};
  window->ShowSelection(&selection);
  EXPECT_EQ(Rows(), "02");
  EXPECT_EQ(window->header.subsetField->y, subsetTop + 17);
  EXPECT_EQ(Text(window->header.valueFields[2]), ">5");
  EXPECT_EQ(window->header.valueFields[1], nullptr);
  EXPECT_EQ(window->HeaderFieldIndex(2), 1);
  EXPECT_EQ(window->HeaderFieldIndex(1), -1);
  // Free: the unshown column 1 and the last row's own column 2.
  EXPECT_EQ(window->header.freeColumns[0], 1);
  EXPECT_EQ(window->header.freeColumns[1], 2);
  EXPECT_EQ(window->header.chooser->current, 1);
  EXPECT_GT(window->resized, 0);

  selection.values = {{0, "a"}, {1, "b"}, {2, "c"}};
  window->ShowSelection(&selection);
  EXPECT_EQ(window->header.chooser, nullptr);
  for (int32_t id : {67, 68, 69}) EXPECT_TRUE(window->HasHeaderField(id)) << id;
}

TEST_F(SelectionHeaderTest, ChoosingAColumnRetargetsAnEmptyLastRowOrAddsOne) {
  Build();
  Choose(2);  // the empty row 0 now shows column 2
  EXPECT_EQ(Rows(), "2");
  ASSERT_NE(window->header.valueFields[2], nullptr);
  EXPECT_EQ(window->header.valueFields[0], nullptr);
  window->header.valueFields[2]->SetTextNotify(">3");
  EXPECT_EQ(selection.values[2], ">3");

  ASSERT_NE(window->header.chooser, nullptr);
  Choose(0);  // the last row holds a condition: a row is added at the next tick
  EXPECT_EQ(Rows(), "20");
  EXPECT_EQ(window->header.valueRowsStale, 1);
  window->Notify(kNotifyTick);
  EXPECT_EQ(window->header.valueRowsStale, 0);
  ASSERT_NE(window->header.valueFields[0], nullptr);
  EXPECT_EQ(window->header.valueFields[0]->id, 211u);
  ASSERT_NE(window->header.chooser, nullptr);
  EXPECT_EQ(window->header.chooser->count, 2);
}

TEST_F(SelectionHeaderTest, PatternEditsWriteIntoTheShownSelectionOnly) {
  Build();
  window->header.cardTitleField->SetTextNotify("A*");
  window->header.lineTextField->SetTextNotify("B*");
  window->header.notesField->SetTextNotify("C*");
  EXPECT_EQ(selection.patterns[65], "A*");
  EXPECT_EQ(selection.patterns[66], "B*");
  EXPECT_EQ(selection.patterns[3506], "C*");

  window->ShowSelection(nullptr);
  window->header.cardTitleField->SetTextNotify("D*");
  EXPECT_EQ(selection.patterns[65], "A*");
}

TEST_F(SelectionHeaderTest, DimensionFieldsFollowTheDimensionsInUse) {
  Build();
  EXPECT_NE(window->header.dimensionFields[0], nullptr);
  EXPECT_EQ(window->header.dimensionFields[1], nullptr);
  ASSERT_NE(window->header.dimensionFields[2], nullptr);
  EXPECT_EQ(window->header.dimensionFields[2]->y, 5 + 34);

  inUse = 0b110;
  ChangeNote note{.code = kChangeDimensionComponents, .database = kBase, .index = 1};
  window->OnChange(&note);
  EXPECT_EQ(window->header.dimensionFields[0], nullptr);
  ASSERT_NE(window->header.dimensionFields[1], nullptr);
  EXPECT_EQ(window->header.dimensionFields[1]->selection, &selection);

  window->DeleteSelectionEdits();
  for (T_EditDim* field : window->header.dimensionFields) EXPECT_EQ(field, nullptr);
  EXPECT_EQ(window->header.subsetField, nullptr);
  EXPECT_EQ(window->header.chooser, nullptr);
  EXPECT_EQ(window->header.selection, nullptr);
  EXPECT_EQ(Rows(), "0");
}

TEST_F(SelectionHeaderTest, LabelsStandLeftOfTheFieldsThePageMade) {
  Build();
  selection.values = {{1, "x"}};
  window->ShowSelection(&selection);
  // Left of the dimensions from the margin, right of them from past their area (50 + 100 + 8),
  // each up to 4 pixels before its field, from 1 above its top, 14 high; a column without a row and
  // an unknown id have none.
  struct Case {
    int32_t id;
    RECT rect;
  } cases[] = {
      {1, {5, 4, 46, 18}},          {3, {5, 38, 46, 52}},      {3105, {158, 4, 296, 18}},
      {3106, {158, 21, 296, 35}},   {65, {158, 42, 296, 56}},  {66, {158, 59, 296, 73}},
      {3506, {158, 76, 296, 90}},   {68, {158, 93, 296, 107}}, {67, {0, 0, 0, 0}},
      {3135, {158, 110, 296, 124}}, {999, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    RECT rect;
    window->GetHeaderFieldRect(&rect, c.id);
    EXPECT_TRUE(EqualRect(&rect, &c.rect))
        << c.id << ": " << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
  }
}

TEST(SelectionHeaderChanges, NotesMapToTheirFields) {
  struct Case {
    int32_t code, index, column, field;
  } cases[] = {
      {15, 3, 0, 4},  {16, 0, 0, 1},  {15, 32, 0, 0},   {35, 0, 0, 65},   {36, 0, 0, 66},
      {37, 0, 5, 72}, {37, 0, 24, 0}, {61, 0, 0, 3135}, {62, 0, 0, 3135}, {32, 0, 0, 0},
  };
  for (const Case& c : cases) {
    ChangeNote note{.code = c.code, .index = c.index, .valueColumn = c.column};
    EXPECT_EQ(HeaderFieldOfChange(&note), c.field) << c.code;
  }
}

TEST_F(SelectionHeaderTest, TheChecksNameTheWindowOnlyWhenItIsActive) {
  CardId early{};
  CardId late{};
  early.date = 100;
  late.date = 200;
  EXPECT_FALSE(CheckNegativePeriod(window, &early, &late));
  EXPECT_FALSE(CheckNegativePeriod(window, &early, &early));

  window->active = 0;
  EXPECT_TRUE(CheckNegativePeriod(window, &late, &early));
  EXPECT_EQ(PendingError.request.message, 0);
  window->active = 1;
  EXPECT_TRUE(CheckNegativePeriod(window, &late, &early));
  EXPECT_EQ(PendingError.request.message, 2109);
  EXPECT_EQ(PendingError.request.owner, window);
  EXPECT_TRUE(AbortRequested());
  PendingErrorClear();

  mustBeFilled = 0b100;
  EXPECT_TRUE(CheckDimensionsFilled(window, &selection));
  EXPECT_EQ(PendingError.request.message, 2110);
  EXPECT_STREQ(PendingError.request.texts[0], "field 3");
  PendingErrorClear();
  selection.dimensions[2] = "North";
  EXPECT_FALSE(CheckDimensionsFilled(window, &selection));
}

}  // namespace
