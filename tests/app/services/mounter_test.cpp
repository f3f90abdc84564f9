#include "services/mounter.h"
#include "services_test_app.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(Mounter, FailuresReadAsSentencesAndOnlyThoseThatNeedTheUserAreNotRetried)
{
    const std::tuple<std::vector<std::int32_t>, bool, const char*> cases[] = {
        {{80, 13, 1}, false, "The server didn’t accept the user name or password."},
        {{2, -6003}, false, "That share wasn’t found on the server."},
        {{51, 64, 65}, true, "The server can’t be reached on this network."},
        {{60}, true, "The server took too long to answer."},
        {{61}, true, "The server refused the connection."},
        {{89, -128}, false, "The connection was cancelled."},
        {{22}, false, "Invalid argument (22)."},
        {{5}, true, "Input/output error (5)."},
        {{-5045, -6600, -6602, 0}, false, "Mount failed (error %1)."},
        {{-36, 100000}, true, "Mount failed (error %1)."},
        {{-9807}, false, "The server’s certificate changed since you trusted it."},
        {{-9813}, false, "The server’s certificate isn’t trusted yet. Connect this line by hand to check it."},
    };
    for (const auto& [codes, retryable, sentence] : cases) {
        for (std::int32_t code : codes) {
            EXPECT_EQ(Mounter::describe(code), QString::fromUtf8(sentence).replace("%1", QString::number(code))) << code;
            EXPECT_EQ(Mounter::isRetryable(code), retryable) << code;
        }
    }
}

TEST(Mounter, SystemErrorsGiveTheSentenceOfTheirKind)
{
    const std::pair<int, std::int32_t> cases[] = {
        {ETIMEDOUT, 60}, {ECONNREFUSED, 61}, {EHOSTDOWN, 64}, {EHOSTUNREACH, 65}, {ENETUNREACH, 51},
        {ECANCELED, 89}, {EACCES, 13}, {EPERM, 1}, {ENOENT, 2}, {EEXIST, 17}, {EINVAL, 22},
        // Linux numbers that collide with the codes above must not borrow their sentences.
        {ENODATA, 5}, {ENOSTR, 5}, {ENONET, 5}, {ELIBBAD, 5}, {EDESTADDRREQ, 5}, {ENOSPC, ENOSPC},
    };
    for (const auto& [linuxErrno, status] : cases)
        EXPECT_EQ(Mounter::statusFromErrno(linuxErrno), status) << linuxErrno;
}
