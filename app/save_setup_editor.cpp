#include "app/save_setup_editor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/save_extension.h"
#include "core/alert.h"
#include "core/cstring.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/object_services.h"
#include "database/protection.h"
#include "database/save_setups.h"
#include "database/saving.h"
#include "database/stored_object_holders.h"
#include "database/templates.h"
#include "editors/editor_menus.h"
#include "editors/editor_questions.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/dialog_base.h"
#include "ui/draw_primitives.h"
#include "ui/edit_field.h"
#include "ui/item_drawing.h"
#include "ui/native_menu.h"
#include "ui/popup_menu.h"
#include "ui/selection_fields.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kTextSaveSetup = 4300;
constexpr int32_t kTextFormat = 4301;
constexpr int32_t kTextSections = 4302;
constexpr int32_t kTextTemplates = 4303;
constexpr int32_t kTextRearrange = 4304;
constexpr int32_t kTextInstall = 4305;
constexpr int32_t kTextSie = 4306;
constexpr int32_t kTextFileFormat = 4307;
constexpr int32_t kTextSie4 = 4308;
constexpr int32_t kTextCompressed = 4309;
constexpr int32_t kTextCharacters = 4310;
constexpr int32_t kTextAnalysisDefaults = 4311;
constexpr int32_t kTextDefault = 4312;
constexpr int32_t kTextClear = 4313;
constexpr int32_t kTextAccounts = 4314;
constexpr int32_t kTextNameForSetup = 4315;
constexpr int32_t kTextNormal = 4000;  // 4001 "Browser", 4002 "Text"
constexpr int32_t kTextDimensions = 2525;
constexpr int32_t kTextCards = 2547;
constexpr int32_t kTextGroups = 4025;
constexpr int32_t kTextLines = 2548;
constexpr int32_t kTextComponents = 3301;
constexpr int32_t kTextCompanyName = 4323;  // 4324..4326 the other SIE texts
constexpr int32_t kTextRegistrationDates = 4327;
constexpr int32_t kTextOwnCodes = 4328;
constexpr int32_t kTextModeAll = 4335;  // 4336..4338 active, in use, none
constexpr int32_t kTextSieDimension = 4339;
constexpr int32_t kTextReserved = 4340;
constexpr int32_t kTextFree = 4341;
constexpr int32_t kTextTemplateLines = 4342;
constexpr int32_t kTextSelection = 4343;
constexpr int32_t kTextTemplateFilter = 4344;
constexpr int32_t kTextOpenTemplates = 4345;
constexpr int32_t kTextNumbering = 4346;
constexpr int32_t kTextCodesInCards = 4347;
constexpr int32_t kTextDimFirst = 3000;                     // "Dim 1" .. "Dim 32"
constexpr int32_t kTextCodeLabels[3] = {3400, 3402, 3401};  // QEB-Code, Host Code, Text
constexpr int32_t kTextSaveAs = 205;
constexpr int32_t kTextRemove = 716;
constexpr int32_t kWarnPasswordInText = 4012;
constexpr int32_t kAskSaveAsIs = 4013;
constexpr int32_t kButtonSave = 709;
constexpr int32_t kCommandNewSaveSetup = 2505;
constexpr int32_t kCommandDeleteSaveSetup = 2506;
// The "Cards" page: the rows of from, to, card title, line text and notes, then the value rows
// and the subset.
constexpr int32_t kFieldsTop = 7;
constexpr int32_t kValuesTop = kFieldsTop + 5 * 17;
constexpr int32_t kChangeSaveSetupDeleted = kChangeSaveSetupRenamed + 3;
constexpr int32_t kPictureDatabase = 1000;

constexpr int32_t kWidth = 424;
constexpr int32_t kTabLeft = 15;
constexpr int32_t kTabTop = 27;
constexpr int32_t kTabWidth = 394;
constexpr int32_t kBelowTab = 77;
constexpr int32_t kRowPitch = 18;

// The SIE dimension names by number; other numbers below 20 are reserved, 20 to 50 free.
constexpr struct {
  int32_t number;
  const char* name;
} kSieNames[] = {{1, "Kostnadsst\xC3\xA4lle"},
                 {2, "Kostnadsb\xC3\xA4rare"},
                 {6, "Projekt"},
                 {7, "Anst\xC3\xA4lld"},
                 {8, "Kund"},
                 {9, "Leverant\xC3\xB6r"},
                 {10, "Faktura"}};
constexpr const char* kAccountDimension = "Konto";

const RECT* KeepRect(const RECT& rect) { return &rect; }

uint32_t IdOf(const T_GrafElement* element) {
  auto* item = dynamic_cast<const T_Item*>(element);
  return item ? item->id : 0;
}

// The highest dimension in use + 1; 1 when none is.
int32_t DimensionRows(T_Base* base) {
  for (int32_t d = kDimensionCount - 1; d >= 1; --d) {
    if (base->IsDimUsed(d)) return d + 1;
  }
  return 1;
}

// Record texts never hold a TAB or a line end: each would break the record's line.
void BlankRecordText(T_TextBuf* text) {
  for (int32_t i = 0; i < text->length; ++i) {
    char& c = text->data[i];
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
}

T_Text* NewLabel(T_EventHandler* parent, const XYWH& rect, int32_t textId) {
  auto* text = new T_Text(parent, rect, false);
  text->SetTextId(textId);
  EventHandler_Open(text);
  return text;
}

T_Chooser* NewChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id, int64_t count,
                      int64_t current) {
  return new T_Chooser(parent, rect, id, count, current, true);
}

int32_t FormatEntryOfKind(int32_t kind) {
  return kind == kSaveKindBrowser ? 1 : kind == kSaveKindText ? 2 : kind == kSaveKindSie ? 3 : 0;
}

// Nobody there to answer means Cancel.
int32_t Ask(T_Window* owner, int32_t message, const char* text,
            std::initializer_list<int32_t> buttons) {
  int32_t cancelIndex = 0, index = 0;
  for (int32_t b : buttons) {
    if (b == kButtonCancel) cancelIndex = index;
    ++index;
  }
  return AskEditorQuestion(owner, message, text, buttons, cancelIndex);
}

}  // namespace

// --- Pure helpers --------------------------------------------------------------------------------

int32_t SieNumberOfEntry(int32_t entry) {
  if (entry == 0) return 0;
  if (entry == 2) return -1;
  if (entry >= 4 && entry <= 22) return entry - 3;
  if (entry >= 24 && entry <= 54) return entry - 4;
  return -2;
}

int32_t SieEntryOfNumber(int32_t number) {
  if (number == -1) return 2;
  if (number >= 1 && number <= 19) return number + 3;
  if (number >= 20 && number <= 50) return number + 4;
  return 0;
}

void SieEntryText(int32_t entry, T_TextBuf* text) {
  const int32_t number = SieNumberOfEntry(entry);
  TextBufAssign(text, "");
  if (number == -2) return;
  if (number == 0) {
    TextBufAssign(text, "-");
    return;
  }
  if (number == -1) {
    TextBufAssign(text, kAccountDimension);
    return;
  }
  char head[8];
  std::snprintf(head, sizeof head, "%d ", number);
  TextBufAssign(text, head);
  for (const auto& sie : kSieNames) {
    if (sie.number != number) continue;
    TextBufAppend(text, sie.name);
    return;
  }
  TextBufAppendChar(text, '-');
  TextBufAppend(text, GetString(number < 20 ? kTextReserved : kTextFree));
  TextBufAppendChar(text, '-');
}

int32_t SaveSetupEditorHeight(int32_t n, int32_t r, int32_t workHeight) {
  int32_t h = std::max({18 * n + 45, 222, 17 * n + 63, 17 * (r + 9)}) + kBelowTab;
  return workHeight > 21 ? std::min(h, workHeight - 21) : h;
}

// --- T_SaveSetupTab ------------------------------------------------------------------------------

T_SaveSetupTab::T_SaveSetupTab(T_SaveSetupEditor* owner, const XYWH& rect)
    : T_Tab(owner, rect, kSaveSetupTabId, kSaveSetupPageCount, kPageFormat, false), editor(owner) {}

void T_SaveSetupTab::DrawContent() {
  T_Tab::DrawContent();
  if (!showsFields || !editor->database) return;
  // The selection fields carry no titles of their own: their names stand left of them.
  T_TextBuf name;
  uint16_t old = TextSetAlign(kStyleRight);
  auto label = [&](T_GrafElement* field, int32_t code) {
    auto* item = dynamic_cast<T_Item*>(field);
    if (!item || !item->visible) return;
    editor->database->GetFieldName(&name, code);
    const int32_t room = code <= kMaxDimensions ? 70 : 60;
    RECT rect{item->x - room, item->y, item->x - 6, item->y + 12};
    TextDrawInRectIfAny(&rect, name.c_str());
  };
  const SelectionHeader& h = editor->header;
  for (int32_t d = 0; d < kMaxDimensions; ++d) label(h.dimensionFields[d], 1 + d);
  label(h.fromField, kHeaderFrom);
  label(h.toField, kHeaderTo);
  label(h.cardTitleField, kHeaderCardTitle);
  label(h.lineTextField, kHeaderLineText);
  label(h.notesField, kHeaderNotes);
  label(h.subsetField, kHeaderSubset);
  TextSetAlign(old);
}

// --- T_EditTmplFilter ----------------------------------------------------------------------------

T_EditTmplFilter::T_EditTmplFilter(T_EventHandler* parent, const XYWH& rect, T_Base* base)
    : T_EditTxVal(parent, rect, kTemplateFilterId), database(base) {}

namespace {

// The database's templates in tree order, folders included; the root itself is not listed.
T_Template* TemplateAt(T_Base* base, int64_t index) {
  T_Template* root = base ? base->rootTemplate : nullptr;
  if (!root || index < 0) return nullptr;
  T_Template* node = root->NextBelow(root);
  for (int64_t i = 0; node && i < index; ++i) node = node->NextBelow(root);
  return node;
}

int64_t CountTemplatesBelowRoot(T_Base* base) {
  T_Template* root = base ? base->rootTemplate : nullptr;
  int64_t n = 0;
  for (T_Template* node = root ? root->NextBelow(root) : nullptr; node;
       node = node->NextBelow(root))
    ++n;
  return n;
}

}  // namespace

void T_EditTmplFilter::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != 0) {
    T_EditTxVal::ContextMenu(record, phase);
    return;
  }
  T_Template* templ = phase == kMenuPhaseList ? nullptr : TemplateAt(database, record->entry);
  T_TextBuf path;
  if (templ) templ->GetPath(&path);
  switch (phase) {
    case kMenuPhaseList:
      record->commands.list = nullptr;
      record->entry = CountTemplatesBelowRoot(database);
      break;
    case kMenuPhaseMeasure:
      record->width = TextWidth(path.c_str()) + 24;
      break;
    case kMenuPhaseDraw: {
      RECT at = record->rect;
      at.left += 12;
      TextDrawLine(&at, path.c_str(), nullptr);
      break;
    }
    case kMenuPhaseRun:
      if (!path.empty()) InsertText(path.c_str());
      break;
    default:
      break;
  }
}

// --- T_DimMappingFrame ---------------------------------------------------------------------------

T_DimMappingFrame::T_DimMappingFrame(T_EventHandler* parent, const XYWH& rect, T_Base* base,
                                     int32_t rowCount, int32_t* values)
    : T_Frame(parent, rect, kDimMappingFrameId, false),
      database(base),
      rows(rowCount),
      numbering(values) {
  SetTitleId(kTextNumbering);
  ResetUnusedRows();
  for (int32_t d = 1; d < rows && d < kDimensionCount; ++d) {
    int32_t shown = numbering[d] == 0 ? d : numbering[d];
    auto* chooser =
        new T_Chooser(this, XYWH{4, 20 + (d - 1) * kRowPitch, 150, 15}, static_cast<uint32_t>(d),
                      kDimensionCount + 1, shown < 0 ? 0 : shown + 1, false);
    chooser->SetTitleId(kTextDimFirst + d);
    chooser->SetTitleWidth(57);
    Item_SetEnabled(chooser, base->IsDimUsed(d));
    EventHandler_Open(chooser);
    choosers[d] = chooser;
  }
  SetScrollable(true);
  EventHandler_Open(this);
}

void T_DimMappingFrame::ResetUnusedRows() {
  for (int32_t d = 1; d < kDimensionCount; ++d) {
    if (d >= rows || !database->IsDimUsed(d)) numbering[d] = 0;
  }
}

void T_DimMappingFrame::DrawContent() {
  T_Frame::DrawContent();
  // The first row cannot change: dimension 1 keys the groups.
  RECT label{4, 3, 61, 15};
  TextDrawIdInRect(&label, kTextDimFirst);
  RECT name{64, 3, content.right, 15};
  TextDrawInRectIfAny(&name, database->GetDimPlural(0));
}

void T_DimMappingFrame::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  const int32_t d = static_cast<int32_t>(IdOf(chooser));
  if (d < 1 || d >= kDimensionCount || choosers[d] != chooser) {
    T_Frame::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    if (record->index == 0) {
      ChooserEvent_SetText(record, "-");
    } else {
      const int32_t other = static_cast<int32_t>(record->index - 1);
      ChooserEvent_SetText(record, database->GetDimPlural(other));
      record->enabled = database->IsDimUsed(other);
    }
    return;
  }
  if (record->index == 0) {
    numbering[d] = database->IsDimUsed(d) ? -1 : 0;
  } else {
    const int32_t other = static_cast<int32_t>(record->index - 1);
    numbering[d] = other == d ? 0 : other;
  }
}

void T_DimMappingFrame::OnChange(const ChangeNote* note) {
  T_Frame::OnChange(note);
  if (note->database != database) return;
  if (note->code == kChangeDimensionUsed || note->code == kChangePluralName) {
    ResetUnusedRows();
    for (int32_t d = 1; d < kDimensionCount; ++d) {
      if (choosers[d]) Item_SetEnabled(choosers[d], database->IsDimUsed(d));
    }
    GrafElement_Invalidate(this, kPaintChildren);
  }
}

// --- T_DimLinkFrame ------------------------------------------------------------------------------

T_DimLinkFrame::T_DimLinkFrame(T_EventHandler* parent, const XYWH& rect, T_Base* base,
                               int32_t rowCount, int32_t* values)
    : T_Frame(parent, rect, kDimLinkFrameId, false),
      database(base),
      rows(rowCount),
      styles(values) {
  SetTitleId(kTextCodesInCards);
  for (int32_t d = 0; d < rows && d < kDimensionCount; ++d) {
    int32_t style = styles[d] >= 0 && styles[d] <= 2 ? styles[d] : 0;
    auto* chooser = new T_Chooser(this, XYWH{4, 3 + d * kRowPitch, 170, 15},
                                  static_cast<uint32_t>(d), 3, style, false);
    chooser->SetTitleCopy(base->GetDimPlural(d));
    chooser->SetTitleWidth(65);
    Item_SetEnabled(chooser, base->HasSubComponents(d));
    EventHandler_Open(chooser);
    choosers[d] = chooser;
  }
  SetScrollable(true);
  EventHandler_Open(this);
}

void T_DimLinkFrame::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  const int32_t d = static_cast<int32_t>(IdOf(chooser));
  if (d < 0 || d >= kDimensionCount || choosers[d] != chooser) {
    T_Frame::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    ChooserEvent_SetText(record, GetString(kTextCodeLabels[record->index % 3]));
  } else {
    styles[d] = static_cast<int32_t>(record->index);
  }
}

void T_DimLinkFrame::OnChange(const ChangeNote* note) {
  T_Frame::OnChange(note);
  if (note->database != database) return;
  if (note->code == kChangeDimensionUsed || note->code == kChangePluralName) {
    for (int32_t d = 0; d < kDimensionCount; ++d) {
      if (!choosers[d]) continue;
      choosers[d]->SetTitleCopy(database->GetDimPlural(d));
      Item_SetEnabled(choosers[d], database->HasSubComponents(d));
    }
  }
}

// --- T_SaveSetupEditor ---------------------------------------------------------------------------

T_SaveSetupEditor::T_SaveSetupEditor(T_Base* base, SaveSetup* edited)
    : T_HWindow(kKindDocument, kWindowSaveSetup, KeepRect(RECT{0, 0, kWidth, 300}),
                kPictureDatabase, base, 0),
      setup(edited) {
  SaveOptionsInit(&options, base);
  if (setup) {
    SaveOptionsCopy(&options, &setup->options);
    TextBufAssign(&name, setup->name ? setup->name : "");
  } else {
    SaveOptionsFromBase(&options, base);
  }
  Selection_init(&selection, base, this, nullptr);
  if (options.filter) Selection_setFromDef(&selection, options.filter);
  TextBufAssignBuf(&path, base->path);
  Retitle();
  Resize();
  tab = new T_SaveSetupTab(this, XYWH{kTabLeft, kTabTop, kTabWidth, height - kBelowTab - kTabTop});
  saveAs = new T_Button(this, XYWH{270, height - 34, 110, 20}, kSaveAsId);
  saveAs->SetTitleId(kTextSaveAs);
  saveAs->SetTrailingDots(true);
  EventHandler_Open(tab);
  EventHandler_Open(this);
}

T_SaveSetupEditor::~T_SaveSetupEditor() {
  DeletePageItems();
  Selection_free(&selection);
  SaveOptionsFree(&options);
}

T_GrafElement* T_SaveSetupEditor::Keep(T_GrafElement* item) {
  if (item && pageItemCount < static_cast<int32_t>(std::size(pageItems)))
    pageItems[pageItemCount++] = item;
  return item;
}

void T_SaveSetupEditor::DeletePageItems() {
  // A name typed but not yet installed stays for the question on closing.
  if (nameEdit) TakeName();
  if (header.headerParent) DeleteSelectionEdits();
  if (tab) tab->showsFields = 0;
  for (int32_t i = pageItemCount - 1; i >= 0; --i) delete pageItems[i];
  pageItemCount = 0;
  for (auto& c : componentChoosers) c = nullptr;
  for (auto& c : sieChoosers) c = nullptr;
  nameEdit = nullptr;
  installButton = nullptr;
  removeButton = nullptr;
}

void T_SaveSetupEditor::Retitle() {
  if (setup && setup->name) {
    SetTitleCopy(setup->name);
  } else {
    SetTitleId(kTextSaveSetup);
  }
}

void T_SaveSetupEditor::Resize() {
  RECT work{0, 0, 0, 0};
  GetMaxRect(&work);
  int32_t h = SaveSetupEditorHeight(DimensionRows(database), headerRows, work.bottom - work.top);
  if (h == height) return;
  MoveToRect(x, y, width, h);
}

void T_SaveSetupEditor::OnResized(int32_t dw, int32_t dh) {
  T_HWindow::OnResized(dw, dh);
  if (tab) tab->MoveToRect(tab->x, tab->y, tab->width, height - kBelowTab - kTabTop);
  if (saveAs) saveAs->MoveToRect(saveAs->x, height - 34, saveAs->width, saveAs->height);
}

void T_SaveSetupEditor::OnHeaderResized() {
  int32_t rows = header.valueRowCount + 8;
  if (rows > headerRows) {
    headerRows = rows;
    Resize();
  }
}

uint8_t* T_SaveSetupEditor::FlagOf(uint32_t id) {
  if (id == kCompressedId) return &options.compressed;
  if (id >= kFirstSectionId && id < kFirstSectionId + kSectionCount)
    return &options.sections[id - kFirstSectionId];
  if (id == kRegistrationDatesId) return &options.sieFlags[kSieRegistrationDates];
  if (id == kOwnCodesId) return &options.sieFlags[kSieOwnCodes];
  if (id >= kSieAccountsId && id < kSieAccountsId + 3)
    return &options.sieFlags[kSieAccounts + (id - kSieAccountsId)];
  if (id == kTemplateLinesId) return &options.templateLinesOnly;
  if (id == kOpenTemplatesId) return &options.openTemplatesOnly;
  return nullptr;
}

char** T_SaveSetupEditor::SieTextOf(uint32_t id) {
  switch (id) {
    case kFirstSieTextId:
      return &options.sieCompanyName;
    case kFirstSieTextId + 1:
      return &options.sieOrganisationNumber;
    case kFirstSieTextId + 2:
      return &options.sieVoucherSeries;
    case kFirstSieTextId + 3:
      return &options.sieRemark;
    default:
      return nullptr;
  }
}

void T_SaveSetupEditor::ShowPage(int32_t page) {
  DeletePageItems();
  currentPage = page;
  const bool sie = options.kind == kSaveKindSie;
  auto checkbox = [&](T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t textId) {
    uint8_t* flag = FlagOf(id);
    return Keep(Dialog_AddCheckbox(parent, rect, id, textId, flag && *flag));
  };
  switch (page) {
    case kPageFormat: {
      Keep(NewChooser(tab, XYWH{11, 9, 160, 15}, kFormatChooserId, 4,
                      FormatEntryOfKind(options.kind)));
      static_cast<T_Chooser*>(pageItems[0])->SetTitleId(kTextFileFormat);
      if (options.kind == kSaveKindContainer || options.kind == kSaveKindBrowser)
        checkbox(tab, XYWH{11, 29, 110, 14}, kCompressedId, kTextCompressed);
      break;
    }
    case kPageSections:
      if (sie) {
        for (int32_t i = 0; i < 4; ++i) {
          Keep(NewLabel(tab, XYWH{11, 12 + 21 * i, 85, 14}, kTextCompanyName + i));
          auto* edit =
              new T_Edit(tab, XYWH{100, 12 + 21 * i, 120, 14}, kFirstSieTextId + i, true, false);
          char** text = SieTextOf(kFirstSieTextId + i);
          edit->SetText(*text ? *text : "");
          EventHandler_Open(edit);
          Keep(edit);
        }
        checkbox(tab, XYWH{11, 120, 350, 14}, kRegistrationDatesId, kTextRegistrationDates);
        checkbox(tab, XYWH{11, 137, 350, 14}, kOwnCodesId, kTextOwnCodes);
        T_Frame* frame = Dialog_AddFrame(tab, XYWH{254, 20, 110, 64}, 0, kTextSections);
        Keep(frame);
        const int32_t labels[3] = {kTextAccounts, kTextDimensions, kTextCards};
        for (int32_t i = 0; i < 3; ++i)
          Dialog_AddCheckbox(frame, XYWH{6, 4 + 19 * i, 96, 14}, kSieAccountsId + i, labels[i],
                             *FlagOf(kSieAccountsId + i) != 0);
      } else {
        static constexpr int32_t kLabels[kSectionCount] = {kTextCharacters,
                                                           2507,
                                                           2508,
                                                           2543,
                                                           4511,
                                                           4512,
                                                           4513,
                                                           4514,
                                                           kTextDimensions,
                                                           kTextCards,
                                                           2533,
                                                           4031,
                                                           kTextAnalysisDefaults};
        for (int32_t i = 0; i < kSectionCount; ++i) {
          const int32_t column = i < 8 ? 0 : 1;
          const int32_t row = i < 8 ? i : i - 8;
          checkbox(tab, XYWH{column ? 180 : 11, 7 + 17 * row, 150, 14}, kFirstSectionId + i,
                   kLabels[i]);
        }
        for (uint32_t id : {kDefaultSectionsId, kClearSectionsId}) {
          // Near the page's bottom: the page is shorter than the window's minimum height suggests.
          const int32_t top = std::min(164, tab->height - 52);
          auto* button =
              new T_Button(tab, XYWH{270, id == kDefaultSectionsId ? top : top + 28, 85, 20}, id);
          button->SetTitleId(id == kDefaultSectionsId ? kTextDefault : kTextClear);
          Keep(button);
        }
      }
      break;
    case kPageDimensions: {
      Keep(NewLabel(tab, XYWH{70, 5, 85, 14}, kTextComponents));
      if (sie) Keep(NewLabel(tab, XYWH{160, 5, 120, 14}, kTextSieDimension));
      const int32_t rows = DimensionRows(database);
      for (int32_t d = 0; d < rows; ++d) {
        const bool used = database->IsDimUsed(d);
        int32_t mode = SaveOptionsDimMode(&options, d);
        auto* chooser = NewChooser(tab, XYWH{10, 20 + kRowPitch * d, 140, 15},
                                   kFirstComponentChooserId + d, 4, std::clamp(mode, 0, 3));
        chooser->SetTitleCopy(database->GetDimPlural(d));
        chooser->SetTitleWidth(60);
        Item_SetEnabled(chooser, used);
        componentChoosers[d] = chooser;
        Keep(chooser);
        if (!sie) continue;
        auto* number =
            NewChooser(tab, XYWH{160, 20 + kRowPitch * d, 120, 15}, kFirstSieChooserId + d,
                       kSieChooserEntries, SieEntryOfNumber(options.sieDimensionNumbers[d]));
        Item_SetEnabled(number, used);
        sieChoosers[d] = number;
        Keep(number);
      }
      break;
    }
    case kPageCards: {
      header.headerParent = tab;
      CreateDimensionEdits(XYWH{75, 3, 105, 12});
      int32_t bottom = 3 + kHeaderRowPitch * DimensionRows(database);
      CreateFromToEdits(XYWH{255, 3, 120, 12}, kHeaderFrom);
      CreateCardTitleEdit(XYWH{255, 41, 120, 12}, kHeaderCardTitle);
      CreateLineTextEdit(XYWH{255, 58, 120, 12}, kHeaderLineText);
      CreateNotesEdit(XYWH{255, kFieldsTop + 4 * kHeaderRowPitch, 120, 12}, kHeaderNotes);
      CreateValueEdits(XYWH{255, kValuesTop, 120, 12}, kHeaderValueFirst);
      CreateSubsetEdit(XYWH{255, kValuesTop + kHeaderRowPitch, 120, 12}, kHeaderSubset);
      ShowSelection(&selection);
      tab->showsFields = 1;
      bottom = std::max(bottom, kValuesTop + kHeaderRowPitch * header.valueRowCount + 12) + 10;
      auto* level = NewChooser(tab, XYWH{10, bottom, 170, 15}, kSelectionLevelId, 3,
                               std::clamp(options.selectionLevel, 0, 2));
      level->SetTitleId(kTextSelection);
      Keep(level);
      if (!sie) checkbox(tab, XYWH{192, bottom, 190, 14}, kTemplateLinesId, kTextTemplateLines);
      break;
    }
    case kPageTemplates: {
      Keep(NewLabel(tab, XYWH{11, 12, 130, 14}, kTextTemplateFilter));
      auto* filter = new T_EditTmplFilter(tab, XYWH{146, 12, 200, 14}, database);
      filter->SetText(options.templateNameFilter ? options.templateNameFilter : "");
      EventHandler_Open(filter);
      Keep(filter);
      checkbox(tab, XYWH{11, 48, 240, 14}, kOpenTemplatesId, kTextOpenTemplates);
      break;
    }
    case kPageRearrange: {
      const int32_t rows = DimensionRows(database);
      const int32_t most = tab->height - 24;
      Keep(new T_DimMappingFrame(tab, XYWH{10, 16, 158, std::min(20 + 18 * (rows - 1) + 24, most)},
                                 database, rows, options.dimensionNumbering));
      const int32_t linkRows = std::min(rows + 1, kDimensionCount);
      Keep(new T_DimLinkFrame(tab, XYWH{205, 16, 180, std::min(18 * linkRows + 8, most)}, database,
                              linkRows, options.cardReferenceStyles));
      break;
    }
    case kPageInstall: {
      Keep(NewLabel(tab, XYWH{11, 12, 130, 14}, kTextNameForSetup));
      nameEdit = new T_Edit(tab, XYWH{146, 12, 210, 14}, kNameEditId, true, false);
      nameEdit->SetText(name.c_str());
      EventHandler_Open(nameEdit);
      Keep(nameEdit);
      nameEdited = 0;
      installButton = new T_Button(tab, XYWH{260, 44, 100, 20}, kInstallId);
      installButton->SetTitleId(kTextInstall);
      Keep(installButton);
      removeButton = new T_Button(tab, XYWH{260, 72, 100, 20}, kRemoveId);
      removeButton->SetTitleId(kTextRemove);
      Keep(removeButton);
      Item_SetEnabled(installButton, !name.empty());
      Item_SetEnabled(removeButton, setup != nullptr);
      break;
    }
    default:
      break;
  }
  GrafElement_Invalidate(tab, kPaintChildren);
}

void T_SaveSetupEditor::OnTabEvent(T_GrafElement* tabs, int32_t code) {
  auto* strip = dynamic_cast<T_Tab*>(tabs);
  if (!strip || IdOf(tabs) != kSaveSetupTabId || !strip->event) {
    T_HWindow::OnTabEvent(tabs, code);
    return;
  }
  TabEvent* record = strip->event;
  const bool sie = options.kind == kSaveKindSie;
  if (code == kTabDescribe) {
    static constexpr int32_t kTitles[kSaveSetupPageCount] = {
        kTextFormat,    kTextSections,  kTextDimensions, kTextCards,
        kTextTemplates, kTextRearrange, kTextInstall};
    int32_t title = kTitles[record->page];
    if (record->page == kPageSections && sie) title = kTextSie;
    record->text = GetString(title);
    if (sie && (record->page == kPageTemplates || record->page == kPageRearrange))
      record->enabled = 0;
  } else if (code == kTabChanged) {
    if (!tab) tab = static_cast<T_SaveSetupTab*>(strip);
    ShowPage(record->page);
  }
}

void T_SaveSetupEditor::SetKind(int32_t kind) {
  if (kind == options.kind) return;
  options.kind = kind;
  // The tab titles and the pages that depend on the kind follow.
  Tab_Layout(tab, true);
  ShowPage(currentPage);
}

void T_SaveSetupEditor::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  const uint32_t id = IdOf(chooser);
  const int64_t i = record->index;
  if (record->code == kChooserDescribe) {
    if (id == kFormatChooserId) {
      ChooserEvent_SetText(record,
                           GetString(i < 3 ? kTextNormal + static_cast<int32_t>(i) : kTextSie4));
    } else if (id >= kFirstComponentChooserId && id < kFirstComponentChooserId + kDimensionCount) {
      ChooserEvent_SetText(record, GetString(kTextModeAll + static_cast<int32_t>(i)));
    } else if (id >= kFirstSieChooserId && id < kFirstSieChooserId + kDimensionCount) {
      T_TextBuf text;
      SieEntryText(static_cast<int32_t>(i), &text);
      if (!text.empty()) ChooserEvent_SetText(record, text.c_str());
    } else if (id == kSelectionLevelId) {
      static constexpr int32_t kLevels[3] = {kTextCards, kTextGroups, kTextLines};
      ChooserEvent_SetText(record, GetString(kLevels[i % 3]));
    } else {
      T_HWindow::OnChooserEvent(chooser, record);
    }
    return;
  }
  if (id == kFormatChooserId) {
    static constexpr int32_t kKinds[4] = {kSaveKindContainer, kSaveKindBrowser, kSaveKindText,
                                          kSaveKindSie};
    SetKind(kKinds[i % 4]);
  } else if (id >= kFirstComponentChooserId && id < kFirstComponentChooserId + kDimensionCount) {
    const int32_t d = static_cast<int32_t>(id - kFirstComponentChooserId);
    (options.kind == kSaveKindSie ? options.sieComponentModes : options.dimensionModes)[d] =
        static_cast<int32_t>(i);
  } else if (id >= kFirstSieChooserId && id < kFirstSieChooserId + kDimensionCount) {
    const int32_t number = SieNumberOfEntry(static_cast<int32_t>(i));
    if (number != -2) options.sieDimensionNumbers[id - kFirstSieChooserId] = number;
  } else if (id == kSelectionLevelId) {
    options.selectionLevel = static_cast<int32_t>(i);
  } else {
    T_HWindow::OnChooserEvent(chooser, record);
  }
}

void T_SaveSetupEditor::OnCheckbox(T_GrafElement* element) {
  auto* box = dynamic_cast<T_Checkbox*>(element);
  uint8_t* flag = box ? FlagOf(IdOf(element)) : nullptr;
  if (!flag) {
    T_HWindow::OnCheckbox(element);
    return;
  }
  *flag = box->checked ? 1 : 0;
}

void T_SaveSetupEditor::OnEditEvent(T_GrafElement* field, int32_t code) {
  if (field == nameEdit && nameEdit && installButton && code == kEditChanged) {
    nameEdited = 1;
    Item_SetEnabled(installButton, nameEdit->GetTextLength() > 0);
  }
  T_HWindow::OnEditEvent(field, code);
}

void T_SaveSetupEditor::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  const uint32_t id = IdOf(field);
  if (char** sieText = SieTextOf(id); sieText && field->parent == tab) {
    BlankRecordText(text);
    TextBufTrim(text, ' ');
    BlockTextAssign(sieText, text->empty() ? nullptr : text->c_str());
  } else if (field == nameEdit) {
    BlankRecordText(text);
    TextBufTrim(text, ' ');
  } else if (id == kTemplateFilterId && field->parent == tab) {
    BlankRecordText(text);
    BlockTextAssign(&options.templateNameFilter, text->empty() ? nullptr : text->c_str());
  } else {
    T_HWindow::OnEditText(text, field);
  }
}

void T_SaveSetupEditor::TakeFilter() {
  if (options.filter) SelectionDef_fromSelection(options.filter, &selection);
  // Texts typed or inserted without a commit count as well.
  for (int32_t i = 0; i < pageItemCount; ++i) {
    auto* edit = dynamic_cast<T_Edit*>(pageItems[i]);
    if (!edit || edit == nameEdit) continue;
    T_TextBuf text;
    edit->GetText(&text);
    OnEditText(&text, edit);
  }
}

void T_SaveSetupEditor::TakeName() {
  if (!nameEdit) return;
  nameEdit->CommitEdit();
  nameEdit->GetText(&name);
  BlankRecordText(&name);
  TextBufTrim(&name, ' ');
}

void T_SaveSetupEditor::Install() {
  TakeName();
  TakeFilter();
  if (setup) {
    if (!StrEqual(name.c_str(), setup->name ? setup->name : "")) {
      MakeSaveSetupNameUnique(database, setup, &name);
      SaveSetupRename(setup, name.c_str());
    }
  } else {
    MakeSaveSetupNameUnique(database, nullptr, &name);
    setup = SaveSetupCreate(database, name.c_str());
    if (!setup) {
      PendingErrorReport();
      return;
    }
  }
  if (!SaveSetupSetOptions(setup, &options)) PendingErrorReport();
  database->SetModified(true);
  if (nameEdit) nameEdit->SetText(name.c_str());
  if (removeButton) Item_SetEnabled(removeButton, true);
  Retitle();
}

void T_SaveSetupEditor::Remove() {
  if (!setup) return;
  SaveSetup* gone = setup;
  setup = nullptr;
  SaveSetupDelete(gone);
  database->SetModified(true);
  TextBufAssign(&name, "");
  if (nameEdit) nameEdit->Clear();
  if (installButton) Item_SetEnabled(installButton, false);
  if (removeButton) Item_SetEnabled(removeButton, false);
  Retitle();
}

bool T_SaveSetupEditor::SaveAs() {
  if (PathFindExtensionPtr(path.c_str())[0] == 0) EnsureSaveExtension(&path, options.kind);
  if (options.kind == kSaveKindText && IsProtected(database->protection)) {
    // 4012 tells, 4013 asks: the question follows the warning in one box.
    if (options.sections[kSectionProtection] &&
        Ask(this, kWarnPasswordInText, GetString(kAskSaveAsIs), {kButtonSave, kButtonCancel}) !=
            kButtonSave)
      return false;
    if (!AskPasswordToSaveText(database->protection)) return false;
  }
  TakeFilter();
  if (!FileSaveDialog(&path, kFileKindQeb | kFileKindQex | kFileKindTxt)) return false;
  if (AbortRequested()) return false;
  EnsureSaveExtension(&path, options.kind);
  if (!SaveDatabaseTo(database, path.c_str(), &options)) {
    PendingErrorReport();
    return false;
  }
  return true;
}

void T_SaveSetupEditor::DeleteSetup() {
  if (!setup) return;
  if (Ask(this, kAskDelete, Title(), {kButtonDelete, kButtonCancel}) != kButtonDelete) return;
  SaveSetup* doomed = setup;
  T_Base* base = database;
  if (!EventHandler_RequestClose(this, kCloseSilently)) return;
  // The window is on its way out; the setup goes unless someone deleted it meanwhile.
  for (SaveSetup* s = base->saveSetups; s; s = s->next) {
    if (s != doomed) continue;
    SaveSetupDelete(doomed);
    base->SetModified(true);
    break;
  }
  setup = nullptr;
}

bool T_SaveSetupEditor::QueryClose(int32_t mode) {
  if (mode != kCloseSilently) {
    TakeFilter();
    TakeName();
    const bool typed = !name.empty();
    T_TextBuf asked;
    if (setup) {
      asked = T_TextBuf(Title());
    } else {
      asked = typed ? name : T_TextBuf(Title());
    }
    MakeSaveSetupNameUnique(database, setup, &name);
    bool nameChanged = false;
    bool optionsChanged = false;
    if (setup) {
      nameChanged = typed && !StrEqual(name.c_str(), setup->name ? setup->name : "");
      optionsChanged = !SaveOptionsEqual(&options, &setup->options);
    } else {
      SaveOptions defaults;
      SaveOptionsInit(&defaults, database);
      SaveOptionsFromBase(&defaults, database);
      optionsChanged = typed && !SaveOptionsEqual(&options, &defaults);
      SaveOptionsFree(&defaults);
    }
    if (nameChanged || optionsChanged) {
      int32_t answer =
          setup ? Ask(this, kAskChange, asked.c_str(),
                      {kButtonChange, kButtonCancel, kButtonDontChange, kButtonAdd})
                : Ask(this, kAskAdd, asked.c_str(), {kButtonAdd, kButtonCancel, kButtonDontAdd});
      if (answer == kButtonCancel) return false;
      if (answer == kButtonChange || answer == kButtonAdd) {
        if (answer == kButtonAdd && setup) {
          // A further setup beside the edited one, under a name of its own.
          setup = nullptr;
          MakeSaveSetupNameUnique(database, nullptr, &name);
          nameChanged = optionsChanged = true;
        }
        if (!setup) {
          setup = SaveSetupCreate(database, name.c_str());
          optionsChanged = true;
        } else if (nameChanged) {
          SaveSetupRename(setup, name.c_str());
        }
        if (setup && optionsChanged) SaveSetupSetOptions(setup, &options);
        database->SetModified(true);
      }
    }
  }
  return T_HWindow::QueryClose(mode);
}

void T_SaveSetupEditor::OnButton(T_GrafElement* button) {
  switch (IdOf(button)) {
    case kInstallId:
      Install();
      return;
    case kRemoveId:
      Remove();
      return;
    case kSaveAsId:
      SaveAs();
      return;
    case kDefaultSectionsId:
    case kClearSectionsId: {
      if (IdOf(button) == kClearSectionsId) {
        SaveOptionsClearSections(&options);
      } else {
        SaveOptions defaults;
        SaveOptionsInit(&defaults, database);
        SaveOptionsFromBase(&defaults, database);
        SaveOptionsCopySections(&options, &defaults);
        SaveOptionsFree(&defaults);
      }
      for (int32_t i = 0; i < pageItemCount; ++i) {
        auto* box = dynamic_cast<T_Checkbox*>(pageItems[i]);
        if (uint8_t* flag = box ? FlagOf(box->id) : nullptr) box->SetChecked(*flag != 0);
      }
      return;
    }
    default:
      T_HWindow::OnButton(button);
  }
}

void T_SaveSetupEditor::UpdateCommands() {
  T_HWindow::UpdateCommands();
  if (setup) EnableTaggedCommand(kCommandDeleteSaveSetup, 0);
}

bool T_SaveSetupEditor::DoCommand(int32_t command) {
  if (command == kCommandDeleteSaveSetup && setup) {
    DeleteSetup();
    return true;
  }
  return T_HWindow::DoCommand(command);
}

void T_SaveSetupEditor::OnChange(const ChangeNote* note) {
  T_HWindow::OnChange(note);
  if (!note || note->database != database) return;
  switch (note->code) {
    case kChangeSaveSetupDeleted:
      if (note->object == setup) {
        setup = nullptr;
        if (removeButton) Item_SetEnabled(removeButton, false);
      }
      break;
    case kChangeReferenceDate:
      Selection_onChange(&selection, note);
      break;
    case kChangeDimensionUsed:
    case kChangePluralName:
      if (currentPage == kPageDimensions) ShowPage(currentPage);
      break;
    case kChangeLineSlots:
      Resize();
      break;
    case kChangeDatabaseClosed:
      EventHandler_RequestClose(this, kCloseSilently);
      break;
    default:
      break;
  }
}

// --- Opening -------------------------------------------------------------------------------------

T_SaveSetupEditor* OpenSaveSetupEditor(T_Base* base, SaveSetup* setup) {
  if (!base) return nullptr;
  for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) {
    auto* editor = dynamic_cast<T_SaveSetupEditor*>(w);
    if (!editor || editor->database != base || editor->setup != setup || editor->onCloseList)
      continue;
    editor->BringToFront();
    return editor;
  }
  if (!MemCanAlloc(kEditorReserve)) return nullptr;
  return new (std::nothrow) T_SaveSetupEditor(base, setup);
}

void InstallSaveSetupEditor() {
  BaseServices services = CurrentBaseServices();
  services.newSaveSetup = [](T_Base* base) { OpenSaveSetupEditor(base, nullptr); };
  services.deleteSaveSetup = [](T_Base* base) {
    // The database's entry works on the front-most editor of one of its setups.
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) {
      auto* editor = dynamic_cast<T_SaveSetupEditor*>(w);
      if (editor && editor->database == base && editor->setup) {
        editor->DeleteSetup();
        return;
      }
    }
  };
  SetBaseServices(&services);
  ObjectServices objects = CurrentObjectServices();
  objects.openSaveSetupEditor = [](T_Base* base, SaveSetup* setup) {
    OpenSaveSetupEditor(base, setup);
  };
  SetObjectServices(&objects);
}
