// A sensor stick for the kernel: the program's own simulated stick behind a
// virtual HID device made through /dev/uhid, so that the real program meets
// it through hidraw and udev as it meets a stick on a USB port.
//
// One process is one stick. SIGUSR1 pulls it out (the device is destroyed),
// SIGUSR2 plugs it back in (a new device, so a new hidraw node), SIGTERM ends
// it. Every command received is appended to --log, one line each ("txt TAG
// CMD" or "bin SEQ CMD"), beside "created", "destroyed" and "dfu", so that a
// test can count what the program asked.
//
//   vs_uhid_stick --serial S [--protocol 5] [--report 9] [--index 0]
//       [--product 0x2013] [--log FILE] [--ready FILE]
//       [--vanish-on CMD] [--late-reply N] [--late-reply-ms 45]
#include "common/clock.h"
#include "stick/sim_stick.h"

#include <linux/uhid.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    std::map<std::string, std::string> given = {{"protocol", "5"}, {"report", "9"}, {"index", "0"}, {"product", "0x2013"},
                                                {"late-reply", "0"}, {"late-reply-ms", "45"}};
    int number(const std::string& key) const { return static_cast<int>(std::stol(given.at(key), nullptr, 0)); }
    std::string text(const std::string& key) const { return given.count(key) ? given.at(key) : std::string(); }
};

class UhidStick {
public:
    explicit UhidStick(const Options& o)
        : o_(o), payload_(o.number("report") - 1), stick_(o.number("protocol"), o.number("report"), o.number("index"), clock_,
                                                          static_cast<uint32_t>(o.number("index") + 1))
    {
        stick_.firmware().setSerial(o.text("serial"));
        if (!o.text("log").empty())
            log_.open(o.text("log"), std::ios::app);
        stick_.onCommand([this](const std::string& line) { told(line); });
    }

    void create()
    {
        if (fd_ >= 0)
            return;
        fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
        if (fd_ < 0)
            throw std::runtime_error(std::string("/dev/uhid: ") + std::strerror(errno));
        // Vendor-defined input and output reports of the payload's length
        // without report IDs, and an 8-byte feature report.
        const uint8_t p = static_cast<uint8_t>(payload_);
        const std::vector<uint8_t> rd = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75,
                                         0x08, 0x95, p,    0x09, 0x01, 0x81, 0x02, 0x95, p,    0x09, 0x01, 0x91, 0x02,
                                         0x95, 0x08, 0x09, 0x01, 0xB1, 0x02, 0xC0};
        uhid_event ev{};
        ev.type = UHID_CREATE2;
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.name), sizeof ev.u.create2.name, "Kernel test stick %s",
                      o_.text("serial").c_str());
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.phys), sizeof ev.u.create2.phys, "ventiscope-kernel-test");
        std::snprintf(reinterpret_cast<char*>(ev.u.create2.uniq), sizeof ev.u.create2.uniq, "%s", o_.text("serial").c_str());
        ev.u.create2.rd_size = static_cast<uint16_t>(rd.size());
        ev.u.create2.bus = 3; // USB
        ev.u.create2.vendor = 0x03EB;
        ev.u.create2.product = static_cast<uint32_t>(o_.number("product"));
        ev.u.create2.version = 0x0100;
        std::memcpy(ev.u.create2.rd_data, rd.data(), rd.size());
        send(ev);
        stick_.reopen();
        note("created");
    }

    void destroy()
    {
        if (fd_ < 0)
            return;
        uhid_event ev{};
        ev.type = UHID_DESTROY;
        send(ev);
        ::close(fd_);
        fd_ = -1;
        note("destroyed");
    }

    // Waits for the kernel or a signal; false once told to end.
    bool step(int signals)
    {
        pollfd fds[2] = {{signals, POLLIN, 0}, {fd_, POLLIN, 0}};
        ::poll(fds, fd_ >= 0 ? 2 : 1, stick_.queuedReports() > 0 ? 2 : -1);
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (::read(signals, &info, sizeof info) == sizeof info) {
                if (info.ssi_signo == SIGUSR1)
                    destroy();
                else if (info.ssi_signo == SIGUSR2)
                    create();
                else
                    return false;
            }
        }
        if (fd_ >= 0 && (fds[1].revents & POLLIN))
            takeEvent();
        deliver();
        return true;
    }

private:
    void send(const uhid_event& ev)
    {
        if (::write(fd_, &ev, sizeof ev) != static_cast<ssize_t>(sizeof ev))
            std::perror("uhid write");
    }

    void note(const std::string& line)
    {
        if (log_.is_open())
            log_ << line << std::endl;
    }

    void told(const std::string& line)
    {
        note(line);
        const std::string& command = stick_.commands().back(); // told as it is taken
        if (!vanished_ && command == o_.text("vanish-on")) {
            vanished_ = true;
            destroy();
        } else if (line.rfind("bin ", 0) == 0 && ++valueAsks_ == o_.number("late-reply")) {
            stick_.delayNextReply(o_.number("late-reply-ms"));
        }
    }

    // Reports as the program's transport has them: the report ID byte first.
    static std::vector<uint8_t> withId(const uint8_t* data, size_t size, size_t payload)
    {
        std::vector<uint8_t> report{0};
        const bool hasId = size == payload + 1 && data[0] == 0;
        report.insert(report.end(), data + (hasId ? 1 : 0), data + size);
        return report;
    }

    void takeEvent()
    {
        uhid_event ev{};
        if (::read(fd_, &ev, sizeof ev) <= 0)
            return;
        if (ev.type == UHID_OUTPUT) {
            const auto report = withId(ev.u.output.data, ev.u.output.size, static_cast<size_t>(payload_));
            stick_.writeReport(report.data(), report.size());
        } else if (ev.type == UHID_SET_REPORT) {
            uhid_event reply{};
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = ev.u.set_report.id;
            send(reply);
            const auto report = withId(ev.u.set_report.data, ev.u.set_report.size, 8);
            std::string error;
            stick_.sendFeatureReport(report.data(), report.size(), error);
            if (stick_.inFirmwareUpgrade()) {
                note("dfu");
                destroy();
            }
        }
    }

    // Hands the kernel every report of the replies that is due.
    void deliver()
    {
        uint8_t buffer[UHID_DATA_MAX];
        std::string error;
        while (fd_ >= 0) {
            const int n = stick_.readReport(buffer, sizeof buffer, error);
            if (n <= 1)
                return;
            uhid_event ev{};
            ev.type = UHID_INPUT2;
            ev.u.input2.size = static_cast<uint16_t>(n - 1);
            std::memcpy(ev.u.input2.data, buffer + 1, static_cast<size_t>(n - 1));
            send(ev);
        }
    }

    const Options& o_;
    int payload_;
    vs::SystemClock clock_;
    vs::SimulatedStick stick_;
    std::ofstream log_;
    int fd_ = -1;
    bool vanished_ = false;
    int valueAsks_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::strncmp(argv[i], "--", 2) == 0)
            o.given[argv[i] + 2] = argv[i + 1];
    if (o.text("serial").empty()) {
        std::fprintf(stderr, "usage: vs_uhid_stick --serial S [--protocol N] [--report N] [--index N] ...\n");
        return 2;
    }
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGUSR1, SIGUSR2, SIGTERM, SIGINT})
        sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    const int signals = signalfd(-1, &set, SFD_CLOEXEC);
    try {
        UhidStick stick(o);
        stick.create();
        if (!o.text("ready").empty())
            std::ofstream(o.text("ready")).close();
        while (stick.step(signals)) {
        }
        stick.destroy();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vs_uhid_stick: %s\n", e.what());
        return 1;
    }
    return 0;
}
