#include "editors/web_user_editor.h"

#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/protection.h"
#include "database/web_users.h"
#include "editors/editor_menus.h"
#include "editors/editor_questions.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_data.h"
#include "ui/clipboard_stream.h"
#include "ui/dialog_base.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/list_box.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"

namespace {

constexpr int32_t kTextHeading = 7211;
constexpr int32_t kTextLogin = 7212;
constexpr int32_t kTextShibboleth = 7213;
constexpr int32_t kTextContent = 7214;
constexpr int32_t kTextTitle = 7218;
constexpr int32_t kTextPreferences = 2802;
constexpr int32_t kTextLanguage = 2803;
constexpr int32_t kTextFormat = 2804;
constexpr int32_t kTextUsername = 2808;
constexpr int32_t kTextPassword = 2809;
constexpr int32_t kTextSubset = 3135;
constexpr int32_t kTextTemplates = 2801;
constexpr int32_t kTextShow = 3109;
constexpr int32_t kTextFlags[4] = {2542, 2547, 7219, 7226};
constexpr int32_t kTextWebUser = 7217;
constexpr int32_t kTextWebUsers = 2508;
constexpr int32_t kTextNewTagged = 2520;  // New @0

// The choosers' items: "-" (unset), a separator, then these languages.
constexpr int32_t kOfferedLanguages[3] = {0, 12, 5};
constexpr int32_t kChooserItems = 5;

constexpr RECT kRect{0, 0, T_WebUserEditor::kWidth, T_WebUserEditor::kHeight};

int32_t LanguageOfItem(int64_t item) { return item >= 2 ? kOfferedLanguages[item - 2] : -1; }

int64_t ItemOfLanguage(int32_t language) {
  for (int64_t i = 0; i < 3; ++i) {
    if (kOfferedLanguages[i] == language) return i + 2;
  }
  return 0;
}

void Label(T_EventHandler* parent, const XYWH& rect, int32_t textId) {
  auto* label = new T_Text(parent, rect, false);
  label->SetTextId(textId);
  EventHandler_Open(label);
}

T_Edit* Field(T_EventHandler* parent, const XYWH& rect, uint32_t id) {
  auto* field = new T_Edit(parent, rect, id, true, false);
  EventHandler_Open(field);
  return field;
}

T_Chooser* LanguageChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t textId) {
  auto* chooser = new T_Chooser(parent, rect, id, kChooserItems, 0, false);
  chooser->SetTitleId(textId);
  chooser->SetTitleWidth(70);
  EventHandler_Open(chooser);
  return chooser;
}

// The field's text with control characters removed and blanks trimmed.
void CleanText(T_Edit* field, T_TextBuf* text) {
  field->CommitText();
  field->GetText(text);
  CleanEditorText(text);
}

bool SameText(const char* a, const char* b) {
  return std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "") == 0;
}

void StoreText(char** holder, const T_TextBuf* text) {
  BlockTextFree(holder);
  BlockTextAssign(holder, text->c_str());
}

}  // namespace

T_WebUserEditor::T_WebUserEditor(T_Base* database)
    : T_HWindow(kKindDocument, kWindowWebUsers, &kRect, 0, database, 0) {
  working = WebUserListCreate(database);
  if (working != nullptr) {
    WebUserListCopy(working, database->webUsers);
    if (WebUserCount(working) == 0) WebUserAdd(working);
  }
  MakeTitle();
  Label(this, XYWH{5, 5, 300, 14}, kTextHeading);
  list = new T_Linebox(this, XYWH{5, 31, 105, 240}, kWebUserListId, 15, false);
  EventHandler_Open(list);

  frames[0] = Dialog_AddFrame(this, XYWH{125, 31, 385, 62}, 0, kTextLogin);
  Label(frames[0], XYWH{8, 6, 80, 12}, kTextUsername);
  nameField = Field(frames[0], XYWH{90, 6, 150, 12}, kWebUserNameId);
  Label(frames[0], XYWH{8, 24, 80, 12}, kTextPassword);
  passwordField = Field(frames[0], XYWH{90, 24, 150, 12}, kWebUserPasswordId);
  shibboleth = Dialog_AddCheckbox(frames[0], XYWH{90, 42, 260, 14}, kWebUserShibbolethId,
                                  kTextShibboleth, false);

  frames[1] = Dialog_AddFrame(this, XYWH{125, 111, 385, 44}, 0, kTextPreferences);
  language = LanguageChooser(frames[1], XYWH{8, 4, 200, 15}, kWebUserLanguageId, kTextLanguage);
  format = LanguageChooser(frames[1], XYWH{8, 24, 200, 15}, kWebUserFormatId, kTextFormat);

  frames[2] = Dialog_AddFrame(this, XYWH{125, 173, 385, 96}, 0, kTextContent);
  Label(frames[2], XYWH{8, 6, 80, 12}, kTextSubset);
  subsetField = Field(frames[2], XYWH{90, 6, 280, 12}, kWebUserSubsetId);
  Label(frames[2], XYWH{8, 24, 80, 12}, kTextTemplates);
  templatesField = Field(frames[2], XYWH{90, 24, 280, 12}, kWebUserTemplatesId);
  Label(frames[2], XYWH{8, 42, 80, 12}, kTextShow);
  for (int32_t i = 0; i < 4; ++i) {
    flags[i] = Dialog_AddCheckbox(frames[2], XYWH{90 + (i % 2) * 140, 42 + (i / 2) * 18, 135, 14},
                                  kWebUserInfoId + i, kTextFlags[i], false);
  }
  EventHandler_Open(this);
  list->ReloadLines();
  if (list->LineCount() > 0) list->SelectOnly(0);
  ShowSelection();
}

T_WebUserEditor::~T_WebUserEditor() { WebUserListFree(working); }

void T_WebUserEditor::MakeTitle() {
  T_TextBuf name;
  if (database->path != nullptr) PathGetName(database->path->c_str(), &name);
  T_TextBuf title(GetString(kTextTitle));
  TextBufFillParam(&title, 0, name.c_str());
  SetTitleBuf(&title);
}

void T_WebUserEditor::Notify(int32_t code) {
  T_HWindow::Notify(code);
  if (code == kNotifyLanguage) MakeTitle();
}

void T_WebUserEditor::OnChange(const ChangeNote* note) {
  T_HWindow::OnChange(note);
  if (working != nullptr) WebUserListOnChange(working, note);
}

WebUser* T_WebUserEditor::Shown() {
  if (working == nullptr || list->CountSelected() != 1 || list->current < 0 ||
      list->current >= WebUserCount(working))
    return nullptr;
  return WebUserAt(working, list->current);
}

void T_WebUserEditor::ShowSelection() {
  WebUser* user = Shown();
  nameField->SetBlockText(user ? user->name : nullptr);
  passwordField->SetBlockText(user ? user->password : nullptr);
  subsetField->SetBlockText(user ? user->subset : nullptr);
  templatesField->SetBlockText(user ? user->templates : nullptr);
  shibboleth->SetChecked(user && user->shibboleth);
  const uint8_t values[4] = {user ? user->databaseInfo : uint8_t{0},
                             user ? user->cards : uint8_t{0}, user ? user->cardNotes : uint8_t{0},
                             user ? user->drilling : uint8_t{0}};
  for (int32_t i = 0; i < 4; ++i) flags[i]->SetChecked(values[i] != 0);
  language->SetSelection(ItemOfLanguage(user ? user->language : -1), kSelectSilent);
  format->SetSelection(ItemOfLanguage(user ? user->format : -1), kSelectSilent);
  for (T_Frame* frame : frames) Item_SetEnabled(frame, user != nullptr);
}

void T_WebUserEditor::Reload(const char* select) {
  SortWebUsers(working);
  int64_t row = select != nullptr ? WebUserFind(working, select) : -1;
  list->ReloadLines();
  list->DeselectAll();
  if (row < 0 && WebUserCount(working) > 0) row = 0;
  if (row >= 0) {
    list->SelectOnly(row);
    list->ScrollToCurrent();
  }
  GrafElement_Invalidate(list, 0);
  ShowSelection();
}

void T_WebUserEditor::NewUser() {
  int64_t row = WebUserAdd(working);
  if (row < 0) {
    PendingErrorReport();
    return;
  }
  list->ReloadLines();
  list->SelectOnly(row);
  list->ScrollToCurrent();
  ShowSelection();
  Item_TakeFocus(nameField);
}

void T_WebUserEditor::EraseSelected() {
  int64_t first = -1;
  for (int64_t row = WebUserCount(working) - 1; row >= 0; --row) {
    if (!list->IsSelected(row)) continue;
    WebUserRemove(working, row);
    first = row;
  }
  if (first < 0) return;
  list->ReloadLines();
  list->DeselectAll();
  int64_t count = WebUserCount(working);
  if (count > 0) list->SelectOnly(first < count ? first : count - 1);
  ShowSelection();
}

void T_WebUserEditor::OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) {
  if (box != list || working == nullptr) {
    T_HWindow::OnLineboxEvent(box, record);
    return;
  }
  switch (record->code) {
    case kLineCount:
      record->count = WebUserCount(working);
      break;
    case kLineDraw: {
      const WebUser* user = WebUserAt(working, record->index);
      RECT text = record->lineRect;
      text.left += 6;
      TextDrawLine(&text, user->name != nullptr ? user->name : "-", nullptr);
      break;
    }
    case kLineSelected:
      ShowSelection();
      break;
    default:
      T_HWindow::OnLineboxEvent(box, record);
  }
}

void T_WebUserEditor::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != language && chooser != format) {
    T_HWindow::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    if (record->index == 0) ChooserEvent_SetText(record, "-");
    if (record->index == 1) record->plain = 0;  // the separator
    if (record->index >= 2)
      ChooserEvent_SetText(record, LanguageName(LanguageOfItem(record->index)));
  } else if (record->code == kChooserChosen) {
    if (WebUser* user = Shown())
      (chooser == language ? user->language : user->format) = LanguageOfItem(record->index);
  }
}

void T_WebUserEditor::OnEditEvent(T_GrafElement* field, int32_t code) {
  T_HWindow::OnEditEvent(field, code);
  WebUser* user = Shown();
  if (code != kEditCommit || user == nullptr) return;
  T_TextBuf text;
  if (field == nameField) {
    CleanText(nameField, &text);
    int64_t other = WebUserFind(working, text.c_str());
    if (other >= 0 && other != list->current && !text.empty()) {
      // Another user has the name: the field falls back to the shown user's own.
      nameField->SetBlockText(user->name);
      return;
    }
    if (SameText(user->name, text.c_str())) return;
    StoreText(&user->name, &text);
    // An emptied name drops the user in the sort: a new empty one takes its place.
    Reload(text.c_str());
    if (text.empty()) NewUser();
  } else if (field == passwordField) {
    CleanText(passwordField, &text);
    StoreText(&user->password, &text);
    TextBufWipe(&text);
  } else if (field == templatesField) {
    CleanText(templatesField, &text);
    StoreText(&user->templates, &text);
  } else if (field == subsetField) {
    CleanText(subsetField, &text);
    StoreText(&user->subset, &text);
  }
}

void T_WebUserEditor::OnCheckbox(T_GrafElement* checkbox) {
  WebUser* user = Shown();
  if (user == nullptr) {
    T_HWindow::OnCheckbox(checkbox);
    return;
  }
  if (checkbox == shibboleth) {
    user->shibboleth = shibboleth->checked;
    return;
  }
  uint8_t* fields[4] = {&user->databaseInfo, &user->cards, &user->cardNotes, &user->drilling};
  for (int32_t i = 0; i < 4; ++i) {
    if (checkbox == flags[i]) {
      *fields[i] = flags[i]->checked;
      return;
    }
  }
  T_HWindow::OnCheckbox(checkbox);
}

void T_WebUserEditor::WriteSelected(T_OStream* stream) {
  int64_t count = WebUserCount(working);
  auto* chosen = static_cast<uint8_t*>(MemAlloc(count > 0 ? count : 1, 0));
  if (chosen == nullptr) return;
  for (int64_t row = 0; row < count; ++row) chosen[row] = list->IsSelected(row) ? 1 : 0;
  WriteWebUsersText(working, stream, chosen);
  MemFree(chosen);
}

void T_WebUserEditor::ReadPasted(T_IStream* stream) {
  // The first line is the "## WebUsers" tag line.
  if (!stream->NextLine()) return;
  ReadWebUsers(working, stream, true);
  Reload(nullptr);
}

void T_WebUserEditor::UpdateCommands() {
  T_HWindow::UpdateCommands();
  bool listFocus = focusedItem == nullptr || focusedItem == list;
  int64_t selected = list->CountSelected();
  int32_t label = selected == 1 ? kTextWebUser : kTextWebUsers;
  if (listFocus && selected > 0) {
    for (int32_t command : {kCommandCut, kCommandCopy, kCommandErase, kCommandDuplicate})
      EnableTaggedCommand(command, label);
  }
  if (listFocus && selected < list->LineCount()) EnableTaggedCommand(kCommandSelectAll, 0);
  EnableTaggedCommand(kCommandPaste, kTextWebUsers);
  EnableTaggedCommand(kCommandNew, kTextWebUser);
  SetPatternCommandTitle(kCommandImportEntry, kPatternImport, kTextWebUsers);
  EnableTaggedCommand(kCommandImportEntry, 0);
  SetPatternCommandTitle(kCommandExportEntry, kPatternExport, kTextWebUsers);
  if (working != nullptr && WebUserCount(working) > 0)
    EnableTaggedCommand(kCommandExportEntry, 0);
}

void T_WebUserEditor::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->owner != list || record->selector != 0) {
    T_HWindow::ContextMenu(record, phase);
    return;
  }
  static constexpr struct {
    uint16_t id;
    int32_t command;
  } kEntries[] = {{kEditMenuCut, kCommandCut},         {kEditMenuCopy, kCommandCopy},
                  {kEditMenuPaste, kCommandPaste},     {kEditMenuErase, kCommandErase},
                  {kEditMenuDuplicate, kCommandDuplicate}, {kEditMenuSelectAll, kCommandSelectAll}};
  if (phase == kMenuPhaseList) {
    int64_t selected = list->CountSelected();
    PopupMenu_AddCommand(&record->commands, kTextNewTagged, false);
    bool first = true;
    for (const auto& entry : kEntries) {
      bool offered = entry.command == kCommandPaste       ? ClipboardDataKind() != 0
                     : entry.command == kCommandSelectAll ? selected < list->LineCount()
                                                          : selected > 0;
      if (!offered) continue;
      PopupMenu_AddCommand(&record->commands, entry.id, first);
      first = false;
    }
    return;
  }
  if (phase == kMenuPhaseRun) {
    // The list's own menu acts on the list, wherever the focus stands.
    Window_DropFocus(this);
    if (record->entry == kTextNewTagged) {
      NewUser();
      return;
    }
    for (const auto& entry : kEntries) {
      if (record->entry == entry.id) {
        DoCommand(entry.command);
        return;
      }
    }
  }
  T_HWindow::ContextMenu(record, phase);
}

bool T_WebUserEditor::DoCommand(int32_t command) {
  bool listFocus = focusedItem == nullptr || focusedItem == list;
  bool selected = list->CountSelected() > 0;
  if (command == kCommandPaste) {
    T_IStreamClip clip;
    clip.WipeWhenFreed();
    ReadPasted(&clip);
    return true;
  }
  if (command == kCommandNew) {
    NewUser();
    return true;
  }
  if (command == kCommandImportEntry) {
    ImportFile(nullptr);
    return true;
  }
  if (command == kCommandExportEntry) {
    Export(nullptr, 0);
    return true;
  }
  if (!listFocus) return T_HWindow::DoCommand(command);
  switch (command) {
    case kCommandCopy:
    case kCommandCut:
      if (!selected) break;
      {
        T_OStreamClip clip;
        clip.WipeWhenFreed();
        WriteSelected(&clip);
      }
      if (command == kCommandCut) EraseSelected();
      return true;
    case kCommandErase:
      if (!selected) break;
      EraseSelected();
      return true;
    case kCommandDuplicate: {
      if (!selected) break;
      // Both streams carry passwords: neither leaves them in freed memory.
      T_OStream copy;
      copy.WipeWhenFreed();
      WriteSelected(&copy);
      T_IStream in;
      in.WipeWhenFreed();
      in.CtorFromOStream(&copy);
      ReadPasted(&in);
      return true;
    }
    case kCommandSelectAll:
      list->SelectAll();
      ShowSelection();
      return true;
    default:
      break;
  }
  return T_HWindow::DoCommand(command);
}

void T_WebUserEditor::ImportFile(const char* path) {
  T_TextBuf chosen;
  if (!ImportPathOrAsk(path, &chosen)) return;
  if (!ImportWebUsers(working, chosen.c_str())) {
    PendingErrorReport();
    return;
  }
  Reload(nullptr);
}

void T_WebUserEditor::Export(const char* path, int32_t) {
  T_TextBuf chosen(path != nullptr ? path : "");
  if (path == nullptr) {
    TextBufAssign(&chosen, GetString(kTextWebUsers));
    TextBufAppend(&chosen, ".txt");
    if (!FileSaveDialog(&chosen, kFileKindTxt)) {
      PendingErrorClear();
      return;
    }
  }
  if (!ExportWebUsers(working, chosen.c_str())) PendingErrorReport();
}

bool T_WebUserEditor::QueryClose(int32_t code) {
  if (code == kCloseWithoutSaving || working == nullptr) return T_HWindow::QueryClose(code);
  Window_DropFocus(this);  // the field being edited commits its text
  if (!WebUserListEqual(working, database->webUsers)) {
    int32_t answer = AskEditorQuestion(this, kAskChange, Title(),
                                       {kButtonChange, kButtonCancel, kButtonDontChange}, 1);
    if (answer == kButtonChange) {
      WebUserListCopy(database->webUsers, working);
      SortWebUsers(database->webUsers);
      database->NotifyCode(kChangeWebUsers);
      database->SetModified(true);
    } else if (answer != kButtonDontChange) {
      return false;
    }
  }
  return T_HWindow::QueryClose(code);
}

T_WebUserEditor* OpenWebUsersEditor(T_Base* database) {
  if (database == nullptr || database->webUsers == nullptr) return nullptr;
  if (T_HWindow* open = FindWindowOfKind(kWindowWebUsers, database)) {
    open->BringToFront();
    return static_cast<T_WebUserEditor*>(open);
  }
  if (!MemCanAlloc(kEditorReserve)) return nullptr;
  if (!AskPasswordToShow(database->protection)) {
    PendingErrorReport();
    return nullptr;
  }
  return new T_WebUserEditor(database);
}
