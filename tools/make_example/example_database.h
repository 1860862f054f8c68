#pragma once
// The example database the project ships (examples/Example.qeb and its text form Example.qex):
// a small trading company's books from 2021 to 2026 and a few analysis templates, built through
// the engine's own model and written by its own writers. Everything it holds comes from fixed
// tables and one fixed seed, and the machine, the clock and the keystream seeds are pinned while
// it is written, so the same program writes the same bytes on every machine.
#include <cstdint>

class T_Base;

// What the example holds, as its tests check it.
struct ExampleCounts {
  int32_t dimensions = 0;  // dimensions with components
  int64_t components = 0;
  int64_t cards = 0;
  int64_t lines = 0;
  double amount = 0;    // the sum of the first value column, "Belopp"
  double quantity = 0;  // the sum of the second, "Antal"
};

// A new untitled database holding the example; null without memory.
T_Base* BuildExampleDatabase();
ExampleCounts CountExample(T_Base* base);

// Builds the example and writes "Example.qeb" and "Example.qex" into the folder (a Windows path).
// The system identity, the clock and the container seeds are pinned for the writing and put back
// to the system's afterwards. False when either file could not be written (the error pending).
bool WriteExampleFiles(const char* folder);
