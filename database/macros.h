#pragma once
// Macros: named command texts of a database, run from the "Execute" menu, links, commands and
// at opening, and their "##Macro" section record.
//
// Record (one per macro, in name order; lines end with the stream's line end):
//
//   line             meaning
//   "##Macro" TAB n  the header with the name (written by WriteMacroRecord)
//   "M" TAB text     the command text as a long text field (CR as byte 3, TAB as byte 4, pieces
//                    of 4200 bytes ended by "/==" above 4208 bytes)
//   "A+" / "A-"      flag A: shown in the "Execute" menu
//   "S+" / "S-"      flag S: run when the database opens ("-" while the macro runs)
//   "P+" / "P-"      flag P: the editor asks for the database password
//   empty line       ends the record
//
// A record read from a file is written back with the lines it carried (older files may lack
// the flag lines, or the "M" line of an empty macro), plus the line of any flag that is on, so
// a file read and saved again keeps its bytes; a macro made here writes every line.
//
// Invariants:
//   1. a database's macros form a ring through next and previous (the first one's previous is
//      the last), macroCount counts them, macrosSorted is 1 only while the ring is in name order,
//      and the macro index, when present, holds every macro of the ring;
//   2. a macro off the ring while it runs (doomed) is freed by RunMacro when its run ends;
//   3. running is set exactly while RunMacro runs the macro's text.
//
// User-interface thread only.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;
struct T_TextBuf;

// Record lines a macro writes (flagLines).
constexpr uint8_t kMacroLineText = 1;
constexpr uint8_t kMacroLineA = 2;
constexpr uint8_t kMacroLineS = 4;
constexpr uint8_t kMacroLineP = 8;
constexpr uint8_t kMacroLinesAll = 15;

struct Macro {
  // Copies the name, clears text and flags, puts the macro at the head of the database's ring
  // (unsorted from then on) and sends note 56.
  Macro(T_Base* base, const char* name);
  // Sends note 57 and leaves the ring when still on it; frees name and text (wiped).
  ~Macro();
  Macro(const Macro&) = delete;
  Macro& operator=(const Macro&) = delete;

  // Replaces the name (the ring is re-sorted lazily and the index rebuilt), rewrites links to
  // the old name (RenameMacroLinks) and sends note 54 with the old name.
  void SetName(const char* text);
  // Replaces the text (null or empty: none); no note.
  void SetText(const char* text);

  Macro* next = nullptr;
  Macro* previous = nullptr;
  T_Base* database = nullptr;
  char* name = nullptr;          // owned block text, null for none
  char* text = nullptr;          // owned block text of command lines, null for none
  uint8_t inExecuteMenu = 0;     // flag A
  uint8_t runAtOpen = 0;         // flag S
  uint8_t passwordRequired = 0;  // flag P
  uint8_t running = 0;
  uint8_t mark = 0;  // set before a read: the macro survives the read's rollback
  uint8_t doomed = 0;
  uint8_t flagLines = kMacroLinesAll;
};

// A new macro (note 56); null (pending error 600) without memory.
Macro* MacroCreate(T_Base* base, const char* name);
// The key of the macro index: the name, "" for none.
const char* MacroNameKey(const Macro* macro);
// With the header line current: the record's lines up to the next "##" line (left current),
// the end of input or the abort flag. "A", "S" and "P" keys set their flag from their second
// character ("+" on, "-" off, anything else leaves it); "M" reads the long text; other keys are
// ignored. Note 55.
void ReadMacro(Macro* macro, T_IStream* stream);
// The whole record, header and empty line included.
void WriteMacroRecord(const Macro* macro, T_OStream* stream);
// Puts the ring in name order (letter case ignored, empty names last) unless it is already.
void SortMacros(T_Base* base);
// A running macro is refused with the pending error 7106 and its name. A macro without text
// does nothing. Otherwise the text runs through T_Base::RunCommandText under the macro's name,
// logged ("Executing", one level deeper, then "Completed") while running is set.
void RunMacro(Macro* macro);
// The command text; empty for none.
void MacroCommandText(const Macro* macro, T_TextBuf* text);
// The allocated size of the text + 48.
int64_t MacroMemorySize(const Macro* macro);
// Leaves the ring and frees the macro without a note; a running macro leaves the ring at once
// and is freed when its run ends.
void MacroFree(Macro* macro);
// Note 57, then as MacroFree.
void MacroDelete(Macro* macro);
// Every macro whose name matches the text criterion (letter case ignored), each with note 57;
// every one for a null pattern.
void DeleteMacrosMatching(T_Base* base, const char* pattern);
// The rollback of a failed read: every macro without its mark, each with note 57.
void DeleteUnmarkedMacros(T_Base* base);
// Before a read: every macro is marked.
void MarkMacrosExisting(T_Base* base);
// Frees every macro and the index, without notes (the database is going).
void FreeMacros(T_Base* base);
// The bytes of every macro and of the index.
int64_t MacrosMemorySize(const T_Base* base);
