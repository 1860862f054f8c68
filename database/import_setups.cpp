#include "database/import_setups.h"

#include <cmath>
#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/code_pages.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/named_lists.h"
#include "database/operation_log.h"

const char kSetupCaseLetters[] = "--ULSW";
const char* const kSetupDateWords[8] = {"YYMMDD", "YYDDMM", "MMDDYY", "DDMMYY",
                                        "Y/M/D",  "Y/D/M",  "M/D/Y",  "D/M/Y"};

namespace {

constexpr int32_t kChangeImportSetupChanged = kChangeImportSetupRenamed + 1;
constexpr int32_t kChangeImportSetupAdded = kChangeImportSetupRenamed + 2;
constexpr int32_t kChangeImportSetupDeleted = kChangeImportSetupRenamed + 3;
// Before this file version a record without "PX" or "PI" counted control characters.
constexpr int32_t kControlExcludedSince = 20000110;
constexpr int32_t kNewFieldFormSince = 19961213;
constexpr const char* kCardFieldKeys[kSetupCardFields] = {"LC", "LL", "LX", "LI", "LT",
                                                          "LN", "Lc", "Lm", "Le", "La"};
// The record's order of the card-level fields, as indexes of kCardFieldKeys.
constexpr int32_t kCardFieldWriteOrder[kSetupCardFields] = {2, 0, 1, 3, 4, 5, 6, 7, 8, 9};
constexpr const char kLookupLetters[] = "CTH";
constexpr const char kCreationLetters[] = "-CHN";
constexpr const char kHierarchyLetters[] = "CILP";

DimImportServices dimServices = {};

// A whole decimal integer of the field ("-" allowed); false for anything else. Values beyond the
// 32-bit range stay beyond every range a key accepts.
bool FieldInteger(const char* p, int32_t n, int64_t* value) {
  int32_t i = 0;
  while (i < n && p[i] == ' ') ++i;
  bool negative = i < n && p[i] == '-';
  if (negative) ++i;
  if (i >= n || p[i] < '0' || p[i] > '9') return false;
  int64_t v = 0;
  for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i)
    v = v < 100000000000LL ? v * 10 + (p[i] - '0') : v;
  *value = negative ? -v : v;
  return true;
}

// --- Reading ---------------------------------------------------------------------------------

struct Line {
  T_IStream* stream;
  // The next raw field; false at the line end.
  bool Next(const char** p, int32_t* n) {
    if (!stream->NextFieldRaw()) return false;
    *p = stream->fieldStart;
    *n = stream->fieldLength;
    return true;
  }
  bool NextInt(int64_t* value) {
    const char* p;
    int32_t n;
    return Next(&p, &n) && FieldInteger(p, n, value);
  }
  void NextText(OptionalText* text) {
    const char* p;
    int32_t n;
    if (Next(&p, &n)) {
      OptionalTextSet(text, p, n);
    } else {
      OptionalTextClear(text);
    }
  }
  char NextFirstChar() {
    const char* p;
    int32_t n;
    return Next(&p, &n) && n > 0 ? p[0] : 0;
  }
};

bool OldFieldForm(const T_Base* base) {
  if (base == nullptr) return false;
  const int32_t kind = base->fileKind;
  return ((kind == 4 || kind == 5) && base->fileVersion != 0 &&
          base->fileVersion < kNewFieldFormSince) ||
         kind == 6 || kind == 7;
}

void ReadFieldDef(FieldDef* field, Line* line, bool oldForm) {
  FieldDefClear(field);
  if (oldForm) {
    int64_t v = 0;
    if (line->NextInt(&v) && v >= 1 && v <= 1023) field->fieldNumber = static_cast<uint32_t>(v);
    if (line->NextInt(&v) && v >= 1 && v <= 4095) field->first = static_cast<uint32_t>(v);
    if (line->NextInt(&v) && v >= 1 && v <= 4095) field->last = static_cast<uint32_t>(v);
    const char* p;
    int32_t n;
    if (line->Next(&p, &n) && n > 0) OptionalTextSet(&field->text, p, n);
    FieldDefCompact(field);
    return;
  }
  FieldDef* piece = field;
  const char* p;
  int32_t n;
  while (line->Next(&p, &n)) {
    if (n == 0) continue;
    int64_t v = 0;
    switch (p[0]) {
      case 'F':
        if (FieldInteger(p + 1, n - 1, &v) && v >= 1 && v <= 1023)
          piece->fieldNumber = static_cast<uint32_t>(v);
        break;
      case 'B':
        if (FieldInteger(p + 1, n - 1, &v) && v >= 1 && v <= 4095)
          piece->first = static_cast<uint32_t>(v);
        break;
      case 'E':
        if (FieldInteger(p + 1, n - 1, &v) && v >= 1 && v <= 4095)
          piece->last = static_cast<uint32_t>(v);
        break;
      case 'T':
        OptionalTextSet(&piece->text, p + 1, n - 1);
        break;
      case 'S':
        OptionalTextSet(&piece->insertChars, p + 1, n - 1);
        break;
      case '+': {
        if (FieldInteger(p + 1, n - 1, &v) && v >= 32 && v <= 0xFFFF) {
          T_TextBuf one;
          TextBufAssignWideChar(&one, static_cast<uint32_t>(v));
          OptionalTextSet(&piece->insertChars, one.c_str(), one.length);
        }
        FieldDef* added = FieldDefAppendPiece(piece);
        if (added == nullptr) {
          FieldDefCompact(field);
          return;
        }
        piece = added;
        break;
      }
      default:
        break;
    }
  }
  FieldDefCompact(field);
}

void ReadEncoding(FlatFormat* format, const char* key, Line* line) {
  T_TextBuf word;
  const char* p;
  int32_t n;
  if (line->Next(&p, &n)) TextBufAssignBytes(&word, p, n);
  for (TextEncoding e = 0; e <= 8; ++e) {
    if (StrEqualNoCase(word.c_str(), EncodingKey(e))) {
      format->encoding = static_cast<uint32_t>(e);
      return;
    }
  }
  switch (key[1]) {
    case '7':
    case 'E':
      format->encoding = kEncodingSystemPage;
      break;
    case 'M':
      format->encoding = kEncodingMacRoman;
      break;
    case 'P':
      format->encoding = kEncodingPc8;
      break;
    case 'W':
      format->encoding = kEncodingLatin1;
      break;
    default:
      break;
  }
}

// The keys both records share; false for a key that is not one of them.
bool ReadFormatKey(FlatFormat* format, const char* key, int32_t keyLength, Line* line,
                   int64_t characterLimit) {
  const char second = keyLength > 1 ? key[1] : 0;
  int64_t v = 0;
  switch (key[0]) {
    case 'A':
      ReadEncoding(format, key, line);
      return true;
    case 'C':
      if (second == 'B' || second == 'C') {
        format->positionsInBytes = second == 'B';
      } else if (second == 'F') {
        line->NextText(&format->convertFrom);
      } else if (second == 'T') {
        line->NextText(&format->convertTo);
      } else if (second == 'S') {
        line->NextText(&format->excludeCounted);
      } else {
        return false;
      }
      return true;
    case 'F':
      if (second == 'V' || second == 'X') format->fixedPositions = second == 'X';
      return second == 'V' || second == 'X';
    case 'P':
      if (second == 'I' || second == 'X') {
        format->excludeControl = second == 'X';
      } else if (second == 'S') {
        // Written without its field when empty: an empty exclusion still skips control
        // characters' positions, so it stays one.
        line->NextText(&format->excludeCompletely);
        format->excludeCompletely.present = true;
      } else {
        return false;
      }
      return true;
    case 'T':
    case 'S':
    case 'D':
      if (keyLength != 1) return false;
      if (key[0] == 'D' && characterLimit < 65535) return false;
      if (line->NextInt(&v)) {
        if (v < 0) v += 256;
        if (v >= 1 && v <= characterLimit) {
          const auto c = static_cast<uint16_t>(v);
          if (key[0] == 'T') format->rowTerminator = c;
          if (key[0] == 'S') format->fieldSeparator = c;
          if (key[0] == 'D') format->decimalSeparator = c;
        }
      }
      return true;
    case 'R':
      if (second != 'X') return false;
      if (line->NextInt(&v) && v >= 0 && v <= 999) format->rowsToSkip = static_cast<uint32_t>(v);
      return true;
    default:
      return false;
  }
}

void ReadLineKey(LineDef* def, const char* key, int32_t keyLength, Line* line, bool oldForm) {
  int64_t v = 0;
  const char second = keyLength > 1 ? key[1] : 0;
  if (key[0] == 'L') {
    if (second >= '0' && second <= '9') {
      if (FieldInteger(key + 1, keyLength - 1, &v) && v >= 1 && v <= kSetupDimensions)
        ReadFieldDef(&def->dimensions[v - 1], line, oldForm);
    } else if (second == 'Z') {
      ReadFieldDef(&def->lineText, line, oldForm);
    } else if (second == 'V') {
      const char c = keyLength > 2 ? key[2] : 0;
      int32_t column = c >= '1' && c <= '9' ? c - '1' : (c >= 'A' && c <= 'Z' ? c - 'A' : 0);
      if (column < 0 || column >= kSetupValues) column = 0;
      ReadFieldDef(&def->values[column], line, oldForm);
    }
    return;
  }
  if (key[0] == 'V' && keyLength == 1) {
    const char* p;
    int32_t n;
    for (int32_t c = 0; c < kSetupValues && line->Next(&p, &n); ++c) {
      if (n == 0) continue;
      const double factor = ParseDouble(p, n);
      if (std::isfinite(factor)) def->factors[c] = factor;
    }
    return;
  }
  if (key[0] != 'Z') return;
  if (second == 'K') {
    def->excludeZeroLines = 0;
  } else if (second == 'C') {
    const int32_t index = LetterIndex(kSetupCaseLetters, line->NextFirstChar());
    if (index >= 0) def->textCase = index;
  } else if (second == 'F' || second == 'N' || second == 'S') {
    if (!FieldInteger(key + 2, keyLength - 2, &v) || v < 1 || v > kSetupDimensions) return;
    const int32_t d = static_cast<int32_t>(v - 1);
    if (second == 'F') {
      int64_t width = 0;
      if (line->NextInt(&width) && width >= 2 && width <= 8)
        def->zeroFill[d] = static_cast<int32_t>(width);
    } else {
      const int32_t index =
          LetterIndex(second == 'N' ? kCreationLetters : kLookupLetters, line->NextFirstChar());
      if (index >= 0) (second == 'N' ? def->newComponents : def->matchBy)[d] = index;
    }
  }
}

// Reads the lines of a record up to the next "##" line (left current), the end or the abort.
template <typename Key>
void ReadRecordLines(T_IStream* stream, Key key) {
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
    Line line{stream};
    const char* p;
    int32_t n;
    if (!line.Next(&p, &n)) continue;
    while (n > 0 && p[n - 1] == ' ') --n;
    if (n == 0) continue;
    char keyText[16];
    const int32_t keyLength = n < 15 ? n : 15;
    std::memcpy(keyText, p, static_cast<size_t>(keyLength));
    keyText[keyLength] = 0;
    key(keyText, keyLength, &line);
  }
}

// --- Writing ---------------------------------------------------------------------------------

void PutKeyText(T_OStream* stream, const char* key, const OptionalText& text) {
  if (!text.present) return;
  stream->PutText(key);
  stream->PutSeparator();
  stream->PutTextBuf(&text.text);
  stream->PutNewline();
}

void PutKeyNumber(T_OStream* stream, const char* key, int64_t value) {
  stream->PutText(key);
  stream->PutSeparator();
  stream->PutInt64(value);
  stream->PutNewline();
}

void PutKeyLetter(T_OStream* stream, const char* key, char letter) {
  const char text[2] = {letter, 0};
  stream->PutText(key);
  stream->PutSeparator();
  stream->PutText(text);
  stream->PutNewline();
}

void WriteFieldDef(T_OStream* stream, const char* key, const FieldDef* field) {
  if (!field->IsSet()) return;
  stream->PutText(key);
  for (const FieldDef* piece = field; piece != nullptr;) {
    if (piece->fieldNumber != 0) {
      stream->PutSeparator();
      stream->PutChar('F');
      stream->PutInt64(piece->fieldNumber);
    }
    if (piece->first != 0) {
      stream->PutSeparator();
      stream->PutChar('B');
      stream->PutInt64(piece->first);
    }
    if (piece->last != 0) {
      stream->PutSeparator();
      stream->PutChar('E');
      stream->PutInt64(piece->last);
    }
    if (piece->text.present) {
      stream->PutSeparator();
      stream->PutChar('T');
      stream->PutTextBuf(&piece->text.text);
    }
    if (piece->insertChars.present) {
      stream->PutSeparator();
      stream->PutChar('S');
      stream->PutTextBuf(&piece->insertChars.text);
    }
    piece = piece->next;
    if (piece == nullptr || !piece->PieceIsSet()) break;
    stream->PutSeparator();
    stream->PutChar('+');
  }
  stream->PutNewline();
}

void WriteFormatHead(T_OStream* stream, const FlatFormat& format) {
  if (format.fixedPositions) stream->PutLine("FX");
  const char* key = EncodingKey(static_cast<TextEncoding>(format.encoding));
  stream->PutText("A");
  stream->PutSeparator();
  stream->PutText(key != nullptr ? key : "UTF-8");
  stream->PutNewline();
  stream->PutLine(format.positionsInBytes ? "CB" : "CC");
  stream->PutLine(format.excludeControl ? "PX" : "PI");
  PutKeyText(stream, "PS", format.excludeCompletely);
}

void WriteConversions(T_OStream* stream, const FlatFormat& format) {
  PutKeyText(stream, "CF", format.convertFrom);
  PutKeyText(stream, "CT", format.convertTo);
  PutKeyText(stream, "CS", format.excludeCounted);
}

int32_t DimensionPositions(const T_Base* base) {
  if (base == nullptr) return kSetupDimensions;
  const int32_t count = base->dimensionOrderCount;
  return count <= 0 || count > kSetupDimensions ? kSetupDimensions : count;
}

int32_t DimensionAt(const T_Base* base, int32_t position) {
  if (base == nullptr || base->dimensionOrderCount <= 0) return position;
  const int32_t d = base->dimensionOrder[position];
  return d >= 0 && d < kSetupDimensions ? d : -1;
}

void WriteLineDef(T_OStream* stream, const T_Base* base, const LineDef* line) {
  const int32_t positions = DimensionPositions(base);
  char key[8];
  for (int32_t p = 0; p < positions; ++p) {
    const int32_t d = DimensionAt(base, p);
    if (d < 0) continue;
    std::snprintf(key, sizeof key, "L%d", d + 1);
    WriteFieldDef(stream, key, &line->dimensions[d]);
  }
  WriteFieldDef(stream, "LZ", &line->lineText);
  int32_t columns = base != nullptr ? base->valueCount : kSetupValues;
  if (columns < 0) columns = 0;
  if (columns > kSetupValues) columns = kSetupValues;
  for (int32_t c = 0; c < columns; ++c) {
    std::snprintf(key, sizeof key, "LV%c", 'A' + c);
    WriteFieldDef(stream, key, &line->values[c]);
  }
  bool factors = false;
  for (int32_t c = 0; c < columns; ++c) factors = factors || line->factors[c] != 1.0;
  if (factors) {
    stream->PutText("V");
    for (int32_t c = 0; c < columns; ++c) {
      stream->PutSeparator();
      stream->PutDouble(line->factors[c]);
    }
    stream->PutNewline();
  }
  if (!line->excludeZeroLines) stream->PutLine("ZK");
  if (line->textCase > 0 && line->textCase < 6)
    PutKeyLetter(stream, "ZC", kSetupCaseLetters[line->textCase]);
  for (int32_t p = 0; p < positions; ++p) {
    const int32_t d = DimensionAt(base, p);
    if (d < 0 || line->zeroFill[d] == 0) continue;
    std::snprintf(key, sizeof key, "ZF%d", d + 1);
    PutKeyNumber(stream, key, line->zeroFill[d]);
  }
  for (int32_t p = 0; p < positions; ++p) {
    const int32_t d = DimensionAt(base, p);
    if (d < 0 || line->newComponents[d] <= 0 || line->newComponents[d] > 3) continue;
    std::snprintf(key, sizeof key, "ZN%d", d + 1);
    PutKeyLetter(stream, key, kCreationLetters[line->newComponents[d]]);
  }
  for (int32_t p = 0; p < positions; ++p) {
    const int32_t d = DimensionAt(base, p);
    if (d < 0 || line->matchBy[d] == 2 || line->matchBy[d] < 0 || line->matchBy[d] > 2) continue;
    std::snprintf(key, sizeof key, "ZS%d", d + 1);
    PutKeyLetter(stream, key, kLookupLetters[line->matchBy[d]]);
  }
}

}  // namespace

// --- Optional texts, formats and chains ------------------------------------------------------

void OptionalTextSet(OptionalText* text, const char* bytes, int32_t n) {
  TextBufAssignBytes(&text->text, bytes, n > 0 ? n : 0);
  text->present = true;
}

void OptionalTextClear(OptionalText* text) {
  TextBufSetLength(&text->text, 0);
  text->present = false;
}

bool OptionalTextEqual(const OptionalText& a, const OptionalText& b) {
  if (a.present != b.present) return false;
  return !a.present ||
         (a.text.length == b.text.length &&
          std::memcmp(a.text.c_str(), b.text.c_str(), static_cast<size_t>(a.text.length)) == 0);
}

namespace {
void CopyText(OptionalText* to, const OptionalText& from) {
  if (from.present) {
    OptionalTextSet(to, from.text.c_str(), from.text.length);
  } else {
    OptionalTextClear(to);
  }
}
}  // namespace

void FlatFormatReset(FlatFormat* format) {
  format->encoding = 0;
  format->fixedPositions = 0;
  format->rowTerminator = 13;
  format->fieldSeparator = 9;
  format->decimalSeparator = 46;
  format->positionsInBytes = 0;
  format->rowsToSkip = 0;
  OptionalTextClear(&format->convertFrom);
  OptionalTextClear(&format->convertTo);
  OptionalTextClear(&format->excludeCounted);
  OptionalTextClear(&format->excludeCompletely);
  format->excludeControl = 1;
}

void FlatFormatCopy(FlatFormat* to, const FlatFormat& from) {
  to->encoding = from.encoding;
  to->fixedPositions = from.fixedPositions;
  to->rowTerminator = from.rowTerminator;
  to->fieldSeparator = from.fieldSeparator;
  to->decimalSeparator = from.decimalSeparator;
  to->positionsInBytes = from.positionsInBytes;
  to->rowsToSkip = from.rowsToSkip;
  CopyText(&to->convertFrom, from.convertFrom);
  CopyText(&to->convertTo, from.convertTo);
  CopyText(&to->excludeCounted, from.excludeCounted);
  CopyText(&to->excludeCompletely, from.excludeCompletely);
  to->excludeControl = from.excludeControl;
}

bool FlatFormatEqual(const FlatFormat& a, const FlatFormat& b) {
  return a.encoding == b.encoding && a.fixedPositions == b.fixedPositions &&
         a.rowTerminator == b.rowTerminator && a.fieldSeparator == b.fieldSeparator &&
         a.decimalSeparator == b.decimalSeparator && a.positionsInBytes == b.positionsInBytes &&
         a.rowsToSkip == b.rowsToSkip && a.excludeControl == b.excludeControl &&
         OptionalTextEqual(a.convertFrom, b.convertFrom) &&
         OptionalTextEqual(a.convertTo, b.convertTo) &&
         OptionalTextEqual(a.excludeCounted, b.excludeCounted) &&
         OptionalTextEqual(a.excludeCompletely, b.excludeCompletely);
}

FieldDef::~FieldDef() {
  // Iterative, so a long chain from a damaged file cannot exhaust the stack.
  FieldDef* piece = next;
  next = nullptr;
  while (piece != nullptr) {
    FieldDef* following = piece->next;
    piece->next = nullptr;
    delete piece;
    piece = following;
  }
}

bool FieldDef::PieceIsSet() const {
  return fieldNumber != 0 || first != 0 || last != 0 || text.present || insertChars.present;
}

bool FieldDef::IsSet() const {
  for (const FieldDef* piece = this; piece != nullptr; piece = piece->next) {
    if (piece->PieceIsSet()) return true;
  }
  return false;
}

void FieldDefClear(FieldDef* field) {
  delete field->next;
  field->next = nullptr;
  field->fieldNumber = field->first = field->last = 0;
  OptionalTextClear(&field->text);
  OptionalTextClear(&field->insertChars);
}

FieldDef* FieldDefAppendPiece(FieldDef* field) {
  while (field->next != nullptr) field = field->next;
  field->next = new (std::nothrow) FieldDef;
  if (field->next == nullptr) PendingErrorOutOfMemory();
  return field->next;
}

void FieldDefCopy(FieldDef* to, const FieldDef* from) {
  FieldDefClear(to);
  FieldDef* target = to;
  for (const FieldDef* piece = from; piece != nullptr; piece = piece->next) {
    if (piece != from) {
      target = FieldDefAppendPiece(target);
      if (target == nullptr) return;
    }
    target->fieldNumber = piece->fieldNumber;
    target->first = piece->first;
    target->last = piece->last;
    CopyText(&target->text, piece->text);
    CopyText(&target->insertChars, piece->insertChars);
  }
}

bool FieldDefEqual(const FieldDef* a, const FieldDef* b) {
  for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
    if (a->fieldNumber != b->fieldNumber || a->first != b->first || a->last != b->last ||
        !OptionalTextEqual(a->text, b->text) || !OptionalTextEqual(a->insertChars, b->insertChars))
      return false;
  }
  return a == nullptr && b == nullptr;
}

void FieldDefCompact(FieldDef* field) {
  FieldDef* kept = field;
  while (kept->next != nullptr) {
    FieldDef* piece = kept->next;
    const bool empty =
        piece->fieldNumber == 0 && piece->first == 0 && piece->last == 0 && !piece->text.present;
    if (!empty) {
      kept = piece;
      continue;
    }
    if (piece->insertChars.present) {
      if (!kept->insertChars.present) OptionalTextSet(&kept->insertChars, "", 0);
      TextBufAppendBuf(&kept->insertChars.text, &piece->insertChars.text);
    }
    kept->next = piece->next;
    piece->next = nullptr;
    delete piece;
  }
}

LineDef::LineDef() {
  for (double& factor : factors) factor = 1.0;
  for (int32_t& m : matchBy) m = 2;
}

LineDef::~LineDef() {
  LineDef* line = next;
  next = nullptr;
  while (line != nullptr) {
    LineDef* following = line->next;
    line->next = nullptr;
    delete line;
    line = following;
  }
}

void LineDefCopy(LineDef* to, const LineDef* from) {
  for (int32_t d = 0; d < kSetupDimensions; ++d) {
    FieldDefCopy(&to->dimensions[d], &from->dimensions[d]);
    to->matchBy[d] = from->matchBy[d];
    to->zeroFill[d] = from->zeroFill[d];
    to->newComponents[d] = from->newComponents[d];
  }
  FieldDefCopy(&to->lineText, &from->lineText);
  for (int32_t c = 0; c < kSetupValues; ++c) {
    FieldDefCopy(&to->values[c], &from->values[c]);
    to->factors[c] = from->factors[c];
  }
  to->excludeZeroLines = from->excludeZeroLines;
  to->textCase = from->textCase;
}

bool LineDefEqual(const LineDef* a, const LineDef* b) {
  for (int32_t d = 0; d < kSetupDimensions; ++d) {
    if (!FieldDefEqual(&a->dimensions[d], &b->dimensions[d]) || a->matchBy[d] != b->matchBy[d] ||
        a->zeroFill[d] != b->zeroFill[d] || a->newComponents[d] != b->newComponents[d])
      return false;
  }
  for (int32_t c = 0; c < kSetupValues; ++c) {
    if (!FieldDefEqual(&a->values[c], &b->values[c]) || a->factors[c] != b->factors[c])
      return false;
  }
  return FieldDefEqual(&a->lineText, &b->lineText) && a->excludeZeroLines == b->excludeZeroLines &&
         a->textCase == b->textCase;
}

bool LineDefIsSet(const LineDef* line) {
  if (line->lineText.IsSet()) return true;
  for (const FieldDef& field : line->dimensions) {
    if (field.IsSet()) return true;
  }
  for (const FieldDef& field : line->values) {
    if (field.IsSet()) return true;
  }
  return false;
}

// --- Import setups ---------------------------------------------------------------------------

ImportSetup::~ImportSetup() {
  delete lines;
  BlockTextFree(&name);
}

LineDef* ImportSetup::NewLineDefinition() {
  LineDef** tail = &lines;
  while (*tail != nullptr) tail = &(*tail)->next;
  *tail = new (std::nothrow) LineDef;
  if (*tail == nullptr) PendingErrorOutOfMemory();
  return *tail;
}

ImportSetup* ImportSetupCreate(T_Base* base, const char* name) {
  auto* setup = new (std::nothrow) ImportSetup;
  if (setup == nullptr) return nullptr;
  setup->database = base;
  BlockTextAssign(&setup->name, name);
  if (base != nullptr) {
    NamedListInsert(&base->importSetups, setup);
    NotifyObjectChange(base, kChangeImportSetupAdded, setup, 0);
  }
  return setup;
}

ImportSetup* FindImportSetup(T_Base* base, const char* name) {
  return NamedListFind(base->importSetups, name);
}

void ImportSetupRename(ImportSetup* setup, const char* name) {
  NamedListRename(setup, &T_Base::importSetups, name, kChangeImportSetupRenamed);
}

void ImportSetupClear(ImportSetup* setup) {
  FlatFormatReset(&setup->format);
  setup->rowsPerCard = setup->rowsPerLine = 1;
  setup->dateFormat = 0;
  setup->titleCase = setup->notesCase = 0;
  for (FieldDef& field : setup->cardFields) FieldDefClear(&field);
  delete setup->lines;
  setup->lines = nullptr;
  setup->hostCodesOnly = 0;
}

void ImportSetupCopy(ImportSetup* to, const ImportSetup* from) {
  ImportSetupClear(to);
  FlatFormatCopy(&to->format, from->format);
  to->rowsPerCard = from->rowsPerCard;
  to->rowsPerLine = from->rowsPerLine;
  to->dateFormat = from->dateFormat;
  to->titleCase = from->titleCase;
  to->notesCase = from->notesCase;
  for (int32_t i = 0; i < kSetupCardFields; ++i)
    FieldDefCopy(&to->cardFields[i], &from->cardFields[i]);
  for (const LineDef* line = from->lines; line != nullptr; line = line->next) {
    LineDef* copy = to->NewLineDefinition();
    if (copy == nullptr) return;
    LineDefCopy(copy, line);
  }
  to->hostCodesOnly = from->hostCodesOnly;
}

bool ImportSetupEqual(const ImportSetup* a, const ImportSetup* b) {
  if (!FlatFormatEqual(a->format, b->format) || a->rowsPerCard != b->rowsPerCard ||
      a->rowsPerLine != b->rowsPerLine || a->dateFormat != b->dateFormat ||
      a->titleCase != b->titleCase || a->notesCase != b->notesCase)
    return false;
  for (int32_t i = 0; i < kSetupCardFields; ++i) {
    if (!FieldDefEqual(&a->cardFields[i], &b->cardFields[i])) return false;
  }
  const LineDef* x = a->lines;
  const LineDef* y = b->lines;
  for (; x != nullptr && y != nullptr; x = x->next, y = y->next) {
    if (!LineDefEqual(x, y)) return false;
  }
  return x == nullptr && y == nullptr;
}

LineDef* ImportSetupLineAt(const ImportSetup* setup, int32_t index) {
  LineDef* line = setup->lines;
  for (int32_t i = 0; i < index && line != nullptr; ++i) line = line->next;
  return index >= 0 ? line : nullptr;
}

void ImportSetupRemoveLine(ImportSetup* setup, LineDef* line) {
  for (LineDef** link = &setup->lines; *link != nullptr; link = &(*link)->next) {
    if (*link == line) {
      *link = line->next;
      line->next = nullptr;
      delete line;
      return;
    }
  }
}

void WriteLineDefinition(T_OStream* stream, const T_Base* base, const LineDef* line) {
  WriteLineDef(stream, base, line);
}

void ReadLineDefinition(LineDef* line, T_IStream* stream, const T_Base* base) {
  const bool oldForm = OldFieldForm(base);
  ReadRecordLines(stream, [&](const char* key, int32_t keyLength, Line* fields) {
    ReadLineKey(line, key, keyLength, fields, oldForm);
  });
  for (FieldDef& field : line->dimensions) FieldDefCompact(&field);
  FieldDefCompact(&line->lineText);
  for (FieldDef& field : line->values) FieldDefCompact(&field);
}

void ReadImportSetup(ImportSetup* setup, T_IStream* stream) {
  ImportSetupClear(setup);
  const T_Base* base = setup->database;
  const bool oldForm = OldFieldForm(base);
  if (base != nullptr && base->fileVersion != 0 && base->fileVersion < kControlExcludedSince)
    setup->format.excludeControl = 0;
  LineDef* current = setup->NewLineDefinition();
  ReadRecordLines(stream, [&](const char* key, int32_t keyLength, Line* line) {
    const char second = keyLength > 1 ? key[1] : 0;
    int64_t v = 0;
    if (key[0] == '-' && keyLength == 1) {
      LineDef* added = setup->NewLineDefinition();
      if (added != nullptr) current = added;
      return;
    }
    if (key[0] == 'H' && keyLength == 1) {
      setup->hostCodesOnly = 1;
      return;
    }
    if (key[0] == 'C' && (second == 'R' || second == 'N')) {
      const int32_t index = LetterIndex(kSetupCaseLetters, line->NextFirstChar());
      if (index >= 0) (second == 'R' ? setup->titleCase : setup->notesCase) = index;
      return;
    }
    if (key[0] == 'M' && keyLength == 1) {
      const char* p;
      int32_t n;
      if (!line->Next(&p, &n)) return;
      for (int32_t i = 7; i >= 0; --i) {
        const auto length = static_cast<int32_t>(std::strlen(kSetupDateWords[i]));
        if (n >= length && std::memcmp(p, kSetupDateWords[i], static_cast<size_t>(length)) == 0) {
          setup->dateFormat = static_cast<uint32_t>(i);
          return;
        }
      }
      return;
    }
    if (key[0] == 'R' && (second == 'C' || second == 'L') && keyLength == 2) {
      if (line->NextInt(&v) && v >= 1 && v <= 99)
        (second == 'C' ? setup->rowsPerCard : setup->rowsPerLine) = static_cast<uint32_t>(v);
      return;
    }
    if (ReadFormatKey(&setup->format, key, keyLength, line, 65535)) return;
    if (key[0] == 'L' && keyLength == 2) {
      for (int32_t i = 0; i < kSetupCardFields; ++i) {
        if (std::strcmp(key, kCardFieldKeys[i]) == 0) {
          ReadFieldDef(&setup->cardFields[i], line, oldForm);
          return;
        }
      }
    }
    if (current != nullptr) ReadLineKey(current, key, keyLength, line, oldForm);
  });
  for (FieldDef& field : setup->cardFields) FieldDefCompact(&field);
  for (LineDef* line = setup->lines; line != nullptr;) {
    LineDef* following = line->next;
    for (FieldDef& field : line->dimensions) FieldDefCompact(&field);
    FieldDefCompact(&line->lineText);
    for (FieldDef& field : line->values) FieldDefCompact(&field);
    if (!LineDefIsSet(line)) {
      ImportSetupRemoveLine(setup, line);
    } else if (setup->hostCodesOnly) {
      for (int32_t& m : line->matchBy) m = 2;
    }
    line = following;
  }
  setup->hostCodesOnly = 0;
  NotifyObjectChange(setup->database, kChangeImportSetupChanged, setup, 0);
}

void WriteImportSetup(const ImportSetup* setup, T_OStream* stream) {
  stream->PutText("##ImportSetup");
  stream->PutSeparator();
  stream->PutBlockText(setup->name);
  stream->PutNewline();
  const FlatFormat& format = setup->format;
  WriteFormatHead(stream, format);
  if (format.rowTerminator != 13) PutKeyNumber(stream, "T", format.rowTerminator);
  if (format.fieldSeparator != 9) PutKeyNumber(stream, "S", format.fieldSeparator);
  if (format.decimalSeparator != 46) PutKeyNumber(stream, "D", format.decimalSeparator);
  if (setup->rowsPerCard > 1) PutKeyNumber(stream, "RC", setup->rowsPerCard);
  if (setup->rowsPerLine > 1) PutKeyNumber(stream, "RL", setup->rowsPerLine);
  if (format.rowsToSkip != 0) PutKeyNumber(stream, "RX", format.rowsToSkip);
  WriteConversions(stream, format);
  if (setup->titleCase > 0 && setup->titleCase < 6)
    PutKeyLetter(stream, "CR", kSetupCaseLetters[setup->titleCase]);
  if (setup->notesCase > 0 && setup->notesCase < 6)
    PutKeyLetter(stream, "CN", kSetupCaseLetters[setup->notesCase]);
  if (setup->dateFormat > 0 && setup->dateFormat < 8) {
    stream->PutText("M");
    stream->PutSeparator();
    stream->PutText(kSetupDateWords[setup->dateFormat]);
    stream->PutNewline();
  }
  for (int32_t i : kCardFieldWriteOrder)
    WriteFieldDef(stream, kCardFieldKeys[i], &setup->cardFields[i]);
  for (const LineDef* line = setup->lines; line != nullptr; line = line->next) {
    if (line != setup->lines) stream->PutLine("-");
    WriteLineDef(stream, setup->database, line);
  }
  stream->PutBytes(stream->newline, stream->newlineLength);
}

int64_t ImportSetupMemSize(const ImportSetup* setup) {
  int64_t size = static_cast<int64_t>(sizeof(ImportSetup)) + MemAllocatedSize(setup->name);
  for (const LineDef* line = setup->lines; line != nullptr; line = line->next)
    size += static_cast<int64_t>(sizeof(LineDef));
  return size;
}

void ImportSetupFree(ImportSetup* setup) {
  if (setup == nullptr) return;
  if (setup->database != nullptr) NamedListUnlink(&setup->database->importSetups, setup);
  delete setup;
}

void ImportSetupDelete(ImportSetup* setup) {
  if (setup->database != nullptr)
    NotifyObjectChange(setup->database, kChangeImportSetupDeleted, setup, 0);
  ImportSetupFree(setup);
}

void DeleteAllImportSetups(T_Base* base) {
  while (base->importSetups != nullptr) ImportSetupDelete(base->importSetups);
}

// --- Dimension import setups -----------------------------------------------------------------

void SetDimImportServices(const DimImportServices* services) {
  dimServices = services != nullptr ? *services : DimImportServices{};
}

DimImportSetup::DimImportSetup() { DimImportClear(this); }

void DimImportClear(DimImportSetup* setup) {
  FlatFormatReset(&setup->format);
  setup->hierarchy = setup->parentSearch = setup->createParents = 0;
  setup->hostCodeZeroFill = 0;
  setup->duplicates = 1;
  setup->hostDuplicates = 0;
  FieldDefClear(&setup->code);
  FieldDefClear(&setup->text);
  FieldDefClear(&setup->hostCode);
  FieldDefClear(&setup->levelOrParent);
  setup->code.fieldNumber = 1;
  setup->text.fieldNumber = 2;
  setup->hostCode.fieldNumber = 3;
}

void DimImportCompact(DimImportSetup* setup) {
  FieldDefCompact(&setup->code);
  FieldDefCompact(&setup->text);
  FieldDefCompact(&setup->hostCode);
  if (setup->hierarchy == 2 || setup->hierarchy == 3) {
    FieldDefCompact(&setup->levelOrParent);
  } else {
    FieldDefClear(&setup->levelOrParent);
  }
}

void DimImportCopy(DimImportSetup* to, const DimImportSetup* from) {
  FlatFormatCopy(&to->format, from->format);
  to->hierarchy = from->hierarchy;
  to->parentSearch = from->parentSearch;
  to->createParents = from->createParents;
  to->hostCodeZeroFill = from->hostCodeZeroFill;
  to->duplicates = from->duplicates;
  to->hostDuplicates = from->hostDuplicates;
  FieldDefCopy(&to->code, &from->code);
  FieldDefCopy(&to->text, &from->text);
  FieldDefCopy(&to->hostCode, &from->hostCode);
  FieldDefCopy(&to->levelOrParent, &from->levelOrParent);
}

bool DimImportEqual(const DimImportSetup* a, const DimImportSetup* b) {
  return FlatFormatEqual(a->format, b->format) && a->hierarchy == b->hierarchy &&
         a->parentSearch == b->parentSearch && a->createParents == b->createParents &&
         a->hostCodeZeroFill == b->hostCodeZeroFill && a->duplicates == b->duplicates &&
         a->hostDuplicates == b->hostDuplicates && FieldDefEqual(&a->code, &b->code) &&
         FieldDefEqual(&a->text, &b->text) && FieldDefEqual(&a->hostCode, &b->hostCode) &&
         FieldDefEqual(&a->levelOrParent, &b->levelOrParent);
}

bool DimImportIsDefault(const DimImportSetup* setup) {
  DimImportSetup defaults;
  return DimImportEqual(setup, &defaults);
}

DimImportSetup* DimImportCreate(T_Base* base, int32_t dimension) {
  if (dimension < 0 || dimension >= kDimensionCount) return nullptr;
  DimImportSetup*& slot = base->dimImports[dimension];
  if (slot == nullptr) {
    slot = new (std::nothrow) DimImportSetup;
    if (slot != nullptr) {
      slot->database = base;
      slot->dimension = dimension;
    }
  }
  return slot;
}

void ReadDimImport(DimImportSetup* setup, T_IStream* stream) {
  DimImportClear(setup);
  const bool oldForm = OldFieldForm(setup->database);
  ReadRecordLines(stream, [&](const char* key, int32_t keyLength, Line* line) {
    const char second = keyLength > 1 ? key[1] : 0;
    int64_t v = 0;
    switch (key[0]) {
      case 'H': {
        const int32_t index = LetterIndex("WXCR", second);
        if (index >= 0) setup->hostDuplicates = static_cast<uint32_t>(index);
        return;
      }
      case 'r': {
        const int32_t index = LetterIndex("WXR", second);
        if (index >= 0) setup->duplicates = static_cast<uint32_t>(index);
        return;
      }
      case 'M':
      case 'N': {
        const int32_t index =
            LetterIndex(key[0] == 'M' ? kHierarchyLetters : kLookupLetters, second);
        if (index >= 0) (key[0] == 'M' ? setup->hierarchy : setup->parentSearch) = index;
        return;
      }
      case 'L': {
        FieldDef* field = second == 'C'   ? &setup->code
                          : second == 'T' ? &setup->text
                          : second == 'H' ? &setup->hostCode
                          : second == 'P' ? &setup->levelOrParent
                                          : nullptr;
        if (field != nullptr && keyLength == 2) ReadFieldDef(field, line, oldForm);
        return;
      }
      case 'R':
        if (second == 'F') {
          if (line->NextInt(&v) && v >= 2 && v <= 8)
            setup->hostCodeZeroFill = static_cast<uint32_t>(v);
          return;
        }
        if (second == 'P') {
          const char c = line->NextFirstChar();
          if (c == 'P') setup->createParents = 9;
          if (c >= '0' && c <= '8') setup->createParents = static_cast<uint32_t>(c - '0');
          return;
        }
        break;
      default:
        break;
    }
    ReadFormatKey(&setup->format, key, keyLength, line, 255);
  });
  DimImportCompact(setup);
  NotifyObjectChange(setup->database, kChangeDimImport, setup, setup->dimension);
}

void WriteDimImport(const DimImportSetup* setup, T_OStream* stream, int32_t fileNumber) {
  stream->PutText("##DimImport");
  stream->PutSeparator();
  stream->PutInt(fileNumber);
  stream->PutNewline();
  const FlatFormat& format = setup->format;
  WriteFormatHead(stream, format);
  if (format.rowTerminator != 13) PutKeyNumber(stream, "T", format.rowTerminator & 0xFF);
  if (format.fieldSeparator != 9) PutKeyNumber(stream, "S", format.fieldSeparator & 0xFF);
  if (format.rowsToSkip != 0) PutKeyNumber(stream, "RX", format.rowsToSkip);
  if (setup->createParents == 9) {
    PutKeyLetter(stream, "RP", 'P');
  } else if (setup->createParents >= 1 && setup->createParents <= 8) {
    PutKeyNumber(stream, "RP", setup->createParents);
  }
  if (setup->hostCodeZeroFill != 0) PutKeyNumber(stream, "RF", setup->hostCodeZeroFill);
  static const char* const kDuplicateKeys[] = {"rW", "rX", "rR"};
  static const char* const kHostKeys[] = {"HW", "HX", "HC", "HR"};
  stream->PutLine(kDuplicateKeys[setup->duplicates < 3 ? setup->duplicates : 1]);
  stream->PutLine(kHostKeys[setup->hostDuplicates < 4 ? setup->hostDuplicates : 0]);
  WriteConversions(stream, format);
  const char hierarchy[3] = {'M', kHierarchyLetters[setup->hierarchy < 4 ? setup->hierarchy : 0],
                             0};
  const char search[3] = {'N', kLookupLetters[setup->parentSearch < 3 ? setup->parentSearch : 0],
                          0};
  stream->PutLine(hierarchy);
  stream->PutLine(search);
  WriteFieldDef(stream, "LC", &setup->code);
  WriteFieldDef(stream, "LT", &setup->text);
  WriteFieldDef(stream, "LH", &setup->hostCode);
  WriteFieldDef(stream, "LP", &setup->levelOrParent);
  stream->PutBytes(stream->newline, stream->newlineLength);
}

void DimImportFree(DimImportSetup* setup) {
  if (setup == nullptr) return;
  if (setup->editor != nullptr && dimServices.closeEditor != nullptr)
    dimServices.closeEditor(setup);
  T_Base* base = setup->database;
  if (base != nullptr && base->dimImports[setup->dimension] == setup)
    base->dimImports[setup->dimension] = nullptr;
  delete setup;
}

int64_t DimImportMemSize(const DimImportSetup*) {
  return static_cast<int64_t>(sizeof(DimImportSetup));
}
