#include "history/history_export.h"

#include <QDateTime>

#include <charconv>
#include <limits>
#include <map>
#include <cmath>

namespace vs {

namespace {

QString csvField(const QString& text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\r') && !text.contains('\n'))
        return text;
    return '"' + QString(text).replace("\"", "\"\"") + '"';
}

// Local time texts, the date part worked out once a minute: "2026-12-07T15:04:05.250+01:00"
// (CSV, ISO 8601 with the UTC offset; milliseconds only when there are some)
// or "2026-12-07 15:04:05" (the value log's).
class TimeText {
public:
    explicit TimeText(bool iso) : iso_(iso) {}
    QString text(int64_t ms)
    {
        const int64_t minute = minuteOf(ms);
        if (minute != minute_) {
            minute_ = minute;
            const QDateTime t = QDateTime::fromMSecsSinceEpoch(minute * 60000);
            head_ = t.toString(iso_ ? "yyyy-MM-ddTHH:mm:" : "yyyy-MM-dd HH:mm:");
            const int offset = t.offsetFromUtc() / 60;
            tail_ = !iso_ ? QString() : offset == 0 ? QString("Z") : QString("%1%2:%3")
                                                            .arg(offset < 0 ? '-' : '+')
                                                            .arg(std::abs(offset) / 60, 2, 10, QChar('0'))
                                                            .arg(std::abs(offset) % 60, 2, 10, QChar('0'));
        }
        const int inMinute = static_cast<int>(ms - minute * 60000);
        QString out = head_ + QString::number(inMinute / 1000).rightJustified(2, '0');
        if (iso_ && inMinute % 1000)
            out += '.' + QString::number(inMinute % 1000).rightJustified(3, '0');
        return out + tail_;
    }

private:
    bool iso_;
    int64_t minute_ = std::numeric_limits<int64_t>::min();
    QString head_, tail_;
};

} // namespace

QString numberText(double value)
{
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? QString::fromLatin1(buffer, static_cast<int>(end - buffer)) : QString();
}

bool exportHistory(SqlDatabase& db, const ExportRequest& request, QIODevice& out, QString& error, long* rows)
{
    std::vector<SeriesInfo> chosen;
    for (SeriesInfo& s : listSeries(db))
        if (request.serials.isEmpty() || request.serials.contains(s.who.serial))
            chosen.push_back(std::move(s));
    const auto shown = [&request](const SeriesInfo& s, int c) {
        const auto it = request.channels.find(s.who.serial);
        return it == request.channels.end() || it->second.contains(c);
    };
    const QString sep = request.csv ? "," : "\t ";
    QString head = request.csv ? "time" : "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"";
    for (size_t k = 0; k < chosen.size(); ++k) {
        const SeriesInfo& s = chosen[k];
        for (int c = 0; c < s.who.channels(); ++c) {
            if (!shown(s, c))
                continue;
            const QString column = s.who.labels[c] + "[" + s.who.units.value(c) + "]";
            if (request.csv)
                head += "," + csvField(s.who.serial + ":" + column);
            else
                head += sep + "\"" + (chosen.size() >= 2 ? QString::number(k) + ":" : QString()) + column + "\"";
        }
    }
    const auto write = [&](const QString& line) {
        const QByteArray bytes = (line + "\r\n").toUtf8();
        if (out.write(bytes) != bytes.size()) {
            error = "cannot write the export: " + out.errorString();
            return false;
        }
        return true;
    };
    if (!request.csv)
        head += sep;
    if (!write(head))
        return false;

    // A day at a time, every chosen series merged by time.
    const int64_t from = request.fromMs, to = request.toMs;
    long written = 0;
    int64_t firstMinute = std::numeric_limits<int64_t>::max(), lastMinute = std::numeric_limits<int64_t>::min();
    for (const SeriesInfo& s : chosen) {
        firstMinute = std::min(firstMinute, minuteOf(std::max(s.firstMs, from)));
        lastMinute = std::max(lastMinute, minuteOf(std::min(s.lastMs, to) - 1));
    }
    using Samples = std::vector<std::pair<int64_t, std::vector<double>>>;
    const int64_t step = 86400 * 1000LL;
    TimeText times(request.csv);
    QString line;
    for (int64_t dayFrom = firstMinute * 60000; !chosen.empty() && dayFrom <= lastMinute * 60000; dayFrom += step) {
        const int64_t dayTo = std::min(dayFrom + step, to);
        std::vector<Samples> perSeries(chosen.size());
        for (size_t k = 0; k < chosen.size(); ++k)
            forEachSample(db, chosen[k], std::max(dayFrom, from), dayTo, [&](int64_t t, const std::vector<double>& v) {
                perSeries[k].emplace_back(t, v);
            });
        std::vector<size_t> at(chosen.size(), 0);
        for (;;) {
            int64_t t = std::numeric_limits<int64_t>::max();
            for (size_t k = 0; k < chosen.size(); ++k)
                if (at[k] < perSeries[k].size())
                    t = std::min(t, perSeries[k][at[k]].first);
            if (t == std::numeric_limits<int64_t>::max())
                break;
            line = times.text(t);
            for (size_t k = 0; k < chosen.size(); ++k) {
                const bool here = at[k] < perSeries[k].size() && perSeries[k][at[k]].first == t;
                const std::vector<double>* v = here ? &perSeries[k][at[k]].second : nullptr;
                for (int c = 0; c < chosen[k].who.channels(); ++c) {
                    if (!shown(chosen[k], c))
                        continue;
                    line += sep;
                    const double value = v && static_cast<size_t>(c) < v->size() ? (*v)[static_cast<size_t>(c)] : NAN;
                    if (!std::isnan(value))
                        line += numberText(value);
                }
                if (here)
                    ++at[k];
            }
            if (!request.csv)
                line += sep; // the value log's (empty) error text
            if (!write(line))
                return false;
            ++written;
        }
    }
    if (rows)
        *rows = written;
    return true;
}

} // namespace vs
