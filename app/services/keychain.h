#pragma once
// Passwords of network shares, one item per server, user and protocol. The operations return at
// once and call `done` later on the calling (main) thread, exactly once; failures are silent
// (nothing, or false).

#include "model/share_spec.h"

#include <QString>

#include <functional>
#include <optional>

// Where a share's password lives in the password store: its look-up key and the attributes
// written only when the item is created.
struct KeychainItem {
    QString server;
    QString account;
    QString protocol; // "smb", "afp", "http", "https"; empty for nfs
    QString label;
    std::optional<QString> path; // "/" + share path, for smb and afp only

    // Absent when the share has no user: such shares keep no password.
    static std::optional<KeychainItem> forSpec(const ShareSpec& spec);
    friend bool operator==(const KeychainItem&, const KeychainItem&) = default;
};

class Keychain {
public:
    virtual ~Keychain() = default;
    virtual void password(const ShareSpec& spec, std::function<void(std::optional<QString>)> done) = 0;
    // True when the password is stored; a second save for the same server, user and protocol
    // replaces the first.
    virtual void save(const QString& password, const ShareSpec& spec, std::function<void(bool)> done) = 0;
    // Whether an item exists, also when the store is locked.
    virtual void hasPassword(const ShareSpec& spec, std::function<void(bool)> done) = 0;
};
