#pragma once
// Timings and the one setting key that the store's files share.

#include <QString>

namespace StoreConstants {
inline constexpr double probeTimeout = 3;
inline constexpr double staleTimeout = 4;
inline constexpr double backoffBase = 5;
inline constexpr double certificateTimeout = 10;
inline const QString keyConnectedShares = QStringLiteral("connectedShares");
} // namespace StoreConstants
