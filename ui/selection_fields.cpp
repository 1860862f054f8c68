#include "ui/selection_fields.h"

#include <windows.h>

#include "core/locale.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "core/utf8.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"
#include "ui/window.h"

namespace {

constexpr uint16_t kBar = 0x007C;
constexpr uint16_t kBackslash = 0x005C;
constexpr uint16_t kPlusMinus = 0x00B1;
constexpr uint16_t kNot = 0x00AC;
constexpr uint16_t kPilcrow = 0x00B6;
constexpr uint16_t kEllipsis = 0x2026;

constexpr ChoiceEntry kSeparator{0, 0, nullptr};

constexpr ChoiceEntry kComponentOperators[] = {
    {kBar, 1500, nullptr},
    {'&', 1501, nullptr},
    {kPlusMinus, 1502, nullptr},
    {kNot, 1503, nullptr},
    kSeparator,
    {'(', 1504, nullptr},
    {')', 1505, nullptr},
    kSeparator,
    {kBackslash, 1506, nullptr},
    {'!', 1507, nullptr},
    {'?', 1508, nullptr},
    {kPilcrow, 1509, nullptr},
    {'^', 1510, nullptr},
    {kEllipsis, 1511, nullptr},
    kSeparator,
    {'=', 1514, nullptr},
    {'@', 1515, nullptr},
};

constexpr const char* kCombinationWords[] = {"cards", "groups", "unbalanced"};

constexpr ChoiceEntry kSubsetOperators[] = {
    {kBar, 1500, nullptr}, {'&', 1501, nullptr}, {kPlusMinus, 1502, nullptr},
    {kNot, 1503, nullptr}, kSeparator,           {'(', 1504, nullptr},
    {')', 1505, nullptr},  kSeparator,           {0, 0, "cards"},
    {0, 0, "groups"},      {0, 0, "unbalanced"},
};

constexpr ChoiceEntry kPeriodOperators[] = {
    {kBar, 1500, nullptr},
    {'&', 1501, nullptr},
    {kPlusMinus, 1502, nullptr},
    {kNot, 1503, nullptr},
    kSeparator,
    {'(', 1504, nullptr},
    {')', 1505, nullptr},
    kSeparator,
    {kBackslash, 1506, nullptr},
    {'>', 1512, nullptr},
    {'<', 1513, nullptr},
    {kEllipsis, 1511, nullptr},
    kSeparator,
    {0, 0, "Day"},
    {0, 0, "Week"},
    {0, 0, "Month"},
    {0, 0, "Quarter"},
    {0, 0, "Year"},
    {0, 0, "File"},
    {0, 0, "Reference"},
};

constexpr ChoiceEntry kDateWords[] = {
    {0, 0, "Day"},  {0, 0, "Week"}, {0, 0, "Month"},     {0, 0, "Quarter"},
    {0, 0, "Year"}, {0, 0, "File"}, {0, 0, "Reference"},
};

template <size_t N>
const ChoiceEntry* Table(const ChoiceEntry (&table)[N], int32_t* count) {
  *count = static_cast<int32_t>(N);
  return table;
}

// Choice lists: the character at left + 5, the label (or the word) at left + 20.
constexpr int32_t kCharacterInset = 5;
constexpr int32_t kLabelInset = 20;
constexpr int32_t kLabelExtra = 21;
// Subset names: measured as their width + 8, drawn at left + 5.
constexpr int32_t kNameInset = 5;
constexpr int32_t kNameExtra = 8;

bool IsBlank(char c) { return c == ' '; }
bool IsQuote(char c) { return c == '\'' || c == '"'; }

const char* EntryLabel(const ChoiceEntry& entry) {
  return entry.word ? entry.word : GetString(entry.label);
}

bool IsSeparator(const ChoiceEntry& entry) { return !entry.word && entry.label == 0; }

// Drops trailing blanks of [start, end).
int32_t TrimEnd(const char* text, int32_t start, int32_t end) {
  while (end > start && IsBlank(text[end - 1])) --end;
  return end;
}

// A token that starts with a quote reaches to the closing quote; one that ends with a quote
// reaches back to the opening one, so an operator character inside a quoted name stays in it.
void ExtendToQuotes(const char* text, int32_t length, int32_t* start, int32_t* end) {
  if (*end <= *start) return;
  char first = text[*start];
  if (IsQuote(first)) {
    for (int32_t i = *start + 1; i < length; ++i) {
      if (text[i] == first) {
        if (i + 1 > *end) *end = i + 1;
        return;
      }
    }
    return;
  }
  char last = text[*end - 1];
  if (!IsQuote(last)) return;
  for (int32_t i = *end - 2; i >= 0; --i) {
    if (text[i] == last) {
      if (i < *start) *start = i;
      return;
    }
  }
}

// Whether one of the combination words ends just before `end` and stands as a word of its own
// (nothing but a blank, an operator or the text's start before it).
bool CombinationWordEndsAt(const char* text, int32_t end) {
  for (const char* word : kCombinationWords) {
    auto n = static_cast<int32_t>(lstrlenA(word));
    int32_t begin = end - n;
    if (begin < 0) continue;
    bool same = true;
    for (int32_t i = 0; i < n && same; ++i) {
      char c = text[begin + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == word[i];
    }
    if (!same) continue;
    if (begin == 0 || IsBlank(text[begin - 1])) return true;
    const char* before = text + begin;
    Utf8PrevChar(&before);
    int32_t length = 0;
    if (ScanCombinationOperator(before, &length) && before + length == text + begin) return true;
  }
  return false;
}

void TrimBlanks(T_TextBuf* text) {
  int32_t start = 0;
  while (start < text->length && IsBlank(text->data[start])) ++start;
  int32_t end = TrimEnd(text->data, start, text->length);
  T_TextBuf trimmed;
  TextBufAssignBytes(&trimmed, text->data + start, end - start);
  TextBufAssignBuf(text, &trimmed);
}

}  // namespace

// --- Choice lists -------------------------------------------------------------------------------

const ChoiceEntry* ComponentOperators(int32_t* count) { return Table(kComponentOperators, count); }
const ChoiceEntry* SubsetOperators(int32_t* count) { return Table(kSubsetOperators, count); }
const ChoiceEntry* PeriodOperators(int32_t* count) { return Table(kPeriodOperators, count); }
const ChoiceEntry* DateBoundWords(int32_t* count) { return Table(kDateWords, count); }

void ChoiceList_Chosen(const ChoiceEntry* entries, int32_t count, int64_t index, T_TextBuf* out) {
  TextBufAssign(out, "");
  if (index < 0 || index >= count) return;
  const ChoiceEntry& entry = entries[index];
  if (entry.word) {
    TextBufAssign(out, entry.word);
  } else if (entry.character) {
    TextBufAssignWideChar(out, entry.character);
  }
}

void ChoiceList_Menu(const ChoiceEntry* entries, int32_t count, T_EditPopup* field,
                     ContextMenuRecord* record, int32_t phase) {
  bool valid = record->entry >= 0 && record->entry < count;
  switch (phase) {
    case kMenuPhaseList:
      record->commands.list = nullptr;
      record->entry = count;
      break;
    case kMenuPhaseMeasure:
      if (!valid || IsSeparator(entries[record->entry])) {
        record->separator = 1;
        record->selectable = 0;
        break;
      }
      record->width = TextWidth(EntryLabel(entries[record->entry])) + kLabelExtra;
      break;
    case kMenuPhaseDraw: {
      if (!valid || IsSeparator(entries[record->entry])) break;
      const ChoiceEntry& entry = entries[record->entry];
      RECT at = record->rect;
      if (entry.character) {
        char character[8];
        Utf8EncodeZ(character, entry.character);
        at.left += kCharacterInset;
        TextDrawLine(&at, character, nullptr);
        at = record->rect;
      }
      at.left += kLabelInset;
      TextDrawLine(&at, EntryLabel(entry), nullptr);
      break;
    }
    case kMenuPhaseRun: {
      T_TextBuf chosen;
      ChoiceList_Chosen(entries, count, record->entry, &chosen);
      if (chosen.length > 0) {
        field->InsertText(chosen.data);
        field->ResetPopupChoice();
      }
      break;
    }
    default:
      break;
  }
}

// --- T_EditDim ----------------------------------------------------------------------------------

T_EditDim::T_EditDim(T_EventHandler* parent, const XYWH& rect, uint32_t id, T_Base* database,
                     int32_t dimension)
    : T_EditPopup(parent, rect, id, false), dimension(dimension), database(database) {
  EventHandler_Open(this);
}

void T_EditDim::BindSelection(CardSelection* value) {
  selection = value;
  ShowExpression();
}

void T_EditDim::ShowExpression() {
  T_TextBuf shown;
  CompSelPrintDimension(selection, &shown, dimension, ' ');
  SetText(shown.data);
}

void T_EditDim::OnChange(const ChangeNote* note) {
  T_EditPopup::OnChange(note);
  if (note->database != database || note->index != dimension) return;
  if (note->code == kChangeComponentsRebuilt || note->code == kChangeCodeCase ||
      note->code == kChangeComponentTexts) {
    ShowExpression();
  }
}

void T_EditDim::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field == this && selection) {
    CompSelSetDimensionText(selection, text->data, dimension);
    return;
  }
  T_EditPopup::OnEditText(text, field);
}

void T_EditDim::FindToken(int32_t* start, int32_t* length) {
  T_TextBuf now;
  GetText(&now);
  const char* text = now.data;
  int32_t from = *start < 0 ? 0 : (*start > now.length ? now.length : *start);
  int32_t to = from + (*length > 0 ? *length : 0);
  if (to > now.length) to = now.length;

  int32_t tokenStart = 0;
  for (int32_t p = from - 1; p >= 0; --p) {
    if (IsBlank(text[p])) continue;
    const char* after = text + p;
    if (NextSelectionOperator(&after)) {
      tokenStart = static_cast<int32_t>(after - text);
      if (tokenStart > from) tokenStart = from;  // the range starts inside the operator
      break;
    }
  }
  while (tokenStart < now.length && IsBlank(text[tokenStart])) ++tokenStart;

  int32_t end = to > tokenStart ? to : tokenStart;
  while (end < now.length && !IsSelectionOperator(text + end)) {
    const char* cursor = text + end;
    Utf8NextChar(&cursor);
    end = static_cast<int32_t>(cursor - text);
  }
  end = TrimEnd(text, tokenStart, end);
  ExtendToQuotes(text, now.length, &tokenStart, &end);
  *start = tokenStart;
  *length = end - tokenStart;
}

int32_t T_EditDim::TokenComponentAt(int32_t start, int32_t length) {
  FindToken(&start, &length);
  T_TextBuf now;
  GetText(&now);
  return ComponentOfToken(now.data + start, length);
}

int32_t T_EditDim::ComponentOfToken(const char* token, int32_t length) {
  if (length <= 0) return dimension;
  int32_t component = Database_FindComponentByKey(database, dimension, token, length);
  if (component >= kFirstComponent) return component;
  int32_t a = 0;
  int32_t b = length;
  for (char quote : {'\'', '"'}) {
    while (a < b && token[a] == quote) ++a;
    while (b > a && token[b - 1] == quote) --b;
  }
  return Database_FindComponentByKey(database, dimension, token + a, b - a);
}

void T_EditDim::ShowPopup(InputEvent* event, int32_t start, int32_t length) {
  if (!Database_HasSubComponents(database, dimension)) return;
  T_TextBuf now;
  GetText(&now);
  if (popupMode == kPopupModeMenu) {
    menuComponent = TokenComponentAt(start, length);
    remembered = 1;
    T_EditPopup::ShowPopup(event, start, length);
    remembered = 0;
    return;
  }
  if (popupMode == kPopupModeToken) {
    int32_t component = ComponentOfToken(now.data + start, length);
    T_TextBuf chosen;
    PopupComponentMenu(&chosen, database, dimension, component, POINT{event->x, event->y}, this,
                       event);
    if (chosen.length == 0) return;
    QuoteSelectionName(&chosen, kQuoteForField);
    InsertText(chosen.data);
    ResetPopupChoice();
    return;
  }
  T_EditPopup::ShowPopup(event, start, length);
}

void T_EditDim::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != 0) {
    T_EditPopup::ContextMenu(record, phase);
    return;
  }
  if (popupMode == kPopupModeOperator) {
    int32_t count;
    const ChoiceEntry* entries = ComponentOperators(&count);
    ChoiceList_Menu(entries, count, this, record, phase);
    return;
  }
  if (popupMode != kPopupModeMenu) return;
  if (phase == kMenuPhaseList) {
    T_EditPopup::ContextMenu(record, phase);
    if (!Database_HasSubComponents(database, dimension)) return;
    // The edit field's own right press runs the menu without ShowPopup: take the token at the
    // caret then.
    if (!remembered) menuComponent = TokenComponentAt(GetSelStart(), GetSelLength());
    PopupMenu_AddCommand(&record->commands, kMenuOpenDimension, true);
    return;
  }
  if (record->entry == kMenuOpenDimension) {
    if (phase == kMenuPhaseRun) OpenDimEditorAtComponent(database, dimension, menuComponent, 0);
    return;
  }
  T_EditPopup::ContextMenu(record, phase);
}

// --- T_EditSubset -------------------------------------------------------------------------------

T_EditSubset::T_EditSubset(T_EventHandler* parent, const XYWH& rect, uint32_t id)
    : T_EditPopup(parent, rect, id, false) {
  EventHandler_Open(this);
}

void T_EditSubset::BindCombination(Combination* value) {
  combination = value;
  ShowCombination();
  UpdateVisibility();
}

void T_EditSubset::ShowCombination() {
  T_TextBuf shown;
  PrintCombination(combination, &shown, ' ');
  SetText(shown.data);
}

void T_EditSubset::UpdateVisibility() {
  SetVisible(!combination || CombinationNameCount(combination) > 0);
}

void T_EditSubset::OnChange(const ChangeNote* note) {
  T_EditPopup::OnChange(note);
  switch (note->code) {
    case kChangeSubsetAdded:
    case kChangeSubsetRemoved:
      if (note->code == kChangeSubsetRemoved) menuSubset = nullptr;
      UpdateVisibility();
      break;
    case kChangeSubset:
      if (CombinationUsesSubset(combination, static_cast<Subset*>(note->object))) {
        ShowCombination();
      }
      break;
    default:
      break;
  }
}

void T_EditSubset::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field == this) CombinationSetText(combination, text->data);
  T_EditPopup::OnEditText(text, field);
}

void T_EditSubset::FindToken(int32_t* start, int32_t* length) {
  T_TextBuf now;
  GetText(&now);
  const char* text = now.data;
  int32_t from = *start < 0 ? 0 : (*start > now.length ? now.length : *start);
  int32_t to = from + (*length > 0 ? *length : 0);
  if (to > now.length) to = now.length;

  int32_t tokenStart = 0;
  for (int32_t p = from - 1; p >= 0; --p) {
    if (IsBlank(text[p])) continue;
    int32_t operatorLength = 0;
    if (ScanCombinationOperator(text + p, &operatorLength) && operatorLength > 0) {
      tokenStart = p + operatorLength > from ? from : p + operatorLength;
      break;
    }
    if (CombinationWordEndsAt(text, p + 1)) {
      tokenStart = p + 1;
      break;
    }
  }
  while (tokenStart < now.length && IsBlank(text[tokenStart])) ++tokenStart;

  int32_t end = to > tokenStart ? to : tokenStart;
  int32_t operatorLength = 0;
  while (end < now.length && !ScanCombinationOperator(text + end, &operatorLength)) {
    const char* cursor = text + end;
    Utf8NextChar(&cursor);
    end = static_cast<int32_t>(cursor - text);
  }
  end = TrimEnd(text, tokenStart, end);
  *start = tokenStart;
  *length = end - tokenStart;
}

Subset* T_EditSubset::SubsetAt(int32_t start, int32_t length) {
  FindToken(&start, &length);
  if (length <= 0) return nullptr;
  T_TextBuf now;
  GetText(&now);
  T_TextBuf token;
  TextBufAssignBytes(&token, now.data + start, length);
  return CombinationFindSubset(combination, token.data);
}

void T_EditSubset::ShowPopup(InputEvent* event, int32_t start, int32_t length) {
  if (!combination) return;
  T_TextBuf now;
  GetText(&now);
  if (popupMode == kPopupModeMenu) {
    menuSubset = SubsetAt(start, length);
    remembered = 1;
    RunContextMenu(this, 0, event, -1);
    remembered = 0;
    // Only the menu that just ran may open it: the subset may be gone by the next one.
    menuSubset = nullptr;
    return;
  }
  int32_t preselected = -1;
  if (popupMode == kPopupModeToken) {
    T_TextBuf selected;
    TextBufAssignBytes(&selected, now.data + start, length);
    TrimBlanks(&selected);
    int32_t count = CombinationNameCount(combination);
    for (int32_t i = 0; i < count && preselected < 0; ++i) {
      const char* name = CombinationName(combination, i);
      if (name && StrEqualNoCase(name, selected.data)) preselected = i;
    }
  }
  RunContextMenu(this, 0, event, preselected);
}

void T_EditSubset::NewSubset() {
  Subset* subset = SubsetNew(CombinationSubsetList(combination), 0);
  if (!subset) return;  // the engine set the pending error
  if (GetTextLength() == 0) {
    // The new subset becomes the field's part of the selection at once.
    SetTextNotify(SubsetName(subset));
    if (window) Window_DropFocus(window);
  }
  OpenSubsetEditor(subset, 0);
}

void T_EditSubset::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != 0) {
    T_EditPopup::ContextMenu(record, phase);
    return;
  }
  if (popupMode == kPopupModeOperator) {
    int32_t count;
    const ChoiceEntry* entries = SubsetOperators(&count);
    ChoiceList_Menu(entries, count, this, record, phase);
    return;
  }
  if (popupMode == kPopupModeToken) {
    int32_t count = CombinationNameCount(combination);
    bool valid = record->entry >= 0 && record->entry < count;
    const char* name =
        valid ? CombinationName(combination, static_cast<int32_t>(record->entry)) : nullptr;
    switch (phase) {
      case kMenuPhaseList:
        record->commands.list = nullptr;
        record->entry = count;
        break;
      case kMenuPhaseMeasure:
        if (!name) {
          record->separator = 1;
          record->selectable = 0;
        } else {
          record->width = TextWidth(name) + kNameExtra;
        }
        break;
      case kMenuPhaseDraw:
        if (name) {
          RECT at = record->rect;
          at.left += kNameInset;
          TextDrawLine(&at, name, nullptr);
        }
        break;
      case kMenuPhaseRun:
        if (name && *name) {
          InsertText(name);
          ResetPopupChoice();
        }
        break;
      default:
        break;
    }
    return;
  }
  if (phase == kMenuPhaseList) {
    T_EditPopup::ContextMenu(record, phase);
    if (!combination) return;
    if (!remembered) menuSubset = SubsetAt(GetSelStart(), GetSelLength());
    bool offered = CombinationSubsetList(combination) != nullptr;
    if (offered) PopupMenu_AddCommand(&record->commands, kMenuNewSubset, true);
    if (menuSubset) PopupMenu_AddCommand(&record->commands, kMenuOpenSubset, !offered);
    return;
  }
  if (record->entry == kMenuNewSubset || record->entry == kMenuOpenSubset) {
    if (phase != kMenuPhaseRun) return;
    if (record->entry == kMenuNewSubset) {
      NewSubset();
    } else {
      OpenSubsetEditor(menuSubset, 0);
    }
    return;
  }
  T_EditPopup::ContextMenu(record, phase);
}

// --- T_EditSubtime ------------------------------------------------------------------------------

T_EditSubtime::T_EditSubtime(T_EventHandler* parent, const XYWH& rect, uint32_t id)
    : T_EditPopup(parent, rect, id, false) {}

void T_EditSubtime::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != 0 || popupMode == kPopupModeMenu) {
    T_EditPopup::ContextMenu(record, phase);
    return;
  }
  int32_t count;
  const ChoiceEntry* entries = PeriodOperators(&count);
  ChoiceList_Menu(entries, count, this, record, phase);
}

// --- T_EditCID ----------------------------------------------------------------------------------

T_EditCID::T_EditCID(T_EventHandler* parent, const XYWH& rect, uint32_t id)
    : T_EditPopup(parent, rect, id, false) {}

void T_EditCID::BindBound(DateRef* value) {
  bound = value;
  T_TextBuf shown;
  Selection_BoundText(bound, &shown);
  SetText(shown.data);
}

void T_EditCID::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field == this && bound) {
    Selection_NormalizeBound(bound, text);
    return;
  }
  T_EditPopup::OnEditText(text, field);
}

void T_EditCID::ShowPopup(InputEvent* event, int32_t start, int32_t length) {
  if (popupMode != kPopupModeMenu) SelectAll();
  T_EditPopup::ShowPopup(event, start, length);
}

void T_EditCID::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != 0 || popupMode == kPopupModeMenu) {
    T_EditPopup::ContextMenu(record, phase);
    return;
  }
  int32_t count;
  const ChoiceEntry* entries = DateBoundWords(&count);
  ChoiceList_Menu(entries, count, this, record, phase);
}
