#pragma once

#include "model/mounted_volume.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <vector>

// The kernel's list of mounted network file systems, read from mountinfo without touching any volume, so a
// dead server cannot make it hang. Linux type names are translated ("cifs" reads as "smbfs").
namespace MountTable {

const QSet<QString>& networkTypes();

std::vector<MountedVolume> networkVolumes();
// An unreadable file gives an empty list.
std::vector<MountedVolume> networkVolumes(const QString& mountinfoPath);
std::vector<MountedVolume> fromMountinfo(const QByteArray& text);

// Undoes mountinfo's octal escapes (\040 is a space); malformed escapes stay as they are.
QString unescaped(QByteArrayView field);

} // namespace MountTable
