#include "plot/plot_ticks.h"

#include <cmath>

namespace vs {

double roundStep(double lo, double hi, int most)
{
    const double span = hi - lo;
    if (!(span > 0) || !std::isfinite(span) || most < 1)
        return 0;
    const double rough = span / most;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * magnitude >= rough)
            return m * magnitude;
    return 10 * magnitude;
}

std::vector<double> roundTicks(double lo, double hi, int most)
{
    const double step = roundStep(lo, hi, most);
    if (step <= 0)
        return {};
    std::vector<double> ticks;
    for (double k = std::ceil(lo / step); k * step <= hi + step * 1e-9; ++k)
        ticks.push_back(std::abs(k) < 0.5 ? 0.0 : k * step);
    return ticks;
}

} // namespace vs
