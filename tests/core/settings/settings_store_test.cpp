#include "core/settings_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/alert.h"
#include "core/locale.h"

namespace {

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  int n =
      MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? n - 1 : 0);
  return wide;
}

std::string Read(SettingsStore* store, const char* name) {
  T_TextBuf text;
  SettingsRead(store, name, &text);
  return text.c_str();
}

// Sets or clears SESSIONNAME for one test and puts the old value back.
class SessionName {
 public:
  explicit SessionName(const char* value) {
    had_ = GetEnvironmentVariableA("SESSIONNAME", old_, sizeof old_) > 0;
    SetEnvironmentVariableA("SESSIONNAME", value);
  }
  ~SessionName() { SetEnvironmentVariableA("SESSIONNAME", had_ ? old_ : nullptr); }

 private:
  char old_[256] = {};
  bool had_ = false;
};

// A section of its own for each test run, removed with everything in it afterwards.
class SettingsRegistry : public testing::Test {
 protected:
  void SetUp() override { section_ = "QEB test " + std::to_string(GetCurrentProcessId()); }
  void TearDown() override {
    std::wstring key = Wide("Software\\Trelvik\\" + section_);
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    // The maker key goes only when no other section is left in it.
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Trelvik");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Trelvik");
  }
  std::string section_;
};

TEST_F(SettingsRegistry, EveryValueKindRoundTrips) {
  SessionName session(nullptr);
  const std::string nonAscii =
      "Bj\xC3\xB8rn \xE2\x82\xAC \xD0\x96";  // ø, €, Ж: no single code page holds all
  const std::string longText(700, 'x');
  {
    SettingsStore store;
    SettingsOpen(&store, section_.c_str(), kSettingsUser);
    ASSERT_NE(store.key, nullptr);
    EXPECT_EQ(store.table, nullptr);
    SettingsWrite(&store, "Text", nonAscii.c_str());
    SettingsWrite(&store, "Long", (longText + "\xC3\xA9").c_str());
    SettingsWriteChar(&store, "Char", 'Q');
    SettingsWriteInt(&store, "Int", -2147483647 - 1);
    SettingsWriteBool(&store, "On", true);
    SettingsWriteBool(&store, "Off", false);
    SettingsWriteLanguage(&store, "Language", 12);
    SettingsWrite(&store, "Sub\\Deeper\\Value", "nested");
    SettingsWrite(&store, "Bad", "abc");
    SettingsClose(&store);
    EXPECT_EQ(store.key, nullptr);
  }
  // A new opening sees what the last one wrote.
  SettingsStore store;
  SettingsOpen(&store, section_.c_str(), kSettingsUser);
  EXPECT_EQ(Read(&store, "Text"), nonAscii);
  EXPECT_EQ(Read(&store, "Long"), longText + "\xC3\xA9");
  EXPECT_EQ(Read(&store, "Sub\\Deeper\\Value"), "nested");
  EXPECT_EQ(Read(&store, "Missing"), "");
  EXPECT_EQ(Read(&store, "Sub\\Nowhere\\Value"), "");

  char c = 0;
  int32_t number = 7, bad = 7, missing = 7;
  bool on = false, off = true, unchanged = true;
  int32_t language = 0, wrongLanguage = 3;
  SettingsReadChar(&store, "Char", &c);
  SettingsReadInt(&store, "Int", &number);
  SettingsReadInt(&store, "Bad", &bad);
  SettingsReadInt(&store, "Missing", &missing);
  SettingsReadBool(&store, "On", &on);
  SettingsReadBool(&store, "Off", &off);
  SettingsReadBool(&store, "Bad", &unchanged);
  SettingsReadLanguage(&store, "Language", &language);
  SettingsReadLanguage(&store, "Bad", &wrongLanguage);
  EXPECT_EQ(c, 'Q');
  EXPECT_EQ(number, -2147483647 - 1);
  EXPECT_EQ(bad, 7);
  EXPECT_EQ(missing, 7);
  EXPECT_TRUE(on);
  EXPECT_FALSE(off);
  EXPECT_TRUE(unchanged);
  EXPECT_EQ(language, 12);
  EXPECT_EQ(wrongLanguage, 3);
  EXPECT_EQ(Read(&store, "Language"), "SWE");

  // Text reads cut at a character boundary; a missing value leaves the buffer alone.
  char small[4] = "old";
  SettingsReadText(&store, "Missing", small, sizeof small);
  EXPECT_STREQ(small, "old");
  SettingsReadText(&store, "Text", small, sizeof small);
  EXPECT_STREQ(small, "Bj");

  SettingsDelete(&store, "Text");
  SettingsDelete(&store, "Sub\\Deeper\\Value");
  EXPECT_EQ(Read(&store, "Text"), "");
  EXPECT_EQ(Read(&store, "Sub\\Deeper\\Value"), "");
  SettingsClose(&store);

  // The registry holds UTF-16 strings whose stored length includes the terminating 0.
  HKEY key;
  std::wstring path = Wide("Software\\Trelvik\\" + section_);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  wchar_t value[8] = {};
  DWORD type = 0, size = sizeof value;
  EXPECT_EQ(RegQueryValueExW(key, L"On", nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 4u);
  EXPECT_STREQ(value, L"+");
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (path + L"\\Sub\\Deeper").c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(SettingsRegistry, MachineWideValuesStayInTheRegistryInAnIcaSession) {
  SessionName session("ICA-tcp#3");
  SettingsStore store;
  SettingsOpen(&store, section_.c_str(), kSettingsMachine);
  ASSERT_NE(store.key, nullptr);
  EXPECT_EQ(store.table, nullptr);
  SettingsWrite(&store, "Shared", "yes");
  SettingsClose(&store);
  SettingsOpen(&store, section_.c_str(), kSettingsMachine);
  EXPECT_EQ(Read(&store, "Shared"), "yes");
  SettingsClose(&store);
}

TEST(SettingsStore, NamesSplitAtTheirLastBackslash) {
  struct Case {
    const char* name;
    const char* subkey;
    const char* value;
  };
  const Case cases[] = {{"Plain", "", "Plain"},
                        {"A\\B", "A", "B"},
                        {"A\\B\\C", "A\\B", "C"},
                        {"A\\", "A", ""},
                        {"", "", ""}};
  for (const Case& c : cases) {
    T_TextBuf subkey("old"), value("old");
    SettingsSplitName(c.name, &subkey, &value);
    EXPECT_STREQ(subkey.c_str(), c.subkey) << c.name;
    EXPECT_STREQ(value.c_str(), c.value) << c.name;
  }
}

TEST(SettingsStore, FileNamesComeFromTheSection) {
  struct Case {
    const char* section;
    const char* ending;
  };
  const Case cases[] = {
      {"QEB/TK", "\\Trelvik\\QEB-TK.cfg"},
      {"a b.c/d e f g h", "\\Trelvik\\abc-defg.cfg"},
      {"1234567\xC3\xA9", "\\Trelvik\\1234567.cfg"},  // never a cut character
  };
  for (const Case& c : cases) {
    T_TextBuf path;
    SettingsFilePath(&path, c.section);
    std::string text = path.c_str();
    ASSERT_GT(text.size(), strlen(c.ending));
    EXPECT_EQ(text.substr(text.size() - strlen(c.ending)), c.ending) << c.section;
  }
}

// An ICA session keeps its per-user values in a file; the test removes it afterwards.
class SettingsFile : public testing::Test {
 protected:
  void SetUp() override {
    SettingsFilePath(&path_, kSection);
    DeleteFileW(Wide(path_.c_str()).c_str());
  }
  void TearDown() override {
    std::wstring wide = Wide(path_.c_str());
    DeleteFileW(wide.c_str());
    RemoveDirectoryW(wide.substr(0, wide.rfind(L'\\')).c_str());  // only when empty
  }
  std::string FileBytes() {
    std::string bytes;
    HANDLE file = CreateFileW(Wide(path_.c_str()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(file);
    return bytes;
  }
  static constexpr const char* kSection = "QT/ica";
  T_TextBuf path_;
};

TEST_F(SettingsFile, IcaSessionKeepsUserValuesInTheCfgFile) {
  SessionName session("ICA-tcp#0");
  PendingErrorClear();
  SettingsStore store;
  SettingsOpen(&store, kSection, kSettingsUser);
  ASSERT_NE(store.table, nullptr);
  EXPECT_EQ(store.key, nullptr);
  EXPECT_EQ(PendingError.request.message, 0) << "a missing file is no error";
  EXPECT_FALSE(AbortRequested());
  SettingsWrite(&store, "Language", "DAN");
  SettingsWriteBool(&store, "AutoRecalc", true);
  SettingsWrite(&store, "Notes", "line 1\rline 2\tcell");
  SettingsWrite(&store, "Gone", "soon");
  SettingsWrite(&store, "Language", "SWE");
  SettingsClose(&store);
  EXPECT_EQ(FileBytes(),
            "\xEF\xBB\xBFLanguage\tSWE\r\nAutoRecalc\t+\r\nNotes\tline 1\x03line 2\x04"
            "cell\r\nGone\tsoon\r\n");

  SettingsOpen(&store, kSection, kSettingsUser);
  int32_t language = 0;
  SettingsReadLanguage(&store, "Language", &language);
  EXPECT_EQ(language, 12);
  EXPECT_EQ(Read(&store, "Notes"), "line 1\rline 2\tcell");
  SettingsDelete(&store, "Gone");
  EXPECT_EQ(Read(&store, "Gone"), "");
  SettingsClose(&store);
  EXPECT_EQ(FileBytes(),
            "\xEF\xBB\xBFLanguage\tSWE\r\nAutoRecalc\t+\r\nNotes\tline 1\x03line 2\x04"
            "cell\r\nGone\t\r\n");
}

TEST(SettingsStore, OtherSessionsUseTheRegistry) {
  const char* names[] = {"Console", "RDP-Tcp#2", "ica", nullptr};
  for (const char* name : names) {
    SessionName session(name);
    SettingsStore store;
    SettingsOpen(&store, "QEB test open", kSettingsUser);
    EXPECT_EQ(store.table, nullptr) << (name ? name : "(none)");
    EXPECT_NE(store.key, nullptr);
    SettingsClose(&store);
  }
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Trelvik\\QEB test open");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Trelvik");
}

}  // namespace
