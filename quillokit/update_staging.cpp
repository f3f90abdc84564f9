#include "quillokit/update_staging.h"

#include "quillokit/app_folder.h"
#include "quillokit/folder_tree.h"
#include "quillokit/update_archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// A folder of ours, 0700 whatever the umask; one that is there already must be a real folder.
bool makePrivateFolder(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) == 0)
        return S_ISDIR(status.st_mode) && ::chmod(name.constData(), 0700) == 0;
    return ::mkdir(name.constData(), 0700) == 0 && ::chmod(name.constData(), 0700) == 0;
}

} // namespace

namespace UpdateStaging {

QString workFolder(const QString& cachesFolder, const QString& identifier)
{
    const QString name = identifier.isEmpty() ? QStringLiteral("app.quillo") : identifier;
    return cachesFolder + QLatin1Char('/') + name + QLatin1String("/QuilloUpdate");
}

QString archiveFile(const QString& workFolder)
{
    return workFolder + QLatin1String("/update.zip");
}

bool prepare(const QString& workFolder)
{
    const QString above = QFileInfo(workFolder).absolutePath();
    return QDir().mkpath(QFileInfo(above).absolutePath()) && makePrivateFolder(above)
        && FolderTree::remove(workFolder) && makePrivateFolder(workFolder);
}

std::variant<QString, UpdateError> stage(const QByteArray& zip, const QString& version, const QString& workFolder)
{
    const QString prefix = QStringLiteral("The update couldn’t be downloaded. ");
    // The version comes from the feed; it names one folder and nothing above it.
    const QString folderName = QString(version).replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString versionFolder = workFolder + QLatin1Char('/')
                                + (folderName.startsWith(QLatin1Char('.')) ? QLatin1Char('_') + folderName : folderName);
    // An archive that claims too much is refused in so many words before anything is written.
    if (const auto problem = UpdateArchive::exceeds(zip))
        return UpdateError{*problem};
    FolderTree::remove(versionFolder);
    if (!makePrivateFolder(versionFolder))
        return UpdateError{prefix + QStringLiteral("The folder “%1” couldn’t be made.").arg(versionFolder)};

    if (const auto problem = UpdateArchive::unpack(zip, versionFolder)) {
        FolderTree::remove(versionFolder);
        return UpdateError{prefix + *problem};
    }

    const QStringList tops = QDir(versionFolder).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden, QDir::Name);
    for (const QString& top : tops) {
        const QString candidate = versionFolder + QLatin1Char('/') + top;
        if (AppFolder::holdsProgram(candidate))
            return candidate;
    }
    FolderTree::remove(versionFolder);
    return UpdateError{QStringLiteral("The update didn’t contain an app.")};
}

std::optional<UpdateError> validate(const QString& staged, const QString& expectedVersion)
{
    if (AppFolder::version(staged) != expectedVersion || !AppFolder::isOwn(staged))
        return UpdateError{QStringLiteral("The downloaded update didn’t match this app.")};
    if (!AppFolder::programRuns(staged))
        return UpdateError{QStringLiteral("The downloaded app’s code signature is damaged.")};
    return std::nullopt;
}

} // namespace UpdateStaging
