#pragma once

#include "quillokit/update_logic.h"

#include <QString>
#include <QUrl>

#include <optional>

// What the updater knows of the application it updates: where it is installed, its build settings and the
// system it runs on.
struct UpdaterBundle {
    // The installed application folder (see AppFolder); empty when the program is not installed in one.
    QString installFolder;
    std::optional<QUrl> feedURL;
    // Base64 of the 32-byte Ed25519 public key; without it nothing is ever downloaded.
    std::optional<QString> publicKey;
    QString currentVersion = QStringLiteral("1.0");
    QString appName = QStringLiteral("App");
    // Names the folder under the caches folder where updates are staged.
    QString identifier = QStringLiteral("app.quillo");
    QString cachesFolder;
    // Where the home folder is, to never take it for the application's folder.
    QString homeFolder;
    SystemVersion system;

    // The running program's folder, the settings compiled into this build, the user's caches folder and the
    // running kernel's version.
    static UpdaterBundle fromBuild();

    // An address from a build setting's text: nothing when it is empty or not an http(s) address.
    static std::optional<QUrl> feedAddress(const QString& text);

    friend bool operator==(const UpdaterBundle&, const UpdaterBundle&) = default;
};
