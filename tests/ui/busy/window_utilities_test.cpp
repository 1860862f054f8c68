// The shared window utilities that need no window: byte sizes, colour names, HTML cells, the
// clipboard's content kinds, zoom rectangles and text tidying.
#include <gtest/gtest.h>

#include <string>

#include "core/output_stream.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "ui/window_utilities.h"

namespace {

std::string Written(const T_OStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

TEST(ByteSize, ChoosesUnitAndDecimalsByMagnitude) {
  struct Case {
    int64_t bytes;
    const char* text;
  };
  const Case cases[] = {
      {-1, "-"},
      {0, "0 KB"},
      {1, "1 bytes"},
      {999, "999 bytes"},
      {1000, "1 KB"},  // 0.98 with one decimal
      {1536, "1.5 KB"},
      {10239, "10 KB"},
      {10240, "10 KB"},
      {1023999, "1000 KB"},
      {2000000, "1.9 MB"},
      {104857600, "100 MB"},
      {1610612736, "1.5 GB"},
      {10737418239LL, "10 GB"},
      {10737418240LL, "10 GB"},
      {1099511627776LL, "1024 GB"},
  };
  for (const Case& c : cases) {
    T_TextBuf text("stale");
    FormatByteSize(&text, c.bytes);
    EXPECT_STREQ(text.c_str(), c.text) << c.bytes;
  }
}

TEST(ColourNames, NamedIndicesOnly) {
  EXPECT_EQ(ColourNameId(0), 2400);
  EXPECT_EQ(ColourNameId(13), 2412);
  EXPECT_EQ(ColourNameId(22), 2409);
  EXPECT_STREQ(ColourName(10), "Black");
  for (int32_t index : {-1, 1, 9, 23, 27, 31}) {
    EXPECT_EQ(ColourNameId(index), 0) << index;
    EXPECT_EQ(ColourName(index), nullptr) << index;
  }
}

TEST(HtmlCells, CellsRowsAndStampRows) {
  T_OStream stream;
  HtmlWriteCell(&stream, "a<b & c", 120);
  HtmlWriteCell(&stream, nullptr, 0);
  HtmlWriteRow(&stream, "Name", "x\"y", 80);
  EXPECT_EQ(Written(stream),
            "<td width=\"120\"> a&lt;b &amp; c </td>\r\n"
            "<td>  </td>\r\n"
            "<tr>\r\n<td width=\"80\"> Name </td>\r\n<td> x&quot;y </td>\r\n</tr>\r\n");

  T_OStream stamps;
  SignatureStamp empty;
  HtmlWriteStampRow(&stamps, &empty, 3149);
  EXPECT_EQ(Written(stamps), "");
  SignatureStamp stamp;
  stamp.stamp = PackTimeStamp(2024, 3, 5, 14, 7);
  stamp.signature[0] = 'A';
  stamp.signature[1] = '&';
  HtmlWriteStampRow(&stamps, &stamp, 3149);
  EXPECT_EQ(Written(stamps),
            "<tr><td width=\"80\">bytes</td><td>240305 14:07 A&amp;</td></tr>\r\n");
}

TEST(ClipboardContent, KindFollowsTheSectionMarkers) {
  struct Case {
    const char* text;
    int32_t kind;
  };
  const Case cases[] = {
      {nullptr, kContentNone},
      {"", kContentNone},
      {"plain text\r\nmore", kContentNone},
      {"## Selection\tx\r\nA\t1\r\n", kContentSelection},
      {"## Selection\n## Selection\n", kContentSelections},
      {"## Selection\r## Selection\r## Selection", kContentSelections},
      {"## Formula\r\n## Formula\r\n", kContentFormulas},
      {"## Formula\r\n## Selection\r\n", kContentVariables},
      {"## Selection\r\n## Formula\r\n", kContentVariables},
      {"## Subset\r\n## Subset\r\n", kContentSubsets},
      {"## Subset\r\n## Subset\r\n## Subset\r\n", kContentSubsets},
      {"## WebUser\r\n## WebUser\r\n", kContentWebUsers},
      {"## Authorizations\r\n", kContentAuthorizations},
      {"## Authorizations\r\n## Subset\r\n", kContentAuthorizations},
      {"## Subset\r\n## Formula\r\n", kContentSubset},
      {"## Selections\r\n x## Selection\r\n## selection\r\n", kContentNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ContentKindOfText(c.text), c.kind) << (c.text ? c.text : "(null)");
  }
}

TEST(ClipboardContent, CodeLists) {
  const uint16_t list[] = {3127, 3135, 0};
  EXPECT_TRUE(IsCodeInList(3135, list));
  EXPECT_FALSE(IsCodeInList(3130, list));
  EXPECT_FALSE(IsCodeInList(0, list));  // 0 ends the list and is never in it
  EXPECT_FALSE(IsCodeInList(3127, nullptr));
}

TEST(ZoomRect, ZoomOutMapsTheOuterRectangleOutwards) {
  struct Case {
    RECT outer;
    RECT inner;
    RECT result;
  };
  const Case cases[] = {
      {{0, 0, 100, 100}, {25, 25, 75, 75}, {-50, -50, 150, 150}},
      {{0, 0, 100, 100}, {0, 0, 50, 50}, {0, 0, 200, 200}},
      {{10, 20, 110, 60}, {10, 30, 110, 50}, {10, -0, 110, 80}},
      {{0, 0, 100, 100}, {40, 40, 40, 60}, {0, 0, 100, 100}},  // empty inner: unchanged
  };
  for (const Case& c : cases) {
    RECT rect = c.outer;
    RectZoomOut(&rect, &c.inner);
    EXPECT_EQ(rect.left, c.result.left);
    EXPECT_EQ(rect.top, c.result.top);
    EXPECT_EQ(rect.right, c.result.right);
    EXPECT_EQ(rect.bottom, c.result.bottom);
  }
  const RECT from{0, 0, 120, 240};
  const RECT to{24, 12, 48, 36};
  RECT half = ZoomFrameRect(&from, &to, 6);
  EXPECT_EQ(half.left, 12);
  EXPECT_EQ(half.top, 6);
  EXPECT_EQ(half.right, 84);
  EXPECT_EQ(half.bottom, 138);
  RECT last = ZoomFrameRect(&from, &to, 12);
  EXPECT_TRUE(EqualRect(&last, &to));
}

TEST(TidyText, ControlCharactersAndTrailingBlanks) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"a\tb", "a b"},
      {"line  \r next \t\rend", "line\r next\rend"},
      {"a \x01\rb", "a\rb"},
      {"a\nb\x1F", "ab"},
      {"text \r\n\t ", "text"},
      {" \t\r", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    T_TextBuf text(c.in);
    TidyMultilineText(&text);
    EXPECT_STREQ(text.c_str(), c.out) << c.in;
    EXPECT_EQ(text.length, static_cast<int32_t>(strlen(c.out)));
  }
}

}  // namespace
