// Feeds arbitrary bytes to the mountinfo reader and matches whatever it lists.
#include "model/mount_matcher.h"
#include "model/mount_table.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::vector<MountedVolume> volumes = MountTable::fromMountinfo(text);
    const ShareSpec share(QUuid(), QStringLiteral("x"), ShareProtocol::smb, QStringLiteral("nas"), std::nullopt,
        QStringLiteral("share"), QString(), false, true);
    for (const MountedVolume& volume : volumes) {
        if (!MountTable::networkTypes().contains(volume.fsType))
            __builtin_trap();
        (void)volume.displayName();
        (void)MountMatcher::matches(share, volume);
    }
    (void)MountMatcher::assign({share}, volumes);
    (void)MountedVolume::parseSource(QString::fromUtf8(text), QStringLiteral("nfs"));
    (void)MountedVolume::parseSource(QString::fromUtf8(text), QStringLiteral("smbfs"));
    return 0;
}
