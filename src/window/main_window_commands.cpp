// The main window's menus and the commands only a window has: the manual,
// the about box, sensor information, updates, the history window.
#include "window/main_window.h"
#include "window/window_face.h"

#include "common/version.h"
#include "core/data_folder.h"
#include "core/monitor_core.h"
#include "core/value_log.h"
#include "info/about_box.h"
#include "info/sensor_info_window.h"
#include "settings/key_table.h"
#include "settings/plot_settings_io.h"
#include "stick/stick_info.h"
#include "stick/stick_link.h"
#include "window/app_icon.h"
#include "window/history_window.h"
#include "window/quick_buttons.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

namespace vs {

void MainWindow::buildMenus()
{
    // Mnemonics everywhere: Alt+F opens File; F10 (below) the menu bar.
    const char* titles[5] = {"&File", "&Edit", "&Settings", "Su&pport Tools", "&Help"};
    for (int i = 0; i < 5; ++i) {
        menus_[i] = menuBar()->addMenu(titles[i]);
        menus_[i]->setObjectName(QString("mMain%1").arg(i));
    }
    // Each item: its menu, caption, name, command; hidden ones are for engineering mode.
    const auto item = [this](int menu, const char* caption, const char* name, std::function<void()> command) {
        QAction* a = menus_[menu]->addAction(caption, this, [this, name, command] { guarded(name, command); });
        a->setObjectName(name);
        return a;
    };
    item(0, "&Save current buffer data...", "mSave", [this] { core_->valueLog().mSave_Click(); })->setVisible(false);
    mDownloadFlash_ = item(0, "&Download flash", "mDownloadFlash", [this] { mDownloadFlash_Click(); });
    mDownloadFlash_->setVisible(false);
    item(0, "&Erase flash...", "mEraseFlash", [this] { mEraseFlash_Click(); })->setVisible(false);
    mLog_ = item(0, "&Log to file...", "mLog", [this] {
        core_->valueLog().Log_Toggle();
        mLog_->setChecked(core_->valueLog().on()); // a cancelled dialog leaves logging off
    });
    mLog_->setCheckable(true);
    item(0, "Save p&icture...", "mSavePicture", [this] { mSavePicture_Click(); });
    item(0, "&History...", "mHistory", [this] { mHistory_Click(); });
    mPauseStart_ = item(0, "&Pause", "mPauseStart", [this] { mPauseStart_Click(); });
    item(0, "E&xit", "mExit", [this] { endProgram(); })->setShortcut(QKeySequence::Quit);
    item(1, "&Copy graph", "mCopyGraph", [this] { mCopyGraph_Click(); })->setShortcut(QKeySequence::Copy);
    item(2, "&Plot...", "mSettings1", [this] { mSettings_Click(1); });
    item(2, "&Alerts...", "mSettings2", [this] { mSettings_Click(2); });
    item(2, "A&dvanced...", "mSettings3", [this] { mSettings_Click(3); });
    item(2, "P&ublishing...", "mSettings4", [this] { mSettings_Click(4); });
    item(2, "&History...", "mSettings5", [this] { mSettings_Click(5); });
    item(3, "Edit &knobs...", "mKnobs", [this] { mKnobs_Click(); });
    supportSeparator_ = menus_[3]->addSeparator();
    supportSeparator_->setVisible(false);
    item(3, "&Recalibrate Heater", "mRecalHeat", [this] { mRecalHeat_Click(); });
    item(3, "&Search for updates...", "mSearchUpdates", [this] { mSearchUpdates_Click(); });
    item(3, "&Upgrade firmware...", "mUpgrade", [this] { mUpgrade_Click(); });
    item(4, "&Contents...", "mHelpContents", [this] { mHelpContents_Click(); })
        ->setShortcut(QKeySequence::HelpContents);
    item(4, "&About", "mAbout", [this] { mAbout_Click(); });
    // F10 opens the menu bar at its first title.
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this, [this] {
        for (QMenu* m : menus_)
            if (m->menuAction()->isVisible()) {
                menuBar()->setActiveAction(m->menuAction());
                return;
            }
    });
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
}

void MainWindow::mRecalHeat_Click()
{
    core_->recalibrateHeater();
}

void MainWindow::mUpgrade_Click()
{
    core_->firmwareUpgrade();
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
    // Said over the plot when it cannot be shown: where it is, or that it is missing.
    const QString base = dataFolder() + "/" + applicationTitle().toLower();
    for (const char* ending : {".pdf", ".htm"}) {
        if (QFileInfo::exists(base + ending)) {
            if (!openUrl(QUrl::fromLocalFile(base + ending)))
                face_->print("No program is set up to open the manual; it is at " + base + ending + "\n");
            return;
        }
    }
    face_->print("The manual is not installed (" + base + ".htm is missing)\n");
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
    // Nothing here waits for the history's writer: the window shows what the
    // file holds (the last pass follows within moments).
    const HistorySettings settings = core_->historySettings();
    if (!historyWindow_) {
        historyWindow_ = new HistoryWindow(settings.path, storedColours(s_.settings), this);
        historyWindow_->setWindowIcon(windowIcon());
        historyWindow_->setRawDays(settings.rawDays);
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

} // namespace vs
