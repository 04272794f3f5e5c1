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
    if (handling_)
        return false;
    handling_ = true;
    switch (event) {
    case DeviceEvent::DevNodesChanged:
    case DeviceEvent::OtherDeviceChange:
        link_.DebugOut(std::string("WM_DEVICECHANGE: 0x") + (event == DeviceEvent::DevNodesChanged ? "7" : "0") + ", 0x0",
                       50);
        if (event == DeviceEvent::DevNodesChanged) {
            link_.DebugOut("DBT_DEVNODES_CHANGED", 50);
            const int16_t before = link_.SticksConnected;
            if (scanner_.Nymstick_Find() != before) {
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
    handling_ = false;
    return true;
}

} // namespace vs
