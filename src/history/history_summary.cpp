#include "history/history_summary.h"

#include "history/history_export.h"

#include <QDateTime>

#include <cmath>
#include <map>

namespace vs {

namespace {

constexpr int64_t kDayMs = 86400 * 1000LL;

struct Accumulator {
    MinuteRollup total;
    std::vector<double> hoursAbove;
};

} // namespace

std::vector<double> warningLevels(const SeriesIdentity& who, int channel)
{
    std::vector<double> out;
    for (const QString& part : who.levels.value(channel).split(' ', Qt::SkipEmptyParts)) {
        bool ok = false;
        const double v = part.toDouble(&ok);
        if (ok && std::isfinite(v))
            out.push_back(v);
    }
    return out;
}

HistorySummary summarize(SqlDatabase& db, const QStringList& serials, int64_t fromMs, int64_t toMs)
{
    HistorySummary out;
    for (SeriesInfo& s : listSeries(db))
        if (serials.isEmpty() || serials.contains(s.who.serial))
            out.series.push_back(std::move(s));
    // Minutes where the range the series hold in it is short enough and
    // they are kept; hours otherwise.
    int64_t first = toMs, last = fromMs;
    for (const SeriesInfo& s : out.series) {
        first = std::min(first, std::max(fromMs, s.firstMs));
        last = std::max(last, std::min(toMs, s.lastMs));
    }
    bool minutes = last - first <= 62 * kDayMs;
    for (const SeriesInfo& s : out.series)
        minutes = minutes && levelCovering(s, fromMs, Level::Minute) == Level::Minute;
    out.counted = minutes ? Level::Minute : Level::Hour;

    // [series][channel] -> period -> what it held; periods sort as texts:
    // days ("2026-12-07") before weeks ("2026-W50") before the whole range ("all").
    std::vector<std::vector<std::map<QString, Accumulator>>> acc(out.series.size());
    for (size_t k = 0; k < out.series.size(); ++k) {
        const SeriesInfo& s = out.series[k];
        acc[k].resize(static_cast<size_t>(s.who.channels()));
        std::vector<std::vector<double>> levels;
        for (int c = 0; c < s.who.channels(); ++c)
            levels.push_back(warningLevels(s.who, c));
        QString day, week;
        int64_t dayStart = 0, dayEnd = 0;
        forEachBucket(db, s, fromMs, toMs, out.counted, [&](const Bucket& b) {
            if (b.startMs < dayStart || b.startMs >= dayEnd) {
                const QDate date = QDateTime::fromMSecsSinceEpoch(b.startMs).date();
                dayStart = QDateTime(date, QTime(0, 0)).toMSecsSinceEpoch();
                dayEnd = QDateTime(date.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
                day = date.toString("yyyy-MM-dd");
                int year = 0;
                const int number = date.weekNumber(&year);
                week = QString("%1-W%2").arg(year).arg(number, 2, 10, QChar('0'));
            }
            const double hours = static_cast<double>(b.endMs - b.startMs) / 3600000.0;
            for (size_t c = 0; c < acc[k].size() && c < b.mean.size(); ++c) {
                if (std::isnan(b.mean[c]))
                    continue;
                const MinuteRollup part{b.count, {b.min[c]}, {b.mean[c]}, {b.max[c]}};
                for (const QString& period : {day, week, QString("all")}) {
                    Accumulator& a = acc[k][c][period];
                    combineInto(a.total, part);
                    a.hoursAbove.resize(levels[c].size(), 0.0);
                    for (size_t l = 0; l < levels[c].size(); ++l)
                        if (b.mean[c] >= levels[c][l])
                            a.hoursAbove[l] += hours;
                }
            }
        });
        for (size_t c = 0; c < acc[k].size(); ++c)
            for (const auto& [period, a] : acc[k][c]) {
                SummaryRow row{period, k, static_cast<int>(c), a.total.mean[0], a.total.min[0], a.total.max[0], {}};
                for (size_t l = 0; l < levels[c].size(); ++l)
                    row.above.emplace_back(levels[c][l], a.hoursAbove.size() > l ? a.hoursAbove[l] : 0.0);
                out.rows.push_back(std::move(row));
            }
    }
    return out;
}

bool writeSummary(const HistorySummary& summary, QIODevice& out, QString& error)
{
    size_t levels = 0;
    for (const SummaryRow& r : summary.rows)
        levels = std::max(levels, r.above.size());
    QString head = "period,serial,name,label,unit,mean,min,max";
    for (size_t l = 1; l <= levels; ++l)
        head += QString(",level%1,hours at or above level%1").arg(l);
    QStringList lines{head};
    const auto field = [](const QString& text) {
        return text.contains(',') || text.contains('"') ? '"' + QString(text).replace("\"", "\"\"") + '"' : text;
    };
    for (const SummaryRow& r : summary.rows) {
        const SeriesIdentity& who = summary.series[r.series].who;
        QString line = r.period + "," + field(who.serial) + "," + field(who.name) + "," + field(who.labels.value(r.channel)) +
                       "," + field(who.units.value(r.channel)) + "," + numberText(r.mean) + "," + numberText(r.min) +
                       "," + numberText(r.max);
        for (const auto& [level, hours] : r.above)
            line += "," + numberText(level) + "," + numberText(std::round(hours * 1000) / 1000);
        lines << line;
    }
    const QByteArray bytes = (lines.join("\r\n") + "\r\n").toUtf8();
    if (out.write(bytes) != bytes.size()) {
        error = "cannot write the summary: " + out.errorString();
        return false;
    }
    return true;
}

} // namespace vs
