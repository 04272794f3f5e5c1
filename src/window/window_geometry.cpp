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

QRect keptOnScreen(QRect r, const QRect& available)
{
    r.setWidth(std::min(r.width(), available.width()));
    r.setHeight(std::min(r.height(), available.height()));
    r.moveLeft(std::clamp(r.left(), available.left(), available.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), available.top(), available.bottom() - r.height() + 1));
    return r;
}

QPoint cornerPosition(QSize size, const QRect& available, std::optional<QPoint> stored, const QRect& keepClear)
{
    QRect r(stored.value_or(QPoint(available.right() - size.width() + 1, available.top())), size);
    r = keptOnScreen(r, available);
    if (r.intersects(keepClear)) {
        r.moveTop(keepClear.bottom() + 1);
        r = keptOnScreen(r, available);
    }
    return r.topLeft();
}

std::optional<QPoint> storedAirStatePosition(const Settings& s)
{
    bool okX = false, okY = false;
    const int x = s.text(keys::AirStateLeft).trimmed().toInt(&okX);
    const int y = s.text(keys::AirStateTop).trimmed().toInt(&okY);
    if (!okX || !okY)
        return std::nullopt;
    return QPoint(x, y);
}

void saveAirStatePosition(Settings& s, QPoint topLeft)
{
    s.save(keys::AirStateLeft, 0, QString::number(topLeft.x()));
    s.save(keys::AirStateTop, 0, QString::number(topLeft.y()));
}

} // namespace vs
