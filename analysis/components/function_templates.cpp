#include "analysis/components/function_templates.h"

#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

#include "analysis/components/function_variables.h"
#include "analysis/components/function_window_utils.h"
#include "analysis/time/lines_template.h"
#include "analysis/time/time_variables.h"
#include "core/alert.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/short_ids.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/template_runner.h"

namespace {

constexpr int32_t kLabelWidthMin = 24;
constexpr int32_t kLabelWidthMax = 32767;
constexpr int32_t kCompLabelWidthDefault = 136;
constexpr int64_t kTFuncExtra = 208;
constexpr int64_t kCFuncExtra = 112;

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

char FirstLetterOfField(T_IStream* stream) {
  return stream->NextField() && stream->FieldLength() > 0 ? stream->Field()[0] : 0;
}

// "PW": only what the writer writes and the 16-bit field holds.
void ReadLabelWidth(T_IStream* stream, int16_t* width) {
  if (!stream->NextField()) return;
  T_TextBuf text;
  TextBufAssignBytes(&text, stream->Field(), stream->FieldLength());
  char* end = nullptr;
  long value = std::strtol(text.data, &end, 10);
  if (end == text.data || *end != 0) return;
  if (value >= kLabelWidthMin && value <= kLabelWidthMax) *width = static_cast<int16_t>(value);
}

// The five tool keys; false for any other "x" key.
bool ReadToolKey(const Key& key, int32_t* nTool, int32_t* gTool) {
  if (key.n != 4 || key.text[0] != 'x' || key.text[1] != 't') return false;
  const char* rest = key.text + 2;
  if (std::strcmp(rest, "na") == 0)
    *nTool = kToolSelect;
  else if (std::strcmp(rest, "nh") == 0)
    *nTool = kToolDrag;
  else if (std::strcmp(rest, "g+") == 0)
    *gTool = kToolZoomIn;
  else if (std::strcmp(rest, "g-") == 0)
    *gTool = kToolZoomOut;
  else if (std::strcmp(rest, "gh") == 0)
    *gTool = kToolDrag;
  else
    return false;
  return true;
}

void WriteToolLines(T_OStream* stream, int32_t nTool, int32_t gTool) {
  stream->PutLine(nTool == kToolDrag ? "xtnh" : "xtna");
  stream->PutLine(gTool == kToolZoomOut ? "xtg-" : gTool == kToolDrag ? "xtgh" : "xtg+");
}

void WriteEmptyLine(T_OStream* stream) { stream->PutBytes(stream->newline, stream->newlineLength); }

// The sort line: value-order letter and the second order letter, then the sort name.
void WriteSortLine(T_OStream* stream, const char* key, int32_t valueOrder, char second,
                   const char* name) {
  stream->PutText(key);
  stream->PutSeparator();
  stream->PutChar(LetterOfIndex(kValueOrderLetters, valueOrder));
  stream->PutChar(second);
  stream->PutSeparator();
  stream->PutText(name);
  stream->PutNewline();
}

void ReadRawText(T_IStream* stream, char** holder) {
  T_TextBuf text;
  stream->ReadFieldRawBuf(&text);
  BlockTextAssignBuf(holder, &text);
}

// A variable that could not be made loses its lines only: the pending error stays for the
// caller, but the abort flag that the allocation raised would end the whole read.
void KeepReading() { PendingError.abort.store(false, std::memory_order_relaxed); }

bool InVersionWindow(T_Base* base, int32_t from, int32_t before) {
  int32_t version = base ? base->fileVersion : 0;
  return version >= from && version < before;
}

// The variable lines of either template: "VN"/"FN" find or create the variable and make it the
// one being read, "V-"/"F-" remove it, every other line goes to the variable being read (none:
// the line is dropped).
template <typename Template>
void ReadVariableLine(Template* t, const Key& key, T_IStream* stream, bool timeFamily) {
  const bool selection = key.text[0] == 'V';
  if (key.n == 2 && key.text[1] == 'N') {
    T_TextBuf name;
    stream->ReadFieldBuf(&name);
    if (selection) {
      auto* found = t->FindSelectionByName(name.data);
      if (!found && (found = t->AddSelection()) != nullptr && !found->SetName(name.data)) {
        PendingErrorOutOfMemory();
        t->RemoveSelection(found);
        found = nullptr;
      }
      t->readingSelection = found;
      if (found) {
        ReadRawText(stream, &found->title);
        if (timeFamily && InVersionWindow(t->database, kVersionDisplayFields, kVersionAccumulation))
          found->accumulation = 0;
      } else {
        t->readingFormula = nullptr;  // nothing of this variable lands on another
        KeepReading();
      }
    } else {
      auto* found = t->FindFormulaByName(name.data);
      if (!found && (found = t->AddFormula()) != nullptr && !found->SetName(name.data)) {
        PendingErrorOutOfMemory();
        t->RemoveFormula(found);
        found = nullptr;
      }
      t->readingFormula = found;
      if (found) {
        ReadRawText(stream, &found->title);
      } else {
        t->readingSelection = nullptr;
        KeepReading();
      }
    }
    return;
  }
  if (key.n == 2 && key.text[1] == '-') {
    if (selection && t->readingSelection) t->RemoveSelection(t->readingSelection);
    if (!selection && t->readingFormula) t->RemoveFormula(t->readingFormula);
    return;
  }
  if (selection) {
    if (t->readingSelection) t->readingSelection->ReadKey(key.text, key.n, stream);
  } else if (t->readingFormula) {
    t->readingFormula->ReadKey(key.text, key.n, stream);
  }
}

template <typename Variable>
Variable* FindByShortId(Variable* list, const char* text, int32_t n) {
  if (!text || n <= 0) return nullptr;
  T_TextBuf id;
  for (Variable* v = list; v; v = v->next) {
    TextBufAssign(&id, "");
    AppendVariableShortId(&id, v->name);
    if (id.length == n && std::memcmp(id.data, text, static_cast<size_t>(n)) == 0) return v;
  }
  return nullptr;
}

template <typename Variable, typename Link>
Variable* FindByName(Variable* list, Link link, const char* text) {
  for (Variable* v = list; v; v = v->*link) {
    if (StrCompareNullAsEmpty(v->name, text) == 0) return v;
  }
  return nullptr;
}

template <typename Variable>
int64_t VariablesMemorySize(const Variable* list) {
  int64_t size = 0;
  for (const Variable* v = list; v; v = v->next) size += v->MemorySize();
  return size;
}

template <typename Variable>
bool RenameVariableLinks(Variable* list, LinkRename* rename) {
  bool changed = false;
  for (Variable* v = list; v; v = v->next) changed |= v->RenameLinks(rename);
  return changed;
}

// A new variable object, or null with the pending error 600.
template <typename Variable, typename Owner>
Variable* NewVariable(Owner* owner) {
  Variable* v = FuncAllocFails() ? nullptr : new (std::nothrow) Variable(owner, owner->database);
  if (!v) PendingErrorOutOfMemory();
  return v;
}


// The list operations both templates share. A variable stands on the variable list and on the
// list of its kind, in the order they were added.
template <typename Template>
void DeleteAllVariables(Template* t) {
  while (t->variables) {
    auto* v = t->variables;
    t->variables = v->next;
    v->Delete();
  }
  t->selections = nullptr;
  t->formulas = nullptr;
  t->focus = nullptr;
  t->readingSelection = nullptr;
  t->readingFormula = nullptr;
}

template <typename Template>
using BaseVariable = std::remove_pointer_t<decltype(Template::variables)>;

template <typename Template, typename Variable>
void UnlinkVariable(Template* t, Variable* v) {
  using Base = BaseVariable<Template>;
  RemoveFromList<Base, Base>(&t->variables, v, &Base::next);
  if (static_cast<Base*>(t->focus) == static_cast<Base*>(v)) t->focus = nullptr;
}

template <typename Template>
auto AddSelectionTo(Template* t) -> decltype(t->selections) {
  using Selection = std::remove_pointer_t<decltype(t->selections)>;
  auto* s = NewVariable<Selection>(t);
  if (!s) return nullptr;
  s->colour = LeastUsedColour(kTemplateColourOrder, t->variables);
  AppendToList<BaseVariable<Template>, BaseVariable<Template>>(&t->variables, s,
                                                               &BaseVariable<Template>::next);
  AppendToList(&t->selections, s, &Selection::nextSelection);
  return s;
}

template <typename Template>
auto AddFormulaTo(Template* t) -> decltype(t->formulas) {
  using Formula = std::remove_pointer_t<decltype(t->formulas)>;
  auto* f = NewVariable<Formula>(t);
  if (!f) return nullptr;
  ++t->formulaCount;
  f->colour = LeastUsedColour(kTemplateColourOrder, t->variables);
  AppendToList<BaseVariable<Template>, BaseVariable<Template>>(&t->variables, f,
                                                               &BaseVariable<Template>::next);
  AppendToList(&t->formulas, f, &Formula::nextFormula);
  return f;
}

template <typename Template, typename Selection>
void RemoveSelectionFrom(Template* t, Selection* s) {
  if (!s) return;
  UnlinkVariable(t, s);
  RemoveFromList(&t->selections, s, &Selection::nextSelection);
  if (t->readingSelection == s) t->readingSelection = nullptr;
  s->Delete();
}

template <typename Template, typename Formula>
void RemoveFormulaFrom(Template* t, Formula* f) {
  if (!f) return;
  UnlinkVariable(t, f);
  RemoveFromList(&t->formulas, f, &Formula::nextFormula);
  if (t->readingFormula == f) t->readingFormula = nullptr;
  f->Delete();
  if (t->formulaCount > 0) --t->formulaCount;
}

}  // namespace

void AppendVariableShortId(T_TextBuf* text, const char* name) {
  TextBufAppend(text, name);
  AppendNameShortId(text, name);
}

// --- Time functions ----------------------------------------------------------------------------

T_TFuncTmpl::T_TFuncTmpl(T_Base* base) : T_BoxTmpl(kTemplateTimeFunctions, base) {
  menuIcon = kTimeFunctionsMenuIcon;
  DateRefInit(&from, base, kDirectionFrom);
  DateRefInit(&to, base, kDirectionTo);
  SetDefaults();
}

T_TFuncTmpl::~T_TFuncTmpl() {
  DeleteVariables();
  DateRefFree(&from);
  DateRefFree(&to);
  BlockTextFree(&sortName);
  BlockTextFree(&timeScaleName);
  BlockTextFree(&zcText);
}

void T_TFuncTmpl::DeleteVariables() { DeleteAllVariables(this); }

void T_TFuncTmpl::OnChange(const ChangeNote* note) {
  T_BoxTmpl::OnChange(note);
  if (note->code == kChangeLinks && note->rename && RenameVariableLinks(variables, note->rename) &&
      database)
    database->SetModified(true);
}

void T_TFuncTmpl::SetDefaults() {
  T_BoxTmpl::SetDefaults();
  DateRefSetKind(&from, kDateRefFile);
  DateRefSetKind(&to, kDateRefFile);
  nTool = kToolSelect;
  gTool = kToolZoomIn;
  periodType = kPeriodActiveDays;
  lSetting = 1;
  axisMax = std::nan("");
  axisMin = std::nan("");
  sortMode = 0;
  valueOrder = 0;
  DiagramFlagsInit(&flags);
  beforeShown = 1;
  cardTitles = 0;
  endDatesOnly = 0;
  BlockTextFree(&sortName);
  BlockTextFree(&timeScaleName);
  BlockTextFree(&zcText);
  labelWidth = 0;
}

bool T_TFuncTmpl::SetSortName(const char* text) { return BlockTextAssign(&sortName, text); }
bool T_TFuncTmpl::SetTimeScaleName(const char* text) {
  return BlockTextAssign(&timeScaleName, text);
}
bool T_TFuncTmpl::SetZcText(const char* text) { return BlockTextAssign(&zcText, text); }

void T_TFuncTmpl::BeginRead() {
  T_BoxTmpl::BeginRead();
  readingSelection = nullptr;
  readingFormula = nullptr;
  readingIndex = -1;
}

bool T_TFuncTmpl::ReadRecord(T_IStream* stream) {
  if (!stream->NextField()) return false;
  const Key key = ReadKey(stream);
  const char k0 = key.text[0];
  const char k1 = key.text[1];
  switch (k0) {
    case 'V':
    case 'F':
      ReadVariableLine(this, key, stream, true);
      return true;
    case 'K':
      if (key.n == 1) {
        ReadDateRef(&from, stream);
        ReadDateRef(&to, stream);
      }
      return true;
    case 'P':
      if (key.n == 2 && k1 == 'L') {
        int32_t type = 0;
        if (IndexOfLetter(kPeriodLetters, FirstLetterOfField(stream), &type) &&
            type < kPeriodTimeScale)
          periodType = type;
      } else if (key.n == 2 && k1 == 'X') {
        T_TextBuf name;
        stream->ReadFieldBuf(&name);
        periodType = kPeriodTimeScale;
        SetTimeScaleName(name.data);
      } else if (key.n == 2 && k1 == 'W') {
        ReadLabelWidth(stream, &labelWidth);
      }
      return true;
    case 'L':
      if (key.n == 1) IndexOfLetter(kLSettingLetters, FirstLetterOfField(stream), &lSetting);
      return true;
    case 'S':
      if (key.n == 2 && (k1 == 'M' || k1 == 'N')) {
        double value = stream->ReadFieldDouble();
        (k1 == 'M' ? axisMax : axisMin) = std::isfinite(value) ? value : std::nan("");
      } else if (key.n == 2 && k1 == 'V') {
        if (stream->NextField() && stream->FieldLength() > 0) {
          IndexOfLetter(kValueOrderLetters, stream->Field()[0], &valueOrder);
          if (stream->FieldLength() > 1)
            IndexOfLetter(kSortModeLetters, stream->Field()[1], &sortMode);
        }
        T_TextBuf name;
        stream->ReadFieldBuf(&name);
        SetSortName(name.data);
      }
      return true;
    case 'W':
      if (key.n == 2 && k1 == 'B') {
        for (T_TFormulaTmpl* f = formulas; f; f = f->nextFormula) f->graphStyle = 2;
        for (T_TSelectionTmpl* s = selections; s; s = s->nextSelection) s->accumulation = 0;
        viewMode = 1;
      } else if (key.n == 2 && k1 == 'L') {
        viewMode = 1;
      }
      return true;
    case 'Z':
      if (key.n == 2 && k1 == 'B')
        beforeShown = 0;
      else if (key.n == 2 && k1 == 'T')
        cardTitles = 1;
      else if (key.n == 2 && k1 == 'N')
        endDatesOnly = 1;
      else if (key.n == 2 && k1 == 'C') {
        T_TextBuf text;
        stream->ReadFieldRawBuf(&text);
        SetZcText(text.data);
      } else {
        ReadDiagramFlag(&flags, stream);
      }
      return true;
    case 'G':
      GridLinesReadLine(key.text, stream);
      return true;
    case 'x':
      if (ReadToolKey(key, &nTool, &gTool)) return true;
      break;
    default:
      break;
  }
  stream->RewindLine();
  return T_BoxTmpl::ReadRecord(stream);
}

void T_TFuncTmpl::WriteText(T_OStream* stream) {
  T_BoxTmpl::WriteText(stream);
  for (T_TVariableTmpl* v = variables; v; v = v->next) v->WriteText(stream);
  WriteDateRange(stream, "K", &from, &to);
  if (periodType == kPeriodTimeScale) {
    stream->PutKeyBlockTextLine("PX", timeScaleName);
  } else if (periodType != kPeriodActiveDays) {
    char letter = LetterOfIndex(kPeriodLetters, periodType);
    if (letter) stream->PutKeyCharLine("PL", letter);
  }
  if (labelWidth >= kLabelWidthMin) stream->PutKeyIntLine("PW", labelWidth);
  if (lSetting != 1 && LetterOfIndex(kLSettingLetters, lSetting))
    stream->PutKeyCharLine("L", LetterOfIndex(kLSettingLetters, lSetting));
  GridLinesWrite(stream);
  T_TextBuf number;
  for (auto [key, value] : {std::pair{"SM", axisMax}, std::pair{"SN", axisMin}}) {
    if (!std::isfinite(value)) continue;
    FormatExactNumber(value, &number);
    stream->PutKeyTextLine(key, number.data);
  }
  if (sortName || sortMode != 0)
    WriteSortLine(stream, "SV", valueOrder, LetterOfIndex(kSortModeLetters, sortMode), sortName);
  WriteViewModeLine(stream);
  WriteDiagramFlags(&flags, stream);
  stream->PutKeyBlockTextLine("ZC", zcText);
  if (!beforeShown) stream->PutLine("ZB");
  if (cardTitles) stream->PutLine("ZT");
  if (endDatesOnly) stream->PutLine("ZN");
  WriteToolLines(stream, nTool, gTool);
  WriteEmptyLine(stream);
}

int64_t T_TFuncTmpl::MemorySize() const {
  return T_BoxTmpl::MemorySize() + kTFuncExtra + MemAllocatedSize(sortName) +
         MemAllocatedSize(timeScaleName) + MemAllocatedSize(zcText) + MemAllocatedSize(from.text) +
         MemAllocatedSize(to.text) + VariablesMemorySize(variables);
}

T_TSelectionTmpl* T_TFuncTmpl::AddSelection() { return AddSelectionTo(this); }
T_TFormulaTmpl* T_TFuncTmpl::AddFormula() { return AddFormulaTo(this); }
void T_TFuncTmpl::RemoveSelection(T_TSelectionTmpl* selection) {
  RemoveSelectionFrom(this, selection);
}
void T_TFuncTmpl::RemoveFormula(T_TFormulaTmpl* formula) { RemoveFormulaFrom(this, formula); }

namespace {

template <typename Template, typename Source>
auto AddFrom(Template* t, const Source* source) -> decltype(t->variables) {
  if (!source) return nullptr;
  decltype(t->variables) v = nullptr;
  if (source->kind == kVariableSelection)
    v = t->AddSelection();
  else
    v = t->AddFormula();
  if (!v) return nullptr;
  if (!CopyVariableTmpl(v, source)) {
    PendingErrorOutOfMemory();
    if (v->kind == kVariableSelection)
      t->RemoveSelection(static_cast<decltype(t->selections)>(v));
    else
      t->RemoveFormula(static_cast<decltype(t->formulas)>(v));
    return nullptr;
  }
  return v;
}

// A live variable goes through a loose record of its own kind, the one form the conversions read.
template <typename Template>
auto AddFromLive(Template* t, const T_TVariable* source) -> decltype(t->variables) {
  if (!source) return nullptr;
  T_Base* base = source->owner ? source->owner->base : nullptr;
  T_TSelectionTmpl selection(nullptr, base);
  T_TFormulaTmpl formula(nullptr, base);
  T_TVariableTmpl* record = source->kind == kVariableSelection
                                ? static_cast<T_TVariableTmpl*>(&selection)
                                : static_cast<T_TVariableTmpl*>(&formula);
  // Writing a record reads the variable only; the slot is not const for the window's own use.
  if (!const_cast<T_TVariable*>(source)->WriteToTemplate(record)) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  return t->AddVariableFromWindow(static_cast<const T_TVariableTmpl*>(record));
}

}  // namespace

T_TVariableTmpl* T_TFuncTmpl::AddVariableFromWindow(const T_TVariableTmpl* source) {
  return AddFrom(this, source);
}
T_TVariableTmpl* T_TFuncTmpl::AddVariableFromWindow(const T_CVariableTmpl* source) {
  return AddFrom(this, source);
}
T_TVariableTmpl* T_TFuncTmpl::AddVariableFromWindow(const T_TVariable* source) {
  return AddFromLive(this, source);
}

T_TVariableTmpl* T_TFuncTmpl::FindVariableByShortId(const char* text, int32_t n) const {
  return FindByShortId(variables, text, n);
}
T_TSelectionTmpl* T_TFuncTmpl::FindSelectionByName(const char* text) const {
  return FindByName(selections, &T_TSelectionTmpl::nextSelection, text);
}
T_TFormulaTmpl* T_TFuncTmpl::FindFormulaByName(const char* text) const {
  return FindByName(formulas, &T_TFormulaTmpl::nextFormula, text);
}

// --- Component functions -----------------------------------------------------------------------

T_CFuncTmpl::T_CFuncTmpl(T_Base* base) : T_StruxTmpl(kTemplateComponentFunctions, base) {
  menuIcon = kComponentFunctionsMenuIcon;
  SetDefaults();
}

T_CFuncTmpl::~T_CFuncTmpl() {
  DeleteVariables();
  BlockTextFree(&sortName);
}

void T_CFuncTmpl::DeleteVariables() { DeleteAllVariables(this); }

void T_CFuncTmpl::OnChange(const ChangeNote* note) {
  T_StruxTmpl::OnChange(note);
  if (note->code == kChangeLinks && note->rename && RenameVariableLinks(variables, note->rename) &&
      database)
    database->SetModified(true);
}

void T_CFuncTmpl::SetDefaults() {
  T_StruxTmpl::SetDefaults();
  nTool = kToolSelect;
  gTool = kToolZoomIn;
  treeOrder = 0;
  valueOrder = 0;
  nSetting = 0;
  rSetting = 1;
  lSetting = 1;
  valuesShown = 1;
  barOption = 0;
  BlockTextFree(&sortName);
  labelWidth = 0;
  structureRead_ = false;
}

bool T_CFuncTmpl::SetSortName(const char* text) { return BlockTextAssign(&sortName, text); }

void T_CFuncTmpl::BeginRead() {
  T_StruxTmpl::BeginRead();
  readingSelection = nullptr;
  readingFormula = nullptr;
  readingIndex = -1;
}

bool T_CFuncTmpl::ReadRecord(T_IStream* stream) {
  if (!stream->NextField()) return false;
  const Key key = ReadKey(stream);
  const char k0 = key.text[0];
  const char k1 = key.text[1];
  switch (k0) {
    case 'V':
    case 'F':
      ReadVariableLine(this, key, stream, false);
      return true;
    case 'K':
      structureRead_ = true;
      break;  // the structure part
    case 'P':
      if (key.n == 2 && k1 == 'D') {
        structureRead_ = true;
        ReadViewDimensions(stream);
      } else if (key.n == 2 && k1 == 'W') {
        ReadLabelWidth(stream, &labelWidth);
      }
      return true;
    case 'R':
      if (key.n == 1) FsdFromLetter(FirstLetterOfField(stream), &rSetting);
      return true;
    case 'S':
      if (key.n == 1 && stream->NextField() && stream->FieldLength() > 0) {
        const char* f = stream->Field();
        if (f[0] == '-') {
          treeOrder = 0;
          BlockTextFree(&sortName);
        } else {
          const bool hasSecond = stream->FieldLength() > 1;
          const char second = hasSecond ? f[1] : 0;
          IndexOfLetter(kValueOrderLetters, f[0], &valueOrder);
          IndexOfLetter(kTreeOrderLetters, second, &treeOrder);
          T_TextBuf name;
          stream->ReadFieldBuf(&name);
          SetSortName(name.data);
        }
      }
      return true;
    case 'L':
      if (key.n == 1) IndexOfLetter(kLSettingLetters, FirstLetterOfField(stream), &lSetting);
      return true;
    case 'N':
      if (key.n == 1) IndexOfLetter(kNSettingLetters, FirstLetterOfField(stream), &nSetting);
      return true;
    case 'W':
      if (key.n == 2 && k1 == 'R') viewMode = 4;
      return true;
    case 'Z':
      if (key.n == 2 && k1 == 'X') break;  // the structure part's expansion text
      if (key.n == 2 && k1 == 'I')
        barOption = 1;
      else if (key.n == 2 && k1 == 'V')
        valuesShown = 0;
      return true;
    case 'G':
      GridLinesReadLine(key.text, stream);
      return true;
    case 'x':
      if (ReadToolKey(key, &nTool, &gTool)) return true;
      break;
    default:
      break;
  }
  stream->RewindLine();
  return T_StruxTmpl::ReadRecord(stream);
}

void T_CFuncTmpl::WriteText(T_OStream* stream) {
  T_BoxTmpl::WriteText(stream);
  for (T_CVariableTmpl* v = variables; v; v = v->next) v->WriteText(stream);
  ViewDimSet defaults;
  ViewDimSetInit(&defaults);
  if (structureRead_ || !ViewDimSetEqual(&viewDims, &defaults)) WriteViewDimLines(stream, "PD");
  if (labelWidth >= kLabelWidthMin && labelWidth != kCompLabelWidthDefault)
    stream->PutKeyIntLine("PW", labelWidth);
  stream->PutKeyCharLine("R", FsdToLetter(rSetting) ? FsdToLetter(rSetting) : 'S');
  GridLinesWrite(stream);
  if (sortName || treeOrder != 0)
    WriteSortLine(stream, "S", valueOrder, LetterOfIndex(kTreeOrderLetters, treeOrder), sortName);
  if (lSetting != 1 && LetterOfIndex(kLSettingLetters, lSetting))
    stream->PutKeyCharLine("L", LetterOfIndex(kLSettingLetters, lSetting));
  if (nSetting != 0 && LetterOfIndex(kNSettingLetters, nSetting))
    stream->PutKeyCharLine("N", LetterOfIndex(kNSettingLetters, nSetting));
  WriteViewModeLine(stream);
  if (barOption) stream->PutLine("ZI");
  if (!valuesShown) stream->PutLine("ZV");
  WriteExpansionLine(stream);
  WriteToolLines(stream, nTool, gTool);
  WriteEmptyLine(stream);
}

int64_t T_CFuncTmpl::MemorySize() const {
  return T_StruxTmpl::MemorySize() + kCFuncExtra + MemAllocatedSize(sortName) +
         VariablesMemorySize(variables);
}

T_CSelectionTmpl* T_CFuncTmpl::AddSelection() { return AddSelectionTo(this); }
T_CFormulaTmpl* T_CFuncTmpl::AddFormula() { return AddFormulaTo(this); }
void T_CFuncTmpl::RemoveSelection(T_CSelectionTmpl* selection) {
  RemoveSelectionFrom(this, selection);
}
void T_CFuncTmpl::RemoveFormula(T_CFormulaTmpl* formula) { RemoveFormulaFrom(this, formula); }

T_CVariableTmpl* T_CFuncTmpl::AddVariableFromWindow(const T_CVariableTmpl* source) {
  return AddFrom(this, source);
}
T_CVariableTmpl* T_CFuncTmpl::AddVariableFromWindow(const T_TVariableTmpl* source) {
  return AddFrom(this, source);
}
T_CVariableTmpl* T_CFuncTmpl::AddVariableFromWindow(const T_TVariable* source) {
  return AddFromLive(this, source);
}

T_CVariableTmpl* T_CFuncTmpl::FindVariableByShortId(const char* text, int32_t n) const {
  return FindByShortId(variables, text, n);
}
T_CSelectionTmpl* T_CFuncTmpl::FindSelectionByName(const char* text) const {
  return FindByName(selections, &T_CSelectionTmpl::nextSelection, text);
}
T_CFormulaTmpl* T_CFuncTmpl::FindFormulaByName(const char* text) const {
  return FindByName(formulas, &T_CFormulaTmpl::nextFormula, text);
}

// --- Casts and installation ----------------------------------------------------------------------

T_TFuncTmpl* AsTimeFunctionsTemplate(T_Template* templ) {
  return dynamic_cast<T_TFuncTmpl*>(templ);
}
T_CFuncTmpl* AsComponentFunctionsTemplate(T_Template* templ) {
  return dynamic_cast<T_CFuncTmpl*>(templ);
}

void InstallFunctionTemplates() {
  SetTemplateConstructor(kTemplateTimeFunctions, [](T_Base* base) -> T_Template* {
    return new (std::nothrow) T_TFuncTmpl(base);
  });
  SetTemplateConstructor(kTemplateComponentFunctions, [](T_Base* base) -> T_Template* {
    return new (std::nothrow) T_CFuncTmpl(base);
  });
}
