#include "services/certificate_fetcher.h"

#include <QCryptographicHash>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {

QString names(const QSslCertificate& certificate, bool issuer)
{
    const auto get = [&](QSslCertificate::SubjectInfo field) {
        return (issuer ? certificate.issuerInfo(field) : certificate.subjectInfo(field)).join(QStringLiteral(", "));
    };
    QStringList parts;
    for (const QString& part : {get(QSslCertificate::CommonName), get(QSslCertificate::Organization),
             get(QSslCertificate::OrganizationalUnitName), get(QSslCertificate::CountryName)}) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QStringLiteral(" · "));
}

} // namespace

namespace CertificateFetcher {

ServerCertificate describe(const QSslCertificate& certificate)
{
    const QByteArray digest = certificate.digest(QCryptographicHash::Sha256);
    return {names(certificate, false), names(certificate, true), certificate.effectiveDate().toUTC(),
        certificate.expiryDate().toUTC(), QString::fromLatin1(digest.toHex(':').toUpper())};
}

void fetch(const QString& host, int port, double timeout, std::function<void(std::optional<ServerCertificate>)> done)
{
    auto* socket = new QSslSocket;
    auto* timer = new QTimer(socket);
    auto finish = std::make_shared<std::function<void(std::optional<ServerCertificate>)>>(std::move(done));
    const auto complete = [socket, finish](std::optional<ServerCertificate> result) {
        if (!*finish)
            return;
        auto call = std::move(*finish);
        *finish = nullptr;
        socket->abort();
        socket->deleteLater();
        call(std::move(result));
    };
    // The point is to see an unverifiable certificate, so nothing it shows stops the handshake.
    QSslConfiguration config = socket->sslConfiguration();
    config.setPeerVerifyMode(QSslSocket::QueryPeer);
    socket->setSslConfiguration(config);
    QObject::connect(socket, &QSslSocket::sslErrors, socket, [socket](const QList<QSslError>&) {
        socket->ignoreSslErrors();
    });
    QObject::connect(socket, &QSslSocket::encrypted, socket, [socket, complete] {
        const QSslCertificate leaf = socket->peerCertificate();
        complete(leaf.isNull() ? std::nullopt : std::optional(describe(leaf)));
    });
    QObject::connect(socket, &QSslSocket::errorOccurred, socket, [complete](QAbstractSocket::SocketError) {
        complete(std::nullopt);
    });
    QObject::connect(timer, &QTimer::timeout, socket, [complete] { complete(std::nullopt); });
    timer->setSingleShot(true);
    timer->start(int(timeout * 1000));
    socket->connectToHostEncrypted(host, quint16(port));
}

} // namespace CertificateFetcher
