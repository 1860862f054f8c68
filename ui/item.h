#pragma once
// T_Item: the windowless control. Every standard control (frames, tab strips, texts, progress
// indicators, buttons, check boxes, choosers, selectors, slide bars, edit fields, list boxes)
// is an item: an element with a shape of its own, an id, an enabled state and the keyboard focus.
//
// Invariants:
//   1. The shape is a region in the item's own coordinates (origin = top-left of the content
//      rectangle); the item owns it from construction to destruction.
//   2. enabled == ownEnabled for an item standing directly in a window (or under an element that
//      is not an item); otherwise enabled == ownEnabled && the parent item's enabled. A change of
//      enabled is announced with Notify 4, which reaches the children as NotifyFromParent 4, so
//      disabling a frame disables its contents without touching their own flags.
//   3. An item's region is its shape, cut to the parent's content rectangle, less the shapes of
//      the visible siblings in front of it (earlier in the child list) and of its own visible
//      children. An operation that changes a shape marks the parent's region (and the item's)
//      stale; the parent's recomputation forces its children's.
//   4. At most one item of a window has its focus flag set, and it is the window's focused item.
//
// The window layer reaches items through ItemOperations (ui/window.h); the first item made
// installs them (ItemsInstall), keeping any edit-field hooks installed before.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/draw_primitives.h"
#include "ui/element.h"

struct InputEvent;

// Element kinds of the standard items (kKindButton is in ui/element.h).
constexpr uint32_t kKindProgress = 4;
constexpr uint32_t kKindFrame = 6;
constexpr uint32_t kKindTabStrip = 7;
constexpr uint32_t kKindText = 10;
constexpr uint32_t kKindEdit = 11;
constexpr uint32_t kKindCheckbox = 14;
constexpr uint32_t kKindChooser = 15;
constexpr uint32_t kKindSelector = 16;
constexpr uint32_t kKindSlidebar = 17;
constexpr uint32_t kKindListbox = 18;

// Item order modes (ItemCompareOrder): the low two bits choose the comparison, bit 4 reverses.
constexpr int32_t kOrderX = 0;         // left to right
constexpr int32_t kOrderY = 1;         // top to bottom
constexpr int32_t kOrderPosition = 2;  // top to bottom, then left to right, then by size
constexpr int32_t kOrderTab = 3;       // by id, equal ids by position
constexpr int32_t kOrderReverse = 4;

// Notify code 21: re-measure (slide bars).
constexpr int32_t kNotifyRemeasure = 21;

class T_Item : public T_GrafElement {
 public:
  // rect is {x, y, width, height} in the parent's content coordinates. The item is appended as
  // the parent's last child; it is not opened here (each control decides).
  T_Item(uint32_t kind, T_EventHandler* parent, const XYWH& rect, uint32_t id);
  ~T_Item() override;

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void GetMaxRect(RECT* rect) override;
  void Activate() override;
  void FocusNext(int32_t flags) override;
  void BringToFront() override;
  void ComputeRegion() override;
  void UpdateRegions(bool force) override;
  void OffsetRegion(int32_t dx, int32_t dy, int32_t dw, int32_t dh) override;
  void ClipToShape(HRGN region) override;
  void ClipToVisible(HRGN region) override;

  // Rebuilds the shape from the current size (the content rectangle by default).
  virtual void BuildShape();
  virtual bool AcceptsFocus();
  // A frame's arrow keys may make it its current item.
  virtual bool IsSelectable();
  virtual void SetHighlight(bool on);
  virtual void Press();

  HRGN shape = nullptr;
  uint32_t id;
  uint8_t enabled = 1;
  uint8_t ownEnabled = 1;
  uint8_t focus = 0;
};

// The element as an item, or null when it is none (the window, the application, other elements).
T_Item* AsItem(T_EventHandler* element);

void Item_SetEnabled(T_Item* item, bool on);
void Item_UpdateEnabled(T_Item* item);
// Sets or clears the focus flag, makes the item the window's focused item (or none), sends
// Notify 5 and, when the window is active, Notify 6.
void Item_SetFocus(T_Item* item, bool on);
// The window's focus moves to the item (the old holder is told first).
void Item_TakeFocus(T_Item* item);
// Visible, enabled, with a non-empty region, and AcceptsFocus agrees.
bool Item_CanTakeFocus(T_Item* item);
// Focus set, its window active and the application active (focus marks are drawn).
bool Item_ShowsFocus(const T_Item* item);
// Focus set and its window the front window.
bool Item_HasFocusInActiveWindow(const T_Item* item);
void Item_OnVisibilityChanged(T_Item* item);
// After a control's shape changed: rebuilds the shape and repaints what changed (old XOR new).
// Flag kPaintNow paints at once (only while the parent's region is valid).
void Item_Reshape(T_Item* item, int32_t flags);
// Repaints the item's shape (children included) with the invalidation flags of ui/window.h.
void Item_InvalidateShape(T_Item* item, int32_t flags);

// -1, 0 or +1: the sign of the order difference of b against a (positive: a comes first),
// negated with kOrderReverse. Elements that are not items count as id 0.
int32_t ItemCompareOrder(const T_GrafElement* a, const T_GrafElement* b, int32_t mode);
// The visible child that comes first in the order; null when there is none.
T_Item* Item_FirstInOrder(T_EventHandler* parent, int32_t mode);
// The nearest visible sibling that comes after the item in the order; null at the end. Among
// siblings equal in the order the one closest to the item wins.
T_Item* Item_NextInOrder(T_Item* item, int32_t mode);

// Installs the item hooks of the window layer; harmless to call again.
void ItemsInstall();

// --- Seams ------------------------------------------------------------------------------------

// The pointer during a tracked press: buttons, modifiers, time and the point in the element's
// coordinates. Tests replace it with a script; null restores the real mouse.
using ItemPointerSource = void (*)(T_GrafElement* element, InputEvent* event);
void SetItemPointerSource(ItemPointerSource source);
void Item_PollPointer(T_GrafElement* element, InputEvent* event);

// The Windows version class that chooses the controls' looks; tests may force one (-1: the
// system's).
int32_t ItemLookClass();
void SetItemLookClass(int32_t versionClass);
