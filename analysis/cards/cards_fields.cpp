#include "analysis/cards/cards_fields.h"

#include <initializer_list>

#include "core/text_buffer.h"
#include "database/base.h"
#include "database/model_records.h"
#include "ui/sort_orders.h"

namespace {

constexpr int32_t kTitleCardId = 3101;
constexpr int32_t kTitleDate = 3107;
constexpr int32_t kTitleOrigin = 3108;
constexpr int32_t kTitleNotes = 3506;
constexpr int32_t kTitleSignatures = 3501;
constexpr int32_t kTitleCardLabel = 65;
constexpr int32_t kTitleLineLabel = 66;
constexpr int32_t kTitleValueFirst = 67;

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void CardsOptionsDefaults(CardsOptions* options, uint32_t dateStyle) {
  *options = CardsOptions{};
  options->dateStyle = dateStyle;
  for (int32_t code : {kColDate, kColOrigin, kColNotes, kColSignatures})
    options->fields[code].show = 0;
}

uint32_t CardsFieldLevel(int32_t code) {
  if (code <= kColTitle) return kRowCard;
  if (code == kColDim0) return kRowGroup;
  if (code == kColNotes) return kRowNotes;
  if (code == kColSignatures) return kRowSignatures;
  return kRowLine;
}

int32_t CardsFieldDimension(int32_t code) {
  if (code == kColDim0) return 0;
  if (code == kColDim1) return 1;
  if (code >= kColDim2 && code < kColOrigin) return code - kColDim2 + 2;
  return -1;
}

int32_t CardsDimensionField(int32_t dimension) {
  if (dimension == 0) return kColDim0;
  if (dimension == 1) return kColDim1;
  return kColDim2 + dimension - 2;
}

int32_t CardsFieldColumn(int32_t code) {
  return code >= kColValue1 && code < kColValue1 + kMaxValueCount ? code - kColValue1 : -1;
}

bool CardsFieldSortable(int32_t code) { return code >= 0 && code < kColNotes; }

int32_t CardsFieldTitleCode(int32_t code) {
  switch (code) {
    case kColCardId:
      return kTitleCardId;
    case kColDate:
      return kTitleDate;
    case kColTitle:
      return kTitleCardLabel;
    case kColLineText:
      return kTitleLineLabel;
    case kColOrigin:
      return kTitleOrigin;
    case kColNotes:
      return kTitleNotes;
    case kColSignatures:
      return kTitleSignatures;
    default:
      break;
  }
  if (int32_t column = CardsFieldColumn(code); column >= 0) return kTitleValueFirst + column;
  return CardsFieldDimension(code) + 1;
}

void CardsFieldLetters(T_TextBuf* out, T_Base* base, int32_t code, bool mapped) {
  TextBufAssign(out, "");
  switch (code) {
    case kColCardId:
      TextBufAppend(out, "I");
      return;
    case kColDate:
      TextBufAppend(out, "P");
      return;
    case kColTitle:
      TextBufAppend(out, "T");
      return;
    case kColLineText:
      TextBufAppend(out, "L");
      return;
    case kColOrigin:
      TextBufAppend(out, "H");
      return;
    case kColNotes:
      TextBufAppend(out, "N");
      return;
    case kColSignatures:
      TextBufAppend(out, "S");
      return;
    default:
      break;
  }
  if (int32_t column = CardsFieldColumn(code); column >= 0) {
    TextBufAppendChar(out, 'V');
    TextBufAppendChar(out, static_cast<char>('A' + column));
    return;
  }
  int32_t dimension = CardsFieldDimension(code);
  if (dimension < 0) return;
  if (mapped && dimension > 0 && base) dimension = base->MapDimIndex(dimension);
  TextBufAppendChar(out, 'D');
  TextBufAppendInt(out, dimension + 1);
}

int32_t CardsFieldFromLetters(const char* text, int32_t* used) {
  *used = 0;
  if (!text || !text[0]) return -1;
  *used = 1;
  switch (text[0]) {
    case 'I':
    case 'C':
      return kColCardId;
    case 'P':
      return kColDate;
    case 'T':
      return kColTitle;
    case 'L':
      return kColLineText;
    case 'H':
      return kColOrigin;
    case 'N':
      return kColNotes;
    case 'S':
      return kColSignatures;
    case 'V': {
      char c = text[1];
      if (c < 'A' || c >= 'A' + kMaxValueCount) return -1;
      *used = 2;
      return kColValue1 + (c - 'A');
    }
    case 'D': {
      int32_t number = 0;
      int32_t i = 1;
      if (IsDigitChar(text[1])) {
        while (IsDigitChar(text[i]) && i < 3) number = number * 10 + (text[i++] - '0');
      } else if (text[1] >= 'A' && text[1] <= 'W') {
        number = text[1] - 'A' + 10;
        i = 2;
      }
      *used = i;
      if (number < 1 || number > kDimensionCount) return -1;
      return CardsDimensionField(number - 1);
    }
    default:
      return -1;
  }
}

char CardsKeyOptionLetter(const CardsSortKey* key) {
  int32_t code = key->field;
  if (!CardsFieldSortable(code)) return 0;
  if (code == kColCardId || code == kColDate) return SortDirCode(key->cardDirection);
  if (CardsFieldDimension(code) >= 0) return TreeOrderCode(key->dimensionOrder);
  if (CardsFieldColumn(code) >= 0) return ValueOrderCode(key->valueOrder);
  return SortDirCode(key->textDirection);
}

bool CardsKeySetOption(CardsSortKey* key, char letter) {
  int32_t code = key->field;
  if (code == kColCardId || code == kColDate)
    return ParseSortDirCode(&key->cardDirection, letter) >= 0;
  if (CardsFieldDimension(code) >= 0) return ParseTreeOrderCode(&key->dimensionOrder, letter) >= 0;
  if (CardsFieldColumn(code) >= 0) return ParseValueOrderCode(&key->valueOrder, letter) >= 0;
  if (CardsFieldSortable(code)) return ParseSortDirCode(&key->textDirection, letter) >= 0;
  return false;
}

void CardsKeyToggle(CardsSortKey* key) {
  int32_t code = key->field;
  if (code == kColCardId || code == kColDate) {
    ToggleSortDir(&key->cardDirection);
  } else if (CardsFieldDimension(code) >= 0) {
    if (!ToggleTreeOrder(&key->dimensionOrder)) key->dimensionOrder = kTreeReversed;
  } else if (CardsFieldColumn(code) >= 0) {
    ReverseValueOrder(&key->valueOrder);
  } else {
    ToggleSortDir(&key->textDirection);
  }
}
