#pragma once

#include <QObject>
#include <QString>

// Tells when a volume was mounted, unmounted or renamed, once per event, on the main thread, after the
// system's mount table already shows the change. The location is a mount point or, for a volume without
// one, its URI.
class VolumeNotices : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void volumeDidMount(const QString& location);
    void volumeDidUnmount(const QString& location);
    void volumeDidRename(const QString& location);
};
