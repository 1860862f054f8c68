#include "core/copy_table.h"

#include <cstring>
#include <initializer_list>

#include "core/cstring.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/number_parse.h"
#include "core/settings_store.h"
#include "core/utf8.h"

namespace {

constexpr char kCodeLetters[] = "AC31KV";
constexpr char kFlagKeys[] = "KWNEXM";
constexpr int64_t kSizeLimit = 0x7fffffffffffff00;

CopyTableSettings MakeDefaults() {
  CopyTableSettings record;
  CopyTableInit(&record);
  return record;
}

CopyTableSettings current = MakeDefaults();

uint16_t* SeparatorField(CopyTableSettings* record, char key) {
  switch (key) {
    case 'D':
      return &record->decimalSeparator;
    case 'T':
      return &record->thousandsSeparator;
    case 'F':
      return &record->fieldSeparator;
    case 'Q':
      return &record->fourthSeparator;
    case 'R':
      return &record->lineEnd;
    default:
      return nullptr;
  }
}

uint8_t* FlagField(CopyTableSettings* record, char key) {
  switch (key) {
    case 'K':
      return &record->flagK;
    case 'W':
      return &record->flagW;
    case 'N':
      return &record->flagN;
    case 'E':
      return &record->flagE;
    case 'X':
      return &record->flagX;
    case 'M':
      return &record->flagM;
    default:
      return nullptr;
  }
}

// The value of a separator entry (the bytes after its key letter).
uint16_t ReadSeparator(const char* value, int32_t n) {
  if (n > 0 && value[0] == 'D') return kSeparatorCurrent;
  if (n > 0 && value[0] == 'N') return kSeparatorNone;
  if (n > 0 && value[0] == 'L') return kSeparatorLineBreak;
  int32_t code = ParseInt(value, n);
  return code < 9 || code > 0xFFFF ? kSeparatorCurrent : static_cast<uint16_t>(code);
}

void SeparatorText(char* buffer, uint16_t code) {
  if (code == kSeparatorNone)
    strcpy(buffer, "N");
  else if (code == kSeparatorLineBreak)
    strcpy(buffer, "L");
  else if (code < 9)
    strcpy(buffer, "D");
  else
    IntToStr(buffer, code);
}

// Start and length of the first entry at or after from whose key letter is key; -1 when none.
int32_t FindEntry(const T_TextBuf* text, char key, int32_t from, int32_t* length) {
  int32_t at = from;
  while (at < text->length) {
    int32_t end = at;
    while (end < text->length && text->data[end] != ',') end++;
    if (end > at && text->data[at] == key) {
      *length = end - at;
      return at;
    }
    at = end + 1;
  }
  return -1;
}

// Removes the entry at [at, at + n) with the "," after it (the one before stays when it is last).
void RemoveEntry(T_TextBuf* text, int32_t at, int32_t n) {
  if (at + n < text->length) n++;
  TextBufReplaceBytes(text, at, n, "", 0);
}

void AppendEntry(T_TextBuf* text, char key, const char* value) {
  if (text->length > 0 && text->data[text->length - 1] != ',') TextBufAppendChar(text, ',');
  TextBufAppendChar(text, key);
  TextBufAppend(text, value);
}

struct SeparatorName {
  int32_t textId;
  const char* english;
  uint16_t code;
};

// The localized names in the order typed names are tried.
constexpr SeparatorName kLocalizedNames[] = {{1200, "point", 46},  {1201, "comma", 44},
                                             {1203, "space", 32},  {1205, "tab", 9},
                                             {1206, "return", 13}, {1207, "linefeed", 10}};
constexpr SeparatorName kFixedNames[] = {{0, "tab", 9},       {0, "space", 32}, {0, "return", 13},
                                         {0, "linefeed", 10}, {0, "cr", 13},    {0, "lf", 10}};

const char* NameText(const SeparatorName& name) {
  const char* text = name.textId ? GetString(name.textId) : nullptr;
  return text && text[0] ? text : name.english;
}

}  // namespace

CopyTableSettings* CopyTableCurrent() { return &current; }

void CopyTableInit(CopyTableSettings* record) {
  *record = CopyTableSettings{};
  record->decimalSeparator = kSeparatorCurrent;
  record->thousandsSeparator = kSeparatorNone;
  record->fieldSeparator = 9;
  record->fourthSeparator = kSeparatorNone;
  record->lineEnd = kSeparatorCurrent;
  record->code = 0;
}

void CopyTableParse(CopyTableSettings* record, const char* text) {
  if (!text) return;
  const char* p = text;
  while (*p) {
    if (*p == ',') {
      p++;
      continue;
    }
    const char* end = p;
    while (*end && *end != ',') end++;
    char key = *p;
    const char* value = p + 1;
    int32_t n = static_cast<int32_t>(end - value);
    if (uint16_t* separator = SeparatorField(record, key)) {
      *separator = ReadSeparator(value, n);
    } else if (uint8_t* flag = FlagField(record, key)) {
      *flag = 1;
    } else if (key == 'C' && n > 0) {
      const char* found = strchr(kCodeLetters, value[0]);
      if (found && value[0]) record->code = static_cast<int32_t>(found - kCodeLetters);
    }
    p = end;
  }
}

void CopyTableSetEntry(T_TextBuf* text, char key, const char* value) {
  int32_t length = 0;
  int32_t at = FindEntry(text, key, 0, &length);
  if (at < 0) {
    AppendEntry(text, key, value);
    return;
  }
  int32_t valueLength = static_cast<int32_t>(strlen(value));
  if (!TextBufReplaceBytes(text, at + 1, length - 1, value, valueLength)) return;
  int32_t later;
  while ((later = FindEntry(text, key, at + 1 + valueLength, &length)) >= 0)
    RemoveEntry(text, later, length);
}

void CopyTableSetFlag(T_TextBuf* text, char key, bool set) {
  int32_t length = 0;
  int32_t at = FindEntry(text, key, 0, &length);
  if (set) {
    if (at < 0) AppendEntry(text, key, "");
    return;
  }
  while (at >= 0) {
    RemoveEntry(text, at, length);
    at = FindEntry(text, key, at, &length);
  }
}

void CopyTableWrite(const CopyTableSettings* record, T_TextBuf* text) {
  CopyTableSettings copy = *record;
  char value[16] = {kCodeLetters[copy.code >= 0 && copy.code < 6 ? copy.code : 0], 0};
  CopyTableSetEntry(text, 'C', value);
  for (char key : {'D', 'T', 'F', 'Q', 'R'}) {
    SeparatorText(value, *SeparatorField(&copy, key));
    CopyTableSetEntry(text, key, value);
  }
  for (const char* key = kFlagKeys; *key; key++)
    CopyTableSetFlag(text, *key, *FlagField(&copy, *key) != 0);
}

void CopyTableSave() {
  SettingsStore store;
  SettingsOpen(&store, "QEB/TK", kSettingsUser);
  T_TextBuf text;
  SettingsRead(&store, "CopyTable", &text);
  CopyTableWrite(&current, &text);
  SettingsWrite(&store, "CopyTable", text.c_str());
  SettingsClose(&store);
}

void separatorToName(T_TextBuf* text, uint32_t code) {
  TextBufSetLength(text, 0);
  if (code == 0) return;
  for (const SeparatorName& name : kLocalizedNames) {
    if (name.code == code) {
      TextBufAssign(text, NameText(name));
      return;
    }
  }
  if (code >= 32) {
    char bytes[4];
    TextBufAssignBytes(text, bytes, Utf8Encode(bytes, code));
    return;
  }
  char number[16];
  IntToStr(number, static_cast<int32_t>(code));
  TextBufAppendChar(text, '#');
  TextBufAppend(text, number);
}

uint32_t separatorFromName(const char* text) {
  if (!text || !text[0]) return 0;
  if (text[0] == ' ') return 32;
  if (text[0] == '#' && text[1]) {
    int32_t code = StrToInt(text + 1);
    return code >= 1 && code <= 0xFFFF ? static_cast<uint32_t>(code) : 35;
  }
  if (Utf8CharCount(text) > 1) {
    for (const SeparatorName& name : kLocalizedNames) {
      if (StrStartsWithNoCase(NameText(name), text)) return name.code;
    }
    for (const SeparatorName& name : kFixedNames) {
      if (StrStartsWithNoCase(name.english, text)) return name.code;
    }
  }
  return Utf8Decode(text);
}

int64_t MaxSizeLimit() { return kSizeLimit; }

int64_t ClampToLimit(int64_t n) { return n < kSizeLimit ? n : kSizeLimit; }
