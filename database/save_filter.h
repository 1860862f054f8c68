#pragma once
// The save filter: which cards, and by the selection level which of their groups and lines, a
// save writes. It is the save options' filter compiled into a card selection for the duration of
// one save, joined with the lines the chosen templates need when only those are written.
#include <cstdint>

#include "core/bit_vector.h"
#include "database/card_selection.h"

class T_Base;
struct CardRecord;
struct GroupRecord;
struct LineRecord;

struct SaveFilter {
  bool active = false;  // false: every card, group and line is written
  CardSelection selection;
  bool useTemplateLines = false;
  BitVector templateLines;  // by line record number
  int32_t level = 0;        // 0 cards, 1 groups, 2 lines
};

// Compiles the database's current save options into the filter: active for a database target
// that writes dimensions or cards when the filter restricts something or only template lines are
// written; for an SIE target when the filter restricts something.
void SaveFilterBegin(SaveFilter* filter, T_Base* base);
void SaveFilterEnd(SaveFilter* filter);

// A card passes when its id lies in the date range, its title and notes match, and one of its
// groups has a selected component and holds a passing line.
bool SaveFilterCard(const SaveFilter* filter, const CardRecord* card);
// Of a passing card: level 0 every group; else the groups with a selected component that hold a
// passing line.
bool SaveFilterGroup(const SaveFilter* filter, const GroupRecord* group);
// Of a passing group: levels 0 and 1 every line; level 2 the passing lines only.
bool SaveFilterLine(const SaveFilter* filter, const LineRecord* line);

// The components of dimension d that the cards the save writes refer to (groups for dimension 0,
// line slots for the others): with no filter those of every card, as T_Base::MarkUsedComponents;
// with one only the cards, groups and lines it passes, so that a filtered save does not keep the
// components only left-out cards use.
void MarkComponentsOfWrittenCards(T_Base* base, BitVector* set, int32_t d);
// The cards and lines the save writes.
void CountWrittenCards(T_Base* base, int64_t* cards, int64_t* lines);
