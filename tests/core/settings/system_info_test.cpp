#include "core/system_info.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "core/bitmap_cache.h"
#include "core/clipboard_memory.h"
#include "core/memory.h"

namespace {

TEST(SystemInfo, VersionCodesAndNames) {
  struct Case {
    unsigned major, minor;
    int code;
    const char* name;
  };
  const Case cases[] = {
      {4, 0, 5, "Windows NT4"},    {5, 0, 6, "Windows 2000"},  {5, 1, 7, "Windows XP"},
      {5, 2, 7, "Windows XP"},     {6, 0, 8, "Windows Vista"}, {6, 1, 16, "Windows Seven"},
      {6, 3, 16, "Windows Seven"}, {10, 0, 0, "Unknown OS"},   {3, 51, 0, "Unknown OS"}};
  for (const Case& c : cases) {
    EXPECT_EQ(OsVersionCodeOf(c.major, c.minor), c.code) << c.major << "." << c.minor;
    EXPECT_STREQ(OsVersionName(c.code), c.name);
  }
  EXPECT_STREQ(OsVersionName(18), "Windows 10");
  EXPECT_STREQ(OsVersionName(23), "Mac OS 10.14");
  EXPECT_STREQ(OsVersionName(24), "Unknown OS");
  EXPECT_STREQ(OsVersionName(-1), "Unknown OS");
}

TEST(SystemInfo, MemoryClasses) {
  struct Case {
    uint64_t megabytes;
    int memoryClass;
    const char* name;
  };
  const Case cases[] = {{16, 0, "Unknown mem"}, {28, 0, "Unknown mem"},  {32, 1, "32 MB"},
                        {48, 2, "48 MB"},       {64, 3, "64 MB"},        {3993, 15, "4 GB"},
                        {4096, 15, "4 GB"},     {7168, 16, "6 GB"},      {16384, 19, "16 GB"},
                        {1 << 20, 31, "1 TB"},  {1ull << 24, 31, "1 TB"}};
  for (const Case& c : cases) {
    EXPECT_EQ(MemoryClassOf(c.megabytes), c.memoryClass) << c.megabytes;
    EXPECT_STREQ(MemoryClassName(c.memoryClass), c.name);
  }
  EXPECT_STREQ(MemoryClassName(32), "Unknown mem");
  EXPECT_GE(MemoryClass(), 1);

  T_TextBuf line;
  MemoryLine(&line, 16, WordSizeClass());
  EXPECT_STREQ(line.c_str(), "6 GB, 64 bits");
  MemoryLine(&line, 1, 1);
  EXPECT_STREQ(line.c_str(), "32 MB");
  MemoryLine(&line, 15, 2);
  EXPECT_STREQ(line.c_str(), "4 GB, 32/64 bits");
  EXPECT_EQ(WordSizeName(4), nullptr);
  EXPECT_GE(ProcessorCount(), 1);
}

TEST(SystemInfo, NamesAndSession) {
  char name[32];
  memset(name, 'x', sizeof name);
  ReadComputerName(name);
  EXPECT_GT(strlen(name), 0u);
  EXPECT_LT(strlen(name), 32u);
  ReadUserName(name);
  EXPECT_LT(strlen(name), 32u);

  EXPECT_TRUE(IsWebServerAccountName("IUSR_WEB01"));
  EXPECT_TRUE(IsWebServerAccountName("iusr_x"));
  EXPECT_FALSE(IsWebServerAccountName("IUSR"));
  EXPECT_FALSE(IsWebServerAccountName("Administrator"));
  EXPECT_FALSE(IsWebServerAccountName(nullptr));

  struct Case {
    const char* value;
    bool ica;
  };
  const std::string longIca = "ICA-" + std::string(200, 'z');
  const Case cases[] = {{"ICA-tcp#5", true}, {"ICA", true},    {"ica-tcp#5", false},
                        {"Console", false},  {nullptr, false}, {longIca.c_str(), true}};
  char old[256] = {};
  bool had = GetEnvironmentVariableA("SESSIONNAME", old, sizeof old) > 0;
  for (const Case& c : cases) {
    SetEnvironmentVariableA("SESSIONNAME", c.value);
    EXPECT_EQ(IsIcaSession(), c.ica) << (c.value ? c.value : "(none)");
  }
  SetEnvironmentVariableA("SESSIONNAME", had ? old : nullptr);
}

TEST(SystemInfo, FixedIdentityStandsForTheMachine) {
  char real[32];
  ReadComputerName(real);
  int32_t realCode = OsVersionCode();
  const std::string longName = "IUSR_" + std::string(40, 'u');
  SystemIdentity identity{16, "BUILDHOST", longName.c_str()};
  SetSystemIdentity(&identity);
  char name[32];
  ReadComputerName(name);
  EXPECT_STREQ(name, "BUILDHOST");
  ReadUserName(name);
  EXPECT_EQ(std::string(name), longName.substr(0, 31));
  EXPECT_TRUE(IsWebServerAccount());
  EXPECT_EQ(OsVersionCode(), 16);
  SystemIdentity empty{0, nullptr, nullptr};
  SetSystemIdentity(&empty);
  ReadUserName(name);
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(IsWebServerAccount());
  SetSystemIdentity(nullptr);
  ReadComputerName(name);
  EXPECT_STREQ(name, real);
  EXPECT_EQ(OsVersionCode(), realCode);
}

TEST(SystemInfo, InstanceSettingsNameNamesLaterInstances) {
  T_TextBuf program, name;
  ProgramNameFromModule(&program);
  EXPECT_STREQ(program.c_str(), "core_settings_tests");
  InstanceSettingsName(&name);
  EXPECT_STREQ(name.c_str(), "core_settings_tests");
  SetInstanceNumber(2);
  InstanceSettingsName(&name);
  SetInstanceNumber(0);
  EXPECT_STREQ(name.c_str(), "core_settings_tests\\Instance 3");
}

std::wstring GlobalText(HGLOBAL handle) {
  const auto* wide = static_cast<const wchar_t*>(GlobalLock(handle));
  std::wstring text(wide, GlobalSize(handle) / 2);
  GlobalUnlock(handle);
  return text;
}

TEST(ClipboardMemory, TextsBecomeUtf16AndBack) {
  HGLOBAL empty = TextToHGlobal("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GlobalText(empty), std::wstring(1, L'\0'));
  GlobalFree(empty);

  HGLOBAL text = TextToHGlobal("a\r\nb \xC3\xA9\xE2\x82\xAC\r\n\r\n");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(GlobalText(text), std::wstring(L"a\r\nb \u00E9\u20AC\r\n\r\n", 12));
  char* back = HGlobalToUtf8(text);
  ASSERT_NE(back, nullptr);
  EXPECT_STREQ(back, "a\rb \xC3\xA9\xE2\x82\xAC\r\r");
  EXPECT_EQ(MemSize(back), static_cast<int64_t>(strlen(back)) + 1);
  MemFree(back);
  GlobalFree(text);

  // A block without its terminating 0 is read no further than its size.
  HGLOBAL unterminated = GlobalAlloc(GMEM_MOVEABLE, 4);
  auto* units = static_cast<wchar_t*>(GlobalLock(unterminated));
  units[0] = L'o';
  units[1] = L'k';
  GlobalUnlock(unterminated);
  back = HGlobalToUtf8(unterminated);
  EXPECT_STREQ(back, "ok");
  MemFree(back);
  GlobalFree(unterminated);
  EXPECT_EQ(HGlobalToUtf8(nullptr), nullptr);
}

TEST(ClipboardMemory, BlocksCopyWhole) {
  void* block = MemAlloc(300, 0);
  for (int i = 0; i < 300; i++)
    static_cast<unsigned char*>(block)[i] = static_cast<unsigned char>(i);
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, 8);  // replaced, never leaked
  BlockToHGlobal(&handle, block);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(GlobalSize(handle), 300u);

  void* copy = MemAlloc(10, 0);  // replaced by the copy
  HGlobalToBlock(&copy, handle);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(MemSize(copy), 300);
  EXPECT_EQ(memcmp(copy, block, 300), 0);

  BlockToHGlobal(&handle, nullptr);
  EXPECT_EQ(handle, nullptr);
  HGlobalToBlock(&copy, nullptr);
  EXPECT_EQ(copy, nullptr);
  MemFree(block);
}

TEST(BitmapCache, LoadsEachBitmapOnce) {
  HBITMAP first = BitmapGetCached(4900);
  ASSERT_NE(first, nullptr);
  BITMAP info{};
  ASSERT_EQ(GetObjectA(first, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 2);
  EXPECT_EQ(BitmapGetCached(4900), first);
  EXPECT_EQ(BitmapGetCached(4999), nullptr);
  BitmapCacheFree();
  EXPECT_EQ(GetObjectType(first), 0u) << "freeing the cache deletes its bitmaps";
  HBITMAP again = BitmapGetCached(4900);
  EXPECT_NE(again, nullptr);
  BitmapCacheFree();
}

}  // namespace
