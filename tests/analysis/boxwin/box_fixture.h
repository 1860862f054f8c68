#pragma once
// A box window over a table of texts, for the box-window tests: rows are vectors of cell texts
// (an empty text is an empty cell), with optional heights, group starts, outlines, cells that
// refuse selection and a log of the stored cell edits. The fixture gives it an application,
// a hidden frame and the scripted pointer and clock.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/boxwin/box_window.h"
#include "core/alert.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "ui/graphics_port.h"
#include "tests/test_output.h"
#include "tests/ui/layout_check.h"
#include "tests/ui/scripted_pointer.h"
#include "tests/ui/scripted_popup.h"
#include "ui/application.h"
#include "ui/item.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace box_test {

using Row = std::vector<std::string>;

class T_TestBox : public T_BoxWin {
 public:
  explicit T_TestBox(int32_t kind = kWindowLines, RECT rect = RECT{10, 10, 400, 300})
      : T_BoxWin(kind, &rect_, nullptr, 0, nullptr, 0) {
    (void)rect;
  }
  // Fields of the given widths side by side, 14 pixels high, titled by their texts.
  void Build(const std::vector<int32_t>& widths, const std::vector<std::string>& titles = {},
             int32_t header = 40, int32_t title = 14, int32_t bottom = 0) {
    CreateGridItems(header, title, bottom);
    int32_t x = 1;
    for (size_t i = 0; i < widths.size(); ++i) {
      RECT r{x, 0, x + widths[i], title};
      T_BoxField* f = AddField(&r, 0);
      if (f && i < titles.size()) f->SetTitleText(titles[i].c_str());
      x += widths[i];
    }
  }
  void SetRows(std::vector<Row> given, int64_t headers = 0) {
    rows = std::move(given);
    rowCount = static_cast<int64_t>(rows.size());
    headerRowCount = headers;
    UpdateScrollBoxes(true);
  }
  void FormatRow(RowTextPool* pool, int64_t row) override {
    ++formatted;
    if (row < 0 || row >= static_cast<int64_t>(rows.size())) return;
    const Row& cells = rows[static_cast<size_t>(row)];
    T_BoxField* f = firstField;
    for (size_t i = 0; i < cells.size() && f; ++i, f = f->next) {
      if (!cells[i].empty()) PutCellText(pool, f, cells[i].c_str());
    }
    if (lineAbove.count(row)) pool->lineAbove = 1;
  }
  int32_t GetRowHeight(int64_t row) override {
    auto it = heights.find(row);
    return it != heights.end() ? it->second : rowHeight;
  }
  bool IsGroupStart(int64_t row) override { return groupStarts.empty() || groupStarts.count(row); }
  bool IsDataRow(int64_t row) override { return !nonData.count(row); }
  void GetRowOutline(RowOutline* outline, int64_t row) override {
    auto it = outlines.find(row);
    *outline = it != outlines.end() ? it->second : RowOutline{};
  }
  bool CanSelectCell(int64_t row, int32_t field) override {
    return !refused.count({row, field});
  }
  void GetCellEditText(T_TextBuf* text, int64_t row, int32_t field) override {
    stored.push_back(std::to_string(row) + "," + std::to_string(field) + "=" + text->data);
    rows[static_cast<size_t>(row)].resize(fieldCount);
    rows[static_cast<size_t>(row)][static_cast<size_t>(field)] = text->data;
  }
  int32_t GetDefaultHeaderHeight() override { return defaultHeader; }
  void RunCalculation(bool, bool) override { ++calculations; }
  void GetFieldSortKey(T_BoxField* field, T_TextBuf* key) override {
    if (sortKeys) TextBufAssignInt(key, static_cast<int32_t>(field->index));
  }
  int32_t GetTreeDepth() override { return treeDepth; }
  void OnFieldWidthChanged(T_BoxField*, int32_t change) override { widthChanges.push_back(change); }

  static constexpr RECT rect_{10, 10, 400, 300};
  std::vector<Row> rows;
  std::map<int64_t, int32_t> heights;
  std::map<int64_t, bool> groupStarts;
  std::map<int64_t, bool> nonData;
  std::map<int64_t, bool> lineAbove;
  std::map<int64_t, RowOutline> outlines;
  std::map<std::pair<int64_t, int32_t>, bool> refused;
  std::vector<std::string> stored;
  std::vector<int32_t> widthChanges;
  int32_t rowHeight = 14;
  int32_t defaultHeader = 0;
  int32_t treeDepth = 0;
  int64_t formatted = 0;
  int32_t calculations = 0;
  bool sortKeys = false;
};

class BoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    SetFrameVisible(false);
    app = new T_Application(true);
    SetItemPointerSource(ui_test::ScriptedPointer);
    // Menus close at once unless a test scripts them.
    ui_test::SetPopupScript(nullptr);
    SetPopupInputSource(ui_test::ScriptedPopupInput);
    BoxWinServices services{};
    services.ticks = ui_test::Ticks;
    services.now = [](SYSTEMTIME* t) { *t = SYSTEMTIME{2026, 12, 4, 10, 9, 5, 0, 0}; };
    SetBoxWinServices(&services);
  }
  void TearDown() override {
    delete app;
    SetItemPointerSource(nullptr);
    SetPopupInputSource(nullptr);
    SetBoxWinServices(nullptr);
    PendingErrorClear();
  }
  T_TestBox* NewBox(const std::vector<int32_t>& widths, const std::vector<std::string>& titles = {},
                    int32_t kind = kWindowLines) {
    auto* box = new T_TestBox(kind);
    box->Build(widths, titles);
    EventHandler_Open(box);
    return box;
  }
  T_Application* app = nullptr;
};

// The text a memory stream holds.
inline std::string StreamText(const T_OStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.BufferedLength()));
}

// Leaves an HTML or XML text below QEB_TEST_OUTPUT_DIR, in a folder for the test area, for the
// checks that read every test output.
inline void LeaveOutput(const char* area, const std::string& name, const std::string& text) {
  LeaveTestOutput(area, name, text);
}

// What a window draws of its numbers when painted whole: every number drawn in part (none in a
// sound grid), and how many cells showed a row of '#' for a number too wide for them.
struct DrawnNumbers {
  ui_test::LayoutFaults cut;
  int32_t hashRows = 0;
};
inline DrawnNumbers PaintAndReadNumbers(T_BoxWin* window) {
  ui_test::ClippedTextLog log(true);
  ui_test::PaintWindow(window);
  DrawnNumbers drawn;
  ui_test::LayoutCheckOptions numbersOnly;
  numbersOnly.cutTextIsFault = false;
  drawn.cut = log.Faults(numbersOnly, window);
  for (const ui_test::ClippedTextLog::Entry& e : log.entries) {
    if (!e.text.empty() && e.text.find_first_not_of('#') == std::string::npos) ++drawn.hashRows;
  }
  return drawn;
}

// Every column after the first narrowed to the given width, as a user drags them.
inline void NarrowColumns(T_BoxWin* window, int32_t width) {
  for (T_BoxField* f = window->firstField ? window->firstField->next : nullptr; f; f = f->next)
    f->SetWidth(width);
}

// No number drawn in part at the window's widths nor once every column after the first is
// narrowed, where some cell must show '#'. Gives what the window drew at its own widths.
inline DrawnNumbers ExpectNumbersWholeOrHashes(T_BoxWin* window, int32_t narrow) {
  DrawnNumbers atStart = PaintAndReadNumbers(window);
  EXPECT_TRUE(atStart.cut.empty()) << atStart.cut;
  NarrowColumns(window, narrow);
  DrawnNumbers narrowed = PaintAndReadNumbers(window);
  EXPECT_TRUE(narrowed.cut.empty()) << narrowed.cut;
  EXPECT_GT(narrowed.hashRows, 0);
  return atStart;
}

}  // namespace box_test
