#pragma once
// The template of a structure (tree) window: a box template that adds the view dimensions the
// tree is built from and the expansion state stored with it. The components and the
// component-functions templates derive from it; each writes and reads the view dimensions under
// its own key ("P" and "PD") and shares the flag line and the expansion line:
//
//   key     fields                                  meaning
//   "P"...  one number per view dimension           dimension + 1, the save's numbering
//   "K"     one field of six letters per entry      structure "F" flat or "H" hierarchical;
//                                                   filter "A" all, "U" in use, "Z" non-zero,
//                                                   "C" value column; levels "A" all or "1".."8";
//                                                   colour (ViewColourLetter); display string
//                                                   "CHTNMPR" or "-" the dimension's own; the
//                                                   column letter of a "C" filter ("A".."Z",
//                                                   "a".."z" for 0..51), else "-"
//   "ZX"    text                                    the expansion text
//
// Expansion texts: "-x" + n expands to depth n, "-w" + n to view level n, "w" + node tokens
// each followed by one separator expands the named nodes, "|path|path|..." names the expanded
// nodes and "\path\path\..." the collapsed ones (paths are component codes joined by ".").
//
// A field, letter or number out of range leaves the value as it was.
#include <cstdint>

#include "database/templates.h"

class T_IStream;
class T_OStream;

constexpr int32_t kViewDimMax = 4;
constexpr int32_t kViewLevelMax = 8;
constexpr int32_t kViewFilterAll = 0;
constexpr int32_t kViewFilterInUse = 1;
constexpr int32_t kViewFilterNonZero = 2;
constexpr int32_t kViewFilterColumn = 3;  // + value column 0..51
constexpr int32_t kViewFilterColumnMax = 51;
// The "exp" parameter stops appending tokens once the text reaches this length.
constexpr int32_t kExpansionTextCap = 8000;

// The view dimensions of a structure window.
struct ViewDimSet {
  int32_t count;
  int32_t dimension[kViewDimMax];  // 0..31
  uint16_t levels[kViewDimMax];    // 0 all levels, 1..8 deeper components merged at that level
  int32_t structure[kViewDimMax];  // 0 hierarchical, 1 flat
  int32_t filter[kViewDimMax];     // kViewFilter*
  int32_t colour[kViewDimMax];     // palette index of the nodes' text
  int32_t display[kViewDimMax];    // -1 the dimension's own display string, 0..6 "CHTNMPR"
};

// Count 1; dimensions 1, 2, 3, 4; all levels; hierarchical; every component; colours 10, 21,
// 19, 11; the dimensions' own display strings.
void ViewDimSetInit(ViewDimSet* set);
bool ViewDimSetEqual(const ViewDimSet* a, const ViewDimSet* b);
// Entries that repeat an earlier entry's dimension are removed (the later one goes).
void ViewDimSetRemoveRepeats(ViewDimSet* set);

// The ten palette indices the colour chooser offers, in its order, and their letters.
constexpr int32_t kViewColourCount = 10;
extern const int32_t kViewColours[kViewColourCount];
// The letter of a palette index, "-" for one the chooser does not offer; -1 for a foreign letter.
char ViewColourLetter(int32_t colour);
int32_t ViewColourFromLetter(char letter);

class T_StruxTmpl : public T_BoxTmpl {
 public:
  // The box template of the kind with the view-dimension defaults and no expansion text.
  T_StruxTmpl(int32_t kind, T_Base* database);
  ~T_StruxTmpl() override;

  void SetDefaults() override;
  // "K" and "ZX"; every other key goes to the box template.
  bool ReadRecord(T_IStream* stream) override;
  // "exp": a value starting with "-" replaces the expansion text; else, when the text already
  // starts with "w", ":" and the value are appended (nothing once the text holds 8000 bytes),
  // otherwise the text becomes "w" and the value. Any other name goes to the box template.
  void SetParameter(const char* name, const char* value) override;
  int64_t MemorySize() const override;

  // The dimension line under the subclass's key and the "K" line.
  void WriteViewDimLines(T_OStream* stream, const char* dimensionKey) const;
  // The fields of a dimension line (after its key): up to four numbers 1..32, stopping at the
  // first outside; the count becomes the number read. A line whose first field is out of range
  // changes nothing.
  void ReadViewDimensions(T_IStream* stream);
  // The fields of a "K" line: at most four, each read as far as it goes.
  void ReadViewDimFlags(T_IStream* stream);
  // "ZX" and the expansion text, when there is one.
  void WriteExpansionLine(T_OStream* stream) const;

  // Null or empty: none.
  bool SetExpansionText(const char* text);

  ViewDimSet viewDims;
  char* expansion = nullptr;  // owned block text; null: none
};

// The template as a structure template, or null.
T_StruxTmpl* AsStruxTemplate(T_Template* templ);
