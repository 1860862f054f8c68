#include "editors/editor_services.h"

#include <new>

#include "analysis/boxwin/box_window.h"
#include "database/base.h"
#include "database/dimension_editor_hooks.h"
#include "database/object_services.h"
#include "database/object_lists.h"
#include "database/protection.h"
#include "database/selection_texts.h"
#include "database/subsets.h"
#include "editors/dimension_editor.h"
#include "editors/macro_editor.h"
#include "editors/password_dialog.h"
#include "editors/protection_editor.h"
#include "editors/subset_editor.h"
#include "editors/time_scale_editor.h"
#include "editors/web_user_editor.h"

void InstallEditors() {
  SetPasswordPrompt(PasswordDialogPrompt);
  // The engine's own hooks stay: only the editors' places are filled.
  BaseServices services = CurrentBaseServices();
  services.editProtection = [](T_Base* base) { OpenProtectionEditor(base); };
  services.editWebUsers = [](T_Base* base) { OpenWebUsersEditor(base); };
  services.openDimensionEditor = [](T_Base* base, int32_t dimension) {
    OpenDimensionEditor(base, dimension, 0);
  };
  services.openDimEditorAtComponent = [](T_Base* base, int32_t dimension, int32_t component,
                                         int32_t flags) {
    OpenDimEditorAtComponent(base, dimension, component, flags);
  };
  services.newSubset = [](T_Base* base) { NewSubset(base); };
  services.deleteSubset = [](T_Base* base) {
    auto* editor = dynamic_cast<T_SubsetEditor*>(FindWindowOfKind(kWindowSubsetEditor, base));
    if (editor && editor->subset) SubsetAskDelete(editor->subset);
  };
  services.newMacro = [](T_Base* base) { OpenMacroEditor(base, nullptr); };
  services.deleteMacro = [](T_Base* base) {
    DeleteMacroOfEditor(FindWindowOfKind(kWindowMacro, base));
  };
  services.newTimeScale = [](T_Base* base) { OpenTimeScaleEditor(base, nullptr); };
  services.deleteTimeScale = [](T_Base* base) {
    DeleteTimeScaleOfEditor(FindWindowOfKind(kWindowTimeScale, base));
  };
  SetBaseServices(&services);
  BoxWinServices box = BoxServices();
  box.newSubsetBox = [](T_EventHandler* parent, const XYWH& rect, uint32_t id,
                        SubsetList* list) -> T_GrafElement* {
    return new (std::nothrow) T_SubsetBox(parent, rect, id, list);
  };
  SetBoxWinServices(&box);
  ObjectServices objects = CurrentObjectServices();
  objects.openMacroEditor = [](T_Base* base, Macro* macro) { OpenMacroEditor(base, macro); };
  objects.openTimeScaleEditor = [](T_Base* base, TimeScale* scale) {
    OpenTimeScaleEditor(base, scale);
  };
  SetObjectServices(&objects);
  SetSubsetEditorServices(&kSubsetEditorServices);
  // Aggregating "as expanded" follows the rows the dimension's open editor shows.
  SetComponentsAsExpandedMapper([](int64_t* map, T_Base* base, int32_t dimension) {
    T_DimEditor* editor = FindDimensionEditor(base, dimension);
    if (!editor) return false;
    DimTreeMapAsExpanded(&editor->tree, map);
    return true;
  });
  SetDimensionEditorOpenQuery([](T_Base* base, int32_t dimension) {
    return FindDimensionEditor(base, dimension) != nullptr;
  });
  // Selection texts that name components follow the codes an editor applies.
  SetDimensionTextRewriter([](void* editor, T_TextBuf* text) {
    if (auto* window = static_cast<T_DimEditor*>(editor)) RewriteDimensionText(&window->tree, text);
  });
}
