// The template tree: paths, the order of children, storing over templates and folders, removal,
// listing, the short-id path, rollback, and trees too deep or too wide for a recursive walk.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "core/criteria.h"
#include "core/output_stream.h"
#include "database/change_notes.h"
#include "database/toolkit_adapter.h"
#include "tests/database/templates/templates_fixture.h"

namespace {

using templates_test::Outline;
using templates_test::ReadTemplateLines;
using templates_test::T_FakeWindow;
using templates_test::TemplatesTest;
using templates_test::TreeProblems;
using templates_test::Written;

TEST_F(TemplatesTest, PathsIgnoreBlanksEmptyPartsAndLetterCase) {
  T_Template* north = Store("  Sales : North ");
  ASSERT_NE(north, nullptr);
  EXPECT_EQ(Outline(base), "Sales/\n  North\n");
  T_TextBuf path;
  north->GetPath(&path);
  EXPECT_STREQ(path.c_str(), "Sales: North");

  struct Case {
    const char* path;
    bool finds;  // the template; false: nothing
  };
  const Case cases[] = {
      {"Sales: North", true},
      {"sales:north", true},
      {":SALES:: north :", true},
      {"Sales: Nor", false},
      {"North", false},
      {"Sales: North: X", false},
      {"", false},
      {" : : ", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindTemplate(base, c.path), c.finds ? north : nullptr) << c.path;
  }
  EXPECT_EQ(FindTemplate(base, "sales"), north->parent);
  EXPECT_EQ(north->ComparePath("SALES: NORTH"), 0);
  EXPECT_LT(north->ComparePath("Sales: South"), 0);
}

TEST_F(TemplatesTest, ChildrenStandInNameOrderAndEqualNamesInTheirOrder) {
  T_Template* folder = base->rootTemplate;
  const char* names[] = {"b", "a", "B", "c", "A"};
  T_Template* made[5];
  for (int32_t i = 0; i < 5; ++i) {
    made[i] = NewTemplate(base, kTemplateLines);
    made[i]->SetName(names[i]);
    T_Template::InsertChild(made[i], folder);
  }
  std::vector<T_Template*> order;
  for (T_Template* c = folder->firstChild; c; c = c->nextSibling) order.push_back(c);
  EXPECT_EQ(order, (std::vector<T_Template*>{made[1], made[4], made[0], made[2], made[3]}));
  EXPECT_EQ(TreeProblems(base->rootTemplate), "");
  // Taking out the first, a middle and the last child keeps the links whole.
  for (T_Template* t : {made[1], made[2], made[3]}) {
    T_Template::Unlink(t);
    EXPECT_EQ(TreeProblems(base->rootTemplate), "");
    DeleteTemplate(t);
  }
  EXPECT_EQ(Outline(base), "A\nb\n");
}

TEST_F(TemplatesTest, StoringBelowATemplateMakesItAFolder) {
  InstallDatabaseServices();  // window titles follow template paths
  struct Case {
    const char* path;
    const char* outline;
    const char* oldPath;
  };
  const Case cases[] = {
      {"A: B", "A/\n  A\n  B\n", "A: A"},
      // The old template would share the new one's path.
      {"A: A", "A/\n  A\n  A 1\n", "A: A 1"},
      // It would share the path of the folder the path goes on with.
      {"a: a: C", "A/\n  a/\n    C\n  A 1\n", "A: A 1"},
  };
  for (const Case& c : cases) {
    DeleteAllTemplates(base);
    T_Template* old = Store("A");
    auto* window = new T_FakeWindow(kTemplateCards, base);
    window->templ = old;
    T_Template* added = Store(c.path);
    ASSERT_NE(added, nullptr) << c.path;
    EXPECT_EQ(Outline(base), c.outline) << c.path;
    EXPECT_EQ(FindTemplate(base, c.path), added) << c.path;
    EXPECT_EQ(FindTemplate(base, c.oldPath), old) << c.path;
    EXPECT_EQ(window->templ, old);
    EXPECT_STREQ(window->Title(), c.oldPath);
    EXPECT_EQ(TreeProblems(base->rootTemplate), "");
    delete window;
  }
  RemoveDatabaseServices();
}

TEST_F(TemplatesTest, OneTemplatePerPath) {
  T_Template* first = Store("Costs: Q1");
  auto* window = new T_FakeWindow(kTemplateCards, base);
  window->templ = first;
  T_Template* second = Store("costs: q1");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(window->templ, second);  // the old one is gone; its window shows the new one
  // A window cannot show a template of another kind: it loses its template instead.
  T_Template* third = Store("costs: q1", kTemplateLines);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(window->templ, nullptr);
  EXPECT_TRUE(WindowStillListed(window));
  EXPECT_EQ(CountTemplates(base), 1);
  EXPECT_EQ(Outline(base), "Costs/\n  q1\n");

  // Nothing to name, or a folder in the way: nothing is stored.
  for (const char* path : {"", " : :: ", "Costs", "COSTS "}) {
    T_Template* templ = NewTemplate(base, kTemplateCards);
    EXPECT_FALSE(StoreTemplate(base, templ, path)) << path;
    DeleteTemplate(templ);
  }
  EXPECT_EQ(Outline(base), "Costs/\n  q1\n");
  delete window;
}

TEST_F(TemplatesTest, RemovalTakesEmptiedFoldersButNeverTheRoot) {
  T_Template* c = Store("A: B: C");
  Store("A: D");
  auto* window = new T_FakeWindow(kTemplateCards, base);
  window->templ = c;
  RemoveTemplate(base, c);
  EXPECT_EQ(Outline(base), "A/\n  D\n");
  EXPECT_EQ(window->templ, nullptr);
  EXPECT_TRUE(WindowStillListed(window));
  RemoveTemplate(base, FindTemplate(base, "A: D"));
  EXPECT_EQ(Outline(base), "");
  ASSERT_NE(base->rootTemplate, nullptr);

  Store("A: B");
  Store("C");
  RemoveTemplate(base, FindTemplate(base, "A"));  // a folder with what it holds
  EXPECT_EQ(Outline(base), "C\n");
  DeleteAllTemplates(base);
  EXPECT_EQ(Outline(base), "");
  delete window;
}

TEST_F(TemplatesTest, ListingsAndFilters) {
  Store("Sales: North");
  Store("Sales: South", kTemplateLines);
  Store("Costs", kTemplateComponents);
  Store("Zeta: Deep: Funcs", kTemplateComponentFunctions);
  Store("Time", kTemplateTimeFunctions);

  auto list = [&](const char* path, const char* pattern) {
    CriteriaPattern filter;
    Criteria_Init(&filter);
    T_TextBuf text;
    TextBufAssign(&text, pattern);
    Criteria_Compile(&filter, &text, 5, false);
    T_OStream stream;
    ListTemplates(base, &stream, path, &filter);
    MemFreeHeld(&filter);
    return Written(stream);
  };
  EXPECT_EQ(list(nullptr, ""),
            "Components\tCosts\r\n"
            "Cards\tSales: North\r\n"
            "Lines\tSales: South\r\n"
            "Time Functions\tTime\r\n"
            "Component Functions\tZeta: Deep: Funcs\r\n");
  EXPECT_EQ(list("sales", ""), "Cards\tSales: North\r\nLines\tSales: South\r\n");
  EXPECT_EQ(list("Nowhere", "Costs"), "Components\tCosts\r\n");
  // The whole-text shape matches only the path written with ":" alone.
  EXPECT_EQ(list(nullptr, "\\Sales\":\"N*"), "Cards\tSales: North\r\n");
  EXPECT_EQ(CountTemplates(base), 5);
  EXPECT_EQ(TemplateMemory(base), 5 * 224);

  DeleteTemplatesMatching(base, "North|Deep");
  EXPECT_EQ(Outline(base), "Costs\nSales/\n  South\nTime\n");
}

TEST_F(TemplatesTest, ShortIdPathWorkedByHand) {
  T_Base named("C:\\data\\Q", 0);
  T_Template* b = NewTemplate(&named, kTemplateCards);
  ASSERT_TRUE(StoreTemplate(&named, b, "A: B"));
  // "Q" hashes to 81 = 17 + 1 x 64: "H100"; "A" to 65: "1100"; "B" to 66: "2100".
  T_TextBuf path;
  b->GetShortIdPath(&path);
  EXPECT_STREQ(path.c_str(), "H100:1100:2100");
  T_TextBuf folder;
  b->parent->GetShortIdPath(&folder);
  EXPECT_STREQ(folder.c_str(), "H100:1100");
}

TEST_F(TemplatesTest, ARollbackKeepsWhatExistedBeforeTheRead) {
  Store("A");
  Store("Keep: One");
  MarkTemplatesExisting(base);
  Store("A: B");  // the old A moves into a new folder
  Store("Keep: Two");
  Store("New: Three");
  DeleteUnmarkedTemplates(base);
  EXPECT_EQ(Outline(base), "A/\n  A\nKeep/\n  One\n");
  EXPECT_EQ(TreeProblems(base->rootTemplate), "");
}

TEST_F(TemplatesTest, ADeepPathIsWalkedWithoutRecursion) {
  std::string path;
  for (int32_t i = 0; i < 100000; ++i) path += "p:";
  path += "leaf";
  T_Template* leaf = Store(path.c_str());
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(FindTemplate(base, path.c_str()), leaf);
  T_TextBuf text;
  leaf->GetPath(&text);
  EXPECT_GT(text.length, 30000);  // cut where the text ends, at the text limit
  EXPECT_EQ(CountTemplates(base), 1);
  EXPECT_EQ(TreeProblems(base->rootTemplate), "");
  MarkTemplatesExisting(base);
  DeleteUnmarkedTemplates(base);
  EXPECT_EQ(CountTemplates(base), 1);
  RunTemplate(base, base->rootTemplate, nullptr, 0);  // a folder run walks it all
  RemoveTemplate(base, leaf);
  EXPECT_EQ(Outline(base), "");
  ASSERT_NE(Store(path.c_str()), nullptr);  // the database's end deletes it
}

// Reading appends after the last sibling without a walk. Not a timed test: the figure goes to
// the report.
TEST_F(TemplatesTest, TenThousandTemplatesOfOneFolderReadInLinearTime) {
  std::string text;
  char line[64];
  for (int32_t i = 1; i <= 10000; ++i) {
    std::snprintf(line, sizeof(line), "#C\tBig: T%05d\r\nxo\r\nxP\t1\t2\r\n", i);
    text += line;
  }
  double best = 1e9;
  for (int32_t run = 0; run < 3; ++run) {
    DeleteAllTemplates(base);
    auto start = std::chrono::steady_clock::now();
    ReadTemplateLines(base, text);
    std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    if (elapsed.count() < best) best = elapsed.count();
  }
  EXPECT_EQ(CountTemplates(base), 10000);
  EXPECT_EQ(TreeProblems(base->rootTemplate), "");
  std::printf("[ figure   ] 10000 templates of one folder (%zu bytes) read in %.2f ms\n",
              text.size(), best);
}

}  // namespace
