#pragma once
// The components template (kind 3): what a components window is built from and written back
// into. Its records follow the box template's, in this order:
//
//   key          fields                           meaning
//   "B"...       as SelectionDef_writeKeys        the selection (prefix letter B)
//   "F"          column letter                    the value field, "A" + index
//   "D"          letter of "0123456FTM"           graphic decimals (files before 20001219: also
//                                                 every column's decimals)
//   "P", "K"     as T_StruxTmpl                   the view dimensions
//   "Gx", "Gy"   as the box windows               grid lines
//   "S"          three letters                    value order "DEFCBA", sort column's type letter
//                                                 or "-", component order "NRCTH"; only when
//                                                 sorting is set ("-" alone: no sorting)
//   "R"          letter of "FSD"                  outline indentation 0, 1, 2
//   "VP"         type letter                      graphic value type, when not Period
//   "%" + letter (one field)                      percentage labels "-ID"
//   "WP"         (key only)                       graphic presentation (view mode 3)
//   "ZC"         (key only)                       no value scale in the graphic
//   "ZS" / "ZD"  (key only)                       graphic shows totals / own values
//   "ZX"         text                             expansion state (T_StruxTmpl)
//   "ZM" / "ZN"  (key only)                       graphic colour mode 1 / 2
//   "ZR" / "ZP"  (key only)                       graphic negative style 1 / 2
//   "wD"         width                            header chooser width, when 16 or more
//   "Q" + type   flags, width, decimals letter    one per value type: "V"/"v" shown, "S"/"s"
//                                                 sublevels, "n"/"x"/"p" negative style, "r"/"Q"/
//                                                 "R" colour mode, "B"/"b" bold; width empty
//                                                 below 16
//   "xtnh"/"xtna" (key only)                      tool 4202 / 4203
//   empty line                                    ends the record
//
// Value types (letter, title text, XML word): 0 B "Before" before, 1 N "Negative" negative,
// 2 P "Positive" positive, 3 R "Period" period, 4 % "Percentage" percentage, 5 K "Cards" count,
// 6 C "Lines" lines, 7 E "At End" atend, 8 A "After" after, 9 T "Total" total.
//
// A letter outside its index string, a key or a number out of range changes nothing.
#include <cstdint>

#include "analysis/components/strux_template.h"
#include "database/card_selection.h"

class T_LinesTmpl;

constexpr int32_t kCompsTypeCount = 10;
constexpr int32_t kCompsBefore = 0;
constexpr int32_t kCompsNegative = 1;
constexpr int32_t kCompsPositive = 2;
constexpr int32_t kCompsPeriod = 3;
constexpr int32_t kCompsPercentage = 4;
constexpr int32_t kCompsCards = 5;
constexpr int32_t kCompsLines = 6;
constexpr int32_t kCompsAtEnd = 7;
constexpr int32_t kCompsAfter = 8;
constexpr int32_t kCompsTotal = 9;
constexpr int32_t kCompsFirstTitle = 5214;  // + type: the column titles
constexpr int32_t kCompsToolDrag = 4202;
constexpr int32_t kCompsToolSelect = 4203;
constexpr uint32_t kCompsHelpId = 2003;

// "BNPR%KCEAT"; the type of a letter, -1 for none.
char CompsTypeLetter(int32_t type);
int32_t CompsTypeFromLetter(char letter);
// The XML word of a type (before ... total); -1 for an unknown word (letter case ignored).
const char* CompsTypeXmlWord(int32_t type);
int32_t CompsTypeFromXmlWord(const char* word);
// Whether a type needs values before, after the period or card counts.
inline bool CompsTypeNeedsBefore(int32_t t) {
  return t == kCompsBefore || t == kCompsAtEnd || t == kCompsTotal;
}
inline bool CompsTypeNeedsAfter(int32_t t) { return t == kCompsAfter || t == kCompsTotal; }

struct CompsColumn {
  uint8_t shown = 0;
  uint8_t bold = 0;
  int32_t sublevels = 0;  // 1: a node shows its total even when expanded
  int32_t decimals = 2;   // index into "0123456FTM"
  int32_t negative = 0;   // 0, 1 explicit sign, 2 brackets
  int32_t colour = 0;     // 0 none, 1 red/black, 2 red/green
  int32_t width = 0;      // below 16: the default
};

// The settings a components window copies from its template and writes back.
struct CompsOptions {
  int32_t tool = kCompsToolSelect;
  int32_t valueField = 0;
  int32_t sortColumn = -1;  // a value type, or -1: by the component order
  int32_t componentOrder = 0;
  int32_t valueOrder = 0;
  int32_t indentation = 1;
  int32_t chooserWidth = 0;
  int32_t graphType = kCompsPeriod;
  uint8_t graphSublevels = 0;
  int32_t graphDecimals = 2;
  int32_t graphNegative = 0;
  int32_t graphColour = 0;
  int32_t percentLabels = 1;  // 0 none, 1 whole percent, 2 one decimal
  uint8_t showScale = 1;
  CompsColumn columns[kCompsTypeCount];
};

// The defaults for the database (decimals from its default code).
void CompsOptionsInit(CompsOptions* options, T_Base* base);

class T_CompsTmpl : public T_StruxTmpl {
 public:
  // The defaults, without the value scale.
  explicit T_CompsTmpl(T_Base* database);
  ~T_CompsTmpl() override;

  void OnChange(const ChangeNote* note) override;
  void SetDefaults() override;
  bool ReadRecord(T_IStream* stream) override;
  void BeginRead() override;
  void WriteText(T_OStream* stream) override;
  // The box template's, then every column hidden but Period.
  void SetXmlExport() override;
  bool ReadXml(T_IStream* stream) override;
  void MarkUsedComponents(BitVector* components) override;
  void MarkSelectedLines(BitVector* lines) override;
  // "sort", "exp", the selection's attributes, then the box template's.
  void SetParameter(const char* name, const char* value) override;
  // While a web user who may drill is served: the lines template of a value type letter, ":"
  // and a drill path (T_StruxWin::NodeDrillPath); otherwise the template itself.
  T_Template* DerivedTemplate(const char* parameter) override;
  int64_t MemorySize() const override;

  SelectionDef selection;
  CompsOptions options;

 private:
  void ReadValueColumn(int32_t type, T_IStream* stream);
  void ReadXmlViewDim(T_IStream* stream);
  void ReadXmlSort(T_IStream* stream);
};

T_CompsTmpl* AsCompsTemplate(T_Template* templ);

// A lines template for the lines of a value type behind a selection: the database's default
// lines template with the selection and subsets, the date range and value condition of the type,
// the type's statistic and only the value field shown with the column's settings. Null without
// memory. The caller owns it.
T_LinesTmpl* NewLinesTemplateForType(T_Base* base, const SelectionDef* selection,
                                     const StoredSubsetList* subsets, int32_t valueField,
                                     int32_t type, const CompsColumn& column);
// Narrows dimension d's expression of a selection to the code (quoted as the selection language
// needs; with "!" its own lines only), joined with "&" to what is there.
void AndComponentCode(SelectionDef* selection, int32_t d, const char* code, bool ownOnly);

// Installs the components template class in the template factory.
void InstallCompsTemplate();
