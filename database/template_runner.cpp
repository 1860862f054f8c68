#include "database/template_runner.h"

#include "core/alert.h"
#include "core/criteria.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/operation_log.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "ui/database_services.h"
#include "ui/document_window.h"
#include "ui/element.h"
#include "ui/event_record.h"
#include "ui/window.h"

namespace {

constexpr int32_t kRegistrySize = kTemplateCard + 1;
constexpr int32_t kAskRevert = 4411;
constexpr int32_t kButtonRevert = 4412;
constexpr int32_t kAskRemove = 4408;
constexpr int32_t kButtonRemove = 716;
constexpr int32_t kCloseUnasked = 3;  // QueryClose mode that asks nobody
constexpr int64_t kDialogMemory = 4096;

TemplateConstructor constructors[kRegistrySize] = {};
WindowOpener openers[kRegistrySize] = {};

bool RegistryKind(int32_t kind) {
  return (kind >= kTemplateCards && kind <= kTemplateComponentFunctions) || kind == kTemplateCard;
}

int32_t DefaultSlot(int32_t kind) {
  for (int32_t i = 0; i < 6; ++i) {
    if (kDefaultTemplateKinds[i] == kind) return i;
  }
  return -1;
}

// Whether a run of openings is to stop before the next one.
bool StopRequested() { return AbortRequested() || ControlKeyHeld(); }

// 4411: true for "Revert".
bool AskRevert(T_HWindow* window) {
  AlertRequest request;
  AlertInit(&request);
  request.message = kAskRevert;
  request.owner = window;
  AlertAddButton(&request, kButtonNo);
  AlertAddButton(&request, kButtonRevert);
  request.defaultAnswer = 0;
  return ShowAlert(&request) == 1;
}

void RunFolder(T_Base* base, T_Template* folder, int32_t flags) {
  for (T_Template* node = folder->firstChild; node; node = node->NextBelow(folder)) {
    if (StopRequested()) return;
    if (node->kind != kTemplateFolder) RunTemplate(base, node, nullptr, flags);
  }
}

// What the openTemplate command does with a window it opened.
void SettleOpenedWindow(T_HWindow* window, int32_t flags) {
  if (!window) return;
  if (flags & kRunBringForward) Window_DropFocus(window);
  window->Calculate(false);
}

void RunEntryTemplate(T_Base* base, T_Template* templ, const CriteriaPattern* filter,
                      int32_t flags) {
  if (!TemplatePassesFilter(templ, filter)) return;
  SettleOpenedWindow(RunTemplate(base, templ, nullptr, flags), flags);
}

T_Template* NewRootTemplate(T_Base* base) { return new T_Template(kTemplateFolder, base); }

}  // namespace

// --- Registry --------------------------------------------------------------------------------

void SetTemplateConstructor(int32_t kind, TemplateConstructor constructor) {
  if (RegistryKind(kind)) constructors[kind] = constructor;
}

void SetWindowOpener(int32_t kind, WindowOpener opener) {
  if (kind >= kTemplateCards && kind <= kTemplateComponentFunctions) openers[kind] = opener;
}

bool HasWindowOpener(int32_t kind) {
  return kind >= kTemplateCards && kind <= kTemplateComponentFunctions && openers[kind] != nullptr;
}

T_Template* NewTemplate(T_Base* base, int32_t kind) {
  if (!RegistryKind(kind)) return nullptr;
  if (constructors[kind]) return constructors[kind](base);
  return NewStandInTemplate(base, kind);
}

// --- Running ---------------------------------------------------------------------------------

T_HWindow* RunTemplate(T_Base* base, T_Template* templ, T_Template* parameter, int32_t flags) {
  if (!templ) return nullptr;
  if (!base) base = templ->database;
  if (!(flags & kRunNoLookup) && templ->parent) {
    if (T_HWindow* open = FindWindowOfTemplate(templ)) {
      if (flags & kRunBringForward) {
        open->Activate();
        return open;
      }
      if (!(flags & kRunReplace)) {
        open->Activate();
        if (!AskRevert(open)) return open;
      }
      if (!EventHandler_CloseAndDelete(open, kCloseUnasked)) return open;
    }
  }
  if (templ->kind == kTemplateFolder) {
    RunFolder(base, templ, flags);
    return nullptr;
  }
  // The card template (kind 10) opens no window here: the card editor opens a card.
  WindowOpener opener = templ->kind >= kTemplateCards && templ->kind <= kTemplateComponentFunctions
                            ? openers[templ->kind]
                            : nullptr;
  T_HWindow* window = opener ? opener(templ, parameter, flags) : nullptr;
  if (!window) return nullptr;
  // Set only now: the toolkit drops a template outside the tree when the window opens.
  if (!templ->parent && base) window->templ = base->GetDefaultTemplate(window->windowKind);
  if (flags & kRunCalculate) {
    window->Calculate(false);
    if (window->IsEmpty()) {
      EventHandler_CloseAndDelete(window, kCloseUnasked);
      return nullptr;
    }
    window->SetVisible(true);
  }
  return window;
}

bool WriteTemplateWindowText(T_Template* templ, T_OStream* stream, int32_t flags) {
  if (!templ) return false;
  T_HWindow* window = RunTemplate(templ->database, templ, nullptr, kRunNoLookup | kRunHidden);
  if (!window) return false;
  window->Calculate(true);
  window->WriteText(stream, flags);
  EventHandler_CloseAndDelete(window, kCloseUnasked);
  return true;
}

void RunDefaultTemplate(T_Base* base, int32_t kind) {
  if (base) RunTemplate(base, base->GetDefaultTemplate(kind), nullptr, 0);
}

void RunTemplateFolder(T_Base* base, const TemplateRunEntry* entry, const CriteriaPattern* filter,
                       int32_t flags) {
  if (!base || !entry) return;
  switch (entry->kind) {
    case kEntryFolder: {
      T_Template* folder = entry->templ;
      if (!folder) return;
      for (T_Template* node = folder->firstChild; node && !AbortRequested();) {
        if (node->firstChild) {
          node = node->firstChild;
          continue;
        }
        RunEntryTemplate(base, node, filter, flags);
        node = node->NextBelow(folder);
      }
      return;
    }
    case kEntryTemplate:
      if (entry->templ) RunEntryTemplate(base, entry->templ, filter, flags);
      return;
    case kEntryDatabaseWindow:
      SettleOpenedWindow(dynamic_cast<T_HWindow*>(base->mainWindow), flags);
      return;
    case kEntrySubset: {
      if (!entry->subset) return;
      if (filter && filter->program && !Criteria_MatchCStr(filter, SubsetName(entry->subset)))
        return;
      OpenSubsetEditor(entry->subset, flags);
      return;
    }
    default:
      return;
  }
}

void RunOpenAtStartTemplates(T_Base* base) {
  if (!base || !base->rootTemplate) return;
  T_Template* root = base->rootTemplate;
  for (T_Template* node = root->firstChild; node; node = node->NextBelow(root)) {
    T_BoxTmpl* box = AsBoxTemplate(node);
    if (!box || !box->openDirect) continue;
    if (StopRequested()) return;
    RunTemplate(base, node, nullptr, 0);
  }
}

// --- Asked of a window -----------------------------------------------------------------------

void RemoveTemplateAsk(T_Base* base, T_HWindow* window) {
  if (!base || !window || !window->templ || !window->templ->parent) return;
  T_TextBuf title;
  TextBufAssign(&title, window->Title());
  AlertRequest request;
  AlertInit(&request);
  request.message = kAskRemove;
  request.owner = window;
  AlertAddText(&request, title.c_str());
  AlertAddButton(&request, kButtonRemove);
  AlertAddButton(&request, kButtonCancel);
  request.defaultAnswer = 1;
  if (ShowAlert(&request) != 0) return;
  RemoveTemplate(base, window->templ);
  LogOperation(base, "template", title.c_str(), kLogVerbDeleted);
}

namespace {
TemplateDialogRunner defaultsDialog = nullptr;
TemplateDialogRunner installerDialog = nullptr;
}  // namespace

void SetTemplateDialogs(TemplateDialogRunner defaults, TemplateDialogRunner installer) {
  defaultsDialog = defaults;
  installerDialog = installer;
}

void ShowTemplateDefaults(T_HWindow* window) {
  if (!window || !MemCanAlloc(kDialogMemory)) return;
  if (defaultsDialog) defaultsDialog(window);
}

void ShowInstaller(T_HWindow* window) {
  if (!window || !MemCanAlloc(kDialogMemory)) return;
  if (installerDialog) installerDialog(window);
}

// --- Defaults of a database ------------------------------------------------------------------

T_Template* T_Base::GetDefaultTemplate(int32_t kind) const {
  int32_t slot = DefaultSlot(kind);
  return slot >= 0 ? defaultTemplates[slot] : nullptr;
}

void T_Base::ResetDefaultTemplate(int32_t kind) {
  int32_t slot = DefaultSlot(kind);
  if (slot < 0) return;
  T_Template* old = defaultTemplates[slot];
  T_Template* fresh = NewTemplate(this, kind);
  defaultTemplates[slot] = fresh;
  if (old) {
    while (T_HWindow* window = FindWindowOfTemplate(old)) window->templ = fresh;
    DeleteTemplate(old);
  }
  NotifyCode(kChangeDefaultTemplate);
}

// --- Hooks -----------------------------------------------------------------------------------

void InstallTemplateHooks(BaseServices* services) {
  services->createRootTemplate = NewRootTemplate;
  services->createDefaultTemplate = NewTemplate;
  services->deleteTemplate = DeleteTemplate;
  services->deleteTemplateTree = DeleteTemplateTree;
  services->runDefaultTemplate = RunDefaultTemplate;
}

bool TemplateHasParent(T_Template* templ) { return templ && templ->parent; }

void TemplatePathText(T_Template* templ, T_TextBuf* path) {
  if (templ) {
    templ->GetPath(path);
  } else {
    TextBufAssign(path, "");
  }
}

void RunTemplateDefaults(T_Base*, T_HWindow* window) { ShowTemplateDefaults(window); }

void RunInstallTemplate(T_Base*, T_HWindow* window) { ShowInstaller(window); }

void RemoveInstalledTemplate(T_Base* base, T_HWindow* window) { RemoveTemplateAsk(base, window); }

void TemplatesOnChange(T_Base* base, const ChangeNote* note) {
  if (!base) return;
  if (T_Template* root = base->rootTemplate) {
    for (T_Template* node = root; node; node = node->NextBelow(root)) node->OnChange(note);
  }
  // The defaults are box templates too, with notes that may hold links.
  for (T_Template* templ : base->defaultTemplates) {
    if (templ) templ->OnChange(note);
  }
}
