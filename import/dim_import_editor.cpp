#include "import/dim_import_editor.h"

#include <algorithm>
#include <new>

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/locale.h"
#include "core/placeholders.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/card_text_import.h"
#include "database/change_notes.h"
#include "database/model_records.h"
#include "editors/editor_menus.h"
#include "editors/editor_questions.h"
#include "import/dimension_import.h"
#include "import/import_fields.h"
#include "import/setup_editing.h"
#include "ui/button.h"
#include "ui/chooser.h"

namespace {

constexpr int32_t kTextTitle = 7400;  // "Import Setup for @0"
constexpr int32_t kTextFile = 7401;
constexpr int32_t kTextPageFirst = 7315;  // "Characters" is 7316, "Format" 7317
constexpr int32_t kTextLevel = 7402;
constexpr int32_t kTextParent = 7403;
constexpr int32_t kTextHierarchy = 7404;
constexpr int32_t kTextCreateParents = 7409;
constexpr int32_t kTextNo = 7410;
constexpr int32_t kTextUpTo = 7411;
constexpr int32_t kTextEachPart = 7412;
constexpr int32_t kTextSearchParent = 7413;
constexpr int32_t kTextDuplicates = 7366;  // items 7367..7369
constexpr int32_t kTextZeroFilling = 7370;
constexpr int32_t kTextHostDuplicates = 7371;  // items 7372..7375
constexpr int32_t kTextQebCode = 3400;         // "Text" 3401, "Host Code" 3402

constexpr uint32_t kIdHierarchy = 120;
constexpr uint32_t kIdCreateParents = 121;
constexpr uint32_t kIdDuplicates = 122;
constexpr uint32_t kIdZeroFill = 123;
constexpr uint32_t kIdHostDuplicates = 124;
constexpr uint32_t kIdParentSearch = 125;

constexpr int32_t kModeBoxWidth = 110;
constexpr int32_t kHeaderHeight = 150;
constexpr int32_t kTitleHeight = 14;

constexpr const char* kHierarchyTexts[4] = {"QEB-Code Path", "Indented", "Level Numbers",
                                            "Parent Links"};

bool HasLevelPage(const DimImportSetup& setup) {
  return setup.hierarchy == kHierarchyLevels || setup.hierarchy == kHierarchyParents;
}

}  // namespace

T_DimImportEditor::T_DimImportEditor(T_Base* database, DimImportSetup* edited)
    : T_FlatEditor(kWindowDimImportSetup, [] {
        static const RECT rect{0, 0, kWidth, kHeight};
        return &rect;
      }(), database, &copy.format),
      setup(edited),
      dimension(edited->dimension) {
  copy.database = database;
  copy.dimension = dimension;
  DimImportCopy(&copy, setup);
  setup->editor = this;
  ResetWidths();
  MakeTitle();
  CreateModeBox(kModeBoxWidth, kHeaderHeight);
  CreateGridItems(kHeaderHeight, kTitleHeight, 0);
  RebuildSelector();
  EventHandler_Open(this);
  ShowPage(kDimPageFile);
  UpdateScrollBoxes(true);
}

T_DimImportEditor::~T_DimImportEditor() {
  StopPass();
  if (setup != nullptr) DimImportEditorGone(setup);
}

void T_DimImportEditor::ResetWidths() {
  widths[0] = 100;
  widths[1] = 140;
  widths[2] = 70;
  widths[3] = 70;
}

void T_DimImportEditor::MakeTitle() {
  T_TextBuf title(GetString(kTextTitle));
  TextBufFillParam(&title, 0, database->GetDimSingular(dimension));
  SetTitleCopy(title.c_str());
}

// --- Pages --------------------------------------------------------------------------------------

void T_DimImportEditor::RebuildSelector() {
  if (modeBox == nullptr) return;
  // The nodes change under the page being shown: a control of it may be the sender of the
  // event under way, so the page stays until it is chosen again.
  rebuildingSelector_ = true;
  while (modeBox->root.firstChild != nullptr) modeBox->RemoveNode(modeBox->root.firstChild);
  for (int32_t p = kDimPageFile; p <= kDimPageHostCode; ++p) AddModeItem(nullptr, nullptr, p);
  if (copy.hierarchy == kHierarchyLevels) AddModeItem(nullptr, nullptr, kDimPageLevel);
  if (copy.hierarchy == kHierarchyParents) AddModeItem(nullptr, nullptr, kDimPageParent);
  if (modeBox->FindNode(page) == nullptr) page = kDimPageFormat;
  if (ModeNode* node = modeBox->FindNode(page)) modeBox->SelectNode(node);
  rebuildingSelector_ = false;
}

void T_DimImportEditor::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  if (box != modeBox) {
    T_FlatEditor::OnModeboxEvent(box, record);
    return;
  }
  const int32_t p = record->nodeId;
  if (record->code == kModeDescribe) {
    const int32_t text = p == kDimPageFile     ? kTextFile
                         : p <= kDimPageFormat ? kTextPageFirst + p
                         : p <= kDimPageHostCode ? kTextQebCode + p - kDimPageCode
                         : p == kDimPageLevel    ? kTextLevel
                                                 : kTextParent;
    ModeboxEvent_SetText(record, GetString(text));
    return;
  }
  if (record->code == kModeChosen && p >= kDimPageFile && p <= kDimPageParent &&
      !rebuildingSelector_) {
    page = p;
    BuildPage();
  }
}

void T_DimImportEditor::ShowPage(int32_t shown) {
  page = shown;
  if (modeBox != nullptr) {
    if (ModeNode* node = modeBox->FindNode(page)) modeBox->SelectNode(node);
  }
  BuildPage();
}

FieldDef* T_DimImportEditor::ChainOfPage(int32_t shown) {
  switch (shown) {
    case kDimPageCode: return &copy.code;
    case kDimPageText: return &copy.text;
    case kDimPageHostCode: return &copy.hostCode;
    case kDimPageLevel:
    case kDimPageParent: return &copy.levelOrParent;
    default: return nullptr;
  }
}

void T_DimImportEditor::BuildPage() {
  ClearPageItems();
  switch (page) {
    case kDimPageFile:
      exampleFrame =
          new (std::nothrow) T_ViewFlatFrame(this, PageParent(), XYWH{10, 16, 300, 62});
      KeepPageItem(exampleFrame);
      break;
    case kDimPageCharacters:
      BuildCharactersPage();
      break;
    case kDimPageFormat: {
      int32_t y = 6;
      BuildFormatControls(8, &y);
      PageChooser(XYWH{8, y, 220, 16}, kIdHierarchy, 4, copy.hierarchy, kTextHierarchy);
      break;
    }
    default: {
      FieldDef* chain = ChainOfPage(page);
      if (chain == nullptr) break;
      const char* labels[4] = {"Field", "First", "Last", "Insert chars"};
      for (int32_t i = 0; i < 4; ++i) {
        T_Text* label = PageLabelText(XYWH{8, 8 + i * 17, 78, 12}, labels[i]);
        if (i == 0 && format->fixedPositions != 0 && label != nullptr)
          Item_SetEnabled(label, false);
      }
      int32_t below = 8;
      AddPieceGroups(PageParent(), 90, &below, chain, false);
      if (page == kDimPageCode) {
        PageChooser(PieceExtraSlot(0), kIdCreateParents, 10, copy.createParents,
                    kTextCreateParents);
        PageChooser(PieceExtraSlot(1), kIdDuplicates, 3, copy.duplicates, kTextDuplicates);
      } else if (page == kDimPageHostCode) {
        PageChooser(PieceExtraSlot(0), kIdZeroFill, 9, copy.hostCodeZeroFill, kTextZeroFilling);
        PageChooser(PieceExtraSlot(1), kIdHostDuplicates, 4, copy.hostDuplicates,
                    kTextHostDuplicates);
      } else if (page == kDimPageParent) {
        PageChooser(PieceExtraSlot(0), kIdParentSearch, 3, copy.parentSearch, kTextSearchParent);
      }
      break;
    }
  }
  GrafElement_Invalidate(this, kPaintChildren);
}

// --- Edits --------------------------------------------------------------------------------------

void T_DimImportEditor::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  auto* item = dynamic_cast<T_Item*>(field);
  if (item == nullptr || !SharedEditText(item->id, text)) T_FlatEditor::OnEditText(text, field);
}

void T_DimImportEditor::OnCheckbox(T_GrafElement* checkbox) {
  auto* box = dynamic_cast<T_Checkbox*>(checkbox);
  if (box == nullptr || !SharedCheckbox(box->id, box->checked != 0))
    T_FlatEditor::OnCheckbox(checkbox);
}

void T_DimImportEditor::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  auto* item = dynamic_cast<T_Item*>(chooser);
  const uint32_t id = item != nullptr ? item->id : 0;
  if (SharedChooserEvent(chooser, id, record)) return;
  if (id < kIdHierarchy || id > kIdParentSearch) {
    T_FlatEditor::OnChooserEvent(chooser, record);
    return;
  }
  const int32_t index = static_cast<int32_t>(record->index);
  if (record->code == kChooserDescribe) {
    if (id == kIdZeroFill) {
      ZeroFillItem(record);
      return;
    }
    T_TextBuf text;
    switch (id) {
      case kIdHierarchy:
        TextBufAssign(&text, kHierarchyTexts[std::clamp(index, 0, 3)]);
        break;
      case kIdCreateParents:
        TextBufAssign(&text, GetString(index == 0 ? kTextNo : index == 9 ? kTextEachPart : kTextUpTo));
        TextBufFillParamInt(&text, 0, index);
        break;
      case kIdDuplicates:
        TextBufAssign(&text, GetString(kTextDuplicates + 1 + index));
        break;
      case kIdHostDuplicates:
        TextBufAssign(&text, GetString(kTextHostDuplicates + 1 + index));
        break;
      default:
        TextBufAssign(&text, GetString(kTextQebCode + index));
        break;
    }
    ChooserEvent_SetText(record, text.c_str());
    return;
  }
  if (record->code != kChooserChosen) return;
  switch (id) {
    case kIdHierarchy: {
      const bool had = HasLevelPage(copy);
      copy.hierarchy = static_cast<uint32_t>(index);
      SetupEdited(false);
      RebuildSelector();
      if (had || HasLevelPage(copy)) RefreshFieldColumns();
      break;
    }
    case kIdCreateParents:
      copy.createParents = static_cast<uint32_t>(index);
      break;
    case kIdDuplicates:
      copy.duplicates = static_cast<uint32_t>(index);
      break;
    case kIdZeroFill:
      copy.hostCodeZeroFill = index >= 2 ? static_cast<uint32_t>(index) : 0;
      SetupEdited(false);
      break;
    case kIdHostDuplicates:
      copy.hostDuplicates = static_cast<uint32_t>(index);
      break;
    default:
      copy.parentSearch = static_cast<uint32_t>(index);
      break;
  }
  modified = 1;
}

// --- The "Fields" view --------------------------------------------------------------------------

void T_DimImportEditor::OnExampleFileSet() {
  T_FlatEditor::OnExampleFileSet();
  ResetWidths();
}

void T_DimImportEditor::AddExampleRow(RowReader*, int32_t*) {}

void T_DimImportEditor::ClearFields() {
  int32_t i = 0;
  for (T_BoxField* f = firstField; f != nullptr && i < 4; f = f->next, ++i) widths[i] = f->Width();
}

void T_DimImportEditor::RebuildFields() {
  const int32_t count = HasLevelPage(copy) ? 4 : 3;
  int32_t x = 1;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t titleId = i < 3 ? kTextQebCode + i
                            : copy.hierarchy == kHierarchyLevels ? kTextLevel
                                                                 : kTextParent;
    RECT rect{x, 0, x + widths[i], titleHeight > 0 ? titleHeight : kTitleHeight};
    if (T_BoxField* field = AddField(&rect, titleId)) field->reserved = static_cast<uint64_t>(i);
    x += widths[i];
  }
  columnsBuilt = count;
}

void T_DimImportEditor::GetFieldCellText(RowReader* reader, T_BoxField* field, T_TextBuf* text) {
  const DimensionRecord* record = database->dimensions[dimension];
  switch (field->reserved) {
    case 0:
      FieldTextWithInserts(reader, &copy.code, text);
      while (!text->empty() && text->data[text->length - 1] == ' ')
        TextBufTruncate(text, text->length - 1);
      if (record != nullptr) CaseModeApply(text->data, record->codeCase);
      break;
    case 1:
      FieldTextWithInserts(reader, &copy.text, text);
      TextBufTrim(text, ' ');
      if (record != nullptr) CaseModeApply(text->data, record->textCase);
      break;
    case 2:
      FieldTextWithInserts(reader, &copy.hostCode, text);
      TextBufTrim(text, ' ');
      if (record != nullptr) CaseModeApply(text->data, record->hostCase);
      if (copy.hostCodeZeroFill != 0 && !text->empty())
        PadCodeWithZeros(text, static_cast<int32_t>(copy.hostCodeZeroFill));
      break;
    default:
      FieldTextWithInserts(reader, &copy.levelOrParent, text);
      break;
  }
}

// --- Commands, importing, saving ----------------------------------------------------------------

void T_DimImportEditor::UpdateCommands() {
  T_FlatEditor::UpdateCommands();
  EnableTaggedCommand(kCommandImportEntry, 0);
}

bool T_DimImportEditor::DoCommand(int32_t command) {
  if (command == kCommandImportEntry) {
    ImportFile(nullptr);
    return true;
  }
  return T_FlatEditor::DoCommand(command);
}

void T_DimImportEditor::ImportFile(const char* path) {
  T_TextBuf chosen;
  if (!ImportPathOrAsk(path, &chosen)) return;
  DimImportSetup used;
  used.database = database;
  used.dimension = dimension;
  DimImportCopy(&used, &copy);
  DimImportCompact(&used);
  if (!ImportIntoDimensionWith(database, dimension, &used, chosen.c_str())) PendingErrorReport();
}

bool T_DimImportEditor::Save() {
  StopPass();
  T_TextBuf title(Title());
  const bool close = DimImportSaveStep(setup, &copy, title.c_str(), this);
  if (!close) {
    RebuildSelector();
    BuildPage();
  }
  return close;
}

bool T_DimImportEditor::QueryClose(int32_t code) {
  if (code != kCloseWithoutSaving && setup != nullptr && !Save()) return false;
  return T_FlatEditor::QueryClose(code);
}

void T_DimImportEditor::Notify(int32_t code) {
  T_FlatEditor::Notify(code);
  if (code == kNotifyLanguage) {
    MakeTitle();
    RefreshFieldColumns();
    BuildPage();
  }
}

void T_DimImportEditor::OnChange(const ChangeNote* note) {
  T_FlatEditor::OnChange(note);
  if (note->database != nullptr && note->database != database) return;
  if (note->index != dimension) return;
  if (note->code == kChangeSingularName || note->code == kChangePluralName) {
    MakeTitle();
  } else if (note->code >= 19 && note->code <= kChangeHostCase) {
    InvalidateGrid();
  }
}

// --- Opening ------------------------------------------------------------------------------------

T_DimImportEditor* OpenDimImportEditor(T_Base* database, int32_t dimension) {
  if (database == nullptr || dimension < 0 || dimension >= kDimensionCount) return nullptr;
  DimImportSetup* setup = DimImportCreate(database, dimension);
  if (setup == nullptr) return nullptr;
  if (auto* open = dynamic_cast<T_DimImportEditor*>(setup->editor)) {
    open->BringToFront();
    return open;
  }
  if (!MemCanAlloc(kEditorReserve)) {
    if (DimImportIsDefault(setup)) DimImportFree(setup);
    return nullptr;
  }
  auto* editor = new (std::nothrow) T_DimImportEditor(database, setup);
  if (editor == nullptr && DimImportIsDefault(setup)) DimImportFree(setup);
  return editor;
}
