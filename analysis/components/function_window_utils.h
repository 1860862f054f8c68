#pragma once
// Pieces both function windows share: the method chooser, the colour chooser with its popup
// list, the drawing of colour list items, stacked labels, the formula editors' token stepping,
// and the value collection behind the Median method.
//
// Value collection invariants:
//   1. values[0, count) are the collected values, room the allocated length (32 at first, then
//      grown by 256 at a time);
//   2. sortedMark is -1 before the first ordering, 0 after the first median (only the middle
//      positions are in place), and otherwise the number of leading values in ascending order;
//   3. orderedCount is the count at the last ordering: while count equals it, the middle
//      positions already hold the median.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/chooser.h"

struct ContextMenuRecord;

// Test seam: answers true when the next variable or collection allocation is to fail as if
// memory ran out. Null (the default): allocations go to the allocator.
using FuncAllocFailHook = bool (*)();
void SetFuncAllocFailHook(FuncAllocFailHook hook);
bool FuncAllocFails();

// --- Value collection ------------------------------------------------------------------------------

struct ValueCollection {
  double* values = nullptr;  // MemAlloc block
  int32_t count = 0;
  int32_t room = 0;
  int32_t sortedMark = -1;
  int32_t orderedCount = 0;

  // Empty with room for 32 values; false (pending error 600) without memory.
  bool Init();
  void Free();
  // Count 0, never sorted; the room stays.
  void Clear();
  // False when the collection could not grow: the value is dropped and the pending error is 600,
  // so the calculation that uses it ends as failed.
  bool Append(double value);
  // Room for n values at least, grown in steps of 256 (false, pending error 600, without memory):
  // a list that will take many others grows once instead of once per list.
  bool Reserve(int64_t n);
  // The other's values, with one growth at most; on failure none is appended.
  bool AppendAll(const ValueCollection& other);
  // NaN for no values; the value for one; the mean of two; else the middle value of the ordered
  // values (the mean of the two middle ones for an even count). Orders no more than it must.
  double Median();
};

// --- Text routines ---------------------------------------------------------------------------------

// The length of the formula engine's function or operator token at the text (Expr_TokenLength),
// else 1 for one of "#!()", else 0.
int32_t FormulaTokenLength(const char* text);

// Draws the text (id) in the rectangle; a height other than 0 then moves its top down by it.
void DrawTextIdAdvance(RECT* rect, int32_t textId, int32_t height);
void DrawTextAdvance(RECT* rect, const char* text, int32_t height);

// --- Colours ---------------------------------------------------------------------------------------

constexpr int32_t kColourListCount = 17;
// The colour list in chooser order; the names are the toolkit's (ui/window_utilities.h).
extern const int32_t kColourList[kColourListCount];

// A colour list item: a 15 x 10 swatch at (3, 1) filled with the colour and outlined, the name 22
// pixels from the left. Its size: 24 pixels plus the name's width, by 12.
void DrawColourListItem(const RECT* rect, int32_t colour, const char* name);
SIZE MeasureColourListItem(const char* name);

// --- Choosers --------------------------------------------------------------------------------------

constexpr int32_t kColourPictureOff = 30004;
constexpr uint32_t kColourPopupSelector = 5400;

// Items are the text ids of a list ended by -1 (at most 63 kept); an id of 0 is a separator.
class T_ChooseCombination : public T_Chooser {
 public:
  static constexpr int32_t kMaxItems = 63;
  T_ChooseCombination(T_EventHandler* parent, const XYWH& rect, uint32_t id, const int32_t* textIds,
                      int32_t method);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // The selected item's text id minus 5307.
  int32_t SelectedMethod() const;
  // The first item of the method (item 0 when none), without notification.
  void SelectMethod(int32_t method);
  int64_t ItemOfMethod(int32_t method) const;

  int32_t ids[kMaxItems + 1] = {};
  int32_t idCount = 0;
};

class T_ChooseColor : public T_Chooser {
 public:
  // withPictures: items carry their swatch (picture 30000 + colour), else picture 30004.
  T_ChooseColor(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool withPictures,
                int32_t colour);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  int32_t SelectedColor() const;
  // The item of a colour, searched from the end of the list; 0 when absent.
  static int64_t ItemOfColour(int32_t colour);
  int32_t ItemPicture(int64_t item) const;
  // The popup form of the list, at a point just left of the box's right edge and at its middle;
  // a choice is selected with notification. Returns the chosen item or -1.
  int32_t RunPopup();

  uint8_t withPictures;
};
