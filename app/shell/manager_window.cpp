#include "shell/manager_window.h"

#include "platform/user_defaults.h"
#include "shell/mountwire_app.h"
#include "store/share_store.h"
#include "views/icons.h"
#include "views/manager_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>

namespace {

const QString frameKey = QStringLiteral("MountwireManager");

} // namespace

ManagerWindow::ManagerWindow(MountwireApp& app, QWidget* parent) : QMainWindow(parent), m_app(app)
{
    setObjectName(QStringLiteral("manager"));
    setWindowTitle(QStringLiteral("Mountwire"));
    setWindowIcon(Icons::applicationIcon());
    m_view = new ManagerView(app.store(), app.viewFactories(), this);
    setCentralWidget(m_view);
    // The view holds the minimum content size; the menu bar comes on top of it.
    resize(1080, 680);
    if (const auto saved = app.defaults().stringValue(frameKey))
        restoreGeometry(QByteArray::fromBase64(saved->toLatin1()));

    ShareStore& store = app.store();
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    auto add = [this](QMenu* menu, const QString& name, const QString& text, const QKeySequence& keys, auto slot) {
        QAction* a = menu->addAction(text, this, slot);
        a->setObjectName(name);
        if (!keys.isEmpty())
            a->setShortcut(keys);
        return a;
    };
    add(file, QStringLiteral("newLine"), QStringLiteral("New Line…"), QKeySequence(QStringLiteral("Ctrl+N")),
        [&app] { app.show(ManagerPage::shares, true); });
    add(file, QStringLiteral("connectAll"), QStringLiteral("Connect All"), QKeySequence(QStringLiteral("Shift+Ctrl+K")),
        [&store] { store.mountAll(); });
    add(file, QStringLiteral("checkNow"), QStringLiteral("Check Servers Now"), QKeySequence(QStringLiteral("Ctrl+R")),
        [&store] { store.probeAll(); });
    file->addSeparator();
    add(file, QStringLiteral("settings"), QStringLiteral("Settings…"), QKeySequence(QStringLiteral("Ctrl+,")),
        [&app] { app.showSettingsWindow(); });
    add(file, QStringLiteral("close"), QStringLiteral("Close Window"), QKeySequence(QStringLiteral("Ctrl+W")),
        [this] { close(); });
    add(file, QStringLiteral("quit"), QStringLiteral("Quit Mountwire"), QKeySequence(QStringLiteral("Ctrl+Q")),
        [&app] { app.quit(); });
    QMenu* go = menuBar()->addMenu(QStringLiteral("&Go"));
    int position = 1;
    for (ManagerPage page : allManagerPages) {
        add(go, QStringLiteral("go-") + toRaw(page), title(page),
            QKeySequence(QStringLiteral("Ctrl+%1").arg(position++)), [&app, page] { app.show(page); });
    }
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    add(help, QStringLiteral("welcome"), QStringLiteral("Welcome to Mountwire…"), QKeySequence(), [&app, &store] {
        app.show();
        store.setShowWelcome(true);
    });
    add(help, QStringLiteral("checkForUpdates"), QStringLiteral("Check for Updates…"), QKeySequence(),
        [&app] { app.checkForUpdates(); });
}

QAction* ManagerWindow::action(const QString& name) const
{
    return findChild<QAction*>(name);
}

void ManagerWindow::saveFrame()
{
    m_app.defaults().setString(frameKey, QString::fromLatin1(saveGeometry().toBase64()));
}

void ManagerWindow::closeEvent(QCloseEvent* event)
{
    saveFrame();
    hide();
    event->ignore();
    m_app.managerClosed();
}
