#pragma once

#include "model/share_address.h"
#include "model/share_spec.h"

#include <QString>
#include <QUuid>

#include <optional>

// The editor's working copy of a share: the address as typed, a name and the two switches. Never a password.
struct ShareDraft {
    // Whether the draft can be saved, and if not, the sentence saying what is missing.
    struct Verdict {
        enum class Kind { needs, ready };

        Kind kind;
        QString message;

        static Verdict needs(const QString& message) { return {Kind::needs, message}; }
        static Verdict ready() { return {Kind::ready, {}}; }

        friend bool operator==(const Verdict&, const Verdict&) = default;
    };

    QString address;
    QString name;
    bool askEveryTime = false;
    bool keepConnected = true;

    // An unchanged default name shows as an empty field so it keeps following the path.
    static ShareDraft editing(const ShareSpec& spec);

    ShareAddress::Parsed parsed() const;
    Verdict verdict() const;
    std::optional<ShareSpec> spec(const QUuid& id) const;

    friend bool operator==(const ShareDraft&, const ShareDraft&) = default;
};
