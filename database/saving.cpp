#include "database/saving.h"

#include "core/alert.h"
#include "core/cstring.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/base_sections.h"
#include "database/block_container.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/file_kinds.h"
#include "database/file_progress.h"
#include "database/file_questions.h"
#include "database/operation_log.h"
#include "database/protection.h"
#include "database/save_options.h"
#include "database/section_stream.h"
#include "database/macros.h"
#include "database/sie_export.h"
#include "database/stored_object_holders.h"
#include "database/web_users.h"
#include "database/stored_object_sections.h"
#include "database/subsets.h"
#include "database/template_sections.h"
#include "database/template_tree.h"
#include "database/text_form.h"
#include "database/time_scale.h"

namespace {

constexpr int32_t kAskChangedOnDisk = 4004;
constexpr int32_t kAskOlderProgramFile = 4005;
constexpr int32_t kAskNotDatabaseFile = 4006;
constexpr int32_t kButtonSaveAnyway = 4008;
constexpr int32_t kButtonReplace = 4009;
constexpr int32_t kTextTemplates = 4350;
// SaveDatabase's view of the file at the path: a file of a later version.
constexpr int32_t kKindLaterVersion = 10;

// Progress steps of the objects the dimension and card writers count.
constexpr int64_t kComponentSteps = 64;
constexpr int64_t kCardSteps = 104;
constexpr int64_t kLineSteps = 40;

// A save's own options and dimension order in place of the database's.
struct SavedState {
  SaveOptions options;
  int32_t order[kDimensionCount];
  int32_t orderCount;
};

void PutOptionsInPlace(T_Base* base, const SaveOptions* options, SavedState* saved) {
  saved->options = base->saveOptions;  // the record moves, with its texts and filter
  for (int32_t d = 0; d < kDimensionCount; ++d) saved->order[d] = base->dimensionOrder[d];
  saved->orderCount = base->dimensionOrderCount;
  base->saveOptions = SaveOptions{};
  SaveOptionsInit(&base->saveOptions, base);
  if (options != nullptr) {
    SaveOptionsCopy(&base->saveOptions, options);  // without memory the abort flag stops the save
  } else {
    SaveOptionsFromBase(&base->saveOptions, base);
  }
  UpdateDimensionOrder(base);
}

void PutOptionsBack(T_Base* base, SavedState* saved) {
  SaveOptionsFree(&base->saveOptions);
  base->saveOptions = saved->options;
  for (int32_t d = 0; d < kDimensionCount; ++d) base->dimensionOrder[d] = saved->order[d];
  base->dimensionOrderCount = saved->orderCount;
}

// The sections after the progress total is known; true when "##End" was written.
bool WriteSections(T_Base* base, T_OStream* stream, T_FileWait* progress) {
  EstimateSaveSize(base);
  FileProgressResetSteps(progress);
  return !AbortRequested() && writeDatabaseSections(base, stream);
}

bool MayCommit(const T_Base* base, bool closed, bool ended) {
  return closed && ended && !AbortRequested() && !base->errorFlag;
}

bool WriteContainer(T_Base* base, const char* path, T_FileWait* progress) {
  T_TextBuf password;
  if (base->saveOptions.sections[kSectionProtection] && base->protection != nullptr)
    GetProtectionPassword(base->protection, &password);
  bool committed = false;
  {
    T_ShifterWrite writer;
    if (writer.Open(path, &base->saveOptions, password.empty() ? nullptr : password.c_str())) {
      const bool ended = WriteSections(base, &writer, progress);
      const bool closed = writer.Close();
      if (MayCommit(base, closed, ended)) {
        committed = writer.Commit();
      } else {
        writer.Abandon();
      }
    }
  }
  TextBufWipe(&password);
  return committed;
}

bool WriteTextForm(T_Base* base, const char* path, T_FileWait* progress) {
  T_HTextWrite writer;
  writer.SetEncoding(kEncodingUtf8);
  // The "##Protection" section stands in clear in the buffer, as in the container's.
  writer.WipeWhenFreed();
  if (!writer.Open(path)) return false;
  WriteTextFormTag(&writer);
  const bool ended = WriteSections(base, &writer, progress);
  const bool closed = writer.Close();
  if (!MayCommit(base, closed, ended)) {
    writer.Abandon();
    return false;
  }
  return writer.Commit();
}

// The extension of the save kind when the name has none.
void AddSaveExtension(T_TextBuf* path, int32_t saveKind) {
  if (PathFindExtension(path->c_str()) != path->length) return;
  PathSetExtension(path, saveKind == kSaveKindText  ? "qex"
                         : saveKind == kSaveKindSie ? "si"
                                                    : "qeb");
}

int32_t DialogKinds(int32_t saveKind) {
  return saveKind == kSaveKindText ? kFileKindQex : kFileKindQeb;
}

// 605 and the abort flag of a file that does not open pass as if nothing was tried.
bool FileOpensQuietly(const char* path) {
  PendingErrorSaved before;
  PendingErrorSave(&before);
  SysFile file;
  FileInit(&file);
  const bool opened = FileOpenRead(&file, path);
  FileDestroy(&file);
  PendingErrorRestore(&before);
  return opened;
}

// The kind of the file now at the path as a save sees it; the save kind when there is none.
int32_t KindAtPath(const char* path, int32_t saveKind) {
  if (!FileOpensQuietly(path)) return saveKind;
  FileKindInfo info;
  DetectFileKind(&info, path);
  if (info.newer) return kKindLaterVersion;
  return info.kind == kFileKindHuffman ? kFileKindContainerN : info.kind;
}

// The question before a file of another kind is replaced; 0 for none.
int32_t ReplaceQuestion(int32_t present) {
  if (present == 6 || present == 7) return kAskOlderProgramFile;
  if (present == kFileKindNothing ||
      (present >= kFileKindXmlCommands && present <= kFileKindDamaged))
    return kAskNotDatabaseFile;
  return 0;
}

bool ChangedOnDisk(const T_Base* base, const char* path) {
  const double now = FileModifiedDate(path);
  return base->fileTime != 0 && now != 0 && now != base->fileTime;
}

// The database's file is now the one saved at the path.
void AdoptFile(T_Base* base, const char* path, int32_t targetKind) {
  T_TextBuf absolute;
  PathMakeAbsolute(&absolute, path);
  if (base->untitledNumber != 0 || !StrEqual(base->path->c_str(), absolute.c_str())) {
    base->untitledNumber = 0;
    TextBufAssignBuf(base->path, &absolute);
    base->NotifyCode(kChangePath);
  }
  SetSaveKindFromFileKind(base, targetKind);
  FillFileInfo(&base->fileInfo);
  base->SetModified(false);
  base->fileTime = FileModifiedDate(absolute.c_str());
}

// Raises the abort flag, as a cancel does.
bool Cancelled() {
  PendingErrorCancel();
  return false;
}

}  // namespace

bool saveByKind(T_Base* base, const char* path, const SaveOptions* options) {
  LogFile(base, path, kLogVerbWriting | kLogStepIndent | kLogStepTime);
  T_FileWait* progress = FileProgressOpen(kProgressSaving, base, path);
  base->errorFlag = 0;
  SavedState saved;
  PutOptionsInPlace(base, options, &saved);
  bool committed = false;
  switch (base->saveOptions.kind) {
    case kSaveKindContainer:
    case kSaveKindBrowser:
    case kSaveKindTemplates:
      committed = WriteContainer(base, path, progress);
      break;
    case kSaveKindText:
      committed = WriteTextForm(base, path, progress);
      break;
    case kSaveKindSie:
      committed = exportSie(base, path);
      break;
    default:
      base->errorFlag = 1;
      break;
  }
  LogFile(base, path, kLogVerbClosed | kLogStepOutdent | kLogStepTime);
  PutOptionsBack(base, &saved);
  FileProgressClose(progress);
  return committed;
}

bool SaveDatabase(T_Base* base) {
  T_TextBuf path(*base->path);
  // A database made without a path has no file to save to either.
  if (base->untitledNumber != 0 || path.empty()) {
    if (!FileSaveDialog(&path, DialogKinds(base->saveKind))) return false;
    AddSaveExtension(&path, base->saveKind);
  } else if (ChangedOnDisk(base, path.c_str())) {
    if (AskAboutFile(base, kAskChangedOnDisk, path.c_str(), {kButtonSaveAnyway, kButtonCancel}) !=
        kButtonSaveAnyway)
      return Cancelled();
  }
  SaveOptions options;
  SaveOptionsInit(&options, base);
  SaveOptionsFromBase(&options, base);
  const int32_t present = KindAtPath(path.c_str(), options.kind);
  const int32_t question = present != options.kind ? ReplaceQuestion(present) : 0;
  bool saved = false;
  if (question == 0 || AskAboutFile(base, question, path.c_str(),
                                    {kButtonReplace, kButtonCancel}) == kButtonReplace) {
    base->RaiseBusy();
    saved = saveByKind(base, path.c_str(), &options);
    base->LowerBusy();
    if (saved) AdoptFile(base, path.c_str(), options.kind);
  } else {
    Cancelled();
  }
  base->NotifyCode(kChangeSaved);
  SaveOptionsFree(&options);
  return saved;
}

bool SaveDatabaseTo(T_Base* base, const char* path, const SaveOptions* options) {
  SaveOptions own;
  SaveOptionsInit(&own, base);
  if (options == nullptr) {
    SaveOptionsFromBase(&own, base);
    FileKindFromExtension(&own, path);
  }
  const SaveOptions* used = options != nullptr ? options : &own;
  base->RaiseBusy();
  const bool saved = saveByKind(base, path, used);
  base->LowerBusy();
  if (saved && (options == nullptr || options->adoptFile)) AdoptFile(base, path, used->kind);
  base->NotifyCode(kChangeSaved);
  SaveOptionsFree(&own);
  return saved;
}

bool SaveDatabaseAs(T_Base* base) {
  T_TextBuf path(*base->path);
  if (!FileSaveDialog(&path, DialogKinds(base->saveKind))) return false;
  AddSaveExtension(&path, base->saveKind);
  // The text form carries the password readable: only who knows it may write one.
  SaveOptions chosen;
  SaveOptionsInit(&chosen, base);
  SaveOptionsFromBase(&chosen, base);
  FileKindFromExtension(&chosen, path.c_str());
  const bool readablePassword = chosen.kind == kSaveKindText &&
                                chosen.sections[kSectionProtection] != 0 &&
                                IsProtected(base->protection);
  SaveOptionsFree(&chosen);
  if (readablePassword && !AskPasswordToSaveText(base->protection)) return false;
  return SaveDatabaseTo(base, path.c_str(), nullptr);
}

bool SaveTemplates(T_Base* base) {
  T_TextBuf path;
  PathGetDir(base->path->c_str(), &path);
  if (!path.empty()) TextBufAppendChar(&path, '\\');
  TextBufAppend(&path, GetString(kTextTemplates));
  TextBufAppend(&path, ".qeb");
  if (!FileSaveDialog(&path, kFileKindQeb)) return false;
  SaveOptions options;
  SaveOptionsInit(&options, base);
  options.kind = kSaveKindTemplates;
  for (SaveSection off : {kSectionProtection, kSectionWebUsers, kSectionBaseOptions,
                          kSectionSaveSetups, kSectionImportSetups, kSectionTimeScales,
                          kSectionMacros, kSectionDimensions, kSectionCards})
    options.sections[off] = 0;
  const bool saved = SaveDatabaseTo(base, path.c_str(), &options);
  SaveOptionsFree(&options);
  return saved;
}

int64_t EstimateSaveSize(T_Base* base) {
  const uint8_t* sections = base->saveOptions.sections;
  int64_t size = 0;
  if (sections[kSectionProtection]) size += static_cast<int64_t>(sizeof(Protection));
  if (sections[kSectionWebUsers]) size += WebUserListMemSize(base->webUsers);
  if (sections[kSectionTimeScales]) {
    for (const TimeScale* scale = base->timeScales; scale != nullptr; scale = scale->next)
      size += TimeScaleMemorySize(scale);
  }
  if (sections[kSectionMacros]) {
    const Macro* macro = base->macros;
    for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) size += MacroMemorySize(macro);
  }
  if (sections[kSectionSaveSetups]) {
    for (const SaveSetup* setup = base->saveSetups; setup != nullptr; setup = setup->next)
      size += kSaveSetupSteps;
  }
  if (sections[kSectionImportSetups]) {
    for (const ImportSetup* setup = base->importSetups; setup != nullptr; setup = setup->next)
      size += kImportSetupSteps;
  }
  if (sections[kSectionDimensions]) {
    for (int32_t d = 0; d < kDimensionCount; ++d) {
      if (base->saveOptions.dimensionModes[d] != kDimSaveNone)
        size += kComponentSteps * CountDimensionComponents(base, d);
    }
  }
  // The filter is not consulted: an estimate of every card and line is close enough for a bar.
  if (sections[kSectionCards]) size += kCardSteps * base->cardCount + kLineSteps * base->lineCount;
  if (sections[kSectionSubsets] && base->subsets != nullptr)
    size += SubsetListMemSize(base->subsets);
  if (sections[kSectionTemplates]) size += kTemplateSteps * CountTemplates(base);
  FileProgressAddTotal(FileProgressCurrent(), size);
  return size;
}

void InstallSaveHooks(BaseServices* services) {
  services->saveDatabase = SaveDatabase;
  services->saveDatabaseAs = SaveDatabaseAs;
  services->saveTemplates = SaveTemplates;
}
