#pragma once
#include "plot/plot_model.h"
#include "plot/plot_picture.h"
#include "plot/plot_renderer.h"
#include "plot/plot_text_box.h"

#include <QObject>

#include <functional>
#include <optional>

namespace vs {

// The plot as the window shows it: the picture, the drawing with its
// overlays, the status text box and the notes.
class PlotView : public QObject {
    Q_OBJECT
public:
    PlotView(PlotRecord& plot, PlotSettings& settings, QWidget* pictureParent);

    PlotPicture* picture() { return picture_; }
    PlotRecord& plot() { return plot_; }
    PlotSettings& settings() { return settings_; }
    PlotTextBox& textBox() { return textBox_; }
    const PlotGeometry& geometry() const { return geometry_; }
    QFont plotFont() const;

    // Overlays drawn after every redraw, in this order after the text box.
    std::function<void(QImage&)> actOnFlags;
    std::function<void(QImage&)> actOnCursor;

    // Rescale and redraw (after new samples or settings).
    void replot();
    // Redraw without rescaling (after a resize).
    void redraw();
    // Empties the sample store and redraws.
    void setupStore();
    // Status lines over the plot; a form feed clears them.
    void WinPrint(const QString& text);
    // A note box in the given row, drawn straight onto the picture.
    void WinNote(const QString& text, long number, int row);
    // The plot drawn afresh for a snapshot or the clipboard, at the size
    // shown or the one given.
    QImage drawForOutput(QSize size = {});

    Rgb noteColour = rgb(255, 224, 224);

    // Looking back without stopping: the wheel zooms the time around the
    // pointer, dragging a zoomed view pans it within the record, a double
    // click (or follow()) shows the whole record again and follows it.
    bool following() const { return settings_.View.following(); }
    void follow();
    void zoomAt(double x, int angle);
    void panBy(double pixels);
    // New samples: a zoomed view keeps showing the samples it showed.
    void samplesAdded();
    // The curve whose legend entry is at a point of the picture.
    std::optional<int> legendCurveAt(QPointF at) const;
    // A left press the view takes for itself (the legend, or dragging a
    // zoomed view without Shift) rather than for the cursor.
    bool takesPress(QPointF at) const;
    // A click on a legend entry.
    std::function<void(int curve)> legendClicked;

private:
    PlotOverlays overlays();
    double positionAt(double x) const;

    PlotRecord& plot_;
    PlotSettings& settings_;
    PlotPicture* picture_;
    PlotTextBox textBox_;
    PlotGeometry geometry_;
    std::optional<double> dragFrom_;
    int dragFirst_ = 0;
};

} // namespace vs
