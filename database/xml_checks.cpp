// The checks every XML reader of a database shares (requests, command files and the templates'
// XML forms): what it does not know is reported through the read-problem prompt, so one answer
// policy holds for a whole file, and a file may silence them ("errors" set to "off").
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/read_prompt.h"

namespace {

constexpr int32_t kUnknownTag = 3900;
constexpr int32_t kUnknownAttribute = 3901;
constexpr int32_t kUnknownValue = 3902;

}  // namespace

void T_Base::XmlUnknownTag(T_IStream* stream) {
  if (xmlErrors) {
    T_TextBuf name;
    stream->TagName(&name);
    AskReadErrorText(this, kUnknownTag, name.c_str());
  }
  stream->SkipElement();
}

void T_Base::XmlUnknownAttribute(const char* name) {
  if (xmlErrors) AskReadErrorText(this, kUnknownAttribute, name);
}

void T_Base::XmlUnknownValue(const char* value, const char* attribute) {
  if (!xmlErrors) return;
  AlertRequest request;
  AlertInit(&request);
  request.message = kUnknownValue;
  AlertAddText(&request, value);
  AlertAddText(&request, attribute);
  AskReadError(this, &request);
}

int32_t T_Base::XmlReadOnOff(const char* name, const char* value) {
  if (StrEqualNoCase(value, "on")) return 1;
  if (StrEqualNoCase(value, "off")) return 0;
  XmlUnknownValue(value, name);
  return -1;
}
