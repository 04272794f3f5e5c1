#pragma once
#include "stick/udev_monitor.h"

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace vs {

class DeviceChangeHandler;

// Feeds the device-change handler from the system: hidraw nodes coming and
// going (udev), and resume from standby (logind's PrepareForSleep on the
// system bus). Either is quietly absent where the system does not offer it.
class DeviceWatch : public QObject {
    Q_OBJECT
public:
    explicit DeviceWatch(DeviceChangeHandler& handler, QObject* parent = nullptr);
    ~DeviceWatch() override;

    // Installs the watches on the handler's register and unregister calls.
    void attach();
    bool start();
    void stop();

public slots:
    void onPrepareForSleep(bool sleeping);

private:
    void onUdevReadable();

    DeviceChangeHandler& handler_;
    UdevMonitor udev_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool sleepSignal_ = false;
};

} // namespace vs
