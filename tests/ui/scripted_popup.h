#pragma once
// Scripted input for the popup tracking loops (SetPopupInputSource): each poll takes the next
// step of the script, and past its end the user presses Escape, so no test waits on a person.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "ui/event_record.h"
#include "ui/popup_menu.h"

namespace ui_test {

using PopupStep = std::function<void(PopupInput*)>;

inline std::vector<PopupStep>*& PopupScript() {
  static std::vector<PopupStep>* script = nullptr;
  return script;
}
inline size_t& PopupScriptAt() {
  static size_t at = 0;
  return at;
}

// Plays steps from the start (null: none, so the first poll presses Escape).
inline void SetPopupScript(std::vector<PopupStep>* steps) {
  PopupScript() = steps;
  PopupScriptAt() = 0;
}

inline void ScriptedPopupInput(T_GrafElement*, PopupInput* input) {
  input->applicationActive = 1;
  input->event.time += 10;
  std::vector<PopupStep>* script = PopupScript();
  if (script && PopupScriptAt() < script->size()) {
    (*script)[PopupScriptAt()++](input);
  } else {
    input->event.keyCode = kKeyEscape;
  }
}

inline PopupStep PopupKey(uint16_t code) {
  return [code](PopupInput* input) {
    input->event.leftButton = input->event.rightButton = input->event.anyButton = 0;
    input->event.keyCode = code;
  };
}

// Down as often as needed to reach the selectable entry (the last one when there are more
// downs than entries), then Enter.
inline std::vector<PopupStep> ChooseByKeys(int downs) {
  std::vector<PopupStep> steps(static_cast<size_t>(downs), PopupKey(kKeyDown));
  steps.push_back(PopupKey(kKeyEnter));
  return steps;
}

}  // namespace ui_test
