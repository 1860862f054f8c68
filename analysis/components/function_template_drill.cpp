// The parts of the function templates that look at the database or at other variables: marking
// used components and selected lines, request parameters, which variables a formula needs, and
// the drill-down templates of web pages.
#include <cstring>
#include <new>
#include <vector>

#include "analysis/boxwin/box_window.h"
#include "analysis/components/function_templates.h"
#include "analysis/components/strux_paths.h"
#include "analysis/time/lines_template.h"
#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/formula.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/short_ids.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/web_request.h"
#include "ui/link_markup.h"

namespace {

constexpr int32_t kCardDateDigits = 3;
constexpr int32_t kCardNumberDigits = 6;  // 36 bits hold every 32-bit number

int32_t DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 36;
  if (c == '*') return 62;
  if (c == '-') return 63;
  return -1;
}

// A card short id of n bytes: three date digits, then the number in every digit that follows,
// lowest first, whatever their count (older links spent more digits than the number needs, the
// extra ones 0). False for a foreign digit, a date that is no day, or a number beyond 31 bits.
bool DecodeDrillCardId(const char* text, int32_t n, int32_t direction, CardId* id) {
  if (n < kCardDateDigits) return false;
  for (int32_t i = 0; i < n; ++i) {
    if (DigitValue(text[i]) < 0) return false;
  }
  for (int32_t i = kCardDateDigits + kCardNumberDigits; i < n; ++i) {
    if (text[i] != '0') return false;
  }
  PackedDate date = static_cast<PackedDate>(DecodeDigits64(text, kCardDateDigits));
  int32_t year = PackedDateYear(date);
  int32_t month = PackedDateMonth(date);
  int32_t day = PackedDateDay(date);
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
      day > PackedDateDaysInMonth(date))
    return false;
  int32_t digits = n - kCardDateDigits;
  if (digits > kCardNumberDigits) digits = kCardNumberDigits;
  uint64_t number = digits > 0 ? DecodeDigits64(text + kCardDateDigits, digits) : 0;
  if (number > kCardSequenceOpen) return false;
  id->date = date;
  id->sequence = number >= 1 ? static_cast<int32_t>(number)
                             : (direction < 1 ? 1 : kCardSequenceOpen);
  return true;
}

// The clicked period of a time-functions drill link: from, optionally "_" and to; without a
// to part the to bound is the from text read as an upper bound.
bool DecodePeriod(const char* text, CardId* first, CardId* last) {
  const char* underscore = std::strchr(text, '_');
  int32_t n = static_cast<int32_t>(underscore ? underscore - text : std::strlen(text));
  if (!DecodeDrillCardId(text, n, kDirectionFrom, first)) return false;
  if (!underscore) return DecodeDrillCardId(text, n, kDirectionTo, last);
  return DecodeDrillCardId(underscore + 1, static_cast<int32_t>(std::strlen(underscore + 1)),
                           kDirectionTo, last);
}

// The variable's title without links, or its name when the title is empty.
template <typename Variable>
void DisplayName(const Variable* v, T_TextBuf* out) {
  if (v->title && *v->title) {
    LinkText_ToPlain(v->database ? v->database->linkContext : nullptr, out, v->title);
    if (out->length > 0) return;
  }
  TextBufAssign(out, v->name);
}

template <typename Variable>
void FormulaTitle(const Variable* v, const char* formula, T_TextBuf* out) {
  DisplayName(v, out);
  TextBufAppend(out, " = ");
  TextBufAppend(out, formula);
}

// The window's name table: a 32-bit count, then rows of 32 bytes. Each variable owns its own
// row and, for selections, the family's further rows; slots[i] lists the rows of variable i.
struct NameTable {
  std::vector<uint8_t> bytes;
  std::vector<std::vector<int32_t>> slots;

  int32_t AddRow(const char* name, const char* suffix, const char* prefix) {
    int32_t row = static_cast<int32_t>((bytes.size() - 4) / kExprNameRowSize);
    bytes.resize(bytes.size() + kExprNameRowSize, 0);
    char* at = reinterpret_cast<char*>(bytes.data() + bytes.size() - kExprNameRowSize);
    T_TextBuf text;
    TextBufAssign(&text, prefix);
    TextBufAppend(&text, name);
    TextBufAppend(&text, suffix);
    int32_t n = text.length < kExprNameRowSize - 1 ? text.length : kExprNameRowSize - 1;
    std::memcpy(at, text.data, static_cast<size_t>(n));
    int32_t count = row + 1;
    std::memcpy(bytes.data(), &count, sizeof count);
    return row;
  }
};

template <typename Variable>
NameTable BuildNameTable(const Variable* list, bool timeFamily) {
  NameTable table;
  table.bytes.assign(4, 0);
  for (const Variable* v = list; v; v = v->next) {
    table.slots.emplace_back();
    table.slots.back().push_back(table.AddRow(v->name ? v->name : "", "", ""));
  }
  int32_t i = 0;
  for (const Variable* v = list; v; v = v->next, ++i) {
    if (v->kind != kVariableSelection) continue;
    const char* name = v->name ? v->name : "";
    if (timeFamily) {
      table.slots[i].push_back(table.AddRow(name, "", "#"));
    } else {
      table.slots[i].push_back(table.AddRow(name, "!", ""));
      table.slots[i].push_back(table.AddRow(name, "#", ""));
    }
  }
  return table;
}

// named[i] for every variable whose rows the formula text reads.
void NamedBy(const NameTable& table, const char* formula, std::vector<uint8_t>* named) {
  named->assign(table.slots.size(), 0);
  if (!formula || !*formula) return;
  PendingErrorSaved saved;
  PendingErrorSave(&saved);
  T_TextBuf text;
  TextBufAssign(&text, formula);
  ExprProgram* program = nullptr;
  Expr_Init(&program);
  Expr_Compile(&program, &text, table.bytes.data());
  for (size_t i = 0; i < table.slots.size(); ++i) {
    for (int32_t row : table.slots[i]) {
      if (Criteria_UsesId(&program, row)) (*named)[i] = 1;
    }
  }
  MemFreeHeld(&program);
  PendingErrorClear();
  PendingErrorRestore(&saved);
}

template <typename Variable, typename Formula>
void Needs(const Variable* list, const Formula* formula, bool timeFamily, uint8_t* needed,
           uint8_t* named) {
  NameTable table = BuildNameTable(list, timeFamily);
  std::vector<const Variable*> byIndex;
  for (const Variable* v = list; v; v = v->next) byIndex.push_back(v);
  const size_t n = byIndex.size();
  for (size_t i = 0; i < n; ++i) needed[i] = named[i] = 0;
  std::vector<uint8_t> visited(n, 0);
  std::vector<size_t> pending;
  for (size_t i = 0; i < n; ++i) {
    if (byIndex[i] == formula) {
      needed[i] = 1;
      visited[i] = 1;
      pending.push_back(i);
    }
  }
  bool first = true;
  std::vector<uint8_t> reads;
  while (!pending.empty()) {
    size_t g = pending.back();
    pending.pop_back();
    NamedBy(table, static_cast<const Formula*>(byIndex[g])->formula, &reads);
    for (size_t i = 0; i < n; ++i) {
      if (!reads[i]) continue;
      if (first) named[i] = 1;
      needed[i] = 1;
      if (byIndex[i]->kind == kVariableFormula && !visited[i]) {
        visited[i] = 1;
        pending.push_back(i);
      }
    }
    first = false;
  }
}

template <typename Variable>
int32_t CountVariables(const Variable* list) {
  int32_t n = 0;
  for (const Variable* v = list; v; v = v->next) ++n;
  return n;
}

// The variable a link names: the text up to the first colon that ends a variable's short id (a
// name may hold colons, and so may a drill path after it). rest: after that colon, or after the
// first colon when no variable matches; null without a colon.
template <typename Template>
auto LinkVariable(const Template* t, const char* link, const char** rest)
    -> decltype(t->variables) {
  *rest = nullptr;
  if (!link) return nullptr;
  for (const char* colon = std::strchr(link, ':'); colon; colon = std::strchr(colon + 1, ':')) {
    if (!*rest) *rest = colon + 1;
    if (auto* v = t->FindVariableByShortId(link, static_cast<int32_t>(colon - link))) {
      *rest = colon + 1;
      return v;
    }
  }
  return nullptr;
}

void MarkSelection(T_Base* base, const SelectionDef* def, BitVector* components) {
  CardSelection compiled;
  Selection_init(&compiled, base, nullptr, nullptr);
  Selection_setFromDef(&compiled, def);
  CompSelMarkReferenced(&compiled.components, components);
  Selection_free(&compiled);
}

// The lines a selection admits; a to bound after cutTo (when given) is cut to it.
void MarkLines(T_Base* base, const SelectionDef* def, const CardId* cutTo, BitVector* lines) {
  CardSelection compiled;
  Selection_init(&compiled, base, nullptr, nullptr);
  Selection_setFromDef(&compiled, def);
  if (cutTo && cutTo->date != 0 && CardIdGreater(&compiled.to.cardId, cutTo))
    DateRefSetDate(&compiled.to, cutTo);
  BitVector selected;
  BitVecInit(&selected, 0, 0);
  if (Selection_validate(&compiled, nullptr) && Selection_collectLines(&compiled, &selected))
    BitVecOr(lines, &selected);
  BitVecFree(&selected);
  Selection_free(&compiled);
}

// "sort": a short id, ":" and a letter; "-" as the short id sets the second order.
template <typename Template>
void ReadSortParameter(Template* t, const char* value, const char* secondLetters,
                       int32_t* secondOrder) {
  const char* letter = nullptr;
  auto* v = LinkVariable(t, value, &letter);
  if (!letter) return;
  const int32_t idLength = static_cast<int32_t>(letter - 1 - value);
  if (idLength == 1 && value[0] == '-') {
    t->SetSortName(nullptr);
    IndexOfLetter(secondLetters, *letter, secondOrder);
    return;
  }
  if (!v) return;
  t->SetSortName(v->name);
  IndexOfLetter(kValueOrderLetters, *letter, &t->valueOrder);
}


// A new template of the class for a drill-down: the database's default window settings and the
// source's subsets. Null (pending error 600) without memory.
template <typename Derived, typename Source>
Derived* NewDerived(const Source* source) {
  auto* t = new (std::nothrow) Derived(source->database);
  if (!t) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  t->ApplyDefaults();
  CopyStoredSubsets(&t->subsets, &source->subsets);
  return t;
}

// The lines behind a selection variable: its selection, value column and measure.
template <typename Source, typename Selection>
T_LinesTmpl* NewDerivedLines(const Source* source, const Selection* s) {
  T_LinesTmpl* lines = NewDerived<T_LinesTmpl>(source);
  if (!lines) return nullptr;
  SelectionDef_copy(&lines->selection, &s->selection);
  SetLinesValueColumn(lines, s->valueColumn);
  SetLinesStatisticsForMeasure(lines, s->method);
  return lines;
}

// Copies the variables a formula needs into a derived template, in list order: visible are the
// formula and what its own text names, only the formula keeps its title and becomes the focus;
// adjust(copy) then applies the drill-down's own rules. False without memory.
template <typename Target, typename Variable, typename Adjust>
bool CopyNeeded(Target* t, Variable* list, const Variable* formula,
                const std::vector<uint8_t>& needed, const std::vector<uint8_t>& named,
                Adjust adjust) {
  int32_t i = 0;
  for (Variable* v = list; v; v = v->next, ++i) {
    if (!needed[static_cast<size_t>(i)]) continue;
    auto* copy = t->AddVariableFromWindow(v);
    if (!copy) return false;
    copy->shown = v == formula || named[static_cast<size_t>(i)];
    if (v != formula) BlockTextFree(&copy->title);
    if (v == formula) t->focus = static_cast<decltype(t->focus)>(copy);
    adjust(copy);
  }
  return true;
}

template <typename Template, typename Formula>
void NeedsOf(const Template* t, const Formula* formula, std::vector<uint8_t>* needed,
             std::vector<uint8_t>* named) {
  const size_t n = static_cast<size_t>(CountVariables(t->variables)) + 1;
  needed->assign(n, 0);
  named->assign(n, 0);
  FormulaNeeds(t, formula, needed->data(), named->data());
}
}  // namespace

bool DrillDownAllowed() { return WebRequestActive() && BoxServices().webUserDrills(); }

void FormulaNeeds(const T_TFuncTmpl* templ, const T_TFormulaTmpl* formula, uint8_t* needed,
                  uint8_t* named) {
  Needs(templ->variables, formula, true, needed, named);
}

void FormulaNeeds(const T_CFuncTmpl* templ, const T_CFormulaTmpl* formula, uint8_t* needed,
                  uint8_t* named) {
  Needs(templ->variables, formula, false, needed, named);
}

// --- Time functions ------------------------------------------------------------------------------

void T_TFuncTmpl::MarkUsedComponents(BitVector* components) {
  T_BoxTmpl::MarkUsedComponents(components);
  for (T_TSelectionTmpl* s = selections; s; s = s->nextSelection)
    MarkSelection(database, &s->selection, components);
}

void T_TFuncTmpl::MarkSelectedLines(BitVector* lines) {
  DateRefResolve(&to);
  for (T_TSelectionTmpl* s = selections; s; s = s->nextSelection)
    MarkLines(database, &s->selection, &to.cardId, lines);
}

void T_TFuncTmpl::SetParameter(const char* name, const char* value) {
  if (!name) return;
  if (StrEqualNoCase(name, "sort")) {
    if (value) ReadSortParameter(this, value, kSortModeLetters, &sortMode);
    return;
  }
  const bool axisFrom = StrEqualNoCase(name, "axisfrom");
  if (axisFrom || StrEqualNoCase(name, "axisto")) {
    if (!value || !*value) return;
    DateRef bound;
    DateRefInit(&bound, database, axisFrom ? kDirectionFrom : kDirectionTo);
    DateRefParse(&bound, value, static_cast<int32_t>(std::strlen(value)));
    DateRef* current = axisFrom ? &from : &to;
    DateRefResolve(current);
    // The axis can only narrow: a later from bound, an earlier to bound.
    bool narrower = bound.cardId.date != 0 &&
                    (current->cardId.date == 0 ||
                     (axisFrom ? CardIdGreater(&bound.cardId, &current->cardId)
                               : CardIdLess(&bound.cardId, &current->cardId)));
    if (narrower) DateRefCopy(current, &bound);
    DateRefFree(&bound);
    return;
  }
  if (value) {
    for (T_TSelectionTmpl* s = selections; s; s = s->nextSelection)
      Selection_readAttributes(&s->selection, name, value);
  }
  T_BoxTmpl::SetParameter(name, value);
}

T_Template* T_TFuncTmpl::DerivedTemplate(const char* parameter) {
  if (!DrillDownAllowed()) return this;
  const char* period = nullptr;
  T_TVariableTmpl* v = LinkVariable(this, parameter, &period);
  CardId first, last;
  if (!v || !DecodePeriod(period, &first, &last)) return this;
  if (v->kind == kVariableFormula)
    return DeriveFromFormula(static_cast<T_TFormulaTmpl*>(v), first, last);
  auto* s = static_cast<T_TSelectionTmpl*>(v);
  T_LinesTmpl* lines = NewDerivedLines(this, s);
  if (!lines) return this;
  DateRefSetDate(&lines->selection.from, &first);
  DateRefSetDate(&lines->selection.to, &last);
  T_TextBuf label;
  DisplayName(s, &label);
  lines->SetName(label.data);
  return lines;
}

T_Template* T_TFuncTmpl::DeriveFromFormula(T_TFormulaTmpl* formula, const CardId& first,
                                           const CardId& last) {
  std::vector<uint8_t> needed, named;
  NeedsOf(this, formula, &needed, &named);
  T_TFuncTmpl* t = NewDerived<T_TFuncTmpl>(this);
  if (!t) return this;
  T_TextBuf title;
  FormulaTitle(formula, formula->formula, &title);
  t->SetName(title.data);
  DateRefSetDate(&t->from, &first);
  DateRefSetDate(&t->to, &last);
  DateRefResolve(&from);
  DateRefResolve(&to);
  const bool wholePeriod =
      !CardIdGreater(&first, &from.cardId) && !CardIdLess(&last, &to.cardId);
  if (wholePeriod && periodType != kPeriodActiveGroups && periodType != kPeriodActiveLines) {
    t->periodType = kPeriodActiveCards;
  } else {
    t->periodType = periodType;
    if (periodType == kPeriodTimeScale) t->SetTimeScaleName(timeScaleName);
  }
  t->beforeShown = 0;
  bool copied = CopyNeeded(t, variables, static_cast<T_TVariableTmpl*>(formula), needed, named,
                           [&first](T_TVariableTmpl* copy) {
    if (copy->kind == kVariableFormula) {
      static_cast<T_TFormulaTmpl*>(copy)->graphStyle = 1;
      return;
    }
    // A selection by period starts at the clicked date (its own shift applied) and runs on.
    auto* s = static_cast<T_TSelectionTmpl*>(copy);
    if (s->accumulation != 0) return;
    CardId start = first;
    if (s->shift.kind != 0) ApplyTimeShift(&s->shift, &start, kDirectionFrom);
    DateRefSetDate(&s->selection.from, &start);
    s->accumulation = 1;
    s->totals = 0;
  });
  if (!copied) {
    delete t;
    return this;
  }
  return t;
}

// --- Component functions -------------------------------------------------------------------------

void T_CFuncTmpl::MarkUsedComponents(BitVector* components) {
  T_StruxTmpl::MarkUsedComponents(components);
  for (T_CSelectionTmpl* s = selections; s; s = s->nextSelection)
    MarkSelection(database, &s->selection, components);
}

void T_CFuncTmpl::MarkSelectedLines(BitVector* lines) {
  for (T_CSelectionTmpl* s = selections; s; s = s->nextSelection)
    MarkLines(database, &s->selection, nullptr, lines);
}

void T_CFuncTmpl::SetParameter(const char* name, const char* value) {
  if (!name) return;
  if (StrEqualNoCase(name, "sort")) {
    if (value) ReadSortParameter(this, value, kTreeOrderLetters, &treeOrder);
    return;
  }
  if (value) {
    for (T_CSelectionTmpl* s = selections; s; s = s->nextSelection)
      Selection_readAttributes(&s->selection, name, value);
  }
  T_StruxTmpl::SetParameter(name, value);
}

T_Template* T_CFuncTmpl::DerivedTemplate(const char* parameter) {
  if (!DrillDownAllowed()) return this;
  const char* rest = nullptr;
  T_CVariableTmpl* v = LinkVariable(this, parameter, &rest);
  if (!v) return this;
  // The drill path resolver reads the path with its leading ":".
  const char* path = rest - 1;
  if (v->kind == kVariableFormula) return DeriveFromFormula(static_cast<T_CFormulaTmpl*>(v), path);
  auto* s = static_cast<T_CSelectionTmpl*>(v);
  T_LinesTmpl* lines = NewDerivedLines(this, s);
  if (!lines) return this;
  T_TextBuf component, label;
  ResolveDrillPath(database, &viewDims, path, &lines->selection, &component);
  DisplayName(s, &label);
  if (!focus && component.length > 0) {
    TextBufAppendChar(&component, ' ');
    TextBufInsertBuf(&label, 0, &component);
  }
  lines->SetName(label.data);
  return lines;
}

namespace {

// The copies of a component formula's needs, in a derived template of either family.
template <typename Target>
T_Template* DeriveComponentFormula(T_CFuncTmpl* source, Target* t, T_CFormulaTmpl* formula,
                                   const char* path, const T_TextBuf& title) {
  if (!t) return source;
  std::vector<uint8_t> needed, named;
  NeedsOf(source, formula, &needed, &named);
  t->SetName(title.data);
  bool copied = CopyNeeded(t, source->variables, static_cast<T_CVariableTmpl*>(formula), needed,
                           named, [source, path](auto* copy) {
    if (copy->kind != kVariableSelection) return;
    T_TextBuf ignored;
    ResolveDrillPath(source->database, &source->viewDims, path,
                     &static_cast<decltype(Target::selections)>(copy)->selection, &ignored);
  });
  if (!copied) {
    delete t;
    return source;
  }
  return t;
}

}  // namespace

T_Template* T_CFuncTmpl::DeriveFromFormula(T_CFormulaTmpl* formula, const char* path) {
  T_TextBuf title;
  FormulaTitle(formula, formula->formula, &title);
  // The focus formula is drilled over time; any other into the same structure.
  if (formula == focus)
    return DeriveComponentFormula(this, NewDerived<T_TFuncTmpl>(this), formula, path, title);
  T_CFuncTmpl* t = NewDerived<T_CFuncTmpl>(this);
  if (t) t->viewDims = viewDims;
  return DeriveComponentFormula(this, t, formula, path, title);
}
