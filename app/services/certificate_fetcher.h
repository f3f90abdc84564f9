#pragma once
// Reads the certificate a TLS server presents, by a handshake of our own that accepts whatever it is
// shown: the daemon only says that it could not verify a certificate, never which one it saw.

#include "services/server_certificate.h"

#include <QString>

#include <functional>
#include <optional>

class QSslCertificate;

namespace CertificateFetcher {

// Connects to host:port, completes a handshake and hangs up. `done` runs once on the calling thread:
// with the leaf certificate, or nothing when the server could not be reached or spoke no TLS within
// `timeout` seconds.
void fetch(const QString& host, int port, double timeout, std::function<void(std::optional<ServerCertificate>)> done);

ServerCertificate describe(const QSslCertificate& certificate);

} // namespace CertificateFetcher
