#pragma once
// Save setups as live records: a named SaveOptions of a database, kept in the database's list in
// name order (database/stored_object_holders.h holds the record and the list), read from and
// written as one "##SaveSetup" section.
//
// Record, one line per key; SEP the stream's separator, n = 1 + the highest dimension in use
// (1 when none is):
//   "##SaveSetup" SEP name
//   "F" kind                  "N" normal, "B" browser, "T" text, "S" SIE 4 (any other: "N")
//   "FZ"+/-  "SH" "SP" "SW" "SB" "SS" "SI" "ST" "SX" "SD" "SC" "SU" "SM" "SG" (+ or - each):
//                             compression, then the thirteen section flags in section order
//   "DF" SEP letters          components per dimension 0..n-1: "A" all, "C" active, "U" in use,
//                             "N" none
//   "DL" SEP letters          card references per dimension 0..n-1: "C" code, "H" host, "T" text
//   "B"...                    the card filter's keyed lines (database/card_selection.h)
//   "CT"+/-  "G" C/G/L  ["TF" SEP filter]  "TO"+/-
//   "M" d+1 SEP "-" | v+1     dimension numbering, for d 1..31 whose value is not 0
//   SIE 4 only: ["RC" "RO" "RV" "RN" SEP text], "Rr" "Ru" "Rk" "Rd" "Rv" +/-, "RF" SEP letters,
//   "RD" d+1 SEP "K" | number for d 1..n-1 whose SIE number is not 0
//   an empty line
//
// Reading skips unknown keys and malformed values; at most 32 letters of "DF", "DL" and "RF" are
// read; an "RD" number outside 1..50 reads as 1; "RD" and "RF" are read for every kind.
//
// User-interface thread only.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;
struct SaveOptions;
struct SaveSetup;

// The options read anew from the setup's kept lines (reset first).
void ReadSaveSetupOptions(SaveSetup* setup);
// Reads keyed lines into reset options up to the next "##" line (left current), the end of
// input or the abort flag.
void ReadSaveSetupLines(SaveOptions* options, T_IStream* stream);
// The record of the setup's options.
void WriteSaveSetupRecord(const SaveSetup* setup, T_OStream* stream);

// The options become a copy of the given ones (the setup is then written from them); note 43.
// False when memory ran out (pending error set).
bool SaveSetupSetOptions(SaveSetup* setup, const SaveOptions* options);
// A new name (blanks trimmed, control characters blanked), the list re-sorted; note 42 with the
// old name.
void SaveSetupRename(SaveSetup* setup, const char* name);
// A note of the code with the setup as object.
void SaveSetupNotify(SaveSetup* setup, int32_t code);
// The name made unique among the database's setups other than the one given: empty becomes
// "Save Setup"; a taken name (letter case ignored) gets its trailing number raised, or " 1".
void MakeSaveSetupNameUnique(T_Base* base, const SaveSetup* except, struct T_TextBuf* name);
