#pragma once

#include "log/activity_event.h"

#include <QByteArray>

#include <vector>

// The signal-log file's bytes: a compact JSON array of the entries in their stored form, keys in the
// entry's own order. Written by hand because the log is saved often and can be long.
namespace ActivityEncoder {

QByteArray encode(const std::vector<ActivityEvent>& events);

} // namespace ActivityEncoder
