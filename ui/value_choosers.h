#pragma once
// Choosers of one value out of a fixed vocabulary, used by settings dialogs and windows: a text
// encoding, a value column of a database, a decimals code, a negative-number style, a value
// colouring, a dimension display string and a date format. Each answers its own item texts and
// maps items to values and back; a choice climbs to the parents as chooser code 1. Items without
// a label are separators. Every chooser opens itself at the end of its construction.
//
// The separator-character chooser is in ui/char_chooser.h.
//
// User-interface thread only.
#include <cstdint>

#include "core/code_pages.h"
#include "ui/chooser.h"

class T_Base;

// --- Encodings -----------------------------------------------------------------------------------

// Items 0-2 are encodings 0-2, item 3 a separator, item i > 3 encoding i - 1.
TextEncoding EncodingOfItem(int64_t item);      // -1 for the separator
int64_t ItemOfEncoding(TextEncoding encoding);  // item 0 for an unknown encoding

class T_ChooseEncoding : public T_Chooser {
 public:
  static constexpr int64_t kItems = 10;
  T_ChooseEncoding(T_EventHandler* parent, const XYWH& rect, uint32_t id, TextEncoding encoding);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  TextEncoding SelectedEncoding() const { return EncodingOfItem(current); }
};

// --- Value columns
// --------------------------------------------------------------------------------

// One item per value column of the database, labelled with the column's name.
class T_ChooseValue : public T_Chooser {
 public:
  T_ChooseValue(T_EventHandler* parent, const XYWH& rect, uint32_t id, T_Base* database,
                int32_t column);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // Re-measures on a change of the value columns (32), and of the current column (37).
  void OnChange(const ChangeNote* note) override;
  void Remeasure();

  T_Base* database;
};

// --- Decimals
// ---------------------------------------------------------------------------------------

// "Floating" (7) is offered only while it is in use: the current code is 7, or the bound column's
// code is (any value column's for column -1). Without it the list loses its last two items (the
// separator and "Floating").
class T_ChooseDecs : public T_Chooser {
 public:
  static constexpr int32_t kModeThousands = 1;  // thousands and millions first, titled "Decimals"
  static constexpr int32_t kAllColumns = -1;

  T_ChooseDecs(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t mode, int32_t code);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // A decimals change (30) of the bound database re-evaluates "Floating".
  void OnChange(const ChangeNote* note) override;

  // The code of the current item (0 when it is none).
  int32_t SelectedCode() const;
  // Makes the code current (item 0 when the list does not hold it), without reporting.
  void SelectCode(int32_t code);
  // Binds the chooser to a database's decimals codes and one value column (-1 all columns).
  void SetColumns(T_Base* database, int32_t column);
  // The codes of the full list (-1 a separator) and their number.
  const int8_t* Codes() const;
  int32_t CodeCount() const;
  // Whether "Floating" is in use now; updates the item count.
  void UpdateFloating(int32_t currentCode);

  int32_t mode;
  T_Base* database = nullptr;
  int32_t column = 0;
  uint8_t floatingOffered = 1;
};

// --- Signs, colours, display strings, dates -------------------------------------------------

// 0 "Normal", 1 " x±", 2 " (x)": the negative-number styles of value formatting.
class T_ChooseNegval : public T_Chooser {
 public:
  T_ChooseNegval(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t style);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
};

// Colouring modes: 0 black, 1 red/black, 2 red/green.
constexpr int32_t kColourModeBlack = 0;
constexpr int32_t kColourModeRedBlack = 1;
constexpr int32_t kColourModeRedGreen = 2;
// The palette index for a value: red (13) for negatives at or below -5.2e-7 in modes 1 and 2,
// green (19) for positives at or above 5.2e-7 in mode 2, black (10) otherwise (NaN included).
uint32_t ValueColorIndex(double value, int32_t mode);

class T_ChooseRedgreen : public T_Chooser {
 public:
  T_ChooseRedgreen(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t mode);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
};

// Display string codes: -1 the dimension's own, 0-6 the forms of the dimension record.
int32_t DimStringCodeOfItem(int64_t item);  // item 0 (and the separator) -1, item i >= 2 i - 2
int64_t DimStringItemOfCode(int32_t code);  // -1 (and unknown codes) item 0, else code + 2
// The label of a display-string item (null for the separator).
const char* DimStringLabel(int64_t item);

class T_ChooseDimstring : public T_Chooser {
 public:
  T_ChooseDimstring(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t code);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  int32_t SelectedCode() const { return DimStringCodeOfItem(current); }
};

// Date formats 0-7 (texts 1300-1307) in three groups; a separator item gives format 0.
int32_t DateFormatOfChoice(int64_t item);
int64_t DateFormatToItem(int32_t format);  // item 0 for an unknown format

class T_ChooseDateformat : public T_Chooser {
 public:
  T_ChooseDateformat(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t format);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  int32_t SelectedFormat() const { return DateFormatOfChoice(current); }
};
