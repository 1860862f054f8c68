#pragma once
// The calculation of the time functions window: one walk over the cards in date order, cut into
// periods by the period type, every taken line fed to the selections, each period evaluated into
// one entry of the period table (time_variables.h), then the Totals entry.
//
// Period table entries: 0 "Before" (everything before the range), 1 "Totals", from 2 on the
// periods in time order, each ending at its end card id.
//
// Invariants after a calculation that started:
//   1. periodCount >= 2 when some variable is shown (else 0), and entries 2 .. periodCount - 1
//      end in ascending order, the last one not after the range end;
//   2. every period entry's values are the variables' results over exactly the lines whose
//      cards lie after the previous entry's end and not after its own, each selection reading
//      its cards moved back by its time shift.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/time/time_variables.h"
#include "ui/database_services.h"

class T_BusyIndicator;

// Results of a calculation that did not start (the previous results stay): an invalid selection,
// a self-reference (5304, 5305, pending), a backward range (2109) or a missing table.
constexpr int32_t kCalcStarted = 0;
constexpr int32_t kCalcInvalidSelection = -1;
constexpr int32_t kMsgNegativePeriod = 2109;

// The whole calculation. The variable that stopped it goes to *failed (may be null). Busy,
// when given, advances once per card read; the abort flag stops the walk with what was seen.
// When the table or a median buffer cannot grow, the pass ends there, outOfMemory is set and
// the pending error is 600.
int32_t CalculateTimeFunctions(TFuncData* data, T_BusyIndicator* busy, T_TVariable** failed);

// Evaluates the selections and formulas into the entry (see the evaluation order in the .cpp).
void EvaluatePeriod(TFuncData* data, int64_t entry);
// The Totals entry from the period entries (and the Before entry when shown), skipping values
// that are not finite; NaN for variables without their Totals flag.
void FillTotals(TFuncData* data);

// The rows a table of the last calculation shows: the periods, the Before row when shown and
// the Totals row when some shown variable has its Totals flag; 0 for an empty table.
int64_t TFuncRowCount(const TFuncData* data);
// True when every value of the periods and the Totals entry is zero after ZeroTinyValue
// (missing values count as zero); messages are pumped once per entry.
bool TFuncIsEmpty(const TFuncData* data);

// What a database change note means for the data (the window acts on the answer): the bounds
// of the window and of every selection follow the note; a deleted time scale is forgotten at
// once (see TFuncTimeScaleDeleted); titles follow renamed link targets (code 63).
constexpr int32_t kTFuncStale = 1;          // the results are out of date
constexpr int32_t kTFuncRecalculate = 2;    // and a recalculation is asked for
constexpr int32_t kTFuncRepaintLabels = 4;  // the label column shows other texts
constexpr int32_t kTFuncTitlesChanged = 8;  // some variable's title changed
int32_t TFuncOnChange(TFuncData* data, const ChangeNote* note);

// For tests: the n-th entry allocation from now on fails as if memory ran out (0: none).
void SetTFuncEntryFailure(int64_t n);
// For tests: called with the number of cards read so far at every card (null: none), so that
// a test can raise the abort flag in the middle of a walk.
using TFuncTickHook = void (*)(int64_t cards);
void SetTFuncTickHook(TFuncTickHook hook);
