#pragma once
// The built program as a real process in a home folder of its own: its
// settings file, value log and history live there, its sticks are the
// simulated ones the test names, and it has the offscreen display or none.
#include "wait_for.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace vstest {

struct ProgramRun {
    QTemporaryDir home;
    QProcess process;

    QString path(const QString& name) const { return home.path() + "/" + name; }
    QString log() const { return path("values.log"); }
    QString settingsFile() const { return path("config/Ventiscope/Ventiscope.ini"); }

    void writeSettings(const QString& ini) const
    {
        QDir().mkpath(path("config/Ventiscope"));
        QFile f(settingsFile());
        if (f.open(QIODevice::WriteOnly))
            f.write(ini.toUtf8());
    }
    // `simulate` empty: no simulated sticks (and none from USB in a test run).
    QProcessEnvironment environment(const QString& simulate = "5", bool display = true) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_DATA_HOME", path("data"));
        env.insert("HOME", home.path());
        env.insert("VENTISCOPE_SIMULATE", simulate.isEmpty() ? QString("x") : simulate);
        if (display) {
            env.insert("QT_QPA_PLATFORM", "offscreen");
        } else {
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                env.remove(name);
        }
        return env;
    }
    void start(const QStringList& arguments, const QString& simulate = "5", bool display = true)
    {
        stop();
        output_.clear();
        process.setProcessEnvironment(environment(simulate, display));
        process.start(VENTISCOPE_EXE, arguments);
        process.waitForStarted(kHangGuardMs);
    }
    // Waits for the end; the exit code (-1 when it crashed or never ended).
    int finish()
    {
        if (!process.waitForFinished(kHangGuardMs) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }
    // Standard output so far.
    QByteArray out()
    {
        output_ += process.readAllStandardOutput();
        return output_;
    }
    struct Result {
        int code = -1;
        QByteArray out, err;
    };
    // The program once more, in this home (or with the environment given), to its end.
    Result once(const QStringList& arguments, QProcessEnvironment env = {}) const
    {
        QProcess p;
        p.setProcessEnvironment(env.isEmpty() ? environment() : env);
        p.start(VENTISCOPE_EXE, arguments);
        Result r;
        if (p.waitForFinished(kHangGuardMs) && p.exitStatus() == QProcess::NormalExit)
            r.code = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
    // The value log's lines without their line ends.
    QList<QByteArray> logLines() const
    {
        QFile f(log());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = f.readAll().split('\n');
        lines.removeLast();
        for (QByteArray& l : lines)
            if (l.endsWith('\r'))
                l.chop(1);
        return lines;
    }
    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    ~ProgramRun() { stop(); }

private:
    QByteArray output_;
};

} // namespace vstest
