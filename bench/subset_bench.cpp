// Subsets and dimension imports at the size of the 1,000,000-line benchmark database
// (bench/bench_1m_database.h):
//   - a subset's combination calculated over every line: "A | B" and "cards (A ¬ B)", where each
//     item restricts two dimensions to one top-level area each, the card ids to a span of 18 or
//     24 months, and one value column;
//   - a parent-links file of 100,000 components (10 areas, 1,000 groups, 98,990 leaves; columns
//     code, text, host code, parent) imported and applied through ImportIntoDimension with a
//     dimension import setup of hierarchy P, and the same tree taken into a dimension editor's
//     copy, checked for duplicates and applied from it.
// Each case: a warm-up, then the median, minimum and maximum of 5 runs. The lines as tab-separated
// text (bench_1m.tsv) and the parent-links file (bench_links.tsv) are written into the folder
// for bench/peers.sh, which runs the same filters and the same tree on its peers.
//
// Run by hand, not in CI: build the target bench_subsets and run it under wine-exec with the
// folder to write into (default: the current folder).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_1m_database.h"
#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/combination.h"
#include "database/component_selection.h"
#include "database/import_setups.h"
#include "database/subsets.h"
#include "editors/dimension_editor_tree.h"
#include "import/dimension_import.h"

namespace {

using bench_1m::FolderArgument;
using bench_1m::MakeDatabase;
using bench_1m::WriteTabSeparated;

constexpr int32_t kRuns = 5;
constexpr int32_t kAreas = 10;
constexpr int32_t kGroups = 1000;
constexpr int32_t kLinkComponents = 100000;

struct Timing {
  double median, least, most;
};

// A warm-up, then kRuns timed runs of run; after (untimed) follows each.
Timing Time(const std::function<void()>& run, const std::function<void()>& after) {
  run();
  after();
  std::vector<double> seconds;
  for (int32_t i = 0; i < kRuns; ++i) {
    const double start = Now();
    run();
    seconds.push_back(Now() - start);
    after();
  }
  std::sort(seconds.begin(), seconds.end());
  return {seconds[kRuns / 2], seconds.front(), seconds.back()};
}

void Report(const char* what, const Timing& timing, const char* result) {
  std::printf("%s: median %.4f s, min %.4f s, max %.4f s (%s)\n", what, timing.median,
              timing.least, timing.most, result);
}

// An item restricting two dimensions to one area each, the card ids and one value column.
void SetItem(Subset* subset, const char* name, int32_t d1, const char* area1, int32_t d2,
             const char* area2, const char* cardIds, int32_t column, const char* condition) {
  SelectionItem* item = SubsetAppendItem(subset, name);
  CompSelCompileDimension(&item->selection.components, d1, area1);
  CompSelCompileDimension(&item->selection.components, d2, area2);
  Selection_setCondition(&item->selection, column, condition);
  T_TextBuf text;
  TextBufAssign(&text, cardIds);
  ItemSetCardIdCondition(item, &text);
}

void BenchCombinations(T_Base* base) {
  Subset* subset = SubsetCreate(base->subsets, "Bench");
  // The peers' filters (bench/peers.sh) are these, on the lines' columns.
  SetItem(subset, "A", 1, "B1", 2, "C2", "210101..220630", 0, ">=0");
  SetItem(subset, "B", 3, "D3", 4, "E4", "220101..231231", 1, "<1000");
  for (const char* formula : {"A | B", "cards (A \xC2\xAC B)"}) {
    CombCompile(&subset->combination, formula);
    Timing timing = Time([&] { CombCalculate(&subset->combination, nullptr); },
                         [&] { subset->combination.calculated = 0; });
    char result[64];
    std::snprintf(result, sizeof result, "%lld of %lld lines",
                  static_cast<long long>(BitVecCount(&subset->combination.lines)),
                  static_cast<long long>(base->lineCount));
    std::string what = std::string("CombCalculate \"") + formula + "\"";
    Report(what.c_str(), timing, result);
  }
  SubsetDestroy(subset);
}

// Areas first, then groups, then leaves, so every parent comes before its children.
bool WriteParentLinks(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  for (int32_t a = 0; a < kAreas; ++a) std::fprintf(file, "T%d\tArea %d\t\t\r\n", a, a);
  for (int32_t g = 0; g < kGroups; ++g)
    std::fprintf(file, "M%04d\tGroup %d\t\tT%d\r\n", g, g, g % kAreas);
  for (int32_t l = 0; l < kLinkComponents - kAreas - kGroups; ++l)
    std::fprintf(file, "L%06d\tLeaf %d\t\tM%04d\r\n", l, l, (l * 7) % kGroups);
  return std::fclose(file) == 0;
}

// A database whose dimension 1 imports with hierarchy P, parents by code in field 4.
T_Base* LinkedDatabase() {
  auto* base = new T_Base(nullptr, 0);
  std::string record = "MP\r\nLP\tF4\r\n";
  T_IStream in;
  in.CtorFromMemory(record.data(), static_cast<int64_t>(record.size()));
  ReadDimImport(DimImportCreate(base, 1), &in);
  return base;
}

void BenchDimensionImport(const std::string& path) {
  T_Base* base = nullptr;
  int64_t components = 0;
  Timing timing = Time(
      [&] {
        base = LinkedDatabase();
        ImportIntoDimension(base, 1, path.c_str());
      },
      [&] {
        components = base->componentPool.count - kDimensionCount;
        delete base;
      });
  char result[64];
  std::snprintf(result, sizeof result, "%lld components", static_cast<long long>(components));
  Report("ImportIntoDimension, parent links (hierarchy P)", timing, result);

  // The editor's way on closing: the dimension copied into its tree, checked and applied whole.
  base = LinkedDatabase();
  ImportIntoDimension(base, 1, path.c_str());
  DimTree tree;
  timing = Time(
      [&] {
        DimNode* offending = nullptr;
        DimTreeLoad(&tree, base, 1);
        if (DimTreeDuplicateCheck(&tree, &offending) == kDimApplied)
          DimTreeApply(&tree, nullptr, nullptr);
      },
      [&] { DimTreeFree(&tree); });
  Report("dimension editor: tree copied, duplicate check, applied", timing,
         "100,000 components");
  delete base;
}

}  // namespace

int main(int argc, char** argv) {
  T_NoAlerts quiet;
  const std::string folder = FolderArgument(argc, argv);
  double start = Now();
  T_Base* base = MakeDatabase();
  std::printf("model: %lld cards, %lld lines, in %.2f s\n",
              static_cast<long long>(base->cardCount), static_cast<long long>(base->lineCount),
              Now() - start);
  if (!WriteTabSeparated(base, folder + "\\bench_1m.tsv"))
    std::printf("writing bench_1m.tsv failed\n");
  BenchCombinations(base);
  delete base;

  const std::string links = folder + "\\bench_links.tsv";
  if (!WriteParentLinks(links)) {
    std::printf("writing %s failed\n", links.c_str());
    return 1;
  }
  BenchDimensionImport(links);
  std::printf("peers: bench/peers.sh <folder>/bench_1m.tsv <folder>/bench_links.tsv\n");
  return 0;
}
