#pragma once
#include <vector>

namespace vs {

// Round values for an axis from `lo` to `hi`: steps of 1, 2 or 5 x 10^n,
// at most `most` of them (and at least two where the range allows), every
// value inside the range. Values that are whole multiples of the step are
// exact (no 2066.3 beside 1646.7).
std::vector<double> roundTicks(double lo, double hi, int most);

// The step roundTicks chose (for how many decimals a label needs).
double roundStep(double lo, double hi, int most);

} // namespace vs
