#include "window/plot_view.h"

#include "plot/plot_span.h"
#include "plot/plot_text.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>

namespace vs {

PlotView::PlotView(PlotRecord& plot, PlotSettings& settings, QWidget* pictureParent)
    : QObject(pictureParent), plot_(plot), settings_(settings), picture_(new PlotPicture(pictureParent))
{
    textBox_.Winprint_init();
    connect(picture_, &PlotPicture::wheeled, this, [this](int angle, QPointF at) { zoomAt(at.x(), angle); });
    connect(picture_, &PlotPicture::doubleClicked, this, [this] { follow(); });
    connect(picture_, &PlotPicture::mousePressed, this, [this](Qt::MouseButton b, QPointF at) {
        if (b != Qt::LeftButton || !takesPress(at))
            return;
        if (const auto curve = legendCurveAt(at)) {
            if (legendClicked)
                legendClicked(*curve);
            return;
        }
        dragFrom_ = at.x();
        dragFirst_ = settings_.View.first;
        picture_->setCursor(Qt::ClosedHandCursor);
    });
    connect(picture_, &PlotPicture::mouseMoved, this, [this](QPointF at) {
        if (!dragFrom_ || following() || geometry_.Graph_LastXscale <= 0)
            return;
        PlotSpan from = settings_.View;
        from.first = dragFirst_;
        settings_.View = panSpan(from, plot_.RecordLength,
                                 static_cast<int>(std::lround((*dragFrom_ - at.x()) / geometry_.Graph_LastXscale)));
        redraw();
    });
    connect(picture_, &PlotPicture::mouseReleased, this, [this](Qt::MouseButton b, QPointF) {
        if (b != Qt::LeftButton || !dragFrom_)
            return;
        dragFrom_.reset();
        picture_->unsetCursor();
    });
}

double PlotView::positionAt(double x) const
{
    return geometry_.Graph_LastXscale > 0 ? (x - geometry_.Graph_LastMarginL) / geometry_.Graph_LastXscale : 0;
}

void PlotView::follow()
{
    if (following())
        return;
    settings_.View = {};
    replot();
}

void PlotView::zoomAt(double x, int angle)
{
    if (angle == 0 || !plot_.hasStore())
        return;
    // Each notch up shows 0.8 times as many samples; down 1.25 times.
    const double factor = std::pow(0.8, angle / 120.0);
    settings_.View = zoomSpan(settings_.View, plot_.RecordLength, positionAt(x), factor);
    replot();
}

void PlotView::panBy(double pixels)
{
    if (geometry_.Graph_LastXscale <= 0)
        return;
    settings_.View = panSpan(settings_.View, plot_.RecordLength,
                             static_cast<int>(std::lround(pixels / geometry_.Graph_LastXscale)));
    redraw();
}

void PlotView::samplesAdded()
{
    settings_.View = spanAfterSamples(settings_.View, plot_.RecordLength, settings_.PlotScroll, 1);
}

std::optional<int> PlotView::legendCurveAt(QPointF at) const
{
    for (const LegendSpot& e : geometry_.Legend)
        if (QRect(e.x, e.y, e.width, e.height).contains(at.toPoint()))
            return e.curve;
    return std::nullopt;
}

bool PlotView::takesPress(QPointF at) const
{
    if (legendCurveAt(at))
        return true;
    return !following() && !(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
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

QImage PlotView::drawForOutput(QSize size)
{
    picture_->matchImageToSize();
    PlotGeometry g;
    if (!size.isValid())
        size = picture_->size();
    QImage image = makePlotImage(size.width(), size.height());
    plot_Draw(plot_, settings_, image, g);
    return image;
}

} // namespace vs
