// The same-file test of the path layer: different spellings of one file's path are one file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/files.h"
#include "scratch_folder.h"

namespace {

// Makes the folder current for the life of the object.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    SetCurrentDirectoryW(WidePathText(folder.c_str()).c_str());
  }
  ~CurrentFolder() { SetCurrentDirectoryW(previous_); }

 private:
  wchar_t previous_[MAX_PATH] = {};
};

TEST(PathSameFile, SpellingsOfOneFileMatch) {
  ScratchFolder folder;
  CreateFolder((folder / "sub").c_str());
  WriteWholeFile(folder / "Sales.qeb", "x");
  WriteWholeFile(folder / "Other.qeb", "y");
  std::string full = folder / "Sales.qeb";
  CurrentFolder here(folder.path());

  struct Case {
    std::string other;
    bool same;
  };
  const Case cases[] = {
      {full, true},
      {"Sales.qeb", true},                    // relative to the current folder
      {".\\sub\\..\\Sales.qeb", true},        // a detour
      {folder / "sub\\..\\SALES.QEB", true},  // a detour in another letter case
      {"\"" + full + "\"", true},             // quoted
      {folder / "Other.qeb", false},
      {folder / "sub\\Sales.qeb", false},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathSameFile(full.c_str(), c.other.c_str()), c.same) << c.other;
    EXPECT_EQ(PathSameFile(c.other.c_str(), full.c_str()), c.same) << c.other;
  }
}

TEST(PathSameFile, MissingFilesCompareIgnoringCase) {
  ScratchFolder folder;
  CurrentFolder here(folder.path());
  std::string missing = folder / "Not There.qeb";
  EXPECT_TRUE(PathSameFile(missing.c_str(), "not there.QEB"));
  EXPECT_FALSE(PathSameFile(missing.c_str(), "Not There.qex"));
  T_TextBuf absolute;
  PathMakeAbsolute(&absolute, "");
  EXPECT_EQ(absolute.length, 0);
}

}  // namespace
