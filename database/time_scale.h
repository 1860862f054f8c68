#pragma once
// TimeScale: a named division of time into periods, each starting at a card id and carrying a
// name. A database keeps its time scales in a list in order of creation, which is also the
// order of saving and of every chooser that lists them.
//
// A card id before the first start belongs to no period ("before"); a period runs from its
// start up to the card id just before the next period's start (CardIdPrev); the last period is
// open up to (0x7fffffff, 0x7fffffff). Periods are kept in ascending order of start: the reader
// sorts periods that arrive out of order (stably, so equal starts keep the file's order), and
// the lookups and the time windows' loops rely on it.
//
// Section record, one per time scale:
//   "##TimeScale" TAB name
//   start TAB period name        one line per period; start as yymmdd-n
//   (empty line)
//
// Change notes: 50 renamed, 51 periods changed, 52 created, 53 being destroyed; the note's
// object is the time scale.
#include <cstdint>

#include "core/packed_date.h"
#include "core/paged_array.h"
#include "ui/database_services.h"

class T_Base;
class T_IStream;
class T_OStream;
struct PrefixMatcher;

// Period names read from text are cut to this many bytes.
constexpr int32_t kPeriodNameMax = 63;

struct TimePeriod {
  CardId start;
  char* name;  // owned, may be null
};
static_assert(sizeof(TimePeriod) == 16, "period entries are 16 bytes");

struct TimeScale {
  // Appended to the database's list; then code 52. Create with new (std::nothrow).
  TimeScale(T_Base* base, const char* scaleName);
  // Leaves the database's list, code 53, then frees the name and the periods.
  ~TimeScale();
  TimeScale(const TimeScale&) = delete;
  TimeScale& operator=(const TimeScale&) = delete;

  // Replaces the name; code 50.
  void SetName(const char* text);

  TimeScale* next = nullptr;
  char* name = nullptr;        // owned
  T_Base* database = nullptr;  // null once the database is being destroyed
  PagedArray periods;          // TimePeriod entries
};

int64_t TimeScalePeriodCount(const TimeScale* scale);
TimePeriod* TimeScalePeriod(const TimeScale* scale, int64_t index);
// Appends a period (the name copied); false when memory runs out.
bool TimeScaleAppendPeriod(TimeScale* scale, const CardId* start, const char* name);

// The index of the last period whose start is not after the id; -1 before the first start or
// without periods.
int64_t PeriodIndexOf(const TimeScale* scale, const CardId* id);
// The name of the period that holds the id; null before the first period.
const char* PeriodNameOfDate(const TimeScale* scale, const CardId* id);
// The last card id of the period (or of the "before" stretch) that holds the id; the open end
// for the last period and without periods.
CardId PeriodEnd(const TimeScale* scale, const CardId* id);
// The period that holds the id, moved by offset periods: before the first period a zero start
// and the end of the "before" stretch; from the last period on its start and the open end.
void PeriodBounds(const TimeScale* scale, CardId* start, CardId* end, const CardId* id,
                  int32_t offset);
// A named period as a bound: its start for direction < 0; otherwise the card id before the next
// period's start, and for the last period the database's last card, or December 31 of the
// start's year (number 0x7fffffff) when that card is not dated after the start.
void PeriodBound(const TimeScale* scale, CardId* id, int64_t index, int32_t direction);
// Offers every named period to the matcher (object: the scale, id: the period index); true at
// the first full match.
bool MatchPeriodName(TimeScale* scale, PrefixMatcher* matcher);

// The time scale that the text names through the prefix matcher ("+", "-" and a blank end the
// name); null when none does. The best one is left in the matcher, which the caller initialises
// with the text and frees.
TimeScale* FindTimeScaleByPrefix(T_Base* base, PrefixMatcher* matcher);
// The period of any of the database's time scales that the matcher's text names; the scale, or
// null, and the period index.
TimeScale* FindPeriodByPrefix(T_Base* base, PrefixMatcher* matcher, int64_t* index);

// The card id of the first card (side < 1) or the last card of the card chain; false without
// cards.
bool CardChainEnd(T_Base* base, int32_t side, CardId* id);

// Reads the period lines after the "##TimeScale" line, up to the next "##" line (left for the
// caller) or the end; a line whose date does not parse is skipped; the periods are sorted by
// start; then code 51.
void ReadTimeScale(TimeScale* scale, T_IStream* stream);
// The whole section with its header and the closing empty line.
void WriteTimeScale(const TimeScale* scale, T_OStream* stream);
// Receiver of change notes (code 63 only).
void RewriteLinksInPeriodNames(TimeScale* scale, const ChangeNote* note);
// Bytes of the name, the period array and the period names, plus 64.
int64_t TimeScaleMemorySize(const TimeScale* scale);
// Destroys one time scale (code 53 goes out).
void TimeScaleFree(TimeScale* scale);
// Destroys every time scale after the given one (every one for null), each with code 53: the
// rollback of a failed read. Lookups: T_Base::FindTimeScale and its companions.
void DeleteTimeScalesAfter(T_Base* base, TimeScale* last);
// Destroys every time scale of a database that is itself being destroyed: no notes.
void TimeScaleFreeAll(T_Base* base);

// --- Rows of periods, as an editor holds them ------------------------------------------------
// Rows are TimePeriod entries of a PagedArray; a row without start (date 0) and without name is
// empty.

// Sorts the rows by start with an insertion sort (equal starts keep their order); true when a
// row moved.
bool SortPeriodsByStart(PagedArray* rows);
// Before saving: rows with neither start nor name go (from the last backwards, while more than
// one row remains), then the rows are sorted by start. True when anything changed.
bool TidyPeriods(PagedArray* rows);
// Frees the rows' names and empties the array (the array itself stays usable).
void FreePeriodRows(PagedArray* rows);
// An empty row at the index (0 to the count); null without memory.
TimePeriod* InsertPeriodRow(PagedArray* rows, int64_t index);
// Frees the row's name and closes the gap.
void RemovePeriodRow(PagedArray* rows, int64_t index);
// The scale's periods as rows (periods with start 0 left out); false without memory.
bool CopyPeriodsToRows(PagedArray* rows, const TimeScale* scale);
// Whether the rows stand as the scale's periods: count, starts and names one by one.
bool PeriodRowsEqual(const PagedArray* rows, const TimeScale* scale);
// The rows that have a start become the scale's periods; code 51. False without memory (the
// periods taken so far stay).
bool SetPeriodsFromRows(TimeScale* scale, const PagedArray* rows);
// The import from text: each line's first field is parsed as a card id (a partial date completes
// to the first day) and the second (up to 63 bytes, cut between characters) is the name; lines
// where either is missing or the date does not parse are skipped. The first row taken fills a
// trailing empty row, the others are appended. The number of rows taken; reading stops without
// memory.
int64_t ImportPeriodsFromText(PagedArray* rows, T_IStream* stream);
// The same from a file; a file that the file-kind detection recognises as a database (anything
// but plain text) is refused with the pending error 2111 and nothing is read. -1 on failure.
int64_t ImportPeriodsFile(PagedArray* rows, const char* path);
