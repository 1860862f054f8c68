#include "ui/text_layout.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/utf8.h"

namespace {

// 6 pixels per character (not per byte), 10 high.
TextMeasure FixedWidth(void*, const char* bytes, int32_t n) {
  int32_t chars = 0;
  for (int32_t i = 0; i < n; i += Utf8SeqLen(static_cast<uint8_t>(bytes[i]))) ++chars;
  return TextMeasure{6 * chars, 10};
}

const TextMeasurer kFixed{FixedWidth, nullptr};

struct Layout {
  std::unique_ptr<TextLayoutRecord> record = std::make_unique<TextLayoutRecord>();
  std::string text;

  Layout(const std::string& t, RECT rect, uint16_t flags, int32_t lineHeight = 0) : text(t) {
    TextLayout(record.get(), text.data(), static_cast<int32_t>(text.size()), &rect, flags,
               lineHeight, &kFixed);
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < record->lineCount; ++i) {
      lines.push_back(text.substr(record->lines[i].start, record->lines[i].count));
    }
    return lines;
  }
};

using Lines = std::vector<std::string>;

// --- Fitting ---------------------------------------------------------------------------------

TEST(TextFit, CountsWholeCharactersWithinTheWidth) {
  struct Case {
    const char* text;
    int32_t width;
    int32_t expected;
  } cases[] = {
      {"hello", -4, -2},   // width below -3
      {"hello", 100, -1},  // 31 wide: fits with room
      {"hello", 30, 5},    // fits, but not with room
      {"hello", 16, 3},    // 19 <= 19
      {"hello", 15, 2},
      {"hello", -3, 0},
      {"\xC3\xA9\xC3\xA9\xC3\xA9", 10, 4},  // two 2-byte characters, never 3 bytes
      {"a\xE2\x82\xAC"
       "b",
       10, 4},  // "a" and the 3-byte euro sign
      {"", 10, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextFitCountWith(&kFixed, c.text, static_cast<int32_t>(strlen(c.text)), c.width),
              c.expected)
        << c.text << " in " << c.width;
  }
}

// --- Breaking into lines ----------------------------------------------------------------------

TEST(TextLayout, HardBreaksWithoutWrap) {
  struct Case {
    const char* text;
    Lines lines;
  } cases[] = {
      {"one", {"one"}},
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n", {"a", ""}},
      {"a very long line is not wrapped", {"a very long line is not wrapped"}},
  };
  for (const Case& c : cases) {
    Layout layout(c.text, RECT{0, 0, 30, 100}, 0);
    EXPECT_EQ(layout.Lines(), c.lines) << c.text;
  }
  Layout empty("a\n\nb", RECT{0, 0, 30, 100}, 0);
  EXPECT_EQ(empty.record->lines[1].height, 10);  // the height of "M"
  EXPECT_EQ(empty.record->totalHeight, 30);
}

TEST(TextLayout, WordWrapBreaksAtBlanksAndAfterBreakCharacters) {
  // 60 pixels hold 9 characters (9 x 6 + 1 = 55).
  struct Case {
    const char* text;
    int32_t width;
    Lines lines;
  } cases[] = {
      {"alpha beta gamma", 60, {"alpha", "beta", "gamma"}},
      {"ab cd ef gh", 60, {"ab cd ef", "gh"}},
      {"sum=a+b+c+d+e", 60, {"sum=a+b+", "c+d+e"}},  // just after "+" and "="
      {"x-y/z", 30, {"x-y/", "z"}},
      {"  lead", 60, {"  lead"}},                            // blanks at the start stay
      {"one\n  two", 60, {"one", "  two"}},                  // and after a hard break
      {"aaaa   bbbbbbb", 60, {"aaaa", "bbbbbbb"}},           // blanks before a wrapped word go
      {"abcdefghijklmnopq", 60, {"abcdefghi", "jklmnopq"}},  // a word wider than the line
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
       30,
       {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"}},  // pieces of whole characters
  };
  for (const Case& c : cases) {
    Layout layout(c.text, RECT{0, 0, c.width, 200}, kStyleWrap);
    EXPECT_EQ(layout.Lines(), c.lines) << c.text;
  }
  // A NUL inside the counted bytes ends a word without stalling either direction.
  const std::string withNul("ab\0cd", 5);
  for (uint16_t flags : {kStyleWrap, uint16_t(kStyleWrap | kStyleRight | kStyleBottom)}) {
    Layout layout(withNul, RECT{0, 0, 60, 200}, flags);
    EXPECT_EQ(layout.Lines(), Lines{withNul});
  }
}

TEST(TextLayout, RightAndBottomWrapFillsTheLastLine) {
  Layout layout("ab cd ef gh", RECT{0, 0, 60, 200}, kStyleWrap | kStyleRight | kStyleBottom);
  EXPECT_EQ(layout.Lines(), (Lines{"ab", "cd ef gh"}));
  Layout pieces("x abcdefghijklmnopq", RECT{0, 0, 60, 200},
                kStyleWrap | kStyleRight | kStyleBottom);
  EXPECT_EQ(pieces.Lines(), (Lines{"x", "abcdefghi", "jklmnopq"}));
}

TEST(TextLayout, KeepsTheFirstThousandLinesAndWideLines) {
  std::string text;
  for (int i = 0; i < 1001; ++i) text += std::to_string(i) + "\n";
  text.pop_back();
  Layout layout(text, RECT{0, 0, 100, 100}, 0);
  EXPECT_EQ(layout.record->lineCount, 1000);
  EXPECT_EQ(layout.Lines().back(), "999");

  // Wider than 16 bits can hold.
  Layout wide(std::string(6000, 'w'), RECT{0, 0, 100, 100}, 0);
  EXPECT_EQ(wide.record->lines[0].width, 36001);

  Layout narrow("text", RECT{0, 0, 4, 100}, 0);
  EXPECT_EQ(narrow.record->lineCount, 0);
}

TEST(TextLayout, AlignsVerticallyAndUsesTheGivenLineHeight) {
  RECT rect{0, 0, 100, 101};
  EXPECT_EQ(Layout("a\nb", rect, kStyleBottom).record->top, 101 - 20 + 1);
  EXPECT_EQ(Layout("a\nb", rect, kStyleMiddle).record->top, (0 + 101 - 20 + 1) / 2);
  Layout tall("a\nb", rect, 0, 14);
  EXPECT_EQ(tall.record->totalHeight, 28);
  Layout ignored("a\nb", rect, 0, 6);  // 6 and below keep the measured height
  EXPECT_EQ(ignored.record->totalHeight, 20);
}

// --- Hit tests and carets ----------------------------------------------------------------------

TEST(TextHit, FindsTheCharacterUnderThePoint) {
  // Lines "alpha" (0..5) and "beta" (6..10) at y 10..19 and 20..29, starting at x 10.
  Layout layout("alpha\nbeta", RECT{10, 10, 110, 60}, 0);
  struct Case {
    POINT point;
    int32_t expected;
  } cases[] = {
      {{50, 5}, -2},                  // above the rectangle
      {{50, 60}, -1},                 // below it
      {{50, 45}, -1},                 // below the last line
      {{10, 12}, 0},  {{26, 12}, 3},  // 16 pixels: 3 characters are 19 wide, within 16 + 3
      {{5, 12}, -2},                  // more than 3 pixels left of the first line
      {{5, 22}, 6},                   // ... of a later line: its start
      {{90, 12}, 5},                  // beyond the end of a line: its end
      {{90, 22}, -1},                 // ... of the last line
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextLayoutHitTest(layout.record.get(), c.point), c.expected)
        << c.point.x << "," << c.point.y;
  }
}

TEST(TextHit, CountsFromWhereAlignedLinesAreDrawn) {
  // "abcd" is 25 wide; right-aligned it starts at 85, centred at (10 - 25 + 110) / 2 = 47.
  Layout right("abcd", RECT{10, 0, 110, 20}, kStyleRight);
  Layout centred("abcd", RECT{10, 0, 110, 20}, kStyleCentre);
  EXPECT_EQ(TextLayoutHitTest(right.record.get(), POINT{85 + 13, 5}), 2);
  EXPECT_EQ(TextLayoutHitTest(centred.record.get(), POINT{47 + 13, 5}), 2);
  EXPECT_EQ(TextLayoutCaretPoint(centred.record.get(), 2).x, 47 + 13);
}

TEST(TextHit, PlacesCaretsOnTheirLine) {
  Layout layout("alpha\nbeta", RECT{10, 10, 110, 60}, 0);
  struct Case {
    int32_t index;
    POINT point;
  } cases[] = {
      {-2, {10, 18}}, {0, {10, 18}},      {2, {10 + 13, 18}},
      {6, {10, 28}},  {8, {10 + 13, 28}}, {-1, {10 + 25, 28}},
  };
  for (const Case& c : cases) {
    POINT p = TextLayoutCaretPoint(layout.record.get(), c.index);
    EXPECT_EQ(p.x, c.point.x) << c.index;
    EXPECT_EQ(p.y, c.point.y) << c.index;
  }
}

}  // namespace
