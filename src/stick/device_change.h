#pragma once
#include <functional>

namespace vs {

class StickLink;
class DeviceScanner;

// What the system tells the program about devices and power.
enum class DeviceEvent {
    DevNodesChanged, // a HID device node came or went
    OtherDeviceChange,
    Suspend,
    Resume,
};

// Reacts to device and power events: rescans, and when the set of sticks
// changed (or after a resume, always) beeps and runs the device-change
// callback. An event that arrives while one is handled (the callback talks
// to sticks and lets the window run meanwhile), while a stick exchange is
// running further up the call stack (it arrived in one of the exchange's
// waits), or while `busy` says so, is passed on and kept: it is handled once
// that is over, so that a stick plugged in meanwhile still gets configured.
class DeviceChangeHandler {
public:
    DeviceChangeHandler(StickLink& link, DeviceScanner& scanner, std::function<void()> devChangeCallback);

    // Installs and removes the watch; installing needs the hot-plug switch.
    bool hotPlugEnabled = true;
    std::function<bool()> startWatching; // true when the platform's watch is running
    std::function<void()> stopWatching;
    void RegisterHIDwindow();
    void UnRegisterHIDwindow();
    bool registered() const { return registered_; }

    // True when the event was handled, false when it was passed on.
    bool DeviceWindowProc(DeviceEvent event);

    // Something else that must end before an event is handled (a sampling pass).
    std::function<bool()> busy;
    // Asked, once per kept event, to call runPending() a little later.
    std::function<void()> retryLater;
    // Handles the kept event, if any; keeps it again while still busy.
    void runPending();
    bool hasPending() const { return pending_ != Pending::None; }

private:
    enum class Pending { None, Scan, Resume };
    void handle(DeviceEvent event);
    void keep(DeviceEvent event);

    StickLink& link_;
    DeviceScanner& scanner_;
    std::function<void()> callback_;
    bool handling_ = false;
    bool registered_ = false;
    Pending pending_ = Pending::None;
    bool retryAsked_ = false;
};

} // namespace vs
