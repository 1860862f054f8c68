// Printing a box window in pages through the toolkit's print loop (ui/printing.h).
#include "analysis/boxwin/box_print.h"

#include <algorithm>
#include <cstring>

#include "analysis/boxwin/box_window.h"
#include "core/memory.h"
#include "database/card_selection.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/page_setup.h"
#include "ui/printing.h"
#include "ui/text_layout.h"

// --- Page setup blocks --------------------------------------------------------------------------------

void ApplyPageSetupBlocks(T_Window* window, void* const blocks[2]) {
  if (!blocks[0]) return;
  int64_t n = MemSize(blocks[0]);
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n));
  if (!global) return;
  void* bytes = GlobalLock(global);
  memcpy(bytes, blocks[0], static_cast<size_t>(n));
  GlobalUnlock(global);
  // A damaged block is refused: the window keeps its printer settings.
  if (DevModeBlockValid(global)) Window_PrinterSetupReplace(window, global);
  GlobalFree(global);
}

void StorePageSetupBlocks(T_Window* window, void* blocks[2]) {
  HGLOBAL global = Window_PrinterSetupCopy(window);
  if (!global) return;
  SIZE_T n = GlobalSize(global);
  void* copy = MemNew(static_cast<int64_t>(n));
  if (copy) {
    memcpy(copy, GlobalLock(global), n);
    GlobalUnlock(global);
    MemFree(blocks[0]);
    blocks[0] = copy;
  }
  GlobalFree(global);
}

// --- Layout --------------------------------------------------------------------------------------

int64_t PrintBandEnd(T_BoxWin* window, int64_t first, int64_t end, int32_t bodyHeight) {
  int32_t used = 0;
  int64_t row = first;
  for (; row < end; ++row) {
    used += window->GetRowHeight(row);
    if (used > bodyHeight) break;
  }
  if (row >= end) return end;
  if (row == first) return first + 1;  // a row taller than the body gets a page of its own
  if (!window->IsGroupStart(row)) {
    int64_t start = row - 1;
    while (start > first && !window->IsGroupStart(start)) --start;
    if (start > first) row = start;
  }
  return row;
}

namespace {

DrawingExtentHook drawingExtent = nullptr;

bool PrintingHeader(const PrintOptions& print) {
  return print.windowTitle || print.dateTime || print.pageNumbers != kPageNumbersNone;
}

}  // namespace

void SetDrawingExtentHook(DrawingExtentHook hook) { drawingExtent = hook; }

void BoxDrawingExtent(T_BoxWin* window, const RECT* rect, RECT* extent) {
  *extent = RECT{rect->left, rect->top, rect->left, rect->top};
  if (drawingExtent) drawingExtent(window, rect, extent);
}

void PrintHeaderText(T_TextBuf* out, const PrintOptions* options, const SYSTEMTIME* now,
                     int32_t page, int32_t pages) {
  TextBufAssign(out, "");
  if (options->dateTime) {
    char stamp[32];
    snprintf(stamp, sizeof stamp, "%02d%02d%02d %02d:%02d", now->wYear % 100, now->wMonth,
             now->wDay, now->wHour, now->wMinute);
    TextBufAppend(out, stamp);
  }
  // Page numbers need at least two pages.
  if (options->pageNumbers == kPageNumbersNone || pages < 2) return;
  if (options->dateTime) TextBufAppend(out, "  ");
  TextBufAppendInt(out, page);
  if (options->pageNumbers == kPageNumbersOfTotal) {
    TextBufAppendChar(out, '/');
    TextBufAppendInt(out, pages);
  } else if (options->pageNumbers == kPageNumbersWithTotal) {
    TextBufAppendChar(out, '(');
    TextBufAppendInt(out, pages);
    TextBufAppendChar(out, ')');
  }
}

bool T_BoxWin::PrintLayout(PrintPhase* phase) {
  PrintWork* work = printWork;
  if (!work) return false;
  *work = PrintWork{};
  RECT page = phase->printable;
  page.left = std::max(page.left, -phase->paper.left + 22);
  page.top = std::max(page.top, -phase->paper.top + 20);
  if (print.bindingMargin) {
    bool portrait = (phase->paper.bottom - phase->paper.top) > (phase->paper.right - phase->paper.left);
    if (portrait)
      page.left += kPrintBindingMargin;
    else
      page.top += kPrintBindingMargin;
  }
  BoxDrawRecord part{};
  part.printing = 1;
  part.phase = 0;
  part.band = page;
  PrintPart(&part);
  page = part.band;
  work->pageWidth = page.right - page.left;
  if (PrintingHeader(print)) {
    work->header = RECT{page.left, page.top, page.right, page.top + kPrintHeaderHeight};
    page.top += kPrintHeaderHeight;
  }
  work->firstBody = work->nextBody = page;
  work->firstBandPages = 1;
  if (print.notes && notes && notes[0]) {
    Gfx.style = defaultStyle;
    Gfx.style.flags |= kStyleWrap;
    PortApplyStyle();
    RECT rect{page.left, page.top, page.right, page.bottom};
    TextFitRect(&rect, notes);
    work->notes = rect;
    work->firstBody.top = rect.bottom + 2;
  }
  if (print.definition) {
    part = BoxDrawRecord{};
    part.printing = 1;
    part.phase = 1;
    part.band = work->firstBody;
    part.pageCount = 1;
    PrintPart(&part);
    work->definitionTop = work->firstBody.top;
    work->definitionHeight = part.height;
    work->firstBody.top += part.height;
    if (part.pageCount > 1) work->firstBandPages = part.pageCount;
  }
  if (print.columnTitles) {
    part = BoxDrawRecord{};
    part.printing = 1;
    part.phase = 3;
    PrintPart(&part);
    if (part.height > 3) {
      work->titleHeight = part.height;
      work->firstBody.top += part.height + 1;
      work->nextBody.top += part.height + 1;
    }
  }
  part = BoxDrawRecord{};
  part.printing = 1;
  part.phase = 5;
  part.band = work->nextBody;
  PrintPart(&part);
  work->footerHeight = part.height;
  work->stripCount = 1;
  work->stripFirst[0] = firstField;
  if (viewMode == 0 && firstField) {
    int32_t bodyWidth = work->firstBody.right - work->firstBody.left;
    int32_t stripLeft = firstField->column.left;
    for (T_BoxField* f = firstField->next; f; f = f->next) {
      if (f->stretch || work->stripCount >= kPrintMaxStrips) continue;
      if (f->column.right - stripLeft > bodyWidth) {
        work->stripFirst[work->stripCount++] = f;
        stripLeft = f->column.left;
      }
    }
  }
  work->firstBandPages = std::max(work->firstBandPages, work->stripCount);
  int32_t pages = work->firstBandPages;
  if (viewMode == 0 || viewMode == 3 || viewMode == 4) {
    work->endRow = !print.dataRows && viewMode == 0 ? std::min(headerRowCount, rowCount) : rowCount;
    int64_t first = print.headerRows || viewMode != 0 ? 0 : headerRowCount;
    for (int32_t p = 0; p < pages; ++p) work->pageFirstRow[p] = first;
    int64_t next = PrintBandEnd(this, first, work->endRow,
                                work->firstBody.bottom - work->firstBody.top);
    while (next < work->endRow && pages + work->stripCount < kPrintMaxPages) {
      for (int32_t s = 0; s < work->stripCount; ++s) work->pageFirstRow[pages++] = next;
      next = PrintBandEnd(this, next, work->endRow, work->nextBody.bottom - work->nextBody.top);
    }
    // What no band holds is not printed: the last band ends where the next would start.
    work->endRow = next;
  } else if (!print.fillPage) {
    FitPrintRect(&work->firstBody);
  }
  work->pages = pages;
  phase->pageCount = pages;
  return true;
}

void T_BoxWin::PrintPage(PrintPhase* phase) {
  PrintWork* work = printWork;
  if (!work || phase->page < 1 || phase->page > work->pages) return;
  int32_t p = phase->page;
  bool firstBand = p <= work->firstBandPages;
  int32_t strip = firstBand ? p - 1 : (p - 1 - work->firstBandPages) % work->stripCount;
  RECT body = firstBand ? work->firstBody : work->nextBody;
  bool showsRows = !firstBand || strip < work->stripCount;
  int64_t firstRow = work->pageFirstRow[p - 1];
  int64_t endRow = work->endRow;
  // The next band's first row ends this page.
  for (int32_t q = p; q < work->pages; ++q) {
    if (work->pageFirstRow[q] != firstRow) {
      endRow = work->pageFirstRow[q];
      break;
    }
  }
  Gfx.style = defaultStyle;
  PortApplyStyle();
  if (PrintingHeader(print)) {
    T_TextBuf right;
    SYSTEMTIME now{};
    BoxServices().now(&now);
    PrintHeaderText(&right, &print, &now, p, work->pages);
    RECT header = work->header;
    header.right = header.left + work->pageWidth;
    DrawHLine(header.left, header.bottom - 1, work->pageWidth);
    int32_t rightWidth = TextWidthBuf(&right);
    RECT dateRect{header.right - rightWidth, header.top, header.right, header.bottom - 1};
    if (right.length) TextDrawLine(&dateRect, right.data, nullptr);
    if (print.windowTitle) {
      RECT titleRect{header.left, header.top, dateRect.left - 4, header.bottom - 1};
      TextDrawLine(&titleRect, Title(), nullptr);
    }
  }
  if (p == 1 && print.notes && notes && notes[0]) {
    Gfx.style.flags |= kStyleWrap;
    PortApplyStyle();
    TextDrawInRect(&work->notes, notes, nullptr);
    Gfx.style = defaultStyle;
    PortApplyStyle();
    DrawHLine(work->notes.left, work->notes.bottom, work->pageWidth);
  }
  if (firstBand && print.definition && work->definitionHeight) {
    BoxDrawRecord part{};
    part.printing = 1;
    part.phase = 2;
    part.band = RECT{body.left, work->definitionTop, body.right,
                     work->definitionTop + work->definitionHeight};
    part.pageCount = p;
    PrintPart(&part);
    DrawHLine(body.left, part.band.bottom - 1, work->pageWidth);
  }
  if (firstBand && strip >= work->stripCount) return;  // a definition page without rows
  if (!showsRows) return;
  T_BoxField* stripFirst = work->stripFirst[strip];
  T_BoxField* stripNext = strip + 1 < work->stripCount ? work->stripFirst[strip + 1] : nullptr;
  int32_t shift = stripFirst ? stripFirst->column.left : 0;
  RECT clip = body;
  if (stripNext) clip.right = std::min(clip.right, body.left + stripNext->column.left - shift);
  if (work->titleHeight && (viewMode == 0 || viewMode == 3 || viewMode == 4 || p == 1)) {
    BoxDrawRecord part{};
    part.printing = 1;
    part.phase = 4;
    part.band = RECT{body.left, body.top - work->titleHeight - 1, clip.right, body.top - 1};
    part.offsetX = shift;
    part.stripFirst = stripFirst;
    PrintPart(&part);
    DrawHLine(body.left, body.top - 1, std::min(work->pageWidth, static_cast<int32_t>(clip.right - body.left)));
  }
  if (viewMode == 0 || viewMode == 3 || viewMode == 4) {
    BoxDrawRecord record;
    InitDrawRecord(&record, &body);
    record.printing = 1;
    record.clip = clip;
    record.offsetX = shift;
    record.firstRow = firstRow;
    int32_t bottom = body.top;
    for (int64_t r = firstRow; r < endRow && bottom < body.bottom; ++r) bottom += GetRowHeight(r);
    record.clip.bottom = std::min(static_cast<int32_t>(body.bottom), bottom);
    if (viewMode == 3 && p == 1) {
      // The tree drawing beside the rows may reach further down than they do.
      RECT extent;
      BoxDrawingExtent(this, &body, &extent);
      record.clip.bottom = std::max(record.clip.bottom, std::min(body.bottom, extent.bottom));
    }
    int64_t savedRows = rowCount;
    rowCount = endRow;  // the page's rows only
    PortSetClipRect(&record.clip);
    DrawGrid(&record);
    rowCount = savedRows;
    if (strip == 0 && endRow >= work->endRow && work->footerHeight) {
      DrawHLine(body.left, record.clip.bottom + 1, work->pageWidth);
      BoxDrawRecord part{};
      part.printing = 1;
      part.phase = 6;
      part.band = RECT{body.left, record.clip.bottom + 2, body.right,
                       record.clip.bottom + 2 + work->footerHeight};
      PrintPart(&part);
    }
  }
}

bool PrintSelectionDefinition(BoxDrawRecord* record, CardSelection* selection) {
  if (record->phase == 1) {
    record->height = Selection_getDefinitionHeight(selection);
    return true;
  }
  if (record->phase == 2) {
    Selection_drawDefinition(selection, &record->band);
    return true;
  }
  return false;
}

void T_BoxWin::PrintPart(BoxDrawRecord* record) {
  switch (record->phase) {
    case 0:
      if (viewMode == 0 && !(print.notes && notes && notes[0]) && !print.definition) {
        for (T_BoxField* f = firstField; f; f = f->next)
          if (f->stretch) return;
        int32_t right = record->band.left + std::max(ContentWidth(), kPrintMinWidth);
        if (right < record->band.right) record->band.right = right;
      }
      break;
    case 3:
      record->height = titleHeight;
      break;
    case 4: {
      T_TextBuf text;
      for (T_BoxField* f = record->stripFirst ? record->stripFirst : firstField; f; f = f->next) {
        RECT rect;
        f->GetTitleTextRect(&rect);
        OffsetRect(&rect, record->band.left - record->offsetX, record->band.top);
        if (rect.left >= record->band.right) break;
        Gfx.style = f->titleStyle;
        PortApplyStyle();
        f->GetOutputTitle(&text, true);
        TextDrawInRect(&rect, text.data, nullptr);
      }
      break;
    }
    default:
      break;
  }
}

void T_BoxWin::Print(void* given) {
  auto* phase = static_cast<PrintPhase*>(given);
  switch (phase->phase) {
    case kPrintBegin:
      if (!printWork) {
        void* block = MemAlloc(sizeof(PrintWork), 2);
        if (block) printWork = new (block) PrintWork{};
      }
      break;
    case kPrintCountPages:
      if (!PrintLayout(phase)) phase->pageCount = 0;
      break;
    case kPrintPage:
      PrintPage(phase);
      break;
    default:
      MemFree(printWork);
      printWork = nullptr;
      break;
  }
}
