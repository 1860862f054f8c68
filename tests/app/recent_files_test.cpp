// The recent-files list: where an opened file goes, what is kept and dropped, what another
// running instance wrote in between, opening an entry, clearing, and both forms of the menu.
#include <string>
#include <vector>

#include "app_fixture.h"
#include "core/alert.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"

namespace app_test {
namespace {

std::string SlotName(int32_t slot) { return "QEB5.RecentFile" + std::to_string(slot); }

void Store(const std::vector<std::string>& slots) {
  for (size_t i = 0; i < slots.size(); ++i) {
    WritePref(HKEY_CURRENT_USER, SlotName(static_cast<int32_t>(i)), slots[i]);
  }
}

// The stored list, up to its last value.
std::vector<std::string> Stored() {
  std::vector<std::string> slots;
  for (int32_t slot = 0; slot < kRecentFileSlots; ++slot) {
    slots.push_back(ReadPref(HKEY_CURRENT_USER, SlotName(slot)));
  }
  while (!slots.empty() && slots.back() == "<none>") slots.pop_back();
  return slots;
}

// A menu as "title" lines: "-" a separator, ">" in front of a submenu's entries, "(10)" after an
// entry of command 10 or 11.
void DumpMenu(const T_MenuItem* menu, const std::string& indent, std::string* out) {
  for (const T_MenuItem* item = menu->firstChild; item; item = item->next) {
    *out += indent + (item->IsSeparator() ? "-" : item->Title());
    if (item->command == kCommandRecentFile || item->command == kCommandClearRecentFiles)
      *out += "(" + std::to_string(item->command) + ")";
    *out += "\n";
    if (item->firstChild) DumpMenu(item, indent + ">", out);
  }
}

// The part of the File menu the recent files touch: from "Close" to "Print" and what follows.
std::string RecentPart() {
  std::string all;
  DumpMenu(StandardMenu(kMenuFile), "", &all);
  std::string part;
  size_t close = all.find("Close\n");
  size_t save = all.find("Save\n");
  size_t print = all.find("Export\n");
  part += all.substr(close, save - close);
  part += "...\n";
  part += all.substr(print + 7);
  return part;
}

struct AddCase {
  std::vector<std::string> before;
  int32_t count;
  bool abort;
  const char* opened;
  std::vector<std::string> after;
};

using RecentFilesTest = AppTest;

TEST_F(RecentFilesTest, AnOpenedFileGoesFirstAndTheListKeepsItsRules) {
  const std::vector<std::string> full = {"a", "b", "c", "d", "e", "f", "g", "h"};
  const AddCase cases[] = {
      {{}, 8, false, "x", {"x"}},
      {{"a", "b", "c", "d"}, 8, false, "d", {"d", "a", "b", "c"}},  // slot 3 to 0
      {{"a", "b", "c", "d"}, 8, false, "a", {"a", "b", "c", "d"}},
      {full, 8, false, "new", {"new", "a", "b", "c", "d", "e", "f", "g"}},  // slot 7 drops out
      {full, 8, false, "h", {"h", "a", "b", "c", "d", "e", "f", "g"}},
      {{"C:\\Data\\Sales.qeb", "b"},
       8,
       false,
       "c:\\data\\SALES.qeb",
       {"c:\\data\\SALES.qeb", "b"}},  // another letter case is the same file
      {{"a", "b", "c"}, 3, false, "c", {"c", "a", "b"}},
      {{"a", "b", "c", "d"}, 3, false, "x", {"x", "a", "b"}},  // slots past the count go
      {{"a", "b"}, 0, false, "x", {"a", "b"}},                 // the list is off
      {{"a", "b"}, 8, true, "x", {"a", "b"}},                  // an abort records nothing
  };
  for (const AddCase& c : cases) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kPrefsKey);
    Store(c.before);
    Prefs().recentCount = c.count;
    if (c.abort) PendingErrorSet(600);
    AddRecentFile(c.opened);
    PendingErrorClear();
    EXPECT_EQ(Stored(), c.after) << c.opened << " into " << c.before.size() << " slots of "
                                 << c.count;
  }
}

TEST_F(RecentFilesTest, WhatAnotherInstanceRecordedInBetweenSurvives) {
  AddRecentFile("C:\\one.qeb");
  // Another running instance opens a file and records it.
  Store({"C:\\other.qeb", "C:\\one.qeb"});
  AddRecentFile("C:\\two.qeb");
  EXPECT_EQ(Stored(), (std::vector<std::string>{"C:\\two.qeb", "C:\\other.qeb", "C:\\one.qeb"}));
  EXPECT_STREQ(RecentFile(1), "C:\\other.qeb");
}

TEST_F(RecentFilesTest, AnEntryOpensItsOwnSlotAndAMissingFileStaysListed) {
  StartApplication();
  Store({"C:\\a.qeb", "C:\\b.qeb", "C:\\c.qeb"});
  LoadPreferences();
  BuildRecentFilesMenu();
  T_MenuItem* file = StandardMenu(kMenuFile);
  T_MenuItem* second = nullptr;
  for (T_MenuItem* item = file->firstChild; item; item = item->next) {
    if (item->command == kCommandRecentFile && std::string(item->Title()) == "b.qeb") second = item;
  }
  ASSERT_NE(second, nullptr);
  second->Execute();
  ASSERT_EQ(FileCalls().size(), 1u);
  EXPECT_EQ(FileCalls()[0].path, "C:\\b.qeb");
  EXPECT_EQ(Stored(), (std::vector<std::string>{"C:\\b.qeb", "C:\\a.qeb", "C:\\c.qeb"}));

  // Without the file operations nothing opens: the file is reported, and stays on the list.
  SetDocumentFileOperations(nullptr);
  OpenRecentFile(2);
  OpenRecentFile(5);  // an empty slot
  OpenRecentFile(-1);
  EXPECT_EQ(user.Messages(), std::vector<int32_t>{605});
  EXPECT_EQ(user.asked[0].text, "Unable to open file 'c.qeb'");
  EXPECT_EQ(Stored(), (std::vector<std::string>{"C:\\b.qeb", "C:\\a.qeb", "C:\\c.qeb"}));
}

TEST_F(RecentFilesTest, BothMenuFormsWithNamesOrFullPathsAndClearing) {
  StartApplication();
  Store({"C:\\data\\beta.qeb", "C:\\Data\\Alpha.qeb", "D:\\R&D\\gamma.qex"});
  LoadPreferences();
  struct FormCase {
    bool fullPaths;
    bool submenu;
    const char* menu;
  } forms[] = {
      {false, false,
       "Close\n-\n...\n-(10)\nbeta.qeb(10)\nAlpha.qeb(10)\ngamma.qex(10)\n"
       "Clear Recent files(11)\n-\nExit\n"},
      {true, false,
       "Close\n-\n...\n-(10)\nC:\\Data\\Alpha.qeb(10)\nC:\\data\\beta.qeb(10)\n"
       "D:\\R&&D\\gamma.qex(10)\nClear Recent files(11)\n-\nExit\n"},
      {false, true,
       "Close\nOpen Recent File\n>beta.qeb(10)\n>Alpha.qeb(10)\n>gamma.qex(10)\n>-\n"
       ">Clear this menu(11)\n-\n...\n-\nExit\n"},
      {true, true,
       "Close\nOpen Recent File\n>C:\\Data\\Alpha.qeb(10)\n>C:\\data\\beta.qeb(10)\n"
       ">D:\\R&&D\\gamma.qex(10)\n>-\n>Clear this menu(11)\n-\n...\n-\nExit\n"},
  };
  for (const FormCase& form : forms) {
    Prefs().recentFullPaths = form.fullPaths;
    Prefs().recentSubmenu = form.submenu;
    BuildRecentFilesMenu();
    BuildRecentFilesMenu();  // a second build replaces the first
    EXPECT_EQ(RecentPart(), form.menu) << form.fullPaths << form.submenu;
  }

  // Clearing through the menu's command empties the list, the store and the menu.
  ASSERT_TRUE(app->DoCommand(kCommandClearRecentFiles));
  EXPECT_EQ(Stored(), std::vector<std::string>{});
  EXPECT_EQ(RecentFile(0), nullptr);
  EXPECT_EQ(RecentPart(), "Close\n-\n...\n-\nExit\n");
}

// Two files of one name: the menu shows as many folders as tell them apart, and never two
// entries alike, also where the shortening of long paths would cut away their difference.
TEST_F(RecentFilesTest, FilesOfOneNameShowTheFoldersThatTellThemApart) {
  StartApplication();
  const std::string deep = "C:\\" + std::string(60, 'x') + "\\";
  struct Case {
    bool fullPaths;
    std::vector<std::string> stored;
    const char* entries;
  } cases[] = {
      {false, {"C:\\Sales\\Example.qeb", "D:\\Archive\\example.QEB", "C:\\Other.qeb"},
       "Sales\\Example.qeb|Archive\\example.QEB|Other.qeb|"},
      {false, {"C:\\2025\\Q1\\Example.qeb", "C:\\2026\\Q1\\Example.qeb", "C:\\Q1\\Plan.qeb"},
       "2025\\Q1\\Example.qeb|2026\\Q1\\Example.qeb|Plan.qeb|"},
      {false, {"C:\\Example.qeb", "C:\\Sub\\Example.qeb"}, "C:\\Example.qeb|Sub\\Example.qeb|"},
      {true, {deep + "a\\" + std::string(30, 'y') + "\\Example.qeb",
              deep + "b\\" + std::string(30, 'y') + "\\Example.qeb"},
       nullptr},
  };
  for (const Case& c : cases) {
    ClearRecentFileList();
    Store(c.stored);
    LoadPreferences();
    Prefs().recentFullPaths = c.fullPaths;
    BuildRecentFilesMenu();
    std::string entries;
    std::vector<std::string> titles;
    T_MenuItem* entry = MenuItem_FindCommand(StandardMenu(kMenuFile), kCommandRecentFile);
    ASSERT_NE(entry, nullptr);
    for (entry = entry->next; entry && entry->command == kCommandRecentFile; entry = entry->next) {
      titles.push_back(entry->Title());
      entries += titles.back() + "|";
    }
    if (c.entries) EXPECT_EQ(entries, c.entries);
    EXPECT_EQ(titles.size(), c.stored.size()) << entries;
    for (size_t i = 0; i < titles.size(); ++i) {
      for (size_t j = i + 1; j < titles.size(); ++j) EXPECT_NE(titles[i], titles[j]);
    }
  }
}

TEST_F(RecentFilesTest, ALongPathIsKeptWholeAndShownShortened) {
  StartApplication();
  std::string path = "C:\\" + std::string(200, 'x') + "\\" + std::string(100, 'y') + ".qeb";
  Prefs().recentFullPaths = true;
  AddRecentFile(path.c_str());
  EXPECT_EQ(Stored(), std::vector<std::string>{path});
  T_MenuItem* entry = MenuItem_FindCommand(StandardMenu(kMenuFile), kCommandRecentFile);
  ASSERT_NE(entry, nullptr);
  entry = entry->next;  // past the separator
  std::string title = entry->Title();
  EXPECT_LE(title.size(), 66u);
  EXPECT_EQ(title.substr(0, 24), path.substr(0, 24));
  EXPECT_NE(title.find("\xE2\x80\xA6"), std::string::npos);
  EXPECT_EQ(title.substr(title.size() - 8), "yyyy.qeb");
}

}  // namespace
}  // namespace app_test
