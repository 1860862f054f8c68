#pragma once
// T_Modebox: the tree of modes at the left of document windows, a list box whose lines are the
// nodes of a tree in pre-order below a hidden root, descending only into expanded nodes. Nodes
// carry an id and a picture; their texts and enabled states are asked of the parent through
// OnModeboxEvent, which is also told when a node is chosen or a leaf is run.
//
// Invariants:
//   1. Sibling lists: a first child's previous is the last child; the last child's next is null.
//   2. hasPictures of a node is set when one of its children has a picture or children of its
//      own; it is recomputed after every change of the tree or of a picture.
//   3. The list box's lines always match the visible nodes: every change of the tree reloads the
//      lines and puts the selection back on the node that held it.
//
// User-interface thread only.
#include <cstdint>

#include "ui/list_box.h"

class T_Modebox;

struct ModeNode {
  T_Modebox* owner = nullptr;
  ModeNode* parent = nullptr;
  ModeNode* firstChild = nullptr;
  ModeNode* next = nullptr;
  ModeNode* previous = nullptr;
  int32_t id = 0;
  int32_t picture = 0;  // 0 none
  uint8_t expanded = 0;
  uint8_t hasPictures = 0;
};

constexpr int32_t kModeRootId = -999;

// Codes of the mode-box event record.
constexpr int32_t kModeDescribe = 0;  // answer text and enabled (preset 1)
constexpr int32_t kModeChosen = 1;    // the node was chosen (the root when none)
constexpr int32_t kModeRun = 2;       // run a leaf node

// Pictures of the expander column.
constexpr int32_t kModePictureCollapsed = 3808;
constexpr int32_t kModePictureExpanded = 3809;
constexpr int32_t kModePictureLeaf = 3810;

constexpr int32_t kModeLineHeight = 18;
constexpr int32_t kModeBarWidth = 13;

struct ModeboxEvent {
  int32_t code = kModeDescribe;
  T_GrafElement* modeBox = nullptr;
  ModeNode* node = nullptr;
  int32_t nodeId = 0;
  const char* text = nullptr;  // must outlive the call; ModeboxEvent_SetText copies
  uint8_t enabled = 1;
  char buffer[80] = {};
};

// Copies the text into the record's buffer (cut at a whole UTF-8 character) and points to it.
void ModeboxEvent_SetText(ModeboxEvent* record, const char* text);

class T_Modebox : public T_Linebox {
 public:
  T_Modebox(T_EventHandler* parent, const XYWH& rect, uint32_t id);
  ~T_Modebox() override;

  void Notify(int32_t code) override;
  void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;

  // Under parent (null: the root), before the given sibling (null: appended); null when out of
  // memory.
  ModeNode* AddNode(ModeNode* parentNode, ModeNode* before, int32_t id);
  void RemoveNode(ModeNode* node);
  void SetNodePicture(ModeNode* node, int32_t picture);
  void SetExpanded(ModeNode* node, bool expanded);
  // Expanded or collapsed (expanding collapses the children); code 7 on a node with children.
  void Toggle(ModeNode* node);
  ModeNode* FindNode(int32_t id);
  // Expands the collapsed ancestors and selects only the node; null deselects all and announces
  // the root.
  void SelectNode(ModeNode* node);
  void SelectNodeById(int32_t id);
  // Announces the node again when it is already the selected one (root first, then the node).
  void SelectById(int32_t id);
  // 1 next, -1 previous, -9 first, anything else the last, over all nodes in pre-order.
  void StepSelection(int32_t step);
  int64_t CountVisible();
  ModeNode* NodeAt(int64_t line);
  int64_t LineOf(ModeNode* node);  // -1 when hidden
  ModeNode* SelectedNode();
  // Pixels from the line's left edge to the node's text column.
  int32_t Indent(ModeNode* node);
  // The text and enabled state of a node, asked of the parent.
  void Describe(ModeNode* node, ModeboxEvent* record);

  ModeNode root;
  uint8_t pressed = 0;
  ModeNode* pressedNode = nullptr;

 private:
  void Announce(ModeNode* node);
  void Relayout(ModeNode* keep);
  void DrawNode(ModeNode* node, const RECT* rect, bool selected);
  bool PressExpander(LineboxEvent* record, ModeNode* node);
  bool Selectable(ModeNode* node);

  uint8_t quiet_ = 0;  // re-selecting after a tree change announces nothing
};

// Pre-order over every node below the root, expanded or not; null after the last.
ModeNode* ModeNodeNext(ModeNode* node);
// Pre-order over the visible nodes (descending only into expanded ones); null after the last.
ModeNode* ModeNodeNextVisible(ModeNode* node);
// Whether node lies in the subtree of ancestor (itself included).
bool ModeNodeWithin(const ModeNode* node, const ModeNode* ancestor);
