#include "window/window_face.h"

#include "common/prompts.h"
#include "core/data_folder.h"
#include "core/monitor_core.h"
#include "dialogs/network_dialog.h"
#include "dialogs/plot_settings_dialog.h"
#include "plot/plot_picture.h"
#include "settings/settings.h"
#include "window/air_state_window.h"
#include "window/app_icon.h"
#include "window/fade_in.h"
#include "window/logos.h"
#include "window/main_window.h"
#include "window/plot_view.h"
#include "window/quick_buttons.h"
#include "window/sound.h"
#include "window/tray_icon.h"
#include "window/window_geometry.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

namespace vs {

void WindowFace::print(const QString& text)
{
    w_.view_->WinPrint(text);
}

void WindowFace::note(const QString& text, long number, int row)
{
    w_.view_->WinNote(text, number, row);
}

bool WindowFace::statusShown() const
{
    return w_.view_->textBox().TextVisible;
}

int WindowFace::holdCount() const
{
    return w_.view_->textBox().gbWinMessage_TimesToPlot;
}

void WindowFace::setHoldCount(int redraws)
{
    w_.view_->textBox().gbWinMessage_TimesToPlot = redraws;
}

void WindowFace::setTip(const QString& tip)
{
    w_.tray_->ToolbarIcon_SetTip(tip);
    // The plot says the current values to assistive tools, each pass.
    QString values = tip;
    values.replace("\r\n", "; ");
    w_.view_->picture()->setAccessibleDescription("Current values: " + values);
}

void WindowFace::balloon(const QString& text, const QString& title, int timeoutMs)
{
    w_.tray_->ToolbarIcon_Balloon(text, title, timeoutMs);
}

void WindowFace::balloonDone()
{
    w_.tray_->ToolbarIcon_BalloonDone();
}

int WindowFace::balloonCount() const
{
    return w_.tray_->balloonCount();
}

void WindowFace::balloonHide()
{
    w_.tray_->ToolbarIcon_BalloonHide();
}

void WindowFace::airState(int state)
{
    w_.airState_->AirState_set(state);
}

void WindowFace::beep(int frequencyHz, int durationMs)
{
    w_.sound_->beep(frequencyHz, durationMs);
}

void WindowFace::playWave(int level)
{
    w_.sound_->playWave(dataFile(QString("warning_%1.wav").arg(level)));
}

void WindowFace::storeReset()
{
    w_.view_->follow();
    w_.view_->replot();
}

void WindowFace::samplesAdded()
{
    w_.view_->samplesAdded();
    // New samples are drawn only while the plot is wide enough to be read.
    if (pixelsToTwips(w_.central_->width(), w_.dpi()) >= 1000)
        w_.view_->replot();
}

void WindowFace::valuesRead()
{
    if (w_.networkDialog_->isVisible())
        w_.networkDialog_->Flexgrid_UpdateData();
}

void WindowFace::sticksChanged()
{
    if (w_.plotDialog_->isVisible())
        w_.plotDialog_->FillChannelList();
    w_.UpdateSensorText({});
}

void WindowFace::showFlashMenu(bool shown)
{
    w_.mDownloadFlash_->setVisible(shown);
}

void WindowFace::loggingChanged(const QString& caption, bool on)
{
    w_.mLog_->setText(caption);
    w_.mLog_->setChecked(on);
}

void WindowFace::samplingChanged(bool running)
{
    w_.mPauseStart_->setText(running ? "&Pause" : "&Start");
}

void WindowFace::networkRoleChanged()
{
    w_.networkDialog_->showNetworkSettings();
}

void WindowFace::showWindow()
{
    // Geometry, icon, caption and menus from the settings.
    const double d = w_.dpi();
    const QRectF current(pixelsToTwips(w_.x(), d), pixelsToTwips(w_.y(), d), pixelsToTwips(w_.width(), d),
                         pixelsToTwips(w_.height(), d));
    const QRectF stored = storedMainGeometry(w_.s_.settings, current);
    QRect place(twipsToPixels(stored.left(), d), twipsToPixels(stored.top(), d), twipsToPixels(stored.width(), d),
                twipsToPixels(stored.height(), d));
    const QScreen* screen = QGuiApplication::screenAt(place.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        place = keptOnScreen(place, screen->availableGeometry());
    // At the first start the window manager places the window; a stored place wins afterwards.
    if (!w_.s_.settings.text(keys::MainGraphLeft).trimmed().isEmpty() &&
        !w_.s_.settings.text(keys::MainGraphTop).trimmed().isEmpty())
        w_.move(place.topLeft());
    w_.resize(place.size());
    if (const QIcon icon = appIcon(); !icon.isNull())
        w_.setWindowIcon(icon);
    w_.setWindowTitle(w_.s_.settings.text(keys::MainTitle));
    w_.menuBarShown_ = false;
    for (int i = 0; i < 5; ++i) {
        const bool visible = w_.s_.settings.flag(keys::MenuVisible, i);
        w_.menus_[i]->menuAction()->setVisible(visible);
        w_.menuBarShown_ = w_.menuBarShown_ || visible;
    }
    w_.view_->noteColour = rgb(255, 224, 224);
}

void WindowFace::showPlot(bool oneShot)
{
    if (!oneShot) {
        w_.tray_->ToolbarIcon_Register(w_.windowIcon(), applicationTitle());
        w_.setWindowOpacity(0); // it fades in below
    }
    if (w_.s_.settings.number(keys::MainGraphMaximized) == 1)
        w_.showMaximized();
    else
        w_.show();
    w_.quickButtons_->QuickButton_Load();
    // "Live data" shows the setting "StartOnLoad".
    w_.quickButtons_->setLiveData(w_.s_.settings.number(keys::StartOnLoad) == 1);
    w_.view_->textBox().Winprint_init();
    w_.placePlot();
    w_.logos_->Logo_small_Load();
    w_.quickButtons_->QuickButton_Position(w_.view_->geometry());
    if (!oneShot)
        Transparency_FadeIn(w_);
}

void WindowFace::showAirState()
{
    w_.quickButtons_->QuickButton_Enable();
    // The light stays clear of the menu bar (and the title above it, with its
    // buttons) and of the tray icon.
    const QRect frame = w_.frameGeometry();
    const int menuBottom = w_.menuBar()->mapToGlobal(QPoint(0, w_.menuBar()->height())).y();
    w_.airState_->load(storedAirStatePosition(w_.s_.settings),
                       {QRect(frame.topLeft(), QPoint(frame.right(), menuBottom)), w_.tray_->geometry()});
    w_.activateWindow();
}

bool WindowFace::endAfterError(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    return w_.s_.prompts.askYesNo(text + "\r\n\r\nError copied to clipboard. End the program?", Prompts::Icon::Critical);
}

void WindowFace::closeWindow()
{
    const double d = w_.dpi();
    // A maximised window keeps the place it had before, and comes back maximised.
    QRect place(w_.pos(), w_.size());
    if (w_.isMaximized())
        place = w_.normalGeometry().translated(w_.frameGeometry().topLeft() - w_.geometry().topLeft());
    saveMainGeometry(w_.s_.settings, QRectF(pixelsToTwips(place.x(), d), pixelsToTwips(place.y(), d),
                                            pixelsToTwips(place.width(), d), pixelsToTwips(place.height(), d)));
    w_.s_.settings.saveNumber(keys::MainGraphMaximized, 0, w_.isMaximized() ? 1 : 0);
    if (w_.airState_->picturesAvailable())
        saveAirStatePosition(w_.s_.settings, w_.airState_->pos());
    w_.tray_->ToolbarIcon_Unregister();
}

void WindowFace::endProgram(int code)
{
    w_.ended_ = true;
    w_.hide();
    QCoreApplication::exit(code);
}

} // namespace vs
