#pragma once
// Groups and lines of the cards, and the line layout of the whole database.
//
// A group holds the lines of one component of dimension 0 within its card; a line holds a text,
// the values and one component reference per slot (model_records.h). Groups and lines are
// appended at the end of their lists. The batch deletion of lines and the line accessors are
// members of T_Base (database/base.h).
//
// Line layout: every line record has 24 + 8 x value count + slots x reference width bytes, rounded
// up to 8. Changing the value count, the slot count or the width re-lays every record in the line
// pool; around it code 40 (line pointers about to go stale: hold line numbers instead) and code 41
// (turn them back into pointers) go out, and the pool's own links are kept through record
// numbers the same way.
#include <cstdint>

#include "core/bit_vector.h"
#include "database/model_records.h"

class T_Base;

// --- Groups -----------------------------------------------------------------------------------
// Frees the group's lines and the group; a card left without groups is deleted (null), else the
// card is returned.
CardRecord* RemoveGroup(T_Base* base, CardRecord* card, GroupRecord* group);
// Appends the lines of every following group of its card to the group and frees those groups.
void MergeGroups(T_Base* base, GroupRecord* group);
// Frees every group and line of the card (for deleting the card).
void FreeCardGroups(T_Base* base, CardRecord* card);
// Frees the card's groups that have no lines; the card stays even without groups.
void RemoveEmptyGroups(T_Base* base, CardRecord* card);

// --- Lines ------------------------------------------------------------------------------------
// A new line at the end of the group with no text and the database's default values and default
// components; null without memory.
LineRecord* CreateLine(T_Base* base, GroupRecord* group);
// Unlinks and frees the line; a group left empty is removed and a card left empty deleted. The
// card, or null when it was deleted.
CardRecord* RemoveLine(T_Base* base, CardRecord* card, GroupRecord* group, LineRecord* line);
// Removes every line of the card whose bit is set (bits by line record number); empty groups go
// and a card left empty is deleted. The number of lines removed.
int64_t DeleteMarkedLines(T_Base* base, CardRecord* card, const BitVector* lines);
// Controls become blanks, as they would split the section stream. False without memory.
bool SetLineText(LineRecord* line, const char* text);

// --- Layout -----------------------------------------------------------------------------------
// The number of value columns, 1 to 24 (other numbers and the current count are ignored).
// Existing values keep their columns, new ones are 0.0; code 32 carries the difference. Without
// memory nothing changes.
void SetValueCount(T_Base* base, int32_t count);
// The value column named so, ignoring letter case, controls and surrounding blanks: a stored
// name, else the text as a number 1 to 24 (a column at its default name is found by number
// only); -1 for an empty or unknown name.
int32_t FindValueByName(const T_Base* base, const char* name);
