#include "window/tray_icon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QSystemTrayIcon>

namespace vs {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), menu_(std::make_unique<QMenu>("Icon"))
{
    menu_->setObjectName("mIcon");
    menu_->addAction("Settings...", this, [this] {
        if (openSettings)
            openSettings();
    });
    menu_->addAction("Exit", this, [this] {
        if (exitProgram)
            exitProgram();
    });
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] { balloonTimedOut(); });
}

QRect TrayIcon::geometry() const
{
    return icon_ ? icon_->geometry() : QRect();
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::shown() const
{
    return icon_ && icon_->isVisible();
}

void TrayIcon::ToolbarIcon_Register(const QIcon& icon, const QString& title)
{
    registered_ = true;
    tip_ = title;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    icon_ = std::make_unique<QSystemTrayIcon>(icon);
    icon_->setToolTip(title);
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick && restoreWindow)
            restoreWindow();
    });
    connect(icon_.get(), &QSystemTrayIcon::messageClicked, this, [this] {
        if (restoreWindow)
            restoreWindow();
    });
    icon_->show();
}

void TrayIcon::ToolbarIcon_Unregister()
{
    if (!registered_)
        return;
    registered_ = false;
    timeout_.stop();
    if (icon_)
        icon_->hide();
    icon_.reset();
}

void TrayIcon::ToolbarIcon_SetTip(const QString& text)
{
    tip_ = text;
    if (icon_)
        icon_->setToolTip(text);
}

void TrayIcon::ToolbarIcon_Unhide()
{
    if (icon_)
        icon_->show();
}

void TrayIcon::ToolbarIcon_Balloon(const QString& text, const QString& title, int timeoutMs)
{
    balloons_ = std::min(balloons_ + 1, 32760);
    ToolbarIcon_Unhide();
    if (icon_)
        icon_->showMessage(title, text, QSystemTrayIcon::Information, timeoutMs);
    // The desktop may not say when a balloon went away; our own timer does.
    timeout_.start(timeoutMs);
}

void TrayIcon::ToolbarIcon_BalloonHide()
{
    if (!timeout_.isActive())
        return;
    timeout_.stop();
    balloonTimedOut();
    // The tray's own balloon goes away when an empty one is asked for; a
    // desktop notification (a tray spoken to over D-Bus) cannot be taken
    // back and would show empty, so it is left to expire.
    const bool dbusTray = QDBusConnection::sessionBus().isConnected() &&
                          QDBusConnection::sessionBus().interface()->isServiceRegistered("org.kde.StatusNotifierWatcher");
    if (icon_ && !dbusTray)
        icon_->showMessage({}, {}, QSystemTrayIcon::NoIcon, 1);
}

void TrayIcon::ToolbarIcon_BalloonDone()
{
    balloons_ = std::max(balloons_ - 1, 0);
}

void TrayIcon::balloonTimedOut()
{
    while (balloons_ > 0)
        ToolbarIcon_BalloonDone();
}

} // namespace vs
