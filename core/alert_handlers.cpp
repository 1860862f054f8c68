#include "core/alert_handlers.h"

#include "core/log_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/localized_text.h"
#include "core/memory.h"
#include "core/threads.h"
#include "core/utf8.h"

namespace {

LogEntrySink logSink = nullptr;
int32_t tagAlertsCount = 0;

void CarriageReturnsToBlanks(T_TextBuf* text) {
  for (int32_t i = 0; i < text->length; ++i) {
    if (text->data[i] == '\r') text->data[i] = ' ';
  }
}

bool HasButton(const AlertRequest* request, int32_t id) {
  for (int32_t i = 0; i < request->buttonCount && i < kAlertMaxButtons; ++i) {
    if (request->buttons[i] == id) return true;
  }
  return false;
}

std::wstring Wide(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
  wide.resize(static_cast<size_t>(n - 1));
  return wide;
}

}  // namespace

// --- T_NoAlerts ---------------------------------------------------------------------------

T_NoAlerts::T_NoAlerts() : lastMessage(0) { lastText[0] = 0; }

int32_t T_NoAlerts::Ask(const AlertRequest* request) {
  T_TextBuf text;
  AlertFormatText(request, &text);
  CarriageReturnsToBlanks(&text);
  int32_t keep =
      Utf8BoundaryAtOrBefore(text.data, text.length < kTextSize ? text.length : kTextSize - 1);
  std::memcpy(lastText, text.data, static_cast<size_t>(keep));
  lastText[keep] = 0;
  lastMessage = request->message;
  return request->defaultAnswer;
}

// --- T_LogAlerts --------------------------------------------------------------------------

T_LogAlerts::T_LogAlerts(const char* path, bool append)
    : append(append ? 1 : 0),
      headerWritten(0),
      silent(1),
      language(CurrentLanguage()),
      prefix(nullptr),
      indent(0) {
  TextBufAssign(&this->path, path);
  DateRecord now = DateNow();
  std::snprintf(creationTime, sizeof creationTime, "%04d-%02d-%02d %02d:%02d:%02d",
                now.year % 10000, now.month % 100, now.day % 100, now.hour % 100, now.minute % 100,
                now.second % 100);
}

T_LogAlerts::~T_LogAlerts() {
  LogFileFinish(this);
  MemFree(prefix);
}

void T_LogAlerts::SetPrefix(const char* text) {
  MemFree(prefix);
  prefix = nullptr;
  size_t n = text ? std::strlen(text) : 0;
  if (n == 0) return;
  prefix = static_cast<char*>(MemDup(text, static_cast<int64_t>(n) + 1));
}

void T_LogAlerts::ChangeIndent(int32_t delta) {
  indent += delta;
  if (indent < 0) indent = 0;
}

void T_LogAlerts::Notify(const AlertRequest* request) {
  T_AlertHandler::Notify(request);
  T_TextBuf text;
  int32_t saved = CurrentLanguage();
  SetCurrentLanguage(language);
  AlertFormatText(request, &text);
  SetCurrentLanguage(saved);
  CarriageReturnsToBlanks(&text);
  if (text.length > 0) LogWrite(this, text.data, kLogPrefix);
}

int32_t T_LogAlerts::Ask(const AlertRequest* request) {
  return silent ? request->defaultAnswer : T_AlertHandler::Ask(request);
}

bool T_LogAlerts::IsUnattended() { return silent ? true : T_AlertHandler::IsUnattended(); }

void LogWrite(T_LogAlerts* log, const char* text, int32_t flags) {
  if (log->path.length == 0) return;
  PendingErrorSaved saved;
  PendingErrorSave(&saved);
  if (flags & kLogOutdentBefore) log->ChangeIndent(-1);
  T_TextBuf line;
  if (text) {
    if (!(flags & kLogNoIndent)) {
      for (int32_t i = 0; i < log->indent; ++i) TextBufAppendBytes(&line, "  ", 2);
    }
    if ((flags & kLogPrefix) && log->prefix) TextBufAppend(&line, log->prefix);
    TextBufAppend(&line, text);
    if (flags & kLogTimeOfDay) {
      DateRecord now = DateNow();
      char time[16];
      std::snprintf(time, sizeof time, " at %02d:%02d:%02d", now.hour % 100, now.minute % 100,
                    now.second % 100);
      TextBufAppend(&line, time);
    }
  }
  if (logSink) logSink(log, text ? line.data : nullptr, flags);
  PendingErrorRestore(&saved);
  if (flags & kLogIndentAfter) log->ChangeIndent(1);
}

void SetLogEntrySink(LogEntrySink sink) { logSink = sink; }

// --- T_TagAlerts --------------------------------------------------------------------------

T_TagAlerts::T_TagAlerts(T_OStream* output) : output(output) { ++tagAlertsCount; }

T_TagAlerts::~T_TagAlerts() { --tagAlertsCount; }

int32_t T_TagAlerts::Ask(const AlertRequest* request) {
  T_TextBuf text;
  AlertFormatText(request, &text);
  // Control characters other than TAB, LF and CR may not appear in an XML document at all.
  for (int32_t i = 0; i < text.length; ++i) {
    auto c = static_cast<unsigned char>(text.data[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') text.data[i] = ' ';
  }
  output->PutElement("error", text.data);
  return request->defaultAnswer;
}

int32_t TagAlertsCount() { return tagAlertsCount; }

// --- T_MessageBoxAlerts -------------------------------------------------------------------

int32_t T_MessageBoxAlerts::Ask(const AlertRequest* request) {
  bool ok = HasButton(request, kButtonOk);
  bool cancel = HasButton(request, kButtonCancel);
  bool yes = HasButton(request, kButtonYes);
  bool no = HasButton(request, kButtonNo);
  int32_t count = request->buttonCount < kAlertMaxButtons ? request->buttonCount : kAlertMaxButtons;
  // The message box's own button sets, in their order on screen.
  int32_t order[3] = {kButtonOk, 0, 0};
  UINT type = MB_OK;
  if (yes && no && count == 2 + (cancel ? 1 : 0)) {
    type = cancel ? MB_YESNOCANCEL : MB_YESNO;
    order[0] = kButtonYes;
    order[1] = kButtonNo;
    order[2] = cancel ? kButtonCancel : 0;
  } else if (ok && cancel && count == 2) {
    type = MB_OKCANCEL;
    order[1] = kButtonCancel;
  }
  if (order[1] == request->defaultAnswer) type |= MB_DEFBUTTON2;
  if (order[2] == request->defaultAnswer && order[2] != 0) type |= MB_DEFBUTTON3;

  T_TextBuf text;
  AlertFormatText(request, &text);
  const char* title = request->title > 0 ? GetString(request->title) : nullptr;
  for (int32_t i = 0; i < request->beeps; ++i) MessageBeep(MB_OK);
  int result =
      MessageBoxW(nullptr, Wide(text.data).c_str(), Wide(title && *title ? title : "QEB").c_str(),
                  type | MB_TASKMODAL | MB_SETFOREGROUND);
  switch (result) {
    case IDYES:
      return kButtonYes;
    case IDNO:
      return kButtonNo;
    case IDCANCEL:
      return cancel ? kButtonCancel : request->defaultAnswer;
    case IDOK:
      return ok && count <= 2 ? kButtonOk : request->defaultAnswer;
    default:
      return request->defaultAnswer;
  }
}
