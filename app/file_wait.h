#pragma once
// T_FileWait: the small window that reports the progress of opening, importing, saving or
// closing a database file. The file operation creates it (often as a local object), it is the
// current progress window for as long as it lives, and it shows itself only when the operation
// lasts (ProgressEstimate::WantsShowing). The readers and writers of the database files reach the
// current one through the engine's progress seam (database/file_progress.h), which
// InstallFileProgressHooks fills.
//
//   kind  title          shows
//   0     "Opening @0"   section, time to go, bar, Cancel and Stop
//   1     "Importing @0" section, time to go, bar, Cancel and Stop
//   3     "Saving @0"    section and bar (46 pixels lower)
//   5     "Closing @0"   section and bar (46 pixels lower)
//
// Windows nest: one made while another is current opens 12 pixels right of and 16 below it, and
// the older one is current again when the newer goes. While a window lives the menu bar is
// disabled (when progress display is on) and the "Edit" menu stays disabled; both come back as
// they were.
//
// "Cancel" and "Stop" stop nothing themselves: they raise the abort flag that the reading loops
// test, Cancel also marking the database's read as failed (AbandonRead).
//
// User-interface thread only; the operation runs on that thread and keeps the window answering
// through the pump that every update ends with.
#include <cstdint>

#include "app/progress_estimate.h"
#include "core/text_buffer.h"
#include "database/file_progress.h"
#include "ui/window.h"

class T_Base;
class T_Button;

// Item ids of the buttons.
constexpr uint32_t kFileWaitCancelId = 1;
constexpr uint32_t kFileWaitStopId = 2;

class T_FileWait : public T_Window {
 public:
  // kind: kProgressOpening, kProgressImporting, kProgressSaving or kProgressClosing
  // (database/file_progress.h). Becomes the current progress window, hidden.
  T_FileWait(int32_t kind, T_Base* base, const char* path);
  ~T_FileWait() override;

  void UpdateCommands() override;
  // Always false: the window goes when its operation ends, never by a close of its own.
  bool QueryClose(int32_t code) override;
  void OnButton(T_GrafElement* button) override;
  void DrawContent() override;

  void Begin(int64_t totalBytes, bool compressed);
  void SetPosition(int64_t position);
  void ResetSteps(int64_t total);
  void ResetSteps();  // over the stored total
  void AddTotal(int64_t amount);
  void SetSteps(int64_t count);
  void AddSteps(int64_t count);
  void StepRefresh();
  // The status text becomes the database's name of the field code (a text id from 100 up).
  void SetStatus(int32_t code);

  // Whether the window shows the time to go and the buttons.
  bool ShowsTime() const { return kind == kProgressOpening || kind == kProgressImporting; }

  T_FileWait* previous;  // the current window when this one was made
  T_Base* database;
  T_TextBuf path;
  int32_t kind;
  ProgressEstimate estimate;
  RECT labelRect{15, 10, 100, 26};
  RECT statusRect{101, 10, 281, 26};
  int32_t statusCode = 0;
  T_TextBuf statusText;
  RECT remainingLabelRect{15, 27, 100, 43};
  RECT remainingRect{101, 27, 281, 43};
  RECT barRect{13, 33, 287, 45};
  T_Button* cancelButton = nullptr;
  T_Button* stopButton = nullptr;
  uint8_t savedMenuBarEnabled = 1;
  uint8_t savedEditEnabled = 1;

 private:
  void Apply(uint32_t changes);
  void ShowBar();
  void Pump();
};

// The current progress window; null when no file operation shows progress.
T_FileWait* CurrentFileWait();

// The window rectangle of a kind as left, top, width, height: 300 by 108 (62 for saving and
// closing) at (0, 0), which centres it; with another window current, 12 right of and 16 below it.
RECT ProgressRect(int32_t kind);

// Whether progress windows show themselves (and keep the menus disabled) at all: on for the
// program, off where nobody looks (a COM client or the web service runs the operation).
void SetProgressDisplay(bool on);
bool ProgressDisplay();

// Fills the engine's progress seam with the progress window: the file operations make and end
// windows through it and the readers and writers report to the current one. Without an
// application (headless) no window is made. Call at start-up; RemoveFileProgressHooks undoes it.
void InstallFileProgressHooks();
void RemoveFileProgressHooks();
