#pragma once
// Components of a database: record allocation from the pool, creation, deletion and sorting,
// the code and host-code indexes of each dimension, the letter-case rules and the dimension
// record's answer to change notes. Lookups by key are in database/component_lookup.h, display
// texts and writers in database/component_text.h, tree walks in database/component_tree.h.
//
// Invariants (besides those of T_Base):
//   1. a component is linked in exactly one tree (the one of its dimension) or stands on the
//      free list with its three texts freed;
//   2. the code index of a dimension holds every component of it that has a code (all do) and
//      the host index every one that has a host code, each keyed by the dimension's rule (rule 4
//      exact, any other ignoring case); an index is null only while it would be empty;
//   3. no stored code is empty, holds a blank or a control character, or begins with "##";
//      no stored text or host code holds a control character or blanks at either end.
//
// User-interface thread only (see T_Base).
#include <cstdint>

#include "core/bit_vector.h"
#include "core/paged_array.h"
#include "database/base.h"
#include "database/model_records.h"
#include "ui/database_services.h"

// Allocating these record numbers first raises the reference width of the lines to 3 and 4.
constexpr int64_t kFirstComponentOfWidth3 = 65530;
constexpr int64_t kFirstComponentOfWidth4 = 0xFFFFFA;

inline ComponentRecord* ComponentAt(const T_Base* base, int64_t number) {
  return reinterpret_cast<ComponentRecord*>(PagedArrayAt(&base->componentPool, number));
}

// --- Records -------------------------------------------------------------------------------------

// A cleared record: the head of the free list, else the next record of the pool. Reaching record
// 65530 or 0xFFFFFA raises the reference width of every line first; when that raise is stopped
// (abort flag) or the pool cannot grow the answer is null and nothing changed.
ComponentRecord* AllocateComponent(T_Base* base);
// Test seam: the pool hands out the given number next, as if every record below it existed. The
// skipped records get no memory, so only walks over the trees (never over the pool) stay valid.
void SetNextComponentNumber(T_Base* base, int64_t number);
// Frees the texts of every component and the indexes of every dimension (database destruction).
void FreeComponentData(T_Base* base);

// --- Creation and deletion -----------------------------------------------------------------------

// Control characters become blanks, the code loses its blanks, text and host code their blanks
// at both ends, and the dimension's case rules apply. An empty code, or one that begins with
// "##", gives null. An existing code gives its component (logged as skipped). A host code that
// another component of the dimension holds is reported (3314) and dropped. The parent is the
// component whose code is the longest proper prefix of the code, else the root.
ComponentRecord* AddComponent(T_Base* base, int32_t dimension, const char* code, const char* text,
                              const char* hostCode);
// The same, appended as the last child of the parent (null: the parent by code, as above).
ComponentRecord* AddComponentUnder(T_Base* base, int32_t dimension, const char* code,
                                   const char* text, const char* hostCode,
                                   ComponentRecord* parent);
// A new text and host code (null keeps either; an empty host code clears it), normalised as
// AddComponent's; the host index follows. No clash check: the caller has made room.
void SetComponentTexts(T_Base* base, int32_t dimension, ComponentRecord* component,
                       const char* text, const char* hostCode);
// The same texts and refusals, but placed right after the sibling (same parent), without the
// duplicate log and without recomputing the line slots.
ComponentRecord* InsertComponentAfter(T_Base* base, int32_t dimension, const char* code,
                                      const char* text, const char* hostCode,
                                      ComponentRecord* sibling);
// What every path that sets a component's texts does first (editors included): control
// characters become blanks, a text loses its blanks at both ends, a code every blank.
void CleanComponentText(T_TextBuf* text);
void CleanComponentCode(T_TextBuf* code);
// False for a cleaned code that no component may have: empty, or beginning with "##", which
// would end the dimension's section of a saved file and lose every component after it.
bool StorableComponentCode(const T_TextBuf* code);
// The code, text and host code as AddComponent would store them in the dimension (control
// characters, blanks and letter case by its rules); false when they make no code.
bool NormaliseComponentTexts(const DimensionRecord* dimension, const char* code, const char* text,
                             const char* hostCode, T_TextBuf* codeOut, T_TextBuf* textOut,
                             T_TextBuf* hostCodeOut);
// Deletes every component of the dimension whose bit is set, with its whole subtree. The caller
// sends code 12 with the set and then code 11.
void DeleteMarkedComponents(T_Base* base, const BitVector* set, int32_t dimension);

// SortChildren flags.
constexpr int32_t kSortChildrenRecursive = 1;
constexpr int32_t kSortChildrenDescending = 2;
constexpr int32_t kSortChildrenByText = 4;
constexpr int32_t kSortChildrenByHostCode = 8;
// Relinks the children of the node in order of code, text (4) or host code (8; 4 wins), ties
// by code; 2 reverses; 1 sorts every subtree below first.
void SortChildren(ComponentRecord* node, int32_t flags);

// --- Indexes -------------------------------------------------------------------------------------

// Drops the index when no component of the dimension has the key; else sizes it for all of them
// and fills it in tree order.
void RebuildCodeIndex(T_Base* base, int32_t dimension);
void RebuildHostIndex(T_Base* base, int32_t dimension);
// Enters a new component into both indexes, growing an index that passes its capacity.
void IndexComponent(T_Base* base, int32_t dimension, ComponentRecord* component);

// --- Letter-case rules ---------------------------------------------------------------------------

// Each does nothing for an unchanged or unknown rule (codes take only 0, 1, 4 and 5). Rules 0
// to 3 rewrite the stored texts; the index concerned follows the new rule. Sends 19, 20 or 21,
// then 18 when a rewritten field is shown by the display style.
void SetCodeCase(DimensionRecord* dimension, int32_t rule);
void SetTextCase(DimensionRecord* dimension, int32_t rule);
void SetHostCase(DimensionRecord* dimension, int32_t rule);
// The same from a letter of "ULDWSN"; any other letter leaves the rule.
void SetCodeCaseLetter(DimensionRecord* dimension, char letter);
void SetTextCaseLetter(DimensionRecord* dimension, char letter);
void SetHostCaseLetter(DimensionRecord* dimension, char letter);

// --- Counts --------------------------------------------------------------------------------------

int64_t CountDimensionComponents(T_Base* base, int32_t dimension);
// Records of the pool that hold a component: the pool count less the roots and the free list.
int64_t CountComponentsInUse(T_Base* base);

// --- For the toolkit's hook records (ComponentOperations, SelectionOperations) -------------------
// Numbers outside the pool answer 0, the number itself, or null.

int32_t CompHook_Count(T_Base* base);
int32_t CompHook_TreeNext(T_Base* base, int32_t component);
int32_t CompHook_TreeNextReverse(T_Base* base, int32_t component);
const char* CompHook_Code(T_Base* base, int32_t component);
const char* CompHook_Text(T_Base* base, int32_t component);
const char* CompHook_HostCode(T_Base* base, int32_t component);
bool CompHook_HasSubComponents(T_Base* base, int32_t dimension);
int32_t CompHook_FindByKey(T_Base* base, int32_t dimension, const char* key, int32_t length);
