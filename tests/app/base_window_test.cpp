// The database window and the information window: placement, figures, the badge, the watch on
// the file, Delete Data with its card-editor walk, both windows' lives bound to the database's,
// the component counting and the text and HTML forms. Pictures of both windows go to the
// working folder (app_base_*.bmp).
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/cards/aggregator.h"
#include "analysis/cards/transform.h"
#include "app/base_info.h"
#include "app/base_usage.h"
#include "app/base_window.h"
#include "app/preferences.h"
#include "app/web_dispatcher.h"
#include "app/web_pages.h"
#include "app/web_window_pages.h"
#include "app_fixture.h"
#include "file_times.h"
#include "core/file_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/short_ids.h"
#include "core/threads.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/opening.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/source_path.h"
#include "tests/ui/printed_page.h"
#include "tests/ui/pump_probe.h"
#include "tests/ui/scripted_pointer.h"
#include "tests/ui/window_picture.h"
#include "ui/element.h"
#include "ui/item.h"
#include "ui/printing.h"

namespace app_test {
namespace {

using ui_test::Capture;
using ui_test::ExpectDrawn;
using ui_test::Save;

class BaseWindowTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartApplication();
    InstallBaseWindows();
    ui_test::FakeTicks() = 100000;
    SetTickSource(ui_test::Ticks);
  }
  void TearDown() override {
    SetItemPointerSource(nullptr);
    SetTickSource(nullptr);
    AppTest::TearDown();
    SetBaseServices(nullptr);
  }

  static T_BaseWin* WindowOf(T_Base* base) { return dynamic_cast<T_BaseWin*>(base->mainWindow); }
  static T_Base* OpenExample(const std::string& path) {
    T_Base* base = openDatabase(path.c_str(), nullptr, 0);
    EXPECT_NE(base, nullptr) << path;
    return base;
  }
  void RunQueued() { Application_AfterMessage(App()); }
  int32_t CountAllWindows() {
    int32_t n = 0;
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) ++n;
    return n;
  }
  int32_t CountWindows(int32_t kind) {
    int32_t n = 0;
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) n += w->windowKind == kind;
    return n;
  }
};

TEST(BaseWindowPlacement, StepsRightPastTakenSpotsAndWrapsToTheCorner) {
  const RECT area{0, 0, 1000, 700};
  const int32_t f = 3;
  const int32_t c = 18;
  const struct {
    std::vector<POINT> others;
    POINT expected;
  } cases[] = {
      {{}, {4, 22}},
      {{{4, 22}}, {4 + 2 * f + 272, 22}},
      {{{12, 27}}, {4, 22}},                                // 8 + 5 = 13 away: close, but free
      {{{9, 27}}, {4 + 2 * f + 272, 22}},                   // 5 + 5 = 10: taken
      {{{4, 22}, {282, 22}}, {4 + 2 * (2 * f + 272), 22}},  // the second spot taken too
      {{{4, 22}, {282, 22}, {560, 22}}, {0, 0}},            // the fourth would pass the edge
  };
  for (const auto& test : cases) {
    POINT at = BaseWindowPosition(area, f, c, test.others.data(),
                                  static_cast<int32_t>(test.others.size()));
    EXPECT_EQ(at.x, test.expected.x) << test.others.size();
    EXPECT_EQ(at.y, test.expected.y) << test.others.size();
  }
}

TEST_F(BaseWindowTest, EveryDatabaseShowsItsWindowWithItsFigures) {
  T_Base* empty = NewUntitledDatabase();
  ASSERT_NE(empty, nullptr);
  T_BaseWin* window = WindowOf(empty);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowKind, kWindowDatabase);
  EXPECT_EQ(window->width, kBaseWindowWidth);
  EXPECT_EQ(window->height, kBaseWindowHeight);
  window->MakeFiguresValid();
  EXPECT_EQ(window->figures.cards, 0);
  EXPECT_EQ(window->figures.first.date, 0u);
  ui_test::Picture picture = Capture(window);
  Save(picture, "app_base_window_empty.bmp");
  ExpectDrawn(picture, RECT{10, 7, 60, 75}, 30);  // the labels

  T_Base* example = OpenExample(TestSourcePath("examples/Example.qeb"));
  ASSERT_NE(example, nullptr);
  T_BaseWin* second = WindowOf(example);
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(second->Title(), "Example.qeb");
  EXPECT_NE(second->x, window->x);  // placed beside the first
  second->MakeFiguresValid();
  EXPECT_EQ(second->figures.cards, 2400);
  EXPECT_EQ(second->figures.lines, 7889);
  EXPECT_GT(second->figures.size, 0);
  EXPECT_NE(second->figures.first.date, 0u);
  picture = Capture(second);
  Save(picture, "app_base_window_example.bmp");
  ExpectDrawn(picture, RECT{100, 7, 180, 75}, 40);  // the figures
  ExpectDrawn(picture, RECT{187, 18, 252, 64}, 20);  // badge and caption

  example->fileKind = 5;
  example->NotifyCode(kChangeSaveKind);
  EXPECT_EQ(second->fileKind, 5);
  Save(Capture(second), "app_base_window_text.bmp");

  // Cards added: the figures follow.
  CardId id{(125u << 9) | (3u << 5) | 1u, 0};
  ASSERT_NE(CreateCard(empty, &id), nullptr);
  empty->NotifyCode(kChangeCards);
  EXPECT_FALSE(window->summaryValid);
  window->MakeFiguresValid();
  EXPECT_EQ(window->figures.cards, 1);
}

TEST_F(BaseWindowTest, TheWindowAndItsDatabaseGoTogetherWhicheverGoesFirst) {
  T_Base* base = NewUntitledDatabase();
  ASSERT_NE(base, nullptr);
  ASSERT_TRUE(EventHandler_RequestClose(base->mainWindow, kCloseSilently));
  DeferredCloseDestroyAll();
  EXPECT_EQ(FirstBase(), nullptr);
  EXPECT_EQ(CountWindows(kWindowDatabase), 0);

  base = NewUntitledDatabase();
  ASSERT_TRUE(DeleteBase(base, kCloseSilently));
  EXPECT_EQ(CountWindows(kWindowDatabase), 0);
}

TEST_F(BaseWindowTest, AChangedFileAsksOnceUntilASaveRearmsTheQuestion) {
  ScratchFolder folder;
  const std::string path = folder / "Watched.qeb";
  WriteWholeFile(path, ReadWholeFile(TestSourcePath("examples/Example.qeb")));
  T_Base* base = OpenExample(path);
  ASSERT_NE(base, nullptr);
  T_BaseWin* window = WindowOf(base);
  auto tick = [&] {
    ui_test::FakeTicks() += kFileCheckInterval + 1;
    window->Notify(kNotifyTick);
  };
  tick();
  EXPECT_TRUE(user.asked.empty());  // unchanged: nothing asked

  MoveLastWriteTime(path, 60);  // a minute later
  ui_test::FakeTicks() += 1000;
  window->Notify(kNotifyTick);  // not yet 15 s since the last look
  EXPECT_TRUE(user.asked.empty());
  tick();
  ASSERT_EQ(user.Messages(), std::vector<int32_t>{kAskModifiedOnDisk});
  EXPECT_NE(user.asked[0].text.find("Watched.qeb"), std::string::npos);
  tick();
  EXPECT_EQ(user.asked.size(), 1u);  // answered: not again for the same change

  base->NotifyCode(kChangeSaved);  // a save here records the file's state and re-arms
  tick();
  EXPECT_EQ(user.asked.size(), 1u);
  MoveLastWriteTime(path, 120);
  user.press[kAskModifiedOnDisk] = {707};  // "Close"
  tick();
  EXPECT_EQ(user.asked.size(), 2u);
  RunQueued();
  EXPECT_EQ(FirstBase(), nullptr);

  // Serving and unmodified: the database reopens silently.
  base = OpenExample(path);
  window = WindowOf(base);
  SetWebServiceServingQuery([] { return true; });
  MoveLastWriteTime(path, 180);
  tick();
  SetWebServiceServingQuery(nullptr);
  EXPECT_EQ(user.asked.size(), 2u);
  RunQueued();
  ASSERT_NE(FirstBase(), nullptr);
  EXPECT_NE(FirstBase()->mainWindow, nullptr);
  EXPECT_EQ(FileCalls().size(), 1u);  // reopened through the application's file operation
}

TEST_F(BaseWindowTest, ABadgePressReleasedInsideOpensTheInformationWindowOnce) {
  T_Base* base = NewUntitledDatabase();
  T_BaseWin* window = WindowOf(base);
  SetItemPointerSource(ui_test::ScriptedPointer);
  auto press = [&](POINT release) {
    ui_test::SetScript({{210, 30, true}, {release.x, release.y, true}, {release.x, release.y, false}});
    InputEvent event;
    event.x = 210;
    event.y = 30;
    event.leftButton = event.anyButton = 1;
    window->MouseDown(&event, window);
  };
  press({20, 70});
  EXPECT_EQ(CountWindows(kWindowDatabaseInfo), 0);
  press({220, 40});
  EXPECT_EQ(CountWindows(kWindowDatabaseInfo), 1);
  EXPECT_NE(base->infoWindow, nullptr);
  press({220, 40});
  EXPECT_EQ(CountWindows(kWindowDatabaseInfo), 1);
}

TEST_F(BaseWindowTest, ChangeNotesInvalidateTheFiguresAndRemeasureTheWidths) {
  T_Base* base = NewUntitledDatabase();
  T_BaseWin* window = WindowOf(base);
  const struct {
    int32_t code;
    bool invalidates;
  } rows[] = {{11, true}, {12, true}, {27, true}, {28, true}, {31, true}, {32, true},
              {65, true}, {6, false}, {29, false}, {38, false}};
  for (const auto& r : rows) {
    window->MakeFiguresValid();
    ChangeNote note;
    note.code = r.code;
    note.database = base;
    window->OnChange(&note);
    EXPECT_EQ(!window->summaryValid, r.invalidates) << r.code;
  }
  // Another database's notes leave the window alone.
  T_Base* other = NewUntitledDatabase();
  window->MakeFiguresValid();
  other->NotifyCode(kChangeCards);
  EXPECT_TRUE(window->summaryValid);

  // A long card-title label widens the second display width; its removal narrows it again.
  const int32_t before = base->listWidth2;
  base->SetCardTitleLabel("A card title label of some considerable width");
  EXPECT_GT(base->listWidth2, before);
  base->SetCardTitleLabel(nullptr);
  EXPECT_EQ(base->listWidth2, before);
}

TEST_F(BaseWindowTest, TheInformationPrintsOnePage) {
  T_Base* example = OpenExample(TestSourcePath("examples/Example.qeb"));
  ASSERT_NE(example, nullptr);
  T_BaseInfo* info = OpenBaseInfo(example, 0);
  PrintPhase phase;
  phase.phase = kPrintCountPages;
  info->Print(&phase);
  EXPECT_EQ(phase.pageCount, 1);
  // The page drawn on a white bitmap: the path, the stamp and every group leave ink.
  const ui_test::Picture picture = ui_test::PrintedPage(info, 500, 700);
  ASSERT_FALSE(picture.pixels.empty());
  Save(picture, "app_base_info_page.bmp");
  EXPECT_GT(ui_test::Pixels(picture, RECT{0, 0, 480, 14}, true), 50);     // path and stamp
  EXPECT_GT(ui_test::Pixels(picture, RECT{0, 40, 200, 200}, true), 300);  // memory and cards
  EXPECT_GT(ui_test::Pixels(picture, RECT{100, 200, 320, 400}, true), 100);  // dimension counts
}

// A card editor stand-in that may refuse to close.
class T_CardEditorStandIn : public T_HWindow {
 public:
  T_CardEditorStandIn(T_Base* base, bool refuse)
      : T_HWindow(kKindDocument, kWindowCardEditor, &kRect, 0, base, 0), refuse(refuse) {
    EventHandler_Open(this);
  }
  bool QueryClose(int32_t code) override { return !refuse && T_HWindow::QueryClose(code); }
  static constexpr RECT kRect{300, 10, 200, 100};
  bool refuse;
};

TEST_F(BaseWindowTest, DeleteDataAsksAndStopsAtACardEditorThatRefuses) {
  T_Base* base = NewUntitledDatabase();
  T_BaseWin* window = WindowOf(base);
  for (uint32_t day = 1; day <= 3; ++day) {
    CardId id{(125u << 9) | (3u << 5) | day, 0};
    ASSERT_NE(CreateCard(base, &id), nullptr);
  }
  user.press[3208] = {kButtonCancel};
  window->DeleteData(true);
  EXPECT_EQ(base->cardCount, 3);
  ASSERT_EQ(user.asked.size(), 1u);
  EXPECT_NE(user.asked[0].text.find("3 cards"), std::string::npos) << user.asked[0].text;

  auto* stubborn = new T_CardEditorStandIn(base, true);
  user.press[3208] = {718};
  window->DeleteData(true);
  EXPECT_EQ(base->cardCount, 3);
  stubborn->refuse = false;
  new T_CardEditorStandIn(base, false);
  user.press[3208] = {718};
  window->DeleteData(true);
  EXPECT_EQ(base->cardCount, 0);
  EXPECT_EQ(CountWindows(kWindowCardEditor), 0);  // both closed on the way
}

// Delete Data of the database window lets paints through every 512 cards: from the first card
// removed until the note has gone out, no window of the database paints (a cards window would
// paint cards already removed), while a window of another database does.
TEST_F(BaseWindowTest, DeleteDataHoldsThePaintingOfTheDatabasesWindows) {
  T_Base* base = NewUntitledDatabase();
  T_Base* other = NewUntitledDatabase();
  T_BaseWin* window = WindowOf(base);
  for (uint32_t n = 1; n <= 1100; ++n) {
    CardId id{(125u << 9) | (3u << 5) | 1u, static_cast<int32_t>(n)};
    ASSERT_NE(CreateCard(base, &id), nullptr);
  }
  int32_t unheld = 0;
  ui_test::PumpProbe probe([&] {
    if (base->cardCount == 1100) return;  // the card editors' walk, before the first deletion
    unheld += !window->PaintHeld() + WindowOf(other)->PaintHeld();
  });
  probe.Arm();
  window->DeleteData(false);
  probe.Disarm();
  EXPECT_GE(probe.runs, 2);
  EXPECT_EQ(unheld, 0);
  EXPECT_EQ(base->cardCount, 0);
  EXPECT_FALSE(window->PaintHeld());
}

// The database window transforms and aggregates every card of the database, each card once even
// when the date map moves it later in the chain.
TEST_F(BaseWindowTest, TransformAndAggregateWalkEveryCardOnce) {
  T_Base* base = NewUntitledDatabase();
  T_BaseWin* window = WindowOf(base);
  for (uint32_t day = 1; day <= 3; ++day) {
    CardId id{(125u << 9) | (3u << 5) | day, 0};
    CardRecord* card = CreateCard(base, &id);
    ASSERT_NE(card, nullptr);
    base->SetLineValue(CreateLine(base, base->FindOrAddGroup(card, 0)), 0, day);
  }
  {
    T_Transform transform(window);
    EXPECT_EQ(transform.rowCount, 3);
    for (const char* token : {"CF=250310", "V=Value*10"}) {
      ASSERT_TRUE(Transform_parseOption(&transform, token)) << token;
    }
    ASSERT_TRUE(Transform_run(&transform));
  }
  double sum = 0;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    EXPECT_GE(card->dateNode->date, (125u << 9) | (3u << 5) | 10u);
    sum += base->GetLineValue(card->firstGroup->firstLine, 0);
  }
  EXPECT_EQ(sum, 60);  // each card once
  T_Aggregator aggregator(window);
  EXPECT_EQ(aggregator.lineCount, 3);
  ASSERT_TRUE(Aggregator_parseOption(&aggregator, "-years"));
  ASSERT_TRUE(Aggregator_run(&aggregator));
  ASSERT_EQ(base->cardCount, 1);
  EXPECT_EQ(base->GetLineValue(base->sentinelCard->next->firstGroup->firstLine, 0), 60);
}

// Dimension 0: K; dimension 1: A with A1 and A2, and B. One card, one group of K, one line on A1.
T_Base* SmallFixture() {
  T_Base* base = NewUntitledDatabase();
  AddComponent(base, 0, "K", "Key", nullptr);
  for (const char* code : {"A", "A1", "A2", "B"}) AddComponent(base, 1, code, nullptr, nullptr);
  CardId id{(125u << 9) | (3u << 5) | 7u, 0};
  CardRecord* card = CreateCard(base, &id);
  GroupRecord* group = base->FindOrAddGroup(card, base->FindComponentByKey(0, "K", -1));
  LineRecord* line = CreateLine(base, group);
  base->SetLineComponent(line, 0, base->FindComponentByKey(1, "A1", -1));
  return base;
}

TEST_F(BaseWindowTest, ComponentsUsedByLinesMakeTheirAncestorsActiveNotInUse) {
  T_Base* base = SmallFixture();
  BaseUsage usage;
  CountBaseUsage(base, &usage);
  EXPECT_EQ(usage.cards, 1);
  EXPECT_EQ(usage.groups, 1);
  EXPECT_EQ(usage.lines, 1);
  EXPECT_EQ(usage.all[0], 1);
  EXPECT_EQ(usage.inUse[0], 1);
  EXPECT_EQ(usage.all[1], 4);
  EXPECT_EQ(usage.inUse[1], 1);   // A1
  EXPECT_EQ(usage.active[1], 2);  // A1 and A
  EXPECT_EQ(usage.all[kUsageTotal], 5);
  EXPECT_EQ(usage.active[kUsageTotal], 3);

  T_OStream text;
  WriteBaseInfoText(base, &usage, &text);
  std::string form(reinterpret_cast<char*>(text.start), text.pos - text.start);
  EXPECT_NE(form.find("Database not saved"), std::string::npos) << form;
  EXPECT_NE(form.find("Total\t2\t3\t5"), std::string::npos) << form;
  T_OStream html;
  WriteBaseInfoHtml(base, &usage, &html);
  std::string page(reinterpret_cast<char*>(html.start), html.pos - html.start);
  for (const char* absent : {"Groups", "First", "Last", "Active"}) {
    EXPECT_EQ(page.find(absent), std::string::npos) << absent;
  }
  EXPECT_NE(page.find("<td class=\"diminfo\">4</td>"), std::string::npos) << page;
}

// The web's information page opens a hidden information window the database does not remember,
// writes its HTML and closes it again.
TEST_F(BaseWindowTest, TheWebInformationPageUsesAPrivateHiddenWindow) {
  T_Base* example = OpenExample(TestSourcePath("examples/Example.qeb"));
  ASSERT_NE(example, nullptr);
  InstallWebWindowPages();
  Prefs().serveWeb = true;
  Prefs().loadTick = TickCount();  // no reload from the settings in the middle
  int32_t windows = CountAllWindows();
  T_TextBuf id;
  AppendDatabaseShortId(&id, "Example.qeb");
  T_OStreamBlock page;
  page.SetNewlineChar(10);
  DispatchWebRequest(&page, (std::string("baseinfo=") + id.c_str()).c_str(), "browser-1", "");
  int64_t length = page.TotalLength();
  uint8_t* bytes = page.Collect();
  std::string html(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  MemFree(bytes);
  SetWebWindowPages(nullptr);
  EXPECT_NE(html.find("<!-- base info -->"), std::string::npos) << html;
  EXPECT_NE(html.find("class=\"diminfo\""), std::string::npos) << html;
  EXPECT_EQ(html.find("Unable to show"), std::string::npos);
  EXPECT_EQ(example->infoWindow, nullptr);
  EXPECT_EQ(CountAllWindows(), windows) << "the hidden window is gone";
}

TEST_F(BaseWindowTest, TheInformationWindowDrawsItsFiveFrames) {
  T_Base* example = OpenExample(TestSourcePath("examples/Example.qeb"));
  ASSERT_NE(example, nullptr);
  T_BaseInfo* info = OpenBaseInfo(example, 0);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->usage.cards, 2400);
  // The marks start clear whatever memory they get: a second count over dirtied memory agrees.
  BaseUsage again;
  for (int64_t size = 4; size <= 512; size += 4) {
    std::vector<void*> blocks;
    for (int i = 0; i < 8; ++i) {
      blocks.push_back(MemAlloc(size, 0));
      std::memset(blocks.back(), 0xFF, static_cast<size_t>(size));
    }
    for (void* block : blocks) MemFree(block);
  }
  CountBaseUsage(example, &again);
  for (int32_t d = 0; d <= kUsageTotal; ++d) EXPECT_EQ(again.inUse[d], info->usage.inUse[d]) << d;
  EXPECT_EQ(again.inUse[kUsageTotal], 56);
  EXPECT_EQ(info->width, info->layout.width);
  ui_test::Picture picture = Capture(info);
  Save(picture, "app_base_info_example.bmp");
  ExpectDrawn(picture, RECT{20, 30, 220, 50}, 40);    // memory
  ExpectDrawn(picture, RECT{20, 90, 220, 200}, 100);  // cards
  EXPECT_EQ(OpenBaseInfo(example, 0), info);          // brought forward, not a second

  T_Base* unsaved = NewUntitledDatabase();
  Save(Capture(OpenBaseInfo(unsaved, 0)), "app_base_info_unsaved.bmp");
}

}  // namespace
}  // namespace app_test
