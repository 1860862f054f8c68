#include <windows.h>

#include <map>
#include <string>

#include "../files/files_fixture.h"
#include "../opensave/opensave_fixture.h"
#include "database/huffman_reader.h"
#include "tests/source_path.h"

namespace {

// The fixtures come from make_huffman.py beside this file, which builds its code tree on its
// own from the format's heap rules.
std::string DataPath(const std::string& name) {
  return TestSourcePath("tests/database/huffman/data/" + name);
}

std::map<char, std::string> Codes(const std::map<char, int32_t>& table) {
  int32_t weights[256];
  uint8_t symbols[256];
  int32_t n = 0;
  for (const auto& [symbol, weight] : table) {
    symbols[n] = static_cast<uint8_t>(symbol);
    weights[n++] = weight;
  }
  HuffmanNode nodes[512];
  const int32_t root = BuildHuffmanTree(weights, symbols, n, nodes);
  std::map<char, std::string> codes;
  auto walk = [&](auto&& self, int32_t node, const std::string& prefix) -> void {
    if (nodes[node].first < 0) {
      codes.emplace(static_cast<char>(nodes[node].symbol), prefix);
      return;
    }
    self(self, nodes[node].first, prefix + "0");
    if (nodes[node].second != nodes[node].first) self(self, nodes[node].second, prefix + "1");
  };
  walk(walk, root, "");
  return codes;
}

TEST(HuffmanTree, CodesFollowTheHeapRules) {
  EXPECT_EQ(Codes({{'A', 1}, {'B', 1}}), (std::map<char, std::string>{{'A', "1"}, {'B', "0"}}));
  EXPECT_EQ(Codes({{'A', 1}, {'B', 1}, {'C', 2}}),
            (std::map<char, std::string>{{'A', "11"}, {'B', "10"}, {'C', "0"}}));
  // One symbol: both children are its leaf, so every bit is that symbol.
  EXPECT_EQ(Codes({{'x', 7}}), (std::map<char, std::string>{{'x', "0"}}));
  // Weights add with 32-bit wrap-around: two large weights sum to a negative one, which then
  // sorts first.
  EXPECT_EQ(Codes({{'A', 0x7FFFFFFF}, {'B', 0x7FFFFFFF}, {'C', 5}}).at('C').size(), 2u);
  HuffmanNode nodes[4];
  int32_t weight = 1;
  uint8_t symbol = 'a';
  EXPECT_EQ(BuildHuffmanTree(&weight, &symbol, 0, nodes), -1);
}

TEST(HuffmanTree, DecodingStopsAtTheLoadedBits) {
  const int32_t weights[] = {1, 1, 2};
  const uint8_t symbols[] = {'A', 'B', 'C'};
  HuffmanNode nodes[8];
  const int32_t root = BuildHuffmanTree(weights, symbols, 3, nodes);
  // "C B A" is 0 10 11: five bits.
  const uint8_t bits[4] = {0x5C, 0, 0, 0};  // 0101 1100, big-endian
  uint8_t out[40] = {};
  EXPECT_EQ(HuffmanDecode(nodes, root, bits, 1, true, 5, out), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), "CBA");
  // A count that ends inside a code finishes it from the padding bits of the loaded bytes...
  EXPECT_EQ(HuffmanDecode(nodes, root, bits, 1, true, 4, out), 3);
  // ...but never from bits that were not loaded.
  const uint8_t cut[1] = {0x01};  // 0000 0001: the last code needs a ninth bit
  EXPECT_EQ(HuffmanDecode(nodes, root, cut, 1, true, 8, out), -1);
}

using HuffmanFiles = OpenSaveTest;

std::string ReadAllText(const std::string& path, int32_t* error) {
  T_HuffmanRead reader;
  reader.SetEncoding(kEncodingSystemPage);
  EXPECT_TRUE(reader.Open(path.c_str()));
  std::string text;
  while (reader.NextLine()) {
    text.append(reader.lineStart, static_cast<size_t>(reader.lineEnd - reader.lineStart));
    text += "\n";
  }
  *error = reader.error;
  return text;
}

TEST_F(HuffmanFiles, OneSymbolAFullBlockAndSeveralBlocksDecode) {
  int32_t error = -1;
  EXPECT_EQ(ReadAllText(DataPath("one_symbol.qeb"), &error), std::string(100, 'a') + "\n");
  EXPECT_EQ(error, 0);
  std::string full;
  for (int32_t i = 0; i < kHuffmanMaxBits / 2; ++i) full += "ab";
  EXPECT_EQ(ReadAllText(DataPath("full_block.qeb"), &error), full + "b\n");
  EXPECT_EQ(error, 0);
  std::string rows;
  for (int32_t i = 0; i < 6000; ++i)
    rows += "Rad " + std::to_string(i) + "\t" + std::to_string(i * 7919 % 100000) + "\n";
  EXPECT_EQ(ReadAllText(DataPath("several_blocks.qeb"), &error), rows);
  EXPECT_EQ(error, 0);
}

// The same database in three Huffman forms (words little- and big-endian, bytes) opens to the
// model of its text-form twin, in the system code page, without a question.
TEST_F(HuffmanFiles, OldFilesOpenLikeTheirTextFormTwin) {
  T_Base* twin = openDatabase(DataPath("sections.qex").c_str(), nullptr, kOpenFlagNoOpenDirect);
  ASSERT_NE(twin, nullptr);
  const std::string expected = ModelDump(twin);
  EXPECT_NE(expected.find("Projekt \xC3\xA5tta"), std::string::npos);
  for (const char* name : {"sections_le.qeb", "sections_be.qeb", "sections_bytes.qeb"}) {
    FileKindInfo info;
    DetectFileKind(&info, DataPath(name).c_str());
    EXPECT_EQ(info.kind, kFileKindHuffman) << name;
    T_Base* base = openDatabase(DataPath(name).c_str(), nullptr, kOpenFlagNoOpenDirect);
    ASSERT_NE(base, nullptr) << name;
    EXPECT_EQ(ModelDump(base), expected) << name;
    EXPECT_EQ(base->cardCount, 28);
    DeleteBase(base, kCloseSilently);
  }
  EXPECT_TRUE(user.asked.empty());
  EXPECT_EQ(PendingError.request.message, 0);
}

// Damage the format makes plain: a bit count above 65,504 (70,000 would read every later block
// out of step), a table count outside 1 to 256, a table or block cut by the end of the file.
TEST_F(HuffmanFiles, PlainDamageIsReportedWithThePath) {
  const std::string whole = ReadWholeFile(DataPath("sections_be.qeb"));
  const size_t blocks =
      16 + 6 * ((static_cast<uint8_t>(whole[14]) << 8) | static_cast<uint8_t>(whole[15]));
  std::string big = whole;
  big.replace(blocks, 4, std::string("\x00\x01\x11\x70", 4));  // 70,000
  std::string count = whole;
  count.replace(14, 2, std::string("\x01\x2C", 2));  // 300 symbols
  const std::string cases[] = {big, count, whole.substr(0, 100), whole.substr(0, whole.size() - 3)};
  for (const std::string& bytes : cases) {
    const std::string path = Path("damaged.qeb");
    WriteWholeFile(path, bytes);
    PendingErrorClear();
    T_Base* base = openDatabase(path.c_str(), nullptr, kOpenFlagNoOpenDirect);
    ASSERT_NE(base, nullptr);  // what was read before the damage stays
    EXPECT_EQ(PendingError.request.message, 3811);
    ExpectModelSound(base);
    DeleteBase(base, kCloseSilently);
  }
}

// A bounded, seeded loop of truncations and changed bytes: every open ends with a sound model
// or a message, and nothing is written outside a buffer.
TEST_F(HuffmanFiles, DamagedFilesEndInASoundModel) {
  for (const char* name : {"sections_le.qeb", "sections_bytes.qeb"}) {
    const std::string whole = ReadWholeFile(DataPath(name));
    const std::string path = Path("damaged.qeb");
    uint32_t seed = 4;
    for (int32_t round = 0; round < 120; ++round) {
      std::string damaged = whole;
      if (round % 2 == 0) {
        damaged = whole.substr(0, NextRandom(&seed) % whole.size());
      } else {
        for (int32_t k = 0; k < 3; ++k) {
          const size_t at = NextRandom(&seed) % damaged.size();
          damaged[at] = static_cast<char>(damaged[at] ^ (1 << (NextRandom(&seed) % 8)));
        }
      }
      WriteWholeFile(path, damaged);
      PendingErrorClear();
      T_Base* base = openDatabase(path.c_str(), nullptr, kOpenFlagNoOpenDirect);
      if (base != nullptr) {
        ExpectModelSound(base);
        DeleteBase(base, kCloseSilently);
      }
      ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << name << " " << round;
    }
  }
}

}  // namespace
