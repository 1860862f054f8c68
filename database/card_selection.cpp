#include "database/card_selection.h"

#include "core/alert.h"
#include "core/locale.h"
#include "core/message_pump.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/model_links.h"
#include "database/subsets.h"
#include "database/web_request.h"
#include "ui/document_window.h"
#include "ui/link_markup.h"
#include "ui/selection_header.h"

namespace {

// The abort flag is tested, and the user interface kept alive, once per so many cards.
constexpr int32_t kCardsPerPump = 4096;

void Register(CardSelection* selection) {
  T_Base* base = selection->components.database;
  if (!base) return;
  selection->nextRegistered = base->selections;
  base->selections = selection;
}

void Unregister(CardSelection* selection) {
  T_Base* base = selection->components.database;
  if (!base) return;
  for (CardSelection** link = &base->selections; *link; link = &(*link)->nextRegistered) {
    if (*link == selection) {
      *link = selection->nextRegistered;
      break;
    }
  }
  selection->nextRegistered = nullptr;
}

bool PatternOf(CardSelection* selection, int32_t field, CriteriaPattern** pattern, char*** text) {
  switch (field) {
    case kPatternCardTitle:
      *pattern = &selection->titlePattern;
      *text = &selection->titleText;
      return true;
    case kPatternLineText:
      *pattern = &selection->lineTextPattern;
      *text = &selection->lineText;
      return true;
    case kPatternNotes:
      *pattern = &selection->notesPattern;
      *text = &selection->notesText;
      return true;
    default:
      return false;
  }
}

// A text with links also matches by what it shows. Most texts hold none, and their shown form
// is the text itself: one run of the pattern decides.
bool MatchText(const CriteriaPattern* pattern, const char* text, T_Base* base) {
  if (!pattern->program) return true;
  T_LinkContext* context = base ? base->linkContext : nullptr;
  if (!text || !LinkText_HasLinks(context, text)) return Criteria_MatchBlockText(pattern, text);
  return Criteria_MatchFolded(pattern, text, LinkText_CriteriaPlainForm, context);
}

// What the line test needs, gathered once for a run over many lines.
struct LineTest {
  T_Base* base;
  const BitVector* subsetLines;  // null: no subset criterion
  const BitVector* components;
  int32_t referenceOffset;
  int32_t referenceWidth;
  int32_t slots;
  int32_t conditionCount;
  int32_t columns[kMaxValueCount];
  const NumCriteriaOp* conditions[kMaxValueCount];
  const CriteriaPattern* lineText;  // null: none
};

void PrepareLineTest(const CardSelection* selection, LineTest* test) {
  T_Base* base = selection->components.database;
  test->base = base;
  test->subsetLines = selection->subset.tokens ? &selection->subset.lines : nullptr;
  test->components = &selection->components.components;
  test->referenceOffset = base->referenceOffset;
  test->referenceWidth = base->referenceWidth;
  test->slots = base->lineSlots;
  test->conditionCount = 0;
  for (int32_t column = 0; column < base->valueCount && column < kMaxValueCount; ++column) {
    if (!selection->values[column].program) continue;
    test->columns[test->conditionCount] = column;
    test->conditions[test->conditionCount++] = selection->values[column].program;
  }
  test->lineText = selection->lineTextPattern.program ? &selection->lineTextPattern : nullptr;
}

bool RunLineTest(const LineTest& test, const LineRecord* line) {
  if (test.subsetLines &&
      !(line->number < test.subsetLines->count && BitVecGet(test.subsetLines, line->number)))
    return false;
  const auto* references = reinterpret_cast<const uint8_t*>(line) + test.referenceOffset;
  if (!BitVecHasAllRefs(test.components, references, test.referenceWidth, test.slots)) return false;
  const double* values = LineValues(const_cast<LineRecord*>(line));
  for (int32_t i = 0; i < test.conditionCount; ++i) {
    if (!NumCriteria_Match(test.conditions[i], values[test.columns[i]])) return false;
  }
  return !test.lineText || MatchText(test.lineText, line->text, test.base);
}

}  // namespace

// --- Life --------------------------------------------------------------------------------------

void Selection_init(CardSelection* selection, T_Base* database, T_GrafElement* owner,
                    SubsetList* furtherList) {
  CompSelInit(&selection->components, database, owner);
  DateRefInit(&selection->from, database, kDirectionFrom);
  DateRefSetKind(&selection->from, kDateRefFile);
  DateRefInit(&selection->to, database, kDirectionTo);
  DateRefSetKind(&selection->to, kDateRefFile);
  Criteria_Init(&selection->titlePattern);
  Criteria_Init(&selection->lineTextPattern);
  Criteria_Init(&selection->notesPattern);
  selection->titleText = nullptr;
  selection->lineText = nullptr;
  selection->notesText = nullptr;
  for (int32_t column = 0; column < kMaxValueCount; ++column) {
    NumCriteria_Init(&selection->values[column]);
    selection->valueTexts[column] = nullptr;
  }
  CombInit(&selection->subset, database, database ? database->subsets : nullptr, furtherList,
           nullptr);
  selection->nextRegistered = nullptr;
  Register(selection);
}

void Selection_free(CardSelection* selection) {
  Unregister(selection);
  CompSelFree(&selection->components);
  DateRefFree(&selection->from);
  DateRefFree(&selection->to);
  MemFreeHeld(&selection->titlePattern);
  MemFreeHeld(&selection->lineTextPattern);
  MemFreeHeld(&selection->notesPattern);
  BlockTextFree(&selection->titleText);
  BlockTextFree(&selection->lineText);
  BlockTextFree(&selection->notesText);
  for (int32_t column = 0; column < kMaxValueCount; ++column) {
    MemFreeHeld(&selection->values[column]);
    BlockTextFree(&selection->valueTexts[column]);
  }
  CombFree(&selection->subset);
}

void Selection_clear(CardSelection* selection) {
  CompSelClearAll(&selection->components);
  DateRefSetKind(&selection->from, kDateRefFile);
  DateRefSetKind(&selection->to, kDateRefFile);
  for (int32_t field : {kPatternCardTitle, kPatternLineText, kPatternNotes})
    Selection_setPattern(selection, field, nullptr);
  for (int32_t column = 0; column < kMaxValueCount; ++column)
    Selection_setCondition(selection, column, nullptr);
  CombCompile(&selection->subset, nullptr);
}

void Selection_setFromDef(CardSelection* selection, const SelectionDef* def) {
  CompSelCompileAll(&selection->components, def->componentTexts.texts);
  DateRefCopy(&selection->from, &def->from);
  DateRefCopy(&selection->to, &def->to);
  Selection_setPattern(selection, kPatternCardTitle, def->titleText);
  Selection_setPattern(selection, kPatternLineText, def->lineText);
  Selection_setPattern(selection, kPatternNotes, def->notesText);
  for (int32_t column = 0; column < kMaxValueCount; ++column)
    Selection_setCondition(selection, column, def->valueTexts[column]);
  CombCompile(&selection->subset, def->subsetText);
}

void Selection_setPattern(CardSelection* selection, int32_t field, const char* text) {
  CriteriaPattern* pattern;
  char** holder;
  if (!PatternOf(selection, field, &pattern, &holder)) return;
  T_TextBuf normal(text ? text : "");
  Criteria_Compile(pattern, &normal, kCaseInsensitive, false);
  BlockTextAssignBuf(holder, &normal);
}

const char* Selection_patternText(const CardSelection* selection, int32_t field) {
  CriteriaPattern* pattern;
  char** holder;
  if (!PatternOf(const_cast<CardSelection*>(selection), field, &pattern, &holder)) return nullptr;
  return *holder;
}

void Selection_setCondition(CardSelection* selection, int32_t column, const char* text) {
  if (column < 0 || column >= kMaxValueCount) return;
  T_TextBuf normal(text ? text : "");
  NumCriteria_Compile(&selection->values[column], &normal);
  BlockTextAssignBuf(&selection->valueTexts[column], &normal);
}

void Selection_andSubset(CardSelection* selection, const char* text) {
  if (!text || !*text) return;
  T_TextBuf present;
  CombPrint(&selection->subset, &present, 0);
  if (present.empty()) {
    CombCompile(&selection->subset, text);
    return;
  }
  T_TextBuf joined("(");
  TextBufAppendBuf(&joined, &present);
  TextBufAppend(&joined, ")&(");
  TextBufAppend(&joined, text);
  TextBufAppendChar(&joined, ')');
  CombCompile(&selection->subset, joined.data);
}

bool Selection_isRestricted(CardSelection* selection) {
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (CompSelHasExpression(&selection->components, d)) return true;
  }
  if (!IsOpenBound(&selection->from) || !IsOpenBound(&selection->to)) return true;
  if (selection->titleText || selection->lineText || selection->notesText) return true;
  T_Base* base = selection->components.database;
  int32_t columns = base ? base->valueCount : kMaxValueCount;
  for (int32_t column = 0; column < columns && column < kMaxValueCount; ++column) {
    if (selection->valueTexts[column]) return true;
  }
  return CombHasTokens(&selection->subset);
}

// --- Tests ---------------------------------------------------------------------------------------

bool Selection_validate(CardSelection* selection, T_HWindow* window) {
  CombCalculate(&selection->subset, nullptr);
  if (AbortRequested()) return false;
  if (!window || WebRequestActive()) return true;
  if (CheckNegativePeriod(window, &selection->from.cardId, &selection->to.cardId)) return false;
  return !CheckDimensionsFilled(window, selection);
}

bool Selection_matchCard(const CardSelection* selection, const CardRecord* card) {
  T_Base* base = selection->components.database;
  return MatchText(&selection->titlePattern, card->title, base) &&
         MatchText(&selection->notesPattern, card->notes, base);
}

bool Selection_matchLine(const CardSelection* selection, const LineRecord* line) {
  LineTest test;
  PrepareLineTest(selection, &test);
  return RunLineTest(test, line);
}

namespace {

// The lines of the cards from `from` on (the first card when null) up to `to` (no end when
// null) that pass the card test and the filter.
bool CollectLines(CardSelection* selection, BitVector* lines, const CardId* from, const CardId* to,
                  CardFilter filter, void* context) {
  T_Base* base = selection->components.database;
  int64_t count = base->linePool.count;
  if (!lines->words) {
    BitVecInit(lines, count, 0);
  } else if (lines->count != count) {
    BitVecResize(lines, count);
  }
  if (lines->count != count) return false;
  BitVecFill(lines, false);

  LineTest test;
  PrepareLineTest(selection, &test);
  const ComponentSelection* components = &selection->components;
  int32_t untilPump = kCardsPerPump;
  CardRecord* card = from ? base->SeekCard(from) : base->sentinelCard->next;
  for (; card != base->sentinelCard; card = card->next) {
    if (to) {
      CardId id = CardGetId(card);
      if (CardIdGreater(&id, to)) break;
    }
    if (--untilPump == 0) {
      untilPump = kCardsPerPump;
      PumpMessages();
      if (AbortRequested()) return false;
    }
    if (!Selection_matchCard(selection, card)) continue;
    if (filter && !filter(context, card)) continue;
    for (const GroupRecord* group = card->firstGroup; group; group = group->next) {
      if (!CompSelSelects(components, group->component)) continue;
      for (const LineRecord* line = group->firstLine; line; line = line->next) {
        if (RunLineTest(test, line)) BitVecSet(lines, line->number, true);
      }
    }
  }
  return true;
}

}  // namespace

bool Selection_collectLines(CardSelection* selection, BitVector* lines) {
  return CollectLines(selection, lines, &selection->from.cardId, &selection->to.cardId, nullptr,
                      nullptr);
}

bool Selection_collectLinesOfCards(CardSelection* selection, BitVector* lines, CardFilter filter,
                                   void* context) {
  return CollectLines(selection, lines, nullptr, nullptr, filter, context);
}

// --- Change notes --------------------------------------------------------------------------------

void Selection_onChange(CardSelection* selection, const ChangeNote* note) {
  if (note->code == kChangeComponentsRebuilt || note->code == kChangeComponentsDeleted)
    CompSelOnChange(&selection->components, note->code, note->index, note->componentSet);
  DateRefOnNotify(&selection->from, note, nullptr);
  DateRefOnNotify(&selection->to, note, nullptr);
  CombOnChange(&selection->subset, note);
}

void SelectionsOnChange(T_Base* base, const ChangeNote* note) {
  for (CardSelection* selection = base->selections; selection;) {
    CardSelection* following = selection->nextRegistered;
    Selection_onChange(selection, note);
    selection = following;
  }
}
