#pragma once
#include <QObject>
#include <QPointF>

class QImage;
class QLabel;

namespace vs {

class PlotView;
class StickLink;

// The plot's cursor: while the left button is held over the plot, an
// inverted vertical line at the nearest sample and a box with the values of
// every shown curve there; the pointer is hidden meanwhile.
class CursorView : public QObject {
    Q_OBJECT
public:
    CursorView(PlotView& view, StickLink& link);

    bool drawing() const { return drawing_; }
    QLabel* readout() const { return label_; }
    void press(QPointF at);
    void move(QPointF at);
    void release();
    // Draws the line and fills the box for the current position (after every redraw, too).
    void ActOnCursor(QImage& image);

private:
    void toggle();

    PlotView& view_;
    StickLink& link_;
    QLabel* label_;
    bool drawing_ = false;
    QPointF at_;
};

} // namespace vs
