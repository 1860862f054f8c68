// The structure window's expansion: toggling, expanding to a depth or a view level, saving and
// applying the expansion texts, the outline marker clicks, node names and tokens, drill paths and
// the links of the web pages.
#include <cstring>
#include <string>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/components/strux_paths.h"
#include "analysis/components/strux_window.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/component_tree.h"
#include "database/model_records.h"
#include "ui/event_record.h"
#include "ui/item.h"

namespace {

constexpr int32_t kTokenLength = 7;

const char* CodeOf(const ComponentRecord* c) { return c && c->parent && c->code ? c->code : ""; }

// A decimal number of the text from its start; false for no digit, another character after
// the digits or a value that overflows.
bool ReadCount(const char* text, int32_t* value) {
  int64_t n = 0;
  if (!*text) return false;
  for (; *text; ++text) {
    if (*text < '0' || *text > '9') return false;
    n = n * 10 + (*text - '0');
    if (n > 0x7FFFFFFF) return false;
  }
  *value = static_cast<int32_t>(n);
  return true;
}

// The items of a ":"-separated list.
std::vector<std::string> SplitTokens(const char* text) {
  std::vector<std::string> items;
  std::string item;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == ':') {
      items.push_back(item);
      item.clear();
    } else {
      item += *p;
    }
  }
  if (!item.empty()) items.push_back(item);
  return items;
}

}  // namespace

// --- Toggling -----------------------------------------------------------------------------------

void T_StruxWin::ToggleNode(int64_t node, bool all, bool notify) {
  if (node < 0 || node >= nodeCount || !HasChildren(node)) return;
  StruxNode* n = Node(node);
  // The subtree of a node is the index range after it whose parents lie in it (pre-order).
  auto forSubtree = [&](auto visit) {
    visit(node);
    for (int64_t i = node + 1; i < nodeCount && Node(i)->parent >= node; ++i) visit(i);
  };
  if (all) {
    forSubtree([&](int64_t i) {
      if (HasChildren(i)) Node(i)->expanded = 1;
    });
  } else if (notify) {
    n->expanded = 1;
  } else if (n->expanded) {
    forSubtree([&](int64_t i) { Node(i)->expanded = 0; });
  } else {
    n->expanded = 1;
  }
  RebuildRows();
  if (notify && !all) OnNodeExpanded(node);
}

void T_StruxWin::ExpandToDepth(int32_t n) {
  std::vector<int32_t> depth(static_cast<size_t>(nodeCount), 0);
  for (int64_t i = 0; i < nodeCount; ++i) {
    StruxNode* node = Node(i);
    if (i > 0) depth[static_cast<size_t>(i)] = depth[static_cast<size_t>(node->parent)] + 1;
    node->expanded = HasChildren(i) && depth[static_cast<size_t>(i)] < n ? 1 : 0;
  }
  RebuildRows();
}

void T_StruxWin::ExpandToViewLevel(int32_t n) {
  for (int64_t i = 0; i < nodeCount; ++i) {
    StruxNode* node = Node(i);
    node->expanded = HasChildren(i) && Node(node->firstChild)->slot < n ? 1 : 0;
  }
  RebuildRows();
}

// --- Expansion texts ----------------------------------------------------------------------------

void T_StruxWin::NodePath(T_TextBuf* out, int64_t node) const {
  TextBufAssign(out, "");
  const int32_t last = Node(node)->slot;
  for (int32_t s = 0; s <= last; ++s) {
    if (s > 0) TextBufAppendChar(out, '.');
    const int64_t a = SlotAncestor(node, s);
    if (a >= 0) TextBufAppend(out, CodeOf(Node(a)->component));
  }
}

void T_StruxWin::SaveExpansionState(T_TextBuf* text) {
  TextBufAssign(text, "");
  if (nodeCount == 0) return;
  T_TextBuf expanded, collapsed, path;
  TextBufAssignChar(&expanded, '|');
  TextBufAssignChar(&collapsed, '\\');
  int32_t deepest = 0;
  for (int64_t row : rows) {
    const StruxNode* node = Node(row);
    if (node->level > deepest) deepest = node->level;
    if (!HasChildren(row)) continue;
    NodePath(&path, row);
    T_TextBuf* target = node->expanded ? &expanded : &collapsed;
    if (target->length >= kExpansionTextCap) continue;
    TextBufAppendBuf(target, &path);
    TextBufAppendChar(target, node->expanded ? '|' : '\\');
  }
  if (deepest <= 1) TextBufAssign(&expanded, "");
  TextBufAssignBuf(text, expanded.length <= collapsed.length ? &expanded : &collapsed);
}

void T_StruxWin::RestoreExpansion() {
  const char* text = expansionText;
  const bool sameRoot = firstBuild || previousRoot == Node(0)->component;
  const bool sameFirst = previousLive.dimension[0] == live.dimension[0];
  if (text && *text && sameRoot && sameFirst) {
    ApplyExpansionState(text);
  } else {
    for (int64_t i = 0; i < nodeCount; ++i) Node(i)->expanded = 0;
    Node(0)->expanded = HasChildren(0) ? 1 : 0;
  }
  BlockTextFree(&expansionText);
}

void T_StruxWin::ApplyExpansionState(const char* text) {
  if (!text || !*text || nodeCount == 0) return;
  int32_t n = 0;
  if (text[0] == '-' && text[1] == 'w') {
    if (ReadCount(text + 2, &n) && n >= 1) ExpandToViewLevel(n);
    return;
  }
  if (text[0] == '-' && text[1] == 'x') {
    if (ReadCount(text + 2, &n)) ExpandToDepth(n);
    return;
  }
  if (text[0] == 'w') {
    ApplyWebExpansion(text + 1);
    return;
  }
  const char separator = text[0];
  if (separator != '|' && separator != '\\') return;
  for (int64_t i = 0; i < nodeCount; ++i) Node(i)->expanded = 0;
  if (text[1]) Node(0)->expanded = HasChildren(0) ? 1 : 0;
  // A slot takes part only when the previous tree had the same dimension in it.
  bool takesPart[kViewDimMax] = {};
  for (int32_t s = 0; s < live.count; ++s)
    takesPart[s] = s < previousLive.count && previousLive.dimension[s] == live.dimension[s];
  T_TextBuf key, path;
  for (int64_t i = 0; i < nodeCount; ++i) {
    StruxNode* node = Node(i);
    if (!HasChildren(i) || !takesPart[node->slot]) continue;
    NodePath(&path, i);
    TextBufAssignChar(&key, separator);
    TextBufAppendBuf(&key, &path);
    TextBufAppendChar(&key, separator);
    const bool found = std::strstr(text, key.data) != nullptr;
    if (separator == '|') {
      if (found) node->expanded = 1;
    } else if (!found && takesPart[Node(node->firstChild)->slot]) {
      node->expanded = 1;
    }
  }
  RebuildRows();
}

void T_StruxWin::ApplyWebExpansion(const char* tokens) {
  BlockTextAssign(&webTokens, tokens);
  for (int64_t i = 0; i < nodeCount; ++i) Node(i)->expanded = 0;
  std::vector<std::string> items = SplitTokens(tokens);
  std::vector<std::string> names;
  T_TextBuf name;
  for (const std::string& item : items) {
    if (item == "root") {
      Node(0)->expanded = HasChildren(0) ? 1 : 0;
      continue;
    }
    if (item.size() != static_cast<size_t>(kTokenLength)) continue;
    if (names.empty()) {
      names.resize(static_cast<size_t>(nodeCount));
      for (int64_t i = 0; i < nodeCount; ++i) {
        NodeName(&name, i);
        names[static_cast<size_t>(i)] = name.data;
      }
    }
    for (int64_t i = 0; i < nodeCount; ++i) {
      if (names[static_cast<size_t>(i)] != item) continue;
      if (HasChildren(i)) Node(i)->expanded = 1;
      for (int64_t a = Node(i)->parent; a >= 0; a = Node(a)->parent) Node(a)->expanded = 1;
    }
  }
  RebuildRows();
}

// --- Outline markers ----------------------------------------------------------------------------

bool T_StruxWin::InOutlineMarker(int64_t row, int32_t x) {
  if (row < 0 || row >= rowCount || !firstField) return false;
  RowOutline outline;
  GetRowOutline(&outline, row);
  RECT cell;
  GetCellRect(&cell, row, 0);
  int32_t right = cell.left + ComputeOutlineWidth(&outline) + 2;
  if (right > cell.right) right = cell.right;
  return x < right;
}

int64_t T_StruxWin::SubtreeLastRow(int64_t row) const {
  const int64_t node = RowNode(row);
  int64_t last = row;
  // The visible rows below a node follow it in pre-order: the subtree ends at the first row
  // whose node does not descend from it.
  for (int64_t r = row + 1; r < static_cast<int64_t>(rows.size()); ++r) {
    int64_t a = rows[static_cast<size_t>(r)];
    while (a >= 0 && a != node) a = Node(a)->parent;
    if (a != node) break;
    last = r;
  }
  return last;
}

bool T_StruxWin::ClickOutlineMarker(InputEvent* event, int64_t row) {
  if (!InOutlineMarker(row, event->x)) return false;
  const int64_t node = RowNode(row);
  if (node < 0) return true;
  // While the button is held the node's rows are highlighted as long as the pointer stays on
  // the marker; the toggle waits for the release there.
  const int32_t lastField = firstField ? static_cast<int32_t>(firstField->previous->index) : 0;
  clickRange = CellRange{row, 0, row, SubtreeLastRow(row), 0, lastField};
  InputEvent poll = *event;
  bool inside = true;
  rangeDragShown = 1;
  InvalidateGrid();
  while (poll.anyButton) {
    Item_PollPointer(grid, &poll);
    const bool now = InOutlineMarker(row, poll.x) && RowAtPoint(POINT{poll.x, poll.y}) == row;
    if (now != inside) {
      inside = now;
      rangeDragShown = inside ? 1 : 0;
      InvalidateGrid();
    }
  }
  rangeDragShown = 0;
  clickRange = CellRange{};
  InvalidateGrid();
  if (inside) ToggleNode(node, event->doubleClick != 0, event->shift != 0);
  return true;
}

// --- Names, tokens and paths --------------------------------------------------------------------

void T_StruxWin::NodeName(T_TextBuf* out, int64_t node) const {
  TextBufAssign(out, "");
  if (node <= 0) {
    TextBufAssign(out, "root");
    return;
  }
  const StruxNode* n = Node(node);
  T_TextBuf text;
  TextBufAssign(&text, CodeOf(n->component));
  for (int32_t s = n->slot - 1; s >= 0; --s) {
    const int64_t a = SlotAncestor(node, s);
    TextBufAppendChar(&text, ' ');
    if (a >= 0) TextBufAppend(&text, CodeOf(Node(a)->component));
  }
  WebNodeToken(out, text.data);
}

void T_StruxWin::NodeDrillPath(T_TextBuf* out, int64_t node, int32_t mode) const {
  TextBufAssign(out, "");
  if (node < 0 || node >= nodeCount) return;
  const StruxNode* n = Node(node);
  if (n->expanded && HasChildren(node) && n->slot + 1 < live.count) TextBufAppendChar(out, 'x');
  for (int32_t s = 0; s <= n->slot; ++s) {
    const int64_t a = SlotAncestor(node, s);
    if (a < 0) break;
    const StruxNode* an = Node(a);
    WebNodeToken(out, CodeOf(an->component));
    bool own = an->expanded && HasChildren(a);
    const int32_t limit = live.levels[s];
    if (own && limit && CompDepth(an->component) >= limit) own = false;
    if (mode == 1 && a == node && live.structure[s]) own = false;
    TextBufAppendChar(out, own ? '!' : ':');
  }
}

void T_StruxWin::WriteNodeLink(T_OStream* stream, int64_t row) {
  const int64_t node = RowNode(row);
  if (node < 0) return;
  T_TextBuf picture;
  BoxServices().webPicturePath(&picture);
  auto putPicture = [&](const char* kind) {
    stream->PutText("<img src=\"");
    stream->PutEscaped(picture.data);
    stream->PutText("Node");
    stream->PutText(kind);
    stream->PutText(".gif\"/>");
  };
  if (!HasChildren(node)) {
    putPicture("Normal");
    return;
  }
  std::vector<std::string> listed = SplitTokens(webTokens);
  if (listed.size() == 1 && listed[0] == "none") listed.clear();
  T_TextBuf name;
  auto tokenOf = [&](int64_t n) {
    NodeName(&name, n);
    return std::string(name.data);
  };
  auto remove = [&](const std::string& token) {
    for (size_t i = 0; i < listed.size();) {
      if (listed[i] == token)
        listed.erase(listed.begin() + static_cast<std::ptrdiff_t>(i));
      else
        ++i;
    }
  };
  const StruxNode* n = Node(node);
  std::string value;
  if (!n->expanded) {
    for (int64_t a = node; a >= 0; a = Node(a)->parent) remove(tokenOf(a));
    listed.push_back(tokenOf(node));
  } else if (node == 0) {
    listed.clear();
    value = "none";
  } else {
    remove(tokenOf(node));
    for (int64_t i = node + 1; i < nodeCount && Node(i)->parent >= node; ++i) remove(tokenOf(i));
    // The parent stays open through its own token once no other listed node keeps it open.
    bool otherListed = false;
    const int64_t parent = n->parent;
    for (int64_t i = parent + 1; i < nodeCount && Node(i)->parent >= parent && !otherListed; ++i) {
      if (i == node) continue;
      const std::string t = tokenOf(i);
      for (const std::string& l : listed) otherListed = otherListed || l == t;
    }
    if (!otherListed) listed.push_back(tokenOf(parent));
  }
  if (value.empty()) {
    for (const std::string& t : listed) {
      if (!value.empty()) value += ':';
      value += t;
    }
    if (value.empty()) value = "none";
  }
  T_TextBuf url;
  if (!BoxServices().webSelfUrl(&url)) {
    putPicture(n->expanded ? "Expanded" : "Collapsed");
    return;
  }
  UrlRemoveParam(&url, "exp");
  UrlAddParam(&url, "exp", value.c_str());
  stream->PutText("<a href=\"");
  stream->PutEscaped(url.data);
  stream->PutText("\">");
  putPicture(n->expanded ? "Expanded" : "Collapsed");
  stream->PutText("</a>");
}

bool T_StruxWin::WriteDrillLink(T_OStream* stream, int64_t row, int32_t mode, const char* prefix) {
  const int64_t node = RowNode(row);
  if (node < 0) return false;
  T_TextBuf value, path;
  TextBufAssign(&value, prefix);
  TextBufAppendChar(&value, ':');
  NodeDrillPath(&path, node, mode);
  TextBufAppendBuf(&value, &path);
  return WriteDrillAnchor(stream, value.data);
}

bool T_StruxWin::WriteDrillAnchor(T_OStream* stream, const char* value) {
  T_TextBuf url;
  if (!BoxServices().webSelfUrl(&url)) return false;
  for (const char* p : {"exp", "sort", "page"}) UrlRemoveParam(&url, p);
  UrlAddParam(&url, "drill", value);
  stream->PutText("<a class=\"data\" href=\"");
  stream->PutEscaped(url.data);
  stream->PutText("\">");
  return true;
}

void T_StruxWin::ViewTitle(T_TextBuf* text) const {
  TextBufAssign(text, "");
  for (int32_t s = 0; s < live.count; ++s) {
    if (s > 0) TextBufAppend(text, " / ");
    TextBufAppend(text, database ? database->GetDimSingular(live.dimension[s]) : "");
  }
}
