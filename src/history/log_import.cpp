#include "history/log_import.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "common/clock.h"

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

// "2026-12-07 15:04:05" as local time, made an instant in the order of the
// lines: in the hour the clocks go back, a time earlier than the line
// before belongs to the second pass of that hour; a second that repeats
// (two samples in one second) takes the next millisecond.
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
        if (n[1] < 1 || n[1] > 12 || n[2] < 1 || n[2] > 31 || n[3] > 23 || n[4] > 59 || n[5] > 59 ||
            !QDate(n[0], n[1], n[2]).isValid())
            return std::nullopt;
        // Clocks change on a whole minute: the minute's instants are worked
        // out once (the time zone's rules cost microseconds a call).
        const int64_t minute = (((n[0] * 16LL + n[1]) * 32 + n[2]) * 24 + n[3]) * 60 + n[4];
        if (minute != minute_) {
            minute_ = minute;
            minuteInstants_ = instantsOf(LocalDateTime{n[0], n[1], n[2], n[3], n[4], 0, 0});
        }
        const int64_t early = minuteInstants_.first + n[5] * 1000LL, late = minuteInstants_.second + n[5] * 1000LL;
        int64_t instant = early != late && early < last_ ? late : early;
        if (t == lastText_)
            instant = std::max(instant, last_ + 1);
        lastText_ = t;
        last_ = instant;
        return instant;
    }

private:
    QByteArray lastText_;
    int64_t last_ = std::numeric_limits<int64_t>::min();
    int64_t minute_ = -1;
    std::pair<int64_t, int64_t> minuteInstants_;
};

// The sticks and columns a header line names: "0:CO2eq[ppm]" is the
// stick's prefix, the label and the unit.
struct Layout {
    std::vector<SeriesIdentity> who;
    std::vector<Column> columns;
};

bool isHeader(const QByteArray& line)
{
    return unquoted(QString::fromLocal8Bit(line.split('\t').value(0))).startsWith("Date time");
}

Layout layoutOf(const QByteArray& line, const QString& file, const QString& serial)
{
    static const QRegularExpression columnName(R"(^(?:(\d+):)?(.*)\[([^\]]*)\]$)");
    Layout l;
    std::map<QString, int> byPrefix;
    const QList<QByteArray> head = line.split('\t');
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QString name = unquoted(QString::fromLocal8Bit(head[i]));
        if (name.isEmpty())
            continue;
        const QRegularExpressionMatch m = columnName.match(name);
        const QString prefix = m.hasMatch() ? m.captured(1) : QString();
        const auto [it, added] = byPrefix.emplace(prefix, static_cast<int>(l.who.size()));
        if (added)
            l.who.push_back({QString(), "Imported from " + QFileInfo(file).fileName(), {}, {}, {}});
        SeriesIdentity& s = l.who[static_cast<size_t>(it->second)];
        l.columns.push_back({it->second, s.channels()});
        s.labels << (m.hasMatch() ? m.captured(2) : name);
        s.units << (m.hasMatch() ? m.captured(3) : QString());
    }
    for (const auto& [prefix, index] : byPrefix)
        l.who[static_cast<size_t>(index)].serial =
            !serial.isEmpty() ? serial : "log:" + QFileInfo(file).fileName() + (prefix.isEmpty() ? "" : ":" + prefix);
    return l;
}

} // namespace

bool importLog(HistoryStore& store, const QString& file, const QString& serial, ImportCounts& counts, QString& error)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        error = "cannot read " + file + ": " + in.errorString();
        return false;
    }
    const QByteArray first = in.readLine().trimmed();
    if (!isHeader(first)) {
        error = file + " is not a value log: its first line does not begin with \"Date time\"";
        return false;
    }
    Layout layout = layoutOf(first, file, serial);
    if (!serial.isEmpty() && layout.who.size() != 1) {
        error = file + " holds " + QString::number(layout.who.size()) +
                " sticks; a serial number can be given only for a log of one stick";
        return false;
    }

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
        // A header again (a rotated file, sticks that came or went): the
        // lines after it have its columns.
        if (isHeader(line)) {
            layout = layoutOf(line, file, layout.who.size() == 1 ? serial : QString());
            continue;
        }
        ++counts.lines;
        const QList<QByteArray> fields = line.split('\t');
        const std::optional<int64_t> t = times.parse(fields[0]);
        if (!t) {
            ++counts.bad;
            continue;
        }
        const size_t at = batch.size();
        for (const SeriesIdentity& s : layout.who)
            batch.push_back({s, *t, std::vector<double>(static_cast<size_t>(s.channels()),
                                                        std::numeric_limits<double>::quiet_NaN())});
        for (size_t c = 0; c < layout.columns.size() && static_cast<qsizetype>(c + 1) < fields.size(); ++c) {
            double v = 0;
            const Column& column = layout.columns[c];
            if (valueOf(fields[static_cast<qsizetype>(c + 1)], v))
                batch[at + static_cast<size_t>(column.series)].values[static_cast<size_t>(column.channel)] = v;
        }
        if (static_cast<int>(batch.size()) >= kBatch && !store_())
            return false;
    }
    return store_();
}

} // namespace vs
