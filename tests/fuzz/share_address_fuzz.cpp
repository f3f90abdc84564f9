// Feeds arbitrary text to the address grammar and everything built from a parsed address.
#include "model/share_address.h"
#include "model/share_draft.h"
#include "model/share_spec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ShareAddress::Parsed parsed = ShareAddress::parse(text);
    if (const auto* address = std::get_if<ShareAddress>(&parsed)) {
        if (address->host.isEmpty())
            __builtin_trap();
        const ShareSpec spec = address->spec();
        (void)spec.url();
        (void)spec.serverKey();
        (void)ShareAddress::parse(spec.displayURL());
        (void)ShareSpec::fromJson(spec.toJson());
    } else {
        (void)std::get<ShareAddress::Problem>(parsed).message();
    }
    for (ShareProtocol proto : allShareProtocols())
        (void)ShareAddress::parse(ShareAddress::replacingScheme(text, proto));
    const ShareDraft draft {text, text, false, true};
    (void)draft.spec(QUuid());
    return 0;
}
