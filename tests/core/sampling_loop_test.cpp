#include "core/sampling_loop.h"
#include "sim_sticks.h"
#include "stick/trace_log.h"

#include <gtest/gtest.h>

namespace {

// What a pass hands on, counted.
struct Steps : vs::PassSteps {
    int plots = 0, warnings = 0, reads = 0;
    std::vector<std::string> logLines, said;
    std::vector<std::pair<QString, int>> notes;
    void valuesRead() override { ++reads; }
    void askNetwork() override {}
    void plotPass(const vs::LocalDateTime&) override { ++plots; }
    void evaluateWarnings() override { ++warnings; }
    void note(const QString& t, int row) override { notes.emplace_back(t, row); }
    void logPass(const std::string& t) override { logLines.push_back(t); }
    void passDone() override {}
    void say(const std::string& line) override { said.push_back(line); }
    void stickGone(int) override {}
    void unexpectedError(const char*, const std::string&) override {}
};

// A stick link whose every wait takes `waitMs` of fake time.
struct LoopFixture : ::testing::Test, vstest::SimSticks, Steps {
    LoopFixture() : SimSticks({2026, 12, 6, 10, 0, 0, 0})
    {
        link.setWait([this](int ms) { clock.advanceMs(waitMs > 0 ? waitMs : ms); });
    }
    double waitMs = 0;
    vs::TraceLog trace{clock};
    vs::SamplingLoop loop{link, clock, trace, *this};
};

TEST_F(LoopFixture, EveryFourthTickRunsAPassAndAClosedStickGivesNone)
{
    ASSERT_TRUE(attach({{5, 9}}));
    for (int i = 0; i < 3; ++i)
        loop.Timer1_Timer();
    EXPECT_EQ(plots, 0);
    loop.Timer1_Timer();
    EXPECT_EQ(plots, 1);
    EXPECT_EQ(warnings, 1);
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_EQ(logLines[0].substr(0, 11), "2026-12-06 ");

    // No open stick: no plot and no log.
    link.slot(0)->HIDHandle = 0;
    loop.Timer1x_Timer();
    EXPECT_EQ(plots, 1);
    EXPECT_EQ(logLines.size(), 1u);
}

TEST_F(LoopFixture, SlowReadsStretchTheIntervalSayItFastOnesBringItBackAndMidnightChangesNothing)
{
    ASSERT_TRUE(attach({{5, 9}}));
    // "TRF?" with four flags takes three reports over 8-byte payloads, each
    // sent 780 ms after the one before: 2.34 s.
    waitMs = 780;
    sims[0]->setReportIntervalMs(780);
    loop.Timer1x_Timer();
    EXPECT_DOUBLE_EQ(loop.readInterval(), 2.8);
    EXPECT_EQ(loop.timer().interval(), 700);
    EXPECT_EQ(said, (std::vector<std::string>{"Reading the sticks took 2.34 s: the read interval is stretched to 2.8 s\n"}));

    // Fast again: after ten passes that fit the interval set, back to it.
    waitMs = 0;
    sims[0]->setReportIntervalMs(0);
    for (int i = 0; i < vs::SamplingLoop::kFastPasses - 1; ++i)
        loop.Timer1x_Timer();
    EXPECT_DOUBLE_EQ(loop.readInterval(), 2.8);
    loop.Timer1x_Timer();
    EXPECT_DOUBLE_EQ(loop.readInterval(), 1);
    EXPECT_EQ(said.back(), "Reading the sticks is fast again: the read interval is back to 1 s\n");

    loop.setReadInterval(5);
    waitMs = 3200; // 9.6 s: 10.1 is not below 10
    sims[0]->setReportIntervalMs(3200);
    loop.Timer1x_Timer();
    EXPECT_DOUBLE_EQ(loop.readInterval(), 5);

    // A pass across midnight is measured as long as it took.
    loop.setReadInterval(1);
    clock.set({2026, 12, 6, 23, 59, 59, 0});
    waitMs = 1000;
    sims[0]->setReportIntervalMs(1000);
    const int plotted = plots;
    loop.Timer1x_Timer();
    EXPECT_DOUBLE_EQ(loop.readInterval(), 3.5);
    EXPECT_EQ(said.back(), "Reading the sticks took 3.0 s: the read interval is stretched to 3.5 s\n");
    EXPECT_EQ(plots, plotted + 1);
}

TEST_F(LoopFixture, FlagsAreAskedForBelowProtocol5Only)
{
    ASSERT_TRUE(attach({{4, 9}, {5, 9}}));
    loop.Timer1x_Timer();
    loop.Timer1x_Timer();
    auto count = [](const std::vector<std::string>& commands, const std::string& c) {
        return std::count(commands.begin(), commands.end(), c);
    };
    EXPECT_EQ(count(sims[0]->commands(), "FLAGGET?"), 1 + 2); // configuration, then every pass
    EXPECT_EQ(count(sims[1]->commands(), "FLAGGET?"), 1);
    EXPECT_EQ(count(sims[1]->commands(), "TRF?"), 2);
}

TEST_F(LoopFixture, EngineeringModeNotesTheReadTimeAndSkipsPlottingOnErrors)
{
    ASSERT_TRUE(attach({{5, 9}}));
    loop.engineeringMode = true;
    sims[0]->unplug();
    loop.Timer1x_Timer();
    EXPECT_EQ(plots, 0);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_TRUE(notes[0].first.startsWith("tr="));
    EXPECT_EQ(notes[1].first, "Err=the stick is gone");
    EXPECT_EQ(notes[1].second, 1);
    EXPECT_EQ(logLines.size(), 1u);
}

} // namespace
