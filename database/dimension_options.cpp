#include "database/dimension_options.h"

#include <cstring>

#include "core/cstring.h"
#include "core/hash_index.h"
#include "core/input_stream.h"
#include "core/localized_text.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/base_options.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/model_records.h"

namespace {

constexpr const char* kStyleNames[kDisplayStyleCount] = {"C", "H", "T", "CT", "HT", "CH", "CHT"};
constexpr int32_t kCodeCaseDefault = 0;
constexpr int32_t kTextCaseDefault = 5;
constexpr int32_t kHostCaseDefault = 5;

void SendNote(DimensionRecord* dimension, int32_t code) {
  ChangeNote note;
  note.code = code;
  note.database = dimension->database;
  note.index = dimension->number;
  NotifyChange(dimension->database, &note);
}

void SetWidth(DimensionRecord* dimension, int32_t* field, int32_t width, int32_t defaultWidth) {
  if (width < 1 || width == defaultWidth) width = 0;
  if (*field == width) return;
  *field = width;
  SendNote(dimension, kChangeColumnWidths);
}

void SetName(DimensionRecord* dimension, char** holder, const char* text, int32_t code) {
  if (!AssignOptionalText(holder, text, GetString(kTextDimensionName + dimension->number),
                          kOptionFieldMaxBytes))
    return;
  dimension->database->SetModified(true);
  SendNote(dimension, code);
}

void PutWidthField(T_OStream* stream, int32_t width) {
  stream->PutSeparator();
  if (width != 0) stream->PutInt(width);
}

int32_t WidthField(const char* field) { return field[0] ? StrToInt(field) : 0; }

}  // namespace

const char* DisplayStyleName(int32_t style) {
  return style >= 0 && style < kDisplayStyleCount ? kStyleNames[style] : nullptr;
}

void SetDisplayStyle(DimensionRecord* dimension, int32_t style) {
  if (style < 0 || style >= kDisplayStyleCount || style == dimension->displayStyle) return;
  dimension->displayStyle = style;
  SendNote(dimension, kChangeDisplayStyle);
  SendNote(dimension, kChangeDisplayText);
}

void SetDisplayStyleText(DimensionRecord* dimension, const char* text) {
  for (int32_t style = 0; style < kDisplayStyleCount; ++style) {
    if (StrEqual(text, kStyleNames[style])) {
      SetDisplayStyle(dimension, style);
      return;
    }
  }
}

void SetOptionX(DimensionRecord* dimension, bool on) {
  if ((dimension->optionX != 0) == on) return;
  dimension->optionX = on ? 1 : 0;
  SendNote(dimension, kChangeOptionX);
}

void SetOptionI(DimensionRecord* dimension, int32_t value) {
  if (value < 0 || value > 2 || value == dimension->optionI) return;
  dimension->optionI = value;
  SendNote(dimension, kChangeOptionI);
}

void SetOptionILetter(DimensionRecord* dimension, char letter) {
  int32_t value = dimension->optionI;
  if (FsdFromLetter(letter, &value) >= 0) SetOptionI(dimension, value);
}

void SetCodeWidth(DimensionRecord* dimension, int32_t width) {
  SetWidth(dimension, &dimension->codeWidth, width, kCodeWidthDefault);
}

void SetTextWidth(DimensionRecord* dimension, int32_t width) {
  SetWidth(dimension, &dimension->textWidth, width, kTextWidthDefault);
}

void SetHostWidth(DimensionRecord* dimension, int32_t width) {
  SetWidth(dimension, &dimension->hostWidth, width, kHostWidthDefault);
}

void SetSingular(DimensionRecord* dimension, const char* text) {
  SetName(dimension, &dimension->singular, text, kChangeSingularName);
}

void SetPlural(DimensionRecord* dimension, const char* text) {
  SetName(dimension, &dimension->plural, text, kChangePluralName);
}

// --- Option lines -------------------------------------------------------------------------------

void WriteDimensionOptions(const DimensionRecord* dimension, T_OStream* stream) {
  if (dimension->singular || dimension->plural) {
    stream->PutText("-N");
    stream->PutSeparator();
    stream->PutBlockText(dimension->singular);
    stream->PutSeparator();
    stream->PutBlockText(dimension->plural);
    stream->PutNewline();
  }
  if (dimension->codeCase != kCodeCaseDefault)
    stream->PutKeyCharLine("-C", CaseModeToLetter(dimension->codeCase));
  if (dimension->textCase != kTextCaseDefault)
    stream->PutKeyCharLine("-T", CaseModeToLetter(dimension->textCase));
  if (dimension->hostCase != kHostCaseDefault)
    stream->PutKeyCharLine("-H", CaseModeToLetter(dimension->hostCase));
  if (dimension->displayStyle != kDisplayStyleDefault)
    stream->PutKeyTextLine("-S", DisplayStyleName(dimension->displayStyle));
  if (dimension->optionI != kOptionIDefault)
    stream->PutKeyCharLine("-I", FsdToLetter(dimension->optionI));
  if (dimension->optionX) stream->PutKeyCharLine("-X", '+');
  if (dimension->codeWidth || dimension->textWidth || dimension->hostWidth) {
    stream->PutText("-W");
    PutWidthField(stream, dimension->codeWidth);
    PutWidthField(stream, dimension->textWidth);
    PutWidthField(stream, dimension->hostWidth);
    stream->PutNewline();
  }
  if (dimension->codeIndex) stream->PutKeyInt64Line("-EC", dimension->codeIndex->entryCount);
  if (dimension->hostIndex) stream->PutKeyInt64Line("-EH", dimension->hostIndex->entryCount);
}

void ReadDimensionOption(DimensionRecord* dimension, T_IStream* stream) {
  char key[4] = {};
  StrCopyBytesN(key, sizeof key, stream->Field(), stream->FieldLength());
  char field[kOptionFieldMaxBytes + 1] = {};
  stream->ReadFieldStr(field, sizeof field);
  if (key[0] != '-') return;
  switch (key[1]) {
    case 'C':
      SetCodeCaseLetter(dimension, field[0]);
      break;
    case 'T':
      SetTextCaseLetter(dimension, field[0]);
      break;
    case 'H':
      SetHostCaseLetter(dimension, field[0]);
      break;
    case 'E': {
      int64_t size = StrToInt(field);
      if (size < 1) break;
      if (key[2] == 'C') dimension->codeIndexSize = size;
      if (key[2] == 'H') dimension->hostIndexSize = size;
      break;
    }
    case 'I':
      SetOptionILetter(dimension, field[0]);
      break;
    case 'N':
      SetSingular(dimension, field);
      stream->ReadFieldStr(field, sizeof field);
      SetPlural(dimension, field);
      break;
    case 'S':
      SetDisplayStyleText(dimension, field);
      break;
    case 'W':
      dimension->codeWidth = WidthField(field);
      stream->ReadFieldStr(field, sizeof field);
      dimension->textWidth = WidthField(field);
      stream->ReadFieldStr(field, sizeof field);
      dimension->hostWidth = WidthField(field);
      break;
    case 'X':
      if (StrEqual(field, "+")) SetOptionX(dimension, true);
      if (StrEqual(field, "-")) SetOptionX(dimension, false);
      break;
    default:
      break;
  }
}
