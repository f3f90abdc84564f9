#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QMap>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>
#include <optional>

// A small HTTP/1.1 server on 127.0.0.1 (or HTTPS with a given certificate) that answers each path from a
// table and counts what it was asked.
class LoopbackHttp {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        // Off: no Content-Length, the end of the body is the end of the connection.
        bool sendLength = true;
        QByteArray location;
    };

    explicit LoopbackHttp(std::optional<QSslConfiguration> tls = std::nullopt)
        : server_(tls ? std::make_unique<QSslServer>() : std::make_unique<QTcpServer>()), secure_(tls.has_value())
    {
        if (tls)
            static_cast<QSslServer*>(server_.get())->setSslConfiguration(*tls);
        server_->listen(QHostAddress::LocalHost, 0);
        QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, server_.get(), [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection())
                serve(socket);
        });
    }

    // A certificate for 127.0.0.1 made with the openssl tool, which this process's clients then trust.
    static std::optional<QSslConfiguration> trustedLoopbackTls(const QString& folder)
    {
        const QString key = QDir(folder).filePath(QStringLiteral("key.pem"));
        const QString certificate = QDir(folder).filePath(QStringLiteral("cert.pem"));
        QProcess openssl;
        openssl.setStandardOutputFile(QProcess::nullDevice());
        openssl.setStandardErrorFile(QProcess::nullDevice());
        openssl.start(QStringLiteral("openssl"),
            QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=127.0.0.1 "
                           "-addext subjectAltName=IP:127.0.0.1 -days 2 -keyout")
                    .split(' ')
                << key << QStringLiteral("-out") << certificate);
        QFile keyFile(key);
        const auto certificates = openssl.waitForFinished(30000) && openssl.exitCode() == 0
            ? QSslCertificate::fromPath(certificate) : QList<QSslCertificate> {};
        if (certificates.isEmpty() || !keyFile.open(QIODevice::ReadOnly))
            return std::nullopt;
        QSslConfiguration client = QSslConfiguration::defaultConfiguration();
        client.addCaCertificates(certificates);
        QSslConfiguration::setDefaultConfiguration(client);
        QSslConfiguration server = QSslConfiguration::defaultConfiguration();
        server.setLocalCertificate(certificates.front());
        server.setPrivateKey(QSslKey(&keyFile, QSsl::Ec));
        return server;
    }

    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(secure_ ? QStringLiteral("https") : QStringLiteral("http"))
                        .arg(server_->serverPort())
                        .arg(path));
    }

    void route(const QString& path, Response response) { routes_[path] = std::move(response); }
    int hits(const QString& path) const { return hits_.value(path); }
    QByteArray lastUserAgent() const { return userAgent_; }

private:
    void serve(QTcpSocket* socket)
    {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
            socket->setProperty("request", request);
            if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            const QList<QByteArray> lines = request.left(request.indexOf("\r\n\r\n")).split('\n');
            const QString path = QString::fromLatin1(lines.value(0).split(' ').value(1));
            for (const QByteArray& line : lines) {
                if (line.toLower().startsWith("user-agent:"))
                    userAgent_ = line.mid(11).trimmed();
            }
            ++hits_[path];
            const Response response = routes_.value(path, Response {404, "not here", true, {}});
            QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Answer\r\nConnection: close\r\n";
            if (response.sendLength)
                head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            if (!response.location.isEmpty())
                head += "Location: " + response.location + "\r\n";
            socket->write(head + "\r\n" + response.body);
            socket->disconnectFromHost();
        });
    }

    std::unique_ptr<QTcpServer> server_;
    bool secure_ = false;
    QMap<QString, Response> routes_;
    QMap<QString, int> hits_;
    QByteArray userAgent_;
};
