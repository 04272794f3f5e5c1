#include "plot/plot_frame.h"

#include "common/numformat.h"
#include "plot/plot_bands.h"
#include "plot/plot_ink.h"
#include "plot/plot_text.h"

#include <QPainter>

namespace vs {

QRgb Frame::curveColour(int curve) const
{
    return toQRgb(curveInk(s.Ink, plot.CurveColor[static_cast<size_t>(curve)]));
}

LegendLayout legendLayout(const PlotRecord& plot, const QFontMetrics& fm, const Frame& f)
{
    LegendLayout out;
    out.rowHeight = fm.height() + 4;
    // A legend is drawn while two or more curves are shown; then every
    // curve has its entry, so that a click can enable it again.
    if (plot.enabledCount() < 2)
        return out;
    const int limit = std::max(40, f.W - 16);
    std::vector<int> rowWidth{0};
    for (int k = 0; k < plot.nCurves; ++k) {
        const std::string& label = plot.CurveLabel[static_cast<size_t>(k)];
        const QString text = QString::fromStdString((label.empty() ? "" : label + ":") +
                                                    plot.CurveName[static_cast<size_t>(k)] + " [" +
                                                    plot.CurveUnit[static_cast<size_t>(k)] + "]  ");
        const int width = 10 + fm.horizontalAdvance(text);
        if (rowWidth.back() > 0 && rowWidth.back() + width > limit)
            rowWidth.push_back(0);
        out.entries.push_back({k, text, rowWidth.back(), static_cast<int>(rowWidth.size()) - 1, width});
        rowWidth.back() += width;
    }
    out.rows = static_cast<int>(rowWidth.size());
    // Each row centred over the plot, kept inside the picture.
    const double centre = (f.W - f.left - f.right) / 2.0 + f.left;
    for (LegendLayout::Entry& e : out.entries) {
        const int w = rowWidth[static_cast<size_t>(e.row)];
        e.x += std::clamp(roundi(centre - w / 2.0), 8, std::max(8, f.W - 8 - w));
    }
    return out;
}

Positions positionsOf(const Frame& f)
{
    Positions at;
    const int n = f.span.count;
    at.x.resize(static_cast<size_t>(n));
    at.slot.resize(static_cast<size_t>(n));
    const int length = f.plot.RecordLength;
    for (int j = 0, pos = f.span.first, i = f.slotAt(pos); j < n; ++j, ++pos) {
        at.x[static_cast<size_t>(j)] = f.X(pos);
        at.slot[static_cast<size_t>(j)] = i;
        if (++i == length)
            i = 0;
    }
    return at;
}

void threeBands(Raster& r, const Frame& f, int x1, int x2, int blue)
{
    plot_GradientGreenYellow(r, x1, f.yL0, x2, f.plotBottom(), blue);
    plot_GradientYellowRed(r, x1, f.yL1, x2, f.yL0, blue);
    plot_RedBox(r, x1, f.top, x2, f.yL1, blue);
}

void dimBands(Raster& r, const Frame& f, int x1, int x2)
{
    if (f.s.Ink.dark)
        r.blend(x1, f.top, x2, f.plotBottom(), f.back.rgb(), 64);
}

void drawLegendAndTitle(QPainter& p, const Frame& f, const LegendLayout& legend, PlotGeometry& g)
{
    const PlotRecord& plot = f.plot;
    const QFontMetrics fm = p.fontMetrics();
    const int bottomRowY = f.top - fm.height() - 10;
    const int topRowY = bottomRowY - (legend.rows - 1) * legend.rowHeight;
    g.Legend.clear();
    for (const LegendLayout::Entry& e : legend.entries) {
        const int y = topRowY + e.row * legend.rowHeight;
        const bool on = plot.CurveEnabled[static_cast<size_t>(e.curve)];
        const QColor colour = QColor::fromRgb(f.curveColour(e.curve));
        if (on) {
            p.fillRect(QRect(QPoint(e.x, y + 4), QPoint(e.x + 8, y + 7)), colour);
        } else {
            p.setPen(colour);
            p.drawRect(QRect(e.x, y + 3, 8, 4));
        }
        p.setPen(on ? f.axis : f.pale);
        drawTextAt(p, e.x + 10, y, e.text);
        g.Legend.push_back({e.curve, e.x, y, e.width, fm.height()});
    }
    if (!f.s.TitleLines[0].isEmpty()) {
        const QFont previous = p.font();
        p.setFont(fontFor(f.s.FontSet[1]));
        const QString title = displayLine(f.s.TitleLines[0]);
        const QFontMetrics tm = p.fontMetrics();
        const int t = tm.height();
        const int y = legend.rows == 0 ? (f.top - t) / 2 : topRowY - t - 5;
        const int x = roundi((f.W - f.left - f.right) / 2.0 + f.left - tm.horizontalAdvance(title) / 2.0);
        p.setPen(f.axis);
        drawTextAt(p, x, y, title);
        p.setFont(previous);
    }
    if (!plot.FooterText.empty()) {
        const QString footer = QString::fromStdString(plot.FooterText);
        const int y = f.H - fm.height() - f.bottom + 40;
        const int x = roundi((f.W - f.left - f.right) / 2.0 + f.left - fm.horizontalAdvance(footer) / 2.0);
        p.setPen(f.axis);
        drawTextAt(p, x, y, footer);
    }
}

void drawTimeLabels(QPainter& p, const Frame& f)
{
    const QFontMetrics fm = p.fontMetrics();
    int lastX = 0;
    int lastWidth = 0;
    for (int s = f.span.first; s < f.span.first + f.span.count; ++s) {
        const int x = f.X(s);
        if (x - lastX <= lastWidth + 10)
            continue;
        const int i = f.slotAt(s);
        const std::string& text = f.plot.SampleText[static_cast<size_t>(i)];
        lastWidth = fm.horizontalAdvance(QString::fromStdString(plot_TextField(text, 1, '\n')));
        p.setPen(f.grid);
        p.drawLine(x, f.top, x, f.plotBottom() + 8);
        p.setPen(f.fullColour(i) ? f.text : f.pale);
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

namespace {

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

int drawCurve(Raster& raster, QPainter& p, const Frame& f, const Positions& at, int k, CurveDrawing how)
{
    const PlotRecord& plot = f.plot;
    const int32_t* data = plot.Data.data() + k;
    const int stride = plot.nCurves;
    const int n = static_cast<int>(at.x.size());
    auto yAt = [&](int j) {
        const int32_t v = data[static_cast<size_t>(at.slot[static_cast<size_t>(j)]) * stride];
        return v == kNoValue ? kGapY : f.Y(v);
    };
    auto paleAt = [&](int j) { return !f.fullColour(at.slot[static_cast<size_t>(j)]); };
    const QRgb colour = f.curveColour(k);
    const QRgb pale = toQRgb(curveInk(f.s.Ink, plot.CurveColor[static_cast<size_t>(k)] | rgb(128, 128, 128)));
    const int pen = std::max<int>(1, plot.CurvePenWidth[static_cast<size_t>(k)]);
    const int startY = n > 0 ? yAt(0) : kGapY;
    if (how == CurveDrawing::Decimated) {
        drawColumns(raster, f.left, startY, at.x.data(), n, yAt, paleAt, pen, colour, pale);
    } else {
        CurvePath path;
        path.startX = f.left;
        path.startY = startY;
        path.x = at.x;
        for (int j = 0; j < n; ++j) {
            path.y.push_back(yAt(j));
            path.pale.push_back(paleAt(j) ? 1 : 0);
        }
        path.colour = colour;
        path.paleColour = pale;
        path.penWidth = pen;
        drawCurveWithPainter(p, path);
    }
    return n > 0 ? yAt(n - 1) : kGapY;
}

void drawEndValues(QPainter& p, const Frame& f, const Positions& at, const std::vector<int>& curves,
                   const std::vector<int>& lastY)
{
    if (!f.s.ShowYvalues || at.x.empty())
        return;
    const PlotRecord& plot = f.plot;
    // The last shown position: the newest value when scrolling, else the
    // last slot's own (or the right edge of a zoomed view).
    const int slot = at.slot.back();
    // Labels that would overlap move down (and stop at the plot's bottom).
    std::vector<std::pair<int, int>> labels; // y, curve
    for (int k : curves)
        if (plot.at(slot, k) != kNoValue && lastY[static_cast<size_t>(k)] != kGapY)
            labels.emplace_back(lastY[static_cast<size_t>(k)] - f.h - 1, k);
    std::sort(labels.begin(), labels.end());
    const int step = 2 * f.h;
    const int lowest = f.plotBottom() - f.h;
    for (size_t i = 0; i < labels.size(); ++i) {
        if (i > 0)
            labels[i].first = std::max(labels[i].first, labels[i - 1].first + step);
        if (i > 0 && labels[i].first > lowest)
            break; // no room left: the rest are read in the cursor readout
        const int k = labels[i].second;
        p.setPen(QColor::fromRgb(f.curveColour(k)));
        drawTextAt(p, at.x.back(), labels[i].first, QString::fromStdString(formatNumber(plot.at(slot, k) / 100.0, "##0.0#")));
    }
}

void drawPausedNote(QPainter& p, const Frame& f)
{
    if (f.span.count >= f.plot.RecordLength)
        return;
    const QString note = "Paused view - double-click to follow";
    const QFontMetrics fm = p.fontMetrics();
    const QRect box(f.plotRight() - fm.horizontalAdvance(note) - 12, f.top + 4, fm.horizontalAdvance(note) + 10,
                    fm.height() + 4);
    p.fillRect(box, f.back);
    p.setPen(f.text);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    drawTextAt(p, box.left() + 5, box.top() + 2, note);
}

} // namespace vs
