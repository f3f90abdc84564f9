#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// Walking, fingerprinting, copying and removing an application folder without ever following a link out
// of it or leaving its file system.
namespace FolderTree {

enum class Kind { file, folder, link, other };

struct Item {
    // Relative to the folder walked.
    QString path;
    Kind kind = Kind::other;
    int mode = 0;

    friend bool operator==(const Item&, const Item&) = default;
};

// Visits everything under the folder (not the folder itself), parents before their contents, in name
// order; stops when visit says false. True only when the whole folder was walked.
bool walk(const QString& folder, const std::function<bool(const Item&)>& visit);

// The mode a file gets when staged or installed: 0755 when its owner may run it, otherwise 0644.
int fileMode(int mode);

// A BLAKE2b hash over every path, kind, file mode, file contents and link target; nothing if anything in
// the folder could not be read.
std::optional<QByteArray> digest(const QString& folder);

// Removes the path and everything under it; a link is removed, never what it leads to.
bool remove(const QString& path);

// Copies a folder to `to`, made 0700 and not there before: the manifest first, so that a copy cut short
// is still known as the application's own; files get fileMode(), links stay links, anything else is left.
bool copy(const QString& from, const QString& to);

} // namespace FolderTree
