// The variables of the component functions window: their life on the lists, names, the
// accumulators of the thirteen methods, the roll-up of selections by level mode, and the
// clipboard text forms.
#include "analysis/components/cfunc_variables.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

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
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();
constexpr const char* kBuiltinNames[kCBuiltinCount] = {
    "year", "month", "day", "weekday", "quarterday", "yearday", "dim", "level", "dimlevel", "leaf"};

// Cuts a name to the table's 31 bytes without splitting a UTF-8 character.
void CutName(T_TextBuf* name) {
  if (name->length <= kCNameMax) return;
  int32_t n = kCNameMax;
  while (n > 0 && (static_cast<uint8_t>(name->data[n]) & 0xC0) == 0x80) --n;
  TextBufSetLength(name, n);
}

// A stepped name that outgrew the table keeps its series suffix (the trailing digits, with a
// "." before them) and loses bytes of its stem instead, so that stepping goes on.
void KeepSeriesSuffix(T_TextBuf* name) {
  int32_t start = name->length;
  while (start > 0 && name->data[start - 1] >= '0' && name->data[start - 1] <= '9') --start;
  if (start > 0 && name->data[start - 1] == '.') --start;
  const int32_t suffix = name->length - start;
  if (suffix >= kCNameMax) {
    CutName(name);
    return;
  }
  int32_t stem = kCNameMax - suffix;
  while (stem > 0 && (static_cast<uint8_t>(name->data[stem]) & 0xC0) == 0x80) --stem;
  T_TextBuf tail(name->data + start);
  TextBufSetLength(name, stem);
  TextBufAppendBuf(name, &tail);
}

bool IsBuiltinName(const char* name) {
  for (const char* b : kBuiltinNames) {
    if (StrCompareNoCaseNullAsEmpty(b, name) == 0) return true;
  }
  return false;
}

// What the shared variable operations (function_variables.h) need of this window.
struct ComponentFamily {
  using Data = CFuncData;
  using Variable = T_CVariable;
  using Selection = T_CSelection;
  using Formula = T_CFormula;
  static void UniqueName(const Data* data, T_TextBuf* name, const char* prefix, const Variable* except) {
    CFuncUniqueName(data, name, prefix, except);
  }
  static bool Rename(Data* data, Variable* variable, const char* typed) {
    return CFuncRename(data, variable, typed);
  }
  static Selection* NewSelection(Data* data, const char* proposed) {
    return CFuncNewSelection(data, proposed);
  }
  static Formula* NewFormula(Data* data, const char* proposed) { return CFuncNewFormula(data, proposed); }
  static bool SetUpNames(Data* data) { return CFunc_setupVariables(data); }
  static void Compile(Data* data, Formula* formula) { CFuncCompile(data, formula); }
  static bool Uses(const Formula* formula, const Variable* variable) { return formula->Uses(variable); }
  static void ForgetCalculation(Data* data) {
    data->computed = nullptr;
    data->evaluated = nullptr;
    data->shownList.clear();
  }
  // A pasted selection reads the first value column unless its keys say otherwise.
  static void ClearForPaste(Data*, Variable* variable) {
    if (variable->kind == kVariableSelection) {
      auto* s = static_cast<T_CSelection*>(variable);
      s->ResetDefaults();
      s->valueColumn = 0;
    } else {
      auto* f = static_cast<T_CFormula*>(variable);
      BlockTextFree(&f->text);
      f->rule = kRuleApply;
      f->compiled = 0;
    }
  }
};

// --- Accumulators -------------------------------------------------------------------------------

CFuncAccumulator& At(T_CSelection* s, int64_t node) { return s->records[static_cast<size_t>(node)]; }

void TakeCount(T_CSelection* s, const CFuncTree&, const void*, PackedDate, int64_t node, double) {
  ++At(s, node).count;
}

// Marks the card once at a node (and, running from the start, at every later sibling).
void MarkCard(T_CSelection* s, const CFuncTree& tree, const void* card, int64_t node,
              bool subtree) {
  for (int64_t x = node; x >= 0; x = s->levelMode == kLevelFromStart
                                          ? tree.nextSibling[static_cast<size_t>(x)]
                                          : -1) {
    CFuncAccumulator& r = At(s, x);
    const void*& marker = subtree ? r.lastSubtreeCard : r.lastCard;
    if (marker == card) continue;
    marker = card;
    ++(subtree ? r.subtreeCards : r.ownCards);
  }
}

void TakeCard(T_CSelection* s, const CFuncTree& tree, const void* card, PackedDate, int64_t node,
              double) {
  MarkCard(s, tree, card, node, false);
  for (int64_t a = node; a >= 0; a = tree.parent[static_cast<size_t>(a)])
    MarkCard(s, tree, card, a, true);
  ++At(s, node).count;
}

void TakeSum(T_CSelection* s, const CFuncTree&, const void*, PackedDate, int64_t node, double v) {
  CFuncAccumulator& r = At(s, node);
  r.value += v;
  ++r.count;
}

void TakeNegSum(T_CSelection* s, const CFuncTree&, const void*, PackedDate, int64_t node,
                double v) {
  CFuncAccumulator& r = At(s, node);
  r.value -= v;
  ++r.count;
}

void TakeProduct(T_CSelection* s, const CFuncTree&, const void*, PackedDate, int64_t node,
                 double v) {
  CFuncAccumulator& r = At(s, node);
  r.value *= v;
  ++r.count;
}

void TakeGeomMean(T_CSelection* s, const CFuncTree&, const void*, PackedDate, int64_t node,
                  double v) {
  CFuncAccumulator& r = At(s, node);
  ++r.count;
  if (v > 0 && std::isfinite(v)) {
    r.value += std::log(v);
  } else if (v < 0 && std::isfinite(v)) {
    r.value += std::log(-v);
    r.parity ^= 1;
  } else {
    r.value = kMinusInfinity;
  }
}

void TakeMedian(T_CSelection* s, const CFuncTree&, const void*, PackedDate, int64_t node,
                double v) {
  CFuncAccumulator& r = At(s, node);
  ++r.count;
  if ((!r.list.values && !r.list.Init()) || !r.list.Append(v)) s->failed = 1;
}

void TakeBalance(T_CSelection* s, const CFuncTree&, const void*, PackedDate date, int64_t node,
                 double v) {
  CFuncAccumulator& r = At(s, node);
  if (date != r.lastDate) {
    const int32_t day = PackedDateToDayNumber(date);
    r.integral += (static_cast<double>(day) - r.lastDay) * r.value;
    r.lastDay = day;
    r.lastDate = date;
  }
  ++r.count;
  r.value += v;
  if (v > 0) r.positive += v;
  else r.negative -= v;
}

void TakeMaximum(T_CSelection* s, const CFuncTree&, const void*, PackedDate, int64_t node,
                 double v) {
  CFuncAccumulator& r = At(s, node);
  if (++r.count == 1 || v > r.value) r.value = v;
}

void TakeMinimum(T_CSelection* s, const CFuncTree&, const void*, PackedDate, int64_t node,
                 double v) {
  CFuncAccumulator& r = At(s, node);
  if (++r.count == 1 || v < r.value) r.value = v;
}

CAccumulate AccumulatorOf(int32_t method) {
  switch (method) {
    case kCMethodLineCount:
    case kCMethodComponentCount:
      return TakeCount;
    case kCMethodCardCount:
      return TakeCard;
    case kCMethodNegSum:
      return TakeNegSum;
    case kCMethodProduct:
      return TakeProduct;
    case kCMethodGeomMean:
      return TakeGeomMean;
    case kCMethodMedian:
      return TakeMedian;
    case kCMethodTurnoverTime:
    case kCMethodTurnoverRate:
      return TakeBalance;
    case kCMethodMaximum:
      return TakeMaximum;
    case kCMethodMinimum:
      return TakeMinimum;
    default:
      return TakeSum;
  }
}

double Turnover(const CFuncAccumulator& r, int32_t method) {
  if (r.count == 0) return kNaN;
  const double flow = r.positive > r.negative ? r.positive : r.negative;
  const double time = std::fabs(r.integral) / flow;
  return method == kCMethodTurnoverTime ? time : 365.0 / time;
}

double Zeroed(double v, int32_t decimals) { return roundToDecimals(v, decimals); }

// Geometric mean of a log sum over n values with a sign parity.
double GeomOf(double logSum, int64_t n, uint8_t parity) {
  const double r = std::exp(logSum / static_cast<double>(n));
  return parity ? -r : r;
}

}  // namespace

// --- Tree ---------------------------------------------------------------------------------------

void CFuncTree::LinkFromParents() {
  const size_t n = parent.size();
  nextSibling.assign(n, -1);
  hasChildren.assign(n, 0);
  dim.resize(n, 0);
  level.resize(n, 0);
  dimLevel.resize(n, 0);
  std::vector<int64_t> lastChild(n, -1);
  for (size_t i = 1; i < n; ++i) {
    const auto p = static_cast<size_t>(parent[i]);
    hasChildren[p] = 1;
    if (lastChild[p] >= 0) nextSibling[static_cast<size_t>(lastChild[p])] = static_cast<int64_t>(i);
    lastChild[p] = static_cast<int64_t>(i);
    level[i] = level[p] + 1;
  }
}

// --- T_CVariable --------------------------------------------------------------------------------

T_CVariable::T_CVariable(CFuncData* owner, int32_t kind) : owner(owner), kind(kind) {}

T_CVariable::~T_CVariable() {
  BlockTextFree(&name);
  BlockTextFree(&title);
}

bool T_CVariable::ApplyHeaderText(int32_t which, const char* text) {
  if (which == 0) return CFuncRename(owner, this, text);
  if (which == 1) BlockTextAssign(&title, text);
  return true;
}

void T_CVariable::CopyDisplayFrom(const T_CVariableTmpl* r) {
  shown = r->shown;
  sublevels = r->cSetting;
  decimals = r->decimals;
  signStyle = r->signStyle;
  colouring = r->colouring;
  bold = static_cast<uint8_t>(r->bold);
  width = r->width;
  colour = r->colour;
}

void T_CVariable::CopyDisplayTo(T_CVariableTmpl* r) const {
  r->shown = shown;
  r->cSetting = sublevels;
  r->decimals = decimals;
  r->signStyle = signStyle;
  r->colouring = colouring;
  r->bold = bold;
  r->width = width;
  r->colour = colour;
}

void T_CVariable::SetFromTemplate(const T_CVariableTmpl* record) {
  BlockTextAssignBlock(&title, record->title);
  CopyDisplayFrom(record);
}

bool T_CVariable::WriteToTemplate(T_CVariableTmpl* record) const {
  if (record->kind != kind) return false;
  bool ok = BlockTextAssignBlock(&record->name, name) && BlockTextAssignBlock(&record->title, title);
  CopyDisplayTo(record);
  if (kind == kVariableSelection) {
    auto* s = static_cast<T_CSelection*>(const_cast<T_CVariable*>(this));
    auto* r = static_cast<T_CSelectionTmpl*>(record);
    SelectionDef_fromSelection(&r->selection, &s->selection);
    r->valueColumn = s->valueColumn;
    r->method = s->method;
    r->accumulation = s->levelMode;
  } else {
    const auto* f = static_cast<const T_CFormula*>(this);
    auto* r = static_cast<T_CFormulaTmpl*>(record);
    ok = BlockTextAssignBlock(&r->formula, f->text) && ok;
    r->rule = f->rule;
  }
  return ok;
}

// --- T_CSelection -------------------------------------------------------------------------------

T_CSelection::T_CSelection(CFuncData* owner) : T_CVariable(owner, kVariableSelection) {
  Selection_init(&selection, owner->base, nullptr, nullptr);
}

T_CSelection::~T_CSelection() {
  FreeArrays();
  Selection_free(&selection);
}

void T_CSelection::ResetDefaults() {
  Selection_clear(&selection);
  method = kCMethodSum;
  levelMode = kLevelByComponent;
}

void T_CSelection::SetFromTemplate(const T_CVariableTmpl* record) {
  T_CVariable::SetFromTemplate(record);
  if (record->kind != kind) return;
  const auto* r = static_cast<const T_CSelectionTmpl*>(record);
  Selection_setFromDef(&selection, &r->selection);
  valueColumn = r->valueColumn;
  method = r->method >= 0 && r->method < kCMethodCount ? r->method : kCMethodSum;
  levelMode = r->accumulation == kLevelFromStart ? kLevelFromStart : kLevelByComponent;
}

void T_CSelection::AddToOrder() {
  visited = 1;
  nextComputed = owner->computed;
  owner->computed = this;
}

bool T_CSelection::Prepare(int64_t nodes) {
  const int32_t valueCount = owner->base ? owner->base->valueCount : 1;
  if (valueColumn < 0 || valueColumn >= valueCount) valueColumn = 0;
  columnDecimals = owner->base ? owner->base->decimalsCodes[valueColumn] : 7;
  if (method < 0 || method >= kCMethodCount) method = kCMethodSum;
  accumulate = AccumulatorOf(method);
  failed = 0;
  FreeArrays();
  const auto n = static_cast<size_t>(nodes);
  if (FuncAllocFails()) {
    PendingErrorOutOfMemory();
    return false;
  }
  records.resize(n);
  own.assign(n, 0.0);
  total.assign(n, 0.0);
  ownCounts.assign(n, 0);
  totalCounts.assign(n, 0);
  const double start = method == kCMethodProduct ? 1.0
                       : method == kCMethodMaximum || method == kCMethodMinimum ? kNaN
                                                                                : 0.0;
  for (CFuncAccumulator& r : records) r.value = start;
  return true;
}

void T_CSelection::FreeArrays() {
  for (CFuncAccumulator& r : records) r.list.Free();
  std::vector<CFuncAccumulator>().swap(records);
  std::vector<double>().swap(own);
  std::vector<double>().swap(total);
  std::vector<int64_t>().swap(ownCounts);
  std::vector<int64_t>().swap(totalCounts);
  std::vector<uint8_t>().swap(ownParity);
  std::vector<uint8_t>().swap(totalParity);
}

bool T_CSelection::Finish(const CFuncTree& tree, int32_t upperDay) {
  const int64_t n = tree.Count();
  const auto at = [](int64_t i) { return static_cast<size_t>(i); };
  const bool zeroing = columnDecimals != 7;
  if (method == kCMethodGeomMean) {
    ownParity.assign(at(n), 0);
    totalParity.assign(at(n), 0);
  }
  for (int64_t i = 0; i < n; ++i) {
    CFuncAccumulator& r = records[at(i)];
    ownCounts[at(i)] = r.count;
    switch (method) {
      case kCMethodLineCount:
      case kCMethodComponentCount:
      case kCMethodMedian:
        break;
      case kCMethodCardCount:
        own[at(i)] = static_cast<double>(r.ownCards);
        total[at(i)] = static_cast<double>(r.subtreeCards);
        break;
      case kCMethodTurnoverTime:
      case kCMethodTurnoverRate:
        r.integral += (static_cast<double>(upperDay) - r.lastDay) * r.value;
        r.lastDay = upperDay;
        break;
      default:
        own[at(i)] = r.value;
        if (method == kCMethodGeomMean) ownParity[at(i)] = r.parity;
        break;
    }
  }
  for (int64_t i = 0; i < n; ++i) totalCounts[at(i)] = ownCounts[at(i)];
  for (int64_t i = n - 1; i >= 1; --i) totalCounts[at(tree.parent[at(i)])] += totalCounts[at(i)];
  if (method == kCMethodCardCount) return !failed;

  if (levelMode == kLevelByComponent) {
    if (zeroing && (method == kCMethodSum || method == kCMethodNegSum || method == kCMethodAverage)) {
      for (int64_t i = 0; i < n; ++i) own[at(i)] = Zeroed(own[at(i)], columnDecimals);
    }
    const auto upwards = [&](auto combine) {
      for (int64_t i = n - 1; i >= 1; --i) combine(at(tree.parent[at(i)]), at(i));
    };
    switch (method) {
      case kCMethodLineCount:
        for (int64_t i = 0; i < n; ++i) {
          own[at(i)] = static_cast<double>(ownCounts[at(i)]);
          total[at(i)] = static_cast<double>(totalCounts[at(i)]);
        }
        break;
      case kCMethodComponentCount:
        for (int64_t i = 0; i < n; ++i) own[at(i)] = total[at(i)] = ownCounts[at(i)] ? 1.0 : 0.0;
        upwards([&](size_t p, size_t c) { total[p] += total[c]; });
        break;
      case kCMethodSum:
      case kCMethodNegSum:
      case kCMethodAverage:
      case kCMethodGeomMean:
        total = own;
        upwards([&](size_t p, size_t c) { total[p] += total[c]; });
        if (method == kCMethodGeomMean) {
          totalParity = ownParity;
          upwards([&](size_t p, size_t c) { totalParity[p] ^= totalParity[c]; });
        }
        if (method == kCMethodAverage || method == kCMethodGeomMean) {
          for (int64_t i = 0; i < n; ++i) {
            const size_t k = at(i);
            if (method == kCMethodAverage) {
              own[k] = ownCounts[k] ? own[k] / static_cast<double>(ownCounts[k]) : kNaN;
              total[k] = totalCounts[k] ? total[k] / static_cast<double>(totalCounts[k]) : kNaN;
            } else {
              own[k] = ownCounts[k] ? GeomOf(own[k], ownCounts[k], ownParity[k]) : kNaN;
              total[k] = totalCounts[k] ? GeomOf(total[k], totalCounts[k], totalParity[k]) : kNaN;
            }
          }
        }
        break;
      case kCMethodProduct:
        total = own;
        upwards([&](size_t p, size_t c) { total[p] *= total[c]; });
        break;
      case kCMethodMedian:
        for (int64_t i = 0; i < n; ++i) own[at(i)] = records[at(i)].list.Median();
        // Children come after their parent, so a node's list is complete when the walk reaches
        // a node before it; its median is taken as it is passed up.
        for (int64_t i = n - 1; i >= 0; --i) {
          CFuncAccumulator& r = records[at(i)];
          total[at(i)] = r.list.Median();
          if (i > 0) {
            CFuncAccumulator& p = records[at(tree.parent[at(i)])];
            // The parent's list takes its whole subtree: it grows once, at its first child.
            if (r.list.count && (!p.list.values && !p.list.Init())) failed = 1;
            if (r.list.count && !p.list.Reserve(totalCounts[at(tree.parent[at(i)])])) failed = 1;
            if (r.list.count && !p.list.AppendAll(r.list)) failed = 1;
          }
          r.list.Free();
        }
        break;
      case kCMethodTurnoverTime:
      case kCMethodTurnoverRate:
        for (int64_t i = 0; i < n; ++i) own[at(i)] = Turnover(records[at(i)], method);
        for (int64_t i = n - 1; i >= 0; --i) {
          CFuncAccumulator& r = records[at(i)];
          total[at(i)] = Turnover(r, method);
          if (i == 0) break;
          CFuncAccumulator& p = records[at(tree.parent[at(i)])];
          p.positive += r.positive;
          p.negative += r.negative;
          p.integral += r.integral;
          p.count += r.count;
        }
        break;
      case kCMethodMaximum:
      case kCMethodMinimum:
        total = own;
        upwards([&](size_t p, size_t c) {
          const double v = total[c];
          if (std::isnan(v)) return;
          if (std::isnan(total[p]) || (method == kCMethodMaximum ? v > total[p] : v < total[p]))
            total[p] = v;
        });
        break;
      default:
        break;
    }
  } else {
    // Running values over the nodes in display order.
    double running = method == kCMethodProduct ? 1.0 : 0.0;
    double extreme = kNaN;
    int64_t lines = 0;
    int64_t nodesWithLines = 0;
    uint8_t parity = 0;
    CFuncAccumulator sum;
    for (int64_t i = 0; i < n; ++i) {
      const size_t k = at(i);
      CFuncAccumulator& r = records[k];
      lines += ownCounts[k];
      switch (method) {
        case kCMethodLineCount:
          own[k] = static_cast<double>(lines);
          break;
        case kCMethodComponentCount:
          if (ownCounts[k]) ++nodesWithLines;
          own[k] = static_cast<double>(nodesWithLines);
          break;
        case kCMethodSum:
        case kCMethodNegSum:
          running += own[k];
          own[k] = zeroing ? Zeroed(running, columnDecimals) : running;
          break;
        case kCMethodProduct:
          running *= own[k];
          own[k] = running;
          break;
        case kCMethodAverage:
          running += own[k];
          own[k] = lines ? running / static_cast<double>(lines) : kNaN;
          break;
        case kCMethodGeomMean:
          running += own[k];
          parity ^= ownParity[k];
          own[k] = lines ? GeomOf(running, lines, parity) : kNaN;
          break;
        case kCMethodMedian:
          if (i > 0 && r.list.count) {
            CFuncAccumulator& top = records[0];
            if ((!top.list.values && !top.list.Init()) || !top.list.Reserve(totalCounts[0]) ||
                !top.list.AppendAll(r.list))
              failed = 1;
            r.list.Free();
          }
          own[k] = records[0].list.Median();
          break;
        case kCMethodTurnoverTime:
        case kCMethodTurnoverRate:
          sum.positive += r.positive;
          sum.negative += r.negative;
          sum.integral += r.integral;
          sum.count += r.count;
          own[k] = Turnover(sum, method);
          break;
        case kCMethodMaximum:
        case kCMethodMinimum:
          if (!std::isnan(own[k]) &&
              (std::isnan(extreme) ||
               (method == kCMethodMaximum ? own[k] > extreme : own[k] < extreme)))
            extreme = own[k];
          own[k] = extreme;
          break;
        default:
          break;
      }
    }
    total = own;
    for (int64_t i = n - 1; i >= 1; --i) {
      if (tree.nextSibling[at(i)] < 0) total[at(tree.parent[at(i)])] = total[at(i)];
    }
  }
  for (CFuncAccumulator& r : records) r.list.Free();
  std::vector<uint8_t>().swap(ownParity);
  std::vector<uint8_t>().swap(totalParity);
  return !failed;
}

void T_CSelection::ReadText(T_IStream* stream) {
  T_CSelectionTmpl record(nullptr, owner->base);
  WriteToTemplate(&record);
  const int32_t column = valueColumn;
  ReadVariableKeys(stream, 'V', &record);
  SetFromTemplate(&record);
  // A column the database does not have is not taken.
  if (owner->base && valueColumn >= owner->base->valueCount) valueColumn = column;
}

void T_CSelection::WriteText(T_OStream* stream) const {
  T_CSelectionTmpl record(nullptr, owner->base);
  WriteVariableThroughRecord(this, &record, kSelectionSectionHeader, stream);
}

// --- T_CFormula ---------------------------------------------------------------------------------

T_CFormula::T_CFormula(CFuncData* owner) : T_CVariable(owner, kVariableFormula) {
  Expr_Init(&program);
}

T_CFormula::~T_CFormula() {
  MemFreeHeld(&program);
  BlockTextFree(&text);
}

int32_t T_CFormula::VariableOrder() const { return owner->selectionCount + index + 1; }

bool T_CFormula::ApplyHeaderText(int32_t which, const char* typed) {
  if (which != 2) return T_CVariable::ApplyHeaderText(which, typed);
  CFunc_setupVariables(owner);
  BlockTextAssign(&text, typed);
  compiled = 0;
  CFuncCompile(owner, this);
  return true;
}

void T_CFormula::SetFromTemplate(const T_CVariableTmpl* record) {
  T_CVariable::SetFromTemplate(record);
  if (record->kind != kind) return;
  const auto* r = static_cast<const T_CFormulaTmpl*>(record);
  BlockTextAssignBlock(&text, r->formula);
  rule = r->rule >= 0 && r->rule < kRuleTotal ? r->rule : kRuleApply;
  compiled = 0;
}

void T_CFormula::ReadText(T_IStream* stream) {
  T_CFormulaTmpl record(nullptr, owner->base);
  WriteToTemplate(&record);
  ReadVariableKeys(stream, 'F', &record);
  SetFromTemplate(&record);
}

void T_CFormula::WriteText(T_OStream* stream) const {
  T_CFormulaTmpl record(nullptr, owner->base);
  WriteVariableThroughRecord(this, &record, kFormulaSectionHeader, stream);
}

// --- The window's variables -----------------------------------------------------------------------

void CFuncDataInit(CFuncData* data, T_Base* base) {
  *data = CFuncData{};
  data->base = base;
}

void CFuncDataFree(CFuncData* data) {
  while (data->formulas) CFuncDelete(data, data->formulas);
  while (data->selections) CFuncDelete(data, data->selections);
  MemFree(data->names);
  MemFree(data->valueSlots);
  data->names = nullptr;
  data->valueSlots = nullptr;
  data->nameCapacity = 0;
  data->namesBuilt = 0;
}

T_CVariable* CFuncFindVariable(const CFuncData* data, const char* name) {
  return FindFuncVariable<ComponentFamily>(data, name);
}

void CFuncUniqueName(const CFuncData* data, T_TextBuf* name, const char* prefix,
                     const T_CVariable* except) {
  StripLinkMarkup(name);
  MakeIdentifier(name, prefix, 0);
  CutName(name);
  for (;;) {
    T_CVariable* other = CFuncFindVariable(data, name->data);
    if ((!other || other == except) && !IsBuiltinName(name->data)) return;
    IncrementName(name);
    if (name->length > kCNameMax) KeepSeriesSuffix(name);
  }
}

int32_t CFuncNewColour(const CFuncData* data) {
  return LeastUsedColour(kWindowColourOrder, data->variables);
}

T_CSelection* CFuncNewSelection(CFuncData* data, const char* proposed) {
  auto* s = FuncAllocFails() ? nullptr : new (std::nothrow) T_CSelection(data);
  if (!s) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  s->colour = CFuncNewColour(data);
  if (data->selections) s->valueColumn = data->selections->valueColumn;
  AddFuncVariable<ComponentFamily>(data, s, &data->selections, &T_CSelection::nextSelection,
                                   proposed, "A");
  return s;
}

T_CFormula* CFuncNewFormula(CFuncData* data, const char* proposed) {
  auto* f = FuncAllocFails() ? nullptr : new (std::nothrow) T_CFormula(data);
  if (!f) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  f->colour = CFuncNewColour(data);
  AddFuncVariable<ComponentFamily>(data, f, &data->formulas, &T_CFormula::nextFormula, proposed,
                                   "F1");
  return f;
}

bool CFuncRename(CFuncData* data, T_CVariable* variable, const char* typed) {
  T_TextBuf name(typed ? typed : "");
  StripLinkMarkup(&name);
  MakeIdentifier(&name, nullptr, 0);
  CutName(&name);
  if (name.length == 0 || StrCompareNullAsEmpty(variable->name, name.data) == 0) return false;
  T_CVariable* other = CFuncFindVariable(data, name.data);
  if ((other && other != variable) || IsBuiltinName(name.data)) return false;
  for (T_CFormula* f = data->formulas; f; f = f->nextFormula) {
    if (!f->text || !variable->name) continue;
    T_TextBuf text(f->text);
    ReplaceIdentifier(&text, variable->name, name.data, kNameSkipTokens);
    BlockTextAssignBuf(&f->text, &text);
    f->compiled = 0;
  }
  BlockTextAssignBuf(&variable->name, &name);
  data->namesBuilt = 0;
  return true;
}

void CFuncDelete(CFuncData* data, T_CVariable* variable) {
  DeleteFuncVariable<ComponentFamily>(data, variable);
}

bool CFuncErase(CFuncData* data, T_CVariable* variable, bool* resultsStale) {
  return EraseFuncVariable<ComponentFamily>(data, variable, resultsStale);
}

T_CSelection* CFuncEraseAll(CFuncData* data) { return EraseAllFuncVariables<ComponentFamily>(data); }

void CFuncMoveVariable(CFuncData* data, T_CVariable* variable, T_CVariable* after) {
  if (variable == after) return;
  RemoveFromList(&data->variables, variable, &T_CVariable::next);
  T_CVariable** at = after ? &after->next : &data->variables;
  variable->next = *at;
  *at = variable;
  RenumberFuncVariables<ComponentFamily>(data);
  data->namesBuilt = 0;
}

T_CVariable* CFuncPaste(CFuncData* data, const char* text, int32_t length, T_CVariable* current) {
  return PasteFuncVariables<ComponentFamily>(data, text, length, current);
}

bool CFuncTextHasVariables(const char* text, int32_t length) {
  return TextHasVariableSections(text, length);
}

T_CVariable* CFuncDuplicate(CFuncData* data, T_CVariable* variable) {
  return DuplicateFuncVariable<ComponentFamily>(data, variable);
}

const char* CFuncBuiltinName(int32_t slot) { return kBuiltinNames[slot]; }
