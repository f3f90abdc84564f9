#pragma once

#include <QString>
#include <QStringList>

class MountwireApp;

// Renders the manager window on each page, the tray panel, the editor and the welcome guide to PNG files,
// in the light and the dark appearance; returns the files written.
namespace Snapshot {
QStringList render(MountwireApp& app, const QString& folder);
} // namespace Snapshot
