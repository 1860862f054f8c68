// T_CardsTmpl: defaults, keyed lines, the XML children and the "sort" parameter (the record table
// is in cards_template.h).
#include "analysis/cards/cards_template.h"

#include <cstring>

#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/base_options.h"
#include "database/file_kinds.h"
#include "database/output_options.h"
#include "database/subsets.h"
#include "database/template_tree.h"
#include "ui/sort_orders.h"

namespace {

constexpr uint32_t kCardsMenuIcon = 2001;
constexpr int64_t kCardsTemplateExtra = 2280;
constexpr int32_t kWidthMax = 4000;
constexpr int32_t kKeySize = 16;
constexpr char kNegativeLetters[] = "-RP";
constexpr char kColourLetters[] = "-RG";
constexpr char kDisplayLetters[] = "CHTNMPR";
constexpr char kContentsLetters[] = "NSA";
constexpr char kViewModeLetters[] = "NLBPR";
// The versions of the "P" field list.
constexpr int32_t kLettersSince = 20001219;
constexpr int32_t kSecondTableSince = 19981029;

// The field of one character of the old "P" tables; -1 outside them.
int32_t OldFieldCharacter(char c, bool oldest) {
  if (oldest) {
    if (c == '2') return 6;
    if (c == 'L') return 4;
    if (c == 'V') return 5;
  }
  switch (c) {
    case '1':
      return 3;
    case '2':
      return 4;
    case 'I':
      return 0;
    case 'L':
      return 5;
    case 'T':
      return 2;
    case 'V':
      return 6;
    default:
      break;
  }
  if (c >= 'a' && c <= 'e') return 7 + (c - 'a');
  if (c >= '3' && c <= '9') return 30 + (c - '3');
  if (c >= 'A' && c <= 'C') return 37 + (c - 'A');
  return -1;
}

// A width field: empty, negative or absurd widths read as 0 (the default).
int32_t WidthField(T_IStream* stream) {
  if (!stream->NextField() || stream->FieldLength() == 0) return 0;
  T_TextBuf text;
  TextBufAssignBytes(&text, stream->Field(), stream->FieldLength());
  int64_t value = 0;
  for (int32_t i = 0; i < text.length; ++i) {
    char c = text.data[i];
    if (c < '0' || c > '9' || value > kWidthMax) return 0;
    value = value * 10 + (c - '0');
  }
  return value <= kWidthMax ? static_cast<int32_t>(value) : 0;
}

void PutWidth(T_OStream* stream, const char* key, int32_t width) {
  if (width > 0) stream->PutKeyIntLine(key, width);
}

// "value", "value" n or "dim" n: the number after the prefix (1 without one for "value"), else 0.
int32_t NumberAfter(const char* name, const char* prefix, int32_t fallback) {
  int32_t n = StrLen(prefix);
  for (int32_t i = 0; i < n; ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return 0;
  }
  if (!name[n]) return fallback;
  int32_t number = 0;
  for (const char* p = name + n; *p; ++p) {
    if (*p < '0' || *p > '9' || number > 99) return 0;
    number = number * 10 + (*p - '0');
  }
  return number;
}

int32_t ValueCount(const T_Base* base) { return base ? base->valueCount : 1; }

bool DimensionInUse(T_Base* base, int32_t dimension) {
  return dimension == 0 || (base && base->IsDimUsed(dimension));
}

void ReportValue(T_Base* base, const T_TextBuf* value, const T_TextBuf* name) {
  if (base) base->XmlUnknownValue(value->c_str(), name->c_str());
}

// A field read from "P" or "Q": a dimension other than the first stands at its written position.
int32_t ReadField(const T_Base* base, int32_t code) {
  int32_t dimension = CardsFieldDimension(code);
  if (dimension <= 0) return code;
  return CardsDimensionField(TemplateReadDimension(base, dimension));
}

}  // namespace

T_CardsTmpl* AsCardsTemplate(T_Template* templ) { return dynamic_cast<T_CardsTmpl*>(templ); }

T_Template* NewCardsTemplate(T_Base* database) { return new (std::nothrow) T_CardsTmpl(database); }

T_CardsTmpl::T_CardsTmpl(T_Base* base) : T_BoxTmpl(kTemplateCards, base) {
  menuIcon = kCardsMenuIcon;
  SelectionDef_init(&selection, base);
  CardsOptionsDefaults(&options, static_cast<uint32_t>(DateStyleGet()));
}

T_CardsTmpl::~T_CardsTmpl() { SelectionDef_free(&selection); }

void T_CardsTmpl::SetDefaults() {
  T_BoxTmpl::SetDefaults();
  CardsOptionsDefaults(&options, static_cast<uint32_t>(DateStyleGet()));
  if (database) {
    for (int32_t column = 0; column < kMaxValueCount; ++column)
      options.fields[kColValue1 + column].decimals = database->decimalsCodes[column];
  }
  SelectionDef_clear(&selection);
}

// --- Reading
// --------------------------------------------------------------------------------------

void T_CardsTmpl::ReadShownFields(T_IStream* stream) {
  for (CardsFieldOptions& field : options.fields) field.show = 0;
  int32_t version = database ? database->fileVersion : 0;
  T_TextBuf list;
  stream->ReadFieldBuf(&list);
  if (version != 0 && version < kLettersSince) {
    bool oldest = version < kSecondTableSince;
    for (int32_t i = 0; i < list.length; ++i) {
      int32_t code = OldFieldCharacter(list.data[i], oldest);
      if (code >= 0) options.fields[code].show = 1;
    }
    return;
  }
  const char* at = list.c_str();
  while (*at) {
    int32_t used = 0;
    int32_t code = CardsFieldFromLetters(at, &used);
    if (code >= 0) options.fields[ReadField(database, code)].show = 1;
    at += used;
    // Whatever follows the letters up to the next "," is not a field.
    while (*at && *at != ',') ++at;
    if (*at == ',') ++at;
  }
}

void T_CardsTmpl::ReadSortKey(const char* key, T_IStream* stream) {
  int32_t n = key[1] - '0';
  if (n < 1 || n > kCardsMaxKeys) return;
  CardsSortKey* sortKey = &options.keys[n - 1];
  int32_t used = 0;
  int32_t code = CardsFieldFromLetters(key + 2, &used);
  if (code >= 0 && CardsFieldSortable(code)) sortKey->field = ReadField(database, code);
  while (stream->NextField()) {
    if (stream->FieldLength() < 2) continue;
    char kind = stream->Field()[0];
    char letter = stream->Field()[1];
    switch (kind) {
      case 'C':
        ParseSortDirCode(&sortKey->cardDirection, letter);
        break;
      case 'D':
        ParseTreeOrderCode(&sortKey->dimensionOrder, letter);
        break;
      case 'T':
        ParseSortDirCode(&sortKey->textDirection, letter);
        break;
      case 'V':
        ParseValueOrderCode(&sortKey->valueOrder, letter);
        break;
      default:
        break;
    }
  }
  if (options.keyCount < n) options.keyCount = n;
}

bool T_CardsTmpl::ReadRecord(T_IStream* stream) {
  const char* line = stream->lineStart;
  int64_t lineLength = stream->lineEnd - stream->lineStart;
  if (lineLength <= 0) return T_BoxTmpl::ReadRecord(stream);
  // The key is the line's first field; the box template reads from the line's start again.
  char key[kKeySize] = {};
  int64_t n = 0;
  while (n < lineLength && n < kKeySize - 1 && line[n] != '\t') {
    key[n] = line[n];
    ++n;
  }
  bool mine = false;
  switch (key[0]) {
    case 'B':
    case 'P':
    case 'D':
    case 'N':
    case 'R':
    case 'S':
    case 'Y':
    case 'T':
    case 'Q':
      mine = true;
      break;
    case 'G':
      mine = key[1] == 'C' && key[2] == 0;
      break;
    case 'w':
      mine = std::strchr("CYLHVD", key[1]) != nullptr && key[1] != 0;
      break;
    case 'x':
      mine = std::strncmp(key, "xtn", 3) == 0;
      break;
    default:
      break;
  }
  if (!mine && key[0] == 'G' && (key[1] == 'x' || key[1] == 'y')) {
    stream->NextField();
    return GridLinesReadLine(key, stream);
  }
  if (!mine && key[0] == 'W' && key[1] != 0 && key[2] == 0) {
    // The view mode, one letter of "NLBPR" in the key's field.
    if (const char* at = std::strchr(kViewModeLetters, key[1]))
      viewMode = static_cast<uint32_t>(at - kViewModeLetters);
    return true;
  }
  if (!mine) return T_BoxTmpl::ReadRecord(stream);
  stream->NextField();
  if (key[0] == 'B') {
    SelectionDef_readKey(&selection, key, stream);
    return true;
  }
  const int32_t values = ValueCount(database);
  T_TextBuf text;
  switch (key[0]) {
    case 'P':
      ReadShownFields(stream);
      return true;
    case 'D':
    case 'N':
    case 'R':
      if (key[1] != 0) return true;
      stream->ReadFieldBuf(&text);
      for (int32_t column = 0; column < text.length && column < kMaxValueCount; ++column) {
        CardsFieldOptions* field = &options.fields[kColValue1 + column];
        char c = text.data[column];
        if (key[0] == 'D') {
          DecimalsFromLetter(c, &field->decimals);
        } else if (int32_t i = LetterIndex(key[0] == 'N' ? kNegativeLetters : kColourLetters, c);
                   i >= 0) {
          (key[0] == 'N' ? field->negative : field->colour) = i;
        }
      }
      (void)values;
      return true;
    case 'S': {
      stream->ReadFieldBuf(&text);
      int32_t groups = LetterIndex(kContentsLetters, text.length > 0 ? text.data[0] : 0);
      int32_t lines = LetterIndex(kContentsLetters, text.length > 1 ? text.data[1] : 0);
      if (groups >= 0) options.groupsMode = static_cast<uint32_t>(groups);
      if (lines >= 0) options.linesMode = static_cast<uint32_t>(lines);
      return true;
    }
    case 'G':
      options.gridLines = 1;
      return true;
    case 'Y': {
      stream->ReadFieldBuf(&text);
      int32_t style = 0;
      if (text.length > 0 && ParseDateStyleLetter(text.data[0], &style) >= 0)
        options.dateStyle = static_cast<uint32_t>(style);
      return true;
    }
    case 'T':
      stream->ReadFieldBuf(&text);
      for (int32_t d = 0; d < text.length && d < kDimensionCount; ++d) {
        char c = text.data[d];
        int32_t style = LetterIndex(kDisplayLetters, c);
        if (c == '-') style = -1;
        if (style >= -1 && (style >= 0 || c == '-'))
          options.fields[CardsDimensionField(TemplateReadDimension(database, d))].display = style;
      }
      return true;
    case 'w':
      switch (key[1]) {
        case 'C':
          options.fields[kColCardId].width = WidthField(stream);
          return true;
        case 'Y':
          options.fields[kColTitle].width = WidthField(stream);
          return true;
        case 'L':
          options.fields[kColLineText].width = WidthField(stream);
          return true;
        case 'H':
          options.fields[kColOrigin].width = WidthField(stream);
          return true;
        case 'V':
          for (int32_t column = 0; column < kMaxValueCount && stream->lineEnd > stream->tokenCursor;
               ++column) {
            options.fields[kColValue1 + column].width = WidthField(stream);
          }
          return true;
        default:
          for (int32_t d = 0; d < kDimensionCount && stream->lineEnd > stream->tokenCursor; ++d)
            options.fields[CardsDimensionField(TemplateReadDimension(database, d))].width =
                WidthField(stream);
          return true;
      }
    case 'Q':
      ReadSortKey(key, stream);
      return true;
    case 'x':
      if (key[3] == 'a') options.tool = kToolPointer;
      if (key[3] == 'h') options.tool = kToolCardPointer;
      return true;
    default:
      return true;
  }
}

// --- Writing
// --------------------------------------------------------------------------------------

void T_CardsTmpl::WriteText(T_OStream* stream) {
  T_BoxTmpl::WriteText(stream);
  WriteViewModeLine(stream);
  GridLinesWrite(stream);
  SelectionDef_writeKeys(&selection, stream, 'B');
  const int32_t values = ValueCount(database);
  T_TextBuf text;
  T_TextBuf letters;

  // "P": card fields, dimension 0, the other dimensions by position, then the rest in code order.
  auto add = [&](int32_t code, bool mapped) {
    CardsFieldLetters(&letters, database, code, mapped);
    if (text.length) TextBufAppendChar(&text, ',');
    TextBufAppend(&text, letters.c_str());
  };
  for (int32_t code = 0; code < kCardsFieldCount; ++code) {
    int32_t column = CardsFieldColumn(code);
    if (column >= values) continue;
    if (options.fields[code].show) add(code, true);
  }
  stream->PutKeyTextLine("P", text.c_str());

  auto columnLetters = [&](char key, const char* table, int32_t CardsFieldOptions::*member,
                           bool always) {
    TextBufAssign(&text, "");
    bool differs = false;
    for (int32_t column = 0; column < values; ++column) {
      int32_t value = options.fields[kColValue1 + column].*member;
      char c = key == 'D' ? DecimalsToLetter(value)
                          : (value >= 0 && value < 3 ? table[value] : table[0]);
      if (c == 0) c = '2';
      if (c != table[0]) differs = true;
      TextBufAppendChar(&text, c);
    }
    if (always || differs) stream->PutCharTextLine(key, text.c_str());
  };
  columnLetters('D', "", &CardsFieldOptions::decimals, true);
  columnLetters('N', kNegativeLetters, &CardsFieldOptions::negative, false);
  columnLetters('R', kColourLetters, &CardsFieldOptions::colour, false);

  if (options.groupsMode != kContentsSelected || options.linesMode != kContentsSelected) {
    char modes[3] = {kContentsLetters[options.groupsMode < 3 ? options.groupsMode : 1],
                     kContentsLetters[options.linesMode < 3 ? options.linesMode : 1], 0};
    stream->PutCharTextLine('S', modes);
  }
  if (options.gridLines) stream->PutLine("GC");
  if (options.fields[kColDate].show) {
    char letter = DateStyleLetter(static_cast<int32_t>(options.dateStyle));
    if (letter) stream->PutKeyCharLine("Y", letter);
  }

  // "T" and "wD" by position: every dimension once, those the order leaves out after it.
  int32_t order[kDimensionCount];
  for (int32_t d = 0; d < kDimensionCount; ++d) order[d] = d;
  if (database) DimensionsInOrder(database, order);
  TextBufAssign(&text, "");
  int32_t lastSet = -1;
  for (int32_t position = 0; position < kDimensionCount; ++position) {
    int32_t display = options.fields[CardsDimensionField(order[position])].display;
    TextBufAppendChar(&text, display >= 0 && display < 7 ? kDisplayLetters[display] : '-');
    if (display >= 0 && display < 7) lastSet = position;
  }
  if (lastSet >= 0) {
    text.data[lastSet + 1] = 0;
    text.length = lastSet + 1;
    stream->PutCharTextLine('T', text.c_str());
  }

  PutWidth(stream, "wC", options.fields[kColCardId].width);
  PutWidth(stream, "wY", options.fields[kColTitle].width);
  PutWidth(stream, "wL", options.fields[kColLineText].width);
  PutWidth(stream, "wH", options.fields[kColOrigin].width);
  auto widthLine = [&](const char* key, int32_t count, auto codeOf, auto shownWidth) {
    bool any = false;
    for (int32_t i = 0; i < count; ++i) any = any || shownWidth(codeOf(i)) > 0;
    if (!any) return;
    stream->PutText(key);
    for (int32_t i = 0; i < count; ++i) {
      stream->PutSeparator();
      int32_t width = shownWidth(codeOf(i));
      if (width > 0) stream->PutInt(width);
    }
    stream->PutNewline();
  };
  widthLine(
      "wV", values, [](int32_t column) { return kColValue1 + column; },
      [&](int32_t code) { return options.fields[code].width; });
  widthLine(
      "wD", kDimensionCount, [&](int32_t position) { return CardsDimensionField(order[position]); },
      [&](int32_t code) {
        return DimensionInUse(database, CardsFieldDimension(code)) ? options.fields[code].width : 0;
      });

  for (int32_t k = 0; k < options.keyCount && k < kCardsMaxKeys; ++k) {
    const CardsSortKey& key = options.keys[k];
    CardsFieldLetters(&letters, database, key.field, true);
    stream->PutChar('Q');
    stream->PutInt(k + 1);
    stream->PutText(letters.c_str());
    stream->PutSeparator();
    stream->PutChar('C');
    stream->PutChar(SortDirCode(key.cardDirection));
    stream->PutSeparator();
    stream->PutChar('D');
    stream->PutChar(TreeOrderCode(key.dimensionOrder));
    stream->PutSeparator();
    stream->PutChar('T');
    stream->PutChar(SortDirCode(key.textDirection));
    stream->PutSeparator();
    stream->PutChar('V');
    stream->PutChar(ValueOrderCode(key.valueOrder));
    stream->PutNewline();
  }
  stream->PutLine(options.tool == kToolCardPointer ? "xtnh" : "xtna");
}

// --- XML
// --------------------------------------------------------------------------------------------

void T_CardsTmpl::ReadXmlColumns(T_IStream* stream) {
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    int32_t code = -1;
    const char* n = name.c_str();
    if (StrEqualNoCase(n, "card-id")) {
      code = kColCardId;
    } else if (StrEqualNoCase(n, "cardtitle")) {
      code = kColTitle;
    } else if (StrEqualNoCase(n, "linetext")) {
      code = kColLineText;
    } else if (StrEqualNoCase(n, "origin")) {
      code = kColOrigin;
    } else if (StrEqualNoCase(n, "notes")) {
      code = kColNotes;
    } else if (StrEqualNoCase(n, "signatures")) {
      code = kColSignatures;
    } else if (StrEqualNoCase(n, "date")) {
      code = kColDate;
    } else if (int32_t column = NumberAfter(n, "value", 1); column >= 1) {
      if (column <= kMaxValueCount) code = kColValue1 + column - 1;
    } else if (int32_t dimension = NumberAfter(n, "dim", 0); dimension >= 1) {
      if (dimension <= kDimensionCount) code = CardsDimensionField(dimension - 1);
    }
    if (code < 0) {
      if (database) database->XmlUnknownAttribute(n);
      continue;
    }
    int32_t on = database ? database->XmlReadOnOff(n, value.c_str()) : -1;
    if (on >= 0) options.fields[code].show = static_cast<uint8_t>(on);
  }
}

void T_CardsTmpl::ReadXmlContents(T_IStream* stream) {
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    uint32_t* target = StrEqualNoCase(name.c_str(), "groups")  ? &options.groupsMode
                       : StrEqualNoCase(name.c_str(), "lines") ? &options.linesMode
                                                               : nullptr;
    if (!target) {
      if (database) database->XmlUnknownAttribute(name.c_str());
      continue;
    }
    if (value.length == 0 || StrEqualNoCase(value.c_str(), "none")) {
      *target = kContentsNone;
    } else if (StrEqualNoCase(value.c_str(), "selected")) {
      *target = kContentsSelected;
    } else if (StrEqualNoCase(value.c_str(), "all")) {
      *target = kContentsAll;
    } else {
      ReportValue(database, &value, &name);
    }
  }
}

void T_CardsTmpl::ReadXmlValues(T_IStream* stream) {
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    if (!StrEqualNoCase(name.c_str(), "decimals")) {
      if (database) database->XmlUnknownAttribute(name.c_str());
      continue;
    }
    for (int32_t column = 0; column < value.length && column < kMaxValueCount; ++column)
      DecimalsFromLetter(value.data[column], &options.fields[kColValue1 + column].decimals);
  }
}

bool T_CardsTmpl::ReadXml(T_IStream* stream) {
  T_TextBuf tag;
  while (!AbortRequested() && stream->NextXmlToken()) {
    if (stream->FieldLength() < 2 || stream->Field()[0] != '<') continue;
    if (stream->FieldIsTag("/template")) return true;
    char second = stream->Field()[1];
    if (second == '/' || second == '?' || second == '!') continue;
    bool empty = stream->FieldIsEndTag();
    if (stream->FieldIsTag("selection")) {
      if (!empty) Selection_readXml(&selection, stream);
      continue;
    }
    if (stream->FieldIsTag("columns")) {
      ReadXmlColumns(stream);
    } else if (stream->FieldIsTag("contents")) {
      ReadXmlContents(stream);
    } else if (stream->FieldIsTag("values")) {
      ReadXmlValues(stream);
    } else if (stream->FieldIsTag("export-options")) {
      ParseOutputOptions(&output, stream, database);
    } else {
      if (database) {
        database->XmlUnknownTag(stream);
      } else if (!empty) {
        stream->SkipElement();
      }
      continue;
    }
    if (!empty) stream->SkipElement();
  }
  return true;
}

// --- The rest
// ---------------------------------------------------------------------------------------

void T_CardsTmpl::MarkUsedComponents(BitVector* components) {
  T_BoxTmpl::MarkUsedComponents(components);
  if (!database || !SelectionDef_isRestricted(&selection)) return;
  CardSelection compiled;
  Selection_init(&compiled, database, nullptr, nullptr);
  Selection_setFromDef(&compiled, &selection);
  CompSelMarkReferenced(&compiled.components, components);
  Selection_free(&compiled);
}

void T_CardsTmpl::MarkSelectedLines(BitVector* lines) {
  if (!database) return;
  // Without a restriction every line is selected; nothing needs compiling.
  if (!SelectionDef_isRestricted(&selection)) {
    BitVecFill(lines, true);
    return;
  }
  CardSelection compiled;
  SubsetList own;
  SubsetListInit(&own, database, kSubsetListOfWindow);
  Selection_init(&compiled, database, nullptr, &own);
  Selection_setFromDef(&compiled, &selection);
  BitVector found;
  if (Selection_validate(&compiled, nullptr) && Selection_collectLines(&compiled, &found)) {
    for (int64_t i = BitVecNextSet(&found, -1); i >= 0 && i < lines->count;
         i = BitVecNextSet(&found, i))
      BitVecSet(lines, i, true);
  }
  BitVecFree(&found);
  Selection_free(&compiled);
  SubsetListFree(&own);
}

void T_CardsTmpl::SetParameter(const char* name, const char* value) {
  if (StrEqualNoCase(name, "sort")) {
    if (!value) return;
    int32_t used = 0;
    int32_t code = CardsFieldFromLetters(value, &used);
    if (code < 0 || !CardsFieldSortable(code)) return;
    const char* rest = value + used;
    if (*rest != 0 && *rest != ':') return;
    CardsSortKey key = options.keys[0];
    key.field = code;
    if (*rest == ':' && rest[1] && !CardsKeySetOption(&key, rest[1])) return;
    options.keys[0] = key;
    options.keyCount = 1;
    return;
  }
  Selection_readAttributes(&selection, name, value);
  T_BoxTmpl::SetParameter(name, value);
}

int64_t T_CardsTmpl::MemorySize() const {
  return T_BoxTmpl::MemorySize() + SelectionDef_byteSize(&selection) + kCardsTemplateExtra;
}
