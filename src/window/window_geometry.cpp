#include "window/window_geometry.h"

#include "settings/settings.h"

#include <algorithm>
#include <cmath>

namespace vs {

double pixelsToTwips(int pixels, double dpi)
{
    return pixels * 1440.0 / dpi;
}

int twipsToPixels(double twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

QRectF storedMainGeometry(const Settings& s, QRectF current)
{
    const double left = s.number(keys::MainGraphLeft, 0, current.left());
    const double top = s.number(keys::MainGraphTop, 0, current.top());
    const double width = s.number(keys::MainGraphWidth, 0, current.width());
    const double height = s.number(keys::MainGraphHeight, 0, current.height());
    return QRectF(std::max(left, 0.0), std::max(top, 0.0), std::max(width, 8000.0), std::max(height, 4000.0));
}

void saveMainGeometry(Settings& s, QRectF twips)
{
    s.saveNumber(keys::MainGraphLeft, 0, static_cast<float>(twips.left()));
    s.saveNumber(keys::MainGraphTop, 0, static_cast<float>(twips.top()));
    s.saveNumber(keys::MainGraphWidth, 0, static_cast<float>(twips.width()));
    s.saveNumber(keys::MainGraphHeight, 0, static_cast<float>(twips.height()));
}

} // namespace vs
