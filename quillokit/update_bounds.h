#pragma once

#include <QString>

#include <QtGlobal>

// The most the updater takes from a feed and an archive, and the sentence that says so when something
// goes beyond. Whatever a feed or an archive claims, nothing larger is read, written or kept.
namespace UpdateBounds {

inline constexpr qint64 feedBytes = qint64(1) << 20;
inline constexpr qint64 notesCharacters = 64 * 1024;
inline constexpr qint64 archiveBytes = qint64(512) << 20;
inline constexpr qint64 unpackedBytes = qint64(1) << 30;
inline constexpr qint64 archiveEntries = 10000;
// What a server may send beyond the length the feed gives before the download stops.
inline constexpr qint64 downloadSlack = 1024;

inline QString feedTooLarge()
{
    return QStringLiteral("The update feed is larger than 1 MiB, so it wasn’t read.");
}

inline QString notesTooLong()
{
    return QStringLiteral("The release notes are longer than 65,536 characters, so the update wasn’t offered.");
}

inline QString archiveTooLarge()
{
    return QStringLiteral("The update is larger than 512 MiB, so it wasn’t downloaded.");
}

inline QString unpackedTooLarge()
{
    return QStringLiteral("The update would take more than 1 GiB once unpacked, so it wasn’t installed.");
}

inline QString tooManyEntries()
{
    return QStringLiteral("The update holds more than 10,000 files, so it wasn’t installed.");
}

} // namespace UpdateBounds
