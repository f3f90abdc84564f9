#pragma once

#include "health/volume_health.h"
#include "link/link_machine.h"
#include "model/mounted_volume.h"
#include "model/share_spec.h"

#include <QString>
#include <QUuid>

#include <optional>

// The live record of one saved share.
struct ShareRuntime {
    LinkMachine machine {false, Backoff {5, 300}};
    std::optional<MountedVolume> volume;
    std::optional<VolumeHealth> health; // the last healthy reading; a stale one never replaces it
    std::optional<QString> lastError;
    bool busy = false; // a mount or eject started by the store is under way
};

// A request to open the share editor: a new share when spec is absent.
struct ShareEditorRequest {
    QUuid id;
    std::optional<ShareSpec> spec;
    friend bool operator==(const ShareEditorRequest& a, const ShareEditorRequest& b) { return a.id == b.id; }
};
