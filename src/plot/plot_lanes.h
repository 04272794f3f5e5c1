#pragma once
#include "plot/plot_model.h"

#include <string>
#include <vector>

namespace vs {

// One lane of the plot: the enabled curves of one unit, stacked with the
// other units' lanes, each with its own scale.
struct Lane {
    std::string unit;
    std::vector<int> curves;
    double lo = 0, hi = 1;     // the values at the lane's bottom and top
    std::vector<double> ticks; // round values (1, 2, 5 x 10^n) between them
    int top = 0, bottom = 0;   // pixels, both inside the lane
};

// The gap between two lanes, in pixels.
constexpr int kLaneGap = 14;

// The lanes for the shown positions between `top` and `bottom`, units in
// the order their first curve has. A fixed scale (auto scale off) keeps 0
// and the warning levels in the lane of the curve they belong to.
std::vector<Lane> plot_Lanes(const PlotRecord& plot, const PlotSettings& settings, int top, int bottom);

} // namespace vs
