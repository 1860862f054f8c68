// The stand-in template of a window kind whose template class is not installed yet. It reads its
// box records as every box template does and keeps every other record line (view mode, grid
// lines, the window's own keys) as it was, in order, writing them after its own lines; so a file
// written with the real classes reads and writes back unchanged.
//
// The templates of the components, time-functions, component-functions and card windows end
// their record text with one empty line, the others with none. Trailing empty lines are not
// kept: the stand-in writes the closing line of its kind itself, and so never takes over the
// empty line that closes a "##Defaults" section.
#include "core/bit_vector.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/template_runner.h"
#include "database/templates.h"

namespace {

constexpr uint32_t kStandInIconBase = 2000;

bool EndsWithEmptyLine(int32_t kind) {
  return kind == kTemplateComponents || kind == kTemplateTimeFunctions ||
         kind == kTemplateComponentFunctions || kind == kTemplateCard;
}

class T_StandInTmpl : public T_BoxTmpl {
 public:
  T_StandInTmpl(int32_t templateKind, T_Base* base) : T_BoxTmpl(templateKind, base) {
    menuIcon = kStandInIconBase + static_cast<uint32_t>(templateKind);
  }

  void SetDefaults() override {
    T_BoxTmpl::SetDefaults();
    keptOfThisRead_ = false;
  }

  bool ReadRecord(T_IStream* stream) override {
    if (T_BoxTmpl::ReadRecord(stream)) return true;
    // A second read (an import of defaults) replaces what the first one kept.
    if (!keptOfThisRead_) kept_.Clear();
    keptOfThisRead_ = true;
    kept_.Add(stream->lineStart, static_cast<int32_t>(stream->lineEnd - stream->lineStart));
    return true;
  }

  void BeginRead() override {
    T_BoxTmpl::BeginRead();
    kept_.TrimEmptyTail();
  }

  void WriteText(T_OStream* stream) override {
    T_BoxTmpl::WriteText(stream);
    kept_.Write(stream);
    if (EndsWithEmptyLine(kind)) stream->PutBytes(stream->newline, stream->newlineLength);
  }

  // A real template names components and selects lines that only its class can tell.
  void MarkUsedComponents(BitVector* components) override { BitVecFill(components, true); }
  void MarkSelectedLines(BitVector* lines) override { BitVecFill(lines, true); }

  int64_t MemorySize() const override { return T_BoxTmpl::MemorySize() + kept_.MemSize(); }

 private:
  KeptLines kept_;
  bool keptOfThisRead_ = false;
};

}  // namespace

T_Template* NewStandInTemplate(T_Base* base, int32_t kind) {
  bool known =
      (kind >= kTemplateCards && kind <= kTemplateComponentFunctions) || kind == kTemplateCard;
  return known ? new T_StandInTmpl(kind, base) : nullptr;
}

bool IsStandInTemplate(const T_Template* templ) {
  return dynamic_cast<const T_StandInTmpl*>(templ) != nullptr;
}
