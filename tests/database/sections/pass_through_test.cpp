// The sections whose models come later travel through a read and a save unchanged.
#include <gtest/gtest.h>

#include <string>

#include "database/base.h"
#include "database/save_options.h"
#include "database/section_passthrough.h"
#include "database/stored_object_holders.h"
#include "database/stored_object_sections.h"
#include "database/time_scale.h"
#include "section_stream_fixture.h"

namespace {

using PassThrough = SectionTest;

// Every section a later model will read, as its writer puts it; the kept lines hold what their
// own readers may not tolerate being rewritten (a trailing TAB, an empty line inside a record).
const std::string kHeld =
    "##WebUsers\r\nU\tann\tsecret\r\nSB\t1\r\n\r\n"
    "##TimeScale\tQuarters\r\n250101-1\tQ1\r\n250401-1\tQ2\r\n\r\n"
    "##TimeScale\tYears\r\n250101-1\t2025\r\n\r\n\r\n"
    "##SaveSetup\tMonthly\r\nFN\r\nX-\t\r\n\r\n##SaveSetup\tYearly\r\nFT\r\n\r\n\r\n"
    "##ImportSetup\tBank\r\nE\tUTF-8\r\n\r\nR\t1\r\n\r\n\r\n"
    "##Macro\tclose\r\nM\tclose\r\n\r\n##Macro\tsave\r\nM\tsave -FT\r\n\r\n\r\n"
    "##Subset\tBig\r\nVN\tItem 1\r\nVD\t250101\r\nF\tItem 1\r\n\r\n##Subset\tSmall\r\n\r\n"
    "##Templates\r\n#C\tReports: Cards\r\nxeE\tUTF-8\r\nxem\t1\r\n#L\tReports: Lines\r\n"
    "xeE\tUTF-8\r\n\r\nxN\tnote\r\n#S\tSubsets\r\n"
    "##Defaults\r\n#K\tCard\r\nxeE\tUTF-8\r\n#C\tCards\r\nxem\t1\r\n\r\n"
    "##End\r\n";

// What the database writes of the held sections.
std::string SaveHeld(T_Base* base) {
  SaveOptionsFromBase(&base->saveOptions, base);
  base->saveOptions.sections[kSectionCharacters] = 0;
  base->saveOptions.sections[kSectionBaseOptions] = 0;
  T_OStream out;
  writeDatabaseSections(base, &out);
  return Written(out);
}

TEST_F(PassThrough, HeldSectionsComeBackByteForByte) {
  ASSERT_TRUE(Load(base, kHeld));
  EXPECT_EQ(SaveHeld(base), kHeld);
  EXPECT_EQ(TimeScalePeriodCount(base->FindTimeScale("quarters")), 2);

  // A database that never read them writes none of them, and a flag that is off leaves its
  // section out.
  T_Base fresh(nullptr, 0);
  EXPECT_EQ(SaveHeld(&fresh), "##End\r\n");
  base->saveOptions.sections[kSectionTemplates] = 0;
  base->saveOptions.sections[kSectionSubsets] = 0;
  T_OStream out;
  writeDatabaseSections(base, &out);
  std::string written = Written(out);
  EXPECT_EQ(written.find("##Templates"), std::string::npos);
  EXPECT_EQ(written.find("##Subset"), std::string::npos);
  EXPECT_NE(written.find("##Defaults"), std::string::npos);
}

TEST_F(PassThrough, AnImportAddsObjectsAndReplacesThoseOfTheSameName) {
  ASSERT_TRUE(Load(base, kHeld));
  base->readFlags = kOpenFlagImport;
  ASSERT_TRUE(Load(base,
                   "##WebUsers\r\nU\tbob\r\n"
                   "##TimeScale\tquarters\r\n250701-1\tQ3\r\n"
                   "##TimeScale\r\n250101-1\tJan\r\n"
                   "##SaveSetup\tmonthly\r\nFB\r\n"
                   "##SaveSetup\r\nFS\r\n"
                   "##Macro\tCLOSE\r\nM\tquit\r\n"
                   "##Subset\tBIG\r\nF\tx\r\n"
                   "##Templates\r\n#K\tCard\r\nxx\r\nx0\r\n#C\treports: cards\r\nnew\r\n"
                   "#P\tOther\r\n"
                   "##Defaults\r\n#Q\tNone\r\nqq\r\n#L\tLines\r\n"
                   "##End\r\n"));
  const std::string expected =
      "##WebUsers\r\nU\tann\tsecret\r\nSB\t1\r\nU\tbob\r\n\r\n"
      "##TimeScale\tQuarters\r\n250701-1\tQ3\r\n\r\n"
      "##TimeScale\tYears\r\n250101-1\t2025\r\n\r\n"
      "##TimeScale\tTime Scale 1\r\n250101-1\tJan\r\n\r\n\r\n"
      "##SaveSetup\tMonthly\r\nFB\r\n\r\n##SaveSetup\tSave Setup 1\r\nFS\r\n\r\n"
      "##SaveSetup\tYearly\r\nFT\r\n\r\n\r\n"
      "##ImportSetup\tBank\r\nE\tUTF-8\r\n\r\nR\t1\r\n\r\n\r\n"
      "##Macro\tclose\r\nM\tquit\r\n\r\n##Macro\tsave\r\nM\tsave -FT\r\n\r\n\r\n"
      "##Subset\tBig\r\nF\tx\r\n\r\n##Subset\tSmall\r\n\r\n"
      "##Templates\r\n#C\treports: cards\r\nnew\r\n#L\tReports: Lines\r\n"
      "xeE\tUTF-8\r\n\r\nxN\tnote\r\n#S\tSubsets\r\n#P\tOther\r\n"
      "##Defaults\r\n#K\tCard\r\nxeE\tUTF-8\r\n#C\tCards\r\nxem\t1\r\n#L\tLines\r\n\r\n"
      "##End\r\n";
  EXPECT_EQ(SaveHeld(base), expected);
}

TEST_F(PassThrough, ObjectsWithoutNamesTakeTheDefaultNames) {
  Load(base, "##SaveSetup\r\n##ImportSetup\r\n##TimeScale\r\n##Macro\r\n##End\r\n");
  EXPECT_NE(FindSaveSetup(base, "Save Setup 1"), nullptr);
  EXPECT_NE(FindImportSetup(base, "Import Setup 1"), nullptr);
  EXPECT_NE(base->FindTimeScale("Time Scale 1"), nullptr);
  EXPECT_NE(base->FindMacro("Macro 1"), nullptr);
  T_TextBuf name;
  DefaultObjectName(&name, 7000);
  EXPECT_STREQ(name.c_str(), "Time Scale 1");
}

TEST_F(PassThrough, HeldSectionsCountInTheMemoryUsage) {
  int64_t before = 0;
  int64_t spare = 0;
  base->GetMemoryUsage(&before, &spare);
  const std::string big(20000, 'x');
  Load(base,
       "##Subset\tBig\r\nF\t" + big + "\r\n##Templates\r\n#C\tT\r\nxN\t" + big + "\r\n##End\r\n");
  int64_t after = 0;
  base->GetMemoryUsage(&after, &spare);
  EXPECT_GE(after - before, 39 * 1024);  // usage is counted in whole kilobytes
  EXPECT_GE(SectionPassThroughMemSize(base), 40000);
}

}  // namespace
