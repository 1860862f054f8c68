#include "editors/editor_menus.h"

#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/file_dialogs.h"
#include "core/localized_text.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"

namespace {

T_MenuItem* EntryOf(int32_t command) {
  return command < 0 ? StandardEntry(command) : MenuItem_FindCommand(MenuRoot(), command);
}

}  // namespace

void EnableTaggedCommand(int32_t command, int32_t tagId) {
  T_MenuItem* entry = EntryOf(command);
  if (entry == nullptr) return;
  if (auto* tag = dynamic_cast<T_MenuItemTag*>(entry)) {
    tag->SetTagAndEnable(tagId, true);
  } else {
    MenuItem_SetEnabled(entry, true);
  }
}

void EnableTaggedCommandText(int32_t command, const char* tag) {
  T_MenuItem* entry = EntryOf(command);
  if (entry == nullptr) return;
  if (auto* tagged = dynamic_cast<T_MenuItemTag*>(entry)) {
    tagged->SetTagCopyAndEnable(tag, true);
  } else {
    MenuItem_SetEnabled(entry, true);
  }
}

void SetPatternCommandTitle(int32_t command, int32_t patternId, int32_t tagId) {
  T_MenuItem* entry = EntryOf(command);
  if (entry == nullptr) return;
  T_TextBuf title(GetString(patternId));
  T_TextBuf tag(GetString(tagId));
  if (CurrentLanguage() != kLanguageEnglish) StrToLower(tag.data);
  TextBufFillParamBuf(&title, 0, &tag);
  // An unchanged title marks nothing: the menu bar is not rebuilt for it.
  if (entry->title.copy && std::strcmp(entry->Title(), title.c_str()) == 0) return;
  entry->SetTitleCopy(title.c_str());
}

bool ImportPathOrAsk(const char* path, T_TextBuf* chosen) {
  TextBufAssign(chosen, path != nullptr ? path : "");
  if (path != nullptr) return true;
  if (FileOpenDialog(chosen, kFileKindTxt)) return true;
  PendingErrorClear();
  return false;
}
