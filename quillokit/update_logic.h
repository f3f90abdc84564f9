#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The operating system's version as three numbers (on Linux, the running kernel's).
struct SystemVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;

    // The leading dotted numbers of a version text such as "6.1.0-18-amd64".
    static SystemVersion parse(const QString& text);
    static SystemVersion current();

    friend bool operator==(const SystemVersion&, const SystemVersion&) = default;
};

// The updater's decisions, apart from the object that fetches and installs.
namespace UpdateLogic {

// Digit runs compare as numbers, so "1.10" is newer than "1.9"; equal versions are not newer.
bool isNewer(const QString& version, const QString& than);

// Whether a system of the given version meets a feed's minimum; no or an empty minimum always does.
bool systemSupports(const std::optional<QString>& minimum, SystemVersion system);

// Whether the Base64 Ed25519 signature is valid for the data under the Base64 32-byte public key.
bool verify(const QByteArray& data, const QString& signature, const QString& publicKey);

// A transfer that started on HTTPS never continues on anything else.
bool allowsRedirect(const QUrl& from, const QUrl& to);

// Whether a folder of that path, with those permissions, may be replaced by a new version: it must be the
// application's own folder, not a shared prefix such as /usr, and not on removable media.
bool canInstallInPlace(const QString& folder, const QString& home, bool folderWritable, bool parentWritable);

} // namespace UpdateLogic
