#include "plot/plot_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vs {

void plot_AutoScale(PlotRecord& plot, const PlotSettings& settings)
{
    int64_t lo = 3276700;
    int64_t hi = -3276700;
    if (plot.hasStore())
        for (int k = 0; k < plot.nCurves; ++k) {
            if (!plot.CurveEnabled[static_cast<size_t>(k)])
                continue;
            for (int i = 0; i < plot.RecordLength; ++i) {
                const int64_t v = plot.at(i, k);
                if (v == kNoValue)
                    continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    if (!settings.PlotAutoScale) {
        const int64_t top = plot.WarnLevels.size() >= 2 ? std::llround(std::nearbyint(plot.WarnLevels[1] * 110)) : 0;
        hi = std::max(hi, top);
        lo = std::min<int64_t>(lo, 0);
    }
    if (hi == lo)
        hi = lo + 2;
    plot.MaxValue = static_cast<int32_t>(std::clamp<int64_t>(hi, INT32_MIN, INT32_MAX));
    const int64_t range = std::llabs(hi - lo);
    plot.Range = range == 0 ? 1 : static_cast<int32_t>(std::min<int64_t>(range, INT32_MAX));
}

} // namespace vs
