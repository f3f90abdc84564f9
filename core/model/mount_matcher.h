#pragma once

#include "model/mounted_volume.h"
#include "model/share_spec.h"

#include <QHash>
#include <QString>
#include <QUuid>

#include <vector>

// Decides which saved share a mounted volume serves. User and port play no part; hosts compare by name.
namespace MountMatcher {

// NAS, nas.local, nas. and a service-discovered nas._smb._tcp.local all read as "nas".
QString normalizeHost(const QString& host);
QString normalizePath(const QString& path);

bool matches(const ShareSpec& spec, const MountedVolume& volume);

// Each volume serves at most one share; earlier shares and earlier volumes win.
QHash<QUuid, MountedVolume> assign(const std::vector<ShareSpec>& shares, const std::vector<MountedVolume>& volumes);

} // namespace MountMatcher
