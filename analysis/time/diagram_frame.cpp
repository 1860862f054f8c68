#include "analysis/time/diagram_frame.h"

#include "analysis/time/ts_window.h"
#include "core/localized_text.h"
#include "database/base.h"
#include "database/time_scale.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/pictures.h"
#include "ui/text_layout.h"
#include "ui/window.h"

namespace {

constexpr int32_t kChooserId = 4;
// The flag each check box shows (control 4 is the chooser).
constexpr int32_t kFlagOfControl[8] = {
    kFlagScaledLabels,  kFlagInvertedAxis, kFlagPeriodGrid, kFlagValueGrid, -1,
    kFlagReferenceLine, kFlagTodayLine,    kFlagZeroLine};

}  // namespace

T_TSDiagram::T_TSDiagram(T_TSWin* owner, T_EventHandler* parent, int32_t left, int32_t top,
                         uint32_t frameId)
    : T_Frame(parent, {left, top, kDiagramFrameWidth, kDiagramFrameHeight}, frameId, false),
      window(owner),
      database(owner->database) {
  SetTitleId(kTextGraphicPresentation);
  const int32_t y = owner->windowKind == 2 ? 11 : 2;
  const XYWH places[8] = {{8, 12, 34, 16},        {8, 33, 34, 16},       {54, 4, 13, 14},
                          {79, 30, 13, 14},       {44, 56, 95, 15},      {160, y, 163, 14},
                          {160, y + 17, 163, 14}, {160, y + 34, 163, 14}};
  for (int32_t i = 0; i < 8; ++i) {
    if (i == kChooserId) {
      scales = new (std::nothrow) T_Chooser(this, places[i], kChooserId, 1, 0, true);
      continue;
    }
    auto* box = new (std::nothrow) T_Checkbox(this, places[i], static_cast<uint32_t>(i), true);
    if (!box) continue;
    if (i == 0) box->SetBitmap(4030);
    if (i == 1) box->SetBitmap(4031);
    if (i >= 5) box->SetLabelId(kTextShowReferenceLine + i - 5);
    box->SetChecked(window->layout.flags.on[kFlagOfControl[i]] != 0);
    boxes[i] = box;
  }
  SyncChooser();
  EventHandler_Open(this);
}

void T_TSDiagram::SyncChooser() {
  if (!scales) return;
  const int64_t count = database ? database->CountTimeScales() : 0;
  scales->SetItemCount(count ? count + 2 : 1);
  int64_t index =
      window->axisScale && database ? database->IndexOfTimeScale(window->axisScale) : -1;
  scales->SetSelection(index >= 0 ? index + 2 : 0, kSelectSilent);
  scales->Relayout();
}

void T_TSDiagram::OnCheckbox(T_GrafElement* element) {
  auto* box = static_cast<T_Checkbox*>(element);
  int32_t control = -1;
  for (int32_t i = 0; i < 8; ++i) {
    if (boxes[i] == box) control = i;
  }
  if (control < 0) {
    T_Frame::OnCheckbox(element);
    return;
  }
  window->layout.flags.on[kFlagOfControl[control]] = box->checked ? 1 : 0;
  const bool diagram = window->InDiagramMode();
  switch (control) {
    case 0:
      if (diagram) window->InvalidateGrid();
      break;
    case 1:
      if (diagram) {
        window->ChooseValueScale();
        window->InvalidateGrid();
      }
      break;
    case 7:
      if (window->viewMode == 1) {
        window->RebuildDiagram();
        window->InvalidateGrid();
      }
      break;
    default:
      if (diagram) window->InvalidateDiagram();
      break;
  }
}

void T_TSDiagram::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != scales) {
    T_Frame::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    if (record->index == 0)
      record->text = GetString(kTextDates);
    else if (record->index >= 2 && database) {
      TimeScale* scale = database->GetTimeScaleAt(record->index - 2);
      record->text = scale ? scale->name : nullptr;
    }
    return;
  }
  if (record->index < 2 || !database) {
    window->axisScale = nullptr;
  } else if (TimeScale* scale = database->GetTimeScaleAt(record->index - 2)) {
    window->axisScale = scale;
  } else {
    SyncChooser();
  }
  if (window->InDiagramMode()) window->InvalidateGrid();
}

void T_TSDiagram::ToggleGridLines() {
  DiagramFlags& f = window->layout.flags;
  const bool both = f.on[kFlagPeriodGrid] && f.on[kFlagValueGrid];
  f.on[kFlagPeriodGrid] = f.on[kFlagValueGrid] = both ? 0 : 1;
  if (boxes[2]) boxes[2]->SetChecked(!both);
  if (boxes[3]) boxes[3]->SetChecked(!both);
  if (window->InDiagramMode()) window->InvalidateDiagram();
}

bool T_TSDiagram::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_Frame::MouseDown(event, target)) return true;
  RECT caption = CaptionRect();
  RectInflate(&caption, 1);
  if (event->x < caption.left || event->x >= caption.right || event->y < caption.top ||
      event->y >= caption.bottom)
    return false;
  ToggleGridLines();
  return true;
}

void T_TSDiagram::Notify(int32_t code) {
  T_Frame::Notify(code);
  if (code == 18) {
    RECT caption = CaptionRect();
    GrafElement_InvalidateRect(this, &caption, 0);
  }
}

void T_TSDiagram::OnChange(const ChangeNote* note) {
  T_Frame::OnChange(note);
  if (!database || (note->database && note->database != database)) return;
  switch (note->code) {
    case 50:
      if (note->object == window->axisScale && scales) scales->Relayout();
      break;
    case 51:
      if (note->object == window->axisScale && window->InDiagramMode()) window->InvalidateGrid();
      break;
    case 52:
      SyncChooser();
      break;
    case 53:
      if (note->object == window->axisScale) {
        window->axisScale = nullptr;
        window->InvalidateGrid();
      }
      SyncChooser();
      break;
    default:
      break;
  }
}

void T_TSDiagram::DrawContent() {
  T_Frame::DrawContent();
  PictureDrawAt(44, 20, 1100);
  RECT caption = CaptionRect();
  TextDrawInRect(&caption, GetString(kTextGridLines), nullptr);
  DrawVLine(149, 0, static_cast<int32_t>(kDiagramFrameHeight) - 5);
}
