#include "analysis/components/function_window_utils.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "core/alert.h"
#include "core/formula.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"
#include "ui/window_utilities.h"

namespace {

FuncAllocFailHook allocFailHook = nullptr;

constexpr int32_t kInitialRoom = 32;
constexpr int32_t kGrowth = 256;
constexpr int32_t kSmallRange = 5;     // ranges below it are finished by selection sort
constexpr int32_t kMergeChunk = 250;   // appended values merged at a time
constexpr int32_t kPumpEvery = 20000;  // values partitioned between two message pumps

// Missing values sort after every number, so a NaN never breaks the ordering.
inline bool Less(double a, double b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a < b;
}

inline void Swap(double* v, int32_t i, int32_t j) {
  double t = v[i];
  v[i] = v[j];
  v[j] = t;
}

void SelectionSort(double* v, int32_t low, int32_t high) {  // [low, high]
  for (int32_t i = low; i < high; ++i) {
    int32_t least = i;
    for (int32_t j = i + 1; j <= high; ++j) {
      if (Less(v[j], v[least])) least = j;
    }
    Swap(v, i, least);
  }
}

// Median-of-three partition of [low, high] (at least 3 values): returns the pivot's final place.
int32_t Partition(double* v, int32_t low, int32_t high) {
  int32_t mid = low + (high - low) / 2;
  if (Less(v[mid], v[low])) Swap(v, mid, low);
  if (Less(v[high], v[low])) Swap(v, high, low);
  if (Less(v[high], v[mid])) Swap(v, high, mid);
  Swap(v, mid, high - 1);
  const double pivot = v[high - 1];
  int32_t i = low;
  int32_t j = high - 1;
  for (;;) {
    while (Less(v[++i], pivot)) {
    }
    while (Less(pivot, v[--j])) {
    }
    if (i >= j) break;
    Swap(v, i, j);
  }
  Swap(v, i, high - 1);
  return i;
}

void QuickSort(double* v, int32_t low, int32_t high, int64_t* work) {
  while (high - low + 1 >= kSmallRange) {
    *work += high - low + 1;
    if (*work >= kPumpEvery) {
      *work = 0;
      PumpMessages();
    }
    int32_t p = Partition(v, low, high);
    // The smaller side recurses, so the depth stays logarithmic.
    if (p - low < high - p) {
      QuickSort(v, low, p - 1, work);
      low = p + 1;
    } else {
      QuickSort(v, p + 1, high, work);
      high = p - 1;
    }
  }
  if (low < high) SelectionSort(v, low, high);
}

// Puts the k-th smallest value at position k, smaller ones before it and larger ones after.
void SelectAround(double* v, int32_t count, int32_t k) {
  int32_t low = 0;
  int32_t high = count - 1;
  int64_t work = 0;
  while (high - low + 1 > 4) {
    work += high - low + 1;
    if (work >= kPumpEvery) {
      work = 0;
      PumpMessages();
    }
    int32_t p = Partition(v, low, high);
    if (p == k) return;
    if (k < p)
      high = p - 1;
    else
      low = p + 1;
  }
  if (low < high) SelectionSort(v, low, high);
}

// Inserts v[at] into the sorted v[0, at) by binary search.
void BinaryInsert(double* v, int32_t at) {
  const double x = v[at];
  int32_t low = 0;
  int32_t high = at;
  while (low < high) {
    int32_t mid = low + (high - low) / 2;
    if (Less(x, v[mid]))
      high = mid;
    else
      low = mid + 1;
  }
  std::memmove(v + low + 1, v + low, static_cast<size_t>(at - low) * sizeof(double));
  v[low] = x;
}

// Merges the chunk v[m, m + k) into the sorted v[0, m), from the back.
void MergeChunk(double* v, int32_t m, int32_t k) {
  double chunk[kMergeChunk];
  std::memcpy(chunk, v + m, static_cast<size_t>(k) * sizeof(double));
  int64_t work = 0;
  QuickSort(chunk, 0, k - 1, &work);
  int32_t i = m - 1;
  int32_t j = k - 1;
  int32_t out = m + k - 1;
  while (j >= 0) {
    if (i >= 0 && Less(chunk[j], v[i]))
      v[out--] = v[i--];
    else
      v[out--] = chunk[j--];
  }
}

}  // namespace

void SetFuncAllocFailHook(FuncAllocFailHook hook) { allocFailHook = hook; }
bool FuncAllocFails() { return allocFailHook && allocFailHook(); }

// --- Value collection ------------------------------------------------------------------------------

bool ValueCollection::Init() {
  Free();
  void* block = FuncAllocFails() ? nullptr : MemNew(kInitialRoom * sizeof(double));
  if (!block) {
    PendingErrorOutOfMemory();
    return false;
  }
  values = static_cast<double*>(block);
  room = kInitialRoom;
  return true;
}

void ValueCollection::Free() {
  MemFree(values);
  values = nullptr;
  room = 0;
  Clear();
}

void ValueCollection::Clear() {
  count = 0;
  sortedMark = -1;
  orderedCount = 0;
}

bool ValueCollection::Append(double value) {
  if (count >= room) {
    void* block = values;
    if (FuncAllocFails() ||
        !MemResize(&block, (int64_t{room} + kGrowth) * static_cast<int64_t>(sizeof(double)), 0)) {
      PendingErrorOutOfMemory();
      return false;
    }
    values = static_cast<double*>(block);
    room += kGrowth;
  }
  values[count++] = value;
  return true;
}

bool ValueCollection::Reserve(int64_t n) {
  if (n <= room) return true;
  const int64_t grown = room + (n - room + kGrowth - 1) / kGrowth * kGrowth;
  void* block = values;
  if (grown > INT32_MAX || FuncAllocFails() ||
      !MemResize(&block, grown * static_cast<int64_t>(sizeof(double)), 0)) {
    PendingErrorOutOfMemory();
    return false;
  }
  values = static_cast<double*>(block);
  room = static_cast<int32_t>(grown);
  return true;
}

bool ValueCollection::AppendAll(const ValueCollection& other) {
  if (other.count == 0) return true;
  // One growth for the whole list: growing value by value copied the collection once per 256
  // values, which made a roll-up of a million lines quadratic.
  if (!Reserve(int64_t{count} + other.count)) return false;
  std::memcpy(values + count, other.values, static_cast<size_t>(other.count) * sizeof(double));
  count += other.count;
  return true;
}

double ValueCollection::Median() {
  if (count == 0) return std::nan("");
  if (count == 1) return values[0];
  if (count == 2) return (values[0] + values[1]) / 2;
  const int32_t upper = count / 2;
  if (sortedMark < 0) {
    SelectAround(values, count, upper);
    if (count % 2 == 0) {
      // The lower middle is the largest value before the upper one.
      int32_t largest = 0;
      for (int32_t i = 1; i < upper; ++i) {
        if (Less(values[largest], values[i])) largest = i;
      }
      Swap(values, largest, upper - 1);
    }
    sortedMark = 0;
    orderedCount = count;
  } else if (orderedCount != count) {
    if (sortedMark < kSmallRange) {
      int64_t work = 0;
      QuickSort(values, 0, count - 1, &work);
    } else if (count - sortedMark <= 3) {
      for (int32_t at = sortedMark; at < count; ++at) BinaryInsert(values, at);
    } else {
      for (int32_t m = sortedMark; m < count;) {
        int32_t k = count - m < kMergeChunk ? count - m : kMergeChunk;
        MergeChunk(values, m, k);
        m += k;
      }
    }
    sortedMark = count;
    orderedCount = count;
  }
  return count % 2 == 1 ? values[upper] : (values[upper - 1] + values[upper]) / 2;
}

// --- Text routines ---------------------------------------------------------------------------------

int32_t FormulaTokenLength(const char* text) {
  int32_t n = Expr_TokenLength(text);
  if (n > 0) return n;
  if (text && *text && std::strchr("#!()", *text)) return 1;
  return 0;
}

void DrawTextIdAdvance(RECT* rect, int32_t textId, int32_t height) {
  TextDrawIdInRect(rect, textId);
  if (height != 0) rect->top += height;
}

void DrawTextAdvance(RECT* rect, const char* text, int32_t height) {
  TextDrawInRectIfAny(rect, text);
  if (height != 0) rect->top += height;
}

// --- Colours ---------------------------------------------------------------------------------------

const int32_t kColourList[kColourListCount] = {0,  4,  6,  8,  10, 11, 21, 22, 20,
                                               15, 12, 14, 13, 16, 19, 18, 17};

void DrawColourListItem(const RECT* rect, int32_t colour, const char* name) {
  RECT swatch{rect->left + 3, rect->top + 1, rect->left + 18, rect->top + 11};
  RectFillColour(&swatch, colour);
  RectFrame(&swatch);
  RECT text{rect->left + 22, rect->top, rect->right, rect->bottom};
  TextDrawLine(&text, name, nullptr);
}

SIZE MeasureColourListItem(const char* name) { return SIZE{24 + TextWidth(name), 12}; }

// --- Method chooser --------------------------------------------------------------------------------

T_ChooseCombination::T_ChooseCombination(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                         const int32_t* textIds, int32_t method)
    : T_Chooser(parent, rect, id, 0, 0, false) {
  while (textIds && idCount < kMaxItems && textIds[idCount] != -1) {
    ids[idCount] = textIds[idCount];
    ++idCount;
  }
  count = idCount;
  current = ItemOfMethod(method);
  EventHandler_Open(this);
}

int64_t T_ChooseCombination::ItemOfMethod(int32_t method) const {
  for (int32_t i = 0; i < idCount; ++i) {
    if (ids[i] != 0 && ids[i] == 5307 + method) return i;
  }
  return 0;
}

void T_ChooseCombination::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != this || record->code != kChooserDescribe) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  if (record->index >= 0 && record->index < idCount && ids[record->index] != 0)
    record->text = GetString(ids[record->index]);
}

int32_t T_ChooseCombination::SelectedMethod() const {
  return current >= 0 && current < idCount ? ids[current] - 5307 : -5307;
}

void T_ChooseCombination::SelectMethod(int32_t method) {
  SetSelection(ItemOfMethod(method), kSelectSilent);
}

// --- Colour chooser --------------------------------------------------------------------------------

T_ChooseColor::T_ChooseColor(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                             bool withPictures, int32_t colour)
    : T_Chooser(parent, rect, id, kColourListCount, ItemOfColour(colour), false),
      withPictures(withPictures ? 1 : 0) {
  EventHandler_Open(this);
}

int64_t T_ChooseColor::ItemOfColour(int32_t colour) {
  for (int32_t i = kColourListCount - 1; i >= 0; --i) {
    if (kColourList[i] == colour) return i;
  }
  return 0;
}

int32_t T_ChooseColor::SelectedColor() const {
  return current >= 0 && current < kColourListCount ? kColourList[current] : 0;
}

int32_t T_ChooseColor::ItemPicture(int64_t item) const {
  if (item < 0 || item >= kColourListCount) return 0;
  return withPictures ? kChooserSwatchFirst + kColourList[item] : kColourPictureOff;
}

void T_ChooseColor::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != this || record->code != kChooserDescribe) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  if (record->index < 0 || record->index >= kColourListCount) return;
  record->text = ColourName(kColourList[record->index]);
  record->picture = ItemPicture(record->index);
}

void T_ChooseColor::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != kColourPopupSelector) {
    T_Chooser::ContextMenu(record, phase);
    return;
  }
  const int64_t item = record->entry;
  const char* name = item >= 0 && item < kColourListCount
                         ? ColourName(kColourList[item])
                         : nullptr;
  switch (phase) {
    case kMenuPhaseList:
      record->entry = kColourListCount;
      break;
    case kMenuPhaseMeasure: {
      SIZE size = MeasureColourListItem(name);
      record->width = size.cx;
      record->height = size.cy;
      record->selectable = 1;
      break;
    }
    case kMenuPhaseDraw:
      if (name) DrawColourListItem(&record->rect, kColourList[item], name);
      break;
    case kMenuPhaseRun:
      SetSelection(item, kSelectReport);
      break;
    default:
      break;
  }
}

int32_t T_ChooseColor::RunPopup() {
  InputEvent event;
  event.x = width > 4 ? width - 4 : 0;
  event.y = height / 2;
  return RunContextMenu(this, kColourPopupSelector, &event, static_cast<int32_t>(current));
}
