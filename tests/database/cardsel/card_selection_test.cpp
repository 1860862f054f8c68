// Card and line tests of compiled selections, collecting lines, validation and the change notes
// a registered selection follows.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <set>

#include "database/change_notes.h"
#include "database/subsets.h"
#include "database/web_request.h"
#include "tests/database/cardsel/selection_fixture.h"
#include "ui/document_window.h"

namespace {

using selection_test::SelectionTest;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class T_TestDocument : public T_HWindow {
 public:
  explicit T_TestDocument(T_Base* database)
      : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, database, 0) {}
  static constexpr RECT kRect{10, 10, 300, 200};
};

class CardSelectionTest : public SelectionTest {
 protected:
  void SetUp() override {
    SelectionTest::SetUp();
    SetValueCount(base, 2);
    groupA = Component(0, "GA");
    p = Component(1, "P");
    p1 = Component(1, "P1");
    q = Component(1, "Q");
    card1 = Card(Day(2024, 3, 1), 1, "Invoice 12", "paid in full");
    card2 = Card(Day(2024, 3, 2), 1);
    freight = Line(card1, groupA, {150, 0}, {p1}, "Freight");
    small = Line(card2, groupA, {5, kNaN}, {q});
    Selection_init(&selection, base, nullptr, nullptr);
  }
  void TearDown() override {
    Selection_free(&selection);
    SelectionTest::TearDown();
  }

  int64_t groupA = 0, p = 0, p1 = 0, q = 0;
  CardRecord* card1 = nullptr;
  CardRecord* card2 = nullptr;
  LineRecord* freight = nullptr;
  LineRecord* small = nullptr;
  CardSelection selection;
};

TEST_F(CardSelectionTest, CardAndLineTests) {
  struct Case {
    const char* name;
    std::function<void(CardSelection*)> restrict;
    bool card1, card2, freight, small;
  };
  const Case cases[] = {
      {"nothing set", [](CardSelection*) {}, true, true, true, true},
      {"title contains",
       [](CardSelection* s) { Selection_setPattern(s, kPatternCardTitle, "inv"); }, true, false,
       true, true},
      {"title empty", [](CardSelection* s) { Selection_setPattern(s, kPatternCardTitle, "\\"); },
       false, true, true, true},
      {"notes", [](CardSelection* s) { Selection_setPattern(s, kPatternNotes, "PAID"); }, true,
       false, true, true},
      {"line text", [](CardSelection* s) { Selection_setPattern(s, kPatternLineText, "frei"); },
       true, true, true, false},
      {"first value", [](CardSelection* s) { Selection_setCondition(s, 0, ">100"); }, true, true,
       true, false},
      {"second value missing", [](CardSelection* s) { Selection_setCondition(s, 1, "\\"); }, true,
       true, false, true},
      {"column beyond the value count",
       [](CardSelection* s) { Selection_setCondition(s, 5, ">100"); }, true, true, true, true},
      {"component left out",
       [this](CardSelection* s) { BitVecSet(&s->components.components, q, false); }, true, true,
       true, false},
      {"only the parent left out",
       [this](CardSelection* s) { BitVecSet(&s->components.components, p, false); }, true, true,
       true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Selection_clear(&selection);
    BitVecFill(&selection.components.components, true);
    c.restrict(&selection);
    EXPECT_EQ(Selection_matchCard(&selection, card1), c.card1);
    EXPECT_EQ(Selection_matchCard(&selection, card2), c.card2);
    EXPECT_EQ(Selection_matchLine(&selection, freight), c.freight);
    EXPECT_EQ(Selection_matchLine(&selection, small), c.small);
  }
}

TEST_F(CardSelectionTest, LinkedTextsMatchByWhatTheyShow) {
  SetCardTitle(card1, "see <a href=\"http://x.com/p\">Prices</a> now");
  SetLineText(freight, "file=\"C:\\data\\rates.txt\" rates");
  Selection_setPattern(&selection, kPatternCardTitle, "see prices now");
  Selection_setPattern(&selection, kPatternLineText, "txt rates");
  EXPECT_TRUE(Selection_matchCard(&selection, card1));
  EXPECT_TRUE(Selection_matchLine(&selection, freight));
  Selection_setPattern(&selection, kPatternCardTitle, "href");  // the markup still counts
  EXPECT_TRUE(Selection_matchCard(&selection, card1));
  Selection_setPattern(&selection, kPatternCardTitle, "see prices later");
  EXPECT_FALSE(Selection_matchCard(&selection, card1));
}

TEST_F(CardSelectionTest, SubsetCriterionNeedsTheLineInItsSet) {
  Subset* big = SubsetCreate(base->subsets, "Big");
  SelectionItem* item = SubsetAppendItem(big, "A");
  Selection_setCondition(&item->selection, 0, ">100");
  CombCompile(&big->combination, "A");

  Selection_andSubset(&selection, "Big");
  ASSERT_TRUE(Selection_validate(&selection, nullptr));
  EXPECT_TRUE(Selection_matchLine(&selection, freight));
  EXPECT_FALSE(Selection_matchLine(&selection, small));

  // A further criterion joins the present one.
  Selection_andSubset(&selection, "¬Big");
  T_TextBuf text;
  CombPrint(&selection.subset, &text, 0);
  EXPECT_STREQ(text.data, "Big¬Big");
  ASSERT_TRUE(Selection_validate(&selection, nullptr));
  EXPECT_FALSE(Selection_matchLine(&selection, freight));
}

TEST_F(CardSelectionTest, CollectLinesAgreesWithAPlainFilter) {
  std::vector<int64_t> groups, parts;
  for (int32_t i = 0; i < 5; ++i) groups.push_back(Component(0, ("G" + std::to_string(i)).c_str()));
  for (int32_t i = 0; i < 10; ++i) parts.push_back(Component(1, ("C" + std::to_string(i)).c_str()));
  const char* titles[] = {"red apple", "green pear", "Red wine", nullptr, "blue"};
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int32_t c = 0; c < 3000; ++c) {
    PackedDate date = Day(2024, 1, 1);
    for (uint32_t d = next(90); d > 0; --d) date = PackedDateNextDay(date);
    CardRecord* card = Card(date, 0);
    if (const char* title = titles[next(5)]) SetCardTitle(card, title);
    for (uint32_t g = 1 + next(3); g > 0; --g) {
      int64_t group = groups[next(5)];
      for (uint32_t l = 1 + next(4); l > 0; --l) {
        std::string text = "x" + std::to_string(1 + next(9));
        Line(card, group, {static_cast<double>(next(1000)), 1.0}, {parts[next(10)]}, text.c_str());
      }
    }
  }
  CardId from{Day(2024, 2, 5), 1}, to{Day(2024, 3, 10), kCardSequenceOpen};
  DateRefSetDate(&selection.from, &from);
  DateRefSetDate(&selection.to, &to);
  Selection_setPattern(&selection, kPatternCardTitle, "red");
  Selection_setPattern(&selection, kPatternLineText, "x1");
  Selection_setCondition(&selection, 0, ">=250");
  const std::set<int64_t> left = {groups[3], parts[4], parts[5]};
  for (int64_t component : left) BitVecSet(&selection.components.components, component, false);

  std::vector<int64_t> expected;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    CardId id = CardGetId(card);
    if (CardIdLess(&id, &from) || CardIdGreater(&id, &to) || !card->title) continue;
    std::string title = card->title;
    std::transform(title.begin(), title.end(), title.begin(), ::tolower);
    if (title.find("red") == std::string::npos) continue;
    for (GroupRecord* g = card->firstGroup; g; g = g->next) {
      if (left.count(g->component)) continue;
      for (LineRecord* line = g->firstLine; line; line = line->next) {
        if (left.count(base->GetLineComponent(line, 0))) continue;
        if (base->GetLineValue(line, 0) < 250 || std::string(line->text) != "x1") continue;
        expected.push_back(line->number);
      }
    }
  }
  std::sort(expected.begin(), expected.end());

  BitVector lines;
  ASSERT_TRUE(Selection_collectLines(&selection, &lines));
  EXPECT_EQ(lines.count, base->linePool.count);
  EXPECT_GT(expected.size(), 20u);
  EXPECT_EQ(Members(&lines), expected);
  BitVecFree(&lines);
}

TEST_F(CardSelectionTest, ValidationChecksTheWindowsPeriod) {
  CardId later{Day(2024, 5, 1), 1}, earlier{Day(2024, 4, 1), kCardSequenceOpen};
  DateRefSetDate(&selection.from, &later);
  DateRefSetDate(&selection.to, &earlier);
  auto* window = new T_TestDocument(base);
  EXPECT_TRUE(Selection_validate(&selection, nullptr));
  EXPECT_FALSE(Selection_validate(&selection, window));
  SetWebRequestActive(true);
  EXPECT_TRUE(Selection_validate(&selection, window));
  SetWebRequestActive(false);
  DateRefSetDate(&selection.to, &later);
  EXPECT_TRUE(Selection_validate(&selection, window));
  delete window;
  PendingErrorClear();
}

TEST_F(CardSelectionTest, RegisteredSelectionsFollowTheirDatabase) {
  CardSelection second;
  Selection_init(&second, base, nullptr, nullptr);
  EXPECT_EQ(base->selections, &second);
  EXPECT_EQ(second.nextRegistered, &selection);

  // New components reach the component set with code 11.
  Component(2, "NEW");
  base->NotifyCode(kChangeComponentsRebuilt);
  EXPECT_EQ(selection.components.components.count, base->componentPool.count);
  EXPECT_EQ(second.components.components.count, base->componentPool.count);

  // Cards make the subset criterion stale.
  Subset* s = SubsetCreate(base->subsets, "S");
  Selection_andSubset(&selection, "S");
  Selection_validate(&selection, nullptr);
  EXPECT_TRUE(selection.subset.calculated);
  base->NotifyCode(kChangeCards);
  EXPECT_FALSE(selection.subset.calculated);
  EXPECT_EQ(s->combination.calculated, 0);

  Selection_free(&second);
  EXPECT_EQ(base->selections, &selection);
  EXPECT_EQ(selection.nextRegistered, nullptr);
}

TEST_F(CardSelectionTest, DefinitionsTakeTheDimensionEditorsRewrite) {
  SelectionDef def;
  SelectionDef_init(&def, base);
  SelectionDef_setComponentText(&def, 1, "P1|Q");
  SelectionDef_setComponentText(&def, 2, "R");
  ChangeNote note;
  note.code = kChangeDimensionEdited;
  note.database = base;
  note.index = 1;
  NotifyChange(base, &note);  // without the editor's rewrite nothing changes
  EXPECT_STREQ(def.componentTexts.texts[1], "P1|Q");
  SetDimensionTextRewriter([](void*, T_TextBuf* text) { TextBufAppend(text, "!"); });
  NotifyChange(base, &note);
  SetDimensionTextRewriter(nullptr);
  EXPECT_STREQ(def.componentTexts.texts[1], "P1|Q!");
  EXPECT_STREQ(def.componentTexts.texts[2], "R");
  SelectionDef_free(&def);
}

TEST_F(CardSelectionTest, DefinitionsFollowRenamesOfStoredSubsetsOnly) {
  Subset* stored = SubsetCreate(base->subsets, "North");
  SubsetList windowList;
  SubsetListInit(&windowList, base, kSubsetListOfWindow);
  Subset* local = SubsetCreate(&windowList, "Local");
  SelectionDef def;
  SelectionDef_init(&def, base);
  SelectionDef_setSubset(&def, "(North|cards Local)&¬North");

  ASSERT_TRUE(SubsetRename(stored, "South Region"));
  EXPECT_STREQ(def.subsetText, "(South Region|cards Local)&¬South Region");
  ASSERT_TRUE(SubsetRename(local, "Mine"));
  EXPECT_STREQ(def.subsetText, "(South Region|cards Local)&¬South Region");

  SelectionDef_free(&def);
  SubsetListFree(&windowList);
}

}  // namespace
