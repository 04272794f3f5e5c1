#include "publish/metrics_settings.h"

#include "settings/settings.h"

#include <QHostAddress>

namespace vs {

MetricsSettings loadMetricsSettings(const Settings& s)
{
    MetricsSettings m;
    m.enabled = s.number(keys::MetricsEnabled) == 1;
    const std::string listen = s.text(keys::MetricsListen).trimmed().toStdString();
    if (!listen.empty())
        m.listen = listen;
    m.networkSticks = s.number(keys::MetricsNetworkSticks) == 1;
    return m;
}

std::optional<std::string> listenOption(const std::string& listen, std::string& error)
{
    const QString text = QString::fromStdString(listen).trimmed();
    QString host, port = text;
    if (const int colon = text.lastIndexOf(':'); colon >= 0) {
        host = text.left(colon);
        port = text.mid(colon + 1);
    }
    bool ok = false;
    const int number = port.toInt(&ok);
    // Port 0 takes any free port (the endpoint says which).
    if (!ok || number < 0 || number > 65535 || port.startsWith('+')) {
        error = "\"" + listen + "\" has no port number (0 to 65535)";
        return std::nullopt;
    }
    if (host.isEmpty())
        return std::to_string(number);
    const bool bracketed = host.startsWith('[') && host.endsWith(']');
    const QString bare = bracketed ? host.mid(1, host.size() - 2) : host;
    QHostAddress address;
    if (!address.setAddress(bare) || (address.protocol() == QAbstractSocket::IPv6Protocol) != bracketed) {
        error = "\"" + listen + "\" is not an IP address and port (such as 127.0.0.1:9464 or [::1]:9464)";
        return std::nullopt;
    }
    return host.toStdString() + ":" + std::to_string(number);
}

} // namespace vs
