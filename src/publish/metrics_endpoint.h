#pragma once
#include <prometheus/metric_family.h>

#include <QDeadlineTimer>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QTcpSocket;

namespace vs {

// The HTTP endpoint "/metrics" for Prometheus (and a page at "/" that links
// to it), served from the event loop.
// It answers with the series last handed to publish(), whole: a scrape sees
// one pass's figures or the next one's, never a mix. GET and HEAD are
// answered; every connection closes after its answer. Idle or slow clients
// cost nothing but a socket each: at most kMaxConnections are kept (the
// oldest unanswered one makes room for a new one), a request head must come
// whole within kRequestMs and in at most kMaxHead bytes. No thread, so a
// scrape never delays a pass by more than the few microseconds it takes.
class MetricsEndpoint : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 256;
    static constexpr int kRequestMs = 5000;
    static constexpr int kMaxHead = 8192;

    ~MetricsEndpoint() override;

    // Listens on "host:port", "[v6 address]:port" or a port alone (every
    // interface); no endpoint (and the reason in `error`) when the address is
    // not usable or taken.
    static std::unique_ptr<MetricsEndpoint> start(const std::string& listen, std::string& error);

    void publish(std::vector<prometheus::MetricFamily> families);
    // The port it listens on (the chosen one when port 0 was asked for).
    int port() const;
    // "127.0.0.1:9464", "[::1]:9464", "*:9464" (every interface).
    std::string where() const;
    // Requests answered since the start.
    long answered() const { return answered_; }

private:
    MetricsEndpoint() = default;
    struct Client {
        QByteArray head;
        QDeadlineTimer deadline;
        bool answered = false;
        quint64 order = 0; // when it came: the lowest is the oldest
    };
    void onNewConnection();
    void onReadable(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& head);
    void drop(QTcpSocket* socket);
    void sweep();
    const QByteArray& body();

    QTcpServer server_;
    QTimer sweep_;
    std::map<QTcpSocket*, Client> clients_;
    std::vector<prometheus::MetricFamily> families_;
    QByteArray body_;
    bool bodyStale_ = true;
    long answered_ = 0;
    quint64 accepted_ = 0;
};

} // namespace vs
