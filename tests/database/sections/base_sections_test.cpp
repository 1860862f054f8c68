#include "database/base_sections.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/block_container.h"
#include "database/change_notes.h"
#include "database/date_ref.h"
#include "database/file_kinds.h"
#include "database/line_origins.h"
#include "database/lines.h"
#include "database/protection.h"
#include "database/save_options.h"
#include "section_stream_fixture.h"

namespace {

using BaseSections = SectionTest;

std::vector<int32_t>& NotedCodes() {
  static std::vector<int32_t> codes;
  return codes;
}

// Records the code of every note the databases send while it lives.
class NoteProbe {
 public:
  NoteProbe() {
    NotedCodes().clear();
    SetDispatchProbe([](int32_t step, T_Base*, const ChangeNote* note) {
      if (step == 1) NotedCodes().push_back(note->code);
    });
  }
  ~NoteProbe() { SetDispatchProbe(nullptr); }
  NoteProbe(const NoteProbe&) = delete;
  NoteProbe& operator=(const NoteProbe&) = delete;
};

TEST_F(BaseSections, BaseOptionsGoldenAndBack) {
  SaveOnly(base, {kSectionBaseOptions});
  EXPECT_EQ(Save(base), "##BaseOptions\r\nCN\t3\r\nCD\t2\r\n\r\n##End\r\n");

  SetValueCount(base, 3);
  base->SetCardDigits(5);
  base->decimalsCodes[0] = 0;
  base->decimalsCodes[1] = 8;  // thousands, as a file may carry it
  base->decimalsCodes[2] = 7;
  base->decimalsCodes[5] = 4;  // beyond the columns in use: not written
  // Older data may hold what the setters now keep out; it must not split its line.
  BlockTextAssign(&base->cardTitleLabel, "Voucher\tno.");
  base->SetLineTextLabel("Memo");
  base->SetValueName(1, "Net");
  SetLineOrigins(base, true);
  base->SetReferenceDateText("Month-1");
  const std::string golden =
      "##BaseOptions\r\nCN\t5\r\nCD\t0\tT\tF\r\nCT\tVoucher no.\r\nLT\tMemo\r\nLV\t\tNet\r\n"
      "LN\t3\r\nLH\r\nR\tMonth-1\r\n\r\n##End\r\n";
  EXPECT_EQ(Save(base), golden);

  T_Base copy(nullptr, 0);
  EXPECT_TRUE(Load(&copy, golden));
  EXPECT_EQ(copy.cardDigits, 5);
  EXPECT_EQ(copy.valueCount, 3);
  EXPECT_EQ(copy.readValueCount, 3);
  EXPECT_EQ(std::vector<int32_t>(copy.decimalsCodes, copy.decimalsCodes + 4),
            (std::vector<int32_t>{0, 8, 7, 2}));
  EXPECT_STREQ(copy.cardTitleLabel, "Voucher no.");
  EXPECT_STREQ(copy.lineTextLabel, "Memo");
  EXPECT_EQ(copy.valueNames[0], nullptr);
  EXPECT_STREQ(copy.valueNames[1], "Net");
  EXPECT_NE(copy.lineOrigins, nullptr);
  EXPECT_TRUE(DateRefEqual(&copy.referenceDate, &base->referenceDate));
  SaveOnly(&copy, {kSectionBaseOptions});
  EXPECT_EQ(Save(&copy), golden);
}

TEST_F(BaseSections, BaseOptionsEdgeCases) {
  using Check = std::function<void(T_Base*)>;
  const struct {
    const char* why;
    Check before;
    const char* lines;
    Check after;
  } cases[] = {
      {"card digits are raised to what the cards need",
       [](T_Base* b) {
         CardId id{PackDate(2025, 3, 7), 1234};
         CreateCard(b, &id);
       },
       "CN\t2\r\n", [](T_Base* b) { EXPECT_EQ(b->cardDigits, 4); }},
      {"a short decimals line keeps the other columns", [](T_Base* b) { b->decimalsCodes[1] = 5; },
       "CD\t0\t\tT\t9\r\n",
       [](T_Base* b) {
         EXPECT_EQ(std::vector<int32_t>(b->decimalsCodes, b->decimalsCodes + 5),
                   (std::vector<int32_t>{0, 5, 8, 2, 2}));
       }},
      {"25 and 0 value columns are ignored", nullptr, "LN\t25\r\nLN\t0\r\n",
       [](T_Base* b) {
         EXPECT_EQ(b->valueCount, 1);
         EXPECT_EQ(b->readValueCount, 1);
       }},
      {"2 value columns into 5 keep 5", [](T_Base* b) { SetValueCount(b, 5); }, "LN\t2\r\n",
       [](T_Base* b) {
         EXPECT_EQ(b->valueCount, 5);
         EXPECT_EQ(b->readValueCount, 2);
       }},
      {"3 value columns into 1 widen the lines", nullptr, "LN\t3\r\n",
       [](T_Base* b) { EXPECT_EQ(b->valueCount, 3); }},
      {"the reference date is a date bound", nullptr, "R\t250307\r\n",
       [](T_Base* b) {
         EXPECT_EQ(b->referenceDate.kind, kDateRefFixed);
         EXPECT_EQ(b->referenceDate.cardId.date, PackDate(2025, 3, 7));
       }},
      {"a relative reference date", nullptr, "R\tQuarter+1\r\n",
       [](T_Base* b) {
         EXPECT_EQ(b->referenceDate.kind, kDateRefQuarter);
         EXPECT_EQ(b->referenceDate.offset, 1);
       }},
      {"labels and names at their defaults are none", nullptr,
       "CT\tCard Title\r\nLV\tValue\tValue 2\tGross\r\nXX\tunknown\r\n",
       [](T_Base* b) {
         EXPECT_EQ(b->cardTitleLabel, nullptr);
         EXPECT_EQ(b->valueNames[1], nullptr);
         EXPECT_STREQ(b->valueNames[2], "Gross");
       }},
  };
  for (const auto& c : cases) {
    T_Base database(nullptr, 0);
    if (c.before) c.before(&database);
    EXPECT_TRUE(Load(&database, "##BaseOptions\r\n" + std::string(c.lines) + "##End\r\n")) << c.why;
    SCOPED_TRACE(c.why);
    c.after(&database);
  }
}

TEST_F(BaseSections, TheLineOriginRegisterFollowsTheFileUnlessImporting) {
  NoteProbe probe;
  Load(base, "##BaseOptions\r\nLH\r\n##End\r\n");
  EXPECT_NE(base->lineOrigins, nullptr);
  Load(base, "##BaseOptions\r\nLH\r\n##End\r\n");
  Load(base, "##BaseOptions\r\nCN\t3\r\n##End\r\n");
  EXPECT_EQ(base->lineOrigins, nullptr);
  int32_t switches = 0;
  for (int32_t code : NotedCodes()) switches += code == kChangeLineOrigins;
  EXPECT_EQ(switches, 2);

  base->readFlags = kOpenFlagImport;
  Load(base, "##BaseOptions\r\nLH\r\n##End\r\n");
  EXPECT_EQ(base->lineOrigins, nullptr);
}

TEST_F(BaseSections, ProtectionIsCheckedInContainersOnly) {
  SaveOnly(base, {kSectionProtection});
  EXPECT_EQ(Save(base), "##Protection\r\n##End\r\n");
  SetProtectionPassword(base->protection, "Secret");
  EXPECT_EQ(Save(base), "##Protection\tSecret\r\n##End\r\n");

  const struct {
    int32_t fileKind;
    const char* given;  // the password the file was opened with
    int32_t readFlags;
    bool fails;
    bool installed;
  } cases[] = {
      {kFileKindContainerN, "secret", 0, false, true},  // check values ignore letter case
      {kFileKindContainerN, "wrong", 0, true, false},
      {kFileKindContainerN, nullptr, 0, true, false},
      {kFileKindHuffman, "wrong", 0, true, false},
      {kFileKindTextForm, nullptr, 0, false, true},
      {kFileKindTextForm, nullptr, kOpenFlagImport, false, false},
  };
  for (const auto& c : cases) {
    PendingErrorClear();
    T_Base database(nullptr, 0);
    database.fileKind = c.fileKind;
    database.readFlags = c.readFlags;
    SetProtectionPassword(database.protection, c.given);
    int64_t given = database.protection->checkValue;
    Load(&database, "##Protection\tSecret\r\nignored\r\n##BaseOptions\r\nCN\t4\r\n##End\r\n");
    EXPECT_EQ(PendingError.request.message, c.fails ? kErrorIncorrectPassword : 0) << c.fileKind;
    EXPECT_EQ(database.errorFlag, c.fails ? 1 : 0);
    EXPECT_EQ(database.cardDigits, c.fails ? 3 : 4);  // a failed open reads no further
    EXPECT_EQ(database.protection->checkValue, c.installed ? PasswordCheckValue("Secret") : given);
  }
}

}  // namespace
