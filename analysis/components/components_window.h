#pragma once
// T_Comps: the components window (kind 3). A tree of one to four view dimensions (T_StruxWin)
// whose nodes carry the values of the card lines the selection admits: before the period, its
// negative and positive movements, after it, and the counts of cards and lines, each once for the
// node's own lines and once for its subtree. Ten value types are shown from them:
//
//   type  letter  value of a block                 type  letter  value of a block
//   0     B       before                           5     K       cards
//   1     N       negative                         6     C       lines
//   2     P       positive                         7     E       before + positive + negative
//   3     R       positive + negative              8     A       after
//   4     %       period / the percentage base     9     T       before + period + after
//
// A node shows its own block while it is expanded and the column's sublevels flag is clear,
// otherwise its totals.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/components/components_template.h"
#include "analysis/components/strux_window.h"
#include "database/card_selection.h"

struct CardRecord;

// One value block of a node.
struct CompsValues {
  double before;
  double positive;
  double negative;
  double after;
  int64_t cards;
  int64_t lines;
  const CardRecord* lastCard;  // the last card counted, so that each card counts once
};

// The node record of the components window: the base's fields, the node's own values and the
// totals of its subtree; the rest belongs to the graphic.
struct CompsNode {
  StruxNode base;
  CompsValues own;
  CompsValues total;
  int32_t sliceStart;  // graphic: the slice's angles in tenths of a degree
  int32_t sliceEnd;
  uint8_t graphic[64];
};
static_assert(sizeof(CompsNode) == 224, "the components window's node record");

// Accumulation modes.
constexpr int32_t kAccumulateBefore = 0;
constexpr int32_t kAccumulatePeriod = 1;
constexpr int32_t kAccumulateAfter = 2;

constexpr uint32_t kCompsCalcButtonId = 400;
constexpr int32_t kCompsDefaultWidth = 628;
constexpr int32_t kCompsDefaultHeight = 340;
constexpr int64_t kCompsOpenReserve = 65536;
// Magnitudes below this count as zero.
constexpr double kCompsZero = 5.2e-7;
// Mode items of the window's own pages.
constexpr int32_t kCompsPageSelection = 3127;
constexpr int32_t kCompsPageColumns = 1;
constexpr int32_t kCompsPageOptions = 2;
constexpr int32_t kCompsPageSorting = 4;
// The view selector: grid and graphic.
constexpr uint16_t kCompsViewGrid = 4020;
constexpr uint16_t kCompsViewGraphic = 4023;

// The value of a type from a block; the percentage base is the root's period total / 100.
double CompsValueOf(const CompsValues& block, int32_t type, double percentBase);

class T_CompsField : public T_BoxField {
 public:
  T_CompsField(T_BoxWin* window, int32_t type) : T_BoxField(window), type(type) {}
  int32_t type;  // -1 for the title field
};

class T_Comps : public T_StruxWin {
 public:
  explicit T_Comps(T_CompsTmpl* templ, uint32_t flags);
  ~T_Comps() override;

  // --- Structure window slots
  void ComputeNodeValues() override;
  int32_t GetValueCount() override { return 0; }
  void GetValueTitle(T_TextBuf* text, int32_t index) override;
  void CollectNodes(std::vector<uint8_t>* keep) override;
  bool NodeHasData(int64_t node) override;
  bool NodePassesFilter(int64_t node, int32_t part, int32_t filter) override;
  double GetNodeValue(int64_t node) override;
  void OnVisibleRowsChanged() override;
  void OnNodeExpanded(int64_t node) override;

  // --- Box window slots
  void FormatRow(RowTextPool* pool, int64_t row) override;
  // The calculation; one that runs out of memory in a container of its own fails as any other.
  void RunCalculation(bool enabled, bool force) override;
  void RunCalculationSteps();
  int32_t GetRowHeight(int64_t row) override;
  int32_t GetDefaultWidth() override { return 637; }
  int32_t GetDefaultHeaderHeight() override { return 100; }
  void DrawGrid(BoxDrawRecord* record) override;
  bool ClickGrid(InputEvent* event) override;
  void OnCellsSelected(int64_t row, int32_t field) override;
  void TitleContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void WriteXml(T_OStream* stream) override;
  void WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) override;
  void WriteDefinition(TextCellWriter* writer) override;
  void WriteHtmlDefinition(T_OStream* stream) override;
  void WriteXmlDefinition(T_OStream* stream) override;
  void PrintPart(BoxDrawRecord* record) override;
  void GetFieldSortKey(T_BoxField* field, T_TextBuf* key) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnToolSelected(int32_t item) override;
  void RestrictToSubset(void* subset) override;
  void SaveToTemplate(T_Template* templ) override;
  bool IsEmpty() override;
  int64_t GetMemoryUsage() override;

  // --- Its own
  CompsNode* CNode(int64_t i) const { return reinterpret_cast<CompsNode*>(Node(i)); }
  // The block a node shows for a column (own while expanded without sublevels, else total).
  const CompsValues& BlockFor(int64_t node, int32_t type, bool sublevels) const;
  // Adds the admitted lines of the cards first .. before end in a mode.
  void AccumulateLines(CardRecord* first, CardRecord* end, int32_t mode);
  void SumUpTree();
  // One field per shown value type after the title field, in type order.
  void BuildFields();
  void ShowColumn(int32_t type, bool shown);
  // Sorts by the window's settings (marking the results out of date when values are missing).
  void ApplySort();
  void UpdateSortMarkers();
  // The selection as a "## Selection" block, and back; false when the text holds none.
  void WriteSelectionText(T_OStream* stream);
  bool CopySelectionText();
  bool PasteSelectionText(const char* text);
  // A lines window over the lines behind a node's value of a type.
  void OpenLinesForNode(int64_t node, int32_t type);
  // A window of the kind with this window's selection and subsets ("» Components" duplicates).
  void OpenWindowWithSelection(int32_t kind);
  void DuplicateWindow();
  void SetPresentation(uint32_t mode);
  // Whether a date bound moved since the window last looked; remembers the bounds.
  bool TakeBoundsSeen();
  // The value type whose column a field shows; -1 for none.
  int32_t TypeOfField(const T_BoxField* field) const;
  // The Columns and Sorting pages (components_pages.cpp); the two handlers answer whether the
  // element was one of theirs.
  void OpenColumnsPage();
  void OpenSortingPage();
  bool PageChooserEvent(uint32_t id, ChooserEvent* record);
  bool PageCheckbox(uint32_t id, bool checked);
  // The graphic: the current node's children as two pies.
  void DrawGraphic(const RECT* area);
  // Where the graphic stands in a drawing: right of the rows; printed, only as high as needed.
  RECT GraphicArea(const BoxDrawRecord* record) const;
  // The node whose slice holds the point (area coordinates); -1 for none.
  int64_t SliceAt(const RECT* area, POINT point);

  CardSelection selection{};
  CardId boundsSeen[2] = {};  // the selection's bounds when the window last looked
  CompsOptions options;
  int32_t valueColumn = 0;      // the value field of the last calculation
  uint8_t computedBefore = 0;
  uint8_t computedAfter = 0;
  uint8_t computedCards = 0;
  uint8_t calculated = 0;
  uint8_t componentsChanged = 0;
  double percentBase = 0;
  int64_t currentNode = 0;  // the graphic's node
  CardRecord* firstCard = nullptr;
  CardRecord* endCard = nullptr;
  T_CompsField* fields[kCompsTypeCount] = {};
  T_CompsField* titleField = nullptr;
  T_Selector* viewSelector = nullptr;
  int32_t currentPage = -1;
  int32_t pageType = kCompsPeriod;  // the column chosen on the Columns page
};

// The components window of a template; null without one or when 64 KB cannot be had now.
T_HWindow* OpenComponentsWindow(T_Template* templ, T_Template* parameter, int32_t flags);
T_Comps* AsCompsWindow(T_EventHandler* element);
// The rectangle the tree drawing of a structure window (the components window's graphic in view
// mode 3) needs inside the given one, for the box window's printing; empty at the top-left
// corner when it draws nothing.
void StruxDrawingExtent(T_BoxWin* window, const RECT* rect, RECT* extent);
