#pragma once
#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QTcpSocket;

namespace vs {

// A request as the listener hands it on: its method, its path (without the
// query) and its query, and the header lines.
struct HttpRequest {
    QByteArray method, path, query, head;
    // A header's value ("" when absent); the name in any case.
    QByteArray header(const QByteArray& name) const;
    // A query parameter, percent-decoded ("" when absent).
    QString parameter(const QString& name) const;
};

struct HttpReply {
    HttpReply(QByteArray status = "200 OK", QByteArray type = "text/plain; charset=utf-8", QByteArray body = {},
              std::vector<std::pair<QByteArray, QByteArray>> headers = {})
        : status(std::move(status)), type(std::move(type)), body(std::move(body)), headers(std::move(headers))
    {
    }
    QByteArray status;
    QByteArray type;
    QByteArray body;
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    // The connection stays open for events pushed later (text/event-stream).
    bool stream = false;
};

// A small read-only HTTP/1.1 server on the event loop, fit for a hostile
// network: GET and HEAD are answered, and every connection closes after its
// answer unless it is a stream. Idle or slow clients cost nothing but a
// socket each: at most kMaxConnections are kept (the oldest unanswered one
// makes room for a new one), a request head must come whole within
// kRequestMs and in at most kMaxHead bytes. At most kMaxStreams streams are
// kept (a new one replaces the oldest); a stream whose reader leaves more
// than kMaxUnsent bytes unread is dropped, never buffered without limit.
class HttpListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 256;
    static constexpr int kRequestMs = 5000;
    static constexpr int kMaxHead = 8192;
    static constexpr int kMaxStreams = 32;
    static constexpr qint64 kMaxUnsent = 256 * 1024;

    using Handler = std::function<HttpReply(const HttpRequest&)>;

    ~HttpListener() override;

    // Listens on "host:port", "[v6 address]:port" or a port alone (every
    // interface); none (and the reason in `error`) when the address is not
    // usable or taken.
    static std::unique_ptr<HttpListener> start(const std::string& listen, Handler handler, std::string& error);

    int port() const;
    // "127.0.0.1:9464", "[::1]:9464", "*:9464" (every interface).
    std::string where() const;
    // Writes the bytes to every open stream; returns how many took them.
    int push(const QByteArray& bytes);
    int streams() const { return static_cast<int>(streams_.size()); }
    // Requests answered since the start.
    long answered() const { return answered_; }

private:
    HttpListener() = default;
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

    QTcpServer server_;
    QTimer sweep_;
    Handler handler_;
    std::map<QTcpSocket*, Client> clients_;
    std::vector<QTcpSocket*> streams_; // oldest first
    long answered_ = 0;
    quint64 accepted_ = 0;
};

// The bytes of a whole answer: status line, type, length, extra headers, body.
QByteArray httpResponse(const HttpReply& reply, bool withBody);

} // namespace vs
