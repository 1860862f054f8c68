// The drill menu's entries, their drawing, and the window's running of it.
#include "analysis/time/tfunc_drill_menu.h"

#include "analysis/time/tfunc_drill.h"
#include "analysis/time/tfunc_window.h"
#include "core/alert.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "ui/database_services.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kLabelInset = 8;  // as the popup's own text entries
constexpr int32_t kLabelRoom = 10;

std::string CommandLabel(int32_t command) {
  T_TextBuf label;
  PopupMenuLabel(static_cast<uint16_t>(command), false, &label);
  return label.data ? std::string(label.data, static_cast<size_t>(label.length)) : std::string();
}

// The drill commands' mark ("» "): what stands before the first blank of "» Components".
std::string DrillMark() {
  const std::string components = CommandLabel(kDrillCommandComponents);
  const size_t blank = components.find(' ');
  return blank == std::string::npos ? std::string() : components.substr(0, blank + 1);
}

}  // namespace

void TFuncDrillMenu::Build(T_Base* base, const T_TVariable* variable) {
  choices.assign(1, kDrillChoiceOwn);
  labels.assign(1, CommandLabel(TFuncDrillOwnCommand(variable)));
  if (!base) return;
  const std::string mark = DrillMark();
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (!Database_HasSubComponents(base, d)) continue;
    if (choices.size() == 1) {
      choices.push_back(-1);
      labels.emplace_back();
    }
    const char* plural = base->GetDimPlural(d);
    choices.push_back(kDrillChoiceFirstDimension + d);
    labels.push_back(mark + (plural ? plural : ""));
  }
}

int32_t TFuncDrillMenu::EntryOf(int32_t choice) const {
  for (size_t i = 0; i < choices.size(); ++i) {
    if (choices[i] == choice && choice >= 0) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TFuncDrillMenu::ChoiceOf(int32_t entry) const {
  return entry >= 0 && entry < static_cast<int32_t>(choices.size()) ? choices[entry] : -1;
}

void TFuncDrillMenu::Answer(ContextMenuRecord* record, int32_t phase) const {
  const int64_t entry = record->entry;
  const bool known = entry >= 0 && entry < static_cast<int64_t>(choices.size());
  switch (phase) {
    case kMenuPhaseList:
      record->entry = static_cast<int64_t>(choices.size());
      break;
    case kMenuPhaseMeasure:
      if (!known || choices[entry] < 0) {
        record->separator = 1;
        record->selectable = 0;
        break;
      }
      record->width = TextWidth(labels[entry].c_str()) + kLabelRoom;
      record->selectable = 1;
      break;
    case kMenuPhaseDraw:
      if (known) {
        RECT text = record->rect;
        text.left += kLabelInset;
        TextDrawLine(&text, labels[entry].c_str(), nullptr);
      }
      break;
    default:
      break;
  }
}

// --- The window's drill menu -------------------------------------------------------------------

void T_TFunc::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector == kTFuncDrillMenuSelector && runningDrillMenu) {
    runningDrillMenu->Answer(record, phase);
    return;
  }
  T_TSWin::ContextMenu(record, phase);
}

int32_t T_TFunc::RunDrillMenu(const T_TVariable* variable, POINT at, const InputEvent* opening) {
  TFuncDrillMenu menu;
  menu.Build(database, variable ? variable : data.selections);
  const int32_t marked = menu.EntryOf(TFuncDrillMenuMark(database, drillChoice));
  InputEvent event = opening ? *opening : InputEvent{};
  event.x = at.x;
  event.y = at.y;
  runningDrillMenu = &menu;
  const int32_t chosen = RunContextMenu(this, kTFuncDrillMenuSelector, &event, marked);
  runningDrillMenu = nullptr;
  const int32_t choice = menu.ChoiceOf(chosen);
  if (choice >= 0) drillChoice = choice;
  return choice;
}

POINT T_TFunc::DrillMenuPlace(int64_t row, const T_BoxField* field) {
  // Beside the cell: 3 pixels left of its right edge, at its middle; for the whole range 13
  // pixels above the grid, in the title row.
  if (!field) return POINT{};
  int32_t top = -13;
  int32_t bottom = -13;
  if (row >= 0 && GetRowTop(row, &top)) bottom = top + GetRowHeight(row);
  return POINT{field->column.right - GetScrollX() - 3, (top + bottom) / 2};
}

T_HWindow* T_TFunc::DrillMenuAt(int64_t entry, T_TVariable* variable, T_GrafElement* in,
                                POINT at, const InputEvent* opening) {
  if (!calculated || !database) return nullptr;
  if (in) {
    at.x += in->offsetX - offsetX;
    at.y += in->offsetY - offsetY;
  }
  if (RunDrillMenu(variable, at, opening) < 0) return nullptr;
  return DrillAt(entry, variable);
}
