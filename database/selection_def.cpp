#include "core/cstring.h"
#include "core/owned_text.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/change_notes.h"
#include "database/subsets.h"

namespace {

void Register(SelectionDef* def) {
  if (!def->database) return;
  def->nextRegistered = def->database->selectionDefs;
  def->database->selectionDefs = def;
}

void Unregister(SelectionDef* def) {
  if (!def->database) return;
  for (SelectionDef** link = &def->database->selectionDefs; *link;
       link = &(*link)->nextRegistered) {
    if (*link == def) {
      *link = def->nextRegistered;
      break;
    }
  }
  def->nextRegistered = nullptr;
}

char** PatternTextOf(SelectionDef* def, int32_t field) {
  switch (field) {
    case kPatternCardTitle:
      return &def->titleText;
    case kPatternLineText:
      return &def->lineText;
    case kPatternNotes:
      return &def->notesText;
    default:
      return nullptr;
  }
}

void FreeTexts(SelectionDef* def) {
  SelTextsClear(&def->componentTexts);
  BlockTextFree(&def->titleText);
  BlockTextFree(&def->lineText);
  BlockTextFree(&def->notesText);
  for (char*& text : def->valueTexts) BlockTextFree(&text);
  BlockTextFree(&def->subsetText);
}

int32_t ColumnCount(const SelectionDef* def) {
  return def->database ? def->database->valueCount : kMaxValueCount;
}

int64_t TextSize(const char* text) { return text ? BlockTextLength(text) + 1 : 0; }

}  // namespace

void SelectionDef_init(SelectionDef* def, T_Base* database) {
  def->database = database;
  def->componentTexts = SelectionTexts{};
  DateRefInit(&def->from, database, kDirectionFrom);
  DateRefSetKind(&def->from, kDateRefFile);
  DateRefInit(&def->to, database, kDirectionTo);
  DateRefSetKind(&def->to, kDateRefFile);
  def->titleText = nullptr;
  def->lineText = nullptr;
  def->notesText = nullptr;
  for (char*& text : def->valueTexts) text = nullptr;
  def->subsetText = nullptr;
  def->nextRegistered = nullptr;
  Register(def);
}

void SelectionDef_free(SelectionDef* def) {
  Unregister(def);
  FreeTexts(def);
  DateRefFree(&def->from);
  DateRefFree(&def->to);
}

void SelectionDef_clear(SelectionDef* def) {
  FreeTexts(def);
  DateRefSetKind(&def->from, kDateRefFile);
  DateRefSetKind(&def->to, kDateRefFile);
}

void SelectionDef_copy(SelectionDef* target, const SelectionDef* source) {
  if (target == source) return;
  SelTextsCopy(&target->componentTexts, &source->componentTexts);
  DateRefCopy(&target->from, &source->from);
  DateRefCopy(&target->to, &source->to);
  BlockTextAssign(&target->titleText, source->titleText);
  BlockTextAssign(&target->lineText, source->lineText);
  BlockTextAssign(&target->notesText, source->notesText);
  for (int32_t column = 0; column < kMaxValueCount; ++column)
    BlockTextAssign(&target->valueTexts[column], source->valueTexts[column]);
  BlockTextAssign(&target->subsetText, source->subsetText);
}

void SelectionDef_fromSelection(SelectionDef* def, CardSelection* selection) {
  SelTextsFromSelection(&def->componentTexts, &selection->components);
  T_TextBuf text;
  DateRefCopy(&def->from, &selection->from);
  DateRefCopy(&def->to, &selection->to);
  BlockTextAssign(&def->titleText, selection->titleText);
  BlockTextAssign(&def->lineText, selection->lineText);
  BlockTextAssign(&def->notesText, selection->notesText);
  for (int32_t column = 0; column < kMaxValueCount; ++column)
    BlockTextAssign(&def->valueTexts[column], selection->valueTexts[column]);
  CombPrint(&selection->subset, &text, 0);
  BlockTextAssignBuf(&def->subsetText, &text);
}

void SelectionDef_setComponentText(SelectionDef* def, int32_t dimension, const char* text) {
  SelTextsSet(&def->componentTexts, dimension, text, StrLen(text));
}

void SelectionDef_setPattern(SelectionDef* def, int32_t field, const char* text) {
  if (char** holder = PatternTextOf(def, field)) BlockTextAssign(holder, text);
}

void SelectionDef_setCondition(SelectionDef* def, int32_t column, const char* text) {
  if (column >= 0 && column < kMaxValueCount) BlockTextAssign(&def->valueTexts[column], text);
}

void SelectionDef_setSubset(SelectionDef* def, const char* text) {
  BlockTextAssign(&def->subsetText, text);
}

void SelectionDef_andValueCondition(SelectionDef* def, int32_t column, const char* text) {
  if (column < 0 || column >= kMaxValueCount) return;
  T_TextBuf joined(def->valueTexts[column]);
  AndConditionText(&joined, text);
  BlockTextAssignBuf(&def->valueTexts[column], &joined);
}

bool SelectionDef_equal(const SelectionDef* a, const SelectionDef* b) {
  if (!SelTextsEqual(&a->componentTexts, &b->componentTexts)) return false;
  if (!DateRefEqual(&a->from, &b->from) || !DateRefEqual(&a->to, &b->to)) return false;
  if (!StrEqualNullAsEmpty(a->titleText, b->titleText) ||
      !StrEqualNullAsEmpty(a->lineText, b->lineText) ||
      !StrEqualNullAsEmpty(a->notesText, b->notesText))
    return false;
  for (int32_t column = 0; column < ColumnCount(a) && column < kMaxValueCount; ++column) {
    if (!StrEqualNullAsEmpty(a->valueTexts[column], b->valueTexts[column])) return false;
  }
  return StrEqualNullAsEmpty(a->subsetText, b->subsetText);
}

bool SelectionDef_isRestricted(const SelectionDef* def) {
  if (SelTextsAnySet(&def->componentTexts)) return true;
  // "File" shifted by days does restrict; only the bound without offset is open.
  if (!IsOpenBound(&def->from) || !IsOpenBound(&def->to)) return true;
  if (def->titleText || def->lineText || def->notesText || def->subsetText) return true;
  for (int32_t column = 0; column < ColumnCount(def) && column < kMaxValueCount; ++column) {
    if (def->valueTexts[column]) return true;
  }
  return false;
}

int64_t SelectionDef_byteSize(const SelectionDef* def) {
  int64_t size = static_cast<int64_t>(sizeof(SelectionDef));
  size += SelTextsMemSize(&def->componentTexts);
  size += TextSize(def->from.text) + TextSize(def->to.text);
  size += TextSize(def->titleText) + TextSize(def->lineText) + TextSize(def->notesText);
  for (const char* text : def->valueTexts) size += TextSize(text);
  return size + TextSize(def->subsetText);
}

void SelectionDef_onChange(SelectionDef* def, const ChangeNote* note) {
  if (note->code == kChangeDimensionEdited) {
    SelTextsOnChange(&def->componentTexts, def->database, note);
  } else if (note->code == kChangeSubset && def->subsetText) {
    const Subset* renamed = FindLiveSubset(note->object);
    if (!renamed) return;
    T_TextBuf text(def->subsetText);
    CombRenameInText(&text, note->oldName, renamed->name);
    BlockTextAssignBuf(&def->subsetText, &text);
  }
}

void SelectionDefsOnChange(T_Base* base, const ChangeNote* note) {
  bool concerns = note->code == kChangeDimensionEdited ||
                  (note->code == kChangeSubset && SubsetIsStored(note->object));
  if (!concerns) return;
  for (SelectionDef* def = base->selectionDefs; def;) {
    SelectionDef* following = def->nextRegistered;
    SelectionDef_onChange(def, note);
    def = following;
  }
}
