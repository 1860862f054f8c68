#include "ui/value_choosers.h"

#include <cmath>

#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "ui/database_services.h"

namespace {

constexpr int32_t kTextDecimals = 3112;
constexpr int32_t kTextNegative = 3113;
constexpr int32_t kTextNormal = 3114;
constexpr int32_t kTextColour = 3115;
constexpr int32_t kTextBlack = 2404;
constexpr int32_t kTextRedBlack = 3116;
constexpr int32_t kTextRedGreen = 3117;
constexpr int32_t kTextDimensionText = 3417;
constexpr int32_t kTextDimNormal = 3418;
constexpr int32_t kTextDimFirst = 3419;
constexpr int32_t kTextDate = 3107;
constexpr int32_t kTextDateFirst = 1300;
constexpr int32_t kTextFloating = 3517;
constexpr int32_t kTextThousands = 3515;
constexpr int32_t kTextMillions = 3516;

constexpr double kColourThreshold = 5.2e-7;
constexpr uint32_t kColourIndexBlack = 10;
constexpr uint32_t kColourIndexRed = 13;
constexpr uint32_t kColourIndexGreen = 19;

const char* const kEncodingLabels[T_ChooseEncoding::kItems] = {
    "UTF-8",           "UTF-16 LE",       "UTF-16 BE",          nullptr,
    "System Codepage", "Macintosh Roman", "Macintosh Roman CE", "Windows Latin 1",
    "Windows Latin 2", "PC DOS OEM"};

// Decimals lists; -1 is a separator, and "Floating" with its separator always ends a list.
constexpr int8_t kDecsThousands[] = {9, 8, -1, 0, 1, 2, 3, 4, 5, 6, -1, 7};
constexpr int8_t kDecsPlain[] = {0, 1, 2, 3, 4, 5, 6, -1, 7};

// Date-format items: the format number, -1 a separator.
constexpr int8_t kDateItems[] = {0, 1, 2, -1, 3, 4, 5, -1, 6, 7};
constexpr int64_t kDateItemCount = sizeof kDateItems;

constexpr int64_t kDimItemCount = 9;

int64_t Clamp(int64_t item, int64_t count) { return item >= 0 && item < count ? item : 0; }

bool IsOwnQuestion(const T_Chooser* self, const T_GrafElement* chooser,
                   const ChooserEvent* record) {
  return chooser == self && record->code == kChooserDescribe;
}

}  // namespace

// --- Encodings -----------------------------------------------------------------------------------

TextEncoding EncodingOfItem(int64_t item) {
  if (item >= 0 && item < 3) return static_cast<TextEncoding>(item);
  if (item > 3 && item < T_ChooseEncoding::kItems) return static_cast<TextEncoding>(item - 1);
  return -1;
}

int64_t ItemOfEncoding(TextEncoding encoding) {
  if (encoding >= kEncodingUtf8 && encoding < kEncodingSystemPage) return encoding;
  if (encoding >= kEncodingSystemPage && encoding <= kEncodingPc8) return encoding + 1;
  return 0;
}

T_ChooseEncoding::T_ChooseEncoding(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                   TextEncoding encoding)
    : T_Chooser(parent, rect, id, kItems, ItemOfEncoding(encoding), false) {
  EventHandler_Open(this);
}

void T_ChooseEncoding::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (!IsOwnQuestion(this, chooser, record)) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  if (record->index >= 0 && record->index < kItems) record->text = kEncodingLabels[record->index];
}

// --- Value columns
// --------------------------------------------------------------------------------

T_ChooseValue::T_ChooseValue(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                             T_Base* database, int32_t column)
    : T_Chooser(parent, rect, id, Database_ValueColumnCount(database), column, false),
      database(database) {
  current = Clamp(column, count);
  EventHandler_Open(this);
}

void T_ChooseValue::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (!IsOwnQuestion(this, chooser, record)) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  if (record->index < 0 || record->index >= count) return;
  T_TextBuf name;
  Database_FieldName(database, &name, kFieldValueFirst + static_cast<int32_t>(record->index));
  ChooserEvent_SetText(record, name.data);
}

void T_ChooseValue::OnChange(const ChangeNote* note) {
  T_Chooser::OnChange(note);
  if (!note || note->database != database) return;
  if (note->code == kChangeValueColumns ||
      (note->code == kChangeValueColumn && note->valueColumn == current)) {
    Remeasure();
  }
}

void T_ChooseValue::Remeasure() {
  int32_t columns = Database_ValueColumnCount(database);
  if (columns != count) SetItemCount(columns);
  if (!opened) return;
  Relayout();
  Item_Reshape(this, 0);
  Item_InvalidateShape(this, 0);
}

// --- Decimals
// ---------------------------------------------------------------------------------------

T_ChooseDecs::T_ChooseDecs(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t mode,
                           int32_t code)
    : T_Chooser(parent, rect, id, 0, 0, false), mode(mode) {
  count = CodeCount();
  if (mode == kModeThousands) SetTitleId(kTextDecimals);
  SelectCode(code);
  EventHandler_Open(this);
}

const int8_t* T_ChooseDecs::Codes() const {
  return mode == kModeThousands ? kDecsThousands : kDecsPlain;
}

int32_t T_ChooseDecs::CodeCount() const {
  return mode == kModeThousands ? static_cast<int32_t>(sizeof kDecsThousands)
                                : static_cast<int32_t>(sizeof kDecsPlain);
}

int32_t T_ChooseDecs::SelectedCode() const {
  if (current < 0 || current >= count) return 0;
  int32_t code = Codes()[current];
  return code < 0 ? 0 : code;
}

void T_ChooseDecs::UpdateFloating(int32_t currentCode) {
  bool inUse = currentCode == kDecimalsFloating;
  if (!inUse && database) {
    if (column == kAllColumns) {
      int32_t columns = Database_ValueColumnCount(database);
      for (int32_t c = 0; c < columns && !inUse; ++c)
        inUse = Database_DecimalsCode(database, c) == kDecimalsFloating;
    } else {
      inUse = Database_DecimalsCode(database, column) == kDecimalsFloating;
    }
  }
  uint8_t offered = inUse ? 1 : 0;
  int32_t wanted = offered ? CodeCount() : CodeCount() - 2;
  floatingOffered = offered;
  if (count != wanted) SetItemCount(wanted);
}

void T_ChooseDecs::SelectCode(int32_t code) {
  UpdateFloating(code);
  int64_t item = 0;
  for (int64_t i = 0; i < count; ++i) {
    if (Codes()[i] == code) {
      item = i;
      break;
    }
  }
  if (opened) {
    SetSelection(item, kSelectSilent);
  } else {
    current = item;
  }
}

void T_ChooseDecs::SetColumns(T_Base* bound, int32_t boundColumn) {
  database = bound;
  column = boundColumn;
  UpdateFloating(SelectedCode());
}

void T_ChooseDecs::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != this) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserChosen) {
    T_Chooser::OnChooserEvent(chooser, record);
    UpdateFloating(SelectedCode());
    return;
  }
  if (record->code != kChooserDescribe || record->index < 0 || record->index >= count) return;
  int32_t code = Codes()[record->index];
  static const char* const kDigits[] = {" 0 ", " 1 ", " 2 ", " 3 ", " 4 ", " 5 ", " 6 "};
  if (code < 0) return;
  if (code <= 6) {
    record->text = kDigits[code];
  } else {
    record->text = GetString(code == kDecimalsFloating    ? kTextFloating
                             : code == kDecimalsThousands ? kTextThousands
                                                          : kTextMillions);
  }
}

void T_ChooseDecs::OnChange(const ChangeNote* note) {
  T_Chooser::OnChange(note);
  if (note && database && note->database == database && note->code == kChangeDecimals) {
    UpdateFloating(SelectedCode());
  }
}

// --- Signs and colours --------------------------------------------------------------------------

T_ChooseNegval::T_ChooseNegval(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t style)
    : T_Chooser(parent, rect, id, 3, Clamp(style, 3), false) {
  SetTitleId(kTextNegative);
  EventHandler_Open(this);
}

void T_ChooseNegval::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (!IsOwnQuestion(this, chooser, record)) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  switch (record->index) {
    case 0:
      record->text = GetString(kTextNormal);
      break;
    case 1:
      record->text = " x\xC2\xB1";  // the sign after the number
      break;
    case 2:
      record->text = " (x)";
      break;
    default:
      break;
  }
}

uint32_t ValueColorIndex(double value, int32_t mode) {
  if (mode != kColourModeRedBlack && mode != kColourModeRedGreen) return kColourIndexBlack;
  if (value <= -kColourThreshold) return kColourIndexRed;  // minus infinity included; NaN never
  if (mode == kColourModeRedGreen && value >= kColourThreshold) return kColourIndexGreen;
  return kColourIndexBlack;
}

T_ChooseRedgreen::T_ChooseRedgreen(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                   int32_t mode)
    : T_Chooser(parent, rect, id, 3, Clamp(mode, 3), false) {
  SetTitleId(kTextColour);
  EventHandler_Open(this);
}

void T_ChooseRedgreen::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (!IsOwnQuestion(this, chooser, record)) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  static const int32_t kTexts[] = {kTextBlack, kTextRedBlack, kTextRedGreen};
  if (record->index >= 0 && record->index < 3) record->text = GetString(kTexts[record->index]);
}

// --- Display strings
// ------------------------------------------------------------------------------

int32_t DimStringCodeOfItem(int64_t item) {
  return item >= 2 && item < kDimItemCount ? static_cast<int32_t>(item - 2) : -1;
}

int64_t DimStringItemOfCode(int32_t code) {
  return code >= 0 && code + 2 < kDimItemCount ? code + 2 : 0;
}

const char* DimStringLabel(int64_t item) {
  if (item == 0) return GetString(kTextDimNormal);
  if (item >= 2 && item < kDimItemCount)
    return GetString(kTextDimFirst + static_cast<int32_t>(item - 2));
  return nullptr;
}

T_ChooseDimstring::T_ChooseDimstring(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                     int32_t code)
    : T_Chooser(parent, rect, id, kDimItemCount, DimStringItemOfCode(code), false) {
  SetTitleId(kTextDimensionText);
  EventHandler_Open(this);
}

void T_ChooseDimstring::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (!IsOwnQuestion(this, chooser, record)) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  record->text = DimStringLabel(record->index);
}

// --- Date formats
// ----------------------------------------------------------------------------------

int32_t DateFormatOfChoice(int64_t item) {
  if (item < 0 || item >= kDateItemCount || kDateItems[item] < 0) return 0;
  return kDateItems[item];
}

int64_t DateFormatToItem(int32_t format) {
  if (format < 0) return 0;
  for (int64_t i = 0; i < kDateItemCount; ++i) {
    if (kDateItems[i] == format) return i;
  }
  return 0;
}

T_ChooseDateformat::T_ChooseDateformat(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                       int32_t format)
    : T_Chooser(parent, rect, id, kDateItemCount, DateFormatToItem(format), false) {
  SetTitleId(kTextDate);
  EventHandler_Open(this);
}

void T_ChooseDateformat::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (!IsOwnQuestion(this, chooser, record)) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  if (record->index < 0 || record->index >= kDateItemCount || kDateItems[record->index] < 0) return;
  record->text = GetString(kTextDateFirst + kDateItems[record->index]);
}
