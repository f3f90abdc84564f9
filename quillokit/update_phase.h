#pragma once

#include "quillokit/update_feed.h"

#include <QString>

#include <optional>

// A failure the user is told about in these words.
struct UpdateError {
    QString message;

    friend bool operator==(const UpdateError&, const UpdateError&) = default;
};

// What the updater is doing, with the feed or message that goes with it.
struct UpdatePhase {
    enum class Kind { available, downloading, ready, failed, idle, checking, upToDate };

    Kind kind = Kind::idle;
    // For available, downloading and ready.
    std::optional<UpdateFeed> feed;
    // For downloading: 0 to 1.
    double fraction = 0;
    // For failed.
    QString message;

    static UpdatePhase available(UpdateFeed feed) { return {Kind::available, std::move(feed), 0, {}}; }
    static UpdatePhase downloading(UpdateFeed feed, double fraction) { return {Kind::downloading, std::move(feed), fraction, {}}; }
    static UpdatePhase ready(UpdateFeed feed) { return {Kind::ready, std::move(feed), 0, {}}; }
    static UpdatePhase failed(QString message) { return {Kind::failed, std::nullopt, 0, std::move(message)}; }
    static UpdatePhase idle() { return {}; }
    static UpdatePhase checking() { return {Kind::checking, std::nullopt, 0, {}}; }
    static UpdatePhase upToDate() { return {Kind::upToDate, std::nullopt, 0, {}}; }

    friend bool operator==(const UpdatePhase&, const UpdatePhase&) = default;
};
