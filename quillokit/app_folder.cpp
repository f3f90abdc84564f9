#include "quillokit/app_folder.h"

#include "quillokit/folder_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace {

constexpr qint64 largestManifest = 256 * 1024;

} // namespace

namespace AppFolder {

QString executable(const QString& folder)
{
    return folder + QLatin1String("/bin/mountwire");
}

QString versionFile(const QString& folder)
{
    return folder + QLatin1String("/version");
}

QString manifestFile(const QString& folder)
{
    return folder + QLatin1String("/manifest");
}

QString resolved(const QString& path)
{
    if (path.isEmpty())
        return {};
    char buffer[PATH_MAX];
    return ::realpath(QFile::encodeName(path).constData(), buffer) ? QFile::decodeName(buffer) : QString();
}

QString ofProgram(const QString& programFolder)
{
    const QString real = resolved(programFolder);
    if (QFileInfo(real).fileName() != QLatin1String("bin"))
        return {};
    return resolved(real + QLatin1String("/.."));
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    std::optional<QByteArray> contents;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        QByteArray bytes(qsizetype(std::min<qint64>(status.st_size, limit)), '\0');
        qsizetype filled = 0;
        while (filled < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
            if (got <= 0)
                break;
            filled += got;
        }
        bytes.truncate(filled);
        contents = bytes;
    }
    ::close(fd);
    return contents;
}

std::optional<QString> version(const QString& folder)
{
    const auto bytes = readRegularFile(versionFile(folder), 256);
    if (!bytes)
        return std::nullopt;
    const QString line = QString::fromUtf8(bytes->left(bytes->indexOf('\n'))).trimmed();
    return line.isEmpty() ? std::nullopt : std::optional(line);
}

std::optional<QSet<QString>> manifest(const QString& folder)
{
    const auto bytes = readRegularFile(manifestFile(folder), largestManifest);
    if (!bytes)
        return std::nullopt;
    QSet<QString> paths{QStringLiteral("manifest")};
    for (const QByteArray& line : bytes->split('\n')) {
        const QString path = QDir::cleanPath(QString::fromUtf8(line.trimmed()));
        if (!path.isEmpty() && path != QLatin1String("."))
            paths.insert(path);
    }
    return paths;
}

bool isOwn(const QString& folder)
{
    const auto listed = manifest(folder);
    if (!listed)
        return false;
    bool own = true;
    FolderTree::walk(folder, [&](const FolderTree::Item& item) {
        own = item.kind != FolderTree::Kind::other && listed->contains(item.path);
        return own;
    });
    return own;
}

bool holdsProgram(const QString& folder)
{
    const QFileInfo program(executable(folder));
    return program.exists() || program.isSymLink();
}

bool programRuns(const QString& folder)
{
    const QFileInfo program(executable(folder));
    return program.isFile() && program.isExecutable();
}

} // namespace AppFolder
