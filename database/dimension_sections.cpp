#include "database/dimension_sections.h"

#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/base_options.h"
#include "database/change_notes.h"
#include "database/component_text.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/dimension_options.h"
#include "database/file_progress.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "database/save_filter.h"
#include "database/save_options.h"
#include "database/stored_object_holders.h"
#include "database/subsets.h"
#include "database/template_sections.h"

namespace {

constexpr int32_t kMsgTooLongRows = 3817;  // Too long rows in this file
constexpr int64_t kStepsPerComponent = 64;
// Progress steps go out in batches; one call per component would cost more than the line.
constexpr int64_t kStepBatch = 1024;

// The dimension written at a position of the database's order; -1 for an empty position.
int32_t DimensionAtPosition(const T_Base* base, int32_t position) {
  if (base->dimensionOrderCount == 0) return position;
  int32_t d = base->dimensionOrder[position];
  return d >= 0 && d < kDimensionCount ? d : -1;
}

int32_t PositionCount(const T_Base* base) {
  int32_t count = base->dimensionOrderCount;
  if (count == 0 || count > kDimensionCount) return kDimensionCount;
  return count;
}

// Writes the component lines that pass, "--" before a first code that would read as an option.
template <typename Passes>
void WriteComponentLines(T_Base* base, T_OStream* stream, int32_t d, Passes passes) {
  T_FileWait* progress = FileProgressCurrent();
  int64_t pending = 0;
  bool first = true;
  ComponentRecord* root = ComponentAt(base, d);
  for (ComponentRecord* c = CompTreeNext(root); c != root && !AbortRequested();
       c = CompTreeNext(c)) {
    if (!passes(c)) continue;
    if (first && c->code && c->code[0] == '-') stream->PutLine("--");
    first = false;
    PutComponentLine(stream, c);
    if (++pending == kStepBatch) {
      FileProgressAddSteps(progress, pending * kStepsPerComponent);
      pending = 0;
    }
  }
  FileProgressAddSteps(progress, pending * kStepsPerComponent);
}

// Reads the number field of the current header line, wherever the dispatcher left the cursor.
int32_t HeaderNumber(T_IStream* stream) {
  stream->RewindLine();
  stream->NextField();
  return stream->ReadFieldInt();
}

int32_t FieldOf(T_IStream* stream, T_TextBuf* text) {
  stream->ReadFieldBuf(text);
  return text->length;
}

// A code or text longer than a text buffer holds is cut there; the file does not read back as
// it was written, so the reader hears of it once per section.
bool FieldWasCut(const T_IStream* stream, const T_TextBuf* text) {
  return stream->FieldLength() > text->length;
}

// The components that the templates and subsets the save writes name, which modes "active" and
// "in use" keep beside those of the cards; the set stays empty when no dimension asks for them.
void MarkComponentsOfSavedObjects(T_Base* base, BitVector* used) {
  const SaveOptions& options = base->saveOptions;
  bool asked = false;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    int32_t mode = options.dimensionModes[d];
    if (mode == kDimSaveActive || mode == kDimSaveInUse) asked = true;
  }
  bool templates = options.sections[kSectionTemplates] != 0;
  bool subsets = options.sections[kSectionSubsets] != 0 && base->subsets != nullptr;
  if (!asked || (!templates && !subsets)) return;
  if (!BitVecResizeFill(used, base->componentPool.count, false)) return;
  if (templates) {
    TemplateFilter filter(&options);
    MarkTemplateComponents(base, &filter, used);
  }
  if (subsets) {
    Subset* subset = base->subsets->first;
    for (int32_t i = 0; subset != nullptr && i < base->subsets->count; ++i, subset = subset->next)
      SubsetMarkReferenced(subset, used);
  }
}

}  // namespace

void WriteDimensionSections(T_Base* base, T_OStream* stream) {
  const SaveOptions& options = base->saveOptions;
  BitVector used;
  MarkComponentsOfSavedObjects(base, &used);
  for (int32_t p = 0, n = PositionCount(base); p < n && !AbortRequested(); ++p) {
    int32_t d = DimensionAtPosition(base, p);
    if (d < 0 || options.dimensionModes[d] == kDimSaveNone || !base->IsDimUsed(d)) continue;
    WriteDimensionSection(base, stream, d, p + 1, &used);
  }
  BitVecFree(&used);
}

void WriteDimensionSection(T_Base* base, T_OStream* stream, int32_t d, int32_t fileNumber,
                           const BitVector* used) {
  FileProgressSetStatus(FileProgressCurrent(), kFieldPluralFirst + d);
  stream->PutText("##Dimension");
  stream->PutSeparator();
  stream->PutInt(fileNumber);
  stream->PutNewline();
  WriteDimensionOptions(base->dimensions[d], stream);
  int32_t mode = base->saveOptions.dimensionModes[d];
  if (mode == kDimSaveActive || mode == kDimSaveInUse)
    WriteUsedComponents(base, stream, d, mode, used);
  else
    WriteAllComponents(base, stream, d);
  stream->PutNewline();
  if (const DimImportSetup* setup = base->dimImports[d]) WriteDimImport(setup, stream, fileNumber);
}

void WriteAllComponents(T_Base* base, T_OStream* stream, int32_t d) {
  WriteComponentLines(base, stream, d, [](const ComponentRecord*) { return true; });
}

void WriteUsedComponents(T_Base* base, T_OStream* stream, int32_t d, int32_t mode,
                         const BitVector* used) {
  BitVector marked;
  MarkComponentsOfWrittenCards(base, &marked, d);
  if (marked.count < base->componentPool.count) {  // no memory for the set: nothing is left out
    BitVecFree(&marked);
    WriteAllComponents(base, stream, d);
    return;
  }
  if (used) {
    for (int64_t i = BitVecNextSet(used, -1); i >= 0 && i < marked.count;
         i = BitVecNextSet(used, i))
      BitVecSet(&marked, i, true);
  }
  if (mode == kDimSaveActive) CompCloseUpward(base, &marked);
  WriteComponentLines(base, stream, d, [&marked](const ComponentRecord* c) {
    return CompBitSet(&marked, c->number);
  });
  BitVecFree(&marked);
}

void ReadDimensionSection(T_Base* base, T_IStream* stream) {
  int32_t d = HeaderNumber(stream) - 1;
  if (!stream->NextLine() || d < 0 || d >= kDimensionCount) return;
  DimensionRecord* dimension = base->dimensions[d];
  for (;;) {
    stream->NextField();
    if (stream->FieldLength() == 0 || stream->Field()[0] != '-') {
      stream->RewindLine();
      break;
    }
    bool last = stream->FieldLength() >= 2 && stream->Field()[1] == '-';
    if (!last) ReadDimensionOption(dimension, stream);
    if (!stream->NextLine() || AbortRequested()) return;
    if (last) break;
  }

  FileProgressSetStatus(FileProgressCurrent(), kFieldPluralFirst + d);
  LogOperation(base, "dimension section", base->GetDimSingular(d),
               kLogVerbReading | kLogStepIndent);
  uint64_t startTick = TickCount();
  int64_t before = CountDimensionComponents(base, d);
  T_TextBuf code, text, hostCode;
  bool cutReported = false;
  do {
    if (IsSectionHeaderLine(stream)) break;
    if (FieldOf(stream, &code) == 0) continue;
    bool cut = FieldWasCut(stream, &code);
    FieldOf(stream, &text);
    cut = FieldWasCut(stream, &text) || cut;
    FieldOf(stream, &hostCode);
    cut = FieldWasCut(stream, &hostCode) || cut;
    if (cut && !cutReported) {
      cutReported = true;
      AlertRequest request;
      AlertInit(&request);
      request.message = kMsgTooLongRows;
      AskReadError(base, &request);
    }
    AddComponent(base, d, code.c_str(), text.c_str(), hostCode.c_str());
  } while (!AbortRequested() && stream->NextLine());
  SendPendingDimensionNotes(base);
  LogLoadTime(base, "components", CountDimensionComponents(base, d) - before, startTick);
  LogOperation(base, "dimension section", nullptr, kLogVerbCompleted | kLogStepOutdent);
}

void ReadDimImportSection(T_Base* base, T_IStream* stream) {
  int32_t n = HeaderNumber(stream);
  DimImportSetup* setup = n >= 1 && n <= kDimensionCount ? DimImportCreate(base, n - 1) : nullptr;
  if (!setup) {
    stream->NextLine();
    return;
  }
  ReadDimImport(setup, stream);
  LogOperation(base, "dimension import setup for", base->GetDimSingular(n - 1), kLogVerbLoaded);
}

void SendPendingDimensionNotes(T_Base* base) {
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (!base->dimensionChangePending[d]) continue;
    ChangeNote note;
    note.code = kChangeComponentsRebuilt;
    note.database = base;
    note.index = d;
    NotifyChange(base, &note);
  }
}
