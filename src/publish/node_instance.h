#pragma once
#include <QByteArray>
#include <QSet>
#include <QString>

namespace vs {

// This run's claim on its node id, kept retained on "<prefix>/<node>/instance":
// a random instance id, the host, the process and when it started. Two
// copies with one node id share one client id, so each connection of one
// throws the other off; the one thrown off finds, when it connects again,
// the other's claim where its own was: a second copy, for certain (a claim
// left by a copy that was killed is only ever found at the first connection,
// and proves nothing). The copy that started first keeps the node; the
// other gives way. A clean stop clears the claim.
class NodeInstance {
public:
    NodeInstance(QString node, qint64 startedMs);

    QByteArray claim() const;
    // A (re)connection: the claim goes out again.
    void connected();

    enum class Verdict { Nothing, KeepNode, GiveWay };
    // A claim that came on the topic; `said` is what to tell the user (once
    // for each other copy).
    Verdict take(const QByteArray& payload, QString& said);

private:
    QString node_, id_, host_;
    qint64 pid_ = 0, startedMs_ = 0;
    bool claimedBefore_ = false, claimedOnce_ = false, echoed_ = false;
    QSet<QString> told_;
};

} // namespace vs
