#include "link/backoff.h"

#include <algorithm>
#include <cmath>

double Backoff::delay(std::int64_t attempt) const
{
    const auto exponent = static_cast<int>(std::clamp<std::int64_t>(attempt, 0, 20));
    return std::min(std::ldexp(base, exponent), cap);
}
