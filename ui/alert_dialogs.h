#pragma once
// Alerts and questions shown in dialogs and answered by the user.
//
// T_AlertDialogs is the bottom of the alert-handler stack of the interactive program: every
// alert that no handler above it answered is shown in a modal T_Alert window, and the answer is
// the index of the chosen request button (0 to 4), or the request's default answer when nobody
// chose one. T_MsgDialog is the plain message box of the command language: one OK button and an
// optional countdown after which it closes itself.
//
// Button layout of an alert, positions counted from the right of the window: the request's
// buttons 0, 1, 2 stand at positions 2, 0, 1 (so of three buttons a, b, c the user reads a, c, b),
// of two the second stands right; buttons 3 and 4 form a second row above. The button at
// position i has the item id 16 - i.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "core/alert.h"
#include "core/text_buffer.h"
#include "ui/window.h"

class T_Button;
class T_Text;

// The handler that shows alerts in dialogs. Notify keeps the base behaviour; nobody above it
// answered, so a user is asked.
class T_AlertDialogs : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override;
  bool IsUnattended() override { return false; }
};

// Shows the request in a T_Alert and returns the answer (see T_AlertDialogs). Before the
// application exists no toolkit window can take the user's keys or clicks, so the request goes
// to a system message box instead, with its buttons where the system's sets can show them.
int32_t Alert_Show(const AlertRequest* request);

// Alert window sizes.
constexpr int32_t kAlertWidth = 340;
constexpr int32_t kAlertHeight = 86;
constexpr int32_t kAlertMessageBottom = 42;  // the least bottom of the message rectangle
constexpr int32_t kAlertTitleMax = 64;       // longer titles are cut in the middle

class T_Alert : public T_Window {
 public:
  // Builds the window (not opened) with its title, message and buttons. The request must outlive
  // the window.
  explicit T_Alert(const AlertRequest* request);

  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  bool QueryClose(int32_t code) override;
  void OnButton(T_GrafElement* button) override;
  void DrawContent() override;

  uint32_t answer;
  const AlertRequest* request;
  T_TextBuf message;
  int32_t buttonOrder[kAlertMaxButtons];  // the request button at each position
  RECT messageRect;
};

// The caption of an alert: the request's title text, else the current command title, cut to
// the first 24 bytes, "…" and the last 23 bytes when longer than 64 bytes (never inside a
// character). Empty when there is neither.
void AlertTitle(const AlertRequest* request, T_TextBuf* title);
// The request button at each position for n buttons (n is taken as 0 to 5).
void AlertButtonOrder(int32_t n, int32_t order[kAlertMaxButtons]);

class T_MsgDialog : public T_Window {
 public:
  // message and title are the caller's and must outlive the dialog; a null title shows the
  // program's name. seconds > 0 starts a countdown. Built unopened.
  T_MsgDialog(const char* message, const char* title, int32_t seconds);

  void Notify(int32_t code) override;
  bool QueryClose(int32_t code) override;
  void OnButton(T_GrafElement* button) override;
  void DrawContent() override;

  const char* message;
  RECT messageRect;
  T_Button* okButton;
  int32_t secondsLeft;
  T_Text* countdownText;
  uint64_t countdownStart;
};

// Shows the message modally and returns when the user pressed OK or the countdown ran out.
// The box shows even when alerts are unattended (a message command asks for it explicitly).
void MsgDialog_Run(const char* message, const char* title, int32_t seconds);
// One step of the countdown: whole seconds passed since the countdown start are counted off;
// below 0 the OK button is pressed, else the countdown text shows the seconds left.
void MsgDialog_Tick(T_MsgDialog* dialog);
