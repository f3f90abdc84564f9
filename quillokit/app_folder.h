#pragma once

#include <QString>

#include <optional>

// The installed application on Linux: a folder of its own (the install prefix) holding the program
// bin/mountwire and the version file share/mountwire/version. Archives carry one such folder at their top.
namespace AppFolder {

QString executable(const QString& folder);
QString versionFile(const QString& folder);

// The first line of the version file, trimmed; nothing when it cannot be read or is empty.
std::optional<QString> version(const QString& folder);

// Whether the folder holds the program (as a file, executable or not).
bool holdsProgram(const QString& folder);

// Whether the program is a regular file this user may run.
bool programRuns(const QString& folder);

} // namespace AppFolder
