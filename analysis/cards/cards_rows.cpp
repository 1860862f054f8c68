// The rows of the cards window: building them from the card chain through the selection, their
// order under the sort keys, and their cell texts.
//
// Sorting never moves a row record: the order is a row map (display position to row). The sort
// is the core's quicksort, which is not stable, so every comparator breaks ties by the rows'
// natural positions; comparators only read, and the tree-order tables are built before any runs.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "analysis/boxwin/box_output.h"
#include "analysis/cards/cards_window.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/packed_date.h"
#include "core/parallel_sort.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/line_origins.h"
#include "database/web_request.h"
#include "ui/busy_indicator.h"
#include "ui/sort_orders.h"
#include "ui/value_choosers.h"

namespace {

constexpr int32_t kRowHeight = 14;
constexpr int32_t kNotesMinHeight = 10;
constexpr int32_t kNotesMaxHeight = 145;
constexpr int32_t kNotesLineHeight = 13;
constexpr int32_t kNotesBytes = 8000;
constexpr int32_t kStampLabels[] = {3502, 3503, 3504, 3505};  // Created .. Approved
constexpr int32_t kNotesStampLabel = 3506;

std::atomic<int64_t> compareCalls{0};

// --- Sorting
// ---------------------------------------------------------------------------------------

struct SortPlan {
  T_Cards* window = nullptr;
  T_Base* base = nullptr;
  CardsSortKey cardKeys[kCardsMaxKeys] = {};
  int32_t cardKeyCount = 0;
  CardsSortKey groupKeys[kCardsMaxKeys] = {};
  int32_t groupKeyCount = 0;
  CardsSortKey lineKeys[kCardsMaxKeys] = {};
  int32_t lineKeyCount = 0;
  bool reverseCards = false;
};

struct SortRange {
  const SortPlan* plan;
  int64_t* items;  // row numbers
  uint32_t kind;   // which comparator
};

const CardsRow* RowRecord(const T_Cards* window, int64_t row) {
  return reinterpret_cast<const CardsRow*>(PagedArrayAt(&window->rows, row));
}

bool KeyDescending(const CardsSortKey* key) {
  int32_t code = key->field;
  if (code == kColCardId || code == kColDate) return key->cardDirection == kSortDescending;
  if (CardsFieldDimension(code) >= 0) return key->dimensionOrder == kTreeReversed;
  if (CardsFieldColumn(code) >= 0) return key->valueOrder <= kValueAbsDescending;
  return key->textDirection == kSortDescending;
}

int32_t CompareCards(const SortPlan* plan, const CardRecord* a, const CardRecord* b) {
  for (int32_t k = 0; k < plan->cardKeyCount; ++k) {
    const CardsSortKey& key = plan->cardKeys[k];
    int32_t result = 0;
    if (key.field == kColCardId) {
      result = CardCompareById(a, b, key.cardDirection);
    } else if (key.field == kColDate) {
      result = PackedDateCompare(a->dateNode ? a->dateNode->date : 0,
                                 b->dateNode ? b->dateNode->date : 0, key.cardDirection);
    } else {
      result =
          CompareComponentTexts(a->title, b->title, key.textDirection, plan->base->linkContext);
    }
    if (result) return result;
  }
  return 0;
}

int32_t CompareGroups(const SortPlan* plan, const GroupRecord* a, const GroupRecord* b) {
  for (int32_t k = 0; k < plan->groupKeyCount; ++k) {
    const CardsSortKey& key = plan->groupKeys[k];
    int32_t result = CompareByTreeOrder(plan->window, static_cast<int32_t>(a->component),
                                        static_cast<int32_t>(b->component), key.dimensionOrder);
    if (result) return result;
  }
  return 0;
}

int32_t CompareLines(const SortPlan* plan, const LineRecord* a, const LineRecord* b) {
  T_Base* base = plan->base;
  for (int32_t k = 0; k < plan->lineKeyCount; ++k) {
    const CardsSortKey& key = plan->lineKeys[k];
    int32_t result = 0;
    if (int32_t d = CardsFieldDimension(key.field); d > 0) {
      result = CompareByTreeOrder(
          plan->window, static_cast<int32_t>(base->GetLineComponent(a, d - 1)),
          static_cast<int32_t>(base->GetLineComponent(b, d - 1)), key.dimensionOrder);
    } else if (int32_t column = CardsFieldColumn(key.field); column >= 0) {
      result = CompareByValueOrder(base->GetLineValue(a, column), base->GetLineValue(b, column),
                                   key.valueOrder);
    } else if (key.field == kColLineText) {
      result = CompareComponentTexts(a->text, b->text, key.textDirection, base->linkContext);
    } else if (key.field == kColOrigin) {
      result = CompareLineOrigins(base, a, b);
      if (key.textDirection == kSortDescending) result = -result;
    }
    if (result) return result;
  }
  return 0;
}

int32_t CompareItems(void* context, int64_t i, int64_t j) {
  compareCalls.fetch_add(1, std::memory_order_relaxed);
  auto* range = static_cast<SortRange*>(context);
  int64_t rowA = range->items[i];
  int64_t rowB = range->items[j];
  const CardsRow* a = RowRecord(range->plan->window, rowA);
  const CardsRow* b = RowRecord(range->plan->window, rowB);
  int32_t result = 0;
  if (range->kind == kRowCard)
    result = CompareCards(range->plan, a->card, b->card);
  else if (range->kind == kRowGroup)
    result = CompareGroups(range->plan, a->group, b->group);
  else
    result = CompareLines(range->plan, a->line, b->line);
  if (result) return result;
  // Ties keep the rows in their previous order.
  return rowA < rowB ? -1 : rowA > rowB ? 1 : 0;
}

void SwapItems(void* context, int64_t i, int64_t j) {
  auto* range = static_cast<SortRange*>(context);
  std::swap(range->items[i], range->items[j]);
}

void SortItems(const SortPlan* plan, int64_t* items, int64_t n, uint32_t kind) {
  if (n < 2) return;
  SortRange range{plan, items, kind};
  ParallelSortContext context;
  ParallelSortInit(&context);
  context.compare = CompareItems;
  context.compareContext = &range;
  context.swap = SwapItems;
  context.swapContext = &range;
  ParallelSortCount(&context, n);
}

void Reverse(int64_t* items, int64_t n) { std::reverse(items, items + n); }

// A row map's block; without memory the rows stay in their natural order and the failure is no
// error of the calculation, so the pending error is left as it was.
int64_t* AllocRowMap(int64_t n) {
  PendingErrorSaved saved;
  PendingErrorSave(&saved);
  auto* map = static_cast<int64_t*>(MemAlloc(n * static_cast<int64_t>(sizeof(int64_t)), 2));
  PendingErrorRestore(&saved);
  return map;
}

// Cell texts
// ------------------------------------------------------------------------------------------

// The notes as one line: line ends become blanks, a CR LF pair one blank, cut at a character
// boundary within the byte limit.
void CollapseNotes(const char* notes, T_TextBuf* out) {
  TextBufAssign(out, "");
  if (!notes) return;
  const char* p = notes;
  for (; *p && out->length < kNotesBytes; ++p) {
    char c = *p;
    if (c == '\r' || c == '\n') {
      if (c == '\n' && p > notes && p[-1] == '\r') continue;
      c = ' ';
    }
    TextBufAppendChar(out, c);
  }
  // Cut inside a character: the character's first bytes go too.
  if ((static_cast<uint8_t>(*p) & 0xC0) == 0x80) {
    int32_t cut = out->length;
    while (cut > 0 && (static_cast<uint8_t>(out->data[cut - 1]) & 0xC0) == 0x80) --cut;
    if (cut > 0) --cut;
    TextBufTruncate(out, cut);
  }
}

}  // namespace

int64_t CardsCompareCalls() { return compareCalls.load(); }

// --- Row access
// -----------------------------------------------------------------------------------

const CardsRow* T_Cards::RowAt(int64_t position) const {
  if (position < 0 || position >= rows.count) return nullptr;
  int64_t row = rowMap ? rowMap[position] : position;
  return RowRecord(this, row);
}

void T_Cards::DropRows() {
  MemFree(rowMap);
  rowMap = nullptr;
  PagedArrayTruncate(&rows, 0);
  rowCount = 0;
  pageCount = 0;
  MemFree(pageStarts);
  pageStarts = nullptr;
  if (grid) {
    ClearCellSelection();
    UpdateScrollBoxes(true);
    InvalidateGrid();
  }
}

int64_t T_Cards::CountRows(uint32_t kind) const {
  int64_t n = 0;
  for (int64_t i = 0; i < rows.count; ++i) n += RowRecord(this, i)->kind == kind ? 1 : 0;
  return n;
}

int32_t T_Cards::ContentsScope() const {
  if (groupsMode == kContentsNone) return 0;
  if (groupsMode == kContentsSelected) return linesMode == kContentsSelected ? 2 : 1;
  return linesMode == kContentsSelected ? 2 : 0;
}

// --- Building
// ---------------------------------------------------------------------------------------

void T_Cards::RunCalculation(bool, bool) {
  recalcPending = 0;
  groupsMode = options.groupsMode;
  linesMode = options.linesMode;
  RebuildFields();
  DropRows();
  bool failed = AbortRequested() || !Selection_validate(&selection, this);
  if (!failed && database) {
    const bool showGroups = groupsMode != kContentsNone;
    const bool showLines = showGroups && linesMode != kContentsNone;
    const bool showNotes = FieldShown(kColNotes);
    const bool showStamps = FieldShown(kColSignatures);
    const ComponentSelection* components = &selection.components;
    auto add = [this](uint32_t kind, CardRecord* card, GroupRecord* group, LineRecord* line) {
      auto* row = reinterpret_cast<CardsRow*>(PagedArrayAtGrow(&rows, rows.count));
      if (!row) return false;
      *row = CardsRow{kind, card, group, line};
      return true;
    };
    auto groupPasses = [&](const GroupRecord* group) {
      if (!CompSelSelects(components, group->component)) return false;
      for (const LineRecord* line = group->firstLine; line; line = line->next)
        if (Selection_matchLine(&selection, line)) return true;
      return false;
    };
    bool stopped = false;
    CardRecord* first = nullptr;
    CardRecord* after = nullptr;
    const int64_t cards =
        database->CountCardsBetween(&selection.from.cardId, &selection.to.cardId, &first, &after);
    auto* busy = static_cast<T_BusyIndicator*>(busyIndicator);
    if (busy) {
      busy->Start();
      busy->AddWork(cards);
    }
    for (CardRecord* card = first ? first : database->sentinelCard;
         card != after && card != database->sentinelCard && !stopped; card = card->next) {
      if (AbortRequested()) break;
      if (busy) busy->Tick();
      if (!Selection_matchCard(&selection, card)) continue;
      bool listed = false;
      for (GroupRecord* group = card->firstGroup; group && !listed; group = group->next)
        listed = groupPasses(group);
      if (!listed) continue;
      stopped = !add(kRowCard, card, nullptr, nullptr);
      for (GroupRecord* group = card->firstGroup; group && showGroups && !stopped;
           group = group->next) {
        if (groupsMode == kContentsSelected && !groupPasses(group)) continue;
        stopped = !add(kRowGroup, card, group, nullptr);
        for (LineRecord* line = group->firstLine; line && showLines && !stopped;
             line = line->next) {
          if (linesMode == kContentsSelected && (!CompSelSelects(components, group->component) ||
                                                 !Selection_matchLine(&selection, line)))
            continue;
          stopped = !add(kRowLine, card, group, line);
        }
      }
      if (!stopped && showNotes && card->notes && card->notes[0])
        stopped = !add(kRowNotes, card, nullptr, nullptr);
      bool stamped =
          !SignatureStampIsEmpty(&card->created) || !SignatureStampIsEmpty(&card->changed) ||
          !SignatureStampIsEmpty(&card->examined) || !SignatureStampIsEmpty(&card->approved);
      if (!stopped && showStamps && stamped) stopped = !add(kRowSignatures, card, nullptr, nullptr);
    }
  }
  if (auto* busy = static_cast<T_BusyIndicator*>(busyIndicator)) {
    if (AbortRequested())
      busy->Reset();
    else
      busy->Finish();
  }
  rowCount = rows.count;
  TrimSortKeys();
  if (currentPage == 2 && shownKeyCount != options.keyCount) RebuildCardsPageLater();
  SortRows();
  UpdateSortMarkers();
  UpdateScrollBoxes(true);
  InvalidateGrid();
  SetCalcButtonEnabled(failed || AbortRequested());
}

void T_Cards::TrimSortKeys() {
  while (options.keyCount > 1) {
    const CardsSortKey& last = options.keys[options.keyCount - 1];
    const CardsSortKey& before = options.keys[options.keyCount - 2];
    bool idAscending = last.field == kColCardId && last.cardDirection == kSortAscending;
    if (!idAscending && last.field != before.field) break;
    options.keys[--options.keyCount] = CardsSortKey{};
  }
  if (options.keyCount < 1) options.keyCount = 1;
}

void T_Cards::UpdateSortMarkers() {
  for (T_BoxField* f = firstField; f; f = f->next) f->SetSortIcons(0, 0);
  bool onlyDefault = options.keyCount == 1 && options.keys[0].field == kColCardId &&
                     options.keys[0].cardDirection == kSortAscending;
  if (onlyDefault && !userSorted) return;
  for (int32_t k = options.keyCount - 1; k >= 0; --k) {
    const CardsSortKey& key = options.keys[k];
    if (key.field < 0 || key.field >= kCardsFieldCount || !fields[key.field]) continue;
    uint32_t digit = options.keyCount >= 2 ? static_cast<uint32_t>(k + 1) : 0;
    fields[key.field]->SetSortIcons(KeyDescending(&key) ? kMarkerDescending : kMarkerAscending,
                                    digit);
  }
}

void T_Cards::SortRows() {
  MemFree(rowMap);
  rowMap = nullptr;
  const int64_t n = rows.count;
  if (n == 0 || !database) return;
  const bool showGroups = groupsMode != kContentsNone;
  const bool showLines = showGroups && linesMode != kContentsNone;

  SortPlan plan;
  plan.window = this;
  plan.base = database;
  bool firstCardKey = true;
  bool cardKeysDropped = false;
  for (int32_t k = 0; k < options.keyCount && k < kCardsMaxKeys; ++k) {
    const CardsSortKey& key = options.keys[k];
    if (!CardsFieldSortable(key.field)) continue;
    uint32_t level = CardsFieldLevel(key.field);
    if (level == kRowCard) {
      if (cardKeysDropped) continue;
      if (firstCardKey && key.field == kColCardId) {
        // The rows come in card-id order: ascending needs nothing, descending a reversal.
        plan.reverseCards = key.cardDirection == kSortDescending;
        cardKeysDropped = true;
        continue;
      }
      firstCardKey = false;
      plan.cardKeys[plan.cardKeyCount++] = key;
    } else if (level == kRowGroup) {
      if (showGroups) plan.groupKeys[plan.groupKeyCount++] = key;
    } else if (showLines) {
      // A key on a value column the database no longer has is dropped.
      int32_t column = CardsFieldColumn(key.field);
      if (column >= database->valueCount) continue;
      plan.lineKeys[plan.lineKeyCount++] = key;
    }
  }
  if (plan.cardKeyCount == 0 && plan.groupKeyCount == 0 && plan.lineKeyCount == 0 &&
      !plan.reverseCards)
    return;

  int64_t* map = AllocRowMap(n);
  if (!map) return;
  // Tree-order tables first: the comparators only read them.
  FreeTreeOrderTable();
  for (int32_t k = 0; k < plan.groupKeyCount; ++k)
    BuildTreeOrderTable(this, 0, plan.groupKeys[k].dimensionOrder);
  for (int32_t k = 0; k < plan.lineKeyCount; ++k) {
    int32_t d = CardsFieldDimension(plan.lineKeys[k].field);
    if (d > 0) BuildTreeOrderTable(this, d, plan.lineKeys[k].dimensionOrder);
  }

  // The card rows in order.
  int64_t cards = 0;
  for (int64_t i = 0; i < n; ++i)
    if (RowRecord(this, i)->kind == kRowCard) map[cards++] = i;
  if (plan.reverseCards)
    Reverse(map, cards);
  else
    SortItems(&plan, map, cards, kRowCard);

  if (cards == n) {
    rowMap = map;
    return;
  }
  int64_t* order = AllocRowMap(n);
  if (!order) {
    MemFree(map);
    return;
  }
  const bool hierarchical = plan.groupKeyCount > 0 || plan.lineKeyCount > 0;
  int64_t out = 0;
  for (int64_t c = 0; c < cards; ++c) {
    int64_t start = map[c];
    int64_t end = start + 1;
    while (end < n && RowRecord(this, end)->kind != kRowCard) ++end;
    order[out++] = start;
    if (!hierarchical) {
      for (int64_t r = start + 1; r < end; ++r) order[out++] = r;
      continue;
    }
    // Groups sorted, each followed by its sorted lines, then notes and signatures.
    int64_t groupsAt = out;
    for (int64_t r = start + 1; r < end; ++r)
      if (RowRecord(this, r)->kind == kRowGroup) order[out++] = r;
    int64_t groupCount = out - groupsAt;
    SortItems(&plan, order + groupsAt, groupCount, kRowGroup);
    // The sorted group rows move to the end of the map's free part while their lines go in.
    int64_t* groups = map + cards;  // free room: the map holds only the cards
    std::copy(order + groupsAt, order + out, groups);
    out = groupsAt;
    for (int64_t g = 0; g < groupCount; ++g) {
      int64_t groupRow = groups[g];
      order[out++] = groupRow;
      int64_t linesAt = out;
      for (int64_t r = groupRow + 1; r < end && RowRecord(this, r)->kind == kRowLine; ++r)
        order[out++] = r;
      SortItems(&plan, order + linesAt, out - linesAt, kRowLine);
    }
    for (int64_t r = start + 1; r < end; ++r) {
      uint32_t kind = RowRecord(this, r)->kind;
      if (kind == kRowNotes || kind == kRowSignatures) order[out++] = r;
    }
  }
  MemFree(map);
  rowMap = order;
}

// --- Row slots
// ---------------------------------------------------------------------------------------

int32_t T_Cards::GetRowHeight(int64_t row) {
  const CardsRow* record = RowAt(row);
  if (!record || record->kind != kRowNotes) return kRowHeight;
  // Notes rows measure their text on the notes column's width.
  T_CardsField* notesField = fields[kColNotes];
  int32_t width = notesField ? notesField->Width() : 80;
  int32_t perLine = std::max(1, (width - 4) / 6);
  int32_t lines = 0;
  int32_t run = 0;
  for (const char* p = record->card->notes; p && *p; ++p) {
    if (*p == '\r' || *p == '\n') {
      if (*p == '\n' && p > record->card->notes && p[-1] == '\r') continue;
      lines += run / perLine + 1;
      run = 0;
      continue;
    }
    if ((static_cast<uint8_t>(*p) & 0xC0) != 0x80) ++run;
  }
  lines += run / perLine + 1;
  return std::clamp(lines * kNotesLineHeight + 1, kNotesMinHeight, kNotesMaxHeight);
}

bool T_Cards::IsGroupStart(int64_t row) {
  const CardsRow* record = RowAt(row);
  return record && record->kind == kRowCard;
}

bool T_Cards::IsDataRow(int64_t row) {
  const CardsRow* record = RowAt(row);
  return record && record->kind != kRowCard;
}

int32_t T_Cards::GetRowLayout(int64_t row) {
  const CardsRow* record = RowAt(row);
  return record ? static_cast<int32_t>(record->kind) : 0;
}

void T_Cards::FormatRow(RowTextPool* pool, int64_t row) {
  const CardsRow* record = RowAt(row);
  if (!record || !database) return;
  char buffer[64];
  switch (record->kind) {
    case kRowCard: {
      CardId id = CardGetId(record->card);
      if (T_CardsField* f = fields[kColCardId]) {
        char* cursor = buffer;
        FormatCardIdDigits(&cursor, &id, database->cardDigits);
        *cursor = 0;
        PutCellText(pool, f, buffer);
      }
      if (T_CardsField* f = fields[kColDate]) {
        char* cursor = buffer;
        int32_t style =
            WebRequestActive() ? DateStyleGet() : static_cast<int32_t>(options.dateStyle);
        formatDate(&cursor, id.date, style);
        *cursor = 0;
        PutCellText(pool, f, buffer);
      }
      if (T_CardsField* f = fields[kColTitle]; f && record->card->title)
        PutCellText(pool, f, record->card->title);
      pool->lineAbove = options.gridLines;
      return;
    }
    case kRowGroup:
      if (T_CardsField* f = fields[kColDim0])
        PutComponentText(pool, f, database, record->group->component, 0,
                         options.fields[kColDim0].display);
      return;
    case kRowLine: {
      const LineRecord* line = record->line;
      for (T_BoxField* b = firstField; b; b = b->next) {
        auto* f = static_cast<T_CardsField*>(b);
        if (f->level != kRowLine) continue;
        const CardsFieldOptions& o = options.fields[f->code];
        if (int32_t d = CardsFieldDimension(f->code); d > 0) {
          PutComponentText(pool, f, database, database->GetLineComponent(line, d - 1), d,
                           o.display);
        } else if (int32_t column = CardsFieldColumn(f->code); column >= 0) {
          double value = database->GetLineValue(line, column);
          PutNumberText(pool, f, value, o.decimals, o.negative, false);
          f->cellColour = ValueColorIndex(value, o.colour);
        } else if (f->code == kColLineText) {
          if (line->text) PutCellText(pool, f, line->text);
        } else if (f->code == kColOrigin) {
          T_TextBuf origin;
          if (LineOriginText(database, line, &origin)) PutCellText(pool, f, origin.c_str());
        }
      }
      return;
    }
    case kRowNotes:
      if (T_CardsField* f = fields[kColNotes]) {
        T_TextBuf text;
        CollapseNotes(record->card->notes, &text);
        PutCellText(pool, f, text.c_str());
      }
      return;
    case kRowSignatures:
      if (T_CardsField* f = fields[kColSignatures]) {
        T_TextBuf text;
        const CardRecord* card = record->card;
        const SignatureStamp* stamps[] = {&card->created, &card->changed, &card->examined,
                                          &card->approved};
        auto append = [&](int32_t label, const SignatureStamp* stamp) {
          if (SignatureStampIsEmpty(stamp)) return;
          if (text.length) TextBufAppend(&text, ", ");
          TextBufAppend(&text, GetString(label));
          TextBufAppendChar(&text, ' ');
          char* cursor = buffer;
          FormatSignatureStamp(&cursor, stamp);
          *cursor = 0;
          TextBufAppend(&text, buffer);
        };
        for (int32_t i = 0; i < 4; ++i) append(kStampLabels[i], stamps[i]);
        if (fields[kColNotes]) append(kNotesStampLabel, &card->notesStamp);
        PutCellText(pool, f, text.c_str());
      }
      return;
    default:
      return;
  }
}
