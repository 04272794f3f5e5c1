#include "plot/plot_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vs {

Raster::Raster(QImage& image)
{
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    bits_ = reinterpret_cast<uint32_t*>(image.bits());
    stride_ = image.bytesPerLine() / 4;
    w_ = image.width();
    h_ = image.height();
}

void Raster::fillRect(int x1, int y1, int x2, int y2, QRgb colour)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, w_ - 1);
    y2 = std::min(y2, h_ - 1);
    if (x1 > x2 || y1 > y2)
        return;
    for (int y = y1; y <= y2; ++y)
        std::fill(bits_ + y * stride_ + x1, bits_ + y * stride_ + x2 + 1, colour | 0xFF000000u);
}

void Raster::stamp(int x, int y, int penWidth, QRgb colour)
{
    if (penWidth <= 1) {
        if (static_cast<unsigned>(x) < static_cast<unsigned>(w_) && static_cast<unsigned>(y) < static_cast<unsigned>(h_))
            bits_[y * stride_ + x] = colour | 0xFF000000u;
        return;
    }
    const int lo = (penWidth - 1) / 2;
    fillRect(x - lo, y - lo, x - lo + penWidth - 1, y - lo + penWidth - 1, colour);
}

void Raster::span(int x, int y0, int y1, int penWidth, QRgb colour)
{
    if (y0 > y1)
        std::swap(y0, y1);
    const int lo = penWidth <= 1 ? 0 : (penWidth - 1) / 2;
    const int size = std::max(penWidth, 1);
    fillRect(x - lo, y0 - lo, x - lo + size - 1, y1 - lo + size - 1, colour);
}

void Raster::line(int x0, int y0, int x1, int y1, int penWidth, QRgb colour)
{
    if (x0 == x1) {
        span(x0, y0, y1, penWidth, colour);
        return;
    }
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        stamp(x0, y0, penWidth, colour);
        if (x0 == x1 && y0 == y1)
            return;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void drawCurveEverySegment(Raster& raster, const CurvePath& p)
{
    int px = p.startX;
    int py = p.startY;
    for (size_t s = 0; s < p.x.size(); ++s) {
        raster.line(px, py, p.x[s], p.y[s], p.penWidth, p.pale[s] ? p.paleColour : p.colour);
        px = p.x[s];
        py = p.y[s];
    }
}

void drawCurveDecimated(Raster& raster, const CurvePath& p)
{
    int px = p.startX;
    int py = p.startY;
    const size_t n = p.x.size();
    size_t s = 0;
    while (s < n) {
        // A run: consecutive points in one pixel column with one colour. Its
        // segments after the first are vertical, so together they cover the
        // column from the run's lowest to its highest value.
        const int x = p.x[s];
        const uint8_t pale = p.pale[s];
        int lo = p.y[s], hi = p.y[s];
        size_t e = s + 1;
        while (e < n && p.x[e] == x && p.pale[e] == pale) {
            lo = std::min(lo, p.y[e]);
            hi = std::max(hi, p.y[e]);
            ++e;
        }
        const QRgb colour = pale ? p.paleColour : p.colour;
        raster.line(px, py, x, p.y[s], p.penWidth, colour);
        if (e - s > 1)
            raster.span(x, lo, hi, p.penWidth, colour);
        px = x;
        py = p.y[e - 1];
        s = e;
    }
}

int plot_LogRamp(double t)
{
    if (t == 0)
        return 0;
    const double v = std::nearbyint((1 - std::log(1 / t) / std::log(255.0)) * 255);
    return static_cast<int>(std::clamp(v, 0.0, 255.0));
}

} // namespace vs
