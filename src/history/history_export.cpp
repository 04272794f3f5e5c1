#include "history/history_export.h"

#include <QDateTime>

#include <charconv>
#include <cmath>
#include <limits>
#include <map>

namespace vs {

namespace {

QString csvField(const QString& text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\r') && !text.contains('\n'))
        return text;
    return '"' + QString(text).replace("\"", "\"\"") + '"';
}

// The rows of one time range, each chosen series' samples or buckets merged by time.
using Rows = std::vector<std::vector<Bucket>>; // [series][buckets in time order]

} // namespace

QString TimeText::text(int64_t ms)
{
    const int64_t minute = minuteOf(ms);
    if (minute != minute_) {
        minute_ = minute;
        QDateTime t = QDateTime::fromMSecsSinceEpoch(minute * 60000);
        if (utc_)
            t = t.toUTC();
        head_ = t.toString(iso_ ? "yyyy-MM-ddTHH:mm:" : "yyyy-MM-dd HH:mm:");
        const int offset = utc_ ? 0 : t.offsetFromUtc() / 60;
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
    const bool buckets = request.level != Level::Raw;
    const QStringList parts = buckets ? QStringList{"mean", "min", "max"} : QStringList{""};
    const QString sep = request.csv ? "," : "\t ";
    QString head = request.csv ? "time" : "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"";
    for (size_t k = 0; k < chosen.size(); ++k) {
        const SeriesInfo& s = chosen[k];
        for (int c = 0; c < s.who.channels(); ++c) {
            if (!shown(s, c))
                continue;
            const QString column = s.who.labels[c] + "[" + s.who.units.value(c) + "]";
            for (const QString& part : parts) {
                if (request.csv)
                    head += "," + csvField(s.who.serial + ":" + column + (part.isEmpty() ? "" : ":" + part));
                else
                    head += sep + "\"" + (chosen.size() >= 2 ? QString::number(k) + ":" : QString()) + column +
                            (part.isEmpty() ? "" : " " + part) + "\"";
            }
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

    const auto number = [&request](double v) {
        QString text = numberText(v);
        if (!request.csv && request.decimal != '.')
            text.replace('.', QChar(request.decimal));
        return text;
    };
    // A day at a time (a month at a time for hours and days), every chosen series merged by time.
    const int64_t from = request.fromMs, to = request.toMs;
    long written = 0;
    int64_t first = std::numeric_limits<int64_t>::max(), last = std::numeric_limits<int64_t>::min();
    for (const SeriesInfo& s : chosen) {
        first = std::min(first, std::max(s.firstMs, from));
        last = std::max(last, std::min(s.lastMs, to));
    }
    const int64_t step = (request.level == Level::Hour || request.level == Level::Day ? 31 : 1) * 86400 * 1000LL;
    TimeText times(request.csv, request.utc);
    QString line;
    // A day bucket may begin before `first` (its local midnight): the first chunk starts a day early.
    for (int64_t chunk = first - (request.level == Level::Day ? 86400 * 1000LL : 0); !chosen.empty() && chunk < last;
         chunk += step) {
        const int64_t chunkFrom = std::max(chunk, from), chunkTo = std::min(chunk + step, to);
        Rows perSeries(chosen.size());
        for (size_t k = 0; k < chosen.size(); ++k)
            forEachBucket(db, chosen[k], chunkFrom, chunkTo, request.level,
                          [&](const Bucket& b) { perSeries[k].push_back(b); });
        std::vector<size_t> at(chosen.size(), 0);
        for (;;) {
            int64_t t = std::numeric_limits<int64_t>::max();
            for (size_t k = 0; k < chosen.size(); ++k)
                if (at[k] < perSeries[k].size())
                    t = std::min(t, perSeries[k][at[k]].startMs);
            if (t == std::numeric_limits<int64_t>::max())
                break;
            line = times.text(t);
            for (size_t k = 0; k < chosen.size(); ++k) {
                const bool here = at[k] < perSeries[k].size() && perSeries[k][at[k]].startMs == t;
                const Bucket* b = here ? &perSeries[k][at[k]] : nullptr;
                for (int c = 0; c < chosen[k].who.channels(); ++c) {
                    if (!shown(chosen[k], c))
                        continue;
                    const size_t ch = static_cast<size_t>(c);
                    for (const std::vector<double>* values :
                         buckets ? std::vector<const std::vector<double>*>{b ? &b->mean : nullptr, b ? &b->min : nullptr,
                                                                             b ? &b->max : nullptr}
                                 : std::vector<const std::vector<double>*>{b ? &b->mean : nullptr}) {
                        line += sep;
                        const double value = values && ch < values->size() ? (*values)[ch] : NAN;
                        if (!std::isnan(value))
                            line += number(value);
                    }
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

std::optional<int64_t> isoTimeMs(const QString& t, bool wholeDay)
{
    QDateTime d = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (!d.isValid())
        d = QDateTime::fromString(t, Qt::ISODate);
    if (!d.isValid()) {
        const QDate date = QDate::fromString(t, Qt::ISODate);
        d = QDateTime(wholeDay ? date.addDays(1) : date, QTime(0, 0));
    }
    if (!d.isValid())
        return std::nullopt;
    return d.toMSecsSinceEpoch();
}

} // namespace vs
