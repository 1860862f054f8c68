#include "core/keystream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/locale.h"

namespace {

std::vector<int32_t> Draw(KeyStream* stream, int n) {
  std::vector<int32_t> bytes;
  for (int i = 0; i < n; ++i) bytes.push_back(KeyStreamNext(stream));
  return bytes;
}

std::string Text(const T_TextBuf& buffer) {
  return std::string(buffer.data, static_cast<size_t>(buffer.length));
}

class KeyStreamTest : public testing::Test {
 protected:
  void SetUp() override { CaseTablesInit(); }
};

TEST_F(KeyStreamTest, StepsFromTheInitialState) {
  KeyStream s;
  KeyStreamInit(&s);
  EXPECT_EQ(KeyStreamNext(&s), 1);
  EXPECT_EQ(s.r0, 256u);
  EXPECT_EQ(s.r1, 256u);
  EXPECT_EQ(s.r2, 256u);
  EXPECT_EQ(Draw(&s, 7), (std::vector<int32_t>{0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(s.r0, 0x81306605u);
  EXPECT_EQ(s.r1, 0x00204409u);
  EXPECT_EQ(s.r2, 0x00000001u);
  Draw(&s, 56);
  EXPECT_EQ(s.index, 0);  // 64 steps bring the table position round
}

TEST_F(KeyStreamTest, XorRunsTheSameStepsAsSingleDraws) {
  KeyStream single, bulk;
  KeyStreamInit(&single);
  KeyStreamSeedConstant(&single, 1298866417u);
  KeyStreamRefreshTable(&single);
  single.index = 5;
  bulk = single;
  std::vector<uint8_t> bytes(1000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> expected = bytes;
  for (uint8_t& b : expected) b = static_cast<uint8_t>(b ^ KeyStreamNext(&single));
  KeyStreamXor(&bulk, bytes.data(), 3);
  KeyStreamXor(&bulk, bytes.data() + 3, 997);
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(std::memcmp(&single, &bulk, sizeof single), 0);
  KeyStreamXor(&bulk, bytes.data(), 0);
  EXPECT_EQ(std::memcmp(&single, &bulk, sizeof single), 0);
}

TEST_F(KeyStreamTest, FollowsTheDatabaseFileSeeding) {
  // Stored seed, mode constant of "N", password, table refresh: the reader's order.
  uint8_t seed[kKeyStreamSeedSize];
  for (int i = 0; i < kKeyStreamSeedSize; ++i) seed[i] = static_cast<uint8_t>(i);
  KeyStream s;
  KeyStreamInit(&s);
  KeyStreamLoadSeed(&s, seed);
  KeyStreamSeedConstant(&s, 1734509826u);
  KeyStreamSeedText(&s, "Secret", 0);
  KeyStreamRefreshTable(&s);
  EXPECT_EQ(Draw(&s, 16), (std::vector<int32_t>{0xCE, 0x46, 0x5E, 0x30, 0x7F, 0xFE, 0x49, 0x91,
                                                0xF0, 0xE8, 0xCE, 0x26, 0x8C, 0x9A, 0x84, 0x8A}));

  // Letter case of the password does not matter.
  KeyStream t;
  KeyStreamInit(&t);
  KeyStreamLoadSeed(&t, seed);
  KeyStreamSeedConstant(&t, 1734509826u);
  KeyStreamSeedText(&t, "sECRET", 0);
  KeyStreamRefreshTable(&t);
  Draw(&t, 16);
  EXPECT_EQ(std::memcmp(&s, &t, sizeof s), 0);
}

TEST_F(KeyStreamTest, MixesKeysInTheirEncoding) {
  struct Case {
    int32_t encoding;
    uint32_t r0, r1, r2;
  };
  // "müller" upper-cased: UTF-8 C3 9C for the umlaut, one byte DC in the system code page.
  for (const Case& c : {Case{0, 0x367513c4u, 0xacd04486u, 0xc441e7aeu},
                        Case{3, 0x664031fbu, 0x9a19e240u, 0xba727e35u},
                        Case{6, 0x664031fbu, 0x9a19e240u, 0xba727e35u}}) {
    KeyStream s;
    KeyStreamInit(&s);
    KeyStreamSeedText(&s, "m\xC3\xBCller", c.encoding);
    EXPECT_EQ(s.r0, c.r0) << c.encoding;
    EXPECT_EQ(s.r1, c.r1) << c.encoding;
    EXPECT_EQ(s.r2, c.r2) << c.encoding;
  }
}

TEST_F(KeyStreamTest, StoresAndLoadsTheSeedMasked) {
  KeyStream s;
  KeyStreamInit(&s);
  s.r0 = 0x01020304u;
  s.r1 = SeedMask;
  s.r2 = 0xA0B0C0D0u;
  uint8_t seed[kKeyStreamSeedSize];
  KeyStreamStoreSeed(&s, seed);
  const uint8_t expected[kKeyStreamSeedSize] = {1, 2, 3, 4, 0, 0, 0, 0, 0xA0, 0xB0, 0xC0, 0xD0};
  EXPECT_EQ(std::memcmp(seed, expected, sizeof seed), 0);

  KeyStream t;
  KeyStreamInit(&t);
  t.index = 17;
  t.table[5] = 9;
  KeyStreamLoadSeed(&t, seed);
  EXPECT_EQ(t.r0, s.r0);
  EXPECT_EQ(t.r1, s.r1);
  EXPECT_EQ(t.r2, s.r2);
  EXPECT_EQ(t.index, 17);
  EXPECT_EQ(t.table[5], 9);

  // Wiping resets registers and table but keeps the position.
  KeyStreamWipe(&t);
  EXPECT_EQ(t.r0 + t.r1 + t.r2, 3u);
  EXPECT_EQ(t.table[5], 0);
  EXPECT_EQ(t.index, 17);
}

TEST_F(KeyStreamTest, RandomSeedsAndTokens) {
  KeyStream a, b;
  KeyStreamInit(&a);
  KeyStreamInit(&b);
  KeyStreamSeedRandom(&a);
  KeyStreamSeedRandom(&b);
  EXPECT_EQ(a.index, 0);
  EXPECT_FALSE(a.r0 == b.r0 && a.r1 == b.r1 && a.r2 == b.r2);
  for (int i = 0; i < 1000; ++i) {
    const int32_t c = KeyStreamNextPrintable(&a);
    ASSERT_TRUE(c >= 33 && c <= 126) << c;
  }
  T_TextBuf token;
  RandomToken(&token, 64);
  ASSERT_EQ(token.length, 64);
  for (int i = 0; i < 64; ++i) EXPECT_TRUE(token.data[i] >= 33 && token.data[i] <= 126);
}

TEST_F(KeyStreamTest, ScramblesTextIntoLetters) {
  T_TextBuf text("abc");
  ScrambleText(&text, "Key");
  EXPECT_EQ(Text(text), "hgpgllonidgj");
  EXPECT_TRUE(UnscrambleText(&text, "KEY"));
  EXPECT_EQ(Text(text), "abc");

  T_TextBuf empty;
  ScrambleText(&empty, "Key");
  EXPECT_EQ(Text(empty), "hgpgll");  // the check prefix alone
  EXPECT_TRUE(UnscrambleText(&empty, "key"));
  EXPECT_TRUE(empty.empty());

  // Any text, multi-byte characters and control bytes included, comes back.
  std::string plain = "p\xC3\xA4ss\tw\x01rd ~+~";
  T_TextBuf round(plain.c_str());
  ScrambleText(&round, "k\xC3\xA9y");
  ASSERT_EQ(round.length, 6 + 2 * static_cast<int32_t>(plain.size()));
  for (int32_t i = 0; i < round.length; ++i)
    ASSERT_TRUE(round.data[i] >= 'a' && round.data[i] <= 'p');
  EXPECT_TRUE(UnscrambleText(&round, "K\xC3\x89Y"));
  EXPECT_EQ(Text(round), plain);
}

TEST_F(KeyStreamTest, UnscrambleRefusesWhatDoesNotCarryTheCheck) {
  struct Case {
    const char* letters;
    const char* key;
    bool ok;
    const char* result;
  };
  const Case cases[] = {
      {"hgpgllonidgj", "Key", true, "abc"},
      {"hgpgllonidgjx", "Key", true, "abc"},  // odd last letter ignored
      {"hgpgllonidgj", "Kei", false, ""},
      {"hgpglk", "Key", false, ""},
      {"hgpg", "Key", false, ""},
      {"", "Key", false, ""},
  };
  for (const Case& c : cases) {
    T_TextBuf text(c.letters);
    EXPECT_EQ(UnscrambleText(&text, c.key), c.ok) << c.letters << " " << c.key;
    EXPECT_EQ(Text(text), c.result) << c.letters << " " << c.key;
  }
}

TEST_F(KeyStreamTest, ScrambledSecretKeepsItsPassword) {
  ScrambledSecret secret;
  ScrambledSecretInit(&secret);
  EXPECT_EQ(secret.key.length, 64);
  T_TextBuf out("junk");

  ScrambledSecretSet(&secret, "");
  EXPECT_TRUE(secret.scrambled.empty());
  ScrambledSecretGet(&secret, &out);
  EXPECT_TRUE(out.empty());

  ScrambledSecretSet(&secret, "open sesame");
  EXPECT_EQ(secret.scrambled.length, 6 + 2 * 11);
  EXPECT_EQ(Text(secret.scrambled).find("open"), std::string::npos);
  ScrambledSecretGet(&secret, &out);
  EXPECT_EQ(Text(out), "open sesame");

  // Damage the check prefix: a letter carries one nibble in its low four bits, so flipping its
  // lowest bit always changes what it stands for (replacing it by a fixed letter did not when
  // both stood for the same nibble).
  secret.scrambled.data[0] ^= 1;
  ScrambledSecretGet(&secret, &out);
  EXPECT_TRUE(out.empty());
}

TEST(BigEndianWords, ReadAndWriteMostSignificantFirst) {
  uint8_t bytes[4];
  PutBE32(bytes, 0x12345678u);
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(bytes[3], 0x78);
  EXPECT_EQ(GetBE32(bytes), 0x12345678u);
  uint32_t word;
  StoreBE32(&word, 0xA1B2C3D4u);
  EXPECT_EQ(std::memcmp(&word, "\xA1\xB2\xC3\xD4", 4), 0);
  EXPECT_EQ(LoadBE32(&word), 0xA1B2C3D4u);
}

}  // namespace
