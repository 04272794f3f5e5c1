#pragma once
#include "core/services.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QMenu;
class QUrl;

namespace vs {

class PlotView;
class WindowFace;
class ViewSaver;
class Sound;
class TrayIcon;
class AirStateWindow;
class QuickButtons;
class Logos;
class NetworkDialog;
class SensorInfoWindow;
class RecordsWindow;
class WindowFlashFace;
class AlertsDialog;
class PlotSettingsDialog;
class AboutBox;
class CursorView;
class AdvancedDialog;
class PublishingDialog;
class HistoryDialog;
class HistoryWindow;
class MonitorCore;

// The main window: the menus, the plot picture, the dialogs and the window
// events. The core runs every sequence and command; the window's face
// (WindowFace) shows what the core does, and the menu handlers call the
// core and show what only a window shows (dialogs, pictures).
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Services& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up; false when the program is to end (a switch acted, no
    // stick with a command line, or the user chose to end).
    bool Form_Load(const std::string& commandLine);
    // Ends the program: every way out (Exit, closing the window, the tray,
    // a signal, a fatal error) comes here, and the core shuts down first.
    void endProgram(int code = 0);

    void mPauseStart_Click();
    void mCopyGraph_Click();
    // File > Save picture...: the plot as shown, to a PNG file.
    void mSavePicture_Click();
    void mKnobs_Click();
    void mDownloadFlash_Click();
    void mEraseFlash_Click();
    void mSettings_Click(int index);
    void mRecalHeat_Click();
    void mUpgrade_Click();
    void mSearchUpdates_Click();
    void mHelpContents_Click();
    void mAbout_Click();
    // Opens the history window on what the history holds up to now.
    void mHistory_Click();
    // Fills the sensor information window's text.
    void UpdateSensorText(const QString& extra);
    // Opens an address or a file with the desktop's handler (tests replace it).
    std::function<bool(const QUrl&)> openUrl;

    MonitorCore& core() { return *core_; }
    Services& services() { return s_; }
    PlotView& plotView() { return *view_; }
    AboutBox& about() { return *about_; }
    CursorView& cursor() { return *cursor_; }
    AlertsDialog& alerts() { return *alerts_; }
    PlotSettingsDialog& plotSettingsDialog() { return *plotDialog_; }
    AdvancedDialog& advanced() { return *advanced_; }
    PublishingDialog& publishing() { return *publishing_; }
    HistoryDialog& historySettings() { return *historySettings_; }
    SensorInfoWindow& sensorInfo() { return *sensorInfo_; }
    RecordsWindow& records() { return *records_; }
    NetworkDialog& networkDialog() { return *networkDialog_; }
    // Null until "File > History..." was first chosen.
    HistoryWindow* historyWindow() { return historyWindow_; }
    WindowFlashFace& flashFace() { return *flashFace_; }
    TrayIcon& tray() { return *tray_; }
    AirStateWindow& airState() { return *airState_; }
    QuickButtons& quickButtons() { return *quickButtons_; }
    Logos& logos() { return *logos_; }
    bool engineeringMode() const { return engineeringMode_; }
    void setEngineeringMode(bool on);
    QAction* logAction() const { return mLog_; }
    QAction* pauseAction() const { return mPauseStart_; }
    QAction* downloadFlashAction() const { return mDownloadFlash_; }
    QMenu* topMenu(int i) const { return menus_[i]; }
    bool menuBarShown() const { return menuBarShown_; }
    bool ended() const { return ended_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class WindowFace;
    // Centred over the main window, kept on screen.
    void centreOverWindow(QWidget& dialog);
    void buildMenus();
    void buildParts();
    void wireDialogs();
    void wireCommands();
    void placePlot();
    // The plot's ink: dark counterparts on a dark desktop.
    void applyInk();
    // A menu handler: an unexpected error goes to the error requester.
    void guarded(const char* procedure, const std::function<void()>& body);
    double dpi() const;

    Services& s_;
    QWidget* central_;
    PlotView* view_;
    std::unique_ptr<WindowFace> face_;
    std::unique_ptr<MonitorCore> core_;
    std::unique_ptr<ViewSaver> viewSaver_;
    std::unique_ptr<Sound> sound_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<AirStateWindow> airState_;
    std::unique_ptr<WindowFlashFace> flashFace_;
    std::unique_ptr<CursorView> cursor_;
    NetworkDialog* networkDialog_ = nullptr;
    SensorInfoWindow* sensorInfo_ = nullptr;
    RecordsWindow* records_ = nullptr;
    HistoryWindow* historyWindow_ = nullptr;
    AlertsDialog* alerts_ = nullptr;
    AdvancedDialog* advanced_ = nullptr;
    PublishingDialog* publishing_ = nullptr;
    HistoryDialog* historySettings_ = nullptr;
    PlotSettingsDialog* plotDialog_ = nullptr;
    AboutBox* about_ = nullptr;
    QuickButtons* quickButtons_ = nullptr;
    Logos* logos_ = nullptr;
    QMenu* menus_[5] = {};
    QAction* mPauseStart_ = nullptr;
    QAction* mDownloadFlash_ = nullptr;
    QAction* mLog_ = nullptr;
    QAction* supportSeparator_ = nullptr;
    bool engineeringMode_ = false;
    bool saveFailureShown_ = false;
    bool menuBarShown_ = true;
    bool ended_ = false;
};

} // namespace vs
