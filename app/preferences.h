#pragma once
// The user's preferences: kept in the settings store under "QEB/TK" (core/settings_store.h),
// read at start-up and by the web dispatcher, written by the preferences dialog.
//
//   value              form        read from            meaning
//   "Language"         "US".."SWE" machine, then user   user-interface language
//   "CopyTable"        text        machine, then user   copy options of tables (core/copy_table.h)
//   "Dateformat"       one letter  machine, then user   date style, a letter of "STWFGHUV"
//   "AutoRecalc"       "+" / "-"   user                 analyses recalculate by themselves
//   "CheckFiles"       "+" / "-"   user                 open database files are checked on disk
//   "ServeWebQEB"      "+" / "-"   user                 the web gateway service runs
//   "WebqebPort"       number      user                 its TCP port, 81 to 65535
//   "QEB5.RecentFile"  number      user                 recent-file slots in use, 0 to 8
//   "RecentFullpaths"  "+" / "-"   user                 the recent-files menu shows full paths
//   "RecentSubmenu"    "+" / "-"   user                 the recent-files menu is a submenu
//   "QEB5.RecentFile0".."7" text   user                 the recent files (app/recent_files.h)
//   "Associate"        "+" / "-"   user                 the file types were associated / declined
//
// A value that is missing, of another type, or does not parse keeps the current setting. Under
// the anonymous account of a web server (a user name beginning with "IUSR_") the user's values are
// read from the machine-wide store, which the administrator prepared.
//
// User-interface thread only.
#include <cstdint>

#include "core/settings_store.h"

constexpr const char* kPreferencesSection = "QEB/TK";
constexpr int32_t kDefaultWebPort = 7412;
constexpr int32_t kRecentFileSlots = 8;

// The languages the language chooser offers, in its order, ended by -1.
extern const int8_t kOfferedLanguages[];

struct Preferences {
  bool autoRecalc = true;
  bool checkFiles = true;
  bool serveWeb = false;
  int32_t webPort = kDefaultWebPort;
  int32_t recentCount = kRecentFileSlots;
  bool recentFullPaths = false;
  bool recentSubmenu = false;
  uint64_t loadTick = 0;  // when LoadPreferences last ran
};

// The process-wide settings.
Preferences& Prefs();
// Back to the defaults (tests).
void ResetPreferences();

// Reads every value and applies it: language, copy options, date format, the switches, the port,
// the recent-file options and the recent files.
void LoadPreferences();
// Writes the settings to the user's store, then copies "Language", "Dateformat" and
// "ServeWebQEB" from there to the machine-wide store (which a user without rights cannot change;
// the user's values stay written).
void SavePreferences();

// A port the web gateway may listen on: 81 to 65535 (80 and below belong to the web server,
// larger numbers do not exist and a listener would silently take another port).
bool IsUsableWebPort(int32_t port);

// Date style 0..7: when it differs from the current one, it becomes current and every open
// database and window hears of it (setting code 2). Other numbers are ignored.
void SetDateFormat(int32_t format);
// The language through the application's setter, or directly while there is no application.
void ApplyLanguage(int32_t language);

// "Associate": '+', '-', or 0 when missing or empty.
char ReadAssociateMark();
void WriteAssociateMark(char mark);

// --- Seams ---------------------------------------------------------------------------------------

// Whether the process runs under a web server's anonymous account; the core's
// IsWebServerAccount until a test replaces it (null puts it back).
using WebServerAccountQuery = bool (*)();
void SetWebServerAccountQuery(WebServerAccountQuery query);

// Starts, restarts or stops the web gateway service by "ServeWebQEB" and "WebqebPort". The web
// service installs itself here; until then nothing listens.
using WebServiceRestart = void (*)();
void SetWebServiceRestart(WebServiceRestart restart);
void RestartWebService();

// Whether the web gateway service is serving now (a database whose file changed on disk then
// reopens without a question). The web service installs itself here; until then: false.
using WebServiceServingQuery = bool (*)();
void SetWebServiceServingQuery(WebServiceServingQuery query);
bool WebServiceServing();
