#include "app/database_documents.h"

#include "app/document_files.h"
#include "app/recent_files.h"
#include "core/alert.h"
#include "database/base.h"
#include "database/opening.h"
#include "database/saving.h"

namespace {

T_Base* OpenDocumentFile(const char* path, int32_t flags, const char* password) {
  T_Base* base = openDatabase(path, password, flags);
  PendingErrorReport();
  if (base != nullptr && !base->errorFlag) AddRecentFile(base->path->c_str());
  return base;
}

void ImportDocumentFile(T_Base* base, const char* path, int32_t flags) {
  base->ImportFile(path, nullptr, nullptr, flags);
  PendingErrorReport();
}

bool SaveDocumentFileAs(T_Base* base, const char* path) {
  const bool saved = SaveDatabaseTo(base, path, nullptr);
  PendingErrorReport();
  return saved;
}

}  // namespace

void InstallDatabaseDocuments() {
  static const DocumentFileOperations operations = {OpenDocumentFile, ImportDocumentFile,
                                                    SaveDocumentFileAs};
  SetDocumentFileOperations(&operations);
}

void CloseAllDatabases() {
  while (T_Base* base = FirstBase()) {
    // A dialog that cannot be cancelled keeps its database: never loop on it.
    if (!DeleteBase(base, kCloseAsk) && !DeleteBase(base, kCloseSilently)) return;
  }
}
