#pragma once
// The main window started as the program starts it, with its own settings,
// simulated sticks on a simulated bus and scripted answers to every question.
#include "core/monitor_core.h"
#include "files.h"
#include "window/main_window.h"
#include "script_prompts.h"
#include "settings/settings.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "temp_config.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <memory>
#include <string>

namespace vstest {

// One key press sent straight to a widget.
inline void press(QWidget* w, int key)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &down);
}

// With VENTISCOPE_GRAB set to a folder, a test leaves there the picture of
// what it checked, for a person to look at.
inline void keepPicture(QWidget& w, const QString& name)
{
    if (!qEnvironmentVariableIsEmpty("VENTISCOPE_GRAB")) {
        w.show();
        w.grab().save(qEnvironmentVariable("VENTISCOPE_GRAB") + "/" + name);
    }
}

struct WindowFixture : TempConfig {
    vs::ManualClock clock{{2026, 12, 6, 10, 0, 0, 0}};
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    vs::TraceLog trace{clock};
    std::unique_ptr<vs::SettingsStore> store;
    std::unique_ptr<vs::Settings> settings;
    ScriptPrompts prompts;
    vs::SimulatedBackend bus{clock};
    vs::DeviceScanner scanner{link, bus};
    vs::PlotRecord plot;
    vs::PlotSettings plotSettings;
    std::unique_ptr<vs::Services> services;
    std::unique_ptr<vs::MainWindow> window;

    // Reads the settings file as it is now and runs the start-up sequence.
    void startWindow(const std::string& commandLine = "", bool expectRunning = true)
    {
        store = std::make_unique<vs::SettingsStore>();
        settings = std::make_unique<vs::Settings>(*store);
        services = std::make_unique<vs::Services>(
            vs::Services{clock, link, trace, *settings, prompts, scanner, plot, plotSettings});
        window = std::make_unique<vs::MainWindow>(*services);
        window->resize(900, 600);
        EXPECT_EQ(window->Form_Load(commandLine), expectRunning);
    }
    // The settings file as it is now.
    QString stored() const { return QString::fromUtf8(readFile(ini())); }
    void TearDown() override
    {
        window.reset();
        TempConfig::TearDown();
    }
};

} // namespace vstest
