#include "ui/axis_steps.h"

#include <cmath>

double RoundStepAtLeast(double minimum) {
  if (!std::isfinite(minimum) || minimum <= 0) return 0;
  double power = std::pow(10.0, std::floor(std::log10(minimum)));
  // log10 may land a hair below an exact power: the loop climbs back.
  for (int32_t guard = 0; guard < 8; ++guard) {
    for (double factor : {1.0, 2.0, 5.0}) {
      if (factor * power >= minimum * (1 - 1e-12)) return factor * power;
    }
    power *= 10;
  }
  return 0;
}

double NextRoundStep(double step) { return RoundStepAtLeast(step * 1.5); }

int32_t RoundStepDecimals(double step) {
  if (!std::isfinite(step) || step <= 0) return 0;
  return -static_cast<int32_t>(std::floor(std::log10(step) + 1e-9));
}

int32_t RoundStepFactor(double step) {
  if (!std::isfinite(step) || step <= 0) return 1;
  return static_cast<int32_t>(std::lround(step * std::pow(10.0, RoundStepDecimals(step))));
}

std::vector<double> StepTicks(double step, double low, double high, size_t most) {
  std::vector<double> ticks;
  if (!(step > 0) || !std::isfinite(step) || !std::isfinite(low) || !std::isfinite(high))
    return ticks;
  // Each tick is a multiple counted from 0, never a running sum, so 0 comes out as 0 exactly.
  const double slack = 1e-9;
  for (double n = std::ceil(low / step - slack); ticks.size() < most; n += 1) {
    const double value = n * step;
    if (value > high + step * slack) break;
    ticks.push_back(n == 0 ? 0.0 : value);
  }
  return ticks;
}
