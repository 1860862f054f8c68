#include "analysis/components/components_template.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "analysis/boxwin/box_window.h"
#include "analysis/components/strux_paths.h"
#include "analysis/time/lines_template.h"
#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/components.h"
#include "database/selection_scanner.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/web_request.h"

namespace {

constexpr const char* kTypeLetters = "BNPR%KCEAT";
constexpr const char* kDecimalsLetters = "0123456FTM";
constexpr const char* kValueOrderLetters = "DEFCBA";
constexpr const char* kComponentOrderLetters = "NRCTH";
constexpr const char* kIndentLetters = "FSD";
constexpr const char* kLabelLetters = "-ID";
constexpr const char* kNegativeFlags = "nxp";
constexpr const char* kColourFlags = "rQR";
constexpr const char* kTypeWords[kCompsTypeCount] = {
    "before", "negative", "positive", "period", "percentage",
    "count",  "lines",    "atend",    "after",  "total"};
constexpr const char* kValueOrderWords[] = {"desc",   "combdesc", "absdesc",
                                            "absasc", "combasc",  "asc"};
constexpr const char* kComponentOrderWords[] = {"normal", "reversed", "code", "text", "host"};
constexpr int32_t kOldLayoutVersion = 20001219;
constexpr int32_t kWidthMax = 30000;
constexpr int32_t kMinWidth = 16;
constexpr int64_t kCompsTemplateExtra = 880;
constexpr uint32_t kCompsMenuIcon = 2003;

int32_t WordIndex(const char* const* words, int32_t n, const char* word) {
  for (int32_t i = 0; i < n; ++i) {
    if (StrEqualNoCase(words[i], word)) return i;
  }
  return -1;
}

char FirstLetterOfField(T_IStream* stream) {
  return stream->NextField() && stream->FieldLength() > 0 ? stream->Field()[0] : 0;
}

// A width field: empty, damaged or out of range gives 0 (the default).
int32_t ReadWidth(T_IStream* stream) {
  if (!stream->NextField() || stream->FieldLength() == 0) return 0;
  T_TextBuf text;
  TextBufAssignBytes(&text, stream->Field(), stream->FieldLength());
  char* end = nullptr;
  long value = std::strtol(text.data, &end, 10);
  if (end == text.data || *end || value < kMinWidth || value > kWidthMax) return 0;
  return static_cast<int32_t>(value);
}

int32_t DefaultDecimals(T_Base* base, int32_t column) {
  int32_t code = base && column >= 0 && column < kMaxValueCount ? base->decimalsCodes[column] : 2;
  return code >= 0 && code <= 9 ? code : 2;
}

}  // namespace

char CompsTypeLetter(int32_t type) {
  return type >= 0 && type < kCompsTypeCount ? kTypeLetters[type] : '-';
}
int32_t CompsTypeFromLetter(char letter) { return LetterIndex(kTypeLetters, letter); }
const char* CompsTypeXmlWord(int32_t type) {
  return type >= 0 && type < kCompsTypeCount ? kTypeWords[type] : "";
}
int32_t CompsTypeFromXmlWord(const char* word) {
  return word ? WordIndex(kTypeWords, kCompsTypeCount, word) : -1;
}

void CompsOptionsInit(CompsOptions* o, T_Base* base) {
  *o = CompsOptions{};
  const int32_t decimals = DefaultDecimals(base, 0);
  for (CompsColumn& column : o->columns) column.decimals = decimals;
  o->graphDecimals = decimals;
  o->columns[kCompsPercentage].decimals = 1;
  for (int32_t type : {kCompsBefore, kCompsNegative, kCompsPositive, kCompsPeriod, kCompsAtEnd})
    o->columns[type].shown = 1;
  o->columns[kCompsPeriod].bold = 1;
}

// --- The template -------------------------------------------------------------------------------

T_CompsTmpl::T_CompsTmpl(T_Base* base) : T_StruxTmpl(kTemplateComponents, base) {
  menuIcon = kCompsMenuIcon;
  SelectionDef_init(&selection, base);
  CompsOptionsInit(&options, base);
  options.showScale = 0;
}

T_CompsTmpl::~T_CompsTmpl() { SelectionDef_free(&selection); }

void T_CompsTmpl::OnChange(const ChangeNote* note) { T_StruxTmpl::OnChange(note); }

void T_CompsTmpl::SetDefaults() {
  T_StruxTmpl::SetDefaults();
  SelectionDef_clear(&selection);
  CompsOptionsInit(&options, database);
}

void T_CompsTmpl::BeginRead() { T_StruxTmpl::BeginRead(); }

void T_CompsTmpl::ReadValueColumn(int32_t type, T_IStream* stream) {
  CompsColumn& c = options.columns[type];
  if (stream->NextField()) {
    const char* f = stream->Field();
    // From the last letter to the first, so that the first of two contradicting letters wins.
    for (int32_t i = stream->FieldLength() - 1; i >= 0; --i) {
      const char x = f[i];
      if (x == 'V' || x == 'v') c.shown = x == 'V';
      else if (x == 'S' || x == 's') c.sublevels = x == 'S';
      else if (x == 'B' || x == 'b') c.bold = x == 'B';
      else if (LetterIndex(kNegativeFlags, x) >= 0) c.negative = LetterIndex(kNegativeFlags, x);
      else if (LetterIndex(kColourFlags, x) >= 0) c.colour = LetterIndex(kColourFlags, x);
    }
  } else {
    return;
  }
  c.width = ReadWidth(stream);
  SetFromLetter(kDecimalsLetters, FirstLetterOfField(stream), &c.decimals);
}

bool T_CompsTmpl::ReadRecord(T_IStream* stream) {
  if (!stream->NextField()) return false;
  char key[16] = {};
  const int32_t n = stream->FieldLength() < 15 ? stream->FieldLength() : 15;
  std::memcpy(key, stream->Field(), static_cast<size_t>(n));
  CompsOptions& o = options;
  const bool oldLayout =
      database && database->fileVersion != 0 && database->fileVersion < kOldLayoutVersion;
  switch (key[0]) {
    case '%':
      if (n == 2) SetFromLetter(kLabelLetters, key[1], &o.percentLabels);
      return true;
    case 'B':
      if (n >= 2 && SelectionDef_readKey(&selection, key, stream)) return true;
      break;
    case 'D':
      if (n != 1) break;
      {
        int32_t decimals = -1;
        SetFromLetter(kDecimalsLetters, FirstLetterOfField(stream), &decimals);
        if (decimals >= 0) {
          o.graphDecimals = decimals;
          if (oldLayout) {
            for (CompsColumn& column : o.columns) column.decimals = decimals;
          }
        }
      }
      return true;
    case 'F':
      if (n != 1) break;
      {
        const char c = FirstLetterOfField(stream);
        const int32_t column = c >= 'A' && c <= 'X' ? c - 'A' : -1;
        if (column >= 0 && column < (database ? database->valueCount : 1)) o.valueField = column;
      }
      return true;
    case 'G':
      if (GridLinesReadLine(key, stream)) return true;
      break;
    case 'P':
      if (n != 1) break;
      ReadViewDimensions(stream);
      return true;
    case 'Q':
      if (n == 2 && CompsTypeFromLetter(key[1]) >= 0) {
        ReadValueColumn(CompsTypeFromLetter(key[1]), stream);
        return true;
      }
      break;
    case 'R':
      if (n != 1) break;
      SetFromLetter(kIndentLetters, FirstLetterOfField(stream), &o.indentation);
      return true;
    case 'S':
      if (n != 1) break;
      o.sortColumn = -1;
      o.componentOrder = o.valueOrder = 0;
      if (stream->NextField() && stream->FieldLength() > 0 && stream->Field()[0] != '-') {
        const char* f = stream->Field();
        const int32_t len = stream->FieldLength();
        SetFromLetter(kValueOrderLetters, f[0], &o.valueOrder);
        if (len > 1) o.sortColumn = CompsTypeFromLetter(f[1]);
        if (len > 2) SetFromLetter(kComponentOrderLetters, f[2], &o.componentOrder);
      }
      return true;
    case 'V':
      if (n == 2 && key[1] == 'P') {
        int32_t type = CompsTypeFromLetter(FirstLetterOfField(stream));
        if (type >= 0) o.graphType = type;
        return true;
      }
      break;
    case 'W':
      if (n == 2) {
        if (key[1] == 'P') viewMode = 3;
        return true;
      }
      break;
    case 'Z':
      if (n != 2) break;
      switch (key[1]) {
        case 'C':
          o.showScale = 0;
          return true;
        case 'D':
        case 'S':
          o.graphSublevels = key[1] == 'S';
          if (oldLayout) {
            for (CompsColumn& column : o.columns) column.sublevels = key[1] == 'S';
          }
          return true;
        case 'M':
        case 'N':
          o.graphColour = key[1] == 'M' ? 1 : 2;
          return true;
        case 'R':
        case 'P':
          o.graphNegative = key[1] == 'R' ? 1 : 2;
          return true;
        default:
          break;
      }
      break;
    case 'w':
      if (n == 2 && key[1] == 'D') {
        o.chooserWidth = ReadWidth(stream);
        return true;
      }
      break;
    case 'x':
      if (std::strcmp(key, "xtna") == 0) {
        o.tool = kCompsToolSelect;
        return true;
      }
      if (std::strcmp(key, "xtnh") == 0) {
        o.tool = kCompsToolDrag;
        return true;
      }
      break;
    default:
      break;
  }
  stream->RewindLine();
  return T_StruxTmpl::ReadRecord(stream);
}

void T_CompsTmpl::WriteText(T_OStream* stream) {
  T_BoxTmpl::WriteText(stream);
  const CompsOptions& o = options;
  SelectionDef_writeKeys(&selection, stream, 'B');
  stream->PutKeyCharLine("F", EncodeColumnLetter(o.valueField));
  stream->PutKeyCharLine("D", kDecimalsLetters[o.graphDecimals % 10]);
  WriteViewDimLines(stream, "P");
  GridLinesWrite(stream);
  if (o.sortColumn >= 0 || o.componentOrder != 0 || o.valueOrder != 0) {
    const char field[4] = {kValueOrderLetters[o.valueOrder % 6], CompsTypeLetter(o.sortColumn),
                           kComponentOrderLetters[o.componentOrder % 5], 0};
    stream->PutKeyTextLine("S", field);
  }
  stream->PutKeyCharLine("R", kIndentLetters[o.indentation % 3]);
  if (o.graphType != kCompsPeriod) stream->PutKeyCharLine("VP", CompsTypeLetter(o.graphType));
  stream->PutChar('%');
  stream->PutChar(kLabelLetters[o.percentLabels % 3]);
  stream->PutNewline();
  if (viewMode == 3) stream->PutLine("WP");
  if (!o.showScale) stream->PutLine("ZC");
  stream->PutLine(o.graphSublevels ? "ZS" : "ZD");
  WriteExpansionLine(stream);
  if (o.graphColour == 1 || o.graphColour == 2) stream->PutLine(o.graphColour == 1 ? "ZM" : "ZN");
  if (o.graphNegative == 1 || o.graphNegative == 2)
    stream->PutLine(o.graphNegative == 1 ? "ZR" : "ZP");
  if (o.chooserWidth >= kMinWidth) stream->PutKeyIntLine("wD", o.chooserWidth);
  for (int32_t type = 0; type < kCompsTypeCount; ++type) {
    const CompsColumn& c = o.columns[type];
    stream->PutChar('Q');
    stream->PutChar(kTypeLetters[type]);
    stream->PutSeparator();
    stream->PutChar(c.shown ? 'V' : 'v');
    stream->PutChar(c.sublevels ? 'S' : 's');
    stream->PutChar(kNegativeFlags[c.negative % 3]);
    stream->PutChar(kColourFlags[c.colour % 3]);
    stream->PutChar(c.bold ? 'B' : 'b');
    stream->PutSeparator();
    if (c.width >= kMinWidth) stream->PutInt(c.width);
    stream->PutSeparator();
    stream->PutChar(kDecimalsLetters[c.decimals % 10]);
    stream->PutNewline();
  }
  stream->PutLine(o.tool == kCompsToolDrag ? "xtnh" : "xtna");
  stream->PutNewline();
}

void T_CompsTmpl::SetXmlExport() {
  T_StruxTmpl::SetXmlExport();
  for (int32_t type = 0; type < kCompsTypeCount; ++type)
    options.columns[type].shown = type == kCompsPeriod;
}

// --- XML ----------------------------------------------------------------------------------------

void T_CompsTmpl::ReadXmlViewDim(T_IStream* stream) {
  T_TextBuf name, value;
  int32_t dimension = -1;
  bool expandAll = false;
  int32_t structure = -1;
  int32_t filter = -1;
  while (stream->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.data, "num")) {
      char* end = nullptr;
      long n = std::strtol(value.data, &end, 10);
      if (end != value.data && *end == 0 && n >= 1 && n <= kDimensionCount)
        dimension = static_cast<int32_t>(n) - 1;
      else if (database)
        database->XmlUnknownValue(value.data, name.data);
    } else if (StrEqualNoCase(name.data, "name")) {
      int32_t d = database ? database->FindDimByName(value.data) : -1;
      if (d >= 0)
        dimension = d;
      else if (database)
        database->XmlUnknownValue(value.data, name.data);
    } else if (StrEqualNoCase(name.data, "expand")) {
      if (StrEqualNoCase(value.data, "all"))
        expandAll = true;
      else if (database)
        database->XmlUnknownValue(value.data, name.data);
    } else if (StrEqualNoCase(name.data, "structure")) {
      if (StrEqualNoCase(value.data, "flat"))
        structure = 1;
      else if (StrEqualNoCase(value.data, "hierarchical"))
        structure = 0;
      else if (database)
        database->XmlUnknownValue(value.data, name.data);
    } else if (StrEqualNoCase(name.data, "filter")) {
      if (StrEqualNoCase(value.data, "all"))
        filter = kViewFilterAll;
      else if (StrEqualNoCase(value.data, "inuse"))
        filter = kViewFilterInUse;
      else if (database)
        database->XmlUnknownValue(value.data, name.data);
    } else if (database) {
      database->XmlUnknownAttribute(name.data);
    }
  }
  if (dimension >= 0) {
    const ViewDimSet old = viewDims;
    ViewDimSetInit(&viewDims);
    viewDims.dimension[0] = dimension;
    viewDims.colour[0] = old.colour[0];
  }
  if (expandAll) SetExpansionText("\\");
  if (structure >= 0) viewDims.structure[0] = structure;
  if (filter >= 0) viewDims.filter[0] = filter;
}

void T_CompsTmpl::ReadXmlSort(T_IStream* stream) {
  T_TextBuf name, value;
  CompsOptions& o = options;
  while (stream->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.data, "order")) {
      int32_t valueOrder = WordIndex(kValueOrderWords, 6, value.data);
      int32_t componentOrder = WordIndex(kComponentOrderWords, 5, value.data);
      if (StrEqualNoCase(value.data, "none")) {
        o.sortColumn = -1;
        o.componentOrder = 0;
      } else if (valueOrder >= 0) {
        o.valueOrder = valueOrder;
        if (o.sortColumn < 0) o.sortColumn = kCompsPeriod;
      } else if (componentOrder >= 0) {
        o.componentOrder = componentOrder;
        o.sortColumn = -1;
      } else if (database) {
        database->XmlUnknownValue(value.data, name.data);
      }
    } else if (StrEqualNoCase(name.data, "column")) {
      int32_t type = CompsTypeFromXmlWord(value.data);
      if (type >= 0)
        o.sortColumn = type;
      else if (database)
        database->XmlUnknownValue(value.data, name.data);
    } else if (database) {
      database->XmlUnknownAttribute(name.data);
    }
  }
}

bool T_CompsTmpl::ReadXml(T_IStream* stream) {
  T_TextBuf name, value;
  CompsOptions& o = options;
  while (!AbortRequested() && stream->NextXmlToken()) {
    if (stream->FieldLength() < 2 || stream->Field()[0] != '<') continue;
    if (stream->FieldIsTag("/template")) break;
    const char second = stream->Field()[1];
    if (second == '/' || second == '?' || second == '!') continue;
    if (stream->FieldIsTag("selection")) {
      Selection_readXml(&selection, stream);
    } else if (stream->FieldIsTag("valuefield")) {
      const int32_t count = database ? database->valueCount : 1;
      while (stream->NextXmlAttribute(&name, &value)) {
        int32_t column = -1;
        if (StrEqualNoCase(name.data, "num")) {
          char* end = nullptr;
          long n = std::strtol(value.data, &end, 10);
          if (end != value.data && *end == 0 && n >= 1 && n <= count)
            column = static_cast<int32_t>(n) - 1;
        } else if (StrEqualNoCase(name.data, "name")) {
          T_TextBuf columnName;
          for (int32_t c = 0; c < count && database && column < 0; ++c) {
            database->GetValueName(&columnName, c);
            if (StrEqualNoCase(columnName.data, value.data)) column = c;
          }
        } else {
          if (database) database->XmlUnknownAttribute(name.data);
          continue;
        }
        if (column >= 0)
          o.valueField = column;
        else if (database)
          database->XmlUnknownValue(value.data, name.data);
      }
    } else if (stream->FieldIsTag("columns")) {
      while (stream->NextXmlAttribute(&name, &value)) {
        int32_t type = CompsTypeFromXmlWord(name.data);
        if (type < 0) {
          if (database) database->XmlUnknownAttribute(name.data);
          continue;
        }
        CompsColumn& c = o.columns[type];
        if (StrEqualNoCase(value.data, "on")) {
          c.shown = 1;
        } else if (StrEqualNoCase(value.data, "bold")) {
          c.shown = c.bold = 1;
        } else {
          c.shown = 0;
          if (!StrEqualNoCase(value.data, "off") && database)
            database->XmlUnknownValue(value.data, name.data);
        }
      }
    } else if (stream->FieldIsTag("viewdim")) {
      ReadXmlViewDim(stream);
    } else if (stream->FieldIsTag("sort")) {
      ReadXmlSort(stream);
    } else if (stream->FieldIsTag("values")) {
      while (stream->NextXmlAttribute(&name, &value)) {
        if (StrEqualNoCase(name.data, "decimals")) {
          int32_t decimals = value.length == 1 ? LetterIndex(kDecimalsLetters, value.data[0]) : -1;
          if (decimals >= 0) {
            for (CompsColumn& c : o.columns) c.decimals = decimals;
          } else if (database) {
            database->XmlUnknownValue(value.data, name.data);
          }
        } else if (StrEqualNoCase(name.data, "sublevels")) {
          const bool include = StrEqualNoCase(value.data, "include");
          if (include || StrEqualNoCase(value.data, "exclude")) {
            for (CompsColumn& c : o.columns) c.sublevels = include;
          } else if (database) {
            database->XmlUnknownValue(value.data, name.data);
          }
        } else if (database) {
          database->XmlUnknownAttribute(name.data);
        }
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

void T_CompsTmpl::MarkUsedComponents(BitVector* components) {
  T_StruxTmpl::MarkUsedComponents(components);
  MarkSelectionComponents(database, &selection, components);
}

void T_CompsTmpl::MarkSelectedLines(BitVector* lines) {
  const CompsOptions& o = options;
  bool before = false;
  bool after = false;
  for (int32_t type = 0; type < kCompsTypeCount; ++type) {
    const bool used = o.columns[type].shown || o.graphType == type || o.sortColumn == type;
    before = before || (used && CompsTypeNeedsBefore(type));
    after = after || (used && CompsTypeNeedsAfter(type));
  }
  MarkSelectionLines(database, &selection, before, after, lines);
}

void T_CompsTmpl::SetParameter(const char* name, const char* value) {
  if (name && StrEqualNoCase(name, "sort")) {
    if (!value || !value[0]) return;
    const int32_t type = CompsTypeFromLetter(value[0]);
    if (type >= 0) {
      options.sortColumn = type;
      if (value[1]) SetFromLetter(kValueOrderLetters, value[1], &options.valueOrder);
    } else {
      options.sortColumn = -1;
      if (value[1]) SetFromLetter(kComponentOrderLetters, value[1], &options.componentOrder);
    }
    return;
  }
  if (name && value && !StrEqualNoCase(name, "exp")) Selection_readAttributes(&selection, name, value);
  T_StruxTmpl::SetParameter(name, value);
}

int64_t T_CompsTmpl::MemorySize() const {
  return T_StruxTmpl::MemorySize() + SelectionDef_byteSize(&selection) + kCompsTemplateExtra;
}

T_CompsTmpl* AsCompsTemplate(T_Template* templ) { return dynamic_cast<T_CompsTmpl*>(templ); }

// --- Lines behind a value -----------------------------------------------------------------------

void AndComponentCode(SelectionDef* selection, int32_t d, const char* code, bool ownOnly) {
  T_TextBuf word;
  TextBufAssign(&word, code);
  QuoteSelectionWord(&word, kCodeWord);
  if (ownOnly) TextBufAppendChar(&word, '!');
  SelTextsAndCondition(&selection->componentTexts, d, word.data);
}

T_LinesTmpl* NewLinesTemplateForType(T_Base* base, const SelectionDef* selection,
                                     const StoredSubsetList* subsets, int32_t valueField,
                                     int32_t type, const CompsColumn& column) {
  T_Template* defaults = base ? base->GetDefaultTemplate(kTemplateLines) : nullptr;
  T_Template* made = AsLinesTemplate(defaults) ? DuplicateTemplate(base, defaults, nullptr)
                                               : NewTemplate(base, kTemplateLines);
  T_LinesTmpl* t = AsLinesTemplate(made);
  if (!t) {
    delete made;
    return nullptr;
  }
  t->ApplyDefaults();
  SelectionDef_copy(&t->selection, selection);
  if (subsets) CopyStoredSubsets(&t->subsets, subsets);
  CardId first, last;
  base->GetCardIdBound(&first, -1);
  base->GetCardIdBound(&last, 1);
  DateRef from, to;
  DateRefInit(&from, base, kDirectionFrom);
  DateRefInit(&to, base, kDirectionTo);
  DateRefCopy(&from, &selection->from);
  DateRefCopy(&to, &selection->to);
  CardId start = from.cardId.date ? from.cardId : first;
  CardId end = to.cardId.date ? to.cardId : last;
  switch (type) {
    case kCompsBefore: {
      CardId beforeEnd = start;
      base->GetPrevCardId(&beforeEnd);
      DateRefSetKind(&t->selection.from, kDateRefFile);
      DateRefSetDate(&t->selection.to, &beforeEnd);
      break;
    }
    case kCompsAtEnd:
      DateRefSetKind(&t->selection.from, kDateRefFile);
      break;
    case kCompsAfter: {
      CardId afterStart = end;
      base->GetNextCardId(&afterStart);
      DateRefSetDate(&t->selection.from, &afterStart);
      DateRefSetKind(&t->selection.to, kDateRefFile);
      break;
    }
    case kCompsTotal:
      DateRefSetKind(&t->selection.from, kDateRefFile);
      DateRefSetKind(&t->selection.to, kDateRefFile);
      break;
    case kCompsNegative:
      SelectionDef_andValueCondition(&t->selection, valueField, "<0");
      break;
    case kCompsPositive:
      SelectionDef_andValueCondition(&t->selection, valueField, ">0");
      break;
    default:
      break;
  }
  DateRefFree(&from);
  DateRefFree(&to);
  SetLinesStatisticsForMeasure(t, type == kCompsCards ? 1 : type == kCompsLines ? 0 : -1);
  SetLinesValueColumn(t, valueField);
  LinesColumnOptions& shown = t->options.columns[kLinesValueFirst + valueField];
  shown.decimals = static_cast<uint8_t>(column.decimals);
  shown.negative = static_cast<uint8_t>(column.negative);
  shown.colour = static_cast<uint8_t>(column.colour);
  t->options.columns[kLinesAccumulated].decimals = shown.decimals;
  return t;
}

T_Template* T_CompsTmpl::DerivedTemplate(const char* parameter) {
  if (!parameter || !WebRequestActive() || !BoxServices().webUserDrills()) return this;
  const int32_t type = CompsTypeFromLetter(parameter[0]);
  if (type < 0) return this;
  T_LinesTmpl* t = NewLinesTemplateForType(database, &selection, &subsets, options.valueField,
                                           type, options.columns[type]);
  if (!t) return this;
  T_TextBuf title;
  ResolveDrillPath(database, &viewDims, parameter + 1, &t->selection, &title);
  t->SetName(title.data);
  return t;
}

void InstallCompsTemplate() {
  SetTemplateConstructor(kTemplateComponents, [](T_Base* base) -> T_Template* {
    return new (std::nothrow) T_CompsTmpl(base);
  });
}
