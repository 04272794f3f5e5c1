#include "core/device_watch.h"

#include "stick/device_change.h"

#include <QDBusConnection>
#include <QSocketNotifier>

namespace vs {

namespace {
const char* const kLogin = "org.freedesktop.login1";
const char* const kLoginPath = "/org/freedesktop/login1";
const char* const kLoginManager = "org.freedesktop.login1.Manager";
} // namespace

DeviceWatch::DeviceWatch(DeviceChangeHandler& handler, QObject* parent) : QObject(parent), handler_(handler) {}

DeviceWatch::~DeviceWatch()
{
    stop();
}

void DeviceWatch::attach()
{
    handler_.startWatching = [this] { return start(); };
    handler_.stopWatching = [this] { stop(); };
}

bool DeviceWatch::start()
{
    if (udev_.start()) {
        notifier_ = std::make_unique<QSocketNotifier>(udev_.fd(), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { onUdevReadable(); });
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
        sleepSignal_ = bus.connect(kLogin, kLoginPath, kLoginManager, "PrepareForSleep", this,
                                   SLOT(onPrepareForSleep(bool)));
    return notifier_ != nullptr || sleepSignal_;
}

void DeviceWatch::stop()
{
    notifier_.reset();
    udev_.stop();
    if (sleepSignal_) {
        QDBusConnection::systemBus().disconnect(kLogin, kLoginPath, kLoginManager, "PrepareForSleep", this,
                                                SLOT(onPrepareForSleep(bool)));
        sleepSignal_ = false;
    }
}

void DeviceWatch::onUdevReadable()
{
    // Drain every queued event, then scan once.
    bool changed = false;
    while (udev_.takeEvent())
        changed = true;
    if (changed)
        handler_.DeviceWindowProc(DeviceEvent::DevNodesChanged);
}

void DeviceWatch::onPrepareForSleep(bool sleeping)
{
    handler_.DeviceWindowProc(sleeping ? DeviceEvent::Suspend : DeviceEvent::Resume);
}

} // namespace vs
