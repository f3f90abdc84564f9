#pragma once

#include "quillokit/update_phase.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

// Unpacking a verified archive into the work folder and checking that it holds this application.
namespace UpdateStaging {

// <caches folder>/<identifier>/QuilloUpdate.
QString workFolder(const QString& cachesFolder, const QString& identifier);

// Empties the work folder, unpacks the archive into <work folder>/<version> and gives the application
// folder found at its top, or the failure.
std::variant<QString, UpdateError> stage(const QByteArray& zip, const QString& version, const QString& workFolder);

// Whether the staged folder holds a runnable program of the expected version.
std::optional<UpdateError> validate(const QString& staged, const QString& expectedVersion);

} // namespace UpdateStaging
