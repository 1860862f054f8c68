#include "core/key_value_table.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/memory.h"

namespace {

class KeyValueTableTest : public ::testing::Test {
 protected:
  void SetUp() override { KeyValueTableInit(&table, 16); }
  void TearDown() override { KeyValueTableFree(&table); }

  std::string Written() {
    int64_t length = 0;
    char* block = KeyValueTableWrite(&table, &length);
    EXPECT_NE(block, nullptr);
    std::string text(block, static_cast<size_t>(length));
    MemFree(block);
    return text;
  }
  void Read(const std::string& text) { ReadInto(&table, text.data(), text.size()); }
  static void ReadInto(KeyValueTable* into, const char* bytes, size_t n) {
    T_IStream stream;
    stream.CtorFromMemory(bytes, static_cast<int64_t>(n));
    KeyValueTableRead(into, &stream);
  }
  // The value, or "<absent>".
  std::string Get(const char* key) {
    T_TextBuf buffer;
    const char* value = KeyValueTableGet(&table, key, &buffer);
    return value ? value : "<absent>";
  }

  KeyValueTable table;
};

std::string TempPath(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

TEST_F(KeyValueTableTest, SetAndGet) {
  EXPECT_FALSE(table.changed);
  EXPECT_TRUE(KeyValueTableSet(&table, "colour", "blue"));
  EXPECT_TRUE(table.changed);
  EXPECT_TRUE(KeyValueTableSet(&table, "size", "10"));
  EXPECT_TRUE(KeyValueTableSet(&table, "colour", "red"));
  EXPECT_TRUE(KeyValueTableSet(&table, "size", ""));
  EXPECT_FALSE(KeyValueTableSet(&table, "", "x"));
  EXPECT_FALSE(KeyValueTableSet(&table, nullptr, "x"));
  EXPECT_EQ(KeyValueTableCount(&table), 2);
  EXPECT_EQ(Get("colour"), "red");
  EXPECT_EQ(Get("size"), "");
  EXPECT_EQ(KeyValueTableAt(&table, 1)->value, nullptr);
  EXPECT_EQ(Get("Colour"), "<absent>");  // keys are compared byte for byte

  T_TextBuf buffer("kept");
  EXPECT_EQ(KeyValueTableGet(&table, "missing", &buffer), nullptr);
  EXPECT_STREQ(buffer.c_str(), "kept");
}

TEST_F(KeyValueTableTest, GrowsPastTheIndexFillLimitAndClears) {
  const int n = 5000;
  for (int i = 0; i < n; ++i)
    ASSERT_TRUE(KeyValueTableSet(&table, ("key" + std::to_string(i)).c_str(),
                                 std::to_string(i * 7).c_str()));
  EXPECT_GT(table.index.slotCount, 1031);
  EXPECT_EQ(table.index.entryCount, n);
  for (int i = 0; i < n; ++i)
    ASSERT_EQ(Get(("key" + std::to_string(i)).c_str()), std::to_string(i * 7));
  EXPECT_STREQ(KeyValueTableAt(&table, 4321)->key, "key4321");  // record order is insertion order
  KeyValueTableClear(&table);
  EXPECT_EQ(KeyValueTableCount(&table), 0);
  EXPECT_EQ(table.index.slotCount, 1031);
  EXPECT_EQ(Get("key1"), "<absent>");
  EXPECT_TRUE(KeyValueTableSet(&table, "key1", "again"));
  EXPECT_EQ(Get("key1"), "again");
}

TEST_F(KeyValueTableTest, WritesKeyTabValueCrLf) {
  KeyValueTableSet(&table, "a", "1");
  KeyValueTableSet(&table, "empty", nullptr);
  KeyValueTableSet(&table, "multi", "line one\r\nline\ttwo");
  KeyValueTableSet(&table, "\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC");
  EXPECT_EQ(Written(),
            "a\t1\r\nempty\t\r\nmulti\tline one  line two\r\n\xC3\xA9t\xC3\xA9\t\xE2\x82\xAC\r\n");
  EXPECT_FALSE(table.changed);
  // What was written reads back as the same table.
  KeyValueTable copy;
  KeyValueTableInit(&copy, 0);
  std::string text = Written();
  ReadInto(&copy, text.data(), text.size());
  EXPECT_EQ(KeyValueTableCount(&copy), 4);
  T_TextBuf buffer;
  EXPECT_STREQ(KeyValueTableGet(&copy, "multi", &buffer), "line one  line two");
  KeyValueTableFree(&copy);
}

TEST_F(KeyValueTableTest, ReadsEveryLineEnd) {
  Read(
      "crlf\tone\r\n"
      "lf\ttwo\n"
      "cr\tthree\r"
      "lfcr\tfour\n\r"
      "\r\n"                  // empty line
      "\tno key\r\n"          // skipped
      "blanks  \tfive  \r\n"  // trailing blanks go
      "extra\tsix\tseventh\r\n"
      "only key\r\n"
      "crlf\tlast value wins\r\n"
      "unterminated\tend");
  EXPECT_FALSE(table.changed);
  const struct {
    const char* key;
    const char* value;
  } expected[] = {
      {"crlf", "last value wins"}, {"lf", "two"},    {"cr", "three"},  {"lfcr", "four"},
      {"blanks", "five"},          {"extra", "six"}, {"only key", ""}, {"unterminated", "end"}};
  EXPECT_EQ(KeyValueTableCount(&table), 8);
  for (const auto& e : expected) EXPECT_EQ(Get(e.key), e.value) << e.key;
}

TEST_F(KeyValueTableTest, DamagedTextNeverReadsOutsideIt) {
  std::string good = "\xEF\xBB\xBFk1\tv1\r\nkey two\tvalue two\r\n\xC3\xA9\t\xE2\x82\xAC\r\n";
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    // A copy of exactly the cut length, so any overrun lands outside the block.
    std::vector<char> head(good.begin(), good.begin() + static_cast<long>(cut));
    KeyValueTableClear(&table);
    ReadInto(&table, head.data(), head.size());
    EXPECT_LE(KeyValueTableCount(&table), 3);
  }
  for (size_t bit = 0; bit < good.size() * 8; ++bit) {
    std::string damaged = good;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << (bit % 8)));
    KeyValueTableClear(&table);
    Read(damaged);
    EXPECT_LE(KeyValueTableCount(&table), 4);
  }
}

TEST_F(KeyValueTableTest, SaveAndLoadAFile) {
  std::string path = TempPath("qeb key value \xC3\xA9.cfg");
  KeyValueTableSet(&table, "name", "QEB");
  KeyValueTableSet(&table, "folder", "C:\\data");
  ASSERT_TRUE(KeyValueTableSave(&table, path.c_str()));
  EXPECT_FALSE(table.changed);

  std::wstring wide(path.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(),
                                                      static_cast<int>(wide.size())) -
                                  1));
  HANDLE file =
      CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char bytes[64];
  DWORD got = 0;
  ReadFile(file, bytes, sizeof(bytes), &got, nullptr);
  CloseHandle(file);
  EXPECT_EQ(std::string(bytes, got), "\xEF\xBB\xBFname\tQEB\r\nfolder\tC:\\data\r\n");

  KeyValueTable loaded;
  KeyValueTableInit(&loaded, 0);
  ASSERT_TRUE(KeyValueTableLoad(&loaded, path.c_str()));
  T_TextBuf buffer;
  EXPECT_STREQ(KeyValueTableGet(&loaded, "folder", &buffer), "C:\\data");
  EXPECT_EQ(KeyValueTableCount(&loaded), 2);
  KeyValueTableFree(&loaded);
  DeleteFileW(wide.c_str());
}

// A ".cfg" saved by an editor: the file stream finds its encoding.
TEST_F(KeyValueTableTest, LoadReadsFilesInEveryEncodingAnEditorSaves) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"UTF-8 with its mark", "\xEF\xBB\xBFname\t\xC3\xA9t\xC3\xA9\r\nsize\t10\r\n"},
      {"the ANSI code page", "name\t\xE9t\xE9\r\nsize\t10\r\n"},
      {"UTF-16 LE with its mark",
       std::string("\xFF\xFEn\0a\0m\0e\0\t\0\xE9\0t\0\xE9\0\r\0\n\0s\0i\0z\0e\0\t\0"
                   "1\0"
                   "0\0",
                   36)},
  };
  std::string path = TempPath("qeb key value load.cfg");
  std::wstring wide(path.begin(), path.end());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    WriteFile(file, c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &put, nullptr);
    CloseHandle(file);
    KeyValueTableClear(&table);
    ASSERT_TRUE(KeyValueTableLoad(&table, path.c_str()));
    EXPECT_EQ(KeyValueTableCount(&table), 2);
    EXPECT_EQ(Get("name"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Get("size"), "10");
  }
  DeleteFileW(wide.c_str());
}

TEST_F(KeyValueTableTest, UnwritableFileKeepsTheTableChanged) {
  KeyValueTableSet(&table, "k", "v");
  std::string path = TempPath("no such folder\\x.cfg");
  EXPECT_FALSE(KeyValueTableSave(&table, path.c_str()));
  EXPECT_TRUE(table.changed);
  EXPECT_FALSE(KeyValueTableLoad(&table, path.c_str()));
  EXPECT_EQ(Get("k"), "v");
  EXPECT_EQ(PendingError.request.message, 605);
  PendingErrorClear();
}

}  // namespace
