#include "database/read_prompt.h"

#include "core/alert.h"
#include "database/base.h"
#include "database/operation_log.h"

namespace {

constexpr int32_t kButtonContinue = 705;
constexpr int32_t kButtonStop = 704;
constexpr int32_t kButtonLogToFile = 3123;

}  // namespace

int32_t AskReadError(T_Base* base, AlertRequest* request) {
  request->buttonCount = 0;
  AlertAddButton(request, kButtonContinue);
  AlertAddButton(request, kButtonCancel);
  AlertAddButton(request, kButtonStop);
  AlertAddButton(request, kButtonLogToFile);
  // An unattended read steps over what it cannot use; the log or error file tells of it.
  request->defaultAnswer = kReadErrorContinue;
  request->beeps = 1;
  int32_t answer = ShowAlert(request);
  switch (answer) {
    case kReadErrorCancel:
      base->errorFlag = 1;
      PendingError.abort.store(true, std::memory_order_relaxed);
      break;
    case kReadErrorStop:
      PendingError.abort.store(true, std::memory_order_relaxed);
      break;
    case kReadErrorLogToFile:
      AskErrorLog(base);
      PendingError.abort.store(false, std::memory_order_relaxed);
      // Shown once more, the alert that made the user ask for the log is its first entry.
      if (base->alertLog != nullptr) ShowAlert(request);
      break;
    default:
      break;
  }
  return answer;
}

int32_t AskReadErrorText(T_Base* base, int32_t message, const char* text) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  AlertAddText(&request, text);
  return AskReadError(base, &request);
}

int32_t AskReadErrorTexts(T_Base* base, int32_t message, const char* first, const char* second) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  AlertAddText(&request, first);
  AlertAddText(&request, second);
  return AskReadError(base, &request);
}

void AskPendingReadError(T_Base* base) {
  AlertRequest request = PendingError.request;
  PendingErrorClear();
  if (request.message == 0 || request.message == kErrorCancelled) return;
  AskReadError(base, &request);
}
