#include "analysis/boxwin/box_window.h"

#include <new>

#include "analysis/boxwin/box_print.h"
#include "core/alert.h"
#include "core/file_dialogs.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/link_rename.h"
#include "database/templates.h"
#include "ui/button.h"
#include "ui/clipboard_data.h"
#include "ui/drag_drop.h"
#include "ui/edit_field.h"
#include "ui/page_setup.h"
#include "ui/printing.h"
#include "ui/slide_bar.h"

// --- Seams ----------------------------------------------------------------------------------------

namespace {

void LocalNow(SYSTEMTIME* time) { GetLocalTime(time); }

// The system's save dialog over the default path.
bool AskExportPath(T_BoxWin*, T_TextBuf* path) { return FileSaveDialog(path, 0); }
uint64_t SystemTicks() { return GetTickCount64(); }

const BoxWinServices kDefaultServices{
    /*autoRecalc*/ [] { return true; },
    /*webSelfUrl*/ [](T_TextBuf*) { return false; },
    /*webUserOpensCards*/ [] { return false; },
    /*now*/ LocalNow,
    /*ticks*/ SystemTicks,
    /*askExportPath*/ AskExportPath,
    /*startDrag*/ [](T_BoxWin*, const TransferList* list) { DragRun(nullptr, list); },
    /*newSubsetBox*/ nullptr,
    /*webUserDrills*/ [] { return false; },
    /*webPicturePath*/ [](T_TextBuf* path) { TextBufAssign(path, ""); },
};
BoxWinServices services = kDefaultServices;

}  // namespace

void SetBoxWinServices(const BoxWinServices* given) {
  services = kDefaultServices;
  if (!given) return;
  if (given->autoRecalc) services.autoRecalc = given->autoRecalc;
  if (given->webSelfUrl) services.webSelfUrl = given->webSelfUrl;
  if (given->webUserOpensCards) services.webUserOpensCards = given->webUserOpensCards;
  if (given->now) services.now = given->now;
  if (given->ticks) services.ticks = given->ticks;
  if (given->askExportPath) services.askExportPath = given->askExportPath;
  if (given->startDrag) services.startDrag = given->startDrag;
  services.newSubsetBox = given->newSubsetBox;
  if (given->webUserDrills) services.webUserDrills = given->webUserDrills;
  if (given->webPicturePath) services.webPicturePath = given->webPicturePath;
}
const BoxWinServices& BoxServices() { return services; }

T_BoxWin* AsBoxWin(T_EventHandler* element) {
  return dynamic_cast<T_BoxWin*>(element);
}

// --- Construction ---------------------------------------------------------------------------------

T_BoxWin::T_BoxWin(int32_t kind, const RECT* rect, T_Template* from, uint32_t helpId,
                   T_Base* base, uint32_t flags)
    : T_HWindow(kKindDocument, kind, rect, helpId, base, flags) {
  templ = from;
  defaultStyle = style;
  TextBufInit(&textBefore);
  TextBufInit(&editedText);
  SubsetListInit(&subsets, base, kSubsetListOfWindow);
  if (T_BoxTmpl* box = AsBoxTemplate(from)) {
    output = box->output;
    // A copy that fails leaves the window without page setup; the printer's defaults serve.
    PrintOptionsCopy(&print, &box->print);
    if (box->notes) BlockTextAssign(&notes, box->notes);
    // The window's own subsets come from the template's stored copies.
    RestoreSubsetList(&subsets, &box->subsets);
    if (print.pageSetup[0] && print.pageSetup[1]) ApplyPageSetupBlocks(this, print.pageSetup);
    gridMode = box->gridMode <= kGridShadeUpper ? box->gridMode : 0;
    verticalGridLines = box->verticalGridLines ? 1 : 0;
    viewMode = box->viewMode <= 4 ? box->viewMode : 0;
  }
  if (output.format > kOutputXml) output.format = kOutputText;
  if (print.pageNumbers > kPageNumbersWithTotal) print.pageNumbers = kPageNumbersWithTotal;
}

T_BoxWin::~T_BoxWin() {
  while (firstField) {
    T_BoxField* field = firstField;
    DeleteBoxField(&field);
  }
  BlockTextFree(&exportPath);
  BlockTextFree(&notes);
  TextBufFree(&textBefore);
  TextBufFree(&editedText);
  MemFree(pageStarts);
  pageStarts = nullptr;
  if (printWork) {
    MemFree(printWork);
    printWork = nullptr;
  }
  PrintOptionsFree(&print);
  SubsetListFree(&subsets);
}

void T_BoxWin::CreateGridItems(int32_t header, int32_t title, int32_t bottom) {
  if (header < 1) {
    int32_t fallback = GetDefaultHeaderHeight();
    if (fallback >= 1) header = fallback;
  }
  headerHeight = header;
  titleHeight = title;
  bottomHeight = bottom;
  int32_t top = TitleTop();
  titles = new (std::nothrow) T_BoxTitles(this, {0, top, 3000, titleHeight});
  int32_t gridTop = top + titleHeight + 1;
  int32_t gridHeight = height - gridTop - bottomHeight;
  grid = new (std::nothrow) T_BoxItem(this, {1, gridTop, width - 2, gridHeight > 0 ? gridHeight : 0});
  CreateHeaderButtons();
}

T_BoxField* T_BoxWin::AddField(const RECT* rect, int32_t titleId) {
  auto* field = new (std::nothrow) T_BoxField(this);
  if (!field) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  field->titleId = titleId;
  field->AppendToWindow(rect);
  return field;
}

void T_BoxWin::SetSelectMode(uint32_t mode) {
  if (selectMode == kSelectEdit && mode != kSelectEdit) SelectEditCell(-1, -1);
  if (selectMode == kSelectRange && mode != kSelectRange) SelectCell(-1, -1, false);
  selectMode = mode <= kSelectRange ? mode : kSelectNone;
}

void T_BoxWin::SetTitleHeight(int32_t height) {
  LayoutChange change{0, 0, height - titleHeight, -(height - titleHeight)};
  if (change.title) ScrollRows(&change);
}

void T_BoxWin::SetFieldTitlesShown(bool shown) {
  fieldTitlesShown = shown ? 1 : 0;
  if (titles) GrafElement_Invalidate(titles, 0);
}

T_BoxField* T_BoxWin::GetField(int64_t n) const {
  if (n < 0) return nullptr;
  T_BoxField* field = firstField;
  while (field && n-- > 0) field = field->next;
  return field;
}

// --- Default slots --------------------------------------------------------------------------------

void T_BoxWin::FormatRow(RowTextPool*, int64_t) {}
void T_BoxWin::GetRowOutline(RowOutline* outline, int64_t) { *outline = RowOutline{}; }
void T_BoxWin::RunCalculation(bool, bool) {}
int32_t T_BoxWin::GetRowHeight(int64_t) {
  return firstField ? firstField->title.bottom - firstField->title.top : 11;
}
bool T_BoxWin::IsGroupStart(int64_t) { return true; }
bool T_BoxWin::IsDataRow(int64_t) { return true; }
int32_t T_BoxWin::GetRowLayout(int64_t) { return 0; }
int32_t T_BoxWin::GetDefaultHeaderHeight() { return 0; }
int32_t T_BoxWin::GetDefaultWidth() { return 0; }

bool T_BoxWin::CountsForSize(T_GrafElement* child) {
  if (child->kind == 5 || child->kind == 7 || child->kind == 17) return false;
  if (child == grid || child == titles || child == modeItem || child == toolbar ||
      child == collapseButton || child == expandButton || child == notesEdit)
    return false;
  return true;
}

void T_BoxWin::DrawGrid(BoxDrawRecord* record) {
  if (viewMode == 0 || record->printing) StandardDrawGrid(record);
}
void T_BoxWin::AdjustPreferredSize(POINT*, const RECT*, const LayoutChange*) {}
void T_BoxWin::OnFieldWidthChanged(T_BoxField*, int32_t) {}

void T_BoxWin::Refresh(int32_t oldViewMode) {
  if (oldViewMode && viewMode != 0) {
    SelectCell(-1, -1, false);
    clickRange = CellRange{};
    rangeDragShown = 0;
    return;
  }
  if (openPanelPage == kPanelPrinting || openPanelPage == kPanelExport) {
    int32_t page = openPanelPage;
    ClosePanelPage();
    OpenPanelPage(page);
  }
  UpdateScrollBoxes(true);
  InvalidateGrid();
}

int32_t T_BoxWin::GetEffectiveTool(InputEvent*) {
  return toolSelector ? toolSelector->currentPicture : 0;
}
bool T_BoxWin::SetGridCursor(InputEvent*) { return false; }
bool T_BoxWin::GridWheel(InputEvent*, int32_t) { return false; }
void T_BoxWin::SelectRange(CellRange* range) {
  range->firstRow = range->lastRow = range->anchorRow;
  range->firstField = range->lastField = range->anchorField;
}
void T_BoxWin::GetSelectionRect(RECT*, int64_t, int32_t) {}
void T_BoxWin::OnCellsSelected(int64_t, int32_t) {}
bool T_BoxWin::CanSelectCell(int64_t, int32_t) { return true; }

void T_BoxWin::GetCellEditText(T_TextBuf* text, int64_t row, int32_t field) {
  RowTextPool pool;
  if (!pool.Init()) return;
  GetRowTexts(&pool, row);
  T_BoxField* f = GetField(field);
  TextBufAssign(text, f ? f->cellText : nullptr);
  pool.Free();
}

void T_BoxWin::TitleContextMenu(ContextMenuRecord*, int32_t) {}
bool T_BoxWin::ClickFieldButton(InputEvent*, T_BoxField*, const RECT*) { return false; }
void T_BoxWin::BeginTextOutput(T_OStream*) {}
void T_BoxWin::WriteXml(T_OStream*) {}
void T_BoxWin::WriteDefinition(TextCellWriter*) {}
void T_BoxWin::WriteHtmlDefinition(T_OStream*) {}
void T_BoxWin::WriteXmlDefinition(T_OStream*) {}
void T_BoxWin::FitPrintRect(RECT*) {}
int32_t T_BoxWin::GetTreeDepth() { return 0; }
void T_BoxWin::GetFieldSortKey(T_BoxField*, T_TextBuf*) {}
int64_t T_BoxWin::PrepareRowList() { return rowCount; }
int64_t T_BoxWin::MapRow(int64_t position) { return position; }

// --- Calculation ----------------------------------------------------------------------------------

bool T_BoxWin::CalcButtonEnabled() const { return calcButton && calcButton->ownEnabled; }

void T_BoxWin::SetCalcButtonEnabled(bool on) {
  if (calcButton) Item_SetEnabled(calcButton, on);
}
void T_BoxWin::EnableCalcButton() { SetCalcButtonEnabled(true); }

void T_BoxWin::MarkNeedsCalc() {
  if (!calcButton || CalcButtonEnabled()) return;
  if (services.autoRecalc()) recalcPending = 1;
  EnableCalcButton();
}

bool T_BoxWin::Calculate(bool force) {
  if (!calcButton) return false;
  bool enabled = CalcButtonEnabled();
  if (!recalcPending && !(force && enabled)) return false;
  recalcPending = 0;
  RunCalculation(enabled, force);
  return true;
}

void T_BoxWin::Tick() {
  SubsetListReleaseIdle(&subsets);
  if (!grid || !grid->visible) return;
  if (recalcPending && !(database && database->IsBusy()) && grid->region &&
      GetRgnBox(grid->region, &firstRowRect) != NULLREGION) {
    Calculate(false);
  }
  firstRowRect = RECT{};
  UpdateScrollBoxes(false);
}

void T_BoxWin::Notify(int32_t code) {
  if (code == kNotifyOpened) {
    // The Calc button is the toolkit's; the window only needs to find it.
    if (!calcButton && toolbar) {
      for (T_GrafElement* child = toolbar->firstChild; child; child = child->next) {
        if (child->kind == kKindButton && static_cast<T_Button*>(child)->title.id == kButtonCalc)
          calcButton = static_cast<T_Button*>(child);
      }
    }
  }
  T_HWindow::Notify(code);
  if (code == kNotifyOpened) {
    if (notes && notes[0] && openPanelPage < 0) OpenPanelPage(kPanelNotes);
    if (T_BoxTmpl* box = AsBoxTemplate(templ); box && box->calcDirect) Calculate(true);
    UpdateScrollBoxes(true);
  } else if (code == kNotifyTick) {
    Tick();
  } else if (code == kNotifyActivation) {
    if (active)
      ShowEditOverlay();
    else
      HideEditOverlay();
  }
}

void T_BoxWin::DoClose() {
  openPanelPage = -1;
  SubsetListFree(&subsets);
  SubsetListInit(&subsets, database, kSubsetListOfWindow);
  T_HWindow::DoClose();
}

void T_BoxWin::OnChange(const ChangeNote* note) {
  SubsetListOnChange(&subsets, note);
  T_HWindow::OnChange(note);
  if (note->code == kChangeLinks && note->rename) {
    RewriteLinks(note->rename, &notes);
    if (notesEdit) notesEdit->SetBlockText(notes);
    if (editedText.length) {
      char* block = TextBufToBlock(&editedText);
      if (block && RewriteLinks(note->rename, &block)) TextBufAssignBlock(&editedText, block);
      BlockTextFree(&block);
    }
  } else if (note->code == kChangeWindowCalculated && note->object == this) {
    sizeApplied = 0;
  }
}

bool T_BoxWin::HasHeaderField(int32_t id) {
  if (id == 3135 && subsets.count == 0 && !(database && database->subsets && database->subsets->count)) return false;
  return T_HWindow::HasHeaderField(id);
}

void T_BoxWin::StepModeBox(int32_t step, bool control) {
  if (control || !verticalBar) {
    T_HWindow::StepModeBox(step, control);
    return;
  }
  switch (step) {
    case kStepFirst:
      verticalBar->SetPosition(0);
      break;
    case kStepPrevious:
      if (verticalBar->first > 0) verticalBar->ScrollToLast(verticalBar->first - 1);
      break;
    case kStepNext:
      if (verticalBar->last + 1 < rowCount) verticalBar->SetPosition(verticalBar->last + 1);
      break;
    case kStepLast:
      verticalBar->ScrollToLast(rowCount - 1);
      break;
    default:
      break;
  }
}

// --- Template -------------------------------------------------------------------------------------

void T_BoxWin::SaveToTemplate(T_Template* target) {
  T_BoxTmpl* box = AsBoxTemplate(target);
  if (!box) return;
  StorePageSetupBlocks(this, print.pageSetup);
  int32_t fallback = GetDefaultHeaderHeight();
  box->headerHeight =
      static_cast<uint16_t>(headerSplitter && headerHeight != fallback ? headerHeight : 0);
  box->titleHeight = static_cast<uint16_t>(titleSplitter ? titleHeight : 0);
  box->modeBoxWidth = static_cast<uint16_t>(modeBox ? ModeBoxWidth() : 0);
  box->viewMode = viewMode;
  box->gridMode = gridMode;
  box->verticalGridLines = verticalGridLines;
  box->left = x;
  box->top = y;
  box->right = x + width;
  box->bottom = y + height;
  box->output = output;
  PrintOptionsFree(&box->print);
  PrintOptionsCopy(&box->print, &print);
  BlockTextAssign(&box->notes, notes);
  StoreSubsetList(&box->subsets, &subsets);
  sizeApplied = 0;
}
