#include "app/test_app.h"
#include "shell/mountwire_app.h"
#include "store/share_store.h"
#include "views/app_style.h"
#include "views/controls.h"
#include "views/lines_page.h"
#include "views/manager_view.h"
#include "views/onboarding_view.h"

#include <QAbstractScrollArea>
#include <QDialog>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Every surface in the states people meet first, at the smallest and the usual size, light and dark: no text
// cut without "…", nothing outside its window or clipped by a parent that does not scroll, and every control
// that takes the keyboard focus shows it. The same test runs again at device pixel ratio 2.
namespace {

enum class Data { firstRun, longNames, hundred };

struct Rig {
    QTemporaryDir folder;
    std::unique_ptr<MountwireApp> app;

    explicit Rig(Data data)
    {
        TestApp::instance();
        if (data == Data::firstRun)
            TestApp::writeFile(folder.filePath(QStringLiteral("shares.json")), R"({"shares": [], "profiles": []})");
        app = std::make_unique<MountwireApp>(MountwireApp::Options {
            .demoFolder = folder.path(), .demoExtraLines = data == Data::hundred ? 95 : 0, .tray = true});
        app->launch();
        if (data == Data::longNames) {
            const QString sixty = QStringLiteral("Quarterly Financial Reports Archive 2024 for the Whole Firm");
            app->store().upsert(ShareSpec(QUuid::createUuid(), sixty, ShareProtocol::webdavs,
                                    QStringLiteral("storage-%1.example").arg(QString(44, u'x')), 8443,
                                    sixty.toLower().replace(u' ', u'-'), QStringLiteral("ana"), false, true),
                std::nullopt);
            app->store().renameProfile(app->store().profiles().back().id, sixty);
        }
    }
};

QString describe(const QWidget* w)
{
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w))
        text = label->text();
    else if (auto* button = qobject_cast<const QAbstractButton*>(w))
        text = button->text().isEmpty() ? button->toolTip() : button->text();
    return QString::fromLatin1(w->metaObject()->className()) + QStringLiteral(" “") + text.left(48) + u'”';
}

bool scrolls(const QWidget* parent)
{
    auto* area = parent ? qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()) : nullptr;
    return area && area->viewport() == parent;
}

// What is wrong with one widget's text, if anything. A shortened label must hold its whole text in its
// tooltip; a button narrower than its text only when its tooltip names it.
QString cutText(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w); label && !label->text().isEmpty()) {
        if (label->wordWrap())
            return label->heightForWidth(label->width()) > label->height() + 1 ? QStringLiteral("wraps taller than it is")
                                                                             : QString();
        const QRect need = label->fontMetrics().boundingRect(QRect(0, 0, 1 << 20, 1 << 20), 0, label->text());
        const QRect room = label->contentsRect();
        const bool fits = need.width() <= room.width() + 1 && need.height() <= room.height() + 1;
        return fits || (qobject_cast<const ElidedLabel*>(w) && label->toolTip() == label->text()) ? QString()
                                                                                                 : QStringLiteral("is cut");
    }
    auto* button = qobject_cast<const QAbstractButton*>(w);
    if (button && !button->text().isEmpty() && button->sizeHint().width() > button->width() + 1
        && !button->toolTip().contains(button->text()))
        return QStringLiteral("is narrower than its text");
    return {};
}

QStringList inspect(QWidget* top, const QString& where, bool checkFocus)
{
    top->activateWindow();
    QApplication::setActiveWindow(top);
    TestApp::waitUntil([top] { return top->isActiveWindow(); }, 1000);
    TestApp::spin(30);
    QStringList faults;
    std::vector<QWidget*> focusable;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow())
            continue;
        QWidget* parent = w->parentWidget();
        if (!scrolls(parent) && !parent->rect().contains(w->geometry()))
            faults << describe(w) + QStringLiteral(" lies outside ") + describe(parent);
        if (const QString cut = cutText(w); !cut.isEmpty())
            faults << describe(w) + u' ' + cut;
        auto* bar = qobject_cast<QScrollBar*>(w);
        if (bar && bar->orientation() == Qt::Horizontal && bar->maximum() > 0)
            faults << describe(parent->parentWidget()) + QStringLiteral(" scrolls sideways");
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !scrolls(w) && w->width() > 0)
            focusable.push_back(w);
    }
    for (QWidget* w : checkFocus ? focusable : std::vector<QWidget*> {}) {
        if (QWidget* had = QApplication::focusWidget())
            had->clearFocus();
        const QImage plain = w->grab().toImage();
        w->setFocus(Qt::TabFocusReason);
        if (w->hasFocus() && w->grab().toImage() == plain)
            faults << describe(w) + QStringLiteral(" shows no focus");
    }
    for (QString& fault : faults)
        fault.prepend(where + QStringLiteral(": "));
    return faults;
}

TEST(Layout, EverySurfaceFitsAndShowsItsFocus)
{
    const std::tuple<const char*, Data, bool> states[] = {
        {"first run", Data::firstRun, true},
        {"60-character names", Data::longNames, true},
        {"100 lines", Data::hundred, false}, // focus looks the same as with a few lines
    };
    const QSize sizes[] = {{880, 520}, {1080, 680}};
    QStringList faults;
    for (const auto& [name, data, focus] : states) {
        Rig rig(data);
        ShareStore& store = rig.app->store();
        for (const Theme::Appearance appearance : {Theme::Appearance::light, Theme::Appearance::dark}) {
            Theme::setAppearanceOverride(appearance);
            AppStyle::apply();
            const QString state = QString::fromLatin1(name)
                + (appearance == Theme::Appearance::dark ? QStringLiteral(", dark") : QStringLiteral(", light"));
            for (const QSize& size : sizes) {
                ManagerView::Factories factories = rig.app->viewFactories();
                factories.editor = nullptr;
                factories.welcome = nullptr;
                ManagerView view(store, factories);
                view.resize(size);
                view.show();
                for (const ManagerPage page : {ManagerPage::shares, ManagerPage::profiles, ManagerPage::activity}) {
                    store.setPage(page);
                    // A long board is looked at half way down, in rows bound as it scrolled there.
                    if (auto* bar = view.linesPage()->findChild<QScrollArea*>()->verticalScrollBar(); data == Data::hundred)
                        bar->setValue(bar->maximum() / 2);
                    TestApp::spin(60);
                    faults << inspect(&view,
                        QStringLiteral("%1, %2 at %3×%4").arg(state, title(page)).arg(size.width()).arg(size.height()),
                        focus && size == sizes[1]);
                }
            }
            std::unique_ptr<QWidget> panel(rig.app->makePopover(nullptr));
            panel->show();
            // As tall as its content asks, as on a real screen (the offscreen one is small at ratio 2).
            panel->resize(panel->width(), panel->layout()->totalHeightForWidth(panel->width()));
            faults << inspect(panel.get(), state + QStringLiteral(", tray panel"), focus);

            const std::optional<ShareSpec> edited = store.shares().empty() ? std::nullopt
                                                                           : std::optional(store.shares().back());
            std::unique_ptr<QDialog> editor(rig.app->makeEditor(ShareEditorRequest {QUuid::createUuid(), edited}, nullptr));
            editor->show();
            faults << inspect(editor.get(), state + QStringLiteral(", editor"), focus);

            std::unique_ptr<QDialog> welcome(rig.app->makeWelcome(nullptr));
            welcome->show();
            for (int page = 0; page < int(OnboardingView::pages().size()); ++page) {
                static_cast<OnboardingView*>(welcome.get())->go(page);
                faults << inspect(welcome.get(), state + QStringLiteral(", welcome page %1").arg(page + 1), focus);
            }
        }
    }
    Theme::setAppearanceOverride(std::nullopt);
    EXPECT_TRUE(faults.isEmpty()) << faults.size() << " faults at device pixel ratio " << qApp->devicePixelRatio()
                                  << ":\n"
                                  << faults.mid(0, 60).join(u'\n').toStdString();
}

} // namespace
