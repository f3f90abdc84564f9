#pragma once

#include "services/login_item.h"

// The login item as the desktop's autostart entry, <config home>/autostart/mountwire.desktop, starting the
// executable that is running now. An entry that the desktop was told to skip counts as disabled.
class AutostartLoginItem final : public LoginItem {
public:
    // The executable defaults to the running one's absolute path.
    explicit AutostartLoginItem(QString executable = {});

    std::optional<QString> set(bool on) override;
    bool isEnabled() const override;

    static QString entryPath();
    // The entry's text for an executable, with its path quoted as the Exec key requires.
    static QString entryText(const QString& executable);

private:
    QString executable_;
};
