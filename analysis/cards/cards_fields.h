#pragma once
// The columns of the cards window by field code, their letters, levels and sort keys, shared by
// the window and its template.
//
//   code      column                       level   letters
//   0         card id                      card    "I" ("C" also read)
//   1         date                         card    "P"
//   2         card title                   card    "T"
//   3         dimension 0 (the group's)    group   "D1"
//   4         dimension 1                  line    "D2"
//   5         line text                    line    "L"
//   6 .. 29   value columns 1 .. 24        line    "V" + "A" .. "X"
//   30 .. 59  dimensions 2 .. 31           line    "D3" .. "D32" (reading also "DA" onward)
//   60        file origin                  line    "H"
//   61        notes                        notes   "N"
//   62        signatures                   sigs    "S"
//
// A sort key is a field code with one option per kind of field: the card-id and date direction
// ("AD"), the dimension order ("NRCTH"), the text direction ("AD") and the value order
// ("DEFCBA"). Notes and signatures cannot be keys.
#include <cstdint>

class T_Base;
struct T_TextBuf;

constexpr int32_t kCardsFieldCount = 63;
constexpr int32_t kCardsMaxKeys = 8;

constexpr int32_t kColCardId = 0;
constexpr int32_t kColDate = 1;
constexpr int32_t kColTitle = 2;
constexpr int32_t kColDim0 = 3;
constexpr int32_t kColDim1 = 4;
constexpr int32_t kColLineText = 5;
constexpr int32_t kColValue1 = 6;
constexpr int32_t kColDim2 = 30;
constexpr int32_t kColOrigin = 60;
constexpr int32_t kColNotes = 61;
constexpr int32_t kColSignatures = 62;

// Row kinds, which are also the levels of the fields.
constexpr uint32_t kRowCard = 0;
constexpr uint32_t kRowGroup = 1;
constexpr uint32_t kRowLine = 2;
constexpr uint32_t kRowNotes = 3;
constexpr uint32_t kRowSignatures = 4;

// Contents modes of groups and lines.
constexpr uint32_t kContentsNone = 0;
constexpr uint32_t kContentsSelected = 1;
constexpr uint32_t kContentsAll = 2;

// The pointer tools.
constexpr uint32_t kToolPointer = 4203;
constexpr uint32_t kToolCardPointer = 4202;

struct CardsSortKey {
  int32_t field = kColCardId;
  int32_t cardDirection = 0;   // kSortAscending, kSortDescending
  int32_t dimensionOrder = 0;  // kTreeNormal ..
  int32_t textDirection = 0;
  int32_t valueOrder = 0;  // kValueDescending ..
};

struct CardsFieldOptions {
  uint8_t show = 1;
  int32_t display = -1;  // dimension display string, -1 the dimension's own
  int32_t decimals = 2;
  int32_t negative = 0;
  int32_t colour = 0;
  int32_t width = 0;
};

// The options block, copied whole between the template and the window.
struct CardsOptions {
  uint32_t tool = kToolPointer;
  uint32_t groupsMode = kContentsSelected;
  uint32_t linesMode = kContentsSelected;
  uint32_t dateStyle = 0;
  uint32_t gridLines = 0;
  int32_t keyCount = 1;
  CardsSortKey keys[kCardsMaxKeys];
  CardsFieldOptions fields[kCardsFieldCount];
};

// The defaults: the date style given, every field shown except date, origin, notes and
// signatures, one key on the card id ascending.
void CardsOptionsDefaults(CardsOptions* options, uint32_t dateStyle);

uint32_t CardsFieldLevel(int32_t code);
// The dimension of a dimension field, else -1.
int32_t CardsFieldDimension(int32_t code);
// The field code of a dimension 0..31.
int32_t CardsDimensionField(int32_t dimension);
// The value column 0..23 of a value field, else -1.
int32_t CardsFieldColumn(int32_t code);
bool CardsFieldSortable(int32_t code);
// The title code of the field (T_Base::GetFieldName).
int32_t CardsFieldTitleCode(int32_t code);
// The letters of a field; a dimension other than the first by its position in the database's
// dimension order when mapped. Empty for a code outside the table.
void CardsFieldLetters(T_TextBuf* out, T_Base* base, int32_t code, bool mapped);
// The field of the letters at text (up to a "," or ":" or the end), -1 for none; *used gets the
// letters' length.
int32_t CardsFieldFromLetters(const char* text, int32_t* used);
// The option letter of the key's field kind; 0 for a field that is no key.
char CardsKeyOptionLetter(const CardsSortKey* key);
// Sets the option of the key's field kind from a letter; false when the letter is not one of it.
bool CardsKeySetOption(CardsSortKey* key, char letter);
// "D" and "A", "E" and "B", "F" and "C" swap; a dimension between N and R (others to R); card
// id, date and texts between A and D.
void CardsKeyToggle(CardsSortKey* key);
