#pragma once
#include <QIcon>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace vs {

// The icon in the notification area: a live tooltip, balloons for warnings
// and a small menu. Where the desktop offers no tray the program runs on
// without one; everything the tray offers is in the window's menus too.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;
    // Where the icon is on the screen; empty where the tray does not say.
    QRect geometry() const;

    std::function<void()> restoreWindow; // double-click, balloon click
    std::function<void()> openSettings;  // "Settings..."
    std::function<void()> exitProgram;   // "Exit"

    void ToolbarIcon_Register(const QIcon& icon, const QString& title);
    void ToolbarIcon_Unregister();
    void ToolbarIcon_SetTip(const QString& text);
    void ToolbarIcon_Unhide();
    void ToolbarIcon_Balloon(const QString& text, const QString& title, int timeoutMs);
    void ToolbarIcon_BalloonDone();
    // Takes a balloon still on screen away (desktop notifications expire by themselves).
    void ToolbarIcon_BalloonHide();
    bool balloonOnScreen() const { return timeout_.isActive(); }

    int balloonCount() const { return balloons_; }
    QString tip() const { return tip_; }
    bool registered() const { return registered_; }
    bool shown() const; // a real tray icon is on screen
    QMenu* menu() const { return menu_.get(); }
    // The balloon time-out ran out: every pending balloon is retired.
    void balloonTimedOut();

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QMenu> menu_;
    QTimer timeout_;
    QString tip_;
    int balloons_ = 0;
    bool registered_ = false;
};

} // namespace vs
