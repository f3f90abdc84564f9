#pragma once

#include <QString>

#include <functional>
#include <optional>

// Times a TCP handshake with a server's file-sharing port. Every probe in the process shares one
// event-loop thread and a small pool of name-resolving threads, so a pass over hundreds of servers
// costs a handful of threads.
namespace Probe {

// Connects to host and port and completes exactly once, from a worker thread, with the connect
// latency in milliseconds (resolution included) or with none when the server refused, failed,
// could not be resolved or did not answer within `timeout` seconds. Never blocks the caller; the
// caller posts the result back to its own thread. `done` must be quick.
void tcp(const QString& host, int port, double timeout, std::function<void(std::optional<double> ms)> done);

// The port the probe uses for a requested one: clamped to 0…65535; 0 is refused without connecting.
int clampPort(int port);

// The whole seconds given to the kernel as the connection's own limit: rounded up, at least 1.
int connectionTimeoutSeconds(double timeout);

} // namespace Probe
