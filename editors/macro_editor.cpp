#include "editors/macro_editor.h"

#include <algorithm>
#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/macros.h"
#include "database/protection.h"
#include "editors/editor_menus.h"
#include "editors/editor_questions.h"
#include "ui/button.h"
#include "ui/dialog_base.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kTextMacro = 7100;
constexpr int32_t kTextName = 7101;
constexpr int32_t kTextSteps = 7102;
constexpr int32_t kTextMenuFlag = 7103;
constexpr int32_t kTextStartFlag = 7104;
constexpr int32_t kTextPasswordFlag = 7105;
constexpr int32_t kTextExecute = 2555;
constexpr int32_t kCommandDeleteMacro = 2541;
constexpr int32_t kChangeMacroChanged = kChangeMacroRenamed + 1;
constexpr int32_t kChangeMacroDeleted = kChangeMacroRenamed + 3;

constexpr RECT kRect{0, 0, T_MacroEditor::kWidth, T_MacroEditor::kHeight};
constexpr int32_t kNameLeft = 50;
constexpr int32_t kTextLeft = 8;
constexpr int32_t kTextTop = 53;
// Below the text field: the three checkboxes.
constexpr int32_t kFlagsHeight = 69;

T_Text* Caption(T_HWindow* window, const XYWH& rect, int32_t textId) {
  auto* caption = new T_Text(window, rect, false);
  caption->SetTextId(textId);
  EventHandler_Open(caption);
  return caption;
}

bool SameText(const char* a, const char* b) {
  return std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "") == 0;
}

}  // namespace

int32_t MacroNameFieldWidth(int32_t w) {
  if (w < 220) return 260;
  if (w < 300) return w + 40;
  if (w < 380) return w / 2 + 190;
  return w <= 450 ? w : 450;
}

int32_t MacroTextFieldHeight(const char* text) {
  // Courier at its size and two pixels of leading; the edit's frame and margins above and below.
  constexpr int32_t kLineHeight = 13;
  constexpr int32_t kMargins = 6;
  int64_t lines = 1;
  for (const char* c = text != nullptr ? text : ""; *c != 0; ++c) {
    if (*c == '\r' || (*c == '\n' && (c == text || c[-1] != '\r'))) ++lines;
  }
  int64_t height = lines * kLineHeight + kMargins;
  return static_cast<int32_t>(std::clamp<int64_t>(height, 60, 800));
}

T_MacroEditor::T_MacroEditor(T_Base* database, Macro* macro)
    : T_HWindow(kKindDocument, kWindowMacro, &kRect, 0, database, 0), macro(macro) {
  if (macro != nullptr) {
    SetTitleCopy(macro->name != nullptr ? macro->name : "");
  } else {
    SetTitleId(kTextMacro);
  }
  // The caption stops short of the field it labels: drawn over it, it would hide its first
  // characters.
  Caption(this, XYWH{6, 15, 42, 12}, kTextName);
  nameField = new T_Edit(this, XYWH{kNameLeft, 15, 170, 12}, kMacroNameId, true, false);
  if (macro != nullptr) nameField->SetBlockText(macro->name);
  EventHandler_Open(nameField);
  Caption(this, XYWH{6, 36, 94, 12}, kTextSteps);
  textField = new T_Edit(this, XYWH{kTextLeft, kTextTop, 364, 168}, kMacroTextId, true, false);
  textField->SetTextStyle(&TextStyleFixed);
  textField->enterMode = kEnterNewLine;
  if (macro != nullptr) textField->SetBlockText(macro->text);
  EventHandler_Open(textField);
  executeButton = new T_Button(this, XYWH{280, 11, 80, 20}, kMacroExecuteId);
  executeButton->SetTitleId(kTextExecute);
  executeButton->SetDefault(true);
  menuFlag = Dialog_AddCheckbox(this, XYWH{10, 233, 240, 14}, kMacroMenuFlagId, kTextMenuFlag,
                                macro != nullptr && macro->inExecuteMenu);
  startFlag = Dialog_AddCheckbox(this, XYWH{10, 250, 240, 14}, kMacroStartFlagId, kTextStartFlag,
                                 macro != nullptr && macro->runAtOpen);
  passwordFlag = Dialog_AddCheckbox(this, XYWH{10, 267, 240, 14}, kMacroPasswordFlagId,
                                    kTextPasswordFlag, macro != nullptr && macro->passwordRequired);
  EventHandler_Open(this);
}

void T_MacroEditor::Notify(int32_t code) {
  T_HWindow::Notify(code);
  if (code == kNotifyLanguage) GrafElement_Invalidate(this, kPaintChildren);
}

void T_MacroEditor::OnChange(const ChangeNote* note) {
  T_HWindow::OnChange(note);
  // The macro is going: the editor goes on as the editor of a new one.
  if (note->code == kChangeMacroDeleted && note->object == macro && macro != nullptr)
    macro = nullptr;
}

void T_MacroEditor::OnButton(T_GrafElement* button) {
  if (button == executeButton) {
    Execute();
    return;
  }
  T_HWindow::OnButton(button);
}

void T_MacroEditor::OnResized(int32_t dw, int32_t dh) {
  T_HWindow::OnResized(dw, dh);
  nameField->MoveToRect(kNameLeft, nameField->y, MacroNameFieldWidth(width), nameField->height);
  textField->MoveToRect(kTextLeft, kTextTop, width - 2 * kTextLeft,
                        height - kTextTop - kFlagsHeight);
  for (T_Checkbox* box : {menuFlag, startFlag, passwordFlag})
    box->MoveToRect(box->x, box->y + dh, box->width, box->height);
}

void T_MacroEditor::GetPreferredSize(POINT* size) {
  T_TextBuf text;
  textField->GetText(&text);
  size->x = width;
  size->y = height - textField->height + MacroTextFieldHeight(text.c_str());
}

void T_MacroEditor::UpdateCommands() {
  T_HWindow::UpdateCommands();
  if (macro != nullptr) EnableTaggedCommand(kCommandDeleteMacro, 0);
}

bool T_MacroEditor::DoCommand(int32_t command) {
  if (command == kCommandDeleteMacro && macro != nullptr) {
    DeleteMacroOfEditor(this);
    return true;
  }
  return T_HWindow::DoCommand(command);
}

void T_MacroEditor::Execute() {
  textField->CommitText();
  T_TextBuf text;
  textField->GetText(&text);
  if (text.empty()) return;
  database->RunCommandText(text.c_str(), Title());
}

void T_MacroEditor::UniqueName(T_TextBuf* name) {
  EditorUniqueName(name, nameField, this, macro == nullptr, kTextMacro, [this](const char* text) {
    Macro* other = database->FindMacro(text);
    return other != nullptr && other != macro;
  });
}

bool T_MacroEditor::Save() {
  T_TextBuf name;
  UniqueName(&name);
  textField->CommitText();
  T_TextBuf text;
  textField->GetText(&text);
  uint8_t flags[3] = {menuFlag->checked, startFlag->checked, passwordFlag->checked};
  bool nameChanged = false;
  bool contentChanged = false;
  if (macro != nullptr) {
    nameChanged = !SameText(macro->name, name.c_str());
    contentChanged = !SameText(macro->text, text.c_str()) || macro->inExecuteMenu != flags[0] ||
                     macro->runAtOpen != flags[1] || macro->passwordRequired != flags[2];
    if (!nameChanged && !contentChanged) return true;
  } else if (text.empty()) {
    return true;
  }
  int32_t answer = AskSaveQuestion(this, name.c_str(), macro != nullptr);
  if (answer == kButtonDontChange || answer == kButtonDontAdd) return true;
  if (answer != kButtonChange && answer != kButtonAdd) return false;
  if (answer == kButtonAdd && macro != nullptr) {
    // Saved as a new macro beside the one edited, under a name of its own.
    macro = nullptr;
    UniqueName(&name);
  }
  if (macro == nullptr) {
    macro = MacroCreate(database, name.c_str());
    if (macro == nullptr) {
      PendingErrorReport();
      return false;
    }
    contentChanged = true;
  } else if (nameChanged) {
    macro->SetName(name.c_str());
  }
  if (contentChanged) {
    macro->SetText(text.c_str());
    macro->inExecuteMenu = flags[0];
    macro->runAtOpen = flags[1];
    macro->passwordRequired = flags[2];
    ChangeNote note;
    note.code = kChangeMacroChanged;
    note.database = database;
    note.object = macro;
    NotifyChange(database, &note);
  }
  database->SetModified(true);
  return true;
}

bool T_MacroEditor::QueryClose(int32_t code) {
  if (code != kCloseWithoutSaving && !Save()) return false;
  return T_HWindow::QueryClose(code);
}

T_MacroEditor* OpenMacroEditor(T_Base* database, Macro* macro) {
  if (database == nullptr) return nullptr;
  for (T_HWindow* window = WindowListFirst(); window != nullptr; window = window->nextWindow) {
    if (window->windowKind == kWindowMacro && window->database == database &&
        static_cast<T_MacroEditor*>(window)->macro == macro && macro != nullptr) {
      window->BringToFront();
      return static_cast<T_MacroEditor*>(window);
    }
  }
  if (!MemCanAlloc(kEditorReserve)) return nullptr;
  if (macro != nullptr && macro->passwordRequired && !AskPasswordToShow(database->protection)) {
    PendingErrorReport();
    return nullptr;
  }
  return new T_MacroEditor(database, macro);
}

bool DeleteMacroOfEditor(T_Window* window) {
  auto* editor = dynamic_cast<T_MacroEditor*>(window);
  if (editor == nullptr || editor->macro == nullptr) return false;
  Macro* macro = editor->macro;
  if (!ConfirmDeleteAndClose(editor)) return false;
  MacroDelete(macro);
  return true;
}
