#pragma once

#include "platform/network_path.h"

#include <QObject>

// Reports the network path once at start and again after every change of its status or interfaces, on the
// main thread.
class NetworkPathMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The first pathUpdated is emitted before start returns; a second start does nothing.
    virtual void start() = 0;

Q_SIGNALS:
    void pathUpdated(const NetworkPath& path);
};
