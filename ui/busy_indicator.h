#pragma once
// T_BusyIndicator: the animated picture in a document window's toolbar that a long calculation
// steps while it runs. The calculation announces its work (AddWork) and counts it (Tick); the
// indicator turns that into 24 steps from picture 3828 to 3852, the second half of the steps
// taking twice the work of the first, and pumps the pending paint messages on every tick.
//
// Invariants:
//   1. picture is kBusyPictureRest before Start and after Reset, else within
//      kBusyPictureFirst..kBusyPictureLast; it never passes kBusyPictureLast.
//   2. Draws are limited to one per 31 ms, but never more than 3 are skipped in a row and the
//      last picture is always drawn.
//
// User-interface thread only.
#include <cstdint>

#include "ui/item.h"

class T_Base;

constexpr int32_t kBusyPictureRest = 3827;
constexpr int32_t kBusyPictureFirst = 3828;
constexpr int32_t kBusyPictureDouble = 3835;  // from this step on the work per step doubles
constexpr int32_t kBusyPictureLast = 3852;
constexpr int32_t kBusyStepDivisor = 42;
constexpr uint64_t kBusyDrawInterval = 31;
constexpr int32_t kBusyMaxSkipped = 3;

class T_BusyIndicator : public T_Item {
 public:
  // An item of kind 4 with id 0, at rest (not opened here).
  T_BusyIndicator(T_EventHandler* parent, const XYWH& rect, T_Base* database);
  ~T_BusyIndicator() override;

  void DrawContent() override;

  void Start();
  // total += n; the step unit and the countdown become total / 42.
  void AddWork(int64_t n);
  void Tick();
  void Finish();
  void Reset();
  void DoubleStep();

  T_Base* database;
  int64_t totalWork = 0;
  int64_t countdown = 0;
  int64_t stepUnit = 0;
  int32_t picture = kBusyPictureRest;
  uint64_t lastDraw = 0;
  int32_t skippedDraws = 0;

 private:
  void Step();
  void DrawNow();
};

// Called once per started calculation (the application's usage counters); the shell installs
// it, null removes it.
using BusyCalculationCounter = void (*)(T_Base* database);
void SetBusyCalculationCounter(BusyCalculationCounter counter);
