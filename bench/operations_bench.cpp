// The transform and the aggregation at the size of the 1M-line benchmark database: 100,000
// cards of 10 lines with 3 values, a group component of 3 and four line dimensions, each a tree
// of 10 parents with 10 children. Each case runs 5 times, each on a freshly built model, and
// prints the median, minimum and maximum, the threads the sort may use and the peak working set.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "analysis/cards/aggregator.h"
#include "analysis/cards/transform.h"
#include "bench/bench_clock.h"
#include "bench/bench_random.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"
#include "ui/application.h"
#include "ui/document_window.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace {

constexpr int32_t kCards = 100000;
constexpr int32_t kLinesPerCard = 10;
constexpr int32_t kCardsPerDay = 90;
constexpr int32_t kLineDimensions = 4;

// Walks every card of the database, as the database window does.
class BenchOwner : public T_HWindow {
 public:
  explicit BenchOwner(T_Base* base)
      : T_HWindow(kKindDocument, kWindowDatabase, &kRect, 0, base, 1) {}
  static constexpr RECT kRect{0, 0, 300, 200};
  void SetupTransform(void* dialog) override {
    auto* transform = static_cast<T_Transform*>(dialog);
    if (transform->state == kTransformCount) {
      transform->rowCount = database->cardCount;
      transform->defaultSourceStart = CardGetId(database->sentinelCard->next);
      transform->defaultSourceEnd = CardGetId(database->sentinelCard->previous);
      return;
    }
    if (transform->state != kTransformRun) return;
    for (CardRecord* card = database->sentinelCard->next; card != database->sentinelCard;) {
      CardRecord* next = card->next;
      transform->TransformCard(card);
      card = next;
    }
  }
  void SetupAggregate(void* data) override {
    auto* aggregator = static_cast<T_Aggregator*>(data);
    if (aggregator->state == kAggregateCount) {
      aggregator->lineCount = database->lineCount;
      return;
    }
    if (aggregator->state != kAggregateFeed) return;
    for (CardRecord* card = database->sentinelCard->next; card != database->sentinelCard;) {
      CardRecord* next = card->next;
      for (GroupRecord* group = card->firstGroup; group; group = group->next) {
        for (LineRecord* line = group->firstLine; line;) {
          LineRecord* following = line->next;
          if (!Aggregator_addLine(aggregator, card, group, line)) return;
          line = following;
        }
      }
      card = next;
    }
  }
};

T_Base* BuildModel() {
  auto* base = new T_Base(nullptr, 0);
  for (const char* code : {"1000", "2000", "3000"}) AddComponent(base, 0, code, code, nullptr);
  std::vector<int64_t> leaves[kLineDimensions];
  char code[16];
  for (int32_t d = 1; d <= kLineDimensions; ++d) {
    for (int32_t p = 0; p < 10; ++p) {
      std::snprintf(code, sizeof code, "%d", p + 1);
      AddComponent(base, d, code, nullptr, nullptr);
      for (int32_t c = 0; c < 10; ++c) {
        std::snprintf(code, sizeof code, "%d%02d", p + 1, c);
        leaves[d - 1].push_back(AddComponent(base, d, code, nullptr, nullptr)->number);
      }
    }
  }
  SetValueCount(base, 3);
  PackedDate day = PackDate(2010, 1, 1);
  double values[3];
  int64_t components[kDimensionCount] = {};
  for (int32_t c = 0; c < kCards; ++c) {
    if (c % kCardsPerDay == 0 && c) day = PackedDateNextDay(day);
    CardId id{day, c % kCardsPerDay + 1};
    CardRecord* card = CreateCard(base, &id);
    for (int32_t l = 0; l < kLinesPerCard; ++l) {
      GroupRecord* group = base->FindOrAddGroup(card, kDimensionCount + l % 3);
      LineRecord* line = CreateLine(base, group);
      values[0] = (static_cast<double>(Random(200000)) - 100000) / 100.0;
      values[1] = -values[0];
      values[2] = l;
      base->SetLineValues(line, values);
      for (int32_t d = 0; d < kLineDimensions; ++d) components[d] = leaves[d][Random(100)];
      base->SetLineComponents(line, components);
      SetLineText(line, l % 2 ? "Odd line" : "Even line");
    }
  }
  return base;
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

template <typename Run>
void Time(const char* what, Run run) {
  std::vector<double> seconds;
  for (int32_t i = 0; i < 5; ++i) {
    T_Base* base = BuildModel();
    BenchOwner* owner = new BenchOwner(base);
    const double start = Now();
    bool ok = run(owner);
    seconds.push_back(Now() - start);
    if (!ok) std::printf("  run %d did not complete\n", i + 1);
    PendingErrorClear();
    delete owner;
    DeleteBase(base, kCloseSilently);
  }
  std::sort(seconds.begin(), seconds.end());
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  std::printf("%s: median %.3f s, min %.3f s, max %.3f s, threads up to %lu, peak %zu MB\n", what,
              seconds[2], seconds[0], seconds[4], info.dwNumberOfProcessors,
              PeakWorkingSet() >> 20);
}

}  // namespace

int main() {
  T_NoAlerts quiet;
  // The operations are dialogs over a window: the toolkit's application, hidden, holds them.
  RegisterFrameClasses(GetModuleHandleW(nullptr));
  SetFrameVisible(false);
  new T_Application(true);
  Time("aggregate months, line dimensions to their roots, add", [](BenchOwner* owner) {
    T_Aggregator aggregator(owner);
    for (const char* word : {"-months", "-duplicate", "-dim", "2", "none", "-dim", "3", "none",
                             "-dim", "4", "none", "-dim", "5", "none"}) {
      Aggregator_parseOption(&aggregator, word);
    }
    return Aggregator_run(&aggregator);
  });
  Time("aggregate cards, line texts skipped", [](BenchOwner* owner) {
    T_Aggregator aggregator(owner);
    Aggregator_parseOption(&aggregator, "-cards");
    return Aggregator_run(&aggregator);
  });
  Time("transform value 1 times 1.25 in place", [](BenchOwner* owner) {
    T_Transform transform(owner);
    Transform_parseOption(&transform, "V=A*1.25");
    return Transform_run(&transform);
  });
  Time("transform line texts with a prefix in place", [](BenchOwner* owner) {
    T_Transform transform(owner);
    Transform_parseOption(&transform, "LF=<");
    Transform_parseOption(&transform, "LT=Prefix ");
    return Transform_run(&transform);
  });
  return 0;
}
