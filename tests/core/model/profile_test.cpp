#include "model/profile_plan.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

struct Board {
    std::vector<ShareSpec> shares;
    QList<QUuid> ids;

    explicit Board(int count)
    {
        for (int i = 0; i < count; ++i) {
            shares.emplace_back(QUuid::createUuid(), QString(), ShareProtocol::smb, "nas", std::nullopt,
                QStringLiteral("s%1").arg(i), QString(), false, true);
            ids.append(shares.back().id);
        }
    }
};

Profile route(QList<QUuid> members, bool unmountOthers)
{
    return {QUuid::createUuid(), "Office", "building.2", std::move(members), unmountOthers};
}

TEST(ProfilePlan, MountsWhatIsMissingInRouteOrderAndUnmountsOthersInListOrder)
{
    const Board b(5);
    const QUuid deleted = QUuid::createUuid();
    const std::tuple<const char*, Profile, QSet<QUuid>, ProfilePlan> cases[] = {
        {"all mounted, keep others", route({b.ids[0], b.ids[1]}, false), {b.ids[0], b.ids[1], b.ids[2]}, {}},
        {"route order wins for mounting", route({b.ids[3], b.ids[0]}, false), {}, {{b.ids[3], b.ids[0]}, {}}},
        {"deleted member is ignored", route({deleted, b.ids[1]}, true), {b.ids[0]}, {{b.ids[1]}, {b.ids[0]}}},
        {"nothing mounted, nothing to eject", route({b.ids[1]}, true), {}, {{b.ids[1]}, {}}},
        {"others in saved order", route({b.ids[2]}, true), {b.ids[4], b.ids[2], b.ids[0]}, {{}, {b.ids[0], b.ids[4]}}},
        {"empty route ejects all", route({}, true), {b.ids[1], b.ids[3]}, {{}, {b.ids[1], b.ids[3]}}},
        {"duplicates stay", route({b.ids[1], b.ids[1]}, false), {}, {{b.ids[1], b.ids[1]}, {}}},
        {"foreign mounts never appear", route({}, true), {deleted}, {}},
    };
    for (const auto& [what, profile, mounted, plan] : cases)
        EXPECT_EQ(ProfilePlan::make(profile, b.shares, mounted), plan) << what;
}

TEST(Profile, RecordRoundTripsAndNeedsEveryKey)
{
    const Profile profile = route(Board(2).ids, true);
    const QJsonObject json = profile.toJson();
    EXPECT_EQ(Profile::fromJson(json), profile);
    for (const QString& key : json.keys()) {
        QJsonObject missing = json;
        missing.remove(key);
        EXPECT_FALSE(Profile::fromJson(missing)) << key.toStdString();
    }
    for (const auto& [key, value] : {std::pair {"shareIDs", QJsonValue(QJsonArray {"nope"})}, {"unmountOthers", 1}}) {
        QJsonObject bad = json;
        bad.insert(QLatin1String(key), value);
        EXPECT_FALSE(Profile::fromJson(bad)) << key;
    }
}

} // namespace
