#include "database/toolkit_adapter.h"

#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/menu_marks.h"
#include "database/operation_log.h"
#include "ui/application.h"
#include "ui/database_services.h"
#include "ui/document_window.h"
#include "ui/link_handler.h"

namespace {

constexpr int32_t kTextFirstDimension = 3000;  // "Dim 1" to "Dim 32"
constexpr int32_t kTextCardTitle = 3102;
constexpr int32_t kTextLineText = 3103;
constexpr int32_t kTextValue = 3104;

constexpr int32_t kFieldFirstSingular = 1;  // 1 to 32
constexpr int32_t kFieldFirstPlural = 33;   // 33 to 64
constexpr int32_t kFieldCardTitle = 65;
constexpr int32_t kFieldLineText = 66;
constexpr int32_t kFieldFirstTextId = 100;

// The stored text, or the default text while none is stored.
void AssignOrDefault(T_TextBuf* text, const char* stored, int32_t defaultId) {
  TextBufAssign(text, stored ? stored : GetString(defaultId));
}

// The name a field code gives: 100 and up a text id, 1 to 32 and 33 to 64 the singular and
// plural names of a dimension, 65 and 66 the card-title and line-text labels, 67 to 90 the
// value names; empty for any other code.
void FieldName(T_Base* base, T_TextBuf* text, int32_t code) {
  TextBufAssign(text, "");
  if (code >= kFieldFirstTextId) {
    TextBufAssign(text, GetString(code));
  } else if (code >= kFieldFirstSingular && code < kFieldFirstPlural) {
    int32_t d = code - kFieldFirstSingular;
    AssignOrDefault(text, base->dimensions[d] ? base->dimensions[d]->singular : nullptr,
                    kTextFirstDimension + d);
  } else if (code >= kFieldFirstPlural && code < kFieldCardTitle) {
    int32_t d = code - kFieldFirstPlural;
    AssignOrDefault(text, base->dimensions[d] ? base->dimensions[d]->plural : nullptr,
                    kTextFirstDimension + d);
  } else if (code == kFieldCardTitle) {
    AssignOrDefault(text, base->cardTitleLabel, kTextCardTitle);
  } else if (code == kFieldLineText) {
    AssignOrDefault(text, base->lineTextLabel, kTextLineText);
  } else if (code >= kFieldValueFirst && code < kFieldValueFirst + kMaxValueCount) {
    int32_t column = code - kFieldValueFirst;
    AssignOrDefault(text, base->valueNames[column], kTextValue);
    if (!base->valueNames[column] && column > 0) {
      TextBufAppendChar(text, ' ');
      TextBufAppendInt(text, column + 1);
    }
  }
}

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
    /*fieldName*/ FieldName,
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
  hooks.rebuildDatabaseMenus = SetMenuDatabase;
  return hooks;
}

HeaderOperations HeaderHooks() {
  HeaderOperations hooks{};
  hooks.displayWidths = [](T_Base* base, int32_t* first, int32_t* second) {
    *first = base->listWidth1;
    *second = base->listWidth2;
  };
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
