#include "database/object_lists.h"

#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/object_services.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/subsets.h"
#include "ui/database_services.h"
#include "ui/event_record.h"
#include "ui/menu_model.h"

namespace {

bool StopRequested() { return AbortRequested() || ControlKeyHeld(); }

// The first start macro of the sorted ring, or the first whose name sorts after the name of the
// one run last (nothing sorts after an unnamed one, which sorts last).
Macro* NextStartMacro(T_Base* base, bool first, const char* after) {
  if (!first && !after) return nullptr;
  Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
    if (macro->runAtOpen && (first || StrCompareNoCaseNullLast(macro->name, after) > 0))
      return macro;
  }
  return nullptr;
}

}  // namespace

Subset* NewSubset(T_Base* base) {
  Subset* subset = SubsetCreate(base->subsets, nullptr);
  if (!subset) return nullptr;
  subset->isNew = 1;
  OpenSubsetEditor(subset, 0);
  return subset;
}

void OpenStartSubsets(T_Base* base) {
  SubsetList* list = base->subsets;
  Subset* subset = list->first;
  for (int32_t i = 0; subset && i < list->count && !StopRequested(); ++i) {
    Subset* following = subset->next;
    if (subset->open) OpenSubsetEditor(subset, 0);
    subset = following;
  }
}

void RunStartMacros(T_Base* base) {
  SortMacros(base);
  T_TextBuf last;
  for (Macro* macro = NextStartMacro(base, true, nullptr); macro && !StopRequested();) {
    bool named = macro->name != nullptr;
    TextBufAssign(&last, macro->name);
    RunMacro(macro);
    // The run may have deleted or added macros: the ring is sorted anew and searched by name.
    SortMacros(base);
    macro = NextStartMacro(base, false, named ? last.c_str() : nullptr);
  }
}
