#include "update_fixture.h"

#include "quillokit/check_for_updates_action.h"
#include "quillokit/update_settings_tab.h"
#include "quillokit/update_window.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using Kind = UpdatePhase::Kind;

TEST(UpdateViews, SettingsTabSaysWhatTheCheckFoundAndWindowsOfferOnlyWhatCanBeDone)
{
    UpdateFixture fixture;
    fixture.publish("0.9");
    auto updater = fixture.makeUpdater();
    UpdateSettingsTab tab(*updater);
    EXPECT_TRUE(tab.automaticToggle()->isChecked());
    tab.automaticToggle()->click();
    EXPECT_EQ(fixture.defaults.flag(QStringLiteral("QuilloAutoUpdate")), false);
    EXPECT_FALSE(updater->automaticallyDownloads());
    updater->setAutomaticallyDownloads(true);
    EXPECT_TRUE(tab.automaticToggle()->isChecked());

    tab.checkButton()->click();
    EXPECT_EQ(tab.statusLabel()->text(), QStringLiteral("Checking for updates…"));
    ASSERT_TRUE(UpdateFixture::settles(*updater));
    EXPECT_EQ(tab.statusLabel()->text(), QStringLiteral("You’re up to date."));

    // A build without a feed says so, rather than offering controls that do nothing.
    UpdaterBundle offline = fixture.bundle();
    offline.feedURL.reset();
    auto quiet = fixture.makeUpdater(offline);
    UpdateSettingsTab quietTab(*quiet);
    UpdateWindow window(*quiet);
    window.present();
    EXPECT_FALSE(quietTab.checkButton()->isEnabled() || quietTab.automaticToggle()->isEnabled());
    EXPECT_EQ(quietTab.statusLabel()->text(), "This copy of Mountwire was built without an update feed.");
    EXPECT_TRUE(window.detailLabel()->text().contains("without an update feed"));
    EXPECT_EQ(window.laterButton()->text(), "Close");

    // One that cannot replace itself offers the download page and says how to get updates automatically.
    fixture.publish("1.1");
    UpdaterBundle removable = fixture.bundle();
    removable.installFolder = QStringLiteral("/media/usb/mountwire");
    auto stuck = fixture.makeUpdater(removable);
    UpdateWindow pageWindow(*stuck);
    stuck->checkForUpdates();
    pageWindow.present();
    ASSERT_TRUE(UpdateFixture::settles(*stuck));
    EXPECT_FALSE(pageWindow.downloadButton()->isVisible());
    EXPECT_TRUE(pageWindow.pageButton()->isVisible());
    const QList<QLabel*> labels = pageWindow.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
        return label->isVisible() && label->text().contains(QLatin1String("to get updates automatically"), Qt::CaseInsensitive);
    }));
    pageWindow.laterButton()->click();
    EXPECT_FALSE(pageWindow.isVisible());
}

TEST(UpdateViews, WindowLeadsFromTheMenuCheckThroughDownloadToRestart)
{
    UpdateFixture fixture;
    fixture.defaults.setFlag(QStringLiteral("QuilloAutoUpdate"), false);
    fixture.publish("1.1", *UpdateArchive::pack(UpdateFixture::appEntries("1.1", 600 * 1024)));
    int quits = 0;
    UpdaterHooks hooks;
    hooks.quit = [&] { ++quits; };
    auto updater = fixture.makeUpdater(hooks);
    UpdateWindow window(*updater);
    QObject::connect(updater.get(), &Updater::windowRequested, &window, &UpdateWindow::present);
    UpdateSettingsTab tab(*updater);

    makeCheckForUpdatesAction(*updater, &window)->trigger();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.headingLabel()->text(), QStringLiteral("Checking for updates…"));
    ASSERT_TRUE(UpdateFixture::settles(*updater));
    ASSERT_EQ(updater->phase().kind, Kind::available);
    EXPECT_EQ(window.headingLabel()->text(), QStringLiteral("Mountwire 1.1 is available"));
    EXPECT_TRUE(window.downloadButton()->isVisible());
    EXPECT_FALSE(window.pageButton()->isVisible());

    bool progressShown = false;
    QObject::connect(updater.get(), &Updater::phaseChanged, &window, [&] {
        progressShown = progressShown || (window.progressBar()->isVisible() && window.progressBar()->value() > 0);
    });
    window.downloadButton()->click();
    ASSERT_TRUE(UpdateFixture::settles(*updater));
    ASSERT_EQ(updater->phase().kind, Kind::ready);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(window.headingLabel()->text(), QStringLiteral("Mountwire 1.1 is ready"));
    EXPECT_EQ(window.detailLabel()->text(), QStringLiteral("It installs the next time Mountwire quits."));
    EXPECT_EQ(tab.statusLabel()->text(), QStringLiteral("Mountwire 1.1 is ready and installs when you quit."));
    ASSERT_TRUE(window.restartButton()->isVisible());
    window.restartButton()->click();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(updater->relaunchAfterInstall());
}

} // namespace
