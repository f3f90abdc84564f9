#pragma once
// The network shares the desktop's virtual file-system daemon has mounted, listed like kernel
// mounts: the system's type name, the FUSE path as mount point and a source text.

#include "model/mounted_volume.h"

#include <QString>

#include <optional>
#include <vector>

namespace GvfsMountTable {

// One mount given its root URI and FUSE path; absent for anything but a network share (a server
// browsed without a share, a local or device mount, a mount without a FUSE path).
std::optional<MountedVolume> volumeFor(const QString& rootUri, const QString& fusePath);

// The daemon's network mounts, from the volume monitor's list; the remote volumes are not touched.
std::vector<MountedVolume> networkVolumes();

// Kernel network mounts followed by the daemon's.
std::vector<MountedVolume> allNetworkVolumes();

} // namespace GvfsMountTable
