// The component functions window's header pages: the overview's "New Selection" and "New
// Formula" buttons; for a selection variable its name, "Show", the selection's header fields,
// the method and the level mode; for a formula variable its name, "Show", the formula text and
// the higher-level rule.
#include <algorithm>
#include <new>

#include "analysis/components/cfunc_formula_edit.h"
#include "analysis/components/cfunc_window.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/value_choosers.h"

namespace {

constexpr uint32_t kNameEdit = 5330;
constexpr uint32_t kShowBox = 5331;
constexpr uint32_t kMethodChooser = 5332;
constexpr uint32_t kLevelChooser = 5333;
constexpr uint32_t kFormulaEdit = 5334;
constexpr uint32_t kRuleChooser = 5335;
constexpr uint32_t kNewSelectionButton = 5336;
constexpr uint32_t kNewFormulaButton = 5337;
constexpr uint32_t kValueChooser = 5338;
constexpr int32_t kTextNewSelection = 4713;
constexpr int32_t kTextNewFormula = 5372;  // shared with the time functions window
constexpr int32_t kTextByComponent = 5322;
constexpr int32_t kTextHigherLevels = 5500;
constexpr int32_t kTextShow = 3109;
constexpr int32_t kTextName = 735;
constexpr int32_t kTextFormula = 3130;
constexpr int32_t kPageVariable = 5339;

}  // namespace

void T_CFunc::OpenHeaderPage() {
  ClosePanelPage();
  graphicParent = nullptr;
  SetModeItemFlag(false);
  DeleteSelectionEdits();
  T_EventHandler* parent = modeItem ? static_cast<T_EventHandler*>(modeItem) : this;
  auto keep = [this](T_GrafElement* item) {
    if (item && panelItemCount < 16) panelItems[panelItemCount++] = item;
  };
  if (mode == kCFuncModeOverview) {
    auto* add = new (std::nothrow) T_Button(parent, {6, 24, 110, 16}, kNewSelectionButton);
    if (add) add->SetTitleId(kTextNewSelection);
    keep(add);
    auto* formula = new (std::nothrow) T_Button(parent, {124, 24, 110, 16}, kNewFormulaButton);
    if (formula) formula->SetTitleId(kTextNewFormula);
    keep(formula);
    openPanelPage = kPageVariable;
    return;
  }
  if (mode == kCFuncModeDisplay) {
    OpenDisplayPage();
    return;
  }
  if ((mode != kCFuncModeSelection && mode != kCFuncModeFormula) || !current) return;
  auto* label = new (std::nothrow) T_Text(parent, {6, 24, 40, 12}, true);
  if (label) label->SetTextId(kTextName);
  keep(label);
  auto* name = new (std::nothrow) T_Edit(parent, {50, 24, 120, 12}, kNameEdit, true, true);
  if (name) name->SetText(current->name ? current->name : "");
  keep(name);
  auto* show = new (std::nothrow) T_Checkbox(parent, {180, 23, 80, 15}, kShowBox, true);
  if (show) {
    show->SetLabelId(kTextShow);
    show->SetChecked(current->shown != 0);
  }
  keep(show);
  if (mode == kCFuncModeSelection) {
    auto* s = static_cast<T_CSelection*>(current);
    auto* method = new (std::nothrow)
        T_Chooser(parent, {270, 23, 130, 15}, kMethodChooser, kCMethodCount, s->method, true);
    keep(method);
    auto* level = new (std::nothrow)
        T_Chooser(parent, {410, 23, 110, 15}, kLevelChooser, 2, s->levelMode, true);
    keep(level);
    // The numeric frame's title stands below the method and level choosers.
    AddPresentationFrames(parent, 380, 56, false);
    // The header fields belong to the page, below the name row.
    if (modeItem) header.headerParent = modeItem;
    SetModeItemFlag(true);
    CreateDimensionEdits(XYWH{75, 44, 105, 12});
    CreateFromToEdits(XYWH{255, 44, 120, 12}, 200);
    CreateCardTitleEdit(XYWH{255, 82, 120, 12}, 202);
    CreateLineTextEdit(XYWH{255, 99, 120, 12}, 203);
    CreateNotesEdit(XYWH{255, 116, 120, 12}, kHeaderNotes);
    CreateValueEdits(XYWH{255, 133, 120, 12}, kHeaderValueFirst);
    // A little apart from the value rows, where its label stands.
    CreateSubsetEdit(XYWH{255, 154, 120, 12}, kHeaderSubset);
    ShowSelection(&s->selection);
    if (database && database->valueCount >= 2) {
      // Under the last dimension field.
      int32_t dimensions = 0;
      for (int32_t d = 0; d < kMaxDimensions; ++d)
        if (Database_HasSubComponents(database, d)) ++dimensions;
      const int32_t y = std::max(82, 46 + kHeaderRowPitch * dimensions);
      keep(new (std::nothrow)
               T_ChooseValue(parent, {75, y, 105, 15}, kValueChooser, database, s->valueColumn));
    }
  } else {
    auto* f = static_cast<T_CFormula*>(current);
    auto* formulaLabel = new (std::nothrow) T_Text(parent, {6, 44, 40, 12}, true);
    if (formulaLabel) formulaLabel->SetTextId(kTextFormula);
    keep(formulaLabel);
    // Tall enough to wrap its words; two lines in the curve view, whose short header has the
    // graphic frame's title below it.
    const int32_t height = viewMode == 4 ? 24 : 36;
    auto* text =
        new (std::nothrow) T_CFormulaEdit(parent, {50, 44, 320, height}, kFormulaEdit, this, f);
    keep(text);
    auto* rule = new (std::nothrow)
        T_Chooser(parent, {50, 86, 200, 15}, kRuleChooser, kRuleTotal, f->rule, true);
    if (rule) rule->SetTitleId(kTextHigherLevels);
    keep(rule);
    // Left of the selection page's frames would leave the numeric frame past the right edge of
    // a window of the default width.
    AddPresentationFrames(parent, 380, 36, true);
  }
  openPanelPage = kPageVariable;
}

bool T_CFunc::PageChooserEvent(uint32_t id, ChooserEvent* record) {
  if (id == kValueChooser) {
    // The chooser names its own columns.
    if (record->code != kChooserChosen || !current || current->kind != kVariableSelection)
      return false;
    static_cast<T_CSelection*>(current)->valueColumn = static_cast<int32_t>(record->index);
    MarkNeedsCalc();
    return true;
  }
  if (id != kMethodChooser && id != kLevelChooser && id != kRuleChooser) return false;
  const auto i = static_cast<int32_t>(record->index);
  if (record->code == kChooserDescribe) {
    const int32_t text = id == kMethodChooser ? kMethodFirstText + i
                         : id == kLevelChooser ? kTextByComponent + i
                                               : kRuleFirstText + i;
    ChooserEvent_SetText(record, GetString(text));
    return true;
  }
  if (record->code != kChooserChosen || !current) return true;
  if (id == kRuleChooser && current->kind == kVariableFormula)
    static_cast<T_CFormula*>(current)->rule = i;
  else if (id == kMethodChooser && current->kind == kVariableSelection)
    static_cast<T_CSelection*>(current)->method = i;
  else if (id == kLevelChooser && current->kind == kVariableSelection)
    static_cast<T_CSelection*>(current)->levelMode = i;
  MarkNeedsCalc();
  return true;
}

void T_CFunc::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  auto* item = dynamic_cast<T_Item*>(chooser);
  if (item && DisplayChooserEvent(item->id, chooser, record)) return;
  if (item && openPanelPage == kPageVariable && PageChooserEvent(item->id, record)) return;
  T_StruxWin::OnChooserEvent(chooser, record);
}

void T_CFunc::OnCheckbox(T_GrafElement* checkbox) {
  auto* box = dynamic_cast<T_Checkbox*>(checkbox);
  if (box && DisplayCheckbox(box->id, box->checked)) return;
  if (box && box->id == kShowBox && current && openPanelPage == kPageVariable) {
    current->shown = box->checked ? 1 : 0;
    VariablesChanged();
    // The colour of the variable's curve is offered only while the curve shows it.
    UpdateGraphicFrame();
    return;
  }
  T_StruxWin::OnCheckbox(checkbox);
}

void T_CFunc::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  if (item && (item->id == kNewSelectionButton || item->id == kNewFormulaButton)) {
    NewVariable(item->id == kNewSelectionButton ? kVariableSelection : kVariableFormula);
    return;
  }
  T_StruxWin::OnButton(button);
}

void T_CFunc::OnEditEvent(T_GrafElement* field, int32_t code) {
  T_StruxWin::OnEditEvent(field, code);
  // Typing in a selection's header field changes what a calculation would give (the name field
  // changes only a title).
  auto* item = dynamic_cast<T_Item*>(field);
  if (code == kEditChanged && item && ((item->id < 300 && item->id != kNameEdit) || IsHeaderEdit(field)) &&
      (mode == kCFuncModeSelection || mode == kCFuncModeFormula))
    EnableCalcButton();
}

void T_CFunc::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  auto* item = dynamic_cast<T_Item*>(field);
  if (item && current && openPanelPage == kPageVariable &&
      (item->id == kNameEdit || item->id == kFormulaEdit)) {
    if (item->id == kNameEdit) {
      // A refused name restores the old one in the field.
      if (!current->ApplyHeaderText(0, text->data)) TextBufAssign(text, current->name ? current->name : "");
      else VariablesChanged();
    } else {
      current->ApplyHeaderText(2, text->data);
      TextBufAssign(text, static_cast<T_CFormula*>(current)->text ? static_cast<T_CFormula*>(current)->text : "");
      MarkNeedsCalc();
    }
    return;
  }
  T_StruxWin::OnEditText(text, field);
  // A text set in a selection's header field without typing (a commit, a paste) changes the
  // results as well.
  if (IsHeaderEdit(field)) MarkNeedsCalc();
}
