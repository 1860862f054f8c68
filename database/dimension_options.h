#pragma once
// The options of one dimension (on its DimensionRecord) and their option lines in a
// "##Dimension" section. Each setter does nothing when the value does not change; otherwise it
// stores, sets the modified flag (through its note or directly) and sends its note with the
// dimension as the index.
//
// Option lines (fields TAB-separated, each line ended by the stream's line end), written in this
// order and only when the option differs from its default:
//
//   key    fields                               written when
//   "-N"   singular, plural (empty: default)    either name is stored
//   "-C"   one letter of "ULDWSN"               code case is not 0 (U)
//   "-T"   one letter                           text case is not 5 (N)
//   "-H"   one letter                           host-code case is not 5 (N)
//   "-S"   "C" "H" "T" "CT" "HT" "CH" "CHT"     display style is not 3 (CT)
//   "-I"   one letter of "FSD"                  option I is not 1 (S)
//   "-X"   "+"                                  option X is on
//   "-W"   code, text, host width (0: empty)    any width is stored
//   "-EC"  number of components with a code     the code index exists
//   "-EH"  number of components with a host code the host index exists
//
// The "-E" numbers read back as the size asked of the index.
#include <cstdint>

class T_IStream;
class T_OStream;
struct DimensionRecord;

constexpr int32_t kDisplayStyleDefault = 3;
constexpr int32_t kDisplayStyleCount = 7;
constexpr int32_t kOptionIDefault = 1;
constexpr int32_t kCodeWidthDefault = 80;
constexpr int32_t kTextWidthDefault = 160;
constexpr int32_t kHostWidthDefault = 80;

// "C" .. "CHT" for styles 0..6; null for others.
const char* DisplayStyleName(int32_t style);

void SetDisplayStyle(DimensionRecord* dimension, int32_t style);  // 0..6; codes 22 and 18
// The style named exactly by the text; any other text leaves the style.
void SetDisplayStyleText(DimensionRecord* dimension, const char* text);
void SetOptionX(DimensionRecord* dimension, bool on);            // code 23
void SetOptionI(DimensionRecord* dimension, int32_t value);      // 0..2; code 24
void SetOptionILetter(DimensionRecord* dimension, char letter);  // "F", "S", "D"; others leave it
// A width at its default (or below 1) is stored as 0; code 25.
void SetCodeWidth(DimensionRecord* dimension, int32_t width);
void SetTextWidth(DimensionRecord* dimension, int32_t width);
void SetHostWidth(DimensionRecord* dimension, int32_t width);
// Control characters blanked, at most 64 bytes, none when equal to the default name (text
// 3000 + d); set modified, then code 16 or 17.
void SetSingular(DimensionRecord* dimension, const char* text);
void SetPlural(DimensionRecord* dimension, const char* text);

void WriteDimensionOptions(const DimensionRecord* dimension, T_OStream* stream);
// The stream's current field is the key of an option line (it begins with "-"); the rest of the
// line is read. Unknown keys and letters outside their lists leave the options.
void ReadDimensionOption(DimensionRecord* dimension, T_IStream* stream);
