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

// Reacts to device and power events: rescans, and when the number of sticks
// changed (or after a resume, always) beeps and runs the device-change
// callback. Events arriving while one is handled (the callback talks to
// sticks and lets the window run meanwhile) are passed on untouched.
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

private:
    StickLink& link_;
    DeviceScanner& scanner_;
    std::function<void()> callback_;
    bool handling_ = false;
    bool registered_ = false;
};

} // namespace vs
