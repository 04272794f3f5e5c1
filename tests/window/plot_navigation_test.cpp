// The live plot looked back at while sampling goes on: the wheel zooms, a
// drag pans, a double click or Escape follows again; the legend toggles curves.
#include "core/sampling_loop.h"
#include "plot/plot_picture.h"
#include "settings/key_table.h"
#include "window/plot_view.h"
#include "window_fixture.h"

#include <QApplication>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

struct Navigation : vstest::WindowFixture {
    void SetUp() override
    {
        TempConfig::SetUp();
        bus.plug({5, 9});
        startWindow();
        window->show();
        passes(120);
    }
    void passes(int n)
    {
        for (int i = 0; i < n; ++i) {
            window->core().sampling().Timer1x_Timer();
            clock.advanceMs(1000);
        }
    }
    vs::PlotPicture* picture() { return window->plotView().picture(); }
    double shownSpan() const { return (picture_width() - margins()) / window->plotView().geometry().Graph_LastXscale; }
    int picture_width() const { return window->plotView().picture()->width(); }
    int margins() const
    {
        const vs::PlotGeometry& g = window->plotView().geometry();
        return g.MarginLeft + g.MarginRight;
    }
    void wheel(int notches, QPointF at)
    {
        QWheelEvent e(at, picture()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(picture(), &e);
    }
    void mouse(QEvent::Type type, QPointF at)
    {
        QMouseEvent e(type, at, picture()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(picture(), &e);
    }
};

TEST_F(Navigation, TheWheelHalvesTheSpanSamplingGoesOnAndADoubleClickOrEscapeFollowsAgain)
{
    const double whole = shownSpan();
    EXPECT_NEAR(whole, plot.RecordLength, 1);
    const QPointF middle(picture()->width() / 2.0, picture()->height() / 2.0);
    wheel(3, middle); // 0.8^3 of the samples
    EXPECT_FALSE(window->plotView().following());
    EXPECT_NEAR(shownSpan(), whole * 0.512, 2);

    // Sampling goes on while the view is held: the same samples stay in view.
    const int first = plotSettings.View.first;
    const int written = plot.WriteIndex;
    passes(5);
    EXPECT_EQ((plot.WriteIndex - written + plot.RecordLength) % plot.RecordLength, 5);
    EXPECT_EQ(plotSettings.View.first, first - 5);

    // A drag to the right looks further back.
    mouse(QEvent::MouseButtonPress, middle);
    mouse(QEvent::MouseMove, middle + QPointF(100, 0));
    mouse(QEvent::MouseButtonRelease, middle + QPointF(100, 0));
    EXPECT_LT(plotSettings.View.first, first - 5);

    mouse(QEvent::MouseButtonDblClick, middle);
    EXPECT_TRUE(window->plotView().following());
    EXPECT_NEAR(shownSpan(), whole, 1);
    wheel(2, middle);
    vstest::press(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->plotView().following());
}

TEST_F(Navigation, AClickOnALegendEntryTogglesItsCurveAndStoresIt)
{
    plot.CurveEnabled[1] = true;
    window->plotView().replot();
    const auto& legend = window->plotView().geometry().Legend;
    ASSERT_EQ(static_cast<int>(legend.size()), plot.nCurves);
    const vs::LegendSpot spot = legend[2];
    const QPointF on(spot.x + spot.width / 2.0, spot.y + spot.height / 2.0);
    mouse(QEvent::MouseButtonPress, on);
    mouse(QEvent::MouseButtonRelease, on);
    EXPECT_TRUE(plot.CurveEnabled[2]);
    EXPECT_EQ(settings->text(vs::keys::ChEnable, 2), "1");
    mouse(QEvent::MouseButtonPress, on);
    EXPECT_FALSE(plot.CurveEnabled[2]) << "a second click hides it again";
    EXPECT_EQ(settings->text(vs::keys::ChEnable, 2), "0");
}

} // namespace
