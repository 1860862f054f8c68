// The cards window on the 1M-line benchmark database: opening (the rows of every card, group and
// line and the first paint), the same on a selection of 3 group components and 16 months, sorting
// the lines by value 1 within their groups and by the 5,000-component dimension's code, scrolling
// (one screen painted at 100 random rows, and one-row steps) and the text export. Each step: the
// median, minimum and maximum of 5 runs after a warm-up, the threads used, and at the end the peak
// working set. The peers' figures for the same steps are in the issue that asked for this program.
//
// Run by hand, not in CI: build the target bench_cards and run it under wine-exec (a display is
// needed: the window stands on a hidden frame and paints into a memory bitmap) with a folder for
// the export; "open" or "export" after the folder times that step alone, for a profiler.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/cards/cards_install.h"
#include "analysis/cards/cards_template.h"
#include "analysis/cards/cards_window.h"
#include "bench/bench_1m_database.h"
#include "core/alert_handlers.h"
#include "core/files.h"
#include "core/input_stream.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/toolkit_adapter.h"
#include "ui/application.h"
#include "ui/element_paint.h"
#include "ui/graphics_port.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/sort_orders.h"

using namespace bench_1m;

namespace {

void Report(const char* what, const Timing& timing, const char* unit = "s", double scale = 1) {
  std::printf("%-58s median %8.3f %s  min %8.3f %s  max %8.3f %s  %d thread%s%s\n", what,
              timing.median * scale, unit, timing.minimum * scale, unit, timing.maximum * scale,
              unit, timing.threads, timing.threads == 1 ? "" : "s", timing.ok ? "" : "  FAILED");
}

// A cards template of the records given, as a file would hold them.
T_CardsTmpl* Template(T_Base* base, const char* records) {
  auto* templ = AsCardsTemplate(NewTemplate(base, kTemplateCards));
  T_IStream stream;
  stream.CtorFromMemory(records, static_cast<int64_t>(std::strlen(records)));
  bool atLine = stream.NextLine();
  templ->ReadRecords(&stream, atLine);
  templ->right = 900;
  templ->bottom = 700;
  return templ;
}

// The window painted whole into a memory bitmap, as the screen would get it.
struct Painter {
  explicit Painter(T_Cards* w) : window(w) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, window->width, window->height);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bitmap);
  }
  ~Painter() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  bool Paint() {
    GraphicsPort port;
    PortInitRegions(&port);
    bool opened = PortOpenDC(&port, window->native.handle, dc, window->width, window->height);
    if (opened) {
      GrafElement_PaintTree(window, true, nullptr);
      PortClose(&port);
    }
    PortFreeRegions(&port);
    return opened;
  }
  T_Cards* window;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
};

T_Cards* Open(T_CardsTmpl* templ) {
  // Shown (on the hidden frame): a hidden window would not paint.
  return AsCardsWindow(OpenCardsWindow(templ, nullptr, 0));
}

// Rows built from the template and the first screen painted.
Timing TimeOpen(T_CardsTmpl* templ, int64_t* rows) {
  return Time(
      [&] {
        T_Cards* window = Open(templ);
        if (!window) return static_cast<T_Cards*>(nullptr);
        window->RunCalculation(true, true);
        Painter(window).Paint();
        *rows = window->rowCount;
        return window;
      },
      [](T_Cards* window) {
        if (window) EventHandler_CloseAndDelete(window, 3);
      });
}

Timing TimeSort(T_Cards* window, const CardsSortKey& key) {
  return Time(
      [&] {
        window->options.keys[0] = key;
        window->options.keyCount = 1;
        window->userSorted = 1;
        window->SortRows();
        return window->rowMap != nullptr;
      },
      [](bool) {});
}

}  // namespace

int main(int argc, char** argv) {
  T_NoAlerts quiet;
  const std::string folder = FolderArgument(argc, argv);
  RegisterFrameClasses(ProgramInstance());
  SetFrameVisible(false);
  auto* app = new T_Application(true);
  InstallDatabaseServices();
  InstallCards();

  double start = Now();
  T_Base* base = MakeDatabase();
  std::printf("model: %lld cards, %lld groups, %lld lines, in %.2f s\n",
              static_cast<long long>(base->cardCount), static_cast<long long>(base->groupCount),
              static_cast<long long>(base->lineCount), Now() - start);

  // Every card with its groups and lines, in date order.
  T_CardsTmpl* all = Template(base, "S\tAA\r\nP\tI,P,T,D1,D2,D3,D4,D5,L,VA,VB,VC\r\n");
  // "open" or "export" as the second argument times that step alone (for a profiler).
  if (argc > 2 && std::strcmp(argv[2], "open") == 0) {
    int64_t rows = 0;
    Report("open: rows of every card, group and line, first paint", TimeOpen(all, &rows));
    return 0;
  }
  if (argc > 2 && std::strcmp(argv[2], "export") == 0) {
    T_Cards* window = Open(all);
    window->RunCalculation(true, true);
    const std::string path = folder + "\\bench_cards.txt";
    const double t = Now();
    for (int32_t i = 0; i < 3; ++i) window->Export(path.c_str(), 0);
    std::printf("3 exports: %.3f s\n", Now() - t);
    return 0;
  }
  int64_t rows = 0;
  Report("open: rows of every card, group and line, first paint", TimeOpen(all, &rows));
  std::printf("  %lld rows\n", static_cast<long long>(rows));
  // Three group components (the leaves below "A000") and the 16 months from January 2021.
  T_CardsTmpl* narrow =
      Template(base, "BD1\tA000\r\nBC\t210101\t220430\r\nP\tI,P,T,D1,D2,D3,D4,D5,L,VA,VB,VC\r\n");
  Report("open: 3 group components, 16 months", TimeOpen(narrow, &rows));
  std::printf("  %lld rows\n", static_cast<long long>(rows));

  T_Cards* window = Open(all);
  window->RunCalculation(true, true);
  CardsSortKey byValue{kColValue1, 0, 0, 0, kValueDescending};
  Report("sort: lines by value 1 descending within their groups", TimeSort(window, byValue));
  CardsSortKey byCode{CardsDimensionField(4), 0, kTreeCode, 0, 0};
  Report("sort: lines by the 5,000-component dimension's code", TimeSort(window, byCode));

  // Scrolling the sorted listing: a screen at 100 random rows, then 100 one-row steps.
  Painter painter(window);
  std::vector<double> screens;
  for (int32_t i = 0; i < 101; ++i) {
    const int64_t target = static_cast<int64_t>(Random(static_cast<uint32_t>(window->rowCount)));
    const double t = Now();
    window->ScrollByRows(target - window->GetTopRow());
    painter.Paint();
    if (i > 0) screens.push_back(Now() - t);
  }
  std::sort(screens.begin(), screens.end());
  std::printf("%-58s median %8.3f ms  min %8.3f ms  max %8.3f ms\n",
              "scroll: one screen at a random row (100)", screens[50] * 1e3, screens.front() * 1e3,
              screens.back() * 1e3);
  std::vector<double> steps;
  window->ScrollByRows(-window->GetTopRow());
  for (int32_t i = 0; i < 101; ++i) {
    const double t = Now();
    window->ScrollByRows(1);
    painter.Paint();
    if (i > 0) steps.push_back(Now() - t);
  }
  std::sort(steps.begin(), steps.end());
  std::printf("%-58s median %8.3f ms  min %8.3f ms  max %8.3f ms\n", "scroll: one-row steps (100)",
              steps[50] * 1e3, steps.front() * 1e3, steps.back() * 1e3);

  const std::string path = folder + "\\bench_cards.txt";
  window->output.format = kOutputText;
  Report("text export of the window", Time(
                                          [&] {
                                            window->Export(path.c_str(), 0);
                                            return FileExists(path.c_str());
                                          },
                                          [](bool) {}));
  std::printf("  %.1f MB written\n", FileSizeOfPath(path.c_str()) / 1e6);

  EventHandler_CloseAndDelete(window, 3);
  PrintPeakWorkingSet();
  DeleteTemplate(all);
  DeleteTemplate(narrow);
  DeleteBase(base, kCloseSilently);
  delete app;
  return 0;
}
