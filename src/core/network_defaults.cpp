#include "core/network_defaults.h"

#include "net/net_link.h"
#include "settings/settings.h"

#include <algorithm>

namespace vs {

namespace {
// More servers than anyone remembers is a damaged file, not a list.
constexpr int kMaxServers = 256;
} // namespace

void LoadNetworkDefaults(NetSettings& net, const Settings& settings)
{
    const int mode = static_cast<int>(settings.number(keys::NetworkOption));
    net.NetworkMode = mode >= 0 && mode <= 2 ? mode : 0;
    net.localPort = settings.text(keys::LocalPort).toStdString();
    const int n = std::min(static_cast<int>(settings.number(keys::nServers)), kMaxServers);
    if (n >= 1) {
        net.servers.clear();
        for (int i = 0; i < n; ++i)
            net.servers.push_back(settings.text(keys::Server, i).toStdString());
        net.server = net.servers.front();
    }
}

bool SaveNetworkDefaults(const NetSettings& net, Settings& settings)
{
    bool ok = settings.saveNumber(keys::NetworkOption, 0, net.NetworkMode);
    ok = settings.save(keys::LocalPort, 0, QString::fromStdString(net.localPort)) && ok;
    for (size_t i = 0; i < net.servers.size(); ++i)
        ok = settings.save(keys::Server, static_cast<int>(i), QString::fromStdString(net.servers[i])) && ok;
    ok = settings.saveNumber(keys::nServers, 0, static_cast<double>(net.servers.size())) && ok;
    return ok;
}

} // namespace vs
