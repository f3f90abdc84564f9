#include "platform/user_defaults.h"

#include "platform/user_folders.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>

#include <cmath>

#include <sys/stat.h>

namespace {

// Lists are kept as a JSON array of strings: the INI format's own lists cannot tell a one-element list from
// a plain string, nor an empty list from an empty string.
std::optional<QStringList> parseList(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& item : document.array()) {
        if (!item.isString())
            return std::nullopt;
        list.append(item.toString());
    }
    return list;
}

QString listText(const QStringList& list)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact));
}

} // namespace

std::optional<bool> UserDefaults::boolValue(const QString& key) const
{
    const auto stored = text(key);
    if (stored == QLatin1String("true"))
        return true;
    if (stored == QLatin1String("false"))
        return false;
    return std::nullopt;
}

std::optional<int> UserDefaults::intValue(const QString& key) const
{
    const auto stored = text(key);
    if (!stored)
        return std::nullopt;
    bool ok = false;
    const int value = stored->toInt(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<double> UserDefaults::doubleValue(const QString& key) const
{
    const auto stored = text(key);
    if (!stored)
        return std::nullopt;
    bool ok = false;
    const double value = stored->toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::optional<QString> UserDefaults::stringValue(const QString& key) const
{
    return text(key);
}

std::optional<QStringList> UserDefaults::stringListValue(const QString& key) const
{
    const auto stored = text(key);
    return stored ? parseList(*stored) : std::nullopt;
}

std::optional<QList<QUuid>> UserDefaults::uuidListValue(const QString& key) const
{
    const auto list = stringListValue(key);
    if (!list)
        return std::nullopt;
    QList<QUuid> ids;
    for (const QString& item : *list) {
        const QUuid id = QUuid::fromString(item);
        if (item.size() != 36 || id.isNull())
            return std::nullopt;
        ids.append(id);
    }
    return ids;
}

void UserDefaults::setBool(const QString& key, bool value)
{
    setText(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void UserDefaults::setInt(const QString& key, int value)
{
    setText(key, QString::number(value));
}

void UserDefaults::setDouble(const QString& key, double value)
{
    setText(key, QString::number(value, 'g', 17));
}

void UserDefaults::setString(const QString& key, const QString& value)
{
    setText(key, value);
}

void UserDefaults::setStringList(const QString& key, const QStringList& value)
{
    setText(key, listText(value));
}

void UserDefaults::setUuidList(const QString& key, const QList<QUuid>& value)
{
    QStringList list;
    for (const QUuid& id : value)
        list.append(id.toString(QUuid::WithoutBraces));
    setText(key, listText(list));
}

QSettingsUserDefaults::~QSettingsUserDefaults()
{
    *alive_ = false;
}

QString QSettingsUserDefaults::path() const
{
    return file_.isEmpty() ? UserFolders::defaultsFile() : file_;
}

QSettingsUserDefaults::Stamp QSettingsUserDefaults::stampOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
        qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec, qint64(info.st_size), quint64(info.st_ino)};
}

const QHash<QString, QString>& QSettingsUserDefaults::values() const
{
    // The folder is resolved at each use; only the file's stamp waits for the next turn.
    const QString where = path();
    if (looked_ && where == readPath_)
        return values_;
    const Stamp stamp = stampOf(where);
    if (where != readPath_ || !(stamp == readStamp_)) {
        values_.clear();
        const QSettings settings(where, QSettings::IniFormat);
        for (const QString& key : settings.allKeys()) {
            const QVariant value = settings.value(key);
            // A hand-edited value with unquoted commas comes back split; its text is what the user wrote.
            if (value.typeId() == QMetaType::QStringList)
                values_.insert(key, value.toStringList().join(QStringLiteral(", ")));
            else if (value.typeId() == QMetaType::QString)
                values_.insert(key, value.toString());
        }
        readPath_ = where;
        readStamp_ = stamp;
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        looked_ = true;
        QMetaObject::invokeMethod(
            app,
            [this, alive = std::weak_ptr<bool>(alive_)] {
                if (const auto token = alive.lock(); token && *token)
                    looked_ = false;
            },
            Qt::QueuedConnection);
    }
    return values_;
}

std::optional<QString> QSettingsUserDefaults::text(const QString& key) const
{
    const QHash<QString, QString>& all = values();
    const auto found = all.find(key);
    return found == all.end() ? std::nullopt : std::optional(*found);
}

void QSettingsUserDefaults::setText(const QString& key, const QString& value)
{
    {
        QSettings settings(path(), QSettings::IniFormat);
        settings.setValue(key, value);
        settings.sync();
    }
    looked_ = false;
}

void QSettingsUserDefaults::remove(const QString& key)
{
    {
        QSettings settings(path(), QSettings::IniFormat);
        settings.remove(key);
        settings.sync();
    }
    looked_ = false;
}
