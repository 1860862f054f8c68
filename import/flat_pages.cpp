// The page controls both setup editors share: the two control factories, the "Characters" page
// and the format controls, with the edits, check boxes and choosers that set the format.
#include <cstdlib>
#include <new>

#include "core/code_pages.h"
#include "core/localized_text.h"
#include "import/flat_editor.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/value_choosers.h"

namespace {

constexpr int32_t kTextCharacterSet = 7321;
constexpr int32_t kTextExcludeCharacters = 7325;
constexpr int32_t kTextExcludeCompletely = 7326;
constexpr int32_t kTextExcludeCounted = 7327;
constexpr int32_t kTextExcludeControl = 7328;
constexpr int32_t kTextFieldLength = 7329;
constexpr int32_t kTextVariable = 7330;  // "Fixed" follows
constexpr int32_t kTextRowTerminator = 7332;
constexpr int32_t kTextFieldSeparator = 7333;
constexpr int32_t kTextPositions = 7335;
constexpr int32_t kTextCharactersItem = 7336;  // "Bytes" follows
constexpr int32_t kTextExcludeRows = 7338;

}  // namespace

uint32_t EditNumber(const T_TextBuf& text, uint32_t low, uint32_t high, uint32_t fallback) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || value < static_cast<long>(low) || value > static_cast<long>(high))
    return fallback;
  return static_cast<uint32_t>(value);
}

void ShowNumber(T_TextBuf* text, uint32_t value) {
  TextBufTruncate(text, 0);
  TextBufAppendInt(text, static_cast<int32_t>(value));
}

XYWH PieceExtraSlot(int32_t n) { return XYWH{n < 3 ? 8 : 230, 100 + (n % 3) * 22, 210, 16}; }

void ZeroFillItem(ChooserEvent* record) {
  // Widths are 0 (none) or 2..8: item 1 stands for none of them and cannot be chosen.
  T_TextBuf text;
  if (record->index == 0) {
    TextBufAssign(&text, "-");
  } else {
    TextBufAppendInt(&text, static_cast<int32_t>(record->index));
  }
  ChooserEvent_SetText(record, text.c_str());
  if (record->index == 1) record->enabled = 0;
}

T_Chooser* T_FlatEditor::PageChooser(const XYWH& rect, uint32_t id, int64_t count,
                                     int64_t current, int32_t titleId) {
  auto* chooser = new (std::nothrow) T_Chooser(PageParent(), rect, id, count, current, false);
  if (chooser == nullptr) return nullptr;
  if (titleId != 0) chooser->SetTitleId(titleId);
  EventHandler_Open(chooser);
  KeepPageItem(chooser);
  return chooser;
}

T_Checkbox* T_FlatEditor::PageCheckbox(const XYWH& rect, uint32_t id, int32_t label, bool on) {
  auto* box = new (std::nothrow) T_Checkbox(PageParent(), rect, id, false);
  if (box == nullptr) return nullptr;
  box->SetLabelId(label);
  box->checked = on ? 1 : 0;
  EventHandler_Open(box);
  KeepPageItem(box);
  return box;
}

void T_FlatEditor::BuildCharactersPage() {
  T_EventHandler* parent = PageParent();
  auto* encoding = new (std::nothrow) T_ChooseEncoding(
      parent, XYWH{8, 6, 240, 16}, kFlatEncodingId, static_cast<TextEncoding>(format->encoding));
  if (encoding != nullptr) encoding->SetTitleId(kTextCharacterSet);
  KeepPageItem(encoding);
  KeepPageItem(new (std::nothrow) T_ConvertFrame(this, parent, XYWH{10, 40, 205, 50}, format));
  auto* exclude = new (std::nothrow) T_Frame(parent, XYWH{230, 40, 220, 50}, 0, false);
  if (exclude != nullptr) {
    exclude->SetTitleId(kTextExcludeCharacters);
    EventHandler_Open(exclude);
    KeepPageItem(exclude);
    for (int32_t i = 0; i < 2; ++i) {
      auto* label = new (std::nothrow) T_Text(exclude, XYWH{6, 6 + i * 22, 120, 12}, false);
      if (label != nullptr) {
        label->SetTextId(i == 0 ? kTextExcludeCompletely : kTextExcludeCounted);
        EventHandler_Open(label);
      }
      auto* edit = new (std::nothrow)
          T_Edit(exclude, XYWH{130, 6 + i * 22, 80, 12},
                 i == 0 ? kFlatExcludeCompletelyId : kFlatExcludeCountedId, true, false);
      if (edit != nullptr) {
        edit->SetText(i == 0 ? format->excludeCompletely.text.c_str()
                             : format->excludeCounted.text.c_str());
        EventHandler_Open(edit);
      }
    }
  }
  PageCheckbox(XYWH{8, 104, 260, 14}, kFlatExcludeControlId, kTextExcludeControl,
               format->excludeControl != 0);
}

void T_FlatEditor::BuildFormatControls(int32_t x, int32_t* y) {
  PageChooser(XYWH{x, *y, 200, 16}, kFlatFixedId, 2, format->fixedPositions != 0 ? 1 : 0,
              kTextFieldLength);
  *y += 24;
  PageLabel(XYWH{x, *y, 120, 12}, kTextRowTerminator);
  NumberEdit(x + 124, y, 50, kFlatTerminatorId, format->rowTerminator);
  PageLabel(XYWH{x, *y, 120, 12}, kTextFieldSeparator);
  if (T_Edit* separator = NumberEdit(x + 124, y, 50, kFlatSeparatorId, format->fieldSeparator))
    Item_SetEnabled(separator, format->fixedPositions == 0);
  PageLabel(XYWH{x, *y, 120, 12}, kTextExcludeRows);
  NumberEdit(x + 124, y, 50, kFlatRowsToSkipId, format->rowsToSkip);
  if (T_Chooser* positions = PageChooser(XYWH{x, *y, 200, 16}, kFlatPositionsId, 2,
                                         format->positionsInBytes, kTextPositions))
    Item_SetEnabled(positions, format->encoding == kEncodingUtf8);
  *y += 22;
}

bool T_FlatEditor::SharedEditText(uint32_t id, T_TextBuf* text) {
  switch (id) {
    case kFlatExcludeCompletelyId:
    case kFlatExcludeCountedId: {
      OptionalText* target =
          id == kFlatExcludeCompletelyId ? &format->excludeCompletely : &format->excludeCounted;
      if (text->empty()) {
        OptionalTextClear(target);
      } else {
        OptionalTextSet(target, text->data, text->length);
      }
      SetupEdited(true);
      return true;
    }
    case kFlatTerminatorId:
      format->rowTerminator = static_cast<uint16_t>(EditNumber(*text, 1, 0xFFFF, format->rowTerminator));
      ShowNumber(text, format->rowTerminator);
      SetupEdited(true);
      return true;
    case kFlatSeparatorId:
      format->fieldSeparator =
          static_cast<uint16_t>(EditNumber(*text, 1, 0xFFFF, format->fieldSeparator));
      ShowNumber(text, format->fieldSeparator);
      SetupEdited(true);
      return true;
    case kFlatRowsToSkipId:
      format->rowsToSkip = EditNumber(*text, 0, 999, format->rowsToSkip);
      ShowNumber(text, format->rowsToSkip);
      SetupEdited(false);
      InvalidateGrid();
      return true;
    default:
      return false;
  }
}

bool T_FlatEditor::SharedCheckbox(uint32_t id, bool checked) {
  if (id != kFlatExcludeControlId) return false;
  format->excludeControl = checked ? 1 : 0;
  SetupEdited(true);
  return true;
}

bool T_FlatEditor::SharedChooserEvent(T_GrafElement* chooser, uint32_t id, ChooserEvent* record) {
  if (id == kFlatEncodingId) {
    if (record->code != kChooserChosen) return false;  // the chooser answers its own items
    const TextEncoding encoding = static_cast<T_ChooseEncoding*>(chooser)->SelectedEncoding();
    if (encoding >= 0) format->encoding = static_cast<uint32_t>(encoding);
    SetupEdited(true);
    PostPageRebuild();
    return true;
  }
  if (id != kFlatFixedId && id != kFlatPositionsId) return false;
  const int32_t firstText = id == kFlatFixedId ? kTextVariable : kTextCharactersItem;
  if (record->code == kChooserDescribe) {
    ChooserEvent_SetText(record, GetString(firstText + static_cast<int32_t>(record->index)));
  } else if (record->code == kChooserChosen) {
    const uint8_t on = record->index == 1 ? 1 : 0;
    if (id == kFlatFixedId) {
      format->fixedPositions = on;
      // The separator and the pieces' field numbers follow the field length.
      PostPageRebuild();
    } else {
      format->positionsInBytes = on;
    }
    SetupEdited(true);
  }
  return true;
}
