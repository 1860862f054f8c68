#pragma once
// T_Button and T_Checkbox: the windowless push button and check box. Both draw one of three
// looks chosen by the Windows version class (ItemLookClass): class 1 and below, class 2, and
// class 3 and above.
//
// A pressed button reports OnButton (button) to its parent; a toggled check box reports
// OnCheckbox (checkbox) after its checked flag changed and the box was redrawn. Presses by mouse
// are tracked in a local polling loop (Item_PollPointer) while the button is held.
//
// User-interface thread only.
#include <cstdint>

#include "core/owned_text.h"
#include "ui/item.h"

constexpr uint16_t kKeySpace = 32;
constexpr uint32_t kArrowCursor = 32512;

class T_Button : public T_Item {
 public:
  // Opened at once; empty title, all flags clear.
  T_Button(T_EventHandler* parent, const XYWH& rect, uint32_t id);
  ~T_Button() override;

  void Notify(int32_t code) override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;
  void DrawFrame() override;
  void BuildShape() override;
  bool AcceptsFocus() override;

  // The title shows the caller's string, which must outlive the button.
  void SetTitleRef(const char* text);
  // The localized text of the id; 701 ("Cancel") also makes it the cancel button.
  void SetTitleId(int32_t textId);
  void SetTrailingDots(bool on);
  void SetDefault(bool on);
  void SetCancel(bool on);

  UiText title{};
  uint8_t isDefault = 0;  // pressed by Enter in its window
  uint8_t isCancel = 0;   // pressed by Escape
  uint8_t trailingDots = 0;
  uint8_t defaultSuppressed = 0;  // another button of the window has the focus
  uint8_t pressed = 0;
  uint8_t hover = 0;

 private:
  void TitleChanged();
  void LayoutTitle();
  void Paint();
};

// Shows the button pressed, waits until 160 ms after startTick (only while it is on screen),
// shows it released and fires it.
void Button_Press(T_Button* button, uint64_t startTick);
// Reports the press to the parent (OnButton) with the button's title as the current command.
void Button_Fire(T_Button* button);
// Enabled and either the window's default (not suppressed) or focused.
bool Button_IsHighlighted(const T_Button* button);

class T_Checkbox : public T_Item {
 public:
  T_Checkbox(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool open);
  ~T_Checkbox() override;

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;
  void DrawFrame() override;
  void BuildShape() override;
  bool AcceptsFocus() override;
  bool IsSelectable() override;
  void SetHighlight(bool on) override;
  void Press() override;

  void SetLabelRef(const char* text);
  void SetLabelId(int32_t textId);
  void SetLabelCopy(const char* text);
  void SetBitmap(int32_t pictureId);
  // Redraws the box when the state changes; returns the state.
  bool SetChecked(bool on);

  UiText label{};
  int32_t bitmap = 0;  // picture id shown in the label area, 0 none
  uint8_t checked = 0;
  uint8_t pressed = 0;
  uint8_t hover = 0;

 private:
  void Toggle();
  void RepaintBox();
  void RepaintLabel();
  void Paint();
};

// Geometry of a check box in its own coordinates for a look class.
RECT Checkbox_BoxRect(const T_Checkbox* box, int32_t lookClass);
RECT Checkbox_LabelRect(const T_Checkbox* box);
RECT Checkbox_FocusRect(const T_Checkbox* box);
