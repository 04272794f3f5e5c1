// The start-up sequence of the main window.
#include "common/prompts.h"
#include "flash/flash_available.h"
#include "core/command_line.h"
#include "window/app_icon.h"
#include "core/data_folder.h"
#include "core/device_callback.h"
#include "window/main_window.h"
#include "core/monitor_core.h"
#include "window/plot_view.h"
#include "core/sampling_loop.h"
#include "core/value_log.h"
#include "window/air_state_window.h"
#include "window/fade_in.h"
#include "window/logos.h"
#include "window/quick_buttons.h"
#include "window/tray_icon.h"
#include "window/window_geometry.h"
#include "settings/conversions.h"
#include "settings/settings.h"
#include "stick/device_change.h"
#include "stick/stick_info.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScreen>
#include <QTimer>

#include <iostream>

namespace vs {

bool MainWindow::Form_Load(const std::string& commandLine)
{
    // 1-2: tracing is off unless a test build's user asks for a trace file.
    s_.trace.On = false;
    if (s_.versionRevision != 0) {
        const std::string version = std::to_string(s_.versionMajor) + "." + std::to_string(s_.versionMinor) + "." +
                                    std::to_string(s_.versionRevision);
        const auto answer = s_.prompts.inputText("This is a test revision, v" + version +
                                                     "\r\n\r\nDo you want to to save a trace file?",
                                                 "", homeFolder() + "/nymtrace_v" + version + ".txt");
        if (answer && !answer->empty())
            s_.trace.enable(*answer, s_.link);
    }
    step("Form1:Form_Load()");
    core_->deviceChange().hotPlugEnabled = true;

    // 6-10: geometry, icon, caption, menus.
    const double d = dpi();
    const QRectF current(pixelsToTwips(x(), d), pixelsToTwips(y(), d), pixelsToTwips(width(), d),
                         pixelsToTwips(height(), d));
    const QRectF stored = storedMainGeometry(s_.settings, current);
    QRect place(twipsToPixels(stored.left(), d), twipsToPixels(stored.top(), d), twipsToPixels(stored.width(), d),
                twipsToPixels(stored.height(), d));
    const QScreen* screen = QGuiApplication::screenAt(place.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        place = keptOnScreen(place, screen->availableGeometry());
    move(place.topLeft());
    resize(place.size());
    if (const QIcon icon = appIcon(); !icon.isNull())
        setWindowIcon(icon);
    setWindowTitle(s_.settings.text(keys::MainTitle));
    menuBarShown_ = false;
    for (int i = 0; i < 5; ++i) {
        const bool visible = s_.settings.flag(keys::MenuVisible, i);
        menus_[i]->menuAction()->setVisible(visible);
        menuBarShown_ = menuBarShown_ || visible;
    }
    view_->noteColour = rgb(255, 224, 224);

    step("Form1:Form_Load():Nymstick_Find");
    core_->findSticks();
    if (s_.link.Nymstick_CountConnected() == 0 && !commandLine.empty())
        return false;

    step("Form1:Form_Load():Command");
    if (commandLine.empty()) {
        valueLog_->restoreFromSettings();
        tray_->ToolbarIcon_Register(windowIcon(), applicationTitle());
        setWindowOpacity(0); // it fades in below
    }
    step("Form1:Form_Load():Show");
    if (s_.settings.number(keys::MainGraphMaximized) == 1)
        showMaximized();
    else
        show();
    quickButtons_->QuickButton_Load();
    view_->textBox().Winprint_init();
    placePlot();
    view_->setupStore();
    mClearMarkers_Click();
    step("Form1:Form_Load():Logo_small_Load");
    logos_->Logo_small_Load();
    quickButtons_->QuickButton_Position(view_->geometry());
    if (commandLine.empty())
        Transparency_FadeIn(*this);

    const int n = s_.link.Nymstick_CountConnected();
    if (n == 0)
        s_.link.DebugOut("ERROR: NO Nym sticks found!", 1);
    step("Form1:Form_Load():ParseCmd");
    CommandServices commands{s_.link, s_.clock, s_.link.waitFunction(),
                             [this](const std::string& t) { view_->WinPrint(QString::fromStdString(t)); },
                             [](const std::string& t) { std::cerr << "Ventiscope: " << t << std::endl; }};
    if (ParseCmd(commands, commandLine, true) != kNoAction)
        return false;
    if (s_.trace.On)
        step("Form1:Form_Load():Nymstick_CountConnected= " + std::to_string(n));

    view_->WinPrint(QString(QChar(12)));
    if (n > 0)
        view_->WinPrint(QString::number(n) + " sensors found:\n");

    step("Form1:Form_Load():rmSettings_Plot.LoadPlotSettings");
    core_->loadSettings();

    step("Form1:Form_Load():DevChange_callback");
    core_->configureSticks();
    UpdateSensorText({});
    mDownloadFlash_->setVisible(CheckFlashAvailable(s_.link));

    if (!s_.link.StickErrorText.empty()) {
        const std::string text = "Error configuring stick(s): " + s_.link.StickErrorText;
        QGuiApplication::clipboard()->setText(QString::fromStdString(text));
        if (s_.prompts.askYesNo(text + "\r\n\r\nError copied to clipboard. End the program?", Prompts::Icon::Critical))
            return false;
    }
    if (s_.trace.On) {
        step("Form1:Form_Load():dump");
        for (int i = 0; i < s_.link.SlotsReserved; ++i)
            s_.trace.LogTrace(StickDescription(s_.link, i));
    }

    // "Live data" takes the setting "StartOnLoad"; sampling runs when it is ticked and a stick is there.
    const bool live = s_.settings.number(keys::StartOnLoad) == 1;
    quickButtons_->setLiveData(live);
    core_->startSampling(live);
    mPauseStart_->setText(sampling_->running() ? "&Pause" : "&Start");

    quickButtons_->QuickButton_Enable();
    // The light stays clear of the menu bar (and the title above it).
    const QRect frame = frameGeometry();
    const int menuBottom = menuBar()->mapToGlobal(QPoint(0, menuBar()->height())).y();
    airState_->load(storedAirStatePosition(s_.settings), QRect(frame.topLeft(), QPoint(frame.right(), menuBottom)));
    activateWindow();
    step("Form1:Form_Load():RegisterHIDwindow, publishing, LoadNetworkDefaults");
    core_->startLinks();
    return true;
}

} // namespace vs
