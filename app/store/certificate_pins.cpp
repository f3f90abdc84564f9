#include "store/certificate_pins.h"

#include "model/share_spec.h"
#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

CertificatePins::CertificatePins(QString path)
    : path_(std::move(path))
{
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonArray pins = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("pins")).toArray();
    for (const QJsonValue& value : pins) {
        const QJsonObject entry = value.toObject();
        const QUuid share = QUuid::fromString(entry.value(QStringLiteral("share")).toString());
        const QString sha256 = entry.value(QStringLiteral("sha256")).toString();
        if (!share.isNull() && !sha256.isEmpty())
            pins_.insert(share, sha256);
    }
}

std::optional<QString> CertificatePins::pin(const QUuid& share) const
{
    const auto found = pins_.find(share);
    return found == pins_.end() ? std::nullopt : std::optional(*found);
}

bool CertificatePins::set(const QUuid& share, const QString& sha256)
{
    pins_.insert(share, sha256);
    return write();
}

bool CertificatePins::forget(const QUuid& share)
{
    return pins_.remove(share) == 0 || write();
}

bool CertificatePins::write() const
{
    QList<QUuid> shares = pins_.keys();
    std::sort(shares.begin(), shares.end(), [](const QUuid& a, const QUuid& b) { return a.toString() < b.toString(); });
    QJsonArray pins;
    for (const QUuid& share : shares)
        pins.append(QJsonObject {{QStringLiteral("share"), JsonFields::uuidText(share)}, {QStringLiteral("sha256"), pins_.value(share)}});
    QDir().mkpath(QFileInfo(path_).absolutePath());
    return AtomicFile::write(path_, QJsonDocument(QJsonObject {{QStringLiteral("pins"), pins}}).toJson());
}
