#include "quillokit/quillo_defaults.h"

#include <QSettings>

std::optional<bool> IniQuilloDefaults::flag(const QString& key) const
{
    const QSettings settings(file_, QSettings::IniFormat);
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    if (value.toString() == QLatin1String("true"))
        return true;
    if (value.toString() == QLatin1String("false"))
        return false;
    return std::nullopt;
}

void IniQuilloDefaults::setFlag(const QString& key, bool value)
{
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}
