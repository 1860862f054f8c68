// Web users: the section read (twice, with the import flag, nameless users), logins, the writer,
// export and import, copies and comparisons, and subset renames.
#include "database/web_users.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/files.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/subsets.h"

namespace {

std::string Written(const T_OStream& out) {
  return std::string(reinterpret_cast<const char*>(out.start), out.BufferedLength());
}

// Reads the records after a "##WebUsers" tag line.
void Read(WebUserList* list, const std::string& records, bool import = false) {
  std::string text = "##WebUsers\r\n" + records;
  T_IStream in;
  in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  ASSERT_TRUE(in.NextLine());
  ReadWebUsers(list, &in, import);
}

std::string Records(const WebUserList* list) {
  T_OStream out;
  WriteWebUsers(list, &out);
  return Written(out);
}

class WebUsersTest : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override { PendingErrorClear(); }

  T_NoAlerts quiet;
  T_Base base{nullptr, 1};
  WebUserList* list = base.webUsers;
};

TEST_F(WebUsersTest, RecordsReadAndWriteInNameOrder) {
  const std::string records =
      "U\tann\tpw\r\nSB\r\nSG\tNorth\r\nTF\tReports*\r\nBI\r\nCL\r\nCN\r\nBD\r\nLG\tSWE\r\n"
      "FR\tfin\r\nU\tBob\t\r\nLG\tXX\r\n";
  Read(list, "U\tBob\r\nLG\tXX\r\n" + records.substr(0, records.find("U\tBob")));
  // Written back sorted; "LG" with an unknown code leaves the language unset and writes nothing.
  EXPECT_EQ(Records(list),
            "U\tann\tpw\r\nSB\r\nSG\tNorth\r\nTF\tReports*\r\nBI\r\nCL\r\nCN\r\nBD\r\nLG\tSWE\r\n"
            "FR\tFIN\r\nU\tBob\r\n");
  EXPECT_EQ(WebUserAt(list, 1)->language, -1);
  EXPECT_EQ(WebUserAt(list, 0)->language, 12);
  EXPECT_EQ(WebUserAt(list, 0)->format, 5);
}

TEST_F(WebUsersTest, SecondReadsRefillAndImportsRename) {
  Read(list, "U\tann\tone\r\nSG\tNorth\r\n");
  // The same section again: one user per name, cleared and filled anew.
  Read(list, "U\tANN\ttwo\r\n");
  ASSERT_EQ(WebUserCount(list), 1);
  EXPECT_STREQ(WebUserAt(list, 0)->password, "two");
  EXPECT_EQ(WebUserAt(list, 0)->subset, nullptr);
  // Pasted or imported: an existing name is raised until it is free.
  Read(list, "U\tann\tthree\r\nU\tann\tfour\r\n", true);
  EXPECT_EQ(Records(list), "U\tANN\ttwo\r\nU\tann.1\tthree\r\nU\tann.2\tfour\r\n");
  // A nameless "U" is ignored with its keys, up to the next named one; fields lose control
  // characters and outer blanks.
  Read(list, "U\t \tx\r\nBI\r\nSG\ty\r\nU\t carl\x01 \t p w \r\nCL\r\n");
  EXPECT_EQ(Records(list).substr(Records(list).find("U\tcarl")), "U\tcarl\tp w\r\nCL\r\n");
  EXPECT_EQ(WebUserCount(list), 4);
}

TEST_F(WebUsersTest, LoginsIgnoreLetterCase) {
  Read(list, "U\tAnn\tOpen\r\nU\tbob\r\n");
  struct Case {
    const char* name;
    const char* password;
    bool admitted;
  };
  const Case cases[] = {
      {"ann", "OPEN", true}, {"ANN", "open", true},  {"ann", "open ", false},
      {"bob", "", true},     {"bob", nullptr, true}, {"bob", "x", false},
      {"dora", "", false},   {"", "", false},        {nullptr, nullptr, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WebUserCheck(list, c.name, c.password), c.admitted) << (c.name ? c.name : "null");
  EXPECT_EQ(WebUserFind(list, "BOB"), 1);
  EXPECT_EQ(WebUserFind(list, "carl"), -1);
}

TEST_F(WebUsersTest, CopiesCompareAndDropNamelessUsers) {
  Read(list, "U\tann\tpw\r\nBD\r\n");
  WebUserList* copy = WebUserListCreate(&base);
  EXPECT_FALSE(WebUserListEqual(copy, list));
  int64_t nameless = WebUserAdd(copy);
  EXPECT_EQ(nameless, 0);
  ASSERT_TRUE(WebUserListCopy(copy, list));
  EXPECT_TRUE(WebUserListEqual(copy, list));
  WebUserAt(copy, 0)->drilling = 0;
  EXPECT_FALSE(WebUserListEqual(copy, list));
  WebUserAdd(copy);  // an empty user, as the editor adds one
  SortWebUsers(copy);
  EXPECT_EQ(WebUserCount(copy), 1);
  WebUserRemove(copy, 0);
  EXPECT_FALSE(WebUserListNotEmpty(copy));
  WebUserAdd(copy);
  WebUserListFree(copy);
}

TEST_F(WebUsersTest, ExportImportsBackAndDatabaseFilesAreRefused) {
  Read(list, "U\tann\tpw\r\nSG\tNorth\r\nU\tbob\tx\r\nLG\tUS\r\n");
  T_TextBuf path;
  MakeTempFileName(&path);
  ASSERT_TRUE(ExportWebUsers(list, path.c_str()));
  WebUserList* other = WebUserListCreate(&base);
  ASSERT_TRUE(ImportWebUsers(other, path.c_str()));
  EXPECT_TRUE(WebUserListEqual(other, list));
  // Into a list that has the users: the copies get names of their own.
  ASSERT_TRUE(ImportWebUsers(other, path.c_str()));
  EXPECT_EQ(WebUserCount(other), 4);
  EXPECT_NE(WebUserFind(other, "ann.1"), -1);

  FILE* file = std::fopen(path.c_str(), "wb");
  std::fputs("##QEB-Text\t121122\r\n##WebUsers\r\nU\tzed\r\n##End\r\n", file);
  std::fclose(file);
  EXPECT_FALSE(ImportWebUsers(other, path.c_str()));
  EXPECT_EQ(PendingError.request.message, 2111);
  EXPECT_EQ(WebUserFind(other, "zed"), -1);
  std::remove(path.c_str());
  WebUserListFree(other);
}

TEST_F(WebUsersTest, RenamedDatabaseSubsetsAreRenamedInUsers) {
  Read(list, "U\tann\r\nSG\tNorth & south\r\nU\tbob\r\nSG\tNorthern\r\n");
  Subset* subset = SubsetCreate(base.subsets, "North");
  ASSERT_NE(subset, nullptr);
  SubsetRename(subset, "Nord");
  EXPECT_STREQ(WebUserAt(list, 0)->subset, "Nord & south");
  EXPECT_STREQ(WebUserAt(list, 1)->subset, "Northern");
}

}  // namespace
