#include "database/data_operations.h"

#include "core/text_buffer.h"
#include "database/command_handlers.h"
#include "database/commands.h"

namespace {

DataOperationHooks hooks{};

}  // namespace

void SetDataOperationHooks(const DataOperationHooks* given) {
  hooks = given ? *given : DataOperationHooks{};
}

const DataOperationHooks& CurrentDataOperationHooks() { return hooks; }

void CommandSignature(CommandContext* context) {
  if (!hooks.setSignature) {
    RefuseNotAvailable(context, "signature");
    return;
  }
  T_TextBuf bare[1];
  if (ReadCommandWords(context, bare, 1, NoOptions) < 1) return;
  hooks.setSignature(bare[0].c_str());
}
