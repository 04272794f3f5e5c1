#include "window/main_window.h"

#include "common/prompts.h"
#include "common/version.h"
#include "core/device_callback.h"
#include "core/monitor_core.h"
#include "window/plot_status_face.h"
#include "window/plot_view.h"
#include "core/sampling_loop.h"
#include "core/value_log.h"
#include "window/air_state_window.h"
#include "core/data_folder.h"
#include "window/logos.h"
#include "window/quick_buttons.h"
#include "window/sound.h"
#include "window/tray_icon.h"
#include "core/warnings.h"
#include "window/window_geometry.h"
#include "core/network_defaults.h"
#include "dialogs/network_dialog.h"
#include "dialogs/alerts_dialog.h"
#include "dialogs/plot_settings_dialog.h"
#include "info/about_box.h"
#include "window/cursor_view.h"
#include "dialogs/advanced_dialog.h"
#include "dialogs/publishing_dialog.h"
#include "core/command_line.h"
#include "dialogs/records_window.h"
#include "info/sensor_info_window.h"
#include "window/window_flash_face.h"
#include "common/dateformat.h"
#include "flash/flash_download.h"
#include "stick/config_read.h"
#include "net/net_link.h"
#include "net/qt_net_socket.h"
#include "publish/mqtt_publisher.h"
#include "plot/plot_feed.h"
#include "plot/plot_output.h"
#include "settings/settings.h"
#include "stick/device_change.h"
#include "stick/report_io.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QScreen>
#include <QTimer>

#include <exception>

namespace vs {

MainWindow::MainWindow(Services& services, QWidget* parent)
    : QMainWindow(parent), s_(services), central_(new QWidget(this))
{
    setObjectName("Form1");
    setWindowTitle(applicationTitle());
    setCentralWidget(central_);
    view_ = new PlotView(s_.plot, s_.plotSettings, central_);
    statusFace_ = std::make_unique<PlotStatusFace>(*view_);
    statusFace_->wideEnough = [this] { return pixelsToTwips(central_->width(), dpi()) >= 1000; };
    core_ = std::make_unique<MonitorCore>(s_, *statusFace_, this);
    core_->onError = [this](const char* procedure, const std::string& description) {
        return Err_Requester(procedure, description);
    };
    core_->endProgram = [this] { endProgram(); };
    sampling_ = &core_->sampling();
    devCallback_ = &core_->deviceCallback();
    valueLog_ = &core_->valueLog();
    warnings_ = &core_->warnings();
    net_ = &core_->network();
    devCallback_->clearMarkers = [this] { mClearMarkers_Click(); };
    devCallback_->showFlashMenu = [this](bool show) { mDownloadFlash_->setVisible(show); };
    viewSaver_ = std::make_unique<ViewSaver>(s_.prompts, s_.clock, defaultViewFolder());
    wireNetwork();
    wireFlash();
    wireAlerts();
    wireSettingsDialogs();
    buildMenus();
    wireCommands();
    cursor_ = std::make_unique<CursorView>(*view_, s_.link);
    valueLog_->showState = [this](const QString& caption, bool checked) {
        mLog_->setText(caption);
        mLog_->setChecked(checked);
    };
    connect(view_->picture(), &PlotPicture::mousePressed, this, [this](Qt::MouseButton button, QPointF at) {
        if (button != Qt::RightButton)
            return;
        QMenu graph("Graph", this);
        graph.setObjectName("mGraph");
        graph.addAction("Copy graph", this, [this] { mCopyGraph_Click(); });
        graph.addAction("Clear warnings", this, [this] { mClearMarkers_Click(); });
        graph.addAction("Clear data", this, [this] { mClear_Click(); });
        graph.exec(view_->picture()->mapToGlobal(at.toPoint()));
    });
}

MainWindow::~MainWindow()
{
    Exit_cleanup();
}

void MainWindow::wireNetwork()
{
    networkDialog_ = new NetworkDialog(s_.link, s_.prompts, net_->settings, this);
    networkDialog_->closed = [this] {
        if (!SaveNetworkDefaults(net_->settings, s_.settings) && alerts_->saveFailed)
            alerts_->saveFailed("Settings could not be saved: the settings file is not writable.");
        net_->Open_Server_or_client();
    };
    networkDialog_->levelsChanged = [this](int stick) {
        if (const StickRecord* s = s_.link.slot(stick); s && !s->Channels.empty())
            InitWarningLevels(s_.plot, s_.link, 0, stick);
    };
    net_->face.modeChanged = [this] { networkDialog_->showNetworkSettings(); };
    sampling_->hooks.liveGrid = [this] {
        if (networkDialog_->isVisible())
            networkDialog_->Flexgrid_UpdateData();
    };
}

void MainWindow::wireFlash()
{
    sensorInfo_ = new SensorInfoWindow(s_.settings, s_.clock, this);
    records_ = new RecordsWindow(this);
    flashFace_ = std::make_unique<WindowFlashFace>(s_.link, s_.prompts, *view_, *sampling_, *valueLog_, *sensorInfo_,
                                                   *records_);
    flashFace_->feed = [this](const LocalDateTime& t) {
        const std::string timeText =
            formatDateTime(t, s_.plotSettings.PlotTimeStampFormat.toStdString(), s_.dateFormats);
        return Nymdata2plot(s_.plot, s_.link, timeText);
    };
}

void MainWindow::wireSettingsDialogs()
{
    alerts_ = new AlertsDialog(s_.link, s_.prompts, s_.settings, this);
    alerts_->levelsSent = [this](int stick) {
        if (const StickRecord* s = s_.link.slot(stick); s && !s->Channels.empty())
            InitWarningLevels(s_.plot, s_.link, 0, stick);
        view_->replot();
    };
    alerts_->saveFailed = [this](const QString& text) {
        // Said once: the values stay in memory and are used all the same.
        if (std::exchange(saveFailureShown_, true))
            return;
        view_->WinPrint(text + "\n");
    };
    advanced_ = new AdvancedDialog(s_.link, s_.prompts, s_.settings, this);
    advanced_->resetSticks = [this] {
        const bool was = sampling_->running();
        sampling_->setRunning(false);
        try {
            runSwitch("/rst");
        } catch (const std::exception&) {
            // A failed reset leaves the sticks as they are; the settings are cleared all the same.
        }
        sampling_->setRunning(was);
    };
    advanced_->exitProgram = [this] { mExit_Click(); };
    publishing_ = new PublishingDialog(s_.settings, this);
    publishing_->apply = [this] { core_->restartPublishing(); };
    publishing_->mqttState = [this] { return core_->mqttState(); };
    publishing_->metricsState = [this] { return core_->metricsState(); };
    publishing_->sendTest = [this](QString& error) {
        if (MqttPublisher* p = core_->publisher())
            return p->sendTest(error);
        error = "MQTT publishing is off.";
        return false;
    };
    tray_->openSettings = [this] { mSettings_Click(2); };

    plotDialog_ = new PlotSettingsDialog(s_.link, s_.prompts, s_.settings, s_.plot, s_.plotSettings, *sampling_, this);
    plotDialog_->changed = [this] { view_->redraw(); };
    plotDialog_->storeResized = [this] { view_->setupStore(); };
    plotDialog_->saveFailed = alerts_->saveFailed;
    devCallback_->refreshWindows = [this] {
        if (plotDialog_->isVisible())
            plotDialog_->FillChannelList();
    };
}

void MainWindow::mSettings_Click(int index)
{
    QDialog* dialog = nullptr;
    if (index == 1) {
        plotDialog_->load();
        plotDialog_->setScrollShown(engineeringMode_);
        dialog = plotDialog_;
    } else if (index == 2) {
        alerts_->LoadWarnings();
        dialog = alerts_;
    } else if (index == 3) {
        dialog = advanced_;
    } else if (index == 4) {
        publishing_->load();
        dialog = publishing_;
    }
    if (!dialog)
        return;
    centreOverWindow(*dialog);
    dialog->show();
    dialog->raise();
}

void MainWindow::centreOverWindow(QWidget& dialog)
{
    // A dialog not shown yet has no laid-out size: lay it out first, so that
    // its first opening is centred too.
    dialog.ensurePolished();
    if (QLayout* layout = dialog.layout())
        layout->activate();
    dialog.resize(dialog.size().expandedTo(dialog.minimumSizeHint()));
    QRect place(QPoint(), dialog.size());
    place.moveCenter(frameGeometry().center());
    if (const QScreen* s = screen())
        place = keptOnScreen(place, s->availableGeometry());
    dialog.move(place.topLeft());
}

void MainWindow::mDownloadFlash_Click()
{
    guarded("mDownloadFlash_Click", [this] {
        flashFace_->escape = false;
        if (!core_->downloadFlash(*flashFace_, engineeringMode_))
            s_.prompts.information(s_.link.StickErrorText);
    });
}

int MainWindow::runSwitch(const std::string& commandLine)
{
    return core_->runSwitch(
        commandLine, [this](const std::string& t) { view_->WinPrint(QString::fromStdString(t)); },
        [this](const std::string& t) { s_.prompts.information(t); });
}

void MainWindow::mEraseFlash_Click()
{
    if (!s_.prompts.askYesNoDefaultNo("The recordings stored in flash will be erased. Proceed?",
                                      Prompts::Icon::Question))
        return;
    const bool was = sampling_->running();
    sampling_->setRunning(false);
    runSwitch("/rst");
    sampling_->setRunning(was);
    view_->textBox().TextBuffer.clear();
    view_->WinPrint(QString(QChar(12)));
}

void MainWindow::mKnobs_Click()
{
    centreOverWindow(*networkDialog_);
    step("mKnobs_Click:ReadAllKnobs, ReadFlags (" + std::to_string(s_.link.SlotsReserved) + " sticks)");
    Nymstick_ReadAllKnobs(s_.link);
    Nymstick_ReadAllFlags(s_.link);
    step(":Flexgrid_Rewrite:");
    networkDialog_->Flexgrid_Rewrite();
    networkDialog_->show();
    networkDialog_->raise();
}

void MainWindow::wireAlerts()
{
    sound_ = std::make_unique<Sound>();
    s_.link.setBeep([this](int f, int ms) { sound_->beep(f, ms); });
    tray_ = std::make_unique<TrayIcon>();
    tray_->restoreWindow = [this] {
        showNormal();
        raise();
        activateWindow();
    };
    tray_->exitProgram = [this] { mExit_Click(); };
    airState_ = std::make_unique<AirStateWindow>(dataFolder());
    WarningOutputs& out = warnings_->out;
    out.setTip = [this](const QString& tip) { tray_->ToolbarIcon_SetTip(tip); };
    out.balloon = [this](const QString& text, const QString& title, int ms) { tray_->ToolbarIcon_Balloon(text, title, ms); };
    out.balloonDone = [this] { tray_->ToolbarIcon_BalloonDone(); };
    out.balloonHide = [this] { tray_->ToolbarIcon_BalloonHide(); };
    out.balloonCount = [this] { return tray_->balloonCount(); };
    out.airState = [this](int state) { airState_->AirState_set(state); };
    out.beep = [this](int f, int ms) { sound_->beep(f, ms); };
    out.playWave = [this](int level) { sound_->playWave(dataFile(QString("warning_%1.wav").arg(level))); };
    out.note = [this](const QString& text, long number, int row) { view_->WinNote(text, number, row); };
    view_->actOnFlags = [this](QImage&) { warnings_->ActOnFlags(); };

    quickButtons_ = new QuickButtons(view_->picture(), s_.settings, dataFolder());
    quickButtons_->onSnapshot = [this] {
        guarded("cmd_QuickButton_Click", [this] { viewSaver_->SaveView([this] { return view_->drawForOutput(); }); });
    };
    quickButtons_->onLiveData = [this](bool ticked) { liveDataClicked(ticked); };
    quickButtons_->onFlash = [this] { mDownloadFlash_Click(); };
    logos_ = new Logos(view_->picture(), s_.settings, dataFolder());
    logos_->onEngineeringMode = [this] { setEngineeringMode(true); };
}

void MainWindow::setEngineeringMode(bool on)
{
    engineeringMode_ = on;
    if (plotDialog_)
        plotDialog_->setScrollShown(on);
    sampling_->engineeringMode = on;
    warnings_->engineeringMode = on;
    if (!on)
        return;
    // The support menus and every hidden item come into view.
    menuBarShown_ = true;
    for (QMenu* m : menus_)
        if (m)
            m->menuAction()->setVisible(true);
    if (supportSeparator_)
        supportSeparator_->setVisible(true);
    for (const char* name : {"mSave", "mEraseFlash"})
        if (QAction* a = findChild<QAction*>(name))
            a->setVisible(true);
    if (menuBar())
        menuBar()->setVisible(true);
}

void MainWindow::liveDataClicked(bool ticked)
{
    // Live data is a short window on the present.
    if (ticked && s_.plot.RecordLength != 100) {
        const bool was = sampling_->running();
        sampling_->setRunning(false);
        s_.plot.RecordLength = 100;
        view_->setupStore();
        sampling_->setRunning(was);
    }
    sampling_->setRunning(ticked);
    mPauseStart_->setText(ticked ? "&Pause" : "&Start");
}

void MainWindow::buildMenus()
{
    // Mnemonics everywhere: Alt+F opens File; F10 (below) the menu bar.
    const char* titles[5] = {"&File", "&Edit", "&Settings", "Su&pport Tools", "&Help"};
    for (int i = 0; i < 5; ++i) {
        menus_[i] = menuBar()->addMenu(titles[i]);
        menus_[i]->setObjectName(QString("mMain%1").arg(i));
    }
    QMenu* file = menus_[0];
    // Saving the buffer and erasing the flash are for engineering mode.
    QAction* save = file->addAction("&Save current buffer data...", this, [this] {
        guarded("mSave_Click", [this] { valueLog_->mSave_Click(); });
    });
    save->setObjectName("mSave");
    save->setVisible(false);
    mDownloadFlash_ = file->addAction("&Download flash", this, [this] { mDownloadFlash_Click(); });
    mDownloadFlash_->setObjectName("mDownloadFlash");
    mDownloadFlash_->setVisible(false);
    QAction* erase =
        file->addAction("&Erase flash...", this, [this] { guarded("mEraseFlash_Click", [this] { mEraseFlash_Click(); }); });
    erase->setObjectName("mEraseFlash");
    erase->setVisible(false);
    mLog_ = file->addAction("&Log to file...", this, [this] {
        guarded("mLog_Click", [this] { valueLog_->Log_Toggle(); });
        mLog_->setChecked(valueLog_->on()); // a cancelled dialog leaves logging off
    });
    mLog_->setObjectName("mLog");
    mLog_->setCheckable(true);
    QAction* history = file->addAction("&History...", this, [this] { guarded("mHistory_Click", [this] { mHistory_Click(); }); });
    history->setObjectName("mHistory");
    mPauseStart_ = file->addAction("&Pause", this, [this] { mPauseStart_Click(); });
    mPauseStart_->setObjectName("mPauseStart");
    QAction* exit = file->addAction("E&xit", this, [this] { mExit_Click(); });
    exit->setObjectName("mExit");
    exit->setShortcut(QKeySequence::Quit);
    QAction* copy = menus_[1]->addAction("&Copy graph", this, [this] { mCopyGraph_Click(); });
    copy->setObjectName("mCopyGraph");
    copy->setShortcut(QKeySequence::Copy);
    menus_[2]->addAction("&Plot...", this, [this] { mSettings_Click(1); })->setObjectName("mSettings1");
    menus_[2]->addAction("&Alerts...", this, [this] { mSettings_Click(2); })->setObjectName("mSettings2");
    menus_[2]->addAction("A&dvanced...", this, [this] { mSettings_Click(3); })->setObjectName("mSettings3");
    menus_[2]->addAction("P&ublishing...", this, [this] { mSettings_Click(4); })->setObjectName("mSettings4");
    menus_[3]->addAction("Edit &knobs...", this, [this] { guarded("mKnobs_Click", [this] { mKnobs_Click(); }); })
        ->setObjectName("mKnobs");
    supportSeparator_ = menus_[3]->addSeparator();
    supportSeparator_->setVisible(false);
    menus_[3]->addAction("&Recalibrate Heater")->setObjectName("mRecalHeat");
    menus_[3]->addAction("&Search for updates...")->setObjectName("mSearchUpdates");
    menus_[3]->addAction("&Upgrade firmware...")->setObjectName("mUpgrade");
    QAction* contents = menus_[4]->addAction("&Contents...");
    contents->setObjectName("mHelpContents");
    contents->setShortcut(QKeySequence::HelpContents);
    menus_[4]->addAction("&About")->setObjectName("mAbout");
    // F10 opens the menu bar at its first title.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] {
        for (QMenu* m : menus_)
            if (m && m->menuAction()->isVisible()) {
                menuBar()->setActiveAction(m->menuAction());
                return;
            }
    });
}

double MainWindow::dpi() const
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

void MainWindow::step(const std::string& text)
{
    currentStep_ = text;
    s_.trace.LogTrace(text);
}

void MainWindow::guarded(const char* procedure, const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        if (Err_Requester(procedure, e.what()))
            endProgram();
    }
}

bool MainWindow::Err_Requester(const std::string& procedure, const std::string& description)
{
    const std::string message =
        "Fatal program error in " + procedure + "\r\n" + currentStep_ + "\r\n\r\n" + description;
    QGuiApplication::clipboard()->setText(QString::fromStdString(message));
    s_.trace.LogTrace(std::string(10, '*') + " " + procedure + " ERROR handler" + std::string(10, '*'));
    s_.trace.LogTrace(message);
    DumpTraceInfo(s_.link, s_.trace);
    return s_.prompts.askYesNo(message + "\r\n\r\nError copied to clipboard. End the program?", Prompts::Icon::Critical);
}

void MainWindow::endProgram()
{
    ended_ = true;
    Exit_cleanup();
    hide();
    QCoreApplication::exit(0);
}

void MainWindow::placePlot()
{
    const auto area = plotAreaForWindow(size(), dpi(), menuBarShown_, isMinimized());
    if (!area)
        return;
    view_->picture()->setGeometry(QRect(QPoint(0, 0), *area));
    logos_->Logo_small_Place();
    view_->redraw();
    if (quickButtons_->configured())
        quickButtons_->QuickButton_Position(view_->geometry());
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    placePlot();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Pause)
        mPauseStart_Click();
    if (event->key() == Qt::Key_Escape && flashFace_)
        flashFace_->escape = true; // ends a running flash download
    QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    ended_ = true; // also when the window is closed while it is still starting
    Exit_cleanup();
    s_.link.DebugOut("Form_Unload(): End", 1);
    event->accept();
    QCoreApplication::exit(0);
}

void MainWindow::Exit_cleanup()
{
    if (cleanedUp_)
        return;
    cleanedUp_ = true;
    sampling_->setRunning(false);
    if (net_->state() != 0)
        net_->Winsock1_Close();
    s_.link.DebugOut("Exit:Saving settings", 1);
    const double d = dpi();
    // A maximised window keeps the place it had before, and comes back maximised.
    QRect place(pos(), size());
    if (isMaximized())
        place = normalGeometry().translated(frameGeometry().topLeft() - geometry().topLeft());
    saveMainGeometry(s_.settings, QRectF(pixelsToTwips(place.x(), d), pixelsToTwips(place.y(), d),
                                         pixelsToTwips(place.width(), d), pixelsToTwips(place.height(), d)));
    s_.settings.saveNumber(keys::MainGraphMaximized, 0, isMaximized() ? 1 : 0);
    if (airState_->picturesAvailable())
        saveAirStatePosition(s_.settings, airState_->pos());
    tray_->ToolbarIcon_Unregister();
    core_->shutdown();
}

void MainWindow::mPauseStart_Click()
{
    if (sampling_->running()) {
        mPauseStart_->setText("&Start");
        sampling_->setRunning(false);
    } else {
        mPauseStart_->setText("&Pause");
        sampling_->setRunning(true);
    }
}

void MainWindow::mCopyGraph_Click()
{
    guarded("mCopyGraph_Click", [this] {
        QGuiApplication::clipboard()->setMimeData(copyGraphData(s_.plot, [this] { return view_->drawForOutput(); }));
        view_->redraw();
    });
}

void MainWindow::mExit_Click()
{
    Exit_cleanup();
    s_.link.DebugOut("mExit_Click(): End", 1);
    ended_ = true;
    hide();
    QCoreApplication::exit(0);
}

void MainWindow::mClear_Click()
{
    view_->setupStore();
}

void MainWindow::mClearMarkers_Click()
{
    s_.plot.nMarkers = 0;
    s_.plot.Markers.assign(1, 0);
}

} // namespace vs
