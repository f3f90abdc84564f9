#pragma once

#include "model/share_address.h"
#include "model/share_protocol.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <optional>

// One saved share, a "line" on the board: how to reach it and whether to keep it connected.
struct ShareSpec {
    // Normalises what the user gave: host without blanks or brackets, path without outer "/", a default name.
    ShareSpec(QUuid id, QString name, ShareProtocol proto, QString host, std::optional<int> port, QString path,
        QString user, bool askEveryTime, bool keepConnected);

    QUuid id;
    QString name;
    ShareProtocol proto;
    QString host;
    std::optional<int> port;
    QString path;
    QString user;
    bool askEveryTime;
    bool keepConnected;

    int effectivePort() const;
    // Groups shares by server: the normalised host and the effective port.
    QString serverKey() const;
    // For mounting; never carries a password.
    std::optional<QUrl> url() const;
    // For showing and editing; nothing is percent-encoded.
    QString displayURL() const;

    static QString defaultName(const QString& path, const QString& host);
    static std::optional<ShareSpec> parse(const QString& text);

    // Decoding stores the values as they are, without the constructor's normalisation.
    QJsonObject toJson() const;
    static std::optional<ShareSpec> fromJson(const QJsonValue& json);
    // The order in which a record's keys are written.
    static const QStringList& jsonKeys();

    friend bool operator==(const ShareSpec&, const ShareSpec&) = default;
};

size_t qHash(const ShareSpec& spec, size_t seed = 0);

namespace JsonFields {

// Strict readers for stored records: a missing or mistyped value reads as nothing.
std::optional<QUuid> uuid(const QJsonValue& value);
QString uuidText(const QUuid& id);

} // namespace JsonFields
