#include "ui/alert_dialogs.h"

#include <cstring>

#include "core/locale.h"
#include "core/localized_text.h"
#include "core/threads.h"
#include "core/utf8.h"
#include "core/wide_buffer.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/event_record.h"
#include "ui/frame_items.h"
#include "ui/item.h"
#include "ui/item_drawing.h"
#include "ui/menu_model.h"
#include "ui/program_entry.h"
#include "ui/text_layout.h"

namespace {

constexpr int32_t kMessageLeft = 10;
constexpr int32_t kMessageTop = 10;
constexpr int32_t kMessageRight = 330;
constexpr int32_t kSecondRowLift = 32;
constexpr int32_t kButtonRowEdge = 345;
constexpr int32_t kButtonHeight = 20;
constexpr int32_t kButtonBottomGap = 34;  // from the window's bottom to a button's top
constexpr int32_t kFirstButtonId = 16;
constexpr int32_t kTitleHead = 24;
constexpr int32_t kTitleTail = 23;
constexpr UINT_PTR kCountdownTimer = 1;
// The periodic tick that counts the seconds off comes after messages only, so the box sends
// itself some while the user does nothing.
constexpr UINT kCountdownTimerPeriod = 250;

// The window constructor reads the rectangle before the temporary ends with the full expression.
const RECT* Keep(const RECT& rect) { return &rect; }

TextStyle MessageStyle() {
  TextStyle style = TextStyleDialog;
  style.flags = static_cast<uint16_t>(style.flags | kStyleWrap);
  return style;
}

// The message laid out in the width of the dialog; its bottom never above 42.
RECT MessageRect(const char* text) {
  TextStyle style = MessageStyle();
  RECT fitted{kMessageLeft, kMessageTop, kMessageRight, 32767};
  TextFitRectInStyle(&style, &fitted, text);
  RECT rect{kMessageLeft, kMessageTop, kMessageRight, fitted.bottom};
  if (rect.bottom < kAlertMessageBottom) rect.bottom = kAlertMessageBottom;
  return rect;
}

int32_t ButtonCount(const AlertRequest* request) {
  int32_t n = request->buttonCount;
  return n < 0 ? 0 : n > kAlertMaxButtons ? kAlertMaxButtons : n;
}

// The size of an alert before its window exists, so that it is placed by its real size.
RECT AlertWindowRect(const AlertRequest* request) {
  T_TextBuf text;
  AlertFormatText(request, &text);
  RECT message = MessageRect(text.data);
  int32_t height = kAlertHeight + (message.bottom - kAlertMessageBottom);
  if (ButtonCount(request) >= 4) height += kSecondRowLift;
  return RECT{0, 0, kAlertWidth, height};
}

RECT MsgDialogRect(const char* message) {
  RECT rect = MessageRect(message ? message : "");
  return RECT{0, 0, kAlertWidth, kAlertHeight + (rect.bottom - kAlertMessageBottom)};
}

int32_t IndexOfButton(const AlertRequest* request, int32_t id) {
  int32_t n = ButtonCount(request);
  for (int32_t k = 0; k < n; ++k) {
    if (request->buttons[k] == id) return k;
  }
  return -1;
}

// Before the application exists: the system's message box with the button set that matches
// the request (OK; OK, Cancel; Yes, No; Yes, No, Cancel); any other set shows OK alone and
// answers the default.
int32_t SystemBoxAsk(const AlertRequest* request) {
  int32_t n = ButtonCount(request);
  int32_t ok = IndexOfButton(request, kButtonOk);
  int32_t cancel = IndexOfButton(request, kButtonCancel);
  int32_t yes = IndexOfButton(request, kButtonYes);
  int32_t no = IndexOfButton(request, kButtonNo);
  int32_t shown[3] = {ok, -1, -1};  // request button of each system button, in screen order
  UINT type = MB_OK;
  if (yes >= 0 && no >= 0 && n == 2 + (cancel >= 0 ? 1 : 0)) {
    type = cancel >= 0 ? MB_YESNOCANCEL : MB_YESNO;
    shown[0] = yes;
    shown[1] = no;
    shown[2] = cancel;
  } else if (ok >= 0 && cancel >= 0 && n == 2) {
    type = MB_OKCANCEL;
    shown[1] = cancel;
  } else if (!(ok >= 0 && n == 1)) {
    shown[0] = -1;  // the OK of a set the system cannot show only closes the box
  }
  if (shown[1] >= 0 && shown[1] == request->defaultAnswer) type |= MB_DEFBUTTON2;
  if (shown[2] >= 0 && shown[2] == request->defaultAnswer) type |= MB_DEFBUTTON3;

  T_TextBuf text;
  AlertFormatText(request, &text);
  T_TextBuf title;
  AlertTitle(request, &title);
  if (title.empty()) TextBufAssign(&title, ProgramName());
  T_WideBuf wideText;
  T_WideBuf wideTitle;
  WideBufAssignUtf8(&wideText, text.data);
  WideBufAssignUtf8(&wideTitle, title.data);
  int result = MessageBoxW(nullptr, wideText.c_str(), wideTitle.c_str(),
                           type | MB_TASKMODAL | MB_SETFOREGROUND);
  int32_t chosen = -1;
  switch (result) {
    case IDOK:
      chosen = shown[0];
      break;
    case IDYES:
      chosen = yes;
      break;
    case IDNO:
      chosen = no;
      break;
    case IDCANCEL:
      chosen = cancel;
      break;
    default:
      break;
  }
  return chosen >= 0 ? chosen : request->defaultAnswer;
}

bool TitleBegins(const char* title, uint16_t character) {
  if (!title || !*title) return false;
  return CharToUpper(Utf8Decode(title)) == CharToUpper(character);
}

}  // namespace

// --- The handler --------------------------------------------------------------------------------

int32_t T_AlertDialogs::Ask(const AlertRequest* request) { return Alert_Show(request); }

int32_t Alert_Show(const AlertRequest* request) {
  for (int32_t i = 0; i < request->beeps; ++i) MessageBeep(1);
  T_Application* application = App();
  if (!application) return SystemBoxAsk(request);
  application->Activate();
  auto* alert = new T_Alert(request);
  EventHandler_Open(alert);
  Window_RunModal(alert);
  int32_t answer = static_cast<int32_t>(alert->answer);
  delete alert;
  return answer;
}

void AlertTitle(const AlertRequest* request, T_TextBuf* title) {
  const char* text = request->title != 0 ? GetString(request->title) : CurrentCommandTitle();
  TextBufAssign(title, text);
  if (title->length <= kAlertTitleMax) return;
  // Cut between characters: the head ends before a character that would cross byte 24, the
  // tail starts at the first character that lies wholly in the last 23 bytes.
  int32_t head = Utf8BoundaryAtOrBefore(title->data, kTitleHead);
  int32_t tail = title->length - kTitleTail;
  while (tail < title->length && (static_cast<uint8_t>(title->data[tail]) & 0xC0) == 0x80) ++tail;
  T_TextBuf cut;
  TextBufAssignBytes(&cut, title->data, head);
  TextBufAppend(&cut, "\xE2\x80\xA6");
  TextBufAppend(&cut, title->data + tail);
  TextBufAssignBuf(title, &cut);
}

void AlertButtonOrder(int32_t n, int32_t order[kAlertMaxButtons]) {
  if (n < 0) n = 0;
  int32_t m = n < 3 ? n : 3;
  for (int32_t i = 0; i < kAlertMaxButtons; ++i) order[i] = i;
  for (int32_t i = 0; i < m; ++i) order[i] = (i + 1) % m;
}

// --- T_Alert ------------------------------------------------------------------------------------

T_Alert::T_Alert(const AlertRequest* request)
    : T_Window(kKindDialog, Keep(AlertWindowRect(request)), 0,
               static_cast<T_Window*>(request->owner), false),
      answer(static_cast<uint32_t>(request->defaultAnswer)),
      request(request) {
  T_TextBuf caption;
  AlertTitle(request, &caption);
  SetTitleBuf(&caption);
  AlertFormatText(request, &message);
  TextStyle textStyle = MessageStyle();
  SetTextStyle(&textStyle);
  messageRect = MessageRect(message.data);

  int32_t n = ButtonCount(request);
  AlertButtonOrder(n, buttonOrder);
  int32_t rowTop = height - kButtonBottomGap;
  if (n == 0) {
    auto* ok = new T_Button(this, XYWH{255, rowTop, 70, kButtonHeight}, kFirstButtonId);
    ok->SetTitleId(kButtonOk);
    ok->SetDefault(true);
    return;
  }
  int32_t rightEdge = kButtonRowEdge;
  for (int32_t i = 0; i < n; ++i) {
    if (i == 3) {
      rightEdge = kButtonRowEdge;
      rowTop -= kSecondRowLift;
    }
    int32_t k = buttonOrder[i];
    int32_t textId = request->buttons[k];
    if (textId == 0) continue;
    int32_t w = TextWidthInStyle(&TextStyleDialog, GetString(textId));
    if (w < 40) w = 40;
    int32_t left = rightEdge - 40 - w;
    int32_t buttonWidth = w + 20;
    if (left < 0) buttonWidth += left;
    if (left < 8) left = 8;
    auto* button = new T_Button(this, XYWH{left, rowTop, buttonWidth, kButtonHeight},
                                static_cast<uint32_t>(kFirstButtonId - i));
    button->SetTitleId(textId);
    if (k == request->defaultAnswer) button->SetDefault(true);
    rightEdge = left;
  }
}

bool T_Alert::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (T_Window::KeyDown(event, target)) return true;
  uint16_t code = event->keyCode;
  if (code < 32 || event->control) return false;
  for (T_Item* item = Item_FirstInOrder(this, kOrderTab); item;
       item = Item_NextInOrder(item, kOrderTab)) {
    if (item->kind != kKindButton || !item->enabled) continue;
    auto* button = static_cast<T_Button*>(item);
    if (TitleBegins(button->title.shown, code)) {
      Button_Press(button, event->time);
      return true;
    }
  }
  return false;
}

// The alert ends through its buttons only: its runner destroys it after the modal run, so a
// close from outside (Alt+F4) answers like Escape and the window stays.
bool T_Alert::QueryClose(int32_t) {
  T_GrafElement* cancel = Window_CancelButton(this);
  if (cancel && AsItem(cancel)->enabled) Button_Press(static_cast<T_Button*>(cancel), TickCount());
  return false;
}

void T_Alert::OnButton(T_GrafElement* button) {
  // Without request buttons the lone OK keeps the default answer, whatever it is.
  int32_t position = kFirstButtonId - static_cast<int32_t>(AsItem(button)->id);
  if (ButtonCount(request) > 0 && position >= 0 && position < kAlertMaxButtons) {
    answer = static_cast<uint32_t>(buttonOrder[position]);
  }
  native.modalEnd = 1;
}

void T_Alert::DrawContent() { TextDrawInRect(&messageRect, message.data, nullptr); }

// --- T_MsgDialog --------------------------------------------------------------------------------

T_MsgDialog::T_MsgDialog(const char* message, const char* title, int32_t seconds)
    : T_Window(kKindDialog, Keep(MsgDialogRect(message)), 0, nullptr, false),
      message(message),
      okButton(nullptr),
      secondsLeft(seconds > 0 ? seconds : 0),
      countdownText(nullptr),
      countdownStart(TickCount()) {
  SetTitleCopy(title ? title : ProgramName());
  TextStyle textStyle = MessageStyle();
  SetTextStyle(&textStyle);
  messageRect = MessageRect(message ? message : "");
  runUnattended = 1;
  if (seconds > 0) countdownText = new T_Text(this, XYWH{10, height - 30, 30, 12}, true);
  okButton = new T_Button(this, XYWH{255, height - kButtonBottomGap, 70, kButtonHeight}, 0);
  okButton->SetTitleId(kButtonOk);
  okButton->SetDefault(true);
}

void T_MsgDialog::Notify(int32_t code) {
  T_Window::Notify(code);
  if (code == kNotifyTick && countdownText) MsgDialog_Tick(this);
}

// Closing the box from outside is pressing its OK; the runner destroys the window.
bool T_MsgDialog::QueryClose(int32_t) {
  if (okButton) Button_Press(okButton, TickCount());
  return false;
}

void T_MsgDialog::OnButton(T_GrafElement*) { native.modalEnd = 1; }

void T_MsgDialog::DrawContent() {
  if (message) TextDrawInRect(&messageRect, message, nullptr);
}

void MsgDialog_Tick(T_MsgDialog* dialog) {
  if (!dialog->countdownText || dialog->secondsLeft < 0) return;  // none, or already pressed
  uint64_t passed = TickCount() - dialog->countdownStart;
  if (passed < 1000) return;
  uint64_t whole = passed / 1000;
  dialog->countdownStart += whole * 1000;
  int64_t left = static_cast<int64_t>(dialog->secondsLeft) - static_cast<int64_t>(whole);
  dialog->secondsLeft = left < -1 ? -1 : static_cast<int32_t>(left);
  if (dialog->secondsLeft < 0) {
    Button_Press(dialog->okButton, TickCount());
    return;
  }
  T_TextBuf digits;
  TextBufAssignInt(&digits, dialog->secondsLeft);
  dialog->countdownText->SetTextCopy(digits.data);
}

void MsgDialog_Run(const char* message, const char* title, int32_t seconds) {
  auto* dialog = new T_MsgDialog(message, title, seconds);
  EventHandler_Open(dialog);
  if (dialog->countdownText && dialog->native.handle) {
    SetTimer(dialog->native.handle, kCountdownTimer, kCountdownTimerPeriod, nullptr);
  }
  dialog->countdownStart = TickCount();
  Window_RunModal(dialog);
  delete dialog;
}
