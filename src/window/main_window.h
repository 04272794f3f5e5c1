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
class SamplingLoop;
class DeviceCallback;
class ViewSaver;
class ValueLog;
class Sound;
class TrayIcon;
class AirStateWindow;
class Warnings;
class QuickButtons;
class Logos;
class NetLink;
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
class HistoryWindow;
class MonitorCore;
class PlotStatusFace;

// The main window: the menus, the plot picture, the start-up and shut-down
// sequences and the window events. It shows and commands the monitor's core
// (sampling, device changes, warnings, value log, network link, publishing)
// and adds what needs a screen: plot view, tray, sound, dialogs.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Services& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; false when the program is to end (a switch
    // acted, no stick with a command line, or the user chose to end).
    bool Form_Load(const std::string& commandLine);
    void Exit_cleanup();
    // Reports an unexpected error; true when the user chose to end the program.
    bool Err_Requester(const std::string& procedure, const std::string& description);

    void mPauseStart_Click();
    void mCopyGraph_Click();
    void mExit_Click();
    void mClear_Click();
    void mClearMarkers_Click();
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
    AboutBox& about() { return *about_; }
    CursorView& cursor() { return *cursor_; }
    bool engineeringMode() const { return engineeringMode_; }
    // Opens an address or a file with the desktop's handler (tests replace it).
    std::function<bool(const QUrl&)> openUrl;
    AlertsDialog& alerts() { return *alerts_; }
    PlotSettingsDialog& plotSettingsDialog() { return *plotDialog_; }
    AdvancedDialog& advanced() { return *advanced_; }
    PublishingDialog& publishing() { return *publishing_; }
    SensorInfoWindow& sensorInfo() { return *sensorInfo_; }
    RecordsWindow& records() { return *records_; }
    // Null until "File > History..." was first chosen.
    HistoryWindow* historyWindow() { return historyWindow_; }
    WindowFlashFace& flashFace() { return *flashFace_; }
    NetworkDialog& networkDialog() { return *networkDialog_; }

    PlotView& plotView() { return *view_; }
    MonitorCore& core() { return *core_; }
    TrayIcon& tray() { return *tray_; }
    AirStateWindow& airState() { return *airState_; }
    QuickButtons& quickButtons() { return *quickButtons_; }
    Logos& logos() { return *logos_; }
    void setEngineeringMode(bool on);
    void liveDataClicked(bool ticked);
    QAction* logAction() const { return mLog_; }
    QAction* pauseAction() const { return mPauseStart_; }
    QAction* downloadFlashAction() const { return mDownloadFlash_; }
    QMenu* topMenu(int i) const { return menus_[i]; }
    bool menuBarShown() const { return menuBarShown_; }
    const std::string& currentStep() const { return currentStep_; }
    bool ended() const { return ended_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Centred over the main window, kept on screen.
    void centreOverWindow(QWidget& dialog);
    void buildMenus();
    void wireAlerts();
    void wireNetwork();
    void wireFlash();
    void wireSettingsDialogs();
    void wireCommands();
    // Runs a command-line switch ("/rst", "/dfu") on every stick, progress over the plot.
    int runSwitch(const std::string& commandLine);
    void placePlot();
    void step(const std::string& text);
    // Runs a handler; an unexpected error goes to the error requester.
    void guarded(const char* procedure, const std::function<void()>& body);
    double dpi() const;
    void endProgram();

    Services& s_;
    QWidget* central_;
    PlotView* view_;
    std::unique_ptr<PlotStatusFace> statusFace_;
    std::unique_ptr<MonitorCore> core_;
    SamplingLoop* sampling_ = nullptr;
    DeviceCallback* devCallback_ = nullptr;
    ValueLog* valueLog_ = nullptr;
    Warnings* warnings_ = nullptr;
    NetLink* net_ = nullptr;
    std::unique_ptr<ViewSaver> viewSaver_;
    std::unique_ptr<Sound> sound_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<AirStateWindow> airState_;
    NetworkDialog* networkDialog_ = nullptr;
    SensorInfoWindow* sensorInfo_ = nullptr;
    RecordsWindow* records_ = nullptr;
    HistoryWindow* historyWindow_ = nullptr;
    std::unique_ptr<WindowFlashFace> flashFace_;
    bool engineeringMode_ = false;
    AlertsDialog* alerts_ = nullptr;
    AdvancedDialog* advanced_ = nullptr;
    PublishingDialog* publishing_ = nullptr;
    PlotSettingsDialog* plotDialog_ = nullptr;
    AboutBox* about_ = nullptr;
    std::unique_ptr<CursorView> cursor_;
    bool saveFailureShown_ = false;
    QuickButtons* quickButtons_ = nullptr;
    Logos* logos_ = nullptr;
    QMenu* menus_[5] = {};
    QAction* mPauseStart_ = nullptr;
    QAction* mDownloadFlash_ = nullptr;
    QAction* mLog_ = nullptr;
    QAction* supportSeparator_ = nullptr;
    bool menuBarShown_ = true;
    bool cleanedUp_ = false;
    bool ended_ = false;
    std::string currentStep_;
};

} // namespace vs
