#pragma once
// How long a test waits for another process (a program's frame, its end, a port it opens, a
// server leaving). Each wait ends as soon as its event comes; what bounds them is one deadline
// for the whole test, far beyond a normal run, so that a machine loaded by other builds makes a
// test slower rather than failing it, while a program that hangs still ends the test.
//
// QEB_TEST_TIME_SCALE multiplies every bound: a slow or two-core machine sets 3, a developer
// hunting a hang sets 0.2. Not set, empty or not a positive number: 1.
#include <windows.h>

#include <cstdlib>

namespace wait_bound {

// A whole test's bound before scaling: a start of the program under Wine takes seconds alone and
// was seen past 30 s on a loaded machine, and a test may start the program several times.
constexpr DWORD kTestMilliseconds = 240000;
// How often a condition that sends no event (a window shown, a file written) is looked at.
constexpr DWORD kPollMilliseconds = 50;

inline double TimeScale() {
  const char* text = std::getenv("QEB_TEST_TIME_SCALE");
  if (!text || !*text) return 1;
  char* end = nullptr;
  const double scale = std::strtod(text, &end);
  return *end == '\0' && scale > 0 && scale < 1000 ? scale : 1;
}

// Milliseconds scaled, never below one.
inline DWORD Scaled(DWORD milliseconds) {
  const double scaled = milliseconds * TimeScale();
  return scaled < 1 ? 1 : static_cast<DWORD>(scaled);
}

// One deadline, started when it is made; every wait of the test takes what is left of it.
class Deadline {
 public:
  explicit Deadline(DWORD milliseconds = kTestMilliseconds)
      : end_(GetTickCount64() + Scaled(milliseconds)) {}

  // Milliseconds left, 0 once the deadline has passed.
  DWORD Left() const {
    const ULONGLONG now = GetTickCount64();
    return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
  }
  bool Passed() const { return Left() == 0; }

  // True when the handle (a process, a thread, an event) is signalled before the deadline.
  bool WaitFor(HANDLE handle) const { return WaitForSingleObject(handle, Left()) == WAIT_OBJECT_0; }

  // True as soon as condition() holds; false when the deadline passes first.
  template <class Condition>
  bool Until(Condition&& condition) const {
    for (;;) {
      if (condition()) return true;
      if (Passed()) return false;
      Sleep(kPollMilliseconds < Left() ? kPollMilliseconds : Left());
    }
  }

 private:
  ULONGLONG end_;
};

}  // namespace wait_bound
