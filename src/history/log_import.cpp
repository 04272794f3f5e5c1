#include "history/log_import.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <optional>
#include <limits>

namespace vs {

namespace {

constexpr int kBatch = 20000; // samples per transaction

struct Column {
    int series = 0;  // index into the identities
    int channel = 0; // index in that series
};

QString unquoted(QString field)
{
    field = field.trimmed();
    if (field.size() >= 2 && field.startsWith('"') && field.endsWith('"'))
        field = field.mid(1, field.size() - 2);
    return field;
}

// A value field: "1234.5" or "1234,5"; empty is no value. False for anything else.
bool valueOf(QByteArray field, double& v)
{
    field = field.trimmed();
    if (field.isEmpty()) {
        v = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    field.replace(',', '.');
    const auto [end, ec] = std::from_chars(field.constData(), field.constData() + field.size(), v);
    return ec == std::errc() && end == field.constData() + field.size();
}

// "2026-12-07 15:04:05" as local time; the hour's start is worked out once.
class LocalTimes {
public:
    std::optional<int64_t> parse(const QByteArray& field)
    {
        const QByteArray t = field.trimmed();
        int n[6];
        if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':')
            return std::nullopt;
        const int at[6] = {0, 5, 8, 11, 14, 17}, width[6] = {4, 2, 2, 2, 2, 2};
        for (int i = 0; i < 6; ++i) {
            const auto [end, ec] = std::from_chars(t.constData() + at[i], t.constData() + at[i] + width[i], n[i]);
            if (ec != std::errc() || end != t.constData() + at[i] + width[i])
                return std::nullopt;
        }
        if (n[4] > 59 || n[5] > 59)
            return std::nullopt;
        const QByteArray hour = t.left(13);
        if (hour != hour_) {
            const QDateTime start(QDate(n[0], n[1], n[2]), QTime(n[3], 0));
            if (!start.isValid())
                return std::nullopt;
            hour_ = hour;
            hourMs_ = start.toMSecsSinceEpoch();
        }
        return hourMs_ + n[4] * 60000LL + n[5] * 1000LL;
    }

private:
    QByteArray hour_;
    int64_t hourMs_ = 0;
};

} // namespace

bool importLog(HistoryStore& store, const QString& file, const QString& serial, ImportCounts& counts, QString& error)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        error = "cannot read " + file + ": " + in.errorString();
        return false;
    }
    // "0:CO2eq[ppm]": the stick's prefix, the label and the unit.
    static const QRegularExpression columnName(R"(^(?:(\d+):)?(.*)\[([^\]]*)\]$)");
    const QList<QByteArray> head = in.readLine().trimmed().split('\t');
    if (head.isEmpty() || !unquoted(QString::fromLocal8Bit(head[0])).startsWith("Date time")) {
        error = file + " is not a value log: its first line does not begin with \"Date time\"";
        return false;
    }
    std::vector<SeriesIdentity> who;
    std::map<QString, int> byPrefix;
    std::vector<Column> columns;
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QString name = unquoted(QString::fromLocal8Bit(head[i]));
        if (name.isEmpty())
            continue;
        const QRegularExpressionMatch m = columnName.match(name);
        const QString prefix = m.hasMatch() ? m.captured(1) : QString();
        const auto [it, added] = byPrefix.emplace(prefix, static_cast<int>(who.size()));
        if (added)
            who.push_back({QString(), "Imported from " + QFileInfo(file).fileName(), {}, {}});
        SeriesIdentity& s = who[static_cast<size_t>(it->second)];
        columns.push_back({it->second, s.channels()});
        s.labels << (m.hasMatch() ? m.captured(2) : name);
        s.units << (m.hasMatch() ? m.captured(3) : QString());
    }
    if (!serial.isEmpty() && who.size() != 1) {
        error = file + " holds " + QString::number(who.size()) +
                " sticks; a serial number can be given only for a log of one stick";
        return false;
    }
    for (const auto& [prefix, index] : byPrefix)
        who[static_cast<size_t>(index)].serial =
            !serial.isEmpty() ? serial : "log:" + QFileInfo(file).fileName() + (prefix.isEmpty() ? "" : ":" + prefix);

    std::vector<HistorySample> batch;
    const auto store_ = [&] {
        try {
            const int added = store.add(batch);
            counts.added += added;
            counts.skipped += static_cast<long>(batch.size()) - added;
        } catch (const SqlError& e) {
            error = "cannot store the samples: " + QString::fromStdString(e.what());
            return false;
        }
        batch.clear();
        return true;
    };
    LocalTimes times;
    while (!in.atEnd()) {
        const QByteArray line = in.readLine().trimmed();
        if (line.isEmpty())
            continue;
        ++counts.lines;
        const QList<QByteArray> fields = line.split('\t');
        const std::optional<int64_t> t = times.parse(fields[0]);
        if (!t) {
            ++counts.bad;
            continue;
        }
        const size_t first = batch.size();
        for (const SeriesIdentity& s : who)
            batch.push_back({s, *t, std::vector<double>(static_cast<size_t>(s.channels()),
                                                        std::numeric_limits<double>::quiet_NaN())});
        for (size_t c = 0; c < columns.size() && static_cast<qsizetype>(c + 1) < fields.size(); ++c) {
            double v = 0;
            if (valueOf(fields[static_cast<qsizetype>(c + 1)], v))
                batch[first + static_cast<size_t>(columns[c].series)].values[static_cast<size_t>(columns[c].channel)] = v;
        }
        if (static_cast<int>(batch.size()) >= kBatch && !store_())
            return false;
    }
    return store_();
}

} // namespace vs
