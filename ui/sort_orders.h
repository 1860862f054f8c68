#pragma once
// The fixed ways the analysis windows and their templates sort rows: a direction, a component
// order, a value order and the time-functions window's label order. Each order has one code
// letter per value for the templates' keyed records and, where the XML form names it, one
// keyword per value; the comparisons here give -1 when the first operand comes first.
//
// User-interface thread only (the chooser labels read the current language).
#include <cstdint>

class T_HWindow;
class T_LinkContext;
struct ChooserEvent;

// Sort directions.
constexpr int32_t kSortAscending = 0;
constexpr int32_t kSortDescending = 1;

// Component orders.
constexpr int32_t kTreeNormal = 0;
constexpr int32_t kTreeReversed = 1;
constexpr int32_t kTreeCode = 2;
constexpr int32_t kTreeText = 3;
constexpr int32_t kTreeHostCode = 4;

// Value orders; order and 5 - order sort opposite ways.
constexpr int32_t kValueDescending = 0;
constexpr int32_t kValueCombinedDescending = 1;
constexpr int32_t kValueAbsDescending = 2;
constexpr int32_t kValueAbsAscending = 3;
constexpr int32_t kValueCombinedAscending = 4;
constexpr int32_t kValueAscending = 5;

// The picture of a value order in its chooser is this plus the order.
constexpr int32_t kValueOrderPictureFirst = 4010;

// The code letter of a value; 0 for a value outside the order.
char SortDirCode(int32_t value);
char TreeOrderCode(int32_t value);
char ValueOrderCode(int32_t value);
char LabelOrderCode(int32_t value);

// The value of a code letter, also stored in *value; -1 (and *value untouched) for a letter
// that is not one of the order's.
int32_t ParseSortDirCode(int32_t* value, char letter);
int32_t ParseTreeOrderCode(int32_t* value, char letter);
int32_t ParseValueOrderCode(int32_t* value, char letter);
int32_t ParseLabelOrderCode(int32_t* value, char letter);

// The value of a keyword of the XML form, without regard to case; -1 for null, empty or an
// unknown word.
int32_t TreeOrderFromKeyword(const char* text);
int32_t ValueOrderFromKeyword(const char* text);
// The keyword of a value; null outside the order.
const char* TreeOrderKeyword(int32_t value);
const char* ValueOrderKeyword(int32_t value);

void ToggleSortDir(int32_t* direction);
// Normal and reversed swap (true); the other orders have no opposite (false, unchanged).
bool ToggleTreeOrder(int32_t* order);
void ToggleLabelOrder(int32_t* order);
void ReverseValueOrder(int32_t* order);

// Answers the item text query of a component-order chooser.
void LabelTreeOrderItem(ChooserEvent* record);
// Answers the item query of a value-order chooser: a picture per order, and in the open list
// the words "Descending" and "Ascending" beside the plain orders at both ends.
void LabelValueOrderItem(ChooserEvent* record);

// Values that are not numbers come after every number under every order.
int32_t CompareByValueOrder(double a, double b, int32_t order);
// A null text comes after every text in either direction; otherwise case is ignored and
// direction 1 reverses.
int32_t CompareTexts(const char* a, const char* b, int32_t direction);
// The same on the plain texts (links removed); an empty text comes after every other.
int32_t CompareComponentTexts(const char* a, const char* b, int32_t direction,
                              T_LinkContext* context);

// Numbers a dimension's components into the window's tree-order table by their place in the
// tree walk (order 0) or the reversed walk (order 1); other orders need no table. The table is
// made (or grown) to room for every component of the database; when it cannot be, nothing is
// numbered. Several dimensions may share one table.
void BuildTreeOrderTable(T_HWindow* window, int32_t dimension, int32_t order);
// Two components of the window's database under a component order: the tree orders compare
// their numbered places (a component without a table or outside it stands at place 0), the
// others their codes, texts or host codes.
int32_t CompareByTreeOrder(T_HWindow* window, int32_t a, int32_t b, int32_t order);
