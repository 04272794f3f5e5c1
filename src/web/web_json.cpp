#include "web/web_json.h"

#include "stick/channel_state.h"
#include "stick/stick_link.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace vs {

namespace {

QJsonValue number(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null);
}

QJsonArray numbers(const std::vector<double>& values)
{
    QJsonArray out;
    for (double v : values)
        out.append(number(v));
    return out;
}

QJsonObject identity(const SeriesIdentity& who)
{
    return {{"serial", who.serial}, {"name", who.name}, {"labels", QJsonArray::fromStringList(who.labels)},
            {"units", QJsonArray::fromStringList(who.units)}};
}

} // namespace

QByteArray sticksJson(const StickLink& link, long passes, int64_t utcMs)
{
    QJsonArray sticks;
    int air = -1;
    for (int i = 0; i < link.SlotsReserved; ++i) {
        const StickRecord* s = link.slot(i);
        if (!s || s->Interface.empty())
            continue;
        const bool open = link.Nymstick_isOpen(i);
        QJsonArray channels;
        for (int c = 0; open && c < s->nChannels && c < static_cast<int>(s->Channels.size()); ++c) {
            const ChannelRecord& ch = s->Channels[static_cast<size_t>(c)];
            const bool has = ch.HasValue && std::isfinite(ch.LastValue);
            const int warning = has ? channelWarningState(ch) : -1;
            if (has)
                air = std::max(air, warning);
            channels.append(QJsonObject{{"id", QString::fromStdString(ch.ChID)},
                                        {"label", QString::fromStdString(ch.Ylabel)},
                                        {"unit", QString::fromStdString(ch.Yunit)},
                                        {"value", has ? QJsonValue(ch.LastValue) : QJsonValue(QJsonValue::Null)},
                                        {"warning", has ? QJsonValue(warning) : QJsonValue(QJsonValue::Null)}});
        }
        const QString state = !open ? "removed" : hasValues(*s) ? "open" : "no values";
        sticks.append(QJsonObject{{"slot", i},
                                  {"serial", QString::fromStdString(stickIdentity(*s, i))},
                                  {"name", QString::fromStdString(s->Name.empty() ? s->UsbProduct : s->Name)},
                                  {"interface", QString::fromStdString(s->Interface)},
                                  {"state", state},
                                  {"channels", channels}});
    }
    const QJsonObject out{{"time", static_cast<double>(utcMs)},
                          {"passes", static_cast<double>(passes)},
                          {"air", air < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(air)},
                          {"sticks", sticks}};
    return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

QByteArray statusJson(const QString& version, long passes, bool sampling, bool history, const QStringList& lines)
{
    const QJsonObject out{{"version", version},
                          {"passes", static_cast<double>(passes)},
                          {"sampling", sampling},
                          {"history", history},
                          {"readOnly", true},
                          {"lines", QJsonArray::fromStringList(lines)}};
    return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

QByteArray historyJson(const HistoryColumns& columns, const std::vector<SeriesInfo>& series)
{
    QJsonArray all;
    for (size_t i = 0; i < series.size() && i < columns.series.size(); ++i) {
        QJsonObject one = identity(series[i].who);
        QJsonArray channels;
        for (const ChannelColumns& c : columns.series[i])
            channels.append(QJsonObject{{"min", numbers(c.min)}, {"mean", numbers(c.mean)}, {"max", numbers(c.max)}});
        one["channels"] = channels;
        all.append(one);
    }
    const QJsonObject out{{"from", static_cast<double>(columns.fromMs)},
                          {"to", static_cast<double>(columns.toMs)},
                          {"columns", columns.columns},
                          {"level", levelName(columns.coarsest)},
                          {"series", all}};
    return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

QByteArray seriesJson(const std::vector<SeriesInfo>& series)
{
    QJsonArray all;
    for (const SeriesInfo& s : series) {
        QJsonObject one = identity(s.who);
        one["first"] = static_cast<double>(s.firstMs);
        one["last"] = static_cast<double>(s.lastMs);
        all.append(one);
    }
    return QJsonDocument(QJsonObject{{"series", all}}).toJson(QJsonDocument::Compact);
}

QByteArray summaryJson(const HistorySummary& summary)
{
    QJsonArray rows;
    for (const SummaryRow& r : summary.rows) {
        const SeriesIdentity& who = summary.series.at(r.series).who;
        QJsonArray above;
        for (const auto& [level, hours] : r.above)
            above.append(QJsonObject{{"level", number(level)}, {"hours", number(hours)}});
        rows.append(QJsonObject{{"period", r.period},
                                {"serial", who.serial},
                                {"name", who.name},
                                {"label", who.labels.value(r.channel)},
                                {"unit", who.units.value(r.channel)},
                                {"mean", number(r.mean)},
                                {"min", number(r.min)},
                                {"max", number(r.max)},
                                {"above", above}});
    }
    return QJsonDocument(QJsonObject{{"counted", levelName(summary.counted)}, {"rows", rows}})
        .toJson(QJsonDocument::Compact);
}

} // namespace vs
