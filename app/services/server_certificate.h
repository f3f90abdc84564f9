#pragma once
// What the user is shown about a server's certificate before trusting it, and what a trust pins.

#include <QDateTime>
#include <QString>

struct ServerCertificate {
    QString subject;
    QString issuer;
    QDateTime notBefore;
    QDateTime notAfter;
    QString sha256; // the DER encoding's SHA-256 digest as colon-separated upper-case hex pairs
    friend bool operator==(const ServerCertificate&, const ServerCertificate&) = default;
};
