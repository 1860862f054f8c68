#include <windows.h>

#include <string>
#include <vector>

#include "files_fixture.h"

namespace {

using DamagedInput = FilesTest;

struct Outcome {
  int32_t error = 0;
  std::vector<std::string> lines;
};

// The file goes through detection and then through the reader of its kind, as an open would.
Outcome ReadAsOpened(const std::string& path) {
  Outcome outcome;
  FileKindInfo info;
  DetectFileKind(&info, path.c_str());
  if (info.kind >= kFileKindContainerN && info.kind <= kFileKindContainerU) {
    ReadResult result = ReadContainer(path, info.kind);
    outcome.error = result.error;
    outcome.lines = result.lines;
  } else {
    outcome.lines = ReadTextLines(path, FileDateEncoding(info.fileDate));
  }
  EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << path;
  PendingErrorClear();
  return outcome;
}

// Every line read is a line of the original, in order, but the last, which may be cut short:
// inside a character it even reads in another encoding.
bool IsPrefixOf(const std::vector<std::string>& read, const std::vector<std::string>& original) {
  if (read.size() > original.size()) return false;
  for (size_t i = 0; i + 1 < read.size(); ++i) {
    if (read[i] != original[i]) return false;
  }
  return true;
}

void EveryTruncation(const std::string& path, const std::string& whole,
                     const std::vector<std::string>& lines) {
  for (size_t n = 0; n < whole.size(); ++n) {
    WriteWholeFile(path, whole.substr(0, n));
    Outcome outcome = ReadAsOpened(path);
    EXPECT_TRUE(outcome.error == 0 || outcome.error == 3811) << n;
    EXPECT_TRUE(IsPrefixOf(outcome.lines, lines)) << n;
  }
}

void SeededDamage(const std::string& path, const std::string& whole, int32_t rounds) {
  uint32_t seed = 2024;
  for (int32_t round = 0; round < rounds; ++round) {
    std::string damaged = whole;
    const int32_t changes = 1 + static_cast<int32_t>(NextRandom(&seed) % 3);
    for (int32_t k = 0; k < changes; ++k) {
      const size_t at = NextRandom(&seed) % damaged.size();
      const uint32_t r = NextRandom(&seed);
      if (r & 1) {
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << ((r >> 1) % 8)));
      } else {
        damaged[at] = static_cast<char>(r >> 8);
      }
    }
    WriteWholeFile(path, damaged);
    Outcome outcome = ReadAsOpened(path);
    EXPECT_TRUE(outcome.error == 0 || outcome.error == 3811 || outcome.error == 3814) << round;
  }
}

TEST_F(DamagedInput, ContainersEndEveryReadWithTheirTextOrAnError) {
  const std::string text = SectionText(14000);  // two compressed blocks
  const std::vector<std::string> lines = SplitLines(text);
  const std::string path = Path("damaged.qeb");
  for (bool compress : {true, false}) {
    const std::string sample = compress ? text : text.substr(0, 1500) + "\r##End\r";
    ASSERT_TRUE(WriteContainer(path, sample, 1, compress));
    const std::string whole = ReadWholeFile(path);
    EveryTruncation(path, whole, compress ? lines : SplitLines(sample));
    SeededDamage(path, whole, 1500);
  }
}

TEST_F(DamagedInput, TextFormsEndEveryReadWithTheirText) {
  const std::string path = Path("damaged.qex");
  {
    T_HTextWrite writer;
    ASSERT_TRUE(writer.Open(path.c_str()));
    WriteTextFormTag(&writer);
    const std::string body = SectionText(1500) + "K\xC3\xA4se\r";
    writer.PutBytes(body.data(), static_cast<int64_t>(body.size()));
    ASSERT_TRUE(writer.Commit());
  }
  const std::string whole = ReadWholeFile(path);
  const std::vector<std::string> lines = ReadTextLines(path);
  EveryTruncation(path, whole, lines);
  SeededDamage(path, whole, 1500);
}

}  // namespace
