#include "quillokit/update_staging.h"

#include "quillokit/app_folder.h"
#include "quillokit/update_archive.h"

#include <QDir>

namespace UpdateStaging {

QString workFolder(const QString& cachesFolder, const QString& identifier)
{
    const QString name = identifier.isEmpty() ? QStringLiteral("app.quillo") : identifier;
    return cachesFolder + QLatin1Char('/') + name + QLatin1String("/QuilloUpdate");
}

std::variant<QString, UpdateError> stage(const QByteArray& zip, const QString& version, const QString& workFolder)
{
    const QString prefix = QStringLiteral("The update couldn’t be downloaded. ");
    QDir(workFolder).removeRecursively();
    // The version comes from the feed; it names one folder and nothing above it.
    const QString folderName = QString(version).replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString versionFolder = workFolder + QLatin1Char('/')
                                + (folderName.startsWith(QLatin1Char('.')) ? QLatin1Char('_') + folderName : folderName);
    if (!QDir().mkpath(versionFolder))
        return UpdateError{prefix + QStringLiteral("The folder “%1” couldn’t be made.").arg(versionFolder)};

    if (const auto problem = UpdateArchive::unpack(zip, versionFolder)) {
        QDir(versionFolder).removeRecursively();
        return UpdateError{prefix + *problem};
    }

    QStringList tops = QDir(versionFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden,
                                                     QDir::Name);
    for (const QString& top : tops) {
        const QString candidate = versionFolder + QLatin1Char('/') + top;
        if (AppFolder::holdsProgram(candidate))
            return candidate;
    }
    QDir(versionFolder).removeRecursively();
    return UpdateError{QStringLiteral("The update didn’t contain an app.")};
}

std::optional<UpdateError> validate(const QString& staged, const QString& expectedVersion)
{
    if (AppFolder::version(staged) != expectedVersion)
        return UpdateError{QStringLiteral("The downloaded update didn’t match this app.")};
    if (!AppFolder::programRuns(staged))
        return UpdateError{QStringLiteral("The downloaded app’s code signature is damaged.")};
    return std::nullopt;
}

} // namespace UpdateStaging
