#include "platform/network_path.h"

QString toRaw(NetworkPathStatus status)
{
    switch (status) {
    case NetworkPathStatus::satisfied:
        return QStringLiteral("satisfied");
    case NetworkPathStatus::unsatisfied:
        return QStringLiteral("unsatisfied");
    case NetworkPathStatus::requiresConnection:
        return QStringLiteral("requiresConnection");
    }
    return {};
}

std::optional<NetworkPathStatus> networkPathStatusFromRaw(const QString& raw)
{
    for (auto status : {NetworkPathStatus::satisfied, NetworkPathStatus::unsatisfied,
             NetworkPathStatus::requiresConnection}) {
        if (toRaw(status) == raw)
            return status;
    }
    return std::nullopt;
}

NetworkPath evaluate(const NetworkLinks& links)
{
    NetworkPath path;
    bool routed = false;
    for (const auto& [index, link] : links.byIndex) {
        if (!link.up || link.loopback || link.usableAddresses == 0)
            continue;
        path.interfaces.append(link.name);
        routed = routed || link.defaultRoute;
    }
    path.interfaces.sort();
    path.status = routed ? NetworkPathStatus::satisfied : NetworkPathStatus::unsatisfied;
    return path;
}
