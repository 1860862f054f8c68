#include "import/dimension_editor_import.h"

#include <cstring>
#include <unordered_map>
#include <vector>

#include "core/alert.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/operation_log.h"
#include "editors/dimension_editor.h"
#include "import/dimension_import.h"

namespace {

// Node numbers are places in a table of the nodes met so far; 0 is the root.
class EditorDimImportTarget : public DimImportTarget {
 public:
  explicit EditorDimImportTarget(DimTree* tree) : tree_(tree) { nodes_.push_back(&tree->root); }

  int64_t Root() override { return 0; }
  int64_t Find(int32_t lookup, const char* key) override {
    const int32_t field = lookup == 0 ? kDimFieldCode : lookup == 1 ? kDimFieldText : kDimFieldHost;
    return Number(DimTreeFindImported(tree_, field, key));
  }
  void Code(int64_t node, T_TextBuf* code) override {
    DimNode* found = Node(node);
    TextBufAssign(code, found != nullptr && found != &tree_->root ? found->fullCode : nullptr);
  }
  void HostCode(int64_t node, T_TextBuf* hostCode) override {
    DimNode* found = Node(node);
    TextBufAssign(hostCode, found != nullptr ? found->hostCode : nullptr);
  }
  int64_t Create(int64_t parent, const char* code, const char* text,
                 const char* hostCode) override {
    DimNode* made = DimTreeImportNode(tree_, Node(parent), code, text, hostCode);
    if (made != nullptr && first == nullptr) first = made;
    return Number(made);
  }
  void Modify(int64_t node, const char* text, const char* hostCode) override {
    DimNode* found = Node(node);
    if (found != nullptr && found != &tree_->root) DimTreeImportModify(tree_, found, text, hostCode);
  }
  // "components" with the time taken is the tree's own entry at the end.
  void Log(const char* what, const char* detail) override {
    if (tree_->database->operationLog != nullptr && std::strcmp(what, "components") != 0)
      LogOperation(tree_->database, what, detail, kLogVerbSkipped);
  }

  DimNode* first = nullptr;  // the first node created

 private:
  DimNode* Node(int64_t number) {
    return number >= 0 && number < static_cast<int64_t>(nodes_.size())
               ? nodes_[static_cast<size_t>(number)]
               : nullptr;
  }
  int64_t Number(DimNode* node) {
    if (node == nullptr) return -1;
    auto found = numbers_.find(node);
    if (found != numbers_.end()) return found->second;
    const auto number = static_cast<int64_t>(nodes_.size());
    nodes_.push_back(node);
    numbers_.emplace(node, number);
    return number;
  }

  DimTree* tree_;
  std::vector<DimNode*> nodes_;
  std::unordered_map<DimNode*, int64_t> numbers_;
};

int64_t ImportStep(T_DimEditor* editor, const char* path) {
  int64_t imported = 0;
  ImportIntoDimEditor(editor, path, &imported);
  return imported;
}

}  // namespace

bool ImportIntoDimEditor(T_DimEditor* editor, const char* path, int64_t* imported) {
  const DimTree* tree = &editor->tree;
  return ImportIntoDimEditorWith(editor, tree->database->dimImports[tree->dimension], path,
                                 imported);
}

bool ImportIntoDimEditorWith(T_DimEditor* editor, const DimImportSetup* setup, const char* path,
                             int64_t* imported) {
  *imported = 0;
  DimTree* tree = &editor->tree;
  const uint64_t started = TickCount();
  editor->SelectEditCell(-1, -1);
  if (!DimTreeBeginImport(tree)) {
    PendingErrorOutOfMemory();
    return false;
  }
  EditorDimImportTarget target(tree);
  DimImportResult result;
  const bool done =
      DimImportRun(tree->database, tree->dimension, setup, path, &target, &result);
  DimTreeEndImport(tree, result.imported, started);
  *imported = result.imported;
  editor->ShowRows(target.first != nullptr ? target.first : editor->Current());
  return done;
}

void InstallDimensionEditorImport() { SetDimensionImportHook(ImportStep); }
