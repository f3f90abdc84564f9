#include "services/password_prompt.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PasswordPrompt::PasswordPrompt(const ShareSpec& spec, QWidget* parent)
    : QDialog(parent)
{
    setModal(true);
    setWindowTitle(messageFor(spec));

    auto* message = new QLabel(messageFor(spec), this);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    auto* informative = new QLabel(informativeTextFor(spec), this);
    informative->setWordWrap(true);

    m_field = new QLineEdit(this);
    m_field->setEchoMode(QLineEdit::Password);
    m_field->setFixedSize(260, 24);

    auto* buttons = new QDialogButtonBox(this);
    m_connect = buttons->addButton(QStringLiteral("Connect"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_connect->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addWidget(informative);
    layout->addWidget(m_field);
    layout->addWidget(buttons);
    m_field->setFocus();
}

QString PasswordPrompt::messageFor(const ShareSpec& spec)
{
    return QStringLiteral("Password for ") + spec.name;
}

QString PasswordPrompt::informativeTextFor(const ShareSpec& spec)
{
    const QString who = spec.user.isEmpty() ? QStringLiteral("this share") : spec.user;
    return QStringLiteral("Enter the password for ") + who + QStringLiteral(" on ") + spec.host
        + QStringLiteral(". It isn’t saved.");
}

std::optional<QString> PasswordPrompt::ask(const ShareSpec& spec, QWidget* parent)
{
    PasswordPrompt prompt(spec, parent);
    prompt.show();
    prompt.raise();
    prompt.activateWindow();
    prompt.m_field->setFocus();
    if (prompt.exec() != QDialog::Accepted)
        return std::nullopt;
    return prompt.m_field->text();
}
