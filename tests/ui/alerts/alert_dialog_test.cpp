// Alert windows: their caption, message and buttons, and the answers the user gives by keys,
// presses and closing, through the handler stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alerts_fixture.h"
#include "core/alert_handlers.h"
#include "core/localized_text.h"
#include "ui/menu_model.h"

namespace alerts_test {
namespace {

constexpr int32_t kStop = 704;
constexpr int32_t kContinue = 705;
constexpr int32_t kMessage = 2901;  // "Undefined command line parameter @0"

using Titles = std::vector<std::string>;

TEST_F(AlertsTest, ButtonsStandFromTheRightInRows) {
  const std::vector<int32_t> five{kButtonYes, kButtonNo, kButtonCancel, kStop, kContinue};
  struct Case {
    std::vector<int32_t> buttons;
    int32_t defaultAnswer;
    Titles lower;  // left to right
    Titles upper;
    std::vector<uint32_t> lowerIds;
    std::string defaultTitle;
  } cases[] = {
      {{}, 0, {"OK"}, {}, {16}, "OK"},
      {{kButtonOk}, 0, {"OK"}, {}, {16}, "OK"},
      {{kButtonYes, kButtonNo}, 1, {"Yes", "No"}, {}, {15, 16}, "No"},
      {{kButtonYes, kButtonNo, kButtonCancel}, 0, {"Yes", "Cancel", "No"}, {}, {14, 15, 16}, "Yes"},
      {{kButtonYes, kButtonNo, kButtonCancel, kStop},
       3,
       {"Yes", "Cancel", "No"},
       {"Stop"},
       {14, 15, 16},
       "Stop"},
      {five, 4, {"Yes", "Cancel", "No"}, {"Continue", "Stop"}, {14, 15, 16}, "Continue"},
      // A button without a text is left out, and its id stays used.
      {{kButtonYes, 0, kButtonNo}, 0, {"Yes", "No"}, {}, {14, 15}, "Yes"},
      // A default answer outside the buttons makes none of them the default.
      {{kButtonYes, kButtonNo}, 7, {"Yes", "No"}, {}, {15, 16}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buttons.size());
    AlertRequest request = Request(kMessage, c.buttons, c.defaultAnswer);
    T_Alert alert(&request);
    int32_t height = c.upper.empty() ? kAlertHeight : kAlertHeight + 32;
    EXPECT_EQ(alert.height, height);
    std::vector<T_Button*> lower = Row(&alert, height - 34);
    std::vector<T_Button*> upper = Row(&alert, height - 66);
    EXPECT_EQ(lower.size() + upper.size(), Buttons(&alert).size());
    Titles lowerTitles;
    std::vector<uint32_t> ids;
    for (T_Button* b : lower) {
      lowerTitles.push_back(Title(b));
      ids.push_back(b->id);
    }
    Titles upperTitles;
    for (T_Button* b : upper) upperTitles.push_back(Title(b));
    EXPECT_EQ(lowerTitles, c.lower);
    EXPECT_EQ(upperTitles, c.upper);
    EXPECT_EQ(ids, c.lowerIds);
    // Each row ends at 325 and its buttons stand 20 pixels apart.
    for (const std::vector<T_Button*>* row : {&lower, &upper}) {
      if (row->empty()) continue;
      EXPECT_EQ(row->back()->x + row->back()->width, 325);
      for (size_t i = 1; i < row->size(); ++i) {
        EXPECT_EQ((*row)[i]->x - ((*row)[i - 1]->x + (*row)[i - 1]->width), 20);
      }
    }
    std::string defaultTitle;
    for (T_Button* b : Buttons(&alert)) {
      if (b->isDefault) defaultTitle += Title(b);
      EXPECT_GE(b->width, 60);
      EXPECT_EQ(b->height, 20);
    }
    EXPECT_EQ(defaultTitle, c.defaultTitle);
  }
}

TEST_F(AlertsTest, CaptionIsTheTitleOrTheCommandCutInTheMiddle) {
  std::string seventy;
  for (int i = 0; i < 70; ++i) seventy += static_cast<char>('a' + i % 26);
  std::string accents;
  for (int i = 0; i < 30; ++i) accents += "\xC3\xA9";  // 60 bytes of two-byte characters
  accents += "abcdefgh";
  struct Case {
    int32_t titleId;
    std::string command;
    std::string caption;
  } cases[] = {
      {kButtonYes, seventy, "Yes"},
      {0, seventy, seventy.substr(0, 24) + "\xE2\x80\xA6" + seventy.substr(47)},
      {0, seventy.substr(0, 64), seventy.substr(0, 64)},
      {0, "", ""},
      // Never inside a character: 12 whole ones ahead, the tail from the first whole one.
      {0, accents, accents.substr(0, 24) + "\xE2\x80\xA6" + accents.substr(46)},
  };
  for (const Case& c : cases) {
    SetCurrentCommandTitle(c.command.empty() ? nullptr : c.command.c_str());
    AlertRequest request = Request(kMessage, {}, 0);
    request.title = c.titleId;
    T_TextBuf caption;
    AlertTitle(&request, &caption);
    EXPECT_EQ(std::string(caption.data), c.caption);
    T_Alert alert(&request);
    EXPECT_EQ(std::string(alert.Title()), c.caption);
  }
  SetCurrentCommandTitle(nullptr);
}

TEST_F(AlertsTest, LongMessageGrowsTheWindowAndLowersTheButtons) {
  for (const char* text : {"x", "one\rtwo\rthree\rfour\rfive\rsix"}) {
    AlertRequest request = Request(kMessage, {kButtonOk, kButtonCancel}, 0);
    AlertAddText(&request, text);
    T_Alert alert(&request);
    EXPECT_EQ(std::string(alert.message.data),
              std::string("Undefined command line parameter ") + text);
    EXPECT_EQ(alert.messageRect.left, 10);
    EXPECT_EQ(alert.messageRect.right, 330);
    EXPECT_GE(alert.messageRect.bottom, 42);
    EXPECT_EQ(alert.height, kAlertHeight + alert.messageRect.bottom - 42);
    EXPECT_EQ(Row(&alert, alert.height - 34).size(), 2u);
  }
  AlertRequest tall = Request(kMessage, {}, 0);
  AlertAddText(&tall, "one\rtwo\rthree\rfour\rfive\rsix");
  T_Alert alert(&tall);
  EXPECT_GT(alert.height, kAlertHeight);
}

void Press(T_Button* button) { Button_Press(button, TickCount() - 1000); }

void Type(T_Alert* alert, uint16_t code, bool control = false) {
  InputEvent event = Key(code, control);
  alert->KeyDown(&event, nullptr);
}

// The answers of the keys and presses, on alerts that are not shown: the press fires at once.
TEST_F(AlertsTest, AnswerIsTheIndexOfTheChosenButton) {
  const std::vector<int32_t> yesNoCancel{kButtonYes, kButtonNo, kButtonCancel};
  const std::vector<int32_t> yesNo{kButtonYes, kButtonNo};
  struct Case {
    const char* name;
    std::vector<int32_t> buttons;
    int32_t defaultAnswer;
    std::function<void(T_Alert*)> drive;
    int32_t answer;
  } cases[] = {
      {"lone OK", {}, 0, [](T_Alert* a) { Press(Buttons(a)[0]); }, 0},
      {"lone OK keeps any default", {}, 3, [](T_Alert* a) { Type(a, kKeyEnter); }, 3},
      {"middle of three", yesNoCancel, 0, [](T_Alert* a) { Press(Row(a, a->height - 34)[1]); }, 2},
      {"Enter", yesNoCancel, 1, [](T_Alert* a) { Type(a, kKeyEnter); }, 1},
      {"Escape", yesNoCancel, 0, [](T_Alert* a) { Type(a, kKeyEscape); }, 2},
      {"Escape without Cancel, then a letter", yesNo, 0,
       [](T_Alert* a) {
         Type(a, kKeyEscape);
         EXPECT_EQ(a->native.modalEnd, 0);
         Type(a, 'n');
       },
       1},
      {"letters that start no title, and Control", yesNo, 1,
       [](T_Alert* a) {
         Type(a, 'q');
         Type(a, 'Y', true);
         EXPECT_EQ(a->native.modalEnd, 0);
         Type(a, 'Y');
       },
       0},
      {"upper row",
       {kButtonYes, kButtonNo, kButtonCancel, kStop, kContinue},
       0,
       [](T_Alert* a) { Press(Row(a, a->height - 66)[0]); },
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AlertRequest request = Request(kMessage, c.buttons, c.defaultAnswer);
    T_Alert alert(&request);
    c.drive(&alert);
    EXPECT_EQ(alert.native.modalEnd, 1);
    EXPECT_EQ(static_cast<int32_t>(alert.answer), c.answer);
  }
}

// The whole road: the alert runs modally, keys reach it as window messages, and it is gone
// once answered.
TEST_F(AlertsTest, KeysTypedIntoTheWindowAnswer) {
  struct Case {
    WPARAM key;
    int32_t answer;
  } cases[] = {{'N', 1}, {VK_RETURN, 0}, {VK_ESCAPE, 2}};
  for (const Case& c : cases) {
    AlertRequest request = Request(kMessage, {kButtonYes, kButtonNo, kButtonCancel}, 0);
    WPARAM key = c.key;
    int32_t answer = AnswerWhile(request, [key](T_Alert* a) {
      ASSERT_NE(a->native.handle, nullptr);
      EXPECT_EQ(ActiveWindow(), a);
      PostMessageA(a->native.handle, WM_KEYDOWN, key, 1);
    });
    EXPECT_EQ(answer, c.answer) << c.key;
    EXPECT_EQ(ModalListFirst(), nullptr);
    EXPECT_EQ(app->firstChild, nullptr);
  }
}

TEST_F(AlertsTest, CloseRequestIsRefusedAndAnswersLikeEscape) {
  AlertRequest withCancel = Request(kMessage, {kButtonOk, kButtonCancel}, 0);
  EXPECT_EQ(
      AnswerWhile(withCancel, [](T_Alert* a) { EXPECT_FALSE(EventHandler_RequestClose(a, 0)); }),
      1);
  AlertRequest withoutCancel = Request(kMessage, {kButtonYes, kButtonNo}, 0);
  int32_t answer = AnswerWhile(withoutCancel, [](T_Alert* a) {
    PostMessageA(a->native.handle, WM_CLOSE, 0, 0);  // the alert stays
    InputEvent event = Key('y');
    a->KeyDown(&event, nullptr);
  });
  EXPECT_EQ(answer, 0);
}

TEST_F(AlertsTest, UnattendedAlertAnswersItsDefaultWithoutWaiting) {
  T_NoAlerts quiet;
  for (int32_t defaultAnswer : {1, 7}) {
    AlertRequest request = Request(kMessage, {kButtonYes, kButtonNo}, defaultAnswer);
    EXPECT_EQ(Alert_Show(&request), defaultAnswer);
  }
  EXPECT_EQ(app->firstChild, nullptr);
}

TEST_F(AlertsTest, OnlyTheHandlersAboveSeeAnAnsweredAlert) {
  T_NoAlerts quiet;
  AlertRequest request = Request(kMessage, {kButtonYes, kButtonNo}, 1);
  EXPECT_EQ(ShowAlert(&request), 1);
  EXPECT_EQ(quiet.lastMessage, kMessage);
  EXPECT_FALSE(dialogs->IsUnattended());
}

// Before the application exists, the system's message box asks; the test answers it from a
// timer of the box's own loop.
int systemBoxCommand = 0;
std::string systemBoxTitle;

BOOL CALLBACK AnswerSystemBox(HWND window, LPARAM) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) != "#32770") return TRUE;
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  systemBoxTitle = title;
  PostMessageA(window, WM_COMMAND, systemBoxCommand, 0);
  return FALSE;
}

void CALLBACK SystemBoxTimer(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), AnswerSystemBox, 0);
}

TEST(SystemBoxAlerts, AnswerIsTheIndexOfTheChosenButton) {
  ASSERT_EQ(App(), nullptr);
  T_AlertDialogs dialogs;
  struct Case {
    std::vector<int32_t> buttons;
    int32_t defaultAnswer;
    int command;
    int32_t answer;
  } cases[] = {
      {{kButtonYes, kButtonNo}, 0, IDNO, 1},
      {{kButtonCancel, kButtonNo, kButtonYes}, 0, IDYES, 2},
      {{kButtonOk, kButtonCancel}, 0, IDCANCEL, 1},
      {{kStop, kContinue}, 1, IDOK, 1},  // a set the system has not: OK answers the default
  };
  for (const Case& c : cases) {
    AlertRequest request = Request(kMessage, c.buttons, c.defaultAnswer);
    request.title = kContinue;
    systemBoxCommand = c.command;
    systemBoxTitle.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 50, SystemBoxTimer);
    EXPECT_EQ(ShowAlert(&request), c.answer);
    KillTimer(nullptr, timer);
    EXPECT_EQ(systemBoxTitle, "Continue");
  }
}

}  // namespace
}  // namespace alerts_test
