#include "ui/menu_model.h"

#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/localized_text.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "ui/application.h"
#include "ui/program_entry.h"

namespace {

constexpr int32_t kTextHelp = 226;
constexpr int32_t kMaxWatched = 64;

T_MenuItem* root = nullptr;
T_MenuItem* helpItem = nullptr;
T_MenuItemTag* aboutItem = nullptr;
bool menusChanged = false;
bool menuBarChanged = false;
const char* currentCommandTitle = nullptr;
T_MenuItem** watched[kMaxWatched] = {};

void Forget(T_MenuItem* item) {
  for (T_MenuItem** holder : watched) {
    if (holder && *holder == item) *holder = nullptr;
  }
  if (root == item) root = nullptr;
  if (helpItem == item) helpItem = nullptr;
  if (aboutItem == item) aboutItem = nullptr;
}

T_MenuItem* LastChild(T_MenuItem* parent) {
  return parent->firstChild ? parent->firstChild->previous : nullptr;
}

// Puts the item after `after` among the parent's children; null makes it the first child.
void InsertAfter(T_MenuItem* parent, T_MenuItem* item, T_MenuItem* after) {
  item->parent = parent;
  T_MenuItem* first = parent->firstChild;
  if (!first) {
    parent->firstChild = item;
    item->next = nullptr;
    item->previous = item;
    return;
  }
  if (!after) {
    item->next = first;
    item->previous = first->previous;
    first->previous = item;
    parent->firstChild = item;
    return;
  }
  item->previous = after;
  item->next = after->next;
  if (after->next) {
    after->next->previous = item;
  } else {
    first->previous = item;  // the new last child
  }
  after->next = item;
}

// The title shown when the pattern's "@0" is filled with the tag.
void TagTitle(const T_MenuItemTag* item, T_TextBuf* title) {
  TextBufAssign(title, GetString(item->patternId));
  T_TextBuf tag(item->tag.shown ? item->tag.shown : "");
  if (item->tag.id != 0 && CurrentLanguage() != kLanguageEnglish) StrToLower(tag.data);
  TextBufFillParamBuf(title, 0, &tag);
  // An empty tag leaves the blank that stood before it.
  TextBufTrimRight(title, ' ');
}

}  // namespace

// --- T_MenuItem ---------------------------------------------------------------------------------

T_MenuItem::T_MenuItem(T_MenuItem* other, uint32_t flags, int32_t commandId) : command(commandId) {
  UiTextClear(&title);
  enabled = (flags & kMenuDisabled) ? 0 : 1;
  ellipsis = (flags & kMenuEllipsis) ? 1 : 0;
  if (other) MenuItem_Link(this, other, flags & 3);
  MenuItem_MarkChanged(this, false);
}

T_MenuItem::~T_MenuItem() {
  MenuItem_MarkChanged(this, false);
  while (firstChild) delete firstChild;  // each child unlinks itself
  MenuItem_Unlink(this);
  Forget(this);
  UiTextFree(&title);
}

void T_MenuItem::Execute() {
  T_TextBuf shown(Title());
  TextBufRemoveChar(&shown, '&');
  int32_t id = command;
  const char* previous = currentCommandTitle;
  currentCommandTitle = shown.data;
  if (T_EventHandler* target = CommandTarget()) target->DoCommand(id);
  PendingErrorReport();
  currentCommandTitle = previous;
}

void T_MenuItem::ReloadTexts() {
  if (title.id != 0) {
    UiTextReload(&title);
    MenuItem_MarkChanged(this, true);
  }
  for (T_MenuItem* child = firstChild; child; child = child->next) child->ReloadTexts();
}

void T_MenuItem::SetTitleRef(const char* text) {
  UiTextSetRef(&title, text);
  MenuItem_MarkChanged(this, true);
}

void T_MenuItem::SetTitleId(int32_t textId) {
  UiTextSetId(&title, textId);
  MenuItem_MarkChanged(this, true);
}

void T_MenuItem::SetTitleCopy(const char* text) {
  UiTextSetCopy(&title, text);
  MenuItem_MarkChanged(this, true);
}

void T_MenuItem::SetTitleBlock(const char* block) {
  UiTextSetBlockCopy(&title, block);
  MenuItem_MarkChanged(this, true);
}

void T_MenuItem::SetBitmap(uint32_t id) {
  if (bitmap == id) return;
  bitmap = id;
  MenuItem_MarkChanged(this, false);
}

void T_MenuItem::SetShortcut(uint8_t key, uint32_t modifiers) {
  if (shortcutKey == key && shortcutModifiers == modifiers) return;
  shortcutKey = key;
  shortcutModifiers = modifiers;
  MenuItem_MarkChanged(this, false);
}

// --- T_MenuItemTag ------------------------------------------------------------------------------

T_MenuItemTag::T_MenuItemTag(T_MenuItem* other, uint32_t flags, int32_t commandId, int32_t pattern,
                             uint8_t key, uint32_t modifiers)
    : T_MenuItem(other, flags | kMenuDisabled, commandId), patternId(pattern) {
  UiTextClear(&tag);
  SetShortcut(key, modifiers);
  MenuItemTag_Rebuild(this);
}

T_MenuItemTag::~T_MenuItemTag() { UiTextFree(&tag); }

void T_MenuItemTag::ReloadTexts() {
  T_MenuItem::ReloadTexts();
  UiTextReload(&tag);
  MenuItemTag_Rebuild(this);
}

void T_MenuItemTag::SetTagAndEnable(int32_t textId, bool on) {
  UiTextFree(&tag);
  UiTextSetId(&tag, textId);
  MenuItemTag_Rebuild(this);
  MenuItem_SetEnabled(this, on);
}

void T_MenuItemTag::SetTagCopy(const char* text) {
  UiTextSetCopy(&tag, text);
  MenuItemTag_Rebuild(this);
}

void T_MenuItemTag::SetTagCopyAndEnable(const char* text, bool on) {
  SetTagCopy(text);
  MenuItem_SetEnabled(this, on);
}

void MenuItemTag_Rebuild(T_MenuItemTag* item) {
  T_TextBuf shown;
  TagTitle(item, &shown);
  // The application clears every tag at each idle update: an unchanged title must not make the
  // whole menu bar be rebuilt each time.
  if (item->title.copy && std::strcmp(item->Title(), shown.data) == 0) return;
  item->SetTitleCopy(shown.data);
}

// --- The tree -----------------------------------------------------------------------------------

void MenuItem_Link(T_MenuItem* item, T_MenuItem* other, uint32_t mode) {
  if (!other) return;
  switch (mode & 3) {
    case kMenuInsertInFront: {
      T_MenuItem* after = nullptr;
      for (T_MenuItem* child = other->firstChild; child && !child->trailing; child = child->next)
        after = child;
      InsertAfter(other, item, after);
      break;
    }
    case kMenuInsertTrailing:
      item->trailing = 1;
      InsertAfter(other, item, LastChild(other));
      break;
    case kMenuInsertBefore: {
      T_MenuItem* parent = other->parent;
      if (!parent) return;
      // Joining the trailing group keeps it together at the end.
      item->trailing = other->trailing;
      InsertAfter(parent, item, other == parent->firstChild ? nullptr : other->previous);
      break;
    }
    default: {
      T_MenuItem* parent = other->parent;
      if (!parent) return;
      item->trailing = other->trailing;
      InsertAfter(parent, item, other);
      break;
    }
  }
  if (item->parent && item->parent == root) SetIdleInterval(0);
}

void MenuItem_Unlink(T_MenuItem* item) {
  T_MenuItem* parent = item->parent;
  if (!parent) return;
  T_MenuItem* first = parent->firstChild;
  if (item == first) {
    parent->firstChild = item->next;
    if (item->next) item->next->previous = item->previous;
  } else {
    item->previous->next = item->next;
    if (item->next) {
      item->next->previous = item->previous;
    } else {
      first->previous = item->previous;  // the item was the last child
    }
  }
  item->parent = nullptr;
  item->next = nullptr;
  item->previous = nullptr;
}

void MenuItem_MarkChanged(T_MenuItem* item, bool retitled) {
  menusChanged = true;
  MarkMenusChanged();
  T_MenuItem* parent = item->parent;
  if (!parent) return;
  if (root && parent == root) {
    menuBarChanged = true;
    if (retitled) root->mnemonicsNeeded = 1;
  } else if (retitled) {
    parent->mnemonicsNeeded = 1;
  }
}

void MenuItem_SetEnabled(T_MenuItem* item, bool on) {
  uint8_t value = on ? 1 : 0;
  if (item->enabled == value) return;
  item->enabled = value;
  MenuItem_MarkChanged(item, false);
}

void MenuItemSetEnabledIfAny(T_MenuItem* item, bool on) {
  if (item) MenuItem_SetEnabled(item, on);
}
void MenuItemEnableIfAny(T_MenuItem* item) { MenuItemSetEnabledIfAny(item, true); }
void MenuItemDisableIfAny(T_MenuItem* item) { MenuItemSetEnabledIfAny(item, false); }

T_MenuItem* MenuItem_NextInWalk(T_MenuItem* item) {
  if (item->firstChild) return item->firstChild;
  for (T_MenuItem* at = item;; at = at->parent) {
    if (at->next) return at->next;
    if (!at->parent) return at;
  }
}

T_MenuItem* MenuItem_FindCommand(T_MenuItem* top, int32_t command) {
  if (!top || command == 0) return nullptr;
  if (top->command == command) return top;
  // A walk below the top only: stop when it climbs back to or above it.
  for (T_MenuItem* item = top->firstChild; item;) {
    if (item->command == command) return item;
    if (item->firstChild) {
      item = item->firstChild;
      continue;
    }
    while (item && !item->next) {
      item = item->parent;
      if (item == top) return nullptr;
    }
    if (item) item = item->next;
  }
  return nullptr;
}

void MenuItem_Watch(T_MenuItem** holder) {
  for (T_MenuItem**& slot : watched) {
    if (slot == holder) return;
  }
  for (T_MenuItem**& slot : watched) {
    if (!slot) {
      slot = holder;
      return;
    }
  }
}

void MenuItem_Unwatch(T_MenuItem** holder) {
  for (T_MenuItem**& slot : watched) {
    if (slot == holder) slot = nullptr;
  }
}

// --- Process-wide state ------------------------------------------------------------------------

T_MenuItem* MenuRoot() { return root; }

T_MenuItem* MenuRootCreate() {
  if (!root) root = new T_MenuItem(nullptr, 0, 0);
  return root;
}

void MenuRootDestroy() {
  delete root;  // clears root, Help and About through Forget
  menusChanged = false;
  menuBarChanged = false;
}

bool MenusChanged() { return menusChanged; }
bool MenuBarChanged() { return menuBarChanged; }
void ClearMenusChanged() {
  menusChanged = false;
  menuBarChanged = false;
}

const char* CurrentCommandTitle() { return currentCommandTitle; }
void SetCurrentCommandTitle(const char* text) { currentCommandTitle = text; }

T_MenuItem* MenuHelpEnsure() {
  if (helpItem || !root) return helpItem;
  helpItem = new T_MenuItem(root, kMenuInsertTrailing, 0);
  helpItem->SetTitleId(kTextHelp);
  return helpItem;
}

T_MenuItem* MenuHelp() { return helpItem; }
T_MenuItemTag* MenuAbout() { return aboutItem; }
void MenuSetAbout(T_MenuItemTag* item) { aboutItem = item; }

void MenuAboutUpdate() {
  if (aboutItem) aboutItem->SetTagCopy(ProgramName());
}
