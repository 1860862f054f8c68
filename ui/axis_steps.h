#pragma once
// The value axes of the charts: steps of 1, 2 or 5 times a power of ten, so that a reader can
// count along the axis, and ticks at whole multiples of the step, so that 0 is one of them
// whenever the range spans it and both sides of zero step alike.
#include <cstddef>
#include <cstdint>
#include <vector>

// The smallest round step not below minimum; 0 when minimum is not finite and positive.
double RoundStepAtLeast(double minimum);
// The next round step above a round step (1 -> 2 -> 5 -> 10).
double NextRoundStep(double step);
// The decimals that show every multiple of a round step exactly; negative for steps of 10 and
// above (-1 for 10 to 50, -2 for 100 to 500), which scaled labels add their exponent to.
int32_t RoundStepDecimals(double step);
// The leading digit of a round step: 1, 2 or 5.
int32_t RoundStepFactor(double step);
// The multiples of step from low to high, both included when they are multiples; 0 is exactly 0.
// Empty when the step is not positive or an end not finite; at most `most` values.
std::vector<double> StepTicks(double step, double low, double high, size_t most = 4096);
