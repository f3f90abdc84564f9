#include "services/mounter.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace Mounter {

bool isRetryable(std::int32_t status)
{
    static constexpr std::array<std::int32_t, 13> needsUser{
        80, 13, 1, 2, 89, 22, -128, -5045, -6003, -6600, -6602, Status::certificateChanged, Status::certificateUntrusted};
    for (std::int32_t code : needsUser) {
        if (code == status)
            return false;
    }
    return status != 0;
}

QString describe(std::int32_t status)
{
    switch (status) {
    case 1:
    case 13:
    case 80:
        return QStringLiteral("The server didn’t accept the user name or password.");
    case 2:
    case -6003:
        return QStringLiteral("That share wasn’t found on the server.");
    case 51:
    case 64:
    case 65:
        return QStringLiteral("The server can’t be reached on this network.");
    case 60:
        return QStringLiteral("The server took too long to answer.");
    case 61:
        return QStringLiteral("The server refused the connection.");
    case 89:
    case -128:
        return QStringLiteral("The connection was cancelled.");
    case Status::certificateChanged:
        return QStringLiteral("The server’s certificate changed since you trusted it.");
    case Status::certificateUntrusted:
        return QStringLiteral("The server’s certificate isn’t trusted yet. Connect this line by hand to check it.");
    default:
        break;
    }
    if (status >= 1) {
        // glibc answers "Unknown error N" for codes it has no text for.
        const char* text = strerrordesc_np(status);
        if (text != nullptr)
            return QString::fromLocal8Bit(text) + QStringLiteral(" (") + QString::number(status) + QStringLiteral(").");
    }
    return QStringLiteral("Mount failed (error ") + QString::number(status) + QStringLiteral(").");
}

std::int32_t statusFromErrno(int linuxErrno)
{
    switch (linuxErrno) {
    case 0:
        return Status::ioError;
    case ETIMEDOUT:
        return Status::timedOut;
    case ECONNREFUSED:
        return Status::connectionRefused;
    case EHOSTDOWN:
        return Status::hostDown;
    case EHOSTUNREACH:
        return Status::hostUnreachable;
    case ENETUNREACH:
    case ENETDOWN:
        return Status::networkUnreachable;
    case ECANCELED:
        return Status::cancelled;
    case EOPNOTSUPP:
        return Status::notSupported;
    default:
        break;
    }
    // Linux numbers that coincide with a code above would read as the wrong sentence.
    switch (linuxErrno) {
    case 51:
    case 60:
    case 61:
    case 64:
    case 65:
    case 80:
    case 89:
        return Status::ioError;
    default:
        return linuxErrno;
    }
}

} // namespace Mounter
