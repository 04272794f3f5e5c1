// The program run as a real process with simulated sticks: its one-shot
// command lines, the flash download without a display, the end by signal.
#include "files.h"
#include "program_run.h"
#include "sockets.h"

#include <gtest/gtest.h>

namespace {

using vstest::ProgramRun;

TEST(Run, CommandLinesActOnceEndOrKeepTheProgramRunning)
{
    ProgramRun run;
    const QString dump = run.path("Dump Folder/a b.txt");
    QDir().mkpath(run.path("Dump Folder"));
    struct Case {
        QStringList arguments;
        QString simulate;
        bool display;
        int code;          // -2: still running after its sticks were configured
        QByteArray output; // part of standard output or error
    } cases[] = {
        {{"/RsT"}, "5,1/33", true, 0, ""},
        {{"/rst"}, "", true, 0, ""},                                   // no stick: ends at once
        {{"/dump=\"" + dump + "\""}, "5,1/33", true, 0, ""},
        {{"/dump=" + dump}, "5,1/33", true, 0, ""},                    // the shell kept the blank
        {{"/dump=" + run.path("--version.txt")}, "5", true, 0, ""},   // a file name, not a switch
        {{"/dump="}, "5", true, -2, ""},
        {{"hello"}, "5", true, -2, ""},
        {{"--version"}, "5", false, 0, "2.41.0\n"},
        {{"--help"}, "5", false, 0, "--headless"},
        {{"--frobnicate"}, "5", false, 2, "Usage: ventiscope"},
        {{"--headless", "/rst"}, "5", false, 2, "only the window takes"},
        {{"--export-history", "--stick=A", "--stick=B"}, "5", false, 2, "--stick is given twice"},
        {{"--export-history", "--from=2026-12-08", "--to=2026-12-07"}, "5", false, 2, "is not before --to"},
        {{"--end=12:00"}, "5", false, 2, "--end belongs to --download-flash"},
        {{}, "5", false, 1, "ventiscope --headless"},                  // a window without a display
    };
    // A copy that runs on after its start answers on its network port.
    const int port = vstest::freePort();
    run.writeSettings(QString("[NetworkSettings]\nNetworkOption=2\nLocalPort=%1\n").arg(port));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        run.start(c.arguments, c.simulate, c.display);
        if (c.code == -2) {
            QTcpSocket peer;
            QByteArray greeting;
            EXPECT_TRUE(vstest::waitFor([&] {
                if (peer.state() == QAbstractSocket::UnconnectedState)
                    peer.connectToHost("127.0.0.1", static_cast<quint16>(port));
                return (greeting += peer.readAll()).contains("Nym>");
            }));
            EXPECT_EQ(run.process.state(), QProcess::Running);
            run.stop();
            continue;
        }
        EXPECT_EQ(run.finish(), c.code);
        EXPECT_TRUE((run.out() + run.process.readAllStandardError()).contains(c.output));
    }
    const QList<QByteArray> lines = vstest::readFile(dump).split('\n');
    ASSERT_EQ(lines.size(), 5) << "two runs of two sticks, and the rest after the last line end";
    for (int i = 0; i < 4; ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        ASSERT_GE(fields.size(), 11) << lines[i].toStdString();
        EXPECT_EQ(fields[2], "Ventiscope simulated stick " + QByteArray::number(i % 2));
        EXPECT_TRUE(fields[9].startsWith('@') && fields[10].startsWith('@')) << "FLAGGET? and *TRG replies";
    }
    EXPECT_TRUE(QFile::exists(run.path("--version.txt")));
}

// The window with its web page enabled: the page answers with the window's
// sticks; a signal ends the program through its normal shut-down.
TEST(Run, TheWindowServesItsWebPageAndEndingBySignalStoresTheGeometry)
{
    ProgramRun run;
    const int port = vstest::freePort();
    run.writeSettings(QString("[HIDsettings]\nLog2file=1\nLogFile=%1\n[Web]\nEnabled=1\nListen=127.0.0.1:%2\n")
                          .arg(run.log())
                          .arg(port));
    run.start({});
    ASSERT_TRUE(vstest::waitFor([&] { return run.logLines().size() >= 2; }));
    const QByteArray sticks = vstest::httpGet(port, "/api/sticks");
    EXPECT_TRUE(sticks.startsWith("HTTP/1.1 200") && sticks.contains("\"state\":\"open\"")) << sticks.toStdString();
    run.process.terminate();
    EXPECT_EQ(run.finish(), 0);
    EXPECT_TRUE(vstest::readFile(run.settingsFile()).contains("MainGraphWidth="));
}

// ventiscope --download-flash: every value of the recording in the file, or
// a non-zero exit with the reason and the file as it was.
TEST(Run, TheCommandLineDownloadWritesTheRecordingOrNothing)
{
    ProgramRun run;
    const QString file = run.path("recording.txt");
    run.start({"--download-flash=" + file, "--end=12:00"}, "5", false);
    EXPECT_EQ(run.finish(), 0);
    const QString out = QString::fromLocal8Bit(run.out());
    EXPECT_TRUE(out.contains("Downloaded 40 values.") && out.contains("Wrote 40 values to " + file)) << out.toStdString();
    const QByteArray recording = vstest::readFile(file);
    const QStringList lines = QString::fromLocal8Bit(recording).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 41);
    EXPECT_EQ(lines[0], "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"CO2eq[ppm]\"\t ");
    EXPECT_TRUE(lines[40].contains(" 11:58:59\t ")) << lines[40].toStdString();
    for (int i = 1; i <= 40; ++i) {
        const QStringList fields = lines[i].split("\t ");
        ASSERT_EQ(fields.size(), 3) << lines[i].toStdString();
        EXPECT_TRUE(fields[1].toDouble() >= 400 && fields[1].toDouble() <= 1400) << lines[i].toStdString();
    }

    // A stick that loses reports and cannot send a block again, several
    // sticks, no stick: refused, and the file keeps what it held.
    const std::pair<QString, QString> refusals[] = {{"3~5", "The download stopped after"},
                                                    {"5,5", "2 sensor sticks are connected"},
                                                    {"", "No sensor stick is connected"}};
    for (const auto& [simulate, reason] : refusals) {
        run.start({"--download-flash=" + file}, simulate, false);
        EXPECT_EQ(run.finish(), 1) << simulate.toStdString();
        EXPECT_TRUE(run.out().contains(reason.toUtf8())) << run.out().toStdString();
        EXPECT_EQ(vstest::readFile(file), recording) << "unchanged after " << simulate.toStdString();
    }

    // Losing reports, a stick that can repeat a block still gives every value.
    run.start({"--download-flash=" + run.path("lossy.txt"), "--end=12:00"}, "5~5", false);
    EXPECT_EQ(run.finish(), 0);
    EXPECT_EQ(vstest::readFile(run.path("lossy.txt")), recording) << "the same recording, value for value";
}

} // namespace
