#include "plot/plot_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>

namespace vs {

namespace {

// wmemset is the C library's tuned fill of 32-bit units where wchar_t has 32 bits.
inline void fillPixels(uint32_t* to, size_t count, uint32_t pixel)
{
    if constexpr (sizeof(wchar_t) == sizeof(uint32_t))
        std::wmemset(reinterpret_cast<wchar_t*>(to), static_cast<wchar_t>(pixel), count);
    else
        std::fill_n(to, count, pixel);
}

} // namespace

Raster::Raster(QImage& image)
{
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    bits_ = reinterpret_cast<uint32_t*>(image.bits());
    stride_ = image.bytesPerLine() / 4;
    w_ = image.width();
    h_ = image.height();
    clip1_ = w_ - 1;
}

void Raster::clipColumns(int x0, int x1)
{
    clip0_ = std::max(0, x0);
    clip1_ = std::min(w_ - 1, x1);
}

bool Raster::clip(int& x1, int& y1, int& x2, int& y2) const
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    x1 = std::max(x1, clip0_);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, clip1_);
    y2 = std::min(y2, h_ - 1);
    return x1 <= x2 && y1 <= y2;
}

void Raster::blend(int x1, int y1, int x2, int y2, QRgb toward, int keep)
{
    if (!clip(x1, y1, x2, y2))
        return;
    const int give = 256 - keep;
    const uint32_t tr = qRed(toward) * give, tg = qGreen(toward) * give, tb = qBlue(toward) * give;
    for (int y = y1; y <= y2; ++y)
        for (uint32_t *p = bits_ + y * stride_ + x1, *e = bits_ + y * stride_ + x2; p <= e; ++p) {
            const uint32_t c = *p;
            *p = 0xFF000000u | (((qRed(c) * keep + tr) >> 8) << 16) | (((qGreen(c) * keep + tg) >> 8) << 8) |
                 ((qBlue(c) * keep + tb) >> 8);
        }
}

void Raster::fillRect(int x1, int y1, int x2, int y2, QRgb colour)
{
    if (!clip(x1, y1, x2, y2))
        return;
    const uint32_t pixel = colour | 0xFF000000u;
    const size_t count = static_cast<size_t>(x2 - x1 + 1);
    for (int y = y1; y <= y2; ++y)
        fillPixels(bits_ + y * stride_ + x1, count, pixel);
}

void Raster::stamp(int x, int y, int penWidth, QRgb colour)
{
    if (penWidth <= 1) {
        if (x >= clip0_ && x <= clip1_ && static_cast<unsigned>(y) < static_cast<unsigned>(h_))
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
    if (penWidth <= 1) {
        if (x < clip0_ || x > clip1_)
            return;
        y0 = std::max(y0, 0);
        y1 = std::min(y1, h_ - 1);
        uint32_t* px = bits_ + y0 * stride_ + x;
        for (int y = y0; y <= y1; ++y, px += stride_)
            *px = colour | 0xFF000000u;
        return;
    }
    const int lo = (penWidth - 1) / 2;
    fillRect(x - lo, y0 - lo, x - lo + penWidth - 1, y1 - lo + penWidth - 1, colour);
}

void Raster::line(int x0, int y0, int x1, int y1, int penWidth, QRgb colour)
{
    if (x0 == x1) {
        span(x0, y0, y1, penWidth, colour);
        return;
    }
    const bool inside =
        std::min(x0, x1) >= clip0_ && std::max(x0, x1) <= clip1_ && std::min(y0, y1) >= 0 && std::max(y0, y1) < h_;
    if (penWidth <= 1 && inside) {
        // A thin line wholly inside the image writes straight into the rows.
        const uint32_t pixel = colour | 0xFF000000u;
        walkLine(x0, y0, x1, y1, [&](int x, int y) { bits_[y * stride_ + x] = pixel; });
        return;
    }
    walkLine(x0, y0, x1, y1, [&](int x, int y) { stamp(x, y, penWidth, colour); });
}

void drawCurveEverySegment(Raster& raster, const CurvePath& p)
{
    int px = p.startX;
    int py = p.startY;
    for (size_t s = 0; s < p.x.size(); ++s) {
        if (p.y[s] != kGapY)
            raster.line(py == kGapY ? p.x[s] : px, py == kGapY ? p.y[s] : py, p.x[s], p.y[s], p.penWidth,
                        p.pale[s] ? p.paleColour : p.colour);
        px = p.x[s];
        py = p.y[s];
    }
}

void drawCurveDecimated(Raster& raster, const CurvePath& p)
{
    drawColumns(
        raster, p.startX, p.startY, p.x.data(), static_cast<int>(p.x.size()),
        [&](int s) { return p.y[static_cast<size_t>(s)]; }, [&](int s) { return p.pale[static_cast<size_t>(s)] != 0; },
        p.penWidth, p.colour, p.paleColour);
}

int plot_LogRamp(double t)
{
    if (t == 0)
        return 0;
    const double v = std::nearbyint((1 - std::log(1 / t) / std::log(255.0)) * 255);
    return static_cast<int>(std::clamp(v, 0.0, 255.0));
}

} // namespace vs
