// Reading delimited text at the size of the open-and-save benchmark: 1,000,000 lines of 12 fields
// (about 104 bytes a line) in 100,000 vouchers over 5,000 accounts and two object dimensions,
// written as UTF-8 TSV (bench_text.tsv, also the peers' file for bench/peers.sh), UTF-16LE,
// Windows-1252 with ";" and fixed positions. Timed in process, a warm-up and then the median,
// minimum and maximum of five runs:
//   (a) ReadNextRow over each file;
//   (b) every field of every row taken as UTF-8;
//   (c) the "Text" view's index pass of the flat-file editors over the UTF-8 file;
//   (d) the card import of the UTF-8 file through an import setup into an empty database.
// The closing lines give MB/s, rows per second and the peak working set; the ratios against the
// peers are taken by hand.
//
// Run by hand, not in CI: build the target bench_text_import and run it under wine-exec with the
// folder to write into (default: the current folder).
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_random.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/files.h"
#include "database/base.h"
#include "database/components.h"
#include "import/flat_example.h"
#include "import/flat_pass.h"
#include "import/row_reader.h"
#include "import/setup_import.h"

namespace {

constexpr int32_t kVouchers = 100000;
constexpr int32_t kLinesPerVoucher = 10;
constexpr int32_t kAccounts = 5000;
constexpr int32_t kObjects[2] = {100, 2000};
constexpr int32_t kRuns = 5;
constexpr int32_t kFields = 12;
// Widths of the fixed-position file's fields.
constexpr int32_t kWidths[kFields] = {7, 7, 12, 5, 4, 5, 12, 16, 8, 8, 6, 10};

struct Line {
  std::string fields[kFields];
};

Line MakeLine(int32_t voucher, int32_t line) {
  const int32_t day = voucher * 1826 / kVouchers;
  const int32_t year = 20 + day / 366;
  const int32_t month = 1 + (day % 366) / 31;
  char date[8];
  std::snprintf(date, sizeof date, "%02d%02d%02d", year, month, 1 + day % 28);
  const int32_t cents = static_cast<int32_t>(Random(2000000)) - 1000000;
  char amount[24];
  std::snprintf(amount, sizeof amount, "%d.%02d", cents / 100, (cents < 0 ? -cents : cents) % 100);
  Line out;
  out.fields[0] = std::to_string(voucher + 1);
  out.fields[1] = date;
  out.fields[2] = "Voucher " + std::to_string(voucher % 1000);
  out.fields[3] = std::to_string(1000 + Random(kAccounts));
  out.fields[4] = "O" + std::to_string(Random(kObjects[0]));
  out.fields[5] = "P" + std::to_string(Random(kObjects[1]));
  out.fields[6] = amount;
  out.fields[7] = "Line text " + std::to_string(line);
  out.fields[8] = "REF" + std::to_string(Random(99999));
  out.fields[9] = "Q" + std::to_string(Random(9999));
  out.fields[10] = std::to_string(Random(999));
  out.fields[11] = "2024-12-31";
  return out;
}

std::wstring Wide(const std::string& text) {
  std::wstring out;
  for (char c : text) out += static_cast<wchar_t>(static_cast<uint8_t>(c));
  return out;
}

void WriteFiles(const std::string& folder) {
  FILE* tsv = std::fopen((folder + "\\bench_text.tsv").c_str(), "wb");
  FILE* utf16 = std::fopen((folder + "\\bench_text16.txt").c_str(), "wb");
  FILE* latin = std::fopen((folder + "\\bench_text1252.csv").c_str(), "wb");
  FILE* fixed = std::fopen((folder + "\\bench_textfixed.txt").c_str(), "wb");
  std::fwrite("\xFF\xFE", 1, 2, utf16);
  for (int32_t v = 0; v < kVouchers; ++v) {
    for (int32_t l = 0; l < kLinesPerVoucher; ++l) {
      const Line line = MakeLine(v, l);
      std::string t, s, f;
      for (int32_t i = 0; i < kFields; ++i) {
        t += (i > 0 ? "\t" : "") + line.fields[i];
        s += (i > 0 ? ";" : "") + line.fields[i];
        std::string padded = line.fields[i].substr(0, static_cast<size_t>(kWidths[i]));
        padded.resize(static_cast<size_t>(kWidths[i]), ' ');
        f += padded;
      }
      t += "\r\n";
      s += "\r\n";
      f += "\r\n";
      std::fwrite(t.data(), 1, t.size(), tsv);
      const std::wstring w = Wide(t);
      std::fwrite(w.data(), 2, w.size(), utf16);
      std::fwrite(s.data(), 1, s.size(), latin);
      std::fwrite(f.data(), 1, f.size(), fixed);
    }
  }
  std::fclose(tsv);
  std::fclose(utf16);
  std::fclose(latin);
  std::fclose(fixed);
}

struct Figures {
  double median, minimum, maximum;
};

template <typename Run>
Figures Time(Run run) {
  run();  // warm-up
  std::vector<double> times;
  for (int32_t i = 0; i < kRuns; ++i) {
    const double start = Now();
    run();
    times.push_back(Now() - start);
  }
  std::sort(times.begin(), times.end());
  return {times[kRuns / 2], times.front(), times.back()};
}

void Report(const char* what, const Figures& f, double megabytes, int64_t rows) {
  std::printf("%-34s median %.3f s (min %.3f, max %.3f)  %.1f MB/s  %.0f rows/s\n", what, f.median,
              f.minimum, f.maximum, megabytes / f.median, static_cast<double>(rows) / f.median);
}

}  // namespace

int main(int argc, char** argv) {
  T_NoAlerts quiet;
  const std::string folder = argc > 1 ? argv[1] : ".";
  WriteFiles(folder);
  struct File {
    const char* name;
    uint32_t encoding;
    uint16_t separator;
    bool fixed;
  } files[] = {{"bench_text.tsv", 0, 9, false},
               {"bench_text16.txt", 1, 9, false},
               {"bench_text1252.csv", 6, ';', false},
               {"bench_textfixed.txt", 0, 9, true}};
  for (const File& file : files) {
    const std::string path = folder + "\\" + file.name;
    FlatFormat format;
    format.encoding = file.encoding;
    format.fieldSeparator = file.separator;
    format.fixedPositions = file.fixed ? 1 : 0;
    const double megabytes = static_cast<double>(FileSizeOfPath(path.c_str())) / 1e6;
    int64_t rows = 0;
    const Figures read = Time([&] {
      RowReader reader(&format);
      reader.Open(path.c_str());
      rows = 0;
      while (reader.ReadNextRow()) ++rows;
    });
    Report((std::string("(a) rows of ") + file.name).c_str(), read, megabytes, rows);
    const Figures fields = Time([&] {
      RowReader reader(&format);
      reader.Open(path.c_str());
      T_TextBuf text;
      FieldDef piece;
      while (reader.ReadNextRow()) {
        uint32_t first = 1;
        for (int32_t f = 0; f < kFields; ++f) {
          if (file.fixed) {
            piece.first = first;
            piece.last = first + static_cast<uint32_t>(kWidths[f]) - 1;
            first += static_cast<uint32_t>(kWidths[f]);
          } else {
            piece.fieldNumber = static_cast<uint32_t>(f + 1);
          }
          TextBufSetLength(&text, 0);
          reader.SplitRowFields(&text, &piece);
        }
      }
    });
    Report((std::string("(b) fields of ") + file.name).c_str(), fields, megabytes, rows);
  }

  // (c) The "Text" view's pass over the UTF-8 file: every row's offset into the row index and
  // the widest row, as the flat-file editors' background pass does it.
  const std::string path = folder + "\\bench_text.tsv";
  {
    FlatFormat format;
    int64_t rows = 0;
    const Figures pass = Time([&] {
      RowReader reader(&format);
      reader.SetQuiet(true);
      reader.Open(path.c_str());
      RowOffsetIndex index;
      PassCounters counters;
      const std::atomic<bool> stop{false};
      RunRowPass(&reader, &index, stop, &counters, nullptr);
      rows = index.Count() - 1;
    });
    Report("(c) Text view pass of bench_text.tsv", pass,
           static_cast<double>(FileSizeOfPath(path.c_str())) / 1e6, rows);
  }

  // (d) The card import: every row a card row and a line row, the voucher number the switcher.
  const Figures import = Time([&] {
    T_Base base(nullptr, 0);
    for (int32_t a = 0; a < kAccounts; ++a) {
      const std::string code = std::to_string(1000 + a);
      AddComponent(&base, 0, code.c_str(), nullptr, code.c_str());
    }
    for (int32_t d = 0; d < 2; ++d) {
      for (int32_t o = 0; o < kObjects[d]; ++o) {
        const std::string code = (d == 0 ? "O" : "P") + std::to_string(o);
        AddComponent(&base, d + 1, code.c_str(), nullptr, code.c_str());
      }
    }
    ImportSetup setup;
    setup.cardFields[kImportCardSwitcher].fieldNumber = 1;
    setup.cardFields[kImportDate].fieldNumber = 2;
    setup.cardFields[kImportTitle].fieldNumber = 3;
    LineDef* line = setup.NewLineDefinition();
    line->dimensions[0].fieldNumber = 4;
    line->dimensions[1].fieldNumber = 5;
    line->dimensions[2].fieldNumber = 6;
    line->values[0].fieldNumber = 7;
    line->lineText.fieldNumber = 8;
    ImportTextFile(&base, path.c_str(), &setup);
  });
  Report("(d) card import of bench_text.tsv", import,
         static_cast<double>(FileSizeOfPath(path.c_str())) / 1e6,
         static_cast<int64_t>(kVouchers) * kLinesPerVoucher);
  PROCESS_MEMORY_COUNTERS memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    std::printf("peak working set %.1f MB\n", static_cast<double>(memory.PeakWorkingSetSize) / 1e6);
  return 0;
}
