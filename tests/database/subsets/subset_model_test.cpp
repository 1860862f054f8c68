// Subset records: names and renames, items with card-id and stamp conditions, the in-use and
// delete rules with the deferred deletion, the release of idle line sets, and the text blocks.
#include "database/change_notes.h"
#include "database/subsets.h"
#include "tests/database/cardsel/selection_fixture.h"
#include "tests/ui/offscreen_fixture.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace {

using selection_test::SelectionTest;

class SubsetModelTest : public SelectionTest {
 protected:
  std::vector<std::string> Names(SubsetList* list) {
    std::vector<std::string> names;
    Subset* s = list->first;
    for (int32_t i = 0; s && i < list->count; ++i, s = s->next) names.push_back(s->name);
    EXPECT_TRUE(!list->first || list->first->previous->next == nullptr);
    return names;
  }
};

TEST_F(SubsetModelTest, NamesAreValidAndUnique) {
  const std::pair<const char*, const char*> names[] = {
      {"Sales", "Sales"}, {"sales", "sales.1"}, {" Big  deal ", "Big  deal"},
      {"2024", "G2024"},  {"", "G1"},           {nullptr, "G2"},
      {"a/b", "a.b"},     {"G1", "G3"},         {"Sales", "Sales.2"},
  };
  for (const auto& [given, expected] : names) {
    Subset* s = SubsetCreate(base->subsets, given);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, expected) << (given ? given : "null");
  }
  EXPECT_EQ(Names(base->subsets), (std::vector<std::string>{"a.b", "Big  deal", "G1", "G2", "G2024",
                                                            "G3", "Sales", "sales.1", "Sales.2"}));
  SubsetList local;
  SubsetListInit(&local, base, kSubsetListOfWindow);
  EXPECT_STREQ(SubsetCreate(&local, "")->name, "S1");
  EXPECT_STREQ(SubsetCreate(&local, "9")->name, "S9");
  SubsetListFree(&local);

  Subset* s = SubsetFind(base->subsets, "sales");
  EXPECT_STREQ(SubsetAppendItem(s, "")->name, "A");
  EXPECT_STREQ(SubsetAppendItem(s, "a")->name, "b");
  EXPECT_STREQ(SubsetAppendItem(s, "Z9")->name, "Z9");
  EXPECT_STREQ(SubsetAppendItem(s, "z9")->name, "z10");
  EXPECT_EQ(SubsetItemAt(s, 3)->index, 3);
  SubsetRemoveItem(s, SubsetItemAt(s, 1));
  EXPECT_STREQ(SubsetItemAt(s, 1)->name, "Z9");
  EXPECT_EQ(SubsetItemAt(s, 2)->index, 2);
  EXPECT_EQ(s->itemCount, 3);
}

TEST_F(SubsetModelTest, RenamesKeepOrderAndRefuseScopeWords) {
  Subset* a = SubsetCreate(base->subsets, "Alpha");
  SubsetCreate(base->subsets, "Beta");
  SubsetAppendItem(a, "X");
  CombCompile(&a->combination, "X");
  std::vector<std::string> olds;
  static std::vector<std::string>* seen = nullptr;
  seen = &olds;
  SetDispatchProbe([](int32_t step, T_Base*, const ChangeNote* note) {
    if (step == 1 && note->code == kChangeSubset) seen->push_back(note->oldName);
  });
  EXPECT_FALSE(SubsetRename(a, "groups"));
  EXPECT_FALSE(SubsetRename(a, "Alpha"));
  EXPECT_TRUE(SubsetRename(a, "Gamma"));
  EXPECT_TRUE(SubsetRename(a, "beta"));
  SetDispatchProbe(nullptr);
  EXPECT_STREQ(a->name, "beta.1");
  EXPECT_EQ(Names(base->subsets), (std::vector<std::string>{"Beta", "beta.1"}));
  EXPECT_EQ(olds, (std::vector<std::string>{"Alpha", "Gamma"}));
  // Formulas name subsets by reference: they follow the rename (a window's subset may name the
  // database's).
  SubsetList local;
  SubsetListInit(&local, base, kSubsetListOfWindow);
  Subset* user = SubsetCreate(&local, "User");
  CombCompile(&user->combination, "beta.1|Beta");
  SubsetRename(a, "Delta");
  T_TextBuf text;
  CombPrint(&user->combination, &text, 0);
  EXPECT_STREQ(text.data, "Delta|Beta");
  SubsetListFree(&local);
}

TEST_F(SubsetModelTest, ConditionTextsCompileToNormalForm) {
  Card(Day(2024, 3, 1), 1);
  struct Case {
    const char* text;
    const char* normal;
    std::vector<int32_t> passing;  // of the ids 240301-1, 240302-1, 240302-2, 240310-1, 240401-1
  };
  const Case cases[] = {
      {"", "", {0, 1, 2, 3, 4}},
      {"240302", "240302", {1, 2}},
      {"= 240302", "240302", {1, 2}},
      {"240302-2", "240302-2", {2}},
      {"2403", "2403", {0, 1, 2, 3}},
      {"240302…240310", "240302…240310", {1, 2, 3}},
      {"240302..240310", "240302…240310", {1, 2, 3}},
      {"≠240302", "<>240302", {0, 3, 4}},
      {"<>240302", "<>240302", {0, 3, 4}},
      {"≤240302", "<=240302", {0, 1, 2}},
      {"=<240302", "<=240302", {0, 1, 2}},
      {"> 240302", ">240302", {3, 4}},
      {"≥240310", ">=240310", {3, 4}},
      {"<240302", "<240302", {0}},
      {"\\", "\\", {}},
      {"=\\", "\\", {}},
      {"¬(240301 | 240401)", "¬(240301|240401)", {1, 2, 3}},
      {"¬¬240301", "240301", {0}},
      {"(240301|240302)&>=240302", "(240301|240302)&>=240302", {1, 2}},
      {"240301|240302&>=240302", "240301|240302&>=240302", {0, 1, 2}},
      {"(240301|240302", "240301|240302", {0, 1, 2}},
      {">240301<240310", ">240301&<240310", {1, 2}},
      {"240301±2403", "240301±2403", {1, 2, 3}},
      {"nonsense", "nonsense", {}},
      {"File", "File", {0}},
  };
  const CardId ids[] = {{Day(2024, 3, 1), 1},
                        {Day(2024, 3, 2), 1},
                        {Day(2024, 3, 2), 2},
                        {Day(2024, 3, 10), 1},
                        {Day(2024, 4, 1), 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    IdCondition condition;
    T_TextBuf text(c.text);
    IdConditionCompile(&condition, &text, base);
    EXPECT_STREQ(text.data, c.normal);
    EXPECT_STREQ(condition.text ? condition.text : "", c.normal);
    std::vector<int32_t> passing;
    for (int32_t i = 0; i < 5; ++i) {
      if (IdConditionTestId(&condition, &ids[i])) passing.push_back(i);
    }
    EXPECT_EQ(passing, c.passing);
    // The normal form compiles to the same.
    T_TextBuf again(condition.text);
    IdCondition second;
    IdConditionCompile(&second, &again, base);
    EXPECT_STREQ(again.data, c.normal);
    IdConditionFree(&second);
    IdConditionFree(&condition);
  }
}

TEST_F(SubsetModelTest, ItemsTestCardIdsAndStampDates) {
  int64_t g = Component(0, "G");
  SignatureStamp bo{PackTimeStamp(2024, 3, 5, 23, 59), "BO"};
  SignatureStamp none{};
  CardRecord* early = Card(Day(2024, 3, 1), 1);
  CardRecord* late = Card(Day(2024, 3, 20), 1);
  CardRecord* later = Card(Day(2024, 4, 2), 1);
  early->created = bo;
  late->created = SignatureStamp{PackTimeStamp(2024, 3, 6, 0, 1), "al"};
  later->created = none;
  LineRecord* l1 = Line(early, g, {1});
  LineRecord* l2 = Line(late, g, {1});
  LineRecord* l3 = Line(later, g, {1});

  Subset* s = SubsetCreate(base->subsets, "Stamped");
  SelectionItem* item = SubsetAppendItem(s, "A");
  CombCompile(&s->combination, "A");
  struct Case {
    const char* cardId;
    const char* time;
    const char* signature;
    std::vector<LineRecord*> lines;
  };
  const Case cases[] = {
      {"", "", "", {l1, l2, l3}},
      {"<2404", "", "", {l1, l2}},
      {"", "240305", "", {l1}},  // the stamp's date, whatever its time of day
      {"", "<=240305", "", {l1, l3}},
      {"", "\\", "", {l3}},
      {"", "", "b", {l1}},
      {"", "", "\\", {l3}},
      {"", ">=2403", "al|bo", {l1, l2}},
      {"240320", ">=2403", "", {l2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cardId) + " / " + c.time + " / " + c.signature);
    T_TextBuf id(c.cardId), time(c.time), signature(c.signature);
    ItemSetCardIdCondition(item, &id);
    ItemSetStampCondition(item, kStampCreated, &time, &signature);
    ASSERT_TRUE(CombCalculate(&s->combination, nullptr));
    std::vector<LineRecord*> chosen;
    for (LineRecord* line : {l1, l2, l3}) {
      if (BitVecGet(&s->combination.lines, line->number)) chosen.push_back(line);
    }
    EXPECT_EQ(chosen, c.lines);
    s->combination.calculated = 0;
  }
}

TEST_F(SubsetModelTest, IdleLineSetsAreReleasedAfterThreeMinutes) {
  static uint64_t now = 1000;
  SetTickSource([] { return now; });
  Subset* s = SubsetCreate(base->subsets, "S");
  SubsetAppendItem(s, "A");
  CombCompile(&s->combination, "A");
  ASSERT_TRUE(CombCalculate(&s->combination, nullptr));
  ASSERT_NE(s->combination.lines.words, nullptr);

  now += kSubsetIdleRelease;
  SubsetListReleaseIdle(base->subsets);
  EXPECT_NE(s->combination.lines.words, nullptr);

  // In use, the sets stay however long it lasts.
  CardSelection user;
  Selection_init(&user, base, nullptr, nullptr);
  CombCompile(&user.subset, "S");
  now += 10 * kSubsetIdleRelease;
  SubsetListReleaseIdle(base->subsets);
  EXPECT_NE(s->combination.lines.words, nullptr);
  Selection_free(&user);

  now += kSubsetIdleRelease + 1;
  SubsetListReleaseIdle(base->subsets);
  EXPECT_EQ(s->combination.lines.words, nullptr);
  EXPECT_TRUE(CombNeedsCalc(&s->combination));
}

class SubsetDeleteTest : public SubsetModelTest {
 protected:
  void SetUp() override {
    SubsetModelTest::SetUp();
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    SetFrameVisible(false);
    app = new T_Application(false);
  }
  void TearDown() override {
    delete app;
    SubsetModelTest::TearDown();
  }
  int32_t Queued() {
    int32_t n = 0;
    for (T_DeferCom* c = app->firstAction; c; c = c->next) ++n;
    return n;
  }
  T_Application* app = nullptr;
};

TEST_F(SubsetDeleteTest, InUseRefusesAndTheQuestionQueuesOneDeletion) {
  Subset* named = SubsetCreate(base->subsets, "Named");
  Subset* user = SubsetCreate(base->subsets, "User");
  // A database subset names another only through a selection's subset criterion.
  Selection_andSubset(&SubsetAppendItem(user, "A")->selection, "Named");
  SelectionDef def;
  SelectionDef_init(&def, base);
  SelectionDef_setSubset(&def, "cards User");

  EXPECT_FALSE(SubsetAskDelete(named));
  EXPECT_FALSE(SubsetAskDelete(user));
  EXPECT_EQ(alerts.Messages(), (std::vector<int32_t>{4705, 4705}));
  EXPECT_EQ(alerts.asked[0].second, "Named");
  SelectionDef_free(&def);

  alerts.asked.clear();
  EXPECT_FALSE(SubsetAskDelete(user));  // the default answer is Cancel
  EXPECT_EQ(Queued(), 0);
  alerts.press[3208] = 718;
  EXPECT_TRUE(SubsetAskDelete(user));
  EXPECT_TRUE(SubsetAskDelete(user));
  EXPECT_EQ(alerts.Messages(), (std::vector<int32_t>{3208, 3208}));
  EXPECT_EQ(Queued(), 1);
  EXPECT_NE(user->pendingDelete, nullptr);

  Application_AfterMessage(app);
  EXPECT_EQ(Queued(), 0);
  EXPECT_EQ(SubsetFind(base->subsets, "User"), nullptr);
  // Nothing names it now.
  EXPECT_TRUE(SubsetAskDelete(named));
  EXPECT_EQ(Queued(), 1);
}

TEST_F(SubsetDeleteTest, ASubsetGoneFirstLeavesItsCommandIdle) {
  Subset* s = SubsetCreate(base->subsets, "S");
  ASSERT_TRUE(PostDeleteSubsetCom(s));
  T_DeferCom* command = app->firstAction;
  SubsetDestroy(s);
  EXPECT_EQ(static_cast<T_DeleteSubsetCom*>(command)->subset, nullptr);
  Application_AfterMessage(app);
  EXPECT_EQ(base->subsets->count, 0);

  // A command dropped unrun lets go of its subset.
  Subset* kept = SubsetCreate(base->subsets, "Kept");
  ASSERT_TRUE(PostDeleteSubsetCom(kept));
  delete app->firstAction;
  app->firstAction = nullptr;
  EXPECT_EQ(kept->pendingDelete, nullptr);
}

TEST_F(SubsetModelTest, BlocksRoundTripThroughMemoryStreams) {
  Subset* north = SubsetCreate(base->subsets, "North");
  Subset* s = SubsetCreate(base->subsets, "Region Sales");
  SelectionItem* a = SubsetAppendItem(s, "A");
  SelectionItem* b = SubsetAppendItem(s, "Big ones");
  Selection_setPattern(&a->selection, kPatternCardTitle, "inv");
  Selection_setCondition(&b->selection, 0, ">100");
  CombCompile(&b->selection.subset, "North");
  T_TextBuf id("2403"), time("<240310"), signature("bo");
  ItemSetCardIdCondition(a, &id);
  ItemSetStampCondition(b, kStampApproved, &time, &signature);
  CombCompile(&s->combination, "(A|Big ones)&¬A");
  s->open = 1;
  s->hasPosition = 1;
  s->editorX = 40;
  s->editorY = -5;
  BlockTextAssign(&s->notes, "line one\rline\ttwo");

  T_OStream out;
  WriteSubset(s, &out, "## Subset");
  std::string block =
      "## Subset\tRegion Sales\r\n"
      "VN\tA\r\nVY\tinv\r\nVk\t2403\r\n"
      "VN\tBig ones\r\nVVA\t>100\r\nVS\tNorth\r\nVp\t<240310\tbo\r\n"
      "F\t(A|Big ones)¬A\r\nxo\r\nxp\t40\t-5\r\nN\tline one\x03line\x04two\r\n";
  EXPECT_EQ(Written(out), block);

  T_OStream selection;
  WriteSelection(b, &selection, true);
  EXPECT_EQ(Written(selection),
            "## Selection\tBig ones\r\nVVA\t>100\r\nVS\tNorth\r\n"
            "Vp\t<240310\tbo\r\n");

  // Read into a window's list, where "Region Sales" is free and "North" names the database's.
  SubsetList local;
  SubsetListInit(&local, base, kSubsetListOfWindow);
  std::string pasted = "junk\r\n" + block + "## Subset\tSecond\r\nF\tRegion Sales|A\r\n";
  T_IStream in;
  in.CtorFromMemory(pasted.data(), static_cast<int64_t>(pasted.size()));
  ASSERT_TRUE(in.NextLine());
  EXPECT_EQ(ReadSubsetBlocks(&local, &in), 2);
  Subset* copy = SubsetFind(&local, "Region Sales");
  ASSERT_NE(copy, nullptr);
  T_OStream again;
  WriteSubset(copy, &again, "## Subset");
  EXPECT_EQ(Written(again), block);
  EXPECT_TRUE(CombUsesSubset(&SubsetItemAt(copy, 1)->selection.subset, north));
  // A formula read before the subset it names: resolved at first use.
  Subset* second = SubsetFind(&local, "Second");
  T_TextBuf formula;
  CombPrint(&second->combination, &formula, 0);
  EXPECT_STREQ(formula.data, "Region Sales");
  EXPECT_TRUE(CombUsesSubset(&second->combination, copy));
  EXPECT_EQ(alerts.Messages(), (std::vector<int32_t>{4707}));  // "A" is no item of Second

  // A "## Selection" block into an item, up to the first line that is not its own.
  std::string item = "## Selection\tPasted\r\nVL\tfreight\r\nVk\t>240301\r\nF\tnot mine\r\n";
  T_IStream itemIn;
  itemIn.CtorFromMemory(item.data(), static_cast<int64_t>(item.size()));
  ASSERT_TRUE(itemIn.NextLine());
  SelectionItem* target = SubsetAppendItem(copy, "Z");
  ReadSelection(target, &itemIn);
  EXPECT_STREQ(target->name, "Pasted");
  EXPECT_STREQ(target->selection.lineText, "freight");
  EXPECT_STREQ(target->cardId.text, ">240301");
  T_TextBuf rest;
  itemIn.RewindLine();
  itemIn.ReadFieldBuf(&rest);
  EXPECT_STREQ(rest.data, "F");
  SubsetListFree(&local);
}

}  // namespace

namespace {

class EditorLayoutTest : public OffscreenPortTest {
 protected:
  void SetUp() override {
    OffscreenPortTest::SetUp();
    InstallDatabaseServices();
    base = new T_Base(nullptr, 0);
  }
  void TearDown() override {
    delete base;
    RemoveDatabaseServices();
    OffscreenPortTest::TearDown();
  }
  T_Base* base = nullptr;
};

TEST_F(EditorLayoutTest, GrowsWithLabelsDimensionsAndRows) {
  SubsetEditorLayout layout = SubsetEditorMeasure(base, 200, 0);
  EXPECT_GE(layout.labelWidth, TextWidth("Card Title") + 5);
  EXPECT_EQ(layout.width, layout.labelWidth + 200 + 307);
  EXPECT_EQ(layout.height, 282 + 82);
  EXPECT_EQ(SubsetEditorMeasure(base, 200, 2).height, 17 * 2 + 265 + 82);

  base->valueNames[0] = StrDup("A value column with a long name");
  base->lineSlots = 20;
  layout = SubsetEditorMeasure(base, 100, 2);
  EXPECT_EQ(layout.labelWidth, TextWidth("A value column with a long name") + 5);
  EXPECT_EQ(layout.height, 17 * 20 + 86 + 82);
  base->lineSlots = 1;
}

}  // namespace
