// The writer as a running copy uses it: its own thread, one copy per
// database, and a file that is locked, full, deleted, damaged or in a
// folder that cannot be written yet: what fits is held and written later,
// each trouble said once and once more when it is over.
#include "files.h"
#include "history/history_reader.h"
#include "history/history_writer.h"
#include "history/log_import.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>

using namespace vs;

namespace {

constexpr int64_t kT0 = 1796000040000; // a minute boundary in 2026
const SeriesIdentity kWho{"S1", "Office", {"CO2eq"}, {"ppm"}, {"1000 1500"}};

struct Writing : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.path() + "/sub/history.sqlite"; // its folder is made
    QStringList said;
    int pass = 0;

    std::unique_ptr<HistoryWriter> writer(const QString& at)
    {
        HistorySettings s;
        s.path = at;
        auto w = std::make_unique<HistoryWriter>(s);
        w->retryEveryMs = 50;
        w->say = [this](const QString& text) { said << text; };
        return w;
    }
    void onePass(HistoryWriter& w, const SeriesIdentity& who = kWho)
    {
        std::vector<double> values(static_cast<size_t>(who.channels()), 800.0 + pass);
        w.add({{who, kT0 + pass++ * 1000LL, values}});
    }
    int count(const QString& part) const { return static_cast<int>(said.filter(part).size()); }
    long stored(const QString& at)
    {
        SqlDatabase db;
        db.open(at, true);
        long n = 0;
        for (const SeriesInfo& s : listSeries(db))
            forEachSample(db, s, 0, kT0 * 2, [&](int64_t, const std::vector<double>&) { ++n; });
        return n;
    }
};

TEST_F(Writing, ASecondCopySaysSoAndKeepsNoHistoryWhileTheFirstWritesOn)
{
    auto first = writer(path);
    ASSERT_TRUE(first->start());
    auto second = writer(path);
    EXPECT_FALSE(second->start());
    ASSERT_TRUE(vstest::waitFor([&] { return count("another copy") == 1; }));
    EXPECT_TRUE(said[0].contains(QString::number(QCoreApplication::applicationPid())));
    onePass(*second); // nothing happens
    onePass(*first);
    onePass(*first);
    first->flush();
    EXPECT_EQ(first->rowsWritten(), 2);
    EXPECT_EQ(second->rowsWritten(), 0);
}

TEST_F(Writing, AnImportMeetsTheRunningWriterThroughTheFilesLock)
{
    auto w = writer(path);
    ASSERT_TRUE(w->start());
    QFile log(dir.path() + "/old.txt");
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"CO2eq[ppm]\"\t \r\n");
    for (int i = 0; i < 3000; ++i)
        log.write(QDateTime::fromMSecsSinceEpoch(kT0 - 86400000LL + i * 1000LL).toString("yyyy-MM-dd HH:mm:ss\t 700\t \r\n").toUtf8());
    log.close();
    HistoryStore importer;
    importer.open(path);
    importer.db().setBusyTimeout(30000);
    ImportCounts counts;
    QString error;
    for (int i = 0; i < 20; ++i) // the copy writes on meanwhile
        onePass(*w);
    ASSERT_TRUE(importLog(importer, log.fileName(), "S1", counts, error)) << error.toStdString();
    for (int i = 0; i < 20; ++i)
        onePass(*w);
    w->flush();
    EXPECT_EQ(counts.added, 3000);
    EXPECT_EQ(w->held(), 0);
    EXPECT_EQ(stored(path), 3040) << "both writers' samples, in the one series of the stick";
}

TEST_F(Writing, ALockedFileHoldsTheSamplesAndWritesThemWhenItIsFree)
{
    auto w = writer(path);
    ASSERT_TRUE(w->start());
    onePass(*w);
    w->flush();
    SqlDatabase other; // another program holds the file
    other.open(path);
    other.exec("BEGIN EXCLUSIVE");
    for (int i = 0; i < 5; ++i)
        onePass(*w);
    ASSERT_TRUE(vstest::waitFor([&] { return count("is locked") == 1; }));
    w->flush();
    EXPECT_EQ(w->held(), 5);
    other.exec("COMMIT");
    onePass(*w);
    ASSERT_TRUE(vstest::waitFor([&] { return w->held() == 0 && count("writing again") == 1; }));
    EXPECT_EQ(stored(path), 7) << "nothing of what waited was lost";
    EXPECT_EQ(count("is locked"), 1) << said.join('\n').toStdString();

    // Locked at the end: the shut-down does not wait for the file and says what is lost.
    other.exec("BEGIN EXCLUSIVE");
    for (int i = 0; i < 3; ++i)
        onePass(*w);
    w->finalWriteMs = 100;
    w.reset();
    EXPECT_EQ(count("3 samples could not be written"), 1) << said.join('\n').toStdString();
    other.exec("COMMIT");
}

TEST_F(Writing, AFileDeletedOrDamagedOrAFolderNotWritableYetIsSaidAndANewOneBegun)
{
    // The folder is a file at first: nothing can be written there until it becomes a folder.
    ASSERT_TRUE(vstest::writeFile(dir.path() + "/sub", {}));
    auto w = writer(path);
    ASSERT_TRUE(w->start()) << "a folder that cannot be written is tried again";
    onePass(*w);
    ASSERT_TRUE(vstest::waitFor([&] { return count("tried again every minute") == 1; }));
    ASSERT_TRUE(QFile::remove(dir.path() + "/sub"));
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/sub"));
    ASSERT_TRUE(vstest::waitFor([&] { return w->held() == 0; }));
    EXPECT_EQ(stored(path), 1) << "the sample that waited is written";

    // Deleted while open: noticed, a new file, what follows is kept.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(vstest::waitFor([&] { return count("was deleted or replaced") == 1; }));
    onePass(*w);
    w->flush();
    EXPECT_EQ(stored(path), 1);
    w.reset();

    // Damaged inside: the bounded check at the start moves it aside.
    {
        auto fill = writer(path);
        ASSERT_TRUE(fill->start());
        for (int i = 0; i < 3000; ++i)
            onePass(*fill, SeriesIdentity{QString("S%1").arg(i % 50), "x", {"a", "b"}, {"u", "u"}, {}});
        fill->flush(); // all written before the end, whose time is bounded, on a machine of any speed
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_GT(file.size(), 3 * 65536);
    file.seek(file.size() / 2);
    file.write(QByteArray(65536, '\x5a'));
    file.close();
    said.clear();
    auto again = writer(path);
    ASSERT_TRUE(again->start());
    ASSERT_TRUE(vstest::waitFor([&] { return count("is damaged") == 1; })) << said.join('\n').toStdString();
    EXPECT_EQ(QDir(dir.path() + "/sub").entryList({"history.sqlite.damaged-*"}).size(), 1);
    onePass(*again);
    again->flush();
    EXPECT_EQ(stored(path), 1);
}

// A small filesystem of its own: the history fills it, holds the samples
// with one line, and writes them once there is room.
TEST_F(Writing, AFullDiskHoldsTheSamplesAndWritesThemWhenThereIsRoom)
{
    if (mount("tmpfs", dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=640k") != 0)
        GTEST_SKIP() << "no small filesystem can be mounted here (needs root): " << strerror(errno);
    struct Unmount {
        QString path;
        ~Unmount() { umount2(path.toLocal8Bit().constData(), MNT_DETACH); }
    } unmount{dir.path()};
    ASSERT_TRUE(vstest::writeFile(dir.path() + "/filler", QByteArray(400 * 1024, 'f'))); // leave the database a little room

    SeriesIdentity wide{"WIDE", "Wide stick", {}, {}, {}};
    for (int c = 0; c < 100; ++c) {
        wide.labels << QString("C%1").arg(c);
        wide.units << "x";
    }
    auto w = writer(dir.path() + "/history.sqlite");
    ASSERT_TRUE(w->start());
    while (w->held() == 0 && pass < 2000) {
        std::vector<double> values;
        for (int c = 0; c < 100; ++c)
            values.push_back(pass * 0.001 + c / 3.0); // not hundredths: 9 bytes each
        w->add({{wide, kT0 + pass++ * 1000LL, values}});
        w->flush();
    }
    ASSERT_GT(w->held(), 0) << "the disk never filled";
    ASSERT_TRUE(vstest::waitFor([&] { return count("is full") == 1; }));
    const long before = w->rowsWritten(), held = w->held();

    ASSERT_TRUE(QFile::remove(dir.path() + "/filler"));
    ASSERT_TRUE(vstest::waitFor([&] { return w->held() == 0; }));
    EXPECT_EQ(w->rowsWritten(), before + held) << "every sample that waited";
    ASSERT_TRUE(vstest::waitFor([&] { return count("writing again") == 1; }));
    w.reset();
    EXPECT_EQ(stored(dir.path() + "/history.sqlite"), pass);
}

} // namespace
