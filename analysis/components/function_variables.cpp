#include "analysis/components/function_variables.h"

#include <cstring>

#include "core/memory.h"
#include "ui/link_markup.h"

void StripLinkMarkup(T_TextBuf* text) {
  if (!LinkText_HasLinks(nullptr, text->data)) return;
  T_TextBuf plain;
  LinkText_Layout(nullptr, text->data, &plain, nullptr, nullptr, -1, nullptr);
  TextBufAssignBuf(text, &plain);
}

void WriteVariableSection(T_OStream* stream, const char* header, const char* name,
                          const char* title, const T_OStream& recordLines) {
  const char* text = reinterpret_cast<const char*>(recordLines.start);
  const int64_t length = recordLines.pos - recordLines.start;
  int64_t skip = 0;
  while (skip < length && text[skip] != '\n') ++skip;
  stream->PutText(header);
  stream->PutSeparator();
  stream->PutBlockText(name);
  stream->PutSeparator();
  stream->PutBlockText(title);
  stream->PutNewline();
  if (skip < length) stream->PutBytes(text + skip + 1, length - skip - 1);
}

bool NextVariableKey(T_IStream* stream, char key[16], int32_t* n) {
  if (!stream->NextLine()) return false;
  *n = 0;
  if (!stream->NextField()) return true;
  *n = stream->FieldLength() < 15 ? stream->FieldLength() : 15;
  std::memcpy(key, stream->Field(), static_cast<size_t>(*n));
  key[*n] = 0;
  if (*n > 0 && key[0] == '#') {
    stream->RewindLine();
    return false;
  }
  return true;
}

bool TextHasVariableSections(const char* text, int32_t length) {
  T_IStream stream;
  stream.CtorFromMemory(text, length);
  while (stream.NextLine()) {
    if (stream.NextField() && (stream.FieldEquals(kSelectionSectionHeader) ||
                               stream.FieldEquals(kFormulaSectionHeader)))
      return true;
  }
  return false;
}

int32_t CompileVariableFormula(ExprProgram** program, char** text, const uint8_t* names) {
  T_TextBuf compiled(*text ? *text : "");
  PendingErrorSaved saved;
  PendingErrorSave(&saved);
  Expr_Compile(program, &compiled, names);
  const int32_t refused = PendingError.request.message;
  PendingErrorRestore(&saved);
  BlockTextAssignBuf(text, &compiled);
  return refused;
}
