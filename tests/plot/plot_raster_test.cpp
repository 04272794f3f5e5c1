#include "plot/plot_raster.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Random curves over many more positions than pixel columns, with the colour
// change from full to pale inside a column: both ways must give one image.
TEST(CurveDrawing, DecimatedEqualsEverySegment)
{
    std::mt19937 rng(7);
    for (int width : {50, 333, 800}) {
        for (int pen : {1, 2, 3, 5}) {
            for (int positions : {40, 1000, 20000}) {
                SCOPED_TRACE(std::to_string(width) + "px, pen " + std::to_string(pen) + ", " +
                             std::to_string(positions) + " positions");
                vs::CurvePath path;
                path.penWidth = pen;
                path.colour = qRgb(200, 0, 0);
                path.paleColour = qRgb(200, 128, 128);
                path.startX = 10;
                path.startY = static_cast<int>(rng() % 200);
                const int change = static_cast<int>(rng() % static_cast<unsigned>(positions));
                int y = 100;
                for (int s = 0; s < positions; ++s) {
                    path.x.push_back(static_cast<int>(std::nearbyint(10 + s * static_cast<double>(width - 20) / positions)));
                    y = std::clamp(y + static_cast<int>(rng() % 41) - 20, -10, 210);
                    path.y.push_back(y);
                    path.pale.push_back(s >= change ? 1 : 0);
                }
                QImage a(width, 200, QImage::Format_RGB32);
                QImage b(width, 200, QImage::Format_RGB32);
                a.fill(Qt::white);
                b.fill(Qt::white);
                vs::Raster ra(a), rb(b);
                vs::drawCurveEverySegment(ra, path);
                vs::drawCurveDecimated(rb, path);
                ASSERT_EQ(a, b);
            }
        }
    }
}

TEST(CurveDrawing, LinesIncludeBothEndsAndClipToTheImageAndTheLogRampRounds)
{
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    vs::Raster r(img);
    r.line(-5, 3, 30, 3, 1, qRgb(0, 0, 0));
    r.line(2, 5, 8, 8, 1, qRgb(0, 0, 255));
    EXPECT_EQ(img.pixelColor(0, 3), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(19, 3), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(2, 5), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(8, 8), QColor(0, 0, 255));
    r.fillRect(15, 15, 40, 40, qRgb(0, 255, 0));
    EXPECT_EQ(img.pixelColor(19, 19), QColor(0, 255, 0));

    // The gradient's logarithmic ramp.
    for (const auto& [share, level] : std::initializer_list<std::pair<double, int>>{
             {0.0, 0}, {1.0, 255}, {0.5, 223}, {0.25, 191}, {0.1, 149}, {1.0 / 255, 0}, {0.001, 0}})
        EXPECT_EQ(vs::plot_LogRamp(share), level) << share;
}

} // namespace
