#include "platform/user_folders.h"

#include <QDir>

namespace {

// A relative value is invalid under the XDG rules and is ignored like an unset one.
QString xdgHome(const char* variable, const char* fallbackUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackUnderHome);
}

QString created(const QString& path)
{
    QDir().mkpath(path);
    return path;
}

} // namespace

namespace UserFolders {

QString configHome()
{
    return xdgHome("XDG_CONFIG_HOME", ".config");
}

QString defaultsFile()
{
    return configHome() + QStringLiteral("/Mountwire/Mountwire.conf");
}

QString applicationSupport()
{
    return created(xdgHome("XDG_DATA_HOME", ".local/share") + QStringLiteral("/Mountwire"));
}

QString caches()
{
    return created(xdgHome("XDG_CACHE_HOME", ".cache") + QStringLiteral("/Mountwire"));
}

} // namespace UserFolders
