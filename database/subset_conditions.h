#pragma once
// The card-id and stamp-time conditions of selection items: a small language over date bounds,
// compiled to a program of records evaluated on a stack of truth values.
//
//   code  record (low, high: card ids)          code  record
//   1     not: inverts the top value             6     low <= x <= high
//   2     exclusive or of the top two values     7     x < low or x > high
//   3     or: when the top is true, skip `skip`  8     x > high
//         records, else drop it                  9     x < low
//   4     and: the same when the top is false    10    x >= low
//   5     there is no date (x is zero)           11    x <= high
//   0     end
// A card id compares by date, then number; a stamp condition compares its stamp's date with the
// dates of low and high only.
//
// Text form: operands joined by "|", "±" and "&" (loosest first), "¬" in front of an operand,
// brackets (a missing ")" is added). An operand is a comparison ("=", "<>" or "≠", ">", "<",
// ">=" or "≥", "<=" or "≤"; a run of them reads as one) with a value, a value alone (as "="),
// two values joined by "…" or ".." (from the first's low id to the second's high id), or "\"
// (also "=\") for no date. A value is a date bound text ("240315", "2403", "240315-4", "Month-1",
// "File"): a period gives its first and last id, resolved when compiled. A value that is no date
// matches nothing. The compiler rewrites the text in normal form: the operators in the first
// spelling above, "=" left out, no blanks, the fewest brackets.
#include <cstdint>

#include "core/packed_date.h"
#include "core/text_buffer.h"

class T_Base;

struct IdConditionRecord {
  int32_t code;
  int32_t skip;
  CardId low;
  CardId high;
};

struct IdCondition {
  IdConditionRecord* program = nullptr;  // owned; null: every card passes
  char* text = nullptr;                  // owned normal form; null for none
};

void IdConditionInit(IdCondition* condition);
void IdConditionFree(IdCondition* condition);
// Compiles the text (relative bounds against today and the database) and rewrites it in normal
// form; the normal form is kept. An empty text leaves no program.
void IdConditionCompile(IdCondition* condition, T_TextBuf* text, T_Base* database);
// Compiles the kept text again, so relative bounds follow today and the cards.
void IdConditionRefresh(IdCondition* condition, T_Base* database);
// True without a program.
bool IdConditionTestId(const IdCondition* condition, const CardId* id);
bool IdConditionTestDate(const IdCondition* condition, PackedDate date);

// Whether an operator of the condition texts starts at the position: "&", "(", ")", "<", "=",
// ">", "|", "¬", "±", "…", "≠", "≤", "≥"; its length in bytes goes to length.
bool IdConditionScanOperator(const char* position, int32_t* length);

// The date of a time stamp (0 for none).
PackedDate StampDate(PackedTimeStamp stamp);
