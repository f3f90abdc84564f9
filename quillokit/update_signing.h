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

// Writes the secret key to a new file that only its owner can read from the first byte on; false when the
// file exists already or could not be written.
bool writeSecretKey(const QString& path, const QString& secretKey);

// Base64 of the Ed25519 signature over the data; nothing when the secret key is not a valid one.
std::optional<QString> sign(const QByteArray& data, const QString& secretKey);

} // namespace UpdateSigning
