// The side panel of a box window (Subsets, Printing, Export and Notes pages), its frames, and the
// window's commands, pointer and key handling.
#include "analysis/boxwin/box_panel.h"

#include <cstdlib>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "core/files.h"
#include "core/localized_text.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/char_chooser.h"
#include "ui/clipboard_data.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/event_record.h"
#include "ui/mode_tree.h"
#include "ui/page_setup.h"
#include "ui/printing.h"
#include "ui/value_choosers.h"
#include "ui/window.h"

namespace {

constexpr int32_t kCommandExportFile = 17;
constexpr int32_t kCommandCopyTable = 18;
constexpr int32_t kCommandNewTagged = 20;
constexpr int32_t kCommandAdjustWidths = 24;
constexpr int32_t kLabelCopyTable = 2517;
constexpr int32_t kLabelCopyChart = 2518;
constexpr int32_t kMinChartSize = 48;
// A page frame's top: its title stands above it, inside the page.
constexpr int32_t kFrameTop = 16;

// Item ids of the pages.
constexpr uint32_t kItemSubsetBox = 300;
constexpr uint32_t kItemNewSubset = 301;
constexpr uint32_t kItemPrintTitle = 302;
constexpr uint32_t kItemBinding = 303;
constexpr uint32_t kItemFillPage = 304;
constexpr uint32_t kItemPrintFrame = 305;
constexpr uint32_t kItemPrintButton = 311;
constexpr uint32_t kItemPageSetupButton = 312;
constexpr uint32_t kItemSeparators = 313;
constexpr uint32_t kItemExcludeQuotes = 319;
constexpr uint32_t kItemInclude = 320;
constexpr uint32_t kItemChartSize = 327;
constexpr uint32_t kItemChartWidth = 328;
constexpr uint32_t kItemChartHeight = 329;
constexpr uint32_t kItemFileAttributes = 330;
constexpr uint32_t kItemExportButton = 331;
constexpr uint32_t kItemExportOptions = 332;
constexpr uint32_t kItemHtmlOptions = 334;
constexpr uint32_t kItemNotesEdit = 337;

constexpr int32_t kGridEntryIds[] = {3606, 3607, 3608, 3609, 3610, 3611, 0, 3612, 3613, 3614};
constexpr const char* kPageNumberTexts[] = {"-", "1", "1/n", "1(n)"};
constexpr const char* kFormatTexts[] = {"Text", "HTML", "XML"};


T_Button* AddButton(T_EventHandler* parent, const XYWH& at, uint32_t id, int32_t label) {
  auto* button = new (std::nothrow) T_Button(parent, at, id);
  if (!button) return nullptr;
  button->SetTitleId(label);
  return button;
}

// Rebuilds a panel page after the current message, when the window is still listed.
class T_DeferPanelCom : public T_DeferCom {
 public:
  void Execute() override {
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) {
      if (w != target) continue;
      rebuild(target, page);
      return;
    }
  }
  T_BoxWin* target = nullptr;
  int32_t page = -1;
  PanelRebuild rebuild = nullptr;
};

// The box window's own pages, when the page is still open.
void RebuildBoxPage(T_BoxWin* box, int32_t page) {
  if (box->openPanelPage != page) return;
  box->ClosePanelPage();
  box->OpenPanelPage(page);
}

}  // namespace

T_Checkbox* AddCheckbox(T_EventHandler* parent, const XYWH& at, uint32_t id, int32_t label,
                        bool on) {
  auto* box = new (std::nothrow) T_Checkbox(parent, at, id, false);
  if (!box) return nullptr;
  box->SetLabelId(label);
  box->checked = on ? 1 : 0;
  EventHandler_Open(box);
  return box;
}

T_Frame* AddFrame(T_EventHandler* parent, const XYWH& at, uint32_t id, int32_t title) {
  auto* frame = new (std::nothrow) T_Frame(parent, at, id, false);
  if (!frame) return nullptr;
  if (title) frame->SetTitleId(title);
  EventHandler_Open(frame);
  return frame;
}

void AddPanelPageItems(T_BoxWin* box) {
  static constexpr struct {
    int32_t id;
    int32_t picture;
  } kPages[] = {
      {kPanelSubsets, 3819}, {kPanelPrinting, 3824}, {kPanelExport, 3825}, {kPanelNotes, 3826}};
  for (const auto& page : kPages)
    box->AddModeItemWithPicture(nullptr, nullptr, page.id, page.picture);
}

bool PostPanelRebuild(T_BoxWin* box, int32_t page, PanelRebuild rebuild) {
  T_Application* application = App();
  auto* command = application ? new (std::nothrow) T_DeferPanelCom() : nullptr;
  if (!command) return false;
  command->target = box;
  command->page = page;
  command->rebuild = rebuild ? rebuild : RebuildBoxPage;
  application->PostAction(command);
  return true;
}

// --- Pure mappings -----------------------------------------------------------------------------------

int32_t GridChooserEntries(int32_t windowKind) {
  // The tree windows shade the lowest or the upper levels too.
  return windowKind == kWindowComponents || windowKind == kWindowComponentFunctions ? 10 : 8;
}

int32_t GridModeOfEntry(int64_t entry) {
  if (entry < 0 || entry > 9 || entry == 6) return -1;
  return kGridEntryIds[entry] - 3606;
}

int64_t GridEntryOfMode(uint32_t mode) { return mode < 6 ? mode : mode + 1; }

int32_t GridEntryTextId(int64_t entry) { return entry >= 0 && entry <= 9 ? kGridEntryIds[entry] : 0; }

int32_t CopyCommandLabel(uint32_t viewMode) { return viewMode == 0 ? kLabelCopyTable : kLabelCopyChart; }

uint32_t ChartSizeFromText(const char* text) {
  if (!text) return 0;
  char* end = nullptr;
  long value = strtol(text, &end, 10);
  if (end == text || *end != 0 || value < kMinChartSize) return 0;
  return static_cast<uint32_t>(value);
}

// --- Frames ------------------------------------------------------------------------------------------

T_GridFrame::T_GridFrame(T_BoxWin* owner, T_EventHandler* parent, const XYWH& at, uint32_t id)
    : T_Frame(parent, at, id, false), box(owner) {
  SetTitleId(3605);
  horizontal = new (std::nothrow) T_Chooser(this, {4, 2, 144, 15}, 360,
                                            GridChooserEntries(owner->windowKind),
                                            GridEntryOfMode(owner->gridMode), false);
  if (horizontal) {
    horizontal->SetTitleId(3615);
    horizontal->SetTitleWidth(60);
    EventHandler_Open(horizontal);
  }
  vertical = new (std::nothrow) T_Chooser(this, {4, 20, 144, 15}, 361, 2, owner->verticalGridLines, false);
  if (vertical) {
    vertical->SetTitleId(3616);
    vertical->SetTitleWidth(60);
    EventHandler_Open(vertical);
  }
  EventHandler_Open(this);
}

void T_GridFrame::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (record->code == kChooserDescribe) {
    int32_t id = chooser == vertical ? (record->index ? 3617 : 3606) : GridEntryTextId(record->index);
    if (id)
      ChooserEvent_SetText(record, GetString(id));
    else
      record->plain = 0, record->enabled = 0;  // the separator cannot be chosen
    return;
  }
  if (chooser == horizontal) {
    int32_t mode = GridModeOfEntry(record->index);
    if (mode < 0) return;
    box->gridMode = static_cast<uint32_t>(mode);
  } else {
    box->verticalGridLines = record->index ? 1 : 0;
  }
  if (box->viewMode == 0 || box->viewMode == 3) box->InvalidateGrid();
}

T_ExpTextFrame::T_ExpTextFrame(T_BoxWin* owner, T_EventHandler* parent, const XYWH& at)
    : T_Frame(parent, at, kItemFileAttributes, false), box(owner) {
  SetTitleId(1125);
  encoding = new (std::nothrow) T_ChooseEncoding(this, {4, 2, 172, 15}, 361, owner->output.encoding);
  if (encoding) {
    encoding->SetTitleId(1126);
    encoding->SetTitleWidth(65);
    EventHandler_Open(encoding);
  }
  format = new (std::nothrow) T_Chooser(this, {4, 20, 172, 15}, 362, 3, owner->output.format, false);
  if (format) {
    format->SetTitleId(1127);
    format->SetTitleWidth(65);
    EventHandler_Open(format);
  }
  EventHandler_Open(this);
}

void T_ExpTextFrame::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser == encoding) {
    if (record->code == kChooserChosen) {
      TextEncoding chosen = EncodingOfItem(record->index);
      if (chosen != static_cast<TextEncoding>(-1)) box->output.encoding = chosen;
    }
    return;
  }
  if (record->code == kChooserDescribe) {
    if (record->index >= 0 && record->index < 3) ChooserEvent_SetText(record, kFormatTexts[record->index]);
    return;
  }
  box->output.format = static_cast<uint32_t>(record->index);
  if (box->exportPath) {
    static const char* const kExtensions[] = {"txt", "htm", "xml"};
    T_TextBuf path(box->exportPath);
    PathSetExtension(&path, kExtensions[box->output.format]);
    BlockTextAssign(&box->exportPath, path.data);
  }
  // The format-dependent frames follow the format; the page is rebuilt after this message, since
  // the chooser that reports it belongs to the page.
  PostPanelRebuild(box, kPanelExport);
}

T_PrintTitleFrame::T_PrintTitleFrame(T_BoxWin* owner, T_EventHandler* parent, const XYWH& at)
    : T_Frame(parent, at, kItemPrintTitle, false), box(owner) {
  SetTitleId(1100);
  AddCheckbox(this, {6, 2, 120, 14}, 361, 1115, owner->print.windowTitle);
  AddCheckbox(this, {6, 18, 120, 14}, 362, 1101, owner->print.dateTime);
  pageNumbers = new (std::nothrow) T_Chooser(this, {4, 36, 120, 15}, 363, 4, owner->print.pageNumbers, false);
  if (pageNumbers) {
    pageNumbers->SetTitleId(1102);
    EventHandler_Open(pageNumbers);
  }
  EventHandler_Open(this);
}

void T_PrintTitleFrame::OnChooserEvent(T_GrafElement*, ChooserEvent* record) {
  if (record->code == kChooserDescribe) {
    if (record->index >= 0 && record->index < 4) ChooserEvent_SetText(record, kPageNumberTexts[record->index]);
    return;
  }
  box->print.pageNumbers = static_cast<uint32_t>(record->index);
}

// --- Pages -------------------------------------------------------------------------------------------

const char* T_BoxWin::GetPanelPageTitle(int32_t page) {
  switch (page) {
    case kPanelSubsets:
      return GetString(1000);
    case kPanelPrinting:
      return GetString(1001);
    case kPanelExport:
      return GetString(1002);
    case kPanelNotes:
      return GetString(3506);
    default:
      return "";
  }
}

void T_BoxWin::ClosePanelPage() {
  for (int32_t i = panelItemCount - 1; i >= 0; --i) delete panelItems[i];
  panelItemCount = 0;
  notesEdit = nullptr;
  openPanelPage = -1;
}

void T_BoxWin::OpenPanelPage(int32_t page) {
  ClosePanelPage();
  if (page < kPanelSubsets || page > kPanelNotes) return;
  T_EventHandler* parent = modeItem ? static_cast<T_EventHandler*>(modeItem) : this;
  openPanelPage = page;
  auto keep = [this](T_GrafElement* item) {
    if (item && panelItemCount < 16) panelItems[panelItemCount++] = item;
  };
  bool chart = viewMode == 1 || viewMode == 2;
  bool linesKind = windowKind == kWindowLines || windowKind == kWindowTimeFunctions;
  if (page == kPanelSubsets) {
    int32_t w = CurrentLanguage() == 6 ? 160 : 130;
    if (BoxServices().newSubsetBox) {
      int32_t boxWidth = std::max(60, (modeItem ? modeItem->width : width) - 12);
      int32_t boxHeight = std::max(16, headerHeight - 23);
      keep(BoxServices().newSubsetBox(parent, {8, 2, boxWidth, boxHeight}, kItemSubsetBox,
                                      &subsets));
    }
    keep(AddButton(parent, {8, std::max(2, headerHeight - 19), w, 17}, kItemNewSubset, 3137));
  } else if (page == kPanelPrinting) {
    keep(new (std::nothrow) T_PrintTitleFrame(this, parent, {4, kFrameTop, 130, 58}));
    keep(AddCheckbox(parent, {6, 82, 136, 14}, kItemBinding, 1105, print.bindingMargin));
    if (chart) keep(AddCheckbox(parent, {6, 98, 136, 14}, kItemFillPage, 1106, print.fillPage));
    T_Frame* frame = AddFrame(parent, {146, kFrameTop, 134, 84}, kItemPrintFrame, 1103);
    keep(frame);
    if (frame) {
      AddCheckbox(frame, {6, 2, 122, 14}, 306, 3506, print.notes);
      AddCheckbox(frame, {6, 18, 122, 14}, 307, 1104, print.definition);
      AddCheckbox(frame, {6, 34, 122, 14}, 308, 1116, print.columnTitles);
      if (viewMode == 0 && linesKind)
        AddCheckbox(frame, {6, 50, 122, 14}, 309, 1117, print.headerRows);
      if (viewMode == 0) AddCheckbox(frame, {6, 66, 122, 14}, 310, 1118, print.dataRows);
    }
    T_Button* printButton =
        AddButton(parent, {290, kFrameTop, 90, 20}, kItemPrintButton, kButtonPrint);
    if (printButton) printButton->SetTrailingDots(true);
    keep(printButton);
    T_Button* setup =
        AddButton(parent, {290, kFrameTop + 26, 90, 20}, kItemPageSetupButton, kButtonPageSetup);
    if (setup) setup->SetTrailingDots(true);
    keep(setup);
  } else if (page == kPanelExport) {
    int32_t x = 4;
    if (viewMode == 0) {
      T_Frame* separators = AddFrame(parent, {x, 4, 180, 118}, kItemSeparators, 1107);
      keep(separators);
      if (separators) {
        XYWH row{4, 2, 170, 15};
        NewChooseCharRow(separators, &row, 1108, 314, &output.decimalSeparator, kCharModeDecimal, 84);
        NewChooseCharRow(separators, &row, 1109, 315, &output.thousandsSeparator, kCharModeThousands, 84);
        NewChooseCharRow(separators, &row, 1110, 316, &output.fieldSeparator, kCharModeField, 84);
        NewChooseCharRow(separators, &row, 1111, 317, &output.quoteCharacter, kCharModeQuote, 84);
        NewChooseCharRow(separators, &row, 1112, 318, &output.rowTerminator, kCharModeRowEnd, 84);
        AddCheckbox(separators, {6, row.y, 168, 14}, kItemExcludeQuotes, 1113, output.excludeQuotes);
      }
      x += 188;
      T_Frame* include = AddFrame(parent, {x, 4, 120, linesKind ? 110 : 92}, kItemInclude, 1114);
      keep(include);
      if (include) {
        int32_t y = 2;
        AddCheckbox(include, {6, y, 108, 14}, 321, 1115, output.windowTitle);
        AddCheckbox(include, {6, y += 18, 108, 14}, 322, 3506, output.notes);
        AddCheckbox(include, {6, y += 18, 108, 14}, 323, 1104, output.definition);
        AddCheckbox(include, {6, y += 18, 108, 14}, 324, 1116, output.columnTitles);
        if (linesKind) AddCheckbox(include, {6, y += 18, 108, 14}, 325, 1117, output.headerRows);
        AddCheckbox(include, {6, y += 18, 108, 14}, 326, 1118, output.dataRows);
      }
      x += 128;
    } else {
      T_Frame* size = AddFrame(parent, {x, 4, 150, 46}, kItemChartSize, 1121);
      keep(size);
      if (size) {
        for (int32_t i = 0; i < 2; ++i) {
          auto* edit = new (std::nothrow) T_Edit(size, {60, 2 + 20 * i, 50, 16}, i ? kItemChartHeight : kItemChartWidth, true, true);
          uint32_t value = i ? output.chartHeight : output.chartWidth;
          if (edit && value) {
            T_TextBuf text;
            TextBufAssignInt(&text, static_cast<int32_t>(value));
            edit->SetText(text.data);
          }
        }
      }
      x += 158;
    }
    T_ExpTextFrame* attributes = new (std::nothrow) T_ExpTextFrame(this, parent, {x, 4, 180, 40});
    keep(attributes);
    keep(AddButton(parent, {x + 45, 4 + 40 + 18, 90, 20}, kItemExportButton, kButtonExport));
    if (viewMode == 0 && output.format == kOutputText &&
        (windowKind == kWindowComponents || windowKind == kWindowComponentFunctions)) {
      T_Frame* options = AddFrame(parent, {x + 198, 4, 140, 34}, kItemExportOptions, 1119);
      keep(options);
      if (options) AddCheckbox(options, {6, 2, 128, 28}, 333, 1120, output.separateDimensions);
    } else if (viewMode == 0 && output.format == kOutputHtml) {
      T_Frame* options = AddFrame(parent, {x + 198, 4, 130, 38}, kItemHtmlOptions, 1128);
      keep(options);
      if (options) {
        AddCheckbox(options, {6, 2, 118, 14}, 335, 1129, output.entityNames);
        AddCheckbox(options, {6, 18, 118, 14}, 336, 1130, output.columnWidths);
      }
    }
  } else {
    int32_t w = modeItem ? modeItem->width - 8 : 200;
    notesEdit = new (std::nothrow) T_Edit(parent, {4, 4, w, std::max(16, headerHeight - 8)}, kItemNotesEdit, true, true);
    if (notesEdit) notesEdit->SetBlockText(notes);
    keep(notesEdit);
  }
}

void T_BoxWin::ApplyOutputCheckbox(uint32_t id, bool on) {
  uint8_t v = on ? 1 : 0;
  switch (id) {
    case 319: output.excludeQuotes = v; break;
    case 321: output.windowTitle = v; break;
    case 322: output.notes = v; break;
    case 323: output.definition = v; break;
    case 324: output.columnTitles = v; break;
    case 325: output.headerRows = v; break;
    case 326: output.dataRows = v; break;
    case 333: output.separateDimensions = v; break;
    case 335: output.entityNames = v; break;
    case 336: output.columnWidths = v; break;
    default: break;
  }
}

void T_BoxWin::ApplyPrintCheckbox(uint32_t id, bool on) {
  uint8_t v = on ? 1 : 0;
  switch (id) {
    case 303: print.bindingMargin = v; break;
    case 304: print.fillPage = v; break;
    case 306: print.notes = v; break;
    case 307: print.definition = v; break;
    case 308: print.columnTitles = v; break;
    case 309: print.headerRows = v; break;
    case 310: print.dataRows = v; break;
    case 361: print.windowTitle = v; break;
    case 362: print.dateTime = v; break;
    default: break;
  }
}

void T_BoxWin::OnCheckbox(T_GrafElement* element) {
  auto* checkbox = static_cast<T_Checkbox*>(element);
  if (openPanelPage == kPanelPrinting)
    ApplyPrintCheckbox(checkbox->id, checkbox->checked);
  else if (openPanelPage == kPanelExport)
    ApplyOutputCheckbox(checkbox->id, checkbox->checked);
  else
    T_HWindow::OnCheckbox(element);
}

void T_BoxWin::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  auto* item = AsItem(field);
  if (item && (item->id == kItemChartWidth || item->id == kItemChartHeight) && openPanelPage == kPanelExport) {
    uint32_t value = ChartSizeFromText(text->data);
    (item->id == kItemChartWidth ? output.chartWidth : output.chartHeight) = value;
    T_TextBuf shown;
    if (value) TextBufAssignInt(&shown, static_cast<int32_t>(value));
    static_cast<T_Edit*>(field)->SetText(shown.data);
    return;
  }
  if (item && field == editOverlay) {
    TextBufAssignBuf(&editedText, text);
    return;
  }
  if (item && field == notesEdit) {
    BlockTextAssign(&notes, text->data);
    return;
  }
  T_HWindow::OnEditText(text, field);
}

void T_BoxWin::OnButton(T_GrafElement* button) {
  if (auto* item = AsItem(button); item && item->id == kItemNewSubset) {
    T_TextBuf name;
    SubsetUniqueName(&subsets, &name, nullptr);
    SubsetCreate(&subsets, name.data);
    return;
  }
  T_HWindow::OnButton(button);
}

void T_BoxWin::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  T_HWindow::OnChooserEvent(chooser, record);
}

bool T_BoxWin::OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) {
  return T_HWindow::OnModeboxMenu(box, record);
}

void T_BoxWin::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  if (record->nodeId >= kPanelSubsets && record->nodeId <= kPanelNotes) {
    if (record->code == kModeDescribe)
      ModeboxEvent_SetText(record, GetPanelPageTitle(record->nodeId));
    else if (record->code == kModeChosen)
      OpenPanelPage(record->nodeId);
    return;
  }
  T_HWindow::OnModeboxEvent(box, record);
}

// --- Subsets on the clipboard --------------------------------------------------------------------

bool T_BoxWin::CopySubsets() {
  T_OStream stream;
  for (Subset* subset = subsets.first; subset; subset = subset->next)
    WriteSubset(subset, &stream, "## Subset");
  return ClipboardSetText(reinterpret_cast<const char*>(stream.start),
                          static_cast<int32_t>(stream.BufferedLength()), 0);
}

int32_t T_BoxWin::PasteSubsets() {
  char* text = ClipboardReadText();
  if (!text) return 0;
  // Read into a list of its own first: a block that yields no subset adds nothing to the window.
  SubsetList scratch;
  SubsetListInit(&scratch, database, kSubsetListOfWindow);
  T_IStream in;
  in.CtorFromMemory(text, BlockTextLength(text));
  int32_t read = in.NextLine() ? ReadSubsetBlocks(&scratch, &in) : 0;
  int32_t added = 0;
  if (read > 0) {
    T_OStream copy;
    // Creating them in the window's list makes their names unique there.
    for (Subset* subset = scratch.first; subset; subset = subset->next)
      WriteSubset(subset, &copy, "## Subset");
    T_IStream again;
    again.CtorFromMemory(reinterpret_cast<const char*>(copy.start), copy.BufferedLength());
    if (again.NextLine()) added = ReadSubsetBlocks(&subsets, &again);
  }
  while (scratch.first) SubsetDestroy(scratch.first);
  SubsetListFree(&scratch);
  MemFree(text);
  return added;
}

// --- Commands ----------------------------------------------------------------------------------------

void T_BoxWin::EnableDataOperationCommands() {
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  for (int32_t command : {kCommandDeleteData, kCommandExamine, kCommandApprove})
    menus->enableCommand(command, true);
  const DocumentOperations& ops = CurrentDocumentOperations();
  if (ops.openTransformDialog) menus->enableCommand(kCommandTransform, true);
  if (ops.openAggregateDialog) menus->enableCommand(kCommandAggregate, true);
}

void T_BoxWin::UpdateCommands() {
  T_HWindow::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  auto enable = [menus](int32_t command) { menus->enableCommand(command, true); };
  bool gridFocused = grid && grid->focus;
  if (selectMode == kSelectEdit && selectedRow >= 0) {
    if (gridFocused && strcmp(editedText.data, textBefore.data) != 0) enable(kCommandUndo);
    if (editSelLength > 0) {
      enable(-8);
      enable(-7);
      enable(-5);
      enable(-4);
    }
    if (editSelLength < static_cast<uint32_t>(editedText.length)) enable(kCommandSelectAll);
    if (editOverlay && ClipboardDataKind() != 0) enable(-6);
  }
  if (selectMode == kSelectRange && HasRange() && gridFocused) enable(-7);
  if (openPanelPage == kPanelSubsets) {
    if (subsets.count) enable(-7);
    enable(kCommandNewTagged);
  }
  if (menus->setCommandTitle) menus->setCommandTitle(kCommandCopyTable, CopyCommandLabel(viewMode));
  if (rowCount > 0) {
    enable(kCommandExportFile);
    enable(kCommandCopyTable);
    enable(kCommandPrint);
  }
  if (firstField && (viewMode == 0 || viewMode == 3 || viewMode == 4)) enable(kCommandAdjustWidths);
}

bool T_BoxWin::DoCommand(int32_t command) {
  if (selectMode == kSelectEdit && selectedRow >= 0 && command >= -10 && command <= -3 &&
      CellTextCommand(command))
    return true;
  if (selectMode == kSelectRange && command == -7 && HasRange() && grid && grid->focus) {
    T_OStream stream;
    CopyRange(&stream, false);
    ClipboardSetText(reinterpret_cast<const char*>(stream.start),
                     static_cast<int32_t>(stream.BufferedLength()), 0);
    return true;
  }
  if (openPanelPage == kPanelSubsets && command == -7 && subsets.count) return CopySubsets();
  if (openPanelPage == kPanelSubsets && command == -6) return PasteSubsets() > 0;
  switch (command) {
    case kCommandExportFile:
      Export(nullptr, 0);
      return true;
    case kCommandCopyTable:
      CopyTable();
      return true;
    case kCommandNewTagged:
      if (openPanelPage == kPanelSubsets) {
        T_TextBuf name;
        SubsetUniqueName(&subsets, &name, nullptr);
        SubsetCreate(&subsets, name.data);
        return true;
      }
      break;
    case kCommandAdjustWidths:
      FitAllFieldWidths();
      return true;
    default:
      break;
  }
  return T_HWindow::DoCommand(command);
}

// --- Pointer and keys ----------------------------------------------------------------------------

bool T_BoxWin::SetCursor(InputEvent* event, T_GrafElement* target) {
  if (target == this && SplitterAt(event->x, event->y)) {
    CursorSet(32645);  // the vertical sizing cursor
    return true;
  }
  return T_HWindow::SetCursor(event, target);
}

bool T_BoxWin::PreviewMouseDown(InputEvent* event, T_GrafElement* target) {
  if (event->leftButton && (target == this || target == grid)) {
    int32_t splitter = SplitterAt(event->x, event->y);
    if (splitter == 3 && target == grid) splitter = 0;
    if (splitter) return TrackSplitter(event, splitter);
  }
  return T_HWindow::PreviewMouseDown(event, target);
}

bool T_BoxWin::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (event->doubleClick && PlainModifiers(event) &&
      (target == this || target == toolbar || target == modeBox || target == modeItem) &&
      event->y < TitleTop()) {
    ToggleHeader();
    return true;
  }
  return T_HWindow::MouseDown(event, target);
}

bool T_BoxWin::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (event->keyCode == kKeyEnter && event->control) {
    ToggleHeader();
    return true;
  }
  return T_HWindow::KeyDown(event, target);
}
