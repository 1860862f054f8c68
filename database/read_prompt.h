#pragma once
// The one prompt through which every reader of the engine reports a problem it can step over
// (unknown section, command or option, missing component, unknown XML tag or attribute), so one
// answer policy holds for a whole file: Continue, Cancel, Stop or Log to File.
#include <cstdint>

class T_Base;
struct AlertRequest;

// Answer indexes.
constexpr int32_t kReadErrorContinue = 0;
constexpr int32_t kReadErrorCancel = 1;
constexpr int32_t kReadErrorStop = 2;
constexpr int32_t kReadErrorLogToFile = 3;

// Shows the request with the buttons 705, 701, 704 and 3123 and one beep, applies the answer to
// the database's error flag and the abort flag, and returns it.
int32_t AskReadError(T_Base* base, AlertRequest* request);
// The same for a message with one "@0" text, or with "@0" and "@1".
int32_t AskReadErrorText(T_Base* base, int32_t message, const char* text);
int32_t AskReadErrorTexts(T_Base* base, int32_t message, const char* first, const char* second);
// A failure left pending by a file the read opened (605 to 609 with the path, or what its own
// read left) goes to the prompt instead, so one answer policy holds for the whole file; a cancel
// is dropped. Nothing happens without a pending error.
void AskPendingReadError(T_Base* base);
