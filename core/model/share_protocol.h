#pragma once

#include <QString>

#include <array>
#include <optional>

// The five file-sharing protocols, in the order the editor's protocol switch shows them.
enum class ShareProtocol { smb, afp, nfs, webdav, webdavs };

const std::array<ShareProtocol, 5>& allShareProtocols();

QString toRaw(ShareProtocol proto);
std::optional<ShareProtocol> shareProtocolFromRaw(const QString& raw);
// Accepts the aliases people type: cifs, dav, davs, http, https… in any letter case.
std::optional<ShareProtocol> shareProtocolFromScheme(const QString& scheme);
// A mounted WebDAV volume always reads as webdav; the table cannot tell TLS apart.
std::optional<ShareProtocol> shareProtocolFromFsType(const QString& fsType);

QString label(ShareProtocol proto);
QString urlScheme(ShareProtocol proto);
int defaultPort(ShareProtocol proto);
QString fsTypeName(ShareProtocol proto);
QString bonjourType(ShareProtocol proto);
bool supportsUser(ShareProtocol proto);
