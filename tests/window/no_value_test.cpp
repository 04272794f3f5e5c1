// A stick that gives no values is shown as giving none: a gap in the curve,
// "-" in the cursor's readout and the tooltip, the air state "no data".
#include "core/monitor_core.h"
#include "core/sampling_loop.h"
#include "plot/plot_renderer.h"
#include "plot/plot_text.h"
#include "stick/sim_stick.h"
#include "window/air_state_window.h"
#include "window/cursor_view.h"
#include "window/plot_view.h"
#include "window/tray_icon.h"
#include "window_fixture.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

struct NoValues : vstest::WindowFixture {
    std::shared_ptr<vs::SimulatedStick> stick;
    void SetUp() override
    {
        TempConfig::SetUp();
        qputenv("VENTISCOPE_DATA_DIR", VENTISCOPE_DATA_SOURCE);
        stick = bus.plug({5, 9});
        startWindow();
        window->show();
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        qunsetenv("VENTISCOPE_DATA_DIR");
    }
    void passes(int n, bool answering)
    {
        stick->loseEvery(answering ? 0 : 1); // every report of its replies lost, or none
        for (int i = 0; i < n; ++i) {
            window->core().sampling().Timer1x_Timer();
            clock.advanceMs(1000);
        }
    }
};

TEST_F(NoValues, AStickThatDoesNotAnswerLeavesAGapAndADashAndNoData)
{
    passes(1, false);
    EXPECT_EQ(window->airState().pictureFile(), "airstate_null.bmp") << "nothing is known yet";
    EXPECT_EQ(window->tray().tip(), "CO2eq=-");
    EXPECT_EQ(window->plotView().picture()->accessibleDescription(), "Current values: CO2eq=-");
    passes(30, true);
    passes(20, false);
    passes(30, true);
    EXPECT_NE(window->airState().pictureFile(), "airstate_null.bmp") << "values again: the air is known";
    window->plotView().replot();

    // The curve's pixels in the columns of the missing samples: none.
    const QImage image = window->plotView().picture()->image();
    const vs::PlotGeometry& g = window->plotView().geometry();
    const QColor curve = vs::toQColor(plot.CurveColor[0]);
    const auto hasCurve = [&](int slot) {
        const int x = static_cast<int>(std::lround(slot * g.Graph_LastXscale + g.MarginLeft));
        for (int y = g.MarginTop; y < image.height() - g.MarginBottom; ++y)
            if (image.pixelColor(x, y) == curve)
                return true;
        return false;
    };
    // The plot scrolls: slot i of the ring is at position (i - WriteIndex).
    const auto positionOf = [&](int sample) { return (sample - plot.WriteIndex + plot.RecordLength) % plot.RecordLength; };
    EXPECT_TRUE(hasCurve(positionOf(15)));
    EXPECT_FALSE(hasCurve(positionOf(40))) << "a gap where the stick gave nothing";
    EXPECT_TRUE(hasCurve(positionOf(65)));
    EXPECT_EQ(plot.at(40, 0), vs::kNoValue);

    // The cursor over the gap reads "-".
    window->cursor().press(QPointF(positionOf(40) * g.Graph_LastXscale + g.MarginLeft, 100));
    EXPECT_EQ(window->cursor().readout()->text(), "-");
    window->cursor().release();
    vstest::keepPicture(*window, "gap.png");
}

} // namespace
