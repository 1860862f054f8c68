#pragma once
// Change notes of a database: every change to its data is announced by one ChangeNote handed to
// NotifyChange, which first keeps the database's own derived state right and then passes the
// note to every party that holds derived data, in a fixed order (see change_notes.cpp).
//
// The note type and the codes the toolkit itself reacts to are the toolkit's
// (ui/database_services.h, ui/document_window.h, ui/selection_header.h); the rest are here.
#include <cstdint>

#include "ui/database_services.h"
#include "ui/document_window.h"
#include "ui/selection_header.h"

class T_Base;

// Codes, by what changed (the toolkit's names cover 4, 5, 11, 15, 16, 19, 20, 30, 32, 35 to 37,
// 58, 61, 62 and 66 to 69).
constexpr int32_t kChangeRefresh = 0;  // relative dates re-resolve
constexpr int32_t kChangeSignature = 1;
constexpr int32_t kChangeDateFormat = 2;
constexpr int32_t kChangePath = 3;
constexpr int32_t kChangeModified = 6;  // flag: the new state
constexpr int32_t kChangeSaved = 7;
constexpr int32_t kChangeSaveKind = 8;
constexpr int32_t kChangePassword = 9;
constexpr int32_t kChangeWebUsers = 10;
constexpr int32_t kChangeComponentsDeleted = 12;  // index: dimension; componentSet
constexpr int32_t kChangeDimensionEdited = 13;    // index: dimension; object: the editor window
constexpr int32_t kChangeDimensionUsed = 14;      // index, flag
constexpr int32_t kChangeSubComponents = 15;      // index, flag
constexpr int32_t kChangeSingularName = 16;
constexpr int32_t kChangePluralName = 17;
constexpr int32_t kChangeDisplayText = 18;
constexpr int32_t kChangeTextCase = 20;
constexpr int32_t kChangeHostCase = 21;
constexpr int32_t kChangeDisplayStyle = 22;
constexpr int32_t kChangeOptionX = 23;
constexpr int32_t kChangeOptionI = 24;
constexpr int32_t kChangeColumnWidths = 25;
constexpr int32_t kChangeDimImport = 26;
constexpr int32_t kChangeCardSaved = 27;  // card
constexpr int32_t kChangeCards = 28;
constexpr int32_t kChangeCardDigits = 29;
constexpr int32_t kChangeLineSlots = 31;
constexpr int32_t kChangeListWidth1 = 33;  // difference
constexpr int32_t kChangeListWidth2 = 34;  // difference
constexpr int32_t kChangeReferenceDate = 38;
constexpr int32_t kChangeLineOrigins = 39;  // flag
constexpr int32_t kChangeLinesMoving = 40;
constexpr int32_t kChangeLinesMoved = 41;
constexpr int32_t kChangeSaveSetupRenamed = 42;    // 42 to 45: renamed, changed, added, deleted
constexpr int32_t kChangeImportSetupRenamed = 46;  // 46 to 49
constexpr int32_t kChangeTimeScaleRenamed = 50;    // 50 to 53
constexpr int32_t kChangeTimeScaleChanged = 51;
constexpr int32_t kChangeTimeScaleAdded = 52;
constexpr int32_t kChangeTimeScaleDeleted = 53;
constexpr int32_t kChangeMacroRenamed = 54;  // 54 to 57
constexpr int32_t kChangeSubsetCalculated = 59;
constexpr int32_t kChangeSubsetDefinition = 60;
constexpr int32_t kChangeLinks = 63;  // rename
constexpr int32_t kChangeDefaultTemplate = 64;
constexpr int32_t kChangeTemplates = 65;
constexpr int32_t kChangeLastCode = 68;

// The dispatcher: hands the note to the database itself, then to every party holding data
// derived from it, in nine steps (change_notes.cpp). A note sent by a receiver is dispatched at
// once, inside the step that sent it. The note's database must be set.
void NotifyChange(T_Base* base, const ChangeNote* note);
// A note with its code, object and index sent through NotifyChange; nothing for a null database.
void NotifyObjectChange(T_Base* base, int32_t code, void* object, int32_t index);
// Codes 1, 2, 4 and 5: every open database in list order, then every window of the application.
void BroadcastToAllBases(const ChangeNote* note);

// Whether a subset note (codes 58 to 62) concerns a subset stored with the database (kind 0),
// which is part of what is saved. By default the subset model answers (SubsetIsStored: a subset
// of the database's own list); a test may put another answer in. Null puts back the default.
using StoredSubsetQuery = bool (*)(const void* subset);
void SetStoredSubsetQuery(StoredSubsetQuery query);

// Watches the dispatch: called as each step (1 to 9) of NotifyChange begins, and with a null
// database and step 8 when BroadcastToAllBases reaches the application's windows. For tests;
// null removes it.
using DispatchProbe = void (*)(int32_t step, T_Base* base, const ChangeNote* note);
void SetDispatchProbe(DispatchProbe probe);
