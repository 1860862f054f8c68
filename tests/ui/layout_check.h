#pragma once
// The layout check of window and dialog tests: after layout, what a user would see as broken.
// It walks the element tree (or a native dialog's child windows) and lists siblings that overlap,
// elements outside their parent and fields without a label; then it paints the window with the
// graphics port counting clipped text and lists every number drawn in part and every text cut
// without an ellipsis. Each fault is one readable line, so a test writes
//   LayoutFaults faults = LayoutCheck(window);
//   EXPECT_TRUE(faults.empty()) << faults;
#include <windows.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/graphics_port.h"

class T_GrafElement;

namespace ui_test {

struct LayoutFaults {
  std::vector<std::string> lines;
  bool empty() const { return lines.empty(); }
  size_t size() const { return lines.size(); }
  void Add(std::string line) { lines.push_back(std::move(line)); }
  void Append(const LayoutFaults& more) {
    lines.insert(lines.end(), more.lines.begin(), more.lines.end());
  }
  // Whether some fault line holds the text (for tests of the check itself and for exemptions).
  bool Mentions(std::string_view text) const;
};
std::ostream& operator<<(std::ostream& out, const LayoutFaults& faults);

struct LayoutCheckOptions {
  // Elements left out with their subtrees (a cell-edit overlay, a drawing that owns its whole
  // area by design).
  std::function<bool(const T_GrafElement*)> skip;
  // A text cut without an ellipsis is a fault unless this is cleared (a grid's text cells and an
  // edit field's long value are cut on purpose); a cut number is always one.
  bool cutTextIsFault = true;
  // Whether to paint the window and count its clipped texts.
  bool paint = true;
};

// Text that reads as a number: digits with signs, separators, brackets, a per cent or an
// exponent, and nothing else (a row of '#' is the drawing of a number that does not fit, not a
// number).
bool LooksLikeNumber(std::string_view text);
// Text that ends in an ellipsis (the character or three full stops).
bool EndsWithEllipsis(std::string_view text);

// Every text the graphics port draws in part while the log lives (nested logs are not supported).
class ClippedTextLog {
 public:
  struct Entry {
    std::string text;
    RECT drawn;   // device coordinates
    RECT clip;    // device coordinates
    POINT origin;  // the drawing element's place on the device
  };
  ClippedTextLog();
  ~ClippedTextLog();
  ClippedTextLog(const ClippedTextLog&) = delete;
  ClippedTextLog& operator=(const ClippedTextLog&) = delete;

  // The entries that are faults under the options, one line each; with a root, each line names
  // the element below it that drew the text.
  LayoutFaults Faults(const LayoutCheckOptions& options = {},
                      const T_GrafElement* root = nullptr) const;
  std::vector<Entry> entries;

 private:
  ClippedTextWatch watch_{};
  ClippedTextWatch* previous_ = nullptr;
};

// The element tree below root (root's window when root is inside one, painted whole).
LayoutFaults LayoutCheck(T_GrafElement* root, const LayoutCheckOptions& options = {});
// A native dialog or window: its child windows, recursively. Edit fields and combo boxes need a
// static label before them in the child order, and static texts must fit their box.
LayoutFaults LayoutCheckNative(HWND parent);

}  // namespace ui_test
