// The function templates from outside: the program opens a current file and one dated 970301
// holding both template kinds with every key, duplicates each template by its command section,
// saves and quits with 0 and no alert. The saved "##Templates" sections then show every
// duplicate equal to its original and the old file's templates written as the current file's.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "tests/app/program_process.h"
#include "tests/app/scratch_registry.h"
#include "tests/source_path.h"

namespace {

std::string ReadWhole(const std::string& path) {
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

bool WriteWhole(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

std::wstring Wide(const std::string& text) {
  std::wstring wide;
  for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

// The templates of a saved file's "##Templates" section: path -> record lines after the
// template line.
std::map<std::string, std::string> Templates(const std::string& file) {
  std::map<std::string, std::string> templates;
  size_t at = file.find("##Templates\r\n");
  if (at == std::string::npos) return templates;
  at += 13;
  std::string path;
  while (at < file.size() && file.compare(at, 2, "##") != 0) {
    size_t end = file.find("\r\n", at);
    if (end == std::string::npos) end = file.size();
    std::string line = file.substr(at, end - at);
    if (line.size() > 2 && line[0] == '#' && line[1] != '#') {
      path = line;
      templates[path] = "";
    } else if (!path.empty()) {
      templates[path] += line + "\n";
    }
    at = end + 2;
  }
  return templates;
}

class FunctionTemplatesProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    app_test::WritePref(HKEY_CURRENT_USER, "Associate", "-");
    PrepareVirtualDesktop(kTestDesktop);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    folder_ = std::string(cwd) + "\\functmpl_outside";
    CreateDirectoryA(folder_.c_str(), nullptr);
    alertFile_ = folder_ + "\\alerts.txt";
  }

  // Runs the program on a copy of the fixture; the saved file's text.
  std::string Run(const char* fixture, const char* saved) {
    std::string copy = folder_ + "\\" + fixture;
    DeleteFileA(alertFile_.c_str());
    DeleteFileA((folder_ + "\\" + saved).c_str());
    EXPECT_TRUE(WriteWhole(copy, ReadWhole(TestSourcePath(
                                     std::string("tests/analysis/components/funcprogram/data/") +
                                     fixture))));
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(StartProgram(WindowsPath(QEB_PROGRAM_PATH), L"\"" + Wide(copy) + L"\"",
                             kTestDesktop, Wide(alertFile_), &process));
    DWORD code = 0xFFFFFFFF;
    if (wait_bound::Deadline().WaitFor(process.hProcess)) {
      GetExitCodeProcess(process.hProcess, &code);
    } else {
      TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(code, 0u) << fixture;
    EXPECT_EQ(ReadWhole(alertFile_), "") << fixture;
    return ReadWhole(folder_ + "\\" + saved);
  }

  std::string folder_;
  std::string alertFile_;
};

TEST_F(FunctionTemplatesProgram, DuplicatesEqualTheirOriginalsAndOldLayoutsComeOutCurrent) {
  std::map<std::string, std::string> current = Templates(Run("current.qex", "current_out.qex"));
  std::map<std::string, std::string> old = Templates(Run("old.qex", "old_out.qex"));
  for (const auto& [original, copy] :
       {std::pair{"#T\tFuncs: Time", "#T\tFuncs: Time copy"},
        std::pair{"#R\tFuncs: Comp", "#R\tFuncs: Comp copy"}}) {
    ASSERT_EQ(current.count(original), 1u) << original;
    ASSERT_EQ(current.count(copy), 1u) << copy;
    EXPECT_NE(current[original].find("VN\tSales"), std::string::npos) << current[original];
    EXPECT_EQ(current[copy], current[original]) << copy;
    EXPECT_EQ(old[copy], old[original]) << copy;
    EXPECT_EQ(old[original], current[original]) << original;
  }
}

}  // namespace
