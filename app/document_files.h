#pragma once
// The application's road to database files: opening a file into a new database, importing one
// into an open database and saving a database under a path. The file operations of the engine
// install themselves here; until they do, opening reports the file as one that cannot be opened
// (605) and importing and saving do nothing.
//
// User-interface thread only.
#include <cstdint>

class T_Base;

// Open flags.
constexpr int32_t kOpenPlain = 0;
constexpr int32_t kOpenFlag2 = 2;  // the document-handling mode 2 of OpenDocument
// Import flags.
constexpr int32_t kImportFromDocument = 8;

struct DocumentFileOperations {
  // Opens the file into a new database and shows it; password: the password of a protected file
  // (null to ask for it). Null when nothing was opened; the open has reported why.
  T_Base* (*openDatabase)(const char* path, int32_t flags, const char* password);
  // Reads the file into the open database.
  void (*importFile)(T_Base* base, const char* path, int32_t flags);
  // Saves the database under the path; false when it was not saved.
  bool (*saveDatabaseAs)(T_Base* base, const char* path);
};
// Null puts back the defaults.
void SetDocumentFileOperations(const DocumentFileOperations* operations);

T_Base* OpenDatabaseFile(const char* path, int32_t flags, const char* password);
void ImportDatabaseFile(T_Base* base, const char* path, int32_t flags);
bool SaveDatabaseFileAs(T_Base* base, const char* path);

// "Unable to open file '@0'" with the file's name.
void ReportCannotOpen(const char* path);
