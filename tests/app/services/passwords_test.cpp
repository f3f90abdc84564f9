#include "services/password_prompt.h"
#include "services/secret_service_keychain.h"
#include "services_test_app.h"

#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using servicestest::env;
using servicestest::share;
using servicestest::waitFor;
using P = ShareProtocol;

namespace {

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
        if (TestApp::readFile(it.next()).contains(needle))
            return true;
    }
    return false;
}

ShareSpec media(const QString& user)
{
    return share(ShareProtocol::smb, "nas.local", std::nullopt, "Media", user, "Media");
}

// Connect returns what was typed, masked; Cancel returns nothing.
TEST(PasswordPrompt, SaysWhoseShareThatNothingIsSavedAndReturnsWhatWasTyped)
{
    TestApp::instance();
    EXPECT_EQ(PasswordPrompt::messageFor(media("ann")), "Password for Media");
    EXPECT_EQ(PasswordPrompt::informativeTextFor(media("ann")),
        "Enter the password for ann on nas.local. It isn’t saved.");
    EXPECT_EQ(PasswordPrompt::informativeTextFor(media("")),
        "Enter the password for this share on nas.local. It isn’t saved.");

    const std::tuple<const char*, bool, std::optional<QString>> cases[] = {
        {"s3cret", true, "s3cret"}, {"", true, ""}, {"typed", false, std::nullopt}};
    for (const auto& [typed, connect, answer] : cases) {
        SCOPED_TRACE(typed);
        bool acted = false;
        // Acts on the prompt once it is open, from inside its own event loop.
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* prompt = qobject_cast<PasswordPrompt*>(widget);
                if (!prompt || !prompt->isVisible())
                    continue;
                EXPECT_EQ(prompt->field()->echoMode(), QLineEdit::Password);
                EXPECT_TRUE(prompt->connectButton()->isDefault());
                prompt->field()->setText(QString::fromUtf8(typed));
                acted = true;
                (connect ? prompt->connectButton() : prompt->cancelButton())->click();
                return;
            }
        });
        EXPECT_EQ(PasswordPrompt::ask(media("ann")), answer);
        EXPECT_TRUE(acted) << "no prompt was open";
    }
}

} // namespace

TEST(KeychainItem, NamesTheSharesPathOnlyForProtocolsThatHaveOne)
{
    EXPECT_EQ(KeychainItem::forSpec(share(P::smb, "nas", 10445, "Media/Films", "ann"))->path, "/Media/Films");
    EXPECT_EQ(KeychainItem::forSpec(share(P::afp, "nas", std::nullopt, "Vol", "ann"))->path, "/Vol");
    EXPECT_EQ(KeychainItem::forSpec(share(P::webdavs, "nas", std::nullopt, "dav", "ann"))->protocol, "https");
    EXPECT_EQ(KeychainItem::forSpec(share(P::webdav, "nas", 8080, "dav", "ann"))->path, std::nullopt);
}

// One password per server, user and protocol; a share without a user stores nothing; no password is in a
// file we write.
TEST(SecretServiceKeychain, SharesOnOneServerUserAndProtocolShareOnePasswordKeptOutOfOurFiles)
{
    REQUIRE_ENV("MW_KEYRING_DATA");
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    for (const char* name : {"CONFIG", "DATA", "CACHE"})
        qputenv(QByteArray("XDG_") + name + "_HOME", (home.path() + '/' + name).toUtf8());
    SecretServiceKeychain keychain;
    const QString host = uniqueHost();
    const ShareSpec media = share(ShareProtocol::smb, host, std::nullopt, "Media", "ann");
    const ShareSpec backup = share(ShareProtocol::smb, host, 10445, "Backup", "ann");
    const ShareSpec otherUser = share(ShareProtocol::smb, host, std::nullopt, "Media", "bob");
    const ShareSpec dav = share(ShareProtocol::webdav, host, std::nullopt, "Media", "ann");
    const ShareSpec nfs = share(ShareProtocol::nfs, host, std::nullopt, "Media", "ann");
    const ShareSpec anonymous = share(ShareProtocol::smb, host, std::nullopt, "Media", "");
    const QString secret = QStringLiteral("pässwörd ✓ ") + QUuid::createUuid().toString();

    EXPECT_FALSE(has(keychain, media));
    EXPECT_EQ(read(keychain, media), std::nullopt);
    ASSERT_TRUE(save(keychain, secret, media));
    EXPECT_TRUE(has(keychain, media));
    EXPECT_EQ(read(keychain, media), secret);
    EXPECT_FALSE(anyFileContains(home.path(), secret.toUtf8()));
    // The store keeps its items encrypted on disk.
    EXPECT_FALSE(anyFileContains(env("MW_KEYRING_DATA"), secret.toUtf8()));

    ASSERT_TRUE(save(keychain, QStringLiteral("second"), backup));
    EXPECT_EQ(read(keychain, media), QStringLiteral("second"));
    for (const ShareSpec& other : {otherUser, dav, nfs, anonymous})
        EXPECT_EQ(read(keychain, other), std::nullopt) << other.displayURL().toStdString();

    ASSERT_TRUE(save(keychain, QStringLiteral("for nfs"), nfs));
    EXPECT_EQ(read(keychain, nfs), QStringLiteral("for nfs"));
    EXPECT_EQ(read(keychain, media), QStringLiteral("second"));
    EXPECT_FALSE(save(keychain, QStringLiteral("x"), anonymous));
    EXPECT_FALSE(has(keychain, anonymous));
}
