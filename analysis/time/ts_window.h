#pragma once
// T_TSWin: the base of the box windows that show values over time (the lines window, the time
// functions window). Besides the grid, its view modes 1 and 2 draw a diagram: a value axis, a
// time axis labelled by calendar periods or a time scale's periods, grid, today, reference and
// zero lines, and the derived window's curves or bars in the plot. The base owns the diagram's
// range, flags and layout, zooming with a history of 32 ranges, the tool and cursor rules and the
// print fit; the derived window fills the range, draws its data and answers seven slots.
//
// Invariants:
//   1. 0 <= zoomCount <= 32; the entries 0 .. zoomCount - 1 are the ranges before each zoom,
//      the newest last;
//   2. wheelZoom is set only while a run of wheel steps goes on whose starting range is already
//      in the history; any push or pop ends the run;
//   3. axisScale is null or a time scale of the window's database (change 53 clears it).
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "analysis/boxwin/box_window.h"
#include "analysis/time/diagram_layout.h"
#include "analysis/time/period_types.h"
#include "ui/regions.h"

struct TimeScale;

constexpr int32_t kZoomHistoryMax = 32;
constexpr uint64_t kHeldZoomStepMs = 400;


// The refusal sound of a zoom; tests count it. Null puts back MessageBeep(1).
void SetDiagramBeep(void (*beep)());
void DiagramBeep();

struct ZoomEntry {
  DiagramRange range;
  uint32_t viewMode;
};

class T_TSWin : public T_BoxWin {
 public:
  T_TSWin(int32_t kind, const RECT* rect, T_Template* templ, uint32_t helpId, T_Base* database,
          uint32_t flags);
  ~T_TSWin() override;

  // --- Slots of the base -------------------------------------------------------------------------
  void OnChange(const ChangeNote* note) override;
  int32_t GetEffectiveTool(InputEvent* event) override;
  bool SetGridCursor(InputEvent* event) override;
  bool ClickGrid(InputEvent* event) override;
  bool GridWheel(InputEvent* event, int32_t lines) override;
  void FitPrintRect(RECT* rect) override;

  // --- Its own slots
  // -------------------------------------------------------------------------------
  virtual bool IsPointOnData(InputEvent* event) = 0;
  virtual void RebuildDiagram() = 0;
  virtual void ChooseValueScale() = 0;
  virtual void OnPeriodRangeChanged() = 0;
  virtual bool HitDiagram(POINT point, int64_t* row, Region* shape) = 0;
  virtual bool ClickDiagram(InputEvent* event) = 0;
  virtual void DragDiagram(InputEvent* event) = 0;

  // --- Layout and drawing
  // --------------------------------------------------------------------------
  bool InDiagramMode() const { return viewMode == 1 || viewMode == 2; }
  void SetDiagramRect(const RECT* rect);
  // SetDiagramRect with the grid item's rectangle.
  void LayoutForGrid();
  void LayoutDiagram();
  void ClipToDiagram();
  void InvalidateDiagram();
  void DrawDiagramAxes();
  void DrawScaleLabel();
  void DrawValueAxis();
  void DrawTimeAxis();

  // --- Zooming
  // --------------------------------------------------------------------------------------
  void PushZoom();
  bool PopZoom();
  void ClearZoomStack();
  // The range of a pixel rectangle becomes the diagram's; false (and nothing changes) when it
  // would be degenerate.
  bool ApplyZoom(const RECT& rect);
  void TrackZoom(InputEvent* event, bool zoomOut);
  void HeldZoom(InputEvent* event, bool zoomOut);
  // The rectangle of one zoom-in step from the plot towards a point: fraction 1/2 for a click,
  // 1/8 for a held step.
  RECT ZoomTowards(POINT point, int32_t numerator, int32_t denominator) const;

  DiagramLayout layout;
  PackedDate periodAnchor = 0;
  int32_t periodKind = kPeriodActiveLines;
  TimeScale* periodScale = nullptr;
  TimeScale* axisScale = nullptr;
  int32_t zoomCount = 0;
  ZoomEntry zoomHistory[kZoomHistoryMax]{};
  uint8_t wheelZoom = 0;
  Region region;
};

// The window as a time-series window, or null.
T_TSWin* AsTSWin(T_EventHandler* element);
