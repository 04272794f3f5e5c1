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

QPoint cornerPosition(QSize size, const QRect& available, std::optional<QPoint> stored,
                      const std::vector<QRect>& keepClear)
{
    const QRect first = keptOnScreen(
        QRect(stored.value_or(QPoint(available.right() - size.width() + 1, available.top())), size), available);
    const auto clear = [&keepClear](const QRect& r) {
        return std::none_of(keepClear.begin(), keepClear.end(),
                            [&r](const QRect& k) { return k.isValid() && r.intersects(k); });
    };
    // Below what it would cover, as far as needed; else beside it.
    QRect r = first;
    for (size_t i = 0; i <= keepClear.size(); ++i) {
        if (clear(r))
            return r.topLeft();
        const auto hit = std::find_if(keepClear.begin(), keepClear.end(),
                                      [&r](const QRect& k) { return k.isValid() && r.intersects(k); });
        QRect below = r;
        below.moveTop(hit->bottom() + 1);
        below = keptOnScreen(below, available);
        if (below == r)
            break; // no room below
        r = below;
    }
    for (const QRect& k : keepClear) {
        QRect left = first;
        left.moveRight(k.left() - 1);
        left = keptOnScreen(left, available);
        if (k.isValid() && clear(left))
            return left.topLeft();
    }
    return first.topLeft();
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
