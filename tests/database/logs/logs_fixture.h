#pragma once
// What the engine's logs write, caught without files, a pinned clock, and the user in front of
// the questions: the tests of the operation log, the read prompt and the stored objects share
// these.
#include <deque>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/threads.h"

// Stands where the dialogs will be: answers every question with a button index, the script's
// first while it lasts, and records what was asked.
class ScriptedUser : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    asked.push_back(*request);
    if (script.empty()) return answer;
    int32_t next = script.front();
    script.pop_front();
    return next;
  }
  bool IsUnattended() override { return false; }

  std::vector<AlertRequest> asked;
  std::deque<int32_t> script;
  int32_t answer = 0;
};

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
