#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The publisher's update feed: the newest version, where to get it, and optionally its signed archive.
struct UpdateFeed {
    // The archive for automatic installation.
    struct Download {
        QString url;
        qint64 length = 0;
        // Base64 of the 64-byte Ed25519 signature over the whole archive.
        QString edSignature;

        friend bool operator==(const Download&, const Download&) = default;
    };

    QString version;
    QString url;
    std::optional<QString> notes;
    std::optional<QString> minimumSystemVersion;
    std::optional<Download> download;

    // The feed in a JSON body; nothing when a required key is missing or any key has the wrong type.
    static std::optional<UpdateFeed> decode(const QByteArray& json);
    QByteArray encode() const;

    friend bool operator==(const UpdateFeed&, const UpdateFeed&) = default;
};
