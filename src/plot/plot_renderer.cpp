#include "plot/plot_renderer.h"

#include "common/numformat.h"
#include "plot/plot_frame.h"
#include "plot/plot_ink.h"
#include "plot/plot_lanes.h"
#include "plot/plot_markers.h"
#include "plot/plot_span.h"
#include "plot/plot_text.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vs {

namespace {

void drawLevelBarAndZones(QPainter& p, Raster& r, const Frame& f)
{
    int xe = f.s.PlotBkgGradient ? f.plotRight() : 0;
    if (f.levelBar) {
        const int xb = f.plotRight() + 40;
        if (!f.s.PlotBkgGradient) {
            xe = xb + 15;
            threeBands(r, f, xb, xe, f.b);
            dimBands(r, f, xb, xe);
            p.setPen(f.axis);
            p.drawRect(QRect(QPoint(xb, f.yL1), QPoint(xe, f.yL0)).normalized().adjusted(0, 0, -1, -1));
            p.setPen(f.text);
            p.drawRect(QRect(QPoint(xb, f.top), QPoint(xe, f.plotBottom())).adjusted(0, 0, -1, -1));
        }
        p.setPen(f.text);
        if (f.s.ShowYvalues)
            for (int i = 0; i < 2; ++i) {
                const double level = f.plot.WarnLevels[static_cast<size_t>(i)];
                const QString text = QString::fromStdString((level >= 0 ? " " : "") + generalNumber(level));
                drawTextAt(p, xe + 5, (i == 0 ? f.yL0 : f.yL1) - 8, text);
            }
    }
    // Zone labels: good, medium and bad air, each in the middle of its zone.
    p.setPen(f.text);
    const int zoneMid[4] = {0, (f.yL0 + f.plotBottom()) / 2, (f.yL1 + f.yL0) / 2, (f.top + f.yL1) / 2};
    for (int i = 1; i <= 3; ++i) {
        if (f.s.TitleLines[i].isEmpty())
            continue;
        const QString line = displayLine(f.s.TitleLines[i]);
        const int y = roundi(zoneMid[i] - p.fontMetrics().height() / 2.0);
        if (y > 0)
            drawTextAt(p, xe + 5, y, line);
    }
    p.setPen(f.grid);
    for (int y : {f.yL0, f.yL1})
        if (f.top < y && y <= f.plotBottom())
            p.drawLine(f.left, y, f.plotRight(), y);
}

void drawGrid(QPainter& p, const Frame& f)
{
    auto gridValue = [&](double y) {
        const double value = f.plot.MaxValue - (y - f.top) / f.ys;
        return std::floor(value / 1000) * 10;
    };
    QPen pen(f.grid);
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
        p.setPen(f.axis);
        const QString label = QString::fromStdString(formatNumber(values[i], "###0"));
        drawTextAt(p, f.left - fm.horizontalAdvance(label) - 12, ys[i] - fm.height() / 2, label);
    }
}

// The one shared scale: zero line, axis title, warning bands and zones,
// curve labels, markers, grid, curves, the maximum and the sweep point.
void drawSingleScale(QPainter& p, Raster& raster, Frame& f, PlotGeometry& g, CurveDrawing how)
{
    const PlotRecord& plot = f.plot;
    const PlotSettings& s = f.s;
    const QFontMetrics fm = p.fontMetrics();
    // Zero line.
    const double z = plot.MaxValue * f.ys;
    if (z > 0 && z < f.H) {
        g.Graph_LastZeroLine = roundi(z + f.top);
        if (g.Graph_LastZeroLine <= f.plotBottom()) {
            QPen dotted(f.axis);
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
        p.setPen(f.axis);
        p.translate(f.left - 20, y);
        p.rotate(-90);
        drawTextAt(p, 0, 0, s.gYaxisTitle);
        p.restore();
    }

    if (plot.WarnLevels.size() >= 2) {
        f.yL0 = std::clamp(f.Y(plot.WarnLevels[0] * 100), f.top, f.plotBottom());
        f.yL1 = std::clamp(f.Y(plot.WarnLevels[1] * 100), f.top, f.plotBottom());
    } else {
        f.yL0 = f.yL1 = f.top;
    }
    if (s.PlotBkgGradient)
        threeBands(raster, f, f.left, f.plotRight(), f.b);
    drawLevelBarAndZones(p, raster, f);

    const Positions at = positionsOf(f);
    // Curve labels at the left edge, where each curve starts.
    if (f.nEnabled >= 2)
        for (int k = 0; k < plot.nCurves; ++k) {
            const int32_t v = plot.at(at.slot.front(), k);
            if (!plot.CurveEnabled[static_cast<size_t>(k)] || v == kNoValue)
                continue;
            p.setPen(QColor::fromRgb(f.curveColour(k)));
            const QString label = QString::fromStdString(plot.CurveLabel[static_cast<size_t>(k)]);
            drawTextAt(p, f.left - fm.horizontalAdvance(label) - 8, f.Y(v) - f.h, label);
        }

    if (plot.nMarkers >= 1) {
        raster.clipColumns(f.left, f.plotRight());
        drawMarkers(raster, markerGeometry(plot, s, f.xs, f.X(0), f.top, f.plotBottom(), f.yL0, f.yL1, f.b));
        raster.clipColumns(0, f.W - 1);
    }
    if (s.PlotBkgGradient || plot.nMarkers >= 1)
        dimBands(raster, f, f.left, f.plotRight());
    if (s.PlotGrid)
        drawGrid(p, f);
    drawTimeLabels(p, f);

    // Curves, drawn column by column; the first shown position holding the
    // maximum is marked.
    const int n = static_cast<int>(at.x.size());
    int maxPosition = -1, maxCurve = -1;
    std::vector<int> lastY(static_cast<size_t>(plot.nCurves), kGapY);
    std::vector<int> shown;
    for (int k = 0; k < plot.nCurves; ++k) {
        if (!plot.CurveEnabled[static_cast<size_t>(k)])
            continue;
        shown.push_back(k);
        const int limit = maxPosition < 0 ? n : maxPosition;
        for (int j = 0; j < limit; ++j)
            if (plot.at(at.slot[static_cast<size_t>(j)], k) == plot.MaxValue) {
                maxPosition = j;
                maxCurve = k;
                break;
            }
        lastY[static_cast<size_t>(k)] = drawCurve(raster, p, f, at, k, how);
    }

    if (maxPosition >= 0) {
        const int x = at.x[static_cast<size_t>(maxPosition)];
        const int y = f.Y(plot.MaxValue);
        const QString text = QString::fromStdString(formatNumber(plot.MaxValue / 100.0, "##0.0#"));
        // Above the point, unless that is above the plot (over the legend): then below it.
        int tagTop = roundi(y - 2.5 * f.h);
        if (tagTop < f.top)
            tagTop = roundi(y + 0.5 * f.h);
        p.fillRect(QRect(QPoint(x, tagTop), QPoint(x + fm.horizontalAdvance(text) + 10, roundi(tagTop + 1.5 * f.h))),
                   f.back);
        p.setPen(f.s.Ink.dark ? QColor(255, 140, 140) : QColor(128, 0, 0));
        if (s.ShowYvalues)
            drawTextAt(p, x, tagTop, text);
        p.setPen(QPen(QColor::fromRgb(f.curveColour(maxCurve)), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawPoint(x, y);
    }

    // The sweep point and the tags of a non-scrolling plot.
    const int newest = plot.WriteIndex == 0 ? plot.RecordLength - 1 : plot.WriteIndex - 1;
    const int sweep = s.PlotScroll ? -1 : newest - f.span.first;
    for (int k : shown) {
        if (sweep < 0 || sweep >= n || plot.at(newest, k) == kNoValue)
            continue;
        const QColor colour = QColor::fromRgb(f.curveColour(k));
        const int sx = at.x[static_cast<size_t>(sweep)];
        const int sy = f.Y(plot.at(newest, k));
        p.setPen(QPen(colour, 1));
        p.drawLine(sx - 5, sy - 5, sx + 5, sy + 5);
        p.drawLine(sx + 5, sy - 5, sx - 5, sy + 5);
        const QString tag = QString::fromStdString(plot.CurveName[static_cast<size_t>(k)] + "=" +
                                                   formatNumber(plot.at(newest, k) / 100.0, "##0.0#"));
        p.fillRect(QRect(QPoint(sx + 7, sy - f.h), QPoint(sx + fm.horizontalAdvance(tag) + 10, sy + f.h)), f.back);
        p.setPen(f.text);
        drawTextAt(p, sx + 7, sy - f.h, tag);
    }
    drawEndValues(p, f, at, shown, lastY);
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
    f.levelBar = !s.PlotLanes && !s.PlotAutoScale && plot.WarnLevels.size() >= 2;
    f.top = s.Margin[0] + plot.BaseMargin[2];
    f.left = s.Margin[1] + plot.BaseMargin[0];
    f.bottom = s.Margin[2] + plot.BaseMargin[3];
    f.right = s.Margin[3] + plot.BaseMargin[1] + (f.levelBar ? 50 : 0);
    f.span = shownSpan(s.View, plot.RecordLength);
    f.back = QColor::fromRgb(toQRgb(backgroundOf(plot, s.Ink)));
    f.text = toQColor(s.Ink.text);
    f.axis = toQColor(s.Ink.axis);
    f.grid = toQColor(s.Ink.grid);
    f.pale = toQColor(s.Ink.pale);
    const QFont font = fontFor(s.FontSet[0]);
    // The legend's rows beyond the first push the plot down.
    const LegendLayout legend = legendLayout(plot, QFontMetrics(font, &image), f);
    if (legend.rows > 1)
        f.top += (legend.rows - 1) * legend.rowHeight;
    // Lanes: their tick labels and units widen the left margin as needed.
    std::vector<Lane> lanes;
    if (s.PlotLanes) {
        lanes = plot_Lanes(plot, s, f.top, f.plotBottom());
        f.left = std::max(f.left, laneAxisWidth(lanes, QFontMetrics(font, &image)));
    }
    f.ys = static_cast<double>(f.H - f.top - f.bottom) / (plot.Range == 0 ? 1 : plot.Range);
    f.xs = f.span.count > 0 ? static_cast<double>(f.W - f.left - f.right) / f.span.count : 0;
    f.maxValue = plot.MaxValue;
    g.MarginTop = f.top;
    g.MarginLeft = f.left;
    g.MarginBottom = f.bottom;
    g.MarginRight = f.right;
    if (f.ys <= 0 || f.xs <= 0 || !plot.hasStore())
        return false;
    f.b = std::clamp(s.GradientBcomponent, 0, 255);
    f.nEnabled = plot.enabledCount();

    image.fill(f.back.rgb());
    Raster raster(image);
    QPainter p(&image);
    p.setFont(font);
    f.h = roundi(p.fontMetrics().height() / 2.0);
    g.Graph_LastYmax = f.top;
    g.Graph_LastXscale = f.xs;
    g.Graph_LastMarginL = f.X(0);
    drawLegendAndTitle(p, f, legend, g);
    if (s.PlotLanes)
        drawLanes(p, raster, f, g, how, lanes);
    else
        drawSingleScale(p, raster, f, g, how);
    drawPausedNote(p, f);
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
