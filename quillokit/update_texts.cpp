#include "quillokit/update_texts.h"

#include <cmath>

namespace {

QString versionOf(const UpdatePhase& phase)
{
    return phase.feed ? phase.feed->version : QString();
}

QString percent(double fraction)
{
    return QString::number(int(std::floor(fraction * 100.0))) + QLatin1Char('%');
}

} // namespace

namespace UpdateTexts {

QString statusLine(const UpdatePhase& phase, const QString& appName)
{
    using Kind = UpdatePhase::Kind;
    switch (phase.kind) {
    case Kind::available:
        return QStringLiteral("%1 %2 is available.").arg(appName, versionOf(phase));
    case Kind::downloading:
        return QStringLiteral("Downloading %1 %2… %3").arg(appName, versionOf(phase), percent(phase.fraction));
    case Kind::ready:
        return QStringLiteral("%1 %2 is ready and installs when you quit.").arg(appName, versionOf(phase));
    case Kind::failed:
        return phase.message;
    case Kind::idle:
        return QString();
    case Kind::checking:
        return QStringLiteral("Checking for updates…");
    case Kind::upToDate:
        return QStringLiteral("You’re up to date.");
    }
    return QString();
}

QString heading(const UpdatePhase& phase, const QString& appName)
{
    using Kind = UpdatePhase::Kind;
    switch (phase.kind) {
    case Kind::available:
        return QStringLiteral("%1 %2 is available").arg(appName, versionOf(phase));
    case Kind::downloading:
        return QStringLiteral("Downloading");
    case Kind::ready:
        return QStringLiteral("%1 %2 is ready").arg(appName, versionOf(phase));
    case Kind::failed:
        return QStringLiteral("Software Update");
    case Kind::idle:
    case Kind::checking:
        return QStringLiteral("Checking for updates…");
    case Kind::upToDate:
        return QStringLiteral("You’re up to date");
    }
    return QString();
}

} // namespace UpdateTexts
