#include "app/file_wait.h"

#include <new>

#include "core/alert.h"
#include "core/files.h"
#include "core/localized_text.h"
#include "core/message_pump.h"
#include "core/placeholders.h"
#include "database/base.h"
#include "database/operation_log.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/item_drawing.h"
#include "ui/main_loop.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"

namespace {

T_FileWait* current = nullptr;
bool progressDisplay = true;

constexpr int32_t kTextOpening = 4500;
constexpr int32_t kTextImporting = 4501;
constexpr int32_t kTextSaving = 4502;
constexpr int32_t kTextClosing = 4503;
constexpr int32_t kTextSection = 4504;
constexpr int32_t kTextTimeToGo = 4505;
constexpr int32_t kTextCancel = 701;
constexpr int32_t kTextStop = 704;

constexpr int32_t kWidth = 300;
constexpr int32_t kHeight = 108;
constexpr int32_t kHeightWithoutTime = kHeight - 46;
constexpr int32_t kNestRight = 12;
constexpr int32_t kNestDown = 16;
constexpr int32_t kTimeRow = 17;  // the bar moves down by the row of the time to go

int32_t TitleText(int32_t kind) {
  switch (kind) {
    case kProgressImporting:
      return kTextImporting;
    case kProgressSaving:
      return kTextSaving;
    case kProgressClosing:
      return kTextClosing;
    default:
      return kTextOpening;
  }
}

// T_Window takes its rectangle by address; the temporary lives through the base's construction.
const RECT* Keep(const RECT& rect) { return &rect; }

}  // namespace

T_FileWait* CurrentFileWait() { return current; }

void SetProgressDisplay(bool on) { progressDisplay = on; }
bool ProgressDisplay() { return progressDisplay; }

RECT ProgressRect(int32_t kind) {
  bool withTime = kind == kProgressOpening || kind == kProgressImporting;
  RECT rect{0, 0, kWidth, withTime ? kHeight : kHeightWithoutTime};
  if (current) {
    rect.left += current->x + kNestRight;
    rect.top += current->y + kNestDown;
  }
  return rect;
}

// --- T_FileWait ------------------------------------------------------------------------------

T_FileWait::T_FileWait(int32_t kind, T_Base* base, const char* filePath)
    : T_Window(kKindDialog, Keep(ProgressRect(kind)), 0, nullptr, false),
      previous(current),
      database(base),
      path(filePath),
      kind(kind) {
  current = this;
  T_TextBuf title(GetString(TitleText(kind)));
  T_TextBuf name;
  PathGetName(path.c_str(), &name);
  TextBufFillParamBuf(&title, 0, &name);
  SetTitleBuf(&title);
  if (ShowsTime()) {
    OffsetRect(&barRect, 0, kTimeRow);
    cancelButton = new T_Button(this, XYWH{14, 74, 80, 20}, kFileWaitCancelId);
    cancelButton->SetTitleId(kTextCancel);
    stopButton = new T_Button(this, XYWH{206, 74, 80, 20}, kFileWaitStopId);
    stopButton->SetTitleId(kTextStop);
  }
  // The menus stay out of reach while the operation runs; a command could change the database
  // under the reader or writer.
  T_MenuItem* root = MenuRoot();
  savedMenuBarEnabled = root ? root->enabled : 1;
  SetMenuBarItemEnabled(!progressDisplay);
  T_MenuItem* edit = StandardMenu(kMenuEdit);
  savedEditEnabled = edit ? edit->enabled : 1;
  SetVisible(false);
  EventHandler_Open(this);
}

T_FileWait::~T_FileWait() {
  SetMenuBarItemEnabled(savedMenuBarEnabled != 0);
  MenuItemSetEnabledIfAny(StandardMenu(kMenuEdit), savedEditEnabled != 0);
  if (current == this) {
    current = previous;
  } else {
    // Out of order: a newer window still stands on this one.
    for (T_FileWait* w = current; w; w = w->previous) {
      if (w->previous == this) {
        w->previous = previous;
        break;
      }
    }
  }
  if (current) GrafElement_Invalidate(current, kPaintNow | kPaintChildren);
}

void T_FileWait::UpdateCommands() {
  T_Window::UpdateCommands();
  MenuItemDisableIfAny(StandardMenu(kMenuEdit));
}

// The window belongs to the operation that made it and goes when the operation ends; a close box
// or Alt+F4 would delete it under the running reader.
bool T_FileWait::QueryClose(int32_t) { return false; }

void T_FileWait::OnButton(T_GrafElement* button) {
  if (button == cancelButton) {
    // What was read is given up: the read fails and is undone.
    if (database) {
      AbandonRead(database, true);
    } else {
      PendingErrorCancel();
    }
  } else if (button == stopButton) {
    // What was read so far stays.
    PendingError.abort.store(true);
  } else {
    T_Window::OnButton(button);
  }
}

void T_FileWait::DrawContent() {
  T_Window::DrawContent();
  TextDrawIdInRect(&labelRect, kTextSection);
  TextDrawInRectIfAny(&statusRect, statusText.c_str());
  if (ShowsTime()) {
    TextDrawIdInRect(&remainingLabelRect, kTextTimeToGo);
    TextDrawInRectIfAny(&remainingRect, estimate.RemainingText());
  }
  DrawProgressBar(&barRect, estimate.barLength);
}

void T_FileWait::Begin(int64_t totalBytes, bool compressed) {
  Apply(estimate.Begin(totalBytes, compressed));
}
void T_FileWait::SetPosition(int64_t position) { Apply(estimate.SetPosition(position)); }
void T_FileWait::ResetSteps(int64_t total) { Apply(estimate.ResetSteps(total)); }
void T_FileWait::ResetSteps() { Apply(estimate.ResetSteps()); }
void T_FileWait::AddTotal(int64_t amount) { estimate.AddTotal(amount); }
void T_FileWait::SetSteps(int64_t count) { Apply(estimate.SetSteps(count)); }
void T_FileWait::AddSteps(int64_t count) { estimate.AddSteps(count); }
void T_FileWait::StepRefresh() { Apply(estimate.StepRefresh()); }

void T_FileWait::SetStatus(int32_t code) {
  if (code == statusCode) return;
  statusCode = code;
  if (database) {
    database->GetFieldName(&statusText, code);
  } else {
    TextBufAssign(&statusText, code >= 100 ? GetString(code) : "");
  }
  GrafElement_InvalidateRect(this, &statusRect, kPaintNow);
}

void T_FileWait::Apply(uint32_t changes) {
  if ((changes & kProgressRemainingChanged) && ShowsTime()) {
    GrafElement_InvalidateRect(this, &remainingRect, kPaintNow);
  }
  if (changes & kProgressBarGrew) ShowBar();
  if (changes & kProgressRefreshed) Pump();
}

void T_FileWait::ShowBar() {
  if (!visible && progressDisplay && estimate.WantsShowing()) SetVisible(true);
  if (!visible) return;
  GrafElement_InvalidateRect(this, &barRect, kPaintNow);
  if (T_Application* app = App()) Application_Idle(app);
}

void T_FileWait::Pump() {
  // Hidden, the window has no native window to capture the mouse: a click would reach the
  // database's own windows in the middle of the operation, so only paints go through.
  if (native.handle) {
    Drain(&native);
  } else {
    PumpMessages();
  }
}

// --- The engine's seam -----------------------------------------------------------------------

namespace {

const FileProgressHooks kStreamHooks = {
    [] { return CurrentFileWait(); },
    [](T_FileWait* window, int64_t totalBytes, bool compressed) {
      window->Begin(totalBytes, compressed);
    },
    [](T_FileWait* window, int64_t position) { window->SetPosition(position); },
    [](T_FileWait* window) { window->StepRefresh(); },
    [](T_FileWait* window, int32_t code) { window->SetStatus(code); },
    [](T_FileWait* window, int64_t steps) { window->AddSteps(steps); },
};

const FileProgressWindowHooks kWindowHooks = {
    [](int32_t kind, T_Base* base, const char* path) -> T_FileWait* {
      if (!App()) return nullptr;
      return new (std::nothrow) T_FileWait(kind, base, path);
    },
    [](T_FileWait* window) { delete window; },
    [](T_FileWait* window, int64_t amount) { window->AddTotal(amount); },
    [](T_FileWait* window) { window->ResetSteps(); },
};

}  // namespace

void InstallFileProgressHooks() {
  SetFileProgressHooks(&kStreamHooks);
  SetFileProgressWindowHooks(&kWindowHooks);
}

void RemoveFileProgressHooks() {
  SetFileProgressHooks(nullptr);
  SetFileProgressWindowHooks(nullptr);
}
