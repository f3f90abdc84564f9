#include "platform/rtnetlink_path_monitor.h"

#include <QSocketNotifier>

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

template <typename Visit>
void forEachAttribute(const rtattr* first, int length, Visit visit)
{
    for (const rtattr* a = first; RTA_OK(a, length); a = RTA_NEXT(a, length))
        visit(a);
}

void readLink(const nlmsghdr* message, NetworkLinks& links)
{
    const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(message));
    NetworkLinks::Link& link = links.byIndex[info->ifi_index];
    link.up = (info->ifi_flags & IFF_UP) && (info->ifi_flags & IFF_RUNNING);
    link.loopback = info->ifi_flags & IFF_LOOPBACK;
    forEachAttribute(IFLA_RTA(info), int(IFLA_PAYLOAD(message)), [&](const rtattr* a) {
        if (a->rta_type == IFLA_IFNAME)
            link.name = QString::fromUtf8(static_cast<const char*>(RTA_DATA(a)),
                int(strnlen(static_cast<const char*>(RTA_DATA(a)), RTA_PAYLOAD(a))));
    });
}

void readAddress(const nlmsghdr* message, NetworkLinks& links)
{
    const auto* info = static_cast<const ifaddrmsg*>(NLMSG_DATA(message));
    const auto link = links.byIndex.find(int(info->ifa_index));
    if (link != links.byIndex.end() && info->ifa_scope < RT_SCOPE_LINK)
        ++link->second.usableAddresses;
}

void markDefaultRoute(NetworkLinks& links, int index)
{
    const auto link = links.byIndex.find(index);
    if (link != links.byIndex.end())
        link->second.defaultRoute = true;
}

void readRoute(const nlmsghdr* message, NetworkLinks& links)
{
    const auto* info = static_cast<const rtmsg*>(NLMSG_DATA(message));
    if (info->rtm_dst_len != 0 || info->rtm_type != RTN_UNICAST)
        return;
    unsigned table = info->rtm_table;
    std::vector<int> through;
    forEachAttribute(RTM_RTA(info), int(RTM_PAYLOAD(message)), [&](const rtattr* a) {
        if (a->rta_type == RTA_TABLE && RTA_PAYLOAD(a) >= sizeof(uint32_t)) {
            table = *static_cast<const uint32_t*>(RTA_DATA(a));
        } else if (a->rta_type == RTA_OIF && RTA_PAYLOAD(a) >= sizeof(int)) {
            through.push_back(*static_cast<const int*>(RTA_DATA(a)));
        } else if (a->rta_type == RTA_MULTIPATH) {
            int left = int(RTA_PAYLOAD(a));
            for (auto* hop = static_cast<const rtnexthop*>(RTA_DATA(a)); RTNH_OK(hop, left);
                 left -= NLMSG_ALIGN(hop->rtnh_len), hop = RTNH_NEXT(hop))
                through.push_back(hop->rtnh_ifindex);
        }
    });
    // The local table holds the host's own addresses, never a way out.
    if (table == RT_TABLE_LOCAL)
        return;
    for (int index : through)
        markDefaultRoute(links, index);
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
    events_ = openRouteSocket(RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE
        | RTMGRP_IPV6_ROUTE);
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

void RtnetlinkPathMonitor::report()
{
    const auto links = readTables();
    const NetworkPath path = links ? evaluate(*links) : NetworkPath {};
    if (last_ == path)
        return;
    last_ = path;
    Q_EMIT pathUpdated(path);
}

std::optional<NetworkLinks> RtnetlinkPathMonitor::readTables()
{
    if (queries_ < 0)
        return std::nullopt;
    NetworkLinks links;
    for (const int type : {RTM_GETLINK, RTM_GETADDR, RTM_GETROUTE}) {
        struct {
            nlmsghdr header;
            rtgenmsg body;
        } request {};
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtgenmsg));
        request.header.nlmsg_type = uint16_t(type);
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.header.nlmsg_seq = ++sequence_;
        request.body.rtgen_family = AF_UNSPEC;
        if (::send(queries_, &request, request.header.nlmsg_len, 0) < 0)
            return std::nullopt;

        alignas(nlmsghdr) char buffer[65536];
        for (bool done = false; !done;) {
            const ssize_t received = ::recv(queries_, buffer, sizeof buffer, 0);
            if (received < 0 && errno == EINTR)
                continue;
            if (received <= 0)
                return std::nullopt;
            int left = int(received);
            for (auto* message = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(message, left);
                 message = NLMSG_NEXT(message, left)) {
                if (message->nlmsg_seq != sequence_)
                    continue;
                if (message->nlmsg_type == NLMSG_DONE) {
                    done = true;
                    break;
                }
                if (message->nlmsg_type == NLMSG_ERROR)
                    return std::nullopt;
                if (message->nlmsg_type == RTM_NEWLINK)
                    readLink(message, links);
                else if (message->nlmsg_type == RTM_NEWADDR)
                    readAddress(message, links);
                else if (message->nlmsg_type == RTM_NEWROUTE)
                    readRoute(message, links);
            }
        }
    }
    return links;
}
