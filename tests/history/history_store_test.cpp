// The store and its reader on real database files.
#include "files.h"
#include "history/history_reader.h"
#include "history/history_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace vs;

namespace {

const SeriesIdentity kOffice{"A1B2C3", "Office", {"CO2eq", "Temp"}, {"ppm", "C"}};
constexpr int64_t kDay = 86400000;
constexpr int64_t kT0 = 1796000040000; // a minute boundary in 2026

std::vector<std::pair<int64_t, std::vector<double>>> samplesOf(SqlDatabase& db, const SeriesInfo& s)
{
    std::vector<std::pair<int64_t, std::vector<double>>> out;
    forEachSample(db, s, 0, std::numeric_limits<int64_t>::max() / 2,
                  [&](int64_t t, const std::vector<double>& v) { out.emplace_back(t, v); });
    return out;
}

} // namespace

TEST(MinuteBlock, EveryValueReadsBackExactlyInTimeOrder)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::vector<double>> rows{
        {812, 21.25}, {-3.25, 0.1 + 0.2}, {1e12, 1e-7}, {nan, 65535}, {0, -0.0}, {4294967.29, 123456789.01}};
    std::vector<MinuteSample> samples;
    // Added out of order; one time twice.
    for (int i = static_cast<int>(rows.size()) - 1; i >= 0; --i)
        ASSERT_TRUE(addToMinute(samples, {i * 10000 + 7, rows[static_cast<size_t>(i)]}));
    EXPECT_FALSE(addToMinute(samples, {7, {1, 2}}));

    const QByteArray block = encodeMinute(samples, 2);
    const std::vector<MinuteSample> back = decodeMinute(block, 2);
    ASSERT_EQ(back.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(back[i].offsetMs, static_cast<int>(i) * 10000 + 7);
        for (size_t c = 0; c < 2; ++c) {
            if (std::isnan(rows[i][c]))
                EXPECT_TRUE(std::isnan(back[i].values[c]));
            else
                EXPECT_EQ(back[i].values[c], rows[i][c]) << i << "," << c; // bit for bit
        }
    }
    // A block cut short or read with the wrong channel count gives nothing, not garbage.
    EXPECT_TRUE(decodeMinute(block.left(block.size() - 1), 2).empty());
    EXPECT_TRUE(decodeMinute(block, 3).empty());

    const MinuteRollup r = rollUp(samples, 2);
    EXPECT_EQ(r.count, 6);
    EXPECT_EQ(r.min[0], -3.25);
    EXPECT_EQ(r.max[0], 1e12);
    EXPECT_DOUBLE_EQ(r.mean[0], (812 - 3.25 + 1e12 + 4294967.29) / 5); // the NaN is no value
}

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.path() + "/history.sqlite";
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(StoreFixture, AStickReadOnAnotherPortOrDayContinuesItsSeries)
{
    {
        HistoryStore store;
        store.open(path);
        EXPECT_EQ(store.add({{kOffice, kT0, {800, 21.5}}, {kOffice, kT0 + 1000, {801, 21.5}}}), 2);
    }
    // Another day, another copy of the program: the same stick, renamed, on another port.
    HistoryStore store;
    store.open(path);
    SeriesIdentity renamed = kOffice;
    renamed.name = "Meeting room";
    // Within the minute already stored: the earlier samples of it stay.
    EXPECT_EQ(store.add({{renamed, kT0 + 2000, {802, 21.6}}}), 1);
    EXPECT_EQ(store.add({{renamed, kT0 + kDay, {900, 22}}, {renamed, kT0 + 1000, {1, 1}}}), 1); // a time it holds: skipped
    // New firmware with other channels begins a series of its own.
    const SeriesIdentity newFirmware{"A1B2C3", "Office", {"CO2eq", "Temp", "Humidity"}, {"ppm", "C", "%RH"}};
    EXPECT_EQ(store.add({{newFirmware, kT0 + kDay + 1000, {901, 22, 40}}}), 1);

    const std::vector<SeriesInfo> series = listSeries(store.db());
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[0].who.name, "Meeting room");
    const auto samples = samplesOf(store.db(), series[0]);
    ASSERT_EQ(samples.size(), 4u);
    EXPECT_EQ(samples[1], (std::pair<int64_t, std::vector<double>>{kT0 + 1000, {801, 21.5}}));
    EXPECT_EQ(samples[3].first, kT0 + kDay);
    EXPECT_EQ(series[0].rawFirstMs, kT0);
    EXPECT_EQ(samplesOf(store.db(), series[1]).size(), 1u);

    // The pointer's nearest sample, however wide the search.
    const auto near = [&](int64_t t, int64_t within) {
        const auto found = nearestSample(store.db(), series[0], t, within);
        return found ? found->first : -1;
    };
    EXPECT_EQ(near(kT0 + 20 * 60000, kDay), kT0 + 2000);
    EXPECT_EQ(near(kT0 + kDay - 5 * 60000, kDay), kT0 + kDay);
    EXPECT_EQ(near(kT0 + kDay / 2, 60000), -1);
}

TEST_F(StoreFixture, PruningKeepsEachLevelItsDaysAndAViewReadsTheFinestLevelThatHoldsData)
{
    constexpr int64_t kT0 = 1796000400000; // an hour's boundary
    HistoryStore store;
    store.open(path);
    std::vector<HistorySample> samples;
    for (int day = 0; day < 40; ++day)
        for (int s = 0; s < 3; ++s)
            samples.push_back({kOffice, kT0 + day * kDay + s * 1000, {800.0 + day + s, 20}});
    store.add(samples);
    const int64_t now = kT0 + 40 * kDay;
    while (store.prune(now, 30, 35, 38, 7)) {
    } // small steps until done
    const SeriesInfo s = listSeries(store.db()).at(0);
    // Raw samples of the last 30 days, minutes of 35, hours of 38.
    const auto raw = samplesOf(store.db(), s);
    ASSERT_EQ(raw.size(), 30u * 3);
    EXPECT_EQ(raw.front().first, kT0 + 10 * kDay);
    EXPECT_EQ(s.minuteFirstMs, kT0 + 5 * kDay);
    EXPECT_EQ(s.hourFirstMs / 3600000, (kT0 + 2 * kDay) / 3600000);
    EXPECT_EQ(s.firstMs, s.hourFirstMs);
    // A view of the whole range shows the older days from their hours.
    const HistoryColumns view = readColumns(store.db(), {s}, kT0, now, 40);
    EXPECT_EQ(view.coarsest, Level::Hour);
    const ChannelColumns& co2 = view.series.at(0).at(0);
    EXPECT_TRUE(std::isnan(co2.mean[1])) << "older than every level";
    EXPECT_EQ(co2.mean[2], 803);
    EXPECT_EQ(co2.min[5], 805);
    EXPECT_EQ(co2.max[5], 807);
    EXPECT_EQ(co2.mean[39], 840);
    // The readout over the old days: the hour or minute that holds the time.
    const auto bucket = nearestBucket(store.db(), s, kT0 + 3 * kDay + 500, 60000);
    ASSERT_TRUE(bucket);
    EXPECT_EQ(bucket->endMs - bucket->startMs, 3600000);
    EXPECT_EQ(bucket->min[0], 803);
    EXPECT_EQ(bucket->max[0], 805);
    // Samples added after a prune go on in their minute.
    EXPECT_EQ(store.add({{kOffice, kT0 + 39 * kDay + 3000, {1, 1}}}), 1);
    EXPECT_EQ(samplesOf(store.db(), s).size(), 30u * 3 + 1);
}

TEST_F(StoreFixture, AFileThatIsNoDatabaseIsMovedAsideAndANewOneBegun)
{
    ASSERT_TRUE(vstest::writeFile(path, QByteArray(8192, 'x')));

    HistoryStore store;
    QString notice;
    store.open(path, &notice);
    EXPECT_EQ(store.add({{kOffice, kT0, {800, 21}}}), 1);
    const QStringList aside = QDir(dir.path()).entryList({"history.sqlite.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(notice.contains(aside[0])) << notice.toStdString();
    EXPECT_EQ(vstest::readFile(dir.path() + "/" + aside[0]), QByteArray(8192, 'x')); // the user's file is kept as it was
    for (const QString& file : {path, path + "-wal", path + "-shm"}) // the readings are the owner's alone
        EXPECT_EQ(QFile::permissions(file) & (QFile::ReadOther | QFile::ReadGroup), 0) << file.toStdString();
}

// A kill at any moment loses at most the pass being written: every pass the
// child reported as stored is there afterwards, and the file opens cleanly.
TEST_F(StoreFixture, AKilledWriterLosesAtMostThePassBeingWritten)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeEnds[0]);
        HistoryStore store;
        store.open(path);
        for (int32_t pass = 0;; ++pass) {
            store.add({{kOffice, kT0 + pass * 1000LL, {double(pass), 20}},
                       {{"B", "Lab", {"CO2eq"}, {"ppm"}}, kT0 + pass * 1000LL, {double(pass)}}});
            if (write(pipeEnds[1], &pass, sizeof pass) != sizeof pass)
                _exit(1);
        }
    }
    close(pipeEnds[1]);
    int32_t stored = -1, pass = 0;
    while (stored < 400 && read(pipeEnds[0], &pass, sizeof pass) == sizeof pass)
        stored = pass;
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(pipeEnds[0]);

    HistoryStore store;
    QString notice;
    store.open(path, &notice);
    EXPECT_TRUE(notice.isEmpty()) << notice.toStdString();
    const std::vector<SeriesInfo> series = listSeries(store.db());
    ASSERT_EQ(series.size(), 2u);
    for (const SeriesInfo& s : series) {
        const auto samples = samplesOf(store.db(), s);
        ASSERT_GE(static_cast<int>(samples.size()), stored + 1);
        for (size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(samples[i].second[0], static_cast<double>(i));
    }
}
