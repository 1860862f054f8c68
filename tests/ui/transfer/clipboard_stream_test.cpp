// Whole texts copied and pasted through the clipboard streams.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/memory.h"
#include "transfer_fixture.h"
#include "ui/clipboard_data.h"
#include "ui/clipboard_stream.h"
#include "ui/pictures.h"

namespace {

using ClipboardStream = TransferWindowTest;

std::wstring ClipboardWide() {
  std::wstring text = L"(none)";
  if (!ClipboardOpen(nullptr)) return L"(closed)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void PutWide(const wchar_t* text) {
  ASSERT_TRUE(ClipboardOpen(FrameWindow()));
  EmptyClipboard();
  size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(GlobalLock(handle), text, bytes);
  GlobalUnlock(handle);
  SetClipboardData(CF_UNICODETEXT, handle);
  CloseClipboard();
}

std::vector<std::string> ReadLines() {
  std::vector<std::string> lines;
  T_IStreamClip stream;
  while (stream.NextLine()) lines.emplace_back(stream.lineStart, stream.lineEnd);
  return lines;
}

TEST_F(ClipboardStream, WhatIsWrittenReachesTheClipboardWhenTheStreamGoes) {
  PutWide(L"before");
  {
    T_OStreamClip stream;
    stream.PutText("Größe");
    stream.PutSeparator();
    stream.PutInt(42);
    stream.PutNewline();
    stream.PutText("two\rlines");
    EXPECT_EQ(ClipboardWide(), L"before");  // nothing before the stream is destroyed
  }
  EXPECT_EQ(ClipboardWide(), L"Größe\t42\r\ntwo\r\nlines");
  EXPECT_EQ(ReadLines(), (std::vector<std::string>{"Größe\t42", "two", "lines"}));
  EXPECT_EQ(PendingError.request.message, 0);
}

TEST_F(ClipboardStream, AClipboardThatCannotBeHadLeavesAPendingError) {
  PendingErrorClear();
  ASSERT_TRUE(ClipboardOpen(nullptr));  // held by someone else while the stream goes
  {
    T_OStreamClip stream;
    stream.PutText("lost");
  }
  CloseClipboard();
  EXPECT_EQ(PendingError.request.message, 601);
  PendingErrorClear();
}

TEST_F(ClipboardStream, AnUnwrittenStreamLeavesAnEmptyText) {
  PutWide(L"before");
  { T_OStreamClip stream; }
  EXPECT_EQ(ClipboardWide(), L"");
  EXPECT_TRUE(ReadLines().empty());
}

// A character beyond U+FFFF is one surrogate pair on the clipboard and one 4-byte character in
// the program, both ways.
TEST_F(ClipboardStream, EmojiTravelAsSurrogatePairs) {
  ASSERT_TRUE(
      ClipboardSetText("a\xF0\x9F\x98\x80"
                       "b\r",
                       7, 0));
  EXPECT_EQ(ClipboardWide(), L"a\U0001F600b\r\n");
  char* text = ClipboardReadText();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text,
               "a\xF0\x9F\x98\x80"
               "b\r");
  MemFree(text);
  {
    T_OStreamClip stream;
    stream.PutText("x\xF0\x9F\x98\x80");
  }
  EXPECT_EQ(ClipboardWide(), L"x\U0001F600");
  PutWide(L"\U0001F600\r\nz");
  EXPECT_EQ(ReadLines(), (std::vector<std::string>{"\xF0\x9F\x98\x80", "z"}));
}

TEST_F(ClipboardStream, PastedLinesEndAtCrLfAndABitmapReadsNothing) {
  struct Case {
    const wchar_t* clipboard;
    std::vector<std::string> lines;
  } cases[] = {
      {L"a\tb\r\nc\r\n", {"a\tb", "c"}},
      {L"one\r\n\r\nthree", {"one", "", "three"}},
      {L"", {}},
  };
  for (const Case& c : cases) {
    PutWide(c.clipboard);
    EXPECT_EQ(ReadLines(), c.lines);
  }
  BitmapHolder holder{};
  holder.bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
  ASSERT_TRUE(BitmapToClipboard(&holder));
  DeleteObject(holder.bitmap);
  T_IStreamClip stream;
  EXPECT_EQ(stream.clipText, nullptr);
  EXPECT_FALSE(stream.NextLine());
}

}  // namespace
