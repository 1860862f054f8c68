// The definition block shared by the function windows.
#include "analysis/components/function_definition.h"

#include <algorithm>

#include "analysis/boxwin/box_output.h"
#include "analysis/boxwin/box_window.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/component_selection.h"
#include "database/date_ref.h"
#include "ui/database_services.h"
#include "ui/text_layout.h"

namespace {

constexpr int32_t kTextCardTitle = 3102;
constexpr int32_t kTextLineText = 3103;
constexpr int32_t kTextFrom = 3105;
constexpr int32_t kTextTo = 3106;
constexpr int32_t kTextSubset = 3135;
constexpr int32_t kTextNotes = 3506;

std::string Plain(const T_TextBuf& text) { return text.data ? text.data : ""; }
std::string Block(const char* text) { return text ? text : ""; }

template <typename Cell>
void AddRow(FunctionDefinitionTable* table, const std::vector<CardSelection*>& list,
            std::string label, bool always, Cell cell) {
  std::vector<std::string> cells;
  for (CardSelection* s : list) cells.push_back(cell(s));
  DefinitionAddRow(table, std::move(label), std::move(cells), always);
}

void Cell(int32_t x, int32_t y, int32_t width, const char* text) {
  RECT rect{x, y, x + width, y + kDefinitionRow};
  if (text) TextDrawLine(&rect, text, nullptr);
}

int32_t FirstPageColumns(int32_t pageWidth) {
  return std::max(1, (pageWidth - kDefinitionLabels) / (kDefinitionColumn + 1));
}
int32_t LaterPageColumns(int32_t pageWidth) {
  return std::max(1, pageWidth / (kDefinitionColumn + 1));
}

}  // namespace

std::string DefinitionText(int32_t id) {
  const char* text = GetString(id);
  return text ? text : "";
}

void DefinitionAddRow(FunctionDefinitionTable* table, std::string label,
                      std::vector<std::string> cells, bool always) {
  bool any = false;
  for (const std::string& c : cells) any = any || !c.empty();
  if (always || any) table->rows.push_back(FunctionDefinitionRow{std::move(label), std::move(cells)});
}

void DefinitionAddCriteriaRows(FunctionDefinitionTable* table, T_Base* base,
                               const std::vector<CardSelection*>& list) {
  AddRow(table, list, DefinitionText(kTextFrom), true, [](CardSelection* s) {
    T_TextBuf text;
    DateRefToText(&s->from, &text);
    return Plain(text);
  });
  AddRow(table, list, DefinitionText(kTextTo), true, [](CardSelection* s) {
    T_TextBuf text;
    DateRefToText(&s->to, &text);
    return Plain(text);
  });
  if (base) {
    int32_t dimensions[32];
    const int32_t n = DimensionsInOrder(base, dimensions);
    for (int32_t i = 0; i < n; ++i) {
      const int32_t d = dimensions[i];
      if (d < 0 || d >= kDimensionCount || !base->dimensions[d]) continue;
      AddRow(table, list, Block(base->GetDimSingular(d)), false, [d](CardSelection* s) {
        T_TextBuf text;
        CompSelPrintDimension(&s->components, &text, d, ' ');
        return Plain(text);
      });
    }
  }
  const char* titleLabel = base && base->cardTitleLabel ? base->cardTitleLabel : nullptr;
  const char* lineLabel = base && base->lineTextLabel ? base->lineTextLabel : nullptr;
  AddRow(table, list, titleLabel ? titleLabel : DefinitionText(kTextCardTitle), false,
         [](CardSelection* s) { return Block(s->titleText); });
  AddRow(table, list, lineLabel ? lineLabel : DefinitionText(kTextLineText), false,
         [](CardSelection* s) { return Block(s->lineText); });
  AddRow(table, list, DefinitionText(kTextNotes), false,
         [](CardSelection* s) { return Block(s->notesText); });
  const int32_t values = base ? base->valueCount : 0;
  for (int32_t c = 0; c < values && c < kMaxValueCount; ++c) {
    T_TextBuf valueName;
    base->GetValueName(&valueName, c);
    AddRow(table, list, Plain(valueName), false,
           [c](CardSelection* s) { return Block(s->valueTexts[c]); });
  }
  AddRow(table, list, DefinitionText(kTextSubset), false, [](CardSelection* s) {
    T_TextBuf text;
    PrintCombination(&s->subset, &text, ' ');
    return Plain(text);
  });
}

void WriteDefinitionTables(const std::vector<FunctionDefinitionTable>& tables,
                           TextCellWriter* writer, bool emptyLineAfterEach) {
  for (const FunctionDefinitionTable& table : tables) {
    writer->WriteCell(table.title.c_str());
    writer->WriteLineEnd();
    for (const FunctionDefinitionRow& row : table.rows) {
      writer->WriteCell(row.label.c_str());
      for (const std::string& cell : row.cells) {
        writer->WriteSeparator();
        writer->WriteCell(cell.c_str());
      }
      writer->WriteLineEnd();
    }
    if (emptyLineAfterEach) writer->WriteLineEnd();
  }
  if (!emptyLineAfterEach) writer->WriteLineEnd();
}

int32_t DefinitionPages(int32_t columns, int32_t pageWidth) {
  if (columns <= 0) return 1;
  const int32_t first = FirstPageColumns(pageWidth);
  const int32_t later = LaterPageColumns(pageWidth);
  if (columns <= first) return 1;
  return 1 + (columns - first + later - 1) / later;
}

bool PrintDefinitionTables(BoxDrawRecord* record,
                           const std::vector<FunctionDefinitionTable>& tables) {
  const int32_t pageWidth = record->band.right - record->band.left;
  if (record->phase == 1) {
    int32_t height = 0;
    int32_t pages = 1;
    for (const FunctionDefinitionTable& table : tables) {
      height += kDefinitionRow * (1 + static_cast<int32_t>(table.rows.size()));
      const int32_t columns =
          table.rows.empty() ? 0 : static_cast<int32_t>(table.rows.front().cells.size());
      pages = std::max(pages, DefinitionPages(columns, pageWidth));
    }
    record->height = height;
    record->pageCount = std::max(record->pageCount, pages);
    return true;
  }
  if (record->phase != 2) return false;
  const int32_t page = record->pageCount;
  const int32_t left = record->band.left;
  const int32_t skip =
      page > 0 ? FirstPageColumns(pageWidth) + (page - 1) * LaterPageColumns(pageWidth) : 0;
  const int32_t x0 = left + (page == 0 ? kDefinitionLabels : 0);
  int32_t top = record->band.top;
  for (const FunctionDefinitionTable& table : tables) {
    if (page == 0) Cell(left, top, kDefinitionLabels, table.title.c_str());
    int32_t y = top + kDefinitionRow;
    for (const FunctionDefinitionRow& row : table.rows) {
      if (page == 0) Cell(left + 12, y, kDefinitionLabels - 12, row.label.c_str());
      int32_t x = x0;
      for (size_t n = static_cast<size_t>(skip); n < row.cells.size(); ++n) {
        if (x + kDefinitionColumn > record->band.right) break;
        Cell(x, y, kDefinitionColumn, row.cells[n].c_str());
        x += kDefinitionColumn + 1;
      }
      y += kDefinitionRow;
    }
    top = y;
  }
  return true;
}
