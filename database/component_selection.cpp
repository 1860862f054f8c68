#include "database/component_selection.h"

#include "core/alert.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "core/utf8.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/selection_program.h"
#include "ui/window.h"

namespace {

// The edit path keeps texts to this many bytes.
constexpr int32_t kEditedTextLimit = 1023;

bool ValidDimension(int32_t d) { return d >= 0 && d < kDimensionCount; }

// Where the component finder opens when a typed code is unknown.
T_Window* FinderParent(const ComponentSelection* selection) {
  T_GrafElement* owner = selection->owner;
  if (!owner) return nullptr;
  if (auto* window = dynamic_cast<T_Window*>(owner)) return window;
  return owner->window;
}

void SelectWholeDimension(ComponentSelection* selection, int32_t d) {
  T_Base* base = selection->database;
  ComponentRecord* root = ComponentAt(base, d);
  ComponentRecord* node = root;
  do {
    if (node->number < selection->components.count)
      BitVecSet(&selection->components, node->number, true);
    node = CompTreeNext(node);
  } while (node != root);
}

// The dimension at each position of the database's dimension order (the natural order when it
// is empty); negative for an empty position.
int32_t DimensionAtPosition(const T_Base* base, int32_t position) {
  if (base->dimensionOrderCount <= 0) return position;
  return position < base->dimensionOrderCount ? base->dimensionOrder[position] : -1;
}

int32_t PositionCount(const T_Base* base) {
  int32_t count = base->dimensionOrderCount;
  return count <= 0 || count > kDimensionCount ? kDimensionCount : count;
}

}  // namespace

void CompSelInit(ComponentSelection* selection, T_Base* database, T_GrafElement* owner) {
  selection->database = database;
  for (SelectionProgram*& program : selection->programs) program = nullptr;
  selection->owner = owner;
  selection->components = BitVector{};
  int64_t count = database ? database->componentPool.count : 0;
  BitVecInit(&selection->components, count, 0);
  BitVecFill(&selection->components, true);
}

void CompSelFree(ComponentSelection* selection) {
  for (SelectionProgram*& program : selection->programs) {
    FreeSelectionProgram(program);
    program = nullptr;
  }
  BitVecFree(&selection->components);
}

bool CompSelCompileDimension(ComponentSelection* selection, int32_t d, const char* text) {
  if (!ValidDimension(d) || !selection->database) return false;
  SelectionProgram* program = nullptr;
  CompileResult result =
      CompileSelection(selection->database, d, text, FinderParent(selection), &program);
  if (result == CompileResult::kFailed) return false;
  FreeSelectionProgram(selection->programs[d]);
  selection->programs[d] = program;
  CompSelRecalculate(selection, d);
  return true;
}

void CompSelSetDimensionText(ComponentSelection* selection, T_TextBuf* text, int32_t d) {
  if (text->length > kEditedTextLimit)
    TextBufTruncate(text, Utf8BoundaryAtOrBefore(text->data, kEditedTextLimit));
  if (d >= 0) CompSelCompileDimension(selection, d, text->data);
  CompSelPrintDimension(selection, text, d, ' ');
}

void CompSelClearAll(ComponentSelection* selection) {
  for (int32_t d = 0; d < kDimensionCount; ++d) CompSelCompileDimension(selection, d, nullptr);
}

void CompSelCompileAll(ComponentSelection* selection, char* const* texts) {
  for (int32_t d = 0; d < kDimensionCount; ++d)
    CompSelCompileDimension(selection, d, texts ? texts[d] : nullptr);
}

void CompSelPrintDimension(const ComponentSelection* selection, T_TextBuf* text, int32_t d,
                           char separator) {
  TextBufAssign(text, "");
  if (!ValidDimension(d) || !selection->database) return;
  PrintSelection(selection->database, d, selection->programs[d], text, separator);
}

void CompSelWriteKeys(const ComponentSelection* selection, T_OStream* stream, const char* prefix) {
  T_Base* base = selection->database;
  if (!base) return;
  T_TextBuf text;
  for (int32_t position = 0; position < PositionCount(base); ++position) {
    int32_t d = DimensionAtPosition(base, position);
    if (!ValidDimension(d)) continue;
    CompSelPrintDimension(selection, &text, d, 0);
    if (text.empty()) continue;
    stream->PutText(prefix);
    stream->PutInt(d + 1);
    stream->PutChar('\t');
    stream->PutTextBuf(&text);
    stream->PutNewline();
  }
}

bool CompSelHasExpression(const ComponentSelection* selection, int32_t d) {
  return ValidDimension(d) && selection->programs[d] != nullptr;
}

void CompSelMarkReferenced(const ComponentSelection* selection, BitVector* set) {
  for (const SelectionProgram* program : selection->programs) {
    if (!program) continue;
    const SelectionRecord* records = ProgramRecords(program);
    for (uint32_t i = 0; i < program->recordCount; ++i) {
      int64_t component = records[i].argument;
      if (NamesComponent(records[i].opcode) && component >= 0 && component < set->count)
        BitVecSet(set, component, true);
    }
  }
}

void CompSelOnChange(ComponentSelection* selection, int32_t code, int32_t d,
                     const BitVector* removed) {
  if (!ValidDimension(d) || !selection->database) return;
  if (code == kChangeComponentsRebuilt) {
    CompSelRecalculate(selection, d);
  } else if (code == kChangeComponentsDeleted) {
    if (SelectionProgram* program = selection->programs[d]) {
      BitVector none;
      RemapSelection(selection->database, d, program, removed ? removed : &none);
    }
    CompSelRecalculate(selection, d);
  }
}

void CompSelRecalculate(ComponentSelection* selection, int32_t d) {
  T_Base* base = selection->database;
  if (!ValidDimension(d) || !base) return;
  int64_t count = base->componentPool.count;
  if (selection->components.count != count &&
      !BitVecResizeFill(&selection->components, count, true))
    return;
  SelectionProgram* program = selection->programs[d];
  if (program) {
    RefreshAncestry(base, d, program);
    if (!AbortRequested() && EvaluateSelection(base, d, program, &selection->components)) return;
  }
  SelectWholeDimension(selection, d);
}
