// The component functions window's definition tables and what it prints besides the grid: the
// definition (phases 1 and 2) and, in the curve view, the legend above the columns (phases 3
// and 4).
#include <string>
#include <vector>

#include "analysis/components/cfunc_definition.h"
#include "analysis/components/cfunc_window.h"
#include "core/text_buffer.h"
#include "ui/draw_primitives.h"
#include "ui/link_markup.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kCurveView = 4;
constexpr int32_t kLegendBox = 12;
constexpr int32_t kLegendTextInset = 18;
constexpr int32_t kLegendRow = 13;

std::string Block(const char* text) { return text ? text : ""; }

const char* TitleOf(const T_CVariable* v) { return v->title && *v->title ? v->title : v->name; }

}  // namespace

int32_t CFuncPrintLegendLayout(const std::vector<int32_t>& widths, int32_t width,
                               std::vector<POINT>* places) {
  places->clear();
  int32_t total = 0;
  for (int32_t w : widths) total += w + kLegendTextInset;
  const auto n = static_cast<int32_t>(widths.size());
  const int32_t room = width - 6;
  const bool wrap = total + n * 6 > room;
  int32_t x = 3;
  int32_t y = 0;
  // Entries that fit share the spare width out between their gaps; else they wrap.
  const int32_t gap = !wrap && n > 1 ? kLegendPrintGap + (room - total - kLegendPrintGap * (n - 1)) / (n - 1)
                                     : kLegendPrintGap;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t w = widths[static_cast<size_t>(i)] + kLegendTextInset;
    if (wrap && x > 3 && x + w > room) {
      x = 3;
      y += kLegendRow;
    }
    places->push_back(POINT{x, y});
    x += w + (wrap ? 0 : gap);
    if (wrap) x = (x + kLegendPrintStep - 1) / kLegendPrintStep * kLegendPrintStep;
  }
  return y + 14 > 21 ? y + 14 : 21;
}

std::vector<FunctionDefinitionTable> CFuncDefinitionTables(CFuncData* data) {
  std::vector<FunctionDefinitionTable> tables;
  FunctionDefinitionTable selections;
  selections.title = DefinitionText(kDefinitionTextSelections);
  std::vector<std::string> names, titles;
  std::vector<CardSelection*> criteria;
  for (T_CSelection* s = data->selections; s; s = s->nextSelection) {
    names.push_back(Block(s->name));
    titles.push_back(Block(s->title));
    criteria.push_back(&s->selection);
  }
  DefinitionAddRow(&selections, DefinitionText(kDefinitionTextName), names, true);
  DefinitionAddRow(&selections, DefinitionText(kDefinitionTextTitle), titles, false);
  DefinitionAddCriteriaRows(&selections, data->base, criteria);
  tables.push_back(std::move(selections));
  if (!data->formulas) return tables;
  FunctionDefinitionTable formulas;
  formulas.title = DefinitionText(kDefinitionTextFormulas);
  std::vector<std::string> texts;
  names.clear();
  titles.clear();
  for (T_CFormula* f = data->formulas; f; f = f->nextFormula) {
    names.push_back(Block(f->name));
    titles.push_back(Block(f->title));
    texts.push_back(Block(f->text));
  }
  DefinitionAddRow(&formulas, DefinitionText(kDefinitionTextName), names, true);
  DefinitionAddRow(&formulas, DefinitionText(kDefinitionTextTitle), titles, false);
  DefinitionAddRow(&formulas, DefinitionText(kDefinitionTextFormula), texts, true);
  tables.push_back(std::move(formulas));
  return tables;
}

void T_CFunc::PrintPart(BoxDrawRecord* record) {
  if (PrintDefinitionTables(record, CFuncDefinitionTables(&data))) return;
  if (viewMode != kCurveView || (record->phase != 3 && record->phase != 4)) {
    T_StruxWin::PrintPart(record);
    return;
  }
  // The curve view prints its legend in place of the column titles.
  std::vector<const T_CVariable*> shown(data.shownList.begin(), data.shownList.end());
  std::vector<int32_t> widths;
  T_TextBuf plain;
  for (const T_CVariable* v : shown) {
    LinkText_ToPlain(linkContext, &plain, TitleOf(v));
    widths.push_back(TextWidth(plain.data));
  }
  const int32_t width = record->band.right - record->band.left;
  std::vector<POINT> places;
  const int32_t height = CFuncPrintLegendLayout(widths, width, &places);
  if (record->phase == 3) {
    record->height = height;
    return;
  }
  for (size_t i = 0; i < shown.size(); ++i) {
    const int32_t x = record->band.left + places[i].x;
    const int32_t y = record->band.top + places[i].y;
    RECT box{x, y + 1, x + kLegendBox, y + 1 + kLegendBox};
    RectFillFramed(&box, 1, shown[i]->colour);
    LinkText_ToPlain(linkContext, &plain, TitleOf(shown[i]));
    RECT text{x + kLegendTextInset, y, x + kLegendTextInset + widths[i] + 2, y + kLegendRow + 1};
    TextDrawLine(&text, plain.data, nullptr);
  }
}
