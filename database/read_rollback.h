#pragma once
// The undo of a failed read into a database that already holds data (an import): what existed
// before the read is remembered, and when the read ends with the database's error flag set,
// everything the read added goes again.
//
// Remembered before the read:
//   - the component records and card records in use (one bit each, by record number);
//   - the last time scale (the list is in order of creation);
//   - a mark on every save setup, import setup, macro, subset and template.
// Removed after a failed read: cards and components whose records were not in use (components
// with their subtrees), time scales behind the remembered last one, and save setups, import
// setups, macros, templates and subsets without the mark (a subset only once nothing names it
// any more). The setups are marked rather than remembered by their last one because their lists
// are sorted by name, so that a setup the read adds may stand before an old one. Objects that
// existed before keep any change the read made to them; a template the read stored over one of
// the same path takes its place with its mark (template_tree.h StoreTemplate).
//
// User-interface thread only.
#include "core/bit_vector.h"

class T_Base;
struct TimeScale;

struct ReadSnapshot {
  BitVector components;  // bits of the records in use, roots included
  BitVector cards;
  TimeScale* lastTimeScale = nullptr;
};

// Fills the snapshot and marks the stored objects. False (pending 600) when its sets cannot be
// had; the snapshot then holds nothing.
bool TakeReadSnapshot(T_Base* base, ReadSnapshot* snapshot);
// Removes what the read added (see above), rebuilds the code and host indexes of every
// dimension, and sends code 12 and code 11 for every dimension that lost components (code 11
// also for every other dimension with a change pending) and code 28 when cards went. Runs to the
// end although the failed read left the abort flag raised; the pending error and the flag are
// as they were afterwards.
void RollBackRead(T_Base* base, ReadSnapshot* snapshot);
void FreeReadSnapshot(ReadSnapshot* snapshot);
