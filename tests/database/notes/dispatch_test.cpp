// The change-note dispatcher: the database's own action for every code, the order of the nine
// steps, nested notes, the broadcast to all databases and the menu marks the notes set.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/bit_vector.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/menu_marks.h"
#include "tests/database/base/base_fixture.h"
#include "ui/application.h"
#include "ui/dialog_base.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace {

using base_test::BaseTest;
using base_test::StepRecorder;
using base_test::T_QuietWindow;

constexpr int32_t kDimension = 2;

// The menus were all built for the database and its flags are all raised.
void Prepare(T_Base* base) {
  SetMenuDatabase(base);
  for (int32_t kind = 0; kind < kDatabaseMenuKinds; ++kind) MenuBuiltFor(kind, base);
  base->dimensionChangePending[kDimension] = 1;
  base->dimensionChangePending[kDimension + 1] = 1;
  base->cardChangePending = 1;
  base->componentsSeen = 1;
  base->cardChangeSeen = 1;
}

std::vector<int32_t> StaleMenus() {
  std::vector<int32_t> stale;
  for (int32_t kind = 0; kind < kDatabaseMenuKinds; ++kind) {
    if (MenuMarks().needsRebuild[kind]) stale.push_back(kind);
  }
  return stale;
}

// Flags cleared, by bit: 1 the note's dimension pending, 2 card change pending, 4 components
// seen, 8 card change seen.
constexpr int32_t kPending = 1;
constexpr int32_t kCardPending = 2;
constexpr int32_t kComponentsSeen = 4;
constexpr int32_t kCardSeen = 8;

struct OwnAction {
  bool modified;
  int32_t menu;  // -1 for none
  int32_t cleared;
};

// Codes missing here need no action of the database.
struct Row {
  std::vector<int32_t> codes;
  OwnAction action;
};
const Row kOwnActions[] = {
    {{8, 9, 10, 19, 20, 21, 22, 23, 24, 25, 26, 29, 30, 31, 32, 38, 43, 47, 51, 60, 64},
     {true, -1, 0}},
    {{11}, {true, -1, kPending | kComponentsSeen}},
    {{12}, {true, -1, kComponentsSeen}},
    {{17}, {false, kMenuDimensions, 0}},
    {{27}, {true, -1, kCardSeen}},
    {{28}, {true, -1, kCardPending | kCardSeen}},
    {{42, 44, 45}, {true, kMenuSaveSetups, 0}},
    {{46, 48, 49}, {true, kMenuImportSetups, 0}},
    {{50, 52, 53}, {true, kMenuTimeScales, 0}},
    {{54, 55, 56, 57}, {true, kMenuMacros, 0}},
    {{58, 61, 62}, {true, kMenuSubsets, 0}},
    {{65}, {true, kMenuTemplates, 0}},
};

OwnAction Expected(int32_t code) {
  for (const Row& row : kOwnActions) {
    for (int32_t listed : row.codes) {
      if (listed == code) return row.action;
    }
  }
  return {false, -1, 0};
}

TEST_F(BaseTest, EachCodeGivesTheDatabasesOwnAction) {
  BitVector deleted;
  BitVecInit(&deleted, 64, 0);
  int32_t subset;
  for (int32_t code = 0; code <= kChangeLastCode; ++code) {
    SCOPED_TRACE("code " + std::to_string(code));
    auto* base = new T_Base(nullptr, 0);
    Prepare(base);
    ChangeNote note;
    note.code = code;
    note.database = base;
    note.index = kDimension;
    note.componentSet = &deleted;
    note.object = &subset;
    NotifyChange(base, &note);

    OwnAction expected = Expected(code);
    EXPECT_EQ(base->modified, expected.modified ? 1 : 0);
    EXPECT_EQ(MenuMarks().saveEnabled, expected.modified ? 1 : 0);
    EXPECT_EQ(StaleMenus(),
              expected.menu < 0 ? std::vector<int32_t>{} : std::vector<int32_t>{expected.menu});
    EXPECT_EQ(base->dimensionChangePending[kDimension], expected.cleared & kPending ? 0 : 1);
    EXPECT_EQ(base->dimensionChangePending[kDimension + 1], 1);
    EXPECT_EQ(base->cardChangePending, expected.cleared & kCardPending ? 0 : 1);
    EXPECT_EQ(base->componentsSeen, expected.cleared & kComponentsSeen ? 0 : 1);
    EXPECT_EQ(base->cardChangeSeen, expected.cleared & kCardSeen ? 0 : 1);
    delete base;
  }
  BitVecFree(&deleted);
}

// Subsets that are not stored with the database (kind other than 0) change neither the
// modified flag nor the subsets menu.
TEST_F(BaseTest, OnlyStoredSubsetsMarkTheDatabase) {
  static int32_t stored;
  static int32_t temporary;
  SetStoredSubsetQuery([](const void* subset) { return subset == &stored; });
  for (int32_t code : {58, 60, 61, 62}) {
    for (int32_t* subset : {&temporary, &stored}) {
      auto* base = new T_Base(nullptr, 0);
      Prepare(base);
      ChangeNote note;
      note.code = code;
      note.database = base;
      note.object = subset;
      NotifyChange(base, &note);
      bool marks = subset == &stored;
      EXPECT_EQ(base->modified, marks ? 1 : 0) << code;
      EXPECT_EQ(StaleMenus().empty(), !marks || code == 60) << code;
      delete base;
    }
  }
}

const std::vector<std::string> kNineSteps(int32_t code) {
  std::vector<std::string> steps;
  for (int32_t step = 1; step <= 9; ++step)
    steps.push_back(std::to_string(code) + ":" + std::to_string(step));
  return steps;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(BaseTest, StepsRunInOrderAndNestedNotesRunAtOnce) {
  auto* base = new T_Base(nullptr, 0);
  {
    StepRecorder recorder;
    base->NotifyCode(kChangeSaved);
    EXPECT_EQ(recorder.Trace(base), kNineSteps(kChangeSaved));
  }
  {
    // Marking the database modified in step 2 sends code 6, which runs through before step 3.
    StepRecorder recorder;
    base->NotifyCode(kChangeSaveKind);
    std::vector<std::string> nine = kNineSteps(kChangeSaveKind);
    std::vector<std::string> expected =
        Concat({{nine[0], nine[1]}, kNineSteps(kChangeModified), {nine.begin() + 2, nine.end()}});
    EXPECT_EQ(recorder.Trace(base), expected);
  }
  {
    // A receiver of step 5 that sends a note.
    StepRecorder recorder([](int32_t step, T_Base* receiver, const ChangeNote* note) {
      if (step == 5 && note->code == kChangeRefresh) receiver->NotifyCode(kChangeSubsetCalculated);
    });
    base->NotifyCode(kChangeRefresh);
    std::vector<std::string> nine = kNineSteps(kChangeRefresh);
    std::vector<std::string> expected = Concat({{nine.begin(), nine.begin() + 5},
                                                kNineSteps(kChangeSubsetCalculated),
                                                {nine.begin() + 5, nine.end()}});
    EXPECT_EQ(recorder.Trace(base), expected);
  }
}

TEST_F(BaseTest, WindowsOfTheDatabaseReceiveItsNotes) {
  auto* a = new T_Base(nullptr, 0);
  auto* b = new T_Base(nullptr, 0);
  auto* ofA = new T_QuietWindow(kWindowCards, a);
  auto* ofB = new T_QuietWindow(kWindowLines, b);
  a->NotifyCode(kChangeSaved);
  EXPECT_EQ(ofA->codes, std::vector<int32_t>{kChangeSaved});
  EXPECT_TRUE(ofB->codes.empty());
  delete ofA;
  delete ofB;
}

TEST_F(BaseTest, BroadcastGoesToEveryDatabaseInListOrderThenTheWindows) {
  auto* a = new T_Base(nullptr, 0);
  auto* b = new T_Base(nullptr, 0);
  auto* c = new T_Base(nullptr, 0);
  StepRecorder recorder;
  ChangeNote note;
  note.code = kChangeDateFormat;
  note.database = b;
  BroadcastToAllBases(&note);
  std::vector<T_Base*> order;
  for (const base_test::Step& s : recorder.steps()) {
    if (s.step == 1 || s.receiver == nullptr) order.push_back(s.receiver);
  }
  EXPECT_EQ(order, (std::vector<T_Base*>{a, b, c, nullptr}));
}

TEST_F(BaseTest, MenuMarksForgetADatabaseThatCloses) {
  auto* a = new T_Base(nullptr, 0);
  auto* b = new T_Base(nullptr, 0);
  SetMenuDatabase(a);
  MenuBuiltFor(kMenuMacros, a);
  MenuBuiltFor(kMenuSubsets, b);
  EXPECT_EQ(MenuMarks().needsRebuild[kMenuMacros], 0);

  // A change of another database leaves a menu built for this one alone.
  b->NotifyCode(55);
  EXPECT_EQ(MenuMarks().needsRebuild[kMenuMacros], 0);
  a->NotifyCode(55);
  EXPECT_EQ(MenuMarks().needsRebuild[kMenuMacros], 1);

  // Switching databases marks every menu not built for the new one.
  MenuBuiltFor(kMenuMacros, a);
  SetMenuDatabase(b);
  EXPECT_EQ(MenuMarks().needsRebuild[kMenuMacros], 1);
  EXPECT_EQ(MenuMarks().needsRebuild[kMenuSubsets], 0);

  delete b;
  EXPECT_EQ(MenuMarks().current, nullptr);
  EXPECT_EQ(MenuMarks().builtFor[kMenuSubsets], nullptr);
  EXPECT_EQ(MenuMarks().needsRebuild[kMenuSubsets], 1);
  EXPECT_EQ(MenuMarks().builtFor[kMenuMacros], a);
}

}  // namespace

namespace {

class T_RecordingDialog : public T_HDialog {
 public:
  T_RecordingDialog() : T_HDialog(200, 100, nullptr, nullptr) {}
  void OnChange(const ChangeNote* note) override { codes.push_back(note->code); }
  std::vector<int32_t> codes;
};

int32_t Count(const std::vector<int32_t>& codes, int32_t code) {
  return static_cast<int32_t>(std::count(codes.begin(), codes.end(), code));
}

// A note for every database reaches each window and dialog once, however many databases are
// open, so a dialog listing the databases sees a new one once.
TEST_F(BaseTest, ABroadcastReachesEachWindowAndDialogOnce) {
  static bool registered = false;
  if (!registered) {
    RegisterFrameClasses(ProgramInstance());
    registered = true;
  }
  SetFrameVisible(false);
  auto* application = new T_Application(false);
  auto* first = new T_Base(nullptr, 0);
  auto* second = new T_Base(nullptr, 0);
  auto* window = new T_QuietWindow(kWindowCards, first);
  auto* dialog = new T_RecordingDialog;
  ChangeNote note;
  note.code = kChangeSignature;
  BroadcastToAllBases(&note);
  EXPECT_EQ(Count(window->codes, kChangeSignature), 1);
  EXPECT_EQ(Count(dialog->codes, kChangeSignature), 1);
  auto* third = new T_Base(nullptr, 0);
  EXPECT_EQ(Count(dialog->codes, kChangeDatabaseOpened), 1);
  EXPECT_EQ(Count(window->codes, kChangeDatabaseOpened), 1);
  delete dialog;
  delete window;
  delete third;
  delete second;
  delete first;
  delete application;
}

}  // namespace
