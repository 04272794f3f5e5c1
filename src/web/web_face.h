#pragma once
#include "publish/http_listener.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace vs {

class MonitorCore;
struct Services;

// The web face: a read-only page of the sticks, live and from the history,
// on a listener of its own ("Web" "Listen"). It answers the page's files
// from the data folder's "web" folder and the JSON of /api/sticks,
// /api/status, /api/series, /api/history and /api/summary (and the CSV
// of /api/history.csv), and pushes each pass to the open pages as a
// server-sent event on /api/events. Nothing it answers changes a setting or
// sends a command to a stick.
class WebFace : public QObject {
    Q_OBJECT
public:
    ~WebFace() override;
    // The face, when the settings enable it; none and no error when they do
    // not, none and the reason in `error` when it cannot be served.
    // `lines` gives the last status lines.
    static std::unique_ptr<WebFace> start(Services& services, MonitorCore& core,
                                          std::function<QStringList()> lines, std::string& error);

    int port() const { return listener_->port(); }
    std::string where() const { return listener_->where(); }
    // Where the page's files are looked for, and whether they are there.
    QString pageFolder() const { return folder_; }
    bool pageInstalled() const;
    // Sends the sticks as they are now to every open page; returns how many took it.
    int pushPass();
    int openPages() const { return listener_->streams(); }

private:
    WebFace(Services& services, MonitorCore& core);
    HttpReply answer(const HttpRequest& request);
    HttpReply pageFile(const QByteArray& name) const;
    HttpReply history(const HttpRequest& request, bool csv) const;
    void watch();

    Services& s_;
    MonitorCore& core_;
    std::function<QStringList()> lines_;
    std::unique_ptr<HttpListener> listener_;
    QString folder_;
    QByteArray credentials_; // "user:password" base64, when asked for
    QTimer watch_;
    QTimer keepAlive_;
    long lastPasses_ = -1;
    QByteArray lastSticks_; // which slots are open
};

} // namespace vs
