#pragma once
// Alerts and the pending error.
//
// Every failure that cannot be reported where it happens is parked in the one PendingError
// record; its abort flag is what every long loop tests. The first error stands until it is
// reported or cleared.
#include <atomic>
#include <cstdint>

struct AlertRequest {
  int32_t message = 0;  // text id of the message
  int32_t title = 0;    // text id of the title, 0 for the default
  int32_t beeps = 0;
  void* owner = nullptr;  // window the message concerns
  int32_t textCount = 0;
  char texts[4][80] = {};  // fill "@0" to "@3"
  int32_t buttonCount = 0;
  int32_t buttons[5] = {};  // text ids: 700 OK, 701 Cancel, 702 Yes, 703 No
  int32_t defaultAnswer = 0;
};

struct PendingErrorRecord {
  AlertRequest request;
  std::atomic<bool> abort{false};
  bool reporting = false;
  uint64_t lastOutOfMemoryTick = 0;
};

extern PendingErrorRecord PendingError;

void AlertInit(AlertRequest* request);

// Neither setter allocates: the allocator itself reports through them.
void PendingErrorSet(int32_t code);
void PendingErrorOutOfMemory();
void PendingErrorClear();
inline bool AbortRequested() { return PendingError.abort.load(std::memory_order_relaxed); }
