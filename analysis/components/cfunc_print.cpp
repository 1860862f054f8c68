// The component functions window's definition tables and what it prints besides the grid: the
// definition (phases 1 and 2) and, in the curve view, the legend above the columns (phases 3
// and 4).
#include <string>
#include <vector>

#include "analysis/components/cfunc_definition.h"
#include "analysis/components/cfunc_legend.h"
#include "analysis/components/cfunc_window.h"
#include "core/text_buffer.h"

namespace {

constexpr int32_t kCurveView = 4;

std::string Block(const char* text) { return text ? text : ""; }

}  // namespace

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
  if (!labels) {
    T_StruxWin::PrintPart(record);
  } else if (record->phase == 3) {
    record->height = labels->PrintHeight(record->band.right - record->band.left);
  } else {
    labels->PrintDraw(record->band.right - record->band.left, record->band.left, record->band.top);
  }
}
