#pragma once
// T_MacroEditor: the window in which one macro is edited (window kind 16): its name, its command
// text and its three flags, with an "Execute" button that runs the edited text. It works on the
// fields and saves into the macro (or a new one) when it closes, after asking.
//
// Layout (pixels, window 380 by 290): "Name:" 6, 15 to 61, 27 with the name edit at 50, 15,
// 170 by 12; "Steps:" 6, 36 to 100, 48 with the text edit at 8, 53, 364 by 168 (fixed style);
// "Execute" (default button) 280, 11, 80 by 20; the checkboxes "Show in Execute Menu" (flag A)
// at 10, 233, 240 by 14, "Execute when opening the database" (flag S) and "Password required
// for this window" (flag P) 17 and 34 pixels lower.
//
// User-interface thread only.
#include <cstdint>

#include "ui/document_window.h"

class T_Base;
class T_Button;
class T_Checkbox;
class T_Edit;
struct Macro;
struct T_TextBuf;

// Item ids.
constexpr uint32_t kMacroNameId = 1;
constexpr uint32_t kMacroTextId = 2;
constexpr uint32_t kMacroExecuteId = 3;
constexpr uint32_t kMacroMenuFlagId = 4;
constexpr uint32_t kMacroStartFlagId = 5;
constexpr uint32_t kMacroPasswordFlagId = 6;

class T_MacroEditor : public T_HWindow {
 public:
  static constexpr int32_t kWidth = 380;
  static constexpr int32_t kHeight = 290;

  // Built and opened on the macro, or on a new one when macro is null.
  T_MacroEditor(T_Base* database, Macro* macro);

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void OnButton(T_GrafElement* button) override;
  void OnResized(int32_t dw, int32_t dh) override;
  // The height at which the text field shows its contents (MacroTextFieldHeight).
  void GetPreferredSize(POINT* size) override;
  // "Delete Macro" for a stored macro.
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  // Close code 3 closes without saving; any other close saves first (Save), and a refused save
  // keeps the window open.
  bool QueryClose(int32_t code) override;

  // The steps of saving: the unique name, what changed, the question, the change. False when
  // the window is to stay open (Cancel).
  bool Save();
  // The name the macro would be saved under: the name field (cleaned), or the title for a new
  // macro with an empty field; "Macro" for empty; its number raised while another macro of the
  // database has it.
  void UniqueName(T_TextBuf* name);
  // Runs the edited text (not the stored one) under the window's title; no recursion guard.
  void Execute();

  Macro* macro;  // null for a new macro
  T_Edit* nameField = nullptr;
  T_Edit* textField = nullptr;
  T_Button* executeButton = nullptr;
  T_Checkbox* menuFlag = nullptr;
  T_Checkbox* startFlag = nullptr;
  T_Checkbox* passwordFlag = nullptr;
};

// The name field's width for a window width.
int32_t MacroNameFieldWidth(int32_t windowWidth);
// The text field's height for a text (lines end with CR or LF): a line of the fixed style for
// each line and a margin, held between 60 and 800 pixels.
int32_t MacroTextFieldHeight(const char* text);
// Brings the macro's editor forward, or opens one (macro null: a new macro) when 16384 bytes are
// free and, for a macro with flag P, the password prompt passes. Null when none opened.
T_MacroEditor* OpenMacroEditor(T_Base* database, Macro* macro);
// The delete command on a macro editor: for an existing macro asks 3208 (Delete, Cancel); unless
// cancelled the editor closes without a question and the macro is deleted (note 57). Nothing for
// another window or a new macro. True when the macro was deleted.
bool DeleteMacroOfEditor(T_Window* window);
