#pragma once
// The command language: one command per line, run against one database, from a "##Commands"
// section of a database file, a macro, an automation client (T_Base::RunCommandText) or a
// command file. A command is its first word, compared exactly; options are words that begin
// with "-", compared ignoring letter case; every other word is a bare word taken in order.
//
// Words of a line (the core tokenizer, core/input_stream.h):
//   - blanks and control characters separate words; double or single quotes hold blanks (a
//     quote after a backslash does not end them, and the backslash stays);
//   - "//" comments out the rest of the line; "/*" ... "*/" comments nest and may span lines;
//   - a lone backslash as the last word of a line continues the command on the next line; any
//     other word that begins with a backslash ("\\server\share\a.qeb") is a word;
//   - a line that begins with "##" always ends the command list: no comment or continuation
//     runs over it, and it stays current for the section reader.
//
// Refusals go through the read-problem prompt (database/read_prompt.h): 3819 unknown command,
// 3820 unknown option or surplus word, 3822 unknown dimension, 3825 unknown template or subset,
// 3829 a command whose service this version does not have. Cancel or Stop there raises the abort
// flag, which ends the list; Continue goes on with the next word or line.
//
// User-interface thread only, like the database.
#include <cstdint>

#include "core/input_stream.h"
#include "core/text_buffer.h"
#include "database/template_runner.h"

class T_Base;
class T_IStream;
class T_Window;
struct ImportSetup;
struct SaveOptions;

// The tokenizer flags of command lines.
constexpr uint32_t kCommandTokenFlags = kTokenSlashComment | kTokenBlockComment |
                                        kTokenSingleQuotes | kTokenDoubleQuotes |
                                        kTokenStopAtSections;

// The database and the stream being read; handlers take their further words from the stream's
// current command.
struct CommandContext {
  T_Base* base = nullptr;
  T_IStream* stream = nullptr;
  uint8_t wordsDone = 0;  // the current command has no words left
  // Where the last word stood in the current line, with what came before it since the word
  // before (blanks, comments, its quotes).
  char* wordFrom = nullptr;
  char* wordTo = nullptr;
};

// Runs the commands of the lines after the current one until a line that begins with "##" (left
// current and rewound), the end of the input or the abort flag. With an operation log each line
// is logged once as "command: " and the line (the word after "password" and after "-pw" shown
// as "*"), and what the command logs goes one level deeper. The stream's lines must be writable:
// a password is wiped where it stood.
void runCommands(CommandContext* context);
// How many command runs have stopped at a failed step (or at the abort flag) since the program
// started; a caller compares the count before and after an open that may run commands.
int64_t FailedCommandRuns();

// --- Words of the current command -----------------------------------------------------------

// The next word; false once the command's words are used up (the line's end, a "##" line).
bool NextCommandWord(CommandContext* context, T_TextBuf* word);
// The word is the option, letter case ignored ("-APPEND" is "-append").
bool IsCommandOption(const T_TextBuf* word, const char* option);
inline bool IsOptionWord(const T_TextBuf* word) { return word->length > 0 && word->data[0] == '-'; }
// 3820 with the word through the prompt.
void RefuseCommandWord(CommandContext* context, const char* word);
// Passes over the rest of the command's words, continued lines included.
void SkipCommandWords(CommandContext* context);
// Overwrites the last word read wherever the stream still holds it (its line and the token
// buffer), then wipes the copy: a password leaves no trace in memory.
void WipeCommandWord(CommandContext* context, T_TextBuf* word);

// --- Targets ---------------------------------------------------------------------------------

// What a name stands for among the allowed kinds (kEntryDatabaseWindow 1 for the word "base",
// kEntrySubset 2 for a subset of the database, kEntryTemplate 4 for an analysis template and
// kEntryFolder 8 for a folder of templates, each by full name). A name none of them has is
// reported with 3825 and gives kind 0.
TemplateRunEntry FindCommandTarget(CommandContext* context, const char* name, int32_t allowedKinds);
// The window of a target for one command: the database window (kind 1), or the analysis window
// built from the template, opened hidden (kind 4); null when none can be had (a subset editor is
// not available here). CloseCommandTarget closes such a window again, but never the database's
// own window.
T_Window* OpenCommandTarget(CommandContext* context, const TemplateRunEntry* target);
void CloseCommandTarget(CommandContext* context, T_Window* window);

// --- Seams -------------------------------------------------------------------------------------

// Reading and writing database files by kind, which the file layer above the commands brings.
// Until it is installed each answers "not available" (3829 through the prompt) and does nothing.
struct CommandFileServices {
  // Reads the file into the open database (an import: undone when the read fails); password
  // and setup may be null. False when nothing was imported.
  bool (*importFile)(T_Base* base, const char* path, const char* password, ImportSetup* setup,
                     int32_t flags);
  // Writes the database to the path as the options say; false when the save failed (the target
  // is then as it was).
  bool (*saveFile)(T_Base* base, const char* path, const SaveOptions* options);
};
// Null puts back the defaults; a null hook keeps its default.
void SetCommandFileServices(const CommandFileServices* services);

// "import -dim": a text file into a dimension's components, which the text imports above the
// engine bring. Missing: the option is not available (3829). False when nothing was imported.
using CommandDimensionImport = bool (*)(T_Base* base, int32_t dimension, const char* path);
void SetCommandDimensionImport(CommandDimensionImport hook);
CommandDimensionImport CurrentCommandDimensionImport();
const CommandFileServices& CurrentCommandFileServices();

// What the application does for "close" and "quit": both queue their work to run after the
// current message. Missing hooks do nothing.
struct CommandAppServices {
  void (*closeDatabase)(T_Base* base);
  void (*quitProgram)(T_Base* base);
  // "webqebserver": mode 1 on, 2 off, 0 keeps the switch; port 0 keeps the port. Missing: the
  // command is not available (3829).
  void (*setWebService)(int32_t mode, int32_t port);
};
void SetCommandAppServices(const CommandAppServices* services);
const CommandAppServices& CurrentCommandAppServices();
