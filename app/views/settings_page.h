#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class LoginItem;
class PageHeader;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class ShareStore;
class UserDefaults;

// The user-defaults keys of the settings the form edits, with the defaults the store reads them with.
namespace SettingKeys {
inline const QString probeInterval = QStringLiteral("probeInterval");
inline const QString failuresToMarkDown = QStringLiteral("failuresToMarkDown");
inline const QString retryCap = QStringLiteral("retryCap");
inline const QString reconnectAfterWake = QStringLiteral("reconnectAfterWake");
inline const QString notifyDrops = QStringLiteral("notifyDrops");
inline const QString notifyRecoveries = QStringLiteral("notifyRecoveries");
inline const QString logRetentionDays = QStringLiteral("logRetentionDays");
} // namespace SettingKeys

// The one form of the user's settings, shown in the settings window's General tab and on the manager's
// Settings page. Every control writes its key the moment it changes; only the retention and the login item
// call out at once. Forms open at the same time show each other's changes.
class SettingsForm : public QWidget {
    Q_OBJECT
public:
    SettingsForm(ShareStore& store, UserDefaults& defaults, LoginItem& loginItem, QWidget* parent = nullptr);
    ~SettingsForm() override;

    // Reads every value again from the defaults (not the login item, which is read once).
    void reload();

    QComboBox* probeIntervalPicker() const { return m_probeInterval; }
    QSpinBox* failuresStepper() const { return m_failures; }
    QLabel* failuresLabel() const { return m_failuresLabel; }
    QComboBox* retryCapPicker() const { return m_retryCap; }
    QCheckBox* reconnectAfterWakeToggle() const { return m_reconnectAfterWake; }
    QCheckBox* notifyDropsToggle() const { return m_notifyDrops; }
    QCheckBox* notifyRecoveriesToggle() const { return m_notifyRecoveries; }
    QComboBox* retentionPicker() const { return m_retention; }
    QCheckBox* launchAtLoginToggle() const { return m_launchAtLogin; }
    // Absent while the last login-item change succeeded.
    std::optional<QString> loginError() const;
    QLabel* versionLabel() const { return m_version; }

    // "Call a server down after 2 missed checks".
    static QString failuresText(int failures);

Q_SIGNALS:
    // "Check for Updates…": the updater kit's check, which this library does not link.
    void checkForUpdatesRequested();
    // "Show Again": bring the manager window forward; the guide itself opens through the store.
    void showManagerRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void changed();

    ShareStore& m_store;
    UserDefaults& m_defaults;
    LoginItem& m_loginItem;
    bool m_loading = false;

    QComboBox* m_probeInterval;
    QSpinBox* m_failures;
    QLabel* m_failuresLabel;
    QCheckBox* m_reconnectAfterWake;
    QComboBox* m_retryCap;
    QCheckBox* m_notifyDrops;
    QCheckBox* m_notifyRecoveries;
    QComboBox* m_retention;
    QCheckBox* m_launchAtLogin;
    QLabel* m_loginError;
    QLabel* m_version;
};

// The manager window's Settings page: the form under the page header, and the software-update settings
// below it when the application hands them in.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    SettingsPage(ShareStore& store, UserDefaults& defaults, LoginItem& loginItem, QWidget* updateTab = nullptr,
        QWidget* parent = nullptr);

    PageHeader* header() const { return m_header; }
    SettingsForm* form() const { return m_form; }

private:
    PageHeader* m_header;
    SettingsForm* m_form;
};
