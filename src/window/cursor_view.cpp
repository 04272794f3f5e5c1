#include "window/cursor_view.h"

#include "window/plot_view.h"
#include "plot/plot_cursor.h"
#include "stick/stick_link.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace vs {

CursorView::CursorView(PlotView& view, StickLink& link) : view_(view), link_(link)
{
    label_ = new QLabel(view.picture());
    label_->setObjectName("LblChData");
    label_->setStyleSheet("background: white; border: 1px solid black; padding: 4px;");
    label_->hide();
    connect(view.picture(), &PlotPicture::mousePressed, this, [this](Qt::MouseButton b, QPointF at) {
        if (b == Qt::LeftButton)
            press(at);
    });
    connect(view.picture(), &PlotPicture::mouseMoved, this, [this](QPointF at) { move(at); });
    connect(view.picture(), &PlotPicture::mouseReleased, this, [this](Qt::MouseButton b, QPointF) {
        if (b == Qt::LeftButton)
            release();
    });
    view.actOnCursor = [this](QImage& image) { ActOnCursor(image); };
}

void CursorView::press(QPointF at)
{
    if (link_.SticksConnected < 1 || view_.takesPress(at))
        return;
    view_.textBox().TextVisible = false;
    drawing_ = true;
    at_ = at;
    label_->show();
    view_.picture()->setCursor(Qt::BlankCursor);
    toggle();
}

void CursorView::move(QPointF at)
{
    if (!drawing_)
        return;
    toggle(); // off at the old place
    at_ = at;
    toggle();
}

void CursorView::release()
{
    toggle();
    if (drawing_)
        view_.picture()->unsetCursor();
    drawing_ = false;
    label_->hide();
}

void CursorView::toggle()
{
    ActOnCursor(view_.picture()->image());
    view_.picture()->showImage();
}

void CursorView::ActOnCursor(QImage& image)
{
    if (!drawing_ || link_.SticksConnected < 1)
        return;
    const PlotGeometry& g = view_.geometry();
    const auto spot = cursorSpot(g, view_.plot(), view_.settings().PlotScroll, at_.x());
    if (!spot)
        return;
    invertLine(image, spot->x, g.Graph_LastZeroLine, g.Graph_LastYmax);
    const std::vector<std::string> lines = cursorReadout(view_.plot(), link_, spot->slot);
    QString text;
    for (const std::string& l : lines)
        text += QString::fromStdString(l) + "\r\n";
    label_->setFont(view_.plotFont());
    label_->setText(text.trimmed());
    const QFontMetrics fm(label_->font());
    int widest = 0;
    for (const std::string& l : lines)
        widest = std::max(widest, fm.horizontalAdvance(QString::fromStdString(l)));
    const QSize size(widest + 10 + 10, fm.height() * static_cast<int>(lines.size()) + 10 + 10);
    label_->resize(size);
    label_->move(readoutPlace(at_.x(), at_.y(), size, view_.picture()->size()));
    label_->setVisible(true);
}

} // namespace vs
