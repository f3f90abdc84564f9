#pragma once

#include "link/line_continuity.h"
#include "store/share_status.h"
#include "views/signal_line.h"

#include <QString>

#include <optional>

class ShareStore;
struct ShareSpec;
struct ShareRuntime;

// What the board, the panel and the sidebar strip say and draw for the store's lines; plain functions of
// the store, so every surface reads the same.
namespace LineTexts {

LineContinuity continuity(const ShareStatus& status);
// The share's server history as a line of the given size.
SignalLine signalLine(const ShareStore& store, const ShareSpec& share, int capacity, double thickness,
    double nodeRadius);

// "2 of 3 live · 1 need attention · route Studio", or "No lines yet".
QString boardSummary(const ShareStore& store);
// "2/3 live · 1 down", or "no lines".
QString panelSummary(const ShareStore& store);
// The panel's figure: latency when connected (or idle with a reading), else the status caption.
QString panelFigure(const ShareStore& store, const ShareSpec& share);
// "1.2 GB free of 4 GB", "size unknown" or "not mounted"; the used fraction when known.
QString spaceText(const ShareRuntime* record);
std::optional<double> usedFraction(const ShareRuntime* record);
// Bytes in the file style: decimal units, as file managers count.
QString bytes(std::int64_t count);

QString removeTitle(const ShareSpec& share);
QString removeMessage(bool mounted);

} // namespace LineTexts
