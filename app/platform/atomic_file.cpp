#include "platform/atomic_file.h"

#include <QSaveFile>

namespace AtomicFile {

bool write(const QString& path, const QByteArray& data) noexcept
{
    try {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        if (file.write(data) != data.size()) {
            file.cancelWriting();
            return false;
        }
        return file.commit();
    } catch (...) {
        // Only allocation can throw here; a failed write is all the caller needs to know.
        return false;
    }
}

} // namespace AtomicFile
