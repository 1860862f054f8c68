#pragma once
// The menu tree: every menu, entry and separator of the program is a T_MenuItem, independent of
// the native menu bar that is built from it (ui/native_menu.h). Parts of the program add their
// menus and commands here, change titles, shortcuts and enabled states, and run a command by
// executing its item. For the program's own commands the command id is the text id of the
// label; the toolkit's standard commands have negative ids.
//
// Invariants:
//   1. The children of an item form a ring through next and previous: the first child's previous
//      is the last child, the last child's next is null.
//   2. Trailing children (the group kept at the end, insert mode 1) stand together after every
//      child that is not trailing; an item inserted next to a trailing sibling joins the group.
//   3. Nothing native is touched here: setters only raise MenusChanged (and MenuBarChanged for a
//      menu of the bar) and, for a new title, the parent's mnemonics-needed byte. The idle pass
//      rebuilds the native menus from the flags.
//   4. A pointer registered with MenuItem_Watch never outlives its item: the destructor of the
//      item it points to clears it.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "core/owned_text.h"
#include "ui/element.h"

// Creation flags: the insert mode in bits 0-1, then the state bits.
constexpr uint32_t kMenuInsertInFront = 0;   // before the trailing group of the parent
constexpr uint32_t kMenuInsertTrailing = 1;  // at the end of the parent, kept there
constexpr uint32_t kMenuInsertBefore = 2;    // before the given sibling
constexpr uint32_t kMenuInsertAfter = 3;     // after the given sibling
constexpr uint32_t kMenuDisabled = 4;
constexpr uint32_t kMenuEllipsis = 8;

// Mnemonic positions below these are byte indexes into the title.
constexpr uint16_t kMnemonicKeep = 65534;    // leave the title as it is
constexpr uint16_t kMnemonicNeeded = 65535;  // still needs one

// Shortcut modifiers (Control is always part of a character shortcut).
constexpr uint32_t kShortcutShift = 1;
constexpr uint32_t kShortcutAlt = 2;
// Shortcut keys 1 to this are the function keys F1 to F24; 25 to 31 name no key.
constexpr uint8_t kShortcutLastFunctionKey = 24;

class T_MenuItem : public T_Object {
 public:
  // Links the item by the insert mode (flags & 3): other is the parent for modes 0 and 1 and a
  // sibling for modes 2 and 3; null makes a root. The title starts empty (a separator until a
  // title is set).
  T_MenuItem(T_MenuItem* other, uint32_t flags, int32_t command);
  // Deletes the children and unlinks the item; marks the menus changed.
  virtual ~T_MenuItem();
  T_MenuItem(const T_MenuItem&) = delete;
  T_MenuItem& operator=(const T_MenuItem&) = delete;

  // Runs the command through the command target with the current command title set to the
  // shown title without "&"; reports a pending error afterwards. The item may be deleted by the
  // command: nothing of it is used after the dispatch.
  virtual void Execute();
  // Re-reads titles that came from text ids, here and below (after a language change).
  virtual void ReloadTexts();

  void SetTitleRef(const char* text);  // the caller's text, not copied
  void SetTitleId(int32_t textId);
  void SetTitleCopy(const char* text);
  void SetTitleBlock(const char* block);  // a copy of an owned block text
  void SetBitmap(uint32_t id);
  void SetShortcut(uint8_t key, uint32_t modifiers);
  // The shown title; an empty text for none.
  const char* Title() const { return title.shown ? title.shown : ""; }
  bool IsSeparator() const { return !firstChild && !*Title(); }

  // Set by the native menus (ui/native_menu.h).
  uint32_t nativeNumber = 0;
  uint16_t mnemonicPosition = kMnemonicKeep;
  uint8_t childrenHavePictures = 0;
  HMENU nativeMenu = nullptr;
  HMENU currentNativeMenu = nullptr;
  uint8_t mnemonicsNeeded = 1;

  T_MenuItem* next = nullptr;
  T_MenuItem* previous = nullptr;
  T_MenuItem* parent = nullptr;
  T_MenuItem* firstChild = nullptr;
  int32_t command = 0;  // 0 for menus, separators and titles
  UiText title{};
  uint32_t bitmap = 0;
  uint8_t enabled = 1;
  uint8_t trailing = 0;
  uint8_t checked = 0;  // set by the item's owner; the model only stores it
  uint8_t ellipsis = 0;
  uint8_t shortcutKey = 0;  // 32 and up: Control + the character; 1-24: function key F1-F24
  uint32_t shortcutModifiers = 0;
};

// An entry whose title is a pattern with "@0" filled by a tag: the name of what would be
// undone, the kind of data to paste, the program name for About. Created disabled.
class T_MenuItemTag : public T_MenuItem {
 public:
  T_MenuItemTag(T_MenuItem* other, uint32_t flags, int32_t command, int32_t patternId, uint8_t key,
                uint32_t modifiers);
  ~T_MenuItemTag() override;

  void ReloadTexts() override;

  void SetTagAndEnable(int32_t textId, bool on);
  void SetTagCopy(const char* text);
  void SetTagCopyAndEnable(const char* text, bool on);

  int32_t patternId;
  UiText tag{};
};

// The title from the pattern and the tag. A tag from a text id is put in lower case when the
// language is not English (it stands inside a sentence there). Nothing is marked when the title
// stays the same.
void MenuItemTag_Rebuild(T_MenuItemTag* item);

// --- The tree -----------------------------------------------------------------------------------

void MenuItem_Link(T_MenuItem* item, T_MenuItem* other, uint32_t mode);
void MenuItem_Unlink(T_MenuItem* item);
void MenuItem_MarkChanged(T_MenuItem* item, bool retitled);
void MenuItem_SetEnabled(T_MenuItem* item, bool on);
// The same for an item that may be missing.
void MenuItemSetEnabledIfAny(T_MenuItem* item, bool on);
void MenuItemEnableIfAny(T_MenuItem* item);
void MenuItemDisableIfAny(T_MenuItem* item);
// The next item of a depth-first walk; the walk's top item (the root) once it is complete.
T_MenuItem* MenuItem_NextInWalk(T_MenuItem* item);
// The first item below (and including) the top whose command id is the one given; null for
// command 0 or when there is none.
T_MenuItem* MenuItem_FindCommand(T_MenuItem* top, int32_t command);

// Registers a pointer that the destructor of the item it points to clears (at most 64).
void MenuItem_Watch(T_MenuItem** holder);
void MenuItem_Unwatch(T_MenuItem** holder);

// --- Process-wide state ------------------------------------------------------------------------

// The root (the menu bar); null before MenuRootCreate and after MenuRootDestroy.
T_MenuItem* MenuRoot();
T_MenuItem* MenuRootCreate();
// Deletes the root with the whole tree; the flags are cleared.
void MenuRootDestroy();

bool MenusChanged();
bool MenuBarChanged();
void ClearMenusChanged();  // both flags

// The caption of alerts raised while a command runs; null when none runs.
const char* CurrentCommandTitle();
void SetCurrentCommandTitle(const char* title);

// The "Help" menu: a trailing menu of the bar with title 226, created once.
T_MenuItem* MenuHelpEnsure();
T_MenuItem* MenuHelp();
// The "About" entry under Help (created by the standard menus), or null.
T_MenuItemTag* MenuAbout();
void MenuSetAbout(T_MenuItemTag* item);
// Puts a copy of the program's name and version into About's tag, when About exists.
void MenuAboutUpdate();
