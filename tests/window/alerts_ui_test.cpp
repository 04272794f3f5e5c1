#include "window/air_state_window.h"
#include "window/logos.h"
#include "settings/settings.h"
#include "window/quick_buttons.h"
#include "window/sound.h"
#include "window/tray_icon.h"
#include "window/window_geometry.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QMenu>
#include <QTemporaryDir>

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

TEST(Tone, HasTheAskedFrequencyAndDuration)
{
    for (const auto& [hz, ms] : {std::pair{1000, 70}, std::pair{2000, 200}, std::pair{440, 500}}) {
        const QByteArray samples = vs::makeTone(hz, ms, 44100);
        const auto* s = reinterpret_cast<const int16_t*>(samples.constData());
        const int n = static_cast<int>(samples.size() / 2);
        EXPECT_EQ(n, 44100 * ms / 1000);
        int crossings = 0;
        for (int i = 1; i < n; ++i)
            crossings += (s[i - 1] < 0) != (s[i] < 0);
        // Two zero crossings per period.
        EXPECT_NEAR(crossings / 2.0 / (ms / 1000.0), hz, hz * 0.02) << hz << " Hz";
    }
}

TEST(QuickButtonSettings, PictureAndOrCaption)
{
    const auto caption = vs::parseQuickButton(",Snap");
    EXPECT_TRUE(caption.configured);
    EXPECT_EQ(caption.caption, "Snap");
    EXPECT_TRUE(caption.picture.isEmpty());
    const auto picture = vs::parseQuickButton("cam.bmp");
    EXPECT_EQ(picture.picture, "cam.bmp");
    EXPECT_TRUE(picture.caption.isEmpty());
    const auto both = vs::parseQuickButton("cam.bmp,Snap");
    EXPECT_EQ(both.picture, "cam.bmp");
    EXPECT_EQ(both.caption, "Snap");
    EXPECT_FALSE(vs::parseQuickButton("").configured);
}

TEST(Tray, ABalloonTimeOutRetiresEveryBalloon)
{
    vs::TrayIcon tray;
    tray.ToolbarIcon_Register(QIcon(), "Ventiscope");
    EXPECT_EQ(tray.tip(), "Ventiscope");
    tray.ToolbarIcon_Balloon("a", "Ventiscope", 10000);
    tray.ToolbarIcon_Balloon("b", "Ventiscope", 10000);
    EXPECT_EQ(tray.balloonCount(), 2);
    tray.balloonTimedOut();
    EXPECT_EQ(tray.balloonCount(), 0);
    tray.ToolbarIcon_BalloonDone();
    EXPECT_EQ(tray.balloonCount(), 0);
    int exits = 0;
    tray.exitProgram = [&] { ++exits; };
    ASSERT_EQ(tray.menu()->actions().size(), 2);
    EXPECT_EQ(tray.menu()->actions()[0]->text(), "Settings...");
    tray.menu()->actions()[1]->trigger();
    EXPECT_EQ(exits, 1);
}

TEST(AirState, StatesPicturesAndRepeatsAndNoneWithoutItsPictures)
{
    vs::AirStateWindow window(QString(VENTISCOPE_DATA_SOURCE));
    ASSERT_TRUE(window.load());
    EXPECT_EQ(window.pictureFile(), "airstate_null.bmp");
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window.frameGeometry().topRight(), avail.topRight()) << "the screen's top-right corner by default";
    window.AirState_set(1);
    EXPECT_EQ(window.pictureFile(), "airstate_green.bmp");
    const int calls = window.zOrderCalls();
    window.AirState_set(1); // the same state again: nothing at all
    EXPECT_EQ(window.zOrderCalls(), calls);
    window.AirState_set(3);
    EXPECT_EQ(window.pictureFile(), "airstate_red.bmp");
    EXPECT_EQ(window.findChild<QLabel*>("PicState")->accessibleName(), "Air state: bad (red)") << "the colour, said";
    window.AirState_set(4); // beyond the table: the picture stays
    EXPECT_EQ(window.pictureFile(), "airstate_red.bmp");
    EXPECT_EQ(window.lastState(), 5);
    window.AirState_set(-1);
    EXPECT_FALSE(window.isVisible());

    // Without its pictures the window stays away.
    QTemporaryDir empty;
    vs::AirStateWindow without(empty.path());
    EXPECT_FALSE(without.load());
    without.AirState_set(2);
    EXPECT_FALSE(without.isVisible());
    EXPECT_EQ(without.lastState(), 0);
}

TEST(AirState, ItStartsClearOfTheTrayAndOfTheMainWindowsTitle)
{
    const QRect screen(0, 0, 2560, 1440);
    const QSize light(100, 150);
    struct Case {
        std::vector<QRect> clear;
        QPoint expected;
    } cases[] = {
        {{}, {2460, 0}},                                                   // the corner
        {{QRect(2500, 0, 60, 30)}, {2460, 30}},                            // below a tray at the top right
        {{QRect(1800, 0, 760, 60), QRect(2500, 60, 60, 30)}, {2460, 90}}, // below the title, then the tray
        {{QRect(0, 0, 2560, 1400)}, {2460, 0}},                            // no room: the corner stays
    };
    for (const Case& c : cases) {
        const QPoint at = vs::cornerPosition(light, screen, std::nullopt, c.clear);
        EXPECT_EQ(at, c.expected) << c.clear.size();
        if (at != QPoint(2460, 0) || c.clear.empty())
            for (const QRect& k : c.clear) {
                EXPECT_FALSE(QRect(at, light).intersects(k));
            }
    }
}

TEST(Logos, CtrlAndADoubleClickOnTheSmallLogoSwitchEngineeringModeOn)
{
    QTemporaryDir config;
    vs::SettingsStore store(config.path() + "/settings.ini");
    vs::Settings settings(store);
    QWidget plot;
    plot.resize(600, 400);
    vs::Logos logos(&plot, settings, QString(VENTISCOPE_DATA_SOURCE));
    int switched = 0;
    logos.onEngineeringMode = [&] { ++switched; };
    logos.Logo_small_Load();
    ASSERT_FALSE(logos.right()->isHidden());
    EXPECT_EQ(logos.right()->x(), 600 - logos.right()->width() - 8);
    auto doubleClick = [&](Qt::KeyboardModifiers modifiers) {
        QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::LeftButton,
                      modifiers);
        QApplication::sendEvent(logos.right(), &e);
    };
    doubleClick(Qt::NoModifier);
    EXPECT_EQ(switched, 0);
    doubleClick(Qt::ControlModifier);
    EXPECT_EQ(switched, 1);
}

} // namespace
