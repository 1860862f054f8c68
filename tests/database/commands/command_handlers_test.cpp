// The commands that change the model, each with its options and refusals, on a fresh fixture
// database per case; what they leave is read back from the model.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "commands_fixture.h"

namespace commands_test {
namespace {

using Probe = std::function<std::string(CommandsTest*)>;

struct Case {
  const char* commands;
  Probe probe;
  std::string expected;
  std::vector<std::string> asked;
};

class HandlersTest : public CommandsTest {
 protected:
  void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      Fresh();
      Run(c.commands);
      EXPECT_EQ(c.probe(this), c.expected) << c.commands;
      EXPECT_EQ(Asked(), c.asked) << c.commands;
    }
  }

 public:
  std::string Names(const char* what) const {
    std::string names;
    auto add = [&names](const char* name) {
      names += (names.empty() ? "" : "|") + std::string(name);
    };
    if (std::string(what) == "setups") {
      for (SaveSetup* s = base->saveSetups; s != nullptr; s = s->next) add(s->name);
    } else if (std::string(what) == "subsets") {
      Subset* s = base->subsets->first;
      for (int32_t i = 0; i < base->subsets->count; ++i, s = s->next)
        add((std::string(s->name) + ":" + std::to_string(s->itemCount)).c_str());
    } else {
      T_OStream listed;
      ListTemplates(base, &listed, nullptr, nullptr);
      std::string text(reinterpret_cast<const char*>(listed.start),
                       static_cast<size_t>(listed.pos - listed.start));
      for (size_t at = 0; at < text.size();) {
        size_t tab = text.find('\t', at);
        size_t end = text.find("\r\n", at);
        add(text.substr(tab + 1, end - tab - 1).c_str());
        at = end + 2;
      }
    }
    return names;
  }
  std::string DimensionOptions(int32_t d) const {
    const DimensionRecord* dim = base->dimensions[d];
    return Text(dim->singular) + "|" + Text(dim->plural) + "|" + std::to_string(dim->codeCase) +
           " " + std::to_string(dim->textCase) + " " + std::to_string(dim->hostCase) + " " +
           std::to_string(dim->displayStyle) + " " + std::to_string(dim->optionX);
  }
};

const Probe kCards = [](CommandsTest* t) { return t->CardIds(); };
const Probe kAccounts = [](CommandsTest* t) { return t->Codes(0); };
const Probe kProjects = [](CommandsTest* t) { return t->Codes(1); };
const Probe kMacros = [](CommandsTest* t) { return t->Macros(); };
const Probe kSetups = [](CommandsTest* t) {
  return static_cast<HandlersTest*>(t)->Names("setups");
};
const Probe kSubsets = [](CommandsTest* t) {
  return static_cast<HandlersTest*>(t)->Names("subsets");
};
const Probe kTemplates = [](CommandsTest* t) {
  return static_cast<HandlersTest*>(t)->Names("templates");
};
const Probe kAccountOptions = [](CommandsTest* t) {
  return static_cast<HandlersTest*>(t)->DimensionOptions(0);
};

TEST_F(HandlersTest, DeleteCardsTakesOnlyBoundsThatParse) {
  RunCases({
      {"deleteCards 250307 250308", kCards, "250401-1", {}},
      // A to-bound without a card number covers its whole day.
      {"deleteCards 250308 250308", kCards, "250307-1 250401-1", {}},
      {"deleteCards 250308-1 250331", kCards, "250307-1 250401-1", {}},
      {"deleteCards 250307-2 250308-1", kCards, "250307-1 250401-1", {}},
      {"deleteCards File File", kCards, "", {}},
      {"deleteCards Month+10 month+10", kCards, "250401-1", {}},  // today is 2024-05-06
      {"deleteCards 250307", kCards, "250307-1 250308-1 250401-1", {"3820 "}},
      {"deleteCards lastyear 250401", kCards, "250307-1 250308-1 250401-1", {"3820 lastyear"}},
      {"deleteCards 250307 soon 250401",
       kCards,
       "250307-1 250308-1 250401-1",
       {"3820 250401", "3820 soon"}},
  });
  // Whatever "2023" reads as, the missing second bound keeps every card.
  Fresh();
  Run("deleteCards 2023");
  EXPECT_EQ(CardIds(), "250307-1 250308-1 250401-1");
  EXPECT_FALSE(Asked().empty());
}

TEST_F(HandlersTest, DeleteCardsKeepsEveryCardWhileAnEditorKeepsItsChanges) {
  for (bool refuse : {true, false}) {
    Fresh();
    auto* editor = new base_test::T_QuietWindow(kWindowCardEditor, base);
    editor->refuse = refuse;
    Run("deleteCards 250101 251231");
    EXPECT_EQ(CardIds(), refuse ? "250307-1 250308-1 250401-1" : "") << refuse;
    EXPECT_EQ(FindWindowOfKind(kWindowCardEditor, base), refuse ? editor : nullptr);
    if (refuse) delete editor;
  }
}

TEST_F(HandlersTest, ComponentsAreAddedDeletedAndSorted) {
  RunCases({
      {"deleteComponent Accounts 2", kAccounts, "1 10 100 11", {}},
      {"deleteComponent accounts 10", kAccounts, "1 10 100 11 2", {"3315 10"}},
      {"deleteComponent Accounts 10 -SILENT", kAccounts, "1 10 100 11 2", {}},
      {"deleteComponent Accounts 1 -unused", kAccounts, "1 10 100 11 2", {}},
      {"deleteComponent Accounts -unused", kAccounts, "1 10 100 11", {}},
      {"deleteComponent Projects -unused", kProjects, "P1", {}},
      {"deleteComponent Projects -all", kProjects, "P1 P2", {"3315 P1"}},
      {"deleteCards File File\r\ndeleteComponent 2 -all", kProjects, "", {}},
      {"deleteComponent Accounts 9", kAccounts, "1 10 100 11 2", {"3310 9"}},
      {"deleteComponent Nowhere 2", kAccounts, "1 10 100 11 2", {"3822 Nowhere"}},
      {"deleteComponent Nowhere 2 -silent -x", kAccounts, "1 10 100 11 2", {"3820 -x"}},
      {"newComponent Accounts 12 Loans HL extra words", kAccounts, "1 10 100 11 12 2", {}},
      {"newComponent Accounts 10 Again", kAccounts, "1 10 100 11 2", {"3313 10"}},
      {"newComponent Accounts 10 Again -silent", kAccounts, "1 10 100 11 2", {}},
      {"newComponent Accounts 3 Other H1", kAccounts, "1 10 100 11 2 3", {"3314 H1"}},
      {"newComponent 2 p9 Gamma", kProjects, "P1 P2 P9", {}},
      {"newComponent Projects \"\" Empty", kProjects, "P1 P2", {}},
      {"newComponent Regions R1", kProjects, "P1 P2", {"3822 Regions"}},
      {"sortComponents Accounts -reverse", kAccounts, "2 1 10 100 11", {}},
      {"sortComponents Accounts -Reverse -sublevels", kAccounts, "2 1 11 10 100", {}},
      {"sortComponents Accounts 1 -text", kAccounts, "1 11 10 100 2", {}},
      {"sortComponents Accounts -host -reverse", kAccounts, "2 1 10 100 11", {}},
      {"sortComponents Accounts 7", kAccounts, "1 10 100 11 2", {"3310 7"}},
      {"sortComponents Accounts 1 2", kAccounts, "1 10 100 11 2", {"3820 2"}},
  });
}

TEST_F(HandlersTest, DimensionOptions) {
  RunCases({
      {"dimOptions Accounts -singular Konto -plural Konten -codecase l -textcase U -hostcase w "
       "-strings CHT -compulsory",
       kAccountOptions,
       "Konto|Konten|1 0 3 6 1",
       {}},
      {"dimOptions -compulsory 1 -SINGULAR default", kAccountOptions, "-|Accounts|0 5 5 3 1", {}},
      {"dimOptions Accounts -compulsory\r\ndimOptions Accounts -optional",
       kAccountOptions,
       "Account|Accounts|0 5 5 3 0",
       {}},
      {"dimOptions Accounts -codecase D -strings XYZ -bogus -plural",
       kAccountOptions,
       "Account|Accounts|0 5 5 3 0",
       {"3820 D", "3820 XYZ", "3820 -bogus", "3820 -plural"}},
      {"dimOptions Nowhere -compulsory",
       kAccountOptions,
       "Account|Accounts|0 5 5 3 0",
       {"3822 Nowhere"}},
  });
}

TEST_F(HandlersTest, StoredObjectsAreDeletedByNameFolderFilterOrAll) {
  RunCases({
      {"deleteMacro Tools", kMacros, "M|Other", {}},
      {"deleteMacro m Nothing", kMacros, "Other|Tools: b|Tools:a", {"3820 Nothing"}},
      {"deleteMacro Tools:a // M", kMacros, "M|Other|Tools: b", {}},
      {"deleteMacro -all", kMacros, "", {}},
      {"deleteMacro -FILTER Other", kMacros, "M|Tools: b|Tools:a", {}},
      {"deleteSavesetup s1", kSetups, "S2", {}},
      {"deleteSavesetup S9 -x", kSetups, "S1|S2", {"3820 -x", "3820 S9"}},
      {"deleteSavesetup -all", kSetups, "", {}},
      {"deleteSavesetup -filter 2", kSetups, "S1", {}},
      {"deleteSubset V", kSubsets, "U:0", {}},
      {"deleteSubset U", kSubsets, "U:0|V:1", {"4705 U"}},
      {"deleteSubset -filter U", kSubsets, "U:0|V:1", {"4705 U"}},
      {"deleteSubset -all", kSubsets, "", {}},
      {"deleteSubset W", kSubsets, "U:0|V:1", {"3825 W"}},
      {"deleteTemplate Reports", kTemplates, "Top", {}},
      {"deleteTemplate \"Reports: Sales\"", kTemplates, "Reports: Costs|Top", {}},
      {"deleteTemplate -all", kTemplates, "", {}},
      {"deleteTemplate -filter Sales", kTemplates, "Reports: Costs|Top", {}},
      {"deleteTemplate Nope", kTemplates, "Reports: Costs|Reports: Sales|Top", {"3825 Nope"}},
      {"duplicateTemplate Top \"Reports: Top\"",
       kTemplates,
       "Reports: Costs|Reports: Sales|Reports: Top|Top",
       {}},
      {"duplicateTemplate Top Top", kTemplates, "Reports: Costs|Reports: Sales|Top", {"3820 Top"}},
      {"duplicateTemplate Reports Copy",
       kTemplates,
       "Reports: Costs|Reports: Sales|Top",
       {"3825 Reports"}},
  });
}

TEST_F(HandlersTest, ModifyRewritesASubsetOrATemplateFromTheLine) {
  RunCases({
      {"modify U VN A", kSubsets, "U:1|V:1", {}},
      {"modify U VN A\\rVN B", kSubsets, "U:2|V:1", {}},
      {"modify U VN A // VN B", kSubsets, "U:1|V:1", {}},
      {"modify U VN A\r\nmodify U VN B", kSubsets, "U:1|V:1", {}},
      {"modify Nothing VN A", kSubsets, "U:0|V:1", {"3825 Nothing"}},
  });
  Fresh();
  auto topText = [this] {
    T_OStream out;
    FindTemplate(base, "Top")->WriteText(&out);
    return std::string(reinterpret_cast<const char*>(out.start),
                       static_cast<size_t>(out.pos - out.start));
  };
  EXPECT_EQ(topText().find("\r\nxo"), std::string::npos);
  Run("modify Top xo");
  EXPECT_NE(topText().find("\r\nxo"), std::string::npos) << topText();
  EXPECT_EQ(base->fileKind, 0);
  EXPECT_EQ(base->fileVersion, 0);
}

}  // namespace
}  // namespace commands_test
