#pragma once
// A Keychain held in memory with the real look-up rules (one item per server, account and
// protocol; no user, no item). Records its calls; `locked` makes reads fail the way a locked
// store does (hasPassword still true); `failSaves` makes saves answer false.

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

    bool locked = false;
    bool failSaves = false;
    bool immediately = false;
    std::vector<ShareSpec> reads;
    std::vector<SaveCall> saves;
    std::vector<ShareSpec> checks;

    using Key = std::tuple<QString, QString, QString>;
    std::map<Key, QString> items;

    static std::optional<Key> keyOf(const ShareSpec& spec)
    {
        std::optional<KeychainItem> item = KeychainItem::forSpec(spec);
        if (!item)
            return std::nullopt;
        return Key{item->server, item->account, item->protocol};
    }

    // Puts a password in place without recording a call.
    void preset(const ShareSpec& spec, const QString& password)
    {
        if (auto key = keyOf(spec))
            items[*key] = password;
    }

    void password(const ShareSpec& spec, std::function<void(std::optional<QString>)> done) override
    {
        reads.push_back(spec);
        std::optional<QString> found;
        if (auto key = keyOf(spec); key && !locked) {
            if (auto it = items.find(*key); it != items.end())
                found = it->second;
        }
        deliver([done = std::move(done), found] { done(found); });
    }

    void save(const QString& password, const ShareSpec& spec, std::function<void(bool)> done) override
    {
        saves.push_back({password, spec});
        bool ok = false;
        if (auto key = keyOf(spec); key && !failSaves && !locked) {
            items[*key] = password;
            ok = true;
        }
        deliver([done = std::move(done), ok] { done(ok); });
    }

    void hasPassword(const ShareSpec& spec, std::function<void(bool)> done) override
    {
        checks.push_back(spec);
        auto key = keyOf(spec);
        bool exists = key && items.count(*key) > 0;
        deliver([done = std::move(done), exists] { done(exists); });
    }

private:
    void deliver(std::function<void()> answerNow)
    {
        if (immediately)
            answerNow();
        else
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(answerNow), Qt::QueuedConnection);
    }
};
