#include "stick/hidapi_backend.h"

#include "stick/stick_owner.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

#ifdef __linux__
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#endif

namespace vs {

namespace {

std::string narrow(const wchar_t* w)
{
    std::string out;
    if (!w)
        return out;
    for (; *w; ++w)
        out += (*w >= 32 && *w < 127) ? static_cast<char>(*w) : '?';
    return out;
}

std::string systemText(int code)
{
    return std::strerror(code);
}

// The device's report descriptor, read from its hidraw node.
std::vector<uint8_t> readDescriptor(const std::string& path)
{
#ifdef __linux__
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    int size = 0;
    std::vector<uint8_t> out;
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
        hidraw_report_descriptor desc{};
        desc.size = static_cast<__u32>(size);
        if (ioctl(fd, HIDIOCGRDESC, &desc) == 0)
            out.assign(desc.value, desc.value + size);
    }
    ::close(fd);
    return out;
#else
    (void)path;
    return {};
#endif
}

class HidapiDevice final : public HidDevice {
public:
    HidapiDevice(hid_device* dev, const std::string& path, int lockFd) : dev_(dev), path_(path), lockFd_(lockFd) {}
    ~HidapiDevice() override
    {
        if (dev_)
            hid_close(dev_);
        if (lockFd_ >= 0)
            ::close(lockFd_);
    }
    std::optional<HidAttributes> attributes() override
    {
        hid_device_info* info = hid_enumerate(0, 0);
        std::optional<HidAttributes> found;
        for (hid_device_info* p = info; p; p = p->next)
            if (p->path && path_ == p->path) {
                found = HidAttributes{p->vendor_id, p->product_id, p->release_number, narrow(p->manufacturer_string),
                                      narrow(p->product_string)};
                break;
            }
        hid_free_enumeration(info);
        return found;
    }
    HidCaps caps() override
    {
        if (!caps_)
            caps_ = parseReportDescriptor(readDescriptor(path_));
        return *caps_;
    }
    std::shared_ptr<Transport> takeTransport() override
    {
        auto t = std::make_shared<HidapiTransport>(dev_, caps().usesReportIds, lockFd_);
        dev_ = nullptr;
        lockFd_ = -1;
        return t;
    }

private:
    hid_device* dev_;
    std::string path_;
    int lockFd_;
    std::optional<HidCaps> caps_;
};

} // namespace

size_t normalizeInputReport(const uint8_t* got, size_t n, bool platformKeepsId, uint8_t* out, size_t length)
{
    if (length == 0)
        return 0;
    const size_t skip = platformKeepsId ? 1 : 0;
    const size_t payload = std::min(n > skip ? n - skip : 0, length - 1);
    std::memcpy(out + 1, got + skip, payload);
    std::memset(out + 1 + payload, 0, length - 1 - payload);
    out[0] = 0;
    return payload + 1;
}

HidapiTransport::HidapiTransport(hid_device_* device, bool numberedReports, int lockFd)
    : device_(device), numbered_(numberedReports), lockFd_(lockFd)
{
    if (device_)
        hid_set_nonblocking(device_, 1);
}

HidapiTransport::~HidapiTransport()
{
    close();
}

bool HidapiTransport::writeReport(const uint8_t* report, size_t length)
{
    return device_ && hid_write(device_, report, length) >= 0;
}

int HidapiTransport::readReport(uint8_t* buffer, size_t length, std::string& error)
{
    if (!device_) {
        error = systemText(ENODEV);
        return 0;
    }
    // hidraw hands over the report ID only for devices that number their reports.
    std::vector<uint8_t> raw(length + 1);
    const int n = hid_read(device_, raw.data(), raw.size());
    if (n == 0) {
        error = systemText(EAGAIN);
        return 0;
    }
    if (n < 0) {
        const wchar_t* text = hid_error(device_);
        error = text ? narrow(text) : systemText(EIO);
        return 0;
    }
    return static_cast<int>(normalizeInputReport(raw.data(), static_cast<size_t>(n), numbered_, buffer, length));
}

void HidapiTransport::flushInput()
{
    if (!device_)
        return;
    uint8_t scratch[1024];
    for (int guard = 0; guard < 1024 && hid_read(device_, scratch, sizeof scratch) > 0; ++guard) {
    }
}

bool HidapiTransport::sendFeatureReport(const uint8_t* report, size_t length, std::string& error)
{
    if (!device_) {
        error = systemText(ENODEV);
        return false;
    }
    errno = 0;
    if (hid_send_feature_report(device_, report, length) >= 0)
        return true;
    const int code = errno;
    const wchar_t* text = hid_error(device_);
    error = text && *text ? narrow(text) : systemText(code ? code : EIO);
    return false;
}

void HidapiTransport::close()
{
    if (device_) {
        hid_close(device_);
        device_ = nullptr;
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

bool HidapiTransport::gone()
{
    if (!device_)
        return true;
    if (lockFd_ < 0)
        return false;
    // hidraw marks a node whose device has left with an error and a hang-up.
    pollfd p{lockFd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

HidapiBackend::HidapiBackend()
{
    hid_init();
}

HidapiBackend::~HidapiBackend()
{
    hid_exit();
}

std::vector<std::string> HidapiBackend::enumerate()
{
    std::vector<std::string> paths;
    hid_device_info* info = hid_enumerate(0x03EB, 0);
    for (hid_device_info* p = info; p; p = p->next)
        if (p->path)
            paths.emplace_back(p->path);
    hid_free_enumeration(info);
    return paths;
}

std::unique_ptr<HidDevice> HidapiBackend::open(const std::string& path, OpenFailure& failure, std::string& reason)
{
    failure = OpenFailure::None;
    if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        failure = OpenFailure::Permission;
        reason = systemText(EACCES);
        return nullptr;
    }
    // One program owns a stick: hidraw hands every input report to every
    // open file, so a second program's replies would be taken for ours.
    int lockFd = -1;
    if (!lockStick(path, lockFd, reason)) {
        failure = OpenFailure::InUse;
        return nullptr;
    }
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev) {
        const int code = errno;
        if (lockFd >= 0)
            ::close(lockFd);
        failure = code == EACCES  ? OpenFailure::Permission
                  : code == EPERM ? OpenFailure::Refused
                                  : OpenFailure::InUse;
        reason = systemText(code ? code : EBUSY);
        return nullptr;
    }
    return std::make_unique<HidapiDevice>(dev, path, lockFd);
}

} // namespace vs
