#include "model/share_spec.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

using enum ShareProtocol;

ShareSpec share(ShareProtocol proto, const QString& host, std::optional<int> port = {}, const QString& path = {},
    const QString& user = {}, const QString& name = {})
{
    return ShareSpec(QUuid::createUuid(), name, proto, host, port, path, user, false, true);
}

TEST(ShareSpec, ConstructorTidiesWhatTheUserGaveAndServerKeysGroupByServer)
{
    const ShareSpec spec = share(smb, " \t[fe80::1%en0] ", {}, "//Media/Films/", " anna ");
    EXPECT_EQ(spec.host, QStringLiteral("fe80::1%en0"));
    EXPECT_EQ(spec.path, QStringLiteral("Media/Films"));
    EXPECT_EQ(spec.user, QStringLiteral(" anna "));
    EXPECT_EQ(spec.name, QStringLiteral("Films"));
    EXPECT_EQ(share(smb, "nas", {}, "///").name, QStringLiteral("nas"));
    EXPECT_EQ(share(smb, "nas", {}, {}, {}, " Mine ").name, QStringLiteral(" Mine "));
    // One server written many ways is one key.
    EXPECT_EQ(share(smb, "NAS.local").serverKey(), QStringLiteral("nas:445"));
    EXPECT_EQ(share(smb, "nas.local.").serverKey(), QStringLiteral("nas:445"));
    EXPECT_EQ(share(afp, "nas", 445).serverKey(), QStringLiteral("nas:445"));
    EXPECT_EQ(share(webdavs, "nas").serverKey(), QStringLiteral("nas:443"));
    EXPECT_EQ(share(nfs, "nas").effectivePort(), 2049);
}

TEST(ShareSpec, UrlEncodesForMountingAndNeverCarriesNfsUsers)
{
    const std::pair<ShareSpec, const char*> cases[] = {
        {share(smb, "fe80::1%en0", {}, "x"), "smb://[fe80::1%25en0]/x"},
        {share(smb, "nas", 10445, "Team Files/a#b", "anna"), "smb://anna@nas:10445/Team%20Files/a%23b"},
        {share(nfs, "nas", {}, "export", "anna"), "nfs://nas/export"},
        {share(webdavs, "dav.example"), "https://dav.example/"}, {share(afp, "nas", {}, "100%"), "afp://nas/100%25"},
    };
    for (const auto& [spec, expected] : cases) {
        const std::optional<QUrl> url = spec.url();
        ASSERT_TRUE(url.has_value()) << expected;
        EXPECT_EQ(url->toString(QUrl::FullyEncoded), QString::fromUtf8(expected));
    }
}

TEST(ShareSpec, DisplayUrlParsesBackToTheSameShare)
{
    const ShareSpec shares[] = {
        share(smb, "fe80::1%en0", 445, "Team Files/Ünïcode", "anna"), share(afp, "nas.local", {}, "Media"),
        share(nfs, "nas", {}, "srv/export", "ignored"), share(webdav, "dav", 8080),
        share(webdavs, "dav", {}, "remote.php/files"),
    };
    for (const ShareSpec& spec : shares) {
        const QString line = spec.displayURL();
        const auto parsed = ShareAddress::parse(line);
        ASSERT_TRUE(std::holds_alternative<ShareAddress>(parsed)) << line.toStdString();
        const ShareAddress& a = std::get<ShareAddress>(parsed);
        EXPECT_EQ(std::tie(a.proto, a.host, a.port, a.path), std::tie(spec.proto, spec.host, spec.port, spec.path));
        EXPECT_EQ(a.user, supportsUser(spec.proto) ? spec.user : QString());
    }
    EXPECT_EQ(shares[0].displayURL(), QStringLiteral("smb://anna@[fe80::1%en0]:445/Team Files/Ünïcode"));
    EXPECT_EQ(shares[2].displayURL(), QStringLiteral("nfs://nas/srv/export"));
}

TEST(ShareSpec, RecordRoundTripsKeepsStoredValuesAsTheyAreAndRefusesMissingOrMistypedFields)
{
    ShareSpec spec = share(webdavs, "dav", 8443, "files", "anna", "Files");
    spec.askEveryTime = true;
    EXPECT_EQ(ShareSpec::fromJson(spec.toJson()), spec);
    EXPECT_EQ(spec.toJson().value(u"id").toString(), spec.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_FALSE(share(smb, "nas", {}, "x").toJson().contains(u"port"));

    const auto decoded = ShareSpec::fromJson(QJsonDocument::fromJson(R"({"id":"6F9619FF-8B86-D011-B42D-00CF4FC964FF",
        "name":"","proto":"smb","host":" [nas] ","port":null,"path":"/x/","user":"","askEveryTime":false,
        "keepConnected":true})").object());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(std::tie(decoded->path, decoded->host, decoded->name), std::tuple("/x/", " [nas] ", ""));
    EXPECT_FALSE(decoded->port.has_value());

    // Every key but the port is needed, each of its own type.
    const QJsonObject good = share(smb, "nas", 445, "x").toJson();
    for (const QString& key : good.keys()) {
        QJsonObject missing = good;
        missing.remove(key);
        EXPECT_EQ(ShareSpec::fromJson(missing).has_value(), key == u"port") << key.toStdString();
    }
    const std::pair<const char*, QJsonValue> mistyped[] = {
        {"id", "not-a-uuid"}, {"id", "{6f9619ff-8b86-d011-b42d-00cf4fc964ff}"}, {"proto", "SMB"}, {"proto", "ftp"},
        {"port", "445"}, {"port", 44.5}, {"name", 3}, {"keepConnected", "true"}, {"user", QJsonValue::Null},
    };
    for (const auto& [key, value] : mistyped) {
        QJsonObject record = good;
        record.insert(QLatin1String(key), value);
        EXPECT_FALSE(ShareSpec::fromJson(record)) << key;
    }
    EXPECT_FALSE(ShareSpec::fromJson(QJsonValue("share")));
}

} // namespace
