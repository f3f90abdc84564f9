#include "quillokit/update_archive.h"

#include "quillokit/folder_tree.h"
#include "quillokit/update_bounds.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace {

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;
using EntryPtr = std::unique_ptr<archive_entry, void (*)(archive_entry*)>;

QString outside(const QString& name)
{
    return QStringLiteral("The archive holds “%1”, which points outside its folder.").arg(name);
}

// The path's pieces without "." and empty ones; nothing if it is absolute or climbs with "..".
std::optional<QStringList> safePieces(const QString& path)
{
    if (path.startsWith(QLatin1Char('/')))
        return std::nullopt;
    QStringList pieces;
    for (const QString& piece : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (piece == QLatin1String(".."))
            return std::nullopt;
        if (piece != QLatin1String("."))
            pieces.append(piece);
    }
    return pieces;
}

// Whether a relative link target, read from the link's own folder, stays inside the top folder.
bool targetStaysInside(const QStringList& linkFolder, const QString& target)
{
    if (target.isEmpty() || target.startsWith(QLatin1Char('/')))
        return false;
    qsizetype depth = linkFolder.size();
    for (const QString& piece : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (piece == QLatin1String(".."))
            --depth;
        else if (piece != QLatin1String("."))
            ++depth;
        if (depth < 0)
            return false;
    }
    return true;
}

// Makes the folders above an entry; each must be a real folder, so nothing is ever written through a link.
bool makeParents(const QString& destination, const QStringList& pieces)
{
    QString path = destination;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        path += QLatin1Char('/') + pieces[i];
        struct stat status {};
        if (::lstat(QFile::encodeName(path).constData(), &status) == 0) {
            if (!S_ISDIR(status.st_mode))
                return false;
        } else if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0) {
            return false;
        }
    }
    return true;
}

// Clears the place of a file or link so that writing it never follows what stood there.
bool clearPlace(const QString& path)
{
    struct stat status {};
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &status) != 0)
        return true;
    return !S_ISDIR(status.st_mode) && ::unlink(native.constData()) == 0;
}

enum class Written { done, unreadable, unwritable, tooLarge };

// Writes one member, counting its bytes against what is left of the unpacked size.
Written writeContents(archive* reader, const QString& path, int mode, qint64& budget)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0600);
    if (fd < 0)
        return Written::unwritable;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    int status = ARCHIVE_OK;
    Written written = Written::done;
    while (written == Written::done
           && (status = archive_read_data_block(reader, &block, &size, &offset)) == ARCHIVE_OK) {
        budget -= qint64(size);
        if (budget < 0)
            written = Written::tooLarge;
        else if (::pwrite(fd, block, size, offset) != ssize_t(size))
            written = Written::unwritable;
    }
    if (written == Written::done && status != ARCHIVE_EOF)
        written = Written::unreadable;
    // Whatever the archive says, nothing is installed world-writable or setuid.
    if (written == Written::done && ::fchmod(fd, mode_t(FolderTree::fileMode(mode))) != 0)
        written = Written::unwritable;
    ::close(fd);
    return written;
}

// Links may be chained; only resolving them all shows where each one really leads.
std::optional<QString> linksStayInside(const QString& destination)
{
    const QString root = QFileInfo(destination).canonicalFilePath();
    QDirIterator it(destination, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (!info.isSymLink())
            continue;
        const QString real = info.canonicalFilePath();
        if (real.isEmpty() || (real != root && !real.startsWith(root + QLatin1Char('/'))))
            return outside(QDir(destination).relativeFilePath(info.filePath()));
    }
    return std::nullopt;
}

ArchivePtr openZip(const QByteArray& zip)
{
    ArchivePtr reader(archive_read_new(), archive_read_free);
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_memory(reader.get(), zip.constData(), size_t(zip.size())) != ARCHIVE_OK)
        return ArchivePtr(nullptr, archive_read_free);
    return reader;
}

la_ssize_t appendToArray(archive*, void* array, const void* data, size_t size)
{
    static_cast<QByteArray*>(array)->append(static_cast<const char*>(data), qsizetype(size));
    return la_ssize_t(size);
}

} // namespace

namespace UpdateArchive {

std::optional<QByteArray> pack(const std::vector<Entry>& entries)
{
    QByteArray zip;
    ArchivePtr writer(archive_write_new(), archive_write_free);
    // Without this the archive is padded with zeros to a whole tape block.
    archive_write_set_bytes_in_last_block(writer.get(), 1);
    if (archive_write_set_format_zip(writer.get()) != ARCHIVE_OK
        || archive_write_open(writer.get(), &zip, nullptr, appendToArray, nullptr) != ARCHIVE_OK)
        return std::nullopt;
    for (const Entry& entry : entries) {
        EntryPtr header(archive_entry_new(), archive_entry_free);
        const QByteArray path = entry.path.toUtf8();
        archive_entry_set_pathname_utf8(header.get(), path.constData());
        const auto type = entry.kind == Entry::Kind::folder ? AE_IFDIR
                        : entry.kind == Entry::Kind::link   ? AE_IFLNK
                                                            : AE_IFREG;
        archive_entry_set_filetype(header.get(), type);
        archive_entry_set_perm(header.get(), mode_t(entry.mode & 07777));
        const QByteArray target = entry.linkTarget.toUtf8();
        if (entry.kind == Entry::Kind::link)
            archive_entry_set_symlink_utf8(header.get(), target.constData());
        if (entry.kind == Entry::Kind::file)
            archive_entry_set_size(header.get(), entry.contents.size());
        if (archive_write_header(writer.get(), header.get()) != ARCHIVE_OK)
            return std::nullopt;
        if (entry.kind == Entry::Kind::file && !entry.contents.isEmpty()
            && archive_write_data(writer.get(), entry.contents.constData(), size_t(entry.contents.size()))
                   != la_ssize_t(entry.contents.size()))
            return std::nullopt;
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return std::nullopt;
    return zip;
}

std::optional<QByteArray> packFolder(const QString& folder)
{
    const QDir top(QFileInfo(folder).absoluteFilePath());
    const QString name = QFileInfo(QDir::cleanPath(top.absolutePath())).fileName();
    if (!top.exists() || name.isEmpty())
        return std::nullopt;
    std::vector<Entry> entries{{name, Entry::Kind::folder, 0755, {}, {}}};
    QStringList paths;
    QDirIterator it(top.absolutePath(), QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    std::sort(paths.begin(), paths.end());
    for (const QString& path : paths) {
        Entry entry;
        entry.path = name + QLatin1Char('/') + top.relativeFilePath(path);
        struct stat status {};
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
            return std::nullopt;
        entry.mode = int(status.st_mode & 0777);
        if (S_ISLNK(status.st_mode)) {
            entry.kind = Entry::Kind::link;
            char target[4096];
            const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
            if (length < 0)
                return std::nullopt;
            entry.linkTarget = QFile::decodeName(QByteArray(target, qsizetype(length)));
        } else if (S_ISDIR(status.st_mode)) {
            entry.kind = Entry::Kind::folder;
        } else if (S_ISREG(status.st_mode)) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return std::nullopt;
            entry.contents = file.readAll();
        } else {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return pack(entries);
}

std::optional<QString> exceeds(const QByteArray& zip, Limits limits)
{
    ArchivePtr reader = openZip(zip);
    if (!reader)
        return std::nullopt;
    qint64 entries = 0;
    qint64 bytes = 0;
    archive_entry* header = nullptr;
    while (archive_read_next_header(reader.get(), &header) == ARCHIVE_OK) {
        if (++entries > limits.entries)
            return UpdateBounds::tooManyEntries();
        if (archive_entry_size_is_set(header))
            bytes += std::max<qint64>(archive_entry_size(header), 0);
        if (bytes > limits.bytes)
            return UpdateBounds::unpackedTooLarge();
    }
    return std::nullopt;
}

std::optional<QString> unpack(const QByteArray& zip, const QString& destination, Limits limits)
{
    const QString unreadable = QStringLiteral("The archive couldn’t be read.");
    // The headers are counted first, so an archive that claims too much is refused before anything is
    // written; what is written is counted too, as the claims may be false.
    if (const auto problem = exceeds(zip, limits))
        return problem;
    ArchivePtr reader = openZip(zip);
    if (!reader)
        return unreadable;

    qint64 budget = limits.bytes;
    archive_entry* header = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &header)) == ARCHIVE_OK) {
        const char* utf8 = archive_entry_pathname_utf8(header);
        const QString name = utf8 ? QString::fromUtf8(utf8) : QFile::decodeName(archive_entry_pathname(header));
        const auto pieces = safePieces(name);
        if (!pieces)
            return outside(name);
        if (pieces->isEmpty())
            continue;
        if (!makeParents(destination, *pieces))
            return outside(name);
        const QString path = destination + QLatin1Char('/') + pieces->join(QLatin1Char('/'));
        const QStringList linkFolder = pieces->mid(0, pieces->size() - 1);

        if (const char* hardlink = archive_entry_hardlink(header)) {
            const auto target = safePieces(QFile::decodeName(hardlink));
            if (!target || target->isEmpty())
                return outside(name);
            const QString targetPath = destination + QLatin1Char('/') + target->join(QLatin1Char('/'));
            struct stat targetStatus {};
            if (::lstat(QFile::encodeName(targetPath).constData(), &targetStatus) != 0 || !S_ISREG(targetStatus.st_mode)
                || !clearPlace(path)
                || ::link(QFile::encodeName(targetPath).constData(), QFile::encodeName(path).constData()) != 0)
                return outside(name);
            continue;
        }

        switch (archive_entry_filetype(header)) {
        case AE_IFDIR: {
            struct stat existing {};
            if (::lstat(QFile::encodeName(path).constData(), &existing) == 0) {
                if (!S_ISDIR(existing.st_mode))
                    return outside(name);
            } else if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0) {
                return QStringLiteral("“%1” couldn’t be written.").arg(name);
            }
            break;
        }
        case AE_IFREG: {
            const Written written = clearPlace(path)
                                      ? writeContents(reader.get(), path, int(archive_entry_perm(header)), budget)
                                      : Written::unwritable;
            if (written == Written::unreadable)
                return unreadable;
            if (written == Written::tooLarge)
                return UpdateBounds::unpackedTooLarge();
            if (written == Written::unwritable)
                return QStringLiteral("“%1” couldn’t be written.").arg(name);
            break;
        }
        case AE_IFLNK: {
            const char* targetUtf8 = archive_entry_symlink_utf8(header);
            const QString target = targetUtf8 ? QString::fromUtf8(targetUtf8)
                                              : QFile::decodeName(archive_entry_symlink(header));
            if (!targetStaysInside(linkFolder, target) || !clearPlace(path)
                || ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0)
                return outside(name);
            break;
        }
        default:
            return QStringLiteral("The archive holds “%1”, which isn’t a file, folder or link.").arg(name);
        }
    }
    if (status != ARCHIVE_EOF)
        return unreadable;
    return linksStayInside(destination);
}

} // namespace UpdateArchive
