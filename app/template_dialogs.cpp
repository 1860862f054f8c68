#include "app/template_dialogs.h"

#include <cstring>

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/link_rename.h"
#include "database/operation_log.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "ui/button.h"
#include "ui/document_window.h"
#include "ui/edit_field.h"
#include "ui/element.h"
#include "ui/frame_items.h"
#include "ui/item.h"
#include "ui/page_setup.h"

namespace {

constexpr int32_t kTextPageSetup = 207;
constexpr int32_t kButtonChange = 712;
constexpr int32_t kButtonAdd = 714;
constexpr int32_t kTextKindFirst = 2547;  // "Cards" .. "Component Functions", kinds 1 to 5
constexpr int32_t kTextSetDefaults = 2552;
constexpr int32_t kTextInstallTemplate = 2553;
constexpr int32_t kButtonStandard = 3410;
constexpr int32_t kButtonReplace = 4009;
constexpr int32_t kButtonInstall = 4305;
constexpr int32_t kAskReplaceTemplate = 4410;
constexpr int32_t kAskDefaultsCardWindows = 4420;
constexpr int32_t kAskDefaultsOfKind = 4421;
constexpr int32_t kTextSizeByContents = 4422;
constexpr int32_t kTextTemplateName = 4423;
constexpr int32_t kTextOpenAtStart = 4424;
constexpr int32_t kTextCalculateAtOpen = 4425;
constexpr int32_t kTextKeepPosition = 4426;
constexpr int32_t kTextShowOnWeb = 4427;

constexpr int32_t kCardWindowKind = 10;

enum : uint32_t {
  kSizeId = 1,
  kPageSetupId,
  kStandardId,
  kChangeId,
  kNameId,
  kOpenId,
  kCalculateId,
  kPositionId,
  kWebId,
  kAddId,
  kInstallId,
};

T_Text* NewText(T_EventHandler* parent, const XYWH& rect, const char* text) {
  auto* item = new T_Text(parent, rect, false);
  item->SetTextCopy(text);
  EventHandler_Open(item);
  return item;
}

T_Button* NewButton(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t textId,
                    bool isDefault) {
  auto* button = new T_Button(parent, rect, id);
  button->SetTitleId(textId);
  if (isDefault) button->SetDefault(true);
  return button;
}

// "Page Setup" as the menu names it, with its full stops left out.
T_Checkbox* NewPageSetupBox(T_EventHandler* parent, const XYWH& rect, bool checked) {
  T_Checkbox* box = Dialog_AddCheckbox(parent, rect, kPageSetupId, 0, checked);
  T_TextBuf label(GetString(kTextPageSetup));
  TextBufAppend(&label, "\xE2\x80\xA6");
  T_TextBuf kept;
  for (int32_t i = 0; i < label.length; ++i) {
    if (label.data[i] != '.') TextBufAppendBytes(&kept, label.data + i, 1);
  }
  box->SetLabelCopy(kept.c_str());
  return box;
}

bool HoldsPageSetup(const T_BoxTmpl* box) { return box && box->print.pageSetup[0] != nullptr; }

void RemovePageSetup(T_BoxTmpl* box) {
  for (void*& block : box->print.pageSetup) {
    MemFree(block);
    block = nullptr;
  }
}

bool HoldsPosition(const T_BoxTmpl* box) { return box && (box->left != 0 || box->top != 0); }

// The window's size stays; only where it stood is forgotten.
void ClearPosition(T_BoxTmpl* box) {
  box->right -= box->left;
  box->bottom -= box->top;
  box->left = box->top = 0;
}

}  // namespace

// --- T_TmplDefaults ------------------------------------------------------------------------------

T_TmplDefaults::T_TmplDefaults(T_HWindow* w)
    : T_HDialog(370, 119, w->database, w),
      window(w),
      kind(w->windowKind),
      defaults(w->database->GetDefaultTemplate(w->windowKind)) {
  SetTitleId(kTextSetDefaults);
  T_TextBuf question;
  if (kind == kCardWindowKind) {
    TextBufAssign(&question, GetString(kAskDefaultsCardWindows));
  } else {
    TextBufAssign(&question, GetString(kAskDefaultsOfKind));
    TextBufFillParam(&question, 0, kind >= 1 && kind <= 5 ? GetString(kTextKindFirst + kind - 1) : "");
  }
  NewText(this, XYWH{10, 7, 352, 32}, question.c_str());
  T_BoxTmpl* box = AsBoxTemplate(defaults);
  if (kind == kCardWindowKind) {
    sizeByContents = Dialog_AddCheckbox(this, XYWH{10, 52, 230, 14}, kSizeId, kTextSizeByContents,
                                        box && box->zoomDirect);
  } else if (Window_HasPrinterSetup(window)) {
    pageSetup = NewPageSetupBox(this, XYWH{10, 57, 140, 14}, HoldsPageSetup(box));
  }
  NewButton(this, XYWH{160, 87, 80, 20}, kDialogCancelId, kButtonCancel, false);
  standard = NewButton(this, XYWH{264, 55, 90, 20}, kStandardId, kButtonStandard, false);
  change = NewButton(this, XYWH{264, 87, 90, 20}, kChangeId, kButtonChange, true);
}

void T_TmplDefaults::Change() {
  T_BoxTmpl* box = AsBoxTemplate(defaults);
  if (!box) return;
  window->SaveToTemplate(defaults);
  ClearPosition(box);
  if (kind == kCardWindowKind) {
    box->zoomDirect = sizeByContents && sizeByContents->checked ? 1 : 0;
  } else if (!pageSetup || !pageSetup->checked) {
    RemovePageSetup(box);
  }
  database->NotifyCode(kChangeDefaultTemplate);
}

void T_TmplDefaults::OnButton(T_GrafElement* button) {
  if (button == change) {
    Change();
  } else if (button == standard) {
    database->ResetDefaultTemplate(kind);
  } else if (!Dialog_IsCancel(button)) {
    T_HDialog::OnButton(button);
    return;
  }
  Dialog_EndModal(this);
}

// --- T_Install -----------------------------------------------------------------------------------

T_Install::T_Install(T_HWindow* w)
    : T_HDialog(400, 180, w->database, w),
      window(w),
      treeTemplate(w->templ && w->templ->parent ? w->templ : nullptr),
      opened{w->x, w->y, w->x + w->width, w->y + w->height} {
  SetTitleId(kTextInstallTemplate);
  T_BoxTmpl* box = AsBoxTemplate(treeTemplate);
  NewText(this, XYWH{12, 9, 370, 14}, GetString(kTextTemplateName));
  T_TextBuf path;
  if (treeTemplate) treeTemplate->GetPath(&path);
  name = new T_Edit(this, XYWH{15, 30, 370, 14}, kNameId, true, false);
  name->SetText(path.c_str());
  EventHandler_Open(name);
  int32_t top = 61;
  auto next = [&top] {
    int32_t at = top;
    top += 17;
    return at;
  };
  openAtStart = Dialog_AddCheckbox(this, XYWH{12, next(), 320, 14}, kOpenId, kTextOpenAtStart,
                                   box && box->openDirect);
  calculate = Dialog_AddCheckbox(this, XYWH{12, next(), 320, 14}, kCalculateId,
                                 kTextCalculateAtOpen, !box || box->calcDirect);
  bool fixed = window->kind == kKindFixedDocument;
  sizeByContents = Dialog_AddCheckbox(this, XYWH{12, next(), 320, 14}, kSizeId,
                                      kTextSizeByContents, !fixed && box && box->zoomDirect);
  if (fixed) Item_SetEnabled(sizeByContents, false);
  keepPosition = Dialog_AddCheckbox(this, XYWH{12, next(), 250, 14}, kPositionId,
                                    kTextKeepPosition, HoldsPosition(box));
  pageSetup = NewPageSetupBox(this, XYWH{12, next(), 150, 14}, HoldsPageSetup(box));
  if (!Window_HasPrinterSetup(window)) Item_SetEnabled(pageSetup, false);
  // Narrower than the others: at full width it would lie over the Install button beside it.
  onWeb = Dialog_AddCheckbox(this, XYWH{12, next(), 160, 14}, kWebId, kTextShowOnWeb,
                             !box || box->webVisible);
  add = NewButton(this, XYWH{294, 116, 90, 20}, kAddId, kButtonAdd, false);
  install = NewButton(this, XYWH{184, 148, 90, 20}, kInstallId, kButtonInstall, true);
  NewButton(this, XYWH{294, 148, 90, 20}, kDialogCancelId, kButtonCancel, false);
  UpdateButtons();
}

void T_Install::UpdateButtons() {
  T_TextBuf text, path;
  name->GetText(&text);
  if (treeTemplate) treeTemplate->GetPath(&path);
  Item_SetEnabled(install, !text.empty());
  Item_SetEnabled(add, !text.empty() && treeTemplate && std::strcmp(text.c_str(), path.c_str()) != 0);
}

void T_Install::OnEditEvent(T_GrafElement* field, int32_t code) {
  if (field == name) UpdateButtons();
  T_HDialog::OnEditEvent(field, code);
}

bool T_Install::Store(bool installing) {
  T_Base* base = database;
  T_TextBuf wanted, oldPath;
  name->CommitEdit();
  name->GetText(&wanted);
  if (wanted.empty()) return false;
  if (treeTemplate) treeTemplate->GetPath(&oldPath);
  T_Template* existing = FindTemplate(base, wanted.c_str());
  if (existing && existing != window->templ) {
    AlertRequest request;
    AlertInit(&request);
    request.message = kAskReplaceTemplate;
    request.owner = this;
    AlertAddText(&request, wanted.c_str());
    AlertAddButton(&request, kButtonReplace);
    AlertAddButton(&request, kButtonCancel);
    request.defaultAnswer = 1;
    if (ShowAlert(&request) != 0) return false;
  }
  // Installing moves the window's template: the old one goes, unless the template to be
  // replaced lies within it, in which case that one is replaced below.
  if (installing && treeTemplate && !(existing && treeTemplate->Contains(existing) &&
                                      existing != treeTemplate)) {
    RemoveTemplate(base, treeTemplate);
    treeTemplate = nullptr;
  }
  if (T_Template* old = FindTemplate(base, wanted.c_str())) RemoveTemplate(base, old);
  T_Template* fresh = NewTemplate(base, window->windowKind);
  if (!fresh) return false;
  if (!StoreTemplate(base, fresh, wanted.c_str())) {
    DeleteTemplate(fresh);
    return false;
  }
  window->templ = fresh;
  window->SetTitleCopy(wanted.c_str());
  if (T_BoxTmpl* box = AsBoxTemplate(fresh)) {
    box->openDirect = openAtStart->checked;
    box->calcDirect = calculate->checked;
    box->zoomDirect = sizeByContents->checked;
    box->webVisible = onWeb->checked;
    window->SaveToTemplate(fresh);
    if (keepPosition->checked) {
      box->left = opened.left;
      box->top = opened.top;
      box->right = opened.right;
      box->bottom = opened.bottom;
    } else {
      ClearPosition(box);
    }
    if (!pageSetup->checked) RemovePageSetup(box);
  } else {
    window->SaveToTemplate(fresh);
  }
  if (installing && !oldPath.empty()) RenameTemplateLinks(base, oldPath.c_str(), wanted.c_str());
  LogOperation(base, "template", wanted.c_str(), kLogVerbInstalled);
  return true;
}

void T_Install::OnButton(T_GrafElement* button) {
  if (button == install || button == add) {
    if (!Store(button == install)) return;
  } else if (!Dialog_IsCancel(button)) {
    T_HDialog::OnButton(button);
    return;
  }
  Dialog_EndModal(this);
}

// --- Seams ---------------------------------------------------------------------------------------

namespace {

void RunDefaultsDialog(T_HWindow* window) {
  if (!window->database) return;
  T_TmplDefaults dialog(window);
  Dialog_Run(&dialog);
}

void RunInstallDialog(T_HWindow* window) {
  if (!window->database) return;
  T_Install dialog(window);
  Dialog_Run(&dialog);
}

}  // namespace

void InstallTemplateDialogs() { SetTemplateDialogs(RunDefaultsDialog, RunInstallDialog); }
