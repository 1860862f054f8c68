#include "app/preferences.h"

#include "app/qeb_application.h"
#include "app/recent_files.h"
#include "core/copy_table.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/packed_date.h"
#include "core/system_info.h"
#include "core/threads.h"
#include "database/change_notes.h"
#include "ui/application.h"

const int8_t kOfferedLanguages[] = {0, 2, 7, 6, 3, 9, 10, 5, 12, -1};

namespace {

constexpr int32_t kLastPort = 65535;

Preferences preferences;
WebServerAccountQuery webServerAccount = nullptr;
WebServiceRestart webServiceRestart = nullptr;
WebServiceServingQuery webServiceServing = nullptr;

bool RunsAsWebServerAccount() {
  return webServerAccount ? webServerAccount() : IsWebServerAccount();
}

// The language chooser and the web pages offer only the languages in the list.
void FillOfferedLanguages() {
  for (int32_t language = 0; language < kLanguageCount; ++language) {
    bool offered = false;
    for (const int8_t* l = kOfferedLanguages; *l >= 0; ++l) offered = offered || *l == language;
    LanguageSetEnabled(language, offered);
  }
}

// The stores in reading order: machine first, so that the user's values win.
void ReadShared(SettingsStore* machine, SettingsStore* user) {
  int32_t language = CurrentLanguage();
  SettingsReadLanguage(machine, "Language", &language);
  SettingsReadLanguage(user, "Language", &language);
  FillOfferedLanguages();
  ApplyLanguage(language);

  for (SettingsStore* store : {machine, user}) {
    T_TextBuf copyOptions;
    SettingsRead(store, "CopyTable", &copyOptions);
    if (!copyOptions.empty()) CopyTableParse(CopyTableCurrent(), copyOptions.c_str());
  }

  int32_t format = DateStyleGet();
  for (SettingsStore* store : {machine, user}) {
    char letter = 0;
    SettingsReadChar(store, "Dateformat", &letter);
    if (letter) ParseDateStyleLetter(letter, &format);
  }
  SetDateFormat(format);
}

void ReadUsers(SettingsStore* user) {
  Preferences& p = preferences;
  SettingsReadBool(user, "AutoRecalc", &p.autoRecalc);
  SettingsReadBool(user, "CheckFiles", &p.checkFiles);
  SettingsReadBool(user, "ServeWebQEB", &p.serveWeb);
  int32_t port = p.webPort;
  SettingsReadInt(user, "WebqebPort", &port);
  if (IsUsableWebPort(port)) p.webPort = port;
  int32_t count = p.recentCount;
  SettingsReadInt(user, "QEB5.RecentFile", &count);
  p.recentCount = count < 0 ? 0 : count > kRecentFileSlots ? kRecentFileSlots : count;
  SettingsReadBool(user, "RecentFullpaths", &p.recentFullPaths);
  SettingsReadBool(user, "RecentSubmenu", &p.recentSubmenu);
  ReadRecentFiles(user);
}

void CopyValue(SettingsStore* from, SettingsStore* to, const char* name) {
  T_TextBuf value;
  SettingsRead(from, name, &value);
  if (!value.empty()) SettingsWrite(to, name, value.c_str());
}

}  // namespace

Preferences& Prefs() { return preferences; }

void ResetPreferences() { preferences = Preferences{}; }

bool IsUsableWebPort(int32_t port) { return port > 80 && port <= kLastPort; }

void LoadPreferences() {
  preferences.loadTick = TickCount();
  SettingsStore machine;
  SettingsStore user;
  SettingsOpen(&machine, kPreferencesSection, kSettingsMachine);
  SettingsOpen(&user, kPreferencesSection,
               RunsAsWebServerAccount() ? kSettingsMachine : kSettingsUser);
  ReadShared(&machine, &user);
  ReadUsers(&user);
  SettingsClose(&user);
  SettingsClose(&machine);
}

void SavePreferences() {
  const Preferences& p = preferences;
  SettingsStore user;
  SettingsOpen(&user, kPreferencesSection, kSettingsUser);
  SettingsWriteLanguage(&user, "Language", CurrentLanguage());
  if (char letter = DateStyleLetter(DateStyleGet())) SettingsWriteChar(&user, "Dateformat", letter);
  SettingsWriteBool(&user, "AutoRecalc", p.autoRecalc);
  SettingsWriteBool(&user, "CheckFiles", p.checkFiles);
  SettingsWriteInt(&user, "QEB5.RecentFile", p.recentCount);
  SettingsWriteBool(&user, "RecentFullpaths", p.recentFullPaths);
  SettingsWriteBool(&user, "RecentSubmenu", p.recentSubmenu);
  SettingsWriteBool(&user, "ServeWebQEB", p.serveWeb);
  SettingsWriteInt(&user, "WebqebPort", p.webPort);

  SettingsStore machine;
  SettingsOpen(&machine, kPreferencesSection, kSettingsMachine);
  for (const char* name : {"Language", "Dateformat", "ServeWebQEB"}) {
    CopyValue(&user, &machine, name);
  }
  SettingsClose(&machine);
  SettingsClose(&user);
}

void SetDateFormat(int32_t format) {
  if (!DateStyleLetter(format) || format == DateStyleGet()) return;
  DateStyleSet(format);
  BroadcastSetting(kChangeDateFormat);
}

void ApplyLanguage(int32_t language) {
  if (T_Application* application = App()) {
    application->SetLanguage(language);
  } else {
    SetCurrentLanguage(language);
  }
}

char ReadAssociateMark() {
  SettingsStore user;
  SettingsOpen(&user, kPreferencesSection, kSettingsUser);
  char mark = 0;
  SettingsReadChar(&user, "Associate", &mark);
  SettingsClose(&user);
  return mark;
}

void WriteAssociateMark(char mark) {
  SettingsStore user;
  SettingsOpen(&user, kPreferencesSection, kSettingsUser);
  SettingsWriteChar(&user, "Associate", mark);
  SettingsClose(&user);
}

void SetWebServerAccountQuery(WebServerAccountQuery query) { webServerAccount = query; }

void SetWebServiceRestart(WebServiceRestart restart) { webServiceRestart = restart; }

void RestartWebService() {
  if (webServiceRestart) webServiceRestart();
}

void SetWebServiceServingQuery(WebServiceServingQuery query) { webServiceServing = query; }

bool WebServiceServing() { return webServiceServing && webServiceServing(); }
