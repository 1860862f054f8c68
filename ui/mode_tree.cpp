#include "ui/mode_tree.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/memory.h"
#include "core/utf8.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/pictures.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/window.h"

namespace {

constexpr int32_t kIndentPerLevel = 8;
constexpr int32_t kPictureColumn = 18;
constexpr int32_t kPictureSize = 16;
constexpr int32_t kPictureOffset = 21;  // from the picture's left to the text
constexpr int32_t kTextMargin = 4;

void FreeSubtree(ModeNode* node) {
  ModeNode* child = node->firstChild;
  while (child) {
    ModeNode* following = child->next;
    FreeSubtree(child);
    MemFree(child);
    child = following;
  }
  node->firstChild = nullptr;
}

// hasPictures for the node and everything below it.
void ComputePictures(ModeNode* node) {
  node->hasPictures = 0;
  for (ModeNode* child = node->firstChild; child; child = child->next) {
    ComputePictures(child);
    if (child->picture || child->firstChild) node->hasPictures = 1;
  }
}

int32_t Level(const ModeNode* node) {
  int32_t level = -1;
  for (const ModeNode* p = node->parent; p; p = p->parent) ++level;
  return level;
}

}  // namespace

void ModeboxEvent_SetText(ModeboxEvent* record, const char* text) {
  if (!text) {
    record->text = nullptr;
    return;
  }
  int32_t limit = static_cast<int32_t>(sizeof(record->buffer)) - 1;
  int32_t n = static_cast<int32_t>(std::strlen(text));
  n = Utf8BoundaryAtOrBefore(text, std::min(n, limit));
  std::memcpy(record->buffer, text, n);
  record->buffer[n] = 0;
  record->text = record->buffer;
}

ModeNode* ModeNodeNext(ModeNode* node) {
  if (node->firstChild) return node->firstChild;
  for (ModeNode* p = node; p && p->parent; p = p->parent) {
    if (p->next) return p->next;
  }
  return nullptr;
}

ModeNode* ModeNodeNextVisible(ModeNode* node) {
  if (node->firstChild && (node->expanded || !node->parent)) return node->firstChild;
  for (ModeNode* p = node; p && p->parent; p = p->parent) {
    if (p->next) return p->next;
  }
  return nullptr;
}

bool ModeNodeWithin(const ModeNode* node, const ModeNode* ancestor) {
  for (const ModeNode* p = node; p; p = p->parent) {
    if (p == ancestor) return true;
  }
  return false;
}

T_Modebox::T_Modebox(T_EventHandler* parent, const XYWH& rect, uint32_t id)
    : T_Linebox(parent, rect, id, kModeBarWidth, false) {
  backColour = 1;
  root.owner = this;
  root.id = kModeRootId;
  root.expanded = 1;
  EventHandler_Open(this);
}

T_Modebox::~T_Modebox() { FreeSubtree(&root); }

// --- Tree ---------------------------------------------------------------------------------------

ModeNode* T_Modebox::AddNode(ModeNode* parentNode, ModeNode* before, int32_t id) {
  ModeNode* under = parentNode ? parentNode : &root;
  ModeNode* selected = SelectedNode();
  auto* node = static_cast<ModeNode*>(MemAlloc(sizeof(ModeNode), 0));
  if (!node) return nullptr;
  new (node) ModeNode();
  node->owner = this;
  node->parent = under;
  node->id = id;
  ModeNode* first = under->firstChild;
  if (!first) {
    under->firstChild = node;
    node->previous = node;
  } else if (before && before->parent == under) {
    node->next = before;
    node->previous = before->previous;
    if (before == first) {
      under->firstChild = node;
    } else {
      before->previous->next = node;
    }
    before->previous = node;
  } else {
    ModeNode* last = first->previous;
    last->next = node;
    node->previous = last;
    first->previous = node;
  }
  Relayout(selected);
  return node;
}

void T_Modebox::RemoveNode(ModeNode* node) {
  if (!node || node == &root || node->owner != this) return;
  ModeNode* selected = SelectedNode();
  if (selected && ModeNodeWithin(selected, node)) selected = nullptr;
  if (pressedNode && ModeNodeWithin(pressedNode, node)) pressedNode = nullptr;
  quiet_ = 1;
  DeselectAll();
  quiet_ = 0;
  ModeNode* under = node->parent;
  ModeNode* first = under->firstChild;
  if (node == first) {
    under->firstChild = node->next;
    if (node->next) node->next->previous = node->previous;
  } else {
    node->previous->next = node->next;
    if (node->next) {
      node->next->previous = node->previous;
    } else {
      first->previous = node->previous;
    }
  }
  FreeSubtree(node);
  MemFree(node);
  Relayout(selected);
}

void T_Modebox::SetNodePicture(ModeNode* node, int32_t picture) {
  if (!node) return;
  node->picture = picture;
  ComputePictures(&root);
  if (opened) GrafElement_Invalidate(this, 0);
}

void T_Modebox::SetExpanded(ModeNode* node, bool expanded) {
  if (!node || node->expanded == (expanded ? 1 : 0)) return;
  ModeNode* selected = SelectedNode();
  node->expanded = expanded ? 1 : 0;
  Relayout(selected);
}

void T_Modebox::Toggle(ModeNode* node) {
  if (!node || !node->firstChild || node == &root) return;
  ModeNode* selected = SelectedNode();
  if (node->expanded) {
    node->expanded = 0;
    if (selected && selected != node && ModeNodeWithin(selected, node)) {
      Relayout(nullptr);
      SelectOnly(LineOf(node));
      return;
    }
  } else {
    node->expanded = 1;
    for (ModeNode* child = node->firstChild; child; child = child->next) child->expanded = 0;
  }
  Relayout(selected);
}

// Puts the lines back in step with the tree and the selection on keep, without announcing it.
void T_Modebox::Relayout(ModeNode* keep) {
  ComputePictures(&root);
  quiet_ = 1;
  DeselectAll();
  ReloadLines();
  if (keep) {
    int64_t line = LineOf(keep);
    if (line >= 0) SelectOnly(line);
  }
  quiet_ = 0;
}

ModeNode* T_Modebox::FindNode(int32_t id) {
  for (ModeNode* node = root.firstChild; node; node = ModeNodeNext(node)) {
    if (node->id == id) return node;
  }
  return nullptr;
}

int64_t T_Modebox::CountVisible() {
  int64_t n = 0;
  for (ModeNode* node = root.firstChild; node; node = ModeNodeNextVisible(node)) ++n;
  return n;
}

ModeNode* T_Modebox::NodeAt(int64_t line) {
  if (line < 0) return nullptr;
  ModeNode* node = root.firstChild;
  for (int64_t i = 0; node && i < line; ++i) node = ModeNodeNextVisible(node);
  return node;
}

int64_t T_Modebox::LineOf(ModeNode* node) {
  int64_t i = 0;
  for (ModeNode* n = root.firstChild; n; n = ModeNodeNextVisible(n), ++i) {
    if (n == node) return i;
  }
  return -1;
}

ModeNode* T_Modebox::SelectedNode() { return NodeAt(current); }

int32_t T_Modebox::Indent(ModeNode* node) {
  return kIndentPerLevel * std::max(0, Level(node)) + (root.hasPictures ? kPictureColumn : 0);
}

// --- Selection ----------------------------------------------------------------------------------

void T_Modebox::Announce(ModeNode* node) {
  ModeboxEvent record;
  record.code = kModeChosen;
  record.modeBox = this;
  record.node = node ? node : &root;
  record.nodeId = record.node->id;
  OnModeboxEvent(this, &record);
}

void T_Modebox::SelectNode(ModeNode* node) {
  if (!node || node->owner != this || node == &root) {
    DeselectAll();
    Announce(nullptr);
    return;
  }
  ModeNode* selected = SelectedNode();
  bool expanded = false;
  for (ModeNode* p = node->parent; p && p != &root; p = p->parent) {
    if (!p->expanded) {
      p->expanded = 1;
      expanded = true;
    }
  }
  if (expanded) Relayout(selected);
  SelectOnly(LineOf(node));
  ScrollToCurrent();
}

void T_Modebox::SelectNodeById(int32_t id) { SelectNode(FindNode(id)); }

void T_Modebox::SelectById(int32_t id) {
  ModeNode* node = FindNode(id);
  if (node && node == SelectedNode()) {
    Announce(nullptr);
    Announce(node);
    return;
  }
  SelectNode(node);
}

bool T_Modebox::Selectable(ModeNode* node) {
  ModeboxEvent record;
  Describe(node, &record);
  return record.text && record.text[0] && record.enabled;
}

// Nodes that cannot be selected (blank separators, disabled modes) are stepped over: stopping on
// one would refuse the selection and leave every further step starting from the same place.
void T_Modebox::StepSelection(int32_t step) {
  ModeNode* from = SelectedNode();
  ModeNode* target = nullptr;
  auto forward = [this](ModeNode* start) {
    for (ModeNode* n = start; n; n = ModeNodeNext(n)) {
      if (Selectable(n)) return n;
    }
    return static_cast<ModeNode*>(nullptr);
  };
  auto lastBefore = [this](ModeNode* stop) {
    ModeNode* found = nullptr;
    for (ModeNode* n = root.firstChild; n && n != stop; n = ModeNodeNext(n)) {
      if (Selectable(n)) found = n;
    }
    return found;
  };
  if (step == 1) {
    target = forward(from ? ModeNodeNext(from) : root.firstChild);
  } else if (step == -1) {
    target = lastBefore(from);
  } else if (step == -9) {
    target = forward(root.firstChild);
  } else {
    target = lastBefore(nullptr);
  }
  if (target) SelectNode(target);
}

void T_Modebox::Describe(ModeNode* node, ModeboxEvent* record) {
  record->code = kModeDescribe;
  record->modeBox = this;
  record->node = node;
  record->nodeId = node ? node->id : 0;
  record->enabled = 1;
  OnModeboxEvent(this, record);
}

// --- Slots --------------------------------------------------------------------------------------

void T_Modebox::Notify(int32_t code) {
  T_Linebox::Notify(code);
  if (code == kNotifyLanguage && opened) GrafElement_Invalidate(this, 0);
}

void T_Modebox::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record && record->owner == this && parent && parent->OnModeboxMenu(this, record)) return;
  T_Linebox::ContextMenu(record, phase);
}

void T_Modebox::OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) {
  if (box != this) {
    T_Linebox::OnLineboxEvent(box, record);
    return;
  }
  switch (record->code) {
    case kLineCount:
      record->count = CountVisible();
      break;
    case kLineMeasure:
      record->height = kModeLineHeight;
      break;
    case kLineDraw:
      if (ModeNode* node = NodeAt(record->index)) DrawNode(node, &record->lineRect, record->flag);
      break;
    case kLineMayFocus:
      record->flag = 1;
      break;
    case kLineMaySelect:
    case kLineMaySelectOther: {
      ModeNode* node = NodeAt(record->index);
      record->flag = node && Selectable(node) ? 1 : 0;
      break;
    }
    case kLineSelected:
      if (record->flag && !quiet_) {
        if (window && window->focusedItem) window->focusedItem->CommitEdit();
        Announce(NodeAt(record->index));
        if (opened) GrafElement_Invalidate(this, 0);
        if (window && window->focusedItem && window->focusedItem->kind == kKindEdit &&
            Items()->selectAll) {
          Items()->selectAll(window->focusedItem);
        }
      }
      break;
    case kLineDefaultAction: {
      ModeNode* node = NodeAt(record->index);
      if (!node) break;
      if (node->firstChild) {
        Toggle(node);
      } else {
        ModeboxEvent run;
        run.code = kModeRun;
        run.modeBox = this;
        run.node = node;
        run.nodeId = node->id;
        OnModeboxEvent(this, &run);
      }
      break;
    }
    case kLinePress: {
      ModeNode* node = NodeAt(record->index);
      if (node && PressExpander(record, node)) record->handled = 1;
      break;
    }
    default:
      break;
  }
}

bool T_Modebox::PressExpander(LineboxEvent* record, ModeNode* node) {
  InputEvent* event = record->event;
  if (!event || !event->leftButton || !node->firstChild) return false;
  RECT zone = record->lineRect;
  LineRect(record->index, &zone);
  zone.right = zone.left + Indent(node) - 2;
  if (!PtInRect(&zone, POINT{event->x, event->y})) return false;
  if (event->doubleClick) return true;
  pressedNode = node;
  pressed = 1;
  RedrawLine(record->index, 0);
  bool over = true;
  for (;;) {
    InputEvent now;
    Item_PollPointer(this, &now);
    bool inside = PtInRect(&zone, POINT{now.x, now.y}) != 0;
    if (!now.leftButton) {
      over = inside;
      break;
    }
    if (inside != (pressed != 0)) {
      pressed = inside ? 1 : 0;
      RedrawLine(record->index, 0);
    }
  }
  pressed = 0;
  pressedNode = nullptr;
  RedrawLine(record->index, 0);
  if (over) Toggle(node);
  return true;
}

// --- Drawing ------------------------------------------------------------------------------------

void T_Modebox::DrawNode(ModeNode* node, const RECT* rect, bool) {
  ModeboxEvent record;
  Describe(node, &record);
  int32_t textLeft = rect->left + Indent(node) + kTextMargin;
  // A blank separator shows nothing, not even the leaf picture of its column.
  const bool blank = !record.text || !record.text[0];
  if (blank && !node->picture && !node->firstChild) return;
  if (node->parent && node->parent->hasPictures) {
    int32_t picture = node->picture;
    if (!picture) {
      picture = !node->firstChild ? kModePictureLeaf
                : node->expanded  ? kModePictureExpanded
                                  : kModePictureCollapsed;
    }
    int32_t shift = pressed && pressedNode == node ? 1 : 0;
    int32_t top = rect->top + (rect->bottom - rect->top - kPictureSize) / 2 + shift;
    int32_t left = textLeft - kPictureOffset + shift;
    RECT box{left, top, left + kPictureSize, top + kPictureSize};
    PictureDraw(&box, picture);
  }
  if (!record.text || !record.text[0]) return;
  TextMeasure size = TextSizeInStyle(&style, record.text);
  int32_t top = rect->top + (rect->bottom - rect->top - size.height) / 2;
  RECT text{textLeft, top, rect->right, top + size.height};
  T_ForeIndex fore(record.enabled && enabled ? Gfx.foreColour : 6);
  // The user may narrow the box below its titles, and translations are longer than English.
  TextDrawLineFitting(&text, record.text);
}
