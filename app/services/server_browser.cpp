#include "services/server_browser.h"

ServerBrowser::ServerBrowser(double indicatorSeconds, QObject* parent) : QObject(parent)
{
    indicator_.setSingleShot(true);
    indicator_.setInterval(int(indicatorSeconds * 1000));
    connect(&indicator_, &QTimer::timeout, this, [this] { setBrowsing(false); });
}

void ServerBrowser::start()
{
    if (running_)
        return;
    running_ = true;
    setBrowsing(true);
    indicator_.start();
    beginBrowsing();
}

void ServerBrowser::stop()
{
    if (running_)
        endBrowsing();
    running_ = false;
    indicator_.stop();
    setBrowsing(false);
}

void ServerBrowser::found(ShareProtocol proto, const QStringList& names)
{
    if (!running_)
        return;
    ServerList::Update update = ServerList::update(servers_, proto, names);
    const bool changed = update.servers != servers_;
    servers_ = std::move(update.servers);
    if (changed)
        Q_EMIT serversChanged();
    for (const QString& name : update.newNames)
        beginResolving(proto, name);
}

void ServerBrowser::resolved(const QString& name, const QString& type, const QString& host, int port)
{
    std::vector<DiscoveredServer> servers = ServerList::resolve(servers_, name, type, host, port);
    if (servers == servers_)
        return;
    servers_ = std::move(servers);
    Q_EMIT serversChanged();
}

void ServerBrowser::setBrowsing(bool on)
{
    if (isBrowsing_ == on)
        return;
    isBrowsing_ = on;
    Q_EMIT isBrowsingChanged(on);
}
