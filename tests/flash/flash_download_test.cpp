#include "common/dateformat.h"
#include "flash/flash_available.h"
#include "flash/flash_commands.h"
#include "flash/flash_download.h"
#include "flash/record_list.h"
#include "sim_sticks.h"
#include "stick/exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// Records everything a download does to the window.
struct RecordingFace final : vs::FlashFace {
    vs::StickLink& link;
    explicit RecordingFace(vs::StickLink& l) : link(l) {}
    bool escape = false;
    bool sampling = true;
    std::optional<vs::FlashRequest> answer = vs::FlashRequest{"12:00", 0};
    std::optional<int> record = 0;
    std::vector<std::string> printed, logTimes;
    std::vector<double> values;
    std::vector<std::pair<int, int>> progressShown;
    int recordLength = 0, restores = 0, chooserShown = 0, turns = 0;
    vs::AverageSetup askedAverage;
    // Runs whenever the download lets the window handle its events.
    std::function<void(int turn)> onTurn;

    bool escapePressed() override { return escape; }
    void print(const std::string& t) override { printed.push_back(t); }
    void holdMessage(int) override {}
    bool askYesNo(const std::string&) override { return true; }
    std::optional<int> chooseRecord(int) override
    {
        ++chooserShown;
        return record;
    }
    std::optional<vs::FlashRequest> askEndTime(const std::string&, const vs::AverageSetup& average) override
    {
        askedAverage = average;
        return answer;
    }
    void progress(int done, int total, double) override { progressShown.emplace_back(done, total); }
    bool samplingRunning() override { return sampling; }
    void setSampling(bool on) override { sampling = on; }
    void keepPlot() override {}
    void restorePlot() override { ++restores; }
    void setRecordLength(int n) override { recordLength = n; }
    void feedPlot(const vs::LocalDateTime&, bool) override { values.push_back(link.slot(0)->Channels[0].LastValue); }
    void redrawPlot() override {}
    void writeLog(const std::string& time) override { logTimes.push_back(time); }
    void processEvents() override
    {
        if (onTurn)
            onTurn(++turns);
    }
};

struct Flash : ::testing::Test, vstest::SimSticks {
    Flash() : SimSticks({2026, 12, 6, 13, 0, 0, 0}) {}
    RecordingFace face{link};
    long count(const std::string& command) const
    {
        const auto& c = sims[0]->commands();
        return std::count(c.begin(), c.end(), command);
    }
    static std::vector<double> asValues(const std::vector<uint16_t>& stored)
    {
        return {stored.begin(), stored.end()};
    }
};

TEST_F(Flash, ADayOfMinutesIsSpreadBackFromTheEndTimeIntoPlotAndLogOrAveragedByFour)
{
    ASSERT_TRUE(attach({{5, 9}}));
    ASSERT_TRUE(vs::Flash_download(link, face, clock, true)) << link.StickErrorText;
    EXPECT_EQ(face.chooserShown, 1);
    EXPECT_EQ(face.values, asValues(sims[0]->firmware().recordings()[0]));
    EXPECT_EQ(face.recordLength, 1440);
    // 12:00 less 24 h and 28.8 s.
    EXPECT_EQ(face.logTimes.front(), "2026-12-05 11:59:31");
    EXPECT_EQ(face.logTimes[1], "2026-12-05 12:00:31");
    EXPECT_EQ(face.logTimes.size(), 1440u);
    // The recorder was stopped for the download and runs again; so does sampling.
    EXPECT_EQ(count("FLSTOP"), 1);
    EXPECT_EQ(count("LBR"), 480) << "one block of three values at a time, each asked once";
    EXPECT_EQ(sims[0]->commands().back(), "FLSTART");
    EXPECT_TRUE(sims[0]->firmware().recording());
    EXPECT_TRUE(face.sampling);
    EXPECT_EQ(face.printed.back(), "Downloaded 1440 values.\n");
    EXPECT_EQ(face.restores, 0);
    EXPECT_TRUE(face.askedAverage.show);
    EXPECT_EQ(face.askedAverage.maximum, 144);
    ASSERT_FALSE(face.progressShown.empty());
    EXPECT_EQ(face.progressShown.back(), std::make_pair(1440, 1440));

    // Averaging four fetches a quarter, four intervals apart.
    RecordingFace averaging{link};
    averaging.answer = vs::FlashRequest{"12:00", 4};
    ASSERT_TRUE(vs::Flash_download(link, averaging, clock, true));
    ASSERT_EQ(averaging.values.size(), 360u);
    EXPECT_EQ(averaging.logTimes[1], "2026-12-05 12:03:31");
    const auto& stored = sims[0]->firmware().recordings()[0];
    EXPECT_NEAR(averaging.values[1], (stored[4] + stored[5] + stored[6] + stored[7]) / 4.0, 0.5);
}

TEST_F(Flash, EscapeOrACancelledRequestChangesNothing)
{
    ASSERT_TRUE(attach({{5, 9}}));
    face.onTurn = [this](int turn) { face.escape = turn == 100; };
    EXPECT_FALSE(vs::Flash_download(link, face, clock, true));
    EXPECT_EQ(link.StickErrorText, "Aborted.");
    EXPECT_TRUE(face.values.empty() && face.logTimes.empty()) << "no partial recording in the plot or the log";
    EXPECT_EQ(sims[0]->commands().back(), "FLSTART");
    EXPECT_TRUE(face.sampling);
    EXPECT_EQ(face.restores, 1);

    RecordingFace cancelling{link};
    cancelling.answer = std::nullopt; // the time request cancelled
    EXPECT_FALSE(vs::Flash_download(link, cancelling, clock, true));
    EXPECT_EQ(link.StickErrorText, "Aborted.");
    EXPECT_TRUE(cancelling.logTimes.empty());

    RecordingFace closing{link};
    closing.record = std::nullopt; // the records window closed without a choice
    EXPECT_TRUE(vs::Flash_download(link, closing, clock, true));
    EXPECT_TRUE(closing.values.empty() && closing.progressShown.empty()) << "nothing fetched";
}

// Faults of the stick or the link during a download: the values are the
// flash content exactly, or the download fails with its message and nothing
// reaches the plot or the log. Never success with a wrong value.
TEST(FlashIntegrity, EveryValueOnceInOrderOrTheDownloadFails)
{
    struct Case {
        const char* name;
        vs::SimSpec spec;
        std::function<void(vs::SimulatedStick&, int turn)> fault;
        bool succeeds;
    };
    const auto dropAt = [](int turn) {
        return [turn](vs::SimulatedStick& s, int t) {
            if (t == turn)
                s.dropReports(1);
        };
    };
    const auto lateAt = [](int turn) {
        return [turn](vs::SimulatedStick& s, int t) {
            if (t == turn)
                s.delayNextReply(45);
        };
    };
    const Case cases[] = {
        {"no fault, 9-byte reports", {5, 9}, nullptr, true},
        {"8-byte reports (two whole values a block)", {5, 8}, nullptr, true},
        {"12-byte reports", {5, 12}, nullptr, true},
        {"16-byte reports", {5, 16}, nullptr, true},
        {"33-byte reports", {5, 33}, nullptr, true},
        {"65-byte reports", {5, 65}, nullptr, true},
        {"a dropped report, protocol 5", {5, 9}, dropAt(100), true},
        {"a late report, protocol 5", {5, 9}, lateAt(100), true},
        {"a dropped report, protocol 4", {4, 33}, dropAt(10), true},
        {"a stick slower than the poll delay", {5, 9},
         [](vs::SimulatedStick& s, int t) {
             if (t == 1)
                 s.setReportIntervalMs(45);
         },
         true},
        {"a dropped report, protocol 3 (no NAK)", {3, 9}, dropAt(100), false},
        {"a late report, protocol 3", {3, 9}, lateAt(100), false},
        {"every NAK lost too", {5, 9},
         [](vs::SimulatedStick& s, int t) {
             if (t == 100)
                 s.dropReports(1 + 6);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vstest::SimSticks s({2026, 12, 6, 13, 0, 0, 0});
        ASSERT_TRUE(s.attach({c.spec}));
        auto& [clock, link, sims] = s;
        std::vector<uint16_t> day(1440);
        for (size_t i = 0; i < day.size(); ++i)
            day[i] = static_cast<uint16_t>(400 + (i * 37) % 1600);
        sims[0]->firmware().setRecordings({day});
        RecordingFace face{link};
        if (c.fault)
            face.onTurn = [&](int turn) { c.fault(*sims[0], turn); };
        const bool ok = vs::Flash_download(link, face, clock, false);
        ASSERT_EQ(ok, c.succeeds) << link.StickErrorText;
        if (ok) {
            EXPECT_EQ(face.values, Flash::asValues(sims[0]->firmware().recordings().back()));
            EXPECT_EQ(face.logTimes.size(), face.values.size());
        } else {
            EXPECT_EQ(link.StickErrorText.rfind("The download stopped after ", 0), 0u) << link.StickErrorText;
            EXPECT_TRUE(face.values.empty() && face.logTimes.empty());
            EXPECT_EQ(face.restores, 1);
        }
    }
}

TEST_F(Flash, ThePrintedEndOfTheDataEndsTheRecording)
{
    // "LBSIZE?" claims eight values more than the stick holds: the 65535 that
    // ends its data is not a reading.
    ASSERT_TRUE(attach({{5, 9}}));
    sims[0]->firmware().claimExtraValues(8);
    ASSERT_TRUE(vs::Flash_download(link, face, clock, false)) << link.StickErrorText;
    // Outside engineering mode: the latest recording, no chooser, no averaging offered.
    EXPECT_EQ(face.chooserShown, 0);
    EXPECT_FALSE(face.askedAverage.show);
    EXPECT_EQ(face.values, asValues(sims[0]->firmware().recordings().back()));
    EXPECT_EQ(std::count(face.values.begin(), face.values.end(), 65535.0), 0);
    EXPECT_EQ(face.printed.back(), "Downloaded 40 values (the stick's data ended after 40 of 48).\n");
    EXPECT_EQ(face.logTimes.back(), "2026-12-06 11:58:59") << "the last value ends where a full recording's would";
}

TEST_F(Flash, ReportsTooShortForAValueAreRefusedBeforeAnyBlock)
{
    ASSERT_TRUE(attach({{5, 4}}));
    EXPECT_FALSE(vs::Flash_download(link, face, clock, false));
    EXPECT_EQ(link.StickErrorText, "The stick's input reports of 4 bytes are too short to carry flash values.");
    EXPECT_EQ(count("LBR"), 0);
    EXPECT_EQ(count("FLSTOP"), 0) << "nothing changed on the stick";
}

TEST_F(Flash, AStickPulledOutEndsTheDownloadAndBringsThePlotBack)
{
    ASSERT_TRUE(attach({{5, 9}}));
    face.onTurn = [this](int turn) {
        if (turn == 100)
            sims[0]->unplug();
    };
    EXPECT_FALSE(vs::Flash_download(link, face, clock, true));
    EXPECT_EQ(link.StickErrorText.rfind("The download stopped after 300 of 1440 values: the stick does not answer", 0),
              0u)
        << link.StickErrorText;
    EXPECT_EQ(face.restores, 1);
    EXPECT_TRUE(face.sampling);
    EXPECT_TRUE(face.values.empty());
}

TEST_F(Flash, WhatIsNotOfferedOrNotThereSaysSo)
{
    ASSERT_TRUE(attach({{5, 9}, {1, 9}}));
    EXPECT_FALSE(vs::Flash_download(link, face, clock, false));
    EXPECT_EQ(link.StickErrorText, "Please remove all sticks except one, then retry this operation.");
    EXPECT_TRUE(vs::nymstick_CheckFlashAvailable(link, 0));
    for (vs::KnobRecord& k : link.slot(0)->Knobs)
        if (k.Name == "LogInterval")
            k.Value = 0;
    EXPECT_FALSE(vs::nymstick_CheckFlashAvailable(link, 0));
    EXPECT_TRUE(vs::CheckFlashAvailable(link)) << "the other stick still offers it";

    vstest::SimSticks one;
    ASSERT_TRUE(one.attach({{5, 9}}));
    vs::nym_ask(one.link, "*RST", 0); // erases the recordings
    RecordingFace f2{one.link};
    EXPECT_FALSE(vs::Flash_download(one.link, f2, one.clock, false));
    EXPECT_EQ(one.link.StickErrorText, "No data found");
    EXPECT_EQ(one.sims[0]->commands().back(), "FLSTART");
}

TEST_F(Flash, MoreValuesThanThePlotHoldsAllReachTheLog)
{
    ASSERT_TRUE(attach({{5, 65}}));
    sims[0]->firmware().setRecordings({std::vector<uint16_t>(25000, 777)});
    ASSERT_TRUE(vs::Flash_download(link, face, clock, false)) << link.StickErrorText;
    EXPECT_EQ(face.recordLength, 20000) << "the plot's limit; it shows the newest";
    EXPECT_EQ(face.logTimes.size(), 25000u);
    EXPECT_EQ(face.values.back(), 777);
}

TEST(RecordingEnd, ATimeStillToComeTodayWasYesterday)
{
    const vs::LocalDateTime now{2026, 12, 6, 13, 0, 30, 0};
    struct Case {
        const char* text;
        const char* end;
    } cases[] = {{"12:00", "2026-12-06 12:00:00"}, {"13:00", "2026-12-06 13:00:00"},
                 {"13:01", "2026-12-05 13:01:00"}, {" 7:5 ", "2026-12-06 07:05:00"}};
    for (const Case& c : cases) {
        const auto end = vs::recordingEnd(c.text, now);
        ASSERT_TRUE(end) << c.text;
        EXPECT_EQ(vs::formatDateTime(*end, "yyyy-mm-dd Hh:Nn:Ss"), c.end) << c.text;
    }
    for (const char* bad : {"", "12", "24:00", "12:60", "ab:cd", "12:00x", "123:00"})
        EXPECT_FALSE(vs::recordingEnd(bad, now)) << bad;
}

TEST_F(Flash, TheRecordListHasAllAndEveryRecordingWithItsThumbnail)
{
    ASSERT_TRUE(attach({{5, 9}}));
    const auto entries = vs::readRecordList(link, 0);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].length, 1780);
    EXPECT_EQ(entries[1].length, 1440);
    EXPECT_EQ(entries[3].length, 40);
    EXPECT_EQ(entries[1].points.size(), 64u);
    EXPECT_EQ(entries[3].points.size(), 40u) << "a short recording stops at its end";
    EXPECT_LE(entries[1].minimum, entries[1].maximum);
    EXPECT_EQ(std::count(sims[0]->commands().begin(), sims[0]->commands().end(), "LBAVG;0"), 1);

    // Reports whose payload is not a whole number of values still give every point.
    for (int length : {8, 12, 16}) {
        vstest::SimSticks other;
        ASSERT_TRUE(other.attach({{5, length}}));
        EXPECT_EQ(vs::readRecordList(other.link, 0)[1].points.size(), 64u) << length;
    }
}

} // namespace
