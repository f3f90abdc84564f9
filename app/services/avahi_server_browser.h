#pragma once

#include "services/server_browser.h"

#include <memory>

// Browses and resolves through the local service-discovery daemon (Avahi) over the system bus. The client
// runs on the GLib main loop that Qt's event dispatcher drives, so every callback arrives on the main
// thread. A daemon that is missing or restarts is waited for; browsing resumes when it is back.
class AvahiServerBrowser final : public ServerBrowser {
    Q_OBJECT
public:
    explicit AvahiServerBrowser(double indicatorSeconds = 6.0, QObject* parent = nullptr);
    ~AvahiServerBrowser() override;

    struct Client;

protected:
    void beginBrowsing() override;
    void endBrowsing() override;
    void beginResolving(ShareProtocol proto, const QString& name) override;

private:
    friend struct Client;
    std::unique_ptr<Client> client_;
};
