#include "ui/dialog_base.h"

#include "core/alert.h"
#include "ui/button.h"
#include "ui/database_services.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kButtonWidth = 70;
constexpr int32_t kButtonHeight = 20;
constexpr int32_t kButtonGap = 12;
constexpr int32_t kButtonRightMargin = 18;
constexpr int32_t kButtonBottomMargin = 34;

// The rectangle lives until the end of the constructor's initialiser.
const RECT* RectOf(const RECT& rect) { return &rect; }

}  // namespace

T_HDialog::T_HDialog(int32_t width, int32_t height, T_Base* database, T_Window* owner)
    : T_Window(kKindDialog, RectOf(RECT{0, 0, width, height}), 0, owner, false),
      database(database) {
  if (database) {
    if (T_LinkContext* context = Database_LinkContext(database)) linkContext = context;
  }
  if (owner && !owner->visible) wantVisible = 0;
}

T_Base* WindowDatabase(T_Window* window) {
  if (!window) return nullptr;
  if (auto* dialog = dynamic_cast<T_HDialog*>(window)) return dialog->database;
  return Database_OfWindow(window);
}

void Dialog_AddButtons(T_HDialog* dialog, T_Button** ok, T_Button** cancel) {
  int32_t top = dialog->height - kButtonBottomMargin;
  int32_t okLeft = dialog->width - kButtonRightMargin - kButtonWidth;
  auto* okButton =
      new T_Button(dialog, XYWH{okLeft, top, kButtonWidth, kButtonHeight}, kDialogOkId);
  okButton->SetTitleId(kButtonOk);
  okButton->SetDefault(true);
  auto* cancelButton = new T_Button(
      dialog, XYWH{okLeft - kButtonGap - kButtonWidth, top, kButtonWidth, kButtonHeight},
      kDialogCancelId);
  cancelButton->SetTitleId(kButtonCancel);
  cancelButton->SetCancel(true);
  if (ok) *ok = okButton;
  if (cancel) *cancel = cancelButton;
}

T_Frame* Dialog_AddFrame(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t textId) {
  auto* frame = new T_Frame(parent, rect, id, false);
  frame->SetTitleId(textId);
  EventHandler_Open(frame);
  return frame;
}

T_Checkbox* Dialog_AddCheckbox(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                               int32_t textId, bool checked) {
  auto* box = new T_Checkbox(parent, rect, id, false);
  box->SetLabelId(textId);
  box->SetChecked(checked);
  EventHandler_Open(box);
  return box;
}

bool Dialog_IsOk(const T_GrafElement* button) {
  const T_Item* item = AsItem(const_cast<T_GrafElement*>(button));
  return item && item->kind == kKindButton && item->id == kDialogOkId;
}

bool Dialog_IsCancel(const T_GrafElement* button) {
  const T_Item* item = AsItem(const_cast<T_GrafElement*>(button));
  return item && item->kind == kKindButton && item->id == kDialogCancelId;
}

void Dialog_Run(T_HDialog* dialog) {
  if (!dialog->opened) EventHandler_Open(dialog);
  Window_RunModal(dialog);
  if (dialog->opened) EventHandler_CloseElement(dialog);
}

void Dialog_EndModal(T_Window* dialog) {
  dialog->native.modalEnd = 1;
  if (dialog->native.handle) PostMessageA(dialog->native.handle, WM_NULL, 0, 0);
}

bool CloseDialogsOfDatabase(T_Base* database, int32_t answer) {
  if (!database) return true;
  for (T_Window* dialog = ModalListFirst(); dialog; dialog = dialog->nextModal) {
    if (dialog->native.modalEnd) continue;
    if (WindowDatabase(dialog) != database && WindowDatabase(dialog->owner) != database) continue;
    if (!Window_PressForQuit(dialog, answer)) {
      dialog->Activate();
      return false;
    }
  }
  return true;
}
