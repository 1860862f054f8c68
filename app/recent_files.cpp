#include "app/recent_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/document_files.h"
#include "app/preferences.h"
#include "core/alert.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/settings_store.h"
#include "core/text_buffer.h"
#include "ui/application.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/window.h"

namespace {

constexpr int32_t kTextOpenRecentFile = 2500;
constexpr int32_t kTextClearRecentFiles = 2501;
constexpr int32_t kTextClearThisMenu = 2502;
// Long paths keep their head and tail around an ellipsis, as alert captions do.
constexpr int32_t kTitleMax = 64;
constexpr int32_t kTitleHead = 24;

char* slots[kRecentFileSlots] = {};
int32_t chosenSlot = -1;
T_MenuItem* submenu = nullptr;  // watched while it exists

// A file entry remembers its slot, which the command it sends cannot carry.
class T_RecentFileEntry : public T_MenuItem {
 public:
  T_RecentFileEntry(T_MenuItem* parent, uint32_t flags, int32_t slot)
      : T_MenuItem(parent, flags, kCommandRecentFile), slot(slot) {}
  void Execute() override {
    chosenSlot = slot;
    T_MenuItem::Execute();  // may delete this entry
    chosenSlot = -1;
  }
  int32_t slot;
};

void SlotName(char* name, int32_t slot) { std::snprintf(name, 24, "QEB5.RecentFile%d", slot); }

int32_t Count() {
  int32_t count = Prefs().recentCount;
  return count < 0 ? 0 : count > kRecentFileSlots ? kRecentFileSlots : count;
}

void ReadFromStore() {
  SettingsStore user;
  SettingsOpen(&user, kPreferencesSection, kSettingsUser);
  ReadRecentFiles(&user);
  SettingsClose(&user);
}

// The last parts of a path: its file name for 1, the folder above and the name for 2, and so on;
// the whole path once the parts run out.
const char* PathTail(const char* path, int32_t parts) {
  const char* at = path + std::strlen(path);
  while (at > path) {
    char c = at[-1];
    if ((c == '\\' || c == '/') && --parts == 0) return at;
    --at;
  }
  return path;
}

// The shown texts of the entries: each path or its file name, shortened in the middle when long,
// with "&" doubled so that a path holding one shows it rather than a mnemonic. Two files of one
// name show as many of their folders as tell them apart; a shortening that would make two texts
// alike is left out for them.
void EntryTitles(const int32_t* order, int32_t n, T_TextBuf* titles) {
  int32_t parts[kRecentFileSlots];
  const char* shown[kRecentFileSlots];
  for (int32_t i = 0; i < n; ++i) parts[i] = 1;
  for (bool widened = true; widened;) {
    widened = false;
    for (int32_t i = 0; i < n; ++i) {
      const char* path = slots[order[i]];
      shown[i] = Prefs().recentFullPaths ? path : PathTail(path, parts[i]);
    }
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t j = i + 1; j < n; ++j) {
        if (!StrEqualNoCase(shown[i], shown[j])) continue;
        for (int32_t k : {i, j}) {
          if (shown[k] == slots[order[k]]) continue;  // already the whole path
          ++parts[k];
          widened = true;
        }
      }
    }
  }
  for (int32_t i = 0; i < n; ++i) {
    TextBufAssign(&titles[i], shown[i]);
    TextBufAbbreviate(&titles[i], kTitleMax, kTitleHead, "\xE2\x80\xA6");
  }
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = i + 1; j < n; ++j) {
      if (!StrEqualNoCase(titles[i].c_str(), titles[j].c_str())) continue;
      TextBufAssign(&titles[i], shown[i]);
      TextBufAssign(&titles[j], shown[j]);
    }
  }
  for (int32_t i = 0; i < n; ++i) TextBufReplaceAll(&titles[i], "&", "&&");
}

void DeleteMenuEntries(T_MenuItem* file) {
  delete submenu;  // clears the watched pointer
  for (T_MenuItem* child = file->firstChild; child;) {
    T_MenuItem* following = child->next;
    if (child->command == kCommandRecentFile || child->command == kCommandClearRecentFiles) {
      delete child;
    }
    child = following;
  }
}

}  // namespace

const char* RecentFile(int32_t slot) {
  return slot >= 0 && slot < kRecentFileSlots ? slots[slot] : nullptr;
}

int32_t ChosenRecentSlot() { return chosenSlot; }

void ClearRecentFiles() {
  for (char*& slot : slots) BlockTextFree(&slot);
}

void ClearRecentFileList() {
  ClearRecentFiles();
  WriteRecentFiles();
  BuildRecentFilesMenu();
}

void ReadRecentFiles(SettingsStore* store) {
  int32_t count = Count();
  for (int32_t slot = 0; slot < kRecentFileSlots; ++slot) {
    if (slot >= count) {
      BlockTextFree(&slots[slot]);
      continue;
    }
    char name[24];
    SlotName(name, slot);
    T_TextBuf path;
    SettingsRead(store, name, &path);
    BlockTextAssignBuf(&slots[slot], &path);
  }
}

void WriteRecentFiles() {
  SettingsStore user;
  SettingsOpen(&user, kPreferencesSection, kSettingsUser);
  int32_t count = Count();
  for (int32_t slot = 0; slot < kRecentFileSlots; ++slot) {
    char name[24];
    SlotName(name, slot);
    if (slot < count && slots[slot]) {
      SettingsWrite(&user, name, slots[slot]);
    } else {
      SettingsDelete(&user, name);
    }
  }
  SettingsClose(&user);
}

void AddRecentFile(const char* path) {
  int32_t count = Count();
  if (count == 0 || AbortRequested() || !path || !*path) return;
  ReadFromStore();
  int32_t found = count - 1;  // not found: everything moves and the last one drops out
  for (int32_t slot = 0; slot < count - 1; ++slot) {
    if (slots[slot] && StrEqualNoCase(slots[slot], path)) {
      found = slot;
      break;
    }
  }
  char* added = StrDup(path);
  if (!added) return;  // out of memory: the list stays as it was
  BlockTextFree(&slots[found]);
  for (int32_t slot = found; slot > 0; --slot) slots[slot] = slots[slot - 1];
  slots[0] = added;
  WriteRecentFiles();
  BuildRecentFilesMenu();
}

void OpenRecentFile(int32_t slot) {
  if (slot < 0 || slot >= Count() || !slots[slot]) return;
  // Opening records the file again and so rewrites the slots: open a copy.
  T_TextBuf path(slots[slot]);
  OpenDatabaseFile(path.c_str(), 0, nullptr);
}

void BuildRecentFilesMenu() {
  T_MenuItem* file = StandardMenu(kMenuFile);
  if (!file) return;
  DeleteMenuEntries(file);
  int32_t count = Count();
  int32_t order[kRecentFileSlots];
  int32_t n = 0;
  for (int32_t slot = 0; slot < count; ++slot) {
    if (slots[slot]) order[n++] = slot;
  }
  if (n == 0) return;
  if (Prefs().recentFullPaths) {
    std::stable_sort(order, order + n,
                     [](int32_t a, int32_t b) { return StrCompareNoCase(slots[a], slots[b]) < 0; });
  }

  T_MenuItem* menu = file;
  uint32_t mode = kMenuInsertInFront;
  if (Prefs().recentSubmenu) {
    T_MenuItem* close = StandardEntry(kCommandClose);
    submenu = close ? new T_MenuItem(close, kMenuInsertAfter, 0)
                    : new T_MenuItem(file, kMenuInsertInFront, 0);
    submenu->SetTitleId(kTextOpenRecentFile);
    MenuItem_Watch(&submenu);
    menu = submenu;
  } else {
    new T_MenuItem(file, kMenuInsertInFront, kCommandRecentFile);  // the separator
  }
  T_TextBuf titles[kRecentFileSlots];
  EntryTitles(order, n, titles);
  for (int32_t i = 0; i < n; ++i) {
    auto* entry = new T_RecentFileEntry(menu, mode, order[i]);
    entry->SetTitleCopy(titles[i].c_str());
  }
  if (Prefs().recentSubmenu) {
    new T_MenuItem(menu, mode, 0);
    auto* clear = new T_MenuItem(menu, mode, kCommandClearRecentFiles);
    clear->SetTitleId(kTextClearThisMenu);
  } else {
    auto* clear = new T_MenuItem(menu, mode, kCommandClearRecentFiles);
    clear->SetTitleId(kTextClearRecentFiles);
  }
}
