#include "database/component_picker.h"

#include <algorithm>

#include "core/cstring.h"
#include "core/locale.h"
#include "core/utf8.h"
#include "database/base.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/selection_program.h"
#include "ui/event_record.h"
#include "ui/popup_menu.h"

namespace {

constexpr int32_t kTextRoom = 8;
constexpr int32_t kArrowRoom = 6;
constexpr int32_t kLeastWidth = 32;

// The parent's code less its last character: what the items of its level do not show.
void HiddenPrefix(const ComponentRecord* parent, T_TextBuf* prefix) {
  TextBufAssign(prefix, parent->parent ? parent->code : nullptr);
  if (!prefix->empty()) TextBufDropLast(prefix);
}

bool CodePartEquals(const T_TextBuf* display, const T_TextBuf* typed) {
  int32_t blank = 0;
  while (blank < display->length && display->data[blank] != ' ') ++blank;
  T_TextBuf code;
  TextBufAssignBytes(&code, display->data, blank);
  return StrEqualNoCase(code.data, typed->data);
}

}  // namespace

ComponentPicker::ComponentPicker(T_Base* base, int32_t d, const TextMeasurer& measurer,
                                 const RECT& bounds, POINT anchor)
    : base_(base), d_(d), measurer_(measurer), bounds_(bounds), anchor_(anchor) {
  TextMeasure line =
      measurer_.measure ? measurer_.measure(measurer_.context, "Ag", 2) : TextMeasure{0, 0};
  rowHeight_ = std::max(1, line.height);
}

void ComponentPicker::Open(int64_t component) {
  levels_.clear();
  OpenLevel(d_);
  if (!ComponentInDimension(base_, d_, component) || component == d_) return;
  // The path from the top level down to the component.
  std::vector<int64_t> path;
  for (const ComponentRecord* node = ComponentAt(base_, component); node->parent;
       node = node->parent)
    path.push_back(node->number);
  for (size_t k = path.size(); k-- > 0;) {
    PickerLevel& level = levels_.back();
    for (int32_t i = 0; i < static_cast<int32_t>(level.items.size()); ++i) {
      if (level.items[i].component == path[k]) Highlight(LevelCount() - 1, i);
    }
    if (k > 0) OpenLevel(path[k]);
  }
}

void ComponentPicker::OpenLevel(int64_t parent) {
  const ComponentRecord* node = ComponentAt(base_, parent);
  levels_.emplace_back();
  PickerLevel& level = levels_.back();
  level.parent = parent;
  T_TextBuf prefix;
  HiddenPrefix(node, &prefix);
  int32_t width = kLeastWidth;
  for (const ComponentRecord* child = node->firstChild; child; child = child->nextSibling) {
    PickerItem item;
    item.component = child->number;
    item.hasChildren = child->firstChild != nullptr;
    base_->GetComponentText(&item.display, child->number, d_);
    int32_t hidden =
        prefix.length > 0 && StrStartsWith(item.display.data, prefix.data) ? prefix.length : 0;
    TextBufAssign(&item.shown, item.display.data + hidden);
    int32_t itemWidth = TextWidthWith(&measurer_, item.shown.data, item.shown.length) + kTextRoom +
                        (item.hasChildren ? kArrowRoom : 0);
    width = std::max(width, itemWidth);
    level.items.push_back(item);
  }
  width += 2 * kPopupFrame;

  int32_t count = static_cast<int32_t>(level.items.size());
  int32_t fit = std::max<int32_t>(1, (bounds_.bottom - bounds_.top - 2 * kPopupFrame) / rowHeight_);
  level.rows = std::max(1, std::min(count, fit));
  int32_t height = level.rows * rowHeight_ + 2 * kPopupFrame;

  POINT at = anchor_;
  if (levels_.size() > 1) {
    const PickerLevel& above = levels_[levels_.size() - 2];
    at.x = above.rect.right;
    at.y = above.rect.top + kPopupFrame + (above.highlight - above.first) * rowHeight_;
    // A level that would leave the screen goes to the left of its parent.
    if (at.x + width > bounds_.right) at.x = above.rect.left - width;
  }
  if (at.x + width > bounds_.right) at.x = bounds_.right - width;
  if (at.x < bounds_.left) at.x = bounds_.left;
  if (at.y + height > bounds_.bottom) at.y = bounds_.bottom - height;
  if (at.y < bounds_.top) at.y = bounds_.top;
  level.rect = RECT{at.x, at.y, at.x + width, at.y + height};
}

void ComponentPicker::Highlight(int32_t levelIndex, int32_t item) {
  PickerLevel& level = levels_[levelIndex];
  if (item < 0 || item >= static_cast<int32_t>(level.items.size())) return;
  if (item != level.highlight) CloseBelow(levelIndex);
  level.highlight = item;
  if (item < level.first) level.first = item;
  if (item >= level.first + level.rows) level.first = item - level.rows + 1;
}

void ComponentPicker::CloseBelow(int32_t level) {
  if (LevelCount() > level + 1) levels_.resize(level + 1);
}

bool ComponentPicker::Key(uint16_t key) {
  int32_t deepest = LevelCount() - 1;
  if (deepest < 0) return false;
  PickerLevel& level = levels_[deepest];
  int32_t count = static_cast<int32_t>(level.items.size());
  switch (key) {
    case kKeyUp:
    case kKeyDown: {
      int32_t step = key == kKeyUp ? -1 : 1;
      int32_t item = level.highlight < 0 ? 0 : level.highlight + step;
      Highlight(deepest, std::max(0, std::min(item, count - 1)));
      break;
    }
    case kKeyRight:
      if (level.highlight < 0 || !level.items[level.highlight].hasChildren) return true;
      OpenLevel(level.items[level.highlight].component);
      Highlight(deepest + 1, 0);
      break;
    case kKeyLeft:
      if (deepest > 0) levels_.pop_back();
      break;
    default:
      return false;
  }
  TextBufAssign(&typed_, "");
  return true;
}

void ComponentPicker::Type(uint32_t unit) {
  if (LevelCount() == 0) return;
  int32_t deepest = LevelCount() - 1;
  const PickerLevel& level = levels_[deepest];
  if (unit == kKeyBackspace) {
    if (!typed_.empty()) TextBufDropLast(&typed_);
    return;
  }
  TextBufAppendWideChar(&typed_, unit);
  // Typing goes on while an item can still come to match; otherwise it starts again.
  bool possible = false;
  for (const PickerItem& item : level.items) {
    possible |= StrStartsWithNoCase(item.shown.data, typed_.data) ||
                StrStartsWithNoCase(item.display.data, typed_.data);
  }
  if (!possible) {
    TextBufAssign(&typed_, "");
    TextBufAppendWideChar(&typed_, unit);
  }
  for (int32_t i = 0; i < static_cast<int32_t>(level.items.size()); ++i) {
    const PickerItem& item = level.items[i];
    if (StrEqualNoCase(item.shown.data, typed_.data) || CodePartEquals(&item.display, &typed_)) {
      Highlight(deepest, i);
      return;
    }
  }
}

void ComponentPicker::Point(int32_t level, int32_t item) {
  if (level < 0 || level >= LevelCount()) return;
  TextBufAssign(&typed_, "");
  Highlight(level, item);
}

void ComponentPicker::Click(int32_t level, int32_t item) {
  Point(level, item);
  if (level < 0 || level >= LevelCount()) return;
  const PickerLevel& at = levels_[level];
  if (at.highlight != item || !at.items[item].hasChildren || LevelCount() > level + 1) return;
  OpenLevel(at.items[item].component);
}

bool ComponentPicker::HitTest(POINT point, int32_t* level, int32_t* item) const {
  // Deeper levels lie over shallower ones.
  for (int32_t l = LevelCount() - 1; l >= 0; --l) {
    const PickerLevel& at = levels_[l];
    int32_t top = at.rect.top + kPopupFrame;
    if (point.x < at.rect.left + kPopupFrame || point.x >= at.rect.right - kPopupFrame ||
        point.y < top || point.y >= at.rect.bottom - kPopupFrame)
      continue;
    int32_t row = at.first + (point.y - top) / rowHeight_;
    if (row >= static_cast<int32_t>(at.items.size()) || row >= at.first + at.rows) return false;
    *level = l;
    *item = row;
    return true;
  }
  return false;
}

void ComponentPicker::Chosen(T_TextBuf* code) const {
  TextBufAssign(code, "");
  for (int32_t l = LevelCount() - 1; l >= 0; --l) {
    const PickerLevel& level = levels_[l];
    if (level.highlight < 0) continue;
    TextBufAssign(code, ComponentAt(base_, level.items[level.highlight].component)->code);
    return;
  }
}
