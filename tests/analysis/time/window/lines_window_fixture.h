#pragma once
// The lines window tests' fixture: a small database of three cards on two days, the lines window
// opened over it, and the texts of its rows; beeps of the diagram are counted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/time/lines_install.h"
#include "analysis/time/lines_window.h"
#include "database/template_runner.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/analysis/time/time_fixture.h"
#include "ui/window_utilities.h"

namespace lines_test {

using time_test::FixtureLine;

inline int32_t g_beeps = 0;

class LinesWindowTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallLinesWindow();
    SetDiagramBeep([] { ++g_beeps; });
    g_beeps = 0;
    base = time_test::NewFixtureBase(2);
    // Three cards on two days; the second card has lines in two groups.
    const FixtureLine lines[] = {
        {PackDate(2023, 1, 10), 1, "1910", {100, 1}, "P2", "opening"},
        {PackDate(2023, 2, 5), 1, "3010", {-30, 2}, "P1", "sale a"},
        {PackDate(2023, 2, 5), 1, "1930", {50, 3}, "P3", "bank"},
        {PackDate(2023, 2, 5), 2, "3010", {-5, 4}, "P2", "sale b"},
        {PackDate(2023, 3, 1), 1, "1910", {20, 5}, "P1", "deposit"},
    };
    for (const FixtureLine& l : lines) time_test::AddLine(base, l);
  }
  void TearDown() override {
    if (window) EventHandler_CloseAndDelete(window, 3);
    delete base;
    SetWindowOpener(kTemplateLines, nullptr);
    SetTemplateConstructor(kTemplateLines, nullptr);
    SetDiagramBeep(nullptr);
    SetZoomTrackInput(nullptr);
    BoxTest::TearDown();
  }
  T_Lines* Open(void (*setUp)(T_LinesTmpl*) = nullptr) {
    T_LinesTmpl templ(base);
    templ.options.columns[kLinesDate].shown = 1;
    if (setUp) setUp(&templ);
    window = AsLinesWindow(OpenLinesWindow(&templ, nullptr, 0));
    EXPECT_NE(window, nullptr);
    if (window) {
      window->templ = nullptr;
      window->CalculateLines(true);
    }
    return window;
  }
  // The texts of a display row, field by field.
  std::vector<std::string> Texts(int64_t position) {
    RowTextPool pool;
    std::vector<std::string> texts;
    if (!pool.Init()) return texts;
    window->GetRowTexts(&pool, position);
    for (T_BoxField* f = window->firstField; f; f = f->next)
      texts.emplace_back(f->cellText ? f->cellText : "");
    pool.Free();
    return texts;
  }
  std::string Cell(int64_t position, int32_t code) {
    T_BoxField* field = window->columnFields[code];
    std::vector<std::string> texts = Texts(position);
    for (size_t i = 0; field && i < texts.size(); ++i) {
      if (window->GetField(static_cast<int64_t>(i)) == field) return texts[i];
    }
    return "<none>";
  }
  std::vector<std::string> Column(int32_t code) {
    std::vector<std::string> cells;
    for (int64_t p = window->headerRowCount; p < window->rowCount; ++p)
      cells.push_back(Cell(p, code));
    return cells;
  }

  T_Base* base = nullptr;
  T_Lines* window = nullptr;
};

using Cells = std::vector<std::string>;

}  // namespace lines_test
