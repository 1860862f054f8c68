#pragma once
// The toolkit's small dialogs and confirmations: choosing a tree level (T_ExpandDlg), the
// copying options (T_CopyOpts), and the questions before truncating a text, deleting an object
// and marking cards. The questions go through the alert handlers (core/alert.h) with the owner
// as the request's window, so they are answered by a dialog, a log or a test alike.
//
// User-interface thread only.
#include <cstdint>

#include "core/copy_table.h"
#include "core/text_buffer.h"
#include "ui/dialog_base.h"

class T_Chooser;

// Item ids of T_ExpandDlg and T_CopyOpts.
constexpr uint32_t kExpandLevelId = 1;
enum CopyOptsItem : uint32_t {
  kCopySeparatorsFrame = 1,
  kCopyDecimal = 2,
  kCopyThousands = 3,
  kCopyFieldSeparator = 4,
  kCopyQuote = 5,
  kCopyRowEnd = 6,
  kCopyExcludeQuotes = 7,
  kCopyIncludeFrame = 8,
  kCopyWindowTitle = 9,
  kCopyNotes = 10,
  kCopyDefinition = 11,
  kCopyColumnTitles = 12,
  kCopyDataRows = 13,
  kCopyOptionsFrame = 14,
  kCopySeparateColumns = 15,
};

class T_ExpandDlg : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 194;
  static constexpr int32_t kHeight = 77;
  // Levels first to last; level 1 is current, or the nearest listed level when 1 is not listed.
  T_ExpandDlg(T_Window* owner, int32_t lastLevel, int32_t firstLevel);

  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnButton(T_GrafElement* button) override;

  int32_t level = 1;  // -1 after Cancel
  int32_t firstLevel;
  T_Chooser* chooser = nullptr;
};

// The chosen level; -1 after Cancel, and at once (no dialog) when memory is short.
int32_t RunExpandDialog(T_Window* owner, int32_t lastLevel, int32_t firstLevel);

class T_CopyOpts : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 450;
  static constexpr int32_t kHeight = 215;
  static constexpr int32_t kDataRowChoices = 6;
  // Works on a copy of the current copy-table settings.
  T_CopyOpts();

  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // OK makes the copy current and saves it to the preferences; Cancel changes nothing.
  void OnButton(T_GrafElement* button) override;

  CopyTableSettings working;
};

// Runs the copying options; nothing when memory is short.
void RunCopyOptions();

// True when the text fits the limit. Otherwise asks 2100 with the text's first bytes (the limit,
// at most 32, whole characters only) and the limit: Cancel gives false and leaves the text; any
// other answer truncates it to the limit (between characters) and gives true, so a true result
// always leaves a text that fits.
bool ConfirmTruncate(T_TextBuf* text, int32_t limit, T_Window* owner);
// Asks 610 with the file name of a link's target that would run as a program, buttons Yes and
// No; true only when Yes was chosen. Nobody there to answer means No, so nothing unattended ever
// starts the program.
bool ConfirmOpenProgram(T_Window* owner, const char* path);
// Asks 3208 with the text id's own text (its "@0" filled with the name), buttons Delete and
// Cancel; true when Delete was chosen. Nobody there to answer means Cancel.
bool ConfirmDelete(T_Window* owner, int32_t textId, const char* name);
// Asks 3625 (3626 for command 2532, approving) with the card count, buttons OK and Cancel; true
// on OK. Nobody there to answer means Cancel.
bool ConfirmMarkCards(T_Window* owner, int32_t command, int64_t cardCount);
