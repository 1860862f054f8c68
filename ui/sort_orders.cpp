#include "ui/sort_orders.h"

#include <cmath>

#include "core/cstring.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/text_buffer.h"
#include "ui/chooser.h"
#include "ui/database_services.h"
#include "ui/document_window.h"
#include "ui/link_markup.h"

namespace {

constexpr char kSortDirCodes[] = "AD";
constexpr char kTreeOrderCodes[] = "NRCTH";
constexpr char kValueOrderCodes[] = "DEFCBA";
constexpr char kLabelOrderCodes[] = "NRP";

constexpr const char* kTreeKeywords[] = {"normal", "reversed", "code", "text", "host"};
constexpr const char* kValueKeywords[] = {"desc",   "combdesc", "absdesc",
                                          "absasc", "combasc",  "asc"};

constexpr int32_t kTreeOrderLabels[] = {3601, 3602, 3400, 3401, 3402};
constexpr int32_t kTextAscending = 3603;
constexpr int32_t kTextDescending = 3604;

template <size_t N>
char CodeOf(const char (&codes)[N], int32_t value) {
  return value >= 0 && value < static_cast<int32_t>(N - 1) ? codes[value] : 0;
}

template <size_t N>
int32_t ParseCode(const char (&codes)[N], int32_t* value, char letter) {
  for (int32_t i = 0; i < static_cast<int32_t>(N - 1); ++i) {
    if (codes[i] == letter) {
      *value = i;
      return i;
    }
  }
  return -1;
}

template <size_t N>
int32_t KeywordValue(const char* const (&words)[N], const char* text) {
  if (!text || !*text) return -1;
  for (int32_t i = 0; i < static_cast<int32_t>(N); ++i) {
    if (StrEqualNoCase(words[i], text)) return i;
  }
  return -1;
}

int32_t Sign(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }

// The group a value falls in under a combined order, and the key that orders it inside.
struct Placed {
  int32_t group;
  double key;
};

Placed CombinedDescending(double v) {
  if (v > 0) return {0, -v};
  if (v < 0) return {1, v};
  return {2, 0};
}

Placed CombinedAscending(double v) {
  if (v == 0) return {0, 0};
  if (v > 0) return {1, v};
  return {2, -v};
}

int32_t ComparePlaced(Placed a, Placed b) {
  if (a.group != b.group) return a.group < b.group ? -1 : 1;
  return Sign(a.key, b.key);
}

}  // namespace

char SortDirCode(int32_t value) { return CodeOf(kSortDirCodes, value); }
char TreeOrderCode(int32_t value) { return CodeOf(kTreeOrderCodes, value); }
char ValueOrderCode(int32_t value) { return CodeOf(kValueOrderCodes, value); }
char LabelOrderCode(int32_t value) { return CodeOf(kLabelOrderCodes, value); }

int32_t ParseSortDirCode(int32_t* value, char letter) {
  return ParseCode(kSortDirCodes, value, letter);
}
int32_t ParseTreeOrderCode(int32_t* value, char letter) {
  return ParseCode(kTreeOrderCodes, value, letter);
}
int32_t ParseValueOrderCode(int32_t* value, char letter) {
  return ParseCode(kValueOrderCodes, value, letter);
}
int32_t ParseLabelOrderCode(int32_t* value, char letter) {
  return ParseCode(kLabelOrderCodes, value, letter);
}

int32_t TreeOrderFromKeyword(const char* text) { return KeywordValue(kTreeKeywords, text); }
int32_t ValueOrderFromKeyword(const char* text) { return KeywordValue(kValueKeywords, text); }

const char* TreeOrderKeyword(int32_t value) {
  return value >= kTreeNormal && value <= kTreeHostCode ? kTreeKeywords[value] : nullptr;
}
const char* ValueOrderKeyword(int32_t value) {
  return value >= kValueDescending && value <= kValueAscending ? kValueKeywords[value] : nullptr;
}

void ToggleSortDir(int32_t* direction) { *direction = 1 - *direction; }

bool ToggleTreeOrder(int32_t* order) {
  if (*order != kTreeNormal && *order != kTreeReversed) return false;
  *order = 1 - *order;
  return true;
}

void ToggleLabelOrder(int32_t* order) { *order = *order == 0 ? 1 : 0; }

void ReverseValueOrder(int32_t* order) { *order = kValueAscending - *order; }

void LabelTreeOrderItem(ChooserEvent* record) {
  if (record->index < kTreeNormal || record->index > kTreeHostCode) return;
  ChooserEvent_SetText(record, GetString(kTreeOrderLabels[record->index]));
}

void LabelValueOrderItem(ChooserEvent* record) {
  if (record->index < kValueDescending || record->index > kValueAscending) return;
  record->picture = kValueOrderPictureFirst + static_cast<int32_t>(record->index);
  // The closed box shows the picture alone; the open list names the two plain orders.
  if (!record->listOpen) return;
  if (record->index == kValueDescending) ChooserEvent_SetText(record, GetString(kTextDescending));
  if (record->index == kValueAscending) ChooserEvent_SetText(record, GetString(kTextAscending));
}

int32_t CompareByValueOrder(double a, double b, int32_t order) {
  bool aNumber = !std::isnan(a);
  bool bNumber = !std::isnan(b);
  if (!aNumber || !bNumber) return aNumber ? -1 : bNumber ? 1 : 0;
  switch (order) {
    case kValueDescending:
      return Sign(b, a);
    case kValueCombinedDescending:
      return ComparePlaced(CombinedDescending(a), CombinedDescending(b));
    case kValueAbsDescending:
      return Sign(std::fabs(b), std::fabs(a));
    case kValueAbsAscending:
      return Sign(std::fabs(a), std::fabs(b));
    case kValueCombinedAscending:
      return ComparePlaced(CombinedAscending(a), CombinedAscending(b));
    default:
      return Sign(a, b);
  }
}

int32_t CompareTexts(const char* a, const char* b, int32_t direction) {
  if (!a || !b) return a ? -1 : b ? 1 : 0;
  int32_t result = StrCompareNoCaseNullAsEmpty(a, b);
  return direction == kSortDescending ? -result : result;
}

int32_t CompareComponentTexts(const char* a, const char* b, int32_t direction,
                              T_LinkContext* context) {
  T_TextBuf plainA;
  T_TextBuf plainB;
  LinkText_ToPlain(context, &plainA, a);
  LinkText_ToPlain(context, &plainB, b);
  if (plainA.empty() || plainB.empty()) {
    return !plainA.empty() ? -1 : !plainB.empty() ? 1 : 0;
  }
  return CompareTexts(plainA.c_str(), plainB.c_str(), direction);
}

namespace {

int64_t TreeOrderRoom(const T_HWindow* window) {
  return window->treeOrder ? MemSize(window->treeOrder) / static_cast<int64_t>(sizeof(int64_t))
                           : 0;
}

// Room for count positions; the places already numbered stay, new room starts at 0.
bool ReserveTreeOrder(T_HWindow* window, int32_t count) {
  int64_t room = TreeOrderRoom(window);
  if (window->treeOrder && room >= count) return true;
  void* block = window->treeOrder;
  if (!MemResize(&block, static_cast<int64_t>(count) * sizeof(int64_t), 0)) return false;
  auto* table = static_cast<int64_t*>(block);
  MemZero(table + room, (count - room) * static_cast<int64_t>(sizeof(int64_t)));
  window->treeOrder = table;
  return true;
}

}  // namespace

void BuildTreeOrderTable(T_HWindow* window, int32_t dimension, int32_t order) {
  if (!window || (order != kTreeNormal && order != kTreeReversed)) return;
  int32_t count = Database_ComponentCount(window->database);
  int32_t root = dimension;
  if (root < 0 || root >= kFirstComponent || root >= count) return;
  if (!ReserveTreeOrder(window, count)) return;
  auto next = order == kTreeNormal ? CompTreeNext : CompTreeNextReverse;
  // A sound walk reaches each component once; the step limit and the range check keep a broken
  // tree from hanging the window or writing past the table.
  int64_t position = 0;
  int32_t component = root;
  for (int32_t steps = 0; steps < count; ++steps) {
    component = next(window->database, component);
    if (component < 0 || component >= count) return;
    window->treeOrder[component] = position++;
    if (component == root) return;
  }
}

int32_t CompareByTreeOrder(T_HWindow* window, int32_t a, int32_t b, int32_t order) {
  if (!window) return 0;
  T_Base* database = window->database;
  switch (order) {
    case kTreeCode:
      return CompareTexts(ComponentCode(database, a), ComponentCode(database, b), kSortAscending);
    case kTreeHostCode:
      return CompareTexts(ComponentHostCode(database, a), ComponentHostCode(database, b),
                          kSortAscending);
    case kTreeText:
      return CompareComponentTexts(ComponentText(database, a), ComponentText(database, b),
                                   kSortAscending, Database_LinkContext(database));
    default: {
      // A component the table has no place for stands at position 0, as an unnumbered one
      // does: answering "equal" for it would make it equal to everything and break a sort.
      int64_t room = TreeOrderRoom(window);
      int64_t pa = a >= 0 && a < room ? window->treeOrder[a] : 0;
      int64_t pb = b >= 0 && b < room ? window->treeOrder[b] : 0;
      return pa < pb ? -1 : pa > pb ? 1 : 0;
    }
  }
}
