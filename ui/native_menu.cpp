#include "ui/native_menu.h"

#include <cstring>
#include <iterator>

#include "core/alert.h"
#include "core/bitmap_cache.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/message_pump.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "core/wide_buffer.h"
#include "ui/application.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace {

constexpr int32_t kTextMore = 229;
constexpr int32_t kMessageTooManyItems = 106;
constexpr uint64_t kCapacityAlertPeriod = 60000;
constexpr uint64_t kShortcutFlash = 100;
// The MDI client numbers its window-list entries from 30000 and WM_COMMAND carries 16 bits: a
// native number must stay below both.
constexpr uint32_t kNativeNumberEnd = 30000;
constexpr int32_t kStandardSlots = 31;  // standard commands -1 .. -30
constexpr int32_t kMenuSlots = 5;       // kMenuFile .. kMenuHelp

T_MenuItem* standardMenus[kMenuSlots] = {};
T_MenuItem* standardEntries[kStandardSlots] = {};
bool standardIsTag[kStandardSlots] = {};

uint32_t numberCounter = 0;
int32_t itemsLimit = 12;
int32_t itemsLimitOverride = 0;
bool menuBarDrawing = true;
bool capacityAlerted = false;
uint64_t lastCapacityAlert = 0;
int32_t failAfter = 0;
int32_t nativeCalls = 0;

// --- Native calls (with the failure seam) ------------------------------------------------------

bool NativeCallFails() {
  ++nativeCalls;
  return failAfter > 0 && nativeCalls >= failAfter;
}

HMENU NewMenu(bool bar) {
  if (NativeCallFails()) return nullptr;
  return bar ? CreateMenu() : CreatePopupMenu();
}

bool AppendNative(HMENU menu, UINT flags, UINT_PTR id, const T_TextBuf* label) {
  if (NativeCallFails()) return false;
  if (flags & MF_SEPARATOR) return AppendMenuW(menu, flags, 0, nullptr) != FALSE;
  T_WideBuf wide;
  WideBufAssignUtf8(&wide, label->data);
  return AppendMenuW(menu, flags, id, wide.c_str()) != FALSE;
}

void CapacityAlert() {
  uint64_t now = TickCount();
  if (capacityAlerted && now - lastCapacityAlert < kCapacityAlertPeriod) return;
  capacityAlerted = true;
  lastCapacityAlert = now;
  PendingErrorSet(kMessageTooManyItems);
}

// Native numbers of a subtree whose popup could not be appended must not be found later.
void ClearNumbers(T_MenuItem* item) {
  item->nativeNumber = 0;
  for (T_MenuItem* child = item->firstChild; child; child = child->next) ClearNumbers(child);
}

// --- Mnemonics ---------------------------------------------------------------------------------

int32_t MarkOf(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return 10 + (c - 'A');
  if (c >= 'a' && c <= 'z') return 10 + (c - 'a');
  return -1;
}

bool TakeFree(bool* used, T_MenuItem* child, int32_t position) {
  int32_t mark = MarkOf(child->Title()[position]);
  if (mark < 0 || used[mark]) return false;
  used[mark] = true;
  child->mnemonicPosition = static_cast<uint16_t>(position);
  return true;
}

// --- Building ----------------------------------------------------------------------------------

void BuildEntry(T_MenuItem* entry) {
  entry->nativeNumber = 0;
  entry->nativeMenu = nullptr;
  entry->currentNativeMenu = nullptr;
  T_MenuItem* parent = entry->parent;
  HMENU target = parent->currentNativeMenu;
  if (!target) return;  // the parent's own menu could not be made
  int32_t room = itemsLimit - (entry->next ? 1 : 0);
  if (GetMenuItemCount(target) >= room) {
    HMENU more = NewMenu(false);
    T_TextBuf label(GetString(kTextMore));
    if (!more ||
        !AppendNative(target, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(more), &label)) {
      if (more) DestroyMenu(more);
      CapacityAlert();
      return;
    }
    parent->currentNativeMenu = target = more;
  }

  UINT flags = MF_STRING;
  if (!entry->enabled) flags |= MF_GRAYED;
  if (entry->checked) flags |= MF_CHECKED;
  T_TextBuf label;
  MenuNativeLabel(entry, &label);

  if (entry->firstChild) {
    MenuAssignMnemonics(entry);
    entry->childrenHavePictures = 0;
    for (T_MenuItem* child = entry->firstChild; child; child = child->next) {
      if (child->bitmap) entry->childrenHavePictures = 1;
    }
    HMENU popup = NewMenu(false);
    if (!popup) {
      ClearNumbers(entry);
      CapacityAlert();
      return;
    }
    entry->nativeMenu = entry->currentNativeMenu = popup;
    for (T_MenuItem* child = entry->firstChild; child; child = child->next) BuildEntry(child);
    if (!AppendNative(target, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), &label)) {
      DestroyMenu(popup);
      ClearNumbers(entry);
      entry->nativeMenu = entry->currentNativeMenu = nullptr;
      CapacityAlert();
    }
    return;
  }

  if (label.length == 0) {
    if (GetMenuItemCount(target) > 0 && !AppendNative(target, MF_SEPARATOR, 0, &label))
      CapacityAlert();
    return;
  }
  if (numberCounter + 1 >= kNativeNumberEnd) {
    CapacityAlert();
    return;
  }
  uint32_t number = ++numberCounter;
  if (!AppendNative(target, flags, number, &label)) {
    CapacityAlert();
    return;
  }
  entry->nativeNumber = number;
  if (entry->bitmap) {
    if (HBITMAP picture = BitmapGetCached(static_cast<int32_t>(entry->bitmap))) {
      SetMenuItemBitmaps(target, number, MF_BYCOMMAND, picture, nullptr);
    }
  }
}

// The position in the bar of the menu that holds the entry; -1 when it is not on the bar.
int32_t BarPosition(HMENU bar, T_MenuItem* entry) {
  T_MenuItem* top = entry;
  while (top->parent && top->parent->parent) top = top->parent;
  int32_t count = GetMenuItemCount(bar);
  for (int32_t i = 0; i < count; ++i) {
    if (top->nativeMenu && GetSubMenu(bar, i) == top->nativeMenu) return i;
    if (!top->nativeMenu && top->nativeNumber && GetMenuItemID(bar, i) == top->nativeNumber)
      return i;
  }
  return -1;
}

// The native menu that holds a popup, and its position there; false when it is not in the bar.
bool FindPopup(HMENU in, HMENU popup, HMENU* holder, int32_t* position) {
  int32_t count = GetMenuItemCount(in);
  for (int32_t i = 0; i < count; ++i) {
    HMENU sub = GetSubMenu(in, i);
    if (!sub) continue;
    if (sub == popup) {
      *holder = in;
      *position = i;
      return true;
    }
    if (FindPopup(sub, popup, holder, position)) return true;
  }
  return false;
}

// Gives the native items of the bar the enabled states of the tree. A menu that is opening must
// not be rebuilt (Windows holds its handle), so the states are written into the items in place.
bool SyncNativeStates(HMENU bar) {
  T_MenuItem* root = MenuRoot();
  bool barChanged = false;
  for (T_MenuItem* item = MenuItem_NextInWalk(root); item != root;
       item = MenuItem_NextInWalk(item)) {
    UINT state = item->enabled ? MF_ENABLED : MF_GRAYED;
    if (item->nativeNumber) {
      EnableMenuItem(bar, item->nativeNumber, MF_BYCOMMAND | state);
    } else if (item->nativeMenu) {
      HMENU holder = nullptr;
      int32_t position = 0;
      if (!FindPopup(bar, item->nativeMenu, &holder, &position)) continue;
      UINT was = GetMenuState(holder, static_cast<UINT>(position), MF_BYPOSITION);
      if (((was & MF_GRAYED) != 0) == !item->enabled) continue;
      EnableMenuItem(holder, static_cast<UINT>(position), MF_BYPOSITION | state);
      if (holder == bar) barChanged = true;
    }
  }
  return barChanged;
}

// --- The standard menus ------------------------------------------------------------------------

struct StandardEntryRow {
  int32_t text;  // 0: a separator
  int32_t command;
  uint32_t flags;
  bool tagged;
  uint8_t key;
  uint32_t modifiers;
};

const StandardEntryRow kFileEntries[] = {
    {201, kCommandNew, 0, false, 'N', 0},
    {202, kCommandOpen, kMenuEllipsis, false, 'O', 0},
    {203, kCommandClose, 0, false, 0, 0},
    {0, 0, 0, false, 0, 0},
    {204, kCommandSave, 0, false, 'S', 0},
    {205, kCommandSaveAs, kMenuEllipsis, false, 12, 0},
    {0, 0, 0, false, 0, 0},
    {206, kCommandPreferences, kMenuEllipsis, false, 0, 0},
    {0, 0, 0, false, 0, 0},
    {207, kCommandPageSetup, kMenuEllipsis, false, 'P', kShortcutShift},
    {208, kCommandPrint, kMenuEllipsis, false, 'P', 0},
    {0, 0, kMenuInsertTrailing | kMenuDisabled, false, 0, 0},
    {209, kCommandExit, kMenuInsertTrailing, false, 'Q', 0},
};

const StandardEntryRow kEditEntries[] = {
    {211, kCommandUndo, 0, true, 'Z', 0},
    {212, kCommandRedo, 0, true, 'Z', kShortcutShift},
    {0, 0, 0, false, 0, 0},
    {213, kCommandCut, 0, true, 'X', 0},
    {214, kCommandCopy, 0, true, 'C', 0},
    {215, kCommandPaste, 0, true, 'V', 0},
    {0, 0, 0, false, 0, 0},
    {216, kCommandErase, 0, true, 'B', 0},
    {217, kCommandDuplicate, 0, true, 'D', 0},
    {0, 0, 0, false, 0, 0},
    {218, kCommandSelectAll, 0, false, 'A', 0},
};

const StandardEntryRow kWindowEntries[] = {
    {220, kCommandZoom, kMenuInsertTrailing | kMenuDisabled, false, 5, 0},
    {221, kCommandCloseWindow, kMenuInsertTrailing | kMenuDisabled, false, 'W', 0},
    {222, kCommandCloseAll, kMenuInsertTrailing, false, 'W', kShortcutAlt},
    {223, kCommandCascade, kMenuInsertTrailing, false, 0, 0},
    {224, kCommandTile, kMenuInsertTrailing, false, 0, 0},
    {225, kCommandArrangeIcons, kMenuInsertTrailing, false, 0, 0},
};

T_MenuItem* NewMenuOf(int32_t slot, uint32_t flags, int32_t text) {
  T_MenuItem* menu = new T_MenuItem(MenuRoot(), flags, 0);
  menu->SetTitleId(text);
  standardMenus[slot] = menu;
  return menu;
}

void AddEntries(T_MenuItem* menu, const StandardEntryRow* rows, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const StandardEntryRow& row = rows[i];
    T_MenuItem* item;
    if (row.tagged) {
      item = new T_MenuItemTag(menu, row.flags, row.command, row.text, row.key, row.modifiers);
    } else {
      item = new T_MenuItem(menu, row.flags, row.command);
      if (row.text) item->SetTitleId(row.text);
      item->SetShortcut(row.key, row.modifiers);
    }
    if (row.command < 0 && row.command > -kStandardSlots) {
      standardEntries[-row.command] = item;
      standardIsTag[-row.command] = row.tagged;
    }
  }
}

void WatchStandard() {
  for (T_MenuItem*& menu : standardMenus) MenuItem_Watch(&menu);
  for (T_MenuItem*& entry : standardEntries) MenuItem_Watch(&entry);
}

// --- The application's operations --------------------------------------------------------------

void EnableMenu(int32_t menu, bool on) { MenuItemSetEnabledIfAny(StandardMenu(menu), on); }
// The program's own entries live anywhere in the tree; the standard ones have their slots.
void EnableCommand(int32_t command, bool on) {
  T_MenuItem* entry = command < 0 ? StandardEntry(command) : MenuItem_FindCommand(MenuRoot(), command);
  MenuItemSetEnabledIfAny(entry, on);
}

void ClearTag(int32_t command) {
  T_MenuItem* entry = StandardEntry(command);
  if (entry && standardIsTag[-command]) static_cast<T_MenuItemTag*>(entry)->SetTagCopy(nullptr);
}

void PrepareAbout() {
  T_MenuItem* about = MenuAbout();
  // The first child's previous is the last child: About alone has nothing in front of it.
  if (!about || !about->parent || about == about->parent->firstChild) return;
  if (*about->previous->Title()) new T_MenuItem(about, kMenuInsertBefore, 0);
}

void ReloadTexts() {
  if (T_MenuItem* root = MenuRoot()) root->ReloadTexts();
}

void SetCommandTitle(int32_t command, int32_t textId) {
  T_MenuItem* entry = MenuItem_FindCommand(MenuRoot(), command);
  if (entry && entry->title.id != textId) entry->SetTitleId(textId);
}

bool RunNative(int32_t id) { return id > 0 && RunMenuCommandById(static_cast<uint32_t>(id)); }

void AboutListener(const char*, const char*) { MenuAboutUpdate(); }

const MenuOperations kOperations = {
    EnableMenu,       EnableCommand,         ClearTag,    PrepareAbout,
    MenuBarUpdate,    MenuShortcutFromEvent, ReloadTexts, RunNative,
    NativeMenusStart, NativeMenusStop,  SetCommandTitle,       MenuStatesRefresh,
};

}  // namespace

// --- Installation ------------------------------------------------------------------------------

void NativeMenusInstall() {
  static bool listening = false;
  if (!listening) {
    AddTitleListener(AboutListener);
    listening = true;
  }
  SetMenuOperations(&kOperations);
}

void NativeMenusStart() {
  T_MenuItem* root = MenuRootCreate();
  StandardMenusBuild();
  MenuItem_SetEnabled(root, true);
  MenuItemDisableIfAny(StandardEntry(kCommandSelectAll));
  MenuBarRebuild(true);
  ClearMenusChanged();
}

void NativeMenusStop() {
  T_MenuItem* root = MenuRoot();
  if (root && root->nativeMenu) {
    HWND frame = FrameWindow();
    if (frame && GetMenu(frame) == root->nativeMenu) SetMenu(frame, nullptr);
    DestroyMenu(root->nativeMenu);
    root->nativeMenu = root->currentNativeMenu = nullptr;
  }
  MenuRootDestroy();
}

void StandardMenusBuild() {
  if (!MenuRoot() || standardMenus[kMenuFile]) return;
  WatchStandard();
  T_MenuItem* file = NewMenuOf(kMenuFile, kMenuInsertInFront, 200);
  AddEntries(file, kFileEntries, static_cast<int32_t>(std::size(kFileEntries)));
  T_MenuItem* edit = NewMenuOf(kMenuEdit, kMenuInsertInFront, 210);
  AddEntries(edit, kEditEntries, static_cast<int32_t>(std::size(kEditEntries)));
  T_MenuItem* window = NewMenuOf(kMenuWindow, kMenuInsertTrailing, 219);
  AddEntries(window, kWindowEntries, static_cast<int32_t>(std::size(kWindowEntries)));
  if (!MenuHelp()) MenuHelpEnsure();
  T_MenuItem* help = MenuHelp();
  standardMenus[kMenuHelp] = help;
  if (help && !MenuAbout()) {
    auto* about = new T_MenuItemTag(help, kMenuInsertTrailing, kCommandAbout, 228, 0, 0);
    MenuSetAbout(about);
    standardEntries[-kCommandAbout] = about;
    standardIsTag[-kCommandAbout] = true;
    MenuAboutUpdate();
  }
}

T_MenuItem* StandardMenu(int32_t menu) {
  return menu > 0 && menu < kMenuSlots ? standardMenus[menu] : nullptr;
}

T_MenuItem* StandardEntry(int32_t command) {
  return command < 0 && command > -kStandardSlots ? standardEntries[-command] : nullptr;
}

// --- Building the bar --------------------------------------------------------------------------

int32_t MenuItemsLimit(int32_t screenHeight, int32_t versionClass) {
  int32_t limit = screenHeight / (versionClass < 3 ? 17 : 21);
  return limit < 12 ? 12 : limit;
}

void SetMenuItemsLimitOverride(int32_t limit) { itemsLimitOverride = limit; }

void SetMenuFailureAfter(int32_t n) {
  failAfter = n;
  nativeCalls = 0;
  capacityAlerted = false;  // each failure scenario of a test alerts afresh
}

void MenuBarRebuild(bool redraw) {
  T_MenuItem* root = MenuRoot();
  if (!root) return;
  HMENU old = root->nativeMenu;
  HMENU bar = NewMenu(true);
  if (!bar) {
    CapacityAlert();
    return;
  }
  root->nativeMenu = root->currentNativeMenu = bar;
  numberCounter = 0;
  itemsLimit = itemsLimitOverride > 0
                   ? itemsLimitOverride
                   : MenuItemsLimit(GetSystemMetrics(SM_CYSCREEN), OsVersionClass());
  MenuAssignMnemonics(root);
  for (T_MenuItem* child = root->firstChild; child; child = child->next) BuildEntry(child);

  HWND frame = FrameWindow();
  if (HWND client = MdiClient()) {
    T_MenuItem* windowMenu = StandardMenu(kMenuWindow);
    SendMessageW(client, WM_MDISETMENU, reinterpret_cast<WPARAM>(bar),
                 reinterpret_cast<LPARAM>(windowMenu ? windowMenu->nativeMenu : nullptr));
  } else if (frame) {
    SetMenu(frame, bar);
  }
  if (old) DestroyMenu(old);
  if (menuBarDrawing && redraw && frame) DrawMenuBar(frame);
}

void MenuBarUpdate() {
  if (!MenusChanged()) return;
  bool redraw = MenuBarChanged();
  ClearMenusChanged();
  MenuBarRebuild(redraw);
}

void MenuAssignMnemonics(T_MenuItem* parent) {
  if (!parent->mnemonicsNeeded) return;
  parent->mnemonicsNeeded = 0;
  bool used[36] = {};
  for (T_MenuItem* child = parent->firstChild; child; child = child->next) {
    const char* title = child->Title();
    child->mnemonicPosition = kMnemonicKeep;
    if (!*title) continue;
    if (const char* amp = std::strchr(title, '&')) {
      int32_t mark = MarkOf(amp[1]);
      if (mark >= 0) used[mark] = true;
    } else {
      child->mnemonicPosition = kMnemonicNeeded;
    }
  }
  for (T_MenuItem* child = parent->firstChild; child; child = child->next) {
    if (child->mnemonicPosition == kMnemonicNeeded) TakeFree(used, child, 0);
  }
  for (T_MenuItem* child = parent->firstChild; child; child = child->next) {
    if (child->mnemonicPosition != kMnemonicNeeded) continue;
    const char* title = child->Title();
    for (int32_t i = 1; title[i] && i < kMnemonicKeep; ++i) {
      if (title[i - 1] == ' ' && TakeFree(used, child, i)) break;
    }
  }
  for (T_MenuItem* child = parent->firstChild; child; child = child->next) {
    if (child->mnemonicPosition != kMnemonicNeeded) continue;
    const char* title = child->Title();
    for (int32_t i = 1; title[i] && i < kMnemonicKeep; ++i) {
      if (TakeFree(used, child, i)) break;
    }
  }
}

void MenuShortcutText(uint8_t key, uint32_t modifiers, T_TextBuf* text) {
  TextBufAssign(text, "");
  if (key == 0 || (key > kShortcutLastFunctionKey && key < 32)) return;
  if (modifiers & kShortcutShift) TextBufAppend(text, "Shift+");
  if (modifiers & kShortcutAlt) TextBufAppend(text, "Alt+");
  if (key >= 32) {
    TextBufAppend(text, "Ctrl+");
    TextBufAppendWideChar(text, key);
  } else {
    TextBufAppendChar(text, 'F');
    TextBufAppendInt(text, key);
  }
}

void MenuNativeLabel(const T_MenuItem* item, T_TextBuf* label) {
  TextBufAssign(label, item->Title());
  if (item->mnemonicPosition < kMnemonicKeep && item->mnemonicPosition < label->length) {
    TextBufInsertChar(label, item->mnemonicPosition, '&');
  }
  if (label->length == 0) return;
  if (item->ellipsis) TextBufAppend(label, "\xE2\x80\xA6");
  if (item->parent && item->parent->childrenHavePictures) TextBufInsertChar(label, 0, ' ');
  if (!item->firstChild && item->shortcutKey) {
    T_TextBuf shortcut;
    MenuShortcutText(item->shortcutKey, item->shortcutModifiers, &shortcut);
    if (shortcut.empty()) return;
    TextBufAppendChar(label, '\t');
    TextBufAppendBuf(label, &shortcut);
  }
}

// --- Finding and running entries ------------------------------------------------------------

T_MenuItem* MenuFindNative(uint32_t number) {
  T_MenuItem* root = MenuRoot();
  if (!root || number == 0) return nullptr;
  for (T_MenuItem* item = MenuItem_NextInWalk(root); item != root;
       item = MenuItem_NextInWalk(item)) {
    if (item->nativeNumber == number) return item;
  }
  return nullptr;
}

T_MenuItem* MenuFindShortcut(T_MenuItem* from, uint8_t key, uint32_t modifiers) {
  // Bytes between the last function key and the first character name no key.
  if (!from || !from->enabled || key == 0 || (key > kShortcutLastFunctionKey && key < 32))
    return nullptr;
  if (from->shortcutKey == key && (from->shortcutModifiers & 3) == (modifiers & 3)) return from;
  for (T_MenuItem* child = from->firstChild; child; child = child->next) {
    if (T_MenuItem* found = MenuFindShortcut(child, key, modifiers)) return found;
  }
  return nullptr;
}

bool MenuShortcutOfEvent(const InputEvent* event, uint8_t* key, uint32_t* modifiers) {
  uint32_t code = event->keyCode;
  if (code == 0) return false;
  if (code == kKeyFunction) {
    int32_t number = static_cast<int32_t>(event->virtualKey) - (VK_F1 - 1);
    if (number < 1 || number > kShortcutLastFunctionKey) return false;
    *key = static_cast<uint8_t>(number);
  } else {
    // Codes below 32 are keys without a character (Home, arrows, Enter ...): as shortcut keys
    // they would stand for function keys. Above 255 no shortcut byte can name them.
    if (code < 32 || code > 255) return false;
    uint32_t upper = CharToUpper(code);
    *key = static_cast<uint8_t>(upper <= 255 ? upper : code);
  }
  *modifiers = (event->shift ? kShortcutShift : 0) | (event->leftAlt ? kShortcutAlt : 0);
  return true;
}

bool MenuRunShortcut(uint8_t key, uint32_t modifiers) {
  // The enabled states must be those of this moment before the lookup.
  SetIdleInterval(0);
  if (T_Application* app = App()) Application_Idle(app);
  T_MenuItem* root = MenuRoot();
  T_MenuItem* entry = MenuFindShortcut(root, key, modifiers);
  if (!entry) return false;
  HWND frame = FrameWindow();
  HMENU bar = root->nativeMenu;
  int32_t position = frame && bar && GetMenu(frame) == bar ? BarPosition(bar, entry) : -1;
  menuBarDrawing = false;
  if (position >= 0) {
    HiliteMenuItem(frame, bar, position, MF_BYPOSITION | MF_HILITE);
    Sleep(kShortcutFlash);
    HiliteMenuItem(frame, bar, position, MF_BYPOSITION | MF_UNHILITE);
  }
  RunMenuCommand(entry);  // may rebuild or delete anything: nothing above is used afterwards
  menuBarDrawing = true;
  if (HWND now = FrameWindow()) DrawMenuBar(now);
  return true;
}

bool MenuShortcutFromEvent(InputEvent* event) {
  uint8_t key = 0;
  uint32_t modifiers = 0;
  if (!MenuShortcutOfEvent(event, &key, &modifiers)) return false;
  return MenuRunShortcut(key, modifiers);
}

void RunMenuCommand(T_MenuItem* item) {
  if (!item) return;
  SetBusyDeadline();
  HoldEnter();
  item->Execute();
  HoldLeave();
  SetIdleInterval(0);
  PendingErrorReport();
}

bool MenuEntryEnabled(const T_MenuItem* item) {
  for (; item; item = item->parent) {
    if (!item->enabled) return false;
  }
  return true;
}

void MenuStatesRefresh() {
  T_MenuItem* root = MenuRoot();
  if (!root) return;
  if (T_EventHandler* target = CommandTarget()) target->UpdateCommands();
  HWND frame = FrameWindow();
  if (root->nativeMenu && SyncNativeStates(root->nativeMenu) && frame && menuBarDrawing)
    DrawMenuBar(frame);
}

bool RunMenuCommandById(uint32_t number) {
  if (!MenuFindNative(number)) return false;
  // A command message may come when the entry is grey (another program, a message queued before
  // a change): the entry runs only when the state of this moment allows it. The update may
  // rebuild submenus, so the entry is looked up again after it.
  MenuStatesRefresh();
  T_MenuItem* item = MenuFindNative(number);
  if (item && MenuEntryEnabled(item)) RunMenuCommand(item);
  return true;
}

void SetMenuBarItemEnabled(bool on) { MenuItemSetEnabledIfAny(MenuRoot(), on); }
