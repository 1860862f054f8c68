#include "database/stored_object_holders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/macros.h"
#include "database/operation_log.h"
#include "database/web_users.h"
#include "logs/logs_fixture.h"

namespace {

std::string Written(const T_OStream& out) {
  return std::string(reinterpret_cast<const char*>(out.start), out.BufferedLength());
}

std::string Field(T_IStream* in) {
  in->NextField();
  return std::string(in->Field(), in->FieldLength());
}

// Reads the sections as the section stream will: each reader starts on its header line and
// leaves the next "##" line current.
void ReadSections(T_Base* base, T_IStream* in) {
  bool onHeader = in->NextLine() && IsSectionHeaderLine(in);
  while (onHeader) {
    std::string tag = Field(in);
    std::string name = Field(in);
    if (tag == "##SaveSetup") {
      SaveSetup* setup = FindSaveSetup(base, name.c_str());
      ReadSaveSetup(setup ? setup : SaveSetupCreate(base, name.c_str()), in);
    } else if (tag == "##ImportSetup") {
      ImportSetup* setup = FindImportSetup(base, name.c_str());
      ReadImportSetup(setup ? setup : ImportSetupCreate(base, name.c_str()), in);
    } else if (tag == "##Macro") {
      Macro* macro = base->FindMacro(name.c_str());
      ReadMacro(macro ? macro : MacroCreate(base, name.c_str()), in);
    } else if (tag == "##DimImport") {
      ReadDimImport(DimImportCreate(base, std::stoi(name) - 1), in);
    } else if (tag == "##WebUsers") {
      ReadWebUsers(base->webUsers, in, false);
    } else {
      return;
    }
    onHeader = IsSectionHeaderLine(in);
  }
}

void ReadText(T_Base* base, std::string text) {
  T_IStream in;
  in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  ReadSections(base, &in);
}

class HolderTest : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override { PendingErrorClear(); }

  T_NoAlerts quiet;
  T_Base base{nullptr, 1};
};

// One record of each kind, as the writers of the real objects put them; some lines hold what a
// careless writer would change (blanks, a control byte, non-ASCII text).
const char kSections[] =
    "##SaveSetup\tMonthly\r\n"
    "FN\r\nFZ+\r\nDF\tAAC\r\n"
    "\r\n"
    "##ImportSetup\tBank \xC3\xA5\r\n"
    "A\tUTF-8\r\nCC\r\nPX\r\nCF\t  spaced  \r\nL1\tF1\r\n"
    "\r\n"
    "##Macro\tStart\r\n"
    "M\tsay\x03it\r\nA+\r\nS-\r\nP-\r\n"
    "\r\n"
    "##DimImport\t3\r\n"
    "A\tUTF-8\r\nCC\r\nPX\r\nrX\r\nHW\r\nMC\r\nNC\r\nLC\tF1\r\nLT\tF2\r\nLH\tF3\r\n"
    "\r\n"
    "##WebUsers\r\n"
    "U\tann\tpw\r\nSG\tNorth\r\n"
    "\r\n"
    "##End\r\n";

TEST_F(HolderTest, SectionsWrittenBackByteForByte) {
  ReadText(&base, kSections);
  T_OStream out;
  WriteSaveSetup(FindSaveSetup(&base, "Monthly"), &out);
  WriteImportSetup(FindImportSetup(&base, "bank \xC3\xA5"), &out);
  WriteMacroRecord(base.FindMacro("start"), &out);
  WriteDimImport(base.dimImports[2], &out, 3);
  out.PutLine("##WebUsers");
  WriteWebUsers(base.webUsers, &out);
  out.PutNewline();
  out.PutLine("##End");
  EXPECT_EQ(Written(out), kSections);
}

TEST_F(HolderTest, ReadingStopsAtTheNextSectionTheEndOrTheAbortFlag) {
  // Empty lines at the end of a record go; the record's own empty line comes back on writing.
  ReadText(&base, "##SaveSetup\tA\r\nFN\r\n\r\nFZ+\r\n\r\n\r\n\r\n##SaveSetup\tB\r\nFT");
  T_OStream out;
  WriteSaveSetup(FindSaveSetup(&base, "A"), &out);
  WriteSaveSetup(FindSaveSetup(&base, "B"), &out);
  EXPECT_EQ(Written(out), "##SaveSetup\tA\r\nFN\r\n\r\nFZ+\r\n\r\n##SaveSetup\tB\r\nFT\r\n\r\n");

  std::string text = "##SaveSetup\tC\r\nFN\r\n##End\r\n";
  T_IStream in;
  in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  ASSERT_TRUE(in.NextLine());
  SaveSetup* setup = SaveSetupCreate(&base, "C");
  PendingError.abort.store(true);
  ReadSaveSetup(setup, &in);
  EXPECT_EQ(setup->lines.length, 0);
  PendingErrorClear();
  ReadSaveSetup(setup, &in);
  EXPECT_EQ(std::string(setup->lines.bytes, setup->lines.length), "FN\n");
  EXPECT_EQ(Field(&in), "##End");
}

TEST_F(HolderTest, SetupsSortedByNameAndFoundIgnoringCase) {
  for (const char* name : {"beta", "", "Alpha", "gamma"}) SaveSetupCreate(&base, name);
  std::string order;
  for (SaveSetup* setup = base.saveSetups; setup; setup = setup->next)
    order += std::string(setup->name ? setup->name : "-") + " ";
  EXPECT_EQ(order, "Alpha beta gamma - ");
  EXPECT_EQ(FindSaveSetup(&base, "  GAMMA "), base.saveSetups->next->next);
  EXPECT_EQ(FindSaveSetup(&base, " "), nullptr);
  EXPECT_EQ(FindSaveSetup(&base, "delta"), nullptr);

  // A second section of the same name, in other letter case, fills the same setup again.
  ReadText(&base, "##ImportSetup\tBank\r\nA\tUTF-8\r\n\r\n##ImportSetup\tBANK\r\nA\tPC-8\r\n\r\n");
  ASSERT_NE(base.importSetups, nullptr);
  EXPECT_EQ(base.importSetups->next, nullptr);
  EXPECT_EQ(base.importSetups->format.encoding, 8u);

  SaveSetupFree(base.saveSetups->next);  // from the middle
  EXPECT_STREQ(base.saveSetups->next->name, "gamma");
}

TEST_F(HolderTest, DimensionSetupsMeasuredAndFreedWithTheDatabase) {
  int64_t empty = StoredObjectHoldersMemSize(&base);
  DimImportSetup* setup = DimImportCreate(&base, 31);
  ASSERT_NE(setup, nullptr);
  EXPECT_EQ(DimImportCreate(&base, 31), setup);
  EXPECT_EQ(setup->dimension, 31);
  EXPECT_EQ(DimImportCreate(&base, 32), nullptr);
  EXPECT_EQ(DimImportCreate(&base, -1), nullptr);
  DimImportFree(setup);
  EXPECT_EQ(base.dimImports[31], nullptr);

  ReadText(&base, kSections);
  int64_t full = StoredObjectHoldersMemSize(&base);
  EXPECT_GT(full, empty);
  base.FindMacro("Start");
  EXPECT_GT(StoredObjectHoldersMemSize(&base), full);  // the index counts too

  FreeStoredObjectHolders(&base);
  EXPECT_EQ(base.saveSetups, nullptr);
  EXPECT_EQ(base.importSetups, nullptr);
  EXPECT_EQ(base.macros, nullptr);
  EXPECT_EQ(base.macroCount, 0);
  EXPECT_EQ(base.macroIndex, nullptr);
  EXPECT_NE(base.dimImports[2], nullptr);           // freed with its dimension
  EXPECT_TRUE(WebUserListNotEmpty(base.webUsers));  // and the web users on their own

  // A database with every kind of holder goes without leaving any behind.
  auto* other = new T_Base(nullptr, 2);
  ReadText(other, kSections);
  other->FindMacro("Start");
  delete other;
}

}  // namespace
