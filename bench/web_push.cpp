// What a pass pushed to the open pages costs the sampling thread: the
// sticks' JSON made once and written to each of 1, 8 and 32 open pages
// (loopback readers in this process), as the median of 2000 passes with 8
// simulated sticks; the figure per open page is printed beside the total.
#include "publish/http_listener.h"
#include "stream_listener.h"
#include "stick/config_read.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"
#include "web/web_json.h"

#include <QCoreApplication>
#include <QTcpSocket>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    vs::ManualClock clock({2026, 12, 8, 9, 0, 0, 0});
    vs::StickLink link(clock, [&](int ms) { clock.advanceMs(ms); });
    std::vector<vs::SimSpec> specs(8, vs::SimSpec{5, 9});
    auto sims = vs::attachSimulatedSticks(link, specs, clock);
    for (int i = 0; i < link.SlotsReserved; ++i) {
        vs::Nymstick_GetConfig(link, i);
        vs::Nymstick_ReadPV(link, i);
    }
    for (const int pages : {1, 8, 32}) {
        std::string error;
        auto listener = vstest::streamListener(error);
        std::vector<std::unique_ptr<QTcpSocket>> readers;
        for (int i = 0; i < pages; ++i) {
            readers.push_back(std::make_unique<QTcpSocket>());
            QTcpSocket* s = readers.back().get();
            QObject::connect(s, &QTcpSocket::readyRead, s, [s] { s->readAll(); });
            s->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(listener->port()));
            s->waitForConnected(5000);
            s->write("GET /api/events HTTP/1.1\r\n\r\n");
        }
        while (listener->streams() < pages)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::vector<double> ms;
        for (int pass = 0; pass < 2000; ++pass) {
            const auto start = std::chrono::steady_clock::now();
            listener->push("event: pass\ndata: " + vs::sticksJson(link, pass, 0) + "\n\n");
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            QCoreApplication::processEvents(); // the readers take it
        }
        std::sort(ms.begin(), ms.end());
        const double median = ms[ms.size() / 2];
        std::printf("push of a pass (8 sticks, %d bytes) to %2d open pages: %.4f ms, %.4f ms per page\n",
                    static_cast<int>(vs::sticksJson(link, 0, 0).size()), pages, median, median / pages);
    }
    return 0;
}
