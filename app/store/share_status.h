#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// What the board and the panel show for one line.
struct ShareStatus {
    enum class Kind { waiting, failed, connected, connecting, serverDown, stale, idle };

    Kind kind = Kind::idle;
    std::optional<QDateTime> nextAttempt; // waiting only
    std::optional<QString> error; // failed only

    static ShareStatus waiting(std::optional<QDateTime> next) { return {Kind::waiting, std::move(next), {}}; }
    static ShareStatus failed(std::optional<QString> error) { return {Kind::failed, {}, std::move(error)}; }
    static ShareStatus of(Kind kind) { return {kind, {}, {}}; }

    QString label() const;
    // Upper case, as the board's status column prints it; a countdown needs the time.
    QString caption(const QDateTime& now) const;
    // Waiting, failed, server down and not responding want the user's eye.
    bool needsAttention() const;

    friend bool operator==(const ShareStatus&, const ShareStatus&) = default;
};
