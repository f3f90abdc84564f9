#pragma once

#include "model/share_draft.h"
#include "model/share_spec.h"
#include "services/server_list.h"
#include "store/share_runtime.h"

#include <QDialog>

#include <optional>
#include <vector>

class Keychain;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class ServerBrowser;
class ShareStore;

// The sheet in which a line is added or edited: one address read as it is typed, the file servers found
// nearby, a name, the password choice and the keep-connected switch. Saving goes through the store; closing
// by any means clears the store's open editor request.
class ShareEditor : public QDialog {
    Q_OBJECT
public:
    // The browser, when given, runs only while the sheet is open; the keychain only answers whether the
    // edited line has a password stored.
    ShareEditor(ShareStore& store, ServerBrowser* browser, Keychain& keychain, ShareEditorRequest request,
        QWidget* parent = nullptr);
    ~ShareEditor() override;

    const ShareDraft& draft() const { return m_draft; }
    const std::optional<ShareSpec>& original() const { return m_original; }
    bool hadPassword() const { return m_hadPassword; }

    // Saves when the verdict is ready, then closes; with connect, mounts the saved line a moment later.
    void commit(bool connect);
    // Fills the address from a server found on the network, keeping the user and share already typed.
    void pick(const DiscoveredServer& server);

    // The address a station gives, built on the address as it stands.
    static QString stationAddress(const QString& current, const DiscoveredServer& server);

    // The parts a reader sees, for tests and the screenshot harness.
    QLineEdit* addressField() const { return m_address; }
    QLineEdit* nameField() const { return m_name; }
    QLineEdit* passwordField() const { return m_password; }
    QCheckBox* askEveryTimeToggle() const { return m_askEveryTime; }
    QCheckBox* keepConnectedToggle() const { return m_keepConnected; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }
    QString verdictText() const;
    QString passwordNote() const;
    // The label and value of each part cell, in order; empty while the address is empty.
    std::vector<std::pair<QString, QString>> cells() const;
    // The protocol switch's checked protocol, if any.
    std::optional<ShareProtocol> switchedProtocol() const;
    void switchProtocol(ShareProtocol proto);
    // What the list of stations shows: the names, or the sentence standing in for them.
    QStringList stationNames() const;
    QString stationsNote() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void addressChanged(const QString& text);
    void refreshVerdict();
    void refreshPassword();
    void refreshStations();
    void finish();

    ShareStore& m_store;
    ServerBrowser* m_browser;
    ShareEditorRequest m_request;
    std::optional<ShareSpec> m_original;
    ShareDraft m_draft;
    bool m_hadPassword = false;
    bool m_finished = false;

    QLineEdit* m_address;
    QToolButton* m_clear;
    QStackedWidget* m_parts;
    QLabel* m_hint;
    std::vector<std::pair<QLabel*, QLabel*>> m_cells;
    QLabel* m_verdictIcon;
    QLabel* m_verdict;
    QButtonGroup* m_protocols;
    QLineEdit* m_name;
    QLineEdit* m_password;
    QCheckBox* m_askEveryTime;
    QLabel* m_passwordNote;
    QCheckBox* m_keepConnected;
    QVBoxLayout* m_stationRows;
    QLabel* m_stationsNote;
    QPushButton* m_cancel;
    QPushButton* m_save;
};
