#pragma once
// A Keychain held in memory with the real look-up rules (one item per server, account and
// protocol; no user, no item). Records the saves; answers come through the event loop.

#include "services/keychain.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <map>
#include <tuple>
#include <vector>

class FakeKeychain final : public Keychain {
public:
    struct SaveCall {
        QString password;
        ShareSpec spec;
    };

    std::vector<SaveCall> saves;
    std::map<std::tuple<QString, QString, QString>, QString> items;

    static std::optional<std::tuple<QString, QString, QString>> keyOf(const ShareSpec& spec)
    {
        const std::optional<KeychainItem> item = KeychainItem::forSpec(spec);
        return item ? std::optional(std::tuple(item->server, item->account, item->protocol)) : std::nullopt;
    }

    // Puts a password in place without recording a call.
    void preset(const ShareSpec& spec, const QString& password)
    {
        if (auto key = keyOf(spec))
            items[*key] = password;
    }

    void password(const ShareSpec& spec, std::function<void(std::optional<QString>)> done) override
    {
        const auto key = keyOf(spec);
        const auto found = key ? items.find(*key) : items.end();
        deliver([done, answer = found == items.end() ? std::nullopt : std::optional(found->second)] { done(answer); });
    }

    void save(const QString& password, const ShareSpec& spec, std::function<void(bool)> done) override
    {
        saves.push_back({password, spec});
        const auto key = keyOf(spec);
        if (key)
            items[*key] = password;
        deliver([done, ok = key.has_value()] { done(ok); });
    }

    void hasPassword(const ShareSpec& spec, std::function<void(bool)> done) override
    {
        const auto key = keyOf(spec);
        deliver([done, exists = key && items.count(*key) > 0] { done(exists); });
    }

private:
    static void deliver(std::function<void()> answerNow)
    {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(answerNow), Qt::QueuedConnection);
    }
};
