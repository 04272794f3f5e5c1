// Commands that act on the sticks or on the program's state, whichever face
// gives them: menu items, buttons, the service.
#include "core/monitor_core.h"

#include "common/flag_guard.h"
#include "common/prompts.h"
#include "core/command_line.h"
#include "core/face.h"
#include "core/history_feed.h"
#include "core/network_defaults.h"
#include "core/value_log.h"
#include "core/warnings.h"
#include "flash/flash_download.h"
#include "net/net_link.h"
#include "plot/plot_feed.h"
#include "settings/plot_settings_io.h"
#include "settings/settings.h"
#include "stick/config_read.h"
#include "stick/knob_flag.h"
#include "stick/stick_link.h"

#include <exception>

namespace vs {

void MonitorCore::withSamplingHeld(const std::function<void()>& body)
{
    const bool was = sampling_->running();
    sampling_->setRunning(false);
    try {
        body();
    } catch (...) {
        sampling_->setRunning(was);
        throw;
    }
    sampling_->setRunning(was);
}

void MonitorCore::pauseOrStart()
{
    sampling_->setRunning(!sampling_->running());
    face_.samplingChanged(sampling_->running());
}

void MonitorCore::setLiveData(bool on)
{
    // Live data is a short window on the present.
    if (on && s_.plot.RecordLength != 100)
        withSamplingHeld([this] {
            s_.plot.RecordLength = 100;
            clearData();
        });
    sampling_->setRunning(on);
    face_.samplingChanged(on);
}

namespace {

// Asks, then sends a flag command to every stick; each stick's
// configuration time moves to now.
void onEveryStickAfterAsking(StickLink& link, Prompts& prompts, const Clock& clock, const std::string& what,
                             void (*command)(StickLink&, int))
{
    const std::string s = link.SlotsReserved >= 2 ? "s" : "";
    if (!prompts.askYesNo("Caution: " + what + s +
                              " under wrong conditions might change device performance.\r\nConsult help file for "
                              "advise.\r\n\r\nContinue?",
                          Prompts::Icon::Question))
        return;
    for (int i = 0; i < link.SlotsReserved; ++i) {
        command(link, i);
        if (StickRecord* r = link.slot(i))
            r->ConfiguredAt = clock.now().toDays();
    }
}

} // namespace

void MonitorCore::recalibrateHeater()
{
    onEveryStickAfterAsking(s_.link, s_.prompts, s_.clock, "recalibrating heater", Nymstick_CalibrateHeater);
}

void MonitorCore::resetBaseline()
{
    onEveryStickAfterAsking(s_.link, s_.prompts, s_.clock, "reseting baseline", Nymstick_ResetBaseline);
}

void MonitorCore::resetSettings()
{
    const int n = s_.link.Nymstick_CountConnected();
    if (n == 0)
        return;
    const std::string plural = n > 1 ? "s" : "";
    if (!s_.prompts.askOkCancel("This will set the USB stick" + plural +
                                    " to factory defaults\r\nand remove all registry settings used by this "
                                    "program.\r\n\r\nNote: after resetting to factory defaults you might not "
                                    "see\r\nany values during the warmup period.\r\n\r\nConsult the manual for "
                                    "further details. Proceed?",
                                Prompts::Icon::Question))
        return;
    try {
        withSamplingHeld([this] { runSwitch("/rst"); });
    } catch (const std::exception&) {
        // A failed reset leaves the sticks as they are; the settings are cleared all the same.
    }
    s_.settings.clearAll();
    if (s_.prompts.askYesNo("You must restart the program for the default values to be reloaded.\r\n\r\nExit now?",
                            Prompts::Icon::Question))
        requestEnd(0);
}

void MonitorCore::firmwareUpgrade()
{
    const int sticks = s_.link.SlotsReserved;
    std::string text = "This will put the USB stick" + std::string(sticks > 1 ? "s" : "") +
                       " in Device Firmware Upgrade (DFU) mode.\r\nThe stick then shows up as a USB DFU device "
                       "(vendor 03eb, product 2fe0 to 2fff). You will need a separate upgrade tool for the stick's "
                       "microcontroller and write access to that device: the installed udev rule "
                       "70-ventiscope.rules gives it to the user at the seat; elsewhere run the tool as root."
                       "\r\n\r\n";
    if (s_.link.Nymstick_CountConnected() >= 1) {
        text += "Your CURRENT firmware version" + std::string(sticks >= 2 ? "s are" : " is") + ":\r\n\r\n";
        for (int i = 0; i < sticks; ++i)
            if (s_.link.Nymstick_isOpen(i))
                text += s_.link.slot(i)->Firmware + "\r\n";
        text += "\r\n";
    }
    if (!s_.prompts.askYesNo(text + "Enter upgrade mode?", Prompts::Icon::Question))
        return;
    runSwitch("/dfu"); // reports each stick, then waits 5 s with the program alive; it runs on
}

void MonitorCore::eraseFlash()
{
    if (!s_.prompts.askYesNoDefaultNo("The recordings stored in flash will be erased. Proceed?",
                                      Prompts::Icon::Question))
        return;
    withSamplingHeld([this] { runSwitch("/rst"); });
    face_.print(QString(QChar(12)));
}

bool MonitorCore::downloadFlash(FlashFace& face, bool engineeringMode)
{
    // A stick that comes or goes meanwhile is handled once the download is over.
    FlagGuard downloading(downloading_);
    // The values reach the history only from a download that succeeded.
    std::vector<HistorySample> kept;
    face.keepValue = [this, &kept](int stick, const LocalDateTime& t) {
        // The recording's times come from the end time a person typed: local
        // time, made an instant once per value.
        kept.push_back(flashSample(s_.link, stick, instantOf(t)));
    };
    const bool ok = Flash_download(s_.link, face, s_.clock, engineeringMode);
    face.keepValue = nullptr;
    if (HistoryWriter* h = history(); ok && h)
        h->add(std::move(kept));
    if (!ok)
        s_.prompts.information(s_.link.StickErrorText);
    return ok;
}

void MonitorCore::readKnobsAndFlags()
{
    step("mKnobs_Click:ReadAllKnobs, ReadFlags (" + std::to_string(s_.link.SlotsReserved) + " sticks)");
    Nymstick_ReadAllKnobs(s_.link);
    Nymstick_ReadAllFlags(s_.link);
}

void MonitorCore::warningLevelsChanged(int stick)
{
    if (const StickRecord* r = s_.link.slot(stick); r && !r->Channels.empty())
        InitWarningLevels(s_.plot, s_.link, 0, stick);
}

bool MonitorCore::applyNetworkSettings()
{
    const bool stored = SaveNetworkDefaults(net_->settings, s_.settings);
    net_->Open_Server_or_client();
    return stored;
}

void MonitorCore::clearData()
{
    plot_SetupStore(s_.plot);
    face_.storeReset();
}

void MonitorCore::clearMarkers()
{
    s_.plot.nMarkers = 0;
    s_.plot.Markers.assign(1, 0);
}

void MonitorCore::setEngineeringMode(bool on)
{
    sampling_->engineeringMode = on;
    warnings_->engineeringMode = on;
}

int MonitorCore::runSwitch(const std::string& commandLine)
{
    CommandServices commands{s_.link, s_.clock, s_.link.waitFunction(),
                             [this](const std::string& t) { face_.print(QString::fromStdString(t)); },
                             [this](const std::string& t) { s_.prompts.information(t); }};
    return ParseCmd(commands, commandLine, true);
}

} // namespace vs
