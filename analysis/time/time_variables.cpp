// The variables of the time functions window: their life on the window's lists, names, the name
// table with the formulas compiled against it, the cycle check, and the clipboard text forms.
#include "analysis/time/time_variables.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "analysis/components/function_variables.h"
#include "core/alert.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/value_format.h"
#include "database/base.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr const char* kBuiltinNames[kBuiltinCount] = {
    "year", "month", "day", "weekday", "quarterday", "yearday", "perioddays", "T"};

// What the shared variable operations (function_variables.h) need of this window.
struct TimeFamily {
  using Data = TFuncData;
  using Variable = T_TVariable;
  using Selection = T_TSelection;
  using Formula = T_TFormula;
  static void UniqueName(const Data* data, T_TextBuf* name, const char* prefix, const Variable* except) {
    TFuncUniqueName(data, name, prefix, except);
  }
  static bool Rename(Data* data, Variable* variable, const char* typed) {
    return TFuncRename(data, variable, typed);
  }
  static Selection* NewSelection(Data* data, const char* proposed) {
    return TFuncNewSelection(data, proposed);
  }
  static Formula* NewFormula(Data* data, const char* proposed) { return TFuncNewFormula(data, proposed); }
  static bool SetUpNames(Data* data) { return BuildFormulaNames(data); }
  static void Compile(Data* data, Formula* formula) { CompileFormula(data, formula); }
  static bool Uses(const Formula* formula, const Variable* variable) { return formula->RefersTo(variable); }
  static void ForgetCalculation(Data* data) {
    data->measured = nullptr;
    data->evaluated = nullptr;
    data->shownList = nullptr;
  }
  // A pasted selection keeps the first selection's value column unless it is the first.
  static void ClearForPaste(Data* data, Variable* variable) {
    if (variable->kind == kVariableSelection) {
      auto* s = static_cast<T_TSelection*>(variable);
      s->ResetDefaults();
      s->valueColumn = s != data->selections ? data->selections->valueColumn : 0;
    } else {
      auto* f = static_cast<T_TFormula*>(variable);
      BlockTextFree(&f->text);
      f->operation = kOperationNone;
      f->diagramForm = 1;
      f->compiled = 0;
    }
  }
};

}  // namespace

// --- T_TVariable ------------------------------------------------------------------------------

T_TVariable::T_TVariable(TFuncData* owner, int32_t kind) : owner(owner), kind(kind) {}

T_TVariable::~T_TVariable() {
  BlockTextFree(&name);
  BlockTextFree(&title);
}

void T_TVariable::CopyDisplayTo(T_TVariableTmpl* record) const {
  record->shown = shown;
  record->decimals = decimals;
  record->signStyle = signStyle;
  record->colouring = colouring;
  record->bold = bold;
  record->totals = totals;
  record->width = width;
  record->lineStyle = lineStyle;
  record->colour = colour;
}

void T_TVariable::CopyDisplayFrom(const T_TVariableTmpl* record) {
  shown = record->shown;
  decimals = record->decimals;
  signStyle = record->signStyle;
  colouring = record->colouring;
  bold = record->bold;
  totals = record->totals;
  width = record->width;
  lineStyle = record->lineStyle;
  colour = record->colour;
}

bool T_TVariable::WriteToTemplate(T_TVariableTmpl* record) const {
  if (record->kind != kind) return false;
  bool ok = BlockTextAssignBlock(&record->name, name) && BlockTextAssignBlock(&record->title, title);
  CopyDisplayTo(record);
  if (kind == kVariableSelection) {
    auto* s = static_cast<T_TSelection*>(const_cast<T_TVariable*>(this));
    auto* r = static_cast<T_TSelectionTmpl*>(record);
    SelectionDef_fromSelection(&r->selection, &s->selection);
    r->valueColumn = s->valueColumn;
    r->method = s->measure;
    r->accumulation = s->accumulation;
    r->shift = s->shift;
  } else {
    const auto* f = static_cast<const T_TFormula*>(this);
    auto* r = static_cast<T_TFormulaTmpl*>(record);
    ok = BlockTextAssignBlock(&r->formula, f->text) && ok;
    r->operation = f->operation;
    r->graphStyle = f->diagramForm;
  }
  return ok;
}

void T_TVariable::SetFromTemplate(const T_TVariableTmpl* record) {
  BlockTextAssignBlock(&title, record->title);
  TakeFromTemplate(record);
}

void T_TVariable::TakeFromTemplate(const T_TVariableTmpl* record) {
  CopyDisplayFrom(record);
  if (record->kind != kind) return;
  if (kind == kVariableSelection) {
    auto* s = static_cast<T_TSelection*>(this);
    const auto* r = static_cast<const T_TSelectionTmpl*>(record);
    Selection_setFromDef(&s->selection, &r->selection);
    s->valueColumn = r->valueColumn;
    s->measure = r->method == kMethodComponentCount ? kMeasureSum : r->method;
    s->accumulation = r->accumulation;
    s->shift = r->shift;
  } else {
    auto* f = static_cast<T_TFormula*>(this);
    const auto* r = static_cast<const T_TFormulaTmpl*>(record);
    BlockTextAssignBlock(&f->text, r->formula);
    f->operation = r->operation;
    f->diagramForm = r->graphStyle;
    f->compiled = 0;
  }
}

// --- T_TSelection -----------------------------------------------------------------------------

T_TSelection::T_TSelection(TFuncData* owner) : T_TVariable(owner, kVariableSelection) {
  Selection_init(&selection, owner->base, nullptr, nullptr);
}

T_TSelection::~T_TSelection() {
  Selection_free(&selection);
  medianValues.Free();
}

void T_TSelection::ResetDefaults() {
  Selection_clear(&selection);
  measure = kMeasureSum;
  accumulation = kAccumulateFromStart;
  shift = TimeShift{};
}

void T_TSelection::ResetPeriod() {
  parity = 0;
  lineCount = 0;
  cardCount = 0;
  lastCard = nullptr;
  switch (measure) {
    case kMeasureProduct:
      value = 1.0;
      break;
    case kMeasureMedian:
      medianValues.Clear();
      break;
    case kMeasureTurnoverTime:
    case kMeasureTurnoverRate:
      integral = positiveFlow = negativeFlow = 0.0;
      break;
    case kMeasureMaximum:
    case kMeasureMinimum:
    case kMeasureFirst:
    case kMeasureLast:
      value = kNaN;
      break;
    default:
      value = 0.0;
      break;
  }
}

void T_TSelection::BalanceStep(int32_t day) {
  // Counting never goes back: an active period may end inside a day that later lines reach.
  if (day <= lastDay) return;
  integral += (static_cast<double>(day) - lastDay) * value;
  lastDay = day;
}

namespace {

void StepCount(T_TSelection*, const CardRecord*, double) {}
void StepCards(T_TSelection* s, const CardRecord* card, double) {
  if (card != s->lastCard) {
    ++s->cardCount;
    s->lastCard = card;
  }
}
void StepSum(T_TSelection* s, const CardRecord*, double v) { s->value += v; }
void StepProduct(T_TSelection* s, const CardRecord*, double v) { s->value *= v; }
void StepGeomMean(T_TSelection* s, const CardRecord*, double v) {
  if (v > 0 && std::isfinite(v)) {
    s->value += std::log(v);
  } else if (v < 0 && std::isfinite(v)) {
    s->value += std::log(-v);
    s->parity ^= 1;
  } else {
    s->value = -std::numeric_limits<double>::infinity();
  }
}
void StepMedian(T_TSelection* s, const CardRecord*, double v) {
  if (!s->medianValues.Append(v)) s->owner->outOfMemory = 1;
}
void StepTurnover(T_TSelection* s, const CardRecord* card, double v) {
  s->BalanceStep(PackedDateToDayNumber(card->dateNode->date));
  s->value += v;
  if (v > 0) s->positiveFlow += v;
  else if (v < 0) s->negativeFlow -= v;
}
void StepMaximum(T_TSelection* s, const CardRecord*, double v) {
  if (s->lineCount == 1 || v > s->value) s->value = v;
}
void StepMinimum(T_TSelection* s, const CardRecord*, double v) {
  if (s->lineCount == 1 || v < s->value) s->value = v;
}
void StepFirst(T_TSelection* s, const CardRecord*, double v) {
  if (s->lineCount == 1) s->value = v;
}
void StepLast(T_TSelection* s, const CardRecord*, double v) { s->value = v; }

MeasureStep StepOf(int32_t measure) {
  switch (measure) {
    case kMeasureLineCount:
      return StepCount;
    case kMeasureCardCount:
      return StepCards;
    case kMeasureProduct:
      return StepProduct;
    case kMeasureGeomMean:
      return StepGeomMean;
    case kMeasureMedian:
      return StepMedian;
    case kMeasureTurnoverTime:
    case kMeasureTurnoverRate:
      return StepTurnover;
    case kMeasureMaximum:
      return StepMaximum;
    case kMeasureMinimum:
      return StepMinimum;
    case kMeasureFirst:
      return StepFirst;
    case kMeasureLast:
      return StepLast;
    default:
      return StepSum;
  }
}

// A sum that met a missing value stays missing: roundToDecimals would show it as 0.
double RoundedSum(double value, int32_t decimals) {
  return std::isfinite(value) ? roundToDecimals(value, decimals) : value;
}

}  // namespace

void T_TSelection::Prepare() {
  prepared = 1;
  T_Base* base = owner->base;
  int32_t valueCount = base ? base->valueCount : 1;
  if (valueColumn < 0 || valueColumn >= valueCount) valueColumn = 0;
  columnDecimals = base ? base->decimalsCodes[valueColumn] : 0;
  if (measure < 0 || measure >= kMethodCount || measure == kMethodComponentCount) measure = kMeasureSum;
  step = StepOf(measure);
  if (measure == kMeasureMedian && !medianValues.values && !medianValues.Init()) owner->outOfMemory = 1;
  if (measure == kMeasureTurnoverTime || measure == kMeasureTurnoverRate) {
    value = 0.0;
    lastDate = 0;
    lastDay = 0;
  }
  ResetPeriod();
  nextMeasured = owner->measured;
  owner->measured = this;
}

double T_TSelection::Result(const CardId* periodEnd) {
  switch (measure) {
    case kMeasureLineCount:
      return lineCount;
    case kMeasureCardCount:
      return cardCount;
    case kMeasureSum:
      return RoundedSum(value, columnDecimals);
    case kMeasureNegSum:
      return RoundedSum(-value, columnDecimals);
    case kMeasureAverage:
      return lineCount == 0 ? kNaN : RoundedSum(value, columnDecimals) / lineCount;
    case kMeasureGeomMean: {
      double r = std::exp(value / lineCount);
      return parity ? -r : r;
    }
    case kMeasureMedian:
      return medianValues.Median();
    case kMeasureTurnoverTime:
    case kMeasureTurnoverRate: {
      // The balance counts up to and including the period's last day (as the shift sees it).
      CardId end = *periodEnd;
      ApplyTimeShift(&shift, &end, kDirectionFrom);
      int32_t day = PackedDateToDayNumber(end.date);
      // An open to-bound stands at the last card, but the balance is held beyond it.
      PackedDate own = IsOpenBound(&selection.to) ? 0 : selection.to.cardId.date;
      if (own != 0 && PackedDateToDayNumber(own) < day) day = PackedDateToDayNumber(own);
      BalanceStep(day + 1);
      double flow = positiveFlow > negativeFlow ? positiveFlow : negativeFlow;
      double time = std::fabs(integral) / flow;
      return measure == kMeasureTurnoverTime ? time : 365.0 / time;
    }
    case kMeasureProduct:
    default:
      return value;
  }
}

void T_TSelection::ReadText(T_IStream* stream) {
  T_TSelectionTmpl record(nullptr, owner->base);
  WriteToTemplate(&record);
  ReadVariableKeys(stream, 'V', &record);
  const int32_t column = valueColumn;
  TakeFromTemplate(&record);
  // A column the database does not have is not taken.
  if (valueColumn >= owner->base->valueCount) valueColumn = column;
}

void T_TSelection::WriteText(T_OStream* stream) const {
  T_TSelectionTmpl record(nullptr, owner->base);
  WriteVariableThroughRecord(this, &record, kSelectionSectionHeader, stream);
}

// --- T_TFormula -------------------------------------------------------------------------------

T_TFormula::T_TFormula(TFuncData* owner) : T_TVariable(owner, kVariableFormula) {
  Expr_Init(&program);
}

T_TFormula::~T_TFormula() {
  MemFreeHeld(&program);
  BlockTextFree(&text);
}

int32_t T_TFormula::ModeBoxIndex() const { return owner->selectionCount + index + 1; }

void T_TFormula::Prepare() {
  prepared = 1;
  accumulator = operation == kOperationMultiplyFromStart || operation == kOperationQuotient ? 1.0 : 0.0;
  CompileFormula(owner, this);
  for (T_TVariable* v = owner->variables; v; v = v->next) {
    if (!v->prepared && RefersTo(v)) v->Prepare();
  }
  nextEvaluated = owner->evaluated;
  owner->evaluated = this;
}

bool T_TFormula::RefersTo(const T_TVariable* variable) const {
  if (!program || variable->slot < 0) return false;
  if (Criteria_UsesId(&program, variable->slot)) return true;
  return variable->kind == kVariableSelection && Criteria_UsesId(&program, variable->slot + 1);
}

void T_TFormula::ReadText(T_IStream* stream) {
  T_TFormulaTmpl record(nullptr, owner->base);
  WriteToTemplate(&record);
  ReadVariableKeys(stream, 'F', &record);
  TakeFromTemplate(&record);
}

void T_TFormula::WriteText(T_OStream* stream) const {
  T_TFormulaTmpl record(nullptr, owner->base);
  WriteVariableThroughRecord(this, &record, kFormulaSectionHeader, stream);
}

// --- The window's variables ---------------------------------------------------------------------

void TFuncDataInit(TFuncData* data, T_Base* base) {
  *data = TFuncData{};
  data->base = base;
  DateRefInit(&data->from, base, kDirectionFrom);
  DateRefInit(&data->to, base, kDirectionTo);
  DateRefSetKind(&data->from, kDateRefFile);
  DateRefSetKind(&data->to, kDateRefFile);
  PagedArrayInit(&data->periods, kTFuncEntryHeader, 0);
}

void TFuncDataFree(TFuncData* data) {
  while (data->formulas) TFuncDelete(data, data->formulas);
  while (data->selections) TFuncDelete(data, data->selections);
  MemFree(data->names);
  MemFree(data->valueSlots);
  data->names = nullptr;
  data->valueSlots = nullptr;
  DateRefFree(&data->from);
  DateRefFree(&data->to);
  PagedArrayFree(&data->periods);
  data->nameCapacity = 0;
  data->namesBuilt = 0;
  data->periodCount = 0;
}

T_TVariable* TFuncFindVariable(const TFuncData* data, const char* name) {
  return FindFuncVariable<TimeFamily>(data, name);
}

void TFuncUniqueName(const TFuncData* data, T_TextBuf* name, const char* prefix,
                     const T_TVariable* except) {
  StripLinkMarkup(name);
  MakeIdentifier(name, prefix, 0);
  for (;;) {
    T_TVariable* other = TFuncFindVariable(data, name->data);
    if (!other || other == except) return;
    IncrementName(name);
  }
}

T_TSelection* TFuncNewSelection(TFuncData* data, const char* proposed) {
  auto* s = new (std::nothrow) T_TSelection(data);
  if (!s) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  if (data->selections) s->valueColumn = data->selections->valueColumn;
  s->colour = LeastUsedColour(kTemplateColourOrder, data->variables);
  AddFuncVariable<TimeFamily>(data, s, &data->selections, &T_TSelection::nextSelection, proposed, "A");
  return s;
}

T_TFormula* TFuncNewFormula(TFuncData* data, const char* proposed) {
  auto* f = new (std::nothrow) T_TFormula(data);
  if (!f) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  f->colour = LeastUsedColour(kTemplateColourOrder, data->variables);
  AddFuncVariable<TimeFamily>(data, f, &data->formulas, &T_TFormula::nextFormula, proposed, "F1");
  return f;
}

bool TFuncRename(TFuncData* data, T_TVariable* variable, const char* typed) {
  T_TextBuf name(typed ? typed : "");
  StripLinkMarkup(&name);
  MakeIdentifier(&name, nullptr, kNameFirst | kNameBlanks);
  if (name.length == 0 || StrCompareNullAsEmpty(variable->name, name.data) == 0) return false;
  T_TVariable* other = TFuncFindVariable(data, name.data);
  if (other && other != variable) return false;
  // Both the value and the line count ("#" + name) follow: whole names only.
  T_TextBuf oldCount("#"), newCount("#");
  TextBufAppendBlock(&oldCount, variable->name);
  TextBufAppendBuf(&newCount, &name);
  for (T_TFormula* f = data->formulas; f; f = f->nextFormula) {
    if (!f->text) continue;
    T_TextBuf text(f->text);
    if (variable->kind == kVariableSelection)
      ReplaceIdentifier(&text, oldCount.data, newCount.data, kNameSkipTokens);
    if (variable->name) ReplaceIdentifier(&text, variable->name, name.data, kNameSkipTokens);
    BlockTextAssignBuf(&f->text, &text);
    f->compiled = 0;
  }
  BlockTextAssignBuf(&variable->name, &name);
  data->namesBuilt = 0;
  return true;
}

void TFuncDelete(TFuncData* data, T_TVariable* variable) {
  DeleteFuncVariable<TimeFamily>(data, variable);
}

bool TFuncErase(TFuncData* data, T_TVariable* variable, bool* resultsStale) {
  return EraseFuncVariable<TimeFamily>(data, variable, resultsStale);
}

bool TFuncTimeScaleDeleted(TFuncData* data, const TimeScale* scale) {
  bool stale = false;
  if (scale && data->timeScale == scale) {
    data->timeScale = nullptr;
    if (data->periodType == kPeriodTimeScale) data->periodType = kPeriodActiveDays;
    stale = true;
  }
  if (scale && data->scaleInForce == scale) {
    data->scaleInForce = nullptr;
    stale = true;
  }
  return stale;
}

T_TSelection* TFuncEraseAll(TFuncData* data) { return EraseAllFuncVariables<TimeFamily>(data); }

void TFuncMoveVariable(TFuncData* data, T_TVariable* variable, T_TVariable* before) {
  if (variable == before) return;
  RemoveFromList(&data->variables, variable, &T_TVariable::next);
  T_TVariable** at = &data->variables;
  while (*at && *at != before) at = &(*at)->next;
  variable->next = *at;
  *at = variable;
  data->namesBuilt = 0;
}

void TFuncWriteVariable(const T_TVariable* variable, T_OStream* stream) {
  variable->WriteText(stream);
}

T_TVariable* TFuncPaste(TFuncData* data, const char* text, int32_t length, T_TVariable* current) {
  return PasteFuncVariables<TimeFamily>(data, text, length, current);
}

bool TFuncTextHasVariables(const char* text, int32_t length) {
  return TextHasVariableSections(text, length);
}

T_TVariable* TFuncDuplicate(TFuncData* data, T_TVariable* variable) {
  return DuplicateFuncVariable<TimeFamily>(data, variable);
}

// --- Formulas -----------------------------------------------------------------------------------

bool BuildFormulaNames(TFuncData* data) {
  if (data->namesBuilt) return true;
  const int32_t rows = kBuiltinCount + data->selectionCount * 2 + data->formulaCount;
  if (!ReserveFormulaNames(data, rows)) return false;
  auto row = [&](int32_t i) { return reinterpret_cast<char*>(data->names + 4 + i * kExprNameRowSize); };
  auto put = [&](int32_t i, const char* prefix, const char* text) {
    char* out = row(i);
    int32_t n = 0;
    if (prefix) out[n++] = *prefix;
    BlockTextCopyN(out + n, kExprNameRowSize - n, text);
  };
  for (int32_t i = 0; i < kBuiltinCount; ++i) put(i, nullptr, kBuiltinNames[i]);
  int32_t next = kBuiltinCount;
  for (T_TVariable* v = data->variables; v; v = v->next) {
    v->slot = next;
    put(next++, nullptr, v->name);
    if (v->kind == kVariableSelection) put(next++, "#", v->name);
  }
  FinishFormulaNames(data, next);
  return true;
}

void CompileFormula(TFuncData* data, T_TFormula* formula) {
  if (formula->compiled || !data->namesBuilt) return;
  // A refused formula evaluates as missing; its message belongs to the editor, not to a run.
  CompileVariableFormula(&formula->program, &formula->text, data->names);
  formula->compiled = 1;
}

void TFuncSetFormulaText(TFuncData* data, T_TFormula* formula, const char* text) {
  BuildFormulaNames(data);
  BlockTextAssign(&formula->text, text);
  formula->compiled = 0;
  CompileFormula(data, formula);
}

int32_t CheckFormulaCycles(TFuncData* data, T_TFormula** culprit) {
  if (!BuildFormulaNames(data)) return 0;
  for (T_TFormula* f = data->formulas; f; f = f->nextFormula) CompileFormula(data, f);
  for (T_TFormula* target = data->formulas; target; target = target->nextFormula) {
    if (target->RefersTo(target)) {
      if (culprit) *culprit = target;
      return kMsgRefersToItself;
    }
    // Breadth over the formulas that use the target, then those that use them, each once.
    int32_t count = data->formulaCount;
    auto* visited = static_cast<uint8_t*>(MemNew(count > 0 ? count : 1));
    auto* queue = static_cast<T_TFormula**>(MemNew(int64_t{count > 0 ? count : 1} * 8));
    if (!visited || !queue) {
      MemFree(visited);
      MemFree(queue);
      PendingErrorOutOfMemory();
      return 0;
    }
    std::memset(visited, 0, static_cast<size_t>(count > 0 ? count : 1));
    int32_t head = 0, tail = 0;
    const T_TVariable* current = target;
    bool cycle = false;
    for (;;) {
      for (T_TFormula* f = data->formulas; f; f = f->nextFormula) {
        if (visited[f->index] || !f->RefersTo(current)) continue;
        if (f == target) {
          cycle = true;
          break;
        }
        visited[f->index] = 1;
        queue[tail++] = f;
      }
      if (cycle || head == tail) break;
      current = queue[head++];
    }
    MemFree(visited);
    MemFree(queue);
    if (cycle) {
      if (culprit) *culprit = target;
      return kMsgRefersIndirectly;
    }
  }
  return 0;
}
