#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The publisher's side of the feed: keys and signatures as the updater checks them.
namespace UpdateSigning {

// Base64 texts: the 32-byte public key for the build setting, the 64-byte secret key to keep.
struct KeyPair {
    QString publicKey;
    QString secretKey;

    friend bool operator==(const KeyPair&, const KeyPair&) = default;
};

std::optional<KeyPair> makeKeyPair();

// Base64 of the Ed25519 signature over the data; nothing when the secret key is not a valid one.
std::optional<QString> sign(const QByteArray& data, const QString& secretKey);

} // namespace UpdateSigning
