// The card editor's rows: loading a card into them, the line commands, what a cell shows and what
// typed text does to it (components, line texts, value expressions), the card-id field, and the
// lines on the clipboard as a "line" element or a tab-separated table.
#include <cmath>
#include <cstring>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "analysis/cards/card_editor.h"
#include "core/alert.h"
#include "core/formula.h"
#include "core/input_stream.h"
#include "core/localized_text.h"
#include "core/utf8.h"
#include "core/memory.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/card_records.h"
#include "database/cards.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "database/date_ref.h"
#include "ui/edit_field.h"

namespace {

// Bounds of what the clipboard may bring.
constexpr int32_t kMaxPastedAttributes = 64;
constexpr int64_t kMaxPastedRows = 100000;
constexpr int32_t kMaxTitleBytes = 1023;

// Formula variables beside the value names.
constexpr int32_t kVarEquals = 0;
constexpr int32_t kVarBalance = 1;
constexpr int32_t kVarSum = 2;
constexpr int32_t kVarDitto = 3;
constexpr int32_t kVarPrevious = 4;
constexpr int32_t kVarFirstValue = 5;

bool ValueIsSet(double value) { return value != 0.0 || std::isnan(value); }

// The first and the end row of the group around row r: from after the nearest group row above
// (or the top) to the next group row (or the end).
void GroupBounds(T_CardEditor* editor, int64_t r, int64_t* first, int64_t* end) {
  int64_t top = r;
  while (top > 0 && editor->Row(top - 1)->kind != kRowGroup) --top;
  int64_t bottom = r + 1;
  while (bottom < editor->RowCount() && editor->Row(bottom)->kind != kRowGroup) ++bottom;
  *first = top;
  *end = bottom;
}

// Exact code, host code, then text; 0 for nothing.
int64_t ResolveExact(T_Base* base, int32_t dimension, const char* text) {
  if (!text || !*text) return 0;
  ComponentRecord* c = FindByCode(base, dimension, text);
  if (!c) c = FindByHostCode(base, dimension, text);
  if (!c) c = FindByText(base, dimension, text);
  return c ? c->number : 0;
}

}  // namespace

namespace {

bool CardIdTaken(T_Base* base, const CardId* id) {
  CardRecord* found = FindCardAtOrBefore(base, id);
  if (found == base->sentinelCard) return false;
  CardId at = CardGetId(found);
  return CardIdEqual(&at, id);
}

// The first number on the date that no card has, from 1.
CardId FirstFreeId(T_Base* base, PackedDate date) {
  CardId id{date, 1};
  while (id.sequence < kLargestCardNumber && CardIdTaken(base, &id)) ++id.sequence;
  return id;
}

}  // namespace

// --- Rows ------------------------------------------------------------------------------------------

int32_t T_CardEditor::FieldCode(int32_t field) const {
  return field >= 0 && field < static_cast<int32_t>(fieldCodes.size()) ? fieldCodes[static_cast<size_t>(field)]
                                                                        : -1;
}

int32_t T_CardEditor::FieldOfCode(int32_t code) const {
  for (size_t i = 0; i < fieldCodes.size(); ++i)
    if (fieldCodes[i] == code) return static_cast<int32_t>(i);
  return -1;
}

void T_CardEditor::ClearRow(CardRow* row) {
  BlockTextFree(&row->text);
  *row = CardRow{};
  for (int32_t i = 0; i < kDimensionCount; ++i) row->slots[i] = i + 1 < kDimensionCount ? i + 1 : 0;
}

bool T_CardEditor::InsertRow(int64_t at) {
  if (at < 0) at = 0;
  if (at > RowCount()) at = RowCount();
  CardRow row;
  ClearRow(&row);
  try {
    rows.insert(rows.begin() + at, row);
  } catch (const std::bad_alloc&) {
    PendingErrorOutOfMemory();
    return false;
  }
  rowCount = RowCount();
  UpdateScrollBoxes(true);
  InvalidateGrid();
  return true;
}

void T_CardEditor::RemoveRow(int64_t row) {
  if (!Row(row)) return;
  if (RowCount() == 1) {
    ClearRow(Row(row));
  } else {
    BlockTextFree(&rows[static_cast<size_t>(row)].text);
    rows.erase(rows.begin() + row);
  }
  rowCount = RowCount();
  if (currentRow >= RowCount()) currentRow = RowCount() - 1;
  UpdateScrollBoxes(true);
  InvalidateGrid();
}

void T_CardEditor::DuplicateRow(int64_t row) {
  if (!Row(row) || !InsertRow(row + 1)) return;
  CardRow* from = Row(row);
  CardRow* copy = Row(row + 1);
  *copy = *from;
  copy->text = nullptr;
  copy->link = nullptr;
  BlockTextAssignBlock(&copy->text, from->text);
  currentRow = row + 1;
}

bool T_CardEditor::MoveRow(int64_t row, int32_t direction) {
  int64_t other = row + direction;
  if (!Row(row) || !Row(other)) return false;
  std::swap(rows[static_cast<size_t>(row)], rows[static_cast<size_t>(other)]);
  currentRow = other;
  InvalidateGrid();
  return true;
}

void T_CardEditor::MoveRows(int64_t first, int64_t last, int64_t to) {
  if (first < 0 || last >= RowCount() || first > last || (to >= first && to <= last + 1)) return;
  std::vector<CardRow> block(rows.begin() + first, rows.begin() + last + 1);
  rows.erase(rows.begin() + first, rows.begin() + last + 1);
  if (to > last) to -= last - first + 1;
  rows.insert(rows.begin() + to, block.begin(), block.end());
  currentRow = to;
  InvalidateGrid();
}

void T_CardEditor::CheckRowEmpty(int64_t r) {
  CardRow* row = Row(r);
  if (!row) return;
  if (row->kind == kRowGroup) {
    if (row->slots[0] < kDimensionCount) {
      ClearRow(row);
      InvalidateRows(r, r);
    }
    return;
  }
  if (row->kind != kRowLine) return;
  bool used = row->text && row->text[0];
  for (int32_t i = 0; i < database->lineSlots && !used; ++i) used = row->slots[i] != i + 1;
  for (int32_t c = 0; c < database->valueCount && !used; ++c) used = ValueIsSet(row->values[c]);
  if (!used) {
    ClearRow(row);
    InvalidateRows(r, r);
  }
}

void T_CardEditor::SetCurrentRow(int64_t r) {
  if (r == currentRow) return;
  int64_t left = currentRow;
  currentRow = r;
  CheckRowEmpty(left);
}

int64_t T_CardEditor::CountDataLines() const {
  int64_t n = 0;
  for (const CardRow& row : rows) n += row.kind == kRowLine;
  return n;
}

// --- Loading ---------------------------------------------------------------------------------------

void T_CardEditor::LoadCard() {
  for (CardRow& row : rows) BlockTextFree(&row.text);
  rows.clear();
  CardRecord* card = storedCard;
  if (card) {
    cardId = CardGetId(card);
    BlockTextAssignBlock(&title, card->title);
    BlockTextAssignBlock(&cardNotes, card->notes);
    created = card->created;
    changed = card->changed;
    notesStamp = card->notesStamp;
    examined = card->examined;
    approved = card->approved;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      CardRow groupRow;
      ClearRow(&groupRow);
      groupRow.kind = kRowGroup;
      groupRow.slots[0] = group->component;
      groupRow.link = group;
      rows.push_back(groupRow);
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        CardRow lineRow;
        ClearRow(&lineRow);
        lineRow.kind = kRowLine;
        database->GetLineComponents(line, lineRow.slots);
        for (int32_t c = 0; c < database->valueCount; ++c) lineRow.values[c] = database->GetLineValue(line, c);
        BlockTextAssignBlock(&lineRow.text, line->text);
        lineRow.link = line;
        rows.push_back(lineRow);
      }
    }
  } else {
    cardId = FirstFreeId(database, PackedDateToday());
    BlockTextAssign(&title, GetString(3507));
  }
  BlockTextAssignBlock(&storedNotes, cardNotes);
  if (rows.empty()) {
    CardRow row;
    ClearRow(&row);
    rows.push_back(row);
  }
  rowCount = RowCount();
  currentRow = 0;
}

// --- Cells -----------------------------------------------------------------------------------------

void T_CardEditor::CellText(T_TextBuf* out, int64_t r, int32_t code) {
  TextBufAssign(out, "");
  CardRow* row = Row(r);
  if (!row) return;
  if (row->kind == kRowGroup) {
    if (code == kFieldGroup && row->slots[0] > 0) database->GetComponentText(out, row->slots[0], 0);
    return;
  }
  if (row->kind != kRowLine || code == kFieldGroup) return;
  if (code == kFieldLineText) {
    TextBufAssign(out, row->text);
  } else if (code >= 1 && code <= database->valueCount) {
    double value = row->values[code - 1];
    if (ValueIsSet(value)) formatNumber(out, value, database->decimalsCodes[code - 1], kSignPlain);
  } else if (code > kFieldGroup && code - kFieldGroup - 1 < kDimensionCount) {
    int32_t dimension = code - kFieldGroup;
    int64_t component = row->slots[dimension - 1];
    if (component > kDimensionCount - 1 || (component > 0 && component != dimension))
      database->GetComponentText(out, component, dimension);
  }
}

void T_CardEditor::StoreCellText(int64_t r, int32_t code, const char* text) {
  CardRow* row = Row(r);
  if (!row || code < 0) return;
  if (row->kind == kRowEmpty) row->kind = code == kFieldGroup ? kRowGroup : kRowLine;
  if ((row->kind == kRowGroup) != (code == kFieldGroup)) return;
  T_TextBuf typed(text ? text : "");
  if (code >= kFieldGroup) {
    int32_t dimension = code - kFieldGroup;
    int32_t slot = dimension == 0 ? 0 : dimension - 1;
    TextBufTrim(&typed, ' ');
    int64_t component = dimension == 0 ? 0 : dimension;
    if (typed.length) {
      component = ResolveExact(database, dimension, typed.data);
      if (!component) component = database->FindComponentOrAsk(dimension, typed.data, typed.length, this);
      if (component < kDimensionCount) return;  // nothing found: the cell keeps its component
    }
    row->slots[slot] = component;
  } else if (code == kFieldLineText) {
    BlockTextAssign(&row->text, typed.data);
  } else if (code <= database->valueCount) {
    double value = 0;
    T_TextBuf shown;
    if (!CardEditor_evalCellExpression(this, typed.data, code - 1, r, &value, &shown)) {
      PendingErrorReport();
      return;
    }
    T_TextBuf old;
    CellText(&old, r, code);
    if (std::strcmp(old.data, shown.data) != 0) row->values[code - 1] = value;
  }
  InvalidateRows(r, r);
}

bool CardEditor_evalCellExpression(T_CardEditor* editor, const char* text, int32_t column, int64_t r,
                                   double* value, T_TextBuf* out) {
  T_Base* base = editor->database;
  int32_t decimals = base->decimalsCodes[column];
  T_TextBuf typed(text ? text : "");
  TextBufTrim(&typed, ' ');
  if (typed.length == 0) {
    *value = 0;
    TextBufAssign(out, "");
    return true;
  }
  // The variables: the group's balance and sum, the line above and the row's own values.
  int64_t first = 0, end = 0;
  GroupBounds(editor, r, &first, &end);
  double sum = 0;
  double previous = 0;
  bool previousFound = false;
  for (int64_t i = first; i < end; ++i) {
    CardRow* other = editor->Row(i);
    if (i == r || other->kind != kRowLine) continue;
    if (!std::isnan(other->values[column])) sum += other->values[column];
  }
  for (int64_t i = r - 1; i >= first && !previousFound; --i) {
    CardRow* other = editor->Row(i);
    if (other->kind == kRowLine) {
      previous = other->values[column];
      previousFound = true;
    }
  }
  int32_t count = kVarFirstValue + base->valueCount;
  std::vector<char> table(sizeof(int32_t) + static_cast<size_t>(count) * kExprNameRowSize, 0);
  std::memcpy(table.data(), &count, sizeof count);
  auto name = [&](int32_t index, const char* n) {
    std::strncpy(table.data() + sizeof(int32_t) + static_cast<size_t>(index) * kExprNameRowSize, n,
                 kExprNameRowSize - 1);
  };
  std::vector<double> values(static_cast<size_t>(count), 0.0);
  name(kVarEquals, "=");
  name(kVarBalance, "bal");
  name(kVarSum, "sum");
  name(kVarDitto, "\"");
  name(kVarPrevious, "prev");
  values[kVarEquals] = values[kVarBalance] = -sum;
  values[kVarSum] = sum;
  values[kVarDitto] = values[kVarPrevious] = previous;
  CardRow* row = editor->Row(r);
  for (int32_t c = 0; c < base->valueCount; ++c) {
    T_TextBuf valueName;
    base->GetValueName(&valueName, c);
    name(kVarFirstValue + c, valueName.data);
    values[static_cast<size_t>(kVarFirstValue + c)] = row ? row->values[c] : 0;
  }
  ExprProgram* program = nullptr;
  PendingErrorClear();
  Expr_Compile(&program, &typed, table.data());
  if (!program) {
    if (PendingError.request.message) {
      T_TextBuf message;
      AlertFormatText(&PendingError.request, &message);
      TextBufAssignBuf(out, &message);
      return false;
    }
    // Nothing could be read as a formula: the text stands for no value.
    *value = 0;
    TextBufAssign(out, "");
    return true;
  }
  double result = Expr_Run(&program, values.data());
  MemFreeHeld(&program);
  result = roundToDecimals(result, decimals);
  *value = result;
  TextBufAssign(out, "");
  if (ValueIsSet(result)) formatNumber(out, result, decimals, kSignPlain);
  return true;
}

// --- Card id ---------------------------------------------------------------------------------------

void T_CardEditor::TakeCardIdText(const char* text) {
  T_TextBuf typed(text ? text : "");
  TextBufTrim(&typed, ' ');
  if (typed.length == 0) {
    if (storedCard)
      cardId = CardGetId(storedCard);
    else
      cardId = FirstFreeId(database, PackedDateToday());
    ShowCardId();
    return;
  }
  DateRef ref;
  DateRefInit(&ref, database, kDirectionFrom);
  DateRefParse(&ref, typed.data, typed.length);
  PackedDate date = ref.cardId.date;
  DateRefFree(&ref);
  if (date != 0) {
    if (storedCard && storedCard->dateNode->date == date)
      cardId = CardGetId(storedCard);
    else if (date != cardId.date)
      cardId = FirstFreeId(database, date);
  }
  ShowCardId();
}

void T_CardEditor::StepCardDate(int32_t years, int32_t months, int32_t days) {
  PackedDate date = cardId.date;
  if (years || months) date = PackedDateAddMonths(date, years, months);
  for (int32_t i = 0; i < days; ++i) date = PackedDateNextDay(date);
  for (int32_t i = 0; i > days; --i) date = PackedDatePrevDay(date);
  if (date == 0 || PackedDateYear(date) < kFirstYear || PackedDateYear(date) > kLastYear) return;
  if (storedCard && storedCard->dateNode->date == date)
    cardId = CardGetId(storedCard);
  else
    cardId = FirstFreeId(database, date);
  ShowCardId();
}

void T_CardEditor::ShowCardId() {
  if (!idEdit) return;
  T_TextBuf text;
  FormatCardIdToString(&text, &cardId, database->cardDigits);
  idEdit->SetText(text.data);
}

void T_CardEditor::SetTitleText(const char* text) {
  T_TextBuf typed(text ? text : "");
  TextBufTrim(&typed, ' ');
  if (typed.length > kMaxTitleBytes) TextBufTruncate(&typed, Utf8BoundaryAtOrBefore(typed.data, kMaxTitleBytes));
  BlockTextAssign(&title, typed.data);
}

void T_CardEditor::SetNotesText(const char* text) {
  T_TextBuf typed(text ? text : "");
  TextBufTrimRight(&typed, ' ');
  TextBufTrimRight(&typed, '\r');
  BlockTextAssign(&cardNotes, typed.data);
}

// --- The clipboard ---------------------------------------------------------------------------------

int32_t CardEditor_clipboardKind(const char* text) {
  if (!text) return 0;
  const char* p = text;
  while (*p == ' ' || *p == '\r' || *p == '\n' || *p == '\t') ++p;
  if (std::strncmp(p, "<line", 5) == 0 && (p[5] == ' ' || p[5] == '/' || p[5] == '>')) return 1;
  return std::strchr(text, '\t') ? 2 : 0;
}

void CardEditor_copyLineXml(T_CardEditor* editor, int64_t r, T_TextBuf* out) {
  T_Base* base = editor->database;
  T_OStream stream;
  stream.PutText("<line");
  CardRow* row = editor->Row(r);
  if (row && row->kind == kRowLine) {
    for (int32_t d = 1; d <= base->lineSlots; ++d) {
      int64_t component = row->slots[d - 1];
      if (component <= 0 || component == d) continue;
      ComponentRecord* record = ComponentAt(base, component);
      if (!record || !record->code) continue;
      char name[8];
      std::snprintf(name, sizeof name, "dim%d", d + 1);
      stream.PutAttributeAlways(name, record->code);
    }
    if (row->text && row->text[0]) stream.PutAttributeAlways("text", row->text);
    for (int32_t c = 0; c < base->valueCount; ++c) {
      char name[12] = "value";
      if (c > 0) std::snprintf(name, sizeof name, "value%d", c + 1);
      char number[kCardValueMax];
      FormatCardValue(number, row->values[c], base->decimalsCodes[c]);
      stream.PutAttributeAlways(name, number);
    }
  }
  stream.PutText("/>");
  TextBufAssignBytes(out, reinterpret_cast<const char*>(stream.start),
                     static_cast<int32_t>(stream.pos - stream.start));
}

bool CardEditor_pasteLineXml(T_CardEditor* editor, int64_t r, const char* text) {
  T_Base* base = editor->database;
  CardRow* row = editor->Row(r);
  if (!row || row->kind == kRowGroup || !text) return false;
  T_IStream stream;
  stream.CtorFromMemory(text, static_cast<int64_t>(std::strlen(text)));
  if (!stream.NextXmlToken() || !stream.FieldIsTag("line")) return false;
  CardRow taken;
  editor->ClearRow(&taken);
  taken.kind = kRowLine;
  T_TextBuf name, value;
  for (int32_t n = 0; n < kMaxPastedAttributes && stream.NextXmlAttribute(&name, &value); ++n) {
    if (TextBufFindNoCase(&name, 0, "dim") == 0 && name.length > 3) {
      int32_t d = StrToInt(name.data + 3) - 1;  // "dim2" is dimension 1
      if (d >= 1 && d <= base->lineSlots) {
        int64_t component = ResolveExact(base, d, value.data);
        if (component) taken.slots[d - 1] = component;
      }
    } else if (std::strcmp(name.data, "text") == 0) {
      BlockTextAssign(&taken.text, value.data);
    } else if (TextBufFindNoCase(&name, 0, "value") == 0) {
      int32_t c = name.length == 5 ? 0 : StrToInt(name.data + 5) - 1;
      if (c >= 0 && c < base->valueCount) {
        double v = StrToDouble(value.data);
        taken.values[c] = std::isnan(v) ? 0 : v;
      }
    }
  }
  BlockTextFree(&row->text);
  void* link = row->link;
  *row = taken;
  row->link = link;
  editor->InvalidateRows(r, r);
  return true;
}

int64_t CardEditor_pasteLines(T_CardEditor* editor, int64_t r, const char* text) {
  T_Base* base = editor->database;
  if (!text) return 0;
  int64_t at = r + 1;
  // An empty current row gives its place to the lines.
  if (editor->Row(r) && editor->Row(r)->kind == kRowEmpty) {
    BlockTextFree(&editor->rows[static_cast<size_t>(r)].text);
    editor->rows.erase(editor->rows.begin() + r);
    at = r;
  }
  // The group of the row above the insertion point continues until the table names another.
  int64_t lastGroup = 0;
  for (int64_t i = at - 1; i >= 0; --i) {
    if (editor->Row(i)->kind == kRowGroup) {
      lastGroup = editor->Row(i)->slots[0];
      break;
    }
  }
  const int64_t groupAbove = lastGroup;
  int64_t added = 0;
  const char* p = text;
  for (int64_t n = 0; *p && n < kMaxPastedRows; ++n) {
    const char* lineEnd = p;
    while (*lineEnd && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
    std::vector<T_TextBuf> fields;
    const char* f = p;
    while (true) {
      const char* fe = f;
      while (fe < lineEnd && *fe != '\t') ++fe;
      fields.emplace_back();
      TextBufAssignBytes(&fields.back(), f, static_cast<int32_t>(fe - f));
      TextBufTrim(&fields.back(), ' ');
      if (fe >= lineEnd) break;
      f = fe + 1;
    }
    p = lineEnd;
    if (*p == '\r') ++p;
    if (*p == '\n') ++p;

    auto field = [&](size_t i) -> const char* { return i < fields.size() ? fields[i].data : ""; };
    CardRow line;
    editor->ClearRow(&line);
    line.kind = kRowLine;
    bool anything = false;
    int64_t group = lastGroup;
    if (field(0)[0]) {
      int64_t component = ResolveExact(base, 0, field(0));
      if (component) group = component;
    }
    if (field(1)[0] && base->lineSlots >= 1) {
      int64_t component = ResolveExact(base, 1, field(1));
      if (component) line.slots[0] = component, anything = true;
    }
    if (field(2)[0]) BlockTextAssign(&line.text, field(2)), anything = true;
    size_t next = 3;
    for (int32_t c = 0; c < base->valueCount; ++c, ++next) {
      if (!field(next)[0]) continue;
      double v = StrToDouble(field(next));
      if (std::isnan(v)) v = ParseDouble(field(next), static_cast<int32_t>(std::strlen(field(next))));
      if (std::isnan(v)) continue;
      line.values[c] = v;
      anything = anything || v != 0;
    }
    for (int32_t d = 2; d <= base->lineSlots; ++d, ++next) {
      if (!field(next)[0]) continue;
      int64_t component = ResolveExact(base, d, field(next));
      if (component) line.slots[d - 1] = component, anything = true;
    }
    if (!anything) {
      BlockTextFree(&line.text);
      continue;
    }
    try {
      if (group != lastGroup) {
        CardRow groupRow;
        editor->ClearRow(&groupRow);
        groupRow.kind = kRowGroup;
        groupRow.slots[0] = group;
        editor->rows.insert(editor->rows.begin() + at++, groupRow);
        lastGroup = group;
      }
      editor->rows.insert(editor->rows.begin() + at++, line);
    } catch (const std::bad_alloc&) {
      BlockTextFree(&line.text);
      PendingErrorOutOfMemory();
      break;
    }
    ++added;
  }
  // Lines that followed the insertion point stay in the group they were in.
  if (lastGroup != groupAbove && editor->Row(at) && editor->Row(at)->kind == kRowLine) {
    CardRow groupRow;
    editor->ClearRow(&groupRow);
    groupRow.kind = kRowGroup;
    groupRow.slots[0] = groupAbove;
    try {
      editor->rows.insert(editor->rows.begin() + at, groupRow);
    } catch (const std::bad_alloc&) {
      PendingErrorOutOfMemory();
    }
  }
  if (editor->rows.empty()) {
    CardRow row;
    editor->ClearRow(&row);
    editor->rows.push_back(row);
  }
  editor->rowCount = editor->RowCount();
  editor->UpdateScrollBoxes(true);
  editor->InvalidateGrid();
  return added;
}
