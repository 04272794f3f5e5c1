#include "core/value_log.h"
#include "files.h"
#include "plot/plot_feed.h"
#include "script_prompts.h"
#include "settings/settings.h"
#include "stick/stick_link.h"
#include "temp_config.h"
#include "test_face.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sticks and curves built in the test, a log in a temporary folder.
struct LogFixture : vstest::TempConfig, vstest::TestFace {
    vs::ManualClock clock;
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    vs::PlotRecord plot;
    std::unique_ptr<vs::SettingsStore> store;
    std::unique_ptr<vs::Settings> settings;
    vstest::ScriptPrompts prompts;
    std::unique_ptr<vs::ValueLog> log;

    void SetUp() override
    {
        TempConfig::SetUp();
        store = std::make_unique<vs::SettingsStore>();
        settings = std::make_unique<vs::Settings>(*store);
        log = std::make_unique<vs::ValueLog>(link, plot, *settings, prompts, *this);
        log->decimalSeparator = '.';
    }
    int stick(const std::vector<std::pair<std::string, std::string>>& channels)
    {
        const int s = link.Nymstick_AddEmulated();
        for (const auto& [label, unit] : channels) {
            vs::ChannelRecord c;
            c.Ylabel = label;
            c.Yunit = unit;
            c.ChID = std::to_string(link.slot(s)->Channels.size());
            c.HasValue = true;
            link.slot(s)->Channels.push_back(c);
        }
        link.slot(s)->nChannels = static_cast<int16_t>(channels.size());
        return s;
    }
    void curves()
    {
        vs::plot_Init(plot);
        vs::plot_SetupChannels(plot, link);
        plot.RecordLength = 100;
        vs::plot_SetupStore(plot);
    }
    QString path(const QString& name) const { return dir.path() + "/" + name; }
    static QByteArray read(const QString& file) { return vstest::readFile(file); }
};

TEST_F(LogFixture, ANewFileGetsAHeaderOfTheEnabledChannelsAndTheLocalesSeparator)
{
    const int s = stick({{"RND() level", "ppm"}, {"Debug", "i16"}, {"PWM", "ui16"}});
    curves();
    plot.CurveEnabled[2] = false;
    link.slot(s)->Channels[0].LastValue = 812;
    link.slot(s)->Channels[1].LastValue = 0.25;
    log->Log_TurnOn(path("new.txt"));
    ASSERT_TRUE(log->Log_timer_write2file("2011-02-03 14:05:09"));
    EXPECT_EQ(read(path("new.txt")), "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"RND() level[ppm]\"\t \"Debug[i16]\"\t \r\n"
                                     "2011-02-03 14:05:09\t 812\t 0.25\t \r\n");

    // The decimal separator: the locale's for a new log, or the one asked for.
    if (qgetenv("LC_ALL").startsWith("de_")) {
        EXPECT_EQ(vs::ValueLog(link, plot, *settings, prompts, *this).decimalSeparator, ',');
    }
    EXPECT_EQ(vs::logDataLine(link, plot, "t", ','), "t\t 812\t 0,25\t \r\n");
}

TEST_F(LogFixture, EveryFileAndEveryChangeOfColumnsGetsItsHeader)
{
    stick({{"A", "u"}});
    curves();
    const std::string header = "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"A[u]\"\t \r\n";
    // Lines under the same header go on under it; content without one gets it first.
    ASSERT_TRUE(vstest::writeFile(path("old.txt"), (header + "t0\t 1\t \r\n").c_str()));
    log->Log_TurnOn(path("old.txt"));
    log->Log_timer_write2file("t1");
    EXPECT_EQ(read(path("old.txt")).toStdString(), header + "t0\t 1\t \r\nt1\t 0\t \r\n");
    ASSERT_TRUE(vstest::writeFile(path("old.txt"), "foreign\r\n"));
    log->reopen();
    log->Log_timer_write2file("t2");
    EXPECT_EQ(read(path("old.txt")).toStdString(), "foreign\r\n" + header + "t2\t 0\t \r\n");
    // Rotated away (moved, or emptied in place): the new file starts with the header.
    ASSERT_TRUE(QFile::rename(path("old.txt"), path("old.txt.1")));
    log->Log_timer_write2file("t3");
    EXPECT_EQ(read(path("old.txt")).toStdString(), header + "t3\t 0\t \r\n");
    ASSERT_TRUE(vstest::writeFile(path("old.txt"), {})); // emptied in place
    log->Log_timer_write2file("t4");
    EXPECT_EQ(read(path("old.txt")).toStdString(), header + "t4\t 0\t \r\n");
}

TEST_F(LogFixture, TwoSticksCarryTheirPrefixesAndErrorsEndTheLine)
{
    stick({{"A", "u"}, {"B", "v"}});
    const int second = stick({{"C", "w"}, {"D", "x"}});
    curves();
    link.slot(second)->Channels[1].LastValue = -1.5;
    log->Log_TurnOn(path("two.txt"));
    link.StickErrorText = "NYM_PACKET_MISMATCH";
    log->Log_timer_write2file("t1");
    // Disabled after logging started: no longer written, and a header without it comes first.
    plot.CurveEnabled[1] = false;
    link.StickErrorText.clear();
    log->Log_timer_write2file("t2");
    EXPECT_EQ(read(path("two.txt")), "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"0:A[u]\"\t \"0:B[v]\"\t \"1:C[w]\"\t \"1:D[x]\"\t \r\n"
                                     "t1\t 0\t 0\t 0\t -1.5\t NYM_PACKET_MISMATCH\r\n"
                                     "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"0:A[u]\"\t \"1:C[w]\"\t \"1:D[x]\"\t \r\n"
                                     "t2\t 0\t 0\t -1.5\t \r\n");

    // The first stick pulled out: the plot's curves are the second's now, and so are the log's values.
    link.slot(0)->HIDHandle = link.slot(0)->ReadHandle = 0;
    curves();
    log->Log_timer_write2file("t3");
    EXPECT_TRUE(read(path("two.txt")).endsWith("\"1:C[w]\"\t \"1:D[x]\"\t \r\nt3\t 0\t -1.5\t \r\n"))
        << read(path("two.txt")).toStdString();
}

TEST_F(LogFixture, WriteFailuresAreSaidOnceAndLoggingGoesOn)
{
    stick({{"A", "u"}});
    curves();
    ASSERT_TRUE(vstest::writeFile(path("a_file"), {}));
    ASSERT_EQ(::mkfifo(path("fifo").toLocal8Bit().constData(), 0600), 0);
    for (const QString& bad : {QString("/dev/full"), path("a_file/log.txt"), path("fifo")}) {
        text.clear();
        log->Log_TurnOn(bad);
        EXPECT_FALSE(log->Log_timer_write2file("t")) << "nothing waits on a FIFO without a reader";
        EXPECT_FALSE(log->Log_timer_write2file("t"));
        EXPECT_TRUE(text.startsWith("Error writing to log: ") && text.endsWith("\n") && text.count('\n') == 1)
            << "said once, with its line end: " << text.toStdString();
        EXPECT_TRUE(log->on());
    }
    // A later pass to a writable file succeeds.
    log->Log_TurnOn(path("good.txt"));
    EXPECT_TRUE(log->Log_timer_write2file("t2"));
    EXPECT_TRUE(read(path("good.txt")).endsWith("t2\t 0\t \r\n"));
}

TEST_F(LogFixture, AFullDiskNeverLeavesAPartOfALine)
{
    stick({{"A", "u"}});
    curves();
    log->Log_TurnOn(path("full.txt"));
    ASSERT_TRUE(log->Log_timer_write2file("2026-12-07 06:14:13"));
    const QByteArray before = read(path("full.txt"));
    // The disk takes 10 bytes of the next line, and the cut back fails too.
    vs::LineFile& file = log->lineFile();
    bool full = true;
    int cuts = 0;
    file.writeFn = [&](int fd, const char* bytes, size_t count) -> long {
        if (!full)
            return ::write(fd, bytes, count);
        errno = ENOSPC;
        return ::write(fd, bytes, 10);
    };
    file.truncateFn = [&](int fd, long long size) { return ++cuts == 1 ? -1 : ::ftruncate(fd, size); };
    EXPECT_FALSE(log->Log_timer_write2file("2026-12-07 06:14:14"));
    EXPECT_EQ(read(path("full.txt")).size(), before.size() + 10) << "the fragment could not be cut yet";
    // Space again: the fragment goes first, then the line, whole.
    full = false;
    EXPECT_TRUE(log->Log_timer_write2file("2026-12-07 06:14:15"));
    EXPECT_EQ(read(path("full.txt")), before + "2026-12-07 06:14:15\t 0\t \r\n");
    EXPECT_TRUE(text.endsWith("Writing to the log full.txt works again\n")) << text.toStdString();
}

TEST_F(LogFixture, ToggleAsksForAFileAndStoresTheChoice)
{
    stick({{"A", "u"}});
    curves();
    prompts.files = {std::nullopt, path("chosen.txt").toStdString()};
    log->Log_Toggle(); // cancelled
    EXPECT_FALSE(log->on());
    EXPECT_EQ(settings->text(vs::keys::Log2file), "0");
    EXPECT_EQ(prompts.dialogs.size(), 1u);
    log->Log_Toggle();
    EXPECT_TRUE(log->on());
    EXPECT_EQ(logCaption, "Logging to file chosen.txt");
    EXPECT_TRUE(logging);
    EXPECT_EQ(settings->text(vs::keys::LogFile), path("chosen.txt"));
    EXPECT_EQ(settings->text(vs::keys::Log2file), "1");
    log->Log_Toggle();
    EXPECT_EQ(logCaption, "Log to file...");
    EXPECT_EQ(settings->text(vs::keys::Log2file), "0");

    // The next start picks up what was stored.
    settings->save(vs::keys::Log2file, 0, "1");
    vs::ValueLog next(link, plot, *settings, prompts, *this);
    next.restoreFromSettings();
    EXPECT_TRUE(next.on());
    EXPECT_EQ(next.fileName(), path("chosen.txt"));
}

TEST_F(LogFixture, BufferFileInStorageOrderWithoutBlankSlots)
{
    const int s = stick({{"A", "u"}, {"B", "v"}});
    curves();
    for (int pass = 0; pass < 3; ++pass) {
        link.slot(s)->Channels[0].LastValue = pass + 0.5;
        link.slot(s)->Channels[1].LastValue = 10 * pass;
        vs::Nymdata2plot(plot, link, "t" + std::to_string(pass));
    }
    plot.WriteIndex = 1; // storage order, not time order
    prompts.files = {path("buffer.txt").toStdString(), std::nullopt};
    log->mSave_Click();
    EXPECT_EQ(read(path("buffer.txt")), "\"Time[Hh:Nn:Ss]\"\t\"A(0)\"\t\"B(1)\"\r\n"
                                        "t0\t0.50\t0.00\r\nt1\t1.50\t10.00\r\nt2\t2.50\t20.00\r\n");
    log->mSave_Click(); // cancelled: nothing written
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

} // namespace
