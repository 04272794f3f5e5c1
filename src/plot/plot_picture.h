#pragma once
#include <QImage>
#include <QWidget>

#include <optional>

namespace vs {

// The plot picture: shows the plot image and keeps it between repaints.
class PlotPicture : public QWidget {
    Q_OBJECT
public:
    explicit PlotPicture(QWidget* parent = nullptr);

    QImage& image() { return image_; }
    // Makes the image the widget's size (content is redrawn by the caller).
    void matchImageToSize();
    void showImage() { update(); }

signals:
    void mousePressed(Qt::MouseButton button, QPointF position);
    void mouseMoved(QPointF position);
    void mouseReleased(Qt::MouseButton button, QPointF position);
    void doubleClicked(QPointF position);
    // Wheel steps (120 a notch; up is positive) at a position.
    void wheeled(int angle, QPointF position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QImage image_;
};

// The plot picture's size for a main window of the given size (pixels): the
// window less 100 twips in width and 800 twips in height (400 without a menu
// bar). No size while minimised or smaller than 1000 twips either way.
std::optional<QSize> plotAreaForWindow(QSize window, double dotsPerInch, bool menuShown, bool minimised);

} // namespace vs
