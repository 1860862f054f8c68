#include "analysis/cards/card_template.h"

#include <new>

#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"

namespace {

constexpr uint32_t kCardTemplateIcon = 2010;

// One width per field up to count; a missing or unreadable field is 0, further fields are
// ignored.
void ReadWidths(T_IStream* stream, uint32_t* widths, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    int32_t width = static_cast<int32_t>(stream->ReadFieldIntInRange(0, 100000));
    widths[i] = width > 0 ? static_cast<uint32_t>(width) : 0;
  }
}

void PutWidthField(T_OStream* stream, uint32_t width) {
  stream->PutSeparator();
  if (width) stream->PutInt(static_cast<int32_t>(width));
}

}  // namespace

T_CardTmpl::T_CardTmpl(T_Base* base) : T_BoxTmpl(kTemplateCard, base) {
  menuIcon = kCardTemplateIcon;
}

T_CardTmpl::~T_CardTmpl() = default;

void T_CardTmpl::SetDefaults() {
  T_BoxTmpl::SetDefaults();
  for (uint32_t& w : dimensionWidths) w = 0;
  for (uint32_t& w : valueWidths) w = 0;
  lineTextWidth = 0;
  openNotes = 0;
}

bool T_CardTmpl::ReadRecord(T_IStream* stream) {
  if (!stream->NextField()) return false;
  const char* key = stream->Field();
  int32_t n = stream->FieldLength();
  if (n == 2 && key[0] == 'w' && key[1] == 'L') {
    ReadWidths(stream, &lineTextWidth, 1);
    return true;
  }
  if (n == 2 && key[0] == 'w' && key[1] == 'V') {
    ReadWidths(stream, valueWidths, kMaxValueCount);
    return true;
  }
  if (n == 2 && key[0] == 'w' && key[1] == 'D') {
    ReadWidths(stream, dimensionWidths, kDimensionCount);
    return true;
  }
  if (n == 2 && key[0] == 'N' && key[1] == 'x') {
    openNotes = 1;
    return true;
  }
  stream->RewindLine();
  return T_BoxTmpl::ReadRecord(stream);
}

void T_CardTmpl::WriteText(T_OStream* stream) {
  T_BoxTmpl::WriteText(stream);
  if (lineTextWidth) {
    stream->PutText("wL");
    PutWidthField(stream, lineTextWidth);
    stream->PutNewline();
  }
  int32_t values = database ? database->valueCount : kMaxValueCount;
  bool anyValue = false;
  for (int32_t i = 0; i < values; ++i) anyValue = anyValue || valueWidths[i] != 0;
  if (anyValue) {
    stream->PutText("wV");
    for (int32_t i = 0; i < values; ++i) PutWidthField(stream, valueWidths[i]);
    stream->PutNewline();
  }
  bool anyDimension = false;
  uint32_t shown[kDimensionCount] = {};
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    bool used = !database || d == 0 || d == 1 || database->IsDimUsed(d);
    shown[d] = used ? dimensionWidths[d] : 0;
    anyDimension = anyDimension || shown[d] != 0;
  }
  if (anyDimension) {
    stream->PutText("wD");
    for (uint32_t w : shown) PutWidthField(stream, w);
    stream->PutNewline();
  }
  if (openNotes) stream->PutLine("Nx");
  stream->PutNewline();
}

int64_t T_CardTmpl::MemorySize() const {
  return T_BoxTmpl::MemorySize() + static_cast<int64_t>(sizeof dimensionWidths + sizeof lineTextWidth +
                                                        sizeof valueWidths + sizeof openNotes);
}

T_CardTmpl* AsCardTemplate(T_Template* templ) { return dynamic_cast<T_CardTmpl*>(templ); }

T_Template* NewCardTemplate(T_Base* base) { return new (std::nothrow) T_CardTmpl(base); }
