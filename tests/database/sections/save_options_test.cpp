#include "database/save_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/owned_text.h"
#include "database/base.h"
#include "database/components.h"
#include "database/protection.h"
#include "database/stored_object_holders.h"
#include "database/time_scale.h"
#include "section_stream_fixture.h"

namespace {

using SaveOptionsTest = SectionTest;

// Each row applies its options in turn to fresh defaults; a row whose last option is refused
// must leave the record as the options before it made it.
TEST_F(SaveOptionsTest, EveryLetterOption) {
  using Change = std::function<void(SaveOptions*)>;
  const struct {
    std::vector<const char*> options;
    bool accepted;
    Change change;
  } rows[] = {
      {{"c-"}, true, [](SaveOptions* o) { o->sections[kSectionCharacters] = 0; }},
      {{"P-"}, true, [](SaveOptions* o) { o->sections[kSectionProtection] = 0; }},
      {{"W-"}, true, [](SaveOptions* o) { o->sections[kSectionWebUsers] = 0; }},
      {{"B-"}, true, [](SaveOptions* o) { o->sections[kSectionBaseOptions] = 0; }},
      {{"s-"}, true, [](SaveOptions* o) { o->sections[kSectionSaveSetups] = 0; }},
      {{"I-"}, true, [](SaveOptions* o) { o->sections[kSectionImportSetups] = 0; }},
      {{"S-"}, true, [](SaveOptions* o) { o->sections[kSectionTimeScales] = 0; }},
      {{"M-"}, true, [](SaveOptions* o) { o->sections[kSectionMacros] = 0; }},
      {{"D-"}, true, [](SaveOptions* o) { o->sections[kSectionDimensions] = 0; }},
      {{"C-"}, true, [](SaveOptions* o) { o->sections[kSectionCards] = 0; }},
      {{"U-"}, true, [](SaveOptions* o) { o->sections[kSectionSubsets] = 0; }},
      {{"T-"}, true, [](SaveOptions* o) { o->sections[kSectionTemplates] = 0; }},
      {{"F-"}, true, [](SaveOptions* o) { o->sections[kSectionDefaults] = 0; }},
      {{"X-"}, true, SaveOptionsClearSections},
      {{"X-", "c+", "P+", "W+", "B+", "s+", "I+", "S+", "M+", "D+", "C+", "U+", "T+", "F+"},
       true,
       [](SaveOptions*) {}},
      {{"X-", "X+"}, true, [](SaveOptions*) {}},
      {{"D3-"}, true, [](SaveOptions* o) { o->dimensionModes[2] = kDimSaveNone; }},
      {{"D12U"}, true, [](SaveOptions* o) { o->dimensionModes[11] = kDimSaveInUse; }},
      {{"D1A"}, true, [](SaveOptions* o) { o->dimensionModes[0] = kDimSaveActive; }},
      {{"D32-", "D32+"}, true, [](SaveOptions*) {}},
      {{"CT"}, true, [](SaveOptions* o) { o->templateLinesOnly = 1; }},
      {{"C2H"}, true, [](SaveOptions* o) { o->cardReferenceStyles[1] = kCardRefHostCode; }},
      {{"C10T", "C10C"}, true, [](SaveOptions*) {}},
      {{"C32T"}, true, [](SaveOptions* o) { o->cardReferenceStyles[31] = kCardRefText; }},
      {{"T=Reports*"},
       true,
       [](SaveOptions* o) { BlockTextAssign(&o->templateNameFilter, "Reports*"); }},
      {{"T=Reports*", "T="}, true, [](SaveOptions*) {}},
      {{"TO"}, true, [](SaveOptions* o) { o->openTemplatesOnly = 1; }},
      {{"FB"}, true, [](SaveOptions* o) { o->kind = kSaveKindBrowser; }},
      {{"FT"}, true, [](SaveOptions* o) { o->kind = kSaveKindText; }},
      {{"FS"}, true, [](SaveOptions* o) { o->kind = kSaveKindSie; }},
      {{"FS", "FN"}, true, [](SaveOptions*) {}},
      {{"FZ-"}, true, [](SaveOptions* o) { o->compressed = 0; }},
      {{"FZ-", "FZ+"}, true, [](SaveOptions*) {}},
      {{"Fs"}, true, [](SaveOptions* o) { o->adoptFile = 1; }},
      // Refused, the record unchanged.
      {{"D0-"}, false, nullptr},
      {{"D33-"}, false, nullptr},
      {{"D3"}, false, nullptr},
      {{"D3X"}, false, nullptr},
      {{"D3--"}, false, nullptr},
      {{"D123-"}, false, nullptr},
      {{"Dx-"}, false, nullptr},
      {{"C0C"}, false, nullptr},
      {{"C33T"}, false, nullptr},
      {{"C2A"}, false, nullptr},
      {{"TX"}, false, nullptr},
      {{"FX"}, false, nullptr},
      {{"FZ"}, false, nullptr},
      {{"FZ+x"}, false, nullptr},
      {{"X"}, false, nullptr},
      {{"Xa"}, false, nullptr},
      {{"c+x"}, false, nullptr},
      {{"q+"}, false, nullptr},
      {{"d-"}, false, nullptr},
      {{""}, false, nullptr},
      {{"s=Monthly"}, true, nullptr},
      {{"s=Nobody"}, false, nullptr},
      {{"s="}, false, nullptr},
  };
  // "s=" copies the named save setup; a name no setup has is refused.
  SaveSetupCreate(base, "Monthly");
  for (const auto& row : rows) {
    SaveOptions options;
    SaveOptionsInit(&options, base);
    SaveOptions expected;
    SaveOptionsInit(&expected, base);
    bool accepted = true;
    for (const char* option : row.options)
      accepted = ParseSaveOption(&options, option, static_cast<int32_t>(std::strlen(option)));
    EXPECT_EQ(accepted, row.accepted) << row.options.back();
    if (row.change) row.change(&expected);
    EXPECT_TRUE(SaveOptionsEqual(&options, &expected)) << row.options.back();
    SaveOptionsFree(&options);
    SaveOptionsFree(&expected);
  }
}

TEST_F(SaveOptionsTest, AnOptionIsReadNoFurtherThanItsLength) {
  SaveOptions options;
  SaveOptionsInit(&options, base);
  EXPECT_TRUE(ParseSaveOption(&options, "D3-tail", 3));
  EXPECT_EQ(options.dimensionModes[2], kDimSaveNone);
  EXPECT_TRUE(ParseSaveOption(&options, "T=abc", 4));
  EXPECT_STREQ(options.templateNameFilter, "ab");
  EXPECT_FALSE(ParseSaveOption(&options, nullptr, 2));
  SaveOptionsFree(&options);
}

TEST_F(SaveOptionsTest, AnEmptyDatabaseWritesCharactersBaseOptionsAndDefaults) {
  SaveOptions options;
  SaveOptionsInit(&options, base);
  SaveOptionsFromBase(&options, base);
  const uint8_t expected[kSectionCount] = {1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  for (int32_t i = 0; i < kSectionCount; ++i) EXPECT_EQ(options.sections[i], expected[i]) << i;
  for (int32_t d = 0; d < kDimensionCount; ++d) EXPECT_EQ(options.dimensionModes[d], kDimSaveNone);
  EXPECT_EQ(options.kind, kSaveKindContainer);
  EXPECT_EQ(options.compressed, 1);
  EXPECT_EQ(options.sieDimensionNumbers[1], 0);
  SaveOptionsFree(&options);
}

TEST_F(SaveOptionsTest, ADatabaseWithEverythingWritesEverything) {
  SetProtectionPassword(base->protection, "pw");
  Load(base,
       "##WebUsers\r\nU\tann\r\n##SaveSetup\tS\r\n##ImportSetup\tI\r\n##Macro\tM\r\n"
       "##Subset\tU\r\n##Templates\r\n#C\tA\r\n##End\r\n");
  new TimeScale(base, "Q");  // the database owns it
  AddComponent(base, 0, "1000", "Cash", nullptr);
  AddComponent(base, 1, "1910", "Kassa", nullptr);
  AddComponent(base, 2, "P1", nullptr, nullptr);
  AddCardLine(base, 7, 0);
  base->saveKind = kSaveKindText;
  base->secondSaveValue = 0;
  SaveOptions options;
  SaveOptionsInit(&options, base);
  BlockTextAssign(&options.sieRemark, "stale");
  SaveOptionsFromBase(&options, base);
  for (int32_t i = 0; i < kSectionCount; ++i) EXPECT_EQ(options.sections[i], 1) << i;
  for (int32_t d = 0; d < kDimensionCount; ++d)
    EXPECT_EQ(options.dimensionModes[d], d <= 2 ? kDimSaveAll : kDimSaveNone) << d;
  EXPECT_EQ(options.kind, kSaveKindText);
  EXPECT_EQ(options.compressed, 0);
  // The accounts are dimension 1; dimension 0 keys the groups.
  EXPECT_EQ(options.sieDimensionNumbers[0], 0);
  EXPECT_EQ(options.sieDimensionNumbers[1], -1);
  EXPECT_EQ(options.sieRemark, nullptr);
  SaveOptionsFree(&options);
}

TEST_F(SaveOptionsTest, CopiesOwnTheirTextsAndCompareByContent) {
  SaveOptions a;
  SaveOptions b;
  SaveOptionsInit(&a, base);
  SaveOptionsInit(&b, base);
  BlockTextAssign(&a.templateNameFilter, "R*");
  BlockTextAssign(&a.sieCompanyName, "Trelvik AB");
  BlockTextAssign(&a.sieVoucherSeries, "A");
  a.dimensionNumbering[4] = 7;
  a.sieFlags[kSieVouchers] = 0;
  BlockTextAssign(&b.sieRemark, "old");  // freed by the copy
  ASSERT_TRUE(SaveOptionsCopy(&b, &a));
  EXPECT_TRUE(SaveOptionsEqual(&a, &b));
  EXPECT_NE(a.sieCompanyName, b.sieCompanyName);
  EXPECT_EQ(b.sieRemark, nullptr);
  SaveOptionsCopySections(&b, &a);
  EXPECT_TRUE(SaveOptionsEqual(&a, &b));

  BlockTextAssign(&b.sieCompanyName, "Trelvik Ab");
  EXPECT_FALSE(SaveOptionsEqual(&a, &b));
  BlockTextAssign(&b.sieCompanyName, "Trelvik AB");
  b.sieComponentModes[31] = kDimSaveAll;
  EXPECT_FALSE(SaveOptionsEqual(&a, &b));

  SaveOptionsReset(&a);
  EXPECT_EQ(a.templateNameFilter, nullptr);
  BlockTextAssign(&a.sieRemark, "");  // none and empty are the same text
  SaveOptions fresh;
  SaveOptionsInit(&fresh, base);
  EXPECT_TRUE(SaveOptionsEqual(&a, &fresh));
  SaveOptionsFree(&a);
  SaveOptionsFree(&b);
  SaveOptionsFree(&fresh);
}

TEST_F(SaveOptionsTest, AnSieExportUsesItsOwnComponentModes) {
  SaveOptions options;
  SaveOptionsInit(&options, base);
  options.dimensionModes[3] = kDimSaveInUse;
  options.sieComponentModes[3] = kDimSaveAll;
  EXPECT_EQ(SaveOptionsDimMode(&options, 3), kDimSaveInUse);
  options.kind = kSaveKindSie;
  EXPECT_EQ(SaveOptionsDimMode(&options, 3), kDimSaveAll);
  EXPECT_EQ(SaveOptionsDimMode(&options, 4), kDimSaveActive);
  EXPECT_EQ(SaveOptionsDimMode(&options, 32), kDimSaveNone);
  SaveOptionsFree(&options);
}

TEST_F(SaveOptionsTest, DimensionOrderFromTheNumbering) {
  const struct {
    std::vector<int32_t> used;
    std::vector<std::pair<int32_t, int32_t>> numbering;  // position, entry
    std::vector<int32_t> order;                          // the positions up to the count
  } cases[] = {
      {{0, 1, 2}, {}, {0, 1, 2}},
      {{}, {}, {0}},                     // position 0 is never cleaned
      {{0, 3}, {}, {0, -1, -1, 3}},      // empty positions inside the count stay
      {{0, 5}, {{0, 5}, {5, -1}}, {5}},  // dimension 5 written first
      {{0, 5, 7}, {{1, 7}, {2, 6}, {7, -1}}, {0, 7, -1, -1, -1, 5}},  // 6 is not in use
      {{0, 2}, {{1, 40}, {2, -7}}, {0}},  // entries out of range are empty
      {{0, 3}, {{31, 3}, {3, -1}}, {0,  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 3}},
      {{}, {{0, -1}}, {}},
      {{0, 1}, {{0, 32}}, {-1, 1}},
  };
  for (const auto& c : cases) {
    T_Base database(nullptr, 0);
    for (int32_t d : c.used) AddComponent(&database, d, "K", nullptr, nullptr);
    for (const auto& [position, entry] : c.numbering)
      database.saveOptions.dimensionNumbering[position] = entry;
    UpdateDimensionOrder(&database);
    std::vector<int32_t> order(database.dimensionOrder,
                               database.dimensionOrder + database.dimensionOrderCount);
    EXPECT_EQ(order, c.order) << c.order.size();
  }
}

}  // namespace
