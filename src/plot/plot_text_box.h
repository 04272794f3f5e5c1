#pragma once
#include "plot/plot_model.h"

#include <QFont>
#include <QImage>
#include <QString>

namespace vs {

// The box of status lines centred over the plot. Lines end with LF; a form
// feed clears the box. A countdown hides it after a number of redraws.
class PlotTextBox {
public:
    QString TextBuffer;
    bool TextVisible = false;
    int gbWinMessage_TimesToPlot = 0;
    Rgb TextBoxFill = rgb(250, 250, 250);
    Rgb TextBoxBorder = rgb(0, 0, 30);
    Rgb TextColour = rgb(20, 20, 20);

    void Winprint_init();
    // Adds text. True when the caller must redraw the plot itself (a form
    // feed cleared the box); false when the box only needs drawing again.
    bool WinPrint(const QString& text);
    // Draws the box onto the picture (or counts down and hides it).
    void WinPrint_Replot(QImage& image, const QFont& font);
};

} // namespace vs
