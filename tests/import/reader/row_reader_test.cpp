#include "import/row_reader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "../../core/streams/scratch_folder.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/code_pages.h"
#include "import/import_fields.h"

namespace {

// UTF-8 text as the file's bytes in the encoding (no byte-order mark).
std::string Encode(const std::string& text, TextEncoding encoding) {
  if (encoding == kEncodingUtf8) return text;
  if (encoding == kEncodingUtf16LE || encoding == kEncodingUtf16BE) {
    std::string out;
    auto unit = [&](uint32_t u) {
      const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
      out += encoding == kEncodingUtf16LE ? std::string{low, high} : std::string{high, low};
    };
    for (size_t i = 0; i < text.size();) {
      const auto b = static_cast<uint8_t>(text[i]);
      uint32_t c = b;
      size_t n = 1;
      if (b >= 0xF0) {
        c = b & 0x07;
        n = 4;
      } else if (b >= 0xE0) {
        c = b & 0x0F;
        n = 3;
      } else if (b >= 0xC0) {
        c = b & 0x1F;
        n = 2;
      }
      for (size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
      i += n;
      if (c >= 0x10000) {
        unit(0xD800 + ((c - 0x10000) >> 10));
        unit(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        unit(c);
      }
    }
    return out;
  }
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
  if (ascii) return text;  // NUL bytes included
  std::string buffer = text;
  buffer.resize(static_cast<size_t>(Utf8ToCodePage(buffer.data(), text.c_str(), encoding)));
  return buffer;
}

class RowReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    SetSystemCodePage(kEncodingLatin1);
  }
  void TearDown() override { PendingErrorClear(); }

  std::string Write(const std::string& bytes) {
    const std::string path = folder / ("rows" + std::to_string(++files) + ".txt");
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Every row of the file, its fields 1..CountFields joined by "|" (fixed positions: the whole
  // row).
  std::vector<std::string> Rows(const std::string& bytes, const FlatFormat& format,
                                int32_t join = 1) {
    RowReader reader(&format);
    std::vector<std::string> rows;
    if (!reader.Open(Write(bytes).c_str())) return {"(no file)"};
    for (int32_t guard = 0; guard < 100000 && reader.ReadNextRow(); ++guard) {
      if (join > 1) reader.JoinRows(join);
      rows.push_back(RowText(&reader, format));
    }
    return rows;
  }

  static std::string RowText(RowReader* reader, const FlatFormat& format) {
    std::string text;
    FieldDef piece;
    T_TextBuf field;
    if (format.fixedPositions) {
      piece.last = 4095;
      reader->SplitRowFields(&field, &piece);
      return field.c_str();
    }
    for (int32_t f = 1; f <= reader->CountFields(); ++f) {
      piece.fieldNumber = static_cast<uint32_t>(f);
      TextBufSetLength(&field, 0);
      reader->SplitRowFields(&field, &piece);
      text += (f > 1 ? "|" : "") + std::string(field.c_str());
    }
    return text;
  }

  // The text of one piece of the file's first row.
  std::string Piece(const std::string& bytes, const FlatFormat& format, uint32_t number,
                    uint32_t first, uint32_t last) {
    RowReader reader(&format);
    if (!reader.Open(Write(bytes).c_str()) || !reader.ReadNextRow()) return "(no row)";
    FieldDef piece;
    piece.fieldNumber = number;
    piece.first = first;
    piece.last = last;
    T_TextBuf text;
    reader.SplitRowFields(&text, &piece);
    return text.c_str();
  }

  T_NoAlerts quiet;
  ScratchFolder folder;
  int32_t files = 0;
};

using RowList = std::vector<std::string>;

// The Part's cases over every encoding they apply to.
TEST_F(RowReaderTest, EdgeCasesInEveryEncoding) {
  for (TextEncoding e = 0; e <= 8; ++e) {
    FlatFormat format;
    format.encoding = static_cast<uint32_t>(e);
    SCOPED_TRACE(EncodingKey(e));
    // No final terminator; CR LF with the LF skipped; NUL and other controls dropped.
    EXPECT_EQ(Rows(Encode("a\tb\r\nc\td", e), format), (RowList{"a|b", "c|d"}));
    EXPECT_EQ(Rows(Encode("1\r2\r3", e), format), (RowList{"1", "2", "3"}));
    EXPECT_EQ(Rows(Encode("x\r\r", e), format), (RowList{"x", ""}));
    EXPECT_EQ(Rows(Encode(std::string("a\0b\x01", 4), e), format), (RowList{"ab"}));
    EXPECT_EQ(Rows("", format), (RowList{}));
    // Field 3 of two, field 0 with positions, positions 3..5 of a..g in both counting modes.
    EXPECT_EQ(Piece(Encode("ab\tcd", e), format, 3, 0, 0), "");
    EXPECT_EQ(Piece(Encode("abcdef\tx", e), format, 0, 2, 4), "bcd");
    for (uint8_t bytes : {0, 1}) {
      format.positionsInBytes = bytes;
      EXPECT_EQ(Piece(Encode("abcdefg", e), format, 1, 3, 5), "cde");
    }
    format.positionsInBytes = 0;
    // Excluded completely: no position.
    format.excludeCompletely.present = true;
    TextBufAssign(&format.excludeCompletely.text, "-");
    EXPECT_EQ(Piece(Encode("a-bcd", e), format, 1, 1, 3), "abc");
    OptionalTextClear(&format.excludeCompletely);
    format.excludeCounted.present = true;
    TextBufAssign(&format.excludeCounted.text, "-");
    EXPECT_EQ(Piece(Encode("a-bcd", e), format, 1, 1, 3), "ab");
    OptionalTextClear(&format.excludeCounted);
    // A join puts one separator between the rows; the fields go on numbering.
    EXPECT_EQ(Rows(Encode("a\tb\rc\rd\te\rf", e), format, 2), (RowList{"a|b|c", "d|e|f"}));
    // Fixed positions: the LF of CR LF skipped, or counted and dropped.
    format.fixedPositions = 1;
    EXPECT_EQ(Piece(Encode("abc\tdef", e), format, 0, 0, 0), "");
    EXPECT_EQ(Rows(Encode("abc\r\ndef", e), format), (RowList{"abc", "def"}));
    format.excludeControl = 0;
    RowReader reader(&format);
    ASSERT_TRUE(reader.Open(Write(Encode("abc\r\ndef", e)).c_str()));
    FieldDef piece;
    piece.first = 1;
    piece.last = 2;
    T_TextBuf text;
    ASSERT_TRUE(reader.ReadNextRow() && reader.ReadNextRow());
    reader.SplitRowFields(&text, &piece);
    EXPECT_STREQ(text.c_str(), "d");
    // A terminator that ends the data ends the last row.
    format = FlatFormat{};
    format.encoding = static_cast<uint32_t>(e);
    format.rowTerminator = ';';
    EXPECT_EQ(Rows(Encode("a;b;", e), format), (RowList{"a", "b"}));
  }
}

TEST_F(RowReaderTest, ByteOrderMarksAndUnitBounds) {
  FlatFormat format;
  EXPECT_EQ(Rows("\xEF\xBB\xBF"
                 "a\tb",
                 format),
            (RowList{"a|b"}));
  EXPECT_EQ(Rows("\xEF\xBB\xBF", format), (RowList{}));
  format.encoding = kEncodingUtf16LE;
  EXPECT_EQ(Rows("\xFF\xFE" + Encode("a\tb\r\nc", kEncodingUtf16LE), format),
            (RowList{"a|b", "c"}));
  // U+0900 is the bytes 00 09: no separator at an odd offset.
  EXPECT_EQ(Rows(Encode("x\xE0\xA4\x80y\tz", kEncodingUtf16LE), format),
            (RowList{"x\xE0\xA4\x80y|z"}));
  // An odd last byte is no unit; a lone surrogate gives U+FFFD.
  EXPECT_EQ(Rows(Encode("ab", kEncodingUtf16LE) + "c", format), (RowList{"ab"}));
  EXPECT_EQ(Rows(std::string("a\0\x00\xD8"
                             "b\0",
                             6),
                 format),
            (RowList{"a\xEF\xBF\xBD"
                     "b"}));
  format.encoding = kEncodingUtf16BE;
  EXPECT_EQ(Rows("\xFE\xFF" + Encode("a\tb", kEncodingUtf16BE), format), (RowList{"a|b"}));
  // A UTF-8 terminator and separator above 127 are matched whole.
  format = FlatFormat{};
  format.rowTerminator = 0xA7;     // U+00A7: C2 A7
  format.fieldSeparator = 0x2022;  // U+2022: E2 80 A2
  EXPECT_EQ(Rows("a\xE2\x80\xA2"
                 "b\xC2\xA7\xC2"
                 "c\xE2\x80",
                 format),
            (RowList{"a|b",
                     "\xEF\xBF\xBD"
                     "c\xEF\xBF\xBD\xEF\xBF\xBD"}));
}

// A supplementary character comes out as its two units in the core's form; positions count it
// as one character, two UTF-16 units or four bytes; an edge inside it gives U+FFFD.
TEST_F(RowReaderTest, CharactersBeyondTheBasicPlane) {
  const std::string emoji = "\xF0\x9F\x98\x80";          // U+1F600
  const std::string units = "\xED\xA0\xBD\xED\xB8\x80";  // D83D DE00, 3 bytes each
  FlatFormat format;
  EXPECT_EQ(Piece("a" + emoji + "b", format, 1, 2, 2), units);
  EXPECT_EQ(Piece("a" + emoji + "b", format, 1, 3, 3), "b");
  format.positionsInBytes = 1;
  EXPECT_EQ(Piece("a" + emoji + "b", format, 1, 2, 5), units);
  EXPECT_EQ(Piece("a" + emoji + "b", format, 1, 2, 3), "\xEF\xBF\xBD");
  EXPECT_EQ(Piece("a" + emoji + "b", format, 1, 6, 6), "b");
  format = FlatFormat{};
  format.encoding = kEncodingUtf16LE;
  const std::string file = Encode("a" + emoji + "b", kEncodingUtf16LE);
  EXPECT_EQ(Piece(file, format, 1, 0, 0), "a" + units + "b");
  EXPECT_EQ(Piece(file, format, 1, 2, 3), units);
  EXPECT_EQ(Piece(file, format, 1, 4, 4), "b");
  EXPECT_EQ(Piece(file, format, 1, 2, 2), "\xEF\xBF\xBD");
}

TEST_F(RowReaderTest, ConversionsAndCodePages) {
  FlatFormat format;
  format.encoding = kEncodingLatin1;
  format.convertFrom.present = format.convertTo.present = true;
  TextBufAssign(&format.convertFrom.text, "\xC3\xA5;");  // å and ;
  TextBufAssign(&format.convertTo.text, "a,");
  EXPECT_EQ(Rows("k\xE5r;\xE9", format), (RowList{"kar,\xC3\xA9"}));
  format.encoding = kEncodingPc8;
  OptionalTextClear(&format.convertFrom);
  EXPECT_EQ(Rows("\x8E\x84\x94", format), (RowList{"\xC3\x84\xC3\xA4\xC3\xB6"}));
  format.encoding = kEncodingMacRoman;
  EXPECT_EQ(Rows("\x8A\r\x80", format), (RowList{"\xC3\xA4", "\xC3\x84"}));
}

// A row longer than the buffer is skipped whole with 3817, and still counted; a join that
// passes the buffer keeps what fits and leaves the following rows in place.
TEST_F(RowReaderTest, RowsAndJoinsBeyondTheBuffer) {
  for (TextEncoding e : {kEncodingUtf8, kEncodingUtf16LE, kEncodingLatin1}) {
    FlatFormat format;
    format.encoding = static_cast<uint32_t>(e);
    const std::string file =
        Encode("a\r" + std::string(12000, 'x') + "\rc\r" + std::string(20000, 'y'), e);
    RowReader reader(&format);
    ASSERT_TRUE(reader.Open(Write(file).c_str()));
    ASSERT_TRUE(reader.ReadNextRow());
    EXPECT_EQ(RowText(&reader, format), "a");
    ASSERT_TRUE(reader.ReadNextRow());
    EXPECT_EQ(RowText(&reader, format), "c");
    EXPECT_EQ(reader.RowCount(), 3);
    EXPECT_TRUE(reader.TooLong());
    EXPECT_EQ(PendingError.request.message, kErrorRowsTooLong);
    EXPECT_FALSE(AbortRequested());
    EXPECT_FALSE(reader.ReadNextRow());  // the long last row goes too
    PendingErrorClear();

    // Two rows of 6,000 bytes joined: cut at a character, the third row still next.
    const std::string row(e == kEncodingUtf16LE ? 3000 : 6000, 'z');
    RowReader joining(&format);
    ASSERT_TRUE(joining.Open(Write(Encode(row + "\r" + row +
                                              "\r\xC3\xA5"
                                              "3\r4",
                                          e))
                                 .c_str()));
    ASSERT_TRUE(joining.ReadNextRow());
    EXPECT_TRUE(joining.JoinRows(2));
    EXPECT_LE(joining.RowEnd() - joining.RowStart(), kRowBufferSize);
    EXPECT_TRUE(joining.TooLong());
    ASSERT_TRUE(joining.ReadNextRow()) << EncodingKey(e);
    EXPECT_EQ(RowText(&joining, format),
              "\xC3\xA5"
              "3");
    PendingErrorClear();
  }
}

// Rows found across many refills land where a plain split of the file puts them.
TEST_F(RowReaderTest, ManyRowsAcrossRefillsMatchAPlainSplit) {
  for (TextEncoding e : {kEncodingUtf8, kEncodingUtf16BE, kEncodingPc8}) {
    FlatFormat format;
    format.encoding = static_cast<uint32_t>(e);
    format.rowTerminator = 0x2022;  // three bytes in UTF-8, so it straddles refills
    if (e == kEncodingPc8) format.rowTerminator = '\n';
    std::string text;
    RowList expected;
    uint32_t seed = 3;
    for (int32_t i = 0; i < 3000; ++i) {
      seed = seed * 1664525u + 1013904223u;
      std::string row(seed % 97, static_cast<char>('a' + i % 26));
      row += std::to_string(i);
      expected.push_back(row);
      text += row + (e == kEncodingPc8 ? "\n" : "\xE2\x80\xA2");
    }
    EXPECT_EQ(Rows(Encode(text, e), format), expected);
  }
}

TEST_F(RowReaderTest, FieldOperations) {
  FlatFormat format;
  format.decimalSeparator = ',';
  RowReader reader(&format);
  ASSERT_TRUE(reader.Open(Write(" 1 234,5 \t2\tx\t\tH\t1,5").c_str()));
  ASSERT_TRUE(reader.ReadNextRow());
  auto chain = [](std::vector<std::pair<uint32_t, const char*>> pieces, FieldDef* field) {
    FieldDef* piece = field;
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (i > 0) piece = FieldDefAppendPiece(piece);
      piece->fieldNumber = pieces[i].first;
      if (pieces[i].second != nullptr)
        OptionalTextSet(&piece->insertChars, pieces[i].second,
                        static_cast<int32_t>(std::strlen(pieces[i].second)));
    }
  };
  T_TextBuf out;
  FieldDef a;
  chain({{1, "-"}, {2, nullptr}}, &a);
  FieldText(&reader, &a, &out);
  EXPECT_STREQ(out.c_str(), "1 234,5 2");
  FieldTextWithInserts(&reader, &a, &out);
  EXPECT_STREQ(out.c_str(), " 1 234,5 -2");
  FieldTextTabbed(&reader, &a, &out);
  EXPECT_STREQ(out.c_str(), " 1 234,5 -\t2");
  EXPECT_EQ(ParseImportNumber(T_TextBuf(" 1 234,5 "), ','), 1234.5);
  EXPECT_EQ(ParseImportNumber(T_TextBuf("1.234,5"), ','), 1234.5);  // the period goes
  EXPECT_TRUE(std::isnan(ParseImportNumber(T_TextBuf("abc"), ',')));

  FieldDef joined;  // empty pieces bring no inserts; the default when all is empty
  chain({{3, ", "}, {4, "; "}, {2, nullptr}}, &joined);
  FieldTextJoined(&reader, &joined, 2, &out);
  EXPECT_STREQ(out.c_str(), "X; 2");
  FieldDef empty;
  empty.fieldNumber = 4;
  OptionalTextSet(&empty.text, "none", 4);
  FieldTextJoined(&reader, &empty, 0, &out);
  EXPECT_STREQ(out.c_str(), "none");

  FieldDef expression;  // field 1 times field 6, then plus 2
  chain({{1, "*"}, {6, " +"}, {2, nullptr}}, &expression);
  FieldExpression(&reader, &expression, ',', &out);
  EXPECT_STREQ(out.c_str(), "1234.5*1.5 +2");
  EXPECT_TRUE(EndsWithOperator(T_TextBuf("a ( ")));
  EXPECT_FALSE(EndsWithOperator(T_TextBuf("a")));

  FieldDef indicator;
  indicator.fieldNumber = 5;
  OptionalTextSet(&indicator.text, "H", 1);
  EXPECT_TRUE(IndicatorMatches(&reader, &indicator));
  FieldDefAppendPiece(&indicator)->fieldNumber = 4;  // no text: must be empty
  EXPECT_TRUE(IndicatorText(&reader, &indicator, &out));
  EXPECT_STREQ(out.c_str(), "H ");
  indicator.next->fieldNumber = 3;
  EXPECT_FALSE(IndicatorMatches(&reader, &indicator));
  FieldDef unset;
  EXPECT_TRUE(IndicatorMatches(&reader, &unset));

  FieldDef stamp;
  stamp.fieldNumber = 4;
  OptionalTextSet(&stamp.text, "240506 ABC", 10);
  SignatureStamp signature;
  FieldStamp(&reader, &stamp, &signature);
  EXPECT_NE(signature.stamp, 0u);
  EXPECT_STREQ(signature.signature, "ABC");
}

TEST_F(RowReaderTest, MissingFilesAndSeeks) {
  FlatFormat format;
  RowReader reader(&format);
  EXPECT_FALSE(reader.Open((folder / "missing.txt").c_str()));
  EXPECT_EQ(PendingError.request.message, 605);
  PendingErrorClear();
  reader.SetQuiet(true);
  EXPECT_FALSE(reader.Open((folder / "missing.txt").c_str()));
  EXPECT_EQ(PendingError.request.message, 0);
  ASSERT_TRUE(reader.Open(Write("ab\rcd\ref").c_str()));
  ASSERT_TRUE(reader.ReadNextRow());
  const int64_t second = reader.NextRowOffset();
  EXPECT_EQ(second, 3);
  ASSERT_TRUE(reader.ReadNextRow() && reader.ReadNextRow());
  reader.Seek(second);
  ASSERT_TRUE(reader.ReadNextRow());
  EXPECT_EQ(RowText(&reader, format), "cd");
  char bytes[3] = {};
  EXPECT_EQ(reader.ReadAt(6, bytes, 2), 2);
  EXPECT_STREQ(bytes, "ef");
  ASSERT_TRUE(reader.ReadNextRow());
  EXPECT_EQ(RowText(&reader, format), "ef");
}

}  // namespace
