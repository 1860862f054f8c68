#pragma once
// Holders of the stored objects kept as the lines of their section: save setups (whose options
// are also read from them) and the section-line discipline other readers share. The import
// setups and dimension import setups are live records (database/import_setups.h); this header
// still brings them to the code that frees and measures every stored object together.
//
// Kept lines: every line after the section's header up to the next "##" line (left current for
// the section dispatcher), the end of input or the abort flag; empty lines at the end are
// dropped because each record as written ends with exactly one empty line, which the writer puts
// back. Writers put the header (tag, separator, name or number), the kept lines byte for byte
// with the stream's line end, and the empty line.
//
// Invariants:
//   1. a database's save setups are a list sorted by name, letter case ignored, empty names
//      last.
//
// Every block is wiped before it is freed.
#include <cstdint>

#include "core/criteria.h"
#include "database/import_setups.h"
#include "database/save_options.h"
#include "ui/database_services.h"

class T_Base;
struct T_TextBuf;
class T_IStream;
class T_OStream;

// The kept lines, each followed by LF (lines never hold a line end of their own).
struct SectionLines {
  char* bytes = nullptr;  // MemAlloc block, null for none
  int64_t length = 0;
};

// The kept-lines discipline above, for a section reader that must step over a section whose
// object it could not make: read the lines after the current header (appending to the kept ones
// when asked) and free them.
void SectionLinesRead(SectionLines* lines, T_IStream* stream, bool append);
void SectionLinesFree(SectionLines* lines);

// A save setup is a live record (database/save_setups.h): its options are read from the lines of
// its section, which are kept as well, so that a setup nobody changed is written back byte for
// byte; once its options are set (edited), the record is written from them.
struct SaveSetup {
  SaveSetup* next = nullptr;
  T_Base* database = nullptr;
  char* name = nullptr;  // owned block text, null for empty
  SectionLines lines;
  uint8_t mark = 0;  // free for the rollback of a failed read
  SaveOptions options;
  uint8_t edited = 0;  // the options no longer come from the kept lines
};

// Names by a text criterion (letter case ignored); no pattern passes every name.
class NamePatternFilter {
 public:
  explicit NamePatternFilter(const char* pattern);
  ~NamePatternFilter();
  NamePatternFilter(const NamePatternFilter&) = delete;
  NamePatternFilter& operator=(const NamePatternFilter&) = delete;
  bool Passes(const char* name) const;

 private:
  CriteriaPattern criteria_;
  bool all_;
};

// --- Save setups --------------------------------------------------------------------------------

// A new setup with reset options, inserted in name order; note 44. Null when memory runs out.
SaveSetup* SaveSetupCreate(T_Base* base, const char* name);
// Blanks trimmed; null for an empty name or none of that name (letter case ignored).
SaveSetup* FindSaveSetup(T_Base* base, const char* name);
// With the header line current: the section's lines replace the kept ones and the options are
// read from them (database/save_setups.h); note 43.
void ReadSaveSetup(SaveSetup* setup, T_IStream* stream);
// The kept lines while the setup is not edited, else the record of its options.
void WriteSaveSetup(const SaveSetup* setup, T_OStream* stream);
// A setup counts 1400 bytes, as it does for save progress.
int64_t SaveSetupMemSize(const SaveSetup* setup);
// Unlinks the setup from its database and frees it; no note.
void SaveSetupFree(SaveSetup* setup);
// Note 45, then SaveSetupFree.
void SaveSetupDelete(SaveSetup* setup);
// Every save setup whose name matches the text criterion (letter case ignored), each with note
// 45; every one for a null pattern.
void DeleteSaveSetupsMatching(T_Base* base, const char* pattern);

// --- The database's holders together ------------------------------------------------------------

// Frees every save setup, import setup and macro (database/macros.h FreeMacros) of the
// database; the dimension import setups go with their dimensions (DimImportFree), and the web
// users on their own (database/web_users.h).
void FreeStoredObjectHolders(T_Base* base);
// The bytes of every holder (dimension import setups and web users included) and of the macros,
// for the database's memory usage.
int64_t StoredObjectHoldersMemSize(const T_Base* base);
