// The formulas of the component functions window: the name table with the date built-ins, the
// compilation, the check for circular formulas, the evaluation order, the higher-level rules and
// the evaluation of every variable at every node.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "analysis/components/cfunc_variables.h"
#include "analysis/components/function_variables.h"
#include "core/alert.h"
#include "core/date_record.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "core/value_format.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();
constexpr int32_t kNodesPerPump = 256;

int32_t PositiveMod(int32_t a, int32_t m) { return ((a % m) + m) % m; }

void FillDateSlots(double* slots) {
  DateRecord now = DateNow();
  now.precision = 5;
  now.pivotYear = 1940;
  const int32_t days = DateToDays(&now);
  DateRecord first = now;
  first.precision = 2;
  first.hour = first.minute = first.second = 0;
  first.day = 1;
  first.month = static_cast<int16_t>((now.month - 1) / 3 * 3 + 1);
  const int32_t quarterStart = DateToDays(&first);
  first.month = 1;
  const int32_t yearStart = DateToDays(&first);
  slots[0] = now.year;
  slots[1] = now.month;
  slots[2] = now.day;
  slots[3] = PositiveMod(days - 3, 7) + 1;
  slots[4] = days - quarterStart + 1;
  slots[5] = days - yearStart + 1;
}

bool NodeHasLines(const CFuncData* data, int64_t node) {
  for (const T_CSelection* s = data->computed; s; s = s->nextComputed) {
    if (s->HasLines(node)) return true;
  }
  return false;
}

void SetNodeSlots(double* slots, const CFuncTree& tree, int64_t node) {
  const auto k = static_cast<size_t>(node);
  slots[6] = tree.dim[k];
  slots[7] = tree.level[k];
  slots[8] = tree.dimLevel[k];
  slots[9] = tree.hasChildren[k] ? 0 : 1;
}

}  // namespace

// --- Name table ---------------------------------------------------------------------------------

bool CFunc_setupVariables(CFuncData* data) {
  if (data->namesBuilt) return true;
  const int32_t rows = kCBuiltinCount + data->selectionCount * 3 + data->formulaCount;
  if (!ReserveFormulaNames(data, rows)) return false;
  auto put = [&](int32_t row, const char* text, char suffix) {
    char* out = reinterpret_cast<char*>(data->names + 4 + row * kExprNameRowSize);
    // Names are at most 31 bytes (cut when made), so the suffix may only push it to 32: the
    // suffix then replaces the last character.
    int32_t n = 0;
    while (text && text[n] && n < kExprNameRowSize - 1) out[n] = text[n], ++n;
    if (suffix && n > kExprNameRowSize - 2) {
      n = kExprNameRowSize - 2;
      while (n > 0 && (static_cast<uint8_t>(out[n]) & 0xC0) == 0x80) --n;
    }
    out[n] = 0;
    if (suffix) {
      out[n] = suffix;
      out[n + 1] = 0;
    }
  };
  for (int32_t i = 0; i < kCBuiltinCount; ++i) put(i, CFuncBuiltinName(i), 0);
  int32_t next = kCBuiltinCount;
  for (T_CVariable* v = data->variables; v; v = v->next) {
    v->slot = next;
    put(next++, v->name, 0);
    if (v->kind == kVariableSelection) {
      put(next++, v->name, '!');
      put(next++, v->name, '#');
    }
  }
  FinishFormulaNames(data, next);
  FillDateSlots(data->valueSlots);
  return true;
}

void CFuncCompile(CFuncData* data, T_CFormula* formula) {
  if (formula->compiled || !data->namesBuilt) return;
  // A refused formula keeps its message for the calculation, which reports it as it does a
  // circular one.
  formula->refused = CompileVariableFormula(&formula->program, &formula->text, data->names);
  formula->compiled = 1;
}

bool T_CFormula::Uses(const T_CVariable* variable) const {
  if (!program || variable->slot < 0) return false;
  if (Criteria_UsesId(&program, variable->slot)) return true;
  return variable->kind == kVariableSelection && (Criteria_UsesId(&program, variable->slot + 1) ||
                                                  Criteria_UsesId(&program, variable->slot + 2));
}

int32_t CFuncCheckFormulas(CFuncData* data, T_CFormula** culprit) {
  if (!CFunc_setupVariables(data)) return 600;
  for (T_CFormula* f = data->formulas; f; f = f->nextFormula) CFuncCompile(data, f);
  std::vector<T_CFormula*> byIndex;
  for (T_CFormula* f = data->formulas; f; f = f->nextFormula) byIndex.push_back(f);
  for (T_CFormula* target : byIndex) {
    int32_t code = target->refused;
    if (!code && target->Uses(target)) code = kMsgCRefersToItself;
    if (!code) {
      // Depth first over the formulas the target uses, each once, looking for the target.
      std::vector<uint8_t> seen(byIndex.size(), 0);
      std::vector<T_CFormula*> stack{target};
      while (!stack.empty() && !code) {
        T_CFormula* f = stack.back();
        stack.pop_back();
        for (T_CFormula* g : byIndex) {
          if (!f->Uses(g)) continue;
          if (g == target && f != target) code = kMsgCRefersIndirectly;
          if (seen[static_cast<size_t>(g->index)]) continue;
          seen[static_cast<size_t>(g->index)] = 1;
          stack.push_back(g);
        }
      }
    }
    if (code) {
      if (culprit) *culprit = target;
      return code;
    }
  }
  return 0;
}

// --- Evaluation order ---------------------------------------------------------------------------

void T_CFormula::AddToOrder() {
  visited = 1;
  for (T_CVariable* v = owner->variables; v; v = v->next) {
    if (!v->visited && Uses(v)) v->AddToOrder();
  }
  nextEvaluated = owner->evaluated;
  owner->evaluated = this;
}

void CFuncBuildOrder(CFuncData* data) {
  for (T_CVariable* v = data->variables; v; v = v->next) v->visited = 0;
  for (T_CFormula* f = data->formulas; f; f = f->nextFormula) CFuncCompile(data, f);
  data->computed = nullptr;
  data->evaluated = nullptr;
  data->shownList.clear();
  int32_t column = 0;
  for (T_CVariable* v = data->variables; v; v = v->next) {
    if (!v->shown) {
      v->column = -1;
      continue;
    }
    v->column = column++;
    data->shownList.push_back(v);
    if (!v->visited) v->AddToOrder();
  }
  // Formulas were pushed after what they use: reversed, each comes after its dependencies.
  T_CFormula* reversed = nullptr;
  while (data->evaluated) {
    T_CFormula* f = data->evaluated;
    data->evaluated = f->nextEvaluated;
    f->nextEvaluated = reversed;
    reversed = f;
  }
  data->evaluated = reversed;
  T_CSelection* selections = nullptr;
  while (data->computed) {
    T_CSelection* s = data->computed;
    data->computed = s->nextComputed;
    s->nextComputed = selections;
    selections = s;
  }
  data->computed = selections;
}

// --- Rules --------------------------------------------------------------------------------------

bool T_CFormula::SetUpRule(int64_t nodes) {
  FreeArrays();
  if (rule == kRuleApply) return true;
  if (FuncAllocFails()) {
    PendingErrorOutOfMemory();
    return false;
  }
  const auto n = static_cast<size_t>(nodes);
  if (rule == kRuleCount || rule == kRuleAverage || rule == kRuleGeomMean) counts.assign(n, 0);
  if (rule != kRuleCount) {
    const double start = rule == kRuleProduct                            ? 1.0
                         : rule == kRuleMaximum || rule == kRuleMinimum ? kNaN
                                                                         : 0.0;
    values.assign(n, start);
  }
  if (rule == kRuleGeomMean) parity.assign(n, 0);
  return true;
}

void T_CFormula::FreeArrays() {
  std::vector<int64_t>().swap(counts);
  std::vector<double>().swap(values);
  std::vector<uint8_t>().swap(parity);
}

void T_CFormula::RuleAccumulate(int64_t node, int64_t parentNode, double v, bool counted) {
  const auto k = static_cast<size_t>(node);
  if (counted && (rule > kRuleAverage || std::isfinite(v))) {
    switch (rule) {
      case kRuleCount:
        ++counts[k];
        break;
      case kRuleSum:
        values[k] += v;
        break;
      case kRuleProduct:
        values[k] *= v;
        break;
      case kRuleAverage:
        values[k] += v;
        ++counts[k];
        break;
      case kRuleGeomMean:
        if (std::isnan(v) || std::isinf(v)) break;
        ++counts[k];
        if (v == 0) {
          values[k] = kMinusInfinity;
        } else {
          values[k] += std::log(std::fabs(v));
          if (v < 0) parity[k] ^= 1;
        }
        break;
      case kRuleMaximum:
        if (!std::isnan(v) && (std::isnan(values[k]) || v > values[k])) values[k] = v;
        break;
      case kRuleMinimum:
        if (!std::isnan(v) && (std::isnan(values[k]) || v < values[k])) values[k] = v;
        break;
      default:
        break;
    }
  }
  if (parentNode < 0) return;
  const auto p = static_cast<size_t>(parentNode);
  if (!counts.empty()) counts[p] += counts[k];
  switch (rule) {
    case kRuleSum:
    case kRuleAverage:
    case kRuleGeomMean:
      values[p] += values[k];
      if (rule == kRuleGeomMean) parity[p] ^= parity[k];
      break;
    case kRuleProduct:
      values[p] *= values[k];
      break;
    case kRuleMaximum:
      if (!std::isnan(values[k]) && (std::isnan(values[p]) || values[k] > values[p]))
        values[p] = values[k];
      break;
    case kRuleMinimum:
      if (!std::isnan(values[k]) && (std::isnan(values[p]) || values[k] < values[p]))
        values[p] = values[k];
      break;
    default:
      break;
  }
}

double T_CFormula::RuleResult(int64_t node) const {
  const auto k = static_cast<size_t>(node);
  switch (rule) {
    case kRuleCount:
      return static_cast<double>(counts[k]);
    case kRuleAverage:
      return values[k] / static_cast<double>(counts[k]);
    case kRuleGeomMean: {
      const double r = std::exp(values[k] / static_cast<double>(counts[k]));
      return parity[k] ? -r : r;
    }
    default:
      return values[k];
  }
}

// --- Evaluation ---------------------------------------------------------------------------------

void CFunc_evaluate(CFuncData* data, const CFuncTree& tree) {
  double* slots = data->valueSlots;
  for (T_CSelection* s = data->computed; s; s = s->nextComputed)
    slots[s->slot + 1] = tree.Count() > 0 ? s->total[0] : kNaN;
  bool usesNodeSlots = false;
  for (T_CFormula* f = data->evaluated; f && !usesNodeSlots; f = f->nextEvaluated) {
    for (int32_t i = kCBuiltinDim; i < kCBuiltinCount; ++i)
      usesNodeSlots = usesNodeSlots || Criteria_UsesId(&f->program, i);
  }
  const size_t shown = data->shownList.size();
  int32_t untilPump = kNodesPerPump;
  for (int64_t node = tree.Count() - 1; node >= 0; --node) {
    const auto k = static_cast<size_t>(node);
    if (usesNodeSlots) SetNodeSlots(slots, tree, node);
    const bool counted = NodeHasLines(data, node);
    for (T_CSelection* s = data->computed; s; s = s->nextComputed) {
      slots[s->slot] = s->own[k];
      slots[s->slot + 2] = static_cast<double>(s->ownCounts[k]);
    }
    for (T_CFormula* f = data->evaluated; f; f = f->nextEvaluated) {
      slots[f->slot] = Expr_Run(&f->program, slots);
      if (f->rule != kRuleApply) f->RuleAccumulate(node, tree.parent[k], slots[f->slot], counted);
    }
    double* cells = data->cellsOf ? data->cellsOf(data->cellsContext, node) : nullptr;
    if (cells) {
      for (size_t c = 0; c < shown; ++c) cells[c * 2] = slots[data->shownList[c]->slot];
    }
    for (T_CSelection* s = data->computed; s; s = s->nextComputed) {
      slots[s->slot] = s->total[k];
      slots[s->slot + 2] = static_cast<double>(s->totalCounts[k]);
    }
    for (T_CFormula* f = data->evaluated; f; f = f->nextEvaluated) {
      slots[f->slot] = f->rule != kRuleApply && tree.hasChildren[k] ? f->RuleResult(node)
                                                                      : Expr_Run(&f->program, slots);
    }
    if (cells) {
      for (size_t c = 0; c < shown; ++c) cells[c * 2 + 1] = slots[data->shownList[c]->slot];
    }
    if (--untilPump == 0) {
      untilPump = kNodesPerPump;
      PumpMessages();
    }
  }
}

void CFuncFormulaWithConstants(CFuncData* data, const T_CFormula* formula, const CFuncTree& tree,
                               int64_t node, T_TextBuf* out) {
  TextBufAssign(out, formula->text ? formula->text : "");
  if (!formula->program) return;
  double slots[kCBuiltinCount];
  FillDateSlots(slots);
  SetNodeSlots(slots, tree, node);
  (void)data;
  for (int32_t i = 0; i < kCBuiltinCount; ++i) {
    if (!Criteria_UsesId(&formula->program, i)) continue;
    char number[24];
    std::snprintf(number, sizeof number, "%lld", static_cast<long long>(std::floor(slots[i] + 0.5)));
    ReplaceIdentifier(out, CFuncBuiltinName(i), number, kNameSkipTokens);
  }
}
