// Expressions put together from random pieces and random bytes: every compile ends, and every
// program prints to texts that read back as the same selection.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/database/selexpr/selexpr_fixture.h"

namespace selexpr_test {
namespace {

const char* const kPieces[] = {
    "3",   "35",  "351", "36", "4",    "41",       "411",  "42", "'R&D'", "\"'Q\"", "ÅS", "ÅS1",
    "&",   "|",   "±",   "¬",  "--",   "++",       "+-",   "..", "…",     "_",      "!",  "?",
    "¶",   "^",   "=",   "@",  "\\",   "\\\\",     "(",    ")",  " ",     "  ",     "'",  "\"",
    "Thi", "Lab", "H",   "x",  "\xC2", "\xE2\x80", "\xFF", "\t", "=(",    "R&D1",
};

class DamagedInputTest : public SelexprTest {
 protected:
  // Compiles, then reads the stored and the display form back: the same program must come out.
  void RoundTrip(const std::string& text) {
    PendingErrorClear();
    if (!Compile(text.c_str()) || !CompSelHasExpression(&selection, kDim)) return;
    const std::string stored = Stored();
    const std::string display = Display();
    const std::string selected = Selected();
    PendingErrorClear();
    ASSERT_TRUE(Compile(stored.c_str())) << text << " -> " << stored;
    EXPECT_EQ(Selected(), selected) << text << " -> " << stored;
    PendingErrorClear();
    ASSERT_TRUE(Compile(display.c_str())) << text << " -> " << display;
    EXPECT_EQ(Selected(), selected) << text << " -> " << display;
    ++roundTrips;
  }
  int roundTrips = 0;
};

TEST_F(DamagedInputTest, RandomPiecesCompileAndReadBack) {
  std::mt19937 random(16);
  constexpr size_t kPieceCount = sizeof(kPieces) / sizeof(kPieces[0]);
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    int pieces = 1 + static_cast<int>(random() % 14);
    for (int i = 0; i < pieces; ++i) text += kPieces[random() % kPieceCount];
    RoundTrip(text);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(roundTrips, 1000);  // most texts make programs
}

TEST_F(DamagedInputTest, FlippedBytesOfValidExpressionsCompile) {
  const char* const valid[] = {
      "(3 | 4) ¬ (35 | 41)",
      "ÅS1…35! | =(Lab|Deep)^",
      "'R&D' & ¬\"'Q\" ± @H^",
      "35..41 | ¶3 | ?",
  };
  std::mt19937 random(61);
  for (int round = 0; round < 3000; ++round) {
    std::string text = valid[round % 4];
    int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) {
      size_t at = random() % text.size();
      text[at] = static_cast<char>(random() % 255 + 1);
    }
    if (random() % 3 == 0) text.resize(random() % text.size());
    RoundTrip(text);
    if (HasFatalFailure()) return;
  }
}

TEST_F(DamagedInputTest, NestingBeyondItsLimitFailsWithoutRunningOutOfStack) {
  ASSERT_TRUE(Compile("3|4"));
  for (const char* opener : {"(", "¬", "-- "}) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += opener;
    text += "35";
    EXPECT_FALSE(Compile(text.c_str())) << opener;
    EXPECT_EQ(Stored(), "3|4") << opener;
  }
  std::string deep(400, '(');
  for (int i = 0; i < 400; ++i) deep += "(&";  // every level fails, and is tried again
  ASSERT_TRUE(Compile((deep + "35").c_str()));
  EXPECT_EQ(Stored(), "35 Thirty-five");
}

}  // namespace
}  // namespace selexpr_test
