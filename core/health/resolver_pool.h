#pragma once

#include <sys/socket.h>

#include <QByteArray>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// Resolves host names on a few worker threads, so a slow name server never blocks a caller or the
// probes' event loop. A job whose requester has given up is skipped before it resolves.
class ResolverPool {
public:
    struct Address {
        sockaddr_storage storage{};
        socklen_t length = 0;
    };
    using Done = std::function<void(std::vector<Address>)>;
    using StillWanted = std::function<bool()>;

    static constexpr std::size_t maxThreads = 4;

    static ResolverPool& shared();

    void resolve(QByteArray host, QByteArray service, StillWanted wanted, Done done);

    // Parses a numeric address (with an optional zone such as "%lo") without any look-up.
    static std::optional<std::vector<Address>> numeric(const QByteArray& host, const QByteArray& service);

private:
    struct Job {
        QByteArray host;
        QByteArray service;
        StillWanted wanted;
        Done done;
    };
    void work();

    std::mutex lock;
    std::condition_variable ready;
    std::deque<Job> jobs;
    std::size_t threads = 0;
    std::size_t idle = 0;
};
