// The main window's support and help commands: heater recalibration,
// firmware upgrade, updates, the manual, the about box and sensor information.
#include "window/main_window.h"

#include "common/prompts.h"
#include "common/version.h"
#include "info/about_box.h"
#include "window/app_icon.h"
#include "core/data_folder.h"
#include "window/quick_buttons.h"
#include "window/plot_view.h"
#include "core/monitor_core.h"
#include "core/sampling_loop.h"
#include "settings/plot_settings_io.h"
#include "window/history_window.h"
#include "info/sensor_info_window.h"
#include "settings/key_table.h"
#include "stick/knob_flag.h"
#include "stick/stick_info.h"
#include "stick/stick_link.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>
#include <QUrl>

namespace vs {

void MainWindow::mRecalHeat_Click()
{
    const std::string s = s_.link.SlotsReserved >= 2 ? "s" : "";
    if (!s_.prompts.askYesNo("Caution: recalibrating heater" + s +
                                 " under wrong conditions might change device performance.\r\nConsult help file "
                                 "for advise.\r\n\r\nContinue?",
                             Prompts::Icon::Question))
        return;
    for (int i = 0; i < s_.link.SlotsReserved; ++i) {
        Nymstick_CalibrateHeater(s_.link, i);
        if (StickRecord* r = s_.link.slot(i))
            r->ConfiguredAt = s_.clock.now().toDays();
    }
}

void MainWindow::mUpgrade_Click()
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
    runSwitch("/dfu"); // reports each stick, then waits 5 s with the window alive; the program runs on
}

void MainWindow::mSearchUpdates_Click()
{
    QString address = kProjectWebAddress;
    if (const StickRecord* s = s_.link.slot(0); s && !s->IdFields.empty() && !s->IdFields[0].empty())
        address = QString::fromStdString(s->IdFields[0]);
    openUrl(QUrl(webAddress(address)));
}

void MainWindow::mHelpContents_Click()
{
    // The manual beside the program's data: a PDF first, else the HTML page.
    const QString base = dataFolder() + "/" + applicationTitle().toLower();
    for (const char* ending : {".pdf", ".htm"}) {
        if (QFileInfo::exists(base + ending)) {
            openUrl(QUrl::fromLocalFile(base + ending));
            return;
        }
    }
}

void MainWindow::mAbout_Click()
{
    QString stickAddress;
    if (const StickRecord* s = s_.link.slot(0); s && !s->IdFields.empty())
        stickAddress = QString::fromStdString(s->IdFields[0]);
    about_->load(stickAddress);
    about_->show();
    about_->raise();
}

void MainWindow::mHistory_Click()
{
    // What this copy handed to the history up to now is in the file first.
    if (HistoryWriter* writer = core_->history())
        writer->flush();
    const HistorySettings settings = core_->historySettings();
    if (!historyWindow_) {
        historyWindow_ = new HistoryWindow(settings.path, storedColours(s_.settings), this);
        historyWindow_->setWindowIcon(windowIcon());
        // First opened over the main window, no larger than the screen.
        if (const QScreen* s = screen())
            historyWindow_->resize(historyWindow_->size().boundedTo(s->availableGeometry().size() * 0.9));
        centreOverWindow(*historyWindow_);
    }
    historyWindow_->refresh();
    if (!settings.enabled)
        historyWindow_->say("The history is switched off (\"Enabled\" in the section \"History\" of the settings "
                            "file); what it holds from before is shown.");
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

void MainWindow::UpdateSensorText(const QString& extra)
{
    sensorInfo_->setInfoText(
        QString::fromStdString(sensorInformation(s_.link, kProgramVersion, extra.toStdString())));
}

void MainWindow::wireCommands()
{
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    about_ = new AboutBox(appIcon(), this);
    about_->engineeringOn = [this] { setEngineeringMode(true); };
    about_->openAddress = [this](const QString& address) { openUrl(QUrl(address)); };
    about_->showSysInfo = [this] {
        UpdateSensorText(about_->extraVersion);
        sensorInfo_->ShowSensorDetails({}, 0);
        sensorInfo_->exec();
    };
    quickButtons_->onHelp = [this] { mHelpContents_Click(); };
    auto connectItem = [this](const char* name, void (MainWindow::*command)()) {
        if (QAction* a = findChild<QAction*>(name))
            connect(a, &QAction::triggered, this, [this, name, command] { guarded(name, [this, command] { (this->*command)(); }); });
    };
    connectItem("mRecalHeat", &MainWindow::mRecalHeat_Click);
    connectItem("mSearchUpdates", &MainWindow::mSearchUpdates_Click);
    connectItem("mUpgrade", &MainWindow::mUpgrade_Click);
    connectItem("mHelpContents", &MainWindow::mHelpContents_Click);
    connectItem("mAbout", &MainWindow::mAbout_Click);
}

} // namespace vs
