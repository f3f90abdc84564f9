#include "services/secret_service_keychain.h"
#include "services_test_app.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using servicestest::env;
using servicestest::share;
using servicestest::waitFor;

namespace {

#define NEED_KEYRING()                                                                                              \
    do {                                                                                                            \
        if (env("MW_KEYRING_DATA").isEmpty())                                                                       \
            GTEST_SKIP() << "MW_KEYRING_DATA is not set: no password store in this session";                        \
    } while (0)

std::optional<QString> read(Keychain& keychain, const ShareSpec& spec)
{
    auto result = waitFor<std::optional<QString>>([&](auto done) { keychain.password(spec, done); });
    EXPECT_TRUE(result) << "password() did not call back";
    return result.value_or(std::nullopt);
}

bool save(Keychain& keychain, const QString& password, const ShareSpec& spec)
{
    auto result = waitFor<bool>([&](auto done) { keychain.save(password, spec, done); });
    EXPECT_TRUE(result) << "save() did not call back";
    return result.value_or(false);
}

bool has(Keychain& keychain, const ShareSpec& spec)
{
    auto result = waitFor<bool>([&](auto done) { keychain.hasPassword(spec, done); });
    EXPECT_TRUE(result) << "hasPassword() did not call back";
    return result.value_or(false);
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

TEST(SecretServiceKeychain, PasswordRoundTripsThroughTheStore)
{
    NEED_KEYRING();
    SecretServiceKeychain keychain;
    const ShareSpec spec = share(ShareProtocol::smb, uniqueHost(), std::nullopt, QStringLiteral("Media"),
        QStringLiteral("ann"));
    EXPECT_FALSE(has(keychain, spec));
    EXPECT_EQ(read(keychain, spec), std::nullopt);
    ASSERT_TRUE(save(keychain, QStringLiteral("pässwörd ✓"), spec));
    EXPECT_TRUE(has(keychain, spec));
    EXPECT_EQ(read(keychain, spec), QStringLiteral("pässwörd ✓"));
}

TEST(SecretServiceKeychain, SharesOnOneServerUserAndProtocolShareOnePassword)
{
    NEED_KEYRING();
    SecretServiceKeychain keychain;
    const QString host = uniqueHost();
    const ShareSpec media = share(ShareProtocol::smb, host, std::nullopt, QStringLiteral("Media"), QStringLiteral("ann"));
    const ShareSpec backup = share(ShareProtocol::smb, host, 10445, QStringLiteral("Backup"), QStringLiteral("ann"));
    const ShareSpec otherUser = share(ShareProtocol::smb, host, std::nullopt, QStringLiteral("Media"), QStringLiteral("bob"));
    const ShareSpec dav = share(ShareProtocol::webdav, host, std::nullopt, QStringLiteral("Media"), QStringLiteral("ann"));
    const ShareSpec nfs = share(ShareProtocol::nfs, host, std::nullopt, QStringLiteral("Media"), QStringLiteral("ann"));

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

TEST(SecretServiceKeychain, ShareWithoutUserStoresNothing)
{
    NEED_KEYRING();
    SecretServiceKeychain keychain;
    const ShareSpec spec = share(ShareProtocol::smb, uniqueHost(), std::nullopt, QStringLiteral("Media"), QString());
    EXPECT_FALSE(save(keychain, QStringLiteral("x"), spec));
    EXPECT_FALSE(has(keychain, spec));
    EXPECT_EQ(read(keychain, spec), std::nullopt);
}

TEST(SecretServiceKeychain, PasswordIsInNoFileWeWrite)
{
    NEED_KEYRING();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());
    const QByteArray secret = "needle-" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces);

    SecretServiceKeychain keychain;
    const ShareSpec spec = share(ShareProtocol::webdav, uniqueHost(), 8080, QStringLiteral("dav"), QStringLiteral("ann"));
    ASSERT_TRUE(save(keychain, QString::fromUtf8(secret), spec));
    EXPECT_EQ(read(keychain, spec), QString::fromUtf8(secret));

    EXPECT_FALSE(anyFileContains(home.path(), secret));
    // The store keeps its items encrypted on disk.
    EXPECT_FALSE(anyFileContains(env("MW_KEYRING_DATA"), secret));
}
