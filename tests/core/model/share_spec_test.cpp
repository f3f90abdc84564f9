#include "model/share_address.h"
#include "model/share_spec.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

ShareSpec share(ShareProtocol proto, const QString& host, std::optional<int> port = {}, const QString& path = {},
    const QString& user = {}, const QString& name = {})
{
    return ShareSpec(QUuid::createUuid(), name, proto, host, port, path, user, false, true);
}

QJsonObject object(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

TEST(ShareSpec, ConstructorTidiesWhatTheUserGave)
{
    const ShareSpec spec = share(ShareProtocol::smb, QStringLiteral(" \t[fe80::1%en0] "), {},
        QStringLiteral("//Media/Films/"), QStringLiteral(" anna "));
    EXPECT_EQ(spec.host, QStringLiteral("fe80::1%en0"));
    EXPECT_EQ(spec.path, QStringLiteral("Media/Films"));
    EXPECT_EQ(spec.user, QStringLiteral(" anna "));
    EXPECT_EQ(spec.name, QStringLiteral("Films"));
    EXPECT_EQ(share(ShareProtocol::smb, QStringLiteral("nas"), {}, QStringLiteral("///")).name, QStringLiteral("nas"));
    EXPECT_EQ(share(ShareProtocol::smb, QStringLiteral("nas"), {}, {}, {}, QStringLiteral(" Mine ")).name,
        QStringLiteral(" Mine "));
}

TEST(ShareSpec, ServerKeyGroupsOneServerWrittenManyWays)
{
    const QString key = QStringLiteral("nas:445");
    EXPECT_EQ(share(ShareProtocol::smb, QStringLiteral("NAS.local")).serverKey(), key);
    EXPECT_EQ(share(ShareProtocol::smb, QStringLiteral("nas.local.")).serverKey(), key);
    EXPECT_EQ(share(ShareProtocol::afp, QStringLiteral("nas"), 445).serverKey(), key);
    EXPECT_EQ(share(ShareProtocol::webdavs, QStringLiteral("nas")).serverKey(), QStringLiteral("nas:443"));
    EXPECT_EQ(share(ShareProtocol::nfs, QStringLiteral("nas")).effectivePort(), 2049);
}

TEST(ShareSpec, UrlEncodesForMountingAndNeverCarriesNfsUsers)
{
    struct Case {
        ShareSpec spec;
        const char* url;
    };
    const std::vector<Case> cases {
        {share(ShareProtocol::smb, QStringLiteral("fe80::1%en0"), {}, QStringLiteral("x")), "smb://[fe80::1%25en0]/x"},
        {share(ShareProtocol::smb, QStringLiteral("nas"), 10445, QStringLiteral("Team Files/a#b"), QStringLiteral("anna")),
            "smb://anna@nas:10445/Team%20Files/a%23b"},
        {share(ShareProtocol::nfs, QStringLiteral("nas"), {}, QStringLiteral("export"), QStringLiteral("anna")),
            "nfs://nas/export"},
        {share(ShareProtocol::webdavs, QStringLiteral("dav.example"), {}, {}), "https://dav.example/"},
        {share(ShareProtocol::afp, QStringLiteral("nas"), {}, QStringLiteral("100%")), "afp://nas/100%25"},
    };
    for (const Case& c : cases) {
        const std::optional<QUrl> url = c.spec.url();
        ASSERT_TRUE(url.has_value()) << c.url;
        EXPECT_EQ(url->toString(QUrl::FullyEncoded), QString::fromUtf8(c.url));
    }
}

TEST(ShareSpec, DisplayUrlParsesBackToTheSameShare)
{
    const std::vector<ShareSpec> shares {
        share(ShareProtocol::smb, QStringLiteral("fe80::1%en0"), 445, QStringLiteral("Team Files/Ünïcode"),
            QStringLiteral("anna")),
        share(ShareProtocol::afp, QStringLiteral("nas.local"), {}, QStringLiteral("Media")),
        share(ShareProtocol::nfs, QStringLiteral("nas"), {}, QStringLiteral("srv/export"), QStringLiteral("ignored")),
        share(ShareProtocol::webdav, QStringLiteral("dav"), 8080, {}),
        share(ShareProtocol::webdavs, QStringLiteral("dav"), {}, QStringLiteral("remote.php/files")),
    };
    for (const ShareSpec& spec : shares) {
        const QString line = spec.displayURL();
        const auto parsed = ShareAddress::parse(line);
        ASSERT_TRUE(std::holds_alternative<ShareAddress>(parsed)) << line.toStdString();
        const ShareAddress& a = std::get<ShareAddress>(parsed);
        EXPECT_EQ(a.proto, spec.proto);
        EXPECT_EQ(a.host, spec.host);
        EXPECT_EQ(a.port, spec.port);
        EXPECT_EQ(a.path, spec.path);
        EXPECT_EQ(a.user, supportsUser(spec.proto) ? spec.user : QString());
    }
    EXPECT_EQ(shares[0].displayURL(), QStringLiteral("smb://anna@[fe80::1%en0]:445/Team Files/Ünïcode"));
    EXPECT_EQ(shares[2].displayURL(), QStringLiteral("nfs://nas/srv/export"));
}

TEST(ShareSpec, RecordRoundTripsAndKeepsStoredValuesAsTheyAre)
{
    ShareSpec spec = share(ShareProtocol::webdavs, QStringLiteral("dav"), 8443, QStringLiteral("files"),
        QStringLiteral("anna"), QStringLiteral("Files"));
    spec.askEveryTime = true;
    EXPECT_EQ(ShareSpec::fromJson(spec.toJson()), spec);
    EXPECT_EQ(spec.toJson().value(u"id").toString(), spec.id.toString(QUuid::WithoutBraces).toUpper());

    const ShareSpec noPort = share(ShareProtocol::smb, QStringLiteral("nas"), {}, QStringLiteral("x"));
    EXPECT_FALSE(noPort.toJson().contains(u"port"));

    const auto decoded = ShareSpec::fromJson(object(R"({"id":"6F9619FF-8B86-D011-B42D-00CF4FC964FF","name":"",
        "proto":"smb","host":" [nas] ","port":null,"path":"/x/","user":"","askEveryTime":false,"keepConnected":true})"));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->path, QStringLiteral("/x/"));
    EXPECT_EQ(decoded->host, QStringLiteral(" [nas] "));
    EXPECT_EQ(decoded->name, QString());
    EXPECT_FALSE(decoded->port.has_value());
}

TEST(ShareSpec, RecordWithAMissingOrMistypedFieldIsRefused)
{
    const QJsonObject good = share(ShareProtocol::smb, QStringLiteral("nas"), 445, QStringLiteral("x")).toJson();
    ASSERT_TRUE(ShareSpec::fromJson(good));
    for (const QString& key : good.keys()) {
        if (key == u"port")
            continue;
        QJsonObject missing = good;
        missing.remove(key);
        EXPECT_FALSE(ShareSpec::fromJson(missing)) << key.toStdString();
    }
    const std::vector<std::pair<const char*, QJsonValue>> mistyped {
        {"id", QStringLiteral("not-a-uuid")},
        {"id", QStringLiteral("{6f9619ff-8b86-d011-b42d-00cf4fc964ff}")},
        {"proto", QStringLiteral("SMB")},
        {"proto", QStringLiteral("ftp")},
        {"port", QStringLiteral("445")},
        {"port", 44.5},
        {"name", 3},
        {"keepConnected", QStringLiteral("true")},
        {"user", QJsonValue::Null},
    };
    for (const auto& [key, value] : mistyped) {
        QJsonObject record = good;
        record.insert(QLatin1String(key), value);
        EXPECT_FALSE(ShareSpec::fromJson(record)) << key;
    }
    EXPECT_FALSE(ShareSpec::fromJson(QJsonValue(QStringLiteral("share"))));
}

TEST(ShareSpec, ParseGivesAFreshShareOrNothing)
{
    const auto spec = ShareSpec::parse(QStringLiteral("smb://anna:pw@nas/Media"));
    ASSERT_TRUE(spec.has_value());
    EXPECT_EQ(spec->name, QStringLiteral("Media"));
    EXPECT_EQ(spec->user, QStringLiteral("anna"));
    EXPECT_FALSE(spec->displayURL().contains(QStringLiteral("pw")));
    EXPECT_FALSE(ShareSpec::parse(QStringLiteral("ftp://nas")).has_value());
}

} // namespace
