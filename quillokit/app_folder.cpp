#include "quillokit/app_folder.h"

#include <QFile>
#include <QFileInfo>

namespace AppFolder {

QString executable(const QString& folder)
{
    return folder + QLatin1String("/bin/mountwire");
}

QString versionFile(const QString& folder)
{
    return folder + QLatin1String("/share/mountwire/version");
}

std::optional<QString> version(const QString& folder)
{
    QFile file(versionFile(folder));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString line = QString::fromUtf8(file.readLine(256)).trimmed();
    return line.isEmpty() ? std::nullopt : std::optional(line);
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
