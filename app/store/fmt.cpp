#include "store/fmt.h"

#include <cmath>

namespace Fmt {

QString ms(std::optional<double> value)
{
    if (!value)
        return QStringLiteral("—");
    if (*value < 10)
        return QString::asprintf("%.1f ms", *value);
    return QString::asprintf("%.0f ms", *value);
}

QString relative(const QDateTime& date, const QDateTime& now)
{
    const qint64 seconds = date.secsTo(now);
    const qint64 distance = std::abs(seconds);
    if (seconds >= 0 && seconds < 60)
        return QStringLiteral("just now");
    struct Unit {
        qint64 seconds;
        const char* one;
        const char* many;
    };
    static constexpr Unit units[] {{365 * 86400, "yr.", "yr."}, {30 * 86400, "mo.", "mo."},
        {7 * 86400, "wk.", "wk."}, {86400, "day", "days"}, {3600, "hr.", "hr."}, {60, "min.", "min."},
        {1, "sec.", "sec."}};
    for (const Unit& unit : units) {
        if (distance < unit.seconds && unit.seconds != 1)
            continue;
        const qint64 count = distance / unit.seconds;
        const QString amount = QStringLiteral("%1 %2").arg(count).arg(
            QString::fromLatin1(count == 1 ? unit.one : unit.many));
        return seconds >= 0 ? amount + QStringLiteral(" ago") : QStringLiteral("in ") + amount;
    }
    return QStringLiteral("just now");
}

QString countdown(const std::optional<QDateTime>& date, const QDateTime& now)
{
    if (!date)
        return QStringLiteral("soon");
    const qint64 seconds = std::max<qint64>(0, qint64(std::floor(now.msecsTo(*date) / 1000.0)));
    if (seconds > 59)
        return QStringLiteral("in %1m").arg(seconds / 60);
    return QStringLiteral("in %1s").arg(seconds);
}

QString clock(const QDateTime& date)
{
    return date.toLocalTime().toString(QStringLiteral("HH:mm"));
}

QString clockSeconds(const QDateTime& date)
{
    return date.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

QString span(double seconds)
{
    if (seconds < 120)
        return QStringLiteral("%1 s").arg(qint64(std::floor(seconds)));
    return QStringLiteral("%1 min").arg(qint64(std::llround(seconds / 60)));
}

} // namespace Fmt
