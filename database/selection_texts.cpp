#include "database/selection_texts.h"

#include "core/cstring.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/component_selection.h"
#include "database/selection_program.h"
#include "database/selection_scanner.h"

namespace {

DimensionTextRewriter rewriter = nullptr;

bool ValidDimension(int32_t d) { return d >= 0 && d < kDimensionCount; }

// Whether a union or an either-or stands outside every bracket of the expression, so that
// joining it with "&" needs brackets around it.
bool LooserThanAnd(const char* text) {
  int32_t depth = 0;
  const char* p = text;
  for (;;) {
    SelectionToken token = ScanSelectionToken(p);
    if (token.code == kSelEnd) return false;
    if (token.code == kSelNone) {
      SelectionWord word = ReadSelectionWord(p, kCodeWord);
      p += word.consumed > 0 ? word.consumed : 1;
      continue;
    }
    if (token.code == kSelOpen) ++depth;
    if (token.code == kSelClose && depth > 0) --depth;
    if ((token.code == kSelUnion || token.code == kSelEither) && depth == 0) return true;
    p += token.skipped + token.length;
  }
}

void AppendSide(T_TextBuf* out, const char* text) {
  bool bracket = LooserThanAnd(text);
  if (bracket) TextBufAppendChar(out, '(');
  TextBufAppend(out, text);
  if (bracket) TextBufAppendChar(out, ')');
}

}  // namespace

void SelTextsClear(SelectionTexts* texts) {
  for (char*& text : texts->texts) BlockTextFree(&text);
}

bool SelTextsCopy(SelectionTexts* to, const SelectionTexts* from) {
  if (to == from) return true;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (!BlockTextAssignBlock(&to->texts[d], from->texts[d])) return false;
  }
  return true;
}

void SelTextsFromSelection(SelectionTexts* texts, const ComponentSelection* selection) {
  T_TextBuf printed;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    CompSelPrintDimension(selection, &printed, d, 0);
    BlockTextAssignBuf(&texts->texts[d], &printed);
  }
}

void SelTextsSet(SelectionTexts* texts, int32_t d, const char* bytes, int32_t n) {
  if (!ValidDimension(d)) return;
  BlockTextAssignBytes(&texts->texts[d], bytes, n);
}

void SelTextsAndCondition(SelectionTexts* texts, int32_t d, const char* text) {
  if (!ValidDimension(d) || !text || !*text) return;
  if (!texts->texts[d]) {
    BlockTextAssign(&texts->texts[d], text);
    return;
  }
  T_TextBuf joined;
  AppendSide(&joined, texts->texts[d]);
  TextBufAppendChar(&joined, '&');
  AppendSide(&joined, text);
  BlockTextAssignBuf(&texts->texts[d], &joined);
}

bool SelTextsEqual(const SelectionTexts* a, const SelectionTexts* b) {
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (!StrEqual(a->texts[d], b->texts[d])) return false;
  }
  return true;
}

bool SelTextsAnySet(const SelectionTexts* texts) {
  for (const char* text : texts->texts) {
    if (text) return true;
  }
  return false;
}

int64_t SelTextsMemSize(const SelectionTexts* texts) {
  int64_t bytes = 0;
  for (const char* text : texts->texts) bytes += MemAllocatedSize(text);
  return bytes;
}

void SelTextsWrite(const SelectionTexts* texts, const T_Base* base, T_OStream* stream,
                   const char* prefix) {
  int32_t positions = base->dimensionOrderCount > 0 && base->dimensionOrderCount <= kDimensionCount
                          ? base->dimensionOrderCount
                          : kDimensionCount;
  for (int32_t p = 0; p < positions; ++p) {
    int32_t d = base->dimensionOrderCount > 0 ? base->dimensionOrder[p] : p;
    if (!ValidDimension(d) || !texts->texts[d]) continue;
    stream->PutText(prefix);
    stream->PutInt(p + 1);
    stream->PutChar('\t');
    stream->PutBlockText(texts->texts[d]);
    stream->PutNewline();
  }
}

void SelTextsOnChange(SelectionTexts* texts, const T_Base* owner, const ChangeNote* note) {
  if (note->code != kChangeDimensionEdited || note->database != owner || !rewriter) return;
  int32_t d = note->index;
  if (!ValidDimension(d) || !texts->texts[d]) return;
  T_TextBuf text;
  TextBufAssignBlock(&text, texts->texts[d]);
  rewriter(note->object, &text);
  BlockTextAssignBuf(&texts->texts[d], &text);
}

void SetDimensionTextRewriter(DimensionTextRewriter given) { rewriter = given; }
