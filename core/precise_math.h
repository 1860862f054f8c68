#pragma once
// Powers that are true to the last bit where the C runtime's pow is not: this runtime's pow
// misses whole powers of ten by several units in the last place (10^-3 is not 0.001), so
// formulas, stored number texts and exports would drift. Both are computed in extended
// precision and rounded once.

// x raised to y; the special values (zero, infinities, NaN, a negative base with a fractional
// exponent) follow the C runtime's pow.
double PowAccurate(double x, double y);
// 10 raised to y.
double Exp10Accurate(double y);
