// Finding and naming open databases, the setters with notices and the memory report.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/files.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "database/base.h"
#include "tests/database/base/base_fixture.h"

namespace {

using base_test::BaseTest;
using base_test::StepRecorder;

// The system's temporary folder made current for the test.
class InTempFolder : public BaseTest {
 protected:
  void SetUp() override {
    BaseTest::SetUp();
    GetCurrentDirectoryW(MAX_PATH, previous_);
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    SetCurrentDirectoryW(temp);
    T_TextBuf folder;
    TextBufAssignWidePath(&folder, temp, static_cast<int32_t>(wcslen(temp)));
    folder_ = folder.c_str();
  }
  void TearDown() override {
    SetCurrentDirectoryW(previous_);
    BaseTest::TearDown();
  }
  std::string folder_;  // ends with a backslash

 private:
  wchar_t previous_[MAX_PATH] = {};
};

TEST_F(InTempFolder, FindOpenBaseKnowsAFileUnderAnySpelling) {
  std::string sales = folder_ + "Sales.qeb";
  auto* older = new T_Base(sales.c_str(), 0);
  auto* other = new T_Base((folder_ + "Other.qeb").c_str(), 0);
  auto* newer = new T_Base(sales.c_str(), 0);
  (void)newer;
  struct Case {
    std::string path;
    T_Base* found;
  };
  const Case cases[] = {
      {sales, older},
      {"Sales.qeb", older},                   // relative to the current folder
      {folder_ + "SALES.QEB", older},         // another letter case
      {folder_ + "x\\..\\sales.qeb", older},  // a detour
      {".\\Other.qeb", other},
      {folder_ + "Missing.qeb", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(FindOpenBase(c.path.c_str()), c.found) << c.path;
}

TEST_F(InTempFolder, UntitledDatabasesNameNoFile) {
  auto* untitled = new T_Base(nullptr, 1);
  EXPECT_STREQ(untitled->path->c_str(), "Noname 1.qeb");
  EXPECT_EQ(FindOpenBase("Noname 1.qeb"), nullptr);
  EXPECT_EQ(FindOpenBase((folder_ + "Noname 1.qeb").c_str()), nullptr);
}

TEST_F(BaseTest, NewUntitledDatabaseTakesTheLowestFreeNumber) {
  T_Base* first = NewUntitledDatabase();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->untitledNumber, 1u);
  EXPECT_STREQ(first->path->c_str(), "Noname 1.qeb");
  new T_Base(nullptr, 3);
  new T_Base("C:\\Data\\a.qeb", 0);
  T_Base* gap = NewUntitledDatabase();
  ASSERT_NE(gap, nullptr);
  EXPECT_EQ(gap->untitledNumber, 2u);
  EXPECT_STREQ(gap->path->c_str(), "Noname 2.qeb");
  EXPECT_EQ(NewUntitledDatabase()->untitledNumber, 4u);
}

TEST_F(BaseTest, NewUntitledDatabaseNeedsRoomToWork) {
  SetHeapFailHook([](size_t size) { return size != 0x10000; });
  T_Base* refused = NewUntitledDatabase();
  SetHeapFailHook(nullptr);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(PendingError.request.message, kErrorOutOfMemory);
  EXPECT_EQ(FirstBase(), nullptr);
}

TEST_F(BaseTest, SettersSendTheirNoteOnlyOnChange) {
  auto* base = new T_Base("C:\\Data\\a.qeb", 0);
  SetMenuDatabase(base);
  StepRecorder recorder;

  base->SetModified(false);
  base->SetSaveKind(1);
  EXPECT_TRUE(recorder.steps().empty());

  base->SetModified(true);
  EXPECT_EQ(base->modified, 1);
  EXPECT_EQ(MenuMarks().saveEnabled, 1);
  ASSERT_FALSE(recorder.steps().empty());
  EXPECT_EQ(recorder.steps().front().code, kChangeModified);

  // The note carries the new state.
  static int32_t flagSeen;
  SetDispatchProbe([](int32_t step, T_Base*, const ChangeNote* note) {
    if (step == 1 && note->code == kChangeModified) flagSeen = note->flag;
  });
  flagSeen = -1;
  base->SetModified(false);
  EXPECT_EQ(flagSeen, 0);
  EXPECT_EQ(MenuMarks().saveEnabled, 0);
  SetDispatchProbe(nullptr);

  // A new save kind marks the database modified, which is announced inside the save-kind note.
  StepRecorder again;
  base->SetSaveKind(5);
  EXPECT_EQ(base->saveKind, 5);
  EXPECT_EQ(base->modified, 1);
  std::vector<std::string> firstSteps;
  for (const std::string& s : again.Trace(base)) {
    if (s.back() == '1') firstSteps.push_back(s);
  }
  EXPECT_EQ(firstSteps, (std::vector<std::string>{"8:1", "6:1"}));
}

TEST_F(BaseTest, TheSaveMarkFollowsOnlyTheMenusDatabase) {
  auto* shown = new T_Base("C:\\Data\\a.qeb", 0);
  auto* hidden = new T_Base("C:\\Data\\b.qeb", 0);
  SetMenuDatabase(shown);
  hidden->SetModified(true);
  EXPECT_EQ(MenuMarks().saveEnabled, 0);
  SetMenuDatabase(hidden);
  EXPECT_EQ(MenuMarks().saveEnabled, 1);
}

TEST_F(BaseTest, BusyCountNests) {
  auto* base = new T_Base(nullptr, 0);
  EXPECT_FALSE(base->IsBusy());
  base->RaiseBusy();
  base->RaiseBusy();
  base->LowerBusy();
  EXPECT_TRUE(base->IsBusy());
  base->LowerBusy();
  EXPECT_FALSE(base->IsBusy());
}

// Free records of the pools, each line at its reported size of 34 bytes (1 value, 1 slot,
// width 2), rounded up to whole kilobytes.
TEST_F(BaseTest, ReclaimableMemoryCountsOnlyFreeCardsGroupsAndLines) {
  auto* base = new T_Base(nullptr, 0);
  auto freeLines = [base](int64_t count) {
    LineRecord* previous = nullptr;
    for (int64_t i = 0; i < count; ++i) {
      auto* line = reinterpret_cast<LineRecord*>(PagedArrayAtGrow(&base->linePool, i));
      *line = LineRecord{};
      line->number = i;
      line->next = previous;
      previous = line;
    }
    base->lineFreeList = previous;
  };
  int64_t used = -1;
  int64_t reclaimable = -1;
  base->GetMemoryUsage(&used, &reclaimable);
  EXPECT_EQ(reclaimable, 0);
  EXPECT_GT(used, 0);
  EXPECT_EQ(used % 1024, 0);

  freeLines(30);  // 1020 bytes
  base->GetMemoryUsage(&used, &reclaimable);
  EXPECT_EQ(reclaimable, 1024);
  freeLines(31);  // 1054 bytes
  base->GetMemoryUsage(&used, &reclaimable);
  EXPECT_EQ(reclaimable, 2048);

  // Components on their free list and records in use are not reclaimable.
  base->lineFreeList = nullptr;
  for (int64_t i = 32; i < 200; ++i) {
    auto* component = reinterpret_cast<ComponentRecord*>(PagedArrayAtGrow(&base->componentPool, i));
    *component = ComponentRecord{};
    component->nextSibling = base->componentFreeList;
    base->componentFreeList = component;
  }
  base->GetMemoryUsage(&used, &reclaimable);
  EXPECT_EQ(reclaimable, 0);

  auto* card = reinterpret_cast<CardRecord*>(PagedArrayAtGrow(&base->cardPool, 1));
  *card = CardRecord{};
  auto* group = reinterpret_cast<GroupRecord*>(PagedArrayAtGrow(&base->groupPool, 0));
  *group = GroupRecord{};
  base->cardFreeList = card;
  base->groupFreeList = group;
  base->GetMemoryUsage(&used, &reclaimable);
  EXPECT_EQ(reclaimable, 1024);

  // A long card title is counted in the used memory.
  int64_t before = used;
  card->title = StrDup(std::string(5000, 'x').c_str());
  base->GetMemoryUsage(&used, &reclaimable);
  EXPECT_EQ(used % 1024, 0);
  EXPECT_GE(used - before, 4096);
}

}  // namespace
