#include "database/toolkit_adapter.h"

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/component_picker.h"
#include "database/components.h"
#include "database/date_ref.h"
#include "database/menu_marks.h"
#include "database/opening.h"
#include "database/operation_log.h"
#include "database/selection_hooks.h"
#include "database/selection_scanner.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "ui/application.h"
#include "ui/database_services.h"
#include "ui/document_window.h"
#include "ui/link_handler.h"

namespace {

T_LinkContext* LinkContextOf(T_Base* base) {
  if (base->linkContext) return base->linkContext;
  T_Application* application = App();
  return application ? application->linkContext : nullptr;
}

T_Base* DatabaseOfWindow(T_Window* window) {
  auto* document = dynamic_cast<T_HWindow*>(window);
  return document ? document->database : nullptr;
}

const DatabaseOperations kDatabaseOperations{
    /*linkContext*/ LinkContextOf,
    /*valueColumnCount*/ [](T_Base* base) { return base->valueCount; },
    /*decimalsCode*/ [](T_Base* base, int32_t column) { return base->decimalsCodes[column]; },
    /*fieldName*/
    [](T_Base* base, T_TextBuf* text, int32_t code) { base->GetFieldName(text, code); },
    /*windowDatabase*/ DatabaseOfWindow,
};

DocumentOperations DocumentHooks() {
  DocumentOperations hooks{};
  hooks.firstDatabase = FirstBase;
  hooks.nextDatabase = [](T_Base* base) { return base->next; };
  hooks.databaseWindow = [](T_Base* base) { return base->mainWindow; };
  hooks.hasLog = [](T_Base* base) { return base->operationLog != nullptr; };
  hooks.logOperation = LogOperation;
  hooks.notifyChange = [](const ChangeNote* note) { NotifyChange(note->database, note); };
  // A file dropped on a document window, or the Import command without a path.
  hooks.importFile = [](T_Base* base, const char* path) {
    base->ImportFile(path, nullptr, nullptr, 0);
    PendingErrorReport();
  };
  hooks.importFileWithDialog = [](T_Base* base) { ImportDialog(base); };
  hooks.rebuildDatabaseMenus = SetMenuDatabase;
  hooks.templateHasParent = TemplateHasParent;
  hooks.templatePath = TemplatePathText;
  hooks.runTemplateDefaults = RunTemplateDefaults;
  hooks.runInstallTemplate = RunInstallTemplate;
  hooks.removeInstalledTemplate = RemoveInstalledTemplate;
  return hooks;
}

HeaderOperations HeaderHooks() {
  HeaderOperations hooks{};
  hooks.displayWidths = [](T_Base* base, int32_t* first, int32_t* second) {
    *first = base->listWidth1;
    *second = base->listWidth2;
  };
  hooks.dimensionMustBeFilled = [](T_Base* base, int32_t dimension) {
    return dimension >= 0 && dimension < kDimensionCount && base->dimensions[dimension] &&
           base->dimensions[dimension]->optionX != 0;
  };
  hooks.selectionHasDimension = SelHook_HasDimension;
  hooks.selectionBound = SelHook_Bound;
  hooks.selectionCombination = SelHook_Combination;
  hooks.selectionPattern = SelHook_Pattern;
  hooks.selectionValueCondition = SelHook_ValueCondition;
  hooks.setPattern = SelHook_SetPattern;
  hooks.setValueCondition = SelHook_SetValueCondition;
  return hooks;
}

const ComponentOperations kComponentOperations{
    /*componentCount*/ CompHook_Count,
    /*treeNext*/ CompHook_TreeNext,
    /*treeNextReverse*/ CompHook_TreeNextReverse,
    /*code*/ CompHook_Code,
    /*text*/ CompHook_Text,
    /*hostCode*/ CompHook_HostCode,
};

SelectionOperations SelectionHooks() {
  SelectionOperations hooks{};
  hooks.hasSubComponents = CompHook_HasSubComponents;
  hooks.findComponentByKey = CompHook_FindByKey;
  hooks.compSelPrintDimension = SelHook_PrintDimension;
  hooks.compSelSetDimensionText = SelHook_SetDimensionText;
  hooks.popupComponentMenu = SelHook_PopupComponentMenu;
  hooks.quoteSelectionName = QuoteSelectionWord;
  hooks.nextSelectionOperator = NextSelectionOperatorAt;
  hooks.isSelectionOperator = IsSelectionOperatorAt;
  hooks.printCombination = SelHook_PrintCombination;
  hooks.combinationSetText = SelHook_CombinationSetText;
  hooks.combinationNameCount = SelHook_CombinationNameCount;
  hooks.combinationName = SelHook_CombinationName;
  hooks.combinationFindSubset = SelHook_CombinationFindSubset;
  hooks.combinationUsesSubset = SelHook_CombinationUsesSubset;
  hooks.combinationSubsetList = SelHook_CombinationSubsetList;
  hooks.scanCombinationOperator = SelHook_ScanCombinationOperator;
  hooks.openSubsetEditor = SubsetOpenEditor;
  hooks.openDimEditorAtComponent = [](T_Base* base, int32_t dimension, int32_t component,
                                      int32_t flags) {
    if (CurrentBaseServices().openDimEditorAtComponent)
      CurrentBaseServices().openDimEditorAtComponent(base, dimension, component, flags);
  };
  hooks.subsetNew = SelHook_SubsetNew;
  hooks.subsetName = SelHook_SubsetName;
  hooks.dateRefNormalize = DateRefNormalize;
  hooks.dateRefText = [](DateRef* bound, T_TextBuf* text) { DateRefToText(bound, text); };
  return hooks;
}

}  // namespace

void InstallDatabaseServices() {
  SetComponentOperations(&kComponentOperations);
  SelectionOperations selections = SelectionHooks();
  SetSelectionOperations(&selections);
  SetDatabaseOperations(&kDatabaseOperations);
  DocumentOperations documents = DocumentHooks();
  SetDocumentOperations(&documents);
  HeaderOperations headers = HeaderHooks();
  SetHeaderOperations(&headers);
}

void RemoveDatabaseServices() {
  SetComponentOperations(nullptr);
  SetSelectionOperations(nullptr);
  SetDatabaseOperations(nullptr);
  SetDocumentOperations(nullptr);
  SetHeaderOperations(nullptr);
}
