#include "analysis/cards/data_operations_install.h"

#include "analysis/cards/aggregator.h"
#include "analysis/cards/transform.h"
#include "database/data_operations.h"
#include "ui/document_window.h"

namespace {

class TransformCommand : public CommandOperation {
 public:
  explicit TransformCommand(T_HWindow* window) : transform(window) {}
  bool TakeOption(const char* word) override { return Transform_parseOption(&transform, word); }
  bool Run() override { return Transform_run(&transform); }
  T_Transform transform;
};

class AggregateCommand : public CommandOperation {
 public:
  explicit AggregateCommand(T_HWindow* window) : aggregator(window) {}
  bool TakeOption(const char* word) override {
    return Aggregator_parseOption(&aggregator, word);
  }
  bool Run() override { return Aggregator_run(&aggregator); }
  T_Aggregator aggregator;
};

CommandOperation* NewTransform(T_HWindow* window) {
  auto* command = new TransformCommand(window);
  // Nothing listed: nothing to transform.
  if (command->transform.rowCount > 0) return command;
  delete command;
  return nullptr;
}

CommandOperation* NewAggregate(T_HWindow* window) { return new AggregateCommand(window); }

}  // namespace

void InstallDataOperations() {
  DocumentOperations documents = CurrentDocumentOperations();
  documents.openTransformDialog = OpenTransformDialog;
  documents.openAggregateDialog = OpenAggregateDialog;
  SetDocumentOperations(&documents);
  DataOperationHooks hooks = CurrentDataOperationHooks();
  hooks.newTransform = NewTransform;
  hooks.newAggregate = NewAggregate;
  SetDataOperationHooks(&hooks);
}
