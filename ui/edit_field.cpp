#include "ui/edit_field.h"

#include <cstring>

#include "core/alert.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "ui/aa_drawing.h"
#include "ui/application.h"
#include "ui/clipboard_data.h"
#include "ui/draw_primitives.h"
#include "ui/element_paint.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/link_display.h"
#include "ui/link_markup.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/popup_menu.h"
#include "ui/regions.h"
#include "ui/text_layout.h"
#include "ui/transfer_list.h"
#include "ui/window.h"

namespace {

constexpr int32_t kJoinGap = 5;
constexpr uint16_t kStyleAlignedOrWrapped = 0x1E8;
constexpr int32_t kBackEnabled = 0;
constexpr int32_t kBackDisabled = 2;
constexpr int32_t kDisabledText = 8;

bool HookIsMultiLine(T_GrafElement* element) {
  auto* field = dynamic_cast<T_Edit*>(element);
  return field && field->IsMultiLine();
}

void HookSelectAll(T_GrafElement* element) {
  if (auto* field = dynamic_cast<T_Edit*>(element)) field->SelectAll();
}

void InstallHooks() {
  const ItemOperations* now = Items();
  if (now->selectAll == HookSelectAll) return;
  ItemOperations operations = *now;
  operations.isMultiLineEdit = HookIsMultiLine;
  operations.selectAll = HookSelectAll;
  SetItemOperations(&operations);
}

bool ClipboardHasText() { return IsClipboardFormatAvailable(CF_UNICODETEXT) != 0; }

// Takes the link menu's Cut and Copy out of a command list, with a separator that would then
// lead the list.
void RemoveCopyCommands(PopupCommandList* commands) {
  if (commands->list != commands->entries) return;  // nothing was listed
  int32_t w = 0;
  for (int32_t r = 0; r < kPopupListSize && commands->entries[r] != 0; ++r) {
    uint16_t id = commands->entries[r];
    if (id == kLinkMenuCut || id == kLinkMenuCopy) continue;
    if (id == kPopupSeparator && w == 0) continue;
    commands->entries[w++] = id;
  }
  if (w < kPopupListSize) commands->entries[w] = 0;
}

bool SameText(const T_TextBuf* a, const T_TextBuf* b) {
  return a->length == b->length &&
         std::memcmp(a->data, b->data, static_cast<size_t>(a->length)) == 0;
}

bool Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int32_t BoundaryBefore(const T_TextBuf* text, int32_t at) {
  while (at > 0 && at < text->length && Continuation(text->data[at])) --at;
  return at;
}

int32_t BoundaryAfter(const T_TextBuf* text, int32_t at) {
  while (at > 0 && at < text->length && Continuation(text->data[at])) ++at;
  return at;
}

// The part of now that differs from old: the bytes between the common prefix and the common
// suffix, or all of now when the two overlap.
void ChangedPart(const T_TextBuf* old, const T_TextBuf* now, int32_t* start, int32_t* length) {
  int32_t shorter = old->length < now->length ? old->length : now->length;
  int32_t prefix = 0;
  while (prefix < shorter && old->data[prefix] == now->data[prefix]) ++prefix;
  int32_t suffix = 0;
  while (suffix < shorter &&
         old->data[old->length - 1 - suffix] == now->data[now->length - 1 - suffix]) {
    ++suffix;
  }
  if (prefix + suffix > shorter) {
    *start = 0;
    *length = now->length;
    return;
  }
  *start = BoundaryBefore(now, prefix);
  *length = BoundaryAfter(now, now->length - suffix) - *start;
}

void EnableEntry(int32_t command, bool tagged) {
  T_MenuItem* entry = StandardEntry(command);
  if (!entry) return;
  auto* tag = tagged ? dynamic_cast<T_MenuItemTag*>(entry) : nullptr;
  if (tag) {
    tag->SetTagAndEnable(kEditCommandTag, true);
  } else {
    MenuItem_SetEnabled(entry, true);
  }
}

void MaskText(const char* text, T_TextBuf* out) {
  TextBufAssign(out, text);
  for (int32_t i = 0; i < out->length; ++i) {
    if (static_cast<unsigned char>(out->data[i]) >= 32) out->data[i] = '*';
  }
}

// The Windows key of a key code, for keys handed to the control without a message of their own.
UINT VirtualKeyOf(const InputEvent* event) {
  if (event->virtualKey) return event->virtualKey;
  switch (event->keyCode) {
    case kKeyHome:
      return VK_HOME;
    case kKeyEnd:
      return VK_END;
    case kKeyPageUp:
      return VK_PRIOR;
    case kKeyPageDown:
      return VK_NEXT;
    case kKeyLeft:
      return VK_LEFT;
    case kKeyRight:
      return VK_RIGHT;
    case kKeyUp:
      return VK_UP;
    case kKeyDown:
      return VK_DOWN;
    case kKeyDelete:
      return VK_DELETE;
    default:
      return 0;
  }
}

}  // namespace

// --- Construction ---------------------------------------------------------------------------

T_Edit::T_Edit(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool framedField, bool open)
    : T_Item(kKindEdit, parent, rect, id) {
  InstallHooks();
  framed = framedField ? 1 : 0;
  textRect = content;
  TextHistoryInit(&history);
  style.flags |= kStyleBit4;
  BuildShape();
  if (open) EventHandler_Open(this);
}

T_Edit::~T_Edit() {
  if (opened) EventHandler_CloseElement(this);
  if (editing) {
    EditOverlay_Destroy(&overlay);
    editing = 0;
  }
  Unjoin();
  if (joinedBelow) {
    joinedBelow->joinedAbove = nullptr;
    joinedBelow = nullptr;
  }
  TextHistoryClear(&history);
  TextBufWipe(&text);
}

// --- Text and selection -----------------------------------------------------------------------

void T_Edit::StoreBytes(const char* bytes, int32_t n) {
  TextBufAssignBytes(&text, bytes, n);
  Refresh();
}

void T_Edit::Refresh() {
  if (editing) {
    T_TextBuf shown(text);
    if (LinkText_ShowMode(this, linkMode, text.data, true) == kLinkShowPlain) {
      LinkText_StripBuf(linkContext, &shown);
    }
    EditOverlay_SetText(&overlay, shown.data);
    textTaken = 1;
  } else {
    if (selectionStart > text.length) selectionStart = text.length;
    if (selectionLength > text.length - selectionStart)
      selectionLength = text.length - selectionStart;
    if (opened) Item_InvalidateShape(this, 0);
  }
}

void T_Edit::SetText(const char* value) {
  SetTextBytes(value, value ? static_cast<int32_t>(std::strlen(value)) : 0);
}

void T_Edit::SetBlockText(const char* block) { SetTextBytes(block, BlockTextLength(block)); }

void T_Edit::SetTextBytes(const char* bytes, int32_t n) {
  TextHistoryClear(&history);
  StoreBytes(bytes, bytes ? n : 0);
}

void T_Edit::Clear() { StoreBytes("", 0); }

void T_Edit::GetText(T_TextBuf* out) {
  if (editing && overlay.control) {
    EditOverlay_GetText(&overlay, out);
  } else {
    TextBufAssignBuf(out, &text);
  }
}

int32_t T_Edit::GetTextLength() {
  if (!editing || !overlay.control) return text.length;
  T_TextBuf now;
  EditOverlay_GetText(&overlay, &now);
  return now.length;
}

int32_t T_Edit::GetSelStart() {
  if (!editing || !overlay.control) return selectionStart;
  int32_t start = 0;
  int32_t length = 0;
  EditOverlay_GetSelection(&overlay, &start, &length);
  return start;
}

int32_t T_Edit::GetSelLength() {
  if (!editing || !overlay.control) return selectionLength;
  int32_t start = 0;
  int32_t length = 0;
  EditOverlay_GetSelection(&overlay, &start, &length);
  return length;
}

void T_Edit::SetSelection(int32_t start, int32_t length) {
  T_TextBuf now;
  GetText(&now);
  if (start == -2 || start < -2) start = 0;
  if (start == -1 || start > now.length) start = now.length;
  if (length < 0) length = 0;
  if (length > now.length - start) length = now.length - start;
  start = BoundaryBefore(&now, start);
  length = BoundaryAfter(&now, start + length) - start;
  if (editing && overlay.control) {
    EditOverlay_SetSelection(&overlay, start, length);
  } else {
    selectionStart = start;
    selectionLength = length;
  }
}

void T_Edit::SelectAll() {
  int32_t length = GetTextLength();
  if (GetSelStart() == 0 && GetSelLength() == length) return;
  SetSelection(0, length);
}

bool T_Edit::SelectionEmpty() { return GetSelLength() == 0; }

void T_Edit::InsertText(const char* value) {
  if (!value) return;
  ReplaceRange(GetSelStart(), GetSelLength(), value, static_cast<int32_t>(std::strlen(value)),
               true);
}

void T_Edit::InsertBlock(const char* block) {
  if (!block) return;
  int32_t n = BlockTextLength(block);
  const void* end = std::memchr(block, 0, static_cast<size_t>(n));
  if (end) n = static_cast<int32_t>(static_cast<const char*>(end) - block);
  ReplaceRange(GetSelStart(), GetSelLength(), block, n, true);
}

void T_Edit::ReplaceRange(int32_t start, int32_t length, const char* bytes, int32_t n,
                          bool normalise) {
  CommitText();
  T_TextBuf before;
  GetText(&before);
  if (start < 0) start = 0;
  if (start > before.length) start = before.length;
  if (length < 0 || length > before.length - start) length = before.length - start;
  T_TextBuf after(before);
  // All or nothing: an insertion cut at the size limit could leave half a link behind.
  if (!TextBufReplaceBytes(&after, start, length, bytes, n)) return;
  if (normalise) LinkText_Apply(linkContext, &after, linkMode);
  bool changed = !SameText(&before, &after);
  if (changed) StoreBytes(after.data, after.length);
  SetSelection(start + n, 0);
  if (changed) ChangeNotice();
}

void T_Edit::Erase() {
  int32_t start = GetSelStart();
  ReplaceRange(start, GetSelLength(), "", 0, false);
}

void T_Edit::Duplicate() {
  CommitText();
  T_TextBuf now;
  GetText(&now);
  int32_t start = GetSelStart();
  int32_t length = GetSelLength();
  if (length <= 0 || start + length > now.length) return;
  T_TextBuf copy;
  TextBufAssignBytes(&copy, now.data + start, length);
  ReplaceRange(start + length, 0, copy.data, copy.length, false);
  SetSelection(start + length, length);
}

bool T_Edit::CopySelection() {
  // A password never leaves its field: Cut and Copy are refused wherever they come from.
  if (password) return false;
  CommitText();
  T_TextBuf now;
  GetText(&now);
  int32_t start = GetSelStart();
  int32_t length = GetSelLength();
  if (length <= 0 || start + length > now.length) return false;
  if (ClipboardSetText(now.data + start, length, 0)) return true;
  PendingErrorResource();
  return false;
}

void T_Edit::Paste() {
  char* clip = ClipboardReadText();
  if (!clip) return;
  InsertText(clip);
  MemFree(clip);
}

void T_Edit::StepHistory(bool back) {
  T_TextBuf old;
  GetText(&old);
  T_TextBuf now(old);
  if (back) {
    TextHistoryBack(&history, &now);
  } else {
    TextHistoryForward(&history, &now);
  }
  if (SameText(&old, &now)) return;
  StoreBytes(now.data, now.length);
  int32_t start = 0;
  int32_t length = 0;
  ChangedPart(&old, &now, &start, &length);
  SetSelection(start, length);
  ChangeNotice();
}

void T_Edit::SetPassword(bool on) {
  if ((password != 0) == on) return;
  if (editing && window) Window_DropFocus(window);
  password = on ? 1 : 0;
  if (password) TextHistoryClear(&history);
  if (opened) Item_InvalidateShape(this, 0);
}

void T_Edit::Remember(const char* value) {
  // A password field keeps no history: its entries would be clear copies of passwords.
  if (!password) TextHistoryAdd(&history, value);
}

bool T_Edit::IsMultiLine() const { return textRect.bottom - textRect.top >= kEditMultiLineHeight; }

int32_t T_Edit::ShowMode() { return LinkText_ShowMode(this, linkMode, text.data, focus != 0); }

void T_Edit::ShownText(T_TextBuf* out) {
  if (password) {
    MaskText(text.data, out);
    return;
  }
  if (ShowMode() == kLinkShowRaw) {
    TextBufAssignBuf(out, &text);
  } else {
    LinkText_ToPlain(linkContext, out, text.data);
  }
}

// --- Commits and notices ----------------------------------------------------------------------

void T_Edit::CommitText() {
  if (!editing || textTaken || !overlay.control) return;
  T_TextBuf taken;
  EditOverlay_GetText(&overlay, &taken);
  LinkText_Apply(linkContext, &taken, linkMode);
  TextBufAssignBuf(&text, &taken);
  textTaken = 1;
}

void T_Edit::Commit() {
  if (commitGuard || commitSent || !editOpen) return;
  commitSent = 1;
  commitGuard = 1;
  CommitText();
  OnEditEvent(this, kEditCommit);
  commitGuard = 0;
}

void T_Edit::CommitEdit() { Commit(); }

void T_Edit::ChangeNotice() {
  if (changeGuard) return;
  textTaken = 0;
  commitSent = 0;
  changeGuard = 1;
  OnEditEvent(this, kEditChanged);
  changeGuard = 0;
}

void T_Edit::SetTextNotify(const char* value) {
  T_TextBuf offered(value ? value : "");
  OnEditText(&offered, this);
  if (!SameText(&offered, &text)) StoreBytes(offered.data, offered.length);
  OnEditEvent(this, kEditSet);
  Remember(offered.data);
}

void T_Edit::OnEditEvent(T_GrafElement* field, int32_t code) {
  T_Item::OnEditEvent(field, code);
  if (field == this && code == kEditCommit) {
    T_TextBuf committed(text);
    SetTextNotify(committed.data);
  }
}

// --- Focus and the overlay --------------------------------------------------------------------

void T_Edit::UpdateEditing() {
  bool eligible = focus && opened && Item_ShowsFocus(this);
  if (eligible && !editing) {
    editing = 1;
    Remember(text.data);
    T_TextBuf shown(text);
    if (LinkText_ShowMode(this, linkMode, text.data, true) == kLinkShowPlain) {
      LinkText_StripBuf(linkContext, &shown);
    }
    if (!EditOverlay_Create(&overlay, this, shown.data)) {
      editing = 0;
      return;
    }
    textTaken = 1;
    RedrawRegion();
    // A press that brought the focus goes to the control next and places the caret itself.
    if (!MouseDispatching()) EditOverlay_SetSelection(&overlay, selectionStart, selectionLength);
  } else if (!eligible && editing) {
    CommitText();
    int32_t start = selectionStart;
    int32_t length = selectionLength;
    if (overlay.control) EditOverlay_GetSelection(&overlay, &start, &length);
    editing = 0;
    EditOverlay_Destroy(&overlay);
    if (start > text.length) start = text.length;
    if (length > text.length - start) length = text.length - start;
    selectionStart = start;
    selectionLength = length < 0 ? 0 : length;
    RedrawRegion();
  }
}

void T_Edit::FocusChanged() {
  if (focus) {
    editOpen = 1;
    commitSent = 1;
    OnEditEvent(this, kEditBegin);
    UpdateEditing();
  } else {
    UpdateEditing();
    Commit();
    OnEditEvent(this, kEditEnd);
    editOpen = 0;
  }
  Rejoin();
}

void T_Edit::RedrawRegion() {
  if (visible) Item_InvalidateShape(this, 0);
}

void T_Edit::Notify(int32_t code) {
  T_Item::Notify(code);
  switch (code) {
    case kNotifyOpened:
      backColour = enabled ? kBackEnabled : kBackDisabled;
      break;
    case kNotifyEnabled:
      backColour = enabled ? kBackEnabled : kBackDisabled;
      Item_InvalidateShape(this, 0);
      break;
    case kNotifyFocus:
      FocusChanged();
      break;
    case kNotifyFocusInActive:
      UpdateEditing();
      break;
    case kNotifyTextStyle:
      style.flags |= kStyleBit4;
      break;
    case kNotifyTick:
      if (editing) EditOverlay_Follow(&overlay, false);
      if (focus && window) {
        if (!regionValid) UpdateRegions(true);
        if (RgnIsEmpty(region)) Window_DropFocus(window);
      }
      break;
    default:
      break;
  }
}

bool T_Edit::AcceptsFocus() { return true; }

// --- Keys -------------------------------------------------------------------------------------

bool T_Edit::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (focus) {
    switch (event->keyCode) {
      case kKeyKeypadEnter:
        Commit();
        SelectAll();
        break;
      case kKeyTab:
        Commit();
        break;
      case kKeyEnter:
        if (enterMode == kEnterCommits) {
          Commit();
          SelectAll();
        }
        break;
      case kKeyUp:
      case kKeyDown:
        CommitText();
        Remember(text.data);
        break;
      default:
        break;
    }
  }
  if (T_Item::KeyDown(event, target)) return true;
  if (!editing) return false;
  // Other Control keys stay unhandled so that the menu shortcuts see them.
  if (event->control && event->keyCode != kKeyHome && event->keyCode != kKeyEnd) return false;
  if (event->keyCode == kKeyEnter && enterMode != kEnterNewLine) return true;
  bool handled = true;
  KeyFilter(event, &handled);
  return handled;
}

void T_Edit::KeyFilter(InputEvent* event, bool* handled) {
  NativeMessage* message = CurrentNativeMessage();
  bool native = message && message->window == overlay.control && overlay.control;
  bool typed = native ? message->message == WM_CHAR : true;
  auto give = [&](bool character) {
    if (native) {
      message->result =
          EditOverlay_CallOwn(&overlay, message->message, message->wParam, message->lParam);
    } else if (character) {
      EditOverlay_CallOwn(&overlay, WM_CHAR, event->keyCode, 1);
    } else if (UINT key = VirtualKeyOf(event)) {
      EditOverlay_CallOwn(&overlay, WM_KEYDOWN, key, 1);
    }
  };
  uint16_t code = event->keyCode;
  switch (code) {
    case kKeyKeypadEnter:
    case kKeyTab:
      return;
    case kKeyEnter:
      if (!overlay.multiLine) return;
      EditOverlay_InsertLineBreak(&overlay);
      ChangeNotice();
      return;
    case kKeyBackspace: {
      // A selection is deleted wherever it starts.
      bool change = GetSelLength() > 0 || GetSelStart() > 0;
      if (native) {
        give(false);
      } else {
        EditOverlay_CallOwn(&overlay, WM_CHAR, '\b', 1);
      }
      if (change) ChangeNotice();
      return;
    }
    case kKeyDelete: {
      bool change = GetSelLength() > 0 || GetSelStart() < GetTextLength();
      give(false);
      if (change) ChangeNotice();
      return;
    }
    case kKeyHome:
    case kKeyEnd:
    case kKeyPageUp:
    case kKeyPageDown:
    case kKeyLeft:
    case kKeyRight:
    case kKeyUp:
    case kKeyDown:
      give(false);
      return;
    case kKeyFunction:
      if (T_Application* app = App()) app->lookUpShortcuts = 1;
      *handled = false;
      return;
    default:
      break;
  }
  if (code < 32) return;
  give(true);
  // A letter's key going down changes nothing; its character does.
  if (typed) ChangeNotice();
}

// --- Mouse ----------------------------------------------------------------------------------

bool T_Edit::MouseDown(InputEvent* event, T_GrafElement* target) {
  CommitText();
  Remember(text.data);
  // A password field shows asterisks: a press cannot aim at a link in it.
  if (!password && ShowMode() == kLinkShowLinks) {
    T_TextBuf edited;
    if (LinkText_Click(this, &textRect, text.data, event, &edited)) {
      if (!SameText(&edited, &text)) {
        ChangeNotice();
        SetTextNotify(edited.data);
      }
      return true;
    }
  }
  if (T_Item::MouseDown(event, target)) return true;
  POINT point{event->x, event->y};
  if (event->leftButton && editing && PtInRect(&textRect, point)) {
    EditOverlay_ForwardPress(&overlay, event);
    SetBusyDeadline();
    if (event->tripleClick) SelectAll();
    return true;
  }
  if (event->rightButton && enabled && target == this) {
    if (!focus) FocusNext(kFocusForward);
    RunContextMenu(this, 0, event, -1);
    return true;
  }
  return false;
}

bool T_Edit::OnWheel(InputEvent* event, int32_t lines) {
  POINT point{event->x, event->y};
  if (editing && PtInRect(&textRect, point) && textRect.bottom - textRect.top >= 20) {
    EditOverlay_ScrollUp(&overlay, lines);
    return true;
  }
  return T_Item::OnWheel(event, lines);
}

bool T_Edit::SetCursor(InputEvent* event, T_GrafElement* target) {
  POINT point{event->x, event->y};
  if (enabled && PtInRect(&textRect, point)) {
    CursorSet(kEditCursor);
    return true;
  }
  return T_Item::SetCursor(event, target);
}

void T_Edit::OnHover(InputEvent* event, int32_t code) {
  if (code == kHoverLeft) {
    GrafElement_InvalidateRect(this, &textRect, 0);
    hoveredLink = -1;
    SetHover(false);
    return;
  }
  if (!editing && !password && ShowMode() == kLinkShowLinks) {
    LinkText_TrackHover(this, &textRect, text.data, POINT{event->x, event->y}, &hoveredLink);
  }
  SetHover(true);
}

void T_Edit::SetHover(bool on) {
  if ((hover != 0) == on) return;
  hover = on ? 1 : 0;
  if (ItemLookClass() >= 3) {
    Rejoin();
    Item_InvalidateShape(this, 0);
  }
}

// --- Commands and the context menu ------------------------------------------------------------

void T_Edit::UpdateCommands() {
  T_Item::UpdateCommands();
  if (editing) {
    T_TextBuf now;
    GetText(&now);
    TextHistoryUpdateFlags(&history, now.data);
    if (history.canGoBack) EnableEntry(kCommandUndo, true);
    if (history.canGoForward) EnableEntry(kCommandRedo, true);
  }
  T_MenuItem* copy = StandardEntry(kCommandCopy);
  bool copyTaken = copy && copy->enabled;
  if (!SelectionEmpty() && !copyTaken) {
    if (!password) {
      EnableEntry(kCommandCut, true);
      EnableEntry(kCommandCopy, true);
    }
    EnableEntry(kCommandErase, true);
    EnableEntry(kCommandDuplicate, true);
  }
  if (GetSelLength() < GetTextLength()) EnableEntry(kCommandSelectAll, false);
  if (ClipboardHasText()) EnableEntry(kCommandPaste, true);
}

bool T_Edit::DoCommand(int32_t command) {
  switch (command) {
    case kCommandUndo:
      StepHistory(true);
      return true;
    case kCommandRedo:
      StepHistory(false);
      return true;
    case kCommandCut:
      if (CopySelection()) Erase();
      return true;
    case kCommandCopy:
      CopySelection();
      return true;
    case kCommandPaste:
      if (!ClipboardHasText()) break;
      Paste();
      return true;
    case kCommandErase:
      Erase();
      return true;
    case kCommandDuplicate:
      Duplicate();
      return true;
    case kCommandSelectAll:
      SelectAll();
      return true;
    default:
      break;
  }
  return T_Item::DoCommand(command);
}

bool T_Edit::ServesCommand(uint16_t id) {
  switch (id) {
    case kEditMenuCut:
    case kEditMenuCopy:
    case kEditMenuPaste:
    case kEditMenuErase:
    case kEditMenuDuplicate:
    case kEditMenuSelectAll:
    case kEditMenuCreateLink:
      return true;
    default:
      return false;
  }
}

void T_Edit::RunMenuCommand(uint16_t id) {
  switch (id) {
    case kEditMenuCut:
      if (CopySelection()) Erase();
      break;
    case kEditMenuCopy:
      CopySelection();
      break;
    case kEditMenuPaste:
      Paste();
      break;
    case kEditMenuErase:
      Erase();
      break;
    case kEditMenuDuplicate:
      Duplicate();
      break;
    case kEditMenuSelectAll:
      SelectAll();
      break;
    case kEditMenuCreateLink:
      CreateLink();
      break;
    default:
      break;
  }
}

void T_Edit::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector == kMenuSelectorLink && password) {
    // The link menu copies the link's markup: not out of a password field.
    if (phase == kMenuPhaseRun && (record->entry == kLinkMenuCut || record->entry == kLinkMenuCopy))
      return;
    T_Item::ContextMenu(record, phase);
    if (phase == kMenuPhaseList) RemoveCopyCommands(&record->commands);
    return;
  }
  if (record->selector == kMenuSelectorLink || !contextMenu) {
    T_Item::ContextMenu(record, phase);
    return;
  }
  if (phase == kMenuPhaseList) {
    T_Item::ContextMenu(record, phase);
    bool first = true;
    auto add = [&](uint16_t id) {
      PopupMenu_AddCommand(&record->commands, id, first);
      first = false;
    };
    bool selected = !SelectionEmpty();
    if (selected && !password) add(kEditMenuCut);
    if (selected && !password) add(kEditMenuCopy);
    if (ClipboardHasText()) add(kEditMenuPaste);
    if (selected) add(kEditMenuErase);
    if (selected) add(kEditMenuDuplicate);
    if (GetSelLength() < GetTextLength()) add(kEditMenuSelectAll);
    if (linkMode == kLinkModeLive)
      PopupMenu_AddCommand(&record->commands, kEditMenuCreateLink, true);
    return;
  }
  auto id = static_cast<uint16_t>(record->entry);
  if (record->commands.list && ServesCommand(id) &&
      (phase == kMenuPhaseMeasure || phase == kMenuPhaseRun)) {
    if (phase == kMenuPhaseRun) RunMenuCommand(id);
    return;
  }
  T_Item::ContextMenu(record, phase);
}

void T_Edit::CreateLink() {
  CommitText();
  T_TextBuf buffer;
  GetText(&buffer);
  T_TextBuf before(buffer);
  int32_t start = GetSelStart();
  int32_t length = GetSelLength();
  LinkRef link;
  link.context = linkContext;
  link.editBuffer = &buffer;
  link.sourceText = buffer.data;
  link.start = start;
  link.length = length;
  TextBufAssignBytes(&link.text, buffer.data + start, length);
  LinkEditor_Open(&link, this);
  if (SameText(&before, &buffer)) return;
  int32_t newLength = length + buffer.length - before.length;
  ChangeNotice();
  SetTextNotify(buffer.data);
  SetSelection(start, newLength);
}

// --- Drag and drop ----------------------------------------------------------------------------

bool T_Edit::AcceptsKinds(uint32_t kinds) const {
  if (kinds & kTransferText) return true;
  return linkMode == kLinkModeLive && (kinds & (kTransferPrivate | kTransferAnyFile)) != 0;
}

int32_t T_Edit::IndexAt(POINT point) {
  if (editing && overlay.control) return EditOverlay_OffsetAt(&overlay, point);
  if (!password && ShowMode() != kLinkShowRaw) {
    return LinkText_SourceIndexAt(this, &textRect, text.data, point);
  }
  T_TextBuf shown;
  ShownText(&shown);
  DrawContext context;
  DrawContext_Init(&context);
  DrawContext_Begin(&context, this);
  int32_t index = TextHitTest(&textRect, shown.data, point);
  DrawContext_End(&context);
  if (index == -2) return 0;
  return index < 0 ? shown.length : index;
}

POINT T_Edit::DrawDropCaret(int32_t index) {
  if (!password && ShowMode() != kLinkShowRaw) {
    return LinkText_DrawCaret(this, 1, &textRect, text.data, index);
  }
  T_TextBuf shown;
  ShownText(&shown);
  DrawContext context;
  DrawContext_Init(&context);
  DrawContext_Begin(&context, this);
  POINT point{};
  TextCaretPoint(&point, &textRect, shown.data, index >= shown.length ? -1 : index);
  RECT bar{point.x, point.y - 10, point.x + 1, point.y + 3};
  RectInvert(&bar);
  DrawContext_End(&context);
  return point;
}

void T_Edit::EraseDropCaret() {
  if (dropCaret.x == 0 && dropCaret.y == 0) return;
  DrawContext context;
  DrawContext_Init(&context);
  DrawContext_Begin(&context, this);
  RECT bar{dropCaret.x, dropCaret.y - 10, dropCaret.x + 1, dropCaret.y + 3};
  RectInvert(&bar);
  DrawContext_End(&context);
  dropCaret = POINT{};
}

void T_Edit::TrackDrag(int32_t code, uint32_t dataKinds) {
  bool acceptable = enabled && AcceptsKinds(dataKinds);
  switch (code) {
    case kDragEntered:
      if (!acceptable) break;
      dropHighlight = 1;
      Item_InvalidateShape(this, kPaintNow);
      break;
    case kDragMoved: {
      if (!acceptable || replaceOnDrop) break;
      InputEvent pointer;
      Item_PollPointer(this, &pointer);
      int32_t index = IndexAt(POINT{pointer.x, pointer.y});
      SetSelection(index, 0);
      if (editing) break;
      EraseDropCaret();
      dropCaret = DrawDropCaret(index);
      break;
    }
    case kDragDropped:
    case kDragLeft:
      if (!replaceOnDrop) EraseDropCaret();
      if (dropHighlight) {
        dropHighlight = 0;
        Item_InvalidateShape(this, kPaintNow);
      }
      break;
    default:
      break;
  }
}

bool T_Edit::AcceptDrop(TransferList* list) {
  if (!enabled) return T_Item::AcceptDrop(list);
  T_TextBuf data;
  bool found = false;
  if (linkMode == kLinkModeLive) {
    if (TransferItem* file = FindTransferItem(list, kTransferAnyFile)) {
      T_TextBuf path;
      if (TransferItemPath(file, &path)) {
        LinkText_FileLinkMarkup(&data, path.data);
        found = true;
      }
    } else if (TransferItem* own = FindTransferItem(list, kTransferPrivate)) {
      TextBufAssignBuf(&data, &own->text);
      found = true;
    }
  }
  if (!found) {
    if (TransferItem* item = FindTransferItem(list, kTransferText)) {
      TextBufAssignBuf(&data, &item->text);
      found = true;
    }
  }
  if (!found || data.empty()) return T_Item::AcceptDrop(list);
  CommitText();
  T_TextBuf now;
  GetText(&now);
  Remember(now.data);
  if (replaceOnDrop) SelectAll();
  int32_t start = GetSelStart();
  InsertText(data.data);
  T_TextBuf inserted;
  GetText(&inserted);
  SetTextNotify(inserted.data);
  if (replaceOnDrop) {
    SelectAll();
  } else {
    SetSelection(start + data.length, 0);
  }
  return true;
}

// --- Geometry and joined frames ---------------------------------------------------------------

void T_Edit::BuildShape() {
  RECT outer = content;
  RectInflate(&outer, framed ? 3 : 2);
  if (joinedBelow) outer.bottom -= 1;
  SetRectRgn(shape, outer.left, outer.top, outer.right, outer.bottom);
}

// Two framed fields draw one frame while either of them is focused or hovered: the upper one's
// shape then ends a pixel higher. Each pair is decided on its own, so a field that loses the
// pointer keeps the join its focused neighbour asked for.
namespace {

bool WantsJoin(const T_Edit* field) {
  return field->framed && (field->focus || field->hover) && ItemLookClass() >= 3;
}

void SetJoined(T_Edit* upper, T_Edit* lower, bool on) {
  if (on == (upper->joinedBelow == lower && lower->joinedAbove == upper)) return;
  if (on) {
    if (upper->joinedBelow || lower->joinedAbove) return;  // taken by another field
    upper->joinedBelow = lower;
    lower->joinedAbove = upper;
  } else {
    if (upper->joinedBelow == lower) upper->joinedBelow = nullptr;
    if (lower->joinedAbove == upper) lower->joinedAbove = nullptr;
  }
  Item_Reshape(upper, 0);
}

}  // namespace

void T_Edit::Rejoin() {
  T_Edit* above = nullptr;
  T_Edit* below = nullptr;
  if (framed && parent) {
    for (T_GrafElement* sibling = parent->firstChild; sibling; sibling = sibling->next) {
      auto* other = dynamic_cast<T_Edit*>(sibling);
      if (!other || other == this || other->kind != kKindEdit || !other->framed ||
          !other->visible || other->x != x)
        continue;
      if (!above && other->y + other->height == y - kJoinGap) above = other;
      if (!below && y + height == other->y - kJoinGap) below = other;
    }
  }
  // Neighbours that no longer stand there let go first.
  if (joinedAbove && joinedAbove != above) SetJoined(joinedAbove, this, false);
  if (joinedBelow && joinedBelow != below) SetJoined(this, joinedBelow, false);
  const bool wants = WantsJoin(this);
  if (above) SetJoined(above, this, wants || WantsJoin(above));
  if (below) SetJoined(this, below, wants || WantsJoin(below));
}

void T_Edit::Unjoin() {
  if (joinedAbove) SetJoined(joinedAbove, this, false);
}

void T_Edit::OnMoved(int32_t, int32_t) {
  if (editing) EditOverlay_Follow(&overlay, window && window->active);
}

void T_Edit::OnResized(int32_t dw, int32_t dh) {
  if (style.flags & kStyleAlignedOrWrapped) Item_InvalidateShape(this, 0);
  textRect.right += dw;
  textRect.bottom += dh;
  if (editing) EditOverlay_Follow(&overlay, false);
}

// --- Drawing ----------------------------------------------------------------------------------

void T_Edit::DrawFrame() {
  int32_t look = ItemLookClass();
  T_ForeIndex fore(look <= 1 ? (enabled ? 10 : 6) : (enabled ? 6 : 4));
  if (framed) {
    RECT outer = content;
    RectInflate(&outer, 3);
    if (look <= 1) {
      DrawSunkenFrame(&outer);
    } else if (!enabled) {
      RectFrame(&outer);
    } else if (look == 2) {
      AaRectOutline(&outer, 0xFF7F9DB9);
    } else {
      bool hot = focus || hover;
      AaRoundRect(&outer, 1, 1, hot ? 0xFFB7D9ED : 0xFFE3E9EF);
      RECT top{outer.left + 1, outer.top, outer.left + 1 + (outer.right - outer.left - 3),
               outer.top + 1};
      AaFillRect(&top, hot ? 0xFF3D7BAD : 0xFFABADB3);
    }
  }
  if (dropHighlight) {
    RECT inner = content;
    RectInflate(&inner, 2);
    RectFrame(&inner);
  }
}

void T_Edit::DrawContent() {
  if (editing) {
    if (overlay.control)
      RedrawWindow(overlay.control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return;
  }
  T_ForeIndex fore(enabled ? Gfx.foreColour : kDisabledText);
  if (password) {
    T_TextBuf masked;
    MaskText(text.data, &masked);
    TextDrawInRect(&textRect, masked.data, nullptr);
    return;
  }
  switch (ShowMode()) {
    case kLinkShowLinks:
      LinkText_Draw(this, &textRect, text.data, hoveredLink);
      break;
    case kLinkShowPlain: {
      T_TextBuf plain;
      LinkText_ToPlain(linkContext, &plain, text.data);
      TextDrawInRect(&textRect, plain.data, nullptr);
      break;
    }
    default:
      TextDrawInRect(&textRect, text.data, nullptr);
      break;
  }
}
