#include <string>
#include <vector>

#include "database/file_progress.h"
#include "files_fixture.h"

namespace {

// A keystream seeded from fixed registers as the writer seeds its own.
KeyStream SeededStream(const uint32_t registers[3]) {
  KeyStream stream;
  KeyStreamInit(&stream);
  stream.r0 = registers[0];
  stream.r1 = registers[1];
  stream.r2 = registers[2];
  for (int i = 0; i < 16; ++i) KeyStreamNext(&stream);
  stream.index = 0;
  return stream;
}

// The filler line the fixed seeds give, drawn as the layout describes it.
std::string ExpectedFiller() {
  KeyStream stream = SeededStream(kTestSeeds.filler);
  std::string line(static_cast<size_t>((KeyStreamNext(&stream) & 31) + 24), ' ');
  for (size_t i = line.size(); i-- > 0;)
    line[i] = static_cast<char>(KeyStreamNextPrintable(&stream));
  return line;
}

std::string ExpectedSeedBytes() {
  KeyStream stream = SeededStream(kTestSeeds.file);
  uint8_t seed[12];
  KeyStreamStoreSeed(&stream, seed);
  return std::string(reinterpret_cast<char*>(seed), 12);
}

// The text still unread after Open and every block behind it, as bytes.
std::string Drain(T_ShifterRead* reader) {
  std::string text(reinterpret_cast<const char*>(reader->readStart),
                   reinterpret_cast<const char*>(reader->dataEnd));
  reader->readStart = reader->dataEnd;
  while (reader->Refill()) {
    text.append(reinterpret_cast<const char*>(reader->readStart),
                reinterpret_cast<const char*>(reader->dataEnd));
    reader->readStart = reader->dataEnd;
  }
  return text;
}

using BlockContainer = FilesTest;

TEST(BlockChecksum, RunsThroughTheDocumentedValues) {
  const uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(BlockChecksum(abc, 1), 0x0061);
  EXPECT_EQ(BlockChecksum(abc, 2), 0x8052);
  EXPECT_EQ(BlockChecksum(abc, 3), 0x404A);
}

TEST_F(BlockContainer, GoldenBytesFollowTheLayout) {
  const std::string text = "##Cards\r1\tCoffee\t12.50\r##End\r";
  const std::string path = Path("golden.qeb");
  ASSERT_TRUE(WriteContainer(path, text));
  const std::string file = ReadWholeFile(path);

  ASSERT_GE(file.size(), 48u);
  EXPECT_EQ(file.substr(0, 20), std::string("\x05\x13Qbx121122oiNZ6\0\0\0\0", 20));
  EXPECT_EQ(file.substr(20, 12), ExpectedSeedBytes());
  EXPECT_EQ(file.substr(32, 8), std::string(8, '\0'));
  TableReading reading = ReadByTable(file);
  EXPECT_TRUE(reading.sound);
  EXPECT_EQ(reading.text, ExpectedFiller() + "\rqebmagic\r" + text);
  ASSERT_EQ(reading.blocks.size(), 1u);
  EXPECT_EQ(reading.blocks[0].kind, 'b');

  // The whole file, so that no change of the format goes unnoticed.
  EXPECT_EQ(Hex(file),
            "05 13 51 62 78 31 32 31 31 32 32 6F 69 4E 5A 36 00 00 00 00 0F 07 84 E2 C5 88 4B 58 "
            "4A 6B AE 6A 00 00 00 00 00 00 00 00 8C 38 8D FE 00 4A 36 39 C0 6A CB 2E 2B E3 F0 AD "
            "C0 FB 38 D5 C3 72 01 9C 0D CA 57 B0 E3 71 4A 64 24 F7 AB 11 90 26 01 46 8C 10 BE 70 "
            "CC 41 20 07 1E 86 63 F7 96 89 AC 90 1A BB BD 70 62 E6 F2 E7 78 E9 9D 70 AE 9D 37 C3 "
            "43 4E 68 2B 57 5C CB 31 73 51");
}

TEST_F(BlockContainer, EveryBlockCarriesTwelveThousandBytesAndBadCompressionIsStored) {
  // Compressible text: "b" blocks. Random bytes: stored blocks, never longer.
  std::string random(40000, ' ');
  uint32_t seed = 99;
  for (char& c : random) c = static_cast<char>(NextRandom(&seed));
  const struct {
    std::string text;
    bool compress;
    uint8_t kind;
  } cases[] = {
      {SectionText(40000), true, 'b'}, {random, true, '-'}, {SectionText(40000), false, '-'}};
  for (const auto& c : cases) {
    const std::string path = Path("blocks.qeb");
    ASSERT_TRUE(WriteContainer(path, c.text, 1, c.compress));
    const std::string file = ReadWholeFile(path);
    EXPECT_EQ(file[14], c.compress ? 'Z' : '-');
    TableReading reading = ReadByTable(file);
    EXPECT_TRUE(reading.sound);
    ASSERT_EQ(reading.blocks.size(), (reading.text.size() + 11999) / 12000);
    size_t at = 0;
    for (size_t i = 0; i < reading.blocks.size(); ++i) {
      const TableBlock& block = reading.blocks[i];
      EXPECT_EQ(block.kind, c.kind) << i;
      EXPECT_LE(block.payload.size(), 13992u);
      if (block.kind == '-') {
        EXPECT_EQ(block.payload, reading.text.substr(at, 12000)) << i;
        if (i + 1 < reading.blocks.size()) {
          EXPECT_EQ(block.payload.size(), 12000u);
        }
      }
      at += 12000;
    }
    EXPECT_TRUE(reading.text == ExpectedFiller() + "\rqebmagic\r" + c.text);
    T_ShifterRead reader(nullptr);
    ASSERT_TRUE(reader.Open(path.c_str(), 1, nullptr));
    EXPECT_TRUE(Drain(&reader) == c.text);
    EXPECT_EQ(reader.error, 0);
  }
}

TEST_F(BlockContainer, CharactersAndLinesCutByBlocksComeBackWhole) {
  // The section text starts after the filler line and "qebmagic"; the characters are placed so
  // that the 12,000-byte cuts fall inside them.
  const size_t prefix = ExpectedFiller().size() + 10;
  const std::string umlaut = "\xC3\xA4", euro = "\xE2\x82\xAC";
  const std::string pair = "\xED\xA0\xBD\xED\xB8\x80";  // U+1F600 as the program stores it
  const std::string fourBytes = "\xF0\x9F\x98\x80";     // the same in plain UTF-8
  // Each character at the file-text offset of its first byte.
  auto build = [&](const std::vector<std::pair<size_t, std::string>>& placed) {
    std::string text;
    for (const auto& [offset, character] : placed) {
      while (text.size() < offset - prefix) text += text.size() % 1000 == 999 ? '\r' : 'x';
      text += character;
    }
    return text + "\r" + std::string(20000, 'y') + "\r##End\r";  // and one line of 20,000
  };
  const std::string lines =
      build({{11999, umlaut}, {23999, euro}, {35998, euro}, {47997, pair}, {59999, pair}});
  const std::string raw = build({{11999, fourBytes}, {23998, fourBytes}, {35997, fourBytes}});

  const std::string path = Path("cuts.qeb");
  ASSERT_TRUE(WriteContainer(path, lines));
  EXPECT_TRUE(ReadContainer(path).lines == SplitLines(lines));
  ASSERT_TRUE(WriteContainer(path, raw, 1, false));
  T_ShifterRead reader(nullptr);
  ASSERT_TRUE(reader.Open(path.c_str(), 1, nullptr));
  EXPECT_TRUE(Drain(&reader) == raw);
  EXPECT_EQ(reader.error, 0);
}

TEST_F(BlockContainer, LargeTextsRoundTripInEveryModeCompressedAndStored) {
  const std::string text = SectionText(3 << 20);
  const std::vector<std::string> lines = SplitLines(text);
  for (int32_t mode = 1; mode <= 3; ++mode) {
    for (bool compress : {true, false}) {
      const std::string path = Path("large.qeb");
      ASSERT_TRUE(WriteContainer(path, text, mode, compress));
      FileKindInfo info;
      DetectFileKind(&info, path.c_str());
      EXPECT_EQ(info.kind, mode);
      EXPECT_EQ(info.compressed, compress ? 1 : 0);
      ReadResult back = ReadContainer(path, mode);
      EXPECT_EQ(back.error, 0) << mode << compress;
      EXPECT_TRUE(back.lines == lines) << mode << compress;
    }
  }
}

TEST_F(BlockContainer, LongLinesGrowTheReaderUpToOneMegabyte) {
  const std::string path = Path("long.qeb");
  const std::string text = "a\r" + std::string(100000, 'b') + "\rc\r";
  ASSERT_TRUE(WriteContainer(path, text));
  EXPECT_TRUE(ReadContainer(path).lines == SplitLines(text));

  ASSERT_TRUE(WriteContainer(path, "a\r" + std::string((1 << 20) + 10, 'b') + "\rc\r"));
  ReadResult back = ReadContainer(path);
  EXPECT_EQ(back.error, 3811);
  EXPECT_TRUE(back.lines == std::vector<std::string>{"a"}) << back.lines.size();
}

TEST_F(BlockContainer, LinesMayEndWithCrLfOrCrLf) {
  const std::string path = Path("ends.qeb");
  ASSERT_TRUE(WriteContainer(path, "a\nb\r\nc\r\rd"));
  EXPECT_EQ(ReadContainer(path).lines, (std::vector<std::string>{"a", "b", "c", "", "d"}));
}

TEST_F(BlockContainer, PasswordsMixedIntoTheKeystream) {
  const char* umlautUpper = "\xC3\x84rger";  // "Ärger"
  const char* umlautLower = "\xC3\xA4rger";
  const struct {
    const char* written;
    const char* read;
    int32_t error;
  } cases[] = {{nullptr, nullptr, 0},        {nullptr, "pw", 3814},   {"Secret", nullptr, 3814},
               {"Secret", "SECRET", 0},      {"Secret", "secret", 0}, {"Secret", "Secreet", 3814},
               {umlautUpper, umlautLower, 0}};
  const std::string path = Path("password.qeb");
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteContainer(path, "##End\r", 1, true, c.written));
    EXPECT_EQ(ReadWholeFile(path)[11], c.written != nullptr ? 'x' : 'o');
    ReadResult back = ReadContainer(path, 1, c.read);
    EXPECT_EQ(back.error, c.error)
        << (c.written ? c.written : "-") << " " << (c.read ? c.read : "-");
    EXPECT_EQ(back.opened, c.error == 0);
    EXPECT_EQ(back.lines,
              c.error == 0 ? std::vector<std::string>{"##End"} : std::vector<std::string>{});
  }
}

TEST_F(BlockContainer, OldFilesHoldTextAndPasswordInTheSystemCodePage) {
  const std::string path = Path("old.qeb");
  const std::vector<TableBlock> blocks = {{'-', "filler\rqebmagic\rK\xE4se\r"}};
  WriteWholeFile(path, MakeContainer(blocks, "111111", 1, "\xC3\x84rger", kEncodingSystemPage));
  T_ShifterRead reader(nullptr);
  ASSERT_TRUE(reader.Open(path.c_str(), 1, "\xC3\xA4rger"));
  EXPECT_EQ(reader.fileDate, 20111111);
  ASSERT_TRUE(reader.NextLine());
  EXPECT_EQ(std::string(reader.lineStart, reader.lineEnd), "K\xC3\xA4se");
  reader.Close();

  // The same password mixed in UTF-8 is another password for an old file.
  WriteWholeFile(path, MakeContainer(blocks, "111111", 1, "\xC3\x84rger", kEncodingUtf8));
  EXPECT_EQ(ReadContainer(path, 1, "\xC3\xA4rger").error, 3814);
}

TEST_F(BlockContainer, BlocksAreTakenOrRefusedByTheirHeaders) {
  const std::string start = "filler\rqebmagic\r";
  std::string expanding(300, 'a');  // then copies of 260 bytes: far more than the buffer holds
  for (int i = 0; i < 130; ++i) expanding += std::string("\x1A\xFF\0\0", 4);
  const struct {
    const char* what;
    std::vector<TableBlock> blocks;
    int32_t error;
    std::vector<std::string> lines;
  } cases[] = {
      {"stored 12,000",
       {{'-', start}, {'-', std::string(11999, 's') + "\r"}},
       0,
       {std::string(11999, 's')}},
      {"stored 13,999",
       {{'-', start}, {'-', std::string(13998, 's') + "\r"}},
       0,
       {std::string(13998, 's')}},
      {"length 14,000", {{'-', start}, {'-', std::string(14000, 's'), 14000}}, 3811, {}},
      {"length field 14,000 alone", {{'-', start}, {'-', "", 14000}}, 3811, {}},
      {"empty block", {{'-', start}, {'-', ""}}, 3811, {}},
      {"older code", {{'Z', start + "old\r"}}, 0, {"old"}},
      {"unknown kind", {{'-', start + "a\r"}, {'q', "b\r"}}, 3811, {"a"}},
      {"expands past the buffer", {{'-', start + "a\r"}, {'b', expanding}}, 3811, {"a"}},
      {"short payload", {{'-', start + "a\r"}, {'-', "bc\r", 5}}, 3811, {"a"}},
  };
  for (const auto& c : cases) {
    const std::string path = Path("blocks.qeb");
    WriteWholeFile(path, MakeContainer(c.blocks));
    ReadResult back = ReadContainer(path);
    EXPECT_EQ(back.error, c.error) << c.what;
    EXPECT_TRUE(back.lines == c.lines) << c.what;
  }
}

TEST_F(BlockContainer, TheEndOfTheFileAndTheModeLetter) {
  const std::string path = Path("end.qeb");
  ASSERT_TRUE(WriteContainer(path, "a\rb\r"));
  const std::string whole = ReadWholeFile(path);
  for (int extra = 0; extra <= 7; ++extra) {
    WriteWholeFile(path, whole + std::string(static_cast<size_t>(extra), '#'));
    ReadResult back = ReadContainer(path);
    EXPECT_EQ(back.error, extra == 0 ? 0 : 3811) << extra;
    EXPECT_EQ(back.lines, (std::vector<std::string>{"a", "b"})) << extra;
  }
  // A "B" header on a file written in mode "N": another keystream.
  std::string renamed = whole;
  renamed[13] = 'B';
  WriteWholeFile(path, renamed);
  FileKindInfo info;
  DetectFileKind(&info, path.c_str());
  EXPECT_EQ(info.kind, kFileKindContainerB);
  ReadResult back = ReadContainer(path, info.kind);
  EXPECT_EQ(back.error, 3811);
  EXPECT_FALSE(back.opened);
  // Without "qebmagic" the text is no database.
  WriteWholeFile(path, MakeContainer({{'-', "filler\r##End\r"}}));
  back = ReadContainer(path);
  EXPECT_FALSE(back.opened);
  EXPECT_EQ(back.error, 3811);
}

TEST_F(BlockContainer, DamageIsNotedInTheOperationLog) {
  static std::vector<std::string> entries;
  entries.clear();
  SetLogEntrySink([](T_LogAlerts*, const char* line, int32_t) { entries.push_back(line); });
  auto* base = new T_Base(nullptr, 0);
  base->operationLog = new T_LogAlerts(Path("log.txt").c_str(), false);
  const std::string path = Path("damaged.qeb");
  WriteWholeFile(path, MakeContainer({{'-', "filler\rqebmagic\ra\r"}, {'-', "b\r", 3}}));
  EXPECT_EQ(ReadContainer(path, 1, nullptr, base).error, 3811);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].find("-- checksum error detected in file"), std::string::npos);
  delete base->operationLog;
  base->operationLog = nullptr;
  delete base;
  SetLogEntrySink(nullptr);
}

TEST_F(BlockContainer, ProgressGoesToTheCurrentWindowWhenThereIsOne) {
  static int64_t total, positions, steps;
  static bool compressed;
  total = positions = steps = 0;
  static int window;
  const FileProgressHooks hooks = {
      [] { return reinterpret_cast<T_FileWait*>(&window); },
      [](T_FileWait*, int64_t bytes, bool z) { total = bytes, compressed = z; },
      [](T_FileWait*, int64_t) { ++positions; },
      [](T_FileWait*) { ++steps; },
      nullptr,
      nullptr,
  };
  SetFileProgressHooks(&hooks);
  const std::string path = Path("progress.qeb");
  ASSERT_TRUE(WriteContainer(path, SectionText(50000)));
  EXPECT_EQ(steps, 5);  // one per block
  EXPECT_EQ(ReadContainer(path).error, 0);
  EXPECT_EQ(total, FileSizeOfPath(path.c_str()));
  EXPECT_TRUE(compressed);
  EXPECT_GE(positions, 5);
  SetFileProgressHooks(nullptr);
  steps = 0;
  ASSERT_TRUE(WriteContainer(path, SectionText(50000)));
  EXPECT_EQ(steps, 0);
}

}  // namespace
