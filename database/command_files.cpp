// Commands that reach outside the model: saving and importing database files, the error file,
// text files, the shell and the browser, the message box, the beep, and closing and quitting.
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/cstring.h"
#include "core/date_record.h"
#include "core/file_dialogs.h"
#include "core/file_stream.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/number_parse.h"
#include "core/system_beep.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/command_handlers.h"
#include "database/commands.h"
#include "database/file_kinds.h"
#include "database/import_setups.h"
#include "database/operation_log.h"
#include "database/read_paths.h"
#include "database/read_prompt.h"
#include "database/save_options.h"
#include "ui/alert_dialogs.h"
#include "ui/document_window.h"
#include "ui/element.h"
#include "ui/small_dialogs.h"

namespace {

constexpr int32_t kErrorAlreadyImported = 3827;  // File "@0" has already been imported
constexpr int32_t kErrorNoImportSetup = 3826;    // Import Setup "@0" not found
constexpr int32_t kQueryCloseAsk = 0;
// Free memory a save and an import need before they start: without it they could not finish
// their own bookkeeping, and they do nothing (the out-of-memory error stays pending).
constexpr size_t kSaveHeadroom = 16 * 1024;
constexpr size_t kImportHeadroom = 32 * 1024;

// The file layer's pending error (605 to 609, with the path) goes to the prompt instead, so one
// answer policy holds for the whole command list.
void AskPendingError(T_Base* base) {
  AlertRequest request = PendingError.request;
  PendingErrorClear();
  if (request.message == 0 || request.message == kErrorCancelled) return;
  AskReadError(base, &request);
}

void ResolvePath(CommandContext* context, const T_TextBuf* name, T_TextBuf* path) {
  ResolveBesideDatabase(context->base, name->c_str(), path);
}

// One file of an import; false when the list of files must stop (the file is already being
// read further out: it would import itself without end).
bool ImportOneFile(T_Base* base, const char* path, const char* password, ImportSetup* setup,
                   int32_t dimension) {
  if (IsBeingRead(path)) {
    AskReadErrorText(base, kErrorAlreadyImported, path);
    return false;
  }
  // The file layer enters every file it reads; entering it here as well keeps the commands safe
  // whatever reads the file.
  ReadPathScope reading(path);
  if (dimension >= 0) {
    CurrentCommandDimensionImport()(base, dimension, path);
    AskPendingError(base);
  } else {
    CurrentCommandFileServices().importFile(base, path, password, setup, 0);
  }
  return true;
}

// A file that would run as a program opens only when a user agrees: the commands of a file
// someone else wrote must not start code unasked.
bool MayOpen(const char* target) {
  return !PathRunsProgram(target) || ConfirmOpenProgram(nullptr, target);
}

// The one word of openFile and openURL; false without one. A second word is refused.
bool ReadSingleWord(CommandContext* context, T_TextBuf* first) {
  bool found = NextCommandWord(context, first);
  T_TextBuf word;
  while (NextCommandWord(context, &word)) RefuseCommandWord(context, word.c_str());
  return found && !AbortRequested();
}

}  // namespace

void CommandSave(CommandContext* context) {
  T_Base* base = context->base;
  if (!MemCanAlloc(kSaveHeadroom)) return;
  T_TextBuf name;
  if (!NextCommandWord(context, &name)) return;
  T_TextBuf path;
  ResolvePath(context, &name, &path);
  SaveOptions options;
  SaveOptionsInit(&options, base);
  SaveOptionsFromBase(&options, base);
  FileKindFromExtension(&options, path.c_str());
  T_TextBuf word;
  while (NextCommandWord(context, &word)) {
    // Letter options stand alone ("Fs", "C-"); a leading "-" is allowed.
    const char* letters = word.data;
    int32_t length = word.length;
    if (!ParseSaveOption(&options, letters, length) &&
        !(length > 1 && letters[0] == '-' && ParseSaveOption(&options, letters + 1, length - 1)))
      RefuseCommandWord(context, word.c_str());
  }
  if (!AbortRequested()) {
    bool saved = CurrentCommandFileServices().saveFile(base, path.c_str(), &options);
    if (saved && options.adoptFile && !AbortRequested() && !base->errorFlag) {
      TextBufAssignBuf(base->path, &path);
      base->untitledNumber = 0;
      base->NotifyCode(kChangePath);
      base->SetModified(false);
      base->NotifyCode(kChangeSaved);
    }
  }
  SaveOptionsFree(&options);
}

void CommandImport(CommandContext* context) {
  T_Base* base = context->base;
  if (!MemCanAlloc(kImportHeadroom)) return;
  T_TextBuf password, fileName, setupName, dimensionName;
  const char* unavailable = nullptr;
  bool setupNamed = false, dimensionNamed = false;
  bool fileNamed = false;
  T_TextBuf bare;
  bool named = ReadCommandWords(context, &bare, 1, [&](const T_TextBuf* word) {
                 T_TextBuf value;
                 if (IsCommandOption(word, "-pw")) {
                   if (NextCommandWord(context, &value)) {
                     TextBufAssignBuf(&password, &value);
                     WipeCommandWord(context, &value);
                   } else {
                     RefuseCommandWord(context, word->c_str());
                   }
                 } else if (IsCommandOption(word, "-s")) {
                   setupNamed = NextCommandWord(context, &setupName);
                   if (!setupNamed) RefuseCommandWord(context, word->c_str());
                 } else if (IsCommandOption(word, "-dim")) {
                   dimensionNamed = NextCommandWord(context, &dimensionName);
                   if (!dimensionNamed) RefuseCommandWord(context, word->c_str());
                   if (CurrentCommandDimensionImport() == nullptr) unavailable = "import -dim";
                 } else if (IsCommandOption(word, "-file")) {
                   fileNamed = NextCommandWord(context, &fileName);
                   if (!fileNamed) RefuseCommandWord(context, word->c_str());
                 } else {
                   return false;
                 }
                 return true;
               }) > 0;
  const T_TextBuf& name = fileNamed ? fileName : bare;
  named = named || fileNamed;
  ImportSetup* setup = nullptr;
  int32_t dimension = -1;
  if (setupNamed && unavailable == nullptr) {
    setup = FindImportSetup(base, setupName.c_str());
    if (setup == nullptr) {
      AskReadErrorText(base, kErrorNoImportSetup, setupName.c_str());
      named = false;
    }
  }
  if (dimensionNamed && unavailable == nullptr) {
    dimension = base->FindDimByName(dimensionName.c_str());
    if (dimension < 0) {
      RefuseCommandWord(context, dimensionName.c_str());
      named = false;
    }
  }
  if (unavailable != nullptr) {
    RefuseNotAvailable(context, unavailable);
  } else if (named && !AbortRequested()) {
    const char* secret = password.empty() ? nullptr : password.c_str();
    T_TextBuf pattern;
    ResolvePath(context, &name, &pattern);
    if (PathHasWildcards(pattern.c_str())) {
      int64_t imported = 0;
      DirListing listing;
      DirListingInit(&listing);
      if (DirListingOpen(&listing, pattern.c_str(), nullptr)) {
        T_TextBuf path;
        while (!AbortRequested() && DirListingNext(&listing, &path)) {
          if (listing.found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
          if (!ImportOneFile(base, path.c_str(), secret, setup, dimension)) break;
          ++imported;
        }
      }
      DirListingClose(&listing);
      if (base->operationLog != nullptr) {
        T_TextBuf line;
        TextBufAssignInt64(&line, imported);
        TextBufAppend(&line, " files imported");
        LogWrite(base->operationLog, line.c_str(), 0);
      }
    } else {
      SysFile probe;
      FileInit(&probe);
      bool exists = FileOpenRead(&probe, pattern.c_str());
      FileDestroy(&probe);
      if (exists) {
        ImportOneFile(base, pattern.c_str(), secret, setup, dimension);
      } else {
        AskPendingError(base);
      }
    }
  }
  TextBufWipe(&password);
}

void CommandErrorFile(CommandContext* context) {
  T_Base* base = context->base;
  bool noFile = false, append = false, verbose = false, persistent = false;
  int32_t language = -1;  // the current one
  T_TextBuf name;
  bool named = ReadCommandWords(context, &name, 1, [&](const T_TextBuf* word) {
                 if (IsCommandOption(word, "-nofile")) return noFile = true;
                 if (IsCommandOption(word, "-append")) return append = true;
                 if (IsCommandOption(word, "-verbose")) return verbose = true;
                 if (IsCommandOption(word, "-persistent")) return persistent = true;
                 if (!IsCommandOption(word, "-language")) return false;
                 T_TextBuf code;
                 if (!NextCommandWord(context, &code)) {
                   RefuseCommandWord(context, word->c_str());
                 } else if (LanguageFromCode(code.c_str()) < 0) {
                   RefuseCommandWord(context, code.c_str());
                 } else {
                   language = LanguageFromCode(code.c_str());
                 }
                 return true;
               }) > 0;
  if (AbortRequested()) return;
  if (noFile) {
    OpenErrorLog(base, nullptr, false);
    return;
  }
  if (!named) return;
  T_TextBuf path;
  ResolvePath(context, &name, &path);
  // The log writes each entry when it comes; a path it could never write is refused now, and
  // the log in place stays.
  SysFile probe;
  FileInit(&probe);
  bool existed = FileOpenRead(&probe, path.c_str());
  FileClose(&probe);
  PendingErrorClear();
  bool writable = FileOpenWrite(&probe, path.c_str());
  FileDestroy(&probe);
  if (!writable) {
    AskPendingError(base);
    return;
  }
  if (!existed) FileDelete(path.c_str());
  OpenErrorFile(base, path.c_str(), append, language, verbose, persistent);
  base->logChosenByCaller = 1;
}

void CommandWrite(CommandContext* context) {
  T_Base* base = context->base;
  bool withTime = false, clear = false, systemPage = false;
  T_TextBuf words[2];
  int32_t count = ReadCommandWords(context, words, 2, [&](const T_TextBuf* word) {
    if (IsCommandOption(word, "-time")) return withTime = true;
    if (IsCommandOption(word, "-clear")) return clear = true;
    if (IsCommandOption(word, "-syscodepage")) return systemPage = true;
    return false;
  });
  if (count == 0 || AbortRequested()) return;
  T_TextBuf& text = words[1];
  ReplaceEscapes(&text, "\\r", "\r");
  ReplaceEscapes(&text, "\\t", "\t");
  T_TextBuf path;
  ResolvePath(context, &words[0], &path);
  T_OStreamFile out;
  out.SetEncoding(systemPage ? kEncodingSystemPage : kEncodingUtf8);
  if (!out.Open(path.c_str(), clear ? 0 : kOpenAppend)) {
    AskPendingError(base);
    return;
  }
  out.PutTextBuf(&text);
  if (withTime) {
    if (!text.empty()) out.PutChar(' ');
    DateRecord now = DateNow();
    now.precision = 5;
    char stamp[24];
    DateFormat(&now, stamp);
    out.PutText(stamp);
  }
  out.PutText("\r\n");
  if (!out.Close()) AskPendingError(base);
}

void CommandOpenFile(CommandContext* context) {
  T_TextBuf name;
  if (!ReadSingleWord(context, &name)) return;
  T_TextBuf path;
  ResolvePath(context, &name, &path);
  if (MayOpen(path.c_str())) ShellOpen(path.c_str());
}

void CommandOpenUrl(CommandContext* context) {
  T_TextBuf address;
  if (!ReadSingleWord(context, &address)) return;
  // Only a file address can name a program; a web address ending in ".com" is a site.
  bool fileAddress = StrStartsWithNoCase(address.c_str(), "file:");
  if (!fileAddress || MayOpen(address.c_str())) BrowserShowUrl(address.c_str());
}

void CommandMessage(CommandContext* context) {
  T_TextBuf message, title, word;
  bool titled = false;
  int32_t seconds = 0;
  while (NextCommandWord(context, &word)) {
    if (IsCommandOption(&word, "-title")) {
      titled = NextCommandWord(context, &title);
      if (!titled) RefuseCommandWord(context, word.c_str());
    } else if (IsCommandOption(&word, "-seconds")) {
      T_TextBuf number;
      if (NextCommandWord(context, &number)) {
        seconds = StrToInt(number.c_str());
      } else {
        RefuseCommandWord(context, word.c_str());
      }
    } else if (IsOptionWord(&word)) {
      RefuseCommandWord(context, word.c_str());
    } else {
      if (!message.empty()) TextBufAppendChar(&message, ' ');
      TextBufAppendBuf(&message, &word);
    }
  }
  if (AbortRequested()) return;
  ReplaceEscapes(&message, "//", "\r");
  MsgDialog_Run(message.c_str(), titled ? title.c_str() : nullptr, seconds);
}

void CommandBeep(CommandContext* context) {
  T_TextBuf word;
  while (NextCommandWord(context, &word)) RefuseCommandWord(context, word.c_str());
  if (!AbortRequested()) SystemBeep();
}

void CommandClose(CommandContext* context) {
  T_Base* base = context->base;
  T_TextBuf title, word;
  bool titled = NextCommandWord(context, &title);
  while (NextCommandWord(context, &word)) RefuseCommandWord(context, word.c_str());
  if (AbortRequested()) return;
  if (!titled) {
    if (CurrentCommandAppServices().closeDatabase != nullptr)
      CurrentCommandAppServices().closeDatabase(base);
    return;
  }
  // The first window of that title that agrees to close.
  for (T_HWindow* window = WindowListFirst(); window != nullptr;) {
    T_HWindow* following = window->nextWindow;
    if (window->database == base && StrEqual(window->Title(), title.c_str()) &&
        EventHandler_CloseAndDelete(window, kQueryCloseAsk))
      return;
    window = following;
  }
}

void CommandWebqebserver(CommandContext* context) {
  auto setWebService = CurrentCommandAppServices().setWebService;
  if (setWebService == nullptr) {
    RefuseNotAvailable(context, "webqebserver");
    return;
  }
  int32_t mode = 0;
  int32_t port = 0;
  T_TextBuf word;
  while (NextCommandWord(context, &word)) {
    if (IsCommandOption(&word, "-start")) {
      mode = 1;
    } else if (IsCommandOption(&word, "-stop")) {
      mode = 2;
    } else if (IsCommandOption(&word, "-port")) {
      T_TextBuf number;
      if (NextCommandWord(context, &number))
        port = StrToInt(number.c_str());
      else
        RefuseCommandWord(context, word.c_str());
    } else {
      RefuseCommandWord(context, word.c_str());
    }
  }
  setWebService(mode, port);
}

void CommandQuit(CommandContext* context) {
  T_TextBuf word;
  while (NextCommandWord(context, &word)) RefuseCommandWord(context, word.c_str());
  context->base->runOpenDirectCommands = 0;
  if (CurrentCommandAppServices().quitProgram != nullptr)
    CurrentCommandAppServices().quitProgram(context->base);
}
