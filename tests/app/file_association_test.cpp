// The file association: the keys and values written (quotes included), when the question is
// asked and what each answer leaves in "Associate", and access denied reported once per run.
#include <algorithm>
#include <string>
#include <vector>

#include "app/file_association.h"
#include "app_fixture.h"

namespace app_test {
namespace {

constexpr const wchar_t* kClasses = L"Software\\Classes";
constexpr const char* kProgram = "C:\\Program Files\\QEB 5\\qeb.exe";

std::vector<std::string> Classes() {
  std::vector<std::string> lines = Dump(HKEY_CURRENT_USER, kClasses);
  std::sort(lines.begin(), lines.end());
  return lines;
}

const std::vector<std::string> kAssociated = {
    ".qeb\\@=QEB-Norm",
    ".qex\\@=QEB-Text",
    "QEB-Norm\\@=QEB file",
    "QEB-Norm\\DefaultIcon\\@=C:\\Program Files\\QEB 5\\qeb.exe,1",
    "QEB-Norm\\shell\\open\\command\\@=\"C:\\Program Files\\QEB 5\\qeb.exe\" \"%1\"",
    "QEB-Text\\@=QEB text file",
    "QEB-Text\\DefaultIcon\\@=C:\\Program Files\\QEB 5\\qeb.exe,2",
    "QEB-Text\\shell\\open\\command\\@=\"C:\\Program Files\\QEB 5\\qeb.exe\" \"%1\"",
};

struct CheckCase {
  const char* qebKey;     // null: none; else the ProgID it names
  const char* associate;  // null: no value
  int32_t answer;         // 0: nobody answers (the default)
  bool asked;
  bool written;
  const char* associateAfter;
};

class FileAssociationTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetProgramPathOverride(kProgram);
  }
  void TearDown() override {
    SetAssociationKeyCreator(nullptr);
    AppTest::TearDown();
  }
};

TEST_F(FileAssociationTest, TheQuestionIsAskedOnlyWhenNeededAndEachAnswerIsRemembered) {
  const CheckCase cases[] = {
      {nullptr, nullptr, kButtonOk, true, true, "+"},
      {nullptr, nullptr, kButtonCancel, true, false, "-"},
      {nullptr, nullptr, 0, true, false, "-"},  // nobody there: Cancel
      {nullptr, "", kButtonOk, true, true, "+"},
      {nullptr, "-", kButtonOk, false, false, "-"},  // declined before
      {nullptr, "+", kButtonOk, true, true, "+"},    // associated once, the key gone since
      {"QEB-Norm", nullptr, kButtonOk, false, false, "<none>"},
      {"OtherProgram.Document", "-", kButtonOk, false, false, "-"},  // another program's: left
  };
  for (const CheckCase& c : cases) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kClasses);
    RegDeleteTreeW(HKEY_CURRENT_USER, kPrefsKey);
    if (c.qebKey) WriteValue(HKEY_CURRENT_USER, L"Software\\Classes\\.qeb", L"", c.qebKey);
    if (c.associate) WritePref(HKEY_CURRENT_USER, "Associate", c.associate);
    user.asked.clear();
    user.press.clear();
    if (c.answer) user.press[2902].push_back(c.answer);
    CheckFileAssociation();

    std::string label = std::string(c.qebKey ? c.qebKey : "-") + "/" +
                        (c.associate ? c.associate : "none") + "/" + std::to_string(c.answer);
    if (c.asked) {
      ASSERT_EQ(user.asked.size(), 1u) << label;
      const T_ScriptedUser::Asked& asked = user.asked[0];
      EXPECT_EQ(asked.message, 2902);
      EXPECT_EQ(asked.text,
                ".qeb files are not associated with QEB in your system. Would you like to make "
                "the association now?");
      EXPECT_EQ(std::string(GetString(asked.title)), "Warning");
      EXPECT_EQ(asked.buttons, (std::vector<int32_t>{kButtonOk, kButtonCancel}));
      EXPECT_EQ(asked.defaultAnswer, 1);
    } else {
      EXPECT_TRUE(user.asked.empty()) << label;
    }
    std::vector<std::string> expected;
    if (c.written) {
      expected = kAssociated;
    } else if (c.qebKey) {
      expected = {std::string(".qeb\\@=") + c.qebKey};
    }
    EXPECT_EQ(Classes(), expected) << label;
    EXPECT_EQ(ReadPref(HKEY_CURRENT_USER, "Associate"), c.associateAfter) << label;
  }
}

TEST_F(FileAssociationTest, AssociatingTwiceLeavesTheSameKeys) {
  RegisterFileAssociations();
  RegisterFileAssociations();
  EXPECT_EQ(Classes(), kAssociated);
  EXPECT_EQ(ReadPref(HKEY_CURRENT_USER, "Associate"), "+");
  EXPECT_TRUE(user.asked.empty());
}

TEST_F(FileAssociationTest, AccessDeniedIsReportedOncePerRunAndOtherFailuresNotAtAll) {
  SetAssociationKeyCreator([](HKEY, const wchar_t*, HKEY*) -> LONG { return ERROR_ACCESS_DENIED; });
  RegisterFileAssociations();
  RegisterFileAssociations();
  EXPECT_EQ(user.Messages(), std::vector<int32_t>{2903});
  EXPECT_EQ(user.asked[0].text, "Access denied. You need to log on as an administrator.");
  EXPECT_EQ(Classes(), std::vector<std::string>{});

  user.asked.clear();
  SetAssociationKeyCreator([](HKEY, const wchar_t*, HKEY*) -> LONG { return ERROR_BADKEY; });
  RegisterFileAssociations();
  EXPECT_TRUE(user.asked.empty());
}

}  // namespace
}  // namespace app_test
