#pragma once
// The list of recently opened files and its entries in the File menu.
//
// Eight slots hold full paths, slot 0 the most recent; "QEB5.RecentFile" (Prefs().recentCount)
// says how many are in use, and 0 switches the list off. The list lives in the user's settings
// store ("QEB5.RecentFile0" to "QEB5.RecentFile7") and is read again before every change, so that
// what another running instance recorded in between survives.
//
// The menu has two forms: entries appended to the File menu (a separator, one entry per file,
// "Clear Recent files"), or a submenu "Open Recent File" after "Close" (the files, a separator,
// "Clear this menu"). The file entries carry command 10, the clearing entries command 11.
//
// User-interface thread only.
#include <cstdint>

struct SettingsStore;

constexpr int32_t kCommandRecentFile = 10;
constexpr int32_t kCommandClearRecentFiles = 11;

// The path in a slot; null when the slot is empty or outside 0..7.
const char* RecentFile(int32_t slot);

// Empties the slots without touching the store (start-up, before the preferences are read).
void ClearRecentFiles();
// The clearing command: empties the slots, writes the list and rebuilds the menu.
void ClearRecentFileList();
// Slots below the count from the store; the others are emptied.
void ReadRecentFiles(SettingsStore* store);
// Slots below the count that hold a path are written; every other value is deleted.
void WriteRecentFiles();

// Records a file that was just opened: it moves to slot 0 (letter case ignored in finding it;
// the path as given is kept), the others move down and the last one drops out. Nothing while the
// list is switched off or the abort flag is raised.
void AddRecentFile(const char* path);
// Opens the file of a slot below the count (through the open hook of app/document_files.h);
// other slots do nothing. A file that no longer exists stays on the list.
void OpenRecentFile(int32_t slot);
// Replaces the recent-file entries of the File menu by the current list in the current form.
void BuildRecentFilesMenu();

// The slot of the recent-file entry being run (set while its command travels), or -1.
int32_t ChosenRecentSlot();
