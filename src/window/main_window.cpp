#include "window/main_window.h"

#include "common/prompts.h"
#include "core/data_folder.h"
#include "core/monitor_core.h"
#include "core/network_defaults.h"
#include "core/sampling_loop.h"
#include "core/value_log.h"
#include "core/warnings.h"
#include "dialogs/advanced_dialog.h"
#include "dialogs/alerts_dialog.h"
#include "dialogs/history_dialog.h"
#include "dialogs/network_dialog.h"
#include "dialogs/plot_settings_dialog.h"
#include "dialogs/publishing_dialog.h"
#include "dialogs/records_window.h"
#include "info/about_box.h"
#include "info/sensor_info_window.h"
#include "net/net_link.h"
#include "plot/plot_output.h"
#include "publish/mqtt_publisher.h"
#include "window/air_state_window.h"
#include "window/cursor_view.h"
#include "window/logos.h"
#include "window/plot_view.h"
#include "window/quick_buttons.h"
#include "window/sound.h"
#include "window/tray_icon.h"
#include "window/window_face.h"
#include "window/window_flash_face.h"
#include "window/window_geometry.h"
#include "settings/key_table.h"
#include "settings/settings.h"
#include "stick/stick_link.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

namespace vs {

MainWindow::MainWindow(Services& services, QWidget* parent)
    : QMainWindow(parent), s_(services), central_(new QWidget(this))
{
    setObjectName("Form1");
    setWindowTitle(applicationTitle());
    setCentralWidget(central_);
    view_ = new PlotView(s_.plot, s_.plotSettings, central_);
    face_ = std::make_unique<WindowFace>(*this);
    core_ = std::make_unique<MonitorCore>(s_, *face_, this);
    buildParts();
    wireDialogs();
    buildMenus();
    wireCommands();
}

MainWindow::~MainWindow()
{
    // The core shuts down while the window it stores is still whole.
    core_->shutdown();
}

bool MainWindow::Form_Load(const std::string& commandLine)
{
    return core_->startUp(commandLine) && !ended_;
}

void MainWindow::endProgram(int code)
{
    if (std::exchange(ended_, true))
        return;
    s_.link.DebugOut("Form_Unload(): End", 1);
    core_->requestEnd(code);
}

void MainWindow::buildParts()
{
    sound_ = std::make_unique<Sound>();
    tray_ = std::make_unique<TrayIcon>();
    tray_->restoreWindow = [this] {
        showNormal();
        raise();
        activateWindow();
    };
    tray_->exitProgram = [this] { endProgram(); };
    tray_->openSettings = [this] { mSettings_Click(2); };
    airState_ = std::make_unique<AirStateWindow>(dataFolder());
    view_->actOnFlags = [this](QImage&) { core_->warnings().ActOnFlags(); };
    viewSaver_ = std::make_unique<ViewSaver>(s_.prompts, s_.clock, defaultViewFolder());
    quickButtons_ = new QuickButtons(view_->picture(), s_.settings, dataFolder());
    quickButtons_->onSnapshot = [this] {
        guarded("cmd_QuickButton_Click", [this] { viewSaver_->SaveView([this] { return view_->drawForOutput(); }); });
    };
    quickButtons_->onLiveData = [this](bool ticked) { core_->setLiveData(ticked); };
    quickButtons_->onFlash = [this] { mDownloadFlash_Click(); };
    logos_ = new Logos(view_->picture(), s_.settings, dataFolder());
    logos_->onEngineeringMode = [this] { setEngineeringMode(true); };
    cursor_ = std::make_unique<CursorView>(*view_, s_.link);
    connect(view_->picture(), &PlotPicture::mousePressed, this, [this](Qt::MouseButton button, QPointF at) {
        if (button != Qt::RightButton)
            return;
        QMenu graph("Graph", this);
        graph.setObjectName("mGraph");
        graph.addAction("Copy graph", this, [this] { mCopyGraph_Click(); });
        graph.addAction("Clear warnings", this, [this] { core_->clearMarkers(); });
        graph.addAction("Clear data", this, [this] { core_->clearData(); });
        graph.exec(view_->picture()->mapToGlobal(at.toPoint()));
    });
}

void MainWindow::wireDialogs()
{
    networkDialog_ = new NetworkDialog(s_.link, s_.prompts, core_->network().settings, this);
    alerts_ = new AlertsDialog(s_.link, s_.prompts, s_.settings, this);
    alerts_->saveFailed = [this](const QString& text) {
        // Said once: the values stay in memory and are used all the same.
        if (!std::exchange(saveFailureShown_, true))
            view_->WinPrint(text + "\n");
    };
    networkDialog_->closed = [this] {
        if (!core_->applyNetworkSettings())
            alerts_->saveFailed("Settings could not be saved: the settings file is not writable.");
    };
    networkDialog_->levelsChanged = [this](int stick) { core_->warningLevelsChanged(stick); };
    alerts_->levelsSent = [this](int stick) {
        core_->warningLevelsChanged(stick);
        view_->replot();
    };
    advanced_ = new AdvancedDialog(this);
    advanced_->resetBaseline = [this] { core_->resetBaseline(); };
    advanced_->resetSettings = [this] { core_->resetSettings(); };
    historySettings_ = new HistoryDialog(s_.settings, s_.prompts, this);
    historySettings_->apply = [this] { core_->restartHistory(); };
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
    plotDialog_ = new PlotSettingsDialog(s_.link, s_.prompts, s_.settings, s_.plot, s_.plotSettings,
                                         core_->sampling(), this);
    plotDialog_->changed = [this] { view_->redraw(); };
    plotDialog_->storeResized = [this] { core_->clearData(); };
    plotDialog_->saveFailed = alerts_->saveFailed;
    plotDialog_->lightChanged = [this](bool) { applyInk(); };
    // A click on a legend entry does what "Enable curve" does, stored.
    view_->legendClicked = [this](int curve) {
        if (curve < 0 || curve >= s_.plot.nCurves)
            return;
        const bool on = !s_.plot.CurveEnabled[static_cast<size_t>(curve)];
        s_.plot.CurveEnabled[static_cast<size_t>(curve)] = on;
        if (!s_.settings.save(keys::ChEnable, curve, on ? "1" : "0"))
            alerts_->saveFailed("Settings could not be saved: the settings file is not writable.");
        plotDialog_->showEnables();
        view_->replot();
    };
    applyInk();
    sensorInfo_ = new SensorInfoWindow(s_.settings, s_.clock, this);
    records_ = new RecordsWindow(this);
    flashFace_ = std::make_unique<WindowFlashFace>(s_.link, s_.prompts, *view_, core_->sampling(), core_->valueLog(),
                                                   *sensorInfo_, *records_);
    flashFace_->feed = [this](const LocalDateTime& t) { return core_->feedPlotAt(t); };
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
    } else if (index == 5) {
        historySettings_->load();
        dialog = historySettings_;
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
        core_->downloadFlash(*flashFace_, engineeringMode_);
    });
}

void MainWindow::mEraseFlash_Click()
{
    guarded("mEraseFlash_Click", [this] { core_->eraseFlash(); });
}

void MainWindow::mKnobs_Click()
{
    centreOverWindow(*networkDialog_);
    core_->readKnobsAndFlags();
    networkDialog_->Flexgrid_Rewrite();
    networkDialog_->show();
    networkDialog_->raise();
}

void MainWindow::setEngineeringMode(bool on)
{
    engineeringMode_ = on;
    plotDialog_->setScrollShown(on);
    core_->setEngineeringMode(on);
    if (!on)
        return;
    // The support menus and every hidden item come into view.
    menuBarShown_ = true;
    for (QMenu* m : menus_)
        m->menuAction()->setVisible(true);
    supportSeparator_->setVisible(true);
    for (const char* name : {"mSave", "mEraseFlash"})
        if (QAction* a = findChild<QAction*>(name))
            a->setVisible(true);
    menuBar()->setVisible(true);
}

double MainWindow::dpi() const
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

void MainWindow::guarded(const char* procedure, const std::function<void()>& body)
{
    core_->guarded(procedure, body);
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
    const int width = view_->picture()->width();
    switch (event->key()) {
    case Qt::Key_Pause:
        mPauseStart_Click();
        break;
    case Qt::Key_Escape:
        flashFace_->escape = true; // ends a running flash download
        view_->follow();
        break;
    // The plot's time by keyboard: + and - zoom around the middle, the
    // arrows pan a zoomed view by a tenth.
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        view_->zoomAt(width / 2.0, 120);
        break;
    case Qt::Key_Minus:
        view_->zoomAt(width / 2.0, -120);
        break;
    case Qt::Key_Left:
        view_->panBy(-width / 10.0);
        break;
    case Qt::Key_Right:
        view_->panBy(width / 10.0);
        break;
    default:
        break;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        applyInk();
}

void MainWindow::applyInk()
{
    // A dark desktop darkens the plot while its colours are the defaults,
    // unless the light look is asked for.
    const bool darkDesktop = QApplication::palette().color(QPalette::Window).lightness() < 128;
    const bool dark = darkDesktop && s_.plot.BackColor == rgb(255, 255, 255) && s_.settings.number(keys::LightPlot) != 1;
    if (dark == s_.plotSettings.Ink.dark)
        return;
    s_.plotSettings.Ink = dark ? darkInk() : lightInk();
    view_->redraw();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing is one of the ways out: the core shuts down once no pass runs.
    event->accept();
    endProgram();
}

void MainWindow::mPauseStart_Click()
{
    core_->pauseOrStart();
}

void MainWindow::mSavePicture_Click()
{
    FileDialogSpec spec;
    spec.title = "Save the plot as a picture";
    spec.filter = "PNG pictures (*.png)|*.png|SVG pictures (*.svg)|*.svg|All files (*.*)|*.*";
    spec.defaultExtension = ".png";
    spec.proposedName = "ventiscope-" + formatDateTime(s_.clock.now(), "yyyy-mm-dd-HhNnSs") + ".png";
    const auto chosen = s_.prompts.saveFile(spec);
    if (!chosen || chosen->empty())
        return;
    const QString file = QString::fromStdString(*chosen);
    const QSize shown = view_->picture()->size();
    const auto answer = s_.prompts.inputText("Size of the picture in pixels (width x height):", "Save picture",
                                             QString("%1x%2").arg(shown.width()).arg(shown.height()).toStdString());
    if (!answer)
        return;
    const QString sizeText = QString::fromStdString(*answer).trimmed();
    const auto size = sizeText.isEmpty() ? std::optional<QSize>(shown) : pictureSize(sizeText);
    if (!size) {
        face_->print("The picture was not saved: \"" + sizeText +
                     "\" is not a size (write it as 1920x1080, 16 to 10000 pixels each way)\n");
        return;
    }
    const QImage image = view_->drawForOutput(*size);
    view_->redraw();
    const QString error = writePictureFile(image, file);
    if (!error.isEmpty())
        face_->print("The picture could not be saved to " + file + ": " + error + "\n");
    else
        face_->print("Picture saved to " + file + "\n");
}

void MainWindow::mCopyGraph_Click()
{
    guarded("mCopyGraph_Click", [this] {
        QGuiApplication::clipboard()->setMimeData(copyGraphData(s_.plot, [this] { return view_->drawForOutput(); }));
        view_->redraw();
    });
}

} // namespace vs
