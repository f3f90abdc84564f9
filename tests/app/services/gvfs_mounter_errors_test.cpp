#include "services/gvfs_mounter.h"
#include "services/mounter.h"
#include "services_test_app.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

using servicestest::share;

TEST(GvfsMounter, GioErrorsBecomeStatusCodes)
{
    const struct {
        int gioCode;
        std::int32_t status;
    } cases[] = {
        {G_IO_ERROR_PERMISSION_DENIED, 13},
        {G_IO_ERROR_NOT_FOUND, 2},
        {G_IO_ERROR_TIMED_OUT, 60},
        {G_IO_ERROR_CONNECTION_REFUSED, 61},
        {G_IO_ERROR_HOST_UNREACHABLE, 65},
        {G_IO_ERROR_HOST_NOT_FOUND, 65},
        {G_IO_ERROR_NETWORK_UNREACHABLE, 51},
        {G_IO_ERROR_CANCELLED, 89},
        {G_IO_ERROR_FAILED_HANDLED, 89},
        {G_IO_ERROR_ALREADY_MOUNTED, 17},
        {G_IO_ERROR_INVALID_ARGUMENT, 22},
        {G_IO_ERROR_NOT_SUPPORTED, 95},
        {G_IO_ERROR_FAILED, 5},
    };
    for (const auto& c : cases) {
        GError* error = g_error_new_literal(G_IO_ERROR, c.gioCode, "x");
        EXPECT_EQ(GvfsMounter::statusFromError(error), c.status) << c.gioCode;
        g_error_free(error);
    }
}

TEST(GvfsMounter, SharesMountThroughTheirDesktopUri)
{
    using P = ShareProtocol;
    const struct {
        ShareSpec spec;
        const char* uri;
    } cases[] = {
        {share(P::smb, QStringLiteral("nas"), 10445, QStringLiteral("Media Files"), QStringLiteral("ann")),
            "smb://ann@nas:10445/Media%20Files"},
        {share(P::afp, QStringLiteral("mac"), std::nullopt, QStringLiteral("Vol"), QString()), "afp://mac/Vol"},
        {share(P::nfs, QStringLiteral("filer"), std::nullopt, QStringLiteral("exports/media"), QStringLiteral("bob")),
            "nfs://filer/exports/media"},
        {share(P::webdav, QStringLiteral("127.0.0.1"), 8080, QStringLiteral("dav"), QStringLiteral("u")),
            "dav://u@127.0.0.1:8080/dav"},
        {share(P::webdavs, QStringLiteral("cloud"), std::nullopt, QString(), QString()), "davs://cloud/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GvfsMounter::gioUri(c.spec), QString::fromUtf8(c.uri)) << c.uri;
}

TEST(GvfsMounter, ClientLibraryErrorsInTheMessageKeepTheirMeaning)
{
    const struct {
        const char* message;
        std::int32_t status;
    } cases[] = {
        {"Failed to mount Windows share: No such file or directory", 2},
        {"Failed to mount Windows share: Connection refused", 61},
        {"Failed to mount Windows share: Permission denied", 13},
        {"Failed to mount Windows share: Connection timed out", 60},
        {"Failed to mount Windows share: No route to host", 65},
        {"Something odd happened", 5},
    };
    for (const auto& c : cases) {
        GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_FAILED, c.message);
        EXPECT_EQ(GvfsMounter::statusFromError(error), c.status) << c.message;
        g_error_free(error);
    }
}
