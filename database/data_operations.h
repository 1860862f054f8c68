#pragma once
// What the commands `transform`, `aggregate` and `signature` need from the layers above the
// engine: the analysis layer builds the operations over a window, the application keeps the
// user's signature. Until they are installed the commands answer "not available" (3829).
//
// User-interface thread only.
#include <cstdint>

class T_HWindow;

// One transform or aggregation built over a window, fed the command's option words one at a
// time and run once.
class CommandOperation {
 public:
  virtual ~CommandOperation() = default;
  // False for a word the operation does not take.
  virtual bool TakeOption(const char* word) = 0;
  // False when the run did not complete (the pending error may say why).
  virtual bool Run() = 0;
};

struct DataOperationHooks {
  // The operation over the window; null when the window offers nothing to work on.
  CommandOperation* (*newTransform)(T_HWindow* window);
  CommandOperation* (*newAggregate)(T_HWindow* window);
  // Sets the user's signature; false when it was refused.
  bool (*setSignature)(const char* text);
};
// Null puts back the defaults (every hook missing).
void SetDataOperationHooks(const DataOperationHooks* hooks);
const DataOperationHooks& CurrentDataOperationHooks();
