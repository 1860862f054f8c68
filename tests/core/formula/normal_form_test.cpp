// Texts made of random pieces, damaged UTF-8 included: every compiler must survive them, and the
// normal form it writes back must read back as itself, since callers store it and compile it again.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/formula.h"

namespace {

std::string RandomText(std::mt19937* random, const std::vector<const char*>& pieces) {
  std::string text;
  int count = static_cast<int>((*random)() % 12);
  for (int i = 0; i < count; ++i) text += pieces[(*random)() % pieces.size()];
  return text;
}

constexpr int kRounds = 5000;

TEST(NormalForm, FormulaReadsBackAsItself) {
  const std::vector<const char*> pieces = {
      "x",  "Y",    "1", "2.5", ",",  ".", "(", ")", "[",  "]",  "{",   "}",    "+", "-",
      "*",  "/",    ":", "^",   "**", "<", ">", "=", "<=", "&",  "|",   "¬",    ";", "max",
      "IF", "sqrt", " ", "%",   "E",  "e", "$", "#", "0x", "Pi", "abc", "\xFF", "é"};
  std::vector<char> table(4 + 2 * kExprNameRowSize, 0);
  table[0] = 2;
  table[4] = 'x';
  table[4 + kExprNameRowSize] = 'y';
  const double values[2] = {3, -2};
  std::mt19937 random(12345);
  ExprProgram* program = nullptr;
  for (int round = 0; round < kRounds; ++round) {
    std::string text = RandomText(&random, pieces);
    T_TextBuf buffer(text.c_str());
    Expr_Compile(&program, &buffer, table.data());
    std::string once = buffer.c_str();
    double first = Expr_Run(&program, values);
    Expr_Compile(&program, &buffer, table.data());
    EXPECT_EQ(buffer.c_str(), once) << text;
    double second = Expr_Run(&program, values);
    if (std::isnan(first)) {
      EXPECT_TRUE(std::isnan(second)) << text;
    } else {
      EXPECT_EQ(first, second) << text;
    }
  }
  MemFreeHeld(&program);
  PendingErrorClear();
}

TEST(NormalForm, TextCriteriaReadBackAsThemselves) {
  const std::vector<const char*> pieces = {
      "a", "B", "é", "|", "&", "¬",  "±", "(", ")", "\\", "*",  "+",  ":",    ";",
      "?", "^", "{", "}", "'", "\"", "…", "-", " ", "1",  "++", "--", "\xFF", "\xF0\x9F\x98\x80"};
  const char* samples[] = {"", "a", "ab", "B1", "é a", "x"};
  std::mt19937 random(777);
  CriteriaPattern pattern;
  Criteria_Init(&pattern);
  for (int round = 0; round < kRounds; ++round) {
    std::string text = RandomText(&random, pieces);
    T_TextBuf buffer(text.c_str());
    Criteria_Compile(&pattern, &buffer, 5, round % 5 == 0);
    std::string once = buffer.c_str();
    bool first[6];
    for (int i = 0; i < 6; ++i) first[i] = Criteria_MatchCStr(&pattern, samples[i]);
    Criteria_Compile(&pattern, &buffer, 5, round % 5 == 0);
    EXPECT_EQ(buffer.c_str(), once) << text;
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(Criteria_MatchCStr(&pattern, samples[i]), first[i]) << text << " / " << samples[i];
  }
  MemFreeHeld(&pattern);
  EXPECT_FALSE(AbortRequested());
}

TEST(NormalForm, NumberCriteriaReadBackAsThemselves) {
  const std::vector<const char*> pieces = {"1", "-",  "2.5", ",",  "|",  "&", "¬",   "±", "(",
                                           ")", "\\", "<",   "=",  ">",  "≠", "≤",   "≥", "..",
                                           "_", "…",  " ",   "++", "--", "x", "\xFF"};
  const double samples[] = {std::nan(""), -1, 0, 1, 2, 2.5, 1000};
  std::mt19937 random(4242);
  NumCriteria holder;
  NumCriteria_Init(&holder);
  for (int round = 0; round < kRounds; ++round) {
    std::string text = RandomText(&random, pieces);
    T_TextBuf buffer(text.c_str());
    NumCriteria_Compile(&holder, &buffer);
    std::string once = buffer.c_str();
    bool first[7];
    for (int i = 0; i < 7; ++i) first[i] = NumCriteria_Match(holder.program, samples[i]);
    NumCriteria_Compile(&holder, &buffer);
    EXPECT_EQ(buffer.c_str(), once) << text;
    for (int i = 0; i < 7; ++i)
      EXPECT_EQ(NumCriteria_Match(holder.program, samples[i]), first[i])
          << text << " / " << samples[i];
  }
  MemFreeHeld(&holder);
  EXPECT_FALSE(AbortRequested());
}

}  // namespace
