#include "core/alert.h"

#include <windows.h>

#include <cstring>

#include "core/files.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "core/utf8.h"

PendingErrorRecord PendingError;

namespace {

T_AlertHandler* topHandler = nullptr;

// Serializes the setters, which the allocator calls from any thread, with the readers that copy
// the record. Held only for a few stores: nothing inside allocates or waits.
std::atomic_flag pendingLock = ATOMIC_FLAG_INIT;

class PendingGuard {
 public:
  PendingGuard() {
    while (pendingLock.test_and_set(std::memory_order_acquire)) SwitchToThread();
  }
  ~PendingGuard() { pendingLock.clear(std::memory_order_release); }
  PendingGuard(const PendingGuard&) = delete;
  PendingGuard& operator=(const PendingGuard&) = delete;
};

constexpr uint64_t kOutOfMemoryQuietMs = 3000;

int32_t SlotLength(const char* slot) {
  const void* end = std::memchr(slot, 0, kAlertTextSize);
  return end ? static_cast<int32_t>(static_cast<const char*>(end) - slot) : kAlertTextSize - 1;
}

// The caller holds the lock.
bool SetLocked(int32_t code, int32_t beeps) {
  bool first = PendingError.request.message == 0;
  if (first) {
    AlertInit(&PendingError.request);
    PendingError.request.message = code;
    PendingError.request.beeps = beeps;
  }
  PendingError.abort.store(true, std::memory_order_relaxed);
  return first;
}

void ClearLocked() {
  AlertInit(&PendingError.request);
  PendingError.abort.store(false, std::memory_order_relaxed);
}

}  // namespace

// --- Building and showing a request -------------------------------------------------------

void AlertInit(AlertRequest* request) {
  request->message = 0;
  request->title = 0;
  request->beeps = 0;
  request->owner = nullptr;
  request->textCount = 0;
  request->buttonCount = 0;
  request->defaultAnswer = 0;
}

void AlertAddTextN(AlertRequest* request, const char* bytes, int32_t n) {
  if (request->textCount < 0 || request->textCount >= kAlertMaxTexts) return;
  char* slot = request->texts[request->textCount++];
  if (bytes == nullptr || n <= 0) {
    slot[0] = 0;
    return;
  }
  if (n < kAlertTextSize) {
    std::memcpy(slot, bytes, static_cast<size_t>(n));
    slot[n] = 0;
    return;
  }
  // A cut inside a character would reach dialogs, logs and XML as a broken sequence.
  int32_t keep = Utf8BoundaryAtOrBefore(bytes, kAlertTextSize - 3);
  std::memcpy(slot, bytes, static_cast<size_t>(keep));
  std::memcpy(slot + keep, "..", 3);
}

void AlertAddText(AlertRequest* request, const char* text) {
  AlertAddTextN(request, text, text ? static_cast<int32_t>(std::strlen(text)) : 0);
}

void AlertAddEmptyText(AlertRequest* request) { AlertAddTextN(request, nullptr, 0); }

void AlertAddBlockText(AlertRequest* request, const char* block) {
  AlertAddTextN(request, block, block ? static_cast<int32_t>(MemSize(block) - 1) : 0);
}

void AlertAddFileName(AlertRequest* request, const char* path) {
  T_TextBuf name;
  PathGetName(path ? path : "", &name);
  AlertAddTextN(request, name.data, name.length);
}

void AlertAddString(AlertRequest* request, int32_t textId) {
  AlertAddText(request, GetString(textId));
}

void AlertAddButton(AlertRequest* request, int32_t id) {
  if (request->buttonCount < 0 || request->buttonCount >= kAlertMaxButtons) return;
  request->buttons[request->buttonCount++] = id;
}

void AlertFormatText(const AlertRequest* request, T_TextBuf* text) {
  TextBufSetLength(text, 0);
  const char* message = GetString(request->message);
  if (message == nullptr) return;
  int32_t count = request->textCount < kAlertMaxTexts ? request->textCount : kAlertMaxTexts;
  // One pass over the message: filling "@1" and then "@0" of the result would also replace an
  // "@0" that the first text brought in.
  const char* run = message;
  const char* p = message;
  while (*p) {
    if (p[0] == '@' && p[1] >= '0' && p[1] < '0' + count) {
      TextBufAppendBytes(text, run, static_cast<int32_t>(p - run));
      const char* slot = request->texts[p[1] - '0'];
      TextBufAppendBytes(text, slot, SlotLength(slot));
      p += 2;
      run = p;
    } else {
      ++p;
    }
  }
  TextBufAppendBytes(text, run, static_cast<int32_t>(p - run));
}

int32_t ShowAlert(const AlertRequest* request) {
  T_AlertHandler* top = topHandler;
  if (top == nullptr) return request->defaultAnswer;
  top->Notify(request);
  return top->Ask(request);
}

bool AlertsUnattended() { return topHandler == nullptr || topHandler->IsUnattended(); }

// --- The handler stack --------------------------------------------------------------------

T_AlertHandler::T_AlertHandler() : next(topHandler) { topHandler = this; }

T_AlertHandler::~T_AlertHandler() {
  for (T_AlertHandler** link = &topHandler; *link; link = &(*link)->next) {
    if (*link == this) {
      *link = next;
      break;
    }
  }
}

void T_AlertHandler::Notify(const AlertRequest* request) {
  if (next) next->Notify(request);
}

int32_t T_AlertHandler::Ask(const AlertRequest* request) {
  return next ? next->Ask(request) : request->defaultAnswer;
}

bool T_AlertHandler::IsUnattended() { return next ? next->IsUnattended() : true; }

T_AlertHandler* AlertHandlerTop() { return topHandler; }

// --- The pending error --------------------------------------------------------------------

bool PendingErrorSet(int32_t code) {
  PendingGuard guard;
  return SetLocked(code, 1);
}

bool PendingErrorOutOfMemory() {
  PendingGuard guard;
  return SetLocked(kErrorOutOfMemory, 0);
}

bool PendingErrorResource() { return PendingErrorSet(kErrorResource); }

bool PendingErrorCancel() {
  PendingGuard guard;
  return SetLocked(kErrorCancelled, 0);
}

void PendingErrorClear() {
  PendingGuard guard;
  ClearLocked();
}

void PendingErrorSave(PendingErrorSaved* copy) {
  PendingGuard guard;
  copy->abort = PendingError.abort.load(std::memory_order_relaxed);
  copy->request = PendingError.request;
  ClearLocked();
}

void PendingErrorRestore(const PendingErrorSaved* copy) {
  PendingGuard guard;
  PendingError.request = copy->request;
  PendingError.abort.store(copy->abort, std::memory_order_relaxed);
}

void PendingErrorReport() {
  AlertRequest shown;
  {
    PendingGuard guard;
    int32_t message = PendingError.request.message;
    // A cancel is cleared as well as an empty record, or it would block every later error.
    if (message <= 0) {
      ClearLocked();
      return;
    }
    if (message == kErrorOutOfMemory) {
      uint64_t now = TickCount();
      if (PendingError.outOfMemoryShown &&
          now - PendingError.lastOutOfMemoryTick < kOutOfMemoryQuietMs) {
        ClearLocked();
        return;
      }
      PendingError.outOfMemoryShown = true;
      PendingError.lastOutOfMemoryTick = now;
    }
    bool nested = PendingError.reporting;
    if (!nested) {
      PendingError.reporting = true;
      shown = PendingError.request;
    }
    ClearLocked();
    if (nested) return;
  }
  ShowAlert(&shown);
  PendingGuard guard;
  PendingError.reporting = false;
  ClearLocked();
}
