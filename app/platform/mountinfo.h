#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

// The kernel's table of mounts of this process, reduced to what a change notice needs.
namespace Mountinfo {

// Mount points keyed by the kernel's mount id, which stays the same for the life of a mount.
using Snapshot = std::map<int, QString>;

// Reads the text of /proc/self/mountinfo; lines that do not parse are skipped.
Snapshot parse(const QByteArray& text);

struct Change {
    enum class Kind { mounted, unmounted, moved };
    Kind kind;
    QString mountPoint;
    friend bool operator==(const Change&, const Change&) = default;
};

// What happened between two snapshots: unmounts first, then moves, then mounts, each in mount-id order.
std::vector<Change> changes(const Snapshot& before, const Snapshot& after);

} // namespace Mountinfo
