#include "window/history_plot.h"

#include "plot/plot_ticks.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QLocale>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace vs {

namespace {

constexpr int kLeft = 70, kRight = 20, kTop = 34, kBottom = 40;
constexpr int64_t kShortestRangeMs = 10 * 1000;

QString timeLabel(int64_t ms, int64_t span)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    if (span <= 2 * 3600 * 1000LL)
        return t.toString("HH:mm:ss");
    if (span <= 3 * 86400 * 1000LL)
        return t.toString("ddd HH:mm");
    return t.toString("yyyy-MM-dd");
}

} // namespace

HistoryPlot::HistoryPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName("HistoryPlot");
    setMouseTracking(true);
    setMinimumSize(400, 240);
    setFocusPolicy(Qt::StrongFocus);
}

void HistoryPlot::setData(HistoryColumns data, std::vector<HistoryCurve> curves)
{
    data_ = std::move(data);
    curves_ = std::move(curves);
    update();
}

void HistoryPlot::setRange(int64_t fromMs, int64_t toMs)
{
    if (toMs < fromMs) // a range typed the wrong way round
        std::swap(fromMs, toMs);
    from_ = fromMs;
    to_ = std::max(toMs, fromMs + kShortestRangeMs);
    update();
}

QRect HistoryPlot::area() const
{
    return rect().adjusted(kLeft, kTop, -kRight, -kBottom);
}

int64_t HistoryPlot::timeAt(int x) const
{
    const QRect a = area();
    const double f = std::clamp((x - a.left()) / std::max(1.0, double(a.width())), 0.0, 1.0);
    return from_ + static_cast<int64_t>(f * static_cast<double>(to_ - from_));
}

bool HistoryPlot::hasValues() const
{
    return std::isfinite(valueBounds().first);
}

std::pair<double, double> HistoryPlot::valueRange() const
{
    auto [lo, hi] = valueBounds();
    if (!std::isfinite(lo))
        return {0, 1};
    if (hi - lo < 1e-9) {
        lo -= 1;
        hi += 1;
    }
    const double pad = (hi - lo) * 0.05;
    return {lo - pad, hi + pad};
}

std::pair<double, double> HistoryPlot::valueBounds() const
{
    double lo = INFINITY, hi = -INFINITY;
    for (const HistoryCurve& c : curves_) {
        if (c.series >= static_cast<int>(data_.series.size()) ||
            c.channel >= static_cast<int>(data_.series[static_cast<size_t>(c.series)].size()))
            continue;
        const ChannelColumns& cc = data_.series[static_cast<size_t>(c.series)][static_cast<size_t>(c.channel)];
        for (size_t i = 0; i < cc.min.size(); ++i)
            if (!std::isnan(cc.mean[i])) {
                lo = std::min(lo, cc.min[i]);
                hi = std::max(hi, cc.max[i]);
            }
    }
    return {lo, hi};
}

void HistoryPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRect a = area();
    p.setPen(QColor(160, 160, 160));
    p.drawRect(a.adjusted(0, 0, -1, -1));
    const auto [lo, hi] = valueRange();
    const auto yOf = [&, lo = lo, hi = hi](double v) { return a.bottom() - (v - lo) / (hi - lo) * (a.height() - 1); };

    // Value and time grid with labels: round values, and the units of the curves at the axis.
    const QFontMetrics fm(font());
    const int most = std::max(2, a.height() / (2 * fm.height()));
    const double step = roundStep(lo, hi, std::min(most, 8));
    const int decimals = step > 0 && step < 1 ? static_cast<int>(std::ceil(-std::log10(step) - 1e-9)) : 0;
    for (const double v : roundTicks(lo, hi, std::min(most, 8))) {
        const int y = static_cast<int>(yOf(v));
        p.setPen(QColor(230, 230, 230));
        p.drawLine(a.left() + 1, y, a.right() - 1, y);
        p.setPen(Qt::black);
        p.drawText(QRect(0, y - fm.height() / 2, kLeft - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QLocale().toString(v, 'f', decimals));
    }
    QStringList units;
    for (const HistoryCurve& c : curves_)
        if (!c.unit.isEmpty() && !units.contains(c.unit))
            units << c.unit;
    p.drawText(QRect(0, 0, kLeft + 200, a.top()), Qt::AlignLeft | Qt::AlignVCenter, units.join(", "));
    const int64_t span = to_ - from_;
    for (int i = 0; i <= 5; ++i) {
        const int x = a.left() + a.width() * i / 5;
        p.setPen(QColor(230, 230, 230));
        p.drawLine(x, a.top() + 1, x, a.bottom() - 1);
        p.setPen(Qt::black);
        // The outer labels stay inside the widget.
        QRect label(x - 60, a.bottom() + 4, 120, fm.height());
        label.moveLeft(std::clamp(label.left(), 0, width() - label.width()));
        p.drawText(label, Qt::AlignHCenter, timeLabel(timeAt(x), span));
    }
    p.drawText(QRect(a.left(), a.bottom() + 4 + fm.height(), a.width(), fm.height()), Qt::AlignHCenter,
               QDateTime::fromMSecsSinceEpoch(from_).toString("yyyy-MM-dd HH:mm") + "  to  " +
                   QDateTime::fromMSecsSinceEpoch(to_).toString("yyyy-MM-dd HH:mm"));

    // The curves: the data's columns placed by their own time, so that a
    // view being panned shows the old data moved until the new comes.
    p.setClipRect(a);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int columns = data_.columns;
    const double dataSpan = static_cast<double>(data_.toMs - data_.fromMs);
    const auto xOfColumn = [&](int col) {
        const double t = data_.fromMs + (col + 0.5) * dataSpan / std::max(columns, 1);
        return a.left() + (t - from_) / std::max<double>(1.0, static_cast<double>(span)) * a.width();
    };
    for (const HistoryCurve& c : curves_) {
        if (c.series >= static_cast<int>(data_.series.size()) ||
            c.channel >= static_cast<int>(data_.series[static_cast<size_t>(c.series)].size()))
            continue;
        const ChannelColumns& cc = data_.series[static_cast<size_t>(c.series)][static_cast<size_t>(c.channel)];
        // Nothing recorded for longer than three times the usual spacing of
        // the columns that hold data: a gap.
        std::vector<int> filled;
        for (int i = 0; i < columns; ++i)
            if (!std::isnan(cc.mean[static_cast<size_t>(i)]))
                filled.push_back(i);
        std::vector<int> steps;
        for (size_t i = 1; i < filled.size(); ++i)
            steps.push_back(filled[i] - filled[i - 1]);
        int usual = 1;
        if (!steps.empty()) {
            std::nth_element(steps.begin(), steps.begin() + static_cast<long>(steps.size() / 2), steps.end());
            usual = steps[steps.size() / 2];
        }
        const int gap = std::max(2, 3 * usual);
        QColor band = c.colour;
        band.setAlpha(70);
        // The band first, then the line over it as runs between gaps, each
        // drawn as short polylines: the stroker's cost grows with the square
        // of a polyline's length, and a two-year view of a curve that swings
        // every day took seconds as one.
        std::vector<QLineF> bands;
        std::vector<QPolygonF> runs;
        int last = -1000000;
        for (int i : filled) {
            const size_t k = static_cast<size_t>(i);
            const double x = xOfColumn(i);
            if (cc.max[k] > cc.min[k])
                bands.emplace_back(x, yOf(cc.min[k]), x, yOf(cc.max[k]));
            if (i - last > gap)
                runs.emplace_back();
            runs.back() << QPointF(x, yOf(cc.mean[k]));
            last = i;
        }
        p.setPen(band);
        p.drawLines(bands.data(), static_cast<int>(bands.size()));
        p.setPen(QPen(c.colour, 1.5));
        constexpr int kPiece = 16;
        for (const QPolygonF& run : runs)
            for (qsizetype from = 0; from == 0 || from < run.size() - 1; from += kPiece)
                p.drawPolyline(run.constData() + from, static_cast<int>(std::min<qsizetype>(kPiece + 1, run.size() - from)));
        // A lone sample between gaps is still seen.
        if (filled.size() == 1)
            p.drawEllipse(QPointF(xOfColumn(filled[0]), yOf(cc.mean[static_cast<size_t>(filled[0])])), 2, 2);
    }
    p.setClipping(false);

    // The legend.
    int x = a.left();
    for (const HistoryCurve& c : curves_) {
        p.fillRect(QRect(x, 10, 14, 10), c.colour);
        p.setPen(Qt::black);
        p.drawText(x + 18, 20, c.label);
        x += 18 + fm.horizontalAdvance(c.label) + 16;
    }
    // The cursor and its readout.
    if (cursorX_ >= a.left() && cursorX_ <= a.right()) {
        p.setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
        p.drawLine(cursorX_, a.top(), cursorX_, a.bottom());
        if (!readoutText_.isEmpty()) {
            const QRect box = fm.boundingRect(QRect(0, 0, 600, 400), Qt::AlignLeft, readoutText_).adjusted(-4, -3, 4, 3);
            QRect placed = box.translated(cursorX_ + 8, a.top() + 8);
            if (placed.right() > a.right())
                placed.moveRight(cursorX_ - 8);
            p.fillRect(placed, QColor(255, 255, 225));
            p.setPen(Qt::black);
            p.drawRect(placed);
            p.drawText(placed.adjusted(4, 3, -4, -3), Qt::AlignLeft, readoutText_);
        }
    }
    if (curves_.empty() || !hasValues()) {
        p.setPen(Qt::gray);
        p.drawText(a, Qt::AlignCenter, "Nothing recorded in this range.");
    }
}

void HistoryPlot::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    // Zoom around the pointer: the time under it stays where it is.
    const int64_t pivot = timeAt(static_cast<int>(event->position().x()));
    const double factor = std::pow(0.8, steps);
    const int64_t from = pivot - static_cast<int64_t>((pivot - from_) * factor);
    const int64_t to = pivot + static_cast<int64_t>((to_ - pivot) * factor);
    if (to - from < kShortestRangeMs)
        return;
    setRange(from, to);
    if (rangeChanged)
        rangeChanged(from_, to_);
    event->accept();
}

void HistoryPlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragFrom_ = event->position().toPoint();
    dragFromMs_ = from_;
    dragToMs_ = to_;
}

void HistoryPlot::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (dragFrom_) {
        const double perPixel = static_cast<double>(dragToMs_ - dragFromMs_) / std::max(1, area().width());
        const int64_t shift = static_cast<int64_t>((dragFrom_->x() - at.x()) * perPixel);
        setRange(dragFromMs_ + shift, dragToMs_ + shift);
    }
    cursorX_ = at.x();
    readoutText_ = readout && area().contains(at) ? readout(timeAt(at.x())) : QString();
    update();
}

void HistoryPlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragFrom_)
        return;
    const bool moved = (event->position().toPoint() - *dragFrom_).manhattanLength() > 2;
    dragFrom_.reset();
    if (moved && rangeChanged)
        rangeChanged(from_, to_);
}

void HistoryPlot::mouseDoubleClickEvent(QMouseEvent*)
{
    dragFrom_.reset();
    if (presetAsked)
        presetAsked();
}

void HistoryPlot::leaveEvent(QEvent*)
{
    cursorX_ = -1;
    readoutText_.clear();
    update();
}

} // namespace vs
