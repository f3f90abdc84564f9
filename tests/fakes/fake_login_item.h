#pragma once

#include "services/login_item.h"

#include <vector>

// Remembers the state it was set to, unless told to fail with a given sentence.
class FakeLoginItem final : public LoginItem {
public:
    std::optional<QString> set(bool on) override
    {
        calls.push_back(on);
        if (failure)
            return failure;
        enabled = on;
        return std::nullopt;
    }
    bool isEnabled() const override { return enabled; }

    bool enabled = false;
    std::optional<QString> failure;
    std::vector<bool> calls;
};
