#include "database/component_text.h"

#include "core/alert.h"
#include "core/message_pump.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/component_lookup.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "ui/link_markup.h"

namespace {

// The parts each style shows, by style 0 to 6.
constexpr bool kShowsCode[7] = {true, false, false, true, false, true, true};
constexpr bool kShowsHost[7] = {false, true, false, false, true, true, true};
constexpr bool kShowsText[7] = {false, false, true, true, true, false, true};

void AppendPart(T_TextBuf* out, const char* part) {
  if (!part || !*part) return;
  if (!out->empty()) TextBufAppendChar(out, ' ');
  TextBufAppend(out, part);
}

bool FieldMatches(T_Base* base, const CriteriaPattern* pattern, T_TextBuf* scratch,
                  const char* field) {
  return Criteria_MatchCStr(pattern, LinkText_PlainText(base->linkContext, scratch, field));
}

bool ComponentMatches(T_Base* base, const CriteriaPattern* pattern,
                      const ComponentRecord* component) {
  if (!pattern || !pattern->program) return true;
  T_TextBuf scratch;
  return FieldMatches(base, pattern, &scratch, component->code) ||
         FieldMatches(base, pattern, &scratch, component->text) ||
         FieldMatches(base, pattern, &scratch, component->hostCode);
}

}  // namespace

void FormatComponent(T_Base* base, T_TextBuf* out, int64_t component, int32_t d, int32_t style) {
  TextBufAssign(out, nullptr);
  if (style < 0) style = base->dimensions[d]->displayStyle;
  const ComponentRecord* c = ComponentAt(base, component);
  if (!c->parent || style > 6) return;
  if (kShowsCode[style]) AppendPart(out, c->code);
  if (kShowsHost[style]) AppendPart(out, c->hostCode);
  if (kShowsText[style]) AppendPart(out, c->text);
}

void GetComponentTextMarkup(T_Base* base, T_TextBuf* out, int64_t component, int32_t d) {
  TextBufAssign(out, nullptr);
  const ComponentRecord* c = ComponentAt(base, component);
  if (!c->parent) return;
  int32_t style = base->dimensions[d]->displayStyle;
  bool valid = style >= 0 && style <= 6;
  TextBufAssign(out, c->code);
  if (valid && kShowsHost[style]) AppendPart(out, c->hostCode);
  if (valid && kShowsText[style]) AppendPart(out, c->text);
}

void T_Base::GetComponentText(T_TextBuf* out, int64_t component, int32_t d) {
  GetComponentTextMarkup(this, out, component, d);
  LinkText_StripBuf(linkContext, out);
}

void PutComponentLine(T_OStream* stream, const ComponentRecord* component) {
  stream->PutFieldText(component->code);
  stream->PutSeparator();
  stream->PutFieldText(component->text);
  stream->PutSeparator();
  stream->PutFieldText(component->hostCode);
  stream->PutNewline();
}

void WriteDimensionComponents(T_Base* base, T_OStream* stream, int32_t d) {
  ComponentRecord* root = ComponentAt(base, d);
  for (ComponentRecord* c = CompTreeNext(root); c != root && !AbortRequested(); c = CompTreeNext(c))
    PutComponentLine(stream, c);
}

void WalkDimensionComponentsFiltered(T_Base* base, int32_t d, const char* startCode,
                                     const CriteriaPattern* pattern, int32_t maxDepth,
                                     ComponentVisitor visit, void* context) {
  ComponentRecord* root = ComponentAt(base, d);
  if (!root->firstChild) return;
  ComponentRecord* top = root;
  if (startCode && *startCode) {
    top = FindByCode(base, d, startCode);
    if (!top) return;
  }
  int32_t depth = 0;
  ComponentRecord* c = top;
  if (top == root) c = CompTreeNextWithinDepth(top, top, &depth);
  while (!AbortRequested()) {
    // Everything below a component deeper than the limit is deeper still: skip the subtree.
    if (maxDepth >= 0 && depth > maxDepth) {
      c = CompTreeSkip(c, top, &depth);
    } else {
      if (ComponentMatches(base, pattern, c)) {
        visit(context, c, depth);
        PumpMessages();
      }
      c = CompTreeNextWithinDepth(c, top, &depth);
    }
    if (c == top) break;
  }
}

void WriteDimensionComponentsFiltered(T_Base* base, T_OStream* stream, int32_t d,
                                      const char* startCode, const CriteriaPattern* pattern,
                                      int32_t maxDepth) {
  WalkDimensionComponentsFiltered(
      base, d, startCode, pattern, maxDepth,
      [](void* context, ComponentRecord* component, int32_t) {
        PutComponentLine(static_cast<T_OStream*>(context), component);
      },
      stream);
}
