#pragma once
// Operations one part of the model calls on another, and the receivers the change-note
// dispatcher calls, gathered while the parts are built side by side.
#include <cstdint>

#include "core/bit_vector.h"
#include "ui/database_services.h"

class T_Base;
class T_GrafElement;
struct DateRef;
struct DimensionRecord;
struct TimeScale;
struct WebUserList;

// Lines (database/lines.cpp).
// Raises the reference width of every line; false (old width kept) when the abort flag stopped it.
bool RaiseReferenceWidth(T_Base* base, int32_t width);
// Recomputes the number of component slots of the lines; sends code 31 when it changes.
void RecomputeLineSlots(T_Base* base);
// Code 12: groups (dimension 0) or line references in the set go back to the dimension's root.
void ClearDeletedComponentReferences(T_Base* base, int32_t dimension, const BitVector* set);
// Codes 27 and 28: raises the card-number digits when the largest card number needs more.
void RaiseCardDigitsToFit(T_Base* base);

// Components (database/components.cpp).
// Step 3 of the dispatch: re-tests "used" and "has sub-components" on code 11 for its dimension.
void DimensionRecordOnChange(DimensionRecord* dimension, const ChangeNote* note);

// Date bounds (database/date_ref.cpp): true when the resolved date changed.
bool DateRefOnNotify(DateRef* ref, const ChangeNote* note, T_GrafElement* editField);

// Stored objects.
void RewriteLinksInPeriodNames(TimeScale* scale, const ChangeNote* note);
void WebUserListOnChange(WebUserList* list, const ChangeNote* note);
