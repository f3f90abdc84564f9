#include "app/store/store_rig.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

TEST(StoreFiles, NothingIsWrittenUntilSomethingChangesAndThenEverythingComesBack)
{
    StoreRig rig;
    rig.started();
    rig.settle();
    EXPECT_FALSE(QFile::exists(rig.folder.filePath("shares.json")));
    EXPECT_TRUE(rig.store->shares().empty());
    EXPECT_TRUE(rig.store->events().empty());

    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.store->addProfile();
    rig.store->toggle(studio, rig.store->profiles().front().id);
    rig.store->activate(rig.store->profiles().front());
    rig.settle();
    const QByteArray written = rig.file("shares.json");
    EXPECT_TRUE(written.contains("\n    ")) << "pretty-printed";
    // Keys in sorted order at every level.
    EXPECT_LT(written.indexOf("\"activeProfileID\""), written.indexOf("\"profiles\""));
    EXPECT_LT(written.indexOf("\"profiles\""), written.indexOf("\"shares\""));

    const std::vector<ShareSpec> shares = rig.store->shares();
    const std::vector<Profile> profiles = rig.store->profiles();
    ShareStore& again = rig.make();
    again.start();
    EXPECT_EQ(again.shares(), shares);
    EXPECT_EQ(again.profiles(), profiles);
    EXPECT_EQ(again.activeProfileID(), profiles.front().id);
    EXPECT_FALSE(again.events().empty());
}

TEST(StoreFiles, WithoutAnActiveRouteTheKeyIsLeftOutAndReadsAsNone)
{
    StoreRig rig;
    rig.started();
    rig.add("Studio", "nas.local");
    const QJsonObject saved = QJsonDocument::fromJson(rig.file("shares.json")).object();
    EXPECT_FALSE(saved.contains("activeProfileID"));
    EXPECT_TRUE(saved.value("profiles").isArray());
    EXPECT_FALSE(rig.make().activeProfileID());
}

struct DamagedCase {
    const char* what;
    QByteArray contents;
};

void PrintTo(const DamagedCase& c, std::ostream* os)
{
    *os << c.what;
}

class DamagedSharesFile : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedSharesFile, IsKeptAsideSaidOnceAndLoadsNothing)
{
    StoreRig rig;
    rig.writeFile("shares.json", GetParam().contents);
    rig.started();
    EXPECT_TRUE(rig.store->shares().empty());
    const QStringList copies = QDir(rig.folder.path()).entryList({"shares.json.damaged-*"});
    ASSERT_EQ(copies.size(), 1);
    QFile copy(rig.folder.filePath(copies.front()));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), GetParam().contents);
    EXPECT_EQ(rig.story(), QStringList {"Couldn’t read shares.json; kept it as " + copies.front()});

    rig.add("Studio", "nas.local");
    rig.add("Archive", "nas.local");
    EXPECT_EQ(rig.store->events().size(), 1u) << "said once";
    EXPECT_EQ(rig.make().shares().size(), 0u) << "a store that has not started reads but does not write";
    rig.store->start();
    EXPECT_EQ(rig.store->shares().size(), 2u);
    EXPECT_EQ(QDir(rig.folder.path()).entryList({"shares.json.damaged-*"}).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedSharesFile,
    ::testing::Values(DamagedCase {"not JSON", "{\"shares\": [ {"},
        DamagedCase {"no profiles key", "{\"shares\": []}"},
        DamagedCase {"one share record without its host",
            R"({"profiles": [], "shares": [{"askEveryTime": false, "id": "8C3A1F2E-1111-4B7B-9C2D-0123456789AB",
                "keepConnected": true, "name": "Studio", "path": "s", "proto": "smb", "user": ""}]})"},
        DamagedCase {"an array instead of the record", "[]"}));

TEST(StoreFiles, OldLogEntriesAreDroppedAtLoadButStayOnDiskUntilTheNextEntry)
{
    StoreRig rig;
    rig.started();
    rig.store->log(ActivityEvent::Kind::info, std::nullopt, "old");
    rig.advance(40 * 86400);
    rig.store->log(ActivityEvent::Kind::info, std::nullopt, "recent");
    const QByteArray before = rig.file("activity.json");
    EXPECT_FALSE(before.contains('\n')) << "written compact";

    rig.advance(86400);
    ShareStore& again = rig.make();
    again.start();
    EXPECT_EQ(rig.story(), QStringList {"recent"});
    EXPECT_EQ(rig.file("activity.json"), before);
    again.log(ActivityEvent::Kind::info, std::nullopt, "newest");
    EXPECT_FALSE(rig.file("activity.json").contains("old"));
}

TEST(StoreFiles, AnUnreadableLogIsKeptAsideAndTheLogStartsEmpty)
{
    StoreRig rig;
    rig.writeFile("activity.json", "[{\"kind\": ");
    rig.started();
    EXPECT_EQ(QDir(rig.folder.path()).entryList({"activity.json.damaged-*"}).size(), 1);
    EXPECT_EQ(rig.store->events().size(), 1u);
    EXPECT_TRUE(rig.story().front().startsWith("Couldn’t read activity.json"));
}

struct SettingCase {
    const char* key;
    QString stored; // empty: absent
    double expected;
};

void PrintTo(const SettingCase& c, std::ostream* os)
{
    *os << c.key << "=" << c.stored.toStdString();
}

class StoreSettings : public ::testing::TestWithParam<SettingCase> {};

TEST_P(StoreSettings, ReadAtEachUseWithDefaultsAndBounds)
{
    StoreRig rig;
    if (!GetParam().stored.isEmpty())
        rig.defaults.values[GetParam().key] = GetParam().stored;
    const QString key = GetParam().key;
    const ShareStore& store = *rig.store;
    const double read = key == "probeInterval" ? store.probeInterval()
        : key == "retryCap"                    ? store.retryCap()
        : key == "failuresToMarkDown"          ? store.failuresToMarkDown()
        : key == "logRetentionDays"            ? double(store.retention().maxAge.value_or(-86400) / 86400)
        : key == "notifyDrops"                 ? double(store.notifyDrops())
                                               : double(store.reconnectAfterWake());
    EXPECT_EQ(read, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, StoreSettings,
    ::testing::Values(SettingCase {"probeInterval", "", 15}, SettingCase {"probeInterval", "2", 5},
        SettingCase {"probeInterval", "30.5", 30.5}, SettingCase {"probeInterval", "often", 15},
        SettingCase {"retryCap", "", 300}, SettingCase {"retryCap", "60", 60}, SettingCase {"retryCap", "-1", 5},
        SettingCase {"failuresToMarkDown", "0", 1}, SettingCase {"failuresToMarkDown", "", 2},
        SettingCase {"failuresToMarkDown", "2.5", 2}, SettingCase {"logRetentionDays", "7", 7},
        SettingCase {"logRetentionDays", "", 30}, SettingCase {"logRetentionDays", "0", -1},
        SettingCase {"notifyDrops", "", 1}, SettingCase {"notifyDrops", "false", 0},
        SettingCase {"notifyDrops", "maybe", 1}, SettingCase {"reconnectAfterWake", "false", 0}));

} // namespace
