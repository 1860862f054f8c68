#pragma once
// Combination: a subset formula. It joins the selection items of its subset and other subsets
// with union, either-or, intersection, difference and complement, and with the scope words
// "cards", "groups" and "unbalanced"; it is compiled to a postfix token list and calculated to
// one bit per line record. Every subset begins with one (its definition) and every card
// selection holds one (its subset criterion).
//
//   code  token                                   text              precedence
//   1     complement of the operand               prefix "¬"        4
//   2     union                                   "|"               1
//   3     either-or                               "±"               2
//   4     intersection                            "&"               3
//   5     difference                              "¬"               3
//   6     every line of a card with a line set    prefix "cards "   4
//   7     every line of a group with a line set   prefix "groups "  4
//   8     the groups of the operand's lines       prefix "unbalanced "  4
//         whose value sums do not round to 0
//   9     the same over all lines                 "unbalanced"      operand
//   10    a selection item of the owning subset   its name          operand
//   11    a subset                                its name          operand
//   0     end of the list
// The stored form has no blanks around binary operators, the display form one on each side.
// Either-or binds tighter than union when read, so it prints at its own precedence too.
//
// Invariants:
//   1. tokens is null (no formula) or a postfix list ended by code 0 that leaves one set;
//   2. a token 10 names an item of owner, a token 11 a subset of databaseList or furtherList;
//      a subset named by any combination is in use and is never deleted;
//   3. lines has no words until the first calculation; after one it has a bit per line record
//      of the database (the line pool's count) and calculated says whether it is current;
//   4. busy is set only while the combination is being calculated or asked whether it needs
//      it, so a formula met again on its own path (subsets naming each other) is cut there.
//
// User-interface thread only (see T_Base).
#include <cstdint>

#include "core/bit_vector.h"
#include "core/text_buffer.h"
#include "ui/database_services.h"

class T_Base;
struct SelectionItem;
struct Subset;
struct SubsetList;

constexpr int32_t kCombEnd = 0;
constexpr int32_t kCombComplement = 1;
constexpr int32_t kCombUnion = 2;
constexpr int32_t kCombEitherOr = 3;
constexpr int32_t kCombIntersection = 4;
constexpr int32_t kCombDifference = 5;
constexpr int32_t kCombCards = 6;
constexpr int32_t kCombGroups = 7;
constexpr int32_t kCombUnbalancedOf = 8;
constexpr int32_t kCombUnbalanced = 9;
constexpr int32_t kCombItem = 10;
constexpr int32_t kCombSubset = 11;

struct CombinationToken {
  int32_t code;
  int64_t argument;  // the SelectionItem or Subset of codes 10 and 11
};

struct Combination {
  T_Base* database = nullptr;
  SubsetList* databaseList = nullptr;  // the database's subsets, or null
  SubsetList* furtherList = nullptr;   // further names the owner offers, or null
  Subset* owner = nullptr;             // the subset this combination defines, or null
  CombinationToken* tokens = nullptr;  // owned
  BitVector lines;
  uint8_t calculated = 0;
  uint8_t busy = 0;
  char* pendingText = nullptr;  // owned; read from a file and compiled at first use
};

void CombInit(Combination* combination, T_Base* database, SubsetList* databaseList,
              SubsetList* furtherList, Subset* owner);
// Frees the tokens, the pending text and the line set.
void CombFree(Combination* combination);

// Compiles a formula (null or empty: none) in place of the present one and marks the
// combination not calculated. A word that names nothing is reported (4707, not while a web
// request is served) and skipped; the rest still compiles.
void CombCompile(Combination* combination, const char* text);
// The same without reports, for a formula compiled again after a name it holds went away (the
// name then drops out).
void CombCompileQuietly(Combination* combination, const char* text);
// Keeps the text to compile at first use: a formula read from a file may name subsets that are
// read after it.
void CombSetPendingText(Combination* combination, const char* text);
void CombResolvePending(Combination* combination);

// Replaces the text by the formula: separator ' ' gives the display form, 0 the stored form.
void CombPrint(Combination* combination, T_TextBuf* text, char separator);
bool CombHasTokens(Combination* combination);
bool CombUsesSubset(Combination* combination, const Subset* subset);
bool CombUsesItem(Combination* combination, const SelectionItem* item);

// False without tokens; true when not calculated or when a named item or subset needs it.
bool CombNeedsCalc(Combination* combination);
// Brings the line set up to date. changed (may be null) is raised when its content changed.
// False when the abort flag stopped it; the set is then empty.
bool CombCalculate(Combination* combination, bool* changed);
// Drops the line set; the next calculation makes it again.
void CombFreeLines(Combination* combination);
// Codes 11, 27, 28 and 32 make it stale; 59 when it names the subset of the note.
void CombOnChange(Combination* combination, const ChangeNote* note);

// The names a chooser offers: the database list's subsets, the further list's subsets, then the
// owner's items, each group apart from the one before by a separator (null name).
int32_t CombNameCount(Combination* combination);
const char* CombName(Combination* combination, int32_t index);
// By exact name, letter case ignored: the further list first, then the database list.
Subset* CombFindSubset(Combination* combination, const char* name);
// Where a subset that the combination may name is created: the further list, else the database
// list.
SubsetList* CombSubsetList(Combination* combination);

// Whether an operator of the formula language starts right at the position: "&", "(", ")", "|",
// "¬", "±", or a run of two or more "+" or "-". Its length in bytes goes to length.
bool CombScanOperator(const char* position, int32_t* length);
// "cards", "groups" or "unbalanced", letter case ignored: no subset may be renamed so.
bool CombIsScopeWord(const char* name);
// Whether a formula text names the subset (a whole word, scope words in front of it allowed,
// letter case ignored), and the same text with every such name replaced.
bool CombTextNames(const char* text, const char* name);
void CombRenameInText(T_TextBuf* text, const char* oldName, const char* newName);
