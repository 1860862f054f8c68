#include "core/file_stream.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/log_file.h"
#include "core/memory.h"
#include "scratch_folder.h"

namespace {

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override { PendingErrorClear(); }

  std::string Write(const std::string& name, TextEncoding encoding, int32_t flags,
                    const char* text) {
    std::string path = folder / name;
    T_OStreamFile stream;
    stream.SetEncoding(encoding);
    EXPECT_TRUE(stream.Open(path.c_str(), flags));
    stream.PutText(text);
    EXPECT_TRUE(stream.Close());
    return ReadWholeFile(path);
  }

  std::vector<std::string> ReadLines(const std::string& path, TextEncoding preset = 0) {
    T_IStreamFile stream;
    stream.SetEncoding(preset);
    EXPECT_TRUE(stream.Open(path.c_str()));
    std::vector<std::string> lines;
    while (stream.NextLine()) lines.emplace_back(stream.lineStart, stream.lineEnd);
    detected = stream.encoding;
    return lines;
  }

  ScratchFolder folder;
  TextEncoding detected = -1;
};

TEST_F(FileStreamTest, MarksAppendingAndRewriting) {
  EXPECT_EQ(Write("a.txt", 0, kOpenAppend, "x"), "\xEF\xBB\xBFx");   // an empty file gets the mark
  EXPECT_EQ(Write("a.txt", 0, kOpenAppend, "y"), "\xEF\xBB\xBFxy");  // a non-empty one continues
  EXPECT_EQ(Write("a.txt", 0, 0, "z"), "\xEF\xBB\xBFz");             // a rewrite leaves no old tail
  EXPECT_EQ(Write("b.txt", 1, kOpenNoBom, "z"), std::string("z\0", 2));
  EXPECT_EQ(Write("c.txt", 6, 0, "\xC3\xA9"), "\xE9");  // code pages have no mark

  // A stream that could not be opened drops what is written.
  T_OStreamFile closed;
  EXPECT_FALSE(closed.Open(folder.path().c_str(), 0));
  EXPECT_EQ(PendingError.request.message, 608);
  closed.PutText("lost");
  EXPECT_TRUE(closed.Close());
}

TEST_F(FileStreamTest, LargeWritesPassThroughTheBuffer) {
  std::string big(30000, 'w');
  big += "\xC3\xA5";
  std::string path = folder / "big.txt";
  T_OStreamFile stream;
  ASSERT_TRUE(stream.Open(path.c_str(), kOpenNoBom));
  stream.PutText("a");
  stream.PutText(big.c_str());
  stream.PutText("b");
  ASSERT_TRUE(stream.Close());
  EXPECT_EQ(ReadWholeFile(path), "a" + big + "b");
}

TEST_F(FileStreamTest, BlocksCollectInOrder) {
  T_OStreamBlock empty;
  uint8_t* none = empty.Collect();
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(MemSize(none), 0);
  MemFree(none);

  T_OStreamBlock stream;
  std::string expected;
  for (int i = 0; i < 2500; ++i) {
    char piece[17];  // 16 bytes: the blocks fill exactly
    snprintf(piece, sizeof(piece), "%015d\n", i);
    stream.PutText(piece);
    expected += piece;
  }
  EXPECT_EQ(stream.TotalLength(), 40000);
  uint8_t* whole = stream.Collect();
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(stream.count, 3);
  EXPECT_EQ(stream.lengths[0], 16352);
  EXPECT_EQ(stream.lengths[2], 7296);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(whole), 40000), expected);
  MemFree(whole);
  stream.PutText("more");  // the stream goes on
  EXPECT_EQ(stream.TotalLength(), 40004);

  std::string huge(50000, 'h');
  T_OStreamBlock oversized;
  oversized.PutText(huge.c_str());
  uint8_t* all = oversized.Collect();
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(all), 50000), huge);
  MemFree(all);
}

TEST_F(FileStreamTest, ReadingDetectsTheEncoding) {
  WriteWholeFile(folder / "bom.txt",
                 "\xEF\xBB\xBF"
                 "a\xC3\xA9\r\nb");
  EXPECT_EQ(ReadLines(folder / "bom.txt", 6), (std::vector<std::string>{"a\xC3\xA9", "b"}));
  EXPECT_EQ(detected, 0);  // a Unicode mark replaces a preset code page
  // After the UTF-8 mark a damaged line is no sign of another encoding: the stream stays UTF-8.
  WriteWholeFile(folder / "damaged.txt",
                 "\xEF\xBB\xBF"
                 "a\xF0\x9F\x98\x80\r\nbad \xE9\r\n\xC3\xA9");
  EXPECT_EQ(ReadLines(folder / "damaged.txt"),
            (std::vector<std::string>{"a\xF0\x9F\x98\x80", "bad \xE9", "\xC3\xA9"}));
  EXPECT_EQ(detected, 0);
  WriteWholeFile(folder / "page.txt", "caf\xE9\r\n");
  EXPECT_EQ(ReadLines(folder / "page.txt", 4), (std::vector<std::string>{"caf\xC3\x88"}));  // Mac
  EXPECT_EQ(detected, 4);  // a guessed code page leaves the preset one
  EXPECT_EQ(ReadLines(folder / "page.txt"), (std::vector<std::string>{"caf\xC3\xA9"}));
  EXPECT_EQ(detected, 3);
  WriteWholeFile(folder / "wide.txt", std::string("\xFF\xFE"
                                                  "a\0\r\0\n\0b\0",
                                                  10));
  EXPECT_EQ(ReadLines(folder / "wide.txt"), (std::vector<std::string>{"a", "b"}));

  T_IStreamFile missing;
  EXPECT_FALSE(missing.Open((folder / "none.txt").c_str()));
  EXPECT_EQ(PendingError.request.message, 605);
  EXPECT_FALSE(missing.NextLine());
}

TEST_F(FileStreamTest, LongLinesAndSplitLineEnds) {
  // A CR LF pair split by the buffer end stays one line end; a line longer than the buffer
  // comes out whole.
  std::string first(kFileStreamBuffer - 1, 'a');
  std::string longLine(3 * kFileStreamBuffer + 7, 'L');
  WriteWholeFile(folder / "long.txt", first + "\r\n" + longLine + "\r\nend");
  std::vector<std::string> lines = ReadLines(folder / "long.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], first);
  EXPECT_EQ(lines[1], longLine);
  EXPECT_EQ(lines[2], "end");
  EXPECT_FALSE(AbortRequested());

  // Beyond 1 MB a line is a read error.
  WriteWholeFile(folder / "huge.txt", std::string(kInputLineLimit + 10, 'H') + "\r\nafter");
  T_IStreamFile stream;
  ASSERT_TRUE(stream.Open((folder / "huge.txt").c_str()));
  int count = 0;
  while (stream.NextLine()) ++count;
  EXPECT_LE(count, 1);
  EXPECT_EQ(PendingError.request.message, 606);
}

// --- Log files
// ------------------------------------------------------------------------------------------

// The log with every time stamp masked: dates become YYYY-MM-DD, times hh:mm:ss.
std::string Masked(const std::string& text) {
  std::string dates = std::regex_replace(text, std::regex("\\d{4}-\\d\\d-\\d\\d"), "YYYY-MM-DD");
  return std::regex_replace(dates, std::regex("\\d\\d:\\d\\d:\\d\\d"), "hh:mm:ss");
}

// The run of a log ends with LogFileFinish, which its destruction will call once the two are
// joined; the tests call it themselves.
class LogFileTest : public FileStreamTest {
 protected:
  void SetUp() override {
    FileStreamTest::SetUp();
    LogFilesInstall();
  }
};

TEST_F(LogFileTest, GoldenLogWithIndentsAndAlerts) {
  std::string path = folder / "run.log";
  {
    T_LogAlerts log(path.c_str(), false);
    log.SetPrefix("Run: ");
    LogWrite(&log, "a", kLogIndentAfter);
    LogWrite(&log, "b", kLogTimeOfDay);
    LogWrite(&log, "c", kLogOutdentBefore | kLogEmptyLineAfter);
    T_NoAlerts quiet;  // alerts still reach the log below it
    AlertRequest request;
    AlertInit(&request);
    request.message = 605;
    AlertAddText(&request, "x\ry");
    EXPECT_EQ(ShowAlert(&request), 0);
    LogFileFinish(&log);
  }
  EXPECT_EQ(Masked(ReadWholeFile(path)), ReadWholeFile(StreamsDataPath("run.log")));
}

TEST_F(LogFileTest, AppendingEmptyingAndTheErrorLogHeader) {
  std::string path = folder / "errors.txt";
  WriteWholeFile(path, "earlier\r\n");
  {
    T_LogAlerts log(path.c_str(), true);
    LogWrite(&log, "entry", 0);
    LogFileFinish(&log);
  }
  EXPECT_EQ(Masked(ReadWholeFile(path)),
            "earlier\r\n\r\nError log created at YYYY-MM-DD hh:mm:ss\r\nentry\r\n"
            "Error log closed at YYYY-MM-DD hh:mm:ss\r\n");

  {
    T_LogAlerts unused(path.c_str(), false);
    LogFileFinish(&unused);
  }
  EXPECT_EQ(ReadWholeFile(path), "");  // no entry and not appending: emptied
  WriteWholeFile(path, "kept");
  {
    T_LogAlerts unused(path.c_str(), true);
    LogFileFinish(&unused);
  }
  EXPECT_EQ(ReadWholeFile(path), "kept");

  // A log that cannot be written loses its entries without touching the pending error.
  PendingErrorSet(123);
  {
    T_LogAlerts nowhere(folder.path().c_str(), false);
    LogWrite(&nowhere, "lost", 0);
    LogFileFinish(&nowhere);
  }
  EXPECT_EQ(PendingError.request.message, 123);
}

}  // namespace
