#include "database/file_questions.h"

#include "core/alert.h"
#include "database/base.h"

int32_t AskAboutFile(T_Base* base, int32_t message, const char* path,
                     std::initializer_list<int32_t> buttons, int32_t defaultIndex, int32_t beeps) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  request.beeps = beeps;
  request.owner = base != nullptr ? base->mainWindow : nullptr;
  AlertAddFileName(&request, path != nullptr ? path : "");
  for (int32_t id : buttons) AlertAddButton(&request, id);
  request.defaultAnswer = defaultIndex;
  const int32_t answer = ShowAlert(&request);
  return answer >= 0 && answer < request.buttonCount ? request.buttons[answer] : 0;
}
