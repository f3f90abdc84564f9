#pragma once

#include <QString>

// The shell script that replaces the installed folder once the application has quit. It outlives the
// application, so it is a separate process that needs nothing of ours.
namespace InstallScript {

// Arguments: the process to wait for, the staged folder, the installed folder, "1" to relaunch.
QString text();

// Starts the script detached; false if it could not be started.
bool launch(qint64 processId, const QString& staged, const QString& installed, bool relaunch);

} // namespace InstallScript
