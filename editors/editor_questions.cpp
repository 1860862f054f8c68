#include "editors/editor_questions.h"

#include "core/alert.h"

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
