// Document windows: the window list, titles, owners, mode steps by key, commands, command
// enabling, dropped files, notices, closing the windows of a database and dragging the mode
// box's width.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/text_buffer.h"
#include "tests/ui/scripted_pointer.h"
#include "ui/application.h"
#include "ui/document_window.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/transfer_list.h"

namespace {

int baseA;
int baseB;
T_Base* const kBaseA = reinterpret_cast<T_Base*>(&baseA);
T_Base* const kBaseB = reinterpret_cast<T_Base*>(&baseB);
int templateInTree;
int templateLoose;
T_Template* const kTemplateInTree = reinterpret_cast<T_Template*>(&templateInTree);
T_Template* const kTemplateLoose = reinterpret_cast<T_Template*>(&templateLoose);

// What the fake layers above were asked to do.
struct Calls {
  bool secondOpen = false;
  T_Window* databaseWindow = nullptr;
  std::vector<std::string> log;
  std::vector<int32_t> enabled;
  std::vector<int32_t> disabled;
};
Calls calls;

class T_DocWindow : public T_HWindow {
 public:
  T_DocWindow(int32_t kind, T_Base* database, T_Template* from = nullptr)
      : T_HWindow(kKindDocument, kind, &kRect, 0, database, 0) {
    templ = from;
  }
  void Open() { EventHandler_Open(this); }
  bool Calculate(bool) override {
    calls.log.push_back("calculate");
    if (cancelCalculation) PendingErrorCancel();
    return true;
  }
  void DeleteData(bool) override { calls.log.push_back("delete data"); }
  void MarkCards(int32_t command) override {
    calls.log.push_back("mark " + std::to_string(command));
  }
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override {
    if (record->code == kModeDescribe) {
      ModeboxEvent_SetText(record, ("Mode " + std::to_string(record->nodeId)).c_str());
    } else {
      T_HWindow::OnModeboxEvent(box, record);
    }
  }
  bool QueryClose(int32_t code) override { return !refuseClose && T_HWindow::QueryClose(code); }
  void DrawContent() override {
    ++drawn;
    T_HWindow::DrawContent();
  }

  static constexpr RECT kRect{10, 10, 300, 200};
  int32_t drawn = 0;
  bool cancelCalculation = false;
  bool refuseClose = false;
};

const DocumentOperations kOperations{
    /*firstDatabase*/ [] { return kBaseA; },
    /*nextDatabase*/ [](T_Base* b) { return b == kBaseA && calls.secondOpen ? kBaseB : nullptr; },
    /*databaseWindow*/ [](T_Base*) { return calls.databaseWindow; },
    /*hasLog*/ [](T_Base*) { return true; },
    /*logOperation*/
    [](T_Base*, const char* kind, const char* name, int32_t verb) {
      calls.log.push_back("log " + std::to_string(verb) + " " + kind + " \"" + name + "\"");
    },
    /*notifyChange*/
    [](const ChangeNote* note) { calls.log.push_back("change " + std::to_string(note->code)); },
    /*importFile*/
    [](T_Base*, const char* path) { calls.log.push_back(std::string("import ") + path); },
    /*importFileWithDialog*/ [](T_Base*) { calls.log.push_back("import dialog"); },
    /*templateHasParent*/ [](T_Template* t) { return t == kTemplateInTree; },
    /*templatePath*/ [](T_Template*, T_TextBuf* path) { TextBufAssign(path, "Sales: Monthly"); },
    /*runTemplateDefaults*/ [](T_Base*, T_HWindow*) { calls.log.push_back("defaults"); },
    /*runInstallTemplate*/ [](T_Base*, T_HWindow*) { calls.log.push_back("install"); },
    /*removeInstalledTemplate*/ [](T_Base*, T_HWindow*) { calls.log.push_back("remove"); },
    /*rebuildDatabaseMenus*/ nullptr,
    /*openTransformDialog*/ [](T_HWindow*) { calls.log.push_back("transform"); },
    /*openAggregateDialog*/ [](T_HWindow*) { calls.log.push_back("aggregate"); },
};

const MenuOperations* RecordingMenus() {
  static MenuOperations menus{};
  menus.enableCommand = [](int32_t command, bool on) {
    (on ? calls.enabled : calls.disabled).push_back(command);
  };
  return &menus;
}

class DocWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    SetFrameVisible(false);
    calls = Calls{};
    SetDocumentOperations(&kOperations);
    app = new T_Application(true);
  }
  void TearDown() override {
    delete app;
    SetDocumentOperations(nullptr);
    SetMenuOperations(nullptr);
    PendingErrorClear();
  }
  T_DocWindow* Open(int32_t kind, T_Base* database, T_Template* from = nullptr) {
    auto* window = new T_DocWindow(kind, database, from);
    window->Open();
    return window;
  }
  std::vector<T_HWindow*> Listed() {
    std::vector<T_HWindow*> windows;
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) windows.push_back(w);
    return windows;
  }
  T_Application* app = nullptr;
};

TEST_F(DocWindowTest, UntitledAnalysisWindowsTakeTheFirstFreeNumber) {
  T_DocWindow* first = Open(kWindowCards, kBaseA);
  first->MakeTitle(nullptr);
  EXPECT_STREQ(first->Title(), "Cards 1");
  T_DocWindow* third = Open(kWindowCards, kBaseA);
  third->SetTitleCopy("Cards 3");
  T_DocWindow* next = Open(kWindowCards, kBaseA);
  next->MakeTitle(nullptr);
  EXPECT_STREQ(next->Title(), "Cards 2");

  T_DocWindow* lines = Open(kWindowLines, kBaseA);
  lines->MakeTitle(first);
  EXPECT_STREQ(lines->Title(), "Cards 1 >> Lines");
  T_DocWindow* fromTemplate = Open(kWindowComponents, kBaseA, kTemplateInTree);
  fromTemplate->MakeTitle(nullptr);
  EXPECT_STREQ(fromTemplate->Title(), "Sales: Monthly");

  EXPECT_EQ(Listed(), (std::vector<T_HWindow*>{first, third, next, lines, fromTemplate}));
  EXPECT_EQ(FindWindowOfTemplate(kTemplateInTree), fromTemplate);
  EXPECT_EQ(FindWindowOfTemplate(nullptr), nullptr);
  delete third;
  EXPECT_EQ(Listed(), (std::vector<T_HWindow*>{first, next, lines, fromTemplate}));
}

TEST_F(DocWindowTest, OpeningAndClosingAreLoggedAndBroadcast) {
  T_DocWindow* window = new T_DocWindow(kWindowCards, kBaseA, kTemplateLoose);
  window->SetTitleCopy("Cards 1");
  window->Open();
  EXPECT_EQ(window->templ, nullptr);  // a template in no tree is dropped
  EventHandler_CloseAndDelete(window, 0);
  EXPECT_EQ(calls.log,
            (std::vector<std::string>{"log 1 cards analysis \"Cards 1\"", "change 66",
                                      "log 15 cards analysis \"Cards 1\"", "change 68"}));
  calls.log.clear();
  T_DocWindow* protection = Open(kWindowProtection, kBaseA);  // a kind without a log name
  delete protection;
  EXPECT_EQ(calls.log, (std::vector<std::string>{"change 66", "change 68"}));
}

TEST_F(DocWindowTest, ASecondDatabaseGivesWindowsTheirDatabaseWindowAsOwner) {
  T_DocWindow* databaseWindow = Open(kWindowDatabase, kBaseA);
  calls.databaseWindow = databaseWindow;
  T_DocWindow* cards = Open(kWindowCards, kBaseA);
  EXPECT_EQ(cards->owner, nullptr);
  calls.secondOpen = true;
  ChangeNote opened;
  opened.code = kChangeDatabaseOpened;
  opened.database = kBaseB;
  BroadcastToWindows(&opened, kBaseA);
  EXPECT_EQ(cards->owner, databaseWindow);
  EXPECT_EQ(databaseWindow->owner, nullptr);
}

TEST_F(DocWindowTest, PageAndHomeKeysStepTheModeBoxAfterTheMessage) {
  T_DocWindow* window = Open(kWindowCards, kBaseA);
  window->CreateModeBox(100, 150);
  ASSERT_NE(window->modeBox, nullptr);
  for (int32_t id : {1, 2, 3}) window->AddModeItem(nullptr, nullptr, id);
  struct Case {
    uint16_t key;
    int32_t selected;
  } cases[] = {{kKeyHome, 1}, {kKeyPageDown, 2}, {kKeyEnd, 3}, {kKeyPageUp, 2}};
  for (const Case& c : cases) {
    InputEvent key;
    key.keyCode = c.key;
    EXPECT_TRUE(window->KeyDown(&key, window));
    Application_AfterMessage(app);
    ModeNode* node = window->modeBox->SelectedNode();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->id, c.selected) << c.key;
  }
  InputEvent other;
  other.keyCode = 'A';
  EXPECT_FALSE(window->KeyDown(&other, window));
}

TEST_F(DocWindowTest, CommandsCalculateFirstAndStopWhenCancelled) {
  T_DocWindow* window = Open(kWindowCards, kBaseA);
  calls.log.clear();
  struct Case {
    int32_t command;
    std::vector<std::string> log;
  } cases[] = {
      {kCommandTransform, {"calculate", "transform"}},
      {kCommandAggregate, {"calculate", "aggregate"}},
      {kCommandDeleteData, {"calculate", "delete data"}},
      {kCommandExamine, {"calculate", "mark 2531"}},
      {kCommandImport, {"import dialog"}},
      {kCommandSetDefaults, {"defaults"}},
      {kCommandInstallTemplate, {"install"}},
  };
  for (const Case& c : cases) {
    calls.log.clear();
    EXPECT_TRUE(window->DoCommand(c.command));
    EXPECT_EQ(calls.log, c.log) << c.command;
  }
  window->cancelCalculation = true;
  calls.log.clear();
  EXPECT_TRUE(window->DoCommand(kCommandTransform));
  EXPECT_EQ(calls.log, (std::vector<std::string>{"calculate"}));
}

TEST_F(DocWindowTest, CloseAllIsEnabledOnlyBesideDocumentWindows) {
  SetMenuOperations(RecordingMenus());
  T_DocWindow* databaseWindow = Open(kWindowDatabase, kBaseA);
  databaseWindow->UpdateCommands();
  EXPECT_EQ(calls.disabled.back(), kCommandCloseAll);
  T_DocWindow* cards = Open(kWindowCards, kBaseA, kTemplateInTree);
  calls.enabled.clear();
  cards->UpdateCommands();
  ASSERT_GE(calls.enabled.size(), 4u);
  std::vector<int32_t> ours(calls.enabled.end() - 4, calls.enabled.end());
  EXPECT_EQ(ours, (std::vector<int32_t>{kCommandInstallTemplate, kCommandRemoveTemplate,
                                        kCommandSetDefaults, kCommandCloseAll}));
}

TEST_F(DocWindowTest, ADroppedFileIsImportedIntoTheWindowsDatabase) {
  T_DocWindow* window = Open(kWindowCards, kBaseA);
  T_DocWindow* loose = Open(kWindowXmlTester, nullptr);
  TransferList list;
  DragData_Init(&list);
  ASSERT_TRUE(DragData_Add(&list, kTransferFile, "C:\\data\\sales.txt"));
  calls.log.clear();
  EXPECT_FALSE(loose->AcceptDrop(&list));
  EXPECT_TRUE(window->AcceptDrop(&list));
  EXPECT_EQ(calls.log, (std::vector<std::string>{"import C:\\data\\sales.txt"}));
  DragData_Free(&list);
}

TEST_F(DocWindowTest, ClosingADatabasesWindowsKeepsItsDatabaseWindowAndStopsOnRefusal) {
  T_DocWindow* databaseWindow = Open(kWindowDatabase, kBaseA);
  Open(kWindowCards, kBaseA);
  T_DocWindow* other = Open(kWindowCards, kBaseB);
  T_DocWindow* stubborn = Open(kWindowLines, kBaseA);
  Open(kWindowComponents, kBaseA);
  stubborn->refuseClose = true;
  EXPECT_FALSE(CloseWindowsOfDatabase(kBaseA, 0));
  EXPECT_EQ(Listed().size(), 4u);  // the first cards window went; the refusal stopped the rest
  stubborn->refuseClose = false;
  EXPECT_TRUE(CloseWindowsOfDatabase(kBaseA, 0));
  EXPECT_EQ(Listed(), (std::vector<T_HWindow*>{databaseWindow, other}));
}

// A mode box of width 100 at (3, 3) without a toolbar: its sizing handle covers x 105 to 109.
// A paint that comes while the database's records change leaves the window unpainted until the
// last hold ends, when it is painted anew; a window of another database paints meanwhile.
TEST_F(DocWindowTest, AHeldDatabasesWindowsPaintOnlyOnceTheLastHoldEnds) {
  // Only a shown window has an area to paint.
  ShowWindow(FrameWindow(), SW_SHOWNOACTIVATE);
  T_DocWindow* held = Open(kWindowCards, kBaseA);
  T_DocWindow* free = Open(kWindowCards, kBaseB);
  auto paint = [](T_DocWindow* window) {
    const int32_t before = window->drawn;
    InvalidateRect(window->native.handle, nullptr, FALSE);
    SendMessageA(window->native.handle, WM_PAINT, 0, 0);
    return window->drawn - before;
  };
  ASSERT_GT(paint(held), 0);
  {
    DatabasePaintHold outer(kBaseA);
    {
      DatabasePaintHold inner(kBaseA);
      EXPECT_EQ(paint(held), 0);
      EXPECT_GT(paint(free), 0);
    }
    EXPECT_TRUE(held->PaintHeld());
    EXPECT_EQ(paint(held), 0);
  }
  EXPECT_FALSE(held->PaintHeld());
  RECT pending{};
  EXPECT_TRUE(GetUpdateRect(held->native.handle, &pending, FALSE)) << "painted anew";
  EXPECT_GT(paint(held), 0);
  EventHandler_CloseAndDelete(held, 3);
  EventHandler_CloseAndDelete(free, 3);
  ShowWindow(FrameWindow(), SW_HIDE);
}

class ModeBoxDragTest : public DocWindowTest {
 protected:
  void SetUp() override {
    DocWindowTest::SetUp();
    SetItemPointerSource(ui_test::ScriptedPointer);
    window = Open(kWindowCards, kBaseA);
    window->CreateModeBox(100, 150);
    ASSERT_NE(window->modeItem, nullptr);
    itemRight = window->modeItem->x + window->modeItem->width;
  }
  void TearDown() override {
    SetItemPointerSource(nullptr);
    DocWindowTest::TearDown();
  }
  // Presses on the handle's middle (107 at width 100) at y 50 and plays the moves with the button
  // held; the release follows.
  void Drag(std::vector<ui_test::PointerStep> moves) {
    ui_test::SetScript(std::move(moves));
    InputEvent press;
    press.x = window->ModeBoxWidth() + 7;
    press.y = 50;
    press.leftButton = press.anyButton = 1;
    EXPECT_TRUE(window->MouseDown(&press, window));
  }
  T_DocWindow* window = nullptr;
  int32_t itemRight = 0;
};

TEST_F(ModeBoxDragTest, OnlyTheStripBesideTheBoxIsAHandle) {
  struct Case {
    int32_t x, y;
    bool right;
    bool handle;
  } cases[] = {{104, 50, false, false},  {105, 50, false, true}, {109, 50, false, true},
               {110, 50, false, false},  {107, 2, false, false}, {107, 145, false, true},
               {107, 146, false, false}, {107, 50, true, false}};
  for (const Case& c : cases) {
    InputEvent event;
    event.x = c.x;
    event.y = c.y;
    event.rightButton = c.right;
    event.leftButton = !c.right;
    uint32_t changes = CursorChangeCount();
    window->SetCursor(&event, window);
    EXPECT_EQ(CursorChangeCount() != changes, c.handle) << c.x << "," << c.y;
    if (!c.right) {
      EXPECT_EQ(window->OnModeBoxHandle(c.x, c.y), c.handle) << c.x << "," << c.y;
    }
  }
  // A press off the handle is the window's ordinary press: the box keeps its width.
  ui_test::SetScript({{150, 50, true}});
  InputEvent press;
  press.x = 110;
  press.y = 50;
  press.leftButton = 1;
  window->MouseDown(&press, window);
  EXPECT_EQ(window->ModeBoxWidth(), 100);
}

TEST_F(ModeBoxDragTest, TheWidthFollowsThePointerWithinItsBounds) {
  int32_t widest = window->width - 6;
  struct Case {
    int32_t toX, toY;
    int32_t width;
  } cases[] = {
      {147, 50, 140},                    // wider by the movement
      {87, 80, 80},                      // narrower
      {-20, 50, kModeBoxMinWidth},       // never below the minimum
      {window->width + 60, 50, widest},  // nor beyond the window less 6
      {147, 200, 100},                   // below the tracking rectangle: back to the start width
      {-31, 50, 100},                    // left of it
  };
  for (const Case& c : cases) {
    Drag({{c.toX, c.toY, true}});
    EXPECT_EQ(window->ModeBoxWidth(), c.width) << c.toX << "," << c.toY;
    // The header area's left edge moves with the box, its right edge stays, its width stays >= 0.
    int32_t left = window->modeItem->x;
    EXPECT_EQ(left, std::min(108 + c.width - 100, itemRight)) << c.toX;
    EXPECT_EQ(left + window->modeItem->width, itemRight);
    Drag({{107, 50, true}});  // back to 100 for the next case
    ASSERT_EQ(window->ModeBoxWidth(), 100);
    ASSERT_EQ(window->modeItem->x, 108);
  }
  // Leaving the rectangle mid-drag restores the start width; coming back resumes the drag.
  Drag({{147, 50, true}, {147, 400, true}, {127, 50, true}});
  EXPECT_EQ(window->ModeBoxWidth(), 120);
}

}  // namespace
