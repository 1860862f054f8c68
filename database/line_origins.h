#pragma once
// The line origin store: which file, and which row of it, each line was read from. A database
// keeps one only while the feature is on (T_Base::lineOrigins, null when off).
//
// The store holds a table of file names (entry 0 stands for no origin; names are compared
// ignoring letter case and a new one is appended) and two packed arrays indexed by line record
// number: the file index and the position (row) in that file, 0 for none. While a file is read
// its name is the current one, and every line recorded gets it.
//
// The origin's file record, written after its line's record:
//
//   field  meaning
//   1      "H"
//   2      the file name
//   3      the position, only when it is not 0
#include <cstdint>

#include "core/packed_array.h"
#include "database/model_records.h"

class T_Base;
class T_OStream;
struct T_TextBuf;

struct LineOriginStore {
  char** names = nullptr;  // owned block texts; names[0] is unused (no origin)
  int32_t nameCount = 1;
  int32_t nameCapacity = 0;
  int32_t current = 0;       // the file being read; 0: none
  int32_t* ranks = nullptr;  // alphabetical rank by file index, 0 for no origin; null: not ranked
  int64_t capacity = 0;      // lines the two arrays cover
  PackedIntArray files;
  PackedIntArray positions;
};

// Switches the store on (an empty one) or off (discarded); code 39 carries the new state when it
// changes. False when the store cannot be had.
bool SetLineOrigins(T_Base* base, bool on);
// Frees the store without a notice (for the database's destruction).
void FreeLineOrigins(T_Base* base);

// Around reading a file: its file-name part becomes the current name, until the end.
void BeginLineOriginFile(T_Base* base, const char* path);
void EndLineOriginFile(T_Base* base);
// The line comes from the current file at the position (0 while no file is current).
void RecordLineOrigin(T_Base* base, const LineRecord* line, int64_t position);
// The line comes from the named file at the position (a file record read back).
void SetLineOrigin(T_Base* base, const LineRecord* line, const char* name, int64_t position);
// The line number has no origin (a new line on a reused record).
void ForgetLineOrigin(T_Base* base, int64_t lineNumber);

// The file name, then ":" and the position when it is not 0; empty (false) without an origin.
bool LineOriginText(const T_Base* base, const LineRecord* line, T_TextBuf* text);
// The file record of the line's origin; nothing without one.
void WriteLineOrigin(const T_Base* base, T_OStream* stream, const LineRecord* line);
// By the file names' alphabetical rank, ignoring letter case, then by position; a line without
// origin sorts first. 0 while the store is off.
int32_t CompareLineOrigins(T_Base* base, const LineRecord* a, const LineRecord* b);
// The bytes the store holds; 0 while it is off.
int64_t LineOriginsMemSize(const T_Base* base);
