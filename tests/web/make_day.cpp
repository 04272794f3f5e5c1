// Writes a generated day into a history file for the page's test: one room
// ("Generated room", serial DAY0001) every minute of the last 24 hours, CO2
// rising by day and falling by night, with a warning level at 1000 ppm.
#include "history/history_store.h"

#include <QDateTime>

#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_day <history file>\n");
        return 2;
    }
    vs::HistoryStore store;
    store.open(QString::fromLocal8Bit(argv[1]));
    const vs::SeriesIdentity room{"DAY0001", "Generated room", {"CO2eq", "Temp"}, {"ppm", "C"}, {"1000", ""}};
    const int64_t now = QDateTime::currentMSecsSinceEpoch() / 60000 * 60000;
    std::vector<vs::HistorySample> day;
    for (int64_t t = now - 86400000; t < now - 60000; t += 60000) {
        const double phase = (t % 86400000) / 86400000.0 * 2 * M_PI;
        day.push_back({room, t, {700 + 400 * std::sin(phase), 21 + std::cos(phase)}});
    }
    store.add(day);
    std::printf("%zu samples\n", day.size());
    return 0;
}
