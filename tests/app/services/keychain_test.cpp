#include "services/keychain.h"
#include "services_test_app.h"

#include <gtest/gtest.h>

using servicestest::share;

TEST(KeychainItem, OneItemPerServerUserAndProtocol)
{
    using P = ShareProtocol;
    const struct {
        ShareSpec spec;
        const char* protocol;
        std::optional<QString> path;
    } cases[] = {
        {share(P::smb, QStringLiteral("nas"), 10445, QStringLiteral("Media/Films"), QStringLiteral("ann")), "smb",
            QStringLiteral("/Media/Films")},
        {share(P::afp, QStringLiteral("nas"), std::nullopt, QStringLiteral("Vol"), QStringLiteral("ann")), "afp",
            QStringLiteral("/Vol")},
        {share(P::nfs, QStringLiteral("nas"), std::nullopt, QStringLiteral("export"), QStringLiteral("ann")), "",
            std::nullopt},
        {share(P::webdav, QStringLiteral("nas"), 8080, QStringLiteral("dav"), QStringLiteral("ann")), "http",
            std::nullopt},
        {share(P::webdavs, QStringLiteral("nas"), std::nullopt, QString(), QStringLiteral("ann")), "https",
            std::nullopt},
    };
    for (const auto& c : cases) {
        std::optional<KeychainItem> item = KeychainItem::forSpec(c.spec);
        ASSERT_TRUE(item) << c.protocol;
        EXPECT_EQ(item->server, QStringLiteral("nas"));
        EXPECT_EQ(item->account, QStringLiteral("ann"));
        EXPECT_EQ(item->label, QStringLiteral("nas"));
        EXPECT_EQ(item->protocol, QString::fromUtf8(c.protocol));
        EXPECT_EQ(item->path, c.path) << c.protocol;
    }
}

TEST(KeychainItem, SharesWithoutUserKeepNoPassword)
{
    EXPECT_FALSE(KeychainItem::forSpec(share(ShareProtocol::smb, QStringLiteral("nas"), std::nullopt,
        QStringLiteral("s"), QString())));
}
