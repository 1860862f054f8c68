#pragma once
// The native menu bar of the frame window, built from the menu tree (ui/menu_model.h): the
// standard File, Edit, Window and Help menus, keyboard mnemonics and shortcut labels, long menus
// continued in "More" submenus, running an entry chosen with the mouse or its shortcut, and the
// alert when Windows cannot hold the menus.
//
// The bar is rebuilt whole after every change of the tree, never patched: native numbers (the
// WM_COMMAND ids of the entries) are valid only until the next rebuild, so a command message is
// resolved at once.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/menu_model.h"

struct InputEvent;
struct T_TextBuf;

// The Edit menu's commands besides Undo and Select All (ui/window.h has the others).
constexpr int32_t kCommandRedo = -9;
constexpr int32_t kCommandCut = -8;
constexpr int32_t kCommandCopy = -7;
constexpr int32_t kCommandPaste = -6;
constexpr int32_t kCommandErase = -5;
constexpr int32_t kCommandDuplicate = -4;

// Installs this layer's MenuOperations on the application (the application then builds the
// standard menus when it is constructed and deletes the tree when it is destroyed) and keeps
// About's tag on the program name.
void NativeMenusInstall();

// Creates the root, the standard menus under it and the native bar; the root is enabled and
// Select All disabled.
void NativeMenusStart();
// Detaches the bar from the frame and deletes it and the menu tree.
void NativeMenusStop();

// Creates the standard menus under the root and the Help menu with About (tagged with the
// program name).
void StandardMenusBuild();
// A standard menu (kMenuFile to kMenuHelp of ui/application.h) or entry (its negative command
// id); null when it does not exist (any more).
T_MenuItem* StandardMenu(int32_t menu);
T_MenuItem* StandardEntry(int32_t command);

// --- Building the bar --------------------------------------------------------------------------

// A new bar from the tree, handed to the frame (through the MDI client, with the Window menu as
// the menu that lists the document windows); the old bar is destroyed. DrawMenuBar when redraw
// is set and menu-bar drawing is on.
void MenuBarRebuild(bool redraw);
// The idle update: rebuilds when the tree changed (redrawing when a menu of the bar changed)
// and clears the flags.
void MenuBarUpdate();

// Entries per native menu before a "More" submenu takes the rest: the screen height over 17
// (Windows version class below 3) or 21, at least 12.
int32_t MenuItemsLimit(int32_t screenHeight, int32_t versionClass);
// For tests: a fixed limit in place of the screen's (0 goes back to the screen's).
void SetMenuItemsLimitOverride(int32_t limit);
// For tests: native menu calls fail from the nth on (0 never), as when Windows runs out.
void SetMenuFailureAfter(int32_t n);

// Gives the children of an item their mnemonic positions when the item asks for it (and clears
// its mnemonics-needed byte): an explicit "&" is kept and blocks its letter, then the first
// character, then a character after a blank, then any later character, each only while its
// letter or digit is free among the siblings.
void MenuAssignMnemonics(T_MenuItem* parent);
// The native label of an entry: title, "…" for the ellipsis, "&" at the mnemonic position, a
// blank in front when the siblings have pictures, and for a command a TAB and its shortcut.
void MenuNativeLabel(const T_MenuItem* item, T_TextBuf* label);
// "Shift+", "Alt+", then "Ctrl+" and the character or "F" and the number; empty for none and
// for the keys 25 to 31, which name no key.
void MenuShortcutText(uint8_t key, uint32_t modifiers, T_TextBuf* text);

// --- Finding and running entries ------------------------------------------------------------

// The entry with that native number, or null (0 never matches).
T_MenuItem* MenuFindNative(uint32_t number);
// Depth first from the item: a disabled entry is skipped with everything below it; the first
// enabled entry with that key and modifiers (Shift and Alt) is the result. Keys 25 to 31 match
// nothing.
T_MenuItem* MenuFindShortcut(T_MenuItem* from, uint8_t key, uint32_t modifiers);
// The shortcut of a key event: a function key F1 to F24 gives its number, a character key its
// upper-case character; Shift and the left Alt give the modifiers. False for keys without a
// character (arrows, Home, Enter ...), which no shortcut names.
bool MenuShortcutOfEvent(const InputEvent* event, uint8_t* key, uint32_t* modifiers);
// Brings the enabled states up to date, finds the entry, flashes its menu in the bar and runs it;
// false when no entry has the shortcut.
bool MenuRunShortcut(uint8_t key, uint32_t modifiers);
bool MenuShortcutFromEvent(InputEvent* event);

// Runs an entry: arms the wait cursor, holds the user interface, executes the entry, asks for an
// early idle update and reports a pending error.
void RunMenuCommand(T_MenuItem* item);
// Whether the entry and every menu above it are enabled.
bool MenuEntryEnabled(const T_MenuItem* item);
// Sets the enabled states of this moment (the command target's update) and writes them into the
// native menus in place, for a menu that is opening (WM_INITMENU, WM_INITMENUPOPUP).
void MenuStatesRefresh();
// Runs the entry with that native number (a WM_COMMAND id) when it is enabled at this moment;
// false when there is no such entry.
bool RunMenuCommandById(uint32_t number);
// Enables or disables the whole menu bar (the root): a disabled bar offers no shortcuts.
void SetMenuBarItemEnabled(bool on);
