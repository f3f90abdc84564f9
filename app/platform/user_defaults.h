#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <memory>
#include <optional>

// The application's settings store: one text value per key. The typed readers give nothing for a key that
// is absent or whose text is not a value of that type, so callers fall back to their default.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    std::optional<bool> boolValue(const QString& key) const;
    std::optional<int> intValue(const QString& key) const;
    std::optional<double> doubleValue(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;
    std::optional<QStringList> stringListValue(const QString& key) const;
    std::optional<QList<QUuid>> uuidListValue(const QString& key) const;

    void setBool(const QString& key, bool value);
    void setInt(const QString& key, int value);
    void setDouble(const QString& key, double value);
    void setString(const QString& key, const QString& value);
    void setStringList(const QString& key, const QStringList& value);
    void setUuidList(const QString& key, const QList<QUuid>& value);

    bool contains(const QString& key) const { return text(key).has_value(); }
    virtual void remove(const QString& key) = 0;

    // The stored text of a key, exactly as the typed setters wrote it.
    virtual std::optional<QString> text(const QString& key) const = 0;
    virtual void setText(const QString& key, const QString& value) = 0;
};

// The store as an INI file. Its values are kept in memory and read again when the file changed, which is
// looked at once per turn of the event loop, so a change by another process is seen at the next use.
class QSettingsUserDefaults final : public UserDefaults {
public:
    // The default file is UserFolders::defaultsFile(), resolved at each use.
    QSettingsUserDefaults() = default;
    explicit QSettingsUserDefaults(QString file) : file_(std::move(file)) {}
    ~QSettingsUserDefaults() override;

    void remove(const QString& key) override;
    std::optional<QString> text(const QString& key) const override;
    void setText(const QString& key, const QString& value) override;

private:
    struct Stamp {
        qint64 mtimeNs = -1;
        qint64 ctimeNs = -1;
        qint64 size = -1;
        quint64 inode = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };

    QString path() const;
    const QHash<QString, QString>& values() const;
    static Stamp stampOf(const QString& path);

    QString file_;
    mutable QString readPath_;
    mutable Stamp readStamp_;
    mutable QHash<QString, QString> values_;
    // Set once the file was looked at in this turn of the event loop.
    mutable bool looked_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
