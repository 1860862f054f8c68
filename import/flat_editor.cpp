#include "import/flat_editor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "core/alert.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/localized_text.h"
#include "core/threads.h"
#include "core/value_format.h"
#include "editors/editor_questions.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/draw_primitives.h"
#include "ui/edit_field.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item.h"
#include "ui/item_drawing.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"
#include "ui/transfer_list.h"

namespace {

constexpr int32_t kTextExampleFile = 7303;
constexpr int32_t kTextShowFile = 7304;
constexpr int32_t kTextViewFirst = 7305;  // "Hex Codes" .. "Fields"
constexpr int32_t kTextImport = 2513;
constexpr int32_t kTextOffset = 7312;
constexpr int32_t kTextCodes = 7313;
constexpr int32_t kTextCharacters = 7314;
constexpr int32_t kTextConvert = 7322;
constexpr int32_t kTextFrom = 7323;
constexpr int32_t kTextTo = 7324;
constexpr int32_t kAskOtherFormat = 7382;
constexpr int32_t kTitleHeight = 14;
constexpr int32_t kMaxTextColumns = 100;
constexpr int32_t kMaxRuler = 1999;
constexpr int32_t kCellBytes = 1000;

int32_t DigitWidth(const TextStyle* style) {
  return std::max(1, TextWidthInStyle(style, "01234 56789") / 11);
}

// A field of the "Text" view: field n from 1 in variable format, the whole row in fixed format.
void TextViewCell(const RowReader* reader, int32_t column, bool fixed, T_TextBuf* text) {
  FieldDef piece;
  piece.fieldNumber = fixed ? 0 : static_cast<uint32_t>(column + 1);
  // A fixed-format piece without positions takes nothing: the whole row is position 1 onwards.
  if (fixed) piece.first = 1;
  TextBufTruncate(text, 0);
  reader->SplitRowFields(text, &piece);
  if (fixed) {
    for (int32_t i = 0; i < text->length; ++i) {
      if (static_cast<uint8_t>(text->data[i]) < 32) text->data[i] = '.';
    }
  }
  if (text->length > kCellBytes) {
    int32_t cut = kCellBytes;
    while (cut > 0 && (static_cast<uint8_t>(text->data[cut]) & 0xC0) == 0x80) --cut;
    TextBufTruncate(text, cut);
  }
}

}  // namespace

uint32_t PieceNumber(const char* text, uint32_t limit) {
  if (text == nullptr) return 0;
  while (*text == ' ') ++text;
  if (*text < '0' || *text > '9') return 0;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  while (end != nullptr && *end == ' ') ++end;
  if (end == nullptr || *end != 0 || value > limit) return 0;
  return static_cast<uint32_t>(value);
}

// --- The example-file frame -------------------------------------------------------------------

T_ViewFlatFrame::T_ViewFlatFrame(T_FlatEditor* owner, T_EventHandler* parent, const XYWH& rect)
    : T_Frame(parent, rect, 0, false), editor(owner) {
  SetTitleId(kTextExampleFile);
  auto* show = new (std::nothrow) T_Button(this, XYWH{8, 6, 80, 18}, kFlatShowFileId);
  if (show != nullptr) {
    show->SetTitleId(kTextShowFile);
    EventHandler_Open(show);
  }
  importButton = new (std::nothrow) T_Button(this, XYWH{96, 6, 70, 18}, kFlatImportId);
  if (importButton != nullptr) {
    importButton->SetTitleId(kTextImport);
    EventHandler_Open(importButton);
  }
  viewChooser = new (std::nothrow) T_Chooser(this, XYWH{176, 7, 110, 16}, kFlatViewChooserId, 4,
                                             owner->lastChosenMode, true);
  EventHandler_Open(this);
  Update();
}

void T_ViewFlatFrame::Update() {
  if (importButton != nullptr) Item_SetEnabled(importButton, !editor->examplePath.empty());
  if (viewChooser != nullptr) {
    const int32_t shown = editor->exampleView >= 0 ? editor->exampleView : editor->lastChosenMode;
    if (viewChooser->current != shown) viewChooser->SetSelection(shown, kSelectSilent);
  }
  GrafElement_Invalidate(this, kPaintChildren);
}

void T_ViewFlatFrame::DrawContent() {
  T_Frame::DrawContent();
  RECT name{8, 30, content.right - content.left - 8, 43};
  TextDrawInRectIfAny(&name, editor->exampleName.c_str());
  T_TextBuf status;
  editor->StatusText(&status);
  RECT line{8, 45, content.right - content.left - 8, 58};
  TextDrawInRectIfAny(&line, status.c_str());
}

bool T_ViewFlatFrame::AcceptDrop(TransferList* list) { return editor->DropOnGrid(list); }

void T_ViewFlatFrame::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  if (item != nullptr && item->id == kFlatShowFileId) {
    editor->ChooseExampleFile();
    return;
  }
  if (item != nullptr && item->id == kFlatImportId) {
    if (!editor->examplePath.empty()) {
      T_TextBuf path(editor->examplePath.c_str());
      editor->ImportFile(path.c_str());
    }
    return;
  }
  T_Frame::OnButton(button);
}

void T_ViewFlatFrame::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != viewChooser) {
    T_Frame::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    ChooserEvent_SetText(record, GetString(kTextViewFirst + static_cast<int32_t>(record->index)));
  } else if (record->code == kChooserChosen) {
    editor->lastChosenMode = static_cast<int32_t>(record->index);
    if (!editor->examplePath.empty()) editor->SetViewMode(editor->lastChosenMode);
  }
}

// --- The conversion frame ---------------------------------------------------------------------

T_ConvertFrame::T_ConvertFrame(T_FlatEditor* owner, T_EventHandler* parent, const XYWH& rect,
                               FlatFormat* edited)
    : T_Frame(parent, rect, 0, false), editor(owner), format(edited) {
  SetTitleId(kTextConvert);
  from = new (std::nothrow) T_Edit(this, XYWH{56, 6, 140, 12}, kFlatConvertFromId, true, false);
  to = new (std::nothrow) T_Edit(this, XYWH{56, 33, 140, 12}, kFlatConvertToId, true, false);
  if (from != nullptr) {
    from->SetText(format->convertFrom.text.c_str());
    EventHandler_Open(from);
  }
  if (to != nullptr) {
    to->SetText(format->convertTo.text.c_str());
    EventHandler_Open(to);
  }
  EventHandler_Open(this);
}

void T_ConvertFrame::DrawContent() {
  T_Frame::DrawContent();
  RECT label{8, 6, 52, 18};
  TextDrawIdInRect(&label, kTextFrom);
  OffsetRect(&label, 0, 27);
  TextDrawIdInRect(&label, kTextTo);
  for (const int32_t x : {75, 115}) {
    const int32_t y = 28;
    RECT stem{x - 1, y - 6, x + 2, y};
    RectFillColour(&stem, kColourBlack);
    T_ForeIndex fore(kColourBlack);
    DrawArrowTriangle(x, y, 3, kArrowDown);
  }
}

void T_ConvertFrame::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field != from && field != to) {
    T_Frame::OnEditText(text, field);
    return;
  }
  OptionalText* target = field == from ? &format->convertFrom : &format->convertTo;
  if (text->empty()) {
    OptionalTextClear(target);
  } else {
    OptionalTextSet(target, text->data, text->length);
  }
  editor->SetupEdited(true);
}

// --- The field-piece edits --------------------------------------------------------------------

T_FlatFieldEdits::T_FlatFieldEdits(T_FlatEditor* owner, T_EventHandler* parent, const XYWH& rect,
                                   FieldDef* fieldChain, FieldDef* fieldPiece, bool isIndicator,
                                   bool last)
    : T_Item(kKindProgress, parent, rect, 0),
      editor(owner),
      chain(fieldChain),
      piece(fieldPiece),
      indicator(isIndicator) {
  auto number = [](uint32_t value) {
    T_TextBuf text;
    if (value != 0) TextBufAppendInt(&text, static_cast<int32_t>(value));
    return text;
  };
  const T_TextBuf texts[4] = {number(piece->fieldNumber), number(piece->first),
                              number(piece->last),
                              T_TextBuf(indicator ? piece->text.text.c_str()
                                                  : piece->insertChars.text.c_str())};
  for (int32_t i = 0; i < 4; ++i) {
    auto* edit = new (std::nothrow)
        T_Edit(this, XYWH{0, i * 17, 52, 12}, kFlatPieceFirstId + static_cast<uint32_t>(i), true,
               false);
    if (edit == nullptr) continue;
    edit->SetText(texts[i].c_str());
    EventHandler_Open(edit);
    if (i == 0 && editor->format->fixedPositions != 0) Item_SetEnabled(edit, false);
  }
  if (last) {
    auto* plus = new (std::nothrow) T_Button(this, XYWH{0, 68, 24, 16}, kFlatPieceFirstId + 4);
    if (plus != nullptr) {
      plus->SetTitleRef("+");
      EventHandler_Open(plus);
    }
    if (chain->next != nullptr) {
      auto* minus = new (std::nothrow) T_Button(this, XYWH{28, 68, 24, 16}, kFlatPieceFirstId + 5);
      if (minus != nullptr) {
        minus->SetTitleRef("-");
        EventHandler_Open(minus);
      }
    }
  }
  EventHandler_Open(this);
}

void T_FlatFieldEdits::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  auto* item = dynamic_cast<T_Item*>(field);
  const int32_t which = item != nullptr ? static_cast<int32_t>(item->id - kFlatPieceFirstId) : -1;
  if (which < 0 || which > 3) {
    T_Item::OnEditText(text, field);
    return;
  }
  if (which < 3) {
    const uint32_t value = PieceNumber(text->c_str(), which == 0 ? 1023 : 4095);
    (which == 0 ? piece->fieldNumber : which == 1 ? piece->first : piece->last) = value;
    TextBufTruncate(text, 0);
    if (value != 0) TextBufAppendInt(text, static_cast<int32_t>(value));
  } else {
    OptionalText* target = indicator ? &piece->text : &piece->insertChars;
    if (text->empty()) {
      OptionalTextClear(target);
    } else {
      OptionalTextSet(target, text->data, text->length);
    }
  }
  editor->SetupEdited(false);
}

void T_FlatFieldEdits::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  const int32_t which = item != nullptr ? static_cast<int32_t>(item->id - kFlatPieceFirstId) : -1;
  if (which != 4 && which != 5) {
    T_Item::OnButton(button);
    return;
  }
  if (which == 4) {
    if (FieldDefAppendPiece(chain) == nullptr) {
      PendingErrorReport();
      return;
    }
  } else {
    FieldDef* before = chain;
    while (before->next != nullptr && before->next->next != nullptr) before = before->next;
    delete before->next;
    before->next = nullptr;
  }
  editor->SetupEdited(false);
  // The buttons belong to this group, which the new page replaces: the page is built after the
  // press has returned.
  editor->PostPageRebuild();
}

// --- The editor -------------------------------------------------------------------------------

T_FlatEditor::T_FlatEditor(int32_t kind, const RECT* rect, T_Base* database, FlatFormat* edited)
    : T_BoxWin(kind, rect, nullptr, 0, database, 0), reader(edited), format(edited) {
  reader.SetQuiet(true);
}

T_FlatEditor::~T_FlatEditor() { StopPass(); }

void T_FlatEditor::OnExampleFileSet() {
  std::fill(std::begin(textWidths), std::end(textWidths), 0);
}

void T_FlatEditor::TakePassCopy() {}

// --- Pages ------------------------------------------------------------------------------------

T_EventHandler* T_FlatEditor::PageParent() {
  return modeItem != nullptr ? static_cast<T_EventHandler*>(modeItem) : this;
}

void T_FlatEditor::KeepPageItem(T_GrafElement* item) {
  if (item == nullptr) return;
  if (pageItemCount_ < static_cast<int32_t>(std::size(pageItems_))) {
    pageItems_[pageItemCount_++] = item;
  }
}

void T_FlatEditor::ClearPageItems() {
  for (int32_t i = pageItemCount_ - 1; i >= 0; --i) delete pageItems_[i];
  pageItemCount_ = 0;
  pieceGroups = nullptr;
  pieceChain = nullptr;
  exampleFrame = nullptr;
}

T_Text* T_FlatEditor::PageLabel(const XYWH& rect, int32_t textId) {
  auto* label = new (std::nothrow) T_Text(PageParent(), rect, false);
  if (label == nullptr) return nullptr;
  label->SetTextId(textId);
  EventHandler_Open(label);
  KeepPageItem(label);
  return label;
}

T_Text* T_FlatEditor::PageLabelText(const XYWH& rect, const char* text) {
  auto* label = new (std::nothrow) T_Text(PageParent(), rect, false);
  if (label == nullptr) return nullptr;
  label->SetTextCopy(text);
  EventHandler_Open(label);
  KeepPageItem(label);
  return label;
}

T_Edit* T_FlatEditor::TextEdit(const XYWH& rect, uint32_t id, const char* text) {
  auto* edit = new (std::nothrow) T_Edit(PageParent(), rect, id, true, false);
  if (edit == nullptr) return nullptr;
  edit->SetText(text != nullptr ? text : "");
  EventHandler_Open(edit);
  KeepPageItem(edit);
  return edit;
}

T_Edit* T_FlatEditor::NumberEdit(int32_t x, int32_t* y, int32_t width, uint32_t id,
                                 int64_t value) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
  T_Edit* edit = TextEdit(XYWH{x, *y, width, 12}, id, digits);
  *y += 17;
  return edit;
}

void T_FlatEditor::AddPieceGroups(T_EventHandler* parent, int32_t x, int32_t* y, FieldDef* chain,
                                  bool indicator) {
  pieceChain = chain;
  pieceGroups = nullptr;
  T_FlatFieldEdits* previous = nullptr;
  int32_t column = 0;
  for (FieldDef* piece = chain; piece != nullptr; piece = piece->next, ++column) {
    auto* group = new (std::nothrow)
        T_FlatFieldEdits(this, parent, XYWH{x + column * T_FlatFieldEdits::kPitch, *y, 56, 86},
                         chain, piece, indicator, piece->next == nullptr);
    if (group == nullptr) break;
    KeepPageItem(group);
    if (previous == nullptr) {
      pieceGroups = group;
    } else {
      previous->nextGroup = group;
    }
    previous = group;
  }
  *y += 90;
}

namespace {

// Rebuilds the page of an editor after the press that asked for it has returned.
class T_PageRebuildCom : public T_DeferCom {
 public:
  void Execute() override {
    for (T_HWindow* window = WindowListFirst(); window != nullptr; window = window->nextWindow) {
      if (window == target && !window->onCloseList) {
        static_cast<T_FlatEditor*>(window)->BuildPage();
        return;
      }
    }
  }
  T_HWindow* target = nullptr;
};

}  // namespace

void T_FlatEditor::PostPageRebuild() {
  T_Application* application = App();
  auto* command = application != nullptr ? new (std::nothrow) T_PageRebuildCom() : nullptr;
  if (command == nullptr) {
    BuildPage();
    return;
  }
  command->target = this;
  application->PostAction(command);
}

// --- The example file -------------------------------------------------------------------------

void T_FlatEditor::SetExampleFile(const char* path) {
  StopPass();
  if (path == nullptr || *path == 0) {
    SetViewMode(kViewNone);
    reader.Close();
    TextBufTruncate(&examplePath, 0);
    TextBufTruncate(&exampleName, 0);
    exampleSize = 0;
    exampleTime = 0;
  } else {
    reader.Close();
    T_TextBuf chosen(path);
    reader.SetQuiet(false);
    const bool opened = reader.Open(chosen.c_str());
    reader.SetQuiet(true);
    if (!opened) {
      PendingErrorReport();
      SetExampleFile(nullptr);
      return;
    }
    TextBufAssignBuf(&examplePath, &chosen);
    exampleSize = reader.FileSize();
    exampleTime = FileModifiedDate(examplePath.c_str());
    lastCheck = TickCount();
    offsetDigits = HexOffsetDigits(exampleSize);
    AnalyseHeadAndAsk();
    OnExampleFileSet();
    PathGetName(examplePath.c_str(), &exampleName);
    SetViewMode(lastChosenMode);
  }
  if (exampleFrame != nullptr) exampleFrame->Update();
}

void T_FlatEditor::ChooseExampleFile() {
  T_TextBuf path(examplePath.c_str());
  if (FileOpenDialog(&path, kFileKindTxt)) {
    SetExampleFile(path.c_str());
  } else {
    PendingErrorClear();
    SetExampleFile(nullptr);
  }
}

void T_FlatEditor::AnalyseHeadAndAsk() {
  uint8_t head[kHeadBytes];
  const int64_t n = reader.ReadAt(0, head, kHeadBytes);
  if (n <= 0) return;
  const HeadGuess guess = AnalyseHead(head, static_cast<int32_t>(n), *format);
  if (!guess.differs) return;
  const int32_t answer =
      AskEditorQuestion(this, kAskOtherFormat, "", {kButtonChange, kButtonDontChange}, 1);
  if (answer != kButtonChange) return;
  ApplyHeadGuess(guess, format);
  modified = 1;
  reader.Rewind();
  // The file may have come through a control of the page ("Show File", a drop on the frame).
  PostPageRebuild();
}

void T_FlatEditor::CheckFileChanged(bool force) {
  const uint64_t now = TickCount();
  if (!force && now - lastCheck < kFlatCheckInterval) return;
  lastCheck = now;
  if (examplePath.empty()) return;
  // Opened again: a file deleted meanwhile is gone only once the last handle on it closes.
  reader.Close();
  if (!reader.Open(examplePath.c_str())) {
    if (exampleView != kViewNone) refreshNeeded = true;
    return;
  }
  const double time = FileModifiedDate(examplePath.c_str());
  const int64_t size = reader.FileSize();
  // A file that grows within the time stamp's resolution still changed: its size says so.
  if (time <= exampleTime && size == exampleSize) return;
  exampleTime = time;
  exampleSize = size;
  offsetDigits = HexOffsetDigits(size);
  refreshNeeded = true;
  headChanged_ = true;
}

// --- Views ------------------------------------------------------------------------------------

void T_FlatEditor::RemoveAllFields() {
  while (firstField != nullptr) {
    T_BoxField* field = firstField;
    DeleteBoxField(&field);
  }
  columnsBuilt = 0;
}

void T_FlatEditor::ClearColumns() {
  if (exampleView == kViewFields) ClearFields();
  RemoveAllFields();
}

void T_FlatEditor::OnFieldWidthChanged(T_BoxField* field, int32_t change) {
  T_BoxWin::OnFieldWidthChanged(field, change);
  // Only the widths the user gave are kept: the others follow the window and the column count.
  if (exampleView == kViewText && format->fixedPositions == 0 && field->index >= 0 &&
      field->index < kMaxTextColumns)
    textWidths[field->index] = field->Width();
}

void T_FlatEditor::BuildRawColumns() {
  const bool hex = exampleView == kViewHex;
  const int32_t digit = DigitWidth(&defaultStyle);
  const int32_t chars[3] = {8, hex ? 51 : 40, hex ? 16 : 10};
  const int32_t titles[3] = {kTextOffset, kTextCodes, kTextCharacters};
  int32_t x = 1;
  for (int32_t i = 0; i < 3; ++i) {
    const int32_t minimum = TextWidthInStyle(&defaultStyle, GetString(titles[i])) + 2;
    const int32_t w = std::max(chars[i] * digit, minimum);
    RECT rect{x, 0, x + w, titleHeight > 0 ? titleHeight : kTitleHeight};
    AddField(&rect, titles[i]);
    x += w;
  }
  const int32_t per = hex ? kRawHexBytes : kRawDecimalBytes;
  rowCount = (exampleSize + per - 1) / per;
  columnsBuilt = 3;
}

void T_FlatEditor::BuildTextColumns() {
  const int32_t seen = pass.maxColumns.load();
  const int32_t bottom = titleHeight > 0 ? titleHeight : kTitleHeight;
  if (format->fixedPositions != 0) {
    const int32_t n = std::min(std::max(seen, 30), kMaxRuler);
    T_TextBuf ruler;
    PositionRuler(n, &ruler);
    // In a fixed-pitch font the ruler's positions stand over the rows' characters.
    const int32_t w = TextWidthInStyle(&TextStyleFixed, ruler.c_str()) + 8;
    RECT rect{1, 0, 1 + w, bottom};
    if (T_BoxField* field = AddField(&rect, 0)) {
      field->SetFont(&TextStyleFixed);
      field->SetTitleText(ruler.c_str());
    }
    columnsBuilt = 1;
    return;
  }
  const int32_t n = std::min(std::max(seen, 1), kMaxTextColumns);
  const int32_t share = (width - 19) / n - 3;
  int32_t x = 1;
  for (int32_t i = 0; i < n; ++i) {
    int32_t w = textWidths[i];
    if (w <= 0) w = share <= 150 || n == 1 ? std::max(share, 60) : 150;
    RECT rect{x, 0, x + w, bottom};
    T_BoxField* field = AddField(&rect, 0);
    if (field == nullptr) break;
    char title[8];
    std::snprintf(title, sizeof title, "%d", i + 1);
    field->SetTitleText(title);
    x += w;
  }
  columnsBuilt = n;
}

void T_FlatEditor::SetViewMode(int32_t mode) {
  StopPass();
  ClearColumns();
  index.Clear();
  pass.Reset();
  rowCount = 0;
  selectedRow = -1;
  exampleView = reader.IsOpen() ? mode : kViewNone;
  switch (exampleView) {
    case kViewHex:
    case kViewDecimal:
      BuildRawColumns();
      break;
    case kViewText:
      BuildTextColumns();
      StartPass();
      break;
    case kViewFields:
      RebuildFields();
      StartPass();
      break;
    default:
      break;
  }
  UpdateScrollBoxes(true);
  InvalidateGrid();
  if (titles != nullptr) GrafElement_Invalidate(titles, 0);
  if (exampleFrame != nullptr) exampleFrame->Update();
}

void T_FlatEditor::SetupEdited(bool formatChanged) {
  modified = 1;
  if (formatChanged) reader.Rewind();
  if (exampleView == kViewFields || (formatChanged && exampleView == kViewText)) {
    SetViewMode(exampleView);
  } else if (formatChanged) {
    InvalidateGrid();
  }
}

void T_FlatEditor::RefreshFieldColumns() {
  if (exampleView != kViewFields) return;
  ClearFields();
  RemoveAllFields();
  RebuildFields();
  InvalidateGrid();
  if (titles != nullptr) GrafElement_Invalidate(titles, 0);
}

// --- The background pass ----------------------------------------------------------------------

void T_FlatEditor::StartPass() {
  if (passRunning_ || examplePath.empty()) return;
  FlatFormatCopy(&passFormat, *format);
  TextBufAssignBuf(&passPath_, &examplePath);
  passView_ = exampleView;
  if (passView_ == kViewFields) TakePassCopy();
  if (BackgroundTaskStart(&task_, this, 0)) passRunning_ = true;
}

void T_FlatEditor::StopPass() {
  if (!passRunning_) return;
  BackgroundTaskStop(&task_);
  passRunning_ = false;
}

void T_FlatEditor::RunBackground(BackgroundTask* task, uint32_t) {
  RowReader rows(&passFormat);
  rows.SetQuiet(true);
  if (!rows.Open(passPath_.c_str())) {
    pass.progressChanged = true;
    return;
  }
  if (passView_ != kViewFields) {
    RunRowPass(&rows, &index, task->stopRequested, &pass, nullptr);
    return;
  }
  for (uint32_t i = 0; i < passFormat.rowsToSkip && !task->stopRequested.load(); ++i) {
    if (!rows.ReadNextRow()) break;
  }
  int32_t state = 0;
  RunRowPass(&rows, &index, task->stopRequested, &pass,
             [this, &state](RowReader* reader) { AddExampleRow(reader, &state); });
}

void T_FlatEditor::UpdateFromPass() {
  if (refreshNeeded.exchange(false)) {
    if (headChanged_) {
      headChanged_ = false;
      if (reader.IsOpen()) AnalyseHeadAndAsk();
    }
    SetViewMode(reader.IsOpen() ? exampleView : kViewNone);
    if (exampleFrame != nullptr) exampleFrame->Update();
    return;
  }
  if (pass.columnsChanged.exchange(false)) {
    if (exampleView == kViewText) {
      ClearColumns();
      BuildTextColumns();
    } else if (exampleView == kViewFields) {
      RefreshFieldColumns();
    }
    if (titles != nullptr) GrafElement_Invalidate(titles, 0);
  }
  if (pass.rowsChanged.exchange(false)) {
    rowCount = std::max<int64_t>(0, index.Count() - 1);
    UpdateScrollBoxes(true);
    InvalidateGrid();
  }
  bool ended = false;
  if (passRunning_ && !task_.running.load()) {
    passRunning_ = false;
    ended = true;
  }
  if ((pass.progressChanged.exchange(false) || ended) && exampleFrame != nullptr)
    GrafElement_Invalidate(exampleFrame, 0);
}

void T_FlatEditor::StatusText(T_TextBuf* text) {
  TextBufTruncate(text, 0);
  if (examplePath.empty()) return;
  formatNumber(text, static_cast<double>(exampleSize), 0, kSignPlain);
  TextBufAppend(text, " bytes");
  if (exampleView == kViewText || exampleView == kViewFields) {
    T_TextBuf rows;
    formatNumber(&rows, static_cast<double>(pass.rows.load()), 0, kSignPlain);
    TextBufAppend(text, ", ");
    TextBufAppend(text, rows.c_str());
    TextBufAppend(text, " rows");
    if (passRunning_ && exampleSize > 0) {
      char percent[32];
      std::snprintf(percent, sizeof percent, ", reading %d %%",
                    static_cast<int32_t>(pass.bytes.load() * 100.0 / exampleSize + 0.5));
      TextBufAppend(text, percent);
    }
    if (pass.tooLong.load()) {
      TextBufAppend(text, ", ");
      TextBufAppend(text, GetString(kErrorRowsTooLong));
    }
  }
}

// --- Rows -------------------------------------------------------------------------------------

bool T_FlatEditor::ReadGridRow(RowReader* rows, int64_t row) {
  if (row < 0 || row + 1 >= index.Count() || !rows->IsOpen()) return false;
  const int64_t start = index.Offset(row);
  const int64_t end = index.Offset(row + 1);
  rows->Seek(start);
  int32_t n = 0;
  while (rows->NextRowOffset() < end && rows->ReadNextRow()) ++n;
  if (n == 0) return false;
  rows->Seek(start);
  if (!rows->ReadNextRow()) return false;
  if (n > 1) rows->JoinRows(n);
  return true;
}

void T_FlatEditor::FormatRow(RowTextPool* pool, int64_t row) {
  if (exampleView == kViewHex || exampleView == kViewDecimal) {
    const bool hex = exampleView == kViewHex;
    const int32_t per = hex ? kRawHexBytes : kRawDecimalBytes;
    uint8_t bytes[kRawHexBytes];
    const int64_t n = reader.ReadAt(row * per, bytes, per);
    if (n <= 0) return;
    T_TextBuf offsetText, codes, characters;
    FormatRawRow(bytes, static_cast<int32_t>(n), row * per, hex, offsetDigits, *format, &offsetText,
                 &codes, &characters);
    T_BoxField* field = firstField;
    for (const T_TextBuf* text : {&offsetText, &codes, &characters}) {
      if (field == nullptr) break;
      PutCellText(pool, field, text->c_str());
      field = field->next;
    }
    return;
  }
  if (exampleView != kViewText && exampleView != kViewFields) return;
  if (!ReadGridRow(&reader, row)) return;
  T_TextBuf text;
  int32_t column = 0;
  for (T_BoxField* field = firstField; field != nullptr; field = field->next, ++column) {
    if (exampleView == kViewText) {
      TextViewCell(&reader, column, format->fixedPositions != 0, &text);
    } else {
      TextBufTruncate(&text, 0);
      GetFieldCellText(&reader, field, &text);
    }
    if (!text.empty()) PutCellText(pool, field, text.c_str());
  }
  if (exampleView == kViewText && row < static_cast<int64_t>(format->rowsToSkip))
    pool->background = kColourButtonFace;
}

void T_FlatEditor::DrawGrid(BoxDrawRecord* record) {
  CheckFileChanged(true);
  T_BoxWin::DrawGrid(record);
  if (rulerFirst <= 0 || record->printing || !RulerShown()) return;
  // The dragged range of the ruler column, over every row.
  const int32_t from = RulerEdge(std::min(rulerFirst, rulerLast));
  const int32_t to = RulerEdge(std::max(rulerFirst, rulerLast) + 1);
  const RECT band{record->bounds.left + from, record->bounds.top, record->bounds.left + to,
                  record->bounds.bottom};
  RectInvert(&band);
}

// --- The position ruler -------------------------------------------------------------------------

bool T_FlatEditor::RulerShown() const {
  return exampleView == kViewText && format->fixedPositions != 0 && firstField != nullptr;
}

int32_t T_FlatEditor::RulerEdge(int32_t position) {
  if (rulerEdges_.empty() && RulerShown()) {
    // Positions are characters of the ruler in its fixed-pitch font: the title's width shared
    // out evenly (single characters measure wider than they draw side by side).
    T_TextBuf ruler;
    firstField->GetTitle(&ruler);
    const int64_t total = TextWidthInStyle(&firstField->titleStyle, ruler.c_str());
    for (int32_t i = 0; i <= ruler.length; ++i)
      rulerEdges_.push_back(ruler.length > 0 ? static_cast<int32_t>(total * i / ruler.length) : 0);
  }
  if (rulerEdges_.empty() || firstField == nullptr) return 0;
  const int32_t count = static_cast<int32_t>(rulerEdges_.size()) - 1;
  const int32_t at = std::clamp(position - 1, 0, count);
  return static_cast<int32_t>(firstField->title.left) - GetScrollX() +
         rulerEdges_[static_cast<size_t>(at)];
}

int32_t T_FlatEditor::RulerPositionAt(int32_t x) {
  const int32_t left = RulerEdge(1);
  const int32_t count = static_cast<int32_t>(rulerEdges_.size()) - 1;
  if (count < 1) return 0;
  const int32_t offset = x - left;
  const auto after = std::upper_bound(rulerEdges_.begin(), rulerEdges_.end(), offset);
  return std::clamp(static_cast<int32_t>(after - rulerEdges_.begin()), 1, count);
}

void T_FlatEditor::RulerRangeText(T_TextBuf* text) const {
  TextBufTruncate(text, 0);
  if (rulerFirst <= 0) return;
  char range[32];
  std::snprintf(range, sizeof range, "%d:%d", std::min(rulerFirst, rulerLast),
                std::max(rulerFirst, rulerLast));
  TextBufAppend(text, range);
}

void T_FlatEditor::InvalidateRuler() {
  InvalidateGrid();
  if (modeItem != nullptr) GrafElement_Invalidate(modeItem, 0);
}

void T_FlatEditor::TrackRuler(InputEvent* event, T_GrafElement* element) {
  rulerEdges_.clear();
  rulerFirst = rulerLast = RulerPositionAt(event->x);
  if (rulerFirst <= 0) return;
  InvalidateRuler();
  InputEvent poll = *event;
  do {
    Item_PollPointer(element, &poll);
    const int32_t position = RulerPositionAt(poll.x);
    if (position != rulerLast) {
      rulerLast = position;
      InvalidateRuler();
    }
  } while (poll.anyButton);
  rulerFirst = rulerLast = 0;
  InvalidateRuler();
}

bool T_FlatEditor::ClickGrid(InputEvent* event) {
  if (RulerShown() && !event->rightButton) {
    const int32_t left = static_cast<int32_t>(firstField->column.left) - GetScrollX();
    const int32_t right = static_cast<int32_t>(firstField->column.right) - GetScrollX();
    if (event->x >= left && event->x < right) {
      TrackRuler(event, grid);
      return true;
    }
  }
  return T_BoxWin::ClickGrid(event);
}

bool T_FlatEditor::ClickFieldTitle(InputEvent* event, T_BoxField* field) {
  if (RulerShown() && field == firstField && titles != nullptr) {
    TrackRuler(event, titles);
    return true;
  }
  return T_BoxWin::ClickFieldTitle(event, field);
}

void T_FlatEditor::DrawModeItem() {
  T_BoxWin::DrawModeItem();
  T_TextBuf range;
  RulerRangeText(&range);
  if (range.empty() || modeItem == nullptr) return;
  // The header's lower right corner, above the ruler's end of the title row.
  const int32_t w = TextWidthInStyle(&defaultStyle, range.c_str());
  const RECT rect{modeItem->width - w - 8, modeItem->height - 16, modeItem->width - 6,
                  modeItem->height - 3};
  TextDrawLine(&rect, range.c_str(), nullptr);
}

int32_t T_FlatEditor::GetEffectiveTool(InputEvent* event) {
  if (exampleView == kViewHex || exampleView == kViewDecimal) return kToolRange;
  return T_BoxWin::GetEffectiveTool(event);
}

void T_FlatEditor::DragOverGrid(InputEvent* event, int32_t phase, uint32_t flags) {
  dragOver = phase == kHoverLeft ? 0 : 1;
  T_BoxWin::DragOverGrid(event, phase, flags);
}

bool T_FlatEditor::DropOnGrid(TransferList* list) {
  dragOver = 0;
  TransferItem* item = FindTransferItem(list, kTransferAnyFile);
  T_TextBuf path;
  if (item == nullptr || !TransferItemPath(item, &path)) return false;
  SetExampleFile(path.c_str());
  return true;
}

// --- Life ---------------------------------------------------------------------------------------

void T_FlatEditor::Notify(int32_t code) {
  if (code == kNotifyClosed) {
    StopPass();
    SetViewMode(kViewNone);
    reader.Close();
  }
  T_BoxWin::Notify(code);
  if (code == kNotifyTick) {
    CheckFileChanged(false);
    UpdateFromPass();
  }
}

void T_FlatEditor::DoClose() {
  StopPass();
  T_BoxWin::DoClose();
}
