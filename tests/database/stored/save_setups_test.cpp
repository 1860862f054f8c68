// Save setups as live records: the "##SaveSetup" record read into options and written from them,
// the reader's edge cases, untouched setups written back as read, renaming in name order, the
// save option "s=name", and a bounded loop of damaged records.
#include "database/save_setups.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/components.h"
#include "database/operation_log.h"
#include "database/save_options.h"
#include "database/stored_object_holders.h"

namespace {

std::string Written(const T_OStream& out) {
  return std::string(reinterpret_cast<const char*>(out.start), out.BufferedLength());
}

class SaveSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    // Dimensions 0 to 2 in use: records carry three letters per dimension key.
    AddComponent(&base, 0, "K", nullptr, nullptr);
    AddComponent(&base, 1, "A", nullptr, nullptr);
    AddComponent(&base, 2, "P", nullptr, nullptr);
  }
  void TearDown() override { PendingErrorClear(); }

  // Reads one record (its header line first) into the setup of its name.
  SaveSetup* Read(const std::string& text) {
    T_IStream in;
    in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    EXPECT_TRUE(in.NextLine() && IsSectionHeaderLine(&in));
    in.NextField();
    in.NextField();
    std::string name(in.Field(), in.FieldLength());
    SaveSetup* setup = FindSaveSetup(&base, name.c_str());
    if (!setup) setup = SaveSetupCreate(&base, name.c_str());
    ReadSaveSetup(setup, &in);
    return setup;
  }
  std::string Write(SaveSetup* setup) {
    T_OStream out;
    WriteSaveSetup(setup, &out);
    return Written(out);
  }

  T_NoAlerts quiet;
  T_Base base{nullptr, 1};
};

const char kNormalRecord[] =
    "##SaveSetup\tMonthly\r\n"
    "FB\r\n"
    "FZ-\r\n"
    "SH+\r\nSP-\r\nSW+\r\nSB+\r\nSS-\r\nSI+\r\nST+\r\nSX+\r\nSD+\r\nSC+\r\nSU-\r\nSM+\r\nSG-\r\n"
    "DF\tCUN\r\n"
    "DL\tHTC\r\n"
    "BY\tabc*\r\n"
    "CT+\r\n"
    "GL\r\n"
    "TF\tSales*\r\n"
    "TO+\r\n"
    "M2\t-\r\n"
    "M3\t2\r\n"
    "\r\n";

const char kSieRecord[] =
    "##SaveSetup\tSIE\r\n"
    "FS\r\n"
    "FZ+\r\n"
    "SH+\r\nSP+\r\nSW+\r\nSB+\r\nSS+\r\nSI+\r\nST+\r\nSX+\r\nSD+\r\nSC+\r\nSU+\r\nSM+\r\nSG+\r\n"
    "DF\tAAA\r\n"
    "DL\tCCC\r\n"
    "CT-\r\n"
    "GC\r\n"
    "TO-\r\n"
    "RC\tTrelvik AB\r\n"
    "RO\t556000-0000\r\n"
    "RV\tA\r\n"
    "RN\tYear end\r\n"
    "Rr-\r\nRu+\r\nRk+\r\nRd-\r\nRv+\r\n"
    "RF\tUCA\r\n"
    "RD2\tK\r\n"
    "RD3\t6\r\n"
    "\r\n";

TEST_F(SaveSetupTest, RecordsOfEveryFieldReadAndWriteBackEqual) {
  for (const char* record : {kNormalRecord, kSieRecord}) {
    SaveSetup* setup = Read(record);
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(Write(setup), record);  // as read: the kept lines
    setup->edited = 1;
    EXPECT_EQ(Write(setup), record);  // from the options: the same bytes
  }
  const SaveOptions& normal = FindSaveSetup(&base, "monthly")->options;
  EXPECT_EQ(normal.kind, kSaveKindBrowser);
  EXPECT_EQ(normal.compressed, 0);
  EXPECT_EQ(normal.sections[kSectionProtection], 0);
  EXPECT_EQ(normal.sections[kSectionDefaults], 0);
  EXPECT_EQ(normal.dimensionModes[1], kDimSaveInUse);
  EXPECT_EQ(normal.cardReferenceStyles[0], kCardRefHostCode);
  EXPECT_EQ(normal.selectionLevel, 2);
  EXPECT_STREQ(normal.templateNameFilter, "Sales*");
  EXPECT_EQ(normal.dimensionNumbering[1], -1);
  EXPECT_EQ(normal.dimensionNumbering[2], 1);
  const SaveOptions& sie = FindSaveSetup(&base, "SIE")->options;
  EXPECT_EQ(sie.sieDimensionNumbers[1], -1);
  EXPECT_EQ(sie.sieDimensionNumbers[2], 6);
  EXPECT_EQ(sie.sieFlags[kSieRegistrationDates], 0);
  EXPECT_EQ(sie.sieComponentModes[0], kDimSaveInUse);
  EXPECT_STREQ(sie.sieCompanyName, "Trelvik AB");
}

TEST_F(SaveSetupTest, ReaderEdgeCases) {
  const struct {
    const char* body;
    std::function<void(const SaveOptions&)> check;
  } cases[] = {
      {"RD2\t0\r\nRD3\t51\r\nRD4\tK\r\nRF\tN\r\n",  // read for every kind
       [](const SaveOptions& o) {
         EXPECT_EQ(o.kind, kSaveKindContainer);
         EXPECT_EQ(o.sieDimensionNumbers[1], 1);
         EXPECT_EQ(o.sieDimensionNumbers[2], 1);
         EXPECT_EQ(o.sieDimensionNumbers[3], -1);
         EXPECT_EQ(o.sieComponentModes[0], kDimSaveNone);
         EXPECT_EQ(o.sieComponentModes[1], kDimSaveActive);
       }},
      {"DF\tU\r\n",  // fewer letters than dimensions: only those given
       [](const SaveOptions& o) {
         EXPECT_EQ(o.dimensionModes[0], kDimSaveInUse);
         EXPECT_EQ(o.dimensionModes[1], kDimSaveAll);
       }},
      {"DF\tAXN\r\nFZ?\r\nSC*\r\nGC\r\nGQ\r\n",  // unknown letters and signs leave values
       [](const SaveOptions& o) {
         EXPECT_EQ(o.dimensionModes[1], kDimSaveAll);
         EXPECT_EQ(o.dimensionModes[2], kDimSaveNone);
         EXPECT_EQ(o.compressed, 1);
         EXPECT_EQ(o.sections[kSectionCards], 1);
         EXPECT_EQ(o.selectionLevel, 0);
       }},
      {"M1\t5\r\nM33\t5\r\nM2\t40\r\nM3\t0\r\nM4\t3\r\nMx\t3\r\n",
       [](const SaveOptions& o) {
         EXPECT_EQ(o.dimensionNumbering[0], 0);   // "M1" is no key
         EXPECT_EQ(o.dimensionNumbering[1], -1);  // 39 is no dimension
         EXPECT_EQ(o.dimensionNumbering[2], -1);  // nor is -1
         EXPECT_EQ(o.dimensionNumbering[3], 2);
       }},
      {"DF\tNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN\r\nQQ\tx\r\n\tx\r\n",  // 40 letters: 32 read
       [](const SaveOptions& o) { EXPECT_EQ(o.dimensionModes[31], kDimSaveNone); }},
      {"FT\r\nCT+\r\n##Next\r\nCT-\r\n",  // cut by the next section: what was read stays
       [](const SaveOptions& o) {
         EXPECT_EQ(o.kind, kSaveKindText);
         EXPECT_EQ(o.templateLinesOnly, 1);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    SaveSetup* setup = Read(std::string("##SaveSetup\tCase\r\n") + c.body);
    c.check(setup->options);
  }
}

TEST_F(SaveSetupTest, KindsWithoutALetterAreWrittenAsNormal) {
  SaveSetup* setup = SaveSetupCreate(&base, "Templates");
  setup->options.kind = kSaveKindTemplates;
  std::string record = Write(setup);
  EXPECT_EQ(record.substr(record.find("\r\n") + 2, 4), "FN\r\n");
  SaveSetup* back = Read("##SaveSetup\tBack\r\n" + record.substr(record.find("\r\n") + 2));
  EXPECT_EQ(back->options.kind, kSaveKindContainer);
  EXPECT_EQ(record.find("RF"), std::string::npos);  // SIE lines only for SIE 4
}

TEST_F(SaveSetupTest, NamesOrderTheListAndOneNameInTwoCasesIsOneSetup) {
  for (const char* name : {"b", "A", "c"}) Read(std::string("##SaveSetup\t") + name + "\r\nFT\r\n");
  Read("##SaveSetup\tB\r\nFB\r\n");
  std::string names;
  for (SaveSetup* s = base.saveSetups; s; s = s->next) names += std::string(s->name) + " ";
  EXPECT_EQ(names, "A b c ");
  EXPECT_EQ(FindSaveSetup(&base, "b")->options.kind, kSaveKindBrowser);

  SaveSetupRename(FindSaveSetup(&base, "A"), " d ");
  names.clear();
  for (SaveSetup* s = base.saveSetups; s; s = s->next) names += std::string(s->name) + " ";
  EXPECT_EQ(names, "b c d ");

  T_TextBuf unique("C");
  MakeSaveSetupNameUnique(&base, nullptr, &unique);
  EXPECT_STREQ(unique.c_str(), "C 1");
  TextBufAssign(&unique, "c");
  MakeSaveSetupNameUnique(&base, FindSaveSetup(&base, "c"), &unique);
  EXPECT_STREQ(unique.c_str(), "c");
}

TEST_F(SaveSetupTest, TheSaveOptionSCopiesTheNamedSetup) {
  Read(kNormalRecord);
  SaveOptions options;
  SaveOptionsInit(&options, &base);
  const char option[] = "s=MONTHLY";
  EXPECT_TRUE(ParseSaveOption(&options, option, 9));
  EXPECT_TRUE(SaveOptionsEqual(&options, &FindSaveSetup(&base, "Monthly")->options));
  EXPECT_FALSE(ParseSaveOption(&options, "s=Nobody", 8));
  SaveOptionsFree(&options);
}

TEST_F(SaveSetupTest, DamagedRecordsEndEveryRead) {
  std::mt19937 random(20261211);
  const std::string record(kSieRecord);
  for (int round = 0; round < 400; ++round) {
    std::string damaged = record;
    for (int flips = 1 + static_cast<int>(random() % 6); flips > 0; --flips) {
      size_t at = 15 + random() % (damaged.size() - 15);
      switch (random() % 3) {
        case 0:
          damaged[at] = static_cast<char>(random());
          break;
        case 1:
          damaged.erase(at, 1 + random() % 8);
          break;
        default:
          damaged.insert(at, 1, "\t\r\n-K9"[random() % 6]);
          break;
      }
      if (damaged.size() < 20) damaged = record;
    }
    if (random() % 3 == 0) damaged.resize(random() % damaged.size());  // cut short too
    SaveSetup* setup = SaveSetupCreate(&base, "Damaged");
    T_IStream in;
    in.CtorFromMemory(damaged.data(), static_cast<int64_t>(damaged.size()));
    in.NextLine();
    ReadSaveSetup(setup, &in);
    for (int32_t d = 0; d < kDimensionCount; ++d) {
      ASSERT_GE(setup->options.dimensionNumbering[d], -1);
      ASSERT_LT(setup->options.dimensionNumbering[d], kDimensionCount);
      ASSERT_GE(setup->options.sieDimensionNumbers[d], -1);
      ASSERT_LE(setup->options.sieDimensionNumbers[d], 50);
    }
    setup->edited = 1;
    Write(setup);
    SaveSetupFree(setup);
  }
}

}  // namespace
