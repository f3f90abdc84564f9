#include "quillokit/app_install.h"

#include "quillokit/app_folder.h"
#include "quillokit/folder_tree.h"

#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AppInstall {

QString besidePath(const QString& installed)
{
    return installed + QLatin1String(".quillo-new");
}

bool prepare(const QString& staged, const QString& installed, const QByteArray& digest)
{
    const QString beside = besidePath(installed);
    cleanUp(installed);
    struct stat status {};
    // Whatever still stands there is not ours to replace.
    if (::lstat(QFile::encodeName(beside).constData(), &status) == 0)
        return false;
    if (!FolderTree::copy(staged, beside) || FolderTree::digest(beside) != digest || !AppFolder::isOwn(beside)
        || ::chmod(QFile::encodeName(beside).constData(), 0755) != 0) {
        // Made just now by the copy, so it is ours whatever it holds.
        FolderTree::remove(beside);
        return false;
    }
    return true;
}

bool exchange(const QString& installed)
{
    return ::renameat2(AT_FDCWD, QFile::encodeName(besidePath(installed)).constData(), AT_FDCWD,
                       QFile::encodeName(installed).constData(), RENAME_EXCHANGE)
        == 0;
}

void cleanUp(const QString& installed)
{
    const QString beside = besidePath(installed);
    struct stat status {};
    if (::lstat(QFile::encodeName(beside).constData(), &status) != 0 || !S_ISDIR(status.st_mode)
        || status.st_uid != ::geteuid())
        return;
    // A copy cut short right after its folder was made holds nothing; any other one has its manifest first.
    bool empty = true;
    FolderTree::walk(beside, [&](const FolderTree::Item&) { return empty = false; });
    if (empty || AppFolder::isOwn(beside))
        FolderTree::remove(beside);
}

bool install(const QString& staged, const QString& installed, const QByteArray& digest)
{
    if (installed != AppFolder::resolved(installed) || !AppFolder::isOwn(installed)
        || !prepare(staged, installed, digest))
        return false;
    if (!exchange(installed)) {
        cleanUp(installed);
        return false;
    }
    cleanUp(installed);
    return true;
}

bool relaunchAfter(qint64 processId, const QString& installed)
{
    // A new instance started while this one still runs would hand itself over to it and end.
    const QString script = QStringLiteral(R"sh(i=0
while kill -0 "$1" 2>/dev/null && [ "$i" -lt 600 ]; do
    sleep 0.1
    i=$((i + 1))
done
exec "$2" </dev/null >/dev/null 2>&1
)sh");
    return QProcess::startDetached(QStringLiteral("/bin/sh"),
                                   {QStringLiteral("-c"), script, QStringLiteral("quillo-relaunch"),
                                    QString::number(processId), AppFolder::executable(installed)});
}

} // namespace AppInstall
