#pragma once

#include "quillokit/update_phase.h"

#include <QString>

// The sentences that tell the user what the updater is doing.
namespace UpdateTexts {

// The settings tab's one status line for a phase.
QString statusLine(const UpdatePhase& phase, const QString& appName);

// The update window's heading for a phase.
QString heading(const UpdatePhase& phase, const QString& appName);

} // namespace UpdateTexts
