#pragma once
// DateRef: one end of a date range, the from- or to-bound of a card selection or the reference
// date of a database. It is a fixed card id or a rule resolved against the database and today.
//
// Forms of a bound:
//   file form     kind 0: yymmdd, or yymmdd-n when n is not the whole-day number of the
//                 direction (1 from, 0x7fffffff to); kinds 1..7: the kind word and a signed
//                 offset when it is not 0 ("Month-1", "File"); kinds 8 and 9: the card id as for
//                 kind 0, a blank, the time-scale text and a signed offset when not 0
//                 ("050101 Quarters+1").
//   display form  the card id with the database's card-number digits, then for every kind but 0
//                 a blank and the rule as in the file form ("240201-001 Month-1").
// Both forms parse back to the same bound.
//
// Invariants:
//   1. text is non-null only for kinds 8 and 9;
//   2. after any operation that resolves, cardId is the bound the rule gives for today's date
//      (the core clock) and the database as it is; kind 0 is never re-resolved.
#include <cstdint>

#include "core/packed_date.h"
#include "ui/database_services.h"

class T_Base;
class T_GrafElement;
class T_OStream;
class T_IStream;
struct T_TextBuf;

// Kinds of a bound.
constexpr int32_t kDateRefFixed = 0;
constexpr int32_t kDateRefDay = 1;
constexpr int32_t kDateRefWeek = 2;
constexpr int32_t kDateRefMonth = 3;
constexpr int32_t kDateRefQuarter = 4;
constexpr int32_t kDateRefYear = 5;
constexpr int32_t kDateRefFile = 6;
constexpr int32_t kDateRefReference = 7;
constexpr int32_t kDateRefCurrentPeriod = 8;
constexpr int32_t kDateRefNamedPeriod = 9;

constexpr int32_t kDirectionFrom = -1;
constexpr int32_t kDirectionTo = 1;

// The longest field a bound is read from.
constexpr int32_t kDateRefFieldMax = 128;

struct DateRef {
  CardId cardId;  // the resolved bound: number 1 (from) or 0x7fffffff (to) for a whole day
  T_Base* database = nullptr;
  int32_t kind = kDateRefFixed;
  int32_t direction = kDirectionFrom;
  int32_t offset = 0;    // days (kinds 1, 6, 7, 9), weeks..years (2..5), periods (8)
  char* text = nullptr;  // owned; the time-scale text of kinds 8 and 9
};

// No date, kind 0, offset 0, no text.
void DateRefInit(DateRef* ref, T_Base* database, int32_t direction);
void DateRefFree(DateRef* ref);
// Date, kind and offset to 0, text freed; database and direction stay.
void DateRefClear(DateRef* ref);

// A fixed date: kind 0, offset 0, no text.
void DateRefSetDate(DateRef* ref, const CardId* id);
// Offset 0, no text, then resolved.
void DateRefSetKind(DateRef* ref, int32_t kind);
// Date, kind, offset and text of the source, resolved for the target's database and direction.
void DateRefCopy(DateRef* target, const DateRef* source);
// Resolves the rule again; kind 0 keeps its date. Kinds 8 and 9 whose time scale or period is
// gone become kind 6.
void DateRefResolve(DateRef* ref);

// Parses a typed or stored bound (n bytes) and resolves it.
void DateRefParse(DateRef* ref, const char* text, int32_t n);
// Parses the text; a bound that resolves to no date becomes kind 6 (so an empty text is the open
// "File" bound). The text is rewritten in the display form.
void DateRefNormalize(DateRef* ref, T_TextBuf* text);
// One field of at most 128 bytes: an empty field leaves the bound; a parsed bound without a date
// becomes kind 6. False when the line had no field.
bool ReadDateRef(DateRef* ref, T_IStream* stream);
// A field separator and the file form.
void WriteDateRef(const DateRef* ref, T_OStream* stream);
// Replaces the text by the display form.
void DateRefToText(const DateRef* ref, T_TextBuf* out);
// The file form alone.
void DateRefFileText(const DateRef* ref, T_TextBuf* out);

// Same direction and kind, and the same offset and text (kinds 8, 9), offset (kinds 1..7) or
// card id (kind 0).
bool DateRefEqual(const DateRef* a, const DateRef* b);
// Kind 6 with offset 0: the whole file on that side.
bool IsOpenBound(const DateRef* ref);
// Nothing when both bounds are open; else the label, the from-bound (an empty field when open),
// the to-bound (left out when open) and a line end.
void WriteDateRange(T_OStream* stream, const char* label, const DateRef* from, const DateRef* to);

// The word of kinds 1..7 ("Day" .. "Reference"); null for other kinds.
const char* DateRefKindWord(int32_t kind);

// DateRefOnNotify (database/model_links.h) re-resolves a bound on the notes that can move it: 0
// every rule, 27 and 28 "File", 38 "Reference", 51 and 53 the time-scale kinds; 29 only rewrites
// the edit field.
//
// The database's own reference date on a change note (last step of the dispatch): re-resolved,
// and code 38 sent when it moved.
void ReferenceDateOnNotify(T_Base* base, const ChangeNote* note);
