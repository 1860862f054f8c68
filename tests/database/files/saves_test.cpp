#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "files_fixture.h"

namespace {

using Saves = FilesTest;

const std::string kOld = "the file as it was";

// One save of the text through either writer, the hook called halfway; the commit's answer.
bool Save(bool container, const std::string& target, const std::string& text,
          const std::function<void()>& halfway = nullptr) {
  const size_t half = text.size() / 2;
  if (container) {
    T_ShifterWrite writer;
    SaveOptions options = Options(1, true);
    if (!writer.Open(target.c_str(), &options, "pw")) return false;
    writer.PutBytes(text.data(), static_cast<int64_t>(half));
    if (halfway) halfway();
    writer.PutBytes(text.data() + half, static_cast<int64_t>(text.size() - half));
    return writer.Commit();
  }
  T_HTextWrite writer;
  if (!writer.Open(target.c_str())) return false;
  WriteTextFormTag(&writer);
  writer.PutBytes(text.data(), static_cast<int64_t>(half));
  if (halfway) halfway();
  writer.PutBytes(text.data() + half, static_cast<int64_t>(text.size() - half));
  return writer.Commit();
}

std::vector<std::string> Saved(bool container, const std::string& path) {
  return container ? ReadContainer(path, 1, "pw").lines : ReadTextLines(path);
}

int writeCount, failingWrite;
bool FailNthWrite(const SysFile*, int64_t) { return ++writeCount != failingWrite; }

TEST_F(Saves, AFailedWriteLeavesTheTargetAsItWas) {
  const std::string text = SectionText(60000);
  for (bool container : {true, false}) {
    const std::string target = Path(container ? "base.qeb" : "base.qex");
    WriteWholeFile(target, kOld);
    int32_t failures = 0;
    for (failingWrite = 1;; ++failingWrite) {
      ASSERT_LT(failingWrite, 100);
      PendingErrorClear();
      writeCount = 0;
      SetFileWriteFailHook(FailNthWrite);
      const bool saved = Save(container, target, text);
      SetFileWriteFailHook(nullptr);
      if (writeCount < failingWrite) {  // every write went through
        EXPECT_TRUE(saved);
        break;
      }
      ++failures;
      EXPECT_FALSE(saved) << failingWrite;
      EXPECT_EQ(PendingError.request.message, 607);
      // The message names the file the user chose, not the temporary file written.
      ASSERT_GE(PendingError.request.textCount, 1);
      EXPECT_STREQ(PendingError.request.texts[0], target.c_str());
      EXPECT_EQ(ReadWholeFile(target), kOld) << failingWrite;
      EXPECT_EQ(FolderNames(folder).size(), 1u) << failingWrite;
    }
    EXPECT_GE(failures, 3) << container;  // the header or tag, then buffers and blocks
    std::vector<std::string> lines = SplitLines(text);
    if (!container) lines.insert(lines.begin(), {"##QEB-Text\t121122", ""});
    EXPECT_TRUE(Saved(container, target) == lines) << container;
    FileDelete(target.c_str());
  }
}

// A save's temporary file is named after the target, and the next save of that target removes
// those a killed save left; files of other targets, and names that only look alike, stay.
TEST_F(Saves, TemporaryFilesSayWhoseTheyAreAndTheNextSaveRemovesTheLeftOnes) {
  const std::vector<std::string> strangers = {"base.qeb.~12345.tmp", "base.qeb.~XYZW.tmp",
                                              "base.qeb.~1A2B.tmp.keep", "other.qeb.~1A2B.tmp"};
  for (bool container : {true, false}) {
    const std::string name = container ? "base.qeb" : "base.qex";
    const std::string target = Path(name);
    for (const std::string& left : {name + ".~1A2B.tmp", name + ".~ffff.tmp"})
      WriteWholeFile(Path(left), "left by a killed save");
    for (const std::string& stranger : strangers) WriteWholeFile(Path(stranger), "not ours");
    std::vector<std::string> during;
    ASSERT_TRUE(Save(container, target, SectionText(2000), [&] { during = FolderNames(folder); }));
    std::vector<std::string> temps;
    for (const std::string& file : during) {
      const bool stranger = std::find(strangers.begin(), strangers.end(), file) != strangers.end();
      if (file.rfind(name + ".~", 0) == 0 && !stranger) temps.push_back(file);
    }
    ASSERT_EQ(temps.size(), 1u) << container;
    EXPECT_EQ(temps[0].size(), name.size() + 10) << temps[0];
    EXPECT_EQ(temps[0].substr(temps[0].size() - 4), ".tmp");
    std::vector<std::string> after = FolderNames(folder);
    std::vector<std::string> expected = strangers;
    expected.push_back(name);
    std::sort(after.begin(), after.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(after, expected) << container;
    FileDelete(target.c_str());
    for (const std::string& stranger : strangers) FileDelete(Path(stranger).c_str());
  }
}

TEST_F(Saves, ClosingTellsWhetherEveryByteWasWritten) {
  T_ShifterWrite writer;
  SaveOptions options = Options(1, false);
  ASSERT_TRUE(writer.Open(Path("a.qeb").c_str(), &options, nullptr));
  writeCount = 0;
  failingWrite = 2;
  SetFileWriteFailHook(FailNthWrite);
  writer.PutBytes(std::string(30000, 'x').c_str(), 30000);
  EXPECT_FALSE(writer.Close());
  SetFileWriteFailHook(nullptr);
  EXPECT_FALSE(writer.Commit());
  EXPECT_EQ(FolderNames(folder).size(), 0u);
}

TEST_F(Saves, ACancelOrAnInvalidModeLeavesTheTargetAsItWas) {
  for (bool container : {true, false}) {
    const std::string target = Path("base");
    WriteWholeFile(target, kOld);
    // Raised halfway.
    EXPECT_FALSE(Save(container, target, SectionText(40000), [] { PendingErrorCancel(); }));
    EXPECT_EQ(ReadWholeFile(target), kOld);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base"});
    // Raised before the save begins: nothing is made.
    EXPECT_FALSE(Save(container, target, "##End\r"));
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base"});
    PendingErrorClear();
  }
  for (int32_t mode : {0, 4, 5}) {
    T_ShifterWrite writer;
    SaveOptions options = Options(mode, true);
    EXPECT_FALSE(writer.Open(Path("base").c_str(), &options, nullptr)) << mode;
    EXPECT_TRUE(AbortRequested()) << mode;  // so that no section is written
    EXPECT_EQ(PendingError.request.message, kErrorCancelled);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base"});
    PendingErrorClear();
  }
  EXPECT_EQ(ReadWholeFile(Path("base")), kOld);
}

TEST_F(Saves, AWriterDestroyedWithoutCommitLeavesNothing) {
  const std::string target = Path("base");
  WriteWholeFile(target, kOld);
  {
    T_ShifterWrite container;
    SaveOptions options = Options(2, true);
    ASSERT_TRUE(container.Open(target.c_str(), &options, nullptr));
    container.PutText("##End\r");
    T_HTextWrite text;
    ASSERT_TRUE(text.Open(target.c_str()));
    WriteTextFormTag(&text);
    EXPECT_EQ(FolderNames(folder).size(), 3u);
    EXPECT_TRUE(container.Close());
    EXPECT_EQ(ReadWholeFile(target), kOld);
  }
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base"});
  EXPECT_EQ(ReadWholeFile(target), kOld);
}

TEST_F(Saves, ACommitReplacesTheTargetOrFailsWithTheFileLayersError) {
  for (bool container : {true, false}) {
    const std::string target = Path("base");
    FileDelete(target.c_str());
    EXPECT_TRUE(Save(container, target, "##End\r"));  // no target yet
    const std::string first = ReadWholeFile(target);
    EXPECT_TRUE(Save(container, target, "##Cards\r##End\r"));
    EXPECT_NE(ReadWholeFile(target), first);
    EXPECT_EQ(Saved(container, target).back(), "##End");
    const std::string saved = ReadWholeFile(target);

    const std::wstring wide = WidePathText(target.c_str());
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(Save(container, target, "##Lost\r"));
    EXPECT_EQ(PendingError.request.message, 608);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadWholeFile(target), saved);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base"});

    PendingErrorClear();
    HANDLE holder = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(Save(container, target, "##Lost\r"));
    EXPECT_EQ(PendingError.request.message, 609);
    CloseHandle(holder);
    EXPECT_EQ(ReadWholeFile(target), saved);
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"base"});
    PendingErrorClear();
  }
}

}  // namespace
