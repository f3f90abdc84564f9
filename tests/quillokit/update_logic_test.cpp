#include "app/test_app.h"
#include "quillokit/update_feed.h"
#include "quillokit/update_logic.h"
#include "quillokit/update_signing.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(UpdateLogic, VersionsCompareByTheirNumbers)
{
    const std::tuple<const char*, const char*, bool> cases[] = {{"1.10", "1.9", true}, {"1.9", "1.10", false},
        {"2.0", "2.0", false}, {"2.0.1", "2.0", true},
        {"2.0", "2.0.1", false}, {"10.0", "9.99", true}, {"1.02", "1.2", false}, {"1.2b", "1.2a", true},
        {"1.123456789012345678901", "1.99999999999999999999", true}};
    for (const auto& [version, than, newer] : cases)
        EXPECT_EQ(UpdateLogic::isNewer(version, than), newer) << version << " against " << than;
}

TEST(UpdateLogic, MinimumSystemComparesItsFirstThreeNumbers)
{
    const std::tuple<std::optional<QString>, SystemVersion, bool> cases[] = {{"12", {12, 0, 0}, true},
        {"12.1", {12, 0, 5}, false}, {"11.x.3", {11, 3, 0}, true},
        {"11.x.3", {11, 2, 9}, false}, {"6.1.0.99", {6, 1, 0}, true}, {"..6..2.", {6, 2, 0}, true},
        {"6.1-rc1", {6, 0, 9}, true}, {"99999999999999999999999", {6, 1, 0}, false}, {"", {0, 0, 0}, true},
        {std::nullopt, {0, 0, 0}, true}};
    for (const auto& [minimum, system, supported] : cases) {
        EXPECT_EQ(UpdateLogic::systemSupports(minimum, system), supported)
            << qPrintable(minimum.value_or("(none)")) << " on " << system.major << '.' << system.minor << '.'
            << system.patch;
    }
    EXPECT_EQ(SystemVersion::parse("6.1.0-18-amd64"), (SystemVersion {6, 1, 0}));
    EXPECT_EQ(SystemVersion::parse("5.15"), (SystemVersion {5, 15, 0}));
    EXPECT_EQ(SystemVersion::parse("unknown"), (SystemVersion {0, 0, 0}));
}

TEST(UpdateLogic, SignatureHoldsOnlyForTheSignedBytesUnderTheRightKey)
{
    const auto keys = *UpdateSigning::makeKeyPair();
    const QByteArray archive("the archive's bytes");
    const QString genuine = *UpdateSigning::sign(archive, keys.secretKey);
    ASSERT_EQ(QByteArray::fromBase64(genuine.toLatin1()).size(), 64);
    const std::tuple<const char*, QByteArray, QString, QString, bool> cases[] = {
        {"as signed", archive, genuine, keys.publicKey, true},
        {"one byte changed", "the archive's bytez", genuine, keys.publicKey, false},
        {"other key", archive, genuine, UpdateSigning::makeKeyPair()->publicKey, false},
        {"genuine not Base64", archive, "%%%", keys.publicKey, false},
        {"key not Base64", archive, genuine, "not a key!", false},
        {"key too short", archive, genuine, QString::fromLatin1(QByteArray(31, 'k').toBase64()), false},
        {"genuine too short", archive, genuine.left(40), keys.publicKey, false},
        {"empty", archive, QString(), QString(), false},
    };
    for (const auto& [name, data, signature, key, valid] : cases)
        EXPECT_EQ(UpdateLogic::verify(data, signature, key), valid) << name;
    EXPECT_FALSE(UpdateSigning::sign(archive, keys.publicKey)) << "a public key cannot sign";
}

TEST(UpdateLogic, SecretKeyFileIsTheOwnersAloneAndNeverOverwritten)
{
    QTemporaryDir folder;
    const mode_t before = ::umask(0);
    EXPECT_TRUE(UpdateSigning::writeSecretKey(folder.filePath("key"), "c2VjcmV0"));
    EXPECT_FALSE(UpdateSigning::writeSecretKey(folder.filePath("key"), "b3RoZXI="));
    ::umask(before);
    EXPECT_EQ(QFileInfo(folder.filePath("key")).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
        QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(TestApp::readFile(folder.filePath("key")), "c2VjcmV0\n");
}

TEST(UpdateLogic, SecureTransfersAreNeverRedirectedToPlainAddresses)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"https://example.org/feed", "https://cdn.example.org/feed", true},
        {"https://example.org/feed", "http://example.org/feed", false},
        {"https://example.org/feed", "ftp://example.org/feed", false},
        {"http://example.org/feed", "https://example.org/feed", true},
        {"http://example.org/feed", "http://example.net/feed", true},
        {"http://example.org/feed", "file:///etc/passwd", false}};
    for (const auto& [from, to, allowed] : cases)
        EXPECT_EQ(UpdateLogic::allowsRedirect(QUrl(from), QUrl(to)), allowed) << from << " -> " << to;
}

// What is read is written back the same, awkward texts included.
TEST(UpdateFeed, ReadsRequiredAndOptionalKeysIgnoresOthersAndWritesThemBack)
{
    const auto full = UpdateFeed::decode(R"({"version":"1.2","url":"https://example.org/“quoted”",
        "notes":"Line one.\nLine two · done…","minimumSystemVersion":"6.1","extra":[1,2],
        "download":{"url":"https://example.org/m.zip","length":8589934592,"edSignature":"c2ln","more":true}})");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->version, "1.2");
    EXPECT_EQ(full->url, "https://example.org/“quoted”");
    EXPECT_EQ(full->notes, "Line one.\nLine two · done…");
    EXPECT_EQ(full->minimumSystemVersion, "6.1");
    EXPECT_EQ(full->download, (UpdateFeed::Download {"https://example.org/m.zip", qint64(8589934592), "c2ln"}));
    EXPECT_EQ(UpdateFeed::decode(full->encode()), full);

    const auto bare = UpdateFeed::decode(R"({"version":"1.2","url":"https://example.org/get","notes":null})");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->notes || bare->minimumSystemVersion || bare->download);
    EXPECT_EQ(UpdateFeed::decode(bare->encode()), bare);
}

TEST(UpdateFeed, MissingRequiredKeyOrWrongTypeMakesItUnreadable)
{
    for (const char* json : {
             R"({"url":"u"})",
             R"({"version":"1"})",
             R"({"version":1.2,"url":"u"})",
             R"({"version":"1","url":"u","notes":7})",
             R"({"version":"1","url":"u","minimumSystemVersion":12})",
             R"({"version":"1","url":"u","download":"m.zip"})",
             R"({"version":"1","url":"u","download":{"url":"d","length":10}})",
             R"({"version":"1","url":"u","download":{"url":"d","edSignature":"s"}})",
             R"({"version":"1","url":"u","download":{"url":"d","length":"10","edSignature":"s"}})",
             R"({"version":"1","url":"u","download":{"url":"d","length":10.5,"edSignature":"s"}})",
             R"({"version":"1","url":"u","download":{"url":"d","length":1e30,"edSignature":"s"}})",
             R"(["version","url"])",
             R"({"version":"1","url":"u")",
             "",
         }) {
        EXPECT_FALSE(UpdateFeed::decode(json)) << json;
    }
}

} // namespace
