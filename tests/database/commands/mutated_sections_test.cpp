// Damaged command sections in a bounded, seeded loop: whatever the lines hold, every read ends,
// the model stays sound, and the section after the commands is always read, since a "##" line
// ends the command list whatever runs towards it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands_fixture.h"
#include "core/file_dialogs.h"
#include "core/system_beep.h"

namespace commands_test {
namespace {

const char* const kLines[] = {
    "newComponent Accounts 3 Three H3",
    "deleteComponent Accounts 2 -silent",
    "deleteComponent Projects -unused",
    "sortComponents Accounts -reverse -sublevels",
    "dimOptions Projects -singular Job -codecase L -strings CH",
    "deleteCards 250307 250308",
    "deleteMacro Tools -filter O",
    "deleteSavesetup S1 -all",
    "deleteSubset V",
    "deleteTemplate -filter Sales",
    "duplicateTemplate Top \"Reports: Copy\"",
    "modify U VN A\\rVN B\\rF\tA",
    "modify Top xo xc",
    "beep",
    "unknown \"quoted",
    "newComponent 'Projects' /* comment */ P7 x",
    "beep \\",
    "/* open",
    "*/ beep",
    "// comment \\",
    "openFile notes.txt",
};

uint32_t Next(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

std::string DamagedCommands(uint32_t* state) {
  std::vector<std::string> lines;
  const size_t count = 2 + Next(state) % 8;
  for (size_t i = 0; i < count; ++i) lines.emplace_back(kLines[Next(state) % std::size(kLines)]);
  const int damages = static_cast<int>(Next(state) % 5);
  static const char kBytes[] = {'\0', '"', '\'', '\\', '/', '*', '#', '\t', ' ', '-', '\x7f'};
  for (int d = 0; d < damages; ++d) {
    std::string& line = lines[Next(state) % lines.size()];
    size_t at = line.empty() ? 0 : Next(state) % (line.size() + 1);
    switch (Next(state) % 7) {
      case 0:
        if (!line.empty()) line[at % line.size()] ^= static_cast<char>(1 << (Next(state) % 8));
        break;
      case 1:
        line.insert(at, 1, kBytes[Next(state) % sizeof(kBytes)]);
        break;
      case 2:
        line.insert(at, std::string(4100 + Next(state) % 3000, 'w'));
        break;
      case 3:
        line.resize(at);
        break;
      case 4:
        line.insert(0, "##");  // a section of no known name in the middle of the list
        break;
      case 5: {
        std::string nested;
        for (int i = 0; i < 500; ++i) nested += "/* ";
        line.insert(at, nested);
        break;
      }
      default:
        line += " \\";  // continued onto whatever follows
        break;
    }
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class MutatedTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    // Nothing may leave the test: no file written, no program started, no sound.
    CommandFileServices files{
        [](T_Base*, const char*, const char*, ImportSetup*, int32_t) { return false; },
        [](T_Base*, const char*, const SaveOptions*) { return false; }};
    SetCommandFileServices(&files);
    SetShellOpenHook([](const char*) { return true; });
    SetSystemBeepHook([] {});
  }
  void TearDown() override {
    SetShellOpenHook(nullptr);
    SetSystemBeepHook(nullptr);
    CommandsTest::TearDown();
  }
};

TEST_F(MutatedTest, EveryReadEndsAndTheNextSectionIsRead) {
  uint32_t state = 20240506;
  for (int32_t round = 0; round < 300; ++round) {
    Fresh();
    std::string text = "##QEB-Text\t121122\r\n\r\n##Commands\r\n" + DamagedCommands(&state) +
                       "##BaseOptions\r\nCN\t7\r\n##End\r\n";
    T_IStream stream;
    stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    readDatabaseSections(base, &stream);
    ASSERT_EQ(base->cardDigits, 7) << "round " << round << "\n" << text.substr(0, 2000);
    ExpectModelSound(base);
    EXPECT_EQ(ReadPathDepth(), 0);
    if (HasFatalFailure()) return;
  }
}

TEST_F(MutatedTest, LongLinesAndDeepCommentsEndInACommandOrNothing) {
  std::string nested;
  for (int i = 0; i < 20000; ++i) nested += "/*";
  for (int i = 0; i < 20000; ++i) nested += "*/";
  const std::string cases[] = {
      "newComponent Accounts " + std::string(300000, 'x') + "\r\n",
      nested + " newComponent Accounts 8 Eight\r\n",
      "newComponent Accounts 9 \"" + std::string(100000, 'q') + "\r\n",
      std::string("newComponent Accounts\0 4 Four\r\n", 32),
  };
  for (const std::string& commands : cases) {
    Fresh();
    Run(commands + "##End\r\n");
    ExpectModelSound(base);
  }
  EXPECT_NE(FindByCode(base, 0, "4"), nullptr);
}

}  // namespace
}  // namespace commands_test
