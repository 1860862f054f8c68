// The formula field of the time functions window's formula page.
#include "analysis/time/tfunc_formula_edit.h"

#include <cstring>

#include "analysis/boxwin/formula_menu.h"
#include "analysis/time/tfunc_window.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kBuiltinDescriptions = 5390;  // "Current year" .. "Line Count"
constexpr int32_t kNameColumn = 57;
constexpr int32_t kEntryInset = 4;
const char* const kBuiltinNames[] = {"year",       "month",   "day",        "weekday", "quarterday",
                                     "yearday",    "perioddays", "T",       "#"};
constexpr int32_t kBuiltins = 9;
constexpr int32_t kVariablesMax = 512;

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '#' || static_cast<uint8_t>(c) >= 0x80;
}

}  // namespace

T_TFormulaEdit::T_TFormulaEdit(T_EventHandler* parent, const XYWH& rect, T_TFunc* window,
                               T_TFormula* formula)
    : T_EditPopup(parent, rect, kFormulaEditId, true), window(window), formula(formula) {
  SetText(formula->text ? formula->text : "");
}

int32_t T_TFormulaEdit::BuiltinCount() { return kBuiltins; }

const char* T_TFormulaEdit::BuiltinName(int32_t i) {
  return i >= 0 && i < kBuiltins ? kBuiltinNames[i] : nullptr;
}

const char* T_TFormulaEdit::BuiltinDescription(int32_t i) {
  return i >= 0 && i < kBuiltins ? GetString(kBuiltinDescriptions + i) : nullptr;
}

int32_t T_TFormulaEdit::VariableEntries(const char** names, int32_t max) const {
  int32_t n = 0;
  for (T_TSelection* s = window->data.selections; s && n < max; s = s->nextSelection)
    names[n++] = s->name;
  if (window->data.formulas && n < max) names[n++] = nullptr;
  for (T_TFormula* f = window->data.formulas; f && n < max; f = f->nextFormula)
    names[n++] = f->name;
  return n;
}

void T_TFormulaEdit::InsertName(const char* name) {
  if (!name) return;
  InsertText(name);
  ResetPopupChoice();
}

void T_TFormulaEdit::FindToken(int32_t* start, int32_t* length) {
  T_TextBuf text;
  GetText(&text);
  int32_t a = *start, b = *start + *length;
  if (a < 0) a = 0;
  if (b > text.length) b = text.length;
  while (a < b && text.data[a] == ' ') ++a;
  while (b > a && text.data[b - 1] == ' ') --b;
  while (a > 0 && IsNameByte(text.data[a - 1])) --a;
  while (b < text.length && IsNameByte(text.data[b])) ++b;
  *start = a;
  *length = b - a;
}

void T_TFormulaEdit::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != 0 || popupMode == kPopupModeMenu) {
    T_EditPopup::ContextMenu(record, phase);
    return;
  }
  const char* names[kVariablesMax];
  const bool variables = popupMode == kPopupModeToken;
  const int32_t count = variables ? VariableEntries(names, kVariablesMax)
                                  : kFormulaMenuCount + kBuiltins;
  const int64_t entry = record->entry;
  T_TextBuf inserted, label;
  if (phase != kMenuPhaseList && entry >= 0 && entry < count) {
    if (variables) {
      TextBufAssign(&inserted, names[entry]);
    } else if (entry < kFormulaMenuCount) {
      const int32_t description = GetFormulaMenuItem(static_cast<int32_t>(entry), &inserted);
      if (description) TextBufAssign(&label, GetString(description));
    } else {
      TextBufAssign(&inserted, BuiltinName(static_cast<int32_t>(entry - kFormulaMenuCount)));
      TextBufAssign(&label, BuiltinDescription(static_cast<int32_t>(entry - kFormulaMenuCount)));
    }
  }
  switch (phase) {
    case kMenuPhaseList: {
      record->commands.list = nullptr;
      record->entry = count;
      // The variable named by the selected text is preselected.
      if (!variables) break;
      T_TextBuf text;
      GetText(&text);
      const int32_t a = GetSelStart(), n = GetSelLength();
      for (int32_t i = 0; i < count && n > 0; ++i) {
        if (names[i] && static_cast<int32_t>(std::strlen(names[i])) == n &&
            _strnicmp(names[i], text.data + a, n) == 0)
          record->alignToPreselected = 1;
      }
      break;
    }
    case kMenuPhaseMeasure:
      if (inserted.length == 0) {
        record->separator = 1;
        record->selectable = 0;
      } else if (variables) {
        record->width = TextWidth(inserted.data) + 8;
        record->selectable = formula && formula->name && std::strcmp(formula->name, inserted.data) == 0 ? 0 : 1;
      } else {
        record->width = TextWidth(label.data) + kNameColumn + 8;
      }
      break;
    case kMenuPhaseDraw:
      if (inserted.length > 0) {
        RECT at = record->rect;
        at.left += kEntryInset;
        TextDrawLine(&at, inserted.data, nullptr);
        at.left += kNameColumn;
        if (label.length > 0) TextDrawLine(&at, label.data, nullptr);
      }
      break;
    case kMenuPhaseRun:
      InsertName(inserted.length > 0 ? inserted.data : nullptr);
      break;
    default:
      break;
  }
}
