#include <string>
#include <vector>

#include "database/file_progress.h"
#include "files_fixture.h"

namespace {

using TextForm = FilesTest;

TEST_F(TextForm, GoldenBytesOfASmallStream) {
  const std::string path = Path("base.qex");
  T_HTextWrite writer;
  ASSERT_TRUE(writer.Open(path.c_str()));
  WriteTextFormTag(&writer);
  writer.PutLine("##End");
  EXPECT_TRUE(writer.Close());
  EXPECT_EQ(ReadWholeFile(path), "<missing>");  // written beside the target until the commit
  EXPECT_EQ(FolderNames(folder).size(), 1u);
  EXPECT_TRUE(writer.Commit());
  EXPECT_EQ(ReadWholeFile(path), "\xEF\xBB\xBF##QEB-Text\t121122\r\n\r\n##End\r\n");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base.qex"});

  FileKindInfo info;
  DetectFileKind(&info, path.c_str());
  EXPECT_EQ(info.kind, kFileKindTextForm);
  EXPECT_EQ(info.fileDate, kFormatDate);
}

TEST_F(TextForm, ReadsEveryEncodingAndLineEnd) {
  static const char kUtf16[] =
      "\xFF\xFE#\0#\0Q\0E\0B\0-\0T\0e\0x\0t\0\r\0\n\0K\0\xE4\0s\0e\0\r\0\n\0";
  const std::vector<std::string> expected = {"##QEB-Text\t121122", "", "K\xC3\xA4se", "##End"};
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"mark", "\xEF\xBB\xBF##QEB-Text\t121122\r\n\r\nK\xC3\xA4se\r\n##End\r\n", expected},
      {"no mark", "##QEB-Text\t121122\r\n\r\nK\xC3\xA4se\r\n##End\r\n", expected},
      {"CR alone", "##QEB-Text\t121122\r\rK\xC3\xA4se\r##End", expected},
      {"LF alone", "##QEB-Text\t121122\n\nK\xC3\xA4se\n##End\n", expected},
      {"mark on an old file",
       "\xEF\xBB\xBF##QEB-Text\t111111\r\nK\xC3\xA4se\r\n",
       {"##QEB-Text\t111111", "K\xC3\xA4se"}},
      {"old file in the code page",
       "##QEB-Text\t111111\r\nK\xE4se \x80\r\n",
       {"##QEB-Text\t111111", "K\xC3\xA4se \xE2\x82\xAC"}},
      {"UTF-16", std::string(kUtf16, sizeof kUtf16 - 1), {"##QEB-Text", "K\xC3\xA4se"}},
  };
  for (const auto& c : cases) {
    const std::string path = Path("read.qex");
    WriteWholeFile(path, c.bytes);
    // As the opener does: an old file is read in the system code page unless it says otherwise.
    FileKindInfo info;
    DetectFileKind(&info, path.c_str());
    EXPECT_EQ(ReadTextLines(path, FileDateEncoding(info.fileDate)), c.lines) << c.what;
  }
}

TEST_F(TextForm, LongLinesStayWholeUpToOneMegabyte) {
  const std::string path = Path("long.qex");
  const std::string line(50000, 'w');
  WriteWholeFile(path, "a\r\n" + line + "\r\nb\r\n");
  EXPECT_EQ(ReadTextLines(path), (std::vector<std::string>{"a", line, "b"}));
  EXPECT_FALSE(AbortRequested());

  WriteWholeFile(path, "a\r\n" + std::string((1 << 20) + 10, 'w') + "\r\nb\r\n");
  std::vector<std::string> lines = ReadTextLines(path);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "a");
  for (const std::string& l : lines) EXPECT_LE(l.size(), size_t{1} << 20);
  EXPECT_EQ(PendingError.request.message, 606);
}

TEST_F(TextForm, WritersNeverCutAWriteAndReportProgress) {
  static int64_t total, positions, steps;
  total = positions = steps = 0;
  static int window;
  const FileProgressHooks hooks = {
      [] { return reinterpret_cast<T_FileWait*>(&window); },
      [](T_FileWait*, int64_t bytes, bool) { total = bytes; },
      [](T_FileWait*, int64_t) { ++positions; },
      [](T_FileWait*) { ++steps; },
      nullptr,
      nullptr,
  };
  SetFileProgressHooks(&hooks);
  const std::string path = Path("big.qex");
  const std::string big(30000, 'q');  // three buffers in one write
  {
    T_HTextWrite writer;
    ASSERT_TRUE(writer.Open(path.c_str()));
    WriteTextFormTag(&writer);
    writer.PutLine(big.c_str());
    ASSERT_TRUE(writer.Commit());
  }
  EXPECT_GE(steps, 1);
  EXPECT_EQ(ReadTextLines(path), (std::vector<std::string>{"##QEB-Text\t121122", "", big}));
  EXPECT_EQ(total, FileSizeOfPath(path.c_str()));
  EXPECT_GE(positions, 1);
  SetFileProgressHooks(nullptr);
}

}  // namespace
