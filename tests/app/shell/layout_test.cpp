#include "app/test_app.h"
#include "shell/mountwire_app.h"
#include "store/share_store.h"
#include "views/app_style.h"
#include "views/controls.h"
#include "views/manager_view.h"
#include "views/onboarding_view.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

// Every surface in the states people meet first, at the smallest and the usual size, light and dark: no text
// cut without "…", nothing outside its window or clipped by a parent that does not scroll, and every control
// that takes the keyboard focus shows it. The same test runs again at device pixel ratio 2.
namespace {

enum class Data { firstRun, longNames, hundred };

const QString sixty = QStringLiteral("Quarterly Financial Reports Archive 2024 for the Whole Firm");

struct Rig {
    QTemporaryDir folder;
    std::unique_ptr<MountwireApp> app;

    explicit Rig(Data data)
    {
        TestApp::instance();
        if (data == Data::firstRun) {
            QFile file(QDir(folder.path()).filePath(QStringLiteral("shares.json")));
            file.open(QIODevice::WriteOnly);
            file.write(R"({"shares": [], "profiles": []})");
        }
        MountwireApp::Options options;
        options.demoFolder = folder.path();
        options.demoExtraLines = data == Data::hundred ? 95 : 0;
        options.tray = true;
        app = std::make_unique<MountwireApp>(options);
        app->launch();
        if (data == Data::longNames) {
            QString host = QStringLiteral("storage-") + QString(48, u'x') + QStringLiteral(".example");
            app->store().upsert(ShareSpec(QUuid::createUuid(), sixty, ShareProtocol::webdavs, host, 8443,
                                    sixty.toLower().replace(u' ', u'-'), QStringLiteral("ana"), false, true),
                std::nullopt);
            app->store().addProfile();
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
    QString name = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        name += u'#' + w->objectName();
    return text.isEmpty() ? name : name + QStringLiteral(" “") + text.left(48) + QStringLiteral("”");
}

bool scrolls(const QWidget* parent)
{
    auto* area = parent ? qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()) : nullptr;
    return area && area->viewport() == parent;
}

// What is wrong with this one widget's text, if anything.
QString cutText(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty() || label->textFormat() == Qt::RichText)
            return {};
        if (label->wordWrap())
            return label->heightForWidth(label->width()) > label->height() + 1 ? QStringLiteral("wraps taller than it is")
                                                                             : QString();
        const QRect need = label->fontMetrics().boundingRect(QRect(0, 0, 1 << 20, 1 << 20), 0, label->text());
        if (need.width() <= label->contentsRect().width() + 1 && need.height() <= label->contentsRect().height() + 1)
            return {};
        auto* elided = qobject_cast<const ElidedLabel*>(w);
        if (elided && label->toolTip() == label->text())
            return {};
        return elided ? QStringLiteral("is shortened without its whole text in the tooltip") : QStringLiteral("is cut");
    }
    auto* button = qobject_cast<const QAbstractButton*>(w);
    if (button && !button->text().isEmpty() && (qobject_cast<const QPushButton*>(w) || qobject_cast<const QCheckBox*>(w)
            || qobject_cast<const QToolButton*>(w)))
        return button->sizeHint().width() > button->width() + 1 && !button->toolTip().contains(button->text())
            ? QStringLiteral("is narrower than its text, which its tooltip does not hold")
            : QString();
    return {};
}

struct Inspector {
    QStringList faults;
    bool checkFocus = true;

    void inspect(QWidget* top, const QString& where)
    {
        top->activateWindow();
        QApplication::setActiveWindow(top);
        TestApp::waitUntil([top] { return top->isActiveWindow(); }, 1000);
        TestApp::spin(30);
        std::vector<QWidget*> focusable;
        for (QWidget* w : top->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->isWindow())
                continue;
            QWidget* parent = w->parentWidget();
            if (!scrolls(parent) && !parent->rect().contains(w->geometry()))
                faults << where + QStringLiteral(": ") + describe(w) + QStringLiteral(" lies outside ") + describe(parent);
            if (const QString cut = cutText(w); !cut.isEmpty())
                faults << where + QStringLiteral(": ") + describe(w) + u' ' + cut;
            auto* bar = qobject_cast<QScrollBar*>(w);
            if (bar && bar->orientation() == Qt::Horizontal && bar->maximum() > 0)
                faults << where + QStringLiteral(": ") + describe(parent->parentWidget()) + QStringLiteral(" scrolls sideways");
            if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !scrolls(w) && w->width() > 0)
                focusable.push_back(w);
        }
        if (!checkFocus)
            return;
        for (QWidget* w : focusable) {
            if (QWidget* had = QApplication::focusWidget())
                had->clearFocus();
            const QImage plain = w->grab().toImage();
            w->setFocus(Qt::TabFocusReason);
            const QImage focused = w->grab().toImage();
            if (w->hasFocus() && plain == focused)
                faults << where + QStringLiteral(": ") + describe(w) + QStringLiteral(" shows no focus");
        }
    }
};

void settle(int ms = 60)
{
    TestApp::spin(ms);
}

TEST(Layout, EverySurfaceFitsAndShowsItsFocus)
{
    const struct {
        const char* name;
        Data data;
        bool focus;
    } states[] = {
        {"first run", Data::firstRun, true},
        {"60-character names", Data::longNames, true},
        {"100 lines", Data::hundred, false},
    };
    const QSize sizes[] = {{880, 520}, {1080, 680}};
    Inspector inspector;
    for (const auto& state : states) {
        Rig rig(state.data);
        ShareStore& store = rig.app->store();
        for (const Theme::Appearance appearance : {Theme::Appearance::light, Theme::Appearance::dark}) {
            Theme::setAppearanceOverride(appearance);
            AppStyle::apply();
            const QString prefix = QStringLiteral("%1, %2")
                                       .arg(QLatin1String(state.name),
                                           appearance == Theme::Appearance::dark ? QLatin1String("dark")
                                                                                 : QLatin1String("light"));
            for (const QSize& size : sizes) {
                ManagerView::Factories factories = rig.app->viewFactories();
                factories.editor = nullptr;
                factories.welcome = nullptr;
                ManagerView view(store, factories);
                view.resize(size);
                view.show();
                for (const ManagerPage page : {ManagerPage::shares, ManagerPage::profiles, ManagerPage::activity}) {
                    store.setPage(page);
                    settle();
                    inspector.checkFocus = state.focus && size == sizes[1];
                    inspector.inspect(&view, QStringLiteral("%1, %2 at %3×%4")
                                                 .arg(prefix, title(page))
                                                 .arg(size.width())
                                                 .arg(size.height()));
                }
            }
            inspector.checkFocus = state.focus;
            std::unique_ptr<QWidget> panel(rig.app->makePopover(nullptr));
            panel->show();
            // As tall as its content asks, as on a real screen (the offscreen one is small at ratio 2).
            QLayout* column = panel->layout();
            panel->resize(panel->width(), column->hasHeightForWidth() ? column->totalHeightForWidth(panel->width())
                                                                     : column->totalSizeHint().height());
            inspector.inspect(panel.get(), prefix + QStringLiteral(", tray panel"));

            std::optional<ShareSpec> edited;
            if (!store.shares().empty())
                edited = store.shares().back();
            std::unique_ptr<QDialog> editor(rig.app->makeEditor(ShareEditorRequest {QUuid::createUuid(), edited}, nullptr));
            editor->show();
            inspector.inspect(editor.get(), prefix + QStringLiteral(", editor"));
            editor.reset();

            std::unique_ptr<QDialog> welcome(rig.app->makeWelcome(nullptr));
            auto* guide = static_cast<OnboardingView*>(welcome.get());
            welcome->show();
            for (int page = 0; page < int(OnboardingView::pages().size()); ++page) {
                guide->go(page);
                inspector.inspect(welcome.get(), prefix + QStringLiteral(", welcome page %1").arg(page + 1));
            }
        }
    }
    Theme::setAppearanceOverride(std::nullopt);
    EXPECT_TRUE(inspector.faults.isEmpty()) << inspector.faults.size() << " faults at device pixel ratio "
                                            << qApp->devicePixelRatio() << ":\n"
                                            << inspector.faults.mid(0, 60).join(u'\n').toStdString();
}

} // namespace
