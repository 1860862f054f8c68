// The keyed text form and the XML form of selections, and the request parameters of a template
// run (the formats are tabled in card_selection.h).
#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/lines.h"
#include "database/read_prompt.h"

namespace {

constexpr int32_t kMsgUnknownTag = 3900;
constexpr int32_t kMsgUnknownAttribute = 3901;

int32_t ColumnCount(T_Base* base) { return base ? base->valueCount : kMaxValueCount; }

// The column of a "V" key's third character; any character that names no column stands for the
// first column.
int32_t KeyColumn(const char* key) {
  int32_t column = key[1] ? DecodeColumnLetter(key[2]) : -1;
  return column >= 0 && column < kMaxValueCount ? column : 0;
}

// The decimal number after the two key letters, 0 when there is none.
int32_t KeyNumber(const char* key) {
  int32_t n = 0;
  for (const char* p = key + 2; *p >= '0' && *p <= '9' && n < 1000; ++p) n = n * 10 + (*p - '0');
  return n;
}

void PutKey(T_OStream* stream, char prefix, char letter, const char* text) {
  if (!text || !*text) return;
  const char key[3] = {prefix, letter, 0};
  stream->PutKeyTextLine(key, text);
}

void PutValueKeys(T_OStream* stream, char prefix, T_Base* base, char* const* texts) {
  for (int32_t column = 0; column < ColumnCount(base) && column < kMaxValueCount; ++column) {
    if (!texts[column]) continue;
    const char key[4] = {prefix, 'V', EncodeColumnLetter(column), 0};
    stream->PutKeyTextLine(key, texts[column]);
  }
}

// Both bounds open, then each field read into its bound (an empty or missing field leaves it
// open).
void ReadBounds(DateRef* from, DateRef* to, T_IStream* stream) {
  DateRefSetKind(from, kDateRefFile);
  DateRefSetKind(to, kDateRefFile);
  if (ReadDateRef(from, stream)) ReadDateRef(to, stream);
}

void ReportXml(T_Base* base, int32_t message, const T_TextBuf* name) {
  if (base && base->xmlErrors) AskReadErrorText(base, message, name->data);
}

// The column of a <value> element: the number in its name ("value7"), else its "num" or "name"
// attribute, else the first column; -1 for a column outside 0..23 or an unknown name.
int32_t ValueElementColumn(T_Base* base, T_IStream* stream, const T_TextBuf* tag) {
  int32_t column = 0;
  if (tag->length > 5) {
    const char* digits = tag->data + 5;
    for (const char* p = digits; *p; ++p) {
      if (*p < '0' || *p > '9') return -1;
    }
    column = StrToInt(digits) - 1;
  }
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.data, "num")) {
      column = StrToInt(value.data) - 1;
    } else if (StrEqualNoCase(name.data, "name")) {
      column = base ? FindValueByName(base, value.data) : -1;
    } else {
      ReportXml(base, kMsgUnknownAttribute, &name);
    }
  }
  return column >= 0 && column < kMaxValueCount ? column : -1;
}

int32_t DimElementDimension(T_Base* base, T_IStream* stream) {
  int32_t d = -1;
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.data, "num")) {
      d = StrToInt(value.data) - 1;
    } else if (StrEqualNoCase(name.data, "name")) {
      d = base ? base->FindDimByName(value.data) : -1;
    } else {
      ReportXml(base, kMsgUnknownAttribute, &name);
    }
  }
  return d >= 0 && d < kDimensionCount ? d : -1;
}

void ParseBound(DateRef* bound, const T_TextBuf* text) {
  if (text->empty()) {
    DateRefSetKind(bound, kDateRefFile);
    return;
  }
  DateRefParse(bound, text->data, text->length);
  if (bound->cardId.date == 0 && bound->kind != kDateRefFile) DateRefSetKind(bound, kDateRefFile);
}

bool IsValueTag(const T_TextBuf* tag) {
  if (!StrStartsWithNoCase(tag->data, "value")) return false;
  for (const char* p = tag->data + 5; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

void AndInto(char** holder, const char* value) {
  T_TextBuf joined(*holder);
  AndConditionText(&joined, value);
  BlockTextAssignBuf(holder, &joined);
}

}  // namespace

int32_t DimensionsInOrder(const T_Base* base, int32_t* dimensions) {
  bool taken[kDimensionCount] = {};
  int32_t n = 0;
  for (int32_t i = 0; base && i < base->dimensionOrderCount && i < kDimensionCount; ++i) {
    int32_t d = base->dimensionOrder[i];
    if (d < 0 || d >= kDimensionCount || taken[d]) continue;
    taken[d] = true;
    dimensions[n++] = d;
  }
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (!taken[d]) dimensions[n++] = d;
  }
  return n;
}

int32_t RestrictedDimensions(const CardSelection* selection, int32_t* dimensions) {
  int32_t order[kDimensionCount];
  int32_t n = DimensionsInOrder(selection->components.database, order);
  int32_t restricted = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (CompSelHasExpression(&selection->components, order[i])) dimensions[restricted++] = order[i];
  }
  return restricted;
}

// --- Keyed form ----------------------------------------------------------------------------------

void Selection_writeKeys(CardSelection* selection, T_OStream* stream, char prefix) {
  T_Base* base = selection->components.database;
  const char dimensionKey[3] = {prefix, 'D', 0};
  CompSelWriteKeys(&selection->components, stream, dimensionKey);
  const char rangeKey[3] = {prefix, 'C', 0};
  WriteDateRange(stream, rangeKey, &selection->from, &selection->to);
  PutKey(stream, prefix, 'Y', selection->titleText);
  PutKey(stream, prefix, 'L', selection->lineText);
  PutKey(stream, prefix, 'A', selection->notesText);
  PutValueKeys(stream, prefix, base, selection->valueTexts);
  T_TextBuf formula;
  CombPrint(&selection->subset, &formula, 0);
  PutKey(stream, prefix, 'S', formula.data);
}

void SelectionDef_writeKeys(const SelectionDef* def, T_OStream* stream, char prefix) {
  const char dimensionKey[3] = {prefix, 'D', 0};
  SelTextsWrite(&def->componentTexts, def->database, stream, dimensionKey);
  const char rangeKey[3] = {prefix, 'C', 0};
  WriteDateRange(stream, rangeKey, &def->from, &def->to);
  PutKey(stream, prefix, 'Y', def->titleText);
  PutKey(stream, prefix, 'L', def->lineText);
  PutKey(stream, prefix, 'A', def->notesText);
  PutValueKeys(stream, prefix, def->database, def->valueTexts);
  PutKey(stream, prefix, 'S', def->subsetText);
}

namespace {

// Reads one key line into either form; Target supplies the setters (a compiled selection
// compiles, a definition keeps the texts).
template <typename Target>
bool ReadKeyInto(Target& target, const char* key, T_IStream* stream) {
  if (!key || !key[0] || !key[1]) return false;
  T_TextBuf text;
  switch (key[1]) {
    case 'C':
      ReadBounds(target.from(), target.to(), stream);
      return true;
    case 'D':
    case 'Y':
    case 'L':
    case 'A':
    case 'V':
    case 'S':
      break;
    default:
      return false;
  }
  stream->ReadFieldBuf(&text);
  switch (key[1]) {
    case 'D': {
      int32_t n = KeyNumber(key);
      if (n >= 1 && n <= kDimensionCount) target.Dimension(n - 1, text.data);
      break;
    }
    case 'Y':
      target.Pattern(kPatternCardTitle, text.data);
      break;
    case 'L':
      target.Pattern(kPatternLineText, text.data);
      break;
    case 'A':
      target.Pattern(kPatternNotes, text.data);
      break;
    case 'V':
      target.Condition(KeyColumn(key), text.data);
      break;
    default:
      target.Subset(text.data);
      break;
  }
  return true;
}

struct CompiledTarget {
  CardSelection* s;
  DateRef* from() { return &s->from; }
  DateRef* to() { return &s->to; }
  void Dimension(int32_t d, const char* t) { CompSelCompileDimension(&s->components, d, t); }
  void Pattern(int32_t field, const char* t) { Selection_setPattern(s, field, t); }
  void Condition(int32_t column, const char* t) { Selection_setCondition(s, column, t); }
  void Subset(const char* t) { CombCompile(&s->subset, t); }
};

struct TextTarget {
  SelectionDef* d;
  DateRef* from() { return &d->from; }
  DateRef* to() { return &d->to; }
  void Dimension(int32_t n, const char* t) { SelectionDef_setComponentText(d, n, t); }
  void Pattern(int32_t field, const char* t) { SelectionDef_setPattern(d, field, t); }
  void Condition(int32_t column, const char* t) { SelectionDef_setCondition(d, column, t); }
  void Subset(const char* t) { SelectionDef_setSubset(d, t); }
};

}  // namespace

bool Selection_readKey(CardSelection* selection, const char* key, T_IStream* stream) {
  CompiledTarget target{selection};
  return ReadKeyInto(target, key, stream);
}

bool SelectionDef_readKey(SelectionDef* def, const char* key, T_IStream* stream) {
  TextTarget target{def};
  return ReadKeyInto(target, key, stream);
}

// --- XML -----------------------------------------------------------------------------------------

void Selection_writeXml(CardSelection* selection, T_OStream* stream) {
  T_Base* base = selection->components.database;
  T_TextBuf text;
  stream->PutLine("<selection>");
  DateRefToText(&selection->from, &text);
  stream->PutElement("from", text.data);
  DateRefToText(&selection->to, &text);
  stream->PutElement("to", text.data);
  int32_t restricted[kDimensionCount];
  int32_t n = RestrictedDimensions(selection, restricted);
  for (int32_t i = 0; i < n; ++i) {
    int32_t d = restricted[i];
    CompSelPrintDimension(&selection->components, &text, d, ' ');
    stream->PutText("<dim");
    stream->PutIntAttribute("num", d + 1);
    if (base) stream->PutAttribute("name", base->GetDimSingular(d));
    stream->PutText(">");
    stream->PutEscaped(text.data);
    stream->PutText("</dim>");
    stream->PutNewline();
  }
  if (selection->titleText) stream->PutElement("cardtitle", selection->titleText);
  if (selection->lineText) stream->PutElement("linetext", selection->lineText);
  if (selection->notesText) stream->PutElement("notes", selection->notesText);
  for (int32_t column = 0; column < ColumnCount(base) && column < kMaxValueCount; ++column) {
    if (!selection->valueTexts[column]) continue;
    char name[16] = "value";
    if (column > 0) IntToStr(name + 5, column + 1);
    stream->PutElement(name, selection->valueTexts[column]);
  }
  CombPrint(&selection->subset, &text, ' ');
  if (!text.empty()) stream->PutElement("subset", text.data);
  stream->PutLine("</selection>");
}

void Selection_readXml(SelectionDef* def, T_IStream* stream) {
  T_Base* base = def->database;
  SelectionDef_clear(def);
  T_TextBuf tag, text;
  while (!AbortRequested() && stream->NextXmlToken()) {
    if (stream->FieldLength() < 2 || stream->Field()[0] != '<') continue;
    if (stream->FieldIsTag("/selection")) break;
    // Processing instructions, comments' leftovers and stray end tags carry nothing.
    char second = stream->Field()[1];
    if (second == '/' || second == '?' || second == '!') continue;
    stream->TagName(&tag);
    if (stream->FieldIsTag("dim")) {
      int32_t d = DimElementDimension(base, stream);
      stream->ReadElementContent(&text);
      if (d >= 0) SelectionDef_setComponentText(def, d, text.data);
    } else if (stream->FieldIsTag("from") || stream->FieldIsTag("to")) {
      DateRef* bound = stream->FieldIsTag("from") ? &def->from : &def->to;
      stream->ReadElementContent(&text);
      ParseBound(bound, &text);
    } else if (stream->FieldIsTag("cardtitle") || stream->FieldIsTag("linetext") ||
               stream->FieldIsTag("notes")) {
      int32_t field = stream->FieldIsTag("cardtitle")  ? kPatternCardTitle
                      : stream->FieldIsTag("linetext") ? kPatternLineText
                                                       : kPatternNotes;
      stream->ReadElementContent(&text);
      SelectionDef_setPattern(def, field, text.data);
    } else if (IsValueTag(&tag)) {
      int32_t column = ValueElementColumn(base, stream, &tag);
      stream->ReadElementContent(&text);
      if (column >= 0) SelectionDef_setCondition(def, column, text.data);
    } else if (stream->FieldIsTag("subset")) {
      stream->ReadElementContent(&text);
      SelectionDef_setSubset(def, text.data);
    } else {
      ReportXml(base, kMsgUnknownTag, &tag);
      stream->SkipElement();
    }
  }
}

// --- Request parameters -------------------------------------------------------------------------

void Selection_readAttributes(SelectionDef* def, const char* name, const char* value) {
  if (!name || !value || !*value) return;
  if (StrEqualNoCase(name, "cardfrom") || StrEqualNoCase(name, "cardto")) {
    bool from = StrEqualNoCase(name, "cardfrom");
    DateRef given;
    DateRefInit(&given, def->database, from ? kDirectionFrom : kDirectionTo);
    DateRefParse(&given, value, static_cast<int32_t>(strlen(value)));
    DateRef* bound = from ? &def->from : &def->to;
    // A request may only narrow the stored range.
    bool narrower = from ? CardIdGreater(&given.cardId, &bound->cardId)
                         : CardIdLess(&given.cardId, &bound->cardId);
    if (given.cardId.date != 0 && narrower) DateRefCopy(bound, &given);
    DateRefFree(&given);
    return;
  }
  if (StrEqualNoCase(name, "cardtitle")) {
    AndInto(&def->titleText, value);
  } else if (StrEqualNoCase(name, "linetext")) {
    AndInto(&def->lineText, value);
  } else if (StrEqualNoCase(name, "notes")) {
    AndInto(&def->notesText, value);
  } else if (StrStartsWithNoCase(name, "dim") && name[3]) {
    T_TextBuf number(name + 3);
    for (const char* p = number.data; *p; ++p) {
      if (*p < '0' || *p > '9') return;
    }
    int32_t d = StrToInt(number.data) - 1;
    if (d >= 0 && d < kDimensionCount) SelTextsAndCondition(&def->componentTexts, d, value);
  } else if (StrStartsWithNoCase(name, "value")) {
    T_TextBuf tag(name);
    if (!IsValueTag(&tag)) return;
    int32_t column = name[5] ? StrToInt(name + 5) - 1 : 0;
    if (column >= 0 && column < ColumnCount(def->database) && column < kMaxValueCount)
      AndInto(&def->valueTexts[column], value);
  }
}
