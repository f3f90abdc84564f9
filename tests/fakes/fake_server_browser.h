#pragma once

#include "services/server_browser.h"

#include <utility>
#include <vector>

// A browser whose network the test plays: it records browses and resolutions and delivers what the test
// says was found. The list rules and the busy indicator are the real ones.
class FakeServerBrowser final : public ServerBrowser {
public:
    using ServerBrowser::ServerBrowser;

    // A complete result set for one protocol, as a browse would deliver it.
    void deliver(ShareProtocol proto, const QStringList& names) { found(proto, names); }
    // A resolution that succeeded; type is the service type, e.g. "_smb._tcp".
    void answer(const QString& name, const QString& type, const QString& host, int port)
    {
        resolved(name, type, host, port);
    }

    int browsesBegun = 0;
    int browsesEnded = 0;
    std::vector<std::pair<ShareProtocol, QString>> resolutions;

protected:
    void beginBrowsing() override { ++browsesBegun; }
    void endBrowsing() override { ++browsesEnded; }
    void beginResolving(ShareProtocol proto, const QString& name) override { resolutions.emplace_back(proto, name); }
};
