#pragma once
// T_StruxWin: the base of the tree windows (components, component functions). Every row of the
// grid is one node of a tree built from one to four view dimensions: with one, the dimension's
// component tree restricted to the component set; with more, under every node of view dimension
// s whose component is in the set hangs the tree of view dimension s + 1, restricted (unless its
// filter is "all") to the combinations of components that occur together on admitted lines.
//
// Invariants:
//   1. Node 0 is the root; nodes are created in pre-order, so a node's index is larger than its
//      parent's (sorting relinks siblings, compaction keeps the order), and bottom-up sums run
//      from the last node down to node 1.
//   2. rows[0] is node 0 whenever there is a node; the rows are the visible nodes in pre-order,
//      a node's children visible only while it is expanded.
//   3. A tuple record keeps its flags and its node apart: node -1 means the tuple got no node,
//      and lines of such a tuple count at the node of the nearest enclosing tuple that has one
//      (later slots set back to their roots, last first); lines of a component without a node in
//      a one-dimension tree are skipped.
//   4. The tuple table exists only between BuildTree and FreeTree, and only with two or more
//      view dimensions.
//
// User-interface thread only.
#include <cstdint>
#include <vector>

#include "analysis/boxwin/box_window.h"
#include "analysis/components/strux_template.h"
#include "core/bit_vector.h"
#include "core/paged_array.h"

struct ComponentRecord;
struct GroupRecord;
struct LineRecord;

// The base's part of a node record; the derived window's fields follow it.
struct StruxNode {
  ComponentRecord* component;
  int64_t parent;       // -1 for the root
  int64_t firstChild;   // -1 when none
  int64_t nextSibling;  // -1 when none
  uint8_t slot;         // the view dimension whose component the node shows
  uint8_t level;        // display level, 0 for the root
  uint8_t expanded;
  uint8_t reserved[5];
};

// Open addressing over the combinations of components (one per view dimension) that occur on
// admitted lines or are reached from one by replacing components by their ancestors.
struct ComponentTupleTable {
  PagedArray records;  // {flags, node, components[slots]}, 8 bytes each
  int32_t slots = 0;
  int64_t size = 0;        // HashIndexPrimeSize of the estimate
  int64_t fillLimit = 0;   // size - size / 8
  int64_t count = 0;
  uint8_t failed = 0;      // a page could not be had
};

constexpr int64_t kTupleEstimate = 15000;
constexpr int32_t kTupleOnLine = 1;  // flag: the tuple occurs on a line
constexpr uint32_t kStruxAddViewDim = 5046;
constexpr uint32_t kStruxRemoveViewDim = 5047;
constexpr uint32_t kStruxViewChooserId = 5200;
constexpr int32_t kCommandExpandAll = 22;
constexpr int32_t kCommandExpandTo = 23;

class T_StruxWin : public T_BoxWin {
 public:
  // nodeWidth: bytes per node record, at least sizeof(StruxNode).
  T_StruxWin(int32_t kind, const RECT* rect, T_StruxTmpl* templ, uint32_t helpId,
             T_Base* database, int32_t nodeWidth, uint32_t flags);
  ~T_StruxWin() override;

  // --- Slots added by the structure window, in order -----------------------------------------------
  // With two or more view dimensions: enter every admitted line with MarkLineTuple, stopping as
  // soon as TupleTableOverfull.
  virtual void ComputeNodeValues() = 0;
  virtual int32_t GetValueCount() = 0;
  virtual void GetValueTitle(T_TextBuf* text, int32_t index) = 0;
  // Sets keep[n] for every node but the root that carries data (the "in use" filter, one view
  // dimension).
  virtual void CollectNodes(std::vector<uint8_t>* keep) = 0;
  virtual bool NodeHasData(int64_t node) = 0;
  // part 0: the node's own values, 1: its totals.
  virtual bool NodePassesFilter(int64_t node, int32_t part, int32_t filter) = 0;
  virtual double GetNodeValue(int64_t node) = 0;
  virtual void OnVisibleRowsChanged() {}
  virtual void OnNodeExpanded(int64_t node) { (void)node; }

  // --- Box window slots ------------------------------------------------------------------------------
  void GetRowOutline(RowOutline* outline, int64_t row) override;
  int32_t GetEffectiveTool(InputEvent* event) override;
  bool PreviewGridClick(InputEvent* event) override;
  void WriteRowTitle(TextCellWriter* writer, int64_t row) override;
  void WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) override;
  int32_t GetTreeDepth() override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void OnButton(T_GrafElement* button) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnToolSelected(int32_t item) override;
  void DrawModeItem() override;
  bool ClickModeItem(InputEvent* event, T_GrafElement* sender) override;
  int64_t GetMemoryUsage() override;

  // --- Nodes -------------------------------------------------------------------------------------------
  StruxNode* Node(int64_t i) const {
    return reinterpret_cast<StruxNode*>(PagedArrayAt(&nodes, i));
  }
  // The node of a row; -1 outside the rows.
  int64_t RowNode(int64_t row) const {
    return row >= 0 && row < static_cast<int64_t>(rows.size()) ? rows[static_cast<size_t>(row)]
                                                                 : -1;
  }
  // The row showing a node; -1 when it is not visible.
  int64_t NodeRow(int64_t node) const;
  bool HasChildren(int64_t node) const { return Node(node)->firstChild >= 0; }
  // Depth below the root (0 for the root).
  int32_t NodeDepth(int64_t node) const;
  // The nearest node at or above the node that shows a component of the slot; -1 for none.
  int64_t SlotAncestor(int64_t node, int32_t slot) const;
  // The view dimension's dimension number of a slot.
  int32_t SlotDimension(int32_t slot) const { return live.dimension[slot]; }

  // --- Building (strux_tree.cpp) ----------------------------------------------------------------------
  // The tree of the edited view set for the component set (which gains the ancestors the levels
  // limits merge into); restores the expansion state; false when not a node could be made.
  bool BuildTree(BitVector* components);
  void MarkLineTuple(const GroupRecord* group, const LineRecord* line);
  bool TupleTableOverfull() const { return tuples.count > tuples.fillLimit || tuples.failed; }
  // The node of a line, -1 for none.
  int64_t FindNodeForLine(const GroupRecord* group, const LineRecord* line) const;
  void FilterNodes();
  // Drops the nodes whose keep entry is 0 (after keeping the parent of every kept node).
  void CompactNodes(std::vector<uint8_t>* keep);
  // sortColumn < 0: by the component order (0 keeps the creation order); otherwise by
  // GetNodeValue under the value order. Ties keep the creation order.
  void SortTree(int32_t sortColumn, int32_t componentOrder, int32_t valueOrder);
  void RebuildRows();
  // Saves the expansion state of the old tree and empties it.
  void ResetTree();
  // Frees the build state and the tuple table, trims the node pages and sends change 67.
  void FreeTree();
  // Ends a calculation in which a container could not grow (std::bad_alloc), as a failed
  // allocation ends it anywhere else: no node and no row are left, the build state is freed and
  // out of memory is reported.
  void DropTreeOutOfMemory();

  // --- Expanding (strux_expand.cpp) --------------------------------------------------------------------
  void ToggleNode(int64_t node, bool all, bool notify);
  void ExpandToDepth(int32_t n);
  void ExpandToViewLevel(int32_t n);
  void ApplyExpansionState(const char* text);
  void ApplyWebExpansion(const char* tokens);
  // The expansion text of the current tree (what ResetTree saves); empty without nodes.
  void SaveExpansionState(T_TextBuf* text);
  // A press on the row's outline marker area; true when it was one (the toggle ran on release).
  bool ClickOutlineMarker(InputEvent* event, int64_t row);
  bool InOutlineMarker(int64_t row, int32_t x);
  // The last row of the visible subtree of a row's node.
  int64_t SubtreeLastRow(int64_t row) const;
  // "root" for node 0, else the token of the node's code and the codes of its ancestors in the
  // earlier slots, each after a blank.
  void NodeName(T_TextBuf* out, int64_t node) const;
  // The node's drill path (strux_paths.h), without the leading ":". mode 1: the node's own cell.
  void NodeDrillPath(T_TextBuf* out, int64_t node, int32_t mode) const;
  void WriteNodeLink(T_OStream* stream, int64_t row);
  // The drill anchor of the row's node; false, with nothing written, when there is none.
  bool WriteDrillLink(T_OStream* stream, int64_t row, int32_t mode, const char* prefix);
  // The anchor of class "data" to the served page with the "drill" parameter's value; false,
  // with nothing written, when the page's address is not known.
  bool WriteDrillAnchor(T_OStream* stream, const char* value);
  // The singular names of the live view dimensions joined with " / ".
  void ViewTitle(T_TextBuf* text) const;
  // A node's expansion path: the code of each slot's component down to the node's, joined by ".".
  void NodePath(T_TextBuf* out, int64_t node) const;

  // --- View settings (strux_window.cpp) ----------------------------------------------------------------
  // Makes the edited set one entry of the dimension; marks the results out of date.
  void ChooseViewDimension(int32_t dimension);
  void SetPanelShown(bool shown);
  void RebuildPanel();
  // Dimension entries the database lacks become dimension 1 (else 0).
  void ClampViewDims(ViewDimSet* set) const;

  PagedArray nodes{};
  int64_t nodeCount = 0;
  std::vector<int64_t> rows;
  int32_t nodeWidth;
  int32_t indentation = 1;
  ViewDimSet edited{};
  ViewDimSet live{};
  ViewDimSet previousLive{};
  char* expansionText = nullptr;  // owned block: applied after the next build
  char* webTokens = nullptr;      // owned block: the "w" list of the last web expansion
  ComponentRecord* previousRoot = nullptr;
  uint8_t firstBuild = 1;
  uint8_t panelShown = 0;
  T_Chooser* viewChooser = nullptr;
  T_GrafElement* panelChoosers[kViewDimMax][6] = {};
  T_GrafElement* addButton = nullptr;
  T_GrafElement* removeButton = nullptr;
  int64_t tupleEstimate = kTupleEstimate;
  ComponentTupleTable tuples;

 protected:
  // Build state.
  std::vector<int64_t> componentNode_;   // by component number; -1: none (one view dimension)
  std::vector<int64_t> levelLimitMap_;   // by component number; empty: no limit
  std::vector<int64_t> lastChild_;       // by node, while building
  std::vector<int64_t> lastAtLevel_;     // by display level
  BitVector* buildSet_ = nullptr;
  int64_t slotRoots_[kViewDimMax] = {};     // the dimension roots (tuples' "any component")
  int64_t narrowedRoots_[kViewDimMax] = {};  // where each view dimension's tree starts

  int64_t NewNode(ComponentRecord* component, int64_t parent, int32_t slot, int32_t level);
  int64_t MapLevel(int64_t component) const {
    return levelLimitMap_.empty() ? component : levelLimitMap_[static_cast<size_t>(component)];
  }
  bool InSet(int64_t component) const;
  void BuildOneDimension(ComponentRecord* root);
  void BuildSlot(int32_t slot, int64_t parentNode, int64_t* tuple, int32_t baseLevel,
                 ComponentRecord* start);
  ComponentRecord* DescendStart(int32_t slot, int64_t* tuple);
  void BuildLevelLimits(BitVector* components);
  bool MakeTupleTable();
  void DropTupleTable();
  // The record of a tuple; null when absent. With insert, enters it (flags ORed in); present
  // tells whether it was there before.
  int64_t* TupleRecord(const int64_t* tuple, bool insert, bool* present);
  void LinkTupleNodes();
  void RestoreExpansion();
};

T_StruxWin* AsStruxWindow(T_EventHandler* element);
