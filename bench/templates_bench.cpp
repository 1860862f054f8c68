// Reading the template tree from its section text: 10,000, 20,000 and 40,000 cards templates in
// one folder, each with three records, read from memory into a new database. The time per
// template stays level as the folder grows because a read template goes after its last sibling
// without a walk over the others. The median of five runs after a warm-up. With a folder given,
// the 10,000-template text is also written there as templates.tsv (path, then the records), for
// the peers' reading of the same text.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "database/base.h"
#include "database/section_stream.h"

namespace {

constexpr int32_t kRuns = 5;

std::string TemplatesText(int32_t count, std::string* tsv) {
  std::string text = "##Templates\r\n";
  char line[64];
  for (int32_t i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "Reports: Cards %05d", i);
    text += std::string("#C\t") + line + "\r\nxo\r\nxE\t40\r\nxT\t18\r\n";
    if (tsv) *tsv += std::string(line) + "\txo\txE 40\txT 18\n";
  }
  return text + "##End\r\n";
}

double ReadOnce(const std::string& text) {
  auto* base = new T_Base(nullptr, 0);
  T_IStream input;
  input.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  double start = Now();
  readDatabaseSections(base, &input);
  double seconds = Now() - start;
  delete base;
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  T_NoAlerts quiet;
  for (int32_t count : {10000, 20000, 40000}) {
    std::string tsv;
    const std::string text = TemplatesText(count, count == 10000 && argc > 1 ? &tsv : nullptr);
    ReadOnce(text);
    std::vector<double> times;
    for (int32_t run = 0; run < kRuns; ++run) times.push_back(ReadOnce(text));
    std::sort(times.begin(), times.end());
    std::printf("%d templates in one folder (%.2f MB): read %.4f s, %.2f us a template\n", count,
                text.size() / 1048576.0, times[kRuns / 2], times[kRuns / 2] * 1e6 / count);
    if (!tsv.empty()) {
      const std::string path = std::string(argv[1]) + "\\templates.tsv";
      if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(tsv.data(), 1, tsv.size(), file);
        std::fclose(file);
      }
    }
  }
  return 0;
}
