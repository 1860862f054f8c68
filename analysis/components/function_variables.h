#pragma once
// The life of the variables both function windows keep (the time functions' TFuncData in
// analysis/time/time_variables.h, the component functions' CFuncData in cfunc_variables.h): a
// variable stands on the list of all variables (display order) and on the list of its kind;
// names are unique without regard to letter case; and the clipboard text form is a variable's
// template record under a section header:
//
//   line                                   meaning
//   "## Selection" TAB name TAB title      a selection variable starts
//   "## Formula" TAB name TAB title        a formula variable starts
//   key TAB fields                         the record's keys ("V.." or "F..", never "#"),
//                                          up to the next line that starts with "#" or the end
//
// The operations below are written once over a family: a struct each window's variables file
// declares, naming its types and answering what differs between the windows:
//
//   using Data, Variable, Selection, Formula;
//   static void UniqueName(const Data*, T_TextBuf* name, const char* prefix, const Variable*);
//   static bool Rename(Data*, Variable*, const char* typed);
//   static Selection* NewSelection(Data*, const char* proposed);
//   static Formula* NewFormula(Data*, const char* proposed);
//   static bool SetUpNames(Data*);               // the formula name table
//   static void Compile(Data*, Formula*);
//   static bool Uses(const Formula*, const Variable*);
//   static void ForgetCalculation(Data*);        // the evaluation lists of the last run
//   static void ClearForPaste(Data*, Variable*); // the kind's own fields to their defaults, before
//                                                // a pasted section is read into the variable
//
// Data holds the lists (variables, selections, formulas, selectionCount, formulaCount), the name
// table (names, valueSlots, nameCapacity, nameCount, namesBuilt) and the window alerts go to;
// variables link by next, selections by nextSelection, formulas by nextFormula.
//
// User-interface thread only.
#include <cstdint>
#include <cstring>
#include <limits>

#include "analysis/components/function_window_utils.h"
#include "analysis/components/variable_templates.h"
#include "core/alert.h"
#include "core/cstring.h"
#include "core/formula.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"

constexpr const char kSelectionSectionHeader[] = "## Selection";
constexpr const char kFormulaSectionHeader[] = "## Formula";
constexpr int32_t kMsgFuncVariableInUse = 5303;  // "Variable "@0" is in use and cannot be erased."

// --- Pieces without a family ------------------------------------------------------------------

// The text with its link markup laid out as plain text.
void StripLinkMarkup(T_TextBuf* text);
// The section header, name and title, then the lines a template record wrote after its own
// name line.
void WriteVariableSection(T_OStream* stream, const char* header, const char* name,
                          const char* title, const T_OStream& recordLines);
// The variable's text form: it fills the record (of its own family and kind), which writes every
// key.
template <typename Variable, typename Record>
void WriteVariableThroughRecord(const Variable* variable, Record* record, const char* header,
                                T_OStream* stream) {
  variable->WriteToTemplate(record);
  T_OStream lines;
  record->WriteText(&lines);
  WriteVariableSection(stream, header, variable->name, variable->title, lines);
}
// The key of the stream's next line (at most 15 bytes, n 0 for an empty line); false at the end
// or at a line that starts with "#", which is left unread.
bool NextVariableKey(T_IStream* stream, char key[16], int32_t* n);
// The keys that start with the letter, up to the next section, read into a template record.
template <typename Record>
void ReadVariableKeys(T_IStream* stream, char letter, Record* record) {
  char key[16];
  int32_t n = 0;
  while (NextVariableKey(stream, key, &n)) {
    if (n >= 2 && key[0] == letter) record->ReadKey(key, n, stream);
  }
}
// Whether the text holds a section header (Paste is enabled only then).
bool TextHasVariableSections(const char* text, int32_t length);
// Compiles the text against the name table and stores the compiled text. The compiler's message
// when it refused the text (0 when it did not); no pending error is left either way, as a
// compile must not raise the abort flag.
int32_t CompileVariableFormula(ExprProgram** program, char** text, const uint8_t* names);

// Appends to a singly linked list through its link member; removes from one, clearing the
// item's link.
template <typename List, typename Item>
void AppendToList(List** head, Item* item, Item* List::*link) {
  List** at = head;
  while (*at) at = &((*at)->*link);
  *at = item;
}

template <typename List, typename Item>
void RemoveFromList(List** head, Item* item, Item* List::*link) {
  for (List** at = head; *at; at = &((*at)->*link)) {
    if (*at == item) {
      *at = item->*link;
      item->*link = nullptr;
      return;
    }
  }
}

// --- The formula name table ---------------------------------------------------------------------
// A MemAlloc block in the layout Expr_Compile reads (a 32-bit count, then rows of
// kExprNameRowSize bytes) and a double per row, the row number being the value slot; which rows
// there are is each window's own.

// Room for the rows, grown to rows + 32 when short, and the used rows cleared; false (pending
// 600) without memory, the old table kept.
template <typename Data>
bool ReserveFormulaNames(Data* data, int32_t rows) {
  if (rows > data->nameCapacity) {
    const int32_t capacity = rows + 32;
    auto* names = FuncAllocFails()
                      ? nullptr
                      : static_cast<uint8_t*>(MemNew(4 + int64_t{capacity} * kExprNameRowSize));
    auto* values = names ? static_cast<double*>(MemNew(int64_t{capacity} * 8)) : nullptr;
    if (!names || !values) {
      MemFree(names);
      PendingErrorOutOfMemory();
      return false;
    }
    MemFree(data->names);
    MemFree(data->valueSlots);
    data->names = names;
    data->valueSlots = values;
    data->nameCapacity = capacity;
  }
  std::memset(data->names, 0, 4 + size_t{static_cast<uint32_t>(rows)} * kExprNameRowSize);
  return true;
}

// The rows' count written, every slot missing, every formula to be compiled again.
template <typename Data>
void FinishFormulaNames(Data* data, int32_t rows) {
  std::memcpy(data->names, &rows, 4);
  for (int32_t i = 0; i < rows; ++i) data->valueSlots[i] = std::numeric_limits<double>::quiet_NaN();
  data->nameCount = rows;
  for (auto* f = data->formulas; f; f = f->nextFormula) f->compiled = 0;
  data->namesBuilt = 1;
}

// --- Family operations --------------------------------------------------------------------------

template <typename Family>
typename Family::Variable* FindFuncVariable(const typename Family::Data* data, const char* name) {
  for (typename Family::Variable* v = data->variables; v; v = v->next) {
    if (StrCompareNoCaseNullAsEmpty(v->name, name) == 0) return v;
  }
  return nullptr;
}

// The kinds' indexes and counts; a family whose variables link back gets those links too.
template <typename Family>
void RenumberFuncVariables(typename Family::Data* data) {
  int32_t i = 0;
  for (typename Family::Selection* s = data->selections; s; s = s->nextSelection) s->index = i++;
  data->selectionCount = i;
  i = 0;
  for (typename Family::Formula* f = data->formulas; f; f = f->nextFormula) f->index = i++;
  data->formulaCount = i;
  if constexpr (requires(typename Family::Variable* v) { v->previous; }) {
    typename Family::Variable* previous = nullptr;
    for (typename Family::Variable* v = data->variables; v; v = v->next) {
      v->previous = previous;
      previous = v;
    }
  }
}

// The proposed text made a unique name (the prefix when it gives none) and given to the variable.
template <typename Family>
void NameFuncVariable(typename Family::Data* data, typename Family::Variable* variable,
                      const char* proposed, const char* prefix) {
  T_TextBuf name(proposed ? proposed : "");
  Family::UniqueName(data, &name, prefix, variable);
  BlockTextAssignBuf(&variable->name, &name);
}

// A new variable takes the display settings of the first selection, is named, and joins the end
// of both lists.
template <typename Family, typename Kind>
void AddFuncVariable(typename Family::Data* data, Kind* variable, Kind** kindList,
                     Kind* Kind::*kindLink, const char* proposed, const char* prefix) {
  using Variable = typename Family::Variable;
  const typename Family::Selection* first = data->selections;
  if (first && static_cast<const Variable*>(first) != static_cast<const Variable*>(variable)) {
    if constexpr (requires(Variable* v) { v->sublevels; }) variable->sublevels = first->sublevels;
    variable->decimals = first->decimals;
    variable->signStyle = first->signStyle;
    variable->colouring = first->colouring;
  }
  NameFuncVariable<Family>(data, variable, proposed, prefix);
  AppendToList(kindList, variable, kindLink);
  AppendToList(&data->variables, static_cast<Variable*>(variable), &Variable::next);
  RenumberFuncVariables<Family>(data);
  data->namesBuilt = 0;
}

// Unlinks and deletes (no guard).
template <typename Family>
void DeleteFuncVariable(typename Family::Data* data, typename Family::Variable* variable) {
  using Variable = typename Family::Variable;
  using Selection = typename Family::Selection;
  using Formula = typename Family::Formula;
  RemoveFromList(&data->variables, variable, &Variable::next);
  if (variable->kind == kVariableSelection)
    RemoveFromList(&data->selections, static_cast<Selection*>(variable), &Selection::nextSelection);
  else
    RemoveFromList(&data->formulas, static_cast<Formula*>(variable), &Formula::nextFormula);
  RenumberFuncVariables<Family>(data);
  data->namesBuilt = 0;
  Family::ForgetCalculation(data);
  variable->Delete();
}

// The only selection becomes a fresh "A" without title instead of going.
template <typename Family>
void ResetFirstSelection(typename Family::Data* data, typename Family::Selection* selection) {
  selection->ResetDefaults();
  BlockTextFree(&selection->title);
  BlockTextFree(&selection->name);
  NameFuncVariable<Family>(data, selection, nullptr, "A");
  data->namesBuilt = 0;
}

// Erase with the guard: alert 5303 and false when another formula uses the variable. True when
// something changed; *resultsStale is set when the variable was shown.
template <typename Family>
bool EraseFuncVariable(typename Family::Data* data, typename Family::Variable* variable,
                       bool* resultsStale) {
  Family::SetUpNames(data);
  for (typename Family::Formula* f = data->formulas; f; f = f->nextFormula) {
    if (f == variable) continue;
    Family::Compile(data, f);
    if (Family::Uses(f, variable)) {
      AlertRequest request;
      AlertInit(&request);
      request.message = kMsgFuncVariableInUse;
      request.owner = data->window;
      AlertAddBlockText(&request, variable->name);
      AlertAddButton(&request, kButtonOk);
      ShowAlert(&request);
      return false;
    }
  }
  if (resultsStale) *resultsStale = variable->shown != 0;
  if (variable->kind == kVariableSelection && data->selectionCount == 1) {
    ResetFirstSelection<Family>(data, static_cast<typename Family::Selection*>(variable));
    return true;
  }
  DeleteFuncVariable<Family>(data, variable);
  return true;
}

// Every formula and every selection but the first go; the first is reset under "A" on the first
// value column. Returns it.
template <typename Family>
typename Family::Selection* EraseAllFuncVariables(typename Family::Data* data) {
  while (data->formulas) DeleteFuncVariable<Family>(data, data->formulas);
  while (data->selections && data->selections->nextSelection)
    DeleteFuncVariable<Family>(data, data->selections->nextSelection);
  typename Family::Selection* first = data->selections;
  if (!first) return Family::NewSelection(data, nullptr);
  first->valueColumn = 0;
  ResetFirstSelection<Family>(data, first);
  return first;
}

// Reads the sections of the text. The first section of the kind of `current` goes into it under
// the pasted name (made unique); the others become new variables (creation failure ends the
// paste, pending 600). The last variable read, or null.
template <typename Family>
typename Family::Variable* PasteFuncVariables(typename Family::Data* data, const char* text,
                                              int32_t length, typename Family::Variable* current) {
  using Variable = typename Family::Variable;
  T_IStream stream;
  stream.CtorFromMemory(text, length);
  Variable* last = nullptr;
  // A variable's keys end at the next section's header, which is left as the current line.
  bool atHeader = false;
  while (atHeader || stream.NextLine()) {
    atHeader = false;
    if (!stream.NextField()) continue;
    int32_t kind;
    if (stream.FieldEquals(kSelectionSectionHeader)) kind = kVariableSelection;
    else if (stream.FieldEquals(kFormulaSectionHeader)) kind = kVariableFormula;
    else continue;
    T_TextBuf name, title;
    stream.ReadFieldBuf(&name);
    stream.ReadFieldRawBuf(&title);
    Variable* variable = nullptr;
    if (current && current->kind == kind) {
      variable = current;
      Family::UniqueName(data, &name, kind == kVariableSelection ? "A" : "F1", variable);
      if (StrCompareNullAsEmpty(variable->name, name.data) != 0)
        Family::Rename(data, variable, name.data);
      current = nullptr;  // a second pasted variable of the kind is new
    } else if (kind == kVariableSelection) {
      variable = Family::NewSelection(data, name.data);
    } else {
      variable = Family::NewFormula(data, name.data);
    }
    if (!variable) break;
    Family::ClearForPaste(data, variable);
    BlockTextAssignBuf(&variable->title, &title);
    variable->ReadText(&stream);
    last = variable;
    // Keys never start with "#", so only a header left by ReadText reads as one here.
    stream.RewindLine();
    atHeader = stream.NextField() && stream.FieldLength() > 0 && stream.Field()[0] == '#';
    stream.RewindLine();
  }
  data->namesBuilt = 0;
  return last;
}

// The variable's text form pasted as a new variable.
template <typename Family>
typename Family::Variable* DuplicateFuncVariable(typename Family::Data* data,
                                                 typename Family::Variable* variable) {
  T_OStream stream;
  variable->WriteText(&stream);
  return PasteFuncVariables<Family>(data, reinterpret_cast<const char*>(stream.start),
                                    static_cast<int32_t>(stream.pos - stream.start), nullptr);
}
