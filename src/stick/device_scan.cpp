#include "stick/device_scan.h"

#include "stick/report_io.h"
#include "stick/stick_link.h"

#include <cstdio>

namespace vs {

namespace {

std::string hex4(uint16_t v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v);
    return buf;
}

} // namespace

bool isStickProduct(uint16_t vendorId, uint16_t productId)
{
    return vendorId == kStickVendorId && (productId == 0x2013 || productId == 0x2023);
}

std::string udevRuleAdvice(const std::string& path, const std::string& rulePath, bool forService)
{
    const std::string head = "A sensor stick is connected at " + path + " but this user may not open it. ";
    const std::string packaged = "/usr/lib/udev/rules.d/70-ventiscope.rules";
    const std::string apply = "  sudo udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=hidraw "
                              "--action=change\nThe stick is tried again every 5 s: no restart is needed.";
    const bool installed = rulePath.rfind("/etc/", 0) == 0 || rulePath.rfind("/usr/lib/", 0) == 0 ||
                           rulePath.rfind("/lib/", 0) == 0;
    if (!installed)
        return head + "Install the udev rule " + rulePath + " (it gives the user at the seat and the group plugdev "
                      "access) and apply it:\n  sudo cp " + rulePath + " /etc/udev/rules.d/70-ventiscope.rules\n" +
               apply;
    // A copy in /etc overrides the package's rule, and may be an old one.
    if (rulePath.rfind("/etc/", 0) == 0)
        return head + "The rule " + rulePath + " overrides the package's " + packaged +
               ", which gives the user at the seat and the group plugdev access; remove the copy (or give it the " +
               "package's lines) and apply the rules:\n  sudo rm " + rulePath + "\n" + apply;
    return head + "The udev rule " + rulePath + " gives " +
           (forService ? "the group plugdev, which the service joins," : "the user at the seat and the group plugdev") +
           " access; a stick plugged in before the rule came needs it applied:\n" + apply;
}

std::string refusalAdvice(const std::string& path, const std::string& reason, bool forService)
{
    std::string text = "A sensor stick is connected at " + path + " but the system refuses to open it (" + reason + ").";
    if (forService)
        text += " The service's device policy admits the sticks only when the HID core was loaded before the service "
                "started (the package loads it at boot):\n  sudo modprobe hid && sudo systemctl restart ventiscope";
    return text + "\nThe stick is tried again every 5 s.";
}

int16_t DeviceScanner::Nymstick_Find()
{
    link_.DebugOut(std::string(20, '*') + "Nymstick_Find start", 50);
    link_.DebugOut("HID interface class {4D1E55B2-F16F-11CF-88CB-001111000030}", 50);
    const std::vector<std::string> paths = backend_.enumerate();
    changed_ = false;
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        link_.slot(i)->Seen = 0;
        // A network stick is its server's: the scan of this machine leaves it alone.
        if (link_.slot(i)->Interface == "NW")
            continue;
        // A handle whose device left is dead, whatever node came in its place.
        if (link_.Nymstick_isOpen(i) && Nymstick_Gone(link_, i)) {
            link_.DebugOut("  The device of slot " + std::to_string(i) + " has left", 50);
            Nymstick_Close(link_, i);
            changed_ = true;
            left_.push_back(i);
        }
    }
    std::set<std::string> inUse, unopened;

    for (const std::string& path : paths) {
        link_.DebugOut("  Device pathname: " + path, 50);
        const int16_t known = link_.Nymstick_FindSlot(path);
        if (known >= 0 && link_.Nymstick_isOpen(known)) {
            link_.slot(known)->Seen = 1;
            continue;
        }
        OpenFailure failure = OpenFailure::None;
        std::string reason;
        std::unique_ptr<HidDevice> device = backend_.open(path, failure, reason);
        if (!device) {
            link_.DebugOut("  Returned handle INVALID (device probably in use): " + reason, 50);
            if (failure == OpenFailure::Permission && !toldAboutPermissions_) {
                toldAboutPermissions_ = true;
                if (onPermissionProblem)
                    onPermissionProblem(udevRuleAdvice(path, rulePath, forService));
            }
            if (failure == OpenFailure::Refused && !toldAboutRefusal_) {
                toldAboutRefusal_ = true;
                if (onPermissionProblem)
                    onPermissionProblem(refusalAdvice(path, reason, forService));
            }
            unopened.insert(path);
            if (failure == OpenFailure::InUse) {
                inUse.insert(path);
                if (!inUse_.count(path) && onInUse)
                    onInUse(path, reason);
            }
            continue;
        }
        const std::optional<HidAttributes> attr = device->attributes();
        if (!attr) {
            link_.DebugOut("  Error in filling HIDD_ATTRIBUTES structure.", 50);
            continue; // the device closes as it goes out of scope
        }
        link_.DebugOut("  Vendor ID: 0x" + hex4(attr->VendorID) + ", Product ID: 0x" + hex4(attr->ProductID) +
                           ", Version: 0x" + hex4(attr->VersionNumber) + ", " + attr->Manufacturer + " " +
                           attr->Product,
                       50);
        if (!isStickProduct(attr->VendorID, attr->ProductID))
            continue;

        const int16_t slot = link_.Nymstick_AddSlot(path);
        link_.DebugOut(std::string(20, '-') + "Nym device detected (index=" + std::to_string(slot) + ")", 50);
        const HidCaps caps = device->caps();
        for (const std::string& line : capsDebugLines(caps))
            link_.DebugOut(line, 50);
        Nymstick_AttachDevice(link_, slot, device->takeTransport(), caps.InputReportByteLength,
                              caps.OutputReportByteLength, caps.FeatureReportByteLength);
        link_.slot(slot)->Seen = 2;
        link_.slot(slot)->UsbManufacturer = attr->Manufacturer;
        link_.slot(slot)->UsbProduct = attr->Product;
        changed_ = true;
    }
    inUse_ = std::move(inUse);
    unopened_ = std::move(unopened);
    if (!unopened_.empty() && onUnopened)
        onUnopened();

    int16_t count = 0;
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        if (link_.slot(i)->Seen != 0) {
            ++count;
        } else if (link_.Nymstick_isOpen(i) && link_.slot(i)->Interface != "NW") {
            const bool emulated = link_.slot(i)->Interface == "EMU";
            Nymstick_Close(link_, i);
            changed_ = true;
            if (!emulated)
                left_.push_back(i);
        }
    }
    link_.SticksConnected = count;
    link_.DebugOut(" " + std::to_string(count) + " devices connected, " + std::to_string(link_.SlotsReserved) +
                       " device slots reserved",
                   50);
    link_.DebugOut(std::string(20, '*') + "Nymstick_Find Ended", 50);
    return count;
}

} // namespace vs
