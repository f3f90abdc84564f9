#pragma once
// Asks for the password of one mount in a modal dialog. The typed password is never stored.

#include "model/share_spec.h"

#include <QDialog>
#include <QString>

#include <optional>

class QLineEdit;
class QPushButton;

class PasswordPrompt : public QDialog {
    Q_OBJECT
public:
    explicit PasswordPrompt(const ShareSpec& spec, QWidget* parent = nullptr);

    // Shows the dialog and waits: the typed text (possibly empty) on Connect, nothing on Cancel.
    // Main thread only.
    static std::optional<QString> ask(const ShareSpec& spec, QWidget* parent = nullptr);

    static QString messageFor(const ShareSpec& spec);
    static QString informativeTextFor(const ShareSpec& spec);

    QLineEdit* field() const { return m_field; }
    QPushButton* connectButton() const { return m_connect; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QLineEdit* m_field = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_cancel = nullptr;
};
