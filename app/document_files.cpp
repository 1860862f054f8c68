#include "app/document_files.h"

#include "core/alert.h"

namespace {

constexpr int32_t kMessageCannotOpen = 605;  // "Unable to open file '@0'"

DocumentFileOperations operations{};

}  // namespace

void SetDocumentFileOperations(const DocumentFileOperations* replacement) {
  operations = replacement ? *replacement : DocumentFileOperations{};
}

T_Base* OpenDatabaseFile(const char* path, int32_t flags, const char* password) {
  if (operations.openDatabase) return operations.openDatabase(path, flags, password);
  ReportCannotOpen(path);
  return nullptr;
}

void ImportDatabaseFile(T_Base* base, const char* path, int32_t flags) {
  if (operations.importFile && base) operations.importFile(base, path, flags);
}

bool SaveDatabaseFileAs(T_Base* base, const char* path) {
  return operations.saveDatabaseAs && base && operations.saveDatabaseAs(base, path);
}

void ReportCannotOpen(const char* path) {
  AlertRequest request;
  AlertInit(&request);
  request.message = kMessageCannotOpen;
  request.beeps = 1;
  AlertAddFileName(&request, path ? path : "");
  AlertAddButton(&request, kButtonOk);
  ShowAlert(&request);
}
