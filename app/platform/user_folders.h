#pragma once

#include <QString>

// Where Mountwire keeps its files for the current user, following the XDG base directories.
namespace UserFolders {

// $XDG_CONFIG_HOME, or ~/.config when unset or not absolute.
QString configHome();

// The file of the user-defaults store: <config home>/Mountwire/Mountwire.conf.
QString defaultsFile();

// <data home>/Mountwire, created with its parents on each call; the path is returned even if that failed.
QString applicationSupport();

// <cache home>/Mountwire, created like applicationSupport().
QString caches();

} // namespace UserFolders
