// The edge cases of reading and writing the stored-object sections, one database per case.
#include <functional>
#include <string>
#include <vector>

#include "database/component_lookup.h"
#include "database/components.h"
#include "database/operation_log.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "template_sections_fixture.h"

namespace template_sections_test {
namespace {

using SectionEdgeCases = TemplateSectionsTest;

T_BoxTmpl* Box(T_Template* templ) { return templ != nullptr ? AsBoxTemplate(templ) : nullptr; }

int32_t ModeBoxWidth(T_Template* templ) {
  T_BoxTmpl* box = Box(templ);
  return box != nullptr ? box->modeBoxWidth : -1;
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

std::string Text(const Macro* macro) {
  return macro != nullptr && macro->text != nullptr ? macro->text : "";
}

// The "##Templates" section as the save options of the database write it.
std::string TemplatesWritten(T_Base* base, const char* nameFilter, bool openOnly) {
  SaveOnly(base, {kSectionTemplates});
  BlockTextAssign(&base->saveOptions.templateNameFilter, nameFilter);
  base->saveOptions.openTemplatesOnly = openOnly ? 1 : 0;
  return WriteSections(base);
}

TEST_F(SectionEdgeCases, EachCaseReadsAndWritesAsTheDatabaseExpects) {
  LogCapture log;
  T_Template* old = nullptr;
  T_FakeWindow* window = nullptr;
  struct Case {
    const char* label;
    std::function<void(T_Base*)> prepare;
    std::string text;  // read after the preparation, then "##End"; none when empty
    std::function<void(T_Base*)> check;
  };
  const Case cases[] = {
      {"a template of an existing path replaces it, and its window shows the new one",
       [&](T_Base* base) {
         old = Store(base, "Reports: Cards");
         window = OpenWindowOn(old);
       },
       "##Templates\r\n#C\treports: cards\r\nxM\t90\r\n",
       [&](T_Base* base) {
         T_Template* now = FindTemplate(base, "Reports: Cards");
         ASSERT_NE(now, nullptr);
         EXPECT_NE(now, old);
         EXPECT_EQ(window->templ, now);
         EXPECT_EQ(ModeBoxWidth(now), 90);
         EXPECT_EQ(templates_test::Outline(base), "Reports/\n  cards\n");
       }},
      {"a card template line in the tree is skipped with its records", nullptr,
       "##Templates\r\n#K\tCard\r\nxM\t50\r\n#C\tA\r\n",
       [](T_Base* base) {
         EXPECT_EQ(templates_test::Outline(base), "A\n");
         EXPECT_EQ(ModeBoxWidth(FindTemplate(base, "A")), 0);
         EXPECT_EQ(ModeBoxWidth(base->GetDefaultTemplate(kTemplateCard)), 0);
       }},
      {"lines before any template line, and kind S or an unknown letter, are skipped", nullptr,
       "##Templates\r\nxo\r\n#S\tSubsets\r\nxo\r\n#Q\tQ\r\nxo\r\n#\r\nxo\r\n#C\tA\r\n",
       [](T_Base* base) {
         EXPECT_EQ(templates_test::Outline(base), "A\n");
         EXPECT_FALSE(Box(FindTemplate(base, "A"))->openDirect);
       }},
      {"a time-function template of a text form dated before 1996-10-18 is skipped",
       [](T_Base* base) {
         base->fileKind = kFileKindTextForm;
         base->fileVersion = 19961017;
       },
       "##Templates\r\n#T\tOld\r\nxM\t50\r\n#C\tNew\r\n",
       [](T_Base* base) {
         EXPECT_EQ(templates_test::Outline(base), "New\n");
         EXPECT_EQ(ModeBoxWidth(FindTemplate(base, "New")), 0);
       }},
      {"from that date on it is read",
       [](T_Base* base) {
         base->fileKind = kFileKindTextForm;
         base->fileVersion = 19961018;
       },
       "##Templates\r\n#T\tOld\r\n#C\tNew\r\n",
       [](T_Base* base) { EXPECT_EQ(templates_test::Outline(base), "New\nOld\n"); }},
      {"a path without a name part stores nothing and is logged",
       [](T_Base* base) {
         OpenErrorLog(base, "errors.log", true);
         LogCapture::Lines().clear();
       },
       "##Templates\r\n#C\t : :\r\nxo\r\n#C\tA\r\n",
       [](T_Base* base) {
         EXPECT_EQ(templates_test::Outline(base), "A\n");
         EXPECT_FALSE(Box(FindTemplate(base, "A"))->openDirect);
         int32_t skipped = 0;
         for (const std::string& line : LogCapture::Lines())
           skipped += Has(line, "Skipped analysis template");
         EXPECT_EQ(skipped, 1);
       }},
      {"a later template of the same path replaces the earlier one", nullptr,
       "##Templates\r\n#C\tA\r\nxM\t50\r\n#L\ta\r\nxM\t60\r\n",
       [](T_Base* base) {
         EXPECT_EQ(CountTemplates(base), 1);
         EXPECT_EQ(FindTemplate(base, "A")->kind, kTemplateLines);
         EXPECT_EQ(ModeBoxWidth(FindTemplate(base, "A")), 60);
       }},
      {"a defaults line of a letter without a default skips its records", nullptr,
       "##Defaults\r\n#Q\tNone\r\nxM\t50\r\n#S\r\nxM\t55\r\n#C\r\nxM\t60\r\n",
       [](T_Base* base) {
         for (int32_t kind : kDefaultTemplateKinds) {
           EXPECT_EQ(ModeBoxWidth(base->GetDefaultTemplate(kind)), kind == 1 ? 60 : 0) << kind;
         }
         EXPECT_EQ(CountTemplates(base), 0);
       }},
      {"a save setup without a name is Save Setup 1", nullptr, "##SaveSetup\r\nFN\r\n",
       [](T_Base* base) {
         ASSERT_NE(base->saveSetups, nullptr);
         EXPECT_STREQ(base->saveSetups->name, "Save Setup 1");
         EXPECT_EQ(base->saveSetups->next, nullptr);
       }},
      {"two macro sections in other letter case fill one macro, a nameless one is Macro 1", nullptr,
       "##Macro\tBeep\r\nM\tbeep\r\n##MACRO\tbEEP\r\nM\tquit\r\n##Macro\r\nM\tx\r\n",
       [](T_Base* base) {
         EXPECT_EQ(base->macroCount, 2);
         EXPECT_EQ(Text(base->FindMacro("beep")), "quit");
         EXPECT_EQ(Text(base->FindMacro("Macro 1")), "x");
       }},
      {"a subset read again under its name in other letter case holds what the file holds",
       [](T_Base* base) {
         ReadSections(base,
                      "##Subset\tNorth\r\nVN\tA\r\nVN\tB\r\nF\tA|B\r\nxo\r\nN\tx\r\n##End\r\n");
       },
       "##Subset\tNORTH\r\nVN\tC\r\n##Subset\t1st\r\n##Subset\t1st\r\n",
       [](T_Base* base) {
         EXPECT_EQ(base->subsets->count, 2);
         EXPECT_NE(SubsetFind(base->subsets, "G1st"), nullptr);
         SaveOnly(base, {kSectionSubsets});
         EXPECT_EQ(WriteSections(base),
                   "##Subset\tG1st\r\n\r\n##Subset\tNorth\r\nVN\tC\r\n\r\n##End\r\n");
       }},
      {"no web users and no templates write no section", nullptr, "##WebUsers\r\nSB\t1\r\n",
       [](T_Base* base) {
         SaveOptionsFromBase(&base->saveOptions, base);
         EXPECT_FALSE(base->saveOptions.sections[kSectionWebUsers]);
         EXPECT_FALSE(base->saveOptions.sections[kSectionTemplates]);
         EXPECT_FALSE(base->saveOptions.sections[kSectionSubsets]);
         SaveOnly(base, {kSectionWebUsers, kSectionTemplates, kSectionSubsets});
         EXPECT_EQ(WriteSections(base), "##End\r\n");
       }},
      {"the template filter: open windows only, and names in either form",
       [&](T_Base* base) {
         OpenWindowOn(Store(base, "Reports: Cards"));
         Store(base, "Reports: Lines", kTemplateLines);
         OpenWindowOn(Store(base, "Other"));
       },
       "",
       [](T_Base* base) {
         const std::string cards = "#C\tReports: Cards\r\nxeE\tUTF-8\r\nxem\t#1\r\n";
         const std::string lines = "#L\tReports: Lines\r\nxeE\tUTF-8\r\nxem\t#1\r\n";
         const std::string other = "#C\tOther\r\nxeE\tUTF-8\r\nxem\t#1\r\n";
         const std::string head = "##Templates\r\n";
         const std::string end = "##End\r\n";
         EXPECT_EQ(TemplatesWritten(base, nullptr, false), head + other + cards + lines + end);
         EXPECT_EQ(TemplatesWritten(base, nullptr, true), head + other + cards + end);
         EXPECT_EQ(TemplatesWritten(base, "Reports:Cards", false), head + cards + end);
         EXPECT_EQ(TemplatesWritten(base, "Reports:L*", true), head + end);
         // The templates a save writes keep the components they name in the "in use" mode;
         // the stand-ins name every one. Without a card nothing else is in use.
         AddComponent(base, 1, "A", "Shop A", nullptr);
         SaveOnly(base, {kSectionDimensions, kSectionTemplates});
         base->saveOptions.dimensionModes[1] = kDimSaveInUse;
         EXPECT_TRUE(Has(WriteSections(base), "\r\nA\tShop A\r\n"));
         base->saveOptions.openTemplatesOnly = 1;
         BlockTextAssign(&base->saveOptions.templateNameFilter, "Reports: Lines");
         EXPECT_FALSE(Has(WriteSections(base), "Shop A"));
       }},
      {"a failed import removes only what it added and keeps a path it replaced",
       [this](T_Base* base) {
         Store(base, "Old: One");
         Store(base, "Kept");
         ReadSections(base, "##Subset\tOwn\r\n##End\r\n");
         const std::string path = Path("failing.qex");
         WriteWholeFile(path,
                        "##QEB-Text\t121122\r\n\r\n##Subset\tAdded\r\nVN\tX\r\n"
                        "##Templates\r\n#C\tKept\r\nxM\t77\r\n#C\tNew: One\r\n"
                        "##Bogus\r\n##End\r\n");
         user.answers[3818] = kCancel;
         EXPECT_FALSE(base->ImportFile(path.c_str(), nullptr, nullptr, 0));
         EXPECT_EQ(user.asked, std::vector<int32_t>{3818});
         user.asked.clear();
         PendingErrorClear();
       },
       "",
       [](T_Base* base) {
         EXPECT_EQ(templates_test::Outline(base), "Kept\nOld/\n  One\n");
         EXPECT_EQ(ModeBoxWidth(FindTemplate(base, "Kept")), 77);
         EXPECT_EQ(base->subsets->count, 1);
         EXPECT_NE(SubsetFind(base->subsets, "Own"), nullptr);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    auto* base = new T_Base(nullptr, 0);
    if (c.prepare) c.prepare(base);
    if (!c.text.empty()) {
      EXPECT_TRUE(ReadSections(base, c.text + "##End\r\n"));
    }
    c.check(base);
    EXPECT_TRUE(user.asked.empty());
    EXPECT_EQ(templates_test::TreeProblems(base->rootTemplate), "");
    for (T_FakeWindow* w : windows) delete w;
    windows.clear();
    DeleteBase(base, kCloseSilently);
    PendingErrorClear();
  }
}

}  // namespace
}  // namespace template_sections_test
