#include "database/save_options.h"

#include <new>

#include "core/cstring.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/protection.h"
#include "database/stored_object_holders.h"
#include "database/web_users.h"
#include "database/subsets.h"
#include "database/templates.h"

// Letter options of the save command: the first character chooses the field, the rest the
// value; every other text is refused.
//
//   option                 effect
//   c+ P+ W+ B+ s+ I+ S+   the section flag of characters, protection, web users, base options,
//   M+ D+ C+ U+ T+ F+      save setups, import setups, time scales, macros, dimensions, cards,
//                          subsets, templates, analysis defaults on ("-" for off)
//   X+ X-                  all 13 section flags
//   Dn+ Dn- DnA DnU        save mode of dimension n: all, none, active, in use
//   CT                     template lines only
//   CnC CnH CnT            card reference style of dimension n: code, host code, text
//   T=text                 template name filter
//   TO                     open templates only
//   FN FB FT FS            target kind 1, 2, 5, 12
//   FZ+ FZ-                compressed
//   Fs                     adopt the written file
//   s=name                 every field from the named save setup
//
// n is one or two decimal digits from 1 (dimension 0) to 32.

namespace {

// A missing filter lets every card pass, as an unrestricted one does.
bool FiltersEqual(const SelectionDef* a, const SelectionDef* b) {
  if (a && b) return SelectionDef_equal(a, b);
  const SelectionDef* only = a ? a : b;
  return !only || !SelectionDef_isRestricted(only);
}

constexpr char kSectionLetters[kSectionCount + 1] = "cPWBsISMDCUTF";

void FreeTexts(SaveOptions* options) {
  BlockTextFree(&options->templateNameFilter);
  BlockTextFree(&options->sieCompanyName);
  BlockTextFree(&options->sieOrganisationNumber);
  BlockTextFree(&options->sieRemark);
  BlockTextFree(&options->sieVoucherSeries);
}

// A dimension number of one or two digits from 1 to 32 at text[1..]; the index of the character
// after it goes to *end. -1 when there is none.
int32_t ParseDimensionNumber(const char* text, int32_t length, int32_t* end) {
  int32_t i = 1;
  int32_t n = 0;
  while (i < length && i < 3 && text[i] >= '0' && text[i] <= '9') n = n * 10 + (text[i++] - '0');
  if (i == 1 || n < 1 || n > kDimensionCount) return -1;
  *end = i;
  return n - 1;
}

// "D" or "C" followed by a number and one letter.
bool ParseDimensionOption(SaveOptions* options, const char* text, int32_t length) {
  int32_t at = 0;
  int32_t d = ParseDimensionNumber(text, length, &at);
  if (d < 0 || at + 1 != length) return false;
  char value = text[at];
  if (text[0] == 'D') {
    const char* modes = "+A-U";  // kDimSaveAll, kDimSaveActive, kDimSaveNone, kDimSaveInUse
    static constexpr int32_t kModes[] = {kDimSaveAll, kDimSaveActive, kDimSaveNone, kDimSaveInUse};
    for (int32_t i = 0; i < 4; ++i) {
      if (value != modes[i]) continue;
      options->dimensionModes[d] = kModes[i];
      return true;
    }
    return false;
  }
  static constexpr char kStyles[] = "CHT";  // kCardRefCode, kCardRefHostCode, kCardRefText
  for (int32_t style = 0; style < 3; ++style) {
    if (value != kStyles[style]) continue;
    options->cardReferenceStyles[d] = style;
    return true;
  }
  return false;
}

bool ParseSign(char c, uint8_t* flag) {
  if (c != '+' && c != '-') return false;
  *flag = c == '+' ? 1 : 0;
  return true;
}

bool SameNumbers(const int32_t* a, const int32_t* b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

bool SameFlags(const uint8_t* a, const uint8_t* b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    if ((a[i] != 0) != (b[i] != 0)) return false;
  }
  return true;
}

}  // namespace

void SaveOptionsInit(SaveOptions* options, T_Base* base) {
  *options = SaveOptions{};
  if (base) {
    options->filter = new (std::nothrow) SelectionDef;
    if (options->filter) SelectionDef_init(options->filter, base);
  }
  SaveOptionsReset(options);
}

void SaveOptionsFree(SaveOptions* options) {
  FreeTexts(options);
  if (options->filter) {
    SelectionDef_free(options->filter);
    delete options->filter;
  }
  options->filter = nullptr;
}

void SaveOptionsReset(SaveOptions* options) {
  FreeTexts(options);
  SelectionDef* filter = options->filter;
  *options = SaveOptions{};
  if (filter) SelectionDef_clear(filter);
  options->filter = filter;
}

void SaveOptionsFromBase(SaveOptions* options, T_Base* base) {
  SaveOptionsReset(options);
  options->kind = base->saveKind;
  options->compressed = base->secondSaveValue != 0 ? 1 : 0;
  uint8_t* sections = options->sections;
  if (!IsProtected(base->protection)) sections[kSectionProtection] = 0;
  if (!WebUserListNotEmpty(base->webUsers)) sections[kSectionWebUsers] = 0;
  if (base->saveSetups == nullptr) sections[kSectionSaveSetups] = 0;
  if (base->importSetups == nullptr) sections[kSectionImportSetups] = 0;
  if (base->timeScales == nullptr) sections[kSectionTimeScales] = 0;
  if (base->macros == nullptr) sections[kSectionMacros] = 0;
  bool anyDimension = false;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (base->IsDimUsed(d))
      anyDimension = true;
    else
      options->dimensionModes[d] = kDimSaveNone;
  }
  if (!anyDimension) sections[kSectionDimensions] = 0;
  if (base->cardCount == 0) sections[kSectionCards] = 0;
  if (base->subsets == nullptr || base->subsets->count == 0) sections[kSectionSubsets] = 0;
  if (base->rootTemplate == nullptr || base->rootTemplate->firstChild == nullptr)
    sections[kSectionTemplates] = 0;
  // Dimension 1 holds the accounts (dimension 0 keys the groups).
  if (base->IsDimUsed(1)) options->sieDimensionNumbers[1] = -1;
}

void SaveOptionsClearSections(SaveOptions* options) {
  for (uint8_t& flag : options->sections) flag = 0;
}

void SaveOptionsSetAllSections(SaveOptions* options) {
  for (uint8_t& flag : options->sections) flag = 1;
}

void SaveOptionsCopySections(SaveOptions* target, const SaveOptions* source) {
  for (int32_t i = 0; i < kSectionCount; ++i) target->sections[i] = source->sections[i];
}

bool SaveOptionsCopy(SaveOptions* target, const SaveOptions* source) {
  if (target == source) return true;
  FreeTexts(target);
  SelectionDef* filter = target->filter;
  *target = *source;
  target->filter = filter;
  // The texts are the source's until duplicated: cleared first, so a failed copy owns nothing
  // twice.
  target->templateNameFilter = nullptr;
  target->sieCompanyName = nullptr;
  target->sieOrganisationNumber = nullptr;
  target->sieRemark = nullptr;
  target->sieVoucherSeries = nullptr;
  bool copied =
      BlockTextAssignBlock(&target->templateNameFilter, source->templateNameFilter) &&
      BlockTextAssignBlock(&target->sieCompanyName, source->sieCompanyName) &&
      BlockTextAssignBlock(&target->sieOrganisationNumber, source->sieOrganisationNumber) &&
      BlockTextAssignBlock(&target->sieRemark, source->sieRemark) &&
      BlockTextAssignBlock(&target->sieVoucherSeries, source->sieVoucherSeries);
  if (target->filter && source->filter) SelectionDef_copy(target->filter, source->filter);
  return copied;
}

bool SaveOptionsEqual(const SaveOptions* a, const SaveOptions* b) {
  return FiltersEqual(a->filter, b->filter) && a->kind == b->kind &&
         (a->compressed != 0) == (b->compressed != 0) &&
         SameFlags(a->sections, b->sections, kSectionCount) &&
         (a->adoptFile != 0) == (b->adoptFile != 0) &&
         SameNumbers(a->dimensionModes, b->dimensionModes, kDimensionCount) &&
         (a->templateLinesOnly != 0) == (b->templateLinesOnly != 0) &&
         a->selectionLevel == b->selectionLevel &&
         StrEqualNullAsEmpty(a->templateNameFilter, b->templateNameFilter) &&
         (a->openTemplatesOnly != 0) == (b->openTemplatesOnly != 0) &&
         SameNumbers(a->cardReferenceStyles, b->cardReferenceStyles, kDimensionCount) &&
         SameNumbers(a->dimensionNumbering, b->dimensionNumbering, kDimensionCount) &&
         StrEqualNullAsEmpty(a->sieCompanyName, b->sieCompanyName) &&
         StrEqualNullAsEmpty(a->sieOrganisationNumber, b->sieOrganisationNumber) &&
         StrEqualNullAsEmpty(a->sieRemark, b->sieRemark) &&
         StrEqualNullAsEmpty(a->sieVoucherSeries, b->sieVoucherSeries) &&
         SameFlags(a->sieFlags, b->sieFlags, kSieFlagCount) &&
         SameNumbers(a->sieDimensionNumbers, b->sieDimensionNumbers, kDimensionCount) &&
         SameNumbers(a->sieComponentModes, b->sieComponentModes, kDimensionCount);
}

int32_t SaveOptionsDimMode(const SaveOptions* options, int32_t dimension) {
  if (dimension < 0 || dimension >= kDimensionCount) return kDimSaveNone;
  return options->kind == kSaveKindSie ? options->sieComponentModes[dimension]
                                       : options->dimensionModes[dimension];
}

bool ParseSaveOption(SaveOptions* options, const char* text, int32_t length) {
  if (text == nullptr || length < 2) return false;
  const char first = text[0];
  const char second = text[1];
  if (length == 2 && (second == '+' || second == '-')) {
    for (int32_t i = 0; i < kSectionCount; ++i) {
      if (first == kSectionLetters[i]) return ParseSign(second, &options->sections[i]);
    }
  }
  switch (first) {
    case 'X': {
      uint8_t on = 0;
      if (length != 2 || !ParseSign(second, &on)) return false;
      for (uint8_t& flag : options->sections) flag = on;
      return true;
    }
    case 'D':
      return ParseDimensionOption(options, text, length);
    case 'C':
      if (length == 2 && second == 'T') {
        options->templateLinesOnly = 1;
        return true;
      }
      return ParseDimensionOption(options, text, length);
    case 'T':
      if (length == 2 && second == 'O') {
        options->openTemplatesOnly = 1;
        return true;
      }
      if (second != '=') return false;
      return BlockTextAssignBytes(&options->templateNameFilter, text + 2, length - 2);
    case 'F': {
      static constexpr struct {
        char letter;
        int32_t kind;
      } kKinds[] = {{'N', kSaveKindContainer},
                    {'B', kSaveKindBrowser},
                    {'T', kSaveKindText},
                    {'S', kSaveKindSie}};
      if (length == 2) {
        for (const auto& k : kKinds) {
          if (second != k.letter) continue;
          options->kind = k.kind;
          return true;
        }
        if (second != 's') return false;
        options->adoptFile = 1;
        return true;
      }
      return length == 3 && second == 'Z' && ParseSign(text[2], &options->compressed);
    }
    case 's': {
      // Every field of the named setup of the filter's database; an unknown name is no option.
      if (second != '=' || options->filter == nullptr || options->filter->database == nullptr)
        return false;
      T_TextBuf name;
      TextBufAssignBytes(&name, text + 2, length - 2);
      SaveSetup* setup = FindSaveSetup(options->filter->database, name.c_str());
      return setup != nullptr && SaveOptionsCopy(options, &setup->options);
    }
    default:
      return false;
  }
}

void UpdateDimensionOrder(T_Base* base) {
  int32_t* order = base->dimensionOrder;
  for (int32_t p = 0; p < kDimensionCount; ++p) order[p] = base->saveOptions.dimensionNumbering[p];
  for (int32_t p = kDimensionCount - 1; p >= 1; --p) {
    int32_t d = order[p] == 0 ? p : order[p];
    order[p] = d >= 0 && d < kDimensionCount && base->IsDimUsed(d) ? d : -1;
  }
  // Position 0 keeps its dimension whether in use or not; a number no dimension has (a damaged
  // save setup) would send the writers outside the dimensions.
  if (order[0] < -1 || order[0] >= kDimensionCount) order[0] = -1;
  int32_t count = kDimensionCount;
  while (count > 0 && order[count - 1] == -1) --count;
  base->dimensionOrderCount = count;
}
