#include "core/warnings.h"
#include "plot/plot_feed.h"
#include "settings/settings.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "temp_config.h"
#include "test_face.h"

#include <gtest/gtest.h>

namespace {

// One stick with a channel "CO2" (levels 1000 and 1500) and a channel "T"
// (no levels), everything the warnings drive recorded.
struct WarnFixture : vstest::TempConfig, vstest::TestFace {
    vs::ManualClock clock{{2026, 12, 6, 10, 0, 0, 0}};
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    vs::TraceLog trace{clock};
    vs::PlotRecord plot;
    std::unique_ptr<vs::SettingsStore> store;
    std::unique_ptr<vs::Settings> settings;
    std::unique_ptr<vs::Warnings> w;

    void SetUp() override
    {
        TempConfig::SetUp();
        store = std::make_unique<vs::SettingsStore>();
        settings = std::make_unique<vs::Settings>(*store);
        settings->save(vs::keys::WarningSounds, 0, "1");
        w = std::make_unique<vs::Warnings>(link, plot, *settings, trace, clock, *this);
        addStick();
    }
    int addStick()
    {
        const int s = link.Nymstick_AddEmulated();
        vs::StickRecord& r = *link.slot(s);
        r.Channels.resize(2);
        r.Channels[0].Ylabel = "CO2";
        r.Channels[0].WarnLevels = {1000, 1500};
        r.Channels[0].nWarn = 2;
        r.Channels[1].Ylabel = "T";
        r.nChannels = 2;
        vs::plot_Init(plot);
        vs::plot_SetupChannels(plot, link);
        plot.RecordLength = 100;
        vs::plot_SetupStore(plot);
        return s;
    }
    void values(int stick, double co2, double t = 21)
    {
        for (auto& c : link.slot(stick)->Channels)
            c.HasValue = true;
        link.slot(stick)->Channels[0].LastValue = co2;
        link.slot(stick)->Channels[1].LastValue = t;
    }
    // One sampling pass: the plot moves on, then the warnings look at it.
    void pass()
    {
        vs::Nymdata2plot(plot, link, "t");
        w->Warnings_Timer_Update();
    }
    int runBeeps()
    {
        const int before = beeps;
        while (w->beepTimer().isActive() && beeps - before < 10)
            w->Timer_warn_Timer();
        return beeps - before;
    }
};

TEST_F(WarnFixture, ASecondLevelAlarmRaisesEveryAlert)
{
    values(0, 1500);
    pass();
    EXPECT_EQ(plot.nMarkers, 1);
    EXPECT_EQ(plot.Markers[0], plot.WriteIndex - 1) << "on the alarming sample";
    EXPECT_EQ(plot.WarnLevels, (std::vector<double>{1000, 1500}));
    ASSERT_EQ(balloons.size(), 1);
    EXPECT_EQ(balloons[0], "CO2\r\nBad air quality");
    EXPECT_EQ(runBeeps(), 3);
    EXPECT_EQ(waves, std::vector<int>{2});
    EXPECT_EQ(airStates.back(), 3);
    EXPECT_EQ(tip, "CO2=1500.0\r\nT=21.0");

    // Falling to the first level: the balloon taken away, no new balloon, no new sound.
    values(0, 1200);
    pass();
    EXPECT_EQ(balloons.size(), 1);
    EXPECT_EQ(balloonsOpen, 0);
    EXPECT_EQ(balloonsHidden, 1);
    EXPECT_EQ(runBeeps(), 0) << "a lower level within 10 s beeps no more";
    EXPECT_EQ(waves.size(), 1u);
    EXPECT_EQ(airStates.back(), 2);
    EXPECT_EQ(w->shownLevel(), 1);
    EXPECT_EQ(plot.nMarkers, 2);

    // The standing alarm repeats its pattern after 10 s: one beep for the first level.
    clock.advanceMs(10000);
    pass();
    EXPECT_EQ(runBeeps(), 1);
    values(0, 500);
    pass();
    EXPECT_EQ(airStates.back(), 1);
}

TEST_F(WarnFixture, WarningsOffStillListTheChannelsADisabledCurveNeither)
{
    settings->save(vs::keys::Warnings, 0, "0");
    values(0, 1800);
    pass();
    EXPECT_EQ(plot.nMarkers, 0);
    EXPECT_TRUE(balloons.isEmpty());
    EXPECT_FALSE(w->beepTimer().isActive());
    EXPECT_EQ(airStates.back(), 1);
    EXPECT_EQ(tip, "CO2=1800.0\r\nT=21.0");

    // With warnings on, a disabled curve is neither listed nor evaluated.
    settings->save(vs::keys::Warnings, 0, "1");
    plot.CurveEnabled[0] = false;
    pass();
    EXPECT_EQ(tip, "T=21.0");
    EXPECT_EQ(plot.nMarkers, 0);
    EXPECT_EQ(airStates.back(), 1);
}

TEST_F(WarnFixture, AnEmptyMessageSuppressesTheBalloonNotTheSound)
{
    settings->save(vs::keys::TxtWarnMsg, 0, "");
    values(0, 1100);
    pass();
    EXPECT_TRUE(balloons.isEmpty());
    EXPECT_EQ(waves, std::vector<int>{1});
    EXPECT_EQ(runBeeps(), 1);
}

TEST_F(WarnFixture, TwoSticksPrefixTheirLabels)
{
    const int second = addStick();
    values(0, 100);
    values(second, 1600);
    pass();
    EXPECT_EQ(tip, "0:CO2=100.0\r\n0:T=21.0\r\n1:CO2=1600.0\r\n1:T=21.0");
    ASSERT_EQ(balloons.size(), 1);
    EXPECT_TRUE(balloons[0].startsWith("1:CO2\r\n"));
}

TEST_F(WarnFixture, AMarkerGoesWhenItsSlotIsWrittenAgain)
{
    values(0, 1600);
    pass();
    const int marked = plot.Markers[0];
    values(0, 100);
    for (int i = 0; i < 99; ++i)
        pass();
    EXPECT_EQ(plot.WriteIndex, marked) << "the marked slot is written next";
    EXPECT_EQ(plot.nMarkers, 1);
    pass(); // the marked slot is written again
    EXPECT_EQ(plot.nMarkers, 0);

    // Several channels alarming: still one marker per sample, so the ring's
    // passing clears them and they never pile up.
    link.slot(0)->Channels[1].WarnLevels = {10};
    link.slot(0)->Channels[1].nWarn = 1;
    addStick();
    values(0, 1600, 30);
    values(1, 1600, 30);
    for (int i = 0; i < 250; ++i)
        pass();
    EXPECT_EQ(plot.nMarkers, 100) << "one per sample of the 100-sample ring";
}

TEST_F(WarnFixture, FlagNotesForActiveFlagsWithTheThrottle)
{
    link.slot(0)->Flags = {{"WARMUP", "32773"}, {"BURN-IN", "5"}, {"RESET BASELINE", "&h8000&"}};
    w->ActOnFlags();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], (std::pair<QString, long>{"WARMUP", 5}));
    EXPECT_EQ(notes[1], (std::pair<QString, long>{"RESET BASELINE", 0}));
    notes.clear();
    clock.advanceMs(100);
    w->ActOnFlags(); // within 0.25 s: nothing
    clock.advanceMs(300);
    w->ActOnFlags(); // every second call only
    EXPECT_TRUE(notes.empty());
    clock.advanceMs(300);
    w->ActOnFlags();
    EXPECT_EQ(notes.size(), 2u);

    notes.clear();
    w->engineeringMode = true;
    w->ActOnFlags();
    w->ActOnFlags();
    EXPECT_EQ(notes.size(), 4u);
}

} // namespace
