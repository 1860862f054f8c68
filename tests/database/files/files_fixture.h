#pragma once
// Shared pieces of the database-file tests: a scratch folder per test, the container written and
// read through the engine's streams, and an independent reading and making of containers straight
// from the layout table, so that the streams are checked against the format rather than against
// themselves.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../../core/streams/scratch_folder.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/block_codec.h"
#include "core/code_pages.h"
#include "core/files.h"
#include "core/keystream.h"
#include "database/base.h"
#include "database/block_container.h"
#include "database/file_kinds.h"
#include "database/text_form.h"

constexpr ContainerSeeds kTestSeeds = {{0x12345678u, 0x9ABCDEF0u, 0x0F1E2D3Cu},
                                       {0x0BADC0DEu, 0x00C0FFEEu, 0x5EED5EEDu}};

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    // Old files hold the system code page, which Wine would take from the locale.
    SetSystemCodePage(kEncodingLatin1);
    SetFixedContainerSeeds(&kTestSeeds);
  }
  void TearDown() override {
    SetFixedContainerSeeds(nullptr);
    SetFileWriteFailHook(nullptr);
    PendingErrorClear();
  }
  std::string Path(const std::string& name) const { return folder / name; }

  T_NoAlerts quiet;
  ScratchFolder folder;
};

inline uint32_t NextRandom(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

// --- Through the engine's streams ----------------------------------------------------------

inline SaveOptions Options(int32_t mode, bool compress) {
  SaveOptions options;
  options.kind = mode;
  options.compressed = compress ? 1 : 0;
  return options;
}

// Writes the text as it is (line ends included) into a committed container.
inline bool WriteContainer(const std::string& path, const std::string& text, int32_t mode = 1,
                           bool compress = true, const char* password = nullptr) {
  T_ShifterWrite writer;
  SaveOptions options = Options(mode, compress);
  if (!writer.Open(path.c_str(), &options, password)) return false;
  writer.PutBytes(text.data(), static_cast<int64_t>(text.size()));
  bool committed = writer.Commit();
  EXPECT_TRUE(writer.GuardsIntact());
  return committed;
}

struct ReadResult {
  bool opened = false;
  int32_t error = 0;
  std::vector<std::string> lines;
};

// Every line after "qebmagic", with a bound so that no damaged file can keep a test running.
inline ReadResult ReadContainer(const std::string& path, int32_t mode = 1,
                                const char* password = nullptr, T_Base* base = nullptr) {
  ReadResult result;
  T_ShifterRead reader(base);
  result.opened = reader.Open(path.c_str(), mode, password);
  if (result.opened) {
    while (reader.NextLine() && result.lines.size() < 1000000)
      result.lines.emplace_back(reader.lineStart, reader.lineEnd);
  }
  result.error = reader.error;
  EXPECT_TRUE(reader.GuardsIntact()) << path;
  return result;
}

inline std::vector<std::string> ReadTextLines(const std::string& path, TextEncoding encoding = 0) {
  std::vector<std::string> lines;
  T_HTextRead reader;
  reader.SetEncoding(encoding);
  if (!reader.Open(path.c_str())) return lines;
  while (reader.NextLine() && lines.size() < 1000000)
    lines.emplace_back(reader.lineStart, reader.lineEnd);
  return lines;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++at;
  }
  return lines;
}

// Section-like text of about n bytes, lines ended by CR.
inline std::string SectionText(size_t n, uint32_t seed = 7) {
  static const char* const kWords[] = {"North", "South", "Retail", "Online", "Coffee", "Tea"};
  std::string text = "##Cards\r";
  for (int32_t card = 1; text.size() < n; ++card) {
    uint32_t a = NextRandom(&seed);
    text += std::to_string(card) + "\t" + kWords[a % 6] + " " + kWords[(a >> 8) % 6] + "\t" +
            std::to_string(a % 100000) + "." + std::to_string(a % 89 + 10) + "\r";
  }
  return text + "##End\r";
}

// --- Straight from the layout table ---------------------------------------------------------

struct TableBlock {
  uint8_t kind;
  std::string payload;       // as stored, before scrambling
  int32_t lengthField = -1;  // -1: the payload's length
};

constexpr uint32_t kTableModeConstants[4] = {0, 1734509826u, 1298866417u, 1067345529u};
constexpr uint8_t kTableSeed[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

// A container made by the table: header (date, password mark, mode letter), keystream from the
// stored seed, the mode's constant, the password in the given encoding and the table refresh.
inline std::string MakeContainer(const std::vector<TableBlock>& blocks, const char* date = "121122",
                                 int32_t mode = 1, const char* password = nullptr,
                                 int32_t passwordEncoding = 0) {
  std::string file(40, '\0');
  memcpy(&file[0], "\x05\x13Qbx", 5);
  memcpy(&file[5], date, 6);
  file[11] = password != nullptr ? 'x' : 'o';
  file[12] = 'i';
  file[13] = "?NBU"[mode];
  file[14] = 'Z';
  file[15] = '6';
  memcpy(&file[20], kTableSeed, 12);
  KeyStream stream;
  KeyStreamInit(&stream);
  KeyStreamLoadSeed(&stream, kTableSeed);
  KeyStreamSeedConstant(&stream, kTableModeConstants[mode]);
  if (password != nullptr) KeyStreamSeedText(&stream, password, passwordEncoding);
  KeyStreamRefreshTable(&stream);
  for (const TableBlock& block : blocks) {
    const int32_t length =
        block.lengthField >= 0 ? block.lengthField : static_cast<int32_t>(block.payload.size());
    uint16_t sum = 0;
    std::string head(8, '\0');
    for (int i = 0; i < 3; ++i) head[i] = static_cast<char>('#' ^ KeyStreamNext(&stream));
    head[3] = static_cast<char>(block.kind ^ KeyStreamNext(&stream));
    std::string payload = block.payload;
    for (char& c : payload) {
      sum = static_cast<uint16_t>((((sum & 1) << 15) | (sum >> 1)) ^ static_cast<uint8_t>(c));
      c = static_cast<char>(c ^ KeyStreamNext(&stream));
    }
    head[4] = static_cast<char>(length >> 8);
    head[5] = static_cast<char>(length);
    head[6] = static_cast<char>(sum >> 8);
    head[7] = static_cast<char>(sum);
    file += head + payload;
  }
  return file;
}

struct TableReading {
  std::string header;
  std::vector<TableBlock> blocks;  // payloads unscrambled
  std::string text;                // expanded and joined
  bool sound = true;               // every marker and checksum as the table says
};

// Reads a file of the writer by the table, for a file without password.
inline TableReading ReadByTable(const std::string& file) {
  TableReading reading;
  reading.header = file.substr(0, 40);
  const int32_t mode = file[13] == 'B' ? 2 : file[13] == 'U' ? 3 : 1;
  KeyStream stream;
  KeyStreamInit(&stream);
  KeyStreamLoadSeed(&stream, reinterpret_cast<const uint8_t*>(file.data() + 20));
  KeyStreamSeedConstant(&stream, kTableModeConstants[mode]);
  KeyStreamRefreshTable(&stream);
  size_t at = 40;
  while (at + 8 <= file.size()) {
    uint8_t head[8];
    memcpy(head, file.data() + at, 8);
    for (int i = 0; i < 4; ++i) head[i] = static_cast<uint8_t>(head[i] ^ KeyStreamNext(&stream));
    if (head[0] != '#' || head[1] != '#' || head[2] != '#') reading.sound = false;
    const size_t length = head[4] * 256u + head[5];
    TableBlock block{head[3], file.substr(at + 8, length)};
    uint16_t sum = 0;
    for (char& c : block.payload) {
      c = static_cast<char>(c ^ KeyStreamNext(&stream));
      sum = static_cast<uint16_t>((((sum & 1) << 15) | (sum >> 1)) ^ static_cast<uint8_t>(c));
    }
    if (sum != head[6] * 256u + head[7] || block.payload.size() != length) reading.sound = false;
    if (block.kind == 'b') {
      std::vector<uint8_t> out(12000);
      int32_t n = BlockExpand(out.data(), 12000, block.payload.data(),
                              static_cast<int32_t>(block.payload.size()));
      if (n < 0) reading.sound = false;
      reading.text.append(reinterpret_cast<char*>(out.data()), n > 0 ? n : 0);
    } else {
      reading.text += block.payload;
    }
    reading.blocks.push_back(block);
    at += 8 + length;
  }
  if (at != file.size()) reading.sound = false;
  return reading;
}
