#pragma once
// Share passwords in the desktop's password store (the Secret Service, through libsecret), as
// items of our own schema keyed by server, account and protocol.

#include "services/keychain.h"

class SecretServiceKeychain final : public Keychain {
public:
    void password(const ShareSpec& spec, std::function<void(std::optional<QString>)> done) override;
    void save(const QString& password, const ShareSpec& spec, std::function<void(bool)> done) override;
    void hasPassword(const ShareSpec& spec, std::function<void(bool)> done) override;

    static constexpr const char* schemaName = "org.mountwire.NetworkPassword";
};
