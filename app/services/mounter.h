#pragma once
// The sentences a user reads when a mount fails, and which failures an automatic retry may fix.
// Status codes are the ones named in Mounter::Status; other codes are Linux errno values, whose
// text comes from the C library.

#include "services/mount_outcome.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace Mounter {

namespace Status {
inline constexpr std::int32_t notPermitted = 1;
inline constexpr std::int32_t noSuchShare = 2;
inline constexpr std::int32_t ioError = 5;
inline constexpr std::int32_t permissionDenied = 13;
inline constexpr std::int32_t alreadyMounted = 17;
inline constexpr std::int32_t invalidArgument = 22;
inline constexpr std::int32_t networkUnreachable = 51;
inline constexpr std::int32_t timedOut = 60;
inline constexpr std::int32_t connectionRefused = 61;
inline constexpr std::int32_t hostDown = 64;
inline constexpr std::int32_t hostUnreachable = 65;
inline constexpr std::int32_t loginRefused = 80;
inline constexpr std::int32_t cancelled = 89;
inline constexpr std::int32_t notSupported = 95;
inline constexpr std::int32_t userCancelled = -128;
inline constexpr std::int32_t noSharesAvailable = -6003;
// The server's certificate is not the one the user trusted for this line.
inline constexpr std::int32_t certificateChanged = -9807;
// An automatic mount met a certificate nobody has looked at yet.
inline constexpr std::int32_t certificateUntrusted = -9813;
} // namespace Status

// False for the codes an automatic retry cannot fix without the user.
bool isRetryable(std::int32_t status);

// The user-facing sentence for a failed mount status.
QString describe(std::int32_t status);

// A Linux errno value (from the C library, libsmbclient or libnfs) as a status code.
std::int32_t statusFromErrno(int linuxErrno);

} // namespace Mounter
