// Layout of a box window: the one place of geometry change (ScrollRows), resizing, the header
// toggle and buttons, the three splitters, the scroll bars, positions, hit tests and the
// preferred size. Row positions are always summed from the top row, never from row 0.
#include <algorithm>
#include <new>

#include "analysis/boxwin/box_window.h"
#include "database/base.h"
#include "database/templates.h"
#include "ui/event_record.h"
#include "ui/mode_tree.h"
#include "ui/slide_bar.h"

namespace {

constexpr int32_t kSplitterAbove = 3;
constexpr int32_t kSplitterBelow = 2;
constexpr int32_t kBottomSplitterBand = 17;
constexpr int32_t kMaxTitleHeight = 100;

}  // namespace

int32_t T_BoxWin::TitleTop() const { return headerHeight + (toolbar ? kToolbarHeight + 2 : 0); }

int32_t T_BoxWin::GridHeight() const { return grid ? grid->height : 0; }

int32_t T_BoxWin::GridVisibleHeight() const {
  return GridHeight() - (viewMode == 4 ? kViewMode4Bar : 0);
}

int32_t T_BoxWin::ContentWidth() const {
  if (!firstField) return kEmptyContentWidth;
  int32_t widest = 64;
  for (T_BoxField* f = firstField; f; f = f->next) {
    if (!f->stretch) widest = std::max(widest, static_cast<int32_t>(f->column.right));
  }
  return widest + 2;
}

// --- The one place of layout change ---------------------------------------------------------------

void T_BoxWin::ScrollRows(const LayoutChange* change) {
  if (change->header) {
    headerHeight += change->header;
    if (headerHeight < 6) headerToggled = 0;
    if (titles) titles->MoveBy(0, change->header);
    scrollBoxesValid = 0;
  }
  if (change->title) {
    titleHeight += change->title;
    if (titles) titles->ResizeBy(0, change->title);
    for (T_BoxField* f = firstField; f; f = f->next) {
      f->title.bottom += change->title;
      f->column.top -= change->title;
      if (f->linkedItem) f->linkedItem->ResizeBy(0, change->title);
    }
  }
  int32_t down = change->header + change->title;
  if (grid && down) grid->MoveAndResize(0, down, 0, -down);
  if (verticalBar && down) verticalBar->MoveAndResize(0, down, 0, -down);
  if (change->width || change->height) {
    if (viewMode == 0 || viewMode == 3 || viewMode == 4)
      UpdateScrollBoxes(true);
    else
      InvalidateGrid();
  }
  if (toolbar && change->width) toolbar->ResizeBy(change->width, 0);
  if (modeBox && change->header) modeBox->ResizeBy(0, change->header);
  if (modeItem && (change->width || change->header))
    modeItem->ResizeBy(change->width, change->header);
  CreateHeaderButtons();
  layoutRecord = *change;
}

void T_BoxWin::OnResized(int32_t dw, int32_t dh) {
  T_HWindow::OnResized(dw, dh);
  if (!grid) return;
  int32_t bottomChange = 0;
  if (!resizeFromSystem && viewMode == 0 && bottomHeight > 0) {
    int32_t gridHeight = grid->height + dh - kGridMinHeight;
    bool wider = ContentWidth() > grid->width;
    if (wider && !horizontalBar) gridHeight -= kBarOverlap;
    if (!wider && horizontalBar) gridHeight += kBarOverlap;
    if (gridHeight < 0) {
      int32_t shrink = std::min(-gridHeight, bottomHeight - minBottomHeight);
      if (shrink > 0) bottomChange = -shrink;
    }
  }
  bottomHeight += bottomChange;
  bottomAdjustment = bottomChange;
  grid->ResizeBy(dw, dh - bottomChange);
  if (horizontalBar) horizontalBar->MoveAndResize(0, dh - bottomChange, dw, 0);
  if (verticalBar) verticalBar->MoveAndResize(dw, 0, 0, dh - bottomChange);
  LayoutChange change{dw, 0, 0, dh};
  ScrollRows(&change);
}

void T_BoxWin::SetHeaderHeight(int32_t height) {
  int32_t change = height - headerHeight;
  if (!change) return;
  if (!Window_IsZoomed(this) && opened) {
    resizeFromSystem = 1;
    ResizeBy(0, change);
    resizeFromSystem = 0;
  }
  LayoutChange record{0, change, 0, -change};
  ScrollRows(&record);
}

void T_BoxWin::OnModeItemResized(int32_t, int32_t) {}

void T_BoxWin::SetViewMode(uint32_t mode) {
  relayout = 1;
  uint32_t old = viewMode;
  bool headerWasDefault = headerHeight == GetDefaultHeaderHeight();
  viewMode = mode;
  Refresh(static_cast<int32_t>(old));
  CreateHeaderButtons();
  if (headerWasDefault && GetDefaultHeaderHeight() >= 1) SetHeaderHeight(GetDefaultHeaderHeight());
  relayout = 0;
}

int32_t T_BoxWin::CalcHeaderHeight(int32_t minimum) {
  int32_t dimensions = database ? database->dimensionOrderCount : 0;
  return std::max({17 * (templateHeaderRows + 7), 17 * dimensions + 26, minimum});
}

// --- Header toggle and buttons -----------------------------------------------------------------

void T_BoxWin::ToggleHeader() {
  int32_t fallback = GetDefaultHeaderHeight();
  if (!headerSplitter || fallback <= 0) return;
  int32_t restoreWidth = 0;
  if (headerHeight < 8 && savedHeaderHeight) {
    restoreWidth = savedWidth;
    SetHeaderHeight(savedHeaderHeight);
    savedHeaderHeight = 0;
  } else if (headerHeight >= fallback - 5) {
    restoreWidth = savedWidth;
    SetHeaderHeight(1);
  } else {
    if (headerHeight >= 8) {
      savedHeaderHeight = headerHeight;
      savedWidth = width;
    }
    SetHeaderHeight(fallback);
  }
  headerToggled = 1;
  if (Window_IsZoomed(this) || !opened) return;
  if (restoreWidth) {
    ResizeBy(restoreWidth - width, 0);
  } else {
    POINT size{width, height};
    GetPreferredSize(&size);
    ResizeBy(size.x - width, 0);
  }
}

void T_BoxWin::CreateHeaderButtons() {
  delete collapseButton;
  delete expandButton;
  collapseButton = expandButton = nullptr;
  if (!headerButtons) return;
  int32_t foot = TitleTop();
  if (headerHeight > 12)
    collapseButton = new (std::nothrow) T_HeaderButton(this, {width - 16, foot - 13, 14, 12}, 2);
  if (headerHeight < GetDefaultHeaderHeight() - 2)
    expandButton = new (std::nothrow) T_HeaderButton(this, {width - 16, foot + 1, 14, 12}, 3);
}

void T_BoxWin::OnHeaderButton(T_HeaderButton* button) {
  SetHeaderHeight(button->direction == 2 ? 1 : GetDefaultHeaderHeight());
}

// --- Splitters ----------------------------------------------------------------------------------

int32_t T_BoxWin::SplitterAt(int32_t px, int32_t py) {
  int32_t foot = TitleTop();
  if (headerSplitter && py >= foot - kSplitterAbove && py < foot + kSplitterBelow) return 1;
  int32_t titleFoot = foot + titleHeight;
  if (titleSplitter && fieldTitlesShown && py >= titleFoot - kSplitterAbove &&
      py < titleFoot + kSplitterBelow)
    return 2;
  if (bottomSplitter && bottomHeight >= minBottomHeight && grid) {
    int32_t bottomTop = grid->y + grid->height;
    if (py >= bottomTop && py < bottomTop + kBottomSplitterBand && px >= 0 && px < width) return 3;
  }
  return 0;
}

int32_t T_BoxWin::ClampHeaderHeight(int32_t h) {
  return std::clamp(h, 1, std::max(1, GetDefaultHeaderHeight() + 100));
}

int32_t T_BoxWin::ClampTitleHeight(int32_t h) {
  return std::clamp(h, std::min(minTitleHeight, kMaxTitleHeight), kMaxTitleHeight);
}

int32_t T_BoxWin::ClampBottomHeight(int32_t h) {
  if (!grid) return bottomHeight;
  int32_t keep = kGridMinHeight + (horizontalBar ? kBarOverlap : 0);
  // The grid's foot may rise no higher than keep below its top.
  int32_t largest = bottomHeight + (grid->height - keep);
  return std::max(minBottomHeight, std::min(h, largest));
}

void T_BoxWin::SetBottomHeight(int32_t h) {
  int32_t change = h - bottomHeight;
  if (!change || !grid) return;
  bottomHeight = h;
  grid->ResizeBy(0, -change);
  if (horizontalBar) horizontalBar->MoveBy(0, -change);
  if (verticalBar) verticalBar->ResizeBy(0, -change);
  UpdateScrollBoxes(true);
  GrafElement_Invalidate(this, 0);
}

bool T_BoxWin::TrackSplitter(InputEvent* event, int32_t splitter) {
  int32_t startY = event->y;
  int32_t startHeight = splitter == 1 ? headerHeight : splitter == 2 ? titleHeight : bottomHeight;
  InputEvent poll = *event;
  do {
    Item_PollPointer(this, &poll);
    int32_t dy = poll.y - startY;
    if (splitter == 1) {
      if (poll.x < -15 || poll.x > width + 15) continue;
      SetHeaderHeight(ClampHeaderHeight(startHeight + dy));
    } else if (splitter == 2) {
      LayoutChange change{0, 0, ClampTitleHeight(startHeight + dy) - titleHeight, 0};
      change.height = -change.title;
      if (change.title) ScrollRows(&change);
    } else {
      if (poll.x < -15 || poll.x > width + 15) continue;
      SetBottomHeight(ClampBottomHeight(startHeight - dy));
    }
  } while (poll.anyButton);
  return true;
}

// --- Scroll bars and positions ----------------------------------------------------------------------

void T_BoxWin::UpdateScrollBoxes(bool force) {
  if (!grid || (!force && scrollBoxesValid)) return;
  scrollBoxesValid = 1;
  bool wantVertical = viewMode == 0 || viewMode == 3 || viewMode == 4;
  bool wantHorizontal = false;
  if (viewMode == 0) {
    int32_t room = grid->width + (verticalBar ? kBarOverlap : 0);
    wantHorizontal = ContentWidth() + kBarOverlap > room;
  }
  if (wantVertical && !verticalBar) {
    grid->ResizeBy(-kBarOverlap, 0);
    verticalBar = new (std::nothrow) T_Slidebar(
        this, {grid->x + grid->width - 1, grid->y - 1, kBarThickness, grid->height + 2}, true,
        kBoxVerticalBarId, rowCount);
    if (verticalBar) verticalBar->SetPosition(savedTopRow);
  } else if (!wantVertical && verticalBar) {
    savedTopRow = verticalBar->first;
    delete verticalBar;
    verticalBar = nullptr;
    grid->ResizeBy(kBarOverlap, 0);
  }
  if (wantHorizontal && !horizontalBar) {
    grid->ResizeBy(0, -kBarOverlap);
    if (verticalBar) verticalBar->ResizeBy(0, -kBarOverlap);
    horizontalBar = new (std::nothrow) T_Slidebar(
        this, {grid->x - 1, grid->y + grid->height - 1, grid->width + 2, kBarThickness}, false,
        kBoxHorizontalBarId, ContentWidth());
    if (horizontalBar) {
      horizontalBar->step = 8;
      horizontalBar->SetPosition(savedScrollX);
    }
  } else if (!wantHorizontal && horizontalBar) {
    savedScrollX = horizontalBar->first;
    delete horizontalBar;
    horizontalBar = nullptr;
    grid->ResizeBy(0, kBarOverlap);
    if (verticalBar) verticalBar->ResizeBy(0, kBarOverlap);
  }
  if (verticalBar) {
    if (verticalBar->count != rowCount) verticalBar->SetCount(rowCount, 0);
    verticalBar->Refresh();
  }
  if (horizontalBar) {
    if (horizontalBar->count != ContentWidth()) horizontalBar->SetCount(ContentWidth(), 0);
    horizontalBar->Refresh();
  }
  if (!sizeApplied) {
    sizeApplied = 1;
    T_BoxTmpl* box = AsBoxTemplate(templ);
    if (opened && !Window_IsZoomed(this) && box && box->zoomDirect && calcButton &&
        !CalcButtonEnabled()) {
      POINT size{width, height};
      GetPreferredSize(&size);
      resizeFromSystem = 1;
      ResizeBy(size.x - width, size.y - height);
      resizeFromSystem = 0;
    }
  }
  InvalidateGrid();
}

void T_BoxWin::OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) {
  if (bar != verticalBar && bar != horizontalBar) {
    T_HWindow::OnSlidebarEvent(bar, record);
    return;
  }
  bool vertical = bar == verticalBar;
  switch (record->code) {
    case kSlideVisiblePixels:
      record->value = vertical ? GridVisibleHeight() : (grid ? grid->width : 0);
      break;
    case kSlidePositionPixels:
      record->value = vertical ? GetRowHeight(record->index) : 1;
      break;
    case kSlideMayBeFirst:
      if (vertical && !IsGroupStart(record->index)) record->flag = 0;
      break;
    case kSlideMoved:
      InvalidateGrid();
      if (!vertical && titles) GrafElement_Invalidate(titles, 0);
      break;
    default:
      break;
  }
}

int32_t T_BoxWin::GetScrollX() const {
  return horizontalBar ? static_cast<int32_t>(horizontalBar->first) : 0;
}
int64_t T_BoxWin::GetTopRow() const { return verticalBar ? verticalBar->first : 0; }

int64_t T_BoxWin::GetLastVisibleRow() {
  // The bar knows the last row that fits from its first; it is re-measured with the sizes.
  if (!verticalBar) return rowCount - 1;
  return std::min(verticalBar->last, rowCount - 1);
}

void T_BoxWin::ScrollByRows(int64_t n) {
  if (verticalBar) verticalBar->ScrollBy(n);
}

bool T_BoxWin::GetRowTop(int64_t row, int32_t* top) {
  int64_t r = GetTopRow();
  if (row < r || !grid) return false;
  int32_t y = 0;
  int32_t visible = GridVisibleHeight();
  for (; r < row; ++r) {
    y += GetRowHeight(r);
    if (y >= visible) return false;
  }
  *top = y;
  return true;
}

int64_t T_BoxWin::RowAtPoint(POINT point) {
  if (!grid || point.x < 0 || point.y < 0 || point.x >= grid->width ||
      point.y >= GridVisibleHeight())
    return -1;
  int32_t y = 0;
  for (int64_t row = GetTopRow(); row < rowCount; ++row) {
    y += GetRowHeight(row);
    if (point.y < y) return row;
  }
  return -1;
}

int32_t T_BoxWin::FieldAtPoint(int32_t px, int64_t row) {
  int32_t from = GetRowLayout(row);
  int32_t x = px + GetScrollX();
  for (T_BoxField* f = GetField(from); f; f = f->next) {
    if (f->index >= from && x >= f->column.left && x < f->column.right)
      return static_cast<int32_t>(f->index);
  }
  return -1;
}

void T_BoxWin::GetCellRect(RECT* rect, int64_t row, int32_t field) {
  *rect = RECT{};
  T_BoxField* f = GetField(field);
  int32_t top = 0;
  if (!f || !GetRowTop(row, &top)) return;
  int32_t dx = GetScrollX();
  *rect = RECT{f->column.left - dx, top, f->column.right - dx, top + GetRowHeight(row)};
}

void T_BoxWin::GetRangeRect(RECT* rect, const CellRange* range) {
  RECT first{};
  RECT last{};
  GetCellRect(&first, range->firstRow, range->firstField);
  GetCellRect(&last, range->lastRow, range->lastField);
  UnionRect(rect, &first, &last);
}

void T_BoxWin::InvalidateGrid() {
  if (grid && grid->opened) GrafElement_Invalidate(grid, 0);
}

void T_BoxWin::InvalidateRows(int64_t first, int64_t last) {
  if (!grid || !grid->opened) return;
  int32_t top = 0;
  if (!GetRowTop(std::max(first, GetTopRow()), &top)) return;
  int32_t bottom = top;
  for (int64_t r = std::max(first, GetTopRow()); r <= last && bottom < grid->height; ++r)
    bottom += GetRowHeight(r);
  RECT rect{0, top, grid->width, bottom};
  GrafElement_InvalidateRect(grid, &rect, 0);
}

void T_BoxWin::InvalidateFields(int32_t first, int32_t last) {
  T_BoxField* a = GetField(first);
  T_BoxField* b = GetField(last);
  if (!grid || !grid->opened || !a || !b) return;
  RECT rect{a->column.left - GetScrollX(), 0, b->column.right - GetScrollX(), grid->height};
  GrafElement_InvalidateRect(grid, &rect, 0);
}

void T_BoxWin::InvalidateCell(int64_t row, int32_t field) {
  RECT rect;
  GetCellRect(&rect, row, field);
  if (grid && grid->opened && !IsRectEmpty(&rect)) GrafElement_InvalidateRect(grid, &rect, 0);
}

// --- Preferred size ---------------------------------------------------------------------------------

void T_BoxWin::GetPreferredSize(POINT* size) {
  int32_t gridHeight = GridHeight();
  int32_t rows = 0;
  for (int64_t r = 0; r < rowCount && rows <= 3000; ++r) rows += GetRowHeight(r);
  if (viewMode == 0) {
    size->x = ContentWidth() + 16;
    size->y = height - gridHeight + std::max(rows, 52);
    if (horizontalBar && grid && ContentWidth() <= grid->width + kBarOverlap) size->y -= kBarOverlap;
  } else if (viewMode == 3) {
    // The larger of the rows and the tree drawing beside them.
    const RECT area{0, 0, grid ? grid->width : width, 30000};
    RECT extent;
    BoxDrawingExtent(this, &area, &extent);
    size->y = height - gridHeight + std::max(rows + 2, static_cast<int32_t>(extent.bottom));
  } else if (viewMode == 4) {
    size->y = height - gridHeight + rows + kViewMode4Bar;
  } else if (gridHeight < 80) {
    size->y += 80 - gridHeight;
  }
  for (T_GrafElement* child = firstChild; child; child = child->next) {
    if (!child->visible || !CountsForSize(child)) continue;
    size->x = std::max<LONG>(size->x, child->x + child->width + 12);
  }
  if (toolbar) {
    for (T_GrafElement* child = toolbar->firstChild; child; child = child->next)
      size->x = std::max<LONG>(size->x, child->x + child->width + 10);
  }
  if (modeItem && headerHeight > 5) {
    for (T_GrafElement* child = modeItem->firstChild; child; child = child->next) {
      if (CountsForSize(child)) size->x = std::max<LONG>(size->x, modeItem->x + child->x + child->width + 12);
    }
  }
  if (headerToggled) size->x = std::max<LONG>(size->x, GetDefaultWidth());
  RECT limits{};
  GetMaxRect(&limits);
  AdjustPreferredSize(size, &limits, &layoutRecord);
}
