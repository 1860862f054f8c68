#include "import/imp_setup_editor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/placeholders.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/base_options.h"
#include "database/card_text_import.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/file_kinds.h"
#include "editors/editor_menus.h"
#include "editors/editor_questions.h"
#include "import/import_fields.h"
#include "import/setup_editing.h"
#include "ui/button.h"
#include "ui/clipboard_data.h"
#include "ui/edit_field.h"
#include "ui/native_menu.h"
#include "ui/value_choosers.h"

namespace {

constexpr int32_t kTextImportSetup = 7300;
constexpr int32_t kTextSetupName = 7301;
constexpr int32_t kTextPageFirst = 7315;  // General, Characters, Format
constexpr int32_t kTextCardDefinition = 7318;
constexpr int32_t kTextLineDefinition = 7319;
constexpr int32_t kTextNewLineDefinition = 7320;
constexpr int32_t kTextCharacterSet = 7321;
constexpr int32_t kTextExcludeCharacters = 7325;
constexpr int32_t kTextExcludeCompletely = 7326;
constexpr int32_t kTextExcludeCounted = 7327;
constexpr int32_t kTextExcludeControl = 7328;
constexpr int32_t kTextFieldLength = 7329;
constexpr int32_t kTextVariable = 7330;
constexpr int32_t kTextRowTerminator = 7332;
constexpr int32_t kTextFieldSeparator = 7333;
constexpr int32_t kTextDecimalSeparator = 7334;
constexpr int32_t kTextPositions = 7335;
constexpr int32_t kTextCharactersItem = 7336;
constexpr int32_t kTextExcludeRows = 7338;
constexpr int32_t kTextFileRows = 7339;
constexpr int32_t kTextForCards = 7340;
constexpr int32_t kTextForLines = 7341;
constexpr int32_t kTextDateFormat = 7342;
constexpr int32_t kTextIndicatorFirst = 7357;  // Card Switcher, Card Indicator, Line Indicator
constexpr int32_t kTextDate = 7360;
constexpr int32_t kTextExcludeZeroLines = 7361;
constexpr int32_t kTextScaleValues = 7362;
constexpr int32_t kTextConversion = 7363;
constexpr int32_t kTextNone = 7364;
constexpr int32_t kTextShowAllDimensions = 7365;
constexpr int32_t kTextZeroFilling = 7370;
constexpr int32_t kTextNewComponents = 7376;
constexpr int32_t kTextCode = 7381;
constexpr int32_t kTextStampFirst = 3502;  // Created .. Notes
constexpr int32_t kTextUpperCase = 3408;   // .. Word Caps 3411
constexpr int32_t kTextQebCode = 3400;
constexpr int32_t kTextText = 3401;
constexpr int32_t kTextHostCode = 3420;
constexpr int32_t kAskQebFile = 2112;
constexpr int32_t kButtonContinue = 705;
constexpr int32_t kCommandDeleteSetup = 2512;

// Page items beside the shared ones (import/flat_editor.h).
constexpr uint32_t kIdName = 120;
constexpr uint32_t kIdDecimal = 121;
constexpr uint32_t kIdRowsPerCard = 122;
constexpr uint32_t kIdRowsPerLine = 123;
constexpr uint32_t kIdDateFormat = 124;
constexpr uint32_t kIdCase = 125;
constexpr uint32_t kIdDefault = 126;
constexpr uint32_t kIdFactor = 127;
constexpr uint32_t kIdExcludeZero = 128;
constexpr uint32_t kIdMatchBy = 129;
constexpr uint32_t kIdZeroFill = 130;
constexpr uint32_t kIdNewComponents = 131;
constexpr uint32_t kIdShowAll = 132;

constexpr int32_t kModeBoxWidth = 140;
constexpr int32_t kHeaderHeight = 178;
constexpr int32_t kTitleHeight = 14;

constexpr const char* kDateFormatTexts[8] = {"YYMMDD", "YYDDMM", "MMDDYY", "DDMMYY",
                                             "Y M D",  "Y D M",  "M D Y",  "D M Y"};
constexpr const char* kNewComponentTexts[4] = {
    "At end, QEB-Code = #serial no", "At end, QEB-Code = #Host Code",
    "In hierarchy, QEB-Code = Host Code", "In hierarchy, After nearest host code"};
// Items of the letter-case chooser and the case indexes they stand for.
constexpr int32_t kCaseItems[5] = {0, 2, 3, 4, 5};

bool IsCardFieldPage(int32_t page) {
  return page >= kImpPageCardSwitcher && page <= kImpPageNotes && page != kImpPageCardDefinition;
}
bool IsLinePage(int32_t page) {
  return page >= kImpPageLineDefinition && page < kImpPageNewLine;
}

// The text of a page chooser's item (the choosers answer through the window).
void ChoiceText(uint32_t id, int64_t item, T_TextBuf* text) {
  TextBufTruncate(text, 0);
  switch (id) {
    case kIdDateFormat:
      if (item >= 0 && item < 8) TextBufAssign(text, kDateFormatTexts[item]);
      break;
    case kIdCase:
      TextBufAssign(text, GetString(item == 0 ? kTextNone
                                              : kTextUpperCase + static_cast<int32_t>(item) - 1));
      break;
    case kIdMatchBy:
      TextBufAssign(text, GetString(item == 0 ? kTextQebCode : item == 1 ? kTextText
                                                                         : kTextHostCode));
      break;
    case kIdNewComponents:
      if (item >= 0 && item < 4) TextBufAssign(text, kNewComponentTexts[item]);
      break;
    default:
      break;
  }
}

int32_t CaseItemOf(int32_t caseIndex) {
  for (int32_t i = 0; i < 5; ++i) {
    if (kCaseItems[i] == caseIndex) return i;
  }
  return 0;
}

}  // namespace

int32_t CardFieldOfPage(int32_t page) {
  switch (page) {
    case kImpPageCardSwitcher: return kImportCardSwitcher;
    case kImpPageCardIndicator: return kImportCardIndicator;
    case kImpPageLineIndicator: return kImportLineIndicator;
    case kImpPageDate: return kImportDate;
    case kImpPageCardText: return kImportTitle;
    case 9: return kImportCreated;
    case 10: return kImportChanged;
    case 11: return kImportExamined;
    case 12: return kImportApproved;
    case kImpPageNotes: return kImportNotes;
    default: return -1;
  }
}

T_ImpSetupEditor::T_ImpSetupEditor(T_Base* database, ImportSetup* edited)
    : T_ImpSetupEditor(database, edited, RECT{0, 0, kWidth, kHeight}) {}

T_ImpSetupEditor::T_ImpSetupEditor(T_Base* database, ImportSetup* edited, const RECT& rect)
    : T_FlatEditor(kWindowImportSetup, &rect, database, &copy.format), setup(edited) {
  copy.database = database;
  passSetup.database = database;
  if (setup != nullptr) {
    ImportSetupCopy(&copy, setup);
    TextBufAssign(&name, setup->name);
    SetTitleCopy(setup->name != nullptr ? setup->name : "");
  } else {
    copy.NewLineDefinition();
    SetTitleId(kTextImportSetup);
  }
  if (copy.lines == nullptr && copy.NewLineDefinition() == nullptr) PendingErrorClear();
  ResetCardWidths();
  CreateModeBox(kModeBoxWidth, kHeaderHeight);
  CreateGridItems(kHeaderHeight, kTitleHeight, 0);
  RebuildSelector();
  EventHandler_Open(this);
  ShowPage(kImpPageGeneral);
  UpdateScrollBoxes(true);
}

T_ImpSetupEditor::~T_ImpSetupEditor() {
  // The pass reads passSetup: it ends before the members go.
  StopPass();
}

void T_ImpSetupEditor::ResetCardWidths() {
  for (int32_t& w : cardWidths) w = 75;
  cardWidths[kImportTitle] = 110;
  cardWidths[kImportNotes] = 90;
}

LineDef* T_ImpSetupEditor::CurrentLine() const { return ImportSetupLineAt(&copy, line); }

int32_t T_ImpSetupEditor::LineCount() const {
  int32_t n = 0;
  for (const LineDef* l = copy.lines; l != nullptr; l = l->next) ++n;
  return n;
}

// --- The selector -------------------------------------------------------------------------------

void T_ImpSetupEditor::PageTitle(int32_t pageId, T_TextBuf* title) {
  const int32_t p = pageId & 1023;
  const int32_t l = pageId >> 10;
  TextBufTruncate(title, 0);
  if (p <= kImpPageFormat) {
    TextBufAssign(title, GetString(kTextPageFirst + p));
  } else if (p <= kImpPageLineIndicator) {
    TextBufAssign(title, GetString(kTextIndicatorFirst + p - kImpPageCardSwitcher));
  } else if (p == kImpPageCardDefinition) {
    TextBufAssign(title, GetString(kTextCardDefinition));
  } else if (p == kImpPageDate) {
    TextBufAssign(title, GetString(kTextDate));
  } else if (p == kImpPageCardText) {
    database->GetFieldName(title, kFieldCardTitle);
  } else if (p <= kImpPageNotes) {
    TextBufAssign(title, GetString(kTextStampFirst + p - 9));
  } else if (p == kImpPageLineDefinition) {
    TextBufAssign(title, GetString(kTextLineDefinition));
    TextBufFillParamInt(title, 0, l + 1);
  } else if (p < kImpPageLineText) {
    database->GetFieldName(title, 67 + p - kImpPageValueFirst);
  } else if (p == kImpPageLineText) {
    database->GetFieldName(title, kFieldLineText);
  } else if (p < kImpPageNewLine) {
    database->GetFieldName(title, kFieldSingularFirst + p - kImpPageDimensionFirst);
  } else {
    TextBufAssign(title, GetString(kTextNewLineDefinition));
  }
}

void T_ImpSetupEditor::RebuildSelector() {
  if (modeBox == nullptr) return;
  // The nodes change under the page being shown: a control of it may be the sender of the
  // event under way, so the page stays until it is chosen again.
  rebuildingSelector_ = true;
  while (modeBox->root.firstChild != nullptr) modeBox->RemoveNode(modeBox->root.firstChild);
  for (int32_t p = kImpPageGeneral; p <= kImpPageLineIndicator; ++p) AddModeItem(nullptr, nullptr, p);
  ModeNode* card = AddModeItem(nullptr, nullptr, kImpPageCardDefinition);
  for (int32_t p = kImpPageDate; p <= kImpPageNotes; ++p) AddModeItem(card, nullptr, p);
  int32_t index = 0;
  const int32_t values = std::clamp(database->valueCount, 1, kSetupValues);
  for (LineDef* l = copy.lines; l != nullptr; l = l->next, ++index) {
    ModeNode* group = AddModeItem(nullptr, nullptr, ImpPageId(kImpPageLineDefinition, index));
    for (int32_t v = 0; v < values; ++v)
      AddModeItem(group, nullptr, ImpPageId(kImpPageValueFirst + v, index));
    AddModeItem(group, nullptr, ImpPageId(kImpPageLineText, index));
    for (int32_t d = 0; d < kSetupDimensions; ++d) {
      if (showAllDimensions || database->dimensions[d] != nullptr || l->dimensions[d].IsSet())
        AddModeItem(group, nullptr, ImpPageId(kImpPageDimensionFirst + d, index));
    }
    if (index == line && IsLinePage(page)) modeBox->SetExpanded(group, true);
  }
  AddModeItem(nullptr, nullptr, kImpPageNewLine);
  const int32_t id = IsLinePage(page) ? ImpPageId(page, line) : page;
  if (ModeNode* node = modeBox->FindNode(id)) {
    modeBox->SelectNode(node);
  }
  rebuildingSelector_ = false;
}

void T_ImpSetupEditor::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  if (box != modeBox) {
    T_FlatEditor::OnModeboxEvent(box, record);
    return;
  }
  if (record->code == kModeDescribe) {
    T_TextBuf title;
    PageTitle(record->nodeId, &title);
    ModeboxEvent_SetText(record, title.c_str());
    return;
  }
  if (record->code != kModeChosen || record->nodeId == kModeRootId || rebuildingSelector_) return;
  const int32_t p = record->nodeId & 1023;
  if (p == kImpPageNewLine) {
    // The selector's nodes change with the new line definition: not while it reports.
    newLinePending_ = true;
    PostPageRebuild();
    return;
  }
  page = p;
  line = record->nodeId >> 10;
  BuildPage();
}

void T_ImpSetupEditor::ShowPage(int32_t pageId) {
  page = pageId & 1023;
  line = pageId >> 10;
  if (modeBox != nullptr) {
    if (ModeNode* node = modeBox->FindNode(IsLinePage(page) ? ImpPageId(page, line) : page))
      modeBox->SelectNode(node);
  }
  BuildPage();
}

// --- Pages --------------------------------------------------------------------------------------

FieldDef* T_ImpSetupEditor::ChainOfPage(int32_t pageId) {
  const int32_t p = pageId & 1023;
  const int32_t field = CardFieldOfPage(p);
  if (field >= 0) return &copy.cardFields[field];
  LineDef* l = ImportSetupLineAt(&copy, pageId >> 10);
  if (l == nullptr) return nullptr;
  if (p >= kImpPageValueFirst && p < kImpPageLineText) return &l->values[p - kImpPageValueFirst];
  if (p == kImpPageLineText || p == kImpPageLineDefinition) return &l->lineText;
  if (p >= kImpPageDimensionFirst && p < kImpPageNewLine)
    return &l->dimensions[p - kImpPageDimensionFirst];
  return nullptr;
}

void T_ImpSetupEditor::BuildPage() {
  if (newLinePending_) {
    newLinePending_ = false;
    NewLine();  // builds the new line definition's page
    return;
  }
  ClearPageItems();
  T_EventHandler* parent = PageParent();
  FlatFormat& f = copy.format;
  switch (page) {
    case kImpPageGeneral: {
      PageLabel(XYWH{8, 8, 84, 12}, kTextSetupName);
      TextEdit(XYWH{96, 8, 220, 12}, kIdName, name.c_str());
      exampleFrame = new (std::nothrow) T_ViewFlatFrame(this, parent, XYWH{10, 46, 300, 62});
      KeepPageItem(exampleFrame);
      break;
    }
    case kImpPageCharacters:
      BuildCharactersPage();
      break;
    case kImpPageFormat: {
      int32_t y = 6;
      BuildFormatControls(8, &y);
      PageLabel(XYWH{8, y, 120, 12}, kTextDecimalSeparator);
      NumberEdit(132, &y, 50, kIdDecimal, f.decimalSeparator);
      int32_t right = 8;
      PageLabel(XYWH{240, right, 150, 12}, kTextFileRows);
      right += 17;
      PageLabel(XYWH{240, right, 110, 12}, kTextForCards);
      NumberEdit(356, &right, 40, kIdRowsPerCard, copy.rowsPerCard);
      PageLabel(XYWH{240, right, 110, 12}, kTextForLines);
      NumberEdit(356, &right, 40, kIdRowsPerLine, copy.rowsPerLine);
      break;
    }
    default:
      if (IsCardFieldPage(page) || (IsLinePage(page) && CurrentLine() != nullptr)) {
        const int32_t id = IsLinePage(page) ? ImpPageId(page, line) : page;
        BuildFieldPage(ChainOfPage(id), page <= kImpPageLineIndicator, 8);
      } else if (page == kImpPageCardDefinition) {
        ShowPage(kImpPageDate);
        return;
      }
      break;
  }
  GrafElement_Invalidate(this, kPaintChildren);
}

void T_ImpSetupEditor::BuildFieldPage(FieldDef* chain, bool indicator, int32_t y) {
  if (chain == nullptr) return;
  T_EventHandler* parent = PageParent();
  const bool fixed = copy.format.fixedPositions != 0;
  const char* labels[4] = {"Field", "First", "Last", indicator ? "Indicator" : "Insert chars"};
  for (int32_t i = 0; i < 4; ++i) {
    T_Text* label = PageLabelText(XYWH{8, y + i * 17, 78, 12}, labels[i]);
    if (i == 0 && fixed && label != nullptr) Item_SetEnabled(label, false);
  }
  int32_t below = y;
  AddPieceGroups(parent, 90, &below, chain, indicator);
  LineDef* l = IsLinePage(page) ? CurrentLine() : nullptr;
  int32_t slot = 0;
  auto next = [&slot]() { return PieceExtraSlot(slot++); };
  auto defaultEdit = [&](const char* text) {
    const XYWH at = next();
    PageLabelText(XYWH{at.x, at.y + 2, 60, 12}, "Default");
    TextEdit(XYWH{at.x + 64, at.y + 2, 140, 12}, kIdDefault, text);
  };
  if (page == kImpPageDate) {
    defaultEdit(chain->text.text.c_str());
    PageChooser(next(), kIdDateFormat, 8, copy.dateFormat, kTextDateFormat);
  } else if (page == kImpPageCardText || page == kImpPageNotes) {
    defaultEdit(chain->text.text.c_str());
    const int32_t caseIndex = page == kImpPageCardText ? copy.titleCase : copy.notesCase;
    PageChooser(next(), kIdCase, 5, CaseItemOf(caseIndex), kTextConversion);
  } else if (l != nullptr && page >= kImpPageValueFirst && page < kImpPageLineText) {
    defaultEdit(chain->text.text.c_str());
    const XYWH at = next();
    PageLabel(XYWH{at.x, at.y + 2, 100, 12}, kTextScaleValues);
    char factor[32];
    std::snprintf(factor, sizeof factor, "%.15g", l->factors[page - kImpPageValueFirst]);
    TextEdit(XYWH{at.x + 104, at.y + 2, 100, 12}, kIdFactor, factor);
  } else if (l != nullptr && (page == kImpPageLineText || page == kImpPageLineDefinition)) {
    defaultEdit(chain->text.text.c_str());
    PageChooser(next(), kIdCase, 5, CaseItemOf(l->textCase), kTextConversion);
    PageCheckbox(next(), kIdExcludeZero, kTextExcludeZeroLines, l->excludeZeroLines != 0);
  } else if (l != nullptr && page >= kImpPageDimensionFirst) {
    const int32_t d = page - kImpPageDimensionFirst;
    defaultEdit(chain->text.text.c_str());
    PageChooser(next(), kIdMatchBy, 3, l->matchBy[d], kTextCode);
    PageChooser(next(), kIdZeroFill, 9, l->zeroFill[d], kTextZeroFilling);
    PageChooser(next(), kIdNewComponents, 4, l->newComponents[d], kTextNewComponents);
    PageCheckbox(next(), kIdShowAll, kTextShowAllDimensions, showAllDimensions != 0);
  }
}

// --- Edits --------------------------------------------------------------------------------------

void T_ImpSetupEditor::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  auto* item = dynamic_cast<T_Item*>(field);
  const uint32_t id = item != nullptr ? item->id : 0;
  FlatFormat& f = copy.format;
  LineDef* l = IsLinePage(page) ? CurrentLine() : nullptr;
  switch (id) {
    case kIdName:
      TextBufAssignBuf(&name, text);
      modified = 1;
      return;
    case kIdDecimal:
      f.decimalSeparator = static_cast<uint16_t>(EditNumber(*text, 1, 0xFFFF, f.decimalSeparator));
      ShowNumber(text, f.decimalSeparator);
      SetupEdited(false);
      return;
    case kIdRowsPerCard:
      copy.rowsPerCard = EditNumber(*text, 1, 99, copy.rowsPerCard);
      ShowNumber(text, copy.rowsPerCard);
      SetupEdited(false);
      return;
    case kIdRowsPerLine:
      copy.rowsPerLine = EditNumber(*text, 1, 99, copy.rowsPerLine);
      ShowNumber(text, copy.rowsPerLine);
      SetupEdited(false);
      return;
    case kIdFactor:
      if (l != nullptr && page >= kImpPageValueFirst && page < kImpPageLineText) {
        char* end = nullptr;
        const double factor = std::strtod(text->c_str(), &end);
        double& stored = l->factors[page - kImpPageValueFirst];
        if (end != text->c_str()) stored = factor;
        char shown[32];
        std::snprintf(shown, sizeof shown, "%.15g", stored);
        TextBufAssign(text, shown);
        SetupEdited(false);
      }
      return;
    case kIdDefault: {
      FieldDef* chain = ChainOfPage(IsLinePage(page) ? ImpPageId(page, line) : page);
      if (chain == nullptr) return;
      if (l != nullptr && page >= kImpPageDimensionFirst && !text->empty()) {
        // A dimension's default names one of its components and is kept as its code.
        const int32_t d = page - kImpPageDimensionFirst;
        const int64_t found = database->FindComponentByKey(d, text->data, text->length);
        ComponentRecord* component = found != d ? ComponentAt(database, found) : nullptr;
        if (component == nullptr || component->code == nullptr) {
          TextBufAssign(text, chain->text.text.c_str());
          return;
        }
        TextBufAssign(text, component->code);
      }
      if (text->empty()) {
        OptionalTextClear(&chain->text);
      } else {
        OptionalTextSet(&chain->text, text->data, text->length);
      }
      SetupEdited(false);
      return;
    }
    default:
      if (!SharedEditText(id, text)) T_FlatEditor::OnEditText(text, field);
      return;
  }
}

void T_ImpSetupEditor::OnCheckbox(T_GrafElement* checkbox) {
  auto* box = dynamic_cast<T_Checkbox*>(checkbox);
  if (box == nullptr) {
    T_FlatEditor::OnCheckbox(checkbox);
    return;
  }
  LineDef* l = CurrentLine();
  switch (box->id) {
    case kIdExcludeZero:
      if (l != nullptr) l->excludeZeroLines = box->checked ? 1 : 0;
      SetupEdited(false);
      break;
    case kIdShowAll:
      showAllDimensions = box->checked ? 1 : 0;
      RebuildSelector();
      break;
    default:
      if (!SharedCheckbox(box->id, box->checked != 0)) T_FlatEditor::OnCheckbox(checkbox);
      break;
  }
}

void T_ImpSetupEditor::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  auto* item = dynamic_cast<T_Item*>(chooser);
  const uint32_t id = item != nullptr ? item->id : 0;
  if (SharedChooserEvent(chooser, id, record)) return;
  if (id < kIdDateFormat || id > kIdShowAll) {
    T_FlatEditor::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe && id == kIdZeroFill) {
    ZeroFillItem(record);
    return;
  }
  if (record->code == kChooserDescribe) {
    T_TextBuf text;
    ChoiceText(id, record->index, &text);
    ChooserEvent_SetText(record, text.c_str());
    return;
  }
  if (record->code != kChooserChosen) return;
  const int32_t index = static_cast<int32_t>(record->index);
  LineDef* l = IsLinePage(page) ? CurrentLine() : nullptr;
  const int32_t d = page - kImpPageDimensionFirst;
  switch (id) {
    case kIdDateFormat:
      copy.dateFormat = static_cast<uint32_t>(index);
      SetupEdited(false);
      break;
    case kIdCase:
      if (page == kImpPageCardText) copy.titleCase = kCaseItems[index];
      if (page == kImpPageNotes) copy.notesCase = kCaseItems[index];
      if (l != nullptr) l->textCase = kCaseItems[index];
      SetupEdited(false);
      break;
    case kIdMatchBy:
      if (l != nullptr && d >= 0) l->matchBy[d] = index;
      SetupEdited(false);
      break;
    case kIdZeroFill:
      if (l != nullptr && d >= 0) l->zeroFill[d] = index >= 2 ? index : 0;
      SetupEdited(false);
      break;
    case kIdNewComponents:
      if (l != nullptr && d >= 0) l->newComponents[d] = index;
      SetupEdited(false);
      break;
    default:
      break;
  }
}

// --- The "Fields" view --------------------------------------------------------------------------

void T_ImpSetupEditor::OnExampleFileSet() {
  T_FlatEditor::OnExampleFileSet();
  ResetCardWidths();
}

void T_ImpSetupEditor::TakePassCopy() {
  ImportSetupCopy(&passSetup, &copy);
}

void T_ImpSetupEditor::AddExampleRow(RowReader* reader, int32_t* state) {
  const ImportSetup& s = passSetup;
  const FieldDef* card = &s.cardFields[kImportCardIndicator];
  const FieldDef* lineIndicator = &s.cardFields[kImportLineIndicator];
  const int32_t perCard = static_cast<int32_t>(s.rowsPerCard);
  const int32_t perLine = static_cast<int32_t>(s.rowsPerLine);
  if (*state == 0) {
    bool joined = false;
    if (IndicatorMatches(reader, card) && perCard >= 2) {
      reader->JoinRows(perCard);
      joined = true;
    }
    if (IndicatorMatches(reader, lineIndicator)) {
      if (perLine > 1 || !joined) reader->JoinRows(perLine);
      *state = 1;
    }
  } else if (IndicatorMatches(reader, lineIndicator)) {
    if (perLine > 1) reader->JoinRows(perLine);
  } else if (IndicatorMatches(reader, card)) {
    if (perCard > 1) reader->JoinRows(perCard);
    *state = 0;
  }
}

void T_ImpSetupEditor::ClearFields() {
  for (T_BoxField* f = firstField; f != nullptr; f = f->next) {
    const int32_t field = CardFieldOfPage(static_cast<int32_t>(f->reserved));
    if (f->reserved < kImpPageLineDefinition && field >= 0) cardWidths[field] = f->Width();
  }
}

void T_ImpSetupEditor::RebuildFields() {
  int32_t x = 1;
  auto add = [&](int32_t pageId, int32_t w) {
    T_TextBuf title;
    PageTitle(pageId, &title);
    if (IsLinePage(pageId & 1023)) {
      TextBufAppend(&title, " ");
      TextBufAppendInt(&title, (pageId >> 10) + 1);
    }
    RECT rect{x, 0, x + w, titleHeight > 0 ? titleHeight : kTitleHeight};
    T_BoxField* field = AddField(&rect, 0);
    if (field == nullptr) return;
    field->SetTitleText(title.c_str());
    field->reserved = static_cast<uint64_t>(pageId);  // the column's page
    x += w;
  };
  for (const int32_t p : {kImpPageCardSwitcher, kImpPageCardIndicator, kImpPageLineIndicator,
                          kImpPageDate, kImpPageCardText, 9, 10, 11, 12, kImpPageNotes}) {
    const int32_t field = CardFieldOfPage(p);
    if (copy.cardFields[field].IsSet()) add(p, cardWidths[field]);
  }
  int32_t index = 0;
  for (const LineDef* l = copy.lines; l != nullptr; l = l->next, ++index) {
    for (int32_t v = 0; v < kSetupValues; ++v) {
      if (l->values[v].IsSet()) add(ImpPageId(kImpPageValueFirst + v, index), 75);
    }
    if (l->lineText.IsSet()) add(ImpPageId(kImpPageLineText, index), 110);
    for (int32_t d = 0; d < kSetupDimensions; ++d) {
      if (l->dimensions[d].IsSet()) add(ImpPageId(kImpPageDimensionFirst + d, index), 75);
    }
  }
  columnsBuilt = static_cast<int32_t>(fieldCount);
}

void T_ImpSetupEditor::GetFieldCellText(RowReader* reader, T_BoxField* field, T_TextBuf* text) {
  TextBufTruncate(text, 0);
  const int32_t pageId = static_cast<int32_t>(field->reserved);
  const int32_t p = pageId & 1023;
  const int32_t cardField = CardFieldOfPage(p);
  if (p <= kImpPageLineIndicator && cardField >= 0) {
    IndicatorText(reader, &copy.cardFields[cardField], text);
    return;
  }
  if (cardField >= 0) {
    if (!IndicatorMatches(reader, &copy.cardFields[kImportCardIndicator])) return;
    const FieldDef* chain = &copy.cardFields[cardField];
    if (p == kImpPageDate) {
      FieldTextWithInserts(reader, chain, text);
    } else if (p == kImpPageCardText || p == kImpPageNotes) {
      FieldTextJoined(reader, chain, p == kImpPageCardText ? copy.titleCase : copy.notesCase, text);
    } else {
      FieldText(reader, chain, text);
    }
    return;
  }
  const LineDef* l = ImportSetupLineAt(&copy, pageId >> 10);
  if (l == nullptr || !IndicatorMatches(reader, &copy.cardFields[kImportLineIndicator])) return;
  if (p == kImpPageLineText) {
    FieldTextJoined(reader, &l->lineText, l->textCase, text);
  } else if (p >= kImpPageValueFirst && p < kImpPageLineText) {
    FieldExpression(reader, &l->values[p - kImpPageValueFirst], copy.format.decimalSeparator, text);
  } else if (p >= kImpPageDimensionFirst && p < kImpPageNewLine) {
    const int32_t d = p - kImpPageDimensionFirst;
    FieldTextWithInserts(reader, &l->dimensions[d], text);
    if (l->zeroFill[d] != 0 && !text->empty()) PadCodeWithZeros(text, l->zeroFill[d]);
  }
}

bool T_ImpSetupEditor::ClickFieldTitle(InputEvent* event, T_BoxField* field) {
  if (exampleView == kViewFields && field != nullptr) {
    ShowPage(static_cast<int32_t>(field->reserved));
    return true;
  }
  return T_FlatEditor::ClickFieldTitle(event, field);
}

// --- Line definitions ---------------------------------------------------------------------------

void T_ImpSetupEditor::NewLine() {
  if (copy.NewLineDefinition() == nullptr) {
    PendingErrorReport();
    return;
  }
  SetupEdited(false);
  page = kImpPageLineText;
  line = LineCount() - 1;
  RebuildSelector();
  ShowPage(ImpPageId(kImpPageLineText, line));
}

void T_ImpSetupEditor::DeleteLine() {
  LineDef* l = CurrentLine();
  if (l == nullptr) return;
  StopPass();
  ImportSetupRemoveLine(&copy, l);
  if (copy.lines == nullptr) copy.NewLineDefinition();
  SetupEdited(false);
  line = std::max(0, std::min(line, LineCount() - 1));
  page = kImpPageGeneral;
  RebuildSelector();
  ShowPage(kImpPageGeneral);
}

void T_ImpSetupEditor::CopyLine() {
  const LineDef* l = CurrentLine();
  if (l == nullptr) return;
  T_TextBuf text;
  LineDefinitionText(database, l, &text);
  if (!ClipboardSetText(text.c_str(), text.length, 0)) PendingErrorReport();
}

bool T_ImpSetupEditor::PasteLine() {
  char* clip = ClipboardReadText();
  LineDef* made = HoldsLineDefinition(clip) ? PasteLineDefinition(&copy, clip) : nullptr;
  MemFree(clip);
  if (made == nullptr) return false;
  SetupEdited(false);
  line = LineCount() - 1;
  page = kImpPageLineText;
  RebuildSelector();
  ShowPage(ImpPageId(kImpPageLineText, line));
  return true;
}

void T_ImpSetupEditor::DuplicateLine() {
  const LineDef* l = CurrentLine();
  if (l == nullptr || DuplicateLineDefinition(&copy, l) == nullptr) return;
  SetupEdited(false);
  line = LineCount() - 1;
  RebuildSelector();
  ShowPage(ImpPageId(IsLinePage(page) ? page : kImpPageLineText, line));
}

void T_ImpSetupEditor::UpdateCommands() {
  T_FlatEditor::UpdateCommands();
  EnableTaggedCommand(kCommandImportEntry, 0);
  if (setup != nullptr) EnableTaggedCommand(kCommandDeleteSetup, 0);
  if (!IsLinePage(page)) return;
  T_TextBuf tag(GetString(kTextLineDefinition));
  TextBufFillParamInt(&tag, 0, line + 1);
  for (const int32_t command : {kCommandNewTagged, kCommandCut, kCommandCopy, kCommandErase,
                                kCommandDuplicate})
    EnableTaggedCommandText(command, tag.c_str());
  char* clip = ClipboardDataKind() != 0 ? ClipboardReadText() : nullptr;
  if (HoldsLineDefinition(clip)) EnableTaggedCommandText(kCommandPaste, GetString(kTextLineDefinition));
  MemFree(clip);
}

bool T_ImpSetupEditor::DoCommand(int32_t command) {
  if (command == kCommandImportEntry) {
    ImportFile(nullptr);
    return true;
  }
  if (command == kCommandDeleteSetup && setup != nullptr) {
    DeleteImportSetupOfEditor(this);
    return true;
  }
  if (IsLinePage(page)) {
    switch (command) {
      case kCommandNewTagged:
        NewLine();
        return true;
      case kCommandCut:
        CopyLine();
        DeleteLine();
        return true;
      case kCommandCopy:
        CopyLine();
        return true;
      case kCommandPaste:
        if (PasteLine()) return true;
        break;
      case kCommandErase:
        DeleteLine();
        return true;
      case kCommandDuplicate:
        DuplicateLine();
        return true;
      default:
        break;
    }
  }
  return T_FlatEditor::DoCommand(command);
}

// --- Importing, saving, closing -----------------------------------------------------------------

void T_ImpSetupEditor::ImportFile(const char* path) {
  T_TextBuf chosen;
  if (!ImportPathOrAsk(path, &chosen)) return;
  FileKindInfo info;
  DetectFileKind(&info, chosen.c_str());
  if (IsDatabaseFileKind(info.kind)) {
    T_TextBuf shown;
    PathGetName(chosen.c_str(), &shown);
    if (AskEditorQuestion(this, kAskQebFile, shown.c_str(), {kButtonContinue, kButtonCancel}, 1) !=
        kButtonContinue)
      return;
  }
  if (!database->ImportFile(chosen.c_str(), nullptr, &copy, 0)) PendingErrorReport();
}

bool T_ImpSetupEditor::Save() {
  StopPass();
  ImportSetup* saved = nullptr;
  const bool close = ImportSetupSaveStep(database, setup, &copy, name.c_str(), this, &saved);
  if (saved != nullptr) {
    setup = saved;
    TextBufAssign(&name, saved->name);
    SetTitleCopy(saved->name);
    database->SetModified(true);
  }
  if (!close) {
    line = std::max(0, std::min(line, LineCount() - 1));
    RebuildSelector();
    BuildPage();
  }
  return close;
}

bool T_ImpSetupEditor::QueryClose(int32_t code) {
  if (code != kCloseWithoutSaving && !Save()) return false;
  return T_FlatEditor::QueryClose(code);
}

bool T_ImpSetupEditor::HoldsPendingEdits() { return ImportSetupEdited(setup, &copy, name.c_str()); }

bool T_ImpSetupEditor::StorePendingEdits() { return Save(); }

void T_ImpSetupEditor::Notify(int32_t code) {
  T_FlatEditor::Notify(code);
  if (code == kNotifyLanguage) {
    if (setup == nullptr) SetTitleId(kTextImportSetup);
    RefreshFieldColumns();
    BuildPage();
  }
}

void T_ImpSetupEditor::OnChange(const ChangeNote* note) {
  T_FlatEditor::OnChange(note);
  if (note->database != nullptr && note->database != database) return;
  if (note->code == kChangeImportSetupRenamed + 3 && note->object == setup && setup != nullptr) {
    // The setup is going: its editor closes without a question.
    setup = nullptr;
    EventHandler_RequestClose(this, kCloseWithoutSaving);
  } else if (note->code == kChangeDimensionUsed && !showAllDimensions) {
    RebuildSelector();
  } else if (note->code == kChangeSingularName) {
    GrafElement_Invalidate(this, kPaintChildren);
  }
}

// --- Opening and deleting -----------------------------------------------------------------------

T_ImpSetupEditor* OpenImportSetupEditor(T_Base* database, ImportSetup* setup) {
  if (database == nullptr) return nullptr;
  for (T_HWindow* window = WindowListFirst(); window != nullptr; window = window->nextWindow) {
    auto* editor = dynamic_cast<T_ImpSetupEditor*>(window);
    if (editor != nullptr && setup != nullptr && editor->setup == setup && !editor->onCloseList) {
      editor->BringToFront();
      return editor;
    }
  }
  if (!MemCanAlloc(kEditorReserve)) return nullptr;
  return new (std::nothrow) T_ImpSetupEditor(database, setup);
}

bool DeleteImportSetupOfEditor(T_Window* window) {
  auto* editor = dynamic_cast<T_ImpSetupEditor*>(window);
  if (editor == nullptr || editor->setup == nullptr) return false;
  ImportSetup* setup = editor->setup;
  T_Base* database = editor->database;
  if (!ConfirmDeleteAndClose(editor)) return false;
  ImportSetupDelete(setup);
  database->SetModified(true);
  return true;
}
