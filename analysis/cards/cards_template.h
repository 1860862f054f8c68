#pragma once
// T_CardsTmpl: the stored description of a cards window (template kind 1): its selection and its
// options block on top of what every box template keeps.
//
// Keyed lines after the box template's, in this order, each optional (TAB between fields):
//
//   key        fields
//   "B" ...    the selection's keyed lines with the prefix "B"
//   "P"        the shown fields' letters joined by "," (value columns past the database's count
//              left out); files before 2000-12-19 use one character per field of an old table
//   "D"        one decimals letter of "0123456FTM" per value column
//   "N"        one negative-style letter of "-RP" per value column, when one is not "-"
//   "R"        one colour-rule letter of "-RG" per value column, when one is not "-"
//   "S"        groups and lines mode, two letters of "NSA", when not both "S"
//   "GC"       grid lines on
//   "Y"        the date style's letter, when the date column is shown
//   "T"        one display-string letter ("-" own, "CHTNMPR") per dimension position, when set
//   "wC" "wY" "wL" "wH"   widths of card id, title, line text, origin (only when not 0)
//   "wV"       value-column widths, one field each, empty for 0 (read: at most 24)
//   "wD"       dimension widths by position in the dimension order, empty for 0 (read: 32)
//   "Q" n      sort key n (1..8): "Q", n and the field letters in one field, then "C" + card
//              direction, "D" + dimension order, "T" + text direction, "V" + value order
//   "xtna"     pointer tool 4203 ("xtnh" 4202)
//
// Dimensions other than the first are written by position (T_Base::MapDimIndex), as the
// dimension sections number them, and read as dimension numbers.
#include <cstdint>

#include "analysis/cards/cards_fields.h"
#include "database/card_selection.h"
#include "database/templates.h"

class T_CardsTmpl : public T_BoxTmpl {
 public:
  explicit T_CardsTmpl(T_Base* database);
  ~T_CardsTmpl() override;

  void SetDefaults() override;
  bool ReadRecord(T_IStream* stream) override;
  void WriteText(T_OStream* stream) override;
  bool ReadXml(T_IStream* stream) override;
  void MarkUsedComponents(BitVector* components) override;
  void MarkSelectedLines(BitVector* lines) override;
  void SetParameter(const char* name, const char* value) override;
  int64_t MemorySize() const override;

  SelectionDef selection{};
  CardsOptions options{};

 private:
  void ReadShownFields(T_IStream* stream);
  void ReadSortKey(const char* key, T_IStream* stream);
  void ReadXmlColumns(T_IStream* stream);
  void ReadXmlContents(T_IStream* stream);
  void ReadXmlValues(T_IStream* stream);
};

T_CardsTmpl* AsCardsTemplate(T_Template* templ);
// The template factory's constructor of kind 1.
T_Template* NewCardsTemplate(T_Base* database);
