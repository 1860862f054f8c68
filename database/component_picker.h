#pragma once
// The component picker: the cascading popup from which a selection field inserts a component.
// Each level lists the children of one component, the first level those of the dimension's root;
// the keys, the pointer and typing move a highlight and open and close levels, and the code of
// the deepest highlighted component is the choice.
//
// ComponentPicker is the model, without a window: the tests drive it directly. The popup shows it
// through the toolkit's popup windows and tracking (SelHook_PopupComponentMenu).
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/text_buffer.h"
#include "ui/text_style.h"

class T_Base;
class T_GrafElement;
struct InputEvent;

struct PickerItem {
  int64_t component;
  T_TextBuf shown;    // the display text, less the parent's code but its last character
  T_TextBuf display;  // the whole display text
  bool hasChildren;
};

struct PickerLevel {
  int64_t parent;
  std::vector<PickerItem> items;
  int32_t highlight = -1;
  int32_t first = 0;  // the first row shown
  int32_t rows = 0;   // rows shown at once
  RECT rect{};        // with the popup frame, in the owner's coordinates
};

class ComponentPicker {
 public:
  // Measures with the measurer; levels stay within the bounds; the first level's top left
  // corner is the anchor.
  ComponentPicker(T_Base* base, int32_t d, const TextMeasurer& measurer, const RECT& bounds,
                  POINT anchor);

  // Opens the first level, and when the component is one of the dimension's, the levels down to
  // it with it highlighted.
  void Open(int64_t component);

  int32_t LevelCount() const { return static_cast<int32_t>(levels_.size()); }
  const PickerLevel& Level(int32_t i) const { return levels_[i]; }
  int32_t RowHeight() const { return rowHeight_; }

  // Arrows: up and down move the deepest level's highlight (stopping at the ends), right opens
  // the highlighted item's level, left closes the deepest level. False for other keys.
  bool Key(uint16_t key);
  // A typed character: the first item of the deepest level whose shown text, or whose display
  // text up to its first blank, equals the typed text (letter case ignored) is highlighted.
  void Type(uint32_t unit);
  // The pointer over an item of any open level: it is highlighted, and the levels opened from
  // another item of its level close.
  void Point(int32_t level, int32_t item);
  // A click: as Point, and an item with children opens its level.
  void Click(int32_t level, int32_t item);
  // The level and item at a point of the owner's coordinates; false outside every item.
  bool HitTest(POINT point, int32_t* level, int32_t* item) const;
  // The code of the highlighted component of the deepest level that has one; empty for none.
  void Chosen(T_TextBuf* code) const;

 private:
  void OpenLevel(int64_t parent);
  void Highlight(int32_t level, int32_t item);
  void CloseBelow(int32_t level);

  T_Base* base_;
  int32_t d_;
  TextMeasurer measurer_;
  RECT bounds_;
  POINT anchor_;
  int32_t rowHeight_;
  std::vector<PickerLevel> levels_;
  T_TextBuf typed_;
};

// The toolkit's hook (SelectionOperations::popupComponentMenu): runs the picker under the owner
// field at the component and puts the chosen code into chosen, empty when cancelled or when
// nothing was highlighted.
void SelHook_PopupComponentMenu(T_TextBuf* chosen, T_Base* base, int32_t d, int32_t component,
                                POINT position, T_GrafElement* owner, const InputEvent* event);
