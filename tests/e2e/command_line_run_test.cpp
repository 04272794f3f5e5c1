// The program run as a real process with simulated sticks.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Run : ::testing::Test {
    QTemporaryDir home;
    QProcess process;

    void start(const QStringList& arguments, const QString& simulate, bool display = true)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("XDG_DATA_HOME", home.path() + "/data");
        env.insert("HOME", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (!display)
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                env.remove(name);
        if (simulate.isEmpty())
            env.remove("VENTISCOPE_SIMULATE");
        else
            env.insert("VENTISCOPE_SIMULATE", simulate);
        process.setProcessEnvironment(env);
        process.start(VENTISCOPE_EXE, arguments);
        ASSERT_TRUE(process.waitForStarted(10000));
    }
    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
};

TEST_F(Run, ResetInAnyCaseEndsWithExitCode0)
{
    start({"/RsT"}, "5,1/33");
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(Run, ACommandLineWithoutSticksEndsAtOnce)
{
    start({"/rst"}, "x");
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(Run, DumpToANameWithBlanksAppendsALinePerStick)
{
    const QString file = home.path() + "/Dump Folder/a b.txt";
    QDir().mkpath(home.path() + "/Dump Folder");
    for (const QStringList& args : {QStringList{"/dump=\"" + file + "\""}, QStringList{"/dump=" + file}}) {
        start(args, "5,1/33");
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), 0);
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 5); // four lines and the empty rest after the last line end
    for (int i = 0; i < 4; ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        ASSERT_GE(fields.size(), 10) << lines[i].toStdString();
        EXPECT_EQ(fields[0].size(), 6);
        EXPECT_EQ(fields[1].size(), 6);
        EXPECT_EQ(fields[2], "Ventiscope simulated stick " + QByteArray::number(i % 2));
        EXPECT_TRUE(fields[9].startsWith('@')) << "FLAGGET? reply";
        EXPECT_TRUE(fields[10].startsWith('@')) << "*TRG reply";
    }
}

TEST_F(Run, AnEmptyDumpOrAnUnknownWordKeepsTheProgramRunning)
{
    for (const QString& arg : {QString("/dump="), QString("hello")}) {
        start({arg}, "5");
        EXPECT_FALSE(process.waitForFinished(4000)) << arg.toStdString();
        EXPECT_EQ(process.state(), QProcess::Running);
        process.kill();
        process.waitForFinished(5000);
    }
}

TEST_F(Run, EndingBySignalRunsTheShutDownAndStoresTheGeometry)
{
    start({}, "5");
    EXPECT_FALSE(process.waitForFinished(3000));
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0);
    QFile ini(home.path() + "/config/Ventiscope/Ventiscope.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("MainGraphWidth=")) << text.toStdString();
}

// ventiscope --download-flash: every value of the recording in the file, or
// a non-zero exit with the reason and the file as it was.
TEST_F(Run, TheCommandLineDownloadWritesTheRecordingOrNothing)
{
    const QString file = home.path() + "/recording.txt";
    start({"--download-flash=" + file, "--end=12:00"}, "5");
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("Downloaded 40 values.")) << out.toStdString();
    EXPECT_TRUE(out.contains("Wrote 40 values to " + file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 41);
    EXPECT_EQ(lines[0], "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"CO2eq[ppm]\"\t ");
    EXPECT_TRUE(lines[40].endsWith(" 11:58:59\t ") || lines[40].contains(" 11:58:59\t ")) << lines[40].toStdString();
    for (int i = 1; i <= 40; ++i) {
        const QStringList fields = lines[i].split("\t ");
        ASSERT_EQ(fields.size(), 3) << lines[i].toStdString();
        const double value = fields[1].toDouble();
        EXPECT_TRUE(value >= 400 && value <= 1400) << lines[i].toStdString();
    }

    // A stick that loses reports and cannot send a block again, several
    // sticks, no stick: refused, and the file keeps what it held.
    struct Refusal {
        QString simulate;
        QString reason;
    } refusals[] = {{"3~5", "The download stopped after"},
                    {"5,5", "2 sensor sticks are connected"},
                    {"x", "No sensor stick is connected"}};
    for (const Refusal& r : refusals) {
        start({"--download-flash=" + file}, r.simulate);
        ASSERT_TRUE(process.waitForFinished(30000));
        const QString said = QString::fromLocal8Bit(process.readAllStandardOutput());
        EXPECT_EQ(process.exitCode(), 1) << r.simulate.toStdString();
        EXPECT_TRUE(said.contains(r.reason)) << said.toStdString();
        QFile again(file);
        ASSERT_TRUE(again.open(QIODevice::ReadOnly));
        EXPECT_EQ(again.readAll().count('\n'), 41) << "unchanged after " << r.simulate.toStdString();
    }

    // Losing reports, a stick that can repeat a block still gives every value.
    const QString lossy = home.path() + "/lossy.txt";
    start({"--download-flash=" + lossy, "--end=12:00"}, "5~5");
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    QFile a(file), b(lossy);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll()) << "the same recording, value for value";

    start({"--end=12:00"}, "5");
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2) << "--end belongs to a download";
}

TEST_F(Run, WithoutADisplayTheWindowSaysSoAndUnknownOptionsGetTheUsage)
{
    start({}, "5", false);
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "no abort";
    EXPECT_EQ(process.exitCode(), 1);
    const QString said = process.readAllStandardError();
    EXPECT_TRUE(said.contains("no display") && said.contains("ventiscope --headless")) << said.toStdString();

    start({"--frobnicate"}, "5", false);
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(QString(process.readAllStandardError()).contains("Usage: ventiscope")) << "the usage follows";
}

} // namespace
