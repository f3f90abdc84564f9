#pragma once

#include "services/server_list.h"

#include <QObject>
#include <QTimer>

// The file servers advertising themselves on the local network, for the share editor to offer. The view
// starts it when shown and stops it when it goes away; the list is kept across stop and start. Subclasses
// supply the browsing and resolving and report their results on the main thread.
class ServerBrowser : public QObject {
    Q_OBJECT
public:
    // The busy indicator stays on this long after start; browsing goes on after it.
    explicit ServerBrowser(double indicatorSeconds = 6.0, QObject* parent = nullptr);

    // Begins one browse per browsed protocol; does nothing while browses run.
    void start();
    // Ends all browsing and resolving.
    void stop();

    const std::vector<DiscoveredServer>& servers() const { return servers_; }
    bool isBrowsing() const { return isBrowsing_; }

Q_SIGNALS:
    void serversChanged();
    void isBrowsingChanged(bool isBrowsing);

protected:
    virtual void beginBrowsing() = 0;
    virtual void endBrowsing() = 0;
    // Looks up host and port of one service; a lookup that fails or takes more than 5 s reports nothing.
    virtual void beginResolving(ShareProtocol proto, const QString& name) = 0;

    // The complete set of instance names now advertised under proto's service type.
    void found(ShareProtocol proto, const QStringList& names);
    void resolved(const QString& name, const QString& type, const QString& host, int port);

    bool isRunning() const { return running_; }

private:
    void setBrowsing(bool on);

    std::vector<DiscoveredServer> servers_;
    bool isBrowsing_ = false;
    bool running_ = false;
    QTimer indicator_;
};
