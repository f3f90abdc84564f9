#pragma once

#include "quillokit/update_bounds.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// Zip archives of an application folder: made by the publisher's tool, unpacked while staging an update.
namespace UpdateArchive {

// One member of an archive as it is written.
struct Entry {
    enum class Kind { file, folder, link };

    QString path;
    Kind kind = Kind::file;
    // Permission bits as written; unpacking keeps only whether the owner may run a file.
    int mode = 0644;
    QByteArray contents;
    QString linkTarget;

    friend bool operator==(const Entry&, const Entry&) = default;
};

// The entries as a zip archive, in the order given; nothing if the archive could not be written.
std::optional<QByteArray> pack(const std::vector<Entry>& entries);

// A folder and everything under it, named by the folder's own name at the top of the archive.
std::optional<QByteArray> packFolder(const QString& folder);

// The most an unpacked archive may hold.
struct Limits {
    qint64 bytes = UpdateBounds::unpackedBytes;
    qint64 entries = UpdateBounds::archiveEntries;
};

// The sentence saying which limit the archive's headers go beyond, if any; a damaged archive is left to
// the unpacking to tell.
std::optional<QString> exceeds(const QByteArray& zip, Limits limits = {});

// Unpacks a zip into an existing folder: folders 0700, files 0644 or 0755. An entry that is absolute,
// contains "..", is not a file, folder or link, lies beneath a link, or is a link that leads outside the
// folder stops the unpacking, as does going beyond the limits; the answer is then a sentence saying why,
// and nothing is installed from the folder.
std::optional<QString> unpack(const QByteArray& zip, const QString& destination, Limits limits = {});

} // namespace UpdateArchive
