#pragma once

#include "platform/user_defaults.h"

#include <map>

// The settings store in memory: typed reads and writes behave as in the real store, mistyped text included.
class FakeUserDefaults final : public UserDefaults {
public:
    std::optional<QString> text(const QString& key) const override
    {
        const auto found = values.find(key);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    void setText(const QString& key, const QString& value) override { values[key] = value; }
    void remove(const QString& key) override { values.erase(key); }

    // Exactly what is stored, to plant mistyped values or to look at what was written.
    std::map<QString, QString> values;
};
