#pragma once

#include "link/link_machine.h"

#include <QString>

#include <optional>

// How a line is drawn on the board: solid when mounted, dashed while (re)connecting, broken when dropped,
// dotted when idle.
enum class LineContinuity { solid, dashed, broken, dotted };

LineContinuity lineContinuity(LinkMachine::Phase phase);

QString toRaw(LineContinuity continuity);
std::optional<LineContinuity> lineContinuityFromRaw(const QString& raw);
