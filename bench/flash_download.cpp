// Downloads N values from the simulated firmware, whose every input report
// arrives d ms after the one before, with real waits and the real event loop.
// Prints the time against the protocol's minimum (N / v exchanges x d, v
// values per report) and the longest gap between two event-loop turns.
#include "common/clock.h"
#include "flash/flash_download.h"
#include "core/event_wait.h"
#include "stick/config_read.h"
#include "stick/sim_firmware.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Takes the values and answers the end time at once; keeps the window's events running.
struct BenchFace final : vs::FlashFace {
    long values = 0;
    bool sampling = false;
    bool escapePressed() override { return false; }
    void print(const std::string&) override {}
    void holdMessage(int) override {}
    bool askYesNo(const std::string&) override { return false; }
    std::optional<int> chooseRecord(int) override { return 0; }
    std::optional<vs::FlashRequest> askEndTime(const std::string&, const vs::AverageSetup&) override
    {
        return vs::FlashRequest{"12:00", 0};
    }
    void progress(int, int, double) override {}
    bool samplingRunning() override { return sampling; }
    void setSampling(bool on) override { sampling = on; }
    void keepPlot() override {}
    void restorePlot() override {}
    void setRecordLength(int) override {}
    void feedPlot(const vs::LocalDateTime&, bool) override { ++values; }
    void redrawPlot() override {}
    void writeLog(const std::string&) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
};

void run(int n, double delayMs, int reportLength)
{
    vs::SystemClock clock;
    vs::StickLink link(clock, vs::eventLoopWait());
    auto sims = vs::attachSimulatedSticks(link, {{5, reportLength}}, clock);
    vs::Nymstick_GetConfig(link, 0);
    std::vector<uint16_t> recording(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        recording[static_cast<size_t>(i)] = static_cast<uint16_t>(400 + i % 1000);
    sims[0]->firmware().setRecordings({recording});
    sims[0]->setReportIntervalMs(delayMs);

    // The longest time the event loop did not come round.
    QElapsedTimer sinceTurn;
    double longestGap = 0;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, static_cast<double>(sinceTurn.nsecsElapsed()) / 1e6);
        sinceTurn.restart();
    });
    BenchFace face;
    QElapsedTimer t;
    t.start();
    sinceTurn.start();
    turn.start();
    const bool ok = vs::ReadFlashLog(link, face, clock, 0, {});
    turn.stop();
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const int v = (reportLength - 3) / 2;
    const double minimum = std::ceil(static_cast<double>(n) / v) * delayMs;
    std::printf("N=%5d, %d-byte reports (%d values each), d=%.1f ms: %s %ld values in %.0f ms, minimum %.0f ms, "
                "ratio %.3f, longest event-loop gap %.1f ms\n",
                n, reportLength, v, delayMs, ok ? "took" : "FAILED after", face.values, ms, minimum, ms / minimum,
                longestGap);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double d = argc > 1 ? std::atof(argv[1]) : 4.0;
    run(1440, d, 65);
    run(20000, d, 65);
    return 0;
}
