#include "editors/dimension_editor.h"

#include <algorithm>
#include <new>

#include "core/alert.h"
#include "core/file_stream.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/system_beep.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "editors/dimension_dialogs.h"
#include "editors/editor_questions.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_stream.h"
#include "ui/edit_field.h"
#include "ui/event_record.h"
#include "ui/frame_items.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/small_dialogs.h"
#include "ui/text_layout.h"

namespace {

constexpr int32_t kCloseAll = 3;
constexpr int32_t kCloseApplyUnasked = 2;
constexpr int32_t kButtonFixCode = 3318;
constexpr int32_t kButtonCloseUnchanged = 3319;
constexpr int32_t kTextProperties = 3320;
constexpr int32_t kTextImportSetup = 7300;
constexpr int32_t kCodeWidth = 80;
constexpr int32_t kTextWidth = 160;
constexpr int32_t kHostWidth = 80;
constexpr uint16_t kIndentPictures[] = {4000, 4001, 4002, 0};
constexpr int32_t kIndentStep[3] = {0, 6, 10};
constexpr RECT kEditorRect{60, 60, 560, 460};

DimensionImportHook importHook = ImportPlainRowsFromFile;

int32_t AskDimension(T_Window* owner, int32_t message, const char* text, const char* dimension,
                     std::initializer_list<int32_t> buttons) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  request.owner = owner;
  AlertAddText(&request, text ? text : "");
  AlertAddText(&request, dimension ? dimension : "");
  for (int32_t id : buttons) AlertAddButton(&request, id);
  request.defaultAnswer = 0;
  int32_t answer = ShowAlert(&request);
  if (answer >= 0 && answer < request.buttonCount && answer < kAlertMaxButtons)
    return request.buttons[answer];
  return answer;
}

}  // namespace

void DimEditorBeep() { SystemBeep(); }

void SetDimensionImportHook(DimensionImportHook hook) {
  importHook = hook ? hook : ImportPlainRowsFromFile;
}

int64_t ImportPlainRowsFromFile(T_DimEditor* editor, const char* path) {
  T_IStreamFile file;
  if (!file.Open(path)) return 0;
  return editor->ImportRows(&file);
}

// --- Rows --------------------------------------------------------------------------------------

T_DimRows::T_DimRows(T_DimEditor* owner, const XYWH& rect)
    : T_Linebox(owner, rect, kDimRowsId, 15, false), editor(owner) {
  EventHandler_Open(this);
}

void T_DimRows::OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) {
  if (box != this) {
    T_Linebox::OnLineboxEvent(box, record);
    return;
  }
  DimTree& tree = editor->tree;
  switch (record->code) {
    case kLineCount:
      record->count = tree.rowCount;
      return;
    case kLineDraw: {
      if (record->index < 0 || record->index >= tree.rowCount) return;
      DimNode* node = tree.rows[record->index];
      int32_t depth = DimNodeDepth(node);
      T_TextBuf code;
      DimNodeFullCode(node, &code);
      if (code.data) CaseModeApply(code.data, tree.codeCase);
      RECT rect = record->lineRect;
      const char* marker = node->firstChild ? (node->expanded ? "- " : "+ ") : "  ";
      T_TextBuf shown(marker);
      TextBufAppendBuf(&shown, &code);
      RECT cell{rect.left + 2 + 10 * depth, rect.top, rect.left + kCodeWidth + 10 * depth, rect.bottom};
      TextDrawLine(&cell, shown.c_str(), nullptr);
      int32_t indent = kIndentStep[std::clamp(editor->indentation, 0, 2)] * depth;
      int32_t left = rect.left + kCodeWidth + 40;
      cell = RECT{left + indent, rect.top, left + kTextWidth, rect.bottom};
      TextDrawLine(&cell, node->text ? node->text : "", nullptr);
      cell = RECT{left + kTextWidth + 5 + indent, rect.top, left + kTextWidth + 5 + kHostWidth,
                  rect.bottom};
      TextDrawLine(&cell, node->hostCode ? node->hostCode : "", nullptr);
      return;
    }
    case kLineDefaultAction:
      if (record->index >= 0 && record->index < tree.rowCount) {
        DimNode* node = tree.rows[record->index];
        DimTreeToggle(&tree, node);
        editor->ShowRows(node);
      }
      return;
    default:
      T_Linebox::OnLineboxEvent(box, record);
      return;
  }
}

// --- The window --------------------------------------------------------------------------------

T_DimEditor::T_DimEditor(T_Base* base, int32_t dimension, uint32_t flags)
    : T_HWindow(kKindDocument, kWindowDimEditor, &kEditorRect, 0, base, flags) {
  DimTreeLoad(&tree, base, dimension);
  indentation = std::clamp(base->dimensions[dimension]->optionI, 0, 2);
  MakeTitle();
  CreateToolbar();
  indentChooser =
      NewToolSelector(kDimIndentId, kIndentPictures, kIndentPictures[indentation]);
  auto button = [this](int32_t x, uint32_t id, int32_t textId) {
    auto* made = new (std::nothrow) T_Button(toolbar ? static_cast<T_EventHandler*>(toolbar)
                                                     : static_cast<T_EventHandler*>(this),
                                             XYWH{x, 5, 90, 20}, id);
    if (made) made->SetTitleId(textId);
  };
  button(220, kDimPropertiesId, kTextProperties);
  button(320, kDimImportSetupId, kTextImportSetup);
  int32_t top = kToolbarHeight + 6;
  const int32_t lefts[3] = {5, 5 + kCodeWidth + 45, 5 + kCodeWidth + 50 + kTextWidth};
  const int32_t widths[3] = {kCodeWidth + 35, kTextWidth, kHostWidth};
  const uint32_t ids[3] = {kDimCodeEditId, kDimTextEditId, kDimHostEditId};
  for (int32_t i = 0; i < 3; ++i) {
    edits[i] = new (std::nothrow) T_Edit(this, XYWH{lefts[i], top, widths[i], 14}, ids[i], true,
                                         false);
    if (edits[i]) EventHandler_Open(edits[i]);
  }
  rows = new (std::nothrow)
      T_DimRows(this, XYWH{3, top + 22, width - 6, std::max(60, height - top - 26)});
  ShowRows(nullptr);
  EventHandler_Open(this);
}

T_DimEditor::~T_DimEditor() { DimTreeFree(&tree); }

void T_DimEditor::MakeTitle() {
  SetTitleCopy(database->GetDimPlural(tree.dimension));
}

DimNode* T_DimEditor::Current() {
  if (!rows || rows->current < 0 || rows->current >= tree.rowCount) return nullptr;
  return tree.rows[rows->current];
}

void T_DimEditor::ShowRows(DimNode* select) {
  DimTreeBuildRows(&tree);
  if (!rows) return;
  rows->ReloadLines();
  int64_t row = select ? DimTreeRowOf(&tree, select) : (tree.rowCount > 0 ? 0 : -1);
  if (row >= 0) {
    rows->SelectOnly(row);
    rows->ScrollToCurrent();
  }
  GrafElement_Invalidate(rows, 0);
  ShowCurrent();
}

void T_DimEditor::ShowCurrent() {
  DimNode* node = Current();
  T_TextBuf code;
  if (node) DimNodeFullCode(node, &code);
  const char* texts[3] = {code.c_str(), node && node->text ? node->text : "",
                          node && node->hostCode ? node->hostCode : ""};
  for (int32_t i = 0; i < 3; ++i) {
    if (edits[i]) edits[i]->SetText(node ? texts[i] : "");
  }
}

void T_DimEditor::OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) {
  T_HWindow::OnLineboxEvent(box, record);
  if (box == rows && record->code == kLineSelected) ShowCurrent();
}

void T_DimEditor::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  DimNode* node = Current();
  auto* item = dynamic_cast<T_Item*>(field);
  if (!node || !item || !text || item->id < kDimCodeEditId || item->id > kDimHostEditId) {
    T_HWindow::OnEditText(text, field);
    return;
  }
  if (item->id == kDimCodeEditId) {
    DimTreeSetCode(&tree, node, text->data);
    DimNodeFullCode(node, text);
  } else {
    DimTreeSetText(&tree, node, item->id == kDimTextEditId ? kDimFieldText : kDimFieldHost,
                   text->data);
    TextBufAssign(text, item->id == kDimTextEditId ? node->text : node->hostCode);
  }
  ShowRows(node);
}

void T_DimEditor::NewComponent(bool copyTexts) {
  DimNode* node = DimTreeNewNode(&tree, Current(), copyTexts);
  if (!node) {
    PendingErrorReport();
    return;
  }
  ShowRows(node);
}

void T_DimEditor::RemoveCurrent() {
  DimNode* node = Current();
  if (!node) return;
  DimNode* next = node->next ? node->next : (node->parent != &tree.root ? node->parent : nullptr);
  if (!next && node->previous != node) next = node->previous;
  if (DimNode* used = DimTreeRemove(&tree, node)) {
    ShowRows(used);
    T_TextBuf code;
    DimNodeFullCode(used, &code);
    if (used->text) {
      TextBufAppend(&code, " ");
      TextBufAppend(&code, used->text);
    }
    AskEditorQuestion(this, kDimInUse, code.data, {kButtonOk}, 0);
    return;
  }
  ShowRows(next);
}

int64_t T_DimEditor::ImportRows(T_IStream* stream) {
  int64_t added = DimTreeImportRows(&tree, stream);
  ShowRows(Current());
  return added;
}

bool T_DimEditor::KeyDown(InputEvent* event, T_GrafElement* target) {
  DimNode* node = Current();
  if (node && event->control) {
    bool moved = true;
    bool handled = true;
    switch (event->keyCode) {
      case kKeyLeft:
        moved = DimTreeMoveOut(&tree, node);
        break;
      case kKeyRight:
        moved = DimTreeMoveIntoPrevious(&tree, node);
        break;
      case kKeyUp:
        moved = DimTreeRowOf(&tree, node) == 0 || DimTreeMoveUp(&tree, node);
        break;
      case kKeyDown:
        DimTreeMoveDown(&tree, node);
        break;
      case kKeyKeypadEnter:
        if (event->shift) {
          DimTreeExpandAll(&tree, &tree.root);
        } else {
          DimTreeExpandAll(&tree, node);
        }
        break;
      default:
        handled = false;
        break;
    }
    if (handled) {
      if (!moved) DimEditorBeep();
      ShowRows(node);
      return true;
    }
  }
  if (event->keyCode == kKeyEnter && target == rows) {
    NewComponent(false);
    return true;
  }
  if (node && event->keyCode == kKeyKeypadEnter) {
    DimTreeToggle(&tree, node);
    ShowRows(node);
    return true;
  }
  return T_HWindow::KeyDown(event, target);
}

void T_DimEditor::UpdateCommands() {
  T_HWindow::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  menus->enableCommand(kDimCommandNew, true);
  menus->enableCommand(kDimCommandExpandAll, true);
  menus->enableCommand(kDimCommandExpandDialog, true);
  menus->enableCommand(kDimCommandImportClipboard, true);
  if (Current() && (focusedItem == rows || !focusedItem))
    menus->enableCommand(kDimCommandRemove, true);
}

bool T_DimEditor::DoCommand(int32_t command) {
  switch (command) {
    case kDimCommandNew:
      NewComponent(false);
      return true;
    case kDimCommandExpandAll:
      DimTreeExpandAll(&tree, &tree.root);
      ShowRows(Current());
      return true;
    case kDimCommandExpandDialog: {
      int32_t deepest = 0;
      for (DimNode* n = DimTreeNextNode(&tree, &tree.root); n; n = DimTreeNextNode(&tree, n))
        deepest = std::max(deepest, DimNodeDepth(n) + 1);
      int32_t level = RunExpandDialog(this, deepest, 1);
      if (level > 0) {
        DimTreeExpandToLevel(&tree, level);
        ShowRows(Current());
      }
      return true;
    }
    case kDimCommandRemove:
      if (focusedItem != rows && focusedItem) break;
      RemoveCurrent();
      return true;
    case kDimCommandSortRows:
      RunDimensionSort(this, kDimFieldCode);
      return true;
    case kDimCommandImportClipboard: {
      T_IStreamClip clip;
      ImportRows(&clip);
      return true;
    }
    default:
      break;
  }
  return T_HWindow::DoCommand(command);
}

void T_DimEditor::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  if (item && item->id == kDimPropertiesId) {
    RunDimensionOptions(this);
    return;
  }
  // The import setup opens through the import layer, when it is there.
  T_HWindow::OnButton(button);
}

void T_DimEditor::OnSelectorEvent(T_GrafElement* selector) {
  auto* chosen = dynamic_cast<T_Selector*>(selector);
  if (chosen && chosen == indentChooser) {
    for (int32_t i = 0; i < 3; ++i) {
      if (chosen->currentPicture == kIndentPictures[i]) indentation = i;
    }
    if (rows) GrafElement_Invalidate(rows, 0);
    return;
  }
  T_HWindow::OnSelectorEvent(selector);
}

void T_DimEditor::OnChange(const ChangeNote* note) {
  T_HWindow::OnChange(note);
  if (note->database != database || note->index != tree.dimension || applying) return;
  switch (note->code) {
    case kChangeComponentsDeleted: {
      // Components went away under the editor: it starts again from the database.
      DimTreeFree(&tree);
      DimTreeLoad(&tree, database, note->index);
      ShowRows(nullptr);
      break;
    }
    case kChangePluralName:
      MakeTitle();
      break;
    case kChangeCodeCase:
    case kChangeTextCase:
    case kChangeHostCase:
      tree.codeCase = database->dimensions[tree.dimension]->codeCase;
      tree.textCase = database->dimensions[tree.dimension]->textCase;
      tree.hostCase = database->dimensions[tree.dimension]->hostCase;
      if (rows) GrafElement_Invalidate(rows, 0);
      break;
    default:
      break;
  }
}

bool T_DimEditor::QueryClose(int32_t code) {
  if (!T_HWindow::QueryClose(code)) return false;
  if (code == kCloseAll) return true;
  Window_DropFocus(this);
  DimensionRecord* record = database->dimensions[tree.dimension];
  bool optionChanged = record->optionI != indentation;
  if (!DimTreeChanged(&tree) && !optionChanged) return true;
  DimNode* offending = nullptr;
  int32_t check = DimTreeChanged(&tree) ? DimTreeDuplicateCheck(&tree, &offending) : kDimApplied;
  if (check == kDimOutOfMemory) {
    PendingErrorReport();
    return false;
  }
  if (check != kDimApplied) {
    const char* name = database->GetDimSingular(tree.dimension);
    if (forImport) {
      AskDimension(this, check, offending->fullCode, name, {kButtonOk});
      return true;
    }
    int32_t answer = AskDimension(this, check, offending->fullCode, name,
                                  {kButtonFixCode, kButtonCloseUnchanged});
    if (answer == kButtonCloseUnchanged) return true;
    DimTreeReveal(&tree, offending);
    ShowRows(offending);
    return false;
  }
  if (code != kCloseApplyUnasked && !forImport) {
    int32_t answer = AskEditorQuestion(this, kAskChange, database->GetDimPlural(tree.dimension),
                                       {kButtonChange, kButtonCancel, kButtonDontChange}, 1);
    if (answer == kButtonCancel) return false;
    if (answer != kButtonChange) return true;
  }
  if (optionChanged) record->optionI = indentation;
  if (!DimTreeChanged(&tree)) return true;
  T_TextBuf inUse;
  applying = 1;
  int32_t result = DimTreeApply(&tree, this, &inUse);
  applying = 0;
  if (result == kDimInUse) {
    AskEditorQuestion(this, kDimInUse, inUse.data, {kButtonOk}, 0);
    return false;
  }
  if (result == kDimOutOfMemory) {
    PendingErrorOutOfMemory();
    PendingErrorReport();
    return false;
  }
  return true;
}

// --- Opening -----------------------------------------------------------------------------------

T_DimEditor* FindDimensionEditor(T_Base* database, int32_t dimension) {
  for (T_HWindow* window = WindowListFirst(); window; window = window->nextWindow) {
    auto* editor = dynamic_cast<T_DimEditor*>(window);
    if (editor && editor->database == database && editor->tree.dimension == dimension) return editor;
  }
  return nullptr;
}

T_DimEditor* OpenDimensionEditor(T_Base* database, int32_t dimension, int32_t flags) {
  if (!database || dimension < 0 || dimension >= kDimensionCount) return nullptr;
  if (T_DimEditor* open = FindDimensionEditor(database, dimension)) {
    open->BringToFront();
    return open;
  }
  if (!MemCanAlloc(static_cast<size_t>(kEditorReserve))) return nullptr;
  return new (std::nothrow) T_DimEditor(database, dimension, static_cast<uint32_t>(flags));
}

T_DimEditor* OpenDimEditorAtComponent(T_Base* database, int32_t dimension, int64_t component,
                                      int32_t flags) {
  T_DimEditor* editor = OpenDimensionEditor(database, dimension, flags);
  if (!editor || component == dimension) return editor;
  for (DimNode* n = DimTreeNextNode(&editor->tree, &editor->tree.root); n;
       n = DimTreeNextNode(&editor->tree, n)) {
    if (n->component && n->component->number == component) {
      DimTreeReveal(&editor->tree, n);
      editor->ShowRows(n);
      break;
    }
  }
  return editor;
}

bool ImportIntoDimensionEditor(T_Base* database, int32_t dimension, const char* path) {
  // An editor the user has open takes the rows and stays open: the user's close decides.
  if (T_DimEditor* open = FindDimensionEditor(database, dimension))
    return importHook(open, path) > 0;
  T_DimEditor* editor = OpenDimensionEditor(database, dimension, 1);
  if (!editor) return false;
  editor->forImport = 1;
  int64_t added = importHook(editor, path);
  EventHandler_CloseAndDelete(editor, kCloseApplyUnasked);
  return added > 0;
}
