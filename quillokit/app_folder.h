#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

// The installed application on Linux: a folder of its own (<prefix>/lib/mountwire) holding the program
// bin/mountwire, the version file and a manifest of everything installed there; <prefix>/bin/mountwire is
// a link into it. Archives carry one such folder at their top.
namespace AppFolder {

QString executable(const QString& folder);
QString versionFile(const QString& folder);
QString manifestFile(const QString& folder);

// The application's folder for a program in <folder>/bin, with every link resolved; empty when the program
// does not sit in a bin folder (such as in a build tree) or the folder does not exist.
QString ofProgram(const QString& programFolder);

// The path with every link resolved; empty when it does not exist.
QString resolved(const QString& path);

// A regular file's bytes, at most `limit` of them; nothing for anything else (a link, a FIFO, a device, a
// folder), and never blocking on a file that would.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit);

// The first line of the version file, trimmed; nothing when it cannot be read or is empty.
std::optional<QString> version(const QString& folder);

// The paths the manifest lists, relative to the folder, the manifest itself included.
std::optional<QSet<QString>> manifest(const QString& folder);

// Whether everything in the folder is listed in its manifest: only then is it the application's own, to
// be replaced or removed. Links are not followed; anything but files, folders and links is foreign.
bool isOwn(const QString& folder);

// Whether the folder holds the program (as a file, executable or not).
bool holdsProgram(const QString& folder);

// Whether the program is a regular file this user may run.
bool programRuns(const QString& folder);

} // namespace AppFolder
