// Strict UTF-8 for texts that come from outside and go back out: what stays, and what becomes
// U+FFFD, also through a URL's %-escapes.
#include "core/strict_utf8.h"

#include <gtest/gtest.h>

#include <string>

#include "core/placeholders.h"

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(StrictUtf8, InvalidOverlongAndSurrogateBytesBecomeReplacements) {
  const struct {
    const char* name;
    std::string in, out;
  } cases[] = {
      {"ASCII and a NUL", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"the last character below the surrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"},
      {"an encoded surrogate", "q\xED\xA0\x80q", "q" + kFffd + kFffd + kFffd + "q"},
      {"a pair of encoded surrogates", "\xED\xA0\xBD\xED\xB8\x80",
       kFffd + kFffd + kFffd + kFffd + kFffd + kFffd},
      {"an overlong slash", "\xC0\xAF", kFffd + kFffd},
      {"an overlong three-byte NUL", "\xE0\x80\x80", kFffd + kFffd + kFffd},
      {"above U+10FFFF", "\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
      {"a lone continuation byte", "a\x80", "a" + kFffd},
      {"a sequence cut by the end", "a\xE2\x82", "a" + kFffd + kFffd},
      {"a sequence cut by ASCII", "\xE2(", kFffd + "("},
      {"bytes no UTF-8 has", "\xFE\xFF", kFffd + kFffd},
  };
  for (const auto& c : cases) {
    T_TextBuf text;
    TextBufAssignBytes(&text, c.in.data(), static_cast<int32_t>(c.in.size()));
    EXPECT_EQ(IsStrictUtf8(c.in.data(), static_cast<int32_t>(c.in.size())), c.in == c.out)
        << c.name;
    MakeStrictUtf8(&text);
    EXPECT_EQ(std::string(text.data, static_cast<size_t>(text.length)), c.out) << c.name;
    EXPECT_TRUE(IsStrictUtf8(text.data, text.length)) << c.name;
  }
}

TEST(StrictUtf8, UrlEscapesGiveOnlyStrictText) {
  T_TextBuf value;
  UrlGetParam("a=%ED%A0%80&b=%C3%A9%E2%82%AC&c=%C0%AF+x", "a", &value);
  EXPECT_EQ(std::string(value.c_str()), kFffd + kFffd + kFffd);
  UrlGetParam("a=%ED%A0%80&b=%C3%A9%E2%82%AC&c=%C0%AF+x", "b", &value);
  EXPECT_EQ(std::string(value.c_str()), "\xC3\xA9\xE2\x82\xAC");
  UrlGetParam("a=%ED%A0%80&b=%C3%A9%E2%82%AC&c=%C0%AF+x", "c", &value);
  EXPECT_EQ(std::string(value.c_str()), kFffd + kFffd + " x");
}

}  // namespace
