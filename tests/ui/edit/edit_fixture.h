#pragma once
// An active application with a hidden frame, its standard menus and one active document window
// that records what its edit fields report; keys and characters go to the field's native control
// as messages, as they come from the keyboard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/memory.h"
#include "tests/ui/hidden_frame.h"
#include "ui/application.h"
#include "ui/clipboard_data.h"
#include "ui/edit_field.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/window.h"

class T_EditTestWindow : public T_Window {
 public:
  explicit T_EditTestWindow(const RECT* rect) : T_Window(kKindDocument, rect, 512, nullptr, true) {}
  void OnEditEvent(T_GrafElement*, int32_t code) override { codes.push_back(code); }
  void OnEditText(T_TextBuf* text, T_GrafElement*) override {
    offered.push_back(text->data);
    if (rewrite) TextBufAssign(text, rewrite);
  }
  std::vector<int32_t> codes;
  std::vector<std::string> offered;
  const char* rewrite = nullptr;
};

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::PrepareHiddenFrame();
    app = new T_Application(true);
    RECT rect{20, 20, 400, 300};
    window = new T_EditTestWindow(&rect);
    field = new T_Edit(window, XYWH{20, 20, 200, 16}, 1, true, true);
    EventHandler_SetActive(app, true);
    ASSERT_TRUE(window->active);
  }
  void TearDown() override {
    SetKeys(false);
    delete app;
    SetMenuOperations(nullptr);
    SetItemLookClass(-1);
    PendingErrorClear();
  }

  // Gives the field the focus: it edits in its control from then on.
  void Focus(T_Edit* target) {
    Item_TakeFocus(target);
    ASSERT_TRUE(target->editing);
    ASSERT_NE(target->overlay.control, nullptr);
  }
  void Focus() { Focus(field); }
  HWND Control() { return field->overlay.control; }
  void Type(const char* text) {
    for (const char* p = text; *p; ++p)
      SendMessageW(Control(), WM_CHAR, static_cast<unsigned char>(*p), 1);
  }
  void Key(UINT key, bool extended = false) {
    SendMessageW(Control(), WM_KEYDOWN, key, extended ? (1 | (1 << 24)) : 1);
  }
  void Backspace() {
    Key(VK_BACK);
    SendMessageW(Control(), WM_CHAR, '\b', 1);
  }
  // Holds or releases Control for the keys that follow.
  static void SetKeys(bool control) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(state);
  }
  std::string Text() {
    T_TextBuf text;
    field->GetText(&text);
    return text.data;
  }
  std::pair<int32_t, int32_t> Selection() { return {field->GetSelStart(), field->GetSelLength()}; }
  static std::string ClipboardText() {
    char* text = ClipboardReadText();
    std::string result = text ? text : "";
    MemFree(text);
    return result;
  }

  T_Application* app = nullptr;
  T_EditTestWindow* window = nullptr;
  T_Edit* field = nullptr;
};
