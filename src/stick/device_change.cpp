#include "stick/device_change.h"

#include "stick/device_scan.h"
#include "stick/stick_link.h"

namespace vs {

DeviceChangeHandler::DeviceChangeHandler(StickLink& link, DeviceScanner& scanner, std::function<void()> devChangeCallback)
    : link_(link), scanner_(scanner), callback_(std::move(devChangeCallback))
{
}

void DeviceChangeHandler::RegisterHIDwindow()
{
    if (registered_ || !hotPlugEnabled)
        return;
    registered_ = startWatching ? startWatching() : true;
    link_.DebugOut(std::string("SetWindowLong:") + (registered_ ? "ok" : "no device watch available"), 200);
}

void DeviceChangeHandler::UnRegisterHIDwindow()
{
    if (!registered_)
        return;
    link_.DebugOut("UnRegisterHIDwindow()", 1);
    if (stopWatching)
        stopWatching();
    registered_ = false;
}

bool DeviceChangeHandler::DeviceWindowProc(DeviceEvent event)
{
    if (handling_ || link_.Exchange.busy || (busy && busy())) {
        keep(event);
        return false;
    }
    handling_ = true;
    handle(event);
    // Events that came while this one was handled.
    while (pending_ != Pending::None) {
        const DeviceEvent next = pending_ == Pending::Resume ? DeviceEvent::Resume : DeviceEvent::DevNodesChanged;
        pending_ = Pending::None;
        handle(next);
    }
    handling_ = false;
    return true;
}

void DeviceChangeHandler::keep(DeviceEvent event)
{
    if (event == DeviceEvent::Resume)
        pending_ = Pending::Resume;
    else if (event == DeviceEvent::DevNodesChanged && pending_ == Pending::None)
        pending_ = Pending::Scan;
    else
        return;
    link_.DebugOut("Device change kept until the running exchange ends", 50);
    // A handler already running takes it up when it is done.
    if (!handling_ && retryLater && !retryAsked_) {
        retryAsked_ = true;
        retryLater();
    }
}

void DeviceChangeHandler::runPending()
{
    retryAsked_ = false;
    if (pending_ == Pending::None)
        return;
    const DeviceEvent event = pending_ == Pending::Resume ? DeviceEvent::Resume : DeviceEvent::DevNodesChanged;
    pending_ = Pending::None;
    DeviceWindowProc(event);
}

void DeviceChangeHandler::handle(DeviceEvent event)
{
    switch (event) {
    case DeviceEvent::DevNodesChanged:
    case DeviceEvent::OtherDeviceChange:
        link_.DebugOut(std::string("WM_DEVICECHANGE: 0x") + (event == DeviceEvent::DevNodesChanged ? "7" : "0") + ", 0x0",
                       50);
        if (event == DeviceEvent::DevNodesChanged) {
            link_.DebugOut("DBT_DEVNODES_CHANGED", 50);
            // The set of sticks counts, not their number: one gone and one
            // come (or one back under a new node) is a change too.
            scanner_.Nymstick_Find();
            if (scanner_.changed()) {
                link_.beep(2000, 200);
                if (callback_)
                    callback_();
            }
        }
        break;
    case DeviceEvent::Resume:
        link_.DebugOut("PBT_APMRESUMEAUTOMATIC", 50);
        link_.clearTable();
        scanner_.Nymstick_Find();
        if (callback_)
            callback_();
        break;
    case DeviceEvent::Suspend:
        link_.DebugOut("PBT_APMSUSPEND", 50);
        break;
    }
}

} // namespace vs
