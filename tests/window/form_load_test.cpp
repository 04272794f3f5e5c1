#include "window/air_state_window.h"
#include "window/main_window.h"
#include "dialogs/plot_settings_dialog.h"
#include "window/plot_view.h"
#include "core/sampling_loop.h"
#include "window/window_geometry.h"
#include "script_prompts.h"
#include "settings/settings.h"
#include "stick/device_change.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/sim_stick.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "wait_for.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QTest>
#include <QCoreApplication>
#include <QMenu>
#include <QScreen>

#include <gtest/gtest.h>

#include <utility>

namespace {

// A program start with its own settings, simulated sticks and scripted answers.
struct StartFixture : vstest::WindowFixture {
    void start(const std::string& commandLine = "", bool expectRunning = true)
    {
        startWindow(commandLine, expectRunning);
    }
};

TEST_F(StartFixture, SticksAreFoundConfiguredPlottedAndSampled)
{
    bus.plug({5, 9});
    bus.plug({1, 33});
    start();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(window->testAttribute(Qt::WA_Moved)) << "at the first start the window manager places the window";
    ASSERT_EQ(link.SlotsReserved, 2);
    EXPECT_EQ(link.slot(0)->nChannels, 5);
    EXPECT_EQ(link.slot(1)->nChannels, 5);
    EXPECT_EQ(plot.nCurves, 10);
    EXPECT_EQ(plot.CurveLabel[5], "1:0");
    EXPECT_TRUE(plot.CurveEnabled[0]);
    EXPECT_FALSE(plot.CurveEnabled[1]); // only curve 0 until the user enables more
    EXPECT_EQ(plot.WarnLevels, (std::vector<double>{1000, 1500}));
    EXPECT_TRUE(window->core().sampling().running());
    EXPECT_EQ(window->pauseAction()->text(), "&Pause");
    EXPECT_TRUE(window->downloadFlashAction()->isVisible() || !window->isVisible());
    EXPECT_FALSE(window->topMenu(3)->menuAction()->isVisible());
    EXPECT_TRUE(window->topMenu(0)->menuAction()->isVisible());

    window->core().sampling().Timer1x_Timer();
    window->core().sampling().Timer1x_Timer();
    EXPECT_EQ(plot.WriteIndex, 2);
    EXPECT_GT(plot.at(0, 0), 45000);
    EXPECT_FALSE(plot.FooterText.empty());

    window->mPauseStart_Click();
    EXPECT_FALSE(window->core().sampling().running());
    EXPECT_EQ(window->pauseAction()->text(), "&Start");
}

// Without a stick: the emulation question, or the waiting text (the
// settings' own, escaped when it is not printable) when it is refused or
// switched off.
struct NoStick {
    const char* name;
    const char* ini;
    bool answer, asked;
    int emulated;
    const char* text; // the start of what the plot says
};

struct WithoutAStick : StartFixture, ::testing::WithParamInterface<NoStick> {};

TEST_P(WithoutAStick, EmulationIsOfferedOrTheWaitingTextShown)
{
    const NoStick& c = GetParam();
    ASSERT_TRUE(vstest::writeFile(ini(), c.ini));
    prompts.answers = {c.answer};
    start();
    EXPECT_EQ(prompts.shown, c.asked ? std::vector<std::string>{"No NYM stick found. Emulate?"} : std::vector<std::string>{});
    ASSERT_EQ(link.SlotsReserved, c.emulated);
    EXPECT_EQ(window->core().sampling().running(), c.emulated > 0);
    EXPECT_EQ(window->menuBarShown(), !QByteArray(c.ini).contains("MenuVisible0=0"));
    if (c.emulated) {
        EXPECT_EQ(prompts.icons.back(), vs::Prompts::Icon::Critical);
        EXPECT_EQ(link.slot(1)->Interface, "EMU");
        EXPECT_EQ(plot.nCurves, 10);
        return;
    }
    const vs::PlotTextBox& box = window->plotView().textBox();
    EXPECT_TRUE(box.TextBuffer.startsWith(c.text)) << box.TextBuffer.toStdString();
    EXPECT_TRUE(box.TextVisible);
    EXPECT_EQ(box.gbWinMessage_TimesToPlot, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, WithoutAStick,
    ::testing::Values(NoStick{"Emulated", "", true, true, 2, ""},
                      NoStick{"Refused", "", false, true, 0, "No sensors found\n"},
                      NoStick{"SwitchedOff", "[HIDsettings]\nDisableEmulation=True\nWaitingForStickString=Stick fehlt: \xc3\xa9\n"
                              "StartOnLoad=0\nMenuVisible0=0\nMenuVisible1=0\nMenuVisible2=0\nMenuVisible4=0\n",
                              true, false, 0, "\\x53\\x00\\x74\\x00"}),
    [](const ::testing::TestParamInfo<NoStick>& info) { return std::string(info.param.name); });

TEST_F(StartFixture, GeometryIsKeptOnScreenAndLargeEnough)
{
    ASSERT_TRUE(vstest::writeFile(ini(), "[HIDsettings]\nMainGraphLeft=-200\nMainGraphTop=300\nMainGraphWidth=5000\nMainGraphHeight=3000\n"));
    prompts.answers = {false};
    start();
    const double dpi = window->screen()->logicalDotsPerInch();
    EXPECT_NEAR(vs::pixelsToTwips(window->width(), dpi), 8000, 20);
    EXPECT_NEAR(vs::pixelsToTwips(window->height(), dpi), 4000, 20);
    EXPECT_EQ(window->x(), 0);
    EXPECT_TRUE(window->testAttribute(Qt::WA_Moved)) << "a stored place wins";

    // Shut-down stores the geometry.
    window->core().shutdown();
    vs::SettingsStore reread;
    EXPECT_NEAR(vs::Settings(reread).number(vs::keys::MainGraphWidth), 8000, 20);
}

TEST_F(StartFixture, TheMenusStayReachableAndPlacesAreKeptAcrossStarts)
{
    qputenv("VENTISCOPE_DATA_DIR", VENTISCOPE_DATA_SOURCE);
    // A main window as wide as the screen: the air state window cannot go
    // beside its menu bar, only below it.
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    ASSERT_TRUE(vstest::writeFile(ini(), QString("[HIDsettings]\nMainGraphLeft=0\nMainGraphTop=0\nMainGraphWidth=%1\nMainGraphHeight=9000\n")
                                             .arg(vs::pixelsToTwips(avail.width(), dpi))
                                             .toUtf8()));
    bus.plug({5, 9});
    start();
    vs::AirStateWindow& light = window->airState();
    ASSERT_TRUE(light.isVisible());
    const QRect bar(window->menuBar()->mapToGlobal(QPoint(0, 0)), window->menuBar()->size());
    EXPECT_FALSE(light.frameGeometry().intersects(bar));
    EXPECT_EQ(light.frameGeometry().right(), avail.right()) << "at the right edge";

    // Alt+F opens File.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), window->topMenu(0));
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();

    // "Settings - Plot" opens centred over the window the first time too.
    window->mSettings_Click(1);
    QWidget& dialog = window->plotSettingsDialog();
    EXPECT_LE((dialog.frameGeometry().center() - window->frameGeometry().center()).manhattanLength(), 4);
    EXPECT_TRUE(avail.contains(dialog.frameGeometry()));

    // Maximised at exit comes back maximised; the air state window keeps its place.
    light.move(avail.left() + 50, avail.top() + 200);
    window->showMaximized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->isMaximized());
    window.reset();
    start();
    EXPECT_TRUE(window->isMaximized());
    EXPECT_LE(window->frameGeometry().height(), avail.height());
    EXPECT_EQ(window->airState().pos(), QPoint(avail.left() + 50, avail.top() + 200));
    qunsetenv("VENTISCOPE_DATA_DIR");
}

} // namespace
