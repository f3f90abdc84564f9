#include "link/line_continuity.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<LineContinuity, const char*>, 4> continuityNames{{
    {LineContinuity::solid, "solid"},
    {LineContinuity::dashed, "dashed"},
    {LineContinuity::broken, "broken"},
    {LineContinuity::dotted, "dotted"},
}};

} // namespace

LineContinuity lineContinuity(LinkMachine::Phase phase)
{
    using Phase = LinkMachine::Phase;
    switch (phase) {
    case Phase::idle:
        return LineContinuity::dotted;
    case Phase::mounting:
    case Phase::waiting:
        return LineContinuity::dashed;
    case Phase::connected:
        return LineContinuity::solid;
    case Phase::stale:
    case Phase::serverDown:
    case Phase::failed:
        return LineContinuity::broken;
    }
    return LineContinuity::dotted;
}

QString toRaw(LineContinuity continuity)
{
    for (const auto& [value, name] : continuityNames) {
        if (value == continuity)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<LineContinuity> lineContinuityFromRaw(const QString& raw)
{
    for (const auto& [value, name] : continuityNames) {
        if (raw == QLatin1String(name))
            return value;
    }
    return std::nullopt;
}
