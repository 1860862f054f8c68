#include "database/save_setups.h"

#include <cstring>

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/change_notes.h"
#include "database/operation_log.h"
#include "database/save_options.h"
#include "database/stored_object_holders.h"

namespace {

constexpr int32_t kChangeSaveSetupChanged = kChangeSaveSetupRenamed + 1;
constexpr int32_t kTextSaveSetup = 4300;
constexpr int32_t kMaxLetters = 32;
constexpr const char kModeLetters[] = "ACUN";
constexpr const char kReferenceLetters[] = "CHT";
constexpr const char kLevelLetters[] = "CGL";
// The section flags' letters, in section order.
constexpr const char kSectionLetters[] = "HPWBSITXDCUMG";
// The SIE flags by their letters after "R".
constexpr struct {
  char letter;
  int32_t flag;
} kSieLetters[] = {{'r', kSieRegistrationDates},
                   {'u', kSieOwnCodes},
                   {'k', kSieAccounts},
                   {'d', kSieDimensions},
                   {'v', kSieVouchers}};
constexpr int32_t kMaxSieNumber = 50;

int32_t IndexIn(const char* letters, char c) {
  const char* at = c ? std::strchr(letters, c) : nullptr;
  return at ? static_cast<int32_t>(at - letters) : -1;
}

// "+" sets, "-" clears, anything else leaves the flag.
void ReadSign(char c, uint8_t* flag) {
  if (c == '+') *flag = 1;
  if (c == '-') *flag = 0;
}

// The decimal number after the key's first `skip` characters; -1 when there is none.
int32_t KeyNumber(const char* key, int32_t length, int32_t skip) {
  int32_t n = 0;
  if (length <= skip || length > skip + 3) return -1;
  for (int32_t i = skip; i < length; ++i) {
    if (key[i] < '0' || key[i] > '9') return -1;
    n = n * 10 + (key[i] - '0');
  }
  return n;
}

// The next field as letters of the set, one per dimension from 0, at most 32.
void ReadLetters(T_IStream* stream, const char* letters, int32_t* values) {
  if (!stream->NextField()) return;
  const char* field = stream->Field();
  int32_t n = stream->FieldLength();
  if (n > kMaxLetters) n = kMaxLetters;
  for (int32_t d = 0; d < n; ++d) {
    int32_t index = IndexIn(letters, field[d]);
    if (index >= 0) values[d] = index;
  }
}

// The digits of a field as an integer (a leading "-" makes it negative); false without digits.
bool ParseNumber(const char* field, int32_t n, bool* minus, int64_t* value) {
  *minus = n > 0 && field[0] == '-';
  *value = 0;
  bool digits = false;
  for (int32_t i = *minus ? 1 : 0; i < n && field[i] >= '0' && field[i] <= '9'; ++i) {
    digits = true;
    if (*value < 1000000) *value = *value * 10 + (field[i] - '0');
  }
  if (*minus) *value = -*value;
  return digits;
}

bool ReadNumber(T_IStream* stream, bool* minus, int64_t* value) {
  *minus = false;
  *value = 0;
  if (!stream->NextField()) return false;
  return ParseNumber(stream->Field(), stream->FieldLength(), minus, value);
}

void ReadText(T_IStream* stream, char** holder) {
  T_TextBuf text;
  stream->ReadFieldRawBuf(&text);
  BlockTextAssign(holder, text.c_str());
}

void ReadKeyLine(SaveOptions* options, T_IStream* stream) {
  const char* key = stream->Field();
  const int32_t length = stream->FieldLength();
  const char second = length > 1 ? key[1] : 0;
  const char third = length > 2 ? key[2] : 0;
  switch (key[0]) {
    case 'B': {
      T_TextBuf keyText;
      TextBufAssignBytes(&keyText, key, length);
      if (options->filter) SelectionDef_readKey(options->filter, keyText.c_str(), stream);
      break;
    }
    case 'C':
      if (second == 'T') ReadSign(third, &options->templateLinesOnly);
      break;
    case 'D':
      if (second == 'F') ReadLetters(stream, kModeLetters, options->dimensionModes);
      if (second == 'L') ReadLetters(stream, kReferenceLetters, options->cardReferenceStyles);
      break;
    case 'F':
      switch (second) {
        case 'B':
          options->kind = kSaveKindBrowser;
          break;
        case 'N':
          options->kind = kSaveKindContainer;
          break;
        case 'S':
          options->kind = kSaveKindSie;
          break;
        case 'T':
          options->kind = kSaveKindText;
          break;
        case 'Z':
          ReadSign(third, &options->compressed);
          break;
        default:
          break;
      }
      break;
    case 'G': {
      int32_t level = IndexIn(kLevelLetters, second);
      if (level == 1 || level == 2) options->selectionLevel = level;
      break;
    }
    case 'M': {
      int32_t n = KeyNumber(key, length, 1);
      if (n < 2 || n > kDimensionCount) break;
      bool minus = false;
      int64_t v = 0;
      bool number = ReadNumber(stream, &minus, &v);
      if (!number && !minus) break;
      options->dimensionNumbering[n - 1] =
          minus || v - 1 < 1 || v - 1 > kDimensionCount - 1 ? -1 : static_cast<int32_t>(v - 1);
      break;
    }
    case 'R':
      switch (second) {
        case 'C':
          ReadText(stream, &options->sieCompanyName);
          return;
        case 'O':
          ReadText(stream, &options->sieOrganisationNumber);
          return;
        case 'V':
          ReadText(stream, &options->sieVoucherSeries);
          return;
        case 'N':
          ReadText(stream, &options->sieRemark);
          return;
        case 'F':
          ReadLetters(stream, kModeLetters, options->sieComponentModes);
          return;
        case 'D': {
          int32_t n = KeyNumber(key, length, 2);
          if (n < 2 || n > kDimensionCount || !stream->NextField()) return;
          const char* field = stream->Field();
          int32_t value;
          if (stream->FieldLength() == 1 && field[0] == '-') {
            value = 0;
          } else if (stream->FieldLength() == 1 && field[0] == 'K') {
            value = -1;
          } else {
            bool minus = false;
            int64_t v = 0;
            ParseNumber(field, stream->FieldLength(), &minus, &v);
            value = v >= 1 && v <= kMaxSieNumber ? static_cast<int32_t>(v) : 1;
          }
          options->sieDimensionNumbers[n - 1] = value;
          return;
        }
        default:
          for (const auto& sie : kSieLetters) {
            if (sie.letter == second) ReadSign(third, &options->sieFlags[sie.flag]);
          }
          return;
      }
      break;
    case 'S': {
      int32_t section = IndexIn(kSectionLetters, second);
      if (section >= 0) ReadSign(third, &options->sections[section]);
      break;
    }
    case 'T':
      if (second == 'F') ReadText(stream, &options->templateNameFilter);
      if (second == 'O') ReadSign(third, &options->openTemplatesOnly);
      break;
    default:
      break;
  }
}

int32_t UsedDimensionCount(T_Base* base) {
  for (int32_t d = kDimensionCount - 1; d >= 1; --d) {
    if (base->IsDimUsed(d)) return d + 1;
  }
  return 1;
}

void PutSignKey(T_OStream* stream, const char* key, uint8_t on) {
  stream->PutText(key);
  stream->PutChar(on ? '+' : '-');
  stream->PutNewline();
}

void PutLetters(T_OStream* stream, const char* key, const char* letters, const int32_t* values,
                int32_t n, int32_t fallback) {
  stream->PutText(key);
  stream->PutSeparator();
  const int32_t count = static_cast<int32_t>(std::strlen(letters));
  for (int32_t d = 0; d < n; ++d) {
    int32_t v = values[d] >= 0 && values[d] < count ? values[d] : fallback;
    stream->PutChar(letters[v]);
  }
  stream->PutNewline();
}

void Notify(SaveSetup* setup, int32_t code, const char* oldName) {
  if (!setup->database) return;
  ChangeNote note;
  note.code = code;
  note.database = setup->database;
  note.object = setup;
  note.oldName = oldName;
  NotifyChange(setup->database, &note);
}

}  // namespace

void ReadSaveSetupLines(SaveOptions* options, T_IStream* stream) {
  SaveOptionsReset(options);
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
    if (!stream->NextField() || stream->FieldLength() == 0) continue;
    ReadKeyLine(options, stream);
  }
}

void ReadSaveSetupOptions(SaveSetup* setup) {
  T_IStream stream;
  stream.CtorFromMemory(setup->lines.bytes ? setup->lines.bytes : "", setup->lines.length);
  ReadSaveSetupLines(&setup->options, &stream);
}

void WriteSaveSetupRecord(const SaveSetup* setup, T_OStream* stream) {
  const SaveOptions& o = setup->options;
  const int32_t n = setup->database ? UsedDimensionCount(setup->database) : 1;
  stream->PutText("##SaveSetup");
  stream->PutSeparator();
  stream->PutFieldText(setup->name);
  stream->PutNewline();
  char kind = o.kind == kSaveKindBrowser ? 'B'
              : o.kind == kSaveKindText  ? 'T'
              : o.kind == kSaveKindSie   ? 'S'
                                         : 'N';
  stream->PutChar('F');
  stream->PutChar(kind);
  stream->PutNewline();
  PutSignKey(stream, "FZ", o.compressed);
  for (int32_t i = 0; i < kSectionCount; ++i) {
    const char key[3] = {'S', kSectionLetters[i], 0};
    PutSignKey(stream, key, o.sections[i]);
  }
  PutLetters(stream, "DF", kModeLetters, o.dimensionModes, n, 0);
  PutLetters(stream, "DL", kReferenceLetters, o.cardReferenceStyles, n, 0);
  if (o.filter) SelectionDef_writeKeys(o.filter, stream, 'B');
  PutSignKey(stream, "CT", o.templateLinesOnly);
  stream->PutChar('G');
  stream->PutChar(kLevelLetters[o.selectionLevel >= 0 && o.selectionLevel <= 2 ? o.selectionLevel : 0]);
  stream->PutNewline();
  if (o.templateNameFilter && *o.templateNameFilter) {
    stream->PutText("TF");
    stream->PutSeparator();
    stream->PutFieldText(o.templateNameFilter);
    stream->PutNewline();
  }
  PutSignKey(stream, "TO", o.openTemplatesOnly);
  for (int32_t d = 1; d < kDimensionCount; ++d) {
    int32_t v = o.dimensionNumbering[d];
    if (v == 0) continue;
    stream->PutChar('M');
    stream->PutInt(d + 1);
    stream->PutSeparator();
    if (v < 0) {
      stream->PutChar('-');
    } else {
      stream->PutInt(v + 1);
    }
    stream->PutNewline();
  }
  if (o.kind == kSaveKindSie) {
    const struct {
      const char* key;
      const char* text;
    } texts[] = {{"RC", o.sieCompanyName},
                 {"RO", o.sieOrganisationNumber},
                 {"RV", o.sieVoucherSeries},
                 {"RN", o.sieRemark}};
    for (const auto& t : texts) {
      if (!t.text || !*t.text) continue;
      stream->PutText(t.key);
      stream->PutSeparator();
      stream->PutFieldText(t.text);
      stream->PutNewline();
    }
    for (const auto& sie : kSieLetters) {
      const char key[3] = {'R', sie.letter, 0};
      PutSignKey(stream, key, o.sieFlags[sie.flag]);
    }
    PutLetters(stream, "RF", kModeLetters, o.sieComponentModes, n, 1);
    for (int32_t d = 1; d < n; ++d) {
      int32_t v = o.sieDimensionNumbers[d];
      if (v == 0) continue;
      stream->PutText("RD");
      stream->PutInt(d + 1);
      stream->PutSeparator();
      if (v < 0) {
        stream->PutChar('K');
      } else {
        stream->PutInt(v);
      }
      stream->PutNewline();
    }
  }
  stream->PutNewline();
}

bool SaveSetupSetOptions(SaveSetup* setup, const SaveOptions* options) {
  if (!SaveOptionsCopy(&setup->options, options)) return false;
  setup->edited = 1;
  Notify(setup, kChangeSaveSetupChanged, nullptr);
  return true;
}

void SaveSetupNotify(SaveSetup* setup, int32_t code) { Notify(setup, code, nullptr); }

void MakeSaveSetupNameUnique(T_Base* base, const SaveSetup* except, T_TextBuf* name) {
  TextBufTrim(name, ' ');
  if (name->empty()) TextBufAssign(name, GetString(kTextSaveSetup));
  for (int32_t guard = 0; guard < 100000; ++guard) {
    SaveSetup* taken = FindSaveSetup(base, name->c_str());
    if (!taken || taken == except) return;
    BumpNameNumber(name);
  }
}
