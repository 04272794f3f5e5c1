#include "plot/plot_renderer.h"

#include "common/numformat.h"
#include "plot/plot_markers.h"
#include "plot/plot_bands.h"
#include "plot/plot_raster.h"
#include "plot/plot_text.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vs {

namespace {

const QColor kGrey(128, 128, 128);
const QColor kLightGrey(224, 224, 224);

int roundi(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

// Nearest whole number, halves to even, without a library call: this runs
// once per stored value on every redraw.
inline int roundToInt(double v)
{
#ifdef __SSE2__
    return _mm_cvtsd_si32(_mm_set_sd(v));
#else
    return static_cast<int>(std::nearbyint(v));
#endif
}

// One drawing's derived values.
struct Frame {
    const PlotRecord& plot;
    const PlotSettings& s;
    int W = 0, H = 0;
    int top = 0, left = 0, bottom = 0, right = 0;
    double ys = 0, xs = 0;
    int yL0 = 0, yL1 = 0;
    int b = 0;
    int h = 0;
    int nEnabled = 0;
    bool levelBar = false;

    int Y(double stored) const
    {
        const double y = plot.MaxValue * ys + top - stored * ys;
        return roundToInt(std::clamp(y, -2.0 * H, 3.0 * H));
    }
    int X(double position) const { return roundi(position * xs + left); }
    int plotRight() const { return W - right; }
    int plotBottom() const { return H - bottom; }
    int slotAt(int position) const
    {
        return s.PlotScroll ? (plot.WriteIndex + position) % plot.RecordLength : position;
    }
    bool fullColour(int slot) const { return s.PlotScroll || slot < plot.WriteIndex; }
};

void threeBands(Raster& r, const Frame& f, int x1, int x2, int blue)
{
    plot_GradientGreenYellow(r, x1, f.yL0, x2, f.plotBottom(), blue);
    plot_GradientYellowRed(r, x1, f.yL1, x2, f.yL0, blue);
    plot_RedBox(r, x1, f.top, x2, f.yL1, blue);
}

void drawLevelBarAndZones(QPainter& p, Raster& r, const Frame& f)
{
    int xe = f.s.PlotBkgGradient ? f.plotRight() : 0;
    if (f.levelBar) {
        const int xb = f.plotRight() + 40;
        if (!f.s.PlotBkgGradient) {
            xe = xb + 15;
            threeBands(r, f, xb, xe, f.b);
            p.setPen(kGrey);
            p.drawRect(QRect(QPoint(xb, f.yL1), QPoint(xe, f.yL0)).normalized().adjusted(0, 0, -1, -1));
            p.setPen(Qt::black);
            p.drawRect(QRect(QPoint(xb, f.top), QPoint(xe, f.plotBottom())).adjusted(0, 0, -1, -1));
        }
        p.setPen(Qt::black);
        if (f.s.ShowYvalues)
            for (int i = 0; i < 2; ++i) {
                const double level = f.plot.WarnLevels[static_cast<size_t>(i)];
                const QString text = QString::fromStdString((level >= 0 ? " " : "") + generalNumber(level));
                drawTextAt(p, xe + 5, (i == 0 ? f.yL0 : f.yL1) - 8, text);
            }
    }
    // Zone labels: good, medium and bad air, each in the middle of its zone.
    p.setPen(Qt::black);
    const int zoneMid[4] = {0, (f.yL0 + f.plotBottom()) / 2, (f.yL1 + f.yL0) / 2, (f.top + f.yL1) / 2};
    for (int i = 1; i <= 3; ++i) {
        if (f.s.TitleLines[i].isEmpty())
            continue;
        const QString line = displayLine(f.s.TitleLines[i]);
        const int y = roundi(zoneMid[i] - p.fontMetrics().height() / 2.0);
        if (y > 0)
            drawTextAt(p, xe + 5, y, line);
    }
    p.setPen(kLightGrey);
    for (int y : {f.yL0, f.yL1})
        if (f.top < y && y <= f.plotBottom())
            p.drawLine(f.left, y, f.plotRight(), y);
}

// Legend and title; returns nothing, draws in grey.
void drawLegendAndTitle(QPainter& p, const Frame& f)
{
    const PlotRecord& plot = f.plot;
    p.setPen(kGrey);
    std::vector<QString> entries;
    QString legend;
    for (int k = 0; k < plot.nCurves; ++k) {
        if (!plot.CurveEnabled[static_cast<size_t>(k)])
            continue;
        const std::string& label = plot.CurveLabel[static_cast<size_t>(k)];
        const QString entry = QString::fromStdString((label.empty() ? "" : label + ":") +
                                                     plot.CurveName[static_cast<size_t>(k)] + " [" +
                                                     plot.CurveUnit[static_cast<size_t>(k)] + "]  ");
        entries.push_back(entry);
        legend += entry;
    }
    const QFontMetrics fm = p.fontMetrics();
    const int legendY = f.top - fm.height() - 10;
    if (f.nEnabled >= 2) {
        int x = roundi((f.W - f.left - f.right) / 2.0 + f.left -
                       (fm.horizontalAdvance(legend) + (f.nEnabled - 1) * 10) / 2.0);
        size_t e = 0;
        for (int k = 0; k < plot.nCurves; ++k) {
            if (!plot.CurveEnabled[static_cast<size_t>(k)])
                continue;
            p.fillRect(QRect(QPoint(x, legendY + 4), QPoint(x + 8, legendY + 7)), toQColor(plot.CurveColor[static_cast<size_t>(k)]));
            drawTextAt(p, x + 10, legendY, entries[e]);
            x += 10 + fm.horizontalAdvance(entries[e]);
            ++e;
        }
    }
    if (!f.s.TitleLines[0].isEmpty()) {
        const QFont previous = p.font();
        p.setFont(fontFor(f.s.FontSet[1]));
        const QString title = displayLine(f.s.TitleLines[0]);
        const QFontMetrics tm = p.fontMetrics();
        const int t = tm.height();
        const int y = f.nEnabled < 2 ? (f.top - t) / 2 : legendY - t - 5;
        const int x = roundi((f.W - f.left - f.right) / 2.0 + f.left - tm.horizontalAdvance(title) / 2.0);
        drawTextAt(p, x, y, title);
        p.setFont(previous);
    }
    if (!plot.FooterText.empty()) {
        const QString footer = QString::fromStdString(plot.FooterText);
        const int y = f.H - fm.height() - f.bottom + 40;
        const int x = roundi((f.W - f.left - f.right) / 2.0 + f.left - fm.horizontalAdvance(footer) / 2.0);
        drawTextAt(p, x, y, footer);
    }
}

void drawGrid(QPainter& p, const Frame& f)
{
    auto gridValue = [&](double y) {
        const double value = f.plot.MaxValue - (y - f.top) / f.ys;
        return std::floor(value / 1000) * 10;
    };
    QPen pen(kLightGrey);
    pen.setStyle(Qt::DashLine);
    double values[5];
    int ys[5];
    values[0] = gridValue(f.plotBottom());
    values[4] = gridValue(f.top);
    const int bottomY = f.Y(values[0] * 100);
    const int topY = f.Y(values[4] * 100);
    ys[0] = bottomY;
    ys[4] = topY;
    const int step = roundi(std::abs(bottomY - topY) / 4.0);
    for (int i = 1; i <= 3; ++i) {
        values[i] = gridValue(topY + i * step);
        ys[i] = f.Y(values[i] * 100);
    }
    const QFontMetrics fm = p.fontMetrics();
    for (int i = 0; i < 5; ++i) {
        p.setPen(pen);
        p.drawLine(f.left - 10, ys[i], f.plotRight(), ys[i]);
        p.setPen(kGrey);
        const QString label = QString::fromStdString(formatNumber(values[i], "###0"));
        drawTextAt(p, f.left - fm.horizontalAdvance(label) - 12, ys[i] - fm.height() / 2, label);
    }
}

void drawTimeLabels(QPainter& p, const Frame& f)
{
    const QFontMetrics fm = p.fontMetrics();
    int lastX = 0;
    int lastWidth = 0;
    for (int s = 0; s < f.plot.RecordLength; ++s) {
        const int x = f.X(s);
        if (x - lastX <= lastWidth + 10)
            continue;
        const int i = f.slotAt(s);
        const std::string& text = f.plot.SampleText[static_cast<size_t>(i)];
        lastWidth = fm.horizontalAdvance(QString::fromStdString(plot_TextField(text, 1, '\n')));
        p.setPen(kLightGrey);
        p.drawLine(x, f.top, x, f.plotBottom() + 8);
        p.setPen(f.fullColour(i) ? QColor(Qt::black) : QColor(192, 192, 192));
        int y = f.plotBottom() + 8;
        for (int n = 1;; ++n) {
            const std::string line = plot_TextField(text, n, '\n');
            if (line.empty())
                break;
            drawTextAt(p, x - lastWidth / 2, y, QString::fromStdString(line));
            y += fm.height();
        }
        lastX = x;
    }
}

void drawCurveWithPainter(QPainter& p, const CurvePath& path)
{
    QPoint previous(path.startX, path.startY);
    int currentPale = -1;
    for (size_t s = 0; s < path.x.size(); ++s) {
        if (path.pale[s] != currentPale) {
            currentPale = path.pale[s];
            p.setPen(QPen(QColor::fromRgb(currentPale ? path.paleColour : path.colour), path.penWidth));
        }
        const QPoint next(path.x[s], path.y[s]);
        if (next.y() != kGapY)
            p.drawLine(previous.y() == kGapY ? next : previous, next);
        previous = next;
    }
}

} // namespace

QImage makePlotImage(int width, int height)
{
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    return image;
}

bool plot_Draw(const PlotRecord& plot, const PlotSettings& s, QImage& image, PlotGeometry& g, CurveDrawing how)
{
    if (plot.nCurves == 0)
        return false;
    Frame f{plot, s};
    f.W = image.width();
    f.H = image.height();
    f.levelBar = !s.PlotAutoScale && plot.WarnLevels.size() >= 2;
    f.top = s.Margin[0] + plot.BaseMargin[2];
    f.left = s.Margin[1] + plot.BaseMargin[0];
    f.bottom = s.Margin[2] + plot.BaseMargin[3];
    f.right = s.Margin[3] + plot.BaseMargin[1] + (f.levelBar ? 50 : 0);
    g.MarginTop = f.top;
    g.MarginLeft = f.left;
    g.MarginBottom = f.bottom;
    g.MarginRight = f.right;
    f.ys = static_cast<double>(f.H - f.top - f.bottom) / (plot.Range == 0 ? 1 : plot.Range);
    f.xs = plot.RecordLength > 0 ? static_cast<double>(f.W - f.left - f.right) / plot.RecordLength : 0;
    if (f.ys <= 0 || f.xs <= 0 || !plot.hasStore())
        return false;
    f.b = std::clamp(s.GradientBcomponent, 0, 255);
    f.nEnabled = plot.enabledCount();

    image.fill(toQRgb(plot.BackColor));
    Raster raster(image);
    QPainter p(&image);
    p.setFont(fontFor(s.FontSet[0]));
    const QFontMetrics fm = p.fontMetrics();
    f.h = roundi(fm.height() / 2.0);

    // Zero line.
    const double z = plot.MaxValue * f.ys;
    if (z > 0 && z < f.H) {
        g.Graph_LastZeroLine = roundi(z + f.top);
        if (g.Graph_LastZeroLine <= f.plotBottom()) {
            QPen dotted(kGrey);
            dotted.setStyle(Qt::DotLine);
            p.setPen(dotted);
            p.drawLine(f.left - 10, g.Graph_LastZeroLine, f.plotRight(), g.Graph_LastZeroLine);
        }
    } else {
        g.Graph_LastZeroLine = f.plotBottom();
    }
    if (!s.gYaxisTitle.isEmpty()) {
        const int w = fm.horizontalAdvance(s.gYaxisTitle);
        const int y = g.Graph_LastZeroLine - ((g.Graph_LastZeroLine - f.top) - w) / 2;
        p.save();
        QFont axis("MSSansSerif");
        axis.setStyleHint(QFont::SansSerif);
        axis.setPixelSize(14);
        p.setFont(axis);
        p.setPen(kGrey);
        p.translate(f.left - 20, y);
        p.rotate(-90);
        drawTextAt(p, 0, 0, s.gYaxisTitle);
        p.restore();
    }
    g.Graph_LastYmax = f.top;
    g.Graph_LastXscale = f.xs;
    g.Graph_LastMarginL = f.left;

    if (plot.WarnLevels.size() >= 2) {
        f.yL0 = std::clamp(f.Y(plot.WarnLevels[0] * 100), f.top, f.plotBottom());
        f.yL1 = std::clamp(f.Y(plot.WarnLevels[1] * 100), f.top, f.plotBottom());
    } else {
        f.yL0 = f.yL1 = f.top;
    }
    if (s.PlotBkgGradient)
        threeBands(raster, f, f.left, f.plotRight(), f.b);
    drawLevelBarAndZones(p, raster, f);
    drawLegendAndTitle(p, f);

    // Curve labels at the left edge, where each curve starts.
    const int s0 = s.PlotScroll ? plot.WriteIndex : 0;
    std::vector<int> startY(static_cast<size_t>(plot.nCurves));
    auto yOf = [&f](int32_t v) { return v == kNoValue ? kGapY : f.Y(v); };
    for (int k = 0; k < plot.nCurves; ++k) {
        startY[static_cast<size_t>(k)] = yOf(plot.at(s0, k));
        if (f.nEnabled >= 2 && plot.CurveEnabled[static_cast<size_t>(k)] && startY[static_cast<size_t>(k)] != kGapY) {
            p.setPen(toQColor(plot.CurveColor[static_cast<size_t>(k)]));
            const QString label = QString::fromStdString(plot.CurveLabel[static_cast<size_t>(k)]);
            drawTextAt(p, f.left - fm.horizontalAdvance(label) - 8, startY[static_cast<size_t>(k)] - f.h, label);
        }
    }

    if (plot.nMarkers >= 1)
        drawMarkers(raster, markerGeometry(f.plot, f.s, f.xs, f.left, f.top, f.plotBottom(), f.yL0, f.yL1, f.b));
    if (s.PlotGrid)
        drawGrid(p, f);
    drawTimeLabels(p, f);

    // Curves, drawn column by column; the first position holding the
    // maximum is found on the way.
    const int newest = plot.WriteIndex == 0 ? plot.RecordLength - 1 : plot.WriteIndex - 1;
    const int sweepPosition = s.PlotScroll ? -1 : newest;
    const int n = plot.RecordLength;
    std::vector<int> xOf(static_cast<size_t>(n));
    std::vector<int> slotOf(static_cast<size_t>(n));
    for (int pos = 0, i = f.slotAt(0); pos < n; ++pos) {
        xOf[static_cast<size_t>(pos)] = f.X(pos);
        slotOf[static_cast<size_t>(pos)] = i;
        if (++i == n)
            i = 0;
    }
    int maxPosition = -1, maxCurve = -1;
    std::vector<int> lastY = startY;
    for (int k = 0; k < plot.nCurves; ++k) {
        if (!plot.CurveEnabled[static_cast<size_t>(k)])
            continue;
        const int32_t* data = plot.Data.data() + k;
        const int stride = plot.nCurves;
        for (int pos = 0; pos < n && (maxPosition < 0 || pos < maxPosition); ++pos)
            if (data[static_cast<size_t>(slotOf[static_cast<size_t>(pos)]) * stride] == plot.MaxValue) {
                maxPosition = pos;
                maxCurve = k;
                break;
            }
        const Rgb c = plot.CurveColor[static_cast<size_t>(k)];
        const int pen = std::max<int>(1, plot.CurvePenWidth[static_cast<size_t>(k)]);
        auto yAt = [&](int pos) { return yOf(data[static_cast<size_t>(slotOf[static_cast<size_t>(pos)]) * stride]); };
        auto paleAt = [&](int pos) { return !f.fullColour(slotOf[static_cast<size_t>(pos)]); };
        if (how == CurveDrawing::Decimated) {
            drawColumns(raster, f.left, startY[static_cast<size_t>(k)], xOf.data(), n, yAt, paleAt, pen, toQRgb(c),
                        toQRgb(c | rgb(128, 128, 128)));
        } else {
            CurvePath path;
            path.startX = f.left;
            path.startY = startY[static_cast<size_t>(k)];
            path.x = xOf;
            for (int pos = 0; pos < n; ++pos) {
                path.y.push_back(yAt(pos));
                path.pale.push_back(paleAt(pos) ? 1 : 0);
            }
            path.colour = toQRgb(c);
            path.paleColour = toQRgb(c | rgb(128, 128, 128));
            path.penWidth = pen;
            drawCurveWithPainter(p, path);
        }
        lastY[static_cast<size_t>(k)] = yAt(n - 1);
    }

    // The maximum, marked once per drawing.
    if (maxPosition >= 0) {
        const int x = xOf[static_cast<size_t>(maxPosition)];
        const int y = f.Y(plot.MaxValue);
        const QString text = QString::fromStdString(formatNumber(plot.MaxValue / 100.0, "##0.0#"));
        // Above the point, unless that is above the plot (over the legend): then below it.
        int tagTop = roundi(y - 2.5 * f.h);
        if (tagTop < f.top)
            tagTop = roundi(y + 0.5 * f.h);
        p.fillRect(QRect(QPoint(x, tagTop), QPoint(x + fm.horizontalAdvance(text) + 10, roundi(tagTop + 1.5 * f.h))),
                   toQColor(plot.BackColor));
        p.setPen(QColor(128, 0, 0));
        if (s.ShowYvalues)
            drawTextAt(p, x, tagTop, text);
        p.setPen(QPen(toQColor(plot.CurveColor[static_cast<size_t>(maxCurve)]), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawPoint(x, y);
    }

    // The sweep point and the tags of a non-scrolling plot.
    for (int k = 0; k < plot.nCurves; ++k) {
        if (!plot.CurveEnabled[static_cast<size_t>(k)])
            continue;
        const QColor colour = toQColor(plot.CurveColor[static_cast<size_t>(k)]);
        if (sweepPosition >= 0 && plot.at(newest, k) != kNoValue) {
            const int sx = xOf[static_cast<size_t>(sweepPosition)];
            const int sy = f.Y(plot.at(newest, k));
            p.setPen(QPen(colour, 1));
            p.drawLine(sx - 5, sy - 5, sx + 5, sy + 5);
            p.drawLine(sx + 5, sy - 5, sx - 5, sy + 5);
            const QString tag = QString::fromStdString(plot.CurveName[static_cast<size_t>(k)] + "=" +
                                                       formatNumber(plot.at(newest, k) / 100.0, "##0.0#"));
            p.fillRect(QRect(QPoint(sx + 7, sy - f.h), QPoint(sx + fm.horizontalAdvance(tag) + 10, sy + f.h)),
                       toQColor(plot.BackColor));
            p.setPen(Qt::black);
            drawTextAt(p, sx + 7, sy - f.h, tag);
        }
        // The value at the curve's right end: the newest when scrolling, else the last slot's own.
        const int slot = s.PlotScroll ? newest : plot.RecordLength - 1;
        if (s.ShowYvalues && plot.at(slot, k) != kNoValue) {
            p.setPen(colour);
            drawTextAt(p, xOf.back(), lastY[static_cast<size_t>(k)] - f.h - 1,
                       QString::fromStdString(formatNumber(plot.at(slot, k) / 100.0, "##0.0#")));
        }
    }
    return true;
}

void plot_Replot(PlotRecord& plot, const PlotSettings& settings, QImage& image, PlotGeometry& geometry,
                 const PlotOverlays& overlays)
{
    plot_AutoScale(plot, settings);
    plot_Draw(plot, settings, image, geometry);
    if (overlays.WinPrint_Replot)
        overlays.WinPrint_Replot(image);
    if (overlays.ActOnFlags)
        overlays.ActOnFlags(image);
    if (overlays.ActOnCursor)
        overlays.ActOnCursor(image);
}

} // namespace vs
