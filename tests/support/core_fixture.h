#pragma once
// The monitor's core without a window: its own settings, simulated sticks
// on a simulated bus, a test face and scripted answers to every question.
#include "core/monitor_core.h"
#include "files.h"
#include "script_prompts.h"
#include "settings/settings.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "stored_history.h"
#include "temp_config.h"
#include "test_face.h"
#include "wait_for.h"

#include <QFile>
#include <QSettings>

#include <functional>
#include <map>
#include <memory>

namespace vstest {

struct CoreFixture : TempConfig {
    vs::ManualClock clock{{2026, 12, 7, 8, 15, 2, 0}};
    // Runs inside the stick exchanges' waits, as the window's events do.
    std::function<void()> duringWait;
    vs::StickLink link{clock, [this](int ms) {
                           clock.advanceMs(ms);
                           if (duringWait)
                               duringWait();
                       }};
    vs::TraceLog trace{clock};
    std::unique_ptr<vs::SettingsStore> store;
    std::unique_ptr<vs::Settings> settings;
    ScriptPrompts prompts;
    vs::SimulatedBackend bus{clock};
    vs::DeviceScanner scanner{link, bus};
    vs::PlotRecord plot;
    vs::PlotSettings plotSettings;
    TestFace face;
    std::unique_ptr<vs::Services> services;
    std::unique_ptr<vs::MonitorCore> core;

    // Called with the new core before it starts.
    std::function<void()> beforeStart;

    void startCore(const QString& ini)
    {
        QSettings file(this->ini(), QSettings::IniFormat);
        for (const QString& line : ini.split('\n', Qt::SkipEmptyParts)) {
            const auto kv = line.split('=');
            file.setValue(kv[0], kv[1]);
        }
        file.sync();
        store = std::make_unique<vs::SettingsStore>();
        settings = std::make_unique<vs::Settings>(*store);
        services = std::make_unique<vs::Services>(
            vs::Services{clock, link, trace, *settings, prompts, scanner, plot, plotSettings});
        core = std::make_unique<vs::MonitorCore>(*services, face);
        if (beforeStart)
            beforeStart();
        core->findSticks();
        core->loadSettings();
        core->configureSticks();
        core->startLinks();
    }
    void TearDown() override
    {
        core.reset();
        TempConfig::TearDown();
    }
    static bool eventually(const std::function<bool()>& done) { return waitFor(done); }
    // Everything the core said, as one text.
    std::string said() const { return face.all.toStdString(); }
    // Per serial number, the samples the history holds.
    std::map<std::string, int> historyCounts()
    {
        std::map<std::string, int> out;
        forEachStored(core->history(), [&](const vs::SeriesInfo& s, int64_t, const std::vector<double>&) {
            ++out[s.who.serial.toStdString()];
        });
        return out;
    }
    QStringList logLines() const
    {
        QFile f(dir.path() + "/log.txt");
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    }
};

} // namespace vstest
