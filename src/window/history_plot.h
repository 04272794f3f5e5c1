#pragma once
#include "history/history_reader.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>

namespace vs {

// One curve of the history plot: a channel of a series, in its colour.
struct HistoryCurve {
    int series = 0;  // index into HistoryColumns::series
    int channel = 0;
    QString label;
    QColor colour;
    QString unit;
};

// Draws a history range: per pixel column the mean as a line and, where a
// column holds several samples, the band from least to greatest value; no
// line across a time where nothing was recorded. The wheel zooms around the
// pointer, dragging pans, a double click asks for the preset again; the
// pointer's time and the values there are shown.
class HistoryPlot : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPlot(QWidget* parent = nullptr);

    void setData(HistoryColumns data, std::vector<HistoryCurve> curves);
    // The range asked for changed by the user (zoom, pan).
    std::function<void(int64_t fromMs, int64_t toMs)> rangeChanged;
    std::function<void()> presetAsked;
    // The values at a time, for the readout: one text per shown curve.
    std::function<QString(int64_t timeMs)> readout;

    int64_t fromMs() const { return from_; }
    int64_t toMs() const { return to_; }
    void setRange(int64_t fromMs, int64_t toMs);
    // The plot's drawing area and the time at a pixel column of it.
    QRect area() const;
    int64_t timeAt(int x) const;
    int columnsWanted() const { return std::max(1, area().width()); }
    const QString& readoutText() const { return readoutText_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent*) override;

private:
    // The least and greatest value shown (infinite when none), and the axis made of them.
    std::pair<double, double> valueBounds() const;
    bool hasValues() const;
    std::pair<double, double> valueRange() const;

    HistoryColumns data_;
    std::vector<HistoryCurve> curves_;
    int64_t from_ = 0, to_ = 1;
    std::optional<QPoint> dragFrom_;
    int64_t dragFromMs_ = 0, dragToMs_ = 0;
    int cursorX_ = -1;
    QString readoutText_;
};

} // namespace vs
