#pragma once

#include "model/share_protocol.h"

#include <QString>

#include <optional>
#include <variant>

struct ShareSpec;

// One line of typed or pasted text taken apart into a share's protocol, server, port, user and path.
struct ShareAddress {
    // Why a line is not an address, with the sentence the editor shows for it.
    struct Problem {
        enum class Kind { unsupportedScheme, badPort, empty, missingHost };

        Kind kind;
        QString text; // the scheme or port exactly as typed, for the first two kinds

        static Problem unsupportedScheme(const QString& scheme) { return {Kind::unsupportedScheme, scheme}; }
        static Problem badPort(const QString& port) { return {Kind::badPort, port}; }
        static Problem empty() { return {Kind::empty, {}}; }
        static Problem missingHost() { return {Kind::missingHost, {}}; }

        QString message() const;

        friend bool operator==(const Problem&, const Problem&) = default;
    };

    using Parsed = std::variant<ShareAddress, Problem>;

    ShareProtocol proto = ShareProtocol::smb;
    QString host;
    std::optional<int> port;
    QString user;
    bool hadPassword = false;
    QString path;

    bool isIPv6() const { return host.contains(u':'); }
    // A new saved share for this address: fresh id, default name, kept connected.
    ShareSpec spec() const;

    // Never fails other than with a Problem; a password in the text is noted and dropped.
    static Parsed parse(const QString& text);
    static QString bracketed(const QString& host);
    static QString replacingScheme(const QString& line, ShareProtocol proto);

    friend bool operator==(const ShareAddress&, const ShareAddress&) = default;
};
