#pragma once
// T_QEB, the application object of the program, the deferred file commands that other parts
// queue to run after the current message, and the broadcast of application-wide settings.
//
// The menus of the application are built here (app/main_menus.h, app/recent_files.h); its
// commands open, import and save database files through app/document_files.h.
//
// User-interface thread only.
#include <cstdint>

#include "ui/application.h"

class T_Base;

class T_QEB : public T_Application {
 public:
  // Builds the main menus and the recent-files menu and opens the application.
  T_QEB();
  // Switches the web service off before the application goes.
  ~T_QEB() override;

  // The first "opened" starts the web service when it is switched on.
  void Notify(int32_t code) override;
  void UpdateCommands() override;
  // The application's commands; anything else goes to the toolkit's application and then to the
  // current database's command handler.
  bool DoCommand(int32_t command) override;
  // 0 open, 1 import into the current database (open without one), 2 open with open flag 2,
  // 3 save the current database under the path.
  void OpenDocument(int32_t code, const char* path) override;
  // Refused while a file operation shows its progress; otherwise every open database is asked to
  // close in turn (the first refusal refuses), then the toolkit's application decides.
  bool QueryClose(int32_t code) override;
  // Every window but the database windows, and with a window given only those of its database,
  // the given one last; the first refusal stops.
  bool CloseAllWindows(T_Window* window, int32_t code) override;

  uint8_t started = 0;
};

// Wires the application's hooks into the toolkit and the engine: the database-document windows
// rebuild the application's menus, and the commands "close" and "quit" queue deferred file
// commands. Call after InstallDatabaseServices.
void InstallApplicationServices();

// Codes of T_DeferFileCom.
constexpr uint32_t kDeferReopen = 0;
constexpr uint32_t kDeferClose = 1;
constexpr uint32_t kDeferQuit = 2;

// A file command run after the current message. The database may have closed in between (its
// window closed after the command was queued): a command for a database no longer open does
// nothing.
class T_DeferFileCom : public T_DeferCom {
 public:
  T_DeferFileCom(uint32_t code, T_Base* base) : code(code), base(base) {}
  // 0: closes the database without questions and opens its file again, with the copied password
  // (wiped after); 1: reports a pending error and closes the database; 2: reports a pending error
  // and quits.
  void Execute() override;

  uint32_t code;
  T_Base* base;
};

// Queues a file command on the application (nothing without one).
void PostDeferFileCom(uint32_t code, T_Base* base);

// Sends a change note of the code (1 signature, 2 date format) with no object to every open
// database and then to every window.
void BroadcastSetting(int32_t code);

// Empties the file (opened for writing, its end set at 0); false when it cannot be opened.
bool TruncateFile(const char* path);
