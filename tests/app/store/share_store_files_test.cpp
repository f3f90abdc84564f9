#include "app/store/store_rig.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using StoreFiles = StartedStore;

// Written only once something changes: the file's own keys sorted, each record's keys in the order
// of its fields, text as UTF-8; and read back whole after a restart.
TEST_F(StoreFiles, NothingIsWrittenUntilSomethingChangesThenKeyByKeyAndEverythingComesBack)
{
    rig.settle();
    EXPECT_FALSE(QFile::exists(rig.folder.filePath("shares.json")));
    EXPECT_TRUE(rig.store->events().empty());

    const QUuid id("{6f9619ff-8b86-d011-b42d-00cf4fc964ff}");
    rig.store->upsert(ShareSpec(id, "Büro \"A\"", ShareProtocol::smb, "nas", 10445, "team/files", "ana", false, true),
        std::nullopt);
    EXPECT_FALSE(QJsonDocument::fromJson(rig.file("shares.json")).object().contains("activeProfileID"))
        << "without an active route the key is left out";
    rig.store->addProfile();
    Profile route = rig.store->profiles().front();
    route.shareIDs = {id};
    rig.store->updateProfile(route);
    rig.store->activate(route);
    rig.settle();
    const QString routeID = JsonFields::uuidText(route.id);
    EXPECT_EQ(QString::fromUtf8(rig.file("shares.json")), R"({
    "activeProfileID": ")" + routeID + R"(",
    "profiles": [
        {
            "id": ")" + routeID + R"(",
            "name": ")" + route.name + R"(",
            "symbol": "building.2",
            "shareIDs": [
                "6F9619FF-8B86-D011-B42D-00CF4FC964FF"
            ],
            "unmountOthers": false
        }
    ],
    "shares": [
        {
            "id": "6F9619FF-8B86-D011-B42D-00CF4FC964FF",
            "name": "Büro \"A\"",
            "proto": "smb",
            "host": "nas",
            "port": 10445,
            "path": "team/files",
            "user": "ana",
            "askEveryTime": false,
            "keepConnected": true
        }
    ]
}
)");

    const std::vector<ShareSpec> shares = rig.store->shares();
    const std::vector<Profile> profiles = rig.store->profiles();
    ShareStore& again = rig.make();
    again.start();
    EXPECT_EQ(again.shares(), shares);
    EXPECT_EQ(again.profiles(), profiles);
    EXPECT_EQ(again.activeProfileID(), route.id);
    EXPECT_FALSE(again.events().empty());
}

TEST(DamagedFiles, ADamagedSharesFileIsKeptAsideSaidOnceAndLoadsNothing)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"not JSON", "{\"shares\": [ {"},
        {"no profiles key", "{\"shares\": []}"},
        {"one share record without its host",
            R"({"profiles": [], "shares": [{"askEveryTime": false, "id": "8C3A1F2E-1111-4B7B-9C2D-0123456789AB",
                "keepConnected": true, "name": "Studio", "path": "s", "proto": "smb", "user": ""}]})"},
        {"an array instead of the record", "[]"},
    };
    for (const auto& [what, contents] : cases) {
        SCOPED_TRACE(what);
        StoreRig rig;
        rig.writeFile("shares.json", contents);
        rig.started();
        EXPECT_TRUE(rig.store->shares().empty());
        const QStringList copies = QDir(rig.folder.path()).entryList({"shares.json.damaged-*"});
        ASSERT_EQ(copies.size(), 1);
        EXPECT_EQ(rig.file(copies.front()), contents);
        EXPECT_EQ(rig.story(), QStringList {"Couldn’t read shares.json; kept it as " + copies.front()});
        rig.make().start();
        EXPECT_EQ(rig.story().size(), 1) << "the same damaged file again is neither kept again nor told";

        rig.add("Studio", "nas.local");
        rig.add("Archive", "nas.local");
        EXPECT_EQ(rig.store->events().size(), 1u) << "said once";
        EXPECT_EQ(rig.make().shares().size(), 0u) << "a store that has not started reads but does not write";
        rig.store->start();
        EXPECT_EQ(rig.store->shares().size(), 2u);
        EXPECT_EQ(QDir(rig.folder.path()).entryList({"shares.json.damaged-*"}).size(), 1);
    }
}

// Entries past the retention are dropped at load but stay on disk until the next entry.
TEST_F(StoreFiles, OldLogEntriesGoAtLoadAndFromTheFileAtTheNextEntry)
{
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

TEST_F(StoreFiles, LogEntriesAreSavedTogetherWithinASecondAndWhenTheStoreEnds)
{
    rig.store->log(ActivityEvent::Kind::info, std::nullopt, "first");
    rig.store->log(ActivityEvent::Kind::info, std::nullopt, "second");
    EXPECT_FALSE(rig.file("activity.json", false).contains("second"));
    EXPECT_TRUE(TestApp::waitUntil([&] { return rig.file("activity.json", false).contains("second"); }, 1500));
    rig.store->log(ActivityEvent::Kind::info, std::nullopt, "last");
    rig.store.reset();
    EXPECT_TRUE(rig.file("activity.json").contains("last"));
}

TEST(DamagedFiles, AnUnreadableLogIsKeptAsideOncePerContentAndTheLogStartsEmpty)
{
    StoreRig rig;
    const std::pair<QByteArray, int> starts[] = {{"[{\"kind\": ", 1}, {"[{\"kind\": ", 0}, {"{}", 1}};
    for (const auto& [contents, told] : starts) {
        rig.writeFile("activity.json", contents);
        rig.make().start();
        EXPECT_EQ(rig.story().size(), told) << contents.constData();
        EXPECT_TRUE(rig.story().filter("Couldn’t read activity.json; kept it as activity.json.damaged-").size() == told);
        rig.advance(1);
    }
    EXPECT_EQ(QDir(rig.folder.path()).entryList({"activity.json.damaged-*"}).size(), 2);
}

} // namespace
