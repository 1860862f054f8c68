#pragma once
// T_WebUserEditor: the window in which a database's web users are edited (window kind 13). It
// works on a copy of the list; closing asks before the copy replaces the database's users.
//
// Layout (pixels, window 520 by 275): the heading at 5, 5; the list of users at 5, 31, 105 by
// 240; on the right the frames "Login" (name 2, password 3, Shibboleth 4), "Preferences"
// (language 6, format 7: "-", a separator, English, Swedish, Finnish) and "Content" (subset 9,
// templates 10, "Database Info" 11, "Cards" 12, "Card Notes" 13, "Drilling" 14).
//
// User-interface thread only.
#include <cstdint>

#include "ui/document_window.h"

class T_Base;
class T_Checkbox;
class T_Chooser;
class T_Edit;
class T_Frame;
class T_IStream;
class T_Linebox;
class T_OStream;
struct WebUser;
struct WebUserList;

// Item ids.
constexpr uint32_t kWebUserListId = 1;
constexpr uint32_t kWebUserNameId = 2;
constexpr uint32_t kWebUserPasswordId = 3;
constexpr uint32_t kWebUserShibbolethId = 4;
constexpr uint32_t kWebUserLanguageId = 6;
constexpr uint32_t kWebUserFormatId = 7;
constexpr uint32_t kWebUserSubsetId = 9;
constexpr uint32_t kWebUserTemplatesId = 10;
constexpr uint32_t kWebUserInfoId = 11;
constexpr uint32_t kWebUserCardsId = 12;
constexpr uint32_t kWebUserNotesId = 13;
constexpr uint32_t kWebUserDrillingId = 14;

class T_WebUserEditor : public T_HWindow {
 public:
  static constexpr int32_t kWidth = 520;
  static constexpr int32_t kHeight = 275;

  // Built and opened on a copy of the database's named users (one empty user when it has none),
  // the first row selected.
  explicit T_WebUserEditor(T_Base* database);
  ~T_WebUserEditor() override;

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  // While the list has the focus or nothing has: Cut, Copy, Erase and Duplicate for the
  // selected users ("Web User" or "Web Users"), Select All; always Paste of "## WebUsers" text
  // and New.
  // The import and export entries read "Import web users" and "Export web users" ("Web Users"
  // in English); export only while the list has users.
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  // The list's menu: "New @0" and the edit commands that apply.
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  // Without a path: a file chosen in the open dialog (nothing when cancelled).
  void ImportFile(const char* path) override;
  // Without a path: a file chosen in the save dialog, which proposes "Web Users.txt".
  void Export(const char* path, int32_t flags) override;
  // Close code 3 closes at once; an unchanged copy closes; otherwise 3203 with "Change" (the
  // copy's named users replace the database's, code 10), "Cancel", "Don't Change".
  bool QueryClose(int32_t code) override;

  // The user of the one selected row, or null.
  WebUser* Shown();
  // Fills the frames from the selected user (or clears and disables them).
  void ShowSelection();
  // Sorts the copy, reloads the list and selects the named user (the first row for none).
  void Reload(const char* select);
  // A new empty user, selected, the focus in the name field.
  void NewUser();
  // Removes the selected users, last first, and selects the row at the first erased place.
  void EraseSelected();
  // The selected users as "## WebUsers" text.
  void WriteSelected(T_OStream* stream);
  // Reads "## WebUsers" text with the import flag (copies get names of their own) and selects
  // the first user read.
  void ReadPasted(T_IStream* stream);
  // "Web users for "@0"" with the database file's name.
  void MakeTitle();

  WebUserList* working = nullptr;
  T_Linebox* list = nullptr;
  T_Frame* frames[3] = {};
  T_Edit* nameField = nullptr;
  T_Edit* passwordField = nullptr;
  T_Edit* subsetField = nullptr;
  T_Edit* templatesField = nullptr;
  T_Checkbox* shibboleth = nullptr;
  T_Checkbox* flags[4] = {};  // database info, cards, card notes, drilling
  T_Chooser* language = nullptr;
  T_Chooser* format = nullptr;
};

// Brings the database's web-user editor forward, or opens one when 16384 bytes are free and the
// password prompt passes (a wrong password is reported as 3814). Null when none opened.
T_WebUserEditor* OpenWebUsersEditor(T_Base* database);
