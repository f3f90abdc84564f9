#pragma once

#include <QString>

#include <optional>

// Whether the application opens when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    // Registers (on) or unregisters the application; gives a sentence describing a failure, nothing on success.
    virtual std::optional<QString> set(bool on) = 0;
    // Read when the settings open; there is no other record of the state.
    virtual bool isEnabled() const = 0;
};
