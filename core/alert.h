#pragma once
// Alerts, the alert-handler stack and the pending error.
//
// Every message to the user, every question and every reported failure is one AlertRequest
// handed to the top of a stack of alert handlers; the handler on top decides whether a dialog
// shows it, a log records it, or it is answered with its default answer. Code deep in the engine
// therefore never knows whether a person is there.
//
// Failures that cannot be reported where they happen are parked in the one PendingError record.
// Invariants:
//   1. The first error stands: while a message is pending (number not 0) later setters only
//      raise the abort flag, until the error is reported or cleared.
//   2. Every setter raises the abort flag, which long loops test through AbortRequested.
//   3. The setters never allocate and may be called from any thread (the allocator reports
//      through them); they and the report's copy are serialized by a spin lock. Everything
//      else here belongs to the user-interface thread, or to a worker that holds the
//      user-interface/worker exclusion.
#include <atomic>
#include <cstdint>

struct T_TextBuf;

constexpr int32_t kAlertTextSize = 80;  // bytes per text slot, NUL included
constexpr int32_t kAlertMaxTexts = 4;
constexpr int32_t kAlertMaxButtons = 5;

// Message numbers of the pending error.
constexpr int32_t kErrorOutOfMemory = 600;  // "Not enough memory to complete the operation."
constexpr int32_t kErrorResource = 601;     // "Resource Error"
constexpr int32_t kErrorCancelled = -1;     // the user cancelled: nothing is shown

// Button ids are text ids of their labels.
constexpr int32_t kButtonOk = 700;
constexpr int32_t kButtonCancel = 701;
constexpr int32_t kButtonYes = 702;
constexpr int32_t kButtonNo = 703;

struct AlertRequest {
  int32_t message = 0;  // text id of the message
  int32_t title = 0;    // text id of the title, 0 for the default
  int32_t beeps = 0;
  void* owner = nullptr;  // window the message concerns
  int32_t textCount = 0;
  char texts[kAlertMaxTexts][kAlertTextSize] = {};  // fill "@0" to "@3"
  int32_t buttonCount = 0;
  int32_t buttons[kAlertMaxButtons] = {};  // text ids: 700 OK, 701 Cancel, 702 Yes, 703 No
  int32_t defaultAnswer = 0;
};

// --- Building and showing a request -------------------------------------------------------

// Zeroes everything but the text slots.
void AlertInit(AlertRequest* request);
// Stores the next text while fewer than 4 are present. A text of 80 bytes or more keeps its first
// 77 bytes, cut back to a character boundary, followed by "..".
void AlertAddTextN(AlertRequest* request, const char* bytes, int32_t n);
void AlertAddText(AlertRequest* request, const char* text);  // null adds an empty text
void AlertAddEmptyText(AlertRequest* request);
void AlertAddBlockText(AlertRequest* request, const char* block);  // an owned block text
void AlertAddFileName(AlertRequest* request, const char* path);    // only the file-name part
void AlertAddString(AlertRequest* request, int32_t textId);        // the localized text
// Appends a button id; the sixth and later are ignored.
void AlertAddButton(AlertRequest* request, int32_t id);
// The localized message with "@0" to "@3" replaced by the request's texts. The message is read
// once, so a text that itself holds "@1" is shown as it is.
void AlertFormatText(const AlertRequest* request, T_TextBuf* text);

// Hands the request to the top handler (Notify, then Ask) and returns its answer; the default
// answer when there is no handler. Never fails.
int32_t ShowAlert(const AlertRequest* request);
// True when nobody can answer: no handler, or the top handler says so. Windows ask this before
// they show a modal dialog.
bool AlertsUnattended();

// --- The handler stack --------------------------------------------------------------------

// Constructing a handler pushes it; destroying it unlinks it wherever it stands, so handlers may
// be destroyed in any order. The base operations pass everything to the next handler: at the
// bottom Notify does nothing, Ask answers the default and IsUnattended is true.
class T_AlertHandler {
 public:
  T_AlertHandler();
  virtual ~T_AlertHandler();
  T_AlertHandler(const T_AlertHandler&) = delete;
  T_AlertHandler& operator=(const T_AlertHandler&) = delete;

  virtual void Notify(const AlertRequest* request);
  virtual int32_t Ask(const AlertRequest* request);
  virtual bool IsUnattended();

  T_AlertHandler* next;  // the handler below, null at the bottom
};

// The top of the stack, null when there is none.
T_AlertHandler* AlertHandlerTop();

// --- The pending error --------------------------------------------------------------------

struct PendingErrorRecord {
  AlertRequest request;
  std::atomic<bool> abort{false};
  bool reporting = false;  // a report's alert is open
  bool outOfMemoryShown = false;
  uint64_t lastOutOfMemoryTick = 0;
};

extern PendingErrorRecord PendingError;

// A copy kept while an operation must not disturb the pending error (writing a log entry).
struct PendingErrorSaved {
  bool abort = false;
  AlertRequest request;
};

// Sets the pending error (beep count 1) unless one is pending already, and raises the abort
// flag either way. True when this call set the record: only then may the caller fill in texts,
// buttons and the owner window.
bool PendingErrorSet(int32_t code);
// Message 600 without a beep. Never allocates.
bool PendingErrorOutOfMemory();
bool PendingErrorResource();  // 601
bool PendingErrorCancel();    // -1: the user cancelled
void PendingErrorClear();
// Moves the flag and the record into the copy and clears; Restore puts both back.
void PendingErrorSave(PendingErrorSaved* copy);
void PendingErrorRestore(const PendingErrorSaved* copy);
// Shows the pending error once through the top handler and clears it. A cancel is dropped
// silently; out of memory is shown at most once per 3 seconds; an error raised while the alert
// of a report is open is dropped.
void PendingErrorReport();

inline bool AbortRequested() { return PendingError.abort.load(std::memory_order_relaxed); }
