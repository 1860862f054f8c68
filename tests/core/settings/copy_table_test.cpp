#include "core/copy_table.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "core/settings_store.h"

namespace {

std::string Written(const CopyTableSettings& record, const char* before) {
  T_TextBuf text(before);
  CopyTableWrite(&record, &text);
  return text.c_str();
}

bool Same(const CopyTableSettings& a, const CopyTableSettings& b) {
  return memcmp(&a, &b, sizeof a) == 0;
}

TEST(CopyTableSettings, DefaultsAndTheirString) {
  CopyTableSettings record;
  memset(&record, 0x5A, sizeof record);
  CopyTableInit(&record);
  EXPECT_EQ(record.fieldSeparator, 9);
  EXPECT_EQ(record.thousandsSeparator, kSeparatorNone);
  EXPECT_EQ(Written(record, ""), "CA,DD,TN,F9,QN,RD");
  EXPECT_TRUE(Same(*CopyTableCurrent(), record));

  CopyTableSettings parsed;
  CopyTableInit(&parsed);
  CopyTableParse(&parsed, "");
  EXPECT_TRUE(Same(parsed, record));
  CopyTableParse(&parsed, nullptr);
  EXPECT_TRUE(Same(parsed, record));
}

TEST(CopyTableSettings, ParseReadsEachKey) {
  struct Case {
    const char* text;
    uint16_t decimal, thousands, field, fourth, lineEnd;
    uint8_t k, m;
    int code;
  };
  const Case cases[] = {
      {"F44,,K", 0, 1, 44, 1, 0, 1, 0, 0},
      {"F5", 0, 1, 0, 1, 0, 0, 0, 0},  // below 9: the current setting
      {"DL,TD,QD,RL,F59", 2, 0, 59, 0, 2, 0, 0, 0},
      {"D46,T32,R13,M,CV", 46, 32, 9, 1, 13, 0, 1, 5},
      {",,,Z9,F70000,C?,x", 0, 1, 0, 1, 0, 0, 0,
       0},                                   // unknown keys skipped; no 16-bit code: current
      {"F44,F59", 0, 1, 59, 1, 0, 0, 0, 0},  // the last entry wins
      {"F-12,C3", 0, 1, 0, 1, 0, 0, 0, 2},
  };
  for (const Case& c : cases) {
    CopyTableSettings record;
    CopyTableInit(&record);
    CopyTableParse(&record, c.text);
    EXPECT_EQ(record.decimalSeparator, c.decimal) << c.text;
    EXPECT_EQ(record.thousandsSeparator, c.thousands) << c.text;
    EXPECT_EQ(record.fieldSeparator, c.field) << c.text;
    EXPECT_EQ(record.fourthSeparator, c.fourth) << c.text;
    EXPECT_EQ(record.lineEnd, c.lineEnd) << c.text;
    EXPECT_EQ(record.flagK, c.k) << c.text;
    EXPECT_EQ(record.flagM, c.m) << c.text;
    EXPECT_EQ(record.code, c.code) << c.text;
  }
}

TEST(CopyTableSettings, WriteUpdatesInPlace) {
  CopyTableSettings record;
  CopyTableInit(&record);
  record.fieldSeparator = 44;
  record.flagM = 1;
  // Writing sets C, D, T, F, Q and R as well, so the flag's removal is not all that changes.
  EXPECT_EQ(Written(record, "F44,K,M"), "F44,M,CA,DD,TN,QN,RD");
  EXPECT_EQ(Written(record, "ZZ,K,F9,M,Y1"), "ZZ,F44,M,Y1,CA,DD,TN,QN,RD");
  record.flagK = record.flagW = record.flagN = record.flagE = record.flagX = 1;
  record.code = 3;
  record.lineEnd = kSeparatorLineBreak;
  EXPECT_EQ(Written(record, "CA,DD,TN,F9,QN,RD"), "C1,DD,TN,F44,QN,RL,K,W,N,E,X,M");

  // Whatever is written reads back as the same record.
  CopyTableSettings back;
  CopyTableInit(&back);
  CopyTableParse(&back, Written(record, "").c_str());
  EXPECT_TRUE(Same(back, record));

  struct Case {
    const char* before;
    char key;
    bool set;
    const char* after;
  };
  const Case flags[] = {{"F44,K", 'K', false, "F44,"}, {"K,F44", 'K', false, "F44"},
                        {"K,K,F9", 'K', false, "F9"},  {"F44", 'K', true, "F44,K"},
                        {"F44,K", 'K', true, "F44,K"}, {"", 'W', true, "W"}};
  for (const Case& c : flags) {
    T_TextBuf text(c.before);
    CopyTableSetFlag(&text, c.key, c.set);
    EXPECT_STREQ(text.c_str(), c.after) << c.before;
  }
  T_TextBuf text("F44,X,F9,Q1");
  CopyTableSetEntry(&text, 'F', "59");
  EXPECT_STREQ(text.c_str(), "F59,X,Q1");
}

TEST(CopyTableSettings, SaveWritesThePreference) {
  SetEnvironmentVariableA("SESSIONNAME", nullptr);
  SettingsStore store;
  SettingsOpen(&store, "QEB/TK", kSettingsUser);
  T_TextBuf before;
  SettingsRead(&store, "CopyTable", &before);
  SettingsWrite(&store, "CopyTable", "F44,K,Y7");
  SettingsClose(&store);

  CopyTableSettings saved = *CopyTableCurrent();
  CopyTableCurrent()->flagX = 1;
  CopyTableSave();
  *CopyTableCurrent() = saved;

  SettingsOpen(&store, "QEB/TK", kSettingsUser);
  T_TextBuf after;
  SettingsRead(&store, "CopyTable", &after);
  EXPECT_STREQ(after.c_str(), "F9,Y7,CA,DD,TN,QN,RD,X");
  if (before.empty())
    SettingsDelete(&store, "CopyTable");
  else
    SettingsWrite(&store, "CopyTable", before.c_str());
  SettingsClose(&store);
}

TEST(SeparatorNames, NamesAndCodes) {
  struct Case {
    uint32_t code;
    const char* name;
  };
  const Case cases[] = {{0, ""},       {9, "tab"},    {10, "linefeed"},   {13, "return"},
                        {32, "space"}, {44, "comma"}, {46, "point"},      {59, ";"},
                        {7, "#7"},     {1, "#1"},     {0xE9, "\xC3\xA9"}, {0x20AC, "\xE2\x82\xAC"}};
  for (const Case& c : cases) {
    T_TextBuf text("old");
    separatorToName(&text, c.code);
    EXPECT_STREQ(text.c_str(), c.name) << c.code;
    EXPECT_EQ(separatorFromName(text.c_str()), c.code) << c.name;
  }
  const std::pair<const char*, uint32_t> typed[] = {
      {nullptr, 0}, {" x", 32},   {"#0", 35}, {"#70000", 35}, {"#", 35},  {"#x", 35},
      {"li", 10},   {"LINE", 10}, {"Tab", 9}, {"cr", 13},     {"lf", 10}, {"co", 44},
      {"po", 46},   {"sp", 32},   {"re", 13}, {"xy", 'x'},    {"t", 't'}, {"\xC3\xA9", 0xE9}};
  for (const auto& [name, code] : typed)
    EXPECT_EQ(separatorFromName(name), code) << (name ? name : "null");
}

TEST(SizeLimit, ClampsToTheLimit) {
  EXPECT_EQ(MaxSizeLimit(), 0x7fffffffffffff00);
  EXPECT_EQ(ClampToLimit(5), 5);
  EXPECT_EQ(ClampToLimit(0x7fffffffffffffff), 0x7fffffffffffff00);
}

}  // namespace
