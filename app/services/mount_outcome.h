#pragma once
// The result of one mount attempt: mounted (with the mount point when the system reported one) or
// failed with a status code and whether an automatic retry may help.

#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

struct MountOutcome {
    struct Mounted {
        std::optional<QString> mountPoint;
        friend bool operator==(const Mounted&, const Mounted&) = default;
    };
    struct Failed {
        std::int32_t code = 0;
        bool retryable = false;
        friend bool operator==(const Failed&, const Failed&) = default;
    };

    std::variant<Mounted, Failed> value;

    static MountOutcome mounted(std::optional<QString> mountPoint) { return {Mounted{std::move(mountPoint)}}; }
    // The retryable verdict follows from the code (Mounter::isRetryable).
    static MountOutcome failed(std::int32_t code);
    // 0 and 17 (already mounted) are successes; anything else is a failure with that code.
    static MountOutcome fromStatus(std::int32_t status, std::optional<QString> mountPoint);

    bool isMounted() const { return std::holds_alternative<Mounted>(value); }
    const Mounted* mountedCase() const { return std::get_if<Mounted>(&value); }
    const Failed* failedCase() const { return std::get_if<Failed>(&value); }

    friend bool operator==(const MountOutcome&, const MountOutcome&) = default;
};
