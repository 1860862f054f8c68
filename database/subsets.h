#pragma once
// Subsets: named, stored sets of card lines. A subset is defined by a list of named selection
// items (each a card selection with conditions on the card id and the card's stamps) and a
// combination formula over its items and other subsets (database/combination.h). The database
// holds one subset list of its own (kind 0); analysis windows hold lists of their own (kind 1).
//
// Invariants:
//   1. a list is sorted by name, letter case ignored; names are unique in their list and valid
//      formula names; the first subset's previous link points to the last subset;
//   2. a subset's items keep their order; index is the position, counted from 0; the first
//      item's previous link points to the last item;
//   3. a subset named by a combination, a registered selection or definition, or another subset
//      is in use and is never destroyed except with its list;
//   4. a subset has at most one pending T_DeleteSubsetCom, and the command and the subset point
//      at each other until one of them goes.
//
// Text form of a selection item (the "## Selection" clipboard block, or an item inside a subset
// block, whose first key is then "VN"):
//   "## Selection" or "VN", TAB, name
//   the item's card selection in keyed form with the prefix "V" (card_selection.h)
//   "Vk" TAB card-id condition
//   "Vc" / "Vm" / "Ve" / "Vp" / "Va" TAB time TAB signature: the created, modified, examined,
//                              approved and notes stamp conditions, each when it has a text
// Text form of a subset (the "##Subset" section of a database file, the "## Subset" clipboard
// block):
//   "##Subset" or "## Subset", TAB, name (left out when the caller gives no key)
//   the items, each as above with "VN"
//   "F" TAB formula            the combination in stored form, when there is one
//   "xo"                       the editor is to open
//   "xp" TAB x TAB y           the editor's position, when one is known
//   "N" TAB notes              a long text field (CR and TAB as bytes 3 and 4)
// A block ends at the next line that begins with "##".
//
// User-interface thread only (see T_Base).
#include <cstdint>

#include "core/bit_vector.h"
#include "core/criteria.h"
#include "core/text_buffer.h"
#include "database/card_selection.h"
#include "database/combination.h"
#include "database/subset_conditions.h"
#include "ui/application.h"

class T_Base;
class T_IStream;
class T_OStream;
class T_Window;
class T_DeleteSubsetCom;

constexpr int32_t kSubsetListOfDatabase = 0;
constexpr int32_t kSubsetListOfWindow = 1;

// Stamps of a card in the order of an item's stamp conditions.
constexpr int32_t kStampCreated = 0;
constexpr int32_t kStampModified = 1;
constexpr int32_t kStampExamined = 2;
constexpr int32_t kStampApproved = 3;
constexpr int32_t kStampNotes = 4;
constexpr int32_t kStampCount = 5;

// Line sets unused for longer than this are released by the periodic tick.
constexpr uint64_t kSubsetIdleRelease = 180000;

struct SubsetList {
  T_Base* database = nullptr;
  Subset* first = nullptr;
  int32_t count = 0;
  int32_t kind = kSubsetListOfWindow;
  SubsetList* nextOfDatabase = nullptr;  // every list of the open databases, for the in-use test
};

struct StampCondition {
  IdCondition time;
  CriteriaPattern signature;  // case insensitive; its empty result answers an empty signature
  char* signatureText = nullptr;
};

struct SelectionItem {
  Subset* subset = nullptr;
  SelectionItem* next = nullptr;
  SelectionItem* previous = nullptr;
  char* name = nullptr;
  int32_t index = 0;
  uint8_t hasStampCondition = 0;
  CardSelection selection;
  IdCondition cardId;
  StampCondition stamps[kStampCount];
};

struct Subset {
  Combination combination;  // first: its definition
  T_Base* database = nullptr;
  SubsetList* list = nullptr;
  Subset* next = nullptr;
  Subset* previous = nullptr;
  char* name = nullptr;
  int32_t listKind = kSubsetListOfWindow;
  T_Window* editor = nullptr;
  T_DeleteSubsetCom* pendingDelete = nullptr;
  SelectionItem* firstItem = nullptr;
  int32_t itemCount = 0;
  uint8_t open = 0;
  uint8_t isNew = 0;  // made by the "New Subset" command, until the user keeps it
  uint8_t mark = 0;   // set before a read: the subset survives the read's rollback
  uint8_t hasPosition = 0;
  int32_t editorX = 0;
  int32_t editorY = 0;
  char* notes = nullptr;
  uint64_t lastCheck = 0;  // tick of the last use of its line sets
};

// Destroys and frees its subset when it runs; a subset destroyed before leaves it idle.
class T_DeleteSubsetCom : public T_DeferCom {
 public:
  explicit T_DeleteSubsetCom(Subset* subset);
  ~T_DeleteSubsetCom() override;
  void Execute() override;
  Subset* subset;
};

// What the subset editor (a layer above) does for the model; each hook may be missing.
struct SubsetEditorServices {
  void (*closeEditor)(Subset* subset);    // closes the open editor window
  void (*subsetChanged)(Subset* subset);  // the editor shows the subset anew
  // The open editor's position; false when it has none.
  bool (*editorPosition)(Subset* subset, int32_t* x, int32_t* y);
  // Opens or brings forward the subset's editor (the flags of the toolkit's OpenSubsetEditor).
  void (*openEditor)(Subset* subset, int32_t flags);
};
// Null puts back the defaults.
void SetSubsetEditorServices(const SubsetEditorServices* services);
// The open editor's position through the services; false when there is none.
bool SubsetEditorPosition(Subset* subset, int32_t* x, int32_t* y);
// The editor through the services; nothing opens without them.
void SubsetOpenEditor(Subset* subset, int32_t flags);

// --- Lists and subsets (database/subsets.cpp) --------------------------------------------------

void SubsetListInit(SubsetList* list, T_Base* database, int32_t kind);
// Destroys every subset of the list, then forgets the list.
void SubsetListFree(SubsetList* list);
// A new subset (pending error 600 and null without memory): its name made unique, inserted in
// name order, code 61. The combination may name the database's subsets and, for a window's
// list, the window's.
Subset* SubsetCreate(SubsetList* list, const char* name);
// Closes its editor, unlinks it (code 62), frees its items, name and line sets and detaches a
// pending delete command.
void SubsetDestroy(Subset* subset);
// Makes the name unique; when it differs from the present one and is none of the scope words,
// renames, moves the subset to its place and sends code 58 with the old name. False when the
// name stayed.
bool SubsetRename(Subset* subset, const char* name);
// The name as a valid formula name ("S" or "G" in front where needed, "S1" or "G1" for none),
// stepped until no other subset of the list has it.
void SubsetUniqueName(SubsetList* list, T_TextBuf* name, const Subset* except);
// Only the first step: the name a subset created under it would get in an empty list.
void SubsetValidName(SubsetList* list, T_TextBuf* name);
// By name, letter case ignored; null for none.
Subset* SubsetFind(SubsetList* list, const char* name);
// Whether a combination, registered selection or definition, or other subset names it.
bool SubsetInUse(Subset* subset);
// Not in use: question 3208 and, on "Delete", the deferred delete. In use: alert 4705. True
// when a delete is pending afterwards.
bool SubsetAskDelete(Subset* subset);
// Queues one T_DeleteSubsetCom on the application unless one is pending; false when none is
// pending afterwards (no application).
bool PostDeleteSubsetCom(Subset* subset);
// Makes the subset stale: code 59, or its open editor is told.
void SubsetMarkChanged(Subset* subset);
// The periodic tick: line sets of subsets without editor, not in use and unused for more than
// 180 s are freed (they are calculated again on demand).
void SubsetListReleaseIdle(SubsetList* list);
// Step 7 of the dispatch: every subset's combination.
void SubsetListOnChange(SubsetList* list, const ChangeNote* note);
// The subset at the address when it stands on a list of an open database, else null (a note's
// object is checked before it is read).
Subset* FindLiveSubset(const void* address);
// Whether the subset of a note (codes 58 to 62) is one of the database's own, which are saved
// with it. Anything that is no live subset counts as stored.
bool SubsetIsStored(const void* subset);
// Sets the components that the subset's items name.
void SubsetMarkReferenced(Subset* subset, BitVector* set);
// The subset record plus 1000 per item; the list: all its subsets.
int64_t SubsetMemSize(const Subset* subset);
int64_t SubsetListMemSize(const SubsetList* list);

// The subset editor's layout in the current port: the label column as wide as the widest of the
// texts 3101, the card-title and line-text labels, 3506, 3135, 3502 to 3505 and the value names,
// plus 5; the window that plus the field column plus 307 wide, and
// max(17 x line dimensions + 86, 282, 17 x rows + 265) + 82 high.
struct SubsetEditorLayout {
  int32_t labelWidth;
  int32_t width;
  int32_t height;
};
SubsetEditorLayout SubsetEditorMeasure(T_Base* base, int32_t fieldColumn, int32_t rows);

// --- Items (database/subset_items.cpp) ----------------------------------------------------------

// Appended with a unique name ("A" for none); null without memory.
SelectionItem* SubsetAppendItem(Subset* subset, const char* name);
// Unlinks and frees it; the later items are renumbered.
void SubsetRemoveItem(Subset* subset, SelectionItem* item);
SelectionItem* SubsetItemAt(Subset* subset, int32_t index);
SelectionItem* SubsetFindItem(Subset* subset, const char* name);
void SubsetUniqueItemName(Subset* subset, T_TextBuf* name, const SelectionItem* except);
// The open editor of the subset (null for none).
void SubsetSetEditor(Subset* subset, T_Window* editor);
// The card-id condition and the stamp conditions (time and signature texts); each compiles and
// rewrites its text.
void ItemSetCardIdCondition(SelectionItem* item, T_TextBuf* text);
void ItemSetStampCondition(SelectionItem* item, int32_t stamp, T_TextBuf* time,
                           T_TextBuf* signature);
// The item's lines: its selection validated without a window, then every card that passes the
// card test, the card-id condition and every stamp condition; in it the lines of groups whose
// component is selected that pass the line test. The item's date bounds are not used. False
// when the abort flag stopped it.
bool ItemCollectLines(SelectionItem* item, BitVector* lines);

// --- Text forms (database/subset_blocks.cpp) ----------------------------------------------------

// The "## Selection" block (clipboard) or the item inside a subset block ("VN").
void WriteSelection(SelectionItem* item, T_OStream* stream, bool clipboard);
// The subset's lines under the key ("##Subset", "## Subset", or null for none) with its name.
void WriteSubset(Subset* subset, T_OStream* stream, const char* key);
// From the current line to the next line that begins with "##" (left current: true) or the end
// (false). The formula is compiled at its first use, so it may name subsets read later.
bool ReadSubset(Subset* subset, T_IStream* stream);
// Clears everything ReadSubset reads (items, formula, open flag, position, notes), so that the
// subset can be read anew.
void SubsetClearRecords(Subset* subset);
// The current line holds the item's header ("## Selection" or "VN" and the name); reads the
// item's lines up to the next line that is not one of its keys (left current) or the end.
void ReadSelection(SelectionItem* item, T_IStream* stream);
// Every "## Subset" block from the current line on, each into a new subset of the list; lines
// before the first block are passed over. The number of subsets read.
int32_t ReadSubsetBlocks(SubsetList* list, T_IStream* stream);
