#include "database/base.h"

#include "core/alert.h"
#include "core/cstring.h"
#include "core/files.h"
#include "core/hash_index.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/threads.h"
#include "database/base_sections.h"
#include "database/change_notes.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/file_kinds.h"
#include "database/file_questions.h"
#include "database/line_origins.h"
#include "database/link_handlers.h"
#include "database/menu_marks.h"
#include "database/operation_log.h"
#include "database/protection.h"
#include "database/saving.h"
#include "database/stored_object_holders.h"
#include "database/web_users.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/time_scale.h"
#include "ui/dialog_base.h"
#include "ui/document_window.h"
#include "ui/link_handler.h"

namespace {

// The templates are the engine's own objects; what a database needs of the layers above starts
// missing.
BaseServices EngineServices() {
  BaseServices engine{};
  InstallSaveHooks(&engine);
  InstallTemplateHooks(&engine);
  engine.createLinkContext = CreateBaseLinkContext;
  return engine;
}

T_Base* firstBase = nullptr;
BaseServices services = EngineServices();
BaseClosingHook closingHook = nullptr;

constexpr int32_t kTextUntitled = 100;  // "Noname @0"
constexpr int32_t kAskSaveChanges = 3200;
constexpr int32_t kAskCloseFile = 3201;
constexpr int32_t kButtonSave = 709;
constexpr int32_t kButtonDontSave = 710;
constexpr int32_t kButtonClose = 707;
constexpr int64_t kUntitledHeadroom = 0x10000;

// Text 100 ("Noname @0") with the number, then ".qeb".
void UntitledName(T_TextBuf* name, uint32_t number) {
  TextBufAssign(name, GetString(kTextUntitled));
  TextBufFillParamInt(name, 0, static_cast<int32_t>(number));
  TextBufAppend(name, ".qeb");
}

void AppendToList(T_Base* base) {
  T_Base** link = &firstBase;
  while (*link) link = &(*link)->next;
  *link = base;
  base->next = nullptr;
}

void UnlinkFromList(T_Base* base) {
  for (T_Base** link = &firstBase; *link; link = &(*link)->next) {
    if (*link == base) {
      *link = base->next;
      base->next = nullptr;
      return;
    }
  }
}

// Records on a free list, which is never longer than its pool.
template <typename Record, typename NextOf>
int64_t FreeCount(Record* first, int64_t poolCount, NextOf next) {
  int64_t count = 0;
  for (Record* r = first; r && count < poolCount; r = next(r)) ++count;
  return count;
}

int64_t TextBytes(const char* block) { return MemAllocatedSize(block); }

int64_t RoundUpToKilobyte(int64_t bytes) { return (bytes + 1023) & ~int64_t{1023}; }

}  // namespace

T_Base* FirstBase() { return firstBase; }

void SetBaseServices(const BaseServices* replacement) {
  services = replacement ? *replacement : EngineServices();
}

const BaseServices& CurrentBaseServices() { return services; }

void SetBaseClosingHook(BaseClosingHook hook) { closingHook = hook; }

// --- Life ------------------------------------------------------------------------------------

// The scalar fields, the lists and the flags start at their field defaults (base.h); what is
// left here are the steps with effects, in their documented order.
T_Base::T_Base(const char* pathText, uint32_t untitled) {
  DateRefInit(&referenceDate, this, kDirectionTo);
  PagedArrayInit(&componentPool, sizeof(ComponentRecord), 0);
  PagedArrayInit(&cardPool, sizeof(CardRecord), 0);
  PagedArrayInit(&groupPool, sizeof(GroupRecord), 0);
  PagedArrayInit(&linePool, LineRecordWidth(1, 1, 2), 0);
  subsets = new SubsetList;
  SubsetListInit(subsets, this, kSubsetListOfDatabase);

  untitledNumber = untitled;
  path = new T_TextBuf(pathText ? pathText : "");

  AppendToList(this);

  if (services.createRootTemplate) rootTemplate = services.createRootTemplate(this);
  // Named silently: nothing can show the new database yet.
  if (untitledNumber != 0) UntitledName(path, untitledNumber);

  webUsers = WebUserListCreate(this);
  protection = ProtectionCreate(this);

  for (int32_t& code : decimalsCodes) code = 2;

  for (int32_t d = 0; d < kDimensionCount; ++d) {
    auto* root = reinterpret_cast<ComponentRecord*>(PagedArrayAtGrow(&componentPool, d));
    if (root) {
      *root = ComponentRecord{};
      root->number = d;
      root->prevSibling = root;
    }
    dimensions[d] = new DimensionRecord;
    dimensions[d]->database = this;
    dimensions[d]->number = d;
  }

  sentinelCard = reinterpret_cast<CardRecord*>(PagedArrayAtGrow(&cardPool, 0));
  if (sentinelCard) {
    *sentinelCard = CardRecord{};
    sentinelCard->next = sentinelCard;
    sentinelCard->previous = sentinelCard;
  }
  dateRing = new DateNode{};
  dateRing->next = dateRing;
  dateRing->previous = dateRing;
  dateRing->firstCard = sentinelCard;
  if (sentinelCard) sentinelCard->dateNode = dateRing;
  for (int32_t d = 0; d < kDimensionCount; ++d) defaultComponents[d] = d;
  // The save options' filter resolves its open bounds against the cards, so it comes once the
  // card chain exists.
  SaveOptionsInit(&saveOptions, this);

  if (services.createDefaultTemplate) {
    for (int32_t i = 0; i < 6; ++i)
      defaultTemplates[i] = services.createDefaultTemplate(this, kDefaultTemplateKinds[i]);
  }

  if (services.createLinkContext) linkContext = services.createLinkContext(this);

  if (services.createWindow) mainWindow = services.createWindow(this);
  modified = 0;

  ChangeNote note;
  note.code = kChangeDatabaseOpened;
  note.database = this;
  BroadcastToAllBases(&note);
}

T_Base::~T_Base() {
  LogOperation(this, "database", PathFindName(path->c_str()), kLogVerbClosed);
  CloseAlertLog(this, true);
  ForgetMenuDatabase(this);

  UnlinkFromList(this);
  if (closingHook) closingHook(this);
  ChangeNote note;
  note.code = kChangeDatabaseClosed;
  note.database = this;
  BroadcastToAllBases(&note);

  FreeLineOrigins(this);
  for (int64_t i = 1; i < cardPool.count; ++i) {
    auto* card = reinterpret_cast<CardRecord*>(PagedArrayAt(&cardPool, i));
    BlockTextFree(&card->title);
    BlockTextFree(&card->notes);
  }
  for (int64_t i = 0; i < linePool.count; ++i)
    BlockTextFree(&reinterpret_cast<LineRecord*>(PagedArrayAt(&linePool, i))->text);

  FreeComponentData(this);
  for (DimensionRecord*& dimension : dimensions) {
    BlockTextFree(&dimension->singular);
    BlockTextFree(&dimension->plural);
    delete dimension;
    dimension = nullptr;
  }
  for (DimImportSetup* setup : dimImports) DimImportFree(setup);

  TimeScaleFreeAll(this);
  BlockTextFree(&cardTitleLabel);
  BlockTextFree(&lineTextLabel);
  for (char*& name : valueNames) BlockTextFree(&name);

  if (services.deleteTemplate) {
    for (T_Template*& templ : defaultTemplates) {
      if (templ) services.deleteTemplate(templ);
      templ = nullptr;
    }
  }
  delete linkContext;
  linkContext = nullptr;
  if (rootTemplate && services.deleteTemplateTree) services.deleteTemplateTree(rootTemplate);
  rootTemplate = nullptr;

  FreeStoredObjectHolders(this);
  SaveOptionsFree(&saveOptions);

  if (mainWindow && services.destroyWindow) services.destroyWindow(this, mainWindow);
  mainWindow = nullptr;

  delete path;
  path = nullptr;
  WebUserListFree(webUsers);
  webUsers = nullptr;
  ProtectionFree(protection);
  protection = nullptr;
  if (subsets) SubsetListFree(subsets);
  delete subsets;
  subsets = nullptr;
  for (DateNode* node = dateRing->next; node != dateRing;) {
    DateNode* following = node->next;
    delete node;
    node = following;
  }
  delete dateRing;
  dateRing = nullptr;
  PagedArrayFree(&componentPool);
  PagedArrayFree(&cardPool);
  PagedArrayFree(&groupPool);
  PagedArrayFree(&linePool);
  DateRefFree(&referenceDate);
  FreeFileInfo(&fileInfo);
}

bool CanClose(T_Base* base, int32_t mode) {
  // Only modes 2 and 3 name a button to press; any other mode finds a dialog and refuses.
  if (!CloseDialogsOfDatabase(base, mode)) return false;
  if (!CloseWindowsOfDatabase(base, mode == kCloseAskAlways ? kCloseAsk : mode)) return false;
  if (mode == kCloseSilently) return true;

  if (base->modified) {
    switch (AskAboutFile(base, kAskSaveChanges, base->path->c_str(),
                         {kButtonSave, kButtonCancel, kButtonDontSave})) {
      case kButtonSave:
        return services.saveDatabase && services.saveDatabase(base);
      case kButtonDontSave:
        return true;
      default:
        return false;
    }
  }
  if (mode != kCloseAskAlways || !base->HoldsData()) return true;
  return AskAboutFile(base, kAskCloseFile, base->path->c_str(), {kButtonClose, kButtonCancel}) ==
         kButtonClose;
}

bool DeleteBase(T_Base* base, int32_t mode) {
  if (!base) return true;
  if (!CanClose(base, mode)) return false;
  delete base;
  return true;
}

T_Base* FindOpenBase(const char* path) {
  for (T_Base* base = firstBase; base; base = base->next) {
    if (base->untitledNumber == 0 && base->path && PathSameFile(base->path->c_str(), path))
      return base;
  }
  return nullptr;
}

bool IsOpenableFile(const char* path) {
  FileKindInfo info;
  DetectFileKind(&info, path);
  return IsDatabaseFileKind(info.kind);
}

T_Base* NewUntitledDatabase() {
  if (!MemCanAlloc(kUntitledHeadroom)) return nullptr;
  uint32_t number = 1;
  for (bool taken = true; taken;) {
    taken = false;
    for (T_Base* base = firstBase; base && !taken; base = base->next) {
      if (base->untitledNumber == number) {
        taken = true;
        ++number;
      }
    }
  }
  return new T_Base(nullptr, number);
}

// --- State with notices ------------------------------------------------------------------------

void T_Base::SetModified(bool on) {
  if ((modified != 0) == on) return;
  modified = on ? 1 : 0;
  MarkSaveEntry(this, on);
  ChangeNote note;
  note.code = kChangeModified;
  note.database = this;
  note.flag = modified;
  NotifyChange(this, &note);
}

void T_Base::SetSaveKind(int32_t kind) {
  if (saveKind == kind) return;
  saveKind = kind;
  NotifyCode(kChangeSaveKind);
}

void T_Base::NameUntitled() {
  if (untitledNumber == 0) return;
  T_TextBuf name;
  UntitledName(&name, untitledNumber);
  if (StrEqual(name.data, path->data)) return;
  TextBufAssignBuf(path, &name);
  NotifyCode(kChangePath);
}

bool T_Base::HoldsData() const {
  if (cardCount > 0) return true;
  int64_t freeComponents = FreeCount(componentFreeList, componentPool.count,
                                     [](ComponentRecord* c) { return c->nextSibling; });
  return componentPool.count - kDimensionCount - freeComponents > 0;
}

void T_Base::AfterCommand() {
  if (subsets) SubsetListReleaseIdle(subsets);
  // A log the caller named (an error file of a command or an automation client) stays for the
  // commands that follow; one the user chose when a read went wrong ends with the command.
  if (!logChosenByCaller) CloseAlertLog(this, false);
}

// --- Memory ------------------------------------------------------------------------------------

void T_Base::GetMemoryUsage(int64_t* used, int64_t* reclaimable) {
  int64_t bytes = static_cast<int64_t>(sizeof(T_Base));
  if (path) bytes += MemAllocatedSize(path) + MemAllocatedSize(path->heap);
  bytes += TextBytes(cardTitleLabel) + TextBytes(lineTextLabel);
  for (const char* name : valueNames) bytes += TextBytes(name);

  for (const DimensionRecord* dimension : dimensions) {
    if (!dimension) continue;
    bytes +=
        MemAllocatedSize(dimension) + TextBytes(dimension->singular) + TextBytes(dimension->plural);
    if (dimension->codeIndex) bytes += HashIndexMemSize(dimension->codeIndex);
    if (dimension->hostIndex) bytes += HashIndexMemSize(dimension->hostIndex);
  }
  // Through the trees: free records hold no texts, and the pool may hold records never used.
  for (int32_t d = 0; d < kDimensionCount && d < componentPool.count; ++d) {
    ComponentRecord* root = ComponentAt(this, d);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c))
      bytes += TextBytes(c->code) + TextBytes(c->text) + TextBytes(c->hostCode);
  }
  // The ring's nodes and its sentinel.
  bytes += (dateNodeCount + 1) * static_cast<int64_t>(sizeof(DateNode));

  bytes += PagedArrayMemSize(&componentPool) + PagedArrayMemSize(&cardPool) +
           PagedArrayMemSize(&groupPool) + PagedArrayMemSize(&linePool);
  for (int64_t i = 1; i < cardPool.count; ++i) {
    auto* card = reinterpret_cast<CardRecord*>(PagedArrayAt(&cardPool, i));
    bytes += TextBytes(card->title) + TextBytes(card->notes);
  }
  for (int64_t i = 0; i < linePool.count; ++i)
    bytes += TextBytes(reinterpret_cast<LineRecord*>(PagedArrayAt(&linePool, i))->text);

  bytes += StoredObjectHoldersMemSize(this);
  for (const TimeScale* scale = timeScales; scale; scale = scale->next)
    bytes += TimeScaleMemorySize(scale);
  if (subsets) bytes += SubsetListMemSize(subsets);
  bytes += TemplateMemory(this);
  bytes += LineOriginsMemSize(this);

  int64_t freeCards =
      FreeCount(cardFreeList, cardPool.count, [](CardRecord* c) { return c->next; });
  int64_t freeGroups =
      FreeCount(groupFreeList, groupPool.count, [](GroupRecord* g) { return g->next; });
  int64_t freeLines =
      FreeCount(lineFreeList, linePool.count, [](LineRecord* l) { return l->next; });
  int64_t spare = freeCards * static_cast<int64_t>(sizeof(CardRecord)) +
                  freeGroups * static_cast<int64_t>(sizeof(GroupRecord)) +
                  freeLines * LineRecordReportedSize(valueCount, lineSlots, referenceWidth);

  *used = RoundUpToKilobyte(bytes);
  *reclaimable = RoundUpToKilobyte(spare);
}
