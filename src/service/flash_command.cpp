#include "service/flash_command.h"

#include "common/dateformat.h"
#include "core/file_flash_face.h"
#include "core/monitor_core.h"
#include "core/quit_on_signal.h"
#include "flash/flash_available.h"
#include "service/console_program.h"
#include "stick/channel_state.h"
#include "stick/stick_link.h"

#include <QCoreApplication>

#include <iostream>

namespace vs {

namespace {

// The one open stick, or -1 with the reason said.
int theOneStick(StickLink& link, ConsoleFace& face)
{
    int found = -1, open = 0;
    for (int i = 0; i < link.SlotsReserved; ++i)
        if (link.Nymstick_isOpen(i)) {
            ++open;
            found = i;
        }
    if (open == 0) {
        face.line("No sensor stick is connected: nothing to download.");
        return -1;
    }
    if (open > 1) {
        face.line(std::to_string(open) +
                  " sensor sticks are connected; a download takes the recording of one: remove all sticks except one.");
        return -1;
    }
    if (!nymstick_CheckFlashAvailable(link, found)) {
        face.line("The sensor stick" + stickLabel(*link.slot(found)) + " keeps no recordings in flash.");
        return -1;
    }
    return found;
}

} // namespace

int runFlashDownload(int argc, char** argv, const std::string& fileName, const std::string& endTime)
{
    ConsoleProgram program(argc, argv);
    ProgramObjects& objects = program.objects;
    ConsoleFace& face = program.face;
    Services& services = program.services;
    const std::string end = endTime.empty() ? formatDateTime(objects.clock.now(), "Hh:Nn") : endTime;
    if (!recordingEnd(end, objects.clock.now())) {
        face.line("The end time \"" + end + "\" is not a time of day (HH:MM).");
        return 2;
    }

    MonitorCore core(services, face);
    core.service = true;
    core.findSticks();
    core.loadSettings();
    core.configureSticks();
    if (!objects.link.StickErrorText.empty()) {
        face.line("The stick could not be configured: " + objects.link.StickErrorText);
        return 1;
    }
    const int stick = theOneStick(objects.link, face);
    if (stick < 0)
        return 1;

    FileFlashFace flash(objects.link, stick, end, [&face](const std::string& line) { face.line(line); });
    quitOnTerminationSignals([&flash] { flash.stop = true; });
    face.line("Downloading the recording that ended at " + end + " into " + fileName);
    if (!core.downloadFlash(flash, false)) {
        face.line(fileName + " is unchanged."); // the reason was said
        return 1;
    }
    QString error;
    if (!flash.save(QString::fromStdString(fileName), error)) {
        face.line("The recording could not be written to " + fileName + ": " + error.toStdString());
        return 1;
    }
    face.line("Wrote " + std::to_string(flash.values()) + " values to " + fileName);
    return 0;
}

} // namespace vs
