#pragma once

#include "platform/wake_notices.h"

// Wake notices the test sends.
class FakeWakeNotices final : public WakeNotices {
public:
    void fireWake() { Q_EMIT didWake(); }
};
