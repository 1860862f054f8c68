#include "database/opening.h"

#include <new>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/block_container.h"
#include "database/file_kinds.h"
#include "database/file_progress.h"
#include "database/file_questions.h"
#include "database/huffman_reader.h"
#include "database/line_origins.h"
#include "database/object_lists.h"
#include "database/operation_log.h"
#include "database/protection.h"
#include "database/read_paths.h"
#include "database/read_rollback.h"
#include "database/save_options.h"
#include "database/section_stream.h"
#include "database/sie_import.h"
#include "database/stored_object_holders.h"
#include "database/template_runner.h"
#include "database/text_form.h"
#include "database/xml_command_files.h"
#include "ui/event_record.h"
#include "ui/window.h"

namespace {

constexpr int32_t kErrorCancelledOpen = 603;
constexpr int32_t kErrorCannotOpen = 605;
constexpr int32_t kErrorReadingFile = 606;
constexpr int32_t kErrorNeedsImportSetup = 3813;  // also every kind without a reader yet
constexpr int32_t kAskAlreadyOpen = 4003;
constexpr int32_t kAskLaterVersion = 3810;
constexpr int32_t kAskPartlyLoaded = 3812;
constexpr int32_t kButtonOpen = 706;
constexpr int32_t kButtonContinue = 705;
constexpr int64_t kOpenHeadroom = 0x10000;

// Start macros and start subsets are the engine's own; tests put others in their place.
constexpr OpenDirectHooks kDefaultOpenDirect{RunStartMacros, OpenStartSubsets};
OpenDirectHooks openDirect = kDefaultOpenDirect;

// What a read replaces for its own duration and an outer read needs back.
struct OuterRead {
  SaveOptions options;
  int32_t order[kDimensionCount];
  int32_t orderCount;
  Protection* protection;
  int32_t fileKind;
  int32_t fileVersion;
  int32_t readFlags;
  int32_t readValueCount;
};

// The read's own save options (fresh defaults: the card records' "-D" options change them), its
// dimension order and a fresh protection holding the given password.
void BeginRead(T_Base* base, OuterRead* outer, const char* password, int32_t flags) {
  outer->options = base->saveOptions;  // the record moves, with its texts and filter
  base->saveOptions = SaveOptions{};
  SaveOptionsInit(&base->saveOptions, base);
  for (int32_t d = 0; d < kDimensionCount; ++d) outer->order[d] = base->dimensionOrder[d];
  outer->orderCount = base->dimensionOrderCount;
  UpdateDimensionOrder(base);
  outer->protection = base->protection;
  base->protection = ProtectionCreate(base);
  if (base->protection != nullptr && password != nullptr && *password != 0)
    SetProtectionPassword(base->protection, password);
  outer->fileKind = base->fileKind;
  outer->fileVersion = base->fileVersion;
  outer->readFlags = base->readFlags;
  outer->readValueCount = base->readValueCount;
  base->errorFlag = 0;
  base->readFlags = flags;
  base->readValueCount = 1;
}

// An import leaves the database's own file kind, version and protection; an open keeps those of
// the file it read.
void EndRead(T_Base* base, OuterRead* outer) {
  const bool importing = (base->readFlags & kOpenFlagImport) != 0;
  SaveOptionsFree(&base->saveOptions);
  base->saveOptions = outer->options;
  for (int32_t d = 0; d < kDimensionCount; ++d) base->dimensionOrder[d] = outer->order[d];
  base->dimensionOrderCount = outer->orderCount;
  Protection* spent = base->protection;
  if (importing || spent == nullptr) {
    base->protection = outer->protection;
  } else {
    spent = outer->protection;
    // The dimensions in use are the file's now.
    UpdateDimensionOrder(base);
  }
  ProtectionFree(spent);
  if (importing) {
    base->fileKind = outer->fileKind;
    base->fileVersion = outer->fileVersion;
  }
  base->readFlags = outer->readFlags;
  base->readValueCount = outer->readValueCount;
}

// The pending error, with the path as "@0", is the failure of the read.
void RefuseFile(T_Base* base, int32_t message, const char* path) {
  if (PendingErrorSet(message)) AlertAddText(&PendingError.request, path);
  FailOpen(base);
}

// A failure the file layer reported already (with its own text and button).
void FailOnFileError(T_Base* base) {
  base->errorFlag = 1;
  PendingError.abort.store(true, std::memory_order_relaxed);
}

TextImportHooks textImport = {};

bool HasReader(int32_t kind) {
  if (kind == kFileKindOtherText) return textImport.importText != nullptr;
  return (kind >= kFileKindContainerN && kind <= kFileKindContainerU) || kind == kFileKindHuffman ||
         kind == kFileKindTextForm || kind == kFileKindXmlCommands || kind == kFileKindSie;
}

// 3812 with two beeps: "Continue" keeps what was read, "Cancel" gives the file up.
void AskPartlyLoaded(T_Base* base, const char* path) {
  const int32_t answer =
      AskAboutFile(base, kAskPartlyLoaded, path, {kButtonCancel, kButtonContinue}, 1, 2);
  if (answer != kButtonContinue) AbandonRead(base, true);
}

void ReadContainer(T_Base* base, const char* path, int32_t kind, const char* password) {
  T_ShifterRead reader(base);
  if (!reader.Open(path, kind, password)) {
    if (reader.error != 0) {
      RefuseFile(base, reader.error, path);
    } else {
      FailOnFileError(base);
    }
    return;
  }
  const bool ended = readDatabaseSections(base, &reader);
  if (base->errorFlag) return;
  if (PendingError.request.message == kErrorReadingFile) {
    FailOnFileError(base);
    return;
  }
  if (AbortRequested()) return;  // stopped by the user: what was read stays
  // A file cut right after a whole block shows only by its missing end.
  if (reader.error != 0 || !ended) AskPartlyLoaded(base, path);
}

void ReadTextForm(T_Base* base, const char* path, int32_t fileDate) {
  T_HTextRead reader;
  reader.SetEncoding(FileDateEncoding(fileDate));
  // The "##Protection" line passes through the buffers in clear, as in the container's.
  reader.WipeWhenFreed();
  if (!reader.Open(path)) {
    FailOnFileError(base);
    return;
  }
  // A text form may be written by hand or by other programs: a missing end is only logged.
  readDatabaseSections(base, &reader);
  if (PendingError.request.message == kErrorReadingFile) FailOnFileError(base);
}

// The text of an old file is in the system code page. Damage found while decoding keeps what was
// read before it and leaves 3811 pending with the path for the caller to report.
void ReadHuffman(T_Base* base, const char* path) {
  T_HuffmanRead reader;
  reader.SetEncoding(kEncodingSystemPage);
  if (!reader.Open(path)) {
    FailOnFileError(base);
    return;
  }
  readDatabaseSections(base, &reader);
  reader.Close();
  if (PendingError.request.message == kErrorReadingFile) {
    FailOnFileError(base);
    return;
  }
  if (reader.error != 0 && PendingErrorSet(reader.error)) AlertAddText(&PendingError.request, path);
}

void ReadSie(T_Base* base, const char* path) {
  ImportSie(base, path);
  const int32_t pending = PendingError.request.message;
  if (pending == kErrorCannotOpen || pending == kErrorReadingFile) FailOnFileError(base);
}

bool StopRequested() { return AbortRequested() || ControlKeyHeld(); }

void RunOpenDirect(T_Base* base) {
  LogOperation(base, "open-direct commands", nullptr, kLogVerbExecuting | kLogStepIndent);
  if (openDirect.runMacros != nullptr && !StopRequested()) openDirect.runMacros(base);
  if (openDirect.openSubsetEditors != nullptr && !StopRequested())
    openDirect.openSubsetEditors(base);
  if (!StopRequested()) RunOpenAtStartTemplates(base);
  LogOperation(base, "open-direct commands", nullptr, kLogVerbCompleted | kLogStepOutdent);
}

void LogFileVersion(T_Base* base, int32_t date) {
  if (base->operationLog == nullptr || date == 0) return;
  T_TextBuf line("File version ");
  TextBufAppendInt(&line, date);
  LogWrite(base->operationLog, line.c_str(), 0);
}

// 605, 608 or 609 pending when the file cannot be opened for reading.
bool FileOpens(const char* path) {
  SysFile file;
  FileInit(&file);
  const bool opened = FileOpenRead(&file, path);
  FileDestroy(&file);
  return opened;
}

}  // namespace

void SetTextImportHooks(const TextImportHooks* hooks) {
  textImport = hooks != nullptr ? *hooks : TextImportHooks{};
}

void SetOpenDirectHooks(const OpenDirectHooks* hooks) {
  openDirect = hooks != nullptr ? *hooks : kDefaultOpenDirect;
}

void openFileByKind(T_Base* base, const char* path, const char* password, ImportSetup* importSetup,
                    int32_t flags) {
  const bool importing = (flags & kOpenFlagImport) != 0;
  LogFile(base, path, kLogVerbOpening | kLogStepIndent | kLogStepTime);
  if (flags & kOpenFlagNoOpenDirect) base->runOpenDirectCommands = 0;
  if ((flags & kOpenFlagErrorFile) && base->alertLog == nullptr) {
    T_TextBuf errorFile;
    ErrorFilePath(base, &errorFile);
    OpenErrorFile(base, errorFile.c_str(), false, -1, false, false);
  }

  // Imports the file's own commands may ask for look here first (3827): a file that imports
  // itself, directly or through others, would read without end.
  ReadPathScope reading(path);
  // A given password opens the file as the one that saved it, which never kept control
  // characters (SetProtectionPassword).
  T_TextBuf given;
  PasswordWithoutControls(password, &given);
  password = given.c_str();
  OuterRead outer;
  BeginRead(base, &outer, password, flags);
  if (importSetup == nullptr && base->importSetups != nullptr &&
      base->importSetups->next == nullptr)
    importSetup = base->importSetups;

  FileKindInfo info;
  DetectFileKind(&info, path);
  int32_t kind = info.kind;
  base->fileKind = kind;
  base->fileVersion = info.fileDate;
  LogFileVersion(base, info.fileDate);
  if (info.newer) {
    const int32_t answer =
        AskAboutFile(base, kAskLaterVersion, path, {kButtonCancel, kButtonContinue}, 1, 2);
    if (answer != kButtonContinue) {
      AbandonRead(base, true);
      kind = kFileKindNothing;
    }
  }
  if (!importing) {
    SetSaveKindFromFileKind(base, kind);
    if (kind >= kFileKindContainerN && kind <= kFileKindHuffman)
      base->secondSaveValue = info.compressed;
  }

  T_TextBuf asked;
  if (kind != kFileKindNothing && info.passwordMark && (password == nullptr || *password == 0)) {
    if (AskFilePassword(base->mainWindow, path, &asked)) {
      SetProtectionPassword(base->protection, asked.c_str());
      password = asked.c_str();
    } else {
      AbandonRead(base, true);
      kind = kFileKindNothing;
    }
  }
  if (!base->errorFlag && kind != kFileKindNothing) {
    int32_t refusal = FileKindMessage(base, importSetup);
    if (refusal == 0 && !HasReader(kind)) refusal = kErrorNeedsImportSetup;
    if (refusal != 0) {
      RefuseFile(base, refusal, path);
      kind = kFileKindNothing;
    }
  }

  if (kind != kFileKindNothing) {
    T_FileWait* progress =
        FileProgressOpen(importing ? kProgressImporting : kProgressOpening, base, path);
    if (base->lineOrigins != nullptr) BeginLineOriginFile(base, path);
    if (kind == kFileKindTextForm) {
      ReadTextForm(base, path, info.fileDate);
    } else if (kind == kFileKindXmlCommands) {
      readXmlCommandFile(base, path);
    } else if (kind == kFileKindSie) {
      ReadSie(base, path);
    } else if (kind == kFileKindHuffman) {
      ReadHuffman(base, path);
    } else if (kind == kFileKindOtherText) {
      textImport.importText(base, path, importSetup);
      const int32_t pending = PendingError.request.message;
      if (pending == kErrorCannotOpen || pending == kErrorReadingFile) FailOnFileError(base);
    } else {
      ReadContainer(base, path, kind, password);
    }
    if (base->lineOrigins != nullptr) EndLineOriginFile(base);
    FileProgressClose(progress);
  }
  TextBufWipe(&asked);
  TextBufWipe(&given);

  if (!importing) {
    // A database about to be deleted opens no windows.
    if (base->runOpenDirectCommands && !base->errorFlag) RunOpenDirect(base);
    base->SetModified(false);
    if (!base->errorFlag) base->fileTime = FileModifiedDate(path);
  }
  LogFile(base, path, kLogVerbClosed | kLogStepOutdent | kLogStepTime);
  EndRead(base, &outer);
}

void readNewDatabase(T_Base* base, const char* password, int32_t flags) {
  for (int64_t& counter : base->generatedCodeCounters) counter = 0;
  T_TextBuf path(*base->path);
  openFileByKind(base, path.c_str(), password, nullptr, flags);
}

T_Base* openDatabase(const char* path, const char* password, int32_t flags) {
  if (T_Base* open = FindOpenBase(path)) {
    if (flags & kOpenFlagReuseOpen) return open;
    if (open->mainWindow != nullptr) open->mainWindow->BringToFront();
    if (AskAboutFile(open, kAskAlreadyOpen, path, {kButtonOpen, kButtonCancel}) != kButtonOpen)
      return open;
  }
  if (!FileOpens(path) || AbortRequested()) return nullptr;
  if (!MemCanAlloc(kOpenHeadroom)) return nullptr;

  T_TextBuf absolute;
  PathMakeAbsolute(&absolute, path);
  auto* base = new (std::nothrow) T_Base(absolute.c_str(), 0);
  if (base == nullptr) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  readNewDatabase(base, password, flags);
  const int32_t pending = PendingError.request.message;
  if (!base->errorFlag &&
      (!AbortRequested() || (pending != kErrorCancelledOpen && pending != kErrorCannotOpen)))
    return base;
  if (base->errorFlag) PendingErrorReport();
  DeleteBase(base, kCloseSilently);
  return nullptr;
}

bool T_Base::ImportFile(const char* path, const char* password, ImportSetup* importSetup,
                        int32_t flags) {
  if (!FileOpens(path)) return false;
  ReadSnapshot snapshot;
  if (!TakeReadSnapshot(this, &snapshot)) return false;
  for (int64_t& counter : generatedCodeCounters) counter = 0;
  openFileByKind(this, path, password, importSetup, flags | kOpenFlagImport);
  const bool failed = errorFlag != 0;
  if (failed) RollBackRead(this, &snapshot);
  FreeReadSnapshot(&snapshot);
  return !failed;
}

T_Base* OpenDatabaseDialog() {
  T_TextBuf path;
  if (!FileOpenDialog(&path, kFileKindQeb | kFileKindQex)) {
    PendingErrorReport();  // a cancel is dropped silently
    return nullptr;
  }
  T_Base* base = openDatabase(path.c_str(), nullptr, 0);
  PendingErrorReport();
  return base;
}

bool ImportDialog(T_Base* base) {
  int32_t kinds = kFileKindQeb | kFileKindQex;
  if (base->importSetups != nullptr && base->importSetups->next == nullptr) kinds |= kFileKindTxt;
  T_TextBuf path;
  if (!FileOpenDialog(&path, kinds)) {
    PendingErrorReport();
    return false;
  }
  const bool imported = base->ImportFile(path.c_str(), nullptr, nullptr, 0);
  PendingErrorReport();
  return imported;
}
