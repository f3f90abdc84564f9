#pragma once

#include "quillokit/update_phase.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

// The work folder where an update is downloaded and unpacked, and the checks that it holds this
// application.
namespace UpdateStaging {

// <caches folder>/<identifier>/QuilloUpdate.
QString workFolder(const QString& cachesFolder, const QString& identifier);

// <work folder>/update.zip, where the download is written as it arrives.
QString archiveFile(const QString& workFolder);

// Removes the work folder with all it holds and makes it afresh, private to this user (0700) like the
// folder above it; false if that failed.
bool prepare(const QString& workFolder);

// Unpacks the archive into <work folder>/<version> and gives the application folder found at its top, or
// the failure.
std::variant<QString, UpdateError> stage(const QByteArray& zip, const QString& version, const QString& workFolder);

// Whether the staged folder is this application: a runnable program of the expected version, with nothing
// in it that its manifest does not list.
std::optional<UpdateError> validate(const QString& staged, const QString& expectedVersion);

} // namespace UpdateStaging
