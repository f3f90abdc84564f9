#include "log/log_retention.h"

#include <algorithm>

LogRetention::LogRetention(std::int64_t maxEntries, std::optional<double> maxAge)
    : maxEntries(std::max<std::int64_t>(maxEntries, 1))
    , maxAge(maxAge)
{
}

LogRetention LogRetention::days(std::int64_t days)
{
    if (days >= 1)
        return LogRetention(500, static_cast<double>(days) * 86400.0);
    return LogRetention(500, std::nullopt);
}
