#include "analysis/components/variable_templates.h"

#include <cstring>
#include <new>

#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/link_rename.h"

namespace {

constexpr int32_t kShiftFirstText = 5520;
constexpr int32_t kUnitFirstText = 3518;  // "Years", "Months", "Weeks", "Days"
constexpr int32_t kMinWrittenWidth = 16;
constexpr int32_t kWidthLimit = 999;
constexpr int32_t kColumnLimit = 24;
constexpr int64_t kTVariableSize = 96;
constexpr int64_t kCVariableSize = 88;
constexpr int64_t kSelectionExtra = 32;
constexpr int64_t kFormulaExtra = 16;

struct ColourLetter {
  int32_t colour;
  char letter;
};
constexpr ColourLetter kColourLetters[] = {
    {0, '-'},  {4, '2'},  {6, '5'},  {8, '7'},  {10, 'B'}, {11, 'N'}, {12, 'O'}, {13, 'R'}, {14, 'P'},
    {15, 'M'}, {16, 'V'}, {17, 'Y'}, {18, 'L'}, {19, 'G'}, {20, 'C'}, {21, 'U'}, {22, 'D'}};

// Digits with an optional sign, all n bytes of them; false for anything else or a value beyond
// 32 bits.
bool ParseInt32(const char* text, int32_t n, int32_t* value) {
  int32_t i = 0;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= n) return false;
  int64_t magnitude = 0;
  for (; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > int64_t{0x80000000}) return false;
  }
  int64_t v = negative ? -magnitude : magnitude;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

char FirstLetterOfField(T_IStream* stream) {
  return stream->NextField() && stream->FieldLength() > 0 ? stream->Field()[0] : 0;
}

void PutField(T_OStream* stream, char letter, char value) {
  stream->PutSeparator();
  stream->PutChar(letter);
  stream->PutChar(value);
}

void PutSign(T_OStream* stream, char letter, bool on) { PutField(stream, letter, on ? '+' : '-'); }

void PutWidthField(T_OStream* stream, int32_t width) {
  if (width < kMinWrittenWidth) return;
  stream->PutSeparator();
  stream->PutChar('W');
  stream->PutInt(width);
}

void PutNameLine(T_OStream* stream, const char* key, const char* name, const char* title) {
  stream->PutText(key);
  stream->PutSeparator();
  stream->PutText(name);
  stream->PutSeparator();
  stream->PutText(title);
  stream->PutNewline();
}

bool IsCurrentLayout(T_Base* base) {
  return !base || base->fileVersion == 0 || base->fileVersion >= kVersionDisplayFields;
}

// The display fields both families share, one field of the current layout.
template <typename Variable>
bool ReadCommonField(Variable* v, char letter, const char* value, int32_t n) {
  char c = n > 0 ? value[0] : 0;
  switch (letter) {
    case 'D':
      DecimalsFromLetter(c, &v->decimals);
      return true;
    case 'C':
      ColourFromLetter(c, &v->colour);
      return true;
    case 'W': {
      int32_t width = 0;
      if (ParseInt32(value, n, &width) && width >= 0 && width < kWidthLimit) v->width = width;
      return true;
    }
    case 'V':
      if (c == '+' || c == '-') v->shown = c == '+';
      return true;
    case 'B':
      if (c == '+' || c == '-') v->bold = c == '+';
      return true;
    case 'N':
      IndexOfLetter(kSignStyleLetters, c, &v->signStyle);
      return true;
    case 'R':
      IndexOfLetter(kColouringLetters, c, &v->colouring);
      return true;
    default:
      return false;
  }
}

// The old layout: decimals and colour letters, flag characters, then the width field.
template <typename Variable, typename FlagReader>
void ReadOldDisplay(Variable* v, T_IStream* stream, FlagReader flag) {
  if (!stream->NextField()) return;
  const char* text = stream->Field();
  int32_t n = stream->FieldLength();
  if (n > 0) DecimalsFromLetter(text[0], &v->decimals);
  if (n > 1) ColourFromLetter(text[1], &v->colour);
  for (int32_t i = 2; i < n; ++i) {
    char c = text[i];
    if (c == 'B' || c == 'b')
      v->bold = c == 'B';
    else if (c == 'V' || c == 'v')
      v->shown = c == 'V';
    else
      flag(c);
  }
  if (stream->NextField()) {
    int32_t width = 0;
    if (ParseInt32(stream->Field(), stream->FieldLength(), &width) && width >= 0 &&
        width < kWidthLimit)
      v->width = width;
  }
}

// "VF" always, "VM" unless Sum with the family's default accumulation.
template <typename Selection>
void WriteSelectionKeys(T_OStream* stream, const Selection* s, const char* accumulationLetters,
                        int32_t defaultAccumulation) {
  SelectionDef_writeKeys(&s->selection, stream, 'V');
  stream->PutKeyCharLine("VF", EncodeColumnLetter(s->valueColumn));
  if (s->method != kMethodSum || s->accumulation != defaultAccumulation) {
    stream->PutText("VM");
    stream->PutSeparator();
    stream->PutChar(LetterOfIndex(kMethodLetters, s->method));
    stream->PutChar(LetterOfIndex(accumulationLetters, s->accumulation));
    stream->PutNewline();
  }
}

// The method letter and the accumulation letter of a "VM" field; letters outside their sets
// leave the value. Whether a method was read.
bool ReadMethodField(T_IStream* stream, const char* accumulationLetters, int32_t* method,
                     int32_t* accumulation) {
  if (!stream->NextField()) return false;
  const char* f = stream->Field();
  const int32_t length = stream->FieldLength();
  const bool read = length > 0 && IndexOfLetter(kMethodLetters, f[0], method);
  if (length > 1) IndexOfLetter(accumulationLetters, f[1], accumulation);
  return read;
}

void ReadColumnLetter(T_IStream* stream, int32_t* column) {
  int32_t c = DecodeColumnLetter(FirstLetterOfField(stream));
  if (c >= 0 && c < kColumnLimit) *column = c;
}

// Formulas and titles keep their bytes as written, trailing blanks included.
void ReadRawText(T_IStream* stream, char** holder) {
  T_TextBuf text;
  stream->ReadFieldRawBuf(&text);
  BlockTextAssignBuf(holder, &text);
}

void CopyText(char** target, const char* source, bool* ok) {
  if (!BlockTextAssignBlock(target, source)) *ok = false;
}

}  // namespace

// --- Letters -------------------------------------------------------------------------------------

char LetterOfIndex(const char* letters, int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(std::strlen(letters))) return 0;
  return letters[index];
}

bool IndexOfLetter(const char* letters, char letter, int32_t* index) {
  const int32_t at = LetterIndex(letters, letter);
  if (at < 0) return false;
  *index = at;
  return true;
}

char ColourToLetter(int32_t colour) {
  for (const ColourLetter& c : kColourLetters) {
    if (c.colour == colour) return c.letter;
  }
  return '-';
}

bool ColourFromLetter(char letter, int32_t* colour) {
  for (const ColourLetter& c : kColourLetters) {
    if (c.letter == letter) {
      *colour = c.colour;
      return true;
    }
  }
  return false;
}

// --- Time shift ----------------------------------------------------------------------------------

void TimeShiftText(const TimeShift* shift, T_TextBuf* text) {
  static const char* const kFixed[] = {"Y+", "Y-", "Q+", "Q-", "M+", "M-"};
  TextBufAssign(text, "");
  if (shift->kind >= 1 && shift->kind <= 6) {
    TextBufAssign(text, kFixed[shift->kind - 1]);
  } else if (shift->kind == 7) {
    if (shift->count > 0) TextBufAppendChar(text, '+');
    TextBufAppendInt(text, shift->count);
    TextBufAppendChar(text, LetterOfIndex(kShiftUnitLetters, shift->unit));
  }
}

TimeShift TimeShiftFromText(const char* text, int32_t n) {
  TimeShift shift;
  if (!text || n < 2) return shift;
  const char* period = std::strchr("YQM", text[0]);
  if (period && text[0] && n == 2 && (text[1] == '+' || text[1] == '-')) {
    shift.kind = static_cast<int32_t>(period - "YQM") * 2 + (text[1] == '+' ? 1 : 2);
    return shift;
  }
  if (text[0] != '+' && text[0] != '-') return shift;
  int32_t unit = 0;
  int32_t count = 0;
  if (n < 3 || !IndexOfLetter(kShiftUnitLetters, text[n - 1], &unit) ||
      !ParseInt32(text, n - 1, &count) || count == 0)
    return shift;
  shift.kind = 7;
  shift.unit = unit;
  shift.count = count;
  return shift;
}

void TimeShiftDisplayText(const TimeShift* shift, T_TextBuf* text) {
  if (shift->kind == 7) {
    TextBufAssign(text, shift->count > 0 ? "+" : "");
    TextBufAppendInt(text, shift->count);
    TextBufAppendChar(text, ' ');
    TextBufAppend(text, GetString(kUnitFirstText + (shift->unit & 3)));
    return;
  }
  TextBufAssign(text,
                GetString(kShiftFirstText + (shift->kind >= 0 && shift->kind <= 6 ? shift->kind : 0)));
}

namespace {

PackedDate ClampedDate(int64_t year, int32_t month, int32_t day) {
  if (year < kFirstYear) return PackDate(kFirstYear, 1, 1);
  if (year > kLastYear) return PackDate(kLastYear, 12, 31);
  return PackDate(static_cast<int32_t>(year), month, day);
}

// Moves by whole months (years x 12 + months), with the day rules of ApplyTimeShift.
PackedDate MoveMonths(PackedDate date, int64_t months, bool yearMove, bool keepMonthEnd) {
  int32_t year = PackedDateYear(date);
  int32_t month = PackedDateMonth(date);
  int32_t day = PackedDateDay(date);
  bool lastDay = day == PackedDateDaysInMonth(date) && (!yearMove || month == 2);
  int64_t index = int64_t{year} * 12 + (month - 1) + months;
  int64_t targetYear = index >= 0 ? index / 12 : (index - 11) / 12;
  int32_t targetMonth = static_cast<int32_t>(index - targetYear * 12) + 1;
  if (targetYear < kFirstYear || targetYear > kLastYear) return ClampedDate(targetYear, 1, 1);
  int32_t length = PackedDateDaysInMonth(PackDate(static_cast<int32_t>(targetYear), targetMonth, 1));
  if (day > length || (keepMonthEnd && lastDay)) day = length;
  return PackDate(static_cast<int32_t>(targetYear), targetMonth, day);
}

}  // namespace

void ApplyTimeShift(const TimeShift* shift, CardId* bound, int32_t direction) {
  if (!shift || !bound || bound->date == 0 || shift->kind == 0) return;
  const bool keepMonthEnd = shift->monthEnd >= 1 && shift->monthEnd <= 6;
  PackedDate date = bound->date;
  switch (shift->kind) {
    case 1:
    case 2:
      date = MoveMonths(date, shift->kind == 1 ? -12 : 12, true, keepMonthEnd);
      break;
    case 3:
    case 4:
      date = MoveMonths(date, shift->kind == 3 ? -3 : 3, false, keepMonthEnd);
      break;
    case 5:
    case 6:
      date = MoveMonths(date, shift->kind == 5 ? -1 : 1, false, keepMonthEnd);
      break;
    case 7: {
      const int64_t count = shift->count;
      if (shift->unit == 0 || shift->unit == 1) {
        date = MoveMonths(date, -(shift->unit == 0 ? count * 12 : count), shift->unit == 0,
                          keepMonthEnd);
      } else {
        int64_t days = shift->unit == 2 ? count * 7 : count;
        int64_t n = PackedDateToDayNumber(date) - days;
        if (n < 0) n = 0;
        if (n > INT32_MAX) n = INT32_MAX;
        date = dayNumberToDate(static_cast<int32_t>(n));
      }
      break;
    }
    default:
      return;
  }
  bound->date = date;
  bound->sequence = direction > 0 ? kCardSequenceOpen : 1;
}

// --- Both families -------------------------------------------------------------------------------

template <typename Owner, typename Variable>
T_VariableTmplBase<Owner, Variable>::~T_VariableTmplBase() {
  BlockTextFree(&name);
  BlockTextFree(&title);
}

template <typename Owner, typename Variable>
void T_VariableTmplBase<Owner, Variable>::WriteText(T_OStream*) const {}

template <typename Owner, typename Variable>
int64_t T_VariableTmplBase<Owner, Variable>::MemorySize() const {
  return MemAllocatedSize(name) + MemAllocatedSize(title);
}

template <typename Owner, typename Variable>
bool T_VariableTmplBase<Owner, Variable>::SetName(const char* text) {
  return BlockTextAssign(&name, text);
}

template <typename Owner, typename Variable>
bool T_VariableTmplBase<Owner, Variable>::RenameLinks(LinkRename* rename) {
  return RewriteLinks(rename, &title);
}

template class T_VariableTmplBase<T_TFuncTmpl, T_TVariableTmpl>;
template class T_VariableTmplBase<T_CFuncTmpl, T_CVariableTmpl>;

// --- Time family ---------------------------------------------------------------------------------

int64_t T_TVariableTmpl::MemorySize() const { return kTVariableSize + T_VariableTmplBase::MemorySize(); }

void T_TVariableTmpl::WriteDisplayLine(T_OStream* stream, const char* key) const {
  stream->PutText(key);
  PutField(stream, 'D', DecimalsToLetter(decimals));
  PutField(stream, 'C', ColourToLetter(colour));
  PutWidthField(stream, width);
  PutField(stream, 'w', static_cast<char>('0' + (lineStyle >= 1 && lineStyle <= 6 ? lineStyle : 1)));
  PutSign(stream, 'V', shown);
  PutSign(stream, 'B', bold);
  PutField(stream, 'N', kSignStyleLetters[signStyle >= 0 && signStyle < 3 ? signStyle : 0]);
  PutField(stream, 'R', kColouringLetters[colouring >= 0 && colouring < 3 ? colouring : 0]);
  PutSign(stream, 'S', totals);
  stream->PutNewline();
}

void T_TVariableTmpl::ReadDisplayLine(T_IStream* stream) {
  if (!IsCurrentLayout(database)) {
    signStyle = 0;
    colouring = 0;
    ReadOldDisplay(this, stream, [this](char c) {
      if (c >= '1' && c <= '6') lineStyle = c - '0';
    });
    return;
  }
  while (stream->NextField()) {
    if (stream->FieldLength() < 1) continue;
    char letter = stream->Field()[0];
    const char* value = stream->Field() + 1;
    int32_t n = stream->FieldLength() - 1;
    if (ReadCommonField(this, letter, value, n)) continue;
    char c = n > 0 ? value[0] : 0;
    if (letter == 'w' && c >= '1' && c <= '6' && n == 1)
      lineStyle = c - '0';
    else if (letter == 'S' && (c == '+' || c == '-'))
      totals = c == '+';
    else if (letter == 'L')
      IndexOfLetter(kGraphStyleLetters, c, &oldGraphStyle);
  }
}

T_TSelectionTmpl::T_TSelectionTmpl(T_TFuncTmpl* owner, T_Base* database)
    : T_TVariableTmpl(owner, database, kVariableSelection) {
  SelectionDef_init(&selection, database);
  colour = kSelectionColourDefault;
}

T_TSelectionTmpl::~T_TSelectionTmpl() { SelectionDef_free(&selection); }

void T_TSelectionTmpl::WriteText(T_OStream* stream) const {
  PutNameLine(stream, "VN", name, title);
  WriteSelectionKeys(stream, this, kTimeAccumulationLetters, 1);
  if (shift.kind != 0) {
    T_TextBuf text;
    TimeShiftText(&shift, &text);
    stream->PutKeyTextLine("VT", text.data);
  }
  WriteDisplayLine(stream, "VZ");
}

int64_t T_TSelectionTmpl::MemorySize() const {
  return T_TVariableTmpl::MemorySize() + kSelectionExtra + SelectionDef_byteSize(&selection);
}

void T_TSelectionTmpl::ReadKey(const char* key, int32_t n, T_IStream* stream) {
  char k1 = n == 2 ? key[1] : 0;
  switch (k1) {
    case 'F':
      ReadColumnLetter(stream, &valueColumn);
      return;
    case 'M':
      if (ReadMethodField(stream, kTimeAccumulationLetters, &method, &accumulation) &&
          method == kMethodComponentCount)
        method = kMethodSum;
      return;
    case 'T':
      if (stream->NextField()) shift = TimeShiftFromText(stream->Field(), stream->FieldLength());
      else shift = TimeShift{};
      return;
    case 'Z':
      ReadDisplayLine(stream);
      return;
    default:
      SelectionDef_readKey(&selection, key, stream);
      return;
  }
}

T_TFormulaTmpl::T_TFormulaTmpl(T_TFuncTmpl* owner, T_Base* database)
    : T_TVariableTmpl(owner, database, kVariableFormula) {}

T_TFormulaTmpl::~T_TFormulaTmpl() { BlockTextFree(&formula); }

void T_TFormulaTmpl::WriteText(T_OStream* stream) const {
  PutNameLine(stream, "FN", name, title);
  stream->PutKeyBlockTextLine("FF", formula);
  if (operation != 0) stream->PutKeyCharLine("FD", LetterOfIndex(kOperationLetters, operation));
  stream->PutKeyCharLine("FG", LetterOfIndex(kGraphStyleLetters, graphStyle));
  WriteDisplayLine(stream, "FZ");
}

int64_t T_TFormulaTmpl::MemorySize() const {
  return T_TVariableTmpl::MemorySize() + kFormulaExtra + MemAllocatedSize(formula);
}

void T_TFormulaTmpl::ReadKey(const char* key, int32_t n, T_IStream* stream) {
  if (n != 2) return;
  switch (key[1]) {
    case 'F':
      ReadRawText(stream, &formula);
      return;
    case 'D':
      IndexOfLetter(kOperationLetters, FirstLetterOfField(stream), &operation);
      return;
    case 'G':
      IndexOfLetter(kGraphStyleLetters, FirstLetterOfField(stream), &graphStyle);
      return;
    case 'Z': {
      ReadDisplayLine(stream);
      int32_t version = database ? database->fileVersion : 0;
      if (version >= kVersionDisplayFields && version < kVersionGraphStyle)
        graphStyle = oldGraphStyle;
      return;
    }
    default:
      return;
  }
}

// --- Component family ------------------------------------------------------------------------------

int64_t T_CVariableTmpl::MemorySize() const { return kCVariableSize + T_VariableTmplBase::MemorySize(); }

void T_CVariableTmpl::WriteDisplayLine(T_OStream* stream, const char* key) const {
  stream->PutText(key);
  PutField(stream, 'D', DecimalsToLetter(decimals));
  PutField(stream, 'C', ColourToLetter(colour));
  PutWidthField(stream, width);
  PutField(stream, 'c', cSetting == 1 ? 'S' : 'D');
  PutSign(stream, 'V', shown);
  PutSign(stream, 'B', bold != 0);
  PutField(stream, 'N', kSignStyleLetters[signStyle >= 0 && signStyle < 3 ? signStyle : 0]);
  PutField(stream, 'R', kColouringLetters[colouring >= 0 && colouring < 3 ? colouring : 0]);
  stream->PutNewline();
}

void T_CVariableTmpl::ReadDisplayLine(T_IStream* stream) {
  if (!IsCurrentLayout(database)) {
    ReadOldDisplay(this, stream, [this](char c) {
      if (c == 'D' || c == 'S') cSetting = c == 'S';
    });
    return;
  }
  while (stream->NextField()) {
    if (stream->FieldLength() < 1) continue;
    char letter = stream->Field()[0];
    const char* value = stream->Field() + 1;
    int32_t n = stream->FieldLength() - 1;
    if (ReadCommonField(this, letter, value, n)) continue;
    char c = n > 0 ? value[0] : 0;
    if (letter == 'c' && (c == 'D' || c == 'S')) cSetting = c == 'S';
  }
}

T_CSelectionTmpl::T_CSelectionTmpl(T_CFuncTmpl* owner, T_Base* database)
    : T_CVariableTmpl(owner, database, kVariableSelection) {
  SelectionDef_init(&selection, database);
  colour = kSelectionColourDefault;
}

T_CSelectionTmpl::~T_CSelectionTmpl() { SelectionDef_free(&selection); }

void T_CSelectionTmpl::WriteText(T_OStream* stream) const {
  PutNameLine(stream, "VN", name, title);
  WriteSelectionKeys(stream, this, kCompAccumulationLetters, 0);
  WriteDisplayLine(stream, "VZ");
}

int64_t T_CSelectionTmpl::MemorySize() const {
  return T_CVariableTmpl::MemorySize() + kSelectionExtra + SelectionDef_byteSize(&selection);
}

void T_CSelectionTmpl::ReadKey(const char* key, int32_t n, T_IStream* stream) {
  char k1 = n == 2 ? key[1] : 0;
  switch (k1) {
    case 'F':
      ReadColumnLetter(stream, &valueColumn);
      return;
    case 'M':
      if (ReadMethodField(stream, kCompAccumulationLetters, &method, &accumulation) &&
          (method == kMethodFirst || method == kMethodLast))
        method = kMethodSum;
      return;
    case 'Z':
      ReadDisplayLine(stream);
      return;
    case 'T':
      return;  // a time shift means nothing here
    default:
      SelectionDef_readKey(&selection, key, stream);
      return;
  }
}

T_CFormulaTmpl::T_CFormulaTmpl(T_CFuncTmpl* owner, T_Base* database)
    : T_CVariableTmpl(owner, database, kVariableFormula) {}

T_CFormulaTmpl::~T_CFormulaTmpl() { BlockTextFree(&formula); }

void T_CFormulaTmpl::WriteText(T_OStream* stream) const {
  PutNameLine(stream, "FN", name, title);
  stream->PutKeyBlockTextLine("FF", formula);
  stream->PutKeyCharLine("FS", LetterOfIndex(kRuleLetters, rule));
  WriteDisplayLine(stream, "FZ");
}

int64_t T_CFormulaTmpl::MemorySize() const {
  return T_CVariableTmpl::MemorySize() + kFormulaExtra + MemAllocatedSize(formula);
}

void T_CFormulaTmpl::ReadKey(const char* key, int32_t n, T_IStream* stream) {
  if (n != 2) return;
  switch (key[1]) {
    case 'F':
      ReadRawText(stream, &formula);
      return;
    case 'S':
      IndexOfLetter(kRuleLetters, FirstLetterOfField(stream), &rule);
      return;
    case 'Z':
      ReadDisplayLine(stream);
      return;
    default:
      return;
  }
}

// --- Conversions -----------------------------------------------------------------------------------

namespace {

// What every conversion copies: the name, the title and the display settings both families
// have; for selections the selection, value column, method and accumulation, for formulas the
// text. The callers then apply their family's rules.
template <typename Target, typename TargetSelection, typename TargetFormula, typename Source,
          typename SourceSelection, typename SourceFormula>
bool CopyShared(Target* t, const Source* s) {
  if (!t || !s || t->kind != s->kind) return false;
  bool ok = true;
  CopyText(&t->name, s->name, &ok);
  CopyText(&t->title, s->title, &ok);
  t->shown = s->shown;
  t->decimals = s->decimals;
  t->signStyle = s->signStyle;
  t->colouring = s->colouring;
  t->bold = s->bold != 0;
  t->width = s->width;
  t->colour = s->colour;
  if (t->kind == kVariableSelection) {
    auto* ts = static_cast<TargetSelection*>(t);
    auto* ss = static_cast<const SourceSelection*>(s);
    SelectionDef_copy(&ts->selection, &ss->selection);
    ts->valueColumn = ss->valueColumn;
    ts->method = ss->method;
    ts->accumulation = ss->accumulation;
  } else {
    CopyText(&static_cast<TargetFormula*>(t)->formula,
             static_cast<const SourceFormula*>(s)->formula, &ok);
  }
  return ok;
}

}  // namespace

bool CopyVariableTmpl(T_TVariableTmpl* target, const T_TVariableTmpl* source) {
  if (!CopyShared<T_TVariableTmpl, T_TSelectionTmpl, T_TFormulaTmpl, T_TVariableTmpl,
                  T_TSelectionTmpl, T_TFormulaTmpl>(target, source))
    return false;
  target->totals = source->totals;
  target->lineStyle = source->lineStyle;
  target->oldGraphStyle = source->oldGraphStyle;
  if (target->kind == kVariableSelection) {
    static_cast<T_TSelectionTmpl*>(target)->shift =
        static_cast<const T_TSelectionTmpl*>(source)->shift;
  } else {
    auto* t = static_cast<T_TFormulaTmpl*>(target);
    auto* s = static_cast<const T_TFormulaTmpl*>(source);
    t->operation = s->operation;
    t->graphStyle = s->graphStyle;
  }
  return true;
}

bool CopyVariableTmpl(T_TVariableTmpl* target, const T_CVariableTmpl* source) {
  if (!CopyShared<T_TVariableTmpl, T_TSelectionTmpl, T_TFormulaTmpl, T_CVariableTmpl,
                  T_CSelectionTmpl, T_CFormulaTmpl>(target, source))
    return false;
  target->totals = 0;
  target->lineStyle = 1;
  if (target->kind == kVariableSelection) {
    auto* t = static_cast<T_TSelectionTmpl*>(target);
    if (t->method == kMethodComponentCount) t->method = kMethodSum;
    t->accumulation = 1;
    t->shift = TimeShift{};
  } else {
    auto* t = static_cast<T_TFormulaTmpl*>(target);
    t->operation = 0;
    t->graphStyle = 1;
  }
  return true;
}

bool CopyVariableTmpl(T_CVariableTmpl* target, const T_CVariableTmpl* source) {
  if (!CopyShared<T_CVariableTmpl, T_CSelectionTmpl, T_CFormulaTmpl, T_CVariableTmpl,
                  T_CSelectionTmpl, T_CFormulaTmpl>(target, source))
    return false;
  target->bold = source->bold;
  target->cSetting = source->cSetting;
  if (target->kind == kVariableFormula)
    static_cast<T_CFormulaTmpl*>(target)->rule = static_cast<const T_CFormulaTmpl*>(source)->rule;
  return true;
}

bool CopyVariableTmpl(T_CVariableTmpl* target, const T_TVariableTmpl* source) {
  if (!CopyShared<T_CVariableTmpl, T_CSelectionTmpl, T_CFormulaTmpl, T_TVariableTmpl,
                  T_TSelectionTmpl, T_TFormulaTmpl>(target, source))
    return false;
  target->cSetting = 1;
  if (target->kind == kVariableSelection) {
    auto* t = static_cast<T_CSelectionTmpl*>(target);
    if (t->method == kMethodFirst || t->method == kMethodLast) t->method = kMethodSum;
    t->accumulation = 0;
  } else {
    static_cast<T_CFormulaTmpl*>(target)->rule = 0;
  }
  return true;
}
