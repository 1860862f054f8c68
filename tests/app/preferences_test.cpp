// Loading and saving the preferences: every stored form and its applied state, bad values that
// keep the current setting, the web server's account reading the machine-wide store, and the
// values a save writes to each store.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "database/change_notes.h"
#include "ui/document_window.h"

namespace app_test {
namespace {

// The applied state: the settings that differ from the defaults, in one line.
std::string State() {
  const Preferences& p = Prefs();
  const Preferences defaults;
  std::string state;
  auto add = [&state](const char* name, auto value, auto standard) {
    if (value == standard) return;
    if (!state.empty()) state += " ";
    state += name + std::string("=") + std::to_string(value);
  };
  add("lang", CurrentLanguage(), 0);
  add("date", DateStyleGet(), 0);
  add("copy", CopyTableCurrent()->fieldSeparator, 9);
  add("recalc", p.autoRecalc, defaults.autoRecalc);
  add("check", p.checkFiles, defaults.checkFiles);
  add("serve", p.serveWeb, defaults.serveWeb);
  add("port", p.webPort, defaults.webPort);
  add("recent", p.recentCount, defaults.recentCount);
  add("full", p.recentFullPaths, defaults.recentFullPaths);
  add("sub", p.recentSubmenu, defaults.recentSubmenu);
  return state;
}

// Every setting at its default.
const char* const kUnchanged = "";

struct Stored {
  bool machine;
  const char* name;
  const char* text;  // null: a number value (REG_DWORD 1) instead of a text
};

struct LoadCase {
  std::vector<Stored> stored;
  const char* state;
};

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

void Forget() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kPrefsKey);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPrefsKey);
  ResetPreferences();
  DateStyleSet(0);
  SetCurrentLanguage(0);
  CopyTableInit(CopyTableCurrent());
}

using PreferencesTest = AppTest;

TEST_F(PreferencesTest, StoredValuesBecomeTheAppliedStateAndBadOnesKeepIt) {
  const LoadCase cases[] = {
      {{}, kUnchanged},
      {{{false, "Dateformat", "W"}}, "date=2"},
      {{{false, "Dateformat", "Z"}}, kUnchanged},
      {{{true, "Dateformat", "W"}, {false, "Dateformat", "Z"}}, "date=2"},
      {{{true, "Dateformat", "W"}, {false, "Dateformat", "V"}}, "date=7"},
      {{{false, "WebqebPort", "80"}}, kUnchanged},
      {{{false, "WebqebPort", "81"}}, "port=81"},
      {{{false, "WebqebPort", "7412"}}, kUnchanged},
      {{{false, "WebqebPort", "70000"}}, kUnchanged},
      {{{false, "QEB5.RecentFile", "12"}}, kUnchanged},
      {{{false, "QEB5.RecentFile", "0"}}, "recent=0"},
      {{{false, "QEB5.RecentFile", "-3"}}, "recent=0"},
      {{{false, "QEB5.RecentFile", "x"}}, kUnchanged},
      {{{false, "QEB5.RecentFile", "5"}}, "recent=5"},
      {{{false, "Language", "SWE"}}, "lang=12"},
      {{{false, "Language", "Klingon"}}, kUnchanged},
      {{{true, "Language", "DAN"}}, "lang=2"},
      {{{true, "Language", "DAN"}, {false, "Language", "SWE"}}, "lang=12"},
      {{{true, "CopyTable", "F59,TN"}, {false, "CopyTable", "F44"}}, "copy=44"},
      {{{false, "AutoRecalc", "-"},
        {false, "CheckFiles", "-"},
        {false, "ServeWebQEB", "+"},
        {false, "RecentFullpaths", "+"},
        {false, "RecentSubmenu", "+"}},
       "recalc=0 check=0 serve=1 full=1 sub=1"},
      // Values read from the user's store only: the machine-wide ones are not looked at.
      {{{true, "AutoRecalc", "-"}, {true, "WebqebPort", "8080"}}, kUnchanged},
      // A value of another type, and a text that is no switch.
      {{{false, "AutoRecalc", nullptr},
        {false, "CheckFiles", "yes"},
        {false, "WebqebPort", nullptr}},
       kUnchanged},
  };
  for (const LoadCase& c : cases) {
    Forget();
    std::string seeded;
    for (const Stored& s : c.stored) {
      HKEY root = s.machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
      if (s.text) {
        WritePref(root, s.name, s.text);
      } else {
        WriteDword(root, kPrefsKey, Widen(s.name), 1);
      }
      seeded += std::string(s.machine ? " machine:" : " user:") + s.name + "=" +
                (s.text ? s.text : "<dword>");
    }
    LoadPreferences();
    EXPECT_EQ(State(), c.state) << seeded;
  }
}

TEST_F(PreferencesTest, UnderTheWebServersAccountTheMachineStoreServesForTheUser) {
  WritePref(HKEY_LOCAL_MACHINE, "ServeWebQEB", "+");
  WritePref(HKEY_LOCAL_MACHINE, "WebqebPort", "8081");
  WritePref(HKEY_LOCAL_MACHINE, "QEB5.RecentFile", "2");
  WritePref(HKEY_LOCAL_MACHINE, "QEB5.RecentFile0", "C:\\web\\Sales.qeb");
  WritePref(HKEY_CURRENT_USER, "ServeWebQEB", "-");
  WritePref(HKEY_CURRENT_USER, "WebqebPort", "9000");
  WritePref(HKEY_CURRENT_USER, "QEB5.RecentFile0", "C:\\mine\\Own.qeb");

  LoadPreferences();
  EXPECT_EQ(State(), "port=9000");
  EXPECT_STREQ(RecentFile(0), "C:\\mine\\Own.qeb");

  SetWebServerAccountQuery([] { return true; });
  ResetPreferences();
  LoadPreferences();
  EXPECT_EQ(State(), "serve=1 port=8081 recent=2");
  EXPECT_STREQ(RecentFile(0), "C:\\web\\Sales.qeb");

  // Saving still goes to the user's own store.
  SavePreferences();
  EXPECT_EQ(ReadPref(HKEY_CURRENT_USER, "WebqebPort"), "8081");
  EXPECT_EQ(ReadPref(HKEY_LOCAL_MACHINE, "WebqebPort"), "8081");  // as the administrator left it
}

TEST_F(PreferencesTest, SavingWritesTheUsersStoreAndCopiesThreeValuesToTheMachineStore) {
  WritePref(HKEY_LOCAL_MACHINE, "WebqebPort", "8888");
  Preferences& p = Prefs();
  SetCurrentLanguage(12);
  DateStyleSet(3);
  p.autoRecalc = false;
  p.serveWeb = true;
  p.webPort = 8123;
  p.recentCount = 4;
  p.recentFullPaths = true;
  SavePreferences();
  EXPECT_EQ(Sorted(Dump(HKEY_CURRENT_USER, kPrefsKey)),
            (std::vector<std::string>{"AutoRecalc=-", "CheckFiles=+", "Dateformat=F",
                                      "Language=SWE", "QEB5.RecentFile=4", "RecentFullpaths=+",
                                      "RecentSubmenu=-", "ServeWebQEB=+", "WebqebPort=8123"}));
  EXPECT_EQ(Sorted(Dump(HKEY_LOCAL_MACHINE, kPrefsKey)),
            (std::vector<std::string>{"Dateformat=F", "Language=SWE", "ServeWebQEB=+",
                                      "WebqebPort=8888"}));

  // And back.
  std::string saved = State();
  ResetPreferences();
  DateStyleSet(0);
  SetCurrentLanguage(0);
  LoadPreferences();
  EXPECT_EQ(State(), saved);
}

// A window of a database that records the codes of the notes it receives.
class T_CodeRecorder : public T_HWindow {
 public:
  explicit T_CodeRecorder(T_Base* base)
      : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, base, 0) {}
  void OnChange(const ChangeNote* note) override {
    if (note->code == kChangeSignature || note->code == kChangeDateFormat)
      codes.push_back(note->code);
  }
  static constexpr RECT kRect{0, 0, 200, 100};
  std::vector<int32_t> codes;
};

TEST_F(PreferencesTest, ADateFormatChangeReachesEveryDatabaseAndWindow) {
  StartApplication();
  T_Base* first = new T_Base(nullptr, 1);
  T_Base* second = new T_Base(nullptr, 2);
  auto* one = new T_CodeRecorder(first);
  auto* two = new T_CodeRecorder(second);
  SetDateFormat(2);
  SetDateFormat(42);  // no such format
  EXPECT_EQ(DateStyleGet(), 2);
  // A window of a database hears it through its database and again as one of the
  // application's windows; every note it hears is the one change.
  for (T_CodeRecorder* window : {one, two}) {
    EXPECT_FALSE(window->codes.empty());
    for (int32_t code : window->codes) EXPECT_EQ(code, kChangeDateFormat);
  }
  size_t heard = one->codes.size();
  SetDateFormat(2);
  EXPECT_EQ(one->codes.size(), heard);
  delete one;
  delete two;
}

// A window that counts the language notices it hears.
class T_LanguageListener : public T_Window {
 public:
  T_LanguageListener() : T_Window(kKindDocument, &kRect, 0, nullptr, true) {}
  void Notify(int32_t code) override {
    if (code == kNotifyLanguage) ++heard;
    T_Window::Notify(code);
  }
  static constexpr RECT kRect{0, 0, 200, 100};
  int32_t heard = 0;
};

TEST_F(PreferencesTest, ALoadedLanguageGoesThroughTheApplicationAndOnlyOfferedOnesAreEnabled) {
  StartApplication();
  auto* listener = new T_LanguageListener;
  WritePref(HKEY_CURRENT_USER, "Language", "SWE");
  LoadPreferences();
  LoadPreferences();  // the same language again: nobody hears of it
  EXPECT_EQ(CurrentLanguage(), 12);
  EXPECT_EQ(listener->heard, 1);
  for (int32_t language = 0; language <= kLanguageLast; ++language) {
    bool offered = language == 0 || language == 2 || language == 3 || language == 5 ||
                   language == 6 || language == 7 || language == 9 || language == 10 ||
                   language == 12;
    EXPECT_EQ(LanguageEnabled(language), offered) << language;
  }
  LanguagesEnableAll();
}

}  // namespace
}  // namespace app_test
