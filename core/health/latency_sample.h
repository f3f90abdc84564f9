#pragma once

#include <QDateTime>

#include <optional>

// One probe result: when it was recorded and the connect latency, absent when the server did not answer.
struct LatencySample {
    QDateTime date;
    std::optional<double> ms;

    friend bool operator==(const LatencySample&, const LatencySample&) = default;
};
