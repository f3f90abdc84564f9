#include "model/share_draft.h"

ShareDraft ShareDraft::editing(const ShareSpec& spec)
{
    const bool defaultNamed = spec.name == ShareSpec::defaultName(spec.path, spec.host);
    return {spec.displayURL(), defaultNamed ? QString() : spec.name, spec.askEveryTime, spec.keepConnected};
}

ShareAddress::Parsed ShareDraft::parsed() const
{
    return ShareAddress::parse(address);
}

ShareDraft::Verdict ShareDraft::verdict() const
{
    const ShareAddress::Parsed result = parsed();
    if (const auto* problem = std::get_if<ShareAddress::Problem>(&result))
        return Verdict::needs(problem->message());
    const ShareAddress& parsedAddress = std::get<ShareAddress>(result);
    if (!parsedAddress.path.isEmpty())
        return Verdict::ready();
    switch (parsedAddress.proto) {
    case ShareProtocol::webdav:
    case ShareProtocol::webdavs:
        return Verdict::ready();
    case ShareProtocol::nfs:
        return Verdict::needs(QStringLiteral("Add the export path after the server"));
    case ShareProtocol::smb:
    case ShareProtocol::afp:
        break;
    }
    return Verdict::needs(QStringLiteral("Add the share name after the server"));
}

std::optional<ShareSpec> ShareDraft::spec(const QUuid& id) const
{
    if (verdict().kind != Verdict::Kind::ready)
        return std::nullopt;
    const ShareAddress::Parsed result = parsed();
    const ShareAddress* a = std::get_if<ShareAddress>(&result);
    if (!a)
        return std::nullopt;
    return ShareSpec(id, name.trimmed(), a->proto, a->host, a->port, a->path, a->user, askEveryTime, keepConnected);
}
