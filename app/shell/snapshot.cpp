#include "shell/snapshot.h"

#include "shell/mountwire_app.h"
#include "store/share_store.h"
#include "views/app_style.h"
#include "views/controls.h"
#include "views/manager_view.h"
#include "views/theme.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTabWidget>
#include <QTimer>

namespace {

void settle(int ms = 120)
{
    QTimer wait;
    wait.setSingleShot(true);
    wait.start(ms);
    while (wait.isActive())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString save(QWidget* widget, const QString& folder, const QString& name)
{
    widget->ensurePolished();
    settle();
    // Pictures show controls at rest, not whichever one the window happened to focus first.
    if (QWidget* focused = QApplication::focusWidget(); focused && focused->window() == widget->window()) {
        focused->clearFocus();
        settle(30);
    }
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    widget->grab().save(path);
    return path;
}

} // namespace

namespace Snapshot {

QStringList render(MountwireApp& app, const QString& folder)
{
    QDir().mkpath(folder);
    QStringList written;
    ShareStore& store = app.store();
    const ManagerPage before = store.page();
    // Standard controls take the application's colours; on a real desktop those already match the scheme.
    const QPalette desktopPalette = QApplication::palette();
    for (const Theme::Appearance appearance : {Theme::Appearance::light, Theme::Appearance::dark}) {
        Theme::setAppearanceOverride(appearance);
        AppStyle::apply();
        const QString suffix = appearance == Theme::Appearance::light ? QStringLiteral("light") : QStringLiteral("dark");
        {
            // Without its sheets: the editor and the guide are pictured on their own below.
            ManagerView::Factories factories = app.viewFactories();
            factories.editor = nullptr;
            factories.welcome = nullptr;
            ManagerView view(store, factories);
            view.resize(1080, 680);
            view.show();
            for (ManagerPage page : allManagerPages) {
                store.setPage(page);
                // The route maps draw their curves in; the picture shows them drawn.
                if (page == ManagerPage::profiles)
                    settle(700);
                written << save(&view, folder, QStringLiteral("manager-%1-%2").arg(toRaw(page), suffix));
            }
        }
        {
            QWidget* panel = app.makePopover(nullptr);
            panel->show();
            panel->adjustSize();
            written << save(panel, folder, QStringLiteral("panel-%1").arg(suffix));
            delete panel;
        }
        if (!store.shares().empty()) {
            QDialog* editor = app.makeEditor(ShareEditorRequest {QUuid::createUuid(), store.shares().front()}, nullptr);
            if (editor) {
                editor->show();
                written << save(editor, folder, QStringLiteral("editor-%1").arg(suffix));
                delete editor;
            }
        }
        {
            QDialog* welcome = app.makeWelcome(nullptr);
            welcome->show();
            written << save(welcome, folder, QStringLiteral("welcome-%1").arg(suffix));
            delete welcome;
        }
        {
            QTabWidget* tabs = app.makeSettingsTabs(nullptr);
            tabs->setFixedSize(520, 560);
            tabs->show();
            const char* names[] = {"general", "about", "updates"};
            for (int i = 0; i < tabs->count() && i < 3; ++i) {
                tabs->setCurrentIndex(i);
                written << save(tabs, folder, QStringLiteral("settings-%1-%2").arg(QLatin1String(names[i]), suffix));
            }
            delete tabs;
        }
    }
    Theme::setAppearanceOverride(std::nullopt);
    AppStyle::apply();
    QApplication::setPalette(desktopPalette);
    store.setPage(before);
    return written;
}

} // namespace Snapshot
