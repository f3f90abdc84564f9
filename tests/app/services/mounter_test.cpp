#include "services/mounter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

TEST(Mounter, FailedMountsReadAsPlainSentences)
{
    const struct {
        std::int32_t code;
        const char* sentence;
    } cases[] = {
        {80, "The server didn’t accept the user name or password."},
        {13, "The server didn’t accept the user name or password."},
        {1, "The server didn’t accept the user name or password."},
        {2, "That share wasn’t found on the server."},
        {-6003, "That share wasn’t found on the server."},
        {51, "The server can’t be reached on this network."},
        {64, "The server can’t be reached on this network."},
        {65, "The server can’t be reached on this network."},
        {60, "The server took too long to answer."},
        {61, "The server refused the connection."},
        {89, "The connection was cancelled."},
        {-128, "The connection was cancelled."},
        {22, "Invalid argument (22)."},
        {5, "Input/output error (5)."},
        {-5045, "Mount failed (error -5045)."},
        {-36, "Mount failed (error -36)."},
        {0, "Mount failed (error 0)."},
        {100000, "Mount failed (error 100000)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Mounter::describe(c.code), QString::fromUtf8(c.sentence)) << c.code;
}

TEST(Mounter, OnlyFailuresThatNeedTheUserAreNotRetried)
{
    for (std::int32_t code : {80, 13, 1, 2, 89, 22, -128, -5045, -6003, -6600, -6602})
        EXPECT_FALSE(Mounter::isRetryable(code)) << code;
    for (std::int32_t code : {60, 61, 64, 65, 51, 5, -36, 17, 95})
        EXPECT_TRUE(Mounter::isRetryable(code)) << code;
}

TEST(Mounter, AlreadyMountedCountsAsMounted)
{
    EXPECT_EQ(MountOutcome::fromStatus(17, QStringLiteral("/run/x")), MountOutcome::mounted(QStringLiteral("/run/x")));
    EXPECT_EQ(MountOutcome::fromStatus(0, std::nullopt), MountOutcome::mounted(std::nullopt));
    EXPECT_EQ(MountOutcome::fromStatus(60, std::nullopt).value, (decltype(MountOutcome::value){MountOutcome::Failed{60, true}}));
    EXPECT_EQ(MountOutcome::failed(80).failedCase()->retryable, false);
}

TEST(Mounter, SystemErrorsGiveTheSentenceOfTheirKind)
{
    const struct {
        int linuxErrno;
        std::int32_t status;
    } cases[] = {
        {ETIMEDOUT, 60}, {ECONNREFUSED, 61}, {EHOSTDOWN, 64}, {EHOSTUNREACH, 65}, {ENETUNREACH, 51},
        {ECANCELED, 89}, {EACCES, 13}, {EPERM, 1}, {ENOENT, 2}, {EEXIST, 17}, {EINVAL, 22},
        // Linux numbers that collide with the codes above must not borrow their sentences.
        {ENODATA, 5}, {ENOSTR, 5}, {ENONET, 5}, {ELIBBAD, 5}, {EDESTADDRREQ, 5}, {ENOSPC, ENOSPC},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Mounter::statusFromErrno(c.linuxErrno), c.status) << c.linuxErrno;
}
