#pragma once
// Every command of the program's own menu entries (File, Edit, Database, Analysis, Help): who
// runs it, which window kinds enable it and when. The application's menu update reads it (the
// window commands go off before the active window enables its own, the database commands go to
// the database), and a test walks it against the built menus and the real handlers, so that an
// entry nobody runs cannot stand.
#include <cstdint>

// Who takes a command when its entry is chosen.
enum CommandRunner : uint8_t {
  kRunApplication,  // T_QEB itself
  kRunDatabase,     // the current database, by its own command number
  kRunWindow,       // the active window (or its focused element)
};

// Window kinds as bits: WindowBit(kWindowCards) and so on (ui/document_window.h).
constexpr uint32_t WindowBit(int32_t kind) { return 1u << kind; }
constexpr uint32_t kAnalysisWindows = 0x3Eu;  // kinds 1 to 5

struct CommandRow {
  int32_t command;   // the entry's command number
  CommandRunner runner;
  int32_t database;  // the database's number for it (kRunDatabase); 0 otherwise
  uint32_t windows;  // the kinds whose windows enable it; 0: the application decides alone
  const char* when;  // when they do
};

// The rows, in menu order; count gets their number.
const CommandRow* CommandRows(int32_t* count);
// The row of a command; null when the program's menus have no such command.
const CommandRow* FindCommandRow(int32_t command);
