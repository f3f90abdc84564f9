#include "platform/rtnetlink_path_monitor.h"

#include "platform/network_manager_connection_name.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

int openRouteSocket(unsigned groups)
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return -1;
    sockaddr_nl address {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = groups;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Tables {
    NetworkLinks links;
    NetworkObservation observed;
};

QString addressText(int family, const rtattr* a)
{
    char text[INET6_ADDRSTRLEN] = {};
    const size_t needed = family == AF_INET6 ? 16 : 4;
    if ((family != AF_INET && family != AF_INET6) || RTA_PAYLOAD(a) < needed
        || !::inet_ntop(family, RTA_DATA(a), text, sizeof text))
        return {};
    return QString::fromLatin1(text);
}

QString hardwareText(const rtattr* a)
{
    const auto* bytes = static_cast<const unsigned char*>(RTA_DATA(a));
    QStringList parts;
    for (size_t i = 0; i < RTA_PAYLOAD(a); ++i)
        parts.append(QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')));
    return parts.join(QLatin1Char(':'));
}

template <typename Visit>
void forEachAttribute(const rtattr* first, int length, Visit visit)
{
    for (const rtattr* a = first; RTA_OK(a, length); a = RTA_NEXT(a, length))
        visit(a);
}

void readLink(const nlmsghdr* message, Tables& tables)
{
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(message));
    NetworkLinks::Link& link = tables.links.byIndex[info->ifi_index];
    link.up = (info->ifi_flags & IFF_UP) && (info->ifi_flags & IFF_RUNNING);
    link.loopback = info->ifi_flags & IFF_LOOPBACK;
    forEachAttribute(IFLA_RTA(info), int(IFLA_PAYLOAD(message)), [&](const rtattr* a) {
        if (a->rta_type == IFLA_IFNAME)
            link.name = QString::fromUtf8(static_cast<const char*>(RTA_DATA(a)),
                int(strnlen(static_cast<const char*>(RTA_DATA(a)), RTA_PAYLOAD(a))));
    });
    tables.observed.links.push_back({info->ifi_index, link.name, link.up, link.loopback});
}

void readAddress(const nlmsghdr* message, Tables& tables)
{
    const auto* info = static_cast<const ifaddrmsg*>(NLMSG_DATA(message));
    const auto link = tables.links.byIndex.find(int(info->ifa_index));
    if (link != tables.links.byIndex.end() && info->ifa_scope < RT_SCOPE_LINK)
        ++link->second.usableAddresses;
    tables.observed.addresses.push_back({int(info->ifa_index), info->ifa_scope < RT_SCOPE_LINK});
}

void readNeighbour(const nlmsghdr* message, Tables& tables)
{
    const auto* info = static_cast<const ndmsg*>(NLMSG_DATA(message));
    if (info->ndm_state & (NUD_INCOMPLETE | NUD_FAILED))
        return;
    NetworkObservation::Neighbour neighbour {info->ndm_ifindex, {}, {}};
    forEachAttribute(reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(info) + NLMSG_ALIGN(sizeof(ndmsg))),
        int(message->nlmsg_len - NLMSG_LENGTH(sizeof(ndmsg))), [&](const rtattr* a) {
            if (a->rta_type == NDA_DST)
                neighbour.address = addressText(info->ndm_family, a);
            else if (a->rta_type == NDA_LLADDR)
                neighbour.linkLayerAddress = hardwareText(a);
        });
    if (!neighbour.address.isEmpty() && !neighbour.linkLayerAddress.isEmpty())
        tables.observed.neighbours.push_back(std::move(neighbour));
}

void markDefaultRoute(NetworkLinks& links, int index)
{
    const auto link = links.byIndex.find(index);
    if (link != links.byIndex.end())
        link->second.defaultRoute = true;
}

void readRoute(const nlmsghdr* message, Tables& tables)
{
    const auto* info = static_cast<const rtmsg*>(NLMSG_DATA(message));
    if (info->rtm_dst_len != 0 || info->rtm_type != RTN_UNICAST)
        return;
    unsigned table = info->rtm_table;
    unsigned metric = 0;
    QString gateway;
    std::vector<std::pair<int, QString>> through; // link and gateway of each way out
    forEachAttribute(RTM_RTA(info), int(RTM_PAYLOAD(message)), [&](const rtattr* a) {
        if (a->rta_type == RTA_TABLE && RTA_PAYLOAD(a) >= sizeof(uint32_t)) {
            table = *static_cast<const uint32_t*>(RTA_DATA(a));
        } else if (a->rta_type == RTA_PRIORITY && RTA_PAYLOAD(a) >= sizeof(uint32_t)) {
            metric = *static_cast<const uint32_t*>(RTA_DATA(a));
        } else if (a->rta_type == RTA_GATEWAY) {
            gateway = addressText(info->rtm_family, a);
        } else if (a->rta_type == RTA_OIF && RTA_PAYLOAD(a) >= sizeof(int)) {
            through.emplace_back(*static_cast<const int*>(RTA_DATA(a)), QString());
        } else if (a->rta_type == RTA_MULTIPATH) {
            int left = int(RTA_PAYLOAD(a));
            for (auto* hop = static_cast<const rtnexthop*>(RTA_DATA(a)); RTNH_OK(hop, left);
                 left -= NLMSG_ALIGN(hop->rtnh_len), hop = RTNH_NEXT(hop)) {
                QString hopGateway;
                forEachAttribute(RTNH_DATA(hop), int(hop->rtnh_len - RTNH_LENGTH(0)), [&](const rtattr* h) {
                    if (h->rta_type == RTA_GATEWAY)
                        hopGateway = addressText(info->rtm_family, h);
                });
                through.emplace_back(hop->rtnh_ifindex, hopGateway);
            }
        }
    });
    // The local table holds the host's own addresses, never a way out.
    if (table == RT_TABLE_LOCAL)
        return;
    for (const auto& [index, hopGateway] : through) {
        markDefaultRoute(tables.links, index);
        tables.observed.defaultRoutes.push_back(
            {index, hopGateway.isEmpty() ? gateway : hopGateway, info->rtm_family == AF_INET6, metric});
    }
}

std::optional<Tables> readTables(int queries, unsigned& sequence)
{
    if (queries < 0)
        return std::nullopt;
    Tables tables;
    for (const int type : {RTM_GETLINK, RTM_GETADDR, RTM_GETROUTE, RTM_GETNEIGH}) {
        struct {
            nlmsghdr header;
            rtgenmsg body;
        } request {};
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtgenmsg));
        request.header.nlmsg_type = uint16_t(type);
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.header.nlmsg_seq = ++sequence;
        request.body.rtgen_family = AF_UNSPEC;
        if (::send(queries, &request, request.header.nlmsg_len, 0) < 0)
            return std::nullopt;

        alignas(nlmsghdr) char buffer[65536];
        for (bool done = false; !done;) {
            const ssize_t received = ::recv(queries, buffer, sizeof buffer, 0);
            if (received < 0 && errno == EINTR)
                continue;
            if (received <= 0)
                return std::nullopt;
            int left = int(received);
            for (auto* message = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(message, left);
                 message = NLMSG_NEXT(message, left)) {
                if (message->nlmsg_seq != sequence)
                    continue;
                if (message->nlmsg_type == NLMSG_DONE) {
                    done = true;
                    break;
                }
                if (message->nlmsg_type == NLMSG_ERROR)
                    return std::nullopt;
                if (message->nlmsg_type == RTM_NEWLINK)
                    readLink(message, tables);
                else if (message->nlmsg_type == RTM_NEWADDR)
                    readAddress(message, tables);
                else if (message->nlmsg_type == RTM_NEWROUTE)
                    readRoute(message, tables);
                else if (message->nlmsg_type == RTM_NEWNEIGH)
                    readNeighbour(message, tables);
            }
        }
    }
    return tables;
}

} // namespace

RtnetlinkPathMonitor::~RtnetlinkPathMonitor()
{
    delete notifier_;
    if (events_ >= 0)
        ::close(events_);
    if (queries_ >= 0)
        ::close(queries_);
}

void RtnetlinkPathMonitor::start()
{
    if (last_)
        return;
    // Neighbours too: the gateway's link-layer address often arrives after its route.
    events_ = openRouteSocket(RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE
        | RTMGRP_IPV6_ROUTE | RTMGRP_NEIGH);
    queries_ = openRouteSocket(0);
    if (queries_ >= 0) {
        // A table read that stalls must not hang the main thread.
        timeval timeout {2, 0};
        setsockopt(queries_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    if (events_ >= 0) {
        notifier_ = new QSocketNotifier(events_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &RtnetlinkPathMonitor::changed);
    }
    report();
}

void RtnetlinkPathMonitor::changed()
{
    // The messages only say that something changed; the tables are read whole afterwards, which also
    // covers routes the kernel drops without a message when a link goes down, and a lost burst (ENOBUFS).
    char buffer[8192];
    for (;;) {
        const ssize_t received = ::recv(events_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (received > 0 || (received < 0 && (errno == EINTR || errno == ENOBUFS)))
            continue;
        break;
    }
    report();
}

void RtnetlinkPathMonitor::setConnectionNames(NetworkManagerConnectionName* names)
{
    names_ = names;
}

void RtnetlinkPathMonitor::report()
{
    std::optional<Tables> tables = readTables(queries_, sequence_);
    NetworkPath path;
    if (tables) {
        path = evaluate(tables->links);
        if (path.status == NetworkPathStatus::satisfied)
            path.network = NetworkFingerprint::of(tables->observed);
    }
    if (names_ && path.network && path.network != askedFor_) {
        askedFor_ = path.network;
        // The name of the network before is no name for this one.
        connectionName_.clear();
        names_->ask([this, asked = *path.network](std::optional<QString> name) {
            if (askedFor_ != asked)
                return;
            connectionName_ = name.value_or(QString());
            report();
        });
    }
    if (path.network)
        path.network->connectionName = connectionName_;
    if (last_ == path)
        return;
    last_ = path;
    Q_EMIT pathUpdated(path);
}
