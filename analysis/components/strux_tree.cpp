// The structure window's tree: building it from the view dimensions (one dimension through a
// component-to-node table, several through the tuple table), filtering, compacting, sorting and
// the visible rows.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/components/strux_window.h"
#include "core/alert.h"
#include "core/hash_index.h"
#include "core/parallel_sort.h"
#include "database/base.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/model_records.h"
#include "ui/sort_orders.h"

namespace {

constexpr int64_t kProbeStep = 521;

int64_t PoolCount(const T_Base* base) { return base ? base->componentPool.count : 0; }

// The flags of a tuple entered with the slot's component as a line had it: on the line itself,
// or reached by replacing a later slot's component.
int64_t ExactFlags(int32_t slot) {
  int64_t flags = kTupleOnLine;
  for (int32_t t = slot + 1; t < kViewDimMax; ++t) flags |= int64_t{2} << t;
  return flags;
}

}  // namespace

bool T_StruxWin::InSet(int64_t component) const {
  return !buildSet_ || CompBitSet(buildSet_, component);
}

int64_t T_StruxWin::NewNode(ComponentRecord* component, int64_t parent, int32_t slot,
                            int32_t level) {
  auto* record = reinterpret_cast<StruxNode*>(PagedArrayAtGrow(&nodes, nodeCount));
  if (!record) return -1;
  std::memset(record, 0, static_cast<size_t>(nodeWidth));
  const int64_t n = nodeCount++;
  record->component = component;
  record->parent = parent;
  record->firstChild = -1;
  record->nextSibling = -1;
  record->slot = static_cast<uint8_t>(slot);
  record->level = static_cast<uint8_t>(level < 255 ? level : 255);
  if (lastChild_.size() <= static_cast<size_t>(n)) lastChild_.resize(static_cast<size_t>(n) + 1024);
  lastChild_[static_cast<size_t>(n)] = -1;
  if (parent >= 0) {
    int64_t last = lastChild_[static_cast<size_t>(parent)];
    if (last >= 0)
      Node(last)->nextSibling = n;
    else
      Node(parent)->firstChild = n;
    lastChild_[static_cast<size_t>(parent)] = n;
  }
  return n;
}

// --- Levels limits ------------------------------------------------------------------------------

void T_StruxWin::BuildLevelLimits(BitVector* components) {
  levelLimitMap_.clear();
  bool any = false;
  for (int32_t s = 0; s < live.count; ++s) any = any || live.levels[s] != 0;
  if (!any) return;
  const int64_t count = PoolCount(database);
  levelLimitMap_.resize(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) levelLimitMap_[static_cast<size_t>(i)] = i;
  for (int32_t s = 0; s < live.count; ++s) {
    const int32_t limit = live.levels[s];
    if (!limit) continue;
    ComponentRecord* root = ComponentAt(database, live.dimension[s]);
    int32_t depth = 0;
    std::vector<ComponentRecord*> path;  // the ancestors by depth
    path.push_back(root);
    for (ComponentRecord* c = CompTreeNextDepth(root, &depth); c && c != root;
         c = CompTreeNextDepth(c, &depth)) {
      if (path.size() <= static_cast<size_t>(depth)) path.resize(static_cast<size_t>(depth) + 1);
      path[static_cast<size_t>(depth)] = c;
      if (depth <= limit) continue;
      ComponentRecord* into = path[static_cast<size_t>(limit)];
      levelLimitMap_[static_cast<size_t>(c->number)] = into->number;
      if (components && CompBitSet(components, c->number) && into->number < components->count)
        BitVecSet(components, into->number, true);
    }
  }
}

// --- One view dimension -------------------------------------------------------------------------

void T_StruxWin::BuildOneDimension(ComponentRecord* root) {
  const int64_t count = PoolCount(database);
  componentNode_.assign(static_cast<size_t>(count), -1);
  componentNode_[static_cast<size_t>(root->number)] = 0;
  const bool flat = live.structure[0] != 0;
  std::vector<int32_t> levelMap(16, 0);
  lastAtLevel_.assign(16, 0);
  int32_t depth = 0;
  for (ComponentRecord* c = CompTreeNextWithinDepth(root, root, &depth); c && c != root;
       c = CompTreeNextWithinDepth(c, root, &depth)) {
    if (AbortRequested()) return;
    if (levelMap.size() <= static_cast<size_t>(depth)) levelMap.resize(depth + 16, 0);
    const int64_t mapped = MapLevel(c->number);
    if (mapped != c->number) {
      componentNode_[static_cast<size_t>(c->number)] = componentNode_[static_cast<size_t>(mapped)];
      continue;
    }
    if (!InSet(c->number)) {
      levelMap[depth] = levelMap[depth - 1];
      continue;
    }
    const int32_t level = flat ? levelMap[0] + 1 : levelMap[depth - 1] + 1;
    levelMap[depth] = level;
    if (lastAtLevel_.size() <= static_cast<size_t>(level)) lastAtLevel_.resize(level + 16, 0);
    const int64_t n = NewNode(c, lastAtLevel_[level - 1], 0, level);
    if (n < 0) return;  // no memory: the nodes made so far stand
    lastAtLevel_[level] = n;
    componentNode_[static_cast<size_t>(c->number)] = n;
  }
}

// --- Several view dimensions --------------------------------------------------------------------

bool T_StruxWin::MakeTupleTable() {
  DropTupleTable();
  tuples.slots = live.count;
  // Estimates below the first one come only from tests, which want a table that must grow.
  if (tupleEstimate >= kTupleEstimate) {
    tuples.size = HashIndexPrimeSize(tupleEstimate);
  } else {
    int64_t n = tupleEstimate < 3 ? 3 : tupleEstimate | 1;
    auto prime = [](int64_t v) {
      for (int64_t d = 3; d * d <= v; d += 2) {
        if (v % d == 0) return false;
      }
      return true;
    };
    while (!prime(n)) n += 2;
    tuples.size = n;
  }
  tuples.fillLimit = tuples.size - tuples.size / 8;
  tuples.count = 0;
  tuples.failed = 0;
  const int32_t width = 16 + 8 * tuples.slots;
  PagedArrayInit(&tuples.records, width, 0);
  if (!PagedArrayReserve(&tuples.records, tuples.size)) {
    PagedArrayFree(&tuples.records);
    return false;
  }
  tuples.records.count = tuples.size;
  for (int64_t i = 0; i < tuples.size; ++i) {
    auto* r = reinterpret_cast<int64_t*>(PagedArrayAt(&tuples.records, i));
    r[0] = 0;
    r[1] = -1;
    r[2] = -1;
  }
  return true;
}

void T_StruxWin::DropTupleTable() {
  PagedArrayFree(&tuples.records);
  tuples = ComponentTupleTable{};
}

int64_t* T_StruxWin::TupleRecord(const int64_t* tuple, bool insert, bool* present) {
  if (present) *present = false;
  const int64_t size = tuples.size;
  if (size <= 0) return nullptr;
  const int32_t n = tuples.slots;
  // Component numbers run consecutively, so a hash that only shifts and adds them sends tuples
  // such as (c, d) and (c + 1, d - 16) to one slot and crowds a two-dimension tree into a short
  // run of the table; multiplying by a large odd constant and folding the high half back
  // spreads them over the whole table.
  uint64_t h = static_cast<uint64_t>(tuple[0]);
  for (int32_t s = n - 1; s >= 1; --s) {
    h = (h ^ static_cast<uint64_t>(tuple[s])) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 32;
  }
  h %= static_cast<uint64_t>(size);
  const int64_t step = kProbeStep % size ? kProbeStep % size : 1;
  int64_t i = static_cast<int64_t>(h);
  for (int64_t probes = 0; probes < size; ++probes) {
    auto* r = reinterpret_cast<int64_t*>(PagedArrayAt(&tuples.records, i));
    if (r[2] == -1) {
      if (!insert) return nullptr;
      std::memcpy(r + 2, tuple, static_cast<size_t>(n) * 8);
      r[0] = 0;
      r[1] = -1;
      ++tuples.count;
      return r;
    }
    if (std::memcmp(r + 2, tuple, static_cast<size_t>(n) * 8) == 0) {
      if (present) *present = true;
      return r;
    }
    i += step;
    if (i >= size) i -= size;
  }
  tuples.failed = 1;
  return nullptr;
}

void T_StruxWin::MarkLineTuple(const GroupRecord* group, const LineRecord* line) {
  if (tuples.size <= 0) return;
  const int32_t n = tuples.slots;
  int64_t t[kViewDimMax];
  for (int32_t s = 0; s < n; ++s) {
    const int32_t d = live.dimension[s];
    int64_t c = d == 0 ? group->component : database->GetLineComponent(line, d - 1);
    t[s] = MapLevel(c);
  }
  bool present = false;
  int64_t* r = TupleRecord(t, true, &present);
  if (!r) return;
  r[0] |= kTupleOnLine;
  if (present) return;
  for (int32_t s = n - 1; s >= 0; --s) {
    ComponentRecord* c = ComponentAt(database, t[s]);
    while (c && c->parent) {
      c = c->parent;
      t[s] = c->number;
      r = TupleRecord(t, true, &present);
      if (!r) return;
      r[0] |= int64_t{2} << s;
      if (present) return;
    }
  }
}

ComponentRecord* T_StruxWin::DescendStart(int32_t slot, int64_t* tuple) {
  ComponentRecord* c = ComponentAt(database, live.dimension[slot]);
  for (;;) {
    tuple[slot] = c->number;
    int64_t* r = TupleRecord(tuple, false, nullptr);
    // The component occurs on lines itself when a line had it at this slot, whatever the later
    // slots held (their ancestor flags), not only when they were roots.
    if (r && (r[0] & ExactFlags(slot))) break;
    ComponentRecord* only = nullptr;
    int32_t found = 0;
    for (ComponentRecord* child = c->firstChild; child && found < 2; child = child->nextSibling) {
      tuple[slot] = child->number;
      if (TupleRecord(tuple, false, nullptr)) {
        only = child;
        ++found;
      }
    }
    if (found != 1) break;
    c = only;
  }
  tuple[slot] = c->number;
  return c;
}

void T_StruxWin::BuildSlot(int32_t slot, int64_t parentNode, int64_t* tuple, int32_t baseLevel,
                           ComponentRecord* start) {
  const int32_t count = live.count;
  const bool flat = live.structure[slot] != 0;
  const bool all = live.filter[slot] == kViewFilterAll;
  for (int32_t s = slot + 1; s < count; ++s) tuple[s] = slotRoots_[s];
  tuple[slot] = start->number;
  // The start stands for the enclosing node itself, so its lines land there.
  if (int64_t* r = TupleRecord(tuple, false, nullptr)) {
    if (r[1] < 0) r[1] = parentNode;
  }
  std::vector<int32_t> levelMap(16, baseLevel);
  if (lastAtLevel_.size() <= static_cast<size_t>(baseLevel) + 1)
    lastAtLevel_.resize(static_cast<size_t>(baseLevel) + 16, 0);
  lastAtLevel_[static_cast<size_t>(baseLevel)] = parentNode;
  int32_t depth = 0;
  ComponentRecord* c = CompTreeNextWithinDepth(start, start, &depth);
  while (c && c != start) {
    if (AbortRequested()) return;
    if (levelMap.size() <= static_cast<size_t>(depth)) levelMap.resize(depth + 16, baseLevel);
    if (MapLevel(c->number) != c->number) {
      c = CompTreeSkip(c, start, &depth);
      continue;
    }
    tuple[slot] = c->number;
    for (int32_t s = slot + 1; s < count; ++s) tuple[s] = slotRoots_[s];
    int64_t* record = TupleRecord(tuple, false, nullptr);
    bool shown = InSet(c->number);
    if (!all) {
      if (!record) {
        c = CompTreeSkip(c, start, &depth);
        continue;
      }
      if (flat && (record[0] & ~(int64_t{2} << slot)) == 0) shown = false;
    }
    if (!shown) {
      levelMap[depth] = levelMap[depth - 1];
      c = CompTreeNextWithinDepth(c, start, &depth);
      continue;
    }
    const int32_t level = flat ? baseLevel + 1 : levelMap[depth - 1] + 1;
    levelMap[depth] = level;
    if (lastAtLevel_.size() <= static_cast<size_t>(level) + 1)
      lastAtLevel_.resize(static_cast<size_t>(level) + 16, 0);
    const int64_t n = NewNode(c, lastAtLevel_[level - 1], slot, level);
    if (n < 0) return;
    lastAtLevel_[level] = n;
    if (record && record[1] < 0) record[1] = n;
    if (slot + 1 < count && InSet(c->number)) {
      int64_t inner[kViewDimMax];
      std::memcpy(inner, tuple, sizeof inner);
      ComponentRecord* next = live.filter[slot + 1] == kViewFilterAll
                                  ? ComponentAt(database, narrowedRoots_[slot + 1])
                                  : DescendStart(slot + 1, inner);
      BuildSlot(slot + 1, n, inner, level, next);
      if (nodeCount == 0) return;
    }
    c = CompTreeNextWithinDepth(c, start, &depth);
  }
}

// --- BuildTree ----------------------------------------------------------------------------------

bool T_StruxWin::BuildTree(BitVector* components) {
  previousLive = firstBuild ? previousLive : live;
  live = edited;
  ClampViewDims(&live);
  ViewDimSetRemoveRepeats(&live);
  nodeCount = 0;
  rows.clear();
  lastChild_.clear();
  buildSet_ = components;
  BuildLevelLimits(components);
  for (int32_t s = 0; s < live.count; ++s) {
    // The deepest component that holds every component of the set in the dimension.
    ComponentRecord* root =
        components ? CompCommonAncestor(database, live.dimension[s], components) : nullptr;
    if (!root) root = ComponentAt(database, live.dimension[s]);
    narrowedRoots_[s] = root->number;
    slotRoots_[s] = live.dimension[s];
  }
  ComponentRecord* root = ComponentAt(database, narrowedRoots_[0]);
  if (live.count <= 1) {
    if (NewNode(root, -1, 0, 0) == 0) BuildOneDimension(root);
  } else {
    // The dimension roots stand in the tuples for "any component" of a later slot.
    const int64_t* dimRoots = slotRoots_;
    for (;;) {
      if (!MakeTupleTable()) {
        PendingErrorSet(600);
        buildSet_ = nullptr;
        return false;
      }
      ComputeNodeValues();
      if (AbortRequested()) break;
      if (!TupleTableOverfull()) break;
      tupleEstimate = 2 * tuples.count + kTupleEstimate;
      DropTupleTable();
    }
    if (!AbortRequested() && NewNode(root, -1, 0, 0) == 0) {
      int64_t tuple[kViewDimMax];
      for (int32_t s = 0; s < live.count; ++s) tuple[s] = dimRoots[s];
      tuple[0] = root->number;
      if (int64_t* r = TupleRecord(tuple, false, nullptr)) r[1] = 0;
      if (InSet(root->number)) {
        ComponentRecord* next = live.filter[1] == kViewFilterAll
                                    ? ComponentAt(database, narrowedRoots_[1])
                                    : DescendStart(1, tuple);
        BuildSlot(1, 0, tuple, 0, next);
      }
      int64_t outer[kViewDimMax];
      for (int32_t s = 0; s < live.count; ++s) outer[s] = dimRoots[s];
      BuildSlot(0, 0, outer, 0, root);
    }
  }
  buildSet_ = nullptr;
  if (nodeCount > 0) {
    Node(0)->expanded = 1;
    RestoreExpansion();
  }
  firstBuild = 0;
  previousRoot = nodeCount > 0 ? Node(0)->component : nullptr;
  return nodeCount > 0;
}

int64_t T_StruxWin::FindNodeForLine(const GroupRecord* group, const LineRecord* line) const {
  if (live.count <= 1) {
    const int32_t d = live.dimension[0];
    int64_t c = d == 0 ? group->component : database->GetLineComponent(line, d - 1);
    if (c < 0 || c >= static_cast<int64_t>(componentNode_.size())) return -1;
    return componentNode_[static_cast<size_t>(c)];
  }
  int64_t t[kViewDimMax];
  for (int32_t s = 0; s < tuples.slots; ++s) {
    const int32_t d = live.dimension[s];
    int64_t c = d == 0 ? group->component : database->GetLineComponent(line, d - 1);
    t[s] = MapLevel(c);
  }
  // A combination that got no node of its own counts at the nearest enclosing node: a later
  // slot's tree may start below its component there (the start stands for the enclosing node), and
  // skipping such lines would leave the enclosing node's total short of what one view dimension
  // shows for the same component. Later slots fall back to their roots one at a time.
  auto* self = const_cast<T_StruxWin*>(this);
  for (int32_t s = tuples.slots - 1; s >= 0; --s) {
    const int64_t* r = self->TupleRecord(t, false, nullptr);
    if (r && r[1] >= 0) return r[1];
    if (s == 0) break;
    t[s] = slotRoots_[s];
  }
  return -1;
}

// --- Filtering and compaction -------------------------------------------------------------------

void T_StruxWin::FilterNodes() {
  bool any = false;
  for (int32_t s = 0; s < live.count; ++s) any = any || live.filter[s] != kViewFilterAll;
  if (!any || nodeCount == 0) return;
  std::vector<uint8_t> keep(static_cast<size_t>(nodeCount), 0);
  keep[0] = 1;
  if (live.count <= 1) {
    const int32_t filter = live.filter[0];
    if (filter == kViewFilterInUse) {
      CollectNodes(&keep);
    } else {
      for (int64_t n = 1; n < nodeCount; ++n)
        keep[static_cast<size_t>(n)] = NodePassesFilter(n, 0, filter) ? 1 : 0;
    }
  } else {
    std::vector<uint8_t> dropped(static_cast<size_t>(nodeCount), 0);
    for (int64_t n = 1; n < nodeCount; ++n) {
      const StruxNode* node = Node(n);
      if (dropped[static_cast<size_t>(node->parent)]) {
        dropped[static_cast<size_t>(n)] = 1;
        continue;
      }
      const int32_t filter = live.filter[node->slot];
      if (filter == kViewFilterAll) {
        keep[static_cast<size_t>(n)] = 1;
      } else if (filter == kViewFilterInUse) {
        keep[static_cast<size_t>(n)] = NodeHasData(n) ? 1 : 0;
      } else if (NodePassesFilter(n, 0, filter) || NodePassesFilter(n, 1, filter)) {
        // The totals decide in the last slot too: a node whose own values are zero but whose
        // subtree is not would otherwise take that subtree with it.
        keep[static_cast<size_t>(n)] = 1;
      } else {
        dropped[static_cast<size_t>(n)] = 1;
      }
    }
  }
  CompactNodes(&keep);
}

void T_StruxWin::CompactNodes(std::vector<uint8_t>* keep) {
  std::vector<uint8_t>& k = *keep;
  if (nodeCount == 0) return;
  k[0] = 1;
  for (int64_t n = nodeCount - 1; n >= 1; --n) {
    if (k[static_cast<size_t>(n)]) k[static_cast<size_t>(Node(n)->parent)] = 1;
  }
  std::vector<int64_t> index(static_cast<size_t>(nodeCount), -1);
  int64_t next = 0;
  for (int64_t n = 0; n < nodeCount; ++n) {
    if (!k[static_cast<size_t>(n)]) continue;
    index[static_cast<size_t>(n)] = next;
    if (next != n) PagedArrayCopyRecord(&nodes, next, n);
    ++next;
  }
  // Children are relinked in their old order: the sibling chains follow the pre-order.
  lastChild_.assign(static_cast<size_t>(next), -1);
  for (int64_t n = 0; n < next; ++n) {
    StruxNode* node = Node(n);
    node->firstChild = -1;
    node->nextSibling = -1;
    if (n == 0) continue;
    node->parent = index[static_cast<size_t>(node->parent)];
    const int64_t last = lastChild_[static_cast<size_t>(node->parent)];
    if (last >= 0)
      Node(last)->nextSibling = n;
    else
      Node(node->parent)->firstChild = n;
    lastChild_[static_cast<size_t>(node->parent)] = n;
  }
  nodeCount = next;
  nodes.count = next;
}

// --- Sorting ------------------------------------------------------------------------------------

namespace {

struct SiblingSort {
  std::vector<int64_t>* members;
  std::vector<double>* values;
  T_StruxWin* window;
  int32_t byValue;
  int32_t order;
};

int32_t CompareSiblings(void* context, int64_t a, int64_t b) {
  auto* s = static_cast<SiblingSort*>(context);
  const int64_t na = (*s->members)[static_cast<size_t>(a)];
  const int64_t nb = (*s->members)[static_cast<size_t>(b)];
  int32_t c = 0;
  if (s->byValue) {
    c = CompareByValueOrder((*s->values)[static_cast<size_t>(a)],
                            (*s->values)[static_cast<size_t>(b)], s->order);
  } else if (s->order == kTreeReversed) {
    c = na < nb ? 1 : na > nb ? -1 : 0;
  } else {
    c = CompareByTreeOrder(s->window, static_cast<int32_t>(s->window->Node(na)->component->number),
                           static_cast<int32_t>(s->window->Node(nb)->component->number), s->order);
  }
  if (c) return c;
  return na < nb ? -1 : na > nb ? 1 : 0;
}

void SwapSiblings(void* context, int64_t a, int64_t b) {
  auto* s = static_cast<SiblingSort*>(context);
  std::swap((*s->members)[static_cast<size_t>(a)], (*s->members)[static_cast<size_t>(b)]);
  if (s->byValue)
    std::swap((*s->values)[static_cast<size_t>(a)], (*s->values)[static_cast<size_t>(b)]);
}

}  // namespace

void T_StruxWin::SortTree(int32_t sortColumn, int32_t componentOrder, int32_t valueOrder) {
  if (nodeCount < 2) return;
  const bool byValue = sortColumn >= 0;
  if (!byValue && componentOrder == kTreeNormal) return;
  if (!byValue && componentOrder != kTreeReversed) {
    for (int32_t s = 0; s < live.count; ++s)
      BuildTreeOrderTable(this, live.dimension[s], componentOrder);
  }
  std::vector<int64_t> members;
  std::vector<double> values;
  SiblingSort sort{&members, &values, this, byValue ? 1 : 0,
                   byValue ? valueOrder : componentOrder};
  // Every node with two or more children, in any order: each chain is sorted on its own.
  for (int64_t parent = 0; parent < nodeCount; ++parent) {
    StruxNode* p = Node(parent);
    if (p->firstChild < 0 || Node(p->firstChild)->nextSibling < 0) continue;
    members.clear();
    values.clear();
    for (int64_t c = p->firstChild; c >= 0; c = Node(c)->nextSibling) {
      members.push_back(c);
      if (byValue) values.push_back(GetNodeValue(c));
    }
    ParallelSortContext context;
    ParallelSortInit(&context);
    context.compare = CompareSiblings;
    context.compareContext = &sort;
    context.swap = SwapSiblings;
    context.swapContext = &sort;
    ParallelSortCount(&context, static_cast<int64_t>(members.size()));
    p->firstChild = members[0];
    for (size_t i = 0; i + 1 < members.size(); ++i) Node(members[i])->nextSibling = members[i + 1];
    Node(members.back())->nextSibling = -1;
  }
}

// --- Rows ---------------------------------------------------------------------------------------

void T_StruxWin::RebuildRows() {
  std::vector<int64_t> old;
  old.swap(rows);
  if (nodeCount > 0) {
    rows.reserve(old.size() > 16 ? old.size() : 16);
    int64_t n = 0;
    while (n >= 0) {
      rows.push_back(n);
      if (AbortRequested()) break;
      const StruxNode* node = Node(n);
      if (node->expanded && node->firstChild >= 0) {
        n = node->firstChild;
        continue;
      }
      // The next sibling of the node or of its nearest ancestor below the root.
      while (n > 0 && Node(n)->nextSibling < 0) n = Node(n)->parent;
      n = n > 0 ? Node(n)->nextSibling : -1;
    }
  }
  rowCount = static_cast<int64_t>(rows.size());
  if (rows != old) {
    size_t first = 0;
    while (first < rows.size() && first < old.size() && rows[first] == old[first]) ++first;
    InvalidateRows(static_cast<int64_t>(first),
                   static_cast<int64_t>(std::max(rows.size(), old.size())));
    UpdateScrollBoxes(false);
    OnVisibleRowsChanged();
  }
}

int64_t T_StruxWin::NodeRow(int64_t node) const {
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r] == node) return static_cast<int64_t>(r);
  }
  return -1;
}

int32_t T_StruxWin::NodeDepth(int64_t node) const {
  int32_t depth = 0;
  for (int64_t n = node; n > 0; n = Node(n)->parent) ++depth;
  return depth;
}

int64_t T_StruxWin::SlotAncestor(int64_t node, int32_t slot) const {
  for (int64_t n = node; n >= 0; n = Node(n)->parent) {
    if (Node(n)->slot == slot) return n;
  }
  return -1;
}

// --- Reset and free -----------------------------------------------------------------------------

void T_StruxWin::ResetTree() {
  if (nodeCount > 0) {
    T_TextBuf text;
    SaveExpansionState(&text);
    BlockTextAssignBuf(&expansionText, &text);
    previousRoot = Node(0)->component;
  }
  nodeCount = 0;
  nodes.count = 0;
  rows.clear();
  rowCount = 0;
}

void T_StruxWin::DropTreeOutOfMemory() {
  nodeCount = 0;
  RebuildRows();
  FreeTree();
  PendingErrorOutOfMemory();
  PendingErrorReport();
}

void T_StruxWin::FreeTree() {
  DropTupleTable();
  componentNode_ = std::vector<int64_t>();
  levelLimitMap_ = std::vector<int64_t>();
  lastChild_ = std::vector<int64_t>();
  lastAtLevel_ = std::vector<int64_t>();
  PagedArrayTruncate(&nodes, nodeCount);
  BroadcastChange(kChangeWindowCalculated);
}
