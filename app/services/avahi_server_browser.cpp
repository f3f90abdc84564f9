#include "services/avahi_server_browser.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-glib/glib-watch.h>

#include <map>
#include <tuple>

namespace {

const char* const domain = "local";
constexpr int resolveTimeoutMs = 5000;
// A service still announcing itself may not answer its first resolution; a few more tries catch it.
constexpr int resolveAttempts = 4;
constexpr int retryDelayMs = 1000;

} // namespace

// One connection to the daemon with its browses and resolutions. Everything here runs on the main thread.
struct AvahiServerBrowser::Client {
    struct Browse {
        Client* client;
        ShareProtocol proto;
        AvahiServiceBrowser* browser = nullptr;
        // A service is seen once per interface and address family; the name counts while any remains.
        std::vector<std::tuple<AvahiIfIndex, AvahiProtocol, QString>> seen;

        QStringList names() const
        {
            QStringList list;
            for (const auto& [interface, family, name] : seen) {
                if (!list.contains(name))
                    list.append(name);
            }
            return list;
        }
    };

    struct Resolution {
        Client* client;
        quint64 id;
        ShareProtocol proto;
        QString name;
        int attempt = 1;
        AvahiServiceResolver* resolver = nullptr;
    };

    AvahiServerBrowser* owner;
    // Timers started here die with the client, so none fires into a client that is gone.
    QObject timers;
    AvahiGLibPoll* poll = nullptr;
    AvahiClient* avahi = nullptr;
    std::vector<std::unique_ptr<Browse>> browses;
    std::map<quint64, std::unique_ptr<Resolution>> resolutions;
    quint64 nextResolution = 0;

    explicit Client(AvahiServerBrowser* o) : owner(o)
    {
        poll = avahi_glib_poll_new(nullptr, G_PRIORITY_DEFAULT);
        connect();
    }

    ~Client()
    {
        disconnect();
        if (poll)
            avahi_glib_poll_free(poll);
    }

    void connect()
    {
        if (!poll)
            return;
        int error = 0;
        avahi = avahi_client_new(avahi_glib_poll_get(poll), AVAHI_CLIENT_NO_FAIL, clientChanged, this, &error);
    }

    void disconnect()
    {
        forgetBrowsing();
        if (avahi)
            avahi_client_free(avahi);
        avahi = nullptr;
    }

    void forgetBrowsing()
    {
        for (auto& [id, resolution] : resolutions)
            avahi_service_resolver_free(resolution->resolver);
        resolutions.clear();
        for (auto& browse : browses)
            avahi_service_browser_free(browse->browser);
        browses.clear();
    }

    void browse(AvahiClient* client)
    {
        if (!browses.empty())
            return;
        for (ShareProtocol proto : ServerList::browsedProtocols()) {
            auto browse = std::make_unique<Browse>(Browse {this, proto, nullptr, {}});
            const QByteArray type = bonjourType(proto).toUtf8();
            browse->browser = avahi_service_browser_new(client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                type.constData(), domain, AvahiLookupFlags(0), browseEvent, browse.get());
            if (browse->browser)
                browses.push_back(std::move(browse));
        }
    }

    void resolve(ShareProtocol proto, const QString& name, int attempt = 1)
    {
        if (!avahi || avahi_client_get_state(avahi) != AVAHI_CLIENT_S_RUNNING)
            return;
        const quint64 id = ++nextResolution;
        auto resolution = std::make_unique<Resolution>(Resolution {this, id, proto, name, attempt});
        const QByteArray type = bonjourType(proto).toUtf8();
        resolution->resolver = avahi_service_resolver_new(avahi, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
            name.toUtf8().constData(), type.constData(), domain, AVAHI_PROTO_UNSPEC, AvahiLookupFlags(0),
            resolveEvent, resolution.get());
        if (!resolution->resolver)
            return;
        resolutions[id] = std::move(resolution);
        QTimer::singleShot(resolveTimeoutMs, &timers, [this, id] { finishResolution(id, false); });
    }

    void finishResolution(quint64 id, bool succeeded)
    {
        const auto found = resolutions.find(id);
        if (found == resolutions.end())
            return;
        const ShareProtocol proto = found->second->proto;
        const QString name = found->second->name;
        const int attempt = found->second->attempt;
        avahi_service_resolver_free(found->second->resolver);
        resolutions.erase(found);
        if (succeeded || attempt >= resolveAttempts)
            return;
        QTimer::singleShot(retryDelayMs, &timers, [this, proto, name, attempt] {
            if (stillAwaited(proto, name))
                resolve(proto, name, attempt + 1);
        });
    }

    bool stillAwaited(ShareProtocol proto, const QString& name) const
    {
        const auto& servers = owner->servers();
        return std::any_of(servers.begin(), servers.end(), [&](const DiscoveredServer& s) {
            return s.proto == proto && s.name == name && !s.host;
        });
    }

    static void clientChanged(AvahiClient* client, AvahiClientState state, void* data)
    {
        auto* self = static_cast<Client*>(data);
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            self->browse(client);
            break;
        case AVAHI_CLIENT_CONNECTING:
            self->forgetBrowsing();
            break;
        case AVAHI_CLIENT_FAILURE:
            // The daemon went away; a new client waits for it to return. The old one cannot be freed
            // inside its own callback.
            self->forgetBrowsing();
            QTimer::singleShot(0, &self->timers, [self, client] {
                if (self->avahi != client)
                    return;
                self->disconnect();
                self->connect();
            });
            break;
        default:
            break;
        }
    }

    static void browseEvent(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol family,
        AvahiBrowserEvent event, const char* name, const char*, const char*, AvahiLookupResultFlags, void* data)
    {
        auto* browse = static_cast<Browse*>(data);
        const QStringList before = browse->names();
        switch (event) {
        case AVAHI_BROWSER_NEW: {
            const auto key = std::make_tuple(interface, family, QString::fromUtf8(name));
            if (std::find(browse->seen.begin(), browse->seen.end(), key) == browse->seen.end())
                browse->seen.push_back(key);
            break;
        }
        case AVAHI_BROWSER_REMOVE:
            std::erase(browse->seen, std::make_tuple(interface, family, QString::fromUtf8(name)));
            break;
        case AVAHI_BROWSER_ALL_FOR_NOW:
            // The first complete answer also clears servers that went away while nobody browsed.
            browse->client->owner->found(browse->proto, before);
            return;
        default:
            return;
        }
        const QStringList after = browse->names();
        if (after != before)
            browse->client->owner->found(browse->proto, after);
    }

    static void resolveEvent(AvahiServiceResolver*, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
        const char* name, const char* type, const char*, const char* host, const AvahiAddress*, uint16_t port,
        AvahiStringList*, AvahiLookupResultFlags, void* data)
    {
        auto* resolution = static_cast<Resolution*>(data);
        Client* self = resolution->client;
        const bool found = event == AVAHI_RESOLVER_FOUND && name && type && host;
        if (found) {
            self->owner->resolved(QString::fromUtf8(name), QString::fromUtf8(type), QString::fromUtf8(host),
                int(port));
        }
        self->finishResolution(resolution->id, found);
    }
};

AvahiServerBrowser::AvahiServerBrowser(double indicatorSeconds, QObject* parent)
    : ServerBrowser(indicatorSeconds, parent)
{
}

AvahiServerBrowser::~AvahiServerBrowser() = default;

void AvahiServerBrowser::beginBrowsing()
{
    client_ = std::make_unique<Client>(this);
}

void AvahiServerBrowser::endBrowsing()
{
    client_.reset();
}

void AvahiServerBrowser::beginResolving(ShareProtocol proto, const QString& name)
{
    if (client_)
        client_->resolve(proto, name);
}
