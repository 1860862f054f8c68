// The row reader against Python's csv module: the fixture step (expected_fields.py) writes the
// files and the fields csv finds in them into csv/ of this test's folder; every row's field
// count and every field must agree.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/code_pages.h"
#include "import/row_reader.h"

namespace {

std::vector<std::string> Split(const std::string& text, char mark) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, mark)) parts.push_back(part);
  if (text.empty() || text.back() == mark) parts.emplace_back();
  return parts;
}

TEST(RowReaderAgainstCsv, EveryFieldOfEveryFileAgrees) {
  T_NoAlerts quiet;
  SetSystemCodePage(kEncodingLatin1);
  std::ifstream manifest("csv/manifest.txt");
  ASSERT_TRUE(manifest.good()) << "the fixture step writes csv/manifest.txt";
  std::string entry;
  int32_t files = 0;
  while (std::getline(manifest, entry)) {
    const std::vector<std::string> item = Split(entry, '\t');
    ASSERT_EQ(item.size(), 6u) << entry;
    const std::string& name = item[0];
    SCOPED_TRACE(name);
    FlatFormat format;
    format.encoding = static_cast<uint32_t>(std::stoi(item[1]));
    format.rowTerminator = static_cast<uint16_t>(std::stoi(item[2]));
    format.fieldSeparator = static_cast<uint16_t>(std::stoi(item[3]));
    std::vector<int32_t> widths;
    if (item[4] != "-") {
      format.fixedPositions = 1;
      for (const std::string& w : Split(item[4], ',')) widths.push_back(std::stoi(w));
    }
    std::vector<std::vector<std::string>> expected;
    std::ifstream wanted("csv/" + name + ".expected", std::ios::binary);
    std::string line;
    while (std::getline(wanted, line)) expected.push_back(Split(line, '\x1f'));

    PendingErrorClear();
    RowReader reader(&format);
    ASSERT_TRUE(reader.Open(("csv/" + name).c_str()));
    size_t row = 0;
    while (reader.ReadNextRow()) {
      ASSERT_LT(row, expected.size());
      const std::vector<std::string>& fields = expected[row];
      FieldDef piece;
      T_TextBuf text;
      if (widths.empty()) {
        ASSERT_EQ(reader.CountFields(), static_cast<int32_t>(fields.size())) << "row " << row;
        for (size_t f = 0; f < fields.size(); ++f) {
          piece.fieldNumber = static_cast<uint32_t>(f + 1);
          TextBufSetLength(&text, 0);
          reader.SplitRowFields(&text, &piece);
          EXPECT_EQ(text.c_str(), fields[f]) << "row " << row << " field " << f + 1;
        }
      } else {
        uint32_t start = 1;
        for (size_t f = 0; f < widths.size(); ++f) {
          piece.first = start;
          piece.last = start + static_cast<uint32_t>(widths[f]) - 1;
          start += static_cast<uint32_t>(widths[f]);
          TextBufSetLength(&text, 0);
          reader.SplitRowFields(&text, &piece);
          EXPECT_EQ(text.c_str(), fields[f]) << "row " << row << " field " << f + 1;
        }
      }
      ++row;
    }
    EXPECT_EQ(row, expected.size());
    EXPECT_EQ(reader.TooLong(), item[5] == "long");
    EXPECT_EQ(PendingError.request.message, item[5] == "long" ? kErrorRowsTooLong : 0);
    ++files;
  }
  EXPECT_EQ(files, 9);
  PendingErrorClear();
}

}  // namespace
