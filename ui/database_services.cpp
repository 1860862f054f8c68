#include "ui/database_services.h"

#include "core/text_buffer.h"

namespace {

DatabaseOperations operations{};

}  // namespace

void SetDatabaseOperations(const DatabaseOperations* given) {
  operations = given ? *given : DatabaseOperations{};
}

T_LinkContext* Database_LinkContext(T_Base* database) {
  return database && operations.linkContext ? operations.linkContext(database) : nullptr;
}

int32_t Database_ValueColumnCount(T_Base* database) {
  if (!database || !operations.valueColumnCount) return 0;
  int32_t count = operations.valueColumnCount(database);
  if (count < 0) return 0;
  return count > kMaxValueColumns ? kMaxValueColumns : count;
}

int32_t Database_DecimalsCode(T_Base* database, int32_t column) {
  if (!database || !operations.decimalsCode || column < 0 ||
      column >= Database_ValueColumnCount(database)) {
    return 0;
  }
  return operations.decimalsCode(database, column);
}

void Database_FieldName(T_Base* database, T_TextBuf* text, int32_t fieldId) {
  TextBufAssign(text, "");
  if (database && operations.fieldName) operations.fieldName(database, text, fieldId);
}

T_Base* Database_OfWindow(T_Window* window) {
  return window && operations.windowDatabase ? operations.windowDatabase(window) : nullptr;
}
