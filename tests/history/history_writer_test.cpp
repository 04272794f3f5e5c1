// The writer as a running copy uses it: its own thread, one copy per
// database, a full disk.
#include "history/history_reader.h"
#include "history/history_writer.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "wait_for.h"

#include <gtest/gtest.h>

#include <sys/mount.h>

using namespace vs;

namespace {

constexpr int64_t kT0 = 1796000040000; // a minute boundary in 2026

struct Said {
    QStringList lines;
    void hook(HistoryWriter& w)
    {
        w.say = [this](const QString& text) { lines << text; };
    }
    int count(const QString& part) const { return static_cast<int>(lines.filter(part).size()); }
};

// What the writing thread said before a flush() ended was posted to this
// thread already: it arrives with the next turn of the event loop.
void settle()
{
    QCoreApplication::sendPostedEvents();
}

HistorySettings at(const QString& path)
{
    HistorySettings s;
    s.path = path;
    return s;
}

} // namespace

TEST(HistoryWriter, ASecondCopySaysSoAndKeepsNoHistoryWhileTheFirstWritesOn)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/sub/history.sqlite"; // its folder is made
    HistoryWriter first(at(path));
    ASSERT_TRUE(first.start());
    HistoryWriter second(at(path));
    Said said;
    said.hook(second);
    EXPECT_FALSE(second.start());
    settle();
    ASSERT_EQ(said.lines.size(), 1);
    EXPECT_TRUE(said.lines[0].contains("another copy")) << said.lines[0].toStdString();
    EXPECT_TRUE(said.lines[0].contains(QString::number(QCoreApplication::applicationPid())));

    // A folder nobody may write is not mistaken for another copy.
    HistoryWriter nowhere(at("/proc/ventiscope/history.sqlite"));
    said.hook(nowhere);
    EXPECT_FALSE(nowhere.start());
    settle();
    ASSERT_EQ(said.lines.size(), 2);
    EXPECT_TRUE(said.lines[1].contains("cannot be used")) << said.lines[1].toStdString();

    const SeriesIdentity who{"S1", "Office", {"CO2eq"}, {"ppm"}};
    second.add({{who, kT0, {1}}}); // nothing happens
    first.add({{who, kT0, {800}}});
    first.add({{who, kT0 + 1000, {801}}});
    first.flush();
    EXPECT_EQ(first.rowsWritten(), 2);
    EXPECT_EQ(second.rowsWritten(), 0);
}

// A small filesystem of its own: the history fills it, pauses with one line,
// and writes again once there is room.
TEST(HistoryWriter, AFullDiskPausesTheHistoryWithOneLineAndItResumes)
{
    QTemporaryDir dir;
    if (mount("tmpfs", dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=640k") != 0)
        GTEST_SKIP() << "no small filesystem can be mounted here (needs root): " << strerror(errno);
    struct Unmount {
        QString path;
        ~Unmount() { umount2(path.toLocal8Bit().constData(), MNT_DETACH); }
    } unmount{dir.path()};

    // Leave the database a little room.
    QFile filler(dir.path() + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(400 * 1024, 'f'));
    filler.close();

    SeriesIdentity who{"WIDE", "Wide stick", {}, {}};
    for (int c = 0; c < 100; ++c) {
        who.labels << QString("C%1").arg(c);
        who.units << "x";
    }
    Said said;
    HistoryWriter writer(at(dir.path() + "/history.sqlite"));
    writer.pauseMs = 300;
    said.hook(writer);
    ASSERT_TRUE(writer.start());
    int pass = 0;
    const auto onePass = [&] {
        std::vector<double> values;
        for (int c = 0; c < 100; ++c)
            values.push_back(pass * 0.001 + c / 3.0); // not hundredths: 9 bytes each
        writer.add({{who, kT0 + pass++ * 1000LL, values}});
    };
    while (!writer.paused() && pass < 2000) {
        onePass();
        writer.flush();
    }
    ASSERT_TRUE(writer.paused()) << "the disk never filled";
    const long before = writer.rowsWritten();
    for (int i = 0; i < 50; ++i) // passes go on being handed over while paused
        onePass();
    writer.flush();
    settle();
    EXPECT_EQ(said.count("is full"), 1) << said.lines.join('\n').toStdString();

    // Room again: once the pause is over, the next pass is written.
    ASSERT_TRUE(QFile::remove(dir.path() + "/filler"));
    ASSERT_TRUE(vstest::waitFor([&] {
        onePass();
        writer.flush();
        return !writer.paused();
    }));
    settle();
    EXPECT_EQ(writer.rowsWritten(), before + 1) << "the first pass after the pause";
    EXPECT_EQ(said.count("writing again"), 1);

    // What was stored before the disk filled reads back whole.
    SqlDatabase db;
    db.open(dir.path() + "/history.sqlite", true);
    const std::vector<SeriesInfo> series = listSeries(db);
    ASSERT_EQ(series.size(), 1u);
    long samples = 0;
    forEachSample(db, series[0], 0, kT0 * 2, [&](int64_t, const std::vector<double>& v) {
        ASSERT_EQ(v.size(), 100u);
        ++samples;
    });
    EXPECT_EQ(samples, before + 1);
}
