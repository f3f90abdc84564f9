#include "quillokit/folder_tree.h"

#include <QDir>
#include <QFile>

#include <sodium.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

FolderTree::Kind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FolderTree::Kind::file;
    if (S_ISDIR(mode))
        return FolderTree::Kind::folder;
    if (S_ISLNK(mode))
        return FolderTree::Kind::link;
    return FolderTree::Kind::other;
}

bool walkInto(const QString& root, const QString& relative, dev_t device,
              const std::function<bool(const FolderTree::Item&)>& visit)
{
    const QString folder = relative.isEmpty() ? root : root + QLatin1Char('/') + relative;
    const QDir dir(folder);
    if (!dir.exists())
        return false;
    const QStringList names
        = dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString path = relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
        struct stat status {};
        if (::lstat(native(root + QLatin1Char('/') + path).constData(), &status) != 0)
            return false;
        const FolderTree::Item item{path, kindOf(status.st_mode), int(status.st_mode & 07777)};
        if (!visit(item))
            return false;
        if (item.kind == FolderTree::Kind::folder
            && (status.st_dev != device || !walkInto(root, path, device, visit)))
            return false;
    }
    return true;
}

QString linkTarget(const QString& path)
{
    std::array<char, 4096> target{};
    const ssize_t length = ::readlink(native(path).constData(), target.data(), target.size());
    return length < 0 || size_t(length) >= target.size() ? QString()
                                                         : QFile::decodeName(QByteArray(target.data(), length));
}

bool copyFile(const QString& from, const QString& to, int mode)
{
    const int in = ::open(native(from).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = ::open(native(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool copied = out >= 0;
    std::array<char, 65536> buffer{};
    while (copied) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        copied = ::write(out, buffer.data(), size_t(got)) == got;
    }
    // The mode is set on the open file, so no umask decides it.
    copied = copied && ::fchmod(out, mode_t(FolderTree::fileMode(mode))) == 0;
    if (out >= 0)
        ::close(out);
    ::close(in);
    return copied;
}

} // namespace

namespace FolderTree {

bool walk(const QString& folder, const std::function<bool(const Item&)>& visit)
{
    struct stat status {};
    if (::lstat(native(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    return walkInto(folder, QString(), status.st_dev, visit);
}

int fileMode(int mode)
{
    return (mode & 0100) ? 0755 : 0644;
}

std::optional<QByteArray> digest(const QString& folder)
{
    if (sodium_init() < 0)
        return std::nullopt;
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES);
    const auto add = [&state](const QByteArray& bytes) {
        // Each piece carries its length, so no two trees hash the same by moving bytes between pieces.
        const quint64 size = quint64(bytes.size());
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(&size), sizeof size);
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(bytes.constData()), size);
    };
    const bool read = walk(folder, [&](const Item& item) {
        add(item.path.toUtf8());
        add(QByteArray::number(int(item.kind)));
        const QString path = folder + QLatin1Char('/') + item.path;
        if (item.kind == Kind::link) {
            add(linkTarget(path).toUtf8());
        } else if (item.kind == Kind::file) {
            add(QByteArray::number(fileMode(item.mode), 8));
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            add(QByteArray::number(file.size()));
            while (!file.atEnd()) {
                const QByteArray block = file.read(1 << 16);
                if (block.isEmpty())
                    return false;
                crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(block.constData()),
                                          quint64(block.size()));
            }
        }
        return item.kind != Kind::other;
    });
    QByteArray result(crypto_generichash_BYTES, '\0');
    crypto_generichash_final(&state, reinterpret_cast<unsigned char*>(result.data()), size_t(result.size()));
    return read ? std::optional(result) : std::nullopt;
}

bool remove(const QString& path)
{
    struct stat status {};
    const QByteArray name = native(path);
    if (::lstat(name.constData(), &status) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(status.st_mode))
        return ::unlink(name.constData()) == 0;
    // Contents come before their folder only in reverse, so they are gathered first.
    QStringList inside;
    walk(path, [&](const Item& item) {
        inside.append(item.path);
        return true;
    });
    bool removed = true;
    for (auto it = inside.crbegin(); it != inside.crend(); ++it) {
        const QByteArray entry = native(path + QLatin1Char('/') + *it);
        struct stat entryStatus {};
        if (::lstat(entry.constData(), &entryStatus) != 0)
            continue;
        removed = (S_ISDIR(entryStatus.st_mode) ? ::rmdir(entry.constData()) : ::unlink(entry.constData())) == 0
               && removed;
    }
    return ::rmdir(name.constData()) == 0 && removed;
}

bool copy(const QString& from, const QString& to)
{
    if (::mkdir(native(to).constData(), 0700) != 0 || ::chmod(native(to).constData(), 0700) != 0)
        return false;
    const QString manifest = QStringLiteral("manifest");
    struct stat status {};
    if (::lstat(native(from + QLatin1Char('/') + manifest).constData(), &status) == 0 && S_ISREG(status.st_mode)
        && !copyFile(from + QLatin1Char('/') + manifest, to + QLatin1Char('/') + manifest, int(status.st_mode)))
        return false;
    return walk(from, [&](const Item& item) {
        const QString source = from + QLatin1Char('/') + item.path;
        const QString target = to + QLatin1Char('/') + item.path;
        switch (item.kind) {
        case Kind::folder:
            return ::mkdir(native(target).constData(), 0755) == 0 && ::chmod(native(target).constData(), 0755) == 0;
        case Kind::file:
            return item.path == manifest || copyFile(source, target, item.mode);
        case Kind::link: {
            const QString linked = linkTarget(source);
            return !linked.isEmpty() && ::symlink(native(linked).constData(), native(target).constData()) == 0;
        }
        case Kind::other:
            break;
        }
        return true;
    });
}

} // namespace FolderTree
