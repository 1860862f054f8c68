#include "core/files.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/alert.h"
#include "scratch_folder.h"

namespace {

std::string Normalized(const char* text) {
  T_TextBuf path;
  PathAssign(&path, text);
  return path.c_str();
}

TEST(PathNormalize, FoldsDotsQuotesAndKeepsTheRoot) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\qq\\..\\b", "C:\\b"},
      {"C:\\qa\\qb\\..\\c", "C:\\qa\\c"},
      {"C:\\qa\\qb\\..\\..\\c", "C:\\c"},
      {"\\..\\x", "\\..\\x"},  // at the very start: left alone
      {"C:\\qa\\.\\b", "C:\\qa\\b"},
      {"\"C:\\qa\\b\"", "C:\\qa\\b"},
      {"C:\\..\\x", "C:\\x"},  // the drive is never folded away
      {"C:\\..\\..\\x", "C:\\x"},
      {"\\\\srv\\share\\..\\x", "\\\\srv\\share\\x"},
      {"a\\..\\b", "b"},
      {"..\\..\\b", "..\\..\\b"},
  };
  for (const auto& c : cases) EXPECT_EQ(Normalized(c.in), c.out) << c.in;
}

TEST(PathTexts, NamesFoldersAndExtensions) {
  EXPECT_EQ(PathFindExtension("archive.backup"), 14);  // the dot is too far from the end
  EXPECT_EQ(PathFindExtension("a.txt"), 1);
  EXPECT_EQ(PathFindExtension("C:\\x.y\\abc"), 10);  // a dot in a folder is no extension
  EXPECT_STREQ(PathFindExtensionPtr("C:\\x.y\\abc"), "");
  EXPECT_STREQ(PathFindExtensionPtr("C:\\d\\a.b.txt"), "txt");
  EXPECT_STREQ(PathFindName("C:\\d\\n.txt"), "n.txt");
  EXPECT_STREQ(PathFindName("C:n.txt"), "n.txt");
  EXPECT_TRUE(PathIsAbsolute("C:\\x"));
  EXPECT_TRUE(PathIsAbsolute("\\\\srv\\x"));
  EXPECT_FALSE(PathIsAbsolute("dir\\x"));
  EXPECT_EQ(FirstSegmentLength("ab\\cd"), 2);

  T_TextBuf text;
  PathGetDir("C:\\d\\n.txt", &text);
  EXPECT_STREQ(text.c_str(), "C:\\d");
  PathGetDir("n.txt", &text);
  EXPECT_STREQ(text.c_str(), "");
  PathGetExtension("C:\\d\\n.txt", &text);
  EXPECT_STREQ(text.c_str(), "txt");

  T_TextBuf path("C:\\d\\n.txt");
  PathSetExtension(&path, "qex");
  EXPECT_STREQ(path.c_str(), "C:\\d\\n.qex");
  PathSetExtension(&path, nullptr);
  EXPECT_STREQ(path.c_str(), "C:\\d\\n");
  PathCutName(&path);
  EXPECT_STREQ(path.c_str(), "C:\\d\\");
  T_TextBuf shortPath("\\x");
  PathCutName(&shortPath);  // only one character would remain
  EXPECT_STREQ(shortPath.c_str(), "\\x");
}

// What the shell's "open" would run rather than show, however the name is dressed up.
TEST(PathTexts, ProgramsScriptsAndShortcutsAreKnownByTheirExtension) {
  const struct {
    const char* path;
    bool runs;
  } cases[] = {
      {"C:\\x\\setup.exe", true},
      {"setup.EXE", true},
      {"C:run.bat", true},
      {"\\\\h\\s\\a.lnk", true},
      {"a/b/c.Url", true},
      {"x.scr", true},
      {"x.ps1", true},
      {"x.msi", true},
      {"x.reg", true},
      {"x.jar", true},
      {"x.hta", true},
      {"x.vbs", true},
      {"x.cpl", true},
      {"x.wsh", true},  // in PATHEXT
      {"C:\\x\\a.exe.", true},
      {"a.exe . .", true},
      {"a.exe::$DATA", true},
      {"C:\\x\\report.pdf", false},
      {"notes.txt", false},
      {"C:\\tool.exe\\a.txt", false},
      {"C:\\tool.exe\\", true},  // a "folder" that is a program file
      {"noextension", false},
      {"", false},
      {nullptr, false},
      {".", false},
      {"archive.exe.zip", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathRunsProgram(c.path), c.runs) << (c.path ? c.path : "null");
  }
  // The variable adds its own extensions.
  wchar_t saved[2048] = {};
  DWORD had = GetEnvironmentVariableW(L"PATHEXT", saved, 2048);
  SetEnvironmentVariableW(L"PATHEXT", L".COM;.EXE;.FOO");
  EXPECT_TRUE(PathRunsProgram("a.foo"));
  EXPECT_FALSE(PathRunsProgram("a.msc"));
  EXPECT_TRUE(PathRunsProgram("a.lnk"));  // whatever the variable says
  SetEnvironmentVariableW(L"PATHEXT", had > 0 ? saved : nullptr);
}

TEST(PathEqual, HashesMustBeConfirmedByTheTexts) {
  EXPECT_EQ(PathHash(""), 0u);
  EXPECT_TRUE(PathEqual("C:\\Data\\A.qeb", "c:\\data\\a.QEB"));
  // Two different paths whose 24-bit hashes are equal.
  ASSERT_EQ(PathHash("C:\\q\\aaad"), PathHash("C:\\q\\baaa"));
  EXPECT_FALSE(PathEqual("C:\\q\\aaad", "C:\\q\\baaa"));
  EXPECT_FALSE(PathEqual("", ""));
}

TEST(WideTexts, ConversionsForWideCallsAreCutWhole) {
  T_WideBuf wide;
  WideBufFromUtf8(&wide, "\xC3\xA5x");
  WideBufAppendUtf8N(&wide, "yz", 1);
  WideBufAppendByte(&wide, 0xE9);
  WideBufAppendWide(&wide, L"!");
  EXPECT_EQ(std::wstring(wide.c_str()), L"\x00E5xy\x00E9!");
  WideBufFromUtf8N(&wide, "abc", 0);
  EXPECT_EQ(wide.length, 0);
  std::string big(40000, 'a');
  WideBufFromUtf8(&wide, big.c_str());
  EXPECT_EQ(wide.length, 32500);

  wchar_t fixed[4];
  EXPECT_EQ(Utf8ToWideFixed(fixed, sizeof(fixed), "abcdef"), 3);
  EXPECT_EQ(std::wstring(fixed), L"abc");
  EXPECT_EQ(Utf8ToWideFixed(fixed, 3 * sizeof(wchar_t), "a\xF0\x9F\x98\x80"), 1);  // no half pair
  EXPECT_EQ(Utf8ToWideFixed(fixed, sizeof(fixed), nullptr), 0);
  wchar_t list[8] = {};
  wchar_t* cursor = list;
  Utf8AppendWideAt(&cursor, "ab");
  Utf8AppendWideAt(&cursor, "\xC3\xA5");
  EXPECT_EQ(cursor - list, 3);
  EXPECT_EQ(std::wstring(list), L"ab\x00E5");
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override { PendingErrorClear(); }
  ScratchFolder folder;
};

TEST_F(FileTest, WriteReadAndTheOldTail) {
  std::string name = folder / "data.txt";
  SysFile file;
  FileInit(&file);
  ASSERT_TRUE(FileOpenWrite(&file, name.c_str()));
  EXPECT_EQ(FileWrite(&file, "0123456789", 10), 10);
  FileClose(&file);

  // Rewriting a shorter text keeps the old tail until the end is set.
  ASSERT_TRUE(FileOpenWrite(&file, name.c_str()));
  EXPECT_EQ(FileWrite(&file, "abc", 3), 3);
  FileClose(&file);
  EXPECT_EQ(ReadWholeFile(name), "abc3456789");
  ASSERT_TRUE(FileOpenWrite(&file, name.c_str()));
  FileWrite(&file, "xy", 2);
  EXPECT_EQ(FileTell(&file), 2);
  EXPECT_TRUE(FileSetEnd(&file));
  FileClose(&file);
  EXPECT_EQ(ReadWholeFile(name), "xy");
  EXPECT_EQ(FileSizeOfPath(name.c_str()), 2);

  char buffer[8] = {};
  ASSERT_TRUE(FileOpenRead(&file, name.c_str()));
  EXPECT_EQ(FileGetSize(&file), 2);
  EXPECT_EQ(FileRead(&file, buffer, 8), 2);
  EXPECT_EQ(FileRead(&file, buffer, 8), 0);  // the end is no error
  EXPECT_TRUE(FileSeek(&file, 1));
  EXPECT_EQ(FileRead(&file, buffer, 1), 1);
  EXPECT_EQ(buffer[0], 'y');
  FileDestroy(&file);
  EXPECT_FALSE(AbortRequested());
}

TEST_F(FileTest, OpenFailuresMapToTheirMessages) {
  std::string missing = folder / "missing.txt";
  SysFile file;
  FileInit(&file);
  EXPECT_FALSE(FileOpenRead(&file, missing.c_str()));
  EXPECT_EQ(PendingError.request.message, 605);
  EXPECT_STREQ(PendingError.request.texts[0], missing.c_str());
  EXPECT_EQ(PendingError.request.buttons[0], 701);
  EXPECT_TRUE(AbortRequested());

  // A second error while the first is pending does not replace it.
  EXPECT_FALSE(FileOpenWrite(&file, folder.path().c_str()));
  EXPECT_EQ(PendingError.request.message, 605);

  // A folder cannot be opened as a file: access denied, even for an administrator.
  PendingErrorClear();
  EXPECT_FALSE(FileOpenWrite(&file, folder.path().c_str()));
  EXPECT_EQ(PendingError.request.message, 608);

  // A file another writer holds is in use.
  PendingErrorClear();
  std::string held = folder / "held.txt";
  SysFile holder;
  FileInit(&holder);
  ASSERT_TRUE(FileOpenWrite(&holder, held.c_str()));
  EXPECT_FALSE(FileOpenWrite(&file, held.c_str()));
  EXPECT_EQ(PendingError.request.message, 609);
  FileDestroy(&holder);
  FileDestroy(&file);

  EXPECT_EQ(FileOpenErrorCode(ERROR_PATH_NOT_FOUND), 605);
  EXPECT_EQ(FileSizeOfPath(missing.c_str()), 0);
  EXPECT_EQ(FileModifiedDate(missing.c_str()), 0.0);
}

TEST_F(FileTest, ExistsOnlyForFiles) {
  std::string name = folder / "here.txt";
  SysFile file;
  FileInit(&file);
  ASSERT_TRUE(FileOpenWrite(&file, name.c_str()));
  FileDestroy(&file);
  EXPECT_TRUE(FileExists(name.c_str()));
  EXPECT_FALSE(FileExists((folder / "missing.txt").c_str()));
  EXPECT_FALSE(FileExists(folder.path().c_str()));  // a folder
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(nullptr));
}

TEST_F(FileTest, LongPathTextsAreCutAtACharacterInTheMessage) {
  std::string name = folder / (std::string(70, 'x') + "\xC3\xA5\xC3\xA5\xC3\xA5.txt");
  SysFile file;
  FileInit(&file);
  EXPECT_FALSE(FileOpenRead(&file, name.c_str()));
  std::string shown = PendingError.request.texts[0];
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown.substr(shown.size() - 2), "..");
  EXPECT_LE(shown.size(), 79u);
  EXPECT_EQ(shown.compare(0, shown.size() - 2, name, 0, shown.size() - 2), 0);
  EXPECT_NE(static_cast<unsigned char>(shown[shown.size() - 3]), 0xC3);  // no cut character
  FileDestroy(&file);
}

TEST_F(FileTest, UnicodeNamesDatesBstrsAndTemporaryFiles) {
  std::string name = folder / "\xC3\xA5r \xE2\x82\xAC.txt";  // "år €.txt"
  const wchar_t wide[] = L"\x00E5\x20AC\xD83D\xDE00";
  BSTR text = SysAllocString(wide);
  EXPECT_TRUE(WriteBstrToFile(name.c_str(), text));
  SysFreeString(text);
  EXPECT_EQ(ReadWholeFile(name), "\xC3\xA5\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_GT(FileCreationDate(name.c_str()), 86400.0 * 150000);  // after 1993
  EXPECT_GT(FileModifiedDate(name.c_str()), 86400.0 * 150000);

  BSTR back = BstrFromText("\xC3\xA5x");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(std::wstring(back), L"\x00E5x");
  SysFreeString(back);
  EXPECT_EQ(BstrFromText(nullptr), nullptr);
  EXPECT_EQ(BstrFromBytes("abc", 0), nullptr);

  T_TextBuf temp;
  MakeTempFileName(&temp);
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(std::string(PathFindName(temp.c_str())).substr(0, 3), "qeb");
  EXPECT_EQ(ReadWholeFile(temp.c_str()), "");
  EXPECT_TRUE(FileDelete(temp.c_str()));
  EXPECT_EQ(ReadWholeFile(temp.c_str()), "<missing>");
}

void WriteThroughTemp(const std::string& target, const char* content, T_TextBuf* temp) {
  ASSERT_TRUE(FileCreateTempBeside(target.c_str(), temp));
  SysFile file;
  FileInit(&file);
  ASSERT_TRUE(FileOpenWrite(&file, temp->c_str()));
  FileWrite(&file, content, static_cast<int64_t>(strlen(content)));
  FileDestroy(&file);
}

TEST_F(FileTest, CommitPutsTheTemporaryFileInTheTargetsPlace) {
  std::string target = folder / "base.qeb";
  T_TextBuf temp;
  ASSERT_TRUE(FileCreateTempBeside(target.c_str(), &temp));
  T_TextBuf tempFolder;
  PathGetDir(temp.c_str(), &tempFolder);
  EXPECT_TRUE(PathEqual(tempFolder.c_str(), folder.path().c_str()));
  EXPECT_EQ(ReadWholeFile(temp.c_str()), "");
  EXPECT_TRUE(FileDelete(temp.c_str()));

  // No target yet: the rename creates it.
  WriteThroughTemp(target, "first", &temp);
  EXPECT_TRUE(FileCommitTemp(temp.c_str(), target.c_str()));
  EXPECT_EQ(ReadWholeFile(target), "first");
  // An existing target is replaced.
  WriteThroughTemp(target, "second", &temp);
  EXPECT_EQ(ReadWholeFile(target), "first");  // untouched until the commit
  EXPECT_TRUE(FileCommitTemp(temp.c_str(), target.c_str()));
  EXPECT_EQ(ReadWholeFile(target), "second");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base.qeb"});
  EXPECT_FALSE(AbortRequested());
}

TEST_F(FileTest, FailedCommitDeletesTheTemporaryFileAndKeepsTheTarget) {
  std::string target = folder / "base.qeb";
  WriteWholeFile(target, "kept");
  std::wstring wide = WidePathText(target.c_str());
  T_TextBuf temp;

  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
  WriteThroughTemp(target, "lost", &temp);
  EXPECT_FALSE(FileCommitTemp(temp.c_str(), target.c_str()));
  EXPECT_EQ(PendingError.request.message, 608);
  EXPECT_STREQ(PendingError.request.texts[0], target.c_str());
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadWholeFile(target), "kept");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base.qeb"});

  PendingErrorClear();
  HANDLE holder = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  WriteThroughTemp(target, "lost", &temp);
  EXPECT_FALSE(FileCommitTemp(temp.c_str(), target.c_str()));
  EXPECT_EQ(PendingError.request.message, 609);
  CloseHandle(holder);
  EXPECT_EQ(ReadWholeFile(target), "kept");
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base.qeb"});

  // A folder that does not exist has no room for the temporary file.
  PendingErrorClear();
  EXPECT_FALSE(FileCreateTempBeside((folder / "none\\base.qeb").c_str(), &temp));
  EXPECT_TRUE(temp.empty());
  EXPECT_EQ(PendingError.request.message, 605);
}

TEST_F(FileTest, WriteFailuresCanBeInjected) {
  static int writes;
  writes = 0;
  SetFileWriteFailHook([](const SysFile*, int64_t) { return ++writes != 2; });
  std::string name = folder / "disk.txt";
  SysFile file;
  FileInit(&file);
  ASSERT_TRUE(FileOpenWrite(&file, name.c_str()));
  EXPECT_EQ(FileWrite(&file, "ab", 2), 2);
  EXPECT_EQ(FileWrite(&file, "cd", 2), 0);
  EXPECT_EQ(PendingError.request.message, 607);
  EXPECT_EQ(FileWrite(&file, "ef", 2), 2);
  SetFileWriteFailHook(nullptr);
  FileDestroy(&file);
  EXPECT_EQ(ReadWholeFile(name), "abef");
}

TEST_F(FileTest, FoldersAndListings) {
  EXPECT_TRUE(CreateFolder((folder / "sub").c_str()));
  EXPECT_TRUE(CreateFolder((folder / "sub").c_str()));  // existing is fine
  EXPECT_FALSE(CreateFolder((folder / "no\\such\\sub").c_str()));
  WriteWholeFile(folder / "sub\\a.txt", "a");
  WriteWholeFile(folder / "sub\\b.txt", "b");
  WriteWholeFile(folder / "sub\\.hidden.txt", "h");
  WriteWholeFile(folder / "sub\\c.dat", "c");

  DirListing listing;
  DirListingInit(&listing);
  ASSERT_TRUE(DirListingOpen(&listing, "*.txt", (folder / "sub\\c.dat").c_str()));
  std::vector<std::string> found;
  T_TextBuf path;
  while (DirListingNext(&listing, &path)) found.push_back(PathFindName(path.c_str()));
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_FALSE(DirListingNext(&listing, &path));
  EXPECT_FALSE(DirListingOpen(&listing, "*.none", (folder / "sub\\x").c_str()));
  DirListingClose(&listing);
}

TEST_F(FileTest, NormalizingRestoresLetterCaseAndFollowsShortcuts) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  CreateFolder((folder / "MixedCase").c_str());
  std::string target = folder / "MixedCase\\Target.txt";
  WriteWholeFile(target, "t");

  std::string lower = folder / "mixedcase\\TARGET.TXT";
  EXPECT_EQ(Normalized(lower.c_str()), target);

  // A shortcut is followed with or without its ".lnk".
  IShellLinkW* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, reinterpret_cast<void**>(&link))));
  link->SetPath(WidePathText(target.c_str()).c_str());
  IPersistFile* persist = nullptr;
  ASSERT_TRUE(
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))));
  std::string shortcut = folder / "Go.lnk";
  ASSERT_TRUE(SUCCEEDED(persist->Save(WidePathText(shortcut.c_str()).c_str(), TRUE)));
  persist->Release();
  link->Release();

  EXPECT_EQ(Normalized((folder / "Go").c_str()), target);
  EXPECT_EQ(Normalized(shortcut.c_str()), target);
  std::string plain = folder / "MixedCase";
  EXPECT_EQ(Normalized(plain.c_str()), plain);  // no shortcut: the text stays
  CoUninitialize();
}

}  // namespace
