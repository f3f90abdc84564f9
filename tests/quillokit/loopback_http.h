#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A small HTTP/1.1 server on 127.0.0.1 that answers each path from a table and counts what it was asked.
class LoopbackHttp {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        // Off: no Content-Length, the end of the body is the end of the connection.
        bool sendLength = true;
        QByteArray location;
    };

    LoopbackHttp()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                serve(socket);
        });
    }

    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }

    void route(const QString& path, Response response) { routes_[path] = std::move(response); }
    int hits(const QString& path) const { return hits_.value(path); }
    QByteArray lastUserAgent() const { return userAgent_; }

private:
    void serve(QTcpSocket* socket)
    {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray request = socket->property("request").toByteArray() + socket->readAll();
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
            const Response response = routes_.value(path, Response{404, "not here", true, {}});
            QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Answer\r\nConnection: close\r\n";
            if (response.sendLength)
                head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            if (!response.location.isEmpty())
                head += "Location: " + response.location + "\r\n";
            socket->write(head + "\r\n" + response.body);
            socket->disconnectFromHost();
        });
    }

    QTcpServer server_;
    QMap<QString, Response> routes_;
    QMap<QString, int> hits_;
    QByteArray userAgent_;
};
