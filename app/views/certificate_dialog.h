#pragma once
// Asks whether to trust a server's certificate that nobody vouches for, showing what the application's
// own handshake saw: subject, issuer, validity and SHA-256 fingerprint.

#include "model/share_spec.h"
#include "services/server_certificate.h"

#include <QDialog>

class QPushButton;

class CertificateDialog : public QDialog {
    Q_OBJECT
public:
    CertificateDialog(const ShareSpec& share, const ServerCertificate& certificate, QWidget* parent = nullptr);

    // Modal; true when the user chose "Trust This Certificate".
    static bool ask(const ShareSpec& share, const ServerCertificate& certificate, QWidget* parent = nullptr);

    QPushButton* trustButton() const { return m_trust; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QPushButton* m_trust;
    QPushButton* m_cancel;
};
