#pragma once
// Cards of a database: the date index over the card chain, the numbering of cards within a day,
// creating, copying, moving and deleting cards, finding and counting them by id, and their
// stamps. Groups and lines are in database/lines.h.
//
// Invariants (beside those of database/base.h):
//   1. a date node exists exactly while cards of its date exist; its card count is their number
//      and its first card the first of them in the chain;
//   2. the cards of one date ascend by day number; numbers are unique within a date;
//   3. a node's hint card ends the longest run of numbers 1, 2, ..., k at the start of its date,
//      so the first k cards of the date are numbered 1 to k; no card numbered 1: no hint;
//   4. the sentinel node's first card is the sentinel card, so for every node the card after its
//      date is node->next->firstCard;
//   5. a free card has no date node, and a free card, group or line has no texts.
//
// Creating, moving and deleting a card sets the database's card-change-pending flag; the owner
// of the change sends code 28 (or 27) once it is done.
#include <cstdint>

#include "core/bit_vector.h"
#include "core/packed_date.h"
#include "core/paged_array.h"
#include "database/model_records.h"
#include "ui/document_window.h"  // kCommandExamine, kCommandApprove

class T_Base;

// The largest number a card can be asked for: the largest one nine digits show.
constexpr int32_t kLargestCardNumber = 999999999;

// --- Date nodes -------------------------------------------------------------------------------
// The last node whose date is not above the date; the sentinel node when there is none or the
// date is 0. Remembers what it found in the 13-slot cache.
DateNode* FindDateNode(T_Base* base, PackedDate date);
// The last card of a node's date.
inline CardRecord* LastCardOfDate(const DateNode* node) { return node->next->firstCard->previous; }

// --- Cards ------------------------------------------------------------------------------------
// A new card with empty title, notes, stamps and groups, numbered within its date from the asked
// number (0 means 1, above kLargestCardNumber means that): the asked number when it is free,
// else the smallest free number above it. The id gets the number given. Null for the empty date
// or without memory.
CardRecord* CreateCard(T_Base* base, CardId* id);
// A copy of the card on another date, numbered as a new card asked for number 1: title, notes,
// notes stamp, groups and lines; the other stamps stay empty. Copying stops at the first group
// or line that cannot be had (the pending error is set); null when the card itself cannot be.
CardRecord* DuplicateCard(T_Base* base, const CardRecord* source, PackedDate date);
// Takes the card out of its date and numbers it again under the id (as for CreateCard); the id
// gets the number given. When the id printed with the card-number digits changed, the card
// rename hook is called. False (the card stays) for the empty date or without memory.
bool MoveCard(T_Base* base, CardRecord* card, CardId* id);
// Frees the card with its title, notes, groups and lines.
void DeleteCard(T_Base* base, CardRecord* card);
// Removes the card's groups without lines; deletes a card left without groups (null), else
// returns the card.
CardRecord* PruneCard(T_Base* base, CardRecord* card);
// After bulk changes of the chain: the first card's previous link points back to the sentinel.
void RepairCardChain(T_Base* base);
// Both pump messages (every 512 cards, after every deleted marked card) and stop when the abort
// flag is set; they return the number of cards deleted. Marked cards are set bits by record
// number; a card beyond the end of the set stays.
int64_t DeleteAllCards(T_Base* base);
int64_t DeleteMarkedCards(T_Base* base, const BitVector* cards);

// The card with exactly that id, else the last card below it; the sentinel card when none.
CardRecord* FindCardAtOrBefore(T_Base* base, const CardId* id);
// The number of cards having at least one line in the set (bits by line record number); pumps
// messages every 512 cards and stops when the abort flag is set.
int64_t CountCardsWithLines(T_Base* base, const BitVector* lines);

// -1, 0 or 1 by card id, negated when descending is 1; a null card sorts after every card in
// either direction, two null cards are equal.
int32_t CardCompareById(const CardRecord* a, const CardRecord* b, int32_t descending);
CardId CardGetId(const CardRecord* card);

// Texts of a card. Controls in a title become blanks, as they would split the section stream;
// notes keep their line ends and TABs, which their long-text form carries. False without memory
// (the old text stays).
bool SetCardTitle(CardRecord* card, const char* text);
bool SetCardNotes(CardRecord* card, const char* text);

// --- Stamps -----------------------------------------------------------------------------------
// A card saved with a stamp: the creator saving again clears the later stamps; the first save
// of a card without a created stamp creates it; anyone else's save marks it changed. Examined
// and approved are cleared in every case.
void StampCardChange(CardRecord* card, const SignatureStamp* stamp);
// Command 2531 sets the examined stamp, 2532 the approved stamp; other commands do nothing.
void CardSetReviewStamp(CardRecord* card, const SignatureStamp* stamp, int32_t command);

// --- Renames ----------------------------------------------------------------------------------
// Called by MoveCard when a card's printed id changed, so that links to the old id can be
// rewritten: RenameCardLinks (database/link_rename.h). Null puts it back.
using CardRenameHook = void (*)(T_Base* base, const CardId* oldId, const CardId* newId);
void SetCardRenameHook(CardRenameHook hook);

// --- Record pools -----------------------------------------------------------------------------
// The first free record of a card, group or line pool (free records are linked through next
// and keep their record number), else a new record at the pool's end with its number set; null
// without memory. The caller fills in the rest.
template <typename Record>
Record* TakePoolRecord(PagedArray* pool, Record** freeList) {
  if (Record* record = *freeList) {
    *freeList = record->next;
    return record;
  }
  int64_t number = pool->count;
  auto* record = reinterpret_cast<Record*>(PagedArrayAtGrow(pool, number));
  if (record) record->number = number;
  return record;
}
