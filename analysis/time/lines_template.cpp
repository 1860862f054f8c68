#include "analysis/time/lines_template.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/number_text.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/template_runner.h"
#include "ui/sort_orders.h"

namespace {

constexpr const char* kNegativeLetters = "-RP";
constexpr const char* kColourLetters = "-RG";
constexpr const char* kDisplayLetters = "CHTNMPR";
constexpr const char* kStatLetters = "B+-PF#CAEMmTRVD";
constexpr const char* kMethodLetters = "LE";
constexpr int32_t kNewColumnsVersion = 20001219;
constexpr int32_t kWidthMax = 30000;
constexpr int32_t kMinFieldWidth = 16;  // narrower stored widths mean the default
constexpr int64_t kLinesTemplateExtra = 2312;
constexpr uint32_t kLinesMenuIcon = 2002;

bool IsValueColumn(int32_t code) {
  return code >= kLinesValueFirst && code < kLinesValueFirst + kMaxValueCount;
}
bool IsDimColumn(int32_t code) {
  return code >= kLinesDimFirst && code < kLinesDimFirst + kDimensionCount;
}

// The key of the current record, at most 15 bytes.
struct Key {
  char text[16] = {};
  int32_t n = 0;
};
Key ReadKey(T_IStream* stream) {
  Key key;
  key.n = stream->FieldLength() < 15 ? stream->FieldLength() : 15;
  std::memcpy(key.text, stream->Field(), static_cast<size_t>(key.n));
  return key;
}

// A width field: empty or out of range gives 0 (the default).
int32_t ReadWidth(T_IStream* stream) {
  if (!stream->NextField()) return 0;
  T_TextBuf text;
  TextBufAssignBytes(&text, stream->Field(), stream->FieldLength());
  char* end = nullptr;
  long value = std::strtol(text.data, &end, 10);
  if (end == text.data || value < kMinFieldWidth || value > kWidthMax) return 0;
  return static_cast<int32_t>(value);
}

void PutWidth(T_OStream* stream, int32_t width) {
  stream->PutSeparator();
  if (width >= kMinFieldWidth) stream->PutInt(width);
}

// The rate of a "+" or "-" record: a damaged or non-finite number reads as 0.
double ReadRate(T_IStream* stream) {
  double value = stream->ReadFieldDouble();
  return std::isfinite(value) ? value : 0;
}

bool AnyWidth(const LinesOptions& o, int32_t first, int32_t last) {
  for (int32_t c = first; c <= last; ++c) {
    if (o.columns[c].width >= kMinFieldWidth) return true;
  }
  return false;
}

// The dimension columns by the save's numbering: slot i holds the dimension numbered i.
void DimensionsBySaveNumber(T_Base* base, int32_t* dims) {
  for (int32_t i = 0; i < kDimensionCount; ++i) dims[i] = -1;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    int32_t n = base ? base->MapDimIndex(d) : d;
    if (n >= 0 && n < kDimensionCount && dims[n] < 0) dims[n] = d;
  }
  for (int32_t i = 0; i < kDimensionCount; ++i) {
    if (dims[i] < 0) dims[i] = i;
  }
}

void ReadOldColumnLetters(LinesOptions* o, const char* text, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    char c = text[i];
    int32_t code = -1;
    if (c == 'I')
      code = kLinesCardId;
    else if (c == 'L')
      code = kLinesLineText;
    else if (c == 'S')
      code = kLinesAccumulated;
    else if (c == 'T')
      code = kLinesCardTitle;
    else if (c == 'V')
      code = kLinesValueFirst;
    else if (c >= 'a' && c <= 'e')
      code = kLinesValueFirst + 1 + (c - 'a');
    else if (c >= '1' && c <= '9')
      code = kLinesDimFirst + (c - '1');
    else if (c >= 'A' && c <= 'C')
      code = kLinesDimFirst + 9 + (c - 'A');
    if (code >= 0) o->columns[code].shown = 1;
  }
}

void ReadShownColumns(T_Base* base, LinesOptions* o, T_IStream* stream) {
  for (auto& column : o->columns) column.shown = 0;
  if (!stream->NextField()) return;
  const char* text = stream->Field();
  int32_t n = stream->FieldLength();
  if (base && base->fileVersion != 0 && base->fileVersion < kNewColumnsVersion) {
    ReadOldColumnLetters(o, text, n);
    return;
  }
  int32_t start = 0;
  for (int32_t i = 0; i <= n; ++i) {
    if (i < n && text[i] != ',') continue;
    int32_t code = ParseLinesColumnName(text + start, i - start);
    if (code >= 0) o->columns[code].shown = 1;
    start = i + 1;
  }
}

void WriteLetters(T_OStream* stream, char key, const LinesOptions& o, int32_t count,
                  uint8_t LinesColumnOptions::*field, const char* letters) {
  stream->PutChar(key);
  stream->PutSeparator();
  for (int32_t i = 0; i < count; ++i)
    stream->PutChar(letters[o.columns[kLinesValueFirst + i].*field]);
  stream->PutNewline();
}

bool AnyValueSetting(const LinesOptions& o, int32_t count, uint8_t LinesColumnOptions::*field) {
  for (int32_t i = 0; i < count; ++i) {
    if (o.columns[kLinesValueFirst + i].*field != 0) return true;
  }
  return false;
}

void ReadValueLetters(T_IStream* stream, LinesOptions* o, uint8_t LinesColumnOptions::*field,
                      const char* letters) {
  if (!stream->NextField()) return;
  int32_t n = stream->FieldLength() < kMaxValueCount ? stream->FieldLength() : kMaxValueCount;
  for (int32_t i = 0; i < n; ++i)
    SetFromLetter(letters, stream->Field()[i], &(o->columns[kLinesValueFirst + i].*field));
}

bool StartsNoCase(const char* text, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (std::strlen(text) < n) return false;
  T_TextBuf head;
  TextBufAssignBytes(&head, text, static_cast<int32_t>(n));
  return StrEqualNoCase(head.data, prefix);
}

char FirstLetterOfField(T_IStream* stream) {
  return stream->NextField() && stream->FieldLength() > 0 ? stream->Field()[0] : 0;
}

}  // namespace

// --- Columns ------------------------------------------------------------------------------------

void LinesColumnName(T_Base* base, int32_t code, T_TextBuf* out) {
  TextBufAssign(out, "");
  if (code == kLinesCardId)
    TextBufAssign(out, "I");
  else if (code == kLinesDate)
    TextBufAssign(out, "P");
  else if (code == kLinesCardTitle)
    TextBufAssign(out, "T");
  else if (code == kLinesLineText)
    TextBufAssign(out, "L");
  else if (code == kLinesAccumulated)
    TextBufAssign(out, "S");
  else if (code == kLinesOrigin)
    TextBufAssign(out, "H");
  else if (IsValueColumn(code)) {
    TextBufAssignChar(out, 'V');
    TextBufAppendChar(out, EncodeColumnLetter(code - kLinesValueFirst));
  } else if (IsDimColumn(code)) {
    int32_t d = code - kLinesDimFirst;
    TextBufAssignChar(out, 'D');
    TextBufAppendInt(out, (base ? base->MapDimIndex(d) : d) + 1);
  }
}

int32_t ParseLinesColumnName(const char* text, int32_t n) {
  while (n > 0 && text[0] == ' ') ++text, --n;
  while (n > 0 && text[n - 1] == ' ') --n;
  if (n <= 0) return -1;
  if (n == 1) {
    switch (text[0]) {
      case 'I':
      case 'C':
        return kLinesCardId;
      case 'P':
        return kLinesDate;
      case 'T':
        return kLinesCardTitle;
      case 'L':
        return kLinesLineText;
      case 'S':
        return kLinesAccumulated;
      case 'H':
        return kLinesOrigin;
      default:
        return -1;
    }
  }
  if (text[0] == 'V' && n == 2) {
    int32_t column = DecodeColumnLetter(text[1]);
    return column >= 0 && column < kMaxValueCount ? kLinesValueFirst + column : -1;
  }
  if (text[0] == 'D' && n <= 3) {
    int32_t number = 0;
    for (int32_t i = 1; i < n; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      number = number * 10 + (text[i] - '0');
    }
    return number >= 1 && number <= kDimensionCount ? kLinesDimFirst + number - 1 : -1;
  }
  return -1;
}

bool LinesColumnAvailable(T_Base* base, int32_t code) {
  if (code < 0 || code >= kLinesColumnCount) return false;
  if (code == kLinesOrigin) return base && base->lineOrigins != nullptr;
  if (code == kLinesAccumulated) return true;
  if (IsDimColumn(code)) return base && base->HasSubComponents(code - kLinesDimFirst);
  if (IsValueColumn(code)) return base && code < kLinesValueFirst + base->valueCount;
  return true;
}

void LinesSortKeyReset(LinesSortKey* key, int32_t column) {
  *key = LinesSortKey{};
  key->column = column;
}

void LinesOptionsInit(LinesOptions* o, T_Base* base) {
  *o = LinesOptions{};
  o->dateFormat = DateStyleGet();
  for (auto& key : o->sortKeys) LinesSortKeyReset(&key, kLinesCardId);
  for (int32_t code : {kLinesCardId, kLinesCardTitle, kLinesDimFirst + 1, kLinesLineText,
                       kLinesValueFirst, kLinesAccumulated})
    o->columns[code].shown = 1;
  for (int32_t i = 0; i < kMaxValueCount; ++i) {
    int32_t code = base ? base->decimalsCodes[i] : 2;
    o->columns[kLinesValueFirst + i].decimals =
        static_cast<uint8_t>(code >= 0 && code <= 9 ? code : 2);
  }
  o->columns[kLinesAccumulated].decimals = o->columns[kLinesValueFirst].decimals;
}

// --- Numbers ------------------------------------------------------------------------------------

void FormatExactNumber(double value, T_TextBuf* out) {
  NumFormat format;
  NumFormatInit(&format);
  format.decimalSeparator = '.';
  format.thousandsSeparator = 0;
  format.mode = 0;
  format.significantDigits = 15;
  TextBufAssignDoubleFormat(out, value, &format);
  if (std::isfinite(value) && std::strtod(out->data, nullptr) != value) {
    format.significantDigits = 17;
    TextBufAssignDoubleFormat(out, value, &format);
  }
}

// --- The template -------------------------------------------------------------------------------

T_LinesTmpl::T_LinesTmpl(T_Base* base) : T_BoxTmpl(kTemplateLines, base) {
  menuIcon = kLinesMenuIcon;
  SelectionDef_init(&selection, base);
  LinesOptionsInit(&options, base);
  DiagramFlagsInit(&flags);
}

T_LinesTmpl::~T_LinesTmpl() {
  BlockTextFree(&axisScaleName);
  SelectionDef_free(&selection);
}

void T_LinesTmpl::OnChange(const ChangeNote* note) { T_BoxTmpl::OnChange(note); }

void T_LinesTmpl::SetDefaults() {
  T_BoxTmpl::SetDefaults();
  SelectionDef_clear(&selection);
  LinesOptionsInit(&options, database);
  DiagramFlagsInit(&flags);
  BlockTextFree(&axisScaleName);
}

void T_LinesTmpl::SetAxisScaleName(const char* text) { BlockTextAssign(&axisScaleName, text); }

bool T_LinesTmpl::ReadRecord(T_IStream* stream) {
  if (!stream->NextField()) return false;
  Key key = ReadKey(stream);
  LinesOptions& o = options;
  const char k0 = key.text[0];
  const char k1 = key.text[1];
  if (k0 == 'B' && key.n >= 2) {
    if (SelectionDef_readKey(&selection, key.text, stream)) return true;
  }
  if (GridLinesReadLine(key.text, stream)) return true;
  if (ReadDiagramFlag(&flags, stream)) return true;
  if (k0 == 'S' && key.n >= 3 && k1 >= '0' && k1 <= '9') {
    ReadSortKey(key.text + 2, k1 - '0', stream);
    return true;
  }
  if (key.n == 1) {
    switch (k0) {
      case 'Q': {
        char c = FirstLetterOfField(stream);
        int32_t column = c >= 'A' && c <= 'X' ? c - 'A' : -1;
        if (column >= 0) o.accumulated = column;
        return true;
      }
      case 'D':
        ReadValueLetters(stream, &o, &LinesColumnOptions::decimals, "0123456FTM");
        return true;
      case 'd':
        SetFromLetter("0123456FTM", FirstLetterOfField(stream),
                      &o.columns[kLinesAccumulated].decimals);
        return true;
      case 'N':
        ReadValueLetters(stream, &o, &LinesColumnOptions::negative, kNegativeLetters);
        return true;
      case 'n':
        SetFromLetter(kNegativeLetters, FirstLetterOfField(stream),
                      &o.columns[kLinesAccumulated].negative);
        return true;
      case 'R':
        ReadValueLetters(stream, &o, &LinesColumnOptions::colour, kColourLetters);
        return true;
      case 'r':
        SetFromLetter(kColourLetters, FirstLetterOfField(stream),
                      &o.columns[kLinesAccumulated].colour);
        return true;
      case 'Y':
        SetFromLetter("STWFGHUV", FirstLetterOfField(stream), &o.dateFormat);
        return true;
      case 'T': {
        if (!stream->NextField()) return true;
        int32_t dims[kDimensionCount];
        DimensionsBySaveNumber(database, dims);
        int32_t n =
            stream->FieldLength() < kDimensionCount ? stream->FieldLength() : kDimensionCount;
        for (int32_t i = 0; i < n; ++i) {
          char c = stream->Field()[i];
          auto& column = o.columns[kLinesDimFirst + dims[i]];
          if (c == '-')
            column.display = -1;
          else
            SetFromLetter(kDisplayLetters, c, &column.display);
        }
        return true;
      }
      case 'P':
        ReadShownColumns(database, &o, stream);
        return true;
      case 'H':
        if (stream->NextField()) {
          for (auto& flag : o.statistics) flag = 0;
          for (int32_t i = 0; i < stream->FieldLength(); ++i) {
            int32_t flag = LetterIndex(kStatLetters, stream->Field()[i]);
            if (flag >= 0) o.statistics[flag] = 1;
          }
        }
        return true;
      case '+':
        o.positiveRate = ReadRate(stream);
        return true;
      case '-':
        o.negativeRate = ReadRate(stream);
        return true;
      default:
        break;
    }
  }
  if (key.n == 2) {
    if (k0 == 'I') {
      SetFromLetter(kMethodLetters, k1, &o.interestMethod);
      return true;
    }
    if (k0 == 'W' && (k1 == 'L' || k1 == 'B' || k1 == 'N')) {
      viewMode = k1 == 'L' ? 1 : k1 == 'B' ? 2 : 0;
      return true;
    }
    if (k0 == 'w') {
      switch (k1) {
        case 'C':
          o.columns[kLinesCardId].width = ReadWidth(stream);
          o.columns[kLinesCardTitle].width = ReadWidth(stream);
          return true;
        case 'D': {
          int32_t dims[kDimensionCount];
          DimensionsBySaveNumber(database, dims);
          for (int32_t i = 0; i < kDimensionCount; ++i)
            o.columns[kLinesDimFirst + dims[i]].width = ReadWidth(stream);
          return true;
        }
        case 'L':
          o.columns[kLinesLineText].width = ReadWidth(stream);
          o.columns[kLinesValueFirst].width = ReadWidth(stream);
          o.columns[kLinesAccumulated].width = ReadWidth(stream);
          for (int32_t i = 1; i < kMaxValueCount; ++i)
            o.columns[kLinesValueFirst + i].width = ReadWidth(stream);
          return true;
        case 'H':
          o.columns[kLinesOrigin].width = ReadWidth(stream);
          return true;
        default:
          break;
      }
    }
    if (k0 == 'Z') {
      switch (k1) {
        case 'C': {
          T_TextBuf name;
          stream->ReadFieldBuf(&name);
          SetAxisScaleName(name.data);
          return true;
        }
        case 'S':
          o.cardInfo = 1;
          return true;
        case 'M':
        case 'N':
          for (int32_t i = 0; i < kMaxValueCount; ++i)
            o.columns[kLinesValueFirst + i].colour = k1 == 'M' ? 1 : 2;
          o.columns[kLinesAccumulated].colour = k1 == 'M' ? 1 : 2;
          return true;
        default:
          return true;  // another diagram letter changes nothing
      }
    }
  }
  if (key.n == 4 && k0 == 'x' && k1 == 't') {
    const char* rest = key.text + 2;
    if (std::strcmp(rest, "nh") == 0)
      o.tableTool = kToolDrag;
    else if (std::strcmp(rest, "na") == 0)
      o.tableTool = kToolSelect;
    else if (std::strcmp(rest, "g+") == 0)
      o.diagramTool = kToolZoomIn;
    else if (std::strcmp(rest, "g-") == 0)
      o.diagramTool = kToolZoomOut;
    else if (std::strcmp(rest, "gh") == 0)
      o.diagramTool = kToolDrag;
    return true;
  }
  stream->RewindLine();
  return T_BoxTmpl::ReadRecord(stream);
}

void T_LinesTmpl::ReadSortKey(const char* column, int32_t n, T_IStream* stream) {
  if (n < 1 || n > kLinesSortKeyMax) return;
  int32_t code = ParseLinesColumnName(column, static_cast<int32_t>(std::strlen(column)));
  if (code < 0 || code == kLinesAccumulated) return;
  LinesSortKey& key = options.sortKeys[n - 1];
  LinesSortKeyReset(&key, code);
  while (stream->NextField()) {
    if (stream->FieldLength() < 2) continue;
    char c = stream->Field()[1];
    switch (stream->Field()[0]) {
      case 'C':
        SetFromLetter("AD", c, &key.direction);
        break;
      case 'D':
        SetFromLetter("NRCTH", c, &key.componentOrder);
        break;
      case 'T':
        SetFromLetter("AD", c, &key.textDirection);
        break;
      case 'V':
        SetFromLetter("DEFCBA", c, &key.valueOrder);
        break;
      default:
        break;
    }
  }
  if (options.sortKeyCount < n) options.sortKeyCount = n;
}

void T_LinesTmpl::BeginRead() { T_BoxTmpl::BeginRead(); }

void T_LinesTmpl::WriteText(T_OStream* stream) {
  T_BoxTmpl::WriteText(stream);
  const LinesOptions& o = options;
  T_Base* base = database;
  const int32_t valueCount = base ? base->valueCount : 1;
  SelectionDef_writeKeys(&selection, stream, 'B');
  stream->PutKeyCharLine("Q", EncodeColumnLetter(o.accumulated));
  WriteLetters(stream, 'D', o, valueCount, &LinesColumnOptions::decimals, "0123456FTM");
  stream->PutCharPairLine('d', DecimalsToLetter(o.columns[kLinesAccumulated].decimals));
  if (AnyValueSetting(o, valueCount, &LinesColumnOptions::negative))
    WriteLetters(stream, 'N', o, valueCount, &LinesColumnOptions::negative, kNegativeLetters);
  if (o.columns[kLinesAccumulated].negative)
    stream->PutCharPairLine('n', kNegativeLetters[o.columns[kLinesAccumulated].negative]);
  if (AnyValueSetting(o, valueCount, &LinesColumnOptions::colour))
    WriteLetters(stream, 'R', o, valueCount, &LinesColumnOptions::colour, kColourLetters);
  if (o.columns[kLinesAccumulated].colour)
    stream->PutCharPairLine('r', kColourLetters[o.columns[kLinesAccumulated].colour]);
  if (o.columns[kLinesDate].shown) stream->PutCharPairLine('Y', DateStyleLetter(o.dateFormat));

  int32_t dims[kDimensionCount];
  DimensionsBySaveNumber(base, dims);
  int32_t lastDisplay = -1;
  for (int32_t i = 0; i < kDimensionCount; ++i) {
    if (o.columns[kLinesDimFirst + dims[i]].display >= 0) lastDisplay = i;
  }
  if (lastDisplay >= 0) {
    stream->PutChar('T');
    stream->PutSeparator();
    for (int32_t i = 0; i <= lastDisplay; ++i) {
      int8_t display = o.columns[kLinesDimFirst + dims[i]].display;
      stream->PutChar(display >= 0 ? kDisplayLetters[display] : '-');
    }
    stream->PutNewline();
  }

  T_TextBuf names, name;
  for (int32_t code = 0; code < kLinesColumnCount; ++code) {
    if (!o.columns[code].shown || !LinesColumnAvailable(base, code)) continue;
    LinesColumnName(base, code, &name);
    if (names.length > 0) TextBufAppendChar(&names, ',');
    TextBufAppendBuf(&names, &name);
  }
  if (names.length > 0) stream->PutKeyTextLine("P", names.data);

  T_TextBuf letters;
  for (int32_t i = 0; i < kStatCount; ++i) {
    if (o.statistics[i]) TextBufAppendChar(&letters, kStatLetters[i]);
  }
  if (letters.length > 0) stream->PutKeyTextLine("H", letters.data);
  for (auto [key, rate] : {std::pair{"+", o.positiveRate}, std::pair{"-", o.negativeRate}}) {
    if (rate == 0) continue;
    FormatExactNumber(rate, &name);
    stream->PutKeyTextLine(key, name.data);
  }
  stream->PutLine(o.interestMethod == 1 ? "IE" : "IL");
  GridLinesWrite(stream);
  WriteViewModeLine(stream);

  if (AnyWidth(o, kLinesCardId, kLinesCardId) || AnyWidth(o, kLinesCardTitle, kLinesCardTitle)) {
    stream->PutText("wC");
    PutWidth(stream, o.columns[kLinesCardId].width);
    PutWidth(stream, o.columns[kLinesCardTitle].width);
    stream->PutNewline();
  }
  if (AnyWidth(o, kLinesDimFirst, kLinesDimFirst + kDimensionCount - 1)) {
    stream->PutText("wD");
    for (int32_t i = 0; i < kDimensionCount; ++i)
      PutWidth(stream, o.columns[kLinesDimFirst + dims[i]].width);
    stream->PutNewline();
  }
  if (AnyWidth(o, kLinesLineText, kLinesAccumulated)) {
    stream->PutText("wL");
    PutWidth(stream, o.columns[kLinesLineText].width);
    PutWidth(stream, o.columns[kLinesValueFirst].width);
    PutWidth(stream, o.columns[kLinesAccumulated].width);
    for (int32_t i = 1; i < kMaxValueCount; ++i)
      PutWidth(stream, o.columns[kLinesValueFirst + i].width);
    stream->PutNewline();
  }
  if (AnyWidth(o, kLinesOrigin, kLinesOrigin)) {
    stream->PutText("wH");
    PutWidth(stream, o.columns[kLinesOrigin].width);
    stream->PutNewline();
  }

  for (int32_t n = 0; n < o.sortKeyCount && n < kLinesSortKeyMax; ++n) {
    const LinesSortKey& key = o.sortKeys[n];
    LinesColumnName(base, key.column, &name);
    stream->PutChar('S');
    stream->PutInt(n + 1);
    stream->PutTextBuf(&name);
    const char fields[4][3] = {{'C', "AD"[key.direction & 1], 0},
                               {'D', "NRCTH"[key.componentOrder % 5], 0},
                               {'T', "AD"[key.textDirection & 1], 0},
                               {'V', "DEFCBA"[key.valueOrder % 6], 0}};
    for (const auto& field : fields) {
      stream->PutSeparator();
      stream->PutText(field);
    }
    stream->PutNewline();
  }
  WriteDiagramFlags(&flags, stream);
  if (axisScaleName) stream->PutKeyTextLine("ZC", axisScaleName);
  if (o.cardInfo) stream->PutLine("ZS");
  stream->PutLine(o.tableTool == kToolDrag ? "xtnh" : "xtna");
  stream->PutLine(o.diagramTool == kToolZoomOut ? "xtg-"
                  : o.diagramTool == kToolDrag  ? "xtgh"
                                                : "xtg+");
}

// --- XML ----------------------------------------------------------------------------------------

void T_LinesTmpl::ReadXmlColumns(T_IStream* stream) {
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    int32_t code = -1;
    if (StrEqualNoCase(name.data, "card-id"))
      code = kLinesCardId;
    else if (StrEqualNoCase(name.data, "cardtitle"))
      code = kLinesCardTitle;
    else if (StrEqualNoCase(name.data, "linetext"))
      code = kLinesLineText;
    else if (StrEqualNoCase(name.data, "value"))
      code = kLinesValueFirst;
    else if (StrEqualNoCase(name.data, "accum"))
      code = kLinesAccumulated;
    else if (StrEqualNoCase(name.data, "origin"))
      code = kLinesOrigin;
    else if (StartsNoCase(name.data, "dim") || StartsNoCase(name.data, "value")) {
      bool dim = StartsNoCase(name.data, "dim");
      const char* digits = name.data + (dim ? 3 : 5);
      char* end = nullptr;
      long n = std::strtol(digits, &end, 10);
      if (end != digits && *end == 0) {
        if (dim && n >= 1 && n <= kDimensionCount)
          code = kLinesDimFirst + static_cast<int32_t>(n) - 1;
        if (!dim && n >= 1 && n <= kMaxValueCount)
          code = kLinesValueFirst + static_cast<int32_t>(n) - 1;
      }
    }
    if (code < 0) {
      if (database) database->XmlUnknownAttribute(name.data);
      continue;
    }
    int32_t on = database ? database->XmlReadOnOff(name.data, value.data) : -1;
    if (on >= 0) options.columns[code].shown = static_cast<uint8_t>(on);
  }
}

const char* LinesStatisticXmlName(int32_t statistic) {
  static const char* const kNames[] = {
      "before",    "positive",     "negative",     "period",   "after",
      "linecount", "cardcount",    "average",      "median",   "max",
      "min",       "turnovertime", "turnoverrate", "variance", "stddeviation",
      "posinterest", "neginterest"};
  const int32_t i = statistic - kStatFirstText;
  return i >= 0 && i < static_cast<int32_t>(sizeof kNames / sizeof kNames[0]) ? kNames[i] : "";
}

void T_LinesTmpl::ReadXmlHeaders(T_IStream* stream) {
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    int32_t flag = -1;
    for (int32_t i = 0; i < kStatCount; ++i) {
      if (StrEqualNoCase(name.data, LinesStatisticXmlName(kStatFirstText + i))) flag = i;
    }
    if (flag < 0) {
      if (database) database->XmlUnknownAttribute(name.data);
      continue;
    }
    int32_t on = database ? database->XmlReadOnOff(name.data, value.data) : -1;
    if (on >= 0) options.statistics[flag] = static_cast<uint8_t>(on);
  }
}

bool T_LinesTmpl::ReadXml(T_IStream* stream) {
  T_TextBuf name, value;
  while (!AbortRequested() && stream->NextXmlToken()) {
    if (stream->FieldLength() < 2 || stream->Field()[0] != '<') continue;
    if (stream->FieldIsTag("/template")) break;
    char second = stream->Field()[1];
    if (second == '/' || second == '?' || second == '!') continue;
    if (stream->FieldIsTag("selection")) {
      Selection_readXml(&selection, stream);
    } else if (stream->FieldIsTag("columns")) {
      ReadXmlColumns(stream);
    } else if (stream->FieldIsTag("headers")) {
      ReadXmlHeaders(stream);
    } else if (stream->FieldIsTag("values")) {
      while (stream->NextXmlAttribute(&name, &value)) {
        if (!StrEqualNoCase(name.data, "decimals")) {
          if (database) database->XmlUnknownAttribute(name.data);
          continue;
        }
        for (int32_t i = 0; i < value.length && i < kMaxValueCount; ++i)
          SetFromLetter("0123456FTM", value.data[i],
                        &options.columns[kLinesValueFirst + i].decimals);
      }
    } else if (stream->FieldIsTag("export-options")) {
      ParseOutputOptions(&output, stream, database);
    } else if (database) {
      database->XmlUnknownTag(stream);
    } else {
      stream->SkipElement();
    }
  }
  return true;
}

// --- Components, lines and parameters -----------------------------------------------------------

void MarkSelectionComponents(T_Base* base, const SelectionDef* selection,
                             BitVector* components) {
  CardSelection compiled;
  Selection_init(&compiled, base, nullptr, nullptr);
  Selection_setFromDef(&compiled, selection);
  CompSelMarkReferenced(&compiled.components, components);
  Selection_free(&compiled);
}

void MarkSelectionLines(T_Base* base, const SelectionDef* selection, bool fromFileStart,
                        bool toFileEnd, BitVector* lines) {
  CardSelection compiled;
  Selection_init(&compiled, base, nullptr, nullptr);
  Selection_setFromDef(&compiled, selection);
  if (fromFileStart) DateRefSetKind(&compiled.from, kDateRefFile);
  if (toFileEnd) DateRefSetKind(&compiled.to, kDateRefFile);
  BitVector selected;
  BitVecInit(&selected, 0, 0);
  if (Selection_validate(&compiled, nullptr) && Selection_collectLines(&compiled, &selected))
    BitVecOr(lines, &selected);
  BitVecFree(&selected);
  Selection_free(&compiled);
}

void T_LinesTmpl::MarkUsedComponents(BitVector* components) {
  T_BoxTmpl::MarkUsedComponents(components);
  MarkSelectionComponents(database, &selection, components);
}

void T_LinesTmpl::MarkSelectedLines(BitVector* lines) {
  MarkSelectionLines(database, &selection, options.statistics[kStatBefore] != 0,
                     options.statistics[kStatAfter] != 0, lines);
}

char LinesSortKeyLetter(const LinesSortKey* key) {
  const int32_t code = key->column;
  if (IsDimColumn(code)) return "NRCTH"[key->componentOrder % 5];
  if (IsValueColumn(code)) return "DEFCBA"[key->valueOrder % 6];
  if (code == kLinesCardId || code == kLinesDate) return "AD"[key->direction % 2];
  return "AD"[key->textDirection % 2];
}

void T_LinesTmpl::SetParameter(const char* name, const char* value) {
  if (name && StrEqualNoCase(name, "sort")) {
    if (!value) return;
    const char* colon = std::strchr(value, ':');
    int32_t n =
        colon ? static_cast<int32_t>(colon - value) : static_cast<int32_t>(std::strlen(value));
    int32_t code = ParseLinesColumnName(value, n);
    if (code < 0 || code == kLinesAccumulated) return;
    LinesSortKey key;
    LinesSortKeyReset(&key, code);
    if (colon && colon[1]) {
      char letter = colon[1];
      if (IsDimColumn(code))
        SetFromLetter("NRCTH", letter, &key.componentOrder);
      else if (IsValueColumn(code))
        SetFromLetter("DEFCBA", letter, &key.valueOrder);
      else if (code == kLinesCardId || code == kLinesDate)
        SetFromLetter("AD", letter, &key.direction);
      else
        SetFromLetter("AD", letter, &key.textDirection);
    }
    options.sortKeys[0] = key;
    options.sortKeyCount = 1;
    return;
  }
  if (name && value) Selection_readAttributes(&selection, name, value);
  T_BoxTmpl::SetParameter(name, value);
}

int64_t T_LinesTmpl::MemorySize() const {
  return SelectionDef_byteSize(&selection) + T_BoxTmpl::MemorySize() + kLinesTemplateExtra;
}

T_LinesTmpl* AsLinesTemplate(T_Template* templ) { return dynamic_cast<T_LinesTmpl*>(templ); }

// --- Builders -----------------------------------------------------------------------------------

void SetLinesValueColumn(T_LinesTmpl* templ, int32_t column) {
  if (!templ || column < 0 || column >= kMaxValueCount) return;
  for (int32_t i = 0; i < kMaxValueCount; ++i)
    templ->options.columns[kLinesValueFirst + i].shown = 0;
  templ->options.columns[kLinesValueFirst + column].shown = 1;
  templ->options.accumulated = column;
}

void SetLinesSortKeyOrders(LinesSortKey* key, const LinesSortKey* orders) {
  SetLinesSortKeyOrders(key, orders->componentOrder, orders->textDirection, orders->valueOrder);
}

void SetLinesSortKeyOrders(LinesSortKey* key, int32_t componentOrder, int32_t textDirection,
                           int32_t valueOrder) {
  if (componentOrder >= 0 && componentOrder < 5)
    key->componentOrder = static_cast<uint8_t>(componentOrder);
  if (textDirection >= 0 && textDirection < 2)
    key->textDirection = static_cast<uint8_t>(textDirection);
  if (valueOrder >= 0 && valueOrder < 6) key->valueOrder = static_cast<uint8_t>(valueOrder);
}

void SetLinesStatisticsForMeasure(T_LinesTmpl* templ, int32_t measure) {
  if (!templ) return;
  for (auto& flag : templ->options.statistics) flag = 0;
  int32_t flag = kStatPeriod;
  switch (measure) {
    case 0:
      flag = kStatLineCount;
      break;
    case 1:
      flag = kStatCardCount;
      break;
    case 6:
      flag = kStatAverage;
      break;
    case 8:
      flag = kStatMedian;
      break;
    case 9:
      flag = kStatTurnoverTime;
      break;
    case 10:
      flag = kStatTurnoverRate;
      break;
    case 11:
      flag = kStatMaximum;
      break;
    case 12:
      flag = kStatMinimum;
      break;
    default:
      break;
  }
  templ->options.statistics[flag] = 1;
}

void InstallLinesTemplate() {
  SetTemplateConstructor(kTemplateLines, [](T_Base* base) -> T_Template* {
    return new (std::nothrow) T_LinesTmpl(base);
  });
}
