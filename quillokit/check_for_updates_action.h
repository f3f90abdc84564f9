#pragma once

class QAction;
class QObject;
class Updater;

// The application menu's "Check for Updates…", which starts a check the user asked for.
QAction* makeCheckForUpdatesAction(Updater& updater, QObject* parent);
