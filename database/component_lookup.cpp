#include "database/component_lookup.h"

#include "core/alert.h"
#include "core/cstring.h"
#include "core/hash_index.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "core/utf8.h"
#include "database/base.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/read_prompt.h"
#include "database/web_request.h"
#include "ui/link_markup.h"

namespace {

constexpr int32_t kMsgComponentNotDefined = 3903;  // Component "@0" not defined in dimension "@1".
constexpr int32_t kTextDimensionNameFirst = 3000;  // "Dim 1"
constexpr int32_t kKeyLimit = 255;                 // bytes of a typed key that count

ComponentRecord* FindInIndex(const HashIndex* index, const char* key) {
  if (!index || !key || !*key) return nullptr;
  return static_cast<ComponentRecord*>(HashIndexFind(index, key));
}

enum class Search { kPrefix, kFloor };

// One walk over the dimension for the best text or host code that qualifies for the key.
ComponentRecord* SearchField(T_Base* base, int32_t d, const char* key, bool host, Search search) {
  const DimensionRecord* dimension = base->dimensions[d];
  int32_t rule = host ? dimension->hostCase : dimension->textCase;
  auto* context = base->linkContext;
  T_TextBuf scratch;
  T_TextBuf best;
  ComponentRecord* found = nullptr;
  ComponentRecord* root = ComponentAt(base, d);
  for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
    const char* field = host ? c->hostCode : c->text;
    if (!field) continue;
    const char* plain = LinkText_PlainText(context, &scratch, field);
    if (search == Search::kPrefix) {
      if (!StrStartsWithByMode(plain, key, rule)) continue;
      if (found && StrCompareByMode(plain, best.data, rule) >= 0) continue;
    } else {
      if (StrCompareByMode(plain, key, rule) > 0) continue;
      if (found && StrCompareByMode(plain, best.data, rule) <= 0) continue;
    }
    found = c;
    TextBufAssign(&best, plain);
  }
  return found;
}

int64_t NumberOf(const ComponentRecord* component) { return component->number; }

}  // namespace

ComponentRecord* FindByCode(T_Base* base, int32_t d, const char* key) {
  return FindInIndex(base->dimensions[d]->codeIndex, key);
}

ComponentRecord* FindByHostCode(T_Base* base, int32_t d, const char* key) {
  return FindInIndex(base->dimensions[d]->hostIndex, key);
}

ComponentRecord* FindByTextPrefix(T_Base* base, int32_t d, const char* key) {
  return SearchField(base, d, key, false, Search::kPrefix);
}

ComponentRecord* FindByHostPrefix(T_Base* base, int32_t d, const char* key) {
  return SearchField(base, d, key, true, Search::kPrefix);
}

ComponentRecord* FindByHostFloor(T_Base* base, int32_t d, const char* key) {
  return SearchField(base, d, key, true, Search::kFloor);
}

int64_t T_Base::FindComponentByKey(int32_t d, const char* text, int32_t length) {
  if (!text) return d;
  if (length < 0) length = StrLen(text);
  T_TextBuf key;
  TextBufAssignBytes(&key, text, length);
  TextBufTrim(&key, ' ');
  if (key.length > kKeyLimit) {
    TextBufTruncate(&key, Utf8BoundaryAtOrBefore(key.data, kKeyLimit));
    TextBufTrimRight(&key, ' ');
  }
  if (key.empty()) return d;

  int32_t blank = StrFindChar(key.data, ' ');
  if (blank < 0) {
    ComponentRecord* found = FindByCode(this, d, key.data);
    if (!found) found = FindByHostCode(this, d, key.data);
    if (!found) found = FindByTextPrefix(this, d, key.data);
    if (!found) found = FindByHostPrefix(this, d, key.data);
    return found ? NumberOf(found) : d;
  }

  T_TextBuf firstWord;
  TextBufAssignBytes(&firstWord, key.data, blank);
  ComponentRecord* found = FindByCode(this, d, firstWord.data);
  if (!found) found = FindByHostCode(this, d, key.data);
  if (!found) found = FindByHostCode(this, d, firstWord.data);
  if (!found) found = FindByTextPrefix(this, d, key.data);
  if (!found) found = FindByHostPrefix(this, d, key.data);
  if (found) return NumberOf(found);
  const char* rest = key.data + blank;
  while (*rest == ' ') ++rest;
  found = *rest ? FindByTextPrefix(this, d, rest) : nullptr;
  return found ? NumberOf(found) : d;
}

int64_t T_Base::FindComponentOrAsk(int32_t d, const char* text, int32_t length, T_Window* owner) {
  int64_t found = FindComponentByKey(d, text, length);
  if (found != d || !text) return found;
  if (length < 0) length = StrLen(text);
  T_TextBuf typed;
  TextBufAssignBytes(&typed, text, length);
  TextBufTrim(&typed, ' ');
  if (typed.empty()) return d;
  // With somebody to answer, the component finder asks for the right one.
  const BaseServices& services = CurrentBaseServices();
  if (services.askForComponent && !AlertsUnattended() && !WebRequestActive()) {
    int64_t chosen = services.askForComponent(this, d, owner, typed.data);
    return chosen >= 0 ? chosen : d;
  }
  AlertRequest request;
  AlertInit(&request);
  request.message = kMsgComponentNotDefined;
  AlertAddText(&request, typed.data);
  AlertAddText(&request, GetDimSingular(d));
  AskReadError(this, &request);
  return d;
}

int32_t T_Base::FindDimByName(const char* name) {
  if (!name) return -1;
  T_TextBuf text(name);
  TextBufSetLength(&text, StrRemoveControls(text.data));
  TextBufTrim(&text, ' ');
  if (text.empty()) return -1;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    const DimensionRecord* dimension = dimensions[d];
    if ((dimension->plural && StrEqualNoCase(dimension->plural, text.data)) ||
        (dimension->singular && StrEqualNoCase(dimension->singular, text.data)))
      return d;
  }
  // Only a whole number names a dimension: "Region 2" must not find dimension 2.
  int32_t number = 0;
  for (const char* p = text.data; *p; ++p) {
    if (*p < '0' || *p > '9' || number > kDimensionCount) return -1;
    number = number * 10 + (*p - '0');
  }
  return number >= 1 && number <= kDimensionCount ? number - 1 : -1;
}

int32_t T_Base::MapDimIndex(int32_t d) {
  for (int32_t i = 0; i < dimensionOrderCount && i < kDimensionCount; ++i) {
    if (dimensionOrder[i] == d) return i;
  }
  return d;
}

const char* T_Base::GetDimSingular(int32_t d) {
  const char* stored = dimensions[d]->singular;
  return stored ? stored : GetString(kTextDimensionNameFirst + d);
}

const char* T_Base::GetDimPlural(int32_t d) {
  const char* stored = dimensions[d]->plural;
  return stored ? stored : GetString(kTextDimensionNameFirst + d);
}

ComponentRecord* FindByText(T_Base* base, int32_t d, const char* key) {
  int32_t rule = base->dimensions[d]->textCase;
  ComponentRecord* root = ComponentAt(base, d);
  for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
    if (c->text && StrCompareByMode(c->text, key, rule) == 0) return c;
  }
  return nullptr;
}
