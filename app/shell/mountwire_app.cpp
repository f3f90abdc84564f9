#include "shell/mountwire_app.h"

#include "platform/desktop.h"
#include "platform/user_defaults.h"
#include "platform/user_folders.h"
#include "quillokit/check_for_updates_action.h"
#include "quillokit/quillo_defaults.h"
#include "quillokit/update_settings_tab.h"
#include "quillokit/update_window.h"
#include "quillokit/updater.h"
#include "quillokit/updater_bundle.h"
#include "services/autostart_login_item.h"
#include "services/avahi_server_browser.h"
#include "services/notifier.h"
#include "services/secret_service_keychain.h"
#include "shell/demo_world.h"
#include "shell/manager_window.h"
#include "shell/popover_panel.h"
#include "store/share_store.h"
#include "views/about_view.h"
#include "views/app_style.h"
#include "views/certificate_dialog.h"
#include "views/controls.h"
#include "views/icons.h"
#include "views/onboarding_view.h"
#include "views/popover_view.h"
#include "views/share_editor.h"


#include "views/routes_page.h"
#include "views/settings_page.h"
#include "views/signal_log_page.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QDir>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>

MountwireApp::MountwireApp(Options options, QObject* parent) : QObject(parent), options_(std::move(options))
{
    AppStyle::apply();
    StoreServices services;
    QString defaultsFile;
    if (!options_.demoFolder.isEmpty()) {
        defaultsFile = QDir(options_.demoFolder).filePath(QStringLiteral("Mountwire.conf"));
        demoDefaults_ = std::make_unique<QSettingsUserDefaults>(defaultsFile);
        defaults_ = demoDefaults_.get();
        const bool filled = DemoWorld::fill(options_.demoFolder, *defaults_, options_.demoExtraLines);
        demo_ = std::make_unique<DemoWorld>();
        services = demo_->services(options_.demoFolder, *defaults_);
        store_ = std::make_unique<ShareStore>(services);
        if (filled && options_.startStore) {
            demo_->warmUp(*store_);
        }
    } else {
        defaultsFile = UserFolders::defaultsFile();
        system_ = std::make_unique<SystemServices>();
        defaults_ = &system_->defaults();
        services = system_->services();
        services.askCertificate = [](const ShareSpec& share, const ServerCertificate& certificate) {
            return CertificateDialog::ask(share, certificate, QApplication::activeWindow());
        };
        store_ = std::make_unique<ShareStore>(services);
    }
    keychain_ = services.keychain;
    notifier_ = services.notifier;
    if (notifier_) {
        // A notification's button does what the line's button on the board does.
        notifier_->setActionHandler([store = store_.get()](const NotificationAction& action) {
            const ShareSpec* found = store->share(action.share);
            if (!found)
                return;
            const ShareSpec share = *found;
            if (action.kind == NotificationAction::Kind::reconnect)
                store->mount(share);
            else
                store->open(share);
        });
    }
    browser_ = std::make_unique<AvahiServerBrowser>();
    loginItem_ = std::make_unique<AutostartLoginItem>();
    quilloDefaults_ = std::make_unique<IniQuilloDefaults>(defaultsFile);
    UpdaterHooks hooks;
    hooks.quit = [this] { quit(); };
    updater_ = std::make_unique<Updater>(options_.updates.value_or(UpdaterBundle::fromBuild()), *quilloDefaults_,
                                         hooks);
    connect(updater_.get(), &Updater::windowRequested, this, &MountwireApp::showUpdateWindow);
    // Connected before the updater's own, so that state is saved before an update is installed.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &MountwireApp::finish);

    if (trayAvailable()) {
        tray_ = new QSystemTrayIcon(this);
        tray_->setToolTip(QStringLiteral("Mountwire"));
        connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
                showPanel();
        });
    }
    for (auto signal : {&ShareStore::sharesChanged, &ShareStore::serversChanged})
        connect(store_.get(), signal, this, &MountwireApp::refreshTray);
    connect(store_.get(), &ShareStore::runtimeChanged, this, &MountwireApp::refreshTray);
    refreshTray();
}

MountwireApp::~MountwireApp()
{
    if (panel_)
        delete panel_;
    delete manager_;
    delete settings_;
    delete updateWindow_;
}

ManagerWindow* MountwireApp::managerWindow() const
{
    return manager_;
}

bool MountwireApp::trayAvailable() const
{
    return options_.tray.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void MountwireApp::launch()
{
    if (options_.startStore)
        store_->start();
    // The make-believe network keeps beating like the real one once its warm-up is over.
    if (demo_ && options_.startStore)
        store_->startHeartbeat(2);
    if (!options_.packaged)
        updater_->start();
    if (tray_)
        tray_->show();
    if (store_->shares().empty() || Onboarding::shouldShow(*defaults_) || !tray_)
        show(ManagerPage::shares);
}

void MountwireApp::show(std::optional<ManagerPage> page, bool addShare, std::optional<ShareSpec> edit)
{
    if (page)
        store_->setPage(*page);
    if (addShare)
        store_->openEditor(std::nullopt);
    if (edit)
        store_->openEditor(*edit);
    if (panel_)
        panel_->close();
    const bool first = !manager_;
    if (first)
        manager_ = new ManagerWindow(*this);
    manager_->show();
    manager_->raise();
    manager_->activateWindow();
    if (first && Onboarding::shouldShow(*defaults_)) {
        ShareStore* store = store_.get();
        QTimer::singleShot(400, store, [store] { store->setShowWelcome(true); });
    }
}

void MountwireApp::checkForUpdates()
{
    if (options_.packaged) {
        // The Updates tab says where updates come from instead.
        showSettingsWindow();
        settings_->setCurrentIndex(settings_->count() - 1);
        return;
    }
    updater_->checkForUpdates();
    // A build without a feed says so, rather than leaving the command doing nothing.
    if (!updater_->bundle().feedURL)
        showUpdateWindow();
}

UpdateWindow* MountwireApp::updateWindow() const
{
    return updateWindow_;
}

void MountwireApp::showUpdateWindow()
{
    if (!updateWindow_) {
        updateWindow_ = new UpdateWindow(*updater_);
        updateWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    updateWindow_->present();
}

void MountwireApp::quit()
{
    // quit() would first ask every window to close, and the manager window only hides.
    QCoreApplication::exit(0);
}

void MountwireApp::finish()
{
    saveState();
    updater_->installOnQuit();
}

void MountwireApp::saveState()
{
    // The store writes each change as it happens; what is still only on screen is written here.
    if (manager_)
        manager_->saveFrame();
}

void MountwireApp::showSettingsWindow()
{
    if (!settings_) {
        settings_ = makeSettingsTabs(nullptr);
        settings_->setWindowTitle(QStringLiteral("Mountwire Settings"));
        settings_->setFixedSize(520, 560);
        settings_->setAttribute(Qt::WA_DeleteOnClose);
    }
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

void MountwireApp::showPanel()
{
    if (panel_) {
        panel_->close();
        return;
    }
    panel_ = new PopoverPanel(*this);
    panel_->openAt(tray_ ? tray_->geometry() : QRect());
}

ManagerView::Factories MountwireApp::viewFactories()
{
    ManagerView::Factories factories;
    factories.page = [this](ManagerPage page, QWidget* parent) { return makePage(page, parent); };
    factories.editor = [this](const ShareEditorRequest& request, QWidget* parent) { return makeEditor(request, parent); };
    factories.welcome = [this](QWidget* parent) { return makeWelcome(parent); };
    return factories;
}

QWidget* MountwireApp::makePage(ManagerPage page, QWidget* parent)
{
    switch (page) {
    case ManagerPage::profiles:
        return new RoutesPage(*store_, parent);
    case ManagerPage::activity:
        return new SignalLogPage(*store_, parent);
    case ManagerPage::settings: {
        auto* settings = new SettingsPage(*store_, *defaults_, *loginItem_, nullptr, parent);
        wireForm(settings->form());
        return settings;
    }
    case ManagerPage::shares:
        break;
    }
    return nullptr;
}

void MountwireApp::wireForm(SettingsForm* form)
{
    connect(form, &SettingsForm::checkForUpdatesRequested, this, &MountwireApp::checkForUpdates);
    connect(form, &SettingsForm::showManagerRequested, this, [this] { show(); });
}

QDialog* MountwireApp::makeEditor(const ShareEditorRequest& request, QWidget* parent)
{
    if (!keychain_)
        return nullptr;
    return new ShareEditor(*store_, browser_.get(), *keychain_, request, parent);
}

QDialog* MountwireApp::makeWelcome(QWidget* parent)
{
    return new OnboardingView(*store_, *defaults_, notifier_, parent);
}

QWidget* MountwireApp::makePopover(QWidget* parent)
{
    return new PopoverView(*store_, *this, parent);
}

QTabWidget* MountwireApp::makeSettingsTabs(QWidget* parent)
{
    auto* tabs = new QTabWidget(parent);
    tabs->setObjectName(QStringLiteral("settingsTabs"));
    tabs->setPalette(Ui::palette());
    tabs->setAutoFillBackground(true);
    // The form is taller than the fixed window; it scrolls rather than squeezing its rows.
    auto* general = new QScrollArea(tabs);
    general->setFocusPolicy(Qt::NoFocus);
    general->setFrameShape(QFrame::NoFrame);
    general->setWidgetResizable(true);
    auto* form = new SettingsForm(*store_, *defaults_, *loginItem_);
    form->setContentsMargins(16, 12, 16, 16);
    wireForm(form);
    general->setWidget(form);
    tabs->addTab(general, Icons::icon(QStringLiteral("gearshape"), Theme::ink2.color()), QStringLiteral("General"));
    const QString packagedNote = options_.packaged
        ? QStringLiteral("Updates to Mountwire come from your system’s package manager, together with the rest of "
                         "your software.")
        : QString();
    tabs->addTab(new AboutView(*store_, *this, QApplication::applicationVersion(), packagedNote, tabs),
        Icons::icon(QStringLiteral("info.circle"), Theme::ink2.color()), QStringLiteral("About"));
    QWidget* updates = nullptr;
    if (options_.packaged) {
        QLabel* note = Ui::label(packagedNote, Theme::Typo::body(), Theme::ink2, tabs, true);
        note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        updates = note;
    } else {
        updates = new UpdateSettingsTab(*updater_, tabs);
    }
    updates->setContentsMargins(16, 12, 16, 16);
    tabs->addTab(updates,
        Icons::icon(QStringLiteral("checkmark.seal"), Theme::ink2.color()), QStringLiteral("Updates"));
    return tabs;
}

QString MountwireApp::traySymbol() const
{
    return traySymbol_;
}

void MountwireApp::refreshTray()
{
    const bool attention = store_->attentionCount() > 0;
    const QString symbol = attention ? QStringLiteral("externaldrive.badge.exclamationmark")
                                     : QStringLiteral("externaldrive.connected.to.line.below.fill");
    if (symbol == traySymbol_)
        return;
    traySymbol_ = symbol;
    if (tray_)
        tray_->setIcon(Icons::icon(symbol, attention ? Theme::red.in(Theme::Appearance::dark) : Theme::brandSky(), 22));
}

// Without a tray nothing on screen would show that Mountwire still runs. It stays only while it keeps lines
// connected, says so once, and a new start brings the window back; otherwise closing the window quits.
void MountwireApp::managerClosed()
{
    if (tray_)
        return;
    const std::vector<ShareSpec>& shares = store_->shares();
    if (std::none_of(shares.begin(), shares.end(), [](const ShareSpec& s) { return s.keepConnected; })) {
        quit();
        return;
    }
    if (!toldStillRunning_ && notifier_) {
        toldStillRunning_ = true;
        notifier_->post(QStringLiteral("Mountwire is still running"),
            QStringLiteral("It keeps your lines connected in the background. Start Mountwire again to open its window."));
    }
}
