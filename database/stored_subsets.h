#pragma once
// Stored subsets: the copies of a window's subsets that its template carries. A stored subset
// keeps only texts (selection definitions, card-id and stamp condition texts, the formula), so a
// template holds no compiled program and names no live subset; restoring builds live subsets
// from them again.
//
// Template records, for each stored subset in order:
//   "sn" TAB name
//   for each stored selection: "sN" TAB name, the selection definition in keyed form with the
//     prefix "s" (card_selection.h), "sk" TAB card-id text, and "sc" / "sm" / "se" / "sp" / "sa"
//     TAB time TAB signature (created, modified, examined, approved, notes) when either is set
//   "sf" TAB formula              when there is one
//   "sx" TAB notes                a long text, when there are notes
// Reading: "sn" and "sN" make the stored subset or selection of that name (letter case ignored)
// current, creating it when missing; "s-" drops the current stored selection.
//
// User-interface thread only (see T_Base).
#include <cstdint>

#include "core/bit_vector.h"
#include "database/card_selection.h"
#include "database/subsets.h"

class T_Base;
class T_IStream;
class T_OStream;

struct StoredSelection {
  StoredSelection* next = nullptr;
  char* name = nullptr;  // owned
  SelectionDef def;
  char* cardIdText = nullptr;  // owned
  char* timeTexts[kStampCount] = {};
  char* signatureTexts[kStampCount] = {};
};

struct StoredSubset {
  StoredSubset* next = nullptr;
  char* name = nullptr;  // owned
  StoredSelection* first = nullptr;
  char* combinationText = nullptr;  // owned, stored form
  char* notes = nullptr;            // owned
};

struct StoredSubsetList {
  T_Base* database = nullptr;
  StoredSubset* first = nullptr;
  // Where the next records of a read go; null between reads.
  StoredSubset* current = nullptr;
  StoredSelection* currentSelection = nullptr;
};

void StoredSubsetListInit(StoredSubsetList* list, T_Base* database);
void StoredSubsetListClear(StoredSubsetList* list);
bool StoredSubsetListEmpty(const StoredSubsetList* list);

// Each replaces the stored list. False (pending error 600) when memory ran out; the stored list
// then holds what was copied so far.
bool StoreSubsetList(StoredSubsetList* stored, SubsetList* live);
// Only the subsets of the live list that the combination names, and those they name in turn.
bool StoreUsedSubsets(StoredSubsetList* stored, SubsetList* live, Combination* object);
bool CopyStoredSubsets(StoredSubsetList* to, const StoredSubsetList* from);
// A live subset per stored one (an existing one of the name is read anew), its selections set
// from the definitions, then its formula (compiled at first use, so it may name subsets restored
// after it) and notes. False when memory ran out.
bool RestoreSubsetList(SubsetList* live, const StoredSubsetList* stored);

void WriteStoredSubsets(const StoredSubsetList* list, T_OStream* stream);
// One record whose key (read already, the cursor behind it) begins with "s". False for a key
// that is no stored-subset key, or when memory ran out (the records after it are still read).
bool ReadStoredSubsetRecord(StoredSubsetList* list, const char* key, T_IStream* stream);
// Ends a read: the next record starts no selection or subset of this one.
void StoredSubsetsEndRead(StoredSubsetList* list);

// Sets the components that the stored selections name.
void StoredSubsetsMarkComponents(const StoredSubsetList* list, BitVector* components);
int64_t StoredSubsetsMemSize(const StoredSubsetList* list);
