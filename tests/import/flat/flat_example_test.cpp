#include "import/flat_example.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/code_pages.h"

namespace {

TEST(FlatExample, RawRowsInHexAndDecimal) {
  EXPECT_EQ(HexOffsetDigits(4095), 4);
  EXPECT_EQ(HexOffsetDigits(65535), 4);
  EXPECT_EQ(HexOffsetDigits(65536), 5);
  EXPECT_EQ(HexOffsetDigits(int64_t{1} << 40), 8);
  FlatFormat format;
  const std::string bytes =
      "a b\t\xC3\xA5\xEF\xBB\xBF"
      "cdefgh";
  T_TextBuf offset, codes, characters;
  FormatRawRow(reinterpret_cast<const uint8_t*>(bytes.data()), 16, 0x1230, true, 5, format, &offset,
               &codes, &characters);
  EXPECT_STREQ(offset.c_str(), "01230:");
  EXPECT_STREQ(codes.c_str(), "61 20 62 09  C3 A5 EF BB  BF 63 64 65  66 67 68 00 ");
  EXPECT_STREQ(characters.c_str(), "a.b.\xC3\xA5....cdefgh.");
  FormatRawRow(reinterpret_cast<const uint8_t*>(bytes.data()), 3, 20, false, 4, format, &offset,
               &codes, &characters);
  EXPECT_STREQ(offset.c_str(), "20:");
  EXPECT_STREQ(codes.c_str(), " 97  32  98 ");
  // Excluded characters show as ".", converted ones as what they become.
  format.encoding = kEncodingLatin1;
  format.excludeCounted.present = format.convertFrom.present = format.convertTo.present = true;
  TextBufAssign(&format.excludeCounted.text, "b");
  TextBufAssign(&format.convertFrom.text, "\xC3\xA5");
  TextBufAssign(&format.convertTo.text, "A");
  FormatRawRow(reinterpret_cast<const uint8_t*>("ab\xE5"), 3, 0, true, 4, format, &offset, &codes,
               &characters);
  EXPECT_STREQ(characters.c_str(), "a.A");
  T_TextBuf ruler;
  PositionRuler(20, &ruler);
  EXPECT_STREQ(ruler.c_str(), "....x....1....x....2");
  PositionRuler(5000, &ruler);
  EXPECT_EQ(ruler.length, 1999);
}

// The head analysis: a guess keeps the setup's choice unless the head speaks against it.
TEST(FlatExample, TheHeadProposesAFormat) {
  struct Case {
    std::string head;
    uint32_t encoding;
    uint16_t terminator, separator;
    uint32_t fixed;
    bool differs;
  } cases[] = {
      // 100 bytes, threshold 3: three TABs and three CRs keep TAB, CR and variable format.
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaa\tbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb\r"
       "cccccccccccc\tdddddddddddd\reeeeeeeeeeee\teeeeeeeeeeeeeeeeee\r",
       0, 13, 9, 0, false},
      {"a;b;c\nd;e;f\ng;h;i\nj;k;l\nm;n;o\np;q;r\n", 0, 10, ';', 0, true},
      // Commas beside digits are decimal marks, not separators.
      {"1,5 2,5 3,5\n4,5 5,5 6,5\n7,5 8,5 9,5\n1,5 2,5 3,5\n", 0, 10, 9, 1, true},
      {"a, b, c\nd, e, f\ng, h, i\nj, k, l\nm, n, o\n", 0, 10, ',', 0, true},
      // No separator at all: fixed positions.
      {"AAAA BBBB CCCC\rDDDD EEEE FFFF\rGGGG HHHH IIII\rJJJJ KKKK LLLL\r", 0, 13, 9, 1, true},
  };
  for (const Case& c : cases) {
    FlatFormat setup;
    const HeadGuess guess = AnalyseHead(reinterpret_cast<const uint8_t*>(c.head.data()),
                                        static_cast<int32_t>(c.head.size()), setup);
    EXPECT_EQ(guess.encoding, c.encoding) << c.head;
    EXPECT_EQ(guess.rowTerminator, c.terminator) << c.head;
    EXPECT_EQ(guess.fieldSeparator, c.separator) << c.head;
    EXPECT_EQ(guess.fixedPositions, c.fixed) << c.head;
    EXPECT_EQ(guess.differs, c.differs) << c.head;
    ApplyHeadGuess(guess, &setup);
    EXPECT_FALSE(AnalyseHead(reinterpret_cast<const uint8_t*>(c.head.data()),
                             static_cast<int32_t>(c.head.size()), setup)
                     .differs)
        << c.head;
  }
  // A UTF-16 head with its mark is read as UTF-16.
  std::string wide = "\xFF\xFE";
  for (char c : std::string("a\tb\r\nc\td\r\ne\tf\r\ng\th\r\n")) wide += std::string{c, '\0'};
  FlatFormat setup;
  const HeadGuess guess = AnalyseHead(reinterpret_cast<const uint8_t*>(wide.data()),
                                      static_cast<int32_t>(wide.size()), setup);
  EXPECT_EQ(guess.encoding, static_cast<uint32_t>(kEncodingUtf16LE));
  EXPECT_EQ(guess.fieldSeparator, 9);
}

// The index against a plain list of 100,000 rows with some long ones, read by a second thread
// while it is filled.
TEST(FlatExample, TheRowIndexAgreesWithAPlainScan) {
  std::vector<int64_t> offsets;
  int64_t offset = 3;
  uint32_t seed = 11;
  for (int32_t row = 0; row < 100000; ++row) {
    offsets.push_back(offset);
    seed = seed * 1664525u + 1013904223u;
    offset += (seed >> 8) % 997 == 0 ? 70000 + (seed >> 20) : 1 + (seed >> 8) % 120;
  }
  RowOffsetIndex index;
  bool agreed = true;
  std::thread reader([&] {
    for (int64_t seen = 0; seen < static_cast<int64_t>(offsets.size());) {
      const int64_t count = index.Count();
      for (; seen < count; ++seen) agreed = agreed && index.Offset(seen) == offsets[seen];
    }
  });
  for (int64_t o : offsets) ASSERT_TRUE(index.Append(o));
  reader.join();
  EXPECT_TRUE(agreed);
  for (size_t row = 0; row < offsets.size(); row += 7) EXPECT_EQ(index.Offset(row), offsets[row]);
  index.Clear();
  EXPECT_EQ(index.Count(), 0);
}

}  // namespace
