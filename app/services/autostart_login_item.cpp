#include "services/autostart_login_item.h"

#include "platform/user_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The Exec key's quoting: the path in double quotes with ", `, $ and \ escaped, then the key file's own
// escaping of \, and % doubled so it is not taken for a field code.
QString execArgument(const QString& path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    quoted.replace(QLatin1String("%"), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The value of key in the [Desktop Entry] group, if the line is there.
std::optional<QString> entryValue(const QString& text, const QString& key)
{
    bool inEntry = false;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inEntry && equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

} // namespace

AutostartLoginItem::AutostartLoginItem(QString executable) : executable_(std::move(executable)) {}

QString AutostartLoginItem::entryPath()
{
    return UserFolders::configHome() + QStringLiteral("/autostart/mountwire.desktop");
}

QString AutostartLoginItem::entryText(const QString& executable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Mountwire\n"
                          "Comment=Keeps network shares connected\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(executable));
}

std::optional<QString> AutostartLoginItem::set(bool on)
{
    const QString path = entryPath();
    if (!on) {
        if (!QFile::exists(path))
            return std::nullopt;
        QFile file(path);
        if (file.remove())
            return std::nullopt;
        return QStringLiteral("Couldn’t remove the login item: %1.").arg(file.errorString());
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Couldn’t create the folder “%1”.").arg(folder);
    QString executable = executable_;
    if (executable.isEmpty() && QCoreApplication::instance())
        executable = QCoreApplication::applicationFilePath();
    if (executable.isEmpty())
        return QStringLiteral("Couldn’t find the application’s program file.");
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(entryText(QFileInfo(executable).absoluteFilePath()).toUtf8());
        if (file.commit())
            return std::nullopt;
    }
    return QStringLiteral("Couldn’t save the login item: %1.").arg(file.errorString());
}

bool AutostartLoginItem::isEnabled() const
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(file.readAll());
    return entryValue(text, QStringLiteral("Hidden")) != QLatin1String("true")
        && entryValue(text, QStringLiteral("X-GNOME-Autostart-enabled")) != QLatin1String("false");
}
