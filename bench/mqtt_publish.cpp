// The time from the end of a pass to its state message arriving at a
// subscriber on loopback, and the CPU time a pass costs with publishing on
// and off (two simulated sticks, a real mosquitto broker).
#include "broker.h"

#include <QElapsedTimer>
#include "publish/mqtt_publisher.h"
#include "stick/config_read.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    vs::ManualClock clock;
    vs::StickLink link(clock, [&](int ms) { clock.advanceMs(ms); });
    auto sims = vs::attachSimulatedSticks(link, {{5, 9}, {5, 33}}, clock);
    for (int i = 0; i < 2; ++i)
        vs::Nymstick_GetConfig(link, i);
    vstest::Broker broker;
    vstest::Subscriber sub(broker.port, "ventiscope/+/+/state");
    vs::MqttSettings s;
    s.enabled = true;
    s.host = "127.0.0.1";
    s.port = broker.port;
    vs::MqttPublisher publisher(link, clock, s, "bench");
    publisher.client().start();
    sub.pump([&] { return publisher.client().isConnected(); });

    const int passes = 300;
    std::vector<double> latency;
    for (int p = 0; p < passes; ++p) {
        for (int i = 0; i < 2; ++i)
            vs::Nymstick_ReadPV(link, i);
        const size_t before = sub.messages.size();
        QElapsedTimer t;
        t.start();
        publisher.afterPass();
        sub.pump([&] { return sub.messages.size() >= before + 2; });
        latency.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(latency.begin(), latency.end());

    auto cpuPerPass = [&](bool publish) {
        const double start = cpuMs();
        for (int p = 0; p < passes; ++p) {
            for (int i = 0; i < 2; ++i)
                vs::Nymstick_ReadPV(link, i);
            if (publish)
                publisher.afterPass();
            QCoreApplication::processEvents();
        }
        return (cpuMs() - start) / passes;
    };
    const double off = cpuPerPass(false);
    const double on = cpuPerPass(true);
    std::printf("MQTT state message, pass end to subscriber, 2 sticks, %d passes: median %.3f ms, max %.3f ms\n",
                passes, latency[latency.size() / 2], latency.back());
    std::printf("CPU per pass: %.3f ms publishing off, %.3f ms publishing on\n", off, on);
    return 0;
}
