#include "views/certificate_dialog.h"

#include "views/controls.h"
#include "views/theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString day(const QDateTime& date)
{
    return QLocale().toString(date.toLocalTime().date(), QLocale::LongFormat);
}

} // namespace

CertificateDialog::CertificateDialog(const ShareSpec& share, const ServerCertificate& certificate, QWidget* parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(QStringLiteral("Trust ") + share.host + QStringLiteral("?"));
    setPalette(Ui::palette());
    setAutoFillBackground(true);
    setMinimumWidth(520);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 22, 24, 18);
    layout->setSpacing(10);
    layout->addWidget(Ui::label(QStringLiteral("Can’t verify “") + share.host + QStringLiteral("”"), Theme::Typo::title(),
        Theme::ink, this));
    layout->addWidget(Ui::label(QStringLiteral("Nobody your computer trusts vouches for the certificate of ")
            + share.host + QLatin1Char(':') + QString::number(share.effectivePort())
            + QStringLiteral(". If you know this is your server’s own certificate, trust it for “") + share.name
            + QStringLiteral("”; Mountwire then connects only while the server shows this very certificate."),
        Theme::Typo::body(), Theme::ink2, this, true));
    layout->addSpacing(4);

    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(14);
    facts->setVerticalSpacing(6);
    const auto row = [&](const QString& name, const QString& value, const QFont& font) {
        const int at = facts->rowCount();
        facts->addWidget(Ui::kicker(name, this), at, 0, Qt::AlignLeft | Qt::AlignTop);
        QLabel* text = Ui::label(value, font, Theme::ink, this, true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        facts->addWidget(text, at, 1);
    };
    row(QStringLiteral("Subject"), certificate.subject, Theme::Typo::body());
    row(QStringLiteral("Issuer"), certificate.issuer, Theme::Typo::body());
    row(QStringLiteral("Valid"), day(certificate.notBefore) + QStringLiteral(" – ") + day(certificate.notAfter),
        Theme::Typo::body());
    row(QStringLiteral("SHA-256"), certificate.sha256, Theme::Typo::monospaced(11));
    facts->setColumnStretch(1, 1);
    layout->addLayout(facts);
    layout->addSpacing(8);
    layout->addWidget(Ui::hairline(this));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = Ui::button(QStringLiteral("Cancel"), {}, false, this);
    m_trust = Ui::button(QStringLiteral("Trust This Certificate"), QStringLiteral("lock.shield"), true, this);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_trust);
    layout->addLayout(buttons);
    // Trusting is a decision to make on purpose, so Return does not make it.
    m_cancel->setDefault(true);
    m_cancel->setFocus();
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_trust, &QPushButton::clicked, this, &QDialog::accept);
}

bool CertificateDialog::ask(const ShareSpec& share, const ServerCertificate& certificate, QWidget* parent)
{
    CertificateDialog dialog(share, certificate, parent);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    return dialog.exec() == QDialog::Accepted;
}
