#pragma once

#include "platform/volume_notices.h"

// Volume notices the test sends when it has changed its fake mount table.
class FakeVolumeNotices final : public VolumeNotices {
public:
    void fireMount(const QString& location) { Q_EMIT volumeDidMount(location); }
    void fireUnmount(const QString& location) { Q_EMIT volumeDidUnmount(location); }
    void fireRename(const QString& location) { Q_EMIT volumeDidRename(location); }
};
