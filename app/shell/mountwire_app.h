#pragma once

#include "quillokit/updater_bundle.h"
#include "views/manager_view.h"
#include "views/navigator.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class SettingsForm;
class DemoWorld;
class Keychain;
class LoginItem;
class ManagerWindow;
class PopoverPanel;
class QAction;
class QMenu;
class QSystemTrayIcon;
class ServerBrowser;
class ShareStore;
class SystemServices;
class Updater;
class UpdateWindow;
class UserDefaults;
class QuilloDefaults;
class QTabWidget;
class QWidget;
class QDialog;
class Notifier;
struct ShareEditorRequest;

// The application: owns the store and the services behind it, the tray item with its panel, the manager
// window and the settings window, and carries out what the views ask of the shell.
class MountwireApp : public QObject, public Navigator {
    Q_OBJECT
public:
    struct Options {
        QString demoFolder; // demonstration: data and settings here, a make-believe network
        int demoExtraLines = 0;
        bool startStore = true;
        std::optional<bool> tray; // absent: whether the desktop has one
        bool packaged = false; // installed by the system's package manager, which also brings its updates
        std::optional<UpdaterBundle> updates {}; // absent: this build's own
    };

    explicit MountwireApp(Options options, QObject* parent = nullptr);
    ~MountwireApp() override;

    // Starts the store and decides whether the manager window opens.
    void launch();

    void show(std::optional<ManagerPage> page = std::nullopt, bool addShare = false,
        std::optional<ShareSpec> edit = std::nullopt) override;
    void checkForUpdates() override;
    // Ends the event loop; no window can hold it back. The rest happens in finish().
    void quit() override;
    void showSettingsWindow();
    void showPanel();
    // The manager window was closed by the user.
    void managerClosed();

    ShareStore& store() const { return *store_; }
    Updater& updater() const { return *updater_; }
    UpdateWindow* updateWindow() const;
    UserDefaults& defaults() const { return *defaults_; }
    ManagerWindow* managerWindow() const;
    QSystemTrayIcon* tray() const { return tray_; }
    bool trayAvailable() const;

    // Views built the way the windows build them, for tests and screenshots.
    ManagerView::Factories viewFactories();
    QWidget* makePage(ManagerPage page, QWidget* parent);
    QDialog* makeEditor(const ShareEditorRequest& request, QWidget* parent);
    QDialog* makeWelcome(QWidget* parent);
    QWidget* makePopover(QWidget* parent);
    QTabWidget* makeSettingsTabs(QWidget* parent);

    // The current tray image's symbol name.
    QString traySymbol() const;

private:
    void showUpdateWindow();
    // The application's real end, once the event loop has returned: saves what is open, then installs a
    // staged update.
    void finish();
    void saveState();
    void refreshTray();
    void wireForm(SettingsForm* form);

    Options options_;
    std::unique_ptr<SystemServices> system_;
    std::unique_ptr<DemoWorld> demo_;
    std::unique_ptr<UserDefaults> demoDefaults_;
    UserDefaults* defaults_ = nullptr;
    Keychain* keychain_ = nullptr;
    Notifier* notifier_ = nullptr;
    std::unique_ptr<ShareStore> store_;
    std::unique_ptr<ServerBrowser> browser_;
    std::unique_ptr<LoginItem> loginItem_;
    std::unique_ptr<QuilloDefaults> quilloDefaults_;
    std::unique_ptr<Updater> updater_;
    QPointer<ManagerWindow> manager_;
    QPointer<QTabWidget> settings_;
    QPointer<PopoverPanel> panel_;
    QPointer<UpdateWindow> updateWindow_;
    QSystemTrayIcon* tray_ = nullptr;
    QString traySymbol_;
    bool toldStillRunning_ = false;
};
