#include "plot/plot_picture.h"

#include "plot/plot_renderer.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace vs {

PlotPicture::PlotPicture(QWidget* parent) : QWidget(parent), image_(makePlotImage(1, 1))
{
    setObjectName("PicData");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

void PlotPicture::matchImageToSize()
{
    if (image_.size() != size())
        image_ = makePlotImage(width(), height());
}

void PlotPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void PlotPicture::mousePressEvent(QMouseEvent* e)
{
    emit mousePressed(e->button(), e->position());
}

void PlotPicture::mouseMoveEvent(QMouseEvent* e)
{
    emit mouseMoved(e->position());
}

void PlotPicture::mouseReleaseEvent(QMouseEvent* e)
{
    emit mouseReleased(e->button(), e->position());
}

void PlotPicture::mouseDoubleClickEvent(QMouseEvent* e)
{
    emit doubleClicked(e->position());
}

void PlotPicture::wheelEvent(QWheelEvent* e)
{
    emit wheeled(e->angleDelta().y(), e->position());
    e->accept();
}

std::optional<QSize> plotAreaForWindow(QSize window, double dpi, bool menuShown, bool minimised)
{
    if (minimised || dpi <= 0)
        return std::nullopt;
    const double twips = 1440.0 / dpi; // per pixel
    const double w = window.width() * twips;
    const double h = window.height() * twips;
    if (w < 1000 || h < 1000)
        return std::nullopt;
    const double pw = (w - 100) / twips;
    const double ph = (h - (menuShown ? 800 : 400)) / twips;
    return QSize(std::max(1, static_cast<int>(std::lround(pw))), std::max(1, static_cast<int>(std::lround(ph))));
}

} // namespace vs
