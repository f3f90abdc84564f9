#pragma once

#include <QString>

#include <optional>

// The settings the kit keeps: "QuilloAutoUpdate" and one "QuilloAnnounced-<version>" flag per version.
class QuilloDefaults {
public:
    virtual ~QuilloDefaults() = default;

    // Nothing when the key is absent or does not hold a flag.
    virtual std::optional<bool> flag(const QString& key) const = 0;
    virtual void setFlag(const QString& key, bool value) = 0;
};

// The flags in an INI file as the text "true" or "false", read afresh at each use; the application's own
// settings file can be shared this way.
class IniQuilloDefaults final : public QuilloDefaults {
public:
    explicit IniQuilloDefaults(QString file) : file_(std::move(file)) {}

    std::optional<bool> flag(const QString& key) const override;
    void setFlag(const QString& key, bool value) override;

private:
    QString file_;
};
