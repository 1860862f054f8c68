#pragma once
// T_CardRepeat: the small dialog the card editor opens when a card is saved with "Repeat": how
// many cards to enter (the saved one included) and how far apart. The count field takes digits
// only; a count whose digits pass 32 bits is refused, and OK then does not close.
//
// User-interface thread only.
#include <cstdint>

#include "ui/dialog_base.h"

class T_CardEditor;
class T_Chooser;
class T_Edit;

class T_CardRepeat : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 236;
  static constexpr int32_t kHeight = 96;
  static constexpr uint32_t kCountId = 1;
  static constexpr uint32_t kUnitId = 2;

  T_CardRepeat(T_Window* owner, int32_t unit, int32_t count);

  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnButton(T_GrafElement* button) override;

  // Takes the typed count: digits only, refused past 32 bits (false, the count stays).
  bool TakeCount(const char* text);

  int32_t unit;
  int32_t count;
  uint8_t cancelled = 0;
  uint8_t countRefused = 0;
  T_Edit* countField = nullptr;
  T_Chooser* unitChooser = nullptr;
};

// Runs the dialog over the editor; false when cancelled, else the unit and count chosen.
bool AskCardRepeat(T_CardEditor* editor, int32_t* unit, int32_t* count);
