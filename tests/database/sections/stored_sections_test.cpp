// The sections of the stored objects travel through a read and a save unchanged: the lists held
// as their lines, and the subsets, templates and defaults through their own models.
#include <gtest/gtest.h>

#include <string>

#include "database/base.h"
#include "database/save_options.h"
#include "database/stored_object_holders.h"
#include "database/stored_object_sections.h"
#include "database/subsets.h"
#include "database/template_tree.h"
#include "database/time_scale.h"
#include "section_stream_fixture.h"

namespace {

using StoredSections = SectionTest;

// The defaults of a database that never read any.
const std::string kFreshDefaults =
    "##Defaults\r\n"
    "#K\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n"
    "#C\r\nxeE\tUTF-8\r\nxem\t#1\r\n"
    "#L\r\nxeE\tUTF-8\r\nxem\t#1\r\n"
    "#P\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n"
    "#T\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n"
    "#R\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n"
    "\r\n";

// Every stored-object section as its writer puts it; the held lines keep what their own readers
// may not tolerate being rewritten (a trailing TAB, an empty line inside a record).
const std::string kStored =
    "##WebUsers\r\nU\tann\tsecret\r\nSB\r\n\r\n"
    "##TimeScale\tQuarters\r\n250101-1\tQ1\r\n250401-1\tQ2\r\n\r\n"
    "##TimeScale\tYears\r\n250101-1\t2025\r\n\r\n\r\n"
    "##SaveSetup\tMonthly\r\nFN\r\nX-\t\r\n\r\n##SaveSetup\tYearly\r\nFT\r\n\r\n\r\n"
    "##ImportSetup\tBank\r\nA\tUTF-8\r\nCC\r\nPX\r\nRC\t2\r\n\r\n\r\n"
    "##Macro\tclose\r\nM\tclose\r\n\r\n##Macro\tsave\r\nM\tsave -FT\r\n\r\n\r\n"
    "##Subset\tBig\r\nVN\tItem 1\r\nF\tItem 1\r\nN\tlarge ones\r\n\r\n##Subset\tSmall\r\n\r\n"
    "##Templates\r\n#C\tReports: Cards\r\nxeE\tUTF-8\r\nxem\t#1\r\n#L\tReports: Lines\r\n"
    "xeE\tUTF-8\r\nxem\t#1\r\nxN\tnote\r\n"
    "##Defaults\r\n#K\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n#C\r\nxM\t90\r\nxeE\tUTF-8\r\nxem\t#1\r\n"
    "#L\r\nxeE\tUTF-8\r\nxem\t#1\r\n#P\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n"
    "#T\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n#R\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n\r\n"
    "##End\r\n";

// What the database writes of the stored objects.
std::string SaveStored(T_Base* base) {
  SaveOptionsFromBase(&base->saveOptions, base);
  base->saveOptions.sections[kSectionCharacters] = 0;
  base->saveOptions.sections[kSectionBaseOptions] = 0;
  T_OStream out;
  writeDatabaseSections(base, &out);
  return Written(out);
}

TEST_F(StoredSections, ComeBackByteForByte) {
  ASSERT_TRUE(Load(base, kStored));
  EXPECT_EQ(SaveStored(base), kStored);
  EXPECT_EQ(TimeScalePeriodCount(base->FindTimeScale("quarters")), 2);
  EXPECT_TRUE(user.asked.empty());

  // A database that never read them writes only its defaults, and a flag that is off leaves its
  // section out.
  T_Base fresh(nullptr, 0);
  EXPECT_EQ(SaveStored(&fresh), kFreshDefaults + "##End\r\n");
  base->saveOptions.sections[kSectionTemplates] = 0;
  base->saveOptions.sections[kSectionSubsets] = 0;
  T_OStream out;
  writeDatabaseSections(base, &out);
  std::string written = Written(out);
  EXPECT_EQ(written.find("##Templates"), std::string::npos);
  EXPECT_EQ(written.find("##Subset"), std::string::npos);
  EXPECT_NE(written.find("##Defaults"), std::string::npos);
}

TEST_F(StoredSections, AnImportAddsObjectsAndReplacesThoseOfTheSameName) {
  ASSERT_TRUE(Load(base, kStored));
  base->readFlags = kOpenFlagImport;
  ASSERT_TRUE(Load(base,
                   "##WebUsers\r\nU\tbob\r\n"
                   "##TimeScale\tquarters\r\n250701-1\tQ3\r\n"
                   "##TimeScale\r\n250101-1\tJan\r\n"
                   "##SaveSetup\tmonthly\r\nFB\r\n"
                   "##SaveSetup\r\nFS\r\n"
                   "##Macro\tCLOSE\r\nM\tquit\r\n"
                   "##Subset\tBIG\r\nxo\r\n"
                   "##Templates\r\n#K\tCard\r\nxx\r\nx0\r\n#C\treports: cards\r\nxo\r\n"
                   "#P\tOther\r\n"
                   "##Defaults\r\n#Q\tNone\r\nxM\t50\r\n#L\tLines\r\nxM\t60\r\n"
                   "##End\r\n"));
  const std::string expected =
      "##WebUsers\r\nU\tann\tsecret\r\nSB\r\nU\tbob\r\n\r\n"
      "##TimeScale\tQuarters\r\n250701-1\tQ3\r\n\r\n"
      "##TimeScale\tYears\r\n250101-1\t2025\r\n\r\n"
      "##TimeScale\tTime Scale 1\r\n250101-1\tJan\r\n\r\n\r\n"
      "##SaveSetup\tMonthly\r\nFB\r\n\r\n##SaveSetup\tSave Setup 1\r\nFS\r\n\r\n"
      "##SaveSetup\tYearly\r\nFT\r\n\r\n\r\n"
      "##ImportSetup\tBank\r\nA\tUTF-8\r\nCC\r\nPX\r\nRC\t2\r\n\r\n\r\n"
      "##Macro\tclose\r\nM\tquit\r\n\r\n##Macro\tsave\r\nM\tsave -FT\r\n\r\n\r\n"
      "##Subset\tBig\r\nxo\r\n\r\n##Subset\tSmall\r\n\r\n"
      "##Templates\r\n#P\tOther\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n"
      "#C\tReports: cards\r\nxo\r\nxeE\tUTF-8\r\nxem\t#1\r\n"
      "#L\tReports: Lines\r\nxeE\tUTF-8\r\nxem\t#1\r\nxN\tnote\r\n"
      "##Defaults\r\n#K\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n#C\r\nxM\t90\r\nxeE\tUTF-8\r\nxem\t#1\r\n"
      "#L\r\nxM\t60\r\nxeE\tUTF-8\r\nxem\t#1\r\n#P\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n"
      "#T\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n#R\r\nxeE\tUTF-8\r\nxem\t#1\r\n\r\n\r\n"
      "##End\r\n";
  EXPECT_EQ(SaveStored(base), expected);
}

TEST_F(StoredSections, ObjectsWithoutNamesTakeTheDefaultNames) {
  Load(base, "##SaveSetup\r\n##ImportSetup\r\n##TimeScale\r\n##Macro\r\n##Subset\r\n##End\r\n");
  EXPECT_NE(FindSaveSetup(base, "Save Setup 1"), nullptr);
  EXPECT_NE(FindImportSetup(base, "Import Setup 1"), nullptr);
  EXPECT_NE(base->FindTimeScale("Time Scale 1"), nullptr);
  EXPECT_NE(base->FindMacro("Macro 1"), nullptr);
  EXPECT_NE(SubsetFind(base->subsets, "G1"), nullptr);  // the subsets' own default
  T_TextBuf name;
  DefaultObjectName(&name, 7000);
  EXPECT_STREQ(name.c_str(), "Time Scale 1");
}

TEST_F(StoredSections, SubsetsAndTemplatesCountInTheMemoryUsage) {
  int64_t before = 0;
  int64_t spare = 0;
  base->GetMemoryUsage(&before, &spare);
  std::string text = "##Subset\tBig\r\n";
  for (int32_t i = 0; i < 20; ++i) text += "VN\tItem " + std::to_string(i) + "\r\n";
  text += "##Templates\r\n";
  for (int32_t i = 0; i < 40; ++i) text += "#C\tT" + std::to_string(i) + "\r\n";
  Load(base, text + "##End\r\n");
  int64_t after = 0;
  base->GetMemoryUsage(&after, &spare);
  EXPECT_GE(after - before, 20 * 1000 + 40 * 224 - 1024);  // usage is counted in whole kilobytes
}

}  // namespace
