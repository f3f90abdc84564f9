#pragma once

#include <QByteArray>
#include <QString>

// Putting a staged version in the place of the installed one, once the application has ended. The swap is
// one exchange of two folders, so the application's path always holds a complete version; whatever a cut
// short install leaves beside it is its own and goes at the next start.
namespace AppInstall {

// Where the new version is put together beside the installed folder, and where the old one is after the
// exchange.
QString besidePath(const QString& installed);

// The steps of an install. `installed` is the application's own folder with links resolved.
// Copies the staged folder beside the installed one and checks that the copy is what was validated.
bool prepare(const QString& staged, const QString& installed, const QByteArray& digest);
// Exchanges the copy and the installed folder in one step.
bool exchange(const QString& installed);
// Removes whatever an install left beside the installed folder, provided it is the application's own.
void cleanUp(const QString& installed);

// All of the above; false (with the installed version untouched) when any step failed.
bool install(const QString& staged, const QString& installed, const QByteArray& digest);

// Starts the installed program once the process with that identifier has ended; false if it could not.
bool relaunchAfter(qint64 processId, const QString& installed);

} // namespace AppInstall
