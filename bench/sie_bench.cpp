// Importing and exporting SIE 4 at the size of the open-and-save benchmark: 1,000,000
// transaction lines in 100,000 vouchers (ten lines each) over 5,000 accounts and two object
// dimensions of 100 and 2,000 objects, dated over 2020 to 2024, written as an SIE file in the
// folder. ImportSie into an empty database and exportSie back are timed with in-process timers:
// a warm-up, then the median, minimum and maximum of five runs; beside them the file read and
// cut into words without a model. The same lines are written as
// tab-separated text (bench_sie.tsv) for bench/peers.sh, whose figures the ratios are taken
// against by hand.
//
// Run by hand, not in CI: build the target bench_sie and run it under wine-exec with the folder
// to write into (default: the current folder).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_random.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "database/base.h"
#include "database/opening.h"
#include "database/save_options.h"
#include "database/saving.h"
#include "database/sie_import.h"
#include "database/sie_words.h"
#include "database/text_form.h"

namespace {

constexpr int32_t kVouchers = 100000;
constexpr int32_t kLinesPerVoucher = 10;
constexpr int32_t kAccounts = 5000;
constexpr int32_t kObjects[2] = {100, 2000};
constexpr int32_t kRuns = 5;

void WriteFiles(const std::string& sie, const std::string& tsv) {
  FILE* s = std::fopen(sie.c_str(), "wb");
  FILE* t = std::fopen(tsv.c_str(), "wb");
  std::fputs("#FLAGGA 0\r\n#FORMAT PC8\r\n#SIETYP 4\r\n#FNAMN \"Benchmark AB\"\r\n", s);
  for (int32_t a = 0; a < kAccounts; ++a)
    std::fprintf(s, "#KONTO %d \"Konto %d\"\r\n", 1000 + a, a);
  for (int32_t d = 0; d < 2; ++d) {
    std::fprintf(s, "#DIM %d \"Dimension %d\"\r\n", d + 1, d + 1);
    for (int32_t o = 0; o < kObjects[d]; ++o)
      std::fprintf(s, "#OBJEKT %d \"O%d\" \"Objekt %d\"\r\n", d + 1, o, o);
  }
  for (int32_t v = 0; v < kVouchers; ++v) {
    const int32_t day = v * 1826 / kVouchers;
    const int32_t year = 2020 + day / 366;
    const int32_t month = 1 + (day % 366) / 31;
    const int32_t date = year * 10000 + month * 100 + 1 + day % 28;
    std::fprintf(s, "#VER A %d %d \"Verifikation %d\"\r\n{\r\n", v + 1, date, v + 1);
    for (int32_t l = 0; l < kLinesPerVoucher; ++l) {
      const int32_t account = 1000 + static_cast<int32_t>(Random(kAccounts));
      const uint32_t o1 = Random(kObjects[0]);
      const uint32_t o2 = Random(kObjects[1]);
      const int32_t cents = static_cast<int32_t>(Random(2000000)) - 1000000;
      std::fprintf(s, "#TRANS %d {1 \"O%u\" 2 \"O%u\"} %d.%02d \"\" \"Rad %d %d\"\r\n", account, o1,
                   o2, cents / 100, (cents < 0 ? -cents : cents) % 100, v, l);
      std::fprintf(t, "%d\t%d\t%d\tO%u\tO%u\t%d.%02d\tRad %d %d\n", date, v + 1, account, o1, o2,
                   cents / 100, (cents < 0 ? -cents : cents) % 100, v, l);
    }
    std::fputs("}\r\n", s);
  }
  std::fclose(s);
  std::fclose(t);
}

void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%-24s median %.3f s  min %.3f s  max %.3f s\n", what, times[times.size() / 2],
              times.front(), times.back());
}

// The file read line by line and cut into words, without a model: the share of the import that
// is reading rather than building.
int64_t ReadWordsOnly(const std::string& path) {
  T_HTextRead stream;
  stream.SetEncoding(SieFileEncoding(path.c_str()));
  if (!stream.Open(path.c_str())) return 0;
  SieLine line;
  T_TextBuf word;
  int64_t words = 0;
  while (stream.NextLine()) {
    if (!line.Start(&stream)) continue;
    while (line.Next(&word)) ++words;
  }
  return words;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  const std::string sie = folder + "\\bench_sie.se";
  const std::string tsv = folder + "\\bench_sie.tsv";
  const std::string out = folder + "\\bench_sie_out.si";
  T_NoAlerts quiet;
  WriteFiles(sie, tsv);
  std::vector<double> imports, exports, reads;
  for (int32_t run = 0; run <= kRuns; ++run) {
    double start = Now();
    T_Base* base = openDatabase(sie.c_str(), nullptr, kOpenFlagNoOpenDirect);
    const double imported = Now() - start;
    if (base == nullptr || base->lineCount != int64_t{kVouchers} * kLinesPerVoucher) {
      std::printf("the import failed\n");
      return 1;
    }
    SaveOptions options;
    SaveOptionsInit(&options, base);
    SaveOptionsFromBase(&options, base);
    options.kind = kSaveKindSie;
    options.sieDimensionNumbers[2] = 1;
    options.sieDimensionNumbers[3] = 2;
    start = Now();
    const bool saved = saveByKind(base, out.c_str(), &options);
    const double exported = Now() - start;
    SaveOptionsFree(&options);
    DeleteBase(base, kCloseSilently);
    if (!saved) {
      std::printf("the export failed\n");
      return 1;
    }
    start = Now();
    ReadWordsOnly(sie);
    const double read = Now() - start;
    if (run > 0) {
      reads.push_back(read);
      imports.push_back(imported);
      exports.push_back(exported);
    }
  }
  Report("ImportSie (1,000,000)", imports);
  Report("exportSie (1,000,000)", exports);
  Report("lines and words only", reads);
  std::printf("peers: bench/peers.sh %s\n", tsv.c_str());
  return 0;
}
