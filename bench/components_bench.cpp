// The components window's calculation over the 1,000,000-line benchmark database
// (bench/bench_1m_database.h), in hidden windows on this thread: (a) the 5,000-leaf dimension,
// Period only, over the whole range; (b) the same with all ten columns and the year 2023 as the
// period; (c) the 10-leaf and the 5,000-leaf dimensions together; (d) the 5,000-leaf dimension
// to two levels. Each case: the median, minimum and maximum of 5 runs of RunCalculation after a
// warm-up, the nanoseconds per line, and the root's totals that bench/components_peer.sh
// compares with DuckDB's. Then the component functions window on the 5,000-leaf dimension, all
// levels: (e) a Sum and an Average selection on value 1 and the formula Sum divided by Sum's line
// count, (f) one Median selection. Each is timed as a whole calculation and, apart, its
// CFunc_evaluate; every leaf's and the root's cells go to cfunc_qeb.tsv in the folder, which the
// peer script compares group by group with DuckDB's. Run by hand under wine-exec with the folder
// for bench_1m.tsv.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/components/cfunc_window.h"
#include "analysis/components/components_install.h"
#include "analysis/components/components_window.h"
#include "bench/bench_clock.h"
#include "bench/bench_1m_database.h"
#include "core/alert_handlers.h"
#include "core/files.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/toolkit_adapter.h"
#include "ui/application.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace {

using bench_1m::MakeDatabase;
using bench_1m::WriteTabSeparated;

struct Case {
  const char* name;
  std::vector<int32_t> dims;
  int32_t levels;
  bool allColumns;
  int32_t year;  // 0: the whole range
};

void Run(T_Base* base, const Case& c) {
  T_CompsTmpl templ(base);
  templ.viewDims.count = static_cast<int32_t>(c.dims.size());
  for (size_t s = 0; s < c.dims.size(); ++s) templ.viewDims.dimension[s] = c.dims[s];
  templ.viewDims.levels[0] = static_cast<uint16_t>(c.levels);
  for (int32_t t = 0; t < kCompsTypeCount; ++t)
    templ.options.columns[t].shown = c.allColumns || t == kCompsPeriod;
  if (c.year) {
    CardId from{PackDate(c.year, 1, 1), 1};
    CardId to{PackDate(c.year, 12, 31), 0x7FFFFFFF};
    DateRefSetDate(&templ.selection.from, &from);
    DateRefSetDate(&templ.selection.to, &to);
  }
  T_Comps* window = AsCompsWindow(OpenComponentsWindow(&templ, nullptr, 1));
  if (!window) {
    std::printf("%s: no window\n", c.name);
    return;
  }
  window->templ = nullptr;
  window->RunCalculation(true, true);
  std::vector<double> seconds;
  for (int32_t run = 0; run < 5; ++run) {
    const double start = Now();
    window->RunCalculation(true, true);
    seconds.push_back(Now() - start);
  }
  std::sort(seconds.begin(), seconds.end());
  const CompsValues& root = window->CNode(0)->total;
  std::printf(
      "%s: %lld nodes, median %.3f s, min %.3f s, max %.3f s, %.1f ns a line\n"
      "  root: before %.2f period %.2f after %.2f cards %lld lines %lld\n",
      c.name, static_cast<long long>(window->nodeCount), seconds[2], seconds[0], seconds[4],
      seconds[2] * 1e9 / static_cast<double>(base->lineCount), c.allColumns ? root.before : 0.0,
      root.positive + root.negative, c.allColumns ? root.after : 0.0,
      static_cast<long long>(root.cards), static_cast<long long>(root.lines));
  EventHandler_CloseAndDelete(window, 3);
}

struct FunctionCase {
  const char* name;
  const char* tag;  // the case's rows in cfunc_qeb.tsv
  std::vector<int32_t> methods;
  const char* formula;  // over the first selection "A"; null for none
};

// CFunc_evaluate asks for a node's cells from the last node to the first, so the time from the
// first request to the last is the evaluation's, measured inside the window's calculation.
struct EvaluateClock {
  double* (*cellsOf)(void* context, int64_t node) = nullptr;
  int64_t lastNode = 0;
  double start = 0;
  std::vector<double> seconds;
};
EvaluateClock g_evaluate;

double* TimedCells(void* context, int64_t node) {
  if (node == g_evaluate.lastNode) g_evaluate.start = Now();
  if (node == 0) g_evaluate.seconds.push_back(Now() - g_evaluate.start);
  return g_evaluate.cellsOf(context, node);
}

// The component functions window on the 5,000-leaf dimension at all levels: every selection on
// the first value column, named "A", "B", ... Each leaf's cells and the root's totals are written
// as: case, leaf code ("" for the root), then the shown columns' values at full precision.
void RunFunctions(T_Base* base, const FunctionCase& c, FILE* out) {
  T_CFuncTmpl templ(base);
  templ.viewDims.count = 1;
  templ.viewDims.dimension[0] = 4;
  templ.viewDims.levels[0] = 0;
  char name[2] = "A";
  for (int32_t method : c.methods) {
    T_CSelectionTmpl* s = templ.AddSelection();
    BlockTextAssign(&s->name, name);
    ++name[0];
    s->method = method;
    s->valueColumn = 0;
  }
  if (c.formula) {
    T_CFormulaTmpl* f = templ.AddFormula();
    BlockTextAssign(&f->name, "F");
    BlockTextAssign(&f->formula, c.formula);
  }
  T_CFunc* window = AsCFuncWindow(OpenComponentFunctionsWindow(&templ, nullptr, 1));
  if (!window) {
    std::printf("%s: no window\n", c.name);
    return;
  }
  window->templ = nullptr;
  window->RunCalculation(true, true);
  g_evaluate.cellsOf = window->data.cellsOf;
  g_evaluate.lastNode = window->nodeCount - 1;
  g_evaluate.seconds.clear();
  window->data.cellsOf = TimedCells;
  std::vector<double> seconds;
  for (int32_t run = 0; run < 5; ++run) {
    const double start = Now();
    window->RunCalculation(true, true);
    seconds.push_back(Now() - start);
  }
  window->data.cellsOf = g_evaluate.cellsOf;
  std::vector<double> evaluate = g_evaluate.seconds;
  if (evaluate.size() != 5) {
    std::printf("%s: the evaluation ran %zu times in 5 calculations\n", c.name, evaluate.size());
    evaluate.resize(5, 0.0);
  }
  std::sort(seconds.begin(), seconds.end());
  std::sort(evaluate.begin(), evaluate.end());
  const double median = seconds[2];
  const auto selections = static_cast<double>(c.methods.size());
  std::printf(
      "%s: %lld nodes, %zu columns, median %.3f s, min %.3f s, max %.3f s, %.1f ns a line, "
      "%.1f ns a line and selection variable, CFunc_evaluate median %.2f ms\n",
      c.name, static_cast<long long>(window->nodeCount), window->data.shownList.size(), median,
      seconds[0], seconds[4], median * 1e9 / static_cast<double>(base->lineCount),
      median * 1e9 / static_cast<double>(base->lineCount) / selections, evaluate[2] * 1e3);
  const size_t columns = window->data.shownList.size();
  for (int64_t node = 0; node < window->nodeCount; ++node) {
    const StruxNode* n = window->Node(node);
    const bool root = node == 0;
    if (!root && window->tree.hasChildren[static_cast<size_t>(node)]) continue;
    std::fprintf(out, "%s\t%s", c.tag, root ? "" : n->component->code);
    for (size_t k = 0; k < columns; ++k)
      std::fprintf(out, "\t%.17g", window->Cells(node)[2 * k + (root ? 1 : 0)]);
    std::fprintf(out, "\n");
  }
  EventHandler_CloseAndDelete(window, 3);
}

}  // namespace

int main(int argc, char** argv) {
  T_NoAlerts quiet;
  RegisterFrameClasses(ProgramInstance());
  SetFrameVisible(false);
  auto* app = new T_Application(true);
  InstallDatabaseServices();
  InstallComponentsWindow();
  const std::string folder = argc > 1 ? argv[1] : ".";
  const double start = Now();
  T_Base* base = MakeDatabase();
  std::printf("model: %lld cards, %lld lines in %.2f s\n", static_cast<long long>(base->cardCount),
              static_cast<long long>(base->lineCount), Now() - start);
  const std::string tsv = folder + "\\bench_1m.tsv";
  if (!FileExists(tsv.c_str())) WriteTabSeparated(base, tsv);
  const Case cases[] = {
      {"a: 5000 leaves, Period, whole range", {4}, 0, false, 0},
      {"b: 5000 leaves, ten columns, 2023", {4}, 0, true, 2023},
      {"c: 10 and 5000 leaves", {0, 4}, 0, false, 0},
      {"d: 5000 leaves to level 2", {4}, 2, false, 0},
  };
  for (const Case& c : cases) Run(base, c);
  FILE* out = std::fopen((folder + "\\cfunc_qeb.tsv").c_str(), "wb");
  if (out) {
    const FunctionCase functions[] = {
        {"e: 5000 leaves, Sum, Average and Sum / lines", "e", {kCMethodSum, kCMethodAverage}, "A/A#"},
        {"f: 5000 leaves, Median", "f", {kCMethodMedian}, nullptr},
    };
    for (const FunctionCase& c : functions) RunFunctions(base, c, out);
    std::fclose(out);
  }
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("peak working set %.1f MB\n", memory.PeakWorkingSetSize / 1048576.0);
  delete base;
  delete app;
  return 0;
}
