#pragma once
// Writing a database as an SIE 4 file, steered by the SIE fields of its current save options.
//
// The file, in ISO-8859-1 with CR LF line ends (the header names PC-8, as the format asks):
//
//   #FLAGGA 0
//   #PROGRAM QEB 5.7
//   #FORMAT PC8
//   #GEN yyyymmdd                               today
//   #SIETYP 4
//   #FNAMN  "company"                           "Exempel" when none is set
//   #ORGNR  "number"                            when set
//   #PROSA  "remark"                            when set
//   (empty line)
//   #KONTO  code  "text"                        the dimension with SIE number -1, tree order
//   (empty line)
//   #DIM  n  "name"                             each dimension with SIE number n > 0
//   #OBJEKT  n  "code"  "text"                  its components
//   (empty line)
//   #VER  "series"  20yymmddNNN  yyyymmdd  "title"[  yyyymmdd]    a card; registration date
//   {                                                            with its flag
//     #TRANS  account  { n object ... } amount[  ""  "text"]     a line with an account
//   }
//
// A component is named by its SIE code: its host code (in quotes when it holds a blank), else
// its own code when the use-code flag is on. A component without one is reported once (4329)
// and written nowhere: no account or object line, no place in an object list, and a line whose
// account has none is left out. Amounts take value 1 with the decimals of value column 1 ("."
// as the mark, no thousands separator, never "-0"); codes 7 to 9 write the shortest text that
// reads back exactly; a value that is not finite is written as 0 and reported (3514). A quote
// inside a quoted text is written as backslash and quote.
#include "core/text_buffer.h"

class T_Base;
class T_OStream;

// The writer of target kind 12: a temporary file that takes the path's place only when it was
// written whole, without the abort flag or the database's error flag. True when it did.
bool exportSie(T_Base* base, const char* path);

// Writes how the component of the dimension is named in SIE (see above); false when it has no
// SIE code, which is then reported once per component and export.
bool WriteSieCode(T_Base* base, T_OStream* stream, int32_t dimension, int64_t component);

// Value 1 as the export writes it with the decimals code; false (and "0") for a value that is
// not finite.
bool FormatSieAmount(T_TextBuf* text, double value, int32_t decimalsCode);
