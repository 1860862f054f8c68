// Closing a database: the close check's questions by mode, DeleteBase, and the document windows
// that must close first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "database/base.h"
#include "tests/database/base/base_fixture.h"

namespace {

using base_test::BaseTest;
using base_test::T_AnswerByMessage;
using base_test::T_QuietWindow;

constexpr int32_t kAskSave = 3200;
constexpr int32_t kAskClose = 3201;
constexpr int32_t kSave = 709;
constexpr int32_t kCancel = 701;
constexpr int32_t kDontSave = 710;
constexpr int32_t kClose = 707;

int saves;
bool saveSucceeds;

// A component beyond the dimension roots makes the database hold data.
void AddComponent(T_Base* base) {
  auto* record = reinterpret_cast<ComponentRecord*>(
      PagedArrayAtGrow(&base->componentPool, base->componentPool.count));
  *record = ComponentRecord{};
  record->number = base->componentPool.count - 1;
}

TEST_F(BaseTest, CloseCheckAsksByModeAndState) {
  struct Case {
    int32_t mode;
    bool modified;
    bool holdsData;
    int32_t press;  // the button pressed on the question, 0 for none
    bool saverInstalled;
    bool canClose;
    int32_t asked;  // the question asked, 0 for none
    int32_t savesMade;
  };
  const Case cases[] = {
      {kCloseAsk, false, false, 0, false, true, 0, 0},
      {kCloseAsk, false, true, 0, false, true, 0, 0},
      {kCloseAskAlways, false, false, 0, false, true, 0, 0},
      {kCloseAskAlways, false, true, kClose, false, true, kAskClose, 0},
      {kCloseAskAlways, false, true, kCancel, false, false, kAskClose, 0},
      {kCloseAcceptDialogs, false, true, 0, false, true, 0, 0},
      {kCloseAsk, true, false, kDontSave, false, true, kAskSave, 0},
      {kCloseAsk, true, false, kCancel, false, false, kAskSave, 0},
      {kCloseAsk, true, false, kSave, false, false, kAskSave, 0},  // nothing can save yet
      {kCloseAsk, true, false, kSave, true, true, kAskSave, 1},
      {kCloseAskAlways, true, true, kDontSave, false, true, kAskSave, 0},
      {kCloseAcceptDialogs, true, true, kCancel, true, false, kAskSave, 0},
      {kCloseSilently, true, true, kCancel, true, true, 0, 0},
      {kCloseSilently, false, true, kCancel, true, true, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + (c.modified ? " modified" : "") +
                 (c.holdsData ? " with data" : "") + " press " + std::to_string(c.press));
    T_AnswerByMessage alerts;
    if (c.press) {
      alerts.press[kAskSave] = c.press;
      alerts.press[kAskClose] = c.press;
    }
    BaseServices services{};
    if (c.saverInstalled) {
      services.saveDatabase = [](T_Base*) {
        ++saves;
        return saveSucceeds;
      };
    }
    SetBaseServices(&services);
    saves = 0;
    saveSucceeds = true;

    auto* base = new T_Base("C:\\Data\\Sales 2024.qeb", 0);
    base->modified = c.modified ? 1 : 0;
    if (c.holdsData) AddComponent(base);

    EXPECT_EQ(CanClose(base, c.mode), c.canClose);
    ASSERT_EQ(alerts.asked.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(alerts.asked[0].message, c.asked);
      EXPECT_EQ(alerts.asked[0].text0, "Sales 2024.qeb");
      const std::vector<int32_t> buttons = c.asked == kAskSave
                                               ? std::vector<int32_t>{kSave, kCancel, kDontSave}
                                               : std::vector<int32_t>{kClose, kCancel};
      EXPECT_EQ(alerts.asked[0].buttons, buttons);
    }
    EXPECT_EQ(saves, c.savesMade);
    delete base;
  }
}

TEST_F(BaseTest, AFailedSaveKeepsTheDatabaseOpen) {
  T_AnswerByMessage alerts;
  alerts.press[kAskSave] = kSave;
  BaseServices services{};
  services.saveDatabase = [](T_Base*) { return false; };
  SetBaseServices(&services);
  auto* base = new T_Base("C:\\Data\\a.qeb", 0);
  base->modified = 1;
  EXPECT_FALSE(DeleteBase(base, kCloseAsk));
  EXPECT_EQ(FirstBase(), base);
}

TEST_F(BaseTest, OnlyComponentsAndCardsInUseCountAsData) {
  auto* base = new T_Base("C:\\Data\\a.qeb", 0);
  EXPECT_FALSE(base->HoldsData());
  AddComponent(base);
  EXPECT_TRUE(base->HoldsData());
  // Back on the free list it is no longer in use.
  auto* record = reinterpret_cast<ComponentRecord*>(PagedArrayAt(&base->componentPool, 32));
  base->componentFreeList = record;
  EXPECT_FALSE(base->HoldsData());
  base->cardCount = 1;
  EXPECT_TRUE(base->HoldsData());
}

TEST_F(BaseTest, DeleteBaseDestroysOnlyWhenTheCheckPasses) {
  EXPECT_TRUE(DeleteBase(nullptr, kCloseAsk));
  T_AnswerByMessage alerts;
  alerts.press[kAskClose] = kCancel;
  auto* base = new T_Base("C:\\Data\\a.qeb", 0);
  AddComponent(base);
  EXPECT_FALSE(DeleteBase(base, kCloseAskAlways));
  EXPECT_EQ(FirstBase(), base);
  EXPECT_TRUE(DeleteBase(base, kCloseAsk));
  EXPECT_EQ(FirstBase(), nullptr);
}

// The document windows of the database close first, the database window stays; a window that
// refuses stops the close before any question.
TEST_F(BaseTest, DocumentWindowsCloseBeforeTheQuestions) {
  T_AnswerByMessage alerts;
  alerts.press[kAskSave] = kDontSave;
  auto* base = new T_Base("C:\\Data\\a.qeb", 0);
  auto* other = new T_Base("C:\\Data\\b.qeb", 0);
  base->modified = 1;
  auto* databaseWindow = new T_QuietWindow(kWindowDatabase, base);
  auto* otherWindow = new T_QuietWindow(kWindowLines, other);
  auto* refusing = new T_QuietWindow(kWindowCards, base);
  refusing->refuse = true;

  EXPECT_FALSE(CanClose(base, kCloseAskAlways));
  EXPECT_EQ(refusing->askedModes, std::vector<int32_t>{kCloseAsk});  // mode 1 asks windows as 0
  EXPECT_TRUE(alerts.asked.empty());

  refusing->refuse = false;
  EXPECT_TRUE(CanClose(base, kCloseAcceptDialogs));
  EXPECT_EQ(FindWindowOfKind(kWindowCards, base), nullptr);  // closed and deleted
  EXPECT_EQ(FindWindowOfKind(kWindowDatabase, base), databaseWindow);
  EXPECT_EQ(FindWindowOfKind(kWindowLines, other), otherWindow);
  EXPECT_TRUE(databaseWindow->askedModes.empty());
  ASSERT_EQ(alerts.asked.size(), 1u);
  EXPECT_EQ(alerts.asked[0].message, kAskSave);
  delete databaseWindow;
  delete otherWindow;
}

}  // namespace
