#include "services/server_list.h"

#include <algorithm>

QString DiscoveredServer::id() const
{
    return toRaw(proto) + QLatin1Char('|') + name;
}

namespace ServerList {

const std::array<ShareProtocol, 4>& browsedProtocols()
{
    static const std::array<ShareProtocol, 4> protocols {
        ShareProtocol::smb, ShareProtocol::afp, ShareProtocol::nfs, ShareProtocol::webdav};
    return protocols;
}

Update update(std::vector<DiscoveredServer> servers, ShareProtocol proto, const QStringList& names)
{
    QStringList before;
    for (const DiscoveredServer& server : servers) {
        if (server.proto == proto)
            before.append(server.name);
    }
    std::erase_if(servers, [&](const DiscoveredServer& s) { return s.proto == proto && !names.contains(s.name); });

    Update result;
    for (const QString& name : names) {
        if (before.contains(name) || result.newNames.contains(name))
            continue;
        servers.push_back({name, proto, std::nullopt, std::nullopt});
        result.newNames.append(name);
    }
    std::stable_sort(servers.begin(), servers.end(), [](const DiscoveredServer& a, const DiscoveredServer& b) {
        const QString left = a.name.toLower();
        const QString right = b.name.toLower();
        if (left != right)
            return left < right;
        return toRaw(a.proto) < toRaw(b.proto);
    });
    result.servers = std::move(servers);
    return result;
}

std::vector<DiscoveredServer> resolve(std::vector<DiscoveredServer> servers, const QString& name,
    const QString& type, const QString& host, int port)
{
    const auto entry = std::find_if(servers.begin(), servers.end(), [&](const DiscoveredServer& s) {
        return s.name == name && type.startsWith(bonjourType(s.proto));
    });
    if (entry == servers.end())
        return servers;
    entry->host = host.endsWith(QLatin1Char('.')) ? host.chopped(1) : host;
    entry->port = port;
    return servers;
}

} // namespace ServerList
