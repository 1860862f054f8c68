#include "database/save_filter.h"

#include "database/base.h"
#include "database/cards.h"
#include "database/model_records.h"
#include "database/save_options.h"
#include "database/template_sections.h"
#include "database/templates.h"

namespace {

bool LinePassesSelection(const SaveFilter* filter, const LineRecord* line) {
  if (!Selection_matchLine(&filter->selection, line)) return false;
  return !filter->useTemplateLines || (line->number < filter->templateLines.count &&
                                       BitVecGet(&filter->templateLines, line->number));
}

bool GroupHoldsPassingLine(const SaveFilter* filter, const GroupRecord* group) {
  if (!CompSelSelects(&filter->selection.components, group->component)) return false;
  for (const LineRecord* line = group->firstLine; line; line = line->next) {
    if (LinePassesSelection(filter, line)) return true;
  }
  return false;
}

// The lines that the templates passing the save's template filter would select.
void MarkTemplateLines(SaveFilter* filter, T_Base* base) {
  BitVecInit(&filter->templateLines, base->linePool.count > 0 ? base->linePool.count : 1, 0);
  BitVecFill(&filter->templateLines, false);
  TemplateFilter templates(&base->saveOptions);
  T_Template* root = base->rootTemplate;
  for (T_Template* templ = root ? root->firstChild : nullptr; templ;
       templ = templ->NextBelow(root)) {
    if (templates.Passes(templ)) templ->MarkSelectedLines(&filter->templateLines);
  }
}

}  // namespace

void SaveFilterBegin(SaveFilter* filter, T_Base* base) {
  const SaveOptions* options = &base->saveOptions;
  const SelectionDef* def = options->filter;
  bool restricted = def && SelectionDef_isRestricted(def);
  if (options->kind == kSaveKindSie) {
    filter->active = restricted;
  } else {
    bool writesData = options->sections[kSectionDimensions] || options->sections[kSectionCards];
    filter->active = writesData && (restricted || options->templateLinesOnly);
  }
  if (!filter->active) return;
  Selection_init(&filter->selection, base, nullptr, nullptr);
  if (def) Selection_setFromDef(&filter->selection, def);
  Selection_validate(&filter->selection, nullptr);
  filter->useTemplateLines = options->kind != kSaveKindSie && options->templateLinesOnly;
  if (filter->useTemplateLines) MarkTemplateLines(filter, base);
  filter->level = options->selectionLevel;
}

void SaveFilterEnd(SaveFilter* filter) {
  if (!filter->active) return;
  Selection_free(&filter->selection);
  if (filter->useTemplateLines) BitVecFree(&filter->templateLines);
  filter->active = false;
  filter->useTemplateLines = false;
}

bool SaveFilterCard(const SaveFilter* filter, const CardRecord* card) {
  if (!filter->active) return true;
  CardId id = CardGetId(card);
  if (!CardIdInRange(&id, &filter->selection.from.cardId, &filter->selection.to.cardId))
    return false;
  if (!Selection_matchCard(&filter->selection, card)) return false;
  for (const GroupRecord* group = card->firstGroup; group; group = group->next) {
    if (GroupHoldsPassingLine(filter, group)) return true;
  }
  return false;
}

bool SaveFilterGroup(const SaveFilter* filter, const GroupRecord* group) {
  if (!filter->active || filter->level == 0) return true;
  return GroupHoldsPassingLine(filter, group);
}

bool SaveFilterLine(const SaveFilter* filter, const LineRecord* line) {
  if (!filter->active || filter->level < 2) return true;
  return LinePassesSelection(filter, line);
}

void MarkComponentsOfWrittenCards(T_Base* base, BitVector* set, int32_t d) {
  SaveFilter filter;
  SaveFilterBegin(&filter, base);
  if (!filter.active) {
    SaveFilterEnd(&filter);
    base->MarkUsedComponents(set, d);
    return;
  }
  if (!BitVecResizeFill(set, base->componentPool.count, false)) {
    SaveFilterEnd(&filter);
    return;
  }
  if (base->HasSubComponents(d) && (d == 0 || d - 1 < base->lineSlots)) {
    for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard;
         card = card->next) {
      if (!SaveFilterCard(&filter, card)) continue;
      for (GroupRecord* group = card->firstGroup; group; group = group->next) {
        if (!SaveFilterGroup(&filter, group)) continue;
        if (d == 0) {
          if (group->component < set->count) BitVecSet(set, group->component, true);
          continue;
        }
        for (LineRecord* line = group->firstLine; line; line = line->next) {
          if (!SaveFilterLine(&filter, line)) continue;
          const int64_t component =
              ReadLineReference(line, base->referenceOffset, base->referenceWidth, d - 1);
          if (component < set->count) BitVecSet(set, component, true);
        }
      }
    }
  }
  BitVecSet(set, d, false);
  SaveFilterEnd(&filter);
}

void CountWrittenCards(T_Base* base, int64_t* cards, int64_t* lines) {
  SaveFilter filter;
  SaveFilterBegin(&filter, base);
  if (!filter.active) {
    SaveFilterEnd(&filter);
    *cards = base->cardCount;
    *lines = base->lineCount;
    return;
  }
  *cards = 0;
  *lines = 0;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    if (!SaveFilterCard(&filter, card)) continue;
    ++*cards;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      if (!SaveFilterGroup(&filter, group)) continue;
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        if (SaveFilterLine(&filter, line)) ++*lines;
      }
    }
  }
  SaveFilterEnd(&filter);
}
