#include "plot/plot_bands.h"

#include <algorithm>
#include <cmath>

namespace vs {

void plot_GradientGreenYellow(Raster& r, int x1, int y1, int x2, int y2, int blue)
{
    const double step = y2 == y1 ? 1.0 : 255.0 / (y2 - y1);
    double red = 0;
    for (int y = y2; y >= y1; --y) {
        r.fillRect(x1, y, x2, y, qRgb(std::min(255, static_cast<int>(std::nearbyint(red))), 255, blue));
        red += step;
    }
}

void plot_GradientYellowRed(Raster& r, int x1, int y1, int x2, int y2, int blue)
{
    const int d = y2 - y1;
    if (d <= 0)
        return;
    int a = d;
    for (int y = y2; y >= y1; --y) {
        r.fillRect(x1, y, x2, y, qRgb(255, plot_LogRamp(static_cast<double>(a) / d), blue));
        --a;
    }
}

void plot_RedBox(Raster& r, int x1, int y1, int x2, int y2, int blue)
{
    r.fillRect(x1, y1, x2 - 1, y2, qRgb(255, 0, blue));
}

} // namespace vs
