#include "services/secret_service_keychain.h"
#include "services_test_app.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using servicestest::env;
using servicestest::share;
using servicestest::waitFor;
using P = ShareProtocol;

namespace {

#define NEED_KEYRING()                                                                                              \
    if (env("MW_KEYRING_DATA").isEmpty())                                                                           \
    GTEST_SKIP() << "MW_KEYRING_DATA is not set: no password store in this session"

template <typename T, typename Call>
T answer(Call call, T otherwise = {})
{
    const std::optional<T> result = waitFor<T>(call);
    EXPECT_TRUE(result) << "the password store did not call back";
    return result.value_or(otherwise);
}

std::optional<QString> read(Keychain& keychain, const ShareSpec& spec)
{
    return answer<std::optional<QString>>([&](auto done) { keychain.password(spec, done); });
}

bool save(Keychain& keychain, const QString& password, const ShareSpec& spec)
{
    return answer<bool>([&](auto done) { keychain.save(password, spec, done); });
}

bool has(Keychain& keychain, const ShareSpec& spec)
{
    return answer<bool>([&](auto done) { keychain.hasPassword(spec, done); });
}

// Each test run gets its own server name, so runs never see each other's items.
QString uniqueHost()
{
    return QStringLiteral("nas-") + QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
}

bool anyFileContains(const QString& folder, const QByteArray& needle)
{
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            return true;
    }
    return false;
}

} // namespace

TEST(KeychainItem, OneItemPerServerUserAndProtocolAndNoneWithoutUser)
{
    const struct {
        ShareSpec spec;
        const char* protocol;
        std::optional<QString> path;
    } cases[] = {
        {share(P::smb, "nas", 10445, "Media/Films", "ann"), "smb", "/Media/Films"},
        {share(P::afp, "nas", std::nullopt, "Vol", "ann"), "afp", "/Vol"},
        {share(P::nfs, "nas", std::nullopt, "export", "ann"), "", std::nullopt},
        {share(P::webdav, "nas", 8080, "dav", "ann"), "http", std::nullopt},
        {share(P::webdavs, "nas", std::nullopt, "", "ann"), "https", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<KeychainItem> item = KeychainItem::forSpec(c.spec);
        ASSERT_TRUE(item) << c.protocol;
        EXPECT_EQ(item->server, "nas");
        EXPECT_EQ(item->account, "ann");
        EXPECT_EQ(item->protocol, QString::fromUtf8(c.protocol));
        EXPECT_EQ(item->path, c.path) << c.protocol;
    }
    EXPECT_FALSE(KeychainItem::forSpec(share(P::smb, "nas", std::nullopt, "s", "")));
}

TEST(SecretServiceKeychain, PasswordRoundTripsAndAShareWithoutUserStoresNothing)
{
    NEED_KEYRING();
    SecretServiceKeychain keychain;
    const ShareSpec spec = share(ShareProtocol::smb, uniqueHost(), std::nullopt, "Media", "ann");
    EXPECT_FALSE(has(keychain, spec));
    EXPECT_EQ(read(keychain, spec), std::nullopt);
    ASSERT_TRUE(save(keychain, QStringLiteral("pässwörd ✓"), spec));
    EXPECT_TRUE(has(keychain, spec));
    EXPECT_EQ(read(keychain, spec), QStringLiteral("pässwörd ✓"));

    const ShareSpec anonymous = share(ShareProtocol::smb, uniqueHost(), std::nullopt, "Media", "");
    EXPECT_FALSE(save(keychain, QStringLiteral("x"), anonymous));
    EXPECT_FALSE(has(keychain, anonymous));
    EXPECT_EQ(read(keychain, anonymous), std::nullopt);
}

TEST(SecretServiceKeychain, SharesOnOneServerUserAndProtocolShareOnePassword)
{
    NEED_KEYRING();
    SecretServiceKeychain keychain;
    const QString host = uniqueHost();
    const ShareSpec media = share(ShareProtocol::smb, host, std::nullopt, "Media", "ann");
    const ShareSpec backup = share(ShareProtocol::smb, host, 10445, "Backup", "ann");
    const ShareSpec otherUser = share(ShareProtocol::smb, host, std::nullopt, "Media", "bob");
    const ShareSpec dav = share(ShareProtocol::webdav, host, std::nullopt, "Media", "ann");
    const ShareSpec nfs = share(ShareProtocol::nfs, host, std::nullopt, "Media", "ann");

    ASSERT_TRUE(save(keychain, QStringLiteral("first"), media));
    ASSERT_TRUE(save(keychain, QStringLiteral("second"), backup));
    EXPECT_EQ(read(keychain, media), QStringLiteral("second"));
    EXPECT_EQ(read(keychain, backup), QStringLiteral("second"));
    EXPECT_EQ(read(keychain, otherUser), std::nullopt);
    EXPECT_EQ(read(keychain, dav), std::nullopt);
    EXPECT_EQ(read(keychain, nfs), std::nullopt);

    ASSERT_TRUE(save(keychain, QStringLiteral("for nfs"), nfs));
    EXPECT_EQ(read(keychain, nfs), QStringLiteral("for nfs"));
    EXPECT_EQ(read(keychain, media), QStringLiteral("second"));
}

TEST(SecretServiceKeychain, PasswordIsInNoFileWeWrite)
{
    NEED_KEYRING();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    for (const char* name : {"CONFIG", "DATA", "CACHE"})
        qputenv(QByteArray("XDG_") + name + "_HOME", (home.path() + '/' + name).toUtf8());
    const QByteArray secret = "needle-" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces);

    SecretServiceKeychain keychain;
    const ShareSpec spec = share(ShareProtocol::webdav, uniqueHost(), 8080, "dav", "ann");
    ASSERT_TRUE(save(keychain, QString::fromUtf8(secret), spec));
    EXPECT_EQ(read(keychain, spec), QString::fromUtf8(secret));

    EXPECT_FALSE(anyFileContains(home.path(), secret));
    // The store keeps its items encrypted on disk.
    EXPECT_FALSE(anyFileContains(env("MW_KEYRING_DATA"), secret));
}
