#pragma once

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
    // Permission bits; only 0777 are kept.
    int mode = 0644;
    QByteArray contents;
    QString linkTarget;

    friend bool operator==(const Entry&, const Entry&) = default;
};

// The entries as a zip archive, in the order given; nothing if the archive could not be written.
std::optional<QByteArray> pack(const std::vector<Entry>& entries);

// A folder and everything under it, named by the folder's own name at the top of the archive.
std::optional<QByteArray> packFolder(const QString& folder);

// Unpacks a zip into an existing folder. An entry that is absolute, contains "..", is not a file, folder or
// link, lies beneath a link, or is a link that leads outside the folder stops the unpacking; the answer is
// then a sentence saying why, and nothing is installed from the folder.
std::optional<QString> unpack(const QByteArray& zip, const QString& destination);

} // namespace UpdateArchive
