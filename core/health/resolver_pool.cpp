#include "health/resolver_pool.h"

#include <netdb.h>
#include <pthread.h>

#include <cstring>
#include <optional>
#include <thread>

namespace {

std::vector<ResolverPool::Address> lookUp(const QByteArray& host, const QByteArray& service, int flags)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    // No AI_ADDRCONFIG: on a machine with only loopback it would hide ::1.
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::vector<ResolverPool::Address> addresses;
    if (getaddrinfo(host.constData(), service.constData(), &hints, &found) != 0)
        return addresses;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        ResolverPool::Address address;
        std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        addresses.push_back(address);
    }
    freeaddrinfo(found);
    return addresses;
}

} // namespace

ResolverPool& ResolverPool::shared()
{
    // Never destroyed: a worker may sit in a slow look-up when the process exits.
    static ResolverPool* const instance = new ResolverPool;
    return *instance;
}

std::optional<std::vector<ResolverPool::Address>> ResolverPool::numeric(const QByteArray& host,
                                                                        const QByteArray& service)
{
    std::vector<Address> addresses = lookUp(host, service, AI_NUMERICHOST);
    if (addresses.empty())
        return std::nullopt;
    return addresses;
}

void ResolverPool::resolve(QByteArray host, QByteArray service, StillWanted wanted, Done done)
{
    bool spawn = false;
    {
        std::lock_guard guard(lock);
        jobs.push_back(Job{std::move(host), std::move(service), std::move(wanted), std::move(done)});
        if (idle == 0 && threads < maxThreads) {
            ++threads;
            spawn = true;
        }
    }
    if (spawn)
        std::thread([this] { work(); }).detach();
    else
        ready.notify_one();
}

void ResolverPool::work()
{
    pthread_setname_np(pthread_self(), "mountwire.dns");
    for (;;) {
        Job job;
        {
            std::unique_lock guard(lock);
            ++idle;
            ready.wait(guard, [this] { return !jobs.empty(); });
            --idle;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        if (!job.wanted())
            continue;
        job.done(lookUp(job.host, job.service, 0));
    }
}
