#include "database/object_menus.h"

#include <cstring>

#include "core/alert.h"
#include "core/locale.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/menu_marks.h"
#include "database/object_services.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "database/templates.h"
#include "database/time_scale.h"
#include "ui/database_services.h"

namespace {

constexpr uint32_t kSubsetPicture = 2006;
constexpr int32_t kExecuteMenuPosition = 3;

// A child entry at the end of the parent (before its trailing group), with no text id and no
// command id.
constexpr uint32_t kChildEntry = kMenuInsertInFront;

template <typename Record>
bool OnList(Record* head, const Record* wanted) {
  for (Record* record = head; record; record = record->next) {
    if (record == wanted) return true;
  }
  return false;
}

bool MacroListed(T_Base* base, const Macro* wanted) {
  if (!base) return false;
  Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
    if (macro == wanted) return true;
  }
  return false;
}

bool SubsetListed(T_Base* base, const Subset* wanted) {
  if (!base || !base->subsets) return false;
  Subset* subset = base->subsets->first;
  for (int32_t i = 0; subset && i < base->subsets->count; ++i, subset = subset->next) {
    if (subset == wanted) return true;
  }
  return false;
}

// What the chosen entry does runs under the entry's title, and a failure it leaves is shown
// afterwards, as for every menu command. The entry may be gone by then.
template <typename Action>
void RunAsCommand(T_MenuItem* item, Action action) {
  T_TextBuf shown(item->Title());
  TextBufRemoveChar(&shown, '&');
  const char* previous = CurrentCommandTitle();
  SetCurrentCommandTitle(shown.c_str());
  action();
  PendingErrorReport();
  SetCurrentCommandTitle(previous);
}

// Opens the editor of an object that still stands on its list in the current menu database.
template <typename Record>
void OpenListedEditor(T_MenuItem* item, Record* T_Base::*list, Record* object,
                      void (*ObjectServices::*editor)(T_Base*, Record*)) {
  T_Base* base = CurrentMenuDatabase();
  if (!base || !OnList(base->*list, object)) return;
  RunAsCommand(item, [base, object, editor] {
    if (auto open = CurrentObjectServices().*editor) open(base, object);
  });
}

// The submenu of the parent with the title (letter case ignored), made when missing; a macro's
// own entry is never taken for a submenu.
T_MenuItem* Submenu(T_MenuItem* parent, const char* title) {
  T_MenuItem* child = parent->firstChild;
  for (; child; child = child->next) {
    if (!dynamic_cast<T_BMacroCom*>(child) && StrEqualNoCase(child->Title(), title)) return child;
  }
  auto* submenu = new T_MenuItem(parent, kChildEntry, 0);
  submenu->SetTitleCopy(title);
  return submenu;
}

// The "Execute" submenu of the templates' menu: the one there, else a new one at its position.
T_MenuItem* ExecuteMenu(T_MenuItem* templatesMenu) {
  T_MenuItem* child = templatesMenu->firstChild;
  for (; child; child = child->next) {
    if (child->title.id == kTextExecuteMenu) return child;
  }
  child = templatesMenu->firstChild;
  for (int32_t i = 0; child && i < kExecuteMenuPosition; ++i) child = child->next;
  auto* execute = child ? new T_MenuItem(child, kMenuInsertBefore, 0)
                        : new T_MenuItem(templatesMenu, kChildEntry, 0);
  execute->SetTitleId(kTextExecuteMenu);
  return execute;
}

// The colon that ends the next part: the first one that is not the first character.
const char* NextPartEnd(const char* part) { return *part ? std::strchr(part + 1, ':') : nullptr; }

void AddMacroEntry(Macro* macro, T_MenuItem* macrosMenu) {
  const char* name = macro->name ? macro->name : "";
  // A name whose last part would be empty keeps its whole name, at the top.
  const char* last = name;
  for (const char* colon; (colon = NextPartEnd(last)) != nullptr;) {
    last = colon + 1;
    while (*last == ' ') ++last;
  }
  if (!*last) {
    new T_BMacroCom(macrosMenu, macro, kMacroComRun, name);
    return;
  }
  T_MenuItem* parent = macrosMenu;
  T_TextBuf part;
  for (const char* p = name; p != last;) {
    const char* colon = NextPartEnd(p);
    TextBufAssignBytes(&part, p, static_cast<int32_t>(colon - p));
    parent = Submenu(parent, part.c_str());
    p = colon + 1;
    while (*p == ' ') ++p;
  }
  new T_BMacroCom(parent, macro, kMacroComRun, last);
}

}  // namespace

T_Base* CurrentMenuDatabase() { return MenuMarks().current; }

// --- Entries -------------------------------------------------------------------------------------

T_SaveSetupCom::T_SaveSetupCom(T_MenuItem* parent, SaveSetup* object)
    : T_MenuItem(parent, kChildEntry, 0), setup(object) {
  SetTitleCopy(object->name);
}

void T_SaveSetupCom::Execute() {
  OpenListedEditor(this, &T_Base::saveSetups, setup, &ObjectServices::openSaveSetupEditor);
}

T_ImpSetupCom::T_ImpSetupCom(T_MenuItem* parent, ImportSetup* object)
    : T_MenuItem(parent, kChildEntry, 0), setup(object) {
  SetTitleCopy(object->name);
}

void T_ImpSetupCom::Execute() {
  OpenListedEditor(this, &T_Base::importSetups, setup, &ObjectServices::openImportSetupEditor);
}

T_SubsetCom::T_SubsetCom(T_MenuItem* parent, Subset* object)
    : T_MenuItem(parent, kChildEntry, 0), subset(object) {
  SetTitleCopy(object->name);
  SetBitmap(kSubsetPicture);
}

void T_SubsetCom::Execute() {
  if (!SubsetListed(CurrentMenuDatabase(), subset)) return;
  Subset* object = subset;
  RunAsCommand(this, [object] { OpenSubsetEditor(object, 0); });
}

T_TScaleCom::T_TScaleCom(T_MenuItem* parent, TimeScale* object)
    : T_MenuItem(parent, kChildEntry, 0), scale(object) {
  SetTitleCopy(object->name);
}

void T_TScaleCom::Execute() {
  OpenListedEditor(this, &T_Base::timeScales, scale, &ObjectServices::openTimeScaleEditor);
}

T_BMacroCom::T_BMacroCom(T_MenuItem* parent, Macro* object, int32_t entryMode, const char* label)
    : T_MenuItem(parent, kChildEntry, 0), macro(object), mode(entryMode) {
  SetTitleCopy(label);
}

void T_BMacroCom::Execute() {
  if (!MacroListed(CurrentMenuDatabase(), macro)) return;
  Macro* object = macro;
  if (mode == kMacroComRun) {
    RunAsCommand(this, [object] { RunMacro(object); });
  } else if (mode == kMacroComEdit) {
    RunAsCommand(this, [object] {
      if (auto open = CurrentObjectServices().openMacroEditor) open(object->database, object);
    });
  }
}

T_TemplateCom::T_TemplateCom(T_MenuItem* parent, T_Template* object)
    : T_MenuItem(parent, kChildEntry, 0), templ(object) {}

T_TemplateCom::~T_TemplateCom() {
  if (templ && templ->menuCommand == this) templ->menuCommand = nullptr;
}

void T_TemplateCom::Execute() {
  if (!templ) return;
  T_Template* object = templ;
  RunAsCommand(this, [object] { RunTemplate(object->database, object, nullptr, 0); });
}

constexpr int32_t kTemplateMenuDepth = 16;

void T_Template::BuildMenu(T_MenuItem* parent) {
  // Parents come before their children in the walk, so each child finds its parent's entry.
  for (T_Template* node = this; node; node = node->NextBelow(this)) {
    T_MenuItem* at = node == this ? parent : node->parent->menuCommand;
    // A menu nests only so deep: a folder path of thousands of parts would build as many
    // nested native menus, which the system cannot hold. Deeper templates run by their path.
    int32_t depth = 0;
    for (T_MenuItem* up = at; up && up != parent && depth <= kTemplateMenuDepth; up = up->parent)
      ++depth;
    if (!at || depth > kTemplateMenuDepth) {
      delete node->menuCommand;  // clears the link, so the children are skipped too
      continue;
    }
    delete node->menuCommand;  // clears the link
    node->menuCommand = new T_TemplateCom(at, node);
    node->menuCommand->SetTitleCopy(node->name);
    node->menuCommand->SetBitmap(node->menuIcon);
  }
}

// --- Builders ------------------------------------------------------------------------------------

void BuildSaveSetupMenu(T_Base* base, T_MenuItem* parent) {
  for (SaveSetup* setup = base->saveSetups; setup; setup = setup->next)
    new T_SaveSetupCom(parent, setup);
}

void BuildImportSetupMenu(T_Base* base, T_MenuItem* parent) {
  for (ImportSetup* setup = base->importSetups; setup; setup = setup->next)
    new T_ImpSetupCom(parent, setup);
}

void BuildSubsetMenu(T_Base* base, T_MenuItem* parent) {
  if (!base->subsets) return;
  Subset* subset = base->subsets->first;
  for (int32_t i = 0; subset && i < base->subsets->count; ++i, subset = subset->next)
    new T_SubsetCom(parent, subset);
}

void BuildTimeScaleMenu(T_Base* base, T_MenuItem* parent) {
  for (TimeScale* scale = base->timeScales; scale; scale = scale->next)
    new T_TScaleCom(parent, scale);
}

void BuildMacroMenu(T_Base* base, T_MenuItem* macrosMenu, T_MenuItem* templatesMenu) {
  SortMacros(base);
  T_MenuItem* execute = nullptr;
  Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
    if (macrosMenu) AddMacroEntry(macro, macrosMenu);
    if (macro->inExecuteMenu && templatesMenu) {
      if (!execute) execute = ExecuteMenu(templatesMenu);
      new T_BMacroCom(execute, macro, kMacroComRun, macro->name);
    }
  }
}

void BuildTemplateMenu(T_Base* base, T_MenuItem* parent) {
  if (!base->rootTemplate) return;
  for (T_Template* child = base->rootTemplate->firstChild; child; child = child->nextSibling)
    child->BuildMenu(parent);
}
