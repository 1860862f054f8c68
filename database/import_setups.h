#pragma once
// Import setups and dimension import setups: the stored descriptions of how a text file of rows
// becomes cards and lines, or components of one dimension. The records are the engine's (the
// section stream reads and writes them); the row reader and the field operations that run them
// live above it (import/row_reader.h, import/import_fields.h).
//
// Record "##ImportSetup" (TAB between fields, CR LF after each line, each line only under its
// condition; trailing separators are dropped):
//   "##ImportSetup" name
//   "FX"                             fixed positions
//   "A" key word                     encoding ("UTF-8" ... "PC-8")
//   "CB" | "CC"                      positions count bytes | characters
//   "PX" | "PI"                      control characters excluded | counted
//   "PS" text                        characters excluded completely
//   "T" n, "S" n, "D" n              terminator, separator, decimal mark (decimal) when not
//                                    13, 9, 46
//   "RC" n, "RL" n, "RX" n           rows per card, per line (above 1), rows to skip (not 0)
//   "CF", "CT", "CS" text            convert from, convert to, excluded but counted
//   "CR" letter, "CN" letter         title and notes case from "--ULSW"
//   "M" word                         date format "YYMMDD" ... "D/M/Y"
//   "LX" "LC" "LL" "LI" "LT" "LN" "Lc" "Lm" "Le" "La"   card-level fields when set
//   per line definition ("-" between two):
//     "L1".."L32", "LZ", "LVA".."LVX"  fields ("F" n, "B" n, "E" n, "T" text, "S" inserts,
//                                       "+" before each further piece)
//     "V" 24 factors, "ZK", "ZC" letter, "ZFn" width, "ZNn" letter, "ZSn" letter
//   empty line
//
// Record "##DimImport" n (n = dimension + 1): the format keys as above (terminator and separator
// single bytes, no decimal mark), "RX", "RP" n|"P", "RF" n, "rW"|"rX"|"rR", "HW"|"HX"|"HC"|"HR",
// "CF" "CT" "CS", "M" + letter of "CILP", "N" + letter of "CTH", the chains "LC" "LT" "LH" "LP",
// an empty line.
//
// Invariants:
//   1. a database's import setups form one list sorted by name, letter case ignored;
//   2. every FieldDef chain has its first piece inline; later pieces are owned by the one before;
//   3. dimImports[d] is null or a setup whose dimension is d.
#include <cstdint>

#include "core/text_buffer.h"

class T_Base;
class T_IStream;
class T_OStream;
class T_Window;

// A text that may be absent: absent differs from empty.
struct OptionalText {
  T_TextBuf text;
  bool present = false;
};
void OptionalTextSet(OptionalText* text, const char* bytes, int32_t n);
void OptionalTextClear(OptionalText* text);
bool OptionalTextEqual(const OptionalText& a, const OptionalText& b);

// The file's character and format description.
struct FlatFormat {
  uint32_t encoding = 0;  // TextEncoding
  uint32_t fixedPositions = 0;
  uint16_t rowTerminator = 13;
  uint16_t fieldSeparator = 9;
  uint16_t decimalSeparator = 46;
  uint8_t positionsInBytes = 0;
  uint32_t rowsToSkip = 0;
  OptionalText convertFrom;
  OptionalText convertTo;
  OptionalText excludeCounted;
  OptionalText excludeCompletely;
  uint8_t excludeControl = 1;
};
void FlatFormatReset(FlatFormat* format);
void FlatFormatCopy(FlatFormat* to, const FlatFormat& from);
bool FlatFormatEqual(const FlatFormat& a, const FlatFormat& b);

// Where one field lies in a row: a chain of pieces whose texts are joined.
struct FieldDef {
  uint32_t fieldNumber = 0;  // 1..1023; 0 not given
  uint32_t first = 0;        // 1..4095; 0 from the first position
  uint32_t last = 0;         // 1..4095; 0 to the end
  OptionalText text;         // an indicator's text, else the default of an empty field
  OptionalText insertChars;  // after this piece's text
  FieldDef* next = nullptr;  // owned

  FieldDef() = default;
  FieldDef(const FieldDef&) = delete;
  FieldDef& operator=(const FieldDef&) = delete;
  ~FieldDef();
  bool PieceIsSet() const;
  // Any piece of the chain is set.
  bool IsSet() const;
};
// Frees every later piece and empties the first.
void FieldDefClear(FieldDef* field);
// A new empty piece at the chain's end.
FieldDef* FieldDefAppendPiece(FieldDef* field);
void FieldDefCopy(FieldDef* to, const FieldDef* from);
bool FieldDefEqual(const FieldDef* a, const FieldDef* b);
// Pieces holding nothing but inserts go; their inserts join the piece before. The first piece
// stays.
void FieldDefCompact(FieldDef* field);

constexpr int32_t kSetupDimensions = 32;
constexpr int32_t kSetupValues = 24;

struct LineDef {
  LineDef* next = nullptr;  // owned
  FieldDef dimensions[kSetupDimensions];
  FieldDef lineText;
  FieldDef values[kSetupValues];
  double factors[kSetupValues];
  uint8_t excludeZeroLines = 1;
  int32_t textCase = 0;                          // index into "--ULSW"
  int32_t matchBy[kSetupDimensions];             // index into "CTH"; 2 host code
  int32_t zeroFill[kSetupDimensions] = {};       // 0, or 2..8
  int32_t newComponents[kSetupDimensions] = {};  // index into "-CHN"

  LineDef();
  LineDef(const LineDef&) = delete;
  LineDef& operator=(const LineDef&) = delete;
  ~LineDef();
};
// Every field but next.
void LineDefCopy(LineDef* to, const LineDef* from);
bool LineDefEqual(const LineDef* a, const LineDef* b);
bool LineDefIsSet(const LineDef* line);

// The card-level fields, in the setup's order (database/card_text_import.h numbers them alike).
constexpr int32_t kSetupCardFields = 10;

struct ImportSetup {
  ImportSetup* next = nullptr;
  T_Base* database = nullptr;
  char* name = nullptr;  // owned block text
  uint8_t mark = 0;      // free for the rollback of a failed read
  FlatFormat format;
  uint32_t rowsPerCard = 1;
  uint32_t rowsPerLine = 1;
  uint32_t dateFormat = 0;  // "YYMMDD" ... "D/M/Y"
  int32_t titleCase = 0;
  int32_t notesCase = 0;
  // Card indicator, line indicator, card switcher, date, title, notes, four stamps.
  FieldDef cardFields[kSetupCardFields];
  LineDef* lines = nullptr;  // owned
  uint8_t hostCodesOnly = 0;

  ImportSetup() = default;
  ImportSetup(const ImportSetup&) = delete;
  ImportSetup& operator=(const ImportSetup&) = delete;
  ~ImportSetup();
  // Appends a line definition with its defaults; null (out of memory reported) when none.
  LineDef* NewLineDefinition();
};

// The letters of the letter-case index, the date words and the lookup kinds.
extern const char kSetupCaseLetters[];        // "--ULSW"
extern const char* const kSetupDateWords[8];  // "YYMMDD" ... "D/M/Y"

// A new setup with every default, inserted in name order; note 48. Null without memory.
ImportSetup* ImportSetupCreate(T_Base* base, const char* name);
// Blanks trimmed, letter case ignored; null for an empty name or none of that name.
ImportSetup* FindImportSetup(T_Base* base, const char* name);
// Note 46; the setup moves to its sorted place.
void ImportSetupRename(ImportSetup* setup, const char* name);
// Every default back, the card fields emptied and every line definition deleted.
void ImportSetupClear(ImportSetup* setup);
// Every field but the list links, the database and the name.
void ImportSetupCopy(ImportSetup* to, const ImportSetup* from);
bool ImportSetupEqual(const ImportSetup* a, const ImportSetup* b);
LineDef* ImportSetupLineAt(const ImportSetup* setup, int32_t index);
void ImportSetupRemoveLine(ImportSetup* setup, LineDef* line);
// A line definition's own lines of the record (the "L", "LZ", "LV", "V" and "Z" keys), for the
// editors' clipboard; reading stops at a "##" line or the end and compacts the chains.
void WriteLineDefinition(T_OStream* stream, const T_Base* base, const LineDef* line);
void ReadLineDefinition(LineDef* line, T_IStream* stream, const T_Base* base);
// With the header line current: reads the keys up to the next "##" line; note 47.
void ReadImportSetup(ImportSetup* setup, T_IStream* stream);
void WriteImportSetup(const ImportSetup* setup, T_OStream* stream);
int64_t ImportSetupMemSize(const ImportSetup* setup);
// Unlinks the setup from its database and frees it; no note.
void ImportSetupFree(ImportSetup* setup);
void ImportSetupDelete(ImportSetup* setup);  // note 49, then ImportSetupFree
void DeleteAllImportSetups(T_Base* base);

// --- Dimension import setups --------------------------------------------------------------------

struct DimImportSetup {
  T_Base* database = nullptr;
  int32_t dimension = 0;
  FlatFormat format;
  uint32_t hierarchy = 0;         // "CILP": code path, indented, level numbers, parent links
  uint32_t parentSearch = 0;      // "CTH"
  uint32_t createParents = 0;     // 0, 1..8 up to that many characters, 9 for each part
  uint32_t hostCodeZeroFill = 0;  // 0 or 2..8
  uint32_t duplicates = 1;        // 0 warn, 1 keep old, 2 modify
  uint32_t hostDuplicates = 0;    // 0 warn, 1 skip, 2 keep old code, 3 use new code
  FieldDef code, text, hostCode, levelOrParent;
  T_Window* editor = nullptr;  // the open editor window, not owned

  DimImportSetup();
  DimImportSetup(const DimImportSetup&) = delete;
  DimImportSetup& operator=(const DimImportSetup&) = delete;
};

// What the dimension import setups need from above: closing an editor window that shows one.
struct DimImportServices {
  void (*closeEditor)(DimImportSetup* setup);
};
void SetDimImportServices(const DimImportServices* services);

// The dimension's setup, created with every default on first use; null for a dimension outside
// 0..31 or without memory.
DimImportSetup* DimImportCreate(T_Base* base, int32_t dimension);
void DimImportClear(DimImportSetup* setup);
// The chains compacted; "LP" emptied unless the hierarchy is level numbers or parent links.
void DimImportCompact(DimImportSetup* setup);
// Every field but database, dimension and editor.
void DimImportCopy(DimImportSetup* to, const DimImportSetup* from);
bool DimImportEqual(const DimImportSetup* a, const DimImportSetup* b);
// Every field at its default.
bool DimImportIsDefault(const DimImportSetup* setup);
void ReadDimImport(DimImportSetup* setup, T_IStream* stream);  // note 26 for its dimension
// The header carries the file number it is given.
void WriteDimImport(const DimImportSetup* setup, T_OStream* stream, int32_t fileNumber);
// Closes its editor, clears the database's slot and frees the setup; no note.
void DimImportFree(DimImportSetup* setup);
int64_t DimImportMemSize(const DimImportSetup* setup);
