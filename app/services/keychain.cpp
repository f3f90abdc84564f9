#include "services/keychain.h"

std::optional<KeychainItem> KeychainItem::forSpec(const ShareSpec& spec)
{
    if (spec.user.isEmpty())
        return std::nullopt;
    KeychainItem item;
    item.server = spec.host;
    item.account = spec.user;
    item.label = spec.host;
    switch (spec.proto) {
    case ShareProtocol::smb:
        item.protocol = QStringLiteral("smb");
        item.path = QStringLiteral("/") + spec.path;
        break;
    case ShareProtocol::afp:
        item.protocol = QStringLiteral("afp");
        item.path = QStringLiteral("/") + spec.path;
        break;
    case ShareProtocol::nfs:
        break;
    case ShareProtocol::webdav:
        item.protocol = QStringLiteral("http");
        break;
    case ShareProtocol::webdavs:
        item.protocol = QStringLiteral("https");
        break;
    }
    return item;
}
