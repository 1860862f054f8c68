// The shared window utilities that need no window: byte sizes, colour names, HTML cells, the
// clipboard's content kinds, zoom rectangles and text tidying.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/output_stream.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "ui/clipboard_data.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
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

TEST(ClipboardContent, PasteNamesTheKindAndIsEnabledOnlyWhenAccepted) {
  MenuRootCreate();
  StandardMenusBuild();
  auto* paste = static_cast<T_MenuItemTag*>(StandardEntry(kCommandPaste));
  ASSERT_NE(paste, nullptr);
  const uint16_t subsets[] = {kContentSubset, kContentSubsets, 0};
  struct Case {
    const char* clipboard;
    const uint16_t* accepted;
    bool allowed;
    const char* title;
    bool enabled;
  };
  const Case cases[] = {
      {"## Subset\tA\r\n", subsets, true, "Paste Subset", true},
      {"## Subset\tA\r\n", subsets, false, "Paste Subset", false},
      {"## Formula\tx\r\n", subsets, true, "Paste Formula", false},
      {"## Formula\tx\r\n", nullptr, true, "Paste Formula", false},
      // Plain text is not ours: the entry keeps what it had.
      {"plain", subsets, false, "Paste Formula", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clipboard);
    ASSERT_TRUE(ClipboardSetText(c.clipboard, static_cast<int32_t>(strlen(c.clipboard)), 0));
    ClipboardRefreshKind();
    EnablePasteForKinds(c.accepted, c.allowed);
    EXPECT_STREQ(paste->Title(), c.title);
    EXPECT_EQ(paste->enabled != 0, c.enabled);
  }
  MenuRootDestroy();
}

TEST(ZoomRect, TrackedRectangleAndWhenItShows) {
  struct Case {
    POINT pointer;
    bool shift;
    int32_t axis;
    RECT rect;
    bool shown;  // with minimum 10
  };
  const POINT press{50, 50};
  const Case cases[] = {
      {{60, 58}, false, kZoomFree, {50, 50, 61, 59}, true},
      {{40, 45}, false, kZoomFree, {40, 45, 50, 50}, true},  // up-left: no extra pixel
      {{52, 70}, false, kZoomFree, {50, 50, 53, 71}, true},
      {{51, 70}, false, kZoomFree, {50, 50, 52, 71}, false},  // too narrow
      {{53, 53}, false, kZoomFree, {50, 50, 54, 54}, false},  // too small in sum
      {{60, 58}, true, kZoomFree, {39, 41, 61, 59}, true},    // centred on the press
      {{50, 90}, false, kZoomColumns, {50, -1, 50, 9999}, false},  // vertical drag
      {{70, 90}, false, kZoomColumns, {50, -1, 71, 9999}, true},
      {{90, 55}, false, kZoomRows, {-1, 50, 9999, 56}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pointer.x << "," << c.pointer.y << " axis " << c.axis);
    RECT rect = ZoomTrackRect(press, c.pointer, c.shift, c.axis);
    EXPECT_TRUE(EqualRect(&rect, &c.rect))
        << rect.left << " " << rect.top << " " << rect.right << " " << rect.bottom;
    EXPECT_EQ(ZoomRectShown(&rect, c.axis, 10), c.shown);
  }
}

// Scripted pointer states for the tracking loop; the last one repeats.
std::vector<InputEvent> script;
size_t scriptAt = 0;

InputEvent Pointer(int32_t x, int32_t y, uint64_t time, bool down = true, bool altGr = false) {
  InputEvent event;
  event.x = x;
  event.y = y;
  event.time = time;
  event.leftButton = event.anyButton = down ? 1 : 0;
  event.rightAlt = altGr ? 1 : 0;
  return event;
}

TEST(ZoomRect, TrackingEndsAsClickRectangleOrLongPress) {
  SetZoomTrackInput([](InputEvent* event) {
    *event = script[scriptAt < script.size() ? scriptAt++ : script.size() - 1];
  });
  Region highlight;
  Region hit;
  RgnSetBounds(&highlight, 40, 40, 60, 60);
  RgnSetBounds(&hit, 45, 45, 55, 55);
  struct Case {
    const char* name;
    std::vector<InputEvent> script;
    int32_t regions;  // 0 none, 1 highlight and hit, 2 the hit region alone
    int32_t result;
    int32_t cursor;  // after the tracking, from kCursorZoomIn
  };
  const Case cases[] = {
      {"click in the hit region",
       {Pointer(51, 51, 100), Pointer(51, 51, 200, false)}, 1, kZoomClick, kCursorZoomIn},
      {"click in the hit region without a highlight",
       {Pointer(51, 51, 100), Pointer(51, 51, 200, false)}, 2, kZoomClick, kCursorZoomIn},
      {"left the hit region without a highlight",
       {Pointer(56, 51, 100), Pointer(56, 51, 200, false)}, 2, kZoomNothing, kCursorZoomIn},
      {"click without regions", {Pointer(50, 50, 100, false)}, 0, kZoomClick, kCursorZoomIn},
      {"drag out of the hit region",
       {Pointer(70, 80, 100), Pointer(80, 90, 200), Pointer(80, 90, 300, false)}, 1,
       kZoomRectangle, kCursorZoomIn},
      {"left the hit region, released without a rectangle",
       {Pointer(56, 51, 100), Pointer(56, 51, 200, false)}, 1, kZoomNothing, kCursorZoomIn},
      {"held in place", {Pointer(50, 50, 2999), Pointer(50, 50, 3000)}, 0, kZoomLongPress,
       kCursorZoomIn},
      {"drawn, then held long", {Pointer(80, 80, 100), Pointer(80, 80, 5000, false)}, 0,
       kZoomRectangle, kCursorZoomIn},
      {"AltGr at the release switches the cursor",
       {Pointer(50, 50, 100, true, true), Pointer(50, 50, 200, false, true)}, 0,
       kZoomNothing, kCursorZoomOut},
      {"AltGr let go again",
       {Pointer(50, 50, 100, true, true), Pointer(50, 50, 200, false, false)}, 0,
       kZoomNothing, kCursorZoomIn},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    script = c.script;
    scriptAt = 0;
    InputEvent press = Pointer(50, 50, 0);
    RECT rect{};
    int32_t cursor = kCursorZoomIn;
    int32_t result =
        TrackZoomRect(&press, &rect, kZoomFree, 10, &cursor, c.regions == 1 ? &highlight : nullptr,
                      c.regions ? &hit : nullptr);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(cursor, c.cursor);
    if (result == kZoomRectangle) {
      const RECT expected{50, 50, 81, 91};
      RECT last = c.regions ? expected : RECT{50, 50, 81, 81};
      EXPECT_TRUE(EqualRect(&rect, &last));
    }
  }
  SetZoomTrackInput(nullptr);
  RgnFree(&highlight);
  RgnFree(&hit);
}

}  // namespace
