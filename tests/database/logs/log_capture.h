#pragma once
// What the engine's logs write, caught without files, and a pinned clock: the tests of the
// operation log and of the stored objects read log entries through these.
#include <string>
#include <vector>

#include "core/alert_handlers.h"
#include "core/threads.h"

// Every entry of every log while one lives (the log files' sink is put back by whoever needs it).
class LogCapture {
 public:
  LogCapture() {
    Lines().clear();
    SetLogEntrySink(Sink);
  }
  ~LogCapture() { SetLogEntrySink(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }

 private:
  static void Sink(T_LogAlerts*, const char* line, int32_t) {
    if (line != nullptr) Lines().emplace_back(line);
  }
};

// 2024-05-06 10:20:30 and a tick counter the test moves; both put back when it goes.
class PinnedClock {
 public:
  PinnedClock() {
    Tick() = 1000000;
    SetClockSource(Now);
    SetTickSource(Ticks);
  }
  ~PinnedClock() {
    SetClockSource(nullptr);
    SetTickSource(nullptr);
  }
  PinnedClock(const PinnedClock&) = delete;
  PinnedClock& operator=(const PinnedClock&) = delete;

  static uint64_t& Tick() {
    static uint64_t tick = 0;
    return tick;
  }

 private:
  static uint64_t Ticks() { return Tick(); }
  static DateRecord Now() {
    DateRecord now;
    now.year = 2024;
    now.month = 5;
    now.day = 6;
    now.hour = 10;
    now.minute = 20;
    now.second = 30;
    now.precision = 5;
    return now;
  }
};
