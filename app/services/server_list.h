#pragma once

#include "model/share_protocol.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// One file server found advertising itself on the local network, under one protocol's service type.
struct DiscoveredServer {
    QString name; // the advertised instance name
    ShareProtocol proto; // never webdavs: it shares webdav's service type
    std::optional<QString> host; // without a trailing "."; absent until resolved
    std::optional<int> port;

    // The same machine offering two protocols is two entries.
    QString id() const;

    friend bool operator==(const DiscoveredServer&, const DiscoveredServer&) = default;
};

// The rules of the browser's list of servers, apart from any browsing.
namespace ServerList {

// The protocols browsed, in this order.
const std::array<ShareProtocol, 4>& browsedProtocols();

struct Update {
    std::vector<DiscoveredServer> servers;
    QStringList newNames; // names that had no entry of the protocol before: each wants resolving
};

// Applies the complete set of names now advertised under proto: entries of proto not in it go, new names
// are appended unresolved (a name repeated in the set gives one entry), and the list is sorted by
// lower-cased name, then by protocol raw value.
Update update(std::vector<DiscoveredServer> servers, ShareProtocol proto, const QStringList& names);

// Puts host (less one trailing ".") and port into the first entry with that name whose protocol's service
// type begins type; the list is unchanged when there is none.
std::vector<DiscoveredServer> resolve(std::vector<DiscoveredServer> servers, const QString& name,
    const QString& type, const QString& host, int port);

} // namespace ServerList
