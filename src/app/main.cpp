#include "common/version.h"
#include "core/program_arguments.h"
#include "service/flash_command.h"
#include "service/headless.h"
#include "service/forget_command.h"
#include "service/history_command.h"
#include "settings/settings_store.h"
#include "app/window_web.h"
#include "web/web_service.h"
#include "window/run_window.h"

#include <QString>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

// A window needs a display: X11, Wayland, or a platform chosen by hand
// (such as the offscreen one).
bool displayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

// Chooses the face: the window, the headless service, or a one-shot run.
int main(int argc, char** argv)
{
    using Mode = vs::ProgramArguments::Mode;
    const vs::ProgramArguments a = vs::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!a.error.empty()) {
        std::cerr << "ventiscope: " << a.error << "\n" << vs::kUsage;
        return 2;
    }
    if (!a.config.empty())
        vs::SettingsStore::setUserFile(QString::fromLocal8Bit(a.config.c_str()));
    switch (a.mode) {
    case Mode::Help:
        std::cout << vs::kUsage;
        return 0;
    case Mode::Version:
        std::cout << vs::kProgramVersion << std::endl;
        return 0;
    case Mode::Headless:
        // The service reads its settings and never writes them.
        vs::SettingsStore::setReadOnly(true);
        return vs::runService(argc, argv, vs::startServiceWebFace);
    case Mode::DownloadFlash:
        return vs::runFlashDownload(argc, argv, a.flashFile, a.endTime);
    case Mode::ExportHistory:
        return vs::runHistoryExport(argc, argv, a.history);
    case Mode::ImportLog:
        return vs::runLogImport(argc, argv, a.importFile, a.history.stick);
    case Mode::BackupHistory:
        return vs::runHistoryBackup(argc, argv, a.backupFile);
    case Mode::ForgetStick:
        return vs::runForgetStick(argc, argv, a.forgetSerial);
    case Mode::Window:
        break;
    }
    if (!displayAvailable()) {
        std::cerr << "ventiscope: no display found (DISPLAY and WAYLAND_DISPLAY are not set); "
                     "ventiscope --headless runs without one.\n";
        return 1;
    }
    return vs::runWindow(argc, argv, vs::startWindowWebFace);
}
