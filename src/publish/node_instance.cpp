#include "publish/node_instance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSysInfo>

namespace vs {

NodeInstance::NodeInstance(QString node, qint64 startedMs)
    : node_(std::move(node)), id_(QString::number(QRandomGenerator::global()->generate64(), 36)),
      host_(QSysInfo::machineHostName()), pid_(QCoreApplication::applicationPid()), startedMs_(startedMs)
{
}

QByteArray NodeInstance::claim() const
{
    return QJsonDocument(QJsonObject{{"instance", id_},
                                     {"host", host_},
                                     {"pid", pid_},
                                     {"started", QDateTime::fromMSecsSinceEpoch(startedMs_, Qt::UTC).toString(Qt::ISODate)},
                                     {"started_ms", startedMs_}})
        .toJson(QJsonDocument::Compact);
}

void NodeInstance::connected()
{
    claimedBefore_ = claimedOnce_;
    claimedOnce_ = true;
    echoed_ = false;
}

NodeInstance::Verdict NodeInstance::take(const QByteArray& payload, QString& said)
{
    const QJsonObject other = QJsonDocument::fromJson(payload).object();
    const QString id = other.value("instance").toString();
    if (id.isEmpty())
        return Verdict::Nothing;
    if (id == id_) {
        echoed_ = true;
        return Verdict::Nothing;
    }
    // Only a claim that replaced ours while we were away is proof.
    if (!claimedBefore_ || echoed_)
        return Verdict::Nothing;
    const qint64 otherStarted = static_cast<qint64>(other.value("started_ms").toDouble());
    const bool otherFirst = otherStarted < startedMs_ || (otherStarted == startedMs_ && id < id_);
    if (!told_.contains(id)) {
        told_.insert(id);
        said = "MQTT: another copy of the program publishes as node " + node_ + " too (on " +
               other.value("host").toString() + ", process " + QString::number(other.value("pid").toInteger()) +
               ", started " + other.value("started").toString() +
               "); give each copy its own NodeId in the section MQTT of its settings. " +
               (otherFirst ? "The other copy started first: this one stops publishing and leaves the node to it."
                           : "This copy started first and keeps publishing as the node.");
    }
    return otherFirst ? Verdict::GiveWay : Verdict::KeepNode;
}

} // namespace vs
