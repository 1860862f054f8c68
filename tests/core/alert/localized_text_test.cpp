#include "core/localized_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/alert.h"

namespace {

// The test program carries the English tables, Danish and Swedish fixture tables and some
// damaged tables (tests/core/alert/strings, damaged_tables.rc).
constexpr int32_t kDanish = 2;
constexpr int32_t kDutch = 3;
constexpr int32_t kSwedish = 12;

class LocalizedTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    SetCurrentLanguage(0);
  }
  void TearDown() override {
    PendingErrorClear();
    SetCurrentLanguage(0);
  }
};

struct LookupCase {
  int32_t id;
  int32_t language;
  const char* expected;  // null: no text
  bool resourceError;    // pending error 601 expected
};

TEST_F(LocalizedTextTest, LooksUpWithFallbackToEnglish) {
  const LookupCase cases[] = {
      {700, 0, "OK", false},
      {701, kDanish, "Annuller", false},
      {702, kDanish, "Yes", false},                       // empty in Danish
      {700, kDanish, "OK", false},                        // not given in Danish: an empty entry
      {704, kDanish, "Stop", false},                      // past the end of the Danish table
      {601, kDanish, "Resource Error", false},            // no Danish version of the table
      {700, kDutch, "OK", false},                         // no Dutch tables at all
      {700, 40, "OK", false},                             // no such language
      {2108, kSwedish, "Alla instanser används", false},  // resource 2112
      {2109, kSwedish, "Negative time period.", false},
      {711, 0, "", false},  // inside the English table, never given
      {799, 0, "", false},  // past the end of the English table
      {9900, 0, "abc", false},
      {712, kSwedish, "Change", false},  // damaged Swedish table: English
      {700, kSwedish, "OK", false},
      {9901, 0, nullptr, true},   // entry runs past the resource
      {9800, 0, nullptr, true},   // entry without its NUL
      {9950, 0, nullptr, true},   // no table at all
      {50, 0, nullptr, true},     // table 0 would be resource 0
      {65600, 0, nullptr, true},  // resource id would wrap round to 64
      {-1, 0, nullptr, false},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << c.id << " language " << c.language);
    PendingErrorClear();
    SetCurrentLanguage(c.language);
    const char* text = GetString(c.id);
    if (c.expected == nullptr) {
      EXPECT_EQ(text, nullptr);
    } else {
      ASSERT_NE(text, nullptr);
      EXPECT_STREQ(text, c.expected);
    }
    EXPECT_EQ(PendingError.request.message, c.resourceError ? 601 : 0);
    EXPECT_EQ(AbortRequested(), c.resourceError);
  }
}

TEST_F(LocalizedTextTest, ExplicitLanguageLeavesCurrentOne) {
  SetCurrentLanguage(kDanish);
  EXPECT_STREQ(GetStringLang(700, 3, 0), "No");
  EXPECT_STREQ(GetStringLang(700, 3, kDanish), "Nej");
  EXPECT_STREQ(GetString(703), "Nej");
  EXPECT_EQ(CurrentLanguage(), kDanish);
  SetCurrentLanguage(-4);
  EXPECT_EQ(CurrentLanguage(), 0);
}

TEST_F(LocalizedTextTest, SourceEscapesBecomeBytes) {
  // "\n" in the source is a line break stored as CR; placeholders and quotes stay as written.
  EXPECT_STREQ(GetString(3200), "Do you want to save changes in\r\"@0\"?");
  EXPECT_STREQ(GetString(3143), "\xC2\xBB Cards");
  EXPECT_STREQ(GetString(1505), "   calculation order");
}

}  // namespace
