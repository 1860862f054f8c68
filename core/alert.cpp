#include "core/alert.h"

PendingErrorRecord PendingError;

void AlertInit(AlertRequest* request) {
  request->message = 0;
  request->title = 0;
  request->beeps = 0;
  request->owner = nullptr;
  request->textCount = 0;
  request->buttonCount = 0;
  request->defaultAnswer = 0;
}

void PendingErrorSet(int32_t code) {
  if (PendingError.request.message != 0) {
    // The first error stands until it is reported or cleared.
    PendingError.abort = true;
    return;
  }
  AlertInit(&PendingError.request);
  PendingError.request.message = code;
  PendingError.request.beeps = 1;
  PendingError.abort = true;
}

void PendingErrorOutOfMemory() {
  PendingErrorSet(600);
  if (PendingError.request.message == 600) PendingError.request.beeps = 0;
}

void PendingErrorClear() {
  AlertInit(&PendingError.request);
  PendingError.abort = false;
}
