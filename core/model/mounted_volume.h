#pragma once

#include "model/share_protocol.h"

#include <QString>

#include <optional>

// One mounted network file system as the mount table lists it, with its source taken apart.
struct MountedVolume {
    struct Source {
        QString host;
        QString user;
        QString share;

        friend bool operator==(const Source&, const Source&) = default;
    };

    MountedVolume() = default;
    MountedVolume(QString mountPoint, QString fsType, QString from);

    QString mountPoint;
    QString fsType;
    QString from;
    std::optional<ShareProtocol> proto;
    QString host;
    QString user;
    QString share;

    const QString& id() const { return mountPoint; }
    // The folder name the user sees.
    QString displayName() const;

    // Reads server:/export for NFS and //user@server/share or scheme://… for the others.
    static Source parseSource(const QString& from, const QString& fsType);

    friend bool operator==(const MountedVolume&, const MountedVolume&) = default;
};
