#pragma once
#include "plot/plot_model.h"
#include "plot/plot_picture.h"
#include "plot/plot_renderer.h"
#include "plot/plot_text_box.h"

#include <QObject>

#include <functional>

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
    // The plot drawn afresh for a snapshot or the clipboard.
    QImage drawForOutput();

    Rgb noteColour = rgb(255, 224, 224);

private:
    PlotOverlays overlays();

    PlotRecord& plot_;
    PlotSettings& settings_;
    PlotPicture* picture_;
    PlotTextBox textBox_;
    PlotGeometry geometry_;
};

} // namespace vs
