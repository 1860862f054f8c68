#pragma once
// The dimension import into a dimension editor's own copy of the tree: the same import as into
// the database (import/dimension_import.h), with the editor's nodes as its target, so the user
// sees what will be applied and applies it on closing the editor.
//
// User-interface thread only.
#include <cstdint>

class T_DimEditor;
struct DimImportSetup;

// Imports the file into the editor's tree with the dimension's import setup when it has one,
// else as plain rows; the rows are shown again. False as DimImportRun (the file did not open, a
// question was cancelled); imported gets the components created or modified.
bool ImportIntoDimEditor(T_DimEditor* editor, const char* path, int64_t* imported);
// The same with the given setup (null: plain rows), such as a setup editor's edited copy.
bool ImportIntoDimEditorWith(T_DimEditor* editor, const DimImportSetup* setup, const char* path,
                             int64_t* imported);

// The editor's import step (SetDimensionImportHook) set to the import above.
void InstallDimensionEditorImport();
