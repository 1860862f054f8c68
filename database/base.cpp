#include "database/base.h"

#include "core/files.h"
#include "core/localized_text.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "database/change_notes.h"
#include "database/operation_log.h"
#include "database/protection.h"
#include "database/stored_object_holders.h"
#include "ui/link_handler.h"

namespace {

T_Base* firstBase = nullptr;
BaseServices services{};

constexpr int32_t kTextUntitled = 100;  // "Noname @0"

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

void FreeFileInfo(FileInfo* info) {
  BlockTextFree(&info->versionLabel);
  BlockTextFree(&info->platform);
  BlockTextFree(&info->operatingSystem);
  BlockTextFree(&info->computerName);
  BlockTextFree(&info->userName);
  BlockTextFree(&info->saveTime);
}

}  // namespace

T_Base* FirstBase() { return firstBase; }

void SetBaseServices(const BaseServices* replacement) {
  services = replacement ? *replacement : BaseServices{};
}

const BaseServices& CurrentBaseServices() { return services; }

T_Base::T_Base(const char* pathText, uint32_t untitled) {
  DateRefInit(&referenceDate, this, kDirectionTo);
  PagedArrayInit(&componentPool, sizeof(ComponentRecord), 0);
  PagedArrayInit(&cardPool, sizeof(CardRecord), 0);
  PagedArrayInit(&groupPool, sizeof(GroupRecord), 0);
  PagedArrayInit(&linePool, LineRecordWidth(1, 1, 2), 0);

  untitledNumber = untitled;
  path = new T_TextBuf(pathText ? pathText : "");
  AppendToList(this);

  if (services.createRootTemplate) rootTemplate = services.createRootTemplate(this);
  if (untitledNumber != 0) {
    TextBufAssign(path, GetString(kTextUntitled));
    TextBufFillParamInt(path, 0, static_cast<int32_t>(untitledNumber));
    TextBufAppend(path, ".qeb");
  }

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
    defaultComponents[d] = d;
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
  UnlinkFromList(this);
  ChangeNote note;
  note.code = kChangeDatabaseClosed;
  note.database = this;
  BroadcastToAllBases(&note);

  for (int64_t i = 1; i < cardPool.count; ++i) {
    auto* card = reinterpret_cast<CardRecord*>(PagedArrayAt(&cardPool, i));
    BlockTextFree(&card->title);
    BlockTextFree(&card->notes);
  }
  for (int64_t i = 0; i < linePool.count; ++i)
    BlockTextFree(&reinterpret_cast<LineRecord*>(PagedArrayAt(&linePool, i))->text);

  for (int64_t i = 0; i < componentPool.count; ++i) {
    auto* component = reinterpret_cast<ComponentRecord*>(PagedArrayAt(&componentPool, i));
    BlockTextFree(&component->code);
    BlockTextFree(&component->text);
    BlockTextFree(&component->hostCode);
  }
  for (DimensionRecord*& dimension : dimensions) {
    BlockTextFree(&dimension->singular);
    BlockTextFree(&dimension->plural);
    delete dimension;
    dimension = nullptr;
  }
  for (DimImportSetup* setup : dimImports) DimImportFree(setup);

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

  if (mainWindow && services.destroyWindow) services.destroyWindow(this, mainWindow);
  mainWindow = nullptr;

  delete path;
  path = nullptr;
  WebUserListFree(webUsers);
  webUsers = nullptr;
  ProtectionFree(protection);
  protection = nullptr;
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

void T_Base::NotifyCode(int32_t code) {
  ChangeNote note;
  note.code = code;
  note.database = this;
  NotifyChange(this, &note);
}
