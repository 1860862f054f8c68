// The formula field of the function windows: its variables and operator popups and its tokens.
#include "analysis/boxwin/formula_edit.h"

#include <cstring>

#include "analysis/boxwin/formula_menu.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kNameColumn = 57;
constexpr int32_t kEntryInset = 4;
constexpr int32_t kVariablesMax = 512;

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<uint8_t>(c) >= 0x80;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the token's text stands at the offset, as a whole word when it is one.
bool TokenStandsAt(const char* token, const char* text, int32_t length, int32_t at) {
  const auto n = static_cast<int32_t>(std::strlen(token));
  if (n == 0 || at + n > length) return false;
  for (int32_t i = 0; i < n; ++i) {
    if (Lower(token[i]) != Lower(text[at + i])) return false;
  }
  if (IsWordByte(token[0]) && at > 0 && IsWordByte(text[at - 1])) return false;
  if (IsWordByte(token[n - 1]) && at + n < length && IsWordByte(text[at + n])) return false;
  return true;
}

}  // namespace

T_FormulaEdit::T_FormulaEdit(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                             const char* text, const FormulaBuiltin* builtins,
                             int32_t builtinCount)
    : T_EditPopup(parent, rect, id, true), builtins(builtins), builtinCount(builtinCount) {
  SetText(text ? text : "");
}

int32_t T_FormulaEdit::EntryCount(int32_t kind) const {
  if (kind == kFormulaPopupNames) {
    const char* names[kVariablesMax];
    return VariableEntries(names, kVariablesMax);
  }
  return kind == kFormulaPopupOps ? kFormulaMenuCount + builtinCount : 0;
}

void T_FormulaEdit::EntryText(int32_t kind, int64_t entry, T_TextBuf* inserted,
                              T_TextBuf* hint) const {
  TextBufAssign(inserted, "");
  TextBufAssign(hint, "");
  if (entry < 0) return;
  if (kind == kFormulaPopupNames) {
    const char* names[kVariablesMax];
    const int32_t n = VariableEntries(names, kVariablesMax);
    if (entry < n && names[entry]) TextBufAssign(inserted, names[entry]);
    return;
  }
  if (kind != kFormulaPopupOps) return;
  if (entry < kFormulaMenuCount) {
    const int32_t description = GetFormulaMenuItem(static_cast<int32_t>(entry), inserted);
    if (description) TextBufAssign(hint, GetString(description));
    return;
  }
  const int64_t b = entry - kFormulaMenuCount;
  if (b >= builtinCount || !builtins[b].name) return;
  TextBufAssign(inserted, builtins[b].name);
  if (builtins[b].hint) TextBufAssign(hint, GetString(builtins[b].hint));
}

int32_t T_FormulaEdit::NameEntryOf(const char* text, int32_t n) const {
  if (n <= 0) return -1;
  const char* names[kVariablesMax];
  const int32_t count = VariableEntries(names, kVariablesMax);
  for (int32_t i = 0; i < count; ++i) {
    if (names[i] && static_cast<int32_t>(std::strlen(names[i])) == n &&
        _strnicmp(names[i], text, static_cast<size_t>(n)) == 0)
      return i;
  }
  return -1;
}

int32_t T_FormulaEdit::TokenAt(const char* text, int32_t length, int32_t at) const {
  if (at < 0 || at >= length) return 0;
  int32_t longest = 0;
  auto consider = [&](const char* token) {
    if (!token || !TokenStandsAt(token, text, length, at)) return;
    const auto n = static_cast<int32_t>(std::strlen(token));
    if (n > longest) longest = n;
  };
  const char* names[kVariablesMax];
  const int32_t count = VariableEntries(names, kVariablesMax);
  for (int32_t i = 0; i < count; ++i) consider(names[i]);
  T_TextBuf entry;
  for (int32_t i = 0; i < kFormulaMenuCount; ++i) {
    TextBufAssign(&entry, "");
    if (GetFormulaMenuItem(i, &entry)) consider(entry.data);
  }
  for (int32_t i = 0; i < builtinCount; ++i) consider(builtins[i].name);
  return longest;
}

void T_FormulaEdit::FindToken(int32_t* start, int32_t* length) {
  T_TextBuf text;
  GetText(&text);
  int32_t a = *start;
  int32_t b = *start + *length;
  if (a < 0) a = 0;
  if (a > text.length) a = text.length;
  if (b < a) b = a;
  if (b > text.length) b = text.length;
  // Back to the start of the nearest token; its end is reached in any case.
  for (int32_t p = a; p >= 0; --p) {
    const int32_t n = TokenAt(text.data, text.length, p);
    if (n == 0) continue;
    a = p;
    if (b < p + n) b = p + n;
    break;
  }
  // On over blanks and over what starts no token (numbers, unknown words).
  while (b < text.length &&
         (text.data[b] == ' ' || TokenAt(text.data, text.length, b) == 0))
    ++b;
  while (a < b && text.data[a] == ' ') ++a;
  while (b > a && text.data[b - 1] == ' ') --b;
  *start = a;
  *length = b - a;
}

void T_FormulaEdit::ShowPopup(InputEvent* event, int32_t start, int32_t length) {
  popupKind = popupMode == kPopupModeToken      ? kFormulaPopupNames
              : popupMode == kPopupModeOperator ? kFormulaPopupOps
                                                : kFormulaPopupEdit;
  int32_t preselected = -1;
  if (popupKind == kFormulaPopupNames) {
    T_TextBuf text;
    GetText(&text);
    if (start >= 0 && start + length <= text.length)
      preselected = NameEntryOf(text.data + start, length);
  }
  chosen = -1;
  const int32_t answer = RunContextMenu(this, 0, event, preselected);
  if (answer >= 0) chosen = answer;
}

void T_FormulaEdit::InsertName(const char* name) {
  if (!name || !*name) return;
  InsertText(name);
  ResetPopupChoice();
}

void T_FormulaEdit::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (phase == kMenuPhaseList && record->selector == 0) {
    popupKind = popupMode == kPopupModeToken      ? kFormulaPopupNames
                : popupMode == kPopupModeOperator ? kFormulaPopupOps
                                                  : kFormulaPopupEdit;
  }
  if (record->selector != 0 || popupKind == kFormulaPopupEdit) {
    T_EditPopup::ContextMenu(record, phase);
    return;
  }
  const int32_t kind = popupKind;
  T_TextBuf inserted, hint;
  if (phase != kMenuPhaseList) EntryText(kind, record->entry, &inserted, &hint);
  switch (phase) {
    case kMenuPhaseList:
      record->commands.list = nullptr;
      record->entry = EntryCount(kind);
      break;
    case kMenuPhaseMeasure:
      if (inserted.length == 0) {
        record->separator = 1;
        record->selectable = 0;
      } else if (kind == kFormulaPopupNames) {
        record->width = TextWidth(inserted.data) + 8;
        const char* edited = EditedName();
        record->selectable = edited && _stricmp(edited, inserted.data) == 0 ? 0 : 1;
      } else {
        record->width = TextWidth(hint.data) + kNameColumn + 8;
      }
      break;
    case kMenuPhaseDraw:
      if (inserted.length > 0) {
        RECT at = record->rect;
        at.left += kEntryInset;
        TextDrawLine(&at, inserted.data, nullptr);
        at.left += kNameColumn;
        if (kind == kFormulaPopupOps && hint.length > 0) TextDrawLine(&at, hint.data, nullptr);
      }
      break;
    case kMenuPhaseRun:
      chosen = record->entry;
      InsertName(inserted.data);
      break;
    default:
      break;
  }
}
