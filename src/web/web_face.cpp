#include "web/web_face.h"

#include "common/version.h"
#include "core/data_folder.h"
#include "core/monitor_core.h"
#include "core/sampling_loop.h"
#include "core/services.h"
#include "history/history_export.h"
#include "settings/key_table.h"
#include "settings/settings.h"
#include "stick/stick_link.h"
#include "web/web_json.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace vs {

namespace {

constexpr int kWatchMs = 100;
constexpr int kKeepAliveMs = 15000;
constexpr int kMostColumns = 4000;

QByteArray typeOf(const QByteArray& name)
{
    if (name.endsWith(".html"))
        return "text/html; charset=utf-8";
    if (name.endsWith(".js"))
        return "text/javascript; charset=utf-8";
    if (name.endsWith(".css"))
        return "text/css; charset=utf-8";
    if (name.endsWith(".png"))
        return "image/png";
    if (name.endsWith(".svg"))
        return "image/svg+xml";
    return "application/octet-stream";
}

HttpReply json(const QByteArray& body)
{
    return {"200 OK", "application/json", body, {{"Cache-Control", "no-store"}}};
}

HttpReply badRequest(const QByteArray& why)
{
    return {"400 Bad Request", "text/plain; charset=utf-8", why + "\n"};
}

// A time in the query: Unix milliseconds, or ISO 8601 as the command line takes it.
std::optional<int64_t> timeParameter(const QString& text, bool end)
{
    bool whole = false;
    const qlonglong ms = text.toLongLong(&whole);
    if (whole)
        return ms;
    return isoTimeMs(text, end);
}

} // namespace

WebFace::WebFace(Services& services, MonitorCore& core) : s_(services), core_(core) {}

WebFace::~WebFace() = default;

std::unique_ptr<WebFace> WebFace::start(Services& services, MonitorCore& core, std::function<QStringList()> lines,
                                        std::string& error)
{
    error.clear();
    Settings& settings = services.settings;
    if (settings.number(keys::WebEnabled) != 1)
        return nullptr;
    std::unique_ptr<WebFace> face(new WebFace(services, core));
    face->lines_ = std::move(lines);
    face->folder_ = dataFolder() + "/web";
    const QString passwordFile = settings.text(keys::WebPasswordFile).trimmed();
    if (!passwordFile.isEmpty()) {
        QFile f(passwordFile);
        if (!f.open(QIODevice::ReadOnly)) {
            error = "Web/PasswordFile: cannot read " + passwordFile.toStdString() + ": " + f.errorString().toStdString();
            return nullptr;
        }
        const QByteArray pair = f.readLine().trimmed();
        if (pair.indexOf(':') <= 0) {
            error = "Web/PasswordFile: " + passwordFile.toStdString() + " must hold one line user:password";
            return nullptr;
        }
        face->credentials_ = pair.toBase64();
    }
    WebFace* f = face.get();
    const std::string listen = settings.text(keys::WebListen).toStdString();
    face->listener_ = HttpListener::start(listen, [f](const HttpRequest& r) { return f->answer(r); }, error);
    if (!face->listener_) {
        error = "Web/Listen: " + error;
        return nullptr;
    }
    connect(&face->watch_, &QTimer::timeout, f, [f] { f->watch(); });
    face->watch_.start(kWatchMs);
    connect(&face->keepAlive_, &QTimer::timeout, f, [f] { f->listener_->push(": still here\n\n"); });
    face->keepAlive_.start(kKeepAliveMs);
    return face;
}

bool WebFace::pageInstalled() const
{
    return QFile::exists(folder_ + "/index.html");
}

int WebFace::pushPass()
{
    if (listener_->streams() == 0)
        return 0;
    return listener_->push("event: pass\ndata: " + sticksJson(s_.link, core_.sampling().passCount(), s_.clock.utcMs()) +
                           "\n\n");
}

void WebFace::watch()
{
    // A pass ended, or a stick came or went: the open pages hear of it.
    QByteArray sticks;
    for (int i = 0; i < s_.link.SlotsReserved; ++i)
        sticks += s_.link.Nymstick_isOpen(i) ? '1' : '0';
    const long passes = core_.sampling().passCount();
    if (passes == lastPasses_ && sticks == lastSticks_)
        return;
    lastPasses_ = passes;
    lastSticks_ = sticks;
    pushPass();
}

HttpReply WebFace::answer(const HttpRequest& request)
{
    if (!credentials_.isEmpty() && request.header("Authorization") != "Basic " + credentials_)
        return {"401 Unauthorized", "text/plain; charset=utf-8", "the page asks for a user and password\n",
                {{"WWW-Authenticate", "Basic realm=\"Ventiscope\", charset=\"UTF-8\""}}};
    const QByteArray& path = request.path;
    if (path == "/api/sticks")
        return json(sticksJson(s_.link, core_.sampling().passCount(), s_.clock.utcMs()));
    if (path == "/api/status") {
        const HistorySettings h = core_.historySettings();
        return json(statusJson(QString::fromLatin1(kProgramVersion), core_.sampling().passCount(),
                               core_.sampling().running(), h.enabled, lines_ ? lines_() : QStringList()));
    }
    if (path == "/api/series" || path == "/api/history" || path == "/api/history.csv" || path == "/api/summary")
        return history(request, path.endsWith(".csv"));
    if (path == "/api/events") {
        HttpReply r{"200 OK", "text/event-stream; charset=utf-8", {}};
        r.stream = true;
        r.body = "retry: 2000\nevent: pass\ndata: " +
                 sticksJson(s_.link, core_.sampling().passCount(), s_.clock.utcMs()) + "\n\n";
        return r;
    }
    if (path.startsWith("/api/"))
        return {"404 Not Found", "text/plain; charset=utf-8", "no such call\n"};
    return pageFile(path == "/" ? QByteArray("index.html") : path.mid(1));
}

HttpReply WebFace::pageFile(const QByteArray& name) const
{
    // Only plain file names of the page's folder: no path leaves it.
    static const QRegularExpression plain("^[A-Za-z0-9][A-Za-z0-9._-]*$");
    if (!plain.match(QString::fromLatin1(name)).hasMatch() || name.contains(".."))
        return {"404 Not Found", "text/plain; charset=utf-8", "no such page\n"};
    QFile f(folder_ + "/" + QString::fromLatin1(name));
    if (!f.open(QIODevice::ReadOnly)) {
        if (name == "index.html")
            return {"503 Service Unavailable", "text/plain; charset=utf-8",
                    "The web page is not installed: " + folder_.toUtf8() +
                        " holds no index.html. The readings are at api/sticks.\n"};
        return {"404 Not Found", "text/plain; charset=utf-8", "no such page\n"};
    }
    return {"200 OK", typeOf(name), f.readAll(), {{"Cache-Control", "no-cache"}}};
}

HttpReply WebFace::history(const HttpRequest& request, bool csv) const
{
    const bool ranged = request.path != "/api/series";
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    const auto from = request.parameter("from").isEmpty() ? std::optional<int64_t>(now - 3600000)
                                                          : timeParameter(request.parameter("from"), false);
    const auto to = request.parameter("to").isEmpty() ? std::optional<int64_t>(now)
                                                      : timeParameter(request.parameter("to"), true);
    if (ranged && (!from || !to || *from >= *to))
        return badRequest("from and to must be times (Unix milliseconds or ISO 8601), from before to");
    bool whole = true;
    const QString resolution = request.parameter("resolution");
    const int columns = resolution.isEmpty() ? 800 : resolution.toInt(&whole);
    if (ranged && !csv && (!whole || columns < 1 || columns > kMostColumns))
        return badRequest("resolution is the number of columns, 1 to 4000");
    const HistorySettings settings = core_.historySettings();
    if (!settings.enabled || !QFile::exists(settings.path))
        return {"404 Not Found", "text/plain; charset=utf-8", "no history is kept\n"};
    try {
        SqlDatabase db;
        db.open(settings.path, true);
        std::vector<SeriesInfo> series = listSeries(db);
        if (!ranged)
            return json(seriesJson(series));
        const QStringList sticks = request.parameter("stick").split(',', Qt::SkipEmptyParts);
        if (!sticks.isEmpty())
            std::erase_if(series, [&](const SeriesInfo& s) { return !sticks.contains(s.who.serial); });
        QStringList serials;
        for (const SeriesInfo& s : series)
            serials << s.who.serial;
        const bool summary = request.path == "/api/summary";
        if ((summary || csv) && serials.isEmpty())
            return badRequest("no such stick in the history");
        if (summary)
            return json(summaryJson(summarize(db, serials, *from, *to)));
        if (csv) {
            ExportRequest r;
            r.fromMs = *from;
            r.toMs = *to;
            r.serials = serials;
            QByteArray bytes;
            QBuffer out(&bytes);
            out.open(QIODevice::WriteOnly);
            QString error;
            if (!exportHistory(db, r, out, error))
                return {"500 Internal Server Error", "text/plain; charset=utf-8", error.toUtf8() + "\n"};
            return {"200 OK", "text/csv; charset=utf-8", bytes,
                    {{"Content-Disposition", "attachment; filename=\"ventiscope-history.csv\""}}};
        }
        return json(historyJson(readColumns(db, series, *from, *to, columns), series));
    } catch (const SqlError& e) {
        return {"500 Internal Server Error", "text/plain; charset=utf-8",
                QByteArray("the history could not be read: ") + e.what() + "\n"};
    }
}

} // namespace vs
