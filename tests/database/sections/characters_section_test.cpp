#include <gtest/gtest.h>

#include <string>

#include "core/code_pages.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/base_sections.h"
#include "database/save_options.h"
#include "section_stream_fixture.h"

namespace {

using CharactersSection = SectionTest;

// The reference sets as Windows Latin 1 writes them: "." for what the page lacks.
const std::string kLatin1Sets =
    "U\t\xC4\xC1\xC0\xC2\xC3\xC6\xC5 \xCB\xC9\xC8\xCA \xCF\xCD\xCC\xCE "
    "\xD6\xD3\xD2\xD4\xD5\xD8\x8C\xDC\xDA\xD9\xDB \xC7\xD1\r\n"
    "L\t\xE4\xE1\xE0\xE2\xE3\xE6\xE5 \xEB\xE9\xE8\xEA \xEF\xED\xEC\xEE "
    "\xF6\xF3\xF2\xF4\xF5\xF8\x9C\xFC\xFA\xF9\xFB \xE7\xF1\r\n"
    "X\t\xB1\xAC\xF7..\xAB\xBB \x83..... \xA2\xA3\xA7.\xDF\xB5\xB6\xA5\x80 "
    "\xAA\xBA\xA9\xAE\xBF\xA1\xB4`\xA8\xB0\x89\x99\x86\x87\x85\xA0\x91\x92\x93\x94\r\n";

// The card-title label after reading a characters section and then a base options section that
// sets it, both in the given encoding.
std::string LabelAfter(const std::string& characters, const std::string& label,
                       TextEncoding encoding) {
  T_Base database(nullptr, 0);
  TextInput input(
      "##Characters\r\n" + characters + "##BaseOptions\r\nCT\t" + label + "\r\n##End\r\n",
      encoding);
  readDatabaseSections(&database, &input.stream);
  return database.cardTitleLabel != nullptr ? database.cardTitleLabel : "";
}

TEST_F(CharactersSection, GoldenInUtf8AndInACodePage) {
  SaveOnly(base, {kSectionCharacters});
  EXPECT_EQ(Save(base), kCharactersGolden + "##End\r\n");

  // The file information is written the same in any encoding; only the sets differ.
  std::string info = kCharactersGolden.substr(kCharactersGolden.find("v\t"));
  EXPECT_EQ(Save(base, kEncodingLatin1), "##Characters\r\n" + kLatin1Sets + info + "##End\r\n");

  // A text form carries no file information.
  base->saveOptions.kind = kSaveKindText;
  std::string sets = kCharactersGolden.substr(0, kCharactersGolden.find("v\t"));
  EXPECT_EQ(Save(base), sets + "\r\n##End\r\n");
}

TEST_F(CharactersSection, AFileInAnotherPageIsTranslatedBack) {
  // Written on a Macintosh page, read as Windows Latin 1: every accented letter and sign comes
  // out as another character, and the sets put each one right.
  const std::string label = "\xC3\x84pfel \xE2\x82\xAC \xE2\x89\x88 \xC5\x93 Z?";  // Äpfel € ≈ œ Z?
  SaveOnly(base, {kSectionCharacters, kSectionBaseOptions});
  base->SetCardTitleLabel(label.c_str());
  std::string mac = Save(base, kEncodingMacRoman);
  T_Base database(nullptr, 0);
  EXPECT_TRUE(Load(&database, mac, kEncodingLatin1));
  ASSERT_NE(database.cardTitleLabel, nullptr);
  EXPECT_EQ(std::string(database.cardTitleLabel), label);
  // Without the section the same bytes read as they stand.
  EXPECT_NE(LabelAfter("", "\x80pfel", kEncodingLatin1), "\xC3\x84pfel");
}

TEST_F(CharactersSection, OnlyTrustworthyRenderingsTranslate) {
  const std::string sets = kCharactersGolden.substr(14, kCharactersGolden.find("v\t") - 14);
  auto replaced = [&sets](const std::string& from, const std::string& to) {
    std::string text = sets;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  // Windows Latin 1 as other programs write it: "?" for every character the page lacks.
  std::string questionMarks = kLatin1Sets;
  for (char& c : questionMarks) {
    if (c == '.') c = '?';
  }
  const struct {
    const char* why;
    std::string characters;
    TextEncoding encoding;
    std::string label;
    std::string read;
  } cases[] = {
      {"the page's own rendering", sets, kEncodingUtf8, "\xC3\x84?=", "\xC3\x84?="},
      {"\"?\" for missing characters", questionMarks, kEncodingLatin1, "a?b=c", "a?b=c"},
      {"one character in another's place", replaced("\xC3\x84", "\xC2\xA4"), kEncodingUtf8,
       "\xC2\xA4", "\xC3\x84"},
      {"a set that lost a character", replaced("\xC3\x84\xC3\x81", "\xC2\xA4"), kEncodingUtf8,
       "\xC2\xA4", "\xC2\xA4"},
      {"a character met by two references",
       replaced("\xC3\x84\xC3\x81\xC3\x80", "\xC2\xA4\xC2\xA4\xC2\xA6"), kEncodingUtf8,
       "\xC2\xA4\xC2\xA6", "\xC2\xA4\xC3\x80"},
      {"a character that stands for itself elsewhere", replaced("\xC3\x84", "\xC3\x81"),
       kEncodingUtf8, "\xC3\x81", "\xC3\x81"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LabelAfter(c.characters, c.label, c.encoding), c.read) << c.why;
}

TEST_F(CharactersSection, AnEncodingLineAppliesToTheRestOfTheFile) {
  EXPECT_EQ(LabelAfter("E\tMac Roman\r\n", "\x80pfel", kEncodingUtf8), "\xC3\x84pfel");
  EXPECT_EQ(LabelAfter("E\tno such page\r\n", "plain", kEncodingUtf8), "plain");
}

TEST_F(CharactersSection, FileInformationIsReadUnlessImporting) {
  const std::string section =
      "##Characters\r\nv\tQEB 5.6\r\nt\t32-bit x86\r\ns\tWindows XP\r\nm\tDESK\r\nu\tann\r\n"
      "c\t69-01-02 03:04:05\r\nq\tignored\r\n##End\r\n";
  base->readFlags = kOpenFlagImport;
  Load(base, section);
  EXPECT_EQ(base->fileInfo.computerName, nullptr);
  base->readFlags = 0;
  Load(base, section);
  const FileInfo& info = base->fileInfo;
  EXPECT_STREQ(info.versionLabel, "QEB 5.6");
  EXPECT_STREQ(info.platform, "32-bit x86");
  EXPECT_STREQ(info.operatingSystem, "Windows XP");
  EXPECT_STREQ(info.computerName, "DESK");
  EXPECT_STREQ(info.userName, "ann");
  EXPECT_STREQ(info.saveTime, "2069-01-02 03:04:05");  // two-digit years from 1970
  Load(base, "##Characters\r\nc\tsoon\r\n##End\r\n");
  EXPECT_EQ(info.saveTime, nullptr);
}

TEST_F(CharactersSection, FileInformationOfASaveMadeNow) {
  FileInfo info;
  FillFileInfo(&info);
  EXPECT_STREQ(info.versionLabel, "QEB 5.7");
  EXPECT_STREQ(info.platform, "64-bit x86");
  EXPECT_STREQ(info.operatingSystem, "Windows Seven");
  EXPECT_STREQ(info.computerName, "BUILDHOST");
  EXPECT_STREQ(info.userName, "tester");
  EXPECT_STREQ(info.saveTime, "2024-05-06 10:20:30");
  // A user name that could break the line stays one field.
  const SystemIdentity odd = {16, "HOST", "a\tb"};
  SetSystemIdentity(&odd);
  SaveOnly(base, {kSectionCharacters});
  EXPECT_NE(Save(base).find("\r\nu\ta b\r\n"), std::string::npos);
  FreeFileInfo(&info);
}

}  // namespace
