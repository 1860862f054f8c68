// The line origin store: recording while a file is read, texts, file records, ranks and the
// growth of the arrays.
#include <string>

#include "core/output_stream.h"
#include "tests/database/cards/cards_fixture.h"

namespace {

std::string Origin(T_Base* base, const LineRecord* line) {
  T_TextBuf text;
  LineOriginText(base, line, &text);
  return text.c_str();
}

std::string Written(T_Base* base, const LineRecord* line) {
  T_OStream stream;
  stream.SetNewlineChar('\n');
  WriteLineOrigin(base, &stream, line);
  if (stream.pos == stream.start) return "";
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

TEST_F(CardsTest, LineOriginsGiveTextsRecordsAndRanks) {
  CardRecord* card = Card(Day(2012, 1, 1), 1);
  std::vector<LineRecord*> lines;
  for (int32_t i = 0; i < 6; ++i) lines.push_back(Line(card, 0));
  RecordLineOrigin(base, lines[0], 3);  // off: nothing kept
  EXPECT_TRUE(SetLineOrigins(base, true));
  ASSERT_NE(base->lineOrigins, nullptr);

  BeginLineOriginFile(base, "C:\\data\\Sales.txt");
  RecordLineOrigin(base, lines[0], 7);
  RecordLineOrigin(base, lines[1], 3);
  EndLineOriginFile(base);
  RecordLineOrigin(base, lines[2], 5);  // no file current
  SetLineOrigin(base, lines[3], "alpha.csv", 0);
  SetLineOrigin(base, lines[4], "SALES.TXT", 9);  // the same file, any letter case
  BeginLineOriginFile(base, "D:\\zeta.qeb");
  RecordLineOrigin(base, lines[5], 0);

  EXPECT_EQ(Origin(base, lines[0]), "Sales.txt:7");
  EXPECT_EQ(Origin(base, lines[2]), "");
  EXPECT_EQ(Origin(base, lines[3]), "alpha.csv");
  EXPECT_EQ(Origin(base, lines[4]), "Sales.txt:9");
  EXPECT_EQ(Origin(base, lines[5]), "zeta.qeb");
  EXPECT_EQ(Written(base, lines[1]), "H\tSales.txt\t3\n");
  EXPECT_EQ(Written(base, lines[3]), "H\talpha.csv\n");
  EXPECT_EQ(Written(base, lines[2]), "");

  // Ranked: none, alpha.csv, Sales.txt by position, zeta.qeb.
  std::vector<LineRecord*> order = {lines[2], lines[3], lines[1], lines[0], lines[4], lines[5]};
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(CompareLineOrigins(base, order[i], order[i]), 0);
    for (size_t j = i + 1; j < order.size(); ++j) {
      EXPECT_EQ(CompareLineOrigins(base, order[i], order[j]), -1) << i << " " << j;
      EXPECT_EQ(CompareLineOrigins(base, order[j], order[i]), 1) << i << " " << j;
    }
  }
  // A name added later is ranked with the others.
  SetLineOrigin(base, lines[2], "beta", 1);
  EXPECT_EQ(CompareLineOrigins(base, lines[2], lines[3]), 1);
  EXPECT_EQ(CompareLineOrigins(base, lines[2], lines[1]), -1);

  // A reused line record starts without origin.
  RemoveLine(base, card, card->firstGroup, lines[5]);
  EXPECT_EQ(Origin(base, Line(card, 0)), "");

  // Line numbers and positions beyond what the arrays held so far.
  LineRecord distant{5000, nullptr, nullptr};
  SetLineOrigin(base, &distant, "big.txt", 123456789012);
  EXPECT_EQ(Origin(base, &distant), "big.txt:123456789012");
  EXPECT_EQ(Origin(base, lines[1]), "Sales.txt:3");
  EXPECT_GE(base->lineOrigins->capacity, 5001);
  EXPECT_GT(LineOriginsMemSize(base), 0);

  EXPECT_TRUE(SetLineOrigins(base, false));
  EXPECT_EQ(base->lineOrigins, nullptr);
  EXPECT_EQ(Origin(base, lines[0]), "");
  EXPECT_EQ(CompareLineOrigins(base, lines[0], lines[1]), 0);
}

}  // namespace
