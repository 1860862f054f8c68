// Menu entries of stored objects on a test menu root: what the builders make, what an entry runs
// or opens, and entries whose object is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/menu_marks.h"
#include "database/object_menus.h"
#include "database/subsets.h"
#include "tests/database/links/links_fixture.h"
#include "ui/database_services.h"

namespace links_test {
namespace {

// The items below the top, one per line, indented by depth; submenus end with "/".
std::string Outline(T_MenuItem* top, int32_t depth = 0) {
  std::string outline;
  for (T_MenuItem* item = top->firstChild; item; item = item->next) {
    outline += std::string(static_cast<size_t>(depth) * 2, ' ') + item->Title();
    outline += item->firstChild ? "/\n" + Outline(item, depth + 1) : "\n";
  }
  return outline;
}

T_MenuItem* Child(T_MenuItem* parent, const char* title) {
  for (T_MenuItem* item = parent->firstChild; item; item = item->next) {
    if (std::string(item->Title()) == title) return item;
  }
  return nullptr;
}

class MenusTest : public LinksTest {
 protected:
  void SetUp() override {
    LinksTest::SetUp();
    root = MenuRootCreate();
    macros = new T_MenuItem(root, kMenuInsertInFront, 0);
    macros->SetTitleCopy("Macros");
    analysis = new T_MenuItem(root, kMenuInsertInFront, 0);
    analysis->SetTitleCopy("Analysis");
    for (const char* title : {"Cards", "Lines", "Components", "Time Functions"}) {
      auto* entry = new T_MenuItem(analysis, kMenuInsertInFront, 2547);
      entry->SetTitleCopy(title);
    }
    SetMenuDatabase(own);
  }
  void TearDown() override {
    MenuRootDestroy();
    ResetMenuMarks();
    LinksTest::TearDown();
  }
  Macro* AddMacro(const char* name, const char* lines) {
    Macro* macro = MacroCreate(own, name);
    std::string text = std::string("##Macro\t") + name + "\n" + lines;
    T_IStream stream;
    stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    stream.NextLine();
    ReadMacro(macro, &stream);
    return macro;
  }

  T_MenuItem* root = nullptr;
  T_MenuItem* macros = nullptr;
  T_MenuItem* analysis = nullptr;
};

TEST_F(MenusTest, MacroNamesMakeSubmenusAndExecuteEntries) {
  AddMacro("Reports: Monthly: Sales", "M\tx\nA+\n");
  AddMacro("reports:Monthly:  Costs", "M\tx\n");
  AddMacro("Reports: Yearly", "M\tx\n");
  AddMacro("Sales:", "M\tx\n");
  AddMacro(":Odd", "M\tx\n");
  AddMacro("Zed", "M\tx\nA+\n");
  BuildMacroMenu(own, macros, analysis);
  // In name order: "Reports: M" sorts before "reports:M", whose submenus are reused.
  EXPECT_EQ(Outline(macros),
            ":Odd\n"
            "Reports/\n"
            "  Monthly/\n"
            "    Sales\n"
            "    Costs\n"
            "  Yearly\n"
            "Sales:\n"
            "Zed\n");
  // "Execute" is made once, as the fourth entry of the templates' menu.
  EXPECT_EQ(Outline(analysis),
            "Cards\n"
            "Lines\n"
            "Components\n"
            "Execute/\n"
            "  Reports: Monthly: Sales\n"
            "  Zed\n"
            "Time Functions\n");
  T_MenuItem* execute = Child(analysis, "Execute");
  ASSERT_NE(execute, nullptr);
  EXPECT_EQ(execute->title.id, kTextExecuteMenu);
  EXPECT_EQ(execute->command, 0);
  EXPECT_EQ(dynamic_cast<T_BMacroCom*>(Child(macros, "Zed"))->mode, kMacroComRun);
}

TEST_F(MenusTest, MacroEntriesRunEditOrDoNothing) {
  Macro* macro = AddMacro("Daily", "M\tnewCard\n");
  auto* run = new T_BMacroCom(macros, macro, kMacroComRun, "Run it");
  auto* edit = new T_BMacroCom(macros, macro, kMacroComEdit, "Edit it");
  auto* none = new T_BMacroCom(macros, macro, 2, "Nothing");
  run->Execute();
  EXPECT_EQ(Recorded::Get().commands, (std::vector<std::string>{"Daily: newCard"}));
  edit->Execute();
  EXPECT_EQ(Recorded::Get().editors, (std::vector<std::string>{"macro Daily"}));
  EXPECT_EQ(Recorded::Get().editorBases, (std::vector<T_Base*>{own}));
  none->Execute();
  EXPECT_EQ(Recorded::Get().commands.size(), 1u);
  EXPECT_EQ(Recorded::Get().editors.size(), 1u);

  // A macro deleted while its entries stand: they do nothing.
  MacroDelete(macro);
  run->Execute();
  edit->Execute();
  EXPECT_EQ(Recorded::Get().commands.size(), 1u);
  EXPECT_EQ(Recorded::Get().editors.size(), 1u);
}

TEST_F(MenusTest, ObjectEntriesOpenTheirEditorsInTheMenuDatabase) {
  SaveSetupCreate(own, "Yearly");
  ImportSetupCreate(own, "Bank");
  new TimeScale(own, "Quarters");
  Subset* subset = SubsetCreate(own->subsets, "S1");
  static std::vector<Subset*> subsetEditors;
  subsetEditors.clear();
  SelectionOperations hooks{};
  hooks.openSubsetEditor = [](Subset* s, int32_t) { subsetEditors.push_back(s); };
  SetSelectionOperations(&hooks);

  auto* setups = new T_MenuItem(root, kMenuInsertInFront, 0);
  BuildSaveSetupMenu(own, setups);
  BuildImportSetupMenu(own, setups);
  BuildTimeScaleMenu(own, setups);
  BuildSubsetMenu(own, setups);
  EXPECT_EQ(Outline(setups), "Yearly\nBank\nQuarters\nS1\n");
  EXPECT_EQ(Child(setups, "S1")->bitmap, 2006u);
  for (T_MenuItem* item = setups->firstChild; item; item = item->next) {
    EXPECT_EQ(item->command, 0);
    item->Execute();
  }
  EXPECT_EQ(
      Recorded::Get().editors,
      (std::vector<std::string>{"save setup Yearly", "import setup Bank", "time scale Quarters"}));
  EXPECT_EQ(Recorded::Get().editorBases, (std::vector<T_Base*>{own, own, own}));
  EXPECT_EQ(subsetEditors, (std::vector<Subset*>{subset}));

  // With the menus for another database, or for none, the entries do nothing.
  SetMenuDatabase(other);
  for (T_MenuItem* item = setups->firstChild; item; item = item->next) item->Execute();
  SetMenuDatabase(nullptr);
  for (T_MenuItem* item = setups->firstChild; item; item = item->next) item->Execute();
  EXPECT_EQ(Recorded::Get().editors.size(), 3u);
  EXPECT_EQ(subsetEditors.size(), 1u);

  // Objects deleted while their entries stand leave entries that do nothing.
  SetMenuDatabase(own);
  SaveSetupDelete(own->saveSetups);
  ImportSetupDelete(own->importSetups);
  delete own->timeScales;
  SubsetDestroy(subset);
  for (T_MenuItem* item = setups->firstChild; item; item = item->next) item->Execute();
  EXPECT_EQ(Recorded::Get().editors.size(), 3u);
  EXPECT_EQ(subsetEditors.size(), 1u);
  SetSelectionOperations(nullptr);
}

TEST_F(MenusTest, TemplateEntriesRunTemplatesAndGoWithThem) {
  T_Template* monthly = Template(own, "Sales: Monthly");
  T_Template* weekly = Template(own, "Sales: Weekly", kTemplateLines);
  T_Template* costs = Template(own, "Costs");
  auto* templates = new T_MenuItem(root, kMenuInsertInFront, 0);
  BuildTemplateMenu(own, templates);
  EXPECT_EQ(Outline(templates), "Costs\nSales/\n  Monthly\n  Weekly\n");
  EXPECT_EQ(Child(templates, "Costs")->bitmap, costs->menuIcon);
  EXPECT_EQ(costs->menuCommand, Child(templates, "Costs"));

  costs->menuCommand->Execute();
  ASSERT_EQ(Recorded::Get().windows.size(), 1u);
  EXPECT_EQ(Recorded::Get().windows[0], std::make_pair(costs, 0));
  // A folder's entry runs every template below it.
  Child(templates, "Sales")->Execute();
  ASSERT_EQ(Recorded::Get().windows.size(), 3u);
  EXPECT_EQ(Recorded::Get().windows[1].first, monthly);
  EXPECT_EQ(Recorded::Get().windows[2].first, weekly);

  // A removed template takes its entry along; building again replaces the entries.
  RemoveTemplate(own, costs);
  EXPECT_EQ(Outline(templates), "Sales/\n  Monthly\n  Weekly\n");
  FindTemplate(own, "Sales")->BuildMenu(templates);
  EXPECT_EQ(Outline(templates), "Sales/\n  Monthly\n  Weekly\n");
  EXPECT_NE(monthly->menuCommand, nullptr);

  // The menus going first leave the templates without entries.
  delete templates;
  EXPECT_EQ(monthly->menuCommand, nullptr);
  EXPECT_EQ(weekly->menuCommand, nullptr);
}

}  // namespace
}  // namespace links_test
