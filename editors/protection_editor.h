#pragma once
// T_PwEditor: the window in which a database's password is set (window kind 14). It edits the
// password in a hidden field ("Show clear text" shows it) and asks before it changes the
// database's password on closing.
//
// Layout (pixels): "Password:" 6, 12 to 73, 24; the edit 80, 12, 120 by 12; "Show clear text"
// 80, 32, 120 by 14; the window 470 wide.
//
// User-interface thread only.
#include <cstdint>

#include "ui/document_window.h"

class T_Base;
class T_Checkbox;
class T_Edit;

// Item ids.
constexpr uint32_t kPwEditorEditId = 1;
constexpr uint32_t kPwEditorClearTextId = 2;

class T_PwEditor : public T_HWindow {
 public:
  static constexpr int32_t kWidth = 470;
  static constexpr int32_t kHeight = 60;

  // Built and opened, the edit filled with the current password (the clear copy is wiped).
  explicit T_PwEditor(T_Base* database);

  void Notify(int32_t code) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  // Close code 3 closes at once. Otherwise a password that differs from the database's (exact
  // comparison) asks 3203: "Change" sets it and sends code 9, "Cancel" keeps the window,
  // "Don't Change" closes unchanged.
  bool QueryClose(int32_t code) override;

  // "Protection for "@0"" with the database file's name.
  void MakeTitle();

  T_Edit* edit = nullptr;
  T_Checkbox* clearText = nullptr;
};

// Brings the database's protection window forward, or opens one when 16384 bytes are free and
// the password prompt passes (a wrong password is reported as 3814); null when none opened.
T_PwEditor* OpenProtectionEditor(T_Base* database);
