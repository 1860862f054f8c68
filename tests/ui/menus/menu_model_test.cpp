// The menu tree without native menus: insert modes, deletion, change flags, tag titles and the
// walk.
#include <gtest/gtest.h>

#include <string>

#include "core/localized_text.h"
#include "ui/menu_model.h"

namespace {

T_MenuItem* Item(T_MenuItem* other, uint32_t flags, const char* title) {
  auto* item = new T_MenuItem(other, flags, 0);
  item->SetTitleRef(title);
  return item;
}

// The children's titles in order; fails the test when the ring is broken.
std::string Children(T_MenuItem* parent) {
  std::string names;
  T_MenuItem* last = nullptr;
  for (T_MenuItem* child = parent->firstChild; child; child = child->next) {
    EXPECT_EQ(child->parent, parent);
    if (last) {
      EXPECT_EQ(child->previous, last);
    }
    names += names.empty() ? "" : " ";
    names += child->Title();
    last = child;
  }
  if (parent->firstChild) {
    EXPECT_EQ(parent->firstChild->previous, last);
  }
  return names;
}

struct Root {
  ~Root() { MenuRootDestroy(); }
  T_MenuItem* root = MenuRootCreate();
};

TEST(MenuInsert, ModesPlaceItemsAndKeepTheTrailingGroupAtTheEnd) {
  T_MenuItem menu(nullptr, 0, 0);
  T_MenuItem* t1 = Item(&menu, kMenuInsertTrailing, "T1");
  T_MenuItem* a = Item(&menu, kMenuInsertInFront, "A");  // only trailing children: a comes first
  EXPECT_EQ(Children(&menu), "A T1");
  T_MenuItem* b = Item(&menu, kMenuInsertInFront, "B");
  Item(&menu, kMenuInsertTrailing, "T2");
  Item(a, kMenuInsertBefore, "C");
  Item(b, kMenuInsertAfter, "D");
  EXPECT_EQ(Children(&menu), "C A B D T1 T2");
  // A separator put in front of a trailing entry joins the group, so later entries still go
  // before it.
  T_MenuItem* separator = Item(t1, kMenuInsertBefore, "S");
  EXPECT_TRUE(separator->trailing);
  Item(&menu, kMenuInsertInFront, "E");
  EXPECT_EQ(Children(&menu), "C A B D E S T1 T2");

  delete menu.firstChild;            // first
  delete b;                          // middle
  delete menu.firstChild->previous;  // last
  EXPECT_EQ(Children(&menu), "A D E S T1");
}

TEST(MenuItem, DeletingAMenuDeletesItsEntriesAndClearsWatchedPointers) {
  Root tree;
  T_MenuItem* menu = Item(tree.root, 0, "Menu");
  T_MenuItem* entry = Item(menu, 0, "Entry");
  Item(entry, 0, "Below");
  T_MenuItem* watchedEntry = entry;
  MenuItem_Watch(&watchedEntry);
  delete menu;
  EXPECT_EQ(watchedEntry, nullptr);
  EXPECT_EQ(tree.root->firstChild, nullptr);
  MenuItem_Unwatch(&watchedEntry);
}

TEST(MenuChangeFlags, OnlyRealChangesRaiseThemAndTitlesAskForMnemonics) {
  Root tree;
  T_MenuItem* menu = Item(tree.root, 0, "Menu");
  T_MenuItem* entry = Item(menu, 0, "Entry");
  menu->mnemonicsNeeded = 0;
  tree.root->mnemonicsNeeded = 0;

  struct Case {
    const char* what;
    void (*change)(T_MenuItem* menu, T_MenuItem* entry);
    bool changed, barChanged, menuNeedsMnemonics, rootNeedsMnemonics;
  } cases[] = {
      {"same enabled state", [](T_MenuItem*, T_MenuItem* e) { MenuItem_SetEnabled(e, true); },
       false, false, false, false},
      {"same shortcut", [](T_MenuItem*, T_MenuItem* e) { e->SetShortcut(0, 0); }, false, false,
       false, false},
      {"entry disabled", [](T_MenuItem*, T_MenuItem* e) { MenuItem_SetEnabled(e, false); }, true,
       false, false, false},
      {"entry retitled", [](T_MenuItem*, T_MenuItem* e) { e->SetTitleCopy("New"); }, true, false,
       true, false},
      {"menu of the bar disabled",
       [](T_MenuItem* m, T_MenuItem*) { MenuItem_SetEnabled(m, false); }, true, true, false, false},
      {"menu of the bar retitled", [](T_MenuItem* m, T_MenuItem*) { m->SetTitleRef("Other"); },
       true, true, false, true},
  };
  for (const Case& c : cases) {
    ClearMenusChanged();
    c.change(menu, entry);
    EXPECT_EQ(MenusChanged(), c.changed) << c.what;
    EXPECT_EQ(MenuBarChanged(), c.barChanged) << c.what;
    EXPECT_EQ(menu->mnemonicsNeeded != 0, c.menuNeedsMnemonics) << c.what;
    EXPECT_EQ(tree.root->mnemonicsNeeded != 0, c.rootNeedsMnemonics) << c.what;
    menu->mnemonicsNeeded = 0;
    tree.root->mnemonicsNeeded = 0;
  }
}

TEST(MenuItemTag, FillsThePatternAndLowersTextIdTagsOutsideEnglish) {
  T_MenuItem menu(nullptr, 0, 0);
  auto* undo = new T_MenuItemTag(&menu, 0, -10, 211, 'Z', 0);  // "Undo @0"
  EXPECT_STREQ(undo->Title(), "Undo");  // an empty tag leaves no blank behind
  EXPECT_FALSE(undo->enabled);          // tagged entries start disabled

  undo->SetTagAndEnable(200, true);  // "File"
  EXPECT_STREQ(undo->Title(), "Undo File");
  EXPECT_TRUE(undo->enabled);

  SetCurrentLanguage(2);  // Danish
  undo->ReloadTexts();
  EXPECT_STREQ(undo->Title(), "Fortryd filer");
  undo->SetTagCopy("Text");  // a copy stays as it was given
  EXPECT_STREQ(undo->Title(), "Fortryd Text");
  SetCurrentLanguage(kLanguageEnglish);
  undo->ReloadTexts();
  EXPECT_STREQ(undo->Title(), "Undo Text");

  ClearMenusChanged();
  undo->SetTagCopy("Text");
  EXPECT_FALSE(MenusChanged());  // the same title again changes nothing
}

TEST(MenuWalk, VisitsDepthFirstAndEndsAtTheRoot) {
  T_MenuItem root(nullptr, 0, 0);
  root.SetTitleRef("root");
  T_MenuItem* a = Item(&root, 0, "a");
  Item(a, 0, "a1");
  T_MenuItem* a2 = Item(a, 0, "a2");
  Item(a2, 0, "a21");
  T_MenuItem* b = Item(&root, 0, "b");
  Item(b, 0, "b1");
  std::string order;
  T_MenuItem* item = &root;
  do {
    item = MenuItem_NextInWalk(item);
    order += std::string(item->Title()) + " ";
  } while (item != &root);
  EXPECT_EQ(order, "a a1 a2 a21 b b1 root ");

  b->firstChild->command = 7;
  a2->command = 7;
  EXPECT_EQ(MenuItem_FindCommand(&root, 7), a2);
  EXPECT_EQ(MenuItem_FindCommand(a2, 7), a2);
  EXPECT_EQ(MenuItem_FindCommand(a->firstChild, 7), nullptr);  // only below the given item
  EXPECT_EQ(MenuItem_FindCommand(b, 7), b->firstChild);
}

}  // namespace
