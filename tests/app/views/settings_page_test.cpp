#include "views/settings_page.h"

#include "app/store/store_rig.h"
#include "fakes/fake_login_item.h"
#include "views/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

// The store and the forms over a real INI file, as the application runs them.
struct SettingsRig : StoreRig {
    QTemporaryDir iniFolder;
    QString iniPath = iniFolder.filePath(QStringLiteral("mountwire.conf"));
    QSettingsUserDefaults ini {iniPath};
    FakeLoginItem loginItem;

    SettingsRig() { restart(); }

    void restart()
    {
        StoreServices s = services();
        s.defaults = &ini;
        make(s).start();
    }

    QString stored(const QString& key) const { return QSettings(iniPath, QSettings::IniFormat).value(key).toString(); }

    std::unique_ptr<SettingsForm> form()
    {
        auto f = std::make_unique<SettingsForm>(*store, ini, loginItem);
        f->show();
        return f;
    }

    static QString on(bool value) { return value ? QStringLiteral("on") : QStringLiteral("off"); }

    // Interval, checks, retry cap, retention, then the wake, drops and recoveries switches.
    static std::string shown(const SettingsForm& f)
    {
        return QStringList {f.probeIntervalPicker()->currentText(), QString::number(f.failuresStepper()->value()),
            f.retryCapPicker()->currentText(), f.retentionPicker()->currentText(),
            on(f.reconnectAfterWakeToggle()->isChecked()), on(f.notifyDropsToggle()->isChecked()),
            on(f.notifyRecoveriesToggle()->isChecked())}.join(" | ").toStdString();
    }

    std::string read() const
    {
        const std::optional<double> age = store->retention().maxAge;
        return QStringList {QString::number(store->probeInterval()), QString::number(store->failuresToMarkDown()),
            QString::number(store->retryCap()), QString::number(age ? *age / 86400 : 0), on(store->reconnectAfterWake()),
            on(store->notifyDrops()), on(store->notifyRecoveries())}.join(" | ").toStdString();
    }
};

TEST(SettingsForm, AFreshInstallAndBadValuesInTheFileShowWhatTheStoreUses)
{
    const char* defaultsShown = "15 seconds | 2 | 5 minutes | 30 days | on | on | on";
    const char* defaultsRead = "15 | 2 | 300 | 30 | on | on | on";
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", defaultsShown, defaultsRead},
        // Unreadable: the defaults.
        {"probeInterval=10,20\nfailuresToMarkDown=2.5\nretryCap=inf\nlogRetentionDays=a month\nreconnectAfterWake=no\n"
         "notifyDrops=0\nnotifyRecoveries=FALSE\n",
            defaultsShown, defaultsRead},
        // Below the store's floors.
        {"probeInterval=2\nfailuresToMarkDown=-4\nretryCap=-1\nlogRetentionDays=-5\n",
            "5 seconds | 1 | 5 seconds | Always (last 500) | on | on | on", "5 | 1 | 5 | 0 | on | on | on"},
        // Readable but not offered: shown as they are, in their place.
        {"probeInterval=30.5\nretryCap=90\nlogRetentionDays=45\nreconnectAfterWake=false\nnotifyDrops=false\n",
            "30.5 seconds | 2 | 90 seconds | 45 days | off | off | on", "30.5 | 2 | 90 | 45 | off | off | on"},
    };
    for (const auto& [lines, shown, read] : cases) {
        SCOPED_TRACE(lines);
        SettingsRig rig;
        for (const QString& line : QString::fromUtf8(lines).split(u'\n', Qt::SkipEmptyParts))
            rig.ini.setText(line.section(u'=', 0, 0), line.section(u'=', 1));
        EXPECT_EQ(SettingsRig::shown(*rig.form()), shown);
        EXPECT_EQ(rig.read(), read);
        EXPECT_EQ(QFile::exists(rig.iniPath), *lines != 0) << "showing the form writes nothing";
    }
}

TEST(SettingsForm, TheLoginToggleShowsTheLoginItemsErrorUntilTheNextChange)
{
    SettingsRig rig;
    rig.loginItem.enabled = true;
    auto form = rig.form();
    EXPECT_TRUE(form->launchAtLoginToggle()->isChecked());
    EXPECT_FALSE(form->loginError());

    rig.loginItem.failure = QStringLiteral("The session manager refused the login item.");
    form->launchAtLoginToggle()->click();
    EXPECT_FALSE(form->launchAtLoginToggle()->isChecked()) << "stays where the user put it";
    EXPECT_EQ(form->loginError(), "The session manager refused the login item.");

    rig.loginItem.failure.reset();
    form->launchAtLoginToggle()->click();
    EXPECT_FALSE(form->loginError());
    EXPECT_EQ(rig.loginItem.calls, (std::vector<bool> {false, true}));
}

TEST(SettingsPage, BothFormsFollowEachOtherAndWriteEveryChangeAtOnce)
{
    SettingsRig rig;
    rig.store->log(ActivityEvent::Kind::info, std::nullopt, QStringLiteral("old"));
    rig.advance(10 * 86400);
    rig.store->log(ActivityEvent::Kind::info, std::nullopt, QStringLiteral("new"));
    ASSERT_TRUE(rig.file(ShareStore::eventsFileName()).contains("old"));
    {
        SettingsPage page(*rig.store, rig.ini, rig.loginItem);
        page.show();
        auto window = rig.form();
        SettingsForm* inPage = page.form();
        window->probeIntervalPicker()->setCurrentText("30 seconds");
        inPage->failuresStepper()->setValue(0);
        window->retryCapPicker()->setCurrentText("15 minutes");
        inPage->retentionPicker()->setCurrentText("7 days");
        window->reconnectAfterWakeToggle()->click();
        inPage->notifyDropsToggle()->click();
        EXPECT_EQ(SettingsRig::shown(*window), "30 seconds | 1 | 15 minutes | 7 days | off | off | on");
        EXPECT_EQ(SettingsRig::shown(*inPage), SettingsRig::shown(*window));
        EXPECT_EQ(rig.stored("retryCap"), "900") << "written at once";
        EXPECT_EQ(window->failuresLabel()->text(), "Call a server down after 1 missed check");
        // The shorter retention trims the log and its file at once.
        EXPECT_EQ(rig.story(), QStringList {"new"});
        EXPECT_FALSE(rig.file(ShareStore::eventsFileName(), false).contains("old"));

        inPage->failuresStepper()->setValue(8);
        EXPECT_EQ(window->failuresLabel()->text(), "Call a server down after 5 missed checks");
        // Changed behind the forms' backs, the file is read again when a form shows.
        rig.ini.setInt(QStringLiteral("failuresToMarkDown"), 4);
        window->hide();
        window->show();
        EXPECT_EQ(window->failuresStepper()->value(), 4);
        window->retentionPicker()->setCurrentText("Always (last 500)");
    }
    rig.restart();
    EXPECT_EQ(rig.read(), "30 | 4 | 900 | 0 | off | off | on");
    EXPECT_EQ(SettingsRig::shown(*rig.form()), "30 seconds | 4 | 15 minutes | Always (last 500) | off | off | on");
}

} // namespace
