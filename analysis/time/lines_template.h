#pragma once
// The lines template (kind 2): what a lines window is built from and written back into, and the
// parameter block other windows fill to open one. Its records follow the box template's, in this
// order, each only away from its default unless marked "always":
//
//   key          fields                          meaning
//   "B"...       as SelectionDef_writeKeys       the selection (prefix letter B)
//   "Q"          letter                          accumulated value column, 'A' + index (always)
//   "D"          one letter per value column     decimals "0123456FTM" (always)
//   "d"          letter                          decimals of the accumulated column (always)
//   "N" / "n"    letters / letter                negative style "-RP", values / accumulated
//   "R" / "r"    letters / letter                colour mode "-RG", values / accumulated
//   "Y"          letter                          date format "STWFGHUV" (date column shown)
//   "T"          one letter per dimension        display string "CHTNMPR", "-" own; by the
//                                                save's dimension numbering
//   "P"          names joined by ","             the shown columns (I, P, T, Dn, L, VA.., S, H)
//   "H"          letters of "B+-PF#CAEMmTRVD"    the statistic rows that are on
//   "+" / "-"    number, '.' as decimal point    positive / negative yearly rate in percent
//   "IL" / "IE"  (key only)                      interest method linear / exponential (always)
//   "Gx", "Gy"   as the box windows              grid lines
//   "WL" / "WB"  (key only)                      curve / bars presentation
//   "wC"         card id, card title widths      widths below 16 are written empty
//   "wD"         32 widths                       dimension columns, save's numbering
//   "wL"         line text, value 1, accumulated, values 2 to 24
//   "wH"         file origin width
//   "S"n+column  "C"d, "D"o, "T"d, "V"o           sort key n (1..8): its column and four orders
//   "Z" + letter                                 diagram flags (analysis/time/diagram_flags.h)
//   "ZC"         name                            the time scale labelling the time axis
//   "ZS"         (key only)                      card information: first line only
//   "xtnh", "xtna" (key only)                    table tool 4202, 4203 (always)
//   "xtg+", "xtg-", "xtgh" (key only)            diagram tool 4200, 4201, 4202 (always)
// Read only: "ZM" and "ZN" every value and
// the accumulated column coloured red/black or red/green, and in files older than 20001219 the
// one-letter "P" form.
//
// A letter outside its index string, a column, key or width out of range changes nothing; a
// damaged number reads as 0.
#include <cstdint>

#include "analysis/time/diagram_flags.h"
#include "database/card_selection.h"
#include "database/templates.h"

// Column codes of the lines window, its template and its XML form.
constexpr int32_t kLinesCardId = 0;
constexpr int32_t kLinesDate = 1;
constexpr int32_t kLinesCardTitle = 2;
constexpr int32_t kLinesDimFirst = 3;  // code 3 is the group's dimension
constexpr int32_t kLinesLineText = 35;
constexpr int32_t kLinesValueFirst = 36;
constexpr int32_t kLinesAccumulated = 60;
constexpr int32_t kLinesOrigin = 61;
constexpr int32_t kLinesColumnCount = 62;
constexpr uint16_t kLinesColumnSeparator = 0xFFFF;

// Statistic flags, in the order of the header rows (texts 5103 to 5117).
constexpr int32_t kStatBefore = 0;
constexpr int32_t kStatPositive = 1;
constexpr int32_t kStatNegative = 2;
constexpr int32_t kStatPeriod = 3;
constexpr int32_t kStatAfter = 4;
constexpr int32_t kStatLineCount = 5;
constexpr int32_t kStatCardCount = 6;
constexpr int32_t kStatAverage = 7;
constexpr int32_t kStatMedian = 8;
constexpr int32_t kStatMaximum = 9;
constexpr int32_t kStatMinimum = 10;
constexpr int32_t kStatTurnoverTime = 11;
constexpr int32_t kStatTurnoverRate = 12;
constexpr int32_t kStatVariance = 13;
constexpr int32_t kStatDeviation = 14;
constexpr int32_t kStatCount = 15;
constexpr int32_t kStatFirstText = 5103;

constexpr int32_t kLinesSortKeyMax = 8;

// Tools.
constexpr int32_t kToolZoomIn = 4200;
constexpr int32_t kToolZoomOut = 4201;
constexpr int32_t kToolDrag = 4202;
constexpr int32_t kToolSelect = 4203;

struct LinesColumnOptions {
  uint8_t shown = 0;
  int8_t display = -1;   // index into "CHTNMPR"; -1 the dimension's own
  uint8_t decimals = 0;  // index into "0123456FTM"
  uint8_t negative = 0;  // index into "-RP"
  uint8_t colour = 0;    // index into "-RG"
  int32_t width = 0;     // below 16: the default
};

struct LinesSortKey {
  int32_t column = kLinesCardId;
  uint8_t direction = 0;       // card id and date, "AD"
  uint8_t componentOrder = 0;  // "NRCTH"
  uint8_t textDirection = 0;   // "AD"
  uint8_t valueOrder = 0;      // "DEFCBA"
};

// The option block the window copies from the template and writes back.
struct LinesOptions {
  int32_t tableTool = kToolSelect;
  int32_t diagramTool = kToolZoomIn;
  int32_t accumulated = 0;  // value column index
  double positiveRate = 0;  // percent a year
  double negativeRate = 0;
  int32_t interestMethod = 0;  // 0 linear, 1 exponential
  uint8_t cardInfo = 0;        // 0 every line, 1 first line
  int32_t dateFormat = 0;
  uint8_t statistics[kStatCount] = {};
  int32_t sortKeyCount = 1;
  LinesSortKey sortKeys[kLinesSortKeyMax];
  LinesColumnOptions columns[kLinesColumnCount];
};

// The defaults of a new template for the database (decimals from its columns).
void LinesOptionsInit(LinesOptions* options, T_Base* base);

// The keyed-text name of a column ("I", "P", "T", "D" + dimension number, "L", "V" + letter,
// "S", "H"); dimensions by the save's numbering. Empty for an unknown code.
void LinesColumnName(T_Base* base, int32_t code, T_TextBuf* out);
// The code of a name of n bytes ("C" also card id, "V1".."V9" values 1 to 9); -1 for none.
int32_t ParseLinesColumnName(const char* text, int32_t n);
// Whether a column can be shown in the database: a dimension with components, a value column
// below the value count, the accumulated column, the file origin when the database keeps them.
bool LinesColumnAvailable(T_Base* base, int32_t code);
// The sort key of a column with its default orders.
void LinesSortKeyReset(LinesSortKey* key, int32_t column);
// The order letter of a key for its column's kind, as the "sort" parameter reads it: component
// order for a dimension, value order for a value, the direction otherwise.
char LinesSortKeyLetter(const LinesSortKey* key);

class T_LinesTmpl : public T_BoxTmpl {
 public:
  explicit T_LinesTmpl(T_Base* database);
  ~T_LinesTmpl() override;

  void OnChange(const ChangeNote* note) override;
  void SetDefaults() override;
  bool ReadRecord(T_IStream* stream) override;
  void BeginRead() override;
  void WriteText(T_OStream* stream) override;
  bool ReadXml(T_IStream* stream) override;
  void MarkUsedComponents(BitVector* components) override;
  void MarkSelectedLines(BitVector* lines) override;
  void SetParameter(const char* name, const char* value) override;
  int64_t MemorySize() const override;

  void SetAxisScaleName(const char* text);

  SelectionDef selection;
  LinesOptions options;
  DiagramFlags flags;
  char* axisScaleName = nullptr;  // owned; null: calendar labels

 private:
  void ReadSortKey(const char* key, int32_t n, T_IStream* stream);
  void ReadXmlColumns(T_IStream* stream);
  void ReadXmlHeaders(T_IStream* stream);
};

// What a stored selection names, for the templates' MarkUsedComponents and MarkSelectedLines:
// the components its dimension expressions name, and the lines it admits (its period widened to
// the file's start or end as asked).
void MarkSelectionComponents(T_Base* base, const SelectionDef* selection, BitVector* components);
void MarkSelectionLines(T_Base* base, const SelectionDef* selection, bool fromFileStart,
                        bool toFileEnd, BitVector* lines);

// The template as a lines template, or null.
T_LinesTmpl* AsLinesTemplate(T_Template* templ);

// Hides every value column, shows the given one and makes it the accumulated value column.
void SetLinesValueColumn(T_LinesTmpl* templ, int32_t column);
// The component order, text direction and value order of a key from another key.
void SetLinesSortKeyOrders(LinesSortKey* key, const LinesSortKey* orders);
void SetLinesSortKeyOrders(LinesSortKey* key, int32_t componentOrder, int32_t textDirection,
                           int32_t valueOrder);
// Clears every statistic flag and sets the one of a measure of the function windows: 0 lines,
// 1 cards, 6 average, 8 median, 9 turnover time, 10 turnover rate, 11 maximum, 12 minimum, any
// other the period sum.
void SetLinesStatisticsForMeasure(T_LinesTmpl* templ, int32_t measure);

// A number as it reads back the same: general notation, "." as the decimal mark, no thousands
// separator, 17 significant digits when 15 do not give the same value.
void FormatExactNumber(double value, T_TextBuf* out);

// The XML name of a statistic row (text id 5103 to 5119): "before" .. "neginterest"; empty for
// another id.
const char* LinesStatisticXmlName(int32_t statistic);
// Installs the lines template class in the template factory.
void InstallLinesTemplate();
