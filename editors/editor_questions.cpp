#include "editors/editor_questions.h"

#include "core/alert.h"
#include "core/cstring.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "ui/edit_field.h"
#include "ui/window.h"

int32_t AskEditorQuestion(T_Window* owner, int32_t message, const char* name,
                          std::initializer_list<int32_t> buttons, int32_t defaultIndex) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  request.owner = owner;
  AlertAddText(&request, name != nullptr ? name : "");
  for (int32_t id : buttons) AlertAddButton(&request, id);
  request.defaultAnswer = defaultIndex;
  int32_t answer = ShowAlert(&request);
  // Handlers answer with the index of the chosen button or with the button's id; the two never
  // overlap (indexes 0 to 4, ids from 700).
  if (answer >= 0 && answer < request.buttonCount && answer < kAlertMaxButtons)
    return request.buttons[answer];
  return answer;
}

int32_t AskSaveQuestion(T_Window* owner, const char* name, bool existing) {
  return existing ? AskEditorQuestion(owner, kAskChange, name,
                                      {kButtonChange, kButtonCancel, kButtonDontChange, kButtonAdd}, 1)
                  : AskEditorQuestion(owner, kAskAdd, name, {kButtonAdd, kButtonCancel, kButtonDontAdd}, 1);
}

void CleanEditorText(T_TextBuf* text) {
  TextBufSetLength(text, StrRemoveControls(text->data));
  TextBufTrim(text, ' ');
}

void EditorUniqueName(T_TextBuf* name, T_Edit* field, const T_Window* window, bool isNew,
                      int32_t defaultTextId, const std::function<bool(const char*)>& taken) {
  field->CommitText();
  field->GetText(name);
  CleanEditorText(name);
  if (name->empty() && isNew) TextBufAssign(name, window->Title());
  if (name->empty()) TextBufAssign(name, GetString(defaultTextId));
  while (taken(name->c_str())) BumpNameNumber(name);
}

bool ConfirmDeleteAndClose(T_Window* editor) {
  int32_t answer =
      AskEditorQuestion(editor, kAskDelete, editor->Title(), {kButtonDelete, kButtonCancel}, 1);
  if (answer == kButtonCancel) return false;
  return EventHandler_CloseAndDelete(editor, kCloseWithoutSaving);
}
