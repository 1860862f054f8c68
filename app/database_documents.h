#pragma once
// The engine's file operations on the application's road to database files
// (app/document_files.h): opening a file into a new database, importing one into an open
// database and saving under a path, each reporting its failure. A file opened is recorded in the
// recent files. Installed once at start-up.
//
// User-interface thread only.

void InstallDatabaseDocuments();

// At shut-down: every open database closes, asking only about unsaved changes (close mode 0).
// One the user keeps open closes without a question all the same, as the program ends.
void CloseAllDatabases();
