#include "database/change_notes.h"

#include "database/base.h"
#include "database/card_selection.h"
#include "database/date_ref.h"
#include "database/link_handlers.h"
#include "database/link_rename.h"
#include "database/menu_marks.h"
#include "database/model_links.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "database/time_scale.h"
#include "database/web_users.h"
#include "ui/application.h"
#include "ui/document_window.h"

// The order of the steps is the contract:
//   1. the database's own flags are right before anyone sees the note;
//   2. so is its own derived state (modified flag, line layout, card digits, menu marks), so
//      every receiver may read it;
//   3-7. the model-side receivers (dimensions, selections, templates and time scales, subsets,
//      web users) recompute before any window does, so what a window redraws is settled;
//   8. the windows of the database and the dialogs that follow databases;
//   9. the reference date last, since its own note (38) must find everything else settled.
// A note sent from inside a step runs through all nine steps before that step goes on.

namespace {

DispatchProbe probe = nullptr;
const ChangeNote* broadcastNote = nullptr;  // the note BroadcastToAllBases is handing round

bool IsOpenBase(const T_Base* candidate) {
  for (T_Base* base = FirstBase(); base; base = base->next) {
    if (base == candidate) return true;
  }
  return false;
}
StoredSubsetQuery storedSubset = nullptr;

void Probe(int32_t step, T_Base* base, const ChangeNote* note) {
  if (probe) probe(step, base, note);
}

bool ConcernsStoredSubset(const ChangeNote* note) {
  return storedSubset ? storedSubset(note->object) : SubsetIsStored(note->object);
}

constexpr int32_t kNoMenu = -1;

// What the database does itself for a run of codes, after the model upkeep of DoModelUpkeep.
// Codes not listed need nothing of the database.
struct OwnAction {
  int32_t first;
  int32_t last;
  bool modified;
  int32_t menu;           // the cached menu whose list the change alters
  bool storedSubsetOnly;  // only when the note concerns a subset stored with the database
};

constexpr OwnAction kOwnActions[] = {
    {8, 12, true, kNoMenu, false},            // save kind, password, web users, components
    {17, 17, false, kMenuDimensions, false},  // plural name of a dimension
    {19, 32, true, kNoMenu, false},  // dimension options, cards, digits, decimals, line layout
    {38, 38, true, kNoMenu, false},  // reference date
    {42, 42, true, kMenuSaveSetups, false},
    {43, 43, true, kNoMenu, false},  // a save setup's content: the menu lists names only
    {44, 45, true, kMenuSaveSetups, false},
    {46, 46, true, kMenuImportSetups, false},
    {47, 47, true, kNoMenu, false},
    {48, 49, true, kMenuImportSetups, false},
    {50, 50, true, kMenuTimeScales, false},
    {51, 51, true, kNoMenu, false},
    {52, 53, true, kMenuTimeScales, false},
    {54, 57, true, kMenuMacros, false},
    {58, 58, true, kMenuSubsets, true},
    {60, 60, true, kNoMenu, true},
    {61, 62, true, kMenuSubsets, true},
    {64, 64, true, kNoMenu, false},
    {65, 65, true, kMenuTemplates, false},
};

const OwnAction* OwnActionOf(int32_t code) {
  for (const OwnAction& action : kOwnActions) {
    if (code >= action.first && code <= action.last) return &action;
  }
  return nullptr;
}

// Step 1.
void ClearFlags(T_Base* base, const ChangeNote* note) {
  int32_t code = note->code;
  if (code == kChangeComponentsRebuilt && note->index >= 0 && note->index < kDimensionCount)
    base->dimensionChangePending[note->index] = 0;
  if (code == kChangeCards) base->cardChangePending = 0;
  if (code == kChangeComponentsRebuilt || code == kChangeComponentsDeleted)
    base->componentsSeen = 0;
  if (code == kChangeCardSaved || code == kChangeCards) base->cardChangeSeen = 0;
}

// The model state that derives from the change and that the database keeps itself.
void DoModelUpkeep(T_Base* base, const ChangeNote* note) {
  switch (note->code) {
    case kChangeComponentsRebuilt:
      RecomputeLineSlots(base);
      break;
    case kChangeComponentsDeleted:
      ClearDeletedComponentReferences(base, note->index, note->componentSet);
      break;
    case kChangeCardSaved:
    case kChangeCards:
      RaiseCardDigitsToFit(base);
      break;
    case kChangeLinks:
      if (note->rename) RenameLinksInCards(base, note->rename);
      break;
    case kChangePath:
      // Relative links resolve against the file's folder, so they survive "Save As".
      LinkContextFollowPath(base);
      break;
    default:
      break;
  }
}

// Step 2.
void DoOwnAction(T_Base* base, const ChangeNote* note) {
  DoModelUpkeep(base, note);
  const OwnAction* action = OwnActionOf(note->code);
  if (!action || (action->storedSubsetOnly && !ConcernsStoredSubset(note))) return;
  if (action->modified) base->SetModified(true);
  if (action->menu != kNoMenu) MarkMenuStale(base, action->menu);
}

}  // namespace

void SetStoredSubsetQuery(StoredSubsetQuery query) { storedSubset = query; }

void SetDispatchProbe(DispatchProbe replacement) { probe = replacement; }

void NotifyObjectChange(T_Base* base, int32_t code, void* object, int32_t index) {
  if (base == nullptr) return;
  ChangeNote note;
  note.code = code;
  note.database = base;
  note.object = object;
  note.index = index;
  NotifyChange(base, &note);
}

void NotifyChange(T_Base* base, const ChangeNote* note) {
  if (!base || !note) return;

  Probe(1, base, note);
  ClearFlags(base, note);

  Probe(2, base, note);
  DoOwnAction(base, note);

  Probe(3, base, note);
  for (DimensionRecord* dimension : base->dimensions) {
    if (dimension) DimensionRecordOnChange(dimension, note);
  }

  Probe(4, base, note);
  SelectionsOnChange(base, note);

  Probe(5, base, note);
  SelectionDefsOnChange(base, note);

  Probe(6, base, note);
  if (note->code == kChangeLinks) {
    TemplatesOnChange(base, note);
    for (TimeScale* scale = base->timeScales; scale; scale = scale->next)
      RewriteLinksInPeriodNames(scale, note);
  }

  Probe(7, base, note);
  if (base->subsets) SubsetListOnChange(base->subsets, note);
  if (base->webUsers) WebUserListOnChange(base->webUsers, note);

  Probe(8, base, note);
  // Inside a broadcast to every database the dialogs and the application's other windows are
  // reached once, after all databases, instead of once per database.
  if (note == broadcastNote)
    BroadcastToDocumentWindows(note, base);
  else
    BroadcastToWindows(note, base);

  Probe(9, base, note);
  ReferenceDateOnNotify(base, note);
}

void BroadcastToAllBases(const ChangeNote* note) {
  const ChangeNote* outer = broadcastNote;
  broadcastNote = note;
  for (T_Base* base = FirstBase(); base;) {
    T_Base* following = base->next;
    NotifyChange(base, note);
    base = following;
  }
  broadcastNote = outer;
  Probe(8, nullptr, note);
  // Every element of the application but the windows of open databases, which had the note.
  if (T_Application* application = App()) {
    for (T_GrafElement* child = application->firstChild; child;) {
      T_GrafElement* following = child->next;
      auto* document = dynamic_cast<T_HWindow*>(child);
      if (!document || !IsOpenBase(document->database)) child->OnChange(note);
      child = following;
    }
  }
}

void T_Base::NotifyCode(int32_t code) {
  ChangeNote note;
  note.code = code;
  note.database = this;
  NotifyChange(this, &note);
}
