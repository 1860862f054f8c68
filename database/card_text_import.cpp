#include "database/card_text_import.h"

#include <cmath>
#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/formula.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/card_records.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "database/dimension_sections.h"
#include "database/file_progress.h"
#include "database/line_origins.h"
#include "database/lines.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"

namespace {

constexpr int32_t kMsgMissingCode = 3310;
constexpr int32_t kMsgValueZero = 3514;
constexpr int32_t kMsgDateRange = 3830;
constexpr int32_t kTextCardsLines = 4515;

// A run of digits ended by any one other character; false when no digit is left.
bool NextNumber(const char** p, int32_t* value) {
  while (**p != 0 && (**p < '0' || **p > '9')) ++*p;
  if (**p == 0) return false;
  int64_t n = 0;
  for (; **p >= '0' && **p <= '9'; ++*p) n = n < 100000 ? n * 10 + (**p - '0') : n;
  if (**p != 0) ++*p;
  *value = static_cast<int32_t>(n);
  return true;
}

class CardBuilder {
 public:
  CardBuilder(T_Base* base, CardRowSource* rows) : base_(base), rows_(rows), plan_(rows->Plan()) {}

  int64_t linesAdded = 0;
  bool cardsCreated = false;

  void Run() {
    PrepareDefaults();
    for (int32_t i = 0; i < plan_->headerRows; ++i) {
      if (!rows_->ReadNextRow()) return;
    }
    bool haveRow = rows_->ReadNextRow();
    while (haveRow && !AbortRequested()) {
      // Step over rows until a card row.
      if (!rows_->IndicatorMatches(kImportCardIndicator)) {
        haveRow = rows_->ReadNextRow();
        continue;
      }
      if (plan_->rowsPerCard > 1 && !rows_->JoinRows(plan_->rowsPerCard)) return;
      CardRecord* card = StartCard();
      if (card == nullptr) return;
      // Its first line row: the card row itself, else a later row before the next card row.
      bool lineRow = rows_->IndicatorMatches(kImportLineIndicator);
      while (!lineRow) {
        haveRow = rows_->ReadNextRow() && !AbortRequested();
        if (!haveRow || rows_->IndicatorMatches(kImportCardIndicator)) break;
        lineRow = rows_->IndicatorMatches(kImportLineIndicator);
      }
      if (!lineRow) {
        DeleteCard(base_, card);
        continue;
      }
      T_TextBuf key;
      rows_->CardText(kImportCardSwitcher, &key);
      T_TextBuf other;
      for (;;) {
        if (plan_->rowsPerLine > 1 && !rows_->JoinRows(plan_->rowsPerLine)) {
          haveRow = false;
          break;
        }
        AddLines(card);
        haveRow = rows_->ReadNextRow() && !AbortRequested();
        if (!haveRow || !rows_->IndicatorMatches(kImportLineIndicator)) break;
        rows_->CardText(kImportCardSwitcher, &other);
        if (!other.empty() && !StrEqual(other.c_str(), key.c_str())) break;
      }
      PruneCard(base_, card);
    }
  }

 private:
  void PrepareDefaults() {
    defaultDate_ = 0;
    if (!plan_->defaultDate.empty())
      defaultDate_ = ParsePackedDate(plan_->defaultDate.c_str(), plan_->defaultDate.length, -1);
    if (defaultDate_ == 0) defaultDate_ = PackedDateToday();
  }

  PackedDate CardDate() {
    T_TextBuf text;
    rows_->CardText(kImportDate, &text);
    if (text.empty()) return defaultDate_;
    bool outside = false;
    const PackedDate date = ParseImportDate(text.c_str(), plan_->dateFormat, &outside);
    if (outside) {
      T_TextBuf row;
      TextBufAppendInt64(&row, rows_->RowNumber());
      AskReadErrorTexts(base_, kMsgDateRange, text.c_str(), row.c_str());
    }
    return date != 0 ? date : defaultDate_;
  }

  CardRecord* StartCard() {
    CardId id{CardDate(), 1};
    CardRecord* card = CreateCard(base_, &id);
    if (card == nullptr) return nullptr;
    cardsCreated = true;
    T_TextBuf text;
    rows_->CardText(kImportTitle, &text);
    if (!text.empty()) SetCardTitle(card, text.c_str());
    rows_->CardText(kImportNotes, &text);
    if (!text.empty()) SetCardNotes(card, text.c_str());
    rows_->CardStamp(kImportCreated, &card->created);
    card->notesStamp = card->created;
    rows_->CardStamp(kImportChanged, &card->changed);
    rows_->CardStamp(kImportExamined, &card->examined);
    rows_->CardStamp(kImportApproved, &card->approved);
    return card;
  }

  int64_t Component(const CardImportLine& line, int32_t d, int32_t lineIndex) {
    // A dimension the line definition leaves alone takes no text from the row: its root, or
    // the default component.
    if (!line.dimensionSet[d] && line.defaultCode[d].empty()) return d;
    T_TextBuf& text = componentText_;
    rows_->LineComponentText(lineIndex, d, &text);
    TextBufTrim(&text, ' ');
    if (text.empty()) {
      const ComponentRecord* found =
          line.defaultCode[d].empty() ? nullptr : FindByCode(base_, d, line.defaultCode[d].c_str());
      return found != nullptr ? found->number : d;
    }
    if (line.zeroFill[d] >= 2) PadCodeWithZeros(&text, line.zeroFill[d]);
    const int32_t style = line.matchBy[d];
    const ComponentRecord* found = style == 0   ? FindByCode(base_, d, text.c_str())
                                   : style == 1 ? FindByText(base_, d, text.c_str())
                                                : FindByHostCode(base_, d, text.c_str());
    if (found != nullptr) return found->number;
    return CreateMissingImportComponent(base_, d, text.c_str(), style, line.newComponents[d]);
  }

  void AddLines(CardRecord* card) {
    for (int32_t l = 0; l < plan_->lineCount && !AbortRequested(); ++l) {
      const CardImportLine& line = plan_->lines[l];
      double values[kImportValues] = {};
      bool allZero = true;
      T_TextBuf text;
      for (int32_t c = 0; c < base_->valueCount && c < kImportValues; ++c) {
        if (!line.valueSet[c] && line.defaultValue[c].empty()) continue;  // 0
        rows_->ValueText(l, c, &text);
        double value;
        if (line.valueIsExpression[c]) {
          value = Expr_Evaluate(text.c_str()) * line.factor[c];
        } else if (text.empty()) {
          value = rows_->ParseNumber(line.defaultValue[c]);
          if (!std::isfinite(value)) value = 0;
        } else {
          value = rows_->ParseNumber(text) * line.factor[c];
        }
        if (!std::isfinite(value)) {
          char id[32];
          CardId cardId = CardGetId(card);
          FormatCardIdCStr(id, &cardId);
          AskReadErrorTexts(base_, kMsgValueZero, text.c_str(), id);
          value = 0;
        }
        values[c] = value;
        allZero = allZero && value == 0;
      }
      if (line.skipZeroLines && allZero) continue;
      // Components first: a new component may re-lay every line.
      const int64_t groupComponent = Component(line, 0, l);
      int64_t components[kImportDimensions - 1];
      for (int32_t d = 1; d < kImportDimensions; ++d) components[d - 1] = Component(line, d, l);
      GroupRecord* group = base_->FindOrAddGroup(card, groupComponent);
      if (group == nullptr) return;
      LineRecord* record = CreateLine(base_, group);
      if (record == nullptr) return;
      base_->SetLineValues(record, values);
      base_->SetLineComponents(record, components);
      rows_->LineText(l, &text);
      if (!text.empty()) SetLineText(record, text.c_str());
      if (base_->lineOrigins != nullptr) RecordLineOrigin(base_, record, rows_->RowNumber());
      ++linesAdded;
    }
  }

  T_Base* base_;
  CardRowSource* rows_;
  const CardImportPlan* plan_;
  PackedDate defaultDate_ = 0;
  T_TextBuf componentText_;  // kept between rows: its room is made once
};

}  // namespace

PackedDate ParseImportDate(const char* text, int32_t format, bool* outside) {
  *outside = false;
  if (format >= 0 && format <= 3) {
    char digits[7] = {};
    int32_t n = 0;
    for (const char* p = text; *p != 0 && n < 6; ++p) {
      if (*p >= '0' && *p <= '9') digits[n++] = *p;
    }
    if (format == 0) return ParsePackedDate(text, static_cast<int32_t>(std::strlen(text)), -1);
    if (n < 6) return 0;
    // Rearranged to year, month, day.
    static constexpr int32_t kFrom[4][3] = {{0, 2, 4}, {0, 4, 2}, {4, 0, 2}, {4, 2, 0}};
    char ymd[6];
    for (int32_t part = 0; part < 3; ++part) {
      ymd[2 * part] = digits[kFrom[format][part]];
      ymd[2 * part + 1] = digits[kFrom[format][part] + 1];
    }
    return ParsePackedDate(ymd, 6, -1);
  }
  if (format < 4 || format > 7) return 0;
  int32_t numbers[3];
  const char* p = text;
  for (int32_t& number : numbers) {
    if (!NextNumber(&p, &number)) return 0;
  }
  // By format: the positions of year, month and day.
  static constexpr int32_t kOrder[4][3] = {{0, 1, 2}, {0, 2, 1}, {2, 0, 1}, {2, 1, 0}};
  int32_t year = numbers[kOrder[format - 4][0]];
  int32_t month = numbers[kOrder[format - 4][1]];
  int32_t day = numbers[kOrder[format - 4][2]];
  if (year < 70) {
    year += 2000;
  } else if (year <= 1000) {
    year += 1900;
  }
  if (year < kFirstYear || year > kLastYear) {
    *outside = true;
    year = year < kFirstYear ? kFirstYear : kLastYear;
  }
  month = month < 1 ? 1 : month > 12 ? 12 : month;
  const int32_t last = PackedDateDaysInMonth(PackDate(year, month, 1));
  day = day < 1 ? 1 : day > last ? last : day;
  return PackDate(year, month, day);
}

int64_t CreateMissingImportComponent(T_Base* base, int32_t d, const char* text, int32_t lookupStyle,
                                     int32_t creationMode) {
  if (d < 0 || d >= kDimensionCount) return 0;
  AskReadErrorTexts(base,
                    kMsgMissingCode + (lookupStyle == 1   ? 1
                                       : lookupStyle == 2 ? 2
                                                          : 0),
                    text, base->GetDimSingular(d));
  const int32_t mode = lookupStyle == 0 ? 2 : creationMode;
  ComponentRecord* added = nullptr;
  T_TextBuf code;
  if (mode == 1 || mode == 2) {
    if (mode == 1) TextBufAssign(&code, "#");
    TextBufAppend(&code, text);
    T_TextBuf normal, unused, unusedHost;
    if (NormaliseComponentTexts(base->dimensions[d], code.c_str(), nullptr, text, &normal, &unused,
                                &unusedHost) &&
        FindByCode(base, d, normal.c_str()) == nullptr)
      added = AddComponent(base, d, code.c_str(), nullptr, text);
  } else if (mode == 3) {
    if (ComponentRecord* floor = FindByHostFloor(base, d, text)) {
      TextBufAssign(&code, floor->code);
      TextBufAppend(&code, text);
      T_TextBuf normal, unused, unusedHost;
      if (NormaliseComponentTexts(base->dimensions[d], code.c_str(), nullptr, text, &normal,
                                  &unused, &unusedHost) &&
          FindByCode(base, d, normal.c_str()) == nullptr)
        added = InsertComponentAfter(base, d, code.c_str(), nullptr, text, floor);
    }
  }
  if (added == nullptr) added = AddGeneratedComponent(base, d, nullptr, text);
  return added != nullptr ? added->number : d;
}

void ImportRowsIntoCards(T_Base* base, CardRowSource* rows) {
  const uint64_t startTick = TickCount();
  CardBuilder builder(base, rows);
  builder.Run();
  LogLoadTime(base, "lines", builder.linesAdded, startTick);
  SendPendingDimensionNotes(base);
  if (builder.cardsCreated) base->NotifyCode(kChangeCards);
}

void PadCodeWithZeros(T_TextBuf* text, int32_t n) {
  int32_t missing = n - text->length;
  if (missing <= 0) return;
  T_TextBuf padded;
  for (int32_t i = 0; i < missing; ++i) TextBufAppendChar(&padded, '0');
  TextBufAppendBuf(&padded, text);
  TextBufAssignBuf(text, &padded);
}

void ImportTextWithSetup(T_Base* base, CardRowSource* rows) {
  if (rows == nullptr) return;
  FileProgressSetStatus(FileProgressCurrent(), kTextCardsLines);
  ImportRowsIntoCards(base, rows);
}
