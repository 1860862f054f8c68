#include "analysis/components/strux_paths.h"

#include <cstring>

#include "analysis/components/components_template.h"
#include "core/short_ids.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/component_tree.h"
#include "database/components.h"

namespace {
constexpr int32_t kTokenLength = 7;
constexpr int32_t kItemLength = 8;
}  // namespace

void WebNodeToken(T_TextBuf* out, const char* text) { AppendSevenDigitShortId(out, text); }

ComponentRecord* FindComponentByToken(T_Base* base, int32_t dimension, const char* token) {
  if (!base || dimension < 0 || dimension >= kDimensionCount) return nullptr;
  ComponentRecord* root = ComponentAt(base, dimension);
  if (!root) return nullptr;
  T_TextBuf candidate;
  ComponentRecord* c = root;
  do {
    TextBufAssign(&candidate, "");
    WebNodeToken(&candidate, c->parent ? c->code : "");
    if (std::memcmp(candidate.data, token, kTokenLength) == 0) return c;
    c = CompTreeNext(c);
  } while (c && c != root);
  return nullptr;
}

int32_t ResolveDrillPath(T_Base* base, const ViewDimSet* view, const char* path,
                         SelectionDef* selection, T_TextBuf* title) {
  TextBufAssign(title, "");
  if (!base || !path || path[0] != ':') return 0;
  ++path;
  const bool ownOnly = path[0] == 'x';
  if (ownOnly) ++path;
  int32_t slot = 0;
  const int32_t count = view->count < kViewDimMax ? view->count : kViewDimMax;
  for (; slot < count; ++slot, path += kItemLength) {
    if (std::strlen(path) < static_cast<size_t>(kItemLength)) break;
    const char marker = path[kTokenLength];
    if (marker != '!' && marker != ':') break;
    const int32_t d = view->dimension[slot];
    ComponentRecord* c = FindComponentByToken(base, d, path);
    if (!c) break;
    if (title->length > 0) TextBufAppend(title, " / ");
    if (!c->parent) {
      TextBufAppend(title, base->GetDimPlural(d));
      if (marker == '!') SelTextsAndCondition(&selection->componentTexts, d, "\\");
      continue;
    }
    TextBufAppend(title, c->text && c->text[0] ? c->text : c->code);
    AndComponentCode(selection, d, c->code, marker == '!');
  }
  if (ownOnly && slot > 0) {
    for (int32_t s = slot; s < count; ++s)
      SelTextsAndCondition(&selection->componentTexts, view->dimension[s], "\\");
  }
  return slot;
}
