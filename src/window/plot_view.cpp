#include "window/plot_view.h"

#include "plot/plot_text.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace vs {

PlotView::PlotView(PlotRecord& plot, PlotSettings& settings, QWidget* pictureParent)
    : QObject(pictureParent), plot_(plot), settings_(settings), picture_(new PlotPicture(pictureParent))
{
    textBox_.Winprint_init();
}

QFont PlotView::plotFont() const
{
    return fontFor(settings_.FontSet[0]);
}

PlotOverlays PlotView::overlays()
{
    PlotOverlays o;
    o.WinPrint_Replot = [this](QImage& image) { textBox_.WinPrint_Replot(image, plotFont()); };
    o.ActOnFlags = actOnFlags;
    o.ActOnCursor = actOnCursor;
    return o;
}

void PlotView::replot()
{
    picture_->matchImageToSize();
    plot_Replot(plot_, settings_, picture_->image(), geometry_, overlays());
    picture_->showImage();
}

void PlotView::redraw()
{
    picture_->matchImageToSize();
    plot_Draw(plot_, settings_, picture_->image(), geometry_);
    const PlotOverlays o = overlays();
    o.WinPrint_Replot(picture_->image());
    if (o.ActOnFlags)
        o.ActOnFlags(picture_->image());
    if (o.ActOnCursor)
        o.ActOnCursor(picture_->image());
    picture_->showImage();
}

void PlotView::setupStore()
{
    plot_SetupStore(plot_);
    replot();
}

void PlotView::WinPrint(const QString& text)
{
    if (textBox_.WinPrint(text)) {
        redraw(); // the box was cleared: the plot without it
        return;
    }
    picture_->matchImageToSize();
    textBox_.WinPrint_Replot(picture_->image(), plotFont());
    picture_->repaint();
    // Long operations print as they go: let the window show it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void PlotView::WinNote(const QString& text, long number, int row)
{
    const QString t = number != 0 ? text + "=" + QString::number(number) : text;
    QPainter p(&picture_->image());
    p.setFont(plotFont());
    const QFontMetrics fm = p.fontMetrics();
    const int h = static_cast<int>(std::lround(fm.height() / 2.0));
    const int w = fm.horizontalAdvance(t);
    const int y = (2 * h + 5) * (row + 1);
    const QRect box(QPoint(10, y - h), QPoint(w + 20, y + h));
    p.fillRect(box, toQColor(noteColour));
    p.setPen(Qt::black);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    drawTextAt(p, 17, y - h, t);
    picture_->showImage();
}

QImage PlotView::drawForOutput()
{
    picture_->matchImageToSize();
    PlotGeometry g;
    QImage image = makePlotImage(picture_->width(), picture_->height());
    plot_Draw(plot_, settings_, image, g);
    return image;
}

} // namespace vs
