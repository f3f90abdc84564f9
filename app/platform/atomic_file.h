#pragma once

#include <QByteArray>
#include <QString>

namespace AtomicFile {

// Replaces the file at path with data so that a reader sees either the old or the new content, never a
// part. Returns false when anything fails; the old file then stays as it was.
bool write(const QString& path, const QByteArray& data) noexcept;

} // namespace AtomicFile
