#include "window/fade_in.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include <cmath>

namespace vs {

int fadeStep(double windowArea, double screenArea)
{
    const double step = screenArea > 0 ? windowArea / screenArea * 255 / 8 : 255;
    if (step > 255)
        return 255;
    if (step >= 8)
        return static_cast<int>(std::lround(step));
    return 1;
}

std::vector<int> fadeOpacities(int step)
{
    std::vector<int> out;
    for (int alpha = 0; alpha <= 254; alpha += std::max(step, 1))
        out.push_back(alpha);
    return out;
}

void Transparency_FadeIn(QWidget& window)
{
    // Platforms that draw nowhere cannot fade.
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal") {
        window.setWindowOpacity(1.0);
        return;
    }
    const QScreen* screen = window.screen();
    const QSize s = screen ? screen->size() : window.size();
    const std::vector<int> alphas =
        fadeOpacities(fadeStep(double(window.width()) * window.height(), double(s.width()) * s.height()));
    QElapsedTimer timer;
    timer.start();
    // Paced so that the fade can be seen, and never longer than 1.5 s.
    const int pause = std::max(1, 1000 / std::max<int>(1, static_cast<int>(alphas.size())));
    for (const int alpha : alphas) {
        window.setWindowOpacity(alpha / 255.0);
        QCoreApplication::processEvents();
        if (timer.elapsed() > 1500)
            break;
        QThread::msleep(static_cast<unsigned long>(pause));
    }
    window.setWindowOpacity(1.0);
}

} // namespace vs
