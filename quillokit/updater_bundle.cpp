#include "quillokit/updater_bundle.h"

#include "quillokit/app_folder.h"
#include "quillokit/build_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

UpdaterBundle UpdaterBundle::fromBuild()
{
    UpdaterBundle bundle;
    if (QCoreApplication::instance())
        bundle.installFolder = AppFolder::ofProgram(QCoreApplication::applicationDirPath());
    bundle.feedURL = feedAddress(QString::fromUtf8(QuilloBuildSettings::feedURL));
    const QString key = QString::fromUtf8(QuilloBuildSettings::publicKey).trimmed();
    if (!key.isEmpty())
        bundle.publicKey = key;
    const QString version = QString::fromUtf8(QuilloBuildSettings::version).trimmed();
    if (!version.isEmpty())
        bundle.currentVersion = version;
    bundle.appName = QStringLiteral("Mountwire");
    bundle.identifier = QStringLiteral("app.mountwire");
    bundle.cachesFolder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (bundle.cachesFolder.isEmpty())
        bundle.cachesFolder = QDir::homePath() + QLatin1String("/.cache");
    bundle.homeFolder = QDir::homePath();
    bundle.system = SystemVersion::current();
    return bundle;
}

std::optional<QUrl> UpdaterBundle::feedAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (text.trimmed().isEmpty() || !url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return std::nullopt;
    return url;
}
