// Opening and saving a database of 1,000,000 lines as the program does it: the database is made
// once through the model (five dimensions of 10, 100, 500, 2,000 and 5,000 leaf components in
// three-level trees by code prefixes, dimension 0 keying the groups; 100,000 cards spread evenly
// over 2020 to 2024, about ten lines each in one to three groups; a three-word text and three
// values of two decimals per line) and written into the folder as a compressed container and as
// a text form. Then openDatabase of each file and a save of each kind (with its commit) are timed
// with in-process timers: a warm-up, then the median, minimum and maximum of five runs. Beside
// them the streams alone (the container unscrambled and expanded, the text form read, both line
// by line without a model; the container's bytes read without decoding) and, when zlib is linked,
// zlib inflating the same text in blocks of the container's size.
//
// Run by hand, not in CI: build the target bench_open_save and run it under wine-exec with the
// folder to write into (default: the current folder).
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_random.h"
#include "bench/million_database.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/files.h"
#include "core/system_info.h"
#include "database/base.h"
#include "database/block_container.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/file_kinds.h"
#include "database/lines.h"
#include "database/opening.h"
#include "database/save_options.h"
#include "database/saving.h"
#include "database/text_form.h"

#ifdef QEB_BENCH_HAS_ZLIB
#include <zlib.h>
#endif

namespace {

constexpr int32_t kRuns = 5;


// --- Threads -------------------------------------------------------------------------------------

int32_t ThreadsOfProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry;
  entry.dwSize = sizeof entry;
  int32_t count = 0;
  const DWORD self = GetCurrentProcessId();
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == self) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Counts the threads of the process every few milliseconds while an operation runs: the most
// seen less those there were before, the watcher standing in for the calling thread.
class ThreadWatch {
 public:
  ThreadWatch() : before_(ThreadsOfProcess()) {
    thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
  }
  int32_t Stop() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    return most_ - before_;
  }

 private:
  static DWORD WINAPI Watch(void* self) {
    auto* watch = static_cast<ThreadWatch*>(self);
    while (!watch->stop_) {
      watch->most_ = std::max(watch->most_, ThreadsOfProcess());
      Sleep(5);
    }
    return 0;
  }
  int32_t before_;
  int32_t most_ = 0;
  std::atomic<bool> stop_{false};
  HANDLE thread_ = nullptr;
};

bool Save(T_Base* base, const std::string& path, int32_t kind) {
  SaveOptions options;
  SaveOptionsInit(&options, base);
  SaveOptionsFromBase(&options, base);
  options.kind = kind;
  options.compressed = 1;
  const bool saved = saveByKind(base, path.c_str(), &options);
  SaveOptionsFree(&options);
  return saved;
}

// --- Timing --------------------------------------------------------------------------------------

struct Timing {
  double median = 0, minimum = 0, maximum = 0;
  int32_t threads = 0;
  bool ok = true;
};

// A warm-up run, then kRuns timed ones; after each the cleanup runs untimed.
template <typename Run, typename After>
Timing Time(Run run, After after) {
  Timing timing;
  after(run());
  std::vector<double> seconds;
  for (int32_t i = 0; i < kRuns; ++i) {
    ThreadWatch watch;
    const double start = Now();
    auto result = run();
    seconds.push_back(Now() - start);
    timing.threads = std::max(timing.threads, watch.Stop());
    if (!result) timing.ok = false;
    after(result);
  }
  std::sort(seconds.begin(), seconds.end());
  timing.median = seconds[kRuns / 2];
  timing.minimum = seconds.front();
  timing.maximum = seconds.back();
  return timing;
}

void Report(const char* what, const Timing& timing, double textMegabytes) {
  std::printf("%-48s median %7.3f s  min %7.3f s  max %7.3f s  %6.1f MB/s  %d thread%s%s\n", what,
              timing.median, timing.minimum, timing.maximum, textMegabytes / timing.median,
              timing.threads, timing.threads == 1 ? "" : "s", timing.ok ? "" : "  FAILED");
}

int64_t ReadContainerLines(const std::string& path) {
  T_ShifterRead reader(nullptr);
  int64_t lines = 0;
  if (reader.Open(path.c_str(), kFileKindContainerN, nullptr)) {
    while (reader.NextLine()) ++lines;
  }
  return reader.error == 0 ? lines : 0;
}

int64_t ReadTextLines(const std::string& path) {
  T_HTextRead reader;
  int64_t lines = 0;
  if (reader.Open(path.c_str())) {
    while (reader.NextLine()) ++lines;
  }
  return lines;
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  if (FILE* file = _wfopen(WidePathText(path.c_str()).c_str(), L"rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
  }
  return bytes;
}

#ifdef QEB_BENCH_HAS_ZLIB
// zlib inflating the text in blocks of the container's size, as the container's reader expands
// its blocks: the pace of a plain inflate on the same text.
Timing TimeInflate(const std::string& text) {
  std::vector<std::vector<Bytef>> blocks;
  for (size_t at = 0; at < text.size(); at += kContainerBlockText) {
    const uLong n = static_cast<uLong>(std::min<size_t>(kContainerBlockText, text.size() - at));
    uLongf size = compressBound(n);
    std::vector<Bytef> block(size);
    compress2(block.data(), &size, reinterpret_cast<const Bytef*>(text.data() + at), n, 6);
    block.resize(size);
    blocks.push_back(std::move(block));
  }
  std::vector<Bytef> out(kContainerBlockText);
  return Time(
      [&] {
        size_t total = 0;
        for (const auto& block : blocks) {
          uLongf n = kContainerBlockText;
          if (uncompress(out.data(), &n, block.data(), static_cast<uLong>(block.size())) != Z_OK)
            return false;
          total += n;
        }
        return total == text.size();
      },
      [](bool) {});
}
#endif

void PrintMachine() {
  char name[128] = "unknown";
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD size = sizeof name;
    RegQueryValueExA(key, "ProcessorNameString", nullptr, nullptr, reinterpret_cast<BYTE*>(name),
                     &size);
    RegCloseKey(key);
  }
  // Wine names a generic processor: the host's own name is in its processor table.
  const std::string cpuinfo = ReadAll("Z:\\proc\\cpuinfo");
  const size_t model = cpuinfo.find("model name");
  if (model != std::string::npos) {
    const size_t colon = cpuinfo.find(':', model);
    const size_t end = cpuinfo.find('\n', colon);
    std::snprintf(name, sizeof name, "%s", cpuinfo.substr(colon + 2, end - colon - 2).c_str());
  }
  std::printf("processor: %s; nproc %d\n", name, ProcessorCount());
}

// The same lines as tab-separated text for the peers (bench/peers.sh): card id, group code, the
// line's component codes, its text and its values, one row a line.

}  // namespace

int main(int argc, char** argv) {
  T_NoAlerts quiet;
  std::string folder = argc > 1 ? argv[1] : ".";
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  const std::string container = folder + "\\bench_1m.qeb";
  const std::string text = folder + "\\bench_1m.qex";
  PrintMachine();

  double start = Now();
  T_Base* base = MakeDatabase();
  std::printf("model: %lld cards, %lld groups, %lld lines, %lld components, in %.2f s\n",
              static_cast<long long>(base->cardCount), static_cast<long long>(base->groupCount),
              static_cast<long long>(base->lineCount),
              static_cast<long long>(CountComponentsInUse(base)), Now() - start);
  if (!Save(base, container, kSaveKindContainer) || !Save(base, text, kSaveKindText)) {
    std::printf("writing the files failed (message %d)\n", PendingError.request.message);
    return 1;
  }
  const std::string tabSeparated = folder + "\\bench_1m.tsv";
  if (!WriteTabSeparated(base, tabSeparated))
    std::printf("writing the tab-separated text failed\n");
  const int64_t containerSize = FileSizeOfPath(container.c_str());
  const std::string textForm = ReadAll(text);
  // The section stream itself: the text form less its byte-order mark and tag lines.
  const double textMegabytes = static_cast<double>(textForm.size() - 24) / 1e6;
  std::printf(
      "files: %s %.1f MB (compressed container), %s %.1f MB (text form); section text "
      "%.1f MB, %.1f bytes a line\n",
      PathFindName(container.c_str()), containerSize / 1e6, PathFindName(text.c_str()),
      textForm.size() / 1e6, textMegabytes,
      textMegabytes * 1e6 / static_cast<double>(base->lineCount));

  auto open = [](const std::string& path) {
    return [path] {
      T_Base* opened = openDatabase(path.c_str(), nullptr, 0);
      if (opened == nullptr) PendingErrorClear();
      return opened;
    };
  };
  auto close = [](T_Base* opened) {
    if (opened != nullptr) delete opened;
  };
  Report("openDatabase, compressed container", Time(open(container), close), textMegabytes);
  Report("openDatabase, text form", Time(open(text), close), textMegabytes);
  Report("container file bytes alone (read, no decoding)",
         Time([&] { return !ReadAll(container).empty(); }, [](bool) {}), textMegabytes);
  Report("container stream alone (lines, no model)",
         Time([&] { return ReadContainerLines(container) > 0; }, [](bool) {}), textMegabytes);
  Report("text form stream alone (lines, no model)",
         Time([&] { return ReadTextLines(text) > 0; }, [](bool) {}), textMegabytes);
#ifdef QEB_BENCH_HAS_ZLIB
  Report("zlib inflate of the section text", TimeInflate(textForm.substr(24)), textMegabytes);
#endif
  const std::string savedContainer = folder + "\\bench_1m_saved.qeb";
  const std::string savedText = folder + "\\bench_1m_saved.qex";
  Report("save with commit, compressed container",
         Time([&] { return Save(base, savedContainer, kSaveKindContainer); }, [](bool) {}),
         textMegabytes);
  Report("save with commit, text form",
         Time([&] { return Save(base, savedText, kSaveKindText); }, [](bool) {}), textMegabytes);

  PROCESS_MEMORY_COUNTERS memory;
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("peak working set: %.0f MB\n", memory.PeakWorkingSetSize / 1048576.0);
  delete base;
  return 0;
}
