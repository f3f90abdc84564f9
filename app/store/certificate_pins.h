#pragma once
// The certificates the user trusted, one SHA-256 fingerprint per line, kept in their own file in the
// data folder beside the shares.

#include <QHash>
#include <QString>
#include <QUuid>

#include <optional>

class CertificatePins {
public:
    // Reads the file at `path` if there is one; a missing or damaged file holds no pins.
    explicit CertificatePins(QString path);

    std::optional<QString> pin(const QUuid& share) const;
    // Both write the file at once; false when it could not be written (the pin holds for this run).
    bool set(const QUuid& share, const QString& sha256);
    bool forget(const QUuid& share);

    static QString fileName() { return QStringLiteral("certificates.json"); }

private:
    bool write() const;

    QString path_;
    QHash<QUuid, QString> pins_;
};
