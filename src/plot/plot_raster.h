#pragma once
#include <climits>
#include <QImage>

#include <cstdint>
#include <vector>

namespace vs {

// Direct pixel drawing on a 32-bit image, clipped to the image: filled
// rectangles, horizontal lines and lines stamped with a square pen. Curves are
// drawn here because one pixel at a time is far cheaper than a painter call
// per segment.
class Raster {
public:
    explicit Raster(QImage& image);

    int width() const { return w_; }
    int height() const { return h_; }
    // Both corners included, in any order.
    void fillRect(int x1, int y1, int x2, int y2, QRgb colour);
    // Every pixel of a line from (x0, y0) to (x1, y1) (both ends included,
    // walked from the first end) stamped with a pen of the given width.
    void line(int x0, int y0, int x1, int y1, int penWidth, QRgb colour);
    // A vertical run from y0 to y1 at x, stamped like line().
    void span(int x, int y0, int y1, int penWidth, QRgb colour);
    // Drawing is kept to the columns x0 .. x1 (both included) until changed.
    void clipColumns(int x0, int x1);
    // Every pixel of the rectangle moved toward `toward`: keep / 256 of each
    // colour stays (both corners included).
    void blend(int x1, int y1, int x2, int y2, QRgb toward, int keep);

private:
    // Orders the corners and keeps them inside the image and the columns;
    // false when nothing is left.
    bool clip(int& x1, int& y1, int& x2, int& y2) const;
    void stamp(int x, int y, int penWidth, QRgb colour);
    // Visits every pixel of the line from (x0, y0) to (x1, y1) in order, both ends included.
    template <class Visit>
    static void walkLine(int x0, int y0, int x1, int y1, Visit visit)
    {
        const int dx = x1 > x0 ? x1 - x0 : x0 - x1;
        const int dy = -(y1 > y0 ? y1 - y0 : y0 - y1);
        const int sx = x0 < x1 ? 1 : -1;
        const int sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            visit(x0, y0);
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

    uint32_t* bits_;
    qsizetype stride_; // in pixels
    int w_, h_;
    int clip0_ = 0, clip1_ = 0;
};

// One curve as display positions: the pen starts at (startX, startY) and
// goes to each point in turn; the segment ending at point s has colour
// pale[s] ? paleColour : colour.
struct CurvePath {
    int startX = 0, startY = 0;
    std::vector<int> x, y;
    std::vector<uint8_t> pale;
    int penWidth = 1;
    QRgb colour = 0, paleColour = 0;
};

// The height of a point without a value: the curve has a gap there, no
// line leads to it or away from it.
constexpr int kGapY = INT_MIN;

// The column reduction behind drawCurveDecimated, for any source of points:
// x[s] for each position, yAt(s) its height (kGapY: none) and paleAt(s) its
// colour choice.
template <class YAt, class PaleAt>
void drawColumns(Raster& r, int startX, int startY, const int* x, int n, YAt yAt, PaleAt paleAt, int penWidth,
                 QRgb colour, QRgb paleColour)
{
    int px = startX;
    int py = startY;
    int s = 0;
    while (s < n) {
        const int firstY = yAt(s);
        if (firstY == kGapY) {
            py = kGapY;
            ++s;
            continue;
        }
        // A run: consecutive points in one pixel column with one colour. Its
        // segments after the first are vertical, so together they cover the
        // column from the run's lowest to its highest value.
        const int cx = x[s];
        const bool pale = paleAt(s);
        int lo = firstY, hi = firstY, lastY = firstY;
        int e = s + 1;
        for (; e < n && x[e] == cx; ++e) {
            const int y = yAt(e);
            if (static_cast<bool>(paleAt(e)) != pale || y == kGapY)
                break;
            lastY = y;
            lo = lastY < lo ? lastY : lo;
            hi = lastY > hi ? lastY : hi;
        }
        const QRgb c = pale ? paleColour : colour;
        // After a gap the curve starts again at its point.
        r.line(py == kGapY ? cx : px, py == kGapY ? firstY : py, cx, firstY, penWidth, c);
        if (e - s > 1)
            r.span(cx, lo, hi, penWidth, c);
        px = cx;
        py = lastY;
        s = e;
    }
}

// Draws every segment of the curve, one after the other.
void drawCurveEverySegment(Raster& raster, const CurvePath& path);
// Draws the same pixels with work bounded by the number of pixel columns:
// points sharing a column (and colour) reduce to their first, lowest,
// highest and last value.
void drawCurveDecimated(Raster& raster, const CurvePath& path);

// The logarithmic yellow-to-red ramp: 0 for t = 0, else
// (1 - ln(1/t) / ln 255) x 255, rounded and limited to 0 .. 255.
int plot_LogRamp(double t);

} // namespace vs
