#pragma once
// The dimension import: a text file's rows become components of one dimension, as a dimension
// import setup says (database/import_setups.h), or as plain rows without one (code, text and
// host code in fields 1 to 3 of TAB-separated UTF-8 rows, the code path giving the hierarchy).
//
// The rows are read by the row reader; the components are built in a DimImportTarget: the
// dimension editor's own copy of the tree, or the database's dimension itself
// (DatabaseDimImportTarget). The import decides; the target only answers and changes nodes.
//
// What a row does (texts taken with FieldTextWithInserts; the code loses its trailing blanks,
// text and host code their blanks at both ends):
//   1. rowsToSkip rows are passed over; a row with an empty code is skipped;
//   2. the parent: by code path (the longest existing proper prefix of the code, with parents
//      created up to createParents characters or for each TAB-separated part), by indentation
//      or level number (the component last met one level up; its code goes in front), or by a
//      parent link (code, text or host code; not found skips the row);
//   3. the host code is zero-filled; a host code held by another component is handled by
//      hostDuplicates (3314 warning, skip, keep the old, take it over);
//   4. an existing code is handled by duplicates (3316 warning, keep, modify); otherwise a new
//      component is appended as the parent's last child.
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "database/import_setups.h"

class T_Base;

// Node numbers of a target: the root of the dimension and the components below it; -1 none.
class DimImportTarget {
 public:
  virtual ~DimImportTarget() = default;
  virtual int64_t Root() = 0;
  // lookup 0 code, 1 text, 2 host code; -1 when no component has it.
  virtual int64_t Find(int32_t lookup, const char* key) = 0;
  virtual void Code(int64_t node, T_TextBuf* code) = 0;
  virtual void HostCode(int64_t node, T_TextBuf* hostCode) = 0;
  // A new component appended as the parent's last child; -1 when it cannot be made.
  virtual int64_t Create(int64_t parent, const char* code, const char* text,
                         const char* hostCode) = 0;
  // A new text (null keeps it) and host code (null keeps it, empty clears it).
  virtual void Modify(int64_t node, const char* text, const char* hostCode) = 0;
  // The import's log entries ("duplicate component", "components", ...); none by default.
  virtual void Log(const char* /*what*/, const char* /*detail*/) {}
};

struct DimImportResult {
  int64_t rows = 0;      // rows read after the skipped ones
  int64_t imported = 0;  // components created or modified
  int64_t created = 0;   // of them new, parents included
};

// Imports the file into the target; setup null reads plain rows. The dimension names the
// dimension in the alerts 3314 and 3316. False when the file does not open (the file layer's
// pending error is set) or when a question was cancelled.
bool DimImportRun(T_Base* base, int32_t dimension, const DimImportSetup* setup, const char* path,
                  DimImportTarget* target, DimImportResult* result);

// A target over the database's own dimension.
class DatabaseDimImportTarget : public DimImportTarget {
 public:
  DatabaseDimImportTarget(T_Base* base, int32_t dimension) : base_(base), dimension_(dimension) {}
  int64_t Root() override;
  int64_t Find(int32_t lookup, const char* key) override;
  void Code(int64_t node, T_TextBuf* code) override;
  void HostCode(int64_t node, T_TextBuf* hostCode) override;
  int64_t Create(int64_t parent, const char* code, const char* text, const char* hostCode) override;
  void Modify(int64_t node, const char* text, const char* hostCode) override;
  void Log(const char* what, const char* detail) override;

 private:
  T_Base* base_;
  int32_t dimension_;
};

// Imports the file into the database's dimension with the dimension's import setup when it has
// one, else as plain rows, and sends the dimension's change notes. False as DimImportRun.
bool ImportIntoDimension(T_Base* base, int32_t dimension, const char* path);
// The same with the given setup (null: plain rows). An open editor of the dimension takes the
// rows into its tree instead.
bool ImportIntoDimensionWith(T_Base* base, int32_t dimension, const DimImportSetup* setup,
                             const char* path);
