#include "database/menu_marks.h"

#include "database/base.h"
#include "ui/application.h"

namespace {

DatabaseMenuMarks marks;

bool ValidKind(int32_t kind) { return kind >= 0 && kind < kDatabaseMenuKinds; }

}  // namespace

const DatabaseMenuMarks& MenuMarks() { return marks; }

void SetMenuDatabase(T_Base* base) {
  marks.current = base;
  marks.saveEnabled = base && base->modified ? 1 : 0;
  for (int32_t kind = 0; kind < kDatabaseMenuKinds; ++kind) {
    if (marks.builtFor[kind] != base) marks.needsRebuild[kind] = 1;
  }
  MarkMenusChanged();
}

void MenuBuiltFor(int32_t kind, T_Base* base) {
  if (!ValidKind(kind)) return;
  marks.builtFor[kind] = base;
  marks.needsRebuild[kind] = 0;
}

void MarkMenuStale(T_Base* base, int32_t kind) {
  if (!ValidKind(kind) || !base || marks.builtFor[kind] != base) return;
  marks.needsRebuild[kind] = 1;
  MarkMenusChanged();
}

void MarkSaveEntry(T_Base* base, bool modified) {
  if (!base || marks.current != base) return;
  marks.saveEnabled = modified ? 1 : 0;
  MarkMenusChanged();
}

void ForgetMenuDatabase(T_Base* base) {
  if (!base) return;
  // A later database may be built at the same address; a stale pointer would then pass for it.
  for (int32_t kind = 0; kind < kDatabaseMenuKinds; ++kind) {
    if (marks.builtFor[kind] == base) {
      marks.builtFor[kind] = nullptr;
      marks.needsRebuild[kind] = 1;
    }
  }
  if (marks.current == base) SetMenuDatabase(nullptr);
}

void ResetMenuMarks() { marks = DatabaseMenuMarks{}; }
