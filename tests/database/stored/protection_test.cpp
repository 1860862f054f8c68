#include "database/protection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "database/base.h"

namespace {

std::string Written(const T_OStream& out) {
  return std::string(reinterpret_cast<const char*>(out.start), out.BufferedLength());
}

std::string Password(const Protection* protection) {
  T_TextBuf clear;
  GetProtectionPassword(protection, &clear);
  std::string text = clear.c_str();
  TextBufWipe(&clear);
  return text;
}

// True when a freshly allocated block of some small size class still holds the text: a copy
// that was freed without being wiped comes back first from its class's free list. The vector
// has its room beforehand, and the search makes no copies: no allocation may take a freed block
// before the scan sees it.
bool FreedMemoryHolds(std::string_view text, std::vector<char*>* blocks) {
  for (int64_t size = 14; size <= kMemSmallLimit; size += 16) {
    blocks->push_back(static_cast<char*>(MemAlloc(size, 0)));
  }
  bool found = false;
  int64_t size = 14;
  for (char* block : *blocks) {
    if (block != nullptr &&
        std::string_view(block, static_cast<size_t>(size)).find(text) != std::string_view::npos)
      found = true;
    MemFree(block);
    size += 16;
  }
  return found;
}

class ProtectionTest : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override {
    SetPasswordPrompt(nullptr);
    ProtectionFree(protection);
    PendingErrorClear();
  }

  T_NoAlerts quiet;
  T_Base base{nullptr, 1};
  Protection* protection = ProtectionCreate(&base);
};

TEST(PasswordCheckValue, IgnoresLetterCaseAndGivesZeroForNone) {
  struct Case {
    const char* text;
    int64_t value;
  };
  const Case cases[] = {
      {"secret", 14278429}, {"SECRET", 14278429}, {"SeCrEt", 14278429}, {"", 0},
      {nullptr, 0},         {"a", 1 + 'A'},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PasswordCheckValue(c.text), c.value) << (c.text ? c.text : "null");
  EXPECT_NE(PasswordCheckValue("secret "), PasswordCheckValue("secret"));
  for (const char* text : {"x", "a much longer password with blanks", "\xC3\xA5ngstr\xC3\xB6m"}) {
    int64_t value = PasswordCheckValue(text);
    EXPECT_GE(value, 1);
    EXPECT_LE(value, 0xFFFFEF);
  }
}

TEST_F(ProtectionTest, KeepsThePasswordScrambled) {
  EXPECT_FALSE(IsProtected(protection));
  SetProtectionPassword(protection, "Secret");
  EXPECT_TRUE(IsProtected(protection));
  EXPECT_EQ(protection->checkValue, 14278429);
  EXPECT_EQ(Password(protection), "Secret");
  EXPECT_EQ(std::string(protection->password.scrambled.c_str()).find("Secret"), std::string::npos);
  EXPECT_EQ(protection->password.key.length, 64);

  SetProtectionPassword(protection, "");
  EXPECT_FALSE(IsProtected(protection));
  EXPECT_EQ(protection->checkValue, 0);
  EXPECT_EQ(Password(protection), "");
}

TEST_F(ProtectionTest, ControlCharactersNeverEnterAPassword) {
  // A TAB, CR or LF would break the "##Protection" line of the next save.
  SetProtectionPassword(protection, "\tSe\x01" "cr\r\net\x1F");
  EXPECT_EQ(Password(protection), "Secret");
  EXPECT_EQ(protection->checkValue, PasswordCheckValue("Secret"));
  SetProtectionPassword(protection, "\t\r\n");
  EXPECT_FALSE(IsProtected(protection));
}

TEST_F(ProtectionTest, CopyingTakesThePasswordAndWipesTheClearCopy) {
  // Long enough that every copy lives in an allocated block rather than inside a text buffer.
  // Built in place, with letters that never repeat a run, so no other block holds its middle.
  std::string secret;
  secret.reserve(320);
  uint32_t seed = 12345;
  while (secret.size() < 300) {
    seed = seed * 1103515245u + 12345u;
    secret += static_cast<char>('a' + (seed >> 16) % 26);
  }
  std::string_view probe = std::string_view(secret).substr(100, 40);
  std::vector<char*> blocks;
  blocks.reserve(kMemSmallLimit / 16 + 1);
  Protection* source = ProtectionCreate(&base);
  SetProtectionPassword(source, secret.c_str());
  InstallProtection(protection, source);
  EXPECT_FALSE(FreedMemoryHolds(probe, &blocks));
  EXPECT_EQ(protection->checkValue, source->checkValue);
  EXPECT_EQ(Password(protection), secret);
  EXPECT_EQ(Password(source), secret);
  EXPECT_NE(protection->password.key.c_str(), std::string(source->password.key.c_str()));
  ProtectionFree(source);
}

TEST_F(ProtectionTest, SectionLineReadAndWritten) {
  std::string text = "##Protection\t pass word \r\nignored\tline\r\n##WebUsers\r\n";
  T_IStream in;
  in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  ASSERT_TRUE(in.NextLine());
  ASSERT_TRUE(in.NextField());  // the dispatcher has read the tag
  ReadProtection(protection, &in);
  EXPECT_EQ(Password(protection), " pass word ");   // raw: blanks are part of it
  EXPECT_EQ(text.find("pass"), std::string::npos);  // wiped from the reading buffer
  ASSERT_TRUE(in.NextField());                      // the next section's line, rewound
  EXPECT_EQ(std::string(in.Field(), in.FieldLength()), "##WebUsers");

  T_OStream out;
  out.PutText("##Protection");
  out.PutSeparator();
  WriteProtection(protection, &out);
  EXPECT_EQ(Written(out), "##Protection\t pass word \r\n");

  // A line read from its start, and a line without a password.
  std::string bare = "##Protection\r\n";
  T_IStream again;
  again.CtorFromMemory(bare.data(), static_cast<int64_t>(bare.size()));
  ASSERT_TRUE(again.NextLine());
  ReadProtection(protection, &again);
  EXPECT_FALSE(IsProtected(protection));
}

TEST_F(ProtectionTest, PromptsAnswerCancelledUnlessAnswered) {
  T_TextBuf typed;
  EXPECT_FALSE(AskFilePassword(nullptr, "a.qeb", &typed));  // nothing set: cancelled
  PasswordAnswerInAdvance("open sesame");
  EXPECT_TRUE(AskFilePassword(nullptr, "a.qeb", &typed));
  EXPECT_STREQ(typed.c_str(), "open sesame");
  PasswordAnswerInAdvance("");
  EXPECT_FALSE(AskFilePassword(nullptr, "a.qeb", &typed));  // an empty answer is a cancel

  static std::vector<PasswordPromptRequest> seen;
  seen.clear();
  SetPasswordPrompt([](const PasswordPromptRequest* request, T_TextBuf* password) {
    seen.push_back(*request);
    TextBufAssign(password, "from dialog");
    return kPasswordConfirmed | kPasswordKeychain;
  });
  PasswordAnswerInAdvance(nullptr);  // the answer in advance goes first, here a cancel
  EXPECT_FALSE(AskFilePassword(nullptr, "a.qeb", &typed));
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(AskFilePassword(&base, "b.qeb", &typed));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].kind, kPasswordPromptFile);
  EXPECT_EQ(seen[0].owner, &base);
  EXPECT_STREQ(seen[0].fileName, "b.qeb");
}

TEST_F(ProtectionTest, ProtectedWindowsAndTextSavesAskForThePassword) {
  struct Case {
    const char* password;  // of the database
    int32_t saveKind;
    const char* answer;  // null: cancelled
    bool passes;
    int32_t pendingError;
  };
  const Case cases[] = {
      {"", 1, nullptr, true, 0},            // not protected: no question
      {"Secret", 5, "unused", true, 0},     // kept as text anyway
      {"Secret", 1, "SECRET", true, 0},     // letter case does not count
      {"Secret", 1, "wrong", false, 3814},  // confirmed but wrong
      {"Secret", 1, nullptr, false, 0},     // cancelled: no error
  };
  for (bool toSaveText : {false, true}) {
    for (const Case& c : cases) {
      PendingErrorClear();
      SetProtectionPassword(protection, c.password);
      base.saveKind = c.saveKind;
      PasswordAnswerInAdvance(c.answer);
      bool passes = toSaveText ? AskPasswordToSaveText(protection) : AskPasswordToShow(protection);
      EXPECT_EQ(passes, c.passes) << c.password << " " << (c.answer ? c.answer : "cancel");
      EXPECT_EQ(PendingError.request.message, c.pendingError);
      // A question that was not asked leaves its answer waiting.
      bool asked = c.password[0] != 0 && c.saveKind != 5;
      PasswordPromptRequest next;
      T_TextBuf unused;
      EXPECT_EQ(AskPassword(&next, &unused) == kPasswordConfirmed, !asked && c.answer != nullptr);
    }
  }
}

}  // namespace
